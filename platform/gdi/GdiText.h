#pragma once
// Text output and measurement on device contexts. Text is UTF-8; counts are in bytes; the
// spacing array of ExtTextOut has one entry per character (code point).

#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

BOOL TextOut(HDC dc, int x, int y, const char* text, int count);
// rect (logical) is filled with the background colour under ETO_OPAQUE and limits the text
// under ETO_CLIPPED; dx, when given, holds the distance from each character to the next.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text,
                UINT count, const INT* dx);
// The advances of the text (with the context's character extra) and the font's cell height.
BOOL GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size);
// As GetTextExtentPoint32; also counts in `fit` the characters that end within maxExtent and
// fills dx (one entry per character) with the extent up to the end of each.
BOOL GetTextExtentExPoint(HDC dc, const char* text, int count, int maxExtent, INT* fit, INT* dx,
                          SIZE* size);

}  // namespace parch
