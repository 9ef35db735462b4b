#include "platform/gdi/Rects.h"
#include "platform/win/Input.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/win/Clock.h"
#include "platform/win/Focus.h"
#include "platform/win/Icons.h"
#include "platform/win/Messages.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace {

LPARAM PackPoint(int x, int y) {
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
}

bool Down(const KeyStates& keys, UINT vk) {
    return (keys[vk & 0xFF] & 0x80) != 0;
}

// MK_ flags from the key states (lock held).
WPARAM MouseKeys() {
    return MouseKeyFlags(S().asyncKeys);
}

void SetKey(UINT vk, bool down) {
    BYTE& state = S().asyncKeys[vk & 0xFF];
    if (down && !(state & 0x80)) state ^= 0x01;
    state = static_cast<BYTE>(down ? (state | 0x80) : (state & ~0x80));
}

POINT ToClient(HWND hwnd, POINT screen) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return screen;
    POINT origin = ClientOriginOnScreen(w);
    return {screen.x - origin.x, screen.y - origin.y};
}

// Ends leave tracking when the cursor is no longer where it was tracked.
void CheckMouseLeave(HWND under, LRESULT hit) {
    HWND tracked;
    bool nonClient;
    {
        Lock lock(S().mutex);
        MouseTracking& t = S().tracking;
        if (!t.hwnd || !(t.flags & TME_LEAVE)) return;
        nonClient = (t.flags & TME_NONCLIENT) != 0;
        bool stillThere = under == t.hwnd && ((hit == HTCLIENT) != nonClient);
        if (stillThere) return;
        tracked = t.hwnd;
        t.flags &= ~TME_LEAVE;
        if (!(t.flags & TME_HOVER)) t.hwnd = nullptr;
    }
    PostMessage(tracked, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
}

// Hover waits for the cursor to rest: moving beyond the hover rectangle starts the wait again.
void RestartHoverIfMoved(POINT screen) {
    MouseTracking& t = S().tracking;
    if (!t.hwnd || !(t.flags & TME_HOVER)) return;
    UINT width = 4, height = 4;
    SystemParametersInfo(SPI_GETMOUSEHOVERWIDTH, 0, &width, 0);
    SystemParametersInfo(SPI_GETMOUSEHOVERHEIGHT, 0, &height, 0);
    if (std::abs(screen.x - t.hoverOrigin.x) > static_cast<int>(width / 2) ||
        std::abs(screen.y - t.hoverOrigin.y) > static_cast<int>(height / 2)) {
        t.hoverOrigin = screen;
        t.hoverDue = CurrentClock().NowMs() + t.hoverTime;
    }
}

bool IsDoubleClick(HWND hwnd, UINT message, POINT screen, bool client) {
    State& s = S();
    std::uint64_t now = CurrentClock().NowMs();
    auto& last = s.lastClick;
    bool isDouble = last.hwnd == hwnd && last.message == message && now - last.time <= GetDoubleClickTime() &&
                    std::abs(screen.x - last.pt.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                    std::abs(screen.y - last.pt.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (isDouble) {
        Window* w = FindLive(hwnd);
        if (client && !(w && (w->windowClass->style & CS_DBLCLKS))) isDouble = false;
    }
    if (isDouble) last = {};
    else last = {hwnd, message, now, screen};
    return isDouble;
}

UINT NonClientForm(UINT message) {
    return message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
}

// Sends one mouse event to its window. message is the client-area form.
void RouteMouse(UINT message) {
    POINT screen;
    HWND capture;
    {
        Lock lock(S().mutex);
        screen = S().cursorPos;
        capture = S().capture;
    }
    LRESULT hit = HTCLIENT;
    HWND target;
    HWND under;
    if (capture) {
        target = capture;
        RECT r;
        {
            Lock lock(S().mutex);
            Window* w = FindLive(capture);
            r = w ? WindowRectOnScreen(w) : RECT{};
        }
        under = PtInRect(&r, screen) ? capture : nullptr;
    } else {
        target = HitTestWindow(screen, &hit);
        under = target;
    }
    {
        Lock lock(S().mutex);
        S().cursorWindow = under;
    }
    CheckMouseLeave(under, hit);
    {
        Lock lock(S().mutex);
        RestartHoverIfMoved(screen);
    }
    if (!target) return;
    bool buttonDown = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
    if (!capture) {
        if (buttonDown && hit != HTERROR) {
            HWND top = GetAncestor(target, GA_ROOT);
            bool activatable;
            {
                Lock lock(S().mutex);
                Window* t = FindLive(top);
                activatable = t && t->parent == S().desktop && S().active != top && !(t->exStyle & WS_EX_NOACTIVATE);
            }
            if (activatable) {
                LRESULT answer = SendMessage(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                             MAKELONG(static_cast<WORD>(hit), static_cast<WORD>(message)));
                if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) ActivateWindow(top, true);
                if (answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT) return;
            }
        }
        if (!IsWindow(target)) return;
        SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                    MAKELONG(static_cast<WORD>(hit), static_cast<WORD>(message)));
        if (hit == HTERROR && buttonDown) {
            // A click on a window disabled by its modal popup brings that popup forward.
            if (HWND popup = GetWindow(target, GW_ENABLEDPOPUP)) ActivateWindow(popup, true);
        }
        if (hit == HTERROR || !IsWindow(target)) return;
    }
    bool client = hit == HTCLIENT;
    Lock lock(S().mutex);
    WPARAM keys = MouseKeys();
    if (buttonDown && IsDoubleClick(target, message, screen, client)) message += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
    MSG m;
    if (client) {
        lock.unlock();
        POINT p = ToClient(target, screen);
        lock.lock();
        m = MakeMessage(target, message, keys, PackPoint(p.x, p.y));
    } else {
        m = MakeMessage(target, NonClientForm(message), static_cast<WPARAM>(hit), PackPoint(screen.x, screen.y));
    }
    lock.unlock();
    PostInput(m);
}

// The keyboard goes to the focus window, else to the active window as system keys.
HWND KeyboardTarget(bool& system) {
    Lock lock(S().mutex);
    if (FindLive(S().focus)) return S().focus;
    system = true;
    return FindLive(S().active) ? S().active : nullptr;
}

}  // namespace

WPARAM MouseKeyFlags(const std::array<BYTE, 256>& keys) {
    WPARAM flags = 0;
    if (Down(keys, VK_LBUTTON)) flags |= MK_LBUTTON;
    if (Down(keys, VK_RBUTTON)) flags |= MK_RBUTTON;
    if (Down(keys, VK_MBUTTON)) flags |= MK_MBUTTON;
    if (Down(keys, VK_SHIFT)) flags |= MK_SHIFT;
    if (Down(keys, VK_CONTROL)) flags |= MK_CONTROL;
    return flags;
}

void InjectMouseMove(POINT screen) {
    {
        Lock lock(S().mutex);
        S().cursorPos = screen;
    }
    RouteMouse(WM_MOUSEMOVE);
}

void InjectMouseButton(MouseButton button, bool down) {
    static constexpr UINT kVirtualKeys[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    static constexpr UINT kDownMessages[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    auto index = static_cast<std::size_t>(button);
    {
        Lock lock(S().mutex);
        SetKey(kVirtualKeys[index], down);
    }
    RouteMouse(kDownMessages[index] + (down ? 0 : 1));
}

int WheelAccumulator::Add(HWND target, int delta) {
    if (target != target_) {
        target_ = target;
        rest_ = 0;
    }
    // Kept below a whole step, so the sum cannot overflow.
    long long sum = static_cast<long long>(rest_) + delta;
    long long steps = sum / WHEEL_DELTA * WHEEL_DELTA;
    rest_ = static_cast<int>(sum - steps);
    return static_cast<int>(steps);
}

void InjectMouseWheel(int delta, bool horizontal, WheelAccumulator& motion) {
    bool system = false;
    HWND target = KeyboardTarget(system);
    if (!target) return;
    int steps = motion.Add(target, delta);
    // The message carries 16 bits: a larger turn goes out in several messages.
    constexpr int kLargestMessage = 32767 / WHEEL_DELTA * WHEEL_DELTA;
    while (steps != 0) {
        int part = steps > 0 ? std::min(steps, kLargestMessage) : std::max(steps, -kLargestMessage);
        steps -= part;
        Lock lock(S().mutex);
        WPARAM wParam = MAKELONG(static_cast<WORD>(MouseKeys()), static_cast<WORD>(static_cast<std::int16_t>(part)));
        MSG m = MakeMessage(target, horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL, wParam,
                            PackPoint(S().cursorPos.x, S().cursorPos.y));
        lock.unlock();
        PostInput(m);
    }
}

void InjectKey(UINT virtualKey, bool down) {
    bool wasDown;
    bool alt;
    bool control;
    {
        Lock lock(S().mutex);
        wasDown = Down(S().asyncKeys, virtualKey);
        SetKey(virtualKey, down);
        alt = Down(S().asyncKeys, VK_MENU);
        control = Down(S().asyncKeys, VK_CONTROL);
    }
    bool system = (alt && !control) || virtualKey == VK_F10 || virtualKey == VK_MENU;
    HWND target = KeyboardTarget(system);
    if (!target) return;
    UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    LPARAM lParam = 1;
    if (alt) lParam |= LPARAM{1} << 29;
    if (down ? wasDown : true) lParam |= LPARAM{1} << 30;
    if (!down) lParam |= LPARAM{1} << 31;
    Lock lock(S().mutex);
    MSG m = MakeMessage(target, message, virtualKey, lParam);
    lock.unlock();
    PostInput(m);
}

void InjectCharacter(char16_t character) {
    bool system = false;
    HWND target = KeyboardTarget(system);
    if (!target) return;
    Lock lock(S().mutex);
    MSG down = MakeMessage(target, WM_KEYDOWN, VK_PACKET, 1);
    MSG up = MakeMessage(target, WM_KEYUP, VK_PACKET, 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
    lock.unlock();
    PostInput(down, character);
    PostInput(up, character);
}

void ResetInput() {
    Lock lock(S().mutex);
    S().asyncKeys = {};
    S().lastClick = {};
    S().tracking = {};
    S().cursorPos = {0, 0};
    S().cursorWindow = nullptr;
}

std::uint64_t PollMouseTracking() {
    HWND hwnd;
    POINT client;
    WPARAM keys;
    bool nonClient;
    {
        Lock lock(S().mutex);
        MouseTracking& t = S().tracking;
        if (!t.hwnd || !(t.flags & TME_HOVER)) return UINT64_MAX;
        if (CurrentClock().NowMs() < t.hoverDue) return t.hoverDue;
        hwnd = t.hwnd;
        nonClient = (t.flags & TME_NONCLIENT) != 0;
        t.flags &= ~TME_HOVER;
        if (!(t.flags & TME_LEAVE)) t.hwnd = nullptr;
        keys = MouseKeys();
        client = S().cursorPos;
    }
    if (nonClient) {
        PostMessage(hwnd, WM_NCMOUSEHOVER, static_cast<WPARAM>(HTCLIENT), PackPoint(client.x, client.y));
    } else {
        client = ToClient(hwnd, client);
        PostMessage(hwnd, WM_MOUSEHOVER, keys, PackPoint(client.x, client.y));
    }
    return UINT64_MAX;
}

char16_t CharacterOfKey(UINT vk, const std::array<BYTE, 256>& keys, char16_t packet) {
    if (vk == VK_PACKET) return packet;
    bool shift = Down(keys, VK_SHIFT);
    bool control = Down(keys, VK_CONTROL);
    bool alt = Down(keys, VK_MENU);
    bool caps = (keys[VK_CAPITAL] & 1) != 0;
    if (vk >= 'A' && vk <= 'Z') {
        if (control && !alt) return static_cast<char16_t>(vk - 'A' + 1);
        return static_cast<char16_t>((shift != caps) ? vk : vk + 32);
    }
    if (control && !alt) return vk == VK_RETURN ? u'\n' : vk == VK_BACK ? 0x7F : 0;
    if (vk >= '0' && vk <= '9') {
        static constexpr char16_t kShifted[] = u")!@#$%^&*(";
        return shift ? kShifted[vk - '0'] : static_cast<char16_t>(vk);
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return static_cast<char16_t>(u'0' + (vk - VK_NUMPAD0));
    struct Pair {
        UINT vk;
        char16_t plain;
        char16_t shifted;
    };
    static constexpr Pair kKeys[] = {
        {VK_SPACE, u' ', u' '},       {VK_RETURN, u'\r', u'\r'},    {VK_TAB, u'\t', u'\t'},
        {VK_BACK, 8, 8},              {VK_ESCAPE, 27, 27},          {VK_OEM_1, u';', u':'},
        {VK_OEM_PLUS, u'=', u'+'},    {VK_OEM_COMMA, u',', u'<'},   {VK_OEM_MINUS, u'-', u'_'},
        {VK_OEM_PERIOD, u'.', u'>'},  {VK_OEM_2, u'/', u'?'},       {VK_OEM_3, u'`', u'~'},
        {VK_OEM_4, u'[', u'{'},       {VK_OEM_5, u'\\', u'|'},      {VK_OEM_6, u']', u'}'},
        {VK_OEM_7, u'\'', u'"'},      {VK_MULTIPLY, u'*', u'*'},    {VK_ADD, u'+', u'+'},
        {VK_SUBTRACT, u'-', u'-'},    {VK_DECIMAL, u'.', u'.'},     {VK_DIVIDE, u'/', u'/'},
    };
    for (const Pair& p : kKeys)
        if (p.vk == vk) return shift ? p.shifted : p.plain;
    return 0;
}

}  // namespace parch::win

namespace parch {

using namespace win;

SHORT GetKeyState(int virtualKey) {
    ThreadQueue& queue = CurrentQueue();
    Lock lock(S().mutex);
    BYTE state = queue.keys[static_cast<std::size_t>(virtualKey) & 0xFF];
    return static_cast<SHORT>(((state & 0x80) ? 0x8000 : 0) | (state & 0x01));
}

SHORT GetAsyncKeyState(int virtualKey) {
    Lock lock(S().mutex);
    BYTE state = S().asyncKeys[static_cast<std::size_t>(virtualKey) & 0xFF];
    return static_cast<SHORT>((state & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(BYTE* keys) {
    if (!keys) return 0;
    ThreadQueue& queue = CurrentQueue();
    Lock lock(S().mutex);
    std::memcpy(keys, queue.keys.data(), queue.keys.size());
    return 1;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
    if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Lock lock(S().mutex);
    MouseTracking& t = S().tracking;
    if (track->dwFlags & TME_QUERY) {
        track->dwFlags = t.hwnd ? t.flags : 0;
        track->hwndTrack = t.hwnd;
        track->dwHoverTime = t.hoverTime;
        return 1;
    }
    if (!FindLive(track->hwndTrack)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    DWORD kinds = track->dwFlags & (TME_LEAVE | TME_HOVER);
    if (track->dwFlags & TME_CANCEL) {
        if (t.hwnd == track->hwndTrack) {
            t.flags &= ~kinds;
            if (!(t.flags & (TME_LEAVE | TME_HOVER))) t.hwnd = nullptr;
        }
        return 1;
    }
    if (S().cursorWindow != track->hwndTrack) {
        // Not over the window now: a requested leave is reported at once.
        lock.unlock();
        if (kinds & TME_LEAVE)
            PostMessage(track->hwndTrack, (track->dwFlags & TME_NONCLIENT) ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
        return 1;
    }
    if (t.hwnd != track->hwndTrack) t = MouseTracking{};
    t.hwnd = track->hwndTrack;
    t.flags = (t.flags & ~TME_NONCLIENT) | kinds | (track->dwFlags & TME_NONCLIENT);
    if (kinds & TME_HOVER) {
        UINT hoverTime = 400;
        SystemParametersInfo(SPI_GETMOUSEHOVERTIME, 0, &hoverTime, 0);
        t.hoverTime = track->dwHoverTime == HOVER_DEFAULT ? hoverTime : track->dwHoverTime;
        t.hoverDue = CurrentClock().NowMs() + t.hoverTime;
        t.hoverOrigin = S().cursorPos;
        lock.unlock();
        WakeAllQueues();
    }
    return 1;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return 0;
    Lock lock(S().mutex);
    *point = S().cursorPos;
    return 1;
}

BOOL SetCursorPos(int x, int y) {
    InjectMouseMove({x, y});
    return 1;
}

HCURSOR LoadCursor(HINSTANCE instance, const char* name) {
    auto id = reinterpret_cast<std::uintptr_t>(name);
    if (instance || !IS_INTRESOURCE(name)) return nullptr;
    return SharedSystemCursor(static_cast<UINT>(id));
}

HCURSOR SetCursor(HCURSOR cursor) {
    Lock lock(S().mutex);
    HCURSOR old = S().cursor;
    S().cursor = cursor;
    return old;
}

HCURSOR GetCursor() {
    Lock lock(S().mutex);
    return S().cursor;
}

}  // namespace parch
