#pragma once
// Splits a content stream into byte-string tokens: strings with their brackets, "<...>" up to
// the first ">", the one-byte tokens "'", "[" and "]", and regular words ending at a delimiter.
// Comments run from "%" to the end of the line and give no token.

#include <cstdint>
#include <string>
#include <string_view>

namespace parch {

class TPDFContentTokenizer {
public:
    explicit TPDFContentTokenizer(std::string_view content) : content_(content) {}

    // The next token, or the empty token at the end of the content.
    std::string_view NextToken();
    // 1-based index of the next byte to read.
    std::int64_t Position() const { return position_ + 1; }
    // Moves to the 1-based index (inline image data is skipped by its reader).
    void SetPosition(std::int64_t position);
    std::string_view Content() const { return content_; }

private:
    void SkipWhiteSpaceAndComments();
    std::string_view LiteralString();
    std::string_view AngleToken();
    std::string_view RegularToken();

    std::string_view content_;
    std::size_t position_ = 0;  // 0-based
};

}  // namespace parch
