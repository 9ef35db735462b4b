#pragma once
// The documents of the list as files: which paths count as documents, their size text, the
// PDF files of a folder and the list files that save a document list.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

// A path that names an existing file (or a link to one) ending in ".pdf" in any case.
bool IsPdfDocument(const std::string& path);

// "873" below 1 KiB, then whole KB and MB, halves to the even neighbour ("2 KB" for 1536).
std::string SizeText(std::uint64_t bytes);

// The size of the file in bytes; nothing when it cannot be read.
std::optional<std::uint64_t> DocumentSize(const std::string& path);

// The PDF files directly inside the folder ("*.pdf" in any case, links to files included,
// hidden files and sub-folders left out), as full paths in natural name order.
std::vector<std::string> FindDocumentsInFolder(const std::string& folder);

// The paths of a list file, one a line, CR and LF stripped, blank lines dropped; a relative
// line is taken against the list file's own folder. Nothing when the file cannot be read.
std::optional<std::vector<std::string>> ReadDocumentList(const std::string& listFile);

// Writes every path followed by CR LF, replacing the file; false when it cannot be written.
bool WriteDocumentList(const std::string& listFile, const std::vector<std::string>& paths);

}  // namespace parch
