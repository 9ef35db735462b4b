#pragma once
// Draws TrueType glyphs, from an embedded font program or from an installed font: each glyph's
// quadratic outline is recorded once as a shape in thousandths of an em and replayed through
// the text matrix for every occurrence.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "pdf/core/ScrivletFontConst.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletTrueTypeParser.h"

namespace parch {

class TFont;

class TPDFTrueTypeRasterizer2 : public TPDFFontRasterizer {
public:
    TPDFTrueTypeRasterizer2();
    ~TPDFTrueTypeRasterizer2() override;
    TPDFTrueTypeRasterizer2(const TPDFTrueTypeRasterizer2&) = delete;
    TPDFTrueTypeRasterizer2& operator=(const TPDFTrueTypeRasterizer2&) = delete;

    // Glyph names: PostScript names of the font's 'post' table or its character maps,
    // "U+XXXX", "PS:name", "GID:n", and "CID:n" for the codes of a symbolic font.
    bool RenderGlyph(TPDFGenericCanvas& canvas, const TPDFMatrix& matrix, double x, double y,
                     const std::string& glyphName) override;
    double GetScale() override { return 1.0; }

    // Symbolic := the font descriptor's Symbolic flag (value 4).
    void SetSymbolic(std::int32_t flags) { Symbolic = (flags & 4) != 0; }
    // Loads the installed font named and styled by FontOf().
    void LoadInstalledFont();
    // Widths of the codes whose glyph name the font's 'post' table knows, in thousandths of an em.
    void InstalledFontWidths(const TGlyphNames& glyphNames, TGlyphWidths& widths) const;
    TFont& FontOf() { return *font_; }

    // The glyph index that a name draws.
    int FindGlyph(const std::string& glyphName) const;
    // The recorded outline of the name's glyph, built on first use.
    const TPDFGenericShape& GlyphShape(const std::string& glyphName);

    TPDFTrueTypeParser& Parser() { return parser_; }
    const TPDFTrueTypeParser& Parser() const { return parser_; }

    bool Symbolic = false;
    bool IsCFF = false;

private:
    struct TrueTypeBuildState {
        std::vector<int> Enclosing;  // the composites around the glyph being built
        int GlyphsLeft = 0;
        std::size_t PointsLeft = 0;
    };
    void BuildGlyph(TPDFGenericShape& shape, int glyph, const TPDFMatrix& matrix, int depth,
                    TrueTypeBuildState& state) const;

    TPDFTrueTypeParser parser_;
    std::unordered_map<std::string, std::unique_ptr<TPDFGenericShape>> shapeCache_;
    std::unique_ptr<TFont> font_;
};

// Stands in for the installed Japanese gothic face: it has no outline source and so adds no
// outline; a glyph counts as drawn when its name carries a glyph number above 0.
class TPDFSimpleTrueTypeRasterizer : public TPDFFontRasterizer {
public:
    TPDFSimpleTrueTypeRasterizer();
    ~TPDFSimpleTrueTypeRasterizer() override;

    bool RenderGlyph(TPDFGenericCanvas& canvas, const TPDFMatrix& matrix, double x, double y,
                     const std::string& glyphName) override;
    double GetScale() override { return 1.0; }
    TFont& FontOf() { return *font_; }

private:
    std::unique_ptr<TFont> font_;
};

}  // namespace parch
