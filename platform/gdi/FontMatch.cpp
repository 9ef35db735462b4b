#include "platform/gdi/FontMatch.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <cctype>

#include "platform/os/FontFamilies.h"

namespace parch {

namespace {

bool SameAsciiText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

constexpr const char* kDefaultFamily = "Liberation Sans";

struct FamilyAlias {
    const char* windowsName;
    const char* family;
};

// Liberation shares the advance widths of Arial, Times New Roman and Courier New; the GUI
// faces of Windows (MS Sans Serif, Tahoma, Segoe UI) have no free twin and take the sans face
// closest in proportions. Verdana and DejaVu Sans share their ancestry in Bitstream Vera.
constexpr std::array kAliases = {
    FamilyAlias{"Arial", "Liberation Sans"},
    FamilyAlias{"Helvetica", "Liberation Sans"},
    FamilyAlias{"MS Sans Serif", "Liberation Sans"},
    FamilyAlias{"Microsoft Sans Serif", "Liberation Sans"},
    FamilyAlias{"MS Shell Dlg", "Liberation Sans"},
    FamilyAlias{"MS Shell Dlg 2", "Liberation Sans"},
    FamilyAlias{"Tahoma", "Liberation Sans"},
    FamilyAlias{"Segoe UI", "Liberation Sans"},
    FamilyAlias{"System", "Liberation Sans"},
    FamilyAlias{"Arial Narrow", "Nimbus Sans Narrow"},
    FamilyAlias{"Verdana", "DejaVu Sans"},
    FamilyAlias{"Times New Roman", "Liberation Serif"},
    FamilyAlias{"Times", "Liberation Serif"},
    FamilyAlias{"MS Serif", "Liberation Serif"},
    FamilyAlias{"Courier New", "Liberation Mono"},
    FamilyAlias{"Courier", "Liberation Mono"},
    FamilyAlias{"Lucida Console", "Liberation Mono"},
    FamilyAlias{"Consolas", "Liberation Mono"},
    FamilyAlias{"Fixedsys", "Liberation Mono"},
    FamilyAlias{"Terminal", "Liberation Mono"},
    FamilyAlias{"Symbol", "Standard Symbols PS"},
    FamilyAlias{"Book Antiqua", "P052"},
    FamilyAlias{"Palatino Linotype", "P052"},
    FamilyAlias{"Century Schoolbook", "C059"},
    FamilyAlias{"Bookman Old Style", "URW Bookman"},
};

int FontconfigWeight(int logfontWeight) {
    const int weight = logfontWeight <= 0 ? 400 : (logfontWeight > 1000 ? 1000 : logfontWeight);
    return FcWeightFromOpenType(weight);
}

std::string PatternString(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value) return {};
    return reinterpret_cast<const char*>(value);
}

int PatternInteger(FcPattern* pattern, const char* object, int fallback) {
    int value = 0;
    return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

}  // namespace

std::string MetricCompatibleFamily(std::string_view windowsFamily) {
    if (windowsFamily.empty() || SameAsciiText(windowsFamily, "Default")) return kDefaultFamily;
    for (const auto& alias : kAliases) {
        if (SameAsciiText(windowsFamily, alias.windowsName)) return alias.family;
    }
    return std::string(windowsFamily);
}

struct FontMatcher::Config {
    FcConfig* handle = nullptr;
    ~Config() {
        if (handle) FcConfigDestroy(handle);
    }
};

FontMatcher::FontMatcher() : config_(std::make_unique<Config>()) {}
FontMatcher::~FontMatcher() = default;

FontFile FontMatcher::Match(std::string_view windowsFamily, int weight, bool italic) {
    if (!config_->handle) config_->handle = SharedFontConfiguration();
    if (!config_->handle) return {};
    const std::string family = MetricCompatibleFamily(windowsFamily);
    bool named = false;
    FontFile found = MatchFamily(family, weight, italic, named);
    // fontconfig answers an unknown family with whatever it ranks first; a fixed default keeps
    // unknown names on the same face whatever else is installed.
    if (!found.path.empty() && !named && family != kDefaultFamily) {
        FontFile fallback = MatchFamily(kDefaultFamily, weight, italic, named);
        if (!fallback.path.empty() && named) return fallback;
    }
    return found;
}

FontFile FontMatcher::MatchFamily(const std::string& family, int weight, bool italic, bool& named) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FontconfigWeight(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config_->handle, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config_->handle, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return {};

    FontFile file;
    file.path = PatternString(match, FC_FILE);
    file.faceIndex = PatternInteger(match, FC_INDEX, 0);
    file.family = PatternString(match, FC_FAMILY);
    // A face may carry several family names ("DejaVu Sans" and "DejaVu Sans Light").
    named = false;
    FcChar8* name = nullptr;
    for (int i = 0; !named && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        named = SameAsciiText(reinterpret_cast<const char*>(name), family);
    const int foundWeight = PatternInteger(match, FC_WEIGHT, FC_WEIGHT_REGULAR);
    const int foundSlant = PatternInteger(match, FC_SLANT, FC_SLANT_ROMAN);
    file.synthesizeBold = weight >= 600 && foundWeight < FC_WEIGHT_DEMIBOLD;
    file.synthesizeItalic = italic && foundSlant == FC_SLANT_ROMAN;
    FcPatternDestroy(match);
    return file;
}

}  // namespace parch
