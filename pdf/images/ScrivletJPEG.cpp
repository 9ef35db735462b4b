#include "pdf/images/ScrivletJPEG.h"

#include <algorithm>
#include <cmath>

#include "base/Streams.h"

namespace parch {

namespace {

BYTE ChannelToByte(double value) { return static_cast<BYTE>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0)); }

}  // namespace

TPDFJPEGImage::TPDFJPEGImage()
    : ownManager_(std::make_unique<TPDFSimpleColorManager>()), manager_(ownManager_.get()) {}

TPDFJPEGImage::~TPDFJPEGImage() = default;

void TPDFJPEGImage::SetColorManager(TPDFSimpleColorManager* manager) {
    if (!manager) return;
    manager_ = manager;
    ownManager_.reset();
}

void TPDFJPEGImage::DecodeDirectCMYK() {
    if (direct_) return;
    SetCMYKDecode({0, 1, 0, 1, 0, 1, 0, 1});
}

void TPDFJPEGImage::SetCMYKDecode(const std::array<double, 8>& decode) {
    decode_ = decode;
    direct_ = decode == std::array<double, 8>{0, 1, 0, 1, 0, 1, 0, 1};
    DropBitmap();
}

void TPDFJPEGImage::SaveAsBMP(TStream& stream) {
    TBitmap bitmap;
    bitmap.Assign(&Bitmap());
    bitmap.SaveToStream(stream);
}

void TPDFJPEGImage::ConvertCMYK(TBitmap& bitmap) {
    TBitmap converted(bitmap.Width(), bitmap.Height(), pf24bit);
    const auto sample = [this](BYTE byte, int component) {
        const double low = decode_[component * 2], high = decode_[component * 2 + 1];
        return low + byte / 255.0 * (high - low);
    };
    for (int y = 0; y < bitmap.Height(); ++y) {
        const BYTE* from = bitmap.ScanLine(y);
        BYTE* to = converted.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, from += 4, to += 3) {
            TPDFRGBValue rgb;
            manager_->CMYKToRGB(
                TPDFCMYKValue{sample(from[0], 0), sample(from[1], 1), sample(from[2], 2), sample(from[3], 3)}, rgb);
            to[0] = ChannelToByte(rgb.B);
            to[1] = ChannelToByte(rgb.G);
            to[2] = ChannelToByte(rgb.R);
        }
    }
    bitmap.Assign(&converted);
}

}  // namespace parch
