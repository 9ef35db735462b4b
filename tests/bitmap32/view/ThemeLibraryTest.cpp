// The theme library loader: on this platform no visual-styles library exists, so every answer
// is "no themes"; a fake library registered under its name runs the other paths.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bitmap32/view/ThemeLibrary.h"
#include "platform/os/ProcedureTable.h"
#include "platform/win/WinApi.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

// The fake library's state and log.
struct FakeThemes {
    BOOL appThemed = 1;
    BOOL themeActive = 1;
    int nextTheme = 1;
    std::vector<std::string> calls;
};
FakeThemes* fake = nullptr;

std::string Narrow(const char16_t* text) {
    std::string result;
    for (; *text; ++text) result.push_back(static_cast<char>(*text));
    return result;
}

HTHEME FakeOpenThemeData(HWND, const char16_t* classList) {
    fake->calls.push_back("open " + Narrow(classList));
    return reinterpret_cast<HTHEME>(static_cast<std::uintptr_t>(fake->nextTheme++));
}
HRESULT FakeCloseThemeData(HTHEME theme) {
    fake->calls.push_back("close " + std::to_string(reinterpret_cast<std::uintptr_t>(theme)));
    return 0;
}
BOOL FakeIsThemeActive() { return fake->themeActive; }
BOOL FakeIsAppThemed() { return fake->appThemed; }
HRESULT FakeEnableTheming(BOOL) { return 0; }
BOOL FakeSetWindowTheme(HWND, const char16_t*, const char16_t*) { return 0; }

class ThemeLibrary : public FormFixture {
protected:
    void SetUp() override { fake = &state; }
    void TearDown() override {
        UnregisterLibrary("uxtheme.dll");
        ProgramIsLibrary = false;
        fake = nullptr;
    }
    // The fake library, without the function named in left_out.
    static void RegisterFake(const std::string& leftOut = "") {
        auto add = [&](const char* name, auto* function) {
            if (leftOut != name) RegisterProcedureOf("uxtheme.dll", name, function);
        };
        add("OpenThemeData", &FakeOpenThemeData);
        add("CloseThemeData", &FakeCloseThemeData);
        add("IsThemeActive", &FakeIsThemeActive);
        add("IsAppThemed", &FakeIsAppThemed);
        add("EnableTheming", &FakeEnableTheming);
        add("SetWindowTheme", &FakeSetWindowTheme);
    }
    static bool NoEntryPoints() {
        const TThemeEntryPoints& e = ThemeEntryPoints();
        return !e.OpenThemeData && !e.CloseThemeData && !e.DrawThemeBackground && !e.DrawThemeEdge &&
               !e.GetThemeColor && !e.GetThemeMetric && !e.GetThemeMargins && !e.SetWindowTheme &&
               !e.IsThemeActive && !e.IsAppThemed && !e.EnableTheming;
    }
    static void ExpectNoThemes() {
        EXPECT_FALSE(ThemeLibraryLoaded());
        EXPECT_FALSE(ThemesAvailable());
        EXPECT_FALSE(ThemesInUse());
        EXPECT_EQ(ScrollbarTheme(), nullptr);
        EXPECT_EQ(GlobalsTheme(), nullptr);
        EXPECT_TRUE(NoEntryPoints());
    }
    FakeThemes state;
};

TEST_F(ThemeLibrary, WithoutTheLibraryNothingIsThemedAndAThemeChangeKeepsItSo) {
    EXPECT_FALSE(LoadThemeLibrary());
    {
        TThemeSupport support;
        ASSERT_NE(TThemeSupport::Nexus(), nullptr);
        ExpectNoThemes();
        SendMessage(TThemeSupport::Nexus()->WindowHandle(), WM_THEMECHANGED, 0, 0);
        ExpectNoThemes();
    }
    EXPECT_EQ(TThemeSupport::Nexus(), nullptr);
}

TEST_F(ThemeLibrary, OpensBothThemesAndReopensThemOnAThemeChange) {
    RegisterFake();
    {
        TThemeSupport support;
        EXPECT_TRUE(ThemeLibraryLoaded());
        EXPECT_TRUE(ThemesInUse());
        EXPECT_EQ(ScrollbarTheme(), reinterpret_cast<HTHEME>(1));
        EXPECT_EQ(GlobalsTheme(), reinterpret_cast<HTHEME>(2));
        EXPECT_NE(ThemeEntryPoints().SetWindowTheme, nullptr);
        EXPECT_EQ(ThemeEntryPoints().DrawThemeBackground, nullptr);  // optional, and absent
        SendMessage(TThemeSupport::Nexus()->WindowHandle(), WM_THEMECHANGED, 0, 0);
        EXPECT_EQ(ScrollbarTheme(), reinterpret_cast<HTHEME>(3));
        EXPECT_EQ(GlobalsTheme(), reinterpret_cast<HTHEME>(4));
    }
    EXPECT_EQ(state.calls, (std::vector<std::string>{"open SCROLLBAR", "open GLOBALS", "close 1", "close 2",
                                                      "open SCROLLBAR", "open GLOBALS", "close 3", "close 4"}));
    ExpectNoThemes();
    // Every load was matched by a release.
    EXPECT_FALSE(FreeLibrary(GetModuleHandle("uxtheme")));
}

TEST_F(ThemeLibrary, AMissingRequiredEntryPointLeavesTheLibraryUnloaded) {
    for (const char* missing : {"OpenThemeData", "CloseThemeData", "IsThemeActive", "IsAppThemed", "EnableTheming"}) {
        RegisterFake(missing);
        EXPECT_FALSE(LoadThemeLibrary()) << missing;
        ExpectNoThemes();
        EXPECT_FALSE(FreeLibrary(GetModuleHandle("uxtheme"))) << missing;  // released again
        UnregisterLibrary("uxtheme");
    }
}

TEST_F(ThemeLibrary, StylesSwitchedOffKeepTheLibraryButOpenNoTheme) {
    RegisterFake();
    for (auto [appThemed, themeActive] : {std::pair{0, 1}, std::pair{1, 0}}) {
        state.appThemed = appThemed;
        state.themeActive = themeActive;
        TThemeSupport support;
        EXPECT_TRUE(ThemeLibraryLoaded());
        EXPECT_FALSE(ThemesAvailable());
        EXPECT_FALSE(ThemesInUse());
        EXPECT_EQ(ScrollbarTheme(), nullptr);
        EXPECT_EQ(GlobalsTheme(), nullptr);
    }
    EXPECT_TRUE(state.calls.empty());
}

TEST_F(ThemeLibrary, ALibraryModuleLeavesThemesOpenAndTheLibraryMapped) {
    RegisterFake();
    ProgramIsLibrary = true;
    {
        TThemeSupport support;
        EXPECT_TRUE(ThemesInUse());
    }
    EXPECT_EQ(state.calls, (std::vector<std::string>{"open SCROLLBAR", "open GLOBALS"}));
    EXPECT_FALSE(ThemeLibraryLoaded());
    EXPECT_TRUE(NoEntryPoints());
    EXPECT_TRUE(FreeLibrary(GetModuleHandle("uxtheme")));  // still held from the load
}

}  // namespace
}  // namespace parch
