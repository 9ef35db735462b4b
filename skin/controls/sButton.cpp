#include "skin/controls/sButton.h"

#include <algorithm>

#include "platform/gdi/DrawText.h"
#include "platform/win/ButtonClass.h"
#include "skin/engine/acAlphaImageList.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sGlow.h"
#include "skin/engine/sMaskData.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

// ----- TImageMargins -----

void TImageMargins::SetMargin(int index, int value) {
    if (index < 0 || index > 3 || values_[index] == value) return;
    values_[index] = value;
    Change();
}

void TImageMargins::Assign(const TImageMargins& source) {
    std::copy(std::begin(source.values_), std::end(source.values_), std::begin(values_));
    Change();
}

void TImageMargins::Change() {
    if (OnChange) OnChange();
}

// ----- TsButton -----

namespace {

constexpr int kButtonKind = 93;
constexpr int kSplitWidth = 16;
constexpr int kDefaultImageSize = 32;

RECT ShiftedRect(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// The caption font of a command link: bold and two points larger while it lives.
class TsCommandLinkFont {
public:
    TsCommandLinkFont(TFont& font, bool active) : font_(font), active_(active) {
        if (!active_) return;
        style_ = font.Style();
        size_ = font.Size();
        font.SetStyle(style_ | fsBold);
        font.SetSize(size_ + 2);
    }
    ~TsCommandLinkFont() {
        if (!active_) return;
        font_.SetStyle(style_);
        font_.SetSize(size_);
    }
    TsCommandLinkFont(const TsCommandLinkFont&) = delete;
    TsCommandLinkFont& operator=(const TsCommandLinkFont&) = delete;

private:
    TFont& font_;
    bool active_;
    TFontStyles style_{};
    int size_ = 0;
};

}  // namespace

TsButton::TsButton(TComponent* owner) : TsPushButton(owner, kButtonKind) {
    SetControlStyle(ControlStyle() & ~(csOpaque | csDoubleClicks));
    imageMargins_.OnChange = [this] {
        if (Images() != nullptr) SkinData().Invalidate();
    };
    AfterConstruction();
}

void TsButton::Loaded() {
    TsPushButton::Loaded();
    if (SkinData().CacheBitmap != nullptr) SkinData().CacheBitmap->Canvas().Font().Assign(Font());
}

void TsButton::CreateParams(TCreateParams& params) {
    TsPushButton::CreateParams(params);
    params.Style = (params.Style & ~0xFu) | BS_OWNERDRAW;
}

void TsButton::Notification(TComponent* component, TOperation operation) {
    TsPushButton::Notification(component, operation);
    if (operation == TOperation::opRemove && component == DropDownMenu) DropDownMenu = nullptr;
}

void TsButton::SetImageAlignment(TImageAlignment value) {
    if (imageAlignment_ == value) return;
    imageAlignment_ = value;
    if (Images() != nullptr) SkinData().Invalidate();
}

int TsButton::CurrentState() { return droppedDown_ ? 2 : TsPushButton::CurrentState(); }

bool TsButton::HasValidImage() {
    return Images() != nullptr && ImageIndex() >= 0 && ImageIndex() < Images()->Count();
}

int TsButton::ImageIndexForState() {
    int state = !Enabled() ? 4 : CurrentState() == 2 ? 2 : Focused() ? 3 : CurrentState();
    int chosen = ImageIndex();
    switch (state) {
        case 1: chosen = HotImageIndex; break;
        case 2: chosen = PressedImageIndex; break;
        case 3: chosen = SelectedImageIndex; break;
        case 4: chosen = DisabledImageIndex; break;
        default: break;
    }
    int count = Images() != nullptr ? Images()->Count() : 0;
    return chosen >= 0 && chosen < count ? chosen : ImageIndex();
}

SIZE TsButton::ImageSizeWithMargins() {
    SIZE size = HasValidImage() ? SIZE{Images()->Width(), Images()->Height()} : SIZE{kDefaultImageSize, kDefaultImageSize};
    return SIZE{size.cx + imageMargins_.Left() + imageMargins_.Right(), size.cy + imageMargins_.Top() + imageMargins_.Bottom()};
}

int TsButton::ContentWidth() const { return style_ == bsSplitButton ? Width() - kSplitWidth : Width(); }

SIZE TsButton::MeasureCaption() {
    std::string caption = Text();
    if (caption.empty()) return SIZE{0, 0};
    TsCommonData& data = SkinData();
    data.PrepareCacheBitmap();
    TCanvas& canvas = data.CacheBitmap->Canvas();
    canvas.Font().Assign(Font());
    TsCommandLinkFont linkFont(canvas.Font(), style_ == bsCommandLink);
    int width = style_ == bsPushButton ? Width() : Width() - 2 * contentMargin_ - ImageSizeWithMargins().cx - 6;
    RECT r{0, 0, std::max(width, 0), 0};
    UINT flags = DT_CALCRECT | DT_EXPANDTABS | DT_CENTER | (WordWrap() ? DT_WORDBREAK : DT_SINGLELINE);
    DrawText(canvas.Handle(), caption.c_str(), static_cast<int>(caption.size()), &r, flags);
    return SIZE{RectWidth(r), RectHeight(r)};
}

RECT TsButton::CaptionRect() {
    const int cw = ContentWidth();
    const int m = contentMargin_;
    const SIZE text = MeasureCaption();
    RECT r{};
    const int centredTop = (Height() - text.cy) / 2;
    if (style_ == bsCommandLink) {
        r = RECT{ImageSizeWithMargins().cx + m + 6, m, cw - m, m + text.cy};
    } else if (!HasValidImage() || imageAlignment_ == iaCenter) {
        r.left = (cw - text.cx) / 2 - 1;
        r.right = r.left + text.cx + 2;
        r.top = centredTop;
        r.bottom = Height() - centredTop;
    } else {
        const int iw = Images()->Width();
        const int ih = Images()->Height();
        switch (imageAlignment_) {
            case iaLeft:
                r = RECT{imageMargins_.Left() + imageMargins_.Right() + m + iw, centredTop, cw - m, Height() - centredTop};
                break;
            case iaRight:
                r = RECT{m, centredTop, cw - imageMargins_.Left() - imageMargins_.Right() - m - iw, Height() - centredTop};
                break;
            case iaTop: {
                int top0 = imageMargins_.Top() + 2 * m + ih;
                r.top = top0 + (Height() - m - top0 - text.cy) / 2;
                r.bottom = r.top + text.cy;
                r.left = m;
                r.right = cw - m;
                break;
            }
            case iaBottom: {
                int bottom0 = Height() - imageMargins_.Bottom() - m - ih - imageMargins_.Top();
                r.top = imageMargins_.Top() + (bottom0 - imageMargins_.Top() - text.cy) / 2;
                r.bottom = r.top + text.cy;
                r.left = m;
                r.right = cw - m;
                break;
            }
            case iaCenter:
                break;
        }
    }
    if (CurrentState() == 2) r = ShiftedRect(r, 1, 1);
    return r;
}

RECT TsButton::ImageRect() {
    if (!HasValidImage()) return RECT{0, 0, 0, 0};
    const int cw = ContentWidth();
    const int m = contentMargin_;
    const int iw = Images()->Width();
    const int ih = Images()->Height();
    POINT p{(cw - iw) / 2, (Height() - ih) / 2};
    if (style_ == bsCommandLink) {
        p = POINT{imageMargins_.Left() + m, m};
    } else {
        switch (imageAlignment_) {
            case iaLeft: p.x = imageMargins_.Left() + m; break;
            case iaRight: p.x = cw - imageMargins_.Right() - m - iw; break;
            case iaTop: p.y = imageMargins_.Top() + m; break;
            case iaBottom: p.y = Height() - imageMargins_.Bottom() - m - ih; break;
            case iaCenter: break;
        }
    }
    RECT r{p.x, p.y, p.x + iw, p.y + ih};
    if (CurrentState() == 2) r = ShiftedRect(r, 1, 1);
    return r;
}

TsButtonGlyphInputs TsButton::ButtonGlyphInputs() {
    TsButtonGlyphInputs in;
    in.Images = Images();
    in.ImageIndex = ImageIndexForState();
    in.GlyphRect = ImageRect();
    in.State = PaintState();
    in.Down = in.State == 2;
    in.Reflected = Reflected();
    return in;
}

void TsButton::DrawImage() {
    if (!HasValidImage()) return;
    RECT r = ImageRect();
    SIZE size{};
    DrawImageListGlyph(*Images(), *SkinData().CacheBitmap, r.left, r.top, ImageIndexForState(), 0, 1, Reflected(), 0,
                       clNone, size);
}

void TsButton::DrawCaption(TCanvas* canvas) {
    TsCommonData& data = SkinData();
    if (canvas == nullptr) canvas = &data.CacheBitmap->Canvas();
    canvas->Font().Assign(Font());
    canvas->Brush().SetStyle(bsClear);
    RECT r = CaptionRect();
    const int state = PaintState();
    UINT flags = style_ == bsCommandLink ? DT_WORDBREAK | DT_EXPANDTABS
                                         : DT_EXPANDTABS | DT_CENTER | DT_VCENTER | (WordWrap() ? DT_WORDBREAK : 0);
    if (UseRightToLeftReading()) flags |= DT_RTLREADING;
    bool enabled = Enabled() || data.IsSkinned();
    {
        TsCommandLinkFont linkFont(canvas->Font(), style_ == bsCommandLink);
        DrawControlText(*canvas, Text(), enabled, r, flags, data, state != 0);
    }
    if (style_ == bsCommandLink && !commandLinkHint_.empty())
        DrawControlText(*canvas, commandLinkHint_, enabled, RECT{r.left, r.bottom + 6, r.right, Height() - contentMargin_}, flags, data, state != 0);
    DrawFocusFrame(*canvas, r);
}

void TsButton::DrawSplitPart(int state) {
    TsCommonData& data = SkinData();
    const TsGeneralData* section = data.Section();
    if (section == nullptr) return;
    auto colour = static_cast<TColor>(state == 0 ? section->FontColor : section->HotFontColor);
    TCanvas& canvas = data.CacheBitmap->Canvas();
    canvas.Pen().SetColor(colour);
    canvas.Pen().SetWidth(1);
    canvas.MoveTo(Width() - 15, 4);
    canvas.LineTo(Width() - 15, Height() - 4);
    DrawSmallArrow(canvas, colour, RECT{Width() - kSplitWidth, 0, Width(), Height()}, 8);
}

void TsButton::PrepareCache() {
    TsCommonData& data = SkinData();
    if (!data.IsSkinned()) return;
    const int state = PaintState();
    TsBackgroundSource backdrop = PaintFaceBackground(state, true);
    DrawImage();
    DrawCaption(nullptr);
    if (style_ == bsSplitButton) DrawSplitPart(state);
    FinishCache(backdrop);
}

void TsButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (style_ == bsSplitButton && DropDownMenu != nullptr && x >= Width() - kSplitWidth && x < Width() && y >= 0 &&
        y < Height()) {
        droppedDown_ = true;
        SkinData().Invalidate();
        POINT origin = ClientToScreen(POINT{0, Height()});
        DropDownMenu->Popup(origin.x, origin.y);
        droppedDown_ = false;
        SkinData().Invalidate();
        return;
    }
    TsPushButton::MouseDown(button, shift, x, y);
}

}  // namespace parch
