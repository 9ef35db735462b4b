#pragma once
// The record types of a loaded skin: pictures and borders masks (mask table), large JPEG
// textures (pattern table), sections (section table), the GLOBALINFO values and the indexes
// that controls need constantly.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/JPEGImage.h"
#include "platform/gdi/GdiTypes.h"
#include "skin/engine/sConst.h"

namespace parch {

class TsSkinManager;

// ImageKind values.
constexpr std::uint8_t ikBordersMask = 0;
constexpr std::uint8_t ikTexture = 1;
constexpr std::uint8_t ikPicture = 2;

struct TsMaskData {
    std::unique_ptr<TBitmap> Picture;  // nullptr: the master bitmap
    std::string SectionName;
    std::string KeyName;
    RECT SourceRect{0, 0, 0, 0};
    std::int16_t FrameCount = 0;
    std::int16_t ExtraBands = 0;
    std::int16_t CommonBorderWidth = 0;
    std::int16_t DrawFlags = 0;
    std::uint8_t ImageKind = ikBordersMask;
    TsSkinManager* OwnerManager = nullptr;
    std::int16_t LeftWidth = 0;
    std::int16_t TopWidth = 0;
    std::int16_t RightWidth = 0;
    std::int16_t BottomWidth = 0;
    std::int16_t CornerKind = 0;
};

struct TsPatternData {
    std::unique_ptr<TJPEGImage> Image;
    std::string SectionName;
    std::string KeyName;
};

struct TsGenState {
    std::uint32_t Color = 0;
    std::uint32_t FontColor = 0;
    std::uint32_t TCLeft = 0;
    std::uint32_t TCTop = 0;
    std::uint32_t TCRight = 0;
    std::uint32_t TCBottom = 0;
    std::int32_t GradientPercent = 0;
    std::string GradientData;
    TsGradArray GradientArray;
    std::int32_t ImagePercent = 0;
    std::uint32_t GlowColor = 0;
    std::uint8_t GlowSize = 0;
    std::int32_t Transparency = 0;
};
using TsProps = std::array<TsGenState, 2>;

struct TsGeneralData {
    std::string ParentSection;
    std::string SectionName;
    std::int32_t StateCount = 0;
    TsProps StateProps;
    bool GiveOwnFont = false;
    bool ReservedBoolean = false;
    bool ShowFocus = false;
    std::int32_t Glow = 0;
    std::int32_t GlowMargin = 0;
    std::int32_t BordersMaskIdx = -1;
    std::int32_t ImgTopLeftIdx = -1;
    std::int32_t ImgTopRightIdx = -1;
    std::int32_t ImgBottomLeftIdx = -1;
    std::int32_t ImgBottomRightIdx = -1;
    std::int32_t PatternIdx = -1;
    std::uint32_t Color = 0;
    std::int32_t Transparency = 0;
    std::int32_t GradientPercent = 0;
    std::string GradientData;
    TsGradArray GradientArray;
    std::int32_t ImagePercent = 0;
    std::uint32_t FontColor = 0;
    std::uint32_t TCLeft = 0, TCTop = 0, TCRight = 0, TCBottom = 0;
    std::uint32_t HotColor = 0;
    std::int32_t HotTransparency = 0;
    std::int32_t HotGradientPercent = 0;
    std::string HotGradientData;
    TsGradArray HotGradientArray;
    std::int32_t HotImagePercent = 0;
    std::uint32_t HotFontColor = 0;
    std::uint32_t HotTCLeft = 0, HotTCTop = 0, HotTCRight = 0, HotTCBottom = 0;
    bool FadingEnabled = false;
    std::int32_t FadingIterations = 0;
    std::uint32_t HotGlowColor = 0;
    std::uint32_t GlowColor = 0;
    std::uint8_t HotGlowSize = 0;
    std::uint8_t GlowSize = 0;
};

struct TsSkinData {
    std::string SkinFolder;
    bool SkinActive = false;
    double Version = 0;
    std::string Author;
    std::string Description;
    std::uint32_t Shadow1Color = 0;
    std::int16_t Shadow1Offset = 0, Shadow1Blur = 0, Shadow1Transparency = 0;
    std::int16_t BorderWidth = 0, TitleHeight = 0, MaxHeight = 0, FormOffset = 0;
    std::int16_t AlignOffset = 0, CenterOffset = 0, BorderMode = 0;
    std::uint32_t BorderColor = 0;
    std::int16_t BISpace = 0, BIVerticalAlign = 0, BIRight = 0, BILeft = 0, BITop = 0, BIKeepHueMode = 0;
    std::int16_t BIconCloseGlow = 0, BIconCloseGlowMargin = 0, BIconMaxGlow = 0, BIconMaxGlowMargin = 0;
    std::int16_t BIconMinGlow = 0, BIconMinGlowMargin = 0;
    bool AeroBlur = false;
    std::int32_t ExtShadow = 0;
};

struct TsSkinConstIndexes {
    std::int16_t GlobalInfo = -1;
    std::int16_t ExBorderMask = -1;
    std::array<std::int16_t, 4> TabSection{-1, -1, -1, -1};
    std::array<std::int16_t, 4> TabBorders{-1, -1, -1, -1};
    std::array<std::int16_t, 4> ScrollBtnSection{-1, -1, -1, -1};
    std::array<std::int16_t, 4> ScrollBtnBorders{-1, -1, -1, -1};
    std::array<std::int16_t, 4> ScrollBtnPattern{-1, -1, -1, -1};
    std::array<std::int16_t, 4> ScrollBtnHotPattern{-1, -1, -1, -1};
    std::array<std::int16_t, 4> ScrollBtnGlyph{-1, -1, -1, -1};
    std::array<std::int16_t, 2> SliderSection{-1, -1};
    std::array<std::int16_t, 2> SliderBorders{-1, -1};
    std::array<std::int16_t, 2> SliderGlyph{-1, -1};
    std::int16_t SliderHPattern = -1, SliderHHotPattern = -1, SliderVPattern = -1, SliderVHotPattern = -1;
    std::array<std::int16_t, 4> ScrollBarSection{-1, -1, -1, -1};
    std::array<std::int16_t, 4> ScrollBarBorders{-1, -1, -1, -1};
    std::array<std::int16_t, 4> ScrollBarPattern{-1, -1, -1, -1};
    std::array<std::int16_t, 4> ScrollBarHotPattern{-1, -1, -1, -1};
    std::array<std::int16_t, 9> CheckGlyph{-1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::int32_t ComboBtnSection = -1;
    std::int32_t ComboBtnBorders = -1;
    std::int32_t ComboBtnPattern = -1, ComboBtnHotPattern = -1;
    std::int32_t ComboBoxGlyph = -1;
    std::int32_t GripImage = -1, GripHorz = -1, GripVert = -1;
    std::int32_t WebButtonSection = -1;
};

}  // namespace parch
