#pragma once
// Back ends of the 32-bit bitmap: plain memory, and a top-down 32-bit DIB section selected into
// a memory device context with a canvas, a font and text output. The services a back end offers
// beyond its pixels are the abstract interfaces below, found with dynamic_cast; and the
// temporary switch of a bitmap onto a back end that offers them.

#include <initializer_list>
#include <memory>
#include <string>

#include "bitmap32/Bitmap32.h"
#include "framework/graphics/Canvas.h"
#include "framework/graphics/Graphics.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class TRectList;

class ICanvasSupport {
public:
    virtual ~ICanvasSupport() = default;
    virtual TNotifyEvent& OnCanvasChange() = 0;
    // Created on the device context on first use.
    virtual TCanvas* GetCanvas() = 0;
    virtual void FreeCanvas() = 0;
    virtual bool HasCanvas() const = 0;
};

class IFontSupport {
public:
    virtual ~IFontSupport() = default;
    virtual TNotifyEvent& OnFontChange() = 0;
    virtual TFont* GetFont() = 0;
    virtual void SetFont(const TFont& font) = 0;
    virtual void UpdateFont() = 0;
};

// Text is UTF-8; the wide variants take UTF-16 and convert.
class ITextSupport {
public:
    virtual ~ITextSupport() = default;
    virtual void DrawTextAt(int x, int y, const std::string& text) = 0;
    virtual void DrawTextAt(int x, int y, const RECT& clipArea, const std::string& text) = 0;
    virtual void DrawTextAt(RECT& dstRect, unsigned flags, const std::string& text) = 0;
    virtual SIZE MeasureText(const std::string& text) = 0;
    virtual void DrawTextAtW(int x, int y, const std::u16string& text) = 0;
    virtual void DrawTextAtW(int x, int y, const RECT& clipArea, const std::u16string& text) = 0;
    virtual void DrawTextAtW(RECT& dstRect, unsigned flags, const std::u16string& text) = 0;
    virtual SIZE MeasureTextW(const std::u16string& text) = 0;
};

class IDeviceContextSupport {
public:
    virtual ~IDeviceContextSupport() = default;
    virtual HDC DCHandle() const = 0;
    virtual void Draw(const RECT& dstRect, const RECT& srcRect, HDC source) = 0;
    virtual void DrawOnto(HDC destination, int dstX, int dstY) = 0;
    virtual void DrawOnto(HDC destination, const RECT& dstRect, const RECT& srcRect) = 0;
};

// The DIB's description: the 40-byte header and one colour entry.
struct TBitmapInfo32 {
    BITMAPINFOHEADER Header;
    RGBQUAD Colors[1];
};

class IBitmapContextSupport {
public:
    virtual ~IBitmapContextSupport() = default;
    virtual TBitmapInfo32 BitmapInfo() const = 0;
    virtual HBITMAP BitmapHandle() const = 0;
};

// How a double-buffered paint box reaches the screen: the invalid rectangles of the buffer,
// or the viewport when there are none, are copied onto the canvas.
class IPaintSupport {
public:
    virtual ~IPaintSupport() = default;
    virtual void SurfaceRequired() = 0;
    virtual void EnsureSurface() = 0;
    virtual void PaintSurface(TBitmap32& buffer, const TRectList* invalidRects, TCanvas& canvas,
                              const RECT& viewport) = 0;
};

// Pixels on the heap; a cleared surface starts opaque black.
class TMemoryBackend : public TCustomBackend {
public:
    explicit TMemoryBackend(TCustomBitmap32* owner = nullptr) : TCustomBackend(owner) {}
    ~TMemoryBackend() override;

protected:
    void CreateSurface(int newWidth, int newHeight, bool clearBuffer) override;
    void DestroySurface() override;
};

// A DIB section (zero-filled, so new pixels are transparent black) in a memory DC.
class TGDIBackend : public TCustomBackend,
                    public ICanvasSupport,
                    public IFontSupport,
                    public ITextSupport,
                    public IDeviceContextSupport,
                    public IBitmapContextSupport,
                    public IPaintSupport {
public:
    explicit TGDIBackend(TCustomBitmap32* owner = nullptr);
    ~TGDIBackend() override;

    bool Empty() const override { return bitmapHandle_ == nullptr; }
    void Changed() override;

    TNotifyEvent& OnCanvasChange() override { return onCanvasChange_; }
    TCanvas* GetCanvas() override;
    void FreeCanvas() override;
    bool HasCanvas() const override { return canvas_ != nullptr; }

    TNotifyEvent& OnFontChange() override { return onFontChange_; }
    TFont* GetFont() override { return font_.get(); }
    void SetFont(const TFont& font) override;
    void UpdateFont() override;

    void DrawTextAt(int x, int y, const std::string& text) override;
    void DrawTextAt(int x, int y, const RECT& clipArea, const std::string& text) override;
    void DrawTextAt(RECT& dstRect, unsigned flags, const std::string& text) override;
    SIZE MeasureText(const std::string& text) override;
    void DrawTextAtW(int x, int y, const std::u16string& text) override;
    void DrawTextAtW(int x, int y, const RECT& clipArea, const std::u16string& text) override;
    void DrawTextAtW(RECT& dstRect, unsigned flags, const std::u16string& text) override;
    SIZE MeasureTextW(const std::u16string& text) override;

    HDC DCHandle() const override { return dc_; }
    void Draw(const RECT& dstRect, const RECT& srcRect, HDC source) override;
    void DrawOnto(HDC destination, int dstX, int dstY) override;
    void DrawOnto(HDC destination, const RECT& dstRect, const RECT& srcRect) override;

    TBitmapInfo32 BitmapInfo() const override { return bitmapInfo_; }
    HBITMAP BitmapHandle() const override { return bitmapHandle_; }

    void SurfaceRequired() override {}
    void EnsureSurface() override {}
    void PaintSurface(TBitmap32& buffer, const TRectList* invalidRects, TCanvas& canvas,
                      const RECT& viewport) override;

protected:
    void CreateSurface(int newWidth, int newHeight, bool clearBuffer) override;
    void DestroySurface() override;
    virtual void PrepareMappingHandle(int newWidth, int newHeight) {}

private:
    void FontChangedHandler();
    bool OwnerMeasuring() const;
    void ReportText(const RECT& area);

    TBitmapInfo32 bitmapInfo_{};
    HBITMAP bitmapHandle_ = nullptr;
    HDC dc_ = nullptr;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TCanvas> canvas_;
    HFONT fontHandle_ = nullptr;
    void* mappingHandle_ = nullptr;
    TNotifyEvent onFontChange_;
    TNotifyEvent onCanvasChange_;
};

enum class TRequireOperatorMode { romAnd, romOr };

// Services a back end may be asked for.
enum class TBackendService { DeviceContext, Canvas, Font, Text, BitmapContext, Paint };
bool BackendSupports(const TCustomBackend* backend, TBackendService service);

// When the target's back end lacks the services (all of them, or any one), it is parked (with
// an extra reference, returned in backendDetached) and the target runs on a new GDI back end;
// with releaseTarget the target is emptied first. backendDetached is nullptr when nothing
// changed.
void EnsureBackendServices(TCustomBitmap32& target, std::initializer_list<TBackendService> services,
                           TRequireOperatorMode mode, bool releaseTarget, TCustomBackend*& backendDetached);
// Brings a parked back end back, with the size and pixels drawn meanwhile.
void RestorePreviousBackend(TCustomBitmap32& target, TCustomBackend* savedBackend);

}  // namespace parch
