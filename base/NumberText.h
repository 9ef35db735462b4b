#pragma once
// Numbers as text, locale-independent: "." is always the decimal separator.

#include <cstdint>
#include <string>
#include <string_view>

namespace parch {

// The general number format: up to 15 significant digits, no trailing zeros, an exponent
// ("1E20", "1E-10") only for very large or very small values.
std::string FloatToStr(double value);

// The value with at least one integer digit and at most `decimals` fraction digits, rounded
// half away from zero (after reduction to 15 significant digits), trailing fraction zeros and
// a bare point dropped; no exponent, no thousands separators. A value that rounds to zero is
// "0", never "-0"; a value that is not finite is "0".
std::string FloatToPDFStr(int decimals, double value);

// Picture format: "0" a digit that is always written, "#" a digit written when significant,
// "." the decimal point, "," thousands separators, "E+"/"E-" an exponent, text in quotes and
// other characters copied; ";" separates positive, negative and zero sections.
std::string FormatFloat(std::string_view format, double value);

// After trimming: only digits, "." and "-", at most one ".", and a "-" only at the start
// (later ones are not looked at once the first is). An empty text counts as decimal.
bool IsDecimalText(std::string_view text);

// Reads decimal text: 0 for text that IsDecimalText refuses; without "." the 64-bit integer
// value; with "." the integer part plus at most 9 fraction digits, negative when the text
// holds a "-" anywhere.
double DecimalStrToFloat(std::string_view text);

// Upper-case hexadecimal with at least `digits` digits; negative values as their two's
// complement in 64 bits.
std::string IntToHex(std::int64_t value, int digits);

// Decimal text padded with "0" on the left to `width`; a negative value gives `width` zeros.
std::string IntToZeroPaddedStr(std::int64_t value, int width);

std::int64_t StrToInt64Def(std::string_view text, std::int64_t fallback);

}  // namespace parch
