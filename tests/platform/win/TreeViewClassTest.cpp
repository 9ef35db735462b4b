// The "SysTreeView32" class. No other implementation of the control runs here to compare with,
// so the expected answers and notification sequences below are written from the control's
// public documentation: what each TVM_ message answers, which notifications the mouse and
// keyboard paths send and in what order (NM_CLICK before the selection moves; TVN_SELCHANGING
// and TVN_ITEMEXPANDING may veto), that TVM_EXPAND notifies only until TVIS_EXPANDEDONCE is
// set, and the custom-draw stages with the answers that ask for the next ones.

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "platform/gdi/SystemColors.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/TreeViewItems.h"
#include "tests/platform/win/NotifyTestSupport.h"

namespace parch::treeviewtest {
namespace {

using Lines = std::vector<std::string>;

TEST(TreeViewItems, RowsFollowExpansionAndStaleHandlesFindNothing) {
    win::TreeViewItems items;
    win::TreeNode* a = items.Insert(nullptr, nullptr);
    win::TreeNode* b = items.Insert(nullptr, a);
    win::TreeNode* a1 = items.Insert(a, nullptr);
    win::TreeNode* a2 = items.Insert(a, a1);
    EXPECT_EQ(items.Rows().size(), 2u);
    EXPECT_EQ(items.RowOf(a1), -1);
    a->state |= 0x20;  // expanded
    items.Invalidate();
    EXPECT_EQ(items.Rows().size(), 4u);
    EXPECT_EQ(items.RowOf(a2), 2);
    EXPECT_EQ(items.RowOf(b), 3);
    a->state &= ~0x20u;
    items.Invalidate();
    EXPECT_EQ(items.RowOf(a2), -1) << "a hidden node keeps no row";

    std::uintptr_t gone = a1->id, aId = a->id;
    std::vector<std::uintptr_t> order;
    items.Erase(a, [&](win::TreeNode& n) { order.push_back(n.id); });
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order.back(), aId) << "children go before their parent";
    EXPECT_EQ(items.Find(gone), nullptr);
    EXPECT_EQ(items.Count(), 1);
    EXPECT_EQ(items.Roots(), b);
    EXPECT_EQ(items.RowOf(b), 0);
    // A handle is never given again.
    win::TreeNode* c = items.Insert(nullptr, b);
    EXPECT_NE(c->id, gone);
}

TEST(TreeViewItems, DeepChainsEraseWithoutRecursion) {
    win::TreeViewItems items;
    win::TreeNode* parent = nullptr;
    for (int i = 0; i < 100000; ++i) parent = items.Insert(parent, nullptr);
    int seen = 0;
    items.Erase(items.Roots(), [&](win::TreeNode&) { ++seen; });
    EXPECT_EQ(seen, 100000);
    EXPECT_EQ(items.Count(), 0);
}

class TreeView : public test::NotifyTest {
protected:
    void SetUp() override {
        NotifyTest::SetUp();
        codeNames = {{TVN_SELCHANGING, "SELCHANGING"}, {TVN_SELCHANGED, "SELCHANGED"},
                     {TVN_ITEMEXPANDING, "EXPANDING"},  {TVN_ITEMEXPANDED, "EXPANDED"},
                     {TVN_DELETEITEM, "DELETE"},        {TVN_GETDISPINFO, "GETDISPINFO"},
                     {TVN_BEGINLABELEDIT, "BEGINEDIT"}, {TVN_ENDLABELEDIT, "ENDEDIT"},
                     {TVN_KEYDOWN, "KEYDOWN"},          {NM_CLICK, "NM_CLICK"},
                     {NM_DBLCLK, "NM_DBLCLK"},          {NM_RCLICK, "NM_RCLICK"},
                     {NM_RETURN, "NM_RETURN"},          {NM_CUSTOMDRAW, "CUSTOMDRAW"}};
        ignored = {NM_SETFOCUS, NM_KILLFOCUS, NM_CUSTOMDRAW, TVN_KEYDOWN};
        describe = [this](const NMHDR& h) -> std::string {
            switch (h.code) {
                case TVN_SELCHANGING:
                case TVN_SELCHANGED: {
                    const auto& nm = reinterpret_cast<const NMTREEVIEW&>(h);
                    return " " + std::to_string(nm.action) + " " + NameOf(nm.itemOld.hItem) + ">" + NameOf(nm.itemNew.hItem);
                }
                case TVN_ITEMEXPANDING:
                case TVN_ITEMEXPANDED: {
                    const auto& nm = reinterpret_cast<const NMTREEVIEW&>(h);
                    return std::string(nm.action == TVE_EXPAND ? " +" : " -") + NameOf(nm.itemNew.hItem);
                }
                case TVN_DELETEITEM: return " " + NameOf(reinterpret_cast<const NMTREEVIEW&>(h).itemOld.hItem);
                case TVN_ENDLABELEDIT: {
                    const auto& nm = reinterpret_cast<const NMTVDISPINFO&>(h);
                    return std::string(" ") + (nm.item.pszText ? nm.item.pszText : "(cancel)");
                }
                case NM_CUSTOMDRAW: {
                    const auto& cd = reinterpret_cast<const NMTVCUSTOMDRAW&>(h);
                    std::string s = " " + std::to_string(cd.nmcd.dwDrawStage);
                    if (cd.nmcd.dwDrawStage & CDDS_ITEM)
                        s += " " + NameOf(reinterpret_cast<HTREEITEM>(cd.nmcd.dwItemSpec)) + " L" + std::to_string(cd.iLevel);
                    return s;
                }
                default: return "";
            }
        };
    }

    std::string NameOf(HTREEITEM item) {
        if (!item) return "-";
        auto it = names.find(item);
        return it == names.end() ? "?" : it->second;
    }

    HWND MakeTree(DWORD style, RECT r = {10, 10, 260, 210}) {
        tree = Make("SysTreeView32", style, r);
        return tree;
    }

    HTREEITEM Insert(const std::string& text, HTREEITEM parentItem = TVI_ROOT, HTREEITEM after = TVI_LAST, int children = -2) {
        TVINSERTSTRUCT ins;
        ins.hParent = parentItem;
        ins.hInsertAfter = after;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM;
        std::string copy = text;
        ins.item.pszText = text == "@callback" ? LPSTR_TEXTCALLBACK : copy.data();
        ins.item.lParam = static_cast<LPARAM>(names.size() + 100);
        if (children != -2) {
            ins.item.mask |= TVIF_CHILDREN;
            ins.item.cChildren = children;
        }
        auto item = reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&ins)));
        if (item) names[item] = text;
        return item;
    }

    // A tree:  A (A1, A2 (A2a)), B, C (C1)
    void Fill() {
        a = Insert("A");
        a1 = Insert("A1", a);
        a2 = Insert("A2", a);
        a2a = Insert("A2a", a2);
        b = Insert("B");
        c = Insert("C");
        c1 = Insert("C1", c);
    }

    HTREEITEM Next(HTREEITEM item, UINT how) {
        return reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM Caret() { return Next(nullptr, TVGN_CARET); }
    UINT State(HTREEITEM item) { return static_cast<UINT>(SendMessage(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), 0xFFFF)); }
    bool Expanded(HTREEITEM item) { return (State(item) & TVIS_EXPANDED) != 0; }
    LRESULT Expand(HTREEITEM item, UINT code) { return SendMessage(tree, TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)); }
    std::string Text(HTREEITEM item) {
        char buffer[64] = {};
        TVITEM it;
        it.mask = TVIF_TEXT;
        it.hItem = item;
        it.pszText = buffer;
        it.cchTextMax = sizeof buffer;
        return SendMessage(tree, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it)) ? buffer : "(none)";
    }
    RECT ItemRect(HTREEITEM item, bool textOnly) {
        RECT r{};
        std::memcpy(static_cast<void*>(&r), &item, sizeof item);  // the item goes in, the rectangle comes out
        if (!SendMessage(tree, TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(&r))) return RECT{-1, -1, -1, -1};
        return r;
    }
    POINT LabelPoint(HTREEITEM item) {
        RECT r = ItemRect(item, true);
        return ScreenPointOf(tree, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    UINT HitFlags(int x, int y, HTREEITEM* hit = nullptr) {
        TVHITTESTINFO info;
        info.pt = POINT{x, y};
        HTREEITEM found = reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
        if (hit) *hit = found;
        return info.flags;
    }

    HWND tree = nullptr;
    std::map<HTREEITEM, std::string> names;
    HTREEITEM a{}, a1{}, a2{}, a2a{}, b{}, c{}, c1{};
};

TEST_F(TreeView, InsertionPlacesAndNavigationFindsItems) {
    MakeTree(TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT);
    Fill();
    HTREEITEM sorted = Insert("Bb", TVI_ROOT, TVI_SORT);  // between B and C
    HTREEITEM first = Insert("First", TVI_ROOT, TVI_FIRST);
    HTREEITEM afterA1 = Insert("AfterA1", a, a1);
    EXPECT_EQ(SendMessage(tree, TVM_GETCOUNT, 0, 0), 10);

    Expand(a, TVE_EXPAND);
    struct Case {
        HTREEITEM from;
        UINT how;
        HTREEITEM expected;
    };
    for (const Case& k : {Case{nullptr, TVGN_ROOT, first}, Case{first, TVGN_NEXT, a}, Case{a1, TVGN_NEXT, afterA1},
                          Case{afterA1, TVGN_PREVIOUS, a1}, Case{b, TVGN_NEXT, sorted}, Case{sorted, TVGN_NEXT, c},
                          Case{a2a, TVGN_PARENT, a2}, Case{a, TVGN_PARENT, nullptr}, Case{a, TVGN_CHILD, a1},
                          Case{nullptr, TVGN_CHILD, first}, Case{nullptr, TVGN_FIRSTVISIBLE, first},
                          Case{a, TVGN_NEXTVISIBLE, a1}, Case{a2, TVGN_NEXTVISIBLE, b} /* A2 collapsed */,
                          Case{b, TVGN_PREVIOUSVISIBLE, a2}, Case{a2a, TVGN_NEXTVISIBLE, nullptr} /* hidden */,
                          Case{nullptr, TVGN_LASTVISIBLE, c}, Case{nullptr, TVGN_CARET, nullptr}}) {
        EXPECT_EQ(NameOf(Next(k.from, k.how)), NameOf(k.expected)) << NameOf(k.from) << " how " << k.how;
    }

    // A stale handle is refused everywhere.
    SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(a2));
    EXPECT_EQ(Text(a2a), "(none)");
    EXPECT_EQ(Next(a2, TVGN_NEXT), nullptr);
    EXPECT_EQ(SendMessage(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a2)), 0);
}

TEST_F(TreeView, TextsTravelAsUtf8AndUtf16AndCallbacksAreAsked) {
    MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT);
    HTREEITEM item = Insert("Gr\xC3\xBC\xC3\x9F" "e");
    TVITEMW wide;
    char16_t buffer[16] = {};
    wide.mask = TVIF_TEXT;
    wide.hItem = item;
    wide.pszText = buffer;
    wide.cchTextMax = 16;
    ASSERT_TRUE(SendMessage(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&wide)));
    EXPECT_EQ(std::u16string(buffer), u"Gr\u00FC\u00DFe");
    // A small buffer is cut, never left unterminated nor cut inside a character.
    char small[4];
    TVITEM narrow;
    narrow.mask = TVIF_TEXT;
    narrow.hItem = item;
    narrow.pszText = small;
    narrow.cchTextMax = 4;
    SendMessage(tree, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&narrow));
    EXPECT_STREQ(small, "Gr");

    char16_t newText[] = u"\u00C4ra";
    wide.pszText = newText;
    SendMessage(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&wide));
    EXPECT_EQ(Text(item), "\xC3\x84ra");

    // Text and children asked of the parent.
    answer = [](NMHDR& h) -> std::optional<LRESULT> {
        if (h.code != TVN_GETDISPINFO) return std::nullopt;
        auto& di = reinterpret_cast<NMTVDISPINFO&>(h);
        if (di.item.mask & TVIF_TEXT) std::snprintf(di.item.pszText, static_cast<std::size_t>(di.item.cchTextMax), "asked");
        if (di.item.mask & TVIF_CHILDREN) di.item.cChildren = 1;
        return 0;
    };
    HTREEITEM lazy = Insert("@callback", TVI_ROOT, TVI_LAST, I_CHILDRENCALLBACK);
    Take();
    EXPECT_EQ(Text(lazy), "asked");
    EXPECT_EQ(Take(), (Lines{"GETDISPINFO"}));
    RECT line = ItemRect(lazy, false);
    int indent = static_cast<int>(SendMessage(tree, TVM_GETINDENT, 0, 0));
    EXPECT_EQ(HitFlags(indent / 2, (line.top + line.bottom) / 2), TVHT_ONITEMBUTTON) << "the asked child makes a button";
}

TEST_F(TreeView, ExpandByMessageTellsOnlyUntilExpandedOnceButTheUserAlways) {
    MakeTree(TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT);
    Fill();
    Take();
    struct Step {
        UINT code;
        LRESULT result;
        Lines notes;
        bool expanded;
    };
    for (const Step& s : {Step{TVE_EXPAND, 1, {"EXPANDING +A", "EXPANDED +A"}, true}, Step{TVE_EXPAND, 1, {}, true},
                          Step{TVE_COLLAPSE, 1, {}, false}, Step{TVE_TOGGLE, 1, {}, true}, Step{TVE_TOGGLE, 1, {}, false}}) {
        EXPECT_EQ(Expand(a, s.code), s.result);
        EXPECT_EQ(Take(), s.notes) << s.code;
        EXPECT_EQ(Expanded(a), s.expanded);
    }
    EXPECT_TRUE(State(a) & TVIS_EXPANDEDONCE);
    EXPECT_EQ(Expand(b, TVE_EXPAND), 0) << "no children, nothing to expand";

    // A veto keeps the item closed.
    answer = [](NMHDR& h) -> std::optional<LRESULT> { return h.code == TVN_ITEMEXPANDING ? std::optional<LRESULT>(1) : std::nullopt; };
    EXPECT_EQ(Expand(c, TVE_EXPAND), 0);
    EXPECT_EQ(Take(), (Lines{"EXPANDING +C"}));
    EXPECT_FALSE(Expanded(c));
    answer = nullptr;

    // The user's click on the button asks every time.
    display.PumpMessages();
    RECT line = ItemRect(a, false);
    int indent = static_cast<int>(SendMessage(tree, TVM_GETINDENT, 0, 0));
    POINT button = ScreenPointOf(tree, indent / 2, (line.top + line.bottom) / 2);
    display.Click(button.x, button.y);
    EXPECT_EQ(Pump(), (Lines{"EXPANDING +A", "EXPANDED +A"}));
    display.AdvanceTime(1000);  // not a double click
    display.Click(button.x, button.y);
    EXPECT_EQ(Pump(), (Lines{"EXPANDING -A", "EXPANDED -A"}));
    EXPECT_FALSE(Expanded(a));

    // Collapsing over the caret moves it to the collapsed item.
    Expand(a, TVE_EXPAND);
    Expand(a2, TVE_EXPAND);
    SendMessage(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a2a));
    Expand(a, TVE_COLLAPSE);
    EXPECT_EQ(NameOf(Caret()), "A");
}

TEST_F(TreeView, SelectionAsksThenTellsAndMayBeRefused) {
    MakeTree(TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
    Fill();
    Take();
    EXPECT_EQ(SendMessage(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a2a)), 1);
    // Selecting a hidden item opens its ancestors (told, since the user sees them open).
    EXPECT_EQ(Take(), (Lines{"SELCHANGING 0 ->A2a", "EXPANDING +A", "EXPANDED +A", "EXPANDING +A2", "EXPANDED +A2",
                             "SELCHANGED 0 ->A2a"}));
    EXPECT_TRUE(State(a2a) & TVIS_SELECTED);
    EXPECT_EQ(SendMessage(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a2a)), 1);
    EXPECT_EQ(Take(), Lines{}) << "the caret already there: nothing to tell";

    answer = [](NMHDR& h) -> std::optional<LRESULT> { return h.code == TVN_SELCHANGING ? std::optional<LRESULT>(1) : std::nullopt; };
    EXPECT_EQ(SendMessage(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(b)), 0);
    EXPECT_EQ(Take(), (Lines{"SELCHANGING 0 A2a>B"}));
    EXPECT_EQ(NameOf(Caret()), "A2a");
    answer = nullptr;

    // The mouse: the click is told before the selection moves.
    display.PumpMessages();
    POINT p = LabelPoint(b);
    display.Click(p.x, p.y);
    EXPECT_EQ(Pump(), (Lines{"NM_CLICK", "SELCHANGING 1 A2a>B", "SELCHANGED 1 A2a>B"}));

    SendMessage(tree, TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(c));
    EXPECT_EQ(NameOf(Next(nullptr, TVGN_DROPHILITE)), "C");
    EXPECT_TRUE(State(c) & TVIS_DROPHILITED);
    EXPECT_EQ(Take(), Lines{});
}

TEST_F(TreeView, KeyboardWalksTheVisibleRows) {
    MakeTree(TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT);
    Fill();
    SetFocus(tree);
    SendMessage(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a));
    display.PumpMessages();
    Take();
    struct Case {
        UINT key;
        const char* caret;
        Lines notes;
    };
    for (const Case& k : {
             Case{VK_DOWN, "B", {"SELCHANGING 2 A>B", "SELCHANGED 2 A>B"}},
             Case{VK_UP, "A", {"SELCHANGING 2 B>A", "SELCHANGED 2 B>A"}},
             Case{VK_RIGHT, "A", {"EXPANDING +A", "EXPANDED +A"}},
             Case{VK_RIGHT, "A1", {"SELCHANGING 2 A>A1", "SELCHANGED 2 A>A1"}},
             Case{VK_LEFT, "A", {"SELCHANGING 2 A1>A", "SELCHANGED 2 A1>A"}},
             Case{VK_LEFT, "A", {"EXPANDING -A", "EXPANDED -A"}},
             Case{VK_MULTIPLY, "A", {"EXPANDING +A", "EXPANDED +A", "EXPANDING +A2", "EXPANDED +A2"}},
             Case{VK_END, "C", {"SELCHANGING 2 A>C", "SELCHANGED 2 A>C"}},
             Case{VK_ADD, "C", {"EXPANDING +C", "EXPANDED +C"}},
             Case{VK_SUBTRACT, "C", {"EXPANDING -C", "EXPANDED -C"}},
             Case{VK_HOME, "A", {"SELCHANGING 2 C>A", "SELCHANGED 2 C>A"}},
             Case{VK_RETURN, "A", {"NM_RETURN"}},
         }) {
        display.PressKey(k.key);
        EXPECT_EQ(Pump(), k.notes) << "key " << k.key;
        EXPECT_EQ(NameOf(Caret()), k.caret) << "key " << k.key;
    }
    // Type-ahead: a letter moves to the next item starting with it, letters typed together
    // spell a prefix. (The keys above typed "*+-": they are forgotten after a pause.)
    display.AdvanceTime(2000);
    display.TypeText("a");
    Pump();
    EXPECT_EQ(NameOf(Caret()), "A1");
    display.AdvanceTime(2000);
    display.TypeText("c1");
    Pump();
    EXPECT_EQ(NameOf(Caret()), "C") << "C1 is hidden in C: the search stops at C"; 
    display.AdvanceTime(2000);
    display.TypeText("a2a");
    Pump();
    EXPECT_EQ(NameOf(Caret()), "A2a");
    Pump();
}

TEST_F(TreeView, DeletingTellsEveryItemAndHandsTheCaretOn) {
    MakeTree(TVS_HASLINES);
    Fill();
    SendMessage(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a2));
    Take();
    SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(a));
    EXPECT_EQ(Take(), (Lines{"DELETE A1", "DELETE A2a", "DELETE A2", "DELETE A", "SELCHANGING 0 ->B", "SELCHANGED 0 ->B"}));
    EXPECT_EQ(NameOf(Caret()), "B");
    SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    EXPECT_EQ(Take(), (Lines{"DELETE B", "DELETE C1", "DELETE C"}));
    EXPECT_EQ(SendMessage(tree, TVM_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Caret(), nullptr);

    // The control's end deletes what is left, telling each.
    Insert("Last");
    Take();
    DestroyWindow(tree);
    EXPECT_EQ(Take(), (Lines{"DELETE Last"}));
}

// The parent may delete other items, the doomed item's ancestors or everything while it hears
// of a deletion; each item goes once, told with its own value, and the count stays true.
TEST_F(TreeView, TheParentMayDeleteMoreWhileItemsAreDeleted) {
    struct Case {
        const char* deleted;
        const char* thenDeleted;  // by the parent, at the first TVN_DELETEITEM
        int left;
    };
    const Case cases[] = {{"A2", "A", 3}, {"A", "@root", 0}, {"A", "C", 1}, {"A2a", "A2", 5}, {"C1", "C1", 6}};
    for (const Case& c : cases) {
        MakeTree(TVS_HASLINES | TVS_HASBUTTONS);
        Fill();
        std::map<std::string, HTREEITEM> byName;
        for (const auto& [item, name] : names) byName[name] = item;
        std::vector<LPARAM> told;
        bool struck = false;
        answer = [&](NMHDR& h) -> std::optional<LRESULT> {
            if (h.code != TVN_DELETEITEM) return std::nullopt;
            told.push_back(reinterpret_cast<NMTREEVIEW&>(h).itemOld.lParam);
            if (!std::exchange(struck, true)) {
                HTREEITEM more = std::strcmp(c.thenDeleted, "@root") == 0 ? TVI_ROOT : byName[c.thenDeleted];
                SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(more));
            }
            return std::nullopt;
        };
        SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(byName[c.deleted]));
        answer = nullptr;
        EXPECT_EQ(SendMessage(tree, TVM_GETCOUNT, 0, 0), c.left) << c.deleted << " then " << c.thenDeleted;
        std::sort(told.begin(), told.end());
        EXPECT_EQ(std::adjacent_find(told.begin(), told.end()), told.end()) << "an item told twice";
        EXPECT_EQ(static_cast<int>(told.size()), 7 - c.left) << c.deleted << " then " << c.thenDeleted;
        DestroyWindow(tree);
        names.clear();
    }
}

// Deleting an item under edit ends the edit first; the parent may delete the item itself then.
TEST_F(TreeView, AnItemDeletedWhileItsEditEndsIsDeletedOnce) {
    MakeTree(TVS_EDITLABELS | TVS_HASLINES);
    Fill();
    ASSERT_NE(SendMessage(tree, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(a1)), 0);
    answer = [this](NMHDR& h) -> std::optional<LRESULT> {
        if (h.code == TVN_ENDLABELEDIT) SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(a));
        return std::nullopt;
    };
    Take();
    EXPECT_EQ(SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(a)), 1);
    answer = nullptr;
    EXPECT_EQ(Take(), (Lines{"ENDEDIT (cancel)", "DELETE A1", "DELETE A2a", "DELETE A2", "DELETE A"}));
    EXPECT_EQ(SendMessage(tree, TVM_GETCOUNT, 0, 0), 3);
}

// While the tree asks for a text it holds its items: a parent that deletes them then is refused,
// one that destroys the tree gets it destroyed, and nothing freed is read.
TEST_F(TreeView, ItemsHoldStillWhileTheParentIsAskedForTexts) {
    for (bool destroy : {false, true}) {
        MakeTree(TVS_HASLINES | TVS_HASBUTTONS);
        Insert("@callback");
        Insert("@callback", Insert("B"));
        answer = [this, destroy](NMHDR& h) -> std::optional<LRESULT> {
            if (h.code != TVN_GETDISPINFO) return std::nullopt;
            reinterpret_cast<NMTVDISPINFO&>(h).item.pszText = const_cast<char*>("asked");
            if (destroy) DestroyWindow(tree);
            else EXPECT_EQ(SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)), 0);
            return std::nullopt;
        };
        SendMessage(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Next(nullptr, TVGN_ROOT)));
        InvalidateRect(tree, nullptr, 1);
        UpdateWindow(tree);
        answer = nullptr;
        if (destroy) {
            EXPECT_FALSE(IsWindow(tree));
        } else {
            EXPECT_EQ(SendMessage(tree, TVM_GETCOUNT, 0, 0), 3);
            DestroyWindow(tree);
        }
        names.clear();
    }
}

// Broken UTF-8, stored or answered by the parent, comes back valid.
TEST_F(TreeView, TextsComeBackAsValidUtf8) {
    static const char kBroken[] = "x\xC3 \xE2\x82 y\xFF";
    MakeTree(TVS_HASLINES);
    HTREEITEM stored = Insert(kBroken);
    HTREEITEM asked = Insert("@callback");
    answer = [](NMHDR& h) -> std::optional<LRESULT> {
        if (h.code == TVN_GETDISPINFO) reinterpret_cast<NMTVDISPINFO&>(h).item.pszText = const_cast<char*>(kBroken);
        return std::nullopt;
    };
    for (HTREEITEM item : {stored, asked}) {
        const std::string text = Text(item);
        EXPECT_EQ(text, ValidUtf8(kBroken));
        EXPECT_EQ(ValidUtf8(text), text);
    }
    answer = nullptr;
}

TEST_F(TreeView, HitTestsAndRectanglesFollowTheRowLayout) {
    MakeTree(TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT);
    Fill();
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32, 2, 0);
    ImageList_AddIcon(images, test::MakeSolidIcon(16, 16, RGB(200, 0, 0)));
    SendMessage(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    int indent = static_cast<int>(SendMessage(tree, TVM_GETINDENT, 0, 0));
    int height = static_cast<int>(SendMessage(tree, TVM_GETITEMHEIGHT, 0, 0));
    EXPECT_GE(height, 16);
    RECT label = ItemRect(b, true), line = ItemRect(b, false);
    EXPECT_EQ(line.left, 0);
    EXPECT_EQ(line.top, height);
    EXPECT_EQ(line.bottom, 2 * height);
    EXPECT_EQ(label.left, indent + 16 + 1) << "after the root column and the image";
    EXPECT_EQ(ItemRect(a1, false).left, -1) << "a hidden item has no rectangle";

    int y = height + height / 2;
    HTREEITEM hit = nullptr;
    struct Case {
        int x, y;
        UINT flags;
        HTREEITEM item;
    };
    for (const Case& k : {Case{indent / 2, height / 2, TVHT_ONITEMBUTTON, a}, Case{indent / 2, y, TVHT_ONITEMINDENT, b},
                          Case{indent + 3, y, TVHT_ONITEMICON, b}, Case{label.left + 2, y, TVHT_ONITEMLABEL, b},
                          Case{label.right + 5, y, TVHT_ONITEMRIGHT, b}, Case{20, 3 * height + 2, TVHT_NOWHERE, nullptr},
                          Case{20, -5, TVHT_ABOVE, nullptr}, Case{-3, 5, TVHT_TOLEFT, nullptr}}) {
        EXPECT_EQ(HitFlags(k.x, k.y, &hit), k.flags) << k.x << "," << k.y;
        EXPECT_EQ(NameOf(hit), NameOf(k.item)) << k.x << "," << k.y;
    }
    SendMessage(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
    ImageList_Destroy(images);
}

TEST_F(TreeView, ScrollingUsesWholeRowsAndThirtyTwoBitPositions) {
    MakeTree(TVS_HASLINES | WS_VSCROLL);
    // With no item to measure by, scrolling moves nothing and breaks nothing.
    for (WORD code : {SB_LINEDOWN, SB_PAGEDOWN, SB_BOTTOM, SB_THUMBPOSITION})
        SendMessage(tree, WM_VSCROLL, MAKEWPARAM(code, 40), 0);
    EXPECT_EQ(Next(nullptr, TVGN_FIRSTVISIBLE), nullptr);

    SendMessage(tree, WM_SETREDRAW, 0, 0);
    std::vector<HTREEITEM> items;
    for (int i = 0; i < 70000; ++i) {
        TVINSERTSTRUCT ins;
        ins.hParent = TVI_ROOT;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT;
        std::string text = "row " + std::to_string(i);
        ins.item.pszText = text.data();
        items.push_back(reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&ins))));
    }
    SendMessage(tree, WM_SETREDRAW, 1, 0);
    display.PumpMessages();
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(tree, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 69999);
    int visible = static_cast<int>(SendMessage(tree, TVM_GETVISIBLECOUNT, 0, 0));
    EXPECT_EQ(static_cast<int>(si.nPage), visible);

    SendMessage(tree, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    EXPECT_EQ(Next(nullptr, TVGN_FIRSTVISIBLE), items[static_cast<std::size_t>(70000 - visible)]);
    // A thumb position beyond 16 bits comes from the bar, not from the message.
    SendMessage(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(items[66000]));
    SendMessage(tree, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(66000)), 0);
    EXPECT_EQ(Next(nullptr, TVGN_FIRSTVISIBLE), items[66000]);
    SendMessage(tree, WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
    EXPECT_EQ(Next(nullptr, TVGN_FIRSTVISIBLE), items[65999]);
    GetScrollInfo(tree, SB_VERT, &si);
    EXPECT_EQ(si.nPos, 65999);

    SendMessage(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(items[10]));
    EXPECT_EQ(Next(nullptr, TVGN_FIRSTVISIBLE), items[10]);
}

TEST_F(TreeView, SortingByTextAndByCallback) {
    MakeTree(0);
    for (const char* t : {"pear", "Apple", "fig", "banana"}) Insert(t);
    SendMessage(tree, TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    std::string order;
    for (HTREEITEM i = Next(nullptr, TVGN_ROOT); i; i = Next(i, TVGN_NEXT)) order += Text(i) + ",";
    EXPECT_EQ(order, "Apple,banana,fig,pear,");

    TVSORTCB sort;
    sort.hParent = TVI_ROOT;
    sort.lpfnCompare = [](LPARAM x, LPARAM y, LPARAM) { return static_cast<int>(y - x); };  // by lParam, descending
    SendMessage(tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
    order.clear();
    for (HTREEITEM i = Next(nullptr, TVGN_ROOT); i; i = Next(i, TVGN_NEXT)) order += Text(i) + ",";
    EXPECT_EQ(order, "banana,fig,Apple,pear,");
}

TEST_F(TreeView, CustomDrawStagesFollowTheAnswers) {
    MakeTree(TVS_HASLINES | TVS_LINESATROOT);
    Fill();
    Expand(a, TVE_EXPAND);
    ignored.erase(NM_CUSTOMDRAW);
    HTREEITEM recolored = a1;
    answer = [&](NMHDR& h) -> std::optional<LRESULT> {
        if (h.code != NM_CUSTOMDRAW) return std::nullopt;
        auto& cd = reinterpret_cast<NMTVCUSTOMDRAW&>(h);
        if (cd.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        if (cd.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            auto item = reinterpret_cast<HTREEITEM>(cd.nmcd.dwItemSpec);
            if (item == recolored) {
                cd.clrTextBk = RGB(0, 200, 0);
                return CDRF_NOTIFYPOSTPAINT;
            }
            if (item == b) return CDRF_SKIPDEFAULT;
        }
        return CDRF_DODEFAULT;
    };
    Take();
    InvalidateRect(tree, nullptr, 1);
    Lines notes = Pump();
    EXPECT_EQ(notes, (Lines{"CUSTOMDRAW 1", "CUSTOMDRAW 65537 A L0", "CUSTOMDRAW 65537 A1 L1", "CUSTOMDRAW 65538 A1 L1",
                            "CUSTOMDRAW 65537 A2 L1", "CUSTOMDRAW 65537 B L0", "CUSTOMDRAW 65537 C L0", "CUSTOMDRAW 2"}));
    test::ScreenShot shot;
    RECT label = ItemRect(a1, true);
    EXPECT_EQ(shot.ClientPixel(tree, label.left + 1, label.top + 1), RGB(0, 200, 0));
    RECT skipped = ItemRect(b, true);
    int inked = 0;
    for (int x = skipped.left; x < skipped.right; ++x)
        for (int y = skipped.top; y < skipped.bottom; ++y) inked += shot.ClientPixel(tree, x, y) != GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(inked, 0) << "a skipped item is not drawn";

    // Without item notifications asked, only the control's stages come.
    answer = nullptr;
    InvalidateRect(tree, nullptr, 1);
    EXPECT_EQ(Pump(), (Lines{"CUSTOMDRAW 1"}));
}

TEST_F(TreeView, LabelEditingAsksAndTellsTheOutcome) {
    MakeTree(TVS_EDITLABELS | TVS_HASLINES);
    Fill();
    Take();
    answer = [](NMHDR& h) -> std::optional<LRESULT> { return h.code == TVN_BEGINLABELEDIT ? std::optional<LRESULT>(1) : std::nullopt; };
    EXPECT_EQ(SendMessage(tree, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(b)), 0) << "refused";
    EXPECT_EQ(Take(), (Lines{"BEGINEDIT"}));

    bool accept = true;
    answer = [&](NMHDR& h) -> std::optional<LRESULT> {
        return h.code == TVN_ENDLABELEDIT ? std::optional<LRESULT>(accept ? 1 : 0) : std::nullopt;
    };
    auto edit = reinterpret_cast<HWND>(SendMessage(tree, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(b)));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(tree, TVM_GETEDITCONTROL, 0, 0)), edit);
    EXPECT_EQ(win::WindowText(edit), "B");
    EXPECT_EQ(GetFocus(), edit);
    display.TypeText("Bee");
    display.PressKey(VK_RETURN);
    EXPECT_EQ(Pump(), (Lines{"BEGINEDIT", "ENDEDIT Bee"}));
    EXPECT_EQ(Text(b), "Bee");
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(SendMessage(tree, TVM_GETEDITCONTROL, 0, 0), 0);

    edit = reinterpret_cast<HWND>(SendMessage(tree, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(c)));
    display.TypeText("gone");
    display.PressKey(VK_ESCAPE);
    EXPECT_EQ(Pump(), (Lines{"BEGINEDIT", "ENDEDIT (cancel)"}));
    EXPECT_EQ(Text(c), "C");

    accept = false;
    SendMessage(tree, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(c));
    display.TypeText("refused");
    display.PumpMessages();
    EXPECT_EQ(SendMessage(tree, TVM_ENDEDITLABELNOW, 0, 0), 1);
    EXPECT_EQ(Pump(), (Lines{"BEGINEDIT", "ENDEDIT refused"}));
    EXPECT_EQ(Text(c), "C");
}

TEST_F(TreeView, DrawsLinesButtonsAndSelectionColours) {
    MakeTree(TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
    Fill();
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32, 2, 0);
    ImageList_AddIcon(images, test::MakeSolidIcon(16, 16, RGB(30, 90, 200)));
    ImageList_AddIcon(images, test::MakeSolidIcon(16, 16, RGB(220, 160, 0)));
    SendMessage(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    TVITEM folder;
    folder.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    folder.iImage = folder.iSelectedImage = 1;
    for (HTREEITEM item : {a, a2, c}) {
        folder.hItem = item;
        SendMessage(tree, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&folder));
    }
    Expand(a, TVE_EXPAND);
    Expand(a2, TVE_EXPAND);
    SetFocus(tree);
    SendMessage(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a2a));
    display.PumpMessages();
    SaveScreen("tree-view.png");

    int indent = static_cast<int>(SendMessage(tree, TVM_GETINDENT, 0, 0));
    test::ScreenShot shot;
    // A's button: a framed box with a minus (expanded), C's with a plus.
    RECT lineA = ItemRect(a, false), lineC = ItemRect(c, false);
    int cx = indent - indent / 2, cyA = (lineA.top + lineA.bottom) / 2, cyC = (lineC.top + lineC.bottom) / 2;
    COLORREF ink = GetSysColor(COLOR_WINDOWTEXT), frame = GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(shot.ClientPixel(tree, cx - 2, cyA), ink);
    EXPECT_NE(shot.ClientPixel(tree, cx, cyA - 2), ink) << "expanded: no vertical bar";
    EXPECT_EQ(shot.ClientPixel(tree, cx, cyC - 2), ink) << "collapsed: a plus";
    EXPECT_EQ(shot.ClientPixel(tree, cx - 4, cyA), frame);
    // The dotted line from A down to B passes A1's row in A's column.
    RECT lineA1 = ItemRect(a1, false);
    int dots = 0;
    for (int y = lineA1.top; y < lineA1.bottom; ++y) dots += shot.ClientPixel(tree, cx, y) == GetSysColor(COLOR_GRAYTEXT);
    EXPECT_GE(dots, (lineA1.bottom - lineA1.top) / 2 - 1);
    // Selected and focused: highlight behind the label; the image shown is the selected one.
    RECT label = ItemRect(a2a, true);
    EXPECT_EQ(shot.ClientPixel(tree, label.right - 2, label.top + 2), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(shot.ClientPixel(tree, label.left - 8, label.top + 8), RGB(30, 90, 200));
    EXPECT_EQ(shot.ClientPixel(tree, ItemRect(a, true).left - 8, lineA.top + 8), RGB(220, 160, 0));

    // Without the focus, TVS_SHOWSELALWAYS keeps a quieter mark.
    SetFocus(parent);
    display.PumpMessages();
    test::ScreenShot unfocused;
    EXPECT_EQ(unfocused.ClientPixel(tree, label.right - 2, label.top + 2), GetSysColor(COLOR_BTNFACE));
    SendMessage(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
    ImageList_Destroy(images);
}

}  // namespace
}  // namespace parch::treeviewtest
