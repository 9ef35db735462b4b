#include "platform/win/TabControlClass.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/TextLayout.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/CommonControls.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/ItemText.h"
#include "platform/win/ListBoxClass.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SystemValues.h"
#include "platform/win/UpDownClass.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace tabs {

constexpr int kMargin = 2;        // between the client edge and the first row
constexpr int kFrame = 2;         // the display area's border
constexpr int kButtonGap = 3;     // between buttons, and between rows of buttons
constexpr int kSelectedLift = 2;  // a selected tab stands out by this much
constexpr int kImageGap = 3;
constexpr int kDefaultFixedWidth = 96;
constexpr int kMaxSize = 0x7FFF;

struct Tab {
    std::string text;
    int image = -1;
    LPARAM lParam = 0;
    DWORD state = 0;
    RECT rect;  // client coordinates, single-row scrolling applied
    int row = 0;
};

enum class Side { Top, Bottom, Left, Right };

struct TabControl {
    HWND hwnd = nullptr;
    DWORD style = 0;
    std::vector<Tab> tabs;
    int current = -1;
    int focus = -1;
    int hot = -1;
    int firstVisible = 0;  // single row: the first tab shown
    int rows = 1;
    SIZE padding{6, 3};
    SIZE itemSize{0, 0};
    int minTabWidth = -1;
    HIMAGELIST images = nullptr;
    HFONT font = nullptr;
    HWND arrows = nullptr;  // the up-down of a single row that overflows
    bool focused = false;
    int busy = 0;  // messages being handled; the parent may destroy the control meanwhile
    bool destroyed = false;
};

TabControl* Find(HWND hwnd) { return reinterpret_cast<TabControl*>(GetWindowLongPtr(hwnd, 0)); }

Side SideOf(const TabControl& tc) {
    if (tc.style & TCS_VERTICAL) return (tc.style & TCS_RIGHT) ? Side::Right : Side::Left;
    return (tc.style & TCS_BOTTOM) ? Side::Bottom : Side::Top;
}
bool Vertical(const TabControl& tc) { return (tc.style & TCS_VERTICAL) != 0; }
bool Buttons(const TabControl& tc) { return (tc.style & TCS_BUTTONS) != 0; }
// Vertical tabs always wrap.
bool MultiLine(const TabControl& tc) { return (tc.style & TCS_MULTILINE) || Vertical(tc); }
bool Valid(const TabControl& tc, int i) { return i >= 0 && i < static_cast<int>(tc.tabs.size()); }

RECT Client(const TabControl& tc) {
    RECT r;
    GetClientRect(tc.hwnd, &r);
    return r;
}

SIZE ImageSize(const TabControl& tc) {
    int cx = 0, cy = 0;
    if (tc.images) ImageList_GetIconSize(tc.images, &cx, &cy);
    return SIZE{cx, cy};
}

// How thick a row is (across the strip).
int RowThickness(const TabControl& tc) {
    if (tc.itemSize.cy > 0) return tc.itemSize.cy;
    int content = std::max(FontLineHeight(tc.font), static_cast<int>(ImageSize(tc).cy));
    return content + 2 * tc.padding.cy + 1;
}

int TextWidth(const TabControl& tc, const std::string& text) {
    HDC dc = CreateCompatibleDC(nullptr);  // the screen's context would compose the whole screen first
    HGDIOBJ old = SelectObject(dc, tc.font ? tc.font : GetStockObject(SYSTEM_FONT));
    SIZE size{0, 0};
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    return size.cx;
}

// How long a tab is (along the strip); never 0, so no existing tab has an empty rectangle.
int TabLength(const TabControl& tc, const Tab& tab) {
    int length;
    if ((tc.style & TCS_FIXEDWIDTH) || ((tc.style & TCS_OWNERDRAWFIXED) && tc.itemSize.cx > 0)) {
        length = tc.itemSize.cx > 0 ? tc.itemSize.cx : kDefaultFixedWidth;
    } else {
        length = TextWidth(tc, tab.text) + 2 * tc.padding.cx;
        if (tc.images && tab.image >= 0) length += ImageSize(tc).cx + kImageGap;
    }
    int minimum = tc.minTabWidth >= 0 ? tc.minTabWidth : 2 * tc.padding.cx + 6;
    return std::max({length, minimum, 1});
}

int Gap(const TabControl& tc) { return Buttons(tc) ? kButtonGap : 0; }

// The room along the strip, less the arrows when they are shown.
int StripLength(const TabControl& tc, bool withArrows) {
    RECT c = Client(tc);
    int length = Vertical(tc) ? c.bottom : c.right;
    if (withArrows) length -= 2 * GetSystemMetrics(SM_CXVSCROLL);
    return length - 2 * kMargin;
}

// How deep the strip of rows is, from the client edge to the display area.
int StripDepth(const TabControl& tc) {
    if (tc.tabs.empty()) return 0;
    return kMargin + tc.rows * RowThickness(tc) + (tc.rows - 1) * Gap(tc) + (Buttons(tc) ? kButtonGap : 0);
}

// The first tab from which the rest of a single row fits beside the arrows.
int LastFirstVisible(const TabControl& tc) {
    int room = StripLength(tc, true), used = 0;
    int i = static_cast<int>(tc.tabs.size());
    while (i > 0) {
        int next = used + TabLength(tc, tc.tabs[static_cast<std::size_t>(i - 1)]) + Gap(tc);
        if (next > room && used > 0) break;
        used = next;
        --i;
    }
    return std::max(0, i);
}

void ShowArrows(TabControl& tc, bool show) {
    if (!show) {
        if (tc.arrows) DestroyWindow(tc.arrows);
        tc.arrows = nullptr;
        tc.firstVisible = 0;
        return;
    }
    RECT c = Client(tc);
    int width = 2 * GetSystemMetrics(SM_CXVSCROLL), height = RowThickness(tc);
    int y = SideOf(tc) == Side::Bottom ? c.bottom - kMargin - height : kMargin;
    if (!tc.arrows) {
        tc.arrows = CreateWindowEx(0, "msctls_updown32", "", WS_CHILD | WS_VISIBLE | UDS_HORZ, 0, 0, width, height,
                                   tc.hwnd, nullptr, nullptr, nullptr);
    }
    SetWindowPos(tc.arrows, nullptr, c.right - width, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    tc.firstVisible = std::clamp(tc.firstVisible, 0, LastFirstVisible(tc));
    SendMessage(tc.arrows, UDM_SETRANGE32, 0, LastFirstVisible(tc));
    SendMessage(tc.arrows, UDM_SETPOS32, 0, tc.firstVisible);
}

// Places one tab from its place along the strip and its row counted from the display area.
RECT PlaceTab(const TabControl& tc, int along, int length, int rowFromDisplay) {
    RECT c = Client(tc);
    int thick = RowThickness(tc), step = thick + Gap(tc);
    int outer = kMargin + (tc.rows - 1 - rowFromDisplay) * step;  // distance from the client edge
    switch (SideOf(tc)) {
        case Side::Top: return RECT{along, outer, along + length, outer + thick};
        case Side::Bottom: return RECT{along, c.bottom - outer - thick, along + length, c.bottom - outer};
        case Side::Left: return RECT{outer, along, outer + thick, along + length};
        case Side::Right: return RECT{c.right - outer - thick, along, c.right - outer, along + length};
    }
    return RECT{};
}

void Layout(TabControl& tc) {
    std::vector<int> lengths;
    for (const Tab& tab : tc.tabs) lengths.push_back(TabLength(tc, tab));
    int total = kMargin;
    for (int l : lengths) total += l + Gap(tc);
    bool overflow = !MultiLine(tc) && total - Gap(tc) > StripLength(tc, false) + kMargin;
    // Rows: tabs go on while they fit; a tab longer than the strip gets a row of its own.
    int room = StripLength(tc, false), along = 0, row = 0;
    for (std::size_t i = 0; i < tc.tabs.size(); ++i) {
        if (MultiLine(tc) && along > 0 && along + lengths[i] > room) {
            ++row;
            along = 0;
        }
        tc.tabs[i].row = row;
        along += lengths[i] + Gap(tc);
    }
    tc.rows = tc.tabs.empty() ? 1 : row + 1;
    ShowArrows(tc, overflow);
    // The row of the selected tab lies next to the display area (plain tabs only).
    int selectedRow = Valid(tc, tc.current) && !Buttons(tc) ? tc.tabs[static_cast<std::size_t>(tc.current)].row : 0;
    int offset = 0;
    if (overflow) {
        for (int i = 0; i < tc.firstVisible; ++i) offset += lengths[static_cast<std::size_t>(i)] + Gap(tc);
    }
    along = kMargin - offset;
    int lastRow = 0;
    for (std::size_t i = 0; i < tc.tabs.size(); ++i) {
        Tab& tab = tc.tabs[i];
        if (tab.row != lastRow) {
            along = kMargin;
            lastRow = tab.row;
        }
        int fromDisplay = Buttons(tc) ? tc.rows - 1 - tab.row : (tab.row - selectedRow + tc.rows) % tc.rows;
        tab.rect = PlaceTab(tc, along, lengths[i], fromDisplay);
        along += lengths[i] + Gap(tc);
    }
}

void Redraw(TabControl& tc) { InvalidateRect(tc.hwnd, nullptr, 1); }

void Relayout(TabControl& tc) {
    Layout(tc);
    Redraw(tc);
}

// The display area of a window rectangle, or (larger) the window rectangle of a display area.
void AdjustRect(const TabControl& tc, bool larger, RECT& r) {
    // In 64 bits, saturated: the caller's rectangle may be anything.
    std::int64_t depth = StripDepth(tc);
    std::int64_t frame = Buttons(tc) ? 0 : kFrame;
    std::int64_t sign = larger ? -1 : 1;
    std::int64_t left = std::int64_t{r.left} + sign * frame, top = std::int64_t{r.top} + sign * frame;
    std::int64_t right = std::int64_t{r.right} - sign * frame, bottom = std::int64_t{r.bottom} - sign * frame;
    switch (SideOf(tc)) {
        case Side::Top: top += sign * depth; break;
        case Side::Bottom: bottom -= sign * depth; break;
        case Side::Left: left += sign * depth; break;
        case Side::Right: right -= sign * depth; break;
    }
    auto saturated = [](std::int64_t v) { return static_cast<LONG>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); };
    r = RECT{saturated(left), saturated(top), saturated(right), saturated(bottom)};
}

int HitTest(const TabControl& tc, POINT p, UINT* flags) {
    if (flags) *flags = TCHT_NOWHERE;
    if (tc.arrows) {
        RECT arrows;
        GetWindowRect(tc.arrows, &arrows);
        MapWindowPoints(nullptr, tc.hwnd, reinterpret_cast<POINT*>(&arrows), 2);
        if (PtInRect(&arrows, p)) return -1;
    }
    for (int i = 0; i < static_cast<int>(tc.tabs.size()); ++i) {
        const Tab& tab = tc.tabs[static_cast<std::size_t>(i)];
        if (!PtInRect(&tab.rect, p)) continue;
        if (flags) {
            *flags = TCHT_ONITEMLABEL;
            SIZE image = ImageSize(tc);
            if (tc.images && tab.image >= 0 && !Vertical(tc) && p.x < tab.rect.left + tc.padding.cx + image.cx)
                *flags = TCHT_ONITEMICON;
        }
        return i;
    }
    return -1;
}

// --- Painting ---------------------------------------------------------------------------------

UINT EdgesOf(const TabControl& tc) {
    switch (SideOf(tc)) {
        case Side::Top: return BF_LEFT | BF_TOP | BF_RIGHT;
        case Side::Bottom: return BF_LEFT | BF_BOTTOM | BF_RIGHT;
        case Side::Left: return BF_LEFT | BF_TOP | BF_BOTTOM;
        case Side::Right: return BF_RIGHT | BF_TOP | BF_BOTTOM;
    }
    return BF_RECT;
}

RECT SelectedRect(const TabControl& tc, const Tab& tab) {
    RECT r = tab.rect;
    InflateRect(&r, kSelectedLift, kSelectedLift);
    // The selected tab joins the display area's border.
    switch (SideOf(tc)) {
        case Side::Top: r.bottom += 1; break;
        case Side::Bottom: r.top -= 1; break;
        case Side::Left: r.right += 1; break;
        case Side::Right: r.left -= 1; break;
    }
    return r;
}

void DrawOwnerTab(const TabControl& tc, HDC dc, int index, const RECT& r) {
    DRAWITEMSTRUCT di;
    di.CtlType = ODT_TAB;
    di.CtlID = static_cast<UINT>(GetDlgCtrlID(tc.hwnd));
    di.itemID = static_cast<UINT>(index);
    di.itemAction = ODA_DRAWENTIRE;
    di.itemState = index == tc.current ? ODS_SELECTED : 0;
    if (index == tc.focus && tc.focused) di.itemState |= ODS_FOCUS;
    di.hwndItem = tc.hwnd;
    di.hDC = dc;
    di.rcItem = r;
    di.itemData = static_cast<UINT_PTR>(tc.tabs[static_cast<std::size_t>(index)].lParam);
    HWND parent = GetParent(tc.hwnd);
    if (parent) SendMessage(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
}

void DrawTabContent(const TabControl& tc, HDC dc, const Tab& tab, RECT r, bool hot) {
    if (tab.state & TCIS_HIGHLIGHTED) {
        RECT inner = r;
        InflateRect(&inner, -2, -2);
        FillRect(dc, &inner, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    InflateRect(&r, -tc.padding.cx / 2, 0);
    SIZE image = ImageSize(tc);
    bool withImage = tc.images && tab.image >= 0;
    int textWidth = TextWidth(tc, tab.text);
    if (withImage && !Vertical(tc)) {
        int content = image.cx + kImageGap + textWidth;
        int x = r.left + std::max(0, static_cast<int>(r.right - r.left) - content) / 2;
        ImageList_Draw(tc.images, tab.image, dc, x, r.top + (r.bottom - r.top - image.cy) / 2, ILD_TRANSPARENT);
        r.left = x + image.cx + kImageGap;
        r.right = std::max(r.right, r.left + textWidth);
    }
    HGDIOBJ old = SelectObject(dc, tc.font ? tc.font : GetStockObject(SYSTEM_FONT));
    SetBkMode(dc, TRANSPARENT);
    int color = (tab.state & TCIS_HIGHLIGHTED) ? COLOR_HIGHLIGHTTEXT
                : (hot && (tc.style & TCS_HOTTRACK)) ? COLOR_HOTLIGHT
                : IsWindowEnabled(tc.hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
    SetTextColor(dc, GetSysColor(color));
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | (withImage && !Vertical(tc) ? DT_LEFT : DT_CENTER);
    DrawText(dc, tab.text.c_str(), static_cast<int>(tab.text.size()), &r, format);
    SelectObject(dc, old);
}

void DrawTab(const TabControl& tc, HDC dc, int index) {
    const Tab& tab = tc.tabs[static_cast<std::size_t>(index)];
    bool selected = index == tc.current;
    bool pressed = selected || (tab.state & TCIS_BUTTONPRESSED);
    RECT r = tab.rect;
    if (Buttons(tc)) {
        if (pressed) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
        else if (!(tc.style & TCS_FLATBUTTONS)) DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    } else {
        if (selected) r = SelectedRect(tc, tab);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &r, EDGE_RAISED, EdgesOf(tc) | BF_SOFT);
    }
    if (tc.style & TCS_OWNERDRAWFIXED) {
        DrawOwnerTab(tc, dc, index, r);
        return;
    }
    DrawTabContent(tc, dc, tab, r, index == tc.hot);
    if (index == tc.focus && tc.focused) {
        RECT focusRect = r;
        InflateRect(&focusRect, -3, -3);
        DrawFocusRect(dc, &focusRect);
    }
}

void PaintInto(TabControl& tc, HDC dc) {
    RECT client = Client(tc);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (!Buttons(tc)) {
        RECT display = client;
        AdjustRect(tc, false, display);
        InflateRect(&display, kFrame, kFrame);
        DrawEdge(dc, &display, EDGE_RAISED, BF_RECT | BF_SOFT);
    }
    // The selected tab last: it overlaps its neighbours.
    for (int i = 0; i < static_cast<int>(tc.tabs.size()); ++i)
        if (i != tc.current) DrawTab(tc, dc, i);
    if (Valid(tc, tc.current)) DrawTab(tc, dc, tc.current);
}

// WM_PAINT: into the given context (a subclass painting through its own), or between
// BeginPaint and EndPaint.
void Paint(TabControl& tc, HDC given) {
    PaintControl(tc.hwnd, given, [&tc](HDC dc) { PaintInto(tc, dc); });
}

// --- Selection ----------------------------------------------------------------------------------

void MakeVisible(TabControl& tc, int index) {
    if (!tc.arrows || !Valid(tc, index)) return;
    const RECT& r = tc.tabs[static_cast<std::size_t>(index)].rect;
    if (index < tc.firstVisible) tc.firstVisible = index;
    else if (r.right > StripLength(tc, true) + kMargin)
        while (tc.firstVisible < std::min(index, LastFirstVisible(tc))) {
            ++tc.firstVisible;
            Layout(tc);
            if (tc.tabs[static_cast<std::size_t>(index)].rect.right <= StripLength(tc, true) + kMargin) break;
        }
}

LRESULT SetCurSel(TabControl& tc, int index) {
    int previous = tc.current;
    if (!Valid(tc, index)) return -1;
    tc.current = index;
    tc.focus = index;
    Layout(tc);
    MakeVisible(tc, index);
    Relayout(tc);
    return previous;
}

// A selection made by the user: the parent may refuse it.
void Choose(TabControl& tc, int index) {
    if (!Valid(tc, index) || index == tc.current) return;
    HWND hwnd = tc.hwnd;
    NMHDR nm;
    if (SendNotify(hwnd, TCN_SELCHANGING, &nm)) return;
    if (tc.destroyed) return;
    SetCurSel(tc, index);
    SendNotify(hwnd, TCN_SELCHANGE, &nm);
}

void Click(TabControl& tc, POINT p) {
    if ((tc.style & TCS_FOCUSONBUTTONDOWN) && !(tc.style & TCS_FOCUSNEVER)) SetFocus(tc.hwnd);
    Choose(tc, HitTest(tc, p, nullptr));
}

void KeyDown(TabControl& tc, WPARAM key) {
    NMTCKEYDOWN kd;
    kd.wVKey = static_cast<WORD>(key);
    SendNotify(tc.hwnd, TCN_KEYDOWN, &kd.hdr);
    if (tc.destroyed || tc.tabs.empty()) return;
    int count = static_cast<int>(tc.tabs.size());
    int from = Valid(tc, tc.current) ? tc.current : 0;
    bool control = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
    switch (key) {
        case VK_LEFT:
        case VK_UP: Choose(tc, std::max(0, from - 1)); break;
        case VK_RIGHT:
        case VK_DOWN: Choose(tc, std::min(count - 1, from + 1)); break;
        case VK_HOME: Choose(tc, 0); break;
        case VK_END: Choose(tc, count - 1); break;
        case VK_TAB:
            if (control) Choose(tc, (from + (shift ? count - 1 : 1)) % count);
            break;
        default: break;
    }
}

void Scroll(TabControl& tc, WPARAM wp) {
    if (!tc.arrows || LOWORD(wp) != SB_THUMBPOSITION) return;
    tc.firstVisible = std::clamp(static_cast<int>(static_cast<short>(HIWORD(wp))), 0, LastFirstVisible(tc));
    Relayout(tc);
}

void TrackHot(TabControl& tc, POINT p) {
    if (!(tc.style & TCS_HOTTRACK)) return;
    int hot = HitTest(tc, p, nullptr);
    if (hot == tc.hot) return;
    tc.hot = hot;
    Redraw(tc);
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = tc.hwnd;
    TrackMouseEvent(&track);
}

// --- Items --------------------------------------------------------------------------------------

template <typename Item>
void ApplyItem(TabControl& tc, Tab& tab, const Item& item) {
    if (item.mask & TCIF_TEXT) {
        // Tabs ask no one for their texts: the callback marker is no text, not a pointer.
        if constexpr (std::is_same_v<Item, TCITEMW>) tab.text = item.pszText == LPSTR_TEXTCALLBACKW ? "" : ItemTextFromWide(item.pszText);
        else tab.text = item.pszText && item.pszText != LPSTR_TEXTCALLBACKA ? ValidUtf8(item.pszText) : "";
    }
    if (item.mask & TCIF_IMAGE) tab.image = item.iImage;
    if (item.mask & TCIF_PARAM) tab.lParam = item.lParam;
    if (item.mask & TCIF_STATE) tab.state = (tab.state & ~item.dwStateMask) | (item.dwState & item.dwStateMask);
    (void)tc;
}

template <typename Item>
LRESULT InsertItem(TabControl& tc, int index, LPARAM lp) {
    const auto* item = reinterpret_cast<const Item*>(lp);
    if (!item || index < 0) return -1;
    index = std::min(index, static_cast<int>(tc.tabs.size()));
    Tab tab;
    ApplyItem(tc, tab, *item);
    tc.tabs.insert(tc.tabs.begin() + index, std::move(tab));
    if (tc.current >= index) ++tc.current;
    if (tc.focus >= index) ++tc.focus;
    Relayout(tc);
    return index;
}

template <typename Item>
LRESULT SetItem(TabControl& tc, int index, LPARAM lp) {
    const auto* item = reinterpret_cast<const Item*>(lp);
    if (!item || !Valid(tc, index)) return 0;
    ApplyItem(tc, tc.tabs[static_cast<std::size_t>(index)], *item);
    Relayout(tc);
    return 1;
}

template <typename Item>
LRESULT GetItem(const TabControl& tc, int index, LPARAM lp) {
    auto* item = reinterpret_cast<Item*>(lp);
    if (!item || !Valid(tc, index)) return 0;
    const Tab& tab = tc.tabs[static_cast<std::size_t>(index)];
    if (item->mask & TCIF_TEXT) CopyItemText(tab.text, item->pszText, item->cchTextMax);
    if (item->mask & TCIF_IMAGE) item->iImage = tab.image;
    if (item->mask & TCIF_PARAM) item->lParam = tab.lParam;
    if (item->mask & TCIF_STATE) item->dwState = tab.state & item->dwStateMask;
    return 1;
}

LRESULT DeleteItem(TabControl& tc, int index) {
    if (!Valid(tc, index)) return 0;
    tc.tabs.erase(tc.tabs.begin() + index);
    auto follow = [index](int& i) {
        if (i == index) i = -1;
        else if (i > index) --i;
    };
    follow(tc.current);
    follow(tc.focus);
    tc.hot = -1;
    Relayout(tc);
    return 1;
}

LRESULT GetItemRect(const TabControl& tc, int index, LPARAM lp) {
    if (!lp || !Valid(tc, index)) return 0;
    *reinterpret_cast<RECT*>(lp) = tc.tabs[static_cast<std::size_t>(index)].rect;
    return 1;
}

LRESULT SetItemSize(TabControl& tc, LPARAM lp) {
    LRESULT previous = MAKELONG(static_cast<WORD>(tc.itemSize.cx), static_cast<WORD>(tc.itemSize.cy));
    tc.itemSize.cx = std::min<int>(LOWORD(static_cast<DWORD_PTR>(lp)), kMaxSize);
    tc.itemSize.cy = std::min<int>(HIWORD(static_cast<DWORD_PTR>(lp)), kMaxSize);
    Relayout(tc);
    return previous;
}

LRESULT Messages(TabControl& tc, UINT m, WPARAM wp, LPARAM lp) {
    int index = static_cast<int>(static_cast<INT_PTR>(wp));
    switch (m) {
        case TCM_INSERTITEMA: return InsertItem<TCITEMA>(tc, index, lp);
        case TCM_INSERTITEMW: return InsertItem<TCITEMW>(tc, index, lp);
        case TCM_SETITEMA: return SetItem<TCITEMA>(tc, index, lp);
        case TCM_SETITEMW: return SetItem<TCITEMW>(tc, index, lp);
        case TCM_GETITEMA: return GetItem<TCITEMA>(tc, index, lp);
        case TCM_GETITEMW: return GetItem<TCITEMW>(tc, index, lp);
        case TCM_DELETEITEM: return DeleteItem(tc, index);
        case TCM_DELETEALLITEMS:
            tc.tabs.clear();
            tc.current = tc.focus = tc.hot = -1;
            tc.firstVisible = 0;
            Relayout(tc);
            return 1;
        case TCM_GETITEMCOUNT: return static_cast<LRESULT>(tc.tabs.size());
        case TCM_GETCURSEL: return tc.current;
        case TCM_SETCURSEL: return SetCurSel(tc, index);
        case TCM_GETCURFOCUS: return tc.focus;
        case TCM_SETCURFOCUS:
            if (!Valid(tc, index)) return 0;
            if (Buttons(tc)) {
                tc.focus = index;
                Redraw(tc);
            } else {
                Choose(tc, index);
            }
            return 0;
        case TCM_ADJUSTRECT:
            if (lp) AdjustRect(tc, wp != 0, *reinterpret_cast<RECT*>(lp));
            return 0;
        case TCM_GETITEMRECT: return GetItemRect(tc, index, lp);
        case TCM_GETROWCOUNT: return tc.rows;
        case TCM_SETPADDING:
            tc.padding = SIZE{LOWORD(static_cast<DWORD_PTR>(lp)), HIWORD(static_cast<DWORD_PTR>(lp))};
            Relayout(tc);
            return 0;
        case TCM_SETITEMSIZE: return SetItemSize(tc, lp);
        case TCM_SETMINTABWIDTH: {
            int previous = tc.minTabWidth;
            tc.minTabWidth = std::min(static_cast<int>(lp), kMaxSize);
            Relayout(tc);
            return previous;
        }
        case TCM_HITTEST: {
            auto* info = reinterpret_cast<TCHITTESTINFO*>(lp);
            return info ? HitTest(tc, info->pt, &info->flags) : -1;
        }
        case TCM_SETIMAGELIST: {
            HIMAGELIST previous = tc.images;
            tc.images = reinterpret_cast<HIMAGELIST>(lp);
            Relayout(tc);
            return reinterpret_cast<LRESULT>(previous);
        }
        case TCM_GETIMAGELIST: return reinterpret_cast<LRESULT>(tc.images);
        case TCM_HIGHLIGHTITEM: {
            if (!Valid(tc, index)) return 0;
            DWORD& state = tc.tabs[static_cast<std::size_t>(index)].state;
            state = LOWORD(static_cast<DWORD_PTR>(lp)) ? (state | TCIS_HIGHLIGHTED) : (state & ~TCIS_HIGHLIGHTED);
            Redraw(tc);
            return 1;
        }
        default: return DefWindowProc(tc.hwnd, m, wp, lp);
    }
}

POINT PointOf(LPARAM lp) { return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }

void NotifyClick(TabControl& tc, UINT code) {
    NMHDR nm;
    SendNotify(tc.hwnd, code, &nm);
}

LRESULT Dispatch(TabControl& tc, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_CREATE: Layout(tc); return 0;
        case WM_PAINT: Paint(tc, reinterpret_cast<HDC>(wp)); return 0;
        case WM_PRINTCLIENT: PaintInto(tc, reinterpret_cast<HDC>(wp)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SIZE: Relayout(tc); return 0;
        case WM_SETFONT:
            tc.font = reinterpret_cast<HFONT>(wp);
            Layout(tc);
            if (lp) Redraw(tc);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(tc.font);
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            tc.focused = m == WM_SETFOCUS;
            Redraw(tc);
            return 0;
        case WM_ENABLE: Redraw(tc); return 0;
        case WM_LBUTTONDOWN: Click(tc, PointOf(lp)); return 0;
        case WM_LBUTTONUP: NotifyClick(tc, NM_CLICK); return 0;
        case WM_RBUTTONUP: NotifyClick(tc, NM_RCLICK); return 0;
        case WM_MOUSEMOVE: TrackHot(tc, PointOf(lp)); return 0;
        case WM_MOUSELEAVE:
            if (tc.hot >= 0) {
                tc.hot = -1;
                Redraw(tc);
            }
            return 0;
        case WM_KEYDOWN: KeyDown(tc, wp); return 0;
        case WM_HSCROLL: Scroll(tc, wp); return 0;
        case WM_STYLECHANGED:
            if (wp == static_cast<WPARAM>(GWL_STYLE)) tc.style = reinterpret_cast<const STYLESTRUCT*>(lp)->styleNew;
            Relayout(tc);
            return 0;
        default: return Messages(tc, m, wp, lp);
    }
}

LRESULT Procedure(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        auto* tc = new TabControl;
        tc->hwnd = hwnd;
        tc->style = static_cast<DWORD>(reinterpret_cast<const CREATESTRUCT*>(lp)->style);
        SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(tc));
        return DefWindowProc(hwnd, m, wp, lp);
    }
    TabControl* tc = Find(hwnd);
    if (!tc) return DefWindowProc(hwnd, m, wp, lp);
    if (m == WM_NCDESTROY) {
        SetWindowLongPtr(hwnd, 0, 0);
        if (tc->busy) tc->destroyed = true;
        else delete tc;
        return DefWindowProc(hwnd, m, wp, lp);
    }
    ++tc->busy;
    LRESULT result = Dispatch(*tc, m, wp, lp);
    if (--tc->busy == 0 && tc->destroyed) delete tc;
    return result;
}

}  // namespace tabs

void RegisterTabControlClass() {
    WNDCLASSEX wc;
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &tabs::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "SysTabControl32";
    RegisterClassEx(&wc);
}

}  // namespace parch::win
