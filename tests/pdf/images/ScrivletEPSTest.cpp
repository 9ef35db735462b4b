#include "pdf/images/ScrivletEPS.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <sstream>

#include "base/NumberText.h"
#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletFilters.h"
#include "platform/gdi/Bitmaps.h"
#include "tests/pdf/core/ToolOracle.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

const fs::path kEpsFixtures = fs::path(PARCH_SOURCE_DIR) / "tests/pdf/images/EPSFixtures";

std::vector<std::string> EpsLines(const TPDFEPSExport& eps) {
    std::vector<std::string> lines;
    for (int i = 0; i < eps.Lines().GetCount(); ++i) lines.push_back(eps.Lines().Get(i));
    return lines;
}

// The lines after the prolog, up to the end-of-file line.
std::vector<std::string> EpsBody(const TPDFEPSExport& eps) {
    std::vector<std::string> lines = EpsLines(eps);
    auto start = std::find(lines.begin(), lines.end(), "%%ScrivletLibrary-End");
    auto end = std::find(lines.begin(), lines.end(), "%%EOF");
    return start == lines.end() ? lines : std::vector<std::string>(start + 1, end);
}

int EpsCount(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// A binary PPM (P6) or PGM (P5) file as a 24-bit bitmap.
std::unique_ptr<TBitmap> EpsLoadPnm(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    file >> magic >> width >> height >> maximum;
    file.get();
    const int channels = magic == "P6" ? 3 : 1;
    std::string data(static_cast<std::size_t>(width * height * channels), '\0');
    file.read(data.data(), static_cast<std::streamsize>(data.size()));
    auto bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        BYTE* row = bitmap->ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const char* in = data.data() + (static_cast<std::size_t>(y * width + x)) * channels;
            row[3 * x + 2] = static_cast<BYTE>(in[0]);
            row[3 * x + 1] = static_cast<BYTE>(in[channels == 3 ? 1 : 0]);
            row[3 * x] = static_cast<BYTE>(in[channels == 3 ? 2 : 0]);
        }
    }
    return bitmap;
}

// Replays a call list written by tools/make_eps_fixtures.py onto the writer, as the page
// renderer would make the calls.
void EpsReplay(const fs::path& callsFile, TPDFEPSExport& eps) {
    std::ifstream calls(callsFile);
    ASSERT_TRUE(calls) << callsFile;
    std::string line;
    while (std::getline(calls, line)) {
        std::istringstream words(line);
        std::string op;
        words >> op;
        std::vector<double> n;
        if (op == "color") {
            eps.SetColor(line.substr(6));
            continue;
        }
        if (op == "image") {
            std::string name, picture, word, maskFile;
            bool stencil = false;
            words >> name >> picture;
            while (words >> word) {
                if (word == "mask") words >> maskFile;
                if (word == "stencil") stencil = true;
            }
            auto bitmap = EpsLoadPnm(kEpsFixtures / picture);
            auto mask = maskFile.empty() ? nullptr : EpsLoadPnm(kEpsFixtures / maskFile);
            TPDFEPSImage image;
            image.Bitmap = bitmap.get();
            image.Mask = mask.get();
            image.Stencil = stencil;
            eps.PaintImage(image, name == "-" ? std::string() : name);
            continue;
        }
        for (double value; words >> value;) n.push_back(value);
        if (op == "page") eps.BeginDocument(n[0], n[1], n[2], n[3]);
        else if (op == "n") eps.NewPath();
        else if (op == "h") eps.ClosePath();
        else if (op == "s") eps.Stroke();
        else if (op == "f") eps.Fill(false);
        else if (op == "f*") eps.Fill(true);
        else if (op == "B") eps.FillAndStroke();
        else if (op == "W") eps.Clip(false);
        else if (op == "W*") eps.Clip(true);
        else if (op == "q") eps.SaveState();
        else if (op == "Q") eps.RestoreState();
        else if (op == "m") eps.MoveTo(n[0], n[1]);
        else if (op == "l") eps.LineTo(n[0], n[1]);
        else if (op == "c") eps.CurveTo(n[0], n[1], n[2], n[3], n[4], n[5]);
        else if (op == "v") eps.CurveToV(n[0], n[1], n[2], n[3]);
        else if (op == "y") eps.CurveToY(n[0], n[1], n[2], n[3]);
        else if (op == "quad") eps.QuadCurveTo(n[0], n[1], n[2], n[3]);
        else if (op == "cm") eps.ConcatMatrix(n[0], n[1], n[2], n[3], n[4], n[5]);
        else if (op == "w") eps.SetLineWidth(n[0]);
        else if (op == "J") eps.SetLineCap(static_cast<int>(n[0]));
        else if (op == "j") eps.SetLineJoin(static_cast<int>(n[0]));
        else if (op == "M") eps.SetMiterLimit(n[0]);
        else FAIL() << "unknown call: " << line;
    }
    eps.EndDocument();
}

std::string EpsSave(const TPDFEPSExport& eps, const std::string& fileName) {
    TMemoryStream stream;
    eps.SaveToStream(stream);
    return oracle::WriteScratchFile(fileName, stream.Bytes());
}

// PARCH_EXPORT_VIEW_FOLDER, when set, keeps the EPS file and both renderings there for viewing.
std::string EpsViewingPrefix(const std::string& name) {
    const char* folder = std::getenv("PARCH_EXPORT_VIEW_FOLDER");
    return folder == nullptr ? std::string() : " " + oracle::Quote((fs::path(folder) / name).string());
}

std::string EpsPython() { return fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

// ---- Lines ----

TEST(EPSExport, HeaderHasTheBoxOutwardsAndTheCustomColourProcedures) {
    TPDFEPSExport eps;
    eps.BeginDocument(1.5, 2.5, 612.5, 791.25);
    eps.EndDocument();
    const std::vector<std::string> lines = EpsLines(eps);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "%!PS-Adobe-3.0 EPSF-3.0");
    EXPECT_EQ(lines[1], "%%BoundingBox: 1 2 613 792");
    EXPECT_EQ(lines[2], "%%HiResBoundingBox: 1.5 2.5 612.5 791.25");
    EXPECT_EQ(EpsCount(lines, "/findcmykcustomcolor where { pop } { /findcmykcustomcolor { 5 array astore } def } ifelse"), 1);
    EXPECT_EQ(lines.back(), "%%EOF");
}

TEST(EPSExport, DrawingCallsGiveTheirLines) {
    struct Case {
        const char* What;
        std::function<void(TPDFEPSExport&)> Calls;
        std::vector<std::string> Expected;
    };
    const std::vector<Case> cases = {
        {"line widths", [](TPDFEPSExport& e) { e.SetLineWidth(0.5); e.SetLineWidth(2); e.SetLineWidth(1.0 / 3); },
         {"0.5 w", "2 w", "0.3333 w"}},
        {"path", [](TPDFEPSExport& e) { e.NewPath(); e.MoveTo(1, 2); e.LineTo(-3.25, 4); e.ClosePath(); e.Stroke(); },
         {"n", "1 2 m", "-3.25 4 l", "h", "s"}},
        {"curves", [](TPDFEPSExport& e) { e.MoveTo(0, 0); e.CurveTo(1, 2, 3, 4, 5, 6); e.CurveToV(7, 8, 9, 10); e.CurveToY(11, 12, 13, 14); },
         {"0 0 m", "1 2 3 4 5 6 c", "cp 7 8 9 10 c", "11 12 13 14 13 14 c"}},
        {"quadratic from the current point", [](TPDFEPSExport& e) { e.MoveTo(0, 0); e.QuadCurveTo(3, 6, 6, 0); },
         {"0 0 m", "2 4 4 4 6 0 c"}},
        {"fills, clips, fill and stroke",
         [](TPDFEPSExport& e) { e.Fill(false); e.Fill(true); e.Clip(false); e.Clip(true); static_cast<TPDFGenericCanvas&>(e).Fill(); e.FillAndStroke(); },
         {"f", "f*", "W", "W*", "f", "q", "f", "Q", "s"}},
        {"state", [](TPDFEPSExport& e) { e.ConcatMatrix(1, 0, 0, -1, 0.5, 792); e.SetLineCap(1); e.SetLineJoin(2); e.SetMiterLimit(10); },
         {"[ 1 0 0 -1 0.5 792 ] cm", "1 J", "2 j", "10 M"}},
        {"a first fill of pure green is written", [](TPDFEPSExport& e) { e.SetColor("0 1 0 setrgbcolor"); },
         {"0 1 0 setrgbcolor"}},
        {"the same colour twice is written once",
         [](TPDFEPSExport& e) { e.SetColor("1 0 0 setrgbcolor"); e.SetColor("1 0 0 setrgbcolor"); e.SetColor("0.5 setgray"); },
         {"1 0 0 setrgbcolor", "0.5 setgray"}},
        {"after Q the colour of the matching q counts as written",
         [](TPDFEPSExport& e) {
             e.SetColor("1 0 0 setrgbcolor");
             e.SaveState();
             e.SetColor("0 0 1 setrgbcolor");
             e.RestoreState();
             e.SetColor("1 0 0 setrgbcolor");
             e.SetColor("0 0 1 setrgbcolor");
         },
         {"1 0 0 setrgbcolor", "q", "0 0 1 setrgbcolor", "Q", "0 0 1 setrgbcolor"}},
    };
    for (const Case& c : cases) {
        TPDFEPSExport eps;
        eps.BeginDocument(0, 0, 100, 100);
        c.Calls(eps);
        eps.EndDocument();
        EXPECT_EQ(EpsBody(eps), c.Expected) << c.What;
    }
}

// Numbers take a quick integer path; whatever the value, they must read as the PDF syntax
// writes numbers at four decimals (halves, tiny, negative, large and odd values).
TEST(EPSExport, NumbersAreWrittenAsThePdfNumberTextAtFourDecimals) {
    std::vector<double> values = {0,       -0.0,      0.00004,  -0.00004, 0.00005, -0.00005, 0.00015, 1.00005,
                                  2.5e-5,  0.12345,   -0.12355, 612.5,    1e9,     -3.5e12,  1e20,    123456.78905,
                                  0.99995, -0.999949, 4.35,     1.0 / 3,  2.0 / 3, 1e-300};
    std::uint32_t noise = 99;
    for (int i = 0; i < 2000; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double scale = (i % 3 == 0) ? 1e-3 : (i % 3 == 1) ? 1 : 1e4;
        values.push_back((static_cast<double>(noise) / 4294967296.0 - 0.5) * scale);
    }
    TPDFEPSExport eps;
    eps.BeginDocument(0, 0, 10, 10);
    for (const double value : values) eps.SetLineWidth(value);
    const std::vector<std::string> body = EpsBody(eps);
    ASSERT_EQ(body.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(body[i], FloatToPDFStr(4, values[i]) + " w") << std::to_string(values[i]);
}

TEST(EPSExport, CustomColoursAreListedBeforeTheEndOfComments) {
    TPDFEPSExport eps;
    eps.BeginDocument(0, 0, 10, 10);
    eps.SetColor("0 0.5 1 0 (A) findcmykcustomcolor 0.3 setcustomcolor");
    eps.SetColor("1 0 0 0 (B) findcmykcustomcolor 1 setcustomcolor");
    eps.SetColor("0 0.5 1 0 (A) findcmykcustomcolor 0.3 setcustomcolor");
    eps.EndDocument();
    const std::vector<std::string> lines = EpsLines(eps);
    const auto end = std::find(lines.begin(), lines.end(), "%%EndComments");
    ASSERT_GE(end - lines.begin(), 4);
    EXPECT_EQ(std::vector<std::string>(end - 4, end),
              (std::vector<std::string>{"%%DocumentCustomColors: (A)", "%%+ (B)", "%%CMYKCustomColor: 0 0.5 1 0 (A)",
                                        "%%+ 1 0 0 0 (B)"}));
}

// The prolog's own custom-colour procedures, for interpreters that lack them: run under other
// names in ghostscript (which has its own), they must set the colour's CMYK scaled by the tint.
TEST(EPSExport, PrologCustomColoursScaleTheCmykByTheTint) {
    TPDFEPSExport eps;
    eps.BeginDocument(0, 0, 10, 10);
    std::string program;
    for (const std::string& line : EpsLines(eps))
        if (line.find("customcolor where") != std::string::npos) program += line + "\n";
    ASSERT_FALSE(program.empty());
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"findcmykcustomcolor", "ownfindcmyk"},
                                   {"setcustomcolor", "ownsetcustom"}})
        for (std::size_t at = 0; (at = program.find(from, at)) != std::string::npos; at += to.size())
            program.replace(at, from.size(), to);
    program += "0.2 0.4 0.6 0.8 (Shade) ownfindcmyk 0.5 ownsetcustom currentcmykcolor 4 array astore "
               "{ 100 mul round cvi =only ( ) print } forall\n";
    const std::string file = oracle::WriteScratchFile("customcolour.ps", program);
    const oracle::ToolResult result =
        oracle::RunCommand("gs -q -dNODISPLAY -dSAFER -dBATCH -dNOPAUSE " + oracle::Quote(file) + " 2>&1");
    EXPECT_EQ(result.Output, "10 20 30 40 ");
}

// ---- Images ----

// A 4 x 2 picture of distinct colours in several pixel formats.
struct EpsPicture {
    static constexpr int kWidth = 4, kHeight = 2;
    static RGBQUAD Colour(int index) {
        static const RGBQUAD colours[] = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}, {0, 255, 0, 0},
                                          {255, 0, 0, 0}, {40, 80, 120, 0}, {200, 100, 50, 0}, {7, 9, 11, 0}};
        return colours[index];
    }
    // Indices of a two-colour picture for the one-bit form.
    static int Bit(int x, int y) { return (x + y) % 2; }

    static std::unique_ptr<TBitmap> Make(TPixelFormat format, bool twoColours) {
        auto bitmap = std::make_unique<TBitmap>(kWidth, kHeight, format);
        GdiBitmap* bits = ResolveHandle(bitmap->Handle());
        if (bits->IsPaletted())
            for (int i = 0; i < 8 && i < static_cast<int>(bits->ColorTable().size()); ++i) bits->ColorTable()[i] = Colour(i);
        for (int y = 0; y < kHeight; ++y) {
            BYTE* row = bitmap->ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                const int index = twoColours ? Bit(x, y) : y * kWidth + x;
                const RGBQUAD c = Colour(index);
                switch (format) {
                case pf1bit: row[0] = static_cast<BYTE>(row[0] | (index << (7 - x))); break;
                case pf8bit: row[x] = static_cast<BYTE>(index); break;
                case pf24bit: row[3 * x] = c.rgbBlue, row[3 * x + 1] = c.rgbGreen, row[3 * x + 2] = c.rgbRed; break;
                default: row[4 * x] = c.rgbBlue, row[4 * x + 1] = c.rgbGreen, row[4 * x + 2] = c.rgbRed, row[4 * x + 3] = 255; break;
                }
            }
        }
        return bitmap;
    }
};

// The red-green-blue bytes of the image data the writer defined.
std::string EpsImageData(const TPDFEPSExport& eps, const std::string& streamName) {
    const std::vector<std::string> lines = EpsLines(eps);
    const auto def = std::find(lines.begin(), lines.end(), "/" + streamName + " exch def");
    if (def == lines.end() || def == lines.begin()) return {};
    return FlateDecompressStr(ASCII85DecodeStr(*(def - 1)));
}

TEST(EPSExport, ImagesOfEveryDepthAndEncodedImagesGiveTheSameColours) {
    struct Case {
        const char* What;
        TPixelFormat Format;
        bool TwoColours;
        bool Encoded;
    };
    for (const bool twoColours : {false, true}) {
        std::string expected;
        for (int y = 0; y < EpsPicture::kHeight; ++y)
            for (int x = 0; x < EpsPicture::kWidth; ++x) {
                const RGBQUAD c = EpsPicture::Colour(twoColours ? EpsPicture::Bit(x, y) : y * EpsPicture::kWidth + x);
                expected += {static_cast<char>(c.rgbRed), static_cast<char>(c.rgbGreen), static_cast<char>(c.rgbBlue)};
            }
        std::vector<Case> cases = {{"8-bit", pf8bit, twoColours, false},
                                   {"24-bit", pf24bit, twoColours, false},
                                   {"32-bit", pf32bit, twoColours, false},
                                   {"BMP data without a bitmap", pf24bit, twoColours, true}};
        if (twoColours) cases.push_back({"1-bit", pf1bit, true, false});
        for (const Case& c : cases) {
            auto bitmap = EpsPicture::Make(c.Format, c.TwoColours);
            TStringStream bmp;
            if (c.Encoded) bitmap->SaveToStream(bmp);
            TBitmap freed;
            TPDFEPSImage image;
            image.Bitmap = c.Encoded ? &freed : bitmap.get();
            image.Encoded = bmp.DataString();
            TPDFEPSExport eps;
            eps.BeginDocument(0, 0, 10, 10);
            eps.PaintImage(image, "Im");
            EXPECT_EQ(EpsImageData(eps, "datastreamforIm"), expected) << c.What;
            const std::vector<std::string> body = EpsBody(eps);
            EXPECT_EQ(EpsCount(body, "/Width 4 def"), 1) << c.What;
            EXPECT_EQ(EpsCount(body, "ImageDataDictionaryforIm image"), 1) << c.What;
        }
    }
}

// A photograph-sized image gives many lines of data; they must decode to the pixels and stay
// within the 255 characters a PostScript line may have.
TEST(EPSExport, LongImageDataDecodesAndKeepsItsLinesShort) {
    constexpr int kSide = 150;
    TBitmap bitmap(kSide, kSide, pf24bit);
    std::string expected;
    std::uint32_t noise = 7;
    for (int y = 0; y < kSide; ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < kSide; ++x) {
            noise = noise * 1664525u + 1013904223u;
            // Noise in the top half, black below: incompressible data and long runs.
            const BYTE red = y < kSide / 2 ? static_cast<BYTE>(noise >> 24) : 0;
            const BYTE green = y < kSide / 2 ? static_cast<BYTE>(noise >> 16) : 0;
            const BYTE blue = y < kSide / 2 ? static_cast<BYTE>(noise >> 8) : 0;
            row[3 * x] = blue, row[3 * x + 1] = green, row[3 * x + 2] = red;
            expected += {static_cast<char>(red), static_cast<char>(green), static_cast<char>(blue)};
        }
    }
    TPDFEPSExport eps;
    eps.BeginDocument(0, 0, 10, 10);
    eps.PaintImage(&bitmap, nullptr, "Big");
    EXPECT_EQ(EpsImageData(eps, "datastreamforBig"), expected);
    TMemoryStream file;
    eps.SaveToStream(file);
    std::istringstream lines(file.Bytes());
    std::size_t longest = 0, count = 0;
    for (std::string line; std::getline(lines, line); ++count) longest = std::max(longest, line.size());
    EXPECT_GT(count, 100u);
    EXPECT_LE(longest, 255u);
}

TEST(EPSExport, PngDataStandsInForAFreedBitmap) {
    // A 2 x 1 PNG: red, blue.
    const std::string png = oracle::FromHex(
        "89504e470d0a1a0a0000000d49484452000000020000000108020000007b40e8dd0000000f49444154789c63f8cfc0c0c0f01f"
        "00070001ff7e08b1d00000000049454e44ae426082");
    TPDFEPSImage image;
    image.Encoded = png;
    TPDFEPSExport eps;
    eps.BeginDocument(0, 0, 10, 10);
    eps.PaintImage(image, "P");
    EXPECT_EQ(EpsImageData(eps, "datastreamforP"), std::string("\xff\x00\x00\x00\x00\xff", 6));
}

TEST(EPSExport, ImagesWithoutPixelsAreLeftOut) {
    TBitmap empty;
    TPDFEPSExport eps;
    eps.BeginDocument(0, 0, 10, 10);
    eps.PaintImage(&empty, nullptr, "A");
    eps.PaintImage(nullptr, nullptr, "B");
    eps.PaintImage(TPDFEPSImage{nullptr, "not an image", nullptr, false}, "C");
    eps.EndDocument();
    EXPECT_EQ(EpsBody(eps), std::vector<std::string>{});
}

TEST(EPSExport, AMaskedImageDefinesATwiceAsLargeOneBitMaskOnce) {
    auto picture = std::make_unique<TBitmap>(100, 50, pf24bit);
    // Left half opaque, right half transparent.
    auto mask = std::make_unique<TBitmap>(100, 50, pf24bit);
    for (int y = 0; y < 50; ++y) std::memset(mask->ScanLine(y), 0xFF, 150);
    TPDFEPSExport eps;
    eps.BeginDocument(0, 0, 10, 10);
    eps.PaintImage(picture.get(), mask.get(), "M");
    eps.PaintImage(picture.get(), mask.get(), "M");
    const std::vector<std::string> body = EpsBody(eps);
    EXPECT_EQ(EpsCount(body, "/maskstreamforM exch def"), 1);
    EXPECT_EQ(EpsCount(body, "/Width 200 def"), 1);
    EXPECT_EQ(EpsCount(body, "/Height 100 def"), 1);
    EXPECT_EQ(EpsCount(body, "/ImageMatrix [ 200 0 0 -100 0 100 ] def"), 1);
    EXPECT_EQ(EpsCount(body, "/Decode [ 1 0 ] def"), 1);
    EXPECT_EQ(EpsCount(body, "MaskedImageDictionaryforM image"), 2);
    // Opaque pixels are the 1 bits: 25 bytes of ones then 25 of zeros in every row.
    const std::string bits = EpsImageData(eps, "maskstreamforM");
    ASSERT_EQ(bits.size(), 25u * 100);
    for (int row = 0; row < 100; ++row) {
        EXPECT_EQ(bits.substr(row * 25u, 12), std::string(12, '\xff')) << row;
        EXPECT_EQ(bits.substr(row * 25u + 13, 12), std::string(12, '\0')) << row;
    }
}

TEST(EPSExport, AnImageWithoutAMaskIsOfTypeOneOnly) {
    auto picture = EpsPicture::Make(pf24bit, false);
    TPDFEPSExport eps;
    eps.BeginDocument(0, 0, 10, 10);
    eps.PaintImage(picture.get(), nullptr, "I");
    const std::vector<std::string> body = EpsBody(eps);
    EXPECT_EQ(EpsCount(body, "/ImageType 1 def"), 1);
    EXPECT_EQ(EpsCount(body, "/ImageType 3 def"), 0);
}

TEST(EPSExport, StencilsPaintTheirLightPixelsWithImagemask) {
    auto shape = EpsPicture::Make(pf1bit, true);
    TPDFEPSImage image;
    image.Bitmap = shape.get();
    image.Stencil = true;
    TPDFEPSExport eps;
    eps.BeginDocument(0, 0, 10, 10);
    eps.PaintImage(image, "S");
    const std::vector<std::string> body = EpsBody(eps);
    EXPECT_EQ(EpsCount(body, "StencilDictionaryforS imagemask"), 1);
    EXPECT_EQ(EpsCount(body, "/BitsPerComponent 1 def"), 1);
    EXPECT_EQ(EpsCount(body, "/DeviceRGB setcolorspace"), 0);
    // Rows 0101 and 1010, white being index 1.
    EXPECT_EQ(EpsImageData(eps, "datastreamforS"), std::string("\x50\xa0", 2));
}

TEST(EPSExport, ImageNamesAreSafeAndUnnamedImagesNeverShareData) {
    auto picture = EpsPicture::Make(pf24bit, false);
    TPDFEPSExport eps;
    eps.BeginDocument(0, 0, 10, 10);
    eps.PaintImage(picture.get(), nullptr, "");
    eps.PaintImage(picture.get(), nullptr, "");
    eps.PaintImage(picture.get(), nullptr, "7 0 R/(x)");
    eps.PaintImage(picture.get(), nullptr, "12.0.R");
    const std::vector<std::string> body = EpsBody(eps);
    EXPECT_EQ(EpsCount(body, "/datastreamfor_Image1 exch def"), 1);
    EXPECT_EQ(EpsCount(body, "/datastreamfor_Image2 exch def"), 1);
    EXPECT_EQ(EpsCount(body, "/datastreamfor7_200_20R_2F_28x_29 exch def"), 1);
    EXPECT_EQ(EpsCount(body, "/datastreamfor12.0.R exch def"), 1);
}

// ---- Against outside renderers ----

struct EpsDrawing {
    const char* Name;
};

void PrintTo(const EpsDrawing& drawing, std::ostream* out) { *out << drawing.Name; }

class EPSDrawings : public ::testing::TestWithParam<EpsDrawing> {};

// ghostscript's rendering of what the writer made from the calls against pdftoppm's rendering
// of the same drawing as a PDF page; the bounding box holds what ghostscript draws.
TEST_P(EPSDrawings, RenderAsThePdfPage) {
    const std::string name = GetParam().Name;
    TPDFEPSExport eps;
    EpsReplay(kEpsFixtures / (name + ".calls"), eps);
    const std::string file = EpsSave(eps, name + ".eps");
    if (const char* folder = std::getenv("PARCH_EXPORT_VIEW_FOLDER"))
        fs::copy_file(file, fs::path(folder) / (name + ".eps"), fs::copy_options::overwrite_existing);
    const oracle::ToolResult result = oracle::RunCommand(
        EpsPython() + " " + PARCH_SOURCE_DIR "/tools/export_oracle.py eps " + oracle::Quote(file) + " " +
        oracle::Quote((kEpsFixtures / (name + ".pdf")).string()) + EpsViewingPrefix(name) + " 2>&1");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EPSDrawings,
                         ::testing::Values(EpsDrawing{"paths"}, EpsDrawing{"colours"}, EpsDrawing{"images"}),
                         [](const ::testing::TestParamInfo<EpsDrawing>& info) { return std::string(info.param.Name); });

TEST(EPSExport, ABoxOffTheGridHoldsTheWholeDrawing) {
    TPDFEPSExport eps;
    EpsReplay(kEpsFixtures / "box.calls", eps);
    EXPECT_EQ(EpsLines(eps)[1], "%%BoundingBox: 1 2 121 81");
    const std::string file = EpsSave(eps, "box.eps");
    const oracle::ToolResult result =
        oracle::RunCommand(EpsPython() + " " + PARCH_SOURCE_DIR "/tools/export_oracle.py bbox " + oracle::Quote(file) + " 2>&1");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
}

}  // namespace
}  // namespace parch
