#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/Utf8Text.h"
#include "platform/win/EditText.h"

namespace parch::win {
namespace {

// Every code point 10 pixels wide: line breaking becomes a matter of counting.
std::vector<int> TenEach(std::string_view utf8) {
    std::vector<int> ends(CodePointCount(utf8));
    for (std::size_t i = 0; i < ends.size(); ++i) ends[i] = static_cast<int>(10 * (i + 1));
    return ends;
}

// Lines as "start+length/break" for comparison in one go.
std::vector<std::string> LinesOf(const EditText& t) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < t.LineCount(); ++i) {
        const EditLine& l = t.Line(i);
        out.push_back(std::to_string(l.start) + "+" + std::to_string(l.length) + "/" + std::to_string(l.breakLength) +
                      " " + std::string(t.LineText(i)));
    }
    return out;
}

TEST(EditText, PositionsCountCodePointsAndTextStaysValid) {
    EditText t(false);
    t.SetText("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");  // a é € 😀 z
    EXPECT_EQ(t.Length(), 5u);
    EXPECT_EQ(t.ByteOffset(4), 10u);
    t.Select(1, 4);
    EXPECT_EQ(t.SelectedText(), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");

    t.SetText("ok\xFF\xC3");  // malformed bytes
    EXPECT_EQ(t.Text(), ValidUtf8("ok\xFF\xC3"));
    EXPECT_EQ(Utf16FromUtf8(t.Text()).find(u'\uFFFD'), 2u);
}

TEST(EditText, TheLimitCutsInsertionsAtACharacterAndSaysSo) {
    struct Case {
        const char* before;
        std::size_t limit;
        std::size_t selFrom, selTo;
        const char* insert;
        const char* after;
        bool truncated;
    };
    const Case cases[] = {
        {"abc", 5, 3, 3, "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC", "abc\xE2\x82\xAC\xE2\x82\xAC", true},
        {"abcde", 5, 1, 3, "XY", "aXYde", false},  // the selection makes room
        {"abcde", 5, 5, 5, "X", "abcde", true},    // full: nothing goes in
        {"ab", 3, 2, 2, "\r\nz", "ab", true},      // half a line break is no break
    };
    for (const Case& c : cases) {
        EditText t(true);
        t.SetText(c.before);
        t.SetLimit(c.limit);
        t.Select(c.selFrom, c.selTo);
        EditText::Change change = t.ReplaceSelection(c.insert, true);
        EXPECT_EQ(t.Text(), c.after) << c.before << " + " << c.insert;
        EXPECT_EQ(change.truncated, c.truncated) << c.before << " + " << c.insert;
    }
}

TEST(EditText, OneLevelOfUndoThatRedoesWhenRepeated) {
    EditText t(false);
    t.SetText("hello world");
    t.Select(6, 11);
    t.ReplaceSelection("there", true);
    EXPECT_EQ(t.Text(), "hello there");
    ASSERT_TRUE(t.Undo());
    EXPECT_EQ(t.Text(), "hello world");
    EXPECT_EQ(t.SelStart(), 6u);
    EXPECT_EQ(t.SelEnd(), 11u);
    ASSERT_TRUE(t.Undo());
    EXPECT_EQ(t.Text(), "hello there");

    // Typing one character after another is one step; a change without undo empties it.
    t.Select(11, 11);
    for (const char* ch : {"!", "?", "!"}) t.ReplaceSelection(ch, true, true);
    t.Undo();
    EXPECT_EQ(t.Text(), "hello there");
    t.ReplaceSelection("x", false);
    EXPECT_FALSE(t.CanUndo());
    EXPECT_FALSE(t.Undo());
}

TEST(EditText, HardBreaksMakeLinesInMultiLineTextOnly) {
    EditText multi(true);
    multi.SetText("one\r\ntwo\nthree\rfour\r\n");
    EXPECT_EQ(LinesOf(multi), (std::vector<std::string>{"0+3/2 one", "5+3/1 two", "9+5/1 three", "15+4/2 four",
                                                         "21+0/0 "}));
    EXPECT_EQ(multi.LineFromChar(4), 0u);  // inside the break
    EXPECT_EQ(multi.LineFromChar(5), 1u);
    EXPECT_EQ(multi.LineFromChar(21), 4u);

    EditText single(false);
    single.SetText("one\r\ntwo");
    EXPECT_EQ(LinesOf(single), (std::vector<std::string>{"0+8/0 one\r\ntwo"}));
}

TEST(EditText, WrapsAtSpacesLetsSpacesHangAndBreaksLongWords) {
    EditText t(true);
    t.SetLayout(&TenEach, 60);  // six characters a line
    t.SetText("aa bb cc\r\nabcdefghij   k");
    EXPECT_EQ(LinesOf(t), (std::vector<std::string>{"0+6/0 aa bb ", "6+2/2 cc", "10+6/0 abcdef",
                                                      "16+7/0 ghij   ", "23+1/0 k"}));
    EXPECT_EQ(t.Line(0).width, 60);
}

// Edits lay out only the paragraphs they touch; the result must equal a fresh layout.
TEST(EditText, IncrementalLayoutMatchesAFreshOne) {
    struct Edit {
        std::size_t from, to;
        const char* insert;
    };
    const Edit edits[] = {
        {0, 0, "word "},  {7, 7, "\r\n"},       {3, 12, ""},          {5, 5, "a very long sentence here"},
        {2, 3, "\r"},     {3, 3, "\n"},          {0, 400, "x\ny\r\nz"}, {6, 6, "\r\n\r\n"},
        {1, 2, ""},       {4, 4, "tail words"},
    };
    EditText t(true);
    t.SetLayout(&TenEach, 50);
    t.SetText("first line of text\r\nsecond one\nthird\r\n\r\nlast paragraph words");
    for (const Edit& e : edits) {
        t.Select(e.from, e.to);
        t.ReplaceSelection(e.insert, true);
        EditText fresh(true);
        fresh.SetLayout(&TenEach, 50);
        fresh.SetText(t.Text());
        ASSERT_EQ(LinesOf(t), LinesOf(fresh)) << "after inserting '" << e.insert << "' at " << e.from;
        t.Undo();
        fresh.SetText(t.Text());
        ASSERT_EQ(LinesOf(t), LinesOf(fresh)) << "after undoing '" << e.insert << "'";
        t.Undo();
    }
}

TEST(EditText, SelectionKeepsOutOfTheMiddleOfALineBreak) {
    EditText t(true);
    t.SetText("ab\r\ncd");
    t.Select(3, 3);
    EXPECT_EQ(t.Caret(), 2u);
    t.Select(0, 99);
    EXPECT_EQ(t.SelEnd(), 6u);
}

TEST(EditText, WordsForCtrlArrowsAndDoubleClicks) {
    EditText t(true);
    t.SetText("alpha  beta\r\ngamma");
    EXPECT_EQ(t.NextWordStart(0), 7u);
    EXPECT_EQ(t.NextWordStart(7), 13u);
    EXPECT_EQ(t.PreviousWordStart(13), 7u);
    EXPECT_EQ(t.PreviousWordStart(9), 7u);
    EXPECT_EQ(t.WordAround(8), (std::pair<std::size_t, std::size_t>{7, 11}));
    EXPECT_EQ(t.WordAround(5), (std::pair<std::size_t, std::size_t>{5, 7}));
}

}  // namespace
}  // namespace parch::win
