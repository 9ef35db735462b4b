#pragma once
// One open PDF document: its object store (the file, its cross references and the indirect
// objects loaded on demand), its security handler, its page tree and its standard fonts.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/core/ScrivletObjectStore.h"
#include "pdf/core/ScrivletSecurity.h"

namespace parch {

class TPDFFont;
class TPDFPageTree;
class TPDFTable;
class TPDFShader;
class TStream;

// Answers of TPDFDocument::ReadDocument and OpenParsed.
inline constexpr std::uint8_t kOpenOk = 0;
inline constexpr std::uint8_t kOpenPasswordNeeded = 1;  // needed, or the one given is wrong
inline constexpr std::uint8_t kOpenUnreadable = 2;
// Encrypted by a handler or method the library does not implement: no password can help.
inline constexpr std::uint8_t kOpenUnsupportedEncryption = 3;

class TPDFDocument {
public:
    // Files are addressed with 32-bit offsets.
    static constexpr std::int64_t kMaxFileSize = INT32_MAX;

    TPDFDocument();
    ~TPDFDocument();
    TPDFDocument(const TPDFDocument&) = delete;
    TPDFDocument& operator=(const TPDFDocument&) = delete;

    std::uint8_t ReadDocument(TStream& stream, std::u16string_view password);
    // Takes the stream's bytes from its position to its end as the document's file; false
    // (and no file) when they are more than the size limit.
    bool ReadSource(TStream& stream);
    // Opens the file taken by ReadSource. With rebuildCrossReferences, cross references that
    // fail or lead to no page tree are rebuilt from the objects found in the file.
    std::uint8_t OpenParsed(std::u16string_view password, bool rebuildCrossReferences = false);
    bool ReadHeader();
    void Reset();
    bool NewEmptyDocument();

    // Cross references and indirect objects, kept by the object store.
    bool ReadXRef() { return store_.ReadXRef(); }
    TPDFIndObj* FindIndObj(std::int32_t objectNumber) { return store_.Find(objectNumber); }
    TPDFObject* LookupObject(std::int32_t objectNumber) { return store_.Lookup(objectNumber); }
    TPDFIndObj* AddIndObj(TPDFObject* object) { return store_.Add(object); }
    void RegisterObject(TPDFObject* object, std::int32_t& objectNumber, std::int32_t& generation);
    const TPDFObjectStore& Store() const { return store_; }
    TPDFStructure& Structure() { return store_.Structure(); }
    TPDFDictionary* Trailer() const { return store_.Trailer(); }
    std::string_view FileData() const { return store_.Data(); }

    // Security.
    int EncryptionState();
    void CheckPassword(std::u16string_view password);
    TPDFArray* GetIDArray();
    const TPDFSecurityHandler& Security() const { return security_; }

    // Catalog and dictionaries.
    TPDFDictionary* GetRoot();
    TPDFDictionary* GetPagesDict();
    TPDFDictionary* GetInfo();
    TPDFPageTree* PageTree() const { return pageTree_.get(); }

    // Document information, mirrored into the XMP packet; metadata failures stay inside.
    void SetInformation(std::string_view key, std::u16string_view value);
    // Several entries, each as SetInformation would set it, in order; a document without a
    // packet gets its new packet written once instead of rewritten per entry.
    void SetInformation(const std::vector<std::pair<std::string_view, std::u16string>>& entries);
    void SetInfoEntry(std::string_view key, const std::string& value);
    std::string GetMetadata();
    void SetMetadata(const std::string& packet);

    // Standard fonts.
    TPDFFont* AddStandardFont(int index);
    TPDFFont* GetFont(int index) const;
    int FontCount() const { return static_cast<int>(fonts_.size()); }
    bool HasFont(const void* object) const;
    int PageItemCount() const { return 0; }
    void* GetPageItem(int) const { return nullptr; }

    // The page the tree should select for a reference, 0 when none.
    std::int32_t PageNumberOfRef(const TPDFIndRef* reference);
    // Loads and decrypts the object and everything reachable from it.
    void LoadObjectTree(std::int32_t objectNumber);
    void RemoveObject(std::int32_t objectNumber, std::int32_t generation) { store_.Remove(objectNumber, generation); }

    const std::string& Version() const { return version_; }
    const std::string& FileName() const { return fileName_; }  // UTF-8
    void SetFileName(std::string path) { fileName_ = std::move(path); }
    // Larger input is unreadable.
    void SetMaxFileSize(std::int64_t size) { maxFileSize_ = size; }

private:
    void NewPageTree(TPDFDictionary* pages);
    TPDFDictionary* TrailerDictionary(std::string_view key);
    void ClearLinearization();

    // Declared first: the page tree and the fonts point into its structure, so it goes last.
    TPDFObjectStore store_;
    std::int32_t fontCounter_ = 0;
    std::vector<std::unique_ptr<TPDFTable>> tables_;
    std::string version_;
    std::unique_ptr<TPDFPageTree> pageTree_;
    std::vector<std::unique_ptr<TPDFFont>> fonts_;
    TPDFSecurityHandler security_;
    std::vector<std::unique_ptr<TPDFShader>> shaders_;
    std::string fileName_;
    std::int64_t maxFileSize_ = kMaxFileSize;
};

}  // namespace parch
