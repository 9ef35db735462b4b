#pragma once
// TsCheckBox, the framework's check box painted entirely in the skin while one is active: the
// face from its section, the glyph from the skin (or the user's bitmaps or image list), the
// caption in the section's colours and a dotted focus frame. While skinned it handles mouse and
// keys itself, so that the platform's button never paints or toggles on its own.

#include <memory>

#include "framework/ImgList.h"
#include "framework/StdCtrls.h"
#include "skin/controls/sFade.h"
#include "skin/controls/sPanel.h"

namespace parch {

// The frames of a glyph strip whose frames are square: width div height when the width is a
// multiple of the height, else 1 (a strip of one frame). 0 for an empty strip.
int GlyphFrameCount(int width, int height);

class TsCheckBox : public TsSkinnedControl<TCustomCheckBox> {
public:
    explicit TsCheckBox(TComponent* owner);
    ~TsCheckBox() override;

    void Loaded() override;
    void SetChecked(bool value) override;
    virtual bool GetReadOnly() const { return readOnly_; }

    int Margin() const { return margin_; }
    void SetMargin(int value);
    int TextIndent() const { return textIndent_; }
    void SetTextIndent(int value);
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    TsDisabledKind DisabledKind() const { return disabledKind_; }
    void SetDisabledKind(TsDisabledKind value);
    TacAnimatEvents AnimatEvents() const { return animatEvents_; }
    void SetAnimatEvents(TacAnimatEvents value) { animatEvents_ = value; }
    TBitmap& GlyphChecked() { return *glyphChecked_; }
    void SetGlyphChecked(TBitmap* value);
    TBitmap& GlyphUnChecked() { return *glyphUnChecked_; }
    void SetGlyphUnChecked(TBitmap* value);
    int ImgChecked() const { return imgChecked_; }
    void SetImgChecked(int value);
    int ImgUnchecked() const { return imgUnchecked_; }
    void SetImgUnchecked(int value);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    // Where the glyph lies in the control.
    RECT CheckRect();
    // Whether the box is held down by the mouse or the space bar.
    bool Pressed() const { return pressed_; }
    // Rebuilds the cache: face, caption, glyph, disabled look.
    void PrepareCache();
    // The cache into the DC, unless painting must wait or a fade runs.
    void PaintCached(HDC dc);

    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void WndProc(TMessage& message) override;
    bool CanAutoSize(int& width, int& height) override;
    TAlignment GetControlsAlignment() const;
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool Loading() const;
    bool Designing() const;
    bool Skinned() const;
    bool UsesImageList() const;
    TBitmap* UserGlyph();
    int SkinGlyphIndex() const;
    SIZE GlyphSize();
    int CurrentFrame(int frames) const;
    int LookState() const;
    void AdjustIfAutoSize();
    void PaintText();
    void PaintGlyph();
    void DrawGlyphFrame(TBitmap& strip, SIZE glyph);
    void PaintMessage(TMessage& message);
    void StopFadeIfSizeChanged();
    void Press();
    void ReleaseAndToggle(bool toggle);
    bool HandleFocusAndHover(TMessage& message);
    bool HandleSkinnedMessage(TMessage& message);
    void HandleUnskinnedMessage(TMessage& message);

    int margin_ = 2;
    int textIndent_ = 0;
    bool showFocus_ = true;
    bool readOnly_ = false;
    bool wordWrap_ = false;
    TsDisabledKind disabledKind_ = 1u << dkBlended;
    TacAnimatEvents animatEvents_ = 1u << aeGlobalDef;
    std::unique_ptr<TBitmap> glyphChecked_;
    std::unique_ptr<TBitmap> glyphUnChecked_;
    int imgChecked_ = 0;
    int imgUnchecked_ = 0;
    TCustomImageList* images_ = nullptr;
    bool pressed_ = false;
    TsFadeTimer* fadeTimer_ = nullptr;
};

}  // namespace parch
