#pragma once
// The text of an edit control without the window: valid UTF-8 with a selection, a length
// limit, one level of undo and the division into lines. Positions count code points, as the
// edit messages do. Line breaks are "\r\n", a lone "\n" or a lone "\r" (single-line text has
// none: it is one line whatever it holds). Lines are laid out with a measuring function given
// by the window; a wrap width breaks paragraphs at spaces (soft breaks), or inside a word too
// long for a line.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace parch::win {

// The x-extent at the end of every code point of a run (one entry per code point).
using MeasureRun = std::function<std::vector<int>(std::string_view utf8)>;

struct EditLine {
    std::size_t start = 0;        // code points
    std::size_t byteStart = 0;
    std::size_t length = 0;       // code points, without the break
    std::size_t byteLength = 0;
    std::size_t breakLength = 0;  // code points (= bytes) of the hard break ending the line; 0 for a soft one
    int width = 0;                // pixels
};

class EditText {
public:
    static constexpr std::size_t kDefaultLimit = 32767;
    static constexpr std::size_t kMaximumLimit = 0x7FFFFFFE;

    explicit EditText(bool multiLine);

    const std::string& Text() const { return text_; }
    std::size_t Length() const { return length_; }
    bool MultiLine() const { return multiLine_; }
    // Replaces everything; the selection goes to the start, undo is emptied.
    void SetText(std::string_view utf8);

    std::size_t Anchor() const { return anchor_; }
    std::size_t Caret() const { return caret_; }
    std::size_t SelStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
    std::size_t SelEnd() const { return anchor_ < caret_ ? caret_ : anchor_; }
    // Clamped to the text and kept off the middle of a "\r\n".
    void Select(std::size_t anchor, std::size_t caret);
    std::string SelectedText() const;
    std::string TextBetween(std::size_t from, std::size_t to) const;

    std::size_t Limit() const { return limit_; }
    void SetLimit(std::size_t limit) { limit_ = limit; }

    struct Change {
        bool changed = false;
        bool truncated = false;  // the limit cut what was to be inserted
    };
    // Replaces the selection by utf8 (made valid, cut to the limit at a character boundary);
    // the caret goes after it. Typing continues the previous undo step when it follows on.
    Change ReplaceSelection(std::string_view utf8, bool canUndo, bool typing = false);

    bool CanUndo() const { return undo_.valid; }
    // Reverts the last change; undoing again redoes it. Selects what the undo put back.
    bool Undo();
    void EmptyUndo() { undo_ = {}; }

    // Lays the text out anew; wrapWidth <= 0 keeps paragraphs whole.
    void SetLayout(MeasureRun measure, int wrapWidth);
    int WrapWidth() const { return wrapWidth_; }
    std::size_t LineCount() const { return lines_.size(); }
    const EditLine& Line(std::size_t index) const { return lines_[index]; }
    std::size_t LineFromChar(std::size_t position) const;
    std::string_view LineText(std::size_t index) const;
    int MaxLineWidth() const;

    std::size_t ByteOffset(std::size_t position) const;
    // Word movement as Ctrl+arrows: to the start of the next or previous word.
    std::size_t NextWordStart(std::size_t position) const;
    std::size_t PreviousWordStart(std::size_t position) const;
    // The word (or the run of spaces) around position, as a double click selects it.
    std::pair<std::size_t, std::size_t> WordAround(std::size_t position) const;

private:
    struct UndoStep {
        bool valid = false;
        std::size_t start = 0;        // where the change happened
        std::size_t insertedLength = 0;
        std::string removed;          // what the change took away
        bool typing = false;
    };

    // Replaces [from, to) without touching undo; returns the code points inserted.
    std::size_t Replace(std::size_t from, std::size_t to, std::string_view validUtf8);
    void Relayout(std::size_t changeStart, std::size_t removedEnd, std::size_t insertedLength, std::ptrdiff_t byteDelta);
    // Lays out the paragraphs in bytes [byteFrom, byteTo) starting at code point `start`;
    // reachesEnd: the range ends the text, so a final break is followed by an empty line.
    std::vector<EditLine> LayOutRange(std::size_t byteFrom, std::size_t byteTo, std::size_t start, bool reachesEnd) const;
    void LayOutParagraph(std::string_view paragraph, std::size_t byteStart, std::size_t start, std::size_t breakLength,
                         std::vector<EditLine>& out) const;
    char32_t PointAtByte(std::size_t byte) const;
    std::size_t PreviousByte(std::size_t byte) const;
    std::size_t SnapOffBreak(std::size_t position) const;

    bool multiLine_;
    std::string text_;
    std::size_t length_ = 0;
    std::size_t anchor_ = 0;
    std::size_t caret_ = 0;
    std::size_t limit_ = kDefaultLimit;
    UndoStep undo_;
    MeasureRun measure_;
    int wrapWidth_ = 0;
    std::vector<EditLine> lines_;
};

}  // namespace parch::win
