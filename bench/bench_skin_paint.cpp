// Skin painting against the same composition in cairo: a 120 x 32 button cache (borders mask
// through its mask band, gradient face, check glyph, caption) and an 800 x 600 panel (gradient
// mixed with a 50 % texture, 30 % transparent over a backdrop). cairo gets the skin's pictures
// ready-made as premultiplied surfaces, untimed.
#include <cairo.h>

#include <cstring>
#include <memory>
#include <string>

#include "PeerComparison.h"
#include "platform/gdi/TextLayout.h"
#include "resources/EmbeddedResources.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sGradient.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinText.h"
#include "skin/engine/sVclUtils.h"

namespace {

using namespace parch;

constexpr int kButtonWidth = 120, kButtonHeight = 32, kPanelWidth = 800, kPanelHeight = 600;
const char* const kGradient = "15132390;11829830;100;0;0";

struct Skin {
    Skin() {
        TsStoredSkin& stored = manager.InternalSkins().Add();
        stored.Name = kInternalSkinName;
        stored.Data = *ReadEmbeddedResource(kInternalSkinResource);
        manager.SetSkinName(kInternalSkinName);
        button = GetSectionIndex(manager.Tables(), "BUTTON");
        TsGeneralData& face = manager.Tables().Sections[static_cast<size_t>(button)];
        face.HotGradientPercent = 100;
        face.HotGradientData = kGradient;
        ParseGradientData(face.HotGradientData, face.HotGradientArray);
        glyph = manager.Tables().ConstData.CheckGlyph[0];
        // The panel: a section of its own over a texture cut from the master bitmap.
        TsMaskData& texture = manager.Tables().Masks.emplace_back();
        texture.OwnerManager = &manager;
        texture.SourceRect = RECT{0, 126, 96, 174};
        texture.FrameCount = 1;
        texture.ImageKind = ikTexture;
        TsGeneralData& panel = manager.Tables().Sections.emplace_back();
        panel.SectionName = "BENCHPANEL";
        panel.StateCount = 1;
        panel.Color = 0xF0F0F0;
        panel.Transparency = 30;
        panel.ImagePercent = 50;
        panel.GradientPercent = 50;
        panel.GradientData = kGradient;
        ParseGradientData(panel.GradientData, panel.GradientArray);
        panel.PatternIdx = static_cast<int>(manager.Tables().Masks.size()) - 1;
        panelSection = static_cast<int>(manager.Tables().Sections.size()) - 1;
    }
    TsSkinManager manager;
    int button = -1, glyph = -1, panelSection = -1;
};

Skin& TheSkin() {
    static Skin skin;
    return skin;
}

// A cairo surface of a rectangle of a 32-bit bitmap: alpha from the mask band below it when
// there is one (255 minus its red), else opaque; premultiplied.
cairo_surface_t* SurfaceOf(TBitmap& image, RECT r, int maskOffset) {
    int w = RectWidth(r), h = RectHeight(r);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(data + y * stride);
        const auto* in = reinterpret_cast<const std::uint32_t*>(image.ScanLine(r.top + y)) + r.left;
        const auto* mask = maskOffset ? reinterpret_cast<const std::uint32_t*>(image.ScanLine(r.top + y + maskOffset)) + r.left : nullptr;
        for (int x = 0; x < w; ++x) {
            std::uint32_t a = mask ? 255 - ((mask[x] >> 16) & 0xFF) : (IsSkinKeyPixel(in[x]) ? 0 : 255);
            std::uint32_t p = 0;
            for (int c = 0; c < 3; ++c) p |= (((in[x] >> (8 * c)) & 0xFF) * a / 255) << (8 * c);
            out[x] = p | a << 24;
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

void CairoGradient(cairo_t* cr, int width, int height) {
    cairo_pattern_t* ramp = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(ramp, 0, 0xE6 / 255.0, 0xE6 / 255.0, 0xE6 / 255.0);
    cairo_pattern_add_color_stop_rgb(ramp, 1, 0x46 / 255.0, 0x82 / 255.0, 0xB4 / 255.0);
    cairo_set_source(cr, ramp);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
    cairo_pattern_destroy(ramp);
}

// One piece of a nine-part frame: the source rectangle stretched over the target rectangle.
void CairoPiece(cairo_t* cr, cairo_surface_t* frame, double sx, double sy, double sw, double sh, double dx, double dy,
                double dw, double dh) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    cairo_save(cr);
    cairo_rectangle(cr, dx, dy, dw, dh);
    cairo_clip(cr);
    cairo_translate(cr, dx, dy);
    cairo_scale(cr, dw / sw, dh / sh);
    cairo_set_source_surface(cr, frame, -sx, -sy);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
}

void BM_SkinPaintButton(benchmark::State& state) {
    Skin& skin = TheSkin();
    const TsSkinTables& tables = skin.manager.Tables();
    const TsGeneralData& section = tables.Sections[static_cast<size_t>(skin.button)];
    const TsMaskData& borders = tables.Masks[static_cast<size_t>(section.BordersMaskIdx)];
    const TsMaskData& check = tables.Masks[static_cast<size_t>(skin.glyph)];
    TBitmap& master = *tables.MasterBitmap;
    auto cache = NewPf32Bitmap(kButtonWidth, kButtonHeight);
    cache->Canvas().Font().SetName("DejaVu Sans");
    cache->Canvas().Font().SetHeight(-12);
    auto ours = [&] {
        PaintSkinSection(skin.button, "BUTTON", EmptyBackdrop, 1, RECT{0, 0, kButtonWidth, kButtonHeight}, POINT{0, 0},
                         *cache, &skin.manager);
        DrawMaskGlyph(*cache, POINT{8, (kButtonHeight - MaskStateHeight(check)) / 2}, 1, 1, check,
                      InitBackgroundSource(cache.get(), 0, 0));
        WriteSectionTextOnBitmap(*cache, "Extract", false, RECT{24, 0, kButtonWidth, kButtonHeight},
                                 DT_CENTER | DT_VCENTER | DT_SINGLELINE, skin.button, true, &skin.manager);
    };
    int fw = MaskFrameWidth(borders), sh = MaskStateHeight(borders);
    cairo_surface_t* frame = SurfaceOf(master, RECT{borders.SourceRect.left + fw, borders.SourceRect.top,
                                                    borders.SourceRect.left + 2 * fw, borders.SourceRect.top + sh},
                                       sh);
    int gw = MaskFrameWidth(check), gh = MaskStateHeight(check);
    cairo_surface_t* glyph = SurfaceOf(master, RECT{check.SourceRect.left + gw, check.SourceRect.top,
                                                    check.SourceRect.left + 2 * gw, check.SourceRect.top + gh},
                                       check.ExtraBands > 0 ? gh : 0);
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kButtonWidth, kButtonHeight);
    auto cairoSide = [&] {
        cairo_t* cr = cairo_create(target);
        CairoGradient(cr, kButtonWidth, kButtonHeight);
        double l = borders.LeftWidth, t = borders.TopWidth, r = borders.RightWidth, b = borders.BottomWidth;
        double mw = fw - l - r, mh = sh - t - b, W = kButtonWidth, H = kButtonHeight;
        CairoPiece(cr, frame, 0, 0, l, t, 0, 0, l, t);
        CairoPiece(cr, frame, 0, t, l, mh, 0, t, l, H - t - b);
        CairoPiece(cr, frame, l, 0, mw, t, l, 0, W - l - r, t);
        CairoPiece(cr, frame, 0, sh - b, l, b, 0, H - b, l, b);
        CairoPiece(cr, frame, l, sh - b, mw, b, l, H - b, W - l - r, b);
        CairoPiece(cr, frame, fw - r, sh - b, r, b, W - r, H - b, r, b);
        CairoPiece(cr, frame, fw - r, 0, r, t, W - r, 0, r, t);
        CairoPiece(cr, frame, fw - r, t, r, mh, W - r, t, r, H - t - b);
        cairo_set_source_surface(cr, glyph, 8, (kButtonHeight - gh) / 2);
        cairo_paint(cr);
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 12);
        cairo_text_extents_t extents;
        cairo_text_extents(cr, "Extract", &extents);
        cairo_set_source_rgb(cr, 0.12, 0.15, 0.18);
        cairo_move_to(cr, 24 + (96 - extents.width) / 2, (kButtonHeight + extents.height) / 2);
        cairo_show_text(cr, "Extract");
        cairo_destroy(cr);
        cairo_surface_flush(target);
    };
    bench::CompareWithPeers(state, ours, {bench::Peer("cairo", cairoSide)});
    cairo_surface_destroy(target);
    cairo_surface_destroy(glyph);
    cairo_surface_destroy(frame);
}

void BM_SkinPaintPanel(benchmark::State& state) {
    Skin& skin = TheSkin();
    const TsSkinTables& tables = skin.manager.Tables();
    const TsMaskData& texture = tables.Masks.back();
    auto backdrop = NewPf32Bitmap(kPanelWidth, kPanelHeight);
    for (int y = 0; y < kPanelHeight; ++y)
        for (int x = 0; x < kPanelWidth; ++x)
            reinterpret_cast<std::uint32_t*>(backdrop->ScanLine(y))[x] = ((x + y) / 8) % 2 ? 0xFFE8C07Au : 0xFF5A7A9Au;
    auto cache = NewPf32Bitmap(kPanelWidth, kPanelHeight);
    auto ours = [&] {
        PaintSectionBackground(skin.panelSection, "BENCHPANEL", InitBackgroundSource(backdrop.get(), 0, 0), 0,
                               RECT{0, 0, kPanelWidth, kPanelHeight}, POINT{0, 0}, *cache, &skin.manager);
    };
    cairo_surface_t* behind = SurfaceOf(*backdrop, RECT{0, 0, kPanelWidth, kPanelHeight}, 0);
    cairo_surface_t* tile = SurfaceOf(*tables.MasterBitmap, texture.SourceRect, 0);
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kPanelWidth, kPanelHeight);
    auto cairoSide = [&] {
        cairo_t* cr = cairo_create(target);
        cairo_set_source_surface(cr, behind, 0, 0);
        cairo_paint(cr);
        cairo_push_group(cr);
        CairoGradient(cr, kPanelWidth, kPanelHeight);
        cairo_set_source_surface(cr, tile, 0, 0);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_REPEAT);
        cairo_paint_with_alpha(cr, 0.5);
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, 0.7);
        cairo_destroy(cr);
        cairo_surface_flush(target);
    };
    bench::CompareWithPeers(state, ours, {bench::Peer("cairo", cairoSide)});
    cairo_surface_destroy(target);
    cairo_surface_destroy(tile);
    cairo_surface_destroy(behind);
}

}  // namespace

BENCHMARK(BM_SkinPaintButton)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SkinPaintPanel)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
