// The image decoder on small images made in memory: samples of every depth and colour space,
// Decode arrays, Indexed look-ups, colour keys, masks, damaged sizes and the data it keeps.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletFilters.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletPNG.h"
#include "tests/pdf/images/ImageTestSupport.h"

namespace parch {
namespace {

using imagetest::PaintOnWhite;
using imagetest::PixelRGB;

// An image XObject of the dictionary text (without << >>) and the raw, unfiltered samples.
TPDFStream* MakeImage(TPDFStructure& structure, const std::string& entries, const std::string& data) {
    TPDFStream* stream = structure.NewStream(data, false);
    stream->SetDictionary(AsDictionary(ParseObject(structure, "<< /Type /XObject /Subtype /Image " + entries + " >>")));
    stream->SetRawData(data);
    return stream;
}

struct Decoded {
    std::unique_ptr<TPDFImageDecoder> Decoder;
    std::unique_ptr<TBitmap> Picture;
    std::uint32_t At(int x, int y) const { return PixelRGB(*Picture, x, y); }
};

Decoded Decode(const std::string& entries, const std::string& data, TColor fill = 0) {
    TPDFStructure structure;
    Decoded result;
    result.Decoder = std::make_unique<TPDFImageDecoder>();
    result.Decoder->LoadFromObject(MakeImage(structure, entries, data));
    result.Picture = PaintOnWhite(*result.Decoder, fill);
    return result;
}

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) bytes.push_back(static_cast<char>(v));
    return bytes;
}

// --- Samples -----------------------------------------------------------------------------------

struct SampleCase {
    std::string Name;
    std::string Entries;
    std::string Data;
    std::uint32_t First;   // pixel (0, 0) as 0xRRGGBB
    std::uint32_t Second;  // pixel (1, 0)
};

class ImageSamples : public ::testing::TestWithParam<SampleCase> {};

TEST_P(ImageSamples, PixelsFollowDepthSpaceAndDecode) {
    const SampleCase& c = GetParam();
    const Decoded d = Decode("/Width 2 /Height 1 " + c.Entries, c.Data);
    ASSERT_TRUE(d.Decoder->Drawable);
    EXPECT_EQ(d.At(0, 0), c.First);
    EXPECT_EQ(d.At(1, 0), c.Second);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageSamples,
    ::testing::Values(
        SampleCase{"Grey1", "/ColorSpace /DeviceGray /BitsPerComponent 1", Bytes({0x40}), 0x000000, 0xFFFFFF},
        SampleCase{"Grey1Inverted", "/ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0]", Bytes({0x40}),
                   0xFFFFFF, 0x000000},
        SampleCase{"Grey2", "/ColorSpace /DeviceGray /BitsPerComponent 2", Bytes({0x90}), 0xAAAAAA, 0x555555},
        SampleCase{"Grey4", "/ColorSpace /DeviceGray /BitsPerComponent 4", Bytes({0x5F}), 0x555555, 0xFFFFFF},
        SampleCase{"Grey16KeepsHighByte", "/ColorSpace /DeviceGray /BitsPerComponent 16", Bytes({0x12, 0x34, 0xFF, 0x00}),
                   0x121212, 0xFFFFFF},
        // Decode is applied by value, not by its first characters.
        SampleCase{"GreyHalfDecode", "/ColorSpace /DeviceGray /BitsPerComponent 8 /Decode [1 0.5]", Bytes({0, 255}),
                   0xFFFFFF, 0x808080},
        SampleCase{"RGBDecodePerComponent", "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Decode [1 0 0 1 1 0]",
                   Bytes({0, 0, 0, 255, 255, 255}), 0xFF00FF, 0x00FF00},
        SampleCase{"RGB4", "/ColorSpace /DeviceRGB /BitsPerComponent 4", Bytes({0xF0, 0x5A, 0x12, 0x30}), 0xFF0055,
                   0xAA1122},
        SampleCase{"CalRGBIsRGB", "/ColorSpace [/CalRGB << >>] /BitsPerComponent 8", Bytes({1, 2, 3, 4, 5, 6}), 0x010203,
                   0x040506},
        SampleCase{"CMYKThroughManager", "/ColorSpace /DeviceCMYK /BitsPerComponent 8",
                   Bytes({0, 0, 0, 0, 0, 0, 0, 255}), 0xFFFFFF, 0x231F20},
        SampleCase{"CMYKDecodeInverts", "/ColorSpace /DeviceCMYK /BitsPerComponent 8 /Decode [1 0 1 0 1 0 1 0]",
                   Bytes({255, 255, 255, 255, 255, 255, 255, 0}), 0xFFFFFF, 0x231F20},
        SampleCase{"IndexedClampsToHival", "/ColorSpace [/Indexed /DeviceRGB 1 <FF000000FF00>] /BitsPerComponent 8",
                   Bytes({0, 7}), 0xFF0000, 0x00FF00},
        SampleCase{"IndexedDecodeReversesIndices",
                   "/ColorSpace [/Indexed /DeviceRGB 1 <FF000000FF00>] /BitsPerComponent 1 /Decode [1 0]",
                   Bytes({0x40}), 0x00FF00, 0xFF0000},
        SampleCase{"IndexedWithoutHivalIsBlack", "/ColorSpace [/Indexed /DeviceRGB /x <FF0000>] /BitsPerComponent 8",
                   Bytes({0, 0}), 0x000000, 0x000000},
        SampleCase{"IndexedShortLookupIsBlack", "/ColorSpace [/Indexed /DeviceGray 3 <80>] /BitsPerComponent 8",
                   Bytes({0, 2}), 0x808080, 0x000000},
        SampleCase{"PatternIsBlack", "/ColorSpace /Pattern /BitsPerComponent 8", Bytes({200, 100}), 0x000000, 0x000000},
        SampleCase{"LabWhiteAndBlack", "/ColorSpace [/Lab << /WhitePoint [0.9505 1 1.089] /Range [-128 127 -128 127] >>] /BitsPerComponent 8",
                   Bytes({255, 128, 128, 0, 128, 128}), 0xFFFFFF, 0x000000},
        SampleCase{"SeparationTint",
                   "/ColorSpace [/Separation /Spot /DeviceGray << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >>]"
                   " /BitsPerComponent 8",
                   Bytes({0, 255}), 0xFFFFFF, 0x000000}),
    [](const auto& info) { return info.param.Name; });

TEST(ImageDecoder, IndexedBaseThatIsIndexedDrawsNothingInsteadOfRecursing) {
    TPDFStructure structure;
    TPDFArray* space = AsArray(ParseObject(structure, "[/Indexed /DeviceRGB 1 <FF000000FF00>]"));
    space->ReplaceItem(1, space);  // the base is the array itself
    TPDFStream* image = MakeImage(structure, "/Width 1 /Height 1 /BitsPerComponent 8", Bytes({0}));
    image->StreamDict->SetValue("ColorSpace", space);
    TPDFImageDecoder decoder;
    decoder.LoadFromObject(image);
    EXPECT_EQ(decoder.BaseColorSpace, "");
    const std::unique_ptr<TBitmap> picture = PaintOnWhite(decoder);
    EXPECT_EQ(PixelRGB(*picture, 0, 0), 0x000000u);
}

TEST(ImageDecoder, SizesBeyondTheBoundLeaveTheImageUndrawn) {
    for (const char* entries : {"/Width 65535 /Height 65535 /ColorSpace /DeviceRGB /BitsPerComponent 16",
                                "/Width 2000000000 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8",
                                "/Width -5 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8",
                                "/Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 3"}) {
        TPDFStructure structure;
        TPDFImageDecoder decoder;
        decoder.LoadFromObject(MakeImage(structure, entries, std::string(16, '\x7F')));
        EXPECT_FALSE(decoder.Drawable) << entries;
    }
}

TEST(ImageDecoder, ShortDataIsExtendedAndUnmaskedImagesAreKeptAsPNG) {
    TPDFStructure structure;
    TPDFImageDecoder decoder;
    decoder.LoadFromObject(MakeImage(structure, "/Width 3 /Height 2 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode",
                                     FlateCompressStr(Bytes({255, 0, 0}))));
    ASSERT_TRUE(decoder.Drawable);
    EXPECT_EQ(decoder.Bitmap, nullptr);
    ASSERT_NE(decoder.EncodedStream, nullptr);
    EXPECT_EQ(decoder.EncodedKind, kEncodedPNG);
    EXPECT_EQ(decoder.GetDataSize(), decoder.EncodedStream->GetSize());
    const std::unique_ptr<TBitmap> picture = PaintOnWhite(decoder);
    EXPECT_EQ(PixelRGB(*picture, 0, 0), 0xFF0000u);
    EXPECT_EQ(PixelRGB(*picture, 2, 1), 0x000000u);
}

TEST(ImageDecoder, DataSizeCountsDecodedPixelsNotOnlyEncodedBytes) {
    // 1,000 x 1,000 RGB from a few hundred bytes, held as a bitmap because of its soft mask.
    TPDFStructure structure;
    TPDFStream* mask = MakeImage(structure, "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", Bytes({255}));
    TPDFStream* image = MakeImage(structure, "/Width 1000 /Height 1000 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode",
                                  FlateCompressStr(std::string(3'000'000, '\0')));
    image->StreamDict->SetValue("SMask", mask);
    TPDFImageDecoder decoder;
    decoder.LoadFromObject(image);
    EXPECT_EQ(decoder.MaskKind, kMaskSoft);
    EXPECT_GE(decoder.GetDataSize(), 3'000'000);
}

TEST(ImageDecoder, RunLengthAndFilterArraysAreUndoneInOrder) {
    const std::string runs = Bytes({2, 10, 20, 30, 0x80});  // three literal bytes, then the end
    const Decoded a = Decode("/Width 3 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /RunLengthDecode", runs);
    const Decoded b = Decode("/Width 3 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter [/AHx /RL]",
                             "020A141E80>");
    for (const Decoded* d : {&a, &b}) {
        EXPECT_EQ(d->At(0, 0), 0x0A0A0Au);
        EXPECT_EQ(d->At(2, 0), 0x1E1E1Eu);
    }
}

// --- Masks -------------------------------------------------------------------------------------

TEST(ImageMasks, StencilPaintsTheFillColourWhereSamplesAreZero) {
    const Decoded plain = Decode("/Width 2 /Height 1 /ImageMask true /BitsPerComponent 1", Bytes({0x40}), 0x0000FF);
    EXPECT_EQ(plain.Decoder->MaskKind, kMaskStencil);
    EXPECT_EQ(plain.At(0, 0), 0xFF0000u);  // red: the fill colour has red in its low byte
    EXPECT_EQ(plain.At(1, 0), 0xFFFFFFu);
    const Decoded inverted = Decode("/Width 2 /Height 1 /ImageMask true /Decode [1 0]", Bytes({0x40}), 0x00FF00);
    EXPECT_EQ(inverted.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(inverted.At(1, 0), 0x00FF00u);
}

TEST(ImageMasks, SoftMaskWinsOverMaskAndBlendsOnWhite) {
    TPDFStructure structure;
    TPDFStream* soft = MakeImage(structure, "/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", Bytes({0, 255}));
    TPDFStream* image = MakeImage(structure, "/Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Mask [0 255 0 255 0 255]",
                                  Bytes({0, 0, 0, 0, 0, 0}));
    image->StreamDict->SetValue("SMask", soft);
    TPDFImageDecoder decoder;
    decoder.LoadFromObject(image);
    EXPECT_EQ(decoder.MaskKind, kMaskSoft);
    const std::unique_ptr<TBitmap> picture = PaintOnWhite(decoder);
    EXPECT_EQ(PixelRGB(*picture, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(PixelRGB(*picture, 1, 0), 0x000000u);
}

TEST(ImageMasks, ExplicitStencilMaskHidesItsPaintedSamplesOpposite) {
    TPDFStructure structure;
    TPDFStream* mask = MakeImage(structure, "/Width 2 /Height 1 /ImageMask true", Bytes({0x40}));
    TPDFStream* image = MakeImage(structure, "/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", Bytes({0, 0}));
    image->StreamDict->SetValue("Mask", mask);
    TPDFImageDecoder decoder;
    decoder.LoadFromObject(image);
    EXPECT_EQ(decoder.MaskKind, kMaskImage);
    const std::unique_ptr<TBitmap> picture = PaintOnWhite(decoder);
    EXPECT_EQ(PixelRGB(*picture, 0, 0), 0x000000u);  // mask sample 0 paints: the image shows
    EXPECT_EQ(PixelRGB(*picture, 1, 0), 0xFFFFFFu);
}

struct ColorKeyCase {
    std::string Name;
    std::string Entries;
    std::string Data;
    bool FirstHidden;
    bool SecondHidden;
};

class ImageColorKeys : public ::testing::TestWithParam<ColorKeyCase> {};

TEST_P(ImageColorKeys, RangesCompareRawSamples) {
    const ColorKeyCase& c = GetParam();
    const Decoded d = Decode("/Width 2 /Height 1 " + c.Entries, c.Data);
    EXPECT_EQ(d.At(0, 0) == 0xFFFFFF, c.FirstHidden);
    EXPECT_EQ(d.At(1, 0) == 0xFFFFFF, c.SecondHidden);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageColorKeys,
    ::testing::Values(
        ColorKeyCase{"RGB8", "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Mask [250 255 0 10 0 10]",
                     Bytes({252, 5, 0, 252, 20, 0}), true, false},
        // Grey keys hide their range only, never black as such.
        ColorKeyCase{"Grey8", "/ColorSpace /DeviceGray /BitsPerComponent 8 /Mask [100 120]", Bytes({0, 110}), false, true},
        // Keys are in sample units: 4-bit 3..7 and 16-bit ranges.
        ColorKeyCase{"Grey4", "/ColorSpace /DeviceGray /BitsPerComponent 4 /Mask [3 7]", Bytes({0x52}), true, false},
        ColorKeyCase{"RGB16", "/ColorSpace /DeviceRGB /BitsPerComponent 16 /Mask [0 300 0 65535 0 65535]",
                     Bytes({0x01, 0x00, 0, 0, 0, 0, 0x02, 0x00, 0, 0, 0, 0}), true, false},
        ColorKeyCase{"Indexed", "/ColorSpace [/Indexed /DeviceRGB 1 <00000000FF00>] /BitsPerComponent 8 /Mask [0 0]",
                     Bytes({0, 1}), true, false},
        // Malformed arrays mask nothing.
        ColorKeyCase{"IndexedOneNumber", "/ColorSpace [/Indexed /DeviceRGB 1 <00000000FF00>] /BitsPerComponent 8 /Mask [0]",
                     Bytes({0, 1}), false, false},
        ColorKeyCase{"RGBWrongCount", "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Mask [0 255]",
                     Bytes({0, 0, 0, 255, 0, 0}), false, false}),
    [](const auto& info) { return info.param.Name; });

// --- Palette patches ---------------------------------------------------------------------------

std::string OneBitPNG() {
    TBitmap bitmap(9, 2, pf1bit);
    TMemoryStream stream;
    TPNGWriter(bitmap).SaveToStream(stream);
    return stream.Bytes();
}

bool ChunkCRCsHold(const std::string& png) {
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(png.data() + at);
        const std::uint32_t length = (std::uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        const auto* crc = p + 8 + length;
        const std::uint32_t stored = (std::uint32_t{crc[0]} << 24) | (crc[1] << 16) | (crc[2] << 8) | crc[3];
        if (PNGChunkCRC(p + 4, length + 4) != stored) return false;
        at += 12 + length;
    }
    return true;
}

TEST(ImagePalettePatch, SetTransKeepsCRCsAndGrowsByOneChunkOnce) {
    TPDFImageDecoder decoder;
    TStringStream stream(OneBitPNG());
    const std::int64_t before = stream.GetSize();
    decoder.PatchPNGPalette(stream, "SetTrans", 0x0000FF);
    EXPECT_EQ(stream.GetSize(), before + 14);
    EXPECT_TRUE(ChunkCRCsHold(stream.Bytes()));
    decoder.PatchPNGPalette(stream, "Reset", 0);
    decoder.PatchPNGPalette(stream, "SetTrans", 0x00FF00);
    EXPECT_EQ(stream.GetSize(), before + 14);  // the tRNS chunk is rewritten in place
    EXPECT_TRUE(ChunkCRCsHold(stream.Bytes()));
    TPNGPixels pixels;
    ASSERT_TRUE(DecodePNGPixels(stream.Bytes(), pixels));
    EXPECT_EQ(pixels.Pixels[0] >> 24, 0u);  // black became transparent
}

TEST(ImagePalettePatch, SwapTwiceRestoresThePalette) {
    TPDFImageDecoder decoder;
    TStringStream stream(OneBitPNG());
    const std::string original = stream.Bytes();
    decoder.PatchPNGPalette(stream, "Swap", 0);
    EXPECT_NE(stream.Bytes(), original);
    EXPECT_TRUE(ChunkCRCsHold(stream.Bytes()));
    decoder.PatchPNGPalette(stream, "Swap", 0);
    EXPECT_EQ(stream.Bytes(), original);
}

}  // namespace
}  // namespace parch
