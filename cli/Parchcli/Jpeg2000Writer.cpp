#include "cli/Parchcli/Jpeg2000Writer.h"

#include <openjpeg.h>

#include "cli/Parchcli/FreeImageBitmap.h"

#include <algorithm>
#include <memory>

namespace parch {

namespace {

constexpr int kMaxResolutions = 6;

struct ImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};

bool IsGrey8(FIBITMAP* dib) {
    return FreeImage_GetImageType(dib) == FIT_BITMAP && FreeImage_GetBPP(dib) == 8 &&
           FreeImage_GetColorType(dib) == FIC_MINISBLACK;
}

// Each level halves the image; the smallest level must keep at least one pixel.
int ResolutionsFor(unsigned width, unsigned height) {
    int levels = 1;
    for (unsigned side = std::min(width, height); side >= 2 && levels < kMaxResolutions; side /= 2) ++levels;
    return levels;
}

std::unique_ptr<opj_image_t, ImageDeleter> ToOpenJpegImage(FIBITMAP* dib, bool grey) {
    const unsigned width = FreeImage_GetWidth(dib), height = FreeImage_GetHeight(dib);
    const int components = grey ? 1 : 3;
    opj_image_cmptparm_t parameters[3] = {};
    for (opj_image_cmptparm_t& p : parameters) {
        p.dx = p.dy = 1;
        p.w = width;
        p.h = height;
        p.prec = 8;
    }
    std::unique_ptr<opj_image_t, ImageDeleter> image(
        opj_image_create(static_cast<OPJ_UINT32>(components), parameters, grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
    if (!image) return nullptr;
    image->x1 = width;
    image->y1 = height;
    const int channelOf[3] = {FI_RGBA_RED, FI_RGBA_GREEN, FI_RGBA_BLUE};
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(dib, static_cast<int>(height - 1 - y));  // bottom-up
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
    if (!grey && FreeImage_GetBPP(image) != 24) {
        colour.reset(FreeImage_ConvertTo24Bits(image));
        if (!colour) return false;
        image = colour.get();
    }
    const auto source = ToOpenJpegImage(image, grey);
    if (!source) return false;

    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.tcp_rates[0] = static_cast<float>(rate);
    parameters.cp_disto_alloc = 1;
    parameters.tcp_mct = grey ? 0 : 1;
    parameters.numresolution = ResolutionsFor(FreeImage_GetWidth(image), FreeImage_GetHeight(image));

    const std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_compress(OPJ_CODEC_JP2));
    if (!codec || !opj_setup_encoder(codec.get(), &parameters, source.get())) return false;
    const std::unique_ptr<opj_stream_t, StreamDeleter> stream(
        opj_stream_create_default_file_stream(path.c_str(), OPJ_FALSE));
    if (!stream) return false;
    return opj_start_compress(codec.get(), source.get(), stream.get()) &&
           opj_encode(codec.get(), stream.get()) && opj_end_compress(codec.get(), stream.get());
}

}  // namespace parch
