#pragma once
// TsBitBtn, the bit button drawn in the skin with its glyph from an image list, hover and press
// fading, a reflected glyph and a focus frame; and the push-button behaviour it shares with
// TsButton: the state it shows, the window region of masks with cut corners, the paint handler,
// fading on mouse events and the window procedure.

#include <memory>
#include <string>

#include "framework/Buttons.h"
#include "framework/ImgList.h"
#include "skin/controls/sFade.h"
#include "skin/controls/sGlyphUtils.h"
#include "skin/controls/sPanel.h"

namespace parch {

struct TsMaskData;

// While set a button paints as pressed even when the mouse is away.
extern bool ForcePressedLook;

// The push-button behaviour of TsBitBtn and TsButton over a framework button class.
template <class Base>
class TsPushButton : public TsSkinnedControl<Base, TsCtrlSkinData>, public IsButtonGlyphSource {
public:
    TsPushButton(TComponent* owner, int controlKind);
    ~TsPushButton() override;

    // 2 pressed, 1 hot (focused, under the mouse or the active default button), 0 normal.
    virtual int CurrentState();
    // CurrentState limited to the section's states.
    int PaintState();
    // Rebuilds the cache in the present state.
    virtual void PrepareCache() = 0;

    TacAnimatEvents AnimatEvents = 1u << aeGlobalDef;
    TsDisabledKind DisabledKind = 1u << dkBlended;
    bool Down() const { return down_; }
    void SetDown(bool value);
    int FocusMargin = 1;
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool value);
    bool Reflected() const { return reflected_; }
    void SetReflected(bool value);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    TsCommonData& ButtonSkinData() override { return this->SkinData(); }
    TsFadeTimer* FadeTimer() const { return fadeTimer_; }

protected:
    void WndProc(TMessage& message) override;
    void SetButtonStyle(bool isDefault) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* component, TOperation operation) override;

    // The painting's first steps: what lies behind, the sized cache, the background for the
    // state and the borders (over everything there is when drawOverBorder is set).
    TsBackgroundSource PaintFaceBackground(int state, bool drawOverBorder);
    // The borders laid over caption and glyph.
    void PaintBordersOver(int state, const TsBackgroundSource& backdrop);
    // The disabled look and the end of a rebuild.
    void FinishCache(const TsBackgroundSource& backdrop);
    // The dotted frame around the caption of a focused button whose section shows focus.
    void DrawFocusFrame(TCanvas& canvas, RECT captionRect);
    // Whether the section's borders mask is drawn in the state.
    const TsMaskData* BordersMaskFor(int state) const;
    template <class T>
    void SetChanged(T& field, T value) {
        if (field == value) return;
        field = value;
        this->SkinData().Invalidate();
    }

    bool IsDefaultActive = false;
    bool MouseClicked = false;
    bool RegionChanged = true;

private:
    void PaintHandler(HDC givenDC);
    bool CutsCornersFromRegion() const;
    void ApplyRegion(HDC dc);
    void RemoveRegion();
    void StartFade(bool half, TacAnimatEvent event);
    void SkinnedWndProc(TMessage& message);
    bool HandleAlwaysCommands(TMessage& message);
    void FocusChanged(TMessage& message, bool gained);

    TsFadeTimer* fadeTimer_ = nullptr;
    std::unique_ptr<TChangeLink> imageChangeLink_;
    TCustomImageList* images_ = nullptr;
    int imageIndex_ = -1;
    bool down_ = false;
    bool showFocus_ = true;
    bool reflected_ = false;
    bool wordWrap_ = true;
    bool regionApplied_ = false;
    bool focusRepaintLock_ = false;
    RECT lastBounds_{0, 0, 0, 0};
    HRGN pendingRegion_ = nullptr;
};

class TsBitBtn : public TsPushButton<TBitBtn> {
public:
    explicit TsBitBtn(TComponent* owner);

    void Loaded() override;
    void Invalidate() override;
    void PrepareCache() override;
    TsButtonGlyphInputs ButtonGlyphInputs() override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value) { SetChanged(alignment_, value); }
    TAlignment TextAlignment() const { return textAlignment_; }
    void SetTextAlignment(TAlignment value) { SetChanged(textAlignment_, value); }
    int Blend() const { return blend_; }
    // Stored within 0..100.
    void SetBlend(int value);
    bool Grayed() const { return grayed_; }
    void SetGrayed(bool value) { SetChanged(grayed_, value); }
    bool ShowCaption() const { return showCaption_; }
    void SetShowCaption(bool value) { SetChanged(showCaption_, value); }
    bool DrawOverBorder() const { return drawOverBorder_; }
    void SetDrawOverBorder(bool value) { SetChanged(drawOverBorder_, value); }
    int TextOffset() const { return textOffset_; }
    void SetTextOffset(int value);
    TsDisabledGlyphKind DisabledGlyphKind = 1u << dgBlended;

    // Results of the last layout.
    RECT CaptionRect{0, 0, 0, 0};
    POINT GlyphPos{0, 0};
    TBmpPaintEvent OnPaint;

    // The glyph's place for the state: moved by (1,1) pressed and lifted when reflected.
    RECT BitBtnGlyphRect();
    SIZE GlyphSize();

private:
    bool ImagesSupplyGlyph();
    void Layout();
    void DrawCaption(TCanvas* canvas);

    TAlignment alignment_ = taCenter;
    TAlignment textAlignment_ = taCenter;
    int blend_ = 0;
    bool grayed_ = false;
    bool showCaption_ = true;
    bool drawOverBorder_ = true;
    int textOffset_ = 0;
    TButtonLayout lastLayout_ = blGlyphLeft;
};

}  // namespace parch
