// MDI forms. No reference program runs here: what is expected of the children (made in the
// main form's client, activated, tiled, cascaded, listed in the window menu, closed to icons)
// follows the documented behaviour of the Windows MDI messages the forms are built on.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FormFixture.h"
#include "base/Exceptions.h"

namespace parch {
namespace {

class MdiFormsTest : public FormFixture {
protected:
    void SetUp() override {
        TForm* made = nullptr;
        app.CreateForm(made);
        main = made;
        windowMenu = CreatePopupMenu();
        AppendMenu(windowMenu, MF_STRING, 1, "&Tile");
        HMENU bar = CreateMenu();
        AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(windowMenu), "&Window");
        main->SetWindowMenu(windowMenu);
        main->SetFormStyle(fsMDIForm);
        main->SetBounds(0, 0, 640, 480);
        main->HandleNeeded();
        SetMenu(main->Handle(), bar);
        Show(main);
    }

    TForm* NewChild(const std::string& caption) {
        auto* child = new TForm(&app);
        child->SetFormStyle(fsMDIChild);
        child->SetCaption(caption);
        child->SetBounds(0, 0, 200, 150);
        child->Show();
        display.PumpMessages();
        return child;
    }

    std::vector<std::string> Captions() {
        std::vector<std::string> result;
        for (int i = 0; i < main->MDIChildCount(); ++i) result.push_back(main->MDIChildren(i)->Caption());
        return result;
    }

    TForm* main = nullptr;
    HMENU windowMenu = nullptr;
};

TEST_F(MdiFormsTest, ChildrenLiveInTheClientAndTheNewestIsActive) {
    ASSERT_NE(main->ClientHandle(), nullptr);
    RECT client{};
    GetWindowRect(main->ClientHandle(), &client);
    RECT area = main->ClientRect();
    EXPECT_EQ(client.right - client.left, area.right);
    EXPECT_EQ(client.bottom - client.top, area.bottom);

    TForm* one = NewChild("One");
    TForm* two = NewChild("Two");
    EXPECT_EQ(GetParent(one->Handle()), main->ClientHandle());
    EXPECT_EQ(main->MDIChildCount(), 2);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Two", "One"}));
    EXPECT_EQ(main->ActiveMDIChild(), two);
    EXPECT_TRUE(two->Active());
    EXPECT_FALSE(one->Active());

    main->Previous();
    EXPECT_EQ(main->ActiveMDIChild(), one);
    EXPECT_TRUE(one->Active());
    EXPECT_FALSE(two->Active());
    main->Next();
    EXPECT_EQ(main->ActiveMDIChild(), two);

    // The window menu lists them, the active one checked, and its command activates.
    EXPECT_EQ(GetMenuItemCount(windowMenu), 4);
    char text[32] = {};
    GetMenuString(windowMenu, 0xFF00, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&1 One");
    EXPECT_TRUE(GetMenuState(windowMenu, 0xFF01, MF_BYCOMMAND) & MF_CHECKED);
    SendMessage(main->Handle(), WM_COMMAND, 0xFF00, 0);
    EXPECT_EQ(main->ActiveMDIChild(), one);

    // Ctrl+F6 through the application's message loop.
    display.KeyDown(VK_CONTROL);
    display.PressKey(0x75);
    display.KeyUp(VK_CONTROL);
    app.ProcessMessages();
    EXPECT_EQ(main->ActiveMDIChild(), two);
}

TEST_F(MdiFormsTest, TileModesCascadeAndArrangeIcons) {
    TForm* one = NewChild("One");
    TForm* two = NewChild("Two");
    RECT area{};
    GetClientRect(main->ClientHandle(), &area);
    main->SetTileMode(tbVertical);
    main->Tile();
    EXPECT_EQ(two->Left(), 0);
    EXPECT_EQ(two->Width(), area.right / 2);
    EXPECT_EQ(two->Height(), area.bottom);
    EXPECT_EQ(one->Left(), area.right / 2);
    main->SetTileMode(tbHorizontal);
    main->Tile();
    EXPECT_EQ(two->Top(), 0);
    EXPECT_EQ(two->Width(), area.right);
    EXPECT_EQ(one->Top(), area.bottom / 2);
    main->Cascade();
    EXPECT_EQ(one->Left(), 0);
    EXPECT_GT(two->Left(), 0);
    EXPECT_EQ(two->Left(), two->Top());

    // Closing an MDI child makes an icon of it at the bottom of the client.
    one->Close();
    display.PumpMessages();
    EXPECT_EQ(one->WindowState(), wsMinimized);
    EXPECT_TRUE(IsIconic(one->Handle()));
    main->ArrangeIcons();
    RECT icon{};
    GetWindowRect(one->Handle(), &icon);
    MapWindowPoints(nullptr, main->ClientHandle(), reinterpret_cast<POINT*>(&icon), 2);
    EXPECT_EQ(icon.bottom, area.bottom);
    EXPECT_EQ(icon.left, 0);
}

TEST_F(MdiFormsTest, FreeingTheActiveChildActivatesTheNextAndMaximizedStateCarriesOver) {
    TForm* one = NewChild("One");
    TForm* two = NewChild("Two");
    two->SetWindowState(wsMaximized);
    display.PumpMessages();
    EXPECT_TRUE(IsZoomed(two->Handle()));
    RECT client{};
    GetClientRect(main->ClientHandle(), &client);
    EXPECT_EQ(two->ClientWidth(), client.right);
    delete two;
    display.PumpMessages();
    EXPECT_EQ(main->MDIChildCount(), 1);
    EXPECT_EQ(main->ActiveMDIChild(), one);
    EXPECT_TRUE(IsZoomed(one->Handle()));
    EXPECT_THROW(main->MDIChildren(1), EListError);
}

TEST_F(MdiFormsTest, AnMdiChildNeedsAnMdiMainForm) {
    main->SetFormStyle(fsNormal);
    EXPECT_EQ(main->ClientHandle(), nullptr);
    auto* orphan = new TForm(&app);
    orphan->SetFormStyle(fsMDIChild);
    EXPECT_THROW(orphan->HandleNeeded(), EInvalidOperation);
    delete orphan;
}

}  // namespace
}  // namespace parch
