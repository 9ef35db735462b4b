#include "platform/win/MoveSizeLoop.h"

#include <algorithm>

#include "platform/win/Focus.h"
#include "platform/win/Hooks.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/ModalLoop.h"
#include "platform/win/SysCommand.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowPos.h"

namespace parch::win {

namespace {

constexpr int kKeyStep = 8;  // pixels per arrow key

bool MovesLeft(WPARAM edge) {
    return edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
}
bool MovesRight(WPARAM edge) {
    return edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
}
bool MovesTop(WPARAM edge) {
    return edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
}
bool MovesBottom(WPARAM edge) {
    return edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
}

class MoveSizeLoop {
public:
    MoveSizeLoop(HWND hwnd, WPARAM command, POINT start)
        : hwnd_(hwnd),
          moving_((command & 0xFFF0) == SC_MOVE),
          byMouse_((command & 0x000F) != 0),
          edge_(moving_ ? 0 : command & 0x000F),
          anchor_(start) {}

    void Run() {
        if (!Prepare()) return;
        SetCapture(hwnd_);  // the loop owns the mouse from its first message on
        SendMessage(hwnd_, WM_ENTERSIZEMOVE, 0, 0);
        RunCaptureLoop(hwnd_, [this](const MSG& msg) { return Step(msg); });
        if (!IsWindow(hwnd_)) return;
        RECT final = Current();
        if (cancelled_ || CallHooks(WH_CBT, HCBT_MOVESIZE, reinterpret_cast<WPARAM>(hwnd_),
                                    reinterpret_cast<LPARAM>(&final)) != 0)
            PlaceAt(startRect_, true);
        SendMessage(hwnd_, WM_EXITSIZEMOVE, 0, 0);
    }

private:
    bool Prepare() {
        DWORD style;
        bool topLevel;
        RECT parentClient;
        {
            Lock lock(S().mutex);
            Window* w = FindLive(hwnd_);
            if (!w) return false;
            style = w->style;
            startRect_ = WindowRectOnScreen(w);
            parentOffset_ = {startRect_.left - w->windowRect.left, startRect_.top - w->windowRect.top};
            topLevel = IsTopLevel(w);
            POINT origin = ClientOriginOnScreen(w->parent);
            parentClient = {origin.x, origin.y, origin.x + w->parent->clientRect.right - w->parent->clientRect.left,
                            origin.y + w->parent->clientRect.bottom - w->parent->clientRect.top};
        }
        if (style & WS_MAXIMIZE) return false;
        if (!moving_ && (style & WS_MINIMIZE)) return false;
        if (byMouse_ && !(GetKeyState(VK_LBUTTON) & 0x8000)) return false;
        if (!byMouse_) GetCursorPos(&anchor_);
        confine_ = topLevel ? ScreenRect() : parentClient;
        MINMAXINFO info = DefaultMinMaxInfo(hwnd_);
        SendMessage(hwnd_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        minSize_ = info.ptMinTrackSize;
        maxSize_ = {std::max(info.ptMaxTrackSize.x, info.ptMinTrackSize.x),
                    std::max(info.ptMaxTrackSize.y, info.ptMinTrackSize.y)};
        return IsWindow(hwnd_);
    }

    LoopStep Step(const MSG& msg) {
        if (IsMouseMessage(msg.message)) {
            if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE || IsButtonUp(msg.message)) {
                FollowMouse(msg.pt);
            }
            bool ends = byMouse_ ? IsButtonUp(msg.message)
                                 : msg.message == WM_LBUTTONDOWN || msg.message == WM_NCLBUTTONDOWN;
            return ends ? LoopStep::End : LoopStep::Continue;
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) return Key(static_cast<UINT>(msg.wParam));
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) return LoopStep::Continue;
        return LoopStep::Dispatch;
    }

    LoopStep Key(UINT key) {
        switch (key) {
            case VK_ESCAPE: cancelled_ = true; return LoopStep::End;
            case VK_RETURN: return LoopStep::End;
            case VK_LEFT: Nudge(-kKeyStep, 0, WMSZ_LEFT); break;
            case VK_RIGHT: Nudge(kKeyStep, 0, WMSZ_RIGHT); break;
            case VK_UP: Nudge(0, -kKeyStep, WMSZ_TOP); break;
            case VK_DOWN: Nudge(0, kKeyStep, WMSZ_BOTTOM); break;
            default: break;
        }
        return LoopStep::Continue;
    }

    // From the keyboard, sizing takes the edge of the first arrow pressed.
    void Nudge(int dx, int dy, WPARAM edge) {
        if (!moving_ && edge_ == 0) edge_ = edge;
        delta_.x += dx;
        delta_.y += dy;
        Apply();
    }

    void FollowMouse(POINT p) {
        p.x = std::clamp(p.x, confine_.left, std::max(confine_.left, confine_.right - 1));
        p.y = std::clamp(p.y, confine_.top, std::max(confine_.top, confine_.bottom - 1));
        POINT delta{p.x - anchor_.x, p.y - anchor_.y};
        if (delta == delta_) return;
        delta_ = delta;
        Apply();
    }

    // The rectangle the delta asks for: moved, or with the edges of edge_ moved within the
    // tracking limits.
    RECT Proposed() const {
        RECT r = startRect_;
        if (moving_) return {r.left + delta_.x, r.top + delta_.y, r.right + delta_.x, r.bottom + delta_.y};
        if (MovesLeft(edge_)) r.left = std::clamp(r.left + delta_.x, r.right - maxSize_.x, r.right - minSize_.x);
        if (MovesRight(edge_)) r.right = std::clamp(r.right + delta_.x, r.left + minSize_.x, r.left + maxSize_.x);
        if (MovesTop(edge_)) r.top = std::clamp(r.top + delta_.y, r.bottom - maxSize_.y, r.bottom - minSize_.y);
        if (MovesBottom(edge_)) r.bottom = std::clamp(r.bottom + delta_.y, r.top + minSize_.y, r.top + maxSize_.y);
        return r;
    }

    void Apply() {
        if (!moving_ && edge_ == 0) return;
        RECT r = Proposed();
        SendMessage(hwnd_, moving_ ? WM_MOVING : WM_SIZING, moving_ ? 0 : edge_, reinterpret_cast<LPARAM>(&r));
        if (IsWindow(hwnd_) && r != Current()) PlaceAt(r, false);
    }

    RECT Current() const {
        RECT r{};
        GetWindowRect(hwnd_, &r);
        return r;
    }

    void PlaceAt(const RECT& screen, bool withSize) {
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (moving_ && !withSize ? SWP_NOSIZE : 0);
        SetWindowPos(hwnd_, nullptr, screen.left - parentOffset_.x, screen.top - parentOffset_.y,
                     screen.right - screen.left, screen.bottom - screen.top, flags);
    }

    HWND hwnd_;
    bool moving_;
    bool byMouse_;
    WPARAM edge_;
    POINT anchor_;
    POINT delta_;
    POINT parentOffset_;
    RECT startRect_;
    RECT confine_;
    POINT minSize_;
    POINT maxSize_;
    bool cancelled_ = false;
};

}  // namespace

void RunMoveSizeLoop(HWND hwnd, WPARAM command, POINT start) {
    MoveSizeLoop(hwnd, command, start).Run();
}

}  // namespace parch::win
