#include "platform/os/MappedFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace parch {

std::unique_ptr<MappedFile> MappedFile::Map(int descriptor) {
    struct stat status {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0)
        return nullptr;
    const auto size = static_cast<std::size_t>(status.st_size);
    const int own = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (own < 0) return nullptr;
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, own, 0);
    if (data == MAP_FAILED) {
        ::close(own);
        return nullptr;
    }
    return std::unique_ptr<MappedFile>(new MappedFile(own, static_cast<const char*>(data), size));
}

MappedFile::~MappedFile() {
    ::munmap(const_cast<char*>(data_), size_);
    ::close(descriptor_);
}

std::size_t MappedFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t count) const {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(descriptor_, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace parch
