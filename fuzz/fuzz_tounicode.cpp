// CMap text from untrusted bytes through the ToUnicode parser, then the per-code text tables
// and the text of every code the map covers.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/render/ScrivletToUnicode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    bool oneByteCodes = false;
    parch::TPDFCMap map;
    parch::ParseToUnicodeCMap(text, oneByteCodes, map);
    if (map.size() > parch::kMaxToUnicodeEntries) std::abort();

    std::array<std::string, 256> ansi;
    std::array<std::u16string, 256> unicode;
    parch::BuildAnsiTextFromToUnicode(map, ansi, ansi);
    parch::BuildUnicodeTextFromToUnicode(map, unicode, unicode);
    for (std::size_t code = 0; code < ansi.size(); ++code)
        if (ansi[code].size() != unicode[code].size()) std::abort();

    for (const parch::TPDFCMapEntry& entry : map) {
        if (entry.Values.empty()) std::abort();
        parch::CMapEntryText(entry, entry.Low);
        parch::CMapEntryText(entry, entry.High);
    }
    return 0;
}
