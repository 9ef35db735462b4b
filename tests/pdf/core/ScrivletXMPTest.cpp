// Document information mirrored into the XMP packet.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletXMP.h"

namespace parch {
namespace {

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(XMPPacket, PDFDatesBecomeXMPDates) {
    const struct {
        const char* Pdf;
        const char* Xmp;
    } cases[] = {
        {"D:20240102030405+05'30'", "2024-01-02T03:04:05+05:30"},
        {"D:20240102030405-08'00", "2024-01-02T03:04:05-08:00"},
        {"D:20240102030405Z", "2024-01-02T03:04:05Z"},
        {"D:20240102030405Z00'00'", "2024-01-02T03:04:05Z"},
        {"D:20240102030405", "2024-01-02T03:04:05"},
        {"D:202401021304", "2024-01-02T13:04"},
        {"D:2024", "2024"},
        {"2024-01-02", "2024-01-02"},
    };
    for (const auto& c : cases) EXPECT_EQ(PDFDateToXMPDate(c.Pdf), c.Xmp) << c.Pdf;
}

// Setting entries together on a document without a packet writes the packet directly; it must
// be the packet that setting them one by one through the XML tree gives, in the same objects.
TEST(XMPPacket, EntriesSetTogetherGiveThePacketOfEntriesSetOneByOne) {
    using Entries = std::vector<std::pair<std::string_view, std::u16string>>;
    const Entries cases[] = {
        {{"Producer", u"Scrivlet Library 8.13 (https://www.tolvane.com/scrivlet)"},
         {"Creator", u"Scrivlet Library 8.13 (https://www.tolvane.com/scrivlet)"},
         {"CreationDate", u"D:20240102030405+01'00'"},
         {"ModDate", u"D:20240102030405+01'00'"}},
        {{"Title", u"A title"}, {"Author", u"Ann"}, {"Subject", u"Things"}, {"Keywords", u"a, b"}},
        {{"ModDate", u"D:2024"}, {"Author", u"Bob"}, {"CreationDate", u"D:20240102030405Z"}},
        // Values the direct writer leaves to the tree, and keys without a mirror.
        {{"Title", u"K\u00f6ln"}, {"Producer", u"x"}},
        {{"Title", u"a < b & c"}},
        {{"Author", u""}, {"Producer", u"p"}},
        {{"Trapped", u"True"}, {"Producer", u"p"}},
        {{"Author", u"Ann"}, {"Author", u"Bob"}},
    };
    for (const Entries& entries : cases) {
        TPDFDocument together;
        together.NewEmptyDocument();
        together.SetInformation(entries);
        TPDFDocument oneByOne;
        oneByOne.NewEmptyDocument();
        for (const auto& [key, value] : entries) oneByOne.SetInformation(key, value);

        const std::string packet = together.GetMetadata();
        EXPECT_FALSE(packet.empty());
        EXPECT_EQ(packet, oneByOne.GetMetadata()) << entries.front().first;
        EXPECT_EQ(together.GetInfo()->ToText(), oneByOne.GetInfo()->ToText());
        EXPECT_EQ(together.GetRoot()->ToText(), oneByOne.GetRoot()->ToText());
        EXPECT_EQ(together.Store().Count(), oneByOne.Store().Count());
    }
}

TEST(XMPPacket, NewDocumentInformationIsMirrored) {
    TPDFDocument document;
    document.NewEmptyDocument();
    document.SetInformation("Producer", u"Scrivlet");
    document.SetInformation("CreationDate", u"D:20240102030405Z");
    document.SetInformation("Title", u"K\u00f6ln");

    TPDFDictionary* info = document.GetInfo();
    EXPECT_EQ(static_cast<TPDFString*>(info->GetValue("Producer"))->Bytes, "Scrivlet");
    auto* metadata = static_cast<TPDFStream*>(document.GetRoot()->GetValue("Metadata", true));
    ASSERT_NE(metadata, nullptr);
    EXPECT_EQ(metadata->StreamDict->GetTypeName(), "Metadata");
    EXPECT_EQ(metadata->StreamDict->GetValue("Filter"), nullptr);

    const std::string packet = document.GetMetadata();
    EXPECT_EQ(packet.rfind("<?xpacket begin=", 0), 0u);
    EXPECT_NE(packet.find("<dc:format>application/pdf</dc:format>"), std::string::npos);
    EXPECT_NE(packet.find("<pdf:Producer>Scrivlet</pdf:Producer>"), std::string::npos);
    EXPECT_NE(packet.find("<xmp:CreateDate>2024-01-02T03:04:05Z</xmp:CreateDate>"), std::string::npos);
    EXPECT_NE(packet.find("<rdf:li xml:lang=\"x-default\">K\xc3\xb6ln</rdf:li>"), std::string::npos);
    const std::size_t end = packet.rfind("<?xpacket end=");
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(packet.substr(end - 1024, 1024), std::string(1023, ' ') + "\n");
}

TEST(XMPPacket, SettersReplaceTheirPropertyOnce) {
    TPDFDocument document;
    document.NewEmptyDocument();
    document.SetInformation("Author", u"Ann");
    document.SetInformation("Author", u"Ann");
    EXPECT_EQ(Occurrences(document.GetMetadata(), "<dc:creator>"), 1);
    document.SetInformation("Author", u"Bob");
    const std::string packet = document.GetMetadata();
    EXPECT_EQ(Occurrences(packet, "<dc:creator>"), 1);
    EXPECT_NE(packet.find("<rdf:li>Bob</rdf:li>"), std::string::npos);
    EXPECT_EQ(packet.find("Ann"), std::string::npos);

    // A key outside the table changes only /Info.
    document.SetInformation("Trapped", u"True");
    EXPECT_EQ(document.GetMetadata(), packet);
}

TEST(XMPPacket, LastDescriptionOfTheNamespaceTakesTheProperty) {
    TScrivletXMP xmp;
    xmp.Load("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
             "<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" rdf:about=\"first\"/>"
             "<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" rdf:about=\"last\"/>"
             "</rdf:RDF></x:xmpmeta>");
    xmp.SetTitle("T");
    const std::string packet = xmp.Save();
    const std::size_t last = packet.find("rdf:about=\"last\"");
    const std::size_t title = packet.find("<dc:title>");
    ASSERT_NE(last, std::string::npos);
    ASSERT_NE(title, std::string::npos);
    EXPECT_GT(title, last);
}

TEST(XMPPacket, APacketThatIsNotXMLIsLeftAlone) {
    TPDFDocument document;
    document.NewEmptyDocument();
    document.SetMetadata("this is <not xml");
    EXPECT_NO_THROW(document.SetInformation("Title", u"Kept"));
    EXPECT_EQ(static_cast<TPDFString*>(document.GetInfo()->GetValue("Title"))->Bytes, "Kept");
    EXPECT_EQ(document.GetMetadata(), "this is <not xml");
}

}  // namespace
}  // namespace parch
