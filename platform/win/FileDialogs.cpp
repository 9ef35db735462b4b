#include "platform/win/FileDialogs.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/gdi/Utf8Text.h"
#include "platform/os/Files.h"
#include "platform/os/UserDirs.h"
#include "platform/win/FileDialogWindow.h"

namespace parch {

namespace file_dialogs {

thread_local DWORD lastFileDialogError = 0;

BOOL Failure(DWORD code) {
    lastFileDialogError = code;
    return 0;
}

constexpr DWORD kUnavailableFlags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE;

// Where relative names start: the current folder, or home when that cannot be read.
std::string BaseFolder() {
    const std::string current = CurrentFolder();
    return !current.empty() && current.front() == '/' ? win::NormalPath(current) : win::NormalPath(HomeFolder());
}

// The folders to start in, most wanted first; the dialog shows the first it can read.
std::vector<std::string> StartFolders(const std::string& fromFile, const char* initialDir) {
    std::vector<std::string> folders;
    const std::string base = BaseFolder();
    if (!fromFile.empty()) folders.push_back(fromFile);
    if (initialDir && *initialDir) folders.push_back(win::JoinPath(base, initialDir));
    folders.push_back(base);
    folders.push_back(win::NormalPath(HomeFolder()));
    folders.push_back("/");
    return folders;
}

// What lpstrFile brings: a name for the box, a path whose folder is where to start, a folder
// to start in, or a pattern for the list.
void ReadInitialFile(const OPENFILENAME& ofn, win::FileDialogRequest& request) {
    std::string text(ofn.lpstrFile, strnlen(ofn.lpstrFile, ofn.nMaxFile));
    std::string fromFile;
    const std::string base = ofn.lpstrInitialDir && *ofn.lpstrInitialDir ? win::JoinPath(BaseFolder(), ofn.lpstrInitialDir)
                                                                          : BaseFolder();
    if (text.find('/') != std::string::npos) {
        const std::string path = win::JoinPath(base, text);
        if (DirectoryExists(path)) {
            fromFile = path;
            text.clear();
        } else if (DirectoryExists(win::ParentFolder(path))) {
            fromFile = win::ParentFolder(path);
            text = win::LastPart(path);
        }
    }
    const std::string folder = fromFile.empty() ? base : fromFile;
    if (win::HasWildcards(text) && !PathExists(win::JoinPath(folder, text))) {
        request.initialPattern = text;
        text.clear();
    }
    request.fileName = text;
    request.folders = StartFolders(fromFile, ofn.lpstrInitialDir);
}

win::FileDialogRequest MakeRequest(const OPENFILENAME& ofn, bool save) {
    win::FileDialogRequest request;
    request.owner = ofn.hwndOwner;
    request.title = ofn.lpstrTitle ? ofn.lpstrTitle : (save ? "Save As" : "Open");
    request.filters = win::ParseFilterPairs(ofn.lpstrFilter);
    if (ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= request.filters.size()) request.filterIndex = ofn.nFilterIndex - 1;
    request.rules.save = save;
    request.rules.multiple = (ofn.Flags & OFN_ALLOWMULTISELECT) != 0;
    request.rules.fileMustExist = (ofn.Flags & OFN_FILEMUSTEXIST) != 0;
    // A file that must exist needs its folder too.
    request.rules.pathMustExist = (ofn.Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) != 0;
    if (ofn.lpstrDefExt) {
        std::string_view extension = ofn.lpstrDefExt;
        while (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
        request.rules.defaultExtension = std::string(extension);
    }
    request.overwritePrompt = save && (ofn.Flags & OFN_OVERWRITEPROMPT);
    request.showHidden = (ofn.Flags & OFN_FORCESHOWHIDDEN) != 0;
    ReadInitialFile(ofn, request);
    return request;
}

// The result in lpstrFile's layout, with the offsets of the (first) name and its extension.
struct ResultText {
    std::string bytes;
    std::size_t nameOffset = 0;
    std::size_t extensionOffset = 0;
};

ResultText Layout(const win::FileDialogChoice& choice) {
    ResultText result;
    if (choice.names.size() == 1) {
        const std::string& name = choice.names.front();
        const std::string path = choice.folder == "/" ? "/" + name : choice.folder + "/" + name;
        result.nameOffset = path.size() - name.size();
        const std::size_t dot = name.rfind('.');
        if (dot == std::string::npos) result.extensionOffset = path.size();  // the terminating NUL
        else if (dot + 1 < name.size()) result.extensionOffset = result.nameOffset + dot + 1;
        result.bytes = path;
        result.bytes += '\0';
        return result;
    }
    result.bytes = choice.folder;
    result.bytes += '\0';
    result.nameOffset = result.bytes.size();
    for (const std::string& name : choice.names) {
        result.bytes += name;
        result.bytes += '\0';
    }
    result.bytes += '\0';
    return result;
}

bool ExtensionDiffers(const std::string& name, const std::string& defaultExtension) {
    if (defaultExtension.empty()) return false;
    const std::size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    if (extension.size() != defaultExtension.size()) return true;
    for (std::size_t i = 0; i < extension.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(extension[i]) != lower(defaultExtension[i])) return true;
    }
    return false;
}

BOOL WriteChoice(OPENFILENAME& ofn, const win::FileDialogRequest& request, const win::FileDialogChoice& choice) {
    const ResultText result = Layout(choice);
    if (result.bytes.size() > ofn.nMaxFile) {
        // As Windows does: the size needed, in characters, in the buffer's first two bytes.
        if (ofn.nMaxFile >= 2) {
            const auto needed = static_cast<WORD>(std::min<std::size_t>(result.bytes.size(), 0xFFFF));
            ofn.lpstrFile[0] = static_cast<char>(needed & 0xFF);
            ofn.lpstrFile[1] = static_cast<char>(needed >> 8);
        }
        return Failure(FNERR_BUFFERTOOSMALL);
    }
    // The offsets are WORDs: a path they cannot point into is not handed out cut.
    if (result.nameOffset > 0xFFFF || result.extensionOffset > 0xFFFF) return Failure(FNERR_INVALIDFILENAME);
    std::memcpy(ofn.lpstrFile, result.bytes.data(), result.bytes.size());
    ofn.nFileOffset = static_cast<WORD>(result.nameOffset);
    ofn.nFileExtension = static_cast<WORD>(result.extensionOffset);
    if (!request.filters.empty()) ofn.nFilterIndex = static_cast<DWORD>(choice.filterIndex + 1);
    if (ofn.lpstrFileTitle && ofn.nMaxFileTitle > 0) {
        const std::string_view title = CutAtCharacterBoundary(choice.names.front(), ofn.nMaxFileTitle - 1);
        std::memcpy(ofn.lpstrFileTitle, title.data(), title.size());
        ofn.lpstrFileTitle[title.size()] = '\0';
    }
    if (ExtensionDiffers(choice.names.front(), request.rules.defaultExtension)) ofn.Flags |= OFN_EXTENSIONDIFFERENT;
    else ofn.Flags &= ~OFN_EXTENSIONDIFFERENT;
    return 1;
}

BOOL RunDialog(OPENFILENAME* ofn, bool save) {
    lastFileDialogError = 0;
    if (!ofn || (ofn->lStructSize != sizeof(OPENFILENAME) && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400))
        return Failure(CDERR_STRUCTSIZE);
    if ((ofn->Flags & kUnavailableFlags) || !ofn->lpstrFile || ofn->nMaxFile == 0) return Failure(CDERR_INITIALIZATION);
    const win::FileDialogRequest request = MakeRequest(*ofn, save);
    win::FileDialogChoice choice;
    switch (win::RunFileDialog(request, choice)) {
        case win::FileDialogEnd::Chosen: return WriteChoice(*ofn, request, choice);
        case win::FileDialogEnd::Cancelled: return 0;
        case win::FileDialogEnd::Failed: return Failure(CDERR_DIALOGFAILURE);
    }
    return 0;
}

}  // namespace file_dialogs

BOOL GetOpenFileName(OPENFILENAME* ofn) { return file_dialogs::RunDialog(ofn, false); }

BOOL GetSaveFileName(OPENFILENAME* ofn) { return file_dialogs::RunDialog(ofn, true); }

DWORD CommDlgExtendedError() { return file_dialogs::lastFileDialogError; }

}  // namespace parch
