#pragma once
// Painting a skin section for a state into a rectangle of a 32-bit bitmap: its background
// (colour, multi-stop gradient and texture mixed by the section's percentages, made partly or
// wholly transparent over what lies behind), its four corner images and its borders mask.

#include <string>

#include "framework/graphics/Bitmap.h"
#include "skin/engine/sConst.h"

namespace parch {

class TControl;
class TsCommonData;
class TsSkinManager;

// The background only. A nil manager means the default one; customColor other than 0xFF00FF
// replaces the section's colours (opaque, no texture or gradient). Pattern indexes of -1 are
// looked up by name.
void PaintSectionBackground(int sectionIndex, const std::string& sectionName, TsBackgroundSource backdrop, int state,
                            RECT r, POINT offset, TBitmap& bitmap, TsSkinManager* manager, int patternIndex = -1,
                            int hotPatternIndex = -1, TColor customColor = static_cast<TColor>(TransparentKey));
// Background, corner images and borders mask. Nothing for an empty R or one reaching outside
// the bitmap, or an invalid section.
void PaintSkinSection(int sectionIndex, const std::string& sectionName, TsBackgroundSource backdrop, int state, RECT r,
                      POINT offset, TBitmap& bitmap, TsSkinManager* manager, int patternIndex = -1,
                      int hotPatternIndex = -1);
// The background of a control's section (its textures, its manager), the state clamped to the
// section's states. A control that keeps its own colour is filled with it.
void PaintControlBackground(TsCommonData& data, TsBackgroundSource backdrop, int state, RECT r, POINT offset,
                            TBitmap& bitmap);
// A control's face: background, corner images and its borders mask (none in the normal state
// when the mask says so), then the control's own hue and saturation over the whole bitmap.
// Nothing for a rectangle reaching outside the bitmap or an invalid section.
void PaintControlFace(TsCommonData& data, TsBackgroundSource backdrop, int state, RECT r, POINT offset,
                      TBitmap& bitmap, bool cornersUseBackdrop);
// The control's own hue offset and saturation over the whole bitmap.
void ApplyHueAndSaturation(const TsCommonData& data, TBitmap& bitmap);
// As PaintControlFace over what the parent answers lies behind the control; the borders mask
// goes under the corner images, and no hue or saturation is applied.
void PaintControlFaceOnParent(TsCommonData& data, TControl& parent, int state, RECT r, POINT offset, TBitmap& bitmap,
                              bool cornersUseBackdrop);
// A section's background with the borders mask maskIndex in place of its own; no corner images.
// The textures are taken as given.
void PaintSectionWithMask(int sectionIndex, int maskIndex, int patternIndex, int hotPatternIndex,
                          const std::string& sectionName, TsBackgroundSource backdrop, int state, RECT r, POINT offset,
                          TBitmap& bitmap, TsSkinManager* manager);
// The section painted into a fresh bitmap of R's size and copied to the DC at R.
void PaintSectionToDC(int sectionIndex, const std::string& sectionName, TsBackgroundSource backdrop, int state, RECT r,
                      POINT offset, HDC dc, TsSkinManager* manager);
// Looks the section up by name (else fallbackName) and paints it over the whole bitmap over
// the colour, or over the DC's pixels at R's corner when dc is given. Returns the index used.
int PaintNamedSection(TBitmap& bitmap, const std::string& sectionName, const std::string& fallbackName, int state,
                      TsSkinManager* manager, RECT r, TColor color, HDC dc);

}  // namespace parch
