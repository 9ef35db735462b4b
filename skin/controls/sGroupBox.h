#pragma once
// TsGroupBox: the group box drawn in the skin, its caption on a band at the top (the skin's
// "CHECKBOX" section or a section of its own), placed left, centred or right.

#include <string>

#include "framework/StdCtrls.h"
#include "skin/controls/sPanel.h"

namespace parch {

class TsGroupBox;

// Space around a group box's caption inside its band.
class TsMargin : public TPersistent {
public:
    explicit TsMargin(TsGroupBox* owner) : owner_(owner) {}
    int Left() const { return values_[0]; }
    int Top() const { return values_[1]; }
    int Right() const { return values_[2]; }
    int Bottom() const { return values_[3]; }
    // Index 0 Left, 1 Top, 2 Right, 3 Bottom; the owner is invalidated even when the value
    // stays.
    void SetValue(int index, int value);

private:
    TsGroupBox* owner_;
    int values_[4] = {2, 0, 2, 0};
};

enum class TsGroupCaptionLayout { clTopLeft, clTopCenter, clTopRight };
using enum TsGroupCaptionLayout;

class TsGroupBox : public TsSkinnedControl<TGroupBox> {
public:
    explicit TsGroupBox(TComponent* owner);

    TsGroupCaptionLayout CaptionLayout() const { return captionLayout_; }
    void SetCaptionLayout(TsGroupCaptionLayout value);
    TsMargin& CaptionMargin() { return captionMargin_; }
    int CaptionYOffset() const { return captionYOffset_; }
    void SetCaptionYOffset(int value);
    const std::string& CaptionSkin() const { return captionSkin_; }
    void SetCaptionSkin(const std::string& value);
    int CaptionWidth() const { return captionWidth_; }
    void SetCaptionWidth(int value);

    // The caption band in the box's coordinates.
    RECT CaptionRect();
    void PaintAll(HDC dc);
    void PrepareCache();

protected:
    void WndProc(TMessage& message) override;
    void AdjustClientRect(RECT& rect) override;
    void Paint() override;

private:
    void WriteCaption(RECT band, const TsBackgroundSource& backdrop);
    void SkinnedWndProc(TMessage& message);
    void ChangedValue(int& field, int value);

    TsGroupCaptionLayout captionLayout_ = clTopLeft;
    TsMargin captionMargin_{this};
    int captionYOffset_ = 0;
    std::string captionSkin_;
    int captionWidth_ = 0;
};

}  // namespace parch
