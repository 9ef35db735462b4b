#pragma once
// Inline images (BI ... ID data EI inside content): ParseInlineImage reads the abbreviated
// dictionary, finds where the data ends and fills a TPDFInlineImage; the image decoder's
// LoadInlineImage decodes it.

#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/graphics/ScrivletColor.h"

namespace parch {

class TPDFDictionary;
class TPDFObject;

struct TPDFInlineImage {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t BitsPerComponent = 0;
    std::string ColorSpace;
    TPDFObject* ColorSpaceObject = nullptr;  // a resource colour-space array, when one was named
    std::string Filter;
    std::string DecodeParms;
    std::string Data;
    std::int32_t DataStart = 0;  // 1-based positions in the content text
    std::int32_t DataEnd = 0;
    bool ImageMask = false;
    std::string Decode;
};

// The largest inline image data searched for by its size (the rest is found by "EI").
inline constexpr std::int64_t kMaxInlineImageBytes = std::int64_t{1} << 28;

// text is the content; position (1-based, in and out) stands just after "BI". True when "EI"
// was found: the record is complete and position stands at or after the "EI".
bool ParseInlineImage(std::string_view text, std::int32_t& position, TPDFInlineImage& image,
                      const TPDFResolveEvent& resolver, TPDFDictionary* resources);

// A named colour space: device names without their "/", a resource entry summed up as a
// device name or an "[ /Indexed ... ]" text, other names as they are. A resource entry that is
// an array is also given as `object`, for the decoder to read in full.
std::string ResolveInlineColorSpace(std::string_view name, const TPDFResolveEvent& resolver,
                                    TPDFDictionary* resources, TPDFObject** object = nullptr);

}  // namespace parch
