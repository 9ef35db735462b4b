#pragma once
// Which installed font draws a font that the file does not embed: the standard-font table
// (aliases of the standard 14 fonts with their metrics) and the rewriting of a PostScript font
// name into an installed family and style.

#include <string>
#include <string_view>
#include <vector>

namespace parch {

struct TPDFStandardFontRow {
    int Number = 0;  // 1 to 14, the standard-font number of the glyph width tables
    std::string_view Target;
    double Ascent = 0;
    double Descent = 0;
};

// The row one of whose aliases is the name; the last such row when several are. Null when
// none is.
const TPDFStandardFontRow* FindStandardFontRow(std::string_view fontName);

// Font descriptor flags that substitution reads.
inline constexpr int kFontFlagFixedPitch = 1;
inline constexpr int kFontFlagSerif = 2;
inline constexpr int kFontFlagSymbolic = 4;
inline constexpr int kFontFlagItalic = 64;

struct TPDFSubstitutedFont {
    std::string Family;
    bool Bold = false;
    bool Italic = false;
    friend bool operator==(const TPDFSubstitutedFont&, const TPDFSubstitutedFont&) = default;
};

// The installed family and style that stand in for a font name, searched in `families` (the
// installed families, sorted); a name that no family matches falls back by the descriptor's
// flags.
TPDFSubstitutedFont SubstituteFont(std::string_view fontName, int flags,
                                   const std::vector<std::string>& families);

// The installed families that substitution searches: every installed family, sorted, plus the
// Windows names of the symbol fonts when their stand-ins are installed.
std::vector<std::string> SubstitutionFamilies();

// The family to open for a substituted Windows family: the URW fonts that share the metrics of
// Arial, Times New Roman, Courier New, Symbol and ZapfDingbats, and the installed Japanese
// gothic for the Windows Japanese families; other names unchanged.
std::string_view OutlineFamilyFor(std::string_view family);

}  // namespace parch
