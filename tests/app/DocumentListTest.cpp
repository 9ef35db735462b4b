// Filling the document list: the folder scan, drops and list files, what the reading worker
// makes of each kind of document (the corpus script's files), and the password loop.

#include "app/DocumentFiles.h"
#include "tests/app/DesktopFixture.h"

#include <cstdio>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace parch {
namespace {

namespace fs = std::filesystem;
using test::DesktopFixture;

class CorpusFolder {
public:
    CorpusFolder() {
        path_ = std::string(PARCH_BINARY_DIR) + "/test-data/desk-" + std::to_string(::getpid()) + "/";
        const std::string command = "python3 '" + std::string(PARCH_SOURCE_DIR) + "/tools/make_pdf_corpus.py' '" + path_ + "' >/dev/null";
        made_ = std::system(command.c_str()) == 0;
    }
    ~CorpusFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }
    bool Made() const { return made_; }

private:
    std::string path_;
    bool made_ = false;
};

const CorpusFolder& Corpus() {
    static const CorpusFolder corpus;
    return corpus;
}

class DocumentListTest : public DesktopFixture {
protected:
    void SetUp() override {
        DesktopFixture::SetUp();
        ASSERT_TRUE(Corpus().Made()) << "tools/make_pdf_corpus.py failed";
    }
    std::string Doc(const std::string& corpusName, const std::string& as) const {
        fs::copy_file(Corpus().Path() + corpusName, docs.Path() + as);
        return docs.Path() + as;
    }
    std::vector<std::string> AddFolderAndRead(TMainForm& form, const std::string& folder) {
        prompts.FolderToChoose = folder;
        form.sBitBtnAddFolderClick(&form);
        EXPECT_TRUE(WaitIdle(form));
        return Captions(form);
    }
};

TEST(SizeTextTest, RoundsToTheNearestUnitWithHalvesToEven) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0"}, {873, "873"}, {1023, "1023"}, {1024, "1 KB"}, {1536, "2 KB"}, {2560, "2 KB"},
        {1048575, "1024 KB"}, {1048576, "1 MB"}, {std::uint64_t{3} << 30, "3072 MB"}};
    for (const auto& [bytes, text] : cases) EXPECT_EQ(SizeText(bytes), text) << bytes;
}

TEST_F(DocumentListTest, FolderScanTakesPdfInAnyCaseAndLinksToFiles) {
    Doc("hand-flat.pdf", "upper.PDF");
    Doc("hand-1page.pdf", "lower.pdf");
    Doc("hand-1page.pdf", "notes.pdf.txt");
    fs::create_directory(docs.Path() + "inner.pdf");
    fs::create_symlink(docs.Path() + "lower.pdf", docs.Path() + "link.pdf");
    EXPECT_EQ(FindDocumentsInFolder(docs.Path()),
              (std::vector<std::string>{docs.Path() + "link.pdf", docs.Path() + "lower.pdf", docs.Path() + "upper.PDF"}));
}

TEST_F(DocumentListTest, ReadingAddsEachKindOfDocumentAsTheUserExpects) {
    const std::string plain = Doc("hand-flat.pdf", "a-plain.pdf");
    const std::string emptyUser = Doc("qpdf-r4-emptyuser.pdf", "b-owner-only.pdf");
    const std::string damaged = Doc("damaged-no-header.pdf", "c-damaged.pdf");
    const std::string unsupported = Doc("unsupported-v3.pdf", "d-unsupported.pdf");
    RunDesktop([&](TMainForm& form) {
        ASSERT_EQ(AddFolderAndRead(form, docs.Path()), (std::vector<std::string>{plain, emptyUser}));
        const std::string plainSize = SizeText(fs::file_size(plain));
        EXPECT_EQ(Row(form, 0), (std::vector<std::string>{plain, "5", plainSize, "", "", "picture 0", "checked"}));
        EXPECT_EQ(Row(form, 1)[5], "picture 0");
        ASSERT_EQ(prompts.Messages.size(), 2u);
        for (const auto& [message, path] : {std::pair{prompts.Messages[0], damaged}, std::pair{prompts.Messages[1], unsupported}}) {
            EXPECT_EQ(message.Text, path + "\r\n\r\nCouldn't read PDF header info!\r\nProbably this file is damaged!");
            EXPECT_EQ(message.Type, mtWarning);
        }
        EXPECT_EQ(form.sLabelListInfo->Caption(), "2 / 2");
    });
}

// A one-page document whose cross-reference table lies past 3 GiB: between its objects and the
// table is a hole that the file system stores as nothing. Empty when the file cannot be made.
std::string MakeSparseDocument(const std::string& path) {
    constexpr std::uint64_t kTableOffset = (std::uint64_t{3} << 30) - 4096;
    const std::string objects[] = {
        "1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n",
        "2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n",
        "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>\nendobj\n"};
    std::string head = "%PDF-1.4\n";
    std::string table = "xref\n0 4\n0000000000 65535 f\r\n";
    for (const std::string& object : objects) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n\r\n", head.size());
        table += entry;
        head += object;
    }
    table += "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + std::to_string(kTableOffset) + "\n%%EOF\n";
    std::ofstream out(path, std::ios::binary);
    out << head;
    out.seekp(static_cast<std::streamoff>(kTableOffset));
    out << table;
    return out.good() ? path : std::string();
}

// Documents are addressed with 32-bit offsets: one of 3 GiB is refused like a damaged one, and
// the reading goes on and ends as usual.
TEST_F(DocumentListTest, DocumentOfThreeGigabytesIsRefusedAndTheReadingEnds) {
    const std::string big = MakeSparseDocument(docs.Path() + "big.pdf");
    struct stat info {};
    if (big.empty() || ::stat(big.c_str(), &info) != 0 || info.st_blocks * 512 > (std::int64_t{64} << 20))
        GTEST_SKIP() << "the scratch folder's file system keeps no sparse files";
    const std::string small = Doc("hand-1page.pdf", "small.pdf");
    RunDesktop([&](TMainForm& form) {
        ASSERT_EQ(AddFolderAndRead(form, docs.Path()), (std::vector<std::string>{small}));
        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Text, big + "\r\n\r\nCouldn't read PDF header info!\r\nProbably this file is damaged!");
        EXPECT_EQ(form.sLabelListInfo->Caption(), "1 / 1");
    });
}

struct PasswordCase {
    const char* Name;
    std::vector<std::optional<std::string>> Answers;
    int WrongPasswordErrors;
    const char* StoredPassword;  // nullptr: not added
};

class PasswordLoopTest : public DocumentListTest, public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(PasswordLoopTest, AsksUntilRightCancelledOrBlank) {
    const PasswordCase& c = GetParam();
    const std::string locked = Doc("qpdf-r4-aes.pdf", "locked.pdf");
    for (const auto& answer : c.Answers) prompts.Passwords.push_back(answer);
    RunDesktop([&](TMainForm& form) {
        prompts.FilesToChoose = {locked};
        form.sBitBtnAddPDFClick(&form);
        ASSERT_TRUE(WaitIdle(form));
        int errors = 0;
        for (const auto& message : prompts.Messages) errors += message.Text == "Wrong password, please try it again!";
        EXPECT_EQ(errors, c.WrongPasswordErrors);
        ASSERT_FALSE(prompts.PasswordPrompts.empty());
        EXPECT_EQ(prompts.PasswordPrompts[0], locked + "\r\n\r\nThis PDF is password protected! Please enter the password:\r\n");
        if (!c.StoredPassword) {
            EXPECT_EQ(form.sListViewPDF->Items().Count(), 0);
            return;
        }
        ASSERT_EQ(form.sListViewPDF->Items().Count(), 1);
        EXPECT_EQ(Row(form, 0)[4], c.StoredPassword);
        EXPECT_EQ(Row(form, 0)[5], "picture 1");
    });
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PasswordLoopTest,
    ::testing::Values(PasswordCase{"WrongThenRight", {"nope", "user"}, 1, "user"},
                      PasswordCase{"Cancel", {std::nullopt}, 0, nullptr},
                      PasswordCase{"WrongThenCancel", {"nope", std::nullopt}, 1, nullptr},
                      PasswordCase{"BlankAnswer", {"   "}, 0, nullptr}),
    [](const ::testing::TestParamInfo<PasswordCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace parch
