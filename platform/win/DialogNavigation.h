#pragma once
// The keyboard in dialogs (IsDialogMessage) and the calls that reach a dialog's controls by
// identifier.
//
// IsDialogMessage takes the messages meant for the dialog or its controls: Tab and Shift+Tab
// move over the WS_TABSTOP controls (hidden and disabled ones skipped), the arrows move within
// a WS_GROUP group (a radio button is clicked as it gets the focus), Enter clicks the focused
// push button or else the default one (DM_GETDEFID, IDOK when none), Escape sends IDCANCEL,
// and a mnemonic (Alt+letter, or the plain letter when the focus does not want characters)
// goes to the control whose text marks it with "&". A control's WM_GETDLGCODE answer keeps
// the keys it wants.

#include "platform/win/WinUser.h"

namespace parch {

BOOL IsDialogMessage(HWND dialog, MSG* msg);

HWND GetDlgItem(HWND dialog, int id);
UINT GetDlgItemText(HWND dialog, int id, char* buffer, int size);
BOOL SetDlgItemText(HWND dialog, int id, const char* text);
// The text as a decimal number (leading blanks and a sign allowed when isSigned); translated
// tells whether it was one that fits.
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
// Checks `check` and clears the other buttons of [first, last].
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
// The next (or previous) visible, enabled WS_TABSTOP control after `control`, wrapping
// around; null control: the first (or last). Controls of child windows with
// WS_EX_CONTROLPARENT count as the dialog's own.
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
// The next (or previous) visible, enabled control of `control`'s group, wrapping within it.
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

}  // namespace parch

namespace parch::win {

// Gives `control` of `dialog` the focus as the dialog manager does: an edit-like control gets
// all its text selected (DLGC_HASSETSEL), and the default-button look follows the focus.
void SetDialogFocus(HWND dialog, HWND control);
// The focused push button looks like the default one; when the focus is on another kind of
// control, the button of the dialog's default identifier does.
void UpdateDefaultButton(HWND dialog, HWND focus);

}  // namespace parch::win
