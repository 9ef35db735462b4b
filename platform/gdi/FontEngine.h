#pragma once
// Realized fonts: a logical font bound to an installed face at a pixel size, with its text
// metrics, character advances and anti-aliased glyph coverage. The device context functions
// lay text out with these and hand the coverage to the target bitmap.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/FontTypes.h"
#include "platform/gdi/WinTypes.h"

struct FT_GlyphSlotRec_;

namespace parch {

// Grey coverage (0 = none, 255 = full ink) of a rectangle of device pixels.
struct GlyphCoverage {
    RECT bounds;                        // right and bottom exclusive
    std::vector<std::uint8_t> alpha;    // rows top-down, Width() bytes each

    LONG Width() const { return bounds.right - bounds.left; }
    LONG Height() const { return bounds.bottom - bounds.top; }
    bool Empty() const { return Width() <= 0 || Height() <= 0; }
    std::uint8_t At(LONG x, LONG y) const;  // device coordinates; 0 outside
};

// Where a line of text goes on the device: the reference point and, measured from it in the
// baseline's own direction, the shift along the baseline and down to it.
struct TextPlacement {
    POINT reference;
    LONG alongBaseline = 0;
    LONG downToBaseline = 0;
};

class FontInstance {
public:
    ~FontInstance();
    FontInstance(const FontInstance&) = delete;
    FontInstance& operator=(const FontInstance&) = delete;

    const LOGFONT& Request() const { return request_; }
    const TEXTMETRIC& Metrics() const { return metrics_; }
    const std::string& FaceFamily() const { return family_; }

    // Advance of one character in pixels.
    int CharWidth(char32_t ch);
    // The start of every character along the baseline, and the end after the last one:
    // text.size() + 1 offsets. dx, when not empty, gives the distance from each character to
    // the next in place of the advances; charExtra is added after every character.
    std::vector<int> CharPositions(std::u32string_view text, std::span<const int> dx = {},
                                   int charExtra = 0);
    // Width of the advances (plus charExtra per character) and the cell height.
    SIZE TextExtent(std::u32string_view text, int charExtra = 0);

    // Coverage of the text drawn with the given character positions, cut to bound.
    GlyphCoverage Render(std::u32string_view text, std::span<const int> positions,
                         const TextPlacement& placement, const RECT& bound);
    // Coverage of the text's cell (ascent above to descent below the baseline) from start to
    // end along the baseline: the background of opaque text, turned with the baseline.
    GlyphCoverage RenderCell(const TextPlacement& placement, LONG start, LONG end, const RECT& bound);

private:
    friend class FontEngine;
    struct Face;
    struct Glyph;
    FontInstance(const LOGFONT& request, std::unique_ptr<Face> face, std::string family);

    void ComputeMetrics();
    void TrimGlyphCache();
    const Glyph& LoadGlyph(char32_t ch);
    FT_GlyphSlotRec_* LoadStyledOutline(char32_t ch);
    bool Rotated() const { return escapement_ != 0; }

    LOGFONT request_;
    std::unique_ptr<Face> face_;
    std::string family_;
    TEXTMETRIC metrics_;
    int escapement_ = 0;        // tenths of a degree, normalised to 0..3599
    int boldExtra_ = 0;         // pixels added to each advance by synthetic bold
    LONG underlinePosition_ = 0;   // pixels below the baseline to the line's top
    LONG underlineThickness_ = 1;
    LONG strikeoutPosition_ = 0;   // pixels above the baseline to the line's top
    LONG strikeoutThickness_ = 1;
};

// The process's font mapper: one fontconfig configuration and one FreeType library, with the
// realized fonts cached by their logical description.
class FontEngine {
public:
    static FontEngine& Instance();
    ~FontEngine();

    // Never null: when no face can be loaded, the instance draws nothing and measures zero
    // widths with the height asked for.
    std::shared_ptr<FontInstance> Realize(const LOGFONT& request);

private:
    FontEngine();
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace parch
