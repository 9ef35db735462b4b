#include <gtest/gtest.h>

#include "pdf/render/ScrivletFontCollection.h"
#include "tests/pdf/render/ScrivletFontTestObjects.h"

namespace parch {
namespace {

TEST(ScrivletFontCollection, SelectingOneReferenceTwiceLoadsItOnce) {
    testfont::FontObjects objects;
    objects.Define(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    TPDFFontCollection fonts;
    fonts.SelectFont(objects.Ref(5));
    fonts.SelectFont(objects.Ref(5));
    EXPECT_EQ(fonts.FontCount(), 1);
    ASSERT_NE(fonts.CurrentFont, nullptr);
    EXPECT_EQ(fonts.CurrentFont->ObjectNumber, 5);
}

}  // namespace
}  // namespace parch
