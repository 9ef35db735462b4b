#include "pdf/render/ScrivletToUnicode.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

namespace parch {

namespace {

constexpr std::string_view kToUnicodeBeginCodeSpace = "begincodespacerange";
constexpr std::string_view kToUnicodeEndCodeSpace = "endcodespacerange";
constexpr std::string_view kToUnicodeBeginRange = "beginbfrange";
constexpr std::string_view kToUnicodeEndRange = "endbfrange";
constexpr std::string_view kToUnicodeBeginChar = "beginbfchar";
constexpr std::string_view kToUnicodeEndChar = "endbfchar";
constexpr std::string_view kToUnicodeEndCMap = "endcmap";

constexpr std::int64_t kToUnicodeNone = -1;   // no token, or digits that are no 32-bit number
constexpr std::int64_t kToUnicodeArray = -2;  // "[" came first
constexpr std::int64_t kToUnicodeMaxCode = 0xFFFF;
constexpr std::int64_t kToUnicodeMaxInt32 = 0x7FFFFFFF;
constexpr std::size_t kToUnicodeUnitDigits = 4;
constexpr std::size_t kToUnicodeCodes = 256;

bool ToUnicodeIsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0';
}

int ToUnicodeHexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The digits of a "<...>" token without blanks, or nothing when another character is there.
bool ToUnicodeDigits(std::string_view token, std::string& digits) {
    digits.clear();
    for (char c : token) {
        if (ToUnicodeIsBlank(c)) continue;
        if (ToUnicodeHexDigit(c) < 0) return false;
        digits += c;
    }
    return true;
}

struct ToUnicodeToken {
    enum class Kind { Hex, Array, None };
    Kind TokenKind = Kind::None;
    std::string_view Text;  // between the angle brackets
};

// Walks a text from token to token; every token read moves the position on, so no loop over
// tokens can stand still.
class ToUnicodeTokenReader {
public:
    explicit ToUnicodeTokenReader(std::string_view text) : text_(text) {}

    ToUnicodeToken Next() {
        const std::size_t open = text_.find_first_of("<[", position_);
        if (open == std::string_view::npos) return Exhaust();
        if (text_[open] == '[') {
            position_ = open + 1;
            return {ToUnicodeToken::Kind::Array, {}};
        }
        const std::size_t close = text_.find('>', open + 1);
        if (close == std::string_view::npos) return Exhaust();
        position_ = close + 1;
        return {ToUnicodeToken::Kind::Hex, text_.substr(open + 1, close - open - 1)};
    }

    // The rest of an array whose "[" was read, up to its "]" (or the end); the reader moves
    // past it.
    std::string_view TakeArray() {
        const std::size_t close = text_.find(']', position_);
        const std::size_t end = close == std::string_view::npos ? text_.size() : close;
        const std::string_view items = text_.substr(position_, end - position_);
        position_ = close == std::string_view::npos ? text_.size() : close + 1;
        return items;
    }

private:
    ToUnicodeToken Exhaust() {
        position_ = text_.size();
        return {};
    }

    std::string_view text_;
    std::size_t position_ = 0;
};

// A code token's value: -2 for an array, -1 for none or digits beyond a positive 32-bit number.
std::int64_t ToUnicodeCodeValue(const ToUnicodeToken& token, std::size_t* digitCount = nullptr) {
    if (token.TokenKind == ToUnicodeToken::Kind::Array) return kToUnicodeArray;
    std::string digits;
    if (token.TokenKind == ToUnicodeToken::Kind::None || !ToUnicodeDigits(token.Text, digits) || digits.empty())
        return kToUnicodeNone;
    std::int64_t value = 0;
    for (char c : digits) {
        value = value * 16 + ToUnicodeHexDigit(c);
        if (value > kToUnicodeMaxInt32) return kToUnicodeNone;
    }
    if (digitCount) *digitCount = digits.size();
    return value;
}

// A destination token's UTF-16 units: up to four digits are one unit, longer ones a unit per
// group of four (a short last group is dropped). {-2} for an array, {-1} for none.
TResultCodes ToUnicodeDestination(const ToUnicodeToken& token) {
    if (token.TokenKind == ToUnicodeToken::Kind::Array) return {kToUnicodeArray};
    std::string digits;
    if (token.TokenKind == ToUnicodeToken::Kind::None || !ToUnicodeDigits(token.Text, digits) || digits.empty())
        return {kToUnicodeNone};
    const auto groupValue = [&digits](std::size_t start, std::size_t count) {
        std::int32_t value = 0;
        for (std::size_t i = start; i < start + count; ++i) value = value * 16 + ToUnicodeHexDigit(digits[i]);
        return value;
    };
    if (digits.size() <= kToUnicodeUnitDigits) return {groupValue(0, digits.size())};
    TResultCodes units;
    units.reserve(digits.size() / kToUnicodeUnitDigits);
    for (std::size_t start = 0; start + kToUnicodeUnitDigits <= digits.size(); start += kToUnicodeUnitDigits)
        units.push_back(groupValue(start, kToUnicodeUnitDigits));
    return units;
}

// The next place of a keyword at or after a position. Positions only grow, so a found place
// is kept until passed and a keyword found missing is never searched again.
class ToUnicodeKeyword {
public:
    explicit ToUnicodeKeyword(std::string_view keyword) : keyword_(keyword) {}

    std::size_t Find(std::string_view text, std::size_t from) {
        if (searched_ && (found_ == std::string_view::npos || found_ >= from)) return found_;
        found_ = text.find(keyword_, from);
        searched_ = true;
        return found_;
    }
    std::size_t Length() const { return keyword_.size(); }

private:
    std::string_view keyword_;
    std::size_t found_ = std::string_view::npos;
    bool searched_ = false;
};

// The bfrange and bfchar blocks after the code space, read with one forward position.
class ToUnicodeBlockParser {
public:
    ToUnicodeBlockParser(std::string_view text, TPDFCMap& map) : text_(text), map_(map) {}

    void Run() {
        while (!Full()) {
            const std::size_t range = beginRange_.Find(text_, position_);
            const std::size_t single = beginChar_.Find(text_, position_);
            if (range == std::string_view::npos && single == std::string_view::npos) return;
            if (range < single)
                position_ = RangeBlock(range + beginRange_.Length());
            else
                position_ = CharBlock(single + beginChar_.Length());
        }
    }

private:
    bool Full() const { return map_.size() >= kMaxToUnicodeEntries; }

    void Add(std::int64_t low, std::int64_t high, TResultCodes values) {
        if (Full()) return;
        map_.push_back({static_cast<std::uint16_t>(low), static_cast<std::uint16_t>(high), std::move(values)});
    }

    // Returns the position after the block's end keyword.
    std::size_t RangeBlock(std::size_t start) {
        const std::size_t end = endRange_.Find(text_, start);
        const std::size_t blockEnd = end == std::string_view::npos ? text_.size() : end;
        ReadRanges(text_.substr(start, blockEnd - start));
        return end == std::string_view::npos ? text_.size() : end + endRange_.Length();
    }

    std::size_t CharBlock(std::size_t start) {
        ToUnicodeKeyword* endKeyword = &endChar_;
        std::size_t end = endChar_.Find(text_, start);
        if (end == std::string_view::npos) {
            endKeyword = &endCMap_;
            end = endCMap_.Find(text_, start);
        }
        const std::size_t blockEnd = end == std::string_view::npos ? text_.size() : end;
        ReadChars(text_.substr(start, blockEnd - start));
        return end == std::string_view::npos ? text_.size() : end + endKeyword->Length();
    }

    void ReadRanges(std::string_view block) {
        ToUnicodeTokenReader reader(block);
        while (!Full()) {
            const std::int64_t low = ToUnicodeCodeValue(reader.Next());
            const std::int64_t high = ToUnicodeCodeValue(reader.Next());
            if (low < 0 || high < 0) return;
            const ToUnicodeToken destination = reader.Next();
            if (destination.TokenKind == ToUnicodeToken::Kind::Array) {
                ReadRangeArray(low, high, reader.TakeArray());
                continue;
            }
            TResultCodes values = ToUnicodeDestination(destination);
            if (values[0] >= 0 && low <= kToUnicodeMaxCode && high <= kToUnicodeMaxCode)
                Add(low, high, std::move(values));
        }
    }

    // One destination per code; the array's own items bound the walk, however wide the range.
    void ReadRangeArray(std::int64_t low, std::int64_t high, std::string_view items) {
        ToUnicodeTokenReader reader(items);
        for (std::int64_t code = low; code <= high && !Full(); ++code) {
            const ToUnicodeToken item = reader.Next();
            if (item.TokenKind == ToUnicodeToken::Kind::None) return;
            TResultCodes values = ToUnicodeDestination(item);
            if (code <= kToUnicodeMaxCode && values[0] >= 0 && values[0] < kToUnicodeMaxCode)
                Add(code, code, std::move(values));
        }
    }

    void ReadChars(std::string_view block) {
        ToUnicodeTokenReader reader(block);
        while (!Full()) {
            const std::int64_t code = ToUnicodeCodeValue(reader.Next());
            TResultCodes values = ToUnicodeDestination(reader.Next());
            if (code < 0 || values[0] < 0) return;
            if (code <= kToUnicodeMaxCode) Add(code, code, std::move(values));
        }
    }

    std::string_view text_;
    TPDFCMap& map_;
    std::size_t position_ = 0;
    ToUnicodeKeyword beginRange_{kToUnicodeBeginRange};
    ToUnicodeKeyword beginChar_{kToUnicodeBeginChar};
    ToUnicodeKeyword endRange_{kToUnicodeEndRange};
    ToUnicodeKeyword endChar_{kToUnicodeEndChar};
    ToUnicodeKeyword endCMap_{kToUnicodeEndCMap};
};

// Per code 0..255 the index of the last entry covering it, -1 where none does.
std::array<std::int64_t, kToUnicodeCodes> ToUnicodeLastEntries(const TPDFCMap& map) {
    std::array<std::int64_t, kToUnicodeCodes> last;
    last.fill(-1);
    std::size_t open = kToUnicodeCodes;
    for (std::size_t i = map.size(); i-- > 0 && open > 0;) {
        const TPDFCMapEntry& entry = map[i];
        const std::size_t high = std::min<std::size_t>(entry.High, kToUnicodeCodes - 1);
        for (std::size_t code = entry.Low; code <= high; ++code) {
            if (last[code] >= 0) continue;
            last[code] = static_cast<std::int64_t>(i);
            --open;
        }
    }
    return last;
}

// Code points 0x80 to 0x9F of Windows-1252; 0 where the code page has none.
constexpr char16_t kToUnicodeCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
constexpr char kToUnicodeAnsiDefault = '?';

char ToUnicodeAnsiChar(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (std::size_t i = 0; i < std::size(kToUnicodeCp1252High); ++i)
        if (kToUnicodeCp1252High[i] == unit) return static_cast<char>(0x80 + i);
    return kToUnicodeAnsiDefault;
}

std::string ToUnicodeAnsi(std::u16string_view text) {
    std::string ansi;
    ansi.reserve(text.size());
    for (char16_t unit : text) ansi += ToUnicodeAnsiChar(unit);
    return ansi;
}

}  // namespace

void ParseToUnicodeCMap(std::string_view data, bool& oneByteCodes, TPDFCMap& map) {
    oneByteCodes = false;
    map.clear();
    const std::size_t begin = data.find(kToUnicodeBeginCodeSpace);
    if (begin == std::string_view::npos) return;
    const std::size_t sectionStart = begin + kToUnicodeBeginCodeSpace.size();
    const std::size_t end = data.find(kToUnicodeEndCodeSpace, sectionStart);
    if (end == std::string_view::npos) return;

    ToUnicodeTokenReader codeSpace(data.substr(sectionStart, end - sectionStart));
    std::size_t lowDigits = 0;
    const std::int64_t low = ToUnicodeCodeValue(codeSpace.Next(), &lowDigits);
    oneByteCodes = low >= 0 && lowDigits == 2;
    const std::int64_t high = ToUnicodeCodeValue(codeSpace.Next());
    if (low < 0 || high < 0) return;
    ToUnicodeBlockParser(data.substr(end + kToUnicodeEndCodeSpace.size()), map).Run();
}

std::u16string CMapEntryText(const TPDFCMapEntry& entry, std::uint32_t code) {
    std::u16string text;
    text.reserve(entry.Values.size());
    for (std::int32_t unit : entry.Values) text += static_cast<char16_t>(unit);
    if (!text.empty()) text.back() = static_cast<char16_t>(text.back() + (code - entry.Low));
    return text;
}

void BuildAnsiTextFromToUnicode(const TPDFCMap& map, const std::array<std::string, 256>& defaults,
                                std::array<std::string, 256>& text) {
    const auto last = ToUnicodeLastEntries(map);
    std::array<std::string, 256> result = defaults;
    for (std::size_t code = 0; code < kToUnicodeCodes; ++code)
        if (last[code] >= 0)
            result[code] = ToUnicodeAnsi(CMapEntryText(map[static_cast<std::size_t>(last[code])],
                                                       static_cast<std::uint32_t>(code)));
    text = std::move(result);
}

void BuildUnicodeTextFromToUnicode(const TPDFCMap& map, const std::array<std::u16string, 256>& defaults,
                                   std::array<std::u16string, 256>& text) {
    const auto last = ToUnicodeLastEntries(map);
    std::array<std::u16string, 256> result = defaults;
    for (std::size_t code = 0; code < kToUnicodeCodes; ++code)
        if (last[code] >= 0)
            result[code] = CMapEntryText(map[static_cast<std::size_t>(last[code])], static_cast<std::uint32_t>(code));
    text = std::move(result);
}

}  // namespace parch
