#include "platform/os/MappedFile.h"

#include <gtest/gtest.h>

#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "tests/platform/os/ScratchDir.h"

namespace parch {
namespace {

// A descriptor closed with the test.
class OpenFile {
public:
    explicit OpenFile(const std::string& path, int flags = O_RDONLY) : fd_(::open(path.c_str(), flags)) {}
    ~OpenFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

TEST(MappedFile, ViewsTheWholeFileAndOutlivesTheCallersDescriptor) {
    test::ScratchDir dir;
    const std::string path = dir.Write("a.bin", std::string("head\0tail", 9));
    std::unique_ptr<MappedFile> mapped;
    {
        OpenFile file(path);
        mapped = MappedFile::Map(file.Fd());
    }
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(mapped->View(), std::string_view("head\0tail", 9));
    char buffer[8] = {};
    EXPECT_EQ(mapped->ReadAt(5, buffer, sizeof buffer), 4u);
    EXPECT_EQ(std::string(buffer, 4), "tail");
    EXPECT_EQ(mapped->ReadAt(100, buffer, sizeof buffer), 0u);
}

TEST(MappedFile, NothingToMapForEmptyFilesPipesAndBadDescriptors) {
    test::ScratchDir dir;
    OpenFile empty(dir.Write("empty", ""));
    EXPECT_EQ(MappedFile::Map(empty.Fd()), nullptr);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    EXPECT_EQ(MappedFile::Map(ends[0]), nullptr);
    ::close(ends[0]);
    ::close(ends[1]);
    EXPECT_EQ(MappedFile::Map(-1), nullptr);
}

TEST(MappedFile, ReadsOfAFileCutShortGiveWhatIsLeft) {
    test::ScratchDir dir;
    const std::string path = dir.Write("cut.bin", std::string(20000, 'x'));
    OpenFile file(path);
    const auto mapped = MappedFile::Map(file.Fd());
    ASSERT_NE(mapped, nullptr);
    ASSERT_EQ(::truncate(path.c_str(), 100), 0);
    std::string buffer(20000, '\0');
    EXPECT_EQ(mapped->ReadAt(0, buffer.data(), buffer.size()), 100u);
    EXPECT_EQ(mapped->ReadAt(8192, buffer.data(), 10), 0u);
    EXPECT_EQ(mapped->Size(), 20000u);  // the size it was mapped with
}

}  // namespace
}  // namespace parch
