#pragma once
// The process-wide system image lists that shell icons are numbered in: one of small (16 px)
// and one of large (32 px) pictures, both 32-bit with alpha, holding the same icon at the same
// index. They are filled lazily: an icon is read from the icon theme the first time it is
// asked for and its index kept. Entries 0 and 1 are the generic document and folder icons,
// which also stand for any icon the theme lacks; where the theme has not even those, they are
// drawn here. The lists are marked as system lists, so a control handed one cannot destroy it.

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/os/IconTheme.h"
#include "platform/win/ImageLists.h"

namespace parch::win {

constexpr int kSmallShellIconSize = 16;
constexpr int kLargeShellIconSize = 32;

enum class GenericIcon { Document = 0, Folder = 1 };

class SystemImageLists {
public:
    explicit SystemImageLists(const IconThemes& themes);
    ~SystemImageLists();
    SystemImageLists(const SystemImageLists&) = delete;
    SystemImageLists& operator=(const SystemImageLists&) = delete;

    // The lists over the desktop's icon theme, made on first use, kept until the process ends.
    static SystemImageLists& Process();

    HIMAGELIST Small() const { return small_; }
    HIMAGELIST Large() const { return large_; }

    // The index of the first of the names that the theme has, in the given order; the
    // generic icon's index when it has none of them (or its picture cannot be read).
    int IndexOf(const std::vector<std::string>& iconNames, GenericIcon fallback);

private:
    int AddGeneric(GenericIcon icon);                                              // under mutex_
    std::optional<int> AddThemed(const std::string& smallFile, const std::string& largeFile);  // under mutex_
    int AddPair(HICON small, HICON large);                                         // under mutex_

    const IconThemes& themes_;
    HIMAGELIST small_ = nullptr;
    HIMAGELIST large_ = nullptr;
    std::mutex mutex_;
    std::map<std::string, int> byNames_;  // the names asked for, joined, with the fallback
    std::map<std::string, int> byFiles_;  // the two theme files, joined
};

// A new icon of the drawn generic document or folder at size x size, owned by the caller.
HICON CreateGenericShellIcon(GenericIcon icon, int size);

}  // namespace parch::win
