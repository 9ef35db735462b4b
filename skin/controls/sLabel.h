#pragma once
// Skinned labels. They are windowless and keep no skin data of their own: at every paint they
// take their font colour from the default skin manager's skin, may paint a skin section behind
// their text, and TsLabelFX draws a blurred drop shadow under its text.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/StdCtrls.h"

namespace parch {

class TBitmap;
class TsBoundLabel;
class TsSkinManager;

class TsCustomLabel : public TCustomLabel {
public:
    explicit TsCustomLabel(TComponent* owner);

    const std::string& SkinSection() const { return skinSection_; }
    void SetSkinSection(const std::string& value);
    void SetPropertyText(const std::string& name, const std::string& value) override;

    // The label's font with its colour brought in line with the skin.
    virtual TFont& GetCurrentFont();

protected:
    void WndProc(TMessage& message) override;
    void Paint() override;
    void DoDrawText(RECT& rect, UINT flags) override;

    bool Destroying() const { return (ComponentState() & csDestroying) != 0; }
    // The text as drawn: a blank stands in for an empty text (or a lone "&") when measuring,
    // so that the line keeps its height.
    std::string TextToDraw(UINT flags) const;
    UINT PrepareTextFlags(UINT flags);
    // The skin section painted behind the text during the current paint; -1 outside painting.
    int PaintSectionIndex() const { return paintSectionIndex_; }

private:
    void ApplySectionFontColor(TsSkinManager& manager);
    void PaintSectionBackdrop(TsSkinManager& manager);

    std::string skinSection_;
    int paintSectionIndex_ = -1;
};

class TsLabel : public TsCustomLabel {
public:
    explicit TsLabel(TComponent* owner);

    bool UseSkinColor() const { return useSkinColor_; }
    void SetUseSkinColor(bool value) { useSkinColor_ = value; }
    void SetPropertyText(const std::string& name, const std::string& value) override;
    TFont& GetCurrentFont() override;

protected:
    void WndProc(TMessage& message) override;

private:
    bool InFrameAtDesignTime() const;

    bool useSkinColor_ = true;
};

// The caption label an edit-like control's bound label shows; it tells the bound label when it
// goes away.
class TsEditLabel : public TsLabel {
public:
    TsEditLabel(TComponent* owner, TsBoundLabel* boundLabel);
    ~TsEditLabel() override;

    TsBoundLabel* BoundLabel() const { return boundLabel_; }

private:
    TsBoundLabel* boundLabel_;
};

class TsLabelFX;

enum TsShadowMode { smNone, smCustom, smSkin1 };

// The drop shadow of a TsLabelFX. Blur and distance are kept within the limits the painting
// can afford: 0..kMaxBlur passes and at most kMaxDistance pixels either way.
class TsShadow : public TPersistent {
public:
    static constexpr int kMaxBlur = 32;
    static constexpr int kMaxDistance = 32;

    explicit TsShadow(TsLabelFX& owner) : owner_(owner) {}

    TsShadowMode Mode() const { return mode_; }
    void SetMode(TsShadowMode value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    int BlurCount() const { return blurCount_; }
    void SetBlurCount(int value);
    int Distance() const { return distance_; }
    void SetDistance(int value);
    // The colour's red, green and blue bytes as last set.
    std::uint8_t Red() const { return red_; }
    std::uint8_t Green() const { return green_; }
    std::uint8_t Blue() const { return blue_; }
    void SetColorBytes(TColor color);

private:
    void Changed();

    TsLabelFX& owner_;
    TsShadowMode mode_ = smSkin1;
    TColor color_ = clBlack;
    int blurCount_ = 4;
    int distance_ = 1;
    std::uint8_t red_ = 0, green_ = 0, blue_ = 0;
};

enum TsKindType { ktStandard, ktCustom, ktSkin };

// Where a TsLabelFX takes its text colour from.
class TsKind : public TPersistent {
public:
    explicit TsKind(TsLabelFX& owner) : owner_(owner) {}

    TsKindType KindType() const { return kindType_; }
    void SetKindType(TsKindType value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);

private:
    TsLabelFX& owner_;
    TsKindType kindType_ = ktSkin;
    TColor color_ = clWhite;
};

class TsLabelFX : public TsCustomLabel {
public:
    explicit TsLabelFX(TComponent* owner);
    ~TsLabelFX() override;

    TsKind& Kind() { return *kind_; }
    TsShadow& Shadow() { return *shadow_; }
    void SetPropertyText(const std::string& name, const std::string& value) override;

    // How far the shadow of the last paint reached above-left (0 or less) and below-right (0 or
    // more) of the text.
    int TopLeftExtent() const { return topLeftExtent_; }
    int RightBottomExtent() const { return rightBottomExtent_; }
    // Bytes of the blur plane kept for the next paint.
    std::size_t BlurBufferSize() const { return blurPlane_.size(); }

protected:
    void DoDrawText(RECT& rect, UINT flags) override;

private:
    struct ShadowSettings {
        TColor color = clBlack;
        int blur = 0;
        int distance = 0;
    };
    ShadowSettings EffectiveShadow();
    // The text colour; with a skin section (sectionIndex >= 0) the section's colours are used.
    TColor TextColor(int& sectionIndex);
    void DrawShadowedText(RECT rect, UINT flags, const std::string& text, const ShadowSettings& shadow,
                          TColor textColor, int sectionIndex);
    void BlurMask(int blur);

    std::unique_ptr<TsKind> kind_;
    std::unique_ptr<TsShadow> shadow_;
    std::unique_ptr<TBitmap> mask_;
    std::vector<std::uint8_t> blurPlane_;
    int topLeftExtent_ = 0;
    int rightBottomExtent_ = 0;
};

}  // namespace parch
