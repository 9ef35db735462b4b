#include "pdf/core/ScrivletUnicode.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <string>
#include <vector>

#include "pdf/core/ScrivletTextString.h"

namespace parch {
namespace {

bool IsInvalidCodePoint(char32_t c) {
    return (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE ||
           c == 0xFFFD;
}

// Converts with the C library's iconv, the oracle for well-formed text; nothing when it
// refuses the input.
std::optional<std::string> Iconv(const char* to, const char* from, const std::string& input) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string output(input.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    const size_t status = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (status == static_cast<size_t>(-1)) return std::nullopt;
    output.resize(output.size() - outLeft);
    return output;
}

std::u16string FromBytesLE(const std::string& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                        (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
    return text;
}

std::string Utf32LE(const std::vector<char32_t>& codePoints) {
    std::string bytes;
    for (char32_t c : codePoints)
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((c >> (8 * i)) & 0xFF));
    return bytes;
}

std::u16string Swapped(std::u16string text) {
    for (char16_t& unit : text) unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
    return text;
}

TEST(ScrivletUnicode, EveryValidCodePointRoundTripsAndMatchesIconv) {
    std::vector<char32_t> valid;
    for (char32_t c = 0; c <= 0x10FFFF; ++c)
        if (!IsInvalidCodePoint(c)) valid.push_back(c);
    const std::string utf32 = Utf32LE(valid);
    const std::string expectedUtf8 = Iconv("UTF-8", "UTF-32LE", utf32).value();
    const std::u16string expectedUtf16 = FromBytesLE(Iconv("UTF-16LE", "UTF-32LE", utf32).value());

    std::u16string wide;
    ASSERT_TRUE(Utf8ToUtf16(expectedUtf8, wide, false, 0, 0, 1));
    EXPECT_TRUE(wide == expectedUtf16);
    std::string utf8;
    ASSERT_TRUE(Utf16ToUtf8(expectedUtf16, utf8, 1, 0, 0, 0));
    EXPECT_TRUE(utf8 == expectedUtf8);

    // Big-endian in, big-endian out, and back.
    std::u16string bigEndian;
    ASSERT_TRUE(Utf16Recode(expectedUtf16, bigEndian, 1, 0, 0, 2));
    EXPECT_TRUE(bigEndian == Swapped(expectedUtf16));
    std::u16string back;
    ASSERT_TRUE(Utf16Recode(bigEndian, back, 2, 0, 0, 1));
    EXPECT_TRUE(back == expectedUtf16);
    ASSERT_TRUE(Utf16ToUtf8(bigEndian, utf8, 2, 0, 0, 0));
    EXPECT_TRUE(utf8 == expectedUtf8);
}

TEST(ScrivletUnicode, EveryInvalidCodePointFollowsTheErrorPolicy) {
    for (char32_t c = 0xD800; c <= 0x10FFFF; ++c) {
        if (!IsInvalidCodePoint(c)) continue;
        std::u16string in = c < 0x10000
                                ? std::u16string(1, static_cast<char16_t>(c))
                                : FromBytesLE(Iconv("UTF-16LE", "UTF-32LE", Utf32LE({c})).value());
        in = u"a" + in + u"b";
        // A lone high surrogate would take the "b" with it when pairs are read.
        const int form = c >= 0xD800 && c <= 0xDFFF ? 3 : 1;
        std::u16string out;
        EXPECT_FALSE(Utf16Recode(in, out, form, 1, 0, 1));
        EXPECT_EQ(out, u"a");
        EXPECT_TRUE(Utf16Recode(in, out, form, 2, 0, 1));
        EXPECT_EQ(out, u"ab");
        EXPECT_TRUE(Utf16Recode(in, out, form, 3, 0, 1));
        EXPECT_EQ(out, u"a\uFFFDb");
        EXPECT_TRUE(Utf16Recode(in, out, form, 4, 0, 1));
        EXPECT_EQ(out, in);  // as it came
        if (HasFailure()) {
            ADD_FAILURE() << std::hex << "code point " << int(c);
            return;
        }
    }
}

TEST(ScrivletUnicode, Utf8ValidityAgreesWithIconvOnAllShortSequences) {
    // Every sequence of one or two bytes, and every three-byte sequence after the lead bytes
    // E0, ED, EF and F0/F4 pairs, judged by both; the noncharacters iconv accepts are ours to
    // refuse.
    auto check = [](const std::string& bytes) {
        std::u16string wide;
        const bool ours = Utf8ToUtf16(bytes, wide, false, 0, 0, 1);
        std::optional<std::string> theirs = Iconv("UTF-16LE", "UTF-8", bytes);
        bool theirsValid = theirs.has_value();
        if (theirsValid) {
            for (char16_t unit : FromBytesLE(*theirs))
                if (IsInvalidCodePoint(unit) && (unit < 0xD800 || unit > 0xDFFF))
                    theirsValid = false;
        }
        EXPECT_EQ(ours, theirsValid) << "bytes " << testing::PrintToString(bytes);
        if (!ours) {
            EXPECT_TRUE(wide.empty());
        }
    };
    for (int a = 0; a < 256; ++a) {
        check(std::string(1, static_cast<char>(a)));
        for (int b = 0; b < 256; ++b) check({static_cast<char>(a), static_cast<char>(b)});
    }
    for (int lead : {0xE0, 0xED, 0xEF, 0xF0, 0xF4})
        for (int b = 0x70; b < 0xD0; ++b)
            for (int c = 0x70; c < 0xD0; ++c)
                check({static_cast<char>(lead), static_cast<char>(b), static_cast<char>(c)});
}

TEST(ScrivletUnicode, IllFormedSequencesConsumeWhatTheTableSays) {
    struct Case {
        std::string input;
        std::u16string expected;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF" "A", u"A"},
        {"\xC3\x28", u"\uFFFD"},                    // the "(" goes with the bad sequence
        {"\xED\xA0\x80", u"\uFFFD\uFFFD"},          // two bytes, then a lone continuation byte
        {"\xE2\x82\x41" "B", u"\uFFFDB"},           // a bad third byte takes three bytes
        {"\xF0\x9F\x98\x41" "B", u"\uFFFDB"},       // a bad fourth byte takes four
        {"\xE2\x82", u"\uFFFD\uFFFD"},              // cut short: the lead byte alone
        {"\xC0\xAF\xF5", u"\uFFFD\uFFFD\uFFFD"},    // never-valid lead bytes
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD"},// above U+10FFFF
        {"\xEF\xBF\xBE", u"\uFFFD"},                // U+FFFE
        {"a\xEF\xBB\xBF", u"a\uFEFF"},              // a mark after the start is kept
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8ToWide(c.input), c.expected) << testing::PrintToString(c.input);
}

TEST(ScrivletUnicode, PoliciesAndForms) {
    std::u16string wide;
    std::string bytes;
    // Stop with policy 0 cuts back to the mark; policy 1 keeps what was written.
    EXPECT_FALSE(Utf8ToUtf16("ab\xFF" "c", wide, false, 0, 2, 1));
    EXPECT_EQ(wide, u"\uFEFF");
    EXPECT_FALSE(Utf8ToUtf16("ab\xFF" "c", wide, false, 1, 2, 1));
    EXPECT_EQ(wide, u"\uFEFFab");
    // Written mark in the output's byte order; the input's mark is then kept.
    EXPECT_TRUE(Utf8ToUtf16("\xEF\xBB\xBF" "A", wide, false, 0, 2, 2));
    EXPECT_EQ(wide, Swapped(u"\uFEFF\uFEFFA"));
    EXPECT_TRUE(Utf16ToUtf8(u"A", bytes, 1, 0, 2, 0));
    EXPECT_EQ(bytes, "\xEF\xBB\xBF" "A");
    EXPECT_TRUE(Utf16ToUtf8(u"\uFEFFA", bytes, 1, 0, 1, 0));
    EXPECT_EQ(bytes, "A");
    // Skip, reserved, form 0.
    EXPECT_FALSE(Utf8ToUtf16("A", wide, true, 0, 0, 1));
    EXPECT_TRUE(wide.empty());
    EXPECT_FALSE(Utf16ToUtf8(u"A", bytes, 1, 0, 0, 1));
    EXPECT_FALSE(Utf16Recode(u"A", wide, 0, 0, 0, 1));
    EXPECT_FALSE(Utf16Recode(u"A", wide, 1, 0, 0, 0));
    // Output up to U+FFFF: a character above it is invalid.
    EXPECT_TRUE(Utf8ToUtf16("\xF0\x9F\x98\x80" "A", wide, false, 3, 0, 3));
    EXPECT_EQ(wide, u"\uFFFDA");
    EXPECT_TRUE(Utf8ToUtf16("\xF0\x9F\x98\x80", wide, false, 0, 0, 1));
    EXPECT_EQ(wide, u"\U0001F600");
    // Pairs: a high surrogate before anything else takes both units; without pairs every
    // surrogate is invalid by itself.
    EXPECT_TRUE(Utf16Recode(u"\xD83D" u"A" u"B", wide, 1, 3, 0, 1));
    EXPECT_EQ(wide, u"\uFFFDB");
    EXPECT_TRUE(Utf16Recode(u"\xD83D" u"A" u"B", wide, 1, 4, 0, 1));
    EXPECT_EQ(wide, u"\uFFFDB");
    EXPECT_TRUE(Utf16Recode(u"\U0001F600", wide, 3, 3, 0, 1));
    EXPECT_EQ(wide, u"\uFFFD\uFFFD");
    EXPECT_TRUE(Utf16Recode(Swapped(u"\U0001F600"), wide, 4, 4, 0, 1));
    EXPECT_EQ(wide, u"\U0001F600");  // each surrogate written as it came
    EXPECT_TRUE(Utf16ToUtf8(u"x\xDC00", bytes, 1, 4, 0, 0));
    EXPECT_EQ(bytes, "x\xED\xB0\x80");
}

TEST(ScrivletUnicode, WideToUtf8DropsTheMarkAndTheLengthMarker) {
    EXPECT_EQ(WideToUtf8(u"\uFEFFA\u00E9\U0001F600"), "A\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(WideToUtf8(u"a\xD800"), "a\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(std::u16string(u"\uE702\uF800xyz")), "xy");
}

TEST(ScrivletTextString, PDFTextStrings) {
    EXPECT_EQ(WideToPDFTextString(u"Hello", false), "Hello");
    EXPECT_EQ(WideToPDFTextString(u"\u4E2D", false), "\xFE\xFF\x4E\x2D");
    EXPECT_EQ(WideToPDFTextString(u"A", true), std::string("\xFE\xFF\x00\x41", 4));
    EXPECT_EQ(WideToPDFTextString(u"\U0001F600", false),
              std::string("\xFE\xFF\xD8\x3D\xDE\x00", 6));
    EXPECT_EQ(WideToPDFTextString(u"\u20AC\u2022\u02D8", false), "\xA0\x80\x18");
    EXPECT_EQ(WideToPDFTextString(u"a\xDC00", false), std::string("\xFE\xFF\x00" "a\xFF\xFD", 6));
    EXPECT_EQ(WideToPDFTextString(u"", true), "");
    EXPECT_EQ(StripWideLengthMarker(u"\uE703\uF800abcdef"), u"abc");
    EXPECT_EQ(StripWideLengthMarker(u"\uE709\uF800abc"), u"abc");
    EXPECT_EQ(StripWideLengthMarker(u"\uE703"), u"\uE703");
}

TEST(ScrivletTextString, PDFDocIndexOfCoversTheWholeTable) {
    EXPECT_EQ(PDFDocIndexOf(u'\uFFFD'), 127);
    EXPECT_EQ(PDFDocIndexOf(u'\u20AC'), 160);
    EXPECT_EQ(PDFDocIndexOf(u'\u00A4'), 164);
    EXPECT_EQ(PDFDocIndexOf(u'\u00AD'), -1);
    EXPECT_EQ(PDFDocIndexOf(u'\u0118'), -1);
    const auto& table = PDFDocEncodingTable();
    for (int code = 0; code < 256; ++code)
        if (code != 159 && code != 173) {
            EXPECT_EQ(PDFDocIndexOf(table[code]), code);
        }
    // Latin-1 agrees with the table everywhere outside the typographic block and the accents.
    for (int code = 0; code < 256; ++code)
        if ((code < 24 || (code > 31 && code < 127) || code > 160) && code != 173) {
            EXPECT_EQ(table[code], code);
        }
}

}  // namespace
}  // namespace parch
