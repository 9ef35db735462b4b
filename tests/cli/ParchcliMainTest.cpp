#include "cli/Parchcli/ParchcliMain.h"

#include <gtest/gtest.h>

namespace parch {
namespace {

TEST(CenterTextTest, CentresFor48Columns) {
    struct Case { std::size_t length, blanks; };
    const Case cases[] = {{0, 24}, {20, 14}, {45, 1}, {46, 1}, {47, 1}, {48, 0}, {60, 0}};
    for (const Case& c : cases) {
        const std::string text(c.length, 'x');
        EXPECT_EQ(CenterText(text), std::string(c.blanks, ' ') + text) << c.length;
    }
}

}  // namespace
}  // namespace parch
