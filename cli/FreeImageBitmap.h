#pragma once
// Ownership of FreeImage bitmaps.

#include "cli/ImageLibraries.h"

#include <memory>

namespace parch {

struct FreeImageBitmapDeleter {
    void operator()(FIBITMAP* dib) const { FreeImage().Unload(dib); }
};
using FreeImageBitmap = std::unique_ptr<FIBITMAP, FreeImageBitmapDeleter>;

}  // namespace parch
