// Extraction runs of Parchdesk against Parchcli: for each set of options the files the window's
// run writes are byte for byte those of Parchcli with the equivalent command line, run from
// the same program folder. Then progress, pictures, Stop, "Stop on error" and clean-up, with
// fake engines where an engine has to fail or hang.

#include "framework/Menus.h"
#include "platform/os/Process.h"
#include "tests/app/DesktopFixture.h"

#include <sys/stat.h>

#include <map>

namespace parch {
namespace {

namespace fs = std::filesystem;
using test::DesktopFixture;

using FileTree = std::map<std::string, std::string>;

FileTree ReadTree(const std::string& folder) {
    FileTree tree;
    if (!fs::exists(folder)) return tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            tree[fs::relative(entry.path(), folder).string()] = ReadFileBytes(entry.path().string(), 1 << 26).value_or("?");
    return tree;
}

std::vector<std::string> Names(const FileTree& tree) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : tree) names.push_back(name);
    return names;
}

class RunFixture : public DesktopFixture {
protected:
    void SetUp() override {
        DesktopFixture::SetUp();
        fs::copy_file(std::string(PARCH_PROGRAM_DIR) + "Parchcli", program.Path() + "Parchcli");
        fs::copy_file(std::string(PARCH_SOURCE_DIR) + "/samples/sample.pdf", docs.Path() + "sample.pdf");
        input = docs.Path() + "sample.pdf";
    }

    void AddInput(TMainForm& form) {
        prompts.FilesToChoose = {input};
        form.sBitBtnAddPDFClick(&form);
        ASSERT_TRUE(WaitIdle(form));
        ASSERT_EQ(form.sListViewPDF->Items().Count(), 1);
    }

    void Start(TMainForm& form) {
        form.sBitBtnStartClick(&form);
        ASSERT_TRUE(WaitIdle(form));
    }

    ProcessResult Parchcli(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), program.Path() + "Parchcli");
        return RunProcessCaptured(arguments, docs.Path());
    }

    void ExpectNothingLeftInTemp() const {
        const std::string temp = program.Path() + "Temp";
        EXPECT_TRUE(!fs::exists(temp) || fs::is_empty(temp)) << "scratch files left behind";
        EXPECT_FALSE(fs::exists(program.Path() + "textract.bin"));
        EXPECT_FALSE(fs::exists(program.Path() + "iextract.bin"));
    }

    std::string input;
};

// The window's options for one case; each field left at its default means the form default.
struct OptionCase {
    const char* Name;
    bool Text;  // the text pass, else the image pass
    std::function<void(TMainForm&)> Set;
    std::vector<std::string> CliOptions;
    std::string Range;
};

class RunMatchesParchcliTest : public RunFixture, public ::testing::WithParamInterface<OptionCase> {};

void SetCombo(TComboBox* box, const std::string& text) {
    box->SetText(text);
    if (box->OnChange) box->OnChange(box);
}

TEST_P(RunMatchesParchcliTest, WritesTheSameFiles) {
    const OptionCase& c = GetParam();
    const std::string desk = docs.Path() + "desk";
    const std::string cli = docs.Path() + "cli";
    RunDesktop([&](TMainForm& form) {
        AddInput(form);
        form.sListViewPDF->Items()[0]->SubItems().SetStrings(2, c.Range);
        form.sFilenameEditOutput->SetText(desk);
        (c.Text ? form.sCheckBoxImagesEnabled : form.sCheckBoxTextEnabled)->SetChecked(false);
        if (c.Set) c.Set(form);
        Start(form);
        EXPECT_EQ(prompts.Messages.size(), 0u) << prompts.Messages.front().Text;
        EXPECT_EQ(Row(form, 0)[5], "picture 4");
        EXPECT_EQ(Row(form, 0)[6], "unchecked");
    });
    std::vector<std::string> arguments = {"-inp", "sample.pdf", c.Text ? "-etx" : "-eim", "-out", cli};
    arguments.insert(arguments.end(), c.CliOptions.begin(), c.CliOptions.end());
    if (!c.Range.empty()) arguments.insert(arguments.end(), {"-rng", c.Range});
    const ProcessResult reference = Parchcli(arguments);
    ASSERT_EQ(reference.ExitCode, 0) << reference.Output;
    const FileTree expected = ReadTree(cli);
    ASSERT_FALSE(expected.empty());
    const FileTree written = ReadTree(desk);
    EXPECT_EQ(Names(written), Names(expected));
    EXPECT_TRUE(written == expected) << "same names, different bytes";
    ExpectNothingLeftInTemp();
}

const OptionCase kOptionCases[] = {
    {"TextLayout", true, nullptr, {}, ""},
    {"TextRawNoBreaks", true,
     [](TMainForm& f) {
         SetCombo(f.sComboBoxTextFormat, "Raw");
         f.sCheckBoxTextPageBreaks->SetChecked(false);
     },
     {"-raw", "-nbr"}, ""},
    {"TextPerPageRange", true, [](TMainForm& f) { f.sCheckBoxSeparatePages->SetChecked(true); }, {"-spa"}, "2-3"},
    {"TextOpenRange", true, nullptr, {}, "2-"},
    {"TextPrefixWithBlanks", true, [](TMainForm& f) { f.sEditOutputPrefix->SetText("  out  "); }, {"-pre", "out"}, ""},
    {"TextSubfolder", true, [](TMainForm& f) { f.sCheckBoxCreateSubfolders->SetChecked(true); }, {"-sub"}, ""},
    {"ImagesOriginal", false, nullptr, {}, ""},
    {"ImagesBmp", false, [](TMainForm& f) { SetCombo(f.sComboBoxImageFormat, "BMP"); }, {"-imf", "bmp"}, ""},
    {"ImagesJpeg", false, [](TMainForm& f) { SetCombo(f.sComboBoxImageFormat, "JPEG"); }, {"-imf", "jpg"}, ""},
    {"ImagesJpeg2000", false, [](TMainForm& f) { SetCombo(f.sComboBoxImageFormat, "JPEG-2000"); }, {"-imf", "jp2"}, ""},
    {"ImagesPng", false, [](TMainForm& f) { SetCombo(f.sComboBoxImageFormat, "PNG"); }, {"-imf", "png"}, ""},
    {"ImagesTiff", false, [](TMainForm& f) { SetCombo(f.sComboBoxImageFormat, "TIFF"); }, {"-imf", "tiff"}, ""},
    {"ImagesSmallerThan", false,
     [](TMainForm& f) {
         SetCombo(f.sComboBoxSizeFilter, "Smaller than");
         f.sDecimalSpinEditSizeFilter->SetText("40");
     },
     {"-fil", "st", "40"}, ""},
    {"ImagesLargerThan", false,
     [](TMainForm& f) {
         SetCombo(f.sComboBoxSizeFilter, "Larger than");
         f.sDecimalSpinEditSizeFilter->SetText("20");
     },
     {"-fil", "lt", "20"}, ""},
    {"ImagesDpiPerPage", false,
     [](TMainForm& f) {
         SetCombo(f.sComboBoxDPI, "150");
         f.sCheckBoxSeparatePages->SetChecked(true);
     },
     {"-dpi", "150", "-spa"}, "1-2"},
};

INSTANTIATE_TEST_SUITE_P(OptionSets, RunMatchesParchcliTest, ::testing::ValuesIn(kOptionCases),
                         [](const ::testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace parch
