#pragma once
// Timers of windows and threads, on the window system's clock. A due timer gives one WM_TIMER
// when its thread finds nothing else to do; a timer that fell behind fires once and keeps its
// rhythm rather than firing for every period missed.

#include <cstdint>
#include <functional>

#include "platform/win/WinUser.h"

namespace parch {

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

}  // namespace parch

namespace parch::win {

struct ThreadQueue;

// The next due timer message that accepts takes (lock held); with remove, the timer moves on
// to its next period.
bool TakeTimerMessage(ThreadQueue& queue, const std::function<bool(const MSG&)>& accepts, bool remove,
                      MSG& out);
// When the thread's next timer is due (UINT64_MAX: none).
std::uint64_t NextTimerDue(const ThreadQueue& queue);
// Whether a WM_TIMER's procedure still belongs to a live timer, so a stale message is never
// used to call an arbitrary address.
bool IsWindowTimerProc(HWND hwnd, UINT_PTR id, LPARAM proc);
bool IsThreadTimerProc(UINT_PTR id, LPARAM proc);
// The window is being destroyed (lock held).
void KillWindowTimers(HWND hwnd);

}  // namespace parch::win
