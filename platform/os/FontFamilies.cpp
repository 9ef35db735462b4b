#include "platform/os/FontFamilies.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "platform/os/SharedLibrary.h"

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

// fontconfig, loaded when fonts are first listed; every member nullptr when it cannot be.
struct FontconfigFunctions {
    decltype(&FcInitLoadConfigAndFonts) InitLoadConfigAndFonts = nullptr;
    decltype(&FcConfigReference) ConfigReference = nullptr;
    decltype(&FcConfigDestroy) ConfigDestroy = nullptr;
    decltype(&FcPatternCreate) PatternCreate = nullptr;
    decltype(&FcPatternDestroy) PatternDestroy = nullptr;
    decltype(&FcObjectSetBuild) ObjectSetBuild = nullptr;
    decltype(&FcObjectSetDestroy) ObjectSetDestroy = nullptr;
    decltype(&FcFontList) FontList = nullptr;
    decltype(&FcFontSetDestroy) FontSetDestroy = nullptr;
    decltype(&FcPatternGetString) PatternGetString = nullptr;
    decltype(&FcPatternGetBool) PatternGetBool = nullptr;
    decltype(&FcPatternGetLangSet) PatternGetLangSet = nullptr;
    decltype(&FcLangSetHasLang) LangSetHasLang = nullptr;

    bool Complete() const {
        return InitLoadConfigAndFonts && ConfigReference && ConfigDestroy && PatternCreate && PatternDestroy && ObjectSetBuild &&
               ObjectSetDestroy && FontList && FontSetDestroy && PatternGetString && PatternGetBool &&
               PatternGetLangSet && LangSetHasLang;
    }
};

FontconfigFunctions LoadFontconfig() {
    FontconfigFunctions f;
    void* library = OpenSharedLibrary("libfontconfig.so.1");
    if (!library) return f;
#define PARCH_FONTCONFIG(name) f.name = SharedLibraryFunction<decltype(Fc##name)>(library, "Fc" #name)
    PARCH_FONTCONFIG(InitLoadConfigAndFonts);
    PARCH_FONTCONFIG(ConfigReference);
    PARCH_FONTCONFIG(ConfigDestroy);
    PARCH_FONTCONFIG(PatternCreate);
    PARCH_FONTCONFIG(PatternDestroy);
    PARCH_FONTCONFIG(ObjectSetBuild);
    PARCH_FONTCONFIG(ObjectSetDestroy);
    PARCH_FONTCONFIG(FontList);
    PARCH_FONTCONFIG(FontSetDestroy);
    PARCH_FONTCONFIG(PatternGetString);
    PARCH_FONTCONFIG(PatternGetBool);
    PARCH_FONTCONFIG(PatternGetLangSet);
    PARCH_FONTCONFIG(LangSetHasLang);
#undef PARCH_FONTCONFIG
    return f.Complete() ? f : FontconfigFunctions{};
}

const FontconfigFunctions& Fontconfig() {
    static const FontconfigFunctions functions = LoadFontconfig();
    return functions;
}

// The configuration every font lookup of the process shares, read on its first use and released
// when the process ends, so nothing of it outlives the program (fontconfig's own default
// configuration would stay allocated to the end).
class SharedConfiguration {
public:
    SharedConfiguration() : config_(Fontconfig().Complete() ? Fontconfig().InitLoadConfigAndFonts() : nullptr) {}
    ~SharedConfiguration() {
        if (config_) Fontconfig().ConfigDestroy(config_);
    }
    SharedConfiguration(const SharedConfiguration&) = delete;
    SharedConfiguration& operator=(const SharedConfiguration&) = delete;

    FcConfig* NewReference() const { return config_ ? Fontconfig().ConfigReference(config_) : nullptr; }

private:
    FcConfig* config_;
};

struct PatternDeleter {
    void operator()(FcPattern* p) const { Fontconfig().PatternDestroy(p); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* s) const { Fontconfig().ObjectSetDestroy(s); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* s) const { Fontconfig().FontSetDestroy(s); }
};
struct ConfigDeleter {
    void operator()(FcConfig* c) const { Fontconfig().ConfigDestroy(c); }
};

// The family name in English when the font has one, else its first.
std::optional<std::string> EnglishFamily(FcPattern* font) {
    FcChar8* family = nullptr;
    FcChar8* language = nullptr;
    for (int i = 0; Fontconfig().PatternGetString(font, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        if (Fontconfig().PatternGetString(font, FC_FAMILYLANG, i, &language) == FcResultMatch &&
            std::string_view(reinterpret_cast<char*>(language)) == "en")
            return std::string(reinterpret_cast<char*>(family));
    if (Fontconfig().PatternGetString(font, FC_FAMILY, 0, &family) != FcResultMatch) return std::nullopt;
    return std::string(reinterpret_cast<char*>(family));
}

bool Covers(FcPattern* font, const Selection& selection) {
    if (selection.Everything) return true;
    if (selection.Symbol) {
        FcBool symbol = FcFalse;
        return Fontconfig().PatternGetBool(font, FC_SYMBOL, 0, &symbol) == FcResultMatch && symbol;
    }
    FcLangSet* languages = nullptr;
    if (Fontconfig().PatternGetLangSet(font, FC_LANG, 0, &languages) != FcResultMatch) return false;
    return Fontconfig().LangSetHasLang(languages, reinterpret_cast<const FcChar8*>(selection.Language)) ==
           FcLangEqual;
}

}  // namespace

std::vector<std::string> InstalledFontFamilies(std::uint8_t charset) {
    std::optional<Selection> selection = SelectionFor(charset);
    if (!selection) return {};
    std::unique_ptr<FcConfig, ConfigDeleter> config(SharedFontConfiguration());
    if (!config) return {};
    std::unique_ptr<FcPattern, PatternDeleter> pattern(Fontconfig().PatternCreate());
    std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
        Fontconfig().ObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_LANG, FC_SYMBOL, nullptr));
    std::unique_ptr<FcFontSet, FontSetDeleter> fonts(
        Fontconfig().FontList(config.get(), pattern.get(), objects.get()));
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

FcConfig* SharedFontConfiguration() {
    static const SharedConfiguration shared;
    return shared.NewReference();
}

}  // namespace parch
