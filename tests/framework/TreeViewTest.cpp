#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/TreeView.h"
#include "platform/display/PngFile.h"
#include "tests/framework/FormFixture.h"
#include "tests/platform/display/OnScreenCheck.h"

namespace parch {
namespace {

// The text the window shows for a node (asked of the framework through callbacks).
std::string WindowNodeText(TCustomTreeView* tree, TTreeNode* node) {
    char buffer[256] = {};
    TVITEMA item;
    item.mask = TVIF_TEXT;
    item.hItem = node->ItemId();
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessage(tree->Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

class TreeViewTest : public FormFixture {
protected:
    // Folders a, b (with b1, b2) and c; b's children come only when it first expands.
    TTreeView* FolderTree(TForm* form) {
        auto* tree = Child<TTreeView>(form, 10, 10, 200, 200);
        a_ = tree->Items().Add(nullptr, "a");
        b_ = tree->Items().Add(nullptr, "b");
        b_->SetHasChildren(true);
        c_ = tree->Items().Add(nullptr, "c");
        tree->OnExpanding = [this](TObject* sender, TTreeNode* node, bool&) {
            log_.push_back("expanding " + node->Text());
            if (node->Count() == 0 && node->HasChildren()) {
                auto& items = static_cast<TTreeView*>(sender)->Items();
                items.AddChild(node, node->Text() + "2");
                items.AddChildFirst(node, node->Text() + "1");
            }
        };
        tree->OnExpanded = [this](TObject*, TTreeNode* node) { log_.push_back("expanded " + node->Text()); };
        tree->OnCollapsing = [this](TObject*, TTreeNode* node, bool&) { log_.push_back("collapsing " + node->Text()); };
        tree->OnCollapsed = [this](TObject*, TTreeNode* node) { log_.push_back("collapsed " + node->Text()); };
        return tree;
    }

    TTreeNode* a_ = nullptr;
    TTreeNode* b_ = nullptr;
    TTreeNode* c_ = nullptr;
    std::vector<std::string> log_;
};

TEST_F(TreeViewTest, NodesReachTheWindowAndExpandLazilyWithVeto) {
    TForm* form = MakeForm(300, 250);
    TTreeView* tree = FolderTree(form);
    Show(form);
    EXPECT_EQ(SendMessage(tree->Handle(), TVM_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(WindowNodeText(tree, b_), "b");

    // A click on b's button expands it; the children made while expanding show in order.
    RECT row = b_->DisplayRect(false);
    RECT label = b_->DisplayRect(true);
    POINT button = At(tree, label.left - tree->Indent() / 2 - 2, (row.top + row.bottom) / 2);
    TVHITTESTINFO hit;
    hit.pt = tree->ScreenToClient(button);
    SendMessage(tree->Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    ASSERT_TRUE(hit.flags & TVHT_ONITEMBUTTON);
    display.Click(button.x, button.y);
    display.PumpMessages();
    EXPECT_TRUE(b_->Expanded());
    ASSERT_EQ(b_->Count(), 2);
    EXPECT_EQ(WindowNodeText(tree, b_->Item(0)), "b1");
    EXPECT_EQ(b_->Item(1)->Text(), "b2");
    EXPECT_EQ(tree->Items().Count(), 5);
    EXPECT_EQ(tree->Items().Item(2)->Text(), "b1");  // depth-first
    EXPECT_EQ(log_, (std::vector<std::string>{"expanding b", "expanded b"}));

    log_.clear();
    b_->Collapse(false);
    EXPECT_FALSE(b_->Expanded());
    EXPECT_EQ(log_, (std::vector<std::string>{"collapsing b", "collapsed b"}));

    // A refused expansion leaves the node closed and tells of nothing more.
    log_.clear();
    tree->OnExpanding = [this](TObject*, TTreeNode* node, bool& allow) {
        log_.push_back("expanding " + node->Text());
        allow = false;
    };
    b_->Expand(false);
    EXPECT_FALSE(b_->Expanded());
    EXPECT_EQ(log_, (std::vector<std::string>{"expanding b"}));
}

TEST_F(TreeViewTest, SelectionChangesAskFirstAndMayBeRefused) {
    TForm* form = MakeForm(300, 250);
    TTreeView* tree = FolderTree(form);
    Show(form);
    std::vector<std::string> log;
    auto name = [](TTreeNode* node) { return node ? node->Text() : std::string("-"); };
    tree->OnChanging = [&](TObject*, TTreeNode* node, bool&) { log.push_back("changing " + name(node)); };
    tree->OnChange = [&](TObject*, TTreeNode* node) { log.push_back("change " + name(node)); };

    RECT r = c_->DisplayRect(true);
    display.Click(At(tree, r.left + 2, r.top + 2).x, At(tree, r.left + 2, r.top + 2).y);
    display.PumpMessages();
    EXPECT_EQ(tree->Selected(), c_);
    EXPECT_EQ(log, (std::vector<std::string>{"changing c", "change c"}));

    log.clear();
    tree->OnChanging = [&](TObject*, TTreeNode* node, bool& allow) {
        log.push_back("changing " + name(node));
        allow = node != a_;
    };
    a_->SetSelected(true);
    EXPECT_EQ(tree->Selected(), c_);
    EXPECT_EQ(log, (std::vector<std::string>{"changing a"}));
    EXPECT_TRUE(c_->Selected());
}

TEST_F(TreeViewTest, ExpandedAndSelectedNodesOutliveTheWindow) {
    TForm* form = MakeForm(300, 250);
    TTreeView* tree = FolderTree(form);
    b_->Expand(false);  // before the window: asked and told all the same
    EXPECT_EQ(b_->Count(), 2);
    Show(form);
    EXPECT_TRUE(b_->Expanded());
    b_->Item(1)->SetSelected(true);
    b_->Item(1)->SetText("renamed");
    int deletions = 0;
    tree->OnDeletion = [&](TObject*, TTreeNode*) { ++deletions; };
    tree->SetBorderStyle(bsNone);  // the window is made anew
    EXPECT_EQ(deletions, 0);
    EXPECT_TRUE(b_->Expanded());
    EXPECT_EQ(tree->Selected(), b_->Item(1));
    EXPECT_EQ(WindowNodeText(tree, b_->Item(1)), "renamed");
    EXPECT_EQ(SendMessage(tree->Handle(), TVM_GETCOUNT, 0, 0), 5);

    // Deleting tells of every node that goes, children first.
    std::vector<std::string> gone;
    tree->OnDeletion = [&](TObject*, TTreeNode* node) { gone.push_back(node->Text()); };
    b_->Delete();
    EXPECT_EQ(gone, (std::vector<std::string>{"renamed", "b1", "b"}));
    EXPECT_EQ(SendMessage(tree->Handle(), TVM_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(tree->Items().Count(), 2);
}

TEST_F(TreeViewTest, SortingFollowsOnCompareAndAThrowingComparisonLosesNoNode) {
    TForm* form = MakeForm(300, 250);
    auto* tree = Child<TTreeView>(form, 10, 10, 200, 200);
    for (const char* text : {"pear", "Apple", "fig"}) tree->Items().Add(nullptr, text);
    Show(form);
    tree->AlphaSort();
    std::vector<std::string> order;
    for (TTreeNode* n = tree->Items().GetFirstNode(); n; n = n->GetNextSibling()) order.push_back(WindowNodeText(tree, n));
    EXPECT_EQ(order, (std::vector<std::string>{"Apple", "fig", "pear"}));
    HTREEITEM first = reinterpret_cast<HTREEITEM>(SendMessage(tree->Handle(), TVM_GETNEXTITEM, TVGN_ROOT, 0));
    EXPECT_EQ(first, tree->Items().GetFirstNode()->ItemId());

    tree->OnCompare = [](TObject*, TTreeNode* a, TTreeNode*, int, int&) {
        if (a->Text() == "fig") throw std::runtime_error("compare failed");
    };
    EXPECT_THROW(tree->AlphaSort(), std::runtime_error);
    EXPECT_EQ(tree->Items().Count(), 3);
    for (TTreeNode* n = tree->Items().GetFirstNode(); n; n = n->GetNextSibling()) EXPECT_FALSE(n->Text().empty());
}

TEST_F(TreeViewTest, CustomDrawRunsPerStageAndAnUpdateGuardSurvivesExceptions) {
    TForm* form = MakeForm(300, 250);
    TTreeView* tree = FolderTree(form);
    tree->Font().SetColor(clRed);
    Show(form);
    std::vector<std::string> log;
    const char* stages[] = {"pre", "post", "preerase", "posterase"};
    tree->OnAdvancedCustomDraw = [&](TCustomTreeView*, const RECT&, TCustomDrawStage stage, bool&) {
        log.push_back(std::string("control ") + stages[static_cast<int>(stage)]);
    };
    tree->OnAdvancedCustomDrawItem = [&](TCustomTreeView*, TTreeNode* node, TCustomDrawState, TCustomDrawStage stage,
                                         bool&, bool& defaultDraw) {
        log.push_back(node->Text() + " " + stages[static_cast<int>(stage)]);
        if (node == b_ && stage == cdPrePaint) defaultDraw = false;
    };
    tree->Invalidate();
    tree->Update();
    EXPECT_EQ(log, (std::vector<std::string>{"control pre", "a pre", "a post", "b pre", "c pre", "c post",
                                             "control post"}));
    display.PumpMessages();
    WindowPixels pixels(form);
    auto redIn = [&](TTreeNode* node) {
        RECT r = node->DisplayRect(true);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (COLORREF c = pixels.At(tree, x, y); GetRValue(c) > 160 && GetGValue(c) < 100 && GetBValue(c) < 100)
                    return true;  // the text's red, anti-aliased
        return false;
    };
    EXPECT_TRUE(redIn(a_));
    EXPECT_FALSE(redIn(b_));

    // The window is told to hold its redrawing and, when an exception passes, to resume it.
    std::vector<WPARAM> redraws;
    TWndMethod previous = tree->WindowProc;
    tree->WindowProc = [&](TMessage& message) {
        if (message.Msg == WM_SETREDRAW) redraws.push_back(message.WParam);
        previous(message);
    };
    auto fill = [&] {
        TTreeNodes::UpdateGuard update(tree->Items());
        tree->Items().AddChild(a_, "a1");
        throw std::runtime_error("enumeration failed");
    };
    EXPECT_THROW(fill(), std::runtime_error);
    EXPECT_EQ(tree->Items().UpdateCount(), 0);
    EXPECT_EQ(redraws, (std::vector<WPARAM>{0, 1}));
    tree->WindowProc = previous;
}

TEST_F(TreeViewTest, LabelEditingAsksAndTellsTheOwner) {
    TForm* form = MakeForm(300, 250);
    TTreeView* tree = FolderTree(form);
    Show(form);
    tree->OnEdited = [](TObject*, TTreeNode*, std::string& text) { text = "[" + text + "]"; };
    ASSERT_TRUE(a_->EditText());
    HWND edit = reinterpret_cast<HWND>(SendMessage(tree->Handle(), TVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowText(edit, "alpha");
    SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0);
    display.PumpMessages();
    EXPECT_EQ(a_->Text(), "[alpha]");
    EXPECT_EQ(WindowNodeText(tree, a_), "[alpha]");
    tree->SetReadOnly(true);
    EXPECT_FALSE(a_->EditText());
}

// A tree with images, saved as a picture to look at.
TEST_F(TreeViewTest, AFolderTreeWithImages) {
    TForm* form = MakeForm(260, 200);
    form->SetColor(clBtnFace);
    TImageList images(nullptr, 16, 16);
    for (std::uint32_t colour : {0xFFE8C050u, 0xFF4080D0u}) {
        auto bitmap = std::make_unique<TBitmap>(16, 16, pf32bit);
        for (int y = 0; y < 16; ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(bitmap->ScanLine(y));
            for (int x = 0; x < 16; ++x) line[x] = (y < 3 || x == 0 || x == 15 || y == 15) ? 0xFF604020u : colour;
        }
        images.Add(bitmap.get(), nullptr);
    }
    TTreeView* tree = FolderTree(form);
    tree->SetBounds(10, 10, 240, 180);
    tree->SetImages(&images);
    tree->SetColor(clWhite);
    tree->OnGetImageIndex = [](TObject*, TTreeNode* node) { node->SetImageIndex(node->Count() > 0 ? 0 : 1); };
    tree->OnGetSelectedIndex = [](TObject*, TTreeNode* node) { node->SetSelectedIndex(node->Count() > 0 ? 0 : 1); };
    Show(form);
    b_->Expand(false);
    tree->Items().AddChild(b_->Item(0), "deeper");
    b_->Item(0)->Expand(false);
    b_->Item(1)->SetSelected(true);
    tree->SetFocus();
    display.PumpMessages();

    WindowPixels pixels(form);
    if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
        std::string path = (std::filesystem::path(keep) / "tree-view.png").string();
        EXPECT_TRUE(SavePng(pixels.Picture(), path));
    }
    // The folder's picture shows left of its label.
    RECT label = b_->DisplayRect(true);
    EXPECT_EQ(pixels.At(tree, label.left - 10, (label.top + label.bottom) / 2 + 2), RGB(0xE8, 0xC0, 0x50));

    if (onscreen::Xvfb::Installed()) {
        HBITMAP picture = CaptureWindow(form->Handle());
        EXPECT_EQ(onscreen::CompareWithScreen(form->Handle(), picture, "tree-view"), "");
        DeleteObject(picture);
    }
}

}  // namespace
}  // namespace parch
