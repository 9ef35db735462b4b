#pragma once
// The page image list: one entry per image drawn by a renderer that records images instead of
// painting them.

#include <cstdint>
#include <string>
#include <vector>

#include "pdf/graphics/ScrivletMatrix.h"

namespace parch {

struct TPDFImageListItem {
    std::int32_t Kind = 0;  // 1 JPEG data, 2 PNG or BMP data, 3 TIFF data
    std::int32_t ImageWidth = 0;
    std::int32_t ImageHeight = 0;
    std::string Data;
    // Device space: the images of (0, 1), (1, 1), (0, 0) and (1, 0) of the unit square.
    TPDFPoint UpperLeft;
    TPDFPoint UpperRight;
    TPDFPoint LowerLeft;
    TPDFPoint LowerRight;
};

struct TPDFImageList {
    std::vector<TPDFImageListItem> Items;  // in drawing order
};

void AddImageListItem(TPDFImageList& list, const TPDFImageListItem& item);

}  // namespace parch
