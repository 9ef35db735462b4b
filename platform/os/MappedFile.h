#pragma once
// A file mapped read-only into memory for as long as the object lives.
//
// A mapped file that another process cuts short faults on access to the pages it lost, so the
// view suits reading that is over quickly (finding a document's cross references); data that is
// read later goes through ReadAt, a plain read of the file that gives fewer bytes, never a
// fault, when the file has shrunk.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace parch {

class MappedFile {
public:
    // Maps the regular file open on `descriptor` (which the caller keeps: the mapping holds a
    // duplicate). Nothing for a pipe, a device, an empty file or a failure.
    static std::unique_ptr<MappedFile> Map(int descriptor);

    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // The whole file as it was when mapped.
    std::string_view View() const { return {data_, size_}; }
    std::size_t Size() const { return size_; }
    // Copies up to `count` bytes from `offset` by reading the file; the number copied, fewer
    // when the file now ends earlier, 0 beyond its end or on a read error.
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t count) const;

private:
    MappedFile(int descriptor, const char* data, std::size_t size)
        : descriptor_(descriptor), data_(data), size_(size) {}

    int descriptor_;
    const char* data_;
    std::size_t size_;
};

}  // namespace parch
