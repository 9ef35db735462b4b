#include "skin/engine/sBoundLabel.h"

#include <algorithm>

#include "framework/StdCtrls.h"
#include "framework/WinControls.h"
#include "skin/engine/sCommonData.h"

namespace parch {

namespace {

TBoundLabelFactory& BoundLabelFactory() {
    static TBoundLabelFactory factory;
    return factory;
}

std::unique_ptr<TCustomLabel> MakeBoundLabel(TWinControl& control) {
    if (BoundLabelFactory()) return BoundLabelFactory()(control);
    (void)control;
    return std::make_unique<TLabel>(nullptr);
}

}  // namespace

void SetBoundLabelFactory(TBoundLabelFactory factory) { BoundLabelFactory() = std::move(factory); }

class TsBoundLabel::LabelWatch : public TComponent {
public:
    LabelWatch(TComponent& label, std::function<void()> gone)
        : TComponent(nullptr), label_(&label), gone_(std::move(gone)) {
        label_->FreeNotification(this);
    }
    ~LabelWatch() override {
        if (label_) label_->RemoveFreeNotification(this);
    }

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation != TOperation::opRemove || component != label_) return;
        label_ = nullptr;
        gone_();
    }

private:
    TComponent* label_;
    std::function<void()> gone_;
};

TsBoundLabel::TsBoundLabel(TsCommonData& data) : data_(data) {}

TsBoundLabel::~TsBoundLabel() { DropLabel(); }

void TsBoundLabel::DropLabel() {
    watch_.reset();
    label_.reset();
}

TWinControl* TsBoundLabel::Control() const { return dynamic_cast<TWinControl*>(data_.HostControl); }

void TsBoundLabel::SetActive(bool value) {
    TWinControl* control = Control();
    if (!value) {
        DropLabel();
        active_ = false;
        return;
    }
    active_ = true;
    if (control == nullptr) return;
    if (label_ == nullptr) {
        label_ = MakeBoundLabel(*control);
        // Freed by its parent: only let go of it, the parent has freed it.
        watch_ = std::make_unique<LabelWatch>(*label_, [this] { (void)label_.release(); });
        label_->SetVisible(false);
        label_->SetParent(control->Parent());
        label_->SetFocusControl(control);
    }
    UpdateAlignment();
    label_->SetName(control->Name() + "Label");
    if (caption_.empty()) caption_ = control->Name();
    label_->SetCaption(caption_);
    label_->SetVisible(control->Visible() || (label_->ComponentState() & csDesigning) != 0);
    label_->SetEnabled(control->Enabled());
    PlaceLabel();
}

void TsBoundLabel::SetCaption(const std::string& value) {
    if (caption_ == value) return;
    caption_ = value;
    if (!active_ || label_ == nullptr) return;
    label_->SetCaption(value);
    PlaceLabel();
}

void TsBoundLabel::SetIndent(int value) {
    if (indent_ == value) return;
    indent_ = value;
    if (active_) PlaceLabel();
}

void TsBoundLabel::SetMaxWidth(int value) {
    if (maxWidth_ == value) return;
    maxWidth_ = value;
    if (active_) PlaceLabel();
}

void TsBoundLabel::SetLayout(TsCaptionLayout value) {
    if (layout_ == value) return;
    layout_ = value;
    UpdateAlignment();
    if (active_) PlaceLabel();
}

TFont& TsBoundLabel::Font() { return label_ != nullptr ? label_->Font() : font_; }

void TsBoundLabel::SetFont(const TFont& value) {
    if (label_ == nullptr) return;
    label_->SetFont(value);
    if (TWinControl* control = Control()) label_->SetParent(control->Parent());
    PlaceLabel();
}

void TsBoundLabel::UpdateAlignment() {
    if (label_ == nullptr) return;
    switch (layout_) {
        case sclLeft:
        case sclTopRight:
        case sclBottomRight: label_->SetAlignment(taRightJustify); break;
        case sclTopCenter:
        case sclBottomCenter: label_->SetAlignment(taCenter); break;
        default: label_->SetAlignment(taLeftJustify); break;
    }
}

void TsBoundLabel::PlaceLabel() {
    if (label_ == nullptr || !label_->Visible()) return;
    auto* control = label_->FocusControl();
    if (control == nullptr) return;
    label_->SetAutoSize(true);
    const int cl = control->Left(), ct = control->Top(), cw = control->Width(), ch = control->Height();
    const int lw = label_->Width(), lh = label_->Height();
    int left = cl;
    int top = ct;
    switch (layout_) {
        case sclLeft: left = cl - lw - indent_ - 4; top = ct + (ch - lh) / 2 - 1; break;
        case sclTopLeft: left = cl; top = ct - lh - indent_; break;
        case sclTopCenter: left = cl + (cw - lw) / 2; top = ct - lh - indent_; break;
        case sclTopRight: left = cl + cw - lw; top = ct - lh - indent_; break;
        case sclLeftTop: left = cl - lw - indent_ - 4; top = ct + 3; break;
        case sclBottomLeft: left = cl; top = ct + ch + indent_; break;
        case sclBottomCenter: left = cl + (cw - lw) / 2; top = ct + ch + indent_; break;
        case sclBottomRight: left = cl + cw - lw; top = ct + ch + indent_; break;
    }
    label_->SetBounds(left, top, label_->Width(), label_->Height());
    label_->SetParent(control->Parent());
    if (maxWidth_ == 0) return;
    label_->SetAutoSize(false);
    label_->SetWidth(maxWidth_);
    label_->SetWordWrap(true);
    label_->SetHeight(std::max(label_->Height(), ch));
}

}  // namespace parch
