#pragma once
// Window classes, registered by name and known by atom. A name of the form "#<number>" is the
// number itself as an atom, so the menu class "#32768" is atom 0x8000 and the dialog class
// "#32770" is 0x8002. Names compare without regard to ASCII case.

#include "platform/win/WinUser.h"

namespace parch {

ATOM RegisterClassEx(const WNDCLASSEX* wc);
BOOL UnregisterClass(const char* className, HINSTANCE instance);
BOOL GetClassInfoEx(HINSTANCE instance, const char* className, WNDCLASSEX* wc);

// Copies the class name of the window into buffer (at most size - 1 bytes and a terminating
// zero); returns the bytes copied, 0 on failure.
int GetClassName(HWND hwnd, char* buffer, int size);
std::uintptr_t GetClassLongPtr(HWND hwnd, int index);
std::uintptr_t SetClassLongPtr(HWND hwnd, int index, LONG_PTR value);

}  // namespace parch

namespace parch::win {
struct WindowClass;
// The class of a name or atom (lock held); nullptr when none is registered.
WindowClass* FindClass(const char* nameOrAtom);
}  // namespace parch::win
