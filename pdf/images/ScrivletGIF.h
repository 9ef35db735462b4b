#pragma once
// GIF87a output of a rendered page: an octree quantiser reduces the page to at most 256
// colours, a cached inverse look-up maps every pixel to its palette index, and a GIF LZW
// encoder writes the indices in data sub-blocks.

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/SysUtils.h"

namespace parch {

class TBitmap;
class TStream;

// A page the GIF format cannot describe.
class EPDFGIFError : public Exception {
public:
    using Exception::Exception;
};

struct TGIFPaletteEntry {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    std::uint8_t Flags = 0;
};

// Width and height are 16-bit fields of the file.
inline constexpr int kMaxGIFSide = 65535;

class TOctreeNode {
public:
    bool Leaf = false;
    std::uint32_t PixelCount = 0;
    std::uint64_t RedSum = 0, GreenSum = 0, BlueSum = 0;
    std::array<std::unique_ptr<TOctreeNode>, 8> Children;
    TOctreeNode* NextReducible = nullptr;
};

class TColorQuantizer {
public:
    explicit TColorQuantizer(int maxColors = 256, int colorBits = 8);
    ~TColorQuantizer();
    TColorQuantizer(const TColorQuantizer&) = delete;
    TColorQuantizer& operator=(const TColorQuantizer&) = delete;

    // A new 8-bit bitmap of the 24-bit source's size whose colour table is Palette() (the
    // entries past it zero).
    std::unique_ptr<TBitmap> QuantizeBitmap(TBitmap& bitmap);
    // One entry per leaf of the tree, in tree order; filled by QuantizeBitmap.
    const std::vector<TGIFPaletteEntry>& Palette() const { return palette_; }

private:
    void AddColor(std::unique_ptr<TOctreeNode>& node, int red, int green, int blue, int level);
    // Merges the newest node of the deepest level that has children; false when none is left.
    bool ReduceTree();
    void CollectPalette(const TOctreeNode& node);

    std::unique_ptr<TOctreeNode> root_;
    int leafCount_ = 0;
    std::array<TOctreeNode*, 8> reducible_{};
    int maxColors_;
    int colorBits_;
    std::vector<TGIFPaletteEntry> palette_;
};

// Nearest palette colour through a table of 32,768 cells (five bits per channel). A colour
// whose cell holds exactly one palette colour answers from the cell; cells that hold several
// palette colours are searched exactly, so a page of few colours keeps each of them.
class TFastColorLookup {
public:
    explicit TFastColorLookup(const std::vector<TGIFPaletteEntry>& palette);

    int NearestIndex(int red, int green, int blue);
    int Count() const { return static_cast<int>(palette_.size()); }

private:
    static int CellOf(int red, int green, int blue) { return (blue >> 3) * 1024 + (green >> 3) * 32 + (red >> 3); }
    int SearchNearest(int red, int green, int blue) const;

    std::vector<TGIFPaletteEntry> palette_;
    std::vector<std::int16_t> cells_;
    std::vector<bool> shared_;
    std::unordered_map<std::uint32_t, std::uint8_t> sharedAnswers_;
};

// Prefix-and-byte keys of the LZW string table with their codes, open addressing over 8,009
// slots.
class THashTable {
public:
    static constexpr int kSize = 8009;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

    THashTable();
    void Clear();
    // The key's code, or -1.
    int Lookup(std::uint32_t key) const;
    void Insert(std::uint32_t key, int code);

private:
    static int FirstSlot(std::uint32_t key) { return static_cast<int>((key ^ (key >> 4)) % kSize); }
    static int NextSlot(int slot);

    std::vector<std::uint32_t> slots_;
};

// Bytes gathered into data sub-blocks of at most 255 bytes, each behind its length byte.
class TGIFStream {
public:
    explicit TGIFStream(TStream& stream) : stream_(stream) {}
    void Put(std::uint8_t byte);
    // Writes a partly filled block.
    void Flush();

private:
    TStream& stream_;
    std::array<std::uint8_t, 255> block_{};
    int count_ = 0;
};

class TAbstractGIFEncoder {
public:
    virtual ~TAbstractGIFEncoder() = default;
    // Writes the minimum code size byte, the coded data in sub-blocks and the block terminator.
    // `data` holds `width` bytes per row, `height` rows (`width` bytes in all with interlace).
    void Encode(TStream& stream, int bitsPerPixel, int maxColor, std::string_view data, bool interlace, int height,
                int width);

protected:
    virtual void EmitCode(int code);
    virtual void EmitClear();
    virtual void CompressData() = 0;
    // The next pixel of the data.
    std::uint8_t NextPixel() { return static_cast<std::uint8_t>(data_[position_++]); }

    int bitsPerPixel_ = 0;
    int initialCodeSize_ = 0;
    int codeSize_ = 0;
    int maxCode_ = 0;
    int clearCode_ = 0;
    int endCode_ = 0;
    int firstFreeCode_ = 0;
    bool clearFlag_ = false;
    std::int64_t pixelCount_ = 0;

private:
    std::string_view data_;
    std::size_t position_ = 0;
    std::uint32_t bitBucket_ = 0;
    int bitCount_ = 0;
    TGIFStream* output_ = nullptr;
};

class TGIFEncoder : public TAbstractGIFEncoder {
protected:
    void EmitCode(int code) override;
    void EmitClear() override;
    void CompressData() override;

private:
    // Codes up to this one enter the string table; the next string clears it instead.
    static constexpr int kLastTableCode = 4094;

    THashTable table_;
    int prefix_ = 0;
    int nextFreeCode_ = 0;
};

class TPDFGIFWriter {
public:
    TPDFGIFWriter();
    ~TPDFGIFWriter();
    TPDFGIFWriter(const TPDFGIFWriter&) = delete;
    TPDFGIFWriter& operator=(const TPDFGIFWriter&) = delete;

    // Switches the bitmap to 24 bits in place and keeps its quantised form. EPDFGIFError for a
    // side above 65,535 pixels.
    void LoadFromBitmap(TBitmap& bitmap);
    void SaveToStream(TStream& stream) const;

    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::vector<TGIFPaletteEntry>& Palette() const { return palette_; }

private:
    std::unique_ptr<TBitmap> quantized_;
    int width_ = 0;
    int height_ = 0;
    std::vector<TGIFPaletteEntry> palette_;
};

// Writes the page bitmap as a GIF file: what the page output calls.
void SaveBitmapAsGIF(TBitmap& bitmap, TStream& stream);

}  // namespace parch
