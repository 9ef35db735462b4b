// The skin data of skinned controls: section names and defaults, the answers to skin commands
// on fake controls, background colours and requests through skinned and unskinned parents, and
// the messages every skinned control shares.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Messages.h"
#include "platform/win/WinMessages.h"
#include "skin/engine/sControlQueries.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

using test::MakeSection;
using test::TsGraphic;
using test::TsPanel;

class CommonData : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadSections(manager, {MakeSection("PANEL", 0x00FF0000, 0), MakeSection("EDIT", 0x00FFFFFF, 0),
                                     MakeSection("CLEAR", 0x00000000, 100), MakeSection("HALF", 0x00000000, 50),
                                     MakeSection("SHADED", 0x00000000, 0, 50), MakeSection("RED", 0x000000FF, 0)});
        form.SetBounds(0, 0, 300, 200);
        form.Show();
    }

    TsPanel* AddPanel(TWinControl& parent, const std::string& section, RECT bounds = {10, 20, 110, 70}) {
        auto* panel = new TsPanel(&form, 51);
        panel->SetParent(&parent);
        panel->SetBoundsRect(bounds);
        panel->SkinData.SetSkinSection(section);
        return panel;
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
};

TEST_F(CommonData, SectionNamesAreUpperCasedAndDefaultByKind) {
    TsPanel panel(&form, 0);
    panel.SkinData.SetSkinSection("Edit");
    EXPECT_EQ(panel.SkinData.SkinSection(), "EDIT");
    EXPECT_EQ(panel.SkinData.SectionIndex, 1);
    panel.SkinData.SetSkinSection("");
    EXPECT_EQ(panel.SkinData.SkinSection(), "UNKNOWN");
    EXPECT_EQ(panel.SkinData.SectionIndex, -1);

    struct Case {
        int kind;
        const char* section;
    };
    for (Case c : {Case{3, "EDIT"}, Case{58, "PANEL_LOW"}, Case{165, "TRACKBAR"}, Case{300, "TSPANEL"}}) {
        TsPanel fresh(&form, c.kind);
        fresh.SkinData.Loaded();
        EXPECT_EQ(fresh.SkinData.SkinSection(), c.section) << "kind " << c.kind;
    }
}

TEST_F(CommonData, ChangingTheSectionTellsAParentedHostOnce) {
    TsPanel* panel = AddPanel(form, "PANEL");
    panel->Commands.clear();
    panel->SkinData.SetSkinSection("RED");
    panel->SkinData.SetSkinSection("RED");
    panel->SkinData.SetSkinSection("NOSUCH");
    EXPECT_EQ(panel->Commands, (std::vector<int>{scRefreshFromSkin, scSkinRemoved}));
}

TEST_F(CommonData, CommandAnswers) {
    TsPanel* panel = AddPanel(form, "PANEL");
    TsCommonData& data = panel->SkinData;
    data.StateFlags = 0x0801;
    struct Case {
        const char* what;
        int command;
        int subArgument;
        LPARAM lParam;
        LRESULT expected;
    };
    HDC printTarget = reinterpret_cast<HDC>(0x1234);
    const Case cases[] = {
        {"skinned", scIsSkinned, 0, 0, 1},
        {"state flags", scBackgroundKind, 0, 0, 0x0801},
        {"own data", scGetCommonData, 0, 0, reinterpret_cast<LRESULT>(&data)},
        {"must wait while dirty", scMustPaintingWait, 0, 0, 1},
        {"partly outside", scIsPartlyOutside, 0, 0, 1},
        {"section colour", scGetBackgroundColor, 0, 0, 0x00FF0000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(c.command, c.subArgument), c.lParam),
                  c.expected)
            << c.what;

    SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(scSetUpdating, 1), 0);
    EXPECT_TRUE(data.PaintSuspended);
    SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(scSetUpdating, 0), 0);
    EXPECT_FALSE(data.PaintSuspended);
    SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(scSetUrgentPainting, 1), 0);
    EXPECT_TRUE(data.PaintUrgent);
    SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(scPrinting), reinterpret_cast<LPARAM>(printTarget));
    EXPECT_EQ(data.PrintTarget, printTarget);
    EXPECT_NE(data.StateFlags & sfPrinting, 0);
    SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(scPrinting), 0);
    EXPECT_EQ(data.PrintTarget, nullptr);
    EXPECT_EQ(data.StateFlags & sfPrinting, 0);

    // Recomputing the background kind answers as handled without a result.
    TMessage recompute{SkinCommandMessage, SkinCommandWParam(scBackgroundKind), 1, 77};
    EXPECT_TRUE(HandleSkinCommand(recompute, &data));
    EXPECT_EQ(recompute.Result, 77);

    TacSectionInfo info;
    info.Index = 5;
    TsPanel unskinned(&form, 0);
    unskinned.SkinData.SetSkinSection("NOSUCH");
    TMessage ask{SkinCommandMessage, SkinCommandWParam(scGetSection), reinterpret_cast<LPARAM>(&info), 0};
    EXPECT_TRUE(HandleSkinCommand(ask, &unskinned.SkinData));
    EXPECT_EQ(info.Index, -1);
    info.Name = "edit";
    TMessage take{SkinCommandMessage, SkinCommandWParam(scTakeSection), reinterpret_cast<LPARAM>(&info), 0};
    EXPECT_FALSE(HandleSkinCommand(take, &unskinned.SkinData));
    EXPECT_EQ(unskinned.SkinData.SkinSection(), "EDIT");
}

TEST_F(CommonData, SkinLoadAndRemovalActOnlyForTheOwnManager) {
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    TsCommonData data(edit, true);
    data.ControlKind = 3;
    data.SetSkinSection("EDIT");
    data.CacheBitmap->SetSize(20, 10);
    edit->SetColor(clRed);
    TsSkinManager other;

    TMessage removedElsewhere{SkinCommandMessage, SkinCommandWParam(scSkinRemoved), reinterpret_cast<LPARAM>(&other), 0};
    HandleSkinCommand(removedElsewhere, &data);
    EXPECT_EQ(data.SectionIndex, 1);
    EXPECT_EQ(data.CacheBitmap->Width(), 20);
    EXPECT_EQ(edit->Color(), clRed);

    TMessage removed{SkinCommandMessage, SkinCommandWParam(scSkinRemoved), reinterpret_cast<LPARAM>(&manager), 0};
    EXPECT_FALSE(HandleSkinCommand(removed, &data));
    EXPECT_EQ(data.SectionIndex, -1);
    EXPECT_TRUE(data.PaintSuspended);
    EXPECT_EQ(data.CacheBitmap->Width(), 0);
    EXPECT_EQ(edit->Color(), clWindow);
    EXPECT_EQ(edit->Font().Color(), clWindowText);

    SkinApplying = true;
    TMessage loaded{SkinCommandMessage, SkinCommandWParam(scSkinLoaded), reinterpret_cast<LPARAM>(&manager), 0};
    HandleSkinCommand(loaded, &data);
    EXPECT_EQ(data.SectionIndex, 1);
    EXPECT_FALSE(SkinApplying);
}

// One transparency, one mix: what painting shows behind a section (T percent of the parent) is
// what the colour queries answer.
TEST_F(CommonData, BackgroundColourMixesTheParentByTransparency) {
    TsPanel* red = AddPanel(form, "RED", {0, 0, 200, 150});
    TsPanel* half = AddPanel(*red, "HALF");
    EXPECT_EQ(SendMessage(half->Handle(), SkinCommandMessage, SkinCommandWParam(scGetBackgroundColor), 0), 0x80);
    EXPECT_EQ(half->SkinData.GetBackgroundColor(0, nullptr), static_cast<TColor>(0x80));

    for (int transparency : {0, 30, 99, 100}) {
        manager.Tables().Sections[3].Transparency = transparency;
        manager.Tables().Sections[3].HotTransparency = transparency;
        LRESULT answer = SendMessage(half->Handle(), SkinCommandMessage, SkinCommandWParam(scGetBackgroundColor), 0);
        EXPECT_EQ(static_cast<TColor>(answer), half->SkinData.GetBackgroundColor(0, nullptr)) << transparency;
        EXPECT_EQ(answer & 0xFF, static_cast<LRESULT>(std::nearbyint(255 * transparency / 100.0))) << transparency;
    }

    // Unskinned: the control's own colour; a fully transparent one over an unskinned parent
    // takes the parent's colour.
    TsPanel* plain = AddPanel(form, "NOSUCH");
    plain->SetColor(clBtnFace);
    EXPECT_EQ(static_cast<COLORREF>(SendMessage(plain->Handle(), SkinCommandMessage,
                                                SkinCommandWParam(scGetBackgroundColor), 0)),
              ColorToRGB(clBtnFace));
    TsPanel* clear = AddPanel(*plain, "CLEAR");
    EXPECT_EQ(GetControlBgColor(clear), static_cast<TColor>(ColorToRGB(clBtnFace)));
}

TEST_F(CommonData, BackgroundRequestsAnswerFromTheCacheOrTheParent) {
    TsPanel* shaded = AddPanel(form, "SHADED", {0, 0, 200, 150});
    shaded->SkinData.PrepareCacheBitmap();
    TsPanel* clear = AddPanel(*shaded, "CLEAR", {7, 9, 57, 39});
    clear->SkinData.PrepareCacheBitmap();

    TsBackgroundRequest request;
    clear->SkinData.BackgroundDirty = true;
    SendMessage(clear->Handle(), SkinCommandMessage, SkinCommandWParam(scGetBackground), reinterpret_cast<LPARAM>(&request));
    EXPECT_EQ(request.Kind, 2);
    EXPECT_EQ(request.Bmp, shaded->SkinData.CacheBitmap.get());
    EXPECT_EQ(request.X, 7);
    EXPECT_EQ(request.Y, 9);

    request = TsBackgroundRequest{};
    clear->SkinData.BackgroundDirty = false;
    SendMessage(clear->Handle(), SkinCommandMessage, SkinCommandWParam(scGetBackground), reinterpret_cast<LPARAM>(&request));
    EXPECT_EQ(request.Kind, 2);
    EXPECT_EQ(request.Bmp, clear->SkinData.CacheBitmap.get());
    EXPECT_EQ(request.X, 0);

    TsPanel* plainFill = AddPanel(form, "RED");
    request = TsBackgroundRequest{};
    SendMessage(plainFill->Handle(), SkinCommandMessage, SkinCommandWParam(scGetBackground),
                reinterpret_cast<LPARAM>(&request));
    EXPECT_EQ(request.Kind, 1);
    EXPECT_EQ(request.Color, 0x000000FFu);

    TsPanel* uncached = AddPanel(form, "HALF");
    uncached->SkinData.CacheBitmap.reset();
    request = TsBackgroundRequest{};
    SendMessage(uncached->Handle(), SkinCommandMessage, SkinCommandWParam(scGetBackground), reinterpret_cast<LPARAM>(&request));
    EXPECT_EQ(request.Kind, 1);
    EXPECT_EQ(request.Color, TransparentKey);
}

TEST_F(CommonData, SharedMessages) {
    TsPanel* skinned = AddPanel(form, "PANEL");
    TsPanel* unskinned = AddPanel(form, "NOSUCH");
    skinned->Commands.clear();
    TMessage uiState{WM_UPDATEUISTATE, 0, 0, 0};
    EXPECT_TRUE(SharedControlMessageHandler(uiState, &skinned->SkinData));
    EXPECT_FALSE(SharedControlMessageHandler(uiState, &unskinned->SkinData));
    EXPECT_FALSE(SharedControlMessageHandler(uiState, nullptr));

    // Hover: a no-hover kind (a panel, a bar) never becomes hot.
    skinned->SkinData.ControlKind = 93;
    skinned->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(skinned->SkinData.MouseInside);
    skinned->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(skinned->SkinData.MouseInside);
    skinned->SkinData.ControlKind = 19;
    skinned->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_FALSE(skinned->SkinData.MouseInside);

    // Hiding gives the caches back, the children's too.
    TsGraphic* child = new TsGraphic(&form, 0);
    child->SetParent(skinned);
    child->SkinData.SetSkinSection("PANEL");
    child->SkinData.CacheBitmap->SetSize(5, 5);
    skinned->SkinData.PrepareCacheBitmap();
    skinned->SkinData.BackgroundDirty = false;
    skinned->Perform(CM_VISIBLECHANGED, 0, 0);
    EXPECT_EQ(skinned->SkinData.CacheBitmap->Width(), 0);
    EXPECT_TRUE(skinned->SkinData.BackgroundDirty);
    EXPECT_EQ(child->SkinData.CacheBitmap->Width(), 0);
    EXPECT_TRUE(child->SkinData.PaintSuspended);
    skinned->Perform(CM_VISIBLECHANGED, 1, 0);
    EXPECT_FALSE(skinned->SkinData.PaintSuspended);
}

TEST_F(CommonData, UpdatesNestAndTellTheHost) {
    TsPanel* panel = AddPanel(form, "PANEL");
    panel->Commands.clear();
    panel->SkinData.BeginUpdate();
    panel->SkinData.BeginUpdate();
    EXPECT_NE(panel->SkinData.StateFlags & sfUpdating, 0);
    panel->SkinData.EndUpdate();
    EXPECT_EQ(panel->SkinData.UpdateLevel, 1);
    panel->SkinData.EndUpdate();
    EXPECT_EQ(panel->Commands, (std::vector<int>{scUpdateBegins, scUpdateBegins, scUpdateEnds}));
}

TEST_F(CommonData, FontSectionComesFromTheNearestOpaqueParentThatGivesItsFont) {
    manager.Tables().Sections[0].GiveOwnFont = true;  // PANEL
    TsPanel* outer = AddPanel(form, "PANEL", {0, 0, 200, 150});
    TsPanel* clear = AddPanel(*outer, "CLEAR", {5, 5, 150, 100});
    TsGraphic label(&form, 0);
    label.SetParent(clear);
    EXPECT_EQ(FindFontSectionIndex(&label, -7, &manager, 0), 0);
    TsGraphic direct(&form, 0);
    direct.SetParent(outer);
    EXPECT_EQ(FindFontSectionIndex(&direct, -7, &manager, 0), 0);
    manager.Tables().Sections[0].GiveOwnFont = false;
    EXPECT_EQ(FindFontSectionIndex(&direct, -7, &manager, 0), -7);
}

}  // namespace
}  // namespace parch
