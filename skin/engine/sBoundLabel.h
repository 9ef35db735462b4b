#pragma once
// An optional caption label kept beside an edit-like skinned control, placed by its layout,
// indent and maximum width.

#include <functional>
#include <memory>
#include <string>

#include "base/Classes.h"
#include "framework/graphics/Graphics.h"
#include "skin/engine/sConst.h"

namespace parch {

class TCustomLabel;
class TWinControl;
class TsCommonData;

// Makes the label a bound label shows (the skinned controls install their skinned label; a
// plain framework label until then). The bound label owns it until its parent frees it first:
// a parent frees its child controls, and the label is the child of the control's parent.
using TBoundLabelFactory = std::function<std::unique_ptr<TCustomLabel>(TWinControl& control)>;
void SetBoundLabelFactory(TBoundLabelFactory factory);

class TsBoundLabel : public TPersistent {
public:
    // data is the bound control's skin data; its HostControl is the control.
    explicit TsBoundLabel(TsCommonData& data);
    ~TsBoundLabel() override;

    bool Active() const { return active_; }
    void SetActive(bool value);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    int Indent() const { return indent_; }
    void SetIndent(int value);
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int value);
    TsCaptionLayout Layout() const { return layout_; }
    void SetLayout(TsCaptionLayout value);
    // The label's font while there is a label, else the own one.
    TFont& Font();
    // Only a shown label takes the font; without one nothing is kept.
    void SetFont(const TFont& value);

    TCustomLabel* Label() const { return label_.get(); }
    void UpdateAlignment();
    void PlaceLabel();

private:
    TWinControl* Control() const;
    void DropLabel();

    // Hears of the label's freeing by its parent, so the label is not freed twice.
    class LabelWatch;

    TsCommonData& data_;
    int maxWidth_ = 0;
    std::string caption_;
    TsCaptionLayout layout_ = sclLeft;
    TFont font_;
    int indent_ = 0;
    bool active_ = false;
    std::unique_ptr<TCustomLabel> label_;
    std::unique_ptr<LabelWatch> watch_;
};

}  // namespace parch
