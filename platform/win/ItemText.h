#pragma once
// Item texts of the common controls kept as UTF-8 and handed out through the callers' buffers
// of the A (UTF-8) and W (UTF-16) messages: always terminated, cut to the buffer's size.

#include <string>

#include "platform/win/WinUser.h"

namespace parch::win {

// size counts the buffer's units, terminator included; nothing is written when it is not positive.
void CopyItemText(const std::string& text, char* buffer, int size);
void CopyItemText(const std::string& text, char16_t* buffer, int size);

std::string ItemTextFromWide(const char16_t* text);

}  // namespace parch::win
