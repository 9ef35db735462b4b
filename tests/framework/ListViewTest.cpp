#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/ListView.h"
#include "platform/display/PngFile.h"
#include "platform/gdi/Utf8Text.h"
#include "tests/framework/FormFixture.h"
#include "tests/platform/display/OnScreenCheck.h"

namespace parch {
namespace {

// A size x size 32-bit picture of one colour (B | G << 8 | R << 16 | A << 24), framed in black.
std::unique_ptr<TBitmap> ListViewTestPicture(int size, std::uint32_t value) {
    auto bitmap = std::make_unique<TBitmap>(size, size, pf32bit);
    for (int y = 0; y < size; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bitmap->ScanLine(y));
        for (int x = 0; x < size; ++x)
            row[x] = (x == 0 || y == 0 || x == size - 1 || y == size - 1) ? 0xFF000000u : value;
    }
    return bitmap;
}

// The text the window shows for an item's column (asked of the framework through callbacks).
std::string WindowItemText(TCustomListView* list, int index, int subItem) {
    char buffer[256] = {};
    LVITEMA item;
    item.iSubItem = subItem;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessage(list->Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

class ListViewTest : public FormFixture {
protected:
    // A report list with the document list's four columns and the given rows.
    TListView* ReportList(TForm* form, const std::vector<std::string>& captions) {
        auto* list = Child<TListView>(form, 10, 10, 560, 200);
        list->SetViewStyle(vsReport);
        list->SetRowSelect(true);
        for (auto [caption, width, alignment] : std::vector<std::tuple<std::string, int, TAlignment>>{
                 {"Input PDF File", 317, taLeftJustify},
                 {"Pages", 50, taCenter},
                 {"Size", 50, taCenter},
                 {"Page Range", 100, taCenter}}) {
            TListColumn* column = list->Columns().Add();
            column->SetCaption(caption);
            column->SetWidth(width);
            column->SetAlignment(alignment);
        }
        for (const std::string& caption : captions) {
            TListItem* item = list->Items().Add();
            item->SetCaption(caption);
            item->SubItems().Add(std::to_string(caption.size()));
            item->SubItems().Add("1 KB");
        }
        return list;
    }

    POINT CentreOf(TCustomListView* list, TListItem* item, int code = LVIR_LABEL) {
        RECT r = item->DisplayRect(code);
        return At(list, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
};

TEST_F(ListViewTest, ItemsAndColumnsReachTheWindowAndOutliveIt) {
    TForm* form = MakeForm(600, 260);
    TListView* list = ReportList(form, {"b.pdf", "a.pdf"});  // made before the window
    list->Items()[1]->SetChecked(true);
    list->SetCheckboxes(true);
    Show(form);

    HWND header = reinterpret_cast<HWND>(SendMessage(list->Handle(), LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessage(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(WindowItemText(list, 0, 0), "b.pdf");
    EXPECT_EQ(WindowItemText(list, 0, 1), "5");
    EXPECT_EQ(WindowItemText(list, 1, 2), "1 KB");
    EXPECT_EQ(WindowItemText(list, 1, 3), "");
    EXPECT_TRUE(list->Items()[1]->Checked());
    EXPECT_FALSE(list->Items()[0]->Checked());

    // Changes after the window exists reach it at once.
    list->Items()[0]->SetCaption("c.pdf");
    list->Items()[0]->SubItems().Add("1-5");
    list->Items()[0]->SetSelected(true);
    EXPECT_EQ(WindowItemText(list, 0, 0), "c.pdf");
    EXPECT_EQ(WindowItemText(list, 0, 3), "1-5");

    // A window made anew shows the same items, checks, selection and column widths.
    SendMessage(header, HDM_SETITEMA, 0, [] {
        static HDITEMA width;
        width.mask = HDI_WIDTH;
        width.cxy = 280;
        return reinterpret_cast<LPARAM>(&width);
    }());
    list->SetBorderStyle(bsNone);
    EXPECT_EQ(WindowItemText(list, 0, 0), "c.pdf");
    EXPECT_EQ(WindowItemText(list, 0, 3), "1-5");
    EXPECT_TRUE(list->Items()[1]->Checked());
    EXPECT_EQ(list->Selected(), list->Items()[0]);
    EXPECT_EQ(list->Columns()[0]->Width(), 280);
}

TEST_F(ListViewTest, SelectionNotificationsBecomeEventsInOrder) {
    TForm* form = MakeForm(600, 260);
    TListView* list = ReportList(form, {"a", "b", "c"});
    Show(form);
    std::vector<std::string> log;
    auto name = [](TListItem* item) { return item ? item->Caption() : std::string("-"); };
    list->OnChanging = [&](TObject*, TListItem* item, TItemChange change, bool&) {
        if (change == ctState) log.push_back("changing " + name(item));
    };
    list->OnChange = [&](TObject*, TListItem* item, TItemChange change) {
        if (change == ctState) log.push_back("change " + name(item) + (item->Selected() ? " on" : " off"));
    };
    list->OnSelectItem = [&](TObject*, TListItem* item, bool selected) {
        log.push_back("select " + name(item) + (selected ? " on" : " off"));
    };

    display.Click(CentreOf(list, list->Items()[0]).x, CentreOf(list, list->Items()[0]).y);
    display.PumpMessages();
    EXPECT_EQ(list->Selected(), list->Items()[0]);
    log.clear();
    POINT b = CentreOf(list, list->Items()[1]);
    display.Click(b.x, b.y);
    display.PumpMessages();
    // The old item gives up selection and focus first, then the new one takes both; each
    // change is asked, told, and a selection change is told as one.
    std::vector<std::string> expected = {"changing a", "change a off", "select a off",
                                         "changing a", "change a off",
                                         "changing b", "change b on", "select b on"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(list->ItemIndex(), 1);

    // OnChanging refuses: the selection stays where it is.
    list->OnChanging = [](TObject*, TListItem*, TItemChange, bool& allow) { allow = false; };
    POINT c = CentreOf(list, list->Items()[2]);
    display.Click(c.x, c.y);
    display.PumpMessages();
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_FALSE(list->Items()[2]->Selected());
}

TEST_F(ListViewTest, CheckBoxClicksChangeTheCheckAndTellOfIt) {
    TForm* form = MakeForm(600, 260);
    TListView* list = ReportList(form, {"a", "b"});
    list->SetCheckboxes(true);
    Show(form);
    int changes = 0;
    list->OnChange = [&](TObject*, TListItem*, TItemChange change) { changes += change == ctState ? 1 : 0; };
    EXPECT_FALSE(list->Items()[0]->Checked());
    RECT bounds = list->Items()[0]->DisplayRect(LVIR_BOUNDS);
    POINT box = At(list, bounds.left + 8, (bounds.top + bounds.bottom) / 2);  // the state image
    display.Click(box.x, box.y);
    display.PumpMessages();
    EXPECT_TRUE(list->Items()[0]->Checked());
    EXPECT_GE(changes, 1);
    list->Items()[0]->SetChecked(false);
    EXPECT_FALSE(list->Items()[0]->Checked());
    EXPECT_EQ(list->Items()[0]->StateIndex(), 0);  // the unchecked box picture
}

TEST_F(ListViewTest, ColumnClicksNameTheColumnAndSortingOrdersWindowAndItems) {
    TForm* form = MakeForm(600, 260);
    TListView* list = ReportList(form, {"delta", "Alpha", "charlie", "bravo"});
    Show(form);
    TListColumn* clicked = nullptr;
    list->OnColumnClick = [&](TObject*, TListColumn* column) { clicked = column; };
    HWND header = reinterpret_cast<HWND>(SendMessage(list->Handle(), LVM_GETHEADER, 0, 0));
    RECT r{};
    SendMessage(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(header, &p);
    display.Click(p.x, p.y);
    display.PumpMessages();
    EXPECT_EQ(clicked, list->Columns()[2]);

    list->Items()[2]->SetSelected(true);
    list->AlphaSort();

    std::vector<std::string> inWindow, inItems;
    for (int i = 0; i < list->Items().Count(); ++i) {
        inWindow.push_back(WindowItemText(list, i, 0));
        inItems.push_back(list->Items()[i]->Caption());
        EXPECT_EQ(list->Items()[i]->Index(), i);
    }
    std::vector<std::string> sorted = {"Alpha", "bravo", "charlie", "delta"};
    EXPECT_EQ(inWindow, sorted);
    EXPECT_EQ(inItems, sorted);
    EXPECT_EQ(list->Selected()->Caption(), "charlie");  // the state went with its item

    // A comparison that throws leaves window and items in one order.
    list->OnCompare = [](TObject*, TListItem* a, TListItem*, int, int& compare) {
        if (a->Caption() == "charlie") throw std::runtime_error("compare failed");
        compare = 0;
    };
    EXPECT_THROW(list->CustomSort(0), std::runtime_error);
    for (int i = 0; i < list->Items().Count(); ++i) EXPECT_EQ(WindowItemText(list, i, 0), list->Items()[i]->Caption());
}

TEST_F(ListViewTest, CustomDrawEventsRunPerStageAndDefaultDrawFalseSkipsTheItem) {
    TForm* form = MakeForm(600, 260);
    auto* list = Child<TListView>(form, 10, 10, 300, 120);
    list->SetViewStyle(vsReport);
    list->Columns().Add()->SetWidth(150);
    list->Columns().Add()->SetWidth(100);
    for (const char* caption : {"WWWWWW", "WWWWWW"}) {
        TListItem* item = list->Items().Add();
        item->SetCaption(caption);
        item->SubItems().Add("WWW");
    }
    list->Font().SetColor(clRed);
    Show(form);

    std::vector<std::string> log;
    const char* stages[] = {"pre", "post", "preerase", "posterase"};
    list->OnAdvancedCustomDraw = [&](TCustomListView*, const RECT&, TCustomDrawStage stage, bool&) {
        log.push_back(std::string("control ") + stages[static_cast<int>(stage)]);
    };
    list->OnAdvancedCustomDrawItem = [&](TCustomListView*, TListItem* item, TCustomDrawState, TCustomDrawStage stage,
                                         bool& defaultDraw) {
        log.push_back("item " + std::to_string(item->Index()) + " " + stages[static_cast<int>(stage)]);
        if (item->Index() == 1 && stage == cdPrePaint) defaultDraw = false;
    };
    list->OnAdvancedCustomDrawSubItem = [&](TCustomListView*, TListItem* item, int subItem, TCustomDrawState,
                                            TCustomDrawStage stage, bool&) {
        log.push_back("sub " + std::to_string(item->Index()) + "." + std::to_string(subItem) + " " +
                      stages[static_cast<int>(stage)]);
    };
    list->Invalidate();
    list->Update();
    std::vector<std::string> expected = {"control pre", "item 0 pre",  "sub 0.0 pre", "sub 0.0 post",
                                         "sub 0.1 pre", "sub 0.1 post", "item 0 post", "item 1 pre",
                                         "control post"};
    EXPECT_EQ(log, expected);

    // The window drew the first row's red text and nothing of the second.
    display.PumpMessages();
    WindowPixels pixels(form);
    auto redIn = [&](TListItem* item) {
        RECT r = item->DisplayRect(LVIR_BOUNDS);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (pixels.At(list, x, y) == RGB(255, 0, 0)) return true;
        return false;
    };
    EXPECT_TRUE(redIn(list->Items()[0]));
    EXPECT_FALSE(redIn(list->Items()[1]));
}

TEST_F(ListViewTest, AnItemEventsBrushColourShadesTheRow) {
    TForm* form = MakeForm(600, 260);
    TListView* list = ReportList(form, {"a", "b", "c"});
    list->SetColor(clWhite);
    // Every second row on the background scaled to 96 %, as the document list shades.
    list->OnCustomDrawItem = [](TCustomListView* sender, TListItem* item, TCustomDrawState, bool&) {
        if (item->Index() % 2 == 1) sender->Canvas().Brush().SetColor(static_cast<TColor>(RGB(245, 245, 245)));
    };
    Show(form);
    WindowPixels pixels(form);
    for (int i = 0; i < 3; ++i) {
        RECT r = list->Items()[i]->DisplayRect(LVIR_BOUNDS);
        COLORREF wanted = i % 2 == 1 ? RGB(245, 245, 245) : RGB(255, 255, 255);
        EXPECT_EQ(pixels.At(list, 300, r.top + 1), wanted) << "row " << i;       // column 0, right of the text
        EXPECT_EQ(pixels.At(list, 480, r.top + 1), wanted) << "row " << i;       // the last column
    }
}

// The view never destroys image lists it was given: they belong to whoever made them (and
// the process-wide system lists serve other controls too).
TEST_F(ListViewTest, DestroyingTheViewLeavesItsImageListsAlive) {
    TForm* form = MakeForm(300, 200);
    TImageList images(nullptr, 16, 16);
    auto picture = ListViewTestPicture(16, 0xFF00C000);
    images.Add(picture.get(), nullptr);
    HIMAGELIST handle = images.Handle();
    auto* list = Child<TListView>(form, 10, 10, 200, 100);
    list->SetSmallImages(&images);
    list->SetLargeImages(&images);
    list->SetStateImages(&images);
    Show(form);
    EXPECT_TRUE(GetWindowLongPtr(list->Handle(), GWL_STYLE) & LVS_SHAREIMAGELISTS);
    list->SetBorderStyle(bsNone);  // a window made anew keeps the style too
    EXPECT_TRUE(GetWindowLongPtr(list->Handle(), GWL_STYLE) & LVS_SHAREIMAGELISTS);
    delete list;
    EXPECT_EQ(ImageList_GetImageCount(handle), 1);
    EXPECT_EQ(images.Count(), 1);

    // An image list freed first is let go by the view.
    auto* other = Child<TListView>(form, 10, 10, 200, 100);
    auto* owned = new TImageList(nullptr, 16, 16);
    other->SetSmallImages(owned);
    EXPECT_NE(SendMessage(other->Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
    delete owned;
    EXPECT_EQ(other->SmallImages(), nullptr);
    EXPECT_EQ(SendMessage(other->Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
}

TEST_F(ListViewTest, AnUpdateGuardResumesRedrawingWhenAnExceptionPasses) {
    TForm* form = MakeForm(300, 200);
    auto* list = Child<TListView>(form, 10, 10, 200, 100);
    Show(form);
    HWND hwnd = list->Handle();
    auto fill = [&] {
        TListItems::UpdateGuard update(list->Items());
        list->Items().Add()->SetCaption("one");
        EXPECT_FALSE(IsWindowVisible(hwnd));  // redrawing held
        throw std::runtime_error("reading failed");
    };
    EXPECT_THROW(fill(), std::runtime_error);
    EXPECT_EQ(list->Items().UpdateCount(), 0);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    // Nested brackets resume only at the outermost end; a surplus end does nothing.
    list->Items().BeginUpdate();
    list->Items().BeginUpdate();
    list->Items().EndUpdate();
    EXPECT_FALSE(IsWindowVisible(hwnd));
    list->Items().EndUpdate();
    list->Items().EndUpdate();
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(list->Items().UpdateCount(), 0);
}

TEST_F(ListViewTest, EmptyListsDoNotScrollAndHeaderTextsEndOnACharacter) {
    TForm* form = MakeForm(600, 260);
    TListView* list = ReportList(form, {});
    Show(form);
    list->Scroll(0, 50);  // no item 0 to measure lines by
    EXPECT_EQ(list->TopItem(), nullptr);

    // 100 two-byte characters do not fit a 129-byte buffer: the copy stops before a character.
    std::string caption;
    for (int i = 0; i < 100; ++i) caption += "\xC3\xA9";
    list->Columns()[0]->SetCaption(caption);
    HWND header = reinterpret_cast<HWND>(SendMessage(list->Handle(), LVM_GETHEADER, 0, 0));
    char buffer[129];
    HDITEMA item;
    item.mask = HDI_TEXT;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    ASSERT_TRUE(SendMessage(header, HDM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    std::string copied = buffer;
    EXPECT_EQ(copied.size(), 128u);
    EXPECT_EQ(ValidUtf8(copied), copied);
}

TEST_F(ListViewTest, OwnerDataRowsAreAskedOfTheOwner) {
    TForm* form = MakeForm(300, 200);
    auto* list = Child<TListView>(form, 10, 10, 250, 150);
    list->SetOwnerData(true);
    list->SetViewStyle(vsReport);
    list->Columns().Add()->SetWidth(120);
    list->Columns().Add()->SetWidth(80);
    list->OnData = [](TObject*, TListItem* item) {
        item->SetCaption("row " + std::to_string(item->Index()));
        item->SubItems().Add(std::to_string(item->Index() * 10));
    };
    list->Items().SetCount(1000);
    Show(form);
    EXPECT_EQ(SendMessage(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 1000);
    EXPECT_EQ(WindowItemText(list, 999, 0), "row 999");
    EXPECT_EQ(WindowItemText(list, 7, 1), "70");
    EXPECT_EQ(list->Items()[5]->Caption(), "row 5");
    EXPECT_EQ(list->Items()[1000], nullptr);
    EXPECT_THROW(list->Items().Add(), EInvalidOperation);
    list->Items().SetCount(-3);
    EXPECT_EQ(list->Items().Count(), 0);
}

TEST_F(ListViewTest, LabelEditingAsksAndTellsTheOwner) {
    TForm* form = MakeForm(300, 200);
    TListView* list = ReportList(form, {"old.pdf"});
    Show(form);
    std::string told;
    list->OnEdited = [&](TObject*, TListItem*, std::string& text) {
        told = text;
        text += "!";
    };
    TListItem* item = list->Items()[0];
    ASSERT_TRUE(item->EditCaption());
    HWND edit = reinterpret_cast<HWND>(SendMessage(list->Handle(), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowText(edit, "new.pdf");
    SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0);
    display.PumpMessages();
    EXPECT_EQ(told, "new.pdf");
    EXPECT_EQ(item->Caption(), "new.pdf!");
    EXPECT_EQ(WindowItemText(list, 0, 0), "new.pdf!");

    list->OnEditing = [](TObject*, TListItem*, bool& allow) { allow = false; };
    EXPECT_FALSE(item->EditCaption());
    list->OnEditing = nullptr;
    list->SetReadOnly(true);
    EXPECT_FALSE(item->EditCaption());
}

// A report list as the desktop program shows its documents, saved as a picture to look at.
TEST_F(ListViewTest, AReportListWithChecksIconsSortArrowAndGridLines) {
    TForm* form = MakeForm(600, 180);
    form->SetColor(clBtnFace);
    TImageList images(nullptr, 16, 16);
    for (std::uint32_t colour : {0xFFE0B000u, 0xFF30A030u, 0xFFD03030u}) {
        auto picture = ListViewTestPicture(16, colour);
        images.Add(picture.get(), nullptr);
    }
    TListView* list = ReportList(form, {"/home/ann/papers/report.pdf", "/home/ann/papers/slides.pdf",
                                        "/home/ann/scans/invoice-2026.pdf", "/home/ann/scans/letter.pdf"});
    list->SetBounds(10, 10, 580, 160);
    list->SetCheckboxes(true);
    list->SetGridLines(true);
    list->SetSmallImages(&images);
    list->SetColor(clWhite);
    list->Columns()[0]->SetSortIndicator(siAscending);
    for (int i = 0; i < list->Items().Count(); ++i) {
        list->Items()[i]->SetImageIndex(i % 3);
        list->Items()[i]->SetChecked(i != 1);
    }
    list->OnCustomDrawItem = [](TCustomListView* sender, TListItem* item, TCustomDrawState, bool&) {
        if (item->Index() % 2 == 1) sender->Canvas().Brush().SetColor(static_cast<TColor>(RGB(245, 245, 245)));
    };
    Show(form);
    list->Items()[2]->SetSelected(true);
    list->SetFocus();
    display.PumpMessages();

    WindowPixels pixels(form);
    if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
        std::string path = (std::filesystem::path(keep) / "list-view-report.png").string();
        EXPECT_TRUE(SavePng(pixels.Picture(), path));
    }
    HWND header = reinterpret_cast<HWND>(SendMessage(list->Handle(), LVM_GETHEADER, 0, 0));
    HDITEMA format;
    format.mask = HDI_FORMAT;
    SendMessage(header, HDM_GETITEMA, 0, reinterpret_cast<LPARAM>(&format));
    EXPECT_TRUE(format.fmt & HDF_SORTUP);
    // The first row's icon shows its picture's colour.
    RECT icon = list->Items()[0]->DisplayRect(LVIR_ICON);
    EXPECT_EQ(pixels.At(list, (icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2), RGB(0xE0, 0xB0, 0x00));

    if (onscreen::Xvfb::Installed()) {
        HBITMAP picture = CaptureWindow(form->Handle());
        EXPECT_EQ(onscreen::CompareWithScreen(form->Handle(), picture, "list-view-report"), "");
        DeleteObject(picture);
    }
}

}  // namespace
}  // namespace parch
