// Accelerator tables. No other implementation runs beside ours: the expected answers follow
// the window system's public documentation of TranslateAccelerator (WM_INITMENU before a menu
// command, WM_COMMAND with high word 1, nothing for a greyed item).

#include <gtest/gtest.h>

#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;
constexpr UINT kF5 = 0x74;

class AcceleratorsTest : public test::RecorderTest {
protected:
    void SetUp() override {
        w = rec.Create("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 500, 400});
        display.PumpMessages();
        HMENU bar = CreateMenu();
        HMENU file = CreatePopupMenu();
        AppendMenu(file, MF_STRING, 10, "&Save\tCtrl+S");
        AppendMenu(file, MF_STRING | MF_GRAYED, 11, "&Print\tCtrl+P");
        AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
        SetMenu(w, bar);
        const ACCEL entries[] = {
            {FVIRTKEY | FCONTROL, 'S', 10},
            {FVIRTKEY | FCONTROL, 'P', 11},
            {FVIRTKEY | FSHIFT, VK_DELETE, 12},
            {FVIRTKEY, kF5, 13},
            {FVIRTKEY | FALT, VK_RETURN, 14},
            {0, 'a', 15},
        };
        table = CreateAcceleratorTable(entries, 6);
        rec.SetHandler([this](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m == WM_INITMENU) seen.push_back("init");
            if (m == WM_INITMENUPOPUP) seen.push_back("popup " + std::to_string(LOWORD(lp)));
            if (m == WM_COMMAND) seen.push_back(std::to_string(LOWORD(wp)) + "/" + std::to_string(HIWORD(wp)));
            return std::nullopt;
        });
    }
    void TearDown() override {
        DestroyAcceleratorTable(table);
        RecorderTest::TearDown();
    }

    // Pumps the queue through the table as a program's loop does; answers what was seen.
    Lines Run() {
        seen.clear();
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (TranslateAccelerator(w, table, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        return seen;
    }

    HWND w;
    HACCEL table;
    Lines seen;
};

TEST_F(AcceleratorsTest, KeysWithTheirShiftStatesFireTheirCommandsOnce) {
    struct Case {
        const char* name;
        std::vector<UINT> hold;
        UINT key;
        Lines expected;
    };
    const Case cases[] = {
        {"ctrl+s, a menu command", {VK_CONTROL}, 'S', {"init", "popup 0", "10/1"}},
        {"ctrl+p, greyed in the menu", {VK_CONTROL}, 'P', {"init", "popup 0"}},
        {"shift+del", {VK_SHIFT}, VK_DELETE, {"12/1"}},
        {"f5", {}, kF5, {"13/1"}},
        {"alt+enter", {VK_MENU}, VK_RETURN, {"14/1"}},
        {"s alone is no accelerator", {}, 'S', {}},
        {"ctrl+shift+s is not ctrl+s", {VK_CONTROL, VK_SHIFT}, 'S', {}},
        {"a typed character", {}, 'A', {"15/1"}},
    };
    for (const Case& c : cases) {
        for (UINT k : c.hold) display.KeyDown(k);
        display.PressKey(c.key);
        for (auto k = c.hold.rbegin(); k != c.hold.rend(); ++k) display.KeyUp(*k);
        EXPECT_EQ(Run(), c.expected) << c.name;
    }
}

TEST_F(AcceleratorsTest, TablesCopyAndStaleTablesFail) {
    EXPECT_EQ(CopyAcceleratorTable(table, nullptr, 0), 6);
    ACCEL copy[2];
    EXPECT_EQ(CopyAcceleratorTable(table, copy, 2), 2);
    EXPECT_EQ(copy[1].cmd, 11);
    EXPECT_EQ(copy[1].key, 'P');
    EXPECT_EQ(CreateAcceleratorTable(copy, 0), nullptr);

    HACCEL gone = CreateAcceleratorTable(copy, 2);
    ASSERT_TRUE(DestroyAcceleratorTable(gone));
    EXPECT_FALSE(DestroyAcceleratorTable(gone));
    EXPECT_EQ(CopyAcceleratorTable(gone, nullptr, 0), 0);
    MSG msg{};
    msg.message = WM_KEYDOWN;
    msg.wParam = 'P';
    EXPECT_EQ(TranslateAccelerator(w, gone, &msg), 0);
}

}  // namespace
}  // namespace parch
