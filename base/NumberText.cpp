#include "base/NumberText.h"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <vector>

#include "base/SysUtils.h"

namespace parch {

namespace {

constexpr int kSignificantDigits = 15;

// A finite non-zero magnitude as 15 significant digits d1..d15 and the decimal exponent of d1.
struct DecimalDigits {
    std::string digits;
    int exponent = 0;
};

DecimalDigits ToDecimalDigits(double magnitude) {
    char buffer[40];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                std::chars_format::scientific, kSignificantDigits - 1);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    DecimalDigits out;
    for (char c : text.substr(0, e))
        if (c != '.') out.digits += c;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    out.exponent);
    return out;
}

// Adds one unit in the last place of a string of decimal digits; may grow it by one digit.
void IncrementDigits(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
}

std::string StripLeadingZeros(std::string digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

// Integer and fraction digits of |value| rounded half away from zero to `decimals` places
// (after reduction to 15 significant digits), the fraction without trailing zeros.
struct FixedDigits {
    std::string integer = "0";
    std::string fraction;
    bool IsZero() const { return integer == "0" && fraction.empty(); }
};

FixedDigits ToFixedDigits(double magnitude, int decimals) {
    FixedDigits out;
    if (magnitude == 0 || !std::isfinite(magnitude)) return out;
    const DecimalDigits d = ToDecimalDigits(magnitude);
    const int pointPos = d.exponent + 1;  // digits before the decimal point
    std::string integer;
    std::string fraction;
    if (pointPos <= 0) {
        integer = "0";
        fraction = std::string(static_cast<std::size_t>(-pointPos), '0') + d.digits;
    } else if (pointPos >= kSignificantDigits) {
        integer = d.digits + std::string(static_cast<std::size_t>(pointPos - kSignificantDigits), '0');
    } else {
        integer = d.digits.substr(0, static_cast<std::size_t>(pointPos));
        fraction = d.digits.substr(static_cast<std::size_t>(pointPos));
    }
    const auto places = static_cast<std::size_t>(std::max(decimals, 0));
    if (fraction.size() > places) {
        const bool roundUp = fraction[places] >= '5';
        fraction.resize(places);
        if (roundUp) {
            std::string all = integer + fraction;
            IncrementDigits(all);
            integer = all.substr(0, all.size() - places);
            fraction = all.substr(all.size() - places);
        }
    }
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    out.integer = StripLeadingZeros(integer);
    out.fraction = fraction;
    return out;
}

}  // namespace

std::string FloatToStr(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0";
    const std::string sign = value < 0 ? "-" : "";
    DecimalDigits d = ToDecimalDigits(std::fabs(value));
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    if (d.exponent >= kSignificantDigits || d.exponent < -4) {
        std::string mantissa = d.digits.substr(0, 1);
        if (d.digits.size() > 1) mantissa.append(1, '.').append(d.digits, 1);
        return sign + mantissa + "E" + std::to_string(d.exponent);
    }
    const FixedDigits fixed = ToFixedDigits(std::fabs(value), kSignificantDigits + 5);
    return sign + fixed.integer + (fixed.fraction.empty() ? "" : "." + fixed.fraction);
}

std::string FloatToPDFStr(int decimals, double value) {
    // Whole numbers below 10^15 keep every digit and have no fraction to round: glyph outlines
    // and most page coordinates are such numbers, so they skip the digit-string rounding.
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        char buffer[24];
        const auto whole = static_cast<long long>(value);
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, whole).ptr;
        return std::string(buffer, end);
    }
    const FixedDigits fixed = ToFixedDigits(std::fabs(value), decimals);
    if (fixed.IsZero()) return "0";
    std::string text = value < 0 ? "-" : "";
    text += fixed.integer;
    if (!fixed.fraction.empty()) text += "." + fixed.fraction;
    return text;
}

std::string FormatFloat(std::string_view format, double value) {
    // Choose the section: positive;negative;zero. The negative section writes no sign itself.
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(format.substr(start));
    std::string_view picture = sections[0];
    bool writeSign = value < 0;
    if (value < 0 && sections.size() > 1 && !sections[1].empty()) {
        picture = sections[1];
        writeSign = false;
    }

    // Count the digit placeholders around the decimal point.
    int integerZeros = 0, fractionZeros = 0, fractionPlaces = 0;
    bool afterPoint = false, thousands = false;
    quote = 0;
    for (char c : picture) {
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '"' || c == '\'') quote = c;
        else if (c == '.') afterPoint = true;
        else if (c == ',') thousands = true;
        else if (c == '0' || c == '#') {
            if (afterPoint) {
                ++fractionPlaces;
                if (c == '0') fractionZeros = fractionPlaces;
            } else if (c == '0') {
                ++integerZeros;
            }
        }
    }
    if (picture.empty()) return FloatToStr(value);

    FixedDigits fixed = ToFixedDigits(std::fabs(value), fractionPlaces);
    if (fixed.IsZero() && sections.size() > 2 && !sections[2].empty()) {
        picture = sections[2];
        writeSign = false;
    }
    std::string integer = fixed.integer == "0" ? "" : fixed.integer;
    if (static_cast<int>(integer.size()) < integerZeros)
        integer.insert(0, static_cast<std::size_t>(integerZeros) - integer.size(), '0');
    if (thousands)
        for (int i = static_cast<int>(integer.size()) - 3; i > 0; i -= 3)
            integer.insert(static_cast<std::size_t>(i), 1, ',');
    std::string fraction = fixed.fraction;
    if (static_cast<int>(fraction.size()) < fractionZeros)
        fraction.append(static_cast<std::size_t>(fractionZeros) - fraction.size(), '0');

    // Write: literals in place, the integer digits at the first placeholder, the point only
    // when fraction digits follow.
    std::string out = writeSign && !fixed.IsZero() ? "-" : "";
    bool integerWritten = false, fractionWritten = false;
    afterPoint = false;
    quote = 0;
    for (char c : picture) {
        if (quote) {
            if (c == quote) quote = 0;
            else out += c;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '0' || c == '#' || c == ',') {
            if (!afterPoint && !integerWritten) {
                out += integer;
                integerWritten = true;
            }
        } else if (c == '.') {
            if (!integerWritten) {
                out += integer;
                integerWritten = true;
            }
            afterPoint = true;
            if (!fractionWritten && !fraction.empty()) out += "." + fraction;
            fractionWritten = true;
        } else {
            out += c;
        }
    }
    return out;
}

bool IsDecimalText(std::string_view text) {
    const std::string trimmed = Trim(text);
    int dots = 0;
    for (char c : trimmed) {
        if (!(c >= '0' && c <= '9') && c != '.' && c != '-') return false;
        if (c == '.') ++dots;
    }
    const std::size_t firstMinus = trimmed.find('-');
    return dots <= 1 && (firstMinus == std::string::npos || firstMinus == 0);
}

double DecimalStrToFloat(std::string_view text) {
    if (!IsDecimalText(text)) return 0;
    const std::string trimmed = Trim(text);
    const std::size_t dot = trimmed.find('.');
    if (dot == std::string::npos)
        return static_cast<double>(TryStrToInt64(trimmed).value_or(0));
    const auto integer = TryStrToInt64(std::string_view(trimmed).substr(0, dot)).value_or(0);
    const std::string fractionText = trimmed.substr(dot + 1, 9);
    const bool digitsOnly = fractionText.find_first_not_of("0123456789") == std::string::npos;
    const auto fraction = digitsOnly ? TryStrToInt64(fractionText).value_or(0) : 0;
    double value = std::fabs(static_cast<double>(integer)) +
                   static_cast<double>(fraction) / std::pow(10.0, fractionText.size());
    return trimmed.find('-') != std::string::npos ? -value : value;
}

std::string IntToHex(std::int64_t value, int digits) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    auto bits = static_cast<std::uint64_t>(value);
    std::string text;
    do {
        text.insert(text.begin(), kHex[bits & 15]);
        bits >>= 4;
    } while (bits != 0);
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return text;
}

std::string IntToZeroPaddedStr(std::int64_t value, int width) {
    std::string text = value < 0 ? "" : std::to_string(value);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

std::int64_t StrToInt64Def(std::string_view text, std::int64_t fallback) {
    return TryStrToInt64(text).value_or(fallback);
}

}  // namespace parch
