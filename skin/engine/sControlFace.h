#pragma once
// A skinned control's face and caption: its section painted for a state over what lies behind
// the control, and its text in the section's font colours.

#include <string>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "skin/engine/sConst.h"

namespace parch {

class TControl;
class TsCommonData;

// The control's section for the state into R of the bitmap: background (the control's Color
// with CustomColor), corner images and borders mask (without borders when paintBorders is off
// or the mask skips state 0), then the hue and saturation of the skin data. Offset is R's place
// in the backdrop. Nothing for an unskinned control or an R outside the bitmap.
void PaintControlFace(TsCommonData& data, const TsBackgroundSource& backdrop, TBitmap& bitmap, POINT offset, RECT r,
                      int state, bool paintBorders = true);
// The same over what the parent answers lies behind it; offset is the control's place in the
// parent.
void PaintControlFaceOnParent(TsCommonData& data, TControl& parent, TBitmap& bitmap, POINT offset, RECT r, int state);

// The hue offset and saturation of the skin data applied to R of the bitmap.
void ApplyHueAndSaturation(const TsCommonData& data, TBitmap& bitmap, RECT r);

// The font colour a skinned control's caption takes for the state: the section's (or, with a
// parent font, the section that gives the font), the disabled colour mixed toward the
// background; the canvas's own colour when unskinned or with CustomFont.
TColor ControlTextColor(TCanvas& canvas, bool enabled, int state, TsCommonData& data);
// The caption into R with DrawText flags, clear brush, in ControlTextColor. Nothing for an
// empty text.
void DrawControlText(TCanvas& canvas, const std::string& text, bool enabled, int state, TsCommonData& data, UINT flags,
                     RECT r);
inline void WriteControlText(TCanvas& canvas, const std::string& text, bool enabled, int state, TsCommonData& data,
                             UINT flags, RECT r) {
    DrawControlText(canvas, text, enabled, state, data, flags, r);
}

}  // namespace parch
