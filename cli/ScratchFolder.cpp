#include "cli/ScratchFolder.h"

#include "base/SysUtils.h"
#include "platform/os/Files.h"

namespace parch {

namespace {

constexpr std::string_view kRunPrefix = "run-";
constexpr std::string_view kNewPrefix = "new-";  // a folder not yet locked by its run

void RemoveFolderWithFiles(const std::string& folder) {
    for (const std::string& name : ListFiles(folder, "*.*")) DeleteFile(folder + name);
    RemoveDir(folder);
}

// A run folder that nobody holds belongs to a run that ended without cleaning up.
void RemoveAbandonedRunFolders(const std::string& temp) {
    for (const std::string& name : ListFolders(temp, std::string(kRunPrefix) + "*")) {
        const std::string folder = temp + name + "/";
        FileLock lock(folder);
        if (lock.TryLockExclusive()) RemoveFolderWithFiles(folder);
    }
}

}  // namespace

void ScratchFolder::RemoveAbandoned(const std::string& programFolder) {
    RemoveAbandonedRunFolders(programFolder + "Temp/");
}

ScratchFolder::ScratchFolder(const std::string& programFolder) {
    const std::string temp = programFolder + "Temp/";
    EnsureDir(temp);
    RemoveAbandonedRunFolders(temp);
    // Locked before it gets a run folder's name, so no other run takes it for abandoned.
    const auto created = CreateUniqueFolder(temp, kNewPrefix);
    if (!created) throw Exception("Couldn't create a scratch folder in \"" + temp + "\"!");
    const std::string named = temp + std::string(kRunPrefix) + created->substr(temp.size() + kNewPrefix.size());
    lock_ = std::make_unique<FileLock>(*created);
    if (!lock_->LockExclusive() || !RenameFile(*created, named)) {
        RemoveDir(*created);
        throw Exception("Couldn't prepare the scratch folder \"" + *created + "\"!");
    }
    path_ = named;
}

ScratchFolder::~ScratchFolder() { RemoveFolderWithFiles(path_); }

}  // namespace parch
