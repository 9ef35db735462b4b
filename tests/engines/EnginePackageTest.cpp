// The engine packages of the build's program folder, run from a copy in a folder of their own.

#include "platform/os/Files.h"
#include "platform/os/Process.h"
#include "tests/platform/os/ScratchDir.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

namespace parch {
namespace {

namespace fs = std::filesystem;

// A folder in shared memory, so on another file system than the tools (when /dev/shm exists).
class ShmDir {
public:
    ShmDir() {
        std::string pattern = "/dev/shm/parch-engines-XXXXXX";
        if (::mkdtemp(pattern.data())) path_ = pattern + "/";
    }
    ~ShmDir() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    ShmDir(const ShmDir&) = delete;
    ShmDir& operator=(const ShmDir&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

bool SameFileSystem(const std::string& a, const std::string& b) {
    struct stat first, second;
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev;
}

std::size_t EntriesIn(const std::string& folder) {
    const auto entries = fs::directory_iterator(folder);
    return static_cast<std::size_t>(std::distance(fs::begin(entries), fs::end(entries)));
}

// Each package, run twice (the second run finds its engine there), started from elsewhere.
void ExpectEnginesProducedIn(const std::string& program) {
    struct Case { const char* package; const char* engine; const char* tool; };
    const Case cases[] = {{"textract.dat", "textract.bin", "pdftotext"},
                          {"iextract.dat", "iextract.bin", "pdfimages"},
                          {"pdfi.dat", "pdfi.bin", "pdfinfo"}};
    for (const Case& c : cases) {
        fs::copy_file(std::string(PARCH_PROGRAM_DIR) + c.package, program + c.package);
        for (int run = 0; run < 2; ++run) {
            // Started from elsewhere: the engine still goes beside the package.
            const ProcessResult result = RunProcessCaptured({program + c.package, "-ptelmova"}, "/");
            EXPECT_EQ(result.ExitCode, 0) << result.Output;
        }
        const std::string engine = program + c.engine;
        ASSERT_TRUE(FileExists(engine));
        EXPECT_EQ(ReadFileBytes(engine, 1 << 26), ReadFileBytes(FindProgram(c.tool, "/").value_or(""), 1 << 26));
        const ProcessResult usage = RunProcessCaptured({c.engine, "-v"}, program);
        EXPECT_NE(usage.Output.find(c.tool), std::string::npos) << usage.Output;
    }
    // Nothing but packages and engines: no temporary name is left.
    EXPECT_EQ(EntriesIn(program), 6u);
}

TEST(EnginePackageTest, EachPackageProducesItsEngineBesideItself) {
    const test::ScratchDir program;
    ExpectEnginesProducedIn(program.Path());
}

TEST(EnginePackageTest, AnEngineIsCopiedWhereItCannotBeLinked) {
    const ShmDir program;
    const std::string tool = FindProgram("pdfinfo", "/").value_or("");
    if (program.Path().empty() || SameFileSystem(program.Path(), tool))
        GTEST_SKIP() << "no folder on another file system than " << tool;
    ExpectEnginesProducedIn(program.Path());
}

TEST(EnginePackageTest, AnythingButThePackageSwitchIsRefused) {
    const test::ScratchDir program;
    fs::copy_file(std::string(PARCH_PROGRAM_DIR) + "pdfi.dat", program.Path() + "pdfi.dat");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"pdfi.dat"}, {"pdfi.dat", "-x"}, {"pdfi.dat", "-ptelmova", "more"}}) {
        const ProcessResult run = RunProcessCaptured(arguments, program.Path());
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_NE(run.Output.find("Usage:"), std::string::npos);
    }
    EXPECT_FALSE(FileExists(program.Path() + "pdfi.bin"));
}

TEST(EnginePackageTest, AMissingToolIsReportedAndNothingIsLeft) {
    const test::ScratchDir program;
    fs::copy_file(std::string(PARCH_PROGRAM_DIR) + "pdfi.dat", program.Path() + "pdfi.dat");
    const ProcessResult run = RunProcessCaptured({"env", "PATH=" + program.Path(), program.Path() + "pdfi.dat", "-ptelmova"}, "/");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Output.find("pdfinfo is not installed"), std::string::npos) << run.Output;
    EXPECT_EQ(EntriesIn(program.Path()), 1u);
}

}  // namespace
}  // namespace parch
