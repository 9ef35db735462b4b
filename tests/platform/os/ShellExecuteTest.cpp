#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "ShellFixture.h"
#include "platform/os/Files.h"
#include "platform/os/ShellExecute.h"

namespace parch {
namespace {

using test::ScopedEnv;
using test::ScratchDir;
namespace fs = std::filesystem;

// The opener runs detached, so its record is awaited: generously, as it is a process start.
std::optional<std::string> AwaitFile(const std::string& path) {
    for (int i = 0; i < 600; ++i) {
        if (auto text = ReadFileBytes(path, 1 << 20); text && !text->empty()) return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}


class ShellExecuteTest : public ::testing::Test {
protected:
    void SetUp() override {
        recorder_ = dir_.Path() + "record.sh";
        // Writes its arguments, then the descriptors it holds, into files named by the test.
        std::ofstream(recorder_) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > " << dir_.Path()
                                 << "args.tmp\nls /proc/$$/fd > " << dir_.Path() << "fds\nmv " << dir_.Path()
                                 << "args.tmp " << dir_.Path() << "args\n";
        chmod(recorder_.c_str(), 0755);
    }

    ScratchDir dir_;
    std::string recorder_;
};

TEST_F(ShellExecuteTest, RecordingOpenerGetsAnAbsolutePathAndNothingElse) {
    ScopedEnv hook("PARCH_SHELL_OPEN", &recorder_);
    std::string saved = CurrentFolder();
    ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
    dir_.Write("-rf.pdf", "%PDF-1.4\n");
    // A descriptor without close-on-exec must still not reach the opener.
    int leaked = open("/dev/null", O_RDONLY);
    int high = fcntl(leaked, F_DUPFD, 77);
    std::intptr_t result = ShellExecute("open", "-rf.pdf");
    ASSERT_EQ(chdir(saved.c_str()), 0);
    close(leaked);
    close(high);
    EXPECT_GT(result, 32);
    auto args = AwaitFile(dir_.Path() + "args");
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, dir_.Path() + "-rf.pdf\n");
    auto fds = ReadFileBytes(dir_.Path() + "fds", 1 << 20).value_or("");
    std::istringstream list(fds);
    for (std::string fd; std::getline(list, fd);) EXPECT_NE(fd, std::to_string(high)) << fds;
    // Detached: nothing is left for us to reap.
    int status;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(ShellExecuteTest, AddressesPassAndFailuresAreErrorValues) {
    ScopedEnv hook("PARCH_SHELL_OPEN", &recorder_);
    SHELLEXECUTEINFO info;
    info.lpVerb = "open";
    info.lpFile = "mailto:someone@example.org?subject=Parchwise";
    ASSERT_TRUE(ShellExecuteEx(info));
    auto args = AwaitFile(dir_.Path() + "args");
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, "mailto:someone@example.org?subject=Parchwise\n");

    EXPECT_EQ(ShellExecute("open", dir_.Path() + "missing.pdf"), SE_ERR_FNF);
    EXPECT_EQ(ShellExecute("print", recorder_), SE_ERR_NOASSOC);
    EXPECT_EQ(ShellExecute("", ""), SE_ERR_FNF);
    std::string nowhere = dir_.Path() + "no-such-opener";
    ScopedEnv broken("PARCH_SHELL_OPEN", &nowhere);
    EXPECT_LE(ShellExecute("open", recorder_), 32);
}

TEST_F(ShellExecuteTest, AnOpenerInTheCurrentFolderIsNeverRun) {
    std::string saved = CurrentFolder();
    fs::create_directories(dir_.Path() + "empty-bin");
    fs::copy_file(recorder_, dir_.Path() + "xdg-open");
    std::string path = dir_.Path() + "empty-bin";
    ScopedEnv noHook("PARCH_SHELL_OPEN", nullptr), onlyEmpty("PATH", &path);
    ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
    std::intptr_t result = ShellExecute("open", recorder_);
    ASSERT_EQ(chdir(saved.c_str()), 0);
    EXPECT_LE(result, 32);  // the copy in the current folder would have started
}

TEST_F(ShellExecuteTest, RealXdgOpenRunsTheHandlerOfTheTestHome) {
    std::string home = dir_.Path() + "home";
    std::filesystem::create_directories(home + "/.config");
    std::filesystem::create_directories(home + "/.local/share/applications");
    std::ofstream(home + "/.local/share/applications/parch-recorder.desktop")
        << "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" << recorder_
        << " %f\nMimeType=application/pdf;\n";
    std::ofstream(home + "/.config/mimeapps.list") << "[Default Applications]\napplication/pdf=parch-recorder.desktop\n";
    std::string document = test::ShellFixtureFolder() + "doc.pdf";
    std::string display = ":parch";  // xdg-open asks mimeapps.list only with a display named
    ScopedEnv homeEnv("HOME", &home), displayEnv("DISPLAY", &display), noHook("PARCH_SHELL_OPEN", nullptr),
        noDesktop("XDG_CURRENT_DESKTOP", nullptr), noConfig("XDG_CONFIG_HOME", nullptr),
        noData("XDG_DATA_HOME", nullptr), noSession("DESKTOP_SESSION", nullptr);
    ASSERT_GT(ShellExecute("open", document), 32);
    auto args = AwaitFile(dir_.Path() + "args");
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, document + "\n");
}

}  // namespace
}  // namespace parch
