#include "skin/controls/acFontList.h"

#include <cstring>
#include <optional>

#include "base/Streams.h"
#include "base/SysUtils.h"
#include "framework/graphics/Bitmap.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontEnumeration.h"
#include "platform/win/Painting.h"
#include "resources/EmbeddedResources.h"

namespace parch {

namespace fontlist_detail {

constexpr std::array<const char*, 4> kTechnologyGlyphs = {"PS", "TTF", "RASTER", "UNKNOWN"};

int CollectFamily(const LOGFONT* font, const TEXTMETRIC*, DWORD fontType, LPARAM data) {
    AddFontFamily(*reinterpret_cast<TFontsArray*>(data), *font, fontType);
    return 1;  // every family is wanted
}

std::unique_ptr<TBitmap> LoadGlyph(const char* name) {
    auto bitmap = std::make_unique<TBitmap>();
    if (std::optional<std::string> bytes = ReadEmbeddedResource(name)) {
        TStringStream stream(std::move(*bytes));
        bitmap->LoadFromStream(stream);
    }
    return bitmap;
}

struct FontGlyphs {
    FontGlyphs() {
        for (size_t i = 0; i < kTechnologyGlyphs.size(); ++i) pictures[i] = LoadGlyph(kTechnologyGlyphs[i]);
    }
    std::array<std::unique_ptr<TBitmap>, 4> pictures;
};

}  // namespace fontlist_detail

using namespace fontlist_detail;

std::uint8_t FontTechnologyOf(DWORD fontType) {
    switch (fontType) {
        case RASTER_FONTTYPE: return ftRaster;
        case DEVICE_FONTTYPE: return ftDevice;
        case TRUETYPE_FONTTYPE: return ftTrueType;
        default: return ftOther;
    }
}

void AddFontFamily(TFontsArray& fonts, const LOGFONT& font, DWORD fontType) {
    std::string name(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE));
    if (name.empty() && !fonts.empty()) return;
    for (const TFontClass& listed : fonts)
        if (SameText(listed.Name, name)) return;
    fonts.push_back(TFontClass{std::move(name), FontTechnologyOf(fontType)});
}

TFontsArray EnumerateFontFamilies() {
    TFontsArray fonts;
    // The screen's context; without a display, a memory context lists the same fonts.
    if (HDC screen = GetDC(nullptr)) {
        EnumFontFamilies(screen, nullptr, &CollectFamily, reinterpret_cast<LPARAM>(&fonts));
        ReleaseDC(nullptr, screen);
    } else if (HDC memory = CreateCompatibleDC(nullptr)) {
        EnumFontFamilies(memory, nullptr, &CollectFamily, reinterpret_cast<LPARAM>(&fonts));
        DeleteDC(memory);
    }
    return fonts;
}

const TFontsArray& InstalledFonts() {
    static const TFontsArray fonts = EnumerateFontFamilies();
    return fonts;
}

TBitmap* FontTechnologyGlyph(int technology) {
    static const FontGlyphs glyphs;
    if (technology < 0 || technology >= static_cast<int>(glyphs.pictures.size())) return nullptr;
    return glyphs.pictures[static_cast<size_t>(technology)].get();
}

}  // namespace parch
