#include "platform/os/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace parch {

FileLock::FileLock(const std::string& path)
    : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (fd_ < 0 && errno == EISDIR) fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileLock::Apply(int operation) {
    if (fd_ < 0) return false;
    while (::flock(fd_, operation) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool FileLock::LockShared() { return Apply(LOCK_SH); }
bool FileLock::LockExclusive() { return Apply(LOCK_EX); }
bool FileLock::TryLockExclusive() { return Apply(LOCK_EX | LOCK_NB); }
bool FileLock::TryLockShared() { return Apply(LOCK_SH | LOCK_NB); }
void FileLock::Unlock() { Apply(LOCK_UN); }

}  // namespace parch
