#include "pdf/render/ScrivletContentTokenizer.h"

#include <algorithm>

namespace parch {

namespace {

bool TokenizerIsWhiteSpace(char c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

bool TokenizerEndsRegularToken(char c) {
    return TokenizerIsWhiteSpace(c) || c == '(' || c == '/' || c == '<' || c == '[' || c == ']' || c == '%';
}

}  // namespace

void TPDFContentTokenizer::SetPosition(std::int64_t position) {
    position_ = static_cast<std::size_t>(std::clamp<std::int64_t>(position - 1, 0, static_cast<std::int64_t>(content_.size())));
}

void TPDFContentTokenizer::SkipWhiteSpaceAndComments() {
    while (position_ < content_.size()) {
        const char c = content_[position_];
        if (TokenizerIsWhiteSpace(c)) {
            ++position_;
        } else if (c == '%') {
            while (position_ < content_.size() && content_[position_] != '\n' && content_[position_] != '\r')
                ++position_;
        } else {
            return;
        }
    }
}

std::string_view TPDFContentTokenizer::NextToken() {
    SkipWhiteSpaceAndComments();
    if (position_ >= content_.size()) return {};
    switch (content_[position_]) {
        case '(':
            return LiteralString();
        case '<':
            return AngleToken();
        case '\'':
        case '[':
        case ']':
            return content_.substr(position_++, 1);
        default:
            return RegularToken();
    }
}

// Balanced brackets, a backslash escaping the byte after it; an unterminated string runs to
// the end of the content.
std::string_view TPDFContentTokenizer::LiteralString() {
    const std::size_t start = position_++;
    int depth = 1;
    while (position_ < content_.size() && depth > 0) {
        const char c = content_[position_++];
        if (c == '\\')
            ++position_;
        else if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
    }
    position_ = std::min(position_, content_.size());
    return content_.substr(start, position_ - start);
}

// Hex strings and dictionary openers alike end at the first ">".
std::string_view TPDFContentTokenizer::AngleToken() {
    const std::size_t start = position_;
    const std::size_t close = content_.find('>', start + 1);
    position_ = close == std::string_view::npos ? content_.size() : close + 1;
    return content_.substr(start, position_ - start);
}

// The first byte belongs to the token whatever it is, so "/F1/F2" gives two names.
std::string_view TPDFContentTokenizer::RegularToken() {
    const std::size_t start = position_++;
    while (position_ < content_.size() && !TokenizerEndsRegularToken(content_[position_])) ++position_;
    return content_.substr(start, position_ - start);
}

}  // namespace parch
