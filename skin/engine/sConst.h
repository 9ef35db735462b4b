#pragma once
// Values and small types the whole skin engine shares.

#include <cstdint>
#include <vector>

namespace parch {

// The colour of skin pictures that is drawn transparent, and "no colour" in colour arguments.
constexpr std::uint32_t TransparentKey = 0xFF00FF;

// The window message through which skinned windows exchange skin commands.
constexpr unsigned SkinCommandMessage = 0xA100;

// Embedded resources of the engine: the internal skin's pack and the two form shadow pictures
// (active and inactive) used when a skin has no extended border of its own.
constexpr int kInternalSkinResource = 17101;
constexpr int kActiveShadowResource = 17102;
constexpr int kInactiveShadowResource = 17103;
constexpr const char* kInternalSkinName = "Steelmoor (internal)";

// One stop of a multi-stop gradient; colours in the framework's layout (red in the low byte).
struct TsGradStop {
    std::uint32_t Color1 = 0;
    std::uint32_t Color2 = 0;
    std::uint8_t Percent = 0;
    std::int32_t Mode = 0;
    std::int32_t Reserved = 0;
};
using TsGradArray = std::vector<TsGradStop>;

}  // namespace parch

#include "framework/graphics/Bitmap.h"

namespace parch {

// What lies behind a rectangle being painted: when Valid, the pixels of Bmp at
// (X + x, Y + y) lie behind point (x, y); otherwise the colour Color does (0xFF00FF: unknown).
struct TsBackgroundSource {
    TBitmap* Bmp = nullptr;
    int X = 0;
    int Y = 0;
    std::uint32_t Color = TransparentKey;
    bool Valid = false;
};

// Nothing is known of the backdrop.
inline constexpr TsBackgroundSource EmptyBackdrop{};

// The question "what lies behind this rectangle" of skin command 34 and its answer. Kind: 0 not
// answered, 1 a colour in Color, 2 the bitmap Bmp at offset X, Y.
struct TsBackgroundRequest {
    TBitmap* Bmp = nullptr;
    std::uint32_t Color = TransparentKey;
    int X = 0;
    int Y = 0;
    RECT R{0, 0, 0, 0};
    std::uint8_t Kind = 0;
    std::uint8_t PaintIt = 0;
    HDC DC = nullptr;
};

}  // namespace parch
