#include "platform/win/ButtonClass.h"

#include <string>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/ControlLabel.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "platform/win/WindowLife.h"

namespace parch::win {

namespace buttonclass {

enum class Kind { Push, Check, Radio, Group, OwnerDraw };

enum class Press { None, Mouse, Key };

// What a button keeps beside its window record; made at WM_NCCREATE, freed at WM_NCDESTROY.
struct ButtonData {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
    bool hot = false;
    Press press = Press::None;
    HFONT font = nullptr;
    void* image = nullptr;
    UINT imageType = IMAGE_BITMAP;
};

ButtonData* Data(HWND hwnd) { return reinterpret_cast<ButtonData*>(GetWindowLongPtr(hwnd, 0)); }

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }

Kind KindOf(DWORD style) {
    switch (style & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE: return Kind::Check;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return Kind::Radio;
        case BS_GROUPBOX: return Kind::Group;
        case BS_OWNERDRAW: return Kind::OwnerDraw;
        default: return Kind::Push;
    }
}

UINT MaxCheck(DWORD style) {
    switch (style & BS_TYPEMASK) {
        case BS_3STATE:
        case BS_AUTO3STATE: return BST_INDETERMINATE;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return BST_CHECKED;
        default: return BST_UNCHECKED;
    }
}

LRESULT DialogCode(DWORD style) {
    switch (KindOf(style)) {
        case Kind::Push:
            return DLGC_BUTTON | ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case Kind::Radio: return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case Kind::Group: return DLGC_STATIC;
        default: return DLGC_BUTTON;
    }
}

RECT ClientRect(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, 0); }

// ---- painting ----

UINT HorizontalFlags(DWORD style, UINT fallback) {
    switch (style & BS_CENTER) {
        case BS_LEFT: return DT_LEFT;
        case BS_RIGHT: return DT_RIGHT;
        case BS_CENTER: return DT_CENTER;
        default: return fallback;
    }
}

LabelPlace VerticalPlace(DWORD style) {
    switch (style & BS_VCENTER) {
        case BS_TOP: return LabelPlace::Top;
        case BS_BOTTOM: return LabelPlace::Bottom;
        default: return LabelPlace::Middle;
    }
}

// Draws the button's image when it shows one (BS_BITMAP / BS_ICON), else its text; returns the
// rectangle the text took (empty for an image).
RECT DrawContent(HWND hwnd, HDC dc, const RECT& area, DWORD style, UINT horizontal, COLORREF textColor) {
    const ButtonData* data = Data(hwnd);
    const bool wantsImage = (style & (BS_BITMAP | BS_ICON)) != 0;
    if (wantsImage) {
        if (data && data->image) {
            const SIZE size = ControlImageSize(data->image, data->imageType);
            DrawControlImage(dc, PlaceImage(area, size, HorizontalFlags(style, horizontal), VerticalPlace(style)),
                             data->image, data->imageType);
        }
        return RECT{};
    }
    Label label;
    label.text = WindowText(hwnd);
    label.format = HorizontalFlags(style, horizontal) | ((style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE);
    label.place = VerticalPlace(style);
    label.color = textColor;
    label.enabled = IsWindowEnabled(hwnd) != 0;
    return DrawLabel(dc, area, label);
}

void DrawFocusAround(HDC dc, RECT r, int dx, int dy) {
    InflateRect(&r, dx, dy);
    DrawFocusRect(dc, &r);
}

void PaintPush(HWND hwnd, HDC dc, const ButtonData& data, DWORD style) {
    const RECT client = ClientRect(hwnd);
    FillRect(dc, &client, ControlColors(hwnd, dc, WM_CTLCOLORBTN));
    RECT face = client;
    const bool isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    const bool checkedLook = (style & BS_PUSHLIKE) && data.check != BST_UNCHECKED;
    if (isDefault) {
        FrameRect(dc, &face, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&face, -1, -1);
    }
    const bool down = data.pushed || checkedLook;
    if (data.pushed && isDefault) {
        FrameRect(dc, &face, GetSysColorBrush(COLOR_BTNSHADOW));
        RECT inside = face;
        InflateRect(&inside, -1, -1);
        FillRect(dc, &inside, GetSysColorBrush(COLOR_BTNFACE));
    } else {
        RECT edge = face;
        DrawFrameControl(dc, &edge, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0) | ((style & BS_FLAT) ? DFCS_FLAT : 0));
    }
    RECT content = face;
    InflateRect(&content, -3, -3);
    if (down) OffsetRect(&content, 1, 1);
    DrawContent(hwnd, dc, content, style, DT_CENTER, GetSysColor(COLOR_BTNTEXT));
    if (data.focused) DrawFocusAround(dc, face, -3, -3);
}

UINT GlyphState(const ButtonData& data, DWORD style, bool enabled) {
    UINT state = KindOf(style) == Kind::Radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (data.check == BST_INDETERMINATE) state = DFCS_BUTTON3STATE | DFCS_CHECKED;
    else if (data.check == BST_CHECKED) state |= DFCS_CHECKED;
    if (data.pushed) state |= DFCS_PUSHED;
    if (!enabled) state |= DFCS_INACTIVE;
    if (style & BS_FLAT) state |= DFCS_FLAT;
    return state;
}

void PaintCheck(HWND hwnd, HDC dc, const ButtonData& data, DWORD style) {
    if (style & BS_PUSHLIKE) {
        PaintPush(hwnd, dc, data, style & ~BS_TYPEMASK);
        return;
    }
    const RECT client = ClientRect(hwnd);
    FillRect(dc, &client, ControlColors(hwnd, dc, WM_CTLCOLORSTATIC));
    const COLORREF textColor = GetTextColor(dc);
    const bool leftText = (style & BS_LEFTTEXT) != 0;
    const int height = client.bottom - client.top;
    int top = (height - kCheckGlyphSize) / 2;
    if (VerticalPlace(style) == LabelPlace::Top) top = 0;
    if (VerticalPlace(style) == LabelPlace::Bottom) top = height - kCheckGlyphSize;
    const int left = leftText ? client.right - kCheckGlyphSize : 0;
    RECT glyph{left, top, left + kCheckGlyphSize, top + kCheckGlyphSize};
    DrawFrameControl(dc, &glyph, DFC_BUTTON, GlyphState(data, style, IsWindowEnabled(hwnd) != 0));
    constexpr int kGap = 4;
    RECT text = client;
    if (leftText) text.right -= kCheckGlyphSize + kGap;
    else text.left += kCheckGlyphSize + kGap;
    const RECT drawn = DrawContent(hwnd, dc, text, style, DT_LEFT, textColor);
    if (data.focused && drawn.right > drawn.left) DrawFocusAround(dc, drawn, 1, 1);
}

void PaintGroup(HWND hwnd, HDC dc, DWORD style) {
    const RECT client = ClientRect(hwnd);
    HBRUSH brush = ControlColors(hwnd, dc, WM_CTLCOLORSTATIC);
    const COLORREF textColor = GetTextColor(dc);
    const std::string text = WindowText(hwnd);
    SIZE extent{};
    GetTextExtentPoint32(dc, "Wg", 2, &extent);
    RECT caption{};
    if (!text.empty()) {
        caption = RECT{0, 0, client.right, extent.cy};
        DrawText(dc, text.c_str(), -1, &caption, DT_SINGLELINE | DT_CALCRECT);
    }
    RECT frame = client;
    frame.top += extent.cy / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (text.empty()) return;
    constexpr int kIndent = 8;
    constexpr int kPad = 2;
    const int width = caption.right - caption.left;
    int x = kIndent;
    if ((style & BS_CENTER) == BS_CENTER) x = (client.right - width) / 2;
    else if ((style & BS_CENTER) == BS_RIGHT) x = client.right - kIndent - width;
    RECT band{x - kPad, 0, x + width + kPad, extent.cy};
    FillRect(dc, &band, brush);
    Label label;
    label.text = text;
    label.format = DT_LEFT | DT_SINGLELINE;
    label.color = textColor;
    label.enabled = IsWindowEnabled(hwnd) != 0;
    label.place = LabelPlace::Top;
    DrawLabel(dc, RECT{x, 0, x + width, extent.cy}, label);
}

UINT OwnerDrawState(HWND hwnd, const ButtonData& data) {
    UINT state = 0;
    if (data.pushed) state |= ODS_SELECTED;
    if (data.focused) state |= ODS_FOCUS;
    if (!IsWindowEnabled(hwnd)) state |= ODS_DISABLED;
    return state;
}

void SendDrawItem(HWND hwnd, HDC dc, UINT action) {
    const ButtonData* data = Data(hwnd);
    HWND parent = GetParent(hwnd);
    if (!data || !parent) return;
    DRAWITEMSTRUCT item;
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    item.itemAction = action;
    item.itemState = OwnerDrawState(hwnd, *data);
    item.hwndItem = hwnd;
    item.hDC = dc;
    item.rcItem = ClientRect(hwnd);
    SendMessage(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

void PaintOwnerDrawn(HWND hwnd, HDC dc) {
    const RECT client = ClientRect(hwnd);
    FillRect(dc, &client, ControlColors(hwnd, dc, WM_CTLCOLORBTN));
    SendDrawItem(hwnd, dc, ODA_DRAWENTIRE);
}

void Paint(HWND hwnd, HDC dc) {
    const ButtonData* data = Data(hwnd);
    if (!data || !dc) return;
    const ButtonData state = *data;  // painting sends messages that may change it
    const int saved = SaveDC(dc);
    SelectObject(dc, state.font ? static_cast<HGDIOBJ>(state.font) : GetStockObject(DEFAULT_GUI_FONT));
    const DWORD style = Style(hwnd);
    switch (KindOf(style)) {
        case Kind::Push: PaintPush(hwnd, dc, state, style); break;
        case Kind::Check:
        case Kind::Radio: PaintCheck(hwnd, dc, state, style); break;
        case Kind::Group: PaintGroup(hwnd, dc, style); break;
        case Kind::OwnerDraw: PaintOwnerDrawn(hwnd, dc); break;
    }
    RestoreDC(dc, saved);
}

void PaintMessage(HWND hwnd, HDC given) {
    PaintControl(hwnd, given, [hwnd](HDC dc) { Paint(hwnd, dc); });
}

// Owner-drawn buttons are told at once what changed; the others repaint.
void ShowChange(HWND hwnd, UINT ownerDrawAction) {
    if (KindOf(Style(hwnd)) != Kind::OwnerDraw) {
        Redraw(hwnd);
        return;
    }
    if (!IsWindowVisible(hwnd)) return;
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    SendDrawItem(hwnd, dc, ownerDrawAction);
    ReleaseDC(hwnd, dc);
}

// ---- behaviour ----

bool HasDoubleClicks(DWORD style) {
    if (style & BS_NOTIFY) return true;
    switch (style & BS_TYPEMASK) {
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
        case BS_USERBUTTON:
        case BS_OWNERDRAW: return true;
        default: return false;
    }
}

void Notify(HWND hwnd, WORD code) { NotifyParent(hwnd, code); }

void SetPushed(HWND hwnd, bool on) { SendMessage(hwnd, BM_SETSTATE, on ? 1 : 0, 0); }

// Ends the pushed look of a press that is over.
void Unpush(HWND hwnd) {
    if (const ButtonData* data = Data(hwnd); data && data->pushed) SetPushed(hwnd, false);
}

// The first window of hwnd's group among its siblings: the nearest one at or before it that has
// WS_GROUP, or the first sibling.
HWND GroupStart(HWND hwnd) {
    HWND start = hwnd;
    while (!(Style(start) & WS_GROUP)) {
        HWND previous = GetWindow(start, GW_HWNDPREV);
        if (!previous) break;
        start = previous;
    }
    return start;
}

// A checked auto radio button unchecks the other radio buttons of its group.
void UncheckGroupSiblings(HWND hwnd) {
    if (!(Style(hwnd) & WS_CHILD)) return;  // groups are among a dialog's controls only
    HWND start = GroupStart(hwnd);
    for (HWND w = start; w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w != start && (Style(w) & WS_GROUP)) break;
        if (w == hwnd) continue;
        if ((SendMessage(w, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) && SendMessage(w, BM_GETCHECK, 0, 0) != BST_UNCHECKED)
            SendMessage(w, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

void ToggleAutomatic(HWND hwnd) {
    const DWORD style = Style(hwnd);
    const auto check = static_cast<UINT>(SendMessage(hwnd, BM_GETCHECK, 0, 0));
    switch (style & BS_TYPEMASK) {
        case BS_AUTOCHECKBOX: SendMessage(hwnd, BM_SETCHECK, check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED, 0); break;
        case BS_AUTO3STATE: SendMessage(hwnd, BM_SETCHECK, (check + 1) % 3, 0); break;
        case BS_AUTORADIOBUTTON:
            if (check != BST_CHECKED) SendMessage(hwnd, BM_SETCHECK, BST_CHECKED, 0);
            UncheckGroupSiblings(hwnd);
            break;
        default: break;
    }
}

void BeginPress(HWND hwnd, Press how) {
    ButtonData* data = Data(hwnd);
    if (!data) return;
    if (how == Press::Mouse && GetFocus() != hwnd) SetFocus(hwnd);
    if (!(data = Data(hwnd))) return;
    data->press = how;
    SetCapture(hwnd);
    SetPushed(hwnd, true);
}

// Ends a press; a release inside the button is a click.
void EndPress(HWND hwnd, bool inside) {
    ButtonData* data = Data(hwnd);
    if (!data || data->press == Press::None) return;
    data->press = Press::None;
    Unpush(hwnd);
    if (inside) ToggleAutomatic(hwnd);
    if (GetCapture() == hwnd) ReleaseCapture();
    if (inside && IsWindow(hwnd)) Notify(hwnd, BN_CLICKED);
}

void TrackHover(HWND hwnd, ButtonData& data, POINT at) {
    const RECT client = ClientRect(hwnd);
    // Under capture the mouse may move outside, where there is nothing to hover.
    if (data.hot || !PtInRect(&client, at)) return;
    data.hot = true;
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = hwnd;
    track.dwHoverTime = HOVER_DEFAULT;
    TrackMouseEvent(&track);
}

void MouseMoved(HWND hwnd, LPARAM lParam) {
    ButtonData* data = Data(hwnd);
    if (!data) return;
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    TrackHover(hwnd, *data, at);
    if (data->press != Press::Mouse || GetCapture() != hwnd) return;
    const RECT client = ClientRect(hwnd);
    const bool inside = PtInRect(&client, at) != 0;
    if (inside != data->pushed) SetPushed(hwnd, inside);
}

void MouseReleased(HWND hwnd, LPARAM lParam) {
    const ButtonData* data = Data(hwnd);
    if (!data || data->press != Press::Mouse) return;
    const RECT client = ClientRect(hwnd);
    EndPress(hwnd, PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != 0);
}

void FocusChanged(HWND hwnd, bool gained) {
    ButtonData* data = Data(hwnd);
    if (!data) return;
    data->focused = gained;
    if (!gained && data->press != Press::None) {
        data->press = Press::None;
        Unpush(hwnd);
        if (GetCapture() == hwnd) ReleaseCapture();
    }
    ShowChange(hwnd, ODA_FOCUS);
    if (Style(hwnd) & BS_NOTIFY) Notify(hwnd, gained ? BN_SETFOCUS : BN_KILLFOCUS);
}

LRESULT SetCheck(HWND hwnd, WPARAM value) {
    ButtonData* data = Data(hwnd);
    if (!data) return 0;
    UINT check = static_cast<UINT>(value) & 3;
    const UINT most = MaxCheck(Style(hwnd));
    if (check > most) check = most;
    if (check != data->check) {
        data->check = check;
        Redraw(hwnd);
    }
    return 0;
}

LRESULT SetState(HWND hwnd, bool on) {
    ButtonData* data = Data(hwnd);
    if (!data || data->pushed == on) return 0;
    data->pushed = on;
    ShowChange(hwnd, ODA_SELECT);
    return 0;
}

LRESULT GetState(HWND hwnd) {
    const ButtonData* data = Data(hwnd);
    if (!data) return 0;
    return static_cast<LRESULT>(data->check) | (data->pushed ? BST_PUSHED : 0) | (data->focused ? BST_FOCUS : 0) |
           (data->hot ? BST_HOT : 0);
}

LRESULT SetStyle(HWND hwnd, WPARAM type, LPARAM redraw) {
    const DWORD style = Style(hwnd);
    const DWORD updated = (style & ~BS_TYPEMASK) | (static_cast<DWORD>(type) & BS_TYPEMASK);
    if (updated != style) SetWindowLongPtr(hwnd, GWL_STYLE, static_cast<LONG_PTR>(updated));
    if (redraw) Redraw(hwnd);
    return 0;
}

LRESULT SetImage(HWND hwnd, WPARAM type, LPARAM image) {
    ButtonData* data = Data(hwnd);
    if (!data || (type != IMAGE_BITMAP && type != IMAGE_ICON)) return 0;
    void* previous = data->image;
    data->image = reinterpret_cast<void*>(image);
    data->imageType = static_cast<UINT>(type);
    Redraw(hwnd);
    return reinterpret_cast<LRESULT>(previous);
}

LRESULT GetImage(HWND hwnd, WPARAM type) {
    const ButtonData* data = Data(hwnd);
    if (!data || !data->image || data->imageType != type) return 0;
    return reinterpret_cast<LRESULT>(data->image);
}

void Click(HWND hwnd) {
    if (!IsWindowEnabled(hwnd)) return;
    SendMessage(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessage(hwnd, WM_LBUTTONUP, 0, 0);
}

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const DWORD style = Style(hwnd);
    const Kind kind = KindOf(style);
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new ButtonData));
            break;
        case WM_NCDESTROY:
            delete Data(hwnd);
            SetWindowLongPtr(hwnd, 0, 0);
            break;
        case WM_GETDLGCODE: return DialogCode(style);
        case WM_NCHITTEST:
            // A group box lets the mouse through to what lies under it.
            if (kind == Kind::Group) return HTTRANSPARENT;
            break;
        case WM_ERASEBKGND: return 1;  // painting covers what it must
        case WM_PAINT: PaintMessage(hwnd, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_PRINTCLIENT: Paint(hwnd, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_SETFONT:
            if (ButtonData* data = Data(hwnd)) data->font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(static_cast<std::uintptr_t>(lParam))) Redraw(hwnd);
            return 0;
        case WM_GETFONT: {
            const ButtonData* data = Data(hwnd);
            return data ? reinterpret_cast<LRESULT>(data->font) : 0;
        }
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProc(hwnd, message, wParam, lParam);
            Redraw(hwnd);
            return result;
        }
        case WM_ENABLE: Redraw(hwnd); return 0;
        case WM_SETFOCUS: FocusChanged(hwnd, true); return 0;
        case WM_KILLFOCUS: FocusChanged(hwnd, false); return 0;
        case WM_LBUTTONDBLCLK:
            if (kind == Kind::Group) break;
            if (HasDoubleClicks(style)) {
                Notify(hwnd, BN_DOUBLECLICKED);
                return 0;
            }
            BeginPress(hwnd, Press::Mouse);
            return 0;
        case WM_LBUTTONDOWN:
            if (kind == Kind::Group) break;
            BeginPress(hwnd, Press::Mouse);
            return 0;
        case WM_LBUTTONUP: MouseReleased(hwnd, lParam); return 0;
        case WM_MOUSEMOVE: MouseMoved(hwnd, lParam); return 0;
        case WM_MOUSELEAVE:
            if (ButtonData* data = Data(hwnd)) data->hot = false;
            break;
        case WM_CAPTURECHANGED:
            if (ButtonData* data = Data(hwnd); data && data->press != Press::None) {
                data->press = Press::None;
                Unpush(hwnd);
            }
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE && kind != Kind::Group) {
                if (const ButtonData* data = Data(hwnd); data && data->press == Press::None) BeginPress(hwnd, Press::Key);
                return 0;
            }
            break;
        case WM_KEYUP:
            if (wParam == VK_SPACE && kind != Kind::Group) {
                if (const ButtonData* data = Data(hwnd); data && data->press == Press::Key) EndPress(hwnd, true);
                return 0;
            }
            break;
        case BM_GETCHECK: {
            const ButtonData* data = Data(hwnd);
            return data ? static_cast<LRESULT>(data->check) : 0;
        }
        case BM_SETCHECK: return SetCheck(hwnd, wParam);
        case BM_GETSTATE: return GetState(hwnd);
        case BM_SETSTATE: return SetState(hwnd, wParam != 0);
        case BM_SETSTYLE: return SetStyle(hwnd, wParam, lParam);
        case BM_CLICK: Click(hwnd); return 0;
        case BM_SETIMAGE: return SetImage(hwnd, wParam, lParam);
        case BM_GETIMAGE: return GetImage(hwnd, wParam);
        default: break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace buttonclass

void RegisterButtonClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = &buttonclass::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "Button";
    RegisterClassEx(&wc);
}

}  // namespace parch::win
