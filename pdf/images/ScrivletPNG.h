#pragma once
// PNG files of our own: TPNGWriter writes a bitmap (RGB, RGBA with an alpha mask, or a
// two-entry palette for one-bit bitmaps), with resolution and an optional ICC profile;
// TPNGReader walks a PNG's chunks and turns its image data into samples, colour and alpha
// apart, and DecodePNGPixels expands those samples to 8-bit BGRA pixels.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace parch {

class TBitmap;
class TStream;

// CRC-32 of the PNG chunks (polynomial 0xEDB88320, initial all ones, final complement) over
// the bytes, continuing from crc (start with 0).
std::uint32_t PNGChunkCRC(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc = 0);

class TPNGWriter {
public:
    // Copies the bitmap: a one-bit bitmap keeps its two palette colours, any other becomes RGB.
    explicit TPNGWriter(const TBitmap& bitmap);
    ~TPNGWriter();
    TPNGWriter(const TPNGWriter&) = delete;
    TPNGWriter& operator=(const TPNGWriter&) = delete;

    // Dots per inch for the pHYs chunk.
    void SetResolution(std::int32_t dpi) { resolution_ = dpi; }
    // One alpha byte per mask pixel: its blue byte, complemented with invert; the PNG becomes
    // RGBA. A mask of another size is sampled by pixel position. Nil is ignored.
    void SetAlphaMask(const TBitmap* mask, bool invert);
    // Kept deflated for the iCCP chunk.
    void SetICCProfile(const std::string& profile);
    // Writes the file at the stream's position.
    void SaveToStream(TStream& stream);

private:
    std::string RawImage() const;

    std::int32_t resolution_ = 0;
    std::unique_ptr<TBitmap> bitmap_;
    bool hasAlpha_ = false;
    std::int32_t alphaWidth_ = 0;
    std::vector<std::string> alphaRows_;
    std::string iccProfile_;  // deflated
};

class TPNGReader {
public:
    // Set before loading.
    bool ChunksOnly = false;
    bool Reduce16BitColor = false;
    bool Reduce16BitAlpha = false;

    // Reads from the stream's position; stops quietly at damage and keeps what it found.
    void LoadFromStream(TStream& stream);

    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t BitDepth = 0;
    std::int32_t ColorBitDepth = 0;  // of ColorSamples
    std::int32_t AlphaBitDepth = 0;  // of AlphaSamples
    std::uint8_t ColorType = 0;
    std::uint8_t CompressionMethod = 0;
    std::uint8_t FilterMethod = 0;
    std::uint8_t InterlaceMethod = 0;
    std::int32_t PaletteCount = 0;
    std::string Palette;
    std::string Transparency;  // tRNS bytes
    std::string ImageData;     // the IDAT chunks joined
    // Rows of samples, still deflated; with PassThrough, ColorSamples is the IDAT data as it
    // stands (deflated, with its row filters).
    std::string ColorSamples;
    std::string AlphaSamples;
    std::int32_t ResolutionX = 96;
    std::int32_t ResolutionY = 96;
    bool PassThrough = false;
    std::int64_t PalettePosition = 0;       // of the PLTE data
    std::int64_t TransparencyPosition = 0;  // of the tRNS length field; 0 when none
    std::int64_t ImageDataPosition = 0;     // of the first IDAT length field

private:
    friend bool DecodePNGPixels(const std::string& bytes, struct TPNGPixels& pixels);
    void ExtractSamples();
    // The image data inflated, unfiltered and de-interlaced: colour and alpha rows apart, at
    // the file's depth. False for a depth or size we do not read.
    bool UnfilterSamples(std::string& color, std::string& alpha) const;

    bool gatherOnly_ = false;  // gather the IDAT data but leave the samples to the caller
};

// A PNG file's pixels as B | G << 8 | R << 16 | A << 24 values, rows top-down: palette and
// transparency honoured, 16-bit samples keep their high byte. False for data that is not a
// PNG we can read or is over the image bounds.
struct TPNGPixels {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint32_t> Pixels;
};
bool DecodePNGPixels(const std::string& bytes, TPNGPixels& pixels);

}  // namespace parch
