#pragma once
// CMap text as fonts embed it (a /ToUnicode stream, or a Type0 font's /Encoding CMap): the
// code-to-text map it gives, and the per-code text tables of a simple font built from it.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

using TResultCodes = std::vector<std::int32_t>;

// Codes Low..High map to UTF-16 units; code c gives Values with (c - Low) added to the last
// unit, as CMap ranges count up their destination's final unit.
struct TPDFCMapEntry {
    std::uint16_t Low = 0;
    std::uint16_t High = 0;
    TResultCodes Values;
};

// Entries in the order read; ranges may overlap.
using TPDFCMap = std::vector<TPDFCMapEntry>;

// More entries than any real font needs; damaged or hostile maps are cut here.
inline constexpr std::size_t kMaxToUnicodeEntries = 1'000'000;

// Never fails: text that does not follow the CMap syntax gives fewer entries or none.
// OneByteCodes is set when the first code-space range is written with two hexadecimal digits.
void ParseToUnicodeCMap(std::string_view data, bool& oneByteCodes, TPDFCMap& map);

// The text of a code from an entry that covers it.
std::u16string CMapEntryText(const TPDFCMapEntry& entry, std::uint32_t code);

// Per code 0..255 the text of the last entry covering it, else the default.
void BuildAnsiTextFromToUnicode(const TPDFCMap& map, const std::array<std::string, 256>& defaults,
                                std::array<std::string, 256>& text);
void BuildUnicodeTextFromToUnicode(const TPDFCMap& map, const std::array<std::u16string, 256>& defaults,
                                   std::array<std::u16string, 256>& text);

}  // namespace parch
