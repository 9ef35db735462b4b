#include "platform/win/MenuItemDraw.h"

#include <algorithm>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/TextLayout.h"
#include "platform/win/Messages.h"
#include "platform/win/NonClient.h"
#include "platform/win/SystemValues.h"

namespace parch::win {

namespace menudraw {

constexpr int kCheckColumn = 17;   // the check mark's column at the left of popup items
constexpr int kArrowColumn = 17;   // the submenu arrow's column at the right
constexpr int kShortcutGap = 16;   // between the label and the shortcut text
constexpr int kSeparatorHeight = 9;
constexpr int kBarPadding = 7;     // either side of a bar item's text
constexpr int kColumnGap = 4;      // between popup columns (room for the bar break's line)

// The menu font, bold for the default item; the caller deletes it.
HFONT MenuFont(bool bold) {
    NONCLIENTMETRICS metrics;
    SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONT font = metrics.lfMenuFont;
    if (bold) font.lfWeight = 700;
    return CreateFontIndirect(&font);
}

// A screen-compatible DC with the menu font, for measuring.
class MeasureDC {
public:
    explicit MeasureDC(bool bold) : dc_(CreateCompatibleDC(nullptr)), font_(MenuFont(bold)) {
        old_ = SelectObject(dc_, font_);
    }
    ~MeasureDC() {
        SelectObject(dc_, old_);
        DeleteObject(font_);
        DeleteDC(dc_);
    }
    MeasureDC(const MeasureDC&) = delete;
    MeasureDC& operator=(const MeasureDC&) = delete;
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_ = nullptr;
};

// The width of a text with '&' prefixes as DrawText shows it.
SIZE TextSize(HDC dc, const std::string& text) {
    RECT r{0, 0, 0, 0};
    if (text.empty()) {
        DrawText(dc, "X", 1, &r, DT_CALCRECT | DT_SINGLELINE);
        return {0, r.bottom - r.top};
    }
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE MeasureOwnerDrawn(HWND owner, const MenuItemRecord& item) {
    MEASUREITEMSTRUCT measure;
    measure.CtlType = ODT_MENU;
    measure.itemID = item.id;
    measure.itemData = item.data;
    measure.itemHeight = static_cast<UINT>(GetSystemMetrics(SM_CYMENU) - 1);
    if (owner) SendMessage(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    return {static_cast<LONG>(std::min<UINT>(measure.itemWidth, 0x7FFF)),
            static_cast<LONG>(std::min<UINT>(measure.itemHeight, 0x7FFF))};
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObject(bitmap, sizeof info, &info)) return {0, 0};
    return {info.bmWidth, std::abs(info.bmHeight)};
}

// The size of an item in a popup, before the column makes all items equally wide.
SIZE PopupItemSize(HWND owner, const MenuItemRecord& item, int& shortcutWidth) {
    if (item.IsSeparator()) return {0, kSeparatorHeight};
    if (item.IsOwnerDraw()) return MeasureOwnerDrawn(owner, item);
    MeasureDC measure((item.state & MFS_DEFAULT) != 0);
    SIZE label = TextSize(measure.dc(), ItemLabel(item.text));
    SIZE shortcut = TextSize(measure.dc(), ItemShortcutText(item.text));
    shortcutWidth = std::max<int>(shortcutWidth, shortcut.cx);
    SIZE picture = BitmapSize(item.bitmap);
    int height = std::max<int>({label.cy + 6, static_cast<int>(picture.cy) + 2, GetSystemMetrics(SM_CYMENU) - 1});
    return {kCheckColumn + std::max<LONG>(label.cx, picture.cx) + kArrowColumn, height};
}

}  // namespace menudraw

MenuLayout LayOutPopupMenu(HWND owner, const MenuSnapshot& menu) {
    using namespace menudraw;
    MenuLayout layout;
    std::vector<SIZE> sizes;
    std::vector<int> shortcut;  // widest shortcut text per column
    std::vector<std::size_t> columnOf;
    for (const MenuItemRecord& item : menu.items) {
        if (shortcut.empty() || (item.StartsColumn() && !sizes.empty())) shortcut.push_back(0);
        columnOf.push_back(shortcut.size() - 1);
        sizes.push_back(PopupItemSize(owner, item, shortcut.back()));
    }
    // Each column is as wide as its widest item plus the shortcut column.
    std::vector<int> width(shortcut.size(), 0);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const MenuItemRecord& item = menu.items[i];
        int extra = (!item.IsOwnerDraw() && shortcut[columnOf[i]] > 0) ? shortcut[columnOf[i]] + kShortcutGap : 0;
        width[columnOf[i]] = std::max<int>(width[columnOf[i]], sizes[i].cx + extra);
    }
    int x = 0;
    int y = 0;
    std::size_t column = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (columnOf[i] != column) {
            x += width[column] + kColumnGap;
            column = columnOf[i];
            y = 0;
        }
        layout.items.push_back({x, y, x + width[column], y + sizes[i].cy});
        y += sizes[i].cy;
        layout.size.cy = std::max<LONG>(layout.size.cy, y);
    }
    layout.size.cx = sizes.empty() ? 0 : x + width[column];
    return layout;
}

MenuLayout LayOutMenuBar(HWND owner, const MenuSnapshot& menu, int width) {
    using namespace menudraw;
    MenuLayout layout;
    int row = GetSystemMetrics(SM_CYMENU);
    int x = 0;
    int y = 0;
    std::size_t rowStart = 0;
    std::size_t justifyFrom = SIZE_MAX;  // items from here on sit at the right end of their row
    auto finishRow = [&](std::size_t end) {
        if (justifyFrom < end) {
            int shift = std::max<int>(0, width - layout.items[end - 1].right);
            for (std::size_t k = justifyFrom; k < end; ++k) OffsetRect(&layout.items[k], shift, 0);
        }
        justifyFrom = SIZE_MAX;
    };
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const MenuItemRecord& item = menu.items[i];
        int w;
        if (item.IsOwnerDraw()) {
            w = MeasureOwnerDrawn(owner, item).cx;
        } else if (item.IsSeparator()) {
            w = kBarPadding;
        } else {
            MeasureDC measure((item.state & MFS_DEFAULT) != 0);
            w = TextSize(measure.dc(), ItemLabel(item.text)).cx + 2 * kBarPadding;
        }
        // A row holds at least one item; a narrow window wraps the rest onto new rows.
        bool wraps = i > rowStart && (x + w > width || item.StartsColumn());
        if (wraps) {
            finishRow(i);
            rowStart = i;
            x = 0;
            y += row;
        }
        if ((item.type & MFT_RIGHTJUSTIFY) && justifyFrom == SIZE_MAX) justifyFrom = i;
        layout.items.push_back({x, y, x + w, y + row});
        x += w;
    }
    finishRow(menu.items.size());
    layout.size = {width, menu.items.empty() ? row : y + row};
    return layout;
}

namespace menudraw {

UINT OwnerDrawState(const MenuItemRecord& item) {
    UINT state = 0;
    if (item.state & MFS_HILITE) state |= ODS_SELECTED;
    if (item.IsDisabled()) state |= ODS_GRAYED | ODS_DISABLED;
    if (item.state & MFS_CHECKED) state |= ODS_CHECKED;
    if (item.state & MFS_DEFAULT) state |= ODS_DEFAULT;
    return state;
}

void DrawOwnerDrawn(HWND owner, HDC dc, HMENU menu, const MenuItemRecord& item, const RECT& rect) {
    if (!owner) return;
    DRAWITEMSTRUCT draw;
    draw.CtlType = ODT_MENU;
    draw.itemID = item.id;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = OwnerDrawState(item);
    draw.hwndItem = reinterpret_cast<HWND>(menu);
    draw.hDC = dc;
    draw.rcItem = rect;
    draw.itemData = item.data;
    // The owner draws with the menu font selected, as it measured with it.
    int saved = SaveDC(dc);
    HFONT font = MenuFont((item.state & MFS_DEFAULT) != 0);
    SelectObject(dc, font);
    SendMessage(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    RestoreDC(dc, saved);
    DeleteObject(font);
}

void DrawSeparator(HDC dc, const RECT& rect) {
    int mid = (rect.top + rect.bottom) / 2 - 1;
    RECT line{rect.left + 1, mid, rect.right - 1, mid + 2};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
}

// A greyed text is embossed, as the classic look has it: a light copy one pixel down and
// right under a shadow copy; a highlighted greyed item shows plain grey text.
void DrawItemText(HDC dc, const std::string& text, RECT r, UINT format, const MenuItemRecord& item, bool inBar) {
    bool hot = (item.state & MFS_HILITE) != 0 && !inBar;
    if (item.IsDisabled()) {
        if (!hot) {
            RECT light = r;
            OffsetRect(&light, 1, 1);
            SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
            DrawText(dc, text.c_str(), static_cast<int>(text.size()), &light, format);
        }
        SetTextColor(dc, GetSysColor(hot ? COLOR_GRAYTEXT : COLOR_3DSHADOW));
    } else {
        SetTextColor(dc, GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    }
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

// The check mark or radio bullet, drawn in the menu text colour on the item's background.
void DrawCheck(HDC dc, const MenuItemRecord& item, const RECT& rect) {
    HBITMAP own = (item.state & MFS_CHECKED) ? item.checked : item.unchecked;
    int size = GetSystemMetrics(SM_CXMENUCHECK);
    int top = (rect.top + rect.bottom - size) / 2;
    RECT box{rect.left + (kCheckColumn - size) / 2, top, rect.left + (kCheckColumn - size) / 2 + size, top + size};
    if (own) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, own);
        SIZE s = BitmapSize(own);
        BitBlt(dc, box.left, box.top, s.cx, s.cy, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        return;
    }
    if (!(item.state & MFS_CHECKED)) return;
    UINT kind = (item.type & MFT_RADIOCHECK) ? DFCS_MENUBULLET : DFCS_MENUCHECK;
    DrawFrameControl(dc, &box, DFC_MENU, kind | (item.IsDisabled() ? DFCS_INACTIVE : 0) |
                                             ((item.state & MFS_HILITE) ? DFCS_CHECKED : 0));
}

void DrawBitmapItem(HDC dc, const MenuItemRecord& item, const RECT& r) {
    SIZE s = BitmapSize(item.bitmap);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, item.bitmap);
    BitBlt(dc, r.left, (r.top + r.bottom - s.cy) / 2, s.cx, s.cy, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

}  // namespace menudraw

void PaintMenuItem(HWND owner, HDC dc, const MenuSnapshot& menu, int position, const RECT& rect, bool inBar) {
    using namespace menudraw;
    if (position < 0 || position >= static_cast<int>(menu.items.size())) return;
    const MenuItemRecord& item = menu.items[static_cast<std::size_t>(position)];
    if (item.IsOwnerDraw()) {
        DrawOwnerDrawn(owner, dc, menu.handle, item, rect);
        return;
    }
    bool hot = (item.state & MFS_HILITE) != 0;
    if (inBar) {
        FillWithSysColor(dc, rect, COLOR_MENU);
    } else {
        FillWithSysColor(dc, rect, hot ? COLOR_HIGHLIGHT : COLOR_MENU);
    }
    if (item.IsSeparator()) {
        if (!inBar) DrawSeparator(dc, rect);
        return;
    }
    int saved = SaveDC(dc);
    HFONT font = MenuFont((item.state & MFS_DEFAULT) != 0);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    if (inBar) {
        // A chosen bar item looks pressed: a sunken edge, the text one pixel down and right.
        RECT text = rect;
        if (hot) {
            RECT edge = rect;
            DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
            OffsetRect(&text, 1, 1);
        }
        if (item.bitmap) DrawBitmapItem(dc, item, {text.left + kBarPadding, text.top, text.right, text.bottom});
        else DrawItemText(dc, ItemLabel(item.text), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, item, true);
    } else {
        DrawCheck(dc, item, rect);
        RECT text{rect.left + kCheckColumn, rect.top, rect.right - kArrowColumn, rect.bottom};
        if (item.bitmap) DrawBitmapItem(dc, item, text);
        else DrawItemText(dc, ItemLabel(item.text), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE, item, false);
        std::string shortcut = ItemShortcutText(item.text);
        if (!shortcut.empty())
            DrawItemText(dc, shortcut, text, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, item, false);
        if (item.subMenu) {
            int size = GetSystemMetrics(SM_CXMENUCHECK);
            int top = (rect.top + rect.bottom - size) / 2;
            RECT arrow{rect.right - kArrowColumn + (kArrowColumn - size) / 2, top, 0, top + size};
            arrow.right = arrow.left + size;
            DrawFrameControl(dc, &arrow, DFC_MENU, DFCS_MENUARROW | (hot ? DFCS_CHECKED : 0) |
                                                       (item.IsDisabled() ? DFCS_INACTIVE : 0));
        }
    }
    RestoreDC(dc, saved);
    DeleteObject(font);
}

void PaintColumnBreak(HDC dc, const RECT& item, int height) {
    RECT gap{item.left - menudraw::kColumnGap, 0, item.left, height};
    FillWithSysColor(dc, gap, COLOR_MENU);
    RECT line{item.left - menudraw::kColumnGap / 2 - 1, 0, item.left - menudraw::kColumnGap / 2 + 1, height};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
}

}  // namespace parch::win
