#pragma once
// A run's private folder inside the program folder's "Temp": the image engine writes its
// files there, and nothing of another run (of either program) is touched when it is cleaned.
// The folder stays locked while its run lives, and while the image engine that writes into it
// lives (it is handed the lock), so the folders of runs that were killed can be told apart and
// are removed by the next run once nothing can refill them.

#include "platform/os/FileLock.h"

#include <memory>
#include <string>

namespace parch {

class ScratchFolder {
public:
    // Creates "Temp" when missing, removes abandoned run folders, then creates a new folder of
    // this run. Raises Exception when that fails.
    explicit ScratchFolder(const std::string& programFolder);
    ~ScratchFolder();  // deletes the folder with every file in it
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Removes the folders of ended runs that no process holds any more.
    static void RemoveAbandoned(const std::string& programFolder);

    const std::string& Path() const { return path_; }  // absolute, with a trailing "/"
    int LockDescriptor() const { return lock_->Descriptor(); }  // for the engine to hold
    std::string ImageRoot() const { return path_ + "tmp"; }

private:
    std::string path_;
    std::unique_ptr<FileLock> lock_;
};

}  // namespace parch
