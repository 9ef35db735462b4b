// The adapter families on standard controls: they join and leave the window's subclass chain
// in any order, paint from the skin through their caches, and give the window back as it was.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Blits.h"
#include "platform/win/ListBoxClass.h"
#include "platform/win/ListViewClass.h"
#include "skin/frames/acListViewAdapter.h"
#include "platform/win/ScrollBars.h"
#include "tests/skin/frames/AdapterFamiliesFixtures.h"

namespace parch {
namespace {

using test::FamilyColour;
using test::kFamilyBackdrop;
using test::ScreenShot;
using test::WindowRect;
using AdapterMaker = std::function<std::unique_ptr<TacMainWnd>(HWND, TsSkinManager*)>;

struct FamilyCase {
    const char* name;
    const char* cls;
    DWORD style;
    DWORD exStyle;
    AdapterMaker make;
};

const std::vector<FamilyCase>& FamilyCases() {
    static const std::vector<FamilyCase> cases = {
        {"edit", "Edit", WS_VSCROLL | ES_MULTILINE, WS_EX_CLIENTEDGE,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacEditWnd>(h, m, "", true); }},
        {"list box", "ListBox", WS_VSCROLL, WS_EX_CLIENTEDGE,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacEditWnd>(h, m, "EDIT", true); }},
        {"tree view", "SysTreeView32", 0, WS_EX_CLIENTEDGE,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacTreeViewWnd>(h, m, "", true); }},
        {"list view", "SysListView32", LVS_REPORT | WS_VSCROLL, WS_EX_CLIENTEDGE,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacListViewWnd>(h, m, "", true); }},
        {"combo box", "ComboBox", CBS_DROPDOWNLIST, 0,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacComboBoxWnd>(h, m, "", true); }},
        {"push button", "Button", BS_PUSHBUTTON, 0,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacBtnWnd>(h, m, ""); }},
        {"check box", "Button", BS_AUTOCHECKBOX, 0,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacCheckBoxWnd>(h, m, ""); }},
        {"group box", "Button", BS_GROUPBOX, 0,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacGroupBoxWnd>(h, m, ""); }},
        {"static", "Static", SS_LEFT, 0,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacStaticWnd>(h, m, ""); }},
        {"link", "Static", SS_LEFT, 0, [](HWND h, TsSkinManager* m) { return std::make_unique<TacLinkWnd>(h, m, ""); }},
        {"tool bar", TOOLBARCLASSNAME, 0, WS_EX_CLIENTEDGE,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacToolBarWnd>(h, m, ""); }},
        {"size grip", "ScrollBar", SBS_SIZEGRIP, 0,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacSizerWnd>(h, m, ""); }},
        {"spin", "msctls_updown32", 0, 0,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacSpinWnd>(h, m, ""); }},
        {"track bar", "msctls_trackbar32", TBS_AUTOTICKS, 0,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacTrackWnd>(h, m, ""); }},
        {"page", "Static", 0, 0, [](HWND h, TsSkinManager* m) { return std::make_unique<TacTransPanelWnd>(h, m, ""); }},
    };
    return cases;
}

struct FrontCounter {
    int seen = 0;
};

LRESULT CountInFront(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (m == WM_USER + 7) ++reinterpret_cast<FrontCounter*>(ref)->seen;
    return DefSubclassProc(h, m, wp, lp);
}

class AdapterFamilies : public test::FamilyTest {};

TEST_F(AdapterFamilies, EveryAdapterLeavesTheChainInAnyOrder) {
    for (const FamilyCase& c : FamilyCases())
        for (bool windowFirst : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (windowFirst ? ", window destroyed first" : ", adapter freed first"));
            HWND h = Make(c.cls, "Text <A>here</A>", c.style, {20, 20, 220, 120}, c.exStyle);
            std::unique_ptr<TacMainWnd> adapter = c.make(h, &manager);
            FrontCounter front;
            SetWindowSubclass(h, &CountInFront, 5, reinterpret_cast<DWORD_PTR>(&front));
            display.PumpMessages();
            ASSERT_EQ(GetAdapterOfWnd(h), adapter.get());
            EXPECT_EQ(SendMessage(h, SkinCommandMessage, MAKEWPARAM(0, kCmdIsSkinned), 0), 1);
            const test::OwnProcedureLog& log = own[h];
            if (windowFirst) {
                DestroyWindow(h);
                EXPECT_TRUE(adapter->Destroyed());
                adapter.reset();
            } else {
                adapter.reset();
                EXPECT_EQ(GetProp(h, kAdapterProperty), nullptr);
                // Whoever subclassed after the adapter still sits in front of the window.
                SendMessage(h, WM_USER + 7, 0, 0);
                EXPECT_EQ(front.seen, 1);
                EXPECT_EQ(log.Count(WM_USER + 7), 1);
                display.PumpMessages();
                DestroyWindow(h);
            }
            EXPECT_EQ(log.Count(WM_DESTROY), 1);
            EXPECT_EQ(log.Count(WM_NCDESTROY), 1);
            display.PumpMessages();
        }
}

TEST_F(AdapterFamilies, UnskinnedManagerLetsEverythingThrough) {
    manager.SkinData().SkinActive = false;
    for (const FamilyCase& c : FamilyCases()) {
        SCOPED_TRACE(c.name);
        HWND h = Make(c.cls, "x", c.style, {20, 20, 220, 120}, c.exStyle);
        manager.SkinData().SkinActive = true;
        std::unique_ptr<TacMainWnd> adapter = c.make(h, &manager);
        manager.SkinData().SkinActive = false;
        // Without a skin the window's own procedure answers its painting itself.
        UpdateWindow(h);
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ERASE);
        EXPECT_GT(own[h].Count(WM_PAINT), 0);
        adapter.reset();
        DestroyWindow(h);
        manager.SkinData().SkinActive = true;
    }
}

// ---------------------------------------------------------------------------------------------
// Edits and tree views

TEST_F(AdapterFamilies, EditFrameComesFromTheSkinAndGoesWithTheAdapter) {
    HWND h = Make("Edit", "text", WS_VSCROLL | ES_MULTILINE, {20, 20, 220, 120}, WS_EX_CLIENTEDGE);
    display.PumpMessages();
    const COLORREF systemFrame = WindowPixel(h, 0, 0);
    auto adapter = std::make_unique<TacEditWnd>(h, &manager, "", true);
    EXPECT_EQ(adapter->SkinData().SkinSection(), "EDIT");
    display.PumpMessages();
    const int ncPaintsBefore = own[h].Count(WM_NCPAINT);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    display.PumpMessages();
    EXPECT_EQ(own[h].Count(WM_NCPAINT), ncPaintsBefore) << "the window's own frame painting ran";
    EXPECT_EQ(WindowPixel(h, 0, 0), FamilyColour("EDIT"));
    EXPECT_EQ(WindowPixel(h, 1, 30), FamilyColour("EDIT"));

    // The mouse over it turns the frame hot, and cold again when it leaves.
    const RECT r = WindowRect(h);
    display.MoveMouse(r.left + 40, r.top + 20);
    display.PumpMessages();
    EXPECT_EQ(WindowPixel(h, 0, 0), FamilyColour("EDIT", true));
    display.MoveMouse(5, 5);
    display.PumpMessages();
    EXPECT_EQ(WindowPixel(h, 0, 0), FamilyColour("EDIT"));
    // So does the focus.
    SetFocus(h);
    display.PumpMessages();
    EXPECT_EQ(WindowPixel(h, 0, 0), FamilyColour("EDIT", true));

    // Printed, the window shows the skin's frame around its own client area.
    test::MemoryPicture printed(200, 100, RGB(255, 0, 255));
    SendMessage(h, WM_PRINT, reinterpret_cast<WPARAM>(printed.Dc()), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(printed.Pixel(0, 0), FamilyColour("EDIT", true));
    EXPECT_EQ(printed.Pixel(60, 90), GetSysColor(COLOR_WINDOW)) << "the client area was not printed";

    adapter.reset();
    display.PumpMessages();
    EXPECT_EQ(WindowPixel(h, 0, 0), systemFrame);
}

TEST_F(AdapterFamilies, LeftScrollBarWindowsHoldTheirDrawingDuringAScrollRequest) {
    for (bool left : {false, true}) {
        SCOPED_TRACE(left ? "left scroll bar" : "right scroll bar");
        HWND h = Make("Edit", "", WS_VSCROLL | ES_MULTILINE, {20, 20, 220, 120},
                      WS_EX_CLIENTEDGE | (left ? WS_EX_LEFTSCROLLBAR : 0));
        auto adapter = std::make_unique<TacEditWnd>(h, &manager, "", true);
        display.PumpMessages();
        const test::OwnProcedureLog& log = own[h];
        const int commandsBefore = log.Count(SkinCommandMessage);
        SendScrollCommand(h, WM_VSCROLL, SB_LINEDOWN, 0);
        EXPECT_EQ(log.Count(WM_SETREDRAW), left ? 2 : 0);
        EXPECT_EQ(log.Count(SkinCommandMessage) - commandsBefore, left ? 0 : 2);
        EXPECT_EQ(log.Count(WM_VSCROLL), 1);
        adapter.reset();
        DestroyWindow(h);
    }
}

TEST_F(AdapterFamilies, TreeViewTakesTheSkinsBackgroundAndGivesItBack) {
    HWND h = Make("SysTreeView32", "", 0, {20, 20, 220, 160}, WS_EX_CLIENTEDGE);
    auto adapter = std::make_unique<TacTreeViewWnd>(h, &manager, "", true);
    display.PumpMessages();
    EXPECT_EQ(static_cast<COLORREF>(SendMessage(h, TVM_GETBKCOLOR, 0, 0)), FamilyColour("EDIT"));
    RECT client{};
    GetClientRect(h, &client);
    EXPECT_EQ(ScreenShot().ClientPixel(h, client.right - 3, client.bottom - 3), FamilyColour("EDIT"));
    adapter.reset();
    EXPECT_EQ(static_cast<COLORREF>(SendMessage(h, TVM_GETBKCOLOR, 0, 0)), static_cast<COLORREF>(-1));
}

// ---------------------------------------------------------------------------------------------
// Buttons

COLORREF BlendedToBackdrop(COLORREF colour) {
    auto mix = [](int c, int b) { return static_cast<BYTE>((c * 4 + b * 6 + 5) / 10); };
    return RGB(mix(GetRValue(colour), GetRValue(kFamilyBackdrop)), mix(GetGValue(colour), GetGValue(kFamilyBackdrop)),
               mix(GetBValue(colour), GetBValue(kFamilyBackdrop)));
}

TEST_F(AdapterFamilies, PushButtonStates) {
    struct Row {
        const char* name;
        DWORD style;
        bool pushed;
        bool disabled;
        int state;
        COLORREF face;
    };
    const Row rows[] = {
        {"normal", BS_PUSHBUTTON, false, false, 0, FamilyColour("BUTTON")},
        {"default button is hot", BS_DEFPUSHBUTTON, false, false, 1, FamilyColour("BUTTON", true)},
        {"pushed", BS_PUSHBUTTON, true, false, 2, FamilyColour("BUTTON", true)},
        {"disabled", BS_DEFPUSHBUTTON, false, true, 0, BlendedToBackdrop(FamilyColour("BUTTON"))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HWND h = Make("Button", "OK", row.style, {20, 20, 120, 50});
        auto adapter = std::make_unique<TacBtnWnd>(h, &manager, "");
        if (row.disabled) EnableWindow(h, 0);
        const RECT caption = adapter->CaptionRect();
        if (row.pushed) SendMessage(h, BM_SETSTATE, 1, 0);
        display.PumpMessages();
        EXPECT_EQ(adapter->ButtonState(), row.state);
        const COLORREF corner = WindowPixel(h, 2, 2);
        const COLORREF expected = row.face;
        EXPECT_NEAR(GetRValue(corner), GetRValue(expected), 1);
        EXPECT_NEAR(GetGValue(corner), GetGValue(expected), 1);
        EXPECT_NEAR(GetBValue(corner), GetBValue(expected), 1);
        // A pushed caption moves one pixel right and down.
        const RECT now = adapter->CaptionRect();
        EXPECT_EQ(now.left - caption.left, row.pushed ? 1 : 0);
        EXPECT_EQ(now.top - caption.top, row.pushed ? 1 : 0);
        adapter.reset();
        DestroyWindow(h);
    }
}

TEST_F(AdapterFamilies, CheckBoxKindAndGlyphPlace) {
    struct Row {
        DWORD style;
        bool checkBox;
    };
    for (const Row row : {Row{BS_CHECKBOX, true}, Row{BS_AUTOCHECKBOX, true}, Row{BS_RADIOBUTTON, false},
                          Row{BS_3STATE, true}, Row{BS_AUTO3STATE, true}, Row{BS_AUTORADIOBUTTON, false}})
        EXPECT_EQ(TacCheckBoxWnd::IsCheckBoxStyle(row.style), row.checkBox) << row.style;

    // Without glyph images the glyph keeps 16 x 16 pixels, at the side the text leaves free.
    for (bool leftText : {false, true}) {
        HWND h = Make("Button", "Check", BS_AUTOCHECKBOX | (leftText ? BS_LEFTTEXT : 0), {20, 20, 140, 44});
        TacCheckBoxWnd adapter(h, &manager, "");
        const RECT glyph = adapter.GlyphRect();
        EXPECT_EQ(glyph.right - glyph.left, 16);
        EXPECT_EQ(glyph.bottom - glyph.top, 16);
        EXPECT_EQ(glyph.top, 4);
        EXPECT_EQ(glyph.left, leftText ? 120 - 16 : 0);
    }
}

TEST_F(AdapterFamilies, OwnerDrawCheckBoxIsDrawnByItsOwnerOverTheBackdrop) {
    int drawItems = 0;
    rec.SetHandler([&](HWND hw, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (hw == parent && m == WM_DRAWITEM) {
            ++drawItems;
            return 1;
        }
        if (hw == parent && m == SkinCommandMessage && HIWORD(static_cast<DWORD>(wp)) == scGetBackground && lp) {
            auto* request = reinterpret_cast<TsBackgroundRequest*>(lp);
            request->Kind = 1;
            request->Color = kFamilyBackdrop;
            return 1;
        }
        return std::nullopt;
    });
    HWND h = Make("Button", "Owner", BS_OWNERDRAW, {20, 20, 120, 50});
    auto adapter = std::make_unique<TacCheckBoxWnd>(h, &manager, "");
    ASSERT_TRUE(adapter->OwnerDraw());
    drawItems = 0;
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    display.PumpMessages();
    EXPECT_GE(drawItems, 1) << "the owner was never asked to draw";
    // The adapter lays the backdrop under what the owner draws.
    test::MemoryPicture picture(100, 30, RGB(255, 255, 255));
    EXPECT_EQ(SendMessage(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(picture.Dc()), 0), 1);
    EXPECT_EQ(picture.Pixel(3, 3), kFamilyBackdrop);
    EXPECT_EQ(picture.Pixel(99, 29), kFamilyBackdrop);
}

TEST_F(AdapterFamilies, GroupBoxFrameStartsHalfWayDownItsCaption) {
    HWND h = Make("Button", "Options", BS_GROUPBOX, {20, 20, 220, 140});
    auto adapter = std::make_unique<TacGroupBoxWnd>(h, &manager, "");
    display.PumpMessages();
    const RECT caption = adapter->CaptionArea();
    EXPECT_EQ(caption.left, 6);
    EXPECT_EQ(caption.top, 0);
    EXPECT_GT(caption.right, caption.left + 8);
    const int half = (caption.bottom - caption.top) / 2;
    EXPECT_EQ(SendMessage(h, SkinCommandMessage, MAKEWPARAM(0, 27), 0), caption.bottom - caption.top);
    EXPECT_EQ(WindowPixel(h, 1, half - 1), kFamilyBackdrop);
    EXPECT_EQ(WindowPixel(h, 1, half + 1), FamilyColour("GROUPBOX"));
    EXPECT_EQ(WindowPixel(h, 150, 100), FamilyColour("GROUPBOX"));
    EXPECT_EQ(WindowPixel(h, caption.left + 1, half + 1), kFamilyBackdrop) << "the caption's band shows the backdrop";
}

// ---------------------------------------------------------------------------------------------
// Statics, links, tool bars, grips, pages

TEST_F(AdapterFamilies, StaticWithSunkenEdgeKeepsTheSystemLook) {
    for (bool edge : {false, true}) {
        SCOPED_TRACE(edge ? "static edge" : "plain");
        HWND h = Make("Static", "Label", SS_LEFT, {20, 20, 160, 40}, edge ? WS_EX_STATICEDGE : 0);
        auto adapter = std::make_unique<TacStaticWnd>(h, &manager, "");
        display.PumpMessages();
        const int paints = own[h].Count(WM_PAINT);
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        display.PumpMessages();
        EXPECT_EQ(own[h].Count(WM_PAINT) > paints, edge);
        if (!edge) {
            EXPECT_EQ(WindowPixel(h, 139, 19), FamilyColour("CHECKBOX"));
        }
        adapter.reset();
        DestroyWindow(h);
    }
}

TEST(LinkText, AnchorTagsAreDroppedAsWritten) {
    const std::pair<const char*, const char*> cases[] = {
        {"See <A>the site</A> now", "See the site now"},
        {"<A>one</A> and <A>two</A>", "one and two"},
        {"<a>lower</a> stays", "<a>lower</a> stays"},
        {"<A href=x>kept</A>", "<A href=x>kept"},
        {"", ""},
    };
    for (const auto& [text, shown] : cases) EXPECT_EQ(StripLinkTags(text), shown) << text;
}

TEST(ToolCaption, LongCaptionsBreakBeforeTheirLastTwoWords) {
    const auto sixEach = [](const std::string& s) { return static_cast<int>(s.size()) * 6; };
    struct Row {
        const char* text;
        int width;
        const char* first;
        const char* second;
    };
    const Row rows[] = {
        {"Open", 60, "", "Open"},
        {"Open file", 60, "", "Open file"},
        {"Save all open files", 120, "Save all", "open files"},
        {"Save all open files", 30, "Save", "all open files"},
        {"Save all open files", 20, "", "Save all open files"},  // not even the first word fits
        {"Find and replace", 40, "Find", "and replace"},
        {"", 60, "", ""},
    };
    for (const Row& row : rows) {
        const TacToolCaption caption = SplitToolCaption(row.text, row.width, sixEach);
        EXPECT_EQ(caption.first, row.first) << row.text << " in " << row.width;
        EXPECT_EQ(caption.second, row.second) << row.text << " in " << row.width;
    }
}

TEST_F(AdapterFamilies, ToolBarButtonsArePaintedFromTheSkin) {
    HWND h = Make(TOOLBARCLASSNAME, "", 0, {20, 20, 320, 60});
    TBBUTTON buttons[3];
    buttons[0].idCommand = 1;
    buttons[0].fsState = TBSTATE_ENABLED;
    buttons[1].idCommand = 2;
    buttons[1].fsState = TBSTATE_ENABLED | TBSTATE_PRESSED;
    buttons[2].idCommand = 3;
    buttons[2].fsState = 0;
    SendMessage(h, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessage(h, TB_ADDBUTTONS, 3, reinterpret_cast<LPARAM>(buttons));
    auto adapter = std::make_unique<TacToolBarWnd>(h, &manager, "");
    display.MoveMouse(0, 0);
    display.PumpMessages();
    EXPECT_EQ(adapter->ButtonPaintState(0), 0);
    EXPECT_EQ(adapter->ButtonPaintState(1), 2);
    EXPECT_EQ(adapter->ButtonPaintState(2), 0);
    RECT first{}, second{};
    SendMessage(h, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessage(h, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    const ScreenShot shot;
    EXPECT_EQ(shot.ClientPixel(h, first.left + 1, first.top + 1), FamilyColour("TOOLBUTTON"));
    EXPECT_EQ(shot.ClientPixel(h, second.left + 1, second.top + 1), FamilyColour("TOOLBUTTON", true));
    // The cursor over the first button makes it hot.
    POINT over{first.left + 2, first.top + 2};
    ClientToScreen(h, &over);
    display.MoveMouse(over.x, over.y);
    display.PumpMessages();
    EXPECT_EQ(adapter->ButtonPaintState(0), 1);
    EXPECT_EQ(ScreenShot().ClientPixel(h, first.left + 1, first.top + 1), FamilyColour("TOOLBUTTON", true));
}

TEST_F(AdapterFamilies, SizeGripAnswersBottomRight) {
    HWND h = Make("ScrollBar", "", SBS_SIZEGRIP, {500, 360, 520, 380});
    TacSizerWnd adapter(h, &manager, "");
    const RECT r = WindowRect(h);
    EXPECT_EQ(SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(r.left + 2, r.top + 2)), HTBOTTOMRIGHT);
}

// ---------------------------------------------------------------------------------------------
// Combo boxes

TEST_F(AdapterFamilies, ComboButtonPlace) {
    struct Row {
        const char* name;
        DWORD style;
        DWORD exStyle;
        int left;  // -1: no button
    };
    const int w = GetSystemMetrics(SM_CXVSCROLL);
    const Row rows[] = {
        {"simple", CBS_SIMPLE, 0, -1},
        {"drop-down", CBS_DROPDOWN, 0, 200 - w - 2},
        {"drop-down list", CBS_DROPDOWNLIST, 0, 200 - w - 2},
        {"right to left", CBS_DROPDOWNLIST, WS_EX_RTLREADING, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HWND h = Make("ComboBox", "", row.style, {20, 20, 220, 150}, row.exStyle);
        TacComboBoxWnd adapter(h, &manager, "", false);
        const RECT button = adapter.GetButtonRect();
        if (row.left < 0) {
            EXPECT_EQ(button.right - button.left, 0);
        } else {
            EXPECT_EQ(button.left, row.left);
            EXPECT_EQ(button.right - button.left, w);
            EXPECT_EQ(button.top, 2);
        }
    }
}

TEST_F(AdapterFamilies, ComboMakesNoRoomForItsListsBars) {
    // The scroll styles of a combo are meant for its list; the combo's own field keeps its width.
    HWND h = Make("ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, {20, 20, 220, 150});
    auto adapter = std::make_unique<TacComboBoxWnd>(h, &manager, "", true);
    display.PumpMessages();
    RECT client{};
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_FALSE(adapter->VertBar().shown);
}

TEST_F(AdapterFamilies, ComboListGetsItsAdapterAndOneBrush) {
    HWND h = Make("ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, {20, 20, 220, 200});
    for (int i = 0; i < 30; ++i)
        SendMessage(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("item " + std::to_string(i)).c_str()));
    auto adapter = std::make_unique<TacComboBoxWnd>(h, &manager, "", true);
    display.PumpMessages();
    EXPECT_NE(adapter->ButtonState(), 2);
    SendMessage(h, CB_SHOWDROPDOWN, 1, 0);
    display.PumpMessages();
    EXPECT_EQ(adapter->ButtonState(), 2);
    ASSERT_NE(adapter->ListHandle(), nullptr);
    ASSERT_NE(adapter->ListAdapter(), nullptr);
    HWND list = adapter->ListHandle();
    EXPECT_EQ(GetAdapterOfWnd(list), adapter->ListAdapter());

    // Every later paint of the list gets the same brush: none is made per message.
    const std::size_t brushes = LiveGdiObjectCount(GdiObjectKind::Brush);
    for (int i = 0; i < 20; ++i) {
        InvalidateRect(list, nullptr, 1);
        UpdateWindow(list);
    }
    EXPECT_EQ(LiveGdiObjectCount(GdiObjectKind::Brush), brushes);
    SendMessage(h, CB_SHOWDROPDOWN, 0, 0);
    display.PumpMessages();

    adapter.reset();
    EXPECT_EQ(GetProp(list, kAdapterProperty), nullptr);
    EXPECT_EQ(GetProp(h, kAdapterProperty), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Lasting objects

TEST_F(AdapterFamilies, PaintingMakesNoLastingGdiObjects) {
    std::vector<std::unique_ptr<TacMainWnd>> adapters;
    std::vector<HWND> windows;
    int y = 10;
    for (const FamilyCase& c : FamilyCases()) {
        HWND h = Make(c.cls, "Caption <A>x</A>", c.style, {10, y, 200, y + 28}, c.exStyle);
        adapters.push_back(c.make(h, &manager));
        windows.push_back(h);
        y += 30;
    }
    display.PumpMessages();
    auto repaintAll = [&] {
        for (HWND h : windows)
            RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        display.PumpMessages();
    };
    repaintAll();
    const GdiObjectCounts before = LiveGdiObjectCounts();
    for (int i = 0; i < 10; ++i) repaintAll();
    EXPECT_EQ(LiveGdiObjectCounts(), before);
}

}  // namespace
}  // namespace parch
