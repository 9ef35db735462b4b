#pragma once
// One open PDF document: the whole file in memory, its cross references, its security
// handler, the indirect objects loaded on demand, its page tree and its standard fonts.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletIndObj.h"
#include "pdf/core/ScrivletSecurity.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/core/ScrivletXRef.h"

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
    // Nested object loads (an indirect /Length, an object stream) beyond this are damage.
    static constexpr int kMaxLoadDepth = 64;
    // Files are addressed with 32-bit offsets.
    static constexpr std::int64_t kMaxFileSize = INT32_MAX;
    // The highest object number a conforming file may use; higher entries are ignored, which
    // also bounds the table that a cross-reference stream can make us build.
    static constexpr std::int32_t kMaxObjectNumber = 8388607;
    // How far an object's offset may lie behind its header.
    static constexpr std::int32_t kOffsetSlack = 20;

    TPDFDocument();
    ~TPDFDocument();
    TPDFDocument(const TPDFDocument&) = delete;
    TPDFDocument& operator=(const TPDFDocument&) = delete;

    std::uint8_t ReadDocument(TStream& stream, std::u16string_view password);
    std::uint8_t OpenParsed(std::u16string_view password);
    bool ReadHeader();
    void Reset();
    bool NewEmptyDocument();

    // Cross references.
    bool ReadXRef();
    void OnXRefEntry(std::int32_t number, std::int32_t second, std::int32_t third, char kind);
    void OnXRefTrailer(const std::string& text);
    void OnXRefSection(std::int64_t offset);
    void BuildObjectTable();

    // Indirect objects.
    void RebuildIndex();
    TPDFIndObj* FindIndObj(std::int32_t objectNumber) const;
    TPDFObject* LookupObject(std::int32_t objectNumber);
    std::string FetchObjectText(const TPDFIndObj& entry);
    // The text of an object whose header starts up to kOffsetSlack bytes before its offset;
    // empty when there is no such header.
    std::string FetchShiftedObjectText(const TPDFIndObj& entry) const;
    TPDFIndObj* AddIndObj(TPDFObject* object);
    void RegisterObject(TPDFObject* object, std::int32_t& objectNumber, std::int32_t& generation);

    // Security.
    int EncryptionState();
    void CheckPassword(std::u16string_view password);
    TPDFArray* GetIDArray();

    // Catalog and dictionaries.
    TPDFDictionary* GetRoot();
    TPDFDictionary* GetPagesDict();
    TPDFDictionary* GetInfo();

    // Document information, mirrored into the XMP packet; metadata failures stay inside.
    void SetInformation(std::string_view key, std::u16string_view value);
    void SetInfoEntry(std::string_view key, const std::string& value);
    std::string GetMetadata();
    void SetMetadata(const std::string& packet);

    // Standard fonts.
    TPDFFont* AddStandardFont(int index);
    TPDFFont* GetFont(int index) const;
    int FontCount() const { return static_cast<int>(Fonts.size()); }
    bool HasFont(const void* object) const;
    int PageItemCount() const { return 0; }
    void* GetPageItem(int) const { return nullptr; }

    // The page the tree should select for a reference, 0 when none.
    std::int32_t PageNumberOfRef(const TPDFIndRef* reference);
    // Loads and decrypts the object and everything reachable from it.
    void LoadObjectTree(std::int32_t objectNumber);
    void RemoveObject(std::int32_t objectNumber, std::int32_t generation);

    TSVLSortedUniqueIntegerList SeenNumbers;
    std::vector<TPDFXRefEntry> Entries;
    std::int32_t EntryCount = 0;
    std::int32_t FontCounter = 0;
    std::vector<std::int64_t> SectionOffsets;
    std::vector<std::unique_ptr<TPDFTable>> Tables;
    std::vector<std::unique_ptr<TPDFObjectStream>> ObjectStreams;
    std::string Version;
    std::string FileData;
    TPDFStructure Structure;
    std::vector<std::unique_ptr<TPDFIndObj>> IndObjs;
    std::vector<std::int32_t> IndexNumbers;
    std::vector<std::int32_t> IndexPositions;
    TPDFDictionary* Trailer = nullptr;
    std::unique_ptr<TPDFPageTree> PageTree;
    std::vector<std::unique_ptr<TPDFFont>> Fonts;
    TPDFSecurityHandler Security;
    std::vector<std::unique_ptr<TPDFShader>> Shaders;
    std::string FileName;  // UTF-8
    int LoadDepth = 0;
    std::int64_t MaxFileSize = kMaxFileSize;  // larger input is unreadable

private:
    void NewPageTree(TPDFDictionary* pages);
    TPDFDictionary* TrailerDictionary(std::string_view key);
    bool NumberedFromOne() const;
    bool ReadWhole(TStream& stream);
    void ClearLinearization();
};

}  // namespace parch
