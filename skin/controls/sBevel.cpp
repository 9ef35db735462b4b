#include "skin/controls/sBevel.h"

#include "framework/Application.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "skin/controls/sPanel.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sVclUtils.h"

namespace parch {
namespace {

constexpr int kBevelKind = 92;
constexpr int kBevelStrip = 3;

}  // namespace

std::string BevelSectionName(TBevelShape shape, TBevelStyle style) {
    if (shape == bsFrame) return "GROUPBOX";
    return style == bsRaised ? "PANEL" : "PANEL_LOW";
}

TsBevel::TsBevel(TComponent* owner)
    : TBevel(owner), skinData_(std::make_unique<TsCommonData>(this, true)), lastStyle_(Style()), lastShape_(Shape()) {
    skinData_->ControlKind = kBevelKind;
    ChooseSection();
    skinData_->Loaded();
}

TsBevel::~TsBevel() { Destroying(); }

void TsBevel::Loaded() {
    TBevel::Loaded();
    ChooseSection();
    skinData_->Loaded();
}

void TsBevel::ChooseSection() {
    lastStyle_ = Style();
    lastShape_ = Shape();
    skinData_->SetSkinSection(BevelSectionName(Shape(), Style()));
}

void TsBevel::Invalidate() {
    if (Style() != lastStyle_ || Shape() != lastShape_) {
        ChooseSection();
        skinData_->BackgroundDirty = true;
    }
    TBevel::Invalidate();
}

void TsBevel::RebuildCache() {
    TsCommonData& data = *skinData_;
    data.PrepareCacheBitmap();
    TsBackgroundSource backdrop = EmptyBackdrop;
    if (Parent() != nullptr) {
        TsBackgroundRequest request;
        GetControlBackdrop(request, *Parent(), false);
        backdrop = BackdropFromQuery(request);
    }
    PaintSkinSection(data.SectionIndex, data.SkinSection(), backdrop, 0, RECT{0, 0, Width(), Height()},
                     POINT{Left(), Top()}, *data.CacheBitmap, data.GetSkinManager(), data.PatternIndex,
                     data.HotPatternIndex);
}

void TsBevel::Paint() {
    TsCommonData& data = *skinData_;
    if (!data.IsSkinned() || Shape() == bsSpacer) {
        TBevel::Paint();
        return;
    }
    // The flag stays set: the cache follows what lies behind on every paint.
    if (data.BackgroundDirty) RebuildCache();
    HDC dc = Canvas().Handle();
    HDC cache = data.CacheBitmap->Canvas().Handle();
    const int w = Width();
    const int h = Height();
    const int s = kBevelStrip;
    switch (Shape()) {
        case bsBox:
        case bsFrame:
            CopyFrameStrips(dc, 0, 0, w, h, cache, 0, 0, s);
            break;
        case bsTopLine:
            BitBlt(dc, s, 0, w - 2 * s, s, cache, s, 0, SRCCOPY);
            break;
        case bsBottomLine:
            BitBlt(dc, s, h - s, w - 2 * s, s, cache, s, h - s, SRCCOPY);
            break;
        case bsLeftLine:
            BitBlt(dc, 0, s, s, h - 2 * s, cache, 0, s, SRCCOPY);
            break;
        case bsRightLine:
            BitBlt(dc, w - s, s, s, h - 2 * s, cache, w - s, s, SRCCOPY);
            break;
        case bsSpacer:
            break;
    }
}

void TsBevel::WndProc(TMessage& message) {
    TsCommonData& data = *skinData_;
    if (message.Msg == SkinCommandMessage) {
        switch (SkinCommandOf(message.WParam)) {
            case scSkinLoaded:
                if (IsOwnManagerCommand(message, data)) SharedControlMessageHandler(message, &data);
                return;
            case scSkinRemoved:
                if (IsOwnManagerCommand(message, data) && (ComponentState() & csDestroying) == 0) {
                    SharedControlMessageHandler(message, &data);
                    if (Visible()) Repaint();
                }
                break;
            case scRefreshFromSkin:
                if (IsOwnManagerCommand(message, data)) {
                    SharedControlMessageHandler(message, &data);
                    if (Visible()) Repaint();
                }
                return;
            case scIsSkinned:
                message.Result = 1;
                return;
            case scAnimationFrameReady:
                data.SetUpdating(false);
                data.BackgroundDirty = true;
                Repaint();
                break;
            case scGetApplication:
                message.Result = reinterpret_cast<LRESULT>(Application);
                return;
            default:
                break;
        }
    }
    if (ControlCanPaint(this) && data.IsSkinned()) {
        switch (message.Msg) {
            case WM_SIZE:
            case WM_WINDOWPOSCHANGED:
                if (Visible()) data.BackgroundDirty = true;
                break;
            case WM_ERASEBKGND:
                return;
            default:
                if (SharedControlMessageHandler(message, &data)) return;
        }
    }
    TBevel::WndProc(message);
}

}  // namespace parch
