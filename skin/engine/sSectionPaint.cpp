#include "skin/engine/sSectionPaint.h"

#include <algorithm>
#include <memory>

#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "framework/Controls.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGradient.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace section_paint_detail {

constexpr TColor kNoColour = static_cast<TColor>(TransparentKey);

// A texture from the mask table or from the pattern table (JPEG pictures, always tiled).
struct Texture {
    const TsMaskData* mask = nullptr;
    TsPatternData* pattern = nullptr;
    bool Exists() const { return mask || pattern; }
};

// What a state of a section looks like.
struct Look {
    TColor colour = 0;
    int transparency = 0;
    int imagePercent = 0;
    int gradientPercent = 0;
    const std::string* gradientText = nullptr;
    const TsGradArray* stops = nullptr;
    Texture texture;
    bool HasGradient() const { return gradientText && !gradientText->empty() && stops && !stops->empty(); }
};

int ClampState(int state, const TsGeneralData& section) {
    return std::max(0, std::min(state, section.StateCount - 1));
}

Look ChooseLook(const TsGeneralData& section, int state, TColor customColor) {
    Look look;
    if (customColor != kNoColour) {
        look.colour = static_cast<TColor>(ColorToRGB(customColor));
        return look;
    }
    bool hot = state > 0;
    look.colour = static_cast<TColor>(hot ? section.HotColor : section.Color);
    look.transparency = std::clamp(hot ? section.HotTransparency : section.Transparency, 0, 100);
    if (look.transparency == 100) return look;
    look.imagePercent = std::clamp(hot ? section.HotImagePercent : section.ImagePercent, 0, 100);
    look.gradientPercent = std::clamp(hot ? section.HotGradientPercent : section.GradientPercent, 0, 100);
    if (look.gradientPercent != 0) {
        look.gradientText = hot ? &section.HotGradientData : &section.GradientData;
        look.stops = hot ? &section.HotGradientArray : &section.GradientArray;
    }
    return look;
}

const TsMaskData* MaskAt(const TsSkinTables& tables, int index) {
    return IsValidMaskIndex(tables, index) ? &tables.Masks[static_cast<size_t>(index)] : nullptr;
}

// The state's texture: the index given (state 0 falls back on the section's PATTERN entry),
// else a look-up by name in the mask table, else in the pattern table. Masked textures are
// not taken here: they are laid over the finished background.
Texture ResolveTexture(TsSkinTables& tables, int sectionIndex, const std::string& sectionName, int state,
                       int& patternIndex, int hotPatternIndex) {
    const TsGeneralData& section = tables.Sections[static_cast<size_t>(sectionIndex)];
    const char* key = state == 0 ? "PATTERN" : "HOTPATTERN";
    int found = -1;
    if (state == 0) {
        if (patternIndex < 0) patternIndex = section.PatternIdx;
        if (patternIndex >= 0) {
            const TsMaskData* mask = MaskAt(tables, patternIndex);
            if (mask && mask->ExtraBands == 0) found = patternIndex;
        } else {
            found = GetMaskIndex(tables, sectionIndex, sectionName, key);
        }
    } else if (hotPatternIndex != -1) {
        const TsMaskData* mask = MaskAt(tables, hotPatternIndex);
        if (mask && mask->ExtraBands == 0) found = hotPatternIndex;
    } else {
        found = GetMaskIndex(tables, sectionIndex, sectionName, key);
    }
    Texture texture;
    if (const TsMaskData* mask = MaskAt(tables, found)) {
        texture.mask = mask;
        return texture;
    }
    int pattern = GetPatternIndex(tables, sectionIndex, sectionName, key);
    if (pattern >= 0 && pattern < static_cast<int>(tables.Patterns.size()) &&
        tables.Patterns[static_cast<size_t>(pattern)].Image)
        texture.pattern = &tables.Patterns[static_cast<size_t>(pattern)];
    return texture;
}

// The pattern picture as a 32-bit opaque bitmap.
std::unique_ptr<TBitmap> PatternPicture(TsPatternData& pattern) {
    auto picture = std::make_unique<TBitmap>();
    picture->Assign(&pattern.Image->Bitmap());
    picture->SetPixelFormat(pf32bit);
    SetAlphaInRect(*picture, RECT{0, 0, picture->Width(), picture->Height()}, 255, false);
    return picture;
}

// Fills R with a mask-table texture by its fill mode; returns what it left uncovered (empty
// when all is covered).
RECT FillWithMaskTexture(TBitmap& bitmap, RECT r, const TsMaskData& texture) {
    TBitmap* image = MaskImage(texture);
    RECT none{0, 0, 0, 0};
    if (!image) return r;
    RECT from = texture.SourceRect;
    if (texture.Picture) {
        TileBitmapRect(bitmap, r, *image, RECT{0, 0, image->Width(), image->Height()});
        return none;
    }
    int tw = RectWidth(from), th = RectHeight(from);
    if (tw <= 0 || th <= 0) return r;
    switch (texture.DrawFlags) {
        case 1: StretchBitmapRect(bitmap, r, *image, from); return none;
        case 2:
            TileBitmapRect(bitmap, RECT{r.left, r.top, r.right, std::min<int>(r.top + th, r.bottom)}, *image, from);
            return RECT{r.left, r.top + th, r.right, r.bottom};
        case 3:
            TileBitmapRect(bitmap, RECT{r.left, r.top, std::min<int>(r.left + tw, r.right), r.bottom}, *image, from);
            return RECT{r.left + tw, r.top, r.right, r.bottom};
        case 4:
            StretchBitmapRect(bitmap, RECT{r.left, r.top, r.right, std::min<int>(r.top + th, r.bottom)}, *image,
                              RECT{from.left, from.top, from.right, from.top + std::min(th, RectHeight(r))});
            return RECT{r.left, r.top + th, r.right, r.bottom};
        case 5:
            StretchBitmapRect(bitmap, RECT{r.left, r.top, std::min<int>(r.left + tw, r.right), r.bottom}, *image,
                              RECT{from.left, from.top, from.left + std::min(tw, RectWidth(r)), from.bottom});
            return RECT{r.left + tw, r.top, r.right, r.bottom};
        case 6:
            TileBitmapRect(bitmap, RECT{r.left, std::max<int>(r.bottom - th, r.top), r.right, r.bottom}, *image, from);
            return RECT{r.left, r.top, r.right, r.bottom - th};
        case 7:
            TileBitmapRect(bitmap, RECT{std::max<int>(r.right - tw, r.left), r.top, r.right, r.bottom}, *image, from);
            return RECT{r.left, r.top, r.right - tw, r.bottom};
        case 10: {
            // Whole tiles only down each column; the last column is cut at the right edge.
            int rowsBottom = r.top;
            while (rowsBottom < r.bottom - th) rowsBottom += th;
            TileBitmapRect(bitmap, RECT{r.left, r.top, r.right, rowsBottom}, *image, from);
            return none;
        }
        default: TileBitmapRect(bitmap, r, *image, from); return none;
    }
}

// Fills R with the texture; what it leaves uncovered gets the colour.
void FillWithTexture(TBitmap& bitmap, RECT r, const Texture& texture, TColor colour) {
    RECT left = r;
    if (texture.mask) {
        left = FillWithMaskTexture(bitmap, r, *texture.mask);
    } else if (texture.pattern) {
        std::unique_ptr<TBitmap> picture = PatternPicture(*texture.pattern);
        if (!picture->Empty()) {
            TileBitmapRect(bitmap, r, *picture, RECT{0, 0, picture->Width(), picture->Height()});
            left = RECT{0, 0, 0, 0};
        }
    }
    left = IntersectRects(left, r);
    if (!RectIsEmptyOrInverted(left)) FillBitmapRect32(bitmap, left, colour);
}

void PaintGradientOrColour(TBitmap& bitmap, RECT r, const Look& look) {
    if (look.HasGradient())
        PaintMultiGradient(bitmap, r, *look.stops, 0);
    else
        FillBitmapRect32(bitmap, r, look.colour);
}

// The section's own look (texture, gradient, colour by their percentages) inside R.
void ComposeLook(TBitmap& bitmap, RECT r, const Look& look, bool allowSinglePass) {
    int i = look.imagePercent, g = look.gradientPercent;
    const TsMaskData* mask = look.texture.mask;
    if (allowSinglePass && i + g == 100 && g >= 1 && g <= 99 && mask && mask->DrawFlags == 0 && look.HasGradient() &&
        (look.stops->front().Mode == 0 || look.stops->front().Mode == 1)) {
        if (TBitmap* image = MaskImage(*mask)) {
            PaintMultiGradientTextured(bitmap, r, *look.stops, i * 255 / 100,
                                       mask->Picture ? RECT{0, 0, image->Width(), image->Height()} : mask->SourceRect,
                                       *image);
            return;
        }
    }
    bool textured = i > 0;
    if (textured) FillWithTexture(bitmap, r, look.texture, look.colour);
    if (g > 0) {
        if (textured) {
            auto gradient = NewPf32Bitmap(RectWidth(r), RectHeight(r));
            PaintGradientOrColour(*gradient, RECT{0, 0, RectWidth(r), RectHeight(r)}, look);
            BlendRectAt(bitmap, *gradient, std::clamp(i * 255 / 100, 0, 255),
                        RECT{0, 0, gradient->Width(), gradient->Height()}, POINT{r.left, r.top});
        } else {
            PaintGradientOrColour(bitmap, r, look);
        }
    }
    int s = i + g;
    if (s == 0)
        FillBitmapRect32(bitmap, r, look.colour);
    else if (s < 100)
        BlendRectWithColor(bitmap, RECT{r.left, r.top, r.right - 1, r.bottom - 1}, s, look.colour);
}

// Copies the backdrop behind R into R; pixels the backdrop bitmap does not hold stay as they are.
void CopyBackdrop(TBitmap& bitmap, RECT r, const TsBackgroundSource& backdrop, POINT offset) {
    TBitmap* behind = backdrop.Bmp;
    if (!behind || behind->PixelFormat() != pf32bit || behind == &bitmap) return;
    RECT target = IntersectRects(r, RECT{0, 0, bitmap.Width(), bitmap.Height()});
    int dx = backdrop.X + offset.x - r.left, dy = backdrop.Y + offset.y - r.top;
    int left = std::max<int>(target.left, -dx), right = std::min<int>(target.right, behind->Width() - dx);
    if (left >= right) return;
    for (int y = target.top; y < target.bottom; ++y) {
        int by = y + dy;
        if (by < 0 || by >= behind->Height()) continue;
        const auto* from = reinterpret_cast<const std::uint32_t*>(behind->ScanLine(by));
        auto* to = reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y));
        std::copy(from + left + dx, from + right + dx, to + left);
    }
}

// The look composed in a temporary bitmap and blended over the backdrop already in R, which
// keeps transparency percent of its own.
void BlendLookOverBackdrop(TBitmap& bitmap, RECT r, const Look& look, bool allowSinglePass) {
    auto composed = NewPf32Bitmap(RectWidth(r), RectHeight(r));
    ComposeLook(*composed, RECT{0, 0, composed->Width(), composed->Height()}, look, allowSinglePass);
    BlendRectAt(bitmap, *composed, ClampToByte(look.transparency * 255 / 100),
                RECT{0, 0, composed->Width(), composed->Height()}, POINT{r.left, r.top});
}

inline std::uint32_t MaskChannel(std::uint32_t pixel, int channel) { return (pixel >> (8 * channel)) & 0xFF; }

// A texture carrying its mask in its lower half, laid over R through the mask in tiles of one
// frame; key-coloured texture pixels show the backdrop (target coordinates). Mode 10 also puts
// the backdrop into the band below the last row and the strip right of the last column.
void DrawMaskedTexture(TBitmap& bitmap, RECT r, const TsMaskData& texture, const TsBackgroundSource& backdrop) {
    TBitmap* image = MaskImage(texture);
    if (!image || texture.FrameCount <= 0) return;
    int tw = RectWidth(texture.SourceRect) / texture.FrameCount, th = RectHeight(texture.SourceRect) / 2;
    if (tw <= 0 || th <= 0) return;
    bool lastColumn = texture.DrawFlags == 0;
    auto backdropPixel = [&](int x, int y, std::uint32_t current) {
        if (backdrop.Valid && backdrop.Bmp && backdrop.Bmp->PixelFormat() == pf32bit) {
            int bx = backdrop.X + x, by = backdrop.Y + y;
            if (bx >= 0 && by >= 0 && bx < backdrop.Bmp->Width() && by < backdrop.Bmp->Height())
                return reinterpret_cast<const std::uint32_t*>(backdrop.Bmp->ScanLine(by))[bx];
            return current;
        }
        if (backdrop.Valid || backdrop.Color == TransparentKey) return current;
        return static_cast<std::uint32_t>(ExchangeRedBlueNoAlpha(static_cast<TColor>(backdrop.Color))) | 0xFF000000u;
    };
    RECT clip = IntersectRects(r, RECT{0, 0, bitmap.Width(), bitmap.Height()});
    int columnsEnd = r.left, rowsEnd = r.top;
    for (int left = r.left; left < r.right - tw || (lastColumn && left < r.right); left += tw) {
        columnsEnd = std::min<int>(left + tw, r.right);
        for (int top = r.top; top < r.bottom - th; top += th) {
            rowsEnd = top + th;
            for (int y = std::max<int>(top, clip.top); y < std::min<int>(top + th, clip.bottom); ++y) {
                int sy = texture.SourceRect.top + y - top;
                if (sy < 0 || sy + th >= image->Height()) continue;
                const auto* s = reinterpret_cast<const std::uint32_t*>(image->ScanLine(sy));
                const auto* m = reinterpret_cast<const std::uint32_t*>(image->ScanLine(sy + th));
                auto* d = reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y));
                for (int x = std::max<int>(left, clip.left); x < std::min<int>(columnsEnd, clip.right); ++x) {
                    int sx = texture.SourceRect.left + x - left;
                    if (sx < 0 || sx >= image->Width()) continue;
                    if (IsSkinKeyPixel(s[sx])) {
                        d[x] = backdropPixel(x, y, d[x]);
                        continue;
                    }
                    std::uint32_t out = d[x] & 0xFF000000u;
                    for (int c = 0; c < 3; ++c) {
                        int dv = static_cast<int>(MaskChannel(d[x], c)), sv = static_cast<int>(MaskChannel(s[sx], c));
                        int mv = static_cast<int>(MaskChannel(m[sx], c));
                        out |= static_cast<std::uint32_t>(ClampToByte(((dv - sv) * mv + sv * 256) >> 8)) << (8 * c);
                    }
                    d[x] = out;
                }
            }
        }
    }
    if (lastColumn) return;
    for (int y = clip.top; y < clip.bottom; ++y) {
        auto* d = reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y));
        for (int x = clip.left; x < clip.right; ++x)
            if (y >= rowsEnd || x >= columnsEnd) d[x] = backdropPixel(x, y, d[x]);
    }
}

TsSkinManager* ManagerOrDefault(TsSkinManager* manager) { return manager ? manager : TsSkinManager::DefaultManager(); }

bool PaintableRect(const RECT& r, const TBitmap& bitmap) {
    return !RectIsEmptyOrInverted(r) && r.left >= 0 && r.top >= 0 && r.right <= bitmap.Width() &&
           r.bottom <= bitmap.Height();
}

void PaintCornerImages(TBitmap& bitmap, RECT r, const TsSkinTables& tables, const TsGeneralData& section, int state) {
    TsBackgroundSource self = InitBackgroundSource(&bitmap, 0, 0);
    auto draw = [&](int index, bool right, bool bottom) {
        const TsMaskData* mask = MaskAt(tables, index);
        if (!mask) return;
        int x = right ? r.right - MaskFrameWidth(*mask) : r.left;
        int y = bottom ? r.bottom - MaskStateHeight(*mask) : r.top;
        DrawMaskGlyph(bitmap, POINT{x, y}, state, 1, *mask, self);
    };
    draw(section.ImgTopLeftIdx, false, false);
    draw(section.ImgTopRightIdx, true, false);
    draw(section.ImgBottomLeftIdx, false, true);
    draw(section.ImgBottomRightIdx, true, true);
}

}  // namespace section_paint_detail

using namespace section_paint_detail;

void PaintSectionBackground(int sectionIndex, const std::string& sectionName, TsBackgroundSource backdrop, int state,
                            RECT r, POINT offset, TBitmap& bitmap, TsSkinManager* manager, int patternIndex,
                            int hotPatternIndex, TColor customColor) {
    manager = ManagerOrDefault(manager);
    if (!manager || !IsValidSectionIndex(manager->Tables(), sectionIndex) || bitmap.PixelFormat() != pf32bit) return;
    TsSkinTables& tables = manager->Tables();
    const TsGeneralData& section = tables.Sections[static_cast<size_t>(sectionIndex)];
    state = ClampState(state, section);
    Look look = ChooseLook(section, state, customColor);
    if (look.imagePercent > 0)
        look.texture = ResolveTexture(tables, sectionIndex, sectionName, state, patternIndex, hotPatternIndex);

    int t = look.transparency;
    bool nothingKnown = !backdrop.Valid && backdrop.Color == TransparentKey;
    if (nothingKnown || t == 0) {
        ComposeLook(bitmap, r, look, true);
    } else if (t == 100) {
        if (backdrop.Valid)
            CopyBackdrop(bitmap, r, backdrop, offset);
        else
            FillBitmapRect32(bitmap, r, static_cast<TColor>(backdrop.Color));
    } else if (backdrop.Valid || look.imagePercent + look.gradientPercent != 0) {
        if (backdrop.Valid)
            CopyBackdrop(bitmap, r, backdrop, offset);
        else
            FillBitmapRect32(bitmap, r, static_cast<TColor>(backdrop.Color));
        BlendLookOverBackdrop(bitmap, r, look, true);
    } else {
        FillBitmapRect32(bitmap, r, MixColorsByFactor(static_cast<TColor>(backdrop.Color), look.colour, t / 100.0));
    }

    if (state != 0) return;
    int masked = patternIndex != -1 ? patternIndex : hotPatternIndex;
    const TsMaskData* texture = MaskAt(tables, masked);
    if (texture && texture->ExtraBands > 0 && texture->DrawFlags == 10) {
        backdrop.X += offset.x;
        backdrop.Y += offset.y;
        DrawMaskedTexture(bitmap, r, *texture, backdrop);
    }
}

void PaintSkinSection(int sectionIndex, const std::string& sectionName, TsBackgroundSource backdrop, int state, RECT r,
                      POINT offset, TBitmap& bitmap, TsSkinManager* manager, int patternIndex, int hotPatternIndex) {
    manager = ManagerOrDefault(manager);
    if (!manager || !IsValidSectionIndex(manager->Tables(), sectionIndex) || !PaintableRect(r, bitmap)) return;
    const TsSkinTables& tables = manager->Tables();
    const TsGeneralData& section = tables.Sections[static_cast<size_t>(sectionIndex)];
    state = ClampState(state, section);
    PaintSectionBackground(sectionIndex, sectionName, backdrop, state, r, offset, bitmap, manager, patternIndex,
                           hotPatternIndex, kNoColour);
    PaintCornerImages(bitmap, r, tables, section, state);
    backdrop.X += offset.x;
    backdrop.Y += offset.y;
    if (const TsMaskData* mask = MaskAt(tables, section.BordersMaskIdx))
        DrawBordersMask(bitmap, r, backdrop, *mask, state, true);
}

namespace {

// The colour of the control that keeps its own (a form's for the skin data of its frame);
// 0xFF00FF when there is none.
TColor OwnColorOf(const TsCommonData& data) {
    const TControl* host = data.HostControl;
    if (host == nullptr)
        if (const auto* component = dynamic_cast<const TComponent*>(data.HostObject))
            host = dynamic_cast<const TControl*>(component->Owner());
    return host != nullptr ? static_cast<TColor>(ColorToRGB(host->Color())) : static_cast<TColor>(TransparentKey);
}

// The section of a control that may be painted into R of the bitmap, or nullptr.
const TsGeneralData* PaintableSection(TsCommonData& data, RECT r, const TBitmap& bitmap) {
    TsSkinManager* manager = data.GetSkinManager();
    if (manager == nullptr || !IsValidSectionIndex(manager->Tables(), data.SectionIndex)) return nullptr;
    if (r.left < 0 || r.top < 0 || r.right > bitmap.Width() || r.bottom > bitmap.Height()) return nullptr;
    return &manager->Tables().Sections[static_cast<size_t>(data.SectionIndex)];
}

// The control's borders mask for the state, or nullptr when it draws none.
const TsMaskData* ControlBordersMask(const TsCommonData& data, const TsSkinTables& tables, int state) {
    const TsMaskData* mask = MaskAt(tables, data.BordersMaskIndex);
    if (mask == nullptr || (state == 0 && (mask->DrawFlags & 2) != 0)) return nullptr;
    return mask;
}

}  // namespace

void PaintControlBackground(TsCommonData& data, TsBackgroundSource backdrop, int state, RECT r, POINT offset,
                            TBitmap& bitmap) {
    const TColor custom = data.CustomColor() ? OwnColorOf(data) : static_cast<TColor>(TransparentKey);
    PaintSectionBackground(data.SectionIndex, data.SkinSection(), backdrop, state, r, offset, bitmap,
                           data.GetSkinManager(), data.PatternIndex, data.HotPatternIndex, custom);
}

void PaintControlFace(TsCommonData& data, TsBackgroundSource backdrop, int state, RECT r, POINT offset,
                      TBitmap& bitmap, bool cornersUseBackdrop) {
    const TsGeneralData* section = PaintableSection(data, r, bitmap);
    if (section == nullptr) return;
    const TsSkinTables& tables = data.GetSkinManager()->Tables();
    state = ClampState(state, *section);
    PaintControlBackground(data, backdrop, state, r, offset, bitmap);
    backdrop.X += offset.x;
    backdrop.Y += offset.y;
    PaintCornerImages(bitmap, r, tables, *section, state);
    const TsMaskData* mask = ControlBordersMask(data, tables, state);
    if (mask != nullptr) DrawBordersMask(bitmap, r, backdrop, *mask, state, cornersUseBackdrop);
    // Without borders a see-through face would carry the tint into what shows through it.
    const int transparency = state == 0 ? section->Transparency : section->HotTransparency;
    if (mask == nullptr && transparency != 0) return;
    ApplyHueAndSaturation(data, bitmap);
}

void ApplyHueAndSaturation(const TsCommonData& data, TBitmap& bitmap) {
    if (data.HUEOffset != 0) ShiftBitmapHue(&bitmap, data.HUEOffset);
    if (data.Saturation != 0) AdjustBitmapSaturation(&bitmap, data.Saturation);
}

void PaintControlFaceOnParent(TsCommonData& data, TControl& parent, int state, RECT r, POINT offset, TBitmap& bitmap,
                              bool cornersUseBackdrop) {
    const TsGeneralData* section = PaintableSection(data, r, bitmap);
    if (section == nullptr) return;
    const TsSkinTables& tables = data.GetSkinManager()->Tables();
    state = ClampState(state, *section);
    TsBackgroundRequest request;
    request.R = data.HostControl != nullptr ? data.HostControl->BoundsRect() : r;
    GetControlBackdrop(request, parent, false);
    TsBackgroundSource backdrop = BackdropFromQuery(request);
    PaintControlBackground(data, backdrop, state, r, offset, bitmap);
    backdrop.X += offset.x;
    backdrop.Y += offset.y;
    if (const TsMaskData* mask = ControlBordersMask(data, tables, state))
        DrawBordersMask(bitmap, r, backdrop, *mask, state, cornersUseBackdrop);
    PaintCornerImages(bitmap, r, tables, *section, state);
}

void PaintSectionWithMask(int sectionIndex, int maskIndex, int patternIndex, int hotPatternIndex,
                          const std::string& sectionName, TsBackgroundSource backdrop, int state, RECT r, POINT offset,
                          TBitmap& bitmap, TsSkinManager* manager) {
    (void)sectionName;
    manager = ManagerOrDefault(manager);
    if (!manager || !IsValidSectionIndex(manager->Tables(), sectionIndex) || !PaintableRect(r, bitmap)) return;
    const TsSkinTables& tables = manager->Tables();
    const TsGeneralData& section = tables.Sections[static_cast<size_t>(sectionIndex)];
    state = ClampState(state, section);
    Look look = ChooseLook(section, state, kNoColour);
    if (look.imagePercent > 0) look.texture.mask = MaskAt(tables, state == 0 ? patternIndex : hotPatternIndex);
    int t = look.transparency;
    auto compose = [&](TBitmap& target, RECT area) {
        // With nothing of the section's own showing, an unknown backdrop's colour stands in.
        if (look.imagePercent + look.gradientPercent == 0 && !backdrop.Valid && t == 100)
            FillBitmapRect32(target, area, static_cast<TColor>(backdrop.Color));
        else
            ComposeLook(target, area, look, false);
    };
    if (backdrop.Valid && t == 100) {
        CopyBackdrop(bitmap, r, backdrop, offset);
    } else if (!backdrop.Valid || t == 0) {
        compose(bitmap, r);
    } else {
        auto composed = NewPf32Bitmap(RectWidth(r), RectHeight(r));
        compose(*composed, RECT{0, 0, composed->Width(), composed->Height()});
        CopyBackdrop(bitmap, r, backdrop, offset);
        BlendRectAt(bitmap, *composed, ClampToByte(t * 255 / 100), RECT{0, 0, composed->Width(), composed->Height()},
                    POINT{r.left, r.top});
    }
    backdrop.X += offset.x;
    backdrop.Y += offset.y;
    if (const TsMaskData* mask = MaskAt(tables, maskIndex)) DrawBordersMask(bitmap, r, backdrop, *mask, state, true);
}

void PaintSectionToDC(int sectionIndex, const std::string& sectionName, TsBackgroundSource backdrop, int state, RECT r,
                      POINT offset, HDC dc, TsSkinManager* manager) {
    manager = ManagerOrDefault(manager);
    if (!manager || !IsValidSectionIndex(manager->Tables(), sectionIndex) || r.left < 0 || r.top < 0 ||
        RectIsEmptyOrInverted(r))
        return;
    auto picture = NewPf32Bitmap(RectWidth(r), RectHeight(r));
    PaintSkinSection(sectionIndex, sectionName, backdrop, state, RECT{0, 0, picture->Width(), picture->Height()},
                     offset, *picture, manager);
    int saved = SaveDC(dc);
    BitBlt(dc, r.left, r.top, picture->Width(), picture->Height(), picture->Canvas().Handle(), 0, 0, SRCCOPY);
    RestoreDC(dc, saved);
}

int PaintNamedSection(TBitmap& bitmap, const std::string& sectionName, const std::string& fallbackName, int state,
                      TsSkinManager* manager, RECT r, TColor color, HDC dc) {
    manager = ManagerOrDefault(manager);
    int index = GetSectionIndex(manager, sectionName);
    if (!manager || !IsValidSectionIndex(manager->Tables(), index)) index = GetSectionIndex(manager, fallbackName);
    if (!manager || !IsValidSectionIndex(manager->Tables(), index)) return index;
    TsBackgroundSource backdrop;
    backdrop.Color = static_cast<std::uint32_t>(color);
    if (dc) {
        BitBlt(bitmap.Canvas().Handle(), 0, 0, bitmap.Width(), bitmap.Height(), dc, r.left, r.top, SRCCOPY);
        backdrop = InitBackgroundSource(&bitmap, 0, 0);
    }
    const std::string& name = manager->Tables().Sections[static_cast<size_t>(index)].SectionName;
    PaintSkinSection(index, name, backdrop, state, RECT{0, 0, bitmap.Width(), bitmap.Height()}, POINT{0, 0}, bitmap,
                     manager);
    return index;
}

}  // namespace parch
