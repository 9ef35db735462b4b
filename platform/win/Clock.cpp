#include "platform/win/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace parch {

namespace {

struct ClockSlot {
    std::mutex mutex;
    std::atomic<Clock*> current{nullptr};
    // Installed clocks stay alive for the process: a thread may still be inside one that was
    // just replaced.
    std::vector<std::shared_ptr<Clock>> kept;
    std::function<void()> listener;
};

ClockSlot& Slot() {
    static ClockSlot* slot = [] {
        auto* s = new ClockSlot;
        auto real = std::make_shared<RealClock>();
        s->current = real.get();
        s->kept.push_back(std::move(real));
        return s;
    }();
    return *slot;
}

void NotifyListener() {
    std::function<void()> listener;
    {
        std::lock_guard guard(Slot().mutex);
        listener = Slot().listener;
    }
    if (listener) listener();
}

// Both readings count from the same start, so they stay on one time line.
std::chrono::steady_clock::duration RealClockElapsed() {
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return steady_clock::now() - start;
}

}  // namespace

std::uint64_t RealClock::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(RealClockElapsed()).count());
}

std::uint64_t RealClock::NowUs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<microseconds>(RealClockElapsed()).count());
}

void RealClock::Sleep(std::uint64_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void RealClock::WaitUntil(std::unique_lock<std::recursive_mutex>& lock,
                          std::condition_variable_any& signal, std::uint64_t deadlineMs) {
    if (deadlineMs == UINT64_MAX) {
        signal.wait(lock);
        return;
    }
    std::uint64_t now = NowMs();
    if (deadlineMs <= now) return;
    signal.wait_for(lock, std::chrono::milliseconds(deadlineMs - now));
}

VirtualClock::VirtualClock(std::uint64_t startMs, bool autoAdvance)
    : now_(startMs), autoAdvance_(autoAdvance) {}

std::uint64_t VirtualClock::NowMs() {
    std::lock_guard guard(mutex_);
    return now_;
}

void VirtualClock::MoveTo(std::uint64_t ms) {
    {
        std::lock_guard guard(mutex_);
        if (ms <= now_) return;
        now_ = ms;
    }
    NotifyListener();
}

void VirtualClock::Sleep(std::uint64_t ms) {
    MoveTo(NowMs() + ms);
}

void VirtualClock::Advance(std::uint64_t ms) {
    MoveTo(NowMs() + ms);
}

void VirtualClock::SetAutoAdvance(bool on) {
    std::lock_guard guard(mutex_);
    autoAdvance_ = on;
}

void VirtualClock::WaitUntil(std::unique_lock<std::recursive_mutex>& lock,
                             std::condition_variable_any& signal, std::uint64_t deadlineMs) {
    bool jump;
    {
        std::lock_guard guard(mutex_);
        jump = autoAdvance_ && deadlineMs != UINT64_MAX;
    }
    if (jump) {
        MoveTo(deadlineMs);
        return;
    }
    signal.wait(lock);
}

Clock& CurrentClock() {
    return *Slot().current.load();
}

void SetClock(std::shared_ptr<Clock> clock) {
    {
        std::lock_guard guard(Slot().mutex);
        if (!clock) clock = Slot().kept.front();
        Slot().current = clock.get();
        Slot().kept.push_back(std::move(clock));
    }
    NotifyListener();
}

void SetClockListener(std::function<void()> listener) {
    std::lock_guard guard(Slot().mutex);
    Slot().listener = std::move(listener);
}

DWORD GetTickCount() {
    return static_cast<DWORD>(CurrentClock().NowMs());
}

std::uint64_t GetTickCount64() {
    return CurrentClock().NowMs();
}

void Sleep(DWORD ms) {
    CurrentClock().Sleep(ms);
}

}  // namespace parch
