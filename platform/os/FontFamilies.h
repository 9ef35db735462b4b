#pragma once
// The installed font families, found through fontconfig, per Windows character set.

#include <cstdint>
#include <string>
#include <vector>

struct _FcConfig;

namespace parch {

// Windows character-set numbers that callers pass.
inline constexpr std::uint8_t ANSI_CHARSET = 0;
inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t SYMBOL_CHARSET = 2;
inline constexpr std::uint8_t MAC_CHARSET = 77;
inline constexpr std::uint8_t SHIFTJIS_CHARSET = 128;
inline constexpr std::uint8_t HANGEUL_CHARSET = 129;
inline constexpr std::uint8_t JOHAB_CHARSET = 130;
inline constexpr std::uint8_t GB2312_CHARSET = 134;
inline constexpr std::uint8_t CHINESEBIG5_CHARSET = 136;
inline constexpr std::uint8_t GREEK_CHARSET = 161;
inline constexpr std::uint8_t TURKISH_CHARSET = 162;
inline constexpr std::uint8_t VIETNAMESE_CHARSET = 163;
inline constexpr std::uint8_t HEBREW_CHARSET = 177;
inline constexpr std::uint8_t ARABIC_CHARSET = 178;
inline constexpr std::uint8_t BALTIC_CHARSET = 186;
inline constexpr std::uint8_t RUSSIAN_CHARSET = 204;
inline constexpr std::uint8_t THAI_CHARSET = 222;
inline constexpr std::uint8_t EASTEUROPE_CHARSET = 238;
inline constexpr std::uint8_t OEM_CHARSET = 255;

// The family names of the installed fonts that cover the character set, each once, in
// fontconfig's order (its styles and files count as one family). A character set stands for a
// language (SHIFTJIS_CHARSET for Japanese...); DEFAULT_CHARSET, MAC_CHARSET and OEM_CHARSET
// list every font, SYMBOL_CHARSET the symbol-encoded ones, an unknown set none. The
// metric-compatible families also answer to the Windows names ("Arial", "Times New Roman",
// "Courier New").
std::vector<std::string> InstalledFontFamilies(std::uint8_t charset);

// A new reference to the fontconfig configuration the process's font lookups share (the caller
// releases it with FcConfigDestroy), or nullptr without fontconfig. It is read on the first call,
// so FONTCONFIG_FILE set before that call decides which fonts are seen: reading the
// configuration files is most of the cost of a lookup.
_FcConfig* SharedFontConfiguration();

}  // namespace parch
