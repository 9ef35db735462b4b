#pragma once
// Painting: window and screen device contexts, update regions and WM_PAINT, redrawing,
// printing a window into a foreign context, scrolling a window's pixels, window regions.
//
// Every top-level window paints into its own backing store; child windows paint into their
// top-level window's store. A window context is clipped to the window's visible region: its
// own area (and window region) inside every ancestor's client area, less the siblings above
// it when WS_CLIPSIBLINGS and less its children when WS_CLIPCHILDREN. The screen context
// (GetDC(0)) reads and draws the composed screen.
//
// Update regions are kept in window coordinates; InvalidateRect and friends take client
// coordinates, as Windows does. A window with a non-empty update region, a frame to repaint or
// an internal paint request gets WM_PAINT when its thread's queue has nothing else; BeginPaint
// sends WM_NCPAINT and WM_ERASEBKGND as due and validates.

#include "platform/win/WinUser.h"

namespace parch {

struct PAINTSTRUCT {
    HDC hdc = nullptr;
    BOOL fErase = 0;  // true when the background was not erased (WM_ERASEBKGND answered 0)
    RECT rcPaint;
    BOOL fRestore = 0;
    BOOL fIncUpdate = 0;
    BYTE rgbReserved[32] = {};
};

// GetDCEx flags.
constexpr DWORD DCX_WINDOW = 0x00000001;
constexpr DWORD DCX_CACHE = 0x00000002;
constexpr DWORD DCX_NORESETATTRS = 0x00000004;
constexpr DWORD DCX_CLIPCHILDREN = 0x00000008;
constexpr DWORD DCX_CLIPSIBLINGS = 0x00000010;
constexpr DWORD DCX_PARENTCLIP = 0x00000020;
constexpr DWORD DCX_EXCLUDERGN = 0x00000040;
constexpr DWORD DCX_INTERSECTRGN = 0x00000080;
constexpr DWORD DCX_EXCLUDEUPDATE = 0x00000100;
constexpr DWORD DCX_INTERSECTUPDATE = 0x00000200;
constexpr DWORD DCX_LOCKWINDOWUPDATE = 0x00000400;
constexpr DWORD DCX_VALIDATE = 0x00200000;

// RedrawWindow flags.
constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

// WM_PRINT and WM_PRINTCLIENT options.
constexpr LPARAM PRF_CHECKVISIBLE = 0x00000001;
constexpr LPARAM PRF_NONCLIENT = 0x00000002;
constexpr LPARAM PRF_CLIENT = 0x00000004;
constexpr LPARAM PRF_ERASEBKGND = 0x00000008;
constexpr LPARAM PRF_CHILDREN = 0x00000010;
constexpr LPARAM PRF_OWNED = 0x00000020;

// ScrollWindowEx flags.
constexpr UINT SW_SCROLLCHILDREN = 0x0001;
constexpr UINT SW_INVALIDATE = 0x0002;
constexpr UINT SW_ERASE = 0x0004;

// Device contexts. A null window (or the desktop) gives the screen context. The context is
// deleted by ReleaseDC; clipRegion of GetDCEx is in screen coordinates and stays the caller's.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
HDC GetDCEx(HWND hwnd, HRGN clipRegion, DWORD flags);
int ReleaseDC(HWND hwnd, HDC dc);
HWND WindowFromDC(HDC dc);

// Update regions. A null window stands for every top-level window.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRgn(HWND hwnd, HRGN region);
// Client coordinates; erase asks for the pending WM_NCPAINT/WM_ERASEBKGND to be sent now.
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
// Invalidates or validates first, then repaints at once with RDW_UPDATENOW or RDW_ERASENOW.
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);

// Moves the client pixels by (dx, dy) and invalidates what is uncovered. Rectangles are
// client coordinates; the returned type is that of the uncovered region.
BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip);
int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN updateRegion,
                   RECT* updateRect, UINT flags);

// The window region, in window coordinates: the window system takes the region over (the
// handle is freed); null removes it. GetWindowRgn copies it into region and answers its type,
// ERROR when the window has none.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
int GetWindowRgn(HWND hwnd, HRGN region);
int GetWindowRgnBox(HWND hwnd, RECT* rect);

}  // namespace parch

namespace parch::win {

// The default handling of the painting messages: WM_PAINT (paints nothing, validates; with a
// context in WParam, as a window is asked to paint into another context, nothing at all),
// WM_ERASEBKGND (the class brush), WM_PRINT, WM_PRINTCLIENT, WM_SETREDRAW. DefWindowProc asks
// here first; true when the message was handled, with the answer in result.
bool DefaultPaintMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// Installs the painting layer into the queues and window placement (idempotent).
void InstallPainting();

}  // namespace parch::win
