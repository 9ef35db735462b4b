#pragma once
// JPEG 2000 (JP2) files written with OpenJPEG directly, with as many resolution levels as the
// image size allows. FreeImage's writer always asks for six levels and so refuses images
// smaller than 32 pixels on a side (and some others); this writer takes over then.

#include <FreeImage.h>

#include <string>

namespace parch {

// Saves an 8-bit grey or a colour image at the given compression rate (26 means 26:1).
bool SaveJpeg2000(FIBITMAP* image, const std::string& path, int rate);

}  // namespace parch
