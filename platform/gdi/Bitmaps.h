#pragma once
// Bitmaps: device-independent bitmaps of 1, 4, 8, 24 and 32 bits per pixel, top-down or
// bottom-up, with their pixel memory, stride and colour table. Compatible bitmaps are 32-bit
// bitmaps whose pixels are reachable only through the drawing calls (as device-dependent
// bitmaps are).

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/GdiObject.h"

namespace parch {

class GdiBitmap : public GdiObject {
public:
    static constexpr GdiObjectKind kKind = GdiObjectKind::Bitmap;

    // Largest pixel buffer a bitmap may have.
    static constexpr std::int64_t kMaxBytes = std::int64_t{1} << 31;

    // Returns nullptr for a size, depth or total that cannot be allocated. The pixels start
    // zero-filled; a palette-based bitmap gets a grey ramp until a colour table is set.
    static std::unique_ptr<GdiBitmap> Create(int width, int height, int bitsPerPixel, bool topDown,
                                             bool isDib);

    DWORD ObjectType() const override { return OBJ_BITMAP; }
    int Describe(int size, void* buffer) const override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitsPerPixel() const { return bitsPerPixel_; }
    int Stride() const { return stride_; }  // bytes per row, a multiple of 4
    bool TopDown() const { return topDown_; }
    bool IsDib() const { return isDib_; }
    bool IsPaletted() const { return bitsPerPixel_ <= 8; }
    // Start of the pixel memory as a DIB section exposes it (the last row first when bottom-up).
    BYTE* Bits() { return pixels_.get(); }
    const BYTE* Bits() const { return pixels_.get(); }
    // Row y counted from the top of the picture.
    BYTE* Row(int y) { return pixels_.get() + RowOffset(y); }
    const BYTE* Row(int y) const { return pixels_.get() + RowOffset(y); }
    std::int64_t ByteSize() const { return static_cast<std::int64_t>(stride_) * height_; }

    std::vector<RGBQUAD>& ColorTable() { return colors_; }
    const std::vector<RGBQUAD>& ColorTable() const { return colors_; }

    // The device context the bitmap is selected into (one at a time), or nullptr.
    DeviceContext* SelectedInto() const { return selectedInto_; }
    void SetSelectedInto(DeviceContext* dc) { selectedInto_ = dc; }

    static int StrideFor(int width, int bitsPerPixel);

private:
    GdiBitmap() : GdiObject(kKind) {}
    std::int64_t RowOffset(int y) const {
        return static_cast<std::int64_t>(topDown_ ? y : height_ - 1 - y) * stride_;
    }

    struct FreeDeleter {
        void operator()(BYTE* p) const;
    };
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    int stride_ = 0;
    bool topDown_ = false;
    bool isDib_ = false;
    std::unique_ptr<BYTE, FreeDeleter> pixels_;
    std::vector<RGBQUAD> colors_;
    DeviceContext* selectedInto_ = nullptr;
};

// Win32 calls. `info` must hold as many colour entries as its header announces.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// Reads rows [start, start + lines) of the bitmap, counted from the bottom as Windows does,
// in the format `info` asks for; with a null `bits` only fills in the header (and colour table).
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage);
UINT GetDIBColorTable(HDC dc, UINT start, UINT entries, RGBQUAD* colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT entries, const RGBQUAD* colors);
BOOL GetBitmapDimensionEx(HBITMAP bitmap, SIZE* size);

// Bytes needed by the colour table that follows a BITMAPINFOHEADER (masks included).
std::int64_t ColorTableBytes(const BITMAPINFOHEADER& header);

}  // namespace parch

#include "platform/gdi/PixelView.h"

namespace parch {

// A view of a caller's DIB buffer described by `info` (colour table resolved into `colors`,
// which must outlive the view); false when the description is not one we support.
bool ViewOfDib(const void* bits, const BITMAPINFO* info, UINT usage, HDC dc, std::vector<RGBQUAD>& colors,
               PixelView& view);

}  // namespace parch
