// Sample data without a codec turned into the result bitmap, and the colour conversions that
// run on finished bitmaps (Lab, Separation, DeviceN, ICC profiles).

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/images/ScrivletBitmapAccess.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletImageLimits.h"

namespace parch {

namespace {

// DeviceN spaces name at most this many colourants.
constexpr int kMaxComponents = 32;

bool IsSampleDepth(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16; }

// Sample index of a row, most significant bits first.
std::uint32_t SampleAt(const std::uint8_t* row, std::int64_t index, int bits) {
    switch (bits) {
    case 8: return row[index];
    case 16: return (std::uint32_t{row[2 * index]} << 8) | row[2 * index + 1];
    default: {
        const std::int64_t bit = index * bits;
        return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
    }
    }
}

struct ComponentRange {
    double low = 0;
    double high = 1;
};

std::uint8_t ClampedSampleByte(double value) { return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0))); }

}  // namespace

// Sample values to bytes per component, through the Decode array: a component's decoded value
// is placed within its space's natural range (0..1, Lab's L* and a*/b* ranges) and scaled to a
// byte; Indexed components give the index itself.
class TPDFSampleMapping {
public:
    TPDFSampleMapping(const std::vector<ComponentRange>& natural, const std::vector<double>& decode, int bits, bool index) {
        const std::uint32_t maximum = (1u << bits) - 1;
        const bool given = decode.size() == 2 * natural.size();
        tables_.resize(natural.size());
        for (std::size_t k = 0; k < natural.size(); ++k) {
            const ComponentRange range = natural[k];
            const double low = given ? decode[2 * k] : range.low;
            const double high = given ? decode[2 * k + 1] : range.high;
            const bool identity = low == range.low && high == range.high;
            std::vector<std::uint8_t>& table = tables_[k];
            table.resize(std::size_t{maximum} + 1);
            for (std::uint32_t s = 0; s <= maximum; ++s) {
                const double value = low + s * (high - low) / maximum;
                if (index)
                    table[s] = ClampedSampleByte(std::round(value));
                else if (identity && bits == 16)
                    table[s] = static_cast<std::uint8_t>(s >> 8);  // the most significant byte
                else
                    table[s] = ClampedSampleByte((value - range.low) / (range.high - range.low) * 255.0);
            }
        }
    }
    std::uint8_t operator()(std::size_t component, std::uint32_t sample) const { return tables_[component][sample]; }

private:
    std::vector<std::vector<std::uint8_t>> tables_;
};

namespace {

int ComponentsOf(const std::string& space, const TPDFDeviceNColorSpace* deviceN) {
    if (space == "DeviceN") return deviceN ? deviceN->ColorantCount : 0;
    if (space == "Lab" || space == "DeviceRGB") return 3;
    if (space == "DeviceCMYK") return 4;
    return 1;
}

// How the samples of an image become pixels, decided once per image.
enum class SampleKind {
    Grey,  // DeviceGray, Separation (converted afterwards) and stencils
    RGB,   // DeviceRGB, and Lab (converted afterwards)
    DeviceN,
    CMYK,
    IndexedRGB,
    IndexedGrey,
    IndexedCMYK,
    IndexedDeviceN,
    IndexedSeparation,
    Unpainted,  // left black: an unknown space, or an Indexed space without a usable base
};

SampleKind SampleKindOf(bool stencil, const std::string& space, const std::string& base, std::int32_t hiVal,
                        const TPDFDeviceNColorSpace* deviceN, const TPDFSeparationColorSpace* separation) {
    if (stencil || space == "DeviceGray" || space == "Separation") return SampleKind::Grey;
    if (space == "DeviceRGB" || space == "Lab") return SampleKind::RGB;
    if (space == "DeviceN") return SampleKind::DeviceN;
    if (space == "DeviceCMYK") return SampleKind::CMYK;
    if (space != "Indexed" || hiVal < 0) return SampleKind::Unpainted;
    if (base == "DeviceRGB" || base == "Lab") return SampleKind::IndexedRGB;
    if (base == "DeviceGray") return SampleKind::IndexedGrey;
    if (base == "DeviceCMYK") return SampleKind::IndexedCMYK;
    if (base == "DeviceN" && deviceN && deviceN->ColorantCount > 0 && deviceN->ColorantCount <= kMaxComponents)
        return SampleKind::IndexedDeviceN;
    if (base == "Separation" && separation) return SampleKind::IndexedSeparation;
    return SampleKind::Unpainted;
}

void PutSamplePixel(BYTE* row, int x, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    row[3 * x] = b;
    row[3 * x + 1] = g;
    row[3 * x + 2] = r;
}

void PutSampleColor(BYTE* row, int x, TColor color) {
    PutSamplePixel(row, x, static_cast<std::uint8_t>(color), static_cast<std::uint8_t>(color >> 8),
             static_cast<std::uint8_t>(color >> 16));
}

}  // namespace

// CMYK bytes to RGB through the colour manager, remembered per colour.
class TPDFCMYKConverter {
public:
    explicit TPDFCMYKConverter(TPDFColorManager& manager) : manager_(manager) {}
    TColor operator()(std::uint8_t c, std::uint8_t m, std::uint8_t y, std::uint8_t k) {
        const std::uint32_t key = (std::uint32_t{c} << 24) | (std::uint32_t{m} << 16) | (std::uint32_t{y} << 8) | k;
        if (const auto found = cache_.find(key); found != cache_.end()) return found->second;
        TPDFRGBValue rgb;
        manager_.CMYKToRGB(TPDFCMYKValue{c / 255.0, m / 255.0, y / 255.0, k / 255.0}, rgb);
        const TColor color = ClampedSampleByte(rgb.R * 255) | (ClampedSampleByte(rgb.G * 255) << 8) | (ClampedSampleByte(rgb.B * 255) << 16);
        if (cache_.size() < 1 << 16) cache_.emplace(key, color);
        return color;
    }

private:
    TPDFColorManager& manager_;
    std::unordered_map<std::uint32_t, TColor> cache_;
};

void TPDFImageDecoder::DecodeSamples() {
    Drawable = true;
    const int n = ComponentsOf(ColorSpace, DeviceNSpace.get());
    const int bits = BitsPerComponent;
    if (!IsSampleDepth(bits) || n < 1 || n > kMaxComponents || !ImageSizeFits(Width, Height)) {
        Drawable = false;
        return;
    }
    const std::int64_t stride = (static_cast<std::int64_t>(Width) * n * bits + 7) / 8;
    if (stride * Height > kMaxImageBytes) {
        Drawable = false;
        return;
    }
    Data.resize(static_cast<std::size_t>(stride * Height), '\0');
    const bool stencil = MaskKind == kMaskStencil;
    const std::uint32_t maximum = (1u << bits) - 1;

    // Natural ranges of the components, which the Decode array maps samples into.
    std::vector<ComponentRange> natural(static_cast<std::size_t>(n));
    if (ColorSpace == "Lab" && LabSpace) {
        natural = {{0, 100}, {LabSpace->Range[0], LabSpace->Range[1]}, {LabSpace->Range[2], LabSpace->Range[3]}};
    } else if (ColorSpace == "Indexed") {
        natural[0] = {0, static_cast<double>(maximum)};
    }
    const TPDFSampleMapping mapping(natural, DecodeValues(), bits, ColorSpace == "Indexed");

    // A colour key masks the pixels whose every raw sample lies within its range.
    std::vector<std::uint8_t> keyMask;
    std::vector<double> keyLow, keyHigh;
    if (MaskKind == kMaskColorKey) {
        if (ColorKeyRanges.size() == static_cast<std::size_t>(2 * n)) {
            for (int k = 0; k < n; ++k) {
                const double a = ColorKeyRanges[2 * k], b = ColorKeyRanges[2 * k + 1];
                keyLow.push_back(std::ceil(std::min(a, b)));
                keyHigh.push_back(std::floor(std::max(a, b)));
            }
            keyMask.assign(static_cast<std::size_t>(Width) * Height, 255);
        } else {
            MaskKind = kMaskNone;  // a malformed key array masks nothing
        }
    }
    auto sampleRow = [&](int y) { return reinterpret_cast<const std::uint8_t*>(Data.data()) + y * stride; };
    if (!keyMask.empty()) {
        for (int y = 0; y < Height; ++y) {
            const std::uint8_t* row = sampleRow(y);
            for (int x = 0; x < Width; ++x) {
                bool inside = true;
                for (int k = 0; k < n && inside; ++k) {
                    const std::uint32_t s = SampleAt(row, static_cast<std::int64_t>(x) * n + k, bits);
                    inside = s >= keyLow[static_cast<std::size_t>(k)] && s <= keyHigh[static_cast<std::size_t>(k)];
                }
                if (inside) keyMask[static_cast<std::size_t>(y) * Width + x] = 0;
            }
        }
        MaskBitmap = std::make_unique<TBitmap>(Width, Height, pf24bit);
        for (int y = 0; y < Height; ++y) {
            BYTE* row = MaskBitmap->ScanLine(y);
            for (int x = 0; x < Width; ++x) {
                const std::uint8_t v = keyMask[static_cast<std::size_t>(y) * Width + x];
                PutSamplePixel(row, x, v, v, v);
            }
        }
        MaskDecode.clear();
        MaskKind = kMaskImage;
    }

    // One-bit grey stays a one-bit bitmap: the Decode array becomes its two palette colours.
    if (ColorSpace == "DeviceGray" && bits == 1 && !stencil) {
        Bitmap = std::make_unique<TBitmap>(Width, Height, pf1bit);
        const std::uint8_t off = mapping(0, 0), on = mapping(0, 1);
        SetBitmapColorTable(*Bitmap, {RGBQUAD{off, off, off, 0}, RGBQUAD{on, on, on, 0}});
        for (int y = 0; y < Height; ++y) std::memcpy(Bitmap->ScanLine(y), sampleRow(y), static_cast<std::size_t>(stride));
        Decode = "[ 0 1 ]";
        return;
    }

    try {
        Bitmap = std::make_unique<TBitmap>(Width, Height, pf24bit);
        TPDFCMYKConverter cmyk(*ColorManager);
        std::vector<double> components(static_cast<std::size_t>(n));
        const SampleKind kind = SampleKindOf(stencil, ColorSpace, BaseColorSpace, HiVal, DeviceNSpace.get(), SeparationSpace.get());
        const std::size_t entryWidth = kind == SampleKind::IndexedRGB       ? 3
                                       : kind == SampleKind::IndexedCMYK    ? 4
                                       : kind == SampleKind::IndexedDeviceN ? static_cast<std::size_t>(DeviceNSpace->ColorantCount)
                                                                            : 1;
        for (int y = 0; y < Height; ++y) {
            const std::uint8_t* samples = sampleRow(y);
            BYTE* row = Bitmap->ScanLine(y);
            for (int x = 0; x < Width; ++x) {
                const std::int64_t first = static_cast<std::int64_t>(x) * n;
                auto byteOf = [&](int k) { return mapping(static_cast<std::size_t>(k), SampleAt(samples, first + k, bits)); };
                // The palette entry of an indexed sample, when the lookup table holds it.
                auto entry = [&]() -> const std::uint8_t* {
                    const std::size_t i = std::min<std::size_t>(byteOf(0), static_cast<std::size_t>(HiVal));
                    return entryWidth * i + entryWidth <= Lookup.size()
                               ? reinterpret_cast<const std::uint8_t*>(Lookup.data()) + entryWidth * i
                               : nullptr;
                };
                switch (kind) {
                    case SampleKind::Grey: {
                        // Stencils: the samples that paint become white.
                        const std::uint8_t v = stencil ? static_cast<std::uint8_t>(255 - byteOf(0)) : byteOf(0);
                        PutSamplePixel(row, x, v, v, v);
                        break;
                    }
                    case SampleKind::RGB: PutSamplePixel(row, x, byteOf(0), byteOf(1), byteOf(2)); break;
                    case SampleKind::DeviceN:
                        for (int k = 0; k < n; ++k) components[static_cast<std::size_t>(k)] = byteOf(k) / 255.0;
                        DeviceNSpace->SetColor(components);
                        PutSampleColor(row, x, DeviceNSpace->Color);
                        break;
                    case SampleKind::CMYK: PutSampleColor(row, x, cmyk(byteOf(0), byteOf(1), byteOf(2), byteOf(3))); break;
                    case SampleKind::IndexedRGB:
                        if (const std::uint8_t* e = entry()) PutSamplePixel(row, x, e[0], e[1], e[2]);
                        break;
                    case SampleKind::IndexedGrey:
                        if (const std::uint8_t* e = entry()) PutSamplePixel(row, x, e[0], e[0], e[0]);
                        break;
                    case SampleKind::IndexedCMYK:
                        if (const std::uint8_t* e = entry()) PutSampleColor(row, x, cmyk(e[0], e[1], e[2], e[3]));
                        break;
                    case SampleKind::IndexedDeviceN:
                        if (const std::uint8_t* e = entry()) {
                            TPDFDeviceNColor values(entryWidth);
                            for (std::size_t k = 0; k < entryWidth; ++k) values[k] = e[k] / 255.0;
                            DeviceNSpace->SetColor(values);
                            PutSampleColor(row, x, DeviceNSpace->Color);
                        }
                        break;
                    case SampleKind::IndexedSeparation:
                        if (const std::uint8_t* e = entry()) {
                            SeparationSpace->SetTint(e[0] / 255.0);
                            PutSampleColor(row, x, SeparationSpace->Color);
                        }
                        break;
                    case SampleKind::Unpainted: break;
                }
            }
        }
        if (stencil) {
            // Painted samples become palette index 1 of a two-colour PNG.
            auto oneBit = std::make_unique<TBitmap>(Width, Height, pf1bit);
            SetBitmapColorTable(*oneBit, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}});
            for (int y = 0; y < Height; ++y) {
                const BYTE* from = Bitmap->ScanLine(y);
                BYTE* to = oneBit->ScanLine(y);
                std::memset(to, 0, static_cast<std::size_t>((Width + 7) / 8));
                for (int x = 0; x < Width; ++x)
                    if (from[3 * x] >= 128) to[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            }
            Bitmap = std::move(oneBit);
            EncodeBitmapAsPNG();
        }
        if (Bitmap) {
            if (!ICCProfile.empty()) ApplyICCProfile(*Bitmap);
            if (ColorSpace == "Lab" || (ColorSpace == "Indexed" && BaseColorSpace == "Lab")) ConvertLab(*Bitmap);
            if (ColorSpace == "Separation") ConvertSeparation(*Bitmap);
        }
    } catch (...) {
        // The bitmap stays as far as it got.
    }
    Decode = ColorSpace == "Indexed" ? std::string() : "[ 0 1 ]";
    if (MaskKind == kMaskNone && !IsMaskDecoder && !KeepEncoded && Bitmap) {
        Data.clear();
        if (!KeepBitmap) EncodeBitmapAsPNG();
    }
}

// --- Conversions of finished bitmaps -----------------------------------------------------------

void TPDFImageDecoder::ConvertLab(TBitmap& bitmap) {
    if (!LabSpace || bitmap.Empty()) return;
    MakeBitmap24(bitmap);
    double lTable[256], aTable[256], bTable[256];
    for (int i = 0; i < 256; ++i) {
        lTable[i] = i * 100.0 / 255.0;
        aTable[i] = LabSpace->Range[0] + (LabSpace->Range[1] - LabSpace->Range[0]) * i / 255.0;
        bTable[i] = LabSpace->Range[2] + (LabSpace->Range[3] - LabSpace->Range[2]) * i / 255.0;
    }
    LabSpace->ToColor(TPDFLabValue{0, 0, 0}, *ColorManager);  // loads the space's ranges
    std::unordered_map<std::uint32_t, std::uint32_t> cache;
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            BYTE* p = row + 3 * x;
            const std::uint32_t key = p[0] | (p[1] << 8) | (p[2] << 16);
            auto found = cache.find(key);
            if (found == cache.end()) {
                TPDFRGBValue rgb;
                ColorManager->LabToRGB(TPDFLabValue{lTable[p[2]], aTable[p[1]], bTable[p[0]]}, rgb);
                const std::uint32_t value = ClampedSampleByte(rgb.B * 255) | (ClampedSampleByte(rgb.G * 255) << 8) | (ClampedSampleByte(rgb.R * 255) << 16);
                found = cache.emplace(key, value).first;
            }
            p[0] = static_cast<BYTE>(found->second);
            p[1] = static_cast<BYTE>(found->second >> 8);
            p[2] = static_cast<BYTE>(found->second >> 16);
        }
    }
}

void TPDFImageDecoder::ConvertSeparation(TBitmap& bitmap) {
    if (!SeparationSpace || bitmap.Empty()) return;
    MakeBitmap24(bitmap);
    TColor tints[256];
    for (int i = 0; i < 256; ++i) {
        SeparationSpace->SetTint(i / 255.0);
        tints[i] = SeparationSpace->Color;
    }
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) PutSampleColor(row, x, tints[row[3 * x]]);
    }
}

void TPDFImageDecoder::ConvertDeviceN(TBitmap& bitmap) {
    if (!DeviceNSpace || bitmap.Empty() || DeviceNSpace->ColorantCount < 1 || DeviceNSpace->ColorantCount > kMaxComponents)
        return;
    MakeBitmap24(bitmap);
    TColor tints[256];
    TPDFDeviceNColor values(static_cast<std::size_t>(DeviceNSpace->ColorantCount), 0.0);
    for (int i = 0; i < 256; ++i) {
        values[0] = i / 255.0;
        DeviceNSpace->SetColor(values);
        tints[i] = DeviceNSpace->Color;
    }
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) PutSampleColor(row, x, tints[row[3 * x]]);
    }
}

namespace {

struct ProfileDeleter {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};

}  // namespace

// The profile's colours to sRGB when the profile describes the pixels (grey or RGB); any other
// profile leaves the colours as they are. Applied once.
void TPDFImageDecoder::ApplyICCProfile(TBitmap& bitmap) {
    const std::string profileBytes = std::move(ICCProfile);
    ICCProfile.clear();
    if (profileBytes.empty() || bitmap.Empty()) return;
    std::unique_ptr<void, ProfileDeleter> profile(
        cmsOpenProfileFromMem(profileBytes.data(), static_cast<cmsUInt32Number>(profileBytes.size())));
    if (!profile) return;
    const cmsColorSpaceSignature space = cmsGetColorSpace(profile.get());
    if (space != cmsSigGrayData && space != cmsSigRgbData) return;
    std::unique_ptr<void, ProfileDeleter> srgb(cmsCreate_sRGBProfile());
    const bool grey = space == cmsSigGrayData;
    std::unique_ptr<void, TransformDeleter> transform(cmsCreateTransform(
        profile.get(), grey ? TYPE_GRAY_8 : TYPE_BGR_8, srgb.get(), TYPE_BGR_8, INTENT_PERCEPTUAL, 0));
    if (!transform) return;
    MakeBitmap24(bitmap);
    std::vector<std::uint8_t> greys(static_cast<std::size_t>(bitmap.Width()));
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* row = bitmap.ScanLine(y);
        if (grey) {
            for (int x = 0; x < bitmap.Width(); ++x) greys[static_cast<std::size_t>(x)] = row[3 * x];
            cmsDoTransform(transform.get(), greys.data(), row, static_cast<cmsUInt32Number>(bitmap.Width()));
        } else {
            cmsDoTransform(transform.get(), row, row, static_cast<cmsUInt32Number>(bitmap.Width()));
        }
    }
}

}  // namespace parch
