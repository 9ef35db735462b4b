#pragma once
// TPDFJPEGImage: the framework's JPEG picture as the PDF library uses it. It converts CMYK and
// YCCK data through a PDF colour manager, reading the four samples either as they are stored
// (direct) or inverted as Adobe's programs store them, or through a PDF Decode array.

#include <array>
#include <memory>

#include "framework/graphics/JPEGImage.h"
#include "pdf/graphics/ScrivletColor.h"

namespace parch {

class TStream;

class TPDFJPEGImage : public TJPEGImage {
public:
    TPDFJPEGImage();
    ~TPDFJPEGImage() override;

    // The caller's manager from now on (the caller keeps owning it); nil is ignored.
    void SetColorManager(TPDFSimpleColorManager* manager);
    // Reads CMYK samples as they are stored (byte / 255) from now on, decoding again.
    void DecodeDirectCMYK();
    // Reads each CMYK sample through its Decode range: low + byte / 255 * (high - low). Takes
    // eight numbers; the direct reading is [0 1 0 1 0 1 0 1].
    void SetCMYKDecode(const std::array<double, 8>& decode);
    bool DirectCMYK() const { return direct_; }

    // The decoded picture written as a BMP file.
    void SaveAsBMP(TStream& stream);

    std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<TPDFJPEGImage>(); }

protected:
    void ConvertCMYK(TBitmap& bitmap) override;

private:
    std::unique_ptr<TPDFSimpleColorManager> ownManager_;
    TPDFSimpleColorManager* manager_;
    bool direct_ = false;
    std::array<double, 8> decode_ = {1, 0, 1, 0, 1, 0, 1, 0};
};

}  // namespace parch
