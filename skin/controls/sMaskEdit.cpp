#include "skin/controls/sMaskEdit.h"

#include "framework/Application.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "skin/engine/acntUtils.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sScopedPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinnedForms.h"

namespace parch {

namespace {

constexpr int kMaskEditKind = 3;

}  // namespace

TsMaskEdit::TsMaskEdit(TComponent* owner) : TsSkinnedControl(owner, kMaskEditKind, true) {
    SetControlStyle(ControlStyle() & ~csSetCaption);
    if (SkinData().SkinSection().empty()) SkinData().SetSkinSection("EDIT");
    boundLabel_ = std::make_unique<TsBoundLabel>(SkinData());
    AfterConstruction();
}

TsMaskEdit::~TsMaskEdit() { boundLabel_.reset(); }

void TsMaskEdit::SetDisabledKind(TsDisabledKind value) {
    if (value == disabledKind_) return;
    disabledKind_ = value;
    SkinData().Invalidate();
}

int TsMaskEdit::BorderInset() const {
    if (BorderStyle() == bsNone) return 0;
    return (Ctl3D() ? 1 : 0) + 2;
}

int TsMaskEdit::PaintState() const { return Focused() ? 1 : 0; }

void TsMaskEdit::Change() {
    if ((ComponentState() & csLoading) != 0) return;
    TsSkinnedControl::Change();
}

void TsMaskEdit::CreateWnd() {
    TsSkinnedControl::CreateWnd();
    SkinData().BackgroundDirty = true;
}

void TsMaskEdit::PrepareCache() {
    TsCtrlSkinData& data = SkinData();
    data.PrepareCacheBitmap();
    TBitmap& cache = *data.CacheBitmap;
    RECT all{0, 0, Width(), Height()};
    if (!data.IsSkinned()) {
        FillRectWithColor(cache.Canvas().Handle(), all, Color());
        PaintText();
        return;
    }
    TsBackgroundSource backdrop = data.GetParentBackground();
    bool bordered = BorderStyle() == bsSingle;
    if (bordered)
        PaintControlFace(data, backdrop, PaintState(), all, POINT{Left(), Top()}, cache, true);
    else
        PaintControlBackground(data, backdrop, 0, all, POINT{Left(), Top()}, cache);
    PaintText();
    if (!Enabled()) ApplyDisabledLook(cache, disabledKind_, Color(), backdrop, POINT{Left(), Top()});
    data.BackgroundDirty = false;
}

void TsMaskEdit::PaintText() {
    const std::string& shown = EditText();
    if (shown.empty()) return;
    TCanvas& canvas = SkinData().CacheBitmap->Canvas();
    canvas.Font().Assign(Font());
    int inset = BorderInset();
    std::string text = DisplayText();  // the edit text, or one mask character per character
    RECT r{inset, inset, Width() - inset, inset + canvas.TextHeight(text) + 2};
    UINT flags = PasswordChar() != 0 ? (TextAlignFlags(*this, taLeftJustify) | DT_NOPREFIX)
                                     : (DT_NOPREFIX | DT_EXTERNALLEADING);
    DrawControlText(canvas, text, true, r, flags, SkinData(), PaintState() != 0);
}

void TsMaskEdit::PaintBorder(HDC dc) {
    if (Parent() == nullptr || !Visible() || !Parent()->Visible() || !HandleAllocated()) return;
    if ((ControlState() & csCreating) != 0 || BorderStyle() == bsNone || SkinData().CheckUpdating()) return;
    TsWindowDCScope target(Handle(), dc);
    if (target.Handle() == nullptr) return;
    TsCtrlSkinData& data = SkinData();
    if (data.BackgroundDirty) PrepareCache();
    PaintControlBorder(data, 0);
    CopyFrameStrips(target.Handle(), 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, 2);
}

void TsMaskEdit::PaintFromCache(HDC dc) { PaintCacheToDC(dc, true); }

void TsMaskEdit::PaintCacheToDC(HDC dc, bool beginPaint) {
    TsPaintScope paint(Handle(), beginPaint && !AnimationInProgress);
    TsWindowDCScope target(Handle(), dc);
    if (target.Handle() == nullptr) return;
    TsCtrlSkinData& data = SkinData();
    data.SetUpdating(data.CheckUpdating());
    if (data.PaintSuspended) return;
    if (data.PartlyVisible || SendSkinQuery(Parent(), scIsPartlyOutside) != 0) data.BackgroundDirty = true;
    data.PartlyVisible = Parent() == nullptr || !RectContains(Parent()->ClientRect(), BoundsRect());
    if (data.BackgroundDirty) PrepareCache();
    PaintControlBorder(data, 0);
    RECT all{0, 0, Width(), Height()};
    PaintChildControls(*this, data, all, all, target.Handle(), false, 0, 0);
    if (ControlCount() == 0) return;
    int frame = BorderStyle() == bsNone ? 0 : (Ctl3D() ? 1 : 0) + 1;
    for (int i = 0; i < ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(Controls(i));
        if (child != nullptr && child->Visible()) {
            RECT r = child->BoundsRect();
            ExcludeClipRect(target.Handle(), r.left + frame, r.top + frame, r.right + frame, r.bottom + frame);
        }
    }
    PaintGraphicChildren(target.Handle(), *this, false, POINT{frame, frame});
}

bool TsMaskEdit::AnswerOwnSkinCommand(TMessage& message) {
    if (message.Msg != SkinCommandMessage) return false;
    TsCtrlSkinData& data = SkinData();
    switch (SkinCommandOf(message.WParam)) {
        case scSkinLoaded:
            if (!IsOwnManagerCommand(message, data)) return false;
            SharedControlMessageHandler(message, &data);
            return true;
        case scSkinRemoved:
            if (!IsOwnManagerCommand(message, data)) return false;
            SharedControlMessageHandler(message, &data);
            Invalidate();
            return true;
        case scRefreshFromSkin:
            if (!IsOwnManagerCommand(message, data)) return false;
            SharedControlMessageHandler(message, &data);
            if (HandleAllocated()) Perform(WM_NCPAINT, 0, 0);
            Repaint();
            return true;
        case scResumePainting:
            if (data.CheckUpdating()) {
                data.SetUpdating(false);
                if (HandleAllocated()) InvalidateRect(Handle(), nullptr, 1);
                Perform(WM_NCPAINT, 0, 0);
            }
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

void TsMaskEdit::WndProc(TMessage& message) {
    if (AnswerOwnSkinCommand(message)) return;
    if (ControlCanPaint(this) && SkinData().IsSkinned()) {
        SkinnedWndProc(message);
        return;
    }
    if (message.Msg == WM_PAINT && !Focused() && HandleAllocated()) {
        UnskinnedPaint();
        return;
    }
    TsSkinnedControl::WndProc(message);
    FollowWithBoundLabel(boundLabel_.get(), *this, disabledKind_, message);
}

// Without a skin the unfocused edit shows its text from the cache in its own colours, with the
// windowless children painted in.
void TsMaskEdit::UnskinnedPaint() {
    TsPaintScope paint(Handle(), true);
    PrepareCache();
    TBitmap& cache = *SkinData().CacheBitmap;
    HDC cacheDC = cache.Canvas().Handle();
    int x = BorderStyle() == bsNone ? 0 : 2;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        if (dynamic_cast<TWinControl*>(child) != nullptr || !child->Visible()) continue;
        int saved = SaveDC(cacheDC);
        SetViewportOrgEx(cacheDC, child->Left() + x, child->Top() + x, nullptr);
        child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(cacheDC), 0);
        RestoreDC(cacheDC, saved);
    }
    TsWindowDCScope window(Handle(), nullptr);
    if (window.Handle() != nullptr)
        BitBlt(window.Handle(), x, x, Width() - 2 * x, Height() - 2 * x, cacheDC, x, x, SRCCOPY);
}

void TsMaskEdit::SkinnedWndProc(TMessage& message) {
    TsCtrlSkinData& data = SkinData();
    switch (message.Msg) {
        case WM_SETTEXT:
            if ((ComponentState() & csDesigning) != 0) data.BackgroundDirty = true;
            break;
        case WM_PAINT:
            if (Focused()) {
                TsSkinnedControl::WndProc(message);
                PaintBorder(nullptr);
            } else {
                PaintFromCache(reinterpret_cast<HDC>(message.WParam));
            }
            return;
        case WM_ERASEBKGND:
        case CN_DRAWITEM:
            if (AnimationInProgress) return;
            data.SetUpdating(data.CheckUpdating());
            if (!data.PaintSuspended) TsSkinnedControl::WndProc(message);
            return;
        case WM_NCPAINT:
            if (AnimationInProgress) return;
            data.SetUpdating(data.CheckUpdating());
            if (!data.PaintSuspended) PaintBorder(nullptr);
            return;
        case WM_PRINT: {
            // Drawn into the caller's DC, which gets back as it was given.
            data.SetUpdating(false);
            if (data.BackgroundDirty) PrepareCache();
            PaintControlBorder(data, 0);
            HDC dc = reinterpret_cast<HDC>(message.WParam);
            PaintCacheToDC(dc, false);
            TBitmap& cache = *data.CacheBitmap;
            if (dc != nullptr)
                CopyFrameStrips(dc, 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0, BorderInset());
            return;
        }
        case CM_COLORCHANGED:
        case CM_CHANGED:
            data.BackgroundDirty = true;
            break;
        default:
            break;
    }
    SharedControlMessageHandler(message, &data);
    TsSkinnedControl::WndProc(message);
    switch (message.Msg) {
        case WM_SETFOCUS:
            Invalidate();
            break;
        case WM_SETFONT:
        case CM_VISIBLECHANGED:
        case CM_ENABLEDCHANGED:
            data.Invalidate();
            break;
        default:
            break;
    }
    FollowWithBoundLabel(boundLabel_.get(), *this, disabledKind_, message);
}

}  // namespace parch
