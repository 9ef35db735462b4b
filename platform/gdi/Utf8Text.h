#pragma once
// UTF-8 <-> code points for the text functions: GUI text is UTF-8, glyphs are looked up by code
// point. Malformed sequences decode to U+FFFD one byte at a time, so no input is lost silently
// and no input can make the decoder read past its end.

#include <string>
#include <string_view>

namespace parch {

std::u32string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);

}  // namespace parch
