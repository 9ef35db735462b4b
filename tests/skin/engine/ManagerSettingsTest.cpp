// The manager's settings: foreign-control class lists, the default manager, loading from a form
// description, skinned popups and extended borders.

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/Application.h"
#include "platform/display/HeadlessDisplay.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/engine/SkinFixtures.h"
#include "tests/skin/engine/SkinnedFormFixtures.h"

namespace parch {
namespace {

TEST(ThirdPartyClassLists, KindsReadAndWriteByIndexAndBuildTheClassLists) {
    TsSkinManager manager;
    EXPECT_EQ(manager.ThirdLists(1), (std::vector<std::string>{"TButton"}));
    EXPECT_EQ(manager.ThirdLists(0), (std::vector<std::string>{" "}));

    std::string text = "unchanged";
    manager.ThirdParty.ReadKindList(20, text);
    EXPECT_EQ(text, "unchanged");
    manager.ThirdParty.ReadKindList(-1, text);
    EXPECT_EQ(text, "unchanged");
    manager.ThirdParty.WriteKindList(20, "TIgnored");

    manager.ThirdParty.WriteKindList(0, "TEdit\r\nTMemo\r\nTMaskEdit\r\n");
    manager.ThirdParty.WriteKindList(7, "");
    manager.FillThirdLists(false);
    EXPECT_EQ(manager.ThirdLists(0), (std::vector<std::string>{"TEdit", "TMemo", "TMaskEdit"}));
    EXPECT_EQ(manager.ThirdLists(7), (std::vector<std::string>{" "}));  // empty kinds get their default

    manager.StoreThirdLists();
    manager.ThirdParty.ReadKindList(0, text);
    EXPECT_EQ(text, "TEdit\r\nTMemo\r\nTMaskEdit\r\n");

    manager.FillThirdLists(true);
    EXPECT_EQ(manager.ThirdLists(0), (std::vector<std::string>{" "}));
    EXPECT_STREQ(acThirdNames[19], "UpDownBtn");
}

class ManagerSettings : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteOceanSkin(skins);
        formSkinning.logSteps = false;
    }
    size_t Count(const std::string& event) const { return std::count(events.begin(), events.end(), event); }

    test::ScratchDir skins;
    HeadlessDisplay display;
    TApplication app;
    std::vector<std::string> events;
    test::FakeFormSkinning formSkinning{events};
    test::RecordingForm form{&app, "", events, false};
};

TEST_F(ManagerSettings, TheDefaultCanBeTakenOverButNotGivenUp) {
    TsSkinManager first;
    TsSkinManager second;
    first.SetIsDefault(false);
    EXPECT_TRUE(first.IsDefault());
    second.SetSkinDirectory(skins.Path());
    second.SetSkinName("Ocean");
    events.clear();
    second.SetIsDefault(true);
    EXPECT_TRUE(second.IsDefault());
    EXPECT_FALSE(first.IsDefault());
    EXPECT_EQ(Count("applied Ocean"), 1u);  // the new default applies its skin
}

TEST_F(ManagerSettings, LoadingFromADescriptionFillsDefaultsAndAppliesWithoutFreezing) {
    TsSkinManager manager;
    manager.SetSkinDirectory(skins.Path());
    manager.BeginUpdate();
    manager.SetSkinName("Ocean");
    manager.SetSkinDirectory("");
    events.clear();
    manager.Loaded();
    EXPECT_EQ(manager.MenuSupport.IcoLineSkin, "ICOLINE");
    EXPECT_EQ(manager.SkinDirectory(), TsSkinManager::kDefaultSkinDirectory);
    EXPECT_EQ(events, (std::vector<std::string>{"applied Ocean"}));
}

TEST_F(ManagerSettings, SkinnedPopupsAndExtendedBorders) {
    TsSkinManager manager;
    manager.SetSkinnedPopups(false);
    manager.SetSkinnedPopups(true);
    EXPECT_EQ(Count("menus follow the skin"), 1u);

    manager.SetSkinDirectory(skins.Path());
    manager.SetSkinName("Ocean");
    events.clear();
    manager.SetExtendedBorders(true);
    EXPECT_TRUE(manager.ExtendedBorders());
    EXPECT_EQ(Count("applied Ocean"), 1u);  // read and applied again
}

}  // namespace
}  // namespace parch
