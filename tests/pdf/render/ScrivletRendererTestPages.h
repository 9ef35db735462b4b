#pragma once
// Small one-page documents for the renderer's tests, and a render of one page with access to
// its pixels, its error text and the final graphics state of its runs.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletRenderer.h"
#include "tests/pdf/core/PdfBuilder.h"

namespace parch::rendertest {

inline constexpr std::uint32_t kRed = 0xFF0000;
inline constexpr std::uint32_t kBlue = 0x0000FF;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kBlack = 0x000000;

struct PageSpec {
    std::string Content;
    std::string MediaBox = "[0 0 100 100]";
    std::string PageExtra;   // more page entries
    std::string Resources;   // the resource dictionary's entries
    std::map<int, std::string> Objects;  // more objects, numbered from 5
};

// Catalog 1, pages 2, page 3, content 4.
inline std::string StreamObject(const std::string& dictionaryEntries, const std::string& data) {
    return "<< " + dictionaryEntries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}

inline std::string OnePagePdf(const PageSpec& pageSpec) {
    testpdf::PdfParts parts = testpdf::PagesParts("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    parts.Objects[3] = "<< /Type /Page /Parent 2 0 R /MediaBox " + pageSpec.MediaBox + " /Resources << " +
                       pageSpec.Resources + " >> /Contents 4 0 R " + pageSpec.PageExtra + " >>";
    parts.Objects[4] = StreamObject("", pageSpec.Content);
    for (const auto& [number, text] : pageSpec.Objects) parts.Objects[number] = text;
    return testpdf::BuildPdf(parts);
}

// One page rendered through PreparePage.
class PageRender {
public:
    explicit PageRender(const std::string& file, std::uint8_t kind = kRenderBitmap, double resolution = 72,
                        std::int32_t page = 1)
        : renderer_(&fonts_) {
        fonts_.RasterizeGlyphs = true;  // as the page output makes its collection
        EXPECT_EQ(testpdf::Read(document_, file), 0) << "the test document does not open";
        renderer_.Kind = kind;
        renderer_.Resolution = resolution;
        renderer_.GDIPlusSettings.UseGDIPlus = 1;  // as the API object renders
        renderer_.OnRunFinished = [this](const TPDFGraphicsState& state) { States.push_back(state); };
        if (document_.PageTree()) renderer_.Page = document_.PageTree()->GetPageDict(page);
    }

    bool Render() { return Answer = renderer_.PreparePage(); }

    TPDFRenderer& Renderer() { return renderer_; }
    TPDFFontCollection& Fonts() { return fonts_; }
    TPDFDocument& Document() { return document_; }
    TBitmap& Bitmap() { return *renderer_.Bitmap; }
    int Width() { return Bitmap().Width(); }
    int Height() { return Bitmap().Height(); }
    // 0xRRGGBB of the pixel at column x, row y from the top.
    std::uint32_t Pixel(int x, int y) {
        const BYTE* row = Bitmap().ScanLine(y);
        return (static_cast<std::uint32_t>(row[3 * x + 2]) << 16) | (static_cast<std::uint32_t>(row[3 * x + 1]) << 8) |
               row[3 * x];
    }
    // How many pixels of a rectangle are exactly the colour.
    int CountColor(std::uint32_t color, int x1, int y1, int x2, int y2) {
        int count = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x) count += Pixel(x, y) == color;
        return count;
    }
    int CountColor(std::uint32_t color) { return CountColor(color, 0, 0, Width(), Height()); }
    // The state at the end of the page's own run (the last run to finish).
    const TPDFGraphicsState& PageState() { return States.back(); }

    std::vector<TPDFGraphicsState> States;
    bool Answer = false;

private:
    TPDFDocument document_;
    TPDFFontCollection fonts_;
    TPDFRenderer renderer_;
};

// Renders a one-page document at 72 dpi as a bitmap.
inline std::unique_ptr<PageRender> RenderPage(const PageSpec& pageSpec, std::uint8_t kind = kRenderBitmap,
                                              double resolution = 72) {
    auto render = std::make_unique<PageRender>(OnePagePdf(pageSpec), kind, resolution);
    render->Render();
    return render;
}

// Saves the page's bitmap for a look (PARCH_RENDER_LOOK names a folder).
inline void SaveForLook(PageRender& render, const std::string& name) {
    if (const char* folder = std::getenv("PARCH_RENDER_LOOK")) {
        TMemoryStream stream;
        render.Bitmap().SaveToStream(stream);
        stream.SaveToFile(std::string(folder) + "/" + name + ".bmp");
    }
}

}  // namespace parch::rendertest
