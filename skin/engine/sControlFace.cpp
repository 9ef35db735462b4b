#include "skin/engine/sControlFace.h"

#include "framework/Controls.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {
namespace {

constexpr std::uint16_t kMaskSkipsStateZero = 0x2;

bool FaceRectFits(RECT r, const TBitmap& bitmap) {
    return !RectIsEmptyOrInverted(r) && r.left >= 0 && r.top >= 0 && r.right <= bitmap.Width() &&
           r.bottom <= bitmap.Height();
}

const TsMaskData* BordersMaskOf(const TsCommonData& data, TsSkinManager& manager) {
    if (!IsValidMaskIndex(manager.Tables(), data.BordersMaskIndex)) return nullptr;
    return &manager.Tables().Masks[static_cast<size_t>(data.BordersMaskIndex)];
}

}  // namespace

void ApplyHueAndSaturation(const TsCommonData& data, TBitmap& bitmap, RECT r) {
    if (data.HUEOffset == 0 && data.Saturation == 0) return;
    bool whole = r.left == 0 && r.top == 0 && r.right == bitmap.Width() && r.bottom == bitmap.Height();
    if (whole) {
        ShiftBitmapHue(&bitmap, data.HUEOffset);
        AdjustBitmapSaturation(&bitmap, data.Saturation);
        return;
    }
    auto part = NewPf32Bitmap(RectWidth(r), RectHeight(r));
    BitBlt(part->Canvas().Handle(), 0, 0, part->Width(), part->Height(), bitmap.Canvas().Handle(), r.left, r.top,
           SRCCOPY);
    ShiftBitmapHue(part.get(), data.HUEOffset);
    AdjustBitmapSaturation(part.get(), data.Saturation);
    BitBlt(bitmap.Canvas().Handle(), r.left, r.top, part->Width(), part->Height(), part->Canvas().Handle(), 0, 0,
           SRCCOPY);
}

void PaintControlFace(TsCommonData& data, const TsBackgroundSource& backdrop, TBitmap& bitmap, POINT offset, RECT r,
                      int state, bool paintBorders) {
    TsSkinManager* manager = data.GetSkinManager();
    const TsGeneralData* section = data.Section();
    if (manager == nullptr || section == nullptr || !data.IsSkinned() || !FaceRectFits(r, bitmap)) return;
    state = ClampInt(state, 0, std::max(section->StateCount - 1, 0));
    const TsMaskData* mask = BordersMaskOf(data, *manager);
    bool borders = paintBorders && mask != nullptr && !(state == 0 && (mask->DrawFlags & kMaskSkipsStateZero) != 0);
    bool customColor = data.CustomColor() && data.HostControl != nullptr;
    if (borders && !customColor) {
        PaintSkinSection(data.SectionIndex, data.SkinSection(), backdrop, state, r, offset, bitmap, manager,
                         data.PatternIndex, data.HotPatternIndex);
    } else {
        TColor own = customColor ? static_cast<TColor>(ColorToRGB(data.HostControl->Color()))
                                 : static_cast<TColor>(TransparentKey);
        PaintSectionBackground(data.SectionIndex, data.SkinSection(), backdrop, state, r, offset, bitmap, manager,
                               data.PatternIndex, data.HotPatternIndex, own);
        if (borders) {
            TsBackgroundSource maskBackdrop = backdrop;
            maskBackdrop.X += offset.x;
            maskBackdrop.Y += offset.y;
            DrawBordersMask(bitmap, r, maskBackdrop, *mask, state, true);
        }
    }
    ApplyHueAndSaturation(data, bitmap, r);
}

void PaintControlFaceOnParent(TsCommonData& data, TControl& parent, TBitmap& bitmap, POINT offset, RECT r, int state) {
    TsBackgroundRequest request;
    GetControlBackdrop(request, parent, false);
    PaintControlFace(data, BackdropFromQuery(request), bitmap, offset, r, state);
}

TColor ControlTextColor(TCanvas& canvas, bool enabled, int state, TsCommonData& data) {
    TsSkinManager* manager = data.GetSkinManager();
    if (manager == nullptr || !data.IsSkinned() || data.CustomFont()) return canvas.Font().Color();
    int index = data.SectionIndex;
    if (data.HostControl != nullptr && data.HostControl->ParentFont())
        index = FindFontSectionIndex(data.HostControl, index, manager, state);
    const TsSkinTables& tables = manager->Tables();
    if (!IsValidSectionIndex(tables, index)) return canvas.Font().Color();
    const TsGeneralData& section = tables.Sections[static_cast<size_t>(index)];
    bool hot = state != 0 && section.StateCount > 1;
    auto colour = static_cast<TColor>(hot ? section.HotFontColor : section.FontColor);
    if (enabled) return colour;
    auto background = static_cast<TColor>(hot ? section.HotColor : section.Color);
    TColor disabled = MixColorsByFactor(colour, background, 0.4);
    disabled = ShiftColorHue(data.HUEOffset, disabled);
    return AdjustColorSaturation(disabled, data.Saturation);
}

void DrawControlText(TCanvas& canvas, const std::string& text, bool enabled, int state, TsCommonData& data, UINT flags,
                     RECT r) {
    if (text.empty()) return;
    TColor colour = ControlTextColor(canvas, enabled, state, data);
    canvas.Brush().SetStyle(bsClear);
    HDC dc = canvas.Handle();
    int saved = SaveDC(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(colour));
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    RestoreDC(dc, saved);
}

}  // namespace parch
