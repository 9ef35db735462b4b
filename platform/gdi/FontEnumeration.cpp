#include "platform/gdi/FontEnumeration.h"

#include <fontconfig/fontconfig.h>

#include <cstring>
#include <memory>
#include <map>
#include <tuple>

#include "platform/gdi/DeviceContext.h"
#include "platform/os/FontFamilies.h"

namespace parch {
namespace fontenumeration {

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

std::string StringOf(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value) return {};
    return reinterpret_cast<const char*>(value);
}

int IntegerOf(FcPattern* pattern, const char* object, int fallback) {
    int value = 0;
    return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

// The installed faces, of one family when `family` is not empty.
std::vector<InstalledFace> ListFaces(const std::string& family) {
    std::vector<InstalledFace> faces;
    std::unique_ptr<FcConfig, ConfigDeleter> config(SharedFontConfiguration());
    if (!config) return faces;
    std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
    if (!family.empty()) FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
        FcObjectSetBuild(FC_FAMILY, FC_FONTFORMAT, FC_WEIGHT, FC_SLANT, nullptr));
    std::unique_ptr<FcFontSet, FontSetDeleter> set(FcFontList(config.get(), pattern.get(), objects.get()));
    if (!set) return faces;
    for (int i = 0; i < set->nfont; ++i) {
        FcPattern* p = set->fonts[i];
        InstalledFace face;
        face.family = StringOf(p, FC_FAMILY);
        face.format = StringOf(p, FC_FONTFORMAT);
        face.weight = static_cast<int>(FcWeightToOpenType(IntegerOf(p, FC_WEIGHT, FC_WEIGHT_REGULAR)));
        face.italic = IntegerOf(p, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
        if (!face.family.empty()) faces.push_back(std::move(face));
    }
    return faces;
}

int Report(const std::vector<InstalledFace>& faces, BYTE charset, FONTENUMPROC procedure, LPARAM data) {
    int answer = 1;
    for (const InstalledFace& face : faces) {
        LOGFONT font;
        const std::string name = FaceNameOf(face.family);
        std::memcpy(font.lfFaceName, name.c_str(), name.size() + 1);
        font.lfWeight = face.weight;
        font.lfItalic = face.italic ? 1 : 0;
        font.lfCharSet = charset == DEFAULT_CHARSET ? ANSI_CHARSET : charset;
        const DWORD type = FontTypeOfFormat(face.format);
        font.lfOutPrecision = type == TRUETYPE_FONTTYPE ? OUT_TT_PRECIS : OUT_DEFAULT_PRECIS;
        TEXTMETRIC metrics;
        metrics.tmWeight = face.weight;
        metrics.tmItalic = font.lfItalic;
        metrics.tmCharSet = font.lfCharSet;
        answer = procedure(&font, &metrics, type, data);
        if (answer == 0) break;
    }
    return answer;
}

}  // namespace fontenumeration

DWORD FontTypeOfFormat(const std::string& format) {
    if (format == "TrueType" || format == "CFF") return TRUETYPE_FONTTYPE;
    if (format == "Type 1" || format == "CID Type 1") return DEVICE_FONTTYPE;
    if (format == "PCF" || format == "BDF" || format == "Windows FNT" || format.empty()) return RASTER_FONTTYPE;
    return DEVICE_FONTTYPE;
}

std::string FaceNameOf(const std::string& family) {
    std::size_t length = std::min<std::size_t>(family.size(), LF_FACESIZE - 1);
    while (length > 0 && length < family.size() && (static_cast<unsigned char>(family[length]) & 0xC0) == 0x80) --length;
    return family.substr(0, length);
}

std::vector<InstalledFace> FacesToReport(const std::vector<InstalledFace>& faces, bool styles) {
    std::vector<InstalledFace> out;
    std::map<std::tuple<std::string, int, bool>, std::size_t> seen;
    for (const InstalledFace& face : faces) {
        InstalledFace cut = face;
        cut.family = FaceNameOf(face.family);
        auto key = styles ? std::make_tuple(cut.family, cut.weight, cut.italic) : std::make_tuple(cut.family, 0, false);
        auto [it, added] = seen.emplace(key, out.size());
        if (added) {
            out.push_back(std::move(cut));
        } else if (FontTypeOfFormat(cut.format) == TRUETYPE_FONTTYPE) {
            out[it->second].format = cut.format;  // a family with any outline face reports it
        }
    }
    return out;
}

int EnumFontFamilies(HDC dc, const char* family, FONTENUMPROC procedure, LPARAM data) {
    LOGFONT font;
    if (family) std::strncpy(font.lfFaceName, family, LF_FACESIZE - 1);
    return EnumFontFamiliesEx(dc, &font, procedure, data, 0);
}

int EnumFontFamiliesEx(HDC dc, const LOGFONT* font, FONTENUMPROC procedure, LPARAM data, DWORD) {
    if (!font || !procedure || !ResolveHandle(dc)) return 0;
    const std::string family(font->lfFaceName, strnlen(font->lfFaceName, LF_FACESIZE));
    const std::vector<InstalledFace> faces = fontenumeration::ListFaces(family);
    return fontenumeration::Report(FacesToReport(faces, !family.empty()), font->lfCharSet, procedure, data);
}

}  // namespace parch
