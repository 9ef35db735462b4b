#pragma once
// The message loop of a modal mouse interaction (moving or sizing a window, holding a caption
// button or a scroll bar): the window holds the capture while it runs. Internal to
// platform/win.

#include <functional>

#include "platform/win/WinUser.h"

namespace parch::win {

enum class LoopStep {
    Continue,  // the message was used
    Dispatch,  // not the interaction's: dispatched as usual
    End,       // the interaction is over
};

// Captures the mouse for hwnd (if the caller has not yet) and hands every message the thread reads to step until it
// answers End, the capture goes elsewhere, the window goes away or WM_QUIT arrives (which is
// posted again for the loop outside). Releases the capture if it still holds it.
void RunCaptureLoop(HWND hwnd, const std::function<LoopStep(const MSG&)>& step);

bool IsMouseMessage(UINT message);
bool IsButtonUp(UINT message);  // the left button, client or non-client

}  // namespace parch::win
