#include "pdf/core/ScrivletUnicode.h"


namespace parch {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kByteOrderMark = 0xFEFF;

// One decoded character. An ill-formed sequence has no code point of its own.
struct Decoded {
    char32_t CodePoint = 0;
    bool IllFormed = false;
};

bool IsInvalid(char32_t c, char32_t maximum) {
    return (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFDD0 && c <= 0xFDEF) ||
           (c & 0xFFFE) == 0xFFFE || c == kReplacement || c > maximum;
}

char16_t Swap(char16_t unit) { return static_cast<char16_t>((unit >> 8) | (unit << 8)); }

class Utf8Decoder {
public:
    explicit Utf8Decoder(std::string_view input) : input_(input) {}
    bool AtEnd() const { return position_ >= input_.size(); }

    Decoded Next() {
        const std::uint8_t lead = Byte(position_);
        if (lead < 0x80) return Take(1, lead);
        if (lead < 0xC2 || lead > 0xF4) return IllFormed(1);
        const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (input_.size() - position_ < length) return IllFormed(1);  // cut short by the end

        std::uint8_t low = 0x80, high = 0xBF;  // range of the second byte
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
        const std::uint8_t second = Byte(position_ + 1);
        if (second < low || second > high) return IllFormed(2);

        char32_t c = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        c = (c << 6) | (second & 0x3F);
        for (std::size_t i = 2; i < length; ++i) {
            const std::uint8_t next = Byte(position_ + i);
            if ((next & 0xC0) != 0x80) return IllFormed(i + 1);
            c = (c << 6) | (next & 0x3F);
        }
        return Take(length, c);
    }

private:
    std::uint8_t Byte(std::size_t at) const { return static_cast<std::uint8_t>(input_[at]); }
    Decoded Take(std::size_t length, char32_t c) {
        position_ += length;
        return {c, false};
    }
    Decoded IllFormed(std::size_t length) {
        position_ += length;
        return {0, true};
    }

    std::string_view input_;
    std::size_t position_ = 0;
};

class Utf16Decoder {
public:
    // inputForm is 1 to 4 or more (0 is handled by the callers).
    Utf16Decoder(std::u16string_view input, int inputForm)
        : input_(input), bigEndian_(inputForm % 2 == 0 || inputForm >= 4),
          pairs_(inputForm <= 2) {}
    bool AtEnd() const { return position_ >= input_.size(); }

    Decoded Next() {
        const char16_t unit = Unit(position_++);
        if (!pairs_ || unit < 0xD800 || unit > 0xDBFF) return {unit, false};
        if (AtEnd()) return {unit, false};  // a high surrogate at the end: invalid by itself
        const char16_t next = Unit(position_++);
        if (next < 0xDC00 || next > 0xDFFF) return {0, true};  // consumes both units
        return {0x10000 + ((char32_t{unit} - 0xD800) << 10) + (next - 0xDC00), false};
    }

private:
    char16_t Unit(std::size_t at) const { return bigEndian_ ? Swap(input_[at]) : input_[at]; }

    std::u16string_view input_;
    std::size_t position_ = 0;
    bool bigEndian_;
    bool pairs_;
};

class Utf16Writer {
public:
    Utf16Writer(std::u16string& output, bool bigEndian) : output_(output), bigEndian_(bigEndian) {}
    void Put(char32_t c) {
        if (c < 0x10000) {
            Unit(static_cast<char16_t>(c));
        } else {
            Unit(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            Unit(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    std::size_t Size() const { return output_.size(); }
    void CutTo(std::size_t size) { output_.resize(size); }

private:
    void Unit(char16_t unit) { output_.push_back(bigEndian_ ? Swap(unit) : unit); }

    std::u16string& output_;
    bool bigEndian_;
};

class Utf8Writer {
public:
    explicit Utf8Writer(std::string& output) : output_(output) {}
    void Put(char32_t c) {
        auto put = [this](char32_t byte) { output_.push_back(static_cast<char>(byte)); };
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    std::size_t Size() const { return output_.size(); }
    void CutTo(std::size_t size) { output_.resize(size); }

private:
    std::string& output_;
};

// The one conversion loop behind all three converters.
template <class Decoder, class Writer>
bool Convert(Decoder decoder, Writer writer, int errorPolicy, int bomPolicy, char32_t maximum) {
    if (bomPolicy == 2) writer.Put(kByteOrderMark);
    const std::size_t markSize = writer.Size();
    bool first = true;
    while (!decoder.AtEnd()) {
        const Decoded d = decoder.Next();
        const bool isFirst = first;
        first = false;
        if (bomPolicy == 1 && isFirst && !d.IllFormed && d.CodePoint == kByteOrderMark) continue;
        if (!d.IllFormed && !IsInvalid(d.CodePoint, maximum)) {
            writer.Put(d.CodePoint);
            continue;
        }
        switch (errorPolicy) {
        case 0:
            writer.CutTo(markSize);
            return false;
        case 1:
            return false;
        case 2:
            break;
        case 3:
            writer.Put(kReplacement);
            break;
        default:
            writer.Put(d.IllFormed ? kReplacement : d.CodePoint);
            break;
        }
    }
    return true;
}

bool ValidOutputForm(int form) { return form >= 1 && form <= 4; }
bool BigEndianOutput(int form) { return form == 2 || form == 4; }
char32_t OutputMaximum(int form) { return form <= 2 ? 0x10FFFF : 0xFFFF; }

}  // namespace

bool Utf8ToUtf16(std::string_view input, std::u16string& output, bool skip, int errorPolicy,
                 int bomPolicy, int outputForm) {
    output.clear();
    if (skip || !ValidOutputForm(outputForm)) return false;
    return Convert(Utf8Decoder(input), Utf16Writer(output, BigEndianOutput(outputForm)),
                   errorPolicy, bomPolicy, OutputMaximum(outputForm));
}

bool Utf16Recode(std::u16string_view input, std::u16string& output, int inputForm,
                 int errorPolicy, int bomPolicy, int outputForm) {
    output.clear();
    if (inputForm <= 0 || !ValidOutputForm(outputForm)) return false;
    return Convert(Utf16Decoder(input, inputForm),
                   Utf16Writer(output, BigEndianOutput(outputForm)), errorPolicy, bomPolicy,
                   OutputMaximum(outputForm));
}

bool Utf16ToUtf8(std::u16string_view input, std::string& output, int inputForm, int errorPolicy,
                 int bomPolicy, int reserved) {
    output.clear();
    if (inputForm <= 0 || reserved != 0) return false;
    return Convert(Utf16Decoder(input, inputForm), Utf8Writer(output), errorPolicy, bomPolicy,
                   0x10FFFF);
}

std::u16string StripWideLengthMarker(std::u16string_view text) {
    if (text.size() < 2 || (text[0] >> 8) != 0xE7 || (text[1] >> 8) != 0xF8)
        return std::u16string(text);
    const std::size_t length = ((text[1] & 0xFF) << 8) | (text[0] & 0xFF);
    return std::u16string(text.substr(2, length));
}

std::u16string Utf8ToWide(std::string_view bytes) {
    std::u16string text;
    Utf8ToUtf16(bytes, text, false, 3, 1, 1);
    return text;
}

std::string WideToUtf8(std::u16string_view text) {
    std::string bytes;
    Utf16ToUtf8(StripWideLengthMarker(text), bytes, 1, 3, 1, 0);
    return bytes;
}

}  // namespace parch
