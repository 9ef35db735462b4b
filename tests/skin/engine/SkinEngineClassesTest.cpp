// The skin manager and the alpha image list read from a form description, their binary
// properties taken from the program's raw-data resources.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/FormDescription.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Resources.h"
#include "skin/engine/acAlphaImageList.h"
#include "skin/engine/sSkinEngineClasses.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/engine/PngFixtures.h"
#include "tests/skin/engine/SkinFixtures.h"

namespace parch {
namespace {

class SkinEngineClasses : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSkinEngineClasses();
        RegisterResource(nullptr, RT_RCDATA, "DESCRIBEDSKIN",
                         test::MakePack({{"Options.dat", "[GLOBALINFO]\r\nMASTERBITMAP=Master.bmp\r\nVERSION=7.50\r\nCOLOR=11\r\n"},
                                         {"Master.bmp", test::MakeBmp(20, 20)}}));
        RegisterResource(nullptr, RT_RCDATA, "DESCRIBEDGLYPH", test::SolidPng(16, 16, 200, 100, 50, 128));
    }

    static TComponentDescription FormWith(std::vector<TComponentDescription> components) {
        return TComponentDescription{"TForm", "Described", {}, {}, std::move(components)};
    }

    HeadlessDisplay display;
    TApplication app;
};

TEST_F(SkinEngineClasses, ManagerAndImageListComeFromTheDescription) {
    auto* form = new TForm(&app);
    form->ReadDescription(
        FormWith({{"TsSkinManager",
                   "Skins",
                   {{"AnimEffects.Buttons.Events", "[beMouseLeave,beMouseDown]"},
                    {"AnimEffects.FormShow.Time", "100"},
                    {"AnimEffects.Minimizing.Active", "False"},
                    {"InternalSkins.0.Name", "Described (internal)"},
                    {"InternalSkins.0.Data", "DESCRIBEDSKIN"},
                    {"MenuSupport.IcoLineSkin", "ICOLINE"},
                    {"SkinDirectory", "c:\\Skins"},
                    {"SkinName", "Described (internal)"},
                    {"SkinInfo", "7.2"},
                    {"ThirdParty.ThirdEdits", "TEdit\r\nTMemo"},
                    {"ThirdParty.ThirdUpDown", "TUpDown"}},
                   {},
                   {}},
                  {"TsAlphaImageList",
                   "Glyphs",
                   {{"DrawingStyle", "dsTransparent"},
                    {"Width", "16"},
                    {"Height", "16"},
                    {"Items.0.ImageFormat", "ifPNG"},
                    {"Items.0.ImgData", "DESCRIBEDGLYPH"},
                    {"Items.1.ImgData", "DESCRIBEDGLYPH"}},
                   {},
                   {}}}),
        {});

    auto* manager = dynamic_cast<TsSkinManager*>(form->FindComponent("Skins"));
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->SkinName(), "Described (internal)");
    EXPECT_TRUE(manager->SkinData().SkinActive) << "applied once the description was read";
    EXPECT_EQ(manager->GetGlobalColor(), static_cast<TColor>(11));
    EXPECT_EQ(manager->AnimEffects.Buttons.Events, BtnEventBit(beMouseLeave) | BtnEventBit(beMouseDown));
    EXPECT_EQ(manager->AnimEffects.FormShow.Time, 100);
    EXPECT_FALSE(manager->AnimEffects.Minimizing.Active);
    EXPECT_EQ(manager->ThirdLists(0), (std::vector<std::string>{"TEdit", "TMemo"}));
    EXPECT_EQ(manager->ThirdLists(19), (std::vector<std::string>{"TUpDown"}));

    auto* glyphs = dynamic_cast<TsAlphaImageList*>(form->FindComponent("Glyphs"));
    ASSERT_NE(glyphs, nullptr);
    ASSERT_EQ(glyphs->Items().Count(), 2);
    EXPECT_EQ(glyphs->Items().Items(1)->ImgData().Bytes(), test::SolidPng(16, 16, 200, 100, 50, 128));
    EXPECT_EQ(glyphs->Count(), 2) << "the platform list is built when the description is complete";
    delete form;
}

TEST_F(SkinEngineClasses, BadDescriptionsAreRefusedByName) {
    struct Case {
        const char* className;
        const char* property;
        const char* value;
    };
    const Case cases[] = {
        {"TsSkinManager", "InternalSkins.0.Data", "NOSUCHRESOURCE"},
        {"TsSkinManager", "InternalSkins.3.Name", "gap"},
        {"TsSkinManager", "AnimEffects.FormShow.Time", "70000"},
        {"TsSkinManager", "AnimEffects.Nothing.Time", "1"},
        {"TsSkinManager", "Colour", "1"},
        {"TsAlphaImageList", "Items.0.ImgData", ""},
        {"TsAlphaImageList", "Items.0.ImageFormat", "ifGIF"},
    };
    for (const Case& c : cases) {
        auto* form = new TForm(&app);
        EXPECT_THROW(form->ReadDescription(FormWith({{c.className, "Thing", {{c.property, c.value}}, {}, {}}}), {}),
                     EPropertyError)
            << c.className << "." << c.property;
        delete form;
    }
}

}  // namespace
}  // namespace parch
