// What the user does to the filled list, and how commands are reached: check marks, removal,
// duplicates, page ranges, grid lines and row shading, the web and mail commands, and the
// keyboard short-cuts of the main window.

#include "app/MainWindow.h"

#include "app/Colorize.h"
#include "app/UnitAboutDialog.h"
#include "base/SysUtils.h"
#include "bitmap32/view/Image32.h"
#include "framework/Application.h"
#include "framework/ExtCtrls.h"
#include "framework/ListView.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "platform/os/ShellExecute.h"
#include "platform/win/Input.h"
#include "platform/win/ListViewClass.h"
#include "platform/win/Messages.h"

namespace parch {

namespace {

constexpr int kShadePercent = 96;
constexpr const char* kPageRangeColumn = "Page Range";

}  // namespace

// Check marks.

void TMainForm::SetEveryCheck(const std::function<bool(TListItem&)>& checked) {
    TListItems& items = sListViewPDF->Items();
    if (items.Count() == 0) return;
    items.BeginUpdate();
    for (int i = 0; i < items.Count(); ++i) items[i]->SetChecked(checked(*items[i]));
    items.EndUpdate();
    UpdateListInfo();
}

void TMainForm::sButtonSelectAllClick(TObject*) {
    SetEveryCheck([](TListItem&) { return true; });
}

void TMainForm::sButtonDeselectAllClick(TObject*) {
    SetEveryCheck([](TListItem&) { return false; });
}

void TMainForm::sButtonInverseSelectionClick(TObject*) {
    SetEveryCheck([](TListItem& item) { return !item.Checked(); });
}

void TMainForm::CheckByStatus(int firstPicture) {
    SetEveryCheck([firstPicture](TListItem& item) {
        return item.ImageIndex() == firstPicture || item.ImageIndex() == firstPicture + 1;
    });
}

void TMainForm::Successful1Click(TObject*) { CheckByStatus(kPictureDone); }
void TMainForm::Unsuccessfull1Click(TObject*) { CheckByStatus(kPictureFailed); }
void TMainForm::Waiting1Click(TObject*) { CheckByStatus(kPictureWaiting); }

// Removing items.

void TMainForm::sBitBtnRemoveClick(TObject*) {
    TListItems& items = sListViewPDF->Items();
    if (items.Count() == 0) return;
    if (prompts_->Message("Are you sure you want to\r\nremove all selected items?", mtConfirmation, {mbYes, mbNo}) != mrYes)
        return;
    // A render still running would show a page of a document that is no longer listed.
    WaitForRender();
    bool previewRemoved = false;
    items.BeginUpdate();
    for (int i = items.Count() - 1; i >= 0; --i) {
        if (!items[i]->Checked()) continue;
        previewRemoved = previewRemoved || items[i]->Caption() == shared_.PreviewPath;
        items.Delete(i);
    }
    if (items.Count() == 0) SetPager(1);
    items.EndUpdate();
    UpdateListInfo();
    UpdateGridLines();
    UpdatePreviewPlaceholder();
    if (previewRemoved || shared_.PreviewPath.empty()) {
        ClearPreview();
        shared_.PreviewLive = false;
        SetPager(1);
        UpdatePreviewControls();
    }
}

void TMainForm::sBitBtnClearClick(TObject*) {
    TListItems& items = sListViewPDF->Items();
    if (items.Count() == 0) return;
    if (prompts_->Message("Are you sure you want\r\nto remove all items?", mtConfirmation, {mbYes, mbNo}) != mrYes) return;
    WaitForRender();
    ClearPreview();
    items.Clear();
    SetPager(1);
    UpdateListInfo();
    UpdateGridLines();
    UpdatePreviewPlaceholder();
}

void TMainForm::Removeduplications1Click(TObject*) {
    TListItems& items = sListViewPDF->Items();
    const int rounds = items.Count();
    if (rounds == 0) return;
    WaitForRender();
    bool removed = false;
    items.BeginUpdate();
    for (int i = 0; i < rounds && i < items.Count(); ++i) {
        const std::string caption = items[i]->Caption();
        for (int j = items.Count() - 1; j > i; --j) {
            if (items[j]->Caption() != caption) continue;
            if (caption == shared_.PreviewPath) ClearPreview();
            items.Delete(j);
            removed = true;
        }
    }
    items.EndUpdate();
    UpdateListInfo();
    UpdateGridLines();
    prompts_->Message(removed ? "Duplications removed!" : "There are no duplicates!", mtInformation, {mbOK});
}

// Page ranges.

void TMainForm::sListViewPDFClick(TObject*) {
    POINT point{};
    GetCursorPos(&point);
    LVHITTESTINFO hit;
    hit.pt = sListViewPDF->ScreenToClient(point);
    SendMessage(sListViewPDF->Handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    TListColumns& columns = sListViewPDF->Columns();
    if (hit.iItem < 0 || hit.iItem >= ItemCount() || hit.iSubItem < 0 || hit.iSubItem >= columns.Count()) return;
    if (columns.Items(hit.iSubItem)->Caption() != kPageRangeColumn) return;
    TListItem* item = sListViewPDF->Items()[hit.iItem];
    std::string range = item->SubItems().Strings(kSubItemRange);
    const std::string prompt = "Please enter the page range for\r\n\r\n" + item->Caption() + "\r\n\r\n" +
                               "Example: 1-5  (leave it blank for all pages):" + "\r\n";
    if (prompts_->AskText("Page Range setting", prompt, range)) item->SubItems().SetStrings(kSubItemRange, Trim(range));
}

void TMainForm::Settoall1Click(TObject*) {
    TListItems& items = sListViewPDF->Items();
    if (items.Count() == 0) return;
    std::string range;
    if (!prompts_->AskText("Page range setting", "Please enter the page range for all items!", range)) return;
    for (int i = 0; i < items.Count(); ++i) items[i]->SubItems().SetStrings(kSubItemRange, Trim(range));
}

void TMainForm::Clearall1Click(TObject*) {
    TListItems& items = sListViewPDF->Items();
    for (int i = 0; i < items.Count(); ++i) items[i]->SubItems().SetStrings(kSubItemRange, "");
}

// Grid lines and shading.

void TMainForm::Showgrid1Click(TObject*) {
    Showgrid1->SetChecked(!Showgrid1->Checked());
    sListViewPDF->SetGridLines(Showgrid1->Checked());
}

void TMainForm::UpdateGridLines() { sListViewPDF->SetGridLines(ItemCount() > 0 && Showgrid1->Checked()); }

void TMainForm::sListViewPDFCustomDrawItem(TCustomListView* sender, TListItem* item, TCustomDrawState, bool& defaultDraw) {
    defaultDraw = true;
    if (item->Index() % 2 == 1) sender->Canvas().Brush().SetColor(ScaleColor(ColorToRGB(sender->Color()), kShadePercent));
}

// Web, mail and viewer.

void TMainForm::OpenWebsite(TObject*) { ShellExecute("open", shared_.WebsiteAddress); }

void TMainForm::Videotutorial1Click(TObject*) { ShellExecute("open", shared_.WebsiteAddress + "?playvideo"); }

void TMainForm::Feedback1Click(TObject*) {
    const std::string text = "Feedback\r\n\r\n  Please click on OK button to send any\r\n  comments or questions you may have!\r\n";
    if (prompts_->Message(text, mtInformation, {mbOK, mbCancel}) == mrOk) ShellExecute("open", shared_.MailLink);
}

void TMainForm::Exit1Click(TObject*) { Application->Terminate(); }

void TMainForm::sBitBtnAboutClick(TObject*) {
    const auto box = std::make_unique<TAboutDialog>(nullptr);
    AboutBox = box.get();
    TAboutDialog::SetInfo("Parchwise", shared_.VersionText, "http://" + shared_.WebDomain + "/",
                          "Professional PDF image and text content\r\nextraction tool.");
    std::string choice;
    try {
        choice = box->ShowDialog();
    } catch (...) {
        AboutBox = nullptr;
        throw;
    }
    AboutBox = nullptr;
    if (choice == "gotoweb") ShellExecute("open", shared_.WebsiteAddress);
}

// Keyboard.

void TMainForm::FormShortCut(TMessage& message, bool& handled) {
    handled = false;  // the focused control sees every key as well
    constexpr LPARAM kRepeated = LPARAM{1} << 30;
    if (message.Msg != WM_KEYDOWN || (message.LParam & kRepeated) != 0) return;
    const bool busy = shared_.IsExtracting || shared_.IsReading;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const auto clickIfEnabled = [this](TMenuItem* item, void (TMainForm::*handler)(TObject*)) {
        if (item->Enabled()) (this->*handler)(item);
    };
    if (!control) {
        if (busy || !shared_.PreviewLive) return;
        if (message.WParam == VK_LEFT) ImagePDFPrevPageClick(this);
        if (message.WParam == VK_RIGHT) ImagePDFNextPageClick(this);
        return;
    }
    if (message.WParam == 'B') return sBitBtnAboutClick(this);
    if (busy) return;
    switch (message.WParam) {
        case 'A': return sBitBtnAddPDFClick(this);
        case 'F': return sBitBtnAddFolderClick(this);
        case 'O': return clickIfEnabled(Openlist1, &TMainForm::Openlist1Click);
        case 'S': return clickIfEnabled(Savelist1, &TMainForm::Savelist1Click);
        case 'V': return clickIfEnabled(Defaultviewer1, &TMainForm::Defaultviewer1Click);
        case 'W': return Exit1Click(this);
        default: return;
    }
}

}  // namespace parch
