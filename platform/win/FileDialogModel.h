#pragma once
// What the open and save dialogs decide without a window: the "Files of type" list read from
// a filter text, folder reading and the list's texts, folder paths, and what a text typed
// into the file-name box asks for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/FindFiles.h"

namespace parch::win {

// ---- file types ---------------------------------------------------------------------------

struct FileTypeFilter {
    std::string description;
    std::vector<std::string> patterns;  // never empty
};

// The pairs of a filter text ("PDF files\0*.pdf\0All\0*.*\0\0"); a description without
// patterns ends the list. At most maxBytes bytes are read, so a text whose final NUL is
// missing cannot take the reading further.
std::vector<FileTypeFilter> ParseFilterPairs(const char* filter, std::size_t maxBytes = 1 << 16);
// ";"-separated patterns, blanks around each removed, empty ones dropped; none gives "*".
std::vector<std::string> SplitPatterns(std::string_view list);
// Whether a name matches one of the patterns ("*" and "?", ASCII letters in either case;
// "*.*" also matches names without a dot).
bool MatchesAnyPattern(std::string_view name, const std::vector<std::string>& patterns);
bool HasWildcards(std::string_view text);

// ---- folders ------------------------------------------------------------------------------

struct FolderEntry {
    std::string name;
    bool folder = false;
    std::uint64_t size = 0;
    FILETIME modified;
};

enum class FolderError { None, Missing, AccessDenied };

struct FolderListing {
    FolderError error = FolderError::None;
    std::vector<FolderEntry> entries;  // folders first, each part in natural name order
};

// The folder's items; hidden ones (dot names) only with withHidden. An unreadable or missing
// folder gives its error and no items.
FolderListing ReadFolder(const std::string& folder, bool withHidden);

// "0 KB", "1 KB" (any size up to 1024 bytes), "12,345 KB": sizes rounded up to whole KB.
std::string SizeText(std::uint64_t bytes);
// The local time as "2026-12-10 23:28".
std::string DateText(const FILETIME& time);

// ---- paths --------------------------------------------------------------------------------

// An absolute folder path without "." or ".." parts and without a trailing "/" ("/" stays).
std::string NormalPath(std::string_view absolutePath);
// The folder and a name, or a path relative to it; an absolute path stands for itself.
std::string JoinPath(std::string_view folder, std::string_view name);
// The folder above ("/" for "/").
std::string ParentFolder(std::string_view folder);
// "/", "/home", "/home/ann" for "/home/ann".
std::vector<std::string> FolderChain(std::string_view folder);
// The last part of a path ("/" for "/").
std::string LastPart(std::string_view path);

// ---- the file-name box --------------------------------------------------------------------

// The names of a typed text: a text holding double quotes gives each quoted name (and each
// blank-separated word outside quotes) when several may be chosen; otherwise the whole text,
// without surrounding blanks and one pair of surrounding quotes.
std::vector<std::string> SplitTypedNames(std::string_view text, bool multiple);
// How the edit shows chosen names: one as it is, several quoted and blank-separated.
std::string JoinSelectedNames(const std::vector<std::string>& names);

struct TypedNameRules {
    bool save = false;
    bool multiple = false;
    bool fileMustExist = false;
    bool pathMustExist = false;
    std::string defaultExtension;  // without the dot
};

// What the OK button does with the file-name box.
struct TypedNameAction {
    enum class Kind { Nothing, EnterFolder, ApplyPattern, Refuse, Accept };
    Kind kind = Kind::Nothing;
    std::string folder;              // EnterFolder, ApplyPattern, Accept: where
    std::string pattern;             // ApplyPattern
    std::vector<std::string> names;  // Accept: the chosen names in folder
    std::string message;             // Refuse: why, for the user
};

// names: what the box holds (SplitTypedNames), taken relative to folder. literal: the names
// came from the list and are taken as they stand (no paths, patterns or folders to enter).
TypedNameAction ResolveTypedNames(const std::vector<std::string>& names, const std::string& folder,
                                  const TypedNameRules& rules, bool literal = false);

// The question before a save replaces a file, and the texts of the refusals.
std::string OverwriteQuestion(std::string_view name);
std::string FileNotFoundText(std::string_view name);
std::string PathNotFoundText(std::string_view path);
std::string FolderNotAccessibleText(std::string_view path);

}  // namespace parch::win
