#pragma once
// The multiple-document interface: the "MDIClient" window inside a frame holds child windows,
// activates, maximizes, restores, tiles, cascades and closes them on WM_MDI* messages, keeps a
// window menu listing them, and while a child is maximized puts its system menu and its
// minimize, restore and close buttons into the frame's menu bar. DefFrameProc and
// DefMDIChildProc carry the frame's and the children's part.

#include "platform/win/Menus.h"
#include "platform/win/WinUser.h"

namespace parch {

constexpr UINT WM_MDICREATE = 0x0220;
constexpr UINT WM_MDIDESTROY = 0x0221;
constexpr UINT WM_MDIRESTORE = 0x0223;
constexpr UINT WM_MDINEXT = 0x0224;
constexpr UINT WM_MDIMAXIMIZE = 0x0225;
constexpr UINT WM_MDITILE = 0x0226;
constexpr UINT WM_MDICASCADE = 0x0227;
constexpr UINT WM_MDIICONARRANGE = 0x0228;
constexpr UINT WM_MDIGETACTIVE = 0x0229;
constexpr UINT WM_MDISETMENU = 0x0230;
constexpr UINT WM_MDIREFRESHMENU = 0x0234;

constexpr WPARAM MDITILE_VERTICAL = 0x0000;
constexpr WPARAM MDITILE_HORIZONTAL = 0x0001;
constexpr WPARAM MDITILE_SKIPDISABLED = 0x0002;

// Client window style: the children keep the styles they are created with.
constexpr DWORD MDIS_ALLCHILDSTYLES = 0x0001;

constexpr UINT SC_NEXTWINDOW = 0xF040;
constexpr UINT SC_PREVWINDOW = 0xF050;

struct CLIENTCREATESTRUCT {
    HMENU hWindowMenu = nullptr;
    UINT idFirstChild = 0;
};

struct MDICREATESTRUCT {
    const char* szClass = nullptr;
    const char* szTitle = nullptr;
    HINSTANCE hOwner = nullptr;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int cx = CW_USEDEFAULT;
    int cy = CW_USEDEFAULT;
    DWORD style = 0;
    LPARAM lParam = 0;
};

// The class name of the client window.
constexpr const char* kMdiClientClass = "MDIClient";

HWND CreateMDIWindow(const char* className, const char* title, DWORD style, int x, int y, int width, int height,
                     HWND client, HINSTANCE instance, LPARAM lParam);
LRESULT DefFrameProc(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefMDIChildProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam);
// Ctrl+F4 closes the active child, Ctrl+F6 and Ctrl+Tab go to the next one (with Shift the
// previous one). True when the message was such a key and has been carried out.
BOOL TranslateMDISysAccel(HWND client, const MSG* message);

}  // namespace parch

namespace parch::win {

void RegisterMdiClientClass();

}  // namespace parch::win
