#pragma once
// The objects of one file: its bytes, its cross references and trailer, and the indirect objects
// they locate, parsed on first use into the store's own structure. Everything that reads the
// document's objects (page tree, security, renderer) goes through this narrow interface; how the
// entries are kept and loaded stays inside.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletFileData.h"
#include "pdf/core/ScrivletIndObj.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/core/ScrivletXRef.h"
#include "pdf/core/ScrivletXRefRebuild.h"

namespace parch {

class TPDFObjectStore final : public TPDFObjectLoader {
public:
    // Nested object loads (an indirect /Length, an object stream) beyond this are damage.
    static constexpr int kMaxLoadDepth = 64;
    // The highest object number a conforming file may use; higher entries are ignored, which
    // also bounds the table that a cross-reference stream can make us build.
    static constexpr std::int32_t kMaxObjectNumber = 8388607;
    // How much of a large file's end the cross references are first looked for in.
    static constexpr std::size_t kXRefTailWindow = 16384;
    // How far an object's offset may lie behind its header.
    static constexpr std::int32_t kOffsetSlack = 20;

    TPDFObjectStore();
    ~TPDFObjectStore();
    TPDFObjectStore(const TPDFObjectStore&) = delete;
    TPDFObjectStore& operator=(const TPDFObjectStore&) = delete;

    // Drops the file, every entry and every object; the trailer is a new empty dictionary.
    void Clear();
    void SetData(TPDFFileData data);
    TPDFFileData TakeData();
    // The file's bytes for the reading done while the document opens (see TPDFFileData).
    std::string_view Data() const { return data_.View(); }
    // Up to `count` bytes of the file from `offset`, read without touching the mapping.
    std::string DataBytes(std::size_t offset, std::size_t count) const { return data_.Copy(offset, count); }

    // Reads the cross references from the end of the file and builds the entry table; false
    // when not even the newest section could be read. An older section that cannot be read
    // ends the chain there: the newer sections stay in force, and XRefChainComplete says so.
    bool ReadXRef();
    // For files whose cross references fail or lead to no page tree: the table rebuilt from the
    // objects found in the file itself. False when the file holds none.
    bool Rebuild();
    // Whether the trailer's /Root leads to a page tree (loads the catalog and the tree's root).
    bool HasPageTree();
    // The last ReadXRef read every section of the chain; objects only a lost section knew are
    // missing otherwise.
    bool XRefChainComplete() const { return xrefChainComplete_; }
    TPDFDictionary* Trailer() const { return trailer_; }
    TPDFStructure& Structure() { return structure_; }
    const TPDFStructure& Structure() const { return structure_; }

    // The entry of the number, made on first use from its cross-reference entry; nil when there
    // is none.
    TPDFIndObj* Find(std::int32_t objectNumber);
    // The object, loaded on first use; nil for a number without an entry.
    TPDFObject* Lookup(std::int32_t objectNumber);
    // Makes the object indirect under the next free number, and raises the trailer's /Size.
    TPDFIndObj* Add(TPDFObject* object);
    void Remove(std::int32_t objectNumber, std::int32_t generation);
    std::size_t Count() const { return inUseCount_ + addedNumbers_.size(); }
    std::size_t ObjectStreamCount() const { return objectStreams_.size(); }

    // Asked before the first use of each object of an encrypted file: true when the handler
    // can decrypt now, after which OnDecrypt is called once for the object.
    std::function<bool()> OnDecryptReady;
    std::function<void(std::int32_t objectNumber, std::int32_t generation, TPDFObject* object)> OnDecrypt;

    bool LoadObject(TPDFIndObj& entry) override;
    void DecryptObject(TPDFIndObj& entry) override;

private:
    void OnXRefEntry(std::int32_t number, std::int32_t second, std::int32_t third, char kind);
    void OnXRefTrailer(const std::string& text);
    void OnXRefSection(std::int64_t offset);
    void OnXRefEntryCount(std::int64_t count);
    bool NumberedFromOne() const;
    void BuildObjectTable();
    void UseScannedObjects(const TPDFXRefScan& scan);
    TPDFObjectStreamIndex ObjectStreamContents(std::int32_t streamNumber);
    TPDFXRefEntry* XRefEntryOf(std::int32_t objectNumber);
    std::unique_ptr<TPDFIndObj> NewIndObj(const TPDFXRefEntry& entry);
    std::int32_t TextLength(std::int32_t offset);
    std::int32_t HighestNumber() const;
    void ParseEntry(TPDFIndObj& entry);
    std::int64_t ResolvedLength(TPDFObject* value);
    std::string FetchObjectText(const TPDFIndObj& entry);
    // Reads the chain of sections the reader finds, reporting into the table; true when
    // every section was read.
    bool RunXRefReader(TPDFXRefReader& reader);
    bool FinishXRef(bool chainComplete);
    // The text of an object whose header starts up to kOffsetSlack bytes before its offset;
    // empty when there is no such header.
    std::string FetchShiftedObjectText(const TPDFIndObj& entry) const;
    TPDFObjectStream* ObjectStreamHeader(TPDFStream& stream);

    // Declared first: every object below points into it, so it goes last.
    TPDFStructure structure_;
    TPDFFileData data_;
    TPDFDictionary* trailer_ = nullptr;
    TSVLSortedUniqueIntegerList seenNumbers_;
    // The table: one small record per object, ascending by number once read. Entries are made
    // from it only for the objects asked for, so opening costs no work or memory per object.
    std::vector<TPDFXRefEntry> xrefEntries_;
    std::size_t inUseCount_ = 0;
    std::vector<std::int64_t> sectionOffsets_;
    // Where objects and sections start, ascending: an object's text ends at the next start.
    // Collected when the first object is read from the file.
    std::vector<std::int32_t> textStarts_;
    bool textStartsCollected_ = false;
    // The entries made so far, and the numbers of objects added after reading (ascending).
    std::unordered_map<std::int32_t, std::unique_ptr<TPDFIndObj>> entries_;
    std::vector<std::int32_t> addedNumbers_;
    std::vector<std::unique_ptr<TPDFObjectStream>> objectStreams_;
    int loadDepth_ = 0;
    bool xrefChainComplete_ = false;
};

}  // namespace parch
