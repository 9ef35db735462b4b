#pragma once
// TUpDown over the "msctls_updown32" window class (two arrows stepping a position, optionally
// shown in an associated control beside them) and TTrackBar over "msctls_trackbar32" (a thumb
// on a channel between a minimum and a maximum, with tick marks).

#include <functional>

#include "framework/WinControls.h"

namespace parch {

enum class TUDAlignButton { udLeft, udRight };
using enum TUDAlignButton;
enum class TUDOrientation { udHorizontal, udVertical };
using enum TUDOrientation;
enum class TUDBtnType { btNext, btPrev };
using enum TUDBtnType;
enum class TUpDownDirection { updNone, updUp, updDown };
using enum TUpDownDirection;

using TUDClickEvent = std::function<void(TObject* sender, TUDBtnType button)>;
using TUDChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;
using TUDChangingEventEx =
    std::function<void(TObject* sender, bool& allowChange, int newValue, TUpDownDirection direction)>;

class TCustomUpDown : public TWinControl {
public:
    explicit TCustomUpDown(TComponent* owner);
    ~TCustomUpDown() override;

    // The control that shows the position as its text and carries the arrows at its side (not
    // owned; cleared when it goes away).
    TWinControl* Associate() const { return associate_; }
    void SetAssociate(TWinControl* value);
    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    // Kept within Min and Max; the associate shows it.
    int Position();
    void SetPosition(int value);
    int Increment() const { return increment_; }
    void SetIncrement(int value);
    TUDOrientation Orientation() const { return orientation_; }
    void SetOrientation(TUDOrientation value);
    TUDAlignButton AlignButton() const { return alignButton_; }
    void SetAlignButton(TUDAlignButton value);
    bool ArrowKeys() const { return arrowKeys_; }
    void SetArrowKeys(bool value);
    bool Thousands() const { return thousands_; }
    void SetThousands(bool value);
    bool Wrap() const { return wrap_; }
    void SetWrap(bool value);
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TUDClickEvent OnClick;
    // Asked before each step; a refusal keeps the position.
    TUDChangingEvent OnChanging;
    TUDChangingEventEx OnChangingEx;

protected:
    virtual bool DoCanChange(int newValue, int delta);
    using TWinControl::Click;
    virtual void Click(TUDBtnType button);
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ApplyRange();
    void ApplyIncrement();
    void ScrollMessage(TMessage& message);

    TWinControl* associate_ = nullptr;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int increment_ = 1;
    int lastDelta_ = 0;
    TUDOrientation orientation_ = udVertical;
    TUDAlignButton alignButton_ = udRight;
    bool arrowKeys_ = true;
    bool thousands_ = true;
    bool wrap_ = false;
};

class TUpDown : public TCustomUpDown {
public:
    using TCustomUpDown::TCustomUpDown;
};

enum class TTrackBarOrientation { trHorizontal, trVertical };
using enum TTrackBarOrientation;
enum class TTickMark { tmBottomRight, tmTopLeft, tmBoth };
using enum TTickMark;
enum class TTickStyle { tsNone, tsAuto, tsManual };
using enum TTickStyle;

class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* owner);

    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    // Kept within Min and Max.
    int Position();
    void SetPosition(int value);
    void SetRange(int minimum, int maximum);
    // Every Frequency-th value carries a tick (TickStyle tsAuto).
    int Frequency() const { return frequency_; }
    void SetFrequency(int value);
    int LineSize() const { return lineSize_; }
    void SetLineSize(int value);
    int PageSize() const { return pageSize_; }
    void SetPageSize(int value);
    TTrackBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TTrackBarOrientation value);
    TTickMark TickMarks() const { return tickMarks_; }
    void SetTickMarks(TTickMark value);
    TTickStyle TickStyle() const { return tickStyle_; }
    void SetTickStyle(TTickStyle value);
    // A tick at a value of its own (TickStyle tsManual).
    void SetTick(int value);
    int SelStart() const { return selStart_; }
    void SetSelStart(int value);
    int SelEnd() const { return selEnd_; }
    void SetSelEnd(int value);
    int ThumbLength() const { return thumbLength_; }
    void SetThumbLength(int value);
    bool SliderVisible() const { return sliderVisible_; }
    void SetSliderVisible(bool value);
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TNotifyEvent OnChange;

protected:
    virtual void Changed();
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& message) override;

private:
    void ApplySelection();

    int min_ = 0;
    int max_ = 10;
    int position_ = 0;
    int frequency_ = 1;
    int lineSize_ = 1;
    int pageSize_ = 2;
    TTrackBarOrientation orientation_ = trHorizontal;
    TTickMark tickMarks_ = tmBottomRight;
    TTickStyle tickStyle_ = tsAuto;
    int selStart_ = 0;
    int selEnd_ = 0;
    int thumbLength_ = 20;
    bool sliderVisible_ = true;
};

}  // namespace parch
