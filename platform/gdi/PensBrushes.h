#pragma once
// Pens, brushes and palettes.

#include <vector>

#include "platform/gdi/GdiObject.h"

namespace parch {

class GdiPen : public GdiObject {
public:
    static constexpr GdiObjectKind kKind = GdiObjectKind::Pen;
    GdiPen(DWORD style, int width, COLORREF color, bool extended)
        : GdiObject(kKind), style_(style), width_(width), color_(color), extended_(extended) {}

    DWORD ObjectType() const override { return extended_ ? OBJ_EXTPEN : OBJ_PEN; }
    int Describe(int size, void* buffer) const override;

    DWORD Style() const { return style_ & PS_STYLE_MASK; }
    DWORD EndCap() const { return style_ & PS_ENDCAP_MASK; }
    DWORD Join() const { return style_ & PS_JOIN_MASK; }
    int Width() const { return width_; }
    COLORREF Color() const { return color_; }
    bool IsNull() const { return Style() == PS_NULL; }
    // One-pixel pens follow the pixel rules of cosmetic lines; wider ones are filled outlines.
    bool IsThin() const { return width_ <= 1; }
    // The stock DC_PEN follows the context's pen colour.
    bool FollowsDCColor() const { return followsDCColor_; }
    void SetFollowsDCColor() { followsDCColor_ = true; }

private:
    DWORD style_;
    int width_;
    COLORREF color_;
    bool extended_;
    bool followsDCColor_ = false;
};

class GdiBrush : public GdiObject {
public:
    static constexpr GdiObjectKind kKind = GdiObjectKind::Brush;
    GdiBrush(UINT style, COLORREF color, int hatch) : GdiObject(kKind), style_(style), color_(color), hatch_(hatch) {}

    DWORD ObjectType() const override { return OBJ_BRUSH; }
    int Describe(int size, void* buffer) const override;

    UINT Style() const { return style_; }
    COLORREF Color() const { return color_; }
    int Hatch() const { return hatch_; }
    bool IsNull() const { return style_ == BS_NULL; }
    bool FollowsDCColor() const { return followsDCColor_; }
    void SetFollowsDCColor() { followsDCColor_ = true; }

    // Pattern brushes keep their own copy of the pattern as colours; a monochrome pattern
    // keeps its bits instead (0 = text colour, 1 = background colour when painted).
    int PatternWidth() const { return patternWidth_; }
    int PatternHeight() const { return patternHeight_; }
    bool PatternIsMonochrome() const { return patternMono_; }
    // Colour (or monochrome bit) at pattern position (x, y), both already wrapped.
    COLORREF PatternColor(int x, int y) const { return pattern_[static_cast<size_t>(y) * patternWidth_ + x]; }
    void SetPattern(int width, int height, bool monochrome, std::vector<COLORREF> pixels);

private:
    UINT style_;
    COLORREF color_;
    int hatch_;
    bool followsDCColor_ = false;
    int patternWidth_ = 0;
    int patternHeight_ = 0;
    bool patternMono_ = false;
    std::vector<COLORREF> pattern_;
};

class GdiPalette : public GdiObject {
public:
    static constexpr GdiObjectKind kKind = GdiObjectKind::Palette;
    explicit GdiPalette(std::vector<PALETTEENTRY> entries) : GdiObject(kKind), entries_(std::move(entries)) {}

    DWORD ObjectType() const override { return OBJ_PAL; }
    int Describe(int size, void* buffer) const override;
    std::vector<PALETTEENTRY>& Entries() { return entries_; }

private:
    std::vector<PALETTEENTRY> entries_;
};

HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount,
                  const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);

}  // namespace parch
