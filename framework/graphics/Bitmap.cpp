#include "framework/graphics/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Streams.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/BmpFile.h"
#include "platform/gdi/DeviceContext.h"

namespace parch {

namespace {

int BitsPerPixel(TPixelFormat format) {
    switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit:
    case pf24bit: return 24;
    default: return 32;
    }
}

RGBQUAD Quad(BYTE r, BYTE g, BYTE b) { return RGBQUAD{b, g, r, 0}; }

// The colours a new palette bitmap starts with: black and white; the sixteen VGA colours; a
// 6 x 6 x 6 colour cube followed by a grey ramp.
std::vector<RGBQUAD> DefaultColorTable(int bitsPerPixel) {
    std::vector<RGBQUAD> table;
    if (bitsPerPixel == 1) {
        table = {Quad(0, 0, 0), Quad(255, 255, 255)};
    } else if (bitsPerPixel == 4) {
        table = {Quad(0, 0, 0),       Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
                 Quad(0, 0, 128),     Quad(128, 0, 128), Quad(0, 128, 128), Quad(192, 192, 192),
                 Quad(128, 128, 128), Quad(255, 0, 0),   Quad(0, 255, 0),   Quad(255, 255, 0),
                 Quad(0, 0, 255),     Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255)};
    } else if (bitsPerPixel == 8) {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    table.push_back(Quad(static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(b * 51)));
        for (int i = 0; i < 40; ++i) {
            const auto grey = static_cast<BYTE>((i + 1) * 255 / 41);
            table.push_back(Quad(grey, grey, grey));
        }
    }
    return table;
}

HBITMAP CreateDib(int width, int height, int bitsPerPixel) {
    const std::vector<RGBQUAD> colors = DefaultColorTable(bitsPerPixel);
    std::vector<std::uint8_t> buffer(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * std::max<std::size_t>(1, colors.size()));
    auto* info = reinterpret_cast<BITMAPINFO*>(buffer.data());
    info->bmiHeader = BITMAPINFOHEADER{};
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;  // bottom-up, as the framework's bitmaps always were
    info->bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info->bmiHeader.biClrUsed = static_cast<DWORD>(colors.size());
    if (!colors.empty()) std::memcpy(info->bmiColors, colors.data(), colors.size() * sizeof(RGBQUAD));
    void* bits = nullptr;
    return CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

GdiBitmap* Pixels(HBITMAP handle) { return ResolveHandle(handle); }

// Copies the overlap of two bitmaps through two temporary contexts.
void CopyPicture(HBITMAP from, HBITMAP to, int width, int height) {
    HDC source = CreateCompatibleDC(nullptr);
    HDC target = CreateCompatibleDC(nullptr);
    HGDIOBJ oldSource = SelectObject(source, from);
    HGDIOBJ oldTarget = SelectObject(target, to);
    BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(source, oldSource);
    SelectObject(target, oldTarget);
    DeleteDC(source);
    DeleteDC(target);
}

}  // namespace

// The canvas of a bitmap: a memory context of its own, holding the bitmap (or nothing while
// the bitmap is empty, so text can still be measured).
class TBitmap::BitmapCanvas : public TCanvas {
public:
    explicit BitmapCanvas(TBitmap& owner) : owner_(owner) {}
    ~BitmapCanvas() override { FreeContext(); }

    void FreeContext() {
        if (!context_) return;
        SetHandle(nullptr);
        DeleteDC(context_);
        context_ = nullptr;
    }

protected:
    void CreateHandle() override {
        context_ = CreateCompatibleDC(nullptr);
        if (owner_.handle_) SelectObject(context_, owner_.handle_);
        SetHandle(context_);
    }

private:
    TBitmap& owner_;
    HDC context_ = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) {
    Rebuild(width, height, format, false);
}

TBitmap::~TBitmap() {
    canvas_.reset();
    if (handle_) DeleteObject(handle_);
}

void TBitmap::FreeCanvasContext() {
    if (canvas_) canvas_->FreeContext();
}

void TBitmap::Rebuild(int width, int height, TPixelFormat format, bool keepPicture) {
    width = std::max(0, width);
    height = std::max(0, height);
    HBITMAP replacement = nullptr;
    if (width > 0 && height > 0) {
        replacement = CreateDib(width, height, BitsPerPixel(format));
        if (!replacement) throw EInvalidGraphic("Bitmap image is too large");
        if (keepPicture && handle_) {
            FreeCanvasContext();
            CopyPicture(handle_, replacement, std::min(width, width_), std::min(height, height_));
        }
    }
    FreeCanvasContext();
    if (handle_) DeleteObject(handle_);
    handle_ = replacement;
    width_ = width;
    height_ = height;
    format_ = format;
}

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    Rebuild(width, height, format_, true);
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == format_) return;
    Rebuild(width_, height_, format, true);
    Changed();
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<BitmapCanvas>(*this);
        canvas_->OnChange = [this] { Changed(); };
    }
    return *canvas_;
}

BYTE* TBitmap::ScanLine(int row) {
    GdiBitmap* pixels = Pixels(handle_);
    if (!pixels || row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
    return pixels->Row(row);
}

TColor TBitmap::TransparentColor() {
    if (transparentMode_ == tmFixed || Empty()) return transparentColor_;
    return Canvas().Pixels(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
    if (color == transparentColor_ && transparentMode_ == tmFixed) return;
    transparentColor_ = color;
    transparentMode_ = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (mode == transparentMode_) return;
    if (mode == tmAuto) transparentColor_ = clDefault;
    else transparentColor_ = TransparentColor();
    transparentMode_ = mode;
    Changed();
}

void TBitmap::Draw(TCanvas& canvas, const RECT& rect) {
    if (Empty()) return;
    HDC source = Canvas().Handle();
    HDC target = canvas.Handle();
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (Transparent()) {
        TransparentBlt(target, rect.left, rect.top, width, height, source, 0, 0, width_, height_,
                       ColorToRGB(TransparentColor()));
    } else {
        StretchBlt(target, rect.left, rect.top, width, height, source, 0, 0, width_, height_, canvas.CopyMode);
    }
}

void TBitmap::LoadFromStream(TStream& stream) {
    const std::int64_t start = stream.GetPosition();
    const std::string bytes = stream.ReadToEnd();
    // The file header gives the file's size: the stream is left just after the bitmap, so
    // whatever follows it can be read next.
    if (bytes.size() >= 6 && bytes[0] == 'B' && bytes[1] == 'M') {
        const auto* size = reinterpret_cast<const BYTE*>(bytes.data()) + 2;
        const std::uint32_t fileSize = size[0] | (size[1] << 8) | (size[2] << 16) | (static_cast<std::uint32_t>(size[3]) << 24);
        if (fileSize >= 14 && fileSize < bytes.size()) stream.SetPosition(start + fileSize);
    }
    std::string error;
    HBITMAP loaded = ReadBmp(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), error);
    if (!loaded) throw EInvalidGraphic("Bitmap image is not valid: " + error);
    GdiBitmap* pixels = Pixels(loaded);
    FreeCanvasContext();
    if (handle_) DeleteObject(handle_);
    handle_ = loaded;
    width_ = pixels->Width();
    height_ = pixels->Height();
    switch (pixels->BitsPerPixel()) {
    case 1: format_ = pf1bit; break;
    case 4: format_ = pf4bit; break;
    case 8: format_ = pf8bit; break;
    case 24: format_ = pf24bit; break;
    default: format_ = pf32bit; break;
    }
    Changed();
}

void TBitmap::SaveToStream(TStream& stream) {
    if (Empty()) throw EInvalidGraphicOperation("Cannot save an empty bitmap");
    const std::vector<BYTE> bytes = WriteBmp(handle_);
    stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TBitmap::Assign(TGraphic* source) {
    if (source == this) return;
    if (!source) {
        Rebuild(0, 0, format_, false);
        Changed();
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        Rebuild(bitmap->width_, bitmap->height_, bitmap->format_, false);
        if (GdiBitmap *from = Pixels(bitmap->handle_), *to = Pixels(handle_); from && to) {
            std::memcpy(to->Bits(), from->Bits(), static_cast<std::size_t>(from->ByteSize()));
            to->ColorTable() = from->ColorTable();
        }
        handleType_ = bitmap->handleType_;
        transparentColor_ = bitmap->transparentColor_;
        transparentMode_ = bitmap->transparentMode_;
        SetTransparent(bitmap->Transparent());
        Changed();
        return;
    }
    Rebuild(source->Width(), source->Height(), format_ == pfDevice ? pf32bit : format_, false);
    if (!Empty()) {
        TCanvas& canvas = Canvas();
        canvas.Brush().SetColor(clWhite);
        canvas.FillRect(RECT{0, 0, width_, height_});
        source->Draw(canvas, RECT{0, 0, width_, height_});
    }
    Changed();
}

}  // namespace parch
