#pragma once
// UTF-8 <-> code points for the text functions: GUI text is UTF-8, glyphs are looked up by code
// point. Malformed sequences decode to U+FFFD one byte at a time, so no input is lost silently
// and no input can make the decoder read past its end.

#include <string>
#include <string_view>

namespace parch {

std::u32string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);

// Text as the controls count it: one position per code point. Malformed bytes count one each,
// as DecodeUtf8 reads them.
std::size_t CodePointCount(std::string_view text);
// The byte offset where code point `index` starts (the text's size when index is past its end).
std::size_t ByteOffsetOfCodePoint(std::string_view text, std::size_t index);
// The longest prefix of at most maxBytes bytes that does not end inside a character.
std::string_view CutAtCharacterBoundary(std::string_view text, std::size_t maxBytes);
// The text with malformed sequences replaced, so what a control stores is always valid UTF-8.
std::string ValidUtf8(std::string_view text);

// UTF-16 for the "W" functions; unpaired surrogates become U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace parch
