#include "pdf/images/ScrivletGIF.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Bitmaps.h"

namespace parch {

namespace {

void GifPutWord(TStream& stream, int value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>((value >> 8) & 0xFF)};
    stream.WriteBuffer(bytes, 2);
}

void GifPutByte(TStream& stream, std::uint8_t value) { stream.WriteBuffer(&value, 1); }

void GifCheckSize(int width, int height) {
    if (width > kMaxGIFSide || height > kMaxGIFSide)
        throw EPDFGIFError("A GIF image holds at most 65535 x 65535 pixels; the page has " + std::to_string(width) +
                           " x " + std::to_string(height));
}

}  // namespace

// ---- Quantiser ----

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : maxColors_(std::clamp(maxColors, 1, 256)), colorBits_(std::clamp(colorBits, 1, 8)) {}

// Deep trees are at most nine levels, so the default recursive release is fine.
TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::AddColor(std::unique_ptr<TOctreeNode>& node, int red, int green, int blue, int level) {
    if (!node) {
        node = std::make_unique<TOctreeNode>();
        if (level == colorBits_) {
            node->Leaf = true;
            ++leafCount_;
        } else {
            node->NextReducible = reducible_[static_cast<std::size_t>(level)];
            reducible_[static_cast<std::size_t>(level)] = node.get();
        }
    }
    if (node->Leaf) {
        ++node->PixelCount;
        node->RedSum += static_cast<std::uint64_t>(red);
        node->GreenSum += static_cast<std::uint64_t>(green);
        node->BlueSum += static_cast<std::uint64_t>(blue);
        return;
    }
    const int shift = 7 - level;
    const int index = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
    AddColor(node->Children[static_cast<std::size_t>(index)], red, green, blue, level + 1);
}

bool TColorQuantizer::ReduceTree() {
    int level = colorBits_ - 1;
    while (level > 0 && reducible_[static_cast<std::size_t>(level)] == nullptr) --level;
    TOctreeNode* node = reducible_[static_cast<std::size_t>(level)];
    if (node == nullptr) return false;
    reducible_[static_cast<std::size_t>(level)] = node->NextReducible;
    int children = 0;
    for (std::unique_ptr<TOctreeNode>& child : node->Children) {
        if (!child) continue;
        node->PixelCount += child->PixelCount;
        node->RedSum += child->RedSum;
        node->GreenSum += child->GreenSum;
        node->BlueSum += child->BlueSum;
        child.reset();
        ++children;
    }
    node->Leaf = true;
    leafCount_ -= children - 1;
    return true;
}

void TColorQuantizer::CollectPalette(const TOctreeNode& node) {
    if (node.Leaf) {
        const std::uint64_t count = std::max<std::uint64_t>(1, node.PixelCount);
        palette_.push_back(TGIFPaletteEntry{static_cast<std::uint8_t>(node.RedSum / count),
                                            static_cast<std::uint8_t>(node.GreenSum / count),
                                            static_cast<std::uint8_t>(node.BlueSum / count), 0});
        return;
    }
    for (const std::unique_ptr<TOctreeNode>& child : node.Children)
        if (child) CollectPalette(*child);
}

std::unique_ptr<TBitmap> TColorQuantizer::QuantizeBitmap(TBitmap& bitmap) {
    if (bitmap.PixelFormat() != pf24bit) throw EInvalidGraphic("Quantising needs a 24-bit bitmap");
    root_.reset();
    reducible_.fill(nullptr);
    leafCount_ = 0;
    palette_.clear();

    const int width = bitmap.Width();
    const int height = bitmap.Height();
    for (int y = 0; y < height; ++y) {
        const BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x, row += 3) AddColor(root_, row[2], row[1], row[0], 0);
        while (leafCount_ > maxColors_ && ReduceTree()) {
        }
    }
    if (root_) CollectPalette(*root_);

    auto result = std::make_unique<TBitmap>(width, height, pf8bit);
    if (width == 0 || height == 0) return result;
    if (GdiBitmap* pixels = ResolveHandle(result->Handle())) {
        std::vector<RGBQUAD>& table = pixels->ColorTable();
        std::fill(table.begin(), table.end(), RGBQUAD{0, 0, 0, 0});
        for (std::size_t i = 0; i < palette_.size() && i < table.size(); ++i)
            table[i] = RGBQUAD{palette_[i].Blue, palette_[i].Green, palette_[i].Red, 0};
    }
    TFastColorLookup lookup(palette_);
    for (int y = 0; y < height; ++y) {
        const BYTE* in = bitmap.ScanLine(y);
        BYTE* out = result->ScanLine(y);
        for (int x = 0; x < width; ++x, in += 3) out[x] = static_cast<BYTE>(lookup.NearestIndex(in[2], in[1], in[0]));
    }
    return result;
}

// ---- Inverse look-up ----

TFastColorLookup::TFastColorLookup(const std::vector<TGIFPaletteEntry>& palette)
    : palette_(palette.begin(), palette.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(palette.size(), 256))),
      cells_(32768, -1),
      shared_(32768, false) {
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        const int cell = CellOf(palette_[i].Red, palette_[i].Green, palette_[i].Blue);
        if (cells_[static_cast<std::size_t>(cell)] < 0)
            cells_[static_cast<std::size_t>(cell)] = static_cast<std::int16_t>(i);
        else
            shared_[static_cast<std::size_t>(cell)] = true;
    }
}

int TFastColorLookup::SearchNearest(int red, int green, int blue) const {
    int best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        const int distance = std::abs(palette_[i].Red - red) + std::abs(palette_[i].Green - green) + std::abs(palette_[i].Blue - blue);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

int TFastColorLookup::NearestIndex(int red, int green, int blue) {
    if (palette_.empty()) return 0;
    const auto cell = static_cast<std::size_t>(CellOf(red, green, blue));
    if (shared_[cell]) {
        const std::uint32_t colour = static_cast<std::uint32_t>(red) << 16 | static_cast<std::uint32_t>(green) << 8 | static_cast<std::uint32_t>(blue);
        auto found = sharedAnswers_.find(colour);
        if (found == sharedAnswers_.end())
            found = sharedAnswers_.emplace(colour, static_cast<std::uint8_t>(SearchNearest(red, green, blue))).first;
        return found->second;
    }
    if (cells_[cell] < 0) cells_[cell] = static_cast<std::int16_t>(SearchNearest(red, green, blue));
    return cells_[cell];
}

// ---- String table ----

THashTable::THashTable() : slots_(kSize, kEmpty) {}

void THashTable::Clear() { std::fill(slots_.begin(), slots_.end(), kEmpty); }

int THashTable::NextSlot(int slot) {
    if (slot == 0) return kSize - 1;
    const int next = 2 * slot - kSize;
    return next < 0 ? next + kSize : next;
}

// Doubling modulo the prime 8,009 cycles through 4,004 slots, more than the table ever holds
// (codes 258 to 4,094), so an empty slot is always reached.
int THashTable::Lookup(std::uint32_t key) const {
    int slot = FirstSlot(key);
    for (int probe = 0; probe < kSize; ++probe, slot = NextSlot(slot)) {
        const std::uint32_t entry = slots_[static_cast<std::size_t>(slot)];
        if (entry == kEmpty) return -1;
        if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
    }
    return -1;
}

void THashTable::Insert(std::uint32_t key, int code) {
    int slot = FirstSlot(key);
    for (int probe = 0; probe < kSize; ++probe, slot = NextSlot(slot)) {
        std::uint32_t& entry = slots_[static_cast<std::size_t>(slot)];
        if (entry == kEmpty) {
            entry = key << 12 | static_cast<std::uint32_t>(code & 0xFFF);
            return;
        }
    }
    throw std::logic_error("LZW string table is full");
}

// ---- Sub-blocks ----

void TGIFStream::Put(std::uint8_t byte) {
    block_[static_cast<std::size_t>(count_++)] = byte;
    if (count_ == 255) Flush();
}

void TGIFStream::Flush() {
    if (count_ == 0) return;
    GifPutByte(stream_, static_cast<std::uint8_t>(count_));
    stream_.WriteBuffer(block_.data(), count_);
    count_ = 0;
}

// ---- LZW ----

void TAbstractGIFEncoder::Encode(TStream& stream, int bitsPerPixel, int maxColor, std::string_view data, bool interlace,
                                 int height, int width) {
    (void)maxColor;  // the code sizes follow from the bits per pixel alone
    bitsPerPixel_ = std::clamp(bitsPerPixel, 2, 8);
    initialCodeSize_ = bitsPerPixel_ + 1;
    codeSize_ = initialCodeSize_;
    maxCode_ = (1 << codeSize_) - 1;
    clearCode_ = 1 << bitsPerPixel_;
    endCode_ = clearCode_ + 1;
    firstFreeCode_ = clearCode_ + 2;
    clearFlag_ = false;
    bitBucket_ = 0;
    bitCount_ = 0;
    data_ = data;
    position_ = 0;
    const std::int64_t wanted = interlace ? std::int64_t{width} : std::int64_t{width} * std::int64_t{height};
    pixelCount_ = std::min<std::int64_t>(std::max<std::int64_t>(0, wanted), static_cast<std::int64_t>(data.size()));

    GifPutByte(stream, static_cast<std::uint8_t>(bitsPerPixel_));
    TGIFStream output(stream);
    output_ = &output;
    if (!data.empty() && width > 0 && height > 0 && pixelCount_ > 0) CompressData();
    EmitCode(endCode_);
    output.Flush();
    output_ = nullptr;
    GifPutByte(stream, 0);
}

void TAbstractGIFEncoder::EmitCode(int code) {
    bitBucket_ &= (bitCount_ > 0) ? ((1u << bitCount_) - 1u) : 0u;
    bitBucket_ |= static_cast<std::uint32_t>(code) << bitCount_;
    bitCount_ += codeSize_;
    while (bitCount_ >= 8) {
        output_->Put(static_cast<std::uint8_t>(bitBucket_ & 0xFF));
        bitBucket_ >>= 8;
        bitCount_ -= 8;
    }
    if (code == endCode_ && bitCount_ > 0) {
        output_->Put(static_cast<std::uint8_t>(bitBucket_ & 0xFF));
        bitBucket_ = 0;
        bitCount_ = 0;
    }
}

void TAbstractGIFEncoder::EmitClear() {
    clearFlag_ = true;
    EmitCode(clearCode_);
}

void TGIFEncoder::EmitCode(int code) {
    TAbstractGIFEncoder::EmitCode(code);
    if (clearFlag_) {
        codeSize_ = initialCodeSize_;
        maxCode_ = (1 << codeSize_) - 1;
        clearFlag_ = false;
    } else if (nextFreeCode_ > maxCode_) {
        ++codeSize_;
        maxCode_ = codeSize_ >= 12 ? 4096 : (1 << codeSize_) - 1;
    }
}

void TGIFEncoder::EmitClear() {
    TAbstractGIFEncoder::EmitClear();
    table_.Clear();
    nextFreeCode_ = clearCode_ + 2;
}

void TGIFEncoder::CompressData() {
    table_.Clear();
    nextFreeCode_ = firstFreeCode_;
    EmitClear();
    prefix_ = NextPixel();
    for (std::int64_t i = 1; i < pixelCount_; ++i) {
        const int pixel = NextPixel();
        const std::uint32_t key = static_cast<std::uint32_t>(prefix_) << 8 | static_cast<std::uint32_t>(pixel);
        const int code = table_.Lookup(key);
        if (code >= 0) {
            prefix_ = code;
            continue;
        }
        EmitCode(prefix_);
        prefix_ = pixel;
        if (nextFreeCode_ > kLastTableCode) {
            EmitClear();
        } else {
            table_.Insert(key, nextFreeCode_++);
        }
    }
    EmitCode(prefix_);
}

// ---- Writer ----

TPDFGIFWriter::TPDFGIFWriter() = default;
TPDFGIFWriter::~TPDFGIFWriter() = default;

void TPDFGIFWriter::LoadFromBitmap(TBitmap& bitmap) {
    GifCheckSize(bitmap.Width(), bitmap.Height());
    bitmap.SetPixelFormat(pf24bit);
    TColorQuantizer quantizer(256, 8);
    quantized_ = quantizer.QuantizeBitmap(bitmap);
    width_ = bitmap.Width();
    height_ = bitmap.Height();
    palette_ = quantizer.Palette();
}

void TPDFGIFWriter::SaveToStream(TStream& stream) const {
    GifCheckSize(width_, height_);
    stream.WriteString("GIF87a");
    GifPutWord(stream, width_);
    GifPutWord(stream, height_);
    GifPutByte(stream, 0x70);
    GifPutByte(stream, 0);
    GifPutByte(stream, 0);
    GifPutByte(stream, 0x2C);
    GifPutWord(stream, 0);
    GifPutWord(stream, 0);
    GifPutWord(stream, width_);
    GifPutWord(stream, height_);
    GifPutByte(stream, 0x87);
    // Entries the quantiser did not fill are written as black.
    std::array<std::uint8_t, 768> table{};
    for (std::size_t i = 0; i < palette_.size() && i < 256; ++i) {
        table[3 * i] = palette_[i].Red;
        table[3 * i + 1] = palette_[i].Green;
        table[3 * i + 2] = palette_[i].Blue;
    }
    stream.WriteBuffer(table.data(), static_cast<std::int64_t>(table.size()));

    std::string pixels;
    if (quantized_ && width_ > 0 && height_ > 0) {
        pixels.reserve(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
        for (int y = 0; y < height_; ++y) {
            const BYTE* row = quantized_->ScanLine(y);
            pixels.append(reinterpret_cast<const char*>(row), static_cast<std::size_t>(width_));
        }
    }
    TGIFEncoder encoder;
    encoder.Encode(stream, 8, 255, pixels, false, height_, width_);
    GifPutByte(stream, 0x3B);
}

void SaveBitmapAsGIF(TBitmap& bitmap, TStream& stream) {
    TPDFGIFWriter writer;
    writer.LoadFromBitmap(bitmap);
    writer.SaveToStream(stream);
}

}  // namespace parch
