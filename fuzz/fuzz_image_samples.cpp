// Image samples and masks: the first line of the input is an image dictionary (its entries
// without << >>), the second an optional /SMask or /Mask dictionary, the rest the image's data
// (the mask takes the data too). The decoded image is painted on a small bitmap.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/images/ScrivletBitmapSurface.h"
#include "pdf/images/ScrivletImageDecoder.h"

namespace {

std::string_view Line(std::string_view& text) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    return line;
}

parch::TPDFStream* Image(parch::TPDFStructure& structure, std::string_view entries, std::string_view data) {
    parch::TPDFStream* stream = structure.NewStream(data, false);
    parch::TPDFObject* parsed = parch::ParseObject(structure, "<< " + std::string(entries) + " >>");
    if (parsed->Kind == parch::kPDFKindDictionary) stream->SetDictionary(static_cast<parch::TPDFDictionary*>(parsed));
    return stream;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const std::string_view entries = Line(text);
    const std::string_view maskEntries = Line(text);
    parch::TPDFStructure structure;
    parch::TPDFStream* image = Image(structure, entries, text);
    // Sizes up to the library's bound are legal and would only make the run slow: the bound
    // itself is a unit test's business.
    if (image->StreamDict) {
        const std::int64_t width = image->StreamDict->GetInteger("Width", 0);
        const std::int64_t height = image->StreamDict->GetInteger("Height", 0);
        if (width > 4096 || height > 4096 || width * height > (1 << 20)) return 0;
    }
    if (!maskEntries.empty() && image->StreamDict) {
        parch::TPDFStream* mask = Image(structure, maskEntries, text);
        image->StreamDict->SetValue(maskEntries.find("/ImageMask") != std::string_view::npos ? "Mask" : "SMask", mask);
    }
    parch::TPDFImageDecoder decoder;
    try {
        decoder.LoadFromObject(image);
    } catch (const std::exception&) {
        return 0;  // filters refuse data that would decode beyond their limit
    }
    (void)decoder.GetDataSize();
    parch::TBitmap target(16, 16, parch::pf24bit);
    parch::TPDFBitmapSurface surface(target);
    decoder.PaintToCanvas(surface, parch::TPDFMatrix{16, 0, 0, -16, 0, 16}, 0x0000FF);
    return 0;
}
