#pragma once
// Small drawing helpers the skinned frames and controls share: fills of rectangles and frames,
// copies of frame strips, clip exclusion of windowless children and pixel arrows.

#include <string>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class TCanvas;
class TGraphic;
class TWinControl;
class TsSkinManager;
struct TsBackgroundSource;

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

// Tiles a bitmap over R from its top-left corner, the last column and row cut to R; a JPEG
// picture is drawn tile by tile, clipped to R. Nothing for another picture or an empty one.
void TileBitmapOnCanvas(TCanvas& canvas, RECT r, TGraphic* picture);
// Count nested one-pixel outlines inward from R: left and top edges in color1 (system colours
// resolved), right and bottom in color2. R is inset by the outlines drawn; count becomes 0.
void DrawNestedOutlines(HDC dc, RECT& r, TColor color1, TColor color2, int& count);
// The size of a small check box: the skin's SMALLCHECKED picture (its frame width plus 2, its
// state height) when the manager's skin is active and has one, else the system's check box.
int SmallCheckBoxWidth(const TsSkinManager* manager);
int SmallCheckBoxHeight(const TsSkinManager* manager);
// A small check box centred across R (state 0 unchecked, 1 checked, 2 grayed): the skin's
// picture for the state, faded when disabled, or the system's look over the backdrop.
void DrawSmallCheckBox(RECT r, int state, bool enabled, TBitmap& bitmap, const TsBackgroundSource& backdrop,
                       const TsSkinManager* manager);

// Where a button's glyph and caption go in its client rectangle. Layout 0 puts the glyph left
// of the text, 1 right, 2 above, 3 below; alignment 0 left, 1 right, 2 centre. A margin of -1
// and a spacing below 0 are chosen to fit. The right-to-left flag (2) of biDiFlags exchanges
// layouts 0 and 1. textBounds gets the text's rectangle, the right edge cut to the client for
// a left-aligned caption after the glyph.
void CalcButtonLayout(RECT client, SIZE glyphSize, SIZE textSize, int layout, int alignment, int margin, int spacing,
                      POINT& glyphPos, RECT& textBounds, unsigned biDiFlags);

}  // namespace parch
