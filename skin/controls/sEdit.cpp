#include "skin/controls/sEdit.h"

#include <string>

#include "framework/Application.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/win/EditClass.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowPos.h"
#include "skin/engine/acntUtils.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sScopedPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinnedForms.h"

namespace parch {

namespace {

constexpr int kEditKind = 3;

int BevelCount(const TWinControl& control) {
    return (control.BevelInner() != bvNone ? 1 : 0) + (control.BevelOuter() != bvNone ? 1 : 0);
}

// The client area's place in the window picture.
POINT ClientOriginInWindow(HWND window) {
    RECT windowRect{};
    GetWindowRect(window, &windowRect);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return POINT{origin.x - windowRect.left, origin.y - windowRect.top};
}

}  // namespace

int EditFrameWidth(const TCustomEdit& edit) {
    if (edit.BorderStyle() == bsNone) return 0;
    return edit.Ctl3D() ? 2 : 1;
}

int EditNonClientWidth(const TCustomEdit& edit) {
    int frame = EditFrameWidth(edit);
    return frame != 0 ? frame : BevelCount(edit);
}

int EditTextInset(const TCustomEdit& edit) {
    if (edit.BorderStyle() == bsNone) return 0;
    int bevels = edit.BevelKind() != bkNone ? BevelCount(edit) : 0;
    return (edit.Ctl3D() ? 1 : 0) + 1 + bevels;
}

TsEdit::TsEdit(TComponent* owner) : TsSkinnedControl(owner, kEditKind, true) {
    boundLabel_ = std::make_unique<TsBoundLabel>(SkinData());
    AfterConstruction();
}

TsEdit::~TsEdit() { boundLabel_.reset(); }

void TsEdit::SetDisabledKind(TsDisabledKind value) {
    if (value == disabledKind_) return;
    disabledKind_ = value;
    SkinData().Invalidate();
}

// A window made anew (a changed password character, case or border) shows a fresh picture.
void TsEdit::CreateWnd() {
    TEdit::CreateWnd();
    SkinData().BackgroundDirty = true;
}

int TsEdit::PaintState() const { return SkinData().IsHotOrFocused() ? 1 : 0; }

void TsEdit::PrepareCache() {
    TsCtrlSkinData& data = SkinData();
    data.PrepareCacheBitmap();
    TBitmap& cache = *data.CacheBitmap;
    RECT all{0, 0, Width(), Height()};
    TsBackgroundSource backdrop = data.GetParentBackground();
    if (BorderStyle() == bsSingle)
        PaintControlFace(data, backdrop, PaintState(), all, POINT{Left(), Top()}, cache, true);
    else
        PaintControlBackground(data, backdrop, PaintState(), all, POINT{Left(), Top()}, cache);
    PaintText();
    if (!Enabled()) ApplyDisabledLook(cache, disabledKind_, Color(), backdrop, POINT{Left(), Top()});
    data.BackgroundDirty = false;
}

void TsEdit::WriteCacheText(RECT r, UINT flags) {
    if (Text().empty()) return;
    TCanvas& canvas = SkinData().CacheBitmap->Canvas();
    canvas.Font().Assign(Font());
    DrawControlText(canvas, DisplayText(), true, r, flags, SkinData(), PaintState() != 0);
}

void TsEdit::PaintText() {
    int inset = EditTextInset(*this);
    int shift = BorderStyle() == bsSingle ? 1 : 0;
    RECT r{inset + shift, inset + shift, Width() - inset, Height() - inset};
    UINT flags = DT_SINGLELINE | DT_NOPREFIX;
    if (UseRightToLeftReading()) {
        flags |= DT_RTLREADING | DT_RIGHT;
        r.right -= 1;
    }
    WriteCacheText(r, flags);
}

void TsEdit::PaintFromCache(HDC dc, bool beginPaint) {
    TsPaintScope paint(Handle(), beginPaint && !AnimationInProgress);
    std::unique_ptr<TsWindowDCScope> windowDC;
    if (dc == nullptr) {
        windowDC = std::make_unique<TsWindowDCScope>(Handle());
        dc = windowDC->Handle();
        if (dc == nullptr) return;
    }
    TsCtrlSkinData& data = SkinData();
    data.SetUpdating(data.CheckUpdating());
    if (data.PaintSuspended) return;
    if (data.PartlyVisible || SendSkinQuery(Parent(), scIsPartlyOutside) != 0) data.BackgroundDirty = true;
    data.PartlyVisible = Parent() == nullptr || !RectContains(Parent()->ClientRect(), BoundsRect());
    if (data.BackgroundDirty && !data.PaintUrgent) PrepareCache();
    PaintControlBorder(data, 0);
    BitBlt(dc, 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsEdit::PaintBorder() {
    if (AnimationInProgress) return;
    TsCtrlSkinData& data = SkinData();
    data.SetUpdating(data.CheckUpdating());
    if (data.PaintSuspended) return;
    TsWindowDCScope windowDC(Handle());
    if (windowDC.Handle() == nullptr) return;
    if (data.BackgroundDirty) PrepareCache();
    PaintControlBorder(data, 0);
    CopyFrameStrips(windowDC.Handle(), 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0,
                    EditNonClientWidth(*this));
}

bool TsEdit::AnswerSkinCommand(TMessage& message) {
    if (message.Msg != SkinCommandMessage) return false;
    TsCtrlSkinData& data = SkinData();
    switch (SkinCommandOf(message.WParam)) {
        case scSkinLoaded:
        case scSkinRemoved:
            if (!IsOwnManagerCommand(message, data)) return false;
            SharedControlMessageHandler(message, &data);
            return true;
        case scRefreshFromSkin:
            if (!IsOwnManagerCommand(message, data)) return false;
            SharedControlMessageHandler(message, &data);
            if (!AnimationInProgress && HandleAllocated() && Visible())
                RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
            return true;
        case scIsSkinned:
            message.Result = 1;
            return true;
        case scDependsOnParentBackground:
            message.LParam = 0;
            return true;
        case scGetBackgroundColor:
            if (data.IsSkinned()) return false;
            message.Result = static_cast<LRESULT>(ColorToRGB(Color()));
            return true;
        case scGetApplication:
            message.Result = reinterpret_cast<LRESULT>(Application);
            return true;
        default:
            return false;
    }
}

void TsEdit::WndProc(TMessage& message) {
    if (AnswerSkinCommand(message)) return;
    if (ControlCanPaint(this) && SkinData().IsSkinned()) {
        SkinnedWndProc(message);
        return;
    }
    TEdit::WndProc(message);
    FollowWithBoundLabel(boundLabel_.get(), *this, disabledKind_, message);
}

void TsEdit::SkinnedWndProc(TMessage& message) {
    TsCtrlSkinData& data = SkinData();
    switch (message.Msg) {
        case WM_PAINT:
            data.SetUpdating(data.CheckUpdating());
            if (AnimationInProgress || data.PaintSuspended) {
                TsPaintScope validateOnly(Handle(), true);
            } else if (Enabled() && PaintState() == 1) {
                TEdit::WndProc(message);
            } else {
                PaintFromCache(reinterpret_cast<HDC>(message.WParam), true);
            }
            return;
        case WM_ERASEBKGND:
        case CN_DRAWITEM:
            if (AnimationInProgress) return;
            data.SetUpdating(data.CheckUpdating());
            if (!data.PaintSuspended && Enabled()) TEdit::WndProc(message);
            return;
        case WM_NCPAINT:
            if (!AnimationInProgress) PaintBorder();
            return;
        case WM_PRINT:
            PrintMessage(message);
            return;
        case CM_COLORCHANGED:
            if (data.CustomColor()) data.BackgroundDirty = true;
            break;
        default:
            break;
    }
    if (SharedControlMessageHandler(message, &data)) return;
    TEdit::WndProc(message);
    AfterStandardProcessing(message);
    FollowWithBoundLabel(boundLabel_.get(), *this, disabledKind_, message);
}

// The finished picture into the caller's DC, whose origin stands for the window's corner. The
// client area is printed by the edit control only where it paints on screen too (focused or
// hot and enabled), so a print shows what the screen shows. The caller gets the DC back as it
// gave it.
void TsEdit::PrintMessage(TMessage& message) {
    TsCtrlSkinData& data = SkinData();
    data.SetUpdating(false);
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    if (dc == nullptr) return;
    int saved = SaveDC(dc);
    PrepareCache();
    PaintControlBorder(data, 0);
    int frame = EditFrameWidth(*this);
    TBitmap& cache = *data.CacheBitmap;
    CopyFrameStrips(dc, 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0, frame);
    PaintFromCache(dc, false);
    if (Enabled() && PaintState() == 1 && (message.LParam & PRF_CLIENT) != 0) {
        POINT origin = ClientOriginInWindow(Handle());
        RECT client = ClientRect();
        OffsetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        IntersectClipRect(dc, 0, 0, RectWidth(client), RectHeight(client));
        TMessage printClient{WM_PRINTCLIENT, message.WParam, message.LParam, 0};
        TEdit::WndProc(printClient);
    }
    RestoreDC(dc, saved);
    message.Result = 0;
}

void TsEdit::AfterStandardProcessing(const TMessage& message) {
    TsCtrlSkinData& data = SkinData();
    switch (message.Msg) {
        case WM_SIZE:
            Perform(WM_NCPAINT, 0, 0);
            break;
        case WM_KILLFOCUS:
        case CM_EXIT:
            data.HasFocus = false;
            data.MouseInside = false;
            data.BackgroundDirty = true;
            if (Visible()) Repaint();
            break;
        case WM_SETTEXT:
        case WM_SETFONT:
        case EM_SETPASSWORDCHAR:  // the cached text shows the mask
        case CM_VISIBLECHANGED:
        case CM_ENABLEDCHANGED:
        case CM_TEXTCHANGED:
            if ((ComponentState() & csLoading) == 0 && !AnimationInProgress) {
                data.Invalidate();
                Perform(WM_NCPAINT, 0, 0);
            }
            break;
        case SkinCommandMessage:
            if (SkinCommandOf(message.WParam) == scResumePainting && data.CheckUpdating()) {
                data.SetUpdating(false);
                Repaint();
                Perform(WM_NCPAINT, 0, 0);
            }
            break;
        default:
            break;
    }
}

void FollowWithBoundLabel(TsBoundLabel* boundLabel, const TWinControl& control, TsDisabledKind disabledKind,
                          const TMessage& message) {
    // A label being freed with its control may still make the control realign.
    if (boundLabel == nullptr || (control.ComponentState() & csDestroying) != 0) return;
    TCustomLabel* label = boundLabel->Label();
    if (label == nullptr) return;
    switch (message.Msg) {
        case WM_SIZE:
        case WM_WINDOWPOSCHANGED:
            break;
        case CM_VISIBLECHANGED:
            label->SetVisible(control.Visible());
            break;
        case CM_ENABLEDCHANGED:
            label->SetEnabled(control.Enabled() || (disabledKind & kDisabledBlended) == 0);
            break;
        case CM_BIDIMODECHANGED:
            label->SetBiDiMode(control.BiDiMode());
            break;
        default:
            return;
    }
    boundLabel->PlaceLabel();
}

}  // namespace parch
