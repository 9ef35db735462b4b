// Windows metafiles ([MS-WMF]): conversion from enhanced metafile records, and playback.

#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_set>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EmfRecordTypes.h"
#include "platform/gdi/EnhMetafile.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/MetafileBytes.h"
#include "platform/gdi/Paths.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Regions.h"
#include "platform/gdi/Utf8Text.h"

namespace parch {

class WinMetaFile {
public:
    explicit WinMetaFile(std::vector<BYTE> bytes) : bytes_(std::move(bytes)) {}
    const std::vector<BYTE>& Bytes() const { return bytes_; }

private:
    std::vector<BYTE> bytes_;
};

namespace {

namespace meta {
constexpr std::uint16_t EOF_ = 0x0000;
constexpr std::uint16_t SAVEDC = 0x001E;
constexpr std::uint16_t SETBKMODE = 0x0102;
constexpr std::uint16_t SETMAPMODE = 0x0103;
constexpr std::uint16_t SETROP2 = 0x0104;
constexpr std::uint16_t SETPOLYFILLMODE = 0x0106;
constexpr std::uint16_t SETSTRETCHBLTMODE = 0x0107;
constexpr std::uint16_t RESTOREDC = 0x0127;
constexpr std::uint16_t SELECTOBJECT = 0x012D;
constexpr std::uint16_t SETTEXTALIGN = 0x012E;
constexpr std::uint16_t DELETEOBJECT = 0x01F0;
constexpr std::uint16_t SETBKCOLOR = 0x0201;
constexpr std::uint16_t SETTEXTCOLOR = 0x0209;
constexpr std::uint16_t SETWINDOWORG = 0x020B;
constexpr std::uint16_t SETWINDOWEXT = 0x020C;
constexpr std::uint16_t LINETO = 0x0213;
constexpr std::uint16_t MOVETO = 0x0214;
constexpr std::uint16_t CREATEPENINDIRECT = 0x02FA;
constexpr std::uint16_t CREATEFONTINDIRECT = 0x02FB;
constexpr std::uint16_t CREATEBRUSHINDIRECT = 0x02FC;
constexpr std::uint16_t POLYGON = 0x0324;
constexpr std::uint16_t POLYLINE = 0x0325;
constexpr std::uint16_t EXCLUDECLIPRECT = 0x0415;
constexpr std::uint16_t INTERSECTCLIPRECT = 0x0416;
constexpr std::uint16_t ELLIPSE = 0x0418;
constexpr std::uint16_t RECTANGLE = 0x041B;
constexpr std::uint16_t POLYPOLYGON = 0x0538;
constexpr std::uint16_t EXTTEXTOUT = 0x0A32;
constexpr std::uint16_t STRETCHDIB = 0x0F43;
}  // namespace meta

struct WmfHandles {
    std::mutex lock;
    std::unordered_set<const WinMetaFile*> live;
};

WmfHandles& WmfHandleTable() {
    static WmfHandles* handles = new WmfHandles;
    return *handles;
}

const WinMetaFile* ResolveWmf(HMETAFILE metafile) {
    WmfHandles& h = WmfHandleTable();
    std::lock_guard guard(h.lock);
    return h.live.count(metafile) ? metafile : nullptr;
}

std::int16_t WmfClamp16(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

// Flattened cubic from `from` through two controls to `to`, appended after `from`.
void AppendBezier(POINT from, POINT c1, POINT c2, POINT to, std::vector<POINT>& out) {
    auto distance = [](POINT a, POINT b) { return std::hypot(double(b.x) - a.x, double(b.y) - a.y); };
    const double length = distance(from, c1) + distance(c1, c2) + distance(c2, to);
    const int steps = static_cast<int>(std::clamp(length / 2, 1.0, 256.0));
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps, u = 1 - t;
        const double x = u * u * u * from.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * to.x;
        const double y = u * u * u * from.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * to.y;
        out.push_back(POINT{static_cast<LONG>(std::lround(std::clamp(x, -2e9, 2e9))),
                            static_cast<LONG>(std::lround(std::clamp(y, -2e9, 2e9)))});
    }
}

// Windows-1252 for the text records: ASCII and Latin-1 letters as they are, others '?'.
std::string AnsiOf(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(c < 0x80 || (c >= 0xA0 && c <= 0xFF) ? static_cast<char>(c) : '?');
    return out;
}

// Converts the records of an enhanced metafile into WMF records. Paths, which WMF lacks,
// become polygons and polylines; a clip path becomes its bounding rectangle.
class WmfConverter {
public:
    WmfConverter(const BYTE* data, std::size_t size) : in_(data, size) {}
    bool Convert(std::vector<BYTE>& out);

private:
    struct Figure {
        std::vector<POINT> points;
        bool closed = false;
    };
    struct Kinds {
        int pen = -1, brush = -1, font = -1;
    };

    std::size_t Begin(std::uint16_t function);
    void End(std::size_t start);
    void Value16(std::uint16_t function, std::uint16_t value);
    void Color(std::uint16_t function, std::uint32_t value);
    void Points(std::uint16_t function, const std::vector<POINT>& points);
    void PolyPolygon(const std::vector<std::vector<POINT>>& polygons);
    void Box(std::uint16_t function, const RECT& r);
    int NewObject();
    void Select(int index);
    void DeleteObject(int index);
    int CreatePen(std::uint32_t style, std::int32_t width, std::uint32_t color);
    int CreateBrush(std::uint32_t style, std::uint32_t color, std::uint32_t hatch);
    int StockObject(std::uint32_t stock);
    void SelectFor(std::uint32_t emfIndex);
    // The kind (0 pen, 1 brush, 2 font) of a WMF object.
    int& SlotOf(int kind) { return kind == 0 ? current_.pen : kind == 1 ? current_.brush : current_.font; }
    bool Record(std::uint32_t type, std::size_t at, std::uint32_t size);
    bool ReadPoints(std::size_t at, std::uint32_t size, std::size_t offset, std::uint32_t count, bool small,
                    std::vector<POINT>& points);
    void PathPaint(bool fill, bool stroke);
    void Bitmap(std::size_t at, std::uint32_t size, bool alpha);
    void Text(std::size_t at, std::uint32_t size);

    MetafileByteReader in_;
    MetafileByteWriter out_;
    std::uint32_t maxRecordWords_ = 0;
    std::vector<int> kindOf_;            // WMF slot -> kind, -1 when free
    std::vector<int> emfToWmf_;          // EMF index -> WMF slot
    std::vector<int> emfKind_;           // EMF index -> kind
    std::vector<int> stockTemporaries_;  // WMF slots made for stock selections, deleted when replaced
    Kinds current_;
    bool inPath_ = false;
    std::vector<Figure> path_;
    POINT position_{};
    std::uint32_t polyFillMode_ = ALTERNATE;
    int emfSaveDepth_ = 0;
};

std::size_t WmfConverter::Begin(std::uint16_t function) {
    const std::size_t start = out_.Size();
    out_.U32(0);
    out_.U16(function);
    return start;
}

void WmfConverter::End(std::size_t start) {
    out_.PadTo(2);
    const auto words = static_cast<std::uint32_t>((out_.Size() - start) / 2);
    out_.PatchU32(start, words);
    maxRecordWords_ = std::max(maxRecordWords_, words);
}

void WmfConverter::Value16(std::uint16_t function, std::uint16_t value) {
    const std::size_t start = Begin(function);
    out_.U16(value);
    End(start);
}

void WmfConverter::Color(std::uint16_t function, std::uint32_t value) {
    const std::size_t start = Begin(function);
    out_.U32(value);
    End(start);
}

void WmfConverter::Points(std::uint16_t function, const std::vector<POINT>& points) {
    const std::size_t start = Begin(function);
    const std::size_t count = std::min<std::size_t>(points.size(), 32767);
    out_.I16(static_cast<std::int16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        out_.I16(WmfClamp16(points[i].x));
        out_.I16(WmfClamp16(points[i].y));
    }
    End(start);
}

void WmfConverter::PolyPolygon(const std::vector<std::vector<POINT>>& polygons) {
    if (polygons.empty()) return;
    if (polygons.size() == 1) return Points(meta::POLYGON, polygons[0]);
    const std::size_t start = Begin(meta::POLYPOLYGON);
    out_.U16(static_cast<std::uint16_t>(std::min<std::size_t>(polygons.size(), 0xFFFF)));
    for (const auto& p : polygons) out_.U16(static_cast<std::uint16_t>(std::min<std::size_t>(p.size(), 0xFFFF)));
    for (const auto& p : polygons)
        for (const POINT& q : p) {
            out_.I16(WmfClamp16(q.x));
            out_.I16(WmfClamp16(q.y));
        }
    End(start);
}

void WmfConverter::Box(std::uint16_t function, const RECT& r) {
    const std::size_t start = Begin(function);
    out_.I16(WmfClamp16(r.bottom));
    out_.I16(WmfClamp16(r.right));
    out_.I16(WmfClamp16(r.top));
    out_.I16(WmfClamp16(r.left));
    End(start);
}

// WMF objects take the lowest free slot of the table.
int WmfConverter::NewObject() {
    for (std::size_t i = 0; i < kindOf_.size(); ++i)
        if (kindOf_[i] < 0) return static_cast<int>(i);
    kindOf_.push_back(-1);
    return static_cast<int>(kindOf_.size() - 1);
}

void WmfConverter::Select(int index) {
    if (index < 0) return;
    Value16(meta::SELECTOBJECT, static_cast<std::uint16_t>(index));
    int& slot = SlotOf(kindOf_[static_cast<std::size_t>(index)]);
    const int previous = slot;
    slot = index;
    // A stock stand-in that was replaced has no further use.
    auto temporary = std::find(stockTemporaries_.begin(), stockTemporaries_.end(), previous);
    if (previous != index && temporary != stockTemporaries_.end() && emfSaveDepth_ == 0) {
        stockTemporaries_.erase(temporary);
        DeleteObject(previous);
    }
}

void WmfConverter::DeleteObject(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kindOf_.size() || kindOf_[index] < 0) return;
    Value16(meta::DELETEOBJECT, static_cast<std::uint16_t>(index));
    kindOf_[static_cast<std::size_t>(index)] = -1;
}

int WmfConverter::CreatePen(std::uint32_t style, std::int32_t width, std::uint32_t color) {
    const int index = NewObject();
    kindOf_[static_cast<std::size_t>(index)] = 0;
    const std::size_t start = Begin(meta::CREATEPENINDIRECT);
    out_.U16(static_cast<std::uint16_t>(style & 0xFFFF));
    out_.I16(WmfClamp16(width));
    out_.I16(0);
    out_.U32(color);
    End(start);
    return index;
}

int WmfConverter::CreateBrush(std::uint32_t style, std::uint32_t color, std::uint32_t hatch) {
    const int index = NewObject();
    kindOf_[static_cast<std::size_t>(index)] = 1;
    const std::size_t start = Begin(meta::CREATEBRUSHINDIRECT);
    out_.U16(static_cast<std::uint16_t>(style));
    out_.U32(color);
    out_.U16(static_cast<std::uint16_t>(hatch));
    End(start);
    return index;
}

// WMF cannot name stock objects; an object of the same look stands in.
int WmfConverter::StockObject(std::uint32_t stock) {
    switch (stock) {
    case WHITE_BRUSH: return CreateBrush(BS_SOLID, RGB(255, 255, 255), 0);
    case LTGRAY_BRUSH: return CreateBrush(BS_SOLID, RGB(192, 192, 192), 0);
    case GRAY_BRUSH: return CreateBrush(BS_SOLID, RGB(128, 128, 128), 0);
    case DKGRAY_BRUSH: return CreateBrush(BS_SOLID, RGB(64, 64, 64), 0);
    case BLACK_BRUSH: return CreateBrush(BS_SOLID, RGB(0, 0, 0), 0);
    case NULL_BRUSH: return CreateBrush(BS_NULL, 0, 0);
    case WHITE_PEN: return CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
    case BLACK_PEN: return CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    case NULL_PEN: return CreatePen(PS_NULL, 0, 0);
    default: return -1;  // stock fonts and palettes keep the reader's default
    }
}

void WmfConverter::SelectFor(std::uint32_t emfIndex) {
    if (emfIndex & emr::kStockObject) {
        const int index = StockObject(emfIndex & ~emr::kStockObject);
        if (index < 0) return;
        stockTemporaries_.push_back(index);
        Select(index);
        return;
    }
    if (emfIndex < emfToWmf_.size()) Select(emfToWmf_[emfIndex]);
}

bool WmfConverter::ReadPoints(std::size_t at, std::uint32_t size, std::size_t offset, std::uint32_t count, bool small,
                              std::vector<POINT>& points) {
    const std::size_t each = small ? 4 : 8;
    if (count > kMaxMetafilePolyPoints || offset > size || count > (size - offset) / each) return false;
    points.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t p = at + offset + i * each;
        points[i] = small ? POINT{in_.I16(p), in_.I16(p + 2)} : in_.Point(p);
    }
    return in_.Ok();
}

void WmfConverter::PathPaint(bool fill, bool stroke) {
    if (fill) {
        std::vector<std::vector<POINT>> polygons;
        for (const Figure& f : path_)
            if (f.points.size() >= 3) polygons.push_back(f.points);
        const int pen = current_.pen;
        const int nullPen = CreatePen(PS_NULL, 0, 0);
        Value16(meta::SELECTOBJECT, static_cast<std::uint16_t>(nullPen));
        PolyPolygon(polygons);
        if (pen >= 0) Value16(meta::SELECTOBJECT, static_cast<std::uint16_t>(pen));
        DeleteObject(nullPen);
    }
    if (stroke) {
        // Closed figures are outlines of polygons drawn without a brush; open ones polylines.
        std::vector<std::vector<POINT>> outlines;
        for (const Figure& f : path_) {
            if (f.points.size() < 2) continue;
            if (f.closed && f.points.size() >= 3) outlines.push_back(f.points);
            else Points(meta::POLYLINE, f.points);
        }
        if (!outlines.empty()) {
            const int brush = current_.brush;
            const int nullBrush = CreateBrush(BS_NULL, 0, 0);
            Value16(meta::SELECTOBJECT, static_cast<std::uint16_t>(nullBrush));
            PolyPolygon(outlines);
            if (brush >= 0) Value16(meta::SELECTOBJECT, static_cast<std::uint16_t>(brush));
            DeleteObject(nullBrush);
        }
    }
    path_.clear();
}

void WmfConverter::Bitmap(std::size_t at, std::uint32_t size, bool alpha) {
    const std::uint32_t offBmi = in_.U32(at + (alpha ? 84 : 48));
    const std::uint32_t cbBmi = in_.U32(at + (alpha ? 88 : 52));
    const std::uint32_t offBits = in_.U32(at + (alpha ? 92 : 56));
    const std::uint32_t cbBits = in_.U32(at + (alpha ? 96 : 60));
    if (cbBmi < 40 || offBmi > size || cbBmi > size - offBmi || offBits > size || cbBits > size - offBits) return;
    const std::int32_t width = in_.I32(at + offBmi + 4);
    const std::int32_t height = in_.I32(at + offBmi + 8);
    const std::uint16_t bpp = in_.U16(at + offBmi + 14);
    const std::int64_t absHeight = std::llabs(std::int64_t{height});
    // Only the 32-bit pixels this layer records are carried over, as 24-bit rows.
    if (bpp != 32 || width <= 0 || absHeight == 0 || std::int64_t{width} * absHeight > kMaxMetafileBitmapPixels ||
        std::int64_t{width} * 4 * absHeight > cbBits)
        return;
    const std::int64_t x = in_.I32(at + 24), y = in_.I32(at + 28);
    const std::int64_t w = in_.I32(at + (alpha ? 32 : 72)), h = in_.I32(at + (alpha ? 36 : 76));
    const std::uint32_t rop = alpha ? SRCCOPY : in_.U32(at + 68);
    const std::int64_t stride = (std::int64_t{width} * 3 + 3) / 4 * 4;
    const std::size_t start = Begin(meta::STRETCHDIB);
    out_.U32(rop);
    out_.U16(DIB_RGB_COLORS);
    out_.I16(WmfClamp16(absHeight));
    out_.I16(WmfClamp16(width));
    out_.I16(0);
    out_.I16(0);
    out_.I16(WmfClamp16(static_cast<double>(h)));
    out_.I16(WmfClamp16(static_cast<double>(w)));
    out_.I16(WmfClamp16(static_cast<double>(y)));
    out_.I16(WmfClamp16(static_cast<double>(x)));
    out_.U32(40);
    out_.I32(width);
    out_.I32(static_cast<std::int32_t>(absHeight));
    out_.U16(1);
    out_.U16(24);
    out_.U32(BI_RGB);
    out_.U32(static_cast<std::uint32_t>(stride * absHeight));
    out_.Zeros(16);
    // Rows bottom-up; premultiplied pixels of a blend are laid on white.
    for (std::int64_t row = 0; row < absHeight; ++row) {
        const std::int64_t sourceRow = height > 0 ? row : absHeight - 1 - row;
        const std::size_t line = at + offBits + static_cast<std::size_t>(sourceRow * width * 4);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::size_t p = line + 4 * static_cast<std::size_t>(x);
            const int a = alpha ? in_.U8(p + 3) : 255;
            for (int c = 0; c < 3; ++c) out_.U8(static_cast<std::uint8_t>(std::min(255, in_.U8(p + c) + 255 - a)));
        }
        for (std::int64_t pad = std::int64_t{width} * 3; pad < stride; ++pad) out_.U8(0);
    }
    End(start);
}

void WmfConverter::Text(std::size_t at, std::uint32_t size) {
    const POINT origin = in_.Point(at + 36);
    const std::uint32_t chars = in_.U32(at + 44);
    const std::uint32_t offString = in_.U32(at + 48);
    const std::uint32_t options = in_.U32(at + 52);
    const RECT box = in_.Rect(at + 56);
    const std::uint32_t offDx = in_.U32(at + 72);
    if (offString > size || chars > (size - offString) / 2 || chars > 32767) return;
    std::u16string text(chars, u'\0');
    for (std::uint32_t i = 0; i < chars; ++i) text[i] = static_cast<char16_t>(in_.U16(at + offString + 2 * i));
    const std::string ansi = AnsiOf(text);
    const bool hasDx = offDx != 0 && offDx <= size && chars <= (size - offDx) / 4;
    const bool hasRect = options & (ETO_OPAQUE | ETO_CLIPPED);
    const std::size_t start = Begin(meta::EXTTEXTOUT);
    out_.I16(WmfClamp16(origin.y));
    out_.I16(WmfClamp16(origin.x));
    out_.I16(static_cast<std::int16_t>(ansi.size()));
    out_.U16(static_cast<std::uint16_t>(options & (ETO_OPAQUE | ETO_CLIPPED)));
    if (hasRect) {
        out_.I16(WmfClamp16(box.left));
        out_.I16(WmfClamp16(box.top));
        out_.I16(WmfClamp16(box.right));
        out_.I16(WmfClamp16(box.bottom));
    }
    out_.Raw(ansi.data(), ansi.size());
    out_.PadTo(2);
    if (hasDx)
        for (std::uint32_t i = 0; i < chars; ++i) out_.I16(WmfClamp16(in_.I32(at + offDx + 4 * i)));
    End(start);
}

bool WmfConverter::Record(std::uint32_t type, std::size_t at, std::uint32_t size) {
    auto value = [&](std::size_t offset) { return size >= offset + 4 ? in_.U32(at + offset) : 0; };
    auto figure = [&]() -> Figure& {
        if (path_.empty() || path_.back().closed) path_.push_back(Figure{{position_}, false});
        return path_.back();
    };
    std::vector<POINT> points;
    switch (type) {
    case emr::POLYBEZIER16:
    case emr::POLYGON16:
    case emr::POLYLINE16:
    case emr::POLYBEZIERTO16:
    case emr::POLYLINETO16:
    case emr::POLYBEZIER:
    case emr::POLYGON:
    case emr::POLYLINE:
    case emr::POLYBEZIERTO:
    case emr::POLYLINETO: {
        const bool small = type >= emr::POLYBEZIER16;
        if (size < 28 || !ReadPoints(at, size, 28, in_.U32(at + 24), small, points)) return false;
        const std::uint32_t base = small ? type - emr::POLYBEZIER16 + emr::POLYBEZIER : type;
        std::vector<POINT> flat;
        if (base == emr::POLYBEZIER || base == emr::POLYBEZIERTO) {
            POINT from = base == emr::POLYBEZIERTO ? position_ : (points.empty() ? POINT{} : points[0]);
            flat.push_back(from);
            for (std::size_t i = base == emr::POLYBEZIER ? 1 : 0; i + 2 < points.size(); i += 3) {
                AppendBezier(from, points[i], points[i + 1], points[i + 2], flat);
                from = points[i + 2];
            }
        } else {
            if (base != emr::POLYGON && base != emr::POLYLINE) flat.push_back(position_);
            flat.insert(flat.end(), points.begin(), points.end());
        }
        const bool continues = base == emr::POLYBEZIERTO || base == emr::POLYLINETO;
        if (inPath_) {
            if (continues) {
                Figure& f = figure();
                f.points.insert(f.points.end(), flat.begin() + 1, flat.end());
            } else {
                path_.push_back(Figure{flat, base == emr::POLYGON});
            }
        } else if (base == emr::POLYGON) {
            Points(meta::POLYGON, flat);
        } else {
            Points(meta::POLYLINE, flat);
        }
        if (continues && !points.empty()) position_ = points.back();
        return true;
    }
    case emr::POLYPOLYGON16:
    case emr::POLYPOLYGON: {
        if (size < 32) return false;
        const std::uint32_t polygons = in_.U32(at + 24);
        const std::uint32_t total = in_.U32(at + 28);
        if (polygons > (size - 32) / 4) return false;
        std::vector<std::uint32_t> counts(polygons);
        std::uint64_t sum = 0;
        for (std::uint32_t i = 0; i < polygons; ++i) sum += counts[i] = in_.U32(at + 32 + 4 * std::size_t{i});
        if (sum != total || !ReadPoints(at, size, 32 + 4 * std::size_t{polygons}, total, type == emr::POLYPOLYGON16, points))
            return false;
        std::vector<std::vector<POINT>> shapes;
        std::size_t first = 0;
        for (std::uint32_t c : counts) {
            shapes.emplace_back(points.begin() + static_cast<std::ptrdiff_t>(first),
                                points.begin() + static_cast<std::ptrdiff_t>(first + c));
            first += c;
        }
        if (inPath_) {
            for (auto& s : shapes) path_.push_back(Figure{std::move(s), true});
        } else {
            PolyPolygon(shapes);
        }
        return true;
    }
    case emr::MOVETOEX: {
        if (size < 16) return false;
        position_ = in_.Point(at + 8);
        if (inPath_) {
            path_.push_back(Figure{{position_}, false});
        } else {
            const std::size_t start = Begin(meta::MOVETO);
            out_.I16(WmfClamp16(position_.y));
            out_.I16(WmfClamp16(position_.x));
            End(start);
        }
        return true;
    }
    case emr::LINETO: {
        if (size < 16) return false;
        const POINT p = in_.Point(at + 8);
        if (inPath_) {
            figure().points.push_back(p);
        } else {
            const std::size_t start = Begin(meta::LINETO);
            out_.I16(WmfClamp16(p.y));
            out_.I16(WmfClamp16(p.x));
            End(start);
        }
        position_ = p;
        return true;
    }
    case emr::BEGINPATH:
        inPath_ = true;
        path_.clear();
        return true;
    case emr::ENDPATH: inPath_ = false; return true;
    case emr::ABORTPATH:
        inPath_ = false;
        path_.clear();
        return true;
    case emr::CLOSEFIGURE:
        if (!path_.empty()) {
            path_.back().closed = true;
            position_ = path_.back().points.front();
        }
        return true;
    case emr::FILLPATH: PathPaint(true, false); return true;
    case emr::STROKEPATH: PathPaint(false, true); return true;
    case emr::STROKEANDFILLPATH: PathPaint(true, true); return true;
    case emr::SELECTCLIPPATH: {
        RECT box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (const Figure& f : path_)
            for (const POINT& p : f.points) {
                box.left = std::min(box.left, p.x);
                box.top = std::min(box.top, p.y);
                box.right = std::max(box.right, p.x);
                box.bottom = std::max(box.bottom, p.y);
            }
        if (box.left <= box.right) Box(meta::INTERSECTCLIPRECT, box);
        path_.clear();
        return true;
    }
    case emr::EXTSELECTCLIPRGN: {
        // Removing the clip: back to the state saved at the start, with the selections and
        // modes in force again.
        if (value(8) != 0 || value(12) != RGN_COPY || emfSaveDepth_ != 0) return true;
        const std::size_t restore = Begin(meta::RESTOREDC);
        out_.I16(-1);
        End(restore);
        const std::size_t save = Begin(meta::SAVEDC);
        End(save);
        for (int index : {current_.pen, current_.brush, current_.font})
            if (index >= 0) Value16(meta::SELECTOBJECT, static_cast<std::uint16_t>(index));
        Value16(meta::SETPOLYFILLMODE, static_cast<std::uint16_t>(polyFillMode_));
        return true;
    }
    case emr::INTERSECTCLIPRECT:
    case emr::EXCLUDECLIPRECT:
        if (size < 24) return false;
        Box(type == emr::INTERSECTCLIPRECT ? meta::INTERSECTCLIPRECT : meta::EXCLUDECLIPRECT, in_.Rect(at + 8));
        return true;
    case emr::RECTANGLE:
    case emr::ELLIPSE:
        if (size < 24) return false;
        Box(type == emr::RECTANGLE ? meta::RECTANGLE : meta::ELLIPSE, in_.Rect(at + 8));
        return true;
    case emr::SETBKMODE: Value16(meta::SETBKMODE, static_cast<std::uint16_t>(value(8))); return true;
    case emr::SETPOLYFILLMODE:
        polyFillMode_ = value(8);
        Value16(meta::SETPOLYFILLMODE, static_cast<std::uint16_t>(value(8)));
        return true;
    case emr::SETROP2: Value16(meta::SETROP2, static_cast<std::uint16_t>(value(8))); return true;
    case emr::SETSTRETCHBLTMODE: Value16(meta::SETSTRETCHBLTMODE, static_cast<std::uint16_t>(value(8))); return true;
    case emr::SETTEXTALIGN: Value16(meta::SETTEXTALIGN, static_cast<std::uint16_t>(value(8))); return true;
    case emr::SETTEXTCOLOR: Color(meta::SETTEXTCOLOR, value(8)); return true;
    case emr::SETBKCOLOR: Color(meta::SETBKCOLOR, value(8)); return true;
    case emr::SAVEDC: {
        const std::size_t start = Begin(meta::SAVEDC);
        End(start);
        ++emfSaveDepth_;
        return true;
    }
    case emr::RESTOREDC: {
        const auto relative = static_cast<std::int32_t>(value(8));
        if (relative >= 0 || relative < -emfSaveDepth_) return true;
        const std::size_t start = Begin(meta::RESTOREDC);
        out_.I16(static_cast<std::int16_t>(relative));
        End(start);
        emfSaveDepth_ += relative;
        return true;
    }
    case emr::CREATEPEN:
    case emr::EXTCREATEPEN:
    case emr::CREATEBRUSHINDIRECT:
    case emr::EXTCREATEFONTINDIRECTW: {
        const std::uint32_t emfIndex = value(8);
        if (emfIndex == 0 || emfIndex >= kMaxMetafileObjects) return false;
        int index = -1;
        if (type == emr::CREATEPEN) {
            index = CreatePen(value(12), static_cast<std::int32_t>(value(16)), value(24));
        } else if (type == emr::EXTCREATEPEN) {
            index = CreatePen(value(28) & 0xFFFF, static_cast<std::int32_t>(value(32)), value(40));
        } else if (type == emr::CREATEBRUSHINDIRECT) {
            index = CreateBrush(value(12), value(16), value(20));
        } else {
            if (size < 12 + 92) return false;
            index = NewObject();
            kindOf_[static_cast<std::size_t>(index)] = 2;
            const std::size_t start = Begin(meta::CREATEFONTINDIRECT);
            for (int field = 0; field < 5; ++field) out_.I16(WmfClamp16(in_.I32(at + 12 + 4 * field)));
            for (int b = 0; b < 8; ++b) out_.U8(in_.U8(at + 32 + b));
            std::u16string face;
            for (int i = 0; i < 31; ++i) {
                const char16_t c = static_cast<char16_t>(in_.U16(at + 40 + 2 * i));
                if (c == 0) break;
                face.push_back(c);
            }
            std::string ansi = AnsiOf(face);
            ansi.resize(32, '\0');
            out_.Raw(ansi.data(), 32);
            End(start);
        }
        if (emfToWmf_.size() <= emfIndex) emfToWmf_.resize(emfIndex + 1, -1);
        if (emfToWmf_[emfIndex] >= 0) DeleteObject(emfToWmf_[emfIndex]);
        emfToWmf_[emfIndex] = index;
        return true;
    }
    case emr::SELECTOBJECT: SelectFor(value(8)); return true;
    case emr::DELETEOBJECT: {
        const std::uint32_t emfIndex = value(8);
        if (emfIndex < emfToWmf_.size() && emfToWmf_[emfIndex] >= 0) {
            DeleteObject(emfToWmf_[emfIndex]);
            emfToWmf_[emfIndex] = -1;
        }
        return true;
    }
    case emr::STRETCHDIBITS:
        if (size >= 80) Bitmap(at, size, false);
        return true;
    case emr::ALPHABLEND:
        if (size >= 108) Bitmap(at, size, true);
        return true;
    case emr::EXTTEXTOUTW:
        if (size >= 76) Text(at, size);
        return true;
    default: return true;
    }
}

bool WmfConverter::Convert(std::vector<BYTE>& result) {
    ENHMETAHEADER header;
    if (in_.Size() < 88 || in_.U32(0) != emr::HEADER || in_.U32(40) != 0x464D4520) return false;
    header.nSize = in_.U32(4);
    header.rclFrame = in_.Rect(24);
    header.szlDevice = SIZE{in_.I32(72), in_.I32(76)};
    header.szlMillimeters = SIZE{in_.I32(80), in_.I32(84)};
    if (header.nSize < 88 || header.nSize % 4 != 0 || header.nSize > in_.Size()) return false;
    const double pxPerMmX = header.szlMillimeters.cx > 0 ? double(header.szlDevice.cx) / header.szlMillimeters.cx : 96 / 25.4;
    const double pxPerMmY = header.szlMillimeters.cy > 0 ? double(header.szlDevice.cy) / header.szlMillimeters.cy : 96 / 25.4;
    const RECT& f = header.rclFrame;

    out_.Zeros(18);  // header, completed below
    Value16(meta::SETMAPMODE, MM_ANISOTROPIC);
    std::size_t start = Begin(meta::SETWINDOWORG);
    out_.I16(WmfClamp16(f.top / 100.0 * pxPerMmY));
    out_.I16(WmfClamp16(f.left / 100.0 * pxPerMmX));
    End(start);
    start = Begin(meta::SETWINDOWEXT);
    out_.I16(WmfClamp16((double(f.bottom) - f.top) / 100.0 * pxPerMmY));
    out_.I16(WmfClamp16((double(f.right) - f.left) / 100.0 * pxPerMmX));
    End(start);
    start = Begin(meta::SAVEDC);  // the state a removed clip goes back to
    End(start);

    bool sound = false;
    for (std::size_t at = header.nSize; in_.Has(at, 8);) {
        const std::uint32_t type = in_.U32(at);
        const std::uint32_t size = in_.U32(at + 4);
        if (size < 8 || size % 4 != 0 || !in_.Has(at, size)) break;
        if (type == emr::EOF_) {
            sound = true;
            break;
        }
        if (!Record(type, at, size)) break;
        at += size;
    }
    for (std::size_t i = 0; i < kindOf_.size(); ++i)
        if (kindOf_[i] >= 0) DeleteObject(static_cast<int>(i));
    start = Begin(meta::RESTOREDC);
    out_.I16(-1);
    End(start);
    start = Begin(meta::EOF_);
    End(start);

    out_.PatchU16(0, 1);       // memory metafile
    out_.PatchU16(2, 9);       // header words
    out_.PatchU16(4, 0x0300);  // version
    out_.PatchU32(6, static_cast<std::uint32_t>(out_.Size() / 2));
    out_.PatchU16(10, static_cast<std::uint16_t>(std::min<std::size_t>(kindOf_.size(), 0xFFFF)));
    out_.PatchU32(12, maxRecordWords_);
    out_.PatchU16(16, 0);
    result = std::move(out_.Bytes());
    return sound;
}

// ---- playback ----

class WmfPlayer {
public:
    WmfPlayer(HDC dc, const BYTE* data, std::size_t size) : dc_(dc), in_(data, size) {}
    ~WmfPlayer() {
        for (HGDIOBJ object : objects_)
            if (object) parch::DeleteObject(object);
    }
    // window: the picture's origin and extent; null means those the records set.
    bool Play(const RECT* window, const RECT* rect);

private:
    POINT Map(int x, int y) const {
        return POINT{static_cast<LONG>(std::lround(rect_.left + (x - org_.x) * sx_)),
                     static_cast<LONG>(std::lround(rect_.top + (y - org_.y) * sy_))};
    }
    void Rescale();
    bool Record(std::uint16_t function, std::size_t at, std::size_t size);
    bool Add(HGDIOBJ object);
    bool ReadPoints(std::size_t at, std::size_t size, std::size_t offset, std::size_t count, std::vector<POINT>& points);

    HDC dc_;
    MetafileByteReader in_;
    std::vector<HGDIOBJ> objects_;
    bool fixedWindow_ = false;
    RECT rect_{};
    POINT org_{};
    SIZE ext_{1, 1};
    double sx_ = 1, sy_ = 1;
    int saveDepth_ = 0;
};

void WmfPlayer::Rescale() {
    if (!fixedWindow_ && rect_.right == rect_.left && rect_.bottom == rect_.top) return;
    sx_ = ext_.cx ? (double(rect_.right) - rect_.left) / ext_.cx : 1;
    sy_ = ext_.cy ? (double(rect_.bottom) - rect_.top) / ext_.cy : 1;
}

bool WmfPlayer::Add(HGDIOBJ object) {
    for (HGDIOBJ& slot : objects_)
        if (!slot) {
            slot = object;
            return true;
        }
    if (object) parch::DeleteObject(object);
    return false;  // more objects than the header announced
}

bool WmfPlayer::ReadPoints(std::size_t at, std::size_t size, std::size_t offset, std::size_t count,
                           std::vector<POINT>& points) {
    if (offset > size || count > (size - offset) / 4) return false;
    points.resize(count);
    for (std::size_t i = 0; i < count; ++i) points[i] = Map(in_.I16(at + offset + 4 * i), in_.I16(at + offset + 4 * i + 2));
    return in_.Ok();
}

bool WmfPlayer::Record(std::uint16_t function, std::size_t at, std::size_t size) {
    auto i16 = [&](std::size_t k) { return 6 + 2 * k + 2 <= size ? in_.I16(at + 6 + 2 * k) : 0; };
    auto u16 = [&](std::size_t k) { return static_cast<std::uint16_t>(i16(k)); };
    auto u32 = [&](std::size_t k) { return 6 + 2 * k + 4 <= size ? in_.U32(at + 6 + 2 * k) : 0; };
    std::vector<POINT> points;
    switch (function) {
    case meta::SETWINDOWORG:
        if (!fixedWindow_) org_ = POINT{i16(1), i16(0)};
        Rescale();
        return true;
    case meta::SETWINDOWEXT:
        if (!fixedWindow_) ext_ = SIZE{i16(1), i16(0)};
        Rescale();
        return true;
    case meta::SETMAPMODE: return true;
    case meta::SETBKMODE: SetBkMode(dc_, u16(0)); return true;
    case meta::SETPOLYFILLMODE: SetPolyFillMode(dc_, u16(0)); return true;
    case meta::SETROP2: SetROP2(dc_, u16(0)); return true;
    case meta::SETSTRETCHBLTMODE: SetStretchBltMode(dc_, u16(0)); return true;
    case meta::SETTEXTALIGN: SetTextAlign(dc_, u16(0)); return true;
    case meta::SETTEXTCOLOR: SetTextColor(dc_, u32(0)); return true;
    case meta::SETBKCOLOR: SetBkColor(dc_, u32(0)); return true;
    case meta::SAVEDC:
        SaveDC(dc_);
        ++saveDepth_;
        return true;
    case meta::RESTOREDC: {
        const int relative = i16(0);
        if (relative < 0 && relative >= -saveDepth_) {
            RestoreDC(dc_, relative);
            saveDepth_ += relative;
        }
        return true;
    }
    case meta::SELECTOBJECT:
        if (u16(0) < objects_.size() && objects_[u16(0)]) SelectObject(dc_, objects_[u16(0)]);
        return true;
    case meta::DELETEOBJECT:
        if (u16(0) < objects_.size() && objects_[u16(0)]) {
            parch::DeleteObject(objects_[u16(0)]);
            objects_[u16(0)] = nullptr;
        }
        return true;
    case meta::CREATEPENINDIRECT: {
        if (size < 16) return false;
        // Pens wider than this cover any page; wider ones only cost time to outline.
        const int width = static_cast<int>(std::lround(std::min(i16(1) * std::fabs(sx_), 4096.0)));
        const DWORD style = u16(0);
        if (style & (PS_ENDCAP_MASK | PS_JOIN_MASK)) {
            LOGBRUSH brush;
            brush.lbColor = u32(3);
            return Add(ExtCreatePen(PS_GEOMETRIC | style, static_cast<DWORD>(width), &brush, 0, nullptr)), true;
        }
        return Add(CreatePen(static_cast<int>(style), width, u32(3))), true;
    }
    case meta::CREATEBRUSHINDIRECT: {
        if (size < 14) return false;
        LOGBRUSH brush;
        brush.lbStyle = u16(0);
        brush.lbColor = u32(1);
        brush.lbHatch = u16(3);
        if (brush.lbStyle != BS_SOLID && brush.lbStyle != BS_NULL && brush.lbStyle != BS_HATCHED) brush.lbStyle = BS_SOLID;
        return Add(CreateBrushIndirect(&brush)), true;
    }
    case meta::CREATEFONTINDIRECT: {
        if (size < 6 + 18) return false;
        LOGFONT lf;
        lf.lfHeight = static_cast<LONG>(std::lround(std::clamp(i16(0) * std::fabs(sy_), -1e6, 1e6)));
        lf.lfWidth = static_cast<LONG>(std::lround(std::clamp(i16(1) * std::fabs(sx_), -1e6, 1e6)));
        lf.lfEscapement = i16(2);
        lf.lfOrientation = i16(3);
        lf.lfWeight = i16(4);
        lf.lfItalic = in_.U8(at + 16);
        lf.lfUnderline = in_.U8(at + 17);
        lf.lfStrikeOut = in_.U8(at + 18);
        lf.lfCharSet = in_.U8(at + 19);
        lf.lfOutPrecision = in_.U8(at + 20);
        lf.lfClipPrecision = in_.U8(at + 21);
        lf.lfQuality = in_.U8(at + 22);
        lf.lfPitchAndFamily = in_.U8(at + 23);
        for (std::size_t i = 0; i + 1 < LF_FACESIZE && 24 + i < size; ++i) {
            lf.lfFaceName[i] = static_cast<char>(in_.U8(at + 24 + i));
            if (!lf.lfFaceName[i]) break;
        }
        return Add(CreateFontIndirect(&lf)), true;
    }
    case meta::MOVETO: {
        const POINT p = Map(i16(1), i16(0));
        MoveToEx(dc_, p.x, p.y, nullptr);
        return true;
    }
    case meta::LINETO: {
        const POINT p = Map(i16(1), i16(0));
        LineTo(dc_, p.x, p.y);
        return true;
    }
    case meta::RECTANGLE:
    case meta::ELLIPSE:
    case meta::INTERSECTCLIPRECT:
    case meta::EXCLUDECLIPRECT: {
        if (size < 14) return false;
        const POINT a = Map(i16(3), i16(2)), b = Map(i16(1), i16(0));
        if (function == meta::RECTANGLE) Rectangle(dc_, a.x, a.y, b.x, b.y);
        else if (function == meta::ELLIPSE) Ellipse(dc_, a.x, a.y, b.x, b.y);
        else if (function == meta::INTERSECTCLIPRECT) IntersectClipRect(dc_, a.x, a.y, b.x, b.y);
        else ExcludeClipRect(dc_, a.x, a.y, b.x, b.y);
        return true;
    }
    case meta::POLYGON:
    case meta::POLYLINE: {
        const int count = i16(0);
        if (count < 0 || !ReadPoints(at, size, 8, static_cast<std::size_t>(count), points)) return false;
        if (function == meta::POLYGON) Polygon(dc_, points.data(), count);
        else Polyline(dc_, points.data(), count);
        return true;
    }
    case meta::POLYPOLYGON: {
        const std::size_t polygons = u16(0);
        if (8 + 2 * polygons > size) return false;
        std::vector<INT> counts(polygons);
        std::size_t total = 0;
        for (std::size_t k = 0; k < polygons; ++k) total += static_cast<std::size_t>(counts[k] = u16(1 + k));
        if (!ReadPoints(at, size, 8 + 2 * polygons, total, points)) return false;
        if (polygons > 0) PolyPolygon(dc_, points.data(), counts.data(), static_cast<int>(polygons));
        return true;
    }
    case meta::EXTTEXTOUT: {
        if (size < 14) return false;
        const POINT p = Map(i16(1), i16(0));
        const std::size_t length = static_cast<std::uint16_t>(i16(2));
        const UINT options = u16(3);
        std::size_t offset = 14;
        RECT box{};
        if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
            const POINT a = Map(i16(4), i16(5)), b = Map(i16(6), i16(7));
            box = RECT{a.x, a.y, b.x, b.y};
            offset += 8;
        }
        if (offset > size || length > size - offset) return false;
        std::u16string text;
        for (std::size_t k = 0; k < length; ++k) text.push_back(static_cast<char16_t>(in_.U8(at + offset + k)));
        const std::string utf8 = Utf8FromUtf16(text);
        ExtTextOut(dc_, p.x, p.y, options, options & (ETO_OPAQUE | ETO_CLIPPED) ? &box : nullptr, utf8.data(),
                   static_cast<UINT>(utf8.size()), nullptr);
        return true;
    }
    case meta::STRETCHDIB: {
        if (size < 28 + 40) return false;
        const std::size_t dib = at + 28;
        const std::size_t dibSize = size - 28;
        std::vector<std::uint32_t> info((dibSize + 3) / 4 + 256, 0);
        std::copy_n(in_.Data() + dib, dibSize, reinterpret_cast<BYTE*>(info.data()));
        const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
        const std::int64_t width = h->biWidth, height = std::llabs(std::int64_t{h->biHeight});
        if (h->biSize < 40 || width <= 0 || height <= 0 || width * height > kMaxMetafileBitmapPixels ||
            h->biCompression != BI_RGB || h->biBitCount == 0)
            return false;
        const std::int64_t tableBytes = ColorTableBytes(*h);
        const std::int64_t stride = (width * h->biBitCount + 31) / 32 * 4;
        if (h->biSize + tableBytes + stride * height > static_cast<std::int64_t>(dibSize)) return false;
        const BYTE* bits = in_.Data() + dib + h->biSize + tableBytes;
        const POINT a = Map(i16(10), i16(9));
        const POINT b = Map(i16(10) + i16(8), i16(9) + i16(7));
        StretchDIBits(dc_, a.x, a.y, b.x - a.x, b.y - a.y, i16(6), i16(5), i16(4), i16(3), bits,
                      reinterpret_cast<const BITMAPINFO*>(info.data()), u16(2), u32(0));
        return true;
    }
    default: return true;
    }
}

bool WmfPlayer::Play(const RECT* window, const RECT* rect) {
    if (in_.Size() < 18 || in_.U16(2) != 9) return false;
    const std::size_t objectCount = std::min<std::size_t>(in_.U16(10), kMaxMetafileObjects);
    objects_.assign(objectCount, nullptr);
    if (window && rect) {
        fixedWindow_ = true;
        org_ = POINT{window->left, window->top};
        ext_ = SIZE{window->right - window->left, window->bottom - window->top};
        rect_ = *rect;
        Rescale();
    }
    const int saved = SaveDC(dc_);
    bool sound = false;
    for (std::size_t at = 18; in_.Has(at, 6);) {
        const std::uint64_t size = std::uint64_t{in_.U32(at)} * 2;
        const std::uint16_t function = in_.U16(at + 4);
        if (size < 6 || !in_.Has(at, size)) break;
        if (function == meta::EOF_) {
            sound = true;
            break;
        }
        if (!Record(function, at, static_cast<std::size_t>(size))) break;
        at += static_cast<std::size_t>(size);
    }
    RestoreDC(dc_, saved);
    return sound;
}

}  // namespace

UINT GetWinMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* buffer, int, HDC) {
    std::vector<BYTE> emf(GetEnhMetaFileBits(metafile, 0, nullptr));
    if (emf.empty() || !GetEnhMetaFileBits(metafile, static_cast<UINT>(emf.size()), emf.data())) return 0;
    std::vector<BYTE> wmf;
    WmfConverter converter(emf.data(), emf.size());
    if (!converter.Convert(wmf) && wmf.empty()) return 0;
    const auto needed = static_cast<UINT>(wmf.size());
    if (!buffer) return needed;
    if (size < needed) return 0;
    std::copy(wmf.begin(), wmf.end(), buffer);
    return needed;
}

HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* data) {
    if (!data || size < 18 || size > kMaxMetafileBytes) return nullptr;
    MetafileByteReader r(data, size);
    if ((r.U16(0) != 1 && r.U16(0) != 2) || r.U16(2) != 9) return nullptr;
    auto* metafile = new WinMetaFile(std::vector<BYTE>(data, data + size));
    WmfHandles& h = WmfHandleTable();
    std::lock_guard guard(h.lock);
    h.live.insert(metafile);
    return metafile;
}

UINT GetMetaFileBitsEx(HMETAFILE metafile, UINT size, BYTE* buffer) {
    const WinMetaFile* live = ResolveWmf(metafile);
    if (!live) return 0;
    const auto needed = static_cast<UINT>(live->Bytes().size());
    if (!buffer) return needed;
    if (size < needed) return 0;
    std::copy(live->Bytes().begin(), live->Bytes().end(), buffer);
    return needed;
}

BOOL PlayMetaFile(HDC dc, HMETAFILE metafile) {
    const WinMetaFile* live = ResolveWmf(metafile);
    if (!live || !ResolveHandle(dc)) return 0;
    WmfPlayer player(dc, live->Bytes().data(), live->Bytes().size());
    return player.Play(nullptr, nullptr) ? 1 : 0;
}

BOOL PlayMetaFileInRect(HDC dc, HMETAFILE metafile, const RECT& window, const RECT& rect) {
    const WinMetaFile* live = ResolveWmf(metafile);
    if (!live || !ResolveHandle(dc)) return 0;
    WmfPlayer player(dc, live->Bytes().data(), live->Bytes().size());
    return player.Play(&window, &rect) ? 1 : 0;
}

BOOL DeleteMetaFile(HMETAFILE metafile) {
    WmfHandles& h = WmfHandleTable();
    std::lock_guard guard(h.lock);
    if (!h.live.erase(metafile)) return 0;
    delete metafile;
    return 1;
}

}  // namespace parch
