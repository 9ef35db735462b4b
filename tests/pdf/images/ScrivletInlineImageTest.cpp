// Inline images: where the data ends for each kind of data, abbreviations, named colour spaces
// from the resources, and decoding the record.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "pdf/core/ScrivletFilters.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletInlineImage.h"
#include "tests/pdf/images/ImageTestSupport.h"

namespace parch {
namespace {

struct Parsed {
    bool Found = false;
    TPDFInlineImage Image;
    std::int32_t Position = 1;
};

Parsed Parse(const std::string& text, TPDFDictionary* resources = nullptr) {
    Parsed parsed;
    parsed.Found = ParseInlineImage(text, parsed.Position, parsed.Image, {}, resources);
    return parsed;
}

TEST(InlineImage, UnfilteredDataRunsToTheEndMarker) {
    const Parsed p = Parse(" /W 4 /H 4 /CS /G /BPC 8 ID 0123456789abcdef EI Q");
    ASSERT_TRUE(p.Found);
    EXPECT_EQ(p.Image.Data, "0123456789abcdef ");
    EXPECT_EQ(p.Image.ColorSpace, "DeviceGray");
    EXPECT_EQ(p.Position, 48);  // just after "EI"
}

TEST(InlineImage, UnfilteredDataShorterThanItsSizeStillFindsTheMarker) {
    // 100 x 100 RGB announced, a few bytes given: the skip stays inside the text.
    const Parsed p = Parse(" /W 100 /H 100 /CS /RGB /BPC 8 ID abc EI Q");
    ASSERT_TRUE(p.Found);
    EXPECT_EQ(p.Image.Data, "abc ");
}

TEST(InlineImage, FlateDataEndsWhereTheStreamEndsEvenWithEIInside) {
    // Samples that compress to bytes holding " EI " are found by inflating once.
    std::string samples;
    for (int i = 0; i < 300; ++i) samples += " EI ";
    const std::string compressed = FlateCompressStr(samples);
    const Parsed p = Parse(" /W 40 /H 10 /CS /RGB /BPC 8 /F /Fl ID " + compressed + "\nEI Q");
    ASSERT_TRUE(p.Found);
    EXPECT_EQ(p.Image.Data.substr(0, compressed.size()), compressed);
    EXPECT_EQ(p.Image.Filter, "/FlateDecode");
}

TEST(InlineImage, JPEGEndsAtItsEndMarkerDespiteStuffedBytesAndRestarts) {
    const std::string jpeg = std::string("\xFF\xD8\xFF\xE0\x00\x04\x45\x49\xFF\xDA\x00\x02", 12) +
                             std::string("\x12\xFF\x00\x20\x45\x49\x20\xFF\xD3\x34\xFF\xD9", 12);
    const Parsed p = Parse(" /W 1 /H 1 /F /DCT ID " + jpeg + " EI");
    ASSERT_TRUE(p.Found);
    EXPECT_EQ(p.Image.Data, jpeg);
}

TEST(InlineImage, ASCII85AndFlateEndAtTheirEndOfData) {
    for (const char* filter : {"[/A85 /Fl]", "[/ASCII85Decode /FlateDecode]"}) {
        const Parsed p = Parse(std::string(" /W 1 /H 1 /F ") + filter + " ID Gh EI Q~> EI");
        ASSERT_TRUE(p.Found) << filter;
        EXPECT_EQ(p.Image.Data, "Gh EI Q~>") << filter;
        EXPECT_EQ(p.Image.Filter, "[ /ASCII85Decode /FlateDecode ]");
    }
}

TEST(InlineImage, MissingEndMarkerIsNotAnImage) {
    EXPECT_FALSE(Parse(" /W 1 /H 1 ID abc").Found);
    EXPECT_FALSE(Parse(" /W 1 /H 1 /CS /G").Found);
}

TEST(InlineImage, ResourceIndexedSpaceBecomesAnArrayAndDecodes) {
    TPDFStructure structure;
    TPDFDictionary* resources = AsDictionary(
        ParseObject(structure, "<< /ColorSpace << /CS0 [/Indexed /DeviceRGB 1 <FF00000000FF>] >> >>"));
    const Parsed p = Parse(" /W 2 /H 1 /CS /CS0 /BPC 1 ID \x40 EI", resources);
    ASSERT_TRUE(p.Found);
    EXPECT_EQ(p.Image.ColorSpace.rfind("[ /Indexed /DeviceRGB 1 ", 0), 0u);
    TPDFImageDecoder decoder;
    decoder.LoadInlineImage(p.Image, &structure);
    ASSERT_TRUE(decoder.Drawable);
    const auto picture = imagetest::PaintOnWhite(decoder);
    EXPECT_EQ(imagetest::PixelRGB(*picture, 0, 0), 0xFF0000u);
    EXPECT_EQ(imagetest::PixelRGB(*picture, 1, 0), 0x0000FFu);
}

TEST(InlineImage, ShortResourceLookupIsExtendedOnlyToItsEntries) {
    TPDFStructure structure;
    TPDFDictionary* resources = AsDictionary(
        ParseObject(structure, "<< /ColorSpace << /CS0 [/Indexed /DeviceRGB 99999999 <FF>] >> >>"));
    const std::string space = ResolveInlineColorSpace("/CS0", {}, resources);
    // At most 256 entries of three bytes, written as hexadecimal digits.
    EXPECT_LE(space.size(), 2 * 768 + 64);
}

TEST(InlineImage, AbbreviatedFiltersAndStencilsDecode) {
    for (const char* text : {" /W 2 /H 1 /IM true /F /AHx ID 40> EI", " /W 2 /H 1 /IM true /F /ASCIIHexDecode ID 40> EI"}) {
        const Parsed p = Parse(text);
        ASSERT_TRUE(p.Found) << text;
        TPDFStructure structure;
        TPDFImageDecoder decoder;
        decoder.LoadInlineImage(p.Image, &structure);
        EXPECT_EQ(decoder.MaskKind, kMaskStencil);
        const auto picture = imagetest::PaintOnWhite(decoder, 0x0000FF);
        EXPECT_EQ(imagetest::PixelRGB(*picture, 0, 0), 0xFF0000u) << text;
        EXPECT_EQ(imagetest::PixelRGB(*picture, 1, 0), 0xFFFFFFu) << text;
    }
}

}  // namespace
}  // namespace parch
