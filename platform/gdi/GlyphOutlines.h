#pragma once
// Glyph outlines of an installed font, read with FreeType in font units: for drawing glyphs as
// paths at any size and under any transformation, where the realized fonts of FontEngine only
// give pixel coverage.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

class FontMatcher;

enum class OutlineCommandKind : std::uint8_t { MoveTo, LineTo, ConicTo, CubicTo, Close };

// Points in font units, y up. A conic uses (X1, Y1) as control and (X2, Y2) as end point; a
// cubic uses all three points; a move or line only the first.
struct OutlineCommand {
    OutlineCommandKind Kind = OutlineCommandKind::MoveTo;
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0, X3 = 0, Y3 = 0;
};

struct GlyphOutline {
    std::vector<OutlineCommand> Commands;  // every contour ends with Close
    double AdvanceWidth = 0;               // font units
};

// One face of a font file, opened for outlines only. Not shared between threads.
class OutlineFont {
public:
    // Null when the file cannot be read or the face has no scalable outlines.
    static std::unique_ptr<OutlineFont> OpenFile(const std::string& path, int faceIndex);
    // The face that fontconfig picks for the family and style, through the matcher; null when
    // no scalable face is installed.
    static std::unique_ptr<OutlineFont> OpenInstalled(FontMatcher& matcher, std::string_view family,
                                                      bool bold, bool italic);
    // The same, opened once per thread and kept: every page render asks for the same few faces,
    // and matching and opening them costs more than drawing a page of text.
    static std::shared_ptr<const OutlineFont> SharedInstalled(std::string_view family, bool bold, bool italic);
    ~OutlineFont();
    OutlineFont(const OutlineFont&) = delete;
    OutlineFont& operator=(const OutlineFont&) = delete;

    std::string FamilyName() const;
    int UnitsPerEm() const;
    std::uint32_t GlyphCount() const;
    bool HasGlyphNames() const;

    // Glyph indices; 0 (the missing glyph) when the font has none for the key.
    std::uint32_t GlyphByName(std::string_view postScriptName) const;
    std::uint32_t GlyphByUnicode(char32_t unicode) const;
    // The glyph at a code of the font's own encoding (a symbol font's built-in encoding).
    std::uint32_t GlyphByBuiltInCode(std::uint8_t code) const;

    // False when the glyph index is out of range or its outline cannot be loaded.
    bool LoadOutline(std::uint32_t glyph, GlyphOutline& outline) const;
    // Font units; 0 for a glyph that cannot be loaded.
    double AdvanceWidth(std::uint32_t glyph) const;

private:
    struct Handles;
    explicit OutlineFont(std::unique_ptr<Handles> handles);
    std::unique_ptr<Handles> handles_;
};

}  // namespace parch
