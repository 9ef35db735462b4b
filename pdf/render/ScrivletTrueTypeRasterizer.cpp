#include "pdf/render/ScrivletTrueTypeRasterizer.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "pdf/render/ScrivletFontData.h"

namespace parch {

namespace {

// Composite glyphs nest at most this deep; deeper components add nothing.
constexpr int kTrueTypeMaxComponentDepth = 8;
// Glyphs one outline may be built from: components shared down a deep tree would otherwise
// multiply without end.
constexpr int kTrueTypeMaxGlyphsPerOutline = 4096;
// Points one outline may hold, however its components repeat them.
constexpr std::size_t kTrueTypeMaxPointsPerOutline = std::size_t{1} << 20;

bool TrueTypeParseNumber(std::string_view digits, int base, std::uint32_t& value) {
    if (digits.empty()) return false;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    return error == std::errc() && end == digits.data() + digits.size();
}

// The glyph of the first code equal to `code` in the record, 0 when none.
int TrueTypeGlyphOfFirstCode(const TPDFTTEncodingRecord* record, std::uint32_t code) {
    if (!record) return 0;
    for (std::size_t i = 0; i < record->Codes.size(); ++i)
        if (record->Codes[i] == code) return record->Glyphs[i];
    return 0;
}

// The glyph of the last code whose low byte is `low`, 0 when none.
int TrueTypeGlyphOfLastLowByte(const TPDFTTEncodingRecord* record, std::uint32_t low) {
    if (!record) return 0;
    for (std::size_t i = record->Codes.size(); i-- > 0;)
        if ((record->Codes[i] & 0xFF) == low) return record->Glyphs[i];
    return 0;
}

int TrueTypeMacRomanCode(std::string_view glyphName) {
    for (const TLatinGlyph& glyph : LatinGlyphs())
        if (glyph.Name == glyphName) return glyph.MacRomanCode;
    return -1;
}

TPDFPoint TrueTypeMidpoint(TPDFPoint a, TPDFPoint b) { return {(a.X + b.X) / 2, (a.Y + b.Y) / 2}; }

// Quadratic segments through the pending off-curve points, with implied on-curve points
// halfway between neighbours, ending at `end`.
void TrueTypeFlushOffCurve(TPDFGenericShape& shape, std::vector<TPDFPoint>& pending, TPDFPoint end) {
    if (pending.empty()) {
        shape.AddLineTo(end.X, end.Y);
        return;
    }
    for (std::size_t j = 0; j + 1 < pending.size(); ++j) {
        const TPDFPoint implied = TrueTypeMidpoint(pending[j], pending[j + 1]);
        shape.AddQuadCurveTo(pending[j].X, pending[j].Y, implied.X, implied.Y);
    }
    shape.AddQuadCurveTo(pending.back().X, pending.back().Y, end.X, end.Y);
    pending.clear();
}

// One contour of points [first, last]. A contour that begins off the curve starts at its last
// point when that one is on the curve, else halfway between the two, so no spike runs to the
// control point.
void TrueTypeAddContour(TPDFGenericShape& shape, const TPDFTTglyfTable& glyph, std::size_t first, std::size_t last,
                        const TPDFMatrix& matrix) {
    auto point = [&](std::size_t i) {
        return MatrixTransformPoint(matrix, {static_cast<double>(glyph.Points[i].X), static_cast<double>(glyph.Points[i].Y)});
    };
    auto onCurve = [&](std::size_t i) { return (glyph.Flags[i] & 1) != 0; };
    TPDFPoint start = point(first);
    std::size_t from = first + 1;
    std::size_t to = last;
    if (!onCurve(first)) {
        from = first;
        if (onCurve(last)) {
            start = point(last);
            to = last - 1;
        } else {
            start = TrueTypeMidpoint(point(first), point(last));
        }
    }
    shape.AddMoveTo(start.X, start.Y);
    std::vector<TPDFPoint> pending;
    for (std::size_t i = from; from <= to && i <= to; ++i) {
        if (onCurve(i))
            TrueTypeFlushOffCurve(shape, pending, point(i));
        else
            pending.push_back(point(i));
    }
    if (!pending.empty()) TrueTypeFlushOffCurve(shape, pending, start);
    shape.AddClosePath();
}

void TrueTypeAddSimpleGlyph(TPDFGenericShape& shape, const TPDFTTglyfTable& glyph, const TPDFMatrix& matrix) {
    std::size_t first = 0;
    for (const std::uint16_t end : glyph.EndPtsOfContours) {
        const std::size_t last = end;
        if (last >= first && last < glyph.Points.size()) TrueTypeAddContour(shape, glyph, first, last, matrix);
        first = last + 1;
    }
}

}  // namespace

TPDFTrueTypeRasterizer2::TPDFTrueTypeRasterizer2() : font_(std::make_unique<TFont>()) {}

TPDFTrueTypeRasterizer2::~TPDFTrueTypeRasterizer2() = default;

bool TPDFTrueTypeRasterizer2::RenderGlyph(TPDFGenericCanvas& canvas, const TPDFMatrix& matrix, double x, double y,
                                          const std::string& glyphName) {
    if (parser_.GlyphCount() < 1) return false;
    const TPDFGenericShape& shape = GlyphShape(glyphName);
    TPDFMatrix placed;
    SetMatrix(placed, 1, 0, 0, 1, x, y);
    PaintShape(canvas, shape, MatrixProduct(placed, matrix));
    return true;
}

const TPDFGenericShape& TPDFTrueTypeRasterizer2::GlyphShape(const std::string& glyphName) {
    auto found = shapeCache_.find(glyphName);
    if (found != shapeCache_.end()) return *found->second;
    auto shape = std::make_unique<TPDFGenericShape>();
    const double scale = 1000.0 / parser_.GetHeader().UnitsPerEm;
    TPDFMatrix toThousandths;
    SetMatrix(toThousandths, scale, 0, 0, scale, 0, 0);
    TrueTypeBuildState state;
    state.GlyphsLeft = kTrueTypeMaxGlyphsPerOutline;
    state.PointsLeft = kTrueTypeMaxPointsPerOutline;
    BuildGlyph(*shape, FindGlyph(glyphName), toThousandths, 0, state);
    return *shapeCache_.emplace(glyphName, std::move(shape)).first->second;
}

void TPDFTrueTypeRasterizer2::BuildGlyph(TPDFGenericShape& shape, int glyph, const TPDFMatrix& matrix, int depth,
                                         TrueTypeBuildState& state) const {
    if (state.GlyphsLeft <= 0) return;
    --state.GlyphsLeft;
    TPDFTTglyfTable table;
    parser_.GetGlyph(glyph, table);
    if (table.Components.empty()) {
        if (table.Points.size() > state.PointsLeft) return;
        state.PointsLeft -= table.Points.size();
        TrueTypeAddSimpleGlyph(shape, table, matrix);
        return;
    }
    if (depth >= kTrueTypeMaxComponentDepth) return;
    std::vector<int>& enclosing = state.Enclosing;
    enclosing.push_back(glyph);
    for (const TPDFTTComponent& component : table.Components) {
        // A component naming a glyph that encloses it would never end.
        if (std::find(enclosing.begin(), enclosing.end(), component.GlyphIndex) != enclosing.end()) continue;
        // Arguments that name points to match are no offsets; such a component stays in place.
        const bool offsets = (component.Flags & kTTArgsAreXYValues) != 0;
        TPDFMatrix placement;
        SetMatrix(placement, component.A, component.B, component.C, component.D, offsets ? component.Argument1 : 0,
                  offsets ? component.Argument2 : 0);
        BuildGlyph(shape, component.GlyphIndex, MatrixProduct(placement, matrix), depth + 1, state);
    }
    enclosing.pop_back();
}

int TPDFTrueTypeRasterizer2::FindGlyph(const std::string& glyphName) const {
    const std::string_view name = glyphName;
    const TPDFTTEncodingRecord* unicodeMap = parser_.Encoding(parser_.FindEncoding(3, 1));
    const TPDFTTEncodingRecord* macMap = parser_.Encoding(parser_.FindEncoding(1, 0));
    const bool hasNames = parser_.GlyphNameCount() > 0;
    int glyph = 0;
    std::uint32_t number = 0;
    if (name.starts_with("U+") && name.size() >= 6 && TrueTypeParseNumber(name.substr(2, 4), 16, number)) {
        if (unicodeMap) {
            glyph = TrueTypeGlyphOfFirstCode(unicodeMap, number);
        } else if (hasNames) {
            std::string standardName;
            UnicodeToGlyphName(static_cast<char16_t>(number), standardName);
            glyph = std::max(0, parser_.FindGlyphName(standardName));
        }
    }
    if (name.starts_with("PS:") && hasNames) {
        const int named = parser_.FindGlyphName(name.substr(3));
        if (named >= 0) glyph = named;
    }
    if (name.starts_with("GID:") && TrueTypeParseNumber(name.substr(4), 10, number))
        glyph = static_cast<int>(std::min<std::uint32_t>(number, 0xFFFF));
    if (Symbolic && name.starts_with("CID:") && TrueTypeParseNumber(name.substr(4), 10, number)) {
        glyph = TrueTypeGlyphOfLastLowByte(parser_.Encoding(parser_.FindEncoding(3, 0)), number);
        if (glyph == 0) glyph = TrueTypeGlyphOfLastLowByte(macMap, number);
        if (glyph == 0) glyph = TrueTypeGlyphOfLastLowByte(unicodeMap, number);
    }
    if (glyph == 0 && unicodeMap) {
        const char16_t unicode = GlyphNameToUnicode(name);
        if (unicode != 0) glyph = TrueTypeGlyphOfFirstCode(unicodeMap, unicode);
    }
    if (glyph == 0 && macMap) {
        const int code = TrueTypeMacRomanCode(name);
        if (code >= 0 && code <= 255 && macMap->Codes.size() == 256) glyph = macMap->Glyphs[static_cast<std::size_t>(code)];
    }
    if (glyph == 0 && hasNames) glyph = std::max(0, parser_.FindGlyphName(name));
    return glyph;
}

void TPDFTrueTypeRasterizer2::LoadInstalledFont() {
    const TFontStyles style = font_->Style();
    TInstalledFontData installed = GetFontData(font_->Name(), (style & fsBold) != 0, (style & fsItalic) != 0);
    parser_.CollectionBase = installed.CollectionBase;
    parser_.LoadFromString(std::move(installed.Data));
    IsCFF = parser_.CFFTableOffset() > 0;
}

void TPDFTrueTypeRasterizer2::InstalledFontWidths(const TGlyphNames& glyphNames, TGlyphWidths& widths) const {
    for (std::size_t code = 0; code < glyphNames.size(); ++code) {
        if (glyphNames[code].empty()) continue;
        const int glyph = parser_.FindGlyphName(glyphNames[code]);
        if (glyph >= 0) widths[code] = parser_.AdvanceWidth(glyph);
    }
}

TPDFSimpleTrueTypeRasterizer::TPDFSimpleTrueTypeRasterizer() : font_(std::make_unique<TFont>()) {}

TPDFSimpleTrueTypeRasterizer::~TPDFSimpleTrueTypeRasterizer() = default;

bool TPDFSimpleTrueTypeRasterizer::RenderGlyph(TPDFGenericCanvas&, const TPDFMatrix&, double, double,
                                               const std::string& glyphName) {
    const std::string_view name = glyphName;
    std::uint32_t glyph = 0;
    if ((name.starts_with("CID:") || name.starts_with("GID:")) && !TrueTypeParseNumber(name.substr(4), 10, glyph))
        glyph = 0;
    return glyph > 0;
}

}  // namespace parch
