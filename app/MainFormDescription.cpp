#include "app/MainFormDescription.h"

#include "bitmap32/view/Image32.h"
#include "framework/ListView.h"
#include "framework/StatusBar.h"
#include "framework/UpDown.h"

namespace parch {

namespace {

using Props = std::vector<std::pair<std::string, std::string>>;
using Events = std::vector<std::pair<std::string, std::string>>;

TComponentDescription Control(std::string cls, std::string name, Props props, Events events = {},
                              std::vector<TComponentDescription> children = {}) {
    return {std::move(cls), std::move(name), std::move(props), std::move(events), std::move(children)};
}

TComponentDescription Button(std::string name, std::string caption, int left, std::string handler) {
    return Control("TBitBtn", std::move(name),
                   {{"Left", std::to_string(left)}, {"Top", "20"}, {"Width", "90"}, {"Height", "50"}, {"Caption", caption}},
                   handler.empty() ? Events{} : Events{{"OnClick", handler}});
}

TComponentDescription CheckBox(std::string name, std::string caption, int left, int top, bool checked,
                               std::string hint, std::string handler) {
    Props props{{"Left", std::to_string(left)}, {"Top", std::to_string(top)}, {"Width", "120"}, {"Height", "20"},
                {"Caption", caption}, {"Checked", checked ? "True" : "False"}};
    if (!hint.empty()) props.push_back({"Hint", hint}), props.push_back({"ShowHint", "True"});
    return Control("TCheckBox", std::move(name), props, handler.empty() ? Events{} : Events{{"OnClick", handler}});
}

TComponentDescription Combo(std::string name, std::string items, int left, int top, int width, std::string handler,
                            std::string hint = {}) {
    Props props{{"Left", std::to_string(left)}, {"Top", std::to_string(top)}, {"Width", std::to_string(width)},
                {"Items.Text", items}, {"ItemIndex", "0"}, {"ShowHint", "True"}};
    if (!hint.empty()) props.push_back({"Hint", hint});
    return Control("TComboBox", std::move(name), props, {{"OnChange", handler}});
}

TComponentDescription Label(std::string name, std::string caption, int left, int top) {
    return Control("TLabel", std::move(name), {{"Left", std::to_string(left)}, {"Top", std::to_string(top)}, {"Caption", caption}});
}

TComponentDescription OptionPanel() {
    return Control(
        "TPanel", "sPanel6", {{"Top", "400"}, {"Align", "alBottom"}, {"Height", "186"}, {"BevelOuter", "bvNone"}}, {},
        {Control("TGroupBox", "sGroupBoxImage", {{"Left", "8"}, {"Top", "4"}, {"Width", "200"}, {"Height", "80"}, {"Caption", "Image"}}, {},
                 {CheckBox("sCheckBoxImagesEnabled", "Format:", 10, 20, true, "Enable/disable image content extraction",
                           "sCheckBoxImagesEnabledClick"),
                  Combo("sComboBoxImageFormat", "Original\nBMP\nJPEG\nJPEG-2000\nPNG\nTIFF\n", 10, 44, 150,
                        "sComboBoxImageFormatChange")}),
         Control("TGroupBox", "sGroupBoxText", {{"Left", "8"}, {"Top", "88"}, {"Width", "200"}, {"Height", "90"}, {"Caption", "Text"}}, {},
                 {CheckBox("sCheckBoxTextEnabled", "Format:", 10, 20, true, "Enable/disable text content extraction",
                           "sCheckBoxTextEnabledClick"),
                  Combo("sComboBoxTextFormat", "Layout\nRaw\n", 10, 42, 150, "sComboBoxTextFormatChange"),
                  CheckBox("sCheckBoxTextPageBreaks", "Page Breaks", 10, 66, true, "Insert page break characters", "")}),
         Control("TGroupBox", "sGroupBoxExtra", {{"Left", "216"}, {"Top", "4"}, {"Width", "300"}, {"Height", "124"}, {"Caption", "Extra Settings"}}, {},
                 {Label("sLabelSizeFilter", "Image Size Filter:", 10, 22),
                  Combo("sComboBoxSizeFilter", "None\nSmaller than\nLarger than\n", 110, 18, 100, "sComboBoxSizeFilterChange"),
                  Control("TEdit", "sDecimalSpinEditSizeFilter",
                          {{"Left", "214"}, {"Top", "18"}, {"Width", "50"}, {"Caption", "16"}, {"Enabled", "False"}},
                          {{"OnChange", "sDecimalSpinEditSizeFilterChange"}}),
                  Label("sLabelPx", "px", 268, 22),
                  Label("sLabelDPI", "Image's DPI:", 10, 50),
                  Combo("sComboBoxDPI", "-\n72\n96\n144\n150\n200\n300\n400\n600\n", 110, 46, 70, "sComboBoxDPIChange",
                        "Output image's DPI<br>Keep the default"),
                  CheckBox("sCheckBoxCreateSubfolders", "Create subfolders", 10, 74, false, "Create subfolder for each PDF",
                           "sCheckBoxCreateSubfoldersClick"),
                  Label("sLabelPrefix", "Prefix:", 150, 78),
                  Control("TEdit", "sEditOutputPrefix",
                          {{"Left", "190"}, {"Top", "74"}, {"Width", "100"}, {"ShowHint", "True"},
                           {"Hint", "Output file name's prefix<br><i>Example:</i> output"}}),
                  CheckBox("sCheckBoxSeparatePages", "Separate Pages", 10, 98, false, "", "")}),
         Control("TGroupBox", "sGroupBoxOutput", {{"Left", "216"}, {"Top", "130"}, {"Width", "420"}, {"Height", "50"}, {"Caption", "Output Folder"}}, {},
                 {Control("TBitBtn", "sBitBtnClearOutput",
                          {{"Left", "8"}, {"Top", "18"}, {"Width", "24"}, {"Height", "24"}, {"Caption", "X"}, {"ShowHint", "True"},
                           {"Hint", "Clear output folder"}},
                          {{"OnClick", "sBitBtnClearOutputClick"}}),
                  Control("TEdit", "sFilenameEditOutput",
                          {{"Left", "36"}, {"Top", "18"}, {"Width", "340"}, {"ReadOnly", "True"}, {"MaxLength", "255"}, {"ShowHint", "True"}},
                          {{"OnClick", "sFilenameEditOutputClick"}, {"OnChange", "sFilenameEditOutputChange"}}),
                  Control("TSpeedButton", "sSpeedButtonOpenFolder",
                          {{"Left", "380"}, {"Top", "18"}, {"Width", "30"}, {"Height", "24"}, {"GroupIndex", "1"}, {"AllowAllUp", "True"},
                           {"Down", "True"}, {"Caption", "Open"}, {"ShowHint", "True"},
                           {"Hint", "Open output folder after extraction<br>Status: <b>on</b>"}},
                          {{"OnClick", "sSpeedButtonOpenFolderClick"}})}),
         Control("TBitBtn", "sBitBtnStart",
                 {{"Left", "660"}, {"Top", "120"}, {"Width", "120"}, {"Height", "50"}, {"Caption", "Start"}, {"Font.Color", "$000F0D0D"}},
                 {{"OnClick", "sBitBtnStartClick"}})});
}

TComponentDescription ListButton(std::string name, std::string caption, int left, int width, std::string hint,
                                 std::string handler) {
    Props props{{"Left", std::to_string(left)}, {"Top", "3"}, {"Width", std::to_string(width)}, {"Height", "24"}, {"Caption", caption}};
    if (!hint.empty()) props.push_back({"Hint", hint});
    return Control("TButton", std::move(name), props, {{"OnClick", handler}});
}

TComponentDescription PageImage(std::string name, int left, bool hover) {
    Props props{{"Left", std::to_string(left)}, {"Top", "7"}, {"Width", "14"}, {"Height", "14"}, {"Cursor", "-21"}};
    Events events{{"OnMouseMove", name + "MouseMove"}};
    if (hover) {
        props.push_back({"Visible", "False"});
        events.clear();
    } else {
        props.push_back({"Enabled", "False"});
        events.push_back({"OnClick", name + "Click"});
    }
    return Control("TImage", std::move(name), props, events);
}

// The right half: the page picture over a silver background, and the bar under it with the
// document buttons, the page buttons, the pager and the zoom.
TComponentDescription PreviewPanel() {
    const TComponentDescription image{"TImage32",
                                      "tImage32Preview",
                                      {{"Align", "alClient"},
                                       {"Bitmap.ResamplerClassName", "TKernelResampler"},
                                       {"Bitmap.Resampler.KernelClassName", "TCubicKernel"},
                                       {"Bitmap.Resampler.Kernel.Coeff", "-0.5"},
                                       {"Bitmap.Resampler.KernelMode", "kmDynamic"},
                                       {"Bitmap.Resampler.TableSize", "32"},
                                       {"BitmapAlign", "baCenter"},
                                       {"Color", "clSilver"},
                                       {"ParentColor", "False"},
                                       {"Scale", "1.0"},
                                       {"ScaleMode", "smScale"},
                                       {"Visible", "False"}},
                                      {{"OnResize", "PreviewResize"}},
                                      {}};
    const auto documentButton = [](std::string name, std::string caption, int left) {
        // The handler's name is taken before the name moves into the description.
        Events events{{"OnClick", name + "Click"}};
        return Control("TBitBtn", std::move(name),
                       {{"Left", std::to_string(left)}, {"Top", "3"}, {"Width", "100"}, {"Height", "24"}, {"Caption", caption},
                        {"Enabled", "False"}},
                       std::move(events));
    };
    return Control(
        "TPanel", "sPanelPreview", {{"Align", "alRight"}, {"Width", "440"}, {"BevelOuter", "bvNone"}}, {},
        {Control("TPanel", "sPanel10", {{"Align", "alBottom"}, {"Height", "30"}, {"BevelOuter", "bvNone"}},
                 {{"OnMouseMove", "sPanel10MouseMove"}},
                 {documentButton("sBitBtnPreviewPrev", "Previous document", 2), PageImage("ImagePDFFirstPage", 108, false),
                  PageImage("ImagePDFPrevPage", 126, false),
                  Control("TEdit", "sDecimalSpinEditPDFPager",
                          {{"Left", "144"}, {"Top", "3"}, {"Width", "44"}, {"Caption", "1"}, {"Enabled", "False"}},
                          {{"OnChange", "sDecimalSpinEditPDFPagerChange"}}),
                  Control("TUpDown", "sDecimalSpinEditPDFPagerArrows",
                          {{"Left", "188"}, {"Top", "3"}, {"Width", "16"}, {"Height", "22"}, {"Min", "-1"}, {"Max", "1"},
                           {"Enabled", "False"}}),
                  PageImage("ImagePDFNextPage", 208, false), PageImage("ImagePDFLastPage", 226, false),
                  documentButton("sBitBtnPreviewNext", "Next document", 244),
                  PageImage("ImagePDFFirstPageBorder", 108, true), PageImage("ImagePDFPrevPageBorder", 126, true),
                  PageImage("ImagePDFNextPagebBorder", 208, true), PageImage("ImagePDFLastPageBorder", 226, true),
                  Control("TLabel", "sLabelZoom", {{"Left", "352"}, {"Top", "8"}, {"Caption", "Zoom: "}, {"Visible", "False"}})}),
         Control("TPanel", "sPanelContent", {{"Align", "alClient"}, {"BevelOuter", "bvLowered"}, {"Caption", ""}}, {}, {image})});
}

}  // namespace

void RegisterMainFormClasses() {
    RegisterImageViewClasses();
    RegisterComponentClass<TListView>("TListView");
    RegisterComponentClass<TStatusBar>("TStatusBar");
    RegisterComponentClass<TUpDown>("TUpDown");
}

TComponentDescription MainFormDescription() {
    return Control(
        "TMainForm", "MainForm",
        {{"Caption", "Parchwise"}, {"Width", "952"}, {"Height", "656"}, {"Position", "poDesktopCenter"}, {"ShowHint", "True"},
         {"KeyPreview", "True"}},
        {{"OnCreate", "FormCreate"}, {"OnDestroy", "FormDestroy"}, {"OnCloseQuery", "FormCloseQuery"}, {"OnResize", "ResizeMainForm"}},
        {Control("TPanel", "sPageControl", {{"Align", "alTop"}, {"Height", "90"}, {"BevelOuter", "bvNone"}}, {},
                 {Button("sBitBtnMenu", "Menu", 8, "sBitBtnMenuClick"), Button("sBitBtnAddPDF", "Add PDF", 108, "sBitBtnAddPDFClick"),
                  Button("sBitBtnAddFolder", "Add Folder", 204, "sBitBtnAddFolderClick"),
                  Button("sBitBtnRemove", "Remove", 300, "sBitBtnRemoveClick"), Button("sBitBtnClear", "Clear", 396, "sBitBtnClearClick"),
                  Button("sBitBtnHelp", "Help", 492, "OpenWebsite"), Button("sBitBtnAbout", "About", 588, "sBitBtnAboutClick")}),
         OptionPanel(), PreviewPanel(),
         Control("TStatusBar", "sStatusBar1", {{"Top", "600"}, {"Align", "alBottom"}, {"Height", "24"}}, {},
                 {Control("TPanel", "sGaugeProcess", {{"Left", "2"}, {"Top", "3"}, {"Width", "290"}, {"Height", "18"}, {"BevelOuter", "bvLowered"}}),
                  Label("sLabelFXProcessing", "Processing:", 300, 5), Label("sLabelFXCurrentPDF", "", 370, 5),
                  Control("TLabel", "sLabelFXWebpage", {{"Left", "860"}, {"Top", "5"}, {"Cursor", "-21"}}, {{"OnClick", "OpenWebsite"}})}),
         Control("TPanel", "sPanel1", {{"Align", "alClient"}, {"BevelOuter", "bvNone"}}, {},
                 {Control("TPanel", "sPanel8", {{"Align", "alBottom"}, {"Height", "30"}, {"BevelOuter", "bvNone"}}, {},
                          {ListButton("sButtonSelectAll", "Select all", 4, 76, "Select all PDFs", "sButtonSelectAllClick"),
                           ListButton("sButtonDeselectAll", "Deselect all", 84, 84, "Deselect all PDFs", "sButtonDeselectAllClick"),
                           ListButton("sButtonInverseSelection", "Inverse selections", 172, 116, "", "sButtonInverseSelectionClick"),
                           Control("TLabel", "sLabelListInfo",
                                   {{"Top", "8"}, {"Caption", "0 / 0"}, {"Hint", "Selected / All PDF files"}, {"ShowHint", "True"}})}),
                  Control("TListView", "sListViewPDF",
                          {{"Align", "alClient"}, {"ViewStyle", "vsReport"}, {"Checkboxes", "True"}, {"RowSelect", "True"},
                           {"ReadOnly", "True"}, {"ColumnClick", "False"}, {"Color", "clWhite"}},
                          {{"OnClick", "sListViewPDFClick"}})})});
}

}  // namespace parch
