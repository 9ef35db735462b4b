#include "platform/win/SystemIcons.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Fonts.h"
#include "platform/os/FileTypes.h"
#include "platform/win/Icons.h"
#include "platform/win/ImageLoading.h"
#include "platform/win/SystemValues.h"

namespace parch::win {

namespace system_icons {

struct Rgb {
    double r, g, b;
};

struct IconLook {
    enum class Shape { Circle, Triangle, Window } shape;
    Rgb top;      // the fill's colour at the top
    Rgb bottom;   // and at the bottom
    Rgb outline;
    const char* glyph;  // drawn with a font; null: none
    const char* face;
    Rgb glyphColor;
    bool cross;  // the error icon's cross, drawn as two bars
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

const IconLook* LookOf(const char* name) {
    static const IconLook kError{IconLook::Shape::Circle, {240, 90, 80}, {190, 20, 20}, {120, 10, 10},
                                 nullptr, nullptr, kWhite, true};
    static const IconLook kQuestion{IconLook::Shape::Circle, {90, 150, 235}, {25, 80, 190}, {15, 50, 130},
                                    "?", "Arial", kWhite, false};
    static const IconLook kInformation{IconLook::Shape::Circle, {90, 150, 235}, {25, 80, 190}, {15, 50, 130},
                                       "i", "Times New Roman", kWhite, false};
    static const IconLook kWarning{IconLook::Shape::Triangle, {255, 235, 110}, {240, 190, 20}, {120, 90, 0},
                                   "!", "Arial", kBlack, false};
    static const IconLook kApplication{IconLook::Shape::Window, {250, 250, 250}, {225, 225, 225}, {60, 60, 60},
                                       nullptr, nullptr, kWhite, false};
    const auto id = reinterpret_cast<std::uintptr_t>(name);
    if (id == reinterpret_cast<std::uintptr_t>(IDI_HAND)) return &kError;
    if (id == reinterpret_cast<std::uintptr_t>(IDI_QUESTION)) return &kQuestion;
    if (id == reinterpret_cast<std::uintptr_t>(IDI_EXCLAMATION)) return &kWarning;
    if (id == reinterpret_cast<std::uintptr_t>(IDI_ASTERISK)) return &kInformation;
    if (id == reinterpret_cast<std::uintptr_t>(IDI_APPLICATION) || id == reinterpret_cast<std::uintptr_t>(IDI_WINLOGO))
        return &kApplication;
    return nullptr;
}

// Signed distance from a point to the shape's edge (negative inside), in pixels.
double ShapeDistance(IconLook::Shape shape, double x, double y, double size) {
    const double c = size / 2;
    switch (shape) {
        case IconLook::Shape::Circle: return std::hypot(x - c, y - c) - size * 0.47;
        case IconLook::Shape::Triangle: {
            const double ax = c, ay = size * 0.04, bx = size * 0.97, by = size * 0.92, cx = size * 0.03, cy = by;
            auto edge = [&](double x0, double y0, double x1, double y1) {
                double nx = y1 - y0, ny = x0 - x1;
                double len = std::hypot(nx, ny);
                return ((x - x0) * nx + (y - y0) * ny) / len;
            };
            return std::max({edge(ax, ay, bx, by), edge(bx, by, cx, cy), edge(cx, cy, ax, ay)});
        }
        case IconLook::Shape::Window: {
            double dx = std::abs(x - c) - size * 0.45, dy = std::abs(y - c) - size * 0.40;
            return std::max(dx, dy);
        }
    }
    return 1;
}

// The cross of the error icon: two bars through the centre at 45 degrees.
double CrossDistance(double x, double y, double size) {
    const double c = size / 2, half = size * 0.21, width = size * 0.07;
    double u = ((x - c) + (y - c)) / std::sqrt(2.0), v = ((x - c) - (y - c)) / std::sqrt(2.0);
    double bar1 = std::max(std::abs(u) - half, std::abs(v) - width);
    double bar2 = std::max(std::abs(v) - half, std::abs(u) - width);
    return std::min(bar1, bar2);
}

double Coverage(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

// The glyph's coverage per pixel, rendered with the font engine in white on black.
std::vector<double> GlyphCoverage(const IconLook& look, int size) {
    std::vector<double> coverage(static_cast<std::size_t>(size) * size, 0.0);
    if (!look.glyph) return coverage;
    BITMAPINFO info{};
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return coverage;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    LOGFONT lf;
    lf.lfHeight = -static_cast<LONG>(std::lround(size * (look.shape == IconLook::Shape::Triangle ? 0.62 : 0.72)));
    lf.lfWeight = FW_BOLD;
    std::strncpy(lf.lfFaceName, look.face, sizeof(lf.lfFaceName) - 1);
    HFONT font = CreateFontIndirect(&lf);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    // The triangle's centre of mass lies low; the glyph follows it.
    RECT r{0, look.shape == IconLook::Shape::Triangle ? size / 8 : 0, size, size};
    DrawText(dc, look.glyph, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    const auto* pixels = static_cast<const BYTE*>(bits);
    for (int i = 0; i < size * size; ++i) coverage[static_cast<std::size_t>(i)] = pixels[i * 4 + 1] / 255.0;
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return coverage;
}

struct Pixel {
    double r = 0, g = 0, b = 0, a = 0;  // premultiplied, 0..255 and 0..1
    void Over(const Rgb& c, double alpha) {
        r = c.r * alpha + r * (1 - alpha);
        g = c.g * alpha + g * (1 - alpha);
        b = c.b * alpha + b * (1 - alpha);
        a = alpha + a * (1 - alpha);
    }
};

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Pixel ShadePixel(const IconLook& look, int x, int y, int size, double glyph) {
    // 4 x 4 samples per pixel for smooth edges.
    constexpr int kSamples = 4;
    const double outlineWidth = std::max(1.0, size / 32.0);
    double shape = 0, inner = 0, cross = 0, titleBar = 0;
    for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx) {
            double px = x + (sx + 0.5) / kSamples, py = y + (sy + 0.5) / kSamples;
            double d = ShapeDistance(look.shape, px, py, size);
            shape += d <= 0;
            inner += d <= -outlineWidth;
            if (look.cross) cross += CrossDistance(px, py, size) <= 0;
            if (look.shape == IconLook::Shape::Window) titleBar += d <= -outlineWidth && py < size * 0.32;
        }
    const double n = kSamples * kSamples;
    Pixel p;
    p.Over(look.outline, shape / n);
    const double t = static_cast<double>(y) / std::max(1, size - 1);
    p.Over(Mix(look.top, look.bottom, t), inner / n);
    if (titleBar > 0) p.Over(Mix(Rgb{70, 120, 210}, Rgb{20, 60, 160}, t), titleBar / n);
    if (cross > 0) p.Over(kWhite, cross / n * (inner / n));
    if (glyph > 0) p.Over(look.glyphColor, glyph * (inner / n));
    return p;
}

std::vector<Pixel> Render(const IconLook& look, int size) {
    std::vector<double> glyph = GlyphCoverage(look, size);
    std::vector<Pixel> pixels(glyph.size());
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * size + x;
            pixels[i] = ShadePixel(look, x, y, size, glyph[i]);
        }
    return pixels;
}

BYTE Channel(double v) { return static_cast<BYTE>(std::lround(std::clamp(v, 0.0, 255.0))); }

// The stock icons LoadIcon handed out, by identifier.
class SharedIcons {
public:
    static SharedIcons& Instance() {
        static SharedIcons* icons = new SharedIcons;  // lives as long as the process, as stock objects do
        return *icons;
    }
    HICON Get(const char* name) {
        std::lock_guard lock(mutex_);
        HICON& icon = icons_[reinterpret_cast<std::uintptr_t>(name)];
        if (!icon || !IsIconHandle(icon)) {
            const int size = GetSystemMetrics(SM_CXICON);
            icon = CreateThemedSystemIcon(FileTypes::System().Icons(), name, size);
            if (!icon) icon = CreateSystemIcon(name, size);
        }
        return icon;
    }

private:
    std::mutex mutex_;
    std::map<std::uintptr_t, HICON> icons_;
};

}  // namespace system_icons

using namespace system_icons;

HICON CreateSystemIcon(const char* name, int size) {
    const IconLook* look = LookOf(name);
    if (!look || size <= 0 || size > 256) return nullptr;
    std::vector<Pixel> pixels = Render(*look, size);
    IconImage image;
    image.width = image.height = size;
    image.color.resize(pixels.size());
    image.mask.resize(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const Pixel& p = pixels[i];
        // Straight alpha for the icon: the colour undone from its coverage.
        const double a = p.a;
        auto straight = [&](double v) { return Channel(a > 0 ? v / a : 0); };
        image.color[i] = static_cast<std::uint32_t>(straight(p.b)) | static_cast<std::uint32_t>(straight(p.g)) << 8 |
                         static_cast<std::uint32_t>(straight(p.r)) << 16 |
                         static_cast<std::uint32_t>(Channel(a * 255.0)) << 24;
        image.mask[i] = a < 0.5 ? 1 : 0;
    }
    return CreateIconFromImage(std::move(image), true, POINT{0, 0});
}

HICON CreateThemedSystemIcon(const IconThemes& themes, const char* name, int size) {
    if (size <= 0 || size > 256) return nullptr;
    const auto id = reinterpret_cast<std::uintptr_t>(name);
    const char* themeName = nullptr;
    if (id == reinterpret_cast<std::uintptr_t>(IDI_ERROR)) themeName = "dialog-error";
    if (id == reinterpret_cast<std::uintptr_t>(IDI_QUESTION)) themeName = "dialog-question";
    if (id == reinterpret_cast<std::uintptr_t>(IDI_WARNING)) themeName = "dialog-warning";
    if (id == reinterpret_cast<std::uintptr_t>(IDI_INFORMATION)) themeName = "dialog-information";
    if (!themeName) return nullptr;
    auto file = themes.FindIcon({themeName}, size);
    if (!file) return nullptr;
    return static_cast<HICON>(LoadImage(nullptr, file->c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
}

HBITMAP CreateSystemIconBitmap(const char* name, int size) {
    const IconLook* look = LookOf(name);
    if (!look || size <= 0 || size > 256) return nullptr;
    std::vector<Pixel> pixels = Render(*look, size);
    BITMAPINFO info{};
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    auto* out = static_cast<BYTE*>(bits);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const Pixel& p = pixels[i];
        out[i * 4 + 0] = Channel(p.b);
        out[i * 4 + 1] = Channel(p.g);
        out[i * 4 + 2] = Channel(p.r);
        out[i * 4 + 3] = Channel(p.a * 255.0);
    }
    return bitmap;
}

}  // namespace parch::win

namespace parch {

HICON LoadIcon(HINSTANCE instance, const char* name) {
    if (instance) return static_cast<HICON>(LoadImage(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    if (!win::system_icons::LookOf(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return win::system_icons::SharedIcons::Instance().Get(name);
}

}  // namespace parch
