#include "platform/win/MessageBox.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/Clipboard.h"
#include "platform/win/DialogNavigation.h"
#include "platform/win/DialogTemplates.h"
#include "platform/win/Dialogs.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/StaticClass.h"
#include "platform/win/SystemIcons.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace message_box {

constexpr int kIconId = 20;
constexpr int kTextId = 0xFFFF;

// Pixel measures of the layout, at 96 dots per inch.
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kButtonPadding = 16;  // around a label wider than the usual button
constexpr int kCaptionReserve = 60; // caption text beside the close button

// What the box's procedure knows of its box.
struct Box {
    const MSGBOXPARAMS* params = nullptr;
    std::vector<MessageBoxButton> buttons;
    int defaultId = IDOK;
    HICON icon = nullptr;  // shared: not destroyed
    std::string caption;
    std::string text;
};

const char* IconName(DWORD style) {
    switch (style & MB_ICONMASK) {
        case MB_ICONHAND: return IDI_HAND;
        case MB_ICONQUESTION: return IDI_QUESTION;
        case MB_ICONEXCLAMATION: return IDI_EXCLAMATION;
        case MB_ICONASTERISK: return IDI_ASTERISK;
        default: return nullptr;
    }
}

bool HasButton(const Box& box, int id) {
    return std::any_of(box.buttons.begin(), box.buttons.end(), [&](const MessageBoxButton& b) { return b.id == id; });
}

void ShowHelp(HWND dialog, const Box& box) {
    HELPINFO info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = 0;
    info.hItemHandle = dialog;
    info.dwContextId = box.params->dwContextHelpId;
    GetCursorPos(&info.MousePos);
    if (box.params->lpfnMsgBoxCallback) box.params->lpfnMsgBoxCallback(&info);
    else if (box.params->hwndOwner) SendMessage(box.params->hwndOwner, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

void Command(HWND dialog, Box& box, int id) {
    if (id == IDHELP && HasButton(box, IDHELP)) {
        ShowHelp(dialog, box);
    } else if (id == IDCANCEL && !HasButton(box, IDCANCEL)) {
        // Escape and the close command: only a box with a single OK button has that way out.
        if ((box.params->dwStyle & MB_TYPEMASK) == MB_OK) EndDialog(dialog, IDOK);
    } else if (HasButton(box, id)) {
        EndDialog(dialog, id);
    }
}

INT_PTR BoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* box = reinterpret_cast<Box*>(GetWindowLongPtr(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            box = reinterpret_cast<Box*>(lParam);
            SetWindowLongPtr(dialog, DWLP_USER, lParam);
            if (box->icon) SendDlgItemMessage(dialog, kIconId, STM_SETICON, reinterpret_cast<WPARAM>(box->icon), 0);
            SendMessage(dialog, DM_SETDEFID, static_cast<WPARAM>(box->defaultId), 0);
            if (!(box->params->dwStyle & MB_NOFOCUS))
                if (HWND button = GetDlgItem(dialog, box->defaultId)) SetDialogFocus(dialog, button);
            return 0;
        }
        case WM_COMMAND:
            if (box && HIWORD(wParam) == BN_CLICKED) Command(dialog, *box, LOWORD(wParam));
            return 1;
        case WM_HELP:
            if (box) ShowHelp(dialog, *box);
            return 1;
        default: return 0;
    }
}

std::string WithoutMnemonic(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '&' && p[1] != '&') continue;
        out += *p;
    }
    return out;
}

LOGFONT MessageFont() {
    NONCLIENTMETRICS metrics;
    SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return metrics.lfMessageFont;
}

SIZE MeasureText(HDC dc, const std::string& text, int maxWidth, UINT flags) {
    RECT r{0, 0, maxWidth, 0};
    DrawText(dc, text.c_str(), -1, &r, flags | DT_CALCRECT);
    return {r.right - r.left, r.bottom - r.top};
}

struct Layout {
    RECT icon{};
    RECT text{};
    std::vector<RECT> buttons;
    SIZE client{};
};

Layout LayOut(const Box& box, DWORD style, HFONT font) {
    Layout l;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    const RECT work = WorkArea();
    // Long texts wrap at five eighths of the screen, as the classic box does, but no wider than
    // a comfortable line.
    const int wrapWidth = std::min((work.right - work.left) * 5 / 8, 480);
    SIZE text = MeasureText(dc, box.text, wrapWidth, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    int buttonWidth = kButtonWidth;
    for (const MessageBoxButton& b : box.buttons)
        buttonWidth = std::max<int>(buttonWidth, MeasureText(dc, b.text, 0, DT_SINGLELINE).cx + kButtonPadding);
    const int captionWidth = MeasureText(dc, box.caption, 0, DT_SINGLELINE | DT_NOPREFIX).cx + kCaptionReserve;
    SelectObject(dc, old);
    DeleteDC(dc);

    const bool hasIcon = IconName(style) != nullptr;
    int textLeft = kMargin;
    if (hasIcon) {
        l.icon = {kMargin, kMargin, kMargin + kIconSize, kMargin + kIconSize};
        textLeft = l.icon.right + kMargin;
    }
    // A short text stands beside the middle of the icon.
    int textTop = hasIcon && text.cy < kIconSize ? kMargin + (kIconSize - text.cy) / 2 : kMargin;
    l.text = {textLeft, textTop, textLeft + text.cx, textTop + text.cy};
    const int n = static_cast<int>(box.buttons.size());
    const int rowWidth = n * buttonWidth + (n - 1) * kButtonGap;
    const int contentBottom = std::max(l.text.bottom, hasIcon ? l.icon.bottom : 0);
    const int width = std::max({l.text.right + kMargin, rowWidth + 2 * kMargin, captionWidth});
    const int buttonsTop = contentBottom + kMargin + 4;
    int x = (width - rowWidth) / 2;
    for (int i = 0; i < n; ++i, x += buttonWidth + kButtonGap)
        l.buttons.push_back({x, buttonsTop, x + buttonWidth, buttonsTop + kButtonHeight});
    l.client = {width, buttonsTop + kButtonHeight + kMargin};
    return l;
}

RECT ToDialogUnits(const RECT& r, SIZE base) {
    auto ux = [&](int v) { return (v * 4 + base.cx - 1) / base.cx; };
    auto uy = [&](int v) { return (v * 8 + base.cy - 1) / base.cy; };
    return {ux(r.left), uy(r.top), ux(r.right), uy(r.bottom)};
}

std::vector<BYTE> BuildTemplate(const Box& box, DWORD style, const LOGFONT& logical) {
    HFONT font = CreateFontIndirect(&logical);
    SIZE base = FontBaseUnits(font);
    Layout l = LayOut(box, style, font);
    DeleteObject(font);

    DWORD dialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_NOIDLEMSG;
    if (style & MB_SETFOREGROUND) dialogStyle |= DS_SETFOREGROUND;
    DWORD exStyle = 0;
    if (style & (MB_TOPMOST | MB_SYSTEMMODAL)) exStyle |= WS_EX_TOPMOST;
    if (style & MB_RTLREADING) exStyle |= WS_EX_RTLREADING;
    const int pointSize = std::max(1, static_cast<int>(-logical.lfHeight * 72 / 96));
    DialogTemplateBuilder b(dialogStyle, exStyle, ToDialogUnits({0, 0, l.client.cx, l.client.cy}, base), box.caption);
    b.Font(static_cast<WORD>(pointSize), logical.lfFaceName);
    if (IconName(style)) b.AddItem(kDialogClassStatic, WS_CHILD | WS_VISIBLE | SS_ICON, ToDialogUnits(l.icon, base), kIconId, "");
    b.AddItem(kDialogClassStatic, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOPREFIX | ((style & MB_RIGHT) ? SS_RIGHT : SS_LEFT),
              ToDialogUnits(l.text, base), kTextId, box.text);
    for (std::size_t i = 0; i < box.buttons.size(); ++i) {
        const MessageBoxButton& button = box.buttons[i];
        DWORD buttonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? WS_GROUP : 0) |
                            (button.id == box.defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        b.AddItem(kDialogClassButton, buttonStyle, ToDialogUnits(l.buttons[i], base), static_cast<DWORD>(button.id),
                  button.text);
    }
    return b.Build();
}

// Disables the thread's other enabled top-level windows for a task-modal box; gives them back
// when it ends.
class TaskModality {
public:
    explicit TaskModality(bool active) {
        if (!active) return;
        EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&disabled_));
        for (HWND h : disabled_) EnableWindow(h, 0);
    }
    ~TaskModality() {
        for (HWND h : disabled_)
            if (IsWindow(h)) EnableWindow(h, 1);
    }
    TaskModality(const TaskModality&) = delete;
    TaskModality& operator=(const TaskModality&) = delete;

private:
    static BOOL Collect(HWND hwnd, LPARAM lParam) {
        if (IsWindowEnabled(hwnd) && IsWindowVisible(hwnd))
            reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
        return 1;
    }
    std::vector<HWND> disabled_;
};

}  // namespace message_box

using namespace message_box;

std::vector<MessageBoxButton> MessageBoxButtons(UINT type) {
    std::vector<MessageBoxButton> buttons;
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL: buttons = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}}; break;
        case MB_ABORTRETRYIGNORE: buttons = {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}}; break;
        case MB_YESNOCANCEL: buttons = {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}}; break;
        case MB_YESNO: buttons = {{IDYES, "&Yes"}, {IDNO, "&No"}}; break;
        case MB_RETRYCANCEL: buttons = {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}}; break;
        case MB_CANCELTRYCONTINUE:
            buttons = {{IDCANCEL, "Cancel"}, {IDTRYAGAIN, "&Try Again"}, {IDCONTINUE, "&Continue"}};
            break;
        default: buttons = {{IDOK, "OK"}}; break;
    }
    if (type & MB_HELP) buttons.push_back({IDHELP, "Help"});
    return buttons;
}

std::string MessageBoxClipboardText(const std::string& caption, const std::string& text, UINT type) {
    const std::string rule = "---------------------------\r\n";
    std::string labels;
    for (const MessageBoxButton& b : MessageBoxButtons(type)) labels += WithoutMnemonic(b.text) + "   ";
    return rule + caption + "\r\n" + rule + text + "\r\n" + rule + labels + "\r\n" + rule;
}

}  // namespace parch::win

namespace parch {

using namespace win;

int MessageBoxIndirect(const MSGBOXPARAMS* params) {
    if (!params || params->cbSize != sizeof(MSGBOXPARAMS) || (params->dwStyle & MB_TYPEMASK) > MB_CANCELTRYCONTINUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DWORD style = params->dwStyle;
    Box box;
    box.params = params;
    box.buttons = MessageBoxButtons(style);
    box.caption = params->lpszCaption ? params->lpszCaption : "Error";
    box.text = params->lpszText ? params->lpszText : "";
    const std::size_t defaultIndex = (style & MB_DEFMASK) >> 8;
    box.defaultId = box.buttons[defaultIndex < box.buttons.size() ? defaultIndex : 0].id;
    if (const char* icon = IconName(style)) box.icon = LoadIcon(nullptr, icon);

    std::vector<BYTE> bytes = BuildTemplate(box, style, MessageFont());
    HWND owner = params->hwndOwner ? GetAncestor(params->hwndOwner, GA_ROOT) : nullptr;
    TaskModality taskModal((style & MB_TASKMODAL) != 0);
    HWND dialog = CreateDialogIndirectParam(params->hInstance, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()),
                                            bytes.size(), owner, &BoxProc, reinterpret_cast<LPARAM>(&box));
    int result = 0;
    if (dialog) {
        auto copyOnCtrlC = [&](MSG& msg) {
            if (msg.message != WM_KEYDOWN || msg.wParam != 'C' || GetKeyState(VK_CONTROL) >= 0) return false;
            SetClipboardText(MessageBoxClipboardText(box.caption, box.text, style));
            return true;
        };
        result = static_cast<int>(RunModalDialog(dialog, owner, copyOnCtrlC));
    }
    return result < 0 ? 0 : result;
}

int MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    MSGBOXPARAMS params;
    params.hwndOwner = owner;
    params.lpszText = text;
    params.lpszCaption = caption;
    params.dwStyle = type;
    return MessageBoxIndirect(&params);
}

BOOL MessageBeep(UINT) { return 1; }

}  // namespace parch
