// Extraction runs of Parchdesk against Parchcli: for each set of options the files the window's
// run writes are byte for byte those of Parchcli with the equivalent command line, run from
// the same program folder. Then progress, pictures, Stop, "Stop on error" and clean-up, with
// fake engines where an engine has to fail or hang.

#include "base/SysUtils.h"
#include "framework/Menus.h"
#include "platform/os/Process.h"
#include "tests/app/DesktopFixture.h"

#include <sys/stat.h>

#include <fstream>
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


// Runs over fake engines: each document's text engine, the image engine real.
class RunBehaviourTest : public RunFixture {
protected:
    void InstallEngine(const std::string& name, const std::string& body) const {
        fs::permissions(program.Write(name, "#!/bin/sh\n" + body + "\n"), fs::perms::owner_all);
    }
    // Copies of the sample, each a document of the list.
    std::vector<std::string> Inputs(int count) const {
        std::vector<std::string> paths;
        for (int i = 1; i <= count; ++i) {
            paths.push_back(docs.Path() + "doc" + std::to_string(i) + ".pdf");
            fs::copy_file(input, paths.back());
        }
        return paths;
    }
    void AddAll(TMainForm& form, const std::vector<std::string>& paths) {
        prompts.FilesToChoose = paths;
        form.sBitBtnAddPDFClick(&form);
        ASSERT_TRUE(WaitIdle(form));
        ASSERT_EQ(form.sListViewPDF->Items().Count(), static_cast<int>(paths.size()));
    }
    // An opener that records what it was handed.
    std::string InstallOpener() const {
        const std::string record = docs.Path() + "opened.txt";
        const std::string opener = docs.Path() + "opener.sh";
        docs.Write("opener.sh",
                      "#!/bin/sh\necho \"$@\" > '" + record + ".tmp'; mv '" + record + ".tmp' '" + record + "'\n");
        fs::permissions(opener, fs::perms::owner_all);
        ::setenv("PARCH_SHELL_OPEN", opener.c_str(), 1);
        return record;
    }
    void TearDown() override {
        ::unsetenv("PARCH_SHELL_OPEN");
        RunFixture::TearDown();
    }
};

TEST_F(RunBehaviourTest, FailedTextPassKeepsTheCheckAndTheFailedPicture) {
    InstallEngine("textract.bin", "echo 'Syntax Error: damaged'; exit 1");
    RunDesktop([&](TMainForm& form) {
        AddAll(form, Inputs(3));
        form.sFilenameEditOutput->SetText(docs.Path() + "out");
        Start(form);
        EXPECT_EQ(form.sGaugeProcess->MaxValue(), 6);
        for (int i = 0; i < 3; ++i) {
            // The image pass succeeded, the text pass failed: the document counts as failed.
            EXPECT_EQ(Row(form, i)[5], "picture 6") << i;
            EXPECT_EQ(Row(form, i)[6], "checked") << i;
        }
        EXPECT_TRUE(prompts.Messages.empty());
        EXPECT_TRUE(fs::exists(docs.Path() + "out/doc1-1.jpg") || fs::exists(docs.Path() + "out/doc1-1.bmp"));
    });
    ExpectNothingLeftInTemp();
}

TEST_F(RunBehaviourTest, StopOnErrorShowsTheOutputAndEndsTheRun) {
    InstallEngine("textract.bin", "echo 'Syntax Error: damaged'; exit 1");
    const std::string record = InstallOpener();
    RunDesktop([&](TMainForm& form) {
        const std::vector<std::string> paths = Inputs(2);
        AddAll(form, paths);
        form.sFilenameEditOutput->SetText(docs.Path() + "out");
        form.Stoponerror1Click(&form);
        Start(form);
        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Type, mtError);
        EXPECT_EQ(prompts.Messages[0].Text.rfind(paths[0] + "\r\n\r\nSyntax Error: damaged", 0), 0u) << prompts.Messages[0].Text;
        EXPECT_EQ(Row(form, 0)[5], "picture 6");
        EXPECT_EQ(Row(form, 1)[5], "picture 0");
        EXPECT_EQ(Row(form, 1)[6], "checked");
    });
    EXPECT_FALSE(fs::exists(record)) << "the output folder was opened after a failed run";
    ExpectNothingLeftInTemp();
}

TEST_F(RunBehaviourTest, SuccessfulRunHandsTheOutputFolderToTheOpener) {
    const std::string record = InstallOpener();
    RunDesktop([&](TMainForm& form) {
        AddAll(form, Inputs(1));
        form.sFilenameEditOutput->SetText(docs.Path() + "out");
        Start(form);
        EXPECT_EQ(Row(form, 0)[5], "picture 4");
        EXPECT_TRUE(PumpUntil([&] { return fs::exists(record); }));
    });
    EXPECT_EQ(ReadFileBytes(record, 4096).value_or(""), docs.Path() + "out\n");
}

TEST_F(RunBehaviourTest, OutputFolderThatCannotBeMadeFailsEveryPass) {
    RunDesktop([&](TMainForm& form) {
        AddAll(form, Inputs(1));
        form.sFilenameEditOutput->SetText("/proc/parch-no-such/out");
        Start(form);
        EXPECT_EQ(Row(form, 0)[5], "picture 6");
        EXPECT_EQ(Row(form, 0)[6], "checked");
    });
    ExpectNothingLeftInTemp();
}

TEST_F(RunBehaviourTest, StopFinishesTheCurrentEngineRunAndLeavesTheRestUntouched) {
    const std::string started = docs.Path() + "started";
    const std::string release = docs.Path() + "release";
    InstallEngine("textract.bin", "touch '" + started + "'; while [ ! -e '" + release + "' ]; do sleep 0.02; done; exit 0");
    const std::string record = InstallOpener();
    RunDesktop([&](TMainForm& form) {
        AddAll(form, Inputs(4));
        form.sFilenameEditOutput->SetText(docs.Path() + "out");
        form.sBitBtnStartClick(&form);
        ASSERT_TRUE(PumpUntil([&] { return fs::exists(started); }));
        prompts.Answers = {mrYes};
        form.sBitBtnStartClick(&form);
        ASSERT_EQ(prompts.Messages.size(), 2u);
        EXPECT_EQ(prompts.Messages[0].Text, "Are you sure you want to cancel the extraction?");
        EXPECT_EQ(prompts.Messages[1].Text, "Process will terminated after the current document extraction!");
        docs.Write("release", "");
        ASSERT_TRUE(WaitIdle(form));
        EXPECT_EQ(Row(form, 0)[5], "picture 4");
        for (int i = 1; i < 4; ++i) EXPECT_EQ(Row(form, i)[5], "picture 0") << i;
        EXPECT_EQ(form.sBitBtnStart->Caption(), "Start");
        EXPECT_TRUE(form.sListViewPDF->Enabled());
    });
    EXPECT_FALSE(fs::exists(record));
    ExpectNothingLeftInTemp();
}

TEST_F(RunBehaviourTest, ClosingDuringARunAsksAndWaitsForTheWorker) {
    const std::string started = docs.Path() + "started";
    const std::string release = docs.Path() + "release";
    InstallEngine("textract.bin", "touch '" + started + "'; while [ ! -e '" + release + "' ]; do sleep 0.02; done; exit 0");
    RunDesktop([&](TMainForm& form) {
        AddAll(form, Inputs(2));
        form.sBitBtnStartClick(&form);
        ASSERT_TRUE(PumpUntil([&] { return fs::exists(started); }));
        prompts.Answers = {mrNo};
        form.Close();
        EXPECT_TRUE(form.Visible()) << "No keeps the window";
        EXPECT_TRUE(form.Shared().IsExtracting);
        prompts.Answers = {mrYes};
        // The engine run in progress ends while the window waits for the worker.
        prompts.DuringMessage = [&] { std::ofstream(release).put('x'); };
    });
    ExpectNothingLeftInTemp();
}

TEST_F(RunBehaviourTest, PasswordWithBlanksOpensAndExtractsAsTyped) {
    const std::string locked = docs.Path() + "locked.pdf";
    ASSERT_EQ(RunProcessCaptured({"qpdf", "--encrypt", " pw ", " pw ", "256", "--", input, locked}, docs.Path()).ExitCode, 0);
    prompts.Passwords = {std::string(" pw ")};
    RunDesktop([&](TMainForm& form) {
        AddAll(form, {locked});
        EXPECT_EQ(Row(form, 0)[4], " pw ");
        form.sFilenameEditOutput->SetText(docs.Path() + "out");
        Start(form);
        EXPECT_EQ(Row(form, 0)[5], "picture 5");
        EXPECT_EQ(Row(form, 0)[6], "unchecked");
    });
    EXPECT_TRUE(fs::exists(docs.Path() + "out/locked.txt"));
}

TEST_F(RunBehaviourTest, OutputNamingAFileIsReplacedByAFolderOnYesOnly) {
    const std::string target = docs.Path() + "target";
    RunDesktop([&](TMainForm& form) {
        AddAll(form, Inputs(1));
        docs.Write("target", "a file");
        form.sFilenameEditOutput->SetText(" " + target + " ");
        prompts.Answers = {mrNo};
        form.sBitBtnStartClick(&form);
        ASSERT_TRUE(WaitIdle(form));
        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Text, target + " already exists.\r\nDo you want to replace it?");
        EXPECT_TRUE(fs::is_regular_file(target));
        prompts.Answers = {mrYes};
        Start(form);
        EXPECT_TRUE(fs::is_directory(target));
        EXPECT_EQ(Row(form, 0)[5], "picture 4");
    });
    EXPECT_TRUE(fs::exists(target + "/doc1.txt"));
}


TEST_F(RunBehaviourTest, SecondStopEndsAHungEngineAndThatPassFails) {
    const std::string started = docs.Path() + "started";
    // Ignores SIGTERM, so only the SIGKILL that follows ends it.
    InstallEngine("textract.bin", "trap '' TERM; touch '" + started + "'; while true; do sleep 0.05; done");
    RunDesktop([&](TMainForm& form) {
        AddAll(form, Inputs(2));
        form.sBitBtnStartClick(&form);
        ASSERT_TRUE(PumpUntil([&] { return fs::exists(started); }));
        prompts.Answers = {mrYes, mrYes};
        form.sBitBtnStartClick(&form);
        EXPECT_TRUE(form.Shared().IsExtracting) << "the first Stop waits for the engine";
        form.sBitBtnStartClick(&form);
        ASSERT_TRUE(WaitIdle(form));
        EXPECT_EQ(Row(form, 0)[5], "picture 6");
        EXPECT_EQ(Row(form, 0)[6], "checked");
        EXPECT_EQ(Row(form, 1)[5], "picture 0");
    });
    ExpectNothingLeftInTemp();
}

TEST_F(RunBehaviourTest, ClosingEndsAHungEngine) {
    const std::string started = docs.Path() + "started";
    const std::string pidFile = docs.Path() + "engine.pid";
    InstallEngine("textract.bin", "echo $$ > '" + pidFile + "'; touch '" + started + "'; exec sleep 600");
    RunDesktop([&](TMainForm& form) {
        AddAll(form, Inputs(1));
        form.sBitBtnStartClick(&form);
        ASSERT_TRUE(PumpUntil([&] { return fs::exists(started); }));
        prompts.Answers = {mrYes};
    });
    const std::string pid = Trim(ReadFileBytes(pidFile, 64).value_or(""));
    ASSERT_FALSE(pid.empty());
    EXPECT_FALSE(fs::exists("/proc/" + pid + "/cmdline") && ReadFileBytes("/proc/" + pid + "/cmdline", 4096).value_or("").find("sleep") != std::string::npos)
        << "the engine outlived the window";
    ExpectNothingLeftInTemp();
}

}  // namespace
}  // namespace parch
