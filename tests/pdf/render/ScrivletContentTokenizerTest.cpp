#include "pdf/render/ScrivletContentTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace parch {
namespace {

std::vector<std::string> TokenizerTokenizeAll(const std::string& content) {
    TPDFContentTokenizer tokenizer(content);
    std::vector<std::string> tokens;
    for (std::string_view token = tokenizer.NextToken(); !token.empty(); token = tokenizer.NextToken())
        tokens.emplace_back(token);
    return tokens;
}

struct TokenizerCase {
    std::string Content;
    std::vector<std::string> Tokens;
};

class ContentTokenizer : public ::testing::TestWithParam<TokenizerCase> {};

TEST_P(ContentTokenizer, SplitsContentIntoTokens) {
    EXPECT_EQ(TokenizerTokenizeAll(GetParam().Content), GetParam().Tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ContentTokenizer,
    ::testing::Values(
        TokenizerCase{"q 1 0 0 1 5 5 cm Q", {"q", "1", "0", "0", "1", "5", "5", "cm", "Q"}},
        // A final one-byte operator without a line end.
        TokenizerCase{"0 0 m Q", {"0", "0", "m", "Q"}}, TokenizerCase{"Q", {"Q"}},
        TokenizerCase{"/F1 12 Tf", {"/F1", "12", "Tf"}}, TokenizerCase{"/F1/F2", {"/F1", "/F2"}},
        TokenizerCase{"[(a)-50(b)]TJ", {"[", "(a)", "-50", "(b)", "]", "TJ"}},
        TokenizerCase{"(a(b)c\\)d)Tj", {"(a(b)c\\)d)", "Tj"}},
        // An escaped backslash does not escape the bracket after it.
        TokenizerCase{"(a\\\\)Tj", {"(a\\\\)", "Tj"}},
        TokenizerCase{"<< /A 1 >> BDC", {"<< /A 1 >", ">", "BDC"}}, TokenizerCase{"<48 49>Tj", {"<48 49>", "Tj"}},
        TokenizerCase{"q\nQ", {"q", "Q"}}, TokenizerCase{"'", {"'"}}, TokenizerCase{"a'b", {"a'b"}},
        // Comments run to the line end and give no token; a percent sign inside a string is text.
        TokenizerCase{"% 1 0 0 rg\n0 g", {"0", "g"}}, TokenizerCase{"1 g%comment\rf", {"1", "g", "f"}},
        TokenizerCase{"(50%)Tj % end", {"(50%)", "Tj"}}, TokenizerCase{"%only", {}},
        // Unterminated strings and hex strings end with the content.
        TokenizerCase{"(abc", {"(abc"}}, TokenizerCase{"<4142", {"<4142"}},
        TokenizerCase{" \t\r\n\f", {}}, TokenizerCase{std::string("1\0g", 3), {"1", "g"}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(ContentTokenizerPosition, SetPositionMovesTheReaderAndIsClamped) {
    TPDFContentTokenizer tokenizer("BI ID xyz EI Q");
    tokenizer.SetPosition(13);
    EXPECT_EQ(tokenizer.NextToken(), "Q");
    tokenizer.SetPosition(1000);
    EXPECT_EQ(tokenizer.NextToken(), "");
    tokenizer.SetPosition(-5);
    EXPECT_EQ(tokenizer.NextToken(), "BI");
    EXPECT_EQ(tokenizer.Position(), 3);
}

}  // namespace
}  // namespace parch
