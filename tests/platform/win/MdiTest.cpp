// The multiple-document interface. No reference program runs here: the expected message
// sequences (WM_MDIACTIVATE order and parameters, maximize and restore through the client, the
// window menu's entries and commands, DefFrameProc's routing) are written from the documented
// behaviour of the Windows MDI messages, and recorded with MessageRecorder.

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MessageRecorder.h"
#include "ScreenPixel.h"
#include "platform/gdi/Rects.h"
#include "platform/display/PngFile.h"

namespace parch {
namespace {

using test::MessageRecorder;
using Lines = std::vector<std::string>;

constexpr UINT kFirstChild = 100;
constexpr UINT kWindowMenuPosition = 1;

class MdiTest : public test::RecorderTest {
protected:
    void SetUp() override {
        rec.Ignore(WM_GETMINMAXINFO);
        bar = CreateMenu();
        HMENU file = CreatePopupMenu();
        AppendMenu(file, MF_STRING, 1, "&New");
        AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
        windowMenu = CreatePopupMenu();
        AppendMenu(windowMenu, MF_STRING, 2, "&Cascade");
        AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(windowMenu), "&Window");
        frame = rec.Create("frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {0, 0, 640, 480});
        SetMenu(frame, bar);
        CLIENTCREATESTRUCT ccs{windowMenu, kFirstChild};
        client = CreateWindowEx(0, kMdiClientClass, nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 600,
                                400, frame, nullptr, nullptr, &ccs);
        rec.Name(client, "client");
        // The frame and the children hand what they leave to the MDI procedures; the
        // activation messages are written down with their parameters.
        rec.SetHandler([this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m == WM_NCCREATE && !pendingName.empty()) names[h] = std::exchange(pendingName, {});
            if (m == WM_MDIACTIVATE)
                log.push_back(NameOf(h) + " WM_MDIACTIVATE " + NameOf(reinterpret_cast<HWND>(wp)) + "->" +
                              NameOf(reinterpret_cast<HWND>(lp)));
            if (m == WM_NCACTIVATE && h != frame) log.push_back(NameOf(h) + " WM_NCACTIVATE " + std::to_string(wp));
            if (m == WM_COMMAND && h != frame) log.push_back(NameOf(h) + " WM_COMMAND " + std::to_string(LOWORD(wp)));
            if (h == frame) return DefFrameProc(h, client, m, wp, lp);
            if (GetParent(h) == client) return DefMDIChildProc(h, m, wp, lp);
            return std::nullopt;
        });
        ASSERT_EQ(GetActiveWindow(), frame);
    }

    HWND NewChild(const std::string& name, DWORD style = 0, RECT r = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                                                     CW_USEDEFAULT}) {
        rec.NameNext(name);
        pendingName = name;
        MDICREATESTRUCT cs{MessageRecorder::kClass, name.c_str(), nullptr, r.left, r.top, r.right, r.bottom, style, 0};
        auto child = reinterpret_cast<HWND>(SendMessage(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&cs)));
        names[child] = name;
        return child;
    }

    std::string NameOf(HWND h) {
        if (!h) return "-";
        auto it = names.find(h);
        return it == names.end() ? "?" : it->second;
    }

    Lines TakeLog() { return std::exchange(log, {}); }

    HWND Active(bool* maximized = nullptr) {
        BOOL max = 0;
        HWND a = reinterpret_cast<HWND>(SendMessage(client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&max)));
        if (maximized) *maximized = max != 0;
        return a;
    }

    // The child's rectangle in the client's coordinates.
    RECT InClient(HWND child) {
        RECT r = test::WindowRect(child);
        MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    Lines WindowMenuEntries() {
        Lines entries;
        for (int i = 0; i < GetMenuItemCount(windowMenu); ++i) {
            char text[64] = {};
            UINT state = GetMenuState(windowMenu, static_cast<UINT>(i), MF_BYPOSITION);
            if (state & MF_SEPARATOR) {
                entries.push_back("-");
                continue;
            }
            GetMenuString(windowMenu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            entries.push_back(std::to_string(GetMenuItemID(windowMenu, i)) + " " + text +
                              ((state & MF_CHECKED) ? " checked" : ""));
        }
        return entries;
    }

    // The frame's bar items as "id:owner-drawn" (submenus as "popup").
    Lines BarItems() {
        Lines items;
        HMENU menu = GetMenu(frame);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            MENUITEMINFO info;
            info.fMask = MIIM_FTYPE;
            GetMenuItemInfo(menu, static_cast<UINT>(i), 1, &info);
            std::string id = GetSubMenu(menu, i) ? "popup" : std::to_string(GetMenuItemID(menu, i));
            items.push_back(id + ((info.fType & MFT_OWNERDRAW) ? " drawn" : ""));
        }
        return items;
    }

    HMENU bar = nullptr;
    HMENU windowMenu = nullptr;
    HWND frame = nullptr;
    HWND client = nullptr;
    std::map<HWND, std::string> names;
    std::string pendingName;  // of the child being created
    Lines log;
};

TEST_F(MdiTest, ActivationTellsTheChildLosingItFirstWithBothHandles) {
    HWND a = NewChild("a");
    EXPECT_EQ(TakeLog(), (Lines{"a WM_NCACTIVATE 1", "a WM_MDIACTIVATE -->a"}));
    HWND b = NewChild("b");
    EXPECT_EQ(TakeLog(), (Lines{"a WM_NCACTIVATE 0", "a WM_MDIACTIVATE a->b", "b WM_NCACTIVATE 1",
                                "b WM_MDIACTIVATE a->b"}));
    EXPECT_EQ(Active(), b);
    EXPECT_EQ(GetFocus(), b);
    EXPECT_EQ(GetWindow(client, GW_CHILD), b);

    SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
    EXPECT_EQ(TakeLog(), (Lines{"b WM_NCACTIVATE 0", "b WM_MDIACTIVATE b->a", "a WM_NCACTIVATE 1",
                                "a WM_MDIACTIVATE b->a"}));
    EXPECT_EQ(GetWindow(client, GW_CHILD), a);
    EXPECT_TRUE(win::FrameLooksActive(a));
    EXPECT_FALSE(win::FrameLooksActive(b));

    // Activating the active child again says nothing; a click on another child activates it.
    SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
    EXPECT_TRUE(TakeLog().empty());
    RECT rb = test::WindowRect(b);
    display.Click(rb.right - 5, rb.bottom - 5);  // the corner a does not cover
    EXPECT_EQ(Active(), b);

    // The active child's caption follows the frame's activation.
    HWND other = rec.Create("other", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetActiveWindow(other);
    EXPECT_FALSE(win::FrameLooksActive(b));
    SetActiveWindow(frame);
    EXPECT_TRUE(win::FrameLooksActive(b));
    EXPECT_FALSE(win::FrameLooksActive(a));
}

TEST_F(MdiTest, TileAndCascadeGeometry) {
    struct Case {
        int count;
        UINT message;
        WPARAM how;
        std::vector<RECT> fromTop;  // the rectangles in z-order, the active child first
    };
    const std::vector<Case> cases = {
        {1, WM_MDITILE, MDITILE_VERTICAL, {{0, 0, 600, 400}}},
        {2, WM_MDITILE, MDITILE_VERTICAL, {{0, 0, 300, 400}, {300, 0, 600, 400}}},
        {2, WM_MDITILE, MDITILE_HORIZONTAL, {{0, 0, 600, 200}, {0, 200, 600, 400}}},
        {3, WM_MDITILE, MDITILE_VERTICAL, {{0, 0, 200, 400}, {200, 0, 400, 400}, {400, 0, 600, 400}}},
        {3, WM_MDITILE, MDITILE_HORIZONTAL, {{0, 0, 600, 133}, {0, 133, 600, 266}, {0, 266, 600, 400}}},
        {4, WM_MDITILE, MDITILE_VERTICAL, {{0, 0, 300, 200}, {0, 200, 300, 400}, {300, 0, 600, 200}, {300, 200, 600, 400}}},
        {5, WM_MDITILE, MDITILE_VERTICAL,
         {{0, 0, 200, 400}, {200, 0, 400, 200}, {200, 200, 400, 400}, {400, 0, 600, 200}, {400, 200, 600, 400}}},
        {5, WM_MDITILE, MDITILE_HORIZONTAL,
         {{0, 0, 600, 133}, {0, 133, 300, 266}, {300, 133, 600, 266}, {0, 266, 300, 400}, {300, 266, 600, 400}}},
    };
    for (const Case& c : cases) {
        std::vector<HWND> made;
        for (int i = 0; i < c.count; ++i) made.push_back(NewChild("c" + std::to_string(i)));
        EXPECT_EQ(SendMessage(client, c.message, c.how, 0), 1);
        std::vector<RECT> got;
        for (HWND h = GetWindow(client, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) got.push_back(InClient(h));
        ASSERT_EQ(got.size(), c.fromTop.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(EqualRect(&got[i], &c.fromTop[i]))
                << c.count << " tiled " << c.how << " #" << i << ": " << got[i].left << "," << got[i].top << ","
                << got[i].right << "," << got[i].bottom;
        EXPECT_EQ(Active(), made.back()) << "arranging keeps the active child";
        for (HWND h : made) SendMessage(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(h), 0);
    }

    // Cascading: three quarters of the client each, stepping by a caption and a frame from the
    // bottom window down to the active one on top.
    int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME);
    std::vector<HWND> made;
    for (int i = 0; i < 3; ++i) made.push_back(NewChild("c" + std::to_string(i)));
    SendMessage(client, WM_MDITILE, MDITILE_VERTICAL, 0);
    EXPECT_EQ(SendMessage(client, WM_MDICASCADE, 0, 0), 1);
    for (int i = 0; i < 3; ++i) {
        RECT expected{i * step, i * step, i * step + 450, i * step + 300};
        RECT got = InClient(made[static_cast<std::size_t>(i)]);
        EXPECT_TRUE(EqualRect(&got, &expected)) << "cascaded #" << i;
    }
    EXPECT_EQ(GetWindow(client, GW_CHILD), made.back());

    // A minimized child lies at the bottom; tiling leaves its row free.
    SendMessage(made[0], WM_SYSCOMMAND, SC_MINIMIZE, 0);
    RECT icon = InClient(made[0]);
    EXPECT_EQ(icon.left, 0);
    EXPECT_EQ(icon.bottom, 400);
    SendMessage(client, WM_MDITILE, MDITILE_HORIZONTAL, 0);
    RECT lower = InClient(made[1]);
    EXPECT_EQ(lower.bottom, 400 - GetSystemMetrics(SM_CYMINIMIZED));
    RECT stillIcon = InClient(made[0]);
    EXPECT_TRUE(EqualRect(&stillIcon, &icon));
}

TEST_F(MdiTest, MaximizedChildFillsTheClientAndPutsItsButtonsInTheFrameBar) {
    HWND a = NewChild("a");
    HWND b = NewChild("b");
    const Lines plainBar{"popup", "popup"};
    ASSERT_EQ(BarItems(), plainBar);

    SendMessage(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(b), 0);
    bool maximized = false;
    EXPECT_EQ(Active(&maximized), b);
    EXPECT_TRUE(maximized);
    RECT inner{};
    GetClientRect(b, &inner);
    MapWindowPoints(b, client, reinterpret_cast<POINT*>(&inner), 2);
    const RECT whole{0, 0, 600, 400};
    EXPECT_TRUE(EqualRect(&inner, &whole)) << inner.left << "," << inner.top << "," << inner.right << ","
                                           << inner.bottom;
    const Lines maximizedBar{"popup drawn", "popup", "popup", std::to_string(SC_MINIMIZE) + " drawn",
                             std::to_string(SC_RESTORE) + " drawn", std::to_string(SC_CLOSE) + " drawn"};
    EXPECT_EQ(BarItems(), maximizedBar);
    // The buttons sit at the right end of the bar.
    std::vector<RECT> items = win::MenuBarItemRects(frame, win::MenuBarRect(frame));
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[5].right, win::MenuBarRect(frame).right);

    // Resizing the frame keeps the child filling the client.
    SetWindowPos(frame, nullptr, 0, 0, 500, 380, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(b, &inner);
    RECT area{};
    GetClientRect(client, &area);
    EXPECT_EQ(inner.right, area.right);
    EXPECT_EQ(inner.bottom, area.bottom);

    // Another child activated takes the maximized state over.
    SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
    EXPECT_TRUE(IsZoomed(a));
    EXPECT_FALSE(IsZoomed(b));
    EXPECT_EQ(BarItems(), maximizedBar);

    // The bar's restore command reaches the child through DefFrameProc.
    SendMessage(frame, WM_COMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(a));
    EXPECT_EQ(BarItems(), plainBar);

    // Maximized from its own caption, and restored through the client.
    SendMessage(b, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_EQ(Active(&maximized), b);
    EXPECT_TRUE(maximized);
    SendMessage(client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(b), 0);
    EXPECT_FALSE(IsZoomed(b));
    EXPECT_EQ(BarItems(), plainBar);
}

TEST_F(MdiTest, WindowMenuListsTheChildrenAndItsCommandsActivateThem) {
    HWND a = NewChild("Alpha");
    NewChild("Beta");
    EXPECT_EQ(WindowMenuEntries(), (Lines{"2 &Cascade", "-", "100 &1 Alpha", "101 &2 Beta checked"}));
    EXPECT_EQ(GetWindowLongPtr(a, GWLP_ID), 100);

    SendMessage(frame, WM_COMMAND, kFirstChild, 0);
    EXPECT_EQ(Active(), a);
    EXPECT_EQ(WindowMenuEntries(), (Lines{"2 &Cascade", "-", "100 &1 Alpha checked", "101 &2 Beta"}));

    SetWindowText(a, "Gamma");
    EXPECT_EQ(WindowMenuEntries()[2], "100 &1 Gamma checked");

    // Other commands go to the active child.
    TakeLog();
    SendMessage(frame, WM_COMMAND, 2, 0);
    EXPECT_EQ(TakeLog(), (Lines{"Alpha WM_COMMAND 2"}));

    // A new window menu moves the entries; the old menu keeps only its own items.
    HMENU other = CreatePopupMenu();
    AppendMenu(other, MF_STRING, 3, "&Tile");
    EXPECT_EQ(SendMessage(client, WM_MDISETMENU, 0, reinterpret_cast<LPARAM>(other)), reinterpret_cast<LRESULT>(bar));
    EXPECT_EQ(WindowMenuEntries(), (Lines{"2 &Cascade"}));
    EXPECT_EQ(GetMenuItemCount(other), 4);
    DestroyMenu(other);
}

TEST_F(MdiTest, ClosingTheActiveChildActivatesTheNext) {
    HWND a = NewChild("a");
    HWND b = NewChild("b");
    HWND c = NewChild("c");
    TakeLog();
    // Through the caption's close command: WM_CLOSE becomes WM_MDIDESTROY.
    SendMessage(c, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(c));
    EXPECT_EQ(TakeLog(), (Lines{"c WM_NCACTIVATE 0", "c WM_MDIACTIVATE c->b", "b WM_NCACTIVATE 1",
                                "b WM_MDIACTIVATE c->b"}));
    EXPECT_EQ(Active(), b);
    EXPECT_EQ(WindowMenuEntries(), (Lines{"2 &Cascade", "-", "100 &1 a", "101 &2 b checked"}));

    // The first child closing renumbers the rest; a maximized one hands its state over.
    SendMessage(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(b), 0);
    SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
    ASSERT_TRUE(IsZoomed(a));
    SendMessage(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(a), 0);
    EXPECT_EQ(Active(), b);
    EXPECT_TRUE(IsZoomed(b));
    EXPECT_EQ(GetWindowLongPtr(b, GWLP_ID), 100);
    EXPECT_EQ(WindowMenuEntries(), (Lines{"2 &Cascade", "-", "100 &1 b checked"}));

    // Destroyed directly, the last child leaves nothing active and its buttons go.
    TakeLog();
    DestroyWindow(b);
    EXPECT_EQ(Active(), nullptr);
    EXPECT_EQ(TakeLog(), (Lines{"b WM_NCACTIVATE 0", "b WM_MDIACTIVATE b->-"}));
    EXPECT_EQ(BarItems(), (Lines{"popup", "popup"}));
    EXPECT_EQ(WindowMenuEntries(), (Lines{"2 &Cascade"}));
}

TEST_F(MdiTest, ControlKeysCycleAndClose) {
    HWND a = NewChild("a");
    HWND b = NewChild("b");
    HWND c = NewChild("c");
    auto run = [&] {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (TranslateMDISysAccel(client, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    };
    auto chord = [&](std::vector<UINT> hold, UINT key) {
        for (UINT k : hold) display.KeyDown(k);
        display.PressKey(key);
        for (auto k = hold.rbegin(); k != hold.rend(); ++k) display.KeyUp(*k);
        run();
        return Active();
    };
    constexpr UINT kF6 = 0x75;
    // Forward visits every child once before coming back.
    EXPECT_EQ(chord({VK_CONTROL}, kF6), b);
    EXPECT_EQ(chord({VK_CONTROL}, kF6), a);
    EXPECT_EQ(chord({VK_CONTROL}, VK_TAB), c);
    EXPECT_EQ(chord({VK_CONTROL}, kF6), b);
    EXPECT_EQ(chord({VK_CONTROL, VK_SHIFT}, kF6), c);
    EXPECT_EQ(chord({}, kF6), c) << "F6 alone is no MDI key";
    EXPECT_EQ(chord({VK_CONTROL}, VK_F4), b);
    EXPECT_FALSE(IsWindow(c));
    EXPECT_TRUE(IsWindow(a));
}

TEST_F(MdiTest, BadHandlesAndEmptyClientsAnswerNothing) {
    EXPECT_EQ(Active(), nullptr);
    EXPECT_EQ(SendMessage(client, WM_MDITILE, MDITILE_VERTICAL, 0), 0);
    EXPECT_EQ(SendMessage(client, WM_MDICASCADE, 0, 0), 0);
    SendMessage(client, WM_MDINEXT, 0, 0);
    SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(frame), 0);
    EXPECT_EQ(Active(), nullptr);
    MDICREATESTRUCT noClass{};
    EXPECT_EQ(SendMessage(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&noClass)), 0);
    EXPECT_EQ(SendMessage(client, WM_MDICREATE, 0, 0), 0);
    EXPECT_EQ(CreateMDIWindow(MessageRecorder::kClass, "x", 0, 0, 0, 10, 10, frame, nullptr, 0), nullptr);
    // A child made by CreateWindowEx with WS_EX_MDICHILD joins the client as well.
    rec.NameNext("direct");
    pendingName = "direct";
    HWND direct = CreateWindowEx(WS_EX_MDICHILD, MessageRecorder::kClass, "direct",
                                 WS_CHILD | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VISIBLE, 10, 10, 200, 150,
                                 client, nullptr, nullptr, nullptr);
    names[direct] = "direct";
    EXPECT_EQ(Active(), direct);
    EXPECT_EQ(GetWindowLongPtr(direct, GWLP_ID), 100);
}

TEST_F(MdiTest, Pictures) {
    // Documents with a window background, the client filling the frame.
    WNDCLASSEX wc;
    wc.lpfnWndProc = &DefMDIChildProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = "MdiDocument";
    RegisterClassEx(&wc);
    RECT area{};
    GetClientRect(frame, &area);
    MoveWindow(client, 0, 0, area.right, area.bottom, 1);
    std::vector<HWND> docs;
    for (const char* title : {"Report 1", "Report 2", "Report 3"})
        docs.push_back(CreateMDIWindow("MdiDocument", title, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                       CW_USEDEFAULT, client, nullptr, 0));
    SendMessage(client, WM_MDICASCADE, 0, 0);
    UpdateWindow(frame);
    display.PumpMessages();
    // The active child's caption has the active colour, the others the inactive one.
    RECT active = test::WindowRect(docs[2]);
    RECT inactive = test::WindowRect(docs[0]);
    EXPECT_NE(ScreenPixel(active.left + 40, active.top + 10), ScreenPixel(inactive.left + 40, inactive.top + 10));
    const char* folder = std::getenv("PARCH_SAVE_PICTURES");
    if (folder) {
        EXPECT_TRUE(SaveWindowPng(frame, std::string(folder) + "/mdi-cascaded.png"));
    }
    SendMessage(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(docs[1]), 0);
    UpdateWindow(frame);
    display.PumpMessages();
    // The maximized child covers the others: the client shows its window colour.
    RECT shown = test::WindowRect(client);
    EXPECT_EQ(ScreenPixel(shown.right - 10, shown.bottom - 10), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ScreenPixel(shown.left + 10, shown.top + 10), GetSysColor(COLOR_WINDOW));
    if (folder) {
        EXPECT_TRUE(SaveWindowPng(frame, std::string(folder) + "/mdi-maximized.png"));
    }
}

}  // namespace
}  // namespace parch
