// Rebuilding cross references from the objects found in a file: the scanner on small byte
// strings. Whole damaged documents are opened against the peer readers in ScrivletOpenCorpusTest.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "pdf/core/ScrivletXRefRebuild.h"

namespace parch {
namespace {

constexpr std::int32_t kHighestNumber = 8388607;

struct ScannedHeader {
    std::int32_t Number;
    std::int64_t Offset;
};

std::vector<ScannedHeader> HeadersFound(const TPDFXRefScan& scan) {
    std::vector<ScannedHeader> found;
    for (const TPDFScannedObject& object : scan.Objects) found.push_back({object.ObjNum, object.Offset});
    return found;
}

bool operator==(const ScannedHeader& a, const ScannedHeader& b) { return a.Number == b.Number && a.Offset == b.Offset; }

void PrintTo(const ScannedHeader& found, std::ostream* out) { *out << found.Number << "@" << found.Offset; }

struct ScanCase {
    const char* Name;
    std::string Data;
    std::vector<ScannedHeader> Objects;
};

TEST(XRefScan, FindsHeadersAtTokenBoundariesOnly) {
    const std::string endless = "1 0 obj\n<< /Length 5 >>\nstream\nabcde 2 0 obj (x) endobj";
    const std::vector<ScanCase> cases = {
        {"empty input", "", {}},
        {"one object", "1 0 obj\n<<>>\nendobj\n", {{1, 0}}},
        {"glued to delimiters and odd line ends",
         "%PDF-1.4\r12 0 obj<</A 1>>endobj\r\n3 5 obj[1 2]endobj 4 0 obj(x)endobj\t7\n0\robj/N endobj",
         {{3, 33}, {4, 52}, {7, 69}, {12, 9}}},
        {"part of a longer word", "x1 0 obj 2 0 objx 3 0 obj", {{3, 18}}},
        {"two numbers before, the last two count", "5 0 R 9 1 0 obj (a) endobj", {{1, 8}}},
        {"a comment between the numbers", "1 % c\n0 obj 2 0 obj", {{2, 12}}},
        {"inside a string", "1 0 obj\n(say 10 0 obj \\) (and) 11 0 obj)\nendobj\n", {{1, 0}}},
        {"inside stream data", "1 0 obj\n<< /Length 9 >>\nstream\n10 0 obj\nendstream\nendobj\n2 0 obj 3 endobj",
         {{1, 0}, {2, 57}}},
        {"inside a comment", "% 5 0 obj\n6 0 obj null endobj", {{6, 10}}},
        {"a duplicate: the last one wins", "1 0 obj\n(a)\nendobj\n1 0 obj\n(b)\nendobj\n", {{1, 19}}},
        {"numbers over the caps", "8388608 0 obj (a) endobj 2 65536 obj (b) endobj 0 0 obj (c) endobj 8388607 0 obj",
         {{8388607, 67}}},
        {"a string that never closes hides nothing", "1 0 obj\n(abc\nendobj\n2 0 obj\n<<>>\nendobj",
         {{1, 0}, {2, 20}}},
        {"stream data without endstream hides nothing", endless, {{1, 0}, {2, 37}}},
        {"a stray parenthesis between objects", "1 0 obj 1 endobj ( 2 0 obj 2 endobj", {{1, 0}, {2, 19}}},
    };
    for (const ScanCase& test : cases) {
        SCOPED_TRACE(test.Name);
        EXPECT_EQ(HeadersFound(ScanForObjects(test.Data, kHighestNumber)), test.Objects);
    }
}

TEST(XRefScan, KeepsTheLastTrailerThatNamesARoot) {
    const std::string data =
        "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
        "trailer\n<< /Size 3 /Root 1 0 R /ID [<01> <02>] >>\n"
        "trailer\n<< /Size 3 /Info 4 0 R >>\n";
    TPDFXRefScan scan = ScanForObjects(data, kHighestNumber);
    EXPECT_EQ(scan.TrailerText, "<< /Size 3 /Root 1 0 R /ID [<01> <02>] >>");
    EXPECT_EQ(scan.TrailerOffset, static_cast<std::int64_t>(data.find("<< /Size 3 /Root")));
    EXPECT_EQ(scan.CatalogNumber, 1);

    // A cross-reference stream's dictionary is a trailer too; a nested /Root is no key of it.
    const std::string streams = data +
        "7 0 obj << /Type /XRef /Size 8 /Root 1 0 R /W [1 2 1] /Length 4 >>\nstream\n\x01\x02\x03\x04\nendstream endobj\n"
        "trailer << /Size 9 /Info << /Root 1 0 R >> >>\n";
    scan = ScanForObjects(streams, kHighestNumber);
    EXPECT_EQ(scan.TrailerText, "<< /Type /XRef /Size 8 /Root 1 0 R /W [1 2 1] /Length 4 >>");

    scan = ScanForObjects("trailer << /Size 3 >>", kHighestNumber);
    EXPECT_TRUE(scan.TrailerText.empty());
    EXPECT_EQ(scan.TrailerOffset, -1);
}

TEST(XRefScan, NotesCatalogsAndObjectStreamsByTheirOwnType) {
    const std::vector<std::pair<std::string, std::int32_t>> catalogs = {
        {"3 0 obj << /Type /Catalog >> endobj", 3},
        {"3 2 obj<</Pages 4 0 R/Type/Catalog>>endobj", 3},
        {"3 0 obj << /Kids [ /Type /Catalog ] >> endobj", 0},
        {"3 0 obj << /Sub << /Type /Catalog >> >> endobj", 0},
        {"3 0 obj 5 << /Type /Catalog >> endobj", 0},
        {"3 0 obj << /Type /Catalog >> endobj 3 0 obj << /Type /Page >> endobj", 0},
        {"3 0 obj << /Type /Catalog >> endobj 9 0 obj << /Type /Catalog >> endobj", 9},
    };
    for (const auto& [data, number] : catalogs) {
        SCOPED_TRACE(data);
        EXPECT_EQ(ScanForObjects(data, kHighestNumber).CatalogNumber, number);
    }
    const TPDFXRefScan scan = ScanForObjects(
        "4 0 obj << /Type /ObjStm /N 1 /First 4 /Length 8 >>\nstream\n5 0 (a)\nendstream endobj "
        "6 0 obj << /Type /ObjStm >> endobj 6 0 obj null endobj",
        kHighestNumber);
    EXPECT_EQ(scan.ObjectStreams, std::vector<std::int32_t>{4});
    EXPECT_EQ(scan.CatalogGen, 0);
}

std::vector<std::int32_t> ListedNumbers(std::string_view decoded, std::int64_t first, std::int64_t count) {
    return ReadObjectStreamIndex(decoded, first, count).Numbers;
}

TEST(XRefScan, ReadsObjectStreamHeaders) {
    EXPECT_EQ(ListedNumbers("10 0 11 15 12 30 (a)", 17, 3), (std::vector<std::int32_t>{10, 11, 12}));
    EXPECT_EQ(ListedNumbers("10 0 11 15 12 30 (a)", 17, 2), (std::vector<std::int32_t>{10, 11}));
    EXPECT_EQ(ListedNumbers("10 0 11 15", 100, 5), (std::vector<std::int32_t>{10, 11}));
    EXPECT_EQ(ListedNumbers("10 0 x 15 12 30", 15, 3), (std::vector<std::int32_t>{10}));
    EXPECT_EQ(ListedNumbers("10 0 11", 7, 2), (std::vector<std::int32_t>{10}));
    EXPECT_TRUE(ListedNumbers("10 0", 0, 1).empty());
    EXPECT_TRUE(ListedNumbers("10 0", 4, -1).empty());
    EXPECT_TRUE(ListedNumbers("", 4, 1000000000).empty());

    const std::string catalogs = "7 0 8 21 9 51 9 60\n<< /Type /Catalog >> << /A << /Type /Catalog >> >> "
                                 "<</Type/Catalog>> (x)";
    const std::size_t first = catalogs.find('<');
    EXPECT_EQ(ReadObjectStreamIndex(catalogs, static_cast<std::int64_t>(first), 2).CatalogIndex, 0);
    EXPECT_EQ(ReadObjectStreamIndex(catalogs, static_cast<std::int64_t>(first), 3).CatalogIndex, 2);
    // Offsets out of order or beyond the data give empty texts, not a fault.
    EXPECT_EQ(ReadObjectStreamIndex("1 50 2 3 3 1 <</Type/Catalog>>", 12, 3).CatalogIndex, 2);
}

TEST(XRefScan, ObjectStreamContentsKeepTheLatestDefinition) {
    // 3 is written before the stream, 5 after it; the stream lists 3, 5, itself, 8 and a number
    // over the cap.
    TPDFXRefScan scan = ScanForObjects(
        "3 0 obj (old) endobj 4 0 obj << /Type /ObjStm >> endobj 5 0 obj (new) endobj", 100);
    ASSERT_EQ(scan.ObjectStreams, std::vector<std::int32_t>{4});
    TPDFObjectStreamIndex index;
    index.Numbers = {3, 5, 4, 8, 101};
    index.CatalogIndex = 3;
    TPDFObjectStreamIndex unknownStream;
    unknownStream.Numbers = {9};
    AddObjectStreamContents(scan, {{4, index}, {77, unknownStream}});
    ASSERT_EQ(scan.Objects.size(), 4u);
    EXPECT_EQ(scan.Objects[0].ObjNum, 3);
    EXPECT_TRUE(scan.Objects[0].Compressed);
    EXPECT_EQ(scan.Objects[0].StreamObjNum, 4);
    EXPECT_EQ(scan.Objects[0].StreamIndex, 0);
    EXPECT_EQ(scan.Objects[1].ObjNum, 4);
    EXPECT_FALSE(scan.Objects[1].Compressed);
    EXPECT_EQ(scan.Objects[2].ObjNum, 5);
    EXPECT_FALSE(scan.Objects[2].Compressed);
    EXPECT_EQ(scan.Objects[3].ObjNum, 8);
    EXPECT_EQ(scan.Objects[3].StreamIndex, 3);
    EXPECT_EQ(scan.CatalogNumber, 8);

    // A direct catalog written after the stream stays the catalog.
    scan = ScanForObjects("4 0 obj << /Type /ObjStm >> endobj 6 0 obj << /Type /Catalog >> endobj", 100);
    AddObjectStreamContents(scan, {{4, index}});
    EXPECT_EQ(scan.CatalogNumber, 6);
}

// Hostile shapes that would cost quadratic time or unbounded memory with a naive scan: every
// open parenthesis, every "stream" and every unclosed dictionary must not start a search over
// the rest of the file again.
TEST(XRefScan, StaysLinearOnHostileInput) {
    std::string data;
    for (int i = 0; i < 200000; ++i) data += "1 0 obj ( << stream\n";
    data += "2 0 obj << /Type /Catalog >> endobj";
    const TPDFXRefScan scan = ScanForObjects(data, kHighestNumber);
    ASSERT_EQ(scan.Objects.size(), 2u);
    EXPECT_EQ(scan.Objects[0].Offset, static_cast<std::int64_t>(data.size() - 35 - 20));
    EXPECT_EQ(scan.CatalogNumber, 2);

    std::string many;
    for (std::size_t i = 0; i < kMaxScannedHeaders + 10; ++i) many += "1 0 obj ";
    EXPECT_EQ(ScanForObjects(many, kHighestNumber).Objects.size(), 1u);
}

}  // namespace
}  // namespace parch
