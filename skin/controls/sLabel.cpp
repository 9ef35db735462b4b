#include "skin/controls/sLabel.h"

#include <algorithm>
#include <utility>

#include "framework/Forms.h"
#include "framework/PropertyText.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Rects.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sBoundLabel.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"

namespace parch {

namespace slabel_detail {

// Set while Paint adjusts the font colour, so that the font change it causes does not size
// and repaint the label again.
bool paintFontGuard = false;
// Set while a label handles its own font change, against re-entry.
bool fontChangeGuard = false;

class GuardScope {
public:
    explicit GuardScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~GuardScope() { flag_ = false; }
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;

private:
    bool& flag_;
};

// The default manager when it holds an applied skin.
TsSkinManager* ActiveDefaultManager() {
    TsSkinManager* manager = TsSkinManager::DefaultManager();
    return manager != nullptr && manager->Active() && manager->SkinData().SkinActive ? manager : nullptr;
}

const TsGeneralData* SectionAt(const TsSkinManager& manager, int index) {
    const TsSkinTables& tables = manager.Tables();
    return IsValidSectionIndex(tables, index) ? &tables.Sections[static_cast<size_t>(index)] : nullptr;
}

void AssignFontColor(TFont& font, TColor color) {
    if (color != static_cast<TColor>(TransparentKey) && color != font.Color()) font.SetColor(color);
}

bool FromDefaultManager(const TMessage& message) {
    TsSkinManager* manager = TsSkinManager::DefaultManager();
    return manager != nullptr && message.LParam == reinterpret_cast<LPARAM>(manager);
}

bool IsSkinCommand(const TMessage& message, int command) {
    return message.Msg == SkinCommandMessage && SkinCommandOf(message.WParam) == command;
}

// The section's text: its contour colours one pixel left, up, right and down first (a colour
// of -1 is none), then its font colour.
// Text through the canvas's context as it stands now: the canvas selects a changed font colour
// only when its handle is asked for again.
void CanvasDrawText(TCanvas& canvas, const std::string& text, RECT& rect, UINT flags) {
    DrawText(canvas.Handle(), text.c_str(), -1, &rect, flags);
}

void DrawSectionText(TCanvas& canvas, const std::string& text, const TsGeneralData& section, UINT flags, RECT rect) {
    const std::pair<std::uint32_t, POINT> contours[] = {{section.TCLeft, POINT{-1, 0}},
                                                        {section.TCTop, POINT{0, -1}},
                                                        {section.TCRight, POINT{1, 0}},
                                                        {section.TCBottom, POINT{0, 1}}};
    SetBkMode(canvas.Handle(), TRANSPARENT);
    for (const auto& [color, shift] : contours) {
        if (color == 0xFFFFFFFFu) continue;
        RECT moved = rect;
        OffsetRect(&moved, shift.x, shift.y);
        canvas.Font().SetColor(static_cast<TColor>(color));
        CanvasDrawText(canvas, text, moved, flags);
    }
    canvas.Font().SetColor(static_cast<TColor>(section.FontColor));
    CanvasDrawText(canvas, text, rect, flags);
}

std::uint32_t& MaskPixel(TBitmap& bitmap, int x, int y) { return reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y))[x]; }

}  // namespace slabel_detail

using namespace slabel_detail;

// ---- TsCustomLabel

TsCustomLabel::TsCustomLabel(TComponent* owner) : TCustomLabel(owner) { SetTransparent(true); }

void TsCustomLabel::SetSkinSection(const std::string& value) {
    if (value == skinSection_) return;
    skinSection_ = value;
    Invalidate();
}

void TsCustomLabel::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "SkinSection")) return SetSkinSection(value);
    TCustomLabel::SetPropertyText(name, value);
}

TFont& TsCustomLabel::GetCurrentFont() {
    if (TsSkinManager* manager = ActiveDefaultManager()) {
        int index = FindFontSectionIndex(this, -1, manager, 0);
        const TsGeneralData* section = SectionAt(*manager, index);
        AssignFontColor(Font(), section != nullptr ? static_cast<TColor>(section->FontColor) : manager->GetGlobalFontColor());
    }
    return Font();
}

void TsCustomLabel::WndProc(TMessage& message) {
    if (message.Msg == CM_FONTCHANGED && !Destroying() && !fontChangeGuard) {
        if (paintFontGuard) return;
        GuardScope guard(fontChangeGuard);
        AdjustBounds();
        Invalidate();
        return;
    }
    TCustomLabel::WndProc(message);
    if (IsSkinCommand(message, scSkinRemoved) && FromDefaultManager(message)) {
        if (!Destroying()) Font().SetColor(clWindowText);
    } else if (IsSkinCommand(message, scRefreshFromSkin) && (ComponentState() & csDesigning)) {
        Invalidate();
    }
}

void TsCustomLabel::ApplySectionFontColor(TsSkinManager& manager) {
    paintSectionIndex_ = GetSectionIndex(&manager, skinSection_);
    if (const TsGeneralData* section = SectionAt(manager, paintSectionIndex_))
        AssignFontColor(Font(), static_cast<TColor>(section->FontColor));
    else
        paintSectionIndex_ = -1;
}

void TsCustomLabel::PaintSectionBackdrop(TsSkinManager& manager) {
    TsBackgroundRequest request;
    request.R = BoundsRect();
    if (Parent() != nullptr) GetControlBackdrop(request, *Parent(), false);
    PaintSectionToDC(paintSectionIndex_, skinSection_, BackdropFromQuery(request), 0, ClientRect(),
                     POINT{Left(), Top()}, Canvas().Handle(), &manager);
}

void TsCustomLabel::Paint() {
    struct IndexReset {
        int& index;
        ~IndexReset() { index = -1; }
    } reset{paintSectionIndex_};
    paintSectionIndex_ = -1;
    if (!Destroying() && !paintFontGuard) {
        GuardScope guard(paintFontGuard);
        GetCurrentFont();
        if (TsSkinManager* manager = ActiveDefaultManager(); manager != nullptr && !skinSection_.empty())
            ApplySectionFontColor(*manager);
    }
    // The first section of a skin is never painted as a background.
    if (paintSectionIndex_ > 0)
        if (TsSkinManager* manager = ActiveDefaultManager()) PaintSectionBackdrop(*manager);
    TCustomLabel::Paint();
}

std::string TsCustomLabel::TextToDraw(UINT flags) const {
    std::string text = GetLabelText();
    if ((flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar() && text == "&"))) text += ' ';
    return text;
}

UINT TsCustomLabel::PrepareTextFlags(UINT flags) {
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    return DrawTextBiDiModeFlags(flags);
}

void TsCustomLabel::DoDrawText(RECT& rect, UINT flags) {
    if (Enabled() || Destroying() || ActiveDefaultManager() == nullptr) return TCustomLabel::DoDrawText(rect, flags);
    // Disabled under a skin: 40 % of the font colour over 60 % of what lies behind.
    std::string text = TextToDraw(flags);
    flags = PrepareTextFlags(flags);
    TCanvas& canvas = Canvas();
    canvas.SetFont(Font());
    canvas.Font().SetColor(
        MixColorsByFactor(static_cast<TColor>(ColorToRGB(Font().Color())), GetControlBgColor(Parent()), 0.4));
    CanvasDrawText(canvas, text, rect, flags);
}

// ---- TsLabel

TsLabel::TsLabel(TComponent* owner) : TsCustomLabel(owner) {}

void TsLabel::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "UseSkinColor")) return SetUseSkinColor(PropertyBool(name, value));
    TsCustomLabel::SetPropertyText(name, value);
}

bool TsLabel::InFrameAtDesignTime() const {
    return (ComponentState() & csDesigning) != 0 && FindOwnerFrame(const_cast<TsLabel*>(this)) != nullptr;
}

TFont& TsLabel::GetCurrentFont() {
    if (Destroying() || !useSkinColor_ || InFrameAtDesignTime()) return Font();
    return TsCustomLabel::GetCurrentFont();
}

void TsLabel::WndProc(TMessage& message) {
    if (!IsSkinCommand(message, scSkinRemoved)) return TsCustomLabel::WndProc(message);
    if (!Destroying() && FromDefaultManager(message) && useSkinColor_ && !InFrameAtDesignTime())
        Font().SetColor(clWindowText);
}

// ---- TsEditLabel

TsEditLabel::TsEditLabel(TComponent* owner, TsBoundLabel* boundLabel) : TsLabel(owner), boundLabel_(boundLabel) {}

TsEditLabel::~TsEditLabel() {
    // The bound label frees its label itself and has let go of it by then; only its state is
    // left to clear.
    if (boundLabel_ != nullptr && boundLabel_->Label() != this) boundLabel_->SetActive(false);
}

// ---- TsShadow and TsKind

void TsShadow::Changed() { owner_.Invalidate(); }

void TsShadow::SetColorBytes(TColor color) {
    COLORREF rgb = ColorToRGB(color);
    red_ = static_cast<std::uint8_t>(rgb & 0xFF);
    green_ = static_cast<std::uint8_t>((rgb >> 8) & 0xFF);
    blue_ = static_cast<std::uint8_t>((rgb >> 16) & 0xFF);
}

void TsShadow::SetMode(TsShadowMode value) {
    if (value == mode_) return;
    mode_ = value;
    SetColorBytes(color_);
    Changed();
}

void TsShadow::SetColor(TColor value) {
    if (value == color_) return;
    color_ = value;
    SetColorBytes(color_);
    Changed();
}

void TsShadow::SetBlurCount(int value) {
    value = std::clamp(value, 0, kMaxBlur);
    if (value == blurCount_) return;
    blurCount_ = value;
    Changed();
}

void TsShadow::SetDistance(int value) {
    value = std::clamp(value, -kMaxDistance, kMaxDistance);
    if (value == distance_) return;
    distance_ = value;
    Changed();
}

void TsKind::SetKindType(TsKindType value) {
    if (value == kindType_) return;
    kindType_ = value;
    owner_.Invalidate();
}

void TsKind::SetColor(TColor value) {
    if (value == color_) return;
    color_ = value;
    owner_.Invalidate();
}

// ---- TsLabelFX

TsLabelFX::TsLabelFX(TComponent* owner)
    : TsCustomLabel(owner),
      kind_(std::make_unique<TsKind>(*this)),
      shadow_(std::make_unique<TsShadow>(*this)),
      mask_(NewPf32Bitmap(0, 0)) {}

TsLabelFX::~TsLabelFX() = default;

void TsLabelFX::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Shadow.Mode"))
        return shadow_->SetMode(PropertyEnum<TsShadowMode>(
            name, value, {{"smNone", smNone}, {"smCustom", smCustom}, {"smSkin1", smSkin1}}));
    if (SameText(name, "Shadow.Color")) return shadow_->SetColor(PropertyColor(name, value));
    if (SameText(name, "Shadow.BlurCount")) return shadow_->SetBlurCount(PropertyInt(name, value));
    if (SameText(name, "Shadow.Distance")) return shadow_->SetDistance(PropertyInt(name, value));
    if (SameText(name, "Kind.KindType"))
        return kind_->SetKindType(PropertyEnum<TsKindType>(
            name, value, {{"ktStandard", ktStandard}, {"ktCustom", ktCustom}, {"ktSkin", ktSkin}}));
    if (SameText(name, "Kind.Color")) return kind_->SetColor(PropertyColor(name, value));
    TsCustomLabel::SetPropertyText(name, value);
}

TsLabelFX::ShadowSettings TsLabelFX::EffectiveShadow() {
    ShadowSettings settings{clBlack, 0, 0};
    switch (shadow_->Mode()) {
        case smNone:
            break;
        case smCustom:
            settings = {shadow_->Color(), shadow_->BlurCount(), shadow_->Distance()};
            break;
        case smSkin1: {
            TsSkinManager* manager = ActiveDefaultManager();
            if (manager != nullptr && manager->SkinData().Shadow1Blur != -1) {
                const TsSkinData& skin = manager->SkinData();
                settings = {static_cast<TColor>(skin.Shadow1Color), skin.Shadow1Blur, skin.Shadow1Offset};
            } else {
                settings = {shadow_->Color(), shadow_->BlurCount(), shadow_->Distance()};
            }
            break;
        }
    }
    // A skin may ask for any amount; the work per paint grows with both.
    settings.blur = std::clamp(settings.blur, 0, TsShadow::kMaxBlur);
    settings.distance = std::clamp(settings.distance, -TsShadow::kMaxDistance, TsShadow::kMaxDistance);
    shadow_->SetColorBytes(settings.color);
    return settings;
}

TColor TsLabelFX::TextColor(int& sectionIndex) {
    switch (kind_->KindType()) {
        case ktStandard: return Color();
        case ktCustom: return kind_->Color();
        case ktSkin: break;
    }
    TsSkinManager* manager = ActiveDefaultManager();
    if (manager == nullptr) return kind_->Color();
    if (!SkinSection().empty()) sectionIndex = GetSectionIndex(manager, SkinSection());
    if (SectionAt(*manager, sectionIndex) != nullptr) return kind_->Color();  // the section's colours are used
    sectionIndex = -1;
    const TsGeneralData* global = SectionAt(*manager, GetSectionIndex(manager, "GLOBALINFO"));
    if (global != nullptr && global->TCLeft != 0xFFFFFFFFu) return static_cast<TColor>(global->TCLeft);
    return kind_->Color();
}

void TsLabelFX::DoDrawText(RECT& rect, UINT flags) {
    if ((ComponentState() & csLoading) || (shadow_->Mode() == smNone && PaintSectionIndex() < 0))
        return TsCustomLabel::DoDrawText(rect, flags);
    const ShadowSettings shadow = EffectiveShadow();
    topLeftExtent_ = std::min(0, shadow.distance - shadow.blur);
    rightBottomExtent_ = std::max(0, shadow.distance + shadow.blur);
    const bool measuring = (flags & DT_CALCRECT) != 0;
    std::string text = TextToDraw(flags);
    flags = PrepareTextFlags(flags);
    TCanvas& canvas = Canvas();
    canvas.SetFont(Font());
    if (!Enabled()) {
        if (!measuring) {
            OffsetRect(&rect, 1, 1);
            canvas.Font().SetColor(clBtnHighlight);
            CanvasDrawText(canvas, text, rect, flags);
            OffsetRect(&rect, -1, -1);
        }
        canvas.Font().SetColor(clBtnShadow);
        CanvasDrawText(canvas, text, rect, flags);
        return;
    }
    int sectionIndex = -1;
    const TColor textColor = TextColor(sectionIndex);
    const bool shadowInUse = shadow.color != clNone && shadow.blur != 0;
    if (measuring || !shadowInUse) {
        if (!measuring && sectionIndex < 0) canvas.Font().SetColor(textColor);
        CanvasDrawText(canvas, text, rect, flags);
    } else {
        DrawShadowedText(rect, flags, text, shadow, textColor, sectionIndex);
    }
    if (measuring && shadowInUse) {
        rect.right += rightBottomExtent_ - topLeftExtent_;
        rect.bottom += rightBottomExtent_ - topLeftExtent_;
    }
}

void TsLabelFX::BlurMask(int blur) {
    const int width = mask_->Width(), height = mask_->Height();
    const size_t stride = static_cast<size_t>(width) + 2;
    const size_t planeSize = stride * (static_cast<size_t>(height) + 2);
    if (blurPlane_.size() < planeSize) blurPlane_.resize(planeSize);
    std::fill_n(blurPlane_.begin(), planeSize, std::uint8_t{0});
    std::uint8_t* plane = blurPlane_.data();
    for (int pass = 0; pass < blur; ++pass) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (MaskPixel(*mask_, x, y) & 0xFF) plane[(static_cast<size_t>(y) + 1) * stride + x + 1] = 255;
        // In place: the neighbours above and to the left already hold this pass's values.
        for (size_t y = 1; y <= static_cast<size_t>(height); ++y)
            for (size_t x = 1; x <= static_cast<size_t>(width); ++x) {
                size_t at = y * stride + x;
                plane[at] = static_cast<std::uint8_t>(
                    (plane[at - stride] + plane[at + stride] + plane[at - 1] + plane[at + 1]) >> 2);
            }
    }
}

void TsLabelFX::DrawShadowedText(RECT rect, UINT flags, const std::string& text, const ShadowSettings& shadow,
                                 TColor textColor, int sectionIndex) {
    TCanvas& canvas = Canvas();
    HDC dc = canvas.Handle();
    const int width = std::max(0, static_cast<int>(rect.right - rect.left));
    const int height = std::max(0, static_cast<int>(rect.bottom - rect.top));
    mask_->SetSize(width, height);
    for (int y = 0; y < height; ++y) std::fill_n(&MaskPixel(*mask_, 0, y), width, 0xFF000000u);
    TCanvas& maskCanvas = mask_->Canvas();
    maskCanvas.SetFont(canvas.Font());
    maskCanvas.Font().SetColor(clWhite);
    maskCanvas.Brush().SetStyle(bsClear);
    HDC maskDC = maskCanvas.Handle();
    SetBkMode(maskDC, TRANSPARENT);
    RECT textRect{rect.left - topLeftExtent_, rect.top - topLeftExtent_, rect.right - rightBottomExtent_,
                  rect.bottom - rightBottomExtent_};
    RECT shadowRect = textRect;
    OffsetRect(&shadowRect, shadow.distance, shadow.distance);
    DrawText(maskDC, text.c_str(), -1, &shadowRect, flags);

    BlurMask(shadow.blur);

    const size_t stride = static_cast<size_t>(width) + 2;
    const std::uint32_t shadowBytes[3] = {shadow_->Blue(), shadow_->Green(), shadow_->Red()};
    const bool transparent = Transparent();
    std::uint32_t backBytes[3] = {0, 0, 0};
    if (transparent) {
        BitBlt(maskDC, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    } else {
        COLORREF back = ColorToRGB(Color());
        backBytes[0] = (back >> 16) & 0xFF, backBytes[1] = (back >> 8) & 0xFF, backBytes[2] = back & 0xFF;
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t a = blurPlane_[(static_cast<size_t>(y) + 1) * stride + x + 1];
            std::uint32_t& pixel = MaskPixel(*mask_, x, y);
            std::uint32_t out = pixel & 0xFF000000u;
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t below = transparent ? (pixel >> (8 * c)) & 0xFF : backBytes[c];
                // Divided by 255, not 256: no shadow leaves what lies behind exactly as it was.
                out |= (((below * (255 - a) + shadowBytes[c] * a + 127) / 255) & 0xFF) << (8 * c);
            }
            pixel = out;
        }
    BitBlt(dc, 0, 0, width, height, maskDC, 0, 0, SRCCOPY);

    TsSkinManager* manager = ActiveDefaultManager();
    if (const TsGeneralData* section = manager != nullptr && sectionIndex >= 0 ? SectionAt(*manager, sectionIndex) : nullptr) {
        DrawSectionText(canvas, text, *section, flags, textRect);
    } else {
        canvas.Font().SetColor(textColor);
        SetBkMode(canvas.Handle(), TRANSPARENT);
        CanvasDrawText(canvas, text, textRect, flags);
    }
}

}  // namespace parch
