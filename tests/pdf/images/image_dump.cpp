// parch_image_dump FILE OUT.png [NAME [FILL]]: decodes the image XObject NAME (the first one when
// absent) of page 1, paints it on white with [W 0 0 -H 0 H] and writes the picture as PNG.
// FILL is the stencil colour as RRGGBB in hexadecimal.

#ifdef PARCH_IMAGE_DUMP_TOOL

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Streams.h"
#include "pdf/images/ScrivletPNG.h"
#include "tests/pdf/images/ImageTestSupport.h"

int main(int argc, char** argv) {
    using namespace parch;
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
