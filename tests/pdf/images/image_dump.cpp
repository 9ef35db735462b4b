// parch_image_dump FILE OUT.png [NAME [FILL]]: decodes the image XObject NAME (the first one when
// absent) of page 1, paints it on white with [W 0 0 -H 0 H] and writes the picture as PNG.
// FILL is the stencil colour as RRGGBB in hexadecimal.
// parch_image_dump --decode-png IN.png OUT.rgba: the PNG reader's pixels as R, G, B, A bytes.
// parch_image_dump --write-files FOLDER: the PNG and TIFF writers' files of a test picture (RGB,
// RGBA, two-entry palette, patched palette, baseline TIFF, wrapped fax strip) for outside readers.

#ifdef PARCH_IMAGE_DUMP_TOOL

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/Streams.h"
#include "pdf/images/ScrivletPNG.h"
#include "pdf/images/ScrivletTIFF.h"
#include "tests/pdf/images/ImageTestSupport.h"

namespace {

using namespace parch;

int DecodePNGFile(const char* in, const char* out) {
    TMemoryStream file;
    file.LoadFromFile(in);
    TPNGPixels pixels;
    if (!DecodePNGPixels(file.Bytes(), pixels)) {
        std::fprintf(stderr, "cannot read %s\n", in);
        return 1;
    }
    std::string rgba;
    for (const std::uint32_t value : pixels.Pixels) {
        rgba.push_back(static_cast<char>(value >> 16));
        rgba.push_back(static_cast<char>(value >> 8));
        rgba.push_back(static_cast<char>(value));
        rgba.push_back(static_cast<char>(value >> 24));
    }
    TStringStream(rgba).SaveToFile(out);
    return 0;
}

void Save(TMemoryStream& stream, const std::string& path) { stream.SaveToFile(path); }

int WriteFiles(const std::string& folder) {
    TBitmap picture(37, 21, pf24bit);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x) {
            BYTE* p = picture.ScanLine(y) + 3 * x;
            p[0] = static_cast<BYTE>(x * 7);
            p[1] = static_cast<BYTE>(y * 12);
            p[2] = static_cast<BYTE>((x + y) * 5);
        }
    TBitmap mask(10, 5, pf24bit);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) std::memset(mask.ScanLine(y) + 3 * x, (x * 25 + y * 10) & 255, 3);
    TBitmap oneBit(19, 7, pf1bit);
    for (int y = 0; y < 7; ++y)
        for (int i = 0; i < 3; ++i) oneBit.ScanLine(y)[i] = static_cast<BYTE>(0xA5 ^ (y * 17 + i));

    TMemoryStream rgb, rgba, palette, tiff, fax;
    TPNGWriter rgbWriter(picture);
    rgbWriter.SetResolution(300);
    rgbWriter.SaveToStream(rgb);
    TPNGWriter rgbaWriter(picture);
    rgbaWriter.SetAlphaMask(&mask, false);
    rgbaWriter.SaveToStream(rgba);
    TPNGWriter(oneBit).SaveToStream(palette);
    Save(rgb, folder + "/rgb.png");
    Save(rgba, folder + "/rgba.png");
    Save(palette, folder + "/palette.png");
    TPDFImageDecoder decoder;
    decoder.PatchPNGPalette(palette, "SetTrans", 0x3366CC);
    Save(palette, folder + "/palette-trans.png");
    if (!SaveBitmapAsTIFF(picture, tiff, TGDIPlusSettings{}, 150)) return 1;
    Save(tiff, folder + "/rgb.tif");
    // Noise fills the LZW table, so strips go through code-width changes and table resets.
    TBitmap noise(300, 200, pf24bit);
    std::uint32_t state = 12345;
    for (int y = 0; y < 200; ++y)
        for (int i = 0; i < 900; ++i) {
            state = state * 1103515245u + 12345u;
            noise.ScanLine(y)[i] = static_cast<BYTE>((state >> 16) & (i % 3 == 0 ? 0xFF : 0x0F));
        }
    TMemoryStream noiseTiff;
    if (!SaveBitmapAsTIFF(noise, noiseTiff, TGDIPlusSettings{}, 0)) return 1;
    Save(noiseTiff, folder + "/noise.tif");
    TMemoryStream noisePng;
    TPNGWriter(noise).SaveToStream(noisePng);
    Save(noisePng, folder + "/noise.png");
    // An uncompressed-as-LZW stand-in is not needed: a one-row Group 4 strip of an all-white row
    // (vertical mode 0 at the row end) is a real, tiny fax image.
    TPDFTIFFMaker maker;
    maker.Strip = std::string("\x80\x00", 2);
    maker.Columns = 8;
    maker.Rows = 1;
    maker.Kind = kTIFFGroup4;
    maker.SaveToStream(fax);
    Save(fax, folder + "/fax.tif");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace parch;
    if (argc == 4 && std::string(argv[1]) == "--decode-png") return DecodePNGFile(argv[2], argv[3]);
    if (argc == 3 && std::string(argv[1]) == "--write-files") return WriteFiles(argv[2]);
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: parch_image_dump FILE OUT.png [NAME [FILL]]\n");
        return 2;
    }
    TColor fill = 0;
    if (argc == 5) {
        const unsigned long rgb = std::strtoul(argv[4], nullptr, 16);
        fill = static_cast<TColor>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }
    imagetest::PaintedImage painted = imagetest::PaintPageImage(argv[1], argc >= 4 ? argv[3] : "", fill);
    if (!painted.Picture) {
        std::fprintf(stderr, "%s\n", painted.Error.c_str());
        return 1;
    }
    TMemoryStream png;
    TPNGWriter(*painted.Picture).SaveToStream(png);
    try {
        png.SaveToFile(argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[2], error.what());
        return 1;
    }
    return painted.Decoder && painted.Decoder->Drawable ? 0 : 3;
}

#endif
