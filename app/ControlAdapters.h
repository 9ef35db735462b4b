#pragma once
// What the window needs of its controls beyond the standard ones: the gauge with its
// percentage text, and the value rule of the size spin. The skinned controls bring these once
// the window uses them.

#include <functional>
#include <string>

namespace parch {

class TEdit;
class TPanel;
class TUpDown;

// A progress gauge over a panel: the panel's caption is the percentage while the text shows.
class TProgressGauge {
public:
    explicit TProgressGauge(TPanel* panel) : panel_(panel) {}
    void SetMaxValue(int value);
    void SetProgress(int value);
    void SetShowText(bool value);
    int MaxValue() const { return max_; }
    int Progress() const { return progress_; }
    bool ShowText() const { return showText_; }
    int Percent() const;

private:
    void Refresh();

    TPanel* panel_;
    int max_ = 100;
    int progress_ = 0;
    bool showText_ = false;
};

// The preview's page spin: an edit showing a whole number with arrows beside it. Setting the
// value keeps it within the range (when the maximum is above the minimum) and rewrites the
// edit's text, which fires the edit's change event. The arrows do not step the value
// themselves: they call OnUpClick and OnDownClick.
class TPagerSpin {
public:
    TPagerSpin(TEdit* edit, TUpDown* arrows);
    double Value() const;
    void SetValue(double value);
    double MaxValue() const { return max_; }
    void SetMaxValue(double value) { max_ = value; }
    double MinValue() const { return min_; }
    void SetEnabled(bool value);
    bool Enabled() const;

    std::function<void()> OnUpClick;
    std::function<void()> OnDownClick;

private:
    TEdit* edit_;
    TUpDown* arrows_;
    double min_ = 1;
    double max_ = 0;
};

// The size spin's rule: a text that is no integer becomes "16"; a value is kept within 1 to
// 9999.
std::string SizeSpinText(const std::string& text);

}  // namespace parch
