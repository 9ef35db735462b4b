// Parses arbitrary bytes as one PDF object, writes it back and parses the text again; the
// content-stream string and hex readers get the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parch;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TPDFStructure structure;
    std::int64_t end = 0;
    TPDFObject* object = ParseObjectAt(structure, text, end);
    if (object == nullptr || end < 0 || static_cast<std::size_t>(end) > size) __builtin_trap();

    const std::string written = object->ToText();
    TPDFStructure again;
    // What the writer produced, followed by a separator as in a file, reads back to the
    // same text.
    if (ParseObject(again, written + " ")->ToText() != written) __builtin_trap();

    DecodeLiteralString(text);
    HexStringToBytes(text);
    return 0;
}
