#pragma once
// The open and save dialogs: GetOpenFileName and GetSaveFileName over an OPENFILENAME record
// in Windows' layout (strings UTF-8), and CommDlgExtendedError.
//
// The dialog is a resizable "#32770" window made of the system's own controls, so that
// whatever looks for Windows' dialogs finds it: a "Look in" ComboBoxEx32 (the folder chain of
// the current folder and the places Home, Desktop, Documents and "/"), a ToolbarWindow32 (up
// one level, new folder), a SysListView32 report (icon, name, size, type, date modified;
// folders first, hidden files left out unless OFN_FORCESHOWHIDDEN), a "File name" edit, a
// "Files of type" combo made from lpstrFilter, OK and Cancel.
//
// The file-name edit takes a name, a path, a folder to enter (also ".." and absolute ones)
// or a pattern with "*" or "?", which becomes the list's filter. An item that exists is
// always taken as itself, so names holding "*" or "?" can be chosen. Patterns match ignoring
// ASCII case only. The process's current folder is never changed (OFN_NOCHANGEDIR is how
// the dialog always behaves).
//
// Multi-select (OFN_ALLOWMULTISELECT) answers in the Explorer layout whether or not
// OFN_EXPLORER is given: the folder, NUL, each name, NUL, and a final NUL; a single chosen
// file comes back as one path. (The old space-separated layout cannot carry names with
// blanks.) Hooks and custom templates are not available: OFN_ENABLEHOOK,
// OFN_ENABLETEMPLATE and OFN_ENABLETEMPLATEHANDLE make the call fail with
// CDERR_INITIALIZATION instead of being ignored.

#include <cstddef>

#include "platform/win/WinUser.h"

namespace parch {

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAME {
    DWORD lStructSize = sizeof(OPENFILENAME);
    HWND hwndOwner = nullptr;
    HINSTANCE hInstance = nullptr;
    // Pairs of description and ";"-separated patterns, each NUL-ended; a final NUL.
    const char* lpstrFilter = nullptr;
    char* lpstrCustomFilter = nullptr;  // not used
    DWORD nMaxCustFilter = 0;
    DWORD nFilterIndex = 0;  // one-based; 0 or out of range: the first pair
    char* lpstrFile = nullptr;  // in: the initial name or path; out: the result
    DWORD nMaxFile = 0;         // bytes of lpstrFile
    char* lpstrFileTitle = nullptr;  // out: the chosen name without its folder
    DWORD nMaxFileTitle = 0;
    const char* lpstrInitialDir = nullptr;
    const char* lpstrTitle = nullptr;
    DWORD Flags = 0;
    WORD nFileOffset = 0;
    WORD nFileExtension = 0;
    const char* lpstrDefExt = nullptr;
    LPARAM lCustData = 0;
    LPOFNHOOKPROC lpfnHook = nullptr;
    const char* lpTemplateName = nullptr;
    void* pvReserved = nullptr;
    DWORD dwReserved = 0;
    DWORD FlagsEx = 0;
};
// The record as it was before the last three fields were added; callers may give either size.
constexpr DWORD OPENFILENAME_SIZE_VERSION_400 = static_cast<DWORD>(offsetof(OPENFILENAME, pvReserved));

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_SHOWHELP = 0x00000010;
constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
constexpr DWORD OFN_ENABLETEMPLATE = 0x00000040;
constexpr DWORD OFN_ENABLETEMPLATEHANDLE = 0x00000080;
constexpr DWORD OFN_NOVALIDATE = 0x00000100;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_EXTENSIONDIFFERENT = 0x00000400;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_SHAREAWARE = 0x00004000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
constexpr DWORD OFN_NOTESTFILECREATE = 0x00010000;
constexpr DWORD OFN_NONETWORKBUTTON = 0x00020000;
constexpr DWORD OFN_NOLONGNAMES = 0x00040000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_NODEREFERENCELINKS = 0x00100000;
constexpr DWORD OFN_LONGNAMES = 0x00200000;
constexpr DWORD OFN_ENABLEINCLUDENOTIFY = 0x00400000;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;
constexpr DWORD OFN_DONTADDTORECENT = 0x02000000;
constexpr DWORD OFN_FORCESHOWHIDDEN = 0x10000000;
constexpr DWORD OFN_EX_NOPLACESBAR = 0x00000001;

// CommDlgExtendedError's answers.
constexpr DWORD CDERR_DIALOGFAILURE = 0xFFFF;
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_INITIALIZATION = 0x0002;
constexpr DWORD CDERR_NOTEMPLATE = 0x0003;
constexpr DWORD CDERR_NOHINSTANCE = 0x0004;
constexpr DWORD CDERR_MEMALLOCFAILURE = 0x0009;
constexpr DWORD CDERR_NOHOOK = 0x000B;
constexpr DWORD FNERR_SUBCLASSFAILURE = 0x3001;
constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

// Identifiers of the dialog's controls, as Windows numbers them.
constexpr int stc2 = 0x0441;  // "Files of type:"
constexpr int stc3 = 0x0442;  // "File name:"
constexpr int stc4 = 0x0443;  // "Look in:"
constexpr int lst1 = 0x0460;  // the file list
constexpr int cmb1 = 0x0470;  // the file types
constexpr int cmb2 = 0x0471;  // the folders to look in
constexpr int edt1 = 0x0480;  // the file name
constexpr int scr1 = 0x0490;  // the size grip
constexpr int ctl1 = 0x04A0;  // the tool bar
// Commands of the tool bar.
constexpr int kFileDialogUpCommand = 0xA001;
constexpr int kFileDialogNewFolderCommand = 0xA002;

// Runs the dialog modally, owned by hwndOwner's top-level window. TRUE when the user chose:
// lpstrFile holds the path (or the multi-select list), nFileOffset the offset of the (first)
// name, nFileExtension the offset of the extension after its dot (that of the terminating NUL
// when the name has none, 0 when it ends with a dot or several names were chosen),
// nFilterIndex the type shown last, lpstrFileTitle (when given) the name cut to its buffer.
// FALSE when cancelled (CommDlgExtendedError 0) or on an error: when lpstrFile is too small,
// FNERR_BUFFERTOOSMALL, with the needed size in bytes (NUL's included, at most 0xFFFF) as a
// little-endian WORD in its first two bytes when it has room for them.
BOOL GetOpenFileName(OPENFILENAME* ofn);
BOOL GetSaveFileName(OPENFILENAME* ofn);
// The calling thread's error of its last file dialog; 0 when it ended normally or was cancelled.
DWORD CommDlgExtendedError();

}  // namespace parch
