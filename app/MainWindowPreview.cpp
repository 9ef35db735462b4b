// The page preview of the main window: showing a document, the render worker's page step,
// fitting, paging, the document buttons and the states of the preview's controls.

#include "app/MainWindow.h"

#include "app/PageButtonPictures.h"
#include "app/RenderingWorker.h"
#include "base/NumberText.h"
#include "base/Streams.h"
#include "bitmap32/view/Image32.h"
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/ListView.h"
#include "framework/Screen.h"
#include "framework/StdCtrls.h"
#include "framework/UpDown.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Picture.h"
#include "pdf/core/Scrivlet0813.h"
#include "pdf/core/ScrivletUnicode.h"
#include "pdf/render/ScrivletRenderCall.h"

#include <algorithm>
#include <cmath>

namespace parch {

namespace {

constexpr int kRenderAsBmp = 0;
constexpr const char* kRenderingError = "Rendering error!";
constexpr const char* kPlaceholder = "Click on the list to preview";

int SelectedIndex(TListView& list, bool last) {
    int found = -1;
    for (int i = 0; i < list.Items().Count(); ++i) {
        if (!list.Items()[i]->Selected()) continue;
        found = i;
        if (!last) break;
    }
    return found;
}

}  // namespace

void TMainForm::FindPreviewControls() {
    sPanelContent = dynamic_cast<TPanel*>(FindComponent("sPanelContent"));
    sPanel10 = dynamic_cast<TPanel*>(FindComponent("sPanel10"));
    tImage32Preview = dynamic_cast<TImage32*>(FindComponent("tImage32Preview"));
    sLabelZoom = dynamic_cast<TLabel*>(FindComponent("sLabelZoom"));
    sBitBtnPreviewPrev = dynamic_cast<TBitBtn*>(FindComponent("sBitBtnPreviewPrev"));
    sBitBtnPreviewNext = dynamic_cast<TBitBtn*>(FindComponent("sBitBtnPreviewNext"));
    sDecimalSpinEditPDFPager = std::make_unique<TPagerSpin>(dynamic_cast<TEdit*>(FindComponent("sDecimalSpinEditPDFPager")),
                                                            dynamic_cast<TUpDown*>(FindComponent("sDecimalSpinEditPDFPagerArrows")));
    sDecimalSpinEditPDFPager->OnUpClick = [this] { sDecimalSpinEditPDFPagerUpClick(); };
    sDecimalSpinEditPDFPager->OnDownClick = [this] { sDecimalSpinEditPDFPagerDownClick(); };
    const char* const names[4] = {"ImagePDFFirstPage", "ImagePDFPrevPage", "ImagePDFNextPage", "ImagePDFLastPage"};
    const char* const borders[4] = {"ImagePDFFirstPageBorder", "ImagePDFPrevPageBorder", "ImagePDFNextPagebBorder",
                                    "ImagePDFLastPageBorder"};
    const PageButton kinds[4] = {PageButton::First, PageButton::Previous, PageButton::Next, PageButton::Last};
    for (int i = 0; i < 4; ++i) {
        PageButtons[i] = dynamic_cast<TImage*>(FindComponent(names[i]));
        PageButtonBorders[i] = dynamic_cast<TImage*>(FindComponent(borders[i]));
        PageButtons[i]->Picture().SetGraphic(DrawPageButtonPicture(kinds[i], false).get());
        PageButtonBorders[i]->Picture().SetGraphic(DrawPageButtonPicture(kinds[i], true).get());
    }
}

void TMainForm::CreateSharedPdfObject() {
    if (!SharedPdf) SharedPdf = std::make_unique<TScrivlet0813>();
}

void TMainForm::FreeSharedPdfObject() { SharedPdf.reset(); }

int TMainForm::SharedPageCount() const { return SharedPdf ? SharedPdf->CountPages() : 0; }

// Showing a document.

void TMainForm::WaitForRender() {
    // WaitFor serves the worker's synchronous call, so this cannot deadlock against it.
    if (shared_.Rendering) shared_.Rendering.WaitFor();
}

void TMainForm::SelectPDFFromList(TObject*, TListItem* item, bool) {
    if (!item || item->Caption().empty() || item->Caption() == shared_.PreviewPath) return;
    WaitForRender();
    shared_.PreviewPath = item->Caption();
    shared_.PreviewPage = 1;
    const TStringList& sub = item->SubItems();
    shared_.PreviewPassword = sub.Count() > 3 ? sub.Strings(3) : std::string();
    StartPageRender(shared_.PreviewPath, shared_.PreviewPassword);
    shared_.PreviewLive = false;
    SetPager(1);
    shared_.PreviewLive = true;
    UpdatePreviewControls();
}

void TMainForm::StartPageRender(const std::string& path, const std::string& password) {
    if (shared_.IsReading) return;
    // One page at a time: the flag then stays set until the last render has ended.
    WaitForRender();
    auto* worker = new TRenderingPageProcess(*this, path, password);
    worker->SetFreeOnTerminate(true);
    shared_.Rendering = worker->Ref();
    shared_.IsRendering = true;
    worker->Start();
}

void TMainForm::ShowPreviewError(const std::string& message) {
    prompts_->Message(message + "\r\n", mtError, {mbOK});
    tImage32Preview->SetVisible(false);
    sLabelZoom->SetVisible(false);
    sPanelContent->SetCaption(kRenderingError);
}

void TMainForm::ShowPreviewPage(const std::string& path, const std::string& password) {
    if (!SharedPdf) return;
    try {
        // A failed open is not reported: the page of the document still selected is shown.
        if (!path.empty()) SharedPdf->OpenPdfFile(path, Utf8ToWide(password));
        sDecimalSpinEditPDFPager->SetMaxValue(SharedPdf->CountPages());
    } catch (const std::exception& error) {
        prompts_->Message(std::string(error.what()) + "\r\n", mtError, {mbOK});
        sPanelContent->SetCaption(kRenderingError);
        return;
    }
    std::string failure;
    try {
        TMemoryStream stream;
        if (RenderPageImage(*SharedPdf, Screen->PixelsPerInch(), shared_.PreviewPage, kRenderAsBmp, stream) != 1) {
            failure = SharedPdf->Message().empty() ? "The page could not be rendered." : SharedPdf->Message();
        } else {
            stream.Seek(0, TSeekOrigin::soBeginning);
            TBitmap page;
            page.LoadFromStream(stream);
            tImage32Preview->Bitmap().Assign(page);
        }
    } catch (const std::exception& error) {
        failure = error.what();
    }
    if (!failure.empty()) return ShowPreviewError(failure);
    tImage32Preview->SetVisible(true);
    sPanelContent->SetCaption("");
    sLabelZoom->SetVisible(true);
    PreviewResize(this);
}

void TMainForm::PreviewResize(TObject*) {
    if (!tImage32Preview || !sLabelZoom) return;
    TBitmap32& bitmap = tImage32Preview->Bitmap();
    if (bitmap.Width() == 0 || bitmap.Height() == 0) {
        sLabelZoom->SetCaption("");
        tImage32Preview->SetVisible(false);
        return;
    }
    const float scale = std::min({static_cast<float>(tImage32Preview->ClientWidth()) / static_cast<float>(bitmap.Width()),
                                  static_cast<float>(tImage32Preview->ClientHeight()) / static_cast<float>(bitmap.Height()),
                                  1.0f});
    tImage32Preview->SetScale(scale);
    sLabelZoom->SetCaption("Zoom: " + FormatFloat("##", static_cast<double>(scale) * 100) + " %  ");
    sLabelZoom->SetLeft(sPanel10->ClientWidth() - sLabelZoom->Width() - 4);
}

// Paging.

void TMainForm::SetPager(int value) { sDecimalSpinEditPDFPager->SetValue(value); }

bool TMainForm::PreviewRefused() const { return shared_.IsExtracting || shared_.IsReading; }

void TMainForm::sDecimalSpinEditPDFPagerChange(TObject*) {
    if (!sDecimalSpinEditPDFPager || PreviewRefused() || ItemCount() == 0) return;
    const double value = sDecimalSpinEditPDFPager->Value();
    if (value <= 0 || value > SharedPageCount()) return;
    shared_.PreviewPage = static_cast<int>(std::nearbyint(value));
    if (shared_.PreviewLive) StartPageRender("", shared_.PreviewPassword);
    PreviewResize(this);
}

void TMainForm::ImagePDFFirstPageClick(TObject*) {
    shared_.PreviewPage = 1;
    SetPager(1);
}

void TMainForm::ImagePDFPrevPageClick(TObject*) {
    if (shared_.PreviewPage - 1 < 1) return;
    SetPager(--shared_.PreviewPage);
}

void TMainForm::ImagePDFNextPageClick(TObject*) {
    if (shared_.PreviewPage + 1 > SharedPageCount()) return;
    SetPager(++shared_.PreviewPage);
}

void TMainForm::ImagePDFLastPageClick(TObject*) {
    shared_.PreviewPage = SharedPageCount();
    SetPager(shared_.PreviewPage);
}

void TMainForm::sDecimalSpinEditPDFPagerDownClick() {
    const double value = sDecimalSpinEditPDFPager->Value();
    sDecimalSpinEditPDFPager->SetValue(value > 1 ? value - 1 : 1);
}

void TMainForm::sDecimalSpinEditPDFPagerUpClick() {
    const double value = sDecimalSpinEditPDFPager->Value();
    const int count = SharedPageCount();
    sDecimalSpinEditPDFPager->SetValue(value >= count ? count : value + 1);
}

void TMainForm::ShowHoverPicture(int button) {
    PageButtons[button]->Picture().Assign(PageButtonBorders[button]->Picture());
}

void TMainForm::RestorePageButtonPictures() {
    for (std::size_t i = 0; i < PageButtons.size(); ++i) PageButtons[i]->Picture().Assign(*PageButtonPictures[i]);
}

// Neighbouring documents.

void TMainForm::sBitBtnPreviewPrevClick(TObject*) {
    const int count = ItemCount();
    if (PreviewRefused() || count == 0) return;
    const int first = SelectedIndex(*sListViewPDF, false);
    if (first == 0) return;
    TListItem* item = sListViewPDF->Items()[first < 0 ? count - 1 : first - 1];
    sListViewPDF->SetSelected(item);
    item->MakeVisible(false);
}

void TMainForm::sBitBtnPreviewNextClick(TObject*) {
    const int count = ItemCount();
    if (PreviewRefused() || count == 0) return;
    const int last = SelectedIndex(*sListViewPDF, true);
    if (last == count - 1) return;
    TListItem* item = sListViewPDF->Items()[last + 1];
    sListViewPDF->SetSelected(item);
    item->MakeVisible(false);
}

// Control states.

void TMainForm::UpdatePreviewControls() {
    const bool live = shared_.PreviewLive;
    const bool paging = live && !shared_.PreviewPath.empty();
    sBitBtnPreviewPrev->SetEnabled(live);
    sBitBtnPreviewNext->SetEnabled(live);
    for (TImage* button : PageButtons) button->SetEnabled(paging);
    sDecimalSpinEditPDFPager->SetEnabled(paging);
    if (live) {
        // An empty picture stays hidden so that the placeholder behind it shows.
        const bool picture = tImage32Preview->Bitmap().Width() > 0;
        sLabelZoom->SetVisible(picture);
        tImage32Preview->SetVisible(picture);
    } else if (!shared_.IsExtracting) {
        sLabelZoom->SetVisible(false);
        tImage32Preview->SetVisible(false);
    }
}

void TMainForm::UpdatePreviewPlaceholder() {
    const bool prompt = ItemCount() > 0 && sListViewPDF->SelCount() == 0;
    sPanelContent->SetCaption(prompt ? kPlaceholder : "");
}

void TMainForm::ClearPreview() {
    tImage32Preview->SetVisible(false);
    tImage32Preview->SetBitmap(nullptr);
    shared_.PreviewPath.clear();
    sLabelZoom->SetCaption("");
}

}  // namespace parch
