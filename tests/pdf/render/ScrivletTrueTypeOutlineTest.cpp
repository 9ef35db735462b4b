// Glyph outlines against FreeType: every glyph of installed TrueType fonts and of the generated
// fixtures, drawn through the rasterizer, must trace FreeType's unhinted outline in font units.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletTrueTypeRasterizer.h"
#include "tests/pdf/core/ToolOracle.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

// An outline as segments: a contour starts with 'M'; lines of no length are dropped and every
// contour ends back at its start, so implicit and explicit closing compare equal.
struct TrueTypeOutlineSegment {
    char Kind;  // M, L, Q
    std::vector<double> Points;
};

class TrueTypeOutlineBuilder {
public:
    explicit TrueTypeOutlineBuilder(double scale) : scale_(scale) {}

    void Move(double x, double y) {
        Close();
        start_ = current_ = {x * scale_, y * scale_};
        segments_.push_back({'M', {start_.X, start_.Y}});
        open_ = true;
    }
    void Line(double x, double y) {
        const TPDFPoint to{x * scale_, y * scale_};
        if (Same(to, current_)) return;
        segments_.push_back({'L', {to.X, to.Y}});
        current_ = to;
    }
    void Quad(double x1, double y1, double x2, double y2) {
        segments_.push_back({'Q', {x1 * scale_, y1 * scale_, x2 * scale_, y2 * scale_}});
        current_ = {x2 * scale_, y2 * scale_};
    }
    void Close() {
        if (!open_) return;
        if (!Same(current_, start_)) segments_.push_back({'L', {start_.X, start_.Y}});
        current_ = start_;
        open_ = false;
    }
    std::vector<TrueTypeOutlineSegment> Finish() {
        Close();
        return std::move(segments_);
    }

private:
    static bool Same(TPDFPoint a, TPDFPoint b) { return std::abs(a.X - b.X) < 1e-6 && std::abs(a.Y - b.Y) < 1e-6; }

    double scale_;
    TPDFPoint start_, current_;
    bool open_ = false;
    std::vector<TrueTypeOutlineSegment> segments_;
};

class TrueTypeOutlineCanvas : public TPDFGenericCanvas {
public:
    explicit TrueTypeOutlineCanvas(double toFontUnits) : builder_(toFontUnits) {}
    void NewPath() override {}
    void MoveTo(double x, double y) override { builder_.Move(x, y); }
    void LineTo(double x, double y) override { builder_.Line(x, y); }
    void CurveTo(double, double, double, double, double, double) override { ++cubics; }
    void QuadCurveTo(double x1, double y1, double x2, double y2) override { builder_.Quad(x1, y1, x2, y2); }
    void ClosePath() override { builder_.Close(); }
    void Stroke() override {}
    void Fill() override {}
    void FillAndStroke() override {}
    void DrawImage(const TPDFStreamableGraphic&, double, double, double, double, double, double) override {}

    std::vector<TrueTypeOutlineSegment> Segments() { return builder_.Finish(); }
    int cubics = 0;

private:
    TrueTypeOutlineBuilder builder_;
};

// FreeType's outline is doubled before it is walked, so the implied midpoints it computes in
// integers are exact; halving afterwards gives font units.
int TrueTypeFtMove(const FT_Vector* to, void* user) {
    static_cast<TrueTypeOutlineBuilder*>(user)->Move(to->x, to->y);
    return 0;
}
int TrueTypeFtLine(const FT_Vector* to, void* user) {
    static_cast<TrueTypeOutlineBuilder*>(user)->Line(to->x, to->y);
    return 0;
}
int TrueTypeFtConic(const FT_Vector* control, const FT_Vector* to, void* user) {
    static_cast<TrueTypeOutlineBuilder*>(user)->Quad(control->x, control->y, to->x, to->y);
    return 0;
}
int TrueTypeFtCubic(const FT_Vector*, const FT_Vector*, const FT_Vector*, void*) { return 1; }

class TrueTypeFreeTypeFace {
public:
    TrueTypeFreeTypeFace(const std::string& path, long faceIndex = 0) {
        if (FT_Init_FreeType(&library_) == 0) FT_New_Face(library_, path.c_str(), faceIndex, &face_);
    }
    ~TrueTypeFreeTypeFace() {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }
    bool Loaded() const { return face_ != nullptr; }
    long GlyphCount() const { return face_->num_glyphs; }

    // False when FreeType refuses the glyph. FreeType moves a glyph whose 'hmtx' side bearing
    // differs from its own left edge (`xMin`) onto that bearing; the renderer draws the points
    // where the glyph has them, so the move is undone here.
    bool Outline(unsigned glyph, std::int32_t xMin, std::vector<TrueTypeOutlineSegment>& segments) {
        if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return false;
        if (face_->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return false;
        FT_Outline* outline = &face_->glyph->outline;
        const long bearing = SideBearing(glyph);
        if (bearing != xMin) FT_Outline_Translate(outline, xMin - bearing, 0);
        const FT_Matrix doubled{2 << 16, 0, 0, 2 << 16};
        FT_Outline_Transform(outline, &doubled);
        TrueTypeOutlineBuilder builder(0.5);
        const FT_Outline_Funcs funcs{TrueTypeFtMove, TrueTypeFtLine, TrueTypeFtConic, TrueTypeFtCubic, 0, 0};
        if (FT_Outline_Decompose(outline, &funcs, &builder) != 0) return false;
        segments = builder.Finish();
        return true;
    }

private:
    // The 'hmtx' left side bearing, read from the raw table.
    long SideBearing(unsigned glyph) {
        if (hmtx_.empty()) {
            FT_ULong length = 0;
            if (FT_Load_Sfnt_Table(face_, FT_MAKE_TAG('h', 'm', 't', 'x'), 0, nullptr, &length) != 0) return 0;
            hmtx_.resize(length);
            FT_Load_Sfnt_Table(face_, FT_MAKE_TAG('h', 'm', 't', 'x'), 0, hmtx_.data(), &length);
        }
        const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
        const std::size_t metrics = hhea ? hhea->number_Of_HMetrics : 0;
        const std::size_t at = glyph < metrics ? 4 * glyph + 2 : 4 * metrics + 2 * (glyph - metrics);
        if (at + 2 > hmtx_.size()) return 0;
        return static_cast<std::int16_t>((hmtx_[at] << 8) | hmtx_[at + 1]);
    }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    std::vector<unsigned char> hmtx_;
};

std::string TrueTypeDescribe(const std::vector<TrueTypeOutlineSegment>& segments) {
    std::string text;
    for (const auto& segment : segments) {
        text += segment.Kind;
        for (double value : segment.Points) text += " " + std::to_string(value);
        text += "; ";
    }
    return text;
}

bool TrueTypeSameOutline(const std::vector<TrueTypeOutlineSegment>& ours,
                         const std::vector<TrueTypeOutlineSegment>& theirs) {
    if (ours.size() != theirs.size()) return false;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        if (ours[i].Kind != theirs[i].Kind || ours[i].Points.size() != theirs[i].Points.size()) return false;
        for (std::size_t j = 0; j < ours[i].Points.size(); ++j)
            if (std::abs(ours[i].Points[j] - theirs[i].Points[j]) > 0.01) return false;
    }
    return true;
}

std::string TrueTypeReadFile(const std::string& path) { return oracle::ReadWholeFile(path); }

// Every `step`-th glyph of the font through RenderGlyph equals FreeType's outline. Gives the
// number of glyphs compared.
int TrueTypeCompareFont(const std::string& path, int step) {
    TrueTypeFreeTypeFace face(path);
    EXPECT_TRUE(face.Loaded()) << path;
    if (!face.Loaded()) return 0;
    TPDFTrueTypeRasterizer2 rasterizer;
    rasterizer.Parser().LoadFromString(TrueTypeReadFile(path));
    EXPECT_EQ(rasterizer.Parser().GlyphCount(), face.GlyphCount()) << path;
    const double toFontUnits = rasterizer.Parser().GetHeader().UnitsPerEm / 1000.0;
    int compared = 0;
    int mismatches = 0;
    for (long glyph = 0; glyph < face.GlyphCount() && mismatches < 5; glyph += step) {
        std::vector<TrueTypeOutlineSegment> expected;
        TPDFTTglyfTable table;
        rasterizer.Parser().GetGlyph(static_cast<int>(glyph), table);
        if (!face.Outline(static_cast<unsigned>(glyph), table.XMin, expected)) continue;
        TrueTypeOutlineCanvas canvas(toFontUnits);
        EXPECT_TRUE(rasterizer.RenderGlyph(canvas, TPDFMatrix(), 0, 0, "GID:" + std::to_string(glyph)));
        const auto actual = canvas.Segments();
        EXPECT_EQ(canvas.cubics, 0);
        if (!TrueTypeSameOutline(actual, expected)) {
            ++mismatches;
            ADD_FAILURE() << path << " glyph " << glyph << "\n ours:     " << TrueTypeDescribe(actual)
                          << "\n freetype: " << TrueTypeDescribe(expected);
        }
        ++compared;
    }
    return compared;
}

const fs::path& TrueTypeFixtureFolder() {
    static const fs::path folder = [] {
        const fs::path out = oracle::ScratchFolder() / "truetype-fixtures";
        const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
        oracle::RunTool(python + " " + std::string(PARCH_SOURCE_DIR) + "/tools/make_truetype_fixtures.py " +
                        oracle::Quote(out.string()));
        return out;
    }();
    return folder;
}

TEST(TrueTypeOutline, InstalledFontsMatchFreeType) {
    struct Case {
        const char* Path;
        int Step;
    };
    const Case cases[] = {
        {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 1},
        {"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", 1},
        {"/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf", 1},
        {"/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", 7},
    };
    for (const Case& c : cases) {
        if (!fs::exists(c.Path)) {
            ADD_FAILURE() << "missing font (tools/install-deps.sh installs it): " << c.Path;
            continue;
        }
        EXPECT_GT(TrueTypeCompareFont(c.Path, c.Step), 100) << c.Path;
    }
}

TEST(TrueTypeOutline, FixturesMatchFreeType) {
    // Off-curve contour starts, composites three levels deep with offsets, scales and a 2x2.
    for (const char* name : {"offcurve.ttf", "composite.ttf"})
        EXPECT_GT(TrueTypeCompareFont((TrueTypeFixtureFolder() / name).string(), 1), 4) << name;
}

}  // namespace
}  // namespace parch
