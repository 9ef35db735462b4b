// The program block and the window's life: registry values, one instance per user, what the
// window leaves of other runs when it goes, drops, list files and Stop during a reading.

#include "app/DocumentFiles.h"
#include "cli/EngineSession.h"
#include "cli/ScratchFolder.h"
#include "framework/StdCtrls.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/display/PngFile.h"
#include "platform/win/Compositor.h"
#include "platform/win/FileDrop.h"
#include "platform/win/WinApi.h"
#include "framework/StatusBar.h"
#include "skin/frames/sHintManager.h"
#include "tests/app/DesktopFixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace parch {
namespace {

namespace fs = std::filesystem;
using test::DesktopFixture;

class ProgramTest : public DesktopFixture {
protected:
    std::string Sample(const std::string& as) const {
        fs::copy_file(std::string(PARCH_SOURCE_DIR) + "/samples/sample.pdf", docs.Path() + as);
        return docs.Path() + as;
    }
};

struct HiveCase {
    const char* Name;
    const char* Version;
    const char* Website;
    const char* Missing;
};

class RegistryValuesTest : public ProgramTest, public ::testing::WithParamInterface<HiveCase> {};

TEST_P(RegistryValuesTest, MissingValueIsReportedAndTheProgramEnds) {
    WriteHive(GetParam().Version, GetParam().Website);
    bool loopRan = false;
    RunDesktop([&](TMainForm&) { loopRan = true; });
    EXPECT_FALSE(loopRan);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Type, mtError);
    EXPECT_EQ(prompts.Messages[0].Text, std::string("Could not determinated the application's\r\n") + GetParam().Missing +
                                            "\r\n\r\nPlease re-install this software!\r\n");
}

INSTANTIATE_TEST_SUITE_P(Hives, RegistryValuesTest,
                         ::testing::Values(HiveCase{"NoVersion", "", "http://www.parchwise.test/", "version number!"},
                                           HiveCase{"NoWebsite", "1.0", "", "website!"},
                                           HiveCase{"Neither", "", "", "version number!"}),
                         [](const ::testing::TestParamInfo<HiveCase>& info) { return std::string(info.param.Name); });

TEST_F(ProgramTest, SecondInstanceOnlyWarnsWhileAnotherHoldsTheLock) {
    const std::string lockPath = docs.Path() + "Parchwise.lock";
    const std::string held = docs.Path() + "held";
    const pid_t holder = ::fork();
    if (holder == 0) {
        // The child itself holds the lock, so it ends with the child.
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT, 0600);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
        ::close(::open(held.c_str(), O_WRONLY | O_CREAT, 0600));
        for (;;) ::pause();
    }
    // No application exists yet: wait for the holder without serving a message loop.
    const auto giveUp = std::chrono::steady_clock::now() + test::kGenerousBound;
    while (!fs::exists(held) && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!fs::exists(held)) {
        ::kill(holder, SIGKILL);
        ::waitpid(holder, nullptr, 0);
        FAIL() << "the lock holder did not start";
    }
    bool loopRan = false;
    // The warning is a modal message box, which needs the application to exist.
    bool applicationDuringWarning = false;
    prompts.DuringMessage = [&] { applicationDuringWarning = Application != nullptr; };
    RunDesktop([&](TMainForm&) { loopRan = true; }, lockPath);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_FALSE(loopRan);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, "An instance of Parchwise is already running!");
    EXPECT_TRUE(applicationDuringWarning);
    // Once the other instance is gone, the program starts.
    RunDesktop([&](TMainForm&) { loopRan = true; }, lockPath);
    EXPECT_TRUE(loopRan);
}

// The options' hints carry markup: the hint manager lays them out as the program describes it,
// instead of the markup showing as text or being thrown away.
TEST_F(ProgramTest, OptionHintsAreLaidOutByTheHintManager) {
    RunDesktop([&](TMainForm& form) {
        TsHintManager* manager = TsHintManager::Current();
        ASSERT_TRUE(manager);
        EXPECT_EQ(manager->Owner(), &form);
        EXPECT_TRUE(manager->HTMLMode);
        EXPECT_EQ(manager->PauseHide(), 15000);
        EXPECT_EQ(manager->HintKind().MaxWidth, 501);

        auto* button = dynamic_cast<TControl*>(form.FindComponent("sSpeedButtonOpenFolder"));
        ASSERT_TRUE(button);
        const POINT over = button->ClientToScreen({10, 10});
        display.MoveMouse(over.x, over.y);
        Pump();
        display.AdvanceTime(static_cast<std::uint64_t>(Application->HintPause) + 10);
        HWND hint = nullptr;
        ASSERT_TRUE(PumpUntil([&] {
            hint = FindWindow("TsSimplyHintWindow", nullptr);
            return hint && IsWindowVisible(hint);
        }));
        char text[128] = {};
        GetWindowText(hint, text, sizeof text);
        EXPECT_STREQ(text, "Open output folder after extraction<br>Status: <b>on</b>");
        // Two lines of laid-out text: taller than one line, narrower than the markup would be.
        RECT r;
        GetWindowRect(hint, &r);
        EXPECT_GT(r.bottom - r.top, 2 * 13);
        EXPECT_LE(r.right - r.left, 501);
        // The body has the hint colour of the rectangle style, not the black of no colour.
        HDC screen = GetDC(nullptr);
        const COLORREF body = GetPixel(screen, r.left + 4, r.bottom - 4);
        ReleaseDC(nullptr, screen);
        EXPECT_EQ(body, static_cast<COLORREF>(ColorToRGB(clInfoBk)));
    });
}

TEST_F(ProgramTest, LockFileThatCannotBeMadeDoesNotStopTheProgram) {
    bool loopRan = false;
    RunDesktop([&](TMainForm&) { loopRan = true; }, "/proc/parch-no-such/Parchwise.lock");
    EXPECT_TRUE(loopRan);
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(ProgramTest, ClosingLeavesAnotherRunsEnginesAndScratchFilesAlone) {
    // Another run (of either program) is using the engines and its scratch folder.
    EngineSession otherRun(program.Path());
    const ScratchFolder otherScratch(program.Path());
    program.Write("textract.bin", "#!/bin/sh\n");
    const std::string image = otherScratch.Path() + "tmp-000.ppm";
    std::ofstream(image) << "P3 1 1 255 0 0 0";
    RunDesktop([&](TMainForm&) {});
    EXPECT_TRUE(fs::exists(program.Path() + "textract.bin"));
    EXPECT_TRUE(fs::exists(image));
}

TEST_F(ProgramTest, WebLabelKeepsItsPlaceAtTheRightWhenTheWindowWidens) {
    RunDesktop([&](TMainForm& form) {
        EXPECT_EQ(form.sLabelFXWebpage->Caption(), "www.parchwise.test");
        for (const int width : {952, 1200}) {
            form.SetWidth(width);
            Pump();
            EXPECT_EQ(form.sLabelFXWebpage->Left() + form.sLabelFXWebpage->Width(), width - 25) << width;
            EXPECT_EQ(form.sStatusBar1->Panels().Items(1)->Width(), width - (295 + form.sLabelFXWebpage->Width()) - 38);
        }
    });
}

TEST_F(ProgramTest, DroppedNamesAreTakenWholeAndFoldersScanned) {
    // A path far beyond 511 characters, in folders of legal length.
    std::string deep = docs.Path();
    for (int i = 0; i < 4; ++i) {
        deep += std::string(200, static_cast<char>('a' + i)) + "/";
        fs::create_directory(deep);
    }
    fs::copy_file(Sample("plain.pdf"), deep + "long.pdf");
    fs::create_directory(docs.Path() + "empty");
    RunDesktop([&](TMainForm& form) {
        RECT r;
        GetWindowRect(form.sListViewPDF->Handle(), &r);
        ASSERT_TRUE(win::DropFiles({r.left + 20, r.top + 40}, {deep + "long.pdf", docs.Path() + "empty", docs.Path() + "x.txt"}));
        ASSERT_TRUE(PumpUntil([&] { return form.Shared().Reading && form.Shared().Reading.Finished(); }));
        ASSERT_TRUE(WaitIdle(form));
        EXPECT_EQ(Captions(form), std::vector<std::string>{deep + "long.pdf"});
        EXPECT_TRUE(prompts.Messages.empty());
        ASSERT_TRUE(win::DropFiles({r.left + 20, r.top + 40}, {docs.Path() + "empty"}));
        Pump();
        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Text, "Could not found PDF files!");
    });
}

TEST_F(ProgramTest, ListFileLinesAreTakenAgainstTheListFilesFolder) {
    const std::string doc = Sample("plain.pdf");
    fs::create_directory(docs.Path() + "lists");
    const std::string list = docs.Write("lists/docs.lst", "../plain.pdf\r\n\r\nnotes.txt\r\n" + doc + "\n");
    RunDesktop([&](TMainForm& form) {
        prompts.FilesToChoose = {list};
        form.Openlist1Click(&form);
        ASSERT_TRUE(WaitIdle(form));
        EXPECT_EQ(Captions(form), (std::vector<std::string>{docs.Path() + "lists/../plain.pdf", doc}));
        EXPECT_TRUE(prompts.Messages.empty());
        const std::string saved = docs.Path() + "saved.lst";
        prompts.FilesToChoose = {saved};
        form.Savelist1Click(&form);
        EXPECT_EQ(ReadFileBytes(saved, 4096).value_or(""), docs.Path() + "lists/../plain.pdf\r\n" + doc + "\r\n");
    });
}

TEST_F(ProgramTest, StopDuringAReadingKeepsWhatWasRead) {
    std::vector<std::string> paths;
    for (int i = 0; i < 10; ++i) paths.push_back(Sample("doc" + std::to_string(i) + ".pdf"));
    RunDesktop([&](TMainForm& form) {
        // The stop comes while the first document's damaged-file warning is up.
        paths.insert(paths.begin() + 2, docs.Write("broken.pdf", "not a pdf"));
        prompts.DuringMessage = [&] { form.sBitBtnStartClick(&form); };
        prompts.FilesToChoose = paths;
        form.sBitBtnAddPDFClick(&form);
        ASSERT_TRUE(WaitIdle(form));
        EXPECT_EQ(Captions(form), (std::vector<std::string>{paths[0], paths[1]}));
        EXPECT_EQ(form.sBitBtnStart->Caption(), "Start");
        EXPECT_TRUE(form.sBitBtnAddPDF->Enabled());
        EXPECT_FALSE(form.Shared().IsReading);
    });
}

// The window as a user sees it, written for a look: build/default/test-data/parchdesk.png.
TEST_F(ProgramTest, WindowPicture) {
    RunDesktop([&](TMainForm& form) {
        prompts.FilesToChoose = {Sample("report.pdf"), Sample("letter.pdf"), Sample("notes.pdf")};
        form.sBitBtnAddPDFClick(&form);
        ASSERT_TRUE(WaitIdle(form));
        form.SetItemStatus(0, 4, true);
        form.SetItemStatus(1, 7, false);
        Pump();
        const HBITMAP picture = CaptureWindow(form.Handle());
        fs::create_directories(std::string(PARCH_BINARY_DIR) + "/test-data");
        EXPECT_TRUE(SavePng(picture, std::string(PARCH_BINARY_DIR) + "/test-data/parchdesk.png"));
        DeleteObject(picture);
    });
}

}  // namespace
}  // namespace parch
