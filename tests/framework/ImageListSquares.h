#pragma once
// An image list of plain squares, one per colour given, for tests of the controls that show
// image lists.

#include <cstdint>
#include <initializer_list>

#include "framework/ImgList.h"

namespace parch {

// Each colour a size x size opaque square (colour as 0xRRGGBB); the list is owned by owner.
inline TImageList* MakeSquaresImageList(TComponent* owner, int size, std::initializer_list<std::uint32_t> colours) {
    auto* list = new TImageList(owner, size, size);
    list->SetColorDepth(cd32Bit);
    for (std::uint32_t colour : colours) {
        TBitmap square(size, size, pf32bit);
        for (int y = 0; y < size; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(square.ScanLine(y));
            for (int x = 0; x < size; ++x) row[x] = 0xFF000000u | colour;
        }
        list->Add(&square, nullptr);
    }
    return list;
}

}  // namespace parch
