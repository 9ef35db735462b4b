#pragma once
// The caret: one per thread, owned by one window, shown while its hide count is zero. It
// blinks on the window system's clock and is drawn by inverting its rectangle (or XOR-ing its
// bitmap) in the owner's client area, so drawing it twice takes it away again. When the owner
// has painted over it in the meantime, the caret finds other pixels than it left and does not
// invert again, so it never leaves a mark behind.

#include "platform/win/WinUser.h"

namespace parch {

// A bitmap, when given, is the caret's shape (its size wins over width and height); otherwise
// a solid block, with 0 meaning the width or height of a window border. The caret starts
// hidden.
BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
// hwnd must own the caret (null: whichever window owns it on this thread).
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);
// Client coordinates of the owner.
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* point);
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT ms);

}  // namespace parch
