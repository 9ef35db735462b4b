#include "skin/controls/sSpeedButton.h"

#include <algorithm>
#include <optional>

#include "framework/Application.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DrawText.h"
#include "platform/win/Input.h"
#include "platform/win/Painting.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sMaskData.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace {

constexpr int kSpeedButtonKind = 92;
constexpr int kArrowPart = 16;

// The hint setting saved while a speed button is pressed; it comes back however the press ends.
std::optional<bool> SpeedSavedShowHint;
const TsSpeedButton* SpeedHintOwner = nullptr;

void SpeedHintsOff(const TsSpeedButton* button) {
    if (SpeedSavedShowHint || Application == nullptr) return;
    SpeedSavedShowHint = Application->ShowHint;
    SpeedHintOwner = button;
    Application->ShowHint = false;
}

void SpeedHintsBack(const TsSpeedButton* button) {
    if (!SpeedSavedShowHint || SpeedHintOwner != button) return;
    if (Application != nullptr) Application->ShowHint = *SpeedSavedShowHint;
    SpeedSavedShowHint.reset();
    SpeedHintOwner = nullptr;
}

// The button whose drop-down menu is open; one at a time.
const TsSpeedButton* SpeedMenuOpenFor = nullptr;

bool SpeedGoing(const TComponent& c) { return (c.ComponentState() & (csDestroying | csLoading)) != 0; }

RECT SpeedMoved(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

}  // namespace

TsSpeedButton::TsSpeedButton(TComponent* owner) : TsSkinnedControl(owner, kSpeedButtonKind, true) { AfterConstruction(); }

TsSpeedButton::~TsSpeedButton() {
    StopAnimation();
    SpeedHintsBack(this);
    if (SpeedMenuOpenFor == this) SpeedMenuOpenFor = nullptr;
}

void TsSpeedButton::Loaded() {
    TsSkinnedControl::Loaded();
    if (images_ != nullptr && imageIndex_ >= 0 && imageIndex_ < images_->Count()) Glyph().SetSize(0, 0);
}

void TsSpeedButton::Notification(TComponent* component, TOperation operation) {
    TsSkinnedControl::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == images_) images_ = nullptr;
    if (component == DropdownMenu) DropdownMenu = nullptr;
}

void TsSpeedButton::SetButtonStyle(TToolButtonStyle value) {
    if (buttonStyle_ == value) return;
    bool wasDropDown = buttonStyle_ == TToolButtonStyle::tbsDropDown;
    buttonStyle_ = value;
    if ((ComponentState() & csLoading) == 0) {
        if (value == TToolButtonStyle::tbsDropDown) SetWidth(Width() + kArrowPart);
        else if (wasDropDown) SetWidth(Width() - kArrowPart);
    }
    SkinData().BackgroundDirty = true;
    RepaintNow();
}

void TsSpeedButton::SetImages(TCustomImageList* value) {
    if (images_ == value) return;
    if (images_ != nullptr) images_->RemoveFreeNotification(this);
    images_ = value;
    if (images_ != nullptr) images_->FreeNotification(this);
    SkinData().BackgroundDirty = true;
    RepaintNow();
}

void TsSpeedButton::SetImageIndex(int value) {
    if (imageIndex_ == value) return;
    imageIndex_ = value;
    SkinData().BackgroundDirty = true;
    RepaintNow();
}

void TsSpeedButton::SetBlend(int value) {
    value = std::clamp(value, 0, 100);
    if (blend_ == value) return;
    blend_ = value;
    SkinData().BackgroundDirty = true;
    RepaintNow();
}

bool TsSpeedButton::Separating() const {
    return buttonStyle_ == TToolButtonStyle::tbsSeparator || buttonStyle_ == TToolButtonStyle::tbsDivider;
}

int TsSpeedButton::CurrentState() {
    if (state_ == bsDown || state_ == bsExclusive) return 2;
    return SkinData().IsHotOrFocused() ? 1 : 0;
}

int TsSpeedButton::ArrowWidth() const { return buttonStyle_ == TToolButtonStyle::tbsDropDown ? kArrowPart : 0; }
int TsSpeedButton::MarginOffset() const { return Margin() < 0 ? 0 : Margin() + 3; }

int TsSpeedButton::GlyphWidth() {
    int frames = std::max(NumGlyphs(), 1);
    if (!Glyph().Empty()) return Glyph().Width() / frames;
    if (images_ != nullptr && imageIndex_ >= 0 && imageIndex_ < images_->Count()) return images_->Width() / frames;
    return 0;
}

int TsSpeedButton::GlyphHeight() {
    if (!Glyph().Empty()) return Glyph().Height();
    if (images_ != nullptr && imageIndex_ >= 0 && imageIndex_ < images_->Count()) return images_->Height();
    return 0;
}

SIZE TsSpeedButton::MeasureCaption() {
    std::string caption = Text();
    int limit = 0;
    if (ShowCaption && !caption.empty()) {
        limit = Width() - 2 * std::max(Margin(), 0) - ArrowWidth();
        if ((Layout() == blGlyphLeft || Layout() == blGlyphRight) && GlyphWidth() > 0) limit -= GlyphWidth() + Spacing();
    }
    if (limit <= 0) return SIZE{0, 0};
    TsCommonData& data = SkinData();
    data.PrepareCacheBitmap();
    TCanvas& canvas = data.CacheBitmap->Canvas();
    canvas.Font().Assign(Font());
    RECT r{0, 0, limit, 0};
    DrawText(canvas.Handle(), caption.c_str(), static_cast<int>(caption.size()), &r,
             DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    return SIZE{std::min(RectWidth(r), limit), RectHeight(r)};
}

RECT TsSpeedButton::CaptionRect() {
    const SIZE t = MeasureCaption();
    const int tw = t.cx, th = t.cy, gw = GlyphWidth(), gh = GlyphHeight(), w = Width(), h = Height();
    const int aw = ArrowWidth(), mo = MarginOffset();
    const int sp = gw > 0 && tw > 0 ? Spacing() : 0;
    const int spacingIfGlyph = gw > 0 ? Spacing() : 0;
    RECT r{};
    switch (Layout()) {
        case blGlyphLeft: {
            int d = (w - aw - gw - sp - tw) / 2 - mo;
            r.top = (h - th) / 2;
            r.bottom = h - r.top;
            if (Alignment == taLeftJustify) {
                r.left = gw + mo + spacingIfGlyph;
                r.right = w - aw - mo - 2 * d;
            } else if (Alignment == taRightJustify) {
                r.left = mo + 2 * d + gw + spacingIfGlyph;
                r.right = w - aw - mo;
            } else {
                r.left = gw + mo + d + spacingIfGlyph;
                r.right = w - aw - mo - d;
            }
            break;
        }
        case blGlyphRight: {
            int d = (w - aw - gw - sp - tw) / 2 - mo;
            r.top = (h - th) / 2;
            r.bottom = h - r.top;
            r.left = Alignment == taLeftJustify ? mo : Alignment == taRightJustify ? mo + 2 * d : mo + d;
            r.right = r.left + tw;
            break;
        }
        case blGlyphTop: {
            int e = (h - gh - sp - th) / 2 - mo;
            r.left = (w - tw - aw) / 2;
            r.right = w - r.left - aw;
            r.top = gh + mo + e + sp;
            r.bottom = h - e - mo;
            break;
        }
        case blGlyphBottom: {
            int e = (h - gh - sp - th) / 2 - mo;
            r.left = (w - tw - aw) / 2;
            r.right = w - (w - tw - aw) / 2 - aw;
            r.top = mo + e;
            r.bottom = h - e - mo - gh - sp;
            break;
        }
    }
    r = RECT{r.left + TextOffset - 1, r.top, r.right + TextOffset + 2, r.bottom};
    return CurrentState() == 2 ? SpeedMoved(r, 1, 1) : r;
}

RECT TsSpeedButton::GlyphRect() {
    const SIZE t = MeasureCaption();
    const int tw = t.cx, th = t.cy, gw = GlyphWidth(), gh = GlyphHeight(), w = Width(), h = Height();
    const int aw = ArrowWidth(), mo = MarginOffset();
    const int sp = ShowCaption && gw > 0 && !Text().empty() ? Spacing() : 0;
    const int f = (w - aw - gw - sp - tw) / 2 - mo;
    const int v = (h - gh - sp - th) / 2 - mo;
    POINT p{0, 0};
    switch (Layout()) {
        case blGlyphLeft:
            p.x = Alignment == taLeftJustify ? mo : Alignment == taRightJustify ? mo + 2 * f : mo + f;
            p.y = (h - gh) / 2;
            break;
        case blGlyphRight:
            p.y = (h - gh) / 2;
            p.x = Alignment == taLeftJustify ? CaptionRect().right + Spacing()
                  : Alignment == taRightJustify ? w - aw - gw - mo
                                                : (w + sp + tw - aw - gw) / 2;
            break;
        case blGlyphTop:
            p = POINT{(w - aw - gw) / 2 + 1, v + mo};
            break;
        case blGlyphBottom:
            p = POINT{(w - aw - gw) / 2 + 1, h - mo - v - gh};
            break;
    }
    if (CurrentState() == 2) p = POINT{p.x + 1, p.y + 1};
    RECT r{p.x, p.y, p.x + gw, p.y + gh};
    return Reflected ? SpeedMoved(r, 0, -(gh / 6)) : r;
}

TsButtonGlyphInputs TsSpeedButton::ButtonGlyphInputs() {
    TsButtonGlyphInputs in;
    in.Images = images_;
    in.Glyph = &Glyph();
    in.ImageIndex = imageIndex_;
    in.GlyphRect = GlyphRect();
    in.FrameCount = std::max(NumGlyphs(), 1);
    in.Blend = blend_;
    in.Down = Down();
    in.Grayed = Grayed;
    in.State = CurrentState();
    in.DisabledGlyphKind = DisabledGlyphKind;
    in.Reflected = Reflected;
    return in;
}

void TsSpeedButton::DrawCaption(int state) {
    if (!ShowCaption) return;
    TCanvas& canvas = SkinData().CacheBitmap->Canvas();
    canvas.Font().Assign(Font());
    canvas.Brush().SetStyle(bsClear);
    UINT flags = (TextAlignFlags(*this, TextAlignment) | DT_WORDBREAK | DT_EXPANDTABS) & ~static_cast<UINT>(DT_SINGLELINE);
    DrawControlText(canvas, Text(), Enabled(), CaptionRect(), flags, SkinData(), state != 0);
}

void TsSpeedButton::PaintArrowPart(const TsBackgroundSource& backdrop, int& faceState) {
    TsCommonData& data = SkinData();
    TBitmap& cache = *data.CacheBitmap;
    const int w = Width(), h = Height();
    int a = droppedDown_ || Down() || state_ == bsDown ? 2 : (data.IsHotOrFocused() ? 1 : 0);
    // The arrow part keeps the skin's own hue.
    int hue = data.HUEOffset, saturation = data.Saturation;
    data.HUEOffset = data.Saturation = 0;
    PaintControlFace(data, backdrop, a, RECT{w - kArrowPart, 0, w, h}, POINT{Left() + w - kArrowPart, Top()}, cache, true);
    data.HUEOffset = hue;
    data.Saturation = saturation;
    TsSkinManager* manager = data.GetSkinManager();
    int fontSection = FindFontSectionIndex(this, data.SectionIndex, manager, a);
    TColor colour = Font().Color();
    if (manager != nullptr && IsValidSectionIndex(manager->Tables(), fontSection)) {
        const TsGeneralData& section = manager->Tables().Sections[static_cast<size_t>(fontSection)];
        colour = static_cast<TColor>(a != 0 ? section.HotFontColor : section.FontColor);
    }
    RECT part{w - kArrowPart, 0, w, h};
    if (a == 2) part = SpeedMoved(part, 1, 1);
    DrawSmallArrow(cache.Canvas(), colour, part, 8);
    faceState = a;
}

void TsSpeedButton::PrepareCache() {
    TsCommonData& data = SkinData();
    data.PrepareCacheBitmap();
    TBitmap& cache = *data.CacheBitmap;
    cache.Canvas().Font().Assign(Font());
    TsBackgroundRequest request;
    if (Parent() != nullptr) GetControlBackdrop(request, *Parent(), false);
    if (request.Kind == 2 && request.Bmp != nullptr && request.Bmp->Width() == 0) return;
    TsBackgroundSource backdrop = BackdropFromQuery(request);
    const int w = Width(), h = Height();
    if (Separating()) {
        if (backdrop.Valid && backdrop.Bmp != nullptr)
            BitBlt(cache.Canvas().Handle(), 0, 0, w, h, backdrop.Bmp->Canvas().Handle(), backdrop.X + Left(),
                   backdrop.Y + Top(), SRCCOPY);
        else
            FillBitmapRect32(cache, RECT{0, 0, w, h}, static_cast<TColor>(backdrop.Color));
        TsSkinManager* manager = data.GetSkinManager();
        if (buttonStyle_ == TToolButtonStyle::tbsDivider && manager != nullptr) {
            int section = GetSectionIndex(manager, "DIVIDER");
            int mask = section >= 0 ? manager->GetMaskIndex(section, "DIVIDER", "BORDERSMASK") : -1;
            if (IsValidMaskIndex(manager->Tables(), mask))
                DrawBordersMask(cache, RECT{w / 2 - 1, 0, w / 2 + 1, h}, backdrop,
                                manager->Tables().Masks[static_cast<size_t>(mask)], 0, true);
        }
        data.BackgroundDirty = false;
        return;
    }
    int faceState = CurrentState();
    if (buttonStyle_ == TToolButtonStyle::tbsDropDown) PaintArrowPart(backdrop, faceState);
    RECT face{0, 0, w - ArrowWidth(), h};
    if (DrawOverBorder)
        PaintControlFace(data, backdrop, faceState, face, POINT{Left(), Top()}, cache, true);
    else
        PaintControlBackground(data, backdrop, faceState, face, POINT{Left(), Top()}, cache);
    DrawCaption(faceState);
    DrawButtonGlyph(*this, nullptr);
    if (!DrawOverBorder) {
        TsSkinManager* manager = data.GetSkinManager();
        if (manager != nullptr && IsValidMaskIndex(manager->Tables(), data.BordersMaskIndex)) {
            TsBackgroundSource shifted = backdrop;
            shifted.X += Left();
            shifted.Y += Top();
            DrawBordersMask(cache, face, shifted, manager->Tables().Masks[static_cast<size_t>(data.BordersMaskIndex)],
                            faceState, true);
        }
    }
    if (!Enabled()) ApplyDisabledLook(cache, DisabledKind, GetControlBgColor(Parent()), backdrop, POINT{Left(), Top()});
    if (OnPaint) OnPaint(this, cache);
    data.BackgroundDirty = false;
}

void TsSpeedButton::Paint() {
    TsCommonData& data = SkinData();
    TsSkinManager* manager = data.GetSkinManager();
    if (manager != nullptr && manager->SkinData().SkinActive && data.SectionIndex <= 0) data.UpdateIndexes();
    if (!data.IsSkinned()) {
        TSpeedButton::Paint();
        return;
    }
    if (Width() <= 0 || Height() <= 0) return;
    if (animTimer_ != nullptr && animTimer_->Enabled() && animTimer_->FrameImage->Width() == Width()) {
        BitBlt(Canvas().Handle(), 0, 0, Width(), Height(), animTimer_->FrameImage->Canvas().Handle(), 0, 0, SRCCOPY);
        return;
    }
    if (Down() != storedDown_ || data.PartlyVisible) data.BackgroundDirty = true;
    storedDown_ = Down();
    data.PartlyVisible = data.DependsOnParentBackground();
    if (data.BackgroundDirty && !data.PaintUrgent) PrepareCache();
    BitBlt(Canvas().Handle(), 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsSpeedButton::RepaintNow() {
    if (SpeedGoing(*this) || Parent() == nullptr || !Visible() || !Parent()->HandleAllocated()) return;
    TsCommonData& data = SkinData();
    if (!data.IsSkinned()) {
        Repaint();
        return;
    }
    if (data.BackgroundDirty) PrepareCache();
    TBitmap* picture = animTimer_ != nullptr && animTimer_->Enabled() ? animTimer_->FrameImage.get() : data.CacheBitmap.get();
    if (picture == nullptr || picture->Empty()) return;
    HWND window = Parent()->Handle();
    HDC dc = GetDC(window);
    BitBlt(dc, Left(), Top(), Width(), Height(), picture->Canvas().Handle(), 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
}

void TsSpeedButton::StopAnimation() {
    if (animTimer_ == nullptr) return;
    animTimer_->SetEnabled(false);
    bool stepped = animTimer_->Level != 0;
    animTimer_.reset();
    if (stepped && !SpeedGoing(*this)) {
        SkinData().BackgroundDirty = true;
        RepaintNow();
    }
}

void TsSpeedButton::StartAnimation(bool half) {
    int level = 1;
    if (animTimer_ != nullptr) {
        // A reversed animation goes on from where the previous one stood.
        level = std::max(animTimer_->StepTotal - animTimer_->Level, 1);
        animTimer_.reset();
    }
    const TsGeneralData* section = SkinData().Section();
    if (section == nullptr || !section->FadingEnabled || FadingStopped) return;
    animTimer_ = std::make_unique<TsAnimTimer>(nullptr);
    animTimer_->SetEnabled(false);
    animTimer_->PrepareAnim(SkinData());
    if (half) animTimer_->StepTotal /= 2;
    animTimer_->Level = level;
    TBitmap& cache = *SkinData().CacheBitmap;
    animTimer_->StartImage = NewPf32Bitmap(cache.Width(), cache.Height());
    BitBlt(animTimer_->StartImage->Canvas().Handle(), 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0,
           SRCCOPY);
    PrepareCache();
    animTimer_->SetEnabled(true);
    animTimer_->AnimStep();
}

void TsSpeedButton::DoAnimation(bool half, bool allowed) {
    TsCommonData& data = SkinData();
    const TsGeneralData* section = data.Section();
    bool canAnimate = allowed && !SkinLoading && data.IsSkinned() && section != nullptr && section->FadingEnabled &&
                      !FadingStopped && !data.BackgroundDirty && data.CacheBitmap != nullptr && !data.CacheBitmap->Empty();
    data.BackgroundDirty = true;
    if (canAnimate) {
        StartAnimation(half);
    } else {
        StopAnimation();
        RepaintNow();
    }
    data.UpdateGlow(half, nullptr);
}

void TsSpeedButton::MouseEntered() {
    if (OnMouseEnter) OnMouseEnter(this);
    TsCommonData& data = SkinData();
    if (data.MouseInside || Separating()) return;
    data.MouseInside = true;
    DoAnimation(false, AnimatEventAllowed(aeMouseEnter, AnimatEvents));
}

void TsSpeedButton::MouseLeft() {
    TsCommonData& data = SkinData();
    if (!data.MouseInside) return;
    if (OnMouseLeave) OnMouseLeave(this);
    data.MouseInside = false;
    if (state_ == bsDown) state_ = bsUp;
    if (Visible()) DoAnimation(false, AnimatEventAllowed(aeMouseLeave, AnimatEvents));
}

void TsSpeedButton::OpenDropDown() {
    if (SpeedMenuOpenFor != nullptr) return;
    StopAnimation();
    SpeedMenuOpenFor = this;
    droppedDown_ = true;
    SkinData().BackgroundDirty = true;
    if (!OnClick) state_ = bsDown;
    RepaintNow();
    POINT at = ClientToScreen(POINT{0, Height() + 1});
    DropdownMenu->SetPopupComponent(this);
    DropdownMenu->Popup(at.x, at.y);
    droppedDown_ = false;
    SpeedMenuOpenFor = nullptr;
    // The menu's loop ate the release: the press is over.
    SpeedHintsBack(this);
    if (!SpeedGoing(*this)) {
        POINT cursor{};
        GetCursorPos(&cursor);
        RECT screen{};
        POINT origin = ClientToScreen(POINT{0, 0});
        screen = RECT{origin.x, origin.y, origin.x + Width(), origin.y + Height()};
        bool inside = cursor.x >= screen.left && cursor.x < screen.right && cursor.y >= screen.top && cursor.y < screen.bottom;
        if (!inside) Perform(CM_MOUSELEAVE);
        if (!OnClick) state_ = bsUp;
        SkinData().BackgroundDirty = true;
        if (SkinData().IsSkinned()) RepaintNow(); else Repaint();
    }
}

void TsSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    SpeedHintsOff(this);
    bool dropDown = button == mbLeft && Enabled() && buttonStyle_ == TToolButtonStyle::tbsDropDown && DropdownMenu != nullptr &&
                    (x > Width() - kArrowPart || !OnClick);
    if (dropDown) {
        OpenDropDown();
        return;
    }
    TSpeedButton::MouseDown(button, shift, x, y);
}

void TsSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if ((ComponentState() & csDestroying) != 0) return;
    SpeedHintsBack(this);
    if (button == mbLeft && Enabled() && buttonStyle_ == TToolButtonStyle::tbsDropDown) {
        droppedDown_ = false;
        if (SpeedMenuOpenFor == this) SpeedMenuOpenFor = nullptr;
    }
    TSpeedButton::MouseUp(button, shift, x, y);
}

void TsSpeedButton::WndProc(TMessage& message) {
    TsCommonData& data = SkinData();
    if (message.Msg == SkinCommandMessage) {
        bool own = IsOwnManagerCommand(message, data);
        switch (SkinCommandOf(message.WParam)) {
            case scSkinLoaded:
                if (own) {
                    SharedControlMessageHandler(message, &data);
                    if (data.IsSkinned()) SetControlStyle(ControlStyle() | csOpaque);
                }
                return;
            case scSkinRemoved:
                if (own && (ComponentState() & csDestroying) == 0) {
                    SharedControlMessageHandler(message, &data);
                    SetControlStyle(ControlStyle() & ~csOpaque);
                    if (Visible()) Repaint();
                }
                break;
            case scRefreshFromSkin:
                if (own) {
                    SharedControlMessageHandler(message, &data);
                    if (Visible()) Repaint();
                }
                return;
            case scResumePainting:
                if (data.CheckUpdating()) {
                    data.SetUpdating(false);
                    RepaintNow();
                }
                return;
            case scIsSkinned:
                message.Result = 1;
                return;
            case scAnimationFrameReady:
                data.SetUpdating(false);
                data.BackgroundDirty = true;
                RepaintNow();
                break;
            case scGraphicMouseLeave:
                MouseLeft();
                return;
            case scGetApplication:
                message.Result = reinterpret_cast<LRESULT>(Application);
                return;
            default:
                break;
        }
    }
    if (message.Msg == CM_CANCELMODE) SpeedHintsBack(this);
    if (!data.IsSkinned()) {
        bool interactive = Enabled();
        if (message.Msg == CM_MOUSEENTER && interactive) {
            data.MouseInside = true;
            if (OnMouseEnter) OnMouseEnter(this);
        } else if (message.Msg == CM_MOUSELEAVE && interactive) {
            data.MouseInside = false;
            if (OnMouseLeave) OnMouseLeave(this);
            if (state_ == bsDown) state_ = bsUp;
        }
        // The base fires the events itself; keep them once.
        TNotifyEvent enter = std::move(OnMouseEnter), leave = std::move(OnMouseLeave);
        TsSkinnedControl::WndProc(message);
        OnMouseEnter = std::move(enter);
        OnMouseLeave = std::move(leave);
        return;
    }
    if (message.Msg == SkinCommandMessage) {
        switch (SkinCommandOf(message.WParam)) {
            case scMustPaintingWait:
                message.Result = data.PaintSuspended ? 1 : 0;
                return;
            case scRepaintNamedSection:
                RepaintNow();
                return;
            case scNextFadeFrame:
                StopAnimation();
                return;
            default:
                break;
        }
    }
    switch (message.Msg) {
        case WM_SIZE:
        case WM_WINDOWPOSCHANGED:
            if (Visible()) data.BackgroundDirty = true;
            break;
        case WM_ERASEBKGND:
            return;
        case WM_LBUTTONUP:
            if (animTimer_ != nullptr && animTimer_->Enabled() && animTimer_->FrameImage->Width() == Width()) {
                StopAnimation();
                PrepareCache();
                RepaintNow();
            }
            break;
        case CM_VISIBLECHANGED:
            data.BackgroundDirty = true;
            data.MouseInside = false;
            break;
        case CM_TEXTCHANGED:
            if (ShowCaption) {
                data.BackgroundDirty = true;
                RepaintNow();
                return;
            }
            break;
        case CM_MOUSEENTER:
            if (Enabled() && !mouseInControl_) {
                MouseEntered();
                TNotifyEvent enter = std::move(OnMouseEnter);
                TsSkinnedControl::WndProc(message);
                OnMouseEnter = std::move(enter);
                return;
            }
            break;
        case CM_MOUSELEAVE:
            if (Enabled()) {
                MouseLeft();
                TNotifyEvent leave = std::move(OnMouseLeave);
                TsSkinnedControl::WndProc(message);
                OnMouseLeave = std::move(leave);
                return;
            }
            break;
        default:
            break;
    }
    if (SharedControlMessageHandler(message, &data)) return;
    TsSkinnedControl::WndProc(message);
    switch (message.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            DoAnimation(true, AnimatEventAllowed(aeMouseDown, AnimatEvents));
            break;
        case WM_LBUTTONUP:
            if ((ComponentState() & csDestroying) != 0) {
                message.Result = 1;
                return;
            }
            DoAnimation(true, AnimatEventAllowed(aeMouseUp, AnimatEvents));
            break;
        case CM_ENABLEDCHANGED:
            if (Visible()) {
                if (!Enabled()) StopAnimation();
                data.BackgroundDirty = true;
                if ((ComponentState() & csLoading) == 0) RepaintNow();
            }
            break;
        case CM_BUTTONPRESSED:
            data.BackgroundDirty = true;
            RepaintNow();
            break;
        default:
            break;
    }
}

}  // namespace parch
