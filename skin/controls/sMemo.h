#pragma once
// TsMemo: the multi-line memo in the loaded skin. The memo control paints its own text; a
// scroll adapter on its window draws the border from the edit section and the scroll bars
// from the skin.

#include <memory>

#include "framework/StdCtrls.h"
#include "skin/controls/sPanel.h"
#include "skin/engine/sBoundLabel.h"
#include "skin/engine/sColorTransforms.h"
#include "skin/frames/acSBUtils.h"

namespace parch {

class TsMemo : public TsSkinnedControl<TMemo, TsCtrlSkinData> {
public:
    explicit TsMemo(TComponent* owner);
    ~TsMemo() override;

    void Loaded() override;
    TsDisabledKind DisabledKind() const { return disabledKind_; }
    void SetDisabledKind(TsDisabledKind value);
    TsBoundLabel& BoundLabel() const { return *boundLabel_; }
    // The adapter that skins the window's frame and bars; nullptr while unskinned.
    TacScrollWnd* ScrollAdapter() const { return adapter_.get(); }

    TNotifyEvent OnScrollCaret;
    TNotifyEvent OnVScroll;

protected:
    void WndProc(TMessage& message) override;
    void CreateWnd() override;

private:
    bool AnswerOwnSkinCommand(TMessage& message);
    void AfterStandardProcessing(const TMessage& message);
    void RedrawFrameAndClient();

    TsDisabledKind disabledKind_ = kDisabledBlended;
    std::unique_ptr<TsBoundLabel> boundLabel_;
    std::unique_ptr<TacScrollWnd> adapter_;
};

}  // namespace parch
