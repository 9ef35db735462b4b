#pragma once
// TBitmap: a device-independent bitmap of the framework, with its pixel format, direct scan
// line access, a canvas to draw on, transparency for drawing, and BMP loading and saving.

#include <memory>

#include "framework/graphics/Canvas.h"
#include "framework/graphics/Graphic.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

// pf15bit and pf16bit are kept as 24-bit pixels; pfDevice and pfCustom as 32-bit ones.
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pf32bit);
    ~TBitmap() override;

    bool Empty() const override { return width_ == 0 || height_ == 0; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // Keeps the picture at the top-left; new area is black. A size too large to allocate
    // raises EInvalidGraphic.
    void SetSize(int width, int height) override;

    TPixelFormat PixelFormat() const { return format_; }
    // Converts the pixels to the new format.
    void SetPixelFormat(TPixelFormat format);
    TBitmapHandleType HandleType() const { return handleType_; }
    void SetHandleType(TBitmapHandleType type) { handleType_ = type; }

    TCanvas& Canvas();
    bool HasCanvas() const { return canvas_ != nullptr; }
    // Row y from the top; EInvalidGraphicOperation outside 0..Height-1. Rows are stored
    // bottom-up, so ScanLine(1) - ScanLine(0) is minus the stride.
    BYTE* ScanLine(int row);
    // The bitmap handle; nullptr while empty.
    HBITMAP Handle() const { return handle_; }

    // The colour drawn transparent when Transparent is on: the bottom-left pixel in tmAuto,
    // the set colour in tmFixed (setting one switches to tmFixed).
    TColor TransparentColor();
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);

    void Draw(TCanvas& canvas, const RECT& rect) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Another TBitmap is copied exactly; other pictures are drawn on white.
    void Assign(TGraphic* source) override;
    std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<TBitmap>(); }

private:
    class BitmapCanvas;
    // Replaces the pixel storage, copying the old picture over when asked.
    void Rebuild(int width, int height, TPixelFormat format, bool keepPicture);
    void FreeCanvasContext();

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = pfDevice;
    TBitmapHandleType handleType_ = bmDIB;
    HBITMAP handle_ = nullptr;
    std::unique_ptr<BitmapCanvas> canvas_;
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
};

}  // namespace parch
