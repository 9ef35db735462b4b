#pragma once
// A window class whose procedure writes down every message it gets, and a WH_CBT hook that
// writes down what it sees, as readable lines ("top WM_CREATE", "hook CREATEWND top"), so that
// tests can compare whole sequences.

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/display/HeadlessDisplay.h"
#include "platform/win/WinApi.h"

namespace parch::test {

class MessageRecorder {
public:
    // Called before the default handling; an answer replaces it.
    using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

    static constexpr const char* kClass = "Recorder";
    static constexpr const char* kDoubleClickClass = "RecorderDbl";

    MessageRecorder() {
        Instance() = this;
        for (const char* name : {kClass, kDoubleClickClass}) {
            WNDCLASSEX wc;
            wc.lpfnWndProc = &Proc;
            wc.lpszClassName = name;
            wc.style = name == kDoubleClickClass ? CS_DBLCLKS : 0;
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            RegisterClassEx(&wc);
        }
        hook_ = SetWindowsHookEx(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
        // Painting is recorded only by the tests that watch it.
        ignored_ = {WM_NCHITTEST, WM_SETCURSOR, WM_GETICON,    WM_GETTEXT, WM_GETTEXTLENGTH,
                    WM_NCPAINT,   WM_PAINT,     WM_ERASEBKGND, WM_PRINT,   WM_PRINTCLIENT};
    }
    ~MessageRecorder() {
        UnhookWindowsHookEx(hook_);
        Instance() = nullptr;
    }

    // The next window created gets this name in the record.
    void NameNext(const std::string& name) {
        std::lock_guard guard(mutex_);
        pending_ = name;
    }
    void Name(HWND hwnd, const std::string& name) {
        std::lock_guard guard(mutex_);
        names_[hwnd] = name;
    }
    HWND Create(const std::string& name, DWORD style, HWND parent = nullptr, RECT r = {10, 20, 210, 170},
                DWORD exStyle = 0, const char* cls = kClass) {
        NameNext(name);
        return CreateWindowEx(exStyle, cls, name.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                              parent, nullptr, nullptr, nullptr);
    }
    void SetHandler(Handler handler) {
        std::lock_guard guard(mutex_);
        handler_ = std::move(handler);
    }
    void Ignore(UINT message) {
        std::lock_guard guard(mutex_);
        ignored_.insert(message);
    }
    void Watch(UINT message) {
        std::lock_guard guard(mutex_);
        ignored_.erase(message);
    }

    std::vector<std::string> Take() {
        std::lock_guard guard(mutex_);
        return std::exchange(lines_, {});
    }
    void Clear() { Take(); }

private:
    static MessageRecorder*& Instance() {
        static MessageRecorder* instance = nullptr;
        return instance;
    }

    std::string NameOf(HWND hwnd) {
        auto it = names_.find(hwnd);
        return it == names_.end() ? "?" : it->second;
    }

    static std::string MessageText(UINT m, WPARAM wp, LPARAM lp) {
        static const std::map<UINT, const char*> kNames{
            {WM_CREATE, "WM_CREATE"}, {WM_DESTROY, "WM_DESTROY"}, {WM_MOVE, "WM_MOVE"}, {WM_SIZE, "WM_SIZE"},
            {WM_ACTIVATE, "WM_ACTIVATE"}, {WM_SETFOCUS, "WM_SETFOCUS"}, {WM_KILLFOCUS, "WM_KILLFOCUS"},
            {WM_ENABLE, "WM_ENABLE"}, {WM_SETTEXT, "WM_SETTEXT"}, {WM_CLOSE, "WM_CLOSE"},
            {WM_SHOWWINDOW, "WM_SHOWWINDOW"}, {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"}, {WM_CANCELMODE, "WM_CANCELMODE"},
            {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"}, {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
            {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"}, {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
            {WM_STYLECHANGING, "WM_STYLECHANGING"}, {WM_STYLECHANGED, "WM_STYLECHANGED"},
            {WM_NCCREATE, "WM_NCCREATE"}, {WM_NCDESTROY, "WM_NCDESTROY"}, {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
            {WM_NCACTIVATE, "WM_NCACTIVATE"}, {WM_PARENTNOTIFY, "WM_PARENTNOTIFY"},
            {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"}, {WM_TIMER, "WM_TIMER"}, {WM_KEYDOWN, "WM_KEYDOWN"},
            {WM_KEYUP, "WM_KEYUP"}, {WM_CHAR, "WM_CHAR"}, {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
            {WM_SYSKEYUP, "WM_SYSKEYUP"}, {WM_SYSCHAR, "WM_SYSCHAR"}, {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
            {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"}, {WM_LBUTTONUP, "WM_LBUTTONUP"},
            {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"}, {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
            {WM_RBUTTONUP, "WM_RBUTTONUP"}, {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},
            {WM_NCMOUSEMOVE, "WM_NCMOUSEMOVE"}, {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
            {WM_NCLBUTTONUP, "WM_NCLBUTTONUP"}, {WM_NCLBUTTONDBLCLK, "WM_NCLBUTTONDBLCLK"},
            {WM_MOUSELEAVE, "WM_MOUSELEAVE"}, {WM_MOUSEHOVER, "WM_MOUSEHOVER"}, {WM_SETCURSOR, "WM_SETCURSOR"},
            {WM_NCHITTEST, "WM_NCHITTEST"}, {WM_SETFONT, "WM_SETFONT"}, {WM_SETICON, "WM_SETICON"},
            {WM_USER, "WM_USER"}, {WM_CHILDACTIVATE, "WM_CHILDACTIVATE"}, {WM_SETTINGCHANGE, "WM_SETTINGCHANGE"}, {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
            {WM_PAINT, "WM_PAINT"}, {WM_NCPAINT, "WM_NCPAINT"}, {WM_ERASEBKGND, "WM_ERASEBKGND"},
            {WM_PRINT, "WM_PRINT"}, {WM_PRINTCLIENT, "WM_PRINTCLIENT"}, {WM_SETREDRAW, "WM_SETREDRAW"},
        };
        auto it = kNames.find(m);
        std::string text = it != kNames.end() ? it->second : "0x" + std::to_string(m);
        auto point = [&] { return std::to_string(GET_X_LPARAM(lp)) + "," + std::to_string(GET_Y_LPARAM(lp)); };
        auto low = [&] { return std::to_string(static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lp)))); };
        if ((m >= WM_MOUSEMOVE && m <= WM_MBUTTONDBLCLK)) return text + " " + point();
        if (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK) return text + " ht" + std::to_string(wp) + " " + point();
        switch (m) {
            case WM_SETCURSOR:
            case WM_MOUSEACTIVATE: return text + " ht" + low();
            case WM_MOUSEWHEEL: return text + " " + std::to_string(static_cast<std::int16_t>(HIWORD(wp)));
            case WM_KEYDOWN:
            case WM_KEYUP:
            case WM_SYSKEYDOWN:
            case WM_SYSKEYUP: return text + " " + std::to_string(wp);
            case WM_SHOWWINDOW:
            case WM_NCACTIVATE:
            case WM_ACTIVATEAPP:
            case WM_SIZE:
            case WM_NCCALCSIZE:
            case WM_ENABLE: return text + " " + std::to_string(wp);
            case WM_ACTIVATE:
            case WM_PARENTNOTIFY: return text + " " + std::to_string(LOWORD(wp));
            case WM_CHAR:
            case WM_SYSCHAR: return text + " " + (wp < 128 ? std::string(1, static_cast<char>(wp)) : std::to_string(wp));
            default: return text;
        }
    }

    static LRESULT Proc(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
        MessageRecorder* self = Instance();
        if (!self) return DefWindowProc(hwnd, m, wp, lp);
        Handler handler;
        {
            std::lock_guard guard(self->mutex_);
            if (!self->ignored_.count(m)) self->lines_.push_back(self->NameOf(hwnd) + " " + MessageText(m, wp, lp));
            handler = self->handler_;
        }
        if (handler)
            if (auto answer = handler(hwnd, m, wp, lp)) return *answer;
        return DefWindowProc(hwnd, m, wp, lp);
    }

    static LRESULT Hook(int code, WPARAM wp, LPARAM lp) {
        MessageRecorder* self = Instance();
        LRESULT next = CallNextHookEx(nullptr, code, wp, lp);
        if (!self) return next;
        static const std::map<int, const char*> kCodes{{HCBT_CREATEWND, "CREATEWND"}, {HCBT_DESTROYWND, "DESTROYWND"},
                                                       {HCBT_ACTIVATE, "ACTIVATE"},   {HCBT_SETFOCUS, "SETFOCUS"},
                                                       {HCBT_MINMAX, "MINMAX"},       {HCBT_MOVESIZE, "MOVESIZE"}};
        auto hwnd = reinterpret_cast<HWND>(wp);
        std::lock_guard guard(self->mutex_);
        if (code == HCBT_CREATEWND && self->pending_) {
            self->names_[hwnd] = *self->pending_;
            self->pending_.reset();
        }
        auto it = kCodes.find(code);
        if (it != kCodes.end()) self->lines_.push_back(std::string("hook ") + it->second + " " + self->NameOf(hwnd));
        return next;
    }

    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::map<HWND, std::string> names_;
    std::optional<std::string> pending_;
    std::set<UINT> ignored_;
    Handler handler_;
    HHOOK hook_ = nullptr;
};

// Destroys every window a test leaves behind and empties the thread's queue.
inline void DestroyAllWindows() {
    std::vector<HWND> all;
    EnumWindows([](HWND h, LPARAM lp) {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return BOOL{1};
    }, reinterpret_cast<LPARAM>(&all));
    for (HWND h : all)
        if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId()) DestroyWindow(h);
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

// A test on the headless display with a recorder; whatever windows it leaves are destroyed.
class RecorderTest : public ::testing::Test {
protected:
    HeadlessDisplay display;
    MessageRecorder rec;
    void TearDown() override { DestroyAllWindows(); }
};

// A window's rectangle on the screen.
inline RECT WindowRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

}  // namespace parch::test
