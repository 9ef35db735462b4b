#pragma once
// Draws a font's glyphs from the outlines of an installed font: each glyph is recorded once as
// a shape in thousandths of an em and replayed for every occurrence.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "pdf/core/ScrivletFontConst.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "platform/gdi/GlyphOutlines.h"

namespace parch {

class TPDFInstalledFontRasterizer : public TPDFFontRasterizer {
public:
    // The text of a character code, for glyphs named by code ("CID:n", "GID:n"); empty when
    // unknown.
    using TCodeTextEvent = std::function<std::u16string(std::uint32_t code)>;

    // `font` may be null: the rasterizer then draws nothing.
    explicit TPDFInstalledFontRasterizer(std::shared_ptr<const OutlineFont> font);
    ~TPDFInstalledFontRasterizer() override;

    bool RenderGlyph(TPDFGenericCanvas& canvas, const TPDFMatrix& matrix, double x, double y,
                     const std::string& glyphName) override;

    // Writes the installed font's advance widths (thousandths of an em) into the codes whose
    // glyph name the font knows.
    void InstalledFontWidths(const TGlyphNames& glyphNames, TGlyphWidths& widths) const;
    // The recorded outline of the glyph, null when the font has no glyph for the name.
    const TPDFGenericShape* GlyphShape(const std::string& glyphName);

    bool HasFont() const { return font_ != nullptr; }
    std::string FamilyName() const;

    TCodeTextEvent OnCodeText;
    // Names that are no glyph name of the font stand for their code in the standard encoding,
    // looked up in the font's own encoding: a symbol font named without an encoding of its
    // own gets the standard encoding's names.
    bool UseBuiltInEncoding = false;

private:
    std::uint32_t FindGlyph(std::string_view glyphName) const;
    std::uint32_t GlyphOfStandardCode(std::string_view glyphName) const;
    std::uint32_t GlyphOfText(const std::u16string& text) const;
    std::uint32_t GlyphOfUnicode(char32_t unicode) const;
    std::unique_ptr<TPDFGenericShape> RecordShape(std::uint32_t glyph) const;

    std::shared_ptr<const OutlineFont> font_;
    std::unordered_map<std::string, std::unique_ptr<TPDFGenericShape>> shapes_;  // null: no glyph
};

}  // namespace parch
