// A dialog-like window holding every standard control the adapter families skin, in the
// internal skin, saved as a picture to look at: build/adapter_families-headless.png.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/display/PngFile.h"
#include "platform/win/Compositor.h"
#include "platform/win/ListBoxClass.h"
#include "platform/win/ListViewClass.h"
#include "skin/frames/acListViewAdapter.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/StatusBarClass.h"
#include "tests/platform/display/OnScreenCheck.h"
#include "tests/skin/engine/PaintFixtures.h"
#include "tests/skin/frames/AdapterFamiliesFixtures.h"

namespace parch {
namespace {

class AdapterSheet : public test::RecorderTest {
protected:
    void SetUp() override {
        test::LoadInternalSkin(manager);
        backdrop = static_cast<COLORREF>(ColorToRGB(manager.GetGlobalColor()));
        parent = rec.Create("parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, nullptr, {40, 40, 600, 440});
        rec.SetHandler([this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (h != parent) return std::nullopt;
            if (m == SkinCommandMessage && HIWORD(static_cast<DWORD>(wp)) == scGetBackground && lp) {
                auto* request = reinterpret_cast<TsBackgroundRequest*>(lp);
                request->Kind = 1;
                request->Color = backdrop;
                return 1;
            }
            if (m == WM_ERASEBKGND) {
                RECT r;
                GetClientRect(h, &r);
                HBRUSH brush = CreateSolidBrush(backdrop);
                FillRect(reinterpret_cast<HDC>(wp), &r, brush);
                DeleteObject(brush);
                return 1;
            }
            return std::nullopt;
        });
    }

    HWND Make(const char* cls, const char* text, DWORD style, RECT r, DWORD exStyle = 0) {
        return CreateWindowEx(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, parent, nullptr, nullptr, nullptr);
    }

    template <typename Adapter, typename... Args>
    HWND Adapt(HWND h, Args&&... args) {
        adapters.push_back(std::make_unique<Adapter>(h, &manager, std::forward<Args>(args)...));
        return h;
    }

    TsSkinManager manager;
    COLORREF backdrop = 0;
    HWND parent = nullptr;
    std::vector<std::unique_ptr<TacMainWnd>> adapters;
};

TEST_F(AdapterSheet, EveryAdaptedControlInTheInternalSkin) {
    ASSERT_FALSE(manager.Tables().Sections.empty());
    // Left column: text and lists.
    HWND edit = Make("Edit", "Some text\r\nin an edit\r\nwith lines\r\nenough\r\nto\r\nscroll",
                     WS_VSCROLL | ES_MULTILINE, {10, 10, 190, 80}, WS_EX_CLIENTEDGE);
    Adapt<TacEditWnd>(edit, "", true);
    HWND list = Make("ListBox", "", WS_VSCROLL, {10, 90, 190, 170}, WS_EX_CLIENTEDGE);
    for (int i = 0; i < 20; ++i)
        SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("List item " + std::to_string(i)).c_str()));
    Adapt<TacEditWnd>(list, "EDIT", true);
    HWND tree = Make("SysTreeView32", "", 0, {10, 180, 190, 270}, WS_EX_CLIENTEDGE);
    for (const char* name : {"Documents", "Pictures", "Music"}) {
        TVINSERTSTRUCTA item;
        item.hParent = TVI_ROOT;
        item.item.mask = TVIF_TEXT;
        item.item.pszText = const_cast<char*>(name);
        SendMessage(tree, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
    }
    Adapt<TacTreeViewWnd>(tree, "", true);
    HWND combo = Make("ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, {10, 280, 190, 400});
    for (const char* name : {"First choice", "Second choice", "Third choice"})
        SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendMessage(combo, CB_SETCURSEL, 1, 0);
    Adapt<TacComboBoxWnd>(combo, "", true);
    HWND comboEdit = Make("ComboBox", "Typed", CBS_DROPDOWN, {10, 315, 190, 420});
    Adapt<TacComboBoxWnd>(comboEdit, "", true);

    HWND report = Make("SysListView32", "", LVS_REPORT | WS_VSCROLL, {210, 335, 410, 398}, WS_EX_CLIENTEDGE);
    const char* columns[2] = {"Name", "Size"};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNA column;
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 60;
        column.pszText = const_cast<char*>(columns[i]);
        SendMessage(report, LVM_INSERTCOLUMN, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    for (int i = 0; i < 12; ++i) {
        std::string text = "file " + std::to_string(i);
        LVITEMA item;
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text.data();
        SendMessage(report, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
    }
    Adapt<TacListViewWnd>(report, "", true);

    // Middle column: buttons.
    HWND ok = Make("Button", "OK", BS_DEFPUSHBUTTON, {210, 10, 300, 36});
    Adapt<TacBtnWnd>(ok, "");
    HWND cancel = Make("Button", "Cancel", BS_PUSHBUTTON, {310, 10, 400, 36});
    Adapt<TacBtnWnd>(cancel, "");
    HWND pressed = Make("Button", "Pressed", BS_PUSHBUTTON, {210, 44, 300, 70});
    Adapt<TacBtnWnd>(pressed, "");
    SendMessage(pressed, BM_SETSTATE, 1, 0);
    HWND off = Make("Button", "Disabled", BS_PUSHBUTTON | WS_DISABLED, {310, 44, 400, 70});
    Adapt<TacBtnWnd>(off, "");
    HWND group = Make("Button", "Options", BS_GROUPBOX, {210, 80, 400, 200});
    Adapt<TacGroupBoxWnd>(group, "");
    HWND check = Make("Button", "Checked box", BS_AUTOCHECKBOX, {220, 100, 390, 122});
    SendMessage(check, BM_SETCHECK, BST_CHECKED, 0);
    Adapt<TacCheckBoxWnd>(check, "");
    HWND box = Make("Button", "Empty box", BS_AUTOCHECKBOX, {220, 124, 390, 146});
    Adapt<TacCheckBoxWnd>(box, "");
    HWND radio = Make("Button", "Radio on", BS_AUTORADIOBUTTON, {220, 148, 390, 170});
    SendMessage(radio, BM_SETCHECK, BST_CHECKED, 0);
    Adapt<TacCheckBoxWnd>(radio, "");
    HWND radioOff = Make("Button", "Radio off", BS_AUTORADIOBUTTON, {220, 172, 390, 194});
    Adapt<TacCheckBoxWnd>(radioOff, "");

    // Right column and bottom: texts, tool bar, grip.
    HWND label = Make("Static", "A static label that wraps onto a second line", SS_LEFT, {210, 210, 400, 250});
    Adapt<TacStaticWnd>(label, "");
    HWND link = Make("Static", "Visit <A>the project page</A>", SS_LEFT, {210, 255, 400, 275});
    Adapt<TacLinkWnd>(link, "");
    HWND toolbar = Make(TOOLBARCLASSNAME, "", CCS_NORESIZE | CCS_NOPARENTALIGN, {210, 285, 418, 325});
    TBBUTTON buttons[4];
    const char* captions[4] = {"Open", "Save all files", "", "Disabled"};
    for (int i = 0; i < 4; ++i) {
        buttons[i].idCommand = i + 1;
        buttons[i].fsState = i == 3 ? 0 : TBSTATE_ENABLED;
        buttons[i].fsStyle = i == 2 ? BTNS_SEP : BTNS_BUTTON;
        buttons[i].iString = i == 2 ? -1 : reinterpret_cast<INT_PTR>(captions[i]);
    }
    SendMessage(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessage(toolbar, TB_ADDBUTTONS, 4, reinterpret_cast<LPARAM>(buttons));
    Adapt<TacToolBarWnd>(toolbar, "");
    HWND grip = Make("ScrollBar", "", SBS_SIZEGRIP, {540, 360, 556, 376});
    Adapt<TacSizerWnd>(grip, "");
    // A nested page paints nothing of its own, as a dialog page does.
    HWND page = rec.Create("page", WS_CHILD | WS_VISIBLE, parent, {420, 10, 550, 120});
    Adapt<TacTransPanelWnd>(page, "");
    HWND inPage = Make("Button", "On a page", BS_PUSHBUTTON, {430, 20, 540, 46});
    Adapt<TacBtnWnd>(inPage, "");

    HWND track = Make("msctls_trackbar32", "", TBS_AUTOTICKS, {420, 130, 550, 170});
    SendMessage(track, TBM_SETRANGE, 1, MAKELPARAM(0, 8));
    SendMessage(track, TBM_SETTICFREQ, 1, 0);
    Adapt<TacTrackWnd>(track, "");
    HWND number = Make("Edit", "42", 0, {420, 185, 500, 207}, WS_EX_CLIENTEDGE);
    Adapt<TacEditWnd>(number, "", true);
    HWND spin = Make("msctls_updown32", "", 0, {500, 185, 518, 207});
    Adapt<TacSpinWnd>(spin, "");

    RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    display.PumpMessages();
    HBITMAP shot = CaptureWindow(parent);
    ASSERT_NE(shot, nullptr);
    EXPECT_TRUE(SavePng(shot, "build/adapter_families-headless.png"));
    // Glyphs and masks leave what lies under their key-coloured pixels: no key colour shows.
    const RECT whole = test::WindowRect(parent);
    const std::vector<long> pixels =
        onscreen::PicturePixels(shot, whole.right - whole.left, whole.bottom - whole.top);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF00FFL), 0);
    // Shown through SDL on a private X screen, the window looks as the headless screen drew it.
    EXPECT_EQ(onscreen::CompareWithScreen(parent, shot, "adapter_families"), "");
    DeleteObject(shot);

    // A few places whose look the skin decides: the edit's frame is not the system's frame.
    const test::ScreenShot screen;
    const RECT editRect = test::WindowRect(edit);
    EXPECT_NE(screen.Pixel(editRect.left, editRect.top), GetSysColor(COLOR_3DSHADOW));
}

}  // namespace
}  // namespace parch
