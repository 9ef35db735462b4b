// Exchange of the 32-bit bitmap with the framework's pictures, with 32-bit BMP data and with
// the streamed "Data" property.

#include <cstring>
#include <limits>

#include "base/Exceptions.h"
#include "base/Streams.h"
#include "bitmap32/Bitmap32.h"
#include "bitmap32/Bitmap32Backends.h"
#include "bitmap32/LowLevel.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Canvas.h"
#include "framework/graphics/Graphic.h"
#include "framework/graphics/Picture.h"

namespace parch {

namespace {

// Pixel data a stream may ask a bitmap to allocate.
constexpr std::int64_t kMaxStoragePixelBytes = std::int64_t{1} << 30;
constexpr int kBmpHeaderSize = 54;
constexpr int kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

std::uint16_t StorageRead16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t StorageRead32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void StorageWrite16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void StorageWrite32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Whether a 32-bit file's pixels carry alpha in a bit field: the alpha mask follows the three
// colour masks in headers of 56 bytes and more. Peeks past the 54 bytes already read and
// returns to where it was.
bool HasAlphaMask(TStream& stream, std::uint32_t infoSize, std::uint32_t compression) {
    constexpr std::uint32_t kBitFields = 3;
    constexpr std::uint32_t kAlphaBitFields = 6;
    if (compression != kBitFields && compression != kAlphaBitFields) return true;  // plain: bytes as stored
    if (infoSize < 56) return false;
    unsigned char masks[16];
    const std::int64_t got = stream.Read(masks, sizeof masks);
    stream.Seek(-got, TSeekOrigin::soCurrent);
    return got == static_cast<std::int64_t>(sizeof masks) && StorageRead32(masks + 12) != 0;
}

// Rejects sizes the stream cannot hold (so a few bytes cannot ask for gigabytes) and sizes
// beyond the cap, before anything of the bitmap changes.
void CheckStoredPixels(TStream& stream, std::int64_t width, std::int64_t height) {
    // Each side is below 2^32, so the product of the two cannot overflow 64 bits.
    if (width > 0 && height > kMaxStoragePixelBytes / 4 / width) throw EInvalidGraphic("Bitmap is too large");
    const std::int64_t bytes = width * height * 4;
    const std::int64_t available = stream.GetSize() - stream.GetPosition();
    if (bytes > available) throw EReadError("Bitmap data is truncated");
}

class TBackendRestorer {
public:
    TBackendRestorer(TCustomBitmap32& target, TCustomBackend* saved) : target_(target), saved_(saved) {}
    ~TBackendRestorer() { RestorePreviousBackend(target_, saved_); }
    TBackendRestorer(const TBackendRestorer&) = delete;
    TBackendRestorer& operator=(const TBackendRestorer&) = delete;

private:
    TCustomBitmap32& target_;
    TCustomBackend* saved_;
};

void CopyGraphicPlain(TCustomBitmap32& target, TGraphic& graphic, TColor32 fillColor, bool resetAlphaAfterDrawing) {
    TCustomBackend* saved = nullptr;
    EnsureBackendServices(target, {TBackendService::DeviceContext, TBackendService::Canvas},
                          TRequireOperatorMode::romOr, true, saved);
    TBackendRestorer restore(target, saved);
    target.SetSize(graphic.Width(), graphic.Height());
    if (target.Empty()) return;
    target.Clear(fillColor);
    const RECT bounds = target.BoundsRect();
    if (auto* dcSupport = target.BackendAs<IDeviceContextSupport>()) {
        TCanvas canvas;
        canvas.SetHandle(dcSupport->DCHandle());
        graphic.Draw(canvas, bounds);
        canvas.SetHandle(nullptr);
    } else if (auto* canvasSupport = target.BackendAs<ICanvasSupport>()) {
        graphic.Draw(*canvasSupport->GetCanvas(), bounds);
    } else {
        throw Exception("Inpropriate Backend");
    }
    if (resetAlphaAfterDrawing) target.MakeOpaque();
}

// Opaque where a white and a red rendering agree, transparent elsewhere.
void CopyGraphicMasked(TCustomBitmap32& target, TGraphic& graphic) {
    CopyGraphicPlain(target, graphic, 0xFFFFFFFFu, false);
    if (target.Empty()) return;
    TCustomBitmap32 onRed;
    CopyGraphicPlain(onRed, graphic, 0xFFFF0000u, false);
    const std::int64_t count = std::int64_t{target.Width()} * target.Height();
    TColor32* bits = target.Bits();
    const TColor32* red = onRed.Bits();
    for (std::int64_t i = 0; i < count; ++i) {
        const TColor32 colour = bits[i] & 0x00FFFFFFu;
        bits[i] = colour == (red[i] & 0x00FFFFFFu) ? colour | 0xFF000000u : colour;
    }
}

void CopyFromFrameworkBitmap(TCustomBitmap32& target, TBitmap& bitmap) {
    {
        // Drawn opaque: drawn transparently, the key-coloured pixels would keep the fill colour
        // and could no longer be told apart below.
        const bool transparent = bitmap.Transparent();
        struct RestoreTransparent {
            TBitmap& bitmap;
            bool transparent;
            ~RestoreTransparent() { bitmap.SetTransparent(transparent); }
        } restore{bitmap, transparent};
        if (transparent) bitmap.SetTransparent(false);
        CopyGraphicPlain(target, bitmap, 0, bitmap.PixelFormat() != pf32bit);
    }
    if (target.Empty()) return;
    if (bitmap.Transparent()) {
        const TColor32 key = ToColor32(bitmap.TransparentColor()) & 0x00FFFFFFu;
        const std::int64_t count = std::int64_t{target.Width()} * target.Height();
        TColor32* bits = target.Bits();
        for (std::int64_t i = 0; i < count; ++i)
            if ((bits[i] & 0x00FFFFFFu) == key) bits[i] &= 0x00FFFFFFu;
    }
    if (auto* fontSupport = target.BackendAs<IFontSupport>()) fontSupport->SetFont(bitmap.Canvas().Font());
}

void CopyFromIcon(TCustomBitmap32& target, TIcon& icon) {
    CopyGraphicPlain(target, icon, 0, false);
    if (target.Empty()) return;
    const std::int64_t count = std::int64_t{target.Width()} * target.Height();
    const TColor32* bits = target.Bits();
    for (std::int64_t i = 0; i < count; ++i)
        if (AlphaComponent(bits[i]) != 0) return;
    CopyGraphicMasked(target, icon);
}

void CopyFromGraphic(TCustomBitmap32& target, TGraphic& graphic) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(&graphic)) {
        CopyFromFrameworkBitmap(target, *bitmap);
    } else if (auto* icon = dynamic_cast<TIcon*>(&graphic)) {
        CopyFromIcon(target, *icon);
    } else if (auto* metafile = dynamic_cast<TMetafile*>(&graphic)) {
        CopyGraphicMasked(target, *metafile);
    } else {
        CopyGraphicPlain(target, graphic, 0xFFFFFFFFu, true);
    }
}

void CopyToFrameworkBitmap(TBitmap& bitmap, TCustomBitmap32& source) {
    TCustomBackend* saved = nullptr;
    EnsureBackendServices(source, {TBackendService::DeviceContext}, TRequireOperatorMode::romOr, false, saved);
    TBackendRestorer restore(source, saved);
    bitmap.SetHandleType(bmDIB);
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(source.Width(), source.Height());
    if (auto* fontSupport = source.BackendAs<IFontSupport>()) bitmap.Canvas().Font().Assign(*fontSupport->GetFont());
    if (source.Empty()) return;
    if (auto* dcSupport = source.BackendAs<IDeviceContextSupport>())
        dcSupport->DrawOnto(bitmap.Canvas().Handle(), source.BoundsRect(), source.BoundsRect());
}

// Runs an assignment inside an update and reports one change at the end, on every path.
template <class Body>
void AssignInUpdate(TCustomBitmap32& bitmap, Body body) {
    bitmap.BeginUpdate();
    try {
        body();
    } catch (...) {
        bitmap.EndUpdate();
        bitmap.Changed();
        throw;
    }
    bitmap.EndUpdate();
    bitmap.Changed();
}

}  // namespace

void TCustomBitmap32::Assign(const TPersistent* source) {
    AssignInUpdate(*this, [&] {
        if (!source) {
            SetSize(0, 0);
        } else if (const auto* bitmap = dynamic_cast<const TCustomBitmap32*>(source)) {
            bitmap->CopySizeTo(this);
            bitmap->CopySettingsTo(this);
        } else {
            TCustomMap::Assign(source);
        }
    });
}

void TCustomBitmap32::Assign(TGraphic& source) {
    AssignInUpdate(*this, [&] { CopyFromGraphic(*this, source); });
}

void TCustomBitmap32::Assign(const TPicture& source) {
    // A picture without a graphic empties the bitmap, as assigning nothing does.
    AssignInUpdate(*this, [&] {
        if (TGraphic* graphic = source.Graphic()) CopyFromGraphic(*this, *graphic);
        else SetSize(0, 0);
    });
}

void TCustomBitmap32::AssignTo(TPersistent* dest) const { TCustomMap::AssignTo(dest); }

void TCustomBitmap32::AssignTo(TBitmap& dest) const {
    // The transfer may park the back end for the time of the copy; the pixels are unchanged.
    CopyToFrameworkBitmap(dest, const_cast<TCustomBitmap32&>(*this));
}

void TCustomBitmap32::AssignTo(TPicture& dest) const { AssignTo(dest.Bitmap()); }

void TCustomBitmap32::CopySizeTo(TCustomBitmap32* dst) const {
    dst->SetSize(Width(), Height());
    if (!Empty() && dst->Bits()) MoveWords(bits_, dst->Bits(), Width() * Height());
}

void TCustomBitmap32::CopySettingsTo(TCustomBitmap32* dst) const {
    dst->SetDrawMode(drawMode_);
    dst->SetCombineMode(combineMode_);
    dst->SetWrapMode(wrapMode_);
    dst->SetMasterAlpha(masterAlpha_);
    dst->SetOuterColor(outerColor_);
    dst->SetResamplerClassName(ResamplerClassName());
    if (resamplerObject_ && dst->resamplerObject_) dst->resamplerObject_->Assign(resamplerObject_.get());
}

void TCustomBitmap32::LoadFromStream(TStream& stream) {
    unsigned char header[kBmpHeaderSize];
    stream.ReadBuffer(header, kBmpHeaderSize);
    const bool isBmp = header[0] == 'B' && header[1] == 'M';
    const std::uint32_t offBits = StorageRead32(header + 10);
    const std::uint32_t infoSize = StorageRead32(header + kFileHeaderSize);
    const auto width = static_cast<std::int32_t>(StorageRead32(header + 18));
    const auto height = static_cast<std::int32_t>(StorageRead32(header + 22));
    const std::uint16_t planes = StorageRead16(header + 26);
    const std::uint16_t bitCount = StorageRead16(header + 28);
    const std::uint32_t compression = StorageRead32(header + 30);

    // Only the plain layout (the 40-byte header with the pixels right behind it) is read here;
    // larger headers, bit fields and other depths go through the framework's reader.
    const bool direct = isBmp && bitCount == 32 && planes == 1 && compression == 0 && infoSize == kInfoHeaderSize &&
                        offBits == kBmpHeaderSize;
    if (!direct) {
        const bool opaque = isBmp && bitCount == 32 && !HasAlphaMask(stream, infoSize, compression);
        stream.Seek(-kBmpHeaderSize, TSeekOrigin::soCurrent);
        TBitmap bitmap;
        bitmap.LoadFromStream(stream);
        // Compressed and low-depth files can describe far more 32-bit pixels than they hold.
        if (std::int64_t{bitmap.Width()} * bitmap.Height() * 4 > kMaxStoragePixelBytes)
            throw EInvalidGraphic("Bitmap is too large");
        AssignInUpdate(*this, [&] {
            CopyFromGraphic(*this, bitmap);
            if (opaque && !Empty()) MakeOpaque();
        });
        return;
    }
    const std::int64_t rows = height < 0 ? -std::int64_t{height} : height;
    if (width < 0) throw EInvalidGraphic("Bitmap image is not valid: negative width");
    CheckStoredPixels(stream, width, rows);

    struct ChangedOnEveryPath {
        TCustomBitmap32& bitmap;
        ~ChangedOnEveryPath() {
            if (std::uncaught_exceptions() == 0) bitmap.Changed();
        }
    } changed{*this};
    SetSize(width, static_cast<int>(rows));
    if (Empty()) return;
    const std::int64_t rowBytes = std::int64_t{Width()} * 4;
    if (height > 0) {
        for (int y = Height() - 1; y >= 0; --y) stream.ReadBuffer(ScanLine(y), rowBytes);
    } else {
        stream.ReadBuffer(bits_, rowBytes * Height());
    }
}

void TCustomBitmap32::SaveToStream(TStream& stream, bool bottomUp) const {
    const std::int64_t imageBytes = std::int64_t{Width()} * Height() * 4;
    unsigned char header[kBmpHeaderSize] = {};
    header[0] = 'B';
    header[1] = 'M';
    StorageWrite32(header + 2, static_cast<std::uint32_t>(imageBytes + kBmpHeaderSize));
    StorageWrite32(header + 10, kBmpHeaderSize);
    StorageWrite32(header + 14, kInfoHeaderSize);
    StorageWrite32(header + 18, static_cast<std::uint32_t>(Width()));
    StorageWrite32(header + 22, static_cast<std::uint32_t>(bottomUp ? Height() : -Height()));
    StorageWrite16(header + 26, 1);
    StorageWrite16(header + 28, 32);
    StorageWrite32(header + 34, static_cast<std::uint32_t>(imageBytes));
    stream.WriteBuffer(header, kBmpHeaderSize);
    if (!bits_ || imageBytes == 0) return;
    if (bottomUp) {
        for (int y = Height() - 1; y >= 0; --y) stream.WriteBuffer(ScanLine(y), std::int64_t{Width()} * 4);
    } else {
        stream.WriteBuffer(bits_, imageBytes);
    }
}

void TCustomBitmap32::LoadFromFile(const std::string& fileName) {
    {
        TFileStream file(fileName, fmOpenRead);
        unsigned char header[kBmpHeaderSize];
        file.ReadBuffer(header, kBmpHeaderSize);
        if (header[0] == 'B' && header[1] == 'M') {
            file.Seek(-kBmpHeaderSize, TSeekOrigin::soCurrent);
            LoadFromStream(file);
            return;
        }
    }
    TPicture picture;
    picture.LoadFromFile(fileName);
    Assign(picture);
}

void TCustomBitmap32::SaveToFile(const std::string& fileName, bool bottomUp) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file, bottomUp);
}

void TCustomBitmap32::ReadPixelData(TStream& stream) {
    struct ChangedOnEveryPath {
        TCustomBitmap32& bitmap;
        ~ChangedOnEveryPath() {
            if (std::uncaught_exceptions() == 0) bitmap.Changed();
        }
    } changed{*this};
    std::int32_t size[2];
    stream.ReadBuffer(size, sizeof size);
    // Negative sides mean no pixels, as SetSize takes them.
    const std::int64_t width = std::max<std::int32_t>(size[0], 0);
    const std::int64_t height = std::max<std::int32_t>(size[1], 0);
    CheckStoredPixels(stream, width, height);
    SetSize(static_cast<int>(width), static_cast<int>(height));
    if (bits_) stream.ReadBuffer(bits_, std::int64_t{Width()} * Height() * 4);
}

void TCustomBitmap32::WritePixelData(TStream& stream) const {
    const std::int32_t size[2] = {Width(), Height()};
    stream.WriteBuffer(size, sizeof size);
    if (bits_) stream.WriteBuffer(bits_, std::int64_t{Width()} * Height() * 4);
}

bool TCustomBitmap32::PixelDataDiffers(const TPersistent* ancestor) const {
    if (!ancestor) return !Empty();
    const auto* bitmap = dynamic_cast<const TCustomBitmap32*>(ancestor);
    return !bitmap || !Equal(bitmap);
}

bool TCustomBitmap32::Equal(const TCustomBitmap32* other) const {
    const bool sameClass = other && typeid(*other) == typeid(*this);
    if (Empty() || (other && other->Empty())) return Empty() && other && other->Empty();
    if (!sameClass) return false;
    TMemoryStream mine;
    TMemoryStream theirs;
    SaveToStream(mine);
    other->SaveToStream(theirs);
    return mine.Bytes() == theirs.Bytes();
}

}  // namespace parch
