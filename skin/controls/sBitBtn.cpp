#include "skin/controls/sBitBtn.h"

#include <algorithm>

#include "framework/Application.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Regions.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/Input.h"
#include "platform/win/WindowLong.h"
#include "platform/win/Painting.h"
#include "platform/win/WinMessages.h"
#include "skin/engine/acntUtils.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sGlow.h"
#include "skin/engine/sMaskData.h"
#include "skin/engine/sMaskFrames.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinnedForms.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

bool ForcePressedLook = false;

// ----- the shared push button -----

namespace {

constexpr std::uint16_t kMaskSkipsStateZero = 0x2;

RECT MovedRect(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }
RECT GrownRect(RECT r, int d) { return RECT{r.left - d, r.top - d, r.right + d, r.bottom + d}; }
constexpr int kCornerKindCutsRegion = 2;

bool ButtonGoing(const TComponent& component) { return (component.ComponentState() & csDestroying) != 0; }
bool ButtonLoading(const TComponent& component) { return (component.ComponentState() & csLoading) != 0; }

// Hints stay off while a press is drawn; the saved setting comes back on every path.
class TsHintsOffWhilePressing {
public:
    TsHintsOffWhilePressing() : saved_(Application != nullptr && Application->ShowHint) {
        if (Application != nullptr) Application->ShowHint = false;
    }
    ~TsHintsOffWhilePressing() {
        if (Application != nullptr) Application->ShowHint = saved_;
    }
    TsHintsOffWhilePressing(const TsHintsOffWhilePressing&) = delete;
    TsHintsOffWhilePressing& operator=(const TsHintsOffWhilePressing&) = delete;

private:
    bool saved_;
};

// Redrawing switched off for the time the inherited focus handling runs.
class TsRedrawOff {
public:
    explicit TsRedrawOff(TWinControl& control) : window_(control.HandleAllocated() ? control.Handle() : nullptr) {
        if (window_) SendMessage(window_, WM_SETREDRAW, 0, 0);
    }
    ~TsRedrawOff() {
        if (window_) SendMessage(window_, WM_SETREDRAW, 1, 0);
    }
    TsRedrawOff(const TsRedrawOff&) = delete;
    TsRedrawOff& operator=(const TsRedrawOff&) = delete;

private:
    HWND window_;
};

}  // namespace

template <class Base>
TsPushButton<Base>::TsPushButton(TComponent* owner, int controlKind)
    : TsSkinnedControl<Base, TsCtrlSkinData>(owner, controlKind, true), imageChangeLink_(std::make_unique<TChangeLink>()) {
    this->SetControlStyle(this->ControlStyle() & ~csOpaque);
    imageChangeLink_->OnChange = [this](TObject*) {
        if (images_ != nullptr) this->SkinData().Invalidate();
    };
}

template <class Base>
TsPushButton<Base>::~TsPushButton() {
    StopControlFade(fadeTimer_);
    if (images_ != nullptr) images_->UnRegisterChanges(imageChangeLink_.get());
    if (pendingRegion_ != nullptr) DeleteObject(pendingRegion_);
}

template <class Base>
void TsPushButton<Base>::SetDown(bool value) {
    if (down_ == value) return;
    down_ = value;
    RegionChanged = true;
    this->SkinData().BackgroundDirty = true;
    if (!ButtonLoading(*this)) this->Repaint();
}

template <class Base>
void TsPushButton<Base>::SetShowFocus(bool value) {
    SetChanged(showFocus_, value);
}

template <class Base>
void TsPushButton<Base>::SetReflected(bool value) {
    SetChanged(reflected_, value);
}

template <class Base>
void TsPushButton<Base>::SetWordWrap(bool value) {
    SetChanged(wordWrap_, value);
}

template <class Base>
void TsPushButton<Base>::SetImageIndex(int value) {
    if (imageIndex_ == value) return;
    imageIndex_ = value;
    this->SkinData().Invalidate();
}

template <class Base>
void TsPushButton<Base>::SetImages(TCustomImageList* value) {
    if (images_ == value) return;
    if (images_ != nullptr) {
        images_->UnRegisterChanges(imageChangeLink_.get());
        images_->RemoveFreeNotification(this);
    }
    images_ = value;
    if (images_ != nullptr) {
        images_->RegisterChanges(imageChangeLink_.get());
        images_->FreeNotification(this);
    }
    this->SkinData().Invalidate();
}

template <class Base>
void TsPushButton<Base>::Notification(TComponent* component, TOperation operation) {
    Base::Notification(component, operation);
    if (operation == TOperation::opRemove && component == images_) {
        images_ = nullptr;
        if (!ButtonGoing(*this)) this->SkinData().Invalidate();
    }
}

template <class Base>
void TsPushButton<Base>::SetButtonStyle(bool isDefault) {
    Base::SetButtonStyle(isDefault);
    IsDefaultActive = isDefault;
    this->SkinData().Invalidate();
}

template <class Base>
int TsPushButton<Base>::CurrentState() {
    TsCommonData& data = this->SkinData();
    if (down_) return 2;
    bool pushed = this->HandleAllocated() && (SendMessage(this->Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    bool held = (this->ControlState() & csLButtonDown) != 0;
    if ((pushed || ForcePressedLook) && (data.MouseInside || !held)) return 2;
    bool defaultStyle = this->HandleAllocated() && (GetWindowLongPtr(this->Handle(), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON;
    if (IsDefaultActive || defaultStyle || data.IsHotOrFocused()) return 1;
    return 0;
}

template <class Base>
int TsPushButton<Base>::PaintState() {
    const TsGeneralData* section = this->SkinData().Section();
    int count = section != nullptr ? section->StateCount : 1;
    return std::min(CurrentState(), std::max(count - 1, 0));
}

template <class Base>
const TsMaskData* TsPushButton<Base>::BordersMaskFor(int state) const {
    TsCommonData& data = this->SkinData();
    TsSkinManager* manager = data.GetSkinManager();
    if (manager == nullptr || !IsValidMaskIndex(manager->Tables(), data.BordersMaskIndex)) return nullptr;
    const TsMaskData& mask = manager->Tables().Masks[static_cast<size_t>(data.BordersMaskIndex)];
    if (state == 0 && (mask.DrawFlags & kMaskSkipsStateZero) != 0) return nullptr;
    return &mask;
}

template <class Base>
bool TsPushButton<Base>::CutsCornersFromRegion() const {
    TsCommonData& data = this->SkinData();
    TsSkinManager* manager = data.GetSkinManager();
    if (manager == nullptr || !IsValidMaskIndex(manager->Tables(), data.BordersMaskIndex)) return false;
    return manager->Tables().Masks[static_cast<size_t>(data.BordersMaskIndex)].CornerKind == kCornerKindCutsRegion;
}

template <class Base>
TsBackgroundSource TsPushButton<Base>::PaintFaceBackground(int state, bool drawOverBorder) {
    TsCommonData& data = this->SkinData();
    TsBackgroundSource backdrop = data.GetParentBackground();
    data.PrepareCacheBitmap();
    TBitmap& cache = *data.CacheBitmap;
    const RECT all{0, 0, this->Width(), this->Height()};
    const POINT position{this->Left(), this->Top()};
    TColor own = data.CustomColor() ? static_cast<TColor>(ColorToRGB(this->Color())) : static_cast<TColor>(TransparentKey);
    PaintSectionBackground(data.SectionIndex, data.SkinSection(), backdrop, state, all, position, cache,
                           data.GetSkinManager(), data.PatternIndex, data.HotPatternIndex, own);
    const TsMaskData* mask = BordersMaskFor(state);
    if (mask != nullptr && drawOverBorder) {
        bool fadeRunning = fadeTimer_ != nullptr && fadeTimer_->Enabled();
        if (RegionChanged && CutsCornersFromRegion() && !AnimationInProgress && !fadeRunning) {
            if (pendingRegion_ != nullptr) DeleteObject(pendingRegion_);
            pendingRegion_ = CreateRectRgn(0, 0, this->Width(), this->Height());
            DrawBordersOnly(cache, pendingRegion_, false, *mask, state);
        } else {
            TsBackgroundSource shifted = backdrop;
            shifted.X += position.x;
            shifted.Y += position.y;
            DrawBordersMask(cache, all, shifted, *mask, state, true);
        }
    }
    ApplyHueAndSaturation(data, cache);
    return backdrop;
}

template <class Base>
void TsPushButton<Base>::PaintBordersOver(int state, const TsBackgroundSource& backdrop) {
    const TsMaskData* mask = BordersMaskFor(state);
    if (mask == nullptr) return;
    TBitmap& cache = *this->SkinData().CacheBitmap;
    if (CutsCornersFromRegion()) {
        if (pendingRegion_ != nullptr) DeleteObject(pendingRegion_);
        pendingRegion_ = CreateRectRgn(0, 0, this->Width(), this->Height());
        DrawBordersOnly(cache, pendingRegion_, false, *mask, state);
        return;
    }
    TsBackgroundSource shifted = backdrop;
    shifted.X += this->Left();
    shifted.Y += this->Top();
    DrawBordersMask(cache, RECT{0, 0, this->Width(), this->Height()}, shifted, *mask, state, true);
}

template <class Base>
void TsPushButton<Base>::FinishCache(const TsBackgroundSource& backdrop) {
    TsCommonData& data = this->SkinData();
    if (!this->Enabled())
        ApplyDisabledLook(*data.CacheBitmap, DisabledKind, GetControlBgColor(this->Parent()), backdrop,
                          POINT{this->Left(), this->Top()});
    data.BackgroundDirty = false;
}

template <class Base>
void TsPushButton<Base>::DrawFocusFrame(TCanvas& canvas, RECT captionRect) {
    TsCommonData& data = this->SkinData();
    const TsGeneralData* section = data.Section();
    if (!this->Enabled() || !this->Focused() || this->Text().empty() || !showFocus_ || section == nullptr ||
        !section->ShowFocus)
        return;
    captionRect = GrownRect(captionRect, FocusMargin);
    DrawDottedFrame(canvas, captionRect, clBtnFace, clBlack);
}

template <class Base>
void TsPushButton<Base>::ApplyRegion(HDC dc) {
    TsCommonData& data = this->SkinData();
    PaintControlBorder(data, PaintState());
    if (pendingRegion_ == nullptr || !this->HandleAllocated()) return;
    // The printing DC gets the picture, never the region.
    if (data.PrintTarget != nullptr && dc == data.PrintTarget) return;
    bool redraw = !regionApplied_ || SkinLoading;
    SetWindowRgn(this->Handle(), pendingRegion_, redraw ? 1 : 0);
    pendingRegion_ = nullptr;  // the window owns it now
    regionApplied_ = true;
    RegionChanged = false;
    lastBounds_ = this->BoundsRect();
}

template <class Base>
void TsPushButton<Base>::RemoveRegion() {
    if (regionApplied_ && this->HandleAllocated()) SetWindowRgn(this->Handle(), nullptr, 0);
    regionApplied_ = false;
    RegionChanged = true;
}

template <class Base>
void TsPushButton<Base>::PaintHandler(HDC givenDC) {
    TsCommonData& data = this->SkinData();
    if (AnimationInProgress && (givenDC == nullptr || givenDC != data.PrintTarget)) return;
    PAINTSTRUCT ps{};
    HDC dc = givenDC;
    if (dc == nullptr) dc = BeginPaint(this->Handle(), &ps);
    struct EndPaintOnExit {
        TsPushButton& button;
        bool began;
        PAINTSTRUCT& ps;
        ~EndPaintOnExit() {
            if (began) EndPaint(button.Handle(), &ps);
        }
    } endPaint{*this, givenDC == nullptr, ps};

    data.SetUpdating(data.CheckUpdating());
    if (data.PaintSuspended || (fadeTimer_ != nullptr && fadeTimer_->Enabled())) return;
    bool parentPartly = this->Parent() != nullptr && SendSkinQuery(this->Parent(), scIsPartlyOutside) == 1;
    if (data.PartlyVisible || parentPartly) data.BackgroundDirty = true;
    data.PartlyVisible =
        this->Parent() != nullptr && !RectContains(this->Parent()->ClientRect(), this->BoundsRect());
    if (RegionChanged && CutsCornersFromRegion()) {
        PrepareCache();
        ApplyRegion(dc);
    } else if (data.BackgroundDirty) {
        PrepareCache();
    }
    if (data.CacheBitmap != nullptr)
        BitBlt(dc, 0, 0, this->Width(), this->Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
}

template <class Base>
void TsPushButton<Base>::StartFade(bool half, TacAnimatEvent event) {
    StartControlFade(fadeTimer_, this->SkinData(), half, 1, AnimatEventAllowed(event, AnimatEvents));
}

template <class Base>
bool TsPushButton<Base>::HandleAlwaysCommands(TMessage& message) {
    TsCommonData& data = this->SkinData();
    if (message.Msg == WM_KILLFOCUS && ButtonGoing(*this)) return true;
    if (message.Msg != SkinCommandMessage) return false;
    bool own = IsOwnManagerCommand(message, data);
    switch (SkinCommandOf(message.WParam)) {
        case scSkinLoaded:
            if (own) {
                RegionChanged = true;
                StopControlFade(fadeTimer_);
                SharedControlMessageHandler(message, &data);
            }
            return true;
        case scSkinRemoved:
            if (own && !ButtonGoing(*this)) {
                StopControlFade(fadeTimer_);
                SharedControlMessageHandler(message, &data);
                RemoveRegion();
                this->Repaint();
            }
            return true;
        case scRefreshFromSkin:
            if (own) {
                StopControlFade(fadeTimer_);
                RemoveRegion();
                SharedControlMessageHandler(message, &data);
                RegionChanged = true;
                if (data.PrintTarget == nullptr) this->Repaint();
            }
            return true;
        case scIsSkinned:
            message.Result = 1;
            return true;
        case scNextFadeFrame:
            // The last blend is off by a level from the new look: show the look itself.
            StopControlFade(fadeTimer_);
            if (data.IsSkinned() && this->Visible()) this->Invalidate();
            return true;
        case scRebuildCache:
            PrepareCache();
            return false;
        case scGetApplication:
            message.Result = reinterpret_cast<LRESULT>(Application);
            return true;
        default:
            return false;
    }
}

template <class Base>
void TsPushButton<Base>::FocusChanged(TMessage& message, bool gained) {
    TsCommonData& data = this->SkinData();
    bool active = this->Visible() && this->Enabled() && !ButtonGoing(*this);
    if (!active) {
        TsSkinnedControl<Base, TsCtrlSkinData>::WndProc(message);
        return;
    }
    if (!gained) {
        StopControlFade(fadeTimer_);
        {
            TsRedrawOff off(*this);
            TsSkinnedControl<Base, TsCtrlSkinData>::WndProc(message);
        }
        data.HasFocus = false;
        data.Invalidate();
        data.RemoveGlow();
        return;
    }
    if (focusRepaintLock_) {
        TsSkinnedControl<Base, TsCtrlSkinData>::WndProc(message);
        return;
    }
    focusRepaintLock_ = true;
    {
        TsRedrawOff off(*this);
        TsSkinnedControl<Base, TsCtrlSkinData>::WndProc(message);
    }
    focusRepaintLock_ = false;
    if (fadeTimer_ != nullptr)
        fadeTimer_->FadeStep();
    else
        data.Invalidate();
}

template <class Base>
void TsPushButton<Base>::WndProc(TMessage& message) {
    TsCommonData& data = this->SkinData();
    if (HandleAlwaysCommands(message)) return;
    if (!data.IsSkinned()) {
        bool interactive = this->Enabled() && !ButtonGoing(*this);
        if (message.Msg == CM_MOUSEENTER && interactive) data.MouseInside = true;
        if (message.Msg == CM_MOUSELEAVE && interactive) data.MouseInside = false;
        TsSkinnedControl<Base, TsCtrlSkinData>::WndProc(message);
        return;
    }
    SkinnedWndProc(message);
}

template <class Base>
void TsPushButton<Base>::SkinnedWndProc(TMessage& message) {
    using Inherited = TsSkinnedControl<Base, TsCtrlSkinData>;
    TsCommonData& data = this->SkinData();
    if (message.Msg == SkinCommandMessage) {
        switch (SkinCommandOf(message.WParam)) {
            case scResumePainting:
                if (data.CheckUpdating()) {
                    data.SetUpdating(false);
                    this->Repaint();
                    return;
                }
                break;
            case scSetUrgentPainting:
                SharedControlMessageHandler(message, &data);
                if (data.PaintUrgent) PrepareCache();
                return;
            default:
                break;
        }
    }
    switch (message.Msg) {
        case WM_MOVE: {
            const TsGeneralData* section = data.Section();
            if (section != nullptr &&
                (section->Transparency > 0 || (section->HotTransparency > 0 && CurrentState() != 0))) {
                data.BackgroundDirty = true;
                this->Repaint();
            }
            break;
        }
        case WM_SIZE:
        case WM_WINDOWPOSCHANGING:
            RegionChanged = true;
            break;
        case WM_WINDOWPOSCHANGED:
            RegionChanged = true;
            data.BackgroundDirty = true;
            break;
        case WM_SETFOCUS:
        case CM_ENTER:
            FocusChanged(message, true);
            return;
        case WM_KILLFOCUS:
        case CM_EXIT:
            FocusChanged(message, false);
            return;
        case WM_ENABLE:
            return;
        case WM_SETTEXT:
            if (this->Showing()) {
                StopControlFade(fadeTimer_);
                TsRedrawOff off(*this);
                Inherited::WndProc(message);
                return;
            }
            break;
        case WM_PAINT:
            if (this->Visible() && this->Parent() != nullptr) {
                PaintHandler(reinterpret_cast<HDC>(message.WParam));
                message.Result = 0;
                return;
            }
            break;
        case WM_ERASEBKGND:
            if (this->Visible()) {
                bool fadeRunning = fadeTimer_ != nullptr && fadeTimer_->Enabled();
                if (message.WParam != 0 && data.CacheBitmap != nullptr && !data.BackgroundDirty && !fadeRunning) {
                    RECT all{0, 0, this->Width(), this->Height()};
                    PaintChildControls(*this, data, all, all, reinterpret_cast<HDC>(message.WParam), false, 0, 0);
                }
                message.Result = 0;
                return;
            }
            break;
        case WM_UPDATEUISTATE:
            if (this->Visible()) {
                message.Result = 0;
                return;
            }
            break;
        case WM_PRINT:
            RegionChanged = true;
            data.SetUpdating(false);
            PaintHandler(reinterpret_cast<HDC>(message.WParam));
            return;
        case CM_DIALOGCHAR:
            if (this->Enabled() && this->Focused() && message.WParam == VK_SPACE) {
                StopControlFade(fadeTimer_);
                RegionChanged = true;
                data.BackgroundDirty = true;
                data.RemoveGlow();
                this->Repaint();
            }
            break;
        case CM_TEXTCHANGED:
            if (!ButtonGoing(*this)) data.Invalidate();
            return;
        case CM_MOUSEENTER:
            if (this->Enabled() && !data.MouseInside) {
                data.MouseInside = true;
                data.BackgroundDirty = false;
                StartFade(false, aeMouseEnter);
            }
            break;
        case CM_MOUSELEAVE:
            if (this->Enabled()) {
                data.MouseInside = false;
                data.BackgroundDirty = false;
                StartFade(false, aeMouseLeave);
            }
            break;
        case CM_UIACTIVATE:
            data.SetUpdating(false);
            break;
        case CN_DRAWITEM:
            message.WParam = 0;
            message.LParam = 0;
            message.Result = 1;
            return;
        default:
            break;
    }
    if (SharedControlMessageHandler(message, &data)) return;
    Inherited::WndProc(message);
    if (ButtonGoing(*this)) return;
    switch (message.Msg) {
        case WM_SETFONT:
            if (this->Visible()) {
                data.SetUpdating(false);
                data.Invalidate();
            }
            break;
        case CM_CANCELMODE:
            data.RemoveGlow();
            break;
        case CM_VISIBLECHANGED:
            if (message.WParam != 0) {
                data.BackgroundDirty = true;
                data.SetUpdating(false);
                this->Repaint();
            }
            break;
        case CM_ENABLEDCHANGED:
            if (this->Visible()) {
                if (!this->Enabled()) StopControlFade(fadeTimer_);
                data.SetUpdating(false);
                data.Invalidate();
            }
            break;
        default:
            break;
    }
}

template <class Base>
void TsPushButton<Base>::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TsCommonData& data = this->SkinData();
    if (data.IsSkinned() && this->Enabled()) {
        data.SetUpdating(false);
        std::unique_ptr<TsHintsOffWhilePressing> hints;
        if (button == mbLeft) hints = std::make_unique<TsHintsOffWhilePressing>();
        MouseClicked = true;
        if (button == mbLeft && !down_) {
            RegionChanged = true;
            data.SetUpdating(data.CheckUpdating());
            data.BackgroundDirty = false;
            StartFade(true, aeMouseDown);
        }
    }
    Base::MouseDown(button, shift, x, y);
}

template <class Base>
void TsPushButton<Base>::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (ButtonGoing(*this)) return;
    TsCommonData& data = this->SkinData();
    if (data.IsSkinned() && this->Enabled()) {
        if (!MouseClicked) {
            StopControlFade(fadeTimer_);
        } else {
            MouseClicked = false;
            if (button == mbLeft) {
                if (fadeTimer_ != nullptr && fadeTimer_->Level < fadeTimer_->StepTotal) {
                    // The press has not been shown to its end: show it before fading back.
                    StopControlFade(fadeTimer_);
                    data.BackgroundDirty = true;
                    ForcePressedLook = true;
                    RedrawControlNow(*this);
                    ForcePressedLook = false;
                    WaitProcessingMessages(30);
                }
                data.SetUpdating(false);
                RegionChanged = true;
                data.BackgroundDirty = false;
                StartFade(true, aeMouseUp);
            }
        }
    }
    Base::MouseUp(button, shift, x, y);
}

// ----- TsBitBtn -----

namespace {
constexpr int kBitBtnKind = 94;
}

TsBitBtn::TsBitBtn(TComponent* owner) : TsPushButton(owner, kBitBtnKind) {
    lastLayout_ = TBitBtn::Layout();
    AfterConstruction();
}

void TsBitBtn::Loaded() {
    TsPushButton::Loaded();
    if (ImagesSupplyGlyph()) Glyph().SetSize(0, 0);
}

void TsBitBtn::Invalidate() {
    if (TBitBtn::Layout() != lastLayout_) {
        lastLayout_ = TBitBtn::Layout();
        SkinData().BackgroundDirty = true;
    }
    TsPushButton::Invalidate();
}

void TsBitBtn::SetBlend(int value) {
    value = std::clamp(value, 0, 100);
    if (blend_ == value) return;
    blend_ = value;
    SkinData().Invalidate();
}

void TsBitBtn::SetTextOffset(int value) {
    if (textOffset_ == value) return;
    textOffset_ = value;
    SkinData().Invalidate();
}

bool TsBitBtn::ImagesSupplyGlyph() {
    return Images() != nullptr && Images()->Count() > 0 && ImageIndex() >= 0 && ImageIndex() < Images()->Count();
}

SIZE TsBitBtn::GlyphSize() {
    int frames = std::max(NumGlyphs(), 1);
    if (ImagesSupplyGlyph()) return SIZE{Images()->Width() / frames, Images()->Height()};
    if (!Glyph().Empty()) return SIZE{Glyph().Width() / frames, Glyph().Height()};
    return SIZE{0, 0};
}

void TsBitBtn::Layout() {
    TsCommonData& data = SkinData();
    data.PrepareCacheBitmap();
    TCanvas& canvas = data.CacheBitmap->Canvas();
    canvas.Font().Assign(Font());
    SIZE glyph = GlyphSize();
    std::string caption = Text();
    int available = 0;
    if (showCaption_ && !caption.empty()) {
        int margin = std::max(Margin(), 0);
        available = Width() - 2 * margin;
        TButtonLayout layout = TBitBtn::Layout();
        if ((layout == blGlyphLeft || layout == blGlyphRight) && glyph.cx > 0) available -= glyph.cx + Spacing();
    }
    SIZE text{0, 0};
    if (available > 0) {
        UINT flags = DT_CALCRECT | DT_EXPANDTABS | TextAlignFlags(*this, textAlignment_) | (WordWrap() ? DT_WORDBREAK : 0);
        RECT r{0, 0, available, 0};
        DrawText(canvas.Handle(), caption.c_str(), static_cast<int>(caption.size()), &r, flags);
        text = SIZE{std::min(RectWidth(r), available), RectHeight(r)};
    }
    constexpr unsigned kRightToLeft = 2;
    CalcButtonLayout(ClientRect(), glyph, text, static_cast<int>(TBitBtn::Layout()), static_cast<int>(alignment_),
                     Margin(), Spacing(), GlyphPos, CaptionRect, UseRightToLeftAlignment() ? kRightToLeft : 0);
}

RECT TsBitBtn::BitBtnGlyphRect() {
    SIZE size = GlyphSize();
    RECT r{GlyphPos.x, GlyphPos.y, GlyphPos.x + size.cx, GlyphPos.y + size.cy};
    if (CurrentState() == 2) r = MovedRect(r, 1, 1);
    if (Reflected()) r = MovedRect(r, 0, -(size.cx / 6));
    return r;
}

TsButtonGlyphInputs TsBitBtn::ButtonGlyphInputs() {
    TsButtonGlyphInputs in;
    in.Images = Images();
    in.Glyph = &Glyph();
    in.ImageIndex = ImageIndex();
    in.GlyphRect = BitBtnGlyphRect();
    in.FrameCount = std::max(NumGlyphs(), 1);
    in.Blend = blend_;
    in.Down = Down();
    in.Grayed = grayed_;
    in.State = PaintState();
    in.DisabledGlyphKind = DisabledGlyphKind;
    in.Reflected = Reflected();
    return in;
}

void TsBitBtn::DrawCaption(TCanvas* canvas) {
    TsCommonData& data = SkinData();
    if (canvas == nullptr) canvas = &data.CacheBitmap->Canvas();
    canvas->Font().Assign(Font());
    canvas->Brush().SetStyle(bsClear);
    const int state = PaintState();
    RECT r = CaptionRect;
    if (state == 2) r = MovedRect(r, 1, 1);
    UINT flags = TextAlignFlags(*this, textAlignment_) | DT_EXPANDTABS | DT_END_ELLIPSIS | (WordWrap() ? DT_WORDBREAK : 0);
    if (UseRightToLeftReading()) flags |= DT_RTLREADING;
    DrawControlText(*canvas, Text(), Enabled(), r, flags, data, state != 0);
    if (ShowCaption()) DrawFocusFrame(*canvas, r);
}

void TsBitBtn::PrepareCache() {
    TsCommonData& data = SkinData();
    if (!data.IsSkinned()) return;
    const int state = PaintState();
    TsBackgroundSource backdrop = PaintFaceBackground(state, drawOverBorder_);
    Layout();
    if (showCaption_) DrawCaption(nullptr);
    DrawButtonGlyph(*this, nullptr);
    if (!drawOverBorder_) PaintBordersOver(state, backdrop);
    FinishCache(backdrop);
    if (OnPaint) OnPaint(this, *data.CacheBitmap);
}

template class TsPushButton<TBitBtn>;
template class TsPushButton<TButton>;

}  // namespace parch
