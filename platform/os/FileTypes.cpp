#include "platform/os/FileTypes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace parch {

namespace filetypes {

constexpr std::size_t kSniffBytes = 4096;

std::string HeadOfRegularFile(const std::string& path) {
    // O_NONBLOCK: the path may have become a FIFO since it was examined.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {};
    struct stat status{};
    std::string head;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        head.resize(kSniffBytes);
        ssize_t got = read(fd, head.data(), head.size());
        head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    close(fd);
    return head;
}

std::string_view BaseName(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Length of the UTF-8 sequence at text[i], 0 when it is invalid; a sequence cut by the end of
// the sample counts as valid.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3 : (byte >> 3) == 30 ? 4 : 0;
    if (length == 0 || (length == 2 && byte < 0xC2) || byte > 0xF4) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= text.size()) return text.size() - i;
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

}  // namespace filetypes

std::string SniffTextOrBinary(std::string_view head) {
    for (std::size_t i = 0; i < head.size();) {
        std::size_t length = filetypes::Utf8SequenceLength(head, i);
        if (length == 0) return "application/octet-stream";
        if (length == 1) {
            auto c = static_cast<unsigned char>(head[i]);
            bool space = c == ' ' || (c >= '\t' && c <= '\r');
            if ((c < 0x20 || c == 0x7F) && !space && c != '\b') return "application/octet-stream";
        }
        i += length;
    }
    return "text/plain";
}

FileTypes::FileTypes(MimeDatabase mime, std::vector<std::string> iconBaseFolders, std::string themeName)
    : mime_(std::move(mime)), icons_(std::move(iconBaseFolders), std::move(themeName)) {}

const FileTypes& FileTypes::System() {
    static const FileTypes* types = new FileTypes(MimeDatabase::FromMimeFolders(MimeDatabase::DefaultMimeFolders()),
                                                  IconThemes::DefaultBaseFolders(), "Adwaita");
    return *types;
}

std::string FileTypes::ContentTypeOfName(std::string_view name, unsigned mode) const {
    if (S_ISDIR(mode)) return "inode/directory";
    if (S_ISFIFO(mode)) return "inode/fifo";
    if (S_ISSOCK(mode)) return "inode/socket";
    if (S_ISCHR(mode)) return "inode/chardevice";
    if (S_ISBLK(mode)) return "inode/blockdevice";
    if (S_ISLNK(mode)) return "inode/symlink";
    auto types = mime_.TypesForFileName(filetypes::BaseName(name));
    return types.empty() ? std::string{} : types.front();
}

std::string FileTypes::ContentTypeOf(const std::string& path) const {
    struct stat status{};
    if (lstat(path.c_str(), &status) != 0) return "application/octet-stream";
    if (S_ISLNK(status.st_mode)) {
        struct stat target{};
        if (stat(path.c_str(), &target) == 0) status = target;
    }
    if (!S_ISREG(status.st_mode)) return ContentTypeOfName(path, status.st_mode);
    auto byName = mime_.TypesForFileName(filetypes::BaseName(path));
    if (byName.size() == 1) return byName.front();
    // The name tells nothing or is ambiguous: the first bytes decide, as the desktop does.
    std::string head = filetypes::HeadOfRegularFile(path);
    std::string byMagic = head.empty() ? std::string{} : mime_.TypeFromMagic(head);
    if (!byName.empty()) {
        for (const auto& type : byName)
            if (!byMagic.empty() && mime_.IsSubclassOf(byMagic, type)) return byMagic;
        return byName.front();
    }
    if (!byMagic.empty()) return byMagic;
    return SniffTextOrBinary(head);
}

FileTypeInfo FileTypes::Describe(std::string_view contentType, bool withIconFiles) const {
    FileTypeInfo info;
    info.contentType = mime_.Unalias(contentType);
    info.typeName = mime_.Comment(info.contentType);
    info.iconNames = mime_.IconNames(info.contentType);
    if (withIconFiles) {
        std::vector<std::string> names;
        for (const auto& name : info.iconNames)
            if (name.size() < 9 || name.compare(name.size() - 9, 9, "-symbolic") != 0) names.push_back(name);
        // Themes lack many specific names; these stand behind every type.
        if (info.contentType == "inode/directory") {
            names.push_back("folder");
        } else {
            names.push_back("text-x-generic");
            names.push_back("application-x-generic");
        }
        info.smallIcon = icons_.FindIcon(names, 16);
        info.largeIcon = icons_.FindIcon(names, 32);
    }
    return info;
}

FileTypeInfo FileTypes::DescribePath(const std::string& path) const {
    return Describe(ContentTypeOf(path));
}

}  // namespace parch
