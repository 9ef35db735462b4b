// Opens arbitrary bytes as a whole document, with no password and with one taken from the
// input, then walks what opened: the page count, every page it can find (up to a bound) and the
// objects reachable from the catalog.

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Streams.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletPageTree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parch;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The last line, when short, doubles as a password.
    const std::size_t lineStart = bytes.find_last_of('\n');
    std::u16string password;
    if (lineStart != std::string::npos && size - lineStart < 40)
        for (std::size_t i = lineStart + 1; i < size; ++i) password += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]));

    for (const std::u16string& attempt : {std::u16string(), password}) {
        TPDFDocument document;
        TStringStream stream(bytes);
        const std::uint8_t result = document.ReadDocument(stream, attempt);
        if (result > kOpenUnsupportedEncryption) __builtin_trap();
        if (result != kOpenOk) continue;
        TPDFPageTree& tree = *document.PageTree();
        const std::int32_t count = tree.GetPageCount();
        if (count < 0) __builtin_trap();
        for (std::int32_t page = 1; page <= count && page <= 64; ++page) {
            tree.SelectPage(page);
            tree.GetResources();
        }
        const TPDFObject* root = document.Trailer()->GetValue("Root");
        if (root && root->Kind == kPDFKindIndRef)
            document.LoadObjectTree(static_cast<const TPDFIndRef*>(root)->RefObjectNumber);
        document.GetMetadata();
    }
    return 0;
}
