#pragma once
// What the common-control classes share for custom drawing: the stage a drawing event runs in
// and the state of the item it draws (the CDIS_ bits of NMCUSTOMDRAW).

#include <functional>

#include "framework/graphics/Canvas.h"
#include "platform/win/CommonControls.h"

namespace parch {

enum class TCustomDrawTarget { dtControl, dtItem, dtSubItem };
using enum TCustomDrawTarget;

enum class TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
using enum TCustomDrawStage;

using TCustomDrawState = unsigned;
constexpr TCustomDrawState cdsSelected = CDIS_SELECTED;
constexpr TCustomDrawState cdsGrayed = CDIS_GRAYED;
constexpr TCustomDrawState cdsDisabled = CDIS_DISABLED;
constexpr TCustomDrawState cdsChecked = CDIS_CHECKED;
constexpr TCustomDrawState cdsFocused = CDIS_FOCUS;
constexpr TCustomDrawState cdsDefault = CDIS_DEFAULT;
constexpr TCustomDrawState cdsHot = CDIS_HOT;
constexpr TCustomDrawState cdsMarked = CDIS_MARKED;
constexpr TCustomDrawState cdsIndeterminate = CDIS_INDETERMINATE;

// The stage of a CDDS_ drawing stage, whatever item or sub-item bits it carries.
constexpr TCustomDrawStage CustomDrawStageOf(DWORD drawStage) {
    switch (drawStage & 0xFFFF) {
        case CDDS_POSTPAINT: return cdPostPaint;
        case CDDS_PREERASE: return cdPreErase;
        case CDDS_POSTERASE: return cdPostErase;
        default: return cdPrePaint;
    }
}

// What a drawing event left on the canvas: the font and colours its item is then drawn with.
struct TCustomDrawLook {
    TColor textColor = clNone;
    TColor backColor = clNone;
    HFONT font = nullptr;
};

// Runs a drawing event on canvas over the window's context dc, set up with the control's font
// and colour; the context is given back as it was, also when the event throws. Answers whether
// the event left the default drawing on, and records in look what it left in font and brush.
bool RunCustomDrawEvent(TCanvas& canvas, HDC dc, const TFont& font, TColor color, TCustomDrawLook& look,
                        const std::function<bool()>& event);

}  // namespace parch
