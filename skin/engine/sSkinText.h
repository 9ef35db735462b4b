#pragma once
// Captions in the colours of a skin section: contour copies, a blurred glow around the text,
// text written straight into 32-bit bitmaps with alpha, and ellipsis shortening.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"

namespace parch {

class TsCommonData;
class TsSkinManager;

// The blurred coverage of one caption, kept by its caller between paints. It is reused only for
// the same text, font, size, contour flags and format; anything else renders it anew.
struct TsGlowCache {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Values;  // 255 = no glow
    std::string Key;
    int Renders = 0;  // how often it was rendered, for callers that watch the cost
};

// A control's caption in the colours of its skin data: the state's glow into the control's cache,
// contour copies and the font colour (through the control's hue and saturation); disabled, 40 %
// font colour over the skin's global colour. Check boxes, group boxes and windowless controls
// that take their parent's font over a see-through section use the colours of the section
// their text shows on. Unskinned or with a font of its own: plain text, embossed when disabled.
void DrawControlText(TCanvas& canvas, const std::string& text, bool enabled, RECT r, UINT format, TsCommonData& data,
                     bool hot);
inline void WriteControlText(TCanvas& canvas, const std::string& text, bool enabled, RECT r, UINT format,
                             TsCommonData& data, bool hot, TsSkinManager*) {
    DrawControlText(canvas, text, enabled, r, format, data, hot);
}
// Text in the colours of a section: contour copies and the font colour, or 40 % font colour over
// the section's colour when disabled. Nothing without a manager or for an invalid section.
void DrawSectionText(TCanvas& canvas, const std::string& text, bool enabled, RECT r, UINT format, int sectionIndex,
                     bool hot, TsSkinManager* manager);
inline void WriteSectionText(TCanvas& canvas, const std::string& text, bool enabled, RECT r, UINT format,
                             int sectionIndex, bool hot, TsSkinManager* manager) {
    DrawSectionText(canvas, text, enabled, r, format, sectionIndex, hot, manager);
}

// Thin measuring and drawing wrappers.
int DrawTextOnDC(HDC dc, const std::string& text, RECT r, UINT format);
SIZE DCTextExtent(HDC dc, const std::string& text);
inline int TextWidthOf(TCanvas& canvas, const std::string& text) { return canvas.TextExtent(text).cx; }
inline int TextHeightOf(TCanvas& canvas, const std::string& text) { return canvas.TextExtent(text).cy; }
inline SIZE TextExtentOf(TCanvas& canvas, const std::string& text) { return canvas.TextExtent(text); }
inline void CanvasTextRect(TCanvas& canvas, RECT r, int x, const std::string& text, int y) {
    canvas.TextRect(r, x, y, text);
}

// Text in the section's font colour (first the contour copies, with contour) into R of a 32-bit
// bitmap, alpha 255 where ink falls. An invalid section writes in the canvas's font colour.
void WriteSectionTextOnBitmap(TBitmap& bitmap, const std::string& text, bool contour, RECT r, UINT format,
                              int sectionIndex, bool hot, TsSkinManager* manager);
// One pass of black-on-white text mixed into R of the bitmap in the colour.
void WriteTextPassOnBitmap(TBitmap& bitmap, const std::string& text, RECT r, UINT format, TColor colour);
// A glow of glowSize pixels in glowColor around where the text will be drawn at R; contour
// flags 1, 2, 4, 8 widen it one pixel left, up, right, down. Size 0 blurs nothing.
void DrawTextWithGlow(TBitmap& bitmap, const std::string& text, RECT r, TsGlowCache& cache, TColor glowColor,
                      int glowSize, int contourFlags, UINT format);
// Gaussian blur of a plane of grey values with the given radius (sigma); radius below 1 does
// nothing.
void BlurGreyPlane(std::vector<std::uint8_t>& values, int width, int height, int radius);
// The text cut from its end with "..." appended until it fits maxWidth; empty when maxWidth is
// not positive or not even one character fits.
std::string FitTextWithEllipsis(TCanvas& canvas, const std::string& text, int maxWidth);

}  // namespace parch
