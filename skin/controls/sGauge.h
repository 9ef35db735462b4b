#pragma once
// TsGauge, a windowless progress indicator: a value between a minimum and a maximum shown as a
// horizontal or vertical bar, a pie, a needle or text only. Skinned, the bar comes from the
// progress sections over the gauge's own face and a light runs across the filled part on the
// window system's clock; unskinned, it paints itself in plain colours.

#include <cstdint>
#include <memory>
#include <string>

#include "framework/GraphicControls.h"
#include "framework/Timer.h"
#include "skin/controls/sPanel.h"

namespace parch {

enum class TsGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
using enum TsGaugeKind;

// 0 when whole is 0, else the share of part in whole in whole percent (toward zero). Both in 64
// bits: the distance between two 32-bit values does not fit 32 bits.
int PercentOf(std::int64_t part, std::int64_t whole);
// The filled length in pixels of percent of length.
int ScalePercent(int percent, int length);

class TsGauge : public TsSkinnedControl<TGraphicControl> {
public:
    static constexpr int kAnimationInterval = 22;  // ms between light steps
    static constexpr int kAnimationCycle = 2222;   // ms from one light run to the next
    static constexpr int kLightWidth = 300;

    explicit TsGauge(TComponent* owner);
    ~TsGauge() override;

    void Loaded() override;

    TsGaugeKind Kind() const { return kind_; }
    void SetKind(TsGaugeKind value);
    bool CalcPercents() const { return calcPercents_; }
    void SetCalcPercents(bool value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    bool Animated() const { return animated_; }
    void SetAnimated(bool value);
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor value);
    TColor ForeColor() const { return foreColor_; }
    void SetForeColor(TColor value);
    int MinValue() const { return minValue_; }
    // Raises EInvalidOperation for a value above MaxValue, except while loading.
    void SetMinValue(int value);
    int MaxValue() const { return maxValue_; }
    // Raises EInvalidOperation for a value below MinValue, except while loading.
    void SetMaxValue(int value);
    int Progress() const { return progress_; }
    // Clamped to MinValue..MaxValue; repaints only when the whole percentage changes.
    void SetProgress(int value);
    const std::string& ProgressSkin() const { return progressSkin_; }
    void SetProgressSkin(const std::string& value);
    bool ShowText() const { return showText_; }
    void SetShowText(bool value);
    const std::string& Suffix() const { return suffix_; }
    void SetSuffix(const std::string& value);

    int GetPercent() const;
    // The number shown (percentage or raw Progress) followed by Suffix.
    std::string ShownText() const;
    int LightWidth() const { return kLightWidth; }
    // Pixels the light moves per tick along a bar of the length.
    static int LightStep(int length);

    // Fired by every accepted change of Progress.
    TNotifyEvent OnChange;

    // What the animation sees, for those who watch it.
    int LightPosition() const { return lightPosition_; }
    int ElapsedCycleTime() const { return elapsed_; }
    bool AnimationRunning() const { return timer_->Enabled(); }
    bool HasCachedProgressImage() const { return progressImage_ != nullptr; }
    // One step of the light (the timer's handler).
    void AnimationTick();
    // The skinned picture into the skin data's cache.
    void PrepareCache();

    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void WndProc(TMessage& message) override;
    void Paint() override;

private:
    bool Loading() const;
    bool Designing() const;
    int BarLength() const;
    void DropProgressImage() { progressImage_.reset(); }
    void CopyCacheTo(HDC dc);
    void PaintAnimationFrame();
    void PaintSkinned();
    void PaintPlain();
    void PaintProgress(RECT r);
    void DrawSkinnedText(RECT r);
    void DrawTextOnBar(TBitmap& bitmap, RECT r, int sectionIndex);
    void PaintSkinnedBar(RECT r);
    void PaintStaticVerticalBar(RECT r, int sectionIndex, const std::string& sectionName);
    void PaintLyingBar(RECT r, int sectionIndex, const std::string& sectionName, bool vertical);
    void PaintFilledPart(TBitmap& work, int sectionIndex, const std::string& sectionName,
                         const TsBackgroundSource& backdrop);
    void DrawLight(TBitmap& work, int sectionIndex, const std::string& sectionName);
    void LoadLight(int thickness);
    void PaintSkinnedPie(RECT r);
    void PaintSkinnedNeedle(RECT r);
    void SkinCommand(TMessage& message);

    TsGaugeKind kind_ = gkHorizontalBar;
    bool calcPercents_ = true;
    TBorderStyle borderStyle_ = bsSingle;
    bool animated_ = true;
    TColor backColor_ = clWhite;
    TColor foreColor_ = clBlack;
    int minValue_ = 0;
    int maxValue_ = 100;
    int progress_ = 47;
    std::string progressSkin_;
    bool showText_ = true;
    std::string suffix_ = "%";

    TTimer* timer_ = nullptr;  // owned as a component
    std::unique_ptr<TBitmap> light_;
    std::unique_ptr<TBitmap> progressImage_;
    int lightPosition_ = 9999;
    int elapsed_ = kAnimationCycle + 1;
};

}  // namespace parch
