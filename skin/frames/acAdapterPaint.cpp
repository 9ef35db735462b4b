#include "skin/frames/acAdapterPaint.h"

#include <algorithm>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/Messages.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sMaskData.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"

namespace parch {

TacWndGeometry GetWindowGeometry(HWND window) {
    TacWndGeometry g;
    GetWindowRect(window, &g.windowRect);
    g.size = SIZE{g.windowRect.right - g.windowRect.left, g.windowRect.bottom - g.windowRect.top};
    g.parent = GetParent(window);
    g.posInParent = POINT{g.windowRect.left, g.windowRect.top};
    if (g.parent) {
        GetWindowRect(g.parent, &g.parentRect);
        ScreenToClient(g.parent, &g.posInParent);
    }
    return g;
}

HFONT CreateSystemFont(int kind) {
    NONCLIENTMETRICS metrics;
    if (!SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
    const LOGFONT* font = nullptr;
    switch (kind) {
        case 1: font = &metrics.lfCaptionFont; break;
        case 2: font = &metrics.lfSmCaptionFont; break;
        case 3: font = &metrics.lfMenuFont; break;
        case 4: font = &metrics.lfStatusFont; break;
        case 5: font = &metrics.lfMessageFont; break;
        default: return nullptr;
    }
    return CreateFontIndirect(font);
}

TacSystemFont::TacSystemFont(int kind, bool underline) {
    HFONT handle = CreateSystemFont(kind);
    if (!handle) return;
    font_.SetHandle(handle);  // the TFont owns it from here
    if (underline) font_.SetStyle(font_.Style() | fsUnderline);
    valid_ = true;
}

void InitAdapterSkinData(TsCommonData& data, TsSkinManager* manager, const std::string& section,
                         const char* defaultSection) {
    if (manager) data.SetSkinManager(manager);
    data.SetSkinSection(section.empty() ? std::string(defaultSection) : section);
    data.UpdateIndexes();
    data.BackgroundDirty = true;
}

bool UpdateWndCache(TsCommonData& data, HWND window, bool plainFrame, int state) {
    if (!window || !data.BackgroundDirty) return true;
    data.PrepareCacheBitmap();
    const TacWndGeometry g = GetWindowGeometry(window);
    TBitmap& cache = *data.CacheBitmap;
    cache.SetSize(std::max<int>(0, g.size.cx), std::max<int>(0, g.size.cy));
    if (g.size.cx <= 0 || g.size.cy <= 0) return true;
    TsSkinManager* manager = data.GetSkinManager();
    if (!manager) return true;
    if (plainFrame && manager->SkinData().BorderColor != TransparentKey) {
        const RECT all{0, 0, g.size.cx, g.size.cy};
        cache.Canvas().Brush().SetColor(clWindow);
        cache.Canvas().FillRect(all);
        cache.Canvas().Brush().SetColor(static_cast<TColor>(manager->SkinData().BorderColor));
        cache.Canvas().FrameRect(all);
    } else {
        if (!g.parent) return true;
        if (data.SectionIndex < 0) return true;
        PaintSkinSection(data.SectionIndex, data.SkinSection(), GetWindowParentBackground(window), state,
                         RECT{0, 0, g.size.cx, g.size.cy}, g.posInParent, cache, manager);
    }
    data.BackgroundDirty = false;
    return true;
}

TColor SectionColor(const TsCommonData& data, bool hot) {
    const TsGeneralData* section = data.Section();
    if (!section) return clWindow;
    return static_cast<TColor>(hot && section->StateCount > 1 ? section->HotColor : section->Color);
}

TColor SectionFontColor(const TsCommonData& data, bool hot) {
    const TsGeneralData* section = data.Section();
    if (!section) return clWindowText;
    return static_cast<TColor>(hot && section->StateCount > 1 ? section->HotFontColor : section->FontColor);
}

void CopyParentBackdrop(TBitmap& bitmap, HWND window, RECT r) {
    const TsBackgroundSource backdrop = GetWindowParentBackground(window);
    const POINT at = GetWindowGeometry(window).posInParent;
    if (backdrop.Valid && backdrop.Bmp) {
        BitBlt(bitmap.Canvas().Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top,
               backdrop.Bmp->Canvas().Handle(), backdrop.X + at.x + r.left, backdrop.Y + at.y + r.top, SRCCOPY);
        return;
    }
    bitmap.Canvas().Brush().SetColor(backdrop.Color == TransparentKey ? clBtnFace
                                                                      : static_cast<TColor>(backdrop.Color));
    bitmap.Canvas().FillRect(r);
}

void CopyCacheToDC(TsCommonData& data, HDC dc) {
    if (!dc || !data.CacheBitmap) return;
    TBitmap& cache = *data.CacheBitmap;
    BitBlt(dc, 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0, SRCCOPY);
}

void FadeCacheToBackdrop(TsCommonData& data, HWND window) {
    if (!data.CacheBitmap) return;
    TBitmap& cache = *data.CacheBitmap;
    const TsBackgroundSource backdrop = GetWindowParentBackground(window);
    if (backdrop.Valid && backdrop.Bmp) {
        const POINT at = GetWindowGeometry(window).posInParent;
        // The backdrop picture under the window, as big as the cache.
        TBitmap behind(cache.Width(), cache.Height(), pf32bit);
        BitBlt(behind.Canvas().Handle(), 0, 0, cache.Width(), cache.Height(), backdrop.Bmp->Canvas().Handle(),
               backdrop.X + at.x, backdrop.Y + at.y, SRCCOPY);
        BlendKeyedRect(cache, 0, 0, behind, RECT{0, 0, cache.Width() - 1, cache.Height() - 1}, 0.4, TransparentKey);
    } else {
        const TColor colour = backdrop.Color == TransparentKey ? clBtnFace : static_cast<TColor>(backdrop.Color);
        FadeBitmapToColor(cache, colour, 0.4);
    }
}

std::string ReadWindowText(HWND window) {
    const int length = GetWindowTextLength(window);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const int got = GetWindowText(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<size_t>(std::max(0, got)));
}

}  // namespace parch
