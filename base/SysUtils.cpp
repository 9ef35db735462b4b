#include "base/SysUtils.h"

#include <cmath>
#include <limits>

namespace parch {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

}  // namespace

std::string TrimLeft(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    return std::string(text.substr(start));
}

std::string TrimRight(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string LowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = AsciiLower(c);
    return result;
}

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = AsciiUpper(c);
    return result;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool StartsText(std::string_view prefix, std::string_view text) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsText(std::string_view suffix, std::string_view text) {
    return text.size() >= suffix.size() &&
           SameText(text.substr(text.size() - suffix.size()), suffix);
}

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

std::optional<std::int64_t> TryStrToInt64(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return std::nullopt;
    // Accumulate as a negative number so that the minimum value converts too.
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit >= base) return std::nullopt;
        if (value < (kMin + digit) / base) return std::nullopt;
        value = value * base - digit;
    }
    if (!negative) {
        if (value == kMin) return std::nullopt;
        value = -value;
    }
    return value;
}

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
    const auto wide = TryStrToInt64(text);
    if (!wide || *wide < std::numeric_limits<std::int32_t>::min() ||
        *wide > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*wide);
}

std::int32_t StrToInt(std::string_view text) {
    if (const auto value = TryStrToInt(text)) return *value;
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback) {
    return TryStrToInt(text).value_or(fallback);
}

std::int64_t RoundHalfEven(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18)
        throw EConvertError("Invalid floating point operation");
    return static_cast<std::int64_t>(std::nearbyint(value));  // default rounding: to nearest, ties even
}

}  // namespace parch
