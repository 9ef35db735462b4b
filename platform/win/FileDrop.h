#pragma once
// Files dropped on a window: windows that accept them (WS_EX_ACCEPTFILES, DragAcceptFiles)
// get WM_DROPFILES with a drop handle that lists the files until DragFinish frees it.

#include <string>
#include <vector>

#include "platform/win/WinUser.h"

namespace parch {

constexpr UINT WM_DROPFILES = 0x0233;

struct HDROP__;
using HDROP = HDROP__*;

void DragAcceptFiles(HWND hwnd, BOOL accept);
// index 0xFFFFFFFF: the number of files. Otherwise copies file `index` (UTF-8, cut to fit with
// its terminating null) and returns its length; with a null buffer only the length.
UINT DragQueryFile(HDROP drop, UINT index, char* buffer, UINT size);
// Where the files were dropped, in the window's client coordinates; true inside the client.
BOOL DragQueryPoint(HDROP drop, POINT* point);
void DragFinish(HDROP drop);

}  // namespace parch

namespace parch::win {

// From the display back end: files dropped at a screen point go to the window there, or to
// the nearest ancestor that accepts files. False when none does.
bool DropFiles(POINT screen, std::vector<std::string> files);

}  // namespace parch::win
