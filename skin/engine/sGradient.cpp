#include "skin/engine/sGradient.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/SysUtils.h"

namespace parch {

namespace {

std::vector<std::string_view> NonEmptyGradientFields(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

}  // namespace

void ParseGradientData(std::string_view text, TsGradArray& data) {
    data.clear();
    std::vector<std::string_view> fields = NonEmptyGradientFields(text);
    size_t stops = fields.size() / 5;
    data.reserve(stops);
    for (size_t i = 0; i < stops; ++i) {
        TsGradStop& stop = data.emplace_back();
        const std::string_view* group = &fields[i * 5];
        stop.Color1 = static_cast<std::uint32_t>(std::max(0, StrToInt(group[0])));
        stop.Color2 = static_cast<std::uint32_t>(std::max(0, StrToInt(group[1])));
        stop.Percent = static_cast<std::uint8_t>(std::clamp(StrToInt(group[2]), 0, 100));
        stop.Mode = StrToInt(group[3]);
    }
}

}  // namespace parch

#include <cmath>
#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/os/ProcedureTable.h"

namespace parch {

namespace {

using GradientFillFunction = BOOL(HDC, const TRIVERTEX*, ULONG, void*, ULONG, DWORD);

GradientFillFunction* BoundGradientFill() {
    static GradientFillFunction* function = [] {
        HMODULE library = LoadLibrary("msimg32.dll");
        return library ? GetProcAddressOf<GradientFillFunction>(library, "GradientFill") : nullptr;
    }();
    return function;
}

std::uint32_t ChannelOf(std::uint32_t colour, int channel) { return (colour >> (8 * channel)) & 0xFF; }

// Colour steps of one stop over n steps: single-precision accumulators, double increments.
class StopRamp {
public:
    StopRamp(const TsGradStop& stop, int steps) {
        for (int c = 0; c < 3; ++c) {
            value_[c] = static_cast<float>(ChannelOf(stop.Color1, c));
            step_[c] = (static_cast<double>(ChannelOf(stop.Color2, c)) - ChannelOf(stop.Color1, c)) / steps;
        }
    }
    // Blue, green, red, alpha 255 of the current step; then advances.
    std::uint32_t Next() {
        std::uint32_t pixel = 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            auto channel = static_cast<std::uint32_t>(std::clamp<long long>(std::llrint(value_[c]), 0, 255));
            pixel |= channel << (8 * (2 - c));  // red (c 0) goes to byte 2
            value_[c] = static_cast<float>(value_[c] + step_[c]);
        }
        return pixel;
    }

private:
    float value_[3] = {};
    double step_[3] = {};
};

std::uint32_t* PixelRow(TBitmap& bitmap, int y) { return reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y)); }

bool ClipToBitmap(const TBitmap& bitmap, RECT& rect) {
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.right = std::min<LONG>(rect.right, bitmap.Width());
    rect.bottom = std::min<LONG>(rect.bottom, bitmap.Height());
    return rect.right > rect.left && rect.bottom > rect.top;
}

// Calls paintRow(y, pixel) for every row of mode 0, in order.
template <typename PaintRow>
void WalkDownwardStops(const TBitmap& bitmap, const RECT& rect, const TsGradArray& data, int offset, bool solidWhenEqual,
                       PaintRow paintRow) {
    int height = rect.bottom - rect.top;
    int lastRow = std::min<int>(rect.bottom, bitmap.Height()) - 1;
    int y = rect.top + offset;
    for (size_t i = 0; i < data.size(); ++i) {
        const TsGradStop& stop = data[i];
        bool last = i + 1 == data.size();
        int start = y;
        int end = last ? lastRow : std::min(start + (height + offset) * stop.Percent / 100, lastRow);
        y = end;
        if (end - start <= 0) continue;
        if (last || end > bitmap.Height() - 1) {
            end = std::min<int>(rect.bottom - 1, bitmap.Height() - 1);
            if (end - start == 0) break;
        }
        StopRamp ramp(stop, end - start);
        bool solid = solidWhenEqual && stop.Color1 == stop.Color2;
        std::uint32_t solidPixel = solid ? ramp.Next() : 0;
        for (int row = start; row <= end; ++row) paintRow(row, solid ? solidPixel : ramp.Next());
    }
}

// The gradient row of mode 1 across the rectangle.
std::vector<std::uint32_t> RightwardRow(const TBitmap& bitmap, const RECT& rect, const TsGradArray& data) {
    std::vector<std::uint32_t> row(static_cast<size_t>(bitmap.Width()), 0);
    double step = (rect.right - rect.left) / 100.0;
    int lastColumn = std::min<int>(rect.right, bitmap.Width()) - 1;
    int x = rect.left;
    for (size_t i = 0; i < data.size(); ++i) {
        bool last = i + 1 == data.size();
        int start = x;
        int end = last ? lastColumn
                       : std::min(static_cast<int>(std::nearbyint(data[i].Percent * step + start)), lastColumn);
        x = end;
        if (end - start <= 0) continue;
        StopRamp ramp(data[i], end - start);
        for (int column = start; column <= end; ++column) row[static_cast<size_t>(column)] = ramp.Next();
    }
    return row;
}

void PaintTriangles(TBitmap& bitmap, const RECT& rect, const TsGradArray& data) {
    GradientFillFunction* gradientFill = BoundGradientFill();
    if (gradientFill == nullptr) return;
    const POINT corners[5] = {{rect.left, rect.top},
                              {rect.left + (rect.right - rect.left) / 2, rect.top + (rect.bottom - rect.top) / 2},
                              {rect.right, rect.top},
                              {rect.right, rect.bottom},
                              {rect.left, rect.bottom}};
    TRIVERTEX vertices[5];
    std::uint32_t colour = data[0].Color1;
    for (size_t i = 0; i < 5; ++i) {
        if (i < data.size()) colour = data[i].Color1;
        vertices[i].x = corners[i].x;
        vertices[i].y = corners[i].y;
        vertices[i].Red = static_cast<COLOR16>(ChannelOf(colour, 0) << 8);
        vertices[i].Green = static_cast<COLOR16>(ChannelOf(colour, 1) << 8);
        vertices[i].Blue = static_cast<COLOR16>(ChannelOf(colour, 2) << 8);
        vertices[i].Alpha = 0xFF00;
    }
    GRADIENT_TRIANGLE triangles[4] = {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}};
    gradientFill(bitmap.Canvas().Handle(), vertices, 5, triangles, 4, GRADIENT_FILL_TRIANGLE);
}

std::uint32_t MixWithTexture(std::uint32_t gradient, std::uint32_t texture, int blend) {
    std::uint32_t out = 0xFF000000u;
    for (int c = 0; c < 3; ++c) {
        int g = static_cast<int>((gradient >> (8 * c)) & 0xFF);
        int t = static_cast<int>((texture >> (8 * c)) & 0xFF);
        out |= static_cast<std::uint32_t>(((blend * (t - g) + g * 256) >> 8) & 0xFF) << (8 * c);
    }
    return out;
}

}  // namespace

void PaintMultiGradient(TBitmap& bitmap, RECT rect, const TsGradArray& data, int offset) {
    if (data.empty() || bitmap.PixelFormat() != pf32bit || !ClipToBitmap(bitmap, rect)) return;
    int width = rect.right - rect.left;
    switch (data[0].Mode) {
        case 0:
            WalkDownwardStops(bitmap, rect, data, offset, true, [&](int y, std::uint32_t pixel) {
                if (y < 0 || y >= bitmap.Height()) return;
                std::uint32_t* row = PixelRow(bitmap, y) + rect.left;
                std::fill(row, row + width, pixel);
            });
            break;
        case 1: {
            std::vector<std::uint32_t> gradient = RightwardRow(bitmap, rect, data);
            for (int y = rect.top; y < rect.bottom; ++y)
                std::memcpy(PixelRow(bitmap, y) + rect.left, gradient.data() + rect.left, static_cast<size_t>(width) * 4);
            break;
        }
        case 2:
            PaintTriangles(bitmap, rect, data);
            break;
        default:
            break;
    }
}

void PaintMultiGradientTextured(TBitmap& bitmap, RECT rect, const TsGradArray& data, int blend, RECT textureRect,
                                TBitmap& texture) {
    if (data.empty() || bitmap.PixelFormat() != pf32bit || texture.PixelFormat() != pf32bit ||
        !ClipToBitmap(bitmap, rect))
        return;
    if (textureRect.right <= textureRect.left || textureRect.bottom <= textureRect.top)
        textureRect = RECT{0, 0, texture.Width(), texture.Height()};
    int tileWidth = std::max<int>(textureRect.right - textureRect.left, 0);
    int tileHeight = std::max<int>(textureRect.bottom - textureRect.top, 0);
    if (textureRect.left + tileWidth >= texture.Width()) tileWidth = texture.Width() - 1 - textureRect.left;
    if (textureRect.top + tileHeight >= texture.Height()) tileHeight = texture.Height() - 1 - textureRect.top;
    // A tile without width or height has nothing to repeat.
    if (tileWidth <= 0 || tileHeight <= 0 || textureRect.left < 0 || textureRect.top < 0) return;
    auto textureRow = [&](int y) { return PixelRow(texture, textureRect.top + y % tileHeight) + textureRect.left; };
    auto mixRow = [&](int y, auto gradientAt) {
        std::uint32_t* row = PixelRow(bitmap, y);
        const std::uint32_t* tile = textureRow(y);
        for (int x = rect.left; x < rect.right; ++x) row[x] = MixWithTexture(gradientAt(x), tile[x % tileWidth], blend);
    };
    switch (data[0].Mode) {
        case 0:
            WalkDownwardStops(bitmap, rect, data, 0, false, [&](int y, std::uint32_t pixel) {
                if (y >= 0 && y < bitmap.Height()) mixRow(y, [pixel](int) { return pixel; });
            });
            break;
        case 1: {
            // Row by row: each row mixes the one gradient row with its own texture row.
            std::vector<std::uint32_t> gradient = RightwardRow(bitmap, rect, data);
            for (int y = rect.top; y < rect.bottom; ++y) mixRow(y, [&](int x) { return gradient[static_cast<size_t>(x)]; });
            break;
        }
        default:
            break;
    }
}

}  // namespace parch
