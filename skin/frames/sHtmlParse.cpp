#include "skin/frames/sHtmlParse.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "skin/engine/sPixelBlend.h"

namespace parch {

namespace {

// Pixels between two lines.
constexpr int kHtmlLineGap = 2;

char HtmlUpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string HtmlUpperCopy(const std::string& text) {
    std::string upper = text;
    std::transform(upper.begin(), upper.end(), upper.begin(), HtmlUpperAscii);
    return upper;
}

bool IsHtmlWordDelimiter(char c) {
    return c == '\r' || c == '\n' || c == ' ' || c == '"' || c == '<' || c == '=' || c == '>';
}

// A word of a tag and where it starts.
struct HtmlWord {
    std::string_view Text;
    size_t Pos;
};

std::vector<HtmlWord> SplitHtmlTag(std::string_view tag) {
    std::vector<HtmlWord> words;
    size_t i = 0;
    while (i < tag.size()) {
        while (i < tag.size() && IsHtmlWordDelimiter(tag[i])) ++i;
        size_t start = i;
        while (i < tag.size() && !IsHtmlWordDelimiter(tag[i])) ++i;
        if (i > start) words.push_back({tag.substr(start, i - start), start});
    }
    return words;
}

// Hexadecimal digits as a number; a trailing "H" is dropped and any other character gives 0.
// Overlong values wrap, keeping the low digits.
std::uint32_t HtmlHexValue(std::string_view digits) {
    if (!digits.empty() && digits.back() == 'H') digits.remove_suffix(1);
    std::uint32_t value = 0;
    for (char c : digits) {
        int digit = c >= '0' && c <= '9' ? c - '0' : (c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1);
        if (digit < 0) return 0;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

struct HtmlColorName {
    std::string_view Name;
    TColor Color;  // blue in the high byte
};

constexpr std::array<HtmlColorName, 16> kHtmlColorNames{{
    {"AQUA", 0xFFFF00}, {"BLACK", 0x000000}, {"BLUE", 0xFF0000},   {"FUCHSIA", 0xFF00FF},
    {"GRAY", 0x808080}, {"GREEN", 0x008000}, {"LIME", 0x00FF00},   {"MAROON", 0x000080},
    {"NAVY", 0x800000}, {"OLIVE", 0x008080}, {"PURPLE", 0x800080}, {"RED", 0x0000FF},
    {"SILVER", 0xC0C0C0}, {"TEAL", 0x808000}, {"WHITE", 0xFFFFFF}, {"YELLOW", 0x00FFFF},
}};

// Decimal digits as a number; false when the text is not one. Long numbers saturate, as
// the size they ask for is clamped anyway.
bool ParseHtmlDecimal(std::string_view text, long long& value) {
    if (text.empty()) return false;
    constexpr long long kSaturated = 1'000'000'000;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = std::min(kSaturated, value * 10 + (c - '0'));
    }
    return true;
}

}  // namespace

void TsHtml::Init(TBitmap* bitmap, std::string text, const RECT& rect) {
    bitmap_ = bitmap;
    text_ = std::move(text);
    upper_ = HtmlUpperCopy(text_);
    rect_ = rect;
    x_ = rect.left;
    y_ = rect.top;
    widestLine_ = totalHeight_ = lineWidth_ = lineHeight_ = 0;
    savedFonts_.clear();
}

RECT TsHtml::Render() {
    if (bitmap_) ScanText();
    widestLine_ = std::max(widestLine_, lineWidth_);
    totalHeight_ = y_ + lineHeight_;
    return {0, 0, widestLine_, totalHeight_};
}

void TsHtml::ScanText() {
    runStart_ = 0;
    size_t pos = 0;
    while (pos < text_.size()) {
        if (text_[pos] != '<') {
            ++pos;
            continue;
        }
        DrawRun(runStart_, pos);
        if (pos + 1 < text_.size() && text_[pos + 1] == '<') {
            // "<<" shows one "<": the second starts the next run.
            runStart_ = pos + 1;
            pos += 2;
            continue;
        }
        pos = HandleTag(pos);
    }
    DrawRun(runStart_, text_.size());
}

size_t TsHtml::HandleTag(size_t pos) {
    size_t close = upper_.find('>', pos + 1);
    if (close == std::string::npos) {
        runStart_ = pos + 1;  // a lone "<" is dropped
        return pos + 1;
    }
    std::string_view tag(upper_.data() + pos, close - pos + 1);
    if (ApplyTag(tag)) {
        runStart_ = close + 1;
        return close + 1;
    }
    // Not one of ours: the "<" is drawn by itself and the rest is ordinary text.
    DrawRun(pos, pos + 1);
    runStart_ = pos + 1;
    return pos + 1;
}

bool TsHtml::ApplyTag(std::string_view tag) {
    if (tag.size() > 1 && tag[1] == '/') return ApplyClosingTag(tag);
    if (tag == "<BR>" || tag == "<BR/>" || tag == "<P>") {
        NewLine();
        return true;
    }
    TFont& font = Canvas().Font();
    if (tag == "<B>") font.SetStyle(font.Style() | fsBold);
    else if (tag == "<I>") font.SetStyle(font.Style() | fsItalic);
    else if (tag == "<U>") font.SetStyle(font.Style() | fsUnderline);
    else {
        size_t fontPos = tag.find("FONT");
        if (fontPos == std::string_view::npos || fontPos + 4 >= tag.size()) return false;
        PushFont();
        ApplyFontAttributes(tag);
    }
    return true;
}

bool TsHtml::ApplyClosingTag(std::string_view tag) {
    std::string_view name = tag.substr(2);
    TFont& font = Canvas().Font();
    if (name.starts_with('B')) font.SetStyle(font.Style() & ~fsBold);
    else if (name.starts_with('I')) font.SetStyle(font.Style() & ~fsItalic);
    else if (name.starts_with('U')) font.SetStyle(font.Style() & ~fsUnderline);
    else if (name.starts_with("FONT")) PopFont();
    else return false;
    return true;
}

void TsHtml::ApplyFontAttributes(std::string_view tag) {
    std::vector<HtmlWord> words = SplitHtmlTag(tag);
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        std::string_view word = words[i].Text;
        if (word == "SIZE") ApplySize(words[i + 1].Text);
        else if (word == "COLOR") ApplyColor(words[i + 1].Text);
        else if (word == "FACE") ApplyFace(tag, words[i].Pos);
    }
}

void TsHtml::ApplySize(std::string_view value) {
    // A value that is no number changes nothing; sizes stay where a glyph cache can follow.
    TFont& font = Canvas().Font();
    long long n = 0;
    long long size;
    if (value.starts_with('+') || value.starts_with('-')) {
        if (!ParseHtmlDecimal(value.substr(1), n)) return;
        size = font.Size() + (value[0] == '+' ? 1LL : -1LL) * n;
    } else {
        if (!ParseHtmlDecimal(value, n)) return;
        size = n;
    }
    font.SetSize(static_cast<int>(std::clamp<long long>(size, kMinFontSize, kMaxFontSize)));
}

void TsHtml::ApplyColor(std::string_view value) {
    TFont& font = Canvas().Font();
    if (value.starts_with('#')) {
        font.SetColor(ExchangeRedBlueNoAlpha(static_cast<TColor>(HtmlHexValue(value.substr(1)))));
        return;
    }
    for (const HtmlColorName& named : kHtmlColorNames) {
        if (value == named.Name) {
            font.SetColor(named.Color);
            return;
        }
    }
    font.SetColor(ExchangeRedBlueNoAlpha(static_cast<TColor>(HtmlHexValue(value))));
}

void TsHtml::ApplyFace(std::string_view tag, size_t facePos) {
    size_t open = tag.find('"', facePos);
    if (open == std::string_view::npos) return;
    size_t close = tag.find('"', open + 1);
    if (close == std::string_view::npos || close == open + 1) return;
    Canvas().Font().SetName(std::string(tag.substr(open + 1, close - open - 1)));
}

void TsHtml::PushFont() {
    const TFont& font = Canvas().Font();
    savedFonts_.push_back({font.Name(), font.Size(), font.Color(), font.Style()});
}

void TsHtml::PopFont() {
    if (savedFonts_.empty()) return;
    const FontState& saved = savedFonts_.back();
    TFont& font = Canvas().Font();
    font.SetName(saved.Name);
    font.SetSize(saved.Size);
    font.SetColor(saved.Color);
    font.SetStyle(saved.Style);
    savedFonts_.pop_back();
}

void TsHtml::DrawRun(size_t begin, size_t end) {
    if (end <= begin) return;
    std::string run;
    run.reserve(end - begin);
    for (size_t i = begin; i < end; ++i)
        if (text_[i] != '\r' && text_[i] != '\n') run.push_back(text_[i]);
    TCanvas& canvas = Canvas();
    if (!run.empty()) {
        canvas.TextOut(x_, y_, run);
        x_ += canvas.TextWidth(run);
    }
    lineWidth_ = x_;
    lineHeight_ = std::max(lineHeight_, canvas.TextHeight("X"));
}

void TsHtml::NewLine() {
    x_ = rect_.left;
    y_ += lineHeight_ + kHtmlLineGap;
    widestLine_ = std::max(widestLine_, lineWidth_);
    lineWidth_ = lineHeight_ = 0;
}

}  // namespace parch
