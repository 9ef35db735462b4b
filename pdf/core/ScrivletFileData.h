#pragma once
// The bytes of an open document's file, owned for the document's lifetime: a read-only mapping
// when the source is a regular file, else one buffer of exactly the source's size. Nothing is
// copied as a whole: parsing reads the view, and objects loaded later are copied one by one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace parch {

class MappedFile;
class TStream;

class TPDFFileData {
public:
    TPDFFileData();
    ~TPDFFileData();
    TPDFFileData(TPDFFileData&&) noexcept;
    TPDFFileData& operator=(TPDFFileData&&) noexcept;

    // The stream's bytes from its position to its end; false (and no bytes) when they are more
    // than `maxSize`.
    bool ReadFrom(TStream& stream, std::int64_t maxSize);
    // Takes the bytes as they are (documents built in memory, tests).
    static TPDFFileData FromBytes(std::string_view bytes);

    // The bytes as they were when read or mapped. Reading a mapped file through it while the
    // file is cut short by another process would fault, so it serves the reading done while the
    // document opens; Copy serves everything later.
    std::string_view View() const { return view_; }
    std::size_t Size() const { return view_.size(); }
    bool Empty() const { return view_.empty(); }
    // The bytes are a mapping of a file, not a buffer.
    bool Mapped() const { return mapped_ != nullptr; }
    // Up to `count` bytes from `offset`, cut at the end; a mapped file is read through the file
    // itself, so one cut short since gives fewer bytes instead of a fault.
    std::string Copy(std::size_t offset, std::size_t count) const;
    // Drops the first `count` bytes: offsets then count from there.
    void DropFront(std::size_t count);

private:
    bool MapFile(TStream& stream, std::int64_t maxSize, bool& tooLarge);
    bool ReadExactly(TStream& stream, std::int64_t maxSize);

    std::unique_ptr<MappedFile> mapped_;
    std::unique_ptr<char[]> buffer_;
    std::uint64_t fileOffset_ = 0;  // of the view's first byte in the mapped file
    std::string_view view_;
};

}  // namespace parch
