#pragma once
// Icons and cursors of the window system: the icon objects of the graphics layer, and the
// shared system cursors.

#include "platform/gdi/IconObjects.h"
#include "platform/win/WinUser.h"

namespace parch {

// The system cursor for an IDC_ identifier (a shared cursor, made on first use), or null.
HCURSOR SharedSystemCursor(UINT id);

}  // namespace parch
