#include <gtest/gtest.h>

#include <filesystem>

#include "skin/engine/sSkinManager.h"
#include "tests/skin/engine/SkinFixtures.h"

namespace parch {
namespace {

// A folder skin with a PANEL section and a BUTTON section, and a picture beside it.
class CommonSectionsTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(skins.Path() + "Slate");
        skins.Write("Slate/Options.dat",
                    "[GLOBALINFO]\r\nMASTERBITMAP=Master.bmp\r\nVERSION=7.50\r\n"
                    "[PANEL]\r\nCOLOR=1193046\r\nHOTCOLOR=2236962\r\nTCLEFT=5\r\n"
                    "[BUTTON]\r\nCOLOR=77\r\n");
        skins.Write("Slate/Master.bmp", test::MakeBmp(20, 20));
        skins.Write("Slate/Extra.bmp", test::MakeBmp(6, 4));
        manager.SetSkinDirectory(skins.Path());
        manager.SetSkinName("Slate");
        ASSERT_TRUE(manager.SkinData().SkinActive);
    }

    const TsGeneralData& Section(const char* name) {
        int index = GetSectionIndex(manager.Tables(), name);
        EXPECT_GE(index, 0) << name;
        return manager.Tables().Sections.at(static_cast<size_t>(index < 0 ? 0 : index));
    }

    test::ScratchDir skins;
    TsSkinManager manager;
};

TEST_F(CommonSectionsTest, NewSectionsTakeTheirKeysThenTheParentsThenDefaults) {
    manager.SetCommonSections({"[MYPANEL]", "PARENT CLASS = panel", "COLOR = 255", "HOTCOLOR=-1",
                               "FONTCOLOR=?", "[LONE]", "GLOW=3", "; a comment stays as it is", "[BUTTON]", "COLOR=1"});
    ASSERT_EQ(manager.CommonSections()[1], "PARENTCLASS=panel");
    EXPECT_EQ(manager.CommonSections()[7], "; a comment stays as it is");

    const TsGeneralData& mine = Section("MYPANEL");
    EXPECT_EQ(mine.ParentSection, "PANEL");
    EXPECT_EQ(mine.StateCount, 4);
    EXPECT_EQ(mine.Color, 255u);
    EXPECT_EQ(mine.HotColor, 2236962u);  // -1 counts as missing: the parent's
    EXPECT_EQ(mine.TCLeft, 5u);
    EXPECT_EQ(mine.TCTop, 0xFFFFFFFFu);  // nowhere: none
    EXPECT_EQ(mine.StateProps[1].Color, 2236962u);

    const TsGeneralData& lone = Section("LONE");
    EXPECT_EQ(lone.ParentSection, "-1");
    EXPECT_EQ(lone.Glow, 3);
    EXPECT_EQ(lone.Color, 0xFFFFFFu);
    EXPECT_EQ(lone.FadingIterations, 5);

    EXPECT_EQ(Section("BUTTON").Color, 77u);  // sections of the skin stay as the skin has them
}

TEST_F(CommonSectionsTest, AddPicturesFromTheSkinFolderAndRectanglesOfTheMaster) {
    manager.SetCommonSections({"[MYPANEL]", "BORDERSMASK=#(0,0,12,8)(2,1,3)", "IMGTOPLEFT=extra.bmp",
                               "MISSING=Nothing.bmp", "[GLOBALINFO]", "IMGTOPRIGHT=Extra.bmp"});
    const TsSkinTables& tables = manager.Tables();
    const TsGeneralData& mine = Section("MYPANEL");
    ASSERT_GE(mine.BordersMaskIdx, 0);
    const TsMaskData& borders = tables.Masks[static_cast<size_t>(mine.BordersMaskIdx)];
    EXPECT_EQ(borders.Picture, nullptr);
    EXPECT_EQ(borders.SourceRect.right, 12);
    EXPECT_EQ(borders.FrameCount, 2);
    EXPECT_EQ(borders.ExtraBands, 1);
    ASSERT_GE(mine.ImgTopLeftIdx, 0);
    const TsMaskData& picture = tables.Masks[static_cast<size_t>(mine.ImgTopLeftIdx)];
    ASSERT_NE(picture.Picture, nullptr);
    EXPECT_EQ(picture.Picture->Width(), 6);
    EXPECT_EQ(picture.KeyName, "IMGTOPLEFT");
    EXPECT_EQ(FindOwnMaskIndex(tables, "MYPANEL", "MISSING"), -1);
    EXPECT_EQ(FindOwnMaskIndex(tables, "GLOBALINFO", "IMGTOPRIGHT"), -1);

    manager.SetCommonSections({});
    EXPECT_LT(GetSectionIndex(manager.Tables(), "MYPANEL"), 0);
}

TEST_F(CommonSectionsTest, PicturesOutsideTheSkinFolderNameNothing) {
    skins.Write("Outside.bmp", test::MakeBmp(4, 4));
    manager.SetCommonSections({"[MYPANEL]", "IMGTOPLEFT=..\\Outside.bmp", "IMGTOPRIGHT=/etc/passwd.bmp"});
    EXPECT_EQ(FindOwnMaskIndex(manager.Tables(), "MYPANEL", "IMGTOPLEFT"), -1);
    EXPECT_EQ(FindOwnMaskIndex(manager.Tables(), "MYPANEL", "IMGTOPRIGHT"), -1);
}

}  // namespace
}  // namespace parch
