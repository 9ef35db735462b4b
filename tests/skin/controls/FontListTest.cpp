// The installed-font list against fontconfig's own listing, the rules that keep a family once,
// and the technology pictures built into the program.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "base/SysUtils.h"
#include "framework/graphics/Bitmap.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/FontEnumeration.h"
#include "resources/EmbeddedResources.h"
#include "skin/controls/acFontList.h"
#include "skin/engine/acPNG.h"
#include "tests/platform/gdi/TestFonts.h"

namespace parch {
namespace {

LOGFONT FaceNamed(const std::string& name) {
    LOGFONT font;
    std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
    std::memcpy(font.lfFaceName, name.data(), std::min(name.size(), sizeof font.lfFaceName));
    return font;
}

TEST(FontList, FamiliesAreListedOnceWithTheirTechnology) {
    struct Entry {
        std::string name;
        DWORD type;
    };
    const Entry reported[] = {
        {"", TRUETYPE_FONTTYPE},                               // an empty first name is kept
        {"DejaVu Sans", TRUETYPE_FONTTYPE},
        {"dejavu SANS", RASTER_FONTTYPE},                      // the same family in other case
        {"Nimbus Roman", DEVICE_FONTTYPE},
        {"Fixed", RASTER_FONTTYPE},
        {"", DEVICE_FONTTYPE},                                 // a later empty name is not
        {"Mixed", TRUETYPE_FONTTYPE | DEVICE_FONTTYPE},        // combined flags: other
        {"Odd", 0x40},
        {std::string(32, 'W'), TRUETYPE_FONTTYPE},             // a face name with no terminator
    };
    TFontsArray fonts;
    for (const Entry& e : reported) AddFontFamily(fonts, FaceNamed(e.name), e.type);
    struct Expected {
        std::string name;
        std::uint8_t type;
    };
    const Expected expected[] = {{"", ftTrueType},       {"DejaVu Sans", ftTrueType},
                                 {"Nimbus Roman", ftDevice}, {"Fixed", ftRaster},
                                 {"Mixed", ftOther},     {"Odd", ftOther},
                                 {std::string(32, 'W'), ftTrueType}};
    ASSERT_EQ(fonts.size(), std::size(expected));
    for (size_t i = 0; i < fonts.size(); ++i) {
        EXPECT_EQ(fonts[i].Name, expected[i].name) << i;
        EXPECT_EQ(fonts[i].FontType, expected[i].type) << i;
    }
}

// fontconfig's families: the first name of each listed font, cut as a face name is, once each
// without letter case.
std::set<std::string> FcListFamilies() {
    std::set<std::string> families;
    FILE* pipe = popen("fc-list : family 2>/dev/null", "r");
    if (pipe == nullptr) return families;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        std::string first;
        for (size_t i = 0; i < text.size() && text[i] != ','; ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) ++i;  // an escaped comma belongs to the name
            first += text[i];
        }
        if (!first.empty()) families.insert(LowerCase(FaceNameOf(first)));
    }
    pclose(pipe);
    return families;
}

TEST(FontList, InstalledFamiliesAreFontconfigsFamilies) {
    HeadlessDisplay display;
    std::set<std::string> oracle = FcListFamilies();
    ASSERT_FALSE(oracle.empty()) << "fc-list listed nothing";
    std::set<std::string> ours;
    for (const TFontClass& font : EnumerateFontFamilies()) {
        EXPECT_TRUE(ours.insert(LowerCase(font.Name)).second) << "listed twice: " << font.Name;
        EXPECT_LE(font.Name.size(), static_cast<size_t>(LF_FACESIZE - 1));
        EXPECT_LE(font.FontType, ftOther);
    }
    EXPECT_EQ(ours, oracle);
    // The pinned test fonts are outline fonts.
    for (const TFontClass& font : EnumerateFontFamilies()) {
        if (font.Name == "DejaVu Sans" || font.Name == "Liberation Serif") {
            EXPECT_EQ(font.FontType, ftTrueType);
        }
    }
}

TEST(FontList, TechnologyPicturesAreBuiltIn) {
    for (int technology = ftDevice; technology <= ftOther; ++technology) {
        TBitmap* glyph = FontTechnologyGlyph(technology);
        ASSERT_NE(glyph, nullptr) << technology;
        EXPECT_EQ(glyph->Width(), 16) << technology;
        EXPECT_EQ(glyph->Height(), 16) << technology;
    }
    EXPECT_EQ(FontTechnologyGlyph(-1), nullptr);
    EXPECT_EQ(FontTechnologyGlyph(4), nullptr);
}

TEST(FontList, GaugeLightIsAnAlphaPicture) {
    std::optional<std::string> bytes = ReadEmbeddedResource("ACGL");
    ASSERT_TRUE(bytes);
    TPNGGraphic light;
    TStringStream stream(*bytes);
    light.LoadFromStream(stream);
    ASSERT_EQ(light.Width(), 60);
    ASSERT_EQ(light.Height(), 20);
    EXPECT_EQ(light.PixelFormat(), pf32bit);
    // Brightest in the middle, nothing at the ends.
    auto alpha = [&](int x, int y) { return reinterpret_cast<const std::uint32_t*>(light.ScanLine(y))[x] >> 24; };
    EXPECT_GT(alpha(30, 10), 200u);
    EXPECT_EQ(alpha(0, 0), 0u);
    EXPECT_LT(alpha(30, 0), alpha(30, 10));
}

}  // namespace
}  // namespace parch
