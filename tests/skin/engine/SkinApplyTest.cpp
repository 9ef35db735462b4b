// Applying and removing a skin across the program's windows: which forms hear of it, in which
// order, and how skinned forms are frozen and shown again.

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "framework/Application.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/engine/SkinFixtures.h"
#include "tests/skin/engine/SkinnedFormFixtures.h"

namespace parch {
namespace {

class SkinApply : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteOceanSkin(skins);
        formSkinning.providers.insert(skinned.form);
        skinned.logRedraw = true;
        skinned.logAllCommands = true;
        plain.logAllCommands = true;
        manager.SetSkinDirectory(skins.Path());
        manager.MessageSink = [this](const std::string& text, TMsgDlgType) { events.push_back("message " + text); };
    }

    test::ScratchDir skins;
    HeadlessDisplay display;
    TApplication app;
    std::vector<std::string> events;
    test::FakeFormSkinning formSkinning{events};
    test::RecordingForm plain{&app, "plain", events, false};
    test::RecordingForm skinned{&app, "skinned", events, true};
    TsSkinManager manager;
};

TEST_F(SkinApply, ASwitchFreezesTellsEveryFormOnceAndFadesIn) {
    manager.SetSkinName("Ocean");
    EXPECT_EQ(events, (std::vector<std::string>{
                          "snapshot", "skinned: redraw 0",
                          // Command 1: forms without a provider through the application's list,
                          // then the skinned forms.
                          "plain: applied Ocean", "skinned: applied Ocean frozen", "hook on",
                          "plain: 16", "skinned: 16", "plain: 3", "skinned: 3",
                          "skinned: redraw 1", "fade 100"}));
    EXPECT_FALSE(SkinApplying);
    EXPECT_FALSE(AnimationInProgress);
    EXPECT_TRUE(IsWindowVisible(skinned.form->Handle()));

    events.clear();
    manager.SetActive(false);
    EXPECT_EQ(events, (std::vector<std::string>{"hook off", "plain: removed Ocean", "skinned: removed Ocean"}));
    EXPECT_TRUE(manager.Tables().Sections.empty());
    EXPECT_FALSE(manager.CreationHookInstalled());
}

TEST_F(SkinApply, AnUnanimatedUpdateShowsTheFormsWithoutFading) {
    manager.SetSkinName("Ocean");
    events.clear();
    manager.BeginUpdate();
    manager.EndUpdate(true, false);
    EXPECT_NE(std::find(events.begin(), events.end(), "shown"), events.end());
    EXPECT_TRUE(manager.AnimEffects.SkinChanging.Active);  // restored after the update
}

TEST_F(SkinApply, WhileTheApplicationIsMinimizedNothingIsFrozenButEveryFormHears) {
    app.Minimize();
    manager.SetSkinName("Ocean");
    EXPECT_EQ(std::count(events.begin(), events.end(), "skinned: redraw 0"), 0);
    EXPECT_EQ(std::count(events.begin(), events.end(), "plain: applied Ocean"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "skinned: applied Ocean"), 1);
}

TEST_F(SkinApply, AFormFailingDuringTheSwitchLeavesNoWindowFrozen) {
    manager.SetSkinName("Ocean");
    formSkinning.failAdapterList = true;
    EXPECT_THROW(manager.UpdateSkin(true), std::runtime_error);
    EXPECT_TRUE(skinned.drawing);
    EXPECT_TRUE(formSkinning.frozen.empty());
    EXPECT_FALSE(SkinApplying);
    EXPECT_FALSE(AnimationInProgress);
}

TEST_F(SkinApply, FormsOfAnotherManagerAreNotFrozen) {
    TsSkinManager other;
    formSkinning.usedManager = &other;
    manager.SetSkinName("Ocean");
    EXPECT_EQ(std::count(events.begin(), events.end(), "skinned: redraw 0"), 0);
    EXPECT_EQ(std::count(events.begin(), events.end(), "skinned: applied Ocean"), 1);
}

TEST_F(SkinApply, OnlyTheDefaultManagerInstallsTheCreationHook) {
    TsSkinManager second;
    second.SetSkinDirectory(skins.Path());
    second.SetSkinName("Ocean");
    EXPECT_FALSE(second.CreationHookInstalled());
    EXPECT_EQ(std::count(events.begin(), events.end(), "hook on"), 0);
}

TEST(SkinnedFormList, RemovingTakesEveryEntryOfTheFormAndNothingElse) {
    std::vector<TCustomForm*> saved = std::exchange(SkinnedForms, {});
    auto* a = reinterpret_cast<TCustomForm*>(0x10);
    auto* b = reinterpret_cast<TCustomForm*>(0x20);
    auto* c = reinterpret_cast<TCustomForm*>(0x30);
    AddSkinnedForm(a);
    AddSkinnedForm(b);
    AddSkinnedForm(a);
    RemoveSkinnedForm(c);
    EXPECT_EQ(SkinnedForms, (std::vector<TCustomForm*>{a, b, a}));
    RemoveSkinnedForm(a);
    EXPECT_EQ(SkinnedForms, (std::vector<TCustomForm*>{b}));
    RemoveSkinnedForm(b);
    EXPECT_TRUE(SkinnedForms.empty());
    SkinnedForms = saved;
}

}  // namespace
}  // namespace parch
