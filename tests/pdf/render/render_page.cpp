// parch_render_page FILE PAGE DPI OUT.bmp [PASSWORD]: opens the file with the API object,
// renders the page as a BMP (output kind 0) into OUT.bmp, prints the render's message to
// standard error and exits 0 when the render call answered 1. PARCH_RENDER_KIND in the
// environment asks for another output kind (2 WMF, 3 EMF, 8 EMF+...).

#ifdef PARCH_RENDER_PAGE_TOOL

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Streams.h"
#include "pdf/core/Scrivlet0813.h"
#include "pdf/core/ScrivletUnicode.h"
#include "pdf/render/ScrivletRenderCall.h"

int main(int argc, char** argv) {
    using namespace parch;
    if (argc < 5 || argc > 6) {
        std::fprintf(stderr, "usage: parch_render_page FILE PAGE DPI OUT.bmp [PASSWORD]\n");
        return 2;
    }
    const std::string password = argc == 6 ? argv[5] : "";
    TScrivlet0813 api;
    if (api.OpenPdfFile(argv[1], Utf8ToWide(password)) != 1) {
        std::fprintf(stderr, "cannot open %s (error %d)\n", argv[1], api.ErrorCode());
        return 1;
    }
    TMemoryStream bitmap;
    const char* kind = std::getenv("PARCH_RENDER_KIND");
    const int answer = RenderPageImage(api, std::atoi(argv[3]), std::atoi(argv[2]), kind ? std::atoi(kind) : 0, bitmap);
    if (!api.Message().empty()) std::fprintf(stderr, "%s\n", api.Message().c_str());
    if (bitmap.GetSize() > 0) {
        try {
            bitmap.SaveToFile(argv[4]);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "cannot write %s: %s\n", argv[4], error.what());
            return 1;
        }
    }
    return answer == 1 ? 0 : 1;
}

#endif
