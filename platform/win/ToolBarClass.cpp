#include "platform/win/ToolBarClass.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/NonClient.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace toolbar {

constexpr int kSeparatorWidth = 8;
constexpr int kArrowWidth = 14;  // the drop-down arrow's part
constexpr int kDividerHeight = 2;
constexpr SIZE kDefaultBitmapSize{16, 15};

struct Button {
    int image = 0;
    int command = 0;
    BYTE state = TBSTATE_ENABLED;
    BYTE style = BTNS_BUTTON;
    DWORD_PTR data = 0;
    std::string text;
    bool hasText = false;
    int width = 0;  // TBIF_SIZE; 0: worked out
    RECT rect{};    // from the last layout
};

struct ToolData {
    std::vector<Button> buttons;
    UINT structSize = sizeof(TBBUTTON);
    HIMAGELIST images = nullptr;
    HIMAGELIST hotImages = nullptr;
    HIMAGELIST disabledImages = nullptr;
    SIZE bitmapSize = kDefaultBitmapSize;
    SIZE buttonSize{0, 0};  // TB_SETBUTTONSIZE; 0: worked out
    DWORD extendedStyle = 0;
    int indent = 0;
    int maxTextRows = 1;
    int rows = 1;
    int hot = -1;
    int pressed = -1;    // the button held down with the mouse
    bool inside = false;  // the mouse is over the held button
    HFONT font = nullptr;
    bool tracking = false;  // TME_LEAVE asked for
    bool placing = false;
};

ToolData* Data(HWND hwnd) { return reinterpret_cast<ToolData*>(GetWindowLongPtr(hwnd, 0)); }
DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }
bool IsSeparator(const Button& b) { return (b.style & BTNS_SEP) != 0; }
bool IsHidden(const Button& b) { return (b.state & TBSTATE_HIDDEN) != 0; }
bool IsEnabled(const Button& b) { return (b.state & TBSTATE_ENABLED) != 0; }

HGDIOBJ FontOf(const ToolData& data) {
    return data.font ? static_cast<HGDIOBJ>(data.font) : GetStockObject(DEFAULT_GUI_FONT);
}

bool HasArrowPart(const ToolData& data, const Button& b) {
    if (b.style & BTNS_WHOLEDROPDOWN) return true;
    return (b.style & BTNS_DROPDOWN) && (data.extendedStyle & TBSTYLE_EX_DRAWDDARROWS);
}

// With the split arrow the arrow is its own part; a whole drop-down draws it inside.
bool HasSplitArrow(const ToolData& data, const Button& b) {
    return !(b.style & BTNS_WHOLEDROPDOWN) && (b.style & BTNS_DROPDOWN) &&
           (data.extendedStyle & TBSTYLE_EX_DRAWDDARROWS);
}

bool ShowsText(HWND hwnd, const ToolData& data, const Button& b) {
    if (!b.hasText || b.text.empty() || data.maxTextRows <= 0) return false;
    if ((Style(hwnd) & TBSTYLE_LIST) && (data.extendedStyle & TBSTYLE_EX_MIXEDBUTTONS))
        return (b.style & BTNS_SHOWTEXT) != 0;
    return true;
}

SIZE TextSize(HWND hwnd, const ToolData& data, const std::string& text) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, FontOf(data));
    SIZE size{0, 0};
    GetTextExtentPoint32(dc, text.empty() ? "X" : text.c_str(), text.empty() ? 1 : static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    if (text.empty()) size.cx = 0;
    return size;
}

bool AnyText(HWND hwnd, const ToolData& data) {
    return std::any_of(data.buttons.begin(), data.buttons.end(),
                       [&](const Button& b) { return ShowsText(hwnd, data, b); });
}

// The size every (not auto-sized) button shares: the picture and, below or beside it, the
// widest text; never less than TB_SETBUTTONSIZE asked for.
SIZE CommonButtonSize(HWND hwnd, const ToolData& data) {
    const bool list = (Style(hwnd) & TBSTYLE_LIST) != 0;
    int textWidth = 0;
    int textHeight = 0;
    for (const Button& b : data.buttons) {
        if (!ShowsText(hwnd, data, b) || IsSeparator(b)) continue;
        const SIZE size = TextSize(hwnd, data, b.text);
        textWidth = std::max<int>(textWidth, size.cx);
        textHeight = std::max<int>(textHeight, size.cy);
    }
    SIZE size{data.bitmapSize.cx + 7, data.bitmapSize.cy + 7};
    if (textWidth > 0) {
        if (list) {
            size.cx += textWidth + 4;
            size.cy = std::max<LONG>(size.cy, textHeight + 6);
        } else {
            size.cx = std::max<LONG>(size.cx, textWidth + 6);
            size.cy += textHeight + 1;
        }
    }
    return SIZE{std::max(size.cx, data.buttonSize.cx), std::max(size.cy, data.buttonSize.cy)};
}

int ButtonWidth(HWND hwnd, const ToolData& data, const Button& b, SIZE common) {
    if (IsSeparator(b)) return b.image > 0 ? b.image : kSeparatorWidth;
    if (b.width > 0) return b.width;
    int width = common.cx;
    if (b.style & BTNS_AUTOSIZE) {
        const bool list = (Style(hwnd) & TBSTYLE_LIST) != 0;
        const int text = ShowsText(hwnd, data, b) ? TextSize(hwnd, data, b.text).cx : 0;
        width = list ? data.bitmapSize.cx + 7 + (text ? text + 4 : 0) : std::max(data.bitmapSize.cx + 7, text + 6);
    }
    if (HasArrowPart(data, b)) width += kArrowWidth;
    return width;
}

int TopMargin(HWND hwnd) { return (Style(hwnd) & CCS_NODIVIDER) ? 0 : kDividerHeight; }

// Lays the buttons out in rows; a wrapable bar starts a new row where the next button would
// pass the right edge, marking the last button of the row with TBSTATE_WRAP.
void Layout(HWND hwnd) {
    ToolData* data = Data(hwnd);
    if (!data) return;
    RECT client{};
    GetClientRect(hwnd, &client);
    const SIZE common = CommonButtonSize(hwnd, *data);
    const bool wrapable = (Style(hwnd) & TBSTYLE_WRAPABLE) != 0;
    int x = data->indent;
    int y = TopMargin(hwnd);
    data->rows = 1;
    Button* previous = nullptr;
    for (Button& b : data->buttons) {
        if (IsHidden(b)) {
            b.rect = RECT{x, y, x, y};
            continue;
        }
        const int width = ButtonWidth(hwnd, *data, b, common);
        if (wrapable && previous) {
            if (x + width > client.right && x > data->indent) previous->state |= TBSTATE_WRAP;
            else previous->state &= static_cast<BYTE>(~TBSTATE_WRAP);
        }
        if (previous && (previous->state & TBSTATE_WRAP)) {
            x = data->indent;
            y += common.cy;
            ++data->rows;
        }
        b.rect = RECT{x, y, x + width, y + common.cy};
        x += width;
        previous = &b;
    }
    if (wrapable && previous) previous->state &= static_cast<BYTE>(~TBSTATE_WRAP);
}

int BarHeight(HWND hwnd, const ToolData& data) {
    return TopMargin(hwnd) + data.rows * CommonButtonSize(hwnd, data).cy + 2;
}

void AutoSize(HWND hwnd) {
    ToolData* data = Data(hwnd);
    if (!data || data->placing) return;
    data->placing = true;
    Layout(hwnd);
    PlaceBarAlongParent(hwnd, BarHeight(hwnd, *data), false);
    Layout(hwnd);  // the width may have changed the rows
    PlaceBarAlongParent(hwnd, BarHeight(hwnd, *data), false);
    data->placing = false;
    InvalidateRect(hwnd, nullptr, 1);
}

void Changed(HWND hwnd) {
    Layout(hwnd);
    InvalidateRect(hwnd, nullptr, 1);
}

int IndexOf(const ToolData& data, int command) {
    for (std::size_t i = 0; i < data.buttons.size(); ++i)
        if (data.buttons[i].command == command) return static_cast<int>(i);
    return -1;
}

Button* ByCommand(HWND hwnd, WPARAM command) {
    ToolData* data = Data(hwnd);
    if (!data) return nullptr;
    const int index = IndexOf(*data, static_cast<int>(command));
    return index < 0 ? nullptr : &data->buttons[static_cast<std::size_t>(index)];
}

// The button (not a separator, not hidden) under a client point, -1 for none.
int ButtonAt(const ToolData& data, POINT p) {
    for (std::size_t i = 0; i < data.buttons.size(); ++i) {
        const Button& b = data.buttons[i];
        if (!IsHidden(b) && !IsSeparator(b) && PtInRect(&b.rect, p)) return static_cast<int>(i);
    }
    return -1;
}

// ---- buttons in and out ----

template <typename Char>
std::string TextFrom(INT_PTR value) {
    if (value < 0x10000 && value > -1) return {};
    if (value == -1) return {};
    if constexpr (sizeof(Char) == 1) return reinterpret_cast<const char*>(value);
    else return Utf8FromUtf16(reinterpret_cast<const char16_t*>(value));
}

Button FromRecord(const TBBUTTON& record, std::string text) {
    Button b;
    b.image = record.iBitmap;
    b.command = record.idCommand;
    b.state = record.fsState;
    b.style = record.fsStyle;
    b.data = record.dwData;
    b.hasText = !(record.iString == -1 || (record.iString >= 0 && record.iString < 0x10000));
    b.text = std::move(text);
    return b;
}

// Reads `count` records laid out at the size TB_BUTTONSTRUCTSIZE gave.
template <typename Char>
std::vector<Button> ReadRecords(const ToolData& data, const void* records, std::size_t count) {
    std::vector<Button> buttons;
    const auto* bytes = static_cast<const unsigned char*>(records);
    const std::size_t stride = data.structSize;
    for (std::size_t i = 0; i < count; ++i) {
        TBBUTTON record;
        std::memcpy(&record, bytes + i * stride, std::min<std::size_t>(stride, sizeof record));
        buttons.push_back(FromRecord(record, TextFrom<Char>(record.iString)));
    }
    return buttons;
}

template <typename Char>
LRESULT Insert(HWND hwnd, std::ptrdiff_t at, const void* records, std::size_t count) {
    ToolData* data = Data(hwnd);
    if (!data || !records || data->structSize == 0) return 0;
    std::vector<Button> buttons = ReadRecords<Char>(*data, records, count);
    if (at < 0 || at > static_cast<std::ptrdiff_t>(data->buttons.size())) at = static_cast<std::ptrdiff_t>(data->buttons.size());
    data->buttons.insert(data->buttons.begin() + at, buttons.begin(), buttons.end());
    data->hot = -1;
    Changed(hwnd);
    return 1;
}

LRESULT Delete(HWND hwnd, WPARAM index) {
    ToolData* data = Data(hwnd);
    if (!data || index >= data->buttons.size()) return 0;
    data->buttons.erase(data->buttons.begin() + static_cast<std::ptrdiff_t>(index));
    data->hot = -1;
    if (data->pressed >= 0) {
        data->pressed = -1;
        if (GetCapture() == hwnd) ReleaseCapture();
    }
    Changed(hwnd);
    return 1;
}

LRESULT GetButton(HWND hwnd, WPARAM index, LPARAM lParam) {
    ToolData* data = Data(hwnd);
    auto* out = reinterpret_cast<TBBUTTON*>(lParam);
    if (!data || !out || index >= data->buttons.size()) return 0;
    const Button& b = data->buttons[index];
    *out = TBBUTTON{};
    out->iBitmap = b.image;
    out->idCommand = b.command;
    out->fsState = b.state;
    out->fsStyle = b.style;
    out->dwData = b.data;
    out->iString = b.hasText ? reinterpret_cast<INT_PTR>(b.text.c_str()) : -1;
    return 1;
}

// Length in the form's units; a null buffer only asks for it.
template <typename Char>
LRESULT GetText(HWND hwnd, WPARAM command, LPARAM lParam) {
    const Button* b = ByCommand(hwnd, command);
    if (!b) return -1;
    auto* out = reinterpret_cast<Char*>(lParam);
    if constexpr (sizeof(Char) == 1) {
        if (out) {
            std::copy(b->text.begin(), b->text.end(), out);
            out[b->text.size()] = 0;
        }
        return static_cast<LRESULT>(b->text.size());
    } else {
        const std::u16string text = Utf16FromUtf8(b->text);
        if (out) {
            std::copy(text.begin(), text.end(), out);
            out[text.size()] = 0;
        }
        return static_cast<LRESULT>(text.size());
    }
}

template <typename Char>
Button* InfoTarget(HWND hwnd, WPARAM which, const TBBUTTONINFOT<Char>& info, int& index) {
    ToolData* data = Data(hwnd);
    if (!data) return nullptr;
    index = (info.dwMask & TBIF_BYINDEX) ? static_cast<int>(which) : IndexOf(*data, static_cast<int>(which));
    if (index < 0 || index >= static_cast<int>(data->buttons.size())) return nullptr;
    return &data->buttons[static_cast<std::size_t>(index)];
}

template <typename Char>
LRESULT GetInfo(HWND hwnd, WPARAM which, LPARAM lParam) {
    auto* info = reinterpret_cast<TBBUTTONINFOT<Char>*>(lParam);
    int index = -1;
    const Button* b = info ? InfoTarget(hwnd, which, *info, index) : nullptr;
    if (!b) return -1;
    if (info->dwMask & TBIF_COMMAND) info->idCommand = b->command;
    if (info->dwMask & TBIF_IMAGE) info->iImage = b->image;
    if (info->dwMask & TBIF_STATE) info->fsState = b->state;
    if (info->dwMask & TBIF_STYLE) info->fsStyle = b->style;
    if (info->dwMask & TBIF_LPARAM) info->lParam = b->data;
    if (info->dwMask & TBIF_SIZE) info->cx = static_cast<WORD>(b->rect.right - b->rect.left);
    if ((info->dwMask & TBIF_TEXT) && info->pszText && info->cchText > 0) {
        std::basic_string<Char> text;
        if constexpr (sizeof(Char) == 1) text = b->text;
        else text = Utf16FromUtf8(b->text);
        const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(info->cchText - 1));
        std::copy_n(text.begin(), n, info->pszText);
        info->pszText[n] = 0;
    }
    return index;
}

template <typename Char>
LRESULT SetInfo(HWND hwnd, WPARAM which, LPARAM lParam) {
    const auto* info = reinterpret_cast<const TBBUTTONINFOT<Char>*>(lParam);
    int index = -1;
    Button* b = info ? InfoTarget(hwnd, which, *info, index) : nullptr;
    if (!b) return 0;
    if (info->dwMask & TBIF_COMMAND) b->command = info->idCommand;
    if (info->dwMask & TBIF_IMAGE) b->image = info->iImage;
    if (info->dwMask & TBIF_STATE) b->state = info->fsState;
    if (info->dwMask & TBIF_STYLE) b->style = info->fsStyle;
    if (info->dwMask & TBIF_LPARAM) b->data = info->lParam;
    if (info->dwMask & TBIF_SIZE) b->width = info->cx;
    if (info->dwMask & TBIF_TEXT) {
        b->hasText = info->pszText != nullptr;
        b->text = TextFrom<Char>(reinterpret_cast<INT_PTR>(info->pszText));
    }
    Changed(hwnd);
    return 1;
}

// ---- states ----

LRESULT SetState(HWND hwnd, WPARAM command, BYTE state) {
    Button* b = ByCommand(hwnd, command);
    if (!b) return 0;
    const bool placeChanged = ((b->state ^ state) & (TBSTATE_HIDDEN | TBSTATE_WRAP)) != 0;
    b->state = state;
    ToolData* data = Data(hwnd);
    if (data && data->hot >= 0 && !IsEnabled(data->buttons[static_cast<std::size_t>(data->hot)])) data->hot = -1;
    if (placeChanged) Layout(hwnd);
    InvalidateRect(hwnd, nullptr, 1);
    return 1;
}

LRESULT ChangeState(HWND hwnd, WPARAM command, BYTE flag, bool on) {
    const Button* b = ByCommand(hwnd, command);
    if (!b) return 0;
    return SetState(hwnd, command, on ? static_cast<BYTE>(b->state | flag) : static_cast<BYTE>(b->state & ~flag));
}

LRESULT HasState(HWND hwnd, WPARAM command, BYTE flag) {
    const Button* b = ByCommand(hwnd, command);
    if (!b) return -1;
    return (b->state & flag) != 0;
}

// The run of check-group buttons around `index` (next to each other, no separator between).
std::pair<std::size_t, std::size_t> GroupAround(const ToolData& data, std::size_t index) {
    auto inGroup = [&](std::size_t i) {
        return (data.buttons[i].style & BTNS_CHECKGROUP) == BTNS_CHECKGROUP;
    };
    std::size_t first = index;
    while (first > 0 && inGroup(first - 1)) --first;
    std::size_t last = index;
    while (last + 1 < data.buttons.size() && inGroup(last + 1)) ++last;
    return {first, last};
}

// A check button toggles; a group button is checked and its group's others unchecked.
void Toggle(ToolData& data, std::size_t index) {
    Button& b = data.buttons[index];
    if ((b.style & BTNS_CHECKGROUP) == BTNS_CHECKGROUP) {
        const auto [first, last] = GroupAround(data, index);
        for (std::size_t i = first; i <= last; ++i) data.buttons[i].state &= static_cast<BYTE>(~TBSTATE_CHECKED);
        b.state |= TBSTATE_CHECKED;
    } else if (b.style & BTNS_CHECK) {
        b.state ^= TBSTATE_CHECKED;
    }
}

LRESULT CheckButton(HWND hwnd, WPARAM command, bool check) {
    ToolData* data = Data(hwnd);
    const int index = data ? IndexOf(*data, static_cast<int>(command)) : -1;
    if (index < 0) return 0;
    Button& b = data->buttons[static_cast<std::size_t>(index)];
    if (check && (b.style & BTNS_CHECKGROUP) == BTNS_CHECKGROUP) Toggle(*data, static_cast<std::size_t>(index));
    else if (check) b.state |= TBSTATE_CHECKED;
    else b.state &= static_cast<BYTE>(~TBSTATE_CHECKED);
    InvalidateRect(hwnd, nullptr, 1);
    return 1;
}

// ---- painting ----

HIMAGELIST ImagesFor(const ToolData& data, const Button& b, bool hot) {
    if (!IsEnabled(b) && data.disabledImages) return data.disabledImages;
    if (hot && data.hotImages) return data.hotImages;
    return data.images;
}

// Without a disabled list a disabled picture is embossed: its shape in the light colour one
// pixel down and right, and in the shadow colour over it.
void DrawDisabledImage(HDC dc, HIMAGELIST list, int index, int x, int y) {
    int cx = 0;
    int cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateBitmap(cx, cy, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const COLORREF key = RGB(255, 0, 255);
    HBRUSH keyBrush = CreateSolidBrush(key);
    RECT all{0, 0, cx, cy};
    FillRect(memory, &all, keyBrush);
    DeleteObject(keyBrush);
    ImageList_Draw(list, index, memory, 0, 0, ILD_TRANSPARENT);
    const COLORREF light = GetSysColor(COLOR_3DHILIGHT);
    const COLORREF shadow = GetSysColor(COLOR_3DSHADOW);
    std::vector<bool> shape(static_cast<std::size_t>(cx) * cy);
    for (int py = 0; py < cy; ++py)
        for (int px = 0; px < cx; ++px) {
            const COLORREF c = GetPixel(memory, px, py);
            // Pale pixels drop out, as the classic look has it.
            const int luma = (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c)) / 10;
            shape[static_cast<std::size_t>(py) * cx + px] = c != key && luma < 192;
        }
    for (int py = 0; py < cy; ++py)
        for (int px = 0; px < cx; ++px)
            if (shape[static_cast<std::size_t>(py) * cx + px]) SetPixel(dc, x + px + 1, y + py + 1, light);
    for (int py = 0; py < cy; ++py)
        for (int px = 0; px < cx; ++px)
            if (shape[static_cast<std::size_t>(py) * cx + px]) SetPixel(dc, x + px, y + py, shadow);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

void DrawArrow(HDC dc, const RECT& part, bool enabled) {
    const int cx = (part.left + part.right) / 2;
    const int cy = (part.top + part.bottom) / 2 - 1;
    const COLORREF color = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    for (int row = 0; row < 3; ++row) {
        RECT line{cx - 2 + row, cy + row, cx + 3 - row, cy + row + 1};
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &line, brush);
        DeleteObject(brush);
    }
}

UINT ItemState(const ToolData& data, const Button& b, int index) {
    UINT state = 0;
    if (b.state & TBSTATE_PRESSED) state |= CDIS_SELECTED;
    if (b.state & TBSTATE_CHECKED) state |= CDIS_CHECKED;
    if (!IsEnabled(b)) state |= CDIS_DISABLED;
    if (b.state & TBSTATE_INDETERMINATE) state |= CDIS_INDETERMINATE;
    if (b.state & TBSTATE_MARKED) state |= CDIS_MARKED;
    if (index == data.hot) state |= CDIS_HOT;
    return state;
}

void DrawEdges(HWND hwnd, HDC dc, RECT r, const Button& b, bool hot) {
    const bool flat = (Style(hwnd) & TBSTYLE_FLAT) != 0;
    const bool down = (b.state & (TBSTATE_PRESSED | TBSTATE_CHECKED)) != 0;
    if (b.state & TBSTATE_CHECKED && !(b.state & TBSTATE_PRESSED)) {
        RECT inside = r;
        InflateRect(&inside, -1, -1);
        FillWithSysColor(dc, inside, COLOR_3DHILIGHT);
    }
    if (flat) {
        if (down) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        else if (hot) DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    } else {
        DrawEdge(dc, &r, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    }
}

void DrawContent(HWND hwnd, HDC dc, const ToolData& data, const Button& b, RECT r, bool hot) {
    const bool list = (Style(hwnd) & TBSTYLE_LIST) != 0;
    const bool down = (b.state & (TBSTATE_PRESSED | TBSTATE_CHECKED)) != 0;
    if (down) OffsetRect(&r, 1, 1);
    HIMAGELIST images = ImagesFor(data, b, hot);
    const bool hasImage = images && b.image >= 0 && b.image < ImageList_GetImageCount(images);
    const int imageX = list ? r.left + 3 : (r.left + r.right - data.bitmapSize.cx) / 2;
    const bool text = ShowsText(hwnd, data, b);
    const int imageY = (list || !text) ? (r.top + r.bottom - data.bitmapSize.cy) / 2 : r.top + 3;
    if (hasImage) {
        if (!IsEnabled(b) && !data.disabledImages) DrawDisabledImage(dc, images, b.image, imageX, imageY);
        else ImageList_Draw(images, b.image, dc, imageX, imageY, ILD_TRANSPARENT);
    }
    if (!text) return;
    RECT box = r;
    if (list) box.left = (images ? imageX + data.bitmapSize.cx : r.left) + 2;
    else box.top = imageY + data.bitmapSize.cy + 1;
    SetBkMode(dc, TRANSPARENT);
    const UINT format = (list ? DT_LEFT | DT_VCENTER : DT_CENTER | DT_TOP) | DT_SINGLELINE | DT_END_ELLIPSIS |
                        ((b.style & BTNS_NOPREFIX) ? DT_NOPREFIX : 0);
    if (!IsEnabled(b)) {
        RECT shifted = box;
        OffsetRect(&shifted, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawText(dc, b.text.c_str(), -1, &shifted, format);
        SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
    } else {
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    }
    DrawText(dc, b.text.c_str(), -1, &box, format);
}

void PaintSeparator(HWND hwnd, HDC dc, const Button& b) {
    if (!(Style(hwnd) & TBSTYLE_FLAT)) return;
    const int x = (b.rect.left + b.rect.right) / 2 - 1;
    RECT line{x, b.rect.top + 2, x + 2, b.rect.bottom - 2};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
}

void PaintButton(HWND hwnd, HDC dc, const ToolData& data, const Button& b, int index, LRESULT answer) {
    const bool hot = index == data.hot && IsEnabled(b);
    RECT r = b.rect;
    RECT arrow{};
    if (HasSplitArrow(data, b)) {
        arrow = RECT{r.right - kArrowWidth, r.top, r.right, r.bottom};
        r.right = arrow.left;
    } else if (b.style & BTNS_WHOLEDROPDOWN) {
        arrow = RECT{r.right - kArrowWidth, r.top, r.right, r.bottom};
    }
    if (!(answer & TBCDRF_NOEDGES)) {
        DrawEdges(hwnd, dc, r, b, hot);
        if (HasSplitArrow(data, b)) {
            Button arrowLook = b;
            arrowLook.state &= static_cast<BYTE>(~TBSTATE_CHECKED);
            if (data.pressed != index) arrowLook.state &= static_cast<BYTE>(~TBSTATE_PRESSED);
            DrawEdges(hwnd, dc, arrow, arrowLook, hot);
        }
    }
    RECT content = r;
    if (b.style & BTNS_WHOLEDROPDOWN) content.right -= kArrowWidth;
    DrawContent(hwnd, dc, data, b, content, hot);
    if (arrow.right > arrow.left) DrawArrow(dc, arrow, IsEnabled(b));
}

void FillBackground(HWND hwnd, HDC dc, const RECT& client) {
    HWND parent = GetParent(hwnd);
    if ((Style(hwnd) & TBSTYLE_TRANSPARENT) && parent) {
        // The parent paints what lies behind, in its own coordinates.
        POINT origin{0, 0};
        MapWindowPoints(hwnd, parent, &origin, 1);
        POINT previous{};
        OffsetWindowOrgEx(dc, origin.x, origin.y, &previous);
        SendMessage(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        SetWindowOrgEx(dc, previous.x, previous.y, nullptr);
        return;
    }
    FillWithSysColor(dc, client, COLOR_3DFACE);
}

void Paint(HWND hwnd, HDC dc) {
    ToolData* data = Data(hwnd);
    if (!data) return;
    const int saved = SaveDC(dc);
    RECT client{};
    GetClientRect(hwnd, &client);
    SelectObject(dc, FontOf(*data));
    NMTBCUSTOMDRAW draw;
    draw.nmcd.hdc = dc;
    draw.nmcd.rc = client;
    draw.clrText = GetSysColor(COLOR_BTNTEXT);
    draw.clrBtnFace = GetSysColor(COLOR_3DFACE);
    draw.clrBtnHighlight = GetSysColor(COLOR_3DHILIGHT);
    const LRESULT prepaint = SendCustomDraw(hwnd, draw.nmcd, CDDS_PREPAINT);
    if (!(prepaint & CDRF_SKIPDEFAULT)) {
        FillBackground(hwnd, dc, client);
        if (!(Style(hwnd) & CCS_NODIVIDER)) {
            RECT divider{client.left, 0, client.right, kDividerHeight};
            DrawEdge(dc, &divider, EDGE_ETCHED, BF_TOP);
        }
        for (std::size_t i = 0; i < data->buttons.size(); ++i) {
            const Button& b = data->buttons[i];
            if (IsHidden(b)) continue;
            if (IsSeparator(b)) {
                PaintSeparator(hwnd, dc, b);
                continue;
            }
            LRESULT answer = CDRF_DODEFAULT;
            if (prepaint & CDRF_NOTIFYITEMDRAW) {
                draw.nmcd.dwItemSpec = static_cast<UINT_PTR>(b.command);
                draw.nmcd.rc = b.rect;
                draw.nmcd.uItemState = ItemState(*data, b, static_cast<int>(i));
                draw.nmcd.lItemlParam = static_cast<LPARAM>(b.data);
                draw.rcText = b.rect;
                answer = SendCustomDraw(hwnd, draw.nmcd, CDDS_ITEMPREPAINT);
            }
            if (!(answer & CDRF_SKIPDEFAULT)) PaintButton(hwnd, dc, *data, b, static_cast<int>(i), answer);
            if (answer & CDRF_NOTIFYPOSTPAINT) SendCustomDraw(hwnd, draw.nmcd, CDDS_ITEMPOSTPAINT);
        }
    }
    if (prepaint & CDRF_NOTIFYPOSTPAINT) {
        draw.nmcd.dwItemSpec = 0;
        draw.nmcd.rc = client;
        draw.nmcd.uItemState = 0;
        draw.nmcd.lItemlParam = 0;
        SendCustomDraw(hwnd, draw.nmcd, CDDS_POSTPAINT);
    }
    RestoreDC(dc, saved);
}

void PaintMessage(HWND hwnd, HDC given) {
    PaintControl(hwnd, given, [hwnd](HDC dc) { Paint(hwnd, dc); });
}

// ---- mouse ----

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

void SetHot(HWND hwnd, int index) {
    ToolData* data = Data(hwnd);
    if (!data || data->hot == index) return;
    data->hot = index;
    InvalidateRect(hwnd, nullptr, 1);
}

bool CanBeHot(HWND hwnd, const ToolData& data, int index) {
    if (!(Style(hwnd) & TBSTYLE_FLAT) || index < 0 || index >= static_cast<int>(data.buttons.size())) return false;
    const Button& b = data.buttons[static_cast<std::size_t>(index)];
    return IsEnabled(b) && !IsSeparator(b) && !IsHidden(b);
}

void MouseMove(HWND hwnd, LPARAM lParam) {
    ToolData* data = Data(hwnd);
    if (!data) return;
    const int index = ButtonAt(*data, PointOf(lParam));
    if (data->pressed >= 0) {
        Button& b = data->buttons[static_cast<std::size_t>(data->pressed)];
        const bool inside = index == data->pressed;
        if (inside != data->inside) {
            data->inside = inside;
            if (inside) b.state |= TBSTATE_PRESSED;
            else b.state &= static_cast<BYTE>(~TBSTATE_PRESSED);
            InvalidateRect(hwnd, nullptr, 1);
        }
        return;
    }
    SetHot(hwnd, CanBeHot(hwnd, *data, index) ? index : -1);
    if (!data->tracking) {
        TRACKMOUSEEVENT track;
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = hwnd;
        data->tracking = TrackMouseEvent(&track) != 0;
    }
}

void MouseLeave(HWND hwnd) {
    ToolData* data = Data(hwnd);
    if (!data) return;
    data->tracking = false;
    if (data->pressed < 0) SetHot(hwnd, -1);
}

void NotifyClick(HWND hwnd, int index, POINT p) {
    ToolData* data = Data(hwnd);
    NMMOUSE mouse;
    mouse.pt = p;
    mouse.dwItemSpec = static_cast<UINT_PTR>(-1);
    if (data && index >= 0) {
        mouse.dwItemSpec = static_cast<UINT_PTR>(data->buttons[static_cast<std::size_t>(index)].command);
        mouse.dwItemData = data->buttons[static_cast<std::size_t>(index)].data;
    }
    SendNotify(hwnd, NM_CLICK, &mouse.hdr);
}

// TBN_DROPDOWN for a drop-down's arrow; the answer says whether to go on as for a press.
bool DropDown(HWND hwnd, ToolData& data, int index) {
    Button& b = data.buttons[static_cast<std::size_t>(index)];
    NMTOOLBAR note;
    note.iItem = b.command;
    GetButton(hwnd, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&note.tbButton));
    note.rcButton = b.rect;
    const int command = b.command;
    b.state |= TBSTATE_PRESSED;  // pressed while the parent's menu runs
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const LRESULT answer = SendNotify(hwnd, TBN_DROPDOWN, &note.hdr);
    // The parent may have changed the buttons meanwhile.
    const int now = IndexOf(data, command);
    if (now >= 0) data.buttons[static_cast<std::size_t>(now)].state &= static_cast<BYTE>(~TBSTATE_PRESSED);
    InvalidateRect(hwnd, nullptr, 1);
    return answer == TBDDRET_TREATPRESSED && now == index;
}

bool OnArrow(const ToolData& data, const Button& b, POINT p) {
    if (b.style & BTNS_WHOLEDROPDOWN) return true;
    if (!(b.style & BTNS_DROPDOWN)) return false;
    if (!(data.extendedStyle & TBSTYLE_EX_DRAWDDARROWS)) return true;
    return p.x >= b.rect.right - kArrowWidth;
}

void ButtonDown(HWND hwnd, LPARAM lParam) {
    ToolData* data = Data(hwnd);
    if (!data) return;
    const POINT p = PointOf(lParam);
    const int index = ButtonAt(*data, p);
    if (index < 0) {
        NotifyClick(hwnd, -1, p);
        return;
    }
    const Button& b = data->buttons[static_cast<std::size_t>(index)];
    if (!IsEnabled(b)) return;
    if (OnArrow(*data, b, p) && !DropDown(hwnd, *data, index)) return;
    data->pressed = index;
    data->inside = true;
    data->buttons[static_cast<std::size_t>(index)].state |= TBSTATE_PRESSED;
    SetCapture(hwnd);
    InvalidateRect(hwnd, nullptr, 1);
}

void ButtonUp(HWND hwnd, LPARAM lParam) {
    ToolData* data = Data(hwnd);
    if (!data || data->pressed < 0) return;
    const int index = data->pressed;
    const bool inside = data->inside;
    data->pressed = -1;
    data->inside = false;
    Button& b = data->buttons[static_cast<std::size_t>(index)];
    b.state &= static_cast<BYTE>(~TBSTATE_PRESSED);
    if (GetCapture() == hwnd) ReleaseCapture();
    InvalidateRect(hwnd, nullptr, 1);
    if (!inside) return;
    Toggle(*data, static_cast<std::size_t>(index));
    const int command = b.command;
    NotifyClick(hwnd, index, PointOf(lParam));
    if (HWND parent = GetParent(hwnd))
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 0), reinterpret_cast<LPARAM>(hwnd));
}

void CaptureLost(HWND hwnd) {
    ToolData* data = Data(hwnd);
    if (!data || data->pressed < 0) return;
    data->buttons[static_cast<std::size_t>(data->pressed)].state &= static_cast<BYTE>(~TBSTATE_PRESSED);
    data->pressed = -1;
    data->inside = false;
    InvalidateRect(hwnd, nullptr, 1);
}

// Zero or more: the button under the point; negative: no button there, its magnitude the
// separator's index (or 1 past the last button when the point is on no item at all).
LRESULT HitTest(HWND hwnd, LPARAM lParam) {
    ToolData* data = Data(hwnd);
    const auto* p = reinterpret_cast<const POINT*>(lParam);
    if (!data || !p) return -1;
    for (std::size_t i = 0; i < data->buttons.size(); ++i) {
        const Button& b = data->buttons[i];
        if (IsHidden(b) || !PtInRect(&b.rect, *p)) continue;
        return IsSeparator(b) ? -static_cast<LRESULT>(i) : static_cast<LRESULT>(i);
    }
    return -static_cast<LRESULT>(data->buttons.size()) - 1;
}

// ---- messages ----

LRESULT GiveRect(const Button* b, LPARAM lParam) {
    auto* out = reinterpret_cast<RECT*>(lParam);
    if (!b || !out) return 0;
    *out = b->rect;
    return 1;
}

LRESULT SwapList(HWND hwnd, HIMAGELIST& slot, LPARAM lParam, bool sizesButtons) {
    HIMAGELIST previous = slot;
    slot = reinterpret_cast<HIMAGELIST>(lParam);
    ToolData* data = Data(hwnd);
    int cx = 0;
    int cy = 0;
    if (sizesButtons && data && slot && ImageList_GetIconSize(slot, &cx, &cy)) data->bitmapSize = SIZE{cx, cy};
    Changed(hwnd);
    return reinterpret_cast<LRESULT>(previous);
}

LRESULT Messages(HWND hwnd, ToolData& data, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool on = LOWORD(lParam) != 0;
    switch (message) {
        case TB_BUTTONSTRUCTSIZE: data.structSize = static_cast<UINT>(wParam); return 0;
        case TB_ADDBUTTONSA: return Insert<char>(hwnd, -1, reinterpret_cast<const void*>(lParam), wParam);
        case TB_ADDBUTTONSW: return Insert<char16_t>(hwnd, -1, reinterpret_cast<const void*>(lParam), wParam);
        case TB_INSERTBUTTONA:
            return Insert<char>(hwnd, static_cast<std::ptrdiff_t>(wParam), reinterpret_cast<const void*>(lParam), 1);
        case TB_INSERTBUTTONW:
            return Insert<char16_t>(hwnd, static_cast<std::ptrdiff_t>(wParam), reinterpret_cast<const void*>(lParam), 1);
        case TB_DELETEBUTTON: return Delete(hwnd, wParam);
        case TB_BUTTONCOUNT: return static_cast<LRESULT>(data.buttons.size());
        case TB_GETBUTTON: return GetButton(hwnd, wParam, lParam);
        case TB_COMMANDTOINDEX: return IndexOf(data, static_cast<int>(wParam));
        case TB_GETBUTTONTEXTA: return GetText<char>(hwnd, wParam, lParam);
        case TB_GETBUTTONTEXTW: return GetText<char16_t>(hwnd, wParam, lParam);
        case TB_GETBUTTONINFOA: return GetInfo<char>(hwnd, wParam, lParam);
        case TB_GETBUTTONINFOW: return GetInfo<char16_t>(hwnd, wParam, lParam);
        case TB_SETBUTTONINFOA: return SetInfo<char>(hwnd, wParam, lParam);
        case TB_SETBUTTONINFOW: return SetInfo<char16_t>(hwnd, wParam, lParam);
        case TB_GETITEMRECT:
            return GiveRect(wParam < data.buttons.size() ? &data.buttons[wParam] : nullptr, lParam);
        case TB_GETRECT: return GiveRect(ByCommand(hwnd, wParam), lParam);
        case TB_SETSTATE: return SetState(hwnd, wParam, static_cast<BYTE>(LOWORD(lParam)));
        case TB_GETSTATE: {
            const Button* b = ByCommand(hwnd, wParam);
            return b ? b->state : -1;
        }
        case TB_CHECKBUTTON: return CheckButton(hwnd, wParam, on);
        case TB_ENABLEBUTTON: return ChangeState(hwnd, wParam, TBSTATE_ENABLED, on);
        case TB_PRESSBUTTON: return ChangeState(hwnd, wParam, TBSTATE_PRESSED, on);
        case TB_HIDEBUTTON: return ChangeState(hwnd, wParam, TBSTATE_HIDDEN, on);
        case TB_INDETERMINATE: return ChangeState(hwnd, wParam, TBSTATE_INDETERMINATE, on);
        case TB_MARKBUTTON: return ChangeState(hwnd, wParam, TBSTATE_MARKED, on);
        case TB_ISBUTTONENABLED: return HasState(hwnd, wParam, TBSTATE_ENABLED);
        case TB_ISBUTTONCHECKED: return HasState(hwnd, wParam, TBSTATE_CHECKED);
        case TB_ISBUTTONPRESSED: return HasState(hwnd, wParam, TBSTATE_PRESSED);
        case TB_ISBUTTONHIDDEN: return HasState(hwnd, wParam, TBSTATE_HIDDEN);
        case TB_ISBUTTONINDETERMINATE: return HasState(hwnd, wParam, TBSTATE_INDETERMINATE);
        case TB_ISBUTTONHIGHLIGHTED: return HasState(hwnd, wParam, TBSTATE_MARKED);
        case TB_SETIMAGELIST: return SwapList(hwnd, data.images, lParam, true);
        case TB_GETIMAGELIST: return reinterpret_cast<LRESULT>(data.images);
        case TB_SETHOTIMAGELIST: return SwapList(hwnd, data.hotImages, lParam, false);
        case TB_GETHOTIMAGELIST: return reinterpret_cast<LRESULT>(data.hotImages);
        case TB_SETDISABLEDIMAGELIST: return SwapList(hwnd, data.disabledImages, lParam, false);
        case TB_GETDISABLEDIMAGELIST: return reinterpret_cast<LRESULT>(data.disabledImages);
        case TB_SETBUTTONSIZE:
            data.buttonSize = SIZE{LOWORD(lParam), HIWORD(lParam)};
            Changed(hwnd);
            return 1;
        case TB_GETBUTTONSIZE: {
            const SIZE size = CommonButtonSize(hwnd, data);
            return MAKELONG(static_cast<WORD>(size.cx), static_cast<WORD>(size.cy));
        }
        case TB_SETBITMAPSIZE:
            data.bitmapSize = SIZE{LOWORD(lParam), HIWORD(lParam)};
            Changed(hwnd);
            return 1;
        case TB_AUTOSIZE: AutoSize(hwnd); return 0;
        case TB_GETROWS: return data.rows;
        case TB_SETEXTENDEDSTYLE: {
            const DWORD previous = data.extendedStyle;
            data.extendedStyle = static_cast<DWORD>(lParam);
            Changed(hwnd);
            return previous;
        }
        case TB_GETEXTENDEDSTYLE: return data.extendedStyle;
        case TB_SETSTYLE:
            SetWindowLongPtr(hwnd, GWL_STYLE, static_cast<LONG_PTR>(lParam));
            Changed(hwnd);
            return 0;
        case TB_GETSTYLE: return Style(hwnd);
        case TB_GETHOTITEM: return data.hot;
        case TB_SETHOTITEM: {
            const int previous = data.hot;
            const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
            SetHot(hwnd, CanBeHot(hwnd, data, index) ? index : -1);
            return previous;
        }
        case TB_HITTEST: return HitTest(hwnd, lParam);
        case TB_SETMAXTEXTROWS:
            data.maxTextRows = static_cast<int>(wParam);
            Changed(hwnd);
            return 1;
        case TB_GETTEXTROWS: return data.maxTextRows;
        case TB_SETINDENT:
            data.indent = static_cast<int>(wParam);
            Changed(hwnd);
            return 1;
        default: return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new ToolData)); break;
        case WM_NCDESTROY:
            delete Data(hwnd);
            SetWindowLongPtr(hwnd, 0, 0);
            break;
        case WM_CREATE: AutoSize(hwnd); return 0;
        case WM_SIZE:
            if (ToolData* data = Data(hwnd); data && !data->placing) Changed(hwnd);
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: PaintMessage(hwnd, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_PRINTCLIENT: Paint(hwnd, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_SETFONT:
            if (ToolData* data = Data(hwnd)) data->font = reinterpret_cast<HFONT>(wParam);
            Changed(hwnd);
            return 0;
        case WM_GETFONT: return Data(hwnd) ? reinterpret_cast<LRESULT>(Data(hwnd)->font) : 0;
        case WM_MOUSEMOVE: MouseMove(hwnd, lParam); return 0;
        case WM_MOUSELEAVE: MouseLeave(hwnd); return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: ButtonDown(hwnd, lParam); return 0;
        case WM_LBUTTONUP: ButtonUp(hwnd, lParam); return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != hwnd) CaptureLost(hwnd);
            return 0;
        default:
            if (message >= TB_ENABLEBUTTON && message <= TB_GETEXTENDEDSTYLE) {
                ToolData* data = Data(hwnd);
                return data ? Messages(hwnd, *data, message, wParam, lParam) : 0;
            }
            break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace toolbar

void RegisterToolBarClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = &toolbar::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = TOOLBARCLASSNAME;
    RegisterClassEx(&wc);
}

}  // namespace parch::win
