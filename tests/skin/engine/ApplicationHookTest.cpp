// What the default manager does with the application window's messages: animated minimize and
// restore of the main form, refreshing every form, and skinning popup menu windows.

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/Application.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/engine/SkinFixtures.h"
#include "tests/skin/engine/SkinnedFormFixtures.h"

namespace parch {
namespace {

TForm* MakeMainForm(TApplication& app) {
    TForm* form = nullptr;
    app.CreateForm(form);
    return form;
}

class ApplicationHookMessages : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteOceanSkin(skins);
        formSkinning.logSteps = false;
        formSkinning.providers.insert(mainForm.form);
        manager.SetSkinDirectory(skins.Path());
        manager.SetSkinName("Ocean");
        events.clear();
    }
    size_t Count(const std::string& event) const { return std::count(events.begin(), events.end(), event); }
    LRESULT SysCommand(UINT command) { return SendMessage(app.Handle(), WM_SYSCOMMAND, command, 0); }

    test::ScratchDir skins;
    HeadlessDisplay display;
    TApplication app;
    std::vector<std::string> events;
    test::FakeFormSkinning formSkinning{events};
    test::RecordingForm mainForm{MakeMainForm(app), "main", events, true};
    test::RecordingForm other{&app, "other", events, false};
    TsSkinManager manager;
};

TEST_F(ApplicationHookMessages, MinimizeAndRestoreAreAnimatedByTheMainFormsProvider) {
    SysCommand(SC_MINIMIZE);
    EXPECT_EQ(manager.SysCommandState(), 2);
    EXPECT_EQ(Count("minimize animation"), 1u);
    EXPECT_TRUE(IsIconic(app.Handle()));

    SysCommand(SC_MINIMIZE);  // already minimized: only the state
    EXPECT_EQ(Count("minimize animation"), 1u);

    formSkinning.restoreAnimationStarts = false;
    SysCommand(SC_RESTORE);
    EXPECT_EQ(manager.SysCommandState(), 1);
    EXPECT_EQ(events, (std::vector<std::string>{"minimize animation", "restore animation", "shown restored"}));
    EXPECT_FALSE(IsIconic(app.Handle()));
}

TEST_F(ApplicationHookMessages, WithoutMinimizeAnimationTheBorderHelperGoes) {
    manager.AnimEffects.Minimizing.Active = false;
    SysCommand(SC_MINIMIZE);
    EXPECT_EQ(events, (std::vector<std::string>{"border helper released"}));
}

TEST_F(ApplicationHookMessages, ARefreshReachesEveryFormOfTheScreen) {
    mainForm.logAllCommands = true;
    other.logAllCommands = true;
    SendMessage(app.Handle(), 0xB000, 0, 0);
    EXPECT_EQ(Count("main: 18"), 1u);
    EXPECT_EQ(Count("other: 18"), 1u);
}

// A window of the popup menus' class, which the window system registers with its first menu.
HWND MakePopupMenuWindow() {
    WNDCLASSEX windowClass;
    if (!GetClassInfoEx(nullptr, "#32768", &windowClass)) {
        windowClass.lpfnWndProc = DefWindowProc;
        windowClass.lpszClassName = "#32768";
        RegisterClassEx(&windowClass);
    }
    return CreateWindowEx(0, "#32768", "", WS_POPUP, 10, 10, 80, 60, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(ApplicationHookMessages, OnlyPopupMenuWindowsGetTheSkinnedBorder) {
    HWND popup = MakePopupMenuWindow();
    ASSERT_NE(popup, nullptr);
    SendMessage(app.Handle(), 0xBCB4, 0, reinterpret_cast<LPARAM>(popup));
    SendMessage(app.Handle(), 0xBCB4, 0, reinterpret_cast<LPARAM>(other.form->Handle()));
    EXPECT_EQ(formSkinning.paintedMenus, (std::vector<HWND>{popup}));

    manager.SetSkinnedPopups(false);
    SendMessage(app.Handle(), 0xBCB4, 0, reinterpret_cast<LPARAM>(popup));
    EXPECT_EQ(formSkinning.paintedMenus.size(), 1u);
    DestroyWindow(popup);

}

}  // namespace
}  // namespace parch
