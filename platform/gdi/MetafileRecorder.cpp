#include "platform/gdi/MetafileRecorder.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EmfRecordTypes.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/PensBrushes.h"

namespace parch {
namespace {

constexpr std::uint32_t kNoObject = 0;
constexpr int kMetafileStockCount = 20;

// The stock index of an object, or -1.
int StockIndexOf(GdiObject* object) {
    if (!object->IsStock()) return -1;
    for (int i = 0; i < kMetafileStockCount; ++i)
        if (GetStockObject(i) == object) return i;
    return -1;
}

bool Fits16(const POINT* points, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i)
        if (points[i].x < INT16_MIN || points[i].x > INT16_MAX || points[i].y < INT16_MIN || points[i].y > INT16_MAX)
            return false;
    return true;
}

// Rounded millimetres of `pixels` at `dpi`.
LONG PixelsToHundredthsMm(std::int64_t pixels, int dpi) {
    return static_cast<LONG>((pixels * 2540 + dpi / 2) / std::max(dpi, 1));
}

}  // namespace

MetafileRecorder::MetafileRecorder(int dpiX, int dpiY, const RECT* frame, const std::u16string& description)
    : dpiX_(std::max(dpiX, 1)), dpiY_(std::max(dpiY, 1)), slots_(1, true) {
    out_.Bytes().reserve(std::size_t{1} << 16);  // a page's records grow without many moves
    if (frame) {
        frameGiven_ = true;
        frame_ = *frame;
    }
    const std::size_t start = Begin(emr::HEADER);
    out_.Zeros(emr::kHeaderSize - 8);
    if (!description.empty()) {
        for (char16_t c : description) out_.U16(c);
        out_.U16(0);
        out_.U16(0);  // descriptions end with two nulls
        out_.PatchU32(start + 60, static_cast<std::uint32_t>(description.size() + 2));
        out_.PatchU32(start + 64, emr::kHeaderSize);
    }
    End(start);
}

std::size_t MetafileRecorder::Begin(std::uint32_t type) {
    const std::size_t start = out_.Size();
    out_.U32(type);
    out_.U32(0);
    return start;
}

// Every record is a whole number of 32-bit words; its size says so.
void MetafileRecorder::End(std::size_t start) {
    out_.PadTo(4);
    out_.PatchU32(start + 4, static_cast<std::uint32_t>(out_.Size() - start));
    ++records_;
}

void MetafileRecorder::Include(DeviceContext& dc, POINT logical, int margin) {
    const POINT p = dc.ToDevice(logical);
    const RECT r{p.x - margin, p.y - margin, p.x + margin, p.y + margin};
    if (!hasBounds_) {
        bounds_ = r;
        hasBounds_ = true;
        return;
    }
    bounds_.left = std::min(bounds_.left, r.left);
    bounds_.top = std::min(bounds_.top, r.top);
    bounds_.right = std::max(bounds_.right, r.right);
    bounds_.bottom = std::max(bounds_.bottom, r.bottom);
}

std::vector<BYTE> MetafileRecorder::Finish() {
    // Objects still selected or held by saved states end with the recording.
    for (std::uint32_t i = 1; i < slots_.size(); ++i)
        if (slots_[i]) {
            const std::size_t start = Begin(emr::DELETEOBJECT);
            out_.U32(i);
            End(start);
        }
    const std::size_t eof = Begin(emr::EOF_);
    out_.U32(0);
    out_.U32(16);
    out_.U32(20);
    End(eof);

    // The reference device described exactly at its resolution: 20 inches each way, so the
    // pixels-per-millimetre ratio that readers derive from it is the reference's own.
    const SIZE device{20 * dpiX_, 20 * dpiY_};
    const SIZE millimeters{508, 508};
    // With a frame given, the bounds are the picture it describes: readers that size the
    // picture by the bounds then show it whole and in place, and drawing outside it is cut.
    if (frameGiven_) {
        bounds_ = RECT{static_cast<LONG>(std::int64_t{frame_.left} * dpiX_ / 2540),
                       static_cast<LONG>(std::int64_t{frame_.top} * dpiY_ / 2540),
                       static_cast<LONG>((std::int64_t{frame_.right} * dpiX_ + 1270) / 2540),
                       static_cast<LONG>((std::int64_t{frame_.bottom} * dpiY_ + 1270) / 2540)};
        hasBounds_ = true;
    }
    RECT bounds = hasBounds_ ? bounds_ : RECT{0, 0, -1, -1};
    if (hasBounds_) {
        bounds.right -= 1;  // inclusive
        bounds.bottom -= 1;
    }
    RECT frame = frame_;
    if (!frameGiven_) {
        frame = hasBounds_ ? RECT{PixelsToHundredthsMm(bounds_.left, dpiX_), PixelsToHundredthsMm(bounds_.top, dpiY_),
                                  PixelsToHundredthsMm(bounds_.right, dpiX_), PixelsToHundredthsMm(bounds_.bottom, dpiY_)}
                           : RECT{0, 0, 0, 0};
    }
    out_.PatchU32(8, static_cast<std::uint32_t>(bounds.left));
    out_.PatchU32(12, static_cast<std::uint32_t>(bounds.top));
    out_.PatchU32(16, static_cast<std::uint32_t>(bounds.right));
    out_.PatchU32(20, static_cast<std::uint32_t>(bounds.bottom));
    out_.PatchU32(24, static_cast<std::uint32_t>(frame.left));
    out_.PatchU32(28, static_cast<std::uint32_t>(frame.top));
    out_.PatchU32(32, static_cast<std::uint32_t>(frame.right));
    out_.PatchU32(36, static_cast<std::uint32_t>(frame.bottom));
    out_.PatchU32(40, 0x464D4520);
    out_.PatchU32(44, 0x10000);
    out_.PatchU32(48, static_cast<std::uint32_t>(out_.Size()));
    out_.PatchU32(52, records_);
    out_.PatchU16(56, static_cast<std::uint16_t>(std::min<std::size_t>(slots_.size(), 0xFFFF)));
    out_.PatchU16(58, 0);
    out_.PatchU32(68, 0);  // nPalEntries
    out_.PatchU32(72, static_cast<std::uint32_t>(device.cx));
    out_.PatchU32(76, static_cast<std::uint32_t>(device.cy));
    out_.PatchU32(80, static_cast<std::uint32_t>(millimeters.cx));
    out_.PatchU32(84, static_cast<std::uint32_t>(millimeters.cy));
    out_.PatchU32(88, 0);  // no pixel format
    out_.PatchU32(92, 0);
    out_.PatchU32(96, 0);  // no OpenGL
    out_.PatchU32(100, static_cast<std::uint32_t>(millimeters.cx * 1000));
    out_.PatchU32(104, static_cast<std::uint32_t>(millimeters.cy * 1000));
    return std::move(out_.Bytes());
}

// ---- objects ----

std::uint32_t MetafileRecorder::AllocateIndex() {
    for (std::uint32_t i = 1; i < slots_.size(); ++i)
        if (!slots_[i]) {
            slots_[i] = true;
            return i;
        }
    slots_.push_back(true);
    return static_cast<std::uint32_t>(slots_.size() - 1);
}

bool MetafileRecorder::InUse(std::uint32_t index) const {
    if (current_.pen == index || current_.brush == index || current_.font == index) return true;
    return std::any_of(saved_.begin(), saved_.end(), [index](const Selection& s) {
        return s.pen == index || s.brush == index || s.font == index;
    });
}

// Deletes a metafile object nothing uses any more. One still selected is released again when
// it is deselected; one only a saved state holds waits for that state's restore.
void MetafileRecorder::Release(std::uint32_t index) {
    if (index == kNoObject || (index & emr::kStockObject)) return;
    if (current_.pen == index || current_.brush == index || current_.font == index) return;
    if (InUse(index)) {
        if (std::find(unused_.begin(), unused_.end(), index) == unused_.end()) unused_.push_back(index);
        return;
    }
    unused_.erase(std::remove(unused_.begin(), unused_.end(), index), unused_.end());
    const std::size_t start = Begin(emr::DELETEOBJECT);
    out_.U32(index);
    End(start);
    slots_[index] = false;
}

std::uint32_t MetafileRecorder::CreateObjectRecord(GdiObject* object) {
    const int stock = StockIndexOf(object);
    if (stock >= 0) return emr::kStockObject | static_cast<std::uint32_t>(stock);
    const std::uint32_t index = AllocateIndex();
    switch (object->Kind()) {
    case GdiObjectKind::Pen: {
        auto* pen = static_cast<GdiPen*>(object);
        if (pen->ObjectType() == OBJ_PEN) {
            const std::size_t start = Begin(emr::CREATEPEN);
            out_.U32(index);
            out_.U32(pen->Style());
            out_.I32(pen->Width());
            out_.I32(0);
            out_.U32(pen->Color());
            End(start);
        } else {
            // Geometric pens keep their caps and joins; user dash styles are not carried.
            const std::size_t start = Begin(emr::EXTCREATEPEN);
            out_.U32(index);
            out_.Zeros(16);  // no brush bitmap
            const DWORD style = pen->Style() == PS_USERSTYLE ? PS_SOLID : pen->Style();
            out_.U32(PS_GEOMETRIC | style | pen->EndCap() | pen->Join());
            out_.U32(static_cast<std::uint32_t>(pen->Width()));
            out_.U32(BS_SOLID);
            out_.U32(pen->Color());
            out_.U32(0);
            out_.U32(0);
            End(start);
        }
        break;
    }
    case GdiObjectKind::Brush: {
        auto* brush = static_cast<GdiBrush*>(object);
        const std::size_t start = Begin(emr::CREATEBRUSHINDIRECT);
        out_.U32(index);
        // Pattern brushes are written as solid ones of their colour.
        const UINT style = brush->Style() == BS_NULL || brush->Style() == BS_HATCHED ? brush->Style() : BS_SOLID;
        out_.U32(style);
        out_.U32(brush->Color());
        out_.U32(static_cast<std::uint32_t>(brush->Hatch()));
        End(start);
        break;
    }
    case GdiObjectKind::Font: {
        const LOGFONT& lf = static_cast<GdiFont*>(object)->Logical();
        const std::size_t start = Begin(emr::EXTCREATEFONTINDIRECTW);
        out_.U32(index);
        out_.I32(lf.lfHeight);
        out_.I32(lf.lfWidth);
        out_.I32(lf.lfEscapement);
        out_.I32(lf.lfOrientation);
        out_.I32(lf.lfWeight);
        for (BYTE b : {lf.lfItalic, lf.lfUnderline, lf.lfStrikeOut, lf.lfCharSet, lf.lfOutPrecision,
                       lf.lfClipPrecision, lf.lfQuality, lf.lfPitchAndFamily})
            out_.U8(b);
        // Face names are ANSI here; the record holds 32 UTF-16 units.
        for (int i = 0; i < 32; ++i) out_.U16(i < LF_FACESIZE ? static_cast<BYTE>(lf.lfFaceName[i]) : 0);
        out_.Zeros(320 - 92);  // the rest of the LogFontPanose form readers expect
        End(start);
        break;
    }
    default: slots_[index] = false; return kNoObject;
    }
    return index;
}

void MetafileRecorder::Select(GdiObject* object) {
    std::uint32_t* slot = nullptr;
    switch (object->Kind()) {
    case GdiObjectKind::Pen: slot = &current_.pen; break;
    case GdiObjectKind::Brush: slot = &current_.brush; break;
    case GdiObjectKind::Font: slot = &current_.font; break;
    default: return;  // bitmaps and palettes do not reach the picture
    }
    const std::uint32_t index = CreateObjectRecord(object);
    if (index == kNoObject) return;
    const std::size_t start = Begin(emr::SELECTOBJECT);
    out_.U32(index);
    End(start);
    const std::uint32_t previous = *slot;
    *slot = index;
    Release(previous);
}

void MetafileRecorder::SaveDC() {
    saved_.push_back(current_);
    Bare(emr::SAVEDC);
}

void MetafileRecorder::RestoreDC(int saved) {
    const int count = static_cast<int>(saved_.size());
    const int index = saved > 0 ? saved : count + 1 + saved;
    if (saved == 0 || index < 1 || index > count) return;
    const std::size_t start = Begin(emr::RESTOREDC);
    out_.I32(index - 1 - count);  // always relative
    End(start);
    const Selection before = current_;
    current_ = saved_[static_cast<std::size_t>(index - 1)];
    saved_.resize(static_cast<std::size_t>(index - 1));
    std::vector<std::uint32_t> waiting = unused_;
    for (std::uint32_t object : {before.pen, before.brush, before.font}) waiting.push_back(object);
    for (std::uint32_t object : waiting) Release(object);
}

void MetafileRecorder::SetValue(std::uint32_t type, std::uint32_t value) {
    const std::size_t start = Begin(type);
    out_.U32(value);
    End(start);
}

void MetafileRecorder::SetPoint(std::uint32_t type, POINT p) {
    const std::size_t start = Begin(type);
    out_.Point(p);
    End(start);
}

void MetafileRecorder::SetMiterLimit(float limit) {
    SetValue(emr::SETMITERLIMIT, static_cast<std::uint32_t>(std::max(1.0f, limit)));
}

// ---- drawing ----

void MetafileRecorder::MoveTo(DeviceContext& dc, POINT p) {
    Include(dc, p, 1);
    SetPoint(emr::MOVETOEX, p);
}

void MetafileRecorder::LineTo(DeviceContext& dc, POINT p) {
    Include(dc, dc.State().currentPosition, 1);
    Include(dc, p, 1);
    SetPoint(emr::LINETO, p);
}

void MetafileRecorder::Poly(DeviceContext& dc, std::uint32_t type32, std::uint32_t type16, const POINT* points,
                            std::uint32_t count) {
    const bool small = Fits16(points, count);
    const std::size_t start = Begin(small ? type16 : type32);
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (std::uint32_t i = 0; i < count; ++i) {
        box.left = std::min(box.left, points[i].x);
        box.top = std::min(box.top, points[i].y);
        box.right = std::max(box.right, points[i].x);
        box.bottom = std::max(box.bottom, points[i].y);
        Include(dc, points[i], 1);
    }
    if (count == 0) box = RECT{};
    out_.Rect(box);
    out_.U32(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (small) {
            out_.I16(static_cast<std::int16_t>(points[i].x));
            out_.I16(static_cast<std::int16_t>(points[i].y));
        } else {
            out_.Point(points[i]);
        }
    }
    End(start);
}

void MetafileRecorder::PolyPoly(DeviceContext& dc, std::uint32_t type32, std::uint32_t type16, const POINT* points,
                                const INT* counts, std::uint32_t polygons) {
    std::uint32_t total = 0;
    for (std::uint32_t i = 0; i < polygons; ++i) total += static_cast<std::uint32_t>(counts[i]);
    const bool small = Fits16(points, total);
    const std::size_t start = Begin(small ? type16 : type32);
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (std::uint32_t i = 0; i < total; ++i) {
        box.left = std::min(box.left, points[i].x);
        box.top = std::min(box.top, points[i].y);
        box.right = std::max(box.right, points[i].x);
        box.bottom = std::max(box.bottom, points[i].y);
        Include(dc, points[i], 1);
    }
    if (total == 0) box = RECT{};
    out_.Rect(box);
    out_.U32(polygons);
    out_.U32(total);
    for (std::uint32_t i = 0; i < polygons; ++i) out_.U32(static_cast<std::uint32_t>(counts[i]));
    for (std::uint32_t i = 0; i < total; ++i) {
        if (small) {
            out_.I16(static_cast<std::int16_t>(points[i].x));
            out_.I16(static_cast<std::int16_t>(points[i].y));
        } else {
            out_.Point(points[i]);
        }
    }
    End(start);
}

void MetafileRecorder::Box(DeviceContext& dc, std::uint32_t type, const RECT& box) {
    Include(dc, POINT{box.left, box.top}, 1);
    Include(dc, POINT{box.right, box.bottom}, 1);
    const std::size_t start = Begin(type);
    out_.Rect(box);
    End(start);
}

void MetafileRecorder::Bare(std::uint32_t type) {
    const std::size_t start = Begin(type);
    End(start);
}

// The path's extent is not tracked point by point; the frame given at creation bounds it.
void MetafileRecorder::PathPaint(DeviceContext&, std::uint32_t type) {
    const std::size_t start = Begin(type);
    out_.Rect(RECT{0, 0, -1, -1});
    End(start);
}

void MetafileRecorder::SelectClipPath(int mode) { SetValue(emr::SELECTCLIPPATH, static_cast<std::uint32_t>(mode)); }

void MetafileRecorder::ClipRect(std::uint32_t type, const RECT& rect) {
    const std::size_t start = Begin(type);
    out_.Rect(rect);
    End(start);
}

void MetafileRecorder::SelectClipRegion(const std::vector<RECT>& rects, int mode) {
    const std::size_t start = Begin(emr::EXTSELECTCLIPRGN);
    const std::uint32_t dataSize = rects.empty() && mode == RGN_COPY ? 0 : 32 + 16 * static_cast<std::uint32_t>(rects.size());
    out_.U32(dataSize);
    out_.U32(static_cast<std::uint32_t>(mode));
    if (dataSize != 0) {
        RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (const RECT& r : rects) {
            box.left = std::min(box.left, r.left);
            box.top = std::min(box.top, r.top);
            box.right = std::max(box.right, r.right);
            box.bottom = std::max(box.bottom, r.bottom);
        }
        if (rects.empty()) box = RECT{};
        out_.U32(32);
        out_.U32(RDH_RECTANGLES);
        out_.U32(static_cast<std::uint32_t>(rects.size()));
        out_.U32(16 * static_cast<std::uint32_t>(rects.size()));
        out_.Rect(box);
        for (const RECT& r : rects) out_.Rect(r);
    }
    End(start);
}

// FillRect as a filled rectangular path: a path covers left..right-1 as FillRect does, and
// keeps doing so when the picture is played stretched.
void MetafileRecorder::FillRect(DeviceContext& dc, const RECT& rect, GdiObject* brush) {
    SaveDC();
    Select(brush);
    Bare(emr::BEGINPATH);
    const POINT corners[] = {{rect.left, rect.top}, {rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left, rect.bottom}};
    Poly(dc, emr::POLYGON, emr::POLYGON16, corners, 4);
    Bare(emr::ENDPATH);
    PathPaint(dc, emr::FILLPATH);
    RestoreDC(-1);
}

void MetafileRecorder::StretchPixels(DeviceContext& dc, const RECT& d, int width, int height,
                                     const std::vector<BYTE>& pixels, DWORD rop, bool blendAlpha, BYTE constantAlpha) {
    Include(dc, POINT{d.left, d.top}, 0);
    Include(dc, POINT{d.right, d.bottom}, 0);
    const std::uint32_t bmiSize = 40;
    const auto bitsSize = static_cast<std::uint32_t>(pixels.size());
    const std::uint32_t fixed = blendAlpha ? 108 : 80;
    const std::size_t start = Begin(blendAlpha ? emr::ALPHABLEND : emr::STRETCHDIBITS);
    out_.Rect(RECT{std::min(d.left, d.right), std::min(d.top, d.bottom), std::max(d.left, d.right) - 1,
                   std::max(d.top, d.bottom) - 1});
    if (blendAlpha) {
        out_.I32(d.left);
        out_.I32(d.top);
        out_.I32(d.right - d.left);
        out_.I32(d.bottom - d.top);
        out_.U8(AC_SRC_OVER);
        out_.U8(0);
        out_.U8(constantAlpha);
        out_.U8(AC_SRC_ALPHA);
        out_.I32(0);  // xSrc
        out_.I32(0);  // ySrc
        for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) out_.F32(f);
        out_.U32(0);  // background colour
        out_.U32(DIB_RGB_COLORS);
        out_.U32(fixed);
        out_.U32(bmiSize);
        out_.U32(fixed + bmiSize);
        out_.U32(bitsSize);
        out_.I32(width);
        out_.I32(height);
    } else {
        out_.I32(d.left);
        out_.I32(d.top);
        out_.I32(0);
        out_.I32(0);
        out_.I32(width);
        out_.I32(height);
        out_.U32(fixed);
        out_.U32(bmiSize);
        out_.U32(fixed + bmiSize);
        out_.U32(bitsSize);
        out_.U32(DIB_RGB_COLORS);
        out_.U32(rop);
        out_.I32(d.right - d.left);
        out_.I32(d.bottom - d.top);
    }
    // A bottom-up 32-bit DIB: the layout every reader knows.
    out_.U32(40);
    out_.I32(width);
    out_.I32(height);
    out_.U16(1);
    out_.U16(32);
    out_.U32(BI_RGB);
    out_.U32(bitsSize);
    out_.Zeros(16);
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    for (int y = height - 1; y >= 0; --y) out_.Raw(pixels.data() + stride * static_cast<std::size_t>(y), stride);
    End(start);
}

void MetafileRecorder::TextOut(DeviceContext& dc, POINT origin, UINT options, const RECT* rect,
                               const std::u16string& text, const INT* dx) {
    Include(dc, origin, 0);
    if (rect) {
        Include(dc, POINT{rect->left, rect->top}, 0);
        Include(dc, POINT{rect->right, rect->bottom}, 0);
    }
    const auto chars = static_cast<std::uint32_t>(text.size());
    const std::uint32_t fixed = 76;
    const std::uint32_t stringBytes = (chars * 2 + 3) / 4 * 4;
    const std::size_t start = Begin(emr::EXTTEXTOUTW);
    out_.Rect(RECT{0, 0, -1, -1});
    out_.U32(1);  // GM_COMPATIBLE
    out_.F32(0);
    out_.F32(0);
    out_.Point(origin);
    out_.U32(chars);
    out_.U32(fixed);
    out_.U32(options);
    out_.Rect(rect ? *rect : RECT{});
    out_.U32(dx ? fixed + stringBytes : 0);
    for (char16_t c : text) out_.U16(c);
    out_.PadTo(4);
    if (dx)
        for (std::uint32_t i = 0; i < chars; ++i) out_.I32(dx[i]);
    End(start);
}

void MetafileRecorder::Comment(const BYTE* data, std::uint32_t size) {
    const std::size_t start = Begin(emr::GDICOMMENT);
    out_.U32(size);
    out_.Raw(data, size);
    End(start);
}

}  // namespace parch
