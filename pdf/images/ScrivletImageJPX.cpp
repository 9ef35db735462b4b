// JPEG 2000 data (/JPXDecode): decoded by TJpeg2000Bitmap, then CMYK and Indexed pictures are
// brought to RGB.

#include <algorithm>
#include <cmath>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletJPX.h"

namespace parch {

namespace {

BYTE ChannelByte(double value) { return static_cast<BYTE>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0)); }

// A 32-bit picture whose bytes 3, 2, 1, 0 hold c, m, y, k, turned into red, green, blue.
void ConvertCMYKPixels(TBitmap& bitmap, TPDFSimpleColorManager& colors) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* pixel = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, pixel += 4) {
            TPDFRGBValue rgb;
            colors.CMYKToRGB(TPDFCMYKValue{pixel[3] / 255.0, pixel[2] / 255.0, pixel[1] / 255.0, pixel[0] / 255.0}, rgb);
            pixel[2] = ChannelByte(rgb.R);
            pixel[1] = ChannelByte(rgb.G);
            pixel[0] = ChannelByte(rgb.B);
            pixel[3] = 255;
        }
    }
}

// The indices of an 8-bit Indexed picture looked up in the palette. Entries beyond the lookup
// table (or hival) give black. BitsPerComponent is not consulted: JPEG 2000 data carries its
// own precision, and PDF files often leave the entry out.
void ConvertIndexedJPX(TPDFImageDecoder& decoder) {
    TBitmap& bitmap = *decoder.Bitmap;
    if (bitmap.PixelFormat() != pf8bit) return;
    const std::string& base = decoder.BaseColorSpace;
    const int components = base == "DeviceCMYK" ? 4 : base == "DeviceRGB" ? 3 : base == "DeviceGray" ? 1 : 0;
    if (components == 0) return;
    auto converted = std::make_unique<TBitmap>(bitmap.Width(), bitmap.Height(), pf24bit);
    const auto entry = [&](int index, int component) {
        return static_cast<BYTE>(decoder.Lookup[static_cast<std::size_t>(index * components + component)]);
    };
    for (int y = 0; y < bitmap.Height(); ++y) {
        const BYTE* from = bitmap.ScanLine(y);
        BYTE* to = converted->ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, to += 3) {
            const int index = from[x];
            const bool inTable = index <= decoder.HiVal &&
                                 static_cast<std::size_t>((index + 1) * components) <= decoder.Lookup.size();
            if (!inTable) continue;
            if (components == 4) {
                TPDFRGBValue rgb;
                decoder.ColorManager->CMYKToRGB(TPDFCMYKValue{entry(index, 0) / 255.0, entry(index, 1) / 255.0,
                                                              entry(index, 2) / 255.0, entry(index, 3) / 255.0},
                                                rgb);
                to[2] = ChannelByte(rgb.R);
                to[1] = ChannelByte(rgb.G);
                to[0] = ChannelByte(rgb.B);
            } else if (components == 3) {
                to[2] = entry(index, 0);
                to[1] = entry(index, 1);
                to[0] = entry(index, 2);
            } else {
                to[0] = to[1] = to[2] = entry(index, 0);
            }
        }
    }
    decoder.Bitmap = std::move(converted);
}

}  // namespace

void TPDFImageDecoder::DecodeJPX() {
    Drawable = false;
    auto picture = std::make_unique<TJpeg2000Bitmap>();
    // An Indexed image's components are the indices; the JP2 palette is not the PDF's.
    picture->KeepCodedComponents = ColorSpace == "Indexed";
    try {
        TStringStream stream(Data);
        picture->LoadFromStream(stream);
    } catch (const std::exception&) {
        return;  // damaged or unsupported data leaves the image undrawn
    }
    Bitmap = std::make_unique<TBitmap>();
    Bitmap->Assign(picture.get());
    if (Bitmap->PixelFormat() == pf32bit && ColorSpace == "DeviceCMYK") ConvertCMYKPixels(*Bitmap, *ColorManager);
    if (ColorSpace == "Indexed") ConvertIndexedJPX(*this);
    Bitmap->SetPixelFormat(pf24bit);
    Drawable = true;
}

}  // namespace parch
