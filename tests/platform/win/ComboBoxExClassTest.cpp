// No peer program exists for the common controls here: the message sequences and answers
// pinned below are taken from Windows' public documentation of the extended combo box (CBEM_
// messages, COMBOBOXEXITEM, CBEN_ notifications, WM_COMMAND passed on from the inner combo),
// recorded through the test parent.

#include <cstring>
#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "tests/platform/win/BarsTestSupport.h"

namespace parch {
namespace {

using test::Lines;

class ComboBoxEx : public test::BarsTest {
protected:
    void TearDown() override {
        if (images) ImageList_Destroy(images);
        BarsTest::TearDown();
    }
    HWND MakeCombo(DWORD style, int count = 4) {
        HWND combo = Make(WC_COMBOBOXEX, "", style, {20, 20, 220, 220}, 9);
        images = ImageList_Create(16, 16, ILC_COLOR32, 4, 0);
        for (COLORREF c : {RGB(200, 0, 0), RGB(0, 150, 0), RGB(0, 0, 200)}) {
            HICON icon = test::MakeSolidIcon(16, 16, c);
            ImageList_AddIcon(images, icon);
            DestroyIcon(icon);
        }
        EXPECT_EQ(SendMessage(combo, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images)), 0);
        for (int i = 0; i < count; ++i) Insert(combo, -1, "item " + std::to_string(i), i % 2, 2, i);
        display.PumpMessages();
        log.clear();
        notes.clear();
        return combo;
    }
    LRESULT Insert(HWND combo, INT_PTR at, std::string text, int image, int selected, int indent) {
        COMBOBOXEXITEMA item;
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_INDENT | CBEIF_LPARAM;
        item.iItem = at;
        item.pszText = text.data();
        item.iImage = image;
        item.iSelectedImage = selected;
        item.iIndent = indent;
        item.lParam = 1000 + indent;
        return SendMessage(combo, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    std::string TextOf(HWND combo, INT_PTR index) {
        char buffer[64] = {};
        COMBOBOXEXITEMA item;
        item.mask = CBEIF_TEXT;
        item.iItem = index;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        EXPECT_TRUE(SendMessage(combo, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        return buffer;
    }
    HWND Inner(HWND combo) { return reinterpret_cast<HWND>(SendMessage(combo, CBEM_GETCOMBOCONTROL, 0, 0)); }

    HIMAGELIST images = nullptr;
};

TEST_F(ComboBoxEx, ItemsAreKeptToldAndReadInBothForms) {
    std::vector<std::pair<int, std::string>> told;
    notify = [&](const NMHDR* h) -> std::optional<LRESULT> {
        if (h->code == CBEN_INSERTITEM || h->code == CBEN_DELETEITEM) {
            const auto* note = reinterpret_cast<const NMCOMBOBOXEX*>(h);
            told.emplace_back(static_cast<int>(note->ceItem.iItem),
                              std::string(h->code == CBEN_INSERTITEM ? "insert " : "delete ") + note->ceItem.pszText);
        }
        return std::nullopt;
    };
    HWND combo = MakeCombo(CBS_DROPDOWNLIST, 3);
    HWND inner = Inner(combo);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(GetParent(inner), combo);
    EXPECT_EQ(GetDlgCtrlID(inner), 9);
    EXPECT_TRUE(GetWindowLongPtr(inner, GWL_STYLE) & CBS_OWNERDRAWFIXED);
    EXPECT_EQ(SendMessage(combo, CBEM_GETEDITCONTROL, 0, 0), 0);  // no edit for a drop-down list
    EXPECT_EQ(told, (std::vector<std::pair<int, std::string>>{{0, "insert item 0"}, {1, "insert item 1"}, {2, "insert item 2"}}));
    EXPECT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 3);

    EXPECT_EQ(Insert(combo, 1, "between", 2, 2, 0), 1);
    const char16_t wide[] = u"\u00FCber";
    COMBOBOXEXITEMW w;
    w.mask = CBEIF_TEXT;
    w.iItem = -1;
    w.pszText = const_cast<char16_t*>(wide);
    EXPECT_EQ(SendMessage(combo, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&w)), 4);
    EXPECT_EQ(TextOf(combo, 1), "between");
    EXPECT_EQ(TextOf(combo, 4), "\xC3\xBC" "ber");
    char16_t back[16] = {};
    COMBOBOXEXITEMW readBack;
    readBack.mask = CBEIF_TEXT | CBEIF_INDENT | CBEIF_LPARAM;
    readBack.iItem = 3;
    readBack.pszText = back;
    readBack.cchTextMax = 16;
    EXPECT_TRUE(SendMessage(combo, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&readBack)));
    EXPECT_EQ(std::u16string(back), u"item 2");
    EXPECT_EQ(readBack.iIndent, 2);
    EXPECT_EQ(readBack.lParam, 1002);

    COMBOBOXEXITEMA change;
    change.mask = CBEIF_TEXT;
    change.iItem = 0;
    change.pszText = const_cast<char*>("first");
    EXPECT_TRUE(SendMessage(combo, CBEM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change)));
    EXPECT_EQ(TextOf(combo, 0), "first");
    change.iItem = 9;
    EXPECT_FALSE(SendMessage(combo, CBEM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change)));

    told.clear();
    EXPECT_EQ(SendMessage(combo, CBEM_DELETEITEM, 1, 0), 4);
    EXPECT_EQ(SendMessage(combo, CBEM_DELETEITEM, 7, 0), CB_ERR);
    EXPECT_EQ(told, (std::vector<std::pair<int, std::string>>{{1, "delete between"}}));
    EXPECT_EQ(SendMessage(inner, CB_GETCOUNT, 0, 0), 4);
    char text[32] = {};
    EXPECT_EQ(SendMessage(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text)), 6);
    EXPECT_STREQ(text, "item 1");
    notify = nullptr;
}

TEST_F(ComboBoxEx, InnerNotificationsReachTheParentAsTheExtendedCombos) {
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, 1, 0), 1);
    EXPECT_EQ(SendMessage(Inner(combo), CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(log.empty());  // CB_ messages tell nothing
    SetFocus(combo);
    display.PumpMessages();
    EXPECT_EQ(GetFocus(), Inner(combo));
    log.clear();
    display.PressKey(VK_DOWN);
    display.PumpMessages();
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
    ASSERT_FALSE(log.empty());
    EXPECT_NE(std::find(log.begin(), log.end(), "command 9 code " + std::to_string(CBN_SELCHANGE)), log.end());
    EXPECT_EQ(commandFrom, combo);
}

TEST_F(ComboBoxEx, TheEditTellsBeginAndEndOfEditing) {
    std::vector<std::string> told;
    notify = [&](const NMHDR* h) -> std::optional<LRESULT> {
        if (h->code == CBEN_BEGINEDIT) told.push_back("begin");
        if (h->code == CBEN_ENDEDITA) {
            const auto* end = reinterpret_cast<const NMCBEENDEDITA*>(h);
            told.push_back("end " + std::to_string(end->iWhy) + " changed " + std::to_string(end->fChanged) + " " +
                           end->szText + " sel " + std::to_string(end->iNewSelection));
        }
        return std::nullopt;
    };
    HWND combo = MakeCombo(CBS_DROPDOWN);
    HWND edit = reinterpret_cast<HWND>(SendMessage(combo, CBEM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    SendMessage(combo, CB_SETCURSEL, 2, 0);
    EXPECT_EQ(win::WindowText(edit), "item 2");
    EXPECT_EQ(SendMessage(combo, CBEM_HASEDITCHANGED, 0, 0), 0);
    SetFocus(combo);
    display.PumpMessages();
    EXPECT_EQ(GetFocus(), edit);
    display.TypeText("x");
    display.PumpMessages();
    EXPECT_EQ(SendMessage(combo, CBEM_HASEDITCHANGED, 0, 0), 1);
    EXPECT_NE(std::find(log.begin(), log.end(), "command 9 code " + std::to_string(CBN_EDITCHANGE)), log.end());
    display.PressKey(VK_RETURN);
    display.PumpMessages();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], "begin");
    EXPECT_EQ(told[1].substr(0, 16), "end 2 changed 1 ");
    EXPECT_EQ(told[1].back(), '2');  // the selection is still item 2
    EXPECT_EQ(TextOf(combo, -1), win::WindowText(edit));  // item -1 is the field
    notify = nullptr;
}

TEST_F(ComboBoxEx, CallbackItemsAskTheParentWhenDrawn) {
    HWND combo = MakeCombo(CBS_DROPDOWNLIST, 0);
    COMBOBOXEXITEMA item;
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_LPARAM;
    item.iItem = 0;
    item.pszText = LPSTR_TEXTCALLBACKA;
    item.iImage = I_IMAGECALLBACK;
    item.lParam = 77;
    SendMessage(combo, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    int asked = 0;
    notify = [&](const NMHDR* h) -> std::optional<LRESULT> {
        if (h->code != CBEN_GETDISPINFOA) return std::nullopt;
        auto* note = const_cast<NMCOMBOBOXEX*>(reinterpret_cast<const NMCOMBOBOXEX*>(h));
        ++asked;
        EXPECT_EQ(note->ceItem.lParam, 77);
        EXPECT_EQ(note->ceItem.mask, CBEIF_TEXT | CBEIF_IMAGE);
        std::strcpy(note->ceItem.pszText, "given");
        note->ceItem.iImage = 2;
        return 0;
    };
    SendMessage(combo, CB_SETCURSEL, 0, 0);
    RedrawWindow(Inner(combo), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    EXPECT_GE(asked, 1);
    const test::ScreenShot shot;
    COMBOBOXINFO info;
    GetComboBoxInfo(Inner(combo), &info);
    // The field shows the given picture (blue) at its left.
    bool blue = false;
    for (int x = info.rcItem.left; x < info.rcItem.left + 24; ++x)
        blue |= shot.ClientPixel(Inner(combo), x, (info.rcItem.top + info.rcItem.bottom) / 2) == RGB(0, 0, 200);
    EXPECT_TRUE(blue);
    COMBOBOXEXITEMA read;
    read.mask = CBEIF_TEXT;
    read.iItem = 0;
    EXPECT_TRUE(SendMessage(combo, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&read)));
    EXPECT_EQ(read.pszText, LPSTR_TEXTCALLBACKA);  // still left to the parent
    notify = nullptr;
}

TEST_F(ComboBoxEx, DroppedItemsShowPicturesAtTheirIndent) {
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    SendMessage(combo, CB_SETCURSEL, 1, 0);
    SendMessage(combo, CB_SHOWDROPDOWN, 1, 0);
    display.PumpMessages();
    COMBOBOXINFO info;
    GetComboBoxInfo(Inner(combo), &info);
    ASSERT_TRUE(IsWindowVisible(info.hwndList));
    EXPECT_TRUE(SaveScreenPng(::testing::TempDir() + "comboboxex.png"));
    const test::ScreenShot shot;
    for (int i = 0; i < 4; ++i) {
        RECT r{};
        SendMessage(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        const int x = r.left + 2 + i * 10 + 8;
        const int y = (r.top + r.bottom) / 2;
        // Even items show picture 0 (red), odd ones picture 1 (green), the selected one picture 2.
        const COLORREF expected = i == 1 ? RGB(0, 0, 200) : (i % 2 ? RGB(0, 150, 0) : RGB(200, 0, 0));
        EXPECT_EQ(shot.ClientPixel(info.hwndList, x, y), expected) << i;
        EXPECT_NE(shot.ClientPixel(info.hwndList, x - 10, y), expected) << i;
    }
    SendMessage(combo, CB_SHOWDROPDOWN, 0, 0);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// A form with every bar of this family, saved for a person to look at: a tool bar with icons,
// a check button and a drop-down, a track bar, a dropped extended combo and a three-panel status
// bar with its grip; each must have drawn something other than the face colour.
TEST_F(ComboBoxEx, FormWithEveryBarIsDrawn) {
    HWND combo = MakeCombo(CBS_DROPDOWN);
    HWND tools = Make(TOOLBARCLASSNAME, "", TBSTYLE_FLAT, {0, 0, 10, 10}, 3);
    SendMessage(tools, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessage(tools, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessage(tools, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    TBBUTTON buttons[] = {
        {0, 1, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, -1},
        {1, 2, TBSTATE_ENABLED | TBSTATE_CHECKED, BTNS_CHECK, {}, 0, -1},
        {0, 0, 0, BTNS_SEP, {}, 0, -1},
        {2, 3, TBSTATE_ENABLED, BTNS_DROPDOWN, {}, 0, -1},
    };
    SendMessage(tools, TB_ADDBUTTONSA, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    SendMessage(tools, TB_AUTOSIZE, 0, 0);
    SetWindowPos(combo, nullptr, 20, 50, 200, 200, SWP_NOZORDER);
    HWND track = Make(TRACKBAR_CLASS, "", TBS_AUTOTICKS, {240, 50, 390, 90}, 5);
    SendMessage(track, TBM_SETTICFREQ, 10, 0);
    SendMessage(track, TBM_SETPOS, 1, 40);
    HWND status = Make(STATUSCLASSNAME, "", SBARS_SIZEGRIP, {0, 0, 10, 10}, 6);
    int parts[] = {120, 260, -1};
    SendMessage(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    SendMessage(status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("Ready"));
    SendMessage(status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("\tPage 1 of 3"));
    SendMessage(status, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>("100%"));
    SendMessage(combo, CB_SETCURSEL, 2, 0);
    SendMessage(combo, CB_SHOWDROPDOWN, 1, 0);
    display.PumpMessages();
    EXPECT_TRUE(SaveScreenPng(::testing::TempDir() + "bars-form.png"));
    for (HWND h : {tools, track, status, Inner(combo)}) {
        RECT client;
        GetClientRect(h, &client);
        EXPECT_LT(test::CountPixels(h, client, GetSysColor(COLOR_3DFACE)), client.right * client.bottom);
    }
    SendMessage(combo, CB_SHOWDROPDOWN, 0, 0);
}

}  // namespace
}  // namespace parch
