#include "platform/win/HeaderClass.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Input.h"
#include "platform/win/ListBoxClass.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "platform/win/Focus.h"

namespace parch::win {

int CopyTextToBuffer(std::string_view text, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::string_view cut = CutAtCharacterBoundary(text, static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, cut.data(), cut.size());
    buffer[cut.size()] = 0;
    return static_cast<int>(cut.size());
}

int CopyTextToBuffer(std::string_view text, char16_t* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::u16string wide = Utf16FromUtf8(text);
    std::size_t n = std::min<std::size_t>(wide.size(), static_cast<std::size_t>(size - 1));
    if (n > 0 && n < wide.size() && wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF) --n;  // half a pair
    std::copy_n(wide.data(), n, buffer);
    buffer[n] = 0;
    return static_cast<int>(n);
}

namespace header {

constexpr int kDividerSlop = 4;   // pixels either side of a divider that grab it
constexpr int kDragThreshold = 4;  // movement before a press becomes an item drag
constexpr int kTextMargin = 6;
constexpr int kArrowSize = 8;

struct Item {
    std::string text;
    int width = 0;
    int format = HDF_LEFT | HDF_STRING;
    LPARAM lParam = 0;
    int image = 0;
    HBITMAP bitmap = nullptr;
};

enum class Mode { None, Pressed, Tracking, Dragging };

struct Header {
    HWND hwnd = nullptr;
    DWORD style = 0;
    std::vector<Item> items;
    std::vector<int> order;  // position -> item index
    HFONT font = nullptr;
    HIMAGELIST images = nullptr;
    Mode mode = Mode::None;
    int active = -1;     // item pressed, tracked or dragged
    POINT pressPoint{};  // where the press began
    int trackOffset = 0;  // press x minus the tracked item's right edge
    int dropPosition = -1;
    int busy = 0;  // messages being handled; the parent may destroy the control meanwhile
    bool destroyed = false;

    Header(HWND h, DWORD s) : hwnd(h), style(s) {}
};

Header* Find(HWND hwnd) { return reinterpret_cast<Header*>(GetWindowLongPtr(hwnd, 0)); }

int Count(const Header& hd) { return static_cast<int>(hd.items.size()); }
bool Valid(const Header& hd, int index) { return index >= 0 && index < Count(hd); }

int PositionOf(const Header& hd, int index) {
    auto it = std::find(hd.order.begin(), hd.order.end(), index);
    return it == hd.order.end() ? -1 : static_cast<int>(it - hd.order.begin());
}

int Height(const Header& hd) { return FontLineHeight(hd.font ? hd.font : reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))) + 6; }

RECT ItemRect(const Header& hd, int index) {
    RECT client;
    GetClientRect(hd.hwnd, &client);
    int x = 0;
    for (int i : hd.order) {
        if (i == index) return {x, 0, x + hd.items[i].width, client.bottom};
        x += hd.items[i].width;
    }
    return {0, 0, 0, 0};
}

HDHITTESTINFO HitTest(const Header& hd, POINT p) {
    HDHITTESTINFO info;
    info.pt = p;
    RECT client;
    GetClientRect(hd.hwnd, &client);
    if (p.y < 0) info.flags |= HHT_ABOVE;
    if (p.y >= client.bottom) info.flags |= HHT_BELOW;
    if (p.x < 0) info.flags |= HHT_TOLEFT;
    if (p.x >= client.right) info.flags |= HHT_TORIGHT;
    if (info.flags) return info;
    int x = 0;
    for (std::size_t pos = 0; pos < hd.order.size(); ++pos) {
        int index = hd.order[pos];
        int right = x + hd.items[index].width;
        // A hidden (zero-width) item right of a divider is opened by dragging beside it.
        if (pos + 1 < hd.order.size() && hd.items[hd.order[pos + 1]].width == 0 && p.x > right && p.x <= right + kDividerSlop) {
            info.flags = HHT_ONDIVOPEN;
            info.iItem = hd.order[pos + 1];
            return info;
        }
        if (std::abs(p.x - right) <= kDividerSlop && (p.x >= right || hd.items[index].width > kDividerSlop * 2)) {
            info.flags = HHT_ONDIVIDER;
            info.iItem = index;
            return info;
        }
        if (p.x >= x && p.x < right) {
            info.flags = HHT_ONHEADER;
            info.iItem = index;
            return info;
        }
        x = right;
    }
    info.flags = HHT_NOWHERE;
    return info;
}

// ---- notifications --------------------------------------------------------------------------

LRESULT Notify(Header& hd, UINT code, int index, HDITEMA* item = nullptr, int button = 0) {
    NMHEADER nm;
    nm.iItem = index;
    nm.iButton = button;
    nm.pitem = item;
    return SendNotify(hd.hwnd, code, &nm.hdr);
}

HDITEMA WidthItem(int width) {
    HDITEMA item;
    item.mask = HDI_WIDTH;
    item.cxy = width;
    return item;
}

// ITEMCHANGING (vetoed by a nonzero answer), the change, ITEMCHANGED.
bool ChangeWidth(Header& hd, int index, int width) {
    HDITEMA item = WidthItem(std::max(0, width));
    if (Notify(hd, HDN_ITEMCHANGING, index, &item) || hd.destroyed || !Valid(hd, index)) return false;
    hd.items[index].width = std::max(0, item.cxy);
    InvalidateRect(hd.hwnd, nullptr, 1);
    item.cxy = hd.items[index].width;
    Notify(hd, HDN_ITEMCHANGED, index, &item);
    return true;
}

// ---- painting -------------------------------------------------------------------------------

void DrawSortArrow(HDC dc, const RECT& r, bool up) {
    int cx = r.right - kTextMargin - kArrowSize / 2, cy = (r.top + r.bottom) / 2;
    int h = kArrowSize / 2;
    POINT pts[3];
    if (up) {
        pts[0] = {cx - h, cy + h / 2};
        pts[1] = {cx + h, cy + h / 2};
        pts[2] = {cx, cy - h / 2 - 1};
    } else {
        pts[0] = {cx - h, cy - h / 2};
        pts[1] = {cx + h, cy - h / 2};
        pts[2] = {cx, cy + h / 2 + 1};
    }
    HBRUSH brush = GetSysColorBrush(COLOR_BTNSHADOW);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Polygon(dc, pts, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

void DrawItemContent(const Header& hd, HDC dc, int index, RECT r, bool pressed) {
    const Item& item = hd.items[index];
    if (item.format & HDF_OWNERDRAW) {
        DRAWITEMSTRUCT di;
        di.CtlType = ODT_HEADER;
        di.CtlID = static_cast<UINT>(GetDlgCtrlID(hd.hwnd));
        di.itemID = static_cast<UINT>(index);
        di.itemAction = ODA_DRAWENTIRE;
        di.itemState = pressed ? ODS_SELECTED : 0;
        di.hwndItem = hd.hwnd;
        di.hDC = dc;
        di.rcItem = r;
        di.itemData = static_cast<UINT_PTR>(item.lParam);
        if (HWND parent = GetParent(hd.hwnd)) SendMessage(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
        return;
    }
    if (pressed) OffsetRect(&r, 1, 1);
    RECT text = r;
    text.left += kTextMargin;
    text.right -= kTextMargin;
    bool arrow = (item.format & (HDF_SORTUP | HDF_SORTDOWN)) != 0;
    if (arrow) {
        DrawSortArrow(dc, r, (item.format & HDF_SORTUP) != 0);
        text.right -= kArrowSize + kTextMargin;
    }
    if ((item.format & HDF_IMAGE) && hd.images && item.image >= 0) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(hd.images, &cx, &cy);
        ImageList_Draw(hd.images, item.image, dc, text.left, (r.top + r.bottom - cy) / 2, ILD_TRANSPARENT);
        text.left += cx + 2;
    }
    if (!(item.format & HDF_STRING) && (item.format & (HDF_IMAGE | HDF_BITMAP))) return;
    UINT align = (item.format & HDF_JUSTIFYMASK) == HDF_RIGHT ? DT_RIGHT : (item.format & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER : DT_LEFT;
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF old = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawText(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text,
             align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SetTextColor(dc, old);
    SetBkMode(dc, mode);
}

void PaintInto(Header& hd, HDC dc) {
    RECT client;
    GetClientRect(hd.hwnd, &client);
    HGDIOBJ oldFont = SelectObject(dc, hd.font ? hd.font : GetStockObject(DEFAULT_GUI_FONT));
    NMCUSTOMDRAW cd;
    cd.hdc = dc;
    cd.rc = client;
    LRESULT answer = SendCustomDraw(hd.hwnd, cd, CDDS_PREPAINT);
    if (!(answer & CDRF_SKIPDEFAULT)) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_3DFACE));
        int x = 0;
        // By position, checked each time: a notification below may change the items.
        for (std::size_t position = 0; position < hd.order.size() && !hd.destroyed; ++position) {
            int index = hd.order[position];
            RECT r{x, 0, x + hd.items[index].width, client.bottom};
            x = r.right;
            if (r.right <= r.left || r.left >= client.right) continue;
            bool pressed = hd.mode == Mode::Pressed && hd.active == index && (hd.style & HDS_BUTTONS);
            if (answer & CDRF_NOTIFYITEMDRAW) {
                NMCUSTOMDRAW item;
                item.hdc = dc;
                item.rc = r;
                item.dwItemSpec = static_cast<UINT_PTR>(index);
                item.uItemState = pressed ? CDIS_SELECTED : 0;
                item.lItemlParam = hd.items[index].lParam;
                LRESULT itemAnswer = SendCustomDraw(hd.hwnd, item, CDDS_ITEMPREPAINT);
                if (itemAnswer & CDRF_SKIPDEFAULT) continue;
                if (hd.destroyed || position >= hd.order.size() || hd.order[position] != index) break;
            }
            RECT edge = r;
            DrawEdge(dc, &edge, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT);
            DrawItemContent(hd, dc, index, r, pressed);
        }
        RECT rest{x, 0, client.right, client.bottom};
        if (rest.left < rest.right) DrawEdge(dc, &rest, EDGE_RAISED, BF_RECT | BF_SOFT);
        if (hd.mode == Mode::Dragging && hd.dropPosition >= 0 && !hd.destroyed) {
            int markX = 0;
            for (int pos = 0; pos < hd.dropPosition && pos < Count(hd); ++pos) markX += hd.items[hd.order[pos]].width;
            RECT mark{markX - 1, 0, markX + 1, client.bottom};
            FillRect(dc, &mark, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
    }
    if (answer & CDRF_NOTIFYPOSTPAINT) SendCustomDraw(hd.hwnd, cd, CDDS_POSTPAINT);
    SelectObject(dc, oldFont);
}

void Paint(Header& hd) {
    PaintControl(hd.hwnd, nullptr, [&hd](HDC dc) { PaintInto(hd, dc); });
}

// ---- items ----------------------------------------------------------------------------------

template <typename Char>
void Apply(Item& item, const HDITEMT<Char>& in) {
    if (in.mask & HDI_WIDTH) item.width = std::max(0, in.cxy);
    if (in.mask & HDI_TEXT) {
        // The header asks no one for its texts: the callback marker is no text, not a pointer.
        if constexpr (std::is_same_v<Char, char>) item.text = in.pszText && in.pszText != LPSTR_TEXTCALLBACKA ? ValidUtf8(in.pszText) : "";
        else item.text = in.pszText && in.pszText != LPSTR_TEXTCALLBACKW ? Utf8FromUtf16(in.pszText) : "";
    }
    if (in.mask & HDI_FORMAT) item.format = in.fmt;
    if (in.mask & HDI_LPARAM) item.lParam = in.lParam;
    if (in.mask & HDI_IMAGE) item.image = in.iImage;
    if (in.mask & HDI_BITMAP) item.bitmap = in.hbm;
}

void MoveToPosition(Header& hd, int index, int position) {
    int from = PositionOf(hd, index);
    if (from < 0) return;
    hd.order.erase(hd.order.begin() + from);
    position = std::clamp(position, 0, static_cast<int>(hd.order.size()));
    hd.order.insert(hd.order.begin() + position, index);
}

template <typename Char>
LRESULT Insert(Header& hd, int index, const HDITEMT<Char>* in) {
    if (!in) return -1;
    index = std::clamp(index, 0, Count(hd));
    Item item;
    Apply(item, *in);
    hd.items.insert(hd.items.begin() + index, std::move(item));
    for (int& i : hd.order)
        if (i >= index) ++i;
    int position = (in->mask & HDI_ORDER) ? std::clamp(in->iOrder, 0, static_cast<int>(hd.order.size())) : PositionOf(hd, index - 1) + 1;
    if (index == 0 && !(in->mask & HDI_ORDER)) position = 0;
    hd.order.insert(hd.order.begin() + position, index);
    InvalidateRect(hd.hwnd, nullptr, 1);
    return index;
}

LRESULT Delete(Header& hd, int index) {
    if (!Valid(hd, index)) return 0;
    hd.items.erase(hd.items.begin() + index);
    hd.order.erase(hd.order.begin() + PositionOf(hd, index));
    for (int& i : hd.order)
        if (i > index) --i;
    InvalidateRect(hd.hwnd, nullptr, 1);
    return 1;
}

template <typename Char>
LRESULT Get(const Header& hd, int index, HDITEMT<Char>* out) {
    if (!out || !Valid(hd, index)) return 0;
    const Item& item = hd.items[index];
    if (out->mask & HDI_WIDTH) out->cxy = item.width;
    if (out->mask & HDI_TEXT) CopyTextToBuffer(item.text, out->pszText, out->cchTextMax);
    if (out->mask & HDI_FORMAT) out->fmt = item.format;
    if (out->mask & HDI_LPARAM) out->lParam = item.lParam;
    if (out->mask & HDI_IMAGE) out->iImage = item.image;
    if (out->mask & HDI_BITMAP) out->hbm = item.bitmap;
    if (out->mask & HDI_ORDER) out->iOrder = PositionOf(hd, index);
    return 1;
}

template <typename Char>
LRESULT Set(Header& hd, int index, const HDITEMT<Char>* in) {
    if (!in || !Valid(hd, index)) return 0;
    HDITEMA asked;
    asked.mask = in->mask & ~HDI_TEXT;
    asked.cxy = in->cxy;
    asked.fmt = in->fmt;
    asked.lParam = in->lParam;
    asked.iImage = in->iImage;
    asked.iOrder = in->iOrder;
    if (Notify(hd, HDN_ITEMCHANGING, index, &asked) || hd.destroyed || !Valid(hd, index)) return 0;
    Apply(hd.items[index], *in);
    if (in->mask & HDI_ORDER) MoveToPosition(hd, index, in->iOrder);
    InvalidateRect(hd.hwnd, nullptr, 1);
    Notify(hd, HDN_ITEMCHANGED, index, &asked);
    return 1;
}

LRESULT SetOrder(Header& hd, int count, const int* order) {
    if (!order || count != Count(hd)) return 0;
    std::vector<int> seen(static_cast<std::size_t>(count), 0);
    for (int i = 0; i < count; ++i) {
        if (order[i] < 0 || order[i] >= count || seen[static_cast<std::size_t>(order[i])]++) return 0;
    }
    hd.order.assign(order, order + count);
    InvalidateRect(hd.hwnd, nullptr, 1);
    return 1;
}

LRESULT GetOrder(const Header& hd, int count, int* order) {
    if (!order || count != Count(hd)) return 0;
    std::copy(hd.order.begin(), hd.order.end(), order);
    return 1;
}

LRESULT Layout(const Header& hd, HDLAYOUT* layout) {
    if (!layout || !layout->prc || !layout->pwpos) return 0;
    RECT& area = *layout->prc;
    int height = (hd.style & HDS_HIDDEN) ? 0 : Height(hd);
    WINDOWPOS& pos = *layout->pwpos;
    pos.hwnd = hd.hwnd;
    pos.hwndInsertAfter = nullptr;
    pos.x = area.left;
    pos.y = area.top;
    // In 64 bits: the caller's rectangle may be anything.
    pos.cx = static_cast<int>(std::clamp<std::int64_t>(std::int64_t{area.right} - area.left, 0, INT_MAX));
    pos.cy = height;
    pos.flags = SWP_NOZORDER | SWP_NOACTIVATE;
    area.top = static_cast<LONG>(std::min<std::int64_t>(std::int64_t{area.top} + height, INT_MAX));
    return 1;
}

// ---- mouse ----------------------------------------------------------------------------------

POINT PointOf(LPARAM lp) { return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }

void Press(Header& hd, POINT p) {
    HDHITTESTINFO hit = HitTest(hd, p);
    if (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) {
        HDITEMA item = WidthItem(hd.items[hit.iItem].width);
        if (Notify(hd, HDN_BEGINTRACK, hit.iItem, &item) || hd.destroyed || !Valid(hd, hit.iItem)) return;
        hd.mode = Mode::Tracking;
        hd.active = hit.iItem;
        hd.trackOffset = p.x - ItemRect(hd, hit.iItem).right;
        SetCapture(hd.hwnd);
        return;
    }
    if (!(hit.flags & HHT_ONHEADER)) return;
    hd.mode = Mode::Pressed;
    hd.active = hit.iItem;
    hd.pressPoint = p;
    SetCapture(hd.hwnd);
    InvalidateRect(hd.hwnd, nullptr, 1);
}

int TrackedWidth(const Header& hd, POINT p) { return std::max(0, p.x - hd.trackOffset - static_cast<int>(ItemRect(hd, hd.active).left)); }

int DropPositionAt(const Header& hd, POINT p) {
    int x = 0;
    for (int pos = 0; pos < Count(hd); ++pos) {
        int w = hd.items[hd.order[pos]].width;
        if (p.x < x + w / 2) return pos;
        x += w;
    }
    return Count(hd);
}

void Move(Header& hd, POINT p) {
    if (hd.mode == Mode::Tracking) {
        if (!Valid(hd, hd.active)) return;  // deleted while tracked
        int width = TrackedWidth(hd, p);
        if (hd.style & HDS_FULLDRAG) {
            if (width != hd.items[hd.active].width) ChangeWidth(hd, hd.active, width);
        } else {
            HDITEMA item = WidthItem(width);
            Notify(hd, HDN_TRACK, hd.active, &item);
        }
        return;
    }
    if (hd.mode == Mode::Pressed && (hd.style & HDS_DRAGDROP) &&
        (std::abs(p.x - hd.pressPoint.x) > kDragThreshold || std::abs(p.y - hd.pressPoint.y) > kDragThreshold)) {
        HDITEMA item;
        item.mask = HDI_ORDER;
        item.iOrder = PositionOf(hd, hd.active);
        if (Notify(hd, HDN_BEGINDRAG, hd.active, &item)) {
            hd.mode = Mode::None;
            if (GetCapture() == hd.hwnd) ReleaseCapture();
            InvalidateRect(hd.hwnd, nullptr, 1);
            return;
        }
        hd.mode = Mode::Dragging;
    }
    if (hd.mode == Mode::Dragging) {
        hd.dropPosition = DropPositionAt(hd, p);
        InvalidateRect(hd.hwnd, nullptr, 1);
    }
}

void EndMode(Header& hd) {
    hd.mode = Mode::None;
    hd.active = -1;
    hd.dropPosition = -1;
    InvalidateRect(hd.hwnd, nullptr, 1);
}

void Release(Header& hd, POINT p) {
    Mode mode = hd.mode;
    int index = hd.active;
    if (mode == Mode::None) return;
    hd.mode = Mode::None;  // a notification below may start a new press
    if (GetCapture() == hd.hwnd) ReleaseCapture();
    if (mode == Mode::Tracking) {
        int width = TrackedWidth(hd, p);
        HDITEMA item = WidthItem(width);
        Notify(hd, HDN_ENDTRACK, index, &item);
        if (Valid(hd, index) && hd.items[index].width != width) ChangeWidth(hd, index, width);
    } else if (mode == Mode::Pressed) {
        HDHITTESTINFO hit = HitTest(hd, p);
        if ((hit.flags & HHT_ONHEADER) && hit.iItem == index) Notify(hd, HDN_ITEMCLICK, index);
    } else if (mode == Mode::Dragging) {
        int from = PositionOf(hd, index);
        int to = DropPositionAt(hd, p);
        if (to > from) --to;
        HDITEMA item;
        item.mask = HDI_ORDER;
        item.iOrder = to;
        if (!Notify(hd, HDN_ENDDRAG, index, &item) && Valid(hd, index)) MoveToPosition(hd, index, to);
    }
    EndMode(hd);
}

void DoubleClick(Header& hd, POINT p) {
    HDHITTESTINFO hit = HitTest(hd, p);
    if (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) Notify(hd, HDN_DIVIDERDBLCLICK, hit.iItem);
    else if (hit.flags & HHT_ONHEADER) Notify(hd, HDN_ITEMDBLCLICK, hit.iItem);
}

// ---- dispatch -------------------------------------------------------------------------------

LRESULT Dispatch(Header& hd, UINT m, WPARAM wp, LPARAM lp) {
    int index = static_cast<int>(static_cast<std::intptr_t>(wp));
    switch (m) {
        case WM_PAINT: Paint(hd); return 0;
        case WM_PRINTCLIENT: PaintInto(hd, reinterpret_cast<HDC>(wp)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SETFONT:
            hd.font = reinterpret_cast<HFONT>(wp);
            if (lp) InvalidateRect(hd.hwnd, nullptr, 1);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(hd.font);
        case WM_STYLECHANGED:
            if (wp == static_cast<WPARAM>(GWL_STYLE)) hd.style = reinterpret_cast<const STYLESTRUCT*>(lp)->styleNew;
            return 0;
        case WM_LBUTTONDOWN: Press(hd, PointOf(lp)); return 0;
        case WM_LBUTTONDBLCLK: DoubleClick(hd, PointOf(lp)); return 0;
        case WM_MOUSEMOVE: Move(hd, PointOf(lp)); return 0;
        case WM_LBUTTONUP: Release(hd, PointOf(lp)); return 0;
        case WM_CAPTURECHANGED:
            if (hd.mode != Mode::None && reinterpret_cast<HWND>(lp) != hd.hwnd) EndMode(hd);
            return 0;
        case WM_RBUTTONUP: {
            NMHDR nm;
            SendNotify(hd.hwnd, NM_RCLICK, &nm);
            return 0;
        }
        case HDM_GETITEMCOUNT: return Count(hd);
        case HDM_INSERTITEMA: return Insert(hd, index, reinterpret_cast<const HDITEMA*>(lp));
        case HDM_INSERTITEMW: return Insert(hd, index, reinterpret_cast<const HDITEMW*>(lp));
        case HDM_DELETEITEM: return Delete(hd, index);
        case HDM_GETITEMA: return Get(hd, index, reinterpret_cast<HDITEMA*>(lp));
        case HDM_GETITEMW: return Get(hd, index, reinterpret_cast<HDITEMW*>(lp));
        case HDM_SETITEMA: return Set(hd, index, reinterpret_cast<const HDITEMA*>(lp));
        case HDM_SETITEMW: return Set(hd, index, reinterpret_cast<const HDITEMW*>(lp));
        case HDM_LAYOUT: return Layout(hd, reinterpret_cast<HDLAYOUT*>(lp));
        case HDM_HITTEST: {
            auto* info = reinterpret_cast<HDHITTESTINFO*>(lp);
            if (!info) return -1;
            *info = HitTest(hd, info->pt);
            return info->iItem;
        }
        case HDM_GETITEMRECT:
            if (!lp || !Valid(hd, index)) return 0;
            *reinterpret_cast<RECT*>(lp) = ItemRect(hd, index);
            return 1;
        case HDM_SETIMAGELIST: {
            HIMAGELIST old = hd.images;
            hd.images = reinterpret_cast<HIMAGELIST>(lp);
            InvalidateRect(hd.hwnd, nullptr, 1);
            return reinterpret_cast<LRESULT>(old);
        }
        case HDM_GETIMAGELIST: return reinterpret_cast<LRESULT>(hd.images);
        case HDM_ORDERTOINDEX: return index >= 0 && index < Count(hd) ? hd.order[static_cast<std::size_t>(index)] : index;
        case HDM_GETORDERARRAY: return GetOrder(hd, index, reinterpret_cast<int*>(lp));
        case HDM_SETORDERARRAY: return SetOrder(hd, index, reinterpret_cast<const int*>(lp));
        default: return DefWindowProc(hd.hwnd, m, wp, lp);
    }
}

LRESULT Procedure(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
        SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new Header(hwnd, static_cast<DWORD>(cs->style))));
        return DefWindowProc(hwnd, m, wp, lp);
    }
    Header* hd = Find(hwnd);
    if (!hd) return DefWindowProc(hwnd, m, wp, lp);
    if (m == WM_NCDESTROY) {
        SetWindowLongPtr(hwnd, 0, 0);
        // Destroyed from inside one of its own notifications: freed when that returns.
        if (hd->busy) hd->destroyed = true;
        else delete hd;
        return DefWindowProc(hwnd, m, wp, lp);
    }
    ++hd->busy;
    LRESULT result = Dispatch(*hd, m, wp, lp);
    if (--hd->busy == 0 && hd->destroyed) delete hd;
    return result;
}

}  // namespace header

void RegisterHeaderClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = &header::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "SysHeader32";
    RegisterClassEx(&wc);
}

}  // namespace parch::win
