#include "app/MainFormDescription.h"

#include "framework/ListView.h"
#include "framework/StatusBar.h"

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

}  // namespace

void RegisterMainFormClasses() {
    RegisterComponentClass<TListView>("TListView");
    RegisterComponentClass<TStatusBar>("TStatusBar");
}

TComponentDescription MainFormDescription() {
    return Control(
        "TMainForm", "MainForm",
        {{"Caption", "Parchwise"}, {"Width", "952"}, {"Height", "656"}, {"Position", "poDesktopCenter"}, {"ShowHint", "True"}},
        {{"OnCreate", "FormCreate"}, {"OnDestroy", "FormDestroy"}, {"OnCloseQuery", "FormCloseQuery"}, {"OnResize", "ResizeMainForm"}},
        {Control("TPanel", "sPageControl", {{"Align", "alTop"}, {"Height", "90"}, {"BevelOuter", "bvNone"}}, {},
                 {Button("sBitBtnMenu", "Menu", 8, "sBitBtnMenuClick"), Button("sBitBtnAddPDF", "Add PDF", 108, "sBitBtnAddPDFClick"),
                  Button("sBitBtnAddFolder", "Add Folder", 204, "sBitBtnAddFolderClick")}),
         OptionPanel(),
         Control("TStatusBar", "sStatusBar1", {{"Top", "600"}, {"Align", "alBottom"}, {"Height", "24"}}, {},
                 {Control("TPanel", "sGaugeProcess", {{"Left", "2"}, {"Top", "3"}, {"Width", "290"}, {"Height", "18"}, {"BevelOuter", "bvLowered"}}),
                  Label("sLabelFXProcessing", "Processing:", 300, 5), Label("sLabelFXCurrentPDF", "", 370, 5),
                  Label("sLabelFXWebpage", "", 860, 5)}),
         Control("TPanel", "sPanel1", {{"Align", "alClient"}, {"BevelOuter", "bvNone"}}, {},
                 {Control("TPanel", "sPanel8", {{"Align", "alBottom"}, {"Height", "30"}, {"BevelOuter", "bvNone"}}, {},
                          {Control("TLabel", "sLabelListInfo",
                                   {{"Top", "8"}, {"Caption", "0 / 0"}, {"Hint", "Selected / All PDF files"}, {"ShowHint", "True"}})}),
                  Control("TListView", "sListViewPDF",
                          {{"Align", "alClient"}, {"ViewStyle", "vsReport"}, {"Checkboxes", "True"}, {"RowSelect", "True"},
                           {"ReadOnly", "True"}, {"ColumnClick", "False"}, {"Color", "clWhite"}})})});
}

}  // namespace parch
