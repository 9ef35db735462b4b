#pragma once
// One Parchdesk per user: an exclusive lock on a per-user lock file, held while the program
// lives. Only a lock that another process holds means another instance; a lock file that
// cannot be made leaves the program free to start.

#include "platform/os/FileLock.h"

#include <memory>
#include <string>

namespace parch {

enum class InstanceLockState { Acquired, HeldElsewhere, Unavailable };

class InstanceLock {
public:
    // Takes the lock on the file, without waiting.
    explicit InstanceLock(const std::string& lockPath);
    InstanceLockState State() const { return state_; }

    // "$XDG_RUNTIME_DIR/Parchwise.lock", else "$HOME/.cache/Parchwise.lock"; empty when
    // neither variable is set.
    static std::string DefaultPath();

private:
    std::unique_ptr<FileLock> lock_;
    InstanceLockState state_ = InstanceLockState::Unavailable;
};

}  // namespace parch
