#include "platform/gdi/FontEngine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <map>
#include <mutex>
#include <numbers>
#include <unordered_map>

#include "platform/gdi/FontMatch.h"
#include "platform/gdi/Rects.h"

namespace parch {

namespace {

// One lock for every FreeType call: faces share the library. Recursive, because dropping a
// cached font inside the engine destroys its face. Never destroyed, like the engine, so fonts
// held by objects that outlive main stay usable.
std::recursive_mutex& FontLock() {
    static auto* lock = new std::recursive_mutex;
    return *lock;
}

constexpr LONG kDefaultHeight = -13;    // lfHeight 0: the size of the GUI font
constexpr LONG kMaxPixelHeight = 2048;  // larger requests are drawn at this size
constexpr LONG kMaxGlyphSide = 4096;
constexpr std::size_t kGlyphCacheLimit = 4096;
constexpr std::size_t kInstanceCacheLimit = 64;

LONG RoundToLong(double value) { return static_cast<LONG>(std::lround(value)); }

LONG FloorDiv64(FT_Pos value) { return static_cast<LONG>(value >= 0 ? value / 64 : -((-value + 63) / 64)); }
LONG CeilDiv64(FT_Pos value) { return -FloorDiv64(-value); }

}  // namespace

// A coverage image with FreeType's placement convention: left and top are measured from the
// origin it was rendered at, top upwards. Outside the file-local namespace because the font
// instance's glyph cache, a member type of a class with linkage, holds it.
struct GlyphImage {
    LONG left = 0;
    LONG top = 0;
    LONG width = 0;
    LONG height = 0;
    std::vector<std::uint8_t> pixels;
};

namespace {

// Rasterizes an outline whose coordinates are relative to a whole-pixel origin (y up).
GlyphImage RasterizeOutline(FT_Library library, FT_Outline* outline) {
    GlyphImage image;
    FT_BBox box;
    FT_Outline_Get_CBox(outline, &box);
    const LONG xMin = FloorDiv64(box.xMin), yMin = FloorDiv64(box.yMin);
    const LONG xMax = CeilDiv64(box.xMax), yMax = CeilDiv64(box.yMax);
    if (xMax <= xMin || yMax <= yMin || xMax - xMin > kMaxGlyphSide || yMax - yMin > kMaxGlyphSide)
        return image;
    image.left = xMin;
    image.top = yMax;
    image.width = xMax - xMin;
    image.height = yMax - yMin;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, 0);
    FT_Outline_Translate(outline, -static_cast<FT_Pos>(xMin) * 64, -static_cast<FT_Pos>(yMin) * 64);
    FT_Bitmap bitmap{};
    bitmap.rows = static_cast<unsigned>(image.height);
    bitmap.width = static_cast<unsigned>(image.width);
    bitmap.pitch = image.width;
    bitmap.buffer = image.pixels.data();
    bitmap.num_grays = 256;
    bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
    if (FT_Outline_Get_Bitmap(library, outline, &bitmap) != 0) image = GlyphImage{};
    return image;
}

// Coverage of a filled polygon given in device coordinates (y down).
GlyphImage RasterizePolygon(FT_Library library, std::span<const double> xs, std::span<const double> ys,
                            POINT& origin) {
    origin = {static_cast<LONG>(std::floor(xs[0])), static_cast<LONG>(std::floor(ys[0]))};
    std::vector<FT_Vector> points(xs.size());
    std::vector<char> tags(xs.size(), FT_CURVE_TAG_ON);
    for (std::size_t i = 0; i < xs.size(); ++i) {
        points[i].x = std::lround((xs[i] - origin.x) * 64);
        points[i].y = -std::lround((ys[i] - origin.y) * 64);
    }
    short contourEnd = static_cast<short>(xs.size() - 1);
    FT_Outline outline{};
    outline.n_contours = 1;
    outline.n_points = static_cast<short>(xs.size());
    outline.points = points.data();
    outline.tags = tags.data();
    outline.contours = &contourEnd;
    return RasterizeOutline(library, &outline);
}

// Collects glyph images and solid bars at device positions and sums them into one mask.
class CoverageBuilder {
public:
    // A cached image: it must outlive Build.
    void AddCached(const GlyphImage& image, LONG x, LONG y) {
        if (image.width == 0) return;
        Include(RECT{x, y, x + image.width, y + image.height});
        images_.push_back({&image, x, y});
    }
    void AddOwned(GlyphImage image, LONG x, LONG y) {
        if (image.width == 0) return;
        Include(RECT{x, y, x + image.width, y + image.height});
        owned_.push_back(std::make_unique<GlyphImage>(std::move(image)));
        images_.push_back({owned_.back().get(), x, y});
    }
    void AddSolid(const RECT& area) {
        Include(area);
        solids_.push_back(area);
    }

    // Overlapping coverage adds up, saturating; solid bars cover fully.
    GlyphCoverage Build(const RECT& bound) const {
        GlyphCoverage mask{};
        if (!IntersectRect(&mask.bounds, &box_, &bound)) return GlyphCoverage{};
        mask.alpha.assign(static_cast<std::size_t>(mask.Width()) * mask.Height(), 0);
        for (const Placed& item : images_) Accumulate(mask, *item.image, item.x, item.y);
        for (const RECT& area : solids_) FillSolid(mask, area);
        return mask;
    }

private:
    struct Placed {
        const GlyphImage* image;
        LONG x, y;  // device top-left
    };

    void Include(const RECT& area) { UnionRect(&box_, &box_, &area); }

    static void Accumulate(GlyphCoverage& mask, const GlyphImage& image, LONG x, LONG y) {
        const LONG x0 = std::max(x, mask.bounds.left), x1 = std::min(x + image.width, mask.bounds.right);
        const LONG y0 = std::max(y, mask.bounds.top), y1 = std::min(y + image.height, mask.bounds.bottom);
        if (x0 >= x1) return;
        for (LONG row = y0; row < y1; ++row) {
            const std::size_t sourceStart = static_cast<std::size_t>(row - y) * image.width + (x0 - x);
            const std::size_t targetStart =
                static_cast<std::size_t>(row - mask.bounds.top) * mask.Width() + (x0 - mask.bounds.left);
            const std::uint8_t* source = &image.pixels[sourceStart];
            std::uint8_t* target = &mask.alpha[targetStart];
            const LONG count = x1 - x0;
            LONG i = 0;
#if defined(__SSE2__)
            // Saturating byte adds, eight at a time: glyph rows are mostly 8 to 30 pixels.
            for (; i + 8 <= count; i += 8) {
                const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(target + i));
                const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + i));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(target + i), _mm_adds_epu8(a, b));
            }
            // The rest of the row as one more eight, its source bytes beyond the row made zero so the
            // target bytes there are stored back unchanged; only where both buffers reach that far.
            const LONG rest = count - i;
            if (rest > 0 && sourceStart + i + 8 <= image.pixels.size() && targetStart + i + 8 <= mask.alpha.size()) {
                const __m128i keep = _mm_set_epi64x(0, static_cast<long long>((std::uint64_t{1} << (8 * rest)) - 1));
                const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(target + i));
                const __m128i b = _mm_and_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + i)), keep);
                _mm_storel_epi64(reinterpret_cast<__m128i*>(target + i), _mm_adds_epu8(a, b));
                continue;
            }
#endif
            for (; i < count; ++i) {
                const unsigned sum = unsigned{target[i]} + source[i];
                target[i] = static_cast<std::uint8_t>(sum > 255 ? 255 : sum);
            }
        }
    }

    static void FillSolid(GlyphCoverage& mask, const RECT& area) {
        RECT visible{};
        if (!IntersectRect(&visible, &area, &mask.bounds)) return;
        for (LONG row = visible.top; row < visible.bottom; ++row) {
            std::uint8_t* target = &mask.alpha[static_cast<std::size_t>(row - mask.bounds.top) * mask.Width()];
            std::fill(target + (visible.left - mask.bounds.left), target + (visible.right - mask.bounds.left), 255);
        }
    }

    RECT box_{};
    std::vector<Placed> images_;
    std::vector<std::unique_ptr<GlyphImage>> owned_;
    std::vector<RECT> solids_;
};

// The baseline's direction on the device (escapement counter-clockwise, y down): a point u
// along the baseline and v below it, from the reference point.
struct BaselineFrame {
    POINT reference;
    double cosA = 1;
    double sinA = 0;

    void DevicePoint(double u, double v, double& x, double& y) const {
        x = reference.x + u * cosA + v * sinA;
        y = reference.y - u * sinA + v * cosA;
    }
    FT_Matrix Rotation() const {
        const auto c = static_cast<FT_Fixed>(std::lround(cosA * 65536));
        const auto s = static_cast<FT_Fixed>(std::lround(sinA * 65536));
        return FT_Matrix{c, -s, s, c};
    }
};

// escapement: tenths of a degree.
BaselineFrame FrameFor(POINT reference, int escapement) {
    BaselineFrame frame{reference};
    if (escapement != 0) {
        const double angle = escapement / 10.0 * std::numbers::pi / 180.0;
        frame.cosA = std::cos(angle);
        frame.sinA = std::sin(angle);
    }
    return frame;
}

// A band along the baseline from start to end, between top and bottom below it: solid when
// the baseline is horizontal, a rasterized polygon when it is turned.
void AddBand(CoverageBuilder& builder, FT_Library library, const BaselineFrame& frame, bool rotated, LONG start,
             LONG end, LONG top, LONG bottom) {
    if (end <= start || bottom <= top) return;
    if (!rotated) {
        builder.AddSolid(RECT{frame.reference.x + start, frame.reference.y + top, frame.reference.x + end,
                              frame.reference.y + bottom});
        return;
    }
    double xs[4], ys[4];
    frame.DevicePoint(start, top, xs[0], ys[0]);
    frame.DevicePoint(end, top, xs[1], ys[1]);
    frame.DevicePoint(end, bottom, xs[2], ys[2]);
    frame.DevicePoint(start, bottom, xs[3], ys[3]);
    POINT origin{};
    GlyphImage image = RasterizePolygon(library, xs, ys, origin);
    const LONG left = origin.x + image.left, imageTop = origin.y - image.top;
    builder.AddOwned(std::move(image), left, imageTop);
}

}  // namespace

std::uint8_t GlyphCoverage::At(LONG x, LONG y) const {
    if (x < bounds.left || x >= bounds.right || y < bounds.top || y >= bounds.bottom) return 0;
    return alpha[static_cast<std::size_t>(y - bounds.top) * Width() + (x - bounds.left)];
}

struct FontInstance::Glyph {
    int advance = 0;
    GlyphImage image;  // kept for horizontal text only: rotated glyphs are drawn afresh
};

struct FontInstance::Face {
    FT_Library library = nullptr;
    FT_Face handle = nullptr;
    FT_Face fallback = nullptr;  // for characters the face lacks; may be null
    bool synthesizeBold = false;
    bool synthesizeItalic = false;
    FT_Pos emboldenStrength = 0;  // 26.6
    std::unordered_map<char32_t, Glyph> glyphs;
    ~Face() {
        if (handle) FT_Done_Face(handle);
        if (fallback) FT_Done_Face(fallback);
    }
};

FontInstance::FontInstance(const LOGFONT& request, std::unique_ptr<Face> face, std::string family)
    : request_(request), face_(std::move(face)), family_(std::move(family)) {
    escapement_ = ((request.lfEscapement % 3600) + 3600) % 3600;
    ComputeMetrics();
}

FontInstance::~FontInstance() {
    std::lock_guard guard(FontLock());
    face_.reset();
}

void FontInstance::ComputeMetrics() {
    LONG height = request_.lfHeight == 0 ? kDefaultHeight : request_.lfHeight;
    height = std::clamp<LONG>(height, -kMaxPixelHeight, kMaxPixelHeight);
    metrics_ = TEXTMETRIC{};
    metrics_.tmWeight = request_.lfWeight == 0 ? FW_NORMAL : request_.lfWeight;
    metrics_.tmItalic = request_.lfItalic ? 1 : 0;
    metrics_.tmUnderlined = request_.lfUnderline ? 1 : 0;
    metrics_.tmStruckOut = request_.lfStrikeOut ? 1 : 0;
    metrics_.tmCharSet = request_.lfCharSet;
    metrics_.tmBreakChar = U' ';
    metrics_.tmDefaultChar = U'?';
    if (!face_) {
        metrics_.tmHeight = metrics_.tmAscent = std::abs(height);
        return;
    }
    FT_Face face = face_->handle;
    const double unitsPerEm = face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    // Windows measures the cell by the OS/2 "win" extents when the face has them.
    double cellAscent = face->ascender;
    double cellDescent = -face->descender;
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        cellAscent = os2->usWinAscent;
        cellDescent = os2->usWinDescent;
    }
    if (cellAscent + cellDescent <= 0) {
        cellAscent = unitsPerEm * 0.8;
        cellDescent = unitsPerEm * 0.2;
    }
    const double scale = height < 0 ? -height / unitsPerEm : height / (cellAscent + cellDescent);
    const LONG ppem = std::max<LONG>(1, RoundToLong(scale * unitsPerEm));
    metrics_.tmAscent = RoundToLong(cellAscent * scale);
    metrics_.tmDescent = height > 0 ? height - metrics_.tmAscent : RoundToLong(cellDescent * scale);
    metrics_.tmHeight = metrics_.tmAscent + metrics_.tmDescent;
    metrics_.tmInternalLeading = std::max<LONG>(0, metrics_.tmHeight - ppem);
    if (hhea) {
        const double lineSpacing = hhea->Ascender - hhea->Descender + hhea->Line_Gap;
        metrics_.tmExternalLeading =
            std::max<LONG>(0, RoundToLong((lineSpacing - cellAscent - cellDescent) * scale));
    }

    double naturalAverage = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth * scale : 0;
    LONG xppem = ppem;
    if (request_.lfWidth > 0 && naturalAverage > 0)
        xppem = std::clamp<LONG>(RoundToLong(ppem * static_cast<double>(request_.lfWidth) / naturalAverage), 1, kMaxPixelHeight);
    FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(xppem), static_cast<FT_UInt>(ppem));
    if (face_->fallback) FT_Set_Pixel_Sizes(face_->fallback, static_cast<FT_UInt>(xppem), static_cast<FT_UInt>(ppem));
    const double xScale = scale * xppem / ppem;

    if (face_->synthesizeBold) {
        face_->emboldenStrength = std::max<FT_Pos>(64, ppem * 64 / 32);
        boldExtra_ = static_cast<int>((face_->emboldenStrength + 32) / 64);
    }
    metrics_.tmAveCharWidth = request_.lfWidth > 0 ? request_.lfWidth
                              : naturalAverage > 0 ? RoundToLong(naturalAverage * xppem / ppem)
                                                   : 0;
    metrics_.tmMaxCharWidth = RoundToLong(face->max_advance_width * xScale) + boldExtra_;

    underlineThickness_ = std::max<LONG>(1, RoundToLong(face->underline_thickness * scale));
    underlinePosition_ = std::max<LONG>(1, RoundToLong(-face->underline_position * scale - underlineThickness_ / 2.0));
    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        strikeoutThickness_ = std::max<LONG>(1, RoundToLong(os2->yStrikeoutSize * scale));
        strikeoutPosition_ = RoundToLong(os2->yStrikeoutPosition * scale);
    } else {
        strikeoutThickness_ = underlineThickness_;
        strikeoutPosition_ = RoundToLong(metrics_.tmAscent * 0.3);
    }

    const bool fixedPitch = FT_IS_FIXED_WIDTH(face);
    metrics_.tmPitchAndFamily = static_cast<BYTE>((fixedPitch ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR |
                                                  TMPF_TRUETYPE | (request_.lfPitchAndFamily & 0xF0));
    FT_UInt index = 0;
    metrics_.tmFirstChar = static_cast<char32_t>(FT_Get_First_Char(face, &index));
    metrics_.tmLastChar = 0xFFFF;
    if (metrics_.tmAveCharWidth == 0) {
        const Glyph& x = LoadGlyph(U'x');
        metrics_.tmAveCharWidth = x.advance;
    }
}

// Called with the font lock held. Loads the glyph of ch, from the fallback face when the face lacks it, styled (synthetic
// bold and italic) but not yet rotated or rendered. Returns the slot holding it, or nullptr.
FT_GlyphSlot FontInstance::LoadStyledOutline(char32_t ch) {
    const Face& face = *face_;
    FT_Face source = face.handle;
    FT_UInt index = FT_Get_Char_Index(source, ch);
    if (index == 0 && face.fallback && ch >= 0x20) {
        if (const FT_UInt fallbackIndex = FT_Get_Char_Index(face.fallback, ch); fallbackIndex != 0) {
            source = face.fallback;
            index = fallbackIndex;
        }
    }
    if (FT_Load_Glyph(source, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0) return nullptr;
    FT_GlyphSlot slot = source->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
    // The fallback face is matched in the asked style, so only the face's own glyphs need the
    // synthetic one.
    const bool own = source == face.handle;
    if (own && face.synthesizeItalic) {
        // The slant of synthetic obliques: about 12 degrees.
        FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &shear);
    }
    if (own && face.synthesizeBold) FT_Outline_EmboldenXY(&slot->outline, face.emboldenStrength, 0);
    return slot;
}

// Called with the font lock held, before any glyph reference is taken: references stay valid
// until the next call.
void FontInstance::TrimGlyphCache() {
    if (face_ && face_->glyphs.size() >= kGlyphCacheLimit) face_->glyphs.clear();
}

// Called with the font lock held.
const FontInstance::Glyph& FontInstance::LoadGlyph(char32_t ch) {
    static const Glyph kEmpty;
    if (!face_) return kEmpty;
    auto& cache = face_->glyphs;
    if (auto found = cache.find(ch); found != cache.end()) return found->second;

    Glyph glyph;
    if (FT_GlyphSlot slot = LoadStyledOutline(ch)) {
        const int extra = slot->face == face_->handle ? boldExtra_ : 0;
        glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6) + extra;
        if (!Rotated()) glyph.image = RasterizeOutline(face_->library, &slot->outline);
    }
    return cache.emplace(ch, std::move(glyph)).first->second;
}

int FontInstance::CharWidth(char32_t ch) {
    std::lock_guard guard(FontLock());
    TrimGlyphCache();
    return LoadGlyph(ch).advance;
}

std::vector<int> FontInstance::CharPositions(std::u32string_view text, std::span<const int> dx, int charExtra) {
    std::lock_guard guard(FontLock());
    TrimGlyphCache();
    std::vector<int> positions(text.size() + 1, 0);
    long long pen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        positions[i] = static_cast<int>(pen);
        const long long step = i < dx.size() ? dx[i] : LoadGlyph(text[i]).advance + charExtra;
        // Positions stay within int whatever the spacing array holds.
        pen = std::clamp<long long>(pen + step, -(1LL << 30), 1LL << 30);
    }
    positions[text.size()] = static_cast<int>(pen);
    return positions;
}

SIZE FontInstance::TextExtent(std::u32string_view text, int charExtra) {
    const std::vector<int> positions = CharPositions(text, {}, charExtra);
    return SIZE{positions.back() - positions.front(), metrics_.tmHeight};
}

GlyphCoverage FontInstance::Render(std::u32string_view text, std::span<const int> positions,
                                   const TextPlacement& placement, const RECT& bound) {
    if (!face_ || positions.size() < text.size() + 1) return GlyphCoverage{};
    std::lock_guard guard(FontLock());
    TrimGlyphCache();

    const BaselineFrame frame = FrameFor(placement.reference, escapement_);
    const LONG down = placement.downToBaseline;
    CoverageBuilder builder;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const LONG along = placement.alongBaseline + positions[i];
        if (!Rotated()) {
            const GlyphImage& image = LoadGlyph(text[i]).image;
            builder.AddCached(image, placement.reference.x + along + image.left, placement.reference.y + down - image.top);
            continue;
        }
        // Rotated glyphs are rendered at their exact sub-pixel origin.
        FT_GlyphSlot slot = LoadStyledOutline(text[i]);
        if (!slot) continue;
        double x = 0, y = 0;
        frame.DevicePoint(along, down, x, y);
        const LONG originX = static_cast<LONG>(std::floor(x)), originY = static_cast<LONG>(std::floor(y));
        const FT_Matrix rotation = frame.Rotation();
        FT_Outline_Transform(&slot->outline, &rotation);
        FT_Outline_Translate(&slot->outline, std::lround((x - originX) * 64), -std::lround((y - originY) * 64));
        GlyphImage image = RasterizeOutline(face_->library, &slot->outline);
        const LONG left = originX + image.left, top = originY - image.top;
        builder.AddOwned(std::move(image), left, top);
    }
    // Underline and strike-out run along the whole text.
    const LONG start = placement.alongBaseline + positions.front();
    const LONG end = placement.alongBaseline + positions[text.size()];
    if (request_.lfUnderline) {
        const LONG top = down + underlinePosition_;
        AddBand(builder, face_->library, frame, Rotated(), start, end, top, top + underlineThickness_);
    }
    if (request_.lfStrikeOut) {
        const LONG top = down - strikeoutPosition_;
        AddBand(builder, face_->library, frame, Rotated(), start, end, top, top + strikeoutThickness_);
    }
    return builder.Build(bound);
}

GlyphCoverage FontInstance::RenderCell(const TextPlacement& placement, LONG start, LONG end, const RECT& bound) {
    std::lock_guard guard(FontLock());
    const BaselineFrame frame = FrameFor(placement.reference, escapement_);
    CoverageBuilder builder;
    const LONG down = placement.downToBaseline;
    AddBand(builder, face_ ? face_->library : nullptr, frame, Rotated() && face_, placement.alongBaseline + start,
            placement.alongBaseline + end, down - metrics_.tmAscent, down + metrics_.tmDescent);
    return builder.Build(bound);
}


struct FontEngine::State {
    FT_Library library = nullptr;
    FontMatcher matcher;
    std::map<std::string, std::shared_ptr<FontInstance>> instances;
    ~State() {
        instances.clear();
        if (library) FT_Done_FreeType(library);
    }
};

FontEngine::FontEngine() : state_(std::make_unique<State>()) {}
FontEngine::~FontEngine() = default;

FontEngine& FontEngine::Instance() {
    static auto* engine = new FontEngine;
    return *engine;
}

namespace {

// The cache key: every field of the request, the face name up to its terminator.
std::string RequestKey(const LOGFONT& request) {
    LOGFONT copy = request;
    copy.lfFaceName[LF_FACESIZE - 1] = 0;
    const std::size_t nameLength = std::strlen(copy.lfFaceName);
    std::memset(copy.lfFaceName + nameLength, 0, LF_FACESIZE - nameLength);
    return std::string(reinterpret_cast<const char*>(&copy), sizeof copy);
}

// The face that stands in for characters the chosen face lacks: the installed face with the
// widest coverage, in the asked weight and slant.
FT_Face OpenFallbackFace(FT_Library library, FontMatcher& matcher, const LOGFONT& request,
                         const std::string& primaryFamily) {
    constexpr const char* kFallbackFamily = "DejaVu Sans";
    if (primaryFamily == kFallbackFamily) return nullptr;
    const FontFile file = matcher.Match(kFallbackFamily, request.lfWeight, request.lfItalic != 0);
    FT_Face face = nullptr;
    if (file.path.empty() || file.family != kFallbackFamily ||
        FT_New_Face(library, file.path.c_str(), file.faceIndex, &face) != 0)
        return nullptr;
    return face;
}

}  // namespace

std::shared_ptr<FontInstance> FontEngine::Realize(const LOGFONT& request) {
    LOGFONT clean = request;
    clean.lfFaceName[LF_FACESIZE - 1] = 0;
    const std::string key = RequestKey(clean);

    std::lock_guard guard(FontLock());
    auto& instances = state_->instances;
    if (auto found = instances.find(key); found != instances.end()) return found->second;
    if (instances.size() >= kInstanceCacheLimit) {
        for (auto it = instances.begin(); it != instances.end();)
            it = it->second.use_count() == 1 ? instances.erase(it) : std::next(it);
    }

    if (!state_->library && FT_Init_FreeType(&state_->library) != 0) state_->library = nullptr;
    std::unique_ptr<FontInstance::Face> face;
    std::string family;
    if (state_->library) {
        const FontFile file = state_->matcher.Match(clean.lfFaceName, clean.lfWeight, clean.lfItalic != 0);
        FT_Face handle = nullptr;
        if (!file.path.empty() && FT_New_Face(state_->library, file.path.c_str(), file.faceIndex, &handle) == 0) {
            if (handle->units_per_EM > 0 && FT_IS_SCALABLE(handle)) {
                face = std::make_unique<FontInstance::Face>();
                face->library = state_->library;
                face->handle = handle;
                face->synthesizeBold = file.synthesizeBold;
                face->synthesizeItalic = file.synthesizeItalic;
                face->fallback = OpenFallbackFace(state_->library, state_->matcher, clean, file.family);
                family = file.family;
            } else {
                FT_Done_Face(handle);
            }
        }
    }
    std::shared_ptr<FontInstance> instance(new FontInstance(clean, std::move(face), std::move(family)));
    instances.emplace(key, instance);
    return instance;
}

}  // namespace parch
