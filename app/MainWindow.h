#pragma once
// Parchdesk's main window: the document list, the extraction options, Start/Stop and the
// status bar; the state the window shares with its workers; the busy state that a reading or
// an extraction run holds.

#include "app/ControlAdapters.h"
#include "app/DesktopExtraction.h"
#include "app/DesktopPrompts.h"
#include "framework/CustomDraw.h"
#include "framework/Forms.h"
#include "framework/Thread.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace parch {

class TAboutDialog;
class TBitBtn;
class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TImage;
class TImage32;
class TLabel;
class TListItem;
class TCustomListView;
class TListView;
class TMenuItem;
class TPanel;
class TPopupMenu;
class TSpeedButton;
class TStatusBar;
class TPicture;
class TScrivlet0813;
class ProcessCancel;
class TUpDown;

// What the program shares between the window and its workers. The flags are written by the
// worker that owns the busy period and read by the GUI thread.
struct DesktopShared {
    std::atomic<bool> IsExtracting{false};
    std::atomic<bool> IsReading{false};
    std::atomic<bool> IsRendering{false};
    std::string AppFolder;
    std::string VersionText;
    std::string WebsiteAddress;
    std::string WebDomain;
    std::string MailLink;
    std::string PreviewPath;
    std::string PreviewPassword;
    int PreviewPage = 1;
    bool PreviewLive = true;
    TThreadRef Rendering;
    TThreadRef WebCheck;
    TThreadRef Reading;
    TThreadRef Conversion;
    // Ends the running engine of the run when a Stop cannot wait for it.
    std::shared_ptr<ProcessCancel> EngineStop;
};

// Set by the program block before the main window is made; the window reads it in FormCreate.
struct DesktopSetup {
    std::string ProgramFolder;
    DesktopPrompts* Prompts = nullptr;  // not owned; the standard dialogs when null
};
extern DesktopSetup PendingDesktopSetup;

// The values of the list item a run is on.
struct ListItemValues {
    DocumentJob Job;
    bool Checked = false;
};

class TMainForm : public TForm {
public:
    explicit TMainForm(TComponent* owner);
    ~TMainForm() override;

    DesktopShared& Shared() { return shared_; }
    DesktopPrompts& Prompts() { return *prompts_; }

    // Event handlers of the description.
    void FormCreate(TObject* sender);
    void FormDestroy(TObject* sender);
    void FormCloseQuery(TObject* sender, bool& canClose);
    void ResizeMainForm(TObject* sender);
    void sBitBtnMenuClick(TObject* sender);
    void sBitBtnAddPDFClick(TObject* sender);
    void sBitBtnAddFolderClick(TObject* sender);
    void sBitBtnStartClick(TObject* sender);
    void Openlist1Click(TObject* sender);
    void Savelist1Click(TObject* sender);
    void sListViewPDFChange(TObject* sender);
    void sComboBoxImageFormatChange(TObject* sender);
    void sComboBoxTextFormatChange(TObject* sender);
    void sCheckBoxImagesEnabledClick(TObject* sender);
    void sCheckBoxTextEnabledClick(TObject* sender);
    void sComboBoxDPIChange(TObject* sender);
    void sComboBoxSizeFilterChange(TObject* sender);
    void sDecimalSpinEditSizeFilterChange(TObject* sender);
    void sCheckBoxCreateSubfoldersClick(TObject* sender);
    void sFilenameEditOutputClick(TObject* sender);
    void sFilenameEditOutputChange(TObject* sender);
    void sBitBtnClearOutputClick(TObject* sender);
    void sSpeedButtonOpenFolderClick(TObject* sender);
    void Stoponerror1Click(TObject* sender);
    void CommandLineClick(TObject* sender);
    void Defaultviewer1Click(TObject* sender);

    // The page preview.
    void SelectPDFFromList(TObject* sender, TListItem* item, bool selected);
    void StartPageRender(const std::string& path, const std::string& password);
    // The render worker's synchronous step: opens the path (when not empty) in SharedPdf,
    // sets the pager's maximum and shows page PreviewPage, or reports why it cannot.
    void ShowPreviewPage(const std::string& path, const std::string& password);
    void PreviewResize(TObject* sender);
    void sDecimalSpinEditPDFPagerChange(TObject* sender);
    void sDecimalSpinEditPDFPagerUpClick();
    void sDecimalSpinEditPDFPagerDownClick();
    void ImagePDFFirstPageClick(TObject* sender);
    void ImagePDFPrevPageClick(TObject* sender);
    void ImagePDFNextPageClick(TObject* sender);
    void ImagePDFLastPageClick(TObject* sender);
    void sBitBtnPreviewPrevClick(TObject* sender);
    void sBitBtnPreviewNextClick(TObject* sender);
    void UpdatePreviewControls();
    void UpdatePreviewPlaceholder();
    void ClearPreview();
    int SharedPageCount() const;

    // List commands, menu and keys.
    void sButtonSelectAllClick(TObject* sender);
    void sButtonDeselectAllClick(TObject* sender);
    void sButtonInverseSelectionClick(TObject* sender);
    void Successful1Click(TObject* sender);
    void Unsuccessfull1Click(TObject* sender);
    void Waiting1Click(TObject* sender);
    void sBitBtnRemoveClick(TObject* sender);
    void sBitBtnClearClick(TObject* sender);
    void Removeduplications1Click(TObject* sender);
    void sListViewPDFClick(TObject* sender);
    void Settoall1Click(TObject* sender);
    void Clearall1Click(TObject* sender);
    void Showgrid1Click(TObject* sender);
    void UpdateGridLines();
    void sListViewPDFCustomDrawItem(TCustomListView* sender, TListItem* item, TCustomDrawState state, bool& defaultDraw);
    // The "Help" button, the "Website" item and the status bar's web label.
    void OpenWebsite(TObject* sender);
    void Videotutorial1Click(TObject* sender);
    void Feedback1Click(TObject* sender);
    void Exit1Click(TObject* sender);
    void sBitBtnAboutClick(TObject* sender);
    void FormShortCut(TMessage& message, bool& handled);

    void ListViewWindowProc(TMessage& message);
    // Files dropped on the list.
    void HandleDroppedFiles(const std::vector<std::string>& names);
    // Starts a reading worker on the paths.
    void StartReading(std::vector<std::string> paths);
    void UpdateListInfo();

    // Busy state, entered and left on the GUI thread by the worker that owns it.
    void EnterBusyState(bool reading, int gaugeMax);
    void LeaveBusyState();
    void ShowStatusPath(const std::string& text);

    // For the workers, on the GUI thread.
    ExtractionOptions ReadOptions() const;
    int ItemCount() const;
    ListItemValues ItemValues(int index) const;
    void AddDocumentItem(const std::string& path, int pages, const std::string& sizeText, const std::string& password);
    // Sets the status picture; a success also clears the check.
    void SetItemStatus(int index, int picture, bool succeeded);
    void ShowCurrentItem(int index);
    void SetProgress(int value);
    bool OpenFolderWhenDone() const;
    std::string OutputFolderText() const;

    // The controls, by their names in the description.
    TListView* sListViewPDF = nullptr;
    TBitBtn* sBitBtnAddPDF = nullptr;
    TBitBtn* sBitBtnAddFolder = nullptr;
    TBitBtn* sBitBtnStart = nullptr;
    TBitBtn* sBitBtnMenu = nullptr;
    TBitBtn* sBitBtnRemove = nullptr;
    TBitBtn* sBitBtnClear = nullptr;
    TBitBtn* sBitBtnHelp = nullptr;
    TBitBtn* sBitBtnAbout = nullptr;
    TButton* sButtonSelectAll = nullptr;
    TButton* sButtonDeselectAll = nullptr;
    TButton* sButtonInverseSelection = nullptr;
    TBitBtn* sBitBtnClearOutput = nullptr;
    TPanel* sPanel1 = nullptr;
    TLabel* sLabelListInfo = nullptr;
    TCheckBox* sCheckBoxImagesEnabled = nullptr;
    TComboBox* sComboBoxImageFormat = nullptr;
    TCheckBox* sCheckBoxTextEnabled = nullptr;
    TComboBox* sComboBoxTextFormat = nullptr;
    TCheckBox* sCheckBoxTextPageBreaks = nullptr;
    TComboBox* sComboBoxSizeFilter = nullptr;
    TEdit* sDecimalSpinEditSizeFilter = nullptr;
    TComboBox* sComboBoxDPI = nullptr;
    TCheckBox* sCheckBoxCreateSubfolders = nullptr;
    TEdit* sEditOutputPrefix = nullptr;
    TCheckBox* sCheckBoxSeparatePages = nullptr;
    TEdit* sFilenameEditOutput = nullptr;
    TSpeedButton* sSpeedButtonOpenFolder = nullptr;
    TStatusBar* sStatusBar1 = nullptr;
    TLabel* sLabelFXProcessing = nullptr;
    TLabel* sLabelFXCurrentPDF = nullptr;
    TLabel* sLabelFXWebpage = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* Openlist1 = nullptr;
    TMenuItem* Savelist1 = nullptr;
    TMenuItem* Defaultviewer1 = nullptr;
    TMenuItem* Showgrid1 = nullptr;
    TMenuItem* Stoponerror1 = nullptr;
    TMenuItem* Videotutorial1 = nullptr;
    TMenuItem* CommandLine1 = nullptr;
    std::unique_ptr<TProgressGauge> sGaugeProcess;
    TPanel* sPanelContent = nullptr;
    TPanel* sPanel10 = nullptr;
    TImage32* tImage32Preview = nullptr;
    TLabel* sLabelZoom = nullptr;
    TBitBtn* sBitBtnPreviewPrev = nullptr;
    TBitBtn* sBitBtnPreviewNext = nullptr;
    std::unique_ptr<TPagerSpin> sDecimalSpinEditPDFPager;
    // The About box while it is shown.
    TAboutDialog* AboutBox = nullptr;
    // First, previous, next, last page; and their hover pictures.
    std::array<TImage*, 4> PageButtons{};
    std::array<TImage*, 4> PageButtonBorders{};

private:
    void FindControls();
    void CreateHintManager();
    void BuildPopupMenu();
    std::vector<TControl*> OptionControls() const;
    std::vector<TControl*> CommandControls(bool reading) const;
    void StopWorkersAndWait();
    void ReportRegistryError(const std::string& what);
    std::string LastSelectedPath() const;

    void SetEveryCheck(const std::function<bool(TListItem&)>& checked);
    void CheckByStatus(int firstPicture);
    void StartWebCheck();
    void FindPreviewControls();
    void CreateSharedPdfObject();
    void FreeSharedPdfObject();
    void ShowPreviewError(const std::string& message);
    void SetPager(int value);
    bool PreviewRefused() const;
    void ShowHoverPicture(int button);
    void RestorePageButtonPictures();
    void WaitForRender();

    TWndMethod previousListProc_;
    // The PDF object of the preview; used on the GUI thread only.
    std::unique_ptr<TScrivlet0813> SharedPdf;
    std::array<std::unique_ptr<TPicture>, 4> PageButtonPictures;
    DesktopShared shared_;
    DesktopPrompts standardPrompts_;
    DesktopPrompts* prompts_ = &standardPrompts_;
    std::vector<bool> savedOptionStates_;
    std::vector<bool> savedCommandStates_;
    bool stopPending_ = false;
};

// The image index of a status picture: the even picture, plus one when a password is set.
int StatusPicture(int base, const std::string& password);
constexpr int kPictureWaiting = 0;
// The sub-items of a list item: pages, size, page range, password.
constexpr int kSubItemPages = 0;
constexpr int kSubItemRange = 2;
constexpr int kSubItemPassword = 3;
constexpr int kPictureDone = 4;
constexpr int kPictureFailed = 6;

}  // namespace parch
