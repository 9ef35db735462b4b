#include "platform/win/Compositor.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Bitmaps.h"
#include "platform/win/Layered.h"
#include "platform/win/PaintInternals.h"
#include "platform/win/ScreenOverlay.h"
#include "platform/win/SystemValues.h"

namespace parch::win {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

// Every byte of c times a / 255, rounded.
inline std::uint32_t Scale(std::uint32_t c, std::uint32_t a) {
    std::uint32_t rb = (c & 0x00FF00FFu) * a + 0x00800080u;
    rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    std::uint32_t ag = ((c >> 8) & 0x00FF00FFu) * a + 0x00800080u;
    ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    return rb | ag;
}

// Premultiplied source over destination.
inline std::uint32_t Over(std::uint32_t src, std::uint32_t dst) {
    return src + Scale(dst, 255 - (src >> 24));
}

void DrawSpan(const Layer& layer, const std::uint32_t* src, std::uint32_t* dst, int count) {
    const std::uint32_t a = layer.alpha;
    switch (layer.blend) {
        case Layer::Blend::Opaque:
            if (!layer.keyed) {
                for (int i = 0; i < count; ++i) dst[i] = src[i] | kOpaque;
            } else {
                for (int i = 0; i < count; ++i)
                    if ((src[i] & 0x00FFFFFFu) != layer.key) dst[i] = src[i] | kOpaque;
            }
            break;
        case Layer::Blend::ConstantAlpha:
            for (int i = 0; i < count; ++i) {
                if (layer.keyed && (src[i] & 0x00FFFFFFu) == layer.key) continue;
                dst[i] = (Scale(src[i] & 0x00FFFFFFu, a) + Scale(dst[i], 255 - a)) | kOpaque;
            }
            break;
        case Layer::Blend::Premultiplied:
            if (a == 255) {
                for (int i = 0; i < count; ++i) {
                    const std::uint32_t s = src[i];
                    const std::uint32_t sa = s >> 24;
                    if (sa == 255) dst[i] = s;
                    else if (sa != 0 || (s & 0x00FFFFFFu)) dst[i] = Over(s, dst[i]) | kOpaque;
                }
            } else {
                for (int i = 0; i < count; ++i) dst[i] = Over(Scale(src[i], a), dst[i]) | kOpaque;
            }
            break;
    }
}

// Draws the layer where `area` (screen coordinates, inside the layer) says.
void DrawLayer(const PixelView& target, const Layer& layer, const RegionRects& area) {
    for (const RECT& r : area.Rects()) {
        for (int y = r.top; y < r.bottom; ++y) {
            const auto* src = reinterpret_cast<const std::uint32_t*>(layer.pixels.Row(y - layer.at.y));
            auto* dst = reinterpret_cast<std::uint32_t*>(target.Row(y));
            DrawSpan(layer, src + (r.left - layer.at.x), dst + r.left, r.right - r.left);
        }
    }
}

// The screen pixels the layer covers.
RegionRects PlacedShape(const Layer& layer, const RECT& screen) {
    const RECT placed{layer.at.x, layer.at.y, layer.at.x + layer.pixels.width, layer.at.y + layer.pixels.height};
    if (!layer.shape) return RegionRects(Intersection(screen, placed));
    return layer.shape->Offsetted(layer.at.x, layer.at.y).Intersected(screen);
}

bool HidesBelow(const Layer& layer) {
    return layer.blend == Layer::Blend::Opaque && !layer.keyed;
}

DWORD ColorOfRef(COLORREF c) {
    return ColorOfColorRef(c) & 0x00FFFFFFu;
}

OwnedBitmap& ScreenSurface() {
    static auto* surface = new OwnedBitmap;
    return *surface;
}

bool Shown(const Window* w) {
    if (!w->paint.onScreen) return false;
    return !(w->exStyle & WS_EX_LAYERED) || w->paint.layered.Defined();
}

// How the window's picture is drawn (lock held); false when it has nothing to show.
bool LayerOf(Window* w, Layer& layer) {
    const LayeredState& ls = w->paint.layered;
    const bool layered = (w->exStyle & WS_EX_LAYERED) != 0;
    GdiBitmap* picture = layered && ls.HasPicture() ? ResolveHandle(ls.picture.Get()) : StoreOf(w);
    if (!picture) return false;
    RECT onScreen = WindowRectOnScreen(w);
    layer.pixels = PixelView::Of(*picture);
    layer.at = {onScreen.left, onScreen.top};
    layer.shape = w->paint.region ? &*w->paint.region : nullptr;
    if (!layered) return true;
    if (ls.HasPicture()) {
        layer.blend = (ls.pictureFlags & ULW_ALPHA) ? Layer::Blend::Premultiplied : Layer::Blend::Opaque;
        layer.alpha = (ls.pictureFlags & ULW_ALPHA) ? ls.pictureAlpha : 255;
        layer.keyed = (ls.pictureFlags & ULW_COLORKEY) != 0;
        layer.key = ColorOfRef(ls.pictureKey);
        return true;
    }
    if (ls.attributeFlags & LWA_ALPHA) {
        layer.blend = Layer::Blend::ConstantAlpha;
        layer.alpha = ls.alpha;
    }
    layer.keyed = (ls.attributeFlags & LWA_COLORKEY) != 0;
    layer.key = ColorOfRef(ls.key);
    return true;
}

// With opaque, every pixel's alpha is set: drawing into a window's store leaves alpha as it
// was (zero), yet an ordinary window covers what lies below it.
HBITMAP CopyOf(const GdiBitmap& source, bool opaque = false) {
    auto copy = GdiBitmap::Create(source.Width(), source.Height(), 32, true, true);
    if (!copy) return nullptr;
    for (int y = 0; y < source.Height(); ++y) {
        BYTE* row = copy->Row(y);
        std::memcpy(row, source.Row(y), static_cast<std::size_t>(source.Width()) * 4);
        if (opaque)
            for (int x = 0; x < source.Width(); ++x) row[x * 4 + 3] = 0xFF;
    }
    return AdoptGdiObject(std::move(copy));
}

}  // namespace

void ComposeLayers(const PixelView& target, DWORD background, const std::vector<Layer>& layers) {
    // From the top down, each layer is drawn only where no opaque layer above hides it.
    const RECT screen{0, 0, target.width, target.height};
    std::vector<RegionRects> seen(layers.size());
    RegionRects hidden;
    for (std::size_t i = layers.size(); i-- > 0;) {
        RegionRects shape = PlacedShape(layers[i], screen);
        seen[i] = RegionRects::Combine(shape, hidden, RGN_DIFF);
        if (HidesBelow(layers[i])) hidden = RegionRects::Combine(hidden, shape, RGN_OR);
    }
    const std::uint32_t fill = (background & 0x00FFFFFFu) | kOpaque;
    const RegionRects bare = RegionRects::Combine(RegionRects(screen), hidden, RGN_DIFF);
    for (const RECT& r : bare.Rects()) {
        for (int y = r.top; y < r.bottom; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(target.Row(y));
            std::fill(row + r.left, row + r.right, fill);
        }
    }
    for (std::size_t i = 0; i < layers.size(); ++i) DrawLayer(target, layers[i], seen[i]);
}

std::vector<HWND> WindowsOnScreen() {
    Lock lock(S().mutex);
    std::vector<HWND> shown;
    const auto& tops = S().desktop->children;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        if (Shown(*it)) shown.push_back((*it)->handle);
    return shown;
}

GdiBitmap* ComposedScreen() {
    RECT screen = ScreenRect();
    const int width = screen.right - screen.left;
    const int height = screen.bottom - screen.top;
    if (width <= 0 || height <= 0) return nullptr;
    Lock lock(S().mutex);
    GdiBitmap* surface = ResolveHandle(ScreenSurface().Get());
    if (surface && surface->Width() == width && surface->Height() == height) TakeScreenDrawing(*surface);
    if (!surface || surface->Width() != width || surface->Height() != height) {
        auto made = GdiBitmap::Create(width, height, 32, true, true);
        if (!made) return nullptr;
        surface = AdoptGdiObject(std::move(made));
        ScreenSurface().Reset(surface);
    }
    std::vector<Layer> layers;
    const auto& tops = S().desktop->children;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        Layer layer;
        if (Shown(*it) && LayerOf(*it, layer)) layers.push_back(layer);
    }
    ComposeLayers(PixelView::Of(*surface), ColorOfRef(GetSysColor(COLOR_DESKTOP)), layers);
    ApplyScreenOverlay(*surface);
    return surface;
}

}  // namespace parch::win

namespace parch {

using namespace win;

HBITMAP CaptureScreen() {
    GdiBitmap* screen = ComposedScreen();
    Lock lock(S().mutex);
    return screen ? CopyOf(*screen) : nullptr;
}

HBITMAP CaptureWindow(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w || !IsTopLevel(w)) return nullptr;
    const LayeredState& ls = w->paint.layered;
    if ((w->exStyle & WS_EX_LAYERED) && ls.HasPicture()) {
        GdiBitmap* picture = ResolveHandle(ls.picture.Get());
        return picture ? CopyOf(*picture) : nullptr;
    }
    GdiBitmap* store = StoreOf(w);
    return store ? CopyOf(*store, true) : nullptr;
}

}  // namespace parch
