#pragma once
// DrawText: formatted text in a rectangle, with the Windows format flags (TextLayout.h).

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/TextLayout.h"

namespace parch {

// text is UTF-8, count in bytes (-1: up to the terminating zero). Returns the height of the
// text, or with DT_VCENTER / DT_BOTTOM the distance from rect->top to the bottom of the text;
// 0 on failure. With DT_CALCRECT nothing is drawn: rect's right and bottom are set to bound
// the text.
int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format);

}  // namespace parch
