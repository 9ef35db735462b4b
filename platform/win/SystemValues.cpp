#include "platform/win/SystemValues.h"

#include <array>
#include <cstring>
#include <map>

#include "platform/win/Messages.h"
#include "platform/win/WinState.h"

namespace parch {

using namespace win;

namespace {

struct Settings {
    int screenWidth = 1920;
    int screenHeight = 1080;
    RECT workArea{0, 0, 1920, 1040};  // the task bar takes the bottom 40 pixels
    bool minAnimate = true;
    bool dragFullWindows = true;
    // The on/off switches of the 0x10xx range, by their "get" action, as a standard desktop
    // has them.
    std::map<UINT, bool> switches{
        {SPI_GETMENUANIMATION, true},     {SPI_GETCOMBOBOXANIMATION, true}, {SPI_GETLISTBOXSMOOTHSCROLLING, true},
        {SPI_GETGRADIENTCAPTIONS, true},  {SPI_GETKEYBOARDCUES, false},     {SPI_GETHOTTRACKING, true},
        {SPI_GETMENUFADE, true},          {SPI_GETSELECTIONFADE, true},     {SPI_GETTOOLTIPANIMATION, true},
        {SPI_GETTOOLTIPFADE, true},       {SPI_GETFLATMENU, true},          {SPI_GETDROPSHADOW, true},
        {SPI_GETUIEFFECTS, true},         {SPI_GETCLIENTAREAANIMATION, true},
    };
};

Settings& TheSettings() {
    static Settings* settings = new Settings;
    return *settings;
}

// Frame, caption and control sizes of the table.
constexpr int kBorder = 1;
constexpr int kDialogFrame = 3;
constexpr int kSizeFrame = 4;
constexpr int kEdge = 2;
constexpr int kCaption = 23;
constexpr int kSmallCaption = 17;
constexpr int kMenu = 20;
constexpr int kScroll = 17;

LOGFONT UiFont(LONG weight = 400) {
    LOGFONT f;
    f.lfHeight = -12;
    f.lfWeight = weight;
    f.lfCharSet = 1;
    std::strcpy(f.lfFaceName, "Segoe UI");
    return f;
}

NONCLIENTMETRICS TheNonClientMetrics() {
    NONCLIENTMETRICS m;
    m.iBorderWidth = 1;
    m.iScrollWidth = kScroll;
    m.iScrollHeight = kScroll;
    m.iCaptionWidth = 36;
    m.iCaptionHeight = kCaption - 1;
    m.lfCaptionFont = UiFont();
    m.iSmCaptionWidth = kSmallCaption;
    m.iSmCaptionHeight = kSmallCaption - 1;
    m.lfSmCaptionFont = UiFont();
    m.iMenuWidth = 19;
    m.iMenuHeight = kMenu - 1;
    m.lfMenuFont = UiFont();
    m.lfStatusFont = UiFont();
    m.lfMessageFont = UiFont();
    m.iPaddedBorderWidth = 0;
    return m;
}

template <typename T>
BOOL Write(void* target, const T& value) {
    if (!target) return 0;
    std::memcpy(target, &value, sizeof value);
    return 1;
}

void BroadcastSettingChange(UINT action) {
    std::vector<HWND> windows;
    {
        Lock lock(S().mutex);
        for (Window* w : S().desktop->children) windows.push_back(w->handle);
    }
    for (HWND h : windows) SendMessage(h, WM_SETTINGCHANGE, action, 0);
}

}  // namespace

int GetSystemMetrics(int index) {
    Lock lock(S().mutex);
    const Settings& s = TheSettings();
    RECT work = s.workArea;
    switch (index) {
        case SM_CXSCREEN:
        case SM_CXVIRTUALSCREEN: return s.screenWidth;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN: return s.screenHeight;
        case SM_XVIRTUALSCREEN:
        case SM_YVIRTUALSCREEN: return 0;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
        case SM_CYVTHUMB:
        case SM_CXHTHUMB:
        case SM_CYVSCROLL:
        case SM_CXHSCROLL: return kScroll;
        case SM_CYCAPTION: return kCaption;
        case SM_CXBORDER:
        case SM_CYBORDER: return kBorder;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME: return kDialogFrame;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR: return 32;
        case SM_CYMENU: return kMenu;
        case SM_CXFULLSCREEN: return work.right - work.left;
        case SM_CYFULLSCREEN: return work.bottom - work.top - kCaption;
        case SM_MOUSEPRESENT:
        case SM_MOUSEWHEELPRESENT:
        case SM_CMONITORS: return 1;
        case SM_SWAPBUTTON:
        case SM_REMOTESESSION:
        case SM_CXPADDEDBORDER: return 0;
        case SM_CXMIN:
        case SM_CXMINTRACK: return 136;
        case SM_CYMIN:
        case SM_CYMINTRACK: return 39;
        case SM_CXSIZE: return 36;
        case SM_CYSIZE: return kCaption - 1;
        case SM_CXFRAME:
        case SM_CYFRAME: return kSizeFrame;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK:
        case SM_CXDRAG:
        case SM_CYDRAG: return 4;
        case SM_CXICONSPACING:
        case SM_CYICONSPACING: return 75;
        case SM_CMOUSEBUTTONS: return 3;
        case SM_CXEDGE:
        case SM_CYEDGE: return kEdge;
        case SM_CXSMICON:
        case SM_CYSMICON: return 16;
        case SM_CYSMCAPTION: return kSmallCaption;
        case SM_CXSMSIZE:
        case SM_CYSMSIZE: return kSmallCaption - 1;
        case SM_CXMENUSIZE:
        case SM_CYMENUSIZE: return 19;
        case SM_CXMINIMIZED: return 160;
        case SM_CYMINIMIZED: return 28;
        case SM_CXMAXTRACK: return s.screenWidth + 2 * kSizeFrame + 4;
        case SM_CYMAXTRACK: return s.screenHeight + 2 * kSizeFrame + 4;
        case SM_CXMAXIMIZED: return work.right - work.left + 2 * kSizeFrame;
        case SM_CYMAXIMIZED: return work.bottom - work.top + 2 * kSizeFrame;
        case SM_CXMENUCHECK:
        case SM_CYMENUCHECK: return 15;
        case SM_CXFOCUSBORDER:
        case SM_CYFOCUSBORDER: return 1;
        default: return 0;
    }
}

BOOL SystemParametersInfo(UINT action, UINT uiParam, void* pvParam, UINT winIni) {
    Lock lock(S().mutex);
    Settings& s = TheSettings();
    switch (action) {
        case SPI_GETWORKAREA: return Write(pvParam, s.workArea);
        case SPI_SETWORKAREA: {
            if (!pvParam) return 0;
            RECT r;
            std::memcpy(&r, pvParam, sizeof r);
            if (r.right <= r.left || r.bottom <= r.top) return 0;
            s.workArea = r;
            lock.unlock();
            if (winIni & SPIF_SENDCHANGE) BroadcastSettingChange(SPI_SETWORKAREA);
            return 1;
        }
        case SPI_GETNONCLIENTMETRICS: {
            auto* m = static_cast<NONCLIENTMETRICS*>(pvParam);
            if (!m || m->cbSize != sizeof(NONCLIENTMETRICS)) return 0;
            *m = TheNonClientMetrics();
            return 1;
        }
        case SPI_GETICONTITLELOGFONT: return Write(pvParam, UiFont());
        case SPI_GETANIMATION: {
            auto* info = static_cast<ANIMATIONINFO*>(pvParam);
            if (!info || info->cbSize != sizeof(ANIMATIONINFO)) return 0;
            info->iMinAnimate = s.minAnimate ? 1 : 0;
            return 1;
        }
        case SPI_SETANIMATION: {
            auto* info = static_cast<ANIMATIONINFO*>(pvParam);
            if (!info || info->cbSize != sizeof(ANIMATIONINFO)) return 0;
            s.minAnimate = info->iMinAnimate != 0;
            return 1;
        }
        case SPI_GETDRAGFULLWINDOWS: return Write(pvParam, BOOL{s.dragFullWindows ? 1 : 0});
        case SPI_SETDRAGFULLWINDOWS: s.dragFullWindows = uiParam != 0; return 1;
        case SPI_GETFONTSMOOTHING: return Write(pvParam, BOOL{1});
        case SPI_GETMOUSEHOVERWIDTH:
        case SPI_GETMOUSEHOVERHEIGHT: return Write(pvParam, UINT{4});
        case SPI_GETMOUSEHOVERTIME: return Write(pvParam, UINT{400});
        case SPI_GETWHEELSCROLLLINES: return Write(pvParam, UINT{3});
        case SPI_GETMENUSHOWDELAY: return Write(pvParam, DWORD{400});
        case SPI_GETCARETWIDTH: return Write(pvParam, DWORD{1});
        case SPI_GETFOCUSBORDERWIDTH:
        case SPI_GETFOCUSBORDERHEIGHT: return Write(pvParam, UINT{1});
        default: break;
    }
    if (auto it = s.switches.find(action); it != s.switches.end()) return Write(pvParam, BOOL{it->second ? 1 : 0});
    // The "set" of a switch is its "get" plus one; the new value comes in pvParam.
    if (auto it = s.switches.find(action - 1); (action & 1) && it != s.switches.end()) {
        it->second = pvParam != nullptr;
        return 1;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

UINT GetDoubleClickTime() {
    return 500;
}

}  // namespace parch

namespace parch::win {

void SetScreenSize(int width, int height) {
    Lock lock(S().mutex);
    Settings& s = TheSettings();
    s.screenWidth = width;
    s.screenHeight = height;
    s.workArea = {0, 0, width, height};
    S().desktop->windowRect = {0, 0, width, height};
    S().desktop->clientRect = S().desktop->windowRect;
}

RECT ScreenRect() {
    Lock lock(S().mutex);
    return {0, 0, TheSettings().screenWidth, TheSettings().screenHeight};
}

RECT WorkArea() {
    Lock lock(S().mutex);
    return TheSettings().workArea;
}

int FrameThickness(DWORD style, DWORD exStyle) {
    if (style & WS_THICKFRAME) return kSizeFrame;
    if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) return kDialogFrame;
    if (style & WS_BORDER) return kBorder;
    return 0;
}

MINMAXINFO DefaultMinMaxInfo(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    int frame = w ? FrameThickness(w->style, w->exStyle) : 0;
    RECT work = TheSettings().workArea;
    if (w && !IsTopLevel(w)) work = {0, 0, w->parent->clientRect.right - w->parent->clientRect.left,
                                     w->parent->clientRect.bottom - w->parent->clientRect.top};
    MINMAXINFO info;
    info.ptMaxSize = {work.right - work.left + 2 * frame, work.bottom - work.top + 2 * frame};
    info.ptMaxPosition = {work.left - frame, work.top - frame};
    info.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    info.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    return info;
}

}  // namespace parch::win
