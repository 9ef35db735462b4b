// parch_render_page FILE PAGE DPI OUT.bmp [PASSWORD]: opens the file with the API object,
// renders the page as a BMP (output kind 0) into OUT.bmp, prints the render's message to
// standard error and exits 0 when the render call answered 1. PARCH_RENDER_KIND in the
// environment asks for another output kind (2 WMF, 3 EMF, 8 EMF+...).
// parch_render_page --text FILE PAGE [PASSWORD]: runs the page through the text funnel and
// prints the text of each of its blocks as one UTF-8 line, leaving out the characters that lie
// wholly outside the page's media box (as pdftotext sees the page by default).

#ifdef PARCH_RENDER_PAGE_TOOL

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Streams.h"
#include "pdf/core/Scrivlet0813.h"
#include "pdf/core/ScrivletUnicode.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletRenderCall.h"
#include "pdf/render/ScrivletRenderer.h"
#include "pdf/render/ScrivletTextFunnel.h"

namespace {

struct PageBox {
    double X1 = 0, Y1 = 0, X2 = 612, Y2 = 792;
    bool Holds(parch::TPDFPoint p) const { return p.X >= X1 && p.X <= X2 && p.Y >= Y1 && p.Y <= Y2; }
};

// The block's characters that reach onto the page: a corner of their box (start and end placed
// along the block's baseline by the advances, and the same raised to the block's top) lies
// inside the page box.
std::u16string TextOnPage(const parch::TPDFTextFunnelBlock& block, const PageBox& box) {
    const double dx = block.BaseEnd.X - block.BaseStart.X, dy = block.BaseEnd.Y - block.BaseStart.Y;
    const double length = std::hypot(dx, dy);
    auto point = [&](double along) {
        return length > 0 ? parch::TPDFPoint{block.BaseStart.X + dx / length * along,
                                             block.BaseStart.Y + dy / length * along}
                          : block.BaseStart;
    };
    // A block wholly on the page keeps every character, whichever way its text runs.
    if (box.Holds(block.BaseStart) && box.Holds(block.BaseEnd) && box.Holds(block.TopStart) && box.Holds(block.TopEnd))
        return block.Text;
    std::u16string kept;
    double along = 0;
    for (std::size_t i = 0; i < block.Text.size(); ++i) {
        const double advance = i < block.Advances.size() ? block.Advances[i] : 0;
        const parch::TPDFPoint up{block.TopStart.X - block.BaseStart.X, block.TopStart.Y - block.BaseStart.Y};
        bool onPage = false;
        for (const double at : {along, along + advance}) {
            const parch::TPDFPoint base = point(at);
            onPage = onPage || box.Holds(base) || box.Holds({base.X + up.X, base.Y + up.Y});
        }
        if (onPage) kept += block.Text[i];
        along += advance;
    }
    return kept;
}

int PrintPageText(const char* path, int page, const std::string& password) {
    using namespace parch;
    TScrivlet0813 api;
    if (api.OpenPdfFile(path, Utf8ToWide(password)) != 1) {
        std::fprintf(stderr, "cannot open %s (error %d)\n", path, api.ErrorCode());
        return 1;
    }
    TPDFPageTree* pageTree = api.SelectedDocument() ? api.SelectedDocument()->PageTree() : nullptr;
    if (!pageTree || page < 1 || page > api.CountPages()) {
        std::fprintf(stderr, "no page %d in %s\n", page, path);
        return 1;
    }
    TPDFFontCollection fonts;
    TPDFRenderer renderer(&fonts);
    renderer.Kind = kRenderTextFunnel;
    renderer.Resolution = 72;
    renderer.Page = pageTree->GetPageDict(page);
    fonts.RasterizeGlyphs = true;  // as the page output loads fonts
    const bool rendered = renderer.PreparePage();
    if (!renderer.ErrorText.empty()) std::fprintf(stderr, "%s\n", renderer.ErrorText.c_str());
    PageBox box;
    renderer.GetPageBox("MediaBox", box.X1, box.Y1, box.X2, box.Y2);
    for (const TPDFTextFunnelBlock& block : renderer.TextFunnel->Blocks)
        std::printf("%s\n", WideToUtf8(TextOnPage(block, box)).c_str());
    return rendered ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace parch;
    if (argc >= 4 && argc <= 5 && std::string(argv[1]) == "--text")
        return PrintPageText(argv[2], std::atoi(argv[3]), argc == 5 ? argv[4] : "");
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
    // The page goes straight into the file, as a program saving pages would write it; a page
    // that produced nothing leaves no file behind.
    const char* kind = std::getenv("PARCH_RENDER_KIND");
    int answer = 0;
    bool written = false;
    try {
        TFileStream output(argv[4], fmCreate);
        answer = RenderPageImage(api, std::atoi(argv[3]), std::atoi(argv[2]), kind ? std::atoi(kind) : 0, output);
        written = output.GetSize() > 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[4], error.what());
        std::remove(argv[4]);
        return 1;
    }
    if (!api.Message().empty()) std::fprintf(stderr, "%s\n", api.Message().c_str());
    if (!written) std::remove(argv[4]);
    return answer == 1 ? 0 : 1;
}

#endif
