#include "cli/ImageConversion.h"

#include "platform/os/Files.h"
#include "tests/platform/os/ScratchDir.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

namespace parch {
namespace {

// Scratch files as the image engine writes them: binary PNM, colour, grey (8 or 16 bits) or
// one bit per pixel.
std::string Pnm(char kind, unsigned width, unsigned height, int maxValue = 255) {
    std::string header = std::string("P") + kind + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
    std::size_t size = 0;
    if (kind == '4') {
        size = (width + 7) / 8 * height;
    } else {
        header += std::to_string(maxValue) + "\n";
        size = std::size_t{width} * height * (kind == '6' ? 3 : 1) * (maxValue > 255 ? 2 : 1);
    }
    std::string pixels(size, '\0');
    for (std::size_t i = 0; i < size; ++i) pixels[i] = static_cast<char>(i * 37);
    return header + pixels;
}

struct SavedImage {
    FREE_IMAGE_FORMAT Format = FIF_UNKNOWN;
    unsigned Width = 0, Height = 0, DotsPerMeter = 0;
};

SavedImage Inspect(const std::string& path) {
    SavedImage result;
    result.Format = FreeImage_GetFileType(path.c_str(), 0);
    if (FIBITMAP* dib = FreeImage_Load(result.Format, path.c_str(), 0)) {
        result.Width = FreeImage_GetWidth(dib);
        result.Height = FreeImage_GetHeight(dib);
        result.DotsPerMeter = FreeImage_GetDotsPerMeterX(dib);
        EXPECT_EQ(FreeImage_GetDotsPerMeterY(dib), result.DotsPerMeter);
        FreeImage_Unload(dib);
    }
    return result;
}

class ImageConversionTest : public ::testing::Test {
protected:
    RunParameters Params(const std::string& format = "", const std::string& filter = "") const {
        RunParameters p;
        p.TextMode = false;
        p.InputPath = "/in/report.pdf";
        p.OutputFolder = out_.Path();
        p.ImageFormat = format;
        p.SizeFilter = filter;
        return p;
    }
    bool Convert(const RunParameters& p, std::int32_t page = 0) {
        log_.clear();
        return ConvertExtractedImages(p, scratch_.Path(), page,
                                      [this](std::string_view line) { (log_ += line) += "\r\n"; });
    }
    std::vector<std::string> Outputs() const { return ListFiles(out_.Path(), "*.*"); }

    test::ScratchDir scratch_, out_;
    std::string log_;
};

TEST_F(ImageConversionTest, DefaultFormatFollowsTheScratchFileKind) {
    scratch_.Write("tmp-000.ppm", Pnm('6', 12, 10));
    scratch_.Write("tmp-001.pbm", Pnm('4', 9, 5));
    scratch_.Write("tmp-002.pgm", Pnm('5', 7, 7));
    scratch_.Write("other.ppm", Pnm('6', 3, 3));
    ASSERT_TRUE(Convert(Params()));
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"report-1.jpg", "report-2.bmp", "report-3.bmp"}));
    EXPECT_EQ(Inspect(out_.Path() + "report-1.jpg").Format, FIF_JPEG);
    EXPECT_EQ(Inspect(out_.Path() + "report-2.bmp").Width, 9u);
    EXPECT_EQ(ListFiles(scratch_.Path(), "tmp-*.*").size(), 0u);
    EXPECT_TRUE(FileExists(scratch_.Path() + "other.ppm"));  // not the engine's
}

TEST_F(ImageConversionTest, EveryForcedFormatTakesEveryScratchKind) {
    struct Case { const char* format; FREE_IMAGE_FORMAT expected; };
    const Case cases[] = {{"bmp", FIF_BMP}, {"jpg", FIF_JPEG}, {"jp2", FIF_JP2},
                          {"png", FIF_PNG}, {"tif", FIF_TIFF}, {"tiff", FIF_TIFF}};
    for (const Case& c : cases) {
        // Small sides too: the library's own JPEG 2000 writer refuses them.
        scratch_.Write("tmp-000.ppm", Pnm('6', 40, 32));
        scratch_.Write("tmp-001.pbm", Pnm('4', 41, 33));
        scratch_.Write("tmp-002.pgm", Pnm('5', 42, 34, 65535));
        scratch_.Write("tmp-003.ppm", Pnm('6', 43, 35, 65535));
        scratch_.Write("tmp-004.ppm", Pnm('6', 44, 8));
        scratch_.Write("tmp-005.pbm", Pnm('4', 45, 1));
        scratch_.Write("tmp-006.pgm", Pnm('5', 46, 3));
        EXPECT_TRUE(Convert(Params(c.format))) << c.format << ": " << log_;
        for (int k = 1; k <= 7; ++k) {
            const std::string name = out_.Path() + "report-" + std::to_string(k) + "." + c.format;
            const SavedImage saved = Inspect(name);
            EXPECT_EQ(saved.Format, c.expected) << name;
            EXPECT_EQ(saved.Width, 39u + k) << name;
            DeleteFile(name);
        }
    }
}

TEST_F(ImageConversionTest, SizeFilterResolutionAndPerPageNames) {
    scratch_.Write("tmp-000.ppm", Pnm('6', 50, 200));
    scratch_.Write("tmp-001.ppm", Pnm('6', 50, 50));
    scratch_.Write("tmp-002.ppm", Pnm('6', 99, 99));
    RunParameters p = Params("png", "st 100");
    p.Prefix = "p-";
    p.Dpi = "150";
    ASSERT_TRUE(Convert(p, 3));
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"p-report-p3-1.png", "p-report-p3-2.png"}));
    EXPECT_EQ(Inspect(out_.Path() + "p-report-p3-1.png").DotsPerMeter, 5906u);
    EXPECT_EQ(Inspect(out_.Path() + "p-report-p3-2.png").Width, 99u);

    scratch_.Write("tmp-000.pgm", Pnm('5', 16, 400));
    scratch_.Write("tmp-001.pgm", Pnm('5', 17, 17));
    ASSERT_TRUE(Convert(Params("bmp", "lt 16"), 4));  // numbering starts again per run
    EXPECT_TRUE(FileExists(out_.Path() + "report-p4-1.bmp"));
    EXPECT_FALSE(FileExists(out_.Path() + "report-p4-2.bmp"));
}

TEST(ImageConversionRulesTest, FilterFormatAndResolutionTables) {
    struct FilterCase { const char* filter; unsigned w, h; bool kept; };
    const FilterCase filters[] = {
        {"st 100", 50, 200, false}, {"st 100", 50, 50, true},  {"lt 16", 16, 400, false},
        {"lt 16", 17, 17, true},    {"st abc", 500, 500, true}, {"xx 10", 500, 500, true},
        {"", 1, 1, true},           {"st", 500, 500, true},     {"lt -1", 0, 0, true},
    };
    for (const FilterCase& c : filters) EXPECT_EQ(PassesSizeFilter(c.filter, c.w, c.h), c.kept) << c.filter;

    EXPECT_EQ(ChooseSaveFormat("jpg", "tmp-0.pbm").Flags, 80);
    EXPECT_EQ(ChooseSaveFormat("jp2", "tmp-0.pbm").Flags, 26);
    EXPECT_EQ(ChooseSaveFormat("", "tmp-0.PPM").Extension, "jpg");
    EXPECT_EQ(ChooseSaveFormat("tiff", "tmp-0.ppm").Format, FIF_TIFF);

    EXPECT_EQ(DotsPerMeter("150").value_or(0), 5906u);
    EXPECT_EQ(DotsPerMeter("300").value_or(0), 11811u);
    EXPECT_EQ(DotsPerMeter("72").value_or(0), 2835u);
    EXPECT_FALSE(DotsPerMeter("abc"));
    EXPECT_FALSE(DotsPerMeter("-150"));
    EXPECT_FALSE(DotsPerMeter(""));
}

TEST_F(ImageConversionTest, UnreadableScratchFilesAndFailedSavesAreReported) {
    scratch_.Write("tmp-000.ppm", "P6\n99999 99999\n255\nshort");
    scratch_.Write("tmp-001.ppm", Pnm('6', 8, 8));
    scratch_.Write("tmp-002.ppm", "not an image");
    EXPECT_FALSE(Convert(Params("png")));
    EXPECT_NE(log_.find("Couldn't read the extracted image \"tmp-000.ppm\"!\r\n"), std::string::npos) << log_;
    EXPECT_NE(log_.find("\"tmp-002.ppm\"!\r\n"), std::string::npos) << log_;
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"report-1.png"}));
    EXPECT_EQ(ListFiles(scratch_.Path(), "tmp-*.*").size(), 0u);

    scratch_.Write("tmp-000.ppm", Pnm('6', 8, 8));
    RunParameters p = Params("png");
    p.OutputFolder = out_.Path() + "missing/";
    EXPECT_FALSE(Convert(p));
    EXPECT_NE(log_.find("Couldn't save the image \"" + p.OutputFolder + "report-1.png\"!"), std::string::npos);
    EXPECT_EQ(ListFiles(scratch_.Path(), "tmp-*.*").size(), 0u);
}

}  // namespace
}  // namespace parch
