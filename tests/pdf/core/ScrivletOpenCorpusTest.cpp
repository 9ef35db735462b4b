// Opening whole documents against qpdf as the oracle: a corpus made by a committed script
// (hand-written files, qpdf's object streams, linearized and encrypted files, damaged variants),
// damaged variants whose cross references must be rebuilt (MuPDF the second oracle there) and
// the shared qpdf test corpus.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/Streams.h"
#include "pdf/core/Scrivlet0813.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletUnicode.h"
#include "tests/pdf/core/ToolOracle.h"

namespace parch {
namespace {

namespace fs = std::filesystem;
using oracle::Quote;
using oracle::RunCommand;
using oracle::ToolResult;

std::vector<std::vector<std::string>> ReadTable(const fs::path& path) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);  // header
    while (std::getline(file, line)) {
        if (line.empty()) continue;
        std::vector<std::string> fields;
        std::stringstream stream(line);
        std::string field;
        while (std::getline(stream, field, '\t')) fields.push_back(field);
        while (fields.size() < 5) fields.emplace_back();
        rows.push_back(fields);
    }
    return rows;
}

struct Opened {
    int Answer;
    std::int32_t Error;
    std::int32_t Pages;
};

Opened Open(const fs::path& file, const std::string& password) {
    TScrivlet0813 api;
    const int answer = api.OpenPdfFile(file.string(), Utf8ToWide(password));
    return {answer, api.ErrorCode(), api.CountPages()};
}

// The script writes every file and a manifest: name, password, expected code, expected page
// count (qpdf's, when qpdf reads the file), and what the case shows.
class GeneratedCorpus : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // One folder per process, so that tests run in parallel do not share files.
        folder_ = fs::path(PARCH_BINARY_DIR) / "test-data" / ("open_document-" + std::to_string(::getpid()));
        const std::string command = "python3 " + Quote(std::string(PARCH_SOURCE_DIR) + "/tools/make_pdf_corpus.py") +
                                    " " + Quote(folder_.string());
        made_ = RunCommand(command).ExitCode == 0;
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    static fs::path folder_;
    static bool made_;
};

fs::path GeneratedCorpus::folder_;
bool GeneratedCorpus::made_ = false;

TEST_F(GeneratedCorpus, EveryFileAnswersAsAUserExpects) {
    ASSERT_TRUE(made_) << "tools/make_pdf_corpus.py failed";
    const auto rows = ReadTable(folder_ / "manifest.tsv");
    ASSERT_GT(rows.size(), 40u);
    for (const auto& row : rows) {
        const std::string& name = row[0];
        const std::string& password = row[1];
        const int expectedError = std::stoi(row[2]);
        const int expectedPages = row[3].empty() ? -1 : std::stoi(row[3]);
        SCOPED_TRACE(name + " password '" + password + "': " + row[4]);
        const Opened opened = Open(folder_ / name, password);
        EXPECT_EQ(opened.Error, expectedError);
        EXPECT_EQ(opened.Answer, expectedError == 0 ? 1 : 0);
        if (expectedError == 0 && expectedPages >= 0) {
            EXPECT_EQ(opened.Pages, expectedPages);
        }
    }
}

const TPDFStream* StreamValue(const TPDFDictionary* dictionary, std::string_view key) {
    const TPDFObject* value = dictionary ? dictionary->GetValue(key, true) : nullptr;
    return value && value->Kind == kPDFKindStream ? static_cast<const TPDFStream*>(value) : nullptr;
}

const TPDFDictionary* DictionaryValue(const TPDFObject* object) {
    return object && object->Kind == kPDFKindDictionary ? static_cast<const TPDFDictionary*>(object) : nullptr;
}

std::string DecodedOrEmpty(const TPDFStream* stream) {
    return stream ? GetDecodedData(*stream) : std::string();
}

// The first page's content streams, decoded and joined (opening makes /Contents an array).
std::string FirstPageContent(TPDFDocument& document) {
    const TPDFDictionary* page = document.PageTree()->GetPageDict(1);
    const TPDFObject* contents = page ? page->GetValue("Contents", true) : nullptr;
    if (!contents || contents->Kind != kPDFKindArray) return DecodedOrEmpty(StreamValue(page, "Contents"));
    std::string joined;
    for (const TPDFObject* item : static_cast<const TPDFArray*>(contents)->Elements) {
        if (item && item->Kind == kPDFKindIndRef) item = static_cast<const TPDFIndRef*>(item)->Resolve();
        if (item && item->Kind == kPDFKindStream) joined += GetDecodedData(*static_cast<const TPDFStream*>(item));
    }
    return joined;
}

// The decoded data of the first file in the catalog's /EmbeddedFiles; empty without one.
std::string FirstAttachment(TPDFDocument& document) {
    const TPDFDictionary* names = DictionaryValue(document.GetRoot()->GetValue("Names", true));
    const TPDFDictionary* files = DictionaryValue(names ? names->GetValue("EmbeddedFiles", true) : nullptr);
    const TPDFObject* list = files ? files->GetValue("Names", true) : nullptr;
    if (!list || list->Kind != kPDFKindArray) return {};
    const TPDFObject* fileEntry = static_cast<const TPDFArray*>(list)->GetItem(1);
    if (fileEntry && fileEntry->Kind == kPDFKindIndRef) fileEntry = static_cast<const TPDFIndRef*>(fileEntry)->Resolve();
    const TPDFDictionary* ef = DictionaryValue(DictionaryValue(fileEntry) ? DictionaryValue(fileEntry)->GetValue("EF", true) : nullptr);
    return DecodedOrEmpty(StreamValue(ef, "F"));
}

// What the document says reads back decrypted: the information title, the first page's
// content, an attachment, and the metadata packet whether it was encrypted or left clear, each
// by its own crypt filter (or none). The trailer keeps what the file gave.
TEST_F(GeneratedCorpus, EncryptedStringsAndStreamsReadBack) {
    ASSERT_TRUE(made_) << "tools/make_pdf_corpus.py failed";
    const std::set<std::string> kWithAttachment = {"py-r4-rc4-identity-streams.pdf", "py-r4-aes-identity-strings.pdf",
                                                   "py-r6-identity-streams.pdf", "py-r6-attachments-only.pdf",
                                                   "py-r6-nolength.pdf"};
    int checked = 0;
    int attachments = 0;
    for (const auto& row : ReadTable(folder_ / "manifest.tsv")) {
        const std::string& name = row[0];
        if (row[2] != "0" || (name.rfind("qpdf-r", 0) != 0 && name.rfind("py-", 0) != 0)) continue;
        SCOPED_TRACE(name + " password '" + row[1] + "'");
        TPDFDocument document;
        TFileStream stream((folder_ / name).string(), fmOpenRead);
        ASSERT_EQ(document.ReadDocument(stream, Utf8ToWide(row[1])), kOpenOk);
        const TPDFObject* title = document.GetInfo()->GetValue("Title", true);
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(static_cast<const TPDFString*>(title)->Bytes, "Corpus document");
        EXPECT_EQ(document.GetMetadata().rfind("<?xpacket begin=", 0), 0u);
        const std::string content = FirstPageContent(document);
        EXPECT_NE(content.find("(Page 1) Tj"), std::string::npos) << content;
        if (kWithAttachment.count(name)) {
            EXPECT_EQ(FirstAttachment(document), "Attached text");
            ++attachments;
        }
        EXPECT_EQ(document.Security().EncryptMetadata, name.find("clearmeta") == std::string::npos);
        if (name == "py-r2-noid.pdf") {
            EXPECT_EQ(document.Trailer()->GetValue("ID"), nullptr);
        }
        if (name == "qpdf-r4-emptyuser.pdf") {
            EXPECT_TRUE(document.Security().OpenedWithoutPassword);
        }
        EXPECT_EQ(document.Security().OwnerPasswordOk, row[1].find("wn") != std::string::npos);
        ++checked;
    }
    EXPECT_GT(checked, 30);
    EXPECT_EQ(attachments, 2 * static_cast<int>(kWithAttachment.size()));  // user and owner password
}

// The shared corpus lives beside the checkout: ../shared/corpus of the source folder, or of a
// folder above it when the checkout is a worktree further down.
fs::path SharedCorpus() {
    for (fs::path folder = fs::path(PARCH_SOURCE_DIR); folder.has_relative_path(); folder = folder.parent_path())
        if (fs::exists(folder.parent_path() / "shared" / "corpus" / "qpdf")) return folder.parent_path() / "shared" / "corpus";
    return {};
}

// Files qpdf reads that we knowingly answer otherwise, and why.
const std::map<std::string, std::string> kKnownDifferences = {
    {"indirect-r-arg.pdf",
     "the catalog holds \"/X 1 0 R 0 R\": a dictionary is read up to its first entry that is not a name "
     "and a value, so /Pages after it is lost; qpdf invents a key for the stray \"0 R\""},
};

// Every file of the shared corpus gets an answer, and every file qpdf reads opens with qpdf's
// page count; where qpdf finds no pages, we find none either.
TEST(QpdfCorpus, EveryFileAnswersAndCountsLikeQpdf) {
    const fs::path corpus = SharedCorpus();
    if (corpus.empty()) GTEST_SKIP() << "no shared corpus";
    std::map<std::string, std::string> passwords;
    for (const auto& row : ReadTable(corpus / "qpdf-passwords.tsv")) passwords[row[0]] = row[1];

    int readable = 0;
    std::vector<fs::path> files;
    for (const auto& item : fs::directory_iterator(corpus / "qpdf"))
        if (item.path().extension() == ".pdf") files.push_back(item.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        const std::string password = passwords.count(name) ? passwords[name] : std::string();
        SCOPED_TRACE(name);
        const Opened opened = Open(file, password);
        const bool known = opened.Error == kScrivletOk || opened.Error == kScrivletUnreadable ||
                           opened.Error == kScrivletPasswordNeeded ||
                           opened.Error == kScrivletUnsupportedEncryption;
        EXPECT_TRUE(known) << opened.Error;
        if (opened.Error == kScrivletOk) ++readable;
        const int expected = oracle::QpdfPages(file.string(), password);
        if (expected < 0 || kKnownDifferences.count(name)) continue;
        if (expected == 0) {
            // An empty page tree opens with no pages; none at all is unreadable.
            EXPECT_TRUE(opened.Error == kScrivletUnreadable || (opened.Error == kScrivletOk && opened.Pages == 0))
                << opened.Error << " with " << opened.Pages << " pages";
            continue;
        }
        EXPECT_EQ(opened.Error, kScrivletOk) << "qpdf reads it";
        if (opened.Error == kScrivletOk) {
            EXPECT_EQ(opened.Pages, expected);
        }
    }
    EXPECT_GT(readable, static_cast<int>(files.size()) / 2);
}

// --- Damaged variants: cross references rebuilt from the objects in the file ---------------------

// MuPDF's page count, -1 when it cannot read the file or finds no pages.
int MuPdfPages(const fs::path& file) {
    const ToolResult result = RunCommand("mutool info " + Quote(file.string()) + " 2>/dev/null");
    const std::string& output = result.Output;
    const std::size_t found = output.find("\nPages: ");
    if (result.ExitCode != 0 || found == std::string::npos) return -1;
    const int pages = std::atoi(output.c_str() + found + 8);
    return pages > 0 ? pages : -1;
}

class DamagedFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = fs::path(PARCH_BINARY_DIR) / "test-data" / ("damaged-" + std::to_string(::getpid()));
        made_ = RunCommand("python3 " + Quote(std::string(PARCH_SOURCE_DIR) + "/tools/make_damaged_pdfs.py") + " " +
                           Quote(folder_.string()))
                    .ExitCode == 0;
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    static fs::path folder_;
    static bool made_;
};

fs::path DamagedFiles::folder_;
bool DamagedFiles::made_ = false;

// Files both peers get wrong, and why; they must open with the pages of the good file.
const std::map<std::string, std::string> kPeersFallShort = {
    {"objstm-truncated-40.pdf",
     "all pages stand in the object stream; qpdf needs a classic trailer, MuPDF drops objects of object "
     "streams numbered above the highest object written directly"},
};

// Files cut so short that the page tree's root stays but none of its pages: MuPDF repeats the
// root's /Count, which the objects left cannot hold; we count the pages that remain, as qpdf's
// page walk does, and find none.
const std::set<std::string> kNoPageLeft = {
    "classic-truncated-10.pdf", "incremental-truncated-10.pdf", "xrefstream-truncated-10.pdf",
    "hybrid-truncated-10.pdf"};

// Where qpdf reads a file we open it with qpdf's page count. qpdf gives up on damaged files
// without a classic trailer (cross-reference streams only, or no trailer at all); MuPDF rebuilds
// those from the catalog, so there its count stands. A file neither reads answers 401.
TEST_F(DamagedFiles, OpenLikeThePeerReaders) {
    ASSERT_TRUE(made_) << "tools/make_damaged_pdfs.py failed";
    const auto rows = ReadTable(folder_ / "manifest.tsv");
    int opened = 0;
    for (const auto& row : rows) {
        const std::string& name = row[0];
        SCOPED_TRACE(name + ": " + row[1]);
        const fs::path file = folder_ / name;
        const Opened result = Open(file, "");
        const int qpdf = oracle::QpdfPages(file.string());
        if (kNoPageLeft.count(name)) {
            EXPECT_TRUE(result.Error == kScrivletUnreadable || (result.Error == kScrivletOk && result.Pages == 0))
                << result.Error << " with " << result.Pages << " pages";
            continue;
        }
        const bool peersFallShort = kPeersFallShort.count(name) > 0;
        const int expected = peersFallShort ? std::stoi(row[2]) : qpdf >= 0 ? qpdf : MuPdfPages(file);
        const std::string oracle = peersFallShort ? "the good file" : qpdf >= 0 ? "qpdf" : "MuPDF";
        if (expected <= 0) {
            EXPECT_EQ(result.Error, kScrivletUnreadable) << "no peer reads pages in it";
            continue;
        }
        EXPECT_EQ(result.Error, kScrivletOk) << oracle << " reads it";
        if (result.Error != kScrivletOk) continue;
        ++opened;
        EXPECT_EQ(result.Pages, expected) << oracle << "'s count";
    }
    EXPECT_GT(rows.size(), 50u);
    EXPECT_GT(opened, static_cast<int>(rows.size()) / 2);
}

// A rebuilt trailer keeps what decryption needs (/Encrypt, /ID), and objects inside encrypted
// object streams are found once the password is known.
TEST_F(DamagedFiles, EncryptedFilesDecryptAfterRebuilding) {
    ASSERT_TRUE(made_) << "tools/make_damaged_pdfs.py failed";
    for (const char* name : {"encrypted-no-table-keep-trailer.pdf", "encrypted-objstm-startxref-zero.pdf"}) {
        SCOPED_TRACE(name);
        TPDFDocument document;
        TFileStream stream((folder_ / name).string(), fmOpenRead);
        ASSERT_EQ(document.ReadDocument(stream, u""), kOpenOk);
        const TPDFObject* title = document.GetInfo()->GetValue("Title", true);
        ASSERT_NE(title, nullptr);
        ASSERT_EQ(title->Kind, kPDFKindString);
        EXPECT_EQ(static_cast<const TPDFString*>(title)->Bytes, "Corpus document");
    }
}

}  // namespace
}  // namespace parch
