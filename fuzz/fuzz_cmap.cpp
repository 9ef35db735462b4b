// Compiled character maps read from untrusted bytes, then every look-up over the codes they
// hold; the built-in Shift-JIS walk over the same bytes as shown text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pdf/core/ScrivletCMap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    parch::TScrivletCMap map;
    map.LoadFromBytes(bytes);
    for (const auto& section : map.Sections) {
        for (std::uint32_t code : section->Codes) {
            if (!map.HasCode(section->CodeLength, code)) std::abort();
            map.LookupText(section->CodeLength, code);
            map.LookupWord(0, code);
        }
    }
    if (size > 0) map.AddMapping(2, data[0], {data, data + std::min<std::size_t>(size, 8)});

    parch::TScrivletCodeList codes;
    for (const char* name : {"90ms-RKSJ-H", "90msp-RKSJ-H", "Identity-H"}) {
        parch::SplitCharCodes(name, "Adobe-Japan1-6", bytes, codes);
        if (codes.size() > size) std::abort();
        for (std::uint32_t code : codes) parch::MapCIDToUnicode(name, "Adobe-Japan1-6", code);
    }
    return 0;
}
