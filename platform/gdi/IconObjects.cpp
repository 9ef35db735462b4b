#include "platform/gdi/IconObjects.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/ImagePixels.h"

namespace parch {
namespace icons {

using imagepixels::OwnedBitmap;

// The values of a mask bitmap for the raster operations: an AND pixel that keeps the
// destination is all ones; one that clears it keeps the destination's alpha byte.
constexpr std::uint32_t kMaskKeep = 0xFFFFFFFFu;
constexpr std::uint32_t kMaskClear = 0xFF000000u;

struct IconObject {
    IconImage image;
    bool isIcon = true;
    POINT hotspot;
    bool shared = false;
    // Made once, read-only afterwards, so drawing needs no lock.
    OwnedBitmap drawColor;  // premultiplied for alpha icons, the XOR picture otherwise
    OwnedBitmap drawMask;   // AND mask as kMaskKeep / kMaskClear values
};

bool MakeDrawingBitmaps(IconObject& icon) {
    const IconImage& im = icon.image;
    const std::size_t count = static_cast<std::size_t>(im.width) * im.height;
    std::vector<std::uint32_t> values(count);
    for (std::size_t i = 0; i < count; ++i) values[i] = im.mask[i] ? kMaskKeep : kMaskClear;
    icon.drawMask = imagepixels::BitmapOfValues(im.width, im.height, values.data());
    for (std::size_t i = 0; i < count; ++i) {
        if (im.Monochrome()) values[i] = im.xorBits[i] ? 0x00FFFFFFu : 0u;
        else values[i] = im.hasAlpha ? imagepixels::Premultiplied(im.color[i]) : im.color[i] & 0x00FFFFFFu;
    }
    icon.drawColor = imagepixels::BitmapOfValues(im.width, im.height, values.data());
    return icon.drawMask && icon.drawColor;
}

// Every live icon, by handle. Handles are numbers never used twice, so a stale handle cannot
// name a newer icon.
class IconTable {
public:
    static IconTable& Instance() {
        static IconTable table;
        return table;
    }

    HICON Add(std::shared_ptr<IconObject> icon) {
        std::lock_guard lock(mutex_);
        nextHandle_ += 4;
        auto handle = reinterpret_cast<HICON>(nextHandle_);
        icons_.emplace(handle, std::move(icon));
        return handle;
    }

    std::shared_ptr<IconObject> Find(HICON handle) {
        std::lock_guard lock(mutex_);
        auto it = icons_.find(handle);
        return it == icons_.end() ? nullptr : it->second;
    }

    // False for an unknown handle; a shared icon is left alive.
    bool Remove(HICON handle) {
        std::lock_guard lock(mutex_);
        auto it = icons_.find(handle);
        if (it == icons_.end()) return false;
        if (!it->second->shared) icons_.erase(it);
        return true;
    }

private:
    std::mutex mutex_;
    std::unordered_map<HICON, std::shared_ptr<IconObject>> icons_;
    std::uintptr_t nextHandle_ = 0x7C000000;
};

bool ValidImage(const IconImage& im) {
    if (im.width < 1 || im.height < 1 || im.width > kMaxIconSide || im.height > kMaxIconSide) return false;
    const std::size_t count = static_cast<std::size_t>(im.width) * im.height;
    if (im.mask.size() != count) return false;
    if (im.Monochrome()) return im.xorBits.size() == count;
    return im.color.size() == count;
}

HICON Adopt(IconImage image, bool isIcon, POINT hotspot, bool shared) {
    if (!ValidImage(image)) return nullptr;
    auto icon = std::make_shared<IconObject>();
    image.hasAlpha = false;
    for (std::uint32_t c : image.color) image.hasAlpha = image.hasAlpha || (c >> 24) != 0;
    icon->image = std::move(image);
    icon->isIcon = isIcon;
    icon->hotspot = hotspot;
    icon->shared = shared;
    if (!MakeDrawingBitmaps(*icon)) return nullptr;
    return IconTable::Instance().Add(std::move(icon));
}

bool DrawInto(HDC dc, int x, int y, const IconObject& icon, int cx, int cy, UINT flags) {
    HDC memory = CreateCompatibleDC(nullptr);
    if (!memory) return false;
    const int w = icon.image.width;
    const int h = icon.image.height;
    bool ok = true;
    auto blit = [&](GdiBitmap* bitmap, DWORD rop) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = StretchBlt(dc, x, y, cx, cy, memory, 0, 0, w, h, rop) && ok;
        SelectObject(memory, old);
    };
    if ((flags & DI_IMAGE) && icon.image.hasAlpha) {
        HGDIOBJ old = SelectObject(memory, icon.drawColor.get());
        ok = AlphaBlend(dc, x, y, cx, cy, memory, 0, 0, w, h, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
        SelectObject(memory, old);
    } else {
        if (flags & DI_MASK) blit(icon.drawMask.get(), (flags & DI_IMAGE) ? SRCAND : SRCCOPY);
        if (flags & DI_IMAGE) blit(icon.drawColor.get(), (flags & DI_MASK) ? SRCINVERT : SRCCOPY);
    }
    DeleteDC(memory);
    return ok;
}

// Draws over `brush` in an off-screen bitmap, then copies the result in one blit.
bool DrawOverBrush(HDC dc, int x, int y, const IconObject& icon, int cx, int cy, HBRUSH brush,
                   UINT flags) {
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP buffer = memory ? CreateCompatibleBitmap(dc, cx, cy) : nullptr;
    bool ok = buffer != nullptr;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, buffer);
        RECT all{0, 0, cx, cy};
        FillRect(memory, &all, brush);
        ok = DrawInto(memory, 0, 0, icon, cx, cy, flags) && BitBlt(dc, x, y, cx, cy, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(buffer);
    }
    if (memory) DeleteDC(memory);
    return ok;
}

}  // namespace icons

using icons::IconTable;

bool IsIconHandle(HICON icon) {
    return icon && IconTable::Instance().Find(icon) != nullptr;
}

HICON CreateIconFromImage(IconImage image, bool isIcon, POINT hotspot) {
    return icons::Adopt(std::move(image), isIcon, hotspot, false);
}

HICON CreateSharedIcon(IconImage image, bool isIcon, POINT hotspot) {
    return icons::Adopt(std::move(image), isIcon, hotspot, true);
}

bool GetIconImage(HICON handle, IconImage& image) {
    auto icon = handle ? IconTable::Instance().Find(handle) : nullptr;
    if (!icon) return false;
    image = icon->image;
    return true;
}

bool GetIconSize(HICON handle, SIZE& size) {
    auto icon = handle ? IconTable::Instance().Find(handle) : nullptr;
    if (!icon) return false;
    size = SIZE{icon->image.width, icon->image.height};
    return true;
}

HICON CreateIconIndirect(const ICONINFO* info) {
    if (!info) return nullptr;
    GdiBitmap* mask = ResolveHandle(info->hbmMask);
    GdiBitmap* color = info->hbmColor ? ResolveHandle(info->hbmColor) : nullptr;
    if (!mask || (info->hbmColor && !color)) return nullptr;
    IconImage image;
    image.width = mask->Width();
    image.height = color ? mask->Height() : mask->Height() / 2;
    if (image.height < 1 || image.width > kMaxIconSide || image.height > kMaxIconSide) return nullptr;
    if (color && (color->Width() != image.width || color->Height() != image.height)) return nullptr;
    std::vector<std::uint32_t> pixels;
    imagepixels::ReadColors(info->hbmMask, 0, image.height, pixels);
    for (std::uint32_t c : pixels) image.mask.push_back(imagepixels::MaskBit(c));
    if (color) {
        imagepixels::ReadColors(info->hbmColor, 0, image.height, image.color);
        // Only a 32-bit picture has alpha; other depths read with alpha 0 already.
    } else {
        imagepixels::ReadColors(info->hbmMask, image.height, image.height, pixels);
        for (std::uint32_t c : pixels) image.xorBits.push_back(imagepixels::MaskBit(c));
    }
    POINT hotspot{static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
    if (info->fIcon) hotspot = POINT{image.width / 2, image.height / 2};
    return icons::Adopt(std::move(image), info->fIcon != 0, hotspot, false);
}

BOOL GetIconInfo(HICON handle, ICONINFO* info) {
    auto icon = handle ? IconTable::Instance().Find(handle) : nullptr;
    if (!icon || !info) return 0;
    const IconImage& im = icon->image;
    HBITMAP mask = nullptr;
    HBITMAP color = nullptr;
    if (im.Monochrome()) {
        std::vector<std::uint8_t> both = im.mask;
        both.insert(both.end(), im.xorBits.begin(), im.xorBits.end());
        mask = imagepixels::MonochromeBitmap(im.width, im.height * 2, both.data());
    } else {
        mask = imagepixels::MonochromeBitmap(im.width, im.height, im.mask.data());
        color = imagepixels::BitmapOfValues(im.width, im.height, im.color.data()).release();
        if (!color) {
            DeleteObject(mask);
            return 0;
        }
    }
    if (!mask) {
        if (color) DeleteObject(color);
        return 0;
    }
    info->fIcon = icon->isIcon ? 1 : 0;
    info->xHotspot = static_cast<DWORD>(icon->hotspot.x);
    info->yHotspot = static_cast<DWORD>(icon->hotspot.y);
    info->hbmMask = mask;
    info->hbmColor = color;
    return 1;
}

HICON CopyIcon(HICON handle) {
    auto icon = handle ? IconTable::Instance().Find(handle) : nullptr;
    if (!icon) return nullptr;
    return icons::Adopt(icon->image, icon->isIcon, icon->hotspot, false);
}

BOOL DestroyIcon(HICON icon) {
    return icon && IconTable::Instance().Remove(icon) ? 1 : 0;
}

BOOL DestroyCursor(HCURSOR cursor) {
    return DestroyIcon(cursor);
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON handle, int cx, int cy, UINT step, HBRUSH brush, UINT flags) {
    auto icon = handle ? IconTable::Instance().Find(handle) : nullptr;
    if (!icon || !ResolveHandle(dc) || step != 0 || cx < 0 || cy < 0) return 0;
    if (!(flags & DI_NORMAL)) return 0;
    if (cx == 0) cx = (flags & DI_DEFAULTSIZE) ? kSystemIconSize : icon->image.width;
    if (cy == 0) cy = (flags & DI_DEFAULTSIZE) ? kSystemIconSize : icon->image.height;
    if (brush) return icons::DrawOverBrush(dc, x, y, *icon, cx, cy, brush, flags) ? 1 : 0;
    return icons::DrawInto(dc, x, y, *icon, cx, cy, flags) ? 1 : 0;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

}  // namespace parch
