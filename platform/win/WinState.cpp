#include "platform/win/WinState.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "platform/win/Clock.h"
#include "platform/win/ProcedureEntries.h"

namespace parch::win {

namespace {

Window* MakeRoot(State& s) {
    auto w = std::make_unique<Window>();
    w->handle = reinterpret_cast<HWND>(s.nextHandle);
    s.nextHandle += 2;
    w->isRoot = true;
    w->style = WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    Window* raw = w.get();
    s.windows.emplace(raw->handle, std::move(w));
    return raw;
}

State* MakeState() {
    // Never destroyed: thread queues of other threads may be torn down after static
    // destruction has begun.
    auto* s = new State;
    s->desktop = MakeRoot(*s);
    s->messageRoot = MakeRoot(*s);
    SetClockListener(WakeAllQueues);
    RegisterWindowSystemProcedures();
    return s;
}

// Ends a thread's part in the window system: its windows go away without messages (the thread
// can no longer run their procedures), and whoever waits for it is released.
void RetireQueue(ThreadQueue* queue) {
    State& s = S();
    Lock lock(s.mutex);
    for (auto& sent : queue->sent) {
        sent->done = true;
        if (sent->sender) sent->sender->signal.notify_all();
    }
    queue->sent.clear();
    std::vector<Window*> owned;
    for (auto& [handle, w] : s.windows)
        if (w->queue == queue) owned.push_back(w.get());
    auto isOwned = [&](const Window* w) {
        return std::find(owned.begin(), owned.end(), w) != owned.end();
    };
    for (Window* w : owned) {
        if (w->parent && !isOwned(w->parent)) std::erase(w->parent->children, w);
        if (w->windowClass) --w->windowClass->windowCount;
    }
    for (auto& [handle, w] : s.windows) {
        if (isOwned(w.get())) continue;
        if (isOwned(w->owner)) w->owner = nullptr;
        if (isOwned(w->parent)) {
            w->parent = s.desktop;
            s.desktop->children.push_back(w.get());
        }
    }
    for (Window* w : owned) {
        for (HWND* slot : {&s.active, &s.focus, &s.capture, &s.cursorWindow})
            if (*slot == w->handle) *slot = nullptr;
        s.windows.erase(w->handle);
    }
    std::erase_if(s.hooks, [&](const std::shared_ptr<Hook>& h) { return h->threadId == queue->threadId; });
    s.queues.erase(queue->threadId);
}

struct QueueOwner {
    std::unique_ptr<ThreadQueue> queue;
    ~QueueOwner() {
        if (queue) RetireQueue(queue.get());
    }
};

thread_local QueueOwner tQueue;
thread_local DWORD tLastError = 0;

}  // namespace

State& S() {
    static State* state = MakeState();
    return *state;
}

Window* Find(HWND hwnd) {
    State& s = S();
    auto it = s.windows.find(hwnd);
    return it == s.windows.end() ? nullptr : it->second.get();
}

Window* FindLive(HWND hwnd) {
    Window* w = Find(hwnd);
    return w && !w->isRoot ? w : nullptr;
}

DWORD CurrentThreadId() {
    static thread_local DWORD id = static_cast<DWORD>(::syscall(SYS_gettid));
    return id;
}

ThreadQueue& CurrentQueue() {
    if (!tQueue.queue) {
        auto queue = std::make_unique<ThreadQueue>();
        queue->threadId = CurrentThreadId();
        State& s = S();
        Lock lock(s.mutex);
        s.queues[queue->threadId] = queue.get();
        tQueue.queue = std::move(queue);
    }
    return *tQueue.queue;
}

ThreadQueue* QueueOf(DWORD threadId) {
    auto it = S().queues.find(threadId);
    return it == S().queues.end() ? nullptr : it->second;
}

bool IsOwnThread(const Window* w) {
    return w && w->threadId == CurrentThreadId();
}

void WakeAllQueues() {
    State& s = S();
    Lock lock(s.mutex);
    for (auto& [id, queue] : s.queues) queue->signal.notify_all();
}

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m;
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    m.pt = S().cursorPos;
    return m;
}

bool SameAsciiText(std::string_view a, std::string_view b) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return fold(x) == fold(y);
           });
}

RECT PlacedRect(int x, int y, int cx, int cy) {
    constexpr int kLimit = 1 << 27;
    x = std::clamp(x, -kLimit, kLimit);
    y = std::clamp(y, -kLimit, kLimit);
    cx = std::clamp(cx, 0, kLimit);
    cy = std::clamp(cy, 0, kLimit);
    return {x, y, x + cx, y + cy};
}

POINT ClientOriginOnScreen(const Window* w) {
    POINT p{0, 0};
    for (const Window* cur = w; cur && !cur->isRoot; cur = cur->parent) {
        p.x += cur->clientRect.left;
        p.y += cur->clientRect.top;
    }
    return p;
}

RECT WindowRectOnScreen(const Window* w) {
    if (w->isRoot) return w->windowRect;
    POINT origin = ClientOriginOnScreen(w->parent);
    RECT r = w->windowRect;
    r.left += origin.x;
    r.right += origin.x;
    r.top += origin.y;
    r.bottom += origin.y;
    return r;
}

bool IsVisibleChain(const Window* w) {
    const Window* cur = w;
    for (; cur && !cur->isRoot; cur = cur->parent)
        if (!(cur->style & WS_VISIBLE)) return false;
    // Message-only windows are never on the screen.
    return cur != nullptr && cur != S().messageRoot;
}

bool IsDescendant(const Window* ancestor, const Window* w) {
    if (!ancestor || !w) return false;
    for (const Window* cur = w->parent; cur; cur = cur->parent)
        if (cur == ancestor) return true;
    return false;
}

Window* TopLevelOf(Window* w) {
    while (w && w->parent && !w->parent->isRoot) w = w->parent;
    return w;
}

bool IsTopLevel(const Window* w) {
    return w && !w->isRoot && w->parent && w->parent->isRoot;
}

}  // namespace parch::win

namespace parch {

DWORD GetLastError() {
    return win::tLastError;
}

void SetLastError(DWORD error) {
    win::tLastError = error;
}

}  // namespace parch
