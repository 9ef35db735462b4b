#include "cli/EngineCancel.h"

#include "base/SysUtils.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace parch {

namespace {

// The processes other than this one with an open descriptor on the given pipe.
std::vector<pid_t> HoldersOf(ino_t pipeInode) {
    const std::string wanted = "pipe:[" + std::to_string(pipeInode) + "]";
    std::vector<pid_t> holders;
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
    if (!proc) return holders;
    while (const dirent* entry = ::readdir(proc.get())) {
        const std::optional<std::int32_t> pid = TryStrToInt(entry->d_name);
        if (!pid || *pid == ::getpid()) continue;
        const std::string fdFolder = "/proc/" + std::string(entry->d_name) + "/fd";
        const std::unique_ptr<DIR, int (*)(DIR*)> fds(::opendir(fdFolder.c_str()), ::closedir);
        if (!fds) continue;
        while (const dirent* fd = ::readdir(fds.get())) {
            char target[64];
            const ssize_t n = ::readlinkat(::dirfd(fds.get()), fd->d_name, target, sizeof target - 1);
            if (n > 0 && std::string_view(target, static_cast<std::size_t>(n)) == wanted) {
                holders.push_back(*pid);
                break;
            }
        }
    }
    return holders;
}

// An engine runs as the leader of its own process group; the group goes with it.
void SignalGroups(const std::vector<pid_t>& leaders, int signal) {
    for (const pid_t pid : leaders) ::kill(::getpgid(pid) == pid ? -pid : pid, signal);
}

}  // namespace

EngineCancel::EngineCancel() {
    if (::pipe2(marker_, O_CLOEXEC) != 0) throw Exception("Couldn't make the engine marker!");
}

EngineCancel::~EngineCancel() {
    for (const int fd : marker_)
        if (fd >= 0) ::close(fd);
}

void EngineCancel::Cancel(std::chrono::milliseconds grace) {
    cancelled_ = true;
    struct stat info;
    if (::fstat(marker_[1], &info) != 0) return;
    std::vector<pid_t> holders = HoldersOf(info.st_ino);
    SignalGroups(holders, SIGTERM);
    const auto giveUp = std::chrono::steady_clock::now() + grace;
    while (!holders.empty() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        holders = HoldersOf(info.st_ino);
    }
    SignalGroups(holders, SIGKILL);
}

}  // namespace parch
