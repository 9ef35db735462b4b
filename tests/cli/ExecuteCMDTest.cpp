#include "cli/EngineVerdict.h"
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

    const ProcessResult run = RunCommandCaptured(std::vector<std::string>{"engine.bin", "a b", "*"}, program.Path());
    EXPECT_EQ(run.Output, "a b|*|\nwarning\n");
    EXPECT_EQ(run.ExitCode, 0);

    program.AddScript("quiet.bin", "exit 0");
    RunCommandCaptured("quiet.bin", program.Path(), output);
    EXPECT_EQ(output, "");
}

TEST(ExecuteCMDTest, TheTextFormNeverGivesAnEmptyTextForAFailure) {
    const test::FakeProgramFolder program;
    program.AddFakeEngines();
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

TEST(EngineVerdictTest, TheExitStatusDecidesAndPrintedTextIsOnlyAWarning) {
    const test::FakeProgramFolder program;
    program.AddFakeEngines();
    using Lines = std::vector<std::string>;
    struct Case { std::string program; bool succeeded; Lines lines; };
    const Case cases[] = {
        {"warns.bin", true, {"Syntax Warning: odd", "Syntax Error: damaged"}},
        {"quiet.bin", true, {}},
        {"fails.bin", false, {"\"fails.bin\" ended with exit code 3"}},
        {"complains.bin", false, {"Syntax Error: damaged", "\"complains.bin\" ended with exit code 1"}},
        {"crash.bin", false, {"\"crash.bin\" was stopped by signal 11"}},
        {"missing.bin", false, {"Couldn't run the command: Program \"missing.bin\" not found"}},
    };
    for (const Case& c : cases) {
        const EngineVerdict verdict = JudgeEngineRun(c.program, RunCommandCaptured({c.program}, program.Path()));
        EXPECT_EQ(verdict.Succeeded, c.succeeded) << c.program;
        EXPECT_EQ(verdict.Lines, c.lines) << c.program;
    }
    EXPECT_EQ(OutputLines("a\r\n\r\n  \nb \n\nc"), (Lines{"a", "b", "c"}));
}

}  // namespace
}  // namespace parch
