#pragma once
// Re-tinting a loaded skin as a whole: the skin manager's hue offset and saturation applied to
// the master bitmap, every picture of the mask table and every colour of the sections.

#include "skin/engine/sSkinTables.h"

namespace parch {

// Turns every hue by offset degrees (nothing for 0). Title icons that GLOBALINFO BIKEEPHUE
// names keep their colours.
void ChangeHue(TsSkinTables& tables, int offset);
// Moves every colour away from grey (or toward it, for negative amounts); the amount is taken
// modulo 101. Nothing for 0.
void ChangeSaturation(TsSkinTables& tables, int amount);

}  // namespace parch
