#pragma once
// Named resources of modules: bitmaps, icons and icon groups, cursors, string tables and raw
// data, registered by the program (from its embedded data) and found as Windows finds them.
// Names are numbers (MAKEINTRESOURCE) or texts matched without ASCII case; "#12" is 12.

#include <string>
#include <string_view>

#include "platform/os/ProcedureTable.h"
#include "platform/win/WinUser.h"

namespace parch {

struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = const void*;

inline const char* const RT_CURSOR = MAKEINTRESOURCE(1);
inline const char* const RT_BITMAP = MAKEINTRESOURCE(2);
inline const char* const RT_ICON = MAKEINTRESOURCE(3);
inline const char* const RT_STRING = MAKEINTRESOURCE(6);
inline const char* const RT_RCDATA = MAKEINTRESOURCE(10);
inline const char* const RT_GROUP_CURSOR = MAKEINTRESOURCE(12);
inline const char* const RT_GROUP_ICON = MAKEINTRESOURCE(14);

// Registration. A null module is the program's (GetModuleHandle(nullptr)). Registering a
// name again replaces its data for later look-ups.
void RegisterResource(HINSTANCE module, const char* type, const char* name, std::string bytes);
// An .ico or .cur file as the resource compiler stores it: a GROUP_ICON (GROUP_CURSOR) of the
// name and one ICON (CURSOR) per entry. False, with nothing registered, for a damaged file.
bool RegisterIconResource(HINSTANCE module, const char* name, std::string_view file);
// A string of the module's string table (UTF-8).
void RegisterString(HINSTANCE module, UINT id, std::string text);

HRSRC FindResource(HINSTANCE module, const char* name, const char* type);
HGLOBAL LoadResource(HINSTANCE module, HRSRC resource);
const void* LockResource(HGLOBAL data);
DWORD SizeofResource(HINSTANCE module, HRSRC resource);
// The bytes of a resource, or nothing.
std::string_view ResourceBytes(HINSTANCE module, const char* name, const char* type);

// Copies the string (cut at a character boundary to fit, NUL-terminated) and returns its
// length in bytes; 0 when the module has no such string or the buffer has no room.
int LoadString(HINSTANCE module, UINT id, char* buffer, int bufferSize);

// A BITMAP resource as a DIB section; null when missing or damaged. LoadBitmap answers the
// system bitmaps (null module, OBM_ ids) itself and the named ones through this.
HBITMAP LoadBitmapResource(HINSTANCE module, const char* name);

}  // namespace parch
