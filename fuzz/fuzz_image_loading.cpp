// Icon, cursor, PNG and BMP reading: any input gives pictures or an error, never a crash, a
// hang or an oversized allocation; every entry a directory lists is tried.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/IconFile.h"
#include "platform/gdi/PngFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    parch::IconDirectory directory;
    if (parch::ReadIconDirectory(data, size, false, directory, error)) {
        parch::MeasureIconEntries(data, size, directory);
        for (const parch::IconEntryInfo& entry : directory.entries) {
            parch::IconImage image;
            if (!parch::DecodeIconPicture(data + entry.offset, entry.size, image, error)) continue;
            // A decoded picture is whole: it becomes an icon and comes back the same.
            if (image.width * image.height <= (1 << 16)) {
                parch::HICON icon = parch::CreateIconFromImage(image, true, parch::POINT{});
                parch::IconImage back;
                if (!icon || !parch::GetIconImage(icon, back) || back.mask != image.mask) __builtin_trap();
                parch::DestroyIcon(icon);
            }
        }
        parch::BestIconEntry(directory.entries, 32, 32);
    }
    parch::IconImage single;
    parch::DecodeIconPicture(data, size, single, error);
    parch::DecodedPixels pixels;
    if (parch::DecodePng(data, size, pixels, error) &&
        pixels.pixels.size() != static_cast<std::size_t>(pixels.width) * pixels.height)
        __builtin_trap();
    auto bitmap = parch::DecodeBmp(data, size, error);
    return 0;
}
