#include "platform/win/Timers.h"

#include <algorithm>

#include "platform/win/Clock.h"
#include "platform/win/WinState.h"

namespace parch::win {

namespace {

UINT ClampElapse(UINT elapse) {
    return std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
}

Timer* FindTimer(ThreadQueue& queue, HWND hwnd, UINT_PTR id) {
    for (auto& t : queue.timers)
        if (t.hwnd == hwnd && t.id == id) return &t;
    return nullptr;
}

bool HasProc(ThreadQueue* queue, HWND hwnd, UINT_PTR id, LPARAM proc) {
    if (!queue) return false;
    Timer* t = FindTimer(*queue, hwnd, id);
    return t && reinterpret_cast<LPARAM>(t->proc) == proc;
}

}  // namespace

bool TakeTimerMessage(ThreadQueue& queue, const std::function<bool(const MSG&)>& accepts, bool remove,
                      MSG& out) {
    std::uint64_t now = CurrentClock().NowMs();
    Timer* best = nullptr;
    for (auto& t : queue.timers) {
        if (t.due > now) continue;
        MSG m;
        m.hwnd = t.hwnd;
        m.message = WM_TIMER;
        m.wParam = t.id;
        m.lParam = reinterpret_cast<LPARAM>(t.proc);
        if (!accepts(m)) continue;
        if (!best || t.due < best->due) best = &t;
    }
    if (!best) return false;
    out = MSG{};
    out.hwnd = best->hwnd;
    out.message = WM_TIMER;
    out.wParam = best->id;
    out.lParam = reinterpret_cast<LPARAM>(best->proc);
    out.time = static_cast<DWORD>(now);
    out.pt = S().cursorPos;
    if (remove) {
        std::uint64_t missed = (now - best->due) / best->period;
        best->due += (missed + 1) * best->period;
    }
    return true;
}

std::uint64_t NextTimerDue(const ThreadQueue& queue) {
    std::uint64_t next = UINT64_MAX;
    for (const auto& t : queue.timers) next = std::min(next, t.due);
    return next;
}

bool IsWindowTimerProc(HWND hwnd, UINT_PTR id, LPARAM proc) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w && HasProc(w->queue, hwnd, id, proc);
}

bool IsThreadTimerProc(UINT_PTR id, LPARAM proc) {
    Lock lock(S().mutex);
    return HasProc(&CurrentQueue(), nullptr, id, proc);
}

void KillWindowTimers(HWND hwnd) {
    Window* w = FindLive(hwnd);
    if (!w || !w->queue) return;
    std::erase_if(w->queue->timers, [&](const Timer& t) { return t.hwnd == hwnd; });
}

}  // namespace parch::win

namespace parch {

using namespace win;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    ThreadQueue& mine = CurrentQueue();
    Lock lock(S().mutex);
    std::uint64_t due = CurrentClock().NowMs() + ClampElapse(elapse);
    if (hwnd) {
        Window* w = FindLive(hwnd);
        if (!w || !IsOwnThread(w)) {
            SetLastError(w ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
    } else if (!id || !FindTimer(mine, nullptr, id)) {
        // A thread timer gets an identifier of its own, unique on the thread.
        id = 0x7FFF;
        while (FindTimer(mine, nullptr, id)) ++id;
    }
    if (Timer* t = FindTimer(mine, hwnd, id)) {
        t->period = ClampElapse(elapse);
        t->due = due;
        t->proc = proc;
    } else {
        mine.timers.push_back({hwnd, id, ClampElapse(elapse), due, proc});
    }
    mine.signal.notify_all();
    return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    ThreadQueue& mine = CurrentQueue();
    Lock lock(S().mutex);
    auto before = mine.timers.size();
    std::erase_if(mine.timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    return mine.timers.size() != before ? 1 : 0;
}

}  // namespace parch
