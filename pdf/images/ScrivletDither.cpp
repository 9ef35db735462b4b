#include "pdf/images/ScrivletDither.h"

#include <algorithm>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Bitmaps.h"

namespace parch {

int TMonochromeLookup::MapColor(int red, int green, int blue, int& outRed, int& outGreen, int& outBlue) const {
    const bool white = 77 * red + 150 * green + 29 * blue > kThreshold;
    outRed = outGreen = outBlue = white ? 255 : 0;
    return white ? 1 : 0;
}

TDitherEngine::TDitherEngine(int width, const TColorLookup& lookup) : lookup_(lookup), width_(std::max(0, width)) {}

int TDitherEngine::DitherPixel(int red, int green, int blue, int& outRed, int& outGreen, int& outBlue) {
    const int index = lookup_.MapColor(red, green, blue, outRed, outGreen, outBlue);
    column_ += direction_;
    return index;
}

void TDitherEngine::NextRow() {
    direction_ = -direction_;
    column_ = direction_ > 0 ? 0 : width_ - 1;
}

T5by3Ditherer::T5by3Ditherer(int width, const TColorLookup& lookup, int divisor)
    : TDitherEngine(width, lookup), divisor_(std::max(1, divisor)) {
    for (ChannelRows& channel : channels_)
        for (std::vector<std::int32_t>& row : channel.Rows) row.assign(static_cast<std::size_t>(Width()) + 2 * kMargin, 0);
}

std::int32_t T5by3Ditherer::ErrorAt(int channel, int row, int entry) const {
    return channels_.at(static_cast<std::size_t>(channel)).Rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(entry));
}

int T5by3Ditherer::DitherPixel(int red, int green, int blue, int& outRed, int& outGreen, int& outBlue) {
    const int half = divisor_ / 2;
    const std::array<int, 3> wanted{red, green, blue};
    std::array<int, 3> corrected{};
    for (std::size_t c = 0; c < 3; ++c) {
        const std::int32_t carried = channels_[c].Rows[0][static_cast<std::size_t>(cursor_)];
        corrected[c] = std::clamp(wanted[c] + (carried + half) / divisor_, 0, 255);
    }
    const int index = TDitherEngine::DitherPixel(corrected[0], corrected[1], corrected[2], outRed, outGreen, outBlue);
    const std::array<int, 3> chosen{outRed, outGreen, outBlue};
    for (std::size_t c = 0; c < 3; ++c) {
        auto& rows = channels_[c].Rows;
        const auto at = static_cast<std::size_t>(cursor_);
        SpreadError(rows[0].data() + at, rows[1].data() + at, corrected[c] - chosen[c], rows[2].data() + at);
    }
    cursor_ += Direction();
    return index;
}

void T5by3Ditherer::NextRow() {
    for (ChannelRows& channel : channels_) {
        std::fill(channel.Rows[0].begin(), channel.Rows[0].end(), 0);
        std::rotate(channel.Rows.begin(), channel.Rows.begin() + 1, channel.Rows.end());
    }
    TDitherEngine::NextRow();
    direction2_ = 2 * Direction();
    cursor_ = Direction() > 0 ? kMargin : Width() + 1;
}

void TStuckiDitherer::SpreadError(std::int32_t* current, std::int32_t* next, int error, std::int32_t* afterNext) {
    if (error == 0) return;
    const int d = Direction();
    const int d2 = Direction2();
    current[d] += 8 * error;
    current[d2] += 4 * error;
    next[-d2] += 2 * error;
    next[-d] += 4 * error;
    next[0] += 8 * error;
    next[d] += 4 * error;
    next[d2] += 2 * error;
    afterNext[-d2] += error;
    afterNext[-d] += 2 * error;
    afterNext[0] += 4 * error;
    afterNext[d] += 2 * error;
    afterNext[d2] += error;
}

void DitherToMonochrome(TBitmap& source, TBitmap& destination) {
    if (source.PixelFormat() != pf24bit) throw EInvalidGraphic("Dithering needs a 24-bit source bitmap");
    if (&source == &destination) throw EInvalidGraphic("Dithering needs a destination other than its source");
    const int width = source.Width();
    const int height = source.Height();
    destination.SetPixelFormat(pf8bit);
    destination.SetSize(width, height);
    if (width == 0 || height == 0) return;
    // The two indices must read as black and white when the bitmap is converted further.
    if (GdiBitmap* pixels = ResolveHandle(destination.Handle()); pixels && pixels->ColorTable().size() >= 2) {
        pixels->ColorTable()[0] = RGBQUAD{0, 0, 0, 0};
        pixels->ColorTable()[1] = RGBQUAD{255, 255, 255, 0};
    }

    const TMonochromeLookup lookup;
    TStuckiDitherer ditherer(width, lookup);
    for (int y = 0; y < height; ++y) {
        const BYTE* in = source.ScanLine(y);
        BYTE* out = destination.ScanLine(y);
        for (int x = ditherer.Column(); x >= 0 && x < width; x = ditherer.Column()) {
            const BYTE* pixel = in + 3 * static_cast<std::ptrdiff_t>(x);
            int r = 0, g = 0, b = 0;
            out[x] = static_cast<BYTE>(ditherer.DitherPixel(pixel[2], pixel[1], pixel[0], r, g, b));
        }
        ditherer.NextRow();
    }
}

}  // namespace parch
