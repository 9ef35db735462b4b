#pragma once
// Spin edits: TsBaseSpinEdit is a skinned edit with a TsSpinButton inside its right edge,
// TsDecimalSpinEdit adds a floating-point value with bounds, an increment and a fixed number
// of decimals.
//
// The spin button's two halves are drawn from the skin's "SPEEDBUTTON_SMALL" section over the
// edit's own face, with arrows in the edit's font colour; held down, a half repeats its click
// after 400 ms and then every 100 ms on the window system's clock.

#include <functional>
#include <memory>
#include <string>

#include "framework/Timer.h"
#include "skin/controls/sEdit.h"

namespace parch {

class TsSpinButton;

// One half of a spin button: where it lies in the spin button, how it is held, and the timer
// that repeats its click while it is.
class TsTimerSpeedButton {
public:
    TsTimerSpeedButton(TsSpinButton& owner, bool up);
    ~TsTimerSpeedButton();
    TsTimerSpeedButton(const TsTimerSpeedButton&) = delete;
    TsTimerSpeedButton& operator=(const TsTimerSpeedButton&) = delete;

    bool Up() const { return up_; }
    RECT BoundsRect() const { return bounds_; }
    void SetBoundsRect(RECT r) { bounds_ = r; }
    int Width() const { return bounds_.right - bounds_.left; }
    int Height() const { return bounds_.bottom - bounds_.top; }
    bool Down() const { return down_; }
    bool MouseInside = false;
    bool ShowFocus = false;
    bool AutoRepeat = true;

    // 0 normal, 1 under the mouse, 2 held down.
    int CurrentState() const;
    void MouseDown();
    void MouseUp(bool overButton);
    // The face (over the given backdrop, or the classic look without a skin) and the arrow.
    void PaintTo(HDC dc, POINT at, const TsBackgroundSource& backdrop);
    // Whether the repeat timer runs, and its interval.
    bool Repeating() const;
    unsigned RepeatInterval() const;

private:
    void TimerTick(TObject* sender);
    void DrawArrow(TCanvas& canvas, TColor color, RECT r) const;
    TColor ArrowColor() const;

    TsSpinButton& owner_;
    bool up_;
    bool down_ = false;
    RECT bounds_{0, 0, 0, 0};
    std::unique_ptr<TTimer> repeatTimer_;
};

class TsSpinButton : public TWinControl {
public:
    // owner is the edit the buttons step.
    explicit TsSpinButton(TComponent* owner);
    ~TsSpinButton() override;

    TsTimerSpeedButton& UpButton() const { return *upButton_; }
    TsTimerSpeedButton& DownButton() const { return *downButton_; }
    TsTimerSpeedButton* FocusedButton() const { return focusedButton_; }
    void SetFocusedButton(TsTimerSpeedButton* button);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* value);
    // The edit the spin button belongs to (nullptr for a lone one).
    TsEdit* OwnerEdit() const;

    void SetBounds(int left, int top, int width, int height) override;
    void LayoutButtons(int& width, int& height);
    // Both halves into the DC, the up half at the point and the down half below it.
    void PaintButtonsTo(HDC dc, POINT at);
    // Called by a half when it clicks.
    void ButtonClick(TsTimerSpeedButton& button);

    TNotifyEvent OnUpClick;
    TNotifyEvent OnDownClick;

protected:
    void WndProc(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;
    void PaintWindow(HDC dc) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;

private:
    TsTimerSpeedButton* ButtonAt(int x, int y) const;
    TsBackgroundSource BackdropOf(const TsTimerSpeedButton& button, POINT at) const;
    void SetHotButton(TsTimerSpeedButton* button);

    std::unique_ptr<TsTimerSpeedButton> upButton_;
    std::unique_ptr<TsTimerSpeedButton> downButton_;
    TsTimerSpeedButton* focusedButton_ = nullptr;
    TsTimerSpeedButton* pressedButton_ = nullptr;
    TWinControl* focusControl_ = nullptr;
};

class TsBaseSpinEdit : public TsEdit {
public:
    explicit TsBaseSpinEdit(TComponent* owner);
    ~TsBaseSpinEdit() override;

    TsSpinButton& Button() const { return *button_; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool value) { editorEnabled_ = value; }

    void PrepareCache() override;
    void PaintText() override;

    // Whether the key may be typed; it may be replaced by #0 (consumed).
    virtual bool AcceptsChar(char16_t& key);
    virtual void StepUp() = 0;
    virtual void StepDown() = 0;
    // The formatting rectangle ends left of the spin button.
    void UpdateEditRect();

    TNotifyEvent OnUpClick;
    TNotifyEvent OnDownClick;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Resize() override;
    void WndProc(TMessage& message) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char16_t& key) override;

private:
    void PlaceButton();
    void PassSkinCommandToButtons(TMessage& message);
    void FollowEnabled();

    TsSpinButton* button_ = nullptr;  // owned as a component
    TAlignment alignment_ = taLeftJustify;
    bool editorEnabled_ = true;
};

class TsDecimalSpinEdit : public TsBaseSpinEdit {
public:
    explicit TsDecimalSpinEdit(TComponent* owner);

    double Value();
    void SetValue(double value);
    double Increment() const { return increment_; }
    void SetIncrement(double value) { increment_ = value; }
    double MinValue() const { return minValue_; }
    void SetMinValue(double value) { minValue_ = value; }
    double MaxValue() const { return maxValue_; }
    void SetMaxValue(double value) { maxValue_ = value; }
    int DecimalPlaces() const { return decimalPlaces_; }
    void SetDecimalPlaces(int value);
    bool UseSystemDecSeparator() const { return useSystemDecSeparator_; }
    void SetUseSystemDecSeparator(bool value) { useSystemDecSeparator_ = value; }

    // A bound of exactly 0 is no bound.
    double ClampToBounds(double value) const;
    // The text shows the bounded stored value (not while the user's typing is applied).
    void UpdateText();

    bool AcceptsChar(char16_t& key) override;
    void StepUp() override;
    void StepDown() override;

protected:
    void WndProc(TMessage& message) override;
    void Change() override;

private:
    void ApplyTyping();
    void Paste(TMessage& message);
    void WriteText(const std::string& text);

    double value_ = 0;
    double increment_ = 1;
    double minValue_ = 0;
    double maxValue_ = 0;
    int decimalPlaces_ = 2;
    bool useSystemDecSeparator_ = true;
    bool writingText_ = false;
    bool typing_ = false;
};

// The spin edits' number text: fixed-point with the given decimals (0 to 18), "." as separator,
// no thousands separators; never "-0".
std::string SpinValueText(double value, int decimals);
// Plain decimal text as the keys type it: an optional sign, digits, at most one "." (digits on
// at least one side). Anything else (exponents, blanks, "inf") is refused.
bool TryReadSpinNumber(const std::string& text, double& value);

}  // namespace parch
