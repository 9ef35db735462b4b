#pragma once
// The framework's timer component: OnTimer every Interval milliseconds on the thread that
// created it, through WM_TIMER of a hidden "TPUtilWindow" window, on the window system's clock.
// It runs only while it is enabled, its interval is not 0 and a handler is assigned.

#include "base/Classes.h"
#include "framework/Messages.h"

namespace parch {

// The window system has no timer left for a timer component.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned interval);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);

protected:
    // One tick; calls OnTimer. An exception goes to the application.
    virtual void Timer();

private:
    void UpdateTimer();
    void WndProc(TMessage& message);

    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
    HWND window_ = nullptr;
};

}  // namespace parch
