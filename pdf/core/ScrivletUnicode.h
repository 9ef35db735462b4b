#pragma once
// Conversions between UTF-8 and UTF-16 with explicit policies for invalid characters and
// byte-order marks.
//
// UTF-16 input form: 1 little-endian (native) with surrogate pairs combined, 2 big-endian with
// pairs, 3 little-endian with every surrogate invalid, 4 or more big-endian with every surrogate
// invalid; 0 converts nothing.
// UTF-16 output form: 1 little-endian up to U+10FFFF, 2 big-endian up to U+10FFFF, 3
// little-endian up to U+FFFF, 4 big-endian up to U+FFFF; any other converts nothing.
// Big-endian means the code units of the std::u16string are byte-swapped.
//
// BOM policy: 0 nothing; 1 a U+FEFF as the first character of the input is dropped; 2 a
// byte-order mark is written first (and a U+FEFF in the input is then kept).
//
// Error policy for an invalid character: 0 stop and cut the output back to the byte-order mark;
// 1 stop and keep the output so far; 2 skip it; 3 write U+FFFD; 4 or more write it as it came
// (an ill-formed sequence then gives U+FFFD).
// Invalid: ill-formed sequences, surrogate code points, the noncharacters U+FDD0..U+FDEF and
// every code point ending in FFFE or FFFF, U+FFFD itself, and code points above the output's
// maximum.
//
// Every converter answers true when the whole input was converted without a stop.

#include <string>
#include <string_view>

namespace parch {

// With `skip` nothing is converted and the result is false.
bool Utf8ToUtf16(std::string_view input, std::u16string& output, bool skip, int errorPolicy,
                 int bomPolicy, int outputForm);
bool Utf16Recode(std::u16string_view input, std::u16string& output, int inputForm,
                 int errorPolicy, int bomPolicy, int outputForm);
// `reserved` must be 0; any other value converts nothing.
bool Utf16ToUtf8(std::u16string_view input, std::string& output, int inputForm, int errorPolicy,
                 int bomPolicy, int reserved);

// Well-formed UTF-8 to native UTF-16; ill-formed input becomes U+FFFD, a leading U+FEFF is
// dropped.
std::u16string Utf8ToWide(std::string_view bytes);
// The length marker removed, then UTF-8 without a byte-order mark; a leading U+FEFF is dropped
// and unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::u16string_view text);

// A text starting with two characters whose high bytes are E7 and F8 carries its length in
// their low bytes: the result is that many of the characters that follow. Any other text is
// returned unchanged.
std::u16string StripWideLengthMarker(std::u16string_view text);

}  // namespace parch
