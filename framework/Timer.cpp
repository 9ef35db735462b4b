#include "framework/Timer.h"

#include "framework/UtilWindow.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Timers.h"

namespace parch {

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    window_ = AllocateHWnd([this](TMessage& message) { WndProc(message); });
}

TTimer::~TTimer() {
    enabled_ = false;
    UpdateTimer();
    DeallocateHWnd(window_);
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned interval) {
    if (interval == interval_) return;
    interval_ = interval;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TTimer::Timer() {
    if (onTimer_) onTimer_(this);
}

void TTimer::UpdateTimer() {
    KillTimer(window_, kTimerId);
    if (interval_ == 0 || !enabled_ || !onTimer_) return;
    if (!SetTimer(window_, kTimerId, interval_, nullptr)) throw EOutOfResources("Not enough timers available");
}

void TTimer::WndProc(TMessage& message) {
    if (message.Msg != WM_TIMER) {
        message.Result = DefWindowProc(window_, message.Msg, message.WParam, message.LParam);
        return;
    }
    try {
        Timer();
    } catch (...) {
        HandleEventException(this);
    }
}

}  // namespace parch
