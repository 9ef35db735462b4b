#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "resources/EmbeddedResources.h"
#include "skin/engine/acPNG.h"
#include "skin/engine/sSkinManager.h"
#include "tests/platform/os/ScratchDir.h"

namespace parch {
namespace {

const std::string kCommitted = "resources/skins/";

std::string ReadFileBytes(const std::string& path) {
    TMemoryStream stream;
    stream.LoadFromFile(path);
    return stream.Bytes();
}

std::unique_ptr<TBitmap> DecodePicture(const std::string& name, const std::string& bytes) {
    TStringStream stream(bytes);
    std::unique_ptr<TBitmap> picture = EndsText(".png", name) ? std::make_unique<TPNGGraphic>() : std::make_unique<TBitmap>();
    picture->LoadFromStream(stream);
    return picture;
}

void ExpectSamePicture(TBitmap& a, TBitmap& b) {
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    ASSERT_EQ(a.PixelFormat(), b.PixelFormat());
    int bytes = a.PixelFormat() == pf32bit ? 4 : 3;
    for (int y = 0; y < a.Height(); ++y)
        ASSERT_EQ(std::memcmp(a.ScanLine(y), b.ScanLine(y), static_cast<size_t>(a.Width() * bytes)), 0) << "row " << y;
}

// The committed skin is what the generator draws: text byte for byte, pictures pixel for pixel,
// and the pack holds the folder's files.
TEST(InternalSkin, CommittedFilesAreWhatTheGeneratorDraws) {
    test::ScratchDir fresh;
    ASSERT_EQ(std::system(("/usr/bin/python3 tools/make_internal_skin.py " + fresh.Path()).c_str()), 0);
    std::unique_ptr<TacSkinConvertor> pack;
    ReadPackFile(kCommitted + "Steelmoor.vlz", pack, true);
    ASSERT_TRUE(pack);
    ASSERT_TRUE(pack->Options);
    EXPECT_EQ(pack->Options->Bytes(), ReadFileBytes(kCommitted + "Steelmoor/Options.dat"));
    EXPECT_EQ(ReadFileBytes(fresh.Path() + "Steelmoor/Options.dat"), pack->Options->Bytes());
    for (const TacImageItem& item : pack->ImageItems) {
        SCOPED_TRACE(item.Name);
        auto packed = DecodePicture(item.Name, item.Data->Bytes());
        auto committed = DecodePicture(item.Name, ReadFileBytes(kCommitted + "Steelmoor/" + item.Name));
        auto regenerated = DecodePicture(item.Name, ReadFileBytes(fresh.Path() + "Steelmoor/" + item.Name));
        ExpectSamePicture(*packed, *committed);
        ExpectSamePicture(*regenerated, *committed);
    }
    for (const char* shadow : {"acSHDA.png", "acSHDI.png"}) {
        SCOPED_TRACE(shadow);
        ExpectSamePicture(*DecodePicture(shadow, ReadFileBytes(fresh.Path() + shadow)),
                          *DecodePicture(shadow, ReadFileBytes(kCommitted + shadow)));
    }
}

void ExpectSameTables(const TsSkinTables& a, const TsSkinTables& b) {
    ASSERT_EQ(a.Masks.size(), b.Masks.size());
    for (size_t i = 0; i < a.Masks.size(); ++i) {
        const TsMaskData &x = a.Masks[i], &y = b.Masks[i];
        SCOPED_TRACE(x.SectionName + "/" + x.KeyName);
        EXPECT_EQ(x.SectionName, y.SectionName);
        EXPECT_EQ(x.KeyName, y.KeyName);
        EXPECT_EQ(x.SourceRect.left, y.SourceRect.left);
        EXPECT_EQ(x.SourceRect.right, y.SourceRect.right);
        EXPECT_EQ(x.SourceRect.bottom, y.SourceRect.bottom);
        EXPECT_EQ(x.FrameCount, y.FrameCount);
        EXPECT_EQ(x.ExtraBands, y.ExtraBands);
        EXPECT_EQ(x.DrawFlags, y.DrawFlags);
        EXPECT_EQ(x.ImageKind, y.ImageKind);
        EXPECT_EQ(x.LeftWidth + x.TopWidth * 1000, y.LeftWidth + y.TopWidth * 1000);
        EXPECT_EQ(x.CornerKind, y.CornerKind);
        ASSERT_EQ(x.Picture == nullptr, y.Picture == nullptr);
        if (x.Picture) ExpectSamePicture(*x.Picture, *y.Picture);
    }
    ASSERT_EQ(a.Sections.size(), b.Sections.size());
    for (size_t i = 0; i < a.Sections.size(); ++i) {
        EXPECT_EQ(a.Sections[i].SectionName, b.Sections[i].SectionName);
        EXPECT_EQ(a.Sections[i].Color, b.Sections[i].Color);
        EXPECT_EQ(a.Sections[i].HotColor, b.Sections[i].HotColor);
        EXPECT_EQ(a.Sections[i].BordersMaskIdx, b.Sections[i].BordersMaskIdx);
    }
    ExpectSamePicture(*a.MasterBitmap, *b.MasterBitmap);
}

class InternalSkinLoad : public ::testing::Test {
protected:
    void SetUp() override {
        manager.MessageSink = [](const std::string& text, TMsgDlgType) { ADD_FAILURE() << text; };
        std::optional<std::string> bytes = ReadEmbeddedResource(kInternalSkinResource);
        ASSERT_TRUE(bytes);
        TsStoredSkin& stored = manager.InternalSkins().Add();
        stored.Name = kInternalSkinName;
        stored.Data = *bytes;
    }
    TsSkinManager manager;
};

TEST_F(InternalSkinLoad, PackAndFolderGiveTheSameTables) {
    manager.SetSkinDirectory("/nowhere/at/all");
    manager.SetSkinName(kInternalSkinName);
    ASSERT_EQ(manager.SkinName(), kInternalSkinName);
    TsSkinManager folder;
    folder.MessageSink = manager.MessageSink;
    folder.SetSkinDirectory(std::filesystem::absolute(kCommitted).string());
    folder.SetSkinName("Steelmoor");
    ASSERT_EQ(folder.SkinData().SkinFolder.empty(), false);
    ExpectSameTables(manager.Tables(), folder.Tables());
    TsSkinManager packed;
    packed.MessageSink = manager.MessageSink;
    packed.SetSkinDirectory(std::filesystem::absolute(kCommitted).string());
    packed.SetSkinName("Steelmoor.vlz");
    EXPECT_TRUE(packed.Packed());
    ExpectSameTables(manager.Tables(), packed.Tables());
}

TEST_F(InternalSkinLoad, EverySectionAndImageResolves) {
    manager.SetSkinName(kInternalSkinName);
    const TsSkinTables& tables = manager.Tables();
    EXPECT_DOUBLE_EQ(tables.SkinData.Version, 7.5);
    EXPECT_EQ(tables.MasterBitmap->PixelFormat(), pf32bit);
    for (const char* section :
         {"GLOBALINFO", "FORM", "FORMTITLE", "DIALOG", "DIALOGTITLE", "CAPTION", "MAINMENU", "MENUITEM", "MENULINE",
          "MENUCAPTION", "ICOLINE", "EXTRALINE", "DIVIDER", "DIVIDERV", "SELECTION", "HINT", "MDIAREA", "EDIT",
          "COMBOBOX", "COMBOBTN", "BUTTON", "BUTTON_HUGE", "WEBBUTTON", "SPEEDBUTTON", "SPEEDBUTTON_SMALL",
          "TOOLBUTTON", "MENUBTN", "UPDOWNBTN", "CHECKBOX", "RADIOBUTTON", "GROUPBOX", "PANEL", "PANEL_LOW", "BAR",
          "BARTITLE", "TOOLBAR", "DRAGBAR", "SPLITTER", "TABSHEET", "PAGECONTROL", "PAGECONTROLBOTTOM",
          "PAGECONTROLLEFT", "PAGECONTROLRIGHT", "TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT", "STATUSBAR", "GAUGE",
          "PROGRESSH", "PROGRESSV", "TRACKBAR", "COLHEADER", "SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT",
          "SCROLLBTNRIGHT", "SCROLLSLIDERH", "SCROLLSLIDERV", "SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H",
          "SCROLLBAR2V"}) {
        SCOPED_TRACE(section);
        EXPECT_GE(GetSectionIndex(&manager, section), 0);
    }
    const TsSkinConstIndexes& c = manager.ConstData();
    EXPECT_GE(c.ExBorderMask, 0);
    for (std::int16_t glyph : c.CheckGlyph) EXPECT_GE(glyph, 0);
    for (std::int16_t mask : c.TabBorders) EXPECT_GE(mask, 0);
    for (std::int16_t mask : c.ScrollBtnGlyph) EXPECT_GE(mask, 0);
    for (std::int16_t mask : c.SliderGlyph) EXPECT_GE(mask, 0);
    EXPECT_GE(c.GripImage, 0);
    EXPECT_GE(c.ComboBoxGlyph, 0);
    EXPECT_GE(c.SliderHPattern, -1);
    for (const char* key : {"BICONCLOSE", "BICONHELP", "BICONMAX", "BICONMIN", "BICONNORM", "SICONCLOSE",
                            "SICONMAX", "SICONMIN", "SICONNORM", "BICLOSEALONE", "BICONCLOSEGLOW0", "TITLEBUTTON",
                            "CHECK", "GRIPHORZ", "GRIPVERT"}) {
        SCOPED_TRACE(key);
        EXPECT_GE(manager.FindOwnMaskIndex("GLOBALINFO", key), 0);
    }
    struct Image {
        const char* section;
        const char* key;
    };
    for (Image image : {Image{"FORMTITLE", "TITLEBAR"}, Image{"STATUSBAR", "STATUSPANELMASK"},
                        Image{"CAPTION", "LRGN"}, Image{"TRACKBAR", "SLIDERMASK"}, Image{"TRACKBAR", "SLIDERCHANNEL"},
                        Image{"TRACKBAR", "TICKHORZ"}, Image{"TRACKBAR", "TICKVERT"},
                        Image{"TABBOTTOM", "BORDERSMASK"}, Image{"TOOLBUTTON", "BORDERSMASK"},
                        Image{"PROGRESSV", "PATTERN"}}) {
        SCOPED_TRACE(std::string(image.section) + "/" + image.key);
        EXPECT_GE(manager.GetMaskIndex(GetSectionIndex(&manager, image.section), image.section, image.key), 0);
    }
    // The region-shaped huge button and the glow pictures with premultiplied alpha.
    const TsMaskData& huge = tables.Masks[static_cast<size_t>(manager.FindOwnMaskIndex("BUTTON_HUGE", "BORDERSMASK"))];
    EXPECT_EQ(huge.CornerKind, 2);
    EXPECT_EQ(MaskFrameWidth(huge), 96);
    const TsMaskData& glow = tables.Masks[static_cast<size_t>(manager.FindOwnMaskIndex("GLOBALINFO", "BICONCLOSEGLOW0"))];
    ASSERT_NE(glow.Picture, nullptr);
    const BYTE* centre = glow.Picture->ScanLine(glow.Picture->Height() / 2) + glow.Picture->Width() / 2 * 4;
    EXPECT_GT(centre[3], 0);
    EXPECT_LE(centre[2], centre[3]);
}

}  // namespace
}  // namespace parch
