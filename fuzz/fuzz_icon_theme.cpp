// Parses arbitrary bytes as an icon theme's index.theme and asks every directory the size
// questions of a lookup.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/os/IconTheme.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    parch::IconThemeIndex index = parch::ParseIconThemeIndex(text);
    for (const auto& dir : index.directories)
        for (int iconSize : {16, 32, 256}) {
            dir.MatchesSize(iconSize);
            dir.SizeDistance(iconSize);
        }
    return 0;
}
