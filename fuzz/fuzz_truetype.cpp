// TrueType programs read from untrusted bytes: as an embedded program, drawing glyphs by number
// and by name, and as an installed face that starts inside its file at a collection base.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/core/ScrivletFontConst.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletTrueTypeParser.h"
#include "pdf/render/ScrivletTrueTypeRasterizer.h"

namespace {

class FuzzTrueTypeCanvas : public parch::TPDFGenericCanvas {
public:
    void NewPath() override {}
    void MoveTo(double, double) override { ++calls; }
    void LineTo(double, double) override { ++calls; }
    void CurveTo(double, double, double, double, double, double) override { ++calls; }
    void QuadCurveTo(double, double, double, double) override { ++calls; }
    void ClosePath() override { ++calls; }
    void Stroke() override {}
    void Fill() override {}
    void FillAndStroke() override {}
    void DrawImage(const parch::TPDFStreamableGraphic&, double, double, double, double, double, double) override {}
    std::size_t calls = 0;
};

void FuzzTrueTypeDraw(parch::TPDFTrueTypeRasterizer2& rasterizer) {
    FuzzTrueTypeCanvas canvas;
    const parch::TPDFMatrix identity;
    const int glyphs = std::min(rasterizer.Parser().GlyphCount(), 12);
    for (int glyph = 0; glyph < glyphs; ++glyph)
        rasterizer.RenderGlyph(canvas, identity, 0, 0, "GID:" + std::to_string(glyph));
    for (const char* name : {"A", "a", "U+0041", "PS:space", "CID:65", "uni0041", ".notdef", "GID:65535"})
        rasterizer.RenderGlyph(canvas, identity, 0, 0, name);
    parch::TGlyphNames names;
    parch::TGlyphWidths widths{};
    names[65] = "A";
    rasterizer.InstalledFontWidths(names, widths);
    rasterizer.Parser().CFFTableOffset();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        parch::TPDFTrueTypeRasterizer2 rasterizer;
        rasterizer.SetSymbolic(size > 0 ? data[0] : 0);
        rasterizer.Parser().LoadFromString(bytes);
        FuzzTrueTypeDraw(rasterizer);
    }
    {
        // The face's data starts a little way into its file.
        const std::size_t base = std::min<std::size_t>(size, size > 0 ? data[size - 1] % 32 : 0);
        parch::TPDFTrueTypeRasterizer2 rasterizer;
        rasterizer.Parser().CollectionBase = static_cast<std::int64_t>(base);
        rasterizer.Parser().LoadFromString(bytes.substr(base));
        FuzzTrueTypeDraw(rasterizer);
    }
    return 0;
}
