#pragma once
// The in-memory object of one standard font that a document adds to itself: its font
// dictionary, widths and a Unicode-to-code map for writing text in it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/ScrivletCMap.h"
#include "pdf/core/ScrivletExtra.h"

namespace parch {

class TPDFArray;
class TPDFDictionary;
class TPDFIndRef;
class TPDFStructure;

using TWidthsArray = std::vector<std::int32_t>;

// A code-to-width table.
class TScrivletWidthLookup {
public:
    std::uint32_t EntryCount = 0;
    std::vector<std::uint16_t> Codes;
    std::vector<std::int32_t> Widths;
    std::uint8_t SortedFlag = 0;
};

class TPDFFont {
public:
    TPDFFont(TPDFStructure* structure, std::string resourceName);
    virtual ~TPDFFont() = default;

    // Number 1 to 14 in the order Courier (4), Helvetica (4), Times (4), Symbol, ZapfDingbats.
    void MakeStandardFont(const std::string& baseFontName, int number);
    void SetEncoding(const std::string& encodingName, const TPDFArray* differences);

    TPDFStructure* Structure;
    std::string ResourceName;
    std::string BaseFontName;
    TPDFIndRef* Reference = nullptr;
    bool Registered = false;
    TWidthsArray Widths;
    std::int32_t FirstChar = 0;
    std::int32_t LastChar = 0;
    std::int32_t Ascent = 0, Descent = 0, BBoxLeft = 0, BBoxTop = 0, BBoxRight = 0, BBoxBottom = 0;
    TPDFDictionary* Dictionary = nullptr;
    TScrivletCaseSensitiveStringList Names;
    TScrivletCaseSensitiveStringList Codes;
    std::unique_ptr<TScrivletCMap> UnicodeMap;
    TScrivletWidthLookup WidthLookup;
};

// Widths of codes 24 to 255 of a Latin standard font (1 to 12) under encoding type 0
// Standard, 1 Mac Roman, 2 WinAnsi or 3 PDFDoc; codes 32 to 254 of Symbol (13) or
// ZapfDingbats (14).
TWidthsArray StandardWidths(int encodingType, int number);
// The 223 widths of codes 32 to 254 of Symbol (13) or ZapfDingbats (14); zeros otherwise.
TWidthsArray SymbolicWidths(int number);

}  // namespace parch
