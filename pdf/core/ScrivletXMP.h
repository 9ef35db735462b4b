#pragma once
// The XMP metadata packet of a document, held as an XML tree (libxml2), so that the document
// information entries can be mirrored into it. No operation raises: a packet that cannot be
// handled leaves the metadata as it was.

#include <memory>
#include <string>
#include <string_view>

namespace parch {

// "D:YYYYMMDDHHmmSSOHH'mm'" (any tail may be missing, O is "+", "-" or "Z") to the XMP form
// "YYYY-MM-DDTHH:mm:SS+HH:mm"; a text without "D:" is returned unchanged.
std::string PDFDateToXMPDate(std::string_view date);

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
