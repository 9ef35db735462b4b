#pragma once
// TIFF data of our own: TPDFTIFFMaker wraps one compressed bilevel strip (CCITT Group 3 or 4,
// or LZW) in a minimal little-endian TIFF file; SaveBitmapAsTIFF writes a bitmap as a baseline
// RGB TIFF with LZW-compressed strips.

#include <cstdint>
#include <string>
#include <vector>

#include "pdf/core/ScrivletGDIPlusSettings.h"

namespace parch {

class TBitmap;
class TMemoryStream;
class TStream;

struct TTIFFEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Type = 0;
    std::uint32_t Count = 0;
    std::uint32_t Value = 0;  // or offset; a SHORT sits in the low two bytes
};

// Strip kinds of TPDFTIFFMaker.
inline constexpr std::uint8_t kTIFFGroup4 = 1;
inline constexpr std::uint8_t kTIFFLZW = 3;
inline constexpr std::uint8_t kTIFFGroup3OneD = 4;
inline constexpr std::uint8_t kTIFFGroup3TwoD = 5;

class TPDFTIFFMaker {
public:
    // Writes the file from position 0 (the entries are rebuilt on every call).
    void SaveToStream(TMemoryStream& stream);

    std::string Strip;
    std::int32_t Columns = 0;
    std::int32_t Rows = 0;
    std::uint8_t Kind = kTIFFGroup4;
    bool MinIsBlack = false;
    bool ByteAlign = false;
    std::vector<TTIFFEntry> Entries;
    std::int32_t HorizontalResolution = 96;
    std::int32_t VerticalResolution = 96;

private:
    void AddEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t value);
};

// Writes the bitmap as TIFF at the stream's position, with dpi as its resolution in inches
// when above 0. False, with nothing written, for an empty bitmap or a failed write.
bool SaveBitmapAsTIFF(TBitmap& bitmap, TStream& stream, const TGDIPlusSettings& settings, double dpi);

}  // namespace parch
