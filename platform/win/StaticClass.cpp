#include "platform/win/StaticClass.h"

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/ControlLabel.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace staticclass {

// What a static keeps beside its window record; made at WM_NCCREATE, freed at WM_NCDESTROY.
struct StaticData {
    HFONT font = nullptr;
    void* image = nullptr;
    UINT imageType = IMAGE_BITMAP;
};

StaticData* Data(HWND hwnd) { return reinterpret_cast<StaticData*>(GetWindowLongPtr(hwnd, 0)); }

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }

DWORD TypeOf(DWORD style) { return style & SS_TYPEMASK; }

bool IsTextType(DWORD type) {
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP;
}

RECT ClientRect(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

void Notify(HWND hwnd, WORD code) {
    if (Style(hwnd) & SS_NOTIFY) NotifyParent(hwnd, code);
}

// ---- painting ----

UINT TextFormat(DWORD style) {
    UINT format = DT_EXPANDTABS;
    switch (TypeOf(style)) {
        case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
        case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
        case SS_SIMPLE: format |= DT_LEFT | DT_SINGLELINE; break;
        case SS_LEFTNOWORDWRAP: format |= DT_LEFT; break;
        default: format |= DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE;
    // Shortened text stays on its lines rather than wrapping.
    switch (style & SS_ELLIPSISMASK) {
        case SS_ENDELLIPSIS: format = (format & ~DT_WORDBREAK) | DT_END_ELLIPSIS; break;
        case SS_PATHELLIPSIS: format = (format & ~DT_WORDBREAK) | DT_PATH_ELLIPSIS; break;
        case SS_WORDELLIPSIS: format = (format & ~DT_WORDBREAK) | DT_WORD_ELLIPSIS; break;
        default: break;
    }
    return format;
}

void PaintText(HWND hwnd, HDC dc, DWORD style) {
    const RECT client = ClientRect(hwnd);
    FillRect(dc, &client, ControlColors(hwnd, dc, WM_CTLCOLORSTATIC));
    Label label;
    label.text = WindowText(hwnd);
    label.format = TextFormat(style);
    label.place = (style & SS_CENTERIMAGE) ? LabelPlace::Middle : LabelPlace::Top;
    label.color = GetTextColor(dc);
    label.enabled = IsWindowEnabled(hwnd) != 0;
    DrawLabel(dc, client, label);
}

// Rectangles and frames in the system's frame (black), desktop (grey) and window (white) colours.
int ShapeColor(DWORD type) {
    switch (type) {
        case SS_BLACKRECT:
        case SS_BLACKFRAME: return COLOR_WINDOWFRAME;
        case SS_GRAYRECT:
        case SS_GRAYFRAME: return COLOR_BACKGROUND;
        default: return COLOR_WINDOW;
    }
}

void PaintShape(HWND hwnd, HDC dc, DWORD type) {
    RECT client = ClientRect(hwnd);
    HBRUSH brush = GetSysColorBrush(ShapeColor(type));
    if (type == SS_BLACKRECT || type == SS_GRAYRECT || type == SS_WHITERECT) FillRect(dc, &client, brush);
    else FrameRect(dc, &client, brush);
}

void PaintEtched(HWND hwnd, HDC dc, DWORD type) {
    RECT client = ClientRect(hwnd);
    UINT sides = BF_RECT;
    if (type == SS_ETCHEDHORZ) sides = BF_TOP | BF_BOTTOM;
    if (type == SS_ETCHEDVERT) sides = BF_LEFT | BF_RIGHT;
    DrawEdge(dc, &client, EDGE_ETCHED, sides);
}

// A centred bitmap leaves the rest of the control in the colour of its top-left pixel.
void FillWithCornerColor(HDC dc, const RECT& client, void* image) {
    HDC source = CreateCompatibleDC(dc);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, static_cast<HBITMAP>(image));
    const COLORREF corner = GetPixel(source, 0, 0);
    SelectObject(source, old);
    DeleteDC(source);
    if (corner == CLR_INVALID) return;
    HBRUSH brush = CreateSolidBrush(corner);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

void PaintImage(HWND hwnd, HDC dc, DWORD style) {
    const RECT client = ClientRect(hwnd);
    FillRect(dc, &client, ControlColors(hwnd, dc, WM_CTLCOLORSTATIC));
    const StaticData* data = Data(hwnd);
    if (!data || !data->image) return;
    const SIZE size = ControlImageSize(data->image, data->imageType);
    RECT target{0, 0, size.cx, size.cy};
    if (style & SS_CENTERIMAGE) {
        if (data->imageType == IMAGE_BITMAP) FillWithCornerColor(dc, client, data->image);
        target = PlaceImage(client, size, DT_CENTER, LabelPlace::Middle);
    } else if (style & SS_REALSIZECONTROL) {
        target = client;
    }
    DrawControlImage(dc, target, data->image, data->imageType);
}

void PaintOwnerDrawn(HWND hwnd, HDC dc) {
    ControlColors(hwnd, dc, WM_CTLCOLORSTATIC);
    HWND parent = GetParent(hwnd);
    if (!parent) return;
    DRAWITEMSTRUCT item;
    item.CtlType = ODT_STATIC;
    item.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED;
    item.hwndItem = hwnd;
    item.hDC = dc;
    item.rcItem = ClientRect(hwnd);
    SendMessage(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

void Paint(HWND hwnd, HDC dc) {
    const StaticData* data = Data(hwnd);
    if (!data || !dc) return;
    const int saved = SaveDC(dc);
    SelectObject(dc, data->font ? static_cast<HGDIOBJ>(data->font) : GetStockObject(DEFAULT_GUI_FONT));
    const DWORD style = Style(hwnd);
    const DWORD type = TypeOf(style);
    if (IsTextType(type)) PaintText(hwnd, dc, style);
    else if (type >= SS_BLACKRECT && type <= SS_WHITEFRAME) PaintShape(hwnd, dc, type);
    else if (type >= SS_ETCHEDHORZ && type <= SS_ETCHEDFRAME) PaintEtched(hwnd, dc, type);
    else if (type == SS_BITMAP || type == SS_ICON) PaintImage(hwnd, dc, style);
    else if (type == SS_OWNERDRAW) PaintOwnerDrawn(hwnd, dc);
    RestoreDC(dc, saved);
}

void PaintMessage(HWND hwnd, HDC given) {
    PaintControl(hwnd, given, [hwnd](HDC dc) { Paint(hwnd, dc); });
}

// ---- images ----

bool AcceptsImage(DWORD type, WPARAM imageType) {
    switch (imageType) {
        case IMAGE_BITMAP: return type == SS_BITMAP;
        case IMAGE_ICON:
        case IMAGE_CURSOR: return type == SS_ICON;
        default: return false;
    }
}

// Image statics take the size of their image unless told to keep their own.
void FitToImage(HWND hwnd, DWORD style, void* image, UINT type) {
    if (style & (SS_CENTERIMAGE | SS_REALSIZEIMAGE | SS_REALSIZECONTROL)) return;
    const SIZE size = ControlImageSize(image, type);
    if (size.cx <= 0 || size.cy <= 0) return;
    RECT window{};
    RECT client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    const int frameX = (window.right - window.left) - client.right;
    const int frameY = (window.bottom - window.top) - client.bottom;
    SetWindowPos(hwnd, nullptr, 0, 0, size.cx + frameX, size.cy + frameY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT SetImage(HWND hwnd, WPARAM type, LPARAM image) {
    StaticData* data = Data(hwnd);
    const DWORD style = Style(hwnd);
    if (!data || !AcceptsImage(TypeOf(style), type)) return 0;
    void* previous = data->image;
    data->image = reinterpret_cast<void*>(image);
    data->imageType = static_cast<UINT>(type);
    FitToImage(hwnd, style, data->image, data->imageType);
    InvalidateRect(hwnd, nullptr, 1);
    return reinterpret_cast<LRESULT>(previous);
}

LRESULT GetImage(HWND hwnd, WPARAM type) {
    const StaticData* data = Data(hwnd);
    if (!data || !data->image) return 0;
    const bool iconLike = type == IMAGE_ICON || type == IMAGE_CURSOR;
    const bool storedIconLike = data->imageType == IMAGE_ICON || data->imageType == IMAGE_CURSOR;
    if (type != data->imageType && !(iconLike && storedIconLike)) return 0;
    return reinterpret_cast<LRESULT>(data->image);
}

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new StaticData));
            // SS_SUNKEN is the half-sunken frame of WS_EX_STATICEDGE.
            if (Style(hwnd) & SS_SUNKEN)
                SetWindowLongPtr(hwnd, GWL_EXSTYLE, GetWindowLongPtr(hwnd, GWL_EXSTYLE) | WS_EX_STATICEDGE);
            break;
        case WM_NCDESTROY:
            delete Data(hwnd);
            SetWindowLongPtr(hwnd, 0, 0);
            break;
        case WM_GETDLGCODE: return DLGC_STATIC;
        case WM_NCHITTEST: return (Style(hwnd) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
        case WM_ERASEBKGND: {
            const DWORD type = TypeOf(Style(hwnd));
            // Frames and lines leave their inside to whatever lies under them.
            if (type >= SS_BLACKFRAME && type <= SS_WHITEFRAME) break;
            if (type >= SS_ETCHEDHORZ && type <= SS_ETCHEDFRAME) break;
            return 1;
        }
        case WM_PAINT: PaintMessage(hwnd, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_PRINTCLIENT: Paint(hwnd, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_SETFONT:
            if (StaticData* data = Data(hwnd)) data->font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(static_cast<std::uintptr_t>(lParam))) InvalidateRect(hwnd, nullptr, 1);
            return 0;
        case WM_GETFONT: {
            const StaticData* data = Data(hwnd);
            return data ? reinterpret_cast<LRESULT>(data->font) : 0;
        }
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProc(hwnd, message, wParam, lParam);
            InvalidateRect(hwnd, nullptr, 1);
            return result;
        }
        case WM_ENABLE:
            Notify(hwnd, wParam ? STN_ENABLE : STN_DISABLE);
            InvalidateRect(hwnd, nullptr, 1);
            return 0;
        case WM_LBUTTONDOWN: Notify(hwnd, STN_CLICKED); return 0;
        case WM_LBUTTONDBLCLK: Notify(hwnd, STN_DBLCLK); return 0;
        case STM_SETIMAGE: return SetImage(hwnd, wParam, lParam);
        case STM_GETIMAGE: return GetImage(hwnd, wParam);
        case STM_SETICON: return SetImage(hwnd, IMAGE_ICON, static_cast<LPARAM>(wParam));
        case STM_GETICON: return GetImage(hwnd, IMAGE_ICON);
        default: break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace staticclass

void RegisterStaticClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = &staticclass::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "Static";
    RegisterClassEx(&wc);
}

}  // namespace parch::win
