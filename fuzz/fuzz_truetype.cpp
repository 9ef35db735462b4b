// TrueType programs read from untrusted bytes: as an embedded program, drawing glyphs by number
// and by name, and as an installed font file (a face of a collection starts at its collection
// base; an OpenType face is drawn by the CFF decoder).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Streams.h"
#include "pdf/core/ScrivletFontConst.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletTrueTypeParser.h"
#include "pdf/render/ScrivletFontData.h"
#include "pdf/render/ScrivletTrueTypeRasterizer.h"
#include "pdf/render/ScrivletType1Decoder.h"

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
        // The bytes as an installed font file: a collection gives one face from its table
        // directory on, an OpenType face goes to the CFF decoder as the font collection hands it.
        parch::TInstalledFontData installed = parch::SfntFaceData(bytes, size > 0 ? data[size - 1] % 4 : 0);
        parch::TPDFTrueTypeRasterizer2 rasterizer;
        rasterizer.Parser().CollectionBase = installed.CollectionBase;
        rasterizer.Parser().LoadFromString(installed.Data);
        FuzzTrueTypeDraw(rasterizer);
        if (rasterizer.Parser().FindTable("CFF ") >= 0) {
            parch::TPDFType1Decoder decoder;
            parch::TStringStream stream(installed.Data);
            decoder.LoadCFF(stream);
            FuzzTrueTypeCanvas canvas;
            for (const char* name : {"A", "U+0041", "GID:1", "CID:1"})
                decoder.RenderGlyph(canvas, parch::TPDFMatrix{}, 0, 0, name);
        }
    }
    return 0;
}
