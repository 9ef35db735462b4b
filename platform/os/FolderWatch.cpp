#include "platform/os/FolderWatch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace parch {

std::unique_ptr<FolderWatch> FolderWatch::Start(const std::string& folder, bool subtree, DWORD filter,
                                                std::size_t maxWatches) {
    struct stat status{};
    if (folder.empty() || stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return nullptr;
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return nullptr;
    std::unique_ptr<FolderWatch> watch(new FolderWatch(fd, subtree, filter, maxWatches ? maxWatches : 1));
    if (!watch->AddOne(folder)) return nullptr;
    watch->rootWatch_ = watch->folders_.begin()->first;
    if (subtree) watch->AddTree(folder);
    return watch;
}

FolderWatch::FolderWatch(int fd, bool subtree, DWORD filter, std::size_t maxWatches)
    : fd_(fd), subtree_(subtree), filter_(filter), maxWatches_(maxWatches) {}

FolderWatch::~FolderWatch() {
    close(fd_);
}

unsigned FolderWatch::EventMask() const {
    unsigned mask = IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    // Creations and moves of folders are always followed, to keep the subtree's watches whole.
    mask |= IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
    if (filter_ & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)) mask |= IN_ATTRIB;
    if (filter_ & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) mask |= IN_MODIFY | IN_CLOSE_WRITE;
    return mask;
}

bool FolderWatch::AddOne(const std::string& folder) {
    if (folders_.size() >= maxWatches_) {
        capReached_ = true;
        return false;
    }
    int wd = inotify_add_watch(fd_, folder.c_str(), EventMask() | IN_DONT_FOLLOW);
    if (wd < 0) {
        if (errno == ENOSPC) capReached_ = true;  // the user's inotify limit
        return false;
    }
    folders_[wd] = folder;
    return true;
}

void FolderWatch::AddTree(const std::string& root) {
    // Iterative walk; links are not followed, so a loop of links cannot make it endless.
    std::vector<std::string> pending{root};
    while (!pending.empty() && !capReached_) {
        std::string folder = std::move(pending.back());
        pending.pop_back();
        DIR* dir = opendir(folder.c_str());
        if (!dir) continue;
        while (dirent* entry = readdir(dir)) {
            std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            bool isDir = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat status{};
                isDir = fstatat(dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
            }
            if (!isDir) continue;
            std::string child = folder == "/" ? "/" + std::string(name) : folder + "/" + std::string(name);
            if (!AddOne(child)) {
                if (capReached_) break;
                continue;
            }
            pending.push_back(std::move(child));
        }
        closedir(dir);
    }
}

bool FolderWatch::HasEntries(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    bool found = false;
    while (dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

bool FolderWatch::ReadEvents() {
    bool changed = false;
    if (capReached_ && !capReported_) {
        capReported_ = true;
        changed = true;
    }
    alignas(inotify_event) char buffer[16384];
    while (true) {
        ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got <= 0) break;
        for (char* at = buffer; at < buffer + got;) {
            auto* event = reinterpret_cast<inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            std::string name = event->len ? std::string(event->name) : std::string{};
            bool isDir = event->mask & IN_ISDIR;
            if (event->mask & IN_Q_OVERFLOW) {
                changed = true;
                continue;
            }
            if (event->mask & IN_IGNORED) {
                if (event->wd == rootWatch_) rootGone_ = changed = true;
                folders_.erase(event->wd);
                continue;
            }
            if (event->wd == rootWatch_ && (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF))) {
                rootGone_ = changed = true;
                continue;
            }
            auto folder = folders_.find(event->wd);
            if (folder == folders_.end()) continue;
            if (subtree_ && isDir && (event->mask & (IN_CREATE | IN_MOVED_TO))) {
                std::string child = folder->second == "/" ? "/" + name : folder->second + "/" + name;
                if (AddOne(child)) AddTree(child);
                // What was made inside before its watch stood has no event of its own.
                if ((filter_ & FILE_NOTIFY_CHANGE_FILE_NAME) && HasEntries(child)) changed = true;
                if (capReached_ && !capReported_) {
                    capReported_ = true;
                    changed = true;
                }
            }
            bool naming = event->mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO);
            if (naming && (filter_ & (isDir ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME))) changed = true;
            if ((event->mask & IN_ATTRIB) && (filter_ & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)))
                changed = true;
            if ((event->mask & (IN_MODIFY | IN_CLOSE_WRITE)) && !isDir &&
                (filter_ & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)))
                changed = true;
        }
    }
    return changed;
}

}  // namespace parch
