// CFF loading and Type 2 translation: outlines against FreeType for the fixtures and the URW
// OpenType fonts, command texts of the Type 2 forms, and damaged fonts built byte by byte.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "base/Streams.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletType1Decoder.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

struct CffTestPoint {
    double X = 0, Y = 0;
};

// One segment of a contour: 'l' a line or 'c' a cubic, with its points.
struct CffTestSegment {
    char Kind = 'l';
    std::vector<CffTestPoint> Points;
};

using CffTestContour = std::vector<CffTestSegment>;

// Contours of an outline, zero-length lines and the line that closes a contour left out, so
// that two outlines compare whatever way they close their contours.
class CffTestOutline {
public:
    void MoveTo(double x, double y) {
        Finish();
        start_ = current_ = {x, y};
        open_ = true;
    }
    void LineTo(double x, double y) {
        if (!open_ || (x == current_.X && y == current_.Y)) return;
        contour_.push_back({'l', {{x, y}}});
        current_ = {x, y};
    }
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
        if (!open_) return;
        contour_.push_back({'c', {{x1, y1}, {x2, y2}, {x3, y3}}});
        current_ = {x3, y3};
    }
    std::vector<CffTestContour> Contours() {
        Finish();
        return contours_;
    }

private:
    void Finish() {
        if (!contour_.empty() && contour_.back().Kind == 'l' &&
            std::fabs(contour_.back().Points[0].X - start_.X) < 1e-9 &&
            std::fabs(contour_.back().Points[0].Y - start_.Y) < 1e-9)
            contour_.pop_back();
        if (!contour_.empty()) contours_.push_back(contour_);
        contour_.clear();
        open_ = false;
    }

    std::vector<CffTestContour> contours_;
    CffTestContour contour_;
    CffTestPoint start_, current_;
    bool open_ = false;
};

class CffTestCanvas : public TPDFGenericCanvas {
public:
    void NewPath() override {}
    void MoveTo(double x, double y) override { Outline.MoveTo(x, y); }
    void LineTo(double x, double y) override { Outline.LineTo(x, y); }
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override {
        Outline.CurveTo(x1, y1, x2, y2, x3, y3);
    }
    void QuadCurveTo(double, double, double, double) override { ADD_FAILURE() << "no quadratics in CFF"; }
    void ClosePath() override {}
    void Stroke() override {}
    void Fill() override {}
    void FillAndStroke() override {}
    void DrawImage(const TPDFStreamableGraphic&, double, double, double, double, double, double) override {}

    CffTestOutline Outline;
};

std::string CffTestReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

fs::path CffTestFixture(const char* name) {
    return fs::path(PARCH_SOURCE_DIR) / "tests/pdf/render/ScrivletCFFFixtures" / name;
}

std::unique_ptr<TPDFType1Decoder> CffTestLoad(const std::string& bytes, bool* loaded = nullptr) {
    auto decoder = std::make_unique<TPDFType1Decoder>();
    TStringStream stream(bytes);
    const bool result = decoder->LoadCFF(stream);
    if (loaded) *loaded = result;
    return decoder;
}

// FreeType's unscaled, unhinted outline of a glyph.
class CffTestFreeType {
public:
    explicit CffTestFreeType(const std::string& bytes) : bytes_(bytes) {
        if (FT_Init_FreeType(&library_) != 0) return;
        if (FT_New_Memory_Face(library_, reinterpret_cast<const FT_Byte*>(bytes_.data()),
                               static_cast<FT_Long>(bytes_.size()), 0, &face_) != 0)
            face_ = nullptr;
    }
    ~CffTestFreeType() {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }
    CffTestFreeType(const CffTestFreeType&) = delete;
    CffTestFreeType& operator=(const CffTestFreeType&) = delete;

    bool Ok() const { return face_ != nullptr; }
    long GlyphCount() const { return face_->num_glyphs; }

    std::vector<CffTestContour> Outline(unsigned glyph) {
        CffTestOutline outline;
        if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) {
            ADD_FAILURE() << "FreeType cannot load glyph " << glyph;
            return {};
        }
        FT_Outline_Funcs funcs{};
        funcs.move_to = [](const FT_Vector* to, void* user) {
            static_cast<CffTestOutline*>(user)->MoveTo(to->x, to->y);
            return 0;
        };
        funcs.line_to = [](const FT_Vector* to, void* user) {
            static_cast<CffTestOutline*>(user)->LineTo(to->x, to->y);
            return 0;
        };
        funcs.conic_to = [](const FT_Vector*, const FT_Vector*, void*) { return 1; };
        funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
            static_cast<CffTestOutline*>(user)->CurveTo(c1->x, c1->y, c2->x, c2->y, to->x, to->y);
            return 0;
        };
        EXPECT_EQ(FT_Outline_Decompose(&face_->glyph->outline, &funcs, &outline), 0);
        return outline.Contours();
    }

private:
    std::string bytes_;
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

// Our outline of a glyph with the decoder's scale undone, so that it is in font units.
std::vector<CffTestContour> CffTestRender(TPDFType1Decoder& decoder, const std::string& name, bool& drawn) {
    CffTestCanvas canvas;
    const double unscale = 1.0 / decoder.GetScale();
    drawn = decoder.RenderGlyph(canvas, TPDFMatrix{unscale, 0, 0, unscale, 0, 0}, 0, 0, name);
    return canvas.Outline.Contours();
}

// Contours in a fixed order: FreeType draws an accented glyph's accent first, we draw the base
// first, and the order of contours does not change what is filled.
std::vector<CffTestContour> CffTestSorted(std::vector<CffTestContour> contours) {
    auto key = [](const CffTestContour& contour) {
        const CffTestPoint& first = contour.front().Points.back();
        return std::make_tuple(std::round(first.X * 10), std::round(first.Y * 10), contour.size());
    };
    std::sort(contours.begin(), contours.end(),
              [&](const CffTestContour& a, const CffTestContour& b) { return key(a) < key(b); });
    return contours;
}

void CffTestExpectSameOutline(const std::vector<CffTestContour>& unsortedOurs,
                              const std::vector<CffTestContour>& unsortedTheirs, const std::string& glyph) {
    const auto ours = CffTestSorted(unsortedOurs), theirs = CffTestSorted(unsortedTheirs);
    ASSERT_EQ(ours.size(), theirs.size()) << glyph << ": contours";
    for (std::size_t c = 0; c < ours.size(); ++c) {
        ASSERT_EQ(ours[c].size(), theirs[c].size()) << glyph << ": segments of contour " << c;
        for (std::size_t s = 0; s < ours[c].size(); ++s) {
            ASSERT_EQ(ours[c][s].Kind, theirs[c][s].Kind) << glyph << " contour " << c << " segment " << s;
            for (std::size_t p = 0; p < ours[c][s].Points.size(); ++p) {
                EXPECT_NEAR(ours[c][s].Points[p].X, theirs[c][s].Points[p].X, 0.01)
                    << glyph << " contour " << c << " segment " << s;
                EXPECT_NEAR(ours[c][s].Points[p].Y, theirs[c][s].Points[p].Y, 0.01)
                    << glyph << " contour " << c << " segment " << s;
            }
        }
    }
}

// The glyph of the fixtures that uses the arithmetic operators ("M").
constexpr int kCffTestArithmeticGlyph = 12;

// Every glyph of the font, asked for by its name ("CID:" and the CID in a CID-keyed font),
// against FreeType's outline of the same glyph.
void CffTestCompareAllGlyphs(const std::string& bytes) {
    bool loaded = false;
    auto decoder = CffTestLoad(bytes, &loaded);
    ASSERT_TRUE(loaded);
    CffTestFreeType freeType(bytes);
    ASSERT_TRUE(freeType.Ok());
    if (!decoder->CIDKeyed()) {
        ASSERT_EQ(decoder->GlyphNames().GetCount(), freeType.GlyphCount());
    }
    for (int gid = 0; gid < decoder->GlyphNames().GetCount(); ++gid) {
        // FreeType does not run the arithmetic operators; that glyph's commands are checked
        // on their own.
        if (gid == kCffTestArithmeticGlyph) continue;
        const std::string& name = decoder->GlyphNames().Get(gid);
        bool drawn = false;
        const auto ours = CffTestRender(*decoder, name, drawn);
        // FreeType indexes the glyphs of a CID-keyed font by CID.
        const unsigned index = decoder->CIDKeyed() ? static_cast<unsigned>(std::stoul(name.substr(4)))
                                                   : static_cast<unsigned>(gid);
        const auto theirs = freeType.Outline(index);
        if (gid > 0) {
            EXPECT_TRUE(drawn) << name;
        }
        CffTestExpectSameOutline(ours, theirs, name);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(ScrivletCFFOutline, FixtureGlyphsMatchFreeType) {
    for (const char* name : {"t2ops.otf", "cid.cff"}) {
        SCOPED_TRACE(name);
        CffTestCompareAllGlyphs(CffTestReadFile(CffTestFixture(name)));
    }
}

TEST(ScrivletCFFOutline, URWOpenTypeFontsMatchFreeType) {
    const fs::path folder = "/usr/share/fonts/opentype/urw-base35";
    for (const char* name : {"NimbusSans-Regular.otf", "C059-Italic.otf", "NimbusMonoPS-Bold.otf",
                             "StandardSymbolsPS.otf", "Z003-MediumItalic.otf"}) {
        SCOPED_TRACE(name);
        const std::string bytes = CffTestReadFile(folder / name);
        ASSERT_FALSE(bytes.empty()) << "fonts-urw-base35 is a test dependency";
        CffTestCompareAllGlyphs(bytes);
    }
}

std::vector<std::string> CffTestCommands(TPDFType1Decoder& decoder, const std::string& glyph) {
    decoder.LoadGlyphCommands(glyph);
    std::vector<std::string> commands;
    for (int i = 0; i < decoder.CommandList().GetCount(); ++i) commands.push_back(decoder.CommandList().Get(i));
    return commands;
}

TEST(ScrivletCFFCommands, ArithmeticHintMasksAndWidthsOfTheFixture) {
    auto decoder = CffTestLoad(CffTestReadFile(CffTestFixture("t2ops.otf")));
    // 30 20 add 2 mul 0 put 0 get 50 50 sub exch rmoveto; 7 3 4 1 3 -1 roll drop drop 10 mul
    // 0 rlineto; 1 2 5 4 ifelse 100 mul 2 index neg 0 0 index abs rlineto; drop 9 sqrt 100 mul
    // 2 4 div rlineto.
    EXPECT_EQ(CffTestCommands(*decoder, "M"),
              (std::vector<std::string>{"hsbw(0,0)", "rmoveto(0,100)", "rlineto(7,40)", "rlineto(200,0)",
                                        "rlineto(0,0)", "rlineto(300,0.5)", "endchar"}));
    // The width 700 goes before hstemhm; two more stems come as an implicit vstem before the
    // first mask; each mask has one byte for the four stems.
    const auto hinted = CffTestCommands(*decoder, "J");
    ASSERT_GE(hinted.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(hinted.begin(), hinted.begin() + 6),
              (std::vector<std::string>{"hsbw(0,0)", "hstem(0,50,600,50)", "vstem(100,60,400,60)",
                                        "hintmask(1,1,1,0)", "rmoveto(100,0)", "rlineto(300,0)"}));
    EXPECT_NE(std::find(hinted.begin(), hinted.end(), "hintmask(0,1,0,1)"), hinted.end());
    // The accented glyph: base, the accent's offset, accent.
    const auto accented = CffTestCommands(*decoder, "Aacute");
    EXPECT_NE(std::find(accented.begin(), accented.end(), "seac(0,0,150)"), accented.end());
    EXPECT_EQ(std::count(accented.begin(), accented.end(), "endchar"), 3);
}

// A bare CFF font built byte by byte: one Top DICT with the predefined charset 0, so glyph i
// is named by SID i ("space", "exclam", ...), and a Private DICT with local subroutines.
struct CffTestFont {
    std::vector<std::string> CharStrings;
    std::vector<std::string> LocalSubrs;
    std::vector<std::string> GlobalSubrs;
    std::vector<std::string> Strings;
    std::string TopDictExtra;  // DICT bytes put before the offsets
};

std::string CffTestIndex(const std::vector<std::string>& items) {
    if (items.empty()) return std::string(2, '\0');
    std::string index;
    index += static_cast<char>(items.size() >> 8);
    index += static_cast<char>(items.size() & 255);
    index += '\4';
    std::uint32_t offset = 1;
    auto put = [&](std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) index += static_cast<char>((value >> shift) & 255);
    };
    put(offset);
    for (const std::string& item : items) put(offset += static_cast<std::uint32_t>(item.size()));
    for (const std::string& item : items) index += item;
    return index;
}

// A DICT integer in the five-byte form, so that offsets have a size known in advance.
std::string CffTestDictInt(std::int32_t value) {
    std::string bytes = "\x1d";
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 255);
    return bytes;
}

std::string CffTestBuild(const CffTestFont& font) {
    const std::string header("\x01\x00\x04\x04", 4);
    const std::string names = CffTestIndex({"Test"});
    const std::string strings = CffTestIndex(font.Strings);
    const std::string globals = CffTestIndex(font.GlobalSubrs);
    const std::string charStrings = CffTestIndex(font.CharStrings);
    const std::string subrs = CffTestIndex(font.LocalSubrs);
    const std::string privateDict = CffTestDictInt(0) + "\x14" + CffTestDictInt(0) + "\x15";  // widths
    const std::string privateWithSubrs = privateDict + CffTestDictInt(static_cast<std::int32_t>(privateDict.size() + 6)) + "\x13";
    const std::size_t topSize = font.TopDictExtra.size() + 5 + 1 + 5 + 5 + 1;
    const std::size_t topIndexSize = CffTestIndex({std::string(topSize, ' ')}).size();
    const std::size_t charStringsAt = header.size() + names.size() + topIndexSize + strings.size() + globals.size();
    const std::size_t privateAt = charStringsAt + charStrings.size();
    const std::string top = font.TopDictExtra + CffTestDictInt(static_cast<std::int32_t>(charStringsAt)) + "\x11" +
                            CffTestDictInt(static_cast<std::int32_t>(privateWithSubrs.size())) +
                            CffTestDictInt(static_cast<std::int32_t>(privateAt)) + "\x12";
    return header + names + CffTestIndex({top}) + strings + globals + charStrings + privateWithSubrs + subrs;
}

// Type 2 bytes of a small integer (-107 to 107).
std::string CffTestNum(int value) { return std::string(1, static_cast<char>(value + 139)); }

TEST(ScrivletCFFCommands, SubroutineBiasFollowsTheListSize) {
    // The subroutine at index 0 is reached with the number -bias.
    struct Case {
        std::size_t Count;
        int Bias;
    };
    for (const Case& c : {Case{1239, 107}, Case{1240, 1131}, Case{33900, 32768}}) {
        SCOPED_TRACE(c.Count);
        CffTestFont font;
        font.LocalSubrs.assign(c.Count, std::string("\x0b", 1));
        font.LocalSubrs[0] = CffTestNum(5) + CffTestNum(6) + "\x05\x0b";  // 5 6 rlineto return
        const std::int16_t number = static_cast<std::int16_t>(-c.Bias);
        const std::string call = std::string("\x1c", 1) + static_cast<char>(number >> 8) + static_cast<char>(number & 255) + "\x0a";
        font.CharStrings = {"\x0e", CffTestNum(0) + CffTestNum(0) + "\x15" + call + "\x0e"};
        auto decoder = CffTestLoad(CffTestBuild(font));
        EXPECT_EQ(CffTestCommands(*decoder, "space"),
                  (std::vector<std::string>{"hsbw(0,0)", "rmoveto(0,0)", "rlineto(5,6)", "endchar"}));
    }
}

TEST(ScrivletCFFCommands, FlexFormsWidthsAndMasks) {
    struct Case {
        std::string Bytes;
        std::vector<std::string> Expected;
    };
    const std::string n = "";
    const Case cases[] = {
        // width dx dy rmoveto: the width is dropped, the move kept
        {CffTestNum(50) + CffTestNum(10) + CffTestNum(20) + "\x15",
         {"rmoveto(10,20)"}},
        // hflex ends on its starting line
        {CffTestNum(1) + CffTestNum(2) + CffTestNum(3) + CffTestNum(4) + CffTestNum(5) + CffTestNum(6) +
             CffTestNum(7) + "\x0c\x22",
         {"t2flex(1,0,2,3,4,0,5,0,6,-3,7,0,50)"}},
        // hflex1: dy6 brings the end back to the start's y
        {CffTestNum(1) + CffTestNum(2) + CffTestNum(3) + CffTestNum(4) + CffTestNum(5) + CffTestNum(6) +
             CffTestNum(7) + CffTestNum(8) + CffTestNum(9) + "\x0c\x24",
         {"t2flex(1,2,3,4,5,0,6,0,7,8,9,-14,50)"}},
        // flex1, mostly vertical: the last x returns to the start, d6 is the last y
        {CffTestNum(1) + CffTestNum(10) + CffTestNum(1) + CffTestNum(10) + CffTestNum(1) + CffTestNum(10) +
             CffTestNum(1) + CffTestNum(10) + CffTestNum(1) + CffTestNum(10) + CffTestNum(7) + "\x0c\x25",
         {"t2flex(1,10,1,10,1,10,1,10,1,10,-5,7,50)"}},
        // three stems: one mask byte, three bits; nine stems: two bytes, nine bits
        {CffTestNum(0) + CffTestNum(1) + CffTestNum(2) + CffTestNum(3) + CffTestNum(4) + CffTestNum(5) +
             "\x12\x13\xa0" + CffTestNum(1) + CffTestNum(2) + "\x05",
         {"hstem(0,1,2,3,4,5)", "hintmask(1,0,1)", "rlineto(1,2)"}},
        {std::string(18, static_cast<char>(139)) + "\x12\x13\xff\x80" + CffTestNum(1) + CffTestNum(2) + "\x05",
         {"hstem(0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0)", "hintmask(1,1,1,1,1,1,1,1,1)", "rlineto(1,2)"}},
        // no stems: hintmask still skips one byte, cntrmask none
        {std::string("\x13\x8c", 2) + CffTestNum(1) + CffTestNum(2) + "\x05",
         {"hintmask()", "rlineto(1,2)"}},
        {std::string("\x14", 1) + CffTestNum(1) + CffTestNum(2) + "\x05",
         {"cntrmask()", "rlineto(1,2)"}},
        // 16.16 fixed numbers and an operand roll by 2^31 places (taken mod n)
        {std::string("\xff\x00\x01\x80\x00", 5) + CffTestNum(2) + CffTestNum(2) + "\xff\x7f\xff\xff\xff\x0c\x1e\x05",
         {"rlineto(2,1.5)"}},
        // a reserved operator is noted
        {std::string("\x02", 1), {"Unknown: 2"}},
    };
    for (const Case& c : cases) {
        CffTestFont font;
        font.CharStrings = {"\x0e", c.Bytes + "\x0e"};
        auto decoder = CffTestLoad(CffTestBuild(font));
        std::vector<std::string> expected = {"hsbw(0,0)"};
        expected.insert(expected.end(), c.Expected.begin(), c.Expected.end());
        expected.push_back("endchar");
        EXPECT_EQ(CffTestCommands(*decoder, "space"), expected);
    }
}

TEST(ScrivletCFFDamaged, RecursionEndsAtTheCallLimit) {
    CffTestFont font;
    // Subroutine 0 draws a line and calls itself; the glyph "exclam" is an accented glyph whose
    // base is itself (code 33 is "exclam").
    font.LocalSubrs = {CffTestNum(1) + CffTestNum(0) + "\x05" + CffTestNum(-107) + "\x0a"};
    font.CharStrings = {"\x0e", CffTestNum(-107) + "\x0a\x0e",
                        CffTestNum(0) + CffTestNum(0) + CffTestNum(33) + CffTestNum(33) + "\x0e"};
    auto decoder = CffTestLoad(CffTestBuild(font));
    const auto commands = CffTestCommands(*decoder, "space");
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "rlineto(1,0)"), 10);
    const auto accented = CffTestCommands(*decoder, "exclam");
    EXPECT_EQ(std::count(accented.begin(), accented.end(), "seac(0,0,0)"), 1);
    EXPECT_EQ(std::count(accented.begin(), accented.end(), "endchar"), 3);
}

TEST(ScrivletCFFDamaged, SubroutinesCallingEachOtherManyTimesEnd) {
    // Subroutine k calls subroutine k + 1 thirty times, ten levels deep: 30^9 lines unless
    // the work per glyph is bounded.
    CffTestFont font;
    for (int k = 0; k < 9; ++k) {
        std::string subr;
        for (int i = 0; i < 30; ++i) subr += CffTestNum(k + 1 - 107) + "\x0a";
        font.LocalSubrs.push_back(subr);
    }
    font.LocalSubrs.push_back(CffTestNum(1) + CffTestNum(0) + "\x05");
    font.CharStrings = {"\x0e", CffTestNum(-107) + "\x0a\x0e"};
    auto decoder = CffTestLoad(CffTestBuild(font));
    EXPECT_TRUE(decoder->LoadGlyphCommands("space"));
    EXPECT_GT(decoder->CommandList().GetCount(), 1000);
    EXPECT_LT(decoder->CommandList().GetCount(), 1 << 21);
}

TEST(ScrivletCFFDamaged, BadOffsetsGiveEmptyParts) {
    CffTestFont font;
    font.CharStrings = {"\x0e", CffTestNum(0) + CffTestNum(0) + "\x15\x0e"};
    const std::string good = CffTestBuild(font);
    // The CharStrings INDEX starts right after the (empty) global subroutines.
    const std::size_t at = good.find(CffTestIndex(font.CharStrings));
    ASSERT_NE(at, std::string::npos);
    struct Case {
        const char* What;
        std::string Offsets;  // the three 4-byte offsets of the two charstrings
    };
    const Case cases[] = {
        {"4 GB", std::string("\x00\x00\x00\x01\xff\xff\xff\xff\xff\xff\xff\xff", 12)},
        {"decreasing", std::string("\x00\x00\x00\x01\x00\x00\x00\x03\x00\x00\x00\x02", 12)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        std::string damaged = good;
        damaged.replace(at + 3, 12, c.Offsets);
        bool loaded = false;
        auto decoder = CffTestLoad(damaged, &loaded);
        EXPECT_TRUE(loaded);
        EXPECT_FALSE(decoder->LoadGlyphCommands("space"));
    }
    // Truncated anywhere: loads without reading past the end.
    for (std::size_t size = 0; size < good.size(); ++size) {
        auto decoder = CffTestLoad(good.substr(0, size));
        decoder->LoadGlyphCommands("space");
    }
}

TEST(ScrivletCFFDamaged, StringsAreEscapedAndRealsReadBack) {
    struct Case {
        const char* What;
        std::string Notice;      // String INDEX entry 0 (SID 391), used as the Notice
        std::string FontMatrix;  // DICT operands, or empty for none
        double Scale;
    };
    const std::string realOneThousandth("\x1e\x1c\x3f", 3);  // 1E-3
    const Case cases[] = {
        {"notice that closes its string", ") /FontMatrix [0.002 0 0 0.002 0 0] /X (", "", 1.0},
        {"exponent real", "", realOneThousandth + "\x8b\x8b" + realOneThousandth + "\x8b\x8b\x0c\x07", 1.0},
        {"backslash notice", "\\", std::string("\x1e\x0a\x00\x2f", 4) + "\x8b\x8b\x8b\x8b\x8b\x0c\x07", 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        CffTestFont font;
        font.CharStrings = {"\x0e", CffTestNum(0) + CffTestNum(0) + "\x15\x0e"};
        font.Strings = {c.Notice};
        font.TopDictExtra = CffTestDictInt(391) + "\x01" + c.FontMatrix;
        auto decoder = CffTestLoad(CffTestBuild(font));
        EXPECT_NEAR(decoder->GetScale(), c.Scale, 1e-9);
        EXPECT_TRUE(decoder->LoadGlyphCommands("space"));
    }
}

TEST(ScrivletCFFLoading, OpenTypeWithoutACFFTableLoadsNothing) {
    std::string sfnt("OTTO\x00\x01\x00\x00\x00\x00\x00\x00", 12);
    sfnt += std::string("glyf\0\0\0\0\0\0\0\x1c\0\0\0\0", 16);
    bool loaded = true;
    auto decoder = CffTestLoad(sfnt, &loaded);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(decoder->GlyphNames().GetCount(), 0);
}

TEST(ScrivletCFFLoading, FontDictsOutsideTheFDArrayHaveNoLocalSubroutines) {
    // The CID fixture with its FDSelect pointing the second range at font dict 9; CID 23 is
    // glyph 13, which calls its font dict's subroutine and a global one.
    std::string bytes = CffTestReadFile(CffTestFixture("cid.cff"));
    auto decoder = CffTestLoad(bytes);
    ASSERT_TRUE(decoder->CIDKeyed());
    const auto intact = CffTestCommands(*decoder, "CID:23");
    EXPECT_NE(std::find(intact.begin(), intact.end(), "rlineto(-70,40)"), intact.end());
    // FDSelect format 3: 3, ranges 2, then (first 0, fd 0), (first 10, fd 1), sentinel 14.
    const std::string ranges("\x03\x00\x02\x00\x00\x00\x00\x0a\x01\x00\x0e", 11);
    const std::size_t at = bytes.find(ranges);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 8] = 9;
    auto damaged = CffTestLoad(bytes);
    const auto commands = CffTestCommands(*damaged, "CID:23");
    EXPECT_EQ(std::find(commands.begin(), commands.end(), "rlineto(-70,40)"), commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "rlineto(50,-50)"), commands.end());  // global still
}

}  // namespace
}  // namespace parch
