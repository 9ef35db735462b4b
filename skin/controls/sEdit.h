#pragma once
// TsEdit: the single-line edit drawn in the loaded skin. The edit control keeps typing,
// selection and the caret; the border, the face and, while the edit is neither focused nor
// under the mouse, the text come from the control's cache.

#include <memory>

#include "framework/StdCtrls.h"
#include "skin/controls/sPanel.h"
#include "skin/engine/sBoundLabel.h"
#include "skin/engine/sColorTransforms.h"

namespace parch {

// The frame an edit's border style gives it: 0 without a border, else 2 in 3-D and 1 flat.
int EditFrameWidth(const TCustomEdit& edit);
// The width of the non-client strips: the frame, or without one the number of bevels.
int EditNonClientWidth(const TCustomEdit& edit);
// Inset of the text from the window's edge: 3-D term, 1, and the bevels when a bevel kind is set.
int EditTextInset(const TCustomEdit& edit);

// Keeps an edit-like control's bound label placed and in step with the control's visibility,
// enabled state (a label stays enabled when the disabled look is not blended) and reading order.
void FollowWithBoundLabel(TsBoundLabel* boundLabel, const TWinControl& control, TsDisabledKind disabledKind,
                          const TMessage& message);

class TsEdit : public TsSkinnedControl<TEdit, TsCtrlSkinData> {
public:
    explicit TsEdit(TComponent* owner);
    ~TsEdit() override;

    TsDisabledKind DisabledKind() const { return disabledKind_; }
    void SetDisabledKind(TsDisabledKind value);
    TsBoundLabel& BoundLabel() const { return *boundLabel_; }

    // Rebuilds the cache: face for the paint state, text, the disabled look.
    virtual void PrepareCache();
    // The text (or its password mask) into the cache.
    virtual void PaintText();

    // 1 when the edit is focused or under the mouse, else 0.
    int PaintState() const;

protected:
    void WndProc(TMessage& message) override;
    void CreateWnd() override;
    // The cache onto the DC (the window DC for nullptr). beginPaint validates the window first.
    void PaintFromCache(HDC dc, bool beginPaint);
    // The border strips from the cache onto the window.
    void PaintBorder();
    // The text into the cache's rectangle r with the flags.
    void WriteCacheText(RECT r, UINT flags);

private:
    bool AnswerSkinCommand(TMessage& message);
    void SkinnedWndProc(TMessage& message);
    void AfterStandardProcessing(const TMessage& message);
    void PrintMessage(TMessage& message);

    TsDisabledKind disabledKind_ = kDisabledBlended;
    std::unique_ptr<TsBoundLabel> boundLabel_;
};

}  // namespace parch
