#include "platform/win/ListBoxClass.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/ListBoxItems.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace listbox {

constexpr int kMaxItemHeight = 255;
constexpr int kTextIndent = 2;
constexpr std::size_t kMaxReserve = 1u << 20;

struct ListBox {
    HWND hwnd = nullptr;
    DWORD style = 0;
    HWND combo = nullptr;  // the combo box this list belongs to
    ListBoxItems items;
    HFONT font = nullptr;
    int itemHeight = 0;  // all items, unless variable
    int top = 0;
    int xOffset = 0;
    int columnWidth = 0;  // multi-column lists
    int horizontalExtent = 0;
    int wheelRemainder = 0;  // partial wheel turns, kept until they make a whole step
    bool focused = false;
    bool dragging = false;
    bool tracking = false;  // a dropped combo list, between LBCB_STARTTRACK and LBCB_ENDTRACK
    int busy = 0;           // messages being handled; the parent may destroy the list meanwhile
    bool destroyed = false;

    ListBox(HWND h, DWORD s, HWND c) : hwnd(h), style(s), combo(c), items((s & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0) {}

    bool Multiple() const { return (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
    bool Extended() const { return (style & LBS_EXTENDEDSEL) != 0; }
    bool OwnerDraw() const { return (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
    bool Variable() const { return (style & LBS_OWNERDRAWVARIABLE) != 0; }
    bool HasStrings() const { return !OwnerDraw() || (style & LBS_HASSTRINGS); }
    bool NoSelection() const { return (style & LBS_NOSEL) != 0; }
    bool MultiColumn() const { return (style & LBS_MULTICOLUMN) != 0; }
};

ListBox* Find(HWND hwnd) { return reinterpret_cast<ListBox*>(GetWindowLongPtr(hwnd, 0)); }

int Height(const ListBox& lb, int index) { return lb.Variable() ? lb.items.At(index).height : lb.itemHeight; }

RECT Client(const ListBox& lb) {
    RECT r;
    GetClientRect(lb.hwnd, &r);
    return r;
}

// A multi-column list fills columns from top to bottom and scrolls by whole columns.
int ColumnRows(const ListBox& lb) { return std::max(1, static_cast<int>(Client(lb).bottom) / std::max(1, lb.itemHeight)); }
int ColumnWidth(const ListBox& lb) { return std::max(1, lb.columnWidth); }
int VisibleColumns(const ListBox& lb) { return std::max(1, static_cast<int>(Client(lb).right) / ColumnWidth(lb)); }
int ColumnCount(const ListBox& lb) { return (lb.items.Count() + ColumnRows(lb) - 1) / ColumnRows(lb); }

// How many items from `from` on fit wholly in the client area (at least one).
int RowsFrom(const ListBox& lb, int from) {
    int height = Client(lb).bottom;
    if (lb.MultiColumn()) return ColumnRows(lb) * VisibleColumns(lb);
    if (!lb.Variable()) return std::max(1, height / std::max(1, lb.itemHeight));
    int rows = 0;
    for (int i = from, y = 0; i < lb.items.Count(); ++i) {
        y += Height(lb, i);
        if (y > height) break;
        ++rows;
    }
    return std::max(1, rows);
}

// The last top index that still fills the client area.
int MaxTop(const ListBox& lb) {
    int n = lb.items.Count();
    if (lb.MultiColumn()) return std::max(0, ColumnCount(lb) - VisibleColumns(lb)) * ColumnRows(lb);
    if (!lb.Variable()) return std::max(0, n - RowsFrom(lb, 0));
    int height = Client(lb).bottom, y = 0, i = n;
    while (i > 0 && y + Height(lb, i - 1) <= height) y += Height(lb, --i);
    return std::min(i, std::max(0, n - 1));
}

// What the owner-drawing messages say about the control: a combo's list speaks for its combo.
struct OwnerInfo {
    HWND owner;
    UINT type;
    UINT id;
    HWND control;
};

OwnerInfo OwnerOf(const ListBox& lb) {
    if (lb.combo) return {GetParent(lb.combo), ODT_COMBOBOX, static_cast<UINT>(GetDlgCtrlID(lb.combo)), lb.combo};
    return {GetParent(lb.hwnd), ODT_LISTBOX, static_cast<UINT>(GetDlgCtrlID(lb.hwnd)), lb.hwnd};
}

}  // namespace listbox

int FontLineHeight(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);  // the screen's context would compose the whole screen first
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    DeleteDC(dc);
    return std::max<int>(1, tm.tmHeight);
}

namespace listbox {

int FontHeight(HFONT font) { return FontLineHeight(font); }

int Measure(const ListBox& lb, int index, UINT_PTR data) {
    OwnerInfo o = OwnerOf(lb);
    MEASUREITEMSTRUCT mi;
    mi.CtlType = o.type;
    mi.CtlID = o.id;
    mi.itemID = static_cast<UINT>(index);
    mi.itemWidth = static_cast<UINT>(Client(lb).right);
    mi.itemHeight = static_cast<UINT>(FontHeight(lb.font));
    mi.itemData = data;
    if (o.owner) SendMessage(o.owner, WM_MEASUREITEM, o.id, reinterpret_cast<LPARAM>(&mi));
    return std::clamp(static_cast<int>(mi.itemHeight), 1, kMaxItemHeight);
}

void UpdateScrollBars(ListBox& lb) {
    DWORD style = static_cast<DWORD>(GetWindowLongPtr(lb.hwnd, GWL_STYLE));
    UINT keep = (lb.style & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0;
    if (lb.MultiColumn()) {
        if (!(lb.style & WS_HSCROLL)) return;
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | keep;
        si.nMax = std::max(0, ColumnCount(lb) - 1);
        si.nPage = static_cast<UINT>(VisibleColumns(lb));
        si.nPos = lb.top / ColumnRows(lb);
        SetScrollInfo(lb.hwnd, SB_HORZ, &si, 1);
        return;
    }
    if (lb.style & WS_VSCROLL) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | keep;
        si.nMax = std::max(0, lb.items.Count() - 1);
        si.nPage = static_cast<UINT>(lb.items.Count() ? RowsFrom(lb, lb.top) : 0);
        si.nPos = lb.top;
        SetScrollInfo(lb.hwnd, SB_VERT, &si, 1);
    }
    if ((lb.style & WS_HSCROLL) && (lb.horizontalExtent > 0 || (style & WS_HSCROLL))) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | keep;
        si.nMax = std::max(0, lb.horizontalExtent - 1);
        si.nPage = static_cast<UINT>(Client(lb).right);
        si.nPos = lb.xOffset;
        SetScrollInfo(lb.hwnd, SB_HORZ, &si, 1);
    }
}

void Redraw(ListBox& lb) {
    if (!(lb.style & LBS_NOREDRAW)) InvalidateRect(lb.hwnd, nullptr, 1);
}

void SetTop(ListBox& lb, int top) {
    if (lb.MultiColumn()) top -= top % ColumnRows(lb);
    top = std::clamp(top, 0, MaxTop(lb));
    if (top == lb.top) return;
    lb.top = top;
    UpdateScrollBars(lb);
    Redraw(lb);
}

void SetXOffset(ListBox& lb, int x) {
    x = std::clamp(x, 0, std::max(0, lb.horizontalExtent - static_cast<int>(Client(lb).right)));
    if (x == lb.xOffset) return;
    lb.xOffset = x;
    UpdateScrollBars(lb);
    Redraw(lb);
}

void EnsureVisible(ListBox& lb, int index) {
    if (!lb.items.Valid(index)) return;
    if (lb.MultiColumn()) {
        int rows = ColumnRows(lb), column = index / rows, first = lb.top / rows, visible = VisibleColumns(lb);
        if (column < first) SetTop(lb, column * rows);
        else if (column >= first + visible) SetTop(lb, (column - visible + 1) * rows);
        return;
    }
    if (index < lb.top) {
        SetTop(lb, index);
        return;
    }
    if (!lb.Variable()) {
        int rows = RowsFrom(lb, 0);
        if (index >= lb.top + rows) SetTop(lb, index - rows + 1);
        return;
    }
    int top = lb.top;
    while (top < index && index >= top + RowsFrom(lb, top)) ++top;
    SetTop(lb, top);
}

// The item's rectangle in client coordinates; items above the top lie above the client area.
RECT ItemRect(const ListBox& lb, int index) {
    if (lb.MultiColumn()) {
        int rows = ColumnRows(lb), width = ColumnWidth(lb);
        int x = (index / rows - lb.top / rows) * width, y = index % rows * lb.itemHeight;
        return {x, y, x + width, y + lb.itemHeight};
    }
    int y = 0;
    if (!lb.Variable()) {
        y = (index - lb.top) * lb.itemHeight;
    } else if (index >= lb.top) {
        for (int i = lb.top; i < index; ++i) y += Height(lb, i);
    } else {
        for (int i = index; i < lb.top; ++i) y -= Height(lb, i);
    }
    RECT client = Client(lb);
    return {-lb.xOffset, y, std::max(client.right, lb.horizontalExtent) - lb.xOffset, y + Height(lb, index)};
}

// The item under a client point, and whether the point lies outside the items' area.
struct Hit {
    int index = -1;
    bool outside = true;
};

Hit ItemAt(const ListBox& lb, POINT p) {
    int n = lb.items.Count();
    if (n == 0) return {};
    RECT client = Client(lb);
    bool outside = !PtInRect(&client, p);
    if (lb.MultiColumn()) {
        int rows = ColumnRows(lb);
        int column = p.x < 0 ? -1 : p.x / ColumnWidth(lb);
        int row = std::clamp(p.y < 0 ? 0 : p.y / std::max(1, lb.itemHeight), 0, rows - 1);
        bool below = p.y >= rows * lb.itemHeight;
        return {std::clamp(lb.top + column * rows + row, 0, n - 1), outside || below};
    }
    if (p.y < 0) return {std::max(0, lb.top - 1), true};
    int y = 0;
    for (int i = lb.top; i < n; ++i) {
        y += Height(lb, i);
        if (p.y < y) return {i, outside};
        if (y >= client.bottom) return {std::min(i + 1, n - 1), true};
    }
    return {n - 1, true};
}

void Notify(ListBox& lb, WORD code) {
    if (lb.combo) {
        SendMessage(lb.combo, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(lb.hwnd)), code),
                    reinterpret_cast<LPARAM>(lb.hwnd));
        return;
    }
    bool always = code == LBN_SETFOCUS || code == LBN_KILLFOCUS;
    if (always || (lb.style & LBS_NOTIFY)) NotifyParent(lb.hwnd, code);
}

// ---- painting -------------------------------------------------------------------------------

void DrawOwnerItem(ListBox& lb, HDC dc, int index, const RECT& rect, UINT action) {
    OwnerInfo o = OwnerOf(lb);
    if (!o.owner) return;
    DRAWITEMSTRUCT di;
    di.CtlType = o.type;
    di.CtlID = o.id;
    di.itemID = static_cast<UINT>(index);
    di.itemAction = action;
    if (lb.items.Valid(index)) {
        if (lb.items.IsSelected(index)) di.itemState |= ODS_SELECTED;
        di.itemData = lb.items.At(index).data;
    }
    if (lb.focused && index == lb.items.Caret()) di.itemState |= ODS_FOCUS;
    if (!IsWindowEnabled(lb.hwnd)) di.itemState |= ODS_DISABLED;
    di.hwndItem = lb.hwnd;
    di.hDC = dc;
    di.rcItem = rect;
    SendMessage(o.owner, WM_DRAWITEM, o.id, reinterpret_cast<LPARAM>(&di));
}

void DrawTextItem(ListBox& lb, HDC dc, int index, const RECT& rect, HBRUSH background) {
    bool selected = lb.items.IsSelected(index);
    COLORREF text = GetTextColor(dc), back = GetBkColor(dc);
    if (selected) {
        FillRect(dc, &rect, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        FillRect(dc, &rect, background);
        if (!IsWindowEnabled(lb.hwnd)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    }
    int mode = SetBkMode(dc, TRANSPARENT);
    const std::string& s = lb.items.At(index).text;
    ExtTextOut(dc, rect.left + kTextIndent, rect.top, ETO_CLIPPED, &rect, s.data(), static_cast<UINT>(s.size()), nullptr);
    SetBkMode(dc, mode);
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    // A dropped combo list shows where the mouse is by the selection alone.
    if (lb.focused && !lb.combo && index == lb.items.Caret()) DrawFocusRect(dc, &rect);
}

// A combo's list asks its combo, whose handle the list's owner (a top-level window) is not.
HBRUSH ListColors(const ListBox& lb, HDC dc) {
    if (!lb.combo) return ControlColors(lb.hwnd, dc, WM_CTLCOLORLISTBOX);
    LRESULT answer = SendMessage(lb.combo, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(lb.hwnd));
    return answer ? reinterpret_cast<HBRUSH>(answer) : DefaultControlColors(dc, WM_CTLCOLORLISTBOX);
}

void PaintInto(ListBox& lb, HDC dc) {
    RECT client = Client(lb);
    HGDIOBJ oldFont = SelectObject(dc, lb.font ? lb.font : GetStockObject(SYSTEM_FONT));
    HBRUSH background = ListColors(lb, dc);
    FillRect(dc, &client, background);
    for (int i = lb.top; i < lb.items.Count(); ++i) {
        RECT r = ItemRect(lb, i);
        if (r.top >= client.bottom || r.left >= client.right) break;
        if (lb.OwnerDraw()) DrawOwnerItem(lb, dc, i, r, ODA_DRAWENTIRE);
        else DrawTextItem(lb, dc, i, r, background);
    }
    SelectObject(dc, oldFont);
}

void Paint(ListBox& lb) {
    PaintControl(lb.hwnd, nullptr, [&lb](HDC dc) { PaintInto(lb, dc); });
}

// ---- layout ---------------------------------------------------------------------------------

void Relayout(ListBox& lb) {
    lb.top = std::clamp(lb.top, 0, MaxTop(lb));
    UpdateScrollBars(lb);
    Redraw(lb);
}

// Without LBS_NOINTEGRALHEIGHT the window is cut so that no item shows in part.
void KeepIntegralHeight(ListBox& lb) {
    if ((lb.style & LBS_NOINTEGRALHEIGHT) || lb.Variable() || lb.combo) return;
    RECT client = Client(lb), window;
    GetWindowRect(lb.hwnd, &window);
    int rest = client.bottom % std::max(1, lb.itemHeight);
    if (rest == 0 || client.bottom <= lb.itemHeight) return;
    SetWindowPos(lb.hwnd, nullptr, 0, 0, window.right - window.left, window.bottom - window.top - rest,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- selection by the user ------------------------------------------------------------------

// Moves the caret to index as a click or a key does; `range` extends from the anchor (shift),
// `toggle` keeps the others (control). Notifies a change.
void UserSelect(ListBox& lb, int index, bool range, bool toggle, bool viaMouse) {
    if (!lb.items.Valid(index) || lb.NoSelection()) return;
    bool changed = false;
    if (!lb.Multiple()) {
        changed = lb.items.Select(index);
    } else if (lb.Extended()) {
        if (lb.items.Anchor() < 0) lb.items.SetAnchor(index);
        if (range) {
            changed = toggle ? lb.items.SetRange(lb.items.Anchor(), index, true)
                             : lb.items.SelectOnlyRange(lb.items.Anchor(), index);
        } else if (toggle) {
            if (viaMouse) changed = lb.items.SetSelected(index, !lb.items.IsSelected(index));
            lb.items.SetAnchor(index);
        } else {
            changed = lb.items.SelectOnlyRange(index, index);
            lb.items.SetAnchor(index);
        }
        lb.items.SetCaret(index);
    } else {
        if (viaMouse) changed = lb.items.SetSelected(index, !lb.items.IsSelected(index));
        lb.items.SetCaret(index);
        lb.items.SetAnchor(index);
    }
    EnsureVisible(lb, index);
    Redraw(lb);
    if (changed) Notify(lb, LBN_SELCHANGE);
}

bool KeyIsDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

void PressAt(ListBox& lb, POINT p, bool doubleClick, WPARAM keys) {
    if (lb.tracking) {
        RECT client = Client(lb);
        if (!PtInRect(&client, p)) {
            POINT screen = p;
            ClientToScreen(lb.hwnd, &screen);
            RECT window;
            GetWindowRect(lb.hwnd, &window);
            if (!PtInRect(&window, screen)) {
                Notify(lb, kComboListCancelled);
                return;
            }
            // On the list's own scroll bar: let it work, then take the mouse back.
            LRESULT hit = SendMessage(lb.hwnd, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
            DefWindowProc(lb.hwnd, WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit),
                          MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
            if (lb.tracking) SetCapture(lb.hwnd);
            return;
        }
    } else if (lb.combo) {
        SetFocus(lb.combo);
    } else if (GetFocus() != lb.hwnd) {
        SetFocus(lb.hwnd);
        if (!IsWindow(lb.hwnd)) return;
    }
    Hit hit = ItemAt(lb, p);
    // Below (or beside) the last item nothing is picked.
    if (hit.index < 0 || ItemRect(lb, hit.index).bottom <= p.y || (lb.MultiColumn() && ItemRect(lb, hit.index).right <= p.x)) return;
    bool shift = (keys & MK_SHIFT) != 0, control = (keys & MK_CONTROL) != 0;
    UserSelect(lb, hit.index, lb.Extended() && shift, lb.Extended() && control, true);
    if (!lb.tracking) {
        lb.dragging = true;
        SetCapture(lb.hwnd);
    }
    if (doubleClick) Notify(lb, LBN_DBLCLK);
}

void DragTo(ListBox& lb, POINT p) {
    RECT client = Client(lb);
    if (lb.tracking && !PtInRect(&client, p)) return;  // hovering outside a dropped list shows nothing new
    Hit hit = ItemAt(lb, p);
    if (hit.index < 0 || hit.index == lb.items.Caret()) return;
    if (lb.tracking || !lb.Multiple()) {
        UserSelect(lb, hit.index, false, false, false);
    } else if (lb.Extended()) {
        UserSelect(lb, hit.index, true, KeyIsDown(VK_CONTROL), false);
    } else {
        lb.items.SetCaret(hit.index);
        EnsureVisible(lb, hit.index);
        Redraw(lb);
    }
}

void Release(ListBox& lb, POINT p) {
    if (lb.tracking) {
        RECT client = Client(lb);
        if (PtInRect(&client, p) && ItemAt(lb, p).index >= 0) Notify(lb, kComboListChosen);
        return;
    }
    if (!lb.dragging) return;
    lb.dragging = false;
    if (GetCapture() == lb.hwnd) ReleaseCapture();
}

// ---- keyboard -------------------------------------------------------------------------------

int KeyTarget(const ListBox& lb, UINT key) {
    int n = lb.items.Count();
    int caret = lb.items.Caret();
    int page = RowsFrom(lb, std::max(0, lb.top));
    int across = lb.MultiColumn() ? ColumnRows(lb) : 1;  // left and right go a column
    switch (key) {
        case VK_UP: return caret < 0 ? 0 : caret - 1;
        case VK_LEFT: return caret < 0 ? 0 : caret - across;
        case VK_DOWN: return caret < 0 ? 0 : caret + 1;
        case VK_RIGHT: return caret < 0 ? 0 : caret + across;
        case VK_PRIOR: return std::max(0, caret - std::max(1, page - 1));
        case VK_NEXT: return std::min(n - 1, std::max(caret, 0) + std::max(1, page - 1));
        case VK_HOME: return 0;
        case VK_END: return n - 1;
        default: return -2;
    }
}

// The answer of the parent to WM_VKEYTOITEM or WM_CHARTOITEM: -2 handled, -1 default, else
// an item to go to.
LRESULT AskParent(ListBox& lb, UINT message, WPARAM what) {
    HWND parent = GetParent(lb.hwnd);
    if (!(lb.style & LBS_WANTKEYBOARDINPUT) || !parent) return -1;
    WPARAM wp = MAKEWPARAM(static_cast<WORD>(what), static_cast<WORD>(lb.items.Caret()));
    return SendMessage(parent, message, wp, reinterpret_cast<LPARAM>(lb.hwnd));
}

void KeyDown(ListBox& lb, UINT key) {
    LRESULT asked = AskParent(lb, WM_VKEYTOITEM, key);
    if (asked == -2) return;
    int n = lb.items.Count();
    if (n == 0) return;
    if (asked >= 0) {
        UserSelect(lb, std::min(static_cast<int>(asked), n - 1), false, false, false);
        return;
    }
    bool shift = KeyIsDown(VK_SHIFT), control = KeyIsDown(VK_CONTROL);
    if (key == VK_SPACE && lb.Multiple() && !lb.Extended()) {
        int caret = lb.items.Caret();
        if (lb.items.Valid(caret) && !lb.NoSelection()) {
            lb.items.SetSelected(caret, !lb.items.IsSelected(caret));
            Redraw(lb);
            Notify(lb, LBN_SELCHANGE);
        }
        return;
    }
    int target = KeyTarget(lb, key);
    if (target == -2) return;
    target = std::clamp(target, 0, n - 1);
    if (lb.Multiple() && !lb.Extended()) {
        lb.items.SetCaret(target);
        EnsureVisible(lb, target);
        Redraw(lb);
        return;
    }
    if (lb.Extended() && control && !shift) {  // the caret walks alone
        lb.items.SetCaret(target);
        EnsureVisible(lb, target);
        Redraw(lb);
        return;
    }
    UserSelect(lb, target, lb.Extended() && shift, false, false);
}

void Char(ListBox& lb, WPARAM ch) {
    if (!lb.HasStrings()) {
        LRESULT asked = AskParent(lb, WM_CHARTOITEM, ch);
        if (asked >= 0) UserSelect(lb, std::min(static_cast<int>(asked), lb.items.Count() - 1), false, false, false);
        return;
    }
    if (ch == ' ' && lb.Multiple()) return;  // handled as a key
    if (ch < ' ' || ch > 0x7F) return;
    char letter = static_cast<char>(ch);
    int found = lb.items.FindText(std::string_view(&letter, 1), lb.items.Caret(), false);
    if (found >= 0) UserSelect(lb, found, false, false, false);
}

// ---- scrolling ------------------------------------------------------------------------------

// The position of a thumb request as the bar holds it: 32 bits, where WParam has only 16.
int ThumbPosition(HWND hwnd, int bar) {
    SCROLLINFO si;
    si.fMask = SIF_POS | SIF_TRACKPOS;
    GetScrollInfo(hwnd, bar, &si);
    return si.nTrackPos;
}

void VScroll(ListBox& lb, WORD code) {
    int page = std::max(1, RowsFrom(lb, lb.top) - 1);
    switch (code) {
        case SB_LINEUP: SetTop(lb, lb.top - 1); break;
        case SB_LINEDOWN: SetTop(lb, lb.top + 1); break;
        case SB_PAGEUP: SetTop(lb, lb.top - page); break;
        case SB_PAGEDOWN: SetTop(lb, lb.top + page); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTop(lb, ThumbPosition(lb.hwnd, SB_VERT)); break;
        case SB_TOP: SetTop(lb, 0); break;
        case SB_BOTTOM: SetTop(lb, lb.items.Count()); break;
        default: break;
    }
}

void ColumnScroll(ListBox& lb, WORD code) {
    int rows = ColumnRows(lb);
    switch (code) {
        case SB_LINELEFT: SetTop(lb, lb.top - rows); break;
        case SB_LINERIGHT: SetTop(lb, lb.top + rows); break;
        case SB_PAGELEFT: SetTop(lb, lb.top - rows * VisibleColumns(lb)); break;
        case SB_PAGERIGHT: SetTop(lb, lb.top + rows * VisibleColumns(lb)); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTop(lb, ThumbPosition(lb.hwnd, SB_HORZ) * rows); break;
        case SB_LEFT: SetTop(lb, 0); break;
        case SB_RIGHT: SetTop(lb, lb.items.Count()); break;
        default: break;
    }
}

void HScroll(ListBox& lb, WORD code) {
    if (lb.MultiColumn()) {
        ColumnScroll(lb, code);
        return;
    }
    int width = Client(lb).right;
    int line = std::max(1, FontHeight(lb.font) / 2);
    switch (code) {
        case SB_LINELEFT: SetXOffset(lb, lb.xOffset - line); break;
        case SB_LINERIGHT: SetXOffset(lb, lb.xOffset + line); break;
        case SB_PAGELEFT: SetXOffset(lb, lb.xOffset - width); break;
        case SB_PAGERIGHT: SetXOffset(lb, lb.xOffset + width); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetXOffset(lb, ThumbPosition(lb.hwnd, SB_HORZ)); break;
        case SB_LEFT: SetXOffset(lb, 0); break;
        case SB_RIGHT: SetXOffset(lb, lb.horizontalExtent); break;
        default: break;
    }
}

void Wheel(ListBox& lb, WPARAM wp) {
    lb.wheelRemainder += static_cast<std::int16_t>(HIWORD(wp));
    int steps = lb.wheelRemainder / WHEEL_DELTA;
    lb.wheelRemainder -= steps * WHEEL_DELTA;
    if (steps == 0) return;
    if (lb.MultiColumn()) {  // a column a step
        SetTop(lb, lb.top - steps * ColumnRows(lb));
        return;
    }
    UINT lines = 3;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    int perStep = std::min(static_cast<int>(lines), std::max(1, RowsFrom(lb, lb.top) - 1));
    SetTop(lb, lb.top - steps * perStep);
}

// ---- item messages --------------------------------------------------------------------------

LRESULT AddItem(ListBox& lb, int index, LPARAM lp, bool sorted) {
    ListItem item;
    if (lb.HasStrings()) item.text = lp ? reinterpret_cast<const char*>(lp) : "";
    else item.data = static_cast<UINT_PTR>(lp);
    if (lb.HasStrings() && lb.OwnerDraw()) item.data = 0;
    // Sorting by text needs the text; owner-drawn items without strings keep their order.
    int at = sorted && lb.HasStrings() ? lb.items.InsertSorted(std::move(item)) : lb.items.Insert(index, std::move(item));
    if (at < 0) return LB_ERR;
    if (lb.Variable()) lb.items.At(at).height = Measure(lb, at, lb.items.At(at).data);
    Relayout(lb);
    return at;
}

LRESULT DeleteItem(ListBox& lb, int index) {
    if (!lb.items.Erase(index)) return LB_ERR;
    Relayout(lb);
    return lb.items.Count();
}

LRESULT GetText(const ListBox& lb, int index, LPARAM lp) {
    if (!lb.items.Valid(index) || !lp) return LB_ERR;
    auto* out = reinterpret_cast<char*>(lp);
    if (!lb.HasStrings()) {
        UINT_PTR data = lb.items.At(index).data;
        std::memcpy(out, &data, sizeof data);
        return sizeof data;
    }
    const std::string& s = lb.items.At(index).text;
    std::memcpy(out, s.data(), s.size());
    out[s.size()] = 0;
    return static_cast<LRESULT>(s.size());
}

LRESULT TextLength(const ListBox& lb, int index) {
    if (!lb.items.Valid(index)) return LB_ERR;
    return lb.HasStrings() ? static_cast<LRESULT>(lb.items.At(index).text.size()) : sizeof(UINT_PTR);
}

int FindItem(const ListBox& lb, int start, LPARAM lp, bool exact) {
    if (!lb.HasStrings()) return lb.items.FindData(static_cast<UINT_PTR>(lp), start);
    return lb.items.FindText(lp ? reinterpret_cast<const char*>(lp) : "", start, exact);
}

LRESULT SetCurSel(ListBox& lb, int index) {
    if (lb.Multiple()) return LB_ERR;
    if (index != -1 && !lb.items.Valid(index)) return LB_ERR;
    lb.items.Select(index);
    EnsureVisible(lb, index);
    Redraw(lb);
    return index;
}

LRESULT SetSel(ListBox& lb, bool on, int index) {
    if (!lb.Multiple()) return LB_ERR;
    if (index == -1) {
        lb.items.SetAll(on);
    } else {
        if (!lb.items.Valid(index)) return LB_ERR;
        lb.items.SetSelected(index, on);
        lb.items.SetCaret(index);
        lb.items.SetAnchor(index);
    }
    Redraw(lb);
    return LB_OKAY;
}

LRESULT SelectRange(ListBox& lb, int first, int last, bool on) {
    if (!lb.Multiple()) return LB_ERR;
    lb.items.SetRange(first, last, on);
    Redraw(lb);
    return LB_OKAY;
}

LRESULT GetSelItems(const ListBox& lb, WPARAM max, LPARAM lp) {
    if (!lb.Multiple() || !lp) return LB_ERR;
    std::vector<int> selected = lb.items.SelectedIndexes();
    std::size_t n = std::min<std::size_t>(selected.size(), max);
    std::copy_n(selected.begin(), n, reinterpret_cast<int*>(lp));
    return static_cast<LRESULT>(n);
}

LRESULT SetItemHeight(ListBox& lb, int index, int height) {
    if (height <= 0 || height > kMaxItemHeight) return LB_ERR;
    if (lb.Variable()) {
        if (!lb.items.Valid(index)) return LB_ERR;
        lb.items.At(index).height = height;
    } else {
        lb.itemHeight = height;
    }
    Relayout(lb);
    return LB_OKAY;
}

LRESULT GetItemHeight(const ListBox& lb, int index) {
    if (!lb.Variable()) return lb.itemHeight;
    return lb.items.Valid(index) ? lb.items.At(index).height : LB_ERR;
}

LRESULT ItemFromPoint(const ListBox& lb, LPARAM lp) {
    Hit hit = ItemAt(lb, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    if (hit.index < 0) return MAKELONG(0xFFFF, 1);
    bool below = hit.index == lb.items.Count() - 1 && ItemRect(lb, hit.index).bottom <= GET_Y_LPARAM(lp);
    return MAKELONG(static_cast<WORD>(hit.index), (hit.outside || below) ? 1 : 0);
}

void SetFont(ListBox& lb, HFONT font, bool redraw) {
    lb.font = font;
    if (!lb.OwnerDraw()) lb.itemHeight = FontHeight(font);
    KeepIntegralHeight(lb);
    Relayout(lb);
    if (redraw) UpdateWindow(lb.hwnd);
}

void Create(ListBox& lb) {
    lb.columnWidth = std::max(1, static_cast<int>(Client(lb).right));
    lb.itemHeight = (lb.style & LBS_OWNERDRAWFIXED) && !lb.Variable() ? Measure(lb, 0, 0) : FontHeight(lb.font);
    KeepIntegralHeight(lb);
    UpdateScrollBars(lb);
}

void Focus(ListBox& lb, bool on) {
    lb.focused = on;
    int caret = lb.items.Caret();
    if (lb.items.Valid(caret)) {
        RECT r = ItemRect(lb, caret);
        InvalidateRect(lb.hwnd, &r, 1);
    }
    if (!on && lb.dragging) Release(lb, POINT{-1, -1});
    Notify(lb, on ? LBN_SETFOCUS : LBN_KILLFOCUS);
}

void StartTracking(ListBox& lb, bool on) {
    lb.tracking = on;
    if (on) {
        SetCapture(lb.hwnd);
    } else if (GetCapture() == lb.hwnd) {
        ReleaseCapture();
    }
}

LRESULT Messages(ListBox& lb, UINT m, WPARAM wp, LPARAM lp) {
    int index = static_cast<int>(static_cast<std::intptr_t>(wp));
    switch (m) {
        case LB_ADDSTRING: return AddItem(lb, -1, lp, (lb.style & LBS_SORT) != 0);
        case LB_INSERTSTRING: return AddItem(lb, index, lp, false);
        case LB_DELETESTRING: return DeleteItem(lb, index);
        case LB_RESETCONTENT:
            lb.items.Clear();
            lb.top = lb.xOffset = 0;
            Relayout(lb);
            return LB_OKAY;
        case LB_GETCOUNT: return lb.items.Count();
        case LB_GETTEXT: return GetText(lb, index, lp);
        case LB_GETTEXTLEN: return TextLength(lb, index);
        case LB_SETCURSEL: return SetCurSel(lb, index);
        case LB_GETCURSEL: return lb.items.Current() >= 0 ? lb.items.Current() : LB_ERR;
        case LB_SETSEL: return SetSel(lb, wp != 0, static_cast<int>(lp));
        case LB_GETSEL: return lb.items.Valid(index) ? (lb.items.IsSelected(index) ? 1 : 0) : LB_ERR;
        case LB_GETSELCOUNT: return lb.Multiple() ? lb.items.SelectedCount() : LB_ERR;
        case LB_GETSELITEMS: return GetSelItems(lb, wp, lp);
        case LB_SELITEMRANGE: return SelectRange(lb, LOWORD(lp), HIWORD(lp), wp != 0);
        case LB_SELITEMRANGEEX: {
            int last = static_cast<int>(lp);
            return index <= last ? SelectRange(lb, index, last, true) : SelectRange(lb, last, index, false);
        }
        case LB_SETTOPINDEX:
            if (!lb.items.Valid(index) && !(index == 0 && lb.items.Count() == 0)) return LB_ERR;
            SetTop(lb, index);
            return LB_OKAY;
        case LB_GETTOPINDEX: return lb.top;
        case LB_FINDSTRING: return FindItem(lb, index, lp, false);
        case LB_FINDSTRINGEXACT: return FindItem(lb, index, lp, true);
        case LB_SELECTSTRING: {
            int found = FindItem(lb, index, lp, false);
            if (found < 0) return LB_ERR;
            if (lb.Multiple()) {
                lb.items.SetCaret(found);
                EnsureVisible(lb, found);
                Redraw(lb);
                return found;
            }
            return SetCurSel(lb, found);
        }
        case LB_SETITEMDATA:
            if (!lb.items.Valid(index)) return LB_ERR;
            lb.items.At(index).data = static_cast<UINT_PTR>(lp);
            return LB_OKAY;
        case LB_GETITEMDATA: return lb.items.Valid(index) ? static_cast<LRESULT>(lb.items.At(index).data) : LB_ERR;
        case LB_SETITEMHEIGHT: return SetItemHeight(lb, index, static_cast<int>(static_cast<WORD>(lp)));
        case LB_GETITEMHEIGHT: return GetItemHeight(lb, index);
        case LB_GETITEMRECT:
            if (!lp || !lb.items.Valid(index)) return LB_ERR;
            *reinterpret_cast<RECT*>(lp) = ItemRect(lb, index);
            return 1;
        case LB_ITEMFROMPOINT: return ItemFromPoint(lb, lp);
        case LB_SETCARETINDEX:
            if (!lb.items.Valid(index)) return LB_ERR;
            if (lb.Multiple()) lb.items.SetCaret(index);
            else lb.items.Select(index);
            EnsureVisible(lb, index);
            Redraw(lb);
            return LB_OKAY;
        case LB_GETCARETINDEX: return lb.items.Caret() >= 0 ? lb.items.Caret() : (lb.Multiple() ? 0 : LB_ERR);
        case LB_SETANCHORINDEX:
            if (!lb.items.Valid(index)) return LB_ERR;
            lb.items.SetAnchor(index);
            return LB_OKAY;
        case LB_GETANCHORINDEX: return lb.items.Anchor();
        case LB_INITSTORAGE:
            lb.items.Reserve(std::min<std::size_t>(static_cast<std::size_t>(lb.items.Count()) + wp, kMaxReserve));
            return static_cast<LRESULT>(lb.items.Count() + static_cast<int>(std::min<WPARAM>(wp, kMaxReserve)));
        case LB_SETCOUNT: return LB_ERR;  // no-data lists are not kept
        case LB_SETHORIZONTALEXTENT:
            lb.horizontalExtent = static_cast<int>(std::min<WPARAM>(wp, 0x7FFF));
            SetXOffset(lb, lb.xOffset);
            UpdateScrollBars(lb);
            return 0;
        case LB_GETHORIZONTALEXTENT: return lb.horizontalExtent;
        case LB_SETCOLUMNWIDTH:
            lb.columnWidth = static_cast<int>(std::clamp<WPARAM>(wp, 1, 0x7FFF));
            Relayout(lb);
            return LB_OKAY;
        default: return DefWindowProc(lb.hwnd, m, wp, lp);
    }
}

POINT PointOf(LPARAM lp) { return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }

LRESULT Dispatch(ListBox& lb, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_CREATE: Create(lb); return 0;
        case WM_PAINT: Paint(lb); return 0;
        case WM_PRINTCLIENT: PaintInto(lb, reinterpret_cast<HDC>(wp)); return 0;
        case WM_ERASEBKGND: return 1;  // painting fills every pixel
        case WM_SIZE:
            KeepIntegralHeight(lb);
            Relayout(lb);
            return 0;
        case WM_SETFONT: SetFont(lb, reinterpret_cast<HFONT>(wp), lp != 0); return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(lb.font);
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SETFOCUS: Focus(lb, true); return 0;
        case WM_KILLFOCUS: Focus(lb, false); return 0;
        case WM_ENABLE: Redraw(lb); return 0;
        case WM_LBUTTONDOWN: PressAt(lb, PointOf(lp), false, wp); return 0;
        case WM_LBUTTONDBLCLK: PressAt(lb, PointOf(lp), true, wp); return 0;
        case WM_MOUSEMOVE:
            if (lb.dragging || lb.tracking) DragTo(lb, PointOf(lp));
            return 0;
        case WM_LBUTTONUP: Release(lb, PointOf(lp)); return 0;
        case WM_CAPTURECHANGED: lb.dragging = false; return 0;
        case WM_KEYDOWN: KeyDown(lb, static_cast<UINT>(wp)); return 0;
        case WM_CHAR: Char(lb, wp); return 0;
        case WM_VSCROLL:
            if (!lb.MultiColumn()) VScroll(lb, LOWORD(wp));
            return 0;
        case WM_HSCROLL: HScroll(lb, LOWORD(wp)); return 0;
        case WM_MOUSEWHEEL: Wheel(lb, wp); return 0;
        case LBCB_STARTTRACK: StartTracking(lb, true); return 0;
        case LBCB_ENDTRACK: StartTracking(lb, false); return 0;
        default: return Messages(lb, m, wp, lp);
    }
}

LRESULT Procedure(HWND hwnd, UINT m, WPARAM wp, LPARAM lp, bool comboList) {
    if (m == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
        DWORD style = static_cast<DWORD>(cs->style);
        if (style & LBS_OWNERDRAWVARIABLE) style &= ~(LBS_OWNERDRAWFIXED | LBS_MULTICOLUMN);
        if (!(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) style |= LBS_HASSTRINGS;
        if (style & LBS_EXTENDEDSEL) style &= ~LBS_MULTIPLESEL;
        SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new ListBox(hwnd, style, comboList ? cs->hwndParent : nullptr)));
        return DefWindowProc(hwnd, m, wp, lp);
    }
    ListBox* lb = Find(hwnd);
    if (!lb) return DefWindowProc(hwnd, m, wp, lp);
    if (m == WM_NCDESTROY) {
        SetWindowLongPtr(hwnd, 0, 0);
        // Destroyed from inside one of its own notifications: freed when that returns.
        if (lb->busy) lb->destroyed = true;
        else delete lb;
        return DefWindowProc(hwnd, m, wp, lp);
    }
    ++lb->busy;
    LRESULT result = Dispatch(*lb, m, wp, lp);
    if (--lb->busy == 0 && lb->destroyed) delete lb;
    return result;
}

LRESULT ListProcedure(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) { return Procedure(hwnd, m, wp, lp, false); }
LRESULT ComboListProcedure(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) { return Procedure(hwnd, m, wp, lp, true); }

void Register(const char* name, WNDPROC procedure, UINT extraStyle) {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS | extraStyle;
    wc.lpfnWndProc = procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    RegisterClassEx(&wc);
}

}  // namespace listbox

void RegisterListBoxClasses() {
    listbox::Register("ListBox", &listbox::ListProcedure, 0);
    listbox::Register("ComboLBox", &listbox::ComboListProcedure, CS_SAVEBITS);
}

}  // namespace parch::win
