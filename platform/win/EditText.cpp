#include "platform/win/EditText.h"

#include <algorithm>

#include "platform/gdi/Utf8Text.h"

namespace parch::win {

namespace edit_text {

// Stored text is valid UTF-8, so the lead byte tells the sequence's length.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    return 2;
}

std::size_t EncodedLength(char32_t ch) {
    if (ch < 0x80) return 1;
    if (ch < 0x800) return 2;
    if (ch < 0x10000) return 3;
    return 4;
}

bool IsBlank(char32_t ch) { return ch == U' ' || ch == U'\t' || ch == U'\r' || ch == U'\n' || ch == 0x3000; }

}  // namespace edit_text

using namespace edit_text;

EditText::EditText(bool multiLine) : multiLine_(multiLine) { SetText({}); }

void EditText::SetText(std::string_view utf8) {
    text_ = ValidUtf8(utf8);
    length_ = CodePointCount(text_);
    anchor_ = caret_ = 0;
    undo_ = {};
    lines_ = LayOutRange(0, text_.size(), 0, true);
}

void EditText::Select(std::size_t anchor, std::size_t caret) {
    anchor_ = SnapOffBreak(std::min(anchor, length_));
    caret_ = SnapOffBreak(std::min(caret, length_));
}

std::string EditText::SelectedText() const { return TextBetween(SelStart(), SelEnd()); }

std::string EditText::TextBetween(std::size_t from, std::size_t to) const {
    from = std::min(from, length_);
    to = std::clamp(to, from, length_);
    std::size_t begin = ByteOffset(from);
    return text_.substr(begin, ByteOffset(to) - begin);
}

EditText::Change EditText::ReplaceSelection(std::string_view utf8, bool canUndo, bool typing) {
    std::string insert = ValidUtf8(utf8);
    const std::size_t start = SelStart();
    const std::size_t end = SelEnd();
    const std::size_t kept = length_ - (end - start);
    const std::size_t room = limit_ > kept ? limit_ - kept : 0;
    Change change;
    if (CodePointCount(insert) > room) {
        insert.resize(ByteOffsetOfCodePoint(insert, room));
        // A "\r\n" cut in two would leave a lone "\r" break.
        if (!insert.empty() && insert.back() == '\r' && multiLine_) insert.pop_back();
        change.truncated = true;
    }
    if (start == end && insert.empty()) return change;
    std::string removed = TextBetween(start, end);
    std::size_t inserted = Replace(start, end, insert);
    if (!canUndo) {
        undo_ = {};
    } else if (typing && removed.empty() && undo_.valid && undo_.typing && undo_.start + undo_.insertedLength == start) {
        undo_.insertedLength += inserted;
    } else {
        undo_ = UndoStep{true, start, inserted, std::move(removed), typing};
    }
    anchor_ = caret_ = start + inserted;
    change.changed = true;
    return change;
}

bool EditText::Undo() {
    if (!undo_.valid) return false;
    UndoStep step = std::move(undo_);
    std::string current = TextBetween(step.start, step.start + step.insertedLength);
    std::size_t restored = Replace(step.start, step.start + step.insertedLength, step.removed);
    undo_ = UndoStep{true, step.start, restored, std::move(current), false};
    anchor_ = step.start;
    caret_ = step.start + restored;
    return true;
}

void EditText::SetLayout(MeasureRun measure, int wrapWidth) {
    measure_ = std::move(measure);
    wrapWidth_ = multiLine_ ? wrapWidth : 0;
    lines_ = LayOutRange(0, text_.size(), 0, true);
}

std::size_t EditText::LineFromChar(std::size_t position) const {
    auto it = std::upper_bound(lines_.begin(), lines_.end(), position,
                               [](std::size_t p, const EditLine& line) { return p < line.start; });
    return it == lines_.begin() ? 0 : static_cast<std::size_t>(it - lines_.begin()) - 1;
}

std::string_view EditText::LineText(std::size_t index) const {
    const EditLine& line = lines_[index];
    return std::string_view(text_).substr(line.byteStart, line.byteLength);
}

int EditText::MaxLineWidth() const {
    int widest = 0;
    for (const EditLine& line : lines_) widest = std::max(widest, line.width);
    return widest;
}

std::size_t EditText::ByteOffset(std::size_t position) const {
    position = std::min(position, length_);
    const std::size_t index = LineFromChar(position);
    const EditLine& line = lines_[index];
    std::size_t inLine = position - line.start;
    if (inLine <= line.length) return line.byteStart + ByteOffsetOfCodePoint(LineText(index), inLine);
    return line.byteStart + line.byteLength + (inLine - line.length);  // inside the (ASCII) break
}

std::size_t EditText::SnapOffBreak(std::size_t position) const {
    if (position == 0 || position >= length_ || !multiLine_) return position;
    std::size_t offset = ByteOffset(position);
    return text_[offset] == '\n' && text_[offset - 1] == '\r' ? position - 1 : position;
}

// The word functions step through the bytes from one position, so a long run costs its
// length once rather than a line lookup per character.
char32_t EditText::PointAtByte(std::size_t byte) const {
    std::u32string one = DecodeUtf8(std::string_view(text_).substr(byte, SequenceLength(text_[byte])));
    return one.empty() ? 0 : one[0];
}

std::size_t EditText::PreviousByte(std::size_t byte) const {
    do --byte;
    while (byte > 0 && (static_cast<unsigned char>(text_[byte]) & 0xC0) == 0x80);
    return byte;
}

std::size_t EditText::NextWordStart(std::size_t position) const {
    std::size_t byte = ByteOffset(position);
    while (position < length_ && !IsBlank(PointAtByte(byte))) ++position, byte += SequenceLength(text_[byte]);
    while (position < length_ && IsBlank(PointAtByte(byte))) ++position, byte += SequenceLength(text_[byte]);
    return position;
}

std::size_t EditText::PreviousWordStart(std::size_t position) const {
    std::size_t byte = ByteOffset(position);
    while (position > 0 && IsBlank(PointAtByte(PreviousByte(byte)))) --position, byte = PreviousByte(byte);
    while (position > 0 && !IsBlank(PointAtByte(PreviousByte(byte)))) --position, byte = PreviousByte(byte);
    return position;
}

std::pair<std::size_t, std::size_t> EditText::WordAround(std::size_t position) const {
    if (length_ == 0) return {0, 0};
    if (position >= length_) position = length_ - 1;
    const std::size_t byte = ByteOffset(position);
    const bool blank = IsBlank(PointAtByte(byte));
    std::size_t from = position;
    std::size_t fromByte = byte;
    while (from > 0 && IsBlank(PointAtByte(PreviousByte(fromByte))) == blank) --from, fromByte = PreviousByte(fromByte);
    std::size_t to = position;
    std::size_t toByte = byte;
    while (to < length_ && IsBlank(PointAtByte(toByte)) == blank) ++to, toByte += SequenceLength(text_[toByte]);
    return {from, to};
}

std::size_t EditText::Replace(std::size_t from, std::size_t to, std::string_view validUtf8) {
    const std::size_t byteFrom = ByteOffset(from);
    const std::size_t byteTo = ByteOffset(to);
    text_.replace(byteFrom, byteTo - byteFrom, validUtf8);
    const std::size_t inserted = CodePointCount(validUtf8);
    length_ = length_ - (to - from) + inserted;
    Relayout(from, to, inserted, static_cast<std::ptrdiff_t>(validUtf8.size()) - static_cast<std::ptrdiff_t>(byteTo - byteFrom));
    return inserted;
}

// Lays out again only the paragraphs the change touched (and one on each side, since a break
// may join with a "\r" or "\n" next to it); the lines after them move by the change's size.
void EditText::Relayout(std::size_t changeStart, std::size_t removedEnd, std::size_t insertedLength,
                        std::ptrdiff_t byteDelta) {
    auto paragraphStart = [&](std::size_t i) {
        while (i > 0 && lines_[i - 1].breakLength == 0) --i;
        return i;
    };
    auto paragraphEnd = [&](std::size_t i) {
        while (i + 1 < lines_.size() && lines_[i].breakLength == 0) ++i;
        return i;
    };
    std::size_t first = paragraphStart(LineFromChar(changeStart));
    if (first > 0) first = paragraphStart(first - 1);
    std::size_t last = paragraphEnd(LineFromChar(removedEnd));
    if (last + 1 < lines_.size()) last = paragraphEnd(last + 1);
    const bool reachesEnd = last + 1 == lines_.size();
    const std::size_t byteFrom = lines_[first].byteStart;
    const std::size_t oldByteTo = lines_[last].byteStart + lines_[last].byteLength + lines_[last].breakLength;
    const std::size_t byteTo = reachesEnd ? text_.size() : static_cast<std::size_t>(static_cast<std::ptrdiff_t>(oldByteTo) + byteDelta);
    std::vector<EditLine> fresh = LayOutRange(byteFrom, byteTo, lines_[first].start, reachesEnd);
    const std::ptrdiff_t pointDelta = static_cast<std::ptrdiff_t>(insertedLength) - static_cast<std::ptrdiff_t>(removedEnd - changeStart);
    for (std::size_t i = last + 1; i < lines_.size(); ++i) {
        lines_[i].start = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(lines_[i].start) + pointDelta);
        lines_[i].byteStart = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(lines_[i].byteStart) + byteDelta);
    }
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(first), fresh.begin(), fresh.end());
}

std::vector<EditLine> EditText::LayOutRange(std::size_t byteFrom, std::size_t byteTo, std::size_t start,
                                            bool reachesEnd) const {
    std::vector<EditLine> out;
    const std::string_view all(text_);
    std::size_t pos = byteFrom;
    while (true) {
        std::size_t brk = multiLine_ ? all.find_first_of("\r\n", pos) : std::string_view::npos;
        if (brk == std::string_view::npos || brk >= byteTo) {
            if (pos < byteTo || reachesEnd) LayOutParagraph(all.substr(pos, byteTo - pos), pos, start, 0, out);
            break;
        }
        std::size_t breakLength = all[brk] == '\r' && brk + 1 < all.size() && all[brk + 1] == '\n' ? 2 : 1;
        std::string_view paragraph = all.substr(pos, brk - pos);
        LayOutParagraph(paragraph, pos, start, breakLength, out);
        start = out.back().start + out.back().length + breakLength;
        pos = brk + breakLength;
        if (pos >= byteTo) {
            if (reachesEnd) LayOutParagraph({}, pos, start, 0, out);
            break;
        }
    }
    return out;
}

void EditText::LayOutParagraph(std::string_view paragraph, std::size_t byteStart, std::size_t start,
                               std::size_t breakLength, std::vector<EditLine>& out) const {
    const std::u32string points = DecodeUtf8(paragraph);
    const std::size_t count = points.size();
    if (count == 0 || !measure_) {
        out.push_back(EditLine{start, byteStart, count, paragraph.size(), breakLength, 0});
        return;
    }
    const std::vector<int> ends = measure_(paragraph);
    auto endOf = [&](std::size_t i) { return i == 0 ? 0 : ends[std::min(i, ends.size()) - 1]; };
    std::size_t s = 0;
    std::size_t byte = byteStart;
    while (true) {
        std::size_t k = count;
        if (wrapWidth_ > 0) {
            const int base = endOf(s);
            std::size_t e = s;
            while (e < count && endOf(e + 1) - base <= wrapWidth_) ++e;
            if (e < count) {
                if (e == s) e = s + 1;  // a character wider than the line still takes one
                k = e;
                if (IsBlank(points[e])) {
                    while (k < count && IsBlank(points[k])) ++k;  // spaces hang past the edge
                } else {
                    std::size_t j = e;
                    while (j > s && !IsBlank(points[j - 1])) --j;
                    if (j > s) k = j;
                }
            }
        }
        std::size_t bytes = 0;
        for (std::size_t i = s; i < k; ++i) bytes += EncodedLength(points[i]);
        const bool lastLine = k == count;
        out.push_back(EditLine{start + s, byte, k - s, bytes, lastLine ? breakLength : 0, endOf(k) - endOf(s)});
        if (lastLine) return;
        byte += bytes;
        s = k;
    }
}

}  // namespace parch::win
