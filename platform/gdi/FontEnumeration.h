#pragma once
// EnumFontFamilies and EnumFontFamiliesEx over the installed fonts (fontconfig): one call per
// family, or per style of a named family. TrueType and OpenType fonts report
// TRUETYPE_FONTTYPE, Type 1 fonts DEVICE_FONTTYPE, bitmap fonts RASTER_FONTTYPE.

#include <string>
#include <vector>

#include "platform/gdi/FontTypes.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

constexpr DWORD RASTER_FONTTYPE = 0x0001;
constexpr DWORD DEVICE_FONTTYPE = 0x0002;
constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;

using FONTENUMPROC = int (*)(const LOGFONT* font, const TEXTMETRIC* metrics, DWORD fontType, LPARAM data);

// Stops when the procedure returns 0 and returns its last answer (1 when it was never called).
int EnumFontFamilies(HDC dc, const char* family, FONTENUMPROC procedure, LPARAM data);
// An empty lfFaceName lists every family; a name lists that family's styles.
int EnumFontFamiliesEx(HDC dc, const LOGFONT* font, FONTENUMPROC procedure, LPARAM data, DWORD flags);

// One installed face as fontconfig describes it.
struct InstalledFace {
    std::string family;
    std::string format;  // fontconfig's font format: "TrueType", "CFF", "Type 1", "PCF"...
    int weight = FW_NORMAL;
    bool italic = false;
};

DWORD FontTypeOfFormat(const std::string& format);
// A face name as LOGFONT holds it: at most LF_FACESIZE - 1 bytes, cut at a character boundary.
std::string FaceNameOf(const std::string& family);
// The calls to make: one per family (styles == false) or per distinct style, faces whose
// names are equal after the cut counted once, in the order first seen; a family with a
// TrueType or OpenType face reports that format.
std::vector<InstalledFace> FacesToReport(const std::vector<InstalledFace>& faces, bool styles);

}  // namespace parch
