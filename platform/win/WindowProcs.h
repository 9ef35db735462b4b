#pragma once
// Calling window procedures, procedures bound to objects, and subclass chains.

#include <functional>

#include "platform/win/WinUser.h"

namespace parch {

// Calls prev as a window procedure. prev may be a plain function or a procedure instance;
// a null or freed instance answers as DefWindowProc would.
LRESULT CallWindowProc(WNDPROC prev, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// A window procedure made from any callable, usable wherever a WNDPROC is (GWL_WNDPROC,
// WNDCLASSEX). It must be called through CallWindowProc, as every saved procedure must. The
// value is an address that can never be code, so a stale instance is recognised after it is
// freed and never jumped to.
using WindowProcFunction = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
WNDPROC MakeWindowProcInstance(WindowProcFunction function);
void FreeWindowProcInstance(WNDPROC instance);
bool IsWindowProcInstance(WNDPROC proc);

// Subclass chains in which every member can be removed at any time and in any order: each
// member passes messages on with DefSubclassProc, which always reaches the next member still
// installed, or the window's procedure of before.
BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR refData);
BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* refData);
BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id);
LRESULT DefSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace parch

namespace parch::win {
// The window is gone: its subclass chain is dropped.
void DropSubclasses(HWND hwnd);
}  // namespace parch::win
