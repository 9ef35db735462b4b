#pragma once
// Small drawing helpers the skinned frames and controls share: fills of rectangles and frames,
// copies of frame strips, clip exclusion of windowless children and pixel arrows.

#include <string>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class TCanvas;
class TWinControl;

// Fills R with the colour (system colours resolved) through a solid brush.
void FillRectWithColor(HDC dc, RECT r, TColor color);
// The four strips: top across the whole width, left below it, bottom right of the left strip,
// right between top and bottom.
void FillFrameWithColor(HDC dc, RECT r, int leftWidth, int topWidth, int rightWidth, int bottomWidth, TColor color);
// The same strips in a 32-bit bitmap, opaque.
void FillFrame32(TBitmap& bitmap, RECT r, int leftWidth, int topWidth, int rightWidth, int bottomWidth, TColor color);
// Copies the four strips of width w of (x, y, width, height) from the same places of the
// rectangle at (srcX, srcY) of the source.
void CopyFrameStrips(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int w);
// Leaves every visible windowless child (splitters apart), offset by (x, y), out of the clip.
void ExcludeGraphicChildren(HDC dc, TWinControl& parent, int x, int y);
// A small pixel arrow centred in R: kind 4 points right, kind 8 down; other kinds draw nothing.
void DrawSmallArrow(TCanvas& canvas, TColor color, RECT r, int kind);
// Every third pixel along the frame's edges in color, the pixel before each in color2.
void DrawDottedFrame(TCanvas& canvas, RECT r, TColor color2, TColor color);
// Copies byte channel (0..3) of every 32-bit pixel into the 8-bit bitmap, or back.
void CopyByteChannel(TBitmap& bitmap32, TBitmap& bitmap8, int channel, bool toBitmap8);
// The font's line height on the screen plus 6, and a text's extent (0 x 0 when it fails).
int GetFontLineHeight(HFONT font);
SIZE GetFontTextSize(HFONT font, const std::string& text);

}  // namespace parch
