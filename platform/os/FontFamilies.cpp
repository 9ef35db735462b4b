#include "platform/os/FontFamilies.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <optional>
#include <set>
#include <string_view>

namespace parch {
namespace {

// What a character set selects: every font, the symbol fonts, or the fonts of a language.
struct Selection {
    bool Everything = false;
    bool Symbol = false;
    const char* Language = nullptr;
};

std::optional<Selection> SelectionFor(std::uint8_t charset) {
    switch (charset) {
    case DEFAULT_CHARSET:
    case MAC_CHARSET:
    case OEM_CHARSET: return Selection{.Everything = true};
    case SYMBOL_CHARSET: return Selection{.Symbol = true};
    case ANSI_CHARSET: return Selection{.Language = "en"};
    case SHIFTJIS_CHARSET: return Selection{.Language = "ja"};
    case HANGEUL_CHARSET:
    case JOHAB_CHARSET: return Selection{.Language = "ko"};
    case GB2312_CHARSET: return Selection{.Language = "zh-cn"};
    case CHINESEBIG5_CHARSET: return Selection{.Language = "zh-tw"};
    case GREEK_CHARSET: return Selection{.Language = "el"};
    case TURKISH_CHARSET: return Selection{.Language = "tr"};
    case VIETNAMESE_CHARSET: return Selection{.Language = "vi"};
    case HEBREW_CHARSET: return Selection{.Language = "he"};
    case ARABIC_CHARSET: return Selection{.Language = "ar"};
    case BALTIC_CHARSET: return Selection{.Language = "lt"};
    case RUSSIAN_CHARSET: return Selection{.Language = "ru"};
    case THAI_CHARSET: return Selection{.Language = "th"};
    case EASTEUROPE_CHARSET: return Selection{.Language = "pl"};
    default: return std::nullopt;
    }
}

// Windows family names that documents ask for, and the metric-compatible families that stand
// in for them.
struct WindowsName {
    std::string_view Windows;
    std::string_view Compatible[3];
};
constexpr WindowsName kWindowsNames[] = {
    {"Arial", {"Liberation Sans", "Arimo", "Nimbus Sans"}},
    {"Times New Roman", {"Liberation Serif", "Tinos", "Nimbus Roman"}},
    {"Courier New", {"Liberation Mono", "Cousine", "Nimbus Mono PS"}},
};

std::string_view WindowsNameFor(std::string_view family) {
    for (const WindowsName& name : kWindowsNames)
        for (std::string_view compatible : name.Compatible)
            if (family == compatible) return name.Windows;
    return {};
}

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ConfigDeleter {
    void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};

// The family name in English when the font has one, else its first.
std::optional<std::string> EnglishFamily(FcPattern* font) {
    FcChar8* family = nullptr;
    FcChar8* language = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        if (FcPatternGetString(font, FC_FAMILYLANG, i, &language) == FcResultMatch &&
            std::string_view(reinterpret_cast<char*>(language)) == "en")
            return std::string(reinterpret_cast<char*>(family));
    if (FcPatternGetString(font, FC_FAMILY, 0, &family) != FcResultMatch) return std::nullopt;
    return std::string(reinterpret_cast<char*>(family));
}

bool Covers(FcPattern* font, const Selection& selection) {
    if (selection.Everything) return true;
    if (selection.Symbol) {
        FcBool symbol = FcFalse;
        return FcPatternGetBool(font, FC_SYMBOL, 0, &symbol) == FcResultMatch && symbol;
    }
    FcLangSet* languages = nullptr;
    if (FcPatternGetLangSet(font, FC_LANG, 0, &languages) != FcResultMatch) return false;
    return FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>(selection.Language)) ==
           FcLangEqual;
}

}  // namespace

std::vector<std::string> InstalledFontFamilies(std::uint8_t charset) {
    std::optional<Selection> selection = SelectionFor(charset);
    if (!selection) return {};
    // A configuration of our own, read now, so FONTCONFIG_FILE set before the call decides
    // which fonts are seen and nothing stays allocated afterwards.
    std::unique_ptr<FcConfig, ConfigDeleter> config(FcInitLoadConfigAndFonts());
    if (!config) return {};
    std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
    std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
        FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_LANG, FC_SYMBOL, nullptr));
    std::unique_ptr<FcFontSet, FontSetDeleter> fonts(
        FcFontList(config.get(), pattern.get(), objects.get()));
    std::vector<std::string> families;
    if (!fonts) return families;
    std::set<std::string, std::less<>> seen;
    auto add = [&](std::string_view family) {
        if (seen.emplace(family).second) families.emplace_back(family);
    };
    for (int i = 0; i < fonts->nfont; ++i) {
        FcPattern* font = fonts->fonts[i];
        if (!Covers(font, *selection)) continue;
        std::optional<std::string> family = EnglishFamily(font);
        if (!family) continue;
        add(*family);
        if (std::string_view windows = WindowsNameFor(*family); !windows.empty()) add(windows);
    }
    return families;
}

}  // namespace parch
