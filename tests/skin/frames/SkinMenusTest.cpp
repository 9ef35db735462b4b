// Skinned menus on the headless screen with the internal skin: which handlers the menus take
// and give back, item measuring, popups and the menu line painted from the skin's sections,
// keyboard and mouse navigation through skinned menus, and a contact sheet of what they show.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Screen.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/display/PngFile.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/Compositor.h"
#include "platform/win/Focus.h"
#include "platform/win/MenuBar.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/PopupMenus.h"
#include "platform/win/WinApi.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowLong.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/frames/sSkinMenus.h"
#include "skin/frames/sSkinProvider.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch::test {
namespace {

constexpr UINT kMenuStep = WM_USER + 0x3A1;

int Brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

class SkinMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadInternalSkin(manager);
        form = new TForm(&app);
        form->SetBounds(60, 60, 360, 240);
        form->SetCaption("Menus");
    }
    void TearDown() override {
        delete form;
        ClearMenuBgCache();
        ForgetSkinableMenus(manager);
    }

    TsSkinableMenus& Menus() { return SkinableMenusOf(manager); }

    static TMenuItem* Add(TMenuItem* parent, const std::string& caption, TShortCut shortCut = 0) {
        auto* item = new TMenuItem(parent);
        item->SetCaption(caption);
        item->SetShortCut(shortCut);
        parent->Add(item);
        return item;
    }

    void Show() {
        form->Show();
        display.PumpMessages();
    }

    // Runs step each time a popup has opened and the loop is idle again.
    TWindowProcChain::Link OnPopupShown(std::function<void(HMENU)> step) {
        return form->WindowProcChain().Join([this, step](TMessage& m, const TWndMethod& inherited) {
            if (m.Msg == kMenuStep) {
                step(reinterpret_cast<HMENU>(m.WParam));
                return;
            }
            if (m.Msg == WM_INITMENUPOPUP) PostMessage(form->Handle(), kMenuStep, m.WParam, 0);
            inherited(m);
        });
    }

    static HWND PopupWindow() { return FindWindow("#32768", nullptr); }

    // A copy of the screen as it is now.
    std::unique_ptr<TBitmap> Screenshot() {
        HBITMAP screen = CaptureScreen();
        BITMAP info{};
        GetObject(screen, sizeof info, &info);
        auto copy = std::make_unique<TBitmap>(info.bmWidth, info.bmHeight, pf32bit);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, screen);
        BitBlt(copy->Canvas().Handle(), 0, 0, info.bmWidth, info.bmHeight, dc, 0, 0, SRCCOPY);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(screen);
        return copy;
    }

    static COLORREF At(TBitmap& bitmap, int x, int y) { return GetPixel(bitmap.Canvas().Handle(), x, y) & 0xFFFFFF; }

    // The darkest pixel inside r: where the text ink lies.
    static int DarkestIn(TBitmap& bitmap, RECT r) {
        int darkest = 3 * 255;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) darkest = std::min(darkest, Brightness(At(bitmap, x, y)));
        return darkest;
    }

    TColor SectionColor(const std::string& name, bool hot) {
        int index = GetSectionIndex(&manager, name);
        const auto& section = manager.Tables().Sections[static_cast<size_t>(index)];
        return static_cast<TColor>((hot ? section.HotColor : section.Color) & 0xFFFFFF);
    }

    HeadlessDisplay display{800, 600, 0};
    TApplication app;
    TsSkinManager manager;
    TForm* form = nullptr;
};

// ---- Handlers

TEST_F(SkinMenusTest, HooksKeepTheApplicationsOwnHandlers) {
    auto* popup = new TPopupMenu(form);
    TMenuItem* plain = Add(popup->Items(), "Plain");
    TMenuItem* ownDraw = Add(popup->Items(), "Own draw");
    TMenuItem* ownMeasure = Add(popup->Items(), "Own measure");
    TMenuItem* nested = Add(Add(popup->Items(), "Sub"), "Nested");
    int appDraws = 0, appMeasures = 0;
    ownDraw->OnAdvancedDrawItem = [&](TObject*, TCanvas&, RECT, TOwnerDrawState) { ++appDraws; };
    ownMeasure->OnMeasureItem = [&](TObject*, TCanvas&, int&, int&) { ++appMeasures; };

    struct Case {
        TMenuItem* item;
        bool ourDraw;
        bool ourMeasure;
    };
    const Case cases[] = {{plain, true, true}, {ownDraw, false, true}, {ownMeasure, true, false}, {nested, true, true}};

    Menus().HookPopupMenu(popup, true);
    EXPECT_TRUE(popup->OwnerDraw());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item->Caption());
        EXPECT_TRUE(c.item->OnAdvancedDrawItem);
        EXPECT_TRUE(c.item->OnMeasureItem);
        EXPECT_EQ(Menus().HasPopupHandlers(*c.item), c.ourDraw && c.ourMeasure);
    }
    // Hooking twice changes nothing; unhooking takes only ours away.
    Menus().HookPopupMenu(popup, true);
    Menus().HookPopupMenu(popup, false);
    EXPECT_FALSE(popup->OwnerDraw());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item->Caption());
        EXPECT_EQ(static_cast<bool>(c.item->OnAdvancedDrawItem), !c.ourDraw);
        EXPECT_EQ(static_cast<bool>(c.item->OnMeasureItem), !c.ourMeasure);
    }
    TBitmap scratch(4, 4, pf32bit);
    TCanvas& canvas = scratch.Canvas();
    ownDraw->OnAdvancedDrawItem(ownDraw, canvas, RECT{}, 0);
    int w = 0, h = 0;
    ownMeasure->OnMeasureItem(ownMeasure, canvas, w, h);
    EXPECT_EQ(appDraws, 1);
    EXPECT_EQ(appMeasures, 1);
}

TEST_F(SkinMenusTest, MainMenuTakesLineHandlersOnlyWithSkinnedPopups) {
    auto* menu = new TMainMenu(form);
    TMenuItem* file = Add(menu->Items(), "&File");
    TMenuItem* open = Add(file, "&Open");
    form->SetMenu(menu);

    manager.SetSkinnedPopups(false);
    Menus().HookMainMenu(menu, true);
    EXPECT_FALSE(menu->OwnerDraw());
    EXPECT_FALSE(file->OnAdvancedDrawItem);

    manager.SetSkinnedPopups(true);
    Menus().UpdateMenus(true);
    EXPECT_TRUE(menu->OwnerDraw());
    EXPECT_TRUE(Menus().HasMenuLineHandlers(*file));
    EXPECT_TRUE(Menus().HasPopupHandlers(*open));

    Menus().UpdateMenus(false);
    EXPECT_FALSE(menu->OwnerDraw());
    EXPECT_FALSE(file->OnAdvancedDrawItem);
    EXPECT_FALSE(open->OnMeasureItem);
}

// ---- Measuring

TEST_F(SkinMenusTest, ItemKindsAndColumns) {
    auto* popup = new TPopupMenu(form);
    TMenuItem* heading = Add(popup->Items(), "-Files-and more-");
    TMenuItem* line = Add(popup->Items(), "-");
    TMenuItem* half = Add(popup->Items(), "-half");
    TMenuItem* second = Add(popup->Items(), "Second column");
    TMenuItem* after = Add(popup->Items(), "After");
    second->SetBreak(mbBreak);

    struct Case {
        TMenuItem* item;
        bool caption;
        bool later;
    };
    const Case cases[] = {{heading, true, false}, {line, false, false}, {half, false, false},
                          {second, false, true}, {after, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item->Caption());
        EXPECT_EQ(IsCaptionItem(*c.item), c.caption);
        EXPECT_EQ(IsInLaterColumn(*c.item), c.later);
        EXPECT_FALSE(IsMenuLineItem(*c.item));
    }
    auto* bar = new TMainMenu(form);
    TMenuItem* top = Add(bar->Items(), "Top");
    EXPECT_TRUE(IsMenuLineItem(*top));
    EXPECT_FALSE(IsMenuLineItem(*Add(top, "Below")));
}

TEST_F(SkinMenusTest, MeasuringFollowsTheItemKindAndTheExtraLine) {
    auto* popup = new TPopupMenu(form);
    TMenuItem* first = Add(popup->Items(), "&Open", ShortCut('O', ssCtrl));
    TMenuItem* line = Add(popup->Items(), "-");
    TMenuItem* heading = Add(popup->Items(), "-Recent-");
    TMenuItem* pictured = Add(popup->Items(), "Pictured");
    TMenuItem* later = Add(popup->Items(), "Later");
    later->SetBreak(mbBreak);
    pictured->Bitmap().SetSize(24, 24);
    pictured->BitmapChanged();

    TBitmap scratch(10, 10, pf32bit);
    TCanvas& canvas = scratch.Canvas();
    canvas.Font().Assign(Screen->MenuFont());
    int textRow = static_cast<int>(std::nearbyint(canvas.TextHeight("W") * 1.25));
    TsSkinableMenus& menus = Menus();
    EXPECT_EQ(menus.ItemHeight(canvas, line), 2);
    EXPECT_EQ(menus.ItemHeight(canvas, heading), textRow + 2 * menus.Margin);
    EXPECT_EQ(menus.ItemHeight(canvas, first), std::max(textRow, 16) + 2 * menus.Margin);
    EXPECT_EQ(menus.ItemHeight(canvas, pictured), std::max(textRow, 24) + 2 * menus.Margin);

    int requests = 0;
    menus.OnGetMenuExtraLineData = [&](TMenuItem*, std::string&, std::string& caption, std::unique_ptr<TBitmap>&, bool&) {
        ++requests;
        caption = "&Parch";
    };
    auto widthOf = [&](TMenuItem* item) {
        int width = 0, height = 0;
        menus.MeasureItem(item, canvas, width, height);
        return width;
    };
    int plainFirst = widthOf(first);
    int plainLater = widthOf(later);
    canvas.Font().Assign(Screen->MenuFont());
    int text = canvas.TextWidth("Open" + ShortCutToText(first->ShortCut()));  // the prefix mark takes no room
    EXPECT_NEAR(plainFirst, 2 * 16 + text + 3 * menus.Margin + menus.Spacing, 2);

    manager.MenuSupport.UseExtraLine = true;
    manager.MenuSupport.ExtraLineWidth = 30;
    EXPECT_EQ(widthOf(first), plainFirst + 30);
    EXPECT_EQ(widthOf(later), plainLater);  // no extra line beside later columns
    EXPECT_GT(requests, 0);

    // A skin list suppresses the line and is never asked about it.
    requests = 0;
    first->SetName("SkinSelectItem");
    EXPECT_EQ(widthOf(first), plainFirst);
    EXPECT_EQ(requests, 0);
}

TEST_F(SkinMenusTest, SkinBorderWidthComesFromTheMenuMask) {
    struct Case {
        bool mask;
        int declared;
        int expected;
    };
    const Case cases[] = {{false, 0, 0}, {true, 0, 3}, {true, -2, 3}, {true, 5, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.declared);
        auto& masks = manager.Tables().Masks;
        masks.erase(std::remove_if(masks.begin(), masks.end(),
                                   [](const TsMaskData& m) { return m.SectionName == "MAINMENU" && m.KeyName == "BORDERSMASK"; }),
                    masks.end());
        if (c.mask) {
            TsMaskData mask;
            mask.SectionName = "MAINMENU";
            mask.KeyName = "BORDERSMASK";
            mask.CommonBorderWidth = static_cast<std::int16_t>(c.declared);
            masks.push_back(std::move(mask));
        }
        Menus().SkinBorderWidth = -1;
        EXPECT_EQ(Menus().GetSkinBorderWidth(), c.expected);
    }
}

// ---- Painting and navigation

struct ShownPopup {
    std::unique_ptr<TBitmap> screen;
    RECT window{};
    std::vector<RECT> items;
    int cached = 0;
};

TEST_F(SkinMenusTest, PopupIsPaintedFromTheSkinAndChoosesByKeyboard) {
    auto* provider = new TsSkinProvider(form);
    (void)provider;
    auto* popup = new TPopupMenu(form);
    Add(popup->Items(), "&Open", ShortCut('O', ssCtrl));
    TMenuItem* save = Add(popup->Items(), "&Save");
    TMenuItem* greyed = Add(popup->Items(), "&Greyed");
    Add(popup->Items(), "-");
    TMenuItem* checked = Add(popup->Items(), "&Checked");
    greyed->SetEnabled(false);
    checked->SetChecked(true);
    int saved = 0;
    save->OnClick = [&](TObject*) { ++saved; };
    Show();
    Menus().HookPopupMenu(popup, true);

    ShownPopup shown;
    int steps = 0;
    // Once Save is selected, the step comes again to take the picture.
    auto selection = form->WindowProcChain().Join([&](TMessage& m, const TWndMethod& inherited) {
        if (m.Msg == WM_MENUSELECT && steps == 1 && LOWORD(m.WParam) == save->Command())
            PostMessage(form->Handle(), kMenuStep, static_cast<WPARAM>(m.LParam), 0);
        inherited(m);
    });
    auto link = OnPopupShown([&](HMENU menu) {
        if (steps++ == 0) {
            display.PressKey(VK_DOWN);
            display.PressKey(VK_DOWN);
            return;
        }
        shown.screen = Screenshot();
        GetWindowRect(PopupWindow(), &shown.window);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            RECT r{};
            GetMenuItemRect(form->Handle(), menu, static_cast<UINT>(i), &r);
            shown.items.push_back(r);
        }
        shown.cached = MenuBgCacheCount();
        display.PressKey(VK_RETURN);
    });
    popup->Popup(200, 120);
    app.ProcessMessages();

    ASSERT_TRUE(shown.screen);
    ASSERT_EQ(shown.items.size(), 5u);
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(shown.cached, 1);  // one background serves every item of the popup
    TBitmap& screen = *shown.screen;
    SavePng(screen.Handle(), "build/skinned_popup-headless.png");

    // The selected item shows MENUITEM's hot state, the others its normal one.
    auto rightEdgeColour = [&](int index) {
        const RECT& r = shown.items[static_cast<size_t>(index)];
        return At(screen, r.right - 12, (r.top + r.bottom) / 2);
    };
    EXPECT_EQ(rightEdgeColour(1), ColorToRGB(SectionColor("MENUITEM", true)));
    EXPECT_EQ(rightEdgeColour(0), rightEdgeColour(4));
    EXPECT_NE(rightEdgeColour(0), rightEdgeColour(1));
    // The disabled item is the item blended 40 % over the menu: its ink is paler.
    auto textArea = [&](int index) {
        RECT r = shown.items[static_cast<size_t>(index)];
        r.left += 28;
        r.right = r.left + 40;
        return r;
    };
    EXPECT_GT(DarkestIn(screen, textArea(2)), DarkestIn(screen, textArea(0)) + 60);
    // Text is drawn: the ink is darker than the item around it.
    EXPECT_LT(DarkestIn(screen, textArea(0)), Brightness(rightEdgeColour(0)) - 150);
    // The menu closed: its background went with it.
    EXPECT_EQ(MenuBgCacheCount(), 0);
}

TEST_F(SkinMenusTest, MenuLineIsDrawnFromTheSkinAndOpensSkinnedPopups) {
    auto* menu = new TMainMenu(form);
    TMenuItem* file = Add(menu->Items(), "&File");
    TMenuItem* edit = Add(menu->Items(), "&Edit");
    TMenuItem* help = Add(menu->Items(), "&Help");
    TMenuItem* open = Add(file, "&Open");
    TMenuItem* quit = Add(file, "&Quit");
    Add(edit, "&Undo");
    Add(help, "&About");
    edit->SetEnabled(false);
    form->SetMenu(menu);
    auto* provider = new TsSkinProvider(form);
    Show();
    ASSERT_TRUE(Menus().HasMenuLineHandlers(*file));
    ASSERT_TRUE(Menus().HasPopupHandlers(*open));

    RECT window{};
    GetWindowRect(form->Handle(), &window);
    RECT bar = win::MenuBarRect(form->Handle());
    ASSERT_GT(bar.bottom, bar.top);
    std::vector<RECT> items = win::MenuBarItemRects(form->Handle(), bar);
    ASSERT_EQ(items.size(), 3u);
    auto screen = Screenshot();
    SavePng(screen->Handle(), "build/skinned_menu_line-headless.png");
    // Right of the last item the line shows MENULINE's colour; the items carry their captions.
    COLORREF lineColour = At(*screen, window.left + bar.right - 6, window.top + (bar.top + bar.bottom) / 2);
    EXPECT_EQ(lineColour, ColorToRGB(SectionColor("MENULINE", false)));
    auto ink = [&](const RECT& r) {
        return DarkestIn(*screen, RECT{window.left + r.left, window.top + r.top, window.left + r.right, window.top + r.bottom});
    };
    EXPECT_LT(ink(items[0]), 200);
    EXPECT_GT(ink(items[1]), ink(items[0]) + 60);  // the disabled item is blended with the line
    ASSERT_TRUE(provider->MenuLineImage());
    EXPECT_EQ(provider->MenuLineImage()->Width(), bar.right - bar.left);

    // Mouse: the bar item opens its skinned popup and a click there runs the item.
    int quits = 0;
    quit->OnClick = [&](TObject*) { ++quits; };
    int popupsSeen = 0;
    int cachedWhileOpen = 0;
    auto link = OnPopupShown([&](HMENU shownMenu) {
        ++popupsSeen;
        cachedWhileOpen = MenuBgCacheCount();
        RECT item{};
        GetMenuItemRect(form->Handle(), shownMenu, 1, &item);
        display.Click(item.left + 8, (item.top + item.bottom) / 2);
    });
    display.Click(window.left + (items[0].left + items[0].right) / 2, window.top + (items[0].top + items[0].bottom) / 2);
    app.ProcessMessages();
    app.ProcessMessages();
    EXPECT_EQ(popupsSeen, 1);
    EXPECT_EQ(cachedWhileOpen, 1);
    EXPECT_EQ(quits, 1);

    // Keyboard: F10 enters the line, Down opens File, Return runs Open.
    int opens = 0;
    open->OnClick = [&](TObject*) { ++opens; };
    link.Leave();
    auto keys = OnPopupShown([&](HMENU) { display.PressKey(VK_RETURN); });
    auto entered = form->WindowProcChain().Join([&](TMessage& m, const TWndMethod& inherited) {
        if (m.Msg == WM_INITMENU) PostMessage(form->Handle(), kMenuStep + 1, 0, 0);
        if (m.Msg == kMenuStep + 1) {
            display.PressKey(VK_DOWN);
            return;
        }
        inherited(m);
    });
    SetForegroundWindow(form->Handle());
    display.PressKey(VK_F10);
    app.ProcessMessages();
    app.ProcessMessages();
    EXPECT_EQ(opens, 1);
}

}  // namespace
}  // namespace parch::test
