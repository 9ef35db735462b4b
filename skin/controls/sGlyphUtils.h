#pragma once
// The glyph of a skinned push button for its present state: from its image list or its own
// glyph bitmap, blended, greyed, reflected and moved when pressed.

#include "framework/ImgList.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "skin/engine/sConst.h"

namespace parch {

class TControl;
class TsCommonData;

// What a button tells the glyph drawing about itself.
struct TsButtonGlyphInputs {
    TCustomImageList* Images = nullptr;
    TBitmap* Glyph = nullptr;  // nullptr or empty: none
    int ImageIndex = -1;
    RECT GlyphRect{0, 0, 0, 0};
    int FrameCount = 1;
    int Blend = 0;
    bool Down = false;
    bool Grayed = false;
    int State = 0;
    TsDisabledGlyphKind DisabledGlyphKind = 1u << dgBlended;
    bool Reflected = false;
};

// Implemented by the buttons whose glyph DrawButtonGlyph draws.
class IsButtonGlyphSource {
public:
    virtual ~IsButtonGlyphSource() = default;
    virtual TsButtonGlyphInputs ButtonGlyphInputs() = 0;
    virtual TsCommonData& ButtonSkinData() = 0;
};

// The colour a glyph is greyed toward, or clNone for none: greyed in the normal state, or
// disabled with dgGrayed.
TColor GlyphGreyColor(const TsButtonGlyphInputs& inputs, bool enabled, const TsCommonData& data);

// Draws the button's glyph; canvas nullptr means the button's cache (skinned painting). A
// control that is no glyph source draws nothing.
void DrawButtonGlyph(TControl& control, TCanvas* canvas);

}  // namespace parch
