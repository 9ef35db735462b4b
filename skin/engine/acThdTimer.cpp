#include "skin/engine/acThdTimer.h"

#include <utility>

#include "framework/Application.h"

namespace parch {

TacThreadedTimer::TacThreadedTimer(TComponent* owner) : TComponent(owner) {
    if (Application != nullptr && Application->Terminated()) return;
    timer_ = std::make_unique<TTimer>(nullptr);
    timer_->SetInterval(interval_);
    timer_->SetOnTimer([this](TObject*) { GuardedTick(); });
}

TacThreadedTimer::TacThreadedTimer(TComponent* owner, bool routeTicks) : TacThreadedTimer(owner) {
    SetEnabled(false);
    owningComponent_ = owner;
    if (routeTicks) SetOnTimer([this](TObject*) { Tick(); });
}

TacThreadedTimer::~TacThreadedTimer() {
    if (timer_ != nullptr) timer_->SetEnabled(false);
}

void TacThreadedTimer::SetEnabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    Rearm();
}

void TacThreadedTimer::SetInterval(unsigned value) {
    if (interval_ == value) return;
    interval_ = value;
    if (timer_ == nullptr) return;
    timer_->SetInterval(value);
    Rearm();
}

void TacThreadedTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    Rearm();
}

void TacThreadedTimer::SetThreadPriority(TThreadPriority value) {
    if (priority_ == value) return;
    priority_ = value;
    Rearm();
}

void TacThreadedTimer::Rearm() {
    if (timer_ == nullptr) return;
    timer_->SetEnabled(false);
    if (interval_ != 0 && enabled_ && onTimer_) timer_->SetEnabled(true);
}

void TacThreadedTimer::GuardedTick() {
    if (!timer_->Enabled() || busy_) return;
    // Cleared however the handler ends, so that a handler that raised does not stop the timer.
    struct BusyScope {
        bool& flag;
        explicit BusyScope(bool& f) : flag(f) { flag = true; }
        ~BusyScope() { flag = false; }
    } scope(busy_);
    if (onTimer_) onTimer_(this);
}

}  // namespace parch
