#pragma once
// Values and small types the whole skin engine shares.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace parch {

class TObject;
class TCanvas;
class TBitmap;

// The colour of skin pictures that is drawn transparent, and "no colour" in colour arguments.
constexpr std::uint32_t TransparentKey = 0xFF00FF;

// The window message through which skinned windows exchange skin commands.
constexpr unsigned SkinCommandMessage = 0xA100;

// Embedded resources of the engine: the internal skin's pack and the two form shadow pictures
// (active and inactive) used when a skin has no extended border of its own.
constexpr int kInternalSkinResource = 17101;
// The shadows are named raw-data resources of the program, as form descriptions name them.
constexpr const char* kActiveShadowResource = "acSHDA";
constexpr const char* kInactiveShadowResource = "acSHDI";
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

// The library's texts (dialogs, menus and editors of the skinned forms and controls), by use.
enum TacSkinText {
    stOK,
    stCancel,
    stHelp,
    stRestore,
    stMove,
    stSize,
    stMinimize,
    stMaximize,
    stClose,
    stCalculator,
    stFileOpen,
    stAvailableSkins,
    stInternal,
    stErrorSettingCount,
    stListboxNotVirtual,
    stInvalidDate,
    stAddToCustomColors,
    stDefineColors,
    stMainPalette,
    stAdditionalColors,
    stColorCaption,
    stRed,
    stGreen,
    stBlue,
    stDecimal,
    stHex,
    stFrameAdapterPlacement,
    stHintDesignerForm,
    stPreservedSettings,
    stStyle,
    stBevelWidth,
    stBlur,
    stArrowLength,
    stHorizMargin,
    stVertMargin,
    stCornersRadius,
    stMaxWidth,
    stPauseHide,
    stPercent,
    stOffset,
    stTransparency,
    stNoPicture,
    stFont,
    stTexture,
    stLoadFromFile,
    stSaveToFileAs,
    stColor,
    stTopBorder,
    stBottomBorder,
    stShadow,
    stBackground,
    stGradient,
    stHintPreview,
    stRoot,
    stSelectDirectory,
    stCreate,
    stSkinsDirectory,
    stSelectSkin,
    stSkinPreview,
    SkinTextCount
};
inline constexpr const char* acSkinTexts[SkinTextCount] = {
    "OK",
    "Cancel",
    "&Help",
    "Restore",
    "Move",
    "Size",
    "Minimize",
    "Maximize",
    "Close",
    "Calculator",
    "File open",
    "Available skins",
    "(internal)",
    "Error setting %s.Count",
    "Listbox (%s) style must be virtual in order to set Count",
    "Invalid date",
    "Add to custom colors set",
    "Define colors",
    "Main palette :",
    "Additional colors :",
    "Color",
    "Red :",
    "Green :",
    "Blue :",
    "Decimal - ",
    "Hex - ",
    "TsFrameAdapter adapter must be placed on the handled frame",
    "Hint Designer Form",
    "Preserved settings :",
    "Style :",
    "Bevel width",
    "Blur",
    "Arrow length",
    "Horiz. margin",
    "Vert. margin",
    "Corners radius",
    "Max width",
    "Pause hide (ms)",
    "Percent",
    "Offset",
    "Transparency",
    "No picture available",
    "Font",
    "Texture",
    "Load from file",
    "Save to file as...",
    "Color",
    "Top border",
    "Bottom border",
    "Shadow",
    "Background",
    "Gradient",
    "Preview of the future hint window",
    "Root :",
    "Select directory",
    "Create",
    "Directory with skins :",
    "Select skin",
    "Skin preview",
};
inline const char* SkinText(TacSkinText text) { return acSkinTexts[text]; }

inline constexpr const char* acFalse = "FALSE";
inline constexpr const char* acTrue = "TRUE";

enum TacAnimatEvent { aeMouseEnter, aeMouseLeave, aeMouseDown, aeMouseUp, aeGlobalDef };
using TacAnimatEvents = unsigned;  // a set of TacAnimatEvent, one bit each
enum TsHintStyle { hsSimply, hsComics, hsEllipse, hsBalloon, hsStandard, hsNone };
enum TsHintsPredefinitions {
    shSimply, shGradient, shTransparent, shEllipse, shBalloon, shComicsGradient, shComicsTransparent, shStandard,
    shNone, shCustom
};
enum TsDisabledGlyphKindItem { dgBlended, dgGrayed };
using TsDisabledGlyphKind = unsigned;  // a set of TsDisabledGlyphKindItem, one bit each
enum TsDisabledKindItem { dkBlended, dkGrayed };
using TsDisabledKind = unsigned;  // a set of TsDisabledKindItem, one bit each
enum TsCaptionLayout {
    sclLeft, sclTopLeft, sclTopCenter, sclTopRight, sclLeftTop, sclBottomLeft, sclBottomCenter, sclBottomRight
};
// The transparent corner rectangles of a form.
using TAOR = std::vector<RECT>;
// A folder path.
using TacRoot = std::string;
using TPaintEvent = std::function<void(TObject* sender, TCanvas& canvas)>;
using TBmpPaintEvent = std::function<void(TObject* sender, TBitmap& bitmap)>;

// The window system here is always of the NT family.
constexpr bool IsNTPlatform = true;

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
