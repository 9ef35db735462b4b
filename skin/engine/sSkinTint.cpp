#include "skin/engine/sSkinTint.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "skin/engine/sColorTransforms.h"

namespace parch {

namespace {

using ColourChange = std::function<std::uint32_t(std::uint32_t)>;

// Every colour a re-tint changes, in the sections and in GLOBALINFO's values. Gradient stops are
// walked as parsed, so empty fields of the gradient text count for nothing.
void ChangeSkinColours(TsSkinTables& tables, const ColourChange& change) {
    for (TsGeneralData& section : tables.Sections) {
        for (std::uint32_t* colour : {&section.Color, &section.HotColor, &section.GlowColor, &section.HotGlowColor,
                                      &section.FontColor, &section.TCLeft, &section.TCTop, &section.TCRight,
                                      &section.TCBottom, &section.HotTCLeft, &section.HotTCTop, &section.HotTCRight,
                                      &section.HotTCBottom})
            *colour = change(*colour);
        for (TsGradArray* stops : {&section.GradientArray, &section.HotGradientArray})
            for (TsGradStop& stop : *stops) {
                stop.Color1 = change(stop.Color1);
                stop.Color2 = change(stop.Color2);
            }
        for (TsGenState& state : section.StateProps)
            for (std::uint32_t* colour : {&state.Color, &state.GlowColor, &state.FontColor, &state.TCLeft, &state.TCTop,
                                          &state.TCRight, &state.TCBottom})
                *colour = change(*colour);
    }
    tables.SkinData.Shadow1Color = change(tables.SkinData.Shadow1Color);
    tables.SkinData.BorderColor = change(tables.SkinData.BorderColor);
}

// The title icons whose colours survive a hue shift, by the BIKEEPHUE mode.
std::vector<std::string> HueKeepingIcons(int mode) {
    if (mode == 0) return {};
    std::vector<std::string> names = {"BICONCLOSE", "SICONCLOSE"};
    if (mode == 1)
        names.insert(names.end(), {"BICONMAX", "BICONMIN", "BICONNORM", "BICONHELP", "SICONMAX", "SICONMIN", "SICONNORM"});
    return names;
}

// A piece of the master bitmap copied out before the shift, to be put back after it.
struct SavedMasterRect {
    RECT rect;
    std::vector<std::uint32_t> pixels;
};

RECT ClippedToMaster(RECT rect, const TBitmap& bitmap) {
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.right = std::min<LONG>(rect.right, bitmap.Width());
    rect.bottom = std::min<LONG>(rect.bottom, bitmap.Height());
    return rect;
}

SavedMasterRect SaveMasterRect(TBitmap& bitmap, RECT rect) {
    SavedMasterRect saved{ClippedToMaster(rect, bitmap), {}};
    for (LONG y = saved.rect.top; y < saved.rect.bottom; ++y) {
        auto* row = reinterpret_cast<const std::uint32_t*>(bitmap.ScanLine(static_cast<int>(y)));
        saved.pixels.insert(saved.pixels.end(), row + saved.rect.left, row + saved.rect.right);
    }
    return saved;
}

void RestoreMasterRect(TBitmap& bitmap, const SavedMasterRect& saved) {
    auto next = saved.pixels.begin();
    LONG width = saved.rect.right - saved.rect.left;
    for (LONG y = saved.rect.top; y < saved.rect.bottom && width > 0; ++y, next += width)
        std::copy(next, next + width, reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(static_cast<int>(y))) + saved.rect.left);
}

}  // namespace

void ChangeHue(TsSkinTables& tables, int offset) {
    if (offset == 0) return;
    std::vector<SavedMasterRect> savedIcons;
    std::vector<const TBitmap*> keptPictures;
    for (const std::string& icon : HueKeepingIcons(tables.SkinData.BIKeepHueMode)) {
        for (const std::string& name : {icon, icon + "GLOW0"}) {
            int index = FindOwnMaskIndex(tables, "GLOBALINFO", name);
            if (index < 0) continue;
            TsMaskData& mask = tables.Masks[static_cast<size_t>(index)];
            if (mask.Picture) keptPictures.push_back(mask.Picture.get());
            else if (tables.MasterBitmap) savedIcons.push_back(SaveMasterRect(*tables.MasterBitmap, mask.SourceRect));
        }
    }

    if (tables.MasterBitmap) {
        ShiftBitmapHue(tables.MasterBitmap.get(), offset);
        for (const SavedMasterRect& saved : savedIcons) RestoreMasterRect(*tables.MasterBitmap, saved);
    }
    for (TsMaskData& mask : tables.Masks)
        if (mask.Picture && std::find(keptPictures.begin(), keptPictures.end(), mask.Picture.get()) == keptPictures.end())
            ShiftBitmapHue(mask.Picture.get(), offset);
    ChangeSkinColours(tables, [offset](std::uint32_t c) { return static_cast<std::uint32_t>(ShiftColorHue(offset, static_cast<TColor>(c))); });
}

void ChangeSaturation(TsSkinTables& tables, int amount) {
    if (amount == 0) return;
    amount %= 101;
    if (tables.MasterBitmap) AdjustBitmapSaturation(tables.MasterBitmap.get(), amount);
    for (TsMaskData& mask : tables.Masks)
        if (mask.Picture) AdjustBitmapSaturation(mask.Picture.get(), amount);
    ChangeSkinColours(tables, [amount](std::uint32_t c) { return static_cast<std::uint32_t>(AdjustColorSaturation(static_cast<TColor>(c), amount)); });
}

}  // namespace parch
