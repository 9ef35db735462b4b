#include "platform/win/ComboBoxClass.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/EditClass.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowProcs.h"
#include "platform/win/WindowTree.h"

namespace parch {

BOOL GetComboBoxInfo(HWND combo, COMBOBOXINFO* info) {
    return SendMessage(combo, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(info)) != 0;
}

}  // namespace parch

namespace parch::win {

namespace combobox {

constexpr int kEditId = 1001;
constexpr int kListId = 1000;
constexpr int kFrame = 3;  // the sunken edge and a pixel of space inside it
constexpr int kDefaultMinVisible = 30;
constexpr int kMaxItemHeight = 255;
constexpr int kTextIndent = 2;

enum class Ending { Chosen, Cancelled, Escaped, Quiet };

struct Combo {
    HWND hwnd = nullptr;
    DWORD style = 0;
    HWND list = nullptr;
    HWND edit = nullptr;
    WNDPROC editProcedure = nullptr;
    HFONT font = nullptr;
    int fieldHeight = 0;
    int minVisible = kDefaultMinVisible;
    int droppedWidth = 0;
    bool extendedUI = false;
    bool dropped = false;
    bool focused = false;
    bool settingEdit = false;  // the combo itself changes the edit's text
    int selectionAtDrop = -1;
    int committed = -1;  // the selection the parent was told of while dropped
    int busy = 0;        // messages being handled; the parent may destroy the combo meanwhile
    bool destroyed = false;

    DWORD Kind() const { return style & 3; }
    bool Simple() const { return Kind() == CBS_SIMPLE; }
    bool DropDownList() const { return Kind() == CBS_DROPDOWNLIST; }
    bool OwnerDraw() const { return (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }
};

Combo* Find(HWND hwnd) { return reinterpret_cast<Combo*>(GetWindowLongPtr(hwnd, 0)); }

LRESULT ToList(const Combo& c, UINT m, WPARAM wp = 0, LPARAM lp = 0) { return SendMessage(c.list, m, wp, lp); }

int Selection(const Combo& c) { return static_cast<int>(ToList(c, LB_GETCURSEL)); }

void Notify(const Combo& c, WORD code) { NotifyParent(c.hwnd, code); }

RECT Client(const Combo& c) {
    RECT r;
    GetClientRect(c.hwnd, &r);
    return r;
}

int BoxHeight(const Combo& c) { return c.fieldHeight + 2 * kFrame; }

RECT ButtonRect(const Combo& c) {
    if (c.Simple()) return {};
    RECT r = Client(c);
    int w = GetSystemMetrics(SM_CXVSCROLL);
    return {r.right - w - 2, 2, r.right - 2, r.bottom - 2};
}

RECT FieldRect(const Combo& c) {
    RECT r = Client(c);
    if (c.Simple()) return {kFrame, kFrame, r.right - kFrame, kFrame + c.fieldHeight};
    return {kFrame, kFrame, ButtonRect(c).left, r.bottom - kFrame};
}

std::string ItemText(const Combo& c, int index) {
    LRESULT n = ToList(c, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (n < 0) return {};
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    ToList(c, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(n));
    return text;
}

// The field shows the selection: the edit gets its text, the combo's own field is repainted.
void ShowSelection(Combo& c) {
    if (c.edit) {
        int sel = Selection(c);
        std::string text = sel >= 0 ? ItemText(c, sel) : std::string();
        c.settingEdit = true;
        SetWindowText(c.edit, text.c_str());
        c.settingEdit = false;
        if (c.focused) SendMessage(c.edit, EM_SETSEL, 0, -1);
    }
    InvalidateRect(c.hwnd, nullptr, 0);
}

// ---- the dropped list -----------------------------------------------------------------------

int ListRowsHeight(const Combo& c) {
    int count = static_cast<int>(ToList(c, LB_GETCOUNT));
    int rows = std::clamp(count, 1, c.minVisible);
    if (!(c.style & CBS_OWNERDRAWVARIABLE)) return rows * static_cast<int>(ToList(c, LB_GETITEMHEIGHT, 0));
    int height = 0;
    for (int i = 0; i < rows; ++i) height += std::max(1, static_cast<int>(ToList(c, LB_GETITEMHEIGHT, static_cast<WPARAM>(i))));
    return height;
}

int DroppedWidth(const Combo& c) {
    RECT w;
    GetWindowRect(c.hwnd, &w);
    return std::max(c.droppedWidth, static_cast<int>(w.right - w.left));
}

// Under the combo on the screen, or above it when the work area has no room below.
RECT DroppedRect(const Combo& c) {
    RECT w, work;
    GetWindowRect(c.hwnd, &w);
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    int height = ListRowsHeight(c) + 2 * GetSystemMetrics(SM_CYBORDER);
    int top = w.bottom;
    if (top + height > work.bottom && w.top - height >= work.top) top = w.top - height;
    return {w.left, top, w.left + DroppedWidth(c), top + height};
}

void Drop(Combo& c) {
    if (c.dropped || c.Simple() || !c.list) return;
    Notify(c, CBN_DROPDOWN);
    if (!IsWindow(c.hwnd)) return;
    c.selectionAtDrop = c.committed = Selection(c);
    RECT r = DroppedRect(c);
    c.dropped = true;
    SetWindowPos(c.list, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (c.committed >= 0) ToList(c, LB_SETCURSEL, static_cast<WPARAM>(c.committed));
    ToList(c, LBCB_STARTTRACK);
    InvalidateRect(c.hwnd, nullptr, 0);
}

void CloseUp(Combo& c, Ending how) {
    if (!c.dropped) return;
    c.dropped = false;
    int sel = Selection(c);
    int keep = how == Ending::Escaped ? c.selectionAtDrop : c.committed;
    if (how == Ending::Chosen || how == Ending::Quiet) {
        keep = sel;
    } else if (sel != keep) {
        ToList(c, LB_SETCURSEL, static_cast<WPARAM>(keep));
    }
    bool changed = keep != c.committed;
    c.committed = keep;
    if (changed || how == Ending::Escaped) ShowSelection(c);
    if (changed && how == Ending::Chosen) Notify(c, CBN_SELCHANGE);
    if (how == Ending::Chosen) Notify(c, CBN_SELENDOK);
    else if (how != Ending::Quiet) Notify(c, CBN_SELENDCANCEL);
    if (!IsWindow(c.hwnd)) return;
    ToList(c, LBCB_ENDTRACK);
    SetWindowPos(c.list, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    InvalidateRect(c.hwnd, nullptr, 0);
    Notify(c, CBN_CLOSEUP);
}

void Toggle(Combo& c) {
    if (c.dropped) CloseUp(c, Ending::Chosen);
    else Drop(c);
}

// ---- keyboard -------------------------------------------------------------------------------

void Choose(Combo& c, int index) {
    int count = static_cast<int>(ToList(c, LB_GETCOUNT));
    if (count == 0) return;
    index = std::clamp(index, 0, count - 1);
    if (index == Selection(c)) return;
    ToList(c, LB_SETCURSEL, static_cast<WPARAM>(index));
    c.committed = index;
    ShowSelection(c);
    Notify(c, CBN_SELCHANGE);
}

bool MoveSelection(Combo& c, UINT key) {
    int sel = Selection(c);
    int page = std::max(1, c.minVisible - 1);
    int count = static_cast<int>(ToList(c, LB_GETCOUNT));
    switch (key) {
        case VK_UP: Choose(c, sel < 0 ? 0 : sel - 1); return true;
        case VK_DOWN: Choose(c, sel + 1); return true;
        case VK_PRIOR: Choose(c, sel - page); return true;
        case VK_NEXT: Choose(c, sel + page); return true;
        case VK_HOME: Choose(c, 0); return true;
        case VK_END: Choose(c, count - 1); return true;
        default: return false;
    }
}

// The keys a combo answers wherever the focus is inside it; false leaves the key to the edit.
bool Key(Combo& c, UINT key, bool alt) {
    if (alt) {
        if (key != VK_DOWN && key != VK_UP) return false;
        Toggle(c);
        return true;
    }
    if (key == VK_F4) {
        if (!c.extendedUI) Toggle(c);
        return true;
    }
    if (c.dropped && key == VK_ESCAPE) {
        CloseUp(c, Ending::Escaped);
        return true;
    }
    if (c.dropped && key == VK_RETURN) {
        CloseUp(c, Ending::Chosen);
        return true;
    }
    if (!c.dropped && c.extendedUI && key == VK_DOWN && !c.Simple()) {
        Drop(c);
        return true;
    }
    if (c.edit && (key == VK_HOME || key == VK_END)) return false;
    return MoveSelection(c, key);
}

void TypeAhead(Combo& c, WPARAM ch) {
    if (ch < ' ' || ch > 0x7F) return;
    char letter = static_cast<char>(ch);
    std::string prefix(1, letter);
    auto found = static_cast<int>(ToList(c, LB_FINDSTRING, static_cast<WPARAM>(Selection(c)), reinterpret_cast<LPARAM>(prefix.c_str())));
    if (found >= 0) Choose(c, found);
}

// ---- focus ----------------------------------------------------------------------------------

void GotFocus(Combo& c) {
    if (c.focused) return;
    c.focused = true;
    if (c.edit) SendMessage(c.edit, EM_SETSEL, 0, -1);
    InvalidateRect(c.hwnd, nullptr, 0);
    Notify(c, CBN_SETFOCUS);
}

void LostFocus(Combo& c, HWND next) {
    if (next && (next == c.hwnd || next == c.edit || next == c.list)) return;
    if (!c.focused) return;
    c.focused = false;
    CloseUp(c, Ending::Cancelled);
    if (!IsWindow(c.hwnd)) return;
    if (c.edit) SendMessage(c.edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    InvalidateRect(c.hwnd, nullptr, 0);
    Notify(c, CBN_KILLFOCUS);
}

LRESULT DialogCode(const Combo& c, LPARAM lp) {
    LRESULT code = DLGC_WANTCHARS | DLGC_WANTARROWS;
    const MSG* msg = reinterpret_cast<const MSG*>(lp);
    if (c.dropped && msg && msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
        code |= DLGC_WANTMESSAGE;
    return code;
}

// The edit works inside the combo: the combo's keys and focus go through it first.
LRESULT EditHook(HWND edit, UINT m, WPARAM wp, LPARAM lp) {
    HWND parent = GetParent(edit);
    Combo* c = parent ? Find(parent) : nullptr;
    if (!c || !c->editProcedure) return DefWindowProc(edit, m, wp, lp);
    WNDPROC next = c->editProcedure;
    switch (m) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (Key(*c, static_cast<UINT>(wp), m == WM_SYSKEYDOWN)) return 0;
            break;
        case WM_CHAR:
            if (c->dropped && (wp == '\r' || wp == 0x1B)) return 0;
            break;
        case WM_GETDLGCODE: return CallWindowProc(next, edit, m, wp, lp) | DialogCode(*c, lp);
        case WM_SETFOCUS: {
            LRESULT r = CallWindowProc(next, edit, m, wp, lp);
            GotFocus(*c);
            return r;
        }
        case WM_KILLFOCUS: {
            LRESULT r = CallWindowProc(next, edit, m, wp, lp);
            LostFocus(*c, reinterpret_cast<HWND>(wp));
            return r;
        }
        case WM_MOUSEWHEEL:
            if (c->dropped) return SendMessage(c->list, m, wp, lp);
            break;
        default: break;
    }
    return CallWindowProc(next, edit, m, wp, lp);
}

// ---- painting -------------------------------------------------------------------------------

HBRUSH FieldColors(const Combo& c, HDC dc) {
    bool enabled = IsWindowEnabled(c.hwnd);
    return ControlColors(c.hwnd, dc, enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC);
}

void DrawOwnerField(const Combo& c, HDC dc, const RECT& field) {
    HWND parent = GetParent(c.hwnd);
    if (!parent) return;
    int sel = Selection(c);
    DRAWITEMSTRUCT di;
    di.CtlType = ODT_COMBOBOX;
    di.CtlID = static_cast<UINT>(GetDlgCtrlID(c.hwnd));
    di.itemID = static_cast<UINT>(sel);
    di.itemAction = ODA_DRAWENTIRE;
    di.itemState = ODS_COMBOBOXEDIT;
    if (c.focused && !c.dropped) di.itemState |= ODS_SELECTED | ODS_FOCUS;
    if (!IsWindowEnabled(c.hwnd)) di.itemState |= ODS_DISABLED;
    di.hwndItem = c.hwnd;
    di.hDC = dc;
    di.rcItem = field;
    di.itemData = sel >= 0 ? static_cast<UINT_PTR>(ToList(c, LB_GETITEMDATA, static_cast<WPARAM>(sel))) : 0;
    SendMessage(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
}

void DrawTextField(const Combo& c, HDC dc, const RECT& field, HBRUSH background) {
    bool highlighted = c.focused && !c.dropped;
    if (highlighted) {
        FillRect(dc, &field, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        FillRect(dc, &field, background);
    }
    int sel = Selection(c);
    if (sel >= 0) {
        std::string text = ItemText(c, sel);
        int mode = SetBkMode(dc, TRANSPARENT);
        int y = field.top + (field.bottom - field.top - FontLineHeight(c.font)) / 2;
        ExtTextOut(dc, field.left + kTextIndent, y, ETO_CLIPPED, &field, text.data(), static_cast<UINT>(text.size()), nullptr);
        SetBkMode(dc, mode);
    }
    if (highlighted) DrawFocusRect(dc, &field);
}

void PaintInto(const Combo& c, HDC dc) {
    RECT box = Client(c);
    if (c.Simple()) box.bottom = BoxHeight(c);
    HGDIOBJ oldFont = SelectObject(dc, c.font ? c.font : GetStockObject(SYSTEM_FONT));
    HBRUSH background = FieldColors(c, dc);
    RECT inner = box;
    DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillRect(dc, &inner, background);
    if (!c.Simple()) {
        RECT button = ButtonRect(c);
        UINT state = DFCS_SCROLLCOMBOBOX | (c.dropped ? DFCS_PUSHED : 0) | (IsWindowEnabled(c.hwnd) ? 0 : DFCS_INACTIVE);
        DrawFrameControl(dc, &button, DFC_SCROLL, state);
    }
    if (c.DropDownList()) {
        RECT field = FieldRect(c);
        if (c.OwnerDraw()) DrawOwnerField(c, dc, field);
        else DrawTextField(c, dc, field, background);
    }
    SelectObject(dc, oldFont);
}

void Paint(const Combo& c) {
    PaintControl(c.hwnd, nullptr, [&c](HDC dc) { PaintInto(c, dc); });
}

// ---- layout and creation --------------------------------------------------------------------

int MeasureField(const Combo& c) {
    int height = FontLineHeight(c.font) + 2;
    HWND parent = GetParent(c.hwnd);
    if (!c.OwnerDraw() || !parent) return height;
    MEASUREITEMSTRUCT mi;
    mi.CtlType = ODT_COMBOBOX;
    mi.CtlID = static_cast<UINT>(GetDlgCtrlID(c.hwnd));
    mi.itemID = static_cast<UINT>(-1);
    mi.itemHeight = static_cast<UINT>(height);
    SendMessage(parent, WM_MEASUREITEM, mi.CtlID, reinterpret_cast<LPARAM>(&mi));
    return std::clamp(static_cast<int>(mi.itemHeight), 1, kMaxItemHeight);
}

// The window of a drop-down combo is as tall as its field; the list drops below it.
void FitHeight(const Combo& c) {
    if (c.Simple()) return;
    RECT w;
    GetWindowRect(c.hwnd, &w);
    if (w.bottom - w.top != BoxHeight(c))
        SetWindowPos(c.hwnd, nullptr, 0, 0, w.right - w.left, BoxHeight(c), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Layout(const Combo& c) {
    RECT field = FieldRect(c);
    if (c.edit) MoveWindow(c.edit, field.left, field.top, field.right - field.left, field.bottom - field.top, 1);
    if (c.Simple() && c.list) {
        RECT r = Client(c);
        MoveWindow(c.list, 0, BoxHeight(c), r.right, std::max(0, static_cast<int>(r.bottom) - BoxHeight(c)), 1);
    }
    InvalidateRect(c.hwnd, nullptr, 0);
}

DWORD ListStyle(const Combo& c) {
    DWORD s = WS_VSCROLL | WS_BORDER | LBS_COMBOBOX | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    if (c.style & CBS_SORT) s |= LBS_SORT;
    if (c.style & CBS_OWNERDRAWFIXED) s |= LBS_OWNERDRAWFIXED;
    if (c.style & CBS_OWNERDRAWVARIABLE) s |= LBS_OWNERDRAWVARIABLE;
    if (c.style & CBS_HASSTRINGS) s |= LBS_HASSTRINGS;
    if (c.style & CBS_DISABLENOSCROLL) s |= LBS_DISABLENOSCROLL;
    return s;
}

LRESULT Create(Combo& c) {
    c.fieldHeight = MeasureField(c);
    RECT r = Client(c);
    if (c.Simple()) {
        c.list = CreateWindowEx(0, "ComboLBox", "", WS_CHILD | WS_VISIBLE | ListStyle(c), 0, BoxHeight(c), r.right,
                                std::max(0, static_cast<int>(r.bottom) - BoxHeight(c)), c.hwnd,
                                reinterpret_cast<HMENU>(static_cast<std::intptr_t>(kListId)), nullptr, nullptr);
    } else {
        c.list = CreateWindowEx(WS_EX_TOOLWINDOW, "ComboLBox", "", WS_POPUP | ListStyle(c), 0, 0, r.right, 0, c.hwnd,
                                nullptr, nullptr, nullptr);
    }
    if (!c.list) return -1;
    if (!c.DropDownList()) {
        // Without an "Edit" class the combo has no edit and works as a list alone.
        RECT field = FieldRect(c);
        DWORD editStyle = WS_CHILD | WS_VISIBLE | ((c.style & CBS_AUTOHSCROLL) ? ES_AUTOHSCROLL : 0);
        c.edit = CreateWindowEx(0, "Edit", "", editStyle, field.left, field.top, field.right - field.left,
                                field.bottom - field.top, c.hwnd,
                                reinterpret_cast<HMENU>(static_cast<std::intptr_t>(kEditId)), nullptr, nullptr);
        if (c.edit)
            c.editProcedure = reinterpret_cast<WNDPROC>(
                SetWindowLongPtr(c.edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditHook)));
    }
    FitHeight(c);
    return 0;
}

void SetFont(Combo& c, WPARAM font, LPARAM redraw) {
    c.font = reinterpret_cast<HFONT>(font);
    if (c.edit) SendMessage(c.edit, WM_SETFONT, font, 0);
    ToList(c, WM_SETFONT, font, 0);
    if (!c.OwnerDraw()) c.fieldHeight = FontLineHeight(c.font) + 2;
    FitHeight(c);
    Layout(c);
    if (redraw) UpdateWindow(c.hwnd);
}

LRESULT SetItemHeight(Combo& c, WPARAM wp, LPARAM lp) {
    if (static_cast<int>(wp) != -1) return ToList(c, LB_SETITEMHEIGHT, wp, lp);
    int height = static_cast<int>(lp);
    if (height <= 0 || height > kMaxItemHeight) return CB_ERR;
    c.fieldHeight = height;
    FitHeight(c);
    Layout(c);
    return CB_OKAY;
}

LRESULT Info(const Combo& c, LPARAM lp) {
    auto* info = reinterpret_cast<COMBOBOXINFO*>(lp);
    if (!info || info->cbSize != sizeof(COMBOBOXINFO)) return 0;
    info->rcItem = FieldRect(c);
    info->rcButton = ButtonRect(c);
    info->stateButton = c.Simple() ? STATE_SYSTEM_INVISIBLE : (c.dropped ? STATE_SYSTEM_PRESSED : 0);
    info->hwndCombo = c.hwnd;
    info->hwndItem = c.edit ? c.edit : c.hwnd;
    info->hwndList = c.list;
    return 1;
}

// ---- text -----------------------------------------------------------------------------------

std::string CurrentText(const Combo& c) {
    if (c.edit) return WindowText(c.edit);
    int sel = Selection(c);
    return sel >= 0 ? ItemText(c, sel) : std::string();
}

LRESULT GetText(const Combo& c, WPARAM size, LPARAM lp) {
    if (!lp || size == 0) return 0;
    std::string text = CurrentText(c);
    std::string_view cut = CutAtCharacterBoundary(text, size - 1);
    std::memcpy(reinterpret_cast<char*>(lp), cut.data(), cut.size());
    reinterpret_cast<char*>(lp)[cut.size()] = 0;
    return static_cast<LRESULT>(cut.size());
}

LRESULT SetText(Combo& c, LPARAM lp) {
    const char* text = lp ? reinterpret_cast<const char*>(lp) : "";
    if (c.edit) {
        c.settingEdit = true;
        SetWindowText(c.edit, text);
        c.settingEdit = false;
        return 1;
    }
    auto found = static_cast<int>(ToList(c, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)));
    if (found < 0) return CB_ERR;
    ToList(c, LB_SETCURSEL, static_cast<WPARAM>(found));
    ShowSelection(c);
    return 1;
}

// ---- messages -------------------------------------------------------------------------------

void ChildCommand(Combo& c, WPARAM wp, LPARAM lp) {
    WORD code = HIWORD(wp);
    auto from = reinterpret_cast<HWND>(lp);
    if (from == c.list) {
        if (code == kComboListChosen) CloseUp(c, Ending::Chosen);
        else if (code == kComboListCancelled) CloseUp(c, Ending::Cancelled);
        else if (code == LBN_SELCHANGE && !c.dropped) {  // the simple combo's list, by the user
            c.committed = Selection(c);
            ShowSelection(c);
            Notify(c, CBN_SELCHANGE);
        } else if (code == LBN_DBLCLK && c.Simple()) {
            Notify(c, CBN_DBLCLK);
        }
    } else if (from == c.edit && c.edit && !c.settingEdit) {
        if (code == EN_UPDATE) Notify(c, CBN_EDITUPDATE);
        else if (code == EN_CHANGE) Notify(c, CBN_EDITCHANGE);
    }
}

LRESULT PassColors(const Combo& c, UINT m, WPARAM wp, LPARAM lp) {
    HWND parent = GetParent(c.hwnd);
    LRESULT answer = parent ? SendMessage(parent, m, wp, lp) : 0;
    return answer ? answer : reinterpret_cast<LRESULT>(DefaultControlColors(reinterpret_cast<HDC>(wp), m));
}

LRESULT EditMessage(const Combo& c, UINT m, WPARAM wp, LPARAM lp) {
    if (!c.edit) return CB_ERR;
    return SendMessage(c.edit, m, wp, lp);
}

LRESULT ComboMessages(Combo& c, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case CB_ADDSTRING: return ToList(c, LB_ADDSTRING, wp, lp);
        case CB_INSERTSTRING: return ToList(c, LB_INSERTSTRING, wp, lp);
        case CB_DELETESTRING: {
            bool shown = static_cast<int>(wp) == Selection(c);
            LRESULT r = ToList(c, LB_DELETESTRING, wp, lp);
            if (shown && r >= 0) ShowSelection(c);
            return r;
        }
        case CB_RESETCONTENT:
            ToList(c, LB_RESETCONTENT);
            ShowSelection(c);
            return CB_OKAY;
        case CB_GETCOUNT: return ToList(c, LB_GETCOUNT);
        case CB_GETCURSEL: return ToList(c, LB_GETCURSEL);
        case CB_GETLBTEXT: return ToList(c, LB_GETTEXT, wp, lp);
        case CB_GETLBTEXTLEN: return ToList(c, LB_GETTEXTLEN, wp, lp);
        case CB_FINDSTRING: return ToList(c, LB_FINDSTRING, wp, lp);
        case CB_FINDSTRINGEXACT: return ToList(c, LB_FINDSTRINGEXACT, wp, lp);
        case CB_SELECTSTRING: {
            LRESULT r = ToList(c, LB_SELECTSTRING, wp, lp);
            if (r >= 0) ShowSelection(c);
            return r;
        }
        case CB_SETCURSEL: {
            LRESULT r = ToList(c, LB_SETCURSEL, wp, lp);
            c.committed = Selection(c);
            ShowSelection(c);
            return r;
        }
        case CB_SETITEMDATA: return ToList(c, LB_SETITEMDATA, wp, lp);
        case CB_GETITEMDATA: return ToList(c, LB_GETITEMDATA, wp, lp);
        case CB_GETTOPINDEX: return ToList(c, LB_GETTOPINDEX);
        case CB_SETTOPINDEX: return ToList(c, LB_SETTOPINDEX, wp);
        case CB_GETHORIZONTALEXTENT: return ToList(c, LB_GETHORIZONTALEXTENT);
        case CB_SETHORIZONTALEXTENT: return ToList(c, LB_SETHORIZONTALEXTENT, wp);
        case CB_INITSTORAGE: return ToList(c, LB_INITSTORAGE, wp, lp);
        case CB_SETITEMHEIGHT: return SetItemHeight(c, wp, lp);
        case CB_GETITEMHEIGHT: return static_cast<int>(wp) == -1 ? c.fieldHeight : ToList(c, LB_GETITEMHEIGHT, wp);
        case CB_SHOWDROPDOWN:
            if (wp) Drop(c);
            else CloseUp(c, Ending::Quiet);
            return 1;
        case CB_GETDROPPEDSTATE: return c.dropped ? 1 : 0;
        case CB_GETDROPPEDCONTROLRECT:
            if (!lp) return CB_ERR;
            if (c.Simple() || c.dropped) GetWindowRect(c.list, reinterpret_cast<RECT*>(lp));
            else *reinterpret_cast<RECT*>(lp) = DroppedRect(c);
            return 1;
        case CB_SETDROPPEDWIDTH:
            if (static_cast<int>(wp) < 0) return CB_ERR;
            c.droppedWidth = static_cast<int>(std::min<WPARAM>(wp, 0x7FFF));
            return DroppedWidth(c);
        case CB_GETDROPPEDWIDTH: return DroppedWidth(c);
        case CB_SETEXTENDEDUI: c.extendedUI = wp != 0; return CB_OKAY;
        case CB_GETEXTENDEDUI: return c.extendedUI ? 1 : 0;
        case CB_LIMITTEXT: return c.edit ? (SendMessage(c.edit, EM_LIMITTEXT, wp, 0), 1) : CB_ERR;
        case CB_GETEDITSEL: return EditMessage(c, EM_GETSEL, wp, lp);
        case CB_SETEDITSEL:
            if (!c.edit) return CB_ERR;
            SendMessage(c.edit, EM_SETSEL, static_cast<WPARAM>(static_cast<std::int16_t>(LOWORD(lp))),
                        static_cast<std::int16_t>(HIWORD(lp)));
            return 1;
        case CB_SETMINVISIBLE:
            if (static_cast<int>(wp) <= 0) return 0;
            c.minVisible = static_cast<int>(std::min<WPARAM>(wp, 0x7FFF));
            return 1;
        case CB_GETMINVISIBLE: return c.minVisible;
        case CB_GETCOMBOBOXINFO: return Info(c, lp);
        default: return DefWindowProc(c.hwnd, m, wp, lp);
    }
}

void Press(Combo& c, LPARAM lp) {
    if (!c.focused) SetFocus(c.edit ? c.edit : c.hwnd);
    if (!IsWindow(c.hwnd) || c.Simple()) return;
    RECT button = ButtonRect(c);
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (c.DropDownList() || PtInRect(&button, p)) Toggle(c);
}

LRESULT Dispatch(Combo& c, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_CREATE: return Create(c);
        case WM_DESTROY:
            if (c.list && IsWindow(c.list) && !c.Simple()) DestroyWindow(c.list);
            c.list = nullptr;
            return 0;
        case WM_PAINT: Paint(c); return 0;
        case WM_PRINTCLIENT: PaintInto(c, reinterpret_cast<HDC>(wp)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SIZE: Layout(c); return 0;
        case WM_WINDOWPOSCHANGING: {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
            if (!c.Simple() && pos && !(pos->flags & SWP_NOSIZE)) pos->cy = BoxHeight(c);
            return 0;
        }
        case WM_SETFONT: SetFont(c, wp, lp); return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(c.font);
        case WM_SETTEXT: return SetText(c, lp);
        case WM_GETTEXT: return GetText(c, wp, lp);
        case WM_GETTEXTLENGTH: return static_cast<LRESULT>(CurrentText(c).size());
        case WM_GETDLGCODE: return DialogCode(c, lp);
        case WM_SETFOCUS:
            if (c.edit) SetFocus(c.edit);
            else GotFocus(c);
            return 0;
        case WM_KILLFOCUS:
            if (!c.edit) LostFocus(c, reinterpret_cast<HWND>(wp));
            return 0;
        case WM_ENABLE:
            if (c.edit) EnableWindow(c.edit, static_cast<BOOL>(wp));
            InvalidateRect(c.hwnd, nullptr, 0);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: Press(c, lp); return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (Key(c, static_cast<UINT>(wp), m == WM_SYSKEYDOWN)) return 0;
            return DefWindowProc(c.hwnd, m, wp, lp);
        case WM_CHAR:
            if (c.DropDownList()) TypeAhead(c, wp);
            return 0;
        case WM_MOUSEWHEEL:
            if (c.dropped) return ToList(c, m, wp, lp);
            return 0;
        case WM_COMMAND: ChildCommand(c, wp, lp); return 0;
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: return PassColors(c, m, wp, lp);
        default: return ComboMessages(c, m, wp, lp);
    }
}

LRESULT Procedure(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        auto* c = new Combo;
        c->hwnd = hwnd;
        c->style = static_cast<DWORD>(reinterpret_cast<const CREATESTRUCT*>(lp)->style);
        if (!(c->style & 3)) c->style |= CBS_DROPDOWN;
        SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(c));
        return DefWindowProc(hwnd, m, wp, lp);
    }
    Combo* c = Find(hwnd);
    if (!c) return DefWindowProc(hwnd, m, wp, lp);
    if (m == WM_NCDESTROY) {
        SetWindowLongPtr(hwnd, 0, 0);
        // Destroyed from inside one of its own notifications: freed when that returns.
        if (c->busy) c->destroyed = true;
        else delete c;
        return DefWindowProc(hwnd, m, wp, lp);
    }
    ++c->busy;
    LRESULT result = Dispatch(*c, m, wp, lp);
    if (--c->busy == 0 && c->destroyed) delete c;
    return result;
}

}  // namespace combobox

void RegisterComboBoxClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &combobox::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "ComboBox";
    RegisterClassEx(&wc);
}

}  // namespace parch::win
