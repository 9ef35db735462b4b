#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "CodecFixtures.h"
#include "base/Exceptions.h"
#include "pdf/images/ScrivletCCITT.h"

namespace parch {
namespace {

using test::CodecCase;

TCCITTByteArray ByteArray(const std::string& text) { return TCCITTByteArray(text.begin(), text.end()); }

// Packs a string of '0' and '1' into bytes, most significant bit first, padded with zeros.
TCCITTByteArray PackedBits(const std::string& bits) {
    TCCITTByteArray bytes((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1') bytes[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
    return bytes;
}

struct FaxRows {
    TCCITTByteArray rows;
    std::int32_t rowsDecoded = 0;
    bool ok = true;
};

// Decodes with the stream parameters of a fixture case (and data of one's choosing).
FaxRows DecodeFaxCase(const CodecCase& c, const TCCITTByteArray& data, std::int32_t bitOrder = 1) {
    const std::int32_t columns = c.Integer("Columns", 1728);
    const std::int32_t rows = c.Integer("Rows", 0);
    TSVLCCITTDecoder decoder(columns, false, c.Flag("EncodedByteAlign"), bitOrder, rows);
    decoder.SetEndOfLine(c.Flag("EndOfLine"));
    FaxRows result;
    result.rows.assign(static_cast<std::size_t>(decoder.RowBytes() * rows), 0);
    const std::int32_t k = c.Integer("K", 0);
    if (k < 0) result.ok = decoder.DecodeG4(result.rows, data);
    else if (k == 0) decoder.DecodeG3OneD(result.rows, data);
    else decoder.DecodeG3TwoD(result.rows, data);
    result.rowsDecoded = decoder.RowsDecoded();
    return result;
}

class CCITTFixtureTest : public ::testing::TestWithParam<CodecCase> {};

// libtiff coded these pictures; poppler decoded them (black is 1 in both).
TEST_P(CCITTFixtureTest, DecodesAsPopplerDoes) {
    const CodecCase& c = GetParam();
    const test::PNMPicture expected = test::ReadPNM(c.name + ".expected");
    const FaxRows decoded = DecodeFaxCase(c, ByteArray(test::ReadCodecFile(c.name + ".data")));
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.rowsDecoded, expected.height);
    ASSERT_EQ(decoded.rows.size(), expected.bytes.size());
    EXPECT_TRUE(std::equal(decoded.rows.begin(), decoded.rows.end(), expected.bytes.begin(),
                           [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }));
}

std::vector<CodecCase> PlainCases() {
    std::vector<CodecCase> cases = test::CodecCases("ccitt");
    // BlackIs1 and Decode change the palette, not the decoded bits: the image decoder's tests.
    cases.erase(std::remove_if(cases.begin(), cases.end(),
                               [](const CodecCase& c) { return c.Flag("BlackIs1") || !c.Text("Decode").empty(); }),
                cases.end());
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CCITTFixtureTest, ::testing::ValuesIn(PlainCases()),
                         [](const auto& info) { return info.param.name; });

CodecCase FaxFixtureCase(const std::string& name) {
    for (const CodecCase& c : test::CodecCases("ccitt"))
        if (c.name == name) return c;
    ADD_FAILURE() << "no case " << name;
    return {};
}

TEST(CCITTDecoderTest, LeastSignificantBitFirstInputDecodesTheSame) {
    const CodecCase c = FaxFixtureCase("ccitt_g4");
    TCCITTByteArray data = ByteArray(test::ReadCodecFile(c.name + ".data"));
    const FaxRows plain = DecodeFaxCase(c, data);
    for (std::uint8_t& byte : data) {
        std::uint8_t reversed = 0;
        for (int bit = 0; bit < 8; ++bit) reversed |= static_cast<std::uint8_t>(((byte >> bit) & 1) << (7 - bit));
        byte = reversed;
    }
    const FaxRows reversed = DecodeFaxCase(c, data, 2);
    EXPECT_TRUE(reversed.ok);
    EXPECT_EQ(reversed.rows, plain.rows);
}

TEST(CCITTDecoderTest, RejectsBadSettings) {
    EXPECT_THROW(TSVLCCITTDecoder(100, false, false, 3, 10), EInvalidOperation);
    EXPECT_THROW(TSVLCCITTDecoder(0, false, false, 1, 10), EInvalidOperation);
    EXPECT_THROW(TSVLCCITTDecoder(-5, false, false, 1, 10), EInvalidOperation);
    EXPECT_THROW(TSVLCCITTDecoder(2'000'000'000, false, false, 1, 10), EInvalidOperation);
}

TEST(CCITTDecoderTest, Group4OnesAreWhiteRows) {
    TSVLCCITTDecoder decoder(64, false, false, 1, 3);
    TCCITTByteArray rows(8 * 3, 0);
    EXPECT_TRUE(decoder.DecodeG4(rows, TCCITTByteArray(4, 0xFF)));
    EXPECT_EQ(rows, TCCITTByteArray(24, 0));
}

TEST(CCITTDecoderTest, LongRunsUseExtendedMakeUpCodesAndStopAtTheRowEnd) {
    // One-dimensional rows without end-of-line codes, 2,600 columns: a white run of
    // 2,560 + 0, then a black run of 64 + 0 that is clipped at the row end after 40 pixels.
    const std::string white2560 = "000000011111" "00110101";
    const std::string black64 = "0000001111" "0000110111";
    TSVLCCITTDecoder decoder(2600, false, false, 1, 2);
    TCCITTByteArray rows(325 * 2, 0);
    decoder.DecodeG3OneD(rows, PackedBits(white2560 + black64 + white2560 + black64));
    EXPECT_EQ(decoder.RowsDecoded(), 2);
    for (int row = 0; row < 2; ++row) {
        const auto* start = rows.data() + row * 325;
        EXPECT_EQ(std::count(start, start + 320, 0), 320);
        EXPECT_EQ(std::count(start + 320, start + 325, 0xFF), 5);
    }
}

TEST(CCITTDecoderTest, OneDimensionalDataCutShortKeepsTheCompleteRows) {
    const CodecCase c = FaxFixtureCase("ccitt_g3_1d");
    const std::string data = test::ReadCodecFile(c.name + ".data");
    const test::PNMPicture expected = test::ReadPNM(c.name + ".expected");
    const FaxRows decoded = DecodeFaxCase(c, ByteArray(data.substr(0, data.size() / 2)));
    ASSERT_GT(decoded.rowsDecoded, 10);
    ASSERT_LT(decoded.rowsDecoded, expected.height);
    const std::size_t kept = expected.RowBytes() * static_cast<std::size_t>(decoded.rowsDecoded - 1);
    EXPECT_EQ(std::string(decoded.rows.begin(), decoded.rows.begin() + static_cast<std::ptrdiff_t>(kept)),
              expected.bytes.substr(0, kept));
}

TEST(CCITTDecoderTest, Group4FaultsKeepTheRowsBeforeThem) {
    const CodecCase c = FaxFixtureCase("ccitt_g4");
    std::string data = test::ReadCodecFile(c.name + ".data");
    const test::PNMPicture expected = test::ReadPNM(c.name + ".expected");
    data.resize(data.size() / 2);
    data += std::string(8, '\0');  // zeros are no mode code
    const FaxRows decoded = DecodeFaxCase(c, ByteArray(data));
    EXPECT_FALSE(decoded.ok);
    ASSERT_GT(decoded.rowsDecoded, 10);
    const std::size_t kept = expected.RowBytes() * static_cast<std::size_t>(decoded.rowsDecoded);
    EXPECT_EQ(std::string(decoded.rows.begin(), decoded.rows.begin() + static_cast<std::ptrdiff_t>(kept)),
              expected.bytes.substr(0, kept));
}

TEST(CCITTDecoderTest, TwoDimensionalErrorsRaiseWithTheirMessages) {
    struct Case {
        const char* name;
        std::string bits;
        bool endOfLine;
        const char* message;
    };
    const Case cases[] = {
        {"first row two-dimensional", "0" "1" "1", false, "First scanline must be 1D encoded."},
        {"rows must begin with EOL", "1" "10011000", true, "Scanline must begin with EOL code word."},
        {"EOL inside a horizontal run", "000000000001" "1" "10011" "000000000001" "0" "001" "000000000001", true,
         "EOL code word encountered in White run."},
        {"no mode code", "000000000001" "1" "10011" "000000000001" "0" "0000000000", true,
         "Invalid code encountered while decoding 2D group 3 compressed data."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSVLCCITTDecoder decoder(8, false, false, 1, 2);
        decoder.SetEndOfLine(c.endOfLine);
        TCCITTByteArray rows(2, 0);
        try {
            decoder.DecodeG3TwoD(rows, PackedBits(c.bits));
            ADD_FAILURE() << "no exception";
        } catch (const EInvalidOperation& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(CCITTDecoderTest, ChangingElementsNeverOverrunTheirLists) {
    // Horizontal mode with two empty runs, over and over: each records two elements at the
    // same place, far more than a row of 8 columns can have.
    std::string bits;
    for (int i = 0; i < 40; ++i) bits += "001" "00110101" "0000110111";
    TSVLCCITTDecoder decoder(8, false, false, 1, 1);
    TCCITTByteArray rows(1, 0);
    EXPECT_FALSE(decoder.DecodeG4(rows, PackedBits(bits)));
    EXPECT_EQ(decoder.RowsDecoded(), 0);
}

TEST(CCITTDecoderTest, Group4UncompressedModeSetsItsPixels) {
    // Extension code 0000001 + 111 enters uncompressed mode: "1" is one black pixel, "01" one
    // white and one black, then the exit code 0000001 with T = 0 (next run white); V0 ends the
    // row against the all-white reference line.
    TSVLCCITTDecoder decoder(8, false, false, 1, 1);
    TCCITTByteArray rows(1, 0);
    EXPECT_TRUE(decoder.DecodeG4(rows, PackedBits("0000001111" "1" "01" "0000001" "0" "1")));
    EXPECT_EQ(rows[0], 0xA0);
}

}  // namespace
}  // namespace parch
