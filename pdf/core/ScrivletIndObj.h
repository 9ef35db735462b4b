#pragma once
// Indirect objects of an open document, parsed (and decrypted) on their first use, and the
// cached headers of object streams. An entry knows where its object lies; the loading itself
// belongs to whoever owns the file's objects (TPDFObjectStore), reached through TPDFObjectLoader.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace parch {

class TPDFArray;
class TPDFIndObj;
class TPDFObject;

// The header of one /ObjStm stream, decoded once and kept for all its objects.
class TPDFObjectStream {
public:
    std::string DecodedData;
    TPDFArray* OffsetTable = nullptr;  // pooled in the document's structure
    std::int32_t First = 0;
    std::int32_t N = 0;
    // Object number to its pair in OffsetTable, filled the first time an entry's index is wrong.
    std::unordered_map<std::int32_t, std::int32_t> PositionOfNumber;
    bool PositionsIndexed = false;
};

class TPDFObjectLoader {
public:
    // Parses the entry's object and marks it loaded; false when it cannot be loaded now (the
    // entry stays unloaded).
    virtual bool LoadObject(TPDFIndObj& entry) = 0;
    // Decrypts the loaded object when the security handler is ready.
    virtual void DecryptObject(TPDFIndObj& entry) = 0;

protected:
    ~TPDFObjectLoader() = default;
};

class TPDFIndObj {
public:
    explicit TPDFIndObj(TPDFObjectLoader* loader) : Loader(loader) {}

    // The object, loaded and decrypted on first use; nil when it cannot be loaded now.
    TPDFObject* GetObject();

    TPDFObjectLoader* Loader;  // nil for an object that was made, not read
    std::int32_t ObjNum = 0;
    std::int32_t Gen = 0;
    bool Loaded = false;
    TPDFObject* Obj = nullptr;  // owned by the document's structure
    std::int32_t Offset = 0;
    std::int32_t Length = 0;
    bool Decrypted = false;
    bool Compressed = false;
    std::int32_t StreamObjNum = 0;
    std::int32_t StreamIndex = 0;
};

// Where the data of a stream lie in the text after "obj": start and length, false when they
// cannot be found. `length` is the stream's /Length, already resolved to a number.
bool FindStreamData(std::string_view text, std::size_t dictionaryEnd, std::int64_t length,
                    std::size_t& start, std::size_t& count);

}  // namespace parch
