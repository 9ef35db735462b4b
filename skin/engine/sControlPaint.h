#pragma once
// Moving a skinned control's picture between its cache, its children and a device context:
// the cache copied to the screen around the children that paint themselves, windowless
// children painted off-screen over their parent's backdrop, a whole control tree rendered into
// one bitmap as it looks on screen, and the cached corners renewed over what lies behind.

#include "framework/Controls.h"
#include "framework/graphics/Bitmap.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class TWinControl;
class TsCommonData;
class IFormSkinProvider;

// Lays what lies behind the control on the key-coloured pixels of the four corners of its
// borders mask's state frame in its cache (masks whose corners hold key pixels only).
void PaintControlBorder(TsCommonData& data, int state);
// Copies S of the control's cache to C of the target, leaving out the children that paint
// themselves (offset by childX, childY).
void PaintChildControls(TWinControl& control, TsCommonData& data, RECT s, RECT c, HDC target, bool paintBorder,
                        int childX, int childY);
// The same for a window the library did not create: every visible child window is left out
// (a group box only along its frame and caption).
void PaintChildWindows(HWND window, TsCommonData& data, RECT s, RECT c, HDC target, bool paintBorder, int childX,
                       int childY);
// Paints the windowless children off-screen over the control's backdrop and copies them to the
// target at their place plus P. A nested call does nothing.
void PaintGraphicChildren(HDC target, TWinControl& control, bool onlyIfVisible, POINT p);
// Renders the control and its windowed children into the bitmap at (x, y) as they look on
// screen.
void PaintControlToBitmap(TBitmap& bitmap, TControl& control, int x, int y, IFormSkinProvider* provider);

// Paints the control's non-client frame of width frameWidth over R: from its borders mask into
// its cache (then the frame strips onto the DC), or as a plain colour frame without a mask.
// inner receives the area inside the frame.
void PaintNonClientFrame(HDC dc, RECT r, int frameWidth, TsCommonData& data, int state, RECT& inner);

}  // namespace parch
