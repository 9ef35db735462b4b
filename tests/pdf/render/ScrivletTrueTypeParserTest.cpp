// The TrueType parser's tables and the rasterizer's glyph lookup, on hand-made tables and the
// generated fixture fonts; damaged fonts load without reading outside their tables.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include "base/Streams.h"
#include "framework/graphics/Graphics.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletFontData.h"
#include "pdf/render/ScrivletTrueTypeParser.h"
#include "pdf/render/ScrivletTrueTypeRasterizer.h"
#include "tests/pdf/core/ToolOracle.h"
#include "tests/pdf/render/ScrivletFontTestCanvas.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

std::string TTBytes16(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) {
        bytes += static_cast<char>((value >> 8) & 0xFF);
        bytes += static_cast<char>(value & 0xFF);
    }
    return bytes;
}

std::string TTBytes32(std::initializer_list<std::uint32_t> values) {
    std::string bytes;
    for (std::uint32_t value : values) bytes += TTBytes16({static_cast<int>(value >> 16), static_cast<int>(value & 0xFFFF)});
    return bytes;
}

// An sfnt file of the given tables, in tag order.
std::string TTMakeFont(const std::map<std::string, std::string>& tables) {
    std::string directory = TTBytes32({0x00010000}) + TTBytes16({static_cast<int>(tables.size()), 0, 0, 0});
    std::string body;
    const std::size_t start = 12 + 16 * tables.size();
    for (const auto& [tag, data] : tables) {
        directory += tag + TTBytes32({0, static_cast<std::uint32_t>(start + body.size()), static_cast<std::uint32_t>(data.size())});
        body += data;
        while (body.size() % 4) body += '\0';
    }
    return directory + body;
}

std::string TTHead(int unitsPerEm, int indexToLocFormat) {
    return TTBytes32({0x00010000, 0x00010000, 0, 0x5F0F3CF5}) + TTBytes16({0, unitsPerEm}) + std::string(16, '\0') +
           TTBytes16({0, 0, 0, 0, 0, 0, 2, indexToLocFormat, 0});
}

std::string TTMaxp(int numGlyphs) { return TTBytes32({0x00005000}) + TTBytes16({numGlyphs}); }

// A one-contour triangle (0,0) (100,0) (0,100): the first point repeats nothing, the second
// moves +100 in x, the third -100 in x and +100 in y, all as short values.
std::string TTTriangleGlyph() {
    return TTBytes16({1, 0, 0, 100, 100, 2, 0}) + std::string{0x31, 0x33, 0x27} + std::string{100, 100} +
           std::string{100};
}

const fs::path& TTFixtureFolder() {
    static const fs::path folder = [] {
        const fs::path out = oracle::ScratchFolder() / "truetype-parser-fixtures";
        const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
        oracle::RunTool(python + " " + std::string(PARCH_SOURCE_DIR) + "/tools/make_truetype_fixtures.py " +
                        oracle::Quote(out.string()));
        return out;
    }();
    return folder;
}

std::string TTFixture(const std::string& name) { return oracle::ReadWholeFile((TTFixtureFolder() / name).string()); }

TEST(TrueTypeParser, UnitsPerEmOutsideTheUsableRangeCountsAsMissing) {
    struct Case {
        int UnitsPerEm;  // -1: no 'head'
        int Expected;
    };
    for (const Case& c : {Case{-1, 2048}, Case{0, 2048}, Case{8, 2048}, Case{20000, 2048}, Case{16, 16}, Case{1000, 1000}}) {
        std::map<std::string, std::string> tables{{"maxp", TTMaxp(1)}};
        if (c.UnitsPerEm >= 0) tables["head"] = TTHead(c.UnitsPerEm, 0);
        TPDFTrueTypeParser parser;
        parser.LoadFromString(TTMakeFont(tables));
        EXPECT_EQ(parser.GetHeader().UnitsPerEm, c.Expected) << c.UnitsPerEm;
    }
}

TEST(TrueTypeParser, UnitsPerEmZeroFontDrawsAtTheDefaultEm) {
    TPDFTrueTypeRasterizer2 rasterizer;
    rasterizer.Parser().LoadFromString(TTFixture("upem0.ttf"));
    testfont::RecordingCanvas canvas;
    EXPECT_TRUE(rasterizer.RenderGlyph(canvas, TPDFMatrix(), 0, 0, "U+0041"));
    // The box from (100, 100), 1024 units wide, in thousandths of a 2048-unit em.
    ASSERT_FALSE(canvas.Calls.empty());
    EXPECT_EQ(canvas.Calls.front(), "m 48.828 48.828");
    EXPECT_EQ(canvas.Calls[2], "l 548.828 548.828");
}

TEST(TrueTypeParser, LongLocaEntryAboveTwentyFourBitsReadsAsZero) {
    const std::string glyph = TTTriangleGlyph();
    const std::string loca = TTBytes32({0, 0x01000000, static_cast<std::uint32_t>(glyph.size())});
    TPDFTrueTypeRasterizer2 rasterizer;
    rasterizer.Parser().LoadFromString(
        TTMakeFont({{"head", TTHead(1000, 1)}, {"maxp", TTMaxp(2)}, {"loca", loca}, {"glyf", glyph}}));
    TPDFTTglyfTable table;
    rasterizer.Parser().GetGlyph(0, table);
    EXPECT_EQ(table.NumberOfContours, 0);  // its range ends before it starts
    rasterizer.Parser().GetGlyph(1, table);
    EXPECT_EQ(table.NumberOfContours, 1);  // from offset 0
    testfont::RecordingCanvas canvas;
    rasterizer.RenderGlyph(canvas, TPDFMatrix(), 0, 0, "GID:1");
    EXPECT_EQ(canvas.Calls, (std::vector<std::string>{"m 0 0", "l 100 0", "l 0 100", "h"}));
}

TEST(TrueTypeParser, PostNamesAndCharacterMaps) {
    // 'post' 2.0: glyph 1 is the standard "A", glyph 2 the first string after the index array.
    const std::string post = TTBytes32({0x00020000, 0, 0, 0, 0, 0, 0, 0}) + TTBytes16({3, 0, 36, 258}) + "\x05" "alpha";
    // format 4: codes 0x41..0x43 with idDelta -29, and the closing 0xFFFF segment.
    const std::string format4 = TTBytes16({4, 32, 0, 4, 0, 0, 0, 0x43, 0xFFFF, 0, 0x41, 0xFFFF, -29 & 0xFFFF, 1, 0, 0});
    const std::string cmap = TTBytes16({0, 1, 3, 1}) + TTBytes32({12}) + format4;
    TPDFTrueTypeParser parser;
    parser.LoadFromString(TTMakeFont({{"head", TTHead(1000, 0)}, {"maxp", TTMaxp(40)}, {"post", post}, {"cmap", cmap}}));
    EXPECT_EQ(parser.FindGlyphName("A"), 1);
    EXPECT_EQ(parser.FindGlyphName("alpha"), 2);
    EXPECT_EQ(parser.FindGlyphName("beta"), -1);
    EXPECT_EQ(parser.GlyphNameCount(), 40);
    TPDFTTEncodingRecord record;
    parser.GetEncoding(parser.FindEncoding(3, 1), record);
    EXPECT_EQ(record.Codes, (std::vector<std::uint16_t>{0x41, 0x42, 0x43}));
    EXPECT_EQ(record.Glyphs, (std::vector<std::uint16_t>{36, 37, 38}));
    EXPECT_EQ(parser.FindEncoding(3, 0), -1);
}

TEST(TrueTypeRasterizer, GlyphNamesFindTheirGlyphs) {
    TPDFTrueTypeRasterizer2 rasterizer;
    rasterizer.Parser().LoadFromString(TTFixture("offcurve.ttf"));
    const int lastOn = rasterizer.Parser().FindGlyphName("lastOn");
    const int allOff = rasterizer.Parser().FindGlyphName("allOff");
    ASSERT_GT(lastOn, 0);
    ASSERT_GT(allOff, 0);
    struct Case {
        const char* Name;
        bool Symbolic;
        int Glyph;
    };
    for (const Case& c : {Case{"U+0041", false, lastOn}, Case{"A", false, lastOn}, Case{"PS:allOff", false, allOff},
                          Case{"allOff", false, allOff}, Case{"GID:3", false, 3}, Case{"CID:67", true, allOff},
                          Case{"CID:67", false, 0}, Case{"unknownName", false, 0}, Case{"U+0444", false, 0}}) {
        rasterizer.Symbolic = c.Symbolic;
        EXPECT_EQ(rasterizer.FindGlyph(c.Name), c.Glyph) << c.Name << " symbolic " << c.Symbolic;
    }
}

TEST(TrueTypeRasterizer, ShapesAreRecordedOnceAndPlacedThroughTheMatrix) {
    TPDFTrueTypeRasterizer2 rasterizer;
    rasterizer.Parser().LoadFromString(TTFixture("offcurve.ttf"));
    const TPDFGenericShape& shape = rasterizer.GlyphShape("allOff");
    EXPECT_EQ(&rasterizer.GlyphShape("allOff"), &shape);
    // Four off-curve points: start halfway between the last and the first, four quadratics.
    testfont::RecordingCanvas canvas;
    TPDFMatrix matrix;
    SetMatrix(matrix, 2, 0, 0, 2, 0, 0);
    EXPECT_TRUE(rasterizer.RenderGlyph(canvas, matrix, 10, 0, "allOff"));
    EXPECT_EQ(canvas.Calls, (std::vector<std::string>{"m 20 500", "q 20 0 520 0", "q 1020 0 1020 500",
                                                      "q 1020 1000 520 1000", "q 20 1000 20 500", "h"}));
}

TEST(TrueTypeRasterizer, DamagedFontsDrawWhatTheirDataHolds) {
    // Many glyphs claimed over a tiny 'glyf': the count is what 'loca' holds; a range beyond
    // 'glyf' and a glyph beyond the font draw nothing.
    TPDFTrueTypeRasterizer2 many;
    many.Parser().LoadFromString(TTFixture("manyglyphs.ttf"));
    EXPECT_EQ(many.Parser().NumGlyphs(), 65535);
    EXPECT_EQ(many.Parser().GlyphCount(), 3);
    for (const char* name : {"far", "GID:60000"}) {
        testfont::RecordingCanvas canvas;
        EXPECT_TRUE(many.RenderGlyph(canvas, TPDFMatrix(), 0, 0, name));
        EXPECT_TRUE(canvas.Calls.empty()) << name;
    }
    // A composite naming itself keeps its other components and ends.
    TPDFTrueTypeRasterizer2 loop;
    loop.Parser().LoadFromString(TTFixture("selfref.ttf"));
    testfont::RecordingCanvas canvas;
    EXPECT_TRUE(loop.RenderGlyph(canvas, TPDFMatrix(), 0, 0, "level1"));
    EXPECT_EQ(std::count(canvas.Calls.begin(), canvas.Calls.end(), "h"), 1);
    // Nothing loaded: nothing drawn, and the rasterizer says so.
    TPDFTrueTypeRasterizer2 empty;
    empty.Parser().LoadFromString("not a font");
    EXPECT_FALSE(empty.RenderGlyph(canvas, TPDFMatrix(), 0, 0, "A"));
}

TEST(TrueTypeRasterizer, InstalledFontWidthsComeFromTheNamedGlyphs) {
    TPDFTrueTypeRasterizer2 rasterizer;
    rasterizer.Parser().LoadFromString(TTFixture("offcurve.ttf"));
    TGlyphNames names;
    TGlyphWidths widths;
    widths.fill(123);
    names[65] = "lastOn";
    names[66] = "missing";
    rasterizer.InstalledFontWidths(names, widths);
    EXPECT_EQ(widths[65], 500);
    EXPECT_EQ(widths[66], 123);
    EXPECT_EQ(widths[0], 123);
}

TEST(TrueTypeFontData, CollectionFaceStartsAtItsTableDirectory) {
    const std::string path = (TTFixtureFolder() / "pair.ttc").string();
    const TInstalledFontData face = ReadSfntFontData(path, 1);
    ASSERT_FALSE(face.Data.empty());
    EXPECT_GT(face.CollectionBase, 0);
    TPDFTrueTypeParser parser;
    parser.CollectionBase = face.CollectionBase;
    parser.LoadFromString(face.Data);
    EXPECT_GT(parser.FindGlyphName("level3"), 0);
    TPDFTTglyfTable glyph;
    parser.GetGlyph(parser.FindGlyphName("base"), glyph);
    EXPECT_EQ(glyph.NumberOfContours, 1);
    EXPECT_TRUE(ReadSfntFontData(path, 2).Data.empty());
    EXPECT_TRUE(ReadSfntFontData((TTFixtureFolder() / "missing.ttf").string(), 0).Data.empty());
}

TEST(TrueTypeFontData, InstalledFontsLoadThroughTheirFamilyNames) {
    TPDFTrueTypeRasterizer2 arial;
    arial.FontOf().SetName("Arial");
    arial.LoadInstalledFont();
    EXPECT_GT(arial.FindGlyph("A"), 0);
    EXPECT_FALSE(arial.IsCFF);

    // An OpenType face with CFF outlines: its data holds the CFF program at the table's offset.
    TPDFTrueTypeRasterizer2 nimbus;
    nimbus.FontOf().SetName("Nimbus Sans");
    nimbus.LoadInstalledFont();
    ASSERT_TRUE(nimbus.IsCFF);
    const std::int64_t offset = nimbus.Parser().CFFTableOffset();
    ASSERT_GT(offset, 0);
    const std::string_view header = nimbus.Parser().Data().substr(static_cast<std::size_t>(offset), 2);
    ASSERT_EQ(header.size(), 2u);
    EXPECT_EQ(header[0], 1);  // CFF major version
}

TEST(TrueTypeRasterizer, SimpleRasterizerAddsNoOutline) {
    TPDFSimpleTrueTypeRasterizer rasterizer;
    for (const auto& [name, drawn] : std::vector<std::pair<std::string, bool>>{
             {"GID:5", true}, {"CID:12", true}, {"GID:0", false}, {"A", false}, {"CID:x", false}}) {
        testfont::RecordingCanvas canvas;
        EXPECT_EQ(rasterizer.RenderGlyph(canvas, TPDFMatrix(), 0, 0, name), drawn) << name;
        EXPECT_TRUE(canvas.Calls.empty());
    }
}

}  // namespace
}  // namespace parch
