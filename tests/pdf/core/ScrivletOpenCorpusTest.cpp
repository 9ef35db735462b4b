// Opening whole documents against qpdf as the oracle: a corpus made by a committed script
// (hand-written files, qpdf's object streams, linearized and encrypted files, damaged variants)
// and the shared qpdf test corpus.

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
    const TPDFObject* spec = static_cast<const TPDFArray*>(list)->GetItem(1);
    if (spec && spec->Kind == kPDFKindIndRef) spec = static_cast<const TPDFIndRef*>(spec)->Resolve();
    const TPDFDictionary* ef = DictionaryValue(DictionaryValue(spec) ? DictionaryValue(spec)->GetValue("EF", true) : nullptr);
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

// Every file of the shared corpus gets an answer, and readable ones have qpdf's page count.
TEST(QpdfCorpus, EveryFileAnswersAndCountsLikeQpdf) {
    const fs::path corpus = fs::path(PARCH_SOURCE_DIR) / ".." / "shared" / "corpus";
    if (!fs::exists(corpus / "qpdf")) GTEST_SKIP() << "no shared corpus";
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
        if (opened.Error != kScrivletOk) continue;
        ++readable;
        const int expected = oracle::QpdfPages(file.string(), password);
        if (expected >= 0) {
            EXPECT_EQ(opened.Pages, expected);
        }
    }
    EXPECT_GT(readable, static_cast<int>(files.size()) / 2);
}

}  // namespace
}  // namespace parch
