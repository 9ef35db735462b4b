#pragma once
// The skeleton every skinned control of this library shares, and TsPanel, the panel drawn in
// the loaded skin.
//
// A skinned control owns its skin data (published as "SkinData"), resolves its section once it
// is constructed and again when loaded, answers the skin commands of its life cycle itself and
// hands everything else to the shared control handler first. It paints from its 32-bit cache,
// rebuilt only when its background changed. Without an active skin it behaves as its base.

#include <memory>
#include <string>

#include "bitmap32/PropertyTable.h"
#include "framework/ExtCtrls.h"
#include "framework/Messages.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sConst.h"

namespace parch {

// Commands 1, 2 and 3 concern the control only when they come from its own manager.
bool IsOwnManagerCommand(const TMessage& message, const TsCommonData& data);
// Frame, erase, invalidate and update at once.
void RedrawControlNow(TWinControl& control);
// The skin commands every skinned control answers alike, whether it is skinned or not:
// 1 (skin loaded), 2 (removed), 3 (refresh), 7 (skinned?) and 60 (application). Windowed
// controls pass 1, 2 and 3 on to their children. True when the message needs nothing more.
bool HandleSkinLifecycleCommand(TControl& control, TsCommonData& data, TMessage& message);
// The cache (rebuilt first when due) into the DC of a request for the finished image
// (WM_ERASEBKGND with WParam = LParam), or the window's background colour when painting flat.
void CopyFinishedImage(TWinControl& control, TsCommonData& data, HDC dc, bool cacheMode);

template <class Base, class Data = TsCommonData>
class TsSkinnedControl : public Base, public IPublishedProperties {
public:
    TsSkinnedControl(TComponent* owner, int controlKind, bool createCache = true)
        : Base(owner), skinData_(std::make_unique<Data>(this, createCache)) {
        skinData_->ControlKind = controlKind;
    }
    // Hosts being torn down ignore what their skin data still sends them.
    ~TsSkinnedControl() override { this->Destroying(); }
    TsSkinnedControl(const TsSkinnedControl&) = delete;
    TsSkinnedControl& operator=(const TsSkinnedControl&) = delete;

    Data& SkinData() const { return *skinData_; }

    void Loaded() override {
        Base::Loaded();
        skinData_->Loaded();
    }

    const TPropertyTable& PublishedProperties() const override {
        static const TPropertyTable table = {
            {"SkinData", TTypeKind::tkClass, {}, {}, [](const TObject& object) -> TPersistent* {
                 return &static_cast<const TsSkinnedControl&>(object).SkinData();
             }}};
        return table;
    }

protected:
    // The last step of every concrete constructor: a control made at run time gets its
    // section at once.
    void AfterConstruction() { skinData_->Loaded(); }

private:
    std::unique_ptr<Data> skinData_;
};

class TsPanel : public TsSkinnedControl<TPanel> {
public:
    explicit TsPanel(TComponent* owner);

    void Loaded() override;
    void Invalidate() override;

    // The whole skinned panel into the DC (the panel's canvas for nullptr); nothing unless the
    // panel is showing and skinned.
    virtual void PaintAll(HDC dc, bool refreshChildren);
    // The caption centred vertically in R, in the section's font colours.
    virtual void WriteText(RECT r, TCanvas* canvas, HDC dc);
    // Rebuilds the cache: face over the parent's backdrop, caption, OnPaint.
    void PrepareCache();

    // Called after the panel drew its face and caption, with the canvas it drew on.
    TPaintEvent OnPaint;
    // The BevelOuter last seen; a change switches between the sections that belong to it.
    TBevelCut LastBevelOuter = bvRaised;

protected:
    void WndProc(TMessage& message) override;
    void PaintWindow(HDC dc) override;
    void Paint() override;

private:
    bool CacheMode() const;
    RECT CaptionRect() const;
    void SwitchSectionForBevel();
    void PaintCached(HDC dc, bool refreshChildren);
    void PaintFlat(HDC dc, bool refreshChildren);
    void FinishPainting(HDC dc, bool refreshChildren);
    void CaptionAndPaintEvent(HDC dc);
    void UnskinnedWndProc(TMessage& message);
    void SkinnedWndProc(TMessage& message);
    void PaintMessage(TMessage& message);
    int EdgeInset() const;
};

}  // namespace parch
