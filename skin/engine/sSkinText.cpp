#include "skin/engine/sSkinText.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/DeviceContext.h"
#include "framework/Controls.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/TextLayout.h"
#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace skin_text_detail {

constexpr std::uint32_t kNoContour = 0xFFFFFFFFu;

// Black text on white in a fresh bitmap of the size, in the font given.
std::unique_ptr<TBitmap> TextCoverage(TFont& font, const std::string& text, int width, int height, UINT format) {
    auto picture = NewPf32Bitmap(width, height);
    TCanvas& canvas = picture->Canvas();
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(RECT{0, 0, width, height});
    canvas.Font().Assign(font);
    canvas.Font().SetColor(clBlack);
    HDC dc = canvas.Handle();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
    RECT box{0, 0, width, height};
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
    return picture;
}

std::string FontKey(TFont& font) {
    return font.Name() + "/" + std::to_string(font.Height()) + "/" + std::to_string(font.Style());
}

}  // namespace skin_text_detail

using namespace skin_text_detail;

void WriteTextPassOnBitmap(TBitmap& bitmap, const std::string& text, RECT r, UINT format, TColor colour) {
    int width = RectWidth(r), height = RectHeight(r);
    if (width <= 0 || height <= 0 || bitmap.PixelFormat() != pf32bit) return;
    std::unique_ptr<TBitmap> ink = TextCoverage(bitmap.Canvas().Font(), text, width, height, format);
    std::uint32_t c = static_cast<std::uint32_t>(ExchangeRedBlue(static_cast<TColor>(ColorToRGB(colour))));
    for (int y = 0; y < height; ++y) {
        int ty = r.top + y;
        if (ty < 0 || ty >= bitmap.Height()) continue;
        const auto* coverage = reinterpret_cast<const std::uint32_t*>(ink->ScanLine(y));
        auto* target = reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(ty));
        for (int x = 0; x < width; ++x) {
            int tx = r.left + x;
            std::uint32_t pixel = coverage[x] & 0xFFFFFFu;
            if (tx < 0 || tx >= bitmap.Width() || pixel == 0xFFFFFFu) continue;
            int g = static_cast<int>(((pixel & 0xFF) + ((pixel >> 8) & 0xFF) + ((pixel >> 16) & 0xFF)) / 3);
            std::uint32_t out = 0xFF000000u;
            for (int ch = 0; ch < 3; ++ch) {
                int t = static_cast<int>((target[tx] >> (8 * ch)) & 0xFF), cv = static_cast<int>((c >> (8 * ch)) & 0xFF);
                out |= static_cast<std::uint32_t>(((t - cv) * g + cv * 256) >> 8) << (8 * ch);
            }
            target[tx] = out;
        }
    }
}

void WriteSectionTextOnBitmap(TBitmap& bitmap, const std::string& text, bool contour, RECT r, UINT format,
                              int sectionIndex, bool hot, TsSkinManager* manager) {
    if (text.empty() || RectIsEmptyOrInverted(r)) return;
    if (!manager) manager = TsSkinManager::DefaultManager();
    if (!manager) return;
    const TsSkinTables& tables = manager->Tables();
    if (!IsValidSectionIndex(tables, sectionIndex)) {
        WriteTextPassOnBitmap(bitmap, text, r, format, bitmap.Canvas().Font().Color());
        return;
    }
    const TsGeneralData& section = tables.Sections[static_cast<size_t>(sectionIndex)];
    hot = hot && section.StateCount > 0;
    if (contour) {
        const std::uint32_t colours[4] = {hot ? section.HotTCLeft : section.TCLeft, hot ? section.HotTCTop : section.TCTop,
                                          hot ? section.HotTCRight : section.TCRight,
                                          hot ? section.HotTCBottom : section.TCBottom};
        const POINT shifts[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
        for (int i = 0; i < 4; ++i)
            if (colours[i] != kNoContour)
                WriteTextPassOnBitmap(bitmap, text,
                                      RECT{r.left + shifts[i].x, r.top + shifts[i].y, r.right + shifts[i].x,
                                           r.bottom + shifts[i].y},
                                      format, static_cast<TColor>(colours[i]));
    }
    WriteTextPassOnBitmap(bitmap, text, r, format, static_cast<TColor>(hot ? section.HotFontColor : section.FontColor));
}

void BlurGreyPlane(std::vector<std::uint8_t>& values, int width, int height, int radius) {
    if (radius < 1 || width < 1 || height < 1) return;
    // The kernel keeps the taps whose weights, summed from the outside, reach 1/510.
    double sigma = radius;
    auto weight = [sigma](int i) { return std::exp(-(i / sigma) * (i / sigma) / 2); };
    int half = 100;
    double tail = 0;
    while (tail < 1.0 / 510 && half > 1) {
        tail += 2 * weight(half);
        --half;
    }
    std::vector<double> kernel(static_cast<size_t>(2 * half + 1));
    double total = 0;
    for (int i = -half; i <= half; ++i) total += kernel[static_cast<size_t>(i + half)] = weight(i);
    for (double& k : kernel) k /= total;
    std::vector<std::uint8_t> line;
    auto pass = [&](int count, int length, auto at) {
        line.resize(static_cast<size_t>(length));
        for (int n = 0; n < count; ++n) {
            for (int i = 0; i < length; ++i) line[static_cast<size_t>(i)] = at(n, i);
            for (int i = 0; i < length; ++i) {
                double sum = 0;
                for (int k = -half; k <= half; ++k)
                    sum += kernel[static_cast<size_t>(k + half)] * line[static_cast<size_t>(std::clamp(i + k, 0, length - 1))];
                at(n, i) = static_cast<std::uint8_t>(std::clamp(static_cast<int>(sum), 0, 255));
            }
        }
    };
    pass(height, width, [&](int row, int i) -> std::uint8_t& { return values[static_cast<size_t>(row * width + i)]; });
    pass(width, height, [&](int column, int i) -> std::uint8_t& { return values[static_cast<size_t>(i * width + column)]; });
}

void DrawTextWithGlow(TBitmap& bitmap, const std::string& text, RECT r, TsGlowCache& cache, TColor glowColor,
                      int glowSize, int contourFlags, UINT format) {
    if (bitmap.PixelFormat() != pf32bit || RectIsEmptyOrInverted(r)) return;
    int d = std::max(glowSize, 0) + 4;
    int width = RectWidth(r) + 2 * d, height = RectHeight(r) + 2 * d;
    std::string key = text + '\n' + FontKey(bitmap.Canvas().Font()) + '\n' + std::to_string(glowSize) + '/' +
                      std::to_string(contourFlags) + '/' + std::to_string(format) + '/' + std::to_string(width) + 'x' +
                      std::to_string(height);
    if (cache.Key != key || cache.Width != width || cache.Height != height) {
        TFont& font = bitmap.Canvas().Font();
        auto ink = NewPf32Bitmap(width, height);
        TCanvas& canvas = ink->Canvas();
        canvas.Brush().SetColor(clWhite);
        canvas.FillRect(RECT{0, 0, width, height});
        canvas.Font().Assign(font);
        HDC dc = canvas.Handle();
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, 0);
        const POINT shifts[5] = {{0, 0}, {-1, 0}, {0, -1}, {1, 0}, {0, 1}};
        for (int i = 0; i < 5; ++i) {
            if (i > 0 && !(contourFlags & (1 << (i - 1)))) continue;
            RECT box{d + shifts[i].x, d + shifts[i].y, d + RectWidth(r) + shifts[i].x, d + RectHeight(r) + shifts[i].y};
            DrawText(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
        }
        cache.Values.assign(static_cast<size_t>(width) * height, 255);
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(ink->ScanLine(y));
            for (int x = 0; x < width; ++x) {
                std::uint32_t p = row[x];
                cache.Values[static_cast<size_t>(y * width + x)] =
                    static_cast<std::uint8_t>(((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) / 3);
            }
        }
        BlurGreyPlane(cache.Values, width, height, glowSize);
        cache.Width = width;
        cache.Height = height;
        cache.Key = key;
        ++cache.Renders;
    }
    std::uint32_t c = static_cast<std::uint32_t>(ExchangeRedBlue(static_cast<TColor>(ColorToRGB(glowColor))));
    for (int y = 0; y < height; ++y) {
        int ty = r.top + y - d;
        if (ty < 0 || ty >= bitmap.Height()) continue;
        auto* target = reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(ty));
        for (int x = 0; x < width; ++x) {
            int tx = r.left + x - d;
            int v = cache.Values[static_cast<size_t>(y * width + x)];
            if (tx < 0 || tx >= bitmap.Width() || v == 255) continue;
            std::uint32_t t = target[tx], out = 0;
            for (int ch = 0; ch < 3; ++ch) {
                int cv = static_cast<int>((c >> (8 * ch)) & 0xFF), tv = static_cast<int>((t >> (8 * ch)) & 0xFF);
                out |= static_cast<std::uint32_t>(cv + (tv - cv) * v / 255) << (8 * ch);
            }
            int a = static_cast<int>(t >> 24);
            a += (255 - v) * (255 - a) / 255;
            target[tx] = out | static_cast<std::uint32_t>(a) << 24;
        }
    }
}

std::string FitTextWithEllipsis(TCanvas& canvas, const std::string& text, int maxWidth) {
    std::string result = maxWidth > 0 ? text : std::string();
    if (result.empty() || canvas.TextWidth(result) <= maxWidth) return result;
    while (!result.empty()) {
        if (canvas.TextWidth(result + "...") <= maxWidth) return result + "...";
        // One whole character: its continuation bytes, then its lead byte.
        while (!result.empty() && (static_cast<unsigned char>(result.back()) & 0xC0) == 0x80) result.pop_back();
        if (!result.empty()) result.pop_back();
    }
    return result;
}

int DrawTextOnDC(HDC dc, const std::string& text, RECT r, UINT format) {
    return DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

SIZE DCTextExtent(HDC dc, const std::string& text) {
    SIZE size{0, 0};
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

namespace {

constexpr std::uint32_t kNoContourColour = 0xFFFFFFFFu;

// Left, up, right, down: the contour copies and where each goes.
struct ContourCopy {
    std::uint32_t TsGenState::*colour;
    int dx, dy;
};
constexpr ContourCopy kContourCopies[4] = {
    {&TsGenState::TCLeft, -1, 0}, {&TsGenState::TCTop, 0, -1}, {&TsGenState::TCRight, 1, 0}, {&TsGenState::TCBottom, 0, 1}};

template <class Tint>
void DrawInColours(HDC dc, const std::string& text, RECT r, UINT format, const TsGenState& state, Tint tint) {
    for (const ContourCopy& copy : kContourCopies) {
        const std::uint32_t colour = state.*copy.colour;
        if (colour == kNoContourColour) continue;
        SetTextColor(dc, ColorToRGB(tint(static_cast<TColor>(colour))));
        DrawTextOnDC(dc, text, RECT{r.left + copy.dx, r.top + copy.dy, r.right + copy.dx, r.bottom + copy.dy}, format);
    }
    SetTextColor(dc, ColorToRGB(tint(static_cast<TColor>(state.FontColor))));
    DrawTextOnDC(dc, text, r, format);
}

// SaveDC for one scope; the canvas's own objects are selected again after RestoreDC.
class SavedCanvasState {
public:
    explicit SavedCanvasState(TCanvas& canvas) : dc_(canvas.Handle()), saved_(SaveDC(dc_)) {}
    ~SavedCanvasState() { RestoreDC(dc_, saved_); }
    SavedCanvasState(const SavedCanvasState&) = delete;
    SavedCanvasState& operator=(const SavedCanvasState&) = delete;
    HDC Handle() const { return dc_; }

private:
    HDC dc_;
    int saved_;
};

// The section whose colours a control's text takes.
int TextSectionIndex(TsCommonData& data, TsSkinManager& manager, int state) {
    const int own = data.SectionIndex;
    TControl* host = data.HostControl;
    if (host == nullptr) return own;
    const bool takesParentLook = data.ControlKind == 32 || data.ControlKind == 33 || data.ControlKind == 74 ||
                                 dynamic_cast<TWinControl*>(host) == nullptr;
    if (!takesParentLook || !host->ParentFont() || host->Parent() == nullptr) return own;
    const TsGeneralData& section = manager.Tables().Sections[static_cast<size_t>(own)];
    const int transparency = state == 0 ? section.Transparency : section.HotTransparency;
    return transparency > 0 ? FindFontSectionIndex(host, own, &manager, state) : own;
}

}  // namespace

void DrawSectionText(TCanvas& canvas, const std::string& text, bool enabled, RECT r, UINT format, int sectionIndex,
                     bool hot, TsSkinManager* manager) {
    if (text.empty()) return;
    if (manager == nullptr) manager = TsSkinManager::DefaultManager();
    if (manager == nullptr || !IsValidSectionIndex(manager->Tables(), sectionIndex)) return;
    const TsGeneralData& section = manager->Tables().Sections[static_cast<size_t>(sectionIndex)];
    HDC dc = canvas.Handle();
    SetBkMode(dc, TRANSPARENT);
    auto asIs = [](TColor c) { return c; };
    if (enabled) {
        DrawInColours(dc, text, r, format, section.StateProps[hot ? 1 : 0], asIs);
        return;
    }
    SetTextColor(dc, ColorToRGB(MixColorsByFactor(static_cast<TColor>(section.FontColor), static_cast<TColor>(section.Color), 0.4)));
    DrawTextOnDC(dc, text, r, format);
}

void DrawControlText(TCanvas& canvas, const std::string& text, bool enabled, RECT r, UINT format, TsCommonData& data,
                     bool hot) {
    TsSkinManager* manager = data.GetSkinManager();
    if (hot && manager != nullptr && data.SectionIndex >= 0 && data.SectionIndex == manager->ConstData().WebButtonSection)
        canvas.Font().SetStyle(canvas.Font().Style() | fsUnderline);
    SavedCanvasState saved(canvas);
    HDC dc = saved.Handle();
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    canvas.Brush().SetStyle(bsClear);
    SetBkMode(dc, TRANSPARENT);

    if (!data.IsSkinned() || data.CustomFont()) {
        if (enabled) {
            DrawTextOnDC(dc, text, r, format);
            return;
        }
        SetTextColor(dc, ColorToRGB(clBtnHighlight));
        DrawTextOnDC(dc, text, RECT{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1}, format);
        SetTextColor(dc, ColorToRGB(clBtnShadow));
        DrawTextOnDC(dc, text, r, format);
        return;
    }
    const int state = hot ? 1 : 0;
    const int sectionIndex = TextSectionIndex(data, *manager, state);
    if (!IsValidSectionIndex(manager->Tables(), sectionIndex)) {
        DrawTextOnDC(dc, text, r, format);
        return;
    }
    const TsGeneralData& section = manager->Tables().Sections[static_cast<size_t>(sectionIndex)];
    const TsGenState& look = section.StateProps[static_cast<size_t>(state)];
    auto tint = [&data](TColor c) { return AdjustColorSaturation(ShiftColorHue(data.HUEOffset, c), data.Saturation); };
    if (data.CacheBitmap != nullptr && look.GlowSize != 0) {
        TsGlowCache glow;
        DrawTextWithGlow(*data.CacheBitmap, text, r, glow, tint(static_cast<TColor>(look.GlowColor)), look.GlowSize, 15,
                         format);
    }
    if (!enabled) {
        SetTextColor(dc, ColorToRGB(tint(MixColorsByFactor(static_cast<TColor>(section.FontColor), manager->GetGlobalColor(), 0.4))));
        DrawTextOnDC(dc, text, r, format);
        return;
    }
    DrawInColours(dc, text, r, format | DT_NOCLIP, look, tint);
}

}  // namespace parch
