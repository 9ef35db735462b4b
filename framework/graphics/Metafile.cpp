#include "framework/graphics/Metafile.h"

#include <algorithm>
#include <cmath>

#include "base/Streams.h"
#include "base/SysUtils.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/MetafileBytes.h"

namespace parch {
namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::int64_t kMaxMetafileStream = std::int64_t{1} << 30;

int HundredthsMm(int pixels, int inch) {
    return static_cast<int>(std::lround(pixels * 2540.0 / std::max(inch, 1)));
}

std::vector<BYTE> ReadAll(TStream& stream) {
    const std::int64_t left = stream.GetSize() - stream.GetPosition();
    if (left <= 0 || left > kMaxMetafileStream) throw EInvalidGraphic("The metafile is empty or too large");
    std::vector<BYTE> bytes(static_cast<std::size_t>(left));
    stream.ReadBuffer(bytes.data(), left);
    return bytes;
}

}  // namespace

TMetafile::TMetafile() = default;

TMetafile::~TMetafile() { Clear(); }

void TMetafile::Clear() {
    if (handle_) DeleteEnhMetaFile(handle_);
    handle_ = nullptr;
    wmf_.clear();
}

void TMetafile::SetSize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    mmWidth_ = HundredthsMm(width_, inch_);
    mmHeight_ = HundredthsMm(height_, inch_);
    Changed();
}

void TMetafile::SetMMWidth(int value) {
    mmWidth_ = std::max(value, 0);
    width_ = static_cast<int>(std::lround(mmWidth_ * inch_ / 2540.0));
    Changed();
}

void TMetafile::SetMMHeight(int value) {
    mmHeight_ = std::max(value, 0);
    height_ = static_cast<int>(std::lround(mmHeight_ * inch_ / 2540.0));
    Changed();
}

void TMetafile::SetEnhanced(bool enhanced) {
    enhanced_ = enhanced;
    Changed();
}

void TMetafile::SetHandle(HENHMETAFILE metafile, int inch) {
    if (metafile == handle_) return;
    Clear();
    handle_ = metafile;
    inch_ = std::max(inch, 1);
    ENHMETAHEADER header;
    if (handle_ && GetEnhMetaFileHeader(handle_, sizeof header, &header)) {
        mmWidth_ = header.rclFrame.right - header.rclFrame.left;
        mmHeight_ = header.rclFrame.bottom - header.rclFrame.top;
        // The pixel size at the resolution the recording's reference device had.
        const double pxPerMmX = header.szlMillimeters.cx > 0 ? double(header.szlDevice.cx) / header.szlMillimeters.cx : inch_ / 25.4;
        const double pxPerMmY = header.szlMillimeters.cy > 0 ? double(header.szlDevice.cy) / header.szlMillimeters.cy : inch_ / 25.4;
        width_ = static_cast<int>(std::lround(mmWidth_ / 100.0 * pxPerMmX));
        height_ = static_cast<int>(std::lround(mmHeight_ / 100.0 * pxPerMmY));
        inch_ = static_cast<int>(std::lround(pxPerMmX * 25.4));
    }
    Changed();
}

void TMetafile::Draw(TCanvas& canvas, const RECT& rect) {
    if (handle_) {
        PlayEnhMetaFile(canvas.Handle(), handle_, &rect);
        return;
    }
    if (wmf_.empty()) return;
    HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(wmf_.size()), wmf_.data());
    if (!metafile) return;
    PlayMetaFileInRect(canvas.Handle(), metafile, RECT{0, 0, width_, height_}, rect);
    DeleteMetaFile(metafile);
}

void TMetafile::LoadEnhanced(const std::vector<BYTE>& bytes) {
    HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    if (!metafile) throw EInvalidGraphic("The enhanced metafile header is not valid");
    SetHandle(metafile);
    enhanced_ = true;
}

// A placeable WMF: the key, a bounding box in its own units, and those units per inch.
void TMetafile::LoadPlaceable(const std::vector<BYTE>& bytes) {
    MetafileByteReader r(bytes.data(), bytes.size());
    const RECT box{r.I16(6), r.I16(8), r.I16(10), r.I16(12)};
    const int inch = r.U16(14);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) checksum ^= r.U16(i);
    if (!r.Ok() || inch == 0 || checksum != r.U16(20) || box.right <= box.left || box.bottom <= box.top)
        throw EInvalidGraphic("The placeable metafile header is not valid");
    std::vector<BYTE> records(bytes.begin() + kPlaceableSize, bytes.end());
    HMETAFILE check = SetMetaFileBitsEx(static_cast<UINT>(records.size()), records.data());
    if (!check) throw EInvalidGraphic("The metafile header is not valid");
    DeleteMetaFile(check);
    Clear();
    wmf_ = std::move(records);
    enhanced_ = false;
    inch_ = inch;
    width_ = box.right - box.left;
    height_ = box.bottom - box.top;
    mmWidth_ = HundredthsMm(width_, inch_);
    mmHeight_ = HundredthsMm(height_, inch_);
    Changed();
}

void TMetafile::LoadFromStream(TStream& stream) {
    const std::vector<BYTE> bytes = ReadAll(stream);
    MetafileByteReader r(bytes.data(), bytes.size());
    if (bytes.size() > kPlaceableSize && r.U32(0) == kPlaceableKey) return LoadPlaceable(bytes);
    if (bytes.size() >= 88 && r.U32(0) == 1 && r.U32(40) == 0x464D4520) return LoadEnhanced(bytes);
    throw EInvalidGraphic("The data is not a metafile");
}

std::vector<BYTE> TMetafile::WmfRecords() const {
    if (!wmf_.empty()) return wmf_;
    std::vector<BYTE> records(GetWinMetaFileBits(handle_, 0, nullptr, MM_ANISOTROPIC, nullptr));
    if (!records.empty()) GetWinMetaFileBits(handle_, static_cast<UINT>(records.size()), records.data(), MM_ANISOTROPIC, nullptr);
    return records;
}

void TMetafile::SaveToStream(TStream& stream) {
    if (Empty()) return;
    if (enhanced_ && handle_) {
        std::vector<BYTE> bytes(GetEnhMetaFileBits(handle_, 0, nullptr));
        GetEnhMetaFileBits(handle_, static_cast<UINT>(bytes.size()), bytes.data());
        stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        return;
    }
    const std::vector<BYTE> records = WmfRecords();
    if (records.empty()) throw EInvalidGraphicOperation("The metafile cannot be converted");
    // The records are in the reference device's pixels; the bounding box says so.
    MetafileByteWriter header;
    header.U32(kPlaceableKey);
    header.U16(0);
    header.I16(0);
    header.I16(0);
    header.I16(static_cast<std::int16_t>(std::min(width_, 32767)));
    header.I16(static_cast<std::int16_t>(std::min(height_, 32767)));
    header.U16(static_cast<std::uint16_t>(std::clamp(inch_, 1, 65535)));
    header.U32(0);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2)
        checksum ^= static_cast<std::uint16_t>(header.Bytes()[i] | (header.Bytes()[i + 1] << 8));
    header.U16(checksum);
    stream.WriteBuffer(header.Bytes().data(), static_cast<std::int64_t>(header.Size()));
    stream.WriteBuffer(records.data(), static_cast<std::int64_t>(records.size()));
}

void TMetafile::Assign(TGraphic* source) {
    if (source == this) return;
    if (!source) {
        Clear();
        width_ = height_ = mmWidth_ = mmHeight_ = 0;
        Changed();
        return;
    }
    auto* other = dynamic_cast<TMetafile*>(source);
    if (!other) throw EConvertError("Cannot assign a picture of another kind to a TMetafile");
    Clear();
    if (other->handle_) {
        std::vector<BYTE> bytes(GetEnhMetaFileBits(other->handle_, 0, nullptr));
        GetEnhMetaFileBits(other->handle_, static_cast<UINT>(bytes.size()), bytes.data());
        handle_ = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    }
    wmf_ = other->wmf_;
    enhanced_ = other->enhanced_;
    width_ = other->width_;
    height_ = other->height_;
    mmWidth_ = other->mmWidth_;
    mmHeight_ = other->mmHeight_;
    inch_ = other->inch_;
    Changed();
}

// ---- TMetafileCanvas ----

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, HDC referenceDC)
    : TMetafileCanvas(metafile, referenceDC, {}, {}) {}

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, HDC referenceDC, const std::string& creator,
                                 const std::string& description)
    : metafile_(metafile) {
    // The frame comes from the reference device's own resolution, the one the recorder
    // describes in the header, so readers size the picture as it was drawn.
    inch_ = referenceDC ? std::max(GetDeviceCaps(referenceDC, LOGPIXELSX), 1) : 96;
    const RECT frame{0, 0, HundredthsMm(metafile.Width(), inch_), HundredthsMm(metafile.Height(), inch_)};
    std::string text;
    if (!creator.empty() || !description.empty()) text = creator + '\0' + description;
    recording_ = CreateEnhMetaFile(referenceDC, nullptr, metafile.Width() > 0 && metafile.Height() > 0 ? &frame : nullptr,
                                   text.empty() ? nullptr : text.c_str());
    if (!recording_) throw EInvalidGraphicOperation("A metafile recording could not be started");
    SetHandle(recording_);
}

TMetafileCanvas::~TMetafileCanvas() {
    SetHandle(nullptr);  // the tools go back to the stock objects, recorded as such
    const int width = metafile_.Width(), height = metafile_.Height();
    const bool enhanced = metafile_.Enhanced();
    HENHMETAFILE recorded = CloseEnhMetaFile(recording_);
    metafile_.SetHandle(recorded, inch_);
    metafile_.SetEnhanced(enhanced);
    if (width > 0 && height > 0 && (metafile_.Width() != width || metafile_.Height() != height))
        metafile_.SetSize(width, height);
}

}  // namespace parch
