// CFF font programs (bare, or the 'CFF ' table of an OpenType font) loaded into the glyph lists
// of the Type 1 decoder, and Type 2 charstrings translated into the glyph command text.

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/NumberText.h"
#include "base/Streams.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletFontConst.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/render/ScrivletTrueTypeParser.h"
#include "pdf/render/ScrivletType1Decoder.h"

namespace parch {

// The byte reader and INDEX type are fields of the loader, so they cannot be file-local.
namespace cff_reading {

// Bounds-checked big-endian reads over the font bytes; a read that does not fit gives nothing.
class CffBytes {
public:
    explicit CffBytes(std::string_view data) : data_(data) {}

    std::string_view Data() const { return data_; }
    std::int64_t Size() const { return static_cast<std::int64_t>(data_.size()); }
    bool Fits(std::int64_t offset, std::int64_t length) const {
        return offset >= 0 && length >= 0 && offset <= Size() && length <= Size() - offset;
    }
    std::optional<std::uint32_t> Unsigned(std::int64_t offset, int width) const {
        if (!Fits(offset, width)) return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < width; ++i)
            value = (value << 8) | static_cast<std::uint8_t>(data_[static_cast<std::size_t>(offset + i)]);
        return value;
    }
    std::string_view Slice(std::int64_t offset, std::int64_t length) const {
        if (!Fits(offset, length)) return {};
        return data_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    }

private:
    std::string_view data_;
};

// A CFF INDEX. Objects whose offsets decrease, overlap an earlier object or leave the data are
// empty, so the objects never add up to more than the data holds.
struct CffIndex {
    std::vector<std::string_view> Items;
    std::int64_t End = 0;  // the offset just after the INDEX
};

}  // namespace cff_reading

using cff_reading::CffBytes;
using cff_reading::CffIndex;

namespace {

// The 391 standard strings, by SID.
constexpr std::array<std::string_view, 391> kCFFStandardStrings = {
    ".notdef", "space", "exclam", "quotedbl", "numbersign", "dollar", "percent", "ampersand",
    "quoteright", "parenleft", "parenright", "asterisk", "plus", "comma", "hyphen", "period",
    "slash", "zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine",
    "colon", "semicolon", "less", "equal", "greater", "question", "at", "A", "B", "C", "D", "E",
    "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X",
    "Y", "Z", "bracketleft", "backslash", "bracketright", "asciicircum", "underscore",
    "quoteleft", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p",
    "q", "r", "s", "t", "u", "v", "w", "x", "y", "z", "braceleft", "bar", "braceright",
    "asciitilde", "exclamdown", "cent", "sterling", "fraction", "yen", "florin", "section",
    "currency", "quotesingle", "quotedblleft", "guillemotleft", "guilsinglleft", "guilsinglright",
    "fi", "fl", "endash", "dagger", "daggerdbl", "periodcentered", "paragraph", "bullet",
    "quotesinglbase", "quotedblbase", "quotedblright", "guillemotright", "ellipsis",
    "perthousand", "questiondown", "grave", "acute", "circumflex", "tilde", "macron", "breve",
    "dotaccent", "dieresis", "ring", "cedilla", "hungarumlaut", "ogonek", "caron", "emdash", "AE",
    "ordfeminine", "Lslash", "Oslash", "OE", "ordmasculine", "ae", "dotlessi", "lslash", "oslash",
    "oe", "germandbls", "onesuperior", "logicalnot", "mu", "trademark", "Eth", "onehalf",
    "plusminus", "Thorn", "onequarter", "divide", "brokenbar", "degree", "thorn", "threequarters",
    "twosuperior", "registered", "minus", "eth", "multiply", "threesuperior", "copyright",
    "Aacute", "Acircumflex", "Adieresis", "Agrave", "Aring", "Atilde", "Ccedilla", "Eacute",
    "Ecircumflex", "Edieresis", "Egrave", "Iacute", "Icircumflex", "Idieresis", "Igrave",
    "Ntilde", "Oacute", "Ocircumflex", "Odieresis", "Ograve", "Otilde", "Scaron", "Uacute",
    "Ucircumflex", "Udieresis", "Ugrave", "Yacute", "Ydieresis", "Zcaron", "aacute",
    "acircumflex", "adieresis", "agrave", "aring", "atilde", "ccedilla", "eacute", "ecircumflex",
    "edieresis", "egrave", "iacute", "icircumflex", "idieresis", "igrave", "ntilde", "oacute",
    "ocircumflex", "odieresis", "ograve", "otilde", "scaron", "uacute", "ucircumflex",
    "udieresis", "ugrave", "yacute", "ydieresis", "zcaron", "exclamsmall", "Hungarumlautsmall",
    "dollaroldstyle", "dollarsuperior", "ampersandsmall", "Acutesmall", "parenleftsuperior",
    "parenrightsuperior", "twodotenleader", "onedotenleader", "zerooldstyle", "oneoldstyle",
    "twooldstyle", "threeoldstyle", "fouroldstyle", "fiveoldstyle", "sixoldstyle",
    "sevenoldstyle", "eightoldstyle", "nineoldstyle", "commasuperior", "threequartersemdash",
    "periodsuperior", "questionsmall", "asuperior", "bsuperior", "centsuperior", "dsuperior",
    "esuperior", "isuperior", "lsuperior", "msuperior", "nsuperior", "osuperior", "rsuperior",
    "ssuperior", "tsuperior", "ff", "ffi", "ffl", "parenleftinferior", "parenrightinferior",
    "Circumflexsmall", "hyphensuperior", "Gravesmall", "Asmall", "Bsmall", "Csmall", "Dsmall",
    "Esmall", "Fsmall", "Gsmall", "Hsmall", "Ismall", "Jsmall", "Ksmall", "Lsmall", "Msmall",
    "Nsmall", "Osmall", "Psmall", "Qsmall", "Rsmall", "Ssmall", "Tsmall", "Usmall", "Vsmall",
    "Wsmall", "Xsmall", "Ysmall", "Zsmall", "colonmonetary", "onefitted", "rupiah", "Tildesmall",
    "exclamdownsmall", "centoldstyle", "Lslashsmall", "Scaronsmall", "Zcaronsmall",
    "Dieresissmall", "Brevesmall", "Caronsmall", "Dotaccentsmall", "Macronsmall", "figuredash",
    "hypheninferior", "Ogoneksmall", "Ringsmall", "Cedillasmall", "questiondownsmall",
    "oneeighth", "threeeighths", "fiveeighths", "seveneighths", "onethird", "twothirds",
    "zerosuperior", "foursuperior", "fivesuperior", "sixsuperior", "sevensuperior",
    "eightsuperior", "ninesuperior", "zeroinferior", "oneinferior", "twoinferior",
    "threeinferior", "fourinferior", "fiveinferior", "sixinferior", "seveninferior",
    "eightinferior", "nineinferior", "centinferior", "dollarinferior", "periodinferior",
    "commainferior", "Agravesmall", "Aacutesmall", "Acircumflexsmall", "Atildesmall",
    "Adieresissmall", "Aringsmall", "AEsmall", "Ccedillasmall", "Egravesmall", "Eacutesmall",
    "Ecircumflexsmall", "Edieresissmall", "Igravesmall", "Iacutesmall", "Icircumflexsmall",
    "Idieresissmall", "Ethsmall", "Ntildesmall", "Ogravesmall", "Oacutesmall", "Ocircumflexsmall",
    "Otildesmall", "Odieresissmall", "OEsmall", "Oslashsmall", "Ugravesmall", "Uacutesmall",
    "Ucircumflexsmall", "Udieresissmall", "Yacutesmall", "Thornsmall", "Ydieresissmall",
    "001.000", "001.001", "001.002", "001.003", "Black", "Bold", "Book", "Light", "Medium",
    "Regular", "Roman", "Semibold",
};
// The predefined Expert and Expert Subset charsets: the SID of each glyph, glyph 0 first.
constexpr std::array<std::uint16_t, 166> kCFFExpertCharset = {
    0, 1, 229, 230, 231, 232, 233, 234, 235, 236, 237, 238, 13, 14, 15, 99, 239, 240, 241, 242,
    243, 244, 245, 246, 247, 248, 27, 28, 249, 250, 251, 252, 253, 254, 255, 256, 257, 258, 259,
    260, 261, 262, 263, 264, 265, 266, 109, 110, 267, 268, 269, 270, 271, 272, 273, 274, 275, 276,
    277, 278, 279, 280, 281, 282, 283, 284, 285, 286, 287, 288, 289, 290, 291, 292, 293, 294, 295,
    296, 297, 298, 299, 300, 301, 302, 303, 304, 305, 306, 307, 308, 309, 310, 311, 312, 313, 314,
    315, 316, 317, 318, 158, 155, 163, 319, 320, 321, 322, 323, 324, 325, 326, 150, 164, 169, 327,
    328, 329, 330, 331, 332, 333, 334, 335, 336, 337, 338, 339, 340, 341, 342, 343, 344, 345, 346,
    347, 348, 349, 350, 351, 352, 353, 354, 355, 356, 357, 358, 359, 360, 361, 362, 363, 364, 365,
    366, 367, 368, 369, 370, 371, 372, 373, 374, 375, 376, 377, 378,
};
constexpr std::array<std::uint16_t, 87> kCFFExpertSubsetCharset = {
    0, 1, 231, 232, 235, 236, 237, 238, 13, 14, 15, 99, 239, 240, 241, 242, 243, 244, 245, 246,
    247, 248, 27, 28, 249, 250, 251, 253, 254, 255, 256, 257, 258, 259, 260, 261, 262, 263, 264,
    265, 266, 109, 110, 267, 268, 269, 270, 272, 300, 301, 302, 305, 314, 315, 158, 155, 163, 320,
    321, 322, 323, 324, 325, 326, 150, 164, 169, 327, 328, 329, 330, 331, 332, 333, 334, 335, 336,
    337, 338, 339, 340, 341, 342, 343, 344, 345, 346,
};

// The CFF format's own limits: 48 operands, 33 transient slots, 10 nested subroutine calls.
constexpr std::size_t kCffMaxOperands = 48;
constexpr int kCffTransientCount = 33;
constexpr int kCffMaxCallDepth = 10;
constexpr int kCffMaxStems = 96;
// Charstring bytes interpreted per glyph: the call limit alone lets subroutines that call each
// other many times multiply the work beyond any bound.
constexpr std::int64_t kCffMaxSteps = std::int64_t{1} << 18;

CffIndex CffReadIndex(const CffBytes& bytes, std::int64_t offset) {
    CffIndex index;
    index.End = bytes.Size();
    const auto count = bytes.Unsigned(offset, 2);
    if (!count) return index;
    if (*count == 0) {
        index.End = offset + 2;
        return index;
    }
    const auto offSize = bytes.Unsigned(offset + 2, 1);
    if (!offSize || *offSize < 1 || *offSize > 4) return index;
    const std::int64_t offsetsStart = offset + 3;
    const std::int64_t dataBase = offsetsStart + (std::int64_t{*count} + 1) * *offSize - 1;
    if (!bytes.Fits(offsetsStart, dataBase + 1 - offsetsStart)) return index;
    auto objectOffset = [&](std::int64_t i) {
        return std::int64_t{*bytes.Unsigned(offsetsStart + i * *offSize, static_cast<int>(*offSize))};
    };
    index.Items.resize(*count);
    std::int64_t usedEnd = 1;
    for (std::int64_t i = 0; i < *count; ++i) {
        const std::int64_t first = objectOffset(i), next = objectOffset(i + 1);
        if (first < usedEnd || next < first || !bytes.Fits(dataBase + first, next - first)) continue;
        index.Items[static_cast<std::size_t>(i)] = bytes.Slice(dataBase + first, next - first);
        usedEnd = next;
    }
    const std::int64_t last = objectOffset(*count);
    if (bytes.Fits(dataBase + last, 0)) index.End = dataBase + last;
    return index;
}

std::string CffStringForSID(std::int64_t sid, const CffIndex& strings) {
    if (sid >= 0 && sid < static_cast<std::int64_t>(kCFFStandardStrings.size()))
        return std::string(kCFFStandardStrings[static_cast<std::size_t>(sid)]);
    const std::int64_t custom = sid - static_cast<std::int64_t>(kCFFStandardStrings.size());
    if (custom >= 0 && custom < static_cast<std::int64_t>(strings.Items.size()))
        return std::string(strings.Items[static_cast<std::size_t>(custom)]);
    return {};
}

// The SID of a glyph name among the standard strings, or -1.
int CffStandardSID(std::string_view name) {
    for (std::size_t i = 0; i < kCFFStandardStrings.size(); ++i)
        if (kCFFStandardStrings[i] == name) return static_cast<int>(i);
    return -1;
}

// A number as the object parser reads it back: plain decimals, never an exponent.
std::string CffNumberText(double value) { return FloatToPDFStr(9, value); }

std::int64_t CffTruncate(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<std::int64_t>(std::clamp(std::trunc(value), -9.0e15, 9.0e15));
}

// A DICT real: its nibbles spelt out, then read as a double so that an exponent comes out as
// plain decimals.
double CffReadReal(std::string_view data, std::size_t& pos) {
    static constexpr std::string_view kNibbles[16] = {"0", "1", "2", "3", "4", "5", "6", "7",
                                                      "8", "9", ".", "E", "E-", "", "-", ""};
    std::string text;
    while (pos < data.size()) {
        const auto byte = static_cast<std::uint8_t>(data[pos++]);
        text += kNibbles[byte >> 4];
        text += kNibbles[byte & 15];
        if ((byte & 15) == 15) break;
        if (text.size() > 64) text.resize(64);  // longer mantissas add nothing a double keeps
    }
    double value = 0;
    const char* first = text.data();
    if (!text.empty() && text.front() == '.') {
        text.insert(text.begin(), '0');
        first = text.data();
    }
    const auto result = std::from_chars(first, text.data() + text.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value)) return 0;
    return value;
}

enum class CffEntryKind { Single, Array, String, Private };

struct CffDictEntry {
    int Operator;  // 1200 + b1 for the escaped operators
    std::string_view Key;
    CffEntryKind Kind;
};

constexpr CffDictEntry kCffTopDictEntries[] = {
    {0, "version", CffEntryKind::String},          {1, "Notice", CffEntryKind::String},
    {2, "FullName", CffEntryKind::String},         {3, "FamilyName", CffEntryKind::String},
    {4, "Weight", CffEntryKind::String},           {5, "FontBBox", CffEntryKind::Array},
    {1200, "Copyright", CffEntryKind::String},     {1201, "isFixedPitch", CffEntryKind::Single},
    {1202, "ItalicAngle", CffEntryKind::Single},   {1203, "UnderlinePosition", CffEntryKind::Single},
    {1204, "UnderlineThickness", CffEntryKind::Single}, {1205, "PaintType", CffEntryKind::Single},
    {1206, "CharstringType", CffEntryKind::Single}, {1207, "FontMatrix", CffEntryKind::Array},
    {1208, "StrokeWidth", CffEntryKind::Single},   {1220, "SyntheticBase", CffEntryKind::Single},
    {1221, "PostScript", CffEntryKind::String},    {1222, "BaseFontName", CffEntryKind::String},
    {1223, "BaseFontBlend", CffEntryKind::Array},  {1230, "ROS", CffEntryKind::Array},
    {1231, "CIDFontVersion", CffEntryKind::Single}, {1232, "CIDFontRevision", CffEntryKind::Single},
    {1233, "CIDFontType", CffEntryKind::Single},   {1234, "CIDCount", CffEntryKind::Single},
    {1235, "UIDBase", CffEntryKind::Single},       {1236, "FDArray", CffEntryKind::Single},
    {1237, "FDSelect", CffEntryKind::Single},      {1238, "FontName", CffEntryKind::String},
    {13, "UniqueID", CffEntryKind::Single},        {14, "XUID", CffEntryKind::Array},
    {15, "charset", CffEntryKind::Single},         {16, "Encoding", CffEntryKind::Single},
    {17, "CharStrings", CffEntryKind::Single},     {18, "Private", CffEntryKind::Private},
};

constexpr CffDictEntry kCffPrivateDictEntries[] = {
    {6, "BlueValues", CffEntryKind::Array},        {7, "OtherBlues", CffEntryKind::Array},
    {8, "FamilyBlues", CffEntryKind::Array},       {9, "FamilyOtherBlues", CffEntryKind::Array},
    {10, "StdHW", CffEntryKind::Single},           {11, "StdVW", CffEntryKind::Single},
    {1209, "BlueScale", CffEntryKind::Single},     {1210, "BlueShift", CffEntryKind::Single},
    {1211, "BlueFuzz", CffEntryKind::Single},      {1212, "StemSnapH", CffEntryKind::Array},
    {1213, "StemSnapV", CffEntryKind::Array},      {1214, "ForceBold", CffEntryKind::Single},
    {1217, "LanguageGroup", CffEntryKind::Single}, {1218, "ExpansionFactor", CffEntryKind::Single},
    {1219, "initialRandomSeed", CffEntryKind::Single}, {19, "Subrs", CffEntryKind::Single},
    {20, "defaultWidthX", CffEntryKind::Single},   {21, "nominalWidthX", CffEntryKind::Single},
};

// A PDF literal string: "(", ")" and "\" escaped, so that the text cannot end it early.
std::string CffLiteralString(std::string_view bytes) {
    std::string text = "(";
    for (char c : bytes) {
        if (c == '(' || c == ')' || c == '\\') text += '\\';
        text += c;
    }
    return text + ")";
}

void CffAppendEntry(std::string& text, const CffDictEntry& entry, std::vector<double>& operands,
                    const CffIndex& strings) {
    text += '/';
    text += entry.Key;
    switch (entry.Kind) {
        case CffEntryKind::Single:
            text += ' ';
            text += CffNumberText(operands.empty() ? 0 : operands.back());
            if (!operands.empty()) operands.pop_back();
            break;
        case CffEntryKind::String:
            text += ' ';
            text += CffLiteralString(
                CffStringForSID(operands.empty() ? -1 : CffTruncate(operands.back()), strings));
            if (!operands.empty()) operands.pop_back();
            break;
        case CffEntryKind::Array:
            text += " [";
            for (double value : operands) text += ' ' + CffNumberText(value);
            text += " ]";
            operands.clear();
            break;
        case CffEntryKind::Private: {
            // Written offset first: the DICT gives the size first and the offset last.
            text += " [";
            const std::size_t taken = std::min<std::size_t>(operands.size(), 2);
            for (std::size_t i = 0; i < taken; ++i) text += ' ' + CffNumberText(operands[operands.size() - 1 - i]);
            operands.resize(operands.size() - taken);
            text += " ]";
            break;
        }
    }
    text += ' ';
}

// A CFF DICT as PDF dictionary text, keyed by the table's names.
std::string CFFDictToText(std::string_view data, bool privateDict, const CffIndex& strings) {
    const std::span<const CffDictEntry> table =
        privateDict ? std::span<const CffDictEntry>(kCffPrivateDictEntries)
                    : std::span<const CffDictEntry>(kCffTopDictEntries);
    const CffBytes bytes(data);
    std::vector<double> operands;
    auto push = [&](double value) {
        if (operands.size() < kCffMaxOperands) operands.push_back(value);
    };
    std::string text = "<< ";
    std::size_t pos = 0;
    while (pos < data.size()) {
        const auto b0 = static_cast<std::uint8_t>(data[pos]);
        const auto at = static_cast<std::int64_t>(pos);
        if (b0 == 28) {
            const auto value = bytes.Unsigned(at + 1, 2);
            pos += 3;
            if (value) push(static_cast<std::int16_t>(*value));
        } else if (b0 == 29) {
            const auto value = bytes.Unsigned(at + 1, 4);
            pos += 5;
            if (value) push(static_cast<std::int32_t>(*value));
        } else if (b0 == 30) {
            ++pos;
            push(CffReadReal(data, pos));
        } else if (b0 >= 32 && b0 <= 246) {
            ++pos;
            push(b0 - 139);
        } else if (b0 >= 247 && b0 <= 254) {
            const auto b1 = bytes.Unsigned(at + 1, 1);
            pos += 2;
            if (!b1) continue;
            push(b0 <= 250 ? (b0 - 247) * 256 + int(*b1) + 108 : -(b0 - 251) * 256 - int(*b1) - 108);
        } else if (b0 <= 21) {
            int op = b0;
            ++pos;
            if (b0 == 12) {
                if (pos >= data.size()) break;
                op = 1200 + static_cast<std::uint8_t>(data[pos++]);
            }
            for (const CffDictEntry& entry : table)
                if (entry.Operator == op) {
                    CffAppendEntry(text, entry, operands, strings);
                    break;
                }
        } else {
            ++pos;
        }
    }
    return text + ">>";
}

const TPDFNumeric* CffNumberEntry(const TPDFDictionary& dict, std::string_view key) {
    return AsNumber(dict.GetValue(key));
}

int CffSubrBias(int count) { return count < 1240 ? 107 : count < 33900 ? 1131 : 32768; }

std::string CffNumber(double value) { return FloatToPDFStr(6, value); }

}  // namespace

// Reads one CFF font into the decoder's lists.
struct TPDFType1Decoder::CFFLoader {
    TPDFType1Decoder& Decoder;
    CffBytes Bytes;
    CffIndex Strings;

    TPDFDictionary* ParseDict(std::string_view data, bool privateDict) {
        return AsDictionary(ParseObject(*Decoder.structure_, CFFDictToText(data, privateDict, Strings)));
    }

    void Load() {
        const auto headerSize = Bytes.Unsigned(2, 1);
        if (!headerSize) return;
        const CffIndex names = CffReadIndex(Bytes, std::max<std::int64_t>(4, *headerSize));
        const CffIndex topDicts = CffReadIndex(Bytes, names.End);
        Strings = CffReadIndex(Bytes, topDicts.End);
        const CffIndex globalSubrs = CffReadIndex(Bytes, Strings.End);
        Decoder.globalSubroutines_.Clear();
        for (std::string_view subr : globalSubrs.Items) Decoder.globalSubroutines_.Add(subr);
        // Several fonts in one CFF: the last one's data prevails, so only that one is loaded.
        TPDFDictionary* topDict = nullptr;
        for (std::string_view dictBytes : topDicts.Items)
            if (TPDFDictionary* parsed = ParseDict(dictBytes, false)) topDict = parsed;
        if (topDict) LoadFont(*topDict);
    }

    void LoadFont(const TPDFDictionary& topDict) {
        Decoder.cidKeyed_ = topDict.GetValue("ROS") != nullptr;
        Decoder.scale_ = 1.0;
        if (const TPDFArray* matrix = AsArray(topDict.GetValue("FontMatrix")))
            if (const TPDFNumeric* first = AsNumber(matrix->GetItem(0)))
                Decoder.scale_ = first->GetValue() * 1000 != 0 ? first->GetValue() * 1000 : 1.0;
        Decoder.glyphNames_.Clear();
        Decoder.charStrings_.Clear();
        Decoder.subroutines_.Clear();
        Decoder.perDictSubroutines_.clear();
        Decoder.fontDictSelect_.clear();
        CffIndex charStrings;
        if (const TPDFNumeric* offset = CffNumberEntry(topDict, "CharStrings"))
            charStrings = CffReadIndex(Bytes, CffTruncate(offset->GetValue()));
        if (!charStrings.Items.empty()) {
            LoadCharset(topDict, charStrings);
            LoadEncoding(topDict);
        }
        Decoder.fontKind_ = 2;
        if (Decoder.cidKeyed_) LoadFontDicts(topDict);
        std::int64_t privateOffset = 0;
        if (TPDFDictionary* privateDict = ReadPrivateDict(topDict, privateOffset))
            ReadSubrs(*privateDict, privateOffset, Decoder.subroutines_);
    }

    void LoadCharset(const TPDFDictionary& topDict, const CffIndex& charStrings) {
        const TPDFNumeric* charset = CffNumberEntry(topDict, "charset");
        const std::int64_t value = charset ? CffTruncate(charset->GetValue()) : 0;
        if (value < 3)
            SetPredefinedCharset(value, charStrings);
        else
            ReadCharset(value, charStrings);
    }

    // Glyph 0 is listed in every predefined charset, as ".notdef" without outline, so that
    // list positions stay glyph indices.
    void SetPredefinedCharset(std::int64_t charset, const CffIndex& charStrings) {
        const std::span<const std::uint16_t> sids =
            charset == 1   ? std::span<const std::uint16_t>(kCFFExpertCharset)
            : charset == 2 ? std::span<const std::uint16_t>(kCFFExpertSubsetCharset)
                           : std::span<const std::uint16_t>();
        ReserveGlyphs(charStrings.Items.size());
        Decoder.glyphNames_.Add(".notdef");
        Decoder.charStrings_.Add("");
        for (std::size_t i = 1; i < charStrings.Items.size(); ++i) {
            const std::int64_t sid = i < sids.size() ? sids[i] : static_cast<std::int64_t>(i);
            Decoder.glyphNames_.Add(CffStringForSID(sid, Strings));
            Decoder.charStrings_.Add(charStrings.Items[i]);
        }
    }

    // The glyph count is bounded by the CharStrings INDEX, which the data holds.
    void ReserveGlyphs(std::size_t count) {
        const int capacity = static_cast<int>(std::min<std::size_t>(count, 65536));
        Decoder.glyphNames_.SetCapacity(capacity);
        Decoder.charStrings_.SetCapacity(capacity);
    }

    void ReadCharset(std::int64_t offset, const CffIndex& charStrings) {
        const std::size_t glyphCount = charStrings.Items.size();
        std::vector<std::uint32_t> values(glyphCount, 0);
        const auto format = Bytes.Unsigned(offset, 1);
        std::int64_t pos = offset + 1;
        std::size_t glyph = 1;
        if (format == 0u) {
            for (; glyph < glyphCount; ++glyph, pos += 2) {
                const auto value = Bytes.Unsigned(pos, 2);
                if (!value) break;
                values[glyph] = *value;
            }
        } else if (format == 1u || format == 2u) {
            const int countWidth = *format == 1 ? 1 : 2;
            while (glyph < glyphCount) {
                const auto first = Bytes.Unsigned(pos, 2);
                const auto left = Bytes.Unsigned(pos + 2, countWidth);
                if (!first || !left) break;
                pos += 2 + countWidth;
                for (std::uint32_t k = 0; k <= *left && glyph < glyphCount; ++k) values[glyph++] = *first + k;
            }
        }
        ReserveGlyphs(glyphCount);
        for (std::size_t i = 0; i < glyphCount; ++i) {
            Decoder.glyphNames_.Add(Decoder.cidKeyed_ ? "CID:" + std::to_string(values[i])
                                                      : CffStringForSID(values[i], Strings));
            Decoder.charStrings_.Add(charStrings.Items[i]);
        }
    }

    void LoadEncoding(const TPDFDictionary& topDict) {
        const TPDFNumeric* encoding = CffNumberEntry(topDict, "Encoding");
        const std::int64_t value = encoding ? CffTruncate(encoding->GetValue()) : 0;
        if (value == 0)
            SetStandardEncoding();
        else if (value > 1)
            ReadEncoding(value);
    }

    void SetStandardEncoding() {
        TGlyphNames names;
        GetEncodingGlyphNames(kStandardEncoding, names);
        for (std::size_t code = 0; code < 256; ++code)
            Decoder.encoding_[code] = CffStandardSID(names[code]) > 0 ? names[code] : ".notdef";
    }

    void SetEncodingCode(std::uint32_t code, std::int64_t glyph) {
        if (code <= 255 && glyph < Decoder.glyphNames_.GetCount())
            Decoder.encoding_[code] = Decoder.glyphNames_.Get(static_cast<int>(glyph));
    }

    void ReadEncoding(std::int64_t offset) {
        Decoder.encoding_.fill(".notdef");
        const auto format = Bytes.Unsigned(offset, 1);
        const auto count = Bytes.Unsigned(offset + 1, 1);
        if (!format || !count) return;
        if (*format == 0) {
            for (std::uint32_t j = 1; j <= *count; ++j)
                if (const auto code = Bytes.Unsigned(offset + 1 + j, 1)) SetEncodingCode(*code, j);
        } else if (*format == 1) {
            std::int64_t glyph = 1;
            for (std::uint32_t r = 0; r < *count; ++r) {
                const auto first = Bytes.Unsigned(offset + 2 + r * 2, 1);
                const auto left = Bytes.Unsigned(offset + 3 + r * 2, 1);
                if (!first || !left) break;
                for (std::uint32_t k = 0; k <= *left; ++k) SetEncodingCode(*first + k, glyph++);
            }
        }
    }

    void LoadFontDicts(const TPDFDictionary& topDict) {
        if (const TPDFNumeric* offset = CffNumberEntry(topDict, "FDSelect"))
            ReadFDSelect(CffTruncate(offset->GetValue()));
        CffIndex fontDicts;
        if (const TPDFNumeric* offset = CffNumberEntry(topDict, "FDArray"))
            fontDicts = CffReadIndex(Bytes, CffTruncate(offset->GetValue()));
        for (std::string_view dictBytes : fontDicts.Items) {
            auto& subrs = Decoder.perDictSubroutines_.emplace_back(std::make_unique<TScrivletStringList>());
            std::int64_t privateOffset = 0;
            if (TPDFDictionary* fontDict = ParseDict(dictBytes, false))
                if (TPDFDictionary* privateDict = ReadPrivateDict(*fontDict, privateOffset))
                    ReadSubrs(*privateDict, privateOffset, *subrs);
        }
        // A glyph whose font dict is not in the FDArray gets no local subroutines.
        const auto dictCount = static_cast<std::int32_t>(fontDicts.Items.size());
        for (std::int32_t& entry : Decoder.fontDictSelect_)
            if (entry >= dictCount) entry = -1;
    }

    void ReadFDSelect(std::int64_t offset) {
        const std::size_t glyphCount = static_cast<std::size_t>(Decoder.glyphNames_.GetCount());
        Decoder.fontDictSelect_.assign(glyphCount, 0);
        const auto format = Bytes.Unsigned(offset, 1);
        if (format == 0u) {
            for (std::size_t glyph = 0; glyph < glyphCount; ++glyph)
                if (const auto fd = Bytes.Unsigned(offset + 1 + static_cast<std::int64_t>(glyph), 1))
                    Decoder.fontDictSelect_[glyph] = static_cast<std::int32_t>(*fd);
        } else if (format == 3u) {
            const auto rangeCount = Bytes.Unsigned(offset + 1, 2);
            if (!rangeCount) return;
            for (std::int64_t r = 0; r < *rangeCount; ++r) {
                const std::int64_t record = offset + 3 + r * 3;
                const auto first = Bytes.Unsigned(record, 2);
                const auto fd = Bytes.Unsigned(record + 2, 1);
                const auto next = Bytes.Unsigned(record + 3, 2);
                if (!first || !fd || !next) break;
                for (std::uint32_t glyph = *first; glyph < *next && glyph < glyphCount; ++glyph)
                    Decoder.fontDictSelect_[glyph] = static_cast<std::int32_t>(*fd);
            }
        }
    }

    // The dictionary's Private DICT, when its [offset size] fits the data.
    TPDFDictionary* ReadPrivateDict(const TPDFDictionary& dict, std::int64_t& privateOffset) {
        const TPDFArray* entry = AsArray(dict.GetValue("Private"));
        if (!entry || entry->GetCount() != 2) return nullptr;
        const TPDFNumeric* offset = AsNumber(entry->GetItem(0));
        const TPDFNumeric* size = AsNumber(entry->GetItem(1));
        if (!offset || !size) return nullptr;
        const std::int64_t start = CffTruncate(offset->GetValue());
        const std::int64_t length = CffTruncate(size->GetValue());
        if (length <= 0 || !Bytes.Fits(start, length)) return nullptr;
        privateOffset = start;
        return ParseDict(Bytes.Slice(start, length), true);
    }

    void ReadSubrs(const TPDFDictionary& privateDict, std::int64_t privateOffset,
                   TScrivletStringList& subrs) {
        const TPDFNumeric* subrsOffset = CffNumberEntry(privateDict, "Subrs");
        if (!subrsOffset) return;
        const std::int64_t offset = privateOffset + CffTruncate(subrsOffset->GetValue());
        if (!Bytes.Fits(offset, 0)) return;
        subrs.Clear();
        for (std::string_view subr : CffReadIndex(Bytes, offset).Items) subrs.Add(subr);
    }
};

bool TPDFType1Decoder::LoadFontFile3(TPDFStream* fontFile) {
    if (!fontFile) return false;
    TStringStream stream(GetDecodedData(*fontFile));
    return LoadCFF(stream);
}

bool TPDFType1Decoder::LoadCFF(TStream& stream) {
    std::string font = stream.ReadToEnd();
    if (std::string_view(font).substr(0, 4) != "OTTO") return LoadCFFTable(font);
    // The table directory is read by the TrueType parser; the CFF data runs from the table's
    // offset on (its own offsets are relative to that start).
    TPDFTrueTypeParser parser;
    parser.LoadFromString(std::move(font));
    const std::int64_t offset = parser.CFFTableOffset();
    if (offset == 0) return false;
    return LoadCFFTable(parser.Data().substr(static_cast<std::size_t>(offset)));
}

bool TPDFType1Decoder::LoadCFFTable(std::string_view cff) {
    structure_->DecimalPlaces = 8;
    CFFLoader{*this, CffBytes(cff), {}}.Load();
    return true;
}

// Translates one glyph's Type 2 charstring, with its subroutines and an accented glyph's two
// parts, into the glyph command text.
class TPDFType1Decoder::Type2Translator {
public:
    explicit Type2Translator(TPDFType1Decoder& decoder) : decoder_(decoder) {}

    void TranslateGlyph(std::string_view charString) { Translate(charString); }

private:
    struct Level {
        bool WidthPending = true;
    };

    TPDFType1Decoder& decoder_;
    std::vector<double> stack_;
    std::array<double, kCffTransientCount> transient_{};
    // Stems count per charstring, subroutines included: a hint mask's length depends on all
    // stems declared before it. The format allows 96.
    int stems_ = 0;
    int callDepth_ = 0;
    std::int64_t stepsLeft_ = kCffMaxSteps;
    bool seacAllowed_ = true;
    std::uint32_t randomState_ = 0x2545F491u;

    void Emit(std::string command) { decoder_.commandList_.Add(command); }

    void EmitCommand(std::string_view word, std::initializer_list<double> args, std::string_view tag = {}) {
        std::string text(word);
        text += '(';
        bool first = true;
        for (double value : args) {
            if (!first) text += ',';
            text += CffNumber(value);
            first = false;
        }
        text += ')';
        if (!tag.empty()) {
            text += ' ';
            text += tag;
        }
        Emit(std::move(text));
    }

    double Arg(std::size_t i) const { return i < stack_.size() ? stack_[i] : 0; }

    void Push(double value) {
        if (stack_.size() < kCffMaxOperands) stack_.push_back(std::isfinite(value) ? value : 0);
    }
    double Pop() {
        if (stack_.empty()) return 0;
        const double value = stack_.back();
        stack_.pop_back();
        return value;
    }

    void TakeWidth(Level& level, bool countFits) {
        if (!level.WidthPending || !countFits || stack_.empty()) return;
        stack_.erase(stack_.begin());
        level.WidthPending = false;
    }

    void Translate(std::string_view bytes);
    bool ReadNumber(std::string_view bytes, std::size_t& pos);
    void Operator(int op, Level& level, std::string_view bytes, std::size_t& pos);
    void EscapeOperator(int op);

    void Stems(Level& level, std::string_view word);
    void Mask(Level& level, std::string_view word, bool atLeastOneByte, std::string_view bytes,
              std::size_t& pos);
    void RMoveTo(Level& level);
    void AlternatingLines(bool horizontal);
    void CurveRuns(int op);
    void AlternatingCurves(bool verticalStart);
    void Flex(int op);
    void EndChar();
    void CallSubr(bool global);
    void Roll();
};

void TPDFType1Decoder::Type2Translator::Translate(std::string_view bytes) {
    Level level;
    std::size_t pos = 0;
    while (pos < bytes.size() && stepsLeft_-- > 0) {
        const auto v = static_cast<std::uint8_t>(bytes[pos]);
        if (v == 28 || v >= 32) {
            if (!ReadNumber(bytes, pos)) return;
            continue;
        }
        ++pos;
        Operator(v, level, bytes, pos);
    }
}

bool TPDFType1Decoder::Type2Translator::ReadNumber(std::string_view bytes, std::size_t& pos) {
    const CffBytes reader(bytes);
    const auto at = static_cast<std::int64_t>(pos);
    const auto v = static_cast<std::uint8_t>(bytes[pos]);
    if (v <= 246 && v != 28) {
        Push(v - 139);
        pos += 1;
    } else if (v <= 254 && v != 28) {
        const auto w = reader.Unsigned(at + 1, 1);
        if (!w) return false;
        Push(v <= 250 ? (v - 247) * 256 + int(*w) + 108 : -(v - 251) * 256 - int(*w) - 108);
        pos += 2;
    } else if (v == 28) {
        const auto value = reader.Unsigned(at + 1, 2);
        if (!value) return false;
        Push(static_cast<std::int16_t>(*value));
        pos += 3;
    } else {
        const auto value = reader.Unsigned(at + 1, 4);
        if (!value) return false;
        Push(static_cast<std::int32_t>(*value) / 65536.0);
        pos += 5;
    }
    return true;
}

void TPDFType1Decoder::Type2Translator::Operator(int op, Level& level, std::string_view bytes,
                                                  std::size_t& pos) {
    switch (op) {
        case 1: case 18: Stems(level, "hstem"); break;
        case 3: case 23: Stems(level, "vstem"); break;
        case 19: Mask(level, "hintmask", true, bytes, pos); break;
        case 20: Mask(level, "cntrmask", false, bytes, pos); break;
        case 21: RMoveTo(level); break;
        case 22:
            TakeWidth(level, stack_.size() % 2 == 0);
            EmitCommand("rmoveto", {Arg(0), 0});
            stack_.clear();
            break;
        case 4:
            TakeWidth(level, stack_.size() % 2 == 0);
            EmitCommand("rmoveto", {0, Arg(0)});
            stack_.clear();
            break;
        case 5:
            for (std::size_t i = 0; i + 1 < stack_.size(); i += 2) EmitCommand("rlineto", {stack_[i], stack_[i + 1]});
            stack_.clear();
            break;
        case 6: AlternatingLines(true); break;
        case 7: AlternatingLines(false); break;
        case 8: case 24: case 25: case 26: case 27: CurveRuns(op); break;
        case 30: AlternatingCurves(true); break;
        case 31: AlternatingCurves(false); break;
        case 14: EndChar(); break;
        case 10: CallSubr(false); break;
        case 29: CallSubr(true); break;
        case 11: break;
        case 12:
            if (pos < bytes.size()) EscapeOperator(static_cast<std::uint8_t>(bytes[pos++]));
            break;
        default: Emit("Unknown: " + std::to_string(op)); break;
    }
}

void TPDFType1Decoder::Type2Translator::Stems(Level& level, std::string_view word) {
    TakeWidth(level, stack_.size() % 2 == 1);
    std::string text(word);
    text += '(';
    for (std::size_t i = 0; i < stack_.size(); ++i) text += (i ? "," : "") + CffNumber(stack_[i]);
    Emit(text + ")");
    stems_ = std::min(kCffMaxStems, stems_ + static_cast<int>(stack_.size() / 2));
    stack_.clear();
}

void TPDFType1Decoder::Type2Translator::Mask(Level& level, std::string_view word, bool atLeastOneByte,
                                              std::string_view bytes, std::size_t& pos) {
    if (!stack_.empty()) Stems(level, "vstem");
    std::string text(word);
    text += '(';
    for (int bit = 0; bit < stems_; ++bit) {
        const std::size_t byteAt = pos + static_cast<std::size_t>(bit / 8);
        const bool set = byteAt + 1 < bytes.size() &&
                         (static_cast<std::uint8_t>(bytes[byteAt]) & (0x80 >> (bit % 8))) != 0;
        text += bit ? "," : "";
        text += set ? '1' : '0';
    }
    Emit(text + ")");
    stack_.clear();
    std::size_t maskBytes = static_cast<std::size_t>((stems_ + 7) / 8);
    if (atLeastOneByte) maskBytes = std::max<std::size_t>(maskBytes, 1);
    pos = std::min(bytes.size(), pos + maskBytes);
}

void TPDFType1Decoder::Type2Translator::RMoveTo(Level& level) {
    TakeWidth(level, stack_.size() % 2 == 1);
    if (stack_.size() % 2 == 1) stack_.erase(stack_.begin());
    EmitCommand("rmoveto", {Arg(0), Arg(1)});
    stack_.clear();
}

void TPDFType1Decoder::Type2Translator::AlternatingLines(bool horizontal) {
    for (double value : stack_) {
        if (horizontal)
            EmitCommand("rlineto", {value, 0});
        else
            EmitCommand("rlineto", {0, value});
        horizontal = !horizontal;
    }
    stack_.clear();
}

// rrcurveto, rcurveline, rlinecurve, vvcurveto and hhcurveto.
void TPDFType1Decoder::Type2Translator::CurveRuns(int op) {
    const std::size_t n = stack_.size();
    std::size_t p = 0;
    auto curve = [&](std::string_view tag) {
        EmitCommand("rrcurveto", {Arg(p), Arg(p + 1), Arg(p + 2), Arg(p + 3), Arg(p + 4), Arg(p + 5)}, tag);
        p += 6;
    };
    switch (op) {
        case 8:
            while (n - p >= 6) curve("rr");
            stack_.erase(stack_.begin(), stack_.begin() + static_cast<std::ptrdiff_t>(p));
            return;
        case 24:
            while (n - p >= 8) curve("cl");
            if (n - p >= 2) EmitCommand("rlineto", {Arg(p), Arg(p + 1)}, "cl");
            break;
        case 25:
            while (n - p >= 8) {
                EmitCommand("rlineto", {Arg(p), Arg(p + 1)}, "lc");
                p += 2;
            }
            if (n - p >= 6) curve("lc");
            break;
        case 26: {
            double dx1 = n % 2 == 1 ? Arg(p++) : 0;
            for (; n - p >= 4; p += 4, dx1 = 0)
                EmitCommand("rrcurveto", {dx1, Arg(p), Arg(p + 1), Arg(p + 2), 0, Arg(p + 3)}, "vv");
            break;
        }
        default: {
            double dy1 = n % 2 == 1 ? Arg(p++) : 0;
            for (; n - p >= 4; p += 4, dy1 = 0)
                EmitCommand("rrcurveto", {Arg(p), dy1, Arg(p + 1), Arg(p + 2), Arg(p + 3), 0}, "hh");
            break;
        }
    }
    stack_.clear();
}

// vhcurveto and hvcurveto in their two argument forms; the optional last value belongs to the
// curve that leaves exactly one operand behind.
void TPDFType1Decoder::Type2Translator::AlternatingCurves(bool verticalStart) {
    const std::size_t n = stack_.size();
    std::size_t p = 0;
    auto take = [&](double out[4]) {
        for (int i = 0; i < 4; ++i) out[i] = Arg(p + static_cast<std::size_t>(i));
        const bool withLast = n - p == 5;
        const double last = withLast ? Arg(p + 4) : 0;
        p += withLast ? 5 : 4;
        return last;
    };
    double a[4];
    const bool firstForm = n >= 4 && (n - 4) % 8 <= 1;
    const bool secondForm = !firstForm && n % 8 <= 1;
    if (firstForm) {
        const double f = take(a);
        if (verticalStart)
            EmitCommand("rrcurveto", {0, a[0], a[1], a[2], a[3], f}, "vh1");
        else
            EmitCommand("rrcurveto", {a[0], 0, a[1], a[2], f, a[3]}, "hv1");
    }
    if (firstForm || secondForm) {
        // In the first form the curves after the first one start with the other direction.
        const bool pairStartsVertical = firstForm ? !verticalStart : verticalStart;
        const char* tags[2] = {firstForm ? (verticalStart ? "vh2" : "hv2") : (verticalStart ? "vh4" : "hv4"),
                               firstForm ? (verticalStart ? "vh3" : "hv3") : (verticalStart ? "vh5" : "hv5")};
        while (n - p >= 8) {
            take(a);
            if (pairStartsVertical)
                EmitCommand("rrcurveto", {0, a[0], a[1], a[2], a[3], 0}, tags[0]);
            else
                EmitCommand("rrcurveto", {a[0], 0, a[1], a[2], 0, a[3]}, tags[0]);
            const double f = take(a);
            if (pairStartsVertical)
                EmitCommand("rrcurveto", {a[0], 0, a[1], a[2], f, a[3]}, tags[1]);
            else
                EmitCommand("rrcurveto", {0, a[0], a[1], a[2], a[3], f}, tags[1]);
        }
    }
    stack_.clear();
}

void TPDFType1Decoder::Type2Translator::Flex(int op) {
    std::string text = "t2flex(";
    auto add = [&](std::initializer_list<double> values) {
        for (double value : values) text += CffNumber(value) + ",";
    };
    switch (op) {
        case 35:
            for (std::size_t i = 0; i < 12; ++i) add({Arg(i)});
            add({Arg(12)});
            break;
        case 34:
            add({Arg(0), 0, Arg(1), Arg(2), Arg(3), 0, Arg(4), 0, Arg(5), -Arg(2), Arg(6), 0, 50});
            break;
        case 36:
            add({Arg(0), Arg(1), Arg(2), Arg(3), Arg(4), 0, Arg(5), 0, Arg(6), Arg(7), Arg(8),
                 -(Arg(1) + Arg(3) + Arg(7)), 50});
            break;
        default: {
            double dx = 0, dy = 0;
            for (std::size_t i = 0; i < 10; i += 2) {
                dx += Arg(i);
                dy += Arg(i + 1);
                add({Arg(i), Arg(i + 1)});
            }
            if (std::fabs(dx) > std::fabs(dy))
                add({Arg(10), -dy, 50});
            else
                add({-dx, Arg(10), 50});
            break;
        }
    }
    text.back() = ')';
    Emit(text);
    stack_.clear();
}

void TPDFType1Decoder::Type2Translator::EscapeOperator(int op) {
    auto boolean = [](bool truth) { return truth ? 1.0 : 0.0; };
    switch (op) {
        case 3: { const double b = Pop(), a = Pop(); Push(boolean(a != 0 && b != 0)); break; }
        case 4: { const double b = Pop(), a = Pop(); Push(boolean(a != 0 || b != 0)); break; }
        case 5: Push(boolean(Pop() == 0)); break;
        case 9: Push(std::fabs(Pop())); break;
        case 10: { const double b = Pop(), a = Pop(); Push(a + b); break; }
        case 11: { const double b = Pop(), a = Pop(); Push(a - b); break; }
        case 12: { const double b = Pop(), a = Pop(); Push(b == 0 ? 0 : a / b); break; }
        case 14: Push(-Pop()); break;
        case 15: { const double b = Pop(), a = Pop(); Push(boolean(a == b)); break; }
        case 18: Pop(); break;
        case 20: {
            const double i = Pop(), value = Pop();
            if (i >= 0 && i < kCffTransientCount) transient_[static_cast<std::size_t>(i)] = value;
            break;
        }
        case 21: {
            const double i = Pop();
            if (i >= 0 && i < kCffTransientCount) Push(transient_[static_cast<std::size_t>(i)]);
            break;
        }
        case 22: {
            const double b = Pop(), a = Pop(), s2 = Pop(), s1 = Pop();
            Push(a > b ? s2 : s1);
            break;
        }
        case 23:
            randomState_ = randomState_ * 1664525u + 1013904223u;
            Push(((randomState_ >> 8) + 1) / 16777216.0);
            break;
        case 24: { const double b = Pop(), a = Pop(); Push(a * b); break; }
        case 26: { const double a = Pop(); Push(a < 0 ? 0 : std::sqrt(a)); break; }
        case 27: if (!stack_.empty()) Push(stack_.back()); break;
        case 28: if (stack_.size() >= 2) std::swap(stack_[stack_.size() - 1], stack_[stack_.size() - 2]); break;
        case 29: {
            const std::int64_t i = CffTruncate(Pop());
            if (stack_.empty()) Push(0);
            else if (i < 0) Push(stack_.back());
            else Push(i < static_cast<std::int64_t>(stack_.size()) ? stack_[stack_.size() - 1 - static_cast<std::size_t>(i)] : 0);
            break;
        }
        case 30: Roll(); break;
        case 34: case 35: case 36: case 37: Flex(op); break;
        default: break;
    }
}

// Rotates by j mod n in one step, whatever the size of j.
void TPDFType1Decoder::Type2Translator::Roll() {
    const std::int64_t j = CffTruncate(Pop());
    const std::int64_t n = CffTruncate(Pop());
    if (n <= 0 || n > static_cast<std::int64_t>(stack_.size())) return;
    const std::int64_t shift = ((j % n) + n) % n;
    const auto last = stack_.end();
    std::rotate(last - n, last - shift, last);
}

void TPDFType1Decoder::Type2Translator::CallSubr(bool global) {
    const std::int64_t number = CffTruncate(Pop());
    const TPDFType1Decoder& d = decoder_;
    const bool perDict = d.currentFontDict_ >= 0 &&
                         d.currentFontDict_ < static_cast<std::int32_t>(d.perDictSubroutines_.size());
    const int count = global    ? d.globalSubroutines_.GetCount()
                      : perDict ? d.perDictSubroutines_[static_cast<std::size_t>(d.currentFontDict_)]->GetCount()
                                : d.subroutines_.GetCount();
    const std::int64_t index = number + CffSubrBias(count);
    if (index < 0 || index >= count || callDepth_ >= kCffMaxCallDepth) return;
    const std::string subr = global ? decoder_.GetGlobalSubr(static_cast<std::int32_t>(index))
                                    : decoder_.GetLocalSubr(static_cast<std::int32_t>(index));
    ++callDepth_;
    Translate(subr);
    --callDepth_;
}

// endchar; with four operands an accented glyph, drawn one level deep only, so that a base
// glyph that is the glyph itself cannot recurse.
void TPDFType1Decoder::Type2Translator::EndChar() {
    if (stack_.size() >= 4 && seacAllowed_) {
        const std::size_t n = stack_.size();
        const double adx = stack_[n - 4], ady = stack_[n - 3];
        const std::int64_t baseCode = CffTruncate(stack_[n - 2]), accentCode = CffTruncate(stack_[n - 1]);
        stack_.clear();
        TGlyphNames names;
        GetEncodingGlyphNames(kStandardEncoding, names);
        auto nameOf = [&](std::int64_t code) {
            return code >= 0 && code <= 255 && names[static_cast<std::size_t>(code)] != ".notdef"
                       ? names[static_cast<std::size_t>(code)]
                       : std::string();
        };
        const std::string baseName = nameOf(baseCode), accentName = nameOf(accentCode);
        if (!baseName.empty() && !accentName.empty()) {
            seacAllowed_ = false;
            const int glyphStems = stems_;
            stems_ = 0;
            Translate(decoder_.GetCharString(baseName));
            EmitCommand("seac", {0, adx, ady});
            stems_ = 0;
            stack_.clear();
            Translate(decoder_.GetCharString(accentName));
            stems_ = glyphStems;
            seacAllowed_ = true;
        }
    }
    Emit("endchar");
    stack_.clear();
}

bool TPDFType1Decoder::BuildType2Commands(const std::string& glyphName) {
    commandList_.Clear();
    commandList_.Add("hsbw(0,0)");
    const std::string charString = GetCharString(glyphName);
    if (charString.empty()) return false;
    Type2Translator(*this).TranslateGlyph(charString);
    return true;
}

}  // namespace parch
