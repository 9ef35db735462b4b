// JPEG data (/DCTDecode): decoded by TPDFJPEGImage, stretched to the image's size, then the
// Decode array and the colour space's conversion applied.

#include <algorithm>
#include <array>
#include <cmath>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/images/ScrivletBitmapAccess.h"
#include "pdf/images/ScrivletBitmapSurface.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletImageLimits.h"
#include "pdf/images/ScrivletJPEG.h"

namespace parch {

static_assert(kMaxJPEGPixels == kMaxImagePixels, "the JPEG picture and the image decoder share one size bound");

namespace {

// A Decode range per component over a 24-bit picture (grey pictures use the first range for
// all three bytes). Each byte v becomes 255 * (low + v / 255 * (high - low)), rounded.
void ApplyDecodeRanges(TBitmap& bitmap, const std::vector<double>& decode, int components) {
    std::array<std::array<BYTE, 256>, 3> tables{};
    for (int channel = 0; channel < 3; ++channel) {
        const int component = components == 1 ? 0 : channel;
        const double low = decode[component * 2], high = decode[component * 2 + 1];
        for (int v = 0; v < 256; ++v) {
            const double value = 255.0 * (low + v / 255.0 * (high - low));
            tables[channel][v] = static_cast<BYTE>(std::clamp(std::nearbyint(value), 0.0, 255.0));
        }
    }
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* pixel = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, pixel += 3) {
            pixel[2] = tables[0][pixel[2]];  // red: the first component
            pixel[1] = tables[1][pixel[1]];
            pixel[0] = tables[2][pixel[0]];
        }
    }
}

bool IsIdentity(const std::vector<double>& decode, int components) {
    for (int i = 0; i < components; ++i)
        if (decode[i * 2] != 0 || decode[i * 2 + 1] != 1) return false;
    return true;
}

}  // namespace

void TPDFImageDecoder::DecodeDCT() {
    Drawable = true;
    if (Data.size() >= 3 && Data[0] == '\n' && Data[1] == '\xFF' && Data[2] == '\xD8') Data.erase(0, 1);
    if (KeepEncoded) {
        EncodedKind = kEncodedJPEG;
        EncodedStream = std::make_unique<TMemoryStream>();
        EncodedStream->WriteString(Data);
        Data.clear();
        return;
    }
    if (!ImageSizeFits(Width, Height)) {
        Drawable = false;
        return;
    }
    if (Data.empty()) {
        Bitmap = std::make_unique<TBitmap>(Width, Height, pf24bit);
        return;
    }

    TPDFJPEGImage jpeg;
    jpeg.SetColorManager(ColorManager);
    std::unique_ptr<TBitmap> picture;
    int components = 0;
    const std::vector<double> decode = DecodeValues();
    try {
        TStringStream stream(Data);
        jpeg.LoadFromStream(stream);
        components = jpeg.Data().components;
        if (components == 4) {
            // CMYK and YCCK samples are read as stored unless a Decode array says otherwise
            // (Adobe's inverted data comes with [1 0 1 0 1 0 1 0]).
            std::array<double, 8> ranges = {0, 1, 0, 1, 0, 1, 0, 1};
            if (decode.size() >= 8) std::copy_n(decode.begin(), 8, ranges.begin());
            jpeg.SetCMYKDecode(ranges);
        }
        picture = jpeg.ReleaseBitmap();
    } catch (...) {
        // Unreadable data leaves a blank picture of the image's size behind.
        Bitmap = std::make_unique<TBitmap>(Width, Height, pf24bit);
        throw;
    }
    const bool decodeFits = decode.size() >= static_cast<std::size_t>(components) * 2;
    const bool fits = picture->Width() == Width && picture->Height() == Height;
    if (fits && picture->PixelFormat() == pf24bit) Bitmap = std::move(picture);  // decoded in place: no copy
    else Bitmap = fits ? Bitmap24Copy(*picture) : ScaledBitmap(*picture, Width, Height);
    const bool numericSpace = ColorSpace != "Lab" && ColorSpace != "Indexed";
    if (components != 4 && decodeFits && numericSpace && !IsIdentity(decode, components))
        ApplyDecodeRanges(*Bitmap, decode, components);

    if (ColorSpace == "Lab") ConvertLab(*Bitmap);
    else if (ColorSpace == "Separation") ConvertSeparation(*Bitmap);
    else if (ColorSpace == "DeviceN") ConvertDeviceN(*Bitmap);
    if (!ICCProfile.empty()) ApplyICCProfile(*Bitmap);
    if (Bitmap->PixelFormat() != pf24bit) Bitmap->SetPixelFormat(pf24bit);
}

}  // namespace parch
