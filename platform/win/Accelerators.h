#pragma once
// Keyboard accelerator tables: a key with its shift keys that stands for a command.
// TranslateAccelerator turns a matching key press into WM_COMMAND (high word 1), or
// WM_SYSCOMMAND when the command is one of the window's system menu, after WM_INITMENU when
// the command is in the window's menu; a greyed menu item's command does not fire.

#include "platform/win/WinUser.h"

namespace parch {

struct HACCEL__;
using HACCEL = HACCEL__*;

constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FNOINVERT = 0x02;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

struct ACCEL {
    BYTE fVirt = 0;
    WORD key = 0;  // a virtual key with FVIRTKEY, else a character
    WORD cmd = 0;
};

HACCEL CreateAcceleratorTable(const ACCEL* entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// Copies up to count entries (all of them when entries is null, answering how many there are).
int CopyAcceleratorTable(HACCEL table, ACCEL* entries, int count);
// Answers non-zero when msg was a key of the table and its command was sent to hwnd.
int TranslateAccelerator(HWND hwnd, HACCEL table, const MSG* msg);

}  // namespace parch
