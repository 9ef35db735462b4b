// Menus of the framework over the window system's menus: shortcut texts, the form's menu bar,
// the menu loop reaching the items, context menus, owner drawing and shortcuts acting once.

#include <filesystem>
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "framework/Actions.h"
#include "framework/CustomControls.h"
#include "framework/Menus.h"
#include "platform/display/PngFile.h"
#include "platform/win/MenuBar.h"
#include "platform/win/PopupMenus.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

// A windowed control that takes the focus and writes down its keys and characters.
class TKeyPanel : public TCustomControl {
public:
    explicit TKeyPanel(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
    std::vector<WORD> keys;
    std::u16string typed;

protected:
    void Paint() override {
        Canvas().Brush().SetColor(clWhite);
        Canvas().FillRect(ClientRect());
    }
    void KeyDown(WORD& key, TShiftState shift) override {
        keys.push_back(key);
        TCustomControl::KeyDown(key, shift);
    }
    void KeyPress(char16_t& key) override {
        typed += key;
        TCustomControl::KeyPress(key);
    }
};

TEST(ShortCutText, RoundTripsThroughTheKeyNames) {
    struct Case {
        TShortCut shortCut;
        const char* text;
    };
    const Case cases[] = {
        {ShortCut('S', ssCtrl), "Ctrl+S"},
        {ShortCut(VK_DELETE, ssShift), "Shift+Del"},
        {ShortCut(VK_F4, ssAlt), "Alt+F4"},
        {ShortCut(VK_F1 + 4, 0), "F5"},
        {ShortCut(VK_F12, ssCtrl), "Ctrl+F12"},
        {ShortCut('N', ssCtrl | ssShift), "Shift+Ctrl+N"},
        {ShortCut('7', ssCtrl | ssAlt | ssShift), "Shift+Ctrl+Alt+7"},
        {ShortCut(VK_BACK, ssAlt), "Alt+BkSp"},
        {ShortCut(VK_TAB, ssCtrl), "Ctrl+Tab"},
        {ShortCut(VK_ESCAPE, 0), "Esc"},
        {ShortCut(VK_RETURN, ssCtrl), "Ctrl+Enter"},
        {ShortCut(VK_SPACE, ssCtrl), "Ctrl+Space"},
        {ShortCut(VK_PRIOR, 0), "PgUp"},
        {ShortCut(VK_NEXT, 0), "PgDn"},
        {ShortCut(VK_END, 0), "End"},
        {ShortCut(VK_HOME, 0), "Home"},
        {ShortCut(VK_LEFT, ssAlt), "Alt+Left"},
        {ShortCut(VK_UP, 0), "Up"},
        {ShortCut(VK_RIGHT, 0), "Right"},
        {ShortCut(VK_DOWN, 0), "Down"},
        {ShortCut(VK_INSERT, ssShift), "Shift+Ins"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ShortCutToText(c.shortCut), c.text);
        EXPECT_EQ(TextToShortCut(c.text), c.shortCut);
    }
}

TEST(ShortCutText, ReadsModifiersInAnyOrderAndRefusesWhatNamesNoKey) {
    EXPECT_EQ(TextToShortCut("ctrl+shift+n"), ShortCut('N', ssCtrl | ssShift));
    EXPECT_EQ(TextToShortCut("ALT+f4"), ShortCut(VK_F4, ssAlt));
    for (const char* text : {"", "Ctrl+", "Hyper+X", "Ctrl+F13", "Ctrl+SS", "S+Ctrl"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(TextToShortCut(text), 0);
    }
    EXPECT_EQ(ShortCutToText(ShortCut(0x5B, ssCtrl)), "");  // a key without a name
    EXPECT_EQ(ShortCutToText(0), "");
}

class MenusTest : public FormFixture {
protected:
    TForm* form = nullptr;
    TKeyPanel* panel = nullptr;

    void SetUp() override {
        app.CreateForm(form);
        form->SetBounds(100, 100, 400, 300);
        panel = new TKeyPanel(form);
        panel->SetParent(form);
        panel->SetBounds(20, 20, 200, 120);
    }

    TMenuItem* Item(TMenuItem* parent, const std::string& caption, TShortCut shortCut = 0, int* clicks = nullptr) {
        auto* item = new TMenuItem(form);
        item->SetCaption(caption);
        item->SetShortCut(shortCut);
        if (clicks) item->OnClick = [clicks](TObject*) { ++*clicks; };
        parent->Add(item);
        return item;
    }

    void ShowForm() {
        form->Show();
        app.ProcessMessages();
    }

    // Runs step on the form's thread each time a popup of the menu loop has opened (told by
    // WM_INITMENUPOPUP, acted on once the popup window is up).
    static constexpr UINT kStep = WM_APP + 7;
    void OnPopupShown(std::function<void(HMENU)> step) {
        form->WindowProc = [this, step, old = form->WindowProc](TMessage& m) {
            if (m.Msg == kStep) {
                step(reinterpret_cast<HMENU>(m.WParam));
                return;
            }
            if (m.Msg == WM_INITMENUPOPUP) PostMessage(form->Handle(), kStep, m.WParam, 0);
            old(m);
        };
    }

    // The step runs again once what it did has been handled by the menu loop.
    void StepAgain(HMENU shown) { PostMessage(form->Handle(), kStep, reinterpret_cast<WPARAM>(shown), 0); }

    static HWND PopupWindow() { return FindWindow("#32768", nullptr); }

    static std::string MenuText(HMENU menu, UINT position) {
        char text[128] = {};
        GetMenuString(menu, position, text, sizeof text, MF_BYPOSITION);
        return text;
    }
};

TEST_F(MenusTest, MenuBarShowsTheItemsWithTheirStates) {
    auto* menu = new TMainMenu(form);
    TMenuItem* file = Item(menu->Items(), "&File");
    Item(file, "&Open", ShortCut('O', ssCtrl));
    Item(file, "&Save")->SetEnabled(false);
    Item(file, "-");
    TMenuItem* view = Item(file, "&View");
    TMenuItem* small = Item(view, "&Small");
    TMenuItem* large = Item(view, "&Large");
    small->SetRadioItem(true);
    large->SetRadioItem(true);
    small->SetChecked(true);
    large->SetChecked(true);  // the group has one checked item
    Item(file, "&Hidden")->SetVisible(false);
    Item(menu->Items(), "&Help")->SetDefault(true);
    form->SetMenu(menu);
    ShowForm();

    HMENU bar = GetMenu(form->Handle());
    ASSERT_EQ(bar, menu->Handle());
    EXPECT_FALSE(win::IsPopupMenu(bar));
    EXPECT_GT(win::MenuBarRect(form->Handle()).bottom, 0);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    HMENU fileMenu = GetSubMenu(bar, 0);
    EXPECT_EQ(fileMenu, file->Handle());
    EXPECT_EQ(TMenuItem::FromHandle(fileMenu), file);

    struct Expected {
        std::string text;
        UINT flags;  // what GetMenuState answers, submenus aside
    };
    const Expected items[] = {
        {"&Open\tCtrl+O", 0}, {"&Save", MF_GRAYED}, {"", MF_SEPARATOR}, {"&View", MF_POPUP}};
    ASSERT_EQ(GetMenuItemCount(fileMenu), 4);  // the hidden item is left out
    for (UINT i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(MenuText(fileMenu, i), items[i].text);
        EXPECT_EQ(GetMenuState(fileMenu, i, MF_BYPOSITION) & (MF_GRAYED | MF_SEPARATOR | MF_POPUP | MF_CHECKED),
                  items[i].flags);
    }
    EXPECT_EQ(GetMenuItemID(fileMenu, 0), file->Items(0)->Command());
    HMENU viewMenu = GetSubMenu(fileMenu, 3);
    EXPECT_FALSE(small->Checked());
    EXPECT_EQ(GetMenuState(viewMenu, 0, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(viewMenu, 1, MF_BYPOSITION) & MF_CHECKED, MF_CHECKED);
    MENUITEMINFO info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfo(viewMenu, 1, 1, &info);
    EXPECT_EQ(info.fType & MFT_RADIOCHECK, MFT_RADIOCHECK);
    EXPECT_EQ(GetMenuDefaultItem(bar, 1, 0), 1u);
}

TEST_F(MenusTest, ItemChangesRefillTheSamePlatformMenu) {
    auto* menu = new TMainMenu(form);
    TMenuItem* file = Item(menu->Items(), "&File");
    TMenuItem* open = Item(file, "&Open");
    form->SetMenu(menu);
    ShowForm();
    HMENU bar = menu->Handle();
    HMENU fileMenu = file->Handle();

    struct Change {
        const char* name;
        std::function<void()> apply;
        std::vector<std::string> texts;  // the File menu afterwards
    };
    TMenuItem* added = nullptr;
    const Change changes[] = {
        {"caption", [&] { open->SetCaption("&Open..."); }, {"&Open..."}},
        {"shortcut", [&] { open->SetShortCut(ShortCut(VK_F1 + 2, 0)); }, {"&Open...\tF3"}},
        {"added", [&] { added = Item(file, "&Close"); }, {"&Open...\tF3", "&Close"}},
        {"moved", [&] { added->SetMenuIndex(0); }, {"&Close", "&Open...\tF3"}},
        {"hidden", [&] { open->SetVisible(false); }, {"&Close"}},
        {"shown", [&] { open->SetVisible(true); }, {"&Close", "&Open...\tF3"}},
        {"deleted", [&] { file->Delete(0); }, {"&Open...\tF3"}},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        c.apply();
        EXPECT_EQ(GetMenu(form->Handle()), bar);
        EXPECT_EQ(GetSubMenu(bar, 0), fileMenu);
        std::vector<std::string> texts;
        for (int i = 0; i < GetMenuItemCount(fileMenu); ++i) texts.push_back(MenuText(fileMenu, static_cast<UINT>(i)));
        EXPECT_EQ(texts, c.texts);
    }
    // A first subitem turns an item into a submenu; the bar changes in place.
    TMenuItem* help = Item(menu->Items(), "&Help");
    EXPECT_EQ(GetMenuState(bar, 1, MF_BYPOSITION) & MF_POPUP, 0u);
    TMenuItem* about = Item(help, "&About");
    EXPECT_EQ(GetSubMenu(bar, 1), help->Handle());
    UINT aboutCommand = about->Command();
    EXPECT_EQ(TMenuItem::FromCommand(aboutCommand), about);
    delete about;
    EXPECT_EQ(TMenuItem::FromCommand(aboutCommand), nullptr);
    EXPECT_EQ(GetSubMenu(bar, 1), nullptr);
}

TEST_F(MenusTest, ClickThroughTheMenuLoopRunsTheItemOnceAndItsActionsUpdate) {
    auto* menu = new TMainMenu(form);
    TMenuItem* file = Item(menu->Items(), "&File");
    TMenuItem* open = Item(file, "&Open");
    TMenuItem* save = Item(file, "&Save");
    open->SetHint("Open|Opens a document");
    int opened = 0;
    int saved = 0;
    auto* openAction = new TAction(form);
    openAction->SetCaption("&Open...");
    openAction->OnExecute = [&](TObject*) { ++opened; };
    open->SetAction(openAction);
    auto* saveAction = new TAction(form);
    saveAction->SetCaption("&Save");
    saveAction->OnExecute = [&](TObject*) { ++saved; };
    bool canSave = true;
    saveAction->OnUpdate = [&](TObject*) { saveAction->SetEnabled(canSave); };
    save->SetAction(saveAction);
    canSave = false;
    EXPECT_TRUE(save->Enabled());  // its update comes when the menu opens
    form->SetMenu(menu);
    ShowForm();

    std::vector<std::string> hints;
    app.OnHint = [&](TObject*) { hints.push_back(app.Hint()); };
    bool saveGreyedWhenShown = false;
    OnPopupShown([&](HMENU shown) {
        ASSERT_EQ(shown, file->Handle());
        saveGreyedWhenShown = (GetMenuState(shown, 1, MF_BYPOSITION) & MF_GRAYED) != 0;
        RECT item;
        ASSERT_TRUE(GetMenuItemRect(form->Handle(), shown, 0, &item));
        display.MoveMouse(item.left + 5, item.top + 5);
        display.Click(item.left + 5, item.top + 5);
    });
    RECT fileItem;
    ASSERT_TRUE(GetMenuItemRect(form->Handle(), menu->Handle(), 0, &fileItem));
    display.Click(fileItem.left + 5, fileItem.top + 5);
    app.ProcessMessages();
    app.ProcessMessages();

    EXPECT_EQ(opened, 1);
    EXPECT_EQ(saved, 0);
    EXPECT_TRUE(saveGreyedWhenShown);
    EXPECT_FALSE(save->Enabled());
    EXPECT_EQ(MenuText(file->Handle(), 0), "&Open...");
    ASSERT_FALSE(hints.empty());
    EXPECT_NE(std::find(hints.begin(), hints.end(), "Opens a document"), hints.end());
    EXPECT_EQ(hints.back(), "");  // the menu closed
}

TEST_F(MenusTest, ContextMenuRequestShowsTheControlsPopupMenu) {
    auto* popup = new TPopupMenu(form);
    int chosen = 0;
    Item(popup->Items(), "&Copy", 0, &chosen);
    int popups = 0;
    popup->OnPopup = [&](TObject*) { ++popups; };
    panel->SetPopupMenu(popup);
    ShowForm();
    POINT centre = panel->ClientToScreen({100, 60});
    POINT inside = panel->ClientToScreen({30, 40});

    struct Case {
        const char* name;
        bool autoPopup;
        POINT sent;          // the message's point, (-1, -1) from the keyboard
        bool shows;
        POINT expectedAt;
    };
    const Case cases[] = {
        {"mouse", true, inside, true, inside},
        {"keyboard", true, {-1, -1}, true, centre},
        {"no auto popup", false, inside, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        popup->SetAutoPopup(c.autoPopup);
        popup->SetPopupComponent(nullptr);
        chosen = popups = 0;
        bool shown = false;
        RECT at{};
        OnPopupShown([&](HMENU) {
            shown = true;
            GetWindowRect(PopupWindow(), &at);
            display.PressKey(VK_DOWN);
            display.PressKey(VK_RETURN);
        });
        SendMessage(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()),
                    MAKELPARAM(static_cast<WORD>(c.sent.x), static_cast<WORD>(c.sent.y)));
        app.ProcessMessages();
        EXPECT_EQ(shown, c.shows);
        EXPECT_EQ(popups, c.shows ? 1 : 0);
        EXPECT_EQ(chosen, c.shows ? 1 : 0);
        if (!c.shows) continue;
        EXPECT_EQ(popup->PopupComponent(), panel);
        EXPECT_EQ(at.left, c.expectedAt.x);
        EXPECT_EQ(at.top, c.expectedAt.y);
    }
    delete popup;
    EXPECT_EQ(panel->PopupMenu(), nullptr);  // the control learnt the menu went
}

TEST_F(MenusTest, OwnerDrawnItemsReachTheirDrawingEventsWithTheirState) {
    auto* popup = new TPopupMenu(form);
    TMenuItem* checked = Item(popup->Items(), "&Checked");
    TMenuItem* greyed = Item(popup->Items(), "&Greyed");
    TMenuItem* plain = Item(popup->Items(), "&Plain");
    checked->SetChecked(true);
    greyed->SetEnabled(false);
    std::vector<std::pair<std::string, TOwnerDrawState>> drawn;
    auto record = [&](TObject* sender, TCanvas& canvas, RECT rect, TOwnerDrawState state) {
        drawn.emplace_back(static_cast<TMenuItem*>(sender)->Caption(), state);
        canvas.Brush().SetColor((state & odSelected) ? clNavy : clYellow);
        canvas.FillRect(rect);
    };
    checked->OnAdvancedDrawItem = record;
    greyed->OnAdvancedDrawItem = record;
    checked->OnMeasureItem = [](TObject*, TCanvas&, int& width, int& height) {
        EXPECT_GT(width, 0);
        width = 150;
        height = 30;
    };
    int clicked = 0;
    checked->OnClick = [&](TObject*) { ++clicked; };
    RECT checkedRect{};
    OnPopupShown([&](HMENU shown) {
        GetMenuItemRect(form->Handle(), shown, 0, &checkedRect);
        display.PressKey(VK_DOWN);
        display.PressKey(VK_RETURN);
    });
    ShowForm();
    popup->Popup(200, 200);
    app.ProcessMessages();

    EXPECT_EQ(clicked, 1);
    EXPECT_EQ(checkedRect.bottom - checkedRect.top, 30);
    EXPECT_GE(checkedRect.right - checkedRect.left, 150);
    std::set<std::pair<std::string, TOwnerDrawState>> states(drawn.begin(), drawn.end());
    EXPECT_TRUE(states.count({"&Checked", odChecked}));
    EXPECT_TRUE(states.count({"&Checked", odChecked | odSelected}));
    EXPECT_TRUE(states.count({"&Greyed", odGrayed | odDisabled}));
    for (const auto& d : drawn) EXPECT_NE(d.first, "&Plain");  // the window system draws it
    MENUITEMINFO info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfo(popup->Handle(), 2, 1, &info);
    EXPECT_EQ(info.fType & MFT_OWNERDRAW, 0u);
    (void)plain;
}

TEST_F(MenusTest, AShortCutActsOnceAcrossMainMenuAndPopupMenu) {
    auto* menu = new TMainMenu(form);
    TMenuItem* file = Item(menu->Items(), "&File");
    int mainSave = 0, popupSave = 0, popupPrint = 0;
    TMenuItem* save = Item(file, "&Save", ShortCut('S', ssCtrl), &mainSave);
    auto* popup = new TPopupMenu(form);
    Item(popup->Items(), "&Save", ShortCut('S', ssCtrl), &popupSave);
    Item(popup->Items(), "&Print", ShortCut('P', ssCtrl), &popupPrint);
    form->SetMenu(menu);
    panel->SetPopupMenu(popup);
    ShowForm();
    ASSERT_TRUE(panel->Focused());
    bool formTakes = false;
    form->OnShortCut = [&](TMessage&, bool& handled) { handled = formTakes; };

    struct Case {
        const char* name;
        std::function<void()> setUp;
        UINT key;
        std::vector<int> counts;  // main Save, popup Save, popup Print
    };
    const Case cases[] = {
        {"main menu first", [] {}, 'S', {1, 0, 0}},
        {"popup menu of the focused control", [] {}, 'P', {0, 0, 1}},
        {"greyed main item leaves it to the popup", [&] { save->SetEnabled(false); }, 'S', {0, 1, 0}},
        {"the form's OnShortCut before all", [&] { formTakes = true; }, 'S', {0, 0, 0}},
        {"hidden parent", [&] {
             formTakes = false;
             save->SetEnabled(true);
             file->SetVisible(false);
             popup->Items()->Items(0)->SetEnabled(false);
         }, 'S', {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        mainSave = popupSave = popupPrint = 0;
        panel->keys.clear();
        panel->typed.clear();
        display.KeyDown(VK_CONTROL);
        display.PressKey(c.key);
        display.KeyUp(VK_CONTROL);
        app.ProcessMessages();
        EXPECT_EQ((std::vector<int>{mainSave, popupSave, popupPrint}), c.counts);
        bool acted = c.counts != std::vector<int>{0, 0, 0} || formTakes;
        // A key that acted reaches the control neither as a key nor as a character.
        EXPECT_EQ(std::count(panel->keys.begin(), panel->keys.end(), c.key), acted ? 0 : 1);
        if (acted) {
            EXPECT_TRUE(panel->typed.empty());
        }
    }
}

TEST_F(MenusTest, MenuBarOutlivesTheFormsWindowAndComesBackWithANewOne) {
    auto* menu = new TMainMenu(&app);
    Item(menu->Items(), "&File");
    form->SetMenu(menu);
    ShowForm();
    HMENU bar = menu->Handle();
    HWND first = form->Handle();
    delete form;
    form = nullptr;
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsMenu(bar));
    EXPECT_EQ(menu->WindowHandle(), nullptr);

    TForm* second = new TForm(&app);
    second->SetMenu(menu);
    second->Show();
    app.ProcessMessages();
    EXPECT_EQ(GetMenu(second->Handle()), bar);
    delete second;
    delete menu;
    EXPECT_FALSE(IsMenu(bar));
}

TEST_F(MenusTest, PictureOfAFormWithAMainMenuAndAPopupWithPictures) {
    auto* menu = new TMainMenu(form);
    Item(menu->Items(), "&File");
    Item(menu->Items(), "&Edit");
    Item(menu->Items(), "&Help");
    form->SetMenu(menu);
    form->SetCaption("Menus");

    auto* images = new TCustomImageList(form);
    TBitmap blue(16, 16);
    blue.Canvas().Brush().SetColor(clBlue);
    blue.Canvas().FillRect({0, 0, 16, 16});
    images->Add(&blue, nullptr);
    auto* popup = new TPopupMenu(form);
    popup->SetImages(images);
    TMenuItem* red = Item(popup->Items(), "&Red picture", ShortCut('R', ssCtrl));
    red->Bitmap().SetSize(16, 16);
    red->Bitmap().Canvas().Brush().SetColor(clRed);
    red->Bitmap().Canvas().FillRect({0, 0, 16, 16});
    red->BitmapChanged();
    Item(popup->Items(), "&Blue image", ShortCut(VK_DELETE, ssShift))->SetImageIndex(0);
    Item(popup->Items(), "-");
    Item(popup->Items(), "&Checked")->SetChecked(true);
    Item(popup->Items(), "&Greyed")->SetEnabled(false);
    ShowForm();

    std::string path = (std::filesystem::temp_directory_path() / "parch-framework-menus.png").string();
    bool saved = false;
    COLORREF redSeen = 0, blueSeen = 0, selectionSeen = 0;
    bool keyPressed = false;
    OnPopupShown([&](HMENU shown) {
        // The first item is highlighted before the picture is taken: the step comes again
        // once the selection reached the form.
        if (!keyPressed) {
            keyPressed = true;
            display.PressKey(VK_DOWN);
            return;
        }
        HBITMAP screen = CaptureScreen();
        saved = SavePng(screen, path);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, screen);
        RECT item;
        GetMenuItemRect(form->Handle(), shown, 0, &item);
        redSeen = GetPixel(dc, item.left + 12, (item.top + item.bottom) / 2);
        selectionSeen = GetPixel(dc, item.right - 4, item.top + 2);
        GetMenuItemRect(form->Handle(), shown, 1, &item);
        blueSeen = GetPixel(dc, item.left + 12, (item.top + item.bottom) / 2);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(screen);
        display.PressKey(VK_ESCAPE);
    });
    form->WindowProc = [&, old = form->WindowProc](TMessage& m) {
        if (m.Msg == WM_MENUSELECT && keyPressed && LOWORD(m.WParam) == red->Command())
            StepAgain(reinterpret_cast<HMENU>(m.LParam));
        old(m);
    };
    POINT at = panel->ClientToScreen({40, 40});
    popup->Popup(at.x, at.y);
    app.ProcessMessages();
    EXPECT_TRUE(saved);
    EXPECT_EQ(redSeen, RGB(255, 0, 0));
    EXPECT_EQ(blueSeen, RGB(0, 0, 255));
    EXPECT_EQ(selectionSeen, ColorToRGB(clHighlight));
}

}  // namespace
}  // namespace parch
