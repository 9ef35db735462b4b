#pragma once
// The system's stock icons (IDI_*): the error, question, warning and information icons of the
// desktop's icon theme ("dialog-error"...) where it has them, otherwise drawn by code in the
// classic look: a red circle with a white cross (error), a blue circle with "?" (question) or
// "i" (information), a yellow triangle with "!" (warning), a window (application).

#include "platform/win/WinUser.h"

namespace parch {

inline const char* const IDI_APPLICATION = reinterpret_cast<const char*>(32512);
inline const char* const IDI_HAND = reinterpret_cast<const char*>(32513);
inline const char* const IDI_QUESTION = reinterpret_cast<const char*>(32514);
inline const char* const IDI_EXCLAMATION = reinterpret_cast<const char*>(32515);
inline const char* const IDI_ASTERISK = reinterpret_cast<const char*>(32516);
inline const char* const IDI_WINLOGO = reinterpret_cast<const char*>(32517);
inline const char* const IDI_WARNING = IDI_EXCLAMATION;
inline const char* const IDI_ERROR = IDI_HAND;
inline const char* const IDI_INFORMATION = IDI_ASTERISK;

constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// LoadIcon(nullptr, IDI_...): the stock icon at the system icon size, made once and shared (a
// DestroyIcon on it makes the next call draw it anew). With a module: its icon resource, shared.
HICON LoadIcon(HINSTANCE instance, const char* name);

}  // namespace parch

namespace parch {
class IconThemes;
}

namespace parch::win {

// A new icon of the stock icon `name` from the theme's "dialog-error", "dialog-question",
// "dialog-warning" or "dialog-information" at size x size; null when the theme lacks it or
// `name` has none.
HICON CreateThemedSystemIcon(const IconThemes& themes, const char* name, int size);

// A new 32-bit top-down DIB section of size x size pixels with premultiplied alpha holding
// the stock icon `name` (an IDI_* value); null for a name that is no stock icon.
HBITMAP CreateSystemIconBitmap(const char* name, int size);
// A new icon of the stock icon `name` at size x size, owned by the caller.
HICON CreateSystemIcon(const char* name, int size);

}  // namespace parch::win
