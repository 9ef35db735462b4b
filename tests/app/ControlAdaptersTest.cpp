// The stand-ins for what the skinned controls will bring: the size spin's rule.

#include "app/ControlAdapters.h"

#include <gtest/gtest.h>

namespace parch {
namespace {

TEST(ControlAdaptersTest, SizeSpinKeepsIntegersWithinItsLimits) {
    const std::pair<const char*, const char*> cases[] = {
        {"16", "16"}, {" 40 ", "40"}, {"12x", "16"}, {"", "16"}, {"0", "1"}, {"12000", "9999"}};
    for (const auto& [typed, kept] : cases) EXPECT_EQ(SizeSpinText(typed), kept) << typed;
}

}  // namespace
}  // namespace parch
