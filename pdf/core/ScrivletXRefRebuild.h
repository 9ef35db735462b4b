#pragma once
// Cross references rebuilt from the file itself, for files whose tables are missing or lead
// nowhere: one forward pass over the bytes finds every "N G obj" header outside strings,
// comments and stream data, notes the object streams and catalogs among the objects, and keeps
// the last trailer that names a catalog (a classic "trailer" dictionary or the dictionary of a
// cross-reference stream). Plain data in and out; the caller turns the result into its table.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

// One object found: where its header stands, or which object stream holds it.
struct TPDFScannedObject {
    std::int32_t ObjNum = 0;
    std::int32_t Gen = 0;
    std::int64_t Offset = 0;  // of the header; for a compressed object, that of its stream
    bool Compressed = false;
    std::int32_t StreamObjNum = 0;
    std::int32_t StreamIndex = 0;
};

struct TPDFXRefScan {
    // One per object number, ascending; the definition latest in the file wins.
    std::vector<TPDFScannedObject> Objects;
    // Objects whose dictionary says /Type /ObjStm, ascending.
    std::vector<std::int32_t> ObjectStreams;
    // The last trailer naming /Root, as PDF text; empty when there is none.
    std::string TrailerText;
    std::int64_t TrailerOffset = -1;
    // The last object whose dictionary says /Type /Catalog; 0 when there is none.
    std::int32_t CatalogNumber = 0;
    std::int32_t CatalogGen = 0;
    // The cap the scan was made with; object streams are held to it too.
    std::int32_t HighestNumber = 0;
};

// Headers beyond this many are not recorded, which bounds the memory a hostile file can claim.
inline constexpr std::size_t kMaxScannedHeaders = std::size_t{1} << 21;

// Finds the objects of `data`; numbers above `highestNumber` (and 0) are ignored.
TPDFXRefScan ScanForObjects(std::string_view data, std::int32_t highestNumber);

// What an object stream's header lists: the first `count` pairs of integers in the first
// `first` bytes of the decoded data (fewer when the header ends early), and which of the
// objects is a catalog.
struct TPDFObjectStreamIndex {
    std::vector<std::int32_t> Numbers;  // in the stream's order
    std::int32_t CatalogIndex = -1;     // the last object whose dictionary says /Type /Catalog
};
TPDFObjectStreamIndex ReadObjectStreamIndex(std::string_view decoded, std::int64_t first, std::int64_t count);

// Adds the objects each object stream holds (by stream number) as compressed objects. Each
// number keeps the definition latest in the file: a direct object written after the stream
// stays, one written before it is replaced. A catalog inside a stream counts like a direct one.
void AddObjectStreamContents(TPDFXRefScan& scan, const std::map<std::int32_t, TPDFObjectStreamIndex>& contents);

}  // namespace parch
