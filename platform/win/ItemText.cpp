#include "platform/win/ItemText.h"

#include <algorithm>

#include "platform/gdi/Utf8Text.h"

namespace parch::win {

void CopyItemText(const std::string& text, char* buffer, int size) {
    if (!buffer || size <= 0) return;
    std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    // A cut never leaves half a character behind.
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::copy_n(text.data(), n, buffer);
    buffer[n] = '\0';
}

void CopyItemText(const std::string& text, char16_t* buffer, int size) {
    if (!buffer || size <= 0) return;
    std::u16string wide = Utf16FromUtf8(text);
    std::size_t n = std::min(wide.size(), static_cast<std::size_t>(size - 1));
    if (n > 0 && n < wide.size() && wide[n] >= 0xDC00 && wide[n] <= 0xDFFF) --n;
    std::copy_n(wide.data(), n, buffer);
    buffer[n] = u'\0';
}

std::string ItemTextFromWide(const char16_t* text) { return text ? Utf8FromUtf16(text) : std::string(); }

}  // namespace parch::win
