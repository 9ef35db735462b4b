#pragma once
// The visual-styles library, bound by name when the platform offers it: the bitmap library
// draws themed parts with it where it exists and runs without it where it does not. One theme
// window opens the scroll-bar and globals themes and reopens them when the theme changes.
// Our platform provides no such library, so everything here reports "no themes" unless a
// library of that name has been registered in the procedure table.

#include <cstdint>

#include "framework/Messages.h"
#include "platform/gdi/WinTypes.h"
#include "platform/os/OsTypes.h"

namespace parch {

using HTHEME = void*;

struct TThemeMargins {
    int cxLeftWidth = 0;
    int cxRightWidth = 0;
    int cyTopHeight = 0;
    int cyBottomHeight = 0;
};

// The library's entry points, null while not bound. Class and theme names are UTF-16.
struct TThemeEntryPoints {
    HTHEME (*OpenThemeData)(HWND window, const char16_t* classList) = nullptr;
    HRESULT (*CloseThemeData)(HTHEME theme) = nullptr;
    HRESULT (*DrawThemeBackground)(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                   const RECT* clipRect) = nullptr;
    HRESULT (*DrawThemeEdge)(HTHEME theme, HDC dc, int partId, int stateId, const RECT* destRect, UINT edge,
                             UINT flags, RECT* contentRect) = nullptr;
    HRESULT (*GetThemeColor)(HTHEME theme, int partId, int stateId, int propId, COLORREF* color) = nullptr;
    HRESULT (*GetThemeMetric)(HTHEME theme, HDC dc, int partId, int stateId, int propId, int* value) = nullptr;
    HRESULT (*GetThemeMargins)(HTHEME theme, HDC dc, int partId, int stateId, int propId, const RECT* rect,
                               TThemeMargins* margins) = nullptr;
    HRESULT (*SetWindowTheme)(HWND window, const char16_t* subAppName, const char16_t* subIdList) = nullptr;
    BOOL (*IsThemeActive)() = nullptr;
    BOOL (*IsAppThemed)() = nullptr;
    HRESULT (*EnableTheming)(BOOL enable) = nullptr;
};

constexpr UINT WM_THEMECHANGED = 0x031A;

// Whether this program module is itself a loadable library: then the theme library stays
// mapped and its handles open when the module lets go. False in our programs.
extern bool ProgramIsLibrary;

// Loads the library and binds its entry points; without any of the five it needs
// (OpenThemeData, CloseThemeData, IsThemeActive, IsAppThemed, EnableTheming) it is let go
// again. Whether the library is loaded.
bool LoadThemeLibrary();
void UnloadThemeLibrary();
// Loaded, and both the application and the system use visual styles.
bool ThemesAvailable();

bool ThemeLibraryLoaded();
const TThemeEntryPoints& ThemeEntryPoints();
bool ThemesInUse();
HTHEME ScrollbarTheme();
HTHEME GlobalsTheme();

// The theme window: opens both themes at construction, reopens them on WM_THEMECHANGED and
// closes them at destruction.
class TThemeNexus {
public:
    TThemeNexus();
    ~TThemeNexus();
    TThemeNexus(const TThemeNexus&) = delete;
    TThemeNexus& operator=(const TThemeNexus&) = delete;

    HWND WindowHandle() const { return windowHandle_; }

private:
    void ThemeWindowProc(TMessage& message);
    HWND windowHandle_ = nullptr;
};

// The unit's single theme window, created by the first holder and freed with the last.
class TThemeSupport {
public:
    TThemeSupport();
    ~TThemeSupport();
    TThemeSupport(const TThemeSupport&) = delete;
    TThemeSupport& operator=(const TThemeSupport&) = delete;
    // The running instance, or null when no holder exists.
    static TThemeNexus* Nexus();
};

}  // namespace parch
