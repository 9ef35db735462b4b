#include "bitmap32/view/Bitmap32Clipboard.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "bitmap32/Bitmap32.h"
#include "framework/graphics/Bitmap.h"
#include "platform/win/Clipboard.h"

namespace parch {

namespace {

constexpr std::size_t kBytesPerPixel = 4;

}  // namespace

bool AssignBitmap32FromClipboard(TCustomBitmap32& bitmap) {
    const std::optional<ClipboardPicture> picture = GetClipboardPicture();
    if (!picture) return false;
    const int width = picture->header.biWidth;
    const int height = std::abs(picture->header.biHeight);
    const bool bottomUp = picture->header.biHeight > 0;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * kBytesPerPixel;
    TBitmap framework;
    framework.SetPixelFormat(pf32bit);
    framework.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        const std::size_t sourceRow = static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
        std::memcpy(framework.ScanLine(y), picture->pixels.data() + sourceRow * rowBytes, rowBytes);
    }
    bitmap.Assign(framework);
    return true;
}

void CopyBitmap32ToClipboard(const TCustomBitmap32& bitmap) {
    TBitmap framework;
    bitmap.AssignTo(framework);
    ClipboardPicture picture;
    picture.header.biSize = sizeof(BITMAPINFOHEADER);
    picture.header.biWidth = framework.Width();
    picture.header.biHeight = -framework.Height();  // rows top first
    picture.header.biPlanes = 1;
    picture.header.biBitCount = 32;
    picture.header.biCompression = BI_RGB;
    const std::size_t rowBytes = static_cast<std::size_t>(framework.Width()) * kBytesPerPixel;
    picture.pixels.resize(rowBytes * static_cast<std::size_t>(framework.Height()));
    for (int y = 0; y < framework.Height(); ++y)
        std::memcpy(picture.pixels.data() + static_cast<std::size_t>(y) * rowBytes, framework.ScanLine(y), rowBytes);
    SetClipboardPicture(std::move(picture));
}

}  // namespace parch
