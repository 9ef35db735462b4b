#include <gtest/gtest.h>

#include "base/SysUtils.h"
#include "skin/engine/sGradient.h"
#include "skin/engine/sSkinReader.h"
#include "tests/skin/engine/SkinFixtures.h"

namespace parch {
namespace {

// Reads the skin text with a 198 x 350 master bitmap (and any further files) in a fresh folder.
class SkinText {
public:
    explicit SkinText(const std::string& text, std::vector<std::pair<std::string, std::string>> files = {})
        : ini_(text), files_(dir_.Path()) {
        dir_.Write("Master.bmp", test::MakeBmp(198, 350));
        for (const auto& [name, bytes] : files) dir_.Write(name, bytes);
        context_.Ini = &ini_;
        context_.Files = &files_;
    }
    TsSkinTables Read() const { return ReadSkinTables(context_); }
    const TMemIniFile& Ini() const { return ini_; }

private:
    test::ScratchDir dir_;
    TMemIniFile ini_;
    TsFolderFiles files_;
    TsSkinReadContext context_;
};

const TsMaskData& MaskOf(const TsSkinTables& tables, const std::string& section, const std::string& key) {
    int index = FindOwnMaskIndex(tables, section, key);
    if (index < 0) throw Exception("no mask " + section + "/" + key);
    return tables.Masks[static_cast<size_t>(index)];
}

std::string WithVersion(const char* version, const std::string& sections) {
    return std::string("[GLOBALINFO]\nMASTERBITMAP=Master.bmp\nVERSION=") + version + "\n" + sections;
}

struct MaskExpectation {
    const char* value;
    RECT rect;
    int frameCount, extraBands, frameWidth, bandHeight;
    int left, top, right, bottom;
    int drawFlags, commonWidth, imageKind;
};

// The image value forms at their fixed positions, with the frame and band geometry they give.
TEST(SkinImageValues, FixedPositionFormsGiveTheirEntries) {
    const MaskExpectation cases[] = {
        {"^0132^0000^0144^0021^0003^0003^0003^0009^1^0^1^1", {132, 0, 144, 21}, 1, 0, 12, 21, 3, 3, 3, 9, 1, 1, ikBordersMask},
        {"@0108@0114@0165@0148@3@1", {108, 114, 165, 148}, 3, 1, 19, 17, 0, 0, 0, 0, 0, 0, ikPicture},
        {"~0000~0274~0126~0331~00~0", {0, 274, 126, 331}, 1, 0, 126, 57, 0, 0, 0, 0, 0, 0, ikTexture},
        {"~0000~0274~0126~0331~00", {0, 274, 126, 331}, 1, 0, 126, 57, 0, 0, 0, 0, 0, 0, ikTexture},
        {"^0126^0298^0198^0331^0000^0000^0000^0000^1^0^1^2", {126, 298, 198, 331}, 1, 0, 72, 33, 2, 2, 2, 2, 1, 2, ikBordersMask},
        {"^0000^0000^0060^0030^0000^0000^0000^0000^2^1^0^0", {0, 0, 60, 30}, 2, 1, 30, 15, 10, 5, 10, 5, 0, 0, ikBordersMask},
        {"X#free (10, 20, 40, 50) (3, 1, 0, 4)", {10, 20, 40, 50}, 3, 1, 10, 15, 3, 5, 3, 5, 4, 0, ikBordersMask},
    };
    for (const MaskExpectation& c : cases) {
        SCOPED_TRACE(c.value);
        SkinText skin(WithVersion("7.50", std::string("[S]\nIMG=") + c.value + "\n"));
        TsSkinTables tables = skin.Read();
        ASSERT_EQ(tables.Masks.size(), 1u);
        const TsMaskData& mask = tables.Masks[0];
        EXPECT_EQ(mask.SectionName, "S");
        EXPECT_EQ(mask.KeyName, "IMG");
        EXPECT_EQ(mask.SourceRect.left, c.rect.left);
        EXPECT_EQ(mask.SourceRect.top, c.rect.top);
        EXPECT_EQ(mask.SourceRect.right, c.rect.right);
        EXPECT_EQ(mask.SourceRect.bottom, c.rect.bottom);
        EXPECT_EQ(mask.FrameCount, c.frameCount);
        EXPECT_EQ(mask.ExtraBands, c.extraBands);
        EXPECT_EQ(MaskFrameWidth(mask), c.frameWidth);
        EXPECT_EQ(MaskStateHeight(mask), c.bandHeight);
        EXPECT_EQ(mask.LeftWidth, c.left);
        EXPECT_EQ(mask.TopWidth, c.top);
        EXPECT_EQ(mask.RightWidth, c.right);
        EXPECT_EQ(mask.BottomWidth, c.bottom);
        EXPECT_EQ(mask.DrawFlags, c.drawFlags);
        EXPECT_EQ(mask.CommonBorderWidth, c.commonWidth);
        EXPECT_EQ(mask.ImageKind, c.imageKind);
        EXPECT_EQ(mask.Picture, nullptr);
    }
}

// Skins older than 7.4 stretch a banded mask only when its centre is one pixel.
TEST(SkinImageValues, OldSkinsRepairTheDrawModeOfBandedMasks) {
    const std::string sections =
        "[SPEEDBUTTON]\nBORDERSMASK=^0000^0000^0108^0060^0017^0016^0017^0013^3^1^1^1\n"
        "[BUTTON]\nBORDERSMASK=^0126^0232^0156^0254^0004^0005^0005^0005^3^1^1^1\n";
    TsSkinTables old = SkinText(WithVersion("7.20", sections)).Read();
    EXPECT_EQ(MaskOf(old, "SPEEDBUTTON", "BORDERSMASK").DrawFlags, 0);
    EXPECT_EQ(MaskOf(old, "BUTTON", "BORDERSMASK").DrawFlags, 1);
    TsSkinTables current = SkinText(WithVersion("7.50", sections)).Read();
    EXPECT_EQ(MaskOf(current, "SPEEDBUTTON", "BORDERSMASK").DrawFlags, 1);
    EXPECT_EQ(MaskOf(current, "BUTTON", "BORDERSMASK").DrawFlags, 1);
}

TEST(SkinImageValues, PicturesFromTheirOwnFiles) {
    SkinText skin(WithVersion("7.50",
                              "[BUTTON_HUGE]\nBORDERSMASK=!BUTTONHUGE.BMP!3!1!0!0047!0047!0047!0047!0\n"
                              "[SELECTION]\nBORDERSMASK=N/A\n"
                              "[MISSING]\nBORDERSMASK=!NOWHERE.BMP!1!0!0\n"),
                  {{"ButtonHuge.bmp", test::MakeBmp(288, 192)}});
    TsSkinTables tables = skin.Read();
    const TsMaskData& huge = MaskOf(tables, "BUTTON_HUGE", "BORDERSMASK");
    ASSERT_NE(huge.Picture, nullptr);
    EXPECT_EQ(huge.Picture->PixelFormat(), pf32bit);
    EXPECT_EQ(huge.Picture->ScanLine(0)[3], 255);
    EXPECT_EQ(MaskFrameWidth(huge), 96);
    EXPECT_EQ(MaskStateHeight(huge), 96);
    EXPECT_EQ(huge.LeftWidth, 47);
    EXPECT_EQ(huge.DrawFlags, 0);
    EXPECT_EQ(huge.CornerKind, 2);
    EXPECT_EQ(FindOwnMaskIndex(tables, "SELECTION", "BORDERSMASK"), -1);
    EXPECT_EQ(FindOwnMaskIndex(tables, "MISSING", "BORDERSMASK"), -1);
    // The master bitmap becomes 32 bits with opaque alpha.
    ASSERT_NE(tables.MasterBitmap, nullptr);
    EXPECT_EQ(tables.MasterBitmap->Width(), 198);
    EXPECT_EQ(tables.MasterBitmap->PixelFormat(), pf32bit);
    EXPECT_EQ(tables.MasterBitmap->ScanLine(349)[197 * 4 + 3], 255);
}

TEST(SkinImageValues, NamesThatLeaveTheSkinFolderNameNothing) {
    test::ScratchDir outside;
    outside.Write("Secret.bmp", test::MakeBmp(9, 6));
    std::string relative = "../" + std::filesystem::path(outside.Path()).parent_path().filename().string() + "/Secret.bmp";
    SkinText skin(WithVersion("7.50", "[A]\nUP=" + relative + "\nABS=" + outside.Path() + "Secret.bmp\nDRIVE=c:\\Secret.bmp\n"));
    EXPECT_TRUE(skin.Read().Masks.empty());
}

TEST(SkinImageValues, FileNamesUseBackslashesAndIgnoreLetterCase) {
    test::ScratchDir dir;
    std::filesystem::create_directory(dir.Path() + "Parts");
    dir.Write("Parts/Grip.BMP", test::MakeBmp(9, 6));
    TsFolderFiles files(dir.Path());
    EXPECT_EQ(files.Locate("parts\\grip.bmp"), dir.Path() + "Parts/Grip.BMP");
    EXPECT_EQ(files.Locate("Parts/Nothing.bmp"), "");
}

// Values that painting could not trust fail the load or are made safe here.
TEST(SkinImageValues, DamagedValuesFailTheLoadOrAreMadeSafe) {
    for (const char* shortValue : {"^0132^0000^0144^0021^0003", "@0108@0114@0165@0148@3", "~0000~0274~0126~0331~0",
                                   "@01x8@0114@0165@0148@3@1", "X#free (10, 20, 40) (3)"}) {
        SCOPED_TRACE(shortValue);
        EXPECT_THROW(SkinText(WithVersion("7.50", std::string("[S]\nIMG=") + shortValue + "\n")).Read(), EConvertError);
    }
    TsSkinTables tables = SkinText(WithVersion("7.50",
                                               "[S]\nZERO=@0000@0000@0030@0030@0@0\n"
                                               "CLIPPED=@0180@0340@0400@0400@1@0\n"
                                               "OUTSIDE=@0500@0500@0600@0600@1@0\n"
                                               "EMPTY=@0010@0010@0010@0020@1@0\n"))
                              .Read();
    const TsMaskData& zero = MaskOf(tables, "S", "ZERO");
    EXPECT_EQ(zero.FrameCount, 1);
    EXPECT_EQ(MaskFrameWidth(zero), 30);
    const TsMaskData& clipped = MaskOf(tables, "S", "CLIPPED");
    EXPECT_EQ(clipped.SourceRect.right, 198);
    EXPECT_EQ(clipped.SourceRect.bottom, 350);
    EXPECT_EQ(FindOwnMaskIndex(tables, "S", "OUTSIDE"), -1);
    EXPECT_EQ(FindOwnMaskIndex(tables, "S", "EMPTY"), -1);
}

TEST(SkinImageValues, CornerScanFindsTheKeyColourInACornerBlock) {
    const std::string value = "[S]\nBORDERSMASK=^0000^0000^0030^0030^0005^0005^0005^0005^1^0^1^0\n";
    auto cornerKind = [&](int keyX, int keyY) {
        SkinText skin(WithVersion("7.50", value), {{"Master.bmp", test::MakeBmp(198, 350, keyX, keyY)}});
        return MaskOf(skin.Read(), "S", "BORDERSMASK").CornerKind;
    };
    EXPECT_EQ(cornerKind(2, 2), 1);
    EXPECT_EQ(cornerKind(27, 27), 1);
    EXPECT_EQ(cornerKind(15, 15), 0);
    EXPECT_EQ(cornerKind(-1, -1), 0);
}

// ---------------------------------------------------------------------------------------------

const char* const kInheritanceText =
    "[GLOBALINFO]\nCOLOR=1\n"
    "[GRAND]\nCOLOR=0x00123456\nFONTCOLOR=77\nBORDERSMASK=@0000@0000@0010@0010@1@0\n"
    "[PARENT]\nPARENTCLASS=GRAND\n"
    "[CHILD]\nPARENTCLASS=PARENT\nFONTCOLOR=5\n"
    "[SELF]\nPARENTCLASS=SELF\n"
    "[LOOPA]\nPARENTCLASS=LOOPB\n"
    "[LOOPB]\nPARENTCLASS=LOOPA\n"
    "[EXPLICIT]\nPARENTCLASS=GRAND\nFONTCOLOR=-1\n";

TEST(SkinInheritance, KeysComeFromTheParentChainAndLoopsStop) {
    TMemIniFile ini(kInheritanceText);
    EXPECT_EQ(LookUpInheritedInt(ini, "CHILD", "COLOR", 9), 0x123456);
    EXPECT_EQ(LookUpInheritedInt(ini, "CHILD", "FONTCOLOR", 9), 5);
    EXPECT_EQ(LookUpInheritedInt(ini, "SELF", "COLOR", 9), 9);
    EXPECT_EQ(LookUpInheritedInt(ini, "LOOPA", "COLOR", 9), 9);
    EXPECT_EQ(LookUpInheritedValue(ini, "LOOPB", "GRADIENTDATA", "none"), "none");
    // An explicit -1 counts as missing.
    EXPECT_EQ(LookUpInheritedInt(ini, "EXPLICIT", "FONTCOLOR", 9), 77);
    EXPECT_EQ(LookUpInheritedValue(ini, "CHILD", "BORDERSMASK", ""), "@0000@0000@0010@0010@1@0");
}

TEST(SkinInheritance, MaskLookUpsFollowParentsAndStopAtLoops) {
    SkinText skin(WithVersion("7.50", std::string(kInheritanceText).substr(std::string("[GLOBALINFO]\nCOLOR=1\n").size())));
    TsSkinTables tables = skin.Read();
    int grandMask = FindOwnMaskIndex(tables, "GRAND", "BORDERSMASK");
    ASSERT_GE(grandMask, 0);
    int child = GetSectionIndex(tables, "CHILD");
    EXPECT_EQ(GetMaskIndex(tables, child, "CHILD", "BORDERSMASK"), grandMask);
    EXPECT_EQ(tables.Sections[static_cast<size_t>(child)].BordersMaskIdx, grandMask);
    EXPECT_EQ(GetMaskIndex(tables, child, "CHILD", "GLYPHMASK"), -1);
    int loop = GetSectionIndex(tables, "LOOPA");
    EXPECT_EQ(GetMaskIndex(tables, loop, "LOOPA", "BORDERSMASK"), -1);
    EXPECT_EQ(GetMaskIndex(tables, -1, "CHILD", "BORDERSMASK"), -1);
    EXPECT_EQ(GetTextureIndex(tables, child, "CHILD", "BORDERSMASK"), -1);
    EXPECT_EQ(tables.Sections[static_cast<size_t>(child)].Color, 0x123456u);
}

// A long but honest chain is followed; one past the depth limit counts as missing.
TEST(SkinInheritance, ChainDepthIsLimited) {
    std::string text = "[S0]\nCOLOR=42\n";
    for (int i = 1; i <= kMaxParentDepth + 1; ++i)
        text += "[S" + IntToStr(i) + "]\nPARENTCLASS=S" + IntToStr(i - 1) + "\n";
    TMemIniFile ini(text);
    EXPECT_EQ(LookUpInheritedInt(ini, "S" + IntToStr(kMaxParentDepth), "COLOR", 9), 42);
    EXPECT_EQ(LookUpInheritedInt(ini, "S" + IntToStr(kMaxParentDepth + 1), "COLOR", 9), 9);
}

// ---------------------------------------------------------------------------------------------

TEST(SkinSections, StatesAndGlobalValues) {
    SkinText skin(WithVersion("7.20",
                              "TITLEHEIGHT=30\nSHADOW1OFFSET=1\nSHADOW1BLUR=2\nBORDERCOLOR=7763574\n"
                              "[ONE]\nSTATES=1\nCOLOR=100\nHOTCOLOR=200\n"
                              "[TWO]\nSTATES=2\nCOLOR=100\nHOTCOLOR=200\nGIVEOWNFONT=true\nTCLEFT=0\nHOTTCTOP=255\n"
                              "GRADIENTDATA=1;2;30;0;0;3;4;70;0;0\nGRADIENTPERCENT=40\n"
                              "[ZERO]\nSTATES=0\nGRADIENTPERCENT=40\nGRADIENTDATA=x\n"));
    TsSkinTables tables = skin.Read();
    EXPECT_DOUBLE_EQ(tables.SkinData.Version, 7.2);
    EXPECT_EQ(tables.SkinData.TitleHeight, 30);
    EXPECT_EQ(tables.SkinData.MaxHeight, 30);
    EXPECT_EQ(tables.SkinData.Shadow1Offset, 1);
    EXPECT_EQ(tables.SkinData.Shadow1Blur, 2);
    EXPECT_EQ(tables.SkinData.BorderColor, 7763574u);
    EXPECT_EQ(tables.SkinData.BorderWidth, 4);

    const TsGeneralData& one = tables.Sections[static_cast<size_t>(GetSectionIndex(tables, "ONE"))];
    EXPECT_EQ(one.StateProps[1].Color, 100u);
    EXPECT_EQ(one.HotColor, 0u);
    const TsGeneralData& two = tables.Sections[static_cast<size_t>(GetSectionIndex(tables, "TWO"))];
    EXPECT_EQ(two.StateProps[1].Color, 200u);
    EXPECT_EQ(two.HotColor, 200u);
    EXPECT_TRUE(two.GiveOwnFont);
    ASSERT_EQ(two.GradientArray.size(), 2u);
    EXPECT_EQ(two.GradientArray[1].Percent, 70);
    EXPECT_EQ(two.GradientPercent, 40);
    // Contour colours: black or any colour when given, none when no section gives one.
    EXPECT_EQ(two.StateProps[0].TCLeft, 0u);
    EXPECT_EQ(two.StateProps[1].TCTop, 255u);
    EXPECT_EQ(two.StateProps[0].TCTop, 0xFFFFFFFFu);
    EXPECT_EQ(two.HotTCLeft, 0xFFFFFFFFu);
    const TsGeneralData& zero = tables.Sections[static_cast<size_t>(GetSectionIndex(tables, "ZERO"))];
    EXPECT_EQ(zero.StateCount, 1);
    EXPECT_EQ(zero.GradientPercent, 0);
}

TEST(SkinSections, GlobalNumbersReadAsTextMustBeNumbers) {
    EXPECT_THROW(SkinText(WithVersion("7.50", "SHADOW1BLUR=soft\n")).Read(), EConvertError);
}

TEST(SkinSections, ConstantIndexes) {
    SkinText skin(WithVersion("7.50",
                              "EXBORDER=@0000@0000@0010@0010@1@0\nBOXCHECKED=@0000@0000@0010@0010@1@0\n"
                              "[TABTOP]\nBORDERSMASK=@0010@0000@0020@0010@1@0\n"
                              "[TABBOTTOM]\nPARENTCLASS=TABTOP\n"
                              "[COMBOBTN]\nPARENTCLASS=TABTOP\n"
                              "[SCROLLSLIDERH]\nPATTERN=~0000~0000~0010~0010~00\n"));
    TsSkinTables tables = skin.Read();
    const TsSkinConstIndexes& c = tables.ConstData;
    EXPECT_EQ(c.GlobalInfo, GetSectionIndex(tables, "GLOBALINFO"));
    EXPECT_EQ(c.ExBorderMask, FindOwnMaskIndex(tables, "GLOBALINFO", "EXBORDER"));
    EXPECT_EQ(c.CheckGlyph[0], FindOwnMaskIndex(tables, "GLOBALINFO", "BOXCHECKED"));
    EXPECT_EQ(c.CheckGlyph[1], -1);
    int tabMask = FindOwnMaskIndex(tables, "TABTOP", "BORDERSMASK");
    EXPECT_EQ(c.TabBorders[0], tabMask);
    EXPECT_EQ(c.TabBorders[1], tabMask);
    EXPECT_EQ(c.TabSection[2], -1);
    EXPECT_EQ(c.ComboBtnSection, GetSectionIndex(tables, "COMBOBTN"));
    EXPECT_EQ(c.ComboBtnBorders, -1);  // its own only
    EXPECT_EQ(c.SliderHPattern, FindOwnMaskIndex(tables, "SCROLLSLIDERH", "PATTERN"));
    EXPECT_EQ(c.SliderVPattern, -1);
}

// ---------------------------------------------------------------------------------------------

TEST(SkinGeometry, BandsFramesAndBorderWidths) {
    TsSkinTables tables;
    TsMaskData mask;
    mask.SourceRect = RECT{0, 0, 30, 21};
    mask.ExtraBands = 1;
    tables.Masks.push_back(std::move(mask));
    EXPECT_EQ(MaskStateHeight(tables.Masks[0]), 10);
    tables.Masks[0].ExtraBands = -1;
    EXPECT_EQ(MaskStateHeight(tables.Masks[0]), 0);
    EXPECT_EQ(MaskFrameWidth(tables.Masks[0]), 0);
    EXPECT_EQ(RightBorderWidth(tables, 0), 0);
    EXPECT_EQ(LeftBorderWidth(tables, 0), 30);
    EXPECT_EQ(tables.Masks[0].FrameCount, 1);
    tables.Masks[0].CommonBorderWidth = 4;
    tables.Masks[0].TopWidth = 6;
    EXPECT_EQ(TopBorderWidth(tables, 0), 6);
    EXPECT_EQ(BottomBorderWidth(tables, 0), 4);
}

struct GradientCase {
    const char* text;
    size_t stops;
};

TEST(SkinGradients, StopsComeFromNonEmptyFieldsInGroupsOfFive) {
    const GradientCase cases[] = {{"", 0}, {"1;2;3;4", 0}, {"1;2;3;4;5;;;;;", 1}, {"1;2;3;4;5;6;7;8;9;10;11", 2}};
    for (const GradientCase& c : cases) {
        SCOPED_TRACE(c.text);
        TsGradArray stops;
        ParseGradientData(c.text, stops);
        EXPECT_EQ(stops.size(), c.stops);
    }
    TsGradArray stops;
    ParseGradientData("255;-4;150;1;0", stops);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].Color1, 255u);
    EXPECT_EQ(stops[0].Color2, 0u);
    EXPECT_EQ(stops[0].Percent, 100);
    EXPECT_EQ(stops[0].Mode, 1);
    EXPECT_THROW(ParseGradientData("1;2;3;4;5;x;7;8;9;10", stops), EConvertError);
    EXPECT_EQ(stops.size(), 2u);
}

}  // namespace
}  // namespace parch
