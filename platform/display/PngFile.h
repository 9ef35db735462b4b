#pragma once
// Pictures of the screen or of a window saved as PNG, for tests and bug reports.

#include <string>

#include "platform/win/WinUser.h"

namespace parch {

// Writes a 32-bit bitmap as an 8-bit RGBA PNG; false when the bitmap is not 32-bit or the
// file cannot be written.
bool SavePng(HBITMAP bitmap, const std::string& path);

// The composed screen, or one top-level window's picture, saved as PNG.
bool SaveScreenPng(const std::string& path);
bool SaveWindowPng(HWND hwnd, const std::string& path);

}  // namespace parch
