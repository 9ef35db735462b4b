#pragma once
// Window hooks. The window system calls WH_CBT hooks before it creates, destroys, activates,
// minimizes or maximizes a window, and before it moves the focus; a hook answering non-zero
// stops the operation. Hooks may be removed at any time, also from inside a hook.

#include "platform/win/WinUser.h"

namespace parch {

// threadId 0 hooks every thread of the process.
HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

}  // namespace parch

namespace parch::win {
// Runs the calling thread's hook chain of the type; 0 when there is none.
LRESULT CallHooks(int type, int code, WPARAM wParam, LPARAM lParam);
}  // namespace parch::win
