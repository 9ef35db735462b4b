#pragma once
// PDF text strings: PDFDocEncoding, or UTF-16BE with its byte-order mark.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/core/ScrivletUnicode.h"

namespace parch {

// The Unicode character of each PDFDocEncoding code; the undefined codes 127, 159 and 173 hold
// U+FFFD.
const std::array<char16_t, 256>& PDFDocEncodingTable();

// The PDFDocEncoding code of a character: its low byte when that code holds it, otherwise the
// first code that does; -1 when none.
int PDFDocIndexOf(char16_t c);

// The bytes of a PDF text string: PDFDocEncoding when every character has a code there (and
// Unicode is not forced), else FE FF and UTF-16BE with invalid characters as U+FFFD. The
// length marker is removed first.
std::string WideToPDFTextString(std::u16string_view text, bool forceUnicode);

}  // namespace parch
