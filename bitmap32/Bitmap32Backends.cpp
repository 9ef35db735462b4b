#include "bitmap32/Bitmap32Backends.h"

#include <cstdlib>
#include <new>

#include "bitmap32/Bitmap32Containers.h"
#include "bitmap32/LowLevel.h"
#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/Utf8Text.h"

namespace parch {

TMemoryBackend::~TMemoryBackend() { ReleaseSurface(); }

// The same ceiling as the graphics layer's DIB sections, so pixel counts always fit an int.
constexpr std::int64_t kMaxSurfaceBytes = std::int64_t{1} << 31;

void TMemoryBackend::CreateSurface(int newWidth, int newHeight, bool clearBuffer) {
    const std::int64_t count = std::int64_t{newWidth} * newHeight;
    if (count * 4 > kMaxSurfaceBytes) throw std::bad_alloc();
    auto* bits = static_cast<TColor32*>(std::malloc(static_cast<std::size_t>(count) * sizeof(TColor32)));
    if (!bits) throw std::bad_alloc();
    SetBits(bits);
    if (clearBuffer) FillWords(bits, static_cast<int>(count), 0xFF000000u);
}

void TMemoryBackend::DestroySurface() {
    std::free(Bits());
    SetBits(nullptr);
}

// ---------------------------------------------------------------------------------------------

namespace {

// The 8 x 8 bitmap whose canvas measures text for bitmaps that have no surface yet.
TBitmap& SharedStockBitmap() {
    static TBitmap bitmap(8, 8);
    return bitmap;
}

HGDIOBJ SharedStockFont() { return GetStockObject(SYSTEM_FONT); }

}  // namespace

TGDIBackend::TGDIBackend(TCustomBitmap32* owner) : TCustomBackend(owner), font_(std::make_unique<TFont>()) {
    bitmapInfo_.Header.biSize = sizeof(BITMAPINFOHEADER);
    bitmapInfo_.Header.biPlanes = 1;
    bitmapInfo_.Header.biBitCount = 32;
    bitmapInfo_.Header.biCompression = BI_RGB;
    font_->OnChange = [this] { FontChangedHandler(); };
    font_->SetOwnerLock(&CriticalSection());
}

TGDIBackend::~TGDIBackend() {
    FreeCanvas();
    ReleaseSurface();
}

void TGDIBackend::CreateSurface(int newWidth, int newHeight, bool) {
    bitmapInfo_.Header.biWidth = newWidth;
    bitmapInfo_.Header.biHeight = -newHeight;
    bitmapInfo_.Header.biSizeImage = static_cast<DWORD>(std::int64_t{newWidth} * newHeight * 4);
    PrepareMappingHandle(newWidth, newHeight);

    void* bits = nullptr;
    bitmapHandle_ = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&bitmapInfo_), DIB_RGB_COLORS,
                                     &bits, mappingHandle_, 0);
    SetBits(static_cast<TColor32*>(bits));
    if (!Bits()) {
        if (bitmapHandle_) DeleteObject(bitmapHandle_);
        bitmapHandle_ = nullptr;
        throw Exception("Can't allocate the DIB handle");
    }
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) {
        DeleteObject(bitmapHandle_);
        bitmapHandle_ = nullptr;
        SetBits(nullptr);
        throw Exception("Can't create compatible DC");
    }
    if (!SelectObject(dc_, bitmapHandle_)) {
        DeleteDC(dc_);
        DeleteObject(bitmapHandle_);
        dc_ = nullptr;
        bitmapHandle_ = nullptr;
        SetBits(nullptr);
        throw Exception("Can't select an object into DC");
    }
}

void TGDIBackend::DestroySurface() {
    if (dc_) DeleteDC(dc_);
    if (bitmapHandle_) DeleteObject(bitmapHandle_);
    dc_ = nullptr;
    bitmapHandle_ = nullptr;
    fontHandle_ = nullptr;
    SetBits(nullptr);
}

void TGDIBackend::Changed() {
    if (canvas_) canvas_->SetHandle(dc_);
    TCustomBackend::Changed();
}

TCanvas* TGDIBackend::GetCanvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TCanvas>();
        canvas_->SetHandle(dc_);
        canvas_->OnChange = [this] {
            if (onCanvasChange_) onCanvasChange_(this);
        };
    }
    return canvas_.get();
}

void TGDIBackend::FreeCanvas() {
    if (!canvas_) return;
    canvas_->SetHandle(nullptr);
    canvas_.reset();
}

void TGDIBackend::SetFont(const TFont& font) {
    font_->Assign(font);
    if (onFontChange_) onFontChange_(this);
}

void TGDIBackend::UpdateFont() {
    if (!fontHandle_ && dc_) {
        SelectObject(dc_, font_->Handle());
        SetTextColor(dc_, ColorToRGB(font_->Color()));
        SetBkMode(dc_, TRANSPARENT);
        fontHandle_ = font_->Handle();
    } else if (dc_) {
        SelectObject(dc_, fontHandle_);
        SetTextColor(dc_, ColorToRGB(font_->Color()));
        SetBkMode(dc_, TRANSPARENT);
    }
}

void TGDIBackend::FontChangedHandler() {
    if (fontHandle_) {
        if (dc_) SelectObject(dc_, SharedStockFont());
        fontHandle_ = nullptr;
    }
    if (onFontChange_) onFontChange_(this);
}

bool TGDIBackend::OwnerMeasuring() const { return Owner() && Owner()->MeasureOnly(); }

void TGDIBackend::ReportText(const RECT& area) {
    if (Owner()) Owner()->Changed(area, AreaKindRect);
}

void TGDIBackend::DrawTextAt(int x, int y, const std::string& text) {
    UpdateFont();
    if (!OwnerMeasuring()) {
        if (Owner() && Owner()->ClipActive()) {
            const RECT clip = Owner()->ClipArea();
            ExtTextOut(dc_, x, y, ETO_CLIPPED, &clip, text.data(), static_cast<UINT>(text.size()), nullptr);
        } else {
            ExtTextOut(dc_, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
        }
    }
    const SIZE extent = MeasureText(text);
    ReportText(RECT{x, y, x + extent.cx + 1, y + extent.cy + 1});
}

void TGDIBackend::DrawTextAt(int x, int y, const RECT& clipArea, const std::string& text) {
    UpdateFont();
    if (!OwnerMeasuring())
        ExtTextOut(dc_, x, y, ETO_CLIPPED, &clipArea, text.data(), static_cast<UINT>(text.size()), nullptr);
    const SIZE extent = MeasureText(text);
    ReportText(RECT{x, y, x + extent.cx + 1, y + extent.cy + 1});
}

void TGDIBackend::DrawTextAt(RECT& dstRect, unsigned flags, const std::string& text) {
    RECT r = dstRect;
    UpdateFont();
    if (!OwnerMeasuring()) DrawText(dc_, text.data(), static_cast<int>(text.size()), &r, flags);
    ReportText(r);
}

SIZE TGDIBackend::MeasureText(const std::string& text) {
    UpdateFont();
    SIZE extent{};
    if (dc_) {
        GetTextExtentPoint32(dc_, text.data(), static_cast<int>(text.size()), &extent);
        return extent;
    }
    TCanvas& stock = SharedStockBitmap().Canvas();
    stock.Lock();
    struct Unlock {
        TCanvas& canvas;
        ~Unlock() { canvas.Unlock(); }
    } unlockOnEveryPath{stock};
    HDC stockDc = stock.Handle();
    HGDIOBJ oldFont = SelectObject(stockDc, font_->Handle());
    GetTextExtentPoint32(stockDc, text.data(), static_cast<int>(text.size()), &extent);
    SelectObject(stockDc, oldFont);
    return extent;
}

void TGDIBackend::DrawTextAtW(int x, int y, const std::u16string& text) { DrawTextAt(x, y, Utf8FromUtf16(text)); }

void TGDIBackend::DrawTextAtW(int x, int y, const RECT& clipArea, const std::u16string& text) {
    DrawTextAt(x, y, clipArea, Utf8FromUtf16(text));
}

void TGDIBackend::DrawTextAtW(RECT& dstRect, unsigned flags, const std::u16string& text) {
    DrawTextAt(dstRect, flags, Utf8FromUtf16(text));
}

SIZE TGDIBackend::MeasureTextW(const std::u16string& text) { return MeasureText(Utf8FromUtf16(text)); }

void TGDIBackend::Draw(const RECT& dstRect, const RECT& srcRect, HDC source) {
    if (!Owner() || Owner()->Empty()) return;
    if (!OwnerMeasuring())
        StretchBlt(dc_, dstRect.left, dstRect.top, dstRect.right - dstRect.left, dstRect.bottom - dstRect.top, source,
                   srcRect.left, srcRect.top, srcRect.right - srcRect.left, srcRect.bottom - srcRect.top, SRCCOPY);
    Owner()->Changed(dstRect, AreaKindRect);
}

void TGDIBackend::DrawOnto(HDC destination, int dstX, int dstY) {
    if (Empty()) return;
    const int width = Owner() ? Owner()->Width() : 0;
    const int height = Owner() ? Owner()->Height() : 0;
    StretchDIBits(destination, dstX, dstY, width, height, 0, 0, width, height, Bits(),
                  reinterpret_cast<const BITMAPINFO*>(&bitmapInfo_), DIB_RGB_COLORS, SRCCOPY);
}

void TGDIBackend::DrawOnto(HDC destination, const RECT& dstRect, const RECT& srcRect) {
    StretchBlt(destination, dstRect.left, dstRect.top, dstRect.right - dstRect.left, dstRect.bottom - dstRect.top, dc_,
               srcRect.left, srcRect.top, srcRect.right - srcRect.left, srcRect.bottom - srcRect.top, SRCCOPY);
}

void TGDIBackend::PaintSurface(TBitmap32& buffer, const TRectList* invalidRects, TCanvas& canvas,
                               const RECT& viewport) {
    HDC source = buffer.Handle();
    auto copy = [&](const RECT& r) {
        BitBlt(canvas.Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, source, r.left, r.top, SRCCOPY);
    };
    if (invalidRects && invalidRects->Count() > 0) {
        for (int i = 0; i < invalidRects->Count(); ++i) copy(*invalidRects->Item(i));
    } else {
        copy(viewport);
    }
}

// ---------------------------------------------------------------------------------------------

bool BackendSupports(const TCustomBackend* backend, TBackendService service) {
    switch (service) {
    case TBackendService::DeviceContext: return dynamic_cast<const IDeviceContextSupport*>(backend) != nullptr;
    case TBackendService::Canvas: return dynamic_cast<const ICanvasSupport*>(backend) != nullptr;
    case TBackendService::Font: return dynamic_cast<const IFontSupport*>(backend) != nullptr;
    case TBackendService::Text: return dynamic_cast<const ITextSupport*>(backend) != nullptr;
    case TBackendService::BitmapContext: return dynamic_cast<const IBitmapContextSupport*>(backend) != nullptr;
    case TBackendService::Paint: return dynamic_cast<const IPaintSupport*>(backend) != nullptr;
    }
    return false;
}

void EnsureBackendServices(TCustomBitmap32& target, std::initializer_list<TBackendService> services,
                           TRequireOperatorMode mode, bool releaseTarget, TCustomBackend*& backendDetached) {
    bool supported = false;
    for (TBackendService service : services) {
        supported = BackendSupports(target.Backend(), service);
        if (mode == TRequireOperatorMode::romAnd ? !supported : supported) break;
    }
    backendDetached = nullptr;
    if (supported) return;
    if (releaseTarget) target.SetSize(0, 0);
    backendDetached = target.DetachBackend();
    target.ReplaceBackend(new TGDIBackend());
}

void RestorePreviousBackend(TCustomBitmap32& target, TCustomBackend* savedBackend) {
    if (!savedBackend) return;
    target.ReplaceBackend(savedBackend);
}

}  // namespace parch
