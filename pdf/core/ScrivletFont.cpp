#include "pdf/core/ScrivletFont.h"

#include <algorithm>

#include "pdf/core/ScrivletFontConst.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch {

namespace {

// ZapfDingbats widths of codes 32 to 254 (the published core-font metrics).
constexpr std::int16_t kDingbatsWidths[223] = {
    278, 974, 961, 974, 980, 719, 789, 790, 791, 690, 960, 939, 549, 855, 911, 933,
    911, 945, 974, 755, 846, 762, 761, 571, 677, 763, 760, 759, 754, 494, 552, 537,
    577, 692, 786, 788, 788, 790, 793, 794, 816, 823, 789, 841, 823, 833, 816, 831,
    923, 744, 723, 749, 790, 792, 695, 776, 768, 792, 759, 707, 708, 682, 701, 826,
    815, 789, 789, 707, 687, 696, 689, 786, 787, 713, 791, 785, 791, 873, 761, 762,
    762, 759, 759, 892, 892, 788, 784, 438, 138, 277, 415, 392, 392, 668, 668, 0,
    390, 390, 317, 317, 276, 276, 509, 509, 410, 410, 234, 234, 334, 334, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 732, 544, 544, 910, 667, 760, 760, 776, 595, 694, 626, 788, 788, 788, 788,
    788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788,
    788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788,
    788, 788, 788, 788, 894, 838, 1016, 458, 748, 924, 748, 918, 927, 928, 928, 834,
    873, 828, 924, 924, 917, 930, 931, 463, 883, 836, 836, 867, 867, 696, 696, 874,
    0, 874, 760, 946, 771, 865, 771, 888, 967, 888, 831, 873, 927, 970, 918,
};

struct TStandardMetrics {
    std::int32_t Ascent, Descent, Left, Bottom, Right, Top;
};

constexpr TStandardMetrics kMetrics[14] = {
    {629, -157, -28, -250, 628, 805},   {626, -142, -113, -250, 749, 801},
    {626, -142, -56, -250, 868, 801},   {629, -157, -28, -250, 742, 805},
    {718, -207, -166, -225, 1000, 931}, {718, -207, -170, -228, 1003, 962},
    {718, -207, -174, -228, 1114, 962}, {718, -207, -170, -225, 1116, 931},
    {683, -217, -168, -218, 1000, 898}, {676, -205, -168, -218, 1000, 935},
    {683, -205, -169, -217, 1010, 883}, {699, -205, -200, -218, 996, 921},
    {699, -205, -180, -293, 1090, 1010}, {699, -205, -180, -293, 1090, 1010}};

std::int16_t LatinCode(const TLatinGlyph& glyph, int column) {
    switch (column) {
        case 0: return glyph.StandardCode;
        case 1: return glyph.MacRomanCode;
        case 2: return glyph.WinAnsiCode;
        default: return glyph.PDFDocCode;
    }
}

}  // namespace

TPDFFont::TPDFFont(TPDFStructure* structure, std::string resourceName)
    : Structure(structure), ResourceName(std::move(resourceName)),
      UnicodeMap(std::make_unique<TScrivletCMap>()) {}

TWidthsArray SymbolicWidths(int number) {
    TWidthsArray widths(223, 0);
    if (number == kSymbolFont) {
        for (const TSymbolGlyph& glyph : SymbolGlyphs())
            if (glyph.Code >= 32 && glyph.Code <= 254) widths[glyph.Code - 32] = glyph.Width;
    } else if (number == kZapfDingbatsFont) {
        std::copy(std::begin(kDingbatsWidths), std::end(kDingbatsWidths), widths.begin());
    }
    return widths;
}

TWidthsArray StandardWidths(int encodingType, int number) {
    if (number == kSymbolFont || number == kZapfDingbatsFont) {
        TWidthsArray widths(232, 0);
        const TWidthsArray symbolic = SymbolicWidths(number);
        std::copy(symbolic.begin(), symbolic.end(), widths.begin() + (32 - 24));
        return widths;
    }
    TWidthsArray widths(232, 0);
    if (number < 1 || number > 12) return widths;
    const auto glyphs = LatinGlyphs();
    for (int code = 24; code <= 255; ++code) {
        int lookedUp = code;
        if ((code == 160 && encodingType == 2) || (code == 202 && encodingType == 1)) lookedUp = 32;
        for (std::size_t i = 0; i < glyphs.size(); ++i)
            if (LatinCode(glyphs[i], encodingType) == lookedUp) widths[code - 24] = LatinGlyphWidth(i, number);
    }
    return widths;
}

void TPDFFont::SetEncoding(const std::string& encodingName, const TPDFArray* differences) {
    UnicodeMap = std::make_unique<TScrivletCMap>();
    char16_t unicodes[256] = {};
    int lowest = 256;
    int highest = -1;
    const int column = encodingName == "MacRomanEncoding" ? 1 : 2;
    auto note = [&](int code) {
        lowest = std::min(lowest, code);
        highest = std::max(highest, code);
    };
    for (const TLatinGlyph& glyph : LatinGlyphs()) {
        const int code = LatinCode(glyph, column);
        if (code < 0 || code > 255) continue;
        unicodes[code] = glyph.Unicode;
        note(code);
    }
    if (differences) {
        int code = 0;
        for (int i = 0; i < differences->GetCount(); ++i) {
            const TPDFObject* item = differences->GetItem(i);
            if (item->Kind == kPDFKindNumeric) {
                code = static_cast<int>(static_cast<const TPDFNumeric*>(item)->GetInteger());
            } else if (item->Kind == kPDFKindName) {
                if (code >= 0 && code <= 255) {
                    unicodes[code] = GlyphNameToUnicode(static_cast<const TPDFName*>(item)->NameBytes);
                    note(code);
                }
                ++code;
            }
        }
    }
    if (highest < 0) return;
    UnicodeMap->AddCodeSpaceRange(lowest, highest, 1);
    for (int code = 0; code < 256; ++code)
        if (unicodes[code] != 0)
            UnicodeMap->AddMapping(2, unicodes[code], {static_cast<std::uint8_t>(code)});
}

void TPDFFont::MakeStandardFont(const std::string& baseFontName, int number) {
    BaseFontName = baseFontName;
    Dictionary = Structure->NewDictionary();
    Dictionary->SetValue("Type", Structure->GetCommonName("Font"));
    Dictionary->SetValue("Subtype", Structure->GetCommonName("Type1"));
    Dictionary->SetValue("BaseFont", Structure->GetCommonName(baseFontName));
    UnicodeMap = std::make_unique<TScrivletCMap>();
    if (baseFontName == "Symbol" || baseFontName == "ZapfDingbats") {
        FirstChar = 32;
        LastChar = 254;
        Widths = SymbolicWidths(number);
        UnicodeMap->AddCodeSpaceRange(32, 254, 1);
        if (baseFontName == "Symbol") {
            for (const TSymbolGlyph& glyph : SymbolGlyphs())
                UnicodeMap->AddMapping(2, glyph.Unicode, {glyph.Code});
        } else {
            for (int code = 32; code <= 254; ++code)
                UnicodeMap->AddMapping(2, static_cast<std::uint32_t>(code), {static_cast<std::uint8_t>(code)});
        }
    } else {
        Dictionary->SetValue("Encoding", Structure->GetCommonName("WinAnsiEncoding"));
        FirstChar = 24;
        LastChar = 255;
        Widths = StandardWidths(2, number);
        SetEncoding("WinAnsiEncoding", nullptr);
    }
    if (number >= 1 && number <= 14) {
        const TStandardMetrics& m = kMetrics[number - 1];
        Ascent = m.Ascent;
        Descent = m.Descent;
        BBoxLeft = m.Left;
        BBoxTop = m.Top;
        BBoxRight = m.Right;
        BBoxBottom = m.Bottom;
    }
    std::int32_t objectNumber = 0;
    std::int32_t generation = 0;
    if (Structure->OnNewIndirectObject) Structure->OnNewIndirectObject(nullptr, Dictionary, objectNumber, generation);
    Reference = Structure->NewIndRef(objectNumber, generation);
    Registered = true;
}

}  // namespace parch
