#pragma once
// Scrolling containers: TScrollingWinControl moves its children under its window's own scroll
// bars (HorzScrollBar, VertScrollBar); with AutoScroll the ranges follow the children.
// TScrollBox adds a border; TCustomFrame is a container designed like a form and placed on one.

#include <algorithm>
#include <string>

#include "framework/WinControls.h"

namespace parch {

class TScrollingWinControl;

enum class TScrollBarKind { sbHorizontal, sbVertical };
using enum TScrollBarKind;

// One of the two scroll bars of a scrolling control. Positions are 32-bit all the way: the
// window's bar is read with GetScrollInfo, never from the message's 16-bit word.
class TControlScrollBar {
public:
    TControlScrollBar(TScrollingWinControl& control, TScrollBarKind kind) : control_(control), kind_(kind) {}
    TControlScrollBar(const TControlScrollBar&) = delete;
    TControlScrollBar& operator=(const TControlScrollBar&) = delete;

    TScrollBarKind Kind() const { return kind_; }
    // The extent scrolled over; setting it ends AutoScroll, as a range of one's own would
    // be overwritten by it.
    int Range() const { return range_; }
    void SetRange(int value);
    // Kept between 0 and Range minus the visible extent; moving it scrolls the children.
    int Position() const { return position_; }
    void SetPosition(int value);
    // One line's step (arrows); a page is the visible extent.
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = std::max(value, 1); }
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // Scrolls while the thumb is dragged, not only when it is let go.
    bool Tracking() const { return tracking_; }
    void SetTracking(bool value) { tracking_ = value; }
    // Shown: visible and the range larger than the visible extent.
    bool IsScrollBarVisible() const;
    // The visible extent in this direction.
    int ControlSize() const;
    // The position where it counts (0 while the bar is hidden).
    int ScrollPos() const { return visible_ ? position_ : 0; }

private:
    friend class TScrollingWinControl;
    int MaxPosition() const;
    // Hands range, page and position to the window's bar.
    void Update();
    void ScrollMessage(TMessage& message);
    void SetAutoRange(int value);
    int Bar() const;

    TScrollingWinControl& control_;
    TScrollBarKind kind_;
    int range_ = 0;
    int position_ = 0;
    int increment_ = 8;
    bool visible_ = true;
    bool tracking_ = false;
    int lastTrackPos_ = 0;
    bool trackSeen_ = false;
};

class TScrollingWinControl : public TWinControl {
public:
    explicit TScrollingWinControl(TComponent* owner);
    ~TScrollingWinControl() override;

    TControlScrollBar& HorzScrollBar() { return horz_; }
    TControlScrollBar& VertScrollBar() { return vert_; }
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool value);
    // Moves the children by (dx, dy) pixels (the positions are not changed).
    void ScrollBy(int dx, int dy);
    // Scrolls so that control (a descendant) is inside the visible area, as much as fits.
    void ScrollInView(TControl* control);
    // Brings the ranges (AutoScroll) and the window's bars up to date.
    void UpdateScrollBars();
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void AdjustClientRect(RECT& rect) override;
    void ControlsAligned() override;
    void Dispatch(TMessage& message) override;

private:
    friend class TControlScrollBar;
    void CalcAutoRange();

    TControlScrollBar horz_{*this, sbHorizontal};
    TControlScrollBar vert_{*this, sbVertical};
    bool autoScroll_ = true;
    bool updatingBars_ = false;
};

class TScrollBox : public TScrollingWinControl {
public:
    explicit TScrollBox(TComponent* owner);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& message) override;

private:
    TBorderStyle borderStyle_ = bsSingle;
};

class TCustomFrame : public TScrollingWinControl {
public:
    explicit TCustomFrame(TComponent* owner);
};

class TFrame : public TCustomFrame {
public:
    using TCustomFrame::TCustomFrame;
};

}  // namespace parch
