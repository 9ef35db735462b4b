#pragma once
// PDF object syntax: character classes, the object parser that builds model objects in a
// structure, and the string readers.

#include <cstdint>
#include <string>
#include <string_view>

namespace parch {

class TPDFDictionary;
class TPDFObject;
class TPDFStructure;

// Nesting depth of dictionaries and arrays beyond which the parser stops reading.
inline constexpr int kMaxParseDepth = 256;

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
std::string DecodeHexString(std::string_view text);
// The unescaped bytes of a literal string given with its parentheses, as content streams read
// them.
std::string DecodeLiteralString(std::string_view text);

// Parses the first object of `text` into the structure, never nil (a TPDFNull when nothing can
// be read). `end` is the offset just after what was consumed.
TPDFObject* ParseObjectAt(TPDFStructure& structure, std::string_view text, std::int64_t& end);
TPDFObject* ParseObject(TPDFStructure& structure, std::string_view text);

// Makes the target's entries those of the source: a dictionary of the same structure shares
// its key and value objects; one of another structure is copied through its text.
void AssignDictionary(TPDFDictionary& target, const TPDFDictionary& source);

}  // namespace parch
