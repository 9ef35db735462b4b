#include "platform/win/ImageLists.h"

#include <array>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/PixelView.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/ImagePixels.h"

namespace parch {
namespace imagelists {

using imagepixels::OwnedBitmap;

// Largest number of images one list may hold (a bound on memory from callers' counts).
constexpr std::int64_t kMaxImages = 1 << 16;
constexpr std::int64_t kMaxListPixels = std::int64_t{1} << 26;

struct ListImage {
    std::vector<std::uint32_t> color;  // straight alpha; alpha bytes 0 when !hasAlpha
    std::vector<std::uint8_t> mask;    // 1: transparent; masked lists only
    bool hasAlpha = false;
};

struct ImageList {
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    int grow = 4;
    COLORREF background = CLR_NONE;
    std::vector<ListImage> images;
    std::array<int, 16> overlays{};  // overlay number -> image index, -1 unset
    bool system = false;
    // The whole list as bitmaps, for ImageList_GetImageInfo; rebuilt after changes.
    OwnedBitmap strip;
    OwnedBitmap stripMask;
    bool stripValid = false;

    bool Masked() const { return flags & ILC_MASK; }
    bool KeepsAlpha() const { return (flags & 0xFE) == ILC_COLOR32; }
    std::size_t PixelCount() const { return static_cast<std::size_t>(cx) * cy; }
    bool Valid(int index) const { return index >= 0 && index < static_cast<int>(images.size()); }
    void Changed() { stripValid = false; }
    ListImage Blank() const {
        ListImage image;
        image.color.assign(PixelCount(), 0);
        if (Masked()) image.mask.assign(PixelCount(), 1);
        return image;
    }
};

class ListTable {
public:
    static ListTable& Instance() {
        static ListTable table;
        return table;
    }
    std::recursive_mutex& Mutex() { return mutex_; }

    HIMAGELIST Add(std::unique_ptr<ImageList> list) {
        nextHandle_ += 4;
        auto handle = reinterpret_cast<HIMAGELIST>(nextHandle_);
        lists_.emplace(handle, std::move(list));
        return handle;
    }
    ImageList* Find(HIMAGELIST handle) {
        auto it = lists_.find(handle);
        return it == lists_.end() ? nullptr : it->second.get();
    }
    void Remove(HIMAGELIST handle) { lists_.erase(handle); }

private:
    std::recursive_mutex mutex_;
    std::unordered_map<HIMAGELIST, std::unique_ptr<ImageList>> lists_;
    std::uintptr_t nextHandle_ = 0x6C000000;
};

// Runs `action` on the live list under the table's lock; `failure` for a stale handle.
template <class Result, class Action>
Result WithList(HIMAGELIST handle, Result failure, Action action) {
    ListTable& table = ListTable::Instance();
    std::lock_guard lock(table.Mutex());
    ImageList* list = handle ? table.Find(handle) : nullptr;
    return list ? action(*list) : failure;
}

// Whether `more` images fit within the list's bounds.
bool Room(const ImageList& list, std::int64_t more) {
    const std::int64_t count = static_cast<std::int64_t>(list.images.size()) + more;
    return count <= kMaxImages && count * list.cx * list.cy <= kMaxListPixels;
}

bool HasAnyAlpha(const std::vector<std::uint32_t>& pixels) {
    for (std::uint32_t c : pixels)
        if (c >> 24) return true;
    return false;
}

void SettleAlpha(const ImageList& list, ListImage& image) {
    image.hasAlpha = list.KeepsAlpha() && HasAnyAlpha(image.color);
    if (!image.hasAlpha)
        for (std::uint32_t& c : image.color) c &= 0x00FFFFFFu;
}

// The `index`-th cx-wide block of a picture `width` wide (rows beyond `height` stay 0).
std::vector<std::uint32_t> Block(const std::vector<std::uint32_t>& pixels, int width, int height, int index, int cx,
                                 int cy) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(cx) * cy, 0);
    for (int y = 0; y < std::min(cy, height); ++y)
        for (int x = 0; x < cx; ++x) {
            const std::int64_t sx = static_cast<std::int64_t>(index) * cx + x;
            if (sx < width) out[static_cast<std::size_t>(y) * cx + x] = pixels[static_cast<std::size_t>(y) * width + sx];
        }
    return out;
}

// Cuts a bitmap (and its mask) into the list's images. False when a handle is bad or the
// bitmap is narrower than one image.
bool ImagesOfBitmap(const ImageList& list, HBITMAP bitmap, HBITMAP mask, std::vector<ListImage>& out) {
    int width = 0, height = 0;
    if (!imagepixels::BitmapSize(bitmap, width, height) || width < list.cx) return false;
    const int rows = std::min(height, list.cy);
    std::vector<std::uint32_t> pixels, maskPixels;
    if (!imagepixels::ReadColors(bitmap, 0, rows, pixels)) return false;
    int maskWidth = 0, maskHeight = 0;
    const bool useMask = list.Masked() && mask;
    if (useMask) {
        if (!imagepixels::BitmapSize(mask, maskWidth, maskHeight)) return false;
        if (!imagepixels::ReadColors(mask, 0, std::min(maskHeight, list.cy), maskPixels)) return false;
    }
    const int count = width / list.cx;
    if (!Room(list, count)) return false;
    for (int i = 0; i < count; ++i) {
        ListImage image;
        image.color = Block(pixels, width, rows, i, list.cx, list.cy);
        if (list.Masked()) {
            image.mask.assign(list.PixelCount(), 0);
            if (useMask) {
                std::vector<std::uint32_t> m = Block(maskPixels, maskWidth, std::min(maskHeight, list.cy), i, list.cx, list.cy);
                for (std::size_t k = 0; k < m.size(); ++k) image.mask[k] = imagepixels::MaskBit(m[k]);
            }
        }
        SettleAlpha(list, image);
        out.push_back(std::move(image));
    }
    return true;
}

ListImage ImageOfIcon(const ImageList& list, const IconImage& icon) {
    ListImage image;
    const int w = icon.width, h = icon.height;
    std::vector<std::uint8_t> mask = imagepixels::ScaledNearest(icon.mask, w, h, list.cx, list.cy);
    if (icon.Monochrome()) {
        std::vector<std::uint8_t> bits = imagepixels::ScaledNearest(icon.xorBits, w, h, list.cx, list.cy);
        for (std::uint8_t b : bits) image.color.push_back(b ? 0x00FFFFFFu : 0u);
    } else {
        image.color = imagepixels::ScaledNearest(icon.color, w, h, list.cx, list.cy);
    }
    const bool alpha = icon.hasAlpha && list.KeepsAlpha();
    for (std::size_t k = 0; k < image.color.size(); ++k)
        if (!alpha && mask[k]) image.color[k] = 0;  // what the icon shows through stays black
    if (list.Masked()) image.mask = alpha ? std::vector<std::uint8_t>(list.PixelCount(), 0) : mask;
    if (alpha)
        for (std::size_t k = 0; k < image.color.size(); ++k)
            if (list.Masked()) image.mask[k] = (image.color[k] >> 24) == 0;
    SettleAlpha(list, image);
    return image;
}

// An icon of one image: alpha images keep their alpha, others their mask.
IconImage IconOfImage(const ImageList& list, const ListImage& image) {
    IconImage icon;
    icon.width = list.cx;
    icon.height = list.cy;
    icon.color = image.color;
    icon.mask.assign(list.PixelCount(), 0);
    for (std::size_t k = 0; k < icon.mask.size(); ++k) {
        if (image.hasAlpha) icon.mask[k] = (image.color[k] >> 24) == 0;
        else if (list.Masked() && image.mask[k]) {
            icon.mask[k] = 1;
            icon.color[k] = 0;
        }
    }
    return icon;
}

std::uint32_t Mix(std::uint32_t rgb, std::uint32_t other, unsigned otherPart /* of 4 */) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned a = (rgb >> shift) & 0xFF, b = (other >> shift) & 0xFF;
        out |= static_cast<std::uint32_t>((a * (4 - otherPart) + b * otherPart + 2) / 4) << shift;
    }
    return out;
}

// An opaque pixel: `rgb` at `alpha` over `back`.
std::uint32_t Over(std::uint32_t rgb, unsigned alpha, std::uint32_t back) {
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned a = (rgb >> shift) & 0xFF, b = (back >> shift) & 0xFF;
        out |= static_cast<std::uint32_t>((a * alpha + b * (255 - alpha) + 127) / 255) << shift;
    }
    return out;
}

struct DrawRequest {
    int width = 0;
    int height = 0;
    COLORREF background = CLR_NONE;
    COLORREF foreground = CLR_DEFAULT;
    UINT style = 0;
};

// The image's pixels ready for AlphaBlend (premultiplied): transparency as alpha 0, the
// background colour and the blend colour already applied.
std::vector<std::uint32_t> Composed(const ImageList& list, const ListImage& image, const DrawRequest& r) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(r.width) * r.height, 0);
    const bool transparent = (r.style & ILD_TRANSPARENT) || r.background == CLR_NONE;
    const unsigned blendPart = (r.style & ILD_BLEND50) ? 2 : (r.style & ILD_BLEND25) ? 1 : 0;
    const std::uint32_t back = ColorOfColorRef(r.background);
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            const std::size_t k = static_cast<std::size_t>(y) * list.cx + x;
            const std::uint32_t c = image.color[k];
            const bool masked = list.Masked() && image.mask[k];
            std::uint32_t pixel;
            if (r.style & ILD_MASK) {
                const bool clear = image.hasAlpha ? (c >> 24) == 0 : masked;
                pixel = clear ? 0xFFFFFFFFu : 0xFF000000u;
            } else {
                unsigned alpha = image.hasAlpha ? c >> 24 : (masked && !(r.style & ILD_IMAGE)) ? 0 : 255;
                std::uint32_t rgb = c & 0xFFFFFF;
                if (blendPart && alpha) {
                    if (r.foreground == CLR_NONE) alpha = alpha * (4 - blendPart) / 4;
                    else rgb = Mix(rgb, ColorOfColorRef(r.foreground == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : r.foreground), blendPart);
                }
                pixel = transparent ? imagepixels::Premultiplied(rgb | alpha << 24) : Over(rgb, alpha, back);
            }
            out[static_cast<std::size_t>(y) * r.width + x] = pixel;
        }
    return out;
}

bool Blend(HDC dc, int x, int y, int width, int height, const std::vector<std::uint32_t>& pixels) {
    OwnedBitmap bitmap = imagepixels::BitmapOfValues(width, height, pixels.data());
    HDC memory = bitmap ? CreateCompatibleDC(nullptr) : nullptr;
    if (!memory) return false;
    HGDIOBJ old = SelectObject(memory, bitmap.get());
    const bool ok = AlphaBlend(dc, x, y, width, height, memory, 0, 0, width, height,
                               BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
    SelectObject(memory, old);
    DeleteDC(memory);
    return ok;
}

bool Draw(const ImageList& list, int index, HDC dc, int x, int y, DrawRequest request) {
    if (!list.Valid(index) || !ResolveHandle(dc)) return false;
    if (request.width <= 0 || request.width > list.cx) request.width = list.cx;
    if (request.height <= 0 || request.height > list.cy) request.height = list.cy;
    if (request.background == CLR_DEFAULT) request.background = list.background;
    if (!Blend(dc, x, y, request.width, request.height, Composed(list, list.images[index], request))) return false;
    const UINT overlay = (request.style & ILD_OVERLAYMASK) >> 8;
    if (overlay && !(request.style & ILD_MASK) && list.Valid(list.overlays[overlay])) {
        request.style = (request.style & ~ILD_OVERLAYMASK) | ILD_TRANSPARENT;
        Blend(dc, x, y, request.width, request.height, Composed(list, list.images[list.overlays[overlay]], request));
    }
    return true;
}

bool RebuildStrip(ImageList& list) {
    if (list.stripValid) return true;
    const int count = static_cast<int>(list.images.size());
    const int width = list.cx * std::max(count, 1);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * list.cy, 0);
    std::vector<std::uint8_t> mask(pixels.size(), 0);
    for (int i = 0; i < count; ++i)
        for (int y = 0; y < list.cy; ++y)
            for (int x = 0; x < list.cx; ++x) {
                const std::size_t from = static_cast<std::size_t>(y) * list.cx + x;
                const std::size_t to = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(i) * list.cx + x;
                pixels[to] = list.images[i].color[from];
                if (list.Masked()) mask[to] = list.images[i].mask[from];
            }
    list.strip = imagepixels::BitmapOfValues(width, list.cy, pixels.data());
    list.stripMask.reset(list.Masked() ? imagepixels::MonochromeBitmap(width, list.cy, mask.data()) : nullptr);
    list.stripValid = list.strip && (!list.Masked() || list.stripMask);
    return list.stripValid;
}

bool ValidSize(int cx, int cy) {
    return cx > 0 && cy > 0 && cx <= kMaxIconSide && cy <= kMaxIconSide;
}

}  // namespace imagelists

using imagelists::ImageList;
using imagelists::WithList;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
    if (!imagelists::ValidSize(cx, cy) || initial < 0) return nullptr;
    auto list = std::make_unique<ImageList>();
    list->cx = cx;
    list->cy = cy;
    list->flags = flags;
    list->grow = std::max(grow, 1);
    list->overlays.fill(-1);
    // The initial count is only a capacity hint; keep it bounded.
    const std::int64_t hint = std::min<std::int64_t>(initial, imagelists::kMaxListPixels / (static_cast<std::int64_t>(cx) * cy));
    list->images.reserve(static_cast<std::size_t>(std::min<std::int64_t>(hint, 1024)));
    imagelists::ListTable& table = imagelists::ListTable::Instance();
    std::lock_guard lock(table.Mutex());
    return table.Add(std::move(list));
}

BOOL ImageList_Destroy(HIMAGELIST handle) {
    imagelists::ListTable& table = imagelists::ListTable::Instance();
    std::lock_guard lock(table.Mutex());
    ImageList* list = handle ? table.Find(handle) : nullptr;
    if (!list || list->system) return 0;
    table.Remove(handle);
    return 1;
}

BOOL ImageList_SetSystemList(HIMAGELIST handle, bool system) {
    return WithList(handle, 0, [&](ImageList& list) {
        list.system = system;
        return 1;
    });
}

bool IsImageListHandle(HIMAGELIST handle) {
    return WithList(handle, false, [](ImageList&) { return true; });
}

int ImageList_Add(HIMAGELIST handle, HBITMAP image, HBITMAP mask) {
    return WithList(handle, -1, [&](ImageList& list) {
        std::vector<imagelists::ListImage> added;
        if (!imagelists::ImagesOfBitmap(list, image, mask, added)) return -1;
        const int first = static_cast<int>(list.images.size());
        for (auto& a : added) list.images.push_back(std::move(a));
        list.Changed();
        return first;
    });
}

int ImageList_AddMasked(HIMAGELIST handle, HBITMAP image, COLORREF maskColor) {
    return WithList(handle, -1, [&](ImageList& list) {
        std::vector<imagelists::ListImage> added;
        if (!imagelists::ImagesOfBitmap(list, image, nullptr, added)) return -1;
        const std::uint32_t key = ColorOfColorRef(maskColor) & 0xFFFFFF;
        for (auto& a : added) {
            if (!list.Masked()) continue;
            for (std::size_t k = 0; k < a.color.size(); ++k)
                if ((a.color[k] & 0xFFFFFF) == key) {
                    a.mask[k] = 1;
                    a.color[k] = 0;
                }
            imagelists::SettleAlpha(list, a);
        }
        const int first = static_cast<int>(list.images.size());
        for (auto& a : added) list.images.push_back(std::move(a));
        list.Changed();
        return first;
    });
}

int ImageList_ReplaceIcon(HIMAGELIST handle, int index, HICON icon) {
    IconImage picture;
    if (!GetIconImage(icon, picture)) return -1;
    return WithList(handle, -1, [&](ImageList& list) {
        if (index != -1 && !list.Valid(index)) return -1;
        if (index == -1 && !imagelists::Room(list, 1)) return -1;
        imagelists::ListImage image = imagelists::ImageOfIcon(list, picture);
        if (index == -1) {
            list.images.push_back(std::move(image));
            index = static_cast<int>(list.images.size()) - 1;
        } else {
            list.images[index] = std::move(image);
        }
        list.Changed();
        return index;
    });
}

int ImageList_AddIcon(HIMAGELIST list, HICON icon) {
    return ImageList_ReplaceIcon(list, -1, icon);
}

BOOL ImageList_Replace(HIMAGELIST handle, int index, HBITMAP image, HBITMAP mask) {
    return WithList(handle, 0, [&](ImageList& list) {
        std::vector<imagelists::ListImage> added;
        if (!list.Valid(index) || !imagelists::ImagesOfBitmap(list, image, mask, added) || added.empty()) return 0;
        list.images[index] = std::move(added.front());
        list.Changed();
        return 1;
    });
}

BOOL ImageList_Remove(HIMAGELIST handle, int index) {
    return WithList(handle, 0, [&](ImageList& list) {
        if (index == -1) list.images.clear();
        else if (list.Valid(index)) list.images.erase(list.images.begin() + index);
        else return 0;
        list.Changed();
        return 1;
    });
}

HICON ImageList_GetIcon(HIMAGELIST handle, int index, UINT) {
    IconImage icon;
    const bool found = WithList(handle, false, [&](ImageList& list) {
        if (!list.Valid(index)) return false;
        icon = imagelists::IconOfImage(list, list.images[index]);
        return true;
    });
    return found ? CreateIconFromImage(std::move(icon), true, POINT{0, 0}) : nullptr;
}

int ImageList_GetImageCount(HIMAGELIST handle) {
    return WithList(handle, 0, [](ImageList& list) { return static_cast<int>(list.images.size()); });
}

BOOL ImageList_SetImageCount(HIMAGELIST handle, UINT count) {
    return WithList(handle, 0, [&](ImageList& list) {
        if (!imagelists::Room(list, static_cast<std::int64_t>(count) - static_cast<std::int64_t>(list.images.size()))) return 0;
        list.images.resize(count, list.Blank());
        list.Changed();
        return 1;
    });
}

BOOL ImageList_GetIconSize(HIMAGELIST handle, int* cx, int* cy) {
    return WithList(handle, 0, [&](ImageList& list) {
        if (!cx || !cy) return 0;
        *cx = list.cx;
        *cy = list.cy;
        return 1;
    });
}

BOOL ImageList_SetIconSize(HIMAGELIST handle, int cx, int cy) {
    return WithList(handle, 0, [&](ImageList& list) {
        if (!imagelists::ValidSize(cx, cy)) return 0;
        list.cx = cx;
        list.cy = cy;
        list.images.clear();
        list.Changed();
        return 1;
    });
}

COLORREF ImageList_SetBkColor(HIMAGELIST handle, COLORREF color) {
    return WithList(handle, CLR_NONE, [&](ImageList& list) {
        COLORREF old = list.background;
        list.background = color;
        return old;
    });
}

COLORREF ImageList_GetBkColor(HIMAGELIST handle) {
    return WithList(handle, CLR_NONE, [](ImageList& list) { return list.background; });
}

BOOL ImageList_SetOverlayImage(HIMAGELIST handle, int index, int overlay) {
    return WithList(handle, 0, [&](ImageList& list) {
        if (overlay < 1 || overlay > 15 || !list.Valid(index)) return 0;
        list.overlays[overlay] = index;
        return 1;
    });
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
    return ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

BOOL ImageList_DrawEx(HIMAGELIST handle, int index, HDC dc, int x, int y, int dx, int dy, COLORREF background,
                      COLORREF foreground, UINT style) {
    return WithList(handle, 0, [&](ImageList& list) {
        return imagelists::Draw(list, index, dc, x, y, imagelists::DrawRequest{dx, dy, background, foreground, style})
                   ? 1
                   : 0;
    });
}

BOOL ImageList_Copy(HIMAGELIST destination, int destinationIndex, HIMAGELIST source, int sourceIndex, UINT flags) {
    imagelists::ListTable& table = imagelists::ListTable::Instance();
    std::lock_guard lock(table.Mutex());
    ImageList* to = destination ? table.Find(destination) : nullptr;
    ImageList* from = source ? table.Find(source) : nullptr;
    if (!to || !from || !to->Valid(destinationIndex) || !from->Valid(sourceIndex)) return 0;
    if (to->cx != from->cx || to->cy != from->cy || to->Masked() != from->Masked()) return 0;
    if (flags & ILCF_SWAP) std::swap(to->images[destinationIndex], from->images[sourceIndex]);
    else to->images[destinationIndex] = from->images[sourceIndex];
    to->Changed();
    from->Changed();
    return 1;
}

BOOL ImageList_GetImageRect(HIMAGELIST handle, int index, RECT* rect) {
    return WithList(handle, 0, [&](ImageList& list) {
        if (!rect || !list.Valid(index)) return 0;
        *rect = RECT{index * list.cx, 0, (index + 1) * list.cx, list.cy};
        return 1;
    });
}

BOOL ImageList_GetImageInfo(HIMAGELIST handle, int index, IMAGEINFO* info) {
    return WithList(handle, 0, [&](ImageList& list) {
        if (!info || !list.Valid(index) || !imagelists::RebuildStrip(list)) return 0;
        info->hbmImage = list.strip.get();
        info->hbmMask = list.stripMask.get();
        info->rcImage = RECT{index * list.cx, 0, (index + 1) * list.cx, list.cy};
        return 1;
    });
}

}  // namespace parch
