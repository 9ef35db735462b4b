#pragma once
// TJPEGImage: a JPEG picture over libjpeg. It keeps the JPEG bytes (shared between copies),
// decodes them into a bitmap when the pixels are first asked for, and compresses a bitmap into
// a baseline JPEG at a quality when saved without bytes.

#include <cstdint>
#include <memory>
#include <string>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Graphic.h"

namespace parch {

// A fatal libjpeg error; the message is "JPEG error #<code>" with the library's message code.
class EJPEG : public EInvalidGraphic {
public:
    EJPEG(int code, const std::string& message) : EInvalidGraphic(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

// Pixels a JPEG header may claim before the image is refused undecoded; the same bound that
// the PDF library applies to its images.
inline constexpr std::int64_t kMaxJPEGPixels = std::int64_t{1} << 28;

// The JPEG bytes and what their header says; shared by images assigned from one another.
struct TJPEGData {
    std::string bytes;
    int width = 0;
    int height = 0;
    int components = 0;
    bool grayscale = false;
    bool progressive = false;
};

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    bool Empty() const override;
    // The decoded bitmap's size; before decoding, the header's size at the current Scale.
    int Width() const override;
    int Height() const override;
    // A JPEG has the size its data gives.
    void SetSize(int, int) override {}

    void Draw(TCanvas& canvas, const RECT& rect) override;
    // Takes the bytes from the stream's position to its end; EJPEG when they hold bytes but no
    // readable JPEG header.
    void LoadFromStream(TStream& stream) override;
    // The JPEG bytes, compressing the bitmap first when there are none.
    void SaveToStream(TStream& stream) override;
    // Another TJPEGImage shares its bytes (and copies its decoded bitmap); a bitmap is copied
    // and compressed when saved; nullptr empties the image. EConvertError for other pictures.
    void Assign(TGraphic* source) override;
    std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<TJPEGImage>(); }

    // The decoded picture: 24-bit blue-green-red, or 8-bit with a palette for grey or quantised
    // output. Decodes on first use; EJPEG for damaged data.
    TBitmap& Bitmap();
    // The decoded picture handed over (decoding first when needed); the next use of the
    // pixels decodes the bytes again. An image without bytes hands over a copy.
    std::unique_ptr<TBitmap> ReleaseBitmap();
    void AssignBitmap(const TBitmap& bitmap);
    // Compresses the bitmap into new JPEG bytes (baseline, CompressionQuality).
    void Compress();
    // Drops the decoded bitmap, so the next use decodes again with the current options.
    void DropBitmap();

    const TJPEGData& Data() const { return *data_; }
    bool Grayscale() const { return grayscale_; }
    void SetGrayscale(bool grayscale);
    bool Smoothing() const { return smoothing_; }
    void SetSmoothing(bool smoothing) { smoothing_ = smoothing; }
    TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TJPEGPixelFormat format);
    TJPEGScale Scale() const { return scale_; }
    void SetScale(TJPEGScale scale);
    TJPEGPerformance Performance() const { return performance_; }
    void SetPerformance(TJPEGPerformance performance) { performance_ = performance; }
    // 1 to 100; values outside are clamped when compressing.
    int CompressionQuality() const { return compressionQuality_; }
    void SetCompressionQuality(int quality) { compressionQuality_ = quality; }
    // Whether the data read has several scans; compression never writes progressive data.
    bool ProgressiveEncoding() const { return data_->progressive; }

protected:
    // Turns a decoded four-component (CMYK or YCCK) picture into blue-green-red. The bitmap is
    // 32-bit with the c, m, y, k bytes of each pixel in memory order; the result must be
    // 24-bit. The base reads the samples as Adobe writes them (inverted) with the simple
    // formula.
    virtual void ConvertCMYK(TBitmap& bitmap);

private:
    void ReadHeader();
    void Decode();

    std::shared_ptr<TJPEGData> data_;
    std::unique_ptr<TBitmap> bitmap_;
    bool grayscale_ = false;
    bool smoothing_ = true;
    TJPEGPixelFormat pixelFormat_ = jf24Bit;
    TJPEGScale scale_ = jsFullSize;
    TJPEGPerformance performance_ = jpBestQuality;
    int compressionQuality_ = 90;
    int scaledWidth_ = 0;
    int scaledHeight_ = 0;
};

}  // namespace parch
