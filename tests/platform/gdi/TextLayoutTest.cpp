#include "platform/gdi/TextLayout.h"

#include <gtest/gtest.h>

#include "platform/gdi/Utf8Text.h"

namespace parch {
namespace {

// Every character 10 pixels wide, the full stop 4, so "..." is 12.
TextLayoutOptions Options(UINT format, int maxWidth) {
    TextLayoutOptions options;
    options.format = format;
    options.maxWidth = maxWidth;
    options.tabWidth = 40;
    options.advance = [](char32_t ch) { return ch == U'.' ? 4 : 10; };
    return options;
}

std::vector<std::string> Lines(std::string_view text, UINT format, int maxWidth) {
    std::vector<std::string> lines;
    for (const TextLayoutLine& line : LayoutText(DecodeUtf8(text), Options(format, maxWidth)))
        lines.push_back(EncodeUtf8(line.text));
    return lines;
}

using Strings = std::vector<std::string>;

TEST(TextLayoutTest, LinesBreakAtLineEndsAndWordsWrapToTheWidth) {
    struct Case { const char* text; UINT format; int width; Strings lines; };
    const Case cases[] = {
        {"aaa bbb ccc", DT_WORDBREAK, 75, {"aaa bbb", "ccc"}},
        {"aaa bbb ccc", DT_WORDBREAK, 70, {"aaa bbb", "ccc"}},  // a word may end on the edge
        {"aaa bbb ccc", DT_WORDBREAK, 69, {"aaa", "bbb", "ccc"}},
        {"a bbbbbbbbbb c", DT_WORDBREAK, 50, {"a", "bbbbbbbbbb", "c"}},  // too long: own line
        {"aaa    bbb", DT_WORDBREAK, 50, {"aaa", "bbb"}},  // blanks at the break are dropped
        {"  aa", DT_WORDBREAK, 100, {"  aa"}},              // leading blanks stay
        {"aaa bbb ccc", 0, 30, {"aaa bbb ccc"}},            // no word break: one line
        {"ab\r\ncd\ref\ngh\n", 0, 100, {"ab", "cd", "ef", "gh"}},
        {"ab\n\ncd", 0, 100, {"ab", "", "cd"}},
        {"ab\r\ncd", DT_SINGLELINE | DT_WORDBREAK, 10, {"abcd"}},
        {"", DT_WORDBREAK, 100, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Lines(c.text, c.format, c.width), c.lines) << c.text << " in " << c.width;
}

TEST(TextLayoutTest, PrefixesUnderlineTheNextCharacterUnlessHiddenOrOff) {
    auto lines = LayoutText(U"&File &&Save&", Options(DT_SINGLELINE, 1000));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(EncodeUtf8(lines[0].text), "File &Save");
    EXPECT_EQ(lines[0].underlined, (std::vector<bool>{true, false, false, false, false, false, false, false, false, false}));
    EXPECT_EQ(lines[0].width, 100);

    lines = LayoutText(U"&File", Options(DT_SINGLELINE | DT_HIDEPREFIX, 1000));
    EXPECT_EQ(EncodeUtf8(lines[0].text), "File");
    EXPECT_EQ(lines[0].underlined, (std::vector<bool>{false, false, false, false}));

    EXPECT_EQ(Lines("&File &&Save", DT_SINGLELINE | DT_NOPREFIX, 1000), Strings{"&File &&Save"});
}

TEST(TextLayoutTest, EllipsesShortenLinesThatDoNotFit) {
    struct Case { const char* text; UINT format; int width; const char* shown; };
    const Case cases[] = {
        {"abcdefghij", DT_END_ELLIPSIS, 55, "abcd..."},     // 40 + 12 <= 55
        {"abcdefghij", DT_END_ELLIPSIS, 100, "abcdefghij"},  // fits: unchanged
        {"abcdefghij", DT_WORD_ELLIPSIS, 55, "abcd..."},
        {"abcdefghij", DT_END_ELLIPSIS, 5, "..."},
        {"aa/bbbb/cc", DT_PATH_ELLIPSIS, 70, "aa.../cc"},    // 20 + 12 + 30 <= 70
        {"aa\\bbbb\\cc", DT_PATH_ELLIPSIS, 45, "...\\cc"},    // 0 + 12 + 30 <= 45
        {"aa/bbbb/cccccc", DT_PATH_ELLIPSIS, 50, "aa/..."},  // tail too long: end ellipsis
        {"abcdefghij", DT_PATH_ELLIPSIS, 55, "abcd..."},     // no folder: end ellipsis
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lines(c.text, c.format | DT_SINGLELINE, c.width), Strings{c.shown}) << c.text << " " << c.width;
    // With word breaks each line is shortened on its own.
    EXPECT_EQ(Lines("ab cdefghijkl", DT_WORDBREAK | DT_END_ELLIPSIS, 55), (Strings{"ab", "cdef..."}));
}

TEST(TextLayoutTest, TabsReachTheNextStopOnlyWhenExpanded) {
    auto lines = LayoutText(U"a\tbc\td", Options(DT_EXPANDTABS, 1000));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(EncodeUtf8(lines[0].text), "a bc d");
    EXPECT_EQ(lines[0].advances, (std::vector<int>{10, 30, 10, 10, 20, 10}));
    EXPECT_EQ(lines[0].width, 90);
    lines = LayoutText(U"a\tb", Options(0, 1000));
    EXPECT_EQ(lines[0].advances, (std::vector<int>{10, 10, 10}));
}

TEST(TextLayoutTest, Utf8DecodingReplacesMalformedBytes) {
    EXPECT_EQ(DecodeUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), U"a\u00E9\u20AC\U0001F600");
    EXPECT_EQ(DecodeUtf8("\xC3"), U"\uFFFD");                 // cut short
    EXPECT_EQ(DecodeUtf8("\xC0\xAFx"), U"\uFFFD\uFFFDx");     // overlong
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");  // surrogate
    EXPECT_EQ(EncodeUtf8(U"a\u00E9\U0001F600"), "a\xC3\xA9\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace parch
