#include "platform/gdi/EnhMetafile.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_set>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EmfRecordTypes.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/MetafileRecorder.h"
#include "platform/gdi/Paths.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Regions.h"
#include "platform/gdi/Utf8Text.h"

namespace parch {

// A finished enhanced metafile: its record bytes, checked to start with a sound header.
class EnhMetaFile {
public:
    explicit EnhMetaFile(std::vector<BYTE> bytes) : bytes_(std::move(bytes)) {}
    const std::vector<BYTE>& Bytes() const { return bytes_; }

private:
    std::vector<BYTE> bytes_;
};

namespace {

// Live metafile handles; a handle is checked here before use, as graphics objects are.
struct MetafileHandles {
    std::mutex lock;
    std::unordered_set<const EnhMetaFile*> live;
};

MetafileHandles& EmfHandleTable() {
    static MetafileHandles* handles = new MetafileHandles;
    return *handles;
}

HENHMETAFILE AdoptEnhMetaFile(std::vector<BYTE> bytes) {
    auto* metafile = new EnhMetaFile(std::move(bytes));
    MetafileHandles& h = EmfHandleTable();
    std::lock_guard guard(h.lock);
    h.live.insert(metafile);
    return metafile;
}

const EnhMetaFile* ResolveEmf(HENHMETAFILE metafile) {
    MetafileHandles& h = EmfHandleTable();
    std::lock_guard guard(h.lock);
    return h.live.count(metafile) ? metafile : nullptr;
}

bool ReadEmfHeader(const BYTE* data, std::size_t size, ENHMETAHEADER& header) {
    if (!data || size < 88) return false;
    MetafileByteReader r(data, size);
    header.iType = r.U32(0);
    header.nSize = r.U32(4);
    header.rclBounds = r.Rect(8);
    header.rclFrame = r.Rect(24);
    header.dSignature = r.U32(40);
    header.nVersion = r.U32(44);
    header.nBytes = r.U32(48);
    header.nRecords = r.U32(52);
    header.nHandles = r.U16(56);
    header.nDescription = r.U32(60);
    header.offDescription = r.U32(64);
    header.nPalEntries = r.U32(68);
    header.szlDevice = SIZE{r.I32(72), r.I32(76)};
    header.szlMillimeters = SIZE{r.I32(80), r.I32(84)};
    return r.Ok() && header.iType == emr::HEADER && header.dSignature == 0x464D4520 && header.nSize >= 88 &&
           header.nSize % 4 == 0 && header.nSize <= size;
}

}  // namespace

// ---- recording ----

HDC CreateEnhMetaFile(HDC reference, const char* fileName, const RECT* frame, const char* description) {
    if (fileName) return nullptr;  // only memory metafiles
    if (reference && !ResolveHandle(reference)) return nullptr;
    const int dpiX = reference ? GetDeviceCaps(reference, LOGPIXELSX) : 96;
    const int dpiY = reference ? GetDeviceCaps(reference, LOGPIXELSY) : 96;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    dc->SetRecorder(std::make_unique<MetafileRecorder>(dpiX, dpiY, frame,
                                                       description ? Utf16FromUtf8(description) : std::u16string()));
    return dc;
}

bool IsRecordingDC(HDC dc) { return RecorderOf(ResolveHandle(dc)) != nullptr; }

HENHMETAFILE CloseEnhMetaFile(HDC dc) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !context->Recorder()) return nullptr;
    std::unique_ptr<MetafileRecorder> recorder = context->TakeRecorder();
    DeleteDC(dc);
    return AdoptEnhMetaFile(recorder->Finish());
}

BOOL GdiComment(HDC dc, UINT size, const BYTE* data) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || (!data && size > 0)) return 0;
    if (MetafileRecorder* recorder = context->Recorder()) recorder->Comment(data, size);
    return 1;
}

// ---- handles ----

UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* buffer) {
    const EnhMetaFile* live = ResolveEmf(metafile);
    if (!live) return 0;
    const auto needed = static_cast<UINT>(live->Bytes().size());
    if (!buffer) return needed;
    if (size < needed) return 0;
    std::copy(live->Bytes().begin(), live->Bytes().end(), buffer);
    return needed;
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
    ENHMETAHEADER header;
    if (size > kMaxMetafileBytes || !ReadEmfHeader(data, size, header)) return nullptr;
    // nBytes may be smaller than the data given (trailing bytes are not the metafile's).
    const std::size_t used = header.nBytes >= header.nSize && header.nBytes <= size ? header.nBytes : size;
    return AdoptEnhMetaFile(std::vector<BYTE>(data, data + used));
}

UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header) {
    const EnhMetaFile* live = ResolveEmf(metafile);
    if (!live) return 0;
    if (!header) return sizeof(ENHMETAHEADER);
    if (size < sizeof(ENHMETAHEADER)) return 0;
    return ReadEmfHeader(live->Bytes().data(), live->Bytes().size(), *header) ? sizeof(ENHMETAHEADER) : 0;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile) {
    MetafileHandles& h = EmfHandleTable();
    std::lock_guard guard(h.lock);
    if (!h.live.erase(metafile)) return 0;
    delete metafile;
    return 1;
}

// ---- playback ----

namespace {

// Plays [MS-EMF] records onto a context, mapping the picture's frame onto a rectangle.
class EmfPlayer {
public:
    EmfPlayer(HDC dc, const BYTE* data, std::size_t size) : dc_(dc), reader_(data, size) {}
    ~EmfPlayer() {
        for (HGDIOBJ object : objects_)
            if (object) DeleteObject(object);
        if (initialClip_) DeleteObject(initialClip_);
    }

    bool Play(const RECT& rect);

private:
    bool Record(std::uint32_t type, std::size_t at, std::uint32_t size);
    // Recorded logical coordinates -> the recording's device pixels -> the target rectangle.
    POINT Map(POINT p) const { return Map(double(p.x), double(p.y)); }
    POINT Map(double px, double py) const {
        const double x = px - windowOrg_.x + viewportOrg_.x - origin_.x;
        const double y = py - windowOrg_.y + viewportOrg_.y - origin_.y;
        return POINT{static_cast<LONG>(std::lround(std::clamp(rect_.left + x * sx_, -1e9, 1e9))),
                     static_cast<LONG>(std::lround(std::clamp(rect_.top + y * sy_, -1e9, 1e9)))};
    }
    // Lengths (pen widths, font sizes, advances) at the target's scale, held to what a page can use.
    int MapLength(double length, double scale) const {
        return static_cast<int>(std::lround(std::clamp(length * std::fabs(scale), -kMaxMappedLength, kMaxMappedLength)));
    }
    static constexpr double kMaxMappedLength = 1 << 20;
    // Pens wider than this cover any page; wider ones only cost time to outline.
    int PenWidth(double width) const { return std::min(MapLength(width, sx_), kMaxPenWidth); }
    static constexpr int kMaxPenWidth = 4096;
    bool Points(std::size_t at, std::uint32_t size, std::size_t offset, std::uint32_t count, bool small,
                std::vector<POINT>& points);
    bool Poly(std::uint32_t type, std::size_t at, std::uint32_t size, bool small);
    bool PolyPoly(std::uint32_t type, std::size_t at, std::uint32_t size, bool small);
    bool CreateObject(std::uint32_t index, HGDIOBJ object);
    HGDIOBJ ObjectAt(std::uint32_t index);
    bool ClipRegion(std::size_t at, std::uint32_t size);
    bool Bitmap(std::uint32_t type, std::size_t at, std::uint32_t size);
    bool Text(std::size_t at, std::uint32_t size);
    // The bitmap info and bits a record points at, checked against the record.
    bool DibOf(std::size_t at, std::uint32_t size, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
               std::uint32_t cbBits, std::vector<std::uint32_t>& info, const BYTE*& bits);

    HDC dc_;
    MetafileByteReader reader_;
    RECT rect_{};
    POINT origin_{};
    double sx_ = 1, sy_ = 1;
    std::vector<HGDIOBJ> objects_;
    HRGN initialClip_ = nullptr;
    int saveDepth_ = 0;
    POINT windowOrg_{};
    POINT viewportOrg_{};
};

bool EmfPlayer::Play(const RECT& rect) {
    ENHMETAHEADER header;
    if (!ReadEmfHeader(reader_.Data(), reader_.Size(), header)) return false;
    const std::uint32_t handles = std::min<std::uint32_t>(std::max<std::uint32_t>(header.nHandles, 1), kMaxMetafileObjects);
    objects_.assign(handles, nullptr);

    // The frame in the recording's pixels, through the reference device's pixels per millimetre.
    const double pxPerMmX = header.szlMillimeters.cx > 0 && header.szlDevice.cx > 0
                                ? double(header.szlDevice.cx) / header.szlMillimeters.cx : 96 / 25.4;
    const double pxPerMmY = header.szlMillimeters.cy > 0 && header.szlDevice.cy > 0
                                ? double(header.szlDevice.cy) / header.szlMillimeters.cy : 96 / 25.4;
    const RECT& f = header.rclFrame;
    origin_ = POINT{static_cast<LONG>(std::lround(f.left / 100.0 * pxPerMmX)),
                    static_cast<LONG>(std::lround(f.top / 100.0 * pxPerMmY))};
    const double pictureW = std::max(1.0, std::round((double(f.right) - f.left) / 100.0 * pxPerMmX));
    const double pictureH = std::max(1.0, std::round((double(f.bottom) - f.top) / 100.0 * pxPerMmY));
    rect_ = rect;
    sx_ = (double(rect.right) - rect.left) / pictureW;
    sy_ = (double(rect.bottom) - rect.top) / pictureH;
    if (!std::isfinite(sx_) || !std::isfinite(sy_)) return false;

    const int saved = SaveDC(dc_);
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    if (GetClipRgn(dc_, clip) == 1) initialClip_ = clip;
    else DeleteObject(clip);

    bool sound = true;
    std::size_t at = header.nSize;
    std::uint32_t played = 1;
    while (true) {
        if (!reader_.Has(at, 8)) {
            sound = false;  // no EOF record
            break;
        }
        const std::uint32_t type = reader_.U32(at);
        const std::uint32_t size = reader_.U32(at + 4);
        if (size < 8 || size % 4 != 0 || !reader_.Has(at, size) || ++played > (1u << 28)) {
            sound = false;
            break;
        }
        if (type == emr::EOF_) break;
        if (type == emr::HEADER || !Record(type, at, size)) {
            sound = false;
            break;
        }
        at += size;
    }
    AbortPath(dc_);
    RestoreDC(dc_, saved);
    return sound;
}

bool EmfPlayer::Points(std::size_t at, std::uint32_t size, std::size_t offset, std::uint32_t count, bool small,
                       std::vector<POINT>& points) {
    const std::size_t each = small ? 4 : 8;
    if (count > kMaxMetafilePolyPoints || offset > size || count > (size - offset) / each) return false;
    points.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t p = at + offset + i * each;
        const POINT raw = small ? POINT{reader_.I16(p), reader_.I16(p + 2)} : reader_.Point(p);
        points[i] = Map(raw);
    }
    return reader_.Ok();
}

bool EmfPlayer::Poly(std::uint32_t type, std::size_t at, std::uint32_t size, bool small) {
    if (size < 28) return false;
    std::vector<POINT> points;
    if (!Points(at, size, 28, reader_.U32(at + 24), small, points)) return false;
    const auto count = static_cast<DWORD>(points.size());
    switch (type) {
    case emr::POLYBEZIER:
    case emr::POLYBEZIER16: PolyBezier(dc_, points.data(), count); break;
    case emr::POLYGON:
    case emr::POLYGON16: Polygon(dc_, points.data(), static_cast<int>(count)); break;
    case emr::POLYLINE:
    case emr::POLYLINE16: Polyline(dc_, points.data(), static_cast<int>(count)); break;
    case emr::POLYBEZIERTO:
    case emr::POLYBEZIERTO16: PolyBezierTo(dc_, points.data(), count); break;
    default: PolylineTo(dc_, points.data(), count); break;
    }
    return true;
}

bool EmfPlayer::PolyPoly(std::uint32_t type, std::size_t at, std::uint32_t size, bool small) {
    if (size < 32) return false;
    const std::uint32_t polygons = reader_.U32(at + 24);
    const std::uint32_t total = reader_.U32(at + 28);
    if (polygons > kMaxMetafilePolyPoints || polygons > (size - 32) / 4) return false;
    std::vector<INT> counts(polygons);
    std::uint64_t sum = 0;
    for (std::uint32_t i = 0; i < polygons; ++i) {
        counts[i] = reader_.I32(at + 32 + 4 * std::size_t{i});
        if (counts[i] < 0) return false;
        sum += static_cast<std::uint64_t>(counts[i]);
    }
    if (sum != total) return false;
    std::vector<POINT> points;
    if (!Points(at, size, 32 + 4 * std::size_t{polygons}, total, small, points)) return false;
    if (type == emr::POLYPOLYGON || type == emr::POLYPOLYGON16) {
        PolyPolygon(dc_, points.data(), counts.data(), static_cast<int>(polygons));
    } else {
        std::size_t first = 0;
        for (INT count : counts) {
            Polyline(dc_, points.data() + first, count);
            first += static_cast<std::size_t>(count);
        }
    }
    return true;
}

bool EmfPlayer::CreateObject(std::uint32_t index, HGDIOBJ object) {
    if (index == 0 || index >= objects_.size() || !object) {
        if (object) DeleteObject(object);
        return false;
    }
    if (objects_[index]) DeleteObject(objects_[index]);
    objects_[index] = object;
    return true;
}

HGDIOBJ EmfPlayer::ObjectAt(std::uint32_t index) {
    if (index & emr::kStockObject) return GetStockObject(static_cast<int>(index & ~emr::kStockObject));
    return index < objects_.size() ? objects_[index] : nullptr;
}

bool EmfPlayer::ClipRegion(std::size_t at, std::uint32_t size) {
    if (size < 16) return false;
    const std::uint32_t dataSize = reader_.U32(at + 8);
    const int mode = reader_.I32(at + 12);
    if (mode < RGN_AND || mode > RGN_COPY || dataSize > size - 16) return false;
    if (dataSize == 0) {
        // Without a region only a copy is meaningful: back to the clip playback began with.
        if (mode == RGN_COPY) SelectClipRgn(dc_, initialClip_);
        return true;
    }
    if (dataSize < 32) return false;
    const std::uint32_t count = reader_.U32(at + 16 + 8);
    if (count > (dataSize - 32) / 16) return false;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        const RECT r = reader_.Rect(at + 16 + 32 + 16 * std::size_t{i});
        POINT corners[2] = {Map(POINT{r.left, r.top}), Map(POINT{r.right, r.bottom})};
        LPtoDP(dc_, corners, 2);
        HRGN piece = CreateRectRgn(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
        CombineRgn(region, region, piece, RGN_OR);
        DeleteObject(piece);
    }
    if (mode == RGN_COPY && initialClip_) CombineRgn(region, region, initialClip_, RGN_AND);
    ExtSelectClipRgn(dc_, region, mode);
    DeleteObject(region);
    return reader_.Ok();
}

bool EmfPlayer::DibOf(std::size_t at, std::uint32_t size, std::uint32_t offBmi, std::uint32_t cbBmi,
                      std::uint32_t offBits, std::uint32_t cbBits, std::vector<std::uint32_t>& info, const BYTE*& bits) {
    if (cbBmi < 40 || offBmi > size || cbBmi > size - offBmi || offBits > size || cbBits > size - offBits) return false;
    info.assign((cbBmi + 3) / 4 + 256, 0);
    std::copy_n(reader_.Data() + at + offBmi, cbBmi, reinterpret_cast<BYTE*>(info.data()));
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
    const std::int64_t width = header->biWidth;
    const std::int64_t height = std::llabs(header->biHeight);
    if (header->biSize < 40 || width <= 0 || height <= 0 || width * height > kMaxMetafileBitmapPixels) return false;
    if (header->biCompression != BI_RGB && header->biCompression != BI_BITFIELDS) return false;
    if (40 + ColorTableBytes(*header) > std::int64_t{cbBmi} + 1024) return false;
    const std::int64_t stride = (width * header->biBitCount + 31) / 32 * 4;
    if (header->biBitCount == 0 || stride * height > cbBits) return false;
    bits = reader_.Data() + at + offBits;
    return true;
}

bool EmfPlayer::Bitmap(std::uint32_t type, std::size_t at, std::uint32_t size) {
    std::vector<std::uint32_t> info;
    const BYTE* bits = nullptr;
    if (type == emr::STRETCHDIBITS) {
        if (size < 80) return false;
        const RECT src{reader_.I32(at + 32), reader_.I32(at + 36), reader_.I32(at + 40), reader_.I32(at + 44)};
        if (!DibOf(at, size, reader_.U32(at + 48), reader_.U32(at + 52), reader_.U32(at + 56), reader_.U32(at + 60),
                   info, bits))
            return false;
        // The source rectangle must lie in the bitmap; a record pointing elsewhere draws nothing.
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
        if (src.left < 0 || src.top < 0 || src.right < 0 || src.bottom < 0 ||
            std::int64_t{src.left} + src.right > header->biWidth ||
            std::int64_t{src.top} + src.bottom > std::llabs(std::int64_t{header->biHeight}))
            return true;
        const POINT p0 = Map(POINT{reader_.I32(at + 24), reader_.I32(at + 28)});
        const POINT p1 = Map(double(reader_.I32(at + 24)) + reader_.I32(at + 72), double(reader_.I32(at + 28)) + reader_.I32(at + 76));
        StretchDIBits(dc_, p0.x, p0.y, p1.x - p0.x, p1.y - p0.y, src.left, src.top, src.right, src.bottom, bits,
                      reinterpret_cast<const BITMAPINFO*>(info.data()), reader_.U32(at + 64), reader_.U32(at + 68));
        return reader_.Ok();
    }
    // ALPHABLEND: the source bits go through a memory context, as the call needs one.
    if (size < 108) return false;
    if (!DibOf(at, size, reader_.U32(at + 84), reader_.U32(at + 88), reader_.U32(at + 92), reader_.U32(at + 96), info,
               bits))
        return false;
    const auto* header = reinterpret_cast<const BITMAPINFO*>(info.data());
    void* pixels = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, header, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!dib) return true;  // a picture this layer cannot hold is left out
    const std::int64_t stride = (std::int64_t{header->bmiHeader.biWidth} * header->bmiHeader.biBitCount + 31) / 32 * 4;
    std::copy_n(bits, stride * std::llabs(header->bmiHeader.biHeight), static_cast<BYTE*>(pixels));
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, dib);
    const POINT p0 = Map(POINT{reader_.I32(at + 24), reader_.I32(at + 28)});
    const POINT p1 = Map(double(reader_.I32(at + 24)) + reader_.I32(at + 32), double(reader_.I32(at + 28)) + reader_.I32(at + 36));
    BLENDFUNCTION blend{reader_.U8(at + 40), reader_.U8(at + 41), reader_.U8(at + 42), reader_.U8(at + 43)};
    AlphaBlend(dc_, p0.x, p0.y, p1.x - p0.x, p1.y - p0.y, source, reader_.I32(at + 44), reader_.I32(at + 48),
               reader_.I32(at + 100), reader_.I32(at + 104), blend);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(dib);
    return reader_.Ok();
}

bool EmfPlayer::Text(std::size_t at, std::uint32_t size) {
    if (size < 76) return false;
    const POINT origin = Map(reader_.Point(at + 36));
    const std::uint32_t chars = reader_.U32(at + 44);
    const std::uint32_t offString = reader_.U32(at + 48);
    const UINT options = reader_.U32(at + 52);
    const RECT box = reader_.Rect(at + 56);
    const std::uint32_t offDx = reader_.U32(at + 72);
    if (offString > size || chars > (size - offString) / 2) return false;
    std::u16string text(chars, u'\0');
    for (std::uint32_t i = 0; i < chars; ++i) text[i] = static_cast<char16_t>(reader_.U16(at + offString + 2 * i));
    const std::string utf8 = Utf8FromUtf16(text);
    // Advances apply per character; they are kept only when each character is one byte.
    std::vector<INT> dx;
    if (offDx != 0 && offDx <= size && chars <= (size - offDx) / 4 && utf8.size() == chars) {
        dx.resize(chars);
        for (std::uint32_t i = 0; i < chars; ++i) dx[i] = MapLength(reader_.I32(at + offDx + 4 * i), sx_);
    }
    const POINT c0 = Map(POINT{box.left, box.top}), c1 = Map(POINT{box.right, box.bottom});
    const RECT mapped{c0.x, c0.y, c1.x, c1.y};
    const bool hasRect = options & (ETO_OPAQUE | ETO_CLIPPED);
    ExtTextOut(dc_, origin.x, origin.y, options, hasRect ? &mapped : nullptr, utf8.data(),
               static_cast<UINT>(utf8.size()), dx.empty() ? nullptr : dx.data());
    return reader_.Ok();
}

bool EmfPlayer::Record(std::uint32_t type, std::size_t at, std::uint32_t size) {
    MetafileByteReader& r = reader_;
    auto value = [&](std::size_t offset) { return size >= offset + 4 ? r.U32(at + offset) : 0; };
    auto needs = [&](std::uint32_t minimum) { return size >= minimum; };
    switch (type) {
    case emr::POLYBEZIER:
    case emr::POLYGON:
    case emr::POLYLINE:
    case emr::POLYBEZIERTO:
    case emr::POLYLINETO: return Poly(type, at, size, false);
    case emr::POLYBEZIER16:
    case emr::POLYGON16:
    case emr::POLYLINE16:
    case emr::POLYBEZIERTO16:
    case emr::POLYLINETO16: return Poly(type, at, size, true);
    case emr::POLYPOLYLINE:
    case emr::POLYPOLYGON: return PolyPoly(type, at, size, false);
    case emr::POLYPOLYLINE16:
    case emr::POLYPOLYGON16: return PolyPoly(type, at, size, true);
    case emr::SETBKMODE: return needs(12) && (SetBkMode(dc_, static_cast<int>(value(8))), true);
    case emr::SETPOLYFILLMODE: return needs(12) && (SetPolyFillMode(dc_, static_cast<int>(value(8))), true);
    case emr::SETROP2: return needs(12) && (SetROP2(dc_, static_cast<int>(value(8))), true);
    case emr::SETSTRETCHBLTMODE: return needs(12) && (SetStretchBltMode(dc_, static_cast<int>(value(8))), true);
    case emr::SETTEXTALIGN: return needs(12) && (SetTextAlign(dc_, value(8)), true);
    case emr::SETTEXTCOLOR: return needs(12) && (SetTextColor(dc_, value(8)), true);
    case emr::SETBKCOLOR: return needs(12) && (SetBkColor(dc_, value(8)), true);
    case emr::MOVETOEX: {
        if (!needs(16)) return false;
        const POINT p = Map(r.Point(at + 8));
        return MoveToEx(dc_, p.x, p.y, nullptr), true;
    }
    case emr::LINETO: {
        if (!needs(16)) return false;
        const POINT p = Map(r.Point(at + 8));
        return LineTo(dc_, p.x, p.y), true;
    }
    case emr::INTERSECTCLIPRECT:
    case emr::EXCLUDECLIPRECT: {
        if (!needs(24)) return false;
        const RECT b = r.Rect(at + 8);
        const POINT p0 = Map(POINT{b.left, b.top}), p1 = Map(POINT{b.right, b.bottom});
        if (type == emr::INTERSECTCLIPRECT) IntersectClipRect(dc_, p0.x, p0.y, p1.x, p1.y);
        else ExcludeClipRect(dc_, p0.x, p0.y, p1.x, p1.y);
        return true;
    }
    case emr::SETWINDOWORGEX: return needs(16) && (windowOrg_ = r.Point(at + 8), true);
    case emr::SETVIEWPORTORGEX: return needs(16) && (viewportOrg_ = r.Point(at + 8), true);
    case emr::SAVEDC:
        SaveDC(dc_);
        ++saveDepth_;
        return true;
    case emr::RESTOREDC: {
        if (!needs(12)) return false;
        const int relative = static_cast<int>(value(8));
        // Only the states this metafile saved may be restored.
        if (relative >= 0 || relative < -saveDepth_) return true;
        RestoreDC(dc_, relative);
        saveDepth_ += relative;
        return true;
    }
    case emr::SELECTOBJECT: {
        if (!needs(12)) return false;
        if (HGDIOBJ object = ObjectAt(value(8))) SelectObject(dc_, object);
        return true;
    }
    case emr::DELETEOBJECT: {
        if (!needs(12)) return false;
        const std::uint32_t index = value(8);
        if (index != 0 && index < objects_.size() && objects_[index]) {
            DeleteObject(objects_[index]);  // waits while selected
            objects_[index] = nullptr;
        }
        return true;
    }
    case emr::CREATEPEN: {
        if (!needs(28)) return false;
        const int width = PenWidth(r.I32(at + 16));
        return CreateObject(value(8), CreatePen(static_cast<int>(value(12)), width, value(24))) || true;
    }
    case emr::EXTCREATEPEN: {
        if (!needs(52)) return false;
        LOGBRUSH brush;
        brush.lbStyle = value(36);
        brush.lbColor = value(40);
        // User dash styles carry no dashes here; such pens draw solid.
        const DWORD recorded = value(28);
        const DWORD dash = (recorded & PS_STYLE_MASK) == PS_USERSTYLE ? PS_SOLID : (recorded & PS_STYLE_MASK);
        const DWORD style = (recorded & ~static_cast<DWORD>(PS_STYLE_MASK)) | dash;
        const auto width = static_cast<DWORD>(PenWidth(value(32)));
        return CreateObject(value(8), ExtCreatePen(style, width, &brush, 0, nullptr)) || true;
    }
    case emr::CREATEBRUSHINDIRECT: {
        if (!needs(24)) return false;
        LOGBRUSH brush;
        brush.lbStyle = value(12);
        brush.lbColor = value(16);
        brush.lbHatch = value(20);
        if (brush.lbStyle != BS_SOLID && brush.lbStyle != BS_NULL && brush.lbStyle != BS_HATCHED) brush.lbStyle = BS_SOLID;
        return CreateObject(value(8), CreateBrushIndirect(&brush)) || true;
    }
    case emr::EXTCREATEFONTINDIRECTW: {
        if (!needs(12 + 92)) return false;
        LOGFONT lf;
        lf.lfHeight = MapLength(r.I32(at + 12), sy_);  // keeps the sign: cell or character height
        lf.lfWidth = MapLength(r.I32(at + 16), sx_);
        lf.lfEscapement = r.I32(at + 20);
        lf.lfOrientation = r.I32(at + 24);
        lf.lfWeight = r.I32(at + 28);
        lf.lfItalic = r.U8(at + 32);
        lf.lfUnderline = r.U8(at + 33);
        lf.lfStrikeOut = r.U8(at + 34);
        lf.lfCharSet = r.U8(at + 35);
        lf.lfOutPrecision = r.U8(at + 36);
        lf.lfClipPrecision = r.U8(at + 37);
        lf.lfQuality = r.U8(at + 38);
        lf.lfPitchAndFamily = r.U8(at + 39);
        std::u16string face;
        for (int i = 0; i < 32; ++i) {
            const char16_t c = static_cast<char16_t>(r.U16(at + 40 + 2 * i));
            if (c == 0) break;
            face.push_back(c);
        }
        const std::string name = Utf8FromUtf16(face).substr(0, LF_FACESIZE - 1);
        std::copy(name.begin(), name.end(), lf.lfFaceName);
        return CreateObject(value(8), CreateFontIndirect(&lf)) || true;
    }
    case emr::RECTANGLE:
    case emr::ELLIPSE: {
        if (!needs(24)) return false;
        const RECT b = r.Rect(at + 8);
        const POINT p0 = Map(POINT{b.left, b.top}), p1 = Map(POINT{b.right, b.bottom});
        if (type == emr::RECTANGLE) Rectangle(dc_, p0.x, p0.y, p1.x, p1.y);
        else Ellipse(dc_, p0.x, p0.y, p1.x, p1.y);
        return true;
    }
    case emr::BEGINPATH: return BeginPath(dc_), true;
    case emr::ENDPATH: return EndPath(dc_), true;
    case emr::CLOSEFIGURE: return CloseFigure(dc_), true;
    case emr::ABORTPATH: return AbortPath(dc_), true;
    case emr::FILLPATH: return FillPath(dc_), true;
    case emr::STROKEPATH: return StrokePath(dc_), true;
    case emr::STROKEANDFILLPATH: return StrokeAndFillPath(dc_), true;
    case emr::SELECTCLIPPATH: return needs(12) && (SelectClipPath(dc_, static_cast<int>(value(8))), true);
    case emr::EXTSELECTCLIPRGN: return ClipRegion(at, size);
    case emr::STRETCHDIBITS:
    case emr::ALPHABLEND: return Bitmap(type, at, size);
    case emr::EXTTEXTOUTW: return Text(at, size);
    default: return true;  // records without a picture of their own here (comments, modes)
    }
}

}  // namespace

BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect) {
    const EnhMetaFile* live = ResolveEmf(metafile);
    if (!live || !rect || !ResolveHandle(dc)) return 0;
    EmfPlayer player(dc, live->Bytes().data(), live->Bytes().size());
    return player.Play(*rect) ? 1 : 0;
}

}  // namespace parch
