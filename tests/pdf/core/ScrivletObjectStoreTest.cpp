// The object table made on demand: entries found whatever order the cross references list them
// in, each object's text ending where the next object of the file begins, and objects removed
// and added after reading.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "PdfBuilder.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch {
namespace {

using testpdf::Read;

// Objects written in the order given, listed by a table of one-entry subsections in the reverse
// order, so that neither the file nor the table is in number order.
std::string FileOutOfOrder(const std::vector<std::pair<int, std::string>>& objects) {
    std::string file = "%PDF-1.4\n";
    std::vector<std::pair<int, std::size_t>> offsets;
    for (const auto& [number, text] : objects) {
        offsets.emplace_back(number, file.size());
        file += std::to_string(number) + " 0 obj\n" + text + "\nendobj\n";
    }
    const std::size_t xref = file.size();
    file += "xref\n0 1\n0000000000 65535 f \n";
    for (auto entry = offsets.rbegin(); entry != offsets.rend(); ++entry) {
        char line[40];
        std::snprintf(line, sizeof line, "%d 1\n%010zu 00000 n \n", entry->first, entry->second);
        file += line;
    }
    file += "trailer\n<< /Size 9 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return file;
}

TEST(ObjectStore, ObjectTextEndsAtTheNextObjectInTheFile) {
    // Stream 4 announces far more data than it has: its data end at the "endstream" that closes
    // its own text, which only a text ending at object 3 (written next, numbered lower) holds.
    const std::string file = FileOutOfOrder({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                             {2, "<< /Type /Pages /Count 1 /Kids [5 0 R] >>"},
                                             {4, "<< /Length 900 >>\nstream\nabc\nendstream"},
                                             {3, "(three)"},
                                             {5, testpdf::Page(2)}});
    TPDFDocument document;
    ASSERT_EQ(Read(document, file), kOpenOk);
    EXPECT_EQ(document.PageTree()->GetPageCount(), 1);
    TPDFStream* stream = AsStream(document.LookupObject(4));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Data, "abc");
    const TPDFObject* three = document.LookupObject(3);
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(three->Kind, kPDFKindString);
    EXPECT_EQ(document.FindIndObj(8), nullptr);
    EXPECT_EQ(document.FindIndObj(0), nullptr);  // the free head of the list
}

TEST(ObjectStore, RemovedAndAddedObjects) {
    testpdf::PdfParts parts = testpdf::PagesParts("<< /Type /Pages /Count 1 /Kids [3 0 R] >>");
    parts.Objects[3] = testpdf::Page(2);
    parts.Objects[4] = "(four)";
    parts.Objects[5] = "(five)";
    // Read without opening: selecting a page would add a content stream of its own.
    TPDFDocument document;
    TStringStream source(testpdf::BuildPdf(parts));
    ASSERT_TRUE(document.ReadSource(source));
    ASSERT_TRUE(document.ReadXRef());
    const std::size_t read = document.Store().Count();
    EXPECT_EQ(read, 5u);

    document.RemoveObject(4, 1);  // another generation: nothing goes
    EXPECT_NE(document.FindIndObj(4), nullptr);
    document.RemoveObject(5, 0);
    EXPECT_EQ(document.FindIndObj(5), nullptr);
    EXPECT_EQ(document.LookupObject(5), nullptr);
    EXPECT_EQ(document.Store().Count(), read - 1);

    // A new object takes the number after the highest one left, and answers under it.
    TPDFDictionary* made = document.Structure().NewDictionary();
    const TPDFIndObj* added = document.AddIndObj(made);
    EXPECT_EQ(added->ObjNum, 5);
    EXPECT_EQ(document.LookupObject(5), made);
    EXPECT_EQ(document.Store().Count(), read);
    EXPECT_EQ(document.AddIndObj(document.Structure().NewDictionary())->ObjNum, 6);

    document.RemoveObject(5, 0);
    EXPECT_EQ(document.FindIndObj(5), nullptr);
    EXPECT_NE(document.FindIndObj(6), nullptr);
    EXPECT_EQ(document.LookupObject(4)->Kind, kPDFKindString);
}

// A negative generation takes the number from older sections, but no object answers to it.
TEST(ObjectStore, NegativeGenerationHidesTheNumber) {
    const std::string older = "xref\n5 1\n0000000100 00000 n \ntrailer\n<< /Size 6 >>\n";
    const std::string newer = "xref\n5 1\n0000000300 -0001 n \ntrailer\n<< /Size 6 /Prev 0 >>\n";
    TPDFDocument document;
    TStringStream source(older + newer + "startxref\n" + std::to_string(older.size()) + "\n%%EOF\n");
    ASSERT_TRUE(document.ReadSource(source));
    ASSERT_TRUE(document.ReadXRef());
    EXPECT_EQ(document.FindIndObj(5), nullptr);
    EXPECT_EQ(document.Store().Count(), 0u);
}

}  // namespace
}  // namespace parch
