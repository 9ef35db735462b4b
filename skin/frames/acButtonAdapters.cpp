#include "skin/frames/acButtonAdapters.h"

#include <algorithm>

#include "framework/Controls.h"
#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowLife.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sVclUtils.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/engine/sSkinText.h"

namespace parch {
namespace {

constexpr UINT kBtnRedrawNow = RDW_UPDATENOW | RDW_INVALIDATE;
constexpr UINT kBtnRedrawFrame = RDW_FRAME | RDW_INVALIDATE;
constexpr UINT kBtnUpdateUiState = 0x0128;
constexpr UINT kBtnMouseHover = 0x02A1;
constexpr int kBtnMouseEntered = 29;
constexpr int kBtnMouseLeft = 30;
constexpr int kBtnCaptionHeightCommand = 27;
constexpr int kBtnDefaultGlyph = 16;

DWORD BtnStyle(HWND window) { return static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE)); }
DWORD BtnExStyle(HWND window) { return static_cast<DWORD>(GetWindowLongPtr(window, GWL_EXSTYLE)); }

// The extent of the text written with the font and flags in a rectangle as wide as maxWidth.
SIZE BtnMeasure(TFont* font, const std::string& text, int maxWidth, UINT flags) {
    if (text.empty()) return SIZE{0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = font ? SelectObject(dc, font->Handle()) : nullptr;
    RECT r{0, 0, std::max(1, maxWidth), 0};
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
    if (old) SelectObject(dc, old);
    DeleteDC(dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TacBtnWnd

TacBtnWnd::TacBtnWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl)
    : TacMainWnd(handle, manager, section.empty() ? std::string("BUTTON") : section, ownerControl) {
    InitAdapterSkinData(skinData_, manager, Section(), "BUTTON");
    text_ = ReadWindowText(handle);
    Attach();
    if (IsWindowVisible(handle)) InvalidateRect(handle, nullptr, 1);
}

TacBtnWnd::~TacBtnWnd() {
    const bool wasAttached = !Destroyed();
    Detach();
    // The window draws itself again.
    if (wasAttached && IsWindow(Handle()) && IsWindowVisible(Handle())) InvalidateRect(Handle(), nullptr, 1);
}

int TacBtnWnd::ButtonState() const {
    const HWND h = Handle();
    if (SendMessage(h, BM_GETSTATE, 0, 0) & BST_PUSHED) return 2;
    if (!IsWindowEnabled(h)) return 0;
    if (GetFocus() == h || skinData_.MouseInside) return 1;
    const DWORD style = BtnStyle(h);
    const bool isDefault = OwnerControl() ? (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON : (style & 1) != 0;
    return isDefault ? 1 : 0;
}

TFont* TacBtnWnd::CaptionFont() {
    if (TWinControl* owner = OwnerControl()) return &owner->Font();
    return messageFont_.Font();
}

int TacBtnWnd::MaxCaptionWidth() {
    if (text_.empty()) return 0;
    const SIZE glyph = GlyphSize();
    const int width = GetWindowGeometry(Handle()).size.cx;
    return glyph.cx == 0 ? width - 2 : std::max<int>(0, width - glyph.cx);
}

SIZE TacBtnWnd::TextSize() {
    const UINT flags =
        DT_NOPREFIX | DT_EXPANDTABS | DT_CENTER | ((BtnStyle(Handle()) & BS_MULTILINE) ? 0 : DT_WORDBREAK);
    return BtnMeasure(CaptionFont(), text_, MaxCaptionWidth(), flags);
}

RECT TacBtnWnd::CaptionRect() {
    const SIZE size = GetWindowGeometry(Handle()).size;
    const SIZE text = TextSize();
    const int dx = (size.cx - text.cx) / 2;
    const int dy = (size.cy - text.cy) / 2;
    RECT r{dx - 1, dy, size.cx - dx + 2, size.cy - dy};
    if (SendMessage(Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) OffsetRect(&r, 1, 1);
    return r;
}

void TacBtnWnd::PaintText() {
    if (text_.empty() || !skinData_.CacheBitmap) return;
    TBitmap& cache = *skinData_.CacheBitmap;
    if (TFont* font = CaptionFont()) cache.Canvas().Font().Assign(*font);
    UINT flags = (BtnStyle(Handle()) & BS_MULTILINE) ? 0x41 : 0x51;
    if (BtnExStyle(Handle()) & WS_EX_RTLREADING) flags |= DT_RTLREADING;
    RECT r = CaptionRect();
    WriteSectionTextOnBitmap(cache, text_, false, r, flags, skinData_.SectionIndex, ButtonState() != 0,
                             skinData_.GetSkinManager());
    const TsGeneralData* section = skinData_.Section();
    if (IsWindowEnabled(Handle()) && (SendMessage(Handle(), BM_GETSTATE, 0, 0) & BST_FOCUS) && section &&
        section->ShowFocus) {
        InflateRect(&r, 1, 1);
        DrawDottedFrame(cache.Canvas(), r, clBtnFace, clBtnFace);
    }
}

void TacBtnWnd::PrepareCache() {
    skinData_.BackgroundDirty = true;
    UpdateWndCache(skinData_, Handle(), false, ButtonState());
    if (!skinData_.CacheBitmap) return;
    PaintText();
    PaintGlyph();
    if (!IsWindowEnabled(Handle())) FadeCacheToBackdrop(skinData_, Handle());
    skinData_.BackgroundDirty = false;
}

void TacBtnWnd::PaintTo(HDC given) {
    PAINTSTRUCT paint{};
    HDC paintDc = BeginPaint(Handle(), &paint);
    if (!skinData_.CheckUpdating()) {
        HDC dc = given ? given : paintDc;
        PrepareCache();
        CopyCacheToDC(skinData_, dc);
    }
    EndPaint(Handle(), &paint);
}

void TacBtnWnd::Redraw(UINT flags) { RedrawWindow(Handle(), nullptr, nullptr, flags); }

void TacBtnWnd::TrackHover() {
    if (skinData_.MouseInside || !IsWindowEnabled(Handle())) return;
    skinData_.MouseInside = true;
    skinData_.BackgroundDirty = true;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = Handle();
    TrackMouseEvent(&track);
    Redraw(kBtnRedrawNow);
}

LRESULT TacBtnWnd::CallQuietly(UINT msg, WPARAM wParam, LPARAM lParam, bool viaBase) {
    SendMessage(Handle(), WM_SETREDRAW, 0, 0);
    const LRESULT result = viaBase ? MainWndProc(msg, wParam, lParam) : CallPrevWndProc(msg, wParam, lParam);
    if (IsWindow(Handle())) SendMessage(Handle(), WM_SETREDRAW, 1, 0);
    return result;
}

LRESULT TacBtnWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Destroyed() || !SkinActive() || !skinData_.IsSkinned(true)) return MainWndProc(msg, wParam, lParam);
    const HWND h = Handle();
    switch (msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            if (!IsWindowEnabled(h)) break;
            const LRESULT result = CallQuietly(msg, wParam, lParam, true);
            if (Destroyed()) return result;
            skinData_.HasFocus = msg == WM_SETFOCUS;
            skinData_.BackgroundDirty = true;
            Redraw(kBtnRedrawFrame);
            return result;
        }
        case WM_ENABLE:
        case WM_SETTEXT:
        case BM_SETSTATE: {
            if (!IsWindowVisible(h)) break;
            const LRESULT result = CallQuietly(msg, wParam, lParam, msg != BM_SETSTATE);
            if (Destroyed()) return result;
            if (msg == WM_SETTEXT) text_ = ReadWindowText(h);
            skinData_.BackgroundDirty = true;
            Redraw(kBtnRedrawNow);
            return result;
        }
        case WM_PAINT:
            if (!IsWindowVisible(h) && !wParam) break;
            PaintTo(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_PRINT: PaintTo(reinterpret_cast<HDC>(wParam)); return 0;
        case WM_ERASEBKGND:
        case WM_NCPAINT:
        case kBtnUpdateUiState: return 1;
        case kBtnMouseHover: SendMessage(h, SkinCommandMessage, MAKEWPARAM(0, kBtnMouseEntered), 0); break;
        case WM_MOUSELEAVE:
            if (skinData_.MouseInside) {
                skinData_.MouseInside = false;
                skinData_.BackgroundDirty = true;
                Redraw(kBtnRedrawNow);
            }
            break;
        case SkinCommandMessage: {
            const int command = HIWORD(static_cast<DWORD>(wParam));
            if (command == kBtnMouseEntered) {
                TrackHover();
            } else if (command == kBtnMouseLeft && skinData_.MouseInside) {
                skinData_.MouseInside = false;
                skinData_.BackgroundDirty = true;
                Redraw(kBtnRedrawNow);
            }
            break;
        }
        default: break;
    }
    const LRESULT result = MainWndProc(msg, wParam, lParam);
    if (msg == WM_MOUSEMOVE && !Destroyed()) TrackHover();
    return result;
}

// ---------------------------------------------------------------------------------------------
// TacCheckBoxWnd

TacCheckBoxWnd::TacCheckBoxWnd(HWND handle, TsSkinManager* manager, const std::string& section,
                               TWinControl* ownerControl)
    : TacBtnWnd(handle, manager, section.empty() ? std::string("CHECKBOX") : section, ownerControl) {
    ownerDraw_ = (BtnStyle(handle) & BS_OWNERDRAW) == BS_OWNERDRAW;
}

TacCheckBoxWnd::~TacCheckBoxWnd() = default;

bool TacCheckBoxWnd::IsCheckBoxStyle(DWORD style) {
    return ((style & 4) == 0 && (style & 9) != 9) || (style & 2) != 0 || (style & 5) == 5;
}

const char* TacCheckBoxWnd::GlyphName() const {
    const LRESULT state = SendMessage(Handle(), BM_GETSTATE, 0, 0);
    const int check = (state & BST_INDETERMINATE) ? 2 : (state & BST_CHECKED) ? 1 : 0;
    static constexpr const char* kBoxes[3] = {"BOXUNCHECKED", "BOXCHECKED", "BOXGRAYED"};
    static constexpr const char* kRadios[3] = {"RADIOUNCHECKED", "RADIOCHECKED", "BOXGRAYED"};
    return (IsCheckBoxStyle(BtnStyle(Handle())) ? kBoxes : kRadios)[check];
}

const TsMaskData* TacCheckBoxWnd::GlyphMask(const char* name) const {
    const TsSkinManager* manager = skinData_.GetSkinManager();
    if (!manager) return nullptr;
    const int info = GetSectionIndex(manager->Tables(), "GLOBALINFO");
    const int index = manager->GetMaskIndex(info, "GLOBALINFO", name);
    if (index < 0 || index >= static_cast<int>(manager->Tables().Masks.size())) return nullptr;
    return &manager->Tables().Masks[static_cast<size_t>(index)];
}

RECT TacCheckBoxWnd::GlyphRect() {
    const TsMaskData* mask = GlyphMask(IsCheckBoxStyle(BtnStyle(Handle())) ? "BOXCHECKED" : "RADIOCHECKED");
    const int width = mask ? MaskFrameWidth(*mask) : kBtnDefaultGlyph;
    const int height = mask ? MaskStateHeight(*mask) : kBtnDefaultGlyph;
    const SIZE size = GetWindowGeometry(Handle()).size;
    const int left = (BtnStyle(Handle()) & BS_LEFTTEXT) ? size.cx - width : 0;
    const int top = (size.cy - height) / 2;
    return RECT{left, top, left + width, top + height};
}

void TacCheckBoxWnd::PrepareCache() {
    skinData_.BackgroundDirty = true;
    skinData_.PrepareCacheBitmap();
    if (ownerDraw_) return;
    const HWND h = Handle();
    const SIZE size = GetWindowGeometry(h).size;
    TBitmap& cache = *skinData_.CacheBitmap;
    cache.SetSize(std::max<int>(0, size.cx), std::max<int>(0, size.cy));
    if (size.cx <= 0 || size.cy <= 0) return;
    const LRESULT state = SendMessage(h, BM_GETSTATE, 0, 0);
    const bool hot = GetFocus() == h || skinData_.MouseInside;
    // The face has no borders: the section's background over the parent's.
    PaintSectionBackground(skinData_.SectionIndex, skinData_.SkinSection(), GetWindowParentBackground(h), hot ? 1 : 0,
                           RECT{0, 0, size.cx, size.cy}, GetWindowGeometry(h).posInParent, cache,
                           skinData_.GetSkinManager());
    // Caption beside the glyph.
    const RECT glyph = GlyphRect();
    const DWORD style = BtnStyle(h);
    const bool multiLine = (style & BS_MULTILINE) != 0;
    const int avail = size.cx - (glyph.right - glyph.left) - 2;
    if (!text_.empty() && avail > 0) {
        TFont* font = CaptionFont();
        if (font) cache.Canvas().Font().Assign(*font);
        UINT flags = multiLine ? DT_WORDBREAK : DT_SINGLELINE;
        const SIZE text = BtnMeasure(font, text_, avail, flags);
        const int top = std::max<int>((size.cy - text.cy) / 2, 0);
        RECT r{0, top, 0, size.cy - top};
        if (!(style & BS_LEFTTEXT)) {
            r.left = size.cx - avail + 2;
            r.right = size.cx;
            OffsetRect(&r, multiLine ? -1 : 0, -1);
        } else if (BtnExStyle(h) & WS_EX_RTLREADING) {
            r.left = 0;
            r.right = size.cx - (glyph.right - glyph.left) - 6;
            flags |= DT_RTLREADING | (multiLine ? 0 : DT_RIGHT);
        } else {
            r.left = 2;
            r.right = 2 + avail;
        }
        WriteSectionTextOnBitmap(cache, text_, false, r, flags, skinData_.SectionIndex, hot,
                                 skinData_.GetSkinManager());
        if (state & BST_FOCUS) {
            InflateRect(&r, 1, 0);
            DrawDottedFrame(cache.Canvas(), r, clBtnFace, clBtnFace);
        }
    }
    if (const TsMaskData* mask = GlyphMask(GlyphName())) {
        const int glyphState = (state & BST_PUSHED) ? 2 : (hot ? 1 : 0);
        DrawMaskGlyph(cache, POINT{glyph.left, glyph.top}, glyphState, 1, *mask, InitBackgroundSource(&cache, 0, 0));
    }
    if (!IsWindowEnabled(h)) FadeCacheToBackdrop(skinData_, h);
    skinData_.BackgroundDirty = false;
}

void TacCheckBoxWnd::FillOwnerDrawBackground(HDC dc) {
    const SIZE size = GetWindowGeometry(Handle()).size;
    TBitmap behind(std::max<int>(1, size.cx), std::max<int>(1, size.cy), pf32bit);
    CopyParentBackdrop(behind, Handle(), RECT{0, 0, size.cx, size.cy});
    BitBlt(dc, 0, 0, size.cx, size.cy, behind.Canvas().Handle(), 0, 0, SRCCOPY);
}

LRESULT TacCheckBoxWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Destroyed() || !SkinActive() || !skinData_.IsSkinned(true)) return MainWndProc(msg, wParam, lParam);
    const HWND h = Handle();
    switch (msg) {
        case WM_ENABLE:
        case BM_SETCHECK:
        case BM_SETSTATE:
            if (IsWindowVisible(h)) {
                const LRESULT result = CallQuietly(msg, wParam, lParam, true);
                if (!Destroyed()) SendMessage(h, WM_PAINT, 0, 0);
                return result;
            }
            break;
        case WM_PAINT: {
            // An owner-draw button is drawn by its owner: the window's own painting asks for it.
            if (ownerDraw_) return MainWndProc(msg, wParam, lParam);
            PAINTSTRUCT paint{};
            HDC paintDc = BeginPaint(h, &paint);
            if (!skinData_.CheckUpdating() && (IsWindowVisible(h) || wParam)) {
                PrepareCache();
                CopyCacheToDC(skinData_, wParam ? reinterpret_cast<HDC>(wParam) : paintDc);
            }
            EndPaint(h, &paint);
            return 0;
        }
        case WM_PRINT:
            if (wParam && !ownerDraw_) {
                PrepareCache();
                CopyCacheToDC(skinData_, reinterpret_cast<HDC>(wParam));
            }
            return 0;
        case WM_ERASEBKGND:
            if (ownerDraw_) {
                HDC dc = wParam ? reinterpret_cast<HDC>(wParam) : GetDC(h);
                FillOwnerDrawBackground(dc);
                if (!wParam) ReleaseDC(h, dc);
            }
            return 1;
        case WM_NCPAINT: return 0;
        case SkinCommandMessage: {
            const int command = HIWORD(static_cast<DWORD>(wParam));
            if (command == kBtnMouseEntered || command == kBtnMouseLeft) {
                skinData_.MouseInside = command == kBtnMouseEntered;
                SendMessage(h, WM_PAINT, 0, 0);
            }
            break;
        }
        case WM_MOUSELEAVE:
            skinData_.MouseInside = false;
            if (IsWindowVisible(h)) SendMessage(h, WM_PAINT, 0, 0);
            break;
        default: break;
    }
    const LRESULT result = MainWndProc(msg, wParam, lParam);
    if (Destroyed()) return result;
    const bool spaceKey = (msg == WM_KEYDOWN || msg == WM_KEYUP) && wParam == VK_SPACE;
    if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS || spaceKey || msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP)
        SendMessage(h, WM_PAINT, 0, 0);
    if (msg == WM_MOUSEMOVE && !skinData_.MouseInside && IsWindowEnabled(h)) {
        skinData_.MouseInside = true;
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = h;
        TrackMouseEvent(&track);
        SendMessage(h, WM_PAINT, 0, 0);
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// TacGroupBoxWnd

TacGroupBoxWnd::TacGroupBoxWnd(HWND handle, TsSkinManager* manager, const std::string& section,
                               TWinControl* ownerControl)
    : TacBtnWnd(handle, manager, section.empty() ? std::string("GROUPBOX") : section, ownerControl) {}

TacGroupBoxWnd::~TacGroupBoxWnd() = default;

RECT TacGroupBoxWnd::CaptionArea() {
    const SIZE size = GetWindowGeometry(Handle()).size;
    const SIZE text = BtnMeasure(CaptionFont(), text_, size.cx, DT_CENTER | DT_SINGLELINE);
    RECT r{};
    r.left = (BtnExStyle(Handle()) & WS_EX_RTLREADING) ? size.cx - text.cx - 14 : 6;
    r.top = 0;
    r.bottom = std::max<int>(4, text.cy) + 2;
    r.right = std::min<int>(r.left + text.cx + 8, size.cx - 1);
    return r;
}

void TacGroupBoxWnd::PrepareCache() {
    const HWND h = Handle();
    skinData_.PrepareCacheBitmap();
    const TacWndGeometry g = GetWindowGeometry(h);
    TBitmap& cache = *skinData_.CacheBitmap;
    cache.SetSize(std::max<int>(0, g.size.cx), std::max<int>(0, g.size.cy));
    if (g.size.cx <= 0 || g.size.cy <= 0) return;
    const RECT caption = CaptionArea();
    const int half = (caption.bottom - caption.top) / 2;
    CopyParentBackdrop(cache, h, RECT{0, 0, g.size.cx, g.size.cy});
    // The frame starts at the middle of the caption.
    TsBackgroundSource backdrop = GetWindowParentBackground(h);
    PaintSkinSection(skinData_.SectionIndex, skinData_.SkinSection(), backdrop, 0, RECT{0, half, g.size.cx, g.size.cy},
                     POINT{g.posInParent.x, g.posInParent.y + half}, cache, skinData_.GetSkinManager());
    if (!text_.empty()) {
        CopyParentBackdrop(cache, h, caption);
        if (TFont* font = CaptionFont()) cache.Canvas().Font().Assign(*font);
        UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        if (BtnExStyle(h) & WS_EX_RTLREADING) flags |= DT_RTLREADING;
        WriteSectionTextOnBitmap(cache, text_, false, caption, flags, skinData_.SectionIndex, false,
                                 skinData_.GetSkinManager());
    }
    if (!IsWindowEnabled(h)) FadeCacheToBackdrop(skinData_, h);
    skinData_.BackgroundDirty = false;
}

void TacGroupBoxWnd::PaintGroup(HDC given) {
    PAINTSTRUCT paint{};
    HDC paintDc = BeginPaint(Handle(), &paint);
    if (!skinData_.CheckUpdating()) {
        PrepareCache();
        HDC dc = given ? given : paintDc;
        const SIZE size = GetWindowGeometry(Handle()).size;
        // Child windows inside the group paint themselves.
        PaintChildWindows(Handle(), skinData_, RECT{0, 0, size.cx, size.cy}, RECT{0, 0, size.cx, size.cy}, dc, false, 0,
                          0);
    }
    EndPaint(Handle(), &paint);
}

LRESULT TacGroupBoxWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Destroyed() || !SkinActive() || !skinData_.IsSkinned(true)) return MainWndProc(msg, wParam, lParam);
    const HWND h = Handle();
    switch (msg) {
        case SkinCommandMessage:
            if (HIWORD(static_cast<DWORD>(wParam)) == kBtnCaptionHeightCommand)
                return CaptionArea().bottom - CaptionArea().top;
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_SETTEXT: {
            const LRESULT result = CallQuietly(msg, wParam, lParam, true);
            if (Destroyed()) return result;
            if (msg == WM_SETTEXT) text_ = ReadWindowText(h);
            skinData_.BackgroundDirty = true;
            Redraw(RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
            return result;
        }
        case WM_PAINT: PaintGroup(reinterpret_cast<HDC>(wParam)); return 0;
        case WM_PRINT:
            skinData_.BackgroundDirty = true;
            PaintGroup(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            if (wParam && static_cast<LPARAM>(wParam) == lParam) {
                PrepareCache();
                CopyCacheToDC(skinData_, reinterpret_cast<HDC>(wParam));
            }
            return 1;
        case WM_NCPAINT:
        case kBtnUpdateUiState: return 1;
        default: break;
    }
    return MainWndProc(msg, wParam, lParam);
}

}  // namespace parch
