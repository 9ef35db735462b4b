// The form shadow of extended borders: its reach on each side and its two pictures, from the
// skin's EXBORDER or from the default shadows.

#include <gtest/gtest.h>

#include <filesystem>

#include "framework/Application.h"
#include "platform/display/HeadlessDisplay.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/engine/SkinFixtures.h"

namespace parch {
namespace {

// A 24-bit master bitmap of two 10 x 8 frames: the left one red, the right one blue.
std::string TwoFrameMaster() {
    TBitmap bitmap(20, 8, pf24bit);
    for (int y = 0; y < 8; ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < 20; ++x) {
            row[x * 3 + 0] = x < 10 ? 0x00 : 0xFF;
            row[x * 3 + 2] = x < 10 ? 0xFF : 0x00;
            row[x * 3 + 1] = 0;
        }
    }
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return stream.Bytes();
}

std::uint32_t Pixel(const TBitmap* bitmap, int x, int y) {
    return reinterpret_cast<const std::uint32_t*>(const_cast<TBitmap*>(bitmap)->ScanLine(y))[x] & 0xFFFFFFu;
}

class ShadowTemplates : public ::testing::Test {
protected:
    void SetUp() override {
        StartSkinEngine([](const std::string&, TMsgDlgType) {});
        manager.MessageSink = [](const std::string&, TMsgDlgType) {};
        manager.SetSkinDirectory(skins.Path());
        manager.SetExtendedBorders(true);
    }

    void Load(const std::string& name, const std::string& globalKeys) {
        std::filesystem::create_directory(skins.Path() + name);
        skins.Write(name + "/Options.dat",
                    "[GLOBALINFO]\r\nMASTERBITMAP=Master.bmp\r\nVERSION=7.50\r\n" + globalKeys);
        skins.Write(name + "/Master.bmp", TwoFrameMaster());
        manager.SetSkinName(name);
        ASSERT_EQ(manager.SkinName(), name);
    }

    test::ScratchDir skins;
    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
};

TEST_F(ShadowTemplates, ReachComesFromTheBorderWidthsBeyondTheFormOffset) {
    struct Case {
        const char* what;
        const char* keys;
        RECT reach;
    };
    const Case cases[] = {
        {"widths less the offset, never below 0",
         "FORMOFFSET=2\r\nEXBORDER=^0000^0000^0020^0008^0005^0006^0007^0001^2^0^0^0\r\n", RECT{3, 4, 5, 0}},
        {"a border mode gives the offset all round",
         "FORMOFFSET=3\r\nBORDERMODE=1\r\nEXBORDER=^0000^0000^0020^0008^0005^0006^0007^0001^2^0^0^0\r\n",
         RECT{3, 3, 3, 3}},
    };
    int n = 0;
    for (const Case& c : cases) {
        Load("Skin" + std::to_string(n++), c.keys);
        RECT reach = manager.FormShadowSize();
        EXPECT_EQ(reach.left, c.reach.left) << c.what;
        EXPECT_EQ(reach.top, c.reach.top) << c.what;
        EXPECT_EQ(reach.right, c.reach.right) << c.what;
        EXPECT_EQ(reach.bottom, c.reach.bottom) << c.what;
    }
}

TEST_F(ShadowTemplates, InactiveIsTheFirstFrameAndActiveTheSecond) {
    Load("Two", "EXBORDER=^0000^0000^0020^0008^0004^0004^0004^0004^2^0^0^0\r\n");
    const TBitmap* inactive = manager.InactiveShadowTemplate();
    const TBitmap* active = manager.ActiveShadowTemplate();
    ASSERT_NE(inactive, nullptr);
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(inactive->Width(), 10);
    EXPECT_EQ(inactive->Height(), 8);
    EXPECT_EQ(Pixel(inactive, 9, 7), 0xFF0000u);
    EXPECT_EQ(Pixel(active, 0, 0), 0x0000FFu);

    // One frame: both shadows are that frame.
    Load("One", "EXBORDER=^0000^0000^0010^0008^0004^0004^0004^0004^1^0^0^0\r\n");
    EXPECT_EQ(Pixel(manager.ActiveShadowTemplate(), 5, 5), 0xFF0000u);
}

TEST_F(ShadowTemplates, WithoutExBorderTheDefaultShadowsServe) {
    ASSERT_FALSE(ActiveShadowPicture().Empty());
    Load("Plain", "");
    RECT reach = manager.FormShadowSize();
    EXPECT_EQ(reach.left, 9);
    EXPECT_EQ(reach.bottom, 9);
    ASSERT_NE(manager.ActiveShadowTemplate(), nullptr);
    EXPECT_EQ(manager.ActiveShadowTemplate()->Width(), ActiveShadowPicture().Width());

    manager.SetExtendedBorders(false);
    EXPECT_EQ(manager.FormShadowSize().left, 0);
    EXPECT_EQ(manager.ActiveShadowTemplate(), nullptr);
    EXPECT_EQ(manager.InactiveShadowTemplate(), nullptr);
}

}  // namespace
}  // namespace parch
