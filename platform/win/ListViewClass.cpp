#include "platform/win/ListViewClass.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <utility>
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
#include "platform/win/ButtonClass.h"
#include "platform/win/Clock.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/EditClass.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/ListBoxClass.h"
#include "platform/win/ListViewItems.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SystemValues.h"
#include "platform/win/Timers.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowProcs.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace listview {

constexpr UINT_PTR kEditTimer = 0x4C56;
constexpr UINT kEndEditMessage = WM_USER + 0x4C56;  // posted by the label editor: WParam 1 = cancel
constexpr int kTextPad = 2;         // between a cell's edge and its text
constexpr int kIconCellWidth = 76;  // icon view: the width of an item's cell
constexpr int kStateSlot = kCheckGlyphSize + 3;
constexpr int kDispBuffer = 260;
constexpr DWORD kTypeAheadMilliseconds = 1000;
constexpr UINT kRenameKey = 0x71;  // F2

struct Column {
    std::string text;
    int width = 0;
    int format = LVCFMT_LEFT;
    int image = 0;
    int subItem = 0;
};

struct ListView {
    HWND hwnd = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    ListViewItems items;
    std::vector<Column> columns;
    std::vector<int> order;  // display position -> column index
    HWND header = nullptr;
    HFONT font = nullptr;
    HIMAGELIST images[3] = {nullptr, nullptr, nullptr};
    COLORREF background = GetSysColor(COLOR_WINDOW);
    COLORREF textColor = GetSysColor(COLOR_WINDOWTEXT);
    COLORREF textBackground = GetSysColor(COLOR_WINDOW);
    int top = 0;      // report: first row; list: first column; icon views: first row of cells
    int xOffset = 0;  // report: pixels scrolled to the left
    int anchor = -1;
    bool focused = false;
    bool redraw = true;
    bool pressed = false;
    int pressItem = -1;
    int pressSubItem = 0;
    HWND edit = nullptr;
    int editing = -1;
    std::string typed;
    DWORD typedAt = 0;
    int listColumnWidth = 0;  // list views: set by LVM_SETCOLUMNWIDTH, else measured
    int measuredListWidth = -1;
    int wheelRemainder = 0;
    HDC measure = CreateCompatibleDC(nullptr);  // for text sizes: the screen's DC would compose it
    int lineHeight = 0;                          // of the font, measured when it is set
    int busy = 0;
    bool destroyed = false;

    ListView(HWND h, DWORD s) : hwnd(h), style(s), items((s & LVS_OWNERDATA) != 0) {}
    ~ListView() { DeleteDC(measure); }
    ListView(const ListView&) = delete;
    ListView& operator=(const ListView&) = delete;

    DWORD View() const { return style & LVS_TYPEMASK; }
    bool Report() const { return View() == LVS_REPORT; }
    bool Checkboxes() const { return (exStyle & LVS_EX_CHECKBOXES) != 0; }
    bool FullRow() const { return (exStyle & LVS_EX_FULLROWSELECT) != 0; }
    bool SingleSelect() const { return (style & LVS_SINGLESEL) != 0; }
};

ListView* Find(HWND hwnd) { return reinterpret_cast<ListView*>(GetWindowLongPtr(hwnd, 0)); }

HFONT FontOf(const ListView& lv) { return lv.font ? lv.font : reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

SIZE ImageSize(HIMAGELIST list) {
    SIZE size{0, 0};
    if (list) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(list, &cx, &cy);
        size = {cx, cy};
    }
    return size;
}

bool HasStateImages(const ListView& lv) { return lv.Checkboxes() || lv.images[LVSIL_STATE]; }
int StateSlotWidth(const ListView& lv) {
    if (lv.images[LVSIL_STATE]) return ImageSize(lv.images[LVSIL_STATE]).cx + 2;
    return lv.Checkboxes() ? kStateSlot : 0;
}

void MeasureFont(ListView& lv) {
    SelectObject(lv.measure, FontOf(lv));
    TEXTMETRIC tm;
    GetTextMetrics(lv.measure, &tm);
    lv.lineHeight = std::max<int>(1, tm.tmHeight);
}

int RowHeight(const ListView& lv) {
    int height = lv.lineHeight + 3;
    height = std::max<int>(height, ImageSize(lv.images[LVSIL_SMALL]).cy + 1);
    height = std::max<int>(height, ImageSize(lv.images[LVSIL_STATE]).cy + 1);
    if (lv.Checkboxes()) height = std::max(height, kCheckGlyphSize + 3);
    return height;
}

RECT Client(const ListView& lv) {
    RECT r;
    GetClientRect(lv.hwnd, &r);
    return r;
}

int HeaderHeight(const ListView& lv) {
    if (!lv.Report() || !lv.header || !IsWindowVisible(lv.header)) return 0;
    RECT r;
    GetWindowRect(lv.header, &r);
    return r.bottom - r.top;
}

// The part of the client area where items show.
RECT ItemArea(const ListView& lv) {
    RECT r = Client(lv);
    r.top = std::min<LONG>(r.bottom, r.top + HeaderHeight(lv));
    return r;
}

// ---- columns --------------------------------------------------------------------------------

int ColumnCount(const ListView& lv) { return static_cast<int>(lv.columns.size()); }

int TotalWidth(const ListView& lv) {
    int total = 0;
    for (const Column& c : lv.columns) total += c.width;
    return total;
}

// Left edge of column `index` relative to the row's left edge.
int ColumnLeft(const ListView& lv, int index) {
    int x = 0;
    for (int c : lv.order) {
        if (c == index) return x;
        x += lv.columns[static_cast<std::size_t>(c)].width;
    }
    return x;
}

// ---- item texts -----------------------------------------------------------------------------

// Asks the parent for the fields of `mask` (LVN_GETDISPINFO); the answer's text is copied out.
NMLVDISPINFO AskDisplay(ListView& lv, int index, int subItem, UINT mask, std::string* text) {
    char buffer[kDispBuffer] = {};
    NMLVDISPINFO info;
    info.item.mask = mask;
    info.item.iItem = index;
    info.item.iSubItem = subItem;
    info.item.pszText = buffer;
    info.item.cchTextMax = kDispBuffer;
    if (!lv.items.OwnerData() && lv.items.Valid(index)) {
        info.item.lParam = lv.items.At(index).lParam;
        info.item.iImage = lv.items.At(index).image;
    }
    info.item.state = lv.items.State(index);
    SendNotify(lv.hwnd, LVN_GETDISPINFO, &info.hdr);
    if (text) {
        const char* p = info.item.pszText;
        // The parent's answer is held to the rule for stored texts: valid UTF-8.
        *text = (p && p != LPSTR_TEXTCALLBACKA) ? ValidUtf8(std::string_view(p, strnlen(p, p == buffer ? kDispBuffer - 1 : 1u << 20))) : "";
    }
    return info;
}

std::string ItemText(ListView& lv, int index, int subItem) {
    if (!lv.items.Valid(index) || subItem < 0) return {};
    std::string text;
    if (lv.items.OwnerData()) {
        AskDisplay(lv, index, subItem, LVIF_TEXT, &text);
        return text;
    }
    const ListViewItem& item = lv.items.At(index);
    if (static_cast<std::size_t>(subItem) >= item.texts.size()) return {};
    const ListViewText& t = item.texts[static_cast<std::size_t>(subItem)];
    if (!t.callback) return t.text;
    AskDisplay(lv, index, subItem, LVIF_TEXT, &text);
    return text;
}

int ItemImage(ListView& lv, int index) {
    if (!lv.items.Valid(index)) return -1;
    if (lv.items.OwnerData() || lv.items.At(index).image == I_IMAGECALLBACK) return AskDisplay(lv, index, 0, LVIF_IMAGE, nullptr).item.iImage;
    return lv.items.At(index).image;
}

LPARAM ItemParam(ListView& lv, int index) {
    if (!lv.items.Valid(index)) return 0;
    return lv.items.OwnerData() ? 0 : lv.items.At(index).lParam;
}

int TextWidth(const ListView& lv, std::string_view text) {
    SIZE size{0, 0};
    GetTextExtentPoint32(lv.measure, text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// ---- geometry -------------------------------------------------------------------------------

struct Grid {
    int cellWidth = 1;
    int cellHeight = 1;
    int perLine = 1;       // cells across (icon views) or down (list)
    int visibleLines = 1;  // whole lines that fit
    int lines = 0;         // lines the items need
};

int ListColumnWidth(ListView& lv) {
    if (lv.listColumnWidth > 0) return lv.listColumnWidth;
    if (lv.measuredListWidth < 0) {
        int widest = 0;
        int n = lv.items.OwnerData() ? 0 : lv.items.Count();
        for (int i = 0; i < n; ++i) widest = std::max(widest, TextWidth(lv, ItemText(lv, i, 0)));
        lv.measuredListWidth = widest;
    }
    return std::max(lv.measuredListWidth, 40) + StateSlotWidth(lv) + ImageSize(lv.images[LVSIL_SMALL]).cx + 4 * kTextPad;
}

Grid GridOf(ListView& lv) {
    Grid g;
    RECT area = ItemArea(lv);
    int width = std::max<int>(1, area.right - area.left), height = std::max<int>(1, area.bottom - area.top);
    int count = lv.items.Count();
    switch (lv.View()) {
        case LVS_ICON: {
            SIZE icon = ImageSize(lv.images[LVSIL_NORMAL]);
            g.cellWidth = std::max<int>(kIconCellWidth, icon.cx + 16);
            g.cellHeight = std::max<int>(icon.cy, 32) + 2 * lv.lineHeight + 10;
            g.perLine = std::max(1, width / g.cellWidth);
            g.visibleLines = std::max(1, height / g.cellHeight);
            break;
        }
        case LVS_SMALLICON:
            g.cellWidth = ListColumnWidth(lv);
            g.cellHeight = RowHeight(lv);
            g.perLine = std::max(1, width / g.cellWidth);
            g.visibleLines = std::max(1, height / g.cellHeight);
            break;
        case LVS_LIST:
            g.cellWidth = ListColumnWidth(lv);
            g.cellHeight = RowHeight(lv);
            g.perLine = std::max(1, height / g.cellHeight);
            g.visibleLines = std::max(1, width / g.cellWidth);
            break;
        default:
            g.cellWidth = std::max(1, TotalWidth(lv));
            g.cellHeight = RowHeight(lv);
            g.perLine = 1;
            g.visibleLines = std::max(1, height / g.cellHeight);
            break;
    }
    g.lines = (count + g.perLine - 1) / g.perLine;
    return g;
}

int MaxTop(ListView& lv) {
    Grid g = GridOf(lv);
    return std::max(0, g.lines - g.visibleLines);
}

int MaxX(ListView& lv) {
    if (!lv.Report()) return 0;
    return std::max(0, TotalWidth(lv) - static_cast<int>(Client(lv).right));
}

// The whole item's rectangle in client coordinates.
RECT Bounds(ListView& lv, int index) {
    Grid g = GridOf(lv);
    RECT area = ItemArea(lv);
    if (lv.Report()) {
        int y = area.top + (index - lv.top) * g.cellHeight;
        return {-lv.xOffset, y, -lv.xOffset + TotalWidth(lv), y + g.cellHeight};
    }
    int line = index / g.perLine, within = index % g.perLine;
    if (lv.View() == LVS_LIST) {
        int x = (line - lv.top) * g.cellWidth, y = area.top + within * g.cellHeight;
        return {x, y, x + g.cellWidth, y + g.cellHeight};
    }
    int x = within * g.cellWidth, y = area.top + (line - lv.top) * g.cellHeight;
    return {x, y, x + g.cellWidth, y + g.cellHeight};
}

struct Parts {
    RECT bounds{};
    RECT state{};
    RECT icon{};
    RECT label{};
};

// Where the state image, the icon and the label of an item lie.
Parts PartsOf(ListView& lv, int index) {
    Parts p;
    p.bounds = Bounds(lv, index);
    if (lv.View() == LVS_ICON) {
        SIZE icon = ImageSize(lv.images[LVSIL_NORMAL]);
        icon.cx = std::max<LONG>(icon.cx, 32);
        icon.cy = std::max<LONG>(icon.cy, 32);
        int cx = (p.bounds.left + p.bounds.right) / 2;
        p.icon = {cx - icon.cx / 2, p.bounds.top + 2, cx + icon.cx / 2, p.bounds.top + 2 + icon.cy};
        int sw = StateSlotWidth(lv);
        p.state = {p.icon.left - sw, p.icon.bottom - sw, p.icon.left, p.icon.bottom};
        p.label = {p.bounds.left + 1, p.icon.bottom + 2, p.bounds.right - 1, p.bounds.bottom};
        return p;
    }
    RECT cell = p.bounds;
    if (lv.Report()) {
        int left = p.bounds.left + ColumnLeft(lv, 0);
        int width = lv.columns.empty() ? 0 : lv.columns[0].width;
        cell = {left, p.bounds.top, left + width, p.bounds.bottom};
    }
    int x = cell.left + kTextPad;
    if (lv.Report() && !lv.items.OwnerData() && lv.items.Valid(index)) x += lv.items.At(index).indent * ImageSize(lv.images[LVSIL_SMALL]).cx;
    int mid = (cell.top + cell.bottom) / 2;
    if (HasStateImages(lv)) {
        int sw = StateSlotWidth(lv);
        p.state = {x, mid - sw / 2, x + sw, mid - sw / 2 + sw};
        x += sw;
    } else {
        p.state = {x, cell.top, x, cell.bottom};
    }
    SIZE small = ImageSize(lv.images[LVSIL_SMALL]);
    p.icon = {x, mid - small.cy / 2, x + small.cx, mid - small.cy / 2 + small.cy};
    if (small.cx) x += small.cx + kTextPad;
    p.label = {std::min<LONG>(x, cell.right), cell.top, cell.right, cell.bottom};
    return p;
}

RECT CellRect(ListView& lv, int index, int column) {
    RECT row = Bounds(lv, index);
    int left = row.left + ColumnLeft(lv, column);
    return {left, row.top, left + lv.columns[static_cast<std::size_t>(column)].width, row.bottom};
}

LVHITTESTINFO HitTest(ListView& lv, POINT pt, bool subItems) {
    LVHITTESTINFO info;
    info.pt = pt;
    RECT area = ItemArea(lv);
    if (pt.y < area.top) info.flags |= LVHT_ABOVE;
    if (pt.y >= area.bottom) info.flags |= LVHT_BELOW;
    if (pt.x < area.left) info.flags |= LVHT_TOLEFT;
    if (pt.x >= area.right) info.flags |= LVHT_TORIGHT;
    if (info.flags) return info;
    Grid g = GridOf(lv);
    int index = -1;
    if (lv.Report()) {
        index = lv.top + (pt.y - area.top) / g.cellHeight;
    } else if (lv.View() == LVS_LIST) {
        int line = lv.top + pt.x / g.cellWidth, within = (pt.y - area.top) / g.cellHeight;
        if (within < g.perLine) index = line * g.perLine + within;
    } else {
        int line = lv.top + (pt.y - area.top) / g.cellHeight, within = pt.x / g.cellWidth;
        if (within < g.perLine) index = line * g.perLine + within;
    }
    info.flags = LVHT_NOWHERE;
    if (!lv.items.Valid(index)) return info;
    Parts parts = PartsOf(lv, index);
    if (subItems && lv.Report()) {
        int x = pt.x - parts.bounds.left, left = 0;
        for (int c : lv.order) {
            int w = lv.columns[static_cast<std::size_t>(c)].width;
            if (x >= left && x < left + w) info.iSubItem = c;
            left += w;
        }
    }
    if (HasStateImages(lv) && PtInRect(&parts.state, pt)) info.flags = LVHT_ONITEMSTATEICON;
    else if (PtInRect(&parts.icon, pt)) info.flags = LVHT_ONITEMICON;
    else if (PtInRect(&parts.label, pt)) info.flags = LVHT_ONITEMLABEL;
    else if (lv.FullRow() && lv.Report() && PtInRect(&parts.bounds, pt)) info.flags = LVHT_ONITEMLABEL;
    else if (!lv.Report() && PtInRect(&parts.bounds, pt)) info.flags = LVHT_ONITEMLABEL;
    else if (subItems && lv.Report() && PtInRect(&parts.bounds, pt)) info.flags = LVHT_ONITEMLABEL;
    if (info.flags != LVHT_NOWHERE) info.iItem = index;
    return info;
}

// ---- scrolling ------------------------------------------------------------------------------

void PlaceHeader(ListView& lv) {
    if (!lv.header) return;
    bool show = lv.Report() && !(lv.style & LVS_NOCOLUMNHEADER);
    if (!show) {
        ShowWindow(lv.header, SW_HIDE);
        return;
    }
    RECT client = Client(lv);
    WINDOWPOS pos;
    HDLAYOUT layout{&client, &pos};
    SendMessage(lv.header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout));
    SetWindowPos(lv.header, nullptr, -lv.xOffset, pos.y, pos.cx + lv.xOffset, pos.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void UpdateScrollBars(ListView& lv) {
    if (!lv.redraw || (lv.style & LVS_NOSCROLL)) return;
    Grid g = GridOf(lv);
    SCROLLINFO lines;
    lines.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    lines.nMax = std::max(0, g.lines - 1);
    lines.nPage = static_cast<UINT>(g.lines > g.visibleLines ? g.visibleLines : g.lines);
    lines.nPos = lv.top;
    SCROLLINFO none;
    none.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (lv.View() == LVS_LIST) {
        SetScrollInfo(lv.hwnd, SB_HORZ, &lines, 1);
        SetScrollInfo(lv.hwnd, SB_VERT, &none, 1);
        return;
    }
    SetScrollInfo(lv.hwnd, SB_VERT, &lines, 1);
    if (lv.Report()) {
        SCROLLINFO across;
        across.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        across.nMax = std::max(0, TotalWidth(lv) - 1);
        across.nPage = static_cast<UINT>(std::max<LONG>(0, Client(lv).right));
        across.nPos = lv.xOffset;
        SetScrollInfo(lv.hwnd, SB_HORZ, &across, 1);
    } else {
        SetScrollInfo(lv.hwnd, SB_HORZ, &none, 1);
    }
}

void Invalidate(ListView& lv) { InvalidateRect(lv.hwnd, nullptr, 1); }

void InvalidateItem(ListView& lv, int index) {
    if (!lv.items.Valid(index)) return;
    RECT r = Bounds(lv, index);
    RECT area = ItemArea(lv);
    RECT shown;
    if (lv.Report()) r.right = std::max(r.right, area.right);
    if (IntersectRect(&shown, &r, &area)) InvalidateRect(lv.hwnd, &shown, 1);
}

void Relayout(ListView& lv) {
    lv.top = std::clamp(lv.top, 0, MaxTop(lv));
    lv.xOffset = std::clamp(lv.xOffset, 0, MaxX(lv));
    PlaceHeader(lv);
    UpdateScrollBars(lv);
    Invalidate(lv);
}

void SetTop(ListView& lv, int top) {
    top = std::clamp(top, 0, MaxTop(lv));
    if (top == lv.top) return;
    lv.top = top;
    UpdateScrollBars(lv);
    Invalidate(lv);
}

void SetXOffset(ListView& lv, int x) {
    x = std::clamp(x, 0, MaxX(lv));
    if (x == lv.xOffset) return;
    lv.xOffset = x;
    PlaceHeader(lv);
    UpdateScrollBars(lv);
    Invalidate(lv);
}

int LineOf(ListView& lv, int index) { return index / GridOf(lv).perLine; }

void EnsureVisible(ListView& lv, int index, bool partialOk) {
    if (!lv.items.Valid(index)) return;
    Grid g = GridOf(lv);
    int line = LineOf(lv, index);
    if (line < lv.top) {
        SetTop(lv, line);
    } else if (line >= lv.top + g.visibleLines) {
        RECT area = ItemArea(lv);
        RECT r = Bounds(lv, index);
        bool partlyShown = lv.View() == LVS_LIST ? r.left < area.right : r.top < area.bottom;
        if (!(partialOk && partlyShown)) SetTop(lv, line - g.visibleLines + 1);
    }
}

// LVM_SCROLL: pixels, turned into whole lines where the view scrolls by lines. Nothing to
// scroll in an empty list: there is no line to measure.
BOOL ScrollBy(ListView& lv, int dx, int dy) {
    if (lv.items.Count() == 0) return 1;
    Grid g = GridOf(lv);
    // In 64 bits: the caller's pixels may be anything an int holds.
    auto lines = [](int pixels, int size) {
        return size > 0 ? (std::int64_t{pixels} + (pixels >= 0 ? size / 2 : -size / 2)) / size : std::int64_t{0};
    };
    auto moved = [](int from, std::int64_t by) { return static_cast<int>(std::clamp<std::int64_t>(from + by, 0, INT_MAX)); };
    switch (lv.View()) {
        case LVS_REPORT:
            SetXOffset(lv, moved(lv.xOffset, dx));
            SetTop(lv, moved(lv.top, lines(dy, g.cellHeight)));
            break;
        case LVS_LIST: SetTop(lv, moved(lv.top, lines(dx, g.cellWidth))); break;
        default: SetTop(lv, moved(lv.top, lines(dy, g.cellHeight))); break;
    }
    return 1;
}

int ThumbPosition(HWND hwnd, int bar) {
    SCROLLINFO si;
    si.fMask = SIF_POS | SIF_TRACKPOS;
    GetScrollInfo(hwnd, bar, &si);
    return si.nTrackPos;
}

void ScrollLines(ListView& lv, WORD code, int bar) {
    Grid g = GridOf(lv);
    int page = std::max(1, g.visibleLines - (lv.Report() ? 1 : 0));
    switch (code) {
        case SB_LINEUP: SetTop(lv, lv.top - 1); break;
        case SB_LINEDOWN: SetTop(lv, lv.top + 1); break;
        case SB_PAGEUP: SetTop(lv, lv.top - page); break;
        case SB_PAGEDOWN: SetTop(lv, lv.top + page); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTop(lv, ThumbPosition(lv.hwnd, bar)); break;
        case SB_TOP: SetTop(lv, 0); break;
        case SB_BOTTOM: SetTop(lv, g.lines); break;
        default: break;
    }
}

void ScrollPixels(ListView& lv, WORD code) {
    int width = Client(lv).right, line = std::max(1, lv.lineHeight);
    switch (code) {
        case SB_LINELEFT: SetXOffset(lv, lv.xOffset - line); break;
        case SB_LINERIGHT: SetXOffset(lv, lv.xOffset + line); break;
        case SB_PAGELEFT: SetXOffset(lv, lv.xOffset - width); break;
        case SB_PAGERIGHT: SetXOffset(lv, lv.xOffset + width); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetXOffset(lv, ThumbPosition(lv.hwnd, SB_HORZ)); break;
        case SB_LEFT: SetXOffset(lv, 0); break;
        case SB_RIGHT: SetXOffset(lv, MaxX(lv)); break;
        default: break;
    }
}

void VScroll(ListView& lv, WORD code) {
    if (lv.View() != LVS_LIST) ScrollLines(lv, code, SB_VERT);
}

void HScroll(ListView& lv, WORD code) {
    if (lv.View() == LVS_LIST) ScrollLines(lv, code, SB_HORZ);
    else if (lv.Report()) ScrollPixels(lv, code);
}

void Wheel(ListView& lv, WPARAM wp) {
    lv.wheelRemainder += static_cast<std::int16_t>(HIWORD(wp));
    int steps = lv.wheelRemainder / WHEEL_DELTA;
    lv.wheelRemainder -= steps * WHEEL_DELTA;
    if (steps == 0) return;
    UINT lines = 3;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    int per = lv.View() == LVS_LIST ? 1 : static_cast<int>(lines);
    SetTop(lv, lv.top - steps * per);
}

// ---- notifications and states ---------------------------------------------------------------

LRESULT NotifyItem(ListView& lv, UINT code, int index, UINT changed = 0, UINT oldState = 0, UINT newState = 0) {
    NMLISTVIEW nm;
    nm.iItem = index;
    nm.uChanged = changed;
    nm.uOldState = oldState;
    nm.uNewState = newState;
    nm.lParam = ItemParam(lv, index);
    return SendNotify(lv.hwnd, code, &nm.hdr);
}

bool ChangeState(ListView& lv, int index, UINT value, UINT mask);

void DropFocusElsewhere(ListView& lv, int index) {
    int previous = lv.items.Focused();
    if (previous >= 0 && previous != index) ChangeState(lv, previous, 0, LVIS_FOCUSED);
}

void DeselectAllBut(ListView& lv, int keep) {
    for (int i = 0; i < lv.items.Count() && lv.items.SelectedCount() > ((lv.items.State(keep) & LVIS_SELECTED) ? 1 : 0); ++i)
        if (i != keep && (lv.items.State(i) & LVIS_SELECTED)) ChangeState(lv, i, 0, LVIS_SELECTED);
}

// Changes the state bits of `mask`, asking first (LVN_ITEMCHANGING may veto) and telling after.
bool ChangeState(ListView& lv, int index, UINT value, UINT mask) {
    if (!lv.items.Valid(index)) return false;
    UINT old = lv.items.State(index);
    UINT now = (old & ~mask) | (value & mask);
    if (now == old) return true;
    // The others give up the focus (and, in a single-selection list, the selection) first; an
    // item the parent keeps selected keeps this one from being selected too.
    if ((now & LVIS_SELECTED) && !(old & LVIS_SELECTED) && lv.SingleSelect()) {
        DeselectAllBut(lv, index);
        if (!lv.items.Valid(index) || lv.items.SelectedCount() > ((lv.items.State(index) & LVIS_SELECTED) ? 1 : 0)) return false;
    }
    if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED)) DropFocusElsewhere(lv, index);
    if (!lv.items.Valid(index)) return false;
    old = lv.items.State(index);
    now = (old & ~mask) | (value & mask);
    if (now == old) return true;
    if (NotifyItem(lv, LVN_ITEMCHANGING, index, LVIF_STATE, old, now) || !lv.items.Valid(index)) return false;
    lv.items.SetState(index, now);
    InvalidateItem(lv, index);
    NotifyItem(lv, LVN_ITEMCHANGED, index, LVIF_STATE, old, now);
    return true;
}

void SelectOnly(ListView& lv, int index) {
    DeselectAllBut(lv, index);
    ChangeState(lv, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    lv.anchor = index;
}

void SelectRange(ListView& lv, int from, int to) {
    if (from > to) std::swap(from, to);
    for (int i = 0; i < lv.items.Count(); ++i) {
        bool inside = i >= from && i <= to;
        if (inside != ((lv.items.State(i) & LVIS_SELECTED) != 0)) ChangeState(lv, i, inside ? LVIS_SELECTED : 0, LVIS_SELECTED);
    }
}

int StateImageOf(const ListView& lv, int index) { return static_cast<int>((lv.items.State(index) & LVIS_STATEIMAGEMASK) >> 12); }

void ToggleCheck(ListView& lv, int index) {
    UINT next = StateImageOf(lv, index) == 2 ? 1 : 2;
    ChangeState(lv, index, INDEXTOSTATEIMAGEMASK(next), LVIS_STATEIMAGEMASK);
}

// ---- painting -------------------------------------------------------------------------------

struct Colors {
    COLORREF text;
    COLORREF back;  // CLR_NONE: the list's background shows
};

Colors SelectionColors(const ListView& lv) {
    if (lv.focused) return {GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT)};
    return {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_3DFACE)};
}

bool ShowsSelection(const ListView& lv) { return lv.focused || (lv.style & LVS_SHOWSELALWAYS); }

void Fill(HDC dc, const RECT& r, COLORREF color) {
    if (color == CLR_NONE || r.right <= r.left || r.bottom <= r.top) return;
    COLORREF old = SetDCBrushColor(dc, color);
    FillRect(dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, old);
}

// A cell's background, where it differs from the list's own (already painted).
void FillCell(const ListView& lv, HDC dc, const RECT& r, COLORREF color) {
    if (color != lv.background) Fill(dc, r, color);
}

void DrawStateImage(const ListView& lv, HDC dc, int index, const RECT& slot) {
    int image = StateImageOf(lv, index);
    if (image == 0) return;
    if (lv.images[LVSIL_STATE]) {
        ImageList_Draw(lv.images[LVSIL_STATE], image - 1, dc, slot.left, slot.top, ILD_TRANSPARENT);
        return;
    }
    if (!lv.Checkboxes()) return;
    int x = slot.left + (slot.right - slot.left - kCheckGlyphSize) / 2, y = slot.top + (slot.bottom - slot.top - kCheckGlyphSize) / 2;
    RECT box{x, y, x + kCheckGlyphSize, y + kCheckGlyphSize};
    DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (image == 2 ? DFCS_CHECKED : 0));
}

void DrawLabel(const ListView& lv, HDC dc, const std::string& text, RECT r, const Colors& colors, UINT align) {
    FillCell(lv, dc, r, colors.back);
    r.left += kTextPad;
    r.right -= kTextPad;
    SetTextColor(dc, colors.text);
    DrawText(dc, text.data(), static_cast<int>(text.size()), &r, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

UINT AlignOf(int format) {
    switch (format & LVCFMT_JUSTIFYMASK) {
        case LVCFMT_RIGHT: return DT_RIGHT;
        case LVCFMT_CENTER: return DT_CENTER;
        default: return DT_LEFT;
    }
}

// Column 0 of a report row, or a whole item of the other views except icon view.
void DrawFirstCell(ListView& lv, HDC dc, int index, const Parts& parts, const RECT& cell, Colors colors, bool selected) {
    bool fullRow = lv.Report() && lv.FullRow();
    Colors label = colors;
    if (selected) label = SelectionColors(lv);
    FillCell(lv, dc, cell, fullRow && selected ? label.back : colors.back);
    DrawStateImage(lv, dc, index, parts.state);
    int image = lv.images[LVSIL_SMALL] ? ItemImage(lv, index) : -1;
    if (image >= 0) ImageList_Draw(lv.images[LVSIL_SMALL], image, dc, parts.icon.left, parts.icon.top, selected && lv.focused ? ILD_SELECTED : ILD_TRANSPARENT);
    std::string text = ItemText(lv, index, 0);
    RECT r = parts.label;
    if (!fullRow && !lv.Report()) r.right = std::min<LONG>(r.right, r.left + TextWidth(lv, text) + 2 * kTextPad);
    if (!fullRow && lv.Report() && selected) r.right = std::min<LONG>(r.right, r.left + TextWidth(lv, text) + 2 * kTextPad);
    UINT align = lv.Report() && !lv.columns.empty() ? AlignOf(lv.columns[0].format) : DT_LEFT;
    DrawLabel(lv, dc, text, r, selected ? label : Colors{label.text, CLR_NONE}, align);
}

void DrawIconItem(ListView& lv, HDC dc, int index, const Parts& parts, Colors colors, bool selected) {
    DrawStateImage(lv, dc, index, parts.state);
    int image = lv.images[LVSIL_NORMAL] ? ItemImage(lv, index) : -1;
    if (image >= 0) ImageList_Draw(lv.images[LVSIL_NORMAL], image, dc, parts.icon.left, parts.icon.top, selected && lv.focused ? ILD_SELECTED : ILD_TRANSPARENT);
    std::string text = ItemText(lv, index, 0);
    if (selected) colors = SelectionColors(lv);
    RECT r = parts.label;
    Fill(dc, r, colors.back);
    SetTextColor(dc, colors.text);
    DrawText(dc, text.data(), static_cast<int>(text.size()), &r, DT_CENTER | DT_WORDBREAK | DT_END_ELLIPSIS | DT_NOPREFIX);
}

NMLVCUSTOMDRAW ItemDraw(ListView& lv, HDC dc, int index, const RECT& bounds) {
    NMLVCUSTOMDRAW cd;
    cd.nmcd.hdc = dc;
    cd.nmcd.rc = bounds;
    cd.nmcd.dwItemSpec = static_cast<UINT_PTR>(index);
    UINT state = lv.items.State(index);
    if ((state & LVIS_SELECTED) && ShowsSelection(lv)) cd.nmcd.uItemState |= CDIS_SELECTED;
    if ((state & LVIS_FOCUSED) && lv.focused) cd.nmcd.uItemState |= CDIS_FOCUS;
    cd.nmcd.lItemlParam = ItemParam(lv, index);
    cd.clrText = lv.textColor;
    cd.clrTextBk = lv.textBackground;
    return cd;
}

void DrawSubItems(ListView& lv, HDC dc, int index, NMLVCUSTOMDRAW& item, LRESULT itemAnswer, const Parts& parts) {
    for (int column : lv.order) {
        RECT cell = CellRect(lv, index, column);
        RECT area = ItemArea(lv);
        if (cell.right <= area.left || cell.left >= area.right) continue;
        NMLVCUSTOMDRAW sub = item;
        sub.iSubItem = column;
        sub.nmcd.rc = cell;
        LRESULT answer = CDRF_DODEFAULT;
        if (itemAnswer & CDRF_NOTIFYSUBITEMDRAW) {
            answer = SendCustomDraw(lv.hwnd, sub.nmcd, CDDS_SUBITEM | CDDS_ITEMPREPAINT);
            if (answer & CDRF_SKIPDEFAULT) continue;
            if (!(answer & CDRF_NEWFONT) && !(itemAnswer & CDRF_NEWFONT)) SelectObject(dc, FontOf(lv));
        }
        bool selected = (sub.nmcd.uItemState & CDIS_SELECTED) != 0;
        Colors colors{sub.clrText, sub.clrTextBk};
        int subItem = lv.columns[static_cast<std::size_t>(column)].subItem;
        if (subItem == 0) {
            DrawFirstCell(lv, dc, index, parts, cell, colors, selected);
        } else {
            if (selected && lv.FullRow()) colors = SelectionColors(lv);
            DrawLabel(lv, dc, ItemText(lv, index, subItem), cell, colors, AlignOf(lv.columns[static_cast<std::size_t>(column)].format));
        }
        if (answer & CDRF_NOTIFYPOSTPAINT) SendCustomDraw(lv.hwnd, sub.nmcd, CDDS_SUBITEM | CDDS_ITEMPOSTPAINT);
    }
}

void DrawItem(ListView& lv, HDC dc, int index, LRESULT paintAnswer) {
    Parts parts = PartsOf(lv, index);
    NMLVCUSTOMDRAW item = ItemDraw(lv, dc, index, parts.bounds);
    LRESULT answer = CDRF_DODEFAULT;
    if (paintAnswer & CDRF_NOTIFYITEMDRAW) {
        answer = SendCustomDraw(lv.hwnd, item.nmcd, CDDS_ITEMPREPAINT);
        if (answer & CDRF_SKIPDEFAULT) return;
        if (!(answer & CDRF_NEWFONT)) SelectObject(dc, FontOf(lv));
    }
    bool selected = (item.nmcd.uItemState & CDIS_SELECTED) != 0;
    Colors colors{item.clrText, item.clrTextBk};
    if (lv.Report()) {
        if (lv.columns.empty()) return;
        DrawSubItems(lv, dc, index, item, answer, parts);
        RECT row = parts.bounds;
        RECT area = ItemArea(lv);
        if (lv.focused && (lv.items.State(index) & LVIS_FOCUSED)) {
            RECT focus = lv.FullRow() ? row : parts.label;
            focus.right = std::min(focus.right, area.right);
            DrawFocusRect(dc, &focus);
        }
    } else if (lv.View() == LVS_ICON) {
        DrawIconItem(lv, dc, index, parts, colors, selected);
    } else {
        DrawFirstCell(lv, dc, index, parts, parts.label, colors, selected);
        if (lv.focused && (lv.items.State(index) & LVIS_FOCUSED)) DrawFocusRect(dc, &parts.label);
    }
    if (answer & CDRF_NEWFONT) SelectObject(dc, FontOf(lv));
    if (answer & CDRF_NOTIFYPOSTPAINT) SendCustomDraw(lv.hwnd, item.nmcd, CDDS_ITEMPOSTPAINT);
}

void DrawGridLines(ListView& lv, HDC dc, int firstRow, int lastRow) {
    RECT area = ItemArea(lv);
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DFACE));
    HGDIOBJ old = SelectObject(dc, pen);
    int rowHeight = RowHeight(lv);
    int x = -lv.xOffset;
    for (int column : lv.order) {
        x += lv.columns[static_cast<std::size_t>(column)].width;
        MoveToEx(dc, x - 1, area.top, nullptr);
        LineTo(dc, x - 1, area.bottom);
    }
    for (int row = firstRow; row <= lastRow; ++row) {
        int y = area.top + (row - lv.top + 1) * rowHeight - 1;
        if (y >= area.bottom) break;
        MoveToEx(dc, area.left, y, nullptr);
        LineTo(dc, area.right, y);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

// The items whose cells may show: [first, last).
std::pair<int, int> VisibleItems(ListView& lv) {
    Grid g = GridOf(lv);
    int first = lv.top * g.perLine;
    int last = std::min(lv.items.Count(), first + (g.visibleLines + 1) * g.perLine);
    return {std::min(first, last), last};
}

void PaintInto(ListView& lv, HDC dc) {
    RECT client = Client(lv);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(lv));
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldText = GetTextColor(dc);
    NMLVCUSTOMDRAW cd;
    cd.nmcd.hdc = dc;
    cd.nmcd.rc = client;
    cd.clrText = lv.textColor;
    cd.clrTextBk = lv.textBackground;
    LRESULT answer = SendCustomDraw(lv.hwnd, cd.nmcd, CDDS_PREPAINT);
    if (!(answer & CDRF_SKIPDEFAULT)) {
        Fill(dc, client, lv.background);
        auto [first, last] = VisibleItems(lv);
        for (int i = first; i < last; ++i) DrawItem(lv, dc, i, answer);
        if (lv.Report() && (lv.exStyle & LVS_EX_GRIDLINES)) {
            Grid g = GridOf(lv);
            DrawGridLines(lv, dc, lv.top, lv.top + g.visibleLines + 1);
        }
    }
    if (answer & CDRF_NOTIFYPOSTPAINT) SendCustomDraw(lv.hwnd, cd.nmcd, CDDS_POSTPAINT);
    SetTextColor(dc, oldText);
    SetBkMode(dc, mode);
    SelectObject(dc, oldFont);
}

void Paint(ListView& lv) {
    PaintControl(lv.hwnd, nullptr, [&lv](HDC dc) { PaintInto(lv, dc); });
}

// ---- items ----------------------------------------------------------------------------------

template <typename Char>
ListViewText TextFrom(const Char* text) {
    if constexpr (std::is_same_v<Char, char>) {
        if (text == LPSTR_TEXTCALLBACKA) return {{}, true};
        return {text ? ValidUtf8(text) : std::string(), false};
    } else {
        if (text == LPSTR_TEXTCALLBACKW) return {{}, true};
        return {text ? Utf8FromUtf16(text) : std::string(), false};
    }
}

void TextsChanged(ListView& lv) {
    lv.measuredListWidth = -1;
    if (lv.View() == LVS_LIST || lv.View() == LVS_SMALLICON) Relayout(lv);
}

void ItemsChanged(ListView& lv) {
    lv.measuredListWidth = -1;
    if (!lv.redraw) return;
    lv.top = std::clamp(lv.top, 0, MaxTop(lv));
    UpdateScrollBars(lv);
    Invalidate(lv);
}

template <typename Char>
LRESULT InsertItem(ListView& lv, const LVITEMT<Char>* in) {
    if (!in || in->iSubItem != 0 || lv.items.OwnerData()) return -1;
    ListViewItem item;
    item.texts.push_back((in->mask & LVIF_TEXT) ? TextFrom(in->pszText) : ListViewText{});
    if (in->mask & LVIF_IMAGE) item.image = in->iImage;
    if (in->mask & LVIF_PARAM) item.lParam = in->lParam;
    if (in->mask & LVIF_INDENT) item.indent = std::max(0, in->iIndent);
    if (in->mask & LVIF_STATE) item.state = in->state & in->stateMask;
    if (lv.Checkboxes() && !(item.state & LVIS_STATEIMAGEMASK)) item.state |= INDEXTOSTATEIMAGEMASK(1);
    // A single-selection list selects a new item as any other: the selected one lets go first.
    bool select = lv.SingleSelect() && (item.state & LVIS_SELECTED);
    if (select) item.state &= ~LVIS_SELECTED;
    int index = lv.items.Insert(in->iItem, std::move(item));
    if (lv.anchor >= index) ++lv.anchor;
    ItemsChanged(lv);
    NotifyItem(lv, LVN_INSERTITEM, index);
    if (select) ChangeState(lv, index, LVIS_SELECTED, LVIS_SELECTED);
    return index;
}

LRESULT DeleteItem(ListView& lv, int index) {
    if (!lv.items.Valid(index)) return 0;
    NotifyItem(lv, LVN_DELETEITEM, index);
    if (!lv.items.Valid(index)) return 0;
    lv.items.Erase(index);
    if (lv.anchor == index) lv.anchor = -1;
    else if (lv.anchor > index) --lv.anchor;
    ItemsChanged(lv);
    return 1;
}

LRESULT DeleteAllItems(ListView& lv) {
    if (lv.items.Count() > 0 && !NotifyItem(lv, LVN_DELETEALLITEMS, -1))
        for (int i = 0; i < lv.items.Count(); ++i) NotifyItem(lv, LVN_DELETEITEM, i);
    lv.items.Clear();
    lv.anchor = -1;
    lv.top = lv.xOffset = 0;
    ItemsChanged(lv);
    return 1;
}

void SetText(ListView& lv, int index, int subItem, ListViewText text) {
    ListViewItem& item = lv.items.At(index);
    if (item.texts.size() <= static_cast<std::size_t>(subItem)) item.texts.resize(static_cast<std::size_t>(subItem) + 1);
    item.texts[static_cast<std::size_t>(subItem)] = std::move(text);
    InvalidateItem(lv, index);
    if (subItem == 0) TextsChanged(lv);
}

template <typename Char>
LRESULT SetItem(ListView& lv, const LVITEMT<Char>* in) {
    if (!in || !lv.items.Valid(in->iItem) || in->iSubItem < 0) return 0;
    int index = in->iItem;
    if (lv.items.OwnerData()) {
        if (in->mask & LVIF_STATE) return ChangeState(lv, index, in->state, in->stateMask);
        return 0;
    }
    if (in->iSubItem > 0) {
        if (in->mask & LVIF_TEXT) SetText(lv, index, in->iSubItem, TextFrom(in->pszText));
        return 1;
    }
    UINT changed = in->mask & (LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM);
    if (changed) {
        if (NotifyItem(lv, LVN_ITEMCHANGING, index, changed)) return 0;
        if (!lv.items.Valid(index)) return 0;
        ListViewItem& item = lv.items.At(index);
        if (in->mask & LVIF_IMAGE) item.image = in->iImage;
        if (in->mask & LVIF_PARAM) item.lParam = in->lParam;
        if (in->mask & LVIF_TEXT) SetText(lv, index, 0, TextFrom(in->pszText));
        InvalidateItem(lv, index);
        NotifyItem(lv, LVN_ITEMCHANGED, index, changed);
    }
    if ((in->mask & LVIF_INDENT) && lv.items.Valid(index)) {
        lv.items.At(index).indent = std::max(0, in->iIndent);
        InvalidateItem(lv, index);
    }
    if (in->mask & LVIF_STATE) return ChangeState(lv, index, in->state, in->stateMask);
    return 1;
}

template <typename Char>
LRESULT GetItem(ListView& lv, LVITEMT<Char>* out) {
    if (!out || !lv.items.Valid(out->iItem)) return 0;
    int index = out->iItem;
    if (out->mask & LVIF_TEXT) CopyTextToBuffer(ItemText(lv, index, out->iSubItem), out->pszText, out->cchTextMax);
    if (out->mask & LVIF_STATE) out->state = lv.items.State(index) & out->stateMask;
    if (out->mask & LVIF_IMAGE) out->iImage = ItemImage(lv, index);
    if (out->mask & LVIF_PARAM) out->lParam = ItemParam(lv, index);
    if ((out->mask & LVIF_INDENT) && !lv.items.OwnerData()) out->iIndent = lv.items.At(index).indent;
    return 1;
}

template <typename Char>
LRESULT GetItemText(ListView& lv, int index, LVITEMT<Char>* out) {
    if (!out || !lv.items.Valid(index)) return 0;
    return CopyTextToBuffer(ItemText(lv, index, out->iSubItem), out->pszText, out->cchTextMax);
}

template <typename Char>
LRESULT SetItemText(ListView& lv, int index, const LVITEMT<Char>* in) {
    if (!in || !lv.items.Valid(index) || lv.items.OwnerData() || in->iSubItem < 0) return 0;
    LVITEMT<Char> copy = *in;
    copy.mask = LVIF_TEXT;
    copy.iItem = index;
    return SetItem(lv, &copy);
}

LRESULT SetItemState(ListView& lv, int index, const LVITEMA* in) {
    if (!in) return 0;
    if (index == -1) {
        for (int i = 0; i < lv.items.Count(); ++i) ChangeState(lv, i, in->state, in->stateMask);
        return 1;
    }
    return ChangeState(lv, index, in->state, in->stateMask);
}

LRESULT SetItemCount(ListView& lv, int count) {
    if (count < 0) return 0;
    if (lv.items.OwnerData()) {
        if (!lv.items.SetCount(count)) return 0;
        if (lv.anchor >= count) lv.anchor = -1;
        ItemsChanged(lv);
    }
    return 1;
}

int NextItem(ListView& lv, int start, UINT flags) {
    UINT wanted = flags & (LVNI_SELECTED | LVNI_FOCUSED | LVNI_CUT | LVNI_DROPHILITED);
    auto matches = [&](int i) {
        UINT s = lv.items.State(i);
        return (!(flags & LVNI_SELECTED) || (s & LVIS_SELECTED)) && (!(flags & LVNI_FOCUSED) || (s & LVIS_FOCUSED)) &&
               (!(flags & LVNI_CUT) || (s & LVIS_CUT)) && (!(flags & LVNI_DROPHILITED) || (s & LVIS_DROPHILITED));
    };
    UINT direction = flags & (LVNI_ABOVE | LVNI_BELOW | LVNI_TOLEFT | LVNI_TORIGHT);
    if (direction) {
        if (!lv.items.Valid(start)) return -1;
        Grid g = GridOf(lv);
        int across = lv.View() == LVS_LIST ? g.perLine : 1, down = lv.View() == LVS_LIST ? 1 : g.perLine;
        int step = direction & LVNI_ABOVE ? -down : direction & LVNI_BELOW ? down : direction & LVNI_TOLEFT ? -across : across;
        if (lv.Report() && (direction & (LVNI_TOLEFT | LVNI_TORIGHT))) return -1;
        for (int i = start + step; lv.items.Valid(i); i += step)
            if (matches(i)) return i;
        return -1;
    }
    if (wanted == LVNI_FOCUSED) return lv.items.Focused() > start ? lv.items.Focused() : -1;
    if ((wanted & LVNI_SELECTED) && lv.items.SelectedCount() == 0) return -1;
    for (int i = start < 0 ? 0 : std::min(start, lv.items.Count() - 1) + 1; i < lv.items.Count(); ++i)
        if (matches(i)) return i;
    return -1;
}

LRESULT ItemRect(ListView& lv, int index, RECT* rect) {
    if (!rect) return 0;
    int code = rect->left;
    *rect = RECT{0, 0, 0, 0};
    if (!lv.items.Valid(index)) return 0;
    Parts parts = PartsOf(lv, index);
    switch (code) {
        case LVIR_BOUNDS: *rect = parts.bounds; break;
        case LVIR_ICON: *rect = parts.icon; break;
        case LVIR_LABEL: *rect = parts.label; break;
        case LVIR_SELECTBOUNDS:
            if (lv.Report() && lv.FullRow()) {
                *rect = parts.bounds;
            } else {
                UnionRect(rect, &parts.icon, &parts.label);
                if (HasStateImages(lv)) UnionRect(rect, rect, &parts.state);
            }
            break;
        default: return 0;
    }
    return 1;
}

LRESULT SubItemRect(ListView& lv, int index, RECT* rect) {
    if (!rect) return 0;
    int subItem = rect->top, code = rect->left;
    *rect = RECT{0, 0, 0, 0};
    if (!lv.Report() || !lv.items.Valid(index) || subItem < 0 || subItem >= ColumnCount(lv)) return 0;
    if (subItem == 0) {
        rect->left = code;
        return ItemRect(lv, index, rect);
    }
    RECT cell = CellRect(lv, index, subItem);
    if (code == LVIR_ICON) cell.right = cell.left;
    *rect = cell;
    return 1;
}

template <typename Compare>
void SortBy(ListView& lv, Compare compare) {
    std::vector<int> order(static_cast<std::size_t>(lv.items.Count()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), compare);
    lv.items.Reorder(order);
    lv.anchor = -1;
    Invalidate(lv);
}

LRESULT SortItems(ListView& lv, LPARAM value, PFNLVCOMPARE compare, bool byIndex) {
    if (!compare || lv.items.OwnerData()) return 0;
    if (byIndex) {
        SortBy(lv, [&](int a, int b) { return compare(a, b, value) < 0; });
    } else {
        std::vector<LPARAM> params(static_cast<std::size_t>(lv.items.Count()));
        for (int i = 0; i < lv.items.Count(); ++i) params[static_cast<std::size_t>(i)] = lv.items.At(i).lParam;
        SortBy(lv, [&](int a, int b) { return compare(params[static_cast<std::size_t>(a)], params[static_cast<std::size_t>(b)], value) < 0; });
    }
    return 1;
}

// ---- columns --------------------------------------------------------------------------------

HDITEMA HeaderItemOf(const Column& column) {
    HDITEMA h;
    h.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT | HDI_IMAGE;
    h.pszText = const_cast<char*>(column.text.c_str());
    h.cxy = column.width;
    h.fmt = (column.format & LVCFMT_JUSTIFYMASK) | HDF_STRING | ((column.format & LVCFMT_IMAGE) ? HDF_IMAGE : 0);
    h.iImage = column.image;
    return h;
}

template <typename Char>
void ApplyColumn(Column& column, const LVCOLUMNT<Char>* in) {
    if (in->mask & LVCF_FMT) column.format = in->fmt;
    if (in->mask & LVCF_WIDTH) column.width = std::max(0, in->cx);
    if (in->mask & LVCF_TEXT) column.text = TextFrom(in->pszText).text;
    if (in->mask & LVCF_IMAGE) column.image = in->iImage;
    if (in->mask & LVCF_SUBITEM) column.subItem = std::max(0, in->iSubItem);
}

void SyncHeaderOrder(ListView& lv) {
    if (lv.header && !lv.order.empty()) SendMessage(lv.header, HDM_SETORDERARRAY, lv.order.size(), reinterpret_cast<LPARAM>(lv.order.data()));
}

template <typename Char>
LRESULT InsertColumn(ListView& lv, int index, const LVCOLUMNT<Char>* in) {
    if (!in || index < 0) return -1;
    index = std::min(index, ColumnCount(lv));
    Column column;
    column.subItem = index;
    ApplyColumn(column, in);
    lv.columns.insert(lv.columns.begin() + index, column);
    int position = static_cast<int>(std::find(lv.order.begin(), lv.order.end(), index) - lv.order.begin());
    for (int& c : lv.order)
        if (c >= index) ++c;
    if (in->mask & LVCF_ORDER) position = std::clamp(in->iOrder, 0, static_cast<int>(lv.order.size()));
    lv.order.insert(lv.order.begin() + position, index);
    if (lv.header) {
        HDITEMA h = HeaderItemOf(column);
        SendMessage(lv.header, HDM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&h));
        SyncHeaderOrder(lv);
    }
    Relayout(lv);
    return index;
}

template <typename Char>
LRESULT SetColumn(ListView& lv, int index, const LVCOLUMNT<Char>* in) {
    if (!in || index < 0 || index >= ColumnCount(lv)) return 0;
    Column& column = lv.columns[static_cast<std::size_t>(index)];
    ApplyColumn(column, in);
    if (lv.header) {
        HDITEMA h = HeaderItemOf(column);
        SendMessage(lv.header, HDM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&h));
    }
    Relayout(lv);
    return 1;
}

template <typename Char>
LRESULT GetColumn(ListView& lv, int index, LVCOLUMNT<Char>* out) {
    if (!out || index < 0 || index >= ColumnCount(lv)) return 0;
    const Column& column = lv.columns[static_cast<std::size_t>(index)];
    if (out->mask & LVCF_FMT) out->fmt = column.format;
    if (out->mask & LVCF_WIDTH) out->cx = column.width;
    if (out->mask & LVCF_TEXT) CopyTextToBuffer(column.text, out->pszText, out->cchTextMax);
    if (out->mask & LVCF_IMAGE) out->iImage = column.image;
    if (out->mask & LVCF_SUBITEM) out->iSubItem = column.subItem;
    if (out->mask & LVCF_ORDER) out->iOrder = static_cast<int>(std::find(lv.order.begin(), lv.order.end(), index) - lv.order.begin());
    return 1;
}

LRESULT DeleteColumn(ListView& lv, int index) {
    if (index < 0 || index >= ColumnCount(lv)) return 0;
    lv.columns.erase(lv.columns.begin() + index);
    lv.order.erase(std::find(lv.order.begin(), lv.order.end(), index));
    for (int& c : lv.order)
        if (c > index) --c;
    if (lv.header) SendMessage(lv.header, HDM_DELETEITEM, static_cast<WPARAM>(index), 0);
    Relayout(lv);
    return 1;
}

int AutoWidth(ListView& lv, int index, bool useHeader) {
    const Column& column = lv.columns[static_cast<std::size_t>(index)];
    int widest = 0;
    int n = lv.items.Count();
    for (int i = 0; i < n; ++i) widest = std::max(widest, TextWidth(lv, ItemText(lv, i, column.subItem)));
    widest += 4 * kTextPad;
    if (column.subItem == 0 && n > 0) widest += PartsOf(lv, 0).label.left - CellRect(lv, 0, index).left;
    if (useHeader) {
        widest = std::max(widest, TextWidth(lv, column.text) + 16);
        if (!lv.order.empty() && lv.order.back() == index) {
            int rest = static_cast<int>(Client(lv).right) - ColumnLeft(lv, index);
            widest = std::max(widest, rest);
        }
    }
    return widest;
}

LRESULT SetColumnWidth(ListView& lv, int index, int width) {
    if (lv.View() == LVS_LIST) {
        if (width <= 0) return 0;
        lv.listColumnWidth = width;
        Relayout(lv);
        return 1;
    }
    if (!lv.Report() || index < 0 || index >= ColumnCount(lv)) return 0;
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) width = AutoWidth(lv, index, width == LVSCW_AUTOSIZE_USEHEADER);
    if (width < 0) return 0;
    lv.columns[static_cast<std::size_t>(index)].width = width;
    if (lv.header) {
        HDITEMA h;
        h.mask = HDI_WIDTH;
        h.cxy = width;
        SendMessage(lv.header, HDM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&h));
    }
    Relayout(lv);
    return 1;
}

LRESULT SetColumnOrder(ListView& lv, int count, const int* order) {
    if (!order || count != ColumnCount(lv)) return 0;
    std::vector<int> next(order, order + count);
    std::vector<int> sorted = next;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < count; ++i)
        if (sorted[static_cast<std::size_t>(i)] != i) return 0;
    lv.order = std::move(next);
    SyncHeaderOrder(lv);
    Invalidate(lv);
    return 1;
}

LRESULT GetColumnOrder(const ListView& lv, int count, int* order) {
    if (!order || count != static_cast<int>(lv.order.size())) return 0;
    std::copy(lv.order.begin(), lv.order.end(), order);
    return 1;
}

void MakeHeader(ListView& lv) {
    if (lv.header) return;
    DWORD style = WS_CHILD | HDS_HORZ | ((lv.style & LVS_NOSORTHEADER) ? 0 : HDS_BUTTONS) |
                  ((lv.exStyle & LVS_EX_HEADERDRAGDROP) ? HDS_DRAGDROP : 0) | HDS_FULLDRAG;
    lv.header = CreateWindowEx(0, "SysHeader32", "", style, 0, 0, 0, 0, lv.hwnd, nullptr, nullptr, nullptr);
    if (!lv.header) return;
    SendMessage(lv.header, WM_SETFONT, reinterpret_cast<WPARAM>(lv.font), 0);
    for (std::size_t i = 0; i < lv.columns.size(); ++i) {
        HDITEMA h = HeaderItemOf(lv.columns[i]);
        SendMessage(lv.header, HDM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&h));
    }
    SyncHeaderOrder(lv);
}

// Header notifications go on to the parent; column clicks, width changes and reordering are
// also the list's business.
LRESULT HeaderNotify(ListView& lv, WPARAM wp, NMHDR* hdr) {
    HWND parent = GetParent(lv.hwnd);
    LRESULT answer = parent ? SendMessage(parent, WM_NOTIFY, wp, reinterpret_cast<LPARAM>(hdr)) : 0;
    // Only HDN_ codes carry an NMHEADER; NM_RCLICK and NM_CUSTOMDRAW come in other records.
    bool itemNotification = hdr->code <= HDN_FIRST && hdr->code > HDN_FIRST - 100;
    if (!itemNotification) return answer;
    auto* nm = reinterpret_cast<NMHEADER*>(hdr);
    int column = nm->iItem;
    bool valid = column >= 0 && column < ColumnCount(lv);
    if (hdr->code == HDN_ITEMCLICK && valid) {
        NMLISTVIEW click;
        click.iItem = -1;
        click.iSubItem = column;
        SendNotify(lv.hwnd, LVN_COLUMNCLICK, &click.hdr);
    } else if (hdr->code == HDN_ITEMCHANGED && valid && nm->pitem && (nm->pitem->mask & HDI_WIDTH)) {
        lv.columns[static_cast<std::size_t>(column)].width = nm->pitem->cxy;
        Relayout(lv);
    } else if (hdr->code == HDN_ENDDRAG && valid && nm->pitem && !answer) {
        auto it = std::find(lv.order.begin(), lv.order.end(), column);
        lv.order.erase(it);
        lv.order.insert(lv.order.begin() + std::clamp(nm->pitem->iOrder, 0, static_cast<int>(lv.order.size())), column);
        Invalidate(lv);
    } else if (hdr->code == HDN_DIVIDERDBLCLICK && valid) {
        SetColumnWidth(lv, column, LVSCW_AUTOSIZE);
    }
    return answer;
}

// ---- label editing --------------------------------------------------------------------------

LRESULT EditProc(HWND hwnd, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    HWND list = reinterpret_cast<HWND>(data);
    switch (m) {
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, m, wp, lp);
        case WM_KEYDOWN:
            if (wp == VK_RETURN || wp == VK_ESCAPE) {
                PostMessage(list, kEndEditMessage, wp == VK_ESCAPE ? 1 : 0, reinterpret_cast<LPARAM>(hwnd));
                return 0;
            }
            break;
        case WM_CHAR:
            if (wp == '\r' || wp == 0x1B) return 0;
            break;
        case WM_KILLFOCUS: PostMessage(list, kEndEditMessage, 0, reinterpret_cast<LPARAM>(hwnd)); break;
        default: break;
    }
    return DefSubclassProc(hwnd, m, wp, lp);
}

void EndEdit(ListView& lv, bool cancel) {
    HWND edit = std::exchange(lv.edit, nullptr);
    int index = std::exchange(lv.editing, -1);
    if (!edit) return;
    std::string text = WindowText(edit);
    NMLVDISPINFO info;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = index;
    info.item.pszText = cancel ? nullptr : text.data();
    info.item.cchTextMax = static_cast<int>(text.size() + 1);
    info.item.lParam = ItemParam(lv, index);
    bool hadFocus = GetFocus() == edit;
    LRESULT accepted = SendNotify(lv.hwnd, LVN_ENDLABELEDIT, &info.hdr);
    if (!cancel && accepted && lv.items.Valid(index) && !lv.items.OwnerData()) SetText(lv, index, 0, {ValidUtf8(text), false});
    RemoveWindowSubclass(edit, &EditProc, 0);
    DestroyWindow(edit);
    if (hadFocus && IsWindow(lv.hwnd)) SetFocus(lv.hwnd);
}

LRESULT EditLabel(ListView& lv, int index) {
    KillTimer(lv.hwnd, kEditTimer);
    EndEdit(lv, false);
    if (!lv.items.Valid(index)) return 0;
    if (GetFocus() != lv.hwnd) SetFocus(lv.hwnd);
    std::string text = ItemText(lv, index, 0);
    NMLVDISPINFO info;
    info.item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    info.item.iItem = index;
    info.item.pszText = text.data();
    info.item.cchTextMax = static_cast<int>(text.size() + 1);
    info.item.lParam = ItemParam(lv, index);
    info.item.state = lv.items.State(index);
    if (SendNotify(lv.hwnd, LVN_BEGINLABELEDIT, &info.hdr) || !lv.items.Valid(index)) return 0;
    EnsureVisible(lv, index, false);
    RECT r = PartsOf(lv, index).label;
    r.right = std::max<LONG>(r.right, r.left + 60);
    lv.edit = CreateWindowEx(0, "Edit", text.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, lv.hwnd, nullptr, nullptr, nullptr);
    if (!lv.edit) return 0;
    lv.editing = index;
    SendMessage(lv.edit, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(lv)), 0);
    SetWindowSubclass(lv.edit, &EditProc, 0, reinterpret_cast<DWORD_PTR>(lv.hwnd));
    SetFocus(lv.edit);
    SendMessage(lv.edit, EM_SETSEL, 0, -1);
    return reinterpret_cast<LRESULT>(lv.edit);
}

// ---- mouse ----------------------------------------------------------------------------------

POINT PointOf(LPARAM lp) { return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }

UINT KeyFlags() {
    UINT flags = 0;
    if (GetKeyState(VK_SHIFT) & 0x8000) flags |= LVKF_SHIFT;
    if (GetKeyState(VK_CONTROL) & 0x8000) flags |= LVKF_CONTROL;
    if (GetKeyState(VK_MENU) & 0x8000) flags |= LVKF_ALT;
    return flags;
}

LRESULT NotifyActivate(ListView& lv, UINT code, int index, int subItem, POINT pt) {
    NMITEMACTIVATE nm;
    nm.iItem = index;
    nm.iSubItem = subItem;
    nm.ptAction = pt;
    nm.lParam = ItemParam(lv, index);
    nm.uKeyFlags = KeyFlags();
    if (lv.items.Valid(index)) nm.uOldState = nm.uNewState = lv.items.State(index);
    return SendNotify(lv.hwnd, code, &nm.hdr);
}

void Press(ListView& lv, POINT p, WPARAM keys, bool doubleClick) {
    bool hadFocus = lv.focused;
    if (lv.edit) EndEdit(lv, false);
    if (GetFocus() != lv.hwnd) SetFocus(lv.hwnd);
    if (!IsWindow(lv.hwnd)) return;
    LVHITTESTINFO hit = HitTest(lv, p, true);
    int index = hit.iItem;
    if (doubleClick) {
        KillTimer(lv.hwnd, kEditTimer);
        if (index >= 0 && hit.flags == LVHT_ONITEMSTATEICON && lv.Checkboxes()) ToggleCheck(lv, index);
        NotifyActivate(lv, NM_DBLCLK, index, hit.iSubItem, p);
        if (lv.items.Valid(index)) NotifyActivate(lv, LVN_ITEMACTIVATE, index, hit.iSubItem, p);
        return;
    }
    bool shift = (keys & MK_SHIFT) && !lv.SingleSelect(), control = (keys & MK_CONTROL) && !lv.SingleSelect();
    lv.pressed = true;
    lv.pressItem = index;
    lv.pressSubItem = hit.iSubItem;
    SetCapture(lv.hwnd);
    if (index < 0) {
        if (!shift && !control) DeselectAllBut(lv, -1);
        return;
    }
    if (hit.flags == LVHT_ONITEMSTATEICON && lv.Checkboxes()) {
        ToggleCheck(lv, index);
        return;
    }
    UINT state = lv.items.State(index);
    bool aloneSelected = (state & LVIS_SELECTED) && (state & LVIS_FOCUSED) && lv.items.SelectedCount() == 1;
    if (control) {
        ChangeState(lv, index, (state & LVIS_SELECTED) ? LVIS_FOCUSED : LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        lv.anchor = index;
    } else if (shift) {
        SelectRange(lv, lv.anchor >= 0 ? lv.anchor : index, index);
        ChangeState(lv, index, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        SelectOnly(lv, index);
    }
    if ((lv.style & LVS_EDITLABELS) && aloneSelected && hadFocus && !shift && !control && hit.flags == LVHT_ONITEMLABEL)
        SetTimer(lv.hwnd, kEditTimer, GetDoubleClickTime(), nullptr);
}

void Release(ListView& lv, POINT p) {
    if (!lv.pressed) return;
    lv.pressed = false;
    if (GetCapture() == lv.hwnd) ReleaseCapture();
    NotifyActivate(lv, NM_CLICK, lv.pressItem, lv.pressSubItem, p);
}

void RightPress(ListView& lv, POINT p) {
    if (lv.edit) EndEdit(lv, false);
    if (GetFocus() != lv.hwnd) SetFocus(lv.hwnd);
    LVHITTESTINFO hit = HitTest(lv, p, true);
    if (hit.iItem >= 0 && !(lv.items.State(hit.iItem) & LVIS_SELECTED)) SelectOnly(lv, hit.iItem);
    lv.pressItem = hit.iItem;
    lv.pressSubItem = hit.iSubItem;
}

void RightRelease(ListView& lv, POINT p) {
    if (NotifyActivate(lv, NM_RCLICK, lv.pressItem, lv.pressSubItem, p)) return;
    POINT screen = p;
    ClientToScreen(lv.hwnd, &screen);
    SendMessage(lv.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(lv.hwnd), MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
}

// ---- keyboard -------------------------------------------------------------------------------

int KeyTarget(ListView& lv, UINT key, int current) {
    Grid g = GridOf(lv);
    int n = lv.items.Count();
    int down = lv.View() == LVS_LIST ? 1 : g.perLine;
    int across = lv.View() == LVS_LIST ? g.perLine : 1;
    int page = lv.View() == LVS_LIST ? g.perLine * g.visibleLines : std::max(1, g.visibleLines - 1) * g.perLine;
    switch (key) {
        case VK_UP: return current - down;
        case VK_DOWN: return current + down;
        case VK_LEFT: return lv.Report() ? -2 : current - across;
        case VK_RIGHT: return lv.Report() ? -2 : current + across;
        case VK_PRIOR: return std::max(0, current - page);
        case VK_NEXT: return std::min(n - 1, current + page);
        case VK_HOME: return 0;
        case VK_END: return n - 1;
        default: return -2;
    }
}

void MoveTo(ListView& lv, int target, bool shift, bool control) {
    if (shift && !lv.SingleSelect()) {
        SelectRange(lv, lv.anchor >= 0 ? lv.anchor : target, target);
        ChangeState(lv, target, LVIS_FOCUSED, LVIS_FOCUSED);
    } else if (control && !lv.SingleSelect()) {
        ChangeState(lv, target, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        SelectOnly(lv, target);
    }
    EnsureVisible(lv, target, false);
}

void SpaceKey(ListView& lv, bool control) {
    int focus = lv.items.Focused();
    if (focus < 0) return;
    if (control && !lv.SingleSelect()) {
        ChangeState(lv, focus, (lv.items.State(focus) & LVIS_SELECTED) ? 0 : LVIS_SELECTED, LVIS_SELECTED);
        lv.anchor = focus;
        return;
    }
    if (lv.Checkboxes()) {
        UINT next = StateImageOf(lv, focus) == 2 ? 1 : 2;
        for (int i = 0; i < lv.items.Count(); ++i)
            if (i == focus || (lv.items.State(i) & LVIS_SELECTED)) ChangeState(lv, i, INDEXTOSTATEIMAGEMASK(next), LVIS_STATEIMAGEMASK);
        return;
    }
    if (!(lv.items.State(focus) & LVIS_SELECTED)) SelectOnly(lv, focus);
}

void KeyDown(ListView& lv, UINT key, LPARAM lp) {
    NMLVKEYDOWN nm;
    nm.wVKey = static_cast<WORD>(key);
    nm.flags = static_cast<UINT>(HIWORD(lp));
    SendNotify(lv.hwnd, LVN_KEYDOWN, &nm.hdr);
    if (!IsWindow(lv.hwnd) || lv.items.Count() == 0) return;
    bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0, control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    int focus = lv.items.Focused();
    switch (key) {
        case VK_SPACE: SpaceKey(lv, control); return;
        case VK_RETURN: {
            NMHDR hdr;
            SendNotify(lv.hwnd, NM_RETURN, &hdr);
            if (focus >= 0) NotifyActivate(lv, LVN_ITEMACTIVATE, focus, 0, POINT{0, 0});
            return;
        }
        case kRenameKey:
            if ((lv.style & LVS_EDITLABELS) && focus >= 0) EditLabel(lv, focus);
            return;
        default: break;
    }
    if (lv.Report() && (key == VK_LEFT || key == VK_RIGHT)) {
        ScrollPixels(lv, key == VK_LEFT ? SB_LINELEFT : SB_LINERIGHT);
        return;
    }
    int target = focus < 0 ? 0 : KeyTarget(lv, key, focus);
    if (target == -2) return;
    target = std::clamp(target, 0, lv.items.Count() - 1);
    MoveTo(lv, target, shift, control);
}

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (fold(text[i]) != fold(prefix[i])) return false;
    }
    return true;
}

void TypeAhead(ListView& lv, WPARAM ch) {
    if (ch < ' ' || lv.items.Count() == 0) return;
    DWORD now = GetTickCount();
    if (now - lv.typedAt > kTypeAheadMilliseconds) lv.typed.clear();
    lv.typedAt = now;
    if (ch == ' ' && lv.typed.empty()) return;  // a space alone is the space key
    lv.typed += EncodeUtf8(std::u32string(1, static_cast<char32_t>(ch)));
    int n = lv.items.Count();
    int focus = std::max(0, lv.items.Focused());
    int start = lv.typed.size() == EncodeUtf8(std::u32string(1, static_cast<char32_t>(ch))).size() ? focus + 1 : focus;
    for (int k = 0; k < n; ++k) {
        int i = (start + k) % n;
        if (StartsWithFolded(ItemText(lv, i, 0), lv.typed)) {
            SelectOnly(lv, i);
            EnsureVisible(lv, i, false);
            return;
        }
    }
}

// ---- setup ----------------------------------------------------------------------------------

LRESULT SetImageList(ListView& lv, int which, HIMAGELIST list) {
    if (which < LVSIL_NORMAL || which > LVSIL_STATE) return 0;
    HIMAGELIST old = std::exchange(lv.images[which], list);
    if (lv.header && which == LVSIL_SMALL) SendMessage(lv.header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
    lv.measuredListWidth = -1;
    Relayout(lv);
    return reinterpret_cast<LRESULT>(old);
}

LRESULT SetExtendedStyle(ListView& lv, DWORD mask, DWORD style) {
    DWORD old = lv.exStyle;
    if (mask == 0) mask = ~0u;
    lv.exStyle = (old & ~mask) | (style & mask);
    if ((lv.exStyle & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES))
        for (int i = 0; i < lv.items.Count(); ++i)
            if (!(lv.items.State(i) & LVIS_STATEIMAGEMASK)) lv.items.SetState(i, lv.items.State(i) | INDEXTOSTATEIMAGEMASK(1));
    if (lv.header) {
        LONG_PTR hs = GetWindowLongPtr(lv.header, GWL_STYLE);
        hs = (lv.exStyle & LVS_EX_HEADERDRAGDROP) ? (hs | HDS_DRAGDROP) : (hs & ~static_cast<LONG_PTR>(HDS_DRAGDROP));
        SetWindowLongPtr(lv.header, GWL_STYLE, hs);
    }
    Relayout(lv);
    return static_cast<LRESULT>(old);
}

void StyleChanged(ListView& lv, DWORD style) {
    DWORD keep = lv.style & LVS_OWNERDATA;  // fixed at creation
    lv.style = (style & ~LVS_OWNERDATA) | keep;
    lv.top = 0;
    if (lv.Report()) MakeHeader(lv);
    lv.measuredListWidth = -1;
    Relayout(lv);
}

LRESULT SetView(ListView& lv, DWORD view) {
    static constexpr DWORD kStyles[] = {LVS_ICON, LVS_REPORT, LVS_SMALLICON, LVS_LIST};
    if (view > LV_VIEW_LIST) return -1;
    LONG_PTR style = GetWindowLongPtr(lv.hwnd, GWL_STYLE);
    SetWindowLongPtr(lv.hwnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | kStyles[view]);
    return 1;
}

LRESULT GetView(const ListView& lv) {
    switch (lv.View()) {
        case LVS_REPORT: return LV_VIEW_DETAILS;
        case LVS_SMALLICON: return LV_VIEW_SMALLICON;
        case LVS_LIST: return LV_VIEW_LIST;
        default: return LV_VIEW_ICON;
    }
}

void Destroy(ListView& lv) {
    KillTimer(lv.hwnd, kEditTimer);
    if (lv.edit) EndEdit(lv, true);
    DeleteAllItems(lv);
    if (!(lv.style & LVS_SHAREIMAGELISTS))
        for (HIMAGELIST& list : lv.images)
            if (list) ImageList_Destroy(std::exchange(list, nullptr));
}

void Focus(ListView& lv, bool on) {
    lv.focused = on;
    Invalidate(lv);
    NMHDR hdr;
    SendNotify(lv.hwnd, on ? NM_SETFOCUS : NM_KILLFOCUS, &hdr);
}

template <typename Char>
LRESULT StringWidth(const ListView& lv, const Char* text) {
    if (!text) return 0;
    if constexpr (std::is_same_v<Char, char>) return TextWidth(lv, text);
    else return TextWidth(lv, Utf8FromUtf16(text));
}

LRESULT ListMessages(ListView& lv, UINT m, WPARAM wp, LPARAM lp) {
    int index = static_cast<int>(static_cast<std::intptr_t>(wp));
    switch (m) {
        case LVM_GETBKCOLOR: return lv.background;
        case LVM_SETBKCOLOR: lv.background = static_cast<COLORREF>(lp); Invalidate(lv); return 1;
        case LVM_GETTEXTCOLOR: return lv.textColor;
        case LVM_SETTEXTCOLOR: lv.textColor = static_cast<COLORREF>(lp); Invalidate(lv); return 1;
        case LVM_GETTEXTBKCOLOR: return lv.textBackground;
        case LVM_SETTEXTBKCOLOR: lv.textBackground = static_cast<COLORREF>(lp); Invalidate(lv); return 1;
        case LVM_GETIMAGELIST: return index >= 0 && index <= LVSIL_STATE ? reinterpret_cast<LRESULT>(lv.images[index]) : 0;
        case LVM_SETIMAGELIST: return SetImageList(lv, index, reinterpret_cast<HIMAGELIST>(lp));
        case LVM_GETITEMCOUNT: return lv.items.Count();
        case LVM_GETITEMA: return GetItem(lv, reinterpret_cast<LVITEMA*>(lp));
        case LVM_GETITEMW: return GetItem(lv, reinterpret_cast<LVITEMW*>(lp));
        case LVM_SETITEMA: return SetItem(lv, reinterpret_cast<const LVITEMA*>(lp));
        case LVM_SETITEMW: return SetItem(lv, reinterpret_cast<const LVITEMW*>(lp));
        case LVM_INSERTITEMA: return InsertItem(lv, reinterpret_cast<const LVITEMA*>(lp));
        case LVM_INSERTITEMW: return InsertItem(lv, reinterpret_cast<const LVITEMW*>(lp));
        case LVM_DELETEITEM: return DeleteItem(lv, index);
        case LVM_DELETEALLITEMS: return DeleteAllItems(lv);
        case LVM_GETNEXTITEM: return NextItem(lv, index, static_cast<UINT>(LOWORD(lp)));
        case LVM_GETITEMRECT: return ItemRect(lv, index, reinterpret_cast<RECT*>(lp));
        case LVM_GETSUBITEMRECT: return SubItemRect(lv, index, reinterpret_cast<RECT*>(lp));
        case LVM_GETSTRINGWIDTHA: return StringWidth(lv, reinterpret_cast<const char*>(lp));
        case LVM_GETSTRINGWIDTHW: return StringWidth(lv, reinterpret_cast<const char16_t*>(lp));
        case LVM_HITTEST:
        case LVM_SUBITEMHITTEST: {
            auto* info = reinterpret_cast<LVHITTESTINFO*>(lp);
            if (!info) return -1;
            *info = HitTest(lv, info->pt, m == LVM_SUBITEMHITTEST);
            return info->iItem;
        }
        case LVM_ENSUREVISIBLE: EnsureVisible(lv, index, lp != 0); return lv.items.Valid(index) ? 1 : 0;
        case LVM_SCROLL: return ScrollBy(lv, index, static_cast<int>(lp));
        case LVM_REDRAWITEMS:
            for (int i = std::max(0, index); i <= static_cast<int>(lp) && i < lv.items.Count(); ++i) InvalidateItem(lv, i);
            return 1;
        case LVM_UPDATE: InvalidateItem(lv, index); return lv.items.Valid(index) ? 1 : 0;
        case LVM_ARRANGE: Invalidate(lv); return 1;
        case LVM_EDITLABELA:
        case LVM_EDITLABELW: return EditLabel(lv, index);
        case LVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(lv.edit);
        case LVM_GETCOLUMNA: return GetColumn(lv, index, reinterpret_cast<LVCOLUMNA*>(lp));
        case LVM_GETCOLUMNW: return GetColumn(lv, index, reinterpret_cast<LVCOLUMNW*>(lp));
        case LVM_SETCOLUMNA: return SetColumn(lv, index, reinterpret_cast<const LVCOLUMNA*>(lp));
        case LVM_SETCOLUMNW: return SetColumn(lv, index, reinterpret_cast<const LVCOLUMNW*>(lp));
        case LVM_INSERTCOLUMNA: return InsertColumn(lv, index, reinterpret_cast<const LVCOLUMNA*>(lp));
        case LVM_INSERTCOLUMNW: return InsertColumn(lv, index, reinterpret_cast<const LVCOLUMNW*>(lp));
        case LVM_DELETECOLUMN: return DeleteColumn(lv, index);
        case LVM_GETCOLUMNWIDTH:
            if (lv.View() == LVS_LIST) return ListColumnWidth(lv);
            return index >= 0 && index < ColumnCount(lv) ? lv.columns[static_cast<std::size_t>(index)].width : 0;
        case LVM_SETCOLUMNWIDTH: return SetColumnWidth(lv, index, static_cast<int>(static_cast<std::int16_t>(LOWORD(lp))));
        case LVM_GETHEADER: return reinterpret_cast<LRESULT>(lv.header);
        case LVM_GETTOPINDEX: return lv.View() == LVS_ICON || lv.View() == LVS_SMALLICON ? 0 : lv.top * GridOf(lv).perLine;
        case LVM_GETCOUNTPERPAGE: {
            if (lv.View() == LVS_ICON || lv.View() == LVS_SMALLICON) return lv.items.Count();
            Grid g = GridOf(lv);
            return g.visibleLines * g.perLine;
        }
        case LVM_SETITEMSTATE: return SetItemState(lv, index, reinterpret_cast<const LVITEMA*>(lp));
        case LVM_GETITEMSTATE: return static_cast<LRESULT>(lv.items.State(index) & static_cast<UINT>(lp));
        case LVM_GETITEMTEXTA: return GetItemText(lv, index, reinterpret_cast<LVITEMA*>(lp));
        case LVM_GETITEMTEXTW: return GetItemText(lv, index, reinterpret_cast<LVITEMW*>(lp));
        case LVM_SETITEMTEXTA: return SetItemText(lv, index, reinterpret_cast<const LVITEMA*>(lp));
        case LVM_SETITEMTEXTW: return SetItemText(lv, index, reinterpret_cast<const LVITEMW*>(lp));
        case LVM_SETITEMCOUNT: return SetItemCount(lv, index);
        case LVM_SORTITEMS: return SortItems(lv, static_cast<LPARAM>(wp), reinterpret_cast<PFNLVCOMPARE>(lp), false);
        case LVM_SORTITEMSEX: return SortItems(lv, static_cast<LPARAM>(wp), reinterpret_cast<PFNLVCOMPARE>(lp), true);
        case LVM_GETSELECTEDCOUNT: return lv.items.SelectedCount();
        case LVM_SETEXTENDEDLISTVIEWSTYLE: return SetExtendedStyle(lv, static_cast<DWORD>(wp), static_cast<DWORD>(lp));
        case LVM_GETEXTENDEDLISTVIEWSTYLE: return static_cast<LRESULT>(lv.exStyle);
        case LVM_SETCOLUMNORDERARRAY: return SetColumnOrder(lv, index, reinterpret_cast<const int*>(lp));
        case LVM_GETCOLUMNORDERARRAY: return GetColumnOrder(lv, index, reinterpret_cast<int*>(lp));
        case LVM_SETVIEW: return SetView(lv, static_cast<DWORD>(wp));
        case LVM_GETVIEW: return GetView(lv);
        default: return DefWindowProc(lv.hwnd, m, wp, lp);
    }
}

LRESULT Dispatch(ListView& lv, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_CREATE:
            MeasureFont(lv);
            if (lv.Report()) MakeHeader(lv);
            Relayout(lv);
            return 0;
        case WM_DESTROY: Destroy(lv); return 0;
        case WM_PAINT: Paint(lv); return 0;
        case WM_PRINTCLIENT: PaintInto(lv, reinterpret_cast<HDC>(wp)); return 0;
        case WM_ERASEBKGND: return 1;  // painting fills every pixel
        case WM_SIZE: Relayout(lv); return 0;
        case WM_SETREDRAW: {
            LRESULT result = DefWindowProc(lv.hwnd, m, wp, lp);
            lv.redraw = wp != 0;
            if (lv.redraw) Relayout(lv);
            return result;
        }
        case WM_STYLECHANGED:
            if (wp == static_cast<WPARAM>(GWL_STYLE)) StyleChanged(lv, reinterpret_cast<const STYLESTRUCT*>(lp)->styleNew);
            return 0;
        case WM_SETFONT:
            lv.font = reinterpret_cast<HFONT>(wp);
            MeasureFont(lv);
            if (lv.header) SendMessage(lv.header, WM_SETFONT, wp, lp);
            lv.measuredListWidth = -1;
            Relayout(lv);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(lv.font);
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SETFOCUS: Focus(lv, true); return 0;
        case WM_KILLFOCUS: Focus(lv, false); return 0;
        case WM_LBUTTONDOWN: Press(lv, PointOf(lp), wp, false); return 0;
        case WM_LBUTTONDBLCLK: Press(lv, PointOf(lp), wp, true); return 0;
        case WM_LBUTTONUP: Release(lv, PointOf(lp)); return 0;
        case WM_RBUTTONDOWN: RightPress(lv, PointOf(lp)); return 0;
        case WM_RBUTTONUP: RightRelease(lv, PointOf(lp)); return 0;
        case WM_CAPTURECHANGED: lv.pressed = false; return 0;
        case WM_TIMER:
            if (wp == kEditTimer) {
                KillTimer(lv.hwnd, kEditTimer);
                if (lv.items.Focused() >= 0) EditLabel(lv, lv.items.Focused());
            }
            return 0;
        case WM_KEYDOWN: KeyDown(lv, static_cast<UINT>(wp), lp); return 0;
        case WM_CHAR: TypeAhead(lv, wp); return 0;
        case WM_VSCROLL: VScroll(lv, LOWORD(wp)); return 0;
        case WM_HSCROLL: HScroll(lv, LOWORD(wp)); return 0;
        case WM_MOUSEWHEEL: Wheel(lv, wp); return 0;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (hdr && lv.header && hdr->hwndFrom == lv.header) return HeaderNotify(lv, wp, hdr);
            return 0;
        }
        case kEndEditMessage:
            if (lv.edit && reinterpret_cast<HWND>(lp) == lv.edit) EndEdit(lv, wp != 0);
            return 0;
        default: return ListMessages(lv, m, wp, lp);
    }
}

LRESULT Procedure(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
        SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new ListView(hwnd, static_cast<DWORD>(cs->style))));
        return DefWindowProc(hwnd, m, wp, lp);
    }
    ListView* lv = Find(hwnd);
    if (!lv) return DefWindowProc(hwnd, m, wp, lp);
    if (m == WM_NCDESTROY) {
        SetWindowLongPtr(hwnd, 0, 0);
        // Destroyed from inside one of its own notifications: freed when that returns.
        if (lv->busy) lv->destroyed = true;
        else delete lv;
        return DefWindowProc(hwnd, m, wp, lp);
    }
    ++lv->busy;
    LRESULT result = Dispatch(*lv, m, wp, lp);
    if (--lv->busy == 0 && lv->destroyed) delete lv;
    return result;
}

}  // namespace listview

void RegisterListViewClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = &listview::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "SysListView32";
    RegisterClassEx(&wc);
}

}  // namespace parch::win
