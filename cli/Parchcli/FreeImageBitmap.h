#pragma once
// Ownership of FreeImage bitmaps.

#include <FreeImage.h>

#include <memory>

namespace parch {

struct FreeImageBitmapDeleter {
    void operator()(FIBITMAP* dib) const { FreeImage_Unload(dib); }
};
using FreeImageBitmap = std::unique_ptr<FIBITMAP, FreeImageBitmapDeleter>;

}  // namespace parch
