// The API object: opening, error codes, identifiers, page selection and standard fonts.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/Streams.h"
#include "pdf/core/Scrivlet0813.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletFont.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/core/ScrivletPainter.h"
#include "tests/pdf/core/PdfBuilder.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

std::string ThreePages() {
    testpdf::PdfParts parts = testpdf::PagesParts("<< /Type /Pages /Count 3 /Kids [3 0 R 4 0 R 5 0 R] >>");
    for (int i = 3; i <= 5; ++i) parts.Objects[i] = "<< /Type /Page /Parent 2 0 R >>";
    return testpdf::BuildPdf(parts);
}

std::string WriteFile(const std::string& name, const std::string& bytes) {
    const fs::path path = fs::temp_directory_path() / ("parch-api-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

TEST(ScrivletApi, StartsWithABlankDocument) {
    TScrivlet0813 api;
    EXPECT_EQ(api.CountPages(), 1);
    EXPECT_EQ(api.ErrorCode(), 0);
    EXPECT_EQ(api.SelectedPage(), 1);
    EXPECT_EQ(api.SelectedFontId(), 0u);
    const std::string packet = api.SelectedDocument()->GetMetadata();
    EXPECT_NE(packet.find("<xmp:CreatorTool>Scrivlet Library 8.13"), std::string::npos);
    EXPECT_NE(packet.find("<xmp:ModifyDate>"), std::string::npos);
    EXPECT_EQ(api.TemporaryFolder().back(), '/');
}

TEST(ScrivletApi, EveryFailedOpenSaysSo) {
    TScrivlet0813 api;
    TPDFDocument* blank = api.SelectedDocument();
    const std::string garbage = WriteFile("garbage.pdf", "not a pdf");
    for (const std::string& path : {std::string(), std::string("/no/such/file.pdf"),
                                    fs::temp_directory_path().string(), garbage}) {
        EXPECT_EQ(api.OpenPdfFile(path, u""), 0) << path;
        EXPECT_EQ(api.ErrorCode(), kScrivletUnreadable) << path;
        EXPECT_EQ(api.SelectedDocument(), blank);
        EXPECT_EQ(api.CountPages(), 1);
    }
    fs::remove(garbage);
}

TEST(ScrivletApi, OpensFilesAndStreams) {
    TScrivlet0813 api;
    const std::string path = WriteFile("three.pdf", ThreePages());
    ASSERT_EQ(api.OpenPdfFile(path, u""), 1);
    EXPECT_EQ(api.ErrorCode(), 0);
    EXPECT_EQ(api.CountPages(), 3);
    TPDFDocument* first = api.SelectedDocument();
    EXPECT_EQ(first->FileName(), path);

    ASSERT_EQ(api.OpenPdfFile(path, u""), 1);
    EXPECT_NE(api.SelectedDocument(), first);
    EXPECT_NE(api.RegisterObjectId(first), api.RegisterObjectId(api.SelectedDocument()));

    TStringStream stream(ThreePages());
    EXPECT_EQ(api.OpenPdfStream(stream, u"ignored"), 1);
    EXPECT_EQ(api.UseDocument(api.RegisterObjectId(first)), 1);
    EXPECT_EQ(api.SelectedDocument(), first);
    fs::remove(path);
}

TEST(ScrivletApi, Identifiers) {
    TScrivlet0813 api;
    const std::uint32_t blank = api.RegisterObjectId(api.SelectedDocument());
    EXPECT_EQ(blank, kScrivletIdBase);
    EXPECT_EQ(api.ObjectFromId(blank), api.SelectedDocument());
    EXPECT_EQ(api.ObjectFromId(0x78000000), api.SelectedDocument());  // other bits are not tested
    EXPECT_EQ(api.ObjectFromId(kScrivletIdBase + 1), nullptr);
    EXPECT_EQ(api.ObjectFromId(0), nullptr);
    EXPECT_EQ(api.FontFromId(blank), nullptr);
    EXPECT_EQ(api.UseDocument(kScrivletIdBase + 7), 0);

    const std::uint32_t font = api.AddStandardFont(8);
    EXPECT_EQ(font, kScrivletIdBase + 1);
    EXPECT_EQ(api.DocumentFromId(font), nullptr);
    EXPECT_EQ(api.RegisterObjectId(api.FontFromId(font)), font);
}

TEST(ScrivletApi, PagesAndFonts) {
    TScrivlet0813 api;
    TStringStream stream(ThreePages());
    ASSERT_EQ(api.OpenPdfStream(stream, u""), 1);
    EXPECT_EQ(api.GoToPage(2), 1);
    EXPECT_EQ(api.SelectedPage(), 2);
    EXPECT_EQ(api.GoToPage(9), 0);
    EXPECT_EQ(api.SelectedPage(), 2);

    EXPECT_EQ(api.SetFontSize(20), 1);  // makes Helvetica first
    const std::uint32_t helvetica = api.SelectedFontId();
    ASSERT_NE(helvetica, 0u);
    EXPECT_EQ(api.FontFromId(helvetica)->BaseFontName, "Helvetica");
    EXPECT_DOUBLE_EQ(api.FontSize(), 20);
    EXPECT_EQ(api.GoToPage(3), 1);
    EXPECT_DOUBLE_EQ(api.FontSize(), 20);  // the size survives the page change
    auto* fonts = static_cast<TPDFDictionary*>(
        api.SelectedDocument()->PageTree()->GetResources()->GetValue("Font", true));
    ASSERT_NE(fonts, nullptr);
    EXPECT_NE(fonts->GetValue(api.FontFromId(helvetica)->ResourceName), nullptr);

    EXPECT_NE(api.AddStandardFont(0), 0u);
    EXPECT_EQ(api.AddStandardFont(14), 0u);
    EXPECT_EQ(api.UseFont(helvetica), 1);
    EXPECT_EQ(api.UseFont(0), 0);
}

}  // namespace
}  // namespace parch
