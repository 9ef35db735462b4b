#pragma once
// The XMP metadata packet of a document, held as an XML tree (libxml2), so that the document
// information entries can be mirrored into it. No operation raises: a packet that cannot be
// handled leaves the metadata as it was.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

// "D:YYYYMMDDHHmmSSOHH'mm'" (any tail may be missing, O is "+", "-" or "Z") to the XMP form
// "YYYY-MM-DDTHH:mm:SS+HH:mm"; a text without "D:" is returned unchanged.
std::string PDFDateToXMPDate(std::string_view date);

// One property of a packet: its namespace prefix ("dc", "xmp" or "pdf"), local name and value.
struct TXMPProperty {
    std::string_view Prefix;
    std::string_view LocalName;
    std::string Value;
};

// The packet that a new, empty packet becomes when each property is set on it in turn, written
// directly as text: a fresh document's information needs no XML tree. Empty when a value is not
// plain printable ASCII without markup characters, when a property appears twice or is not one
// the packet holds, or when a value is empty; the tree then has to do the work.
std::string FreshPacketText(const std::vector<TXMPProperty>& properties);

class TScrivletXMP {
public:
    TScrivletXMP();
    ~TScrivletXMP();
    TScrivletXMP(const TScrivletXMP&) = delete;
    TScrivletXMP& operator=(const TScrivletXMP&) = delete;

    // Empty bytes make a new packet; bytes that are not XML leave the tree empty.
    void Load(std::string_view packet);
    // The packet as UTF-8, with 1,024 bytes of padding before its end marker; empty when the
    // tree is empty.
    std::string Save() const;

    // Each setter writes its property unless the value equals the one last set or loaded.
    // Values are UTF-8.
    void SetTitle(const std::string& value);
    void SetCreator(const std::string& value);
    void SetDescription(const std::string& value);
    void SetKeywords(const std::string& value);
    void SetCreatorTool(const std::string& value);
    void SetProducer(const std::string& value);
    void SetCreateDate(const std::string& value);
    void SetModifyDate(const std::string& value);

    bool Unavailable = false;
    std::string Title, Creator, Description, Keywords, CreatorTool, Producer, CreateDate,
        ModifyDate;

private:
    struct Tree;

    void Reset();
    void NewPacket();
    void WriteEveryProperty();
    void SetProperty(std::string_view prefix, std::string_view localName, const std::string& value);
    void Assign(std::string& stored, std::string_view prefix, std::string_view localName,
                const std::string& value);

    std::unique_ptr<Tree> tree_;
};

}  // namespace parch
