#include "cli/EngineSession.h"

#include "cli/ScratchFolder.h"
#include "base/SysUtils.h"
#include "platform/os/Files.h"
#include "tests/cli/FakeProgramFolder.h"

#include <gtest/gtest.h>

namespace parch {
namespace {

void AddPackages(const test::FakeProgramFolder& program) {
    for (const char* engine : {"pdfi", "textract", "iextract"})
        program.AddScript(std::string(engine) + ".dat",
                          std::string("[ \"$1\" = -ptelmova ] && echo engine > ") + engine + ".bin");
}

TEST(EngineSessionTest, EnginesAreProducedOnDemandAndDeletedByTheLastRunOnly) {
    const test::FakeProgramFolder program;
    AddPackages(program);
    auto first = std::make_unique<EngineSession>(program.Path());
    first->Prepare({"pdfi", "textract"});
    EXPECT_TRUE(FileExists(program.Path() + "pdfi.bin"));
    EXPECT_TRUE(FileExists(program.Path() + "textract.bin"));
    EXPECT_FALSE(FileExists(program.Path() + "iextract.bin"));

    auto second = std::make_unique<EngineSession>(program.Path());
    second->Prepare({"iextract"});
    first.reset();  // another run still uses the engines
    EXPECT_TRUE(FileExists(program.Path() + "pdfi.bin"));
    EXPECT_TRUE(FileExists(program.Path() + "iextract.bin"));
    second->Finish();
    for (const char* engine : {"pdfi.bin", "textract.bin", "iextract.bin"})
        EXPECT_FALSE(FileExists(program.Path() + engine)) << engine;
    EXPECT_TRUE(FileExists(program.Path() + "pdfi.dat"));
}

TEST(EngineSessionTest, PackagesRunSideBySide) {
    // Each package announces itself and then waits (within a generous bound) for the other one:
    // its engine says whether it saw the other package running.
    const test::FakeProgramFolder program;
    for (const auto& [engine, other] : {std::pair{"pdfi", "textract"}, std::pair{"textract", "pdfi"}})
        program.AddScript(std::string(engine) + ".dat",
                          std::string("touch ") + engine + ".running; i=0; while [ ! -e " + other +
                              ".running ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done; "
                              "[ -e " + other + ".running ] && echo together > " + engine + ".bin || echo alone > " +
                              engine + ".bin");
    EngineSession session(program.Path());
    session.Prepare({"pdfi", "textract"});
    for (const char* engine : {"pdfi.bin", "textract.bin"})
        EXPECT_EQ(ReadFileBytes(program.Path() + engine, 100).value_or(""), "together\n") << engine;
}

TEST(EngineSessionTest, AnEngineProducedMeanwhileLetsTheRunGoOn) {
    // The package waits (within a generous bound) for a sign that the run went on meanwhile.
    const test::FakeProgramFolder program;
    program.AddScript("textract.dat",
                      "i=0; while [ ! -e went-on ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done; "
                      "[ -e went-on ] && echo meanwhile > textract.bin || echo blocked > textract.bin");
    EngineSession session(program.Path());
    session.PrepareMeanwhile("textract");
    program.Write("went-on", "");
    session.AwaitPrepared();
    EXPECT_EQ(ReadFileBytes(program.Path() + "textract.bin", 100).value_or(""), "meanwhile\n");
}

TEST(EngineSessionTest, TheEndOfARunWaitsForAPackageStillRunning) {
    // Deleted before its package ended, the engine would reappear and outlive every run.
    const test::FakeProgramFolder program;
    program.AddScript("textract.dat", "sleep 0.3; echo engine > textract.bin");
    {
        EngineSession session(program.Path());
        session.PrepareMeanwhile("textract");
    }
    EXPECT_FALSE(FileExists(program.Path() + "textract.bin"));
}

TEST(EngineSessionTest, AnExistingEngineIsNotProducedAgain) {
    const test::FakeProgramFolder program;
    program.AddScript("pdfi.dat", "echo again > pdfi.bin");
    program.Write("pdfi.bin", "first");
    {
        EngineSession session(program.Path());
        session.Prepare({"pdfi"});
        session.PrepareMeanwhile("pdfi");
        session.AwaitPrepared();
        EXPECT_EQ(ReadFileBytes(program.Path() + "pdfi.bin", 100).value_or(""), "first");
    }
    EXPECT_FALSE(FileExists(program.Path() + "pdfi.bin"));
}

TEST(ScratchFolderTest, EachRunHasItsOwnFolderAndCleansOnlyThat) {
    const test::FakeProgramFolder program;
    auto mine = std::make_unique<ScratchFolder>(program.Path());
    const ScratchFolder other(program.Path());
    EXPECT_NE(mine->Path(), other.Path());
    EXPECT_EQ(mine->Path().rfind(program.Path() + "Temp/", 0), 0u);
    EXPECT_EQ(mine->ImageRoot(), mine->Path() + "tmp");
    const std::string myFolder = mine->Path();
    program.Write(myFolder.substr(program.Path().size()) + "tmp-000.ppm", "x");
    program.Write(other.Path().substr(program.Path().size()) + "tmp-000.ppm", "y");
    mine.reset();
    EXPECT_FALSE(PathExists(myFolder));
    EXPECT_TRUE(FileExists(other.Path() + "tmp-000.ppm"));
    EXPECT_THROW(ScratchFolder(program.Path() + "missing/"), Exception);
}

TEST(ScratchFolderTest, FoldersOfKilledRunsGoWithTheNextRun) {
    const test::FakeProgramFolder program;
    const ScratchFolder alive(program.Path());
    ASSERT_TRUE(CreateDir(program.Path() + "Temp/run-dead01"));
    program.Write("Temp/run-dead01/tmp-000.ppm", "left behind");
    const ScratchFolder next(program.Path());
    EXPECT_FALSE(PathExists(program.Path() + "Temp/run-dead01"));
    EXPECT_TRUE(DirectoryExists(alive.Path()));
    EXPECT_EQ(ListFolders(program.Path() + "Temp", "*").size(), 2u);
}

}  // namespace
}  // namespace parch
