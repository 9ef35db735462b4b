#include "cli/Jpeg2000Writer.h"

#include "cli/FreeImageBitmap.h"
#include "cli/ImageLibraries.h"

#include <algorithm>
#include <memory>

namespace parch {

namespace {

constexpr int kMaxResolutions = 6;

struct ImageDeleter {
    void operator()(opj_image_t* image) const { OpenJpeg().ImageDestroy(image); }
};
struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { OpenJpeg().DestroyCodec(codec); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { OpenJpeg().StreamDestroy(stream); }
};

bool IsGrey8(FIBITMAP* dib) {
    return FreeImage().GetImageType(dib) == FIT_BITMAP && FreeImage().GetBPP(dib) == 8 &&
           FreeImage().GetColorType(dib) == FIC_MINISBLACK;
}

// Each level halves the image; the smallest level must keep at least one pixel.
int ResolutionsFor(unsigned width, unsigned height) {
    int levels = 1;
    for (unsigned side = std::min(width, height); side >= 2 && levels < kMaxResolutions; side /= 2) ++levels;
    return levels;
}

std::unique_ptr<opj_image_t, ImageDeleter> ToOpenJpegImage(FIBITMAP* dib, bool grey) {
    const unsigned width = FreeImage().GetWidth(dib), height = FreeImage().GetHeight(dib);
    const int components = grey ? 1 : 3;
    opj_image_cmptparm_t parameters[3] = {};
    for (opj_image_cmptparm_t& p : parameters) {
        p.dx = p.dy = 1;
        p.w = width;
        p.h = height;
        p.prec = 8;
    }
    std::unique_ptr<opj_image_t, ImageDeleter> image(
        OpenJpeg().ImageCreate(static_cast<OPJ_UINT32>(components), parameters, grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
    if (!image) return nullptr;
    image->x1 = width;
    image->y1 = height;
    const int channelOf[3] = {FI_RGBA_RED, FI_RGBA_GREEN, FI_RGBA_BLUE};
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* row = FreeImage().GetScanLine(dib, static_cast<int>(height - 1 - y));  // bottom-up
        for (unsigned x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                image->comps[c].data[std::size_t{y} * width + x] = grey ? row[x] : row[x * 3 + channelOf[c]];
    }
    return image;
}

}  // namespace

bool SaveJpeg2000(FIBITMAP* image, const std::string& path, int rate) {
    const bool grey = IsGrey8(image);
    FreeImageBitmap colour;
    if (!grey && FreeImage().GetBPP(image) != 24) {
        colour.reset(FreeImage().ConvertTo24Bits(image));
        if (!colour) return false;
        image = colour.get();
    }
    const auto source = ToOpenJpegImage(image, grey);
    if (!source) return false;

    opj_cparameters_t parameters;
    OpenJpeg().SetDefaultEncoderParameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.tcp_rates[0] = static_cast<float>(rate);
    parameters.cp_disto_alloc = 1;
    parameters.tcp_mct = grey ? 0 : 1;
    parameters.numresolution = ResolutionsFor(FreeImage().GetWidth(image), FreeImage().GetHeight(image));

    const std::unique_ptr<opj_codec_t, CodecDeleter> codec(OpenJpeg().CreateCompress(OPJ_CODEC_JP2));
    if (!codec || !OpenJpeg().SetupEncoder(codec.get(), &parameters, source.get())) return false;
    const std::unique_ptr<opj_stream_t, StreamDeleter> stream(
        OpenJpeg().StreamCreateDefaultFileStream(path.c_str(), OPJ_FALSE));
    if (!stream) return false;
    return OpenJpeg().StartCompress(codec.get(), source.get(), stream.get()) &&
           OpenJpeg().Encode(codec.get(), stream.get()) && OpenJpeg().EndCompress(codec.get(), stream.get());
}

}  // namespace parch
