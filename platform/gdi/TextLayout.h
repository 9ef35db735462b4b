#pragma once
// Line layout of DrawText: line breaks, word wrapping, tab stops, "&" prefixes and ellipses,
// computed from character advances alone so the drawing code only places finished lines.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/WinTypes.h"

namespace parch {

// DrawText format flags.
constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

struct TextLayoutLine {
    std::u32string text;          // what to draw: tabs become blanks, prefixes are gone
    std::vector<int> advances;    // one per character, tab stops included
    std::vector<bool> underlined; // characters marked by a "&" prefix
    int width = 0;
};

struct TextLayoutOptions {
    UINT format = 0;
    int maxWidth = 0;        // the rectangle's width, for word breaks and ellipses
    int tabWidth = 0;        // distance between tab stops in pixels
    std::function<int(char32_t)> advance;  // pixels, character spacing included
};

// The lines of the text in drawing order. Empty text gives no line.
std::vector<TextLayoutLine> LayoutText(std::u32string_view text, const TextLayoutOptions& options);

}  // namespace parch
