// Reads arbitrary bytes as each shared-mime-info text file and as a type's XML, then asks
// the questions a file listing asks.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/os/MimeDatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parch;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    MimeDatabase db;
    db.AddGlobs2(text);
    db.AddAliases(text);
    db.AddSubclasses(text);
    db.AddGenericIcons(text);
    db.AddIcons(text);
    db.AddMagic(text);
    db.TypeFromMagic(text);
    for (std::string_view name : {std::string_view("doc.pdf"), std::string_view("A.TAR.GZ"), std::string_view("Makefile"), text.substr(0, 64)}) {
        for (const auto& type : db.TypesForFileName(name)) {
            db.IconNames(type);
            db.IsSubclassOf(type, "application/octet-stream");
        }
    }
    CommentFromMimeXml(text);
    return 0;
}
