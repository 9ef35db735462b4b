#include "platform/win/ImageLoading.h"

#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/BmpFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/IconFile.h"
#include "platform/gdi/ImagePixels.h"
#include "platform/gdi/PngFile.h"
#include "platform/os/Files.h"
#include "platform/win/SystemValues.h"

namespace parch {
namespace imageloading {

// Where an icon came from, so that LR_COPYFROMRESOURCE can take another entry.
struct Origin {
    std::shared_ptr<const std::string> file;  // a whole file's bytes, or null for a resource
    HINSTANCE module = nullptr;
    std::string name;  // resource name as given (a number is kept as "#n")
    bool cursor = false;
};

using SharedKey = std::tuple<HINSTANCE, std::string, UINT, int, int>;

class Registry {
public:
    static Registry& Instance() {
        static Registry registry;
        return registry;
    }
    void Remember(HICON icon, Origin origin) {
        std::lock_guard lock(mutex_);
        origins_[icon] = std::move(origin);
    }
    bool OriginOf(HICON icon, Origin& origin) {
        std::lock_guard lock(mutex_);
        auto it = origins_.find(icon);
        if (it == origins_.end()) return false;
        origin = it->second;
        return true;
    }
    void* Shared(const SharedKey& key) {
        std::lock_guard lock(mutex_);
        auto it = shared_.find(key);
        return it == shared_.end() ? nullptr : it->second;
    }
    void SetShared(const SharedKey& key, void* image) {
        std::lock_guard lock(mutex_);
        shared_[key] = image;
    }

private:
    std::mutex mutex_;
    std::map<HICON, Origin> origins_;
    std::map<SharedKey, void*> shared_;
};

std::string NameText(const char* name) {
    if (!name) return {};
    if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
    return name;
}

IconImage Scaled(IconImage image, int cx, int cy) {
    if (cx <= 0 || cy <= 0 || (cx == image.width && cy == image.height)) return image;
    const int w = image.width, h = image.height;
    image.mask = imagepixels::ScaledNearest(image.mask, w, h, cx, cy);
    if (image.Monochrome()) image.xorBits = imagepixels::ScaledNearest(image.xorBits, w, h, cx, cy);
    else image.color = imagepixels::ScaledNearest(image.color, w, h, cx, cy);
    image.width = cx;
    image.height = cy;
    return image;
}

// The size asked for: 0 is the picture's own size, or the system size with LR_DEFAULTSIZE.
void WantedSize(UINT type, UINT flags, int& cx, int& cy) {
    if (!(flags & LR_DEFAULTSIZE)) return;
    if (cx == 0) cx = GetSystemMetrics(type == IMAGE_CURSOR ? SM_CXCURSOR : SM_CXICON);
    if (cy == 0) cy = GetSystemMetrics(type == IMAGE_CURSOR ? SM_CYCURSOR : SM_CYICON);
}

HICON Adopt(IconImage image, bool cursor, POINT hotspot, int cx, int cy, bool shared) {
    image = Scaled(std::move(image), cx, cy);
    return shared ? CreateSharedIcon(std::move(image), !cursor, hotspot)
                  : CreateIconFromImage(std::move(image), !cursor, hotspot);
}

bool DecodeIconBytes(const BYTE* data, std::size_t size, int cx, int cy, IconImage& image, POINT& hotspot,
                     bool& cursor) {
    std::string error;
    if (IsPngData(data, size)) {
        cursor = false;
        return DecodeIconPicture(data, size, image, error);
    }
    return DecodeIconFile(data, size, cx, cy, image, hotspot, cursor, error);
}

HICON IconFromFileBytes(std::shared_ptr<const std::string> file, int cx, int cy, bool wantCursor, bool shared) {
    IconImage image;
    POINT hotspot;
    bool cursor = wantCursor;
    if (!DecodeIconBytes(reinterpret_cast<const BYTE*>(file->data()), file->size(), cx, cy, image, hotspot, cursor))
        return nullptr;
    HICON icon = Adopt(std::move(image), wantCursor, hotspot, cx, cy, shared);
    if (icon) Registry::Instance().Remember(icon, Origin{std::move(file), nullptr, {}, wantCursor});
    return icon;
}

HICON IconFromResource(HINSTANCE module, const char* name, int cx, int cy, bool cursor, bool shared) {
    const std::string_view group = ResourceBytes(module, name, cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON);
    IconDirectory directory;
    std::string error;
    if (!ReadIconDirectory(reinterpret_cast<const BYTE*>(group.data()), group.size(), true, directory, error))
        return nullptr;
    if (cursor)  // group entries of cursors hold plane and bit counts, not hotspots
        for (IconEntryInfo& entry : directory.entries) entry.bitCount = static_cast<int>(entry.hotspot.y);
    const int best = BestIconEntry(directory.entries, cx, cy);
    const auto id = static_cast<WORD>(directory.entries[static_cast<std::size_t>(best)].offset);
    std::string_view picture = ResourceBytes(module, MAKEINTRESOURCE(id), cursor ? RT_CURSOR : RT_ICON);
    POINT hotspot;
    if (cursor) {
        if (picture.size() < 4) return nullptr;
        hotspot = POINT{static_cast<unsigned char>(picture[0]) | (static_cast<unsigned char>(picture[1]) << 8),
                        static_cast<unsigned char>(picture[2]) | (static_cast<unsigned char>(picture[3]) << 8)};
        picture.remove_prefix(4);
    }
    IconImage image;
    if (!DecodeIconPicture(reinterpret_cast<const BYTE*>(picture.data()), picture.size(), image, error)) return nullptr;
    HICON icon = Adopt(std::move(image), cursor, hotspot, cx, cy, shared);
    if (icon) Registry::Instance().Remember(icon, Origin{nullptr, module, NameText(name), cursor});
    return icon;
}

// A 32-bit copy of a bitmap at width x height (a DIB section or a device bitmap).
HBITMAP StretchedCopy(HBITMAP source, int width, int height, bool dibSection) {
    int w = 0, h = 0;
    if (!imagepixels::BitmapSize(source, w, h)) return nullptr;
    if (width <= 0) width = w;
    if (height <= 0) height = h;
    HBITMAP copy = nullptr;
    if (dibSection) {
        std::vector<std::uint32_t> blank(static_cast<std::size_t>(width) * height, 0);
        copy = imagepixels::BitmapOfValues(width, height, blank.data()).release();
    } else {
        copy = CreateBitmap(width, height, 1, 32, nullptr);
    }
    HDC from = CreateCompatibleDC(nullptr);
    HDC to = CreateCompatibleDC(nullptr);
    bool ok = copy && from && to;
    if (ok) {
        HGDIOBJ oldFrom = SelectObject(from, source);
        HGDIOBJ oldTo = SelectObject(to, copy);
        ok = StretchBlt(to, 0, 0, width, height, from, 0, 0, w, h, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from) DeleteDC(from);
    if (to) DeleteDC(to);
    if (!ok && copy) {
        DeleteObject(copy);
        copy = nullptr;
    }
    return copy;
}

// The loaded bitmap at the size and kind asked for; takes ownership of `bitmap`.
HBITMAP Finished(HBITMAP bitmap, int cx, int cy, UINT flags) {
    if (!bitmap) return nullptr;
    int w = 0, h = 0;
    imagepixels::BitmapSize(bitmap, w, h);
    const bool sameSize = (cx <= 0 || cx == w) && (cy <= 0 || cy == h);
    if (sameSize && (flags & LR_CREATEDIBSECTION)) return bitmap;
    HBITMAP copy = StretchedCopy(bitmap, cx, cy, flags & LR_CREATEDIBSECTION);
    DeleteObject(bitmap);
    return copy;
}

HBITMAP DecodeBitmapBytes(const BYTE* data, std::size_t size) {
    std::string error;
    if (!IsPngData(data, size)) return ReadBmp(data, size, error);
    DecodedPixels pixels;
    if (!DecodePng(data, size, pixels, error)) return nullptr;
    return imagepixels::BitmapOfValues(pixels.width, pixels.height, pixels.pixels.data()).release();
}

void* LoadUnshared(HINSTANCE module, const char* name, UINT type, int cx, int cy, UINT flags, bool shared) {
    const bool cursor = type == IMAGE_CURSOR;
    if (flags & LR_LOADFROMFILE) {
        if (!name || IS_INTRESOURCE(name)) return nullptr;
        std::optional<std::string> bytes = ReadFileBytes(name, static_cast<std::size_t>(kMaxImageFileBytes));
        if (!bytes) return nullptr;
        if (type == IMAGE_BITMAP)
            return Finished(DecodeBitmapBytes(reinterpret_cast<const BYTE*>(bytes->data()), bytes->size()), cx, cy, flags);
        return IconFromFileBytes(std::make_shared<const std::string>(std::move(*bytes)), cx, cy, cursor, shared);
    }
    if (type == IMAGE_BITMAP) return Finished(LoadBitmapResource(module, name), cx, cy, flags);
    if (!module && cursor && IS_INTRESOURCE(name))  // the system cursors (IDC_ values)
        return SharedSystemCursor(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(name)));
    return IconFromResource(module, name, cx, cy, cursor, shared);
}

bool StillAlive(void* image, UINT type) {
    return type == IMAGE_BITMAP ? GetObjectType(static_cast<HGDIOBJ>(image)) == OBJ_BITMAP
                                : IsIconHandle(static_cast<HICON>(image));
}

}  // namespace imageloading

void* LoadImage(HINSTANCE module, const char* name, UINT type, int cx, int cy, UINT flags) {
    if (type > IMAGE_CURSOR || cx < 0 || cy < 0 || !name) return nullptr;
    if (type != IMAGE_BITMAP) imageloading::WantedSize(type, flags, cx, cy);
    if (!(flags & LR_SHARED)) return imageloading::LoadUnshared(module, name, type, cx, cy, flags, false);
    const imageloading::SharedKey key{module, imageloading::NameText(name), type, cx, cy};
    imageloading::Registry& registry = imageloading::Registry::Instance();
    if (void* known = registry.Shared(key); known && imageloading::StillAlive(known, type)) return known;
    void* image = imageloading::LoadUnshared(module, name, type, cx, cy, flags, true);
    if (image) registry.SetShared(key, image);
    return image;
}

void* CopyImage(void* image, UINT type, int cx, int cy, UINT flags) {
    if (!image || cx < 0 || cy < 0) return nullptr;
    void* copy = nullptr;
    if (type == IMAGE_BITMAP) {
        auto* bitmap = static_cast<HBITMAP>(image);
        if (GetObjectType(bitmap) != OBJ_BITMAP) return nullptr;
        copy = imageloading::StretchedCopy(bitmap, cx, cy, (flags & LR_CREATEDIBSECTION) || ResolveHandle(bitmap)->IsDib());
        if (copy && (flags & LR_COPYDELETEORG)) DeleteObject(bitmap);
        return copy;
    }
    if (type != IMAGE_ICON && type != IMAGE_CURSOR) return nullptr;
    auto* icon = static_cast<HICON>(image);
    IconImage picture;
    if (!GetIconImage(icon, picture)) return nullptr;
    if ((flags & LR_COPYRETURNORG) && (cx == 0 || cx == picture.width) && (cy == 0 || cy == picture.height)) return icon;
    imageloading::Origin origin;
    if ((flags & LR_COPYFROMRESOURCE) && imageloading::Registry::Instance().OriginOf(icon, origin)) {
        const int wantX = cx ? cx : picture.width, wantY = cy ? cy : picture.height;
        if (origin.file) copy = imageloading::IconFromFileBytes(origin.file, wantX, wantY, origin.cursor, false);
        else copy = imageloading::IconFromResource(origin.module, origin.name.c_str(), wantX, wantY, origin.cursor, false);
    }
    if (!copy) {
        ICONINFO info{};
        const bool cursor = type == IMAGE_CURSOR;
        POINT hotspot;
        if (GetIconInfo(icon, &info)) {
            hotspot = POINT{static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
            DeleteObject(info.hbmMask);
            if (info.hbmColor) DeleteObject(info.hbmColor);
        }
        copy = imageloading::Adopt(std::move(picture), cursor, hotspot, cx, cy, false);
    }
    if (copy && (flags & LR_COPYDELETEORG)) DestroyIcon(icon);
    return copy;
}

HICON IconFromBytes(const BYTE* data, std::size_t size, int cx, int cy, bool wantCursor) {
    if (!data) return nullptr;
    return imageloading::IconFromFileBytes(
        std::make_shared<const std::string>(reinterpret_cast<const char*>(data), size), cx, cy, wantCursor, false);
}

HBITMAP BitmapFromBytes(const BYTE* data, std::size_t size, bool dibSection) {
    if (!data) return nullptr;
    return imageloading::Finished(imageloading::DecodeBitmapBytes(data, size), 0, 0,
                                  dibSection ? LR_CREATEDIBSECTION : 0);
}

}  // namespace parch
