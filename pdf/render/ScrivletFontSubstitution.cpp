#include "pdf/render/ScrivletFontSubstitution.h"

#include <algorithm>
#include <array>

#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletFontConst.h"
#include "platform/os/FontFamilies.h"

namespace parch {

namespace {

struct FontSubstitutionRow {
    std::string_view Aliases;  // each alias followed by "*"
    TPDFStandardFontRow Row;
};

constexpr std::array kFontSubstitutionRows = {
    FontSubstitutionRow{"Courier*CourierNew*CourierNewPSMT*CourierNewPS*", {1, "CourierNew", 629, -157}},
    FontSubstitutionRow{"Courier-Bold*Courier,Bold*CourierNew-Bold*CourierNew,Bold*CourierNewPS,BoldMT*"
                        "CourierNewPS,Bold*CourierNewPS,BoldMT,Bold*",
                        {2, "CourierNew,Bold", 626, -142}},
    FontSubstitutionRow{"Courier-BoldOblique*Courier,BoldItalic*CourierNew-BoldItalic*CourierNew,BoldItalic*"
                        "CourierNewPS-BoldItalicMT*",
                        {3, "CourierNew,BoldItalic", 626, -142}},
    FontSubstitutionRow{"Courier-Oblique*Courier,Italic*CourierNew-Italic*CourierNew,Italic*"
                        "CourierNewPS-ItalicMT*CourierNewPS,ItalicMT,Italic*",
                        {4, "CourierNew,Italic", 629, -157}},
    FontSubstitutionRow{"Helvetica*Arial*ArialMT*HelveticaNeue-Roman*HelveticaNeue-UltraLight*Arial,BoldMT,Bold*",
                        {5, "Arial", 718, -207}},
    FontSubstitutionRow{"Helvetica-Bold*Helvetica,Bold*Arial-Bold*Arial,Bold*Arial-BoldMT*HelveticaNeue,Bold*",
                        {6, "Arial,Bold", 718, -207}},
    FontSubstitutionRow{"Helvetica-BoldOblique*Helvetica-BoldItalic*Helvetica,BoldItalic*Arial-BoldItalic*"
                        "Arial,BoldItalic*Arial-BoldItalicMT*",
                        {7, "Arial,BoldItalic", 718, -207}},
    FontSubstitutionRow{"Helvetica-Oblique*Helvetica-Italic*Helvetica,Italic*Arial-Italic*Arial,Italic*Arial-ItalicMT*",
                        {8, "Arial,Italic", 718, -207}},
    FontSubstitutionRow{"Times-Roman*TimesNewRoman*TimesNewRomanPS*TimesNewRomanPSMT*",
                        {9, "TimesNewRoman", 683, -217}},
    FontSubstitutionRow{"Times-Bold*TimesNewRoman-Bold*TimesNewRoman,Bold*TimesNewRomanPS-Bold*"
                        "TimesNewRomanPS-BoldMT*TimesNewRomanPS,Bold*TimesNewRomanPS,BoldMT*",
                        {10, "TimesNewRoman,Bold", 676, -205}},
    FontSubstitutionRow{"Times-Italic*TimesNewRoman-Italic*TimesNewRoman,Italic*TimesNewRomanPS-Italic*"
                        "TimesNewRomanPS-ItalicMT*",
                        {11, "TimesNewRoman,Italic", 683, -205}},
    FontSubstitutionRow{"Times-BoldItalic*TimesNewRoman-BoldItalic*TimesNewRoman,BoldItalic*"
                        "TimesNewRomanPS-BoldItalic*TimesNewRomanPS-BoldItalicMT*",
                        {12, "TimesNewRoman,BoldItalic", 699, -205}},
    FontSubstitutionRow{"Symbol*", {13, "Symbol", 699, -205}},
    FontSubstitutionRow{"ZapfDingbats*", {14, "ZapfDingbats", 699, -205}},
};

// Whole aliases only: a name that is merely the tail of an alias ("Bold", "Roman") names no
// standard font.
bool FontSubstitutionHasAlias(std::string_view aliases, std::string_view name) {
    while (!aliases.empty()) {
        const std::size_t star = aliases.find('*');
        if (aliases.substr(0, star) == name) return true;
        if (star == std::string_view::npos) break;
        aliases.remove_prefix(star + 1);
    }
    return false;
}

bool FontSubstitutionEndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string FontSubstitutionReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    return StringReplaceA(text, from, to, rfReplaceAll);
}

std::string FontSubstitutionWithoutBlanks(std::string_view text) {
    std::string result;
    for (char c : text)
        if (c != ' ') result += c;
    return result;
}

bool FontSubstitutionIsSubsetTag(std::string_view name) {
    if (name.size() <= 7 || name[6] != '+') return false;
    return std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; });
}

// Steps that turn a PostScript name into "Family,Style" form.
std::string FontSubstitutionRewriteName(std::string_view fontName) {
    std::string name(fontName);
    if (FontSubstitutionEndsWith(name, "MT")) name.resize(name.size() - 2);
    if (const std::size_t mt = name.find("MT-"); mt != std::string::npos) name.erase(mt, 3);

    if (FontSubstitutionIsSubsetTag(name)) name.erase(0, 7);
    if (const std::size_t plus = name.find('+'); plus != std::string::npos) name.resize(plus);

    name = FontSubstitutionReplaceAll(name, "-Bold", ",Bold");
    name = FontSubstitutionReplaceAll(name, "-Italic", ",Italic");
    name = FontSubstitutionReplaceAll(name, "-Oblique", ",Italic");
    name = FontSubstitutionReplaceAll(name, "-BoldItalic", ",BoldItalic");
    name = FontSubstitutionReplaceAll(name, "-BoldOblique", ",BoldItalic");
    name = FontSubstitutionReplaceAll(name, ",Bold,Bold", ",Bold");
    return name;
}

// Takes a final style suffix off the name.
bool FontSubstitutionTakeSuffix(std::string& name, std::string_view suffix) {
    if (!FontSubstitutionEndsWith(name, suffix)) return false;
    name.resize(name.size() - suffix.size());
    return true;
}

}  // namespace

const TPDFStandardFontRow* FindStandardFontRow(std::string_view fontName) {
    const TPDFStandardFontRow* found = nullptr;
    for (const FontSubstitutionRow& row : kFontSubstitutionRows)
        if (FontSubstitutionHasAlias(row.Aliases, fontName)) found = &row.Row;
    return found;
}

TPDFSubstitutedFont SubstituteFont(std::string_view fontName, int flags,
                                   const std::vector<std::string>& families) {
    std::string name = FontSubstitutionRewriteName(fontName);
    if (const TPDFStandardFontRow* row = FindStandardFontRow(name)) name = std::string(row->Target);

    TPDFSubstitutedFont style;
    if (FontSubstitutionTakeSuffix(name, ",Bold")) style.Bold = true;
    if (FontSubstitutionTakeSuffix(name, ",Italic")) style.Italic = true;
    if (FontSubstitutionTakeSuffix(name, ",BoldItalic")) style.Bold = style.Italic = true;

    for (const std::string& family : families) {
        const std::string compact = FontSubstitutionWithoutBlanks(family);
        if (family == name || compact == name) return {family, style.Bold, style.Italic};
        if (family + "Italic" == name || compact + "Italic" == name) return {family, style.Bold, true};
    }

    TPDFSubstitutedFont fallback{"Arial", false, (flags & kFontFlagItalic) != 0};
    if (flags & kFontFlagFixedPitch) fallback.Family = "Courier";
    if (flags & kFontFlagSerif) fallback.Family = "Times New Roman";
    return fallback;
}

std::vector<std::string> SubstitutionFamilies() {
    const TScrivletStringList& installed = GetFontFamilies(DEFAULT_CHARSET);
    std::vector<std::string> families;
    bool hasSymbol = false;
    bool hasDingbats = false;
    for (int i = 0; i < installed.GetCount(); ++i) {
        families.push_back(installed.Get(i));
        hasSymbol = hasSymbol || installed.Get(i) == OutlineFamilyFor("Symbol");
        hasDingbats = hasDingbats || installed.Get(i) == OutlineFamilyFor("ZapfDingbats");
    }
    // Windows always offers Symbol; here its stand-ins answer to the Windows names.
    if (hasSymbol) families.emplace_back("Symbol");
    if (hasDingbats) families.emplace_back("ZapfDingbats");
    std::sort(families.begin(), families.end(), [&installed](const std::string& a, const std::string& b) {
        return installed.CompareStrings(a, b) < 0;
    });
    families.erase(std::unique(families.begin(), families.end()), families.end());
    return families;
}

std::string_view OutlineFamilyFor(std::string_view family) {
    if (family == "Arial") return "Nimbus Sans";
    if (family == "Times New Roman") return "Nimbus Roman";
    if (family == "Courier New" || family == "Courier") return "Nimbus Mono PS";
    if (family == "Symbol") return "Standard Symbols PS";
    if (family == "ZapfDingbats") return "D050000L";
    if (family == "MS UI Gothic" || family == "MS Mincho") return "IPAGothic";
    return family;
}

}  // namespace parch
