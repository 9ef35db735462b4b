#pragma once
// String and number helpers of the framework, locale-independent: "." is always the decimal
// separator and case folding touches only the ASCII letters.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace parch {

// Base of the exceptions the framework and the libraries raise; the message is English text.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A text that does not convert to the number asked for.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Removes every character up to and including the blank (code <= 32) at both ends.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Case mapping of the ASCII letters only; every other byte stays as it is.
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
bool StartsText(std::string_view prefix, std::string_view text);
bool EndsText(std::string_view suffix, std::string_view text);

std::string IntToStr(std::int64_t value);

// Signed 32-bit conversion: optional leading blanks, an optional sign, then decimal digits or
// hexadecimal digits after "$" or "0x". Nothing may follow; out-of-range values fail.
std::optional<std::int32_t> TryStrToInt(std::string_view text);
std::int32_t StrToInt(std::string_view text);  // raises EConvertError
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);
std::optional<std::int64_t> TryStrToInt64(std::string_view text);

// Rounds to the nearest integer, halves to the even neighbour. Raises EConvertError when the
// value is not finite or does not fit 64 bits.
std::int64_t RoundHalfEven(double value);

}  // namespace parch
