#pragma once
// TsButton: the push button made owner-drawn and drawn in the skin, with command-link and
// split-button styles, a note under a command link, images per state and a focus frame. It
// behaves as the bit button in everything else.

#include <functional>
#include <string>

#include "framework/Menus.h"
#include "skin/controls/sBitBtn.h"

namespace parch {

// Extra space around a button's image.
class TImageMargins : public TPersistent {
public:
    int Left() const { return values_[0]; }
    int Top() const { return values_[1]; }
    int Right() const { return values_[2]; }
    int Bottom() const { return values_[3]; }
    // Index 0 Left, 1 Top, 2 Right, 3 Bottom; a changed value calls Change.
    void SetMargin(int index, int value);
    // Copies all four from another TImageMargins and calls Change once; other sources go to
    // the inherited Assign.
    using TPersistent::Assign;
    void Assign(const TImageMargins& source);
    virtual void Change();

    std::function<void()> OnChange;

private:
    int values_[4] = {0, 0, 0, 0};
};

enum class TImageAlignment { iaLeft, iaRight, iaTop, iaBottom, iaCenter };
using enum TImageAlignment;

class TsButton : public TsPushButton<TButton> {
public:
    enum class TButtonStyle { bsPushButton, bsCommandLink, bsSplitButton };
    using enum TButtonStyle;

    explicit TsButton(TComponent* owner);

    void Loaded() override;
    int CurrentState() override;
    void PrepareCache() override;
    TsButtonGlyphInputs ButtonGlyphInputs() override;

    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle value) { SetChanged(style_, value); }
    const std::string& CommandLinkHint() const { return commandLinkHint_; }
    void SetCommandLinkHint(const std::string& value) { SetChanged(commandLinkHint_, value); }
    int ContentMargin() const { return contentMargin_; }
    void SetContentMargin(int value) { SetChanged(contentMargin_, value); }
    TImageAlignment ImageAlignment() const { return imageAlignment_; }
    void SetImageAlignment(TImageAlignment value);
    TImageMargins& ImageMargins() { return imageMargins_; }
    int HotImageIndex = -1;
    int PressedImageIndex = -1;
    int SelectedImageIndex = -1;
    int DisabledImageIndex = -1;
    TPopupMenu* DropDownMenu = nullptr;

    // The image of the present state, falling back on ImageIndex.
    int ImageIndexForState();
    RECT CaptionRect();
    RECT ImageRect();
    bool DroppedDown() const { return droppedDown_; }

protected:
    void CreateParams(TCreateParams& params) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool HasValidImage();
    SIZE ImageSizeWithMargins();
    SIZE MeasureCaption();
    int ContentWidth() const;
    void DrawCaption(TCanvas* canvas);
    void DrawImage();
    void DrawSplitPart(int state);

    TButtonStyle style_ = bsPushButton;
    std::string commandLinkHint_;
    int contentMargin_ = 6;
    TImageAlignment imageAlignment_ = iaLeft;
    TImageMargins imageMargins_;
    bool droppedDown_ = false;
};

}  // namespace parch
