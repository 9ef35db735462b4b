#pragma once
// The window of the open and save dialogs: made from a template of the system's controls,
// laid out again whenever it is resized, and run modally until the user chooses or cancels.

#include <string>
#include <vector>

#include "platform/win/FileDialogModel.h"
#include "platform/win/WinUser.h"

namespace parch::win {

struct FileDialogRequest {
    HWND owner = nullptr;
    std::string title;
    std::vector<FileTypeFilter> filters;
    std::size_t filterIndex = 0;  // zero-based, within filters
    // Where to start, tried in order: the first folder that can be read is shown.
    std::vector<std::string> folders;
    std::string fileName;        // what the file-name box starts with
    std::string initialPattern;  // a pattern that filters the list until the type changes
    TypedNameRules rules;
    bool overwritePrompt = false;
    bool showHidden = false;
};

struct FileDialogChoice {
    std::string folder;
    std::vector<std::string> names;  // one or more, in folder
    std::size_t filterIndex = 0;
};

enum class FileDialogEnd { Chosen, Cancelled, Failed };

FileDialogEnd RunFileDialog(const FileDialogRequest& request, FileDialogChoice& choice);

}  // namespace parch::win
