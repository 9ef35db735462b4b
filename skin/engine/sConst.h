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

enum TacAnimType { atFading, atAero };

enum TacBtnEvent { beMouseEnter, beMouseLeave, beMouseDown, beMouseUp };
// A set of TacBtnEvent, one bit per event.
using TacBtnEvents = unsigned;
constexpr TacBtnEvents BtnEventBit(TacBtnEvent event) { return 1u << event; }
constexpr TacBtnEvents AllBtnEvents = 0xF;

// The kinds of foreign controls the manager skins as its own, in the order of its class lists,
// and the class list each kind starts with.
constexpr int ThirdPartyKindCount = 20;
inline constexpr const char* acThirdNames[ThirdPartyKindCount] = {
    "Edit",     "Button",      "BitBtn",     "CheckBox", "ComboBox",    "Grid",          "GroupBox",
    "ListView", "Panel",       "TreeView",   "wwEdit",   "GridEh",      "VirtualTree",   "PageControl",
    "TabControl", "ToolBar",   "StatusBar",  "SpeedButton", "ScrollControl", "UpDownBtn"};
inline constexpr const char* acThirdDefaults[ThirdPartyKindCount] = {
    " ", "TButton", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " "};

}  // namespace parch
