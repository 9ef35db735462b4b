#pragma once
// Glyph tables of the standard fonts: the built-in simple-font encodings, glyph names to
// Unicode (the Adobe Glyph List), the widths of the standard 14 fonts, the installed font
// families and the substitute dingbats font.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace parch {

class TPDFArray;
class TScrivletStringList;
class TScrivletCaseSensitiveStringList;

using TGlyphNames = std::array<std::string, 256>;
using TGlyphUnicodes = std::array<char16_t, 256>;
using TGlyphAnsiCodes = std::array<std::uint8_t, 256>;
using TGlyphWidths = std::array<double, 256>;

// Encoding numbers.
inline constexpr int kStandardEncoding = 0;
inline constexpr int kMacRomanEncoding = 1;
inline constexpr int kWinAnsiEncoding = 2;
inline constexpr int kPDFDocEncoding = 3;
inline constexpr int kMacExpertEncoding = 4;
inline constexpr int kSymbolEncoding = 5;

// Standard font numbers: 1 to 4 Courier, 5 to 8 Helvetica, 9 to 12 Times (regular, bold,
// bold italic or oblique, italic or oblique in the order of the standard 14), 13 Symbol,
// 14 ZapfDingbats.
inline constexpr int kSymbolFont = 13;
inline constexpr int kZapfDingbatsFont = 14;

// Resource numbers.
inline constexpr int kGlyphListResource = 15902;
inline constexpr int kDingbatsFontResource = 15903;

// A glyph of the Latin character set; -1 where the encoding has no code for it.
struct TLatinGlyph {
    std::string_view Name;
    char16_t Unicode;
    std::int16_t StandardCode;
    std::int16_t MacRomanCode;
    std::int16_t WinAnsiCode;
    std::int16_t PDFDocCode;
    std::int16_t Widths[8];  // Helvetica and Times faces, fonts 5 to 12
};

struct TSymbolGlyph {
    std::string_view Name;
    std::uint8_t Code;  // in the Symbol font's built-in encoding
    char16_t Unicode;
    std::int16_t Width;
};

// The 229 Latin glyphs and the 189 Symbol glyphs, each sorted by name.
std::span<const TLatinGlyph> LatinGlyphs();
std::span<const TSymbolGlyph> SymbolGlyphs();
// The width of Latin glyph `index` (0-based) in standard font 1 to 12; 750 for any other
// glyph index or font.
int LatinGlyphWidth(std::size_t index, int fontNumber);
// The Latin names in table order, case-sensitive.
const TScrivletCaseSensitiveStringList& LatinGlyphNameList();

// The glyph name of each code of a built-in encoding; ".notdef" for every code of an unknown one.
void GetEncodingGlyphNames(int encoding, TGlyphNames& names);
// "U+" and four hexadecimal digits at each Symbol glyph's code for the Symbol encoding; all
// empty otherwise.
void GetSymbolUnicodeNames(int encoding, TGlyphNames& names);
// Applies a /Differences array: a number sets the current code, a name is stored there and the
// code moves on; codes outside 0 to 255 and other items are passed over.
void ApplyDifferences(TGlyphNames& names, const TPDFArray* differences);

// The Unicode value of a glyph name from the glyph list, 0 when it is not listed.
char16_t GlyphNameToUnicode(std::string_view name);
void GlyphNamesToUnicode(const TGlyphNames& names, TGlyphUnicodes& unicodes);
// The WinAnsiEncoding code of the Latin glyph with the Unicode value, 0 when none.
std::uint8_t GlyphNameToWinAnsi(std::int64_t unicode);
// Per name the WinAnsi code of its Unicode value; a "CID:" name falls back to its number read
// as a Unicode value (a number that does not read counts as 0).
void GlyphNamesToWinAnsi(const TGlyphNames& names, TGlyphAnsiCodes& codes);
// The name of the first Latin, else Symbol, glyph with the value; `name` is kept when none.
void UnicodeToGlyphName(char16_t unicode, std::string& name);
// 1-based position in the Latin list, 0 when absent.
int GlyphNameIndex(std::string_view name);

// Widths in thousandths of the text size for fonts 1 to 13; 750 for a name the font lacks.
// Other font numbers leave the widths untouched.
void GetStandardFontWidths(int fontNumber, const TGlyphNames& names, TGlyphWidths& widths);

// The sorted family names installed for a Windows character set, made on the first request
// for that set and kept by the cache.
const TScrivletStringList& GetFontFamilies(std::uint8_t charset);

// The TrueType program that stands in for ZapfDingbats, inflated on every call.
std::string GetDingbatsFontProgram();

}  // namespace parch
