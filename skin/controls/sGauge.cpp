#include "skin/controls/sGauge.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

#include "base/Exceptions.h"
#include "framework/Application.h"
#include "framework/PropertyText.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/DrawText.h"
#include "platform/win/Painting.h"
#include "platform/win/Resources.h"
#include "platform/win/WindowTree.h"
#include "resources/EmbeddedResources.h"
#include "skin/engine/acPNG.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sVclUtils.h"
#include "base/Streams.h"

namespace parch {

namespace {

constexpr int kGaugeKind = 161;
constexpr const char* kLightResource = "ACGL";

std::string RangeErrorText(std::int64_t low, std::int64_t high) {
    return "Value must be between " + std::to_string(low) + " and " + std::to_string(high);
}

// A 32-bit bitmap that keeps its alpha when stretched: nearest source pixel per target pixel.
void StretchRowsKeepingAlpha(TBitmap& dst, TBitmap& src, int firstRow) {
    const int srcHeight = src.Height() - firstRow;
    if (dst.Width() <= 0 || dst.Height() <= 0 || src.Width() <= 0 || srcHeight <= 0) return;
    for (int y = 0; y < dst.Height(); ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(
            src.ScanLine(firstRow + static_cast<int>(static_cast<std::int64_t>(y) * srcHeight / dst.Height())));
        auto* to = reinterpret_cast<std::uint32_t*>(dst.ScanLine(y));
        for (int x = 0; x < dst.Width(); ++x)
            to[x] = from[static_cast<std::int64_t>(x) * src.Width() / dst.Width()];
    }
}

std::string_view LightPngBytes(std::string& storage) {
    std::string_view bytes = ResourceBytes(nullptr, kLightResource, RT_RCDATA);
    if (!bytes.empty()) return bytes;
    std::optional<std::string> embedded = ReadEmbeddedResource(std::string_view(kLightResource));
    if (!embedded) return {};
    storage = std::move(*embedded);
    return storage;
}

POINT PieStart(int w, int h, int percent) {
    double a = (percent / 50.0 + 0.5) * std::numbers::pi;
    return POINT{static_cast<int>(std::lround((w / 2) * (1 - std::cos(a)))),
                 static_cast<int>(std::lround((h / 2) * (1 - std::sin(a))))};
}

POINT NeedleEnd(int width, int bottom, int percent) {
    double a = percent / 100.0 * std::numbers::pi;
    return POINT{static_cast<int>(std::lround((width / 2) * (1 - std::cos(a)))),
                 static_cast<int>(std::lround((bottom - 1) * (1 - std::sin(a))))};
}

}  // namespace

int PercentOf(std::int64_t part, std::int64_t whole) {
    if (whole == 0) return 0;
    return static_cast<int>(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
}

int ScalePercent(int percent, int length) { return static_cast<int>(length * (percent * 0.01)); }

TsGauge::TsGauge(TComponent* owner) : TsSkinnedControl(owner, kGaugeKind, false) {
    SetControlStyle(ControlStyle() | csOpaque);
    SetBounds(Left(), Top(), 120, 30);
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
    timer_->SetInterval(kAnimationInterval);
    timer_->SetOnTimer([this](TObject*) { AnimationTick(); });
    AfterConstruction();
}

TsGauge::~TsGauge() {
    timer_->SetEnabled(false);
    timer_->SetOnTimer(nullptr);
}

bool TsGauge::Loading() const { return (ComponentState() & csLoading) != 0; }
bool TsGauge::Designing() const { return (ComponentState() & csDesigning) != 0; }

void TsGauge::Loaded() {
    TsSkinnedControl::Loaded();
    if (!Designing() && animated_ && !timer_->Enabled()) timer_->SetEnabled(true);
}

// ----- properties -----

void TsGauge::SetKind(TsGaugeKind value) {
    if (value == kind_) return;
    kind_ = value;
    Refresh();
}

void TsGauge::SetShowText(bool value) {
    if (value == showText_) return;
    showText_ = value;
    Refresh();
}

void TsGauge::SetBorderStyle(TBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    Refresh();
}

void TsGauge::SetBackColor(TColor value) {
    if (value == backColor_) return;
    backColor_ = value;
    Refresh();
}

void TsGauge::SetForeColor(TColor value) {
    if (value == foreColor_) return;
    foreColor_ = value;
    Repaint();
}

void TsGauge::SetSuffix(const std::string& value) {
    if (value == suffix_) return;
    suffix_ = value;
    SkinData().Invalidate();
}

void TsGauge::SetCalcPercents(bool value) {
    if (value == calcPercents_) return;
    calcPercents_ = value;
    SkinData().Invalidate();
}

void TsGauge::SetMinValue(int value) {
    if (value == minValue_) return;
    if (value > maxValue_ && !Loading())
        throw EInvalidOperation(RangeErrorText(-2147483647, std::int64_t{maxValue_} - 1));
    minValue_ = value;
    if (progress_ < value) progress_ = value;
    Refresh();
}

void TsGauge::SetMaxValue(int value) {
    if (value == maxValue_) return;
    if (value < minValue_ && !Loading())
        throw EInvalidOperation(RangeErrorText(std::int64_t{minValue_} + 1, 2147483647));
    maxValue_ = value;
    if (progress_ > value) progress_ = value;
    Refresh();
}

void TsGauge::SetProgress(int value) {
    const int oldPercent = GetPercent();
    value = ClampInt(value, minValue_, maxValue_);
    if (value == progress_) return;
    progress_ = value;
    if (GetPercent() != oldPercent) {
        SkinData().BackgroundDirty = true;
        Refresh();
    }
    if (OnChange) OnChange(this);
}

void TsGauge::SetAnimated(bool value) {
    animated_ = value;
    if (Designing()) return;
    DropProgressImage();
    timer_->SetEnabled(value && !Loading());
    if (!value) SkinData().Invalidate();
}

void TsGauge::SetProgressSkin(const std::string& value) {
    progressSkin_ = value;
    DropProgressImage();
    SkinData().BackgroundDirty = true;
    Repaint();
}

void TsGauge::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Kind"))
        return SetKind(PropertyEnum<TsGaugeKind>(name, value,
                                                 {{"gkText", gkText},
                                                  {"gkHorizontalBar", gkHorizontalBar},
                                                  {"gkVerticalBar", gkVerticalBar},
                                                  {"gkPie", gkPie},
                                                  {"gkNeedle", gkNeedle}}));
    if (SameText(name, "CalcPercents")) return SetCalcPercents(PropertyBool(name, value));
    if (SameText(name, "Animated")) return SetAnimated(PropertyBool(name, value));
    if (SameText(name, "ShowText")) return SetShowText(PropertyBool(name, value));
    if (SameText(name, "MinValue")) return SetMinValue(PropertyInt(name, value));
    if (SameText(name, "MaxValue")) return SetMaxValue(PropertyInt(name, value));
    if (SameText(name, "Progress")) return SetProgress(PropertyInt(name, value));
    if (SameText(name, "ProgressSkin")) return SetProgressSkin(value);
    if (SameText(name, "Suffix")) return SetSuffix(value);
    TsSkinnedControl::SetPropertyText(name, value);
}

int TsGauge::GetPercent() const {
    return PercentOf(std::int64_t{progress_} - minValue_, std::int64_t{maxValue_} - minValue_);
}

std::string TsGauge::ShownText() const { return std::to_string(calcPercents_ ? GetPercent() : progress_) + suffix_; }

int TsGauge::LightStep(int length) {
    return std::max(15, static_cast<int>(std::lround(length * 44.0 / kAnimationCycle)));
}

int TsGauge::BarLength() const { return kind_ == gkVerticalBar ? Height() : Width(); }

// ----- painting -----

void TsGauge::Paint() {
    if (Width() < 1 || Height() < 1) return;
    if (SkinData().IsSkinned())
        PaintSkinned();
    else
        PaintPlain();
}

void TsGauge::PaintSkinned() {
    TsCommonData& data = SkinData();
    // While painting must wait the parent repaints us later; nothing is drawn now.
    if (data.CheckUpdating()) return;
    PrepareCache();
    PaintControlBorder(data, 0);
    CopyCacheTo(Canvas().Handle());
    data.CacheBitmap.reset();
}

void TsGauge::CopyCacheTo(HDC dc) {
    TBitmap* cache = SkinData().CacheBitmap.get();
    if (dc == nullptr || cache == nullptr) return;
    BitBlt(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsGauge::PrepareCache() {
    TsCommonData& data = SkinData();
    data.PrepareCacheBitmap();
    TBitmap& cache = *data.CacheBitmap;
    TsBackgroundSource backdrop = data.GetParentBackground();
    const RECT all{0, 0, Width(), Height()};
    const TsGeneralData* section = data.Section();
    const bool bar = kind_ == gkHorizontalBar || kind_ == gkVerticalBar;
    TsSkinManager* manager = data.GetSkinManager();
    if (section != nullptr && section->ReservedBoolean && bar && manager != nullptr) {
        PaintSectionBackground(data.SectionIndex, data.SkinSection(), backdrop, 0, all, POINT{Left(), Top()}, cache,
                               manager);
        PaintProgress(all);
        if (IsValidMaskIndex(manager->Tables(), data.BordersMaskIndex))
            DrawBordersMask(cache, all, InitBackgroundSource(&cache, 0, 0),
                            manager->Tables().Masks[static_cast<size_t>(data.BordersMaskIndex)], 0, true);
    } else {
        PaintControlFace(data, backdrop, 0, all, POINT{Left(), Top()}, cache, true);
        PaintProgress(all);
    }
    data.BackgroundDirty = false;
}

void TsGauge::PaintProgress(RECT r) {
    if (showText_) DrawSkinnedText(r);
    switch (kind_) {
        case gkHorizontalBar:
        case gkVerticalBar:
            PaintSkinnedBar(r);
            break;
        case gkPie:
            PaintSkinnedPie(r);
            break;
        case gkNeedle:
            PaintSkinnedNeedle(r);
            break;
        case gkText:
            break;
    }
}

void TsGauge::DrawSkinnedText(RECT r) {
    TCanvas& canvas = SkinData().CacheBitmap->Canvas();
    canvas.Font().Assign(Font());
    canvas.Pen().SetStyle(psInsideFrame);
    canvas.Brush().SetStyle(bsClear);
    UINT flags = TextAlignFlags(*this, taCenter) | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    DrawControlText(canvas, ShownText(), Enabled(), r, flags, SkinData(), false);
}

void TsGauge::DrawTextOnBar(TBitmap& bitmap, RECT r, int sectionIndex) {
    bitmap.Canvas().Font().Assign(Font());
    UINT flags = TextAlignFlags(*this, taCenter) | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    WriteSectionTextOnBitmap(bitmap, ShownText(), false, r, flags, sectionIndex, false, SkinData().GetSkinManager());
}

void TsGauge::PaintSkinnedBar(RECT r) {
    TsSkinManager* manager = SkinData().GetSkinManager();
    if (manager == nullptr) return;
    std::string name = !progressSkin_.empty()                        ? progressSkin_
                       : (kind_ == gkVerticalBar && !animated_) ? std::string("PROGRESSV")
                                                                     : std::string("PROGRESSH");
    int index = GetSectionIndex(manager, name);
    const bool vertical = kind_ == gkVerticalBar;
    if (vertical && !animated_ && IsValidSectionIndex(manager->Tables(), index)) {
        PaintStaticVerticalBar(r, index, name);
        return;
    }
    if (vertical && !IsValidSectionIndex(manager->Tables(), index) && progressSkin_.empty()) {
        name = "PROGRESSH";
        index = GetSectionIndex(manager, name);
    }
    PaintLyingBar(r, index, name, vertical);
}

void TsGauge::PaintStaticVerticalBar(RECT r, int sectionIndex, const std::string& sectionName) {
    TBitmap& cache = *SkinData().CacheBitmap;
    const int height = RectHeight(r);
    const int fill = std::min(ScalePercent(GetPercent(), height), height);
    if (fill <= 0 || RectWidth(r) <= 0) return;
    auto part = NewPf32Bitmap(RectWidth(r), fill);
    const int top = Height() - fill;
    PaintSkinSection(sectionIndex, sectionName, InitBackgroundSource(&cache, 0, 0), 0, RECT{0, 0, RectWidth(r), fill},
                     POINT{r.left, top}, *part, SkinData().GetSkinManager());
    if (showText_) DrawTextOnBar(*part, RECT{0, r.top - top, RectWidth(r), r.bottom - top}, sectionIndex);
    BitBlt(cache.Canvas().Handle(), r.left, top, RectWidth(r), fill, part->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsGauge::PaintLyingBar(RECT r, int sectionIndex, const std::string& sectionName, bool vertical) {
    TsSkinManager* manager = SkinData().GetSkinManager();
    TBitmap& cache = *SkinData().CacheBitmap;
    const int length = vertical ? RectHeight(r) : RectWidth(r);
    const int thickness = vertical ? RectWidth(r) : RectHeight(r);
    const int fill = std::min(ScalePercent(GetPercent(), length), length);
    if (fill <= 0 || thickness <= 0 || !IsValidSectionIndex(manager->Tables(), sectionIndex)) return;

    std::unique_ptr<TBitmap> lyingBackdrop;
    TsBackgroundSource backdrop = InitBackgroundSource(&cache, 0, 0);
    if (vertical) {
        lyingBackdrop = RotateBitmap90(cache, false);
        backdrop = InitBackgroundSource(lyingBackdrop.get(), 0, 0);
    }
    auto work = NewPf32Bitmap(fill, thickness);
    PaintFilledPart(*work, sectionIndex, sectionName, backdrop);
    if (animated_ && lightPosition_ < kLightWidth + fill) DrawLight(*work, sectionIndex, sectionName);

    if (vertical) {
        auto upright = RotateBitmap90(*work, true);
        const int top = Height() - fill;
        if (showText_) DrawTextOnBar(*upright, RECT{r.left, r.top - top, r.right, r.bottom - top}, sectionIndex);
        BitBlt(cache.Canvas().Handle(), 0, top, upright->Width(), fill, upright->Canvas().Handle(), 0, 0, SRCCOPY);
    } else {
        if (showText_) DrawTextOnBar(*work, r, sectionIndex);
        BitBlt(cache.Canvas().Handle(), r.left, r.top, fill, thickness, work->Canvas().Handle(), 0, 0, SRCCOPY);
    }
    (void)manager;
}

void TsGauge::PaintFilledPart(TBitmap& work, int sectionIndex, const std::string& sectionName,
                              const TsBackgroundSource& backdrop) {
    if (progressImage_ != nullptr && progressImage_->Width() == work.Width() &&
        progressImage_->Height() == work.Height()) {
        BitBlt(work.Canvas().Handle(), 0, 0, work.Width(), work.Height(), progressImage_->Canvas().Handle(), 0, 0,
               SRCCOPY);
        return;
    }
    TsSkinManager* manager = SkinData().GetSkinManager();
    const RECT all{0, 0, work.Width(), work.Height()};
    const TsGeneralData* own = SkinData().Section();
    if (own != nullptr && own->ReservedBoolean)
        PaintSectionBackground(sectionIndex, sectionName, backdrop, 0, all, POINT{0, 0}, work, manager, -1, -1,
                               static_cast<TColor>(TransparentKey));
    else
        PaintSkinSection(sectionIndex, sectionName, backdrop, 0, all, POINT{0, 0}, work, manager);
    if (progressImage_ == nullptr) progressImage_ = NewPf32Bitmap(0, 0);
    progressImage_->SetSize(work.Width(), work.Height());
    BitBlt(progressImage_->Canvas().Handle(), 0, 0, work.Width(), work.Height(), work.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsGauge::DrawLight(TBitmap& work, int sectionIndex, const std::string& sectionName) {
    const int thickness = kind_ == gkVerticalBar ? Width() : Height();
    if (light_ == nullptr || light_->Width() != kLightWidth || light_->Height() != thickness) LoadLight(thickness);
    if (light_ == nullptr) return;
    const RECT lightRect{lightPosition_, 0, lightPosition_ + kLightWidth, light_->Height()};
    const RECT lit = IntersectRects(lightRect, RECT{0, 0, work.Width(), work.Height()});
    if (RectIsEmptyOrInverted(lit)) return;
    const int sourceX = std::max(0, -lightPosition_);

    TsSkinManager* manager = SkinData().GetSkinManager();
    const TsGeneralData* own = SkinData().Section();
    int maskIndex = -1;
    if (own != nullptr && !own->ReservedBoolean && manager != nullptr)
        maskIndex = manager->GetMaskIndex(sectionIndex, sectionName, "LRGN");
    if (manager != nullptr && IsValidMaskIndex(manager->Tables(), maskIndex)) {
        auto mask = NewPf32Bitmap(work.Width(), work.Height());
        TsBackgroundSource white;
        white.Color = 0xFFFFFF;
        FillBitmapRect32(*mask, RECT{0, 0, mask->Width(), mask->Height()}, static_cast<TColor>(0xFFFFFF));
        DrawBordersMask(*mask, RECT{0, 0, mask->Width(), mask->Height()}, white,
                        manager->Tables().Masks[static_cast<size_t>(maskIndex)], 0, false);
        // The light laid where it falls on the bar, so that the three pictures share coordinates.
        auto placed = NewPf32Bitmap(work.Width(), work.Height());
        for (int y = lit.top; y < lit.bottom; ++y) {
            const auto* from = reinterpret_cast<const std::uint32_t*>(light_->ScanLine(y));
            auto* to = reinterpret_cast<std::uint32_t*>(placed->ScanLine(y));
            for (int x = lit.left; x < lit.right; ++x) to[x] = from[sourceX + x - lit.left];
        }
        BlendThroughMask(work, *placed, *mask, lit);
        return;
    }
    DrawAlphaImage(lit, RECT{sourceX, lit.top, sourceX + RectWidth(lit), lit.bottom}, work, *light_, EmptyBackdrop,
                   false, clNone, 0, false);
}

void TsGauge::LoadLight(int thickness) {
    light_.reset();
    if (thickness <= 0) return;
    std::string storage;
    std::string_view bytes = LightPngBytes(storage);
    if (bytes.empty()) return;  // no light picture: the bar shows without its light
    TPNGGraphic png;
    try {
        TMemoryStream stream;
        stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        stream.SetPosition(0);
        png.LoadFromStream(stream);
    } catch (const Exception&) {
        return;
    }
    if (png.Width() <= 0 || png.Height() <= 0) return;
    png.SetPixelFormat(pf32bit);
    int firstRow = 0;
    if (png.Height() > Height()) {
        firstRow = (png.Height() - thickness) / 2 + 1;
        if (png.Height() - 2 * firstRow < 0) firstRow = 0;
    }
    firstRow = std::clamp(firstRow, 0, png.Height() - 1);
    light_ = NewPf32Bitmap(kLightWidth, thickness);
    StretchRowsKeepingAlpha(*light_, png, firstRow);
}

void TsGauge::PaintSkinnedPie(RECT r) {
    TCanvas& canvas = SkinData().CacheBitmap->Canvas();
    const int w = std::max(0, RectWidth(r));
    const int h = std::max(0, RectHeight(r));
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetColor(foreColor_);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Ellipse(r.left, r.top, w, h);
    canvas.Brush().SetColor(foreColor_);
    const int percent = GetPercent();
    if (percent > 0) {
        POINT start = PieStart(w, h, percent);
        Pie(canvas.Handle(), r.left, r.top, w, h, start.x, start.y, w / 2, 0);
    }
}

void TsGauge::PaintSkinnedNeedle(RECT r) {
    TCanvas& canvas = SkinData().CacheBitmap->Canvas();
    const int w = std::max(0, RectWidth(r));
    const int h = std::max(0, RectHeight(r));
    canvas.Brush().SetStyle(bsClear);
    canvas.Pen().SetWidth(1);
    canvas.MoveTo(r.left, r.bottom);
    canvas.LineTo(r.left + w, r.bottom);
    canvas.Pen().SetColor(foreColor_);
    Pie(canvas.Handle(), r.left, r.top, w, 2 * h - 1, r.left + w, r.bottom - 1, r.left, r.bottom - 1);
    const int percent = GetPercent();
    if (percent > 0) {
        POINT end = NeedleEnd(Width(), r.bottom, percent);
        canvas.MoveTo(Width() / 2, r.bottom - 1);
        canvas.LineTo(end.x, end.y);
    }
}

void TsGauge::PaintPlain() {
    const int width = Width(), height = Height();
    auto image = NewPf32Bitmap(width, height);
    auto overlay = NewPf32Bitmap(width, height);
    FillBitmapRect32(*image, RECT{0, 0, width, height}, clBlack);
    FillBitmapRect32(*overlay, RECT{0, 0, width, height}, clBlack);
    RECT p{0, 0, width, height};
    if (borderStyle_ == bsSingle) p = RECT{1, 1, width - 1, height - 1};
    const int percent = GetPercent();
    TCanvas& canvas = overlay->Canvas();
    auto fill = [&](RECT r, TColor color) {
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(color);
        canvas.FillRect(r);
    };
    switch (kind_) {
        case gkText:
            fill(p, backColor_);
            break;
        case gkHorizontalBar:
        case gkVerticalBar: {
            const int w = p.right - p.left + 1, h = p.bottom - p.top + 1;
            fill(p, backColor_);
            if (kind_ == gkHorizontalBar) {
                const int filled = std::min(ScalePercent(percent, w), w);
                if (filled >= 1) fill(RECT{p.left, p.top, filled, h}, foreColor_);
            } else {
                int filled = ScalePercent(percent, h);
                if (filled >= h) filled = h - 1;
                fill(RECT{p.left, h - filled, w, h}, foreColor_);
            }
            break;
        }
        case gkPie: {
            const int extra = borderStyle_ == bsSingle ? 1 : 0;
            const int w = p.right - p.left + extra, h = p.bottom - p.top + extra;
            fill(p, Color());
            canvas.Brush().SetColor(backColor_);
            canvas.Pen().SetColor(foreColor_);
            canvas.Pen().SetWidth(1);
            canvas.Ellipse(p.left, p.top, w, h);
            if (percent > 0) {
                canvas.Brush().SetColor(foreColor_);
                POINT start = PieStart(w, h, percent);
                Pie(canvas.Handle(), p.left, p.top, w, h, start.x, start.y, w / 2, 0);
            }
            break;
        }
        case gkNeedle: {
            const int extra = borderStyle_ == bsSingle ? 1 : 0;
            const int x = p.left, y = p.top, w = p.right - p.left + extra, h = p.bottom - p.top + extra;
            fill(p, Color());
            canvas.Brush().SetColor(backColor_);
            canvas.Pen().SetColor(foreColor_);
            Pie(canvas.Handle(), x, y, w, 2 * h - 1, x + w, p.bottom - 1, x, p.bottom - 1);
            canvas.MoveTo(x, p.bottom);
            canvas.LineTo(x + w, p.bottom);
            if (percent > 0) {
                POINT end = NeedleEnd(width, p.bottom, percent);
                canvas.MoveTo(width / 2, p.bottom - 1);
                canvas.LineTo(end.x, end.y);
            }
            break;
        }
    }
    BitBlt(image->Canvas().Handle(), 0, 0, width, height, overlay->Canvas().Handle(), 0, 0, SRCINVERT);
    if (showText_) {
        auto text = NewPf32Bitmap(width, height);
        FillBitmapRect32(*text, RECT{0, 0, width, height}, clBlack);
        TCanvas& textCanvas = text->Canvas();
        textCanvas.Font().Assign(Font());
        textCanvas.Font().SetColor(clWhite);
        textCanvas.Brush().SetStyle(bsClear);
        const std::string shown = ShownText();
        SIZE size = textCanvas.TextExtent(shown);
        const int x = (p.right - p.left + 1 - size.cx) / 2;
        const int y = (p.bottom - p.top + 1 - size.cy) / 2;
        textCanvas.TextRect(p, x, y, shown);
        BitBlt(image->Canvas().Handle(), 0, 0, width, height, text->Canvas().Handle(), 0, 0, SRCINVERT);
    }
    BitBlt(Canvas().Handle(), 0, 0, width, height, image->Canvas().Handle(), 0, 0, SRCCOPY);
}

// ----- the light -----

void TsGauge::AnimationTick() {
    if (!SkinData().IsSkinned()) {
        timer_->SetEnabled(false);
        return;
    }
    if (elapsed_ > kAnimationCycle) {
        lightPosition_ = -kLightWidth;
        elapsed_ = 0;
    }
    elapsed_ += kAnimationInterval;
    const int length = BarLength();
    if (lightPosition_ >= length) return;
    if (Visible() && progress_ > 0 && Parent() != nullptr && Parent()->HandleAllocated() &&
        IsWindowVisible(Parent()->Handle()))
        PaintAnimationFrame();
    lightPosition_ += LightStep(length);
}

void TsGauge::PaintAnimationFrame() {
    if (Width() < 1 || Height() < 1 || SkinData().CheckUpdating()) return;
    PrepareCache();
    PaintControlBorder(SkinData(), 0);
    HWND window = Parent()->Handle();
    HDC dc = GetDC(window);
    if (dc == nullptr) return;
    BitBlt(dc, Left(), Top(), Width(), Height(), SkinData().CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
}

// ----- messages -----

void TsGauge::SkinCommand(TMessage& message) {
    TsCommonData& data = SkinData();
    const int command = SkinCommandOf(message.WParam);
    const bool own = IsOwnManagerCommand(message, data);
    switch (command) {
        case scSkinLoaded:
            if (!own) break;
            SharedControlMessageHandler(message, &data);
            return;
        case scSkinRemoved:
            if (!own) break;
            if (animated_) timer_->SetEnabled(false);
            DropProgressImage();
            SharedControlMessageHandler(message, &data);
            Repaint();
            return;
        case scRefreshFromSkin:
            if (!own) break;
            DropProgressImage();
            SharedControlMessageHandler(message, &data);
            Repaint();
            if (animated_ && !Designing()) timer_->SetEnabled(true);
            return;
        case scResumePainting:
            if (data.CheckUpdating()) {
                data.SetUpdating(false);
                Repaint();
                return;
            }
            break;
        case scIsSkinned:
            message.Result = 1;
            return;
        case scDropCaches:
            DropProgressImage();
            break;
        case scGetApplication:
            message.Result = reinterpret_cast<LRESULT>(Application);
            return;
        default:
            break;
    }
    if (!ControlCanPaint(this) || !data.IsSkinned() || !SharedControlMessageHandler(message, &data))
        TsSkinnedControl::WndProc(message);
}

void TsGauge::WndProc(TMessage& message) {
    if (message.Msg == SkinCommandMessage) {
        SkinCommand(message);
        return;
    }
    TsCommonData& data = SkinData();
    if (message.Msg == WM_ERASEBKGND && data.IsSkinned()) return;
    if (!ControlCanPaint(this) || !data.IsSkinned() || !SharedControlMessageHandler(message, &data))
        TsSkinnedControl::WndProc(message);
}

}  // namespace parch
