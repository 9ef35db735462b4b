#include "skin/controls/sCheckBox.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/PropertyText.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/Painting.h"
#include "skin/engine/acAlphaImageList.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace {

constexpr int kCheckBoxKind = 32;
constexpr SIZE kDefaultGlyphSize{16, 16};
// Spacings from a form or skin are kept where the arithmetic on them cannot overflow, and an
// auto-sized box never grows past what a window can be.
constexpr int kMaxSpacing = 4096;
constexpr int kMaxAutoExtent = 32767;

enum SkinCheckGlyph { kBoxChecked = 0, kBoxUnchecked = 1, kBoxGrayed = 2 };

POINT PointOfMouseMessage(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

const TsMaskData* ValidMask(TsSkinManager* manager, int index) {
    if (manager == nullptr || !IsValidMaskIndex(manager->Tables(), index)) return nullptr;
    return &manager->Tables().Masks[static_cast<size_t>(index)];
}

// The size of one state frame of a skin glyph; 0 x 0 for a glyph without frames or bands.
SIZE SkinGlyphFrameSize(const TsMaskData& mask) {
    if (mask.Picture != nullptr) return SIZE{mask.Picture->Width() / 3, mask.Picture->Height() / 2};
    return SIZE{MaskFrameWidth(mask), MaskStateHeight(mask)};
}

// The width of one frame of a strip whose frames are square (the whole strip when its width is
// not a multiple of its height).
SIZE StripFrameSize(int width, int height) {
    int frames = GlyphFrameCount(width, height);
    if (frames <= 0) return SIZE{0, 0};
    return SIZE{width / frames, height};
}

}  // namespace

int GlyphFrameCount(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    if (width % height != 0) return 1;
    return width / height;
}

TsCheckBox::TsCheckBox(TComponent* owner)
    : TsSkinnedControl(owner, kCheckBoxKind, false),
      glyphChecked_(std::make_unique<TBitmap>()),
      glyphUnChecked_(std::make_unique<TBitmap>()) {
    SetAutoSize(true);
    AfterConstruction();
}

TsCheckBox::~TsCheckBox() { StopControlFade(fadeTimer_); }

bool TsCheckBox::Loading() const { return (ComponentState() & csLoading) != 0; }
bool TsCheckBox::Designing() const { return (ComponentState() & csDesigning) != 0; }

bool TsCheckBox::Skinned() const {
    TsSkinManager* manager = SkinData().GetSkinManager();
    return SkinData().IsSkinned() && manager != nullptr && manager->SkinData().SkinActive;
}

void TsCheckBox::Loaded() {
    TsSkinnedControl::Loaded();
    AdjustSize();
}

void TsCheckBox::SetChecked(bool value) {
    if (Loading()) return;
    if (value != Checked()) SkinData().BackgroundDirty = true;
    TsSkinnedControl::SetChecked(value);
    if (SkinData().BackgroundDirty) Repaint();
}

TAlignment TsCheckBox::GetControlsAlignment() const {
    if (!UseRightToLeftAlignment()) return Alignment();
    return Alignment() == taLeftJustify ? taRightJustify : taLeftJustify;
}

void TsCheckBox::Notification(TComponent* component, TOperation operation) {
    TsSkinnedControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == images_) images_ = nullptr;
}

// ----- properties -----

void TsCheckBox::AdjustIfAutoSize() {
    if (AutoSize()) AdjustSize();
}

void TsCheckBox::SetMargin(int value) {
    value = std::clamp(value, -kMaxSpacing, kMaxSpacing);
    if (value == margin_) return;
    margin_ = value;
    AdjustIfAutoSize();
    Invalidate();
}

void TsCheckBox::SetTextIndent(int value) {
    value = std::clamp(value, -kMaxSpacing, kMaxSpacing);
    if (value == textIndent_) return;
    textIndent_ = value;
    AdjustIfAutoSize();
    Invalidate();
}

void TsCheckBox::SetShowFocus(bool value) {
    showFocus_ = value;
    Invalidate();
}

void TsCheckBox::SetDisabledKind(TsDisabledKind value) {
    if (value == disabledKind_) return;
    disabledKind_ = value;
    SkinData().Invalidate();
}

void TsCheckBox::SetImages(TCustomImageList* value) {
    if (value == images_) return;
    if (images_ != nullptr) images_->RemoveFreeNotification(this);
    images_ = value;
    if (images_ != nullptr) images_->FreeNotification(this);
    AdjustIfAutoSize();
    SkinData().Invalidate();
}

void TsCheckBox::SetGlyphChecked(TBitmap* value) {
    glyphChecked_->Assign(value);
    AdjustIfAutoSize();
    SkinData().Invalidate();
}

void TsCheckBox::SetGlyphUnChecked(TBitmap* value) {
    glyphUnChecked_->Assign(value);
    AdjustIfAutoSize();
    Invalidate();
}

void TsCheckBox::SetImgChecked(int value) {
    if (value == imgChecked_) return;
    imgChecked_ = value;
    AdjustIfAutoSize();
    if (Checked()) SkinData().Invalidate();
}

void TsCheckBox::SetImgUnchecked(int value) {
    if (value == imgUnchecked_) return;
    imgUnchecked_ = value;
    AdjustIfAutoSize();
    if (!Checked()) SkinData().Invalidate();
}

void TsCheckBox::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    AdjustIfAutoSize();
    Invalidate();
}

void TsCheckBox::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Margin")) return SetMargin(PropertyInt(name, value));
    if (SameText(name, "TextIndent")) return SetTextIndent(PropertyInt(name, value));
    if (SameText(name, "ShowFocus")) return SetShowFocus(PropertyBool(name, value));
    if (SameText(name, "ReadOnly")) return SetReadOnly(PropertyBool(name, value));
    if (SameText(name, "ImgChecked")) return SetImgChecked(PropertyInt(name, value));
    if (SameText(name, "ImgUnchecked")) return SetImgUnchecked(PropertyInt(name, value));
    if (SameText(name, "WordWrap")) return SetWordWrap(PropertyBool(name, value));
    TsSkinnedControl::SetPropertyText(name, value);
}

// ----- glyphs -----

bool TsCheckBox::UsesImageList() const { return images_ != nullptr && imgChecked_ >= 0 && imgUnchecked_ >= 0; }

TBitmap* TsCheckBox::UserGlyph() {
    TBitmap* glyph = Checked() ? glyphChecked_.get() : glyphUnChecked_.get();
    return glyph->Empty() ? nullptr : glyph;
}

int TsCheckBox::SkinGlyphIndex() const {
    TsSkinManager* manager = SkinData().GetSkinManager();
    if (manager == nullptr) return -1;
    int slot = State() == cbChecked ? kBoxChecked : (State() == cbGrayed ? kBoxGrayed : kBoxUnchecked);
    return manager->ConstData().CheckGlyph[static_cast<size_t>(slot)];
}

SIZE TsCheckBox::GlyphSize() {
    if (UsesImageList()) return StripFrameSize(images_->Width(), images_->Height());
    if (TBitmap* glyph = UserGlyph()) return StripFrameSize(glyph->Width(), glyph->Height());
    if (const TsMaskData* mask = ValidMask(SkinData().GetSkinManager(), SkinGlyphIndex()))
        return SkinGlyphFrameSize(*mask);
    return kDefaultGlyphSize;
}

RECT TsCheckBox::CheckRect() {
    SIZE size = kDefaultGlyphSize;
    if (UsesImageList()) {
        size = GlyphSize();
    } else if (!glyphChecked_->Empty()) {
        size = GlyphSize();
    } else {
        TsSkinManager* manager = SkinData().GetSkinManager();
        const TsMaskData* mask =
            manager != nullptr ? ValidMask(manager, manager->ConstData().CheckGlyph[kBoxChecked]) : nullptr;
        if (mask != nullptr) size = SkinGlyphFrameSize(*mask);
    }
    int x = GetControlsAlignment() == taRightJustify ? margin_ : Width() - size.cx - margin_;
    int y = (Height() - size.cy) / 2;
    return RECT{x, y, x + size.cx, y + size.cy};
}

int TsCheckBox::CurrentFrame(int frames) const {
    if (frames <= 0) return 0;
    if (pressed_) return std::min(2, frames - 1);
    if (SkinData().IsHotOrFocused() && !GetReadOnly()) return std::min(1, frames - 1);
    return 0;
}

int TsCheckBox::LookState() const { return SkinData().IsHotOrFocused() && !GetReadOnly() ? 1 : 0; }

void TsCheckBox::DrawGlyphFrame(TBitmap& strip, SIZE glyph) {
    TBitmap* cache = SkinData().CacheBitmap.get();
    if (cache == nullptr || cache->Empty() || glyph.cx <= 0 || glyph.cy <= 0) return;
    if (strip.PixelFormat() != pf32bit) strip.SetPixelFormat(pf32bit);
    int frame = CurrentFrame(GlyphFrameCount(strip.Width(), strip.Height()));
    RECT where = CheckRect();
    RECT from{frame * glyph.cx, 0, (frame + 1) * glyph.cx, glyph.cy};
    BlendAlphaRect(RECT{where.left, where.top, where.left + glyph.cx, where.top + glyph.cy}, from, *cache, strip,
                   EmptyBackdrop, false);
}

void TsCheckBox::PaintGlyph() {
    TBitmap& cache = *SkinData().CacheBitmap;
    if (UsesImageList()) {
        int index = Checked() ? imgChecked_ : imgUnchecked_;
        if (index < 0) return;
        SIZE glyph = GlyphSize();
        int frames = GlyphFrameCount(images_->Width(), images_->Height());
        if (frames < 2) {
            RECT where = CheckRect();
            images_->Draw(cache.Canvas(), where.left, where.top, index, Enabled());
            return;
        }
        TBitmap strip;
        bool taken = false;
        if (auto* alphaList = dynamic_cast<TsAlphaImageList*>(images_))
            taken = ImageListItemToBitmap(*alphaList, index, &strip);
        else
            taken = images_->GetBitmap(index, &strip);
        if (taken) DrawGlyphFrame(strip, glyph);
        return;
    }
    if (TBitmap* glyph = UserGlyph()) {
        DrawGlyphFrame(*glyph, GlyphSize());
        return;
    }
    const TsMaskData* mask = ValidMask(SkinData().GetSkinManager(), SkinGlyphIndex());
    if (mask == nullptr) return;
    SIZE size = SkinGlyphFrameSize(*mask);
    if (size.cx <= 0 || size.cy <= 0) return;  // a glyph without frames shows nothing
    int state = pressed_ ? 2 : LookState();
    RECT where = CheckRect();
    DrawMaskGlyph(cache, POINT{where.left, where.top}, state, 1, *mask, InitBackgroundSource(&cache, 0, 0));
}

// ----- painting -----

void TsCheckBox::PaintText() {
    const std::string caption = Caption();
    if (caption.empty()) return;
    TBitmap& cache = *SkinData().CacheBitmap;
    TCanvas& canvas = cache.Canvas();
    const RECT glyph = CheckRect();
    const int glyphWidth = RectWidth(glyph);
    const int available = Width() - glyphWidth - textIndent_ - 2 * margin_ - 2;
    const UINT lineFlag = wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE;
    RECT measured{0, 0, available, 0};
    DrawText(canvas.Handle(), caption.c_str(), static_cast<int>(caption.size()), &measured, DT_CALCRECT | lineFlag);
    const int h = RectHeight(measured), w = RectWidth(measured);
    RECT r{0, std::max((Height() - h) / 2, margin_), 0, 0};
    r.bottom = r.top + h;
    UINT flags = lineFlag;
    if (Alignment() == taRightJustify) {
        if (UseRightToLeftAlignment()) {
            r.right = Width() - margin_ - glyphWidth - textIndent_ - 4;
            r.left = r.right - w;
            if (!wordWrap_) flags |= DT_RIGHT;
        } else {
            r.left = Width() - available - margin_ + 2;
            r.right = r.left + w;
        }
    } else {
        r.left = margin_;
        r.right = available + margin_;
    }
    r = RECT{r.left - (wordWrap_ ? 1 : 0), r.top - 1, r.right - (wordWrap_ ? 1 : 0), r.bottom - 1};
    if (UseRightToLeftReading()) flags |= DT_RTLREADING;
    DrawControlText(canvas, caption, Enabled(), r, flags, SkinData(), LookState() != 0);
    if (Focused() && showFocus_) {
        if (!wordWrap_) r.bottom -= 1;
        r.top += 1;
        r = RECT{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
        // Sides beyond the box stay one pixel outside it, so the dots walked are the box's.
        r = RECT{std::max<LONG>(r.left, -1), std::max<LONG>(r.top, -1), std::min<LONG>(r.right, Width() + 1),
                 std::min<LONG>(r.bottom, Height() + 1)};
        DrawDottedFrame(canvas, r, clBtnFace, clBlack);
    }
}

void TsCheckBox::PrepareCache() {
    TsCommonData& data = SkinData();
    data.PrepareCacheBitmap();
    TBitmap& cache = *data.CacheBitmap;
    cache.Canvas().Font().Assign(Font());
    // Offsets in the backdrop are the parent's: the control's place is added when painting.
    TsBackgroundSource backdrop = InitBackgroundSource(&cache, -Left(), -Top());
    if (Parent() != nullptr) {
        TsBackgroundRequest request;
        request.R = RECT{0, 0, Width(), Height()};
        cache.Canvas().Lock();
        GetControlBackdrop(request, *Parent(), true);
        cache.Canvas().Unlock();
        if (request.Kind != 0) backdrop = BackdropFromQuery(request);
    }
    PaintControlFace(data, backdrop, LookState(), RECT{0, 0, cache.Width(), Height()}, POINT{Left(), Top()}, cache, true);
    PaintText();
    PaintGlyph();
    if (!Enabled()) ApplyDisabledLook(cache, disabledKind_, Color(), backdrop, POINT{Left(), Top()});
    data.BackgroundDirty = false;
}

void TsCheckBox::PaintCached(HDC dc) {
    TsCommonData& data = SkinData();
    if (data.CheckUpdating() || (fadeTimer_ != nullptr && fadeTimer_->Enabled())) return;
    PrepareCache();
    PaintControlBorder(data, 0);
    BitBlt(dc, 0, 0, Width(), Height(), data.CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsCheckBox::PaintMessage(TMessage& message) {
    TsCommonData& data = SkinData();
    auto paintInto = [&](HDC dc) {
        int saved = SaveDC(dc);
        if (data.CheckUpdating())
            data.SetUpdating(true);
        else
            PaintCached(dc);
        RestoreDC(dc, saved);
    };
    if (message.WParam != 0) {
        paintInto(reinterpret_cast<HDC>(message.WParam));
    } else {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        paintInto(dc);
        EndPaint(Handle(), &ps);
    }
    message.Result = 0;
}

bool TsCheckBox::CanAutoSize(int& width, int& height) {
    if (Skinned()) {
        if (Loading() || !AutoSize()) return false;
        const std::string caption = Caption();
        SIZE text = caption.empty() ? SIZE{0, 0} : GetFontTextSize(Font().Handle(), caption);
        RECT glyph = CheckRect();
        width = std::clamp(RectWidth(glyph) + 2 * margin_ + (caption.empty() ? 0 : text.cx + textIndent_ + 8), 0,
                           kMaxAutoExtent);
        height = std::clamp(std::max(static_cast<int>(RectHeight(glyph)), static_cast<int>(text.cy) + 2 * margin_) + 2,
                            0, kMaxAutoExtent);
        return true;
    }
    if (AutoSize()) {
        SIZE text = GetFontTextSize(Font().Handle(), Caption());
        width = std::min(static_cast<int>(text.cx) + 20, kMaxAutoExtent);
        height = std::min(std::max(static_cast<int>(text.cy) + 4, 20), kMaxAutoExtent);
        return true;
    }
    return TsSkinnedControl::CanAutoSize(width, height);
}

// ----- mouse and keys -----

void TsCheckBox::Press() {
    pressed_ = true;
    if (HandleAllocated()) SetCapture(Handle());
    clicksDisabled_ = true;
    if (CanFocus() && !Focused()) SetFocus();
    clicksDisabled_ = false;
}

void TsCheckBox::ReleaseAndToggle(bool toggle) {
    if (!pressed_) return;
    pressed_ = false;
    if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
    SkinData().BackgroundDirty = true;
    if (toggle) Toggle();
    StartControlFade(fadeTimer_, SkinData(), true, 1, AnimatEventAllowed(aeMouseUp, animatEvents_));
}

void TsCheckBox::StopFadeIfSizeChanged() {
    TBitmap* cache = SkinData().CacheBitmap.get();
    if (fadeTimer_ != nullptr && fadeTimer_->Enabled() && cache != nullptr && cache->Width() != Width()) {
        StopControlFade(fadeTimer_);
        Repaint();
    }
}

bool TsCheckBox::HandleFocusAndHover(TMessage& message) {
    TsCommonData& data = SkinData();
    switch (message.Msg) {
        case WM_SETFOCUS:
        case CM_ENTER:
            if (Designing()) return false;
            if (!Enabled()) return true;
            TsSkinnedControl::WndProc(message);
            data.BackgroundDirty = true;
            if (fadeTimer_ != nullptr && fadeTimer_->Enabled())
                fadeTimer_->FadeStep();
            else
                Repaint();
            return true;
        case WM_KILLFOCUS:
        case CM_EXIT:
            if (Designing() || !Enabled()) return false;
            if (fadeTimer_ != nullptr) StopControlFade(fadeTimer_);
            Perform(WM_SETREDRAW, 0, 0);
            TsSkinnedControl::WndProc(message);
            Perform(WM_SETREDRAW, 1, 0);
            data.HasFocus = false;
            data.MouseInside = false;
            data.Invalidate();
            return true;
        case CM_MOUSEENTER:
            if (Designing() || !Enabled()) return false;
            if (!data.MouseInside) {
                data.MouseInside = true;
                StartControlFade(fadeTimer_, data, false, 1, AnimatEventAllowed(aeMouseEnter, animatEvents_));
            }
            return false;
        case CM_MOUSELEAVE:
            if (Designing() || !Enabled()) return false;
            data.MouseInside = false;
            pressed_ = false;
            StartControlFade(fadeTimer_, data, false, 1, AnimatEventAllowed(aeMouseLeave, animatEvents_));
            return false;
        default:
            return false;
    }
}

bool TsCheckBox::HandleSkinnedMessage(TMessage& message) {
    TsCommonData& data = SkinData();
    const bool acting = Enabled() && !Designing();
    switch (message.Msg) {
        case WM_ENABLE:
        case WM_NCPAINT:
            return true;
        case WM_PAINT:
            PaintMessage(message);
            if (Designing()) return false;
            return true;
        case WM_ERASEBKGND:
            message.Result = 1;
            return true;
        case BM_SETCHECK:
            if (fadeTimer_ != nullptr && fadeTimer_->Level < fadeTimer_->StepTotal) StopControlFade(fadeTimer_);
            return true;
        case WM_KEYDOWN:
            if (message.WParam != VK_SPACE || !acting) return false;
            if (!GetReadOnly()) {
                Press();
                Repaint();
                if (OnKeyDown) {
                    WORD key = VK_SPACE;
                    OnKeyDown(this, key, KeyboardShiftState());
                }
            }
            return true;
        case WM_KEYUP:
            if (message.WParam != VK_SPACE || !acting) return false;
            if (GetReadOnly()) return true;
            ReleaseAndToggle(true);
            if (OnKeyUp) {
                WORD key = VK_SPACE;
                OnKeyUp(this, key, KeyboardShiftState());
            }
            StopFadeIfSizeChanged();
            return true;
        case WM_UPDATEUISTATE:
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            if (!acting || DragMode() != dmManual) return false;
            if (GetReadOnly()) return true;
            Press();
            StartControlFade(fadeTimer_, data, true, 1, AnimatEventAllowed(aeMouseDown, animatEvents_));
            POINT p = PointOfMouseMessage(message.LParam);
            if (message.Msg == WM_LBUTTONDBLCLK) {
                if (OnDblClick) OnDblClick(this);
            } else if (OnMouseDown) {
                OnMouseDown(this, mbLeft, KeyboardShiftState(), p.x, p.y);
            }
            return true;
        }
        case WM_LBUTTONUP: {
            if (!acting) return false;
            if (GetReadOnly()) return true;
            // A release off the box cancels the click, as with the platform's own button.
            POINT p = PointOfMouseMessage(message.LParam);
            const bool inside = p.x >= 0 && p.y >= 0 && p.x < Width() && p.y < Height();
            ReleaseAndToggle(inside);
            if (OnMouseUp) OnMouseUp(this, mbLeft, KeyboardShiftState(), p.x, p.y);
            StopFadeIfSizeChanged();
            return true;
        }
        case WM_PRINT:
            data.SetUpdating(false);
            PaintMessage(message);
            return false;
        case CM_ENABLEDCHANGED:
            TsSkinnedControl::WndProc(message);
            Repaint();
            return true;
        case CM_FONTCHANGED:
        case CM_TEXTCHANGED:
            AdjustIfAutoSize();
            Repaint();
            return true;
        case CM_CHANGED:
            if (Designing())
                data.Invalidate();
            else
                StartControlFade(fadeTimer_, data, true, 1, AnimatEventAllowed(aeMouseUp, animatEvents_));
            return false;
        case SkinCommandMessage:
            if (SkinCommandOf(message.WParam) == scResumePainting) {
                if (data.PaintSuspended || data.PartlyVisible) {
                    data.SetUpdating(false);
                    if (!Designing()) Repaint();
                }
                return true;
            }
            return false;
        default:
            return false;
    }
}

void TsCheckBox::HandleUnskinnedMessage(TMessage& message) {
    switch (message.Msg) {
        case BM_SETCHECK:
        case BM_SETSTATE:
            if (GetReadOnly() && pressed_ && (ControlState() & csCreating) == 0) return;
            break;
        case WM_LBUTTONDBLCLK:
            if (GetReadOnly()) return;
            break;
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
            pressed_ = true;
            break;
        case WM_KEYUP:
        case WM_LBUTTONUP:
            pressed_ = false;
            break;
        case CM_FONTCHANGED:
        case CM_TEXTCHANGED:
            TsSkinnedControl::WndProc(message);
            AdjustIfAutoSize();
            return;
        default:
            break;
    }
    TsSkinnedControl::WndProc(message);
}

void TsCheckBox::WndProc(TMessage& message) {
    TsCommonData& data = SkinData();
    if (message.Msg == SkinCommandMessage) {
        const bool own = IsOwnManagerCommand(message, data);
        switch (SkinCommandOf(message.WParam)) {
            case scSkinLoaded:
                if (!own) break;
                StopControlFade(fadeTimer_);
                SharedControlMessageHandler(message, &data);
                return;
            case scSkinRemoved:
                if (!own) break;
                StopControlFade(fadeTimer_);
                SharedControlMessageHandler(message, &data);
                if (HandleAllocated()) SendMessage(Handle(), BM_SETCHECK, static_cast<WPARAM>(State()), 0);
                Repaint();
                return;
            case scRefreshFromSkin:
                if (!own) break;
                StopControlFade(fadeTimer_);
                SharedControlMessageHandler(message, &data);
                AdjustSize();
                Repaint();
                return;
            case scIsSkinned:
                message.Result = 1;
                return;
            case scNextFadeFrame:
                StopControlFade(fadeTimer_);
                return;
            case scRebuildCache:
                PrepareCache();
                break;
            case scGetApplication:
                message.Result = reinterpret_cast<LRESULT>(Application);
                return;
            default:
                break;
        }
    }
    const bool skinned = Skinned();
    if (skinned && HandleFocusAndHover(message)) return;
    if (!ControlCanPaint(this)) {
        TsSkinnedControl::WndProc(message);
        return;
    }
    const bool consumed = SharedControlMessageHandler(message, &data);
    if (skinned) {
        if (HandleSkinnedMessage(message)) return;
        if (consumed && message.Msg == SkinCommandMessage) return;
        TsSkinnedControl::WndProc(message);
        return;
    }
    if (consumed && message.Msg == SkinCommandMessage) return;
    HandleUnskinnedMessage(message);
}

}  // namespace parch
