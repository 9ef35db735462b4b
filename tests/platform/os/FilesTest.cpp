#include "platform/os/Files.h"

#include "tests/platform/os/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace parch {
namespace {

TEST(FilesTest, ProgramAndCurrentFoldersEndInASlash) {
    const std::string program = ProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.front(), '/');
    EXPECT_EQ(program.back(), '/');
    EXPECT_TRUE(FileExists(program + "test_platform_os"));
    EXPECT_EQ(CurrentFolder().back(), '/');
}

TEST(FilesTest, PathParts) {
    EXPECT_EQ(ExtractFileName("/a/b/doc.pdf"), "doc.pdf");
    EXPECT_EQ(ExtractFilePath("/a/b/doc.pdf"), "/a/b/");
    EXPECT_EQ(ExtractFileName("doc.pdf"), "doc.pdf");
    EXPECT_EQ(ExtractFilePath("doc.pdf"), "");
    EXPECT_EQ(IncludeTrailingSlash("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingSlash("/a/"), "/a/");
    EXPECT_EQ(IncludeTrailingSlash(""), "");
    EXPECT_EQ(ExpandFileName("x/y.pdf", "/base"), "/base/x/y.pdf");
    EXPECT_EQ(ExpandFileName("/abs.pdf", "/base"), "/abs.pdf");
    EXPECT_EQ(ExpandFileName("y.pdf"), CurrentFolder() + "y.pdf");
}

TEST(FilesTest, MasksMatchLikeTheClassicWildcards) {
    struct Case { const char* name; const char* mask; bool match; };
    const Case cases[] = {
        {"tmp-000.ppm", "tmp-*.*", true},  {"tmp-000", "tmp-*.*", true},
        {"tmp.ppm", "tmp-*.*", false},     {"xtmp-1.ppm", "tmp-*.*", false},
        {"anything", "*.*", true},         {"a.b.c", "*.*", true},
        {"abc", "a?c", true},              {"abbc", "a?c", false},
        {"report.pdf", "*.pdf", true},     {"report.pdfx", "*.pdf", false},
        {"aXbXc", "a*b*c", true},          {"", "*", true},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " " << c.mask;
}

TEST(FilesTest, ListFilesGivesOrdinaryVisibleFilesInNaturalOrder) {
    const test::ScratchDir dir;
    for (const char* name : {"tmp-1000.ppm", "tmp-999.pbm", "tmp-002.ppm", ".tmp-hidden.ppm", "other.txt"})
        dir.Write(name, "x");
    ASSERT_TRUE(CreateDir(dir.Path() + "tmp-folder.d"));
    using Names = std::vector<std::string>;
    EXPECT_EQ(ListFiles(dir.Path(), "tmp-*.*"), (Names{"tmp-002.ppm", "tmp-999.pbm", "tmp-1000.ppm"}));
    EXPECT_EQ(ListFiles(dir.Path(), "*.*").size(), 4u);
    EXPECT_TRUE(ListFiles(dir.Path() + "missing", "*.*").empty());
    EXPECT_EQ(ListFolders(dir.Path(), "*.*"), (Names{"tmp-folder.d"}));
    // Letters in any case, and links taken by what they name, when asked.
    dir.Write("Upper.TMP-3.PPM", "x");
    ::symlink("tmp-002.ppm", (dir.Path() + "tmp-link.ppm").c_str());
    EXPECT_EQ(ListFiles(dir.Path(), "*.ppm"), (Names{"tmp-002.ppm", "tmp-1000.ppm"}));
    EXPECT_EQ(ListFiles(dir.Path(), "*.ppm", MaskCase::Ignored, ListedLinks::Followed),
              (Names{"Upper.TMP-3.PPM", "tmp-002.ppm", "tmp-1000.ppm", "tmp-link.ppm"}));
    EXPECT_LT(NaturalCompare("p2", "p10"), 0);
    EXPECT_GT(NaturalCompare("b", "a10"), 0);
    EXPECT_EQ(NaturalCompare("x7", "x7"), 0);
}

TEST(FilesTest, FoldersFilesAndUniqueFolders) {
    const test::ScratchDir dir;
    const std::string file = dir.Write("f.bin", "abc");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_TRUE(DirectoryExists(dir.Path()));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_EQ(ReadFileBytes(file, 3).value_or("?"), "abc");
    EXPECT_FALSE(ReadFileBytes(file, 2).has_value());
    EXPECT_FALSE(ReadFileBytes(dir.Path() + "none", 10).has_value());
    EXPECT_TRUE(RenameFile(file, dir.Path() + "g.bin"));
    EXPECT_TRUE(DeleteFile(dir.Path() + "g.bin"));
    EXPECT_FALSE(PathExists(dir.Path() + "g.bin"));

    const auto first = CreateUniqueFolder(dir.Path(), "run-");
    const auto second = CreateUniqueFolder(dir.Path(), "run-");
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_TRUE(DirectoryExists(*first));
    EXPECT_EQ(first->back(), '/');
    EXPECT_TRUE(RemoveDir(*first));
    EXPECT_FALSE(CreateUniqueFolder(dir.Path() + "missing", "run-").has_value());
}

TEST(FilesTest, EnsureDirSucceedsWhoeverMadeTheFolder) {
    const test::ScratchDir dir;
    // Threads racing for one new folder: each one sees it there afterwards.
    for (int round = 0; round < 20; ++round) {
        const std::string folder = dir.Path() + "race" + std::to_string(round);
        std::vector<int> made(8, 0);
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < made.size(); ++i)
            threads.emplace_back([&, i] { made[i] = EnsureDir(folder) ? 1 : 0; });
        for (std::thread& thread : threads) thread.join();
        EXPECT_EQ(std::count(made.begin(), made.end(), 1), 8) << round;
    }
    EXPECT_TRUE(EnsureDir(dir.Path() + "race0"));
    const std::string file = dir.Write("file", "x");
    EXPECT_FALSE(EnsureDir(file));
    EXPECT_FALSE(EnsureDir(dir.Path() + "missing/child"));
}

}  // namespace
}  // namespace parch
