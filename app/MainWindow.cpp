#include "app/MainWindow.h"

#include "skin/frames/sHintManager.h"

#include "app/ConversionWorker.h"
#include "app/DocumentFiles.h"
#include "app/MainFormDescription.h"
#include "app/RenderingWorker.h"
#include "app/WebCheckWorker.h"
#include "app/ReadingWorker.h"
#include "app/StatusPictures.h"
#include "base/SysUtils.h"
#include "platform/os/Process.h"
#include "cli/RegistryAccess.h"
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/ListView.h"
#include "framework/Menus.h"
#include "framework/StatusBar.h"
#include "framework/StdCtrls.h"
#include "framework/graphics/Picture.h"
#include "pdf/core/Scrivlet0813.h"
#include "platform/os/Files.h"
#include "platform/os/ShellExecute.h"
#include "platform/win/FileDrop.h"
#include "skin/frames/sHintManager.h"

namespace parch {

DesktopSetup PendingDesktopSetup;

namespace {

constexpr const char* kProduct = "Parchwise";
constexpr const char* kNoPdfFound = "Could not found PDF files!";
constexpr const char* kPdfFilter = "Portable Document Format (*.pdf)|*.pdf";
constexpr const char* kListFilter = "List Text File (*.lst)|*.lst";

template <class T>
T* Find(TComponent& owner, const std::string& name) {
    return dynamic_cast<T*>(owner.FindComponent(name));
}

// The host of an address: "http://www.example.com/x" gives "www.example.com".
std::string HostOf(const std::string& address) {
    std::string rest = address;
    if (const std::size_t scheme = rest.find("://"); scheme != std::string::npos) rest = rest.substr(scheme + 3);
    return rest.substr(0, rest.find('/'));
}

std::string RegistryErrorText(const std::string& what) {
    return "Could not determinated the application's\r\n" + what + "\r\n\r\nPlease re-install this software!\r\n";
}

}  // namespace

int StatusPicture(int base, const std::string& password) { return base + (Trim(password).empty() ? 0 : 1); }

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
    if (PendingDesktopSetup.Prompts) prompts_ = PendingDesktopSetup.Prompts;
    RegisterMainFormClasses();
    THandlerTable handlers;
    const auto notify = [&handlers, this](const char* name, void (TMainForm::*method)(TObject*)) {
        handlers[name] = TNotifyEvent([this, method](TObject* sender) { (this->*method)(sender); });
    };
    notify("FormCreate", &TMainForm::FormCreate);
    notify("FormDestroy", &TMainForm::FormDestroy);
    notify("ResizeMainForm", &TMainForm::ResizeMainForm);
    notify("sBitBtnMenuClick", &TMainForm::sBitBtnMenuClick);
    notify("sBitBtnAddPDFClick", &TMainForm::sBitBtnAddPDFClick);
    notify("sBitBtnAddFolderClick", &TMainForm::sBitBtnAddFolderClick);
    notify("sBitBtnStartClick", &TMainForm::sBitBtnStartClick);
    notify("sComboBoxImageFormatChange", &TMainForm::sComboBoxImageFormatChange);
    notify("sComboBoxTextFormatChange", &TMainForm::sComboBoxTextFormatChange);
    notify("sCheckBoxImagesEnabledClick", &TMainForm::sCheckBoxImagesEnabledClick);
    notify("sCheckBoxTextEnabledClick", &TMainForm::sCheckBoxTextEnabledClick);
    notify("sComboBoxDPIChange", &TMainForm::sComboBoxDPIChange);
    notify("sComboBoxSizeFilterChange", &TMainForm::sComboBoxSizeFilterChange);
    notify("sDecimalSpinEditSizeFilterChange", &TMainForm::sDecimalSpinEditSizeFilterChange);
    notify("sCheckBoxCreateSubfoldersClick", &TMainForm::sCheckBoxCreateSubfoldersClick);
    notify("sFilenameEditOutputClick", &TMainForm::sFilenameEditOutputClick);
    notify("sFilenameEditOutputChange", &TMainForm::sFilenameEditOutputChange);
    notify("sBitBtnClearOutputClick", &TMainForm::sBitBtnClearOutputClick);
    notify("sSpeedButtonOpenFolderClick", &TMainForm::sSpeedButtonOpenFolderClick);
    notify("PreviewResize", &TMainForm::PreviewResize);
    notify("sBitBtnRemoveClick", &TMainForm::sBitBtnRemoveClick);
    notify("sBitBtnClearClick", &TMainForm::sBitBtnClearClick);
    notify("OpenWebsite", &TMainForm::OpenWebsite);
    notify("sBitBtnAboutClick", &TMainForm::sBitBtnAboutClick);
    notify("sButtonSelectAllClick", &TMainForm::sButtonSelectAllClick);
    notify("sButtonDeselectAllClick", &TMainForm::sButtonDeselectAllClick);
    notify("sButtonInverseSelectionClick", &TMainForm::sButtonInverseSelectionClick);
    notify("sListViewPDFClick", &TMainForm::sListViewPDFClick);
    notify("sDecimalSpinEditPDFPagerChange", &TMainForm::sDecimalSpinEditPDFPagerChange);
    notify("ImagePDFFirstPageClick", &TMainForm::ImagePDFFirstPageClick);
    notify("ImagePDFPrevPageClick", &TMainForm::ImagePDFPrevPageClick);
    notify("ImagePDFNextPageClick", &TMainForm::ImagePDFNextPageClick);
    notify("ImagePDFLastPageClick", &TMainForm::ImagePDFLastPageClick);
    notify("sBitBtnPreviewPrevClick", &TMainForm::sBitBtnPreviewPrevClick);
    notify("sBitBtnPreviewNextClick", &TMainForm::sBitBtnPreviewNextClick);
    const char* const pageButtonNames[] = {"ImagePDFFirstPage", "ImagePDFPrevPage", "ImagePDFNextPage", "ImagePDFLastPage"};
    for (int i = 0; i < 4; ++i)
        handlers[std::string(pageButtonNames[i]) + "MouseMove"] =
            TMouseMoveEvent([this, i](TObject*, TShiftState, int, int) { ShowHoverPicture(i); });
    handlers["sPanel10MouseMove"] = TMouseMoveEvent([this](TObject*, TShiftState, int, int) { RestorePageButtonPictures(); });
    handlers["FormCloseQuery"] =
        TCloseQueryEvent([this](TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); });
    try {
        ReadDescription(MainFormDescription(), handlers);
    } catch (...) {
        // The base class's destructor runs next, on an object that is no longer a TMainForm:
        // nothing of this class may be called from it.
        OnDestroy = nullptr;
        OnResize = nullptr;
        OnCloseQuery = nullptr;
        throw;
    }
}

// The base class would run OnDestroy and free the controls once this object is no longer a
// TMainForm, while handlers and the list's window procedure still call into it.
TMainForm::~TMainForm() {
    if (TNotifyEvent destroy = std::exchange(OnDestroy, nullptr)) destroy(this);
    StopWorkersAndWait();
    OnResize = nullptr;
    OnCloseQuery = nullptr;
    if (sListViewPDF && previousListProc_) sListViewPDF->WindowProc = previousListProc_;
    Destroying();
    DestroyComponents();
}

// Hints carry small markup ("<br>", "<b>"): the hint manager lays them out, in the skin's
// "HINT" section when a skin is active, for up to 15 seconds and at most 501 pixels wide.
void TMainForm::CreateHintManager() {
    auto* hints = new TsHintManager(this);  // owned by the form
    hints->SetName("sHintManager1");
    hints->HTMLMode = true;
    hints->SetPauseHide(15000);
    // Without a skin, the rectangle style's own colours.
    hints->SetPredefinitions(shSimply);
    hints->ApplyPredefinitions();
    hints->SetSkinSection("HINT");
    hints->SetUseSkinData(true);
    TsHintKind& kind = hints->HintKind();
    kind.MaxWidth = 501;
    kind.SetShadowEnabled(false);
}

void TMainForm::FindControls() {
    sListViewPDF = Find<TListView>(*this, "sListViewPDF");
    sBitBtnAddPDF = Find<TBitBtn>(*this, "sBitBtnAddPDF");
    sBitBtnAddFolder = Find<TBitBtn>(*this, "sBitBtnAddFolder");
    sBitBtnStart = Find<TBitBtn>(*this, "sBitBtnStart");
    sBitBtnMenu = Find<TBitBtn>(*this, "sBitBtnMenu");
    sBitBtnRemove = Find<TBitBtn>(*this, "sBitBtnRemove");
    sBitBtnClear = Find<TBitBtn>(*this, "sBitBtnClear");
    sBitBtnHelp = Find<TBitBtn>(*this, "sBitBtnHelp");
    sBitBtnAbout = Find<TBitBtn>(*this, "sBitBtnAbout");
    sButtonSelectAll = Find<TButton>(*this, "sButtonSelectAll");
    sButtonDeselectAll = Find<TButton>(*this, "sButtonDeselectAll");
    sButtonInverseSelection = Find<TButton>(*this, "sButtonInverseSelection");
    sBitBtnClearOutput = Find<TBitBtn>(*this, "sBitBtnClearOutput");
    sPanel1 = Find<TPanel>(*this, "sPanel1");
    sLabelListInfo = Find<TLabel>(*this, "sLabelListInfo");
    sCheckBoxImagesEnabled = Find<TCheckBox>(*this, "sCheckBoxImagesEnabled");
    sComboBoxImageFormat = Find<TComboBox>(*this, "sComboBoxImageFormat");
    sCheckBoxTextEnabled = Find<TCheckBox>(*this, "sCheckBoxTextEnabled");
    sComboBoxTextFormat = Find<TComboBox>(*this, "sComboBoxTextFormat");
    sCheckBoxTextPageBreaks = Find<TCheckBox>(*this, "sCheckBoxTextPageBreaks");
    sComboBoxSizeFilter = Find<TComboBox>(*this, "sComboBoxSizeFilter");
    sDecimalSpinEditSizeFilter = Find<TEdit>(*this, "sDecimalSpinEditSizeFilter");
    sComboBoxDPI = Find<TComboBox>(*this, "sComboBoxDPI");
    sCheckBoxCreateSubfolders = Find<TCheckBox>(*this, "sCheckBoxCreateSubfolders");
    sEditOutputPrefix = Find<TEdit>(*this, "sEditOutputPrefix");
    sCheckBoxSeparatePages = Find<TCheckBox>(*this, "sCheckBoxSeparatePages");
    sFilenameEditOutput = Find<TEdit>(*this, "sFilenameEditOutput");
    sSpeedButtonOpenFolder = Find<TSpeedButton>(*this, "sSpeedButtonOpenFolder");
    sStatusBar1 = Find<TStatusBar>(*this, "sStatusBar1");
    sLabelFXProcessing = Find<TLabel>(*this, "sLabelFXProcessing");
    sLabelFXCurrentPDF = Find<TLabel>(*this, "sLabelFXCurrentPDF");
    sLabelFXWebpage = Find<TLabel>(*this, "sLabelFXWebpage");
    sGaugeProcess = std::make_unique<TProgressGauge>(Find<TPanel>(*this, "sGaugeProcess"));
}

void TMainForm::BuildPopupMenu() {
    PopupMenu1 = new TPopupMenu(this);
    const auto add = [this](TMenuItem* parent, const std::string& caption, void (TMainForm::*method)(TObject*) = nullptr,
                            TShortCut shortCut = 0) {
        auto* item = new TMenuItem(this);
        item->SetCaption(caption);
        if (method) item->OnClick = [this, method](TObject* sender) { (this->*method)(sender); };
        if (shortCut) item->SetShortCut(shortCut);
        parent->Add(item);
        return item;
    };
    TMenuItem* root = PopupMenu1->Items();
    TMenuItem* file = add(root, "File");
    add(file, "Add PDF", &TMainForm::sBitBtnAddPDFClick, ShortCut('A', ssCtrl));
    add(file, "Add folder", &TMainForm::sBitBtnAddFolderClick, ShortCut('F', ssCtrl));
    add(file, "-");
    Openlist1 = add(file, "Open file list", &TMainForm::Openlist1Click, ShortCut('O', ssCtrl));
    Savelist1 = add(file, "Save file list", &TMainForm::Savelist1Click, ShortCut('S', ssCtrl));
    Savelist1->SetEnabled(false);
    add(file, "-");
    Defaultviewer1 = add(file, "Default viewer", &TMainForm::Defaultviewer1Click, ShortCut('V', ssCtrl));
    Defaultviewer1->SetEnabled(false);
    add(file, "-");
    add(file, "Start conversion", &TMainForm::sBitBtnStartClick);
    add(file, "-");
    add(file, "Exit", &TMainForm::Exit1Click, ShortCut('W', ssCtrl));

    TMenuItem* edit = add(root, "Edit");
    add(edit, "Select all", &TMainForm::sButtonSelectAllClick);
    add(edit, "Deselect all", &TMainForm::sButtonDeselectAllClick);
    add(edit, "Inverse selections", &TMainForm::sButtonInverseSelectionClick);
    TMenuItem* byStatus = add(edit, "Select for status");
    add(byStatus, "Successful", &TMainForm::Successful1Click);
    add(byStatus, "Unsuccessful", &TMainForm::Unsuccessfull1Click);
    add(byStatus, "Waiting", &TMainForm::Waiting1Click);
    add(edit, "-");
    add(edit, "Remove duplications", &TMainForm::Removeduplications1Click);
    add(edit, "Remove selected", &TMainForm::sBitBtnRemoveClick);
    add(edit, "Clear list", &TMainForm::sBitBtnClearClick);
    add(edit, "-");
    TMenuItem* pageRange = add(edit, "Page Range");
    add(pageRange, "Set to all...", &TMainForm::Settoall1Click);
    add(pageRange, "Reset all", &TMainForm::Clearall1Click);
    add(edit, "-");
    Showgrid1 = add(edit, "Show grid", &TMainForm::Showgrid1Click);
    Showgrid1->SetChecked(true);
    add(edit, "-");
    Stoponerror1 = add(edit, "Stop on error", &TMainForm::Stoponerror1Click);

    TMenuItem* help = add(root, "Help");
    add(help, "Website", &TMainForm::OpenWebsite);
    Videotutorial1 = add(help, "Video tutorial", &TMainForm::Videotutorial1Click);
    Videotutorial1->SetVisible(false);
    add(help, "Feedback", &TMainForm::Feedback1Click);
    add(help, "-");
    CommandLine1 = add(help, "Command-line", &TMainForm::CommandLineClick);
    add(help, "-");
    add(help, "About", &TMainForm::sBitBtnAboutClick, ShortCut('B', ssCtrl));
}

// The Menu tab drops the popup menu down below itself.
void TMainForm::sBitBtnMenuClick(TObject* sender) {
    if (shared_.IsExtracting || shared_.IsReading) return;
    auto* button = static_cast<TControl*>(sender);
    const POINT below = button->ClientToScreen({0, button->Height()});
    PopupMenu1->Popup(below.x, below.y);
}

void TMainForm::FormCreate(TObject*) {
    FindControls();
    FindPreviewControls();
    sListViewPDF->OnSelectItem = [this](TObject* sender, TListItem* item, bool selected) {
        SelectPDFFromList(sender, item, selected);
    };
    sListViewPDF->OnChange = [this](TObject* sender, TListItem*, TItemChange) { sListViewPDFChange(sender); };
    sListViewPDF->OnCustomDrawItem = [this](TCustomListView* sender, TListItem* item, TCustomDrawState state, bool& defaultDraw) {
        sListViewPDFCustomDrawItem(sender, item, state, defaultDraw);
    };
    sListViewPDF->SetGridLines(false);
    OnShortCut = [this](TMessage& message, bool& handled) { FormShortCut(message, handled); };
    BuildPopupMenu();
    sListViewPDF->SetSmallImages(CreateStatusPictures(this));
    TListColumns& columns = sListViewPDF->Columns();
    const struct {
        const char* Caption;
        TAlignment Alignment;
        int Width;
    } kColumns[] = {{"Input PDF File", taLeftJustify, 317}, {"Pages", taCenter, 50}, {"Size", taCenter, 50}, {"Page Range", taCenter, 100}};
    for (const auto& c : kColumns) {
        TListColumn* column = columns.Add();
        column->SetCaption(c.Caption);
        column->SetAlignment(c.Alignment);
        column->SetWidth(c.Width);
    }
    // Drops reach the list's window; every other message goes where it went before.
    previousListProc_ = sListViewPDF->WindowProc;
    sListViewPDF->WindowProc = [this](TMessage& message) { ListViewWindowProc(message); };
    DragAcceptFiles(sListViewPDF->Handle(), 1);
    for (const int width : {295, 217, 50}) sStatusBar1->Panels().Add()->SetWidth(width);

    CreateHintManager();
    shared_.AppFolder = PendingDesktopSetup.ProgramFolder.empty() ? ProgramFolder() : PendingDesktopSetup.ProgramFolder;
    shared_.VersionText = ReadVersionValue(kProduct);
    if (shared_.VersionText.empty()) {
        ReportRegistryError("version number!");
    } else {
        shared_.WebsiteAddress = ReadWebsiteValue(kProduct);
        if (shared_.WebsiteAddress.empty()) ReportRegistryError("website!");
    }
    SetCaption("Parchwise");
    shared_.WebDomain = HostOf(shared_.WebsiteAddress);
    sLabelFXWebpage->SetCaption(shared_.WebDomain);
    shared_.MailLink = "mailto:feedback@" + shared_.WebDomain;
    CreateSharedPdfObject();
    sComboBoxImageFormatChange(this);
    sComboBoxTextFormatChange(this);
    sLabelZoom->SetCaption("");
    shared_.IsExtracting = false;
    shared_.IsReading = false;
    shared_.PreviewPath.clear();
    UpdatePreviewPlaceholder();
    for (std::size_t i = 0; i < PageButtons.size(); ++i) {
        PageButtonPictures[i] = std::make_unique<TPicture>();
        PageButtonPictures[i]->Assign(PageButtons[i]->Picture());
    }
    sLabelFXProcessing->SetVisible(false);
    sLabelFXCurrentPDF->SetVisible(false);
    UpdateListInfo();
    ResizeMainForm(this);
    if (!Application->Terminated()) StartWebCheck();
}

void TMainForm::StartWebCheck() {
    auto* worker = new TCheckForNewVersionProcess(*this);
    worker->SetFreeOnTerminate(true);
    shared_.WebCheck = worker->Ref();
    worker->Start();
}

void TMainForm::ReportRegistryError(const std::string& what) {
    prompts_->Message(RegistryErrorText(what), mtError, {mbOK});
    Application->Terminate();
}

void TMainForm::StopWorkersAndWait() {
    if (shared_.Conversion) shared_.Conversion.Terminate();
    // Nothing is left to wait for an engine that may never end.
    if (shared_.EngineStop && shared_.Conversion && !shared_.Conversion.Finished()) shared_.EngineStop->Cancel();
    if (shared_.Reading) shared_.Reading.Terminate();
    // The web check is never waited for while it runs; asked to stop, it ends within a second.
    if (shared_.WebCheck) shared_.WebCheck.Terminate();
    shared_.Conversion.WaitFor();
    shared_.Reading.WaitFor();
    shared_.Rendering.WaitFor();
}

void TMainForm::FormCloseQuery(TObject*, bool& canClose) {
    if (shared_.IsExtracting && shared_.Conversion && !shared_.Conversion.Finished()) {
        canClose = prompts_->Message("Are you sure you want to cancel the extraction?", mtConfirmation, {mbYes, mbNo}) == mrYes;
        if (!canClose) return;
    }
    // The window stays until no worker can reach it any more.
    StopWorkersAndWait();
}

void TMainForm::FormDestroy(TObject*) {
    StopWorkersAndWait();
    FreeSharedPdfObject();
}

void TMainForm::ResizeMainForm(TObject*) {
    if (!sLabelFXWebpage || !sStatusBar1) return;
    sLabelFXWebpage->SetLeft(Width() - sLabelFXWebpage->Width() - 25);
    const int panel0 = sStatusBar1->Panels().Items(0)->Width();
    sStatusBar1->Panels().Items(1)->SetWidth(Width() - (panel0 + sLabelFXWebpage->Width()) - 38);
}

// Adding documents.

void TMainForm::ListViewWindowProc(TMessage& message) {
    if (message.Msg != WM_DROPFILES) return previousListProc_(message);
    const auto drop = reinterpret_cast<HDROP>(message.WParam);
    std::vector<std::string> names;
    const UINT count = DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Each name is taken whole, however long.
        std::string name(DragQueryFile(drop, i, nullptr, 0) + 1, '\0');
        name.resize(DragQueryFile(drop, i, name.data(), static_cast<UINT>(name.size())));
        names.push_back(std::move(name));
    }
    DragFinish(drop);
    HandleDroppedFiles(names);
}

void TMainForm::StartReading(std::vector<std::string> paths) {
    auto* worker = new TReadingPDFsProcess(*this, std::move(paths));
    worker->SetFreeOnTerminate(true);
    shared_.Reading = worker->Ref();
    worker->Start();
}

void TMainForm::sBitBtnAddPDFClick(TObject*) {
    if (shared_.IsExtracting || shared_.IsReading) return;
    std::vector<std::string> files = prompts_->ChooseFiles("", kPdfFilter, true);
    if (!files.empty()) StartReading(std::move(files));
}

void TMainForm::sBitBtnAddFolderClick(TObject*) {
    if (shared_.IsExtracting || shared_.IsReading) return;
    const std::string folder = prompts_->ChooseFolder("");
    if (folder.empty()) return;
    std::vector<std::string> paths = FindDocumentsInFolder(folder);
    if (paths.empty()) {
        prompts_->Message(kNoPdfFound, mtWarning, {mbOK});
        return;
    }
    StartReading(std::move(paths));
}

void TMainForm::HandleDroppedFiles(const std::vector<std::string>& names) {
    if (shared_.IsExtracting || shared_.IsReading || shared_.IsRendering) return;
    Application->BringToFront();
    std::vector<std::string> paths;
    for (const std::string& name : names) {
        if (DirectoryExists(name)) {
            for (std::string& path : FindDocumentsInFolder(name)) paths.push_back(std::move(path));
        } else if (EndsText(".pdf", name)) {
            paths.push_back(ExpandFileName(name));
        }
    }
    if (paths.empty()) {
        prompts_->Message(kNoPdfFound, mtWarning, {mbOK});
        return;
    }
    StartReading(std::move(paths));
}

void TMainForm::Openlist1Click(TObject*) {
    if (shared_.IsExtracting || shared_.IsReading || sListViewPDF->Items().Count() > 0) return;
    const std::vector<std::string> files = prompts_->ChooseFiles("Open PDF file list", kListFilter, false);
    if (files.empty()) return;
    std::optional<std::vector<std::string>> paths = ReadDocumentList(files.front());
    if (paths && !paths->empty()) StartReading(std::move(*paths));
}

void TMainForm::Savelist1Click(TObject*) {
    if (shared_.IsExtracting || shared_.IsReading || sListViewPDF->Items().Count() == 0) return;
    // The name is used as chosen: trimming it could replace a different file without asking.
    const std::string file = prompts_->ChooseSaveFile("Save PDF file list", kListFilter);
    if (file.empty()) return;
    std::vector<std::string> paths;
    for (int i = 0; i < sListViewPDF->Items().Count(); ++i) paths.push_back(sListViewPDF->Items()[i]->Caption());
    if (!WriteDocumentList(file, paths)) prompts_->Message("Couldn't write \"" + file + "\"!", mtError, {mbOK});
}

void TMainForm::AddDocumentItem(const std::string& path, int pages, const std::string& sizeText,
                                const std::string& password) {
    TListItem* item = sListViewPDF->Items().Add();
    item->SetCaption(path);
    item->SubItems().Add(IntToStr(pages));
    item->SubItems().Add(sizeText);
    item->SubItems().Add("");
    item->SubItems().Add(password);
    item->SetImageIndex(StatusPicture(kPictureWaiting, password));
    item->SetChecked(true);
    UpdateListInfo();
}

void TMainForm::sListViewPDFChange(TObject*) { UpdateListInfo(); }

std::string TMainForm::LastSelectedPath() const {
    std::string path;
    for (int i = 0; i < sListViewPDF->Items().Count(); ++i)
        if (sListViewPDF->Items()[i]->Selected()) path = sListViewPDF->Items()[i]->Caption();
    return path;
}

void TMainForm::UpdateListInfo() {
    const int count = sListViewPDF->Items().Count();
    int checked = 0;
    for (int i = 0; i < count; ++i)
        if (sListViewPDF->Items()[i]->Checked()) ++checked;
    Openlist1->SetEnabled(count == 0);
    Savelist1->SetEnabled(count > 0);
    const std::string selected = count > 0 ? LastSelectedPath() : std::string();
    if (!selected.empty()) Defaultviewer1->SetEnabled(true);
    shared_.PreviewLive = count > 0;
    sLabelListInfo->SetCaption(IntToStr(checked) + " / " + IntToStr(count));
    if (!shared_.IsExtracting) UpdatePreviewControls();
    if (!shared_.IsReading && !selected.empty() && selected != shared_.PreviewPath) {
        // The render of the newly selected document opens it in an object of its own.
        WaitForRender();
        FreeSharedPdfObject();
        CreateSharedPdfObject();
        UpdatePreviewControls();
    }
    UpdatePreviewPlaceholder();
    sLabelListInfo->SetLeft(sPanel1->Width() - sLabelListInfo->Width() - 8);
}

// Busy state.

std::vector<TControl*> TMainForm::OptionControls() const {
    return {sCheckBoxImagesEnabled, sComboBoxImageFormat, sCheckBoxTextEnabled, sComboBoxTextFormat,
            sCheckBoxTextPageBreaks, sComboBoxSizeFilter, sDecimalSpinEditSizeFilter, sComboBoxDPI,
            sCheckBoxCreateSubfolders, sEditOutputPrefix, sCheckBoxSeparatePages, sBitBtnClearOutput,
            sFilenameEditOutput, sSpeedButtonOpenFolder};
}

std::vector<TControl*> TMainForm::CommandControls(bool) const {
    return {sBitBtnAddPDF, sBitBtnAddFolder, sBitBtnRemove, sBitBtnClear, sBitBtnMenu, sListViewPDF,
            sButtonSelectAll, sButtonDeselectAll, sButtonInverseSelection};
}

void TMainForm::EnterBusyState(bool reading, int gaugeMax) {
    savedOptionStates_.clear();
    for (TControl* control : OptionControls()) {
        savedOptionStates_.push_back(control->Enabled());
        control->SetEnabled(false);
    }
    for (TControl* control : CommandControls(reading)) control->SetEnabled(false);
    if (reading) {
        // A reading keeps the picture; paging is refused while it runs.
        UpdatePreviewControls();
        sBitBtnPreviewPrev->SetEnabled(false);
        sBitBtnPreviewNext->SetEnabled(false);
    } else {
        shared_.PreviewLive = false;
        UpdatePreviewControls();
    }
    sLabelFXProcessing->SetCaption(reading ? "Reading PDF:" : "Processing:");
    sLabelFXProcessing->SetVisible(true);
    sLabelFXCurrentPDF->SetCaption("");
    sLabelFXCurrentPDF->SetLeft(sStatusBar1->Panels().Items(0)->Width() + sLabelFXProcessing->Width() - 2);
    sLabelFXCurrentPDF->SetVisible(true);
    sGaugeProcess->SetMaxValue(gaugeMax);
    sGaugeProcess->SetProgress(0);
    sGaugeProcess->SetShowText(true);
    sBitBtnStart->SetCaption("Stop");
    if (sBitBtnStart->CanFocus()) sBitBtnStart->SetFocus();
}

void TMainForm::LeaveBusyState() {
    for (TControl* control : CommandControls(false)) control->SetEnabled(true);
    const std::vector<TControl*> options = OptionControls();
    for (std::size_t i = 0; i < options.size() && i < savedOptionStates_.size(); ++i)
        options[i]->SetEnabled(savedOptionStates_[i]);
    shared_.PreviewLive = true;
    sLabelFXProcessing->SetVisible(false);
    sLabelFXProcessing->SetCaption("Processing:");
    sLabelFXCurrentPDF->SetVisible(false);
    sGaugeProcess->SetShowText(false);
    sGaugeProcess->SetProgress(0);
    sBitBtnStart->SetCaption("Start");
    sStatusBar1->Invalidate();
    UpdateListInfo();
}

void TMainForm::ShowStatusPath(const std::string& text) {
    const int room = sStatusBar1->Panels().Items(1)->Width() - sLabelFXProcessing->Width();
    sLabelFXCurrentPDF->SetVisible(false);
    sLabelFXCurrentPDF->SetCaption(text);
    for (std::size_t k = text.size(); k-- > 1 && sLabelFXCurrentPDF->Width() > room;)
        sLabelFXCurrentPDF->SetCaption(text.substr(0, 12) + "... " + text.substr(text.size() - k));
    sLabelFXCurrentPDF->SetVisible(true);
    sStatusBar1->Invalidate();
}

// The run.

void TMainForm::sBitBtnStartClick(TObject*) {
    if (shared_.IsExtracting) {
        if (prompts_->Message("Are you sure you want to cancel the extraction?", mtConfirmation, {mbYes, mbNo}) != mrYes) return;
        if (std::exchange(stopPending_, true)) {
            // The engine did not end by itself since the first Stop: end it.
            shared_.EngineStop->Cancel();
            return;
        }
        shared_.Conversion.Terminate();
        prompts_->Message("Process will terminated after the current document extraction!", mtWarning, {mbOK});
        return;
    }
    if (shared_.IsReading) {
        shared_.Reading.Terminate();
        return;
    }
    const int count = sListViewPDF->Items().Count();
    if (count == 0) {
        prompts_->Message("Add at least one PDF file to the list!", mtWarning, {mbOK});
        return;
    }
    bool anyChecked = false;
    for (int i = 0; i < count; ++i) anyChecked = anyChecked || sListViewPDF->Items()[i]->Checked();
    if (!anyChecked) {
        prompts_->Message("Please select at least one PDF file from the list!", mtWarning, {mbOK});
        return;
    }
    const std::string output = Trim(sFilenameEditOutput->Text());
    if (!output.empty() && FileExists(output)) {
        if (prompts_->Message(output + " already exists.\r\nDo you want to replace it?", mtConfirmation, {mbYes, mbNo}) != mrYes)
            return;
        // The run needs a folder where the file is.
        if (!DeleteFile(output) || !CreateDir(output)) {
            prompts_->Message("Couldn't replace \"" + output + "\" by a folder!", mtError, {mbOK});
            return;
        }
    }
    stopPending_ = false;
    shared_.EngineStop = std::make_shared<ProcessCancel>();
    auto* worker = new TConversionProcess(*this, shared_.EngineStop);
    worker->SetFreeOnTerminate(true);
    shared_.Conversion = worker->Ref();
    shared_.IsExtracting = true;
    worker->Start();
}

ExtractionOptions TMainForm::ReadOptions() const {
    ExtractionOptions options;
    options.TextEnabled = sCheckBoxTextEnabled->Checked();
    options.ImagesEnabled = sCheckBoxImagesEnabled->Checked();
    options.TextFormat = sComboBoxTextFormat->Text();
    options.PageBreaks = sCheckBoxTextPageBreaks->Checked();
    options.SeparatePages = sCheckBoxSeparatePages->Checked();
    options.Prefix = sEditOutputPrefix->Text();
    options.OutputFolder = sFilenameEditOutput->Text();
    options.Subfolder = sCheckBoxCreateSubfolders->Checked();
    options.ImageFormat = sComboBoxImageFormat->Text();
    options.SizeFilter = sComboBoxSizeFilter->Text();
    options.SizeValue = sDecimalSpinEditSizeFilter->Text();
    options.Dpi = sComboBoxDPI->Text();
    options.StopOnError = Stoponerror1->Checked();
    return options;
}

int TMainForm::ItemCount() const { return sListViewPDF->Items().Count(); }

ListItemValues TMainForm::ItemValues(int index) const {
    TListItem* item = sListViewPDF->Items()[index];
    TStringList& sub = item->SubItems();
    const auto text = [&sub](int i) { return i < sub.Count() ? sub.Strings(i) : std::string(); };
    return {{item->Caption(), text(kSubItemPassword), text(kSubItemPages), text(kSubItemRange)}, item->Checked()};
}

void TMainForm::SetItemStatus(int index, int picture, bool succeeded) {
    TListItem* item = sListViewPDF->Items()[index];
    item->SetImageIndex(picture);
    if (succeeded) item->SetChecked(false);
    UpdateListInfo();
}

void TMainForm::ShowCurrentItem(int index) { sListViewPDF->Items()[index]->MakeVisible(true); }

void TMainForm::SetProgress(int value) {
    sGaugeProcess->SetShowText(true);
    sGaugeProcess->SetProgress(value);
}

bool TMainForm::OpenFolderWhenDone() const { return sSpeedButtonOpenFolder->Down(); }

std::string TMainForm::OutputFolderText() const { return sFilenameEditOutput->Text(); }

// Options.

void TMainForm::sComboBoxImageFormatChange(TObject*) {
    static const std::pair<const char*, const char*> kFormats[] = {
        {"BMP", " - Windows Bitmap File (*.BMP)"},           {"JPEG", " - Independent JPEG Group (*.JPG)"},
        {"JPEG-2000", " - JPEG-2000 File Format (*.JP2)"}, {"PNG", " - Portable Network Graphics (*.PNG)"},
        {"TIFF", " - Tagged Image File Format (*.TIFF)"}};
    const std::string text = Trim(sComboBoxImageFormat->Text());
    const char* description = nullptr;
    for (const auto& [name, about] : kFormats)
        if (text == name) description = about;
    if (!description) {
        if (text != "Original") sComboBoxImageFormat->SetText("Original");
        sComboBoxImageFormat->SetHint("Output image format: <b>Keep the original</b>");
        return;
    }
    sComboBoxImageFormat->SetHint("Forced output image format: <b>" + text + "</b>" + description);
}

void TMainForm::sComboBoxTextFormatChange(TObject*) {
    std::string text = Trim(sComboBoxTextFormat->Text());
    if (text != "Layout" && text != "Raw") sComboBoxTextFormat->SetText(text = "Layout");
    sComboBoxTextFormat->SetHint(text == "Layout" ? "Maintain (as best as possible) the<br>original physical layout of the text"
                                                  : "Keep the text in content stream order");
}

void TMainForm::sCheckBoxImagesEnabledClick(TObject*) {
    const bool on = sCheckBoxImagesEnabled->Checked();
    sComboBoxImageFormat->SetEnabled(on);
    sComboBoxDPI->SetEnabled(on);
    sComboBoxSizeFilter->SetEnabled(on);
    sDecimalSpinEditSizeFilter->SetEnabled(on && sComboBoxSizeFilter->Text() != "None");
    if (!on && !sCheckBoxTextEnabled->Checked()) sCheckBoxTextEnabled->SetChecked(true);
}

void TMainForm::sCheckBoxTextEnabledClick(TObject*) {
    const bool on = sCheckBoxTextEnabled->Checked();
    sComboBoxTextFormat->SetEnabled(on);
    sCheckBoxTextPageBreaks->SetEnabled(on);
    if (!on && !sCheckBoxImagesEnabled->Checked()) sCheckBoxImagesEnabled->SetChecked(true);
}

void TMainForm::sComboBoxDPIChange(TObject*) {
    const std::string text = Trim(sComboBoxDPI->Text());
    if (text != "-" && !TryStrToInt(text)) sComboBoxDPI->SetText("-");
    sComboBoxDPI->SetHint(Trim(sComboBoxDPI->Text()) == "-" ? "Output image's DPI<br>Keep the default" : "");
}

void TMainForm::sComboBoxSizeFilterChange(TObject*) {
    sComboBoxSizeFilter->SetHint("");
    const std::string text = Trim(sComboBoxSizeFilter->Text());
    if (text != "None" && text != "Smaller than" && text != "Larger than") sComboBoxSizeFilter->SetText("None");
    if (sComboBoxSizeFilter->Text() == "None") {
        sDecimalSpinEditSizeFilter->SetEnabled(false);
        return;
    }
    sComboBoxSizeFilter->SetHint(std::string("Embedded image's X or Y dimension<br>is <b>") +
                                 (text == "Smaller than" ? "smaller" : "larger") + "</b> than the filter's value");
    sDecimalSpinEditSizeFilter->SetEnabled(true);
}

void TMainForm::sDecimalSpinEditSizeFilterChange(TObject*) {
    const std::string text = sDecimalSpinEditSizeFilter->Text();
    const std::string valid = SizeSpinText(text);
    if (valid != Trim(text)) sDecimalSpinEditSizeFilter->SetText(valid);
}

void TMainForm::sCheckBoxCreateSubfoldersClick(TObject* sender) {
    if (!sCheckBoxCreateSubfolders->Checked() || !sFilenameEditOutput->Text().empty()) return;
    sCheckBoxCreateSubfolders->SetChecked(false);
    if (sender != sFilenameEditOutput)
        prompts_->Message("To use this function, please set the output folder first!", mtWarning, {mbOK});
}

void TMainForm::sFilenameEditOutputClick(TObject*) {
    const std::string folder = prompts_->ChooseFolder("");
    if (!folder.empty()) sFilenameEditOutput->SetText(folder);
    if (sBitBtnStart->CanFocus()) sBitBtnStart->SetFocus();
}

void TMainForm::sFilenameEditOutputChange(TObject*) {
    sFilenameEditOutput->SetHint(sFilenameEditOutput->Text());
    if (sFilenameEditOutput->Text().empty() && sCheckBoxCreateSubfolders->Checked())
        sCheckBoxCreateSubfoldersClick(sFilenameEditOutput);
}

void TMainForm::sBitBtnClearOutputClick(TObject*) {
    sFilenameEditOutput->SetText("");
    sFilenameEditOutput->SetHint("");
}

void TMainForm::sSpeedButtonOpenFolderClick(TObject*) {
    sSpeedButtonOpenFolder->SetHint(std::string("Open output folder after extraction<br>Status: <b>") +
                                    (sSpeedButtonOpenFolder->Down() ? "on" : "off") + "</b>");
}

void TMainForm::Stoponerror1Click(TObject*) { Stoponerror1->SetChecked(!Stoponerror1->Checked()); }

void TMainForm::CommandLineClick(TObject*) {
    const std::string text = "About command-line support\r\n\r\n  To using command-line mode, launch Parchcli.exe\r\n"
                             "  from the software's folder to see how it works or\r\n  please visit this website:\r\n\r\n"
                             "  http://" + shared_.WebDomain + "/\r\n";
    if (prompts_->Message(text, mtInformation, {mbOK, mbCancel}) == mrOk) ShellExecute("open", shared_.WebsiteAddress);
}

void TMainForm::Defaultviewer1Click(TObject*) { ShellExecute("open", Trim(LastSelectedPath())); }

}  // namespace parch
