// The stand-ins for what the skinned controls will bring: hint markup and the size spin's rule.

#include "app/ControlAdapters.h"

#include <gtest/gtest.h>

namespace parch {
namespace {

TEST(ControlAdaptersTest, HintMarkupBecomesPlainText) {
    EXPECT_EQ(PlainHintText("Output image's DPI<br>Keep the default"), "Output image's DPI\nKeep the default");
    EXPECT_EQ(PlainHintText("Forced output image format: <b>PNG</b> - x"), "Forced output image format: PNG - x");
    EXPECT_EQ(PlainHintText("<i>Example:</i> output<BR>a < b"), "Example: output\na < b");
}

TEST(ControlAdaptersTest, SizeSpinKeepsIntegersWithinItsLimits) {
    const std::pair<const char*, const char*> cases[] = {
        {"16", "16"}, {" 40 ", "40"}, {"12x", "16"}, {"", "16"}, {"0", "1"}, {"12000", "9999"}};
    for (const auto& [typed, kept] : cases) EXPECT_EQ(SizeSpinText(typed), kept) << typed;
}

}  // namespace
}  // namespace parch
