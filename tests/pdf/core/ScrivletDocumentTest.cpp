// Document loading: cross references, objects loaded on demand, the page tree and the page
// content writer.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "base/Streams.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletFont.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/core/ScrivletPainter.h"
#include "pdf/core/ScrivletXRef.h"
#include "tests/pdf/core/PdfBuilder.h"

namespace parch {
namespace {

using testpdf::BuildPdf;
using testpdf::PagesParts;
using testpdf::Page;
using testpdf::PdfParts;
using testpdf::Read;


TEST(XRefReader, FindsTheOffsetAfterTheLastStartxref) {
    const struct {
        const char* Tail;
        std::int64_t Offset;
    } cases[] = {
        {"startxref\n123\n%%EOF\n", 123},
        {"startxref\n123 % note\n%%EOF", 123},
        {"startxref\n17\n123\n%%EOF\n", 123},
        {"startxref\n99\n%%EOF\nstartxref\n123\n%%EO", 123},  // a cut end marker
        {"startxref\n123\n", 123},                            // no end marker at all
        {"no marker here %%EOF", 0},
    };
    for (const auto& c : cases) {
        const std::string file = std::string(2000, ' ') + c.Tail;
        EXPECT_EQ(TPDFXRefReader(file).FindXRefOffset(), c.Offset) << c.Tail;
    }
}

struct Reported {
    std::vector<std::string> Entries;
    std::vector<std::string> Trailers;
};

Reported ReadChain(const std::string& file, std::int64_t offset, bool* result = nullptr) {
    Reported reported;
    TPDFXRefReader reader(file);
    reader.OnEntry = [&](std::int32_t n, std::int32_t a, std::int32_t b, char kind) {
        reported.Entries.push_back(std::to_string(n) + " " + std::to_string(a) + " " + std::to_string(b) + " " + kind);
    };
    reader.OnTrailer = [&](const std::string& text) { reported.Trailers.push_back(text); };
    const bool read = reader.ReadXRefAt(offset);
    if (result) *result = read;
    return reported;
}

TEST(XRefReader, ReadsEntriesWithAnyLineEnd) {
    const std::string file = "xref\n0 3\n0000000000 65535 f\n0000000017 00000 n \r0000000081 00002 n\r\n"
                             "trailer\n<< /Size 3 >>\n";
    bool result = false;
    const Reported reported = ReadChain(file, 0, &result);
    EXPECT_TRUE(result);
    EXPECT_EQ(reported.Entries, (std::vector<std::string>{"0 0 65535 f", "1 17 0 n", "2 81 2 n"}));
}

TEST(XRefReader, ReadsStreamEntriesByTheirWidths) {
    // /W [0 3 0]: every entry is in use with generation 0; no /Index means 0 to Size - 1.
    const std::string data("\x00\x00\x10\x00\x00\x20", 6);
    const std::string file = "1 0 obj\n<< /Type /XRef /Size 2 /W [0 3 0] /Length 6 >>\nstream\n" + data +
                             "\nendstream\nendobj\n";
    const Reported reported = ReadChain(file, 0);
    EXPECT_EQ(reported.Entries, (std::vector<std::string>{"0 16 0 n", "1 32 0 n"}));
}

TEST(XRefReader, ChainsThatLoopOrPointOutsideTheFileEnd) {
    const std::string table = "xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 1 /Prev 0 /XRefStm 0 >>\n";
    bool result = false;
    ReadChain(table, 0, &result);
    EXPECT_TRUE(result);  // the loop ends where it began

    ReadChain("xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 1 /Prev 99999 >>\n", 0, &result);
    EXPECT_FALSE(result);

    // A subsection that announces more entries than the file holds reads what is there.
    const Reported reported = ReadChain("xref\n0 1000000\n0000000000 65535 f \n", 0, &result);
    EXPECT_FALSE(result);
    EXPECT_LE(reported.Entries.size(), 1u);

    // A cross-reference stream whose /Length is negative has no entries, and no crash.
    ReadChain("1 0 obj\n<< /Type /XRef /Size 5 /W [1 2 1] /Length -40 >>\nstream\nxx\nendstream\n", 0, &result);
    EXPECT_TRUE(result);
}

TEST(XRefReader, NewestDefinitionWinsAndNewerFreeEntriesHideNothing) {
    // Two sections: the newer defines 5 and frees 6; the older defines 5 and 6.
    const std::string older = "xref\n5 2\n0000000100 00000 n \n0000000200 00000 n \ntrailer\n<< /Size 7 >>\n";
    const std::string newer = "xref\n5 2\n0000000300 00000 n \n0000000000 00001 f \ntrailer\n<< /Size 7 /Prev 0 >>\n";
    const std::string file = older + newer;
    TPDFDocument document;
    TStringStream source(file + "startxref\n" + std::to_string(older.size()) + "\n%%EOF\n");
    ASSERT_TRUE(document.ReadSource(source));
    ASSERT_TRUE(document.ReadXRef());
    ASSERT_NE(document.FindIndObj(5), nullptr);
    EXPECT_EQ(document.FindIndObj(5)->Offset, 300);
    ASSERT_NE(document.FindIndObj(6), nullptr);
    EXPECT_EQ(document.FindIndObj(6)->Offset, 200);
}

TEST(Document, HeaderVersions) {
    const struct {
        std::string Start;
        bool Accepted;
        const char* Version;
    } cases[] = {
        {"%PDF-1.7\n", true, "1.7"},
        {"%PDF-\n", true, ""},
        {"%PDF-1.4.1\n", false, ""},
        {"%!PS-Adobe-3.0 PDF-1.3\n", true, "1.3"},
        {std::string(1100, ' ') + "%PDF-1.4\n", false, ""},
    };
    for (const auto& c : cases) {
        TPDFDocument document;
        TStringStream source(c.Start);
        ASSERT_TRUE(document.ReadSource(source));
        EXPECT_EQ(document.ReadHeader(), c.Accepted) << c.Start;
        if (c.Accepted) {
            EXPECT_EQ(document.Version(), c.Version);
        }
    }
}

TEST(Document, OpensAfterJunkAndFailsWithoutPages) {
    PdfParts parts = PagesParts("<< /Type /Pages /Count 1 /Kids [3 0 R] >>");
    parts.Objects[3] = Page(2);
    const std::string file = BuildPdf(parts);
    TPDFDocument document;
    EXPECT_EQ(Read(document, std::string(2000, 'j') + file), kOpenOk);
    EXPECT_EQ(document.PageTree()->GetPageCount(), 1);

    parts.Objects[1] = "<< /Type /Catalog >>";
    EXPECT_EQ(Read(document, BuildPdf(parts)), kOpenUnreadable);
    EXPECT_EQ(Read(document, std::string()), kOpenUnreadable);
    EXPECT_EQ(document.FileData(), "");  // a failed open leaves the document reset
}

// A source that never ends, as a device or a pipe can be.
class EndlessStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override {
        std::memset(buffer, '%', static_cast<std::size_t>(count));
        return count;
    }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
    void SetSize(std::int64_t) override {}
};

TEST(Document, InputBeyondTheSizeLimitIsUnreadable) {
    TPDFDocument document;
    document.SetMaxFileSize(1 << 20);
    EndlessStream endless;
    EXPECT_EQ(document.ReadDocument(endless, u""), kOpenUnreadable);
    EXPECT_EQ(document.FileData(), "");
}

// A file in the temporary folder, removed with the test.
class TempFile {
public:
    TempFile(const std::string& name, const std::string& bytes)
        : path_((std::filesystem::temp_directory_path() / ("parch-doc-" + std::to_string(::getpid()) + "-" + name)).string()) {
        std::ofstream(path_, std::ios::binary) << bytes;
    }
    ~TempFile() { std::filesystem::remove(path_); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

PdfParts TwoPagesWithContents() {
    PdfParts parts = PagesParts("<< /Type /Pages /Count 2 /Kids [3 0 R 4 0 R] >>");
    parts.Objects[3] = "<< /Type /Page /Parent 2 0 R /Contents 5 0 R >>";
    parts.Objects[4] = "<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>";
    parts.Objects[5] = "<< /Length 5 >>\nstream\nBT ET\nendstream";
    parts.Objects[6] = "<< /Length 3 >>\nstream\nq Q\nendstream";
    return parts;
}

// A regular file is mapped, a pipe and a memory stream are read once; all give the same
// document, junk in front of the header included, from the stream's position on.
TEST(Document, OpensFromFilesPipesAndMemoryAlike) {
    const std::string file = std::string(300, 'j') + BuildPdf(TwoPagesWithContents());
    const TempFile onDisk("same.pdf", "skip" + file);
    {
        TPDFDocument document;
        THandleStream stream(::open(onDisk.Path().c_str(), O_RDONLY));
        stream.Seek(4, TSeekOrigin::soBeginning);
        ASSERT_EQ(document.ReadDocument(stream, u""), kOpenOk);
        EXPECT_EQ(document.PageTree()->GetPageCount(), 2);
        EXPECT_EQ(document.LookupObject(6)->ToText().find("q Q") != std::string::npos, true);
    }
    {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        std::thread writer([&] {
            std::size_t written = 0;
            while (written < file.size()) {
                const ssize_t count = ::write(ends[1], file.data() + written, file.size() - written);
                if (count <= 0) break;
                written += static_cast<std::size_t>(count);
            }
            ::close(ends[1]);
        });
        TPDFDocument document;
        THandleStream stream(ends[0]);
        const std::uint8_t result = document.ReadDocument(stream, u"");
        writer.join();
        ASSERT_EQ(result, kOpenOk);
        EXPECT_EQ(document.PageTree()->GetPageCount(), 2);
        EXPECT_EQ(document.FileData().size(), file.size() - 300);
    }
    TPDFDocument document;
    ASSERT_EQ(Read(document, file), kOpenOk);
    EXPECT_EQ(document.PageTree()->GetPageCount(), 2);
}

// The file shrinks under the open document: objects loaded afterwards read what is left (here
// nothing, so null), and nothing faults.
TEST(Document, AFileCutShortAfterOpeningLoadsNoMoreButDoesNotCrash) {
    PdfParts parts = TwoPagesWithContents();
    parts.Objects[7] = "(" + std::string(100000, 'p') + ")";  // pushes the rest beyond the first pages
    const std::string file = BuildPdf(parts);
    const TempFile onDisk("cut.pdf", file);
    TPDFDocument document;
    {
        TScrivletWideFileStream stream(onDisk.Path(), fmOpenRead);
        ASSERT_EQ(document.ReadDocument(stream, u""), kOpenOk);
    }
    ASSERT_EQ(::truncate(onDisk.Path().c_str(), 10), 0);
    // Opening loaded the catalog, the tree, the first page and its contents; the rest is gone.
    for (int number : {4, 6, 7}) {
        TPDFObject* object = document.LookupObject(number);
        ASSERT_NE(object, nullptr) << number;
        EXPECT_EQ(object->Kind, kPDFKindNull) << number;
    }
    EXPECT_EQ(document.LookupObject(5)->Kind, kPDFKindStream);
    document.LoadObjectTree(1);
    document.PageTree()->SelectPage(2);
    ASSERT_EQ(::truncate(onDisk.Path().c_str(), 0), 0);
    EXPECT_EQ(document.GetMetadata(), "");
}

TEST(LazyObjects, StreamDataToleratesWrongLengths) {
    const struct {
        std::string Length;
        std::string Data;
        std::string Expected;
    } cases[] = {
        {"10", "0123456789", "0123456789"},
        {"8", "0123456789", "0123456789\n"},   // short: up to endstream, line end included
        {"400", "0123456789", "0123456789"},   // beyond the object: up to endstream
        {"11", "0123456789", "0123456789\n"},  // ends on the line end before endstream
        {"4 0 R", "0123456789", "0123456789"}, // an indirect length
    };
    for (const auto& c : cases) {
        PdfParts parts = PagesParts("<< /Type /Pages /Count 0 /Kids [] >>");
        parts.Objects[3] = "<< /Length " + c.Length + " >>\nstream\n" + c.Data + "\nendstream";
        parts.Objects[4] = "10";
        TPDFDocument document;
        ASSERT_EQ(Read(document, BuildPdf(parts)), kOpenOk);
        TPDFObject* object = document.LookupObject(3);
        ASSERT_NE(object, nullptr);
        ASSERT_EQ(object->Kind, kPDFKindStream) << c.Length;
        EXPECT_EQ(static_cast<TPDFStream*>(object)->Data, c.Expected) << c.Length;
    }
}

TEST(LazyObjects, WrongHeadersReadAsNullAndObjectsLoadOnce) {
    PdfParts parts = PagesParts("<< /Type /Pages /Count 0 /Kids [] >>");
    parts.Objects[3] = "[1 2 3]";
    TPDFDocument document;
    std::string file = BuildPdf(parts);
    const std::size_t header = file.find("3 0 obj");
    file.replace(header, 7, "9 0 obj");  // the entry for 3 finds object 9
    ASSERT_EQ(Read(document, file), kOpenOk);
    EXPECT_EQ(document.LookupObject(3)->Kind, kPDFKindNull);
    EXPECT_EQ(document.LookupObject(77), nullptr);
    EXPECT_EQ(document.LookupObject(1), document.LookupObject(1));
}

TEST(LazyObjects, ObjectStreamMembersIncludingTheLast) {
    const std::string header = "3 0 4 8 ";
    const std::string body = "(three) [4 4]";
    PdfParts parts = PagesParts("<< /Type /Pages /Count 0 /Kids [] >>");
    parts.Objects[5] = "<< /Type /ObjStm /N 2 /First " + std::to_string(header.size()) + " /Length " +
                       std::to_string(header.size() + body.size()) + " >>\nstream\n" + header + body + "\nendstream";
    std::string file = BuildPdf(parts);
    // Point 3 and 4 into the object stream through a cross-reference stream in an update.
    const std::string entries = std::string("\x02\x00\x05\x00", 4) + std::string("\x02\x00\x05\x01", 4);
    const std::size_t at = file.size();
    const std::size_t previous = std::stoul(file.substr(file.rfind("startxref\n") + 10));
    file += "6 0 obj\n<< /Type /XRef /Size 7 /Index [3 2] /W [1 2 1] /Root 1 0 R /Prev " +
            std::to_string(previous) + " /Length 8 >>\nstream\n" + entries + "\nendstream\nendobj\nstartxref\n" +
            std::to_string(at) + "\n%%EOF\n";
    TPDFDocument document;
    ASSERT_EQ(Read(document, file), kOpenOk);
    TPDFObject* three = document.LookupObject(3);
    TPDFObject* four = document.LookupObject(4);
    ASSERT_TRUE(three && four);
    EXPECT_EQ(three->ToText(), "(three)");
    EXPECT_EQ(four->ToText(), "[ 4 4 ]");
    EXPECT_EQ(document.Store().ObjectStreamCount(), 1u);
}

PdfParts NestedTree() {
    // 2 -> [6 (Pages: a kid without /Type, 3, 4), 5]
    PdfParts parts = PagesParts("<< /Type /Pages /Count 3 /Kids [6 0 R 5 0 R] >>");
    parts.Objects[3] = Page(6);
    parts.Objects[4] = Page(6);
    parts.Objects[5] = Page(2);
    parts.Objects[6] = "<< /Type /Pages /Parent 2 0 R /Count 2 /Kids [9 0 R 3 0 R 4 0 R] >>";
    parts.Objects[9] = "<< /Parent 6 0 R >>";
    return parts;
}

TEST(PageTree, FindsPagesInFlatAndNestedTrees) {
    TPDFDocument document;
    ASSERT_EQ(Read(document, BuildPdf(NestedTree())), kOpenOk);
    TPDFPageTree& tree = *document.PageTree();
    EXPECT_EQ(tree.GetPageCount(), 3);
    EXPECT_EQ(tree.GetPageDict(3), document.LookupObject(5));
    EXPECT_EQ(tree.CurrentParent, document.LookupObject(2));
    EXPECT_EQ(tree.GetPageDict(2), document.LookupObject(4));
    EXPECT_EQ(tree.CurrentParent, document.LookupObject(6));
    EXPECT_EQ(tree.GetPageDict(4), nullptr);

    PdfParts flat = PagesParts("<< /Type /Pages /Count 3 /Kids [3 0 R 4 0 R 5 0 R] >>");
    for (int i = 3; i <= 5; ++i) flat.Objects[i] = Page(2);
    ASSERT_EQ(Read(document, BuildPdf(flat)), kOpenOk);
    EXPECT_EQ(document.PageTree()->GetPageDict(2), document.LookupObject(4));
    EXPECT_EQ(document.PageTree()->CurrentRefNum, 4);
    EXPECT_EQ(document.PageTree()->GetPageRefIndex(document.PageTree()->GetPageRef(3)), 3);
}

TEST(PageTree, FalseCountsAndLoopsEndQuickly) {
    // A /Count far above the objects is counted again, and allocates nothing for the pages
    // it claims.
    PdfParts huge = PagesParts("<< /Type /Pages /Count 2147483647 /Kids [3 0 R] >>");
    huge.Objects[3] = Page(2);
    TPDFDocument document;
    ASSERT_EQ(Read(document, BuildPdf(huge)), kOpenOk);
    EXPECT_EQ(document.PageTree()->GetPageCount(), 1);
    EXPECT_EQ(document.PageTree()->GetPageDict(2147483647), nullptr);
    EXPECT_LE(document.PageTree()->PageCache.size(), 1u);

    // /Kids that lead back to the root, and a node that holds itself.
    PdfParts loop = PagesParts("<< /Type /Pages /Count 5 /Kids [3 0 R 2 0 R] >>");
    loop.Objects[3] = "<< /Type /Pages /Count 5 /Kids [3 0 R 2 0 R] >>";
    ASSERT_EQ(Read(document, BuildPdf(loop)), kOpenOk);
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(document.PageTree()->GetPageDict(n), nullptr);

    PdfParts negative = PagesParts("<< /Type /Pages /Count -4 /Kids [] >>");
    ASSERT_EQ(Read(document, BuildPdf(negative)), kOpenOk);
    EXPECT_EQ(document.PageTree()->GetPageCount(), 0);
}

TEST(PageTree, SelectingPagesPreparesTheirContentStreams) {
    PdfParts parts = PagesParts("<< /Type /Pages /Count 3 /Kids [3 0 R 4 0 R 5 0 R] >>");
    parts.Objects[3] = "<< /Type /Page /Parent 2 0 R >>";                    // no /Contents
    parts.Objects[4] = "<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>";    // one stream
    parts.Objects[5] = "<< /Type /Page /Parent 2 0 R /Contents 7 0 R >>";    // a big marked stream
    parts.Objects[6] = "<< /Length 5 >>\nstream\nBT ET\nendstream";
    parts.Objects[7] = "<< /LC /dWRM /Length 600000 >>\nstream\n" + std::string(600000, ' ') + "\nendstream";
    TPDFDocument document;
    ASSERT_EQ(Read(document, BuildPdf(parts)), kOpenOk);
    TPDFPageTree& tree = *document.PageTree();

    auto contents = [&](int page) { return tree.GetPageDict(page)->GetValue("Contents"); };
    ASSERT_EQ(contents(1)->Kind, kPDFKindArray);
    EXPECT_EQ(static_cast<TPDFArray*>(contents(1))->GetCount(), 1);  // one marked stream, though selected twice
    EXPECT_EQ(tree.ContentCount, 1);

    tree.SelectPage(2);
    ASSERT_EQ(contents(2)->Kind, kPDFKindArray);
    EXPECT_EQ(static_cast<TPDFArray*>(contents(2))->GetCount(), 2);  // the stream, then a marked one
    EXPECT_EQ(tree.Painter->GetText(), "\n");

    tree.SelectPage(3);
    EXPECT_EQ(static_cast<TPDFArray*>(contents(3))->GetCount(), 2);
    EXPECT_EQ(tree.CurrentPage, 3);
    tree.SelectPage(40);  // no such page: the current one stays
    EXPECT_EQ(tree.CurrentPage, 3);
}

TEST(PageTree, ResourcesAndFontsOfThePage) {
    PdfParts parts = PagesParts("<< /Type /Pages /Count 1 /Kids [3 0 R] /Resources << /ProcSet [/PDF] >> >>");
    parts.Objects[3] = Page(2);
    TPDFDocument document;
    ASSERT_EQ(Read(document, BuildPdf(parts)), kOpenOk);
    TPDFDictionary* resources = document.PageTree()->GetResources();
    ASSERT_NE(resources, nullptr);
    EXPECT_NE(resources->GetValue("ProcSet"), nullptr);  // inherited from the parent

    TPDFFont* font = document.AddStandardFont(4);
    ASSERT_NE(font, nullptr);
    document.PageTree()->SetPageFont(*font);
    auto* fonts = static_cast<TPDFDictionary*>(resources->GetValue("Font", true));
    ASSERT_NE(fonts, nullptr);
    const TPDFObject* entry = fonts->GetValue(font->ResourceName);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(static_cast<const TPDFIndRef*>(entry)->RefObjectNumber, font->Dictionary->ObjectNumber);
}

TEST(Painter, FontOperatorAndText) {
    TPDFPainter painter(nullptr);
    TPDFStructure structure;
    TPDFFont font(&structure, "F1");
    painter.SetFont(&font, 12);
    EXPECT_EQ(painter.FontOperator, "/F1 12 Tf");
    EXPECT_DOUBLE_EQ(painter.Leading, 0.75);
    painter.SetFont(&font, 0);
    EXPECT_DOUBLE_EQ(painter.FontSize, 1);

    painter.LoadText("q Q");
    EXPECT_EQ(painter.GetText(), "q Q \n");
    painter.AppendText("BT", '\n');
    EXPECT_EQ(painter.GetText(), "q Q BT\n");
}

TEST(Document, NewEmptyDocumentAndStandardFonts) {
    TPDFDocument document;
    ASSERT_TRUE(document.NewEmptyDocument());
    EXPECT_EQ(document.PageTree()->GetPageCount(), 1);
    TPDFDictionary* page = document.PageTree()->GetPageDict(1);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetValue("MediaBox")->ToText(), "[ 0 0 612 792 ]");
    EXPECT_EQ(document.Trailer()->GetInteger("Size", 0), 6);  // four objects and the marked stream

    TPDFFont* helvetica = document.AddStandardFont(4);
    ASSERT_NE(helvetica, nullptr);
    EXPECT_EQ(helvetica->ResourceName.substr(0, 9), "ScrivletF");
    EXPECT_EQ(helvetica->FirstChar, 24);
    EXPECT_EQ(helvetica->Widths['A' - 24], 667);
    EXPECT_EQ(helvetica->Widths[160 - 24], 278);
    EXPECT_EQ(helvetica->Dictionary->GetCount(), 4);
    TPDFFont* dingbats = document.AddStandardFont(13);
    EXPECT_EQ(dingbats->Widths[0], 278);
    EXPECT_EQ(document.AddStandardFont(14), nullptr);
    EXPECT_EQ(document.FontCount(), 2);
}

}  // namespace
}  // namespace parch
