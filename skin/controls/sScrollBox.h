#pragma once
// TsScrollBox: a scrolling container drawn in the loaded skin. Its face and border come from
// its section, its bars from the skinned scroll bars, and with AutoMouseWheel the wheel goes to
// the focused control first. Windowed children are never painted over.

#include <functional>
#include <memory>

#include "framework/Scrolling.h"
#include "skin/controls/sPanel.h"
#include "skin/frames/acSBUtils.h"

namespace parch {

using TsPaintEvent = std::function<void(TBitmap& controlBmp)>;

class TsScrollBox : public TsSkinnedControl<TScrollBox> {
public:
    explicit TsScrollBox(TComponent* owner);
    ~TsScrollBox() override;

    void Loaded() override;
    void SetParent(TWinControl* parent) override;

    bool AutoMouseWheel() const { return autoMouseWheel_; }
    void SetAutoMouseWheel(bool value) { autoMouseWheel_ = value; }
    TacScrollWnd* ScrollAdapter() const { return adapter_.get(); }
    // The width of the frame around the client area.
    int FrameWidth() const;

    // Rebuilds the cache: the face over the parent's backdrop, then OnPaint.
    void PrepareCache();
    // The client area into the DC (the client DC for nullptr).
    void PaintAll(HDC dc);

    TsPaintEvent OnPaint;
    TNotifyEvent OnBeforeScroll;
    TNotifyEvent OnAfterScroll;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void WndProc(TMessage& message) override;
    void CreateWnd() override;
    void PaintWindow(HDC) override {}
    bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;

private:
    bool CachedLook() const;
    void PaintCached(HDC dc);
    void PaintFlat(HDC dc);
    void PaintNonClient();
    void Print(HDC dc);
    bool AnswerLifecycleCommand(TMessage& message);
    void ScrollStarts(const TMessage& message);
    void ScrollEnds(const TMessage& message);
    void SkinnedWndProc(TMessage& message);
    void RereadScrollInfo();

    std::unique_ptr<TacScrollWnd> adapter_;
    bool autoMouseWheel_ = false;
    bool forwardingWheel_ = false;
    int scrollStart_ = 0;
};

}  // namespace parch
