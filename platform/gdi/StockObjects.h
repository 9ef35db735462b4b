#pragma once
// Stock objects, created once on first use and never freed.

#include "platform/gdi/GdiTypes.h"

namespace parch {

// The 1 x 1 monochrome bitmap a new memory context holds.
HBITMAP DefaultBitmap();

}  // namespace parch
