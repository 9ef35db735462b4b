#pragma once
// Message boxes: a modal dialog of the class "#32770" made from a template (DS_MODALFRAME, an
// icon, the text wrapped to a sensible width, one row of buttons with Windows' identifiers and
// texts). Escape and the close command answer only when the box has a way to cancel: its
// Cancel button, or the single OK button of MB_OK. Ctrl+C copies the box's texts.

#include <string>
#include <vector>

#include "platform/win/WinUser.h"

namespace parch {

// Button sets.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_CANCELTRYCONTINUE = 0x00000006;
// Icons.
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_USERICON = 0x00000080;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
// Default button.
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFBUTTON4 = 0x00000300;
// Modality and the rest.
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_HELP = 0x00004000;
constexpr UINT MB_NOFOCUS = 0x00008000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_DEFAULT_DESKTOP_ONLY = 0x00020000;
constexpr UINT MB_TOPMOST = 0x00040000;
constexpr UINT MB_RIGHT = 0x00080000;
constexpr UINT MB_RTLREADING = 0x00100000;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFMASK = 0x00000F00;
constexpr UINT MB_MODEMASK = 0x00003000;
constexpr UINT MB_MISCMASK = 0x0000C000;

constexpr UINT WM_HELP = 0x0053;
constexpr int HELPINFO_WINDOW = 0x0001;
constexpr int HELPINFO_MENUITEM = 0x0002;

struct HELPINFO {
    UINT cbSize = sizeof(HELPINFO);
    int iContextType = 0;
    int iCtrlId = 0;
    void* hItemHandle = nullptr;
    DWORD_PTR dwContextId = 0;
    POINT MousePos;
};

using MSGBOXCALLBACK = void (*)(HELPINFO*);

struct MSGBOXPARAMS {
    UINT cbSize = sizeof(MSGBOXPARAMS);
    HWND hwndOwner = nullptr;
    HINSTANCE hInstance = nullptr;
    const char* lpszText = nullptr;
    const char* lpszCaption = nullptr;
    DWORD dwStyle = 0;
    const char* lpszIcon = nullptr;
    DWORD_PTR dwContextHelpId = 0;
    MSGBOXCALLBACK lpfnMsgBoxCallback = nullptr;
    DWORD dwLanguageId = 0;
};

// The identifier of the button chosen (IDOK, IDCANCEL, IDYES...); 0 when the box could not be
// shown. A null caption is "Error", as on Windows.
int MessageBox(HWND owner, const char* text, const char* caption, UINT type);
int MessageBoxIndirect(const MSGBOXPARAMS* params);
// There is no sound: a beep is a no-op that succeeds.
BOOL MessageBeep(UINT type);

}  // namespace parch

namespace parch::win {

struct MessageBoxButton {
    int id;
    const char* text;
};
// The buttons of a box type, in their order on screen (MB_HELP adds "Help").
std::vector<MessageBoxButton> MessageBoxButtons(UINT type);
// What Ctrl+C puts on the clipboard for a box.
std::string MessageBoxClipboardText(const std::string& caption, const std::string& text, UINT type);

}  // namespace parch::win
