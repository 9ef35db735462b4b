#include "pdf/render/ScrivletFontSubstitution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace parch {

void PrintTo(const TPDFSubstitutedFont& font, std::ostream* out) {
    *out << font.Family << (font.Bold ? " bold" : "") << (font.Italic ? " italic" : "");
}

namespace {

TEST(ScrivletFontSubstitution, NamesRewriteToInstalledFamilyAndStyle) {
    const std::vector<std::string> families = {"Arial", "Courier New", "DejaVu Sans", "Times New Roman", "Verdana"};
    struct Case {
        const char* name;
        int flags;
        TPDFSubstitutedFont expected;
    };
    const Case cases[] = {
        {"Helvetica", 0, {"Arial", false, false}},
        {"Helvetica-Bold", 0, {"Arial", true, false}},
        {"TimesNewRomanPS-BoldMT", 0, {"Times New Roman", true, false}},
        {"Courier-Bold", 0, {"Courier New", true, false}},
        {"Arial-ItalicMT", 0, {"Arial", false, true}},
        {"ABCDEF+ArialMT", 0, {"Arial", false, false}},
        {"ABCDEF+Verdana-Bold", 0, {"Verdana", true, false}},
        {"abcdef+Verdana", 0, {"Arial", false, false}},  // no subset tag: the "+" cuts the name
        {"Verdana+Extra", 0, {"Verdana", false, false}},
        {"DejaVuSans", 0, {"DejaVu Sans", false, false}},
        {"DejaVuSans,BoldItalic", 0, {"DejaVu Sans", true, true}},
        {"VerdanaItalic", 0, {"Verdana", false, true}},
        {"Verdana-Oblique", 0, {"Verdana", false, true}},
        // "-Bold" has turned it into Helvetica,BoldOblique, which no row lists.
        {"Helvetica-BoldOblique", 0, {"Arial", false, false}},
        {"Helvetica-BoldOblique", 64, {"Arial", false, true}},
        // No family: the descriptor's flags choose, and its style suffix is dropped.
        {"Garamond-Bold", 0, {"Arial", false, false}},
        {"Garamond", 1, {"Courier", false, false}},
        {"Garamond", 2, {"Times New Roman", false, false}},
        {"Garamond", 3, {"Times New Roman", false, false}},
        {"Garamond", 34, {"Times New Roman", false, false}},
        {"Garamond", 98, {"Times New Roman", false, true}},
        // Only whole aliases name a standard font.
        {"Bold", 0, {"Arial", false, false}},
        {"Roman", 2, {"Times New Roman", false, false}},
        {"", 0, {"Arial", false, false}},
    };
    for (const Case& c : cases) EXPECT_EQ(SubstituteFont(c.name, c.flags, families), c.expected) << c.name << " " << c.flags;
}

TEST(ScrivletFontSubstitution, FamiliesAreSearchedInOrderAndNeedNotBeInstalled) {
    EXPECT_EQ(SubstituteFont("Helvetica", 0, {}), (TPDFSubstitutedFont{"Arial", false, false}));
    EXPECT_EQ(SubstituteFont("Arial-Bold", 0, {"Arial Narrow"}), (TPDFSubstitutedFont{"Arial", false, false}));
    // The first family that matches wins.
    EXPECT_EQ(SubstituteFont("FooItalic", 0, {"Foo", "FooItalic"}), (TPDFSubstitutedFont{"Foo", false, true}));
    EXPECT_EQ(SubstituteFont("FooItalic", 0, {"FooItalic", "Foo"}), (TPDFSubstitutedFont{"FooItalic", false, false}));
}

TEST(ScrivletFontSubstitution, StandardFontRows) {
    struct Case {
        const char* name;
        int number;
        const char* target;
        double ascent, descent;
    };
    const Case cases[] = {
        {"Courier", 1, "CourierNew", 629, -157},
        {"CourierNewPS,BoldMT,Bold", 2, "CourierNew,Bold", 626, -142},
        {"Helvetica", 5, "Arial", 718, -207},
        {"Arial,BoldMT,Bold", 5, "Arial", 718, -207},
        {"Helvetica-BoldOblique", 7, "Arial,BoldItalic", 718, -207},
        {"Times-Roman", 9, "TimesNewRoman", 683, -217},
        {"TimesNewRomanPS-BoldItalicMT", 12, "TimesNewRoman,BoldItalic", 699, -205},
        {"Symbol", 13, "Symbol", 699, -205},
        {"ZapfDingbats", 14, "ZapfDingbats", 699, -205},
    };
    for (const Case& c : cases) {
        const TPDFStandardFontRow* row = FindStandardFontRow(c.name);
        ASSERT_NE(row, nullptr) << c.name;
        EXPECT_EQ(row->Number, c.number) << c.name;
        EXPECT_EQ(row->Target, c.target) << c.name;
        EXPECT_EQ(row->Ascent, c.ascent) << c.name;
        EXPECT_EQ(row->Descent, c.descent) << c.name;
    }
    for (const char* name : {"ABCDEF+Helvetica", "helvetica", "Bold", "Roman", "Arial,Bold,", ""})
        EXPECT_EQ(FindStandardFontRow(name), nullptr) << name;
}

TEST(ScrivletFontSubstitution, WindowsFamiliesOpenTheirUrwTwins) {
    EXPECT_EQ(OutlineFamilyFor("Arial"), "Nimbus Sans");
    EXPECT_EQ(OutlineFamilyFor("Times New Roman"), "Nimbus Roman");
    EXPECT_EQ(OutlineFamilyFor("Courier New"), "Nimbus Mono PS");
    EXPECT_EQ(OutlineFamilyFor("Courier"), "Nimbus Mono PS");
    EXPECT_EQ(OutlineFamilyFor("Symbol"), "Standard Symbols PS");
    EXPECT_EQ(OutlineFamilyFor("ZapfDingbats"), "D050000L");
    EXPECT_EQ(OutlineFamilyFor("MS UI Gothic"), "IPAGothic");
    EXPECT_EQ(OutlineFamilyFor("MS Mincho"), "IPAGothic");
    EXPECT_EQ(OutlineFamilyFor("DejaVu Sans"), "DejaVu Sans");

    const std::vector<std::string> families = SubstitutionFamilies();
    for (const char* family : {"Arial", "Times New Roman", "Courier New", "Symbol", "ZapfDingbats"})
        EXPECT_NE(std::find(families.begin(), families.end(), family), families.end()) << family;
}

}  // namespace
}  // namespace parch
