#pragma once
// The font families installed on the system with their technology, and four small pictures of
// the technologies, for a font selector. Both are gathered once, on first use, and kept until
// the program ends.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/FontTypes.h"

namespace parch {

class TBitmap;

// The technology of a font family; it indexes the glyph table.
enum TFontTechnology : std::uint8_t { ftDevice = 0, ftTrueType = 1, ftRaster = 2, ftOther = 3 };

struct TFontClass {
    std::string Name;
    std::uint8_t FontType = ftOther;
};

using TFontsArray = std::vector<TFontClass>;

// The technology of an enumerated family's type flags; flags that combine several kinds are
// none of them.
std::uint8_t FontTechnologyOf(DWORD fontType);
// Adds one enumerated family to the list: its face name, unless a family of that name (without
// ASCII letter case) is listed already, or the name is empty and the list is not.
void AddFontFamily(TFontsArray& fonts, const LOGFONT& font, DWORD fontType);
// Every family the system reports on the screen, in the order reported.
TFontsArray EnumerateFontFamilies();

// The families of this system, gathered on first use.
const TFontsArray& InstalledFonts();
// The picture of a technology ("PS", "TTF", "RASTER", "UNKNOWN"); nullptr outside the table.
TBitmap* FontTechnologyGlyph(int technology);

}  // namespace parch
