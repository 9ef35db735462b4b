#pragma once
// The timer the skinning library's animations run on. It runs no thread of its own: it wraps a
// window-message timer (so ticks come on the GUI thread, on the window system's clock) and drops
// a tick that arrives while the previous tick's handler is still running.

#include <memory>

#include "base/Classes.h"
#include "framework/Timer.h"

namespace parch {

// Kept for the components that set it; it changes nothing but re-arming the timer.
enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
using enum TThreadPriority;

class TacThreadedTimer : public TComponent {
public:
    // Enabled with an interval of 1000 ms; ticks do nothing until OnTimer is set. While the
    // application is terminating no timer is made and the object never ticks.
    explicit TacThreadedTimer(TComponent* owner);
    // Starts disabled. With routeTicks, ticks reach Tick() of the subclass.
    TacThreadedTimer(TComponent* owner, bool routeTicks);
    ~TacThreadedTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned value);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);
    TThreadPriority ThreadPriority() const { return priority_; }
    void SetThreadPriority(TThreadPriority value);
    TComponent* OwningComponent() const { return owningComponent_; }
    // True while a tick is being handled.
    bool Busy() const { return busy_; }

protected:
    // Receives the ticks of a timer made with routeTicks; empty here.
    virtual void Tick() {}

private:
    void Rearm();
    void GuardedTick();

    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
    std::unique_ptr<TTimer> timer_;
    TThreadPriority priority_ = tpNormal;
    bool busy_ = false;
    TComponent* owningComponent_ = nullptr;
};

}  // namespace parch
