#pragma once
// Watching a folder (and optionally its whole subtree) for changes through inotify: one watch
// per folder, folders that appear later are added as they come, and the number of watches is
// capped so that a large tree (or "/") cannot use up the user's inotify watches. Whatever
// cannot be watched precisely (the cap reached, the kernel's queue overflowing, the root
// removed or moved) is reported as a change, so a caller re-reads rather than miss one.

#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "platform/os/OsTypes.h"

namespace parch {

constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x1;
constexpr DWORD FILE_NOTIFY_CHANGE_DIR_NAME = 0x2;
constexpr DWORD FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x4;
constexpr DWORD FILE_NOTIFY_CHANGE_SIZE = 0x8;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x10;
constexpr DWORD FILE_NOTIFY_CHANGE_SECURITY = 0x100;

class FolderWatch {
public:
    static constexpr std::size_t kDefaultMaxWatches = 4096;

    // Nothing when the folder cannot be watched (missing, not a folder, no inotify).
    static std::unique_ptr<FolderWatch> Start(const std::string& folder, bool subtree, DWORD filter,
                                              std::size_t maxWatches = kDefaultMaxWatches);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // The inotify descriptor: readable when events wait. Non-blocking.
    int Descriptor() const { return fd_; }
    // Reads what is waiting, adds watches for new folders; true when something counts as a
    // change under the filter. Also true once after Start when the cap cut the tree short.
    bool ReadEvents();
    std::size_t WatchCount() const { return folders_.size(); }
    // True once the root itself is gone; no further events come.
    bool RootGone() const { return rootGone_; }

private:
    FolderWatch(int fd, bool subtree, DWORD filter, std::size_t maxWatches);
    void AddTree(const std::string& folder);
    bool AddOne(const std::string& folder);
    unsigned EventMask() const;
    static bool HasEntries(const std::string& folder);

    int fd_;
    bool subtree_;
    DWORD filter_;
    std::size_t maxWatches_;
    int rootWatch_ = -1;
    bool capReached_ = false;
    bool capReported_ = false;
    bool rootGone_ = false;
    std::map<int, std::string> folders_;  // watch descriptor to folder path
};

}  // namespace parch
