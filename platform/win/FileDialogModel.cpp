#include "platform/win/FileDialogModel.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/os/Files.h"

namespace parch::win {

namespace file_dialog_model {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = LowerAscii(c);
    return lower;
}

// A name has an extension when a dot follows its first character ("notes.lst", not ".lst").
bool HasExtension(std::string_view name) { return name.find('.', 1) != std::string_view::npos; }

// The folder and a name that is taken as it stands, with no path parts of its own.
std::string InFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    return path + std::string(name);
}

std::string WithDefaultExtension(const std::string& path, const TypedNameRules& rules) {
    if (rules.defaultExtension.empty() || HasExtension(LastPart(path))) return path;
    if (!rules.save && PathExists(path)) return path;  // an existing name is opened as typed
    return path + "." + rules.defaultExtension;
}

TypedNameAction Refusal(std::string message) {
    TypedNameAction action;
    action.kind = TypedNameAction::Kind::Refuse;
    action.message = std::move(message);
    return action;
}

TypedNameAction FolderAction(TypedNameAction::Kind kind, std::string folder, std::string pattern = {}) {
    TypedNameAction action;
    action.kind = kind;
    action.folder = std::move(folder);
    action.pattern = std::move(pattern);
    return action;
}

// The checks every chosen file goes through; shown is the name as the user gave it.
std::optional<std::string> FileRefusal(const std::string& file, const std::string& shown, const TypedNameRules& rules) {
    const std::string parent = ParentFolder(file);
    if ((rules.pathMustExist || rules.fileMustExist) && !DirectoryExists(parent)) return PathNotFoundText(parent);
    if (rules.fileMustExist && !FileExists(file)) return FileNotFoundText(shown);
    return std::nullopt;
}

TypedNameAction ResolveOne(const std::string& name, const std::string& folder, const TypedNameRules& rules, bool literal) {
    const std::string path = literal ? InFolder(folder, name) : JoinPath(folder, name);
    if (DirectoryExists(path)) return FolderAction(TypedNameAction::Kind::EnterFolder, path);
    if (!literal) {
        // "dir/", "." and ".." can only mean a folder.
        const std::string typedLast = ExtractFileName(name);
        if (typedLast.empty() || typedLast == "." || typedLast == "..") return Refusal(PathNotFoundText(path));
        if (!PathExists(path) && HasWildcards(LastPart(path))) {
            const std::string parent = ParentFolder(path);
            if (!DirectoryExists(parent)) return Refusal(PathNotFoundText(parent));
            return FolderAction(TypedNameAction::Kind::ApplyPattern, parent, LastPart(path));
        }
    }
    const std::string file = literal ? path : WithDefaultExtension(path, rules);
    if (file != path && DirectoryExists(file)) return FolderAction(TypedNameAction::Kind::EnterFolder, file);
    if (auto refusal = FileRefusal(file, name, rules)) return Refusal(*refusal);
    TypedNameAction action = FolderAction(TypedNameAction::Kind::Accept, ParentFolder(file));
    action.names = {LastPart(file)};
    return action;
}

TypedNameAction ResolveSeveral(const std::vector<std::string>& names, const std::string& folder,
                               const TypedNameRules& rules, bool literal) {
    TypedNameAction action;
    action.kind = TypedNameAction::Kind::Accept;
    for (const std::string& name : names) {
        std::string file = literal ? InFolder(folder, name) : JoinPath(folder, name);
        if (DirectoryExists(file)) return Refusal(name + "\nThis is a folder. Choose files only.");
        if (!literal) file = WithDefaultExtension(file, rules);
        const std::string parent = ParentFolder(file);
        if (action.folder.empty()) action.folder = parent;
        if (parent != action.folder) return Refusal("The chosen files must all be in one folder.");
        if (auto refusal = FileRefusal(file, name, rules)) return Refusal(*refusal);
        std::string chosen = LastPart(file);
        if (std::find(action.names.begin(), action.names.end(), chosen) == action.names.end())
            action.names.push_back(std::move(chosen));
    }
    return action;
}

// Folders first; names in natural order ignoring ASCII case, then exactly, so the order is total.
void SortEntries(std::vector<FolderEntry>& entries) {
    struct Keyed {
        std::string key;
        FolderEntry entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (FolderEntry& e : entries) keyed.push_back({LowerAscii(e.name), std::move(e)});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.entry.folder != b.entry.folder) return a.entry.folder;
        if (int c = NaturalCompare(a.key, b.key); c != 0) return c < 0;
        return NaturalCompare(a.entry.name, b.entry.name) < 0;
    });
    entries.clear();
    for (Keyed& k : keyed) entries.push_back(std::move(k.entry));
}

}  // namespace file_dialog_model

using namespace file_dialog_model;

std::vector<FileTypeFilter> ParseFilterPairs(const char* filter, std::size_t maxBytes) {
    std::vector<FileTypeFilter> pairs;
    if (!filter) return pairs;
    std::size_t at = 0;
    auto next = [&]() -> std::string_view {
        if (at >= maxBytes) return {};
        std::size_t length = strnlen(filter + at, maxBytes - at);
        if (at + length == maxBytes) return {};  // no NUL within the bound: not a whole string
        std::string_view text(filter + at, length);
        at += length + 1;
        return text;
    };
    for (;;) {
        std::string_view description = next();
        if (description.empty()) break;
        std::string_view patterns = next();
        if (patterns.empty()) break;
        pairs.push_back({std::string(description), SplitPatterns(patterns)});
    }
    return pairs;
}

std::vector<std::string> SplitPatterns(std::string_view list) {
    std::vector<std::string> patterns;
    while (!list.empty()) {
        std::size_t semicolon = list.find(';');
        std::string_view part = TrimBlanks(list.substr(0, semicolon));
        if (!part.empty()) patterns.emplace_back(part);
        if (semicolon == std::string_view::npos) break;
        list.remove_prefix(semicolon + 1);
    }
    if (patterns.empty()) patterns.emplace_back("*");
    return patterns;
}

bool MatchesAnyPattern(std::string_view name, const std::vector<std::string>& patterns) {
    return std::any_of(patterns.begin(), patterns.end(), [&](std::string_view pattern) {
        if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
            pattern.remove_suffix(2);
        return MatchesFindPattern(name, pattern);
    });
}

bool HasWildcards(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

FolderListing ReadFolder(const std::string& folder, bool withHidden) {
    FolderListing listing;
    WIN32_FIND_DATA data;
    DWORD error = 0;
    HANDLE search = FindFirstFile(IncludeTrailingSlash(folder) + "*", data, &error);
    if (search == INVALID_HANDLE_VALUE) {
        // An empty folder finds nothing; a folder that cannot be opened says why.
        if (error == ERROR_ACCESS_DENIED) listing.error = FolderError::AccessDenied;
        else if (error != ERROR_FILE_NOT_FOUND || !DirectoryExists(folder)) listing.error = FolderError::Missing;
        return listing;
    }
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !withHidden) continue;
        FolderEntry entry;
        entry.name = data.cFileName;
        entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        entry.modified = data.ftLastWriteTime;
        listing.entries.push_back(std::move(entry));
    } while (FindNextFile(search, data));
    FindClose(search);
    SortEntries(listing.entries);
    return listing;
}

std::string SizeText(std::uint64_t bytes) {
    const std::uint64_t kilobytes = bytes / 1024 + (bytes % 1024 != 0);
    std::string digits = std::to_string(kilobytes);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped + " KB";
}

std::string DateText(const FILETIME& time) {
    constexpr std::int64_t kEpochDifference = 11644473600LL;  // 1601 to 1970, in seconds
    const std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    const std::time_t seconds = static_cast<std::time_t>(static_cast<std::int64_t>(ticks / 10000000) - kEpochDifference);
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return {};
    char text[32];
    std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return std::string(text, length);
}

std::string NormalPath(std::string_view absolutePath) {
    std::string path = std::filesystem::path(absolutePath).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
    return path;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (!name.empty() && name.front() == '/') return NormalPath(name);
    return NormalPath(InFolder(folder, name));
}

std::string ParentFolder(std::string_view folder) { return NormalPath(std::string(folder) + "/.."); }

std::vector<std::string> FolderChain(std::string_view folder) {
    std::vector<std::string> chain{"/"};
    const std::string normal = NormalPath(folder);
    for (std::size_t slash = normal.find('/', 1); chain.back() != normal; slash = normal.find('/', slash + 1))
        chain.push_back(normal.substr(0, slash));
    return chain;
}

std::string LastPart(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return "/";
    return ExtractFileName(path);
}

std::vector<std::string> SplitTypedNames(std::string_view text, bool multiple) {
    text = TrimBlanks(text);
    std::vector<std::string> names;
    if (multiple && text.find('"') != std::string_view::npos) {
        std::size_t i = 0;
        while (i < text.size()) {
            if (IsBlank(text[i])) {
                ++i;
                continue;
            }
            const bool quoted = text[i] == '"';
            const std::size_t start = quoted ? i + 1 : i;
            std::size_t end = quoted ? text.find('"', start) : text.find_first_of(" \t\"", start);
            if (end == std::string_view::npos) end = text.size();
            if (end > start) names.emplace_back(text.substr(start, end - start));
            i = quoted && end < text.size() ? end + 1 : end;
        }
        return names;
    }
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"' &&
        text.substr(1, text.size() - 2).find('"') == std::string_view::npos)
        text = text.substr(1, text.size() - 2);
    if (!text.empty()) names.emplace_back(text);
    return names;
}

std::string JoinSelectedNames(const std::vector<std::string>& names) {
    if (names.size() == 1) return names.front();
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) text += ' ';
        text += '"' + name + '"';
    }
    return text;
}

TypedNameAction ResolveTypedNames(const std::vector<std::string>& names, const std::string& folder,
                                  const TypedNameRules& rules, bool literal) {
    if (names.empty()) return {};
    if (names.size() == 1) return ResolveOne(names.front(), folder, rules, literal);
    if (!rules.multiple) return ResolveOne(JoinSelectedNames(names), folder, rules, literal);
    return ResolveSeveral(names, folder, rules, literal);
}

std::string OverwriteQuestion(std::string_view name) {
    return std::string(name) + " already exists.\nDo you want to replace it?";
}

std::string FileNotFoundText(std::string_view name) {
    return std::string(name) + "\nFile not found.\nCheck the file name and try again.";
}

std::string PathNotFoundText(std::string_view path) {
    return std::string(path) + "\nPath does not exist.\nCheck the path and try again.";
}

std::string FolderNotAccessibleText(std::string_view path) {
    return std::string(path) + " is not accessible.\n\nAccess is denied.";
}

}  // namespace parch::win
