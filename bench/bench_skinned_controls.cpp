// Skinned bit buttons against the same pictures drawn with cairo: 100 buttons of 90 x 30 each
// rebuilt and painted (face with the internal skin's nine-part borders, a 16 x 16 glyph with
// alpha, the caption), and one five-frame hover fade of a button. cairo gets the skin's frame
// and the glyph ready-made as premultiplied surfaces, untimed.
#include <cairo.h>

#include <memory>
#include <vector>

#include "PeerComparison.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DrawText.h"
#include "resources/EmbeddedResources.h"
#include "skin/controls/sBitBtn.h"
#include "skin/controls/sFade.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace {

using namespace parch;

constexpr int kButtons = 100, kWidth = 90, kHeight = 30, kGlyph = 16, kFadeFrames = 5;

// A round 16 x 16 glyph with soft edges.
std::unique_ptr<TBitmap> MakeGlyph() {
    auto glyph = NewPf32Bitmap(kGlyph, kGlyph);
    for (int y = 0; y < kGlyph; ++y)
        for (int x = 0; x < kGlyph; ++x) {
            double dx = x - 7.5, dy = y - 7.5, d = dx * dx + dy * dy;
            int a = d < 36 ? 255 : d < 64 ? static_cast<int>(255 * (64 - d) / 28) : 0;
            reinterpret_cast<std::uint32_t*>(glyph->ScanLine(y))[x] = static_cast<std::uint32_t>(a) << 24 | 0x2E6090;
        }
    return glyph;
}

struct Scene {
    Scene() {
        TsStoredSkin& stored = manager.InternalSkins().Add();
        stored.Name = kInternalSkinName;
        stored.Data = *ReadEmbeddedResource(kInternalSkinResource);
        manager.SetSkinName(kInternalSkinName);
        form.SetBounds(0, 0, 10 * (kWidth + 4), 10 * (kHeight + 4) + 40);
        form.Show();
        glyph = MakeGlyph();
        for (int i = 0; i < kButtons; ++i) {
            auto* button = new TsBitBtn(&form);
            button->SetParent(&form);
            button->SetBounds((i % 10) * (kWidth + 4), (i / 10) * (kHeight + 4), kWidth, kHeight);
            button->SetText("Start");
            button->Font().SetName("DejaVu Sans");
            button->Font().SetSize(9);
            button->Glyph().Assign(glyph.get());
            buttons.push_back(button);
        }
        display.PumpMessages();
    }
    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
    std::unique_ptr<TBitmap> glyph;
    std::vector<TsBitBtn*> buttons;
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

// A rectangle of a 32-bit picture as a premultiplied surface: alpha from the mask band below it
// (255 minus its red) when there is one, else from the pixel.
cairo_surface_t* SurfaceOf(TBitmap& image, RECT r, int maskOffset) {
    int w = RectWidth(r), h = RectHeight(r);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(data + y * stride);
        const auto* in = reinterpret_cast<const std::uint32_t*>(image.ScanLine(r.top + y)) + r.left;
        const auto* mask =
            maskOffset ? reinterpret_cast<const std::uint32_t*>(image.ScanLine(r.top + y + maskOffset)) + r.left : nullptr;
        for (int x = 0; x < w; ++x) {
            std::uint32_t a = mask ? 255 - ((mask[x] >> 16) & 0xFF) : in[x] >> 24;
            std::uint32_t p = 0;
            for (int c = 0; c < 3; ++c) p |= (((in[x] >> (8 * c)) & 0xFF) * a / 255) << (8 * c);
            out[x] = p | a << 24;
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

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

// The BUTTON face in cairo: colour, nine-part frame, glyph and caption.
void CairoButton(cairo_t* cr, cairo_surface_t* frame, cairo_surface_t* glyph, const TsMaskData& borders, double x,
                 double y) {
    int fw = MaskFrameWidth(borders), sh = MaskStateHeight(borders);
    double l = borders.LeftWidth, t = borders.TopWidth, r = borders.RightWidth, b = borders.BottomWidth;
    double mw = fw - l - r, mh = sh - t - b, W = kWidth, H = kHeight;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_set_source_rgb(cr, 243 / 255.0, 245 / 255.0, 248 / 255.0);
    cairo_rectangle(cr, 0, 0, W, H);
    cairo_fill(cr);
    CairoPiece(cr, frame, 0, 0, l, t, 0, 0, l, t);
    CairoPiece(cr, frame, 0, t, l, mh, 0, t, l, H - t - b);
    CairoPiece(cr, frame, l, 0, mw, t, l, 0, W - l - r, t);
    CairoPiece(cr, frame, 0, sh - b, l, b, 0, H - b, l, b);
    CairoPiece(cr, frame, l, sh - b, mw, b, l, H - b, W - l - r, b);
    CairoPiece(cr, frame, fw - r, sh - b, r, b, W - r, H - b, r, b);
    CairoPiece(cr, frame, fw - r, 0, r, t, W - r, 0, r, t);
    CairoPiece(cr, frame, fw - r, t, r, mh, W - r, t, r, H - t - b);
    cairo_set_source_surface(cr, glyph, 22, (H - kGlyph) / 2);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    cairo_set_source_rgb(cr, 32 / 255.0, 38 / 255.0, 46 / 255.0);
    cairo_move_to(cr, 42, (H + 9) / 2);
    cairo_show_text(cr, "Start");
    cairo_restore(cr);
}

void BM_SkinnedBitButtons(benchmark::State& state) {
    Scene& scene = TheScene();
    const TsSkinTables& tables = scene.manager.Tables();
    const TsMaskData& borders = tables.Masks[static_cast<size_t>(scene.buttons[0]->SkinData().BordersMaskIndex)];
    auto target = NewPf32Bitmap(scene.form.Width(), scene.form.Height());
    auto ours = [&] {
        HDC dc = target->Canvas().Handle();
        for (TsBitBtn* button : scene.buttons) {
            button->SkinData().BackgroundDirty = true;
            button->PrepareCache();
            BitBlt(dc, button->Left(), button->Top(), kWidth, kHeight,
                   button->SkinData().CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
        }
    };
    int fw = MaskFrameWidth(borders), sh = MaskStateHeight(borders);
    TBitmap& master = *tables.MasterBitmap;
    cairo_surface_t* frame = SurfaceOf(master, RECT{borders.SourceRect.left, borders.SourceRect.top,
                                                    borders.SourceRect.left + fw, borders.SourceRect.top + sh},
                                       borders.ExtraBands > 0 ? sh : 0);
    cairo_surface_t* glyph = SurfaceOf(*scene.glyph, RECT{0, 0, kGlyph, kGlyph}, 0);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, target->Width(), target->Height());
    auto cairoSide = [&] {
        cairo_t* cr = cairo_create(surface);
        for (int i = 0; i < kButtons; ++i)
            CairoButton(cr, frame, glyph, borders, (i % 10) * (kWidth + 4), (i / 10) * (kHeight + 4));
        cairo_destroy(cr);
        cairo_surface_flush(surface);
    };
    bench::CompareWithPeers(state, ours, {bench::Peer("cairo", cairoSide)});
    cairo_surface_destroy(surface);
    cairo_surface_destroy(glyph);
    cairo_surface_destroy(frame);
}

// Five blended frames from the old look to the new one, each shown in the button's window.
void BM_SkinnedButtonFade(benchmark::State& state) {
    Scene& scene = TheScene();
    TsBitBtn* button = scene.buttons[0];
    TsCommonData& data = button->SkinData();
    data.BackgroundDirty = true;
    button->PrepareCache();
    auto timer = std::make_unique<TsFadeTimer>(nullptr);
    auto ours = [&] {
        timer->PrepareFade(data);
        timer->StepTotal = kFadeFrames;
        for (timer->Level = 1; timer->Level <= kFadeFrames;) timer->FadeStep();
    };
    auto snapshot = SurfaceOf(*data.CacheBitmap, RECT{0, 0, kWidth, kHeight}, 0);
    auto newLook = SurfaceOf(*data.CacheBitmap, RECT{0, 0, kWidth, kHeight}, 0);
    cairo_surface_t* shown = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    auto cairoSide = [&] {
        for (int level = 1; level <= kFadeFrames; ++level) {
            cairo_t* cr = cairo_create(shown);
            cairo_set_source_surface(cr, newLook, 0, 0);
            cairo_paint(cr);
            cairo_set_source_surface(cr, snapshot, 0, 0);
            cairo_paint_with_alpha(cr, FadeFrameAlpha(level, kFadeFrames) / 255.0);
            cairo_destroy(cr);
            cairo_surface_flush(shown);
        }
    };
    bench::CompareWithPeers(state, ours, {bench::Peer("cairo", cairoSide)});
    cairo_surface_destroy(shown);
    cairo_surface_destroy(newLook);
    cairo_surface_destroy(snapshot);
}

}  // namespace

BENCHMARK(BM_SkinnedBitButtons)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkinnedButtonFade)->UseManualTime()->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
