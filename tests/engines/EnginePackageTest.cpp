// The engine packages of the build's program folder, run from a copy in a folder of their own.

#include "platform/os/Files.h"
#include "platform/os/Process.h"
#include "tests/platform/os/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace parch {
namespace {

TEST(EnginePackageTest, EachPackageProducesItsEngineBesideItself) {
    const test::ScratchDir program;
    struct Case { const char* package; const char* engine; const char* tool; };
    const Case cases[] = {{"textract.dat", "textract.bin", "pdftotext"},
                          {"iextract.dat", "iextract.bin", "pdfimages"},
                          {"pdfi.dat", "pdfi.bin", "pdfinfo"}};
    for (const Case& c : cases) {
        std::filesystem::copy_file(std::string(PARCH_PROGRAM_DIR) + c.package, program.Path() + c.package);
        // Started from elsewhere: the engine still goes beside the package.
        const ProcessResult run = RunProcessCaptured({program.Path() + c.package, "-ptelmova"}, "/");
        EXPECT_EQ(run.ExitCode, 0) << run.Output;
        const std::string engine = program.Path() + c.engine;
        ASSERT_TRUE(FileExists(engine));
        EXPECT_EQ(ReadFileBytes(engine, 1 << 26), ReadFileBytes(FindProgram(c.tool, "/").value_or(""), 1 << 26));
        const ProcessResult usage = RunProcessCaptured({c.engine, "-v"}, program.Path());
        EXPECT_NE(usage.Output.find(c.tool), std::string::npos) << usage.Output;
    }
    // Nothing but packages and engines: the temporary (hidden) names were renamed.
    const auto entries = std::filesystem::directory_iterator(program.Path());
    EXPECT_EQ(std::distance(std::filesystem::begin(entries), std::filesystem::end(entries)), 6);
}

TEST(EnginePackageTest, AnythingButThePackageSwitchIsRefused) {
    const test::ScratchDir program;
    std::filesystem::copy_file(std::string(PARCH_PROGRAM_DIR) + "pdfi.dat", program.Path() + "pdfi.dat");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"pdfi.dat"}, {"pdfi.dat", "-x"}, {"pdfi.dat", "-ptelmova", "more"}}) {
        const ProcessResult run = RunProcessCaptured(arguments, program.Path());
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_NE(run.Output.find("Usage:"), std::string::npos);
    }
    EXPECT_FALSE(FileExists(program.Path() + "pdfi.bin"));
}

}  // namespace
}  // namespace parch
