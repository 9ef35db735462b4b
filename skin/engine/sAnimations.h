#pragma once
// Animated hide of forms and dialogs (a layered snapshot fading on a timer after the real window
// is gone) and animated change of a control (a cross-fade from a snapshot of its old picture).
// Frames step every 12 ms on the window system's clock and take Time div 12 steps.

#include <memory>

#include "framework/Forms.h"
#include "framework/graphics/Bitmap.h"
#include "skin/engine/sConst.h"

namespace parch {

class TWinControl;

// Fades the helper form (a layered copy standing where the window was) out from startAlpha,
// showing the snapshot; takes both over. Time below 12 frees them at once and shows nothing.
void StartHideAnimation(std::unique_ptr<TForm> helper, std::unique_ptr<TBitmap> snapshot, int time,
                        TacAnimType type, std::uint8_t startAlpha);
// True while a hide animation's helper is on screen; the constant alpha of its last frame.
bool HideAnimationRunning();
std::uint8_t HideAnimationAlpha();

// Covers the control with a window holding its current picture (the start of a change).
void CoverControlWithSnapshot(TWinControl& control);
// Cross-fades the control from its snapshot to its new picture in Time div 12 steps; with fewer
// than one step the new picture is drawn at once.
void AnimateControlChange(TWinControl& control, int time, std::uint8_t finalAlpha, TacAnimType type);
// The weights of the old picture in the frames of a change of that time, first to last.
std::vector<int> ControlChangeWeights(int time);

}  // namespace parch
