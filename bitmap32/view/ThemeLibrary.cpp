#include "bitmap32/view/ThemeLibrary.h"

#include <memory>

#include "framework/UtilWindow.h"
#include "platform/os/ProcedureTable.h"
#include "platform/win/DefWindowProc.h"

namespace parch {

bool ProgramIsLibrary = false;

namespace {

// The unit's state: the library, its entry points, the open themes and the theme window.
struct ThemeState {
    HMODULE library = nullptr;
    TThemeEntryPoints entries;
    bool themesInUse = false;
    HTHEME scrollbarTheme = nullptr;
    HTHEME globalsTheme = nullptr;
    int holders = 0;
    std::unique_ptr<TThemeNexus> nexus;
};

ThemeState& State() {
    static ThemeState state;
    return state;
}

template <class Function>
void Bind(Function*& entry, const char* name) {
    entry = GetProcAddressOf<Function>(State().library, name);
}

void OpenThemeHandles(HWND window) {
    ThemeState& state = State();
    state.themesInUse = false;
    if (!LoadThemeLibrary()) return;
    state.themesInUse = ThemesAvailable();
    if (!state.themesInUse) return;
    state.scrollbarTheme = state.entries.OpenThemeData(window, u"SCROLLBAR");
    state.globalsTheme = state.entries.OpenThemeData(window, u"GLOBALS");
}

void CloseThemeHandles() {
    ThemeState& state = State();
    if (!ProgramIsLibrary && ThemesAvailable()) {
        for (HTHEME* theme : {&state.scrollbarTheme, &state.globalsTheme}) {
            if (!*theme) continue;
            state.entries.CloseThemeData(*theme);
            *theme = nullptr;
        }
    }
    UnloadThemeLibrary();
}

}  // namespace

bool LoadThemeLibrary() {
    ThemeState& state = State();
    if (state.library) return true;
    state.library = LoadLibraryA("uxtheme.dll");
    if (!state.library) return false;
    TThemeEntryPoints& e = state.entries;
    Bind(e.OpenThemeData, "OpenThemeData");
    Bind(e.CloseThemeData, "CloseThemeData");
    Bind(e.DrawThemeBackground, "DrawThemeBackground");
    Bind(e.DrawThemeEdge, "DrawThemeEdge");
    Bind(e.GetThemeColor, "GetThemeColor");
    Bind(e.GetThemeMetric, "GetThemeMetric");
    Bind(e.GetThemeMargins, "GetThemeMargins");
    Bind(e.SetWindowTheme, "SetWindowTheme");
    Bind(e.IsThemeActive, "IsThemeActive");
    Bind(e.IsAppThemed, "IsAppThemed");
    Bind(e.EnableTheming, "EnableTheming");
    if (!e.OpenThemeData || !e.CloseThemeData || !e.IsThemeActive || !e.IsAppThemed || !e.EnableTheming)
        UnloadThemeLibrary();
    return state.library != nullptr;
}

void UnloadThemeLibrary() {
    ThemeState& state = State();
    if (!state.library) return;
    if (!ProgramIsLibrary) FreeLibrary(state.library);
    state.library = nullptr;
    state.entries = TThemeEntryPoints{};
}

bool ThemesAvailable() {
    const ThemeState& state = State();
    return state.library && state.entries.IsAppThemed() != 0 && state.entries.IsThemeActive() != 0;
}

bool ThemeLibraryLoaded() { return State().library != nullptr; }
const TThemeEntryPoints& ThemeEntryPoints() { return State().entries; }
bool ThemesInUse() { return State().themesInUse; }
HTHEME ScrollbarTheme() { return State().scrollbarTheme; }
HTHEME GlobalsTheme() { return State().globalsTheme; }

TThemeNexus::TThemeNexus() {
    windowHandle_ = AllocateHWnd([this](TMessage& message) { ThemeWindowProc(message); });
    OpenThemeHandles(windowHandle_);
}

TThemeNexus::~TThemeNexus() {
    CloseThemeHandles();
    // The entry points are gone with the library: nobody may take themes for in use now.
    State().themesInUse = false;
    DeallocateHWnd(windowHandle_);
}

void TThemeNexus::ThemeWindowProc(TMessage& message) {
    if (message.Msg == WM_THEMECHANGED) {
        CloseThemeHandles();
        OpenThemeHandles(windowHandle_);
    }
    message.Result = DefWindowProc(windowHandle_, message.Msg, message.WParam, message.LParam);
}

TThemeSupport::TThemeSupport() {
    ThemeState& state = State();
    if (state.holders++ == 0) state.nexus = std::make_unique<TThemeNexus>();
}

TThemeSupport::~TThemeSupport() {
    ThemeState& state = State();
    if (--state.holders == 0) state.nexus.reset();
}

TThemeNexus* TThemeSupport::Nexus() { return State().nexus.get(); }

}  // namespace parch
