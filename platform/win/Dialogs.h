#pragma once
// Dialogs: windows of the system class "#32770" (atom 0x8002) made from a template, their
// default procedure DefDlgProc, and the modal loop of DialogBox.
//
// Creation, as Windows does it: the dialog window is created hidden (HCBT_CREATEWND sees the
// atom 0x8002 unless the template names another class), the dialog procedure is set, the dialog
// gets WM_SETFONT with the template's font (DS_SETFONT), each control is created and gets
// WM_SETFONT, the dialog gets WM_INITDIALOG (wParam: the first WS_TABSTOP control, which takes
// the focus unless the procedure answers FALSE), and a WS_VISIBLE template is shown.
//
// Templates are built in memory (DialogTemplateBuilder) or registered as RT_DIALOG resources
// of a module (CreateDialogParam, DialogBoxParam).

#include <cstddef>
#include <functional>

#include "platform/win/DialogTemplates.h"
#include "platform/win/WinUser.h"

namespace parch {

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

constexpr ATOM kDialogClassAtom = 0x8002;
inline const char* const WC_DIALOG = MAKEINTATOM(kDialogClassAtom);

// The dialog's window bytes: the result of the last message, the dialog procedure, user data.
constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = DWLP_MSGRESULT + static_cast<int>(sizeof(LRESULT));
constexpr int DWLP_USER = DWLP_DLGPROC + static_cast<int>(sizeof(DLGPROC));
constexpr int DLGWINDOWEXTRA = 30;
static_assert(DWLP_USER + static_cast<int>(sizeof(LONG_PTR)) <= DLGWINDOWEXTRA);

// Dialog messages.
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr UINT DM_REPOSITION = WM_USER + 2;
constexpr WORD DC_HASDEFID = 0x534B;

// Standard control identifiers and dialog results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDCLOSE = 8;
constexpr int IDHELP = 9;
constexpr int IDTRYAGAIN = 10;
constexpr int IDCONTINUE = 11;

constexpr DWORD ERROR_WINDOW_NOT_DIALOG = 1420;

// `size` is the template's size in bytes; a template font above 144 points is made at 144. A
// malformed template gives null with
// ERROR_INVALID_DATA, a control that cannot be made null too (unless DS_NOFAILCREATE).
HWND CreateDialogIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, std::size_t size,
                               HWND parent, DLGPROC proc, LPARAM initParam);
// Runs the dialog modally: the owner's top-level window is disabled meanwhile. Returns what
// EndDialog was given, -1 when the dialog could not be made.
INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, std::size_t size,
                               HWND parent, DLGPROC proc, LPARAM initParam);
inline const char* const RT_DIALOG = MAKEINTRESOURCE(5);
// The template of the module's RT_DIALOG resource `name`; null (-1) with
// ERROR_RESOURCE_NAME_NOT_FOUND when there is none.
HWND CreateDialogParam(HINSTANCE instance, const char* name, HWND parent, DLGPROC proc, LPARAM initParam);
INT_PTR DialogBoxParam(HINSTANCE instance, const char* name, HWND parent, DLGPROC proc, LPARAM initParam);
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Horizontal base unit (low word) and vertical (high word) of the system font.
LONG GetDialogBaseUnits();
// Dialog units to pixels by the dialog's font: x * cxChar / 4, y * cyChar / 8.
BOOL MapDialogRect(HWND dialog, RECT* rect);

}  // namespace parch

namespace parch::win {

// Registers "#32770" (lock held, from the system classes).
void RegisterDialogClass();
// Whether hwnd is a dialog made by the dialog manager.
bool IsDialogWindow(HWND hwnd);
// A dialog that is not on screen yet keeps the control that gets the focus when it shows.
void RememberDialogFocus(HWND dialog, HWND control);
// Base units of a font (average character width and height), as MapDialogRect uses them.
SIZE FontBaseUnits(HFONT font);
// Runs the modal loop of an existing dialog (hidden or shown) until EndDialog; the owner (if
// any) is disabled meanwhile. For message boxes and the like that make their dialog first.
// A filter sees each message first and keeps it from the dialog by answering true.
using ModalFilter = std::function<bool(MSG&)>;
INT_PTR RunModalDialog(HWND dialog, HWND owner, const ModalFilter& filter = {});

}  // namespace parch::win
