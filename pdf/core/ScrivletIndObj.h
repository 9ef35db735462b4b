#pragma once
// Indirect objects of an open document, parsed (and decrypted) on their first use, and the
// cached headers of object streams.

#include <cstdint>
#include <string>
#include <string_view>

namespace parch {

class TPDFArray;
class TPDFDocument;
class TPDFObject;
class TPDFStructure;

// The header of one /ObjStm stream, decoded once and kept for all its objects.
class TPDFObjectStream {
public:
    std::string DecodedData;
    TPDFArray* OffsetTable = nullptr;  // pooled in the document's structure
    std::int32_t First = 0;
    std::int32_t N = 0;
};

class TPDFIndObj {
public:
    explicit TPDFIndObj(TPDFDocument* document) : Document(document) {}

    // The object, loaded and decrypted on first use; nil when it cannot be loaded now.
    TPDFObject* GetObject();
    void Load();
    void Decrypt();

    TPDFDocument* Document;
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

private:
    // Reads the two numbers at the start of the text; true when they are this object's.
    bool HeaderMatches(std::string_view text, std::size_t& position) const;
};

// Where the data of a stream lie in the text after "obj": start and length, false when they
// cannot be found. `length` is the stream's /Length, already resolved to a number.
bool FindStreamData(std::string_view text, std::size_t dictionaryEnd, std::int64_t length,
                    std::size_t& start, std::size_t& count);

}  // namespace parch
