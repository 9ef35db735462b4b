#pragma once
// Bitmaps loaded by name or number. With a null instance the system's own bitmaps (OBM_*):
// OBM_CHECKBOXES is the grid of check-box and radio-button cells that the button class draws,
// four columns (normal, checked, pushed, pushed and checked) by three rows (check box, radio
// button, three-state box), each kCheckGlyphSize pixels square, drawn by DrawFrameControl.
// The caller deletes the bitmap (DeleteObject).

#include "platform/win/WinUser.h"

namespace parch {

constexpr WORD OBM_CHECKBOXES = 32759;

// Null for a bitmap this layer does not have, and for any instance other than null.
HBITMAP LoadBitmap(HINSTANCE instance, const char* name);

}  // namespace parch
