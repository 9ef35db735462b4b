#include <cstring>
#include <gtest/gtest.h>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontEnumeration.h"

namespace parch {
namespace {

TEST(FontEnumeration, FormatsGiveTheWindowsFontTypes) {
    const std::pair<const char*, DWORD> cases[] = {
        {"TrueType", TRUETYPE_FONTTYPE}, {"CFF", TRUETYPE_FONTTYPE},  {"Type 1", DEVICE_FONTTYPE},
        {"CID Type 1", DEVICE_FONTTYPE}, {"PCF", RASTER_FONTTYPE},     {"BDF", RASTER_FONTTYPE},
    };
    for (const auto& [format, type] : cases) EXPECT_EQ(FontTypeOfFormat(format), type) << format;
}

TEST(FontEnumeration, LongNamesAreCutAtCharacterBoundariesAndListedOnce) {
    // 30 ASCII bytes, then "é" (2 bytes) would end at byte 32: it does not fit in 31.
    const std::string base(30, 'x');
    EXPECT_EQ(FaceNameOf(base + "\xC3\xA9 Bold Condensed"), base);
    EXPECT_EQ(FaceNameOf(base + "a\xC3\xA9"), base + "a");
    EXPECT_EQ(FaceNameOf("Short"), "Short");

    std::vector<InstalledFace> faces = {
        {base + "y One", "Type 1", 400, false},
        {"DejaVu Sans", "TrueType", 400, false},
        {base + "y Two", "TrueType", 700, false},  // equal to the first after the cut
        {"DejaVu Sans", "TrueType", 700, true},
    };
    std::vector<InstalledFace> families = FacesToReport(faces, false);
    ASSERT_EQ(families.size(), 2u);
    EXPECT_EQ(families[0].family, base + "y");
    EXPECT_EQ(FontTypeOfFormat(families[0].format), TRUETYPE_FONTTYPE);
    EXPECT_EQ(families[1].family, "DejaVu Sans");
    EXPECT_EQ(FacesToReport(faces, true).size(), 4u);  // styles of each stay apart
}

struct Seen {
    std::vector<std::string> names;
    std::vector<DWORD> types;
    int stopAfter = 1 << 30;
};

int Collect(const LOGFONT* font, const TEXTMETRIC*, DWORD type, LPARAM data) {
    auto* seen = reinterpret_cast<Seen*>(data);
    seen->names.push_back(font->lfFaceName);
    seen->types.push_back(type);
    return static_cast<int>(seen->names.size()) < seen->stopAfter ? 1 : 0;
}

TEST(FontEnumeration, InstalledFamiliesWithTheirTypes) {
    HDC dc = CreateCompatibleDC(nullptr);
    Seen all;
    EXPECT_EQ(EnumFontFamilies(dc, nullptr, &Collect, reinterpret_cast<LPARAM>(&all)), 1);
    auto dejavu = std::find(all.names.begin(), all.names.end(), "DejaVu Sans");
    ASSERT_NE(dejavu, all.names.end());
    EXPECT_EQ(all.types[static_cast<std::size_t>(dejavu - all.names.begin())], TRUETYPE_FONTTYPE);
    EXPECT_EQ(std::count(all.names.begin(), all.names.end(), "DejaVu Sans"), 1);

    Seen styles;
    LOGFONT font;
    std::strcpy(font.lfFaceName, "DejaVu Sans");
    EnumFontFamiliesEx(dc, &font, &Collect, reinterpret_cast<LPARAM>(&styles), 0);
    EXPECT_GE(styles.names.size(), 1u);
    for (const std::string& n : styles.names) EXPECT_EQ(n, "DejaVu Sans");

    Seen first;
    first.stopAfter = 1;
    EXPECT_EQ(EnumFontFamilies(dc, nullptr, &Collect, reinterpret_cast<LPARAM>(&first)), 0);
    EXPECT_EQ(first.names.size(), 1u);
    EXPECT_EQ(EnumFontFamilies(nullptr, nullptr, &Collect, 0), 0);
    DeleteDC(dc);
}

}  // namespace
}  // namespace parch
