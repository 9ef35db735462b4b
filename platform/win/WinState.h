#pragma once
// The window system's own records: classes, windows, thread queues and the shared state, all
// guarded by one lock. Internal to platform/win; callers use the API headers.
//
// Rule: no window procedure, hook or timer procedure is ever called with the lock held, so a
// procedure may call any function of the window system, on any thread.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/win/PaintState.h"
#include "platform/win/WinUser.h"

namespace parch::win {

using Lock = std::unique_lock<std::recursive_mutex>;

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON iconSmall = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::string menuName;
    int windowExtra = 0;
    std::vector<std::uint8_t> classExtra;
    int windowCount = 0;
};

struct ThreadQueue;
struct SubclassChain;

struct Window {
    HWND handle = nullptr;
    WindowClass* windowClass = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    LONG_PTR id = 0;  // child windows: the control identifier; others: the menu
    LONG_PTR userData = 0;
    Window* parent = nullptr;  // the desktop or message root for top-level windows
    Window* owner = nullptr;
    std::vector<Window*> children;  // z-order, topmost first
    RECT windowRect;  // in the parent's client coordinates
    RECT clientRect;  // likewise
    std::string text;
    HICON iconSmall = nullptr;
    HICON iconBig = nullptr;
    HFONT font = nullptr;
    std::vector<std::uint8_t> extra;
    std::vector<std::pair<std::string, std::uintptr_t>> props;
    ThreadQueue* queue = nullptr;
    DWORD threadId = 0;
    RECT normalRect;  // restored placement while minimized or maximized
    bool restoreMaximized = false;
    std::shared_ptr<SubclassChain> subclasses;
    bool needSize = false;  // WM_SIZE/WM_MOVE not yet sent
    bool destroying = false;
    bool isRoot = false;
    WindowPaint paint;
};

struct SentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::function<LRESULT()> call;  // set for internal calls run on the window's thread
    LRESULT result = 0;
    bool done = false;
    ThreadQueue* sender = nullptr;
};

using KeyStates = std::array<BYTE, 256>;

struct QueuedMessage {
    MSG msg;
    std::shared_ptr<const KeyStates> keys;  // input messages: the key states when it happened
    char16_t packetChar = 0;
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT period = 0;
    std::uint64_t due = 0;
    TIMERPROC proc = nullptr;
};

struct ThreadQueue {
    DWORD threadId = 0;
    std::deque<QueuedMessage> posted;
    std::deque<QueuedMessage> input;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::vector<Timer> timers;
    bool quitPosted = false;
    int quitCode = 0;
    std::condition_variable_any signal;
    std::uint64_t wakeups = 0;  // counts WakeThread calls, so a wake between checks is not lost
    MSG lastMessage;
    std::vector<SentMessage*> receiving;  // sent messages being served, innermost last
    KeyStates keys{};                      // key states as of the last input message read
    char16_t lastPacketChar = 0;
};

struct Hook {
    HHOOK handle = nullptr;
    int type = 0;
    HOOKPROC proc = nullptr;
    DWORD threadId = 0;  // 0: every thread
    bool removed = false;
};

struct MouseTracking {
    HWND hwnd = nullptr;
    DWORD flags = 0;
    DWORD hoverTime = 0;
    std::uint64_t hoverDue = 0;
    POINT hoverOrigin;
};

struct State {
    std::recursive_mutex mutex;
    std::unordered_map<HWND, std::unique_ptr<Window>> windows;
    std::uintptr_t nextHandle = 0x10020;
    Window* desktop = nullptr;
    Window* messageRoot = nullptr;

    std::vector<std::unique_ptr<WindowClass>> classes;
    ATOM nextAtom = 0xC000;

    std::unordered_map<DWORD, ThreadQueue*> queues;

    std::vector<std::shared_ptr<Hook>> hooks;  // newest first
    std::uintptr_t nextHook = 0x40;

    HWND active = nullptr;  // also the foreground window
    HWND focus = nullptr;
    HWND capture = nullptr;
    HWND cursorWindow = nullptr;  // the window the mouse was last seen over
    POINT cursorPos;
    HCURSOR cursor = nullptr;
    KeyStates asyncKeys{};
    MouseTracking tracking;
    struct LastClick {
        HWND hwnd = nullptr;
        UINT message = 0;
        std::uint64_t time = 0;
        POINT pt;
    } lastClick;
};

State& S();
Window* Find(HWND hwnd);  // lock held; roots and live windows only
Window* FindLive(HWND hwnd);  // lock held; not roots
ThreadQueue& CurrentQueue();  // the calling thread's queue, made on first use
ThreadQueue* QueueOf(DWORD threadId);
DWORD CurrentThreadId();
bool IsOwnThread(const Window* w);

// Wakes every thread waiting in its message loop (time moved, for example).
void WakeAllQueues();

// A queued message stamped with the present time and cursor position (lock held).
MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Calls a window procedure (or a procedure instance) without the lock.
LRESULT CallProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Names of classes and windows compare with ASCII case folding only.
bool SameAsciiText(std::string_view a, std::string_view b);

// A window rectangle from a position and size as callers give them: sizes below 0 become 0,
// and everything is kept within a range where no sum of coordinates can overflow.
RECT PlacedRect(int x, int y, int cx, int cy);

// Geometry helpers on the records (lock held).
POINT ClientOriginOnScreen(const Window* w);
RECT WindowRectOnScreen(const Window* w);
bool IsVisibleChain(const Window* w);
bool IsDescendant(const Window* ancestor, const Window* w);
Window* TopLevelOf(Window* w);
bool IsTopLevel(const Window* w);

}  // namespace parch::win
