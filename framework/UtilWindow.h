#pragma once
// Hidden windows of class "TPUtilWindow" that hand their messages to a callable, for objects
// that need a window of their own without being controls (timers, the thread synchronizer).
// A window belongs to the thread that allocates it and is freed on that thread.

#include <functional>

#include "framework/Messages.h"

namespace parch {

// Handles a message; what it leaves alone it passes to DefWindowProc itself.
using TWndMethod = std::function<void(TMessage& message)>;

// An empty method leaves every message to DefWindowProc.
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND wnd);

}  // namespace parch
