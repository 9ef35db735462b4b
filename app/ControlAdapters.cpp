#include "app/ControlAdapters.h"

#include "base/SysUtils.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "framework/UpDown.h"
#include "base/NumberText.h"

#include <algorithm>

namespace parch {

void TProgressGauge::SetMaxValue(int value) {
    max_ = std::max(value, 0);
    Refresh();
}

void TProgressGauge::SetProgress(int value) {
    progress_ = std::clamp(value, 0, max_);
    Refresh();
}

void TProgressGauge::SetShowText(bool value) {
    showText_ = value;
    Refresh();
}

int TProgressGauge::Percent() const {
    return max_ == 0 ? 0 : static_cast<int>(static_cast<long long>(progress_) * 100 / max_);
}

TPagerSpin::TPagerSpin(TEdit* edit, TUpDown* arrows) : edit_(edit), arrows_(arrows) {
    // Every arrow press is refused as a step and handed to the window instead.
    arrows_->OnChangingEx = [this](TObject*, bool& allowChange, int, TUpDownDirection direction) {
        allowChange = false;
        const std::function<void()>& handler = direction == updUp ? OnUpClick : OnDownClick;
        if (handler) handler();
    };
}

double TPagerSpin::Value() const {
    const std::string text = Trim(edit_->Text());
    return IsDecimalText(text) ? DecimalStrToFloat(text) : 0;
}

void TPagerSpin::SetValue(double value) {
    if (max_ > min_) value = std::clamp(value, min_, max_);
    edit_->SetText(FormatFloat("0", value));
}

void TPagerSpin::SetEnabled(bool value) {
    edit_->SetEnabled(value);
    arrows_->SetEnabled(value);
}

bool TPagerSpin::Enabled() const { return edit_->Enabled(); }

void TProgressGauge::Refresh() { panel_->SetCaption(showText_ ? IntToStr(Percent()) + "%" : std::string()); }

std::string SizeSpinText(const std::string& text) {
    const std::optional<std::int32_t> value = TryStrToInt(Trim(text));
    if (!value) return "16";
    return IntToStr(std::clamp(*value, 1, 9999));
}

}  // namespace parch
