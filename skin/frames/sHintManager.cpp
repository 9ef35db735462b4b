#include "skin/frames/sHintManager.h"

#include <algorithm>

#include "base/SysUtils.h"
#include "framework/Screen.h"
#include "skin/engine/sGradient.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace {

// The manager whose look the hint windows use.
TsHintManager* currentHintManager = nullptr;
// The frame OnShowHint handed out, until a hint window takes it.
TFrame* pendingHintFrame = nullptr;

constexpr int kHintPause = 300;
constexpr int kHintShortPause = 200;

// One row of the preset table; a negative ExOffset or Radius leaves the value as it is.
struct HintPreset {
    TsHintsPredefinitions Preset;
    int BevelWidth, ExOffset, MarginH, MarginV, MaxWidth, Radius;
    TColor Color;
    int Transparency;
    TColor BorderTop, BorderBottom;
    const char* Gradient;  // nullptr: none
    int ShadowBlur, ShadowOffset, ShadowTransparency;
    TsHintStyle Style;
};

constexpr HintPreset kHintPresets[] = {
    {shSimply, 1, -1, 4, 2, 240, -1, clInfoBk, 0, 0, 0, nullptr, 3, 6, 40, hsSimply},
    {shGradient, 1, -1, 6, 3, 240, -1, 0xB6FCFA, 10, 0xFFFFFF, 0x008080,
     "167827;6865090;24;2;0;6865090;6865090;24;2;0;6865090;15400959;24;2;0;15400959;6865090;24;2;0;6865090;6865090;0;"
     "2;0",
     5, 6, 50, hsSimply},
    {shTransparent, 0, -1, 13, 5, 240, -1, 0xB6FCFA, 20, 0xFFFFFF, 0x008080, nullptr, 3, 10, 70, hsSimply},
    {shEllipse, 1, 16, 6, 12, 240, -1, 0xC2FCFC, 5, 0x008080, 0, "7728127;16777215;99;0;0;16777215;16777215;0;0;0", 4,
     16, 75, hsEllipse},
    {shBalloon, 6, 18, 6, 6, 240, -1, 0xC2FCFC, 10, 0x408080, 0x408080, nullptr, 6, 8, 70, hsBalloon},
    {shComicsGradient, 1, 24, 15, 7, 180, 21, 0xFFB44F, 8, 0x400000, 0x400000,
     "16753188;16777215;99;0;0;16777215;16777215;0;0;0", 10, 7, 28, hsComics},
    {shComicsTransparent, 1, 19, 15, 8, 180, 13, 0xC2FCFC, 10, 0, 0, nullptr, 4, 7, 45, hsComics},
};

void ApplyHintPreset(TsHintKind& kind, const HintPreset& preset) {
    kind.BevelWidth = preset.BevelWidth;
    if (preset.ExOffset >= 0) kind.ExOffset = preset.ExOffset;
    kind.MarginH = preset.MarginH;
    kind.MarginV = preset.MarginV;
    kind.MaxWidth = preset.MaxWidth;
    if (preset.Radius >= 0) kind.Radius = preset.Radius;
    kind.Color = preset.Color;
    kind.Transparency = preset.Transparency;
    kind.ColorBorderTop = preset.BorderTop;
    kind.ColorBorderBottom = preset.BorderBottom;
    kind.GradientData = preset.Gradient ? preset.Gradient : "";
    kind.GradientPercent = preset.Gradient ? 100 : 0;
    kind.SetShadowEnabled(true);
    kind.ShadowBlur = preset.ShadowBlur;
    kind.ShadowOffset = preset.ShadowOffset;
    kind.ShadowTransparency = preset.ShadowTransparency;
    if (Screen) kind.Font().Assign(Screen->HintFont());
    kind.Font().SetStyle(0);
    kind.Font().SetColor(clBlack);
    kind.Bevel = 1;
}

// The gradient stops of the text; a text that cannot be read gives none.
TsGradArray ParseHintGradient(const std::string& text) {
    TsGradArray stops;
    try {
        ParseGradientData(text, stops);
    } catch (const EConvertError&) {
        stops.clear();
    }
    return stops;
}

void TileHintTexture(TBitmap& bitmap, const RECT& rect, TGraphic& texture) {
    int width = RectWidth(rect, true);
    int height = RectHeight(rect, true);
    if (texture.Empty() || width == 0 || height == 0) return;
    TBitmap tiles(width, height, pf32bit);
    for (int y = 0; y < height; y += texture.Height())
        for (int x = 0; x < width; x += texture.Width()) tiles.Canvas().Draw(x, y, &texture);
    bitmap.Canvas().Draw(rect.left, rect.top, &tiles);
}

}  // namespace

TFrame*& PendingHintFrame() { return pendingHintFrame; }

TsHintKind::TsHintKind(TsHintManager* owner) : owner_(owner) {}

void TsHintKind::SetStyle(TsHintStyle style) {
    style_ = style;
    if (owner_) owner_->SetStyleClass(style);
}

bool TsHintKind::ShadowEnabled() const { return shadowEnabled_ && !(owner_ && owner_->SkinUsed()); }

TsHintManager::TsHintManager(TComponent* owner)
    : TComponent(owner), hintKind_(std::make_unique<TsHintKind>(this)), scratch_(std::make_unique<TBitmap>(0, 0, pf32bit)) {
    if (Application) {
        Application->HintPause = kHintPause;
        Application->HintShortPause = kHintShortPause;
        Application->OnShowHint = [this](std::string& hintStr, bool& canShow, THintInfo& hintInfo) {
            ShowHintHandler(hintStr, canShow, hintInfo);
        };
    }
    SetStyleClass(hintKind_->Style());
}

TsHintManager::~TsHintManager() {
    // Hint windows made meanwhile must not reach this manager any more.
    if (currentHintManager == this) currentHintManager = nullptr;
    if (Application) {
        Application->SetHintWindowClass(THintWindowClass{});
        Application->OnShowHint = nullptr;
    }
}

TsHintManager* TsHintManager::Current() { return currentHintManager; }

void TsHintManager::Loaded() {
    TComponent::Loaded();
    if (skinSection_.empty()) skinSection_ = "HINT";
    SetStyleClass(hintKind_->Style());
    if (Application) Application->HintHidePause = pauseHide_;
    ApplyPredefinitions();
}

void TsHintManager::SetStyleClass(TsHintStyle style) {
    THintWindowClass windowClass;
    switch (style) {
    case hsSimply:
    case hsNone:
        windowClass = HintWindowClassOf<TsSimplyHintWindow>("TsSimplyHintWindow");
        break;
    case hsComics:
        windowClass = HintWindowClassOf<TsComicsHintWindow>("TsComicsHintWindow");
        break;
    case hsEllipse:
        windowClass = HintWindowClassOf<TsEllipseHintWindow>("TsEllipseHintWindow");
        break;
    case hsBalloon:
        windowClass = HintWindowClassOf<TsBalloonHintWindow>("TsBalloonHintWindow");
        break;
    case hsStandard:
        break;
    }
    bool shaped = style == hsSimply || style == hsComics || style == hsEllipse || style == hsBalloon;
    currentHintManager = shaped ? this : nullptr;
    if (Application) Application->SetHintWindowClass(std::move(windowClass));
}

void TsHintManager::ApplyPredefinitions() {
    switch (predefinitions_) {
    case shStandard:
        hintKind_->SetStyle(hsStandard);
        return;
    case shNone:
        hintKind_->SetStyle(hsNone);
        return;
    case shCustom:
        return;
    default:
        break;
    }
    for (const HintPreset& preset : kHintPresets) {
        if (preset.Preset != predefinitions_) continue;
        ApplyHintPreset(*hintKind_, preset);
        hintKind_->SetStyle(preset.Style);
    }
}

bool TsHintManager::SkinUsed() const {
    TsSkinManager* skin = TsSkinManager::DefaultManager();
    if (!currentHintManager || !skin || !useSkinData_) return false;
    return GetSectionIndex(skin->Tables(), currentHintManager->skinSection_) >= 0;
}

void TsHintManager::SetUseSkinData(bool value) {
    useSkinData_ = value;
    if (!value) {
        SetStyleClass(hintKind_->Style());
        ApplyPredefinitions();
    }
}

void TsHintManager::SetPauseHide(int value) {
    pauseHide_ = value;
    if (Application) Application->HintHidePause = value;
}

void TsHintManager::ShowHintHandler(std::string& hintStr, bool& canShow, THintInfo& hintInfo) {
    POINT before = hintInfo.HintPos;
    if (OnShowHint) OnShowHint(hintStr, canShow, hintInfo, pendingHintFrame);
    // The handler moved the hint: it goes where the handler said.
    if (hintInfo.HintPos.x != before.x && hintInfo.HintPos.y != before.y) hintPos_ = hintInfo.HintPos;
}

void TsHintManager::PaintBackground(TBitmap& bitmap, const RECT& rect) {
    TsHintKind& kind = *hintKind_;
    TColor color = static_cast<TColor>(ColorToRGB(kind.Color));
    TsGradArray stops;
    if (kind.GradientPercent > 0) {
        stops = ParseHintGradient(kind.GradientData);
        if (stops.empty()) kind.GradientPercent = 0;
    }
    TCanvas& canvas = bitmap.Canvas();
    bool textured = kind.TexturePercent >= 1 && kind.Texture().Graphic();
    if (textured) {
        TileHintTexture(bitmap, rect, *kind.Texture().Graphic());
    } else {
        canvas.Pen().SetStyle(psClear);
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(color);
        canvas.Rectangle(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
    }
    if (kind.GradientPercent > 0) {
        if (textured) {
            auto layer = std::make_unique<TBitmap>(RectWidth(rect, true), RectHeight(rect, true), pf32bit);
            RECT all{0, 0, layer->Width(), layer->Height()};
            if (stops.empty()) FillBitmapRect32(*layer, all, color);
            else PaintMultiGradient(*layer, all, stops, 0);
            BlendRectAt(bitmap, *layer, ClampToByte(kind.TexturePercent * 256 / 100), all, {rect.left, rect.top});
        } else if (!stops.empty()) {
            PaintMultiGradient(bitmap, rect, stops, 0);
        }
    }
    int share = kind.GradientPercent + kind.TexturePercent;
    if (share >= 1 && share <= 99) BlendRectWithColor(bitmap, rect, share, color);
    else if (share != 100) FillBitmapRect32(bitmap, rect, color);
}

}  // namespace parch
