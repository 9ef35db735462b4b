#pragma once
// What the desktop says about a file: its content type, type name and icons, from the
// shared-mime-info database and the icon theme. The system image lists are built on this.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/IconTheme.h"
#include "platform/os/MimeDatabase.h"

namespace parch {

struct FileTypeInfo {
    std::string contentType;             // "application/pdf", "inode/directory"...
    std::string typeName;                // "PDF document"
    std::vector<std::string> iconNames;  // in the desktop's order, fallbacks last
    std::optional<std::string> smallIcon;  // PNG file at 16 px
    std::optional<std::string> largeIcon;  // PNG file at 32 px
};

class FileTypes {
public:
    FileTypes(MimeDatabase mime, std::vector<std::string> iconBaseFolders, std::string themeName);
    // The user's database and the Adwaita theme (with hicolor behind it).
    static const FileTypes& System();

    // Content type of a path as the desktop guesses it: folders, links, FIFOs, sockets and
    // devices by kind; files by name, and by their first bytes (the magic patterns, else text
    // or binary) when the name tells nothing or is ambiguous. Only regular files are opened,
    // so a FIFO never blocks.
    std::string ContentTypeOf(const std::string& path) const;
    // The same from what is already known, without touching the disk: kind bits as in
    // struct stat's st_mode.
    std::string ContentTypeOfName(std::string_view name, unsigned mode) const;

    FileTypeInfo Describe(std::string_view contentType, bool withIconFiles = true) const;
    FileTypeInfo DescribePath(const std::string& path) const;

    const MimeDatabase& Mime() const { return mime_; }
    const IconThemes& Icons() const { return icons_; }

private:
    MimeDatabase mime_;
    IconThemes icons_;
};

// "text/plain" when the bytes look like text (UTF-8 without control characters other than
// white space; an empty file counts as text), "application/octet-stream" otherwise.
std::string SniffTextOrBinary(std::string_view head);

}  // namespace parch
