#pragma once
// The small window that shows a control's hint near the mouse, and the timing that shows it
// after the application's HintPause, reshows it after HintShortPause when the mouse moves on
// to another control with a hint, and hides it after HintHidePause, on a click or a key.

#include <memory>
#include <string>

#include "framework/CustomControls.h"

namespace parch {

class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);
    ~THintWindow() override;

    // The screen rectangle the text needs, at most maxWidth wide, at the origin.
    virtual RECT CalcHintRect(int maxWidth, const std::string& hint);
    // Shows the text in rect (screen coordinates) above every other window, without
    // activating it.
    virtual void ActivateHint(const RECT& rect, const std::string& hint);
    void ReleaseHandle();
    bool IsHintShowing() const;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void Dispatch(TMessage& message) override;
};

// Keeps the hint of the control under the mouse; driven by the application's messages.
class THintController {
public:
    THintController();
    ~THintController();
    THintController(const THintController&) = delete;
    THintController& operator=(const THintController&) = delete;

    // A message about to be dispatched.
    void MessageSeen(const MSG& msg);
    void CancelHint();
    THintWindow* HintWindow() const { return window_.get(); }
    // The control whose hint is due or shown; only compared, as it may be gone meanwhile.
    const TControl* HintControl() const { return control_; }

private:
    void MouseOver(const TControl* control);
    void ShowHintNow();
    void HideHint();
    void TimerTick(TMessage& message);

    HWND timerWindow_ = nullptr;
    std::unique_ptr<THintWindow> window_;
    std::string windowClassName_;
    const TControl* control_ = nullptr;
    bool showTimerRunning_ = false;
};

}  // namespace parch
