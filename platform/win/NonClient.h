#pragma once
// The default non-client area from the styles: where the client area lies inside the frame,
// caption and scroll bars, what a point of the window hits, and how the frame looks.

#include "platform/win/WinUser.h"

namespace parch {

// The window rectangle around a client rectangle for the styles, with a menu bar when asked.
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);

// Draws the default frame, caption and scroll bars of the window into dc, whose origin is the
// window's top-left corner (as a window DC or a WM_PRINT target has it).
void PaintDefaultFrame(HWND hwnd, HDC dc);

}  // namespace parch

namespace parch::win {

// The parts of the default non-client area in window coordinates (origin at the window's
// top-left corner). Parts a window does not have are empty rectangles.
struct FrameLayout {
    RECT window;
    int frame = 0;  // the outer frame (border, dialog or sizing frame)
    int edge = 0;   // the frame and the client or static edge inside it
    RECT caption;   // the caption band, buttons included
    RECT systemMenu;
    RECT closeButton;
    RECT maxButton;
    RECT minButton;
    RECT helpButton;
    RECT menuBar;  // below the caption, in as many rows as it needs
    RECT vertScroll;
    RECT horzScroll;
    RECT sizeBox;  // the square where both bars meet
    RECT client;
};

FrameLayout LayOutFrame(HWND hwnd);
RECT DefaultClientRect(DWORD style, DWORD exStyle, const RECT& window);
// The hit-test code of a screen point over the window (HTNOWHERE outside it).
LRESULT DefaultHitTest(HWND hwnd, POINT screen);
// Paints the frame after WM_NCPAINT: 1 for the whole frame, else a region in screen
// coordinates.
void PaintNonClient(HWND hwnd, WPARAM region);
// Redraws the caption buttons, one of them (HTCLOSE, HTMAXBUTTON...) held down, 0 for none.
void PaintCaptionButtons(HWND hwnd, LRESULT pressed);
void FillWithSysColor(HDC dc, const RECT& rect, int colorIndex);
// The ridges of a size grip in the bottom-right corner of rect.
void DrawSizeGrip(HDC dc, const RECT& rect);
// Whether the frame shows the active look (WM_NCACTIVATE keeps it).
bool FrameLooksActive(HWND hwnd);
void SetFrameLooksActive(HWND hwnd, bool active);

}  // namespace parch::win
