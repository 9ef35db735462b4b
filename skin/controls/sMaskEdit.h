#pragma once
// TsMaskEdit: the masked edit drawn in the loaded skin. While it is not focused its picture
// comes from its cache: the face, the edit text with the mask's literals and blanks, and the
// windowless children (a combo edit's button). Unlike the plain skinned edit it draws its text
// itself even without a skin.

#include <memory>

#include "framework/Mask.h"
#include "skin/controls/sEdit.h"

namespace parch {

class TsMaskEdit : public TsSkinnedControl<TMaskEdit, TsCtrlSkinData> {
public:
    explicit TsMaskEdit(TComponent* owner);
    ~TsMaskEdit() override;

    TsDisabledKind DisabledKind() const { return disabledKind_; }
    void SetDisabledKind(TsDisabledKind value);
    TsBoundLabel& BoundLabel() const { return *boundLabel_; }

    // The inset of the text from the window's edge: 0 without a border, else 3 in 3-D and 2 flat.
    int BorderInset() const;
    // Rebuilds the cache: face (or the edit's colour without a skin), text, the disabled look.
    void PrepareCache();

    // Places the editing rectangle; nothing here, combo edits leave room for their button.
    virtual void UpdateEditRect() {}
    // The border strips from the cache onto the DC (the window DC for nullptr).
    virtual void PaintBorder(HDC dc);
    // The edit text (or its password mask) into the cache.
    virtual void PaintText();
    // The cache, and the windowless children over it, onto the DC (the window DC for nullptr).
    virtual void PaintFromCache(HDC dc);
    // 1 while focused, else 0; the mouse does not count.
    virtual int PaintState() const;

protected:
    void WndProc(TMessage& message) override;
    void Change() override;
    void CreateWnd() override;

private:
    bool AnswerOwnSkinCommand(TMessage& message);
    void SkinnedWndProc(TMessage& message);
    void UnskinnedPaint();
    void PaintCacheToDC(HDC dc, bool beginPaint);

    TsDisabledKind disabledKind_ = kDisabledBlended;
    std::unique_ptr<TsBoundLabel> boundLabel_;
};

}  // namespace parch
