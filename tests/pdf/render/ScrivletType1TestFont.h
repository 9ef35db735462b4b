#pragma once
// Type 1 test fonts: a font file cut into the three parts of a PDF FontFile stream and loaded
// into a decoder; FreeType's unhinted outline of a glyph and the outline a decoder draws, both
// as contours that can be compared point by point.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletType1Decoder.h"
#include "ScrivletFontTestObjects.h"

namespace parch::testtype1 {

inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The lengths of a FontFile stream for a font file without PFB headers: the cleartext ends one
// byte after "eexec", the trailer is the run of zeros and line ends before "cleartomark".
struct FontFileLengths {
    long long length1 = 0, length2 = 0, length3 = 0;
};

inline FontFileLengths SplitLengths(const std::string& program) {
    FontFileLengths lengths;
    std::size_t eexec = program.find("eexec");
    std::size_t trailer = program.rfind("cleartomark");
    if (eexec == std::string::npos || trailer == std::string::npos) return lengths;
    while (trailer > eexec + 6 && (program[trailer - 1] == '0' || program[trailer - 1] == '\r' ||
                                   program[trailer - 1] == '\n'))
        --trailer;
    lengths.length1 = static_cast<long long>(eexec + 6);
    lengths.length2 = static_cast<long long>(trailer) - lengths.length1;
    lengths.length3 = static_cast<long long>(program.size() - trailer);
    return lengths;
}

// A decoder loaded the way the font collection loads a FontFile program.
inline std::unique_ptr<TPDFType1Decoder> LoadProgram(testfont::FontObjects& objects, const std::string& program,
                                                     const FontFileLengths& lengths) {
    std::string dictionary = "<< /Length1 " + std::to_string(lengths.length1) + " /Length2 " +
                             std::to_string(lengths.length2) + " /Length3 " + std::to_string(lengths.length3) +
                             " >>";
    TPDFStream* stream = objects.DefineStream(1, dictionary, program);
    auto decoder = std::make_unique<TPDFType1Decoder>();
    decoder->SplitFontFile(stream);
    decoder->ParseClearText();
    decoder->ParsePrivatePart();
    return decoder;
}

struct Segment {
    char kind = 'l';  // 'l' line, 'c' cubic
    std::vector<double> points;  // x, y pairs ending with the segment's end
};

struct Contour {
    double startX = 0, startY = 0;
    std::vector<Segment> segments;
};

using Outline = std::vector<Contour>;

// Every contour closed explicitly, zero-length lines and empty contours dropped, so that
// FreeType's and the decoder's ways of closing a subpath compare equal.
inline Outline NormalizedOutline(Outline outline) {
    Outline result;
    for (Contour& contour : outline) {
        if (!contour.segments.empty()) {
            const std::vector<double>& last = contour.segments.back().points;
            if (last[last.size() - 2] != contour.startX || last.back() != contour.startY)
                contour.segments.push_back({'l', {contour.startX, contour.startY}});
        }
        Contour cleaned{contour.startX, contour.startY, {}};
        double x = contour.startX, y = contour.startY;
        for (Segment& segment : contour.segments) {
            double endX = segment.points[segment.points.size() - 2], endY = segment.points.back();
            bool degenerate = segment.kind == 'l' && std::fabs(endX - x) < 1e-9 && std::fabs(endY - y) < 1e-9;
            x = endX;
            y = endY;
            if (!degenerate) cleaned.segments.push_back(std::move(segment));
        }
        if (!cleaned.segments.empty()) result.push_back(std::move(cleaned));
    }
    return result;
}

// A canvas that keeps the outline a rasterizer adds to the path.
class OutlineCanvas : public TPDFGenericCanvas {
public:
    void NewPath() override {}
    void MoveTo(double x, double y) override { outline_.push_back({x, y, {}}); }
    void LineTo(double x, double y) override { Current().segments.push_back({'l', {x, y}}); }
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override {
        Current().segments.push_back({'c', {x1, y1, x2, y2, x3, y3}});
    }
    void QuadCurveTo(double, double, double, double) override { ADD_FAILURE() << "no quadratic curves in Type 1"; }
    void ClosePath() override {}
    void Stroke() override {}
    void Fill() override {}
    void FillAndStroke() override {}
    void DrawImage(const TPDFStreamableGraphic&, double, double, double, double, double, double) override {}

    Outline Result() const { return NormalizedOutline(outline_); }

private:
    Contour& Current() {
        if (outline_.empty()) outline_.push_back({});
        return outline_.back();
    }
    Outline outline_;
};

inline Outline DecoderOutline(TPDFType1Decoder& decoder, const std::string& glyphName, bool* ended = nullptr) {
    OutlineCanvas canvas;
    bool result = decoder.RenderGlyph(canvas, TPDFMatrix::Identity(), 0, 0, glyphName);
    if (ended) *ended = result;
    return canvas.Result();
}

// FreeType's library and one face, freed together.
class FreeTypeFace {
public:
    explicit FreeTypeFace(const std::string& path) {
        if (FT_Init_FreeType(&library_) == 0) FT_New_Face(library_, path.c_str(), 0, &face_);
    }
    ~FreeTypeFace() {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }
    FreeTypeFace(const FreeTypeFace&) = delete;
    FreeTypeFace& operator=(const FreeTypeFace&) = delete;

    bool Valid() const { return face_ != nullptr; }

    std::vector<std::string> GlyphNames() const {
        std::vector<std::string> names;
        for (FT_Long i = 0; i < face_->num_glyphs; ++i) {
            char name[128] = {};
            if (FT_Get_Glyph_Name(face_, static_cast<FT_UInt>(i), name, sizeof name) == 0) names.emplace_back(name);
        }
        return names;
    }

    // The unscaled, unhinted outline; false when FreeType cannot load the glyph.
    bool GlyphOutline(const std::string& glyphName, Outline& outline) {
        FT_UInt index = FT_Get_Name_Index(face_, glyphName.c_str());
        if (FT_Load_Glyph(face_, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return false;
        outline.clear();
        FT_Outline_Funcs funcs{};
        funcs.move_to = [](const FT_Vector* to, void* user) {
            static_cast<Outline*>(user)->push_back({Coordinate(to->x), Coordinate(to->y), {}});
            return 0;
        };
        funcs.line_to = [](const FT_Vector* to, void* user) {
            static_cast<Outline*>(user)->back().segments.push_back({'l', {Coordinate(to->x), Coordinate(to->y)}});
            return 0;
        };
        funcs.conic_to = [](const FT_Vector*, const FT_Vector*, void*) { return 1; };
        funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
            static_cast<Outline*>(user)->back().segments.push_back(
                {'c',
                 {Coordinate(c1->x), Coordinate(c1->y), Coordinate(c2->x), Coordinate(c2->y), Coordinate(to->x),
                  Coordinate(to->y)}});
            return 0;
        };
        if (FT_Outline_Decompose(&face_->glyph->outline, &funcs, &outline) != 0) return false;
        outline = NormalizedOutline(outline);
        return true;
    }

private:
    static double Coordinate(FT_Pos value) { return static_cast<double>(value); }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

// Same contours with the same segment kinds, every point within `tolerance`.
inline ::testing::AssertionResult SameOutline(const Outline& expected, const Outline& actual, double tolerance = 0.01) {
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << expected.size() << " contours expected, " << actual.size() << " drawn";
    for (std::size_t c = 0; c < expected.size(); ++c) {
        const Contour& want = expected[c];
        const Contour& got = actual[c];
        if (std::fabs(want.startX - got.startX) > tolerance || std::fabs(want.startY - got.startY) > tolerance)
            return ::testing::AssertionFailure() << "contour " << c << " starts at " << got.startX << "," << got.startY
                                                 << " instead of " << want.startX << "," << want.startY;
        if (want.segments.size() != got.segments.size())
            return ::testing::AssertionFailure() << "contour " << c << ": " << want.segments.size()
                                                 << " segments expected, " << got.segments.size() << " drawn";
        for (std::size_t s = 0; s < want.segments.size(); ++s) {
            const Segment& a = want.segments[s];
            const Segment& b = got.segments[s];
            if (a.kind != b.kind) return ::testing::AssertionFailure() << "contour " << c << " segment " << s << " kind";
            for (std::size_t p = 0; p < a.points.size(); ++p)
                if (std::fabs(a.points[p] - b.points[p]) > tolerance)
                    return ::testing::AssertionFailure() << "contour " << c << " segment " << s << " value " << p
                                                         << ": " << b.points[p] << " instead of " << a.points[p];
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace parch::testtype1
