#pragma once
// What the painting tests share: the internal skin loaded by the manager, 32-bit bitmaps
// filled or read pixel by pixel, and a patterned backdrop.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/gdi/PngFile.h"

#include "resources/EmbeddedResources.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch::test {

inline void LoadInternalSkin(TsSkinManager& manager) {
    TsStoredSkin& stored = manager.InternalSkins().Add();
    stored.Name = kInternalSkinName;
    stored.Data = *ReadEmbeddedResource(kInternalSkinResource);
    manager.SetSkinName(kInternalSkinName);
}

inline std::uint32_t& PixelAt(TBitmap& bitmap, int x, int y) {
    return reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y))[x];
}

inline int ChannelOf(std::uint32_t pixel, int channel) { return static_cast<int>((pixel >> (8 * channel)) & 0xFF); }

inline std::unique_ptr<TBitmap> FilledBitmap(int width, int height, std::uint32_t pixel) {
    auto bitmap = NewPf32Bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) PixelAt(*bitmap, x, y) = pixel;
    return bitmap;
}

// A PNG file as a 32-bit bitmap; nullptr when it cannot be read.
inline std::unique_ptr<TBitmap> ReadPngFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    DecodedPixels decoded;
    std::string error;
    if (!DecodePng(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), decoded, error)) return nullptr;
    auto bitmap = NewPf32Bitmap(decoded.width, decoded.height);
    for (int y = 0; y < decoded.height; ++y)
        for (int x = 0; x < decoded.width; ++x)
            PixelAt(*bitmap, x, y) = decoded.pixels[static_cast<size_t>(y * decoded.width + x)];
    return bitmap;
}

// Diagonal stripes of two colours, so what shows through a transparent section is plain.
inline std::unique_ptr<TBitmap> StripedBackdrop(int width, int height) {
    auto bitmap = NewPf32Bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) PixelAt(*bitmap, x, y) = ((x + y) / 6) % 2 ? 0xFFE8C07Au : 0xFF5A7A9Au;
    return bitmap;
}

}  // namespace parch::test
