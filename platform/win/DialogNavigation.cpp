#include "platform/win/DialogNavigation.h"

#include <cctype>
#include <climits>
#include <string>
#include <vector>

#include "platform/win/ButtonClass.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/Dialogs.h"
#include "platform/win/EditClass.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace dialog_navigation {


DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }
DWORD ExStyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_EXSTYLE)); }

// By the control's own styles: a dialog that is not shown yet still has its tab order.
bool Usable(HWND hwnd) { return (StyleOf(hwnd) & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE; }

LRESULT DialogCode(HWND control, const MSG* msg = nullptr) {
    return SendMessage(control, WM_GETDLGCODE, msg ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg));
}

// The dialog's controls in order: child windows with WS_EX_CONTROLPARENT stand for their own
// controls.
void CollectItems(HWND parent, std::vector<HWND>& items) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if ((ExStyleOf(c) & WS_EX_CONTROLPARENT) && Usable(c)) {
            CollectItems(c, items);
        } else {
            items.push_back(c);
        }
    }
}

std::vector<HWND> ItemsOf(HWND dialog) {
    std::vector<HWND> items;
    CollectItems(dialog, items);
    return items;
}


std::ptrdiff_t IndexOf(const std::vector<HWND>& items, HWND control) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == control) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

// Visits the items after (before) index `from`, wrapping, `from` itself last; -1 starts at the
// first (last).
template <typename Pred>
HWND Cycle(const std::vector<HWND>& items, std::ptrdiff_t from, bool previous, std::size_t begin, std::size_t end,
           Pred&& pred) {
    const auto n = static_cast<std::ptrdiff_t>(end - begin);
    if (n <= 0) return nullptr;
    std::ptrdiff_t start = from < 0 ? (previous ? 0 : n - 1) : from - static_cast<std::ptrdiff_t>(begin);
    for (std::ptrdiff_t step = 1; step <= n; ++step) {
        std::ptrdiff_t k = previous ? ((start - step) % n + n) % n : (start + step) % n;
        HWND h = items[begin + static_cast<std::size_t>(k)];
        if (pred(h)) return h;
    }
    return nullptr;
}

// The character a mnemonic "&x" marks in a control's text (lower case), or 0.
char MnemonicOf(const std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

bool IsPushButton(LRESULT code) { return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0; }

void Click(HWND dialog, HWND control) {
    SetDialogFocus(dialog, control);
    SendMessage(control, BM_CLICK, 0, 0);
}

// Focuses (and for buttons clicks) the control a mnemonic names; a label gives the focus to
// the control that follows it.
bool GotoMnemonic(HWND dialog, char key) {
    std::vector<HWND> items = ItemsOf(dialog);
    HWND focus = GetFocus();
    HWND found = Cycle(items, IndexOf(items, focus), false, 0, items.size(), [&](HWND h) {
        return Usable(h) && MnemonicOf(WindowText(h)) == key;
    });
    if (!found) return false;
    LRESULT code = DialogCode(found);
    if (code & DLGC_STATIC) {
        std::ptrdiff_t at = IndexOf(items, found);
        for (std::size_t i = static_cast<std::size_t>(at) + 1; i < items.size(); ++i) {
            if (!Usable(items[i])) continue;
            if (DialogCode(items[i]) & DLGC_STATIC) continue;
            SetDialogFocus(dialog, items[i]);
            return true;
        }
        return true;
    }
    if (code & (DLGC_BUTTON | DLGC_RADIOBUTTON) || IsPushButton(code)) Click(dialog, found);
    else SetDialogFocus(dialog, found);
    return true;
}

void SendCommand(HWND dialog, int id, HWND control) {
    if (control && !IsWindowEnabled(control)) {
        MessageBeep(0);
        return;
    }
    SendMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

void PressEnter(HWND dialog) {
    HWND focus = GetFocus();
    if (focus && IsChild(dialog, focus) && IsPushButton(DialogCode(focus))) {
        SendCommand(dialog, GetDlgCtrlID(focus), focus);
        return;
    }
    LRESULT defId = SendMessage(dialog, DM_GETDEFID, 0, 0);
    int id = HIWORD(static_cast<std::uintptr_t>(defId)) == DC_HASDEFID ? LOWORD(static_cast<std::uintptr_t>(defId))
                                                                         : IDOK;
    SendCommand(dialog, id, GetDlgItem(dialog, id));
}

bool MoveInGroup(HWND dialog, HWND focus, bool previous) {
    HWND next = GetNextDlgGroupItem(dialog, focus, previous);
    if (!next || next == focus) return true;
    LRESULT code = DialogCode(next);
    if (code & DLGC_RADIOBUTTON) Click(dialog, next);
    else SetDialogFocus(dialog, next);
    return true;
}

// A key the dialog manager acts on; false when the message goes to its window as usual.
bool HandleKeyDown(HWND dialog, const MSG* msg, LRESULT code) {
    HWND focus = GetFocus();
    switch (msg->wParam) {
        case VK_TAB: {
            if (code & DLGC_WANTTAB) return false;
            HWND next = GetNextDlgTabItem(dialog, focus, GetKeyState(VK_SHIFT) < 0);
            if (next) SetDialogFocus(dialog, next);
            return true;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            if (code & DLGC_WANTARROWS) return false;
            return MoveInGroup(dialog, focus, msg->wParam == VK_LEFT || msg->wParam == VK_UP);
        case VK_RETURN: PressEnter(dialog); return true;
        case VK_ESCAPE: SendCommand(dialog, IDCANCEL, GetDlgItem(dialog, IDCANCEL)); return true;
        default: return false;
    }
}

bool HandleChar(HWND dialog, const MSG* msg, LRESULT code) {
    if (msg->wParam == '\t' || msg->wParam == '\r' || msg->wParam == 0x1B) return !(code & DLGC_WANTCHARS);
    if (code & DLGC_WANTCHARS) return false;
    if (msg->wParam >= 0x80) return false;
    return GotoMnemonic(dialog, static_cast<char>(std::tolower(static_cast<int>(msg->wParam))));
}

bool HandleSysChar(HWND dialog, const MSG* msg) {
    if (msg->wParam >= 0x80) return false;
    return GotoMnemonic(dialog, static_cast<char>(std::tolower(static_cast<int>(msg->wParam))));
}

void SetPushStyle(HWND button, WPARAM style) {
    LRESULT code = DialogCode(button);
    const bool isDefault = (code & DLGC_DEFPUSHBUTTON) != 0;
    if (isDefault == (style == BS_DEFPUSHBUTTON)) return;
    SendMessage(button, BM_SETSTYLE, style, 1);
}

}  // namespace dialog_navigation

using namespace dialog_navigation;

void SetDialogFocus(HWND dialog, HWND control) {
    if (DialogCode(control) & DLGC_HASSETSEL) SendMessage(control, EM_SETSEL, 0, -1);
    HWND top = GetAncestor(dialog, GA_ROOT);
    // A dialog not yet on screen takes the focus when it shows (and activates).
    if (top && !IsWindowVisible(top)) RememberDialogFocus(dialog, control);
    else SetFocus(control);
    UpdateDefaultButton(dialog, control);
}

void UpdateDefaultButton(HWND dialog, HWND focus) {
    HWND emphasised = nullptr;
    if (focus && IsChild(dialog, focus) && IsPushButton(DialogCode(focus))) {
        emphasised = focus;
    } else {
        LRESULT defId = SendMessage(dialog, DM_GETDEFID, 0, 0);
        if (HIWORD(static_cast<std::uintptr_t>(defId)) == DC_HASDEFID)
            emphasised = GetDlgItem(dialog, LOWORD(static_cast<std::uintptr_t>(defId)));
    }
    for (HWND h : ItemsOf(dialog)) {
        if (h == emphasised) continue;
        if (DialogCode(h) & DLGC_DEFPUSHBUTTON) SetPushStyle(h, BS_PUSHBUTTON);
    }
    if (emphasised && IsPushButton(DialogCode(emphasised))) SetPushStyle(emphasised, BS_DEFPUSHBUTTON);
}

}  // namespace parch::win

namespace parch {

using namespace win;

BOOL IsDialogMessage(HWND dialog, MSG* msg) {
    if (!dialog || !msg || !msg->hwnd) return 0;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return 0;
    const bool keyboard = msg->message == WM_KEYDOWN || msg->message == WM_CHAR || msg->message == WM_SYSCHAR;
    if (keyboard) {
        LRESULT code = DialogCode(msg->hwnd, msg);
        bool handled = false;
        if (!(code & DLGC_WANTALLKEYS)) {
            if (msg->message == WM_KEYDOWN) handled = HandleKeyDown(dialog, msg, code);
            else if (msg->message == WM_CHAR) handled = HandleChar(dialog, msg, code);
            else handled = HandleSysChar(dialog, msg);
        }
        if (handled) return 1;
    }
    TranslateMessage(msg);
    DispatchMessage(msg);
    return 1;
}

HWND GetDlgItem(HWND dialog, int id) {
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetDlgCtrlID(c) == id) return c;
    return nullptr;
}

UINT GetDlgItemText(HWND dialog, int id, char* buffer, int size) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) {
        if (buffer && size > 0) buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(GetWindowText(item, buffer, size));
}

BOOL SetDlgItemText(HWND dialog, int id, const char* text) {
    HWND item = GetDlgItem(dialog, id);
    return item ? SetWindowText(item, text) : 0;
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
    if (translated) *translated = 0;
    HWND item = GetDlgItem(dialog, id);
    if (!item) return 0;
    std::string text = WindowText(item);
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (isSigned && i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const std::size_t digitsStart = i;
    unsigned long long value = 0;
    const unsigned long long limit = isSigned ? (negative ? 0x80000000ULL : 0x7FFFFFFFULL) : 0xFFFFFFFFULL;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
        if (value > limit) return 0;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == digitsStart || i != text.size()) return 0;
    if (translated) *translated = 1;
    return negative ? static_cast<UINT>(0ULL - value) : static_cast<UINT>(value);
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
    std::string text = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
    return SetDlgItemText(dialog, id, text.c_str());
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) return 0;
    SendMessage(item, BM_SETCHECK, check, 0);
    return 1;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? static_cast<UINT>(SendMessage(item, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
    BOOL any = 0;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(c);
        if (id < first || id > last) continue;
        SendMessage(c, BM_SETCHECK, id == check ? 1 : 0, 0);
        any = 1;
    }
    return any;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(dialog, id);
    return item ? SendMessage(item, message, wParam, lParam) : 0;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    std::vector<HWND> items = ItemsOf(dialog);
    std::ptrdiff_t from = control ? IndexOf(items, control) : -1;
    HWND found = Cycle(items, from, previous != 0, 0, items.size(),
                       [](HWND h) { return Usable(h) && (StyleOf(h) & WS_TABSTOP); });
    return found ? found : control;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
    std::vector<HWND> items = ItemsOf(dialog);
    std::ptrdiff_t at = control ? IndexOf(items, control) : -1;
    if (at < 0) return Cycle(items, -1, previous != 0, 0, items.size(), Usable);
    std::size_t begin = static_cast<std::size_t>(at);
    while (begin > 0 && !(StyleOf(items[begin]) & WS_GROUP)) --begin;
    std::size_t end = static_cast<std::size_t>(at) + 1;
    while (end < items.size() && !(StyleOf(items[end]) & WS_GROUP)) ++end;
    HWND found = Cycle(items, at, previous != 0, begin, end, Usable);
    return found ? found : control;
}

}  // namespace parch
