#include "platform/win/Messages.h"

#include <algorithm>

#include "platform/win/Clock.h"
#include "platform/win/Input.h"
#include "platform/win/PaintInternals.h"
#include "platform/win/Timers.h"
#include "platform/win/WinState.h"

namespace parch::win {

namespace {

PaintSource& ThePaintSource() {
    static PaintSource* source = new PaintSource;
    return *source;
}

struct DisplayPumpSlot {
    DWORD threadId = 0;
    DisplayPump pump;
    bool running = false;  // a message loop inside the pump does not pump again
};

DisplayPumpSlot& TheDisplayPump() {
    static DisplayPumpSlot* slot = new DisplayPumpSlot;
    return *slot;
}

// Runs the display's pump for this thread, if it has one, with the lock let go: the pump
// injects input and reads windows, which take the lock themselves. Answers whether it ran.
bool RunDisplayPump(DWORD threadId, Lock& lock) {
    DisplayPumpSlot& slot = TheDisplayPump();
    if (!slot.pump || slot.threadId != threadId || slot.running) return false;
    const DisplayPump pump = slot.pump;
    slot.running = true;
    lock.unlock();
    try {
        pump();
    } catch (...) {
        lock.lock();
        TheDisplayPump().running = false;
        throw;
    }
    lock.lock();
    TheDisplayPump().running = false;
    return true;
}

// Calls the window's procedure on this thread; nothing for a window that is gone.
LRESULT Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w || !IsOwnThread(w)) return 0;
        proc = w->proc;
    }
    return CallProc(proc, hwnd, message, wParam, lParam);
}

// Serves one message sent from another thread and releases its sender, also when the
// procedure throws.
void Serve(ThreadQueue& queue, const std::shared_ptr<SentMessage>& sent) {
    struct Finish {
        ThreadQueue& queue;
        const std::shared_ptr<SentMessage>& sent;
        LRESULT result = 0;
        ~Finish() {
            Lock lock(S().mutex);
            if (sent->sender) queue.receiving.pop_back();
            sent->result = result;
            sent->done = true;
            if (sent->sender) sent->sender->signal.notify_all();
        }
    } finish{queue, sent};
    // A posted call has no sender waiting: it is not a sent message for InSendMessage.
    if (sent->sender) queue.receiving.push_back(sent.get());
    finish.result = sent->call ? sent->call() : Deliver(sent->hwnd, sent->message, sent->wParam, sent->lParam);
}

// Serves everything sent to this thread so far (lock held on entry and exit).
void ServeSent(ThreadQueue& queue, Lock& lock) {
    while (!queue.sent.empty()) {
        auto sent = queue.sent.front();
        queue.sent.pop_front();
        lock.unlock();
        Serve(queue, sent);
        lock.lock();
    }
}

struct Filter {
    HWND hwnd;
    UINT min;
    UINT max;

    bool InRange(UINT message) const {
        return (min == 0 && max == 0) || (message >= min && message <= max);
    }
    bool Accepts(const MSG& m) const {
        if (!InRange(m.message)) return false;
        if (!hwnd) return true;
        if (hwnd == reinterpret_cast<HWND>(-1)) return m.hwnd == nullptr;
        if (m.hwnd == hwnd) return true;
        Window* target = Find(m.hwnd);
        return target && IsDescendant(Find(hwnd), target);
    }
};

bool TakeFrom(std::deque<QueuedMessage>& list, const Filter& filter, bool remove, QueuedMessage& out) {
    auto it = std::find_if(list.begin(), list.end(), [&](const QueuedMessage& q) { return filter.Accepts(q.msg); });
    if (it == list.end()) return false;
    out = *it;
    if (remove) list.erase(it);
    return true;
}

// A mouse message as it reads now: whichever window of this thread has the capture when it
// is read gets it, in client form, though it was queued for the window under the cursor
// (the press that set the capture may have been read after the moves behind it were queued).
MSG AsReadNow(const QueuedMessage& q, const ThreadQueue& queue) {
    const MSG& m = q.msg;
    const bool client = m.message >= WM_MOUSEMOVE && m.message <= WM_MBUTTONDBLCLK;
    const bool nonClient = m.message >= WM_NCMOUSEMOVE && m.message <= WM_NCMBUTTONDBLCLK;
    if (!client && !nonClient) return m;
    const Window* capture = FindLive(S().capture);
    if (!capture || capture->handle == m.hwnd || capture->queue != &queue) return m;
    MSG now = m;
    now.hwnd = capture->handle;
    if (nonClient) {
        now.message = m.message - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
        now.wParam = q.keys ? MouseKeyFlags(*q.keys) : 0;
    }
    const POINT origin = ClientOriginOnScreen(capture);
    now.lParam = static_cast<LPARAM>(
        MAKELONG(static_cast<WORD>(m.pt.x - origin.x), static_cast<WORD>(m.pt.y - origin.y)));
    return now;
}

bool TakeInput(ThreadQueue& queue, const Filter& filter, bool remove, QueuedMessage& out) {
    for (auto it = queue.input.begin(); it != queue.input.end(); ++it) {
        const MSG now = AsReadNow(*it, queue);
        if (!filter.Accepts(now)) continue;
        out = *it;
        out.msg = now;
        if (remove) queue.input.erase(it);
        return true;
    }
    return false;
}

void Remember(ThreadQueue& queue, const MSG& msg) {
    queue.lastMessage = msg;
}

// One pass of retrieval; wait says whether to block until something arrives.
bool Fetch(MSG* out, const Filter& filter, UINT flags, bool wait) {
    ThreadQueue& queue = CurrentQueue();
    bool remove = (flags & PM_REMOVE) != 0;
    bool pumpedBeforeWaiting = false;
    Lock lock(S().mutex);
    for (;;) {
        std::uint64_t hoverDue = PollMouseTracking();
        ServeSent(queue, lock);
        QueuedMessage found;
        if (TakeFrom(queue.posted, filter, remove, found)) {
            *out = found.msg;
            Remember(queue, found.msg);
            return true;
        }
        if (queue.quitPosted && filter.InRange(WM_QUIT)) {
            *out = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
            if (remove) queue.quitPosted = false;
            return true;
        }
        if (TakeInput(queue, filter, remove, found)) {
            *out = found.msg;
            Remember(queue, found.msg);
            if (remove && found.keys) queue.keys = *found.keys;
            if (remove) queue.lastPacketChar = found.packetChar;
            return true;
        }
        if (ThePaintSource()) {
            // Asked under the lock: a message sent while the lock was let go would find this
            // thread not yet waiting and its wake-up would be lost.
            HWND dirty = ThePaintSource()(queue.threadId, filter.hwnd);
            if (dirty && filter.InRange(WM_PAINT)) {
                *out = MakeMessage(dirty, WM_PAINT, 0, 0);
                Remember(queue, *out);
                return true;
            }
        }
        MSG timer;
        if (TakeTimerMessage(queue, [&](const MSG& m) { return filter.Accepts(m); }, remove, timer)) {
            *out = timer;
            Remember(queue, timer);
            return true;
        }
        if (!wait) return false;
        std::uint64_t deadline = std::min(NextTimerDue(queue), hoverDue);
        if (pumpedBeforeWaiting) {
            // Waits in short steps so the display is served again soon.
            deadline = std::min(deadline, CurrentClock().NowMs() + kDisplayPumpIntervalMs);
            pumpedBeforeWaiting = false;
        } else if (RunDisplayPump(queue.threadId, lock)) {
            // What the display brought in is looked at before waiting.
            pumpedBeforeWaiting = true;
            continue;
        }
        CurrentClock().WaitUntil(lock, queue.signal, deadline);
    }
}

// Queues a sent message for another thread and serves this thread's own incoming sends until
// it is answered (lock held).
LRESULT SendAndWait(Lock& lock, ThreadQueue* target, const std::shared_ptr<SentMessage>& sent) {
    ThreadQueue& mine = *sent->sender;
    target->sent.push_back(sent);
    target->signal.notify_all();
    while (!sent->done) {
        ServeSent(mine, lock);
        if (sent->done) break;
        mine.signal.wait(lock);
    }
    return sent->result;
}

}  // namespace

bool CallOnWindowThread(HWND hwnd, const std::function<LRESULT()>& call, LRESULT& result) {
    ThreadQueue& mine = CurrentQueue();
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return false;
    if (IsOwnThread(w)) {
        lock.unlock();
        result = call();
        return true;
    }
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->call = call;
    sent->sender = &mine;
    result = SendAndWait(lock, w->queue, sent);
    return true;
}

bool PostCallToWindowThread(HWND hwnd, std::function<LRESULT()> call) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return false;
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->call = std::move(call);
    w->queue->sent.push_back(sent);
    w->queue->signal.notify_all();
    return true;
}

void PostInput(const MSG& msg, char16_t packetChar) {
    Lock lock(S().mutex);
    Window* w = FindLive(msg.hwnd);
    if (!w) return;
    ThreadQueue* queue = w->queue;
    QueuedMessage q;
    q.msg = msg;
    q.keys = std::make_shared<const KeyStates>(S().asyncKeys);
    q.packetChar = packetChar;
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
        if (!queue->input.empty()) {
            QueuedMessage& last = queue->input.back();
            if (last.msg.message == msg.message && last.msg.hwnd == msg.hwnd) {
                last = q;
                return;
            }
        }
    }
    queue->input.push_back(std::move(q));
    queue->signal.notify_all();
}

void SetPaintSource(PaintSource source) {
    Lock lock(S().mutex);
    ThePaintSource() = std::move(source);
}

void SetDisplayPump(DWORD threadId, DisplayPump pump) {
    Lock lock(S().mutex);
    TheDisplayPump() = {threadId, std::move(pump)};
}

}  // namespace parch::win

namespace parch {

using namespace win;

namespace {

std::vector<HWND> TopLevelWindows() {
    Lock lock(S().mutex);
    std::vector<HWND> list;
    for (Window* w : S().desktop->children) list.push_back(w->handle);
    return list;
}

}  // namespace

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd == HWND_BROADCAST) {
        for (HWND h : TopLevelWindows()) SendMessage(h, message, wParam, lParam);
        return 1;
    }
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (IsOwnThread(w)) {
            WNDPROC proc = w->proc;
            lock.unlock();
            return CallProc(proc, hwnd, message, wParam, lParam);
        }
    }
    ThreadQueue& mine = CurrentQueue();
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return 0;
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->sender = &mine;
    return SendAndWait(lock, w->queue, sent);
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd) return PostThreadMessage(GetCurrentThreadId(), message, wParam, lParam);
    if (hwnd == HWND_BROADCAST) {
        for (HWND h : TopLevelWindows()) PostMessage(h, message, wParam, lParam);
        return 1;
    }
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    w->queue->posted.push_back({MakeMessage(hwnd, message, wParam, lParam), nullptr, 0});
    w->queue->signal.notify_all();
    return 1;
}

BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    if (threadId == GetCurrentThreadId()) CurrentQueue();
    Lock lock(S().mutex);
    ThreadQueue* queue = QueueOf(threadId);
    if (!queue) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    queue->posted.push_back({MakeMessage(nullptr, message, wParam, lParam), nullptr, 0});
    queue->signal.notify_all();
    return 1;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg) return -1;
    if (hwnd && hwnd != reinterpret_cast<HWND>(-1)) {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w || !IsOwnThread(w)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
    }
    Fetch(msg, {hwnd, filterMin, filterMax}, PM_REMOVE, true);
    return msg->message == WM_QUIT ? 0 : 1;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg) return 0;
    return Fetch(msg, {hwnd, filterMin, filterMax}, removeMsg, false) ? 1 : 0;
}

BOOL WaitMessage() {
    MSG msg;
    Fetch(&msg, {nullptr, 0, 0}, PM_NOREMOVE, true);
    return 1;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg || !msg->hwnd) {
        if (msg && msg->message == WM_TIMER && msg->lParam && IsThreadTimerProc(msg->wParam, msg->lParam))
            reinterpret_cast<TIMERPROC>(msg->lParam)(nullptr, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam) {
        if (!IsWindowTimerProc(msg->hwnd, msg->wParam, msg->lParam)) return 0;
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    {
        Lock lock(S().mutex);
        Window* w = FindLive(msg->hwnd);
        if (!w || !IsOwnThread(w)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
    }
    if (msg->message == WM_PAINT) return DispatchPaint(msg->hwnd);
    return SendMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg) return 0;
    UINT m = msg->message;
    if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN && m != WM_KEYUP && m != WM_SYSKEYUP) return 0;
    if (m == WM_KEYUP || m == WM_SYSKEYUP) return 1;
    KeyStates keys;
    char16_t packet;
    {
        Lock lock(S().mutex);
        keys = CurrentQueue().keys;
        packet = CurrentQueue().lastPacketChar;
    }
    char16_t c = CharacterOfKey(static_cast<UINT>(msg->wParam), keys, packet);
    if (c != 0) {
        Lock lock(S().mutex);
        ThreadQueue& queue = CurrentQueue();
        MSG ch = *msg;
        ch.message = m == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
        ch.wParam = c;
        queue.posted.push_back({ch, nullptr, 0});
    }
    return 1;
}

void PostQuitMessage(int exitCode) {
    ThreadQueue& queue = CurrentQueue();
    Lock lock(S().mutex);
    queue.quitPosted = true;
    queue.quitCode = exitCode;
    queue.signal.notify_all();
}

DWORD GetMessagePos() {
    ThreadQueue& queue = CurrentQueue();
    Lock lock(S().mutex);
    return MAKELONG(static_cast<WORD>(queue.lastMessage.pt.x), static_cast<WORD>(queue.lastMessage.pt.y));
}

LONG GetMessageTime() {
    ThreadQueue& queue = CurrentQueue();
    Lock lock(S().mutex);
    return static_cast<LONG>(queue.lastMessage.time);
}

BOOL InSendMessage() {
    ThreadQueue& queue = CurrentQueue();
    Lock lock(S().mutex);
    return queue.receiving.empty() ? 0 : 1;
}

DWORD GetCurrentThreadId() {
    return CurrentThreadId();
}

bool WaitServingSentMessages(const std::function<bool()>& done, DWORD timeoutMs) {
    ThreadQueue& queue = CurrentQueue();
    std::uint64_t deadline = timeoutMs == INFINITE ? UINT64_MAX : CurrentClock().NowMs() + timeoutMs;
    Lock lock(S().mutex);
    for (;;) {
        ServeSent(queue, lock);
        const std::uint64_t wakeupsBefore = queue.wakeups;
        lock.unlock();
        bool finished = done();
        lock.lock();
        if (finished) return true;
        if (!queue.sent.empty() || queue.wakeups != wakeupsBefore) continue;
        if (CurrentClock().NowMs() >= deadline) return false;
        CurrentClock().WaitUntil(lock, queue.signal, deadline);
    }
}

void WakeThread(DWORD threadId) {
    Lock lock(S().mutex);
    if (ThreadQueue* queue = QueueOf(threadId)) {
        ++queue->wakeups;
        queue->signal.notify_all();
    }
}

}  // namespace parch
