// The "SysListView32" class. No other implementation of the control runs here to compare with:
// the expected notification sequences and answers below are written from the control's public
// documentation (which LVN_ and NM_ notifications a click, a key or a message causes and in
// what order, the custom-draw stages and the answers honoured) and recorded with the message
// recorder's parent.

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/gdi/Utf8Text.h"
#include "tests/platform/win/ListViewTestSupport.h"

namespace parch::listviewtest {
namespace {

using test::Lines;

std::string StateChange(NMHDR* hdr) {
    auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
    std::string name = test::NotifyName(hdr->code);
    if (hdr->code == LVN_ITEMCHANGING || hdr->code == LVN_ITEMCHANGED)
        return name + " " + std::to_string(nm->iItem) + " " + test::Hex(nm->uOldState) + ">" + test::Hex(nm->uNewState);
    if (hdr->code == NM_CLICK || hdr->code == NM_DBLCLK || hdr->code == NM_RCLICK || hdr->code == LVN_ITEMACTIVATE)
        return name + " " + std::to_string(reinterpret_cast<NMITEMACTIVATE*>(hdr)->iItem);
    if (hdr->code == LVN_COLUMNCLICK || hdr->code == LVN_INSERTITEM || hdr->code == LVN_DELETEITEM)
        return name + " " + std::to_string(nm->iItem) + "/" + std::to_string(nm->iSubItem);
    return name;
}

class ListView : public test::ListViewNotifyTest {
protected:
    void SetUp() override {
        ListViewNotifyTest::SetUp();
        quiet = {NM_CUSTOMDRAW, LVN_GETDISPINFO, NM_SETFOCUS, NM_KILLFOCUS, LVN_KEYDOWN};
        describe = StateChange;
    }

    HWND Make(DWORD style, DWORD exStyle = 0, RECT r = {10, 10, 310, 210}) {
        HWND h = CreateWindowEx(0, "SysListView32", "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, reinterpret_cast<HMENU>(7), nullptr, nullptr);
        if (exStyle) SendMessage(h, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, exStyle);
        display.PumpMessages();
        log.clear();
        return h;
    }
    static void AddColumn(HWND h, int index, const char* text, int width, int format = LVCFMT_LEFT) {
        LVCOLUMN c;
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        c.pszText = const_cast<char*>(text);
        c.cx = width;
        c.fmt = format;
        SendMessage(h, LVM_INSERTCOLUMN, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&c));
    }
    static int AddItem(HWND h, const std::string& text, LPARAM param = 0, std::vector<std::string> subItems = {}) {
        LVITEM item;
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = INT32_MAX;
        item.pszText = const_cast<char*>(text.c_str());
        item.lParam = param;
        int index = static_cast<int>(SendMessage(h, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)));
        for (std::size_t i = 0; i < subItems.size(); ++i) {
            LVITEM sub;
            sub.iSubItem = static_cast<int>(i + 1);
            sub.pszText = const_cast<char*>(subItems[i].c_str());
            SendMessage(h, LVM_SETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&sub));
        }
        return index;
    }
    static std::string Text(HWND h, int index, int subItem = 0) {
        char buffer[256] = {};
        LVITEM item;
        item.iSubItem = subItem;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        SendMessage(h, LVM_GETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    static std::string Selected(HWND h) {
        std::string out;
        for (int i = -1; (i = static_cast<int>(SendMessage(h, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;)
            out += (out.empty() ? "" : ",") + std::to_string(i);
        return out;
    }
    static int Focused(HWND h) { return static_cast<int>(SendMessage(h, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)); }
    static void SetState(HWND h, int index, UINT state, UINT mask) {
        LVITEM item;
        item.state = state;
        item.stateMask = mask;
        SendMessage(h, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
    static RECT ItemRect(HWND h, int index, int code) {
        RECT r{code, 0, 0, 0};
        SendMessage(h, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        return r;
    }
    // A point of an item part, in screen coordinates.
    POINT PartPoint(HWND h, int index, int code, int dx = 4) {
        RECT r = ItemRect(h, index, code);
        return ScreenPointOf(h, POINT{r.left + dx, (r.top + r.bottom) / 2});
    }
    void Click(POINT p) {
        display.Click(p.x, p.y);
        display.PumpMessages();
        display.AdvanceTime(1000);  // never taken for a double click
    }
    HWND Report(int items, DWORD style = 0, DWORD exStyle = 0) {
        HWND h = Make(LVS_REPORT | style, exStyle);
        AddColumn(h, 0, "Name", 120);
        AddColumn(h, 1, "Size", 80, LVCFMT_RIGHT);
        for (int i = 0; i < items; ++i) AddItem(h, "item " + std::to_string(i), i, {std::to_string(i * 10)});
        display.PumpMessages();
        log.clear();
        return h;
    }
};

// ---- items, columns and texts ---------------------------------------------------------------

TEST_F(ListView, ItemsAndSubItemsKeepTheirTextsInUtf8AndUtf16) {
    HWND h = Report(0);
    EXPECT_EQ(AddItem(h, "first", 11, {"1", "one"}), 0);
    LVITEMW wide;
    wide.mask = LVIF_TEXT | LVIF_PARAM;
    wide.iItem = 0;
    std::u16string caption = u"Zw\u00F6lf \U0001F600";
    wide.pszText = caption.data();
    wide.lParam = 12;
    EXPECT_EQ(SendMessage(h, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&wide)), 0);
    EXPECT_EQ(Pump(), (Lines{"INSERTITEM 0/0", "INSERTITEM 0/0"}));

    EXPECT_EQ(SendMessage(h, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Text(h, 0), "Zw\xC3\xB6lf \xF0\x9F\x98\x80");
    EXPECT_EQ(Text(h, 1), "first");
    EXPECT_EQ(Text(h, 1, 2), "one");
    EXPECT_EQ(Text(h, 0, 1), "");

    char16_t back[32] = {};
    LVITEMW get;
    get.mask = LVIF_TEXT | LVIF_PARAM;
    get.iItem = 0;
    get.pszText = back;
    get.cchTextMax = 32;
    ASSERT_TRUE(SendMessage(h, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get)));
    EXPECT_EQ(std::u16string(back), caption);
    EXPECT_EQ(get.lParam, 12);

    EXPECT_TRUE(SendMessage(h, LVM_DELETEITEM, 0, 0));
    EXPECT_FALSE(SendMessage(h, LVM_DELETEITEM, 5, 0));
    EXPECT_EQ(Pump(), (Lines{"DELETEITEM 0/0"}));
    EXPECT_EQ(Text(h, 0), "first");
    EXPECT_TRUE(SendMessage(h, LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(Pump(), (Lines{"DELETEALLITEMS", "DELETEITEM 0/0"}));
    EXPECT_EQ(SendMessage(h, LVM_GETITEMCOUNT, 0, 0), 0);
}

// Copies into a caller's buffer stop where no character is split: a 129-byte column buffer
// must not end in half a character, nor a UTF-16 buffer in half a surrogate pair.
TEST_F(ListView, TextCopiesStopAtACharacterBoundary) {
    HWND h = Report(0);
    std::string title(127, 'x');
    title += "\xC3\xA9\xC3\xA9";  // é at bytes 127-128: a 129-byte buffer holds 128 bytes and the zero
    LVCOLUMN column;
    column.mask = LVCF_TEXT;
    column.pszText = title.data();
    ASSERT_TRUE(SendMessage(h, LVM_SETCOLUMN, 0, reinterpret_cast<LPARAM>(&column)));
    char buffer[129];
    std::memset(buffer, '#', sizeof buffer);
    LVCOLUMN get;
    get.mask = LVCF_TEXT;
    get.pszText = buffer;
    get.cchTextMax = sizeof buffer;
    ASSERT_TRUE(SendMessage(h, LVM_GETCOLUMN, 0, reinterpret_cast<LPARAM>(&get)));
    EXPECT_EQ(std::string(buffer), std::string(127, 'x'));

    AddItem(h, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");  // a é € 😀: 1 + 2 + 3 + 4 bytes
    struct Case {
        int size;
        const char* expected;
    };
    for (const Case& c : {Case{1, ""}, Case{2, "a"}, Case{3, "a"}, Case{4, "a\xC3\xA9"}, Case{6, "a\xC3\xA9"},
                          Case{7, "a\xC3\xA9\xE2\x82\xAC"}, Case{10, "a\xC3\xA9\xE2\x82\xAC"},
                          Case{11, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"}}) {
        char out[16];
        std::memset(out, '#', sizeof out);
        LVITEM item;
        item.pszText = out;
        item.cchTextMax = c.size;
        LRESULT copied = SendMessage(h, LVM_GETITEMTEXT, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::string(out), c.expected) << c.size;
        EXPECT_EQ(copied, static_cast<LRESULT>(std::strlen(c.expected))) << c.size;
        EXPECT_EQ(out[c.size], '#') << "wrote past the buffer at " << c.size;
    }
    for (int size : {4, 5, 6}) {
        char16_t out[8] = {};
        LVITEMW item;
        item.pszText = out;
        item.cchTextMax = size;
        SendMessage(h, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::u16string(out), size < 6 ? u"a\u00E9\u20AC" : u"a\u00E9\u20AC\U0001F600") << size;
    }
}

TEST_F(ListView, ColumnsMirrorIntoTheHeaderAndKeepTheirOrder) {
    HWND h = Report(1);
    HWND header = reinterpret_cast<HWND>(SendMessage(h, LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(header);
    EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessage(h, LVM_GETCOLUMNWIDTH, 1, 0), 80);
    EXPECT_TRUE(SendMessage(h, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(55, 0)));
    HDITEM hi;
    hi.mask = HDI_WIDTH;
    SendMessage(header, HDM_GETITEM, 1, reinterpret_cast<LPARAM>(&hi));
    EXPECT_EQ(hi.cxy, 55);

    int order[2] = {1, 0};
    EXPECT_TRUE(SendMessage(h, LVM_SETCOLUMNORDERARRAY, 2, reinterpret_cast<LPARAM>(order)));
    int back[2] = {};
    SendMessage(header, HDM_GETORDERARRAY, 2, reinterpret_cast<LPARAM>(back));
    EXPECT_EQ(back[0], 1);
    RECT sub{LVIR_BOUNDS, 1, 0, 0};
    sub.top = 1;
    ASSERT_TRUE(SendMessage(h, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&sub)));
    EXPECT_EQ(sub.left, 0) << "the size column now comes first";
    EXPECT_EQ(sub.right, 55);
    int bad[2] = {1, 1};
    EXPECT_FALSE(SendMessage(h, LVM_SETCOLUMNORDERARRAY, 2, reinterpret_cast<LPARAM>(bad)));

    EXPECT_TRUE(SendMessage(h, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(static_cast<WORD>(LVSCW_AUTOSIZE), 0)));
    int autoWidth = static_cast<int>(SendMessage(h, LVM_GETCOLUMNWIDTH, 0, 0));
    int textWidth = static_cast<int>(SendMessage(h, LVM_GETSTRINGWIDTH, 0, reinterpret_cast<LPARAM>("item 0")));
    EXPECT_GT(autoWidth, textWidth);
    EXPECT_LT(autoWidth, textWidth + 30);

    EXPECT_TRUE(SendMessage(h, LVM_DELETECOLUMN, 0, 0));
    EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 1);
}

TEST_F(ListView, AReportViewMakesItsHeaderAndAnnouncesIt) {
    HWND icons = Make(LVS_ICON);
    EXPECT_FALSE(SendMessage(icons, LVM_GETHEADER, 0, 0));
    rec.Clear();
    SendMessage(icons, LVM_SETVIEW, LV_VIEW_DETAILS, 0);
    EXPECT_EQ(SendMessage(icons, LVM_GETVIEW, 0, 0), static_cast<LRESULT>(LV_VIEW_DETAILS));
    HWND header = reinterpret_cast<HWND>(SendMessage(icons, LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(header);
    Lines parentNotes;
    for (const std::string& line : rec.Take())
        if (line.find("WM_PARENTNOTIFY") != std::string::npos) parentNotes.push_back(line);
    EXPECT_EQ(parentNotes, (Lines{"parent WM_PARENTNOTIFY 1"}));
    char name[32] = {};
    GetClassName(header, name, sizeof name);
    EXPECT_STREQ(name, "SysHeader32");
    EXPECT_TRUE(IsWindowVisible(header));
}

// ---- mouse and keyboard ---------------------------------------------------------------------

TEST_F(ListView, AClickSelectsTheItemAndTellsTheChangesInOrder) {
    HWND h = Report(4);
    Click(PartPoint(h, 0, LVIR_LABEL));
    EXPECT_EQ(Pump(), (Lines{"ITEMCHANGING 0 0>3", "ITEMCHANGED 0 0>3", "NM_CLICK 0"}));
    Click(PartPoint(h, 2, LVIR_LABEL));
    EXPECT_EQ(Pump(), (Lines{"ITEMCHANGING 0 3>1", "ITEMCHANGED 0 3>1", "ITEMCHANGING 0 1>0", "ITEMCHANGED 0 1>0",
                             "ITEMCHANGING 2 0>3", "ITEMCHANGED 2 0>3", "NM_CLICK 2"}));
    // A veto keeps the old selection.
    answers[LVN_ITEMCHANGING] = [](NMHDR*) { return LRESULT{1}; };
    Click(PartPoint(h, 3, LVIR_LABEL));
    answers.clear();
    EXPECT_EQ(Selected(h), "2");
    Pump();
    // Below the items: everything is deselected, NM_CLICK tells -1.
    RECT client;
    GetClientRect(h, &client);
    Click(ScreenPointOf(h, POINT{20, client.bottom - 5}));
    EXPECT_EQ(Pump(), (Lines{"ITEMCHANGING 2 3>1", "ITEMCHANGED 2 3>1", "NM_CLICK -1"}));
}

TEST_F(ListView, DoubleAndRightClicksTellTheParent) {
    HWND h = Report(3);
    POINT p = PartPoint(h, 1, LVIR_LABEL);
    display.DoubleClick(p.x, p.y);
    Lines lines = Pump();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "NM_DBLCLK 1");
    EXPECT_EQ(lines.back(), "ITEMACTIVATE 1");
    display.AdvanceTime(1000);
    POINT q = PartPoint(h, 2, LVIR_LABEL);
    display.Click(q.x, q.y, HeadlessDisplay::Button::Right);
    EXPECT_EQ(Pump(), (Lines{"ITEMCHANGING 1 3>1", "ITEMCHANGED 1 3>1", "ITEMCHANGING 1 1>0", "ITEMCHANGED 1 1>0",
                             "ITEMCHANGING 2 0>3", "ITEMCHANGED 2 0>3", "NM_RCLICK 2"}));
}

TEST_F(ListView, ControlAndShiftClicksBuildTheSelection) {
    HWND h = Report(6);
    Click(PartPoint(h, 1, LVIR_LABEL));
    display.KeyDown(VK_CONTROL);
    Click(PartPoint(h, 3, LVIR_LABEL));
    display.KeyUp(VK_CONTROL);
    EXPECT_EQ(Selected(h), "1,3");
    display.KeyDown(VK_SHIFT);
    Click(PartPoint(h, 5, LVIR_LABEL));
    display.KeyUp(VK_SHIFT);
    EXPECT_EQ(Selected(h), "3,4,5");
    EXPECT_EQ(Focused(h), 5);
    EXPECT_EQ(SendMessage(h, LVM_GETSELECTEDCOUNT, 0, 0), 3);
}

TEST_F(ListView, KeysMoveTheFocusAndTheSelection) {
    struct Case {
        const char* name;
        std::vector<std::pair<UINT, UINT>> keys;  // key, modifier (0 none)
        const char* selected;
        int focused;
    };
    for (const Case& c : {
             Case{"down twice", {{VK_DOWN, 0}, {VK_DOWN, 0}}, "2", 2},
             Case{"shift down", {{VK_DOWN, 0}, {VK_DOWN, VK_SHIFT}, {VK_DOWN, VK_SHIFT}}, "1,2,3", 3},
             Case{"control walks, space toggles", {{VK_DOWN, VK_CONTROL}, {VK_DOWN, VK_CONTROL}, {VK_SPACE, VK_CONTROL}}, "0,2", 2},
             Case{"end then up", {{VK_END, 0}, {VK_UP, 0}}, "18", 18},
             Case{"home", {{VK_END, 0}, {VK_HOME, 0}}, "0", 0},
             Case{"page down", {{VK_NEXT, 0}}, nullptr, -1},
         }) {
        HWND h = Report(20);
        SetFocus(h);
        SetState(h, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        for (auto [key, modifier] : c.keys) {
            if (modifier) display.KeyDown(modifier);
            display.PressKey(key);
            if (modifier) display.KeyUp(modifier);
            display.PumpMessages();
        }
        if (c.selected) {
            EXPECT_EQ(Selected(h), c.selected) << c.name;
            EXPECT_EQ(Focused(h), c.focused) << c.name;
        } else {  // a page down goes a page less one row and keeps the focus in view
            int page = static_cast<int>(SendMessage(h, LVM_GETCOUNTPERPAGE, 0, 0));
            EXPECT_EQ(Focused(h), page - 1) << c.name;
            int top = static_cast<int>(SendMessage(h, LVM_GETTOPINDEX, 0, 0));
            EXPECT_LE(top, page - 1);
            EXPECT_GT(top + page, page - 1);
        }
        DestroyWindow(h);
    }
}

TEST_F(ListView, TypingFindsTheItemByItsFirstLetters) {
    HWND h = Make(LVS_REPORT);
    AddColumn(h, 0, "Name", 100);
    for (const char* t : {"apple", "banana", "Blueberry", "cherry", "bluebell"}) AddItem(h, t);
    SetFocus(h);
    display.TypeText("b");
    display.PumpMessages();
    EXPECT_EQ(Selected(h), "1");
    display.TypeText("lueb");
    display.PumpMessages();
    EXPECT_EQ(Selected(h), "2") << "the typed letters add up";
    display.TypeText("el");
    display.PumpMessages();
    EXPECT_EQ(Selected(h), "4");
    display.AdvanceTime(3000);
    display.TypeText("c");
    display.PumpMessages();
    EXPECT_EQ(Selected(h), "3") << "after a pause the search starts anew";
}

TEST_F(ListView, CheckBoxesAreStateImagesToggledByClickAndSpace) {
    HWND h = Report(3, 0, LVS_EX_CHECKBOXES);
    EXPECT_EQ(SendMessage(h, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK), static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(1)));
    RECT box = ItemRect(h, 1, LVIR_BOUNDS);
    LVHITTESTINFO hit;
    RECT label = ItemRect(h, 1, LVIR_LABEL);
    RECT icon = ItemRect(h, 1, LVIR_ICON);
    hit.pt = {icon.left - 6, (box.top + box.bottom) / 2};
    EXPECT_EQ(SendMessage(h, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
    EXPECT_EQ(hit.flags, LVHT_ONITEMSTATEICON);
    Click(ScreenPointOf(h, hit.pt));
    EXPECT_EQ(Pump(), (Lines{"ITEMCHANGING 1 1000>2000", "ITEMCHANGED 1 1000>2000", "NM_CLICK 1"}));
    EXPECT_EQ(Selected(h), "") << "a click on the box does not select";

    Click(ScreenPointOf(h, POINT{label.left + 4, (label.top + label.bottom) / 2}));
    Pump();
    display.PressKey(VK_SPACE);
    display.PumpMessages();
    EXPECT_EQ(SendMessage(h, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(1)));
    answers[LVN_ITEMCHANGING] = [](NMHDR*) { return LRESULT{1}; };
    display.PressKey(VK_SPACE);
    display.PumpMessages();
    EXPECT_EQ(SendMessage(h, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(1))) << "vetoed";
    answers.clear();
    SetState(h, 2, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
    Pump();

    // The boxes on the screen are DrawFrameControl cells, checked and not.
    UpdateWindow(h);
    for (int index : {0, 2}) {
        RECT row = ItemRect(h, index, LVIR_BOUNDS);
        test::MemoryPicture expected(kCheckGlyphSize, kCheckGlyphSize);
        RECT cell{0, 0, kCheckGlyphSize, kCheckGlyphSize};
        DrawFrameControl(expected.Dc(), &cell, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (index == 2 ? DFCS_CHECKED : 0));
        bool found = false;
        for (int y = row.top; y + kCheckGlyphSize <= row.bottom && !found; ++y)
            for (int x = 0; x < 24 && !found; ++x) found = test::CompareClientWithPicture(h, expected, POINT{x, y}).empty();
        EXPECT_TRUE(found) << "no check box cell in row " << index;
    }
}

// ---- custom draw ----------------------------------------------------------------------------

std::string StageName(DWORD stage) {
    switch (stage) {
        case CDDS_PREPAINT: return "PREPAINT";
        case CDDS_POSTPAINT: return "POSTPAINT";
        case CDDS_ITEMPREPAINT: return "ITEMPREPAINT";
        case CDDS_ITEMPOSTPAINT: return "ITEMPOSTPAINT";
        case CDDS_SUBITEM | CDDS_ITEMPREPAINT: return "SUBITEMPREPAINT";
        case CDDS_SUBITEM | CDDS_ITEMPOSTPAINT: return "SUBITEMPOSTPAINT";
        default: return "stage" + std::to_string(stage);
    }
}

TEST_F(ListView, CustomDrawGoesThroughItsStagesAndTakesTheColoursOfTheAnswers) {
    HWND h = Report(2);
    ignoredSenders.insert(reinterpret_cast<HWND>(SendMessage(h, LVM_GETHEADER, 0, 0)));
    quiet.erase(NM_CUSTOMDRAW);
    describe = [](NMHDR* hdr) {
        // Only custom-draw records carry draw stages; others (the deletions at the end) are named alone.
        if (hdr->code != NM_CUSTOMDRAW) return "code " + std::to_string(static_cast<int>(hdr->code));
        auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
        std::string line = StageName(cd->nmcd.dwDrawStage);
        if (cd->nmcd.dwDrawStage & CDDS_ITEM) line += " " + std::to_string(cd->nmcd.dwItemSpec);
        if (cd->nmcd.dwDrawStage & CDDS_SUBITEM) line += "/" + std::to_string(cd->iSubItem);
        return line;
    };
    const COLORREF kCellColours[2][2] = {{RGB(200, 0, 0), RGB(0, 200, 0)}, {RGB(0, 0, 200), RGB(200, 200, 0)}};
    answers[NM_CUSTOMDRAW] = [&](NMHDR* hdr) -> LRESULT {
        auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
        switch (cd->nmcd.dwDrawStage) {
            case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
            case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT;
            case CDDS_SUBITEM | CDDS_ITEMPREPAINT:
                cd->clrTextBk = kCellColours[cd->nmcd.dwItemSpec][cd->iSubItem];
                cd->clrText = RGB(255, 255, 255);
                return cd->nmcd.dwItemSpec == 1 && cd->iSubItem == 1 ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
            default: return CDRF_DODEFAULT;
        }
    };
    InvalidateRect(h, nullptr, 1);
    EXPECT_EQ(Pump(), (Lines{"PREPAINT", "ITEMPREPAINT 0", "SUBITEMPREPAINT 0/0", "SUBITEMPREPAINT 0/1", "ITEMPOSTPAINT 0",
                             "ITEMPREPAINT 1", "SUBITEMPREPAINT 1/0", "SUBITEMPREPAINT 1/1", "ITEMPOSTPAINT 1",
                             "POSTPAINT"}));
    test::ScreenShot shot;
    RECT row0 = ItemRect(h, 0, LVIR_BOUNDS), row1 = ItemRect(h, 1, LVIR_BOUNDS);
    int y0 = row0.bottom - 2, y1 = row1.bottom - 2;
    EXPECT_EQ(shot.ClientPixel(h, 118, y0), kCellColours[0][0]);
    EXPECT_EQ(shot.ClientPixel(h, 190, y0), kCellColours[0][1]);
    EXPECT_EQ(shot.ClientPixel(h, 118, y1), kCellColours[1][0]);
    EXPECT_EQ(shot.ClientPixel(h, 190, y1), GetSysColor(COLOR_WINDOW)) << "a skipped cell is left to the parent";

    // SKIPDEFAULT at the start leaves everything to the parent.
    answers[NM_CUSTOMDRAW] = [](NMHDR*) { return CDRF_SKIPDEFAULT; };
    InvalidateRect(h, nullptr, 1);
    EXPECT_EQ(Pump(), (Lines{"PREPAINT"}));
}

TEST_F(ListView, SelectionShowsInTheHighlightColourAndGreyWithoutFocus) {
    HWND h = Report(3, LVS_SHOWSELALWAYS, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    SetFocus(h);
    SetState(h, 1, LVIS_SELECTED, LVIS_SELECTED);
    UpdateWindow(h);
    RECT row = ItemRect(h, 1, LVIR_BOUNDS);
    int y = (row.top + row.bottom) / 2;
    {
        test::ScreenShot shot;
        EXPECT_EQ(shot.ClientPixel(h, 112, y), GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_EQ(shot.ClientPixel(h, 150, y), GetSysColor(COLOR_HIGHLIGHT)) << "the whole row";
        // Grid lines: under each row and at each column's right edge.
        EXPECT_EQ(shot.ClientPixel(h, 60, row.top - 1), GetSysColor(COLOR_3DFACE));
        EXPECT_EQ(shot.ClientPixel(h, 119, ItemRect(h, 2, LVIR_BOUNDS).top + 3), GetSysColor(COLOR_3DFACE));
    }
    SetFocus(parent);
    UpdateWindow(h);
    test::ScreenShot shot;
    EXPECT_EQ(shot.ClientPixel(h, 150, y), GetSysColor(COLOR_3DFACE)) << "shown without focus by LVS_SHOWSELALWAYS";
}

// ---- owner data, callbacks and sorting ------------------------------------------------------

TEST_F(ListView, OwnerDataAsksForWhatItShowsAndNoMore) {
    HWND h = Make(LVS_REPORT | LVS_OWNERDATA);
    AddColumn(h, 0, "Name", 120);
    AddColumn(h, 1, "Size", 80);
    int asked = 0;
    answers[LVN_GETDISPINFO] = [&](NMHDR* hdr) -> LRESULT {
        auto* info = reinterpret_cast<NMLVDISPINFO*>(hdr);
        ++asked;
        if (info->item.mask & LVIF_TEXT) {
            std::string text = "row " + std::to_string(info->item.iItem) + "." + std::to_string(info->item.iSubItem);
            std::snprintf(info->item.pszText, static_cast<std::size_t>(info->item.cchTextMax), "%s", text.c_str());
        }
        return 0;
    };
    EXPECT_TRUE(SendMessage(h, LVM_SETITEMCOUNT, 100000, 0));
    EXPECT_FALSE(SendMessage(h, LVM_SETITEMCOUNT, 1 << 30, 0)) << "refused, not allocated";
    EXPECT_EQ(SendMessage(h, LVM_GETITEMCOUNT, 0, 0), 100000);
    EXPECT_EQ(Text(h, 99999, 1), "row 99999.1");
    display.PumpMessages();
    asked = 0;
    InvalidateRect(h, nullptr, 1);
    UpdateWindow(h);
    int page = static_cast<int>(SendMessage(h, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_GT(asked, 0);
    EXPECT_LE(asked, (page + 1) * 2 * 2) << "only the rows on the screen are asked for";
    SetState(h, 70000, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(Selected(h), "70000");
    SendMessage(h, LVM_ENSUREVISIBLE, 70000, 0);
    EXPECT_EQ(SendMessage(h, LVM_GETTOPINDEX, 0, 0), 70000 - page + 1);
}

TEST_F(ListView, CallbackTextsAreAskedOfTheParent) {
    HWND h = Report(0);
    LVITEM item;
    item.mask = LVIF_TEXT;
    item.pszText = LPSTR_TEXTCALLBACK;
    SendMessage(h, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
    static const char kAnswer[] = "from the parent";
    answers[LVN_GETDISPINFO] = [](NMHDR* hdr) -> LRESULT {
        reinterpret_cast<NMLVDISPINFO*>(hdr)->item.pszText = const_cast<char*>(kAnswer);  // its own string
        return 0;
    };
    EXPECT_EQ(Text(h, 0), kAnswer);
}

// The parent's answer may hold broken UTF-8, given as its own string or copied into the
// control's buffer; what the list hands out is valid UTF-8 either way.
TEST_F(ListView, DisplayTextsFromTheParentComeBackAsValidUtf8) {
    static const char kBroken[] = "ok\xC3 \xF0\x9F\x98 end\xFF";
    for (bool byPointer : {true, false}) {
        HWND h = Report(0);
        LVITEM item;
        item.mask = LVIF_TEXT;
        item.pszText = LPSTR_TEXTCALLBACK;
        SendMessage(h, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
        answers[LVN_GETDISPINFO] = [byPointer](NMHDR* hdr) -> LRESULT {
            auto& asked = reinterpret_cast<NMLVDISPINFO*>(hdr)->item;
            if (byPointer) asked.pszText = const_cast<char*>(kBroken);
            else std::strncpy(asked.pszText, kBroken, static_cast<std::size_t>(asked.cchTextMax));
            return 0;
        };
        const std::string text = Text(h, 0);
        EXPECT_EQ(text, ValidUtf8(kBroken)) << byPointer;
        EXPECT_EQ(ValidUtf8(text), text) << byPointer;
        DestroyWindow(h);
    }
}

// Pixel counts at the ends of an int scroll to the first or last page, without overflowing.
TEST_F(ListView, ScrollingByExtremePixelCountsStopsAtTheEnds) {
    struct Case {
        DWORD view;
        int dx, dy;
        bool toEnd;
    };
    const Case cases[] = {{LVS_REPORT, 0, INT_MAX, true},   {LVS_REPORT, INT_MAX, INT_MAX, true},
                          {LVS_REPORT, INT_MIN, INT_MIN, false}, {LVS_LIST, INT_MAX, 0, true},
                          {LVS_LIST, INT_MIN, 0, false}};
    for (const Case& c : cases) {
        HWND h = Report(300);
        SendMessage(h, LVM_SETVIEW, c.view == LVS_LIST ? LV_VIEW_LIST : LV_VIEW_DETAILS, 0);
        SendMessage(h, LVM_ENSUREVISIBLE, 150, 0);
        EXPECT_EQ(SendMessage(h, LVM_SCROLL, static_cast<WPARAM>(c.dx), c.dy), 1);
        const LRESULT perPage = SendMessage(h, LVM_GETCOUNTPERPAGE, 0, 0);
        const LRESULT top = SendMessage(h, LVM_GETTOPINDEX, 0, 0);
        if (c.toEnd) EXPECT_GT(top + perPage, 299) << c.dx << " " << c.dy;
        else EXPECT_EQ(top, 0) << c.dx << " " << c.dy;
        DestroyWindow(h);
    }
}

// A single-selection list never holds two selected items: an item inserted or set selected
// takes the selection over, unless the parent keeps the old one, which then stays alone.
TEST_F(ListView, ASingleSelectionStaysSingleWhenItemsComeSelected) {
    for (bool parentKeepsTheOld : {false, true}) {
        HWND h = Report(0, LVS_SINGLESEL);
        answers[LVN_ITEMCHANGING] = [parentKeepsTheOld](NMHDR* hdr) -> LRESULT {
            const auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
            return parentKeepsTheOld && (nm->uOldState & LVIS_SELECTED) && !(nm->uNewState & LVIS_SELECTED);
        };
        for (int i = 0; i < 3; ++i) {
            LVITEM item;
            item.mask = LVIF_TEXT | LVIF_STATE;
            item.iItem = i;
            item.pszText = const_cast<char*>("x");
            item.state = item.stateMask = LVIS_SELECTED;
            ASSERT_EQ(SendMessage(h, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)), i);
        }
        SetState(h, 1, LVIS_SELECTED, LVIS_SELECTED);
        EXPECT_EQ(SendMessage(h, LVM_GETSELECTEDCOUNT, 0, 0), 1) << parentKeepsTheOld;
        EXPECT_EQ(Selected(h), parentKeepsTheOld ? "0" : "1");
        answers.erase(LVN_ITEMCHANGING);
        DestroyWindow(h);
    }
}

// Searches start after any index an int holds, the last one too.
TEST_F(ListView, NextItemSearchesFromAnyStart) {
    HWND h = Report(3);
    SetState(h, 2, LVIS_SELECTED, LVIS_SELECTED);
    const struct {
        int start;
        LRESULT found;
    } cases[] = {{-1, 2}, {INT_MIN, 2}, {1, 2}, {2, -1}, {INT_MAX, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(SendMessage(h, LVM_GETNEXTITEM, static_cast<WPARAM>(c.start), LVNI_SELECTED), c.found) << c.start;
}

// A right click on the header comes as a plain NMHDR: the list passes it on and reads no
// header record from it.
TEST_F(ListView, TheHeadersPlainNotificationsPassThroughUnread) {
    HWND h = Report(2);
    HWND header = reinterpret_cast<HWND>(SendMessage(h, LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(header);
    describe = [header](NMHDR* hdr) { return test::NotifyName(hdr->code) + (hdr->hwndFrom == header ? " header" : " list"); };
    SendMessage(header, WM_RBUTTONUP, 0, MAKELPARAM(10, 5));
    EXPECT_EQ(Pump(), (Lines{"NM_RCLICK header"}));
}

int ByTens(LPARAM a, LPARAM b, LPARAM direction) {
    return static_cast<int>((a / 10 - b / 10) * direction);
}

TEST_F(ListView, SortingIsStableAndKeepsTheFocusWithItsItem) {
    HWND h = Report(0);
    const int params[] = {31, 12, 35, 10, 18, 33};
    for (int p : params) AddItem(h, std::to_string(p), p);
    SetState(h, 4, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);  // "18"
    EXPECT_TRUE(SendMessage(h, LVM_SORTITEMS, 1, reinterpret_cast<LPARAM>(&ByTens)));
    std::string order;
    for (int i = 0; i < 6; ++i) order += Text(h, i) + " ";
    EXPECT_EQ(order, "12 10 18 31 35 33 ");
    EXPECT_EQ(Focused(h), 2);
    EXPECT_EQ(Selected(h), "2");
    // SORTITEMSEX compares by index: reverse the current order.
    EXPECT_TRUE(SendMessage(h, LVM_SORTITEMSEX, 0, reinterpret_cast<LPARAM>(+[](LPARAM a, LPARAM b, LPARAM) { return static_cast<int>(b - a); })));
    EXPECT_EQ(Text(h, 0), "33");
}

// ---- label editing --------------------------------------------------------------------------

std::string EditText(NMHDR* hdr) {
    auto* info = reinterpret_cast<NMLVDISPINFO*>(hdr);
    std::string name = test::NotifyName(hdr->code);
    if (hdr->code != LVN_BEGINLABELEDIT && hdr->code != LVN_ENDLABELEDIT) return StateChange(hdr);
    return name + " " + std::to_string(info->item.iItem) + " " + (info->item.pszText ? "\"" + std::string(info->item.pszText) + "\"" : "null");
}

TEST_F(ListView, LabelEditingAsksBeforeAndTellsTheTextAfter) {
    HWND h = Report(2, LVS_EDITLABELS);
    describe = EditText;
    SetFocus(h);
    HWND edit = reinterpret_cast<HWND>(SendMessage(h, LVM_EDITLABEL, 1, 0));
    ASSERT_TRUE(edit);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(h, LVM_GETEDITCONTROL, 0, 0)), edit);
    EXPECT_EQ(GetFocus(), edit);
    display.TypeText("renamed");
    display.PressKey(VK_RETURN);
    answers[LVN_ENDLABELEDIT] = [](NMHDR*) { return LRESULT{1}; };
    EXPECT_EQ(Pump(), (Lines{"BEGINLABELEDIT 1 \"item 1\"", "ENDLABELEDIT 1 \"renamed\""}));
    EXPECT_EQ(Text(h, 1), "renamed");
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(GetFocus(), h);

    // Escape ends with no text and changes nothing.
    edit = reinterpret_cast<HWND>(SendMessage(h, LVM_EDITLABEL, 0, 0));
    display.TypeText("lost");
    display.PressKey(VK_ESCAPE);
    EXPECT_EQ(Pump(), (Lines{"BEGINLABELEDIT 0 \"item 0\"", "ENDLABELEDIT 0 null"}));
    EXPECT_EQ(Text(h, 0), "item 0");

    // An answer of FALSE refuses the new text; a vetoed beginning makes no editor.
    answers[LVN_ENDLABELEDIT] = [](NMHDR*) { return LRESULT{0}; };
    SendMessage(h, LVM_EDITLABEL, 0, 0);
    display.TypeText("refused");
    display.PressKey(VK_RETURN);
    Pump();
    EXPECT_EQ(Text(h, 0), "item 0");
    answers[LVN_BEGINLABELEDIT] = [](NMHDR*) { return LRESULT{1}; };
    EXPECT_FALSE(SendMessage(h, LVM_EDITLABEL, 0, 0));
    EXPECT_FALSE(SendMessage(h, LVM_GETEDITCONTROL, 0, 0));
}

TEST_F(ListView, AClickOnTheSelectedLabelStartsEditingAfterADelay) {
    HWND h = Report(2, LVS_EDITLABELS);
    describe = EditText;
    Click(PartPoint(h, 0, LVIR_LABEL));
    Pump();
    POINT p = PartPoint(h, 0, LVIR_LABEL);
    display.Click(p.x, p.y);
    display.PumpMessages();
    EXPECT_FALSE(SendMessage(h, LVM_GETEDITCONTROL, 0, 0)) << "not before the double-click time";
    display.AdvanceTime(GetDoubleClickTime() + 10);
    EXPECT_EQ(Pump(), (Lines{"NM_CLICK 0", "BEGINLABELEDIT 0 \"item 0\""}));
    EXPECT_TRUE(SendMessage(h, LVM_GETEDITCONTROL, 0, 0));
}

// ---- scrolling, redrawing and image lists ---------------------------------------------------

// An empty list has no row to scroll by: nothing moves, and no item rectangle is made up.
TEST_F(ListView, AnEmptyListScrollsNothing) {
    for (DWORD view : {LVS_REPORT, LVS_LIST, LVS_ICON, LVS_SMALLICON}) {
        HWND h = Make(view);
        AddColumn(h, 0, "Name", 100);
        RECT r{LVIR_BOUNDS, 7, 7, 7};
        EXPECT_FALSE(SendMessage(h, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)));
        EXPECT_EQ(r.right - r.left, 0);
        EXPECT_EQ(r.bottom - r.top, 0);
        SendMessage(h, LVM_SCROLL, 500, 1000);
        SendMessage(h, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40), 0);
        SendMessage(h, WM_VSCROLL, SB_PAGEDOWN, 0);
        SendMessage(h, WM_HSCROLL, SB_PAGERIGHT, 0);
        EXPECT_EQ(SendMessage(h, LVM_GETTOPINDEX, 0, 0), 0) << view;
        EXPECT_EQ(GetScrollPos(h, SB_VERT), 0) << view;
        EXPECT_EQ(GetScrollPos(h, SB_HORZ), 0) << view;
        DestroyWindow(h);
    }
}

TEST_F(ListView, ScrollingUsesWholeRowsAndThirtyTwoBitPositions) {
    HWND h = Make(LVS_REPORT | LVS_OWNERDATA);
    AddColumn(h, 0, "Name", 100);
    SendMessage(h, LVM_SETITEMCOUNT, 100000, 0);
    int rowHeight = static_cast<int>(ItemRect(h, 0, LVIR_BOUNDS).bottom - ItemRect(h, 0, LVIR_BOUNDS).top);
    SendMessage(h, LVM_SCROLL, 0, 3 * rowHeight);
    EXPECT_EQ(SendMessage(h, LVM_GETTOPINDEX, 0, 0), 3);
    SCROLLINFO si;
    si.fMask = SIF_POS;
    si.nPos = 70000;
    SetScrollInfo(h, SB_VERT, &si, 0);
    SendMessage(h, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(70000)), 0);
    EXPECT_EQ(SendMessage(h, LVM_GETTOPINDEX, 0, 0), 70000) << "the bar's own 32-bit position, not the 16-bit WParam";
    SendMessage(h, WM_VSCROLL, SB_BOTTOM, 0);
    int page = static_cast<int>(SendMessage(h, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_EQ(SendMessage(h, LVM_GETTOPINDEX, 0, 0), 100000 - page);
    RECT header;
    GetWindowRect(reinterpret_cast<HWND>(SendMessage(h, LVM_GETHEADER, 0, 0)), &header);
    EXPECT_EQ(ItemRect(h, 100000 - page, LVIR_BOUNDS).top, header.bottom - header.top) << "the top row starts under the header";
}

TEST_F(ListView, SetRedrawSuspendsPaintingUntilItIsBack) {
    HWND h = Report(3);
    ignoredSenders.insert(reinterpret_cast<HWND>(SendMessage(h, LVM_GETHEADER, 0, 0)));
    quiet.erase(NM_CUSTOMDRAW);
    describe = [](NMHDR* hdr) { return StageName(reinterpret_cast<NMCUSTOMDRAW*>(hdr)->dwDrawStage); };
    quiet.insert(LVN_INSERTITEM);
    SendMessage(h, WM_SETREDRAW, 0, 0);
    for (int i = 0; i < 50; ++i) AddItem(h, "more");
    InvalidateRect(h, nullptr, 1);
    EXPECT_EQ(Pump(), Lines{});
    SendMessage(h, WM_SETREDRAW, 1, 0);
    EXPECT_EQ(Pump(), (Lines{"PREPAINT"}));
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    GetScrollInfo(h, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 52) << "the bar caught up";
}

TEST_F(ListView, ImageListsGoWithTheViewUnlessShared) {
    for (bool shared : {false, true}) {
        HWND h = Make(LVS_REPORT | (shared ? LVS_SHAREIMAGELISTS : 0));
        HIMAGELIST small = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
        HIMAGELIST state = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
        EXPECT_EQ(SendMessage(h, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small)), 0);
        SendMessage(h, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(state));
        EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessage(h, LVM_GETIMAGELIST, LVSIL_SMALL, 0)), small);
        DestroyWindow(h);
        EXPECT_EQ(IsImageListHandle(small), shared);
        EXPECT_EQ(IsImageListHandle(state), shared);
        if (shared) {
            ImageList_Destroy(small);
            ImageList_Destroy(state);
        }
    }
    // A system list given to an unshared view survives it.
    HIMAGELIST system = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
    ImageList_SetSystemList(system, true);
    HWND h = Make(LVS_REPORT);
    SendMessage(h, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(system));
    DestroyWindow(h);
    EXPECT_TRUE(IsImageListHandle(system));
    ImageList_SetSystemList(system, false);
    ImageList_Destroy(system);
}

TEST_F(ListView, HitTestsAndRectanglesAgree) {
    HWND h = Report(5);
    HIMAGELIST small = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
    SendMessage(h, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
    struct Case {
        int code;
        UINT flags;
    };
    for (const Case& c : {Case{LVIR_ICON, LVHT_ONITEMICON}, Case{LVIR_LABEL, LVHT_ONITEMLABEL}}) {
        RECT r = ItemRect(h, 3, c.code);
        LVHITTESTINFO hit;
        hit.pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        EXPECT_EQ(SendMessage(h, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 3);
        EXPECT_EQ(hit.flags, c.flags);
    }
    LVHITTESTINFO sub;
    sub.pt = {150, (ItemRect(h, 2, LVIR_BOUNDS).top + 3)};
    EXPECT_EQ(SendMessage(h, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&sub)), 2);
    EXPECT_EQ(sub.iSubItem, 1);
    LVHITTESTINFO none;
    none.pt = {20, 190};
    EXPECT_EQ(SendMessage(h, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&none)), -1);
    EXPECT_EQ(none.flags, LVHT_NOWHERE);
    // Neighbours by direction, and selections found from a start.
    SetState(h, 1, LVIS_SELECTED, LVIS_SELECTED);
    SetState(h, 4, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(SendMessage(h, LVM_GETNEXTITEM, 2, LVNI_BELOW), 3);
    EXPECT_EQ(SendMessage(h, LVM_GETNEXTITEM, 2, LVNI_ABOVE | LVNI_SELECTED), 1);
    EXPECT_EQ(SendMessage(h, LVM_GETNEXTITEM, 1, LVNI_SELECTED), 4);
    EXPECT_EQ(SendMessage(h, LVM_GETNEXTITEM, 4, LVNI_SELECTED), -1);
    DestroyWindow(h);
}

TEST_F(ListView, TheHeadersClicksBecomeColumnClicks) {
    HWND h = Report(2);
    HWND header = reinterpret_cast<HWND>(SendMessage(h, LVM_GETHEADER, 0, 0));
    RECT item;
    SendMessage(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    Click(ScreenPointOf(header, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2}));
    EXPECT_EQ(Pump(), (Lines{"HDN_ITEMCLICK", "COLUMNCLICK -1/1"}));
    // A divider dragged in the header resizes the column.
    display.Drag(ScreenPointOf(header, POINT{item.right - 1, 5}), ScreenPointOf(header, POINT{item.right + 29, 5}));
    display.PumpMessages();
    EXPECT_EQ(SendMessage(h, LVM_GETCOLUMNWIDTH, 1, 0), 110);
    // The parent may veto the tracking.
    answers[HDN_BEGINTRACK] = [](NMHDR*) { return LRESULT{1}; };
    SendMessage(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    display.Drag(ScreenPointOf(header, POINT{item.right - 1, 5}), ScreenPointOf(header, POINT{item.right + 29, 5}));
    display.PumpMessages();
    EXPECT_EQ(SendMessage(h, LVM_GETCOLUMNWIDTH, 1, 0), 110);
}

TEST_F(ListView, OtherViewsLayTheirItemsOut) {
    struct Case {
        DWORD view;
        bool downFirst;  // item 1 below item 0 (list) or beside it
    };
    for (const Case& c : {Case{LVS_LIST, true}, Case{LVS_SMALLICON, false}, Case{LVS_ICON, false}}) {
        HWND h = Make(c.view);
        for (int i = 0; i < 30; ++i) AddItem(h, "item " + std::to_string(i));
        RECT a = ItemRect(h, 0, LVIR_BOUNDS), b = ItemRect(h, 1, LVIR_BOUNDS);
        if (c.downFirst) {
            EXPECT_EQ(b.left, a.left) << c.view;
            EXPECT_EQ(b.top, a.bottom) << c.view;
        } else {
            EXPECT_EQ(b.top, a.top) << c.view;
            EXPECT_EQ(b.left, a.right) << c.view;
        }
        LVHITTESTINFO hit;
        RECT r = ItemRect(h, 1, LVIR_LABEL);
        hit.pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        EXPECT_EQ(SendMessage(h, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1) << c.view;
        DestroyWindow(h);
    }
}

// ---- the look of a report view --------------------------------------------------------------

HBITMAP SolidBitmap(int width, int height, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    RECT inner{3, 3, width - 3, height - 3};
    FillRect(dc, &inner, GetSysColorBrush(COLOR_WINDOW));
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

TEST_F(ListView, AReportWithChecksIconsSortArrowGridAndShadedRows) {
    HWND h = Report(0, 0, LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    AddColumn(h, 2, "Kind", 80);
    HIMAGELIST small = ImageList_Create(16, 16, ILC_COLOR32, 2, 1);
    for (COLORREF c : {RGB(200, 40, 40), RGB(40, 120, 200)}) {
        HBITMAP b = SolidBitmap(16, 16, c);
        ImageList_Add(small, b, nullptr);
        DeleteObject(b);
    }
    SendMessage(h, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
    for (int i = 0; i < 8; ++i) {
        int index = AddItem(h, "Document " + std::to_string(i) + ".pdf", i, {std::to_string((i + 1) * 1234) + " KB", i % 2 ? "PDF" : "Text"});
        LVITEM image;
        image.mask = LVIF_IMAGE;
        image.iItem = index;
        image.iImage = i % 2;
        SendMessage(h, LVM_SETITEM, 0, reinterpret_cast<LPARAM>(&image));
    }
    SetState(h, 1, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
    SetState(h, 3, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
    SetFocus(h);
    SetState(h, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    HWND header = reinterpret_cast<HWND>(SendMessage(h, LVM_GETHEADER, 0, 0));
    HDITEM sort;
    sort.mask = HDI_FORMAT;
    sort.fmt = HDF_STRING | HDF_SORTUP;
    SendMessage(header, HDM_SETITEM, 0, reinterpret_cast<LPARAM>(&sort));
    const COLORREF kShade = RGB(235, 240, 250);
    answers[NM_CUSTOMDRAW] = [&](NMHDR* hdr) -> LRESULT {
        auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
        if (hdr->hwndFrom != h) return CDRF_DODEFAULT;
        if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && cd->nmcd.dwItemSpec % 2) cd->clrTextBk = kShade;
        return CDRF_DODEFAULT;
    };
    InvalidateRect(h, nullptr, 1);
    UpdateWindow(h);
    UpdateWindow(header);

    test::ScreenShot shot;
    RECT row1 = ItemRect(h, 1, LVIR_BOUNDS);
    EXPECT_EQ(shot.ClientPixel(h, 200, row1.top + 2), kShade) << "odd rows shaded";
    RECT row4 = ItemRect(h, 4, LVIR_BOUNDS);
    EXPECT_EQ(shot.ClientPixel(h, 200, row4.top + 2), GetSysColor(COLOR_WINDOW));
    RECT icon = ItemRect(h, 3, LVIR_ICON);
    EXPECT_EQ(shot.ClientPixel(h, icon.left + 1, icon.top + 1), RGB(40, 120, 200)) << "the item's icon";
    RECT headerItem;
    SendMessage(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&headerItem));
    int arrow = 0;
    for (int y = headerItem.top; y < headerItem.bottom; ++y)
        for (int x = headerItem.right - 24; x < headerItem.right; ++x) arrow += shot.ClientPixel(header, x, y) == GetSysColor(COLOR_BTNSHADOW);
    EXPECT_GT(arrow, 10) << "a sort arrow at the right of the sorted column";

    if (const char* folder = std::getenv("PARCH_SAVE_PICTURES")) {
        std::filesystem::create_directories(folder);
        HBITMAP screen = CaptureScreen();
        EXPECT_TRUE(SavePng(screen, std::string(folder) + "/list-view-report.png"));
        DeleteObject(screen);
    }
    DestroyWindow(h);
}

}  // namespace
}  // namespace parch::listviewtest
