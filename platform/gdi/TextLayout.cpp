#include "platform/gdi/TextLayout.h"

#include <algorithm>

namespace parch {

namespace {

struct Cell {
    char32_t ch;
    bool underlined;
};
using Cells = std::vector<Cell>;

bool IsBlank(char32_t ch) { return ch == U' ' || ch == U'\t'; }
bool IsLineBreak(char32_t ch) { return ch == U'\r' || ch == U'\n'; }

class LineMeasure {
public:
    explicit LineMeasure(const TextLayoutOptions& options) : options_(options) {}

    // Advance of one cell starting at x on the line: tabs reach the next stop.
    int Advance(char32_t ch, int x) const {
        if (ch == U'\t') {
            const int stop = options_.tabWidth;
            if ((options_.format & DT_EXPANDTABS) && stop > 0) return (x / stop + 1) * stop - x;
            return options_.advance(U' ');
        }
        return options_.advance(ch);
    }

    // The start of every cell and the end of the last one, from x = 0.
    std::vector<int> Positions(const Cells& cells) const {
        std::vector<int> positions(cells.size() + 1, 0);
        int x = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            positions[i] = x;
            x += Advance(cells[i].ch, x);
        }
        positions[cells.size()] = x;
        return positions;
    }

    int Width(const Cells& cells) const { return Positions(cells).back(); }

private:
    const TextLayoutOptions& options_;
};

// Splits at CR LF, CR or LF; a break at the very end starts no further line.
std::vector<std::u32string_view> SplitParagraphs(std::u32string_view text, bool singleLine) {
    std::vector<std::u32string_view> paragraphs;
    if (singleLine) {
        paragraphs.push_back(text);
        return paragraphs;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && !IsLineBreak(text[end])) ++end;
        paragraphs.push_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == U'\r' && end + 1 < text.size() && text[end + 1] == U'\n') ++end;
        start = end + 1;
    }
    return paragraphs;
}

// "&&" shows one "&"; "&x" shows x, underlined unless the prefixes are hidden.
Cells ApplyPrefixes(std::u32string_view text, UINT format, bool singleLine) {
    Cells cells;
    cells.reserve(text.size());
    const bool prefixes = !(format & DT_NOPREFIX);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t ch = text[i];
        if (singleLine && IsLineBreak(ch)) continue;
        bool underlined = false;
        if (prefixes && ch == U'&') {
            if (++i >= text.size()) break;
            ch = text[i];
            underlined = ch != U'&' && !(format & DT_HIDEPREFIX);
            if (singleLine && IsLineBreak(ch)) continue;
        }
        cells.push_back({ch, underlined});
    }
    return cells;
}

void TrimTrailingBlanks(Cells& line) {
    while (!line.empty() && IsBlank(line.back().ch)) line.pop_back();
}

// Fills lines, breaking before a word that would cross maxWidth; a word wider than the whole
// line keeps a line of its own.
std::vector<Cells> WrapWords(const Cells& paragraph, const LineMeasure& measure, int maxWidth) {
    std::vector<Cells> lines;
    std::size_t i = 0;
    do {
        Cells line;
        int x = 0;
        while (i < paragraph.size()) {
            std::size_t wordEnd = i;
            int wordWidth = 0;
            while (wordEnd < paragraph.size() && !IsBlank(paragraph[wordEnd].ch))
                wordWidth += measure.Advance(paragraph[wordEnd++].ch, x + wordWidth);
            if (!line.empty() && wordEnd > i && x + wordWidth > maxWidth) break;
            line.insert(line.end(), paragraph.begin() + static_cast<std::ptrdiff_t>(i),
                        paragraph.begin() + static_cast<std::ptrdiff_t>(wordEnd));
            x += wordWidth;
            i = wordEnd;
            while (i < paragraph.size() && IsBlank(paragraph[i].ch)) {
                x += measure.Advance(paragraph[i].ch, x);
                line.push_back(paragraph[i++]);
            }
        }
        TrimTrailingBlanks(line);
        lines.push_back(std::move(line));
    } while (i < paragraph.size());
    return lines;
}

void AppendEllipsis(Cells& line) {
    for (int k = 0; k < 3; ++k) line.push_back({U'.', false});
}

// Keeps the longest start of the line that fits together with "...".
void EndEllipsis(Cells& line, const LineMeasure& measure, int maxWidth, int ellipsisWidth) {
    const std::vector<int> positions = measure.Positions(line);
    std::size_t keep = line.size();
    while (keep > 0 && positions[keep] + ellipsisWidth > maxWidth) --keep;
    line.resize(keep);
    AppendEllipsis(line);
}

// Keeps the last path component whole and shortens what comes before it.
void PathEllipsis(Cells& line, const LineMeasure& measure, int maxWidth, int ellipsisWidth) {
    std::size_t separator = line.size();
    for (std::size_t i = line.size(); i-- > 0;) {
        if (line[i].ch == U'/' || line[i].ch == U'\\') {
            separator = i;
            break;
        }
    }
    if (separator == line.size()) return EndEllipsis(line, measure, maxWidth, ellipsisWidth);
    const Cells tail(line.begin() + static_cast<std::ptrdiff_t>(separator), line.end());
    const int tailWidth = measure.Width(tail);
    const std::vector<int> positions = measure.Positions(line);
    std::size_t keep = separator;
    while (keep > 0 && positions[keep] + ellipsisWidth + tailWidth > maxWidth) --keep;
    if (positions[keep] + ellipsisWidth + tailWidth > maxWidth)
        return EndEllipsis(line, measure, maxWidth, ellipsisWidth);
    line.resize(keep);
    AppendEllipsis(line);
    line.insert(line.end(), tail.begin(), tail.end());
}

TextLayoutLine Finish(const Cells& cells, const LineMeasure& measure) {
    TextLayoutLine line;
    const std::vector<int> positions = measure.Positions(cells);
    line.text.reserve(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        line.text.push_back(cells[i].ch == U'\t' ? U' ' : cells[i].ch);
        line.advances.push_back(positions[i + 1] - positions[i]);
        line.underlined.push_back(cells[i].underlined);
    }
    line.width = positions.back();
    return line;
}

}  // namespace

std::vector<TextLayoutLine> LayoutText(std::u32string_view text, const TextLayoutOptions& options) {
    std::vector<TextLayoutLine> result;
    if (text.empty() || !options.advance) return result;
    const UINT format = options.format;
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    const bool wrap = (format & DT_WORDBREAK) && !singleLine;
    const LineMeasure measure(options);
    const int ellipsisWidth = 3 * options.advance(U'.');

    for (std::u32string_view paragraph : SplitParagraphs(text, singleLine)) {
        const Cells cells = ApplyPrefixes(paragraph, format, singleLine);
        std::vector<Cells> lines = wrap ? WrapWords(cells, measure, options.maxWidth) : std::vector<Cells>{cells};
        for (Cells& line : lines) {
            if (measure.Width(line) > options.maxWidth) {
                if (format & DT_PATH_ELLIPSIS)
                    PathEllipsis(line, measure, options.maxWidth, ellipsisWidth);
                else if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))
                    EndEllipsis(line, measure, options.maxWidth, ellipsisWidth);
            }
            result.push_back(Finish(line, measure));
        }
    }
    return result;
}

}  // namespace parch
