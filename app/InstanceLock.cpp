#include "app/InstanceLock.h"

#include "platform/os/Files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace parch {

namespace {

constexpr const char* kLockName = "Parchwise.lock";

// A link in place of the lock file could point the lock at any file of the user.
bool IsLink(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace

InstanceLock::InstanceLock(const std::string& lockPath) {
    if (lockPath.empty() || IsLink(lockPath)) return;
    EnsureDir(ExtractFilePath(lockPath));
    lock_ = std::make_unique<FileLock>(lockPath);
    if (!lock_->IsOpen()) return;
    if (lock_->TryLockExclusive()) {
        state_ = InstanceLockState::Acquired;
        return;
    }
    state_ = errno == EWOULDBLOCK ? InstanceLockState::HeldElsewhere : InstanceLockState::Unavailable;
}

std::string InstanceLock::DefaultPath() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return IncludeTrailingSlash(runtime) + kLockName;
    if (const char* home = std::getenv("HOME"); home && *home)
        return IncludeTrailingSlash(home) + ".cache/" + kLockName;
    return {};
}

}  // namespace parch
