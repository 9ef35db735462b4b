// One form with every common control the desktop program stands on, as a user sees it: a tool
// bar, a folder tree, overflowing tabs over a report list (check boxes, file-type icons, a sort
// arrow, grid lines, every second row shaded), a track bar, an extended combo box and a
// three-panel status bar. Drawn headless and, through SDL on a private X screen, compared with
// what the screen shows.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/ComboBoxEx.h"
#include "framework/ListView.h"
#include "framework/PageControl.h"
#include "framework/StatusBar.h"
#include "framework/ToolBar.h"
#include "framework/TreeView.h"
#include "framework/UpDown.h"
#include "platform/display/PngFile.h"
#include "platform/os/FindFiles.h"
#include "platform/win/ShellFileInfo.h"
#include "tests/framework/FormFixture.h"
#include "tests/platform/display/OnScreenCheck.h"

namespace parch {
namespace {

// The shaded row colour: each channel of the list's colour scaled to 96 %.
COLORREF ShadedRowColour(COLORREF background) {
    auto scale = [](int channel) { return static_cast<int>(std::lround(channel * 96 / 100.0)); };
    return RGB(scale(GetRValue(background)), scale(GetGValue(background)), scale(GetBValue(background)));
}

// The index of a file type's icon in the process-wide small system image list.
int SystemIconOf(const char* name, DWORD attributes = 0) {
    SHFILEINFO info;
    SHGetFileInfo(name, attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    return info.iIcon;
}

class CommonControlsDemo : public FormFixture {};

TEST_F(CommonControlsDemo, EveryCommonControlOnOneForm) {
    TForm* form = MakeForm(660, 420);
    form->SetCaption("Parchwise - common controls");
    form->SetColor(clBtnFace);

    // The system's icons, shared: no control may destroy them.
    TImageList icons(form);
    icons.SetShareImages(true);
    SHFILEINFO info;
    icons.SetHandle(reinterpret_cast<HIMAGELIST>(
        SHGetFileInfo("x.pdf", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES)));
    const int pdfIcon = SystemIconOf("x.pdf");
    const int folderIcon = SystemIconOf("x", FILE_ATTRIBUTE_DIRECTORY);
    const int textIcon = SystemIconOf("x.txt");
    const int listIcon = SystemIconOf("x.lst");

    auto* tools = new TToolBar(form);
    tools->SetParent(form);
    tools->SetImages(&icons);
    tools->SetList(true);
    tools->SetShowCaptions(true);
    tools->SetButtonWidth(96);
    for (auto [caption, style, image] : {std::tuple{"Add PDF", tbsButton, pdfIcon},
                                         std::tuple{"Add folder", tbsButton, folderIcon},
                                         std::tuple{"", tbsSeparator, -1},
                                         std::tuple{"Text", tbsCheck, textIcon},
                                         std::tuple{"Open list", tbsDropDown, listIcon}}) {
        auto* button = new TToolButton(form);
        button->SetCaption(caption);
        button->SetStyle(style);
        button->SetImageIndex(image);
        button->SetParent(tools);
    }

    auto* tree = Child<TTreeView>(form, 8, 40, 180, 250);
    tree->SetImages(&icons);
    TTreeNode* home = tree->Items().AddChild(nullptr, "ann");
    TTreeNode* documents = tree->Items().AddChild(home, "Documents");
    for (const char* name : {"papers", "scans", "Ünïcødé"}) tree->Items().AddChild(documents, name);
    tree->Items().AddChild(home, "Downloads");
    tree->Items().AddChild(nullptr, "/");
    for (TTreeNode* node = tree->Items().GetFirstNode(); node; node = node->GetNext()) {
        node->SetImageIndex(folderIcon);
        node->SetSelectedIndex(folderIcon);
    }
    home->Expand(true);
    documents->SetSelected(true);

    auto* pages = Child<TPageControl>(form, 196, 40, 456, 250);
    TTabSheet* documentsPage = nullptr;
    for (const char* caption : {"Documents", "Text options", "Image options", "Output", "Preview", "Menu", "Log", "Help", "About"}) {
        auto* sheet = new TTabSheet(form);
        sheet->SetCaption(caption);
        sheet->SetPageControl(pages);
        if (!documentsPage) documentsPage = sheet;
    }
    pages->SetActivePage(documentsPage);

    auto* list = new TListView(form);
    list->SetParent(documentsPage);
    list->SetAlign(alClient);
    list->SetViewStyle(vsReport);
    list->SetRowSelect(true);
    list->SetCheckboxes(true);
    list->SetGridLines(true);
    list->SetColor(clWhite);
    list->SetSmallImages(&icons);
    for (auto [caption, width, alignment] : {std::tuple{"Input PDF File", 230, taLeftJustify},
                                             std::tuple{"Pages", 50, taCenter},
                                             std::tuple{"Size", 60, taCenter},
                                             std::tuple{"Page Range", 90, taCenter}}) {
        TListColumn* column = list->Columns().Add();
        column->SetCaption(caption);
        column->SetWidth(width);
        column->SetAlignment(alignment);
    }
    list->Columns()[0]->SetSortIndicator(siAscending);
    for (auto [path, pageCount, size] : {std::tuple{"/home/ann/Documents/papers/report.pdf", "12", "1.2 MB"},
                                         std::tuple{"/home/ann/Documents/papers/slides.pdf", "40", "3.5 MB"},
                                         std::tuple{"/home/ann/Documents/scans/invoice 2026.pdf", "1", "88 KB"},
                                         std::tuple{"/home/ann/Documents/scans/letter.pdf", "2", "140 KB"},
                                         std::tuple{"/home/ann/Downloads/manual.pdf", "310", "9.8 MB"}}) {
        TListItem* item = list->Items().Add();
        item->SetCaption(path);
        item->SetImageIndex(pdfIcon);
        item->SubItems().Add(pageCount);
        item->SubItems().Add(size);
        item->SubItems().Add(std::string("1-") + pageCount);
        item->SetChecked(true);
    }
    list->Items()[3]->SetChecked(false);
    const COLORREF shaded = ShadedRowColour(RGB(255, 255, 255));
    list->OnCustomDrawItem = [shaded](TCustomListView* sender, TListItem* item, TCustomDrawState, bool&) {
        if (item->Index() % 2 == 1) sender->Canvas().Brush().SetColor(static_cast<TColor>(shaded));
    };

    auto* zoom = Child<TTrackBar>(form, 8, 300, 180, 34);
    zoom->SetRange(10, 100);
    zoom->SetFrequency(10);
    zoom->SetPosition(60);

    auto* format = Child<TComboBoxEx>(form, 196, 304, 220, 24);
    format->SetImages(&icons);
    format->ItemsEx().AddItem("PDF documents", pdfIcon, -1, -1, 0, nullptr);
    format->ItemsEx().AddItem("Text files", textIcon, -1, -1, 1, nullptr);
    format->ItemsEx().AddItem("File lists", listIcon, -1, -1, 1, nullptr);
    format->SetItemIndex(0);

    auto* status = new TStatusBar(form);
    status->SetParent(form);
    for (auto [width, text, alignment] : {std::tuple{300, "/home/ann/Documents/papers/slides.pdf", taLeftJustify},
                                          std::tuple{240, "Zoom: 60%", taCenter},
                                          std::tuple{50, "2/5", taRightJustify}}) {
        TStatusPanel* panel = status->Panels().Add();
        panel->SetWidth(width);
        panel->SetText(text);
        panel->SetAlignment(alignment);
    }

    Show(form);
    list->Items()[1]->SetSelected(true);
    list->SetFocus();
    display.PumpMessages();

    WindowPixels pixels(form);
    if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
        EXPECT_TRUE(SavePng(pixels.Picture(), (std::filesystem::path(keep) / "common-controls.png").string()));
    }

    // The tabs overflow, so the tab control scrolls them with its arrows.
    EXPECT_NE(FindWindowEx(pages->Handle(), nullptr, "msctls_updown32", nullptr), nullptr);
    // The tool bar lies along the top and the status bar along the bottom of the client area.
    EXPECT_EQ(tools->Top(), 0);
    EXPECT_EQ(status->Top() + status->Height(), form->ClientHeight());
    // Every second row of the list is shaded; the others keep the list's white.
    TListItem* fourth = list->Items()[3];
    RECT row = fourth->DisplayRect(LVIR_BOUNDS);
    RECT label = fourth->DisplayRect(LVIR_LABEL);
    EXPECT_EQ(pixels.At(list, label.right - 3, (row.top + row.bottom) / 2), shaded);
    RECT third = list->Items()[2]->DisplayRect(LVIR_LABEL);
    EXPECT_EQ(pixels.At(list, third.right - 3, (third.top + third.bottom) / 2), RGB(255, 255, 255));
    // The sort arrow is in the header's first column.
    HWND header = reinterpret_cast<HWND>(SendMessage(list->Handle(), LVM_GETHEADER, 0, 0));
    HDITEMA headerItem;
    headerItem.mask = HDI_FORMAT;
    SendMessage(header, HDM_GETITEMA, 0, reinterpret_cast<LPARAM>(&headerItem));
    EXPECT_TRUE(headerItem.fmt & HDF_SORTUP);
    // The system image lists outlive every control that showed them.
    EXPECT_TRUE(ImageList_GetImageCount(icons.Handle()) > pdfIcon);

    if (onscreen::Xvfb::Installed()) {
        HBITMAP picture = CaptureWindow(form->Handle());
        EXPECT_EQ(onscreen::CompareWithScreen(form->Handle(), picture, "common-controls"), "");
        DeleteObject(picture);
    }
}

}  // namespace
}  // namespace parch
