#include "pdf/images/ScrivletDither.h"

#include <algorithm>
#include <cstddef>

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

namespace {

constexpr int kStuckiDivisor = 42;

// The least accumulated error s for which value + s / 42 (truncated toward zero, as the engine
// divides) reaches `at` or more.
constexpr int LeastErrorReaching(int at) { return at >= 1 ? kStuckiDivisor * at : kStuckiDivisor * at - (kStuckiDivisor - 1); }

// For one source value, the accumulated errors at which its corrected value turns white, and
// below and from which the clamp to 0..255 takes over. Compared against the error sum, they
// decide the pixel without waiting for the division.
struct CorrectionLimits {
    std::int32_t WhiteFrom;
    std::int32_t ClampedBelow;
    std::int32_t ClampedFrom;
};

constexpr std::array<CorrectionLimits, 256> MakeCorrectionLimits() {
    std::array<CorrectionLimits, 256> limits{};
    for (int value = 0; value < 256; ++value)
        limits[static_cast<std::size_t>(value)] = {LeastErrorReaching(128 - value), LeastErrorReaching(-value),
                                                   LeastErrorReaching(256 - value)};
    return limits;
}

constexpr std::array<CorrectionLimits, 256> kCorrectionLimits = MakeCorrectionLimits();

// value + error / 42 clamped to 0..255, as masks (no branch on the pixel).
inline int StuckiCorrected(int value, int error) {
    const CorrectionLimits& limits = kCorrectionLimits[static_cast<std::size_t>(value)];
    const int inside = (error >= limits.ClampedBelow) & (error < limits.ClampedFrom);
    const int above = error >= limits.ClampedFrom;
    return ((value + error / kStuckiDivisor) & -inside) | (-above & 255);
}

// The Stucki ditherer with the monochrome look-up, a row at a time. Integer sums do not depend
// on their order, so the error that the two rows above pass down is added up for a whole row
// before it is walked (a loop whose steps do not wait on each other, which the compiler
// vectorises); the serpentine walk itself only carries the errors of the two pixels behind it.
// The rows below weigh 2 4 8 4 2 and 1 2 4 2 1, the same both ways, so right-to-left rows use
// them unchanged.
// Gives exactly the indices that TStuckiDitherer and TMonochromeLookup give pixel by pixel.
// Channels is 3 (red, green and blue carry their own errors) or 1 (a grey source, where the
// three channels are the same number throughout and 77 + 150 + 29 = 256).
template <int Channels>
class StuckiMonochromeRows {
public:
    explicit StuckiMonochromeRows(int width)
        : width_(width), stride_(static_cast<std::size_t>(width + 2 * kPad) * Channels) {
        for (std::vector<std::int16_t>& row : storage_) row.assign(stride_, 0);
        carried_.assign(static_cast<std::size_t>(width) * Channels, 0);
        current_ = storage_[0].data();
        above_ = storage_[1].data();
        twoAbove_ = storage_[2].data();
    }

    // One row of 24-bit pixels (blue, green, red) to indices 0 and 1.
    void DitherRow(const BYTE* pixels, BYTE* indices, bool leftToRight) {
        SumCarriedErrors();
        if (leftToRight)
            Walk<1>(pixels, indices);
        else
            Walk<-1>(pixels, indices);
        std::int16_t* reused = twoAbove_;
        twoAbove_ = above_;
        above_ = current_;
        current_ = reused;  // every pixel entry is written again; the padding stays 0
    }

private:
    static constexpr int kPad = 2;

    // The error entering each entry from the two rows above, plus half the divisor for rounding.
    // At most 30 x 255 + 21 in size, so 16 bits hold it.
    void SumCarriedErrors() {
        const std::int16_t* a = above_ + kPad * Channels;
        const std::int16_t* b = twoAbove_ + kPad * Channels;
        constexpr int c = Channels;
        const int count = width_ * Channels;
        std::int16_t* out = carried_.data();
        for (int i = 0; i < count; ++i) {
            out[i] = static_cast<std::int16_t>(kStuckiDivisor / 2 + 2 * a[i - 2 * c] + 4 * a[i - c] + 8 * a[i] +
                                               4 * a[i + c] + 2 * a[i + 2 * c] + b[i - 2 * c] + 2 * b[i - c] +
                                               4 * b[i] + 2 * b[i + c] + b[i + 2 * c]);
        }
    }

    template <int Step>
    void Walk(const BYTE* pixels, BYTE* indices) {
        const std::int16_t* carried = carried_.data();
        std::int16_t* errors = current_ + kPad * Channels;
        const int first = Step > 0 ? 0 : width_ - 1;
        if constexpr (Channels == 1) {
            // White and the clamps follow from comparisons of the error sum, which run beside
            // the division instead of after it.
            int behind = 0, twoBehind = 0;
            for (int x = first, left = width_; left > 0; --left, x += Step) {
                const int grey = pixels[3 * x];
                const CorrectionLimits& limits = kCorrectionLimits[static_cast<std::size_t>(grey)];
                const int error = carried[x] + 8 * behind + 4 * twoBehind;
                const int white = error >= limits.WhiteFrom;
                const int inside = (error >= limits.ClampedBelow) & (error < limits.ClampedFrom);
                twoBehind = behind;
                // Clamped values are 0 (black) or 255 (white): no error left.
                behind = (error / kStuckiDivisor + grey - (-white & 255)) & -inside;
                errors[x] = static_cast<std::int16_t>(behind);
                indices[x] = static_cast<BYTE>(white);
            }
        } else {
            int r1 = 0, g1 = 0, b1 = 0, r2 = 0, g2 = 0, b2 = 0;
            for (int x = first, left = width_; left > 0; --left, x += Step) {
                const BYTE* pixel = pixels + 3 * x;
                const std::int16_t* in = carried + 3 * x;
                const int red = StuckiCorrected(pixel[2], in[0] + 8 * r1 + 4 * r2);
                const int green = StuckiCorrected(pixel[1], in[1] + 8 * g1 + 4 * g2);
                const int blue = StuckiCorrected(pixel[0], in[2] + 8 * b1 + 4 * b2);
                const int white = 77 * red + 150 * green + 29 * blue > TMonochromeLookup::kThreshold;
                const int level = -white & 255;
                r2 = r1;
                g2 = g1;
                b2 = b1;
                r1 = red - level;
                g1 = green - level;
                b1 = blue - level;
                std::int16_t* error = errors + 3 * x;
                error[0] = static_cast<std::int16_t>(r1);
                error[1] = static_cast<std::int16_t>(g1);
                error[2] = static_cast<std::int16_t>(b1);
                indices[x] = static_cast<BYTE>(white);
            }
        }
    }

    int width_;
    std::size_t stride_;
    std::array<std::vector<std::int16_t>, 3> storage_;
    std::vector<std::int16_t> carried_;
    std::int16_t* current_;
    std::int16_t* above_;
    std::int16_t* twoAbove_;
};

// Each byte against the next one, where both belong to the same pixel: in blocks of 48 bytes
// (whole pixels, whole vector registers) with a fixed mask, so the compiler vectorises it.
bool DitherRowIsGrey(const BYTE* row, int width) {
    constexpr int kBlock = 48;
    static constexpr std::array<BYTE, kBlock> kSamePixel = [] {
        std::array<BYTE, kBlock> mask{};
        for (int i = 0; i < kBlock; ++i) mask[static_cast<std::size_t>(i)] = i % 3 == 2 ? 0 : 0xFF;
        return mask;
    }();
    const int bytes = 3 * width;
    unsigned difference = 0;
    int i = 0;
    for (; i + kBlock < bytes; i += kBlock) {
        BYTE block = 0;
        for (int k = 0; k < kBlock; ++k)
            block |= static_cast<BYTE>((row[i + k] ^ row[i + k + 1]) & kSamePixel[static_cast<std::size_t>(k)]);
        difference |= block;
    }
    for (; i < bytes; i += 3) difference |= static_cast<unsigned>((row[i] ^ row[i + 1]) | (row[i] ^ row[i + 2]));
    return difference == 0;
}

bool DitherSourceIsGrey(TBitmap& source) {
    for (int y = 0; y < source.Height(); ++y)
        if (!DitherRowIsGrey(source.ScanLine(y), source.Width())) return false;
    return true;
}

template <int Channels>
void DitherRows(TBitmap& source, TBitmap& destination) {
    StuckiMonochromeRows<Channels> rows(source.Width());
    for (int y = 0; y < source.Height(); ++y) rows.DitherRow(source.ScanLine(y), destination.ScanLine(y), y % 2 == 0);
}

}  // namespace

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
    if (DitherSourceIsGrey(source))
        DitherRows<1>(source, destination);
    else
        DitherRows<3>(source, destination);
}

}  // namespace parch
