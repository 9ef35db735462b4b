// Damaged files that still open: offsets of older cross-reference sections that land a little
// off, an older section that cannot be read, object-stream entries with a wrong index, and page
// trees whose /Count cannot be right. qpdf reads the same files as the oracle.

#include <gtest/gtest.h>

#include <map>
#include <string>


#include "base/Streams.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletPageTree.h"
#include "tests/pdf/core/PdfBuilder.h"
#include "tests/pdf/core/ToolOracle.h"

namespace parch {
namespace {

using testpdf::BuildPdf;
using testpdf::PagesParts;
using testpdf::Page;
using testpdf::PdfParts;
using testpdf::Read;


std::string ObjectText(TPDFDocument& document, int number) {
    const TPDFObject* object = document.LookupObject(number);
    return object ? object->ToText() : std::string("(none)");
}

// What qpdf shows of an object; empty when qpdf cannot read the file (exit code 2).
std::string QpdfObject(const std::string& path, int number) {
    oracle::ToolResult shown = oracle::RunCommand("qpdf --show-object=" + std::to_string(number) + " " + path + " 2>/dev/null");
    if (shown.ExitCode != 0 && shown.ExitCode != 3) return {};
    while (!shown.Output.empty() && (shown.Output.back() == '\n' || shown.Output.back() == ' ')) shown.Output.pop_back();
    return shown.Output;
}

// --- Cross-reference sections found near their offset ------------------------------------------

std::string Entry(std::size_t offset) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    return line;
}

void AppendObjects(std::string& file, const std::map<int, std::string>& objects, std::map<int, std::size_t>& offsets) {
    for (const auto& [number, text] : objects) {
        offsets[number] = file.size();
        file += std::to_string(number) + " 0 obj\n" + text + "\nendobj\n";
    }
}

// A classic section with one subsection per object.
void AppendTable(std::string& file, const std::map<int, std::size_t>& offsets, const std::string& trailer) {
    file += "xref\n0 1\n0000000000 65535 f \n";
    for (const auto& [number, offset] : offsets) file += std::to_string(number) + " 1\n" + Entry(offset);
    file += "trailer\n<< " + trailer + " >>\n";
}

// An uncompressed cross-reference stream (object `self`) with /W [1 4 2].
void AppendXRefStream(std::string& file, int self, const std::map<int, std::size_t>& offsets, const std::string& trailer) {
    std::string index;
    std::string data;
    for (const auto& [number, offset] : offsets) {
        index += std::to_string(number) + " 1 ";
        data += '\x01';
        for (int shift = 24; shift >= 0; shift -= 8) data += static_cast<char>((offset >> shift) & 0xFF);
        data += std::string(2, '\0');
    }
    file += std::to_string(self) + " 0 obj\n<< /Type /XRef /W [1 4 2] /Index [" + index + "] /Length " +
            std::to_string(data.size()) + " " + trailer + " >>\nstream\n" + data + "\nendstream\nendobj\n";
}

// Two revisions: the first holds the catalog, page 3 and object 4, which only it defines; the
// update redefines the catalog and the tree and adds page 5. The first revision's section is
// written after `filler` (blank lines, comments, or nothing), and the update names it with
// the offset where the filler starts, moved by `shift`.
struct TwoRevisions {
    std::string File;
    std::size_t FirstSection = 0;  // where the first revision's section really starts
};

enum class Older { kTable, kStream, kHybridStream };

TwoRevisions MakeTwoRevisions(Older older, const std::string& filler, long shift,
                              const std::string& beforeFirst = "", const std::string& beforeUpdate = "") {
    TwoRevisions made;
    std::string& file = made.File;
    file = "%PDF-1.5\n" + beforeFirst;
    std::map<int, std::size_t> first;
    AppendObjects(file,
                  {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                   {2, "<< /Type /Pages /Count 1 /Kids [3 0 R] >>"},
                   {3, Page(2)},
                   {4, "(only in the first revision)"}},
                  first);
    const std::size_t fillerAt = file.size();
    file += filler;
    made.FirstSection = file.size();
    if (older == Older::kTable)
        AppendTable(file, first, "/Size 6 /Root 1 0 R");
    else
        AppendXRefStream(file, 6, first, "/Size 7 /Root 1 0 R");
    const std::string named = std::to_string(static_cast<long>(fillerAt) + shift);

    file += beforeUpdate;
    std::map<int, std::size_t> update;
    AppendObjects(file,
                  {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                   {2, "<< /Type /Pages /Count 2 /Kids [3 0 R 5 0 R] >>"},
                   {5, Page(2)}},
                  update);
    const std::size_t newest = file.size();
    const std::string link = older == Older::kHybridStream ? " /XRefStm " + named : " /Prev " + named;
    AppendTable(file, update, "/Size 7 /Root 1 0 R" + link);
    file += "startxref\n" + std::to_string(newest) + "\n%%EOF\n";
    return made;
}

TEST(DamagedFile, OlderSectionsAreFoundNearWhereTheirOffsetPoints) {
    const std::string comment = "\n\n% the first revision ends here; its cross references follow\n\n";
    const struct {
        const char* Case;
        Older Kind;
        std::string Filler;
        long Shift;
    } cases[] = {
        {"blank lines and a comment before the table", Older::kTable, comment, 0},
        {"a long run of blanks before the table", Older::kTable, std::string(300, ' ') + "\r\n", 0},
        {"offset inside the object before the table", Older::kTable, "", -30},
        {"a comment before a cross-reference stream", Older::kStream, comment + std::string(100, ' '), 0},
        {"offset inside the object before a stream", Older::kStream, "", -30},
        {"a hybrid file's /XRefStm before blank lines", Older::kHybridStream, comment + "\n\n\n", 0},
        {"offset 20 bytes late into blank lines", Older::kTable, std::string(60, '\n'), 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        const TwoRevisions made = MakeTwoRevisions(c.Kind, c.Filler, c.Shift);
        TPDFDocument document;
        ASSERT_EQ(Read(document, made.File), kOpenOk);
        EXPECT_TRUE(document.Store().XRefChainComplete());
        EXPECT_EQ(ObjectText(document, 4), "(only in the first revision)");
        EXPECT_EQ(document.PageTree()->GetPageCount(), 2);
        EXPECT_EQ(document.PageTree()->GetPageDict(1), document.LookupObject(3));

        const std::string path = oracle::WriteScratchFile("near-section.pdf", made.File);
        EXPECT_EQ(QpdfObject(path, 4), "(only in the first revision)");
        EXPECT_EQ(oracle::QpdfPages(path), 2);
    }
}

// The search stays within its window and stops at the first section that reads: an offset far
// before the section, or an older section that is not there at all, loses only what the older
// section alone knew; the newest section stays in force.
TEST(DamagedFile, AnUnreadableOlderSectionKeepsTheNewerOnes) {
    const struct {
        const char* Case;
        std::string Filler;
        long Shift;
    } cases[] = {
        {"the section lies beyond the search window", std::string(1500, ' '), 0},
        {"/Prev beyond the end of the file", "", 1 << 30},
        {"/Prev into the middle of an object", "", -60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        TwoRevisions made = MakeTwoRevisions(Older::kTable, c.Filler, c.Shift);
        if (c.Shift == -60) {
            // No section anywhere after the offset: the first revision's table is gone.
            made.File.replace(made.FirstSection, 4, "XXXX");
        }
        TPDFDocument document;
        ASSERT_EQ(Read(document, made.File), kOpenOk);
        EXPECT_FALSE(document.Store().XRefChainComplete());
        EXPECT_EQ(document.LookupObject(4), nullptr);
        EXPECT_EQ(document.LookupObject(3), nullptr);
        ASSERT_NE(document.LookupObject(5), nullptr);
        EXPECT_EQ(document.LookupObject(5)->ToText(), document.PageTree()->GetPageDict(1)->ToText());
    }

    // Without a readable newest section no table is in force: the cross references are rebuilt
    // from the objects in the file, where the newest revision's definitions win.
    TwoRevisions made = MakeTwoRevisions(Older::kTable, "", 0);
    const std::size_t newest = made.File.rfind("xref\n0 1");
    made.File.replace(newest, 4, "XXXX");
    TPDFDocument document;
    ASSERT_EQ(Read(document, made.File), kOpenOk);
    EXPECT_NE(document.PageTree()->GetPageDict(1), nullptr);
}

// A large file is read from its end first and again over the whole file when its sections
// reach further back; either way the result is that of reading it all. The padding, a long
// comment, stands before the first revision (every section near the end) or between the
// first revision's section and the update (the older section far back).
TEST(DamagedFile, LargeFilesReadTheSameFromTheirEndOrWhole) {
    const std::string padding = "%" + std::string(3 * TPDFObjectStore::kXRefTailWindow, 'x') + "\n";
    const struct {
        const char* Case;
        bool PadBeforeFirstRevision;
        std::string Filler;
        long Shift;
    } cases[] = {
        {"every section near the end", true, "", 0},
        {"the older section far back", false, "", 0},
        {"the older section far back, found after blank lines", false, std::string(40, '\n'), 0},
        {"the older section far back, offset a little early", false, "", -30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        const TwoRevisions made = MakeTwoRevisions(Older::kTable, c.Filler, c.Shift,
                                                   c.PadBeforeFirstRevision ? padding : "",
                                                   c.PadBeforeFirstRevision ? "" : padding);
        const std::string path = oracle::WriteScratchFile("large-two-revisions.pdf", made.File);
        TFileStream stream(path, fmOpenRead);
        TPDFDocument document;
        ASSERT_EQ(document.ReadDocument(stream, u""), kOpenOk);
        EXPECT_TRUE(document.Store().XRefChainComplete());
        EXPECT_EQ(ObjectText(document, 4), "(only in the first revision)");
        EXPECT_EQ(document.PageTree()->GetPageCount(), 2);
        EXPECT_EQ(document.PageTree()->GetPageDict(1), document.LookupObject(3));
        EXPECT_EQ(oracle::QpdfPages(path), 2);
    }
}

// --- Object streams whose entries give the wrong index ----------------------------------------

TEST(DamagedFile, ObjectStreamEntriesAreFoundByTheirNumber) {
    // The stream lists 3 then 4; the cross-reference entries give other indices.
    const std::string header = "3 0 4 8 ";
    const std::string body = "(three) [4 4]";
    const struct {
        const char* Case;
        int IndexOf3;
        int IndexOf4;
        const char* Three;
        const char* Four;
    } cases[] = {
        {"right indices", 0, 1, "(three)", "[ 4 4 ]"},
        {"indices swapped", 1, 0, "(three)", "[ 4 4 ]"},
        {"indices beyond the stream", 7, 200, "(three)", "[ 4 4 ]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        PdfParts parts = PagesParts("<< /Type /Pages /Count 1 /Kids [6 0 R] >>");
        parts.Objects[5] = "<< /Type /ObjStm /N 2 /First " + std::to_string(header.size()) + " /Length " +
                           std::to_string(header.size() + body.size()) + " >>\nstream\n" + header + body + "\nendstream";
        parts.Objects[6] = Page(2);
        std::string file = BuildPdf(parts);
        std::string entries("\x02\x00\x05", 3);
        entries += static_cast<char>(c.IndexOf3);
        entries += std::string("\x02\x00\x05", 3);
        entries += static_cast<char>(c.IndexOf4);
        const std::size_t at = file.size();
        const std::size_t previous = std::stoul(file.substr(file.rfind("startxref\n") + 10));
        file += "7 0 obj\n<< /Type /XRef /Size 8 /Index [3 2] /W [1 2 1] /Root 1 0 R /Prev " +
                std::to_string(previous) + " /Length 8 >>\nstream\n" + entries + "\nendstream\nendobj\nstartxref\n" +
                std::to_string(at) + "\n%%EOF\n";
        TPDFDocument document;
        ASSERT_EQ(Read(document, file), kOpenOk);
        EXPECT_EQ(ObjectText(document, 3), c.Three);
        EXPECT_EQ(ObjectText(document, 4), c.Four);

        const std::string path = oracle::WriteScratchFile("objstm-index.pdf", file);
        EXPECT_EQ(QpdfObject(path, 3), "(three)");
        EXPECT_EQ(QpdfObject(path, 4), "[ 4 4 ]");
    }

    // A number the stream does not list reads as null, whatever the index says.
    PdfParts parts = PagesParts("<< /Type /Pages /Count 0 /Kids [] >>");
    parts.Objects[5] = "<< /Type /ObjStm /N 2 /First 8 /Length 21 >>\nstream\n3 0 9 8 (three) [4 4]\nendstream";
    std::string file = BuildPdf(parts);
    const std::size_t at = file.size();
    const std::size_t previous = std::stoul(file.substr(file.rfind("startxref\n") + 10));
    file += "7 0 obj\n<< /Type /XRef /Size 8 /Index [4 1] /W [1 2 1] /Root 1 0 R /Prev " + std::to_string(previous) +
            " /Length 4 >>\nstream\n" + std::string("\x02\x00\x05\x01", 4) + "\nendstream\nendobj\nstartxref\n" +
            std::to_string(at) + "\n%%EOF\n";
    TPDFDocument document;
    ASSERT_EQ(Read(document, file), kOpenOk);
    EXPECT_EQ(ObjectText(document, 4), "null");
}

// --- Page counts that /Count cannot give ---------------------------------------------------------

TEST(DamagedFile, FalseCountsAreReplacedByTheLeavesCounted) {
    const struct {
        const char* Case;
        std::string Root;
        std::map<int, std::string> More;
        int Pages;
        bool QpdfAgrees = true;  // qpdf refuses a tree with a loop, and finds no page in a page root
    } cases[] = {
        {"a sane count", "<< /Type /Pages /Count 2 /Kids [3 0 R 4 0 R] >>", {}, 2},
        {"no /Count", "<< /Type /Pages /Kids [3 0 R 4 0 R] >>", {}, 2},
        {"a negative /Count", "<< /Type /Pages /Count -3 /Kids [3 0 R 4 0 R] >>", {}, 2},
        {"a name for /Count", "<< /Type /Pages /Count /Two /Kids [3 0 R 4 0 R] >>", {}, 2},
        {"a string for /Count", "<< /Type /Pages /Count (2) /Kids [3 0 R 4 0 R] >>", {}, 2},
        {"a /Count above the objects", "<< /Type /Pages /Count 2147483647 /Kids [3 0 R 4 0 R] >>", {}, 2},
        {"a /Count that refers to a name", "<< /Type /Pages /Count 9 0 R /Kids [3 0 R 4 0 R] >>", {{9, "/Two"}}, 2},
        {"a nested tree without counts",
         "<< /Type /Pages /Kids [6 0 R 5 0 R] >>",
         {{6, "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 4 0 R] >>"}, {5, Page(2)}},
         3},
        {"a tree that holds itself",
         "<< /Type /Pages /Kids [6 0 R 2 0 R 5 0 R] >>",
         {{6, "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 6 0 R 4 0 R] >>"}, {5, Page(2)}},
         3,
         false},
        {"a root that is a page", "<< /Type /Page /MediaBox [0 0 612 792] >>", {}, 1, false},
        {"a root without /Kids but with content", "<< /Type /Pages /Contents 7 0 R >>", {{7, "<< /Length 0 >>\nstream\n\nendstream"}}, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        PdfParts parts = PagesParts(c.Root);
        parts.Objects[3] = Page(2);
        parts.Objects[4] = Page(2);
        for (const auto& [number, text] : c.More) parts.Objects[number] = text;
        const std::string file = BuildPdf(parts);
        TPDFDocument document;
        ASSERT_EQ(Read(document, file), kOpenOk);
        TPDFPageTree& tree = *document.PageTree();
        ASSERT_EQ(tree.GetPageCount(), c.Pages);
        // Every page counted is found, and none beyond.
        for (int n = 1; n <= c.Pages; ++n) EXPECT_NE(tree.GetPageDict(n), nullptr) << n;
        EXPECT_EQ(tree.GetPageDict(c.Pages + 1), nullptr);

        const std::string path = oracle::WriteScratchFile("counts.pdf", file);
        if (c.QpdfAgrees) {
            EXPECT_EQ(oracle::QpdfPages(path), c.Pages);
        }
    }
}

TEST(DamagedFile, FalseCountsInsideTheTreeStillLeadToEveryPage) {
    // The root's /Count is right; the inner node's is missing, then far too high.
    for (const std::string inner : {"", "/Count 99999"}) {
        SCOPED_TRACE(inner);
        PdfParts parts = PagesParts("<< /Type /Pages /Count 3 /Kids [6 0 R 5 0 R] >>");
        parts.Objects[6] = "<< /Type /Pages /Parent 2 0 R " + inner + " /Kids [3 0 R 4 0 R] >>";
        for (int number : {3, 4, 5}) parts.Objects[number] = Page(number == 5 ? 2 : 6);
        TPDFDocument document;
        ASSERT_EQ(Read(document, BuildPdf(parts)), kOpenOk);
        TPDFPageTree& tree = *document.PageTree();
        EXPECT_EQ(tree.GetPageDict(2), document.LookupObject(4));
        EXPECT_EQ(tree.GetPageDict(3), document.LookupObject(5));
    }
}

// A sane /Count is taken as it stands: counting the pages loads none of them.
TEST(DamagedFile, ASaneCountLoadsNoPages) {
    std::string kids;
    PdfParts parts;
    for (int number = 3; number < 203; ++number) {
        kids += std::to_string(number) + " 0 R ";
        parts.Objects[number] = Page(2);
    }
    parts.Objects[1] = "<< /Type /Catalog /Pages 2 0 R >>";
    parts.Objects[2] = "<< /Type /Pages /Count 200 /Kids [" + kids + "] >>";
    TPDFDocument document;
    ASSERT_EQ(Read(document, BuildPdf(parts)), kOpenOk);
    EXPECT_EQ(document.PageTree()->GetPageCount(), 200);
    int loaded = 0;
    for (int number = 3; number < 203; ++number) loaded += document.FindIndObj(number)->Loaded ? 1 : 0;
    EXPECT_EQ(loaded, 1);  // the first page, selected on opening
}

}  // namespace
}  // namespace parch
