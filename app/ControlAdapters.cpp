#include "app/ControlAdapters.h"

#include "base/SysUtils.h"
#include "framework/ExtCtrls.h"

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

void TProgressGauge::Refresh() { panel_->SetCaption(showText_ ? IntToStr(Percent()) + "%" : std::string()); }

std::string PlainHintText(const std::string& hint) {
    std::string text;
    for (std::size_t i = 0; i < hint.size();) {
        if (hint[i] != '<') {
            text += hint[i++];
            continue;
        }
        const std::size_t close = hint.find('>', i);
        if (close == std::string::npos) {
            text += hint.substr(i);
            break;
        }
        if (LowerCase(hint.substr(i, close + 1 - i)) == "<br>") text += '\n';
        i = close + 1;
    }
    return text;
}

std::string SizeSpinText(const std::string& text) {
    const std::optional<std::int32_t> value = TryStrToInt(Trim(text));
    if (!value) return "16";
    return IntToStr(std::clamp(*value, 1, 9999));
}

}  // namespace parch
