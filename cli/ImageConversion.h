#pragma once
// Turns the image engine's scratch files of one engine run into the user's image files:
// format conversion, size filter, resolution and names, with FreeImage.

#include "cli/ParamWrapper.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace parch {

// Prints one line of the program's output; the line end is the printer's.
using LinePrinter = std::function<void(std::string_view line)>;

// How a kept image is saved: FreeImage format number, save flags and file extension.
struct ImageSaveFormat {
    int Format = 0;
    int Flags = 0;
    std::string Extension;
};

// imageFormat is one of the accepted "-imf" values or empty (keep the engine's kind:
// ".ppm" becomes JPEG, anything else BMP).
ImageSaveFormat ChooseSaveFormat(std::string_view imageFormat, std::string_view scratchName);

// "st n": kept when both sides are smaller than n; "lt n": both larger. Any other filter, or
// a limit that is no integer, keeps every image.
bool PassesSizeFilter(std::string_view filter, unsigned width, unsigned height);

// Dots per metre for a "-dpi" text; nothing when it is no positive integer that fits.
std::optional<unsigned> DotsPerMeter(std::string_view dpi);

// Converts, filters, names and saves every "tmp-*.*" file of the scratch folder, deleting each
// scratch file. page is the page of a per-page run, else 0. Problems are printed, one line
// each; false when an image could not be read or saved.
bool ConvertExtractedImages(const RunParameters& params, const std::string& scratchFolder,
                            std::int32_t page, const LinePrinter& printLine);

}  // namespace parch
