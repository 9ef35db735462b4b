#include "cli/ScratchFolder.h"

#include "framework/SysUtils.h"
#include "platform/os/Files.h"

namespace parch {

ScratchFolder::ScratchFolder(const std::string& programFolder) {
    const std::string temp = programFolder + "Temp";
    if (!DirectoryExists(temp)) CreateDir(temp);
    const auto folder = CreateUniqueFolder(temp, "run-");
    if (!folder) throw Exception("Couldn't create a scratch folder in \"" + temp + "\"!");
    path_ = *folder;
}

ScratchFolder::~ScratchFolder() {
    for (const std::string& name : ListFiles(path_, "*.*")) DeleteFile(path_ + name);
    RemoveDir(path_);
}

}  // namespace parch
