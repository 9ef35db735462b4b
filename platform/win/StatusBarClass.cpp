#include "platform/win/StatusBarClass.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/NonClient.h"
#include "platform/win/Painting.h"
#include "platform/win/SysCommand.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace statusbar {

// SB_GETBORDERS: no side border, 2 pixels above and below, 2 between parts.
constexpr int kBorderX = 0;
constexpr int kBorderY = 2;
constexpr int kSpacing = 2;

struct Part {
    int right = -1;
    std::string text;
    UINT type = 0;        // SBT_ flags
    LPARAM ownerData = 0;  // the value given for an owner-drawn part
};

struct StatusData {
    std::vector<Part> parts{Part{}};
    Part simple;
    bool simpleMode = false;
    int minHeight = 0;
    HFONT font = nullptr;
    bool placing = false;  // our own SetWindowPos must not place again
};

StatusData* Data(HWND hwnd) { return reinterpret_cast<StatusData*>(GetWindowLongPtr(hwnd, 0)); }
DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }

RECT Client(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

HGDIOBJ FontOf(const StatusData& data) {
    return data.font ? static_cast<HGDIOBJ>(data.font) : GetStockObject(DEFAULT_GUI_FONT);
}

int TextHeight(HWND hwnd, const StatusData& data) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, FontOf(data));
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return tm.tmHeight;
}

// The bar's height: the taller of the text and the minimum, the part edges and the borders.
int BarHeight(HWND hwnd, const StatusData& data) {
    return std::max(TextHeight(hwnd, data), data.minHeight) + 2 + 2 * kBorderY + 2;
}

void Place(HWND hwnd) {
    StatusData* data = Data(hwnd);
    if (!data || data->placing) return;
    data->placing = true;
    PlaceBarAlongParent(hwnd, BarHeight(hwnd, *data), true);
    data->placing = false;
}

bool ShowsGrip(HWND hwnd) {
    if (!(Style(hwnd) & SBARS_SIZEGRIP)) return false;
    HWND top = GetAncestor(hwnd, GA_ROOT);
    return top && !IsZoomed(top);
}

RECT GripRect(HWND hwnd) {
    const RECT client = Client(hwnd);
    const int size = client.bottom;
    return RECT{client.right - size, 0, client.right, client.bottom};
}

int PartRight(HWND hwnd, int right) {
    const RECT client = Client(hwnd);
    return right < 0 ? client.right : std::min<int>(right, client.right);
}

RECT PartRect(HWND hwnd, const StatusData& data, int index) {
    const RECT client = Client(hwnd);
    if (data.simpleMode) return RECT{kBorderX, kBorderY, client.right - kBorderX, client.bottom - kBorderY};
    int left = kBorderX;
    if (index > 0) left = PartRight(hwnd, data.parts[static_cast<std::size_t>(index - 1)].right) + kSpacing;
    const int right = PartRight(hwnd, data.parts[static_cast<std::size_t>(index)].right);
    return RECT{std::min(left, right), kBorderY, right, client.bottom - kBorderY};
}

// The part under a client point, SB_SIMPLEID in simple mode, -1 for none.
int PartAt(HWND hwnd, const StatusData& data, POINT p) {
    if (data.simpleMode) return static_cast<int>(SB_SIMPLEID);
    for (int i = 0; i < static_cast<int>(data.parts.size()); ++i) {
        const RECT r = PartRect(hwnd, data, i);
        if (p.x >= r.left && p.x < r.right) return i;
    }
    return -1;
}

Part* PartOf(StatusData& data, UINT index) {
    if (index == SB_SIMPLEID) return &data.simple;
    if (index >= data.parts.size()) return nullptr;
    return &data.parts[index];
}

// ---- painting ----

// "left\tcentre\tright": up to three pieces, each in its own alignment.
void DrawPartText(HDC dc, RECT r, const Part& part) {
    r.left += 3;
    r.right -= 3;
    static constexpr UINT kAlign[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    if (part.type & SBT_NOTABPARSING) {
        DrawText(dc, part.text.c_str(), -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return;
    }
    std::size_t start = 0;
    for (int piece = 0; piece < 3 && start <= part.text.size(); ++piece) {
        std::size_t tab = part.text.find('\t', start);
        if (piece == 2 || tab == std::string::npos) tab = part.text.size();
        const std::string text = part.text.substr(start, tab - start);
        RECT box = r;
        DrawText(dc, text.c_str(), -1, &box, kAlign[piece] | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        start = tab + 1;
    }
}

void DrawOwnerPart(HWND hwnd, HDC dc, const RECT& inner, UINT index, const Part& part) {
    HWND parent = GetParent(hwnd);
    if (!parent) return;
    DRAWITEMSTRUCT item;
    item.CtlType = 0;
    item.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    item.itemID = index;
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = hwnd;
    item.hDC = dc;
    item.rcItem = inner;
    item.itemData = static_cast<UINT_PTR>(part.ownerData);
    SendMessage(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

void PaintPart(HWND hwnd, HDC dc, RECT r, UINT index, const Part& part) {
    if (!(part.type & SBT_NOBORDERS))
        DrawEdge(dc, &r, (part.type & SBT_POPOUT) ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    // Nothing is drawn under the grip.
    if (ShowsGrip(hwnd)) r.right = std::min(r.right, GripRect(hwnd).left);
    if (part.type & SBT_OWNERDRAW) DrawOwnerPart(hwnd, dc, r, index, part);
    else DrawPartText(dc, r, part);
}

void Paint(HWND hwnd, HDC dc) {
    StatusData* data = Data(hwnd);
    if (!data) return;
    const int saved = SaveDC(dc);
    const RECT client = Client(hwnd);
    FillWithSysColor(dc, client, COLOR_3DFACE);
    SelectObject(dc, FontOf(*data));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    if (data->simpleMode) {
        PaintPart(hwnd, dc, PartRect(hwnd, *data, 0), SB_SIMPLEID, data->simple);
    } else {
        for (UINT i = 0; i < data->parts.size(); ++i)
            PaintPart(hwnd, dc, PartRect(hwnd, *data, static_cast<int>(i)), i, data->parts[i]);
    }
    if (ShowsGrip(hwnd)) {
        const RECT grip = GripRect(hwnd);
        FillWithSysColor(dc, grip, COLOR_3DFACE);
        DrawSizeGrip(dc, grip);
    }
    RestoreDC(dc, saved);
}

void PaintMessage(HWND hwnd, HDC given) {
    PaintControl(hwnd, given, [hwnd](HDC dc) { Paint(hwnd, dc); });
}

// ---- messages ----

LRESULT SetText(HWND hwnd, WPARAM wParam, std::string text) {
    StatusData* data = Data(hwnd);
    Part* part = data ? PartOf(*data, static_cast<UINT>(wParam & 0xFF)) : nullptr;
    if (!part) return 0;
    part->type = static_cast<UINT>(wParam) & 0xFF00;
    if (part->type & SBT_OWNERDRAW) part->text.clear();
    else part->text = std::move(text);
    InvalidateRect(hwnd, nullptr, 1);
    return 1;
}

LRESULT SetTextMessage(HWND hwnd, WPARAM wParam, LPARAM lParam, bool wide) {
    StatusData* data = Data(hwnd);
    Part* part = data ? PartOf(*data, static_cast<UINT>(wParam & 0xFF)) : nullptr;
    if (!part) return 0;
    if (wParam & SBT_OWNERDRAW) {
        SetText(hwnd, wParam, {});
        part->ownerData = lParam;
        return 1;
    }
    if (!lParam) return SetText(hwnd, wParam, {});
    if (wide) return SetText(hwnd, wParam, Utf8FromUtf16(reinterpret_cast<const char16_t*>(lParam)));
    return SetText(hwnd, wParam, reinterpret_cast<const char*>(lParam));
}

// Low word the length (in the form's units), high word the part's SBT_ type; an owner-drawn
// part answers its value.
LRESULT GetTextMessage(HWND hwnd, WPARAM wParam, LPARAM lParam, bool wide, bool lengthOnly) {
    StatusData* data = Data(hwnd);
    const Part* part = data ? PartOf(*data, static_cast<UINT>(wParam)) : nullptr;
    if (!part) return 0;
    if ((part->type & SBT_OWNERDRAW) && !lengthOnly) return part->ownerData;
    std::size_t length = part->text.size();
    if (wide) {
        const std::u16string text = Utf16FromUtf8(part->text);
        length = text.size();
        if (!lengthOnly && lParam) {
            auto* out = reinterpret_cast<char16_t*>(lParam);
            std::copy(text.begin(), text.end(), out);
            out[length] = 0;
        }
    } else if (!lengthOnly && lParam) {
        auto* out = reinterpret_cast<char*>(lParam);
        std::copy(part->text.begin(), part->text.end(), out);
        out[length] = 0;
    }
    return MAKELONG(static_cast<WORD>(length), static_cast<WORD>(part->type));
}

LRESULT SetParts(HWND hwnd, WPARAM count, LPARAM lParam) {
    StatusData* data = Data(hwnd);
    if (!data || count == 0 || count > static_cast<WPARAM>(kStatusBarMaxParts) || !lParam) return 0;
    const auto* rights = reinterpret_cast<const int*>(lParam);
    data->parts.resize(count);
    for (std::size_t i = 0; i < count; ++i) data->parts[i].right = rights[i];
    InvalidateRect(hwnd, nullptr, 1);
    return 1;
}

LRESULT GetParts(HWND hwnd, WPARAM size, LPARAM lParam) {
    StatusData* data = Data(hwnd);
    if (!data) return 0;
    if (auto* out = reinterpret_cast<int*>(lParam))
        for (std::size_t i = 0; i < std::min<std::size_t>(size, data->parts.size()); ++i) out[i] = data->parts[i].right;
    return static_cast<LRESULT>(data->parts.size());
}

LRESULT GetRect(HWND hwnd, WPARAM index, LPARAM lParam) {
    StatusData* data = Data(hwnd);
    auto* out = reinterpret_cast<RECT*>(lParam);
    if (!data || !out) return 0;
    if (!data->simpleMode && index >= data->parts.size()) return 0;
    *out = PartRect(hwnd, *data, static_cast<int>(data->simpleMode ? 0 : index));
    return 1;
}

LRESULT GetBorders(LPARAM lParam) {
    auto* out = reinterpret_cast<int*>(lParam);
    if (!out) return 0;
    out[0] = kBorderX;
    out[1] = kBorderY;
    out[2] = kSpacing;
    return 1;
}

void NotifyMouse(HWND hwnd, UINT code, LPARAM lParam) {
    StatusData* data = Data(hwnd);
    if (!data) return;
    NMMOUSE mouse;
    mouse.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const int part = PartAt(hwnd, *data, mouse.pt);
    mouse.dwItemSpec = part < 0 ? static_cast<UINT_PTR>(-1) : static_cast<UINT_PTR>(part);
    if (const Part* hit = part < 0 ? nullptr : PartOf(*data, static_cast<UINT>(part)))
        mouse.dwItemData = static_cast<UINT_PTR>(hit->ownerData);
    SendNotify(hwnd, code, &mouse.hdr);
}

LRESULT HitTest(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (ShowsGrip(hwnd)) {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(hwnd, &p);
        const RECT grip = GripRect(hwnd);
        if (PtInRect(&grip, p)) return HTBOTTOMRIGHT;
    }
    return DefWindowProc(hwnd, WM_NCHITTEST, wParam, lParam);
}

// The grip sizes the top-level window, not the bar.
void GripPressed(HWND hwnd, LPARAM screen) {
    HWND top = GetAncestor(hwnd, GA_ROOT);
    if (top && !IsZoomed(top)) SendMessage(top, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT, screen);
}

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new StatusData)); break;
        case WM_NCDESTROY:
            delete Data(hwnd);
            SetWindowLongPtr(hwnd, 0, 0);
            break;
        case WM_CREATE: Place(hwnd); return 0;
        case WM_SIZE:
            Place(hwnd);
            InvalidateRect(hwnd, nullptr, 1);
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: PaintMessage(hwnd, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_PRINTCLIENT: Paint(hwnd, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_SETFONT:
            if (StatusData* data = Data(hwnd)) data->font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(static_cast<std::uintptr_t>(lParam))) InvalidateRect(hwnd, nullptr, 1);
            return 0;
        case WM_GETFONT: return Data(hwnd) ? reinterpret_cast<LRESULT>(Data(hwnd)->font) : 0;
        case WM_SETTEXT:
            DefWindowProc(hwnd, message, wParam, lParam);
            return SetTextMessage(hwnd, 0, lParam, false);
        case WM_NCHITTEST: return HitTest(hwnd, wParam, lParam);
        case WM_NCLBUTTONDOWN:
            if (wParam == static_cast<WPARAM>(HTBOTTOMRIGHT)) {
                GripPressed(hwnd, lParam);
                return 0;
            }
            break;
        case WM_LBUTTONUP: NotifyMouse(hwnd, NM_CLICK, lParam); return 0;
        case WM_LBUTTONDBLCLK: NotifyMouse(hwnd, NM_DBLCLK, lParam); return 0;
        case WM_RBUTTONUP: NotifyMouse(hwnd, NM_RCLICK, lParam); return 0;
        case WM_RBUTTONDBLCLK: NotifyMouse(hwnd, NM_RDBLCLK, lParam); return 0;
        case SB_SETTEXTA: return SetTextMessage(hwnd, wParam, lParam, false);
        case SB_SETTEXTW: return SetTextMessage(hwnd, wParam, lParam, true);
        case SB_GETTEXTA: return GetTextMessage(hwnd, wParam, lParam, false, false);
        case SB_GETTEXTW: return GetTextMessage(hwnd, wParam, lParam, true, false);
        case SB_GETTEXTLENGTHA: return GetTextMessage(hwnd, wParam, 0, false, true);
        case SB_GETTEXTLENGTHW: return GetTextMessage(hwnd, wParam, 0, true, true);
        case SB_SETPARTS: return SetParts(hwnd, wParam, lParam);
        case SB_GETPARTS: return GetParts(hwnd, wParam, lParam);
        case SB_GETBORDERS: return GetBorders(lParam);
        case SB_GETRECT: return GetRect(hwnd, wParam, lParam);
        case SB_SETMINHEIGHT:
            if (StatusData* data = Data(hwnd)) data->minHeight = std::max(0, static_cast<int>(wParam));
            return 0;
        case SB_SIMPLE:
            if (StatusData* data = Data(hwnd)) data->simpleMode = wParam != 0;
            InvalidateRect(hwnd, nullptr, 1);
            return 0;
        case SB_ISSIMPLE: return Data(hwnd) && Data(hwnd)->simpleMode;
        default: break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace statusbar

void PlaceBarAlongParent(HWND bar, int height, bool defaultBottom) {
    HWND parent = GetParent(bar);
    const DWORD style = statusbar::Style(bar);
    if (!parent) return;
    RECT window{};
    GetWindowRect(bar, &window);
    POINT topLeft{window.left, window.top};
    ScreenToClient(parent, &topLeft);
    RECT area{};
    GetClientRect(parent, &area);
    int x = topLeft.x;
    int y = topLeft.y;
    int width = window.right - window.left;
    if (style & CCS_NORESIZE) height = window.bottom - window.top;
    if (!(style & CCS_NOPARENTALIGN)) {
        x = 0;
        width = area.right;
        DWORD side = style & CCS_BOTTOM;
        if (side == 0) side = defaultBottom ? CCS_BOTTOM : CCS_TOP;
        if (side == CCS_TOP) y = 0;
        else if (side == CCS_BOTTOM) y = area.bottom - height;
    }
    SetWindowPos(bar, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void RegisterStatusBarClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = &statusbar::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = STATUSCLASSNAME;
    RegisterClassEx(&wc);
}

}  // namespace parch::win
