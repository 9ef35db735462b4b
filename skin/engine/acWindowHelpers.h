#pragma once
// Window helpers that skinned forms, dialogs and the skin manager share and that need no skin
// provider: layered pictures, preparing a window for an animation, a cover that holds a window's
// picture on screen, the desktop-composition queries and window class names.

#include <memory>
#include <string>

#include "framework/Forms.h"
#include "platform/os/OsTypes.h"
#include "platform/win/WinUser.h"

namespace parch {

class TBitmap;

// Layered windows are part of our window system: always available.
bool LayeredWindowsAvailable();
// Desktop composition: true only when the desktop manager's library answers that it is on.
bool IsCompositionEnabled();
// Sets a window attribute through the desktop manager; E_NOTIMPL without it.
HRESULT CallDwmSetWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size);
// Asks the desktop manager for new thumbnail pictures of the window (nothing without it).
void InvalidateIconicBitmaps(HWND window);

// The window's class name (at most 128 characters).
std::string GetWindowClassName(HWND window);

// Makes the window layered and shows the 32-bit picture (premultiplied alpha) with the constant
// alpha; without a picture, a fully transparent one of the window's size. position moves the
// window (nullptr: it stays).
void SetLayeredWindowImage(HWND window, TBitmap* picture, BYTE alpha, const POINT* position = nullptr);
// on: makes a window that is not layered yet layered with alpha 1 (true); one already layered
// is left alone (false). off: hides it without repainting and takes the layered style away.
bool SetWindowAnimLayered(HWND window, bool on);

// A hidden helper form over the window (Tag -98, no border, no activation, tool window), shown
// topmost as a layered window holding the window's current picture. The caller owns it.
std::unique_ptr<TForm> CreateCoverForm(HWND window);

}  // namespace parch
