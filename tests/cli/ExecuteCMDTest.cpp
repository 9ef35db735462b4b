#include "cli/ExecuteCMD.h"

#include "tests/cli/FakeProgramFolder.h"

#include <gtest/gtest.h>

namespace parch {
namespace {

TEST(ExecuteCMDTest, RunsFromTheWorkingFolderWithoutAShell) {
    const test::FakeProgramFolder program;
    program.AddScript("engine.bin", "printf '%s|' \"$@\"; echo; echo warning >&2");
    std::string output = "stale";
    RunCommandCaptured("engine.bin -upw \"my pass\" \"$(touch pwned)\" a;b", program.Path(), output);
    EXPECT_EQ(output, "-upw|my pass|$(touch pwned)|a;b|\nwarning\n");
    EXPECT_FALSE(std::filesystem::exists(program.Path() + "pwned"));

    RunCommandCaptured(std::vector<std::string>{"engine.bin", "a b", "*"}, program.Path(), output);
    EXPECT_EQ(output, "a b|*|\nwarning\n");

    program.AddScript("quiet.bin", "exit 0");
    RunCommandCaptured("quiet.bin", program.Path(), output);
    EXPECT_EQ(output, "");
}

TEST(ExecuteCMDTest, AFailureToStartOrASilentCrashIsNeverAnEmptyOutput) {
    const test::FakeProgramFolder program;
    program.AddScript("crash.bin", "kill -SEGV $$");
    program.AddScript("fails.bin", "exit 3");
    struct Case { std::string command, folder, expected; };
    const Case cases[] = {
        {"textract.bin -layout x.pdf", program.Path(), "textract.bin"},
        {"crash.bin", program.Path(), "signal 11"},
        {"fails.bin", program.Path(), "exit code 3"},
        {"crash.bin", program.Path() + "gone/", "gone"},
        {"", program.Path(), "No program"},
    };
    for (const Case& c : cases) {
        std::string output;
        RunCommandCaptured(c.command, c.folder, output);
        EXPECT_NE(output.find(c.expected), std::string::npos) << c.command << ": " << output;
    }
}

}  // namespace
}  // namespace parch
