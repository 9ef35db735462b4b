#include "platform/win/SystemImageLists.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/os/FileTypes.h"
#include "platform/win/ImageLoading.h"

namespace parch::win {

namespace system_image_lists {

struct Color {
    double r, g, b;
};

// A shape as a test of a point in icon units (0..1 across the icon).
using Shape = std::function<bool(double x, double y)>;

Shape Box(double left, double top, double right, double bottom) {
    return [=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; };
}

Shape Union(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}

// The page: a box whose top-right corner is cut off along the fold.
Shape Page(double left, double top, double right, double bottom, double fold) {
    return [=](double x, double y) {
        return x >= left && x < right && y >= top && y < bottom && (x - (right - fold)) - (y - top) < 0;
    };
}

struct Layer {
    Shape shape;
    Color color;
};

struct GenericLook {
    std::vector<Layer> layers;  // painted in order, each over the ones before
};

GenericLook LookOf(GenericIcon icon, int size) {
    const double line = 1.0 / size;  // one pixel
    if (icon == GenericIcon::Folder) {
        const Color edge{160, 112, 24}, fill{240, 192, 80}, tab{226, 168, 56};
        Shape outer = Union(Box(0.06, 0.16, 0.44, 0.34), Box(0.06, 0.26, 0.94, 0.86));
        Shape inner = Union(Box(0.06 + line, 0.16 + line, 0.44 - line, 0.34), Box(0.06 + line, 0.26 + line, 0.94 - line, 0.86 - line));
        return {{{outer, edge}, {inner, tab}, {Box(0.06 + line, 0.34, 0.94 - line, 0.86 - line), fill}}};
    }
    const Color edge{120, 120, 120}, paper{255, 255, 255}, foldColor{205, 205, 205};
    const double fold = 0.22;
    Shape outer = Page(0.18, 0.05, 0.82, 0.95, fold);
    Shape inner = Page(0.18 + line, 0.05 + line, 0.82 - line, 0.95 - line, fold - line * 0.6);
    Shape flap = [=](double x, double y) {
        return x >= 0.82 - fold && x < 0.82 && y >= 0.05 && y < 0.05 + fold && (x - (0.82 - fold)) - (y - 0.05) >= 0 - 1e-9;
    };
    return {{{outer, edge}, {inner, paper}, {flap, foldColor}}};
}

HICON Render(const GenericLook& look, int size) {
    constexpr int kSamples = 4;  // per axis, for smooth edges
    IconImage image;
    image.width = image.height = size;
    image.color.resize(static_cast<std::size_t>(size) * size);
    image.mask.resize(image.color.size());
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double r = 0, g = 0, b = 0, a = 0;  // premultiplied
            for (const Layer& layer : look.layers) {
                int hits = 0;
                for (int sy = 0; sy < kSamples; ++sy)
                    for (int sx = 0; sx < kSamples; ++sx)
                        hits += layer.shape((x + (sx + 0.5) / kSamples) / size, (y + (sy + 0.5) / kSamples) / size);
                const double cover = hits / double(kSamples * kSamples);
                r = layer.color.r * cover + r * (1 - cover);
                g = layer.color.g * cover + g * (1 - cover);
                b = layer.color.b * cover + b * (1 - cover);
                a = cover + a * (1 - cover);
            }
            auto channel = [&](double v) {
                return static_cast<std::uint32_t>(std::lround(std::clamp(a > 0 ? v / a : 0.0, 0.0, 255.0)));
            };
            const std::size_t i = static_cast<std::size_t>(y) * size + x;
            image.color[i] = channel(b) | channel(g) << 8 | channel(r) << 16 |
                             static_cast<std::uint32_t>(std::lround(a * 255)) << 24;
            image.mask[i] = a < 0.5 ? 1 : 0;
        }
    return CreateIconFromImage(std::move(image), true, POINT{0, 0});
}

HICON LoadThemeIcon(const std::string& file, int size) {
    return static_cast<HICON>(LoadImage(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
}

std::string JoinedKey(const std::vector<std::string>& parts) {
    std::string key;
    for (const auto& part : parts) key += part + '\n';
    return key;
}

}  // namespace system_image_lists

using namespace system_image_lists;

HICON CreateGenericShellIcon(GenericIcon icon, int size) {
    if (size <= 0 || size > 256) return nullptr;
    return Render(LookOf(icon, size), size);
}

SystemImageLists::SystemImageLists(const IconThemes& themes)
    : themes_(themes),
      small_(ImageList_Create(kSmallShellIconSize, kSmallShellIconSize, ILC_COLOR32, 16, 16)),
      large_(ImageList_Create(kLargeShellIconSize, kLargeShellIconSize, ILC_COLOR32, 16, 16)) {
    ImageList_SetSystemList(small_, true);
    ImageList_SetSystemList(large_, true);
    std::lock_guard lock(mutex_);
    AddGeneric(GenericIcon::Document);
    AddGeneric(GenericIcon::Folder);
}

SystemImageLists::~SystemImageLists() {
    for (HIMAGELIST list : {small_, large_}) {
        ImageList_SetSystemList(list, false);
        ImageList_Destroy(list);
    }
}

SystemImageLists& SystemImageLists::Process() {
    // Handed to controls for as long as any may live: never destroyed.
    static SystemImageLists* lists = new SystemImageLists(FileTypes::System().Icons());
    return *lists;
}

int SystemImageLists::AddPair(HICON small, HICON large) {
    int index = -1;
    if (small && large) {
        index = ImageList_ReplaceIcon(small_, -1, small);
        if (index >= 0 && ImageList_ReplaceIcon(large_, -1, large) != index) {
            // Keep the two lists in step whatever failed.
            ImageList_Remove(small_, index);
            ImageList_SetImageCount(large_, static_cast<UINT>(ImageList_GetImageCount(small_)));
            index = -1;
        }
    }
    if (small) DestroyIcon(small);
    if (large) DestroyIcon(large);
    return index;
}

int SystemImageLists::AddGeneric(GenericIcon icon) {
    const std::vector<std::string> names{icon == GenericIcon::Folder ? "folder" : "text-x-generic"};
    auto smallFile = themes_.FindIcon(names, kSmallShellIconSize);
    auto largeFile = themes_.FindIcon(names, kLargeShellIconSize);
    if (smallFile && largeFile)
        if (auto index = AddThemed(*smallFile, *largeFile)) return *index;
    return AddPair(CreateGenericShellIcon(icon, kSmallShellIconSize), CreateGenericShellIcon(icon, kLargeShellIconSize));
}

std::optional<int> SystemImageLists::AddThemed(const std::string& smallFile, const std::string& largeFile) {
    const std::string key = JoinedKey({smallFile, largeFile});
    if (auto found = byFiles_.find(key); found != byFiles_.end()) return found->second;
    const int index = AddPair(LoadThemeIcon(smallFile, kSmallShellIconSize), LoadThemeIcon(largeFile, kLargeShellIconSize));
    if (index < 0) return std::nullopt;
    byFiles_[key] = index;
    return index;
}

int SystemImageLists::IndexOf(const std::vector<std::string>& iconNames, GenericIcon fallback) {
    std::string key = JoinedKey(iconNames) + (fallback == GenericIcon::Folder ? "/folder" : "/document");
    std::lock_guard lock(mutex_);
    if (auto found = byNames_.find(key); found != byNames_.end()) return found->second;
    int index = static_cast<int>(fallback);
    auto smallFile = themes_.FindIcon(iconNames, kSmallShellIconSize);
    auto largeFile = themes_.FindIcon(iconNames, kLargeShellIconSize);
    if (smallFile && largeFile) index = AddThemed(*smallFile, *largeFile).value_or(index);
    byNames_[key] = index;
    return index;
}

}  // namespace parch::win
