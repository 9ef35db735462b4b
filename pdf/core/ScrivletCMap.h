#pragma once
// Character maps held in memory: code to CID or code to Unicode text, grouped in sections of
// one code length and one value width. The library carries three compiled maps for Japanese
// CID-keyed fonts (Adobe-Japan1 CID to Unicode, and the 90ms and 90msp Shift-JIS CMaps).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

class TStream;

using TSVLByteArray = std::vector<std::uint8_t>;
using TScrivletCodeList = std::vector<std::uint32_t>;

// All entries of one code length and one value width. Values are big-endian byte strings: a
// CID as two bytes, Unicode text as UTF-16BE code units.
class TScrivletCMapSection {
public:
    // Index of the first entry with the code, -1 when none. Codes must be ascending, as
    // AddMapping and loading keep them.
    std::int64_t IndexOf(std::uint32_t code) const;
    std::span<const std::uint8_t> ValueAt(std::size_t index) const;

    std::vector<std::uint32_t> Codes;  // ascending
    std::vector<std::uint8_t> Values;  // ValueWidth bytes per code, in the order of Codes
    std::uint32_t CodeLength = 0;      // bytes per character code
    std::uint32_t ValueWidth = 0;      // bytes per value
};

struct TScrivletCodeSpaceRange {
    std::int32_t Low = 0;
    std::int32_t High = 0;
    std::int32_t ByteCount = 0;
};

class TScrivletCMap {
public:
    // Limits of a section in the compiled form; a header beyond them leaves its section empty.
    static constexpr std::uint32_t kMaxCodeLength = 4;
    static constexpr std::uint32_t kMaxValueWidth = 64;
    static constexpr std::uint32_t kMaxSectionEntries = 65535;

    void Clear();
    // Inserts after any equal codes of the section with this code length and value width.
    void AddMapping(std::uint32_t codeLength, std::uint32_t code, const TSVLByteArray& value);
    // Recorded for the font code; the look-ups do not consult the ranges.
    void AddCodeSpaceRange(std::int32_t low, std::int32_t high, std::int32_t byteCount);

    // Reads the compiled form from the stream's position to its end.
    void LoadFromStream(TStream& stream);
    // The compiled form (little-endian): a section count, then per section code length, value
    // width, entry count, the codes as deltas and the values. Data cut short, or codes that
    // run past 32 bits, give an empty map.
    void LoadFromBytes(std::string_view data);

    bool HasCode(std::uint32_t codeLength, std::uint32_t code) const;
    // The value as text: width 1 is one character, wider values are big-endian UTF-16 units
    // (an odd last byte becomes a character of its own). Empty when no section holds the code.
    std::u16string LookupText(std::uint32_t codeLength, std::uint32_t code) const;
    // The value of width 1 or 2 as a number (other widths give 0); code length 0 searches
    // every section. 0 when no section holds the code.
    std::uint16_t LookupWord(std::uint32_t codeLength, std::uint32_t code) const;

    std::vector<std::unique_ptr<TScrivletCMapSection>> Sections;
    std::vector<TScrivletCodeSpaceRange> CodeSpaceRanges;

private:
    // The first section of the code length (or of any length) holding the code, and the index.
    const TScrivletCMapSection* Find(bool anyLength, std::uint32_t codeLength, std::uint32_t code,
                                     std::size_t& index) const;
};

// Resource numbers of the built-in maps.
inline constexpr int kCMapAdobeJapan1ToUnicode = 11101;
inline constexpr int kCMap90mspRKSJH = 11102;
inline constexpr int kCMap90msRKSJH = 11103;

// A new map read from the embedded resource; one that inflates to nothing gives an empty map.
// Raises when the program carries no such resource.
std::unique_ptr<TScrivletCMap> LoadBuiltInCMap(int resourceNumber);

// The Unicode text of a character code shown with a named CMap in a font of the ordering
// ("Adobe-Japan1-6", "Adobe-Identity-0"...). Empty for CMaps and orderings the library lacks.
std::u16string MapCIDToUnicode(std::string_view cmapName, std::string_view ordering,
                               std::uint32_t code);

// Splits shown bytes into character codes for a named CMap. False, with the codes untouched,
// for a CMap the library lacks.
bool SplitCharCodes(std::string_view cmapName, std::string_view ordering, std::string_view bytes,
                    TScrivletCodeList& codes);

}  // namespace parch
