#pragma once
// Files, folders and paths. Paths use "/"; folder texts handed out end in "/".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

// The folder of the running program file, with a trailing "/".
std::string ProgramFolder();

// The process's current folder, with a trailing "/".
std::string CurrentFolder();

// An absolute path: a relative one is taken relative to base (the current folder when empty).
std::string ExpandFileName(std::string_view path, std::string_view base = {});

// The part after the last "/", and the part up to and including it.
std::string ExtractFileName(std::string_view path);
std::string ExtractFilePath(std::string_view path);

// The folder with one trailing "/"; an empty text stays empty.
std::string IncludeTrailingSlash(std::string_view folder);

bool FileExists(const std::string& path);  // anything but a folder
bool DirectoryExists(const std::string& path);
bool PathExists(const std::string& path);
bool CreateDir(const std::string& path);
// Creates the folder unless one is there already, also one that another process made a moment
// ago; true when a folder is there afterwards.
bool EnsureDir(const std::string& path);
bool RemoveDir(const std::string& path);
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);

// Reads a whole file; nothing when it cannot be read or is larger than maxSize bytes.
std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxSize);

// Creates a new folder "<parent>/<prefix>XXXXXX" that no other caller gets; returns its path
// with a trailing "/", or nothing when it cannot be created.
std::optional<std::string> CreateUniqueFolder(std::string_view parent, std::string_view prefix);

// File-name test in the manner of the classic wildcard masks: "*" any run of characters, "?"
// one character; a mask ending in ".*" also matches names without a dot ("*.*" matches all).
// Letters compare exactly, or ignoring ASCII case.
enum class MaskCase { Exact, Ignored };
bool MatchesMask(std::string_view name, std::string_view mask, MaskCase maskCase = MaskCase::Exact);

// Whether a listing takes a symbolic link by what it names, or leaves links out.
enum class ListedLinks { Skipped, Followed };

// Names of the ordinary, non-hidden files of a folder that match the mask (no folders), in
// natural order: digit runs compare by value, so "tmp-999" comes before "tmp-1000".
std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask, MaskCase maskCase = MaskCase::Exact,
                                   ListedLinks links = ListedLinks::Skipped);

// Names of the non-hidden sub-folders of a folder that match the mask, in natural order.
std::vector<std::string> ListFolders(const std::string& folder, std::string_view mask);

// Three-way comparison used by ListFiles.
int NaturalCompare(std::string_view a, std::string_view b);

}  // namespace parch
