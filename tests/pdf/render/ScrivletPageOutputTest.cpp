// The render call and the page output: every output kind through the API object, the kinds
// without an output, page clamping, images on EPS pages, and every page of the shared corpus.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Metafile.h"
#include "pdf/core/Scrivlet0813.h"
#include "pdf/core/ScrivletUnicode.h"
#include "pdf/render/ScrivletRenderCall.h"
#include "tests/pdf/core/PdfBuilder.h"
#include "tests/pdf/core/ToolOracle.h"
#include "tests/pdf/render/ScrivletRendererTestPages.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

// Page 1 is Letter with a red square, page 2 is 200 × 100.
std::string PageOutputTwoPages() {
    testpdf::PdfParts parts = testpdf::PagesParts("<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>");
    parts.Objects[3] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>";
    parts.Objects[4] = rendertest::StreamObject("", "1 0 0 rg 72 72 72 72 re f");
    parts.Objects[5] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>";
    return testpdf::BuildPdf(parts);
}

std::int32_t PageOutputLittleEndian(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return size == 2 ? static_cast<std::int16_t>(value) : static_cast<std::int32_t>(value);
}

struct PageOutputBmp {
    std::int32_t Width, Height, Bits;
};

PageOutputBmp PageOutputHeader(const std::string& bytes) {
    EXPECT_GE(bytes.size(), 54u);
    if (bytes.size() < 54) return {0, 0, 0};
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    return {PageOutputLittleEndian(bytes, 18, 4), PageOutputLittleEndian(bytes, 22, 4), PageOutputLittleEndian(bytes, 28, 2)};
}

class PageOutput : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = oracle::WriteScratchFile("page-output-" + std::to_string(counter_++) + ".pdf", PageOutputTwoPages());
        ASSERT_EQ(api_.OpenPdfFile(path_, u""), 1);
    }
    std::string path_;
    TScrivlet0813 api_;
    static inline int counter_ = 0;
};

TEST_F(PageOutput, PreviewRenderIsALetterBmpAt96Dpi) {
    TMemoryStream stream;
    EXPECT_EQ(RenderPageImage(api_, 96, 1, 0, stream), 1);
    EXPECT_EQ(api_.Message(), "");
    const PageOutputBmp header = PageOutputHeader(stream.Bytes());
    EXPECT_EQ(header.Width, 816);
    EXPECT_EQ(std::abs(header.Height), 1056);
    EXPECT_EQ(header.Bits, 24);

    // An outside reader agrees, and finds the square where the page has it.
    const std::string bmp = oracle::WriteScratchFile("preview.bmp", stream.Bytes());
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const oracle::ToolResult pil = oracle::RunCommand(
        python + " -c \"from PIL import Image; im = Image.open('" + bmp +
        "'); print(im.size[0], im.size[1], im.mode, im.getpixel((144, 1056 - 144)), im.getpixel((10, 10)))\" 2>&1");
    if (pil.Output.find("No module named") != std::string::npos) GTEST_SKIP() << "PIL is not installed";
    EXPECT_EQ(pil.Output, "816 1056 RGB (255, 0, 0) (255, 255, 255)\n");
}

TEST_F(PageOutput, PageNumbersAreClampedAndTheSelectedPageKept) {
    api_.GoToPage(2);
    struct Case {
        int Page;
        int Width;
    };
    for (const Case& c : {Case{0, 612}, Case{1, 612}, Case{2, 200}, Case{99, 200}}) {
        TMemoryStream stream;
        EXPECT_EQ(RenderPageImage(api_, 72, c.Page, 0, stream), 1);
        EXPECT_EQ(PageOutputHeader(stream.Bytes()).Width, c.Width) << c.Page;
        EXPECT_EQ(api_.SelectedPage(), 2);
    }
}

TEST_F(PageOutput, KindsWithoutAnOutputAnswerZeroAndWriteNothing) {
    struct Case {
        int Kind;
        std::string Message;
    };
    for (const Case& c : {Case{-1, "Output kind -1 does not exist"}, Case{10, "Output kind 10 does not exist"},
                          Case{12, "Output kind 12 does not exist"}}) {
        TMemoryStream stream;
        EXPECT_EQ(RenderPageImage(api_, 72, 1, c.Kind, stream), 0) << c.Kind;
        EXPECT_EQ(api_.Message(), c.Message);
        EXPECT_EQ(stream.GetSize(), 0);
    }
}

// Every written kind starts its file where the caller's stream stands, after what it holds.
TEST_F(PageOutput, EachKindWritesItsFileAtTheStreamPosition) {
    struct Case {
        int Kind;
        std::string Signature;
    };
    for (const Case& c : {Case{0, "BM"}, Case{1, "\xFF\xD8\xFF"}, Case{4, "%!PS-Adobe-3.0 EPSF-3.0\r\n"},
                          Case{5, "\x89PNG\r\n\x1A\n"}, Case{6, "GIF87a"}, Case{7, std::string("II*\0", 4)}}) {
        TMemoryStream stream;
        stream.WriteString("held");
        EXPECT_EQ(RenderPageImage(api_, 36, 1, c.Kind, stream), 1) << c.Kind;
        EXPECT_EQ(api_.Message(), "") << c.Kind;
        const std::string& bytes = stream.Bytes();
        ASSERT_GT(bytes.size(), 4 + c.Signature.size()) << c.Kind;
        EXPECT_EQ(bytes.substr(0, 4), "held");
        EXPECT_EQ(bytes.substr(4, c.Signature.size()), c.Signature) << c.Kind;
    }
}

// WMF, EMF and EMF+ hold the page at its pixel size, sized for the 96 dpi reference, and play
// back with the square where the page has it; the stream is complete when the call returns.
TEST_F(PageOutput, MetafileKindsHoldThePage) {
    for (int kind : {2, 3, 8}) {
        TMemoryStream stream;
        ASSERT_EQ(RenderPageImage(api_, 72, 1, kind, stream), 1) << kind;
        EXPECT_EQ(api_.Message(), "") << kind;
        const std::string& bytes = stream.Bytes();
        ASSERT_GT(bytes.size(), 100u) << kind;
        if (kind == 2) {
            EXPECT_EQ(static_cast<std::uint32_t>(PageOutputLittleEndian(bytes, 0, 4)), 0x9AC6CDD7u);
            EXPECT_EQ(PageOutputLittleEndian(bytes, 10, 2), 612);
            EXPECT_EQ(PageOutputLittleEndian(bytes, 12, 2), 792);
            EXPECT_EQ(PageOutputLittleEndian(bytes, 14, 2), 96);
        } else {
            EXPECT_EQ(PageOutputLittleEndian(bytes, 40, 4), 0x464D4520);
            EXPECT_EQ(static_cast<std::size_t>(PageOutputLittleEndian(bytes, 48, 4)), bytes.size()) << kind;
            EXPECT_EQ(PageOutputLittleEndian(bytes, 32, 4), (612 * 2540 + 48) / 96) << kind;
            EXPECT_EQ(PageOutputLittleEndian(bytes, 36, 4), (792 * 2540 + 48) / 96) << kind;
            // EMF+ comes in a comment right after the header.
            const bool plus = PageOutputLittleEndian(bytes, 108, 4) == 70 && bytes.substr(120, 4) == "EMF+";
            EXPECT_EQ(plus, kind == 8);
        }
        stream.SetPosition(0);
        TMetafile metafile;
        metafile.LoadFromStream(stream);
        EXPECT_EQ(metafile.Width(), 612) << kind;
        EXPECT_EQ(metafile.Height(), 792) << kind;
        TBitmap picture;
        picture.Assign(&metafile);
        ASSERT_EQ(picture.Width(), 612);
        const BYTE* inside = picture.ScanLine(792 - 108) + 108 * 4;
        const BYTE* outside = picture.ScanLine(10) + 10 * 4;
        EXPECT_EQ(inside[2], 255) << kind;
        EXPECT_EQ(inside[1], 0) << kind;
        EXPECT_EQ(outside[1], 255) << kind;
    }
}

TEST_F(PageOutput, JpegIsBaselineAtTheApiQuality) {
    if (oracle::RunCommand("identify -version >/dev/null 2>&1").ExitCode != 0) GTEST_SKIP() << "no ImageMagick";
    for (int quality : {40, 90}) {
        api_.JpegQuality = quality;
        TMemoryStream stream;
        ASSERT_EQ(RenderPageImage(api_, 36, 1, 1, stream), 1);
        const std::string jpeg = oracle::WriteScratchFile("page-output-quality.jpg", stream.Bytes());
        EXPECT_EQ(oracle::RunCommand("identify -format '%Q %[interlace]' " + jpeg).Output,
                  std::to_string(quality) + " None");
    }
}

// The lines of an EPS page.
std::vector<std::string> PageOutputEpsLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::istringstream text(bytes);
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::size_t PageOutputCountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.rfind(prefix, 0) == 0;
    }));
}

// An image XObject drawn twice is defined once; inline images at the same offset of the page and
// of a form are two images; a stencil paints in the fill colour of the moment.
TEST(PageOutputEPS, ImagesOfThePageReachTheWriter) {
    testpdf::PdfParts parts = testpdf::PagesParts("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    parts.Objects[3] =
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 40] /Contents 4 0 R "
        "/Resources << /XObject << /Im1 5 0 R /St 6 0 R /Fm 7 0 R >> >> >>";
    parts.Objects[4] = rendertest::StreamObject(
        "",
        "BI /W 1 /H 1 /CS /G /BPC 8 ID A EI "
        "q 10 0 0 10 0 0 cm /Im1 Do Q q 10 0 0 10 20 0 cm /Im1 Do Q "
        "0 0 1 rg q 10 0 0 10 40 0 cm /St Do Q /Fm Do");
    parts.Objects[5] = rendertest::StreamObject(
        "/Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8",
        std::string("\xFF\x00\x00\x00\x00\xFF", 6));
    parts.Objects[6] = rendertest::StreamObject(
        "/Type /XObject /Subtype /Image /Width 8 /Height 1 /ImageMask true /BitsPerComponent 1", "\x0F");
    parts.Objects[7] = rendertest::StreamObject("/Type /XObject /Subtype /Form /BBox [0 0 100 40]",
                                                "BI /W 1 /H 1 /CS /G /BPC 8 ID z EI");
    TScrivlet0813 api;
    ASSERT_EQ(api.OpenPdfFile(oracle::WriteScratchFile("page-output-eps.pdf", testpdf::BuildPdf(parts)), u""), 1);
    TMemoryStream stream;
    ASSERT_EQ(RenderPageImage(api, 72, 1, 4, stream), 1);
    EXPECT_EQ(api.Message(), "");
    const std::vector<std::string> lines = PageOutputEpsLines(stream.Bytes());

    EXPECT_EQ(PageOutputCountPrefix(lines, "/ImageDataDictionaryfor"), 3u);  // Im1 and two inline images
    const auto imageDraws = static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("ImageDataDictionaryfor", 0) == 0 && line.size() > 6 && line.substr(line.size() - 6) == " image";
    }));
    EXPECT_EQ(imageDraws, 4u);

    const auto stencil = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.size() > 10 && line.substr(line.size() - 10) == " imagemask";
    });
    ASSERT_NE(stencil, lines.end());
    const auto colour = std::find_if(std::make_reverse_iterator(stencil), lines.rend(), [](const std::string& line) {
        return line.find("setrgbcolor") != std::string::npos || line.find("setgray") != std::string::npos;
    });
    ASSERT_NE(colour, lines.rend());
    EXPECT_EQ(*colour, "0 0 1 setrgbcolor");
}

TEST_F(PageOutput, OversizedRenderAnswersZeroWithTheReason) {
    TMemoryStream stream;
    EXPECT_EQ(RenderPageImage(api_, 100000, 1, 0, stream), 0);
    EXPECT_EQ(api_.Message(), "The page is too large to render at this resolution");
    EXPECT_EQ(stream.GetSize(), 0);
    api_.RenderScale = 0.5;
    EXPECT_EQ(RenderPageImage(api_, 144, 2, 0, stream), 1);
    EXPECT_EQ(PageOutputHeader(stream.Bytes()).Width, 200);
}

TEST_F(PageOutput, HtmlPageDrawsTheContentAsCanvasStatements) {
    TMemoryStream stream;
    EXPECT_EQ(RenderPageImage(api_, 72, 1, 9, stream), 1);
    EXPECT_EQ(stream.Bytes(),
              "<!DOCTYPE html><html><head><script type=\"text/javascript\">\r\n"
              "function ScrivletLibraryDraw() {\r\n"
              "  var canvas = document.getElementById(\"SVLCanvas\");\r\n"
              "  if (canvas.getContext) {\r\n"
              "    var ctx = canvas.getContext(\"2d\");\r\n"
              "ctx.beginPath();ctx.moveTo(72,720);ctx.lineTo(144,720);ctx.lineTo(144,648);ctx.lineTo(72,648);"
              "ctx.closePath();ctx.fillStyle = \"#FF0000\";ctx.fill();"
              "  }\r\n}\r\n</script>\r\n</head><body onload=\"ScrivletLibraryDraw()\">\r\n"
              "<canvas id=\"SVLCanvas\" width=\"612\" height=\"792\"></canvas>\r\n</body></html>");
}

// The shared corpus lives beside the checkout.
fs::path PageOutputCorpusFolder() {
    for (fs::path folder = fs::path(PARCH_SOURCE_DIR); folder.has_relative_path(); folder = folder.parent_path())
        if (fs::exists(folder.parent_path() / "shared" / "corpus" / "qpdf")) return folder.parent_path() / "shared" / "corpus";
    return {};
}

// Every readable file of the corpus renders its first pages without a crash or a hang; the
// files are dealt out to shards that run side by side.
constexpr int kPageOutputCorpusShards = 8;

class PageOutputCorpus : public ::testing::TestWithParam<int> {};

TEST_P(PageOutputCorpus, FirstPagesOfEveryReadableFileRender) {
    const fs::path corpus = PageOutputCorpusFolder();
    if (corpus.empty()) GTEST_SKIP() << "no shared corpus";
    std::map<std::string, std::string> passwords;
    std::ifstream table(corpus / "qpdf-passwords.tsv");
    for (std::string line; std::getline(table, line);) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos) passwords[line.substr(0, tab)] = line.substr(tab + 1);
    }
    std::vector<fs::path> files;
    for (const auto& item : fs::directory_iterator(corpus / "qpdf"))
        if (item.path().extension() == ".pdf") files.push_back(item.path());
    std::sort(files.begin(), files.end());
    int rendered = 0;
    for (std::size_t index = static_cast<std::size_t>(GetParam()); index < files.size(); index += kPageOutputCorpusShards) {
        const fs::path& file = files[index];
        SCOPED_TRACE(file.filename().string());
        TScrivlet0813 api;
        const std::string name = file.filename().string();
        if (api.OpenPdfFile(file.string(), Utf8ToWide(passwords.count(name) ? passwords[name] : "")) != 1) continue;
        for (int page = 1; page <= std::min(3, api.CountPages()); ++page) {
            TMemoryStream stream;
            if (RenderPageImage(api, 72, page, 0, stream) == 1) {
                ++rendered;
                EXPECT_GT(stream.GetSize(), 54);
            } else {
                EXPECT_FALSE(api.Message().empty());
            }
        }
    }
    EXPECT_GT(rendered, 200 / kPageOutputCorpusShards);
}

INSTANTIATE_TEST_SUITE_P(Shards, PageOutputCorpus, ::testing::Range(0, kPageOutputCorpusShards));

}  // namespace
}  // namespace parch
