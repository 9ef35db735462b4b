#include "skin/engine/acColorManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gdi/PensBrushes.h"

namespace parch {

namespace {

const char* const kInvalidDepth = "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
const char* const kInvalidSamples = "Sample count per pixel does not correspond to the given color scheme.";
const char* const kNoConverter = "Color conversion failed. Could not find a proper method.";
const char* const kIndexedMix = "Conversion between indexed and non-indexed pixel formats is not supported.";
const char* const kNoSourceRow = "Color conversion failed. No source row was given.";

// The bit of the pixel mask that decides, pixel by pixel, which target pixels receive a source
// pixel: it starts at the top bit and rotates right by one per target pixel.
class PixelMaskWalk {
public:
    explicit PixelMaskWalk(std::uint8_t mask) : mask_(mask) {}
    // True when the current pixel takes a source pixel; moves on to the next pixel.
    bool Next() {
        bool take = (mask_ & bit_) != 0;
        bit_ = static_cast<std::uint8_t>((bit_ >> 1) | ((bit_ & 1) << 7));
        return take;
    }

private:
    std::uint8_t mask_;
    std::uint8_t bit_ = 0x80;
};

std::uint8_t ClampSampleByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::nearbyint(value), 0.0, 255.0));
}
std::uint8_t ClampSampleByte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }
unsigned ClampSampleWord(double value) { return static_cast<unsigned>(std::clamp(std::nearbyint(value), 0.0, 65535.0)); }

unsigned FieldMax(int bits) { return (1u << bits) - 1; }

// A field of `bits` bits (1..8) at field `index` of a row packed most significant bit first.
unsigned ReadField(const std::uint8_t* row, size_t index, int bits) {
    size_t bit = index * static_cast<size_t>(bits);
    if (8 % bits == 0) {
        unsigned shift = 8 - static_cast<unsigned>(bits) - static_cast<unsigned>(bit % 8);
        return (row[bit / 8] >> shift) & FieldMax(bits);
    }
    unsigned value = 0;
    for (int k = 0; k < bits; ++k, ++bit) value = (value << 1) | ((row[bit / 8] >> (7 - bit % 8)) & 1u);
    return value;
}

// Writes the field; the other bits of its bytes stay as they are.
void WriteField(std::uint8_t* row, size_t index, int bits, unsigned value) {
    size_t bit = index * static_cast<size_t>(bits);
    if (8 % bits == 0) {
        unsigned shift = 8 - static_cast<unsigned>(bits) - static_cast<unsigned>(bit % 8);
        unsigned mask = FieldMax(bits) << shift;
        row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
        return;
    }
    for (int k = bits - 1; k >= 0; --k, ++bit) {
        auto mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
        row[bit / 8] = static_cast<std::uint8_t>(((value >> k) & 1u) ? (row[bit / 8] | mask) : (row[bit / 8] & ~mask));
    }
}

unsigned ReadNativeSample16(const std::uint8_t* p) { return unsigned(p[0]) | (unsigned(p[1]) << 8); }
void WriteNativeSample16(std::uint8_t* p, unsigned value) {
    p[0] = static_cast<std::uint8_t>(value & 0xFF);
    p[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

bool IsByteOrWordDepth(int bits) { return bits == 8 || bits == 16; }

// Reads sample `channel` of pixel `pixel` from interleaved or planar rows of `bytes`-byte
// samples, `stride` samples per interleaved pixel.
class SampleReader {
public:
    SampleReader(TColorManager::Sources sources, int channels, int stride, int bytes)
        : sources_(sources), planar_(sources.size() >= static_cast<size_t>(channels) && channels > 1),
          stride_(stride), bytes_(bytes) {}

    const std::uint8_t* At(size_t pixel, int channel) const {
        if (planar_) return static_cast<const std::uint8_t*>(sources_[static_cast<size_t>(channel)]) + pixel * bytes_;
        return static_cast<const std::uint8_t*>(sources_[0]) + (pixel * stride_ + channel) * bytes_;
    }
    bool HasChannel(int channel) const { return !planar_ || static_cast<size_t>(channel) < sources_.size(); }

private:
    TColorManager::Sources sources_;
    bool planar_;
    size_t stride_;
    size_t bytes_;
};

HPALETTE PaletteOfEntries(const std::vector<PALETTEENTRY>& entries) {
    if (entries.empty()) return nullptr;
    // LOGPALETTE ends in the first entry; the others follow it in the same block.
    struct FullPalette {
        LOGPALETTE header;
        PALETTEENTRY more[255];
    } palette{};
    palette.header.palNumEntries = static_cast<WORD>(entries.size());
    auto* first = reinterpret_cast<PALETTEENTRY*>(reinterpret_cast<std::uint8_t*>(&palette) + offsetof(LOGPALETTE, palPalEntry));
    std::copy(entries.begin(), entries.end(), first);
    return CreatePalette(&palette.header);
}

}  // namespace

// The table of the default gamma pair is made once: every PNG load starts a fresh converter.
TColorManager::TColorManager() {
    static const std::array<std::uint8_t, 256> defaultTable = [] {
        TColorManager manager(nullptr);
        manager.SetGammaPair(1.0f, 2.2f);
        return manager.gamma_;
    }();
    gamma_ = defaultTable;
}

TColorManager::TColorManager(std::nullptr_t) {}

void TColorManager::SetSourceDepth(int bits) {
    if (bits <= 0 || bits > 16) throw EColorConversionError(kInvalidDepth);
    changed_ = changed_ || bits != sourceBits_;
    sourceBits_ = bits;
}

void TColorManager::SetTargetDepth(int bits) {
    if (bits <= 0 || bits > 16) throw EColorConversionError(kInvalidDepth);
    changed_ = changed_ || bits != targetBits_;
    targetBits_ = bits;
}

void TColorManager::SetSourceSamples(int count) {
    if (count <= 0 || count > 4) throw EColorConversionError(kInvalidSamples);
    changed_ = changed_ || count != sourceSamples_;
    sourceSamples_ = count;
}

void TColorManager::SetTargetSamples(int count) {
    if (count <= 0 || count > 4) throw EColorConversionError(kInvalidSamples);
    changed_ = changed_ || count != targetSamples_;
    targetSamples_ = count;
}

void TColorManager::SetSourceLayout(TPixelLayout layout) {
    changed_ = changed_ || layout != sourceLayout_;
    sourceLayout_ = layout;
}

void TColorManager::SetTargetLayout(TPixelLayout layout) {
    changed_ = changed_ || layout != targetLayout_;
    targetLayout_ = layout;
}

void TColorManager::SetGammaPair(float mainGamma, float displayGamma) {
    mainGamma_ = mainGamma > 0 ? mainGamma : 1.0f;
    displayGamma_ = displayGamma > 0 ? displayGamma : 2.2f;
    changed_ = true;
    // Below 8 bits the table maps target-depth levels onto themselves.
    double exponent = 1.0 / (double(mainGamma_) * double(displayGamma_));
    unsigned last = sourceBits_ >= 8 ? 255 : FieldMax(std::min(targetBits_, 8));
    double scale = targetBits_ >= 8 ? 255.0 : double(FieldMax(targetBits_));
    gamma_.fill(0);
    for (unsigned i = 0; i <= last; ++i)
        gamma_[i] = static_cast<std::uint8_t>(std::nearbyint(std::pow(double(i) / last, exponent) * scale));
}

TPixelFormat TColorManager::PixelFormatFor(bool target) const {
    int bits = target ? targetBits_ : sourceBits_;
    int samples = target ? targetSamples_ : sourceSamples_;
    switch (samples) {
        case 1:
            if (bits == 1) return pf1bit;
            if (bits >= 2 && bits <= 4) return pf4bit;
            if (bits >= 8) return pf8bit;
            return pfCustom;
        case 3: return bits <= 5 ? pf15bit : pf24bit;
        case 4: return bits >= 8 ? pf32bit : pfCustom;
        default: return pfCustom;
    }
}

void TColorManager::TransformRow(Sources sources, void* target, int count, std::uint8_t mask) {
    if (changed_) ChooseConverter();
    if (!converter_) throw EColorConversionError(kNoConverter);
    if (sources.empty() || !sources[0] || !target) throw EColorConversionError(kNoSourceRow);
    if (count <= 0) return;
    (this->*converter_)(sources, static_cast<std::uint8_t*>(target), count, mask);
}

// --- Choosing the converter ------------------------------------------------------------------

bool TColorManager::TargetIsRGBOrder() const { return targetLayout_ == plRGB || targetLayout_ == plRGBA; }
bool TColorManager::TargetIsBGROrder() const { return targetLayout_ == plBGR || targetLayout_ == plBGRA; }

void TColorManager::ChooseConverter() {
    converter_ = nullptr;
    bool sourceIndexed = sourceLayout_ >= plIndexed && sourceLayout_ <= plGreyAlpha;
    bool targetIndexed = targetLayout_ >= plIndexed && targetLayout_ <= plGrey;
    if (sourceIndexed != targetIndexed) throw EColorConversionError(kIndexedMix);

    auto hasAlpha = [](TPixelLayout layout) { return layout == plGreyAlpha || layout == plRGBA || layout == plBGRA; };
    SourceOptions = static_cast<TConvertOptions>(hasAlpha(sourceLayout_) ? SourceOptions | optHasAlpha : SourceOptions & ~optHasAlpha);
    TargetOptions = static_cast<TConvertOptions>(hasAlpha(targetLayout_) ? TargetOptions | optHasAlpha : TargetOptions & ~optHasAlpha);

    bool source16 = sourceBits_ == 16, target16 = targetBits_ == 16;
    bool sourceSmall = sourceBits_ <= 8, targetSmall = targetBits_ <= 8;
    bool toRGB = TargetIsRGBOrder(), toBGR = TargetIsBGROrder();
    switch (sourceLayout_) {
        case plIndexed:
            if (source16 && target16) converter_ = &TColorManager::ConvIndexed16;
            else if (source16 && targetSmall) converter_ = &TColorManager::ConvIndexed16to8;
            else if (target16 && sourceSmall) converter_ = &TColorManager::ConvIndexed8to16;
            else if (sourceSmall && targetSmall) converter_ = &TColorManager::ConvIndexed;
            break;
        case plGrey:
            if (sourceSmall && targetSmall) converter_ = &TColorManager::ConvIndexed;
            else if ((source16 || target16) && IsByteOrWordDepth(sourceBits_) && IsByteOrWordDepth(targetBits_))
                converter_ = &TColorManager::ConvGrey;
            break;
        case plGreyAlpha:
            if (IsByteOrWordDepth(sourceBits_) && IsByteOrWordDepth(targetBits_)) converter_ = &TColorManager::ConvGrey;
            break;
        case plRGB:
        case plRGBA:
            if (toRGB) converter_ = &TColorManager::ConvRGBtoRGB;
            else if (toBGR) converter_ = &TColorManager::ConvRGBtoBGR;
            break;
        case plBGR:
        case plBGRA:
            // The same sample order keeps the samples; the other order exchanges first and third.
            if (toRGB) converter_ = &TColorManager::ConvRGBtoBGR;
            else if (toBGR) converter_ = &TColorManager::ConvRGBtoRGB;
            break;
        case plCMYK:
            if (toRGB) converter_ = &TColorManager::ConvCMYKtoRGB;
            else if (toBGR) converter_ = &TColorManager::ConvCMYKtoBGR;
            break;
        case plLab:
            if (toRGB) converter_ = &TColorManager::ConvLabToRGB;
            else if (toBGR) converter_ = &TColorManager::ConvLabToBGR;
            break;
        case plYCbCr:
        case plPhotoYCC:
            if (sourceLayout_ == plYCbCr) BuildChromaTables(128, 128);
            else BuildChromaTables(137, 156);
            if (toRGB) converter_ = &TColorManager::ConvYCbCrToRGB;
            else if (toBGR) converter_ = &TColorManager::ConvYCbCrToBGR;
            break;
        default:
            break;
    }
    changed_ = false;
}

void TColorManager::BuildChromaTables(int redOffset, int blueOffset) {
    double kr = lumaRed_, kg = lumaGreen_, kb = lumaBlue_;
    double c = 2 - 2 * kr, d = 2 - 2 * kb;
    for (int i = 0; i < 256; ++i) {
        double x = i - redOffset, y = i - blueOffset;
        auto index = static_cast<size_t>(i);
        chromaA_[index] = static_cast<std::int32_t>(std::nearbyint(c * x));
        chromaB_[index] = static_cast<std::int32_t>(std::nearbyint(d * y));
        chromaC_[index] = -static_cast<std::int32_t>(std::nearbyint(kr * c / kg * x));
        chromaD_[index] = -static_cast<std::int32_t>(std::nearbyint(kb * d / kg * y));
    }
}

// --- Component rules -------------------------------------------------------------------------

std::uint8_t TColorManager::Gamma(unsigned value) const {
    return (TargetOptions & optApplyGamma) ? gamma_[value & 0xFF] : static_cast<std::uint8_t>(value);
}

unsigned TColorManager::ReadSource16(const std::uint8_t* p) const {
    return (SourceOptions & optBigEndian16) ? (unsigned(p[0]) << 8) | p[1] : ReadNativeSample16(p);
}

void TColorManager::WriteTarget16(std::uint8_t* p, unsigned value) const {
    if (SourceOptions & optBigEndian16) {
        p[0] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
        p[1] = static_cast<std::uint8_t>(value & 0xFF);
    } else {
        WriteNativeSample16(p, value);
    }
}

// --- Indexed and grey ------------------------------------------------------------------------

void TColorManager::ConvIndexed(Sources sources, std::uint8_t* target, int count, std::uint8_t mask) {
    auto* source = static_cast<const std::uint8_t*>(sources[0]);
    if (sourceBits_ == targetBits_ && mask == 0xFF) {
        std::memcpy(target, source, (static_cast<size_t>(count) * static_cast<size_t>(sourceBits_) + 7) / 8);
        return;
    }
    unsigned sourceMax = FieldMax(sourceBits_), targetMax = FieldMax(targetBits_);
    PixelMaskWalk walk(mask);
    size_t next = 0;
    for (size_t x = 0; x < static_cast<size_t>(count); ++x) {
        if (!walk.Next()) continue;
        unsigned value = ReadField(source, next++, sourceBits_);
        WriteField(target, x, targetBits_, value * targetMax / sourceMax);
    }
}

void TColorManager::ConvIndexed16(Sources sources, std::uint8_t* target, int count, std::uint8_t mask) {
    auto* source = static_cast<const std::uint8_t*>(sources[0]);
    if (mask == 0xFF && !(SourceOptions & optBigEndian16)) {
        std::memcpy(target, source, static_cast<size_t>(count) * 2);
        return;
    }
    PixelMaskWalk walk(mask);
    for (int x = 0; x < count; ++x, target += 2) {
        if (!walk.Next()) continue;
        WriteNativeSample16(target, ReadSource16(source));
        source += 2;
    }
}

void TColorManager::ConvIndexed16to8(Sources sources, std::uint8_t* target, int count, std::uint8_t mask) {
    auto* source = static_cast<const std::uint8_t*>(sources[0]);
    unsigned targetMax = FieldMax(targetBits_);
    PixelMaskWalk walk(mask);
    for (size_t x = 0; x < static_cast<size_t>(count); ++x) {
        if (!walk.Next()) continue;
        WriteField(target, x, targetBits_, ReadSource16(source) * targetMax / 65535);
        source += 2;
    }
}

void TColorManager::ConvIndexed8to16(Sources sources, std::uint8_t* target, int count, std::uint8_t mask) {
    auto* source = static_cast<const std::uint8_t*>(sources[0]);
    unsigned sourceMax = FieldMax(sourceBits_);
    PixelMaskWalk walk(mask);
    size_t next = 0;
    for (int x = 0; x < count; ++x, target += 2) {
        if (!walk.Next()) continue;
        WriteTarget16(target, ReadField(source, next++, sourceBits_) * 65535 / sourceMax);
    }
}

// One grey sample per pixel; an alpha sample of the source is stepped over.
void TColorManager::ConvGrey(Sources sources, std::uint8_t* target, int count, std::uint8_t mask) {
    auto* source = static_cast<const std::uint8_t*>(sources[0]);
    size_t sourceBytes = static_cast<size_t>(sourceBits_ / 8);
    size_t sourceStep = sourceBytes * ((SourceOptions & optHasAlpha) ? 2 : 1);
    size_t targetBytes = static_cast<size_t>(targetBits_ / 8);
    PixelMaskWalk walk(mask);
    for (int x = 0; x < count; ++x, target += targetBytes) {
        if (!walk.Next()) continue;
        unsigned value = sourceBytes == 2 ? ReadSource16(source) : source[0];
        if (targetBytes == 1) *target = static_cast<std::uint8_t>(sourceBytes == 2 ? value / 257 : value);
        else WriteNativeSample16(target, sourceBytes == 2 ? value : value * 257);
        source += sourceStep;
    }
}

// --- RGB and BGR -----------------------------------------------------------------------------

void TColorManager::ConvRGBtoRGB(Sources s, std::uint8_t* t, int n, std::uint8_t m) { ConvertColour(s, t, n, m, false); }
void TColorManager::ConvRGBtoBGR(Sources s, std::uint8_t* t, int n, std::uint8_t m) { ConvertColour(s, t, n, m, true); }

namespace {

// A pixel mask whose set bits repeat evenly (every interlace pass's mask does) as its first
// column and column step; false for other masks.
bool EvenMaskSteps(std::uint8_t mask, int& first, int& step) {
    if (mask == 0) return false;
    first = 0;
    while ((mask & (0x80 >> first)) == 0) ++first;
    step = 1;
    while (step < 8 && (mask & (0x80 >> ((first + step) % 8))) == 0) ++step;
    for (int bit = 0; bit < 8; ++bit) {
        bool expected = bit >= first && (bit - first) % step == 0;
        if (expected != ((mask & (0x80 >> bit)) != 0)) return false;
    }
    return true;
}

template <int Step>
void ExchangeRedBlueBytes(const std::uint8_t* __restrict source, std::uint8_t* __restrict target, int count) {
    for (int x = 0; x < count; ++x, source += Step, target += Step) {
        target[0] = source[2];
        target[1] = source[1];
        target[2] = source[0];
        if constexpr (Step == 4) target[3] = source[3];
    }
}

template <int Step>
void ExchangeRedBlueBytes(const std::uint8_t* source, std::uint8_t* target, int first, int columnStep, int count) {
    if (columnStep == 1 && first == 0) return ExchangeRedBlueBytes<Step>(source, target, count);
    target += static_cast<size_t>(first) * Step;
    for (int x = first; x < count; x += columnStep, source += Step, target += static_cast<size_t>(columnStep) * Step) {
        target[0] = source[2];
        target[1] = source[1];
        target[2] = source[0];
        if constexpr (Step == 4) target[3] = source[3];
    }
}

}  // namespace

// The common case of decoded pictures: interleaved 8-bit rows whose red and blue change places,
// without gamma, all pixels or an evenly spaced share of them.
bool TColorManager::ConvertPlainBytes(Sources sources, std::uint8_t* target, int count, std::uint8_t mask,
                                      bool exchange, bool sourceAlpha, bool targetAlpha) const {
    if (!exchange || sources.size() != 1 || sourceBits_ != 8 || targetBits_ != 8 ||
        (TargetOptions & optApplyGamma) != 0 || sourceAlpha != targetAlpha)
        return false;
    int first = 0, step = 1;
    if (mask != 0xFF && !EvenMaskSteps(mask, first, step)) return false;
    const auto* source = static_cast<const std::uint8_t*>(sources[0]);
    if (sourceAlpha) ExchangeRedBlueBytes<4>(source, target, first, step, count);
    else ExchangeRedBlueBytes<3>(source, target, first, step, count);
    return true;
}

void TColorManager::ConvertColour(Sources sources, std::uint8_t* target, int count, std::uint8_t mask, bool exchange) {
    if (!IsByteOrWordDepth(sourceBits_) || !IsByteOrWordDepth(targetBits_)) return;
    bool sourceAlpha = (SourceOptions & optHasAlpha) != 0;
    bool targetAlpha = (TargetOptions & optHasAlpha) != 0;
    int sourceBytes = sourceBits_ / 8, targetBytes = targetBits_ / 8;
    if (ConvertPlainBytes(sources, target, count, mask, exchange, sourceAlpha, targetAlpha)) return;
    SampleReader reader(sources, sourceAlpha ? 4 : 3, sourceAlpha ? 4 : 3, sourceBytes);
    bool carryAlpha = sourceAlpha && targetAlpha && reader.HasChannel(3);
    size_t targetStep = static_cast<size_t>((targetAlpha ? 4 : 3) * targetBytes);

    auto colour = [&](const std::uint8_t* p, std::uint8_t* out) {
        if (sourceBytes == 1 && targetBytes == 1) *out = Gamma(*p);
        else if (sourceBytes == 2 && targetBytes == 1) *out = Gamma(ReadSource16(p) / 257);
        else if (sourceBytes == 1) WriteTarget16(out, Gamma(*p) * 257u);
        else WriteTarget16(out, ReadSource16(p));
    };
    auto alpha = [&](const std::uint8_t* p, std::uint8_t* out) {
        if (sourceBytes == 1 && targetBytes == 1) *out = *p;
        else if (sourceBytes == 2 && targetBytes == 1) *out = static_cast<std::uint8_t>(ReadSource16(p) / 257);
        else if (sourceBytes == 1) WriteTarget16(out, *p * 257u);
        else WriteTarget16(out, ReadSource16(p));
    };

    PixelMaskWalk walk(mask);
    size_t pixel = 0;
    for (int x = 0; x < count; ++x, target += targetStep) {
        if (!walk.Next()) continue;
        for (int channel = 0; channel < 3; ++channel) {
            int from = exchange ? 2 - channel : channel;
            colour(reader.At(pixel, from), target + channel * targetBytes);
        }
        if (carryAlpha) alpha(reader.At(pixel, 3), target + 3 * targetBytes);
        ++pixel;
    }
}

// --- CMYK ------------------------------------------------------------------------------------

void TColorManager::ConvCMYKtoRGB(Sources s, std::uint8_t* t, int n, std::uint8_t m) { ConvertCMYK(s, t, n, m, false); }
void TColorManager::ConvCMYKtoBGR(Sources s, std::uint8_t* t, int n, std::uint8_t m) { ConvertCMYK(s, t, n, m, true); }

// 16-bit CMYK samples are read as stored.
void TColorManager::ConvertCMYK(Sources sources, std::uint8_t* target, int count, std::uint8_t mask, bool bgr) {
    if (!IsByteOrWordDepth(sourceBits_) || !IsByteOrWordDepth(targetBits_)) return;
    int sourceBytes = sourceBits_ / 8, targetBytes = targetBits_ / 8;
    SampleReader reader(sources, 4, 4, sourceBytes);
    size_t targetStep = static_cast<size_t>(((TargetOptions & optHasAlpha) ? 4 : 3) * targetBytes);
    auto read = [&](size_t pixel, int channel) {
        const std::uint8_t* p = reader.At(pixel, channel);
        return sourceBytes == 2 ? ReadNativeSample16(p) : unsigned(*p);
    };

    PixelMaskWalk walk(mask);
    size_t pixel = 0;
    for (int x = 0; x < count; ++x, target += targetStep) {
        if (!walk.Next()) continue;
        unsigned k = read(pixel, 3);
        unsigned results[3];  // from C, M, Y: red, green, blue
        for (int channel = 0; channel < 3; ++channel) {
            unsigned ink = read(pixel, channel);
            if (sourceBytes == 1) {
                unsigned eight = ClampSampleByte(int(ink * k / 255) - int(ink) - int(k) + 255);
                results[channel] = targetBytes == 2 ? eight * 257 : eight;
            } else {
                unsigned covered = (ink + k - ink * k / 65535) & 0xFFFF;
                results[channel] = targetBytes == 2 ? (65535 - covered) & 0xFFFF : ClampSampleByte(int(255 - covered * 255 / 65535));
            }
        }
        for (int channel = 0; channel < 3; ++channel) {
            unsigned value = results[bgr ? 2 - channel : channel];
            if (targetBytes == 2) WriteNativeSample16(target + channel * 2, value);
            else target[channel] = static_cast<std::uint8_t>(value);
        }
        ++pixel;
    }
}

// --- CIE L*a*b* ------------------------------------------------------------------------------

void TColorManager::ConvLabToRGB(Sources s, std::uint8_t* t, int n, std::uint8_t m) { ConvertLab(s, t, n, m, false); }
void TColorManager::ConvLabToBGR(Sources s, std::uint8_t* t, int n, std::uint8_t m) { ConvertLab(s, t, n, m, true); }

// 16-bit samples are taken at 8-bit precision (div 257) and then read like 8-bit samples.
void TColorManager::ConvertLab(Sources sources, std::uint8_t* target, int count, std::uint8_t mask, bool bgr) {
    if (!IsByteOrWordDepth(sourceBits_) || !IsByteOrWordDepth(targetBits_)) return;
    int sourceBytes = sourceBits_ / 8, targetBytes = targetBits_ / 8;
    SampleReader reader(sources, 3, 3, sourceBytes);
    size_t targetStep = static_cast<size_t>(((TargetOptions & optHasAlpha) ? 4 : 3) * targetBytes);
    auto read = [&](size_t pixel, int channel) {
        const std::uint8_t* p = reader.At(pixel, channel);
        return sourceBytes == 2 ? ReadNativeSample16(p) / 257 : unsigned(*p);
    };
    auto chroma = [&](unsigned sample) {
        return (SourceOptions & optLabABOffset) ? double(int(sample) - 128) : double(static_cast<std::int8_t>(sample));
    };

    PixelMaskWalk walk(mask);
    size_t pixel = 0;
    for (int x = 0; x < count; ++x, target += targetStep) {
        if (!walk.Next()) continue;
        double l = read(pixel, 0);
        if (SourceOptions & optLabLScaled) l /= 2.55;
        double a = chroma(read(pixel, 1)), b = chroma(read(pixel, 2));
        double cx, cy, cz;
        if (l < 7.9996) {
            cy = l / 903.3;
            cx = cy + a / 3893.5;
            cz = cy - b / 1557.4;
        } else {
            double fy = (l + 16) / 116;
            cx = std::pow(fy + a / 500, 3);
            cz = std::pow(fy - b / 200, 3);
            cy = fy * fy * fy;
        }
        std::uint8_t blue = ClampSampleByte((0.099 * cx - 0.198 * cy + 1.099 * cz) * 255);
        std::uint8_t green = ClampSampleByte((-0.952 * cx + 1.893 * cy + 0.059 * cz) * 255);
        std::uint8_t red = ClampSampleByte((2.998 * cx - 1.458 * cy - 0.541 * cz) * 255);
        std::uint8_t ordered[3] = {bgr ? blue : red, green, bgr ? red : blue};
        for (int channel = 0; channel < 3; ++channel) {
            if (targetBytes == 2) WriteNativeSample16(target + channel * 2, ordered[channel] * 257u);
            else target[channel] = ordered[channel];
        }
        ++pixel;
    }
}

// --- YCbCr and Photo YCC ---------------------------------------------------------------------

void TColorManager::ConvYCbCrToRGB(Sources s, std::uint8_t* t, int n, std::uint8_t m) { ConvertYCC(s, t, n, m, false); }
void TColorManager::ConvYCbCrToBGR(Sources s, std::uint8_t* t, int n, std::uint8_t m) { ConvertYCC(s, t, n, m, true); }

// Samples in the order luma, blue difference, red difference; the chroma tables of the layout.
void TColorManager::ConvertYCC(Sources sources, std::uint8_t* target, int count, std::uint8_t mask, bool bgr) {
    if (!IsByteOrWordDepth(sourceBits_) || !IsByteOrWordDepth(targetBits_)) return;
    int sourceBytes = sourceBits_ / 8, targetBytes = targetBits_ / 8;
    SampleReader reader(sources, 3, 3, sourceBytes);
    size_t targetStep = static_cast<size_t>(((TargetOptions & optHasAlpha) ? 4 : 3) * targetBytes);
    auto read = [&](size_t pixel, int channel) {
        const std::uint8_t* p = reader.At(pixel, channel);
        return sourceBytes == 2 ? ReadNativeSample16(p) : unsigned(*p);
    };

    PixelMaskWalk walk(mask);
    size_t pixel = 0;
    for (int x = 0; x < count; ++x, target += targetStep) {
        if (!walk.Next()) continue;
        unsigned luma = read(pixel, 0), blueDiff = read(pixel, 1), redDiff = read(pixel, 2);
        unsigned red, green, blue;
        if (sourceBytes == 2 && targetBytes == 2) {
            double scaled = 1.3584 * luma, t = double(blueDiff) - 40092, v = double(redDiff) - 35209;
            blue = ClampSampleWord(scaled + 2.2179 * t);
            green = ClampSampleWord(scaled - 0.9271435 * v - 0.4302726 * t);
            red = ClampSampleWord(scaled + 1.8215 * v);
        } else {
            if (sourceBytes == 2) luma /= 257, blueDiff /= 257, redDiff /= 257;
            int y = int(luma);
            blue = ClampSampleByte(y + chromaB_[blueDiff]);
            green = ClampSampleByte(y + chromaD_[blueDiff] + chromaC_[redDiff]);
            red = ClampSampleByte(y + chromaA_[redDiff]);
            if (targetBytes == 2) red *= 257, green *= 257, blue *= 257;
        }
        unsigned ordered[3] = {bgr ? blue : red, green, bgr ? red : blue};
        for (int channel = 0; channel < 3; ++channel) {
            if (targetBytes == 2) WriteNativeSample16(target + channel * 2, ordered[channel]);
            else target[channel] = static_cast<std::uint8_t>(ordered[channel]);
        }
        ++pixel;
    }
}

// --- Palettes --------------------------------------------------------------------------------

HPALETTE TColorManager::CreateGreyPalette(bool inverted) const {
    size_t entries = size_t{1} << std::min(targetBits_ * targetSamples_, 8);
    unsigned step = 255u / static_cast<unsigned>(entries - 1);
    bool gamma = (TargetOptions & optApplyGamma) != 0;
    std::vector<PALETTEENTRY> palette(entries);
    for (size_t i = 0; i < entries; ++i) {
        unsigned level = static_cast<unsigned>(i) * step;
        auto value = static_cast<BYTE>(gamma ? gamma_[level] : level);
        palette[inverted ? entries - 1 - i : i] = PALETTEENTRY{value, value, value, 0};
    }
    return PaletteOfEntries(palette);
}

HPALETTE TColorManager::CreatePaletteFrom(Sources sources, int format, int count, bool bgrOrder) const {
    if (format < 0 || format > 7 || count <= 0 || sources.empty() || !sources[0]) return nullptr;
    bool wide = format >= 4;
    bool planar = (format & 3) >= 2;
    if (planar && (sources.size() < 3 || !sources[1] || !sources[2])) return nullptr;
    int bytes = wide ? 2 : 1;
    int stride = (format & 3) == 1 ? 4 : 3;
    bool gamma = (TargetOptions & optApplyGamma) != 0;
    SampleReader reader(planar ? sources : sources.first(1), 3, stride, bytes);
    auto read = [&](size_t entry, int channel) {
        const std::uint8_t* p = reader.At(entry, channel);
        unsigned value = wide ? ReadSource16(p) / 257 : unsigned(*p);
        return static_cast<BYTE>(gamma ? gamma_[value] : value);
    };

    size_t entries = static_cast<size_t>(std::min(count, 256));
    std::vector<PALETTEENTRY> colours(entries);
    bool reversed = bgrOrder && !planar;
    for (size_t i = 0; i < entries; ++i) {
        BYTE first = read(i, 0), second = read(i, 1), third = read(i, 2);
        colours[i] = reversed ? PALETTEENTRY{third, second, first, 0} : PALETTEENTRY{first, second, third, 0};
    }

    // Spread the colours over the target's levels when the depths differ.
    if (targetBits_ <= 8 && sourceBits_ <= 8 && sourceBits_ != targetBits_) {
        unsigned sourceMax = FieldMax(sourceBits_), targetMax = FieldMax(targetBits_);
        std::vector<PALETTEENTRY> spread(targetMax + 1);
        for (unsigned j = 0; j <= targetMax; ++j) {
            size_t from = j * sourceMax / targetMax;
            if (from < colours.size()) spread[j] = colours[from];
        }
        colours = std::move(spread);
    }
    return PaletteOfEntries(colours);
}

}  // namespace parch
