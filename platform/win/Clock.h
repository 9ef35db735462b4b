#pragma once
// The one clock that timers, tick counts and sleeps run on. The program uses the real
// monotonic clock; headless tests install a virtual clock and move time themselves, so that
// everything timed runs deterministically.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/gdi/WinTypes.h"

namespace parch {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, never going back.
    virtual std::uint64_t NowMs() = 0;
    // Microseconds on the same time line; a clock that counts only milliseconds gives
    // NowMs() * 1000.
    virtual std::uint64_t NowUs() { return NowMs() * 1000; }
    virtual void Sleep(std::uint64_t ms) = 0;
    // Blocks the caller (holding lock) on signal until it is notified or the clock reaches
    // deadline (UINT64_MAX: no deadline). May return early; callers re-check their condition.
    virtual void WaitUntil(std::unique_lock<std::recursive_mutex>& lock,
                           std::condition_variable_any& signal, std::uint64_t deadlineMs) = 0;
};

class RealClock final : public Clock {
public:
    std::uint64_t NowMs() override;
    std::uint64_t NowUs() override;
    void Sleep(std::uint64_t ms) override;
    void WaitUntil(std::unique_lock<std::recursive_mutex>& lock, std::condition_variable_any& signal,
                   std::uint64_t deadlineMs) override;
};

// Time moves only when told, in whole milliseconds, so NowUs() is NowMs() * 1000. Sleeping moves it forward by the time slept. With auto-advance on,
// a thread that would wait for a deadline instead moves time to that deadline at once, so a
// message loop that waits for its next timer runs without a real wait.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::uint64_t startMs = 0, bool autoAdvance = true);
    std::uint64_t NowMs() override;
    void Sleep(std::uint64_t ms) override;
    void WaitUntil(std::unique_lock<std::recursive_mutex>& lock, std::condition_variable_any& signal,
                   std::uint64_t deadlineMs) override;
    void Advance(std::uint64_t ms);
    void SetAutoAdvance(bool on);

private:
    void MoveTo(std::uint64_t ms);

    std::mutex mutex_;
    std::uint64_t now_;
    bool autoAdvance_;
};

// The clock in use; the real clock until another is installed.
Clock& CurrentClock();
// Installs a clock (nullptr restores the real one). Waiting threads are woken so they look at
// the new clock.
void SetClock(std::shared_ptr<Clock> clock);

// Called whenever the time moves on a clock that is not the real one, so waiters re-check.
void SetClockListener(std::function<void()> listener);

DWORD GetTickCount();
std::uint64_t GetTickCount64();
void Sleep(DWORD ms);

}  // namespace parch
