#include "platform/gdi/StockObjects.h"

#include <array>
#include <mutex>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/SystemColors.h"

namespace parch {
namespace {

constexpr int kStockCount = DC_PEN + 1;

template <class T>
T* Stock(std::unique_ptr<T> object) {
    T* handle = AdoptGdiObject(std::move(object));
    MarkStockObject(handle);
    return handle;
}

HGDIOBJ MakeStock(int index) {
    switch (index) {
    case WHITE_BRUSH: return Stock(std::make_unique<GdiBrush>(BS_SOLID, RGB(255, 255, 255), 0));
    case LTGRAY_BRUSH: return Stock(std::make_unique<GdiBrush>(BS_SOLID, RGB(192, 192, 192), 0));
    case GRAY_BRUSH: return Stock(std::make_unique<GdiBrush>(BS_SOLID, RGB(128, 128, 128), 0));
    case DKGRAY_BRUSH: return Stock(std::make_unique<GdiBrush>(BS_SOLID, RGB(64, 64, 64), 0));
    case BLACK_BRUSH: return Stock(std::make_unique<GdiBrush>(BS_SOLID, RGB(0, 0, 0), 0));
    case NULL_BRUSH: return Stock(std::make_unique<GdiBrush>(BS_NULL, 0, 0));
    case WHITE_PEN: return Stock(std::make_unique<GdiPen>(PS_SOLID, 1, RGB(255, 255, 255), false));
    case BLACK_PEN: return Stock(std::make_unique<GdiPen>(PS_SOLID, 1, RGB(0, 0, 0), false));
    case NULL_PEN: return Stock(std::make_unique<GdiPen>(PS_NULL, 1, 0, false));
    case DEFAULT_PALETTE: {
        // The twenty static colours of the system palette.
        static const BYTE kColors[20][3] = {
            {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128},
            {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}, {255, 251, 240},
            {160, 160, 164}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
            {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        std::vector<PALETTEENTRY> entries;
        for (const auto& c : kColors) entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
        return Stock(std::make_unique<GdiPalette>(std::move(entries)));
    }
    case DC_BRUSH: {
        auto brush = std::make_unique<GdiBrush>(BS_SOLID, RGB(255, 255, 255), 0);
        brush->SetFollowsDCColor();
        return Stock(std::move(brush));
    }
    case DC_PEN: {
        auto pen = std::make_unique<GdiPen>(PS_SOLID, 1, RGB(0, 0, 0), false);
        pen->SetFollowsDCColor();
        return Stock(std::move(pen));
    }
    default: {
        HGDIOBJ font = CreateStockFont(index);
        MarkStockObject(font);
        return font;
    }
    }
}

}  // namespace

HGDIOBJ GetStockObject(int index) {
    static std::mutex mutex;
    static std::array<HGDIOBJ, kStockCount> objects{};
    if (index < 0 || index >= kStockCount || index == 9) return nullptr;
    std::lock_guard lock(mutex);
    if (!objects[index]) objects[index] = MakeStock(index);
    return objects[index];
}

HBRUSH GetSysColorBrush(int index) {
    static std::mutex mutex;
    static std::array<HBRUSH, 31> brushes{};
    if (index < 0 || index >= static_cast<int>(brushes.size())) return nullptr;
    std::lock_guard lock(mutex);
    auto& brush = brushes[static_cast<std::size_t>(index)];
    if (!brush) brush = Stock(std::make_unique<GdiBrush>(BS_SOLID, GetSysColor(index), 0));
    return brush;
}

HBITMAP DefaultBitmap() {
    static HBITMAP bitmap = [] {
        auto created = GdiBitmap::Create(1, 1, 1, false, false);
        created->ColorTable() = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
        return Stock(std::move(created));
    }();
    return bitmap;
}

}  // namespace parch
