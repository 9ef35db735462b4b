#pragma once
// The standard controls: TButton and TLabel.

#include <string>

#include "framework/CustomControls.h"
#include "framework/Forms.h"
#include "framework/GraphicControls.h"

namespace parch {

// A push button that can be the form's default (Enter) or cancel (Escape) button and sets
// the form's ModalResult when clicked.
class TButton : public TCustomControl {
public:
    explicit TButton(TComponent* owner);

    bool Default() const { return default_; }
    void SetDefault(bool value) { default_ = value; }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    void Click() override;
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void Paint() override;
    void Dispatch(TMessage& message) override;

private:
    bool default_ = false;
    bool cancel_ = false;
    TModalResult modalResult_ = mrNone;
};

enum class TTextLayout { tlTop, tlCenter, tlBottom };
using enum TTextLayout;

// Whether key is the accelerator of caption: the character after a single '&' (no case).
bool IsAccel(char16_t key, const std::string& caption);

// A windowless text: one line or wrapped, aligned in its rectangle, with an '&' marking the
// accelerator that focuses FocusControl. AutoSize fits the rectangle to the text.
class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);
    ~TCustomLabel() override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // Draws no background: what lies behind shows.
    bool Transparent() const { return !(ControlStyle() & csOpaque); }
    void SetTransparent(bool value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* control);
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    // Draws (or with DT_CALCRECT measures into rect) the caption with the label's font.
    virtual void DoDrawText(RECT& rect, UINT flags);
    virtual std::string GetLabelText() const { return Caption(); }
    void Paint() override;
    void Dispatch(TMessage& message) override;
    bool CanAutoSize(int& width, int& height) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    // Fits the bounds to the text when AutoSize is on, keeping the aligned edge in place.
    void AdjustBounds();

private:
    UINT TextFlags() const;
    RECT MeasureText();

    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
public:
    using TCustomLabel::TCustomLabel;
};

}  // namespace parch
