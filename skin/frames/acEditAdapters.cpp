#include "skin/frames/acEditAdapters.h"

#include "framework/Controls.h"
#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/WindowTree.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowLife.h"
#include "platform/win/Painting.h"
#include "platform/win/TreeViewClass.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sSkinManager.h"
#include "skin/frames/acAdapterPaint.h"

namespace parch {
namespace {

constexpr UINT kEditPrintClientFlags = 0x24;  // PRF_CLIENT | PRF_OWNED
constexpr UINT kEditFrameRedraw = 0x585;      // invalidate, erase, all children, update now, frame

bool EditHasLeftScrollBar(HWND window) {
    return (static_cast<DWORD>(GetWindowLongPtr(window, GWL_EXSTYLE)) & WS_EX_LEFTSCROLLBAR) != 0;
}

bool EditControlGoing(const TWinControl* control) { return control && (control->ComponentState() & csDestroying) != 0; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TacEditWnd

TacEditWnd::TacEditWnd(HWND handle, TsSkinManager* manager, const std::string& section, bool repaint,
                       TWinControl* ownerControl)
    : TacScrollWnd(handle, manager, section.empty() ? std::string("EDIT") : section, false, ownerControl) {
    InitAdapterSkinData(skinData_, manager, section, "EDIT");
    SaveOwnColors();
    if (repaint && IsWindowVisible(handle)) RefreshWindowFrame(handle, true);
}

TacEditWnd::~TacEditWnd() { LeaveWindow(); }

void TacEditWnd::LeaveWindow() {
    if (left_) return;
    left_ = true;
    const bool wasAttached = !Destroyed();
    WindowGone();
    Detach();
    if (!wasAttached || !IsWindow(Handle())) return;
    RestoreOwnColors();
}

int TacEditWnd::FrameWidth() const {
    RECT window{};
    GetWindowRect(Handle(), &window);
    POINT client{0, 0};
    ClientToScreen(Handle(), &client);
    return std::max(0, static_cast<int>(client.y - window.top));
}

void TacEditWnd::SaveOwnColors() {
    TWinControl* owner = OwnerControl();
    if (!owner) return;
    savedColor_ = owner->Color();
    savedFontColor_ = owner->Font().Color();
}

void TacEditWnd::RestoreOwnColors() {
    if (IsWindowVisible(Handle()))
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
    TWinControl* owner = OwnerControl();
    if (!owner || EditControlGoing(owner)) return;
    if (owner->Color() != savedColor_) owner->SetColor(savedColor_);
    if (owner->Font().Color() != savedFontColor_) owner->Font().SetColor(savedFontColor_);
}

void TacEditWnd::SetSkinColors() {
    if (inSetSkinColors_) return;
    inSetSkinColors_ = true;
    skinData_.SetUpdating(true);
    colorsApplied_ = true;
    if (skinData_.IsSkinned(true)) {
        if (TWinControl* owner = OwnerControl()) {
            const bool hot = FrameState() > 0;
            if (!skinData_.CustomColor()) {
                const TColor colour = skinData_.GetBackgroundColor(hot ? 1 : 0, Handle());
                if (owner->Color() != colour) owner->SetColor(colour);
            }
            if (!skinData_.CustomFont()) {
                const TColor font = SectionFontColor(skinData_, hot);
                if (owner->Font().Color() != font) owner->Font().SetColor(font);
            }
        } else {
            if (!skinData_.CustomColor()) color_ = DialogMode ? clWindow : SectionColor(skinData_, false);
            edgeColor_ = static_cast<TColor>(skinData_.GetSkinManager()->SkinData().BorderColor);
        }
        skinData_.BackgroundDirty = true;
    } else {
        edgeColor_ = static_cast<TColor>(0);
    }
    skinData_.SetUpdating(false);
    inSetSkinColors_ = false;
}

int TacEditWnd::FrameState() const {
    const TsGeneralData* section = skinData_.Section();
    if (!section || section->StateCount < 2) return 0;
    return (skinData_.HasFocus || skinData_.MouseInside) ? 1 : 0;
}

void TacEditWnd::PaintFrame(HDC dc) {
    if (skinData_.BackgroundDirty) {
        if (!colorsApplied_) SetSkinColors();
        UpdateWndCache(skinData_, Handle(), DialogMode, FrameState());
    }
    if (!skinData_.CacheBitmap) return;
    const int saved = SaveDC(dc);
    TBitmap& cache = *skinData_.CacheBitmap;
    CopyFrameStrips(dc, 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0, FrameWidth());
    PaintScrollBars(dc);
    RestoreDC(dc, saved);
}

LRESULT TacEditWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) { return EditWndProc(msg, wParam, lParam); }

LRESULT TacEditWnd::EditWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Destroyed() || !SkinActive() || !skinData_.IsSkinned(true)) return TacScrollWnd::WndProc(msg, wParam, lParam);
    switch (msg) {
        case SkinCommandMessage: return OnSkinCommand(wParam, lParam);
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            const LRESULT result = TacScrollWnd::WndProc(msg, wParam, lParam);
            if (Destroyed()) return result;
            skinData_.HasFocus = msg == WM_SETFOCUS;
            skinData_.BackgroundDirty = true;
            if (IsWindowVisible(Handle())) SendMessage(Handle(), WM_NCPAINT, 0, 0);
            return result;
        }
        case WM_PAINT:
            if (IsWindowVisible(Handle()) && !skinData_.PaintSuspended) {
                if (!colorsApplied_) SetSkinColors();
            }
            return TacScrollWnd::WndProc(msg, wParam, lParam);
        case WM_ERASEBKGND:
            if (IsWindowVisible(Handle()) && !colorsApplied_) SetSkinColors();
            return TacScrollWnd::WndProc(msg, wParam, lParam);
        case WM_NCPAINT: return OnNcPaint(wParam, lParam);
        case WM_PRINT: return OnPrint(wParam, lParam);
        case WM_MOUSEMOVE:
            if (!skinData_.MouseInside && IsWindowEnabled(Handle())) {
                // The frame turns hot under the mouse until the mouse leaves.
                skinData_.MouseInside = true;
                TRACKMOUSEEVENT track{};
                track.cbSize = sizeof(track);
                track.dwFlags = TME_LEAVE;
                track.hwndTrack = Handle();
                TrackMouseEvent(&track);
                if (FrameState() > 0) {
                    skinData_.BackgroundDirty = true;
                    SendMessage(Handle(), WM_NCPAINT, 0, 0);
                }
            }
            return TacScrollWnd::WndProc(msg, wParam, lParam);
        case WM_MOUSELEAVE:
            if (skinData_.MouseInside) {
                skinData_.MouseInside = false;
                skinData_.BackgroundDirty = true;
                if (IsWindowVisible(Handle())) SendMessage(Handle(), WM_NCPAINT, 0, 0);
            }
            return TacScrollWnd::WndProc(msg, wParam, lParam);
        case WM_SIZE: {
            skinData_.BackgroundDirty = true;
            const LRESULT result = TacScrollWnd::WndProc(msg, wParam, lParam);
            if (!Destroyed() && IsWindowVisible(Handle())) SendMessage(Handle(), WM_NCPAINT, 0, 0);
            return result;
        }
        default: return TacScrollWnd::WndProc(msg, wParam, lParam);
    }
}

LRESULT TacEditWnd::OnSkinCommand(WPARAM wParam, LPARAM lParam) {
    const int command = HIWORD(static_cast<DWORD>(wParam));
    const bool ownManager = reinterpret_cast<TsSkinManager*>(lParam) == SkinManager();
    switch (command) {
        case kCmdSkinRemoved:
            if (ownManager) RestoreOwnColors();
            return TacScrollWnd::WndProc(SkinCommandMessage, wParam, lParam);
        case kCmdRefresh: {
            const LRESULT result = TacScrollWnd::WndProc(SkinCommandMessage, wParam, lParam);
            if (ownManager && !Destroyed()) {
                skinData_.UpdateIndexes();
                SetSkinColors();
                if (IsWindowVisible(Handle())) RedrawWindow(Handle(), nullptr, nullptr, kEditFrameRedraw);
            }
            return result;
        }
        case kCmdIsSkinned: return 1;
        case scRebuildCache:
            skinData_.BackgroundDirty = true;
            UpdateWndCache(skinData_, Handle(), DialogMode, FrameState());
            return 0;
        case scGetSection:
            if (lParam) reinterpret_cast<TacSectionInfo*>(lParam)->Index = skinData_.SectionIndex;
            return 0;
        case scGetBackground: {
            const LRESULT result = TacScrollWnd::WndProc(SkinCommandMessage, wParam, lParam);
            auto* request = reinterpret_cast<TsBackgroundRequest*>(lParam);
            if (request && request->Kind == 0) {
                if (skinData_.CustomColor()) {
                    request->Kind = 1;
                    request->Color = static_cast<std::uint32_t>(ColorToRGB(color_));
                } else {
                    skinData_.FillBackgroundRequest(*request, 0, Handle());
                }
            }
            return result;
        }
        case kCmdBeforeScroll:
            // A right-to-left window would draw its text mirrored half-way through the request.
            if (EditHasLeftScrollBar(Handle())) {
                SendMessage(Handle(), WM_SETREDRAW, 0, 0);
                return 0;
            }
            return TacScrollWnd::WndProc(SkinCommandMessage, wParam, lParam);
        case kCmdAfterScroll:
            if (EditHasLeftScrollBar(Handle())) {
                SendMessage(Handle(), WM_SETREDRAW, 1, 0);
                InvalidateRect(Handle(), nullptr, 1);
                return 0;
            }
            return TacScrollWnd::WndProc(SkinCommandMessage, wParam, lParam);
        default: return TacScrollWnd::WndProc(SkinCommandMessage, wParam, lParam);
    }
}

LRESULT TacEditWnd::OnNcPaint(WPARAM, LPARAM) {
    // The frame is ours entirely: the window's own never shows under it.
    if (!IsWindowVisible(Handle()) || sending_ || skinData_.PaintSuspended) return 0;
    HDC dc = GetWindowDC(Handle());
    if (!dc) return 0;
    PaintFrame(dc);
    ReleaseDC(Handle(), dc);
    return 0;
}

LRESULT TacEditWnd::OnPrint(WPARAM wParam, LPARAM lParam) {
    const LRESULT passed = TacScrollWnd::WndProc(WM_PRINT, wParam, lParam);
    if (passed == 2 || Destroyed()) return passed;
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (!dc) return passed;
    skinData_.SetUpdating(false);
    skinData_.BackgroundDirty = true;
    PaintFrame(dc);
    // The client area draws itself inside the frame.
    const int edge = FrameWidth();
    RECT client{};
    GetClientRect(Handle(), &client);
    const int saved = SaveDC(dc);
    POINT origin{};
    OffsetWindowOrgEx(dc, -edge, -edge, &origin);
    IntersectClipRect(dc, 0, 0, client.right, client.bottom);
    SendMessage(Handle(), WM_ERASEBKGND, wParam, 0);
    SendMessage(Handle(), WM_PRINTCLIENT, wParam, kEditPrintClientFlags);
    RestoreDC(dc, saved);
    return passed;
}

// ---------------------------------------------------------------------------------------------
// TacTreeViewWnd

TacTreeViewWnd::TacTreeViewWnd(HWND handle, TsSkinManager* manager, const std::string& section, bool repaint,
                               TWinControl* ownerControl)
    : TacEditWnd(handle, manager, section, false, ownerControl) {
    ResetColors();
    if (repaint && IsWindowVisible(handle)) {
        SetSkinColors();
        RefreshWindowFrame(handle, true);
        InvalidateRect(handle, nullptr, 1);
    }
}

TacTreeViewWnd::~TacTreeViewWnd() { LeaveWindow(); }

TColor TacTreeViewWnd::SkinBackground() const {
    if (DialogMode || !skinData_.IsSkinned(true)) return clWindow;
    return SectionColor(skinData_, FrameState() > 0);
}

void TacTreeViewWnd::SetSkinColors() {
    TacEditWnd::SetSkinColors();
    if (!skinData_.IsSkinned(true)) return;
    const TColor colour = SkinBackground();
    if (TWinControl* owner = OwnerControl()) {
        if (!skinData_.CustomFont()) {
            const TColor font = SectionFontColor(skinData_, FrameState() > 0);
            if (owner->Font().Color() != font) owner->Font().SetColor(font);
        }
        if (skinData_.CustomColor()) return;
    }
    SendMessage(Handle(), TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(colour)));
}

void TacTreeViewWnd::RestoreOwnColors() {
    TacEditWnd::RestoreOwnColors();
    // -1: the tree goes back to the system's window colour.
    if (IsWindow(Handle())) SendMessage(Handle(), TVM_SETBKCOLOR, 0, static_cast<LPARAM>(-1));
}

LRESULT TacTreeViewWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ERASEBKGND && !Destroyed() && SkinActive() && skinData_.IsSkinned(true) &&
        !skinData_.CheckUpdating()) {
        HDC dc = wParam ? reinterpret_cast<HDC>(wParam) : GetDC(Handle());
        RECT client{};
        GetClientRect(Handle(), &client);
        const HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(SkinBackground())));
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        if (!wParam) ReleaseDC(Handle(), dc);
        return 0;
    }
    const LRESULT result = EditWndProc(msg, wParam, lParam);
    if (msg == WM_LBUTTONUP && GetCapture() == Handle()) ReleaseCapture();
    return result;
}

}  // namespace parch
