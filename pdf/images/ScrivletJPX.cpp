#include "pdf/images/ScrivletJPX.h"

#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/Streams.h"
#include "framework/graphics/Picture.h"
#include "pdf/images/ScrivletBitmapAccess.h"
#include "pdf/images/ScrivletImageLimits.h"

namespace parch {

namespace {

constexpr const char* kUnknownType = "Unknown JPEG 2000 file type";
constexpr const char* kDecodingFailed = "JPEG 2000 image decoding failed";
constexpr const char* kNoImageStruct = "Failed to create JPEG 2000 image struct for saving";
constexpr const char* kEncodingFailed = "JPEG 2000 image encoding failed";

// Resolution levels of saved files, fewer for small pictures (each level halves the size).
constexpr int kSavedResolutions = 6;

struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

// --- Memory streams ---------------------------------------------------------------------------

struct MemorySource {
    const std::uint8_t* data;
    std::uint64_t size;
    std::uint64_t position = 0;
};

OPJ_SIZE_T ReadSource(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* source = static_cast<MemorySource*>(user);
    if (source->position >= source->size) return static_cast<OPJ_SIZE_T>(-1);
    const std::uint64_t n = std::min<std::uint64_t>(count, source->size - source->position);
    std::memcpy(buffer, source->data + source->position, n);
    source->position += n;
    return n;
}

OPJ_OFF_T SkipSource(OPJ_OFF_T count, void* user) {
    auto* source = static_cast<MemorySource*>(user);
    const auto target = std::clamp<std::int64_t>(static_cast<std::int64_t>(source->position) + count, 0,
                                                 static_cast<std::int64_t>(source->size));
    const OPJ_OFF_T moved = target - static_cast<std::int64_t>(source->position);
    source->position = static_cast<std::uint64_t>(target);
    return moved;
}

OPJ_BOOL SeekSource(OPJ_OFF_T offset, void* user) {
    auto* source = static_cast<MemorySource*>(user);
    if (offset < 0 || static_cast<std::uint64_t>(offset) > source->size) return OPJ_FALSE;
    source->position = static_cast<std::uint64_t>(offset);
    return OPJ_TRUE;
}

StreamPtr SourceStream(MemorySource& source) {
    StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
    if (!stream) return nullptr;
    opj_stream_set_user_data(stream.get(), &source, nullptr);
    opj_stream_set_user_data_length(stream.get(), source.size);
    opj_stream_set_read_function(stream.get(), ReadSource);
    opj_stream_set_skip_function(stream.get(), SkipSource);
    opj_stream_set_seek_function(stream.get(), SeekSource);
    return stream;
}

struct MemoryTarget {
    std::string bytes;
    std::uint64_t position = 0;
};

OPJ_SIZE_T WriteTarget(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* target = static_cast<MemoryTarget*>(user);
    if (target->position + count > target->bytes.size()) target->bytes.resize(target->position + count);
    std::memcpy(target->bytes.data() + target->position, buffer, count);
    target->position += count;
    return count;
}

OPJ_OFF_T SkipTarget(OPJ_OFF_T count, void* user) {
    auto* target = static_cast<MemoryTarget*>(user);
    const std::int64_t position = static_cast<std::int64_t>(target->position) + count;
    if (position < 0) return -1;
    target->position = static_cast<std::uint64_t>(position);
    return count;
}

OPJ_BOOL SeekTarget(OPJ_OFF_T offset, void* user) {
    auto* target = static_cast<MemoryTarget*>(user);
    if (offset < 0) return OPJ_FALSE;
    target->position = static_cast<std::uint64_t>(offset);
    return OPJ_TRUE;
}

StreamPtr TargetStream(MemoryTarget& target) {
    StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE));
    if (!stream) return nullptr;
    opj_stream_set_user_data(stream.get(), &target, nullptr);
    opj_stream_set_write_function(stream.get(), WriteTarget);
    opj_stream_set_skip_function(stream.get(), SkipTarget);
    opj_stream_set_seek_function(stream.get(), SeekTarget);
    return stream;
}

// --- Loading ----------------------------------------------------------------------------------

// What a component stands for, as the JP2 channel definitions say it.
enum ChannelType { kUnassociated = 0, kRed = 1, kGreen = 2, kBlue = 3, kGrey = 4, kCb = 5, kCr = 6, kOpacity = 7 };

// OpenJPEG applies a channel-definition box itself: colour components come back in
// association order and opacity components are marked. Their type follows from the colour
// space; components of a space we do not know (raw codestreams among them) stay unassociated.
ChannelType TypeOf(const opj_image_t& image, OPJ_UINT32 index) {
    if (image.comps[index].alpha) return kOpacity;
    switch (image.color_space) {
    case OPJ_CLRSPC_SRGB: return index < 3 ? static_cast<ChannelType>(kRed + index) : kUnassociated;
    case OPJ_CLRSPC_GRAY: return index == 0 ? kGrey : kUnassociated;
    case OPJ_CLRSPC_SYCC: return index < 3 ? static_cast<ChannelType>(kGrey + index) : kUnassociated;
    default: return kUnassociated;
    }
}

// The byte of the pixel a component goes to (blue 0, green 1, red 2, opacity 3); -1 for none.
int TargetByte(const opj_image_t& image, OPJ_UINT32 index, int used) {
    switch (TypeOf(image, index)) {
    case kRed: return 2;
    case kGreen:
    case kCb: return 1;
    case kBlue:
    case kCr: return 0;
    case kGrey: return image.color_space == OPJ_CLRSPC_SYCC ? 2 : 0;
    case kOpacity: return used == 4 ? 3 : -1;
    case kUnassociated: {
        const bool known = image.color_space == OPJ_CLRSPC_SRGB || image.color_space == OPJ_CLRSPC_GRAY ||
                           image.color_space == OPJ_CLRSPC_SYCC;
        // A surplus component of a known space would overwrite a colour: only a free
        // fourth byte takes it.
        if (known) return used == 4 && index == 3 ? 3 : -1;
        return used - 1 - static_cast<int>(index);
    }
    }
    return -1;
}

BYTE SampleToByte(std::int64_t sample, std::int64_t offset, int precision) {
    if (precision == 8) return static_cast<BYTE>((sample + offset) & 0xFF);
    const std::int64_t maximum = (std::int64_t{1} << precision) - 1;
    return static_cast<BYTE>(std::clamp<std::int64_t>((sample + offset) * 255 / maximum, 0, 255));
}

// A component's samples as bytes: one table look-up per sample for precisions up to 16 bits.
class SampleConverter {
public:
    explicit SampleConverter(const opj_image_comp_t& component)
        : precision_(static_cast<int>(component.prec)),
          offset_(component.sgnd ? std::int64_t{1} << (component.prec - 1) : 0) {
        if (precision_ <= 16) {
            table_.resize(std::size_t{1} << precision_);
            for (std::int64_t value = 0; value < static_cast<std::int64_t>(table_.size()); ++value)
                table_[static_cast<std::size_t>(value)] = SampleToByte(value - offset_, offset_, precision_);
        }
    }
    BYTE operator()(OPJ_INT32 sample) const {
        const std::int64_t index = sample + offset_;
        if (index >= 0 && index < static_cast<std::int64_t>(table_.size())) return table_[static_cast<std::size_t>(index)];
        return SampleToByte(sample, offset_, precision_);
    }

private:
    int precision_;
    std::int64_t offset_;
    std::vector<BYTE> table_;
};

// Puts sample (j, i) of the component at pixel (j * dx, i * dy), repeated over its dx by dy
// block, in one byte of each pixel.
void CopyComponent(const opj_image_comp_t& component, TBitmap& bitmap, int byte, int bytesPerPixel) {
    if (!component.data || component.prec < 1 || component.prec > 31) return;
    const SampleConverter convert(component);
    const std::int64_t dx = std::max<OPJ_UINT32>(1, component.dx), dy = std::max<OPJ_UINT32>(1, component.dy);
    const std::int64_t width = bitmap.Width(), height = bitmap.Height();
    const auto columns = static_cast<std::int64_t>(component.w);
    const std::int64_t usedColumns = std::min<std::int64_t>(columns, (width + dx - 1) / dx);
    for (std::int64_t i = 0; i < component.h && i * dy < height; ++i) {
        const OPJ_INT32* samples = component.data + i * columns;
        for (std::int64_t y = i * dy; y < std::min(height, (i + 1) * dy); ++y) {
            BYTE* row = bitmap.ScanLine(static_cast<int>(y)) + byte;
            if (dx == 1) {
                for (std::int64_t j = 0; j < usedColumns; ++j) row[j * bytesPerPixel] = convert(samples[j]);
                continue;
            }
            for (std::int64_t j = 0; j < usedColumns; ++j) {
                const BYTE value = convert(samples[j]);
                for (std::int64_t x = j * dx; x < std::min(width, (j + 1) * dx); ++x) row[x * bytesPerPixel] = value;
            }
        }
    }
}

// Where each used component goes: its byte in the pixel, or -1.
struct ComponentTarget {
    const opj_image_comp_t* Component;
    int Byte;
};

// Whether every targeted component covers the bitmap sample for pixel, so that rows can be
// written in one pass.
bool FullResolution(const std::vector<ComponentTarget>& targets, const TBitmap& bitmap) {
    for (const ComponentTarget& target : targets) {
        const opj_image_comp_t& component = *target.Component;
        if (!component.data || component.prec < 1 || component.prec > 16 || component.dx != 1 || component.dy != 1 ||
            component.w < static_cast<OPJ_UINT32>(bitmap.Width()) || component.h < static_cast<OPJ_UINT32>(bitmap.Height()))
            return false;
    }
    return true;
}

// Full-resolution components interleaved into the bitmap's rows in one pass: each row of the
// decoded planes is read once and every pixel written once.
void InterleaveComponents(const std::vector<ComponentTarget>& targets, TBitmap& bitmap, int bytesPerPixel) {
    std::vector<SampleConverter> converters;
    converters.reserve(targets.size());
    for (const ComponentTarget& target : targets) converters.emplace_back(*target.Component);
    const std::size_t count = targets.size();
    const int width = bitmap.Width();
    std::vector<const OPJ_INT32*> samples(count);
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (std::size_t c = 0; c < count; ++c)
            samples[c] = targets[c].Component->data + static_cast<std::int64_t>(y) * targets[c].Component->w;
        BYTE* row = bitmap.ScanLine(y);
        if (count == 3) {
            const OPJ_INT32 *s0 = samples[0], *s1 = samples[1], *s2 = samples[2];
            BYTE *b0 = row + targets[0].Byte, *b1 = row + targets[1].Byte, *b2 = row + targets[2].Byte;
            for (int x = 0; x < width; ++x) {
                const std::size_t at = static_cast<std::size_t>(x) * static_cast<std::size_t>(bytesPerPixel);
                b0[at] = converters[0](s0[x]);
                b1[at] = converters[1](s1[x]);
                b2[at] = converters[2](s2[x]);
            }
            continue;
        }
        for (int x = 0; x < width; ++x) {
            BYTE* pixel = row + static_cast<std::size_t>(x) * static_cast<std::size_t>(bytesPerPixel);
            for (std::size_t c = 0; c < count; ++c) pixel[targets[c].Byte] = converters[c](samples[c][x]);
        }
    }
}

BYTE RoundToByte(double value) { return static_cast<BYTE>(std::clamp(std::nearbyint(value), 0.0, 255.0)); }

// sYCC held as Y in byte 2, Cb in byte 1, Cr in byte 0, turned into red, green, blue.
void ConvertSYCC(TBitmap& bitmap, int bytesPerPixel) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* pixel = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, pixel += bytesPerPixel) {
            const double luma = pixel[2], cb = pixel[1] - 128.0, cr = pixel[0] - 128.0;
            pixel[2] = RoundToByte(luma + 1.402 * cr);
            pixel[1] = RoundToByte(luma - 0.34414 * cb - 0.71414 * cr);
            pixel[0] = RoundToByte(luma + 1.772 * cb);
        }
    }
}

void SetGreyPalette(TBitmap& bitmap) {
    std::vector<RGBQUAD> colors(256);
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<BYTE>(i);
        colors[static_cast<std::size_t>(i)] = RGBQUAD{level, level, level, 0};
    }
    SetBitmapColorTable(bitmap, colors);
}

bool HeaderFits(const opj_image_t& image) {
    if (image.x1 <= image.x0 || image.y1 <= image.y0 || image.numcomps < 1) return false;
    const std::int64_t width = std::int64_t{image.x1} - image.x0, height = std::int64_t{image.y1} - image.y0;
    if (!ImageSizeFits(width, height)) return false;
    // Every component is held as 32-bit samples while decoding.
    return std::int64_t{image.numcomps} * width * height * 4 <= kMaxImageBytes;
}

// --- Saving -----------------------------------------------------------------------------------

int ResolutionsFor(int width, int height) {
    int levels = 1;
    while (levels < kSavedResolutions && (std::min(width, height) >> levels) > 0) ++levels;
    return levels;
}

void RegisterPictureFormats() {
    for (const char* extension : {"jp2", "j2k", "jpc"}) {
        TPicture::RegisterFileFormat(extension, "JPEG 2000 Image", [] { return std::make_unique<TJpeg2000Bitmap>(); });
    }
}

const bool registered = (RegisterPictureFormats(), true);

}  // namespace

double Jpeg2000Rate(std::int64_t width, std::int64_t height, int components, int quality, bool lossless) {
    if (lossless) return 0;
    const double n = static_cast<double>(width * height * components);
    const double step = 115.0 - std::clamp(quality, 0, 100);
    return n / (n * 100.0 / (step * step) + 550.0 + 142.0 * (components - 1));
}

void TJpeg2000Bitmap::LoadFromStream(TStream& stream) {
    static_cast<void>(registered);
    const std::int64_t start = stream.GetPosition();
    // A memory stream's bytes are read where they lie; other streams are read into a copy.
    std::string copied;
    std::string_view bytes;
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
        const std::string& held = memory->Bytes();
        const auto from = static_cast<std::size_t>(std::clamp<std::int64_t>(start, 0, static_cast<std::int64_t>(held.size())));
        bytes = std::string_view(held).substr(from);
        stream.Seek(0, TSeekOrigin::soEnd);  // as if read; success moves back after the bytes used
    } else {
        copied = stream.ReadToEnd();
        bytes = copied;
    }
    static const unsigned char kJP2Signature[] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20};
    static const unsigned char kCodestreamStart[] = {0xFF, 0x4F, 0xFF, 0x51};
    if (bytes.size() < 8) throw EJpeg2000Error(kUnknownType);
    OPJ_CODEC_FORMAT format;
    if (std::memcmp(bytes.data(), kJP2Signature, 8) == 0) format = OPJ_CODEC_JP2;
    else if (std::memcmp(bytes.data(), kCodestreamStart, 4) == 0) format = OPJ_CODEC_J2K;
    else throw EJpeg2000Error(kUnknownType);

    CodecPtr codec(opj_create_decompress(format));
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (KeepCodedComponents) parameters.flags |= OPJ_DPARAMETERS_IGNORE_PCLR_CMAP_CDEF_FLAG;
    MemorySource source{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    StreamPtr input = SourceStream(source);
    if (!codec || !input || !opj_setup_decoder(codec.get(), &parameters)) throw EJpeg2000Error(kDecodingFailed);
    opj_image_t* header = nullptr;
    const bool headerRead = opj_read_header(input.get(), codec.get(), &header);
    ImagePtr image(header);
    if (!headerRead || !image || !HeaderFits(*image)) throw EJpeg2000Error(kDecodingFailed);
    if (!opj_decode(codec.get(), input.get(), image.get()) || !opj_end_decompress(codec.get(), input.get()))
        throw EJpeg2000Error(kDecodingFailed);
    stream.SetPosition(start + static_cast<std::int64_t>(std::min<std::uint64_t>(source.position, bytes.size())));

    const int width = static_cast<int>(image->x1 - image->x0), height = static_cast<int>(image->y1 - image->y0);
    const int components = static_cast<int>(image->numcomps);
    const int used = components == 3 || components == 4 ? components : 1;
    SetSize(0, 0);
    SetPixelFormat(used == 3 ? pf24bit : used == 4 ? pf32bit : pf8bit);
    SetSize(width, height);
    if (used == 1) {
        SetGreyPalette(*this);
        CopyComponent(image->comps[0], *this, 0, 1);
    } else {
        std::vector<ComponentTarget> targets;
        for (int index = 0; index < used; ++index) {
            const int byte = TargetByte(*image, static_cast<OPJ_UINT32>(index), used);
            if (byte >= 0) targets.push_back({&image->comps[index], byte});
        }
        if (FullResolution(targets, *this)) {
            InterleaveComponents(targets, *this, used);
        } else {
            for (const ComponentTarget& target : targets) CopyComponent(*target.Component, *this, target.Byte, used);
        }
        if (image->color_space == OPJ_CLRSPC_SYCC) ConvertSYCC(*this, used);
    }
    Changed();
}

void TJpeg2000Bitmap::SaveToStream(TStream& stream) {
    TBitmap source;
    source.Assign(this);
    if (source.PixelFormat() != pf24bit && source.PixelFormat() != pf32bit) source.SetPixelFormat(pf24bit);
    const int components = source.PixelFormat() == pf32bit ? 4 : 3;
    const int width = source.Width(), height = source.Height();
    if (width < 1 || height < 1) throw EJpeg2000Error(kNoImageStruct);

    std::vector<opj_image_cmptparm_t> parameters(static_cast<std::size_t>(components));
    for (opj_image_cmptparm_t& parameter : parameters) {
        parameter = opj_image_cmptparm_t{};
        parameter.dx = parameter.dy = 1;
        parameter.w = static_cast<OPJ_UINT32>(width);
        parameter.h = static_cast<OPJ_UINT32>(height);
        parameter.prec = 8;
        parameter.sgnd = 0;
    }
    ImagePtr image(opj_image_create(static_cast<OPJ_UINT32>(components), parameters.data(), OPJ_CLRSPC_SRGB));
    if (!image) throw EJpeg2000Error(kNoImageStruct);
    image->x1 = static_cast<OPJ_UINT32>(width);
    image->y1 = static_cast<OPJ_UINT32>(height);
    if (components == 4) image->comps[3].alpha = 1;
    static const int kSourceByte[] = {2, 1, 0, 3};
    for (int y = 0; y < height; ++y) {
        const BYTE* row = source.ScanLine(y);
        for (int c = 0; c < components; ++c) {
            OPJ_INT32* samples = image->comps[c].data + static_cast<std::int64_t>(y) * width;
            for (int x = 0; x < width; ++x) samples[x] = row[x * components + kSourceByte[c]];
        }
    }

    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    settings.numresolution = ResolutionsFor(width, height);
    settings.tcp_numlayers = 1;
    settings.cp_disto_alloc = 1;
    settings.tcp_rates[0] = static_cast<float>(Jpeg2000Rate(width, height, components, Quality, Lossless));
    CodecPtr codec(opj_create_compress(OPJ_CODEC_JP2));
    MemoryTarget target;
    StreamPtr output = TargetStream(target);
    if (!codec || !output || !opj_setup_encoder(codec.get(), &settings, image.get()) ||
        !opj_start_compress(codec.get(), image.get(), output.get()) || !opj_encode(codec.get(), output.get()) ||
        !opj_end_compress(codec.get(), output.get()))
        throw EJpeg2000Error(kEncodingFailed);
    output.reset();
    stream.WriteString(target.bytes);
}

}  // namespace parch
