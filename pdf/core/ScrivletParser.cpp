#include "pdf/core/ScrivletParser.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "base/NumberText.h"
#include "base/SysUtils.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsAsciiLetterOrDigit(char c) {
    return IsDecimalDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Hexadecimal digits to bytes, two per byte, with a "0" appended to an odd count; a pair
// holding a character that is no hexadecimal digit gives 0.
std::string HexDigitsToBytes(std::string digits) {
    if (digits.size() % 2 != 0) digits += '0';
    std::string bytes;
    bytes.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        int high = HexValue(digits[i]);
        int low = HexValue(digits[i + 1]);
        bytes += (high < 0 || low < 0) ? '\0' : static_cast<char>(high * 16 + low);
    }
    return bytes;
}

// A recursive-descent reader over one object's text. Every read that fails leaves the position
// where it was and gives nil, which ends the enclosing container.
class ObjectReader {
public:
    ObjectReader(TPDFStructure& structure, std::string_view text)
        : structure_(structure), text_(text) {}

    TPDFObject* ReadFirstObject(std::int64_t& end) {
        SkipWhiteSpaceAndComments();
        TPDFObject* object = ParseToken();
        end = static_cast<std::int64_t>(pos_);
        return object;
    }

private:
    char At(std::size_t i) const { return i < text_.size() ? text_[i] : '\0'; }
    // Characters after the current one.
    std::size_t Left() const { return pos_ < text_.size() ? text_.size() - 1 - pos_ : 0; }

    bool MatchKeyword(std::string_view keyword) const {
        return text_.substr(std::min(pos_, text_.size())).starts_with(keyword);
    }

    // A keyword counts when the text ends after it or a white space or delimiter follows.
    bool MatchWord(std::string_view word) const {
        if (!MatchKeyword(word)) return false;
        std::size_t after = pos_ + word.size();
        return after == text_.size() || IsPDFWhiteSpace(text_[after]) ||
               IsPDFDelimiter(text_[after]);
    }

    // Never moves past the last character: that one is always left for the token reader.
    void SkipWhiteSpaceAndComments() {
        while (pos_ + 1 < text_.size()) {
            if (IsPDFWhiteSpace(text_[pos_])) {
                ++pos_;
            } else if (text_[pos_] == '%') {
                while (pos_ + 1 < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r')
                    ++pos_;
            } else {
                break;
            }
        }
    }

    // Dispatched on the first character: no two kinds of token start alike, apart from "<<"
    // and "<".
    TPDFObject* ParseToken() {
        if (pos_ >= text_.size()) return nullptr;
        const char c = text_[pos_];
        if (c == '-' || c == '.' || IsDecimalDigit(c)) return ParseNumberOrReference();
        switch (c) {
            case '/': return Left() >= 1 ? ParseName() : nullptr;
            case '[': return Left() >= 1 ? ParseArray() : nullptr;
            case '<':
                if (MatchKeyword("<<") && Left() >= 3) return ParseDictionary();
                return Left() >= 1 ? ParseHexString() : nullptr;
            case '(': return Left() >= 1 ? ParseLiteralString() : nullptr;
            case 't': return ParseKeyword("true", [this] { return structure_.NewBoolean(true); });
            case 'f': return ParseKeyword("false", [this] { return structure_.NewBoolean(false); });
            case 'n': return ParseKeyword("null", [this] { return structure_.NewNull(); });
            default: return nullptr;
        }
    }

    template <typename Make>
    TPDFObject* ParseKeyword(std::string_view word, Make make) {
        if (!MatchWord(word)) return nullptr;
        pos_ += word.size();
        return make();
    }

    TPDFObject* ParseDictionary() {
        if (depth_ >= kMaxParseDepth) return nullptr;
        ++depth_;
        pos_ += 2;
        TPDFDictionary* dictionary = structure_.NewDictionary();
        dictionary->Pairs.reserve(kSmallContainer);
        while (true) {
            SkipWhiteSpaceAndComments();
            TPDFObject* key = ParseToken();
            SkipWhiteSpaceAndComments();
            TPDFObject* value = ParseToken();
            if (!key || key->Kind != kPDFKindName || !value) break;
            dictionary->PutPair(static_cast<TPDFName*>(key), value);
        }
        if (MatchKeyword(">>")) pos_ += 2;
        --depth_;
        return dictionary;
    }

    TPDFObject* ParseArray() {
        if (depth_ >= kMaxParseDepth) return nullptr;
        ++depth_;
        ++pos_;
        TPDFArray* array = structure_.NewArray();
        array->Elements.reserve(kSmallContainer);
        while (true) {
            SkipWhiteSpaceAndComments();
            TPDFObject* item = ParseToken();
            if (!item) break;
            array->Add(item);
            if (array->GetCount() == 1 && item->Kind == kPDFKindIndRef && At(pos_) != ']')
                array->ReserveSlots(CountReferencesAhead());
        }
        if (At(pos_) == ']') ++pos_;
        --depth_;
        return array;
    }

    // The "R" characters from the next position up to the next "]", so that a long array of
    // references grows once.
    int CountReferencesAhead() const {
        int count = 0;
        for (std::size_t i = pos_ + 1; i < text_.size() && text_[i] != ']'; ++i)
            if (text_[i] == 'R') ++count;
        return count;
    }

    // The first character, then digits and at most one "." in the whole token; a view into
    // the text, so that reading a number builds no string.
    std::string_view ReadNumberToken() {
        const std::size_t start = pos_;
        bool dotTaken = text_[pos_] == '.';
        ++pos_;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '.' && !dotTaken)
                dotTaken = true;
            else if (!IsDecimalDigit(c))
                break;
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    static bool HasDot(std::string_view token) { return token.find('.') != std::string_view::npos; }

    // A token with a dot; a dot at its start gets a "0" before it, one at its end a "0" after.
    static double DecimalValue(std::string_view token) {
        if (token.front() != '.' && token.back() != '.') return DecimalStrToFloat(token);
        std::string padded(token);
        if (padded.front() == '.') padded.insert(padded.begin(), '0');
        if (padded.back() == '.') padded += '0';
        return DecimalStrToFloat(padded);
    }

    // A token without a dot: an optional "-" and digits. Up to 8 characters it cannot leave
    // 32 bits, so it is read directly; a lone "-" gives 0, as the general conversion does.
    static double IntegerValue(std::string_view token) {
        if (token.size() > 8) return StrToIntDef(token, 0);
        const bool negative = token.front() == '-';
        std::int32_t value = 0;
        for (char c : token.substr(negative ? 1 : 0)) value = value * 10 + (c - '0');
        return negative ? -value : value;
    }

    // Object numbers beyond 32 bits are clamped: wrapping could alias a real object.
    static std::int32_t TruncateToInt32(double value) {
        constexpr double kMin = std::numeric_limits<std::int32_t>::min();
        constexpr double kMax = std::numeric_limits<std::int32_t>::max();
        return static_cast<std::int32_t>(std::clamp(std::trunc(value), kMin, kMax));
    }

    TPDFObject* ParseNumberOrReference() {
        const std::string_view first = ReadNumberToken();
        const bool firstHasDot = HasDot(first);
        const double firstValue = firstHasDot        ? DecimalValue(first)
                                  : first.size() <= 8 ? IntegerValue(first)
                                                      : DecimalStrToFloat(first);
        if (!firstHasDot) {
            const std::size_t afterFirst = pos_;
            SkipWhiteSpaceAndComments();
            if (pos_ < text_.size() && IsDecimalDigit(text_[pos_])) {
                const std::string_view second = ReadNumberToken();
                const double secondValue =
                    HasDot(second) ? DecimalValue(second) : IntegerValue(second);
                SkipWhiteSpaceAndComments();
                if (At(pos_) == 'R') {
                    ++pos_;
                    return structure_.NewIndRef(TruncateToInt32(firstValue),
                                                TruncateToInt32(secondValue));
                }
            }
            pos_ = afterFirst;
        }
        return structure_.NewNumeric(firstValue);
    }

    TPDFObject* ParseLiteralString() {
        const std::size_t open = pos_;
        std::size_t close = std::string_view::npos;
        int nesting = 0;
        for (std::size_t i = open; i < text_.size(); ++i) {
            const char c = text_[i];
            if (c == '\\' && i + 2 < text_.size()) {
                const char next = text_[i + 1];
                if (next == '(' || next == ')' || next == '\\') {
                    ++i;
                    continue;
                }
            }
            if (c == '(') ++nesting;
            if (c == ')' && --nesting == 0) {
                close = i;
                break;
            }
        }
        if (close == std::string_view::npos) return nullptr;
        pos_ = close + 1;
        return structure_.NewString(UnescapeLiteral(text_.substr(open + 1, close - open - 1)), 0);
    }

    static std::string UnescapeLiteral(std::string_view body) {
        std::string out;
        out.reserve(body.size());
        std::size_t i = 0;
        while (i < body.size()) {
            const char c = body[i];
            if (c == '\r') {
                out += '\n';
                i += (i + 1 < body.size() && body[i + 1] == '\n') ? 2 : 1;
                continue;
            }
            if (c != '\\' || i + 1 >= body.size()) {
                out += c;
                ++i;
                continue;
            }
            const char e = body[i + 1];
            if (IsDecimalDigit(e)) {
                int value = 0;
                std::size_t j = i + 1;
                while (j < body.size() && j < i + 4 && IsDecimalDigit(body[j]))
                    value = value * 8 + (body[j++] - '0');
                out += static_cast<char>(value & 0xFF);
                i = j;
                continue;
            }
            i += 2;
            switch (e) {
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case '(': case ')': case '\\': out += e; break;
                case '\n': break;
                case '\r':
                    if (i < body.size() && body[i] == '\n') ++i;
                    break;
                default:
                    // Unknown escape: kept as written; the character is read again normally.
                    out += '\\';
                    --i;
            }
        }
        return out;
    }

    TPDFObject* ParseHexString() {
        const std::size_t bodyStart = pos_ + 1;
        std::size_t close = text_.find('>', bodyStart);
        std::string_view body;
        if (close == std::string_view::npos) {
            // Without ">" the body stops before the last character of the text.
            const std::size_t bodyEnd = text_.size() - 1;
            body = text_.substr(bodyStart, bodyEnd > bodyStart ? bodyEnd - bodyStart : 0);
            pos_ = text_.size();
        } else {
            body = text_.substr(bodyStart, close - bodyStart);
            pos_ = close + 1;
        }
        std::string digits;
        for (char c : UpperCase(Trim(body)))
            if (IsDecimalDigit(c) || (c >= 'A' && c <= 'F')) digits += c;
        return structure_.NewString(HexDigitsToBytes(std::move(digits)), 1);
    }

    TPDFObject* ParseName() {
        std::size_t end = pos_ + 1;
        while (end < text_.size() && !IsPDFWhiteSpace(text_[end]) && !IsPDFDelimiter(text_[end]))
            ++end;
        const std::string_view run = text_.substr(pos_ + 1, end - pos_ - 1);
        if (run.find('#') == std::string_view::npos) {  // nothing to decode: taken whole
            pos_ = end;
            return structure_.NewName(std::string(run));
        }
        std::size_t i = pos_ + 1;
        std::string bytes;
        while (i < end) {
            if (text_[i] == '#' && i + 2 < text_.size() && IsHexDigit(text_[i + 1]) &&
                IsHexDigit(text_[i + 2])) {
                bytes += static_cast<char>(HexValue(text_[i + 1]) * 16 + HexValue(text_[i + 2]));
                i += 3;
            } else {
                bytes += text_[i++];
            }
        }
        pos_ = i;
        return structure_.NewName(std::move(bytes));
    }

    // Entries reserved up front for a dictionary or array, which most often stay this small.
    static constexpr std::size_t kSmallContainer = 8;

    TPDFStructure& structure_;
    std::string_view text_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

// Digits after a backslash in a content-stream string: one to three decimal digits whose
// decimal value stays within 7, 77 or 777.
bool IsOctalDigits(std::string_view run) {
    static constexpr int kLimits[] = {0, 7, 77, 777};
    if (run.empty() || run.size() > 3) return false;
    int value = 0;
    for (char c : run) {
        if (!IsDecimalDigit(c)) return false;
        value = value * 10 + (c - '0');
    }
    return value <= kLimits[run.size()];
}

}  // namespace

std::string HexStringToBytes(std::string_view text) {
    if (text.size() < 2 || text.front() != '<' || text.back() != '>') return {};
    std::string digits;
    for (char c : text.substr(1, text.size() - 2))
        if (IsAsciiLetterOrDigit(c)) digits += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return HexDigitsToBytes(std::move(digits));
}

TPDFObject* ParseObjectAt(TPDFStructure& structure, std::string_view text, std::int64_t& end) {
    end = 0;
    TPDFObject* object = nullptr;
    if (!text.empty()) {
        try {
            ObjectReader reader(structure, text);
            object = reader.ReadFirstObject(end);
        } catch (const std::exception&) {
            object = nullptr;
            end = 0;
        }
    }
    return object ? object : structure.NewNull();
}

TPDFObject* ParseObject(TPDFStructure& structure, std::string_view text) {
    std::int64_t end = 0;
    return ParseObjectAt(structure, text, end);
}

std::string DecodeHexString(std::string_view text) { return HexStringToBytes(text); }

void AssignDictionary(TPDFDictionary& target, const TPDFDictionary& source) {
    if (&source == &target) return;
    if (source.Structure == target.Structure) {
        target.Pairs = source.Pairs;
        return;
    }
    if (!target.Structure) return;
    TPDFObject* copy = ParseObject(*target.Structure, source.ToText());
    if (copy->Kind == kPDFKindDictionary) target.Pairs = static_cast<TPDFDictionary*>(copy)->Pairs;
}

std::string DecodeLiteralString(std::string_view text) {
    std::string_view body = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string_view();
    std::string out;
    out.reserve(body.size());
    std::size_t i = 0;
    while (i < body.size()) {
        const char c = body[i];
        if (c != '\\') {
            out += c;
            ++i;
            continue;
        }
        ++i;  // past the backslash
        if (i >= body.size()) break;
        const char e = body[i];
        switch (e) {
            case 'b': out += '\b'; ++i; continue;
            case 't': out += '\t'; ++i; continue;
            case 'n': out += '\n'; ++i; continue;
            case 'f': out += '\f'; ++i; continue;
            case 'r': out += '\r'; ++i; continue;
            case '(': case ')': case '\\': out += e; ++i; continue;
            case '\n': ++i; continue;
            case '\r':
                ++i;
                if (i < body.size() && body[i] == '\n') ++i;
                continue;
            default: break;
        }
        std::size_t runLength = 0;
        for (std::size_t length = std::min<std::size_t>(3, body.size() - i); length > 0; --length) {
            if (IsOctalDigits(body.substr(i, length))) {
                runLength = length;
                break;
            }
        }
        if (runLength == 0) continue;  // the backslash is dropped, the character read as text
        int value = 0;
        for (std::size_t k = 0; k < runLength; ++k) value = value * 8 + (body[i + k] - '0');
        out += static_cast<char>(value & 0xFF);
        i += runLength;
    }
    return out;
}

}  // namespace parch
