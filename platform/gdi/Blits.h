#pragma once
// Block transfers between contexts: raster-operation blits, stretching (nearest or area
// average), alpha blending, colour-keyed copies and drawing of DIB buffers.

#include "platform/gdi/GdiTypes.h"

namespace parch {

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource,
            DWORD rop);
BOOL StretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource,
                int ySource, int sourceWidth, int sourceHeight, DWORD rop);
// The source is premultiplied when AC_SRC_ALPHA is asked. The source rectangle must lie inside
// the source bitmap and no size may be negative, or nothing is drawn and FALSE returned.
BOOL AlphaBlend(HDC destination, int x, int y, int width, int height, HDC source, int xSource,
                int ySource, int sourceWidth, int sourceHeight, BLENDFUNCTION blend);
// Copies every source pixel except those of colour `transparent`.
BOOL TransparentBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource,
                    int ySource, int sourceWidth, int sourceHeight, UINT transparent);
// `ySource` counts from the bottom of a bottom-up DIB, as Windows does. Returns the number of
// scan lines drawn, 0 on failure.
int StretchDIBits(HDC dc, int x, int y, int width, int height, int xSource, int ySource,
                  int sourceWidth, int sourceHeight, const void* bits, const BITMAPINFO* info,
                  UINT usage, DWORD rop);

}  // namespace parch
