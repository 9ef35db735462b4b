#pragma once
// TsSpeedButton: the windowless speed button drawn in the skin, with tool-button styles
// (button, check, drop-down with a menu, separator, divider), an image-list glyph, hover and
// press animation and a reflected glyph. It paints its cache onto the parent's canvas.

#include "framework/Buttons.h"
#include "framework/Menus.h"
#include "framework/ToolBar.h"
#include "skin/controls/sFade.h"
#include "skin/controls/sGlyphUtils.h"
#include "skin/controls/sPanel.h"

namespace parch {

class TsSpeedButton : public TsSkinnedControl<TSpeedButton, TsCtrlSkinData>, public IsButtonGlyphSource {
public:
    explicit TsSpeedButton(TComponent* owner);
    ~TsSpeedButton() override;

    void Loaded() override;

    // 2 down, 1 hot or focused, 0 normal.
    int CurrentState();
    RECT CaptionRect();
    RECT GlyphRect();
    int GlyphWidth();
    int GlyphHeight();
    void PrepareCache();
    // Paints at once, without waiting for the parent's next paint.
    void RepaintNow();
    TsButtonGlyphInputs ButtonGlyphInputs() override;
    TsCommonData& ButtonSkinData() override { return SkinData(); }

    TToolButtonStyle ButtonStyle() const { return buttonStyle_; }
    // A drop-down button is 16 pixels wider than the others.
    void SetButtonStyle(TToolButtonStyle value);
    TPopupMenu* DropdownMenu = nullptr;
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    int Blend() const { return blend_; }
    void SetBlend(int value);
    bool Grayed = false;
    bool Reflected = false;
    bool ShowCaption = true;
    bool DrawOverBorder = true;
    int TextOffset = 0;
    TAlignment Alignment = taCenter;
    TAlignment TextAlignment = taCenter;
    TacAnimatEvents AnimatEvents = 1u << aeGlobalDef;
    TsDisabledKind DisabledKind = 1u << dkBlended;
    TsDisabledGlyphKind DisabledGlyphKind = 1u << dgBlended;
    TBmpPaintEvent OnPaint;
    bool DroppedDown() const { return droppedDown_; }
    TsAnimTimer* AnimTimer() const { return animTimer_.get(); }

protected:
    void WndProc(TMessage& message) override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    int ArrowWidth() const;
    int MarginOffset() const;
    SIZE MeasureCaption();
    void DrawCaption(int state);
    void PaintArrowPart(const TsBackgroundSource& backdrop, int& faceState);
    void DoAnimation(bool half, bool allowed);
    void StartAnimation(bool half);
    void StopAnimation();
    void MouseEntered();
    void MouseLeft();
    void OpenDropDown();
    bool Separating() const;

    std::unique_ptr<TsAnimTimer> animTimer_;
    TToolButtonStyle buttonStyle_ = TToolButtonStyle::tbsButton;
    TCustomImageList* images_ = nullptr;
    int imageIndex_ = -1;
    int blend_ = 0;
    bool droppedDown_ = false;
    bool storedDown_ = false;
};

}  // namespace parch
