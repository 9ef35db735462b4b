#pragma once
// Colour transforms for single colours and whole 32-bit bitmaps (hue, saturation, grey),
// disabled glyph looks, button glyphs with a transparent colour, and soft shadows.

#include <cstdint>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Graphics.h"
#include "skin/engine/sConst.h"

namespace parch {

// TsDisabledKind and TsDisabledGlyphKind as bit sets: one bit per item.
constexpr unsigned kDisabledBlended = 1u << dkBlended;
constexpr unsigned kDisabledGrayed = 1u << dkGrayed;
constexpr unsigned kGlyphBlended = 1u << dgBlended;
constexpr unsigned kGlyphGrayed = 1u << dgGrayed;

// The hue turned by offset degrees (any sign); greys and offset 0 give the colour unchanged.
TColor ShiftColorHue(int offset, TColor color);
// Each channel moved away from (or toward, for negative amounts) the mean: -100 gives grey.
TColor AdjustColorSaturation(TColor color, int amount);
// The same for every pixel except key-coloured and grey ones.
void ShiftBitmapHue(TBitmap* bitmap, int offset);
void AdjustBitmapSaturation(TBitmap* bitmap, int amount);
// Every pixel's colour channels := (red + green + blue) div 3.
void DesaturateBitmap(TBitmap& bitmap);
void DesaturateExceptColor(TBitmap& bitmap, std::uint32_t key);

// A glyph faded toward what lies behind it (dkBlended) and/or made grey (dkGrayed). Without a
// Valid backdrop the glyph is mixed 50/50 with Backdrop.Color, or with fallbackColor (the
// control's background) when that is the key colour.
void ApplyDisabledLook(TBitmap& bitmap, unsigned kind, TColor fallbackColor, const TsBackgroundSource& backdrop,
                       POINT offset);
// A framework-style button glyph of numGlyphs frames (fewer than 1 counts as 1), transparent
// colour its bottom-left pixel, drawn onto the 32-bit Dst at R's top-left corner.
void DrawTransparentGlyph(TBitmap& glyph, TBitmap& dst, RECT r, int numGlyphs, bool enabled, unsigned disabledKind,
                          int buttonState, int blendPercent, int down);
// Tints R of the bitmap with a soft rounded shadow falling from the edge inwards.
void PaintSoftShadow(TBitmap& bitmap, RECT r, int transparency, TColor color, int blurSize, int radius);

}  // namespace parch
