#pragma once
// TSpeedButton: a windowless tool button with a glyph, alone or one of a group of which one
// (or, with AllowAllUp, none) is down; and the arrangement of a glyph and a caption on a
// button face.

#include <memory>
#include <string>

#include "framework/GraphicControls.h"
#include "framework/StdCtrls.h"
#include "framework/graphics/Bitmap.h"

namespace parch {

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
using enum TButtonLayout;
enum class TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using enum TButtonState;

struct TButtonArrangement {
    POINT GlyphPos;
    RECT TextBounds;
};

// Places a glyph and a caption of the given sizes in client: margin is the distance of the
// first of them from its edge (-1: centred), spacing the gap between them (-1: spread
// evenly); offset moves both (a pressed face).
TButtonArrangement ArrangeButtonGlyph(const RECT& client, POINT offset, SIZE glyphSize, SIZE textSize,
                                      TButtonLayout layout, int margin, int spacing);

// What a button face shows: the caption, the picture of the strip for the state, and how
// they are placed.
struct TButtonFace {
    std::string Caption;
    int GlyphIndex = 0;
    bool Disabled = false;
    TButtonLayout Layout = blGlyphLeft;
    int Margin = -1;
    int Spacing = 4;
};

// Draws the state's picture of a strip of numGlyphs and the caption (embossed when disabled)
// on face, arranged by ArrangeButtonGlyph.
void DrawButtonGlyphAndCaption(TCanvas& canvas, TBitmap& glyph, int numGlyphs, const TButtonFace& look,
                               const RECT& face, POINT offset, UINT textFlags);

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;

    // Buttons of one parent with the same GroupIndex (not 0) are down one at a time.
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool Down() const { return down_; }
    void SetDown(bool value);
    // A group whose down button may be clicked up again, leaving none down.
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    // Edges only while the mouse is over it or it is down.
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // NumGlyphs pictures side by side: up, disabled, down, exclusive.
    TBitmap& Glyph() { return *glyph_; }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    TButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void Paint() override;
    void Dispatch(TMessage& message) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void ActionChange(TBasicAction* sender, bool checkDefaults) override;

    TButtonState state_ = bsUp;
    bool mouseInControl_ = false;
    bool dragging_ = false;

private:
    void UpdateExclusive();
    void ButtonPressed(int group, TSpeedButton* sender);
    void DrawFace(TCanvas& canvas, RECT& face);
    void DrawGlyphAndCaption(TCanvas& canvas, const RECT& face, POINT offset);

    std::unique_ptr<TBitmap> glyph_;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool flat_ = false;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    bool transparent_ = true;
};

enum class TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
using enum TBitBtnKind;
enum class TButtonStyle { bsAutoDetect, bsWin31, bsNew };
using enum TButtonStyle;

// A push button with a glyph beside its caption, drawn by the control (owner draw). A Kind
// gives the caption, the ModalResult and a glyph of its own while Glyph is empty.
class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* owner);
    ~TBitBtn() override;

    TBitmap& Glyph() { return *glyph_; }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);
    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle value);
    void Click() override;
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void SetButtonStyle(bool isDefault) override;
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& message) override;
    // Paints the owner-drawn face of the item.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);
    // The glyph drawn: Glyph, or the kind's own.
    TBitmap* CurrentGlyph();

private:
    void Changed();

    std::unique_ptr<TBitmap> glyph_;
    std::unique_ptr<TBitmap> kindGlyph_;
    int numGlyphs_ = 1;
    TBitBtnKind kind_ = bkCustom;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    TButtonStyle style_ = bsAutoDetect;
    bool isFocused_ = false;
};

// The caption of a kind ("OK", "&Yes"...); empty for bkCustom.
std::string BitBtnCaption(TBitBtnKind kind);
TModalResult BitBtnModalResult(TBitBtnKind kind);

}  // namespace parch
