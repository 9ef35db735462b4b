#include "skin/frames/acComboAdapters.h"

#include <algorithm>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/ComboBoxClass.h"
#include "platform/win/Focus.h"
#include "platform/win/ListBoxClass.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowLife.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sVclUtils.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/frames/acAdapterPaint.h"

namespace parch {
namespace {

constexpr int kComboFrameWidth = 3;
constexpr int kComboListFrameWidth = 2;
constexpr int kComboDefaultGlyphHeight = 16;
constexpr UINT kComboReflectedCommand = 0xBD11;
constexpr UINT kComboListStartTracking = 0x1AE;
constexpr UINT kComboListEndTracking = 0x1AF;
constexpr int kComboMouseEntered = 29;
constexpr int kComboMouseLeft = 30;

bool comboListDropped = false;

DWORD ComboStyle(HWND window) { return static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE)); }

}  // namespace

bool ComboListDropped() { return comboListDropped; }

// ---------------------------------------------------------------------------------------------
// TacComboListWnd

TacComboListWnd::TacComboListWnd(HWND listHandle, bool simpleStyle, bool repaint, const std::string& section,
                                 TsSkinManager* manager)
    : TacEditWnd(listHandle, manager, section, false, nullptr), simpleStyle_(simpleStyle) {
    if (repaint && IsWindowVisible(listHandle)) RefreshWindowFrame(listHandle, true);
}

TacComboListWnd::~TacComboListWnd() { LeaveWindow(); }

void TacComboListWnd::PrepareListCache() {
    if (simpleStyle_) {
        SendMessage(Handle(), SkinCommandMessage, MAKEWPARAM(0, scRebuildCache), 0);
        return;
    }
    skinData_.UpdateIndexes();
    SetSkinColors();
    skinData_.PrepareCacheBitmap();
    const SIZE size = GetWindowGeometry(Handle()).size;
    TBitmap& cache = *skinData_.CacheBitmap;
    cache.SetSize(std::max<int>(0, size.cx), std::max<int>(0, size.cy));
    if (size.cx > 0 && size.cy > 0) {
        cache.Canvas().Brush().SetColor(Color());
        cache.Canvas().FillRect(RECT{0, 0, size.cx, size.cy});
        cache.Canvas().Brush().SetColor(EdgeColor());
        cache.Canvas().FrameRect(RECT{0, 0, size.cx, size.cy});
    }
    skinData_.BackgroundDirty = false;
}

LRESULT TacComboListWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Destroyed() || !SkinActive() || !skinData_.IsSkinned(true)) return EditWndProc(msg, wParam, lParam);
    const HWND h = Handle();
    switch (msg) {
        case WM_ERASEBKGND: {
            if (!wParam) return EditWndProc(msg, wParam, lParam);
            RECT client{};
            GetClientRect(h, &client);
            const HBRUSH brush = CreateSolidBrush(ColorToRGB(Color()));
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
            DeleteObject(brush);
            return 1;
        }
        case WM_NCPAINT: {
            if (sending_) return 0;
            PrepareListCache();
            if (HDC dc = GetWindowDC(h)) {
                const int saved = SaveDC(dc);
                if (skinData_.CacheBitmap) {
                    TBitmap& cache = *skinData_.CacheBitmap;
                    CopyFrameStrips(dc, 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0,
                                    std::min(kComboListFrameWidth, FrameWidth()));
                }
                PaintScrollBars(dc);
                RestoreDC(dc, saved);
                ReleaseDC(h, dc);
            }
            return 0;
        }
        case kComboListStartTracking: showed_ = true; return EditWndProc(msg, wParam, lParam);
        case kComboListEndTracking:
            showed_ = false;
            skinData_.BackgroundDirty = true;
            return EditWndProc(msg, wParam, lParam);
        case WM_PRINT:
        case WM_PRINTCLIENT: {
            if (!wParam || !IsWindowVisible(h)) return 0;
            PrepareListCache();
            const LRESULT result = TacScrollWnd::WndProc(msg, wParam, lParam);
            if (msg == WM_PRINT && SendMessage(h, LB_GETCOUNT, 0, 0) > 0) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                if (!showed_ && skinData_.CacheBitmap) {
                    TBitmap& cache = *skinData_.CacheBitmap;
                    CopyFrameStrips(dc, 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0,
                                    kComboFrameWidth);
                }
                PaintScrollBars(dc);
            }
            return result;
        }
        default: {
            const LRESULT result = EditWndProc(msg, wParam, lParam);
            if (msg == WM_LBUTTONUP && simpleStyle_ && GetCapture() == h) ReleaseCapture();
            if (msg == WM_WINDOWPOSCHANGED && !Destroyed()) UpdateScrollInfo(true);
            return result;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// TacComboBoxWnd

TacComboBoxWnd::TacComboBoxWnd(HWND handle, TsSkinManager* manager, const std::string& section, bool repaint,
                               TWinControl* ownerControl)
    : TacEditWnd(handle, manager, section.empty() ? std::string("COMBOBOX") : section, false, ownerControl) {
    if (repaint && IsWindowVisible(handle)) {
        RefreshWindowFrame(handle, true);
        RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    }
}

TacComboBoxWnd::~TacComboBoxWnd() {
    DropListAdapter();
    LeaveWindow();
    if (listBrush_) DeleteObject(listBrush_);
}

void TacComboBoxWnd::DropListAdapter() {
    listAdapter_.reset();
    listHandle_ = nullptr;
}

RECT TacComboBoxWnd::GetButtonRect() const {
    const SIZE size = GetWindowGeometry(Handle()).size;
    const DWORD style = ComboStyle(Handle());
    const int w = (style & CBS_DROPDOWN) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    const bool rtl = (static_cast<DWORD>(GetWindowLongPtr(Handle(), GWL_EXSTYLE)) & WS_EX_RTLREADING) != 0;
    const int left = rtl ? 2 : size.cx - w - 2;
    return RECT{left, 2, left + w, size.cy - 2};
}

int TacComboBoxWnd::ButtonState() const {
    if (listHandle_ && IsWindowVisible(listHandle_)) return 2;
    if (SendMessage(Handle(), CB_GETDROPPEDSTATE, 0, 0)) return 2;
    if (skinData_.HasFocus || skinData_.MouseInside || GetFocus() == Handle()) return 1;
    return 0;
}

void TacComboBoxWnd::PaintButton(HDC dc) {
    const RECT button = GetButtonRect();
    if (button.right <= button.left || !skinData_.CacheBitmap || !dc) return;
    TsSkinManager* manager = skinData_.GetSkinManager();
    TBitmap& cache = *skinData_.CacheBitmap;
    TBitmap picture(std::max(1, cache.Width()), std::max(1, cache.Height()), pf32bit);
    BitBlt(picture.Canvas().Handle(), 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0, SRCCOPY);
    const int state = ButtonState();
    const int buttonSection = GetSectionIndex(manager->Tables(), "COMBOBTN");
    if (buttonSection >= 0) {
        const TsBackgroundSource behind{&cache, 0, 0, TransparentKey, true};
        PaintSkinSection(buttonSection, "COMBOBTN", behind, state, button, POINT{0, 0}, picture, manager);
    }
    const int comboSection = GetSectionIndex(manager->Tables(), "COMBOBOX");
    const int glyph = manager->GetMaskIndex(comboSection, "COMBOBOX", "GLYPHMASK");
    if (glyph >= 0) {
        const TsMaskData& mask = manager->Tables().Masks[static_cast<size_t>(glyph)];
        const int glyphHeight = MaskStateHeight(mask) > 0 ? MaskStateHeight(mask) : kComboDefaultGlyphHeight;
        const int x = button.left + (button.right - button.left - MaskFrameWidth(mask)) / 2;
        const int y = (cache.Height() - glyphHeight) / 2;
        DrawMaskGlyph(picture, POINT{x, y}, state, 1, mask, InitBackgroundSource(&picture, 0, 0));
    }
    BitBlt(dc, button.left, button.top, button.right - button.left, button.bottom - button.top,
           picture.Canvas().Handle(), button.left, button.top, SRCCOPY);
}

void TacComboBoxWnd::RepaintButton() {
    if (!IsWindowVisible(Handle())) return;
    skinData_.BackgroundDirty = true;
    SendMessage(Handle(), SkinCommandMessage, MAKEWPARAM(0, scRebuildCache), 0);
    if (HDC dc = GetWindowDC(Handle())) {
        PaintButton(dc);
        ReleaseDC(Handle(), dc);
    }
}

LRESULT TacComboBoxWnd::OnCtlColorListBox(WPARAM wParam, LPARAM lParam) {
    if (opening_) return 0;
    opening_ = true;
    LRESULT result = EditWndProc(WM_CTLCOLORLISTBOX, wParam, lParam);
    if (!listHandle_ && lParam && !Destroyed()) {
        listHandle_ = reinterpret_cast<HWND>(lParam);
        if (!listAdapter_) {
            const bool simple = (ComboStyle(Handle()) & 3) == CBS_SIMPLE;
            listAdapter_ = std::make_unique<TacComboListWnd>(
                listHandle_, simple, SendMessage(Handle(), CB_GETCOUNT, 0, 0) > 0, "EDIT", skinData_.GetSkinManager());
            listAdapter_->DialogMode = DialogMode;
        }
        TacSectionInfo info;
        SendMessage(listHandle_, SkinCommandMessage, MAKEWPARAM(0, scGetSection), reinterpret_cast<LPARAM>(&info));
        const TsSkinManager* manager = skinData_.GetSkinManager();
        if (info.Index >= 0 && !DialogMode && manager &&
            info.Index < static_cast<int>(manager->Tables().Sections.size())) {
            const TsGeneralData& section = manager->Tables().Sections[static_cast<size_t>(info.Index)];
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (dc) {
                SetTextColor(dc, section.FontColor);
                SetBkColor(dc, section.Color);
            }
            if (!listBrush_) listBrush_ = CreateSolidBrush(section.Color);
            result = reinterpret_cast<LRESULT>(listBrush_);
        }
    } else if (listBrush_ && lParam && reinterpret_cast<HWND>(lParam) == listHandle_ && !DialogMode) {
        // The list keeps its skinned colours on every later paint.
        if (HDC dc = reinterpret_cast<HDC>(wParam)) {
            TacSectionInfo info;
            SendMessage(listHandle_, SkinCommandMessage, MAKEWPARAM(0, scGetSection), reinterpret_cast<LPARAM>(&info));
            const TsSkinManager* manager = skinData_.GetSkinManager();
            if (manager && info.Index >= 0 && info.Index < static_cast<int>(manager->Tables().Sections.size())) {
                const TsGeneralData& section = manager->Tables().Sections[static_cast<size_t>(info.Index)];
                SetTextColor(dc, section.FontColor);
                SetBkColor(dc, section.Color);
            }
        }
        result = reinterpret_cast<LRESULT>(listBrush_);
    }
    opening_ = false;
    return result;
}

LRESULT TacComboBoxWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Destroyed() || !SkinActive() || !skinData_.IsSkinned(true)) return EditWndProc(msg, wParam, lParam);
    const HWND h = Handle();
    switch (msg) {
        case SkinCommandMessage: {
            const int command = HIWORD(static_cast<DWORD>(wParam));
            if (command == kCmdSkinRemoved && reinterpret_cast<TsSkinManager*>(lParam) == SkinManager()) {
                const LRESULT result = EditWndProc(msg, wParam, lParam);
                if (listHandle_ && IsWindow(listHandle_)) {
                    const DWORD style = ComboStyle(listHandle_);
                    SetWindowLongPtr(listHandle_, GWL_STYLE,
                                     static_cast<LONG_PTR>((style & ~WS_THICKFRAME) | WS_BORDER));
                }
                DropListAdapter();
                return result;
            }
            if (command == kComboMouseEntered || command == kComboMouseLeft) {
                skinData_.MouseInside = command == kComboMouseEntered;
                const LRESULT result = EditWndProc(msg, wParam, lParam);
                RepaintButton();
                return result;
            }
            return EditWndProc(msg, wParam, lParam);
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_LBUTTONUP: {
            const LRESULT result = EditWndProc(msg, wParam, lParam);
            if (!Destroyed()) RepaintButton();
            return result;
        }
        case WM_PAINT: {
            if (!ColorsApplied()) SetSkinColors();
            const LRESULT result = CallPrevWndProc(msg, wParam, lParam);
            if (Destroyed()) return result;
            HDC dc = wParam ? reinterpret_cast<HDC>(wParam) : GetWindowDC(h);
            if (!dc) return result;
            skinData_.BackgroundDirty = true;
            SendMessage(h, SkinCommandMessage, MAKEWPARAM(0, scRebuildCache), 0);
            if (skinData_.CacheBitmap) {
                TBitmap& cache = *skinData_.CacheBitmap;
                const bool simple = (ComboStyle(h) & 3) == CBS_SIMPLE;
                const int height =
                    simple ? static_cast<int>(SendMessage(h, CB_GETITEMHEIGHT, 0, 0)) + 8 : cache.Height();
                CopyFrameStrips(dc, 0, 0, cache.Width(), std::min(height, cache.Height()), cache.Canvas().Handle(), 0,
                                0, kComboFrameWidth);
                if (!simple) PaintButton(dc);
            }
            if (!wParam) ReleaseDC(h, dc);
            return result;
        }
        case WM_ERASEBKGND: return 1;
        case WM_NCCALCSIZE: {
            // A combo's scroll-bar styles are its list's: the combo itself has no bars to make
            // room for.
            const DWORD style = ComboStyle(h);
            if (!(style & (WS_HSCROLL | WS_VSCROLL))) return CallPrevWndProc(msg, wParam, lParam);
            SetWindowLongPtr(h, GWL_STYLE, static_cast<LONG_PTR>(style & ~(WS_HSCROLL | WS_VSCROLL)));
            const LRESULT result = CallPrevWndProc(msg, wParam, lParam);
            SetWindowLongPtr(h, GWL_STYLE, static_cast<LONG_PTR>(style));
            return result;
        }
        case WM_COMMAND:
        case kComboReflectedCommand: {
            if (msg == WM_COMMAND && (ComboStyle(h) & 1)) return EditWndProc(msg, wParam, lParam);
            const WORD code = HIWORD(static_cast<DWORD>(wParam));
            if (code == CBN_DROPDOWN) comboListDropped = true;
            if (code == CBN_CLOSEUP) {
                comboListDropped = false;
                RepaintButton();
            }
            return EditWndProc(msg, wParam, lParam);
        }
        case WM_CTLCOLORLISTBOX: return OnCtlColorListBox(wParam, lParam);
        case WM_NCDESTROY: DropListAdapter(); return EditWndProc(msg, wParam, lParam);
        default: return EditWndProc(msg, wParam, lParam);
    }
}

}  // namespace parch
