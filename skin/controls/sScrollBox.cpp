#include "skin/controls/sScrollBox.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinnedForms.h"

namespace parch {

namespace {

constexpr int kScrollBoxKind = 58;

bool VerticalScroll(const TMessage& message) { return LOWORD(static_cast<DWORD>(message.LParam)) == WM_VSCROLL; }

// The client DC (or the caller's) for the time it lives.
class TsScrollBoxDC {
public:
    TsScrollBoxDC(HWND window, HDC given) : window_(given == nullptr ? window : nullptr) {
        dc_ = given != nullptr ? given : GetDC(window);
    }
    ~TsScrollBoxDC() {
        if (window_ != nullptr && dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    TsScrollBoxDC(const TsScrollBoxDC&) = delete;
    TsScrollBoxDC& operator=(const TsScrollBoxDC&) = delete;
    HDC Handle() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace

TsScrollBox::TsScrollBox(TComponent* owner) : TsSkinnedControl(owner, kScrollBoxKind, true) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(Left(), Top(), 185, 41);
    AfterConstruction();
}

TsScrollBox::~TsScrollBox() { RemoveScrollWnd(adapter_); }

void TsScrollBox::Loaded() {
    TsSkinnedControl::Loaded();
    RefreshScrollWnd(SkinData(), adapter_);
}

void TsScrollBox::SetParent(TWinControl* parent) {
    TsSkinnedControl::SetParent(parent);
    if (parent != nullptr) SkinData().Loaded();
}

void TsScrollBox::CreateWnd() {
    TsSkinnedControl::CreateWnd();
    RefreshScrollWnd(SkinData(), adapter_);
}

int TsScrollBox::FrameWidth() const { return BorderWidth() + (BorderStyle() == bsSingle ? 2 : 0); }

bool TsScrollBox::CachedLook() const {
    return (SkinData().NeedsSkinPainting() && !SkinData().CustomColor()) || OnPaint != nullptr;
}

void TsScrollBox::RereadScrollInfo() {
    if (adapter_ && !adapter_->Destroyed()) adapter_->UpdateScrollInfo(true);
}

void TsScrollBox::PrepareCache() {
    TsCommonData& data = SkinData();
    data.PrepareCacheBitmap();
    TBitmap& cache = *data.CacheBitmap;
    RECT all{0, 0, Width(), Height()};
    if (Parent() != nullptr)
        PaintControlFaceOnParent(data, *Parent(), 0, all, POINT{Left(), Top()}, cache, true);
    else
        PaintControlFace(data, EmptyBackdrop, 0, all, POINT{0, 0}, cache, true);
    data.BackgroundDirty = false;
    if (OnPaint) OnPaint(cache);
}

void TsScrollBox::PaintAll(HDC given) {
    if (!HandleAllocated()) return;
    TsScrollBoxDC target(Handle(), given);
    if (target.Handle() == nullptr) return;
    TsCommonData& data = SkinData();
    data.SetUpdating(data.CheckUpdating());
    if (CachedLook() && !data.PaintSuspended)
        PaintCached(target.Handle());
    else
        PaintFlat(target.Handle());
    RefreshChildControls(*this);
}

void TsScrollBox::PaintCached(HDC dc) {
    TsCommonData& data = SkinData();
    bool rebuild = data.PartlyVisible || data.BackgroundDirty;
    if (data.DependsOnParentBackground()) {
        RECT clip{};
        GetClipBox(dc, &clip);
        data.PartlyVisible = RectWidth(clip) < ClientWidth() || RectHeight(clip) < ClientHeight();
    } else {
        data.PartlyVisible = false;
    }
    if (rebuild || !data.CacheBitmap || data.CacheBitmap->Width() == 0) PrepareCache();
    int fw = FrameWidth();
    PaintChildControls(*this, data, RECT{fw, fw, Width() - fw, Height() - fw}, RECT{0, 0, Width() - 2 * fw, Height() - 2 * fw},
                       dc, false, 0, 0);
    PaintGraphicChildren(dc, *this, false, POINT{0, 0});
}

// A plain section: the parent's backdrop (or a colour) through the box, no cache kept.
void TsScrollBox::PaintFlat(HDC dc) {
    TsCommonData& data = SkinData();
    data.SetUpdating(false);
    int fw = FrameWidth();
    int saved = SaveDC(dc);
    ExcludeGraphicChildren(dc, *this, 0, 0);
    OffsetViewportOrgEx(dc, -fw, -fw, nullptr);
    TsBackgroundRequest request;
    if (data.CustomColor()) {
        request.Kind = 1;
        request.Color = static_cast<std::uint32_t>(ColorToRGB(Color()));
    } else if (Parent() != nullptr) {
        GetControlBackdrop(request, *Parent(), false);
    }
    const TsGeneralData* section = data.Section();
    int transparency = section != nullptr ? section->Transparency : 0;
    if (transparency == 100 && request.Kind == 2 && request.Bmp != nullptr) {
        BitBlt(dc, 0, 0, Width(), Height(), request.Bmp->Canvas().Handle(), request.X + Left(), request.Y + Top(),
               SRCCOPY);
    } else {
        TColor fill = transparency == 100 || data.CustomColor() ? static_cast<TColor>(request.Color)
                                                                 : data.GetBackgroundColor(0, Handle());
        FillRectWithColor(dc, RECT{0, 0, Width(), Height()}, fill);
    }
    RestoreDC(dc, saved);
    PaintGraphicChildren(dc, *this, false, POINT{0, 0});
    if (data.CacheBitmap) data.CacheBitmap->SetSize(0, 0);
}

void TsScrollBox::PaintNonClient() {
    TsCommonData& data = SkinData();
    if (AnimationInProgress) return;
    data.SetUpdating(data.CheckUpdating());
    if (!ControlCanPaint(this) || data.PaintSuspended) return;
    HDC dc = GetWindowDC(Handle());
    if (dc == nullptr) return;
    int fw = FrameWidth();
    if (data.NeedsSkinPainting()) {
        if (data.BackgroundDirty || !data.CacheBitmap || data.CacheBitmap->Width() == 0) PrepareCache();
        PaintControlBorder(data, 0);
        CopyFrameStrips(dc, 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, fw);
        if (adapter_ && !adapter_->Destroyed() && adapter_->VertBar().shown) adapter_->PaintScrollBars(dc);
    } else {
        RECT inner{};
        PaintNonClientFrame(dc, RECT{0, 0, Width(), Height()}, fw, data, 0, inner);
        if (data.CacheBitmap) data.CacheBitmap->SetSize(0, 0);
    }
    ReleaseDC(Handle(), dc);
}

// Into the caller's DC, which it gets back as it gave it.
void TsScrollBox::Print(HDC dc) {
    TsCommonData& data = SkinData();
    data.SetUpdating(false);
    if (dc == nullptr || !ControlCanPaint(this)) return;
    int saved = SaveDC(dc);
    PrepareCache();
    int fw = FrameWidth();
    CopyFrameStrips(dc, 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, fw);
    if (adapter_ && !adapter_->Destroyed()) adapter_->PaintScrollBars(dc);
    OffsetViewportOrgEx(dc, fw, fw, nullptr);
    IntersectClipRect(dc, 0, 0, ClientWidth(), ClientHeight());
    data.PartlyVisible = false;
    PaintAll(dc);
    RestoreDC(dc, saved);
}

bool TsScrollBox::AnswerLifecycleCommand(TMessage& message) {
    if (message.Msg != SkinCommandMessage) return false;
    TsCommonData& data = SkinData();
    bool own = IsOwnManagerCommand(message, data);
    auto broadcast = [&] {
        TMessage copy = message;
        BroadcastToControls(*this, copy);
    };
    switch (SkinCommandOf(message.WParam)) {
        case scSkinLoaded:
            broadcast();
            if (own) SharedControlMessageHandler(message, &data);
            return true;
        case scSkinRemoved:
            if (own) {
                RemoveScrollWnd(adapter_);
                SharedControlMessageHandler(message, &data);
                if ((ComponentState() & csDestroying) == 0) {
                    data.SectionIndex = -1;
                    data.BordersMaskIndex = -1;
                    SetControlStyle(ControlStyle() & ~csOpaque);
                    if (HandleAllocated())
                        RedrawWindow(Handle(), nullptr, nullptr,
                                     RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
                }
            }
            broadcast();
            return true;
        case scRefreshFromSkin:
            if (own) {
                SharedControlMessageHandler(message, &data);
                data.SetUpdating(data.CheckUpdating());
                UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME;
                if (!data.PaintSuspended && !AnimationInProgress) flags |= RDW_UPDATENOW;
                if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, flags);
                RefreshScrollWnd(data, adapter_);
            }
            broadcast();
            return true;
        case scResumePainting:
            if (data.CheckUpdating()) {
                if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
                data.SetUpdating(false);
            } else {
                HandleSkinCommand(message, &data);
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

void TsScrollBox::ScrollStarts(const TMessage& message) {
    if (OnBeforeScroll) OnBeforeScroll(this);
    int bar = VerticalScroll(message) ? SB_VERT : SB_HORZ;
    scrollStart_ = HandleAllocated() ? GetScrollPos(Handle(), bar) : 0;
    if (SkinData().NeedsSkinPainting() && ScrollTracking().thumbTracking) Perform(WM_SETREDRAW, 0, 0);
}

void TsScrollBox::ScrollEnds(const TMessage& message) {
    bool tracking = ScrollTracking().thumbTracking;
    if (HandleAllocated()) {
        if (SkinData().NeedsSkinPainting()) {
            if (!tracking) {
                RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
            } else {
                Perform(WM_SETREDRAW, 1, 0);
                RedrawWindow(Handle(), nullptr, nullptr, RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
            }
        } else if (tracking) {
            // Only the strip the scroll uncovered.
            bool vertical = VerticalScroll(message);
            int now = GetScrollPos(Handle(), vertical ? SB_VERT : SB_HORZ);
            int moved = now - scrollStart_;
            RECT client = ClientRect();
            RECT strip = client;
            int extent = std::abs(moved);
            if (vertical) {
                if (moved > 0) strip.top = client.bottom - extent; else strip.bottom = client.top + extent;
            } else {
                if (moved > 0) strip.left = client.right - extent; else strip.right = client.left + extent;
            }
            if (moved != 0)
                RedrawWindow(Handle(), &strip, nullptr,
                             RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_INVALIDATE);
        }
    }
    if (OnAfterScroll) OnAfterScroll(this);
}

bool TsScrollBox::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
    if (!autoMouseWheel_) return TsSkinnedControl::DoMouseWheel(shift, wheelDelta, mousePos);
    if (forwardingWheel_) return false;
    TCustomForm* form = ParentForm();
    if (form == nullptr) return true;
    if (TWinControl* active = form->ActiveControl(); active != nullptr && active != this && active->HandleAllocated()) {
        forwardingWheel_ = true;
        LRESULT answer = 0;
        try {
            WPARAM wParam = MAKEWPARAM(static_cast<WORD>(shift), static_cast<WORD>(static_cast<SHORT>(wheelDelta)));
            answer = SendMessage(active->Handle(), WM_MOUSEWHEEL, wParam, MAKELPARAM(mousePos.x, mousePos.y));
        } catch (...) {
            forwardingWheel_ = false;
            throw;
        }
        forwardingWheel_ = false;
        RereadScrollInfo();
        if (answer != 0) return true;
    }
    if (OnBeforeScroll) OnBeforeScroll(this);
    TControlScrollBar& bar = VertScrollBar();
    bar.SetPosition(bar.Position() - (wheelDelta / 120) * bar.Increment());
    if (OnAfterScroll) OnAfterScroll(this);
    return true;
}

void TsScrollBox::SkinnedWndProc(TMessage& message) {
    TsCommonData& data = SkinData();
    switch (message.Msg) {
        case SkinCommandMessage:
            switch (SkinCommandOf(message.WParam)) {
                case scMustPaintingWait:
                    message.Result = data.NeedsSkinPainting() && data.PaintSuspended ? 1 : 0;
                    return;
                case scGetBackground: {
                    if (!data.CacheBitmap || data.CacheBitmap->Width() == 0) {
                        message.Result = 0;
                        return;
                    }
                    auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam);
                    data.FillBackgroundRequest(*request, 0, Handle());
                    if (request->Kind == 2 && request->PaintIt == 0) {
                        request->X += FrameWidth();
                        request->Y += FrameWidth();
                    }
                    return;
                }
                default:
                    HandleSkinCommand(message, &data);
                    return;
            }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            if (data.NeedsSkinPainting()) {
                BeginPaint(Handle(), &ps);
                PaintAll(reinterpret_cast<HDC>(message.WParam));
                EndPaint(Handle(), &ps);
            } else {
                InvalidateRect(Handle(), nullptr, 1);
                HDC dc = BeginPaint(Handle(), &ps);
                PaintGraphicChildren(dc, *this, false, POINT{0, 0});
                EndPaint(Handle(), &ps);
            }
            return;
        }
        case WM_NCPAINT:
            PaintNonClient();
            return;
        case WM_ERASEBKGND: {
            HDC dc = reinterpret_cast<HDC>(message.WParam);
            message.Result = 0;
            if ((AnimationInProgress && dc != data.PrintTarget) || !ControlCanPaint(this)) return;
            const TsGeneralData* section = data.Section();
            bool opaque = section != nullptr && section->Transparency == 0;
            if (opaque || (Parent() != nullptr && (SendSkinCommand(Parent(), scBackgroundKind, 0) & 1) != 0))
                PaintAll(dc);
            message.Result = 1;
            return;
        }
        case WM_PRINT:
            Print(reinterpret_cast<HDC>(message.WParam));
            return;
        case CM_VISIBLECHANGED:
            data.BackgroundDirty = true;
            break;
        case CM_ENTER:
        case CM_EXIT:
            data.BeginUpdate();
            TsSkinnedControl::WndProc(message);
            data.EndUpdate(false);
            return;
        default:
            break;
    }
    SharedControlMessageHandler(message, &data);
    TsSkinnedControl::WndProc(message);
    switch (message.Msg) {
        case WM_SIZE:
            if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
            break;
        case WM_WINDOWPOSCHANGING:
        case WM_MOUSEWHEEL:
        case CM_CONTROLLISTCHANGE:
        case CM_CONTROLCHANGE:
        case CM_FOCUSCHANGED:
            if (!data.PaintSuspended && AutoScroll()) RereadScrollInfo();
            break;
        case WM_PARENTNOTIFY:
            if (AutoScroll() && (LOWORD(message.WParam) == WM_CREATE || LOWORD(message.WParam) == WM_DESTROY))
                RereadScrollInfo();
            break;
        case CM_SHOWINGCHANGED:
            RefreshScrollWnd(data, adapter_);
            break;
        default:
            break;
    }
}

void TsScrollBox::WndProc(TMessage& message) {
    if (AnswerLifecycleCommand(message)) return;
    if (message.Msg == SkinCommandMessage) {
        switch (SkinCommandOf(message.WParam)) {
            case scAnimationFrameReady:
                if (HandleAllocated())
                    RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
                break;
            case scScrollNotify1:
                ScrollStarts(message);
                break;
            case scScrollNotify2:
                ScrollEnds(message);
                break;
            default:
                break;
        }
    } else if (message.Msg == CM_MOUSEENTER && OnMouseEnter) {
        OnMouseEnter(this);
    } else if (message.Msg == CM_MOUSELEAVE && OnMouseLeave) {
        OnMouseLeave(this);
    }
    if (!ControlCanPaint(this) || !SkinData().IsSkinned()) {
        TsSkinnedControl::WndProc(message);
        return;
    }
    SkinnedWndProc(message);
}

}  // namespace parch
