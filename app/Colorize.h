#pragma once
// Colour arithmetic for the list's row shading.

#include "framework/graphics/Graphics.h"

namespace parch {

// Each channel of an RGB colour times percent / 100, rounded with halves to even.
TColor ScaleColor(TColor colour, int percent);

}  // namespace parch
