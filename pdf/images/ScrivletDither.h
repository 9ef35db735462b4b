#pragma once
// Error diffusion: a colour look-up that maps a colour to a palette index, a dither engine that
// walks the pixels of a row in serpentine order, a base for 5 x 3 kernels and the Stucki kernel.
// The EPS writer turns soft masks into black-and-white masks with it (DitherToMonochrome).

#include <array>
#include <cstdint>
#include <vector>

namespace parch {

class TBitmap;

class TColorLookup {
public:
    virtual ~TColorLookup() = default;
    int ColorCount() const { return colorCount_; }
    // The palette index for the colour; the palette colour itself comes back in the out values.
    virtual int MapColor(int red, int green, int blue, int& outRed, int& outGreen, int& outBlue) const = 0;

protected:
    explicit TColorLookup(int colorCount) : colorCount_(colorCount) {}

private:
    int colorCount_;
};

// Black (0) and white (1), split at a weighted luminance.
class TMonochromeLookup : public TColorLookup {
public:
    // 77 r + 150 g + 29 b above this is white.
    static constexpr int kThreshold = 0x7F00;

    TMonochromeLookup() : TColorLookup(2) {}
    int MapColor(int red, int green, int blue, int& outRed, int& outGreen, int& outBlue) const override;
};

class TDitherEngine {
public:
    // Starts at column 0 going right. The look-up is borrowed.
    TDitherEngine(int width, const TColorLookup& lookup);
    virtual ~TDitherEngine() = default;
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;

    // Maps the colour and steps to the next column of the row.
    virtual int DitherPixel(int red, int green, int blue, int& outRed, int& outGreen, int& outBlue);
    // Reverses the direction and starts the row at its new first column.
    virtual void NextRow();

    int Width() const { return width_; }
    int Column() const { return column_; }
    int Direction() const { return direction_; }

private:
    const TColorLookup& lookup_;
    int width_;
    int direction_ = 1;
    int column_ = 0;
};

// Error diffusion over the current row and the two below it. Each row keeps two entries of
// margin on both sides, so a kernel five columns wide never leaves it.
class T5by3Ditherer : public TDitherEngine {
public:
    T5by3Ditherer(int width, const TColorLookup& lookup, int divisor);

    int DitherPixel(int red, int green, int blue, int& outRed, int& outGreen, int& outBlue) override;
    void NextRow() override;

    int Divisor() const { return divisor_; }
    // Accumulated error of a channel (0 red, 1 green, 2 blue) in row 0 (current), 1 or 2, at
    // entry `entry` (column + 2).
    std::int32_t ErrorAt(int channel, int row, int entry) const;

protected:
    static constexpr int kMargin = 2;

    // Each pointer addresses the entry of the current column in its row.
    virtual void SpreadError(std::int32_t* current, std::int32_t* next, int error, std::int32_t* afterNext) = 0;
    int Direction2() const { return direction2_; }

private:
    struct ChannelRows {
        std::array<std::vector<std::int32_t>, 3> Rows;  // current, next, after next
    };

    int divisor_;
    int direction2_ = 2;
    int cursor_ = kMargin;
    std::array<ChannelRows, 3> channels_;
};

class TStuckiDitherer : public T5by3Ditherer {
public:
    TStuckiDitherer(int width, const TColorLookup& lookup) : T5by3Ditherer(width, lookup, 42) {}

protected:
    void SpreadError(std::int32_t* current, std::int32_t* next, int error, std::int32_t* afterNext) override;
};

// Dithers a 24-bit source into `destination`, which becomes an 8-bit bitmap of the same size
// holding 0 (black) or 1 (white) per pixel, with those two colours as its first palette
// entries. EInvalidGraphic when the source is not 24-bit or is the destination itself.
void DitherToMonochrome(TBitmap& source, TBitmap& destination);

}  // namespace parch
