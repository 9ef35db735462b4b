#include "skin/controls/sMemo.h"

#include "skin/controls/sEdit.h"

#include "framework/Application.h"
#include "platform/win/EditClass.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sSkinManager.h"

namespace parch {

namespace {

constexpr int kMemoKind = 7;

}  // namespace

TsMemo::TsMemo(TComponent* owner) : TsSkinnedControl(owner, kMemoKind, false) {
    SetControlStyle(ControlStyle() & ~csOpaque);
    if (SkinData().SkinSection().empty()) SkinData().SetSkinSection("EDIT");
    boundLabel_ = std::make_unique<TsBoundLabel>(SkinData());
    AfterConstruction();
}

TsMemo::~TsMemo() {
    RemoveScrollWnd(adapter_);
    boundLabel_.reset();
}

void TsMemo::Loaded() {
    TsSkinnedControl::Loaded();
    RefreshScrollWnd(SkinData(), adapter_);
}

// A window made anew (a changed scroll style, or the skin gone) gets its adapter again.
void TsMemo::CreateWnd() {
    TMemo::CreateWnd();
    RefreshScrollWnd(SkinData(), adapter_);
}

void TsMemo::SetDisabledKind(TsDisabledKind value) {
    if (value == disabledKind_) return;
    disabledKind_ = value;
    SkinData().Invalidate();
}

void TsMemo::RedrawFrameAndClient() {
    if (HandleAllocated() && Visible()) RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
}

bool TsMemo::AnswerOwnSkinCommand(TMessage& message) {
    if (message.Msg != SkinCommandMessage) return false;
    TsCtrlSkinData& data = SkinData();
    switch (SkinCommandOf(message.WParam)) {
        case scSkinLoaded:
            if (!IsOwnManagerCommand(message, data)) return false;
            SharedControlMessageHandler(message, &data);
            return true;
        case scSkinRemoved:
            if (!IsOwnManagerCommand(message, data)) return false;
            // The native border and bars come back with a new window.
            RemoveScrollWnd(adapter_);
            SharedControlMessageHandler(message, &data);
            if (HandleAllocated()) RecreateWnd();
            return true;
        case scRefreshFromSkin:
            if (!IsOwnManagerCommand(message, data)) return false;
            SharedControlMessageHandler(message, &data);
            RefreshScrollWnd(data, adapter_);
            RedrawFrameAndClient();
            return true;
        case scIsSkinned:
            message.Result = 1;
            return true;
        case scGetApplication:
            message.Result = reinterpret_cast<LRESULT>(Application);
            return true;
        default:
            return false;
    }
}

void TsMemo::WndProc(TMessage& message) {
    if (message.Msg == CM_FONTCHANGED && Showing() && HandleAllocated())
        RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
    if (AnswerOwnSkinCommand(message)) return;
    TsCtrlSkinData& data = SkinData();
    if (!ControlCanPaint(this) || !data.IsSkinned()) {
        TMemo::WndProc(message);
        FollowWithBoundLabel(boundLabel_.get(), *this, disabledKind_, message);
        return;
    }
    switch (message.Msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TMemo::WndProc(message);
            return;
        case WM_PAINT:
            data.SetUpdating(data.CheckUpdating());
            if (data.PaintSuspended) {
                PAINTSTRUCT ps;
                BeginPaint(Handle(), &ps);
                EndPaint(Handle(), &ps);
            } else {
                TMemo::WndProc(message);
            }
            return;
        default:
            break;
    }
    SharedControlMessageHandler(message, &data);
    TMemo::WndProc(message);
    AfterStandardProcessing(message);
    FollowWithBoundLabel(boundLabel_.get(), *this, disabledKind_, message);
}

void TsMemo::AfterStandardProcessing(const TMessage& message) {
    switch (message.Msg) {
        case WM_SETFONT:
        case CM_VISIBLECHANGED:
        case CM_ENABLEDCHANGED:
            SkinData().Invalidate();
            break;
        case EM_SCROLLCARET:
            if (OnScrollCaret) OnScrollCaret(this);
            break;
        case WM_VSCROLL:
            if (OnVScroll) OnVScroll(this);
            break;
        case CM_TEXTCHANGED:
        case CM_CHANGED:
            if (adapter_ && !adapter_->Destroyed()) adapter_->UpdateScrollInfo(true);
            break;
        case CM_SHOWINGCHANGED:
            RefreshScrollWnd(SkinData(), adapter_);
            break;
        default:
            break;
    }
}

}  // namespace parch
