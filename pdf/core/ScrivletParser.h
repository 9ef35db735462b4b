#pragma once
// PDF object syntax: character classes and the hexadecimal string reader. The parser itself
// is TPDFStructure::ParseObjectAt (ScrivletStructure.h).

#include <string>
#include <string_view>

namespace parch {

// NUL, TAB, LF, FF, CR, SPACE.
inline bool IsPDFWhiteSpace(char c) {
    return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}
// "%", "(", ")", "/", "<", ">", "[", "]", "{"; the closing brace is no delimiter.
inline bool IsPDFDelimiter(char c) {
    return c == '%' || c == '(' || c == ')' || c == '/' || c == '<' || c == '>' || c == '[' ||
           c == ']' || c == '{';
}
inline bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsHexDigit(char c) {
    return IsDecimalDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "<...>" to bytes: letters and digits inside kept, an odd count padded with "0", a pair that
// is not hexadecimal giving 0. Text not framed by "<" and ">" gives an empty result.
std::string HexStringToBytes(std::string_view text);

}  // namespace parch
