// The JBIG2 decoder on streams made here: the MQ arithmetic decoder and its integer procedures,
// Huffman tables and prefix assignment, bitmap composition, and whole segment streams, sound and
// damaged.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "pdf/images/ScrivletJBIG2.h"
#include "pdf/images/ScrivletJBIG2Arith.h"
#include "pdf/images/ScrivletJBIG2Bitmap.h"
#include "pdf/images/ScrivletJBIG2Huffman.h"

namespace parch {
namespace {


// ---- test encoders: what the streams of these tests are made with

// The MQ encoder of T.88 Annex E (software conventions), with the integer encoders of Annex A.
class Jbig2MQEncoder {
public:
    Jbig2MQEncoder() { bytes_.push_back(0); }  // the byte before the first, never output

    void Encode(std::vector<std::uint8_t>& contexts, std::uint32_t context, int bit) {
        std::uint8_t& cx = contexts[context];
        const std::uint32_t index = cx >> 1;
        const int mps = cx & 1;
        const std::uint32_t qe = kJBIG2QeTable[index].Qe >> 16;
        if (bit == mps) {
            a_ -= qe;
            if ((a_ & 0x8000) == 0) {
                if (a_ < qe) {
                    a_ = qe;
                } else {
                    c_ += qe;
                }
                cx = static_cast<std::uint8_t>((kJBIG2QeTable[index].Nmps << 1) | mps);
                RenormE();
            } else {
                c_ += qe;
            }
        } else {
            a_ -= qe;
            if (a_ < qe) {
                c_ += qe;
            } else {
                a_ = qe;
            }
            const int newMps = kJBIG2QeTable[index].Switch ? 1 - mps : mps;
            cx = static_cast<std::uint8_t>((kJBIG2QeTable[index].Nlps << 1) | newMps);
            RenormE();
        }
    }

    void EncodeInt(std::vector<std::uint8_t>& contexts, std::int64_t value) {
        const std::uint64_t magnitude = value < 0 ? static_cast<std::uint64_t>(-value) : static_cast<std::uint64_t>(value);
        prev_ = 1;
        IntBit(contexts, value < 0 ? 1 : 0);
        struct Class { int PrefixOnes; int Bits; std::uint64_t Offset; };
        static constexpr Class kClasses[] = {{0, 2, 0}, {1, 4, 4}, {2, 6, 20}, {3, 8, 84}, {4, 12, 340}, {5, 32, 4436}};
        for (const Class& c : kClasses) {
            if (c.PrefixOnes < 5 && magnitude >= kClasses[c.PrefixOnes + 1].Offset) continue;
            for (int i = 0; i < c.PrefixOnes; ++i) IntBit(contexts, 1);
            if (c.PrefixOnes < 5) IntBit(contexts, 0);
            const std::uint64_t rest = magnitude - c.Offset;
            for (int i = c.Bits - 1; i >= 0; --i) IntBit(contexts, static_cast<int>((rest >> i) & 1));
            return;
        }
    }

    void EncodeOutOfBand(std::vector<std::uint8_t>& contexts) {
        prev_ = 1;
        IntBit(contexts, 1);
        IntBit(contexts, 0);
        IntBit(contexts, 0);
        IntBit(contexts, 0);
    }

    void EncodeIAID(std::vector<std::uint8_t>& contexts, int codeLength, std::uint32_t id) {
        std::uint32_t prev = 1;
        for (int i = codeLength - 1; i >= 0; --i) {
            const int bit = static_cast<int>((id >> i) & 1);
            Encode(contexts, prev, bit);
            prev = (prev << 1) | static_cast<std::uint32_t>(bit);
        }
    }

    // The code stream, closed by the 0xFF 0xAC marker.
    std::vector<std::uint8_t> Finish() {
        const std::uint32_t temp = c_ + a_;
        c_ |= 0xFFFF;
        if (c_ >= temp) c_ -= 0x8000;
        c_ <<= ct_;
        ByteOut();
        c_ <<= ct_;
        ByteOut();
        std::vector<std::uint8_t> out(bytes_.begin() + 1, bytes_.end());
        if (out.empty() || out.back() != 0xFF) out.push_back(0xFF);
        out.push_back(0xAC);
        return out;
    }

private:
    void IntBit(std::vector<std::uint8_t>& contexts, int bit) {
        Encode(contexts, prev_, bit);
        prev_ = prev_ < 256 ? (prev_ << 1) | static_cast<std::uint32_t>(bit)
                            : (((prev_ << 1) | static_cast<std::uint32_t>(bit)) & 511u) | 256u;
    }
    void RenormE() {
        do {
            a_ <<= 1;
            c_ <<= 1;
            if (--ct_ == 0) ByteOut();
        } while ((a_ & 0x8000) == 0);
    }
    void ByteOut() {
        if (bytes_.back() == 0xFF) {
            bytes_.push_back(static_cast<std::uint8_t>(c_ >> 20));
            c_ &= 0xFFFFF;
            ct_ = 7;
        } else if (c_ < 0x8000000) {
            bytes_.push_back(static_cast<std::uint8_t>(c_ >> 19));
            c_ &= 0x7FFFF;
            ct_ = 8;
        } else {
            ++bytes_.back();
            if (bytes_.back() == 0xFF) {
                c_ &= 0x7FFFFFF;
                bytes_.push_back(static_cast<std::uint8_t>(c_ >> 20));
                c_ &= 0xFFFFF;
                ct_ = 7;
            } else {
                bytes_.push_back(static_cast<std::uint8_t>(c_ >> 19));
                c_ &= 0x7FFFF;
                ct_ = 8;
            }
        }
    }

    std::vector<std::uint8_t> bytes_;
    std::uint32_t a_ = 0x8000;
    std::uint32_t c_ = 0;
    int ct_ = 12;
    std::uint32_t prev_ = 1;
};

class Jbig2BitWriter {
public:
    void PutBit(int bit) {
        if (count_ % 8 == 0) bytes_.push_back(0);
        if (bit) bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80 >> (count_ % 8)));
        ++count_;
    }
    void PutBits(std::uint64_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) PutBit(static_cast<int>((value >> i) & 1));
    }
    void PutBitString(const char* bits) {
        for (; *bits != 0; ++bits) PutBit(*bits == '1');
    }
    void Align() { count_ = (count_ + 7) / 8 * 8; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t count_ = 0;
};

// T.88 Annex H.2: 256 bits coded in one context, and the code stream they make.
const std::vector<std::uint8_t> kAnnexHInput = {0x00, 0x02, 0x00, 0x51, 0x00, 0x00, 0x00, 0xC0, 0x03, 0x52, 0x87,
                                                0x2A, 0xAA, 0xAA, 0xAA, 0xAA, 0x82, 0xC0, 0x20, 0x00, 0xFC, 0xD7,
                                                0x9E, 0xF6, 0xBF, 0x7F, 0xED, 0x90, 0x4F, 0x46, 0xA3, 0xBF};
const std::vector<std::uint8_t> kAnnexHCoded = {0x84, 0xC7, 0x3B, 0xFC, 0xE1, 0xA1, 0x43, 0x04, 0x02, 0x20,
                                                0x00, 0x00, 0x41, 0x0D, 0xBB, 0x86, 0xF4, 0x31, 0x7F, 0xFF,
                                                0x88, 0xFF, 0x37, 0x47, 0x1A, 0xDB, 0x6A, 0xDF, 0xFF, 0xAC};

TEST(JBIG2Arithmetic, DecodesTheAnnexHTestSequence) {
    TStreamReader reader(kAnnexHCoded);
    TArithmeticDecoder decoder(reader);
    TArithmeticDecoderStats stats(1);
    decoder.InitDecode();
    for (std::size_t i = 0; i < kAnnexHInput.size() * 8; ++i) {
        const int expected = (kAnnexHInput[i / 8] >> (7 - i % 8)) & 1;
        ASSERT_EQ(decoder.DecodeBit(stats, 0), expected) << "bit " << i;
    }
    // The test encoder that builds the other streams here makes the same code.
    Jbig2MQEncoder encoder;
    std::vector<std::uint8_t> contexts(1, 0);
    for (std::size_t i = 0; i < kAnnexHInput.size() * 8; ++i) encoder.Encode(contexts, 0, (kAnnexHInput[i / 8] >> (7 - i % 8)) & 1);
    EXPECT_EQ(encoder.Finish(), kAnnexHCoded);
}

TEST(JBIG2Arithmetic, AMarkerOrTheSegmentEndFeedsOneBitsWithoutAdvancing) {
    // After the marker the decoder is fed 1-bits: the reader stays on the marker, and the
    // decoder reports itself exhausted once it has been fed a few bytes' worth.
    const std::vector<std::uint8_t> data = {0x12, 0x34, 0xFF, 0x90, 0x55, 0x66};
    TStreamReader reader(data);
    TArithmeticDecoder decoder(reader);
    TArithmeticDecoderStats stats(1);
    decoder.InitDecode();
    for (int i = 0; i < 64; ++i) decoder.DecodeBit(stats, 0);
    EXPECT_LE(reader.Position(), 4u);
    EXPECT_FALSE(decoder.IsExhausted());
    for (int i = 0; i < 100000 && !decoder.IsExhausted(); ++i) decoder.DecodeBit(stats, 0);
    EXPECT_TRUE(decoder.IsExhausted());
    EXPECT_LE(reader.Position(), 4u);
}

TEST(JBIG2Arithmetic, IntegerProceduresRoundTripEveryMagnitudeClassAndOutOfBand) {
    // The boundaries of the six magnitude classes, both signs, and OOB (sign 1, magnitude 0).
    const std::vector<std::int64_t> values = {0,   1,    3,    4,    19,    20,   83,         84,
                                              339, 340,  4435, 4436, -1,    -4,   -20,        -340,
                                              -4436, 2147483647, -2147483647, 65536};
    Jbig2MQEncoder encoder;
    std::vector<std::uint8_t> contexts(512, 0);
    for (std::int64_t value : values) encoder.EncodeInt(contexts, value);
    encoder.EncodeOutOfBand(contexts);
    encoder.EncodeInt(contexts, 0);
    const std::vector<std::uint8_t> coded = encoder.Finish();

    TStreamReader reader(coded);
    TArithmeticDecoder decoder(reader);
    decoder.ResetIntStats(0);
    decoder.InitDecode();
    for (std::int64_t expected : values) {
        std::int32_t value = 0;
        ASSERT_TRUE(decoder.DecodeInt(decoder.IadhStats(), value)) << expected;
        EXPECT_EQ(value, expected);
    }
    std::int32_t value = 7;
    EXPECT_FALSE(decoder.DecodeInt(decoder.IadhStats(), value)) << "sign 1 with magnitude 0 is out of band";
    EXPECT_TRUE(decoder.DecodeInt(decoder.IadhStats(), value)) << "sign 0 with magnitude 0 is the value 0";
    EXPECT_EQ(value, 0);
}

TEST(JBIG2Arithmetic, IaidDecodesCodeLengthBitsAndResetsSizeItsContexts) {
    Jbig2MQEncoder encoder;
    std::vector<std::uint8_t> contexts(16, 0);
    for (std::uint32_t id : {0u, 5u, 7u, 2u}) encoder.EncodeIAID(contexts, 3, id);
    const std::vector<std::uint8_t> coded = encoder.Finish();
    TStreamReader reader(coded);
    TArithmeticDecoder decoder(reader);
    decoder.ResetIntStats(3);
    EXPECT_EQ(decoder.IaidStats().ContextSize(), 16);
    decoder.InitDecode();
    for (std::uint32_t id : {0u, 5u, 7u, 2u}) EXPECT_EQ(decoder.DecodeIAID(3, decoder.IaidStats()), id);
}

TEST(JBIG2Arithmetic, GenericContextsAreZeroedAndReusedOrTakenFromARetainedSet) {
    std::vector<std::uint8_t> none;
    TStreamReader reader(none);
    TArithmeticDecoder decoder(reader);
    decoder.ResetGenericStats(0, nullptr);
    TArithmeticDecoderStats* first = &decoder.GenericRegionStats();
    ASSERT_EQ(first->ContextSize(), 65536);
    first->Data()[123] = 9;
    decoder.ResetGenericStats(0, nullptr);
    EXPECT_EQ(&decoder.GenericRegionStats(), first) << "same template: the set is reused";
    EXPECT_EQ(first->Data()[123], 0);

    TArithmeticDecoderStats retained(1024);
    retained.Data()[5] = 17;
    decoder.ResetGenericStats(2, &retained);
    EXPECT_EQ(decoder.GenericRegionStats().ContextSize(), 1024);
    EXPECT_EQ(decoder.GenericRegionStats().Data()[5], 17);
    decoder.ResetGenericStats(1, &retained);  // a retained set of another size is not taken
    EXPECT_EQ(decoder.GenericRegionStats().ContextSize(), 8192);
    EXPECT_EQ(decoder.GenericRegionStats().Data()[5], 0);
}

// ---- Huffman

struct HuffmanCase {
    int Table;
    const char* Bits;  // the code, then the range bits
    bool Valid;
    std::int64_t Value;
};

TEST(JBIG2Huffman, StandardTablesDecodeTheirRangesAndOutOfBand) {
    const HuffmanCase cases[] = {
        {1, "0" "1010", true, 10},
        {1, "111" "00000000000000000000000000000101", true, 65813},
        {2, "111111", false, -1},
        {2, "111110" "00000000000000000000000000000011", true, 78},
        {2, "11110" "000000", true, 11},
        {3, "1111110" "00000000000000000000000000000001", true, 76},
        {3, "11111110" "00000101", true, -251},
        {3, "11111111" "00000000000000000000000000000010", true, -259},
        {3, "111110", false, -1},
        {6, "11100" "0000000000", true, -2048},
        {6, "111110" "00000000000000000000000000000001", true, -2050},
        {8, "01", false, -1},
        {8, "00" "1", true, 1},
        {15, "0", true, 0},
        {15, "1111110" "00000000000000000000000000000100", true, -29},
    };
    for (const HuffmanCase& c : cases) {
        Jbig2BitWriter writer;
        writer.PutBitString(c.Bits);
        const std::vector<std::uint8_t> data = writer.Bytes();
        TStreamReader reader(data);
        THuffmanDecoder decoder(reader);
        std::int64_t value = 0;
        EXPECT_EQ(decoder.Decode(THuffmanDecoder::StandardTable(c.Table), value), c.Valid) << "B." << c.Table << " " << c.Bits;
        EXPECT_EQ(value, c.Value) << "B." << c.Table << " " << c.Bits;
    }
}

TEST(JBIG2Huffman, StandardTablesCarryTheCodesTheirPrefixLengthsAssign) {
    // A typing slip in a table's codes would show as a disagreement with the assignment.
    for (int number = 1; number <= 15; ++number) {
        const THuffmanTableArray table = THuffmanDecoder::StandardTable(number);
        EXPECT_EQ(table.back().RangeLength, kHuffmanEndOfTable);
        const THuffmanTableArray assigned = THuffmanDecoder::AssignPrefixCodes({table.begin(), table.end() - 1});
        ASSERT_EQ(assigned.size(), table.size()) << "B." << number;
        for (std::size_t i = 0; i + 1 < table.size(); ++i) {
            EXPECT_EQ(assigned[i].Code, table[i].Code) << "B." << number << " row " << i;
            if (i > 0) {
                EXPECT_LE(table[i - 1].PrefixLength, table[i].PrefixLength) << "B." << number;
            }
        }
    }
}

TEST(JBIG2Huffman, PrefixAssignmentOrdersByLengthAndDropsZeroLengths) {
    struct Case {
        std::vector<std::int32_t> Lengths;
        std::vector<std::int32_t> OrderedLows;
        std::vector<std::int32_t> Codes;
    };
    const Case cases[] = {
        {{1, 2, 3, 3}, {0, 1, 2, 3}, {0b0, 0b10, 0b110, 0b111}},
        {{3, 0, 2, 3}, {2, 0, 3}, {0b00, 0b010, 0b011}},
    };
    for (const Case& c : cases) {
        std::vector<THuffmanRow> rows;
        for (std::size_t i = 0; i < c.Lengths.size(); ++i) rows.push_back({static_cast<std::int32_t>(i), c.Lengths[i], 0, 0});
        const THuffmanTableArray table = THuffmanDecoder::AssignPrefixCodes(rows);
        ASSERT_EQ(table.size(), c.OrderedLows.size() + 1);
        for (std::size_t i = 0; i < c.OrderedLows.size(); ++i) {
            EXPECT_EQ(table[i].RangeLow, c.OrderedLows[i]);
            EXPECT_EQ(table[i].Code, c.Codes[i]);
        }
        EXPECT_EQ(table.back().RangeLength, kHuffmanEndOfTable);
    }
}

TEST(JBIG2Huffman, BitsMatchingNoRowEndAtTheEndOfTableAsOutOfBand) {
    // Lengths 1 and 2 only: code 11 belongs to no row.
    const THuffmanTableArray table = THuffmanDecoder::AssignPrefixCodes({{5, 1, 0, 0}, {6, 2, 0, 0}});
    const std::vector<std::uint8_t> data = {0b11000000};
    TStreamReader reader(data);
    THuffmanDecoder decoder(reader);
    std::int64_t value = 0;
    EXPECT_FALSE(decoder.Decode(table, value));
}

// ---- bitmaps

class JBIG2BitmapTest : public ::testing::Test {
protected:
    TJBIG2Bitmap* Make(std::int32_t width, std::int32_t height, std::vector<const char*> rows = {}) {
        TJBIG2Bitmap* bitmap = factory_.Create(width, height, nullptr, nullptr, nullptr);
        for (std::size_t y = 0; y < rows.size(); ++y) {
            for (std::int32_t x = 0; x < width; ++x) bitmap->SetPixel(x, static_cast<std::int32_t>(y), rows[y][x] == '#');
        }
        return bitmap;
    }
    static std::string Text(const TJBIG2Bitmap& bitmap) {
        std::string text;
        for (std::int32_t y = 0; y < bitmap.Height(); ++y) {
            for (std::int32_t x = 0; x < bitmap.Width(); ++x) text += bitmap.GetPixel(x, y) ? '#' : '.';
            text += '|';
        }
        return text;
    }
    TJBIG2BitmapFactory factory_;
};

TEST_F(JBIG2BitmapTest, CombineAppliesEachOperatorAndClipsOnEverySide) {
    struct Case {
        std::int32_t Op;
        std::int64_t X;
        std::int64_t Y;
        const char* Expected;
    };
    // Destination ..## / ..## (4 x 2); source #.#. / #.#. (4 x 2) unless moved.
    const Case cases[] = {
        {0, 0, 0, "#.##|#.##|"},
        {1, 0, 0, "..#.|..#.|"},
        {2, 0, 0, "#..#|#..#|"},
        {3, 0, 0, ".##.|.##.|"},  // XNOR: white under white turns black
        {4, 0, 0, "#.#.|#.#.|"},
        {7, 0, 0, "..##|..##|"},  // no such operator: unchanged
        {4, -1, 0, ".#.#|.#.#|"},  // left column dropped
        {4, 2, 1, "..##|..#.|"},   // right and bottom clipped
        {4, -2, -1, "#.##|..##|"},
        {0, 4, 0, "..##|..##|"},   // wholly outside
    };
    for (const Case& c : cases) {
        TJBIG2Bitmap* destination = Make(4, 2, {"..##", "..##"});
        TJBIG2Bitmap* source = Make(4, 2, {"#.#.", "#.#."});
        destination->Combine(*source, c.X, c.Y, c.Op);
        EXPECT_EQ(Text(*destination), c.Expected) << "op " << c.Op << " at " << c.X << "," << c.Y;
    }
}

TEST_F(JBIG2BitmapTest, ARegionAtMinusFiveLosesItsFirstFiveColumns) {
    TJBIG2Bitmap* page = Make(4, 1);
    TJBIG2Bitmap* region = Make(8, 1, {".....#.#"});
    page->Combine(*region, -5, 0, 0);
    EXPECT_EQ(Text(*page), "#.#.|");
}

TEST_F(JBIG2BitmapTest, GrowthFillsNewRowsAndEmptyBitmapsCopyOutZeros) {
    TJBIG2Bitmap* page = Make(3, 1, {"#.#"});
    page->GrowHeight(3, 1);
    EXPECT_EQ(Text(*page), "#.#|###|###|");
    TJBIG2Bitmap* empty = Make(10, 0);
    EXPECT_EQ(empty->Height(), 0);
    EXPECT_EQ(empty->RowCopyOut(0), TJBIG2ByteArray(10, 0));
}

TEST_F(JBIG2BitmapTest, ExtractOutsideTheSourceReadsWhite) {
    TJBIG2Bitmap* source = Make(3, 2, {"###", "#.#"});
    EXPECT_EQ(Text(*source->Extract(1, 1, 4, 2)), ".#..|....|");
}

TEST_F(JBIG2BitmapTest, CursorIsWhiteLeftOfRightOfAndAwayFromTheRows) {
    TJBIG2Bitmap* bitmap = Make(2, 1, {"##"});
    TBitmapPointer cursor(*bitmap);
    cursor.SetPointer(-2, 0);
    std::string seen;
    for (int i = 0; i < 6; ++i) seen += static_cast<char>('0' + cursor.NextPixel());
    EXPECT_EQ(seen, "001100");
    cursor.SetPointer(0, -1);
    EXPECT_EQ(cursor.NextPixel() + cursor.NextPixel(), 0);
}

TEST_F(JBIG2BitmapTest, SizesBeyondTheLimitAreDamageNotAllocations) {
    EXPECT_THROW(factory_.Create(65535, 65535, nullptr, nullptr, nullptr), EJBIG2Damage);
    EXPECT_THROW(factory_.Create(-1, 5, nullptr, nullptr, nullptr), EJBIG2Damage);
    // The limit holds for the whole decode, not only per bitmap.
    // Each bitmap also counts its bookkeeping, so a flood of tiny bitmaps is bounded too.
    factory_.AccountPixels(kMaxJBIG2Pixels - 16 - kJBIG2BitmapOverheadPixels);
    factory_.Create(4, 4, nullptr, nullptr, nullptr);
    EXPECT_THROW(factory_.Create(0, 0, nullptr, nullptr, nullptr), EJBIG2Damage);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// ---- segment streams

using Jbig2Rows = std::vector<std::string>;  // '#' black, '.' white

struct Jbig2Segment {
    Jbig2Segment(std::uint32_t number, std::int32_t type, std::vector<std::uint32_t> referred,
                 std::vector<std::uint8_t> data, std::optional<std::int64_t> length = std::nullopt)
        : Number(number), Type(type), Referred(std::move(referred)), Data(std::move(data)), Length(length) {}
    std::uint32_t Number = 0;
    std::int32_t Type = 0;
    std::vector<std::uint32_t> Referred;
    std::vector<std::uint8_t> Data;
    std::optional<std::int64_t> Length;  // the data's size unless set
    std::uint32_t Page = 1;
};

void PutU32(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}
void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}
void Append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& more) {
    out.insert(out.end(), more.begin(), more.end());
}

std::vector<std::uint8_t> Jbig2Stream(const std::vector<Jbig2Segment>& segments) {
    std::vector<std::uint8_t> out;
    for (const Jbig2Segment& segment : segments) {
        PutU32(out, segment.Number);
        out.push_back(static_cast<std::uint8_t>(segment.Type | (segment.Page > 255 ? 0x40 : 0)));
        const std::size_t count = segment.Referred.size();
        if (count <= 4) {
            out.push_back(static_cast<std::uint8_t>(count << 5));
        } else {
            PutU32(out, 0xE0000000u | count);
            out.insert(out.end(), (count + 1 + 7) / 8, 0);
        }
        for (std::uint32_t referred : segment.Referred) {
            if (segment.Number <= 256) {
                out.push_back(static_cast<std::uint8_t>(referred));
            } else if (segment.Number <= 65536) {
                PutU16(out, referred);
            } else {
                PutU32(out, referred);
            }
        }
        if (segment.Page > 255) {
            PutU32(out, segment.Page);
        } else {
            out.push_back(static_cast<std::uint8_t>(segment.Page));
        }
        PutU32(out, static_cast<std::uint64_t>(segment.Length.value_or(static_cast<std::int64_t>(segment.Data.size()))));
        Append(out, segment.Data);
    }
    return out;
}

std::vector<std::uint8_t> PageInformation(std::uint32_t width, std::uint32_t height, std::uint8_t flags = 0,
                                          std::uint32_t striping = 0) {
    std::vector<std::uint8_t> out;
    PutU32(out, width);
    PutU32(out, height);
    PutU32(out, 0);
    PutU32(out, 0);
    out.push_back(flags);
    PutU16(out, striping);
    return out;
}

std::vector<std::uint8_t> RegionInformation(std::uint32_t width, std::uint32_t height, std::int32_t x, std::int32_t y,
                                            std::uint8_t op) {
    std::vector<std::uint8_t> out;
    PutU32(out, width);
    PutU32(out, height);
    PutU32(out, static_cast<std::uint32_t>(x));
    PutU32(out, static_cast<std::uint32_t>(y));
    out.push_back(op);
    return out;
}

std::uint8_t RowsPixel(const Jbig2Rows& rows, std::int64_t x, std::int64_t y) {
    if (y < 0 || y >= static_cast<std::int64_t>(rows.size()) || x < 0 ||
        x >= static_cast<std::int64_t>(rows[static_cast<std::size_t>(y)].size())) {
        return 0;
    }
    return rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '#';
}

constexpr std::int8_t kNominalAt[8] = {3, -1, -3, -1, 2, -2, -2, -2};

// Template 0 generic coding of rows, context bits as the decoder forms them.
void EncodeGeneric(Jbig2MQEncoder& encoder, std::vector<std::uint8_t>& contexts, const Jbig2Rows& rows,
                   const std::int8_t (&at)[8] = kNominalAt) {
    for (std::int64_t y = 0; y < static_cast<std::int64_t>(rows.size()); ++y) {
        for (std::int64_t x = 0; x < static_cast<std::int64_t>(rows[0].size()); ++x) {
            auto p = [&](std::int64_t dx, std::int64_t dy) -> std::uint32_t { return RowsPixel(rows, x + dx, y + dy); };
            std::uint32_t context = 0;
            for (int dx = -1; dx <= 1; ++dx) context = (context << 1) | p(dx, -2);
            for (int dx = -2; dx <= 2; ++dx) context = (context << 1) | p(dx, -1);
            for (int dx = -4; dx <= -1; ++dx) context = (context << 1) | p(dx, 0);
            for (int k = 0; k < 4; ++k) context = (context << 1) | p(at[2 * k], at[2 * k + 1]);
            encoder.Encode(contexts, context, RowsPixel(rows, x, y));
        }
    }
}

// An arithmetic generic region (template 0, no typical prediction) of the given rows.
std::vector<std::uint8_t> GenericRegion(const Jbig2Rows& rows, std::int32_t x = 0, std::int32_t y = 0,
                                        std::uint8_t op = 0) {
    std::vector<std::uint8_t> out = RegionInformation(static_cast<std::uint32_t>(rows[0].size()),
                                                      static_cast<std::uint32_t>(rows.size()), x, y, op);
    out.push_back(0);  // arithmetic, template 0, no TPGDON
    for (std::int8_t offset : kNominalAt) out.push_back(static_cast<std::uint8_t>(offset));
    Jbig2MQEncoder encoder;
    std::vector<std::uint8_t> contexts(65536, 0);
    EncodeGeneric(encoder, contexts, rows);
    Append(out, encoder.Finish());
    return out;
}

Jbig2Rows RandomRows(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    Jbig2Rows rows(static_cast<std::size_t>(height), std::string(static_cast<std::size_t>(width), '.'));
    for (auto& row : rows) {
        for (auto& pixel : row) pixel = random() % 3 == 0 ? '#' : '.';
    }
    return rows;
}

Jbig2Rows PageRows(const TSVLJBIG2Decoder& decoder) {
    Jbig2Rows rows;
    for (std::int32_t y = 0; y < decoder.Height(); ++y) {
        TJBIG2ByteArray row;
        decoder.GetRow(y, row);
        std::string text;
        for (std::uint8_t pixel : row) text += pixel ? '#' : '.';
        rows.push_back(text);
    }
    return rows;
}

Jbig2Rows Blank(int width, int height) {
    return Jbig2Rows(static_cast<std::size_t>(height), std::string(static_cast<std::size_t>(width), '.'));
}

void Draw(Jbig2Rows& page, const Jbig2Rows& rows, int x, int y) {
    for (std::size_t j = 0; j < rows.size(); ++j) {
        for (std::size_t i = 0; i < rows[j].size(); ++i) {
            const std::int64_t px = x + static_cast<std::int64_t>(i);
            const std::int64_t py = y + static_cast<std::int64_t>(j);
            if (px >= 0 && py >= 0 && py < static_cast<std::int64_t>(page.size()) &&
                px < static_cast<std::int64_t>(page[0].size()) && rows[j][i] == '#') {
                page[static_cast<std::size_t>(py)][static_cast<std::size_t>(px)] = '#';
            }
        }
    }
}

Jbig2Segment Page(std::uint32_t width, std::uint32_t height) { return {0, 48, {}, PageInformation(width, height)}; }

TEST(JBIG2Stream, EmptyDataFailsAndRowsOutsideThePageAreZero) {
    TSVLJBIG2Decoder decoder;
    EXPECT_FALSE(decoder.Decode({}, {0x01, 0x02}));
    const Jbig2Rows rows = RandomRows(13, 5, 1);
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(13, 5), {1, 38, {}, GenericRegion(rows)}})));
    EXPECT_EQ(PageRows(decoder), rows);
    TJBIG2ByteArray row = {9};
    EXPECT_FALSE(decoder.GetRow(-1, row));
    EXPECT_EQ(row, TJBIG2ByteArray(13, 0));
    EXPECT_FALSE(decoder.GetRow(5, row));
    EXPECT_EQ(row, TJBIG2ByteArray(13, 0));
}

TEST(JBIG2Stream, EachSegmentEndsWhereItsLengthSaysWhateverItsReadingLeft) {
    // Extension data padding the first region: the second region's header follows it.
    const Jbig2Rows first = RandomRows(20, 9, 2);
    const Jbig2Rows second = RandomRows(11, 6, 3);
    std::vector<std::uint8_t> padded = GenericRegion(first);
    padded.insert(padded.end(), {0x30, 0x00, 0x00, 0x00, 0x05, 0x26});  // could pass for a header
    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(20, 9), {1, 38, {}, padded}, {2, 38, {}, GenericRegion(second, 4, 2)}})));
    Jbig2Rows expected = first;
    Draw(expected, second, 4, 2);
    EXPECT_EQ(PageRows(decoder), expected);
}

TEST(JBIG2Stream, SegmentsAfterAnEndOfPageAreReadAndNothingAfterAnEndOfFile) {
    const Jbig2Rows first = RandomRows(16, 8, 4);
    const Jbig2Rows second = RandomRows(5, 5, 5);
    std::vector<std::uint8_t> data = Jbig2Stream({Page(16, 8), {1, 38, {}, GenericRegion(first)}, {2, 49, {}, {}},
                                                  {3, 38, {}, GenericRegion(second, 1, 1)}, {4, 51, {}, {}}});
    data.insert(data.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x00});
    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(data));
    Jbig2Rows expected = first;
    Draw(expected, second, 1, 1);
    EXPECT_EQ(PageRows(decoder), expected);
}

TEST(JBIG2Stream, ReferredToNumbersTakeOneTwoOrFourBytesByTheSegmentsOwnNumber) {
    // An extension segment refers to two others; a misread size would shift every later field.
    const Jbig2Rows rows = RandomRows(9, 4, 6);
    for (std::uint32_t number : {255u, 256u, 257u, 300u, 65536u, 65537u}) {
        TSVLJBIG2Decoder decoder;
        ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(9, 4), {number, 62, {1, 2}, {0xAA}}, {number + 1, 38, {}, GenericRegion(rows)}})))
            << number;
        EXPECT_EQ(PageRows(decoder), rows) << number;
    }
}

TEST(JBIG2Stream, APageOfUnknownHeightStartsAtItsStripeAndGrowsWithGenericRegions) {
    const Jbig2Rows rows = RandomRows(8, 10, 7);
    const Jbig2Segment page{0, 48, {}, PageInformation(8, 0xFFFFFFFF, 0, 0x8040)};
    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({page, {1, 38, {}, GenericRegion(rows, 0, 10)}})));
    EXPECT_EQ(decoder.Height(), 64);
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({page, {1, 38, {}, GenericRegion(rows, 0, 90)}})));
    EXPECT_EQ(decoder.Height(), 100);
    Jbig2Rows expected = Blank(8, 100);
    Draw(expected, rows, 0, 90);
    EXPECT_EQ(PageRows(decoder), expected);
}

TEST(JBIG2Stream, UnknownLengthRegionsEndAtTheirMarkerOrAtTheEndOfTheData) {
    const Jbig2Rows rows = RandomRows(12, 7, 8);
    std::vector<std::uint8_t> data = GenericRegion(rows);  // ends with 0xFF 0xAC
    PutU32(data, 7);                                        // the row count after the marker
    const Jbig2Rows second = RandomRows(3, 3, 9);
    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(12, 7), {1, 38, {}, data, -1}, {2, 38, {}, GenericRegion(second, 9, 4, 2)}})));
    Jbig2Rows expected = rows;
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            if (second[j][i] == '#') expected[4 + j][9 + i] = expected[4 + j][9 + i] == '#' ? '.' : '#';
        }
    }
    EXPECT_EQ(PageRows(decoder), expected);

    // Without a marker the scan stops at the end of the data; what was decoded stands.
    std::vector<std::uint8_t> unterminated = GenericRegion(rows);
    unterminated.resize(unterminated.size() - 2);
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(12, 7), {1, 38, {}, unterminated, -1}})));
    EXPECT_EQ(PageRows(decoder), rows);
}

std::vector<std::uint8_t> MmrRegion(std::uint32_t width, std::uint32_t height, const char* bits) {
    std::vector<std::uint8_t> out = RegionInformation(width, height, 0, 0, 0);
    out.push_back(0x01);  // MMR
    Jbig2BitWriter writer;
    writer.PutBitString(bits);
    Append(out, writer.Bytes());
    return out;
}

TEST(JBIG2Stream, MmrRowsAndCodesThatNeverAdvance) {
    const struct {
        const char* Name;
        const char* Bits;
        Jbig2Rows Expected;
    } cases[] = {
        // Horizontal: white run 0, black run 10, then end of block.
        {"one horizontal code", "001" "00110101" "0000100" "000000000001000000000001", {"##########", ".........."}},
        // Vertical-left codes at column 0 add changing elements without moving a0: the line
        // would overflow, so decoding ends with the rows decoded so far.
        {"vertical-left codes", "0000010000001000000100000010000001000000100000010000001000000100000010000001"
                                "0000010000001000000100000010000001",
         {"..........", ".........."}},
    };
    for (const auto& c : cases) {
        TSVLJBIG2Decoder decoder;
        ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(10, 2), {1, 38, {}, MmrRegion(10, 1, c.Bits)}}))) << c.Name;
        EXPECT_EQ(PageRows(decoder), c.Expected) << c.Name;
    }
}

// ---- damaged streams: each ends the decode with false, quickly and without touching memory
// outside the data.

struct DamageCase {
    const char* Name;
    std::vector<std::uint8_t> Data;
};

std::vector<DamageCase> DamageCases() {
    const Jbig2Rows rows = RandomRows(10, 6, 10);
    std::vector<DamageCase> cases;
    cases.push_back({"negative length", Jbig2Stream({Page(10, 6), {1, 62, {}, {1, 2, 3}, -2}, {2, 38, {}, GenericRegion(rows)}})});
    cases.push_back({"unknown length outside generic regions", Jbig2Stream({Page(10, 6), {1, 62, {}, {1, 2, 3}, -1}})});
    cases.push_back({"length past the data", Jbig2Stream({Page(10, 6), {1, 38, {}, GenericRegion(rows), 5000}})});
    cases.push_back({"page beyond the pixel limit", Jbig2Stream({Page(65535, 65535)})});
    cases.push_back({"page of negative width", Jbig2Stream({Page(0xFFFFFFF0u, 6)})});
    cases.push_back({"region beyond the pixel limit",
                     Jbig2Stream({Page(10, 6), {1, 38, {}, GenericRegion({"#"})}, {2, 38, {}, [] {
                                      std::vector<std::uint8_t> data = RegionInformation(40000, 40000, 0, 0, 0);
                                      data.insert(data.end(), {0, 3, 0xFF, 0xFD, 0xFF, 2, 0xFE, 0xFE, 0xFE});
                                      return data;
                                  }()}})});
    {
        // The 29-bit referred-to count of the long form, with almost no data behind it.
        std::vector<std::uint8_t> data = Jbig2Stream({Page(10, 6)});
        data.insert(data.end(), {0, 0, 0, 1, 62, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0});
        cases.push_back({"referred-to count beyond the data", data});
    }
    cases.push_back({"unknown-height page grown beyond the limit",
                     Jbig2Stream({{0, 48, {}, PageInformation(4096, 0xFFFFFFFF, 0, 0x8040)},
                                  {1, 38, {}, GenericRegion({"#"}, 0, 0x7FFFFFF0)}})});
    {
        std::vector<std::uint8_t> pattern = {0x01, 255, 255};  // MMR, 255 x 255 patterns
        PutU32(pattern, 0xFFFFFFFF);                            // GRAYMAX
        cases.push_back({"pattern collective bitmap beyond the limit", Jbig2Stream({Page(10, 6), {1, 16, {}, pattern}})});
    }
    {
        std::vector<std::uint8_t> dictionary = {0x00, 0x00};
        for (std::int8_t offset : kNominalAt) dictionary.push_back(static_cast<std::uint8_t>(offset));
        PutU32(dictionary, 1);
        PutU32(dictionary, 0xFFFFFFFF);  // new symbols: code length 32
        dictionary.insert(dictionary.end(), {0x00, 0x00, 0xFF, 0xAC});
        cases.push_back({"more new symbols than the data holds", Jbig2Stream({Page(10, 6), {1, 0, {}, dictionary}})});
    }
    return cases;
}

TEST(JBIG2Stream, DamagedStreamsFail) {
    for (const DamageCase& c : DamageCases()) {
        TSVLJBIG2Decoder decoder;
        EXPECT_FALSE(decoder.Decode(c.Data)) << c.Name;
        EXPECT_EQ(decoder.Width(), 0) << c.Name;
        EXPECT_EQ(decoder.Height(), 0) << c.Name;
    }
}


// ---- symbol dictionaries and text regions

struct Jbig2ArithmeticSets {
    std::vector<std::uint8_t> Generic = std::vector<std::uint8_t>(65536, 0);
    std::vector<std::uint8_t> Iadh = std::vector<std::uint8_t>(512, 0);
    std::vector<std::uint8_t> Iadw = std::vector<std::uint8_t>(512, 0);
    std::vector<std::uint8_t> Iaex = std::vector<std::uint8_t>(512, 0);
    std::vector<std::uint8_t> Iadt = std::vector<std::uint8_t>(512, 0);
    std::vector<std::uint8_t> Iafs = std::vector<std::uint8_t>(512, 0);
    std::vector<std::uint8_t> Iads = std::vector<std::uint8_t>(512, 0);
    std::vector<std::uint8_t> Iaid = std::vector<std::uint8_t>(1 << 12, 0);
};

// An arithmetic dictionary (template 0) of symbols in height classes of equal heights, ordered
// by height; height and width deltas may be forced to test damage.
std::vector<std::uint8_t> ArithmeticDictionary(const std::vector<Jbig2Rows>& symbols, std::uint32_t exported,
                                               const std::vector<std::int64_t>& exportRuns,
                                               std::optional<std::int64_t> firstHeightDelta = std::nullopt,
                                               std::optional<std::int64_t> firstWidthDelta = std::nullopt) {
    std::vector<std::uint8_t> out = {0x00, 0x00};
    for (std::int8_t offset : kNominalAt) out.push_back(static_cast<std::uint8_t>(offset));
    PutU32(out, exported);
    PutU32(out, static_cast<std::uint32_t>(symbols.size()));
    Jbig2MQEncoder encoder;
    Jbig2ArithmeticSets sets;
    std::int64_t height = 0;
    for (std::size_t i = 0; i < symbols.size();) {
        const std::int64_t classHeight = static_cast<std::int64_t>(symbols[i].size());
        encoder.EncodeInt(sets.Iadh, i == 0 && firstHeightDelta ? *firstHeightDelta : classHeight - height);
        height = classHeight;
        std::int64_t width = 0;
        for (; i < symbols.size() && static_cast<std::int64_t>(symbols[i].size()) == classHeight; ++i) {
            const std::int64_t symbolWidth = static_cast<std::int64_t>(symbols[i][0].size());
            encoder.EncodeInt(sets.Iadw, i == 0 && firstWidthDelta ? *firstWidthDelta : symbolWidth - width);
            width = symbolWidth;
            EncodeGeneric(encoder, sets.Generic, symbols[i]);
        }
        encoder.EncodeOutOfBand(sets.Iadw);
    }
    for (std::int64_t run : exportRuns) encoder.EncodeInt(sets.Iaex, run);
    Append(out, encoder.Finish());
    return out;
}

struct Jbig2Instance {
    std::int64_t X;
    std::int64_t Y;  // top row (reference corner top left)
    std::uint32_t Id;
};

// An arithmetic text region, one strip of one row per instance, top-left reference corner.
std::vector<std::uint8_t> ArithmeticTextRegion(std::uint32_t width, std::uint32_t height, std::uint32_t symbolCount,
                                               const std::vector<Jbig2Instance>& instances,
                                               std::optional<std::uint32_t> announced = std::nullopt) {
    std::vector<std::uint8_t> out = RegionInformation(width, height, 0, 0, 0);
    PutU16(out, 0x0010);  // arithmetic, no refinement, one-row strips, corner 1, OR
    PutU32(out, announced.value_or(static_cast<std::uint32_t>(instances.size())));
    int codeLength = 0;
    while ((1u << codeLength) < symbolCount) ++codeLength;
    Jbig2MQEncoder encoder;
    Jbig2ArithmeticSets sets;
    encoder.EncodeInt(sets.Iadt, 0);
    std::int64_t stripT = 0;
    std::int64_t firstS = 0;
    for (const Jbig2Instance& instance : instances) {
        encoder.EncodeInt(sets.Iadt, instance.Y - stripT);
        stripT = instance.Y;
        encoder.EncodeInt(sets.Iafs, instance.X - firstS);
        firstS = instance.X;
        encoder.EncodeIAID(sets.Iaid, codeLength, instance.Id);
        encoder.EncodeOutOfBand(sets.Iads);
    }
    Append(out, encoder.Finish());
    return out;
}

const Jbig2Rows kSymbolA = {".#.", "#.#", "###", "#.#"};
const Jbig2Rows kSymbolB = {"##..", "#.#.", "##.#", "#.##"};
const Jbig2Rows kSymbolC = {"#####", "....#"};

TEST(JBIG2Symbols, ATextRegionDrawsTheDictionarysSymbolsAndCountsIdsWithoutOne) {
    // Classes of height 2 and 4; every symbol exported (skip 0, export 3).
    const std::vector<std::uint8_t> dictionary = ArithmeticDictionary({kSymbolC, kSymbolA, kSymbolB}, 3, {0, 3});
    // The third instance's ID equals the symbol count: nothing is drawn, but it counts.
    const std::vector<std::uint8_t> text =
        ArithmeticTextRegion(20, 10, 3, {{1, 0, 1}, {6, 2, 0}, {9, 1, 3}, {12, 5, 2}});
    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(20, 10), {2, 6, {1}, text}}), Jbig2Stream({{1, 0, {}, dictionary}})));
    Jbig2Rows expected = Blank(20, 10);
    Draw(expected, kSymbolA, 1, 0);
    Draw(expected, kSymbolC, 6, 2);
    Draw(expected, kSymbolB, 12, 5);
    EXPECT_EQ(PageRows(decoder), expected);
}

TEST(JBIG2Symbols, ExportRunsPastTheSymbolsEndAtTheirEnd) {
    const std::vector<std::uint8_t> dictionary = ArithmeticDictionary({kSymbolA, kSymbolB}, 2, {0, 100});
    const std::vector<std::uint8_t> text = ArithmeticTextRegion(10, 5, 2, {{0, 0, 1}, {5, 1, 0}});
    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(10, 5), {1, 0, {}, dictionary}, {2, 6, {1}, text}})));
    Jbig2Rows expected = Blank(10, 5);
    Draw(expected, kSymbolB, 0, 0);
    Draw(expected, kSymbolA, 5, 1);
    EXPECT_EQ(PageRows(decoder), expected);
}

TEST(JBIG2Symbols, AnInstanceCountBeyondTheDataStopsOnceTheDataRunsOut) {
    // 2^31 - 1 announced, two coded: the loop ends soon after the data, keeping both.
    const std::vector<std::uint8_t> dictionary = ArithmeticDictionary({kSymbolA, kSymbolB}, 2, {0, 2});
    const std::vector<std::uint8_t> text = ArithmeticTextRegion(12, 6, 2, {{0, 0, 0}, {6, 2, 1}}, 0x7FFFFFFF);
    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(12, 6), {1, 0, {}, dictionary}, {2, 6, {1}, text}})));
    Jbig2Rows expected = Blank(12, 6);
    Draw(expected, kSymbolA, 0, 0);
    Draw(expected, kSymbolB, 6, 2);
    const Jbig2Rows page = PageRows(decoder);
    for (std::size_t y = 0; y < expected.size(); ++y) {
        for (std::size_t x = 0; x < expected[y].size(); ++x) {
            if (expected[y][x] == '#') {
                EXPECT_EQ(page[y][x], '#') << x << "," << y;
            }
        }
    }
}

TEST(JBIG2Symbols, DamagedDictionariesAndReferencesFail) {
    const std::vector<std::uint8_t> text = ArithmeticTextRegion(10, 5, 2, {{0, 0, 1}});
    const Jbig2Rows rows = RandomRows(4, 4, 11);
    std::vector<std::uint8_t> userTableText = RegionInformation(10, 5, 0, 0, 0);
    PutU16(userTableText, 0x0001);  // Huffman
    PutU16(userTableText, 0x0003);  // first-S table: a user table
    PutU32(userTableText, 1);
    std::vector<std::uint8_t> userTableDictionary = {0x00, 0x0D};  // Huffman, height deltas from a user table
    PutU32(userTableDictionary, 1);
    PutU32(userTableDictionary, 1);
    std::vector<std::uint8_t> halftone = RegionInformation(4, 4, 0, 0, 0);
    halftone.push_back(0);
    for (int i = 0; i < 4; ++i) PutU32(halftone, 1);
    PutU16(halftone, 1024);
    PutU16(halftone, 0);
    const struct {
        const char* Name;
        std::vector<std::uint8_t> Data;
    } cases[] = {
        {"class height of zero", Jbig2Stream({Page(10, 5), {1, 0, {}, ArithmeticDictionary({kSymbolA, kSymbolB}, 2, {0, 2}, 0)}, {2, 6, {1}, text}})},
        {"class height below zero", Jbig2Stream({Page(10, 5), {1, 0, {}, ArithmeticDictionary({kSymbolA, kSymbolB}, 2, {0, 2}, -3)}, {2, 6, {1}, text}})},
        {"symbol width of zero", Jbig2Stream({Page(10, 5), {1, 0, {}, ArithmeticDictionary({kSymbolA, kSymbolB}, 2, {0, 2}, std::nullopt, 0)}, {2, 6, {1}, text}})},
        {"text region referring to a page", Jbig2Stream({Page(10, 5), {2, 6, {0}, text}})},
        {"text region referring to a missing segment", Jbig2Stream({Page(10, 5), {2, 6, {9}, text}})},
        {"text region selecting a user table", Jbig2Stream({Page(10, 5), {2, 6, {}, userTableText}})},
        {"dictionary selecting a user table", Jbig2Stream({Page(10, 5), {1, 0, {}, userTableDictionary}})},
        {"halftone referring to a generic region", Jbig2Stream({Page(10, 5), {1, 36, {}, GenericRegion(rows)}, {2, 22, {1}, halftone}})},
        {"refinement of an immediate region", Jbig2Stream({Page(10, 5), {1, 38, {}, GenericRegion(rows)}, {2, 42, {1}, [] {
                                                                std::vector<std::uint8_t> data = RegionInformation(4, 4, 0, 0, 0);
                                                                data.insert(data.end(), {0x01, 0xFF, 0xAC});
                                                                return data;
                                                            }()}})},
    };
    for (const auto& c : cases) {
        TSVLJBIG2Decoder decoder;
        EXPECT_FALSE(decoder.Decode(c.Data)) << c.Name;
    }
}

// ---- Huffman-coded symbols and text

void PutHuffman(Jbig2BitWriter& writer, const THuffmanTableArray& table, std::int64_t value) {
    for (const THuffmanRow& row : table) {
        if (row.RangeLength < 0) continue;
        const std::int64_t span = row.RangeLength == 32 ? (std::int64_t{1} << 32) : (std::int64_t{1} << row.RangeLength);
        if (value >= row.RangeLow && value - row.RangeLow < span) {
            writer.PutBits(static_cast<std::uint64_t>(row.Code), row.PrefixLength);
            writer.PutBits(static_cast<std::uint64_t>(value - row.RangeLow), row.RangeLength);
            return;
        }
    }
    ADD_FAILURE() << "no row for " << value;
}

void PutHuffmanOutOfBand(Jbig2BitWriter& writer, const THuffmanTableArray& table) {
    for (const THuffmanRow& row : table) {
        if (row.RangeLength == kHuffmanOutOfBand) {
            writer.PutBits(static_cast<std::uint64_t>(row.Code), row.PrefixLength);
        }
    }
}

// A Huffman dictionary of one height class whose collective bitmap is stored uncompressed.
std::vector<std::uint8_t> HuffmanDictionary(const std::vector<Jbig2Rows>& symbols) {
    std::vector<std::uint8_t> out = {0x00, 0x01};  // Huffman; tables B.4, B.2, B.1, B.1
    PutU32(out, static_cast<std::uint32_t>(symbols.size()));
    PutU32(out, static_cast<std::uint32_t>(symbols.size()));
    Jbig2BitWriter writer;
    const std::int64_t height = static_cast<std::int64_t>(symbols[0].size());
    PutHuffman(writer, THuffmanDecoder::StandardTable(4), height);
    std::int64_t width = 0;
    std::string collective(static_cast<std::size_t>(height), ' ');
    Jbig2Rows rows(static_cast<std::size_t>(height));
    for (const Jbig2Rows& symbol : symbols) {
        PutHuffman(writer, THuffmanDecoder::StandardTable(2), static_cast<std::int64_t>(symbol[0].size()) - width);
        width = static_cast<std::int64_t>(symbol[0].size());
        for (std::size_t y = 0; y < rows.size(); ++y) rows[y] += symbol[y];
    }
    PutHuffmanOutOfBand(writer, THuffmanDecoder::StandardTable(2));
    PutHuffman(writer, THuffmanDecoder::StandardTable(1), 0);  // BMSIZE 0: uncompressed
    writer.Align();
    for (const std::string& row : rows) {
        for (char pixel : row) writer.PutBit(pixel == '#');
        writer.Align();
    }
    PutHuffman(writer, THuffmanDecoder::StandardTable(1), 0);  // export: skip none
    PutHuffman(writer, THuffmanDecoder::StandardTable(1), static_cast<std::int64_t>(symbols.size()));
    Append(out, writer.Bytes());
    return out;
}

// A Huffman text region (tables B.6, B.8, B.11) whose symbol IDs have the given code lengths,
// written with run codes of the given prefix lengths; one strip per instance.
std::vector<std::uint8_t> HuffmanTextRegion(std::uint32_t width, std::uint32_t height,
                                            const std::vector<std::int32_t>& runCodeLengths,
                                            const std::vector<std::int32_t>& runCodes,
                                            const std::vector<std::int32_t>& symbolLengths,
                                            const std::vector<Jbig2Instance>& instances) {
    std::vector<std::uint8_t> out = RegionInformation(width, height, 0, 0, 0);
    PutU16(out, 0x0011);  // Huffman, corner 1
    PutU16(out, 0x0000);  // B.6, B.8, B.11
    PutU32(out, static_cast<std::uint32_t>(instances.size()));
    Jbig2BitWriter writer;
    std::vector<THuffmanRow> runRows;
    for (std::int32_t i = 0; i < 35; ++i) {
        writer.PutBits(static_cast<std::uint64_t>(runCodeLengths[static_cast<std::size_t>(i)]), 4);
        runRows.push_back({i, runCodeLengths[static_cast<std::size_t>(i)], 0, 0});
    }
    const THuffmanTableArray runTable = THuffmanDecoder::AssignPrefixCodes(runRows);
    for (std::int32_t code : runCodes) PutHuffman(writer, runTable, code);
    writer.Align();
    std::vector<THuffmanRow> symbolRows;
    for (std::size_t i = 0; i < symbolLengths.size(); ++i) symbolRows.push_back({static_cast<std::int32_t>(i), symbolLengths[i], 0, 0});
    const THuffmanTableArray symbolTable = THuffmanDecoder::AssignPrefixCodes(symbolRows);
    // T deltas of table B.11 start at 1: the strips start one row up and move down.
    PutHuffman(writer, THuffmanDecoder::StandardTable(11), 1);
    std::int64_t stripT = -1;
    std::int64_t firstS = 0;
    for (const Jbig2Instance& instance : instances) {
        PutHuffman(writer, THuffmanDecoder::StandardTable(11), instance.Y - stripT);
        stripT = instance.Y;
        PutHuffman(writer, THuffmanDecoder::StandardTable(6), instance.X - firstS);
        firstS = instance.X;
        PutHuffman(writer, symbolTable, instance.Id);
        PutHuffmanOutOfBand(writer, THuffmanDecoder::StandardTable(8));
    }
    Append(out, writer.Bytes());
    return out;
}

std::vector<std::int32_t> RunCodeLengths() {
    // Run codes 1, 2 and 32 to 34 in use: lengths 2, 2, 3, 3, 3 (a complete code).
    std::vector<std::int32_t> lengths(35, 0);
    lengths[1] = 2;
    lengths[2] = 2;
    lengths[32] = 3;
    lengths[33] = 3;
    lengths[34] = 3;
    return lengths;
}

TEST(JBIG2Symbols, HuffmanDictionaryAndTextRegionWithARunCodedSymbolIdTable) {
    // Total width 13 (4 + 4 + 5): uncompressed rows of two bytes, the second giving 5 pixels.
    const Jbig2Rows symbolD = {"#..#", ".##.", "#..#", "#..#"};
    const std::vector<std::uint8_t> dictionary = HuffmanDictionary({kSymbolB, symbolD, {"#####", "#...#", "#...#", "#####"}});
    // Symbol ID lengths 1, 2, 2 from run codes 1, 2 and a repeat of the last length.
    const std::vector<std::uint8_t> text =
        HuffmanTextRegion(20, 8, RunCodeLengths(), {1, 2, 2}, {1, 2, 2}, {{0, 0, 1}, {13, 1, 0}, {6, 3, 2}});
    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(20, 8), {1, 0, {}, dictionary}, {2, 6, {1}, text}})));
    Jbig2Rows expected = Blank(20, 8);
    Draw(expected, symbolD, 0, 0);
    Draw(expected, {"#####", "#...#", "#...#", "#####"}, 6, 3);
    Draw(expected, kSymbolB, 13, 1);
    EXPECT_EQ(PageRows(decoder), expected);
}

TEST(JBIG2Symbols, ARepeatRunCodeBeforeAnyLengthIsDamage) {
    const std::vector<std::uint8_t> dictionary = HuffmanDictionary({kSymbolA, kSymbolB});
    std::vector<std::uint8_t> text = HuffmanTextRegion(20, 8, RunCodeLengths(), {32}, {1, 1}, {});
    text.insert(text.end(), 8, 0);
    TSVLJBIG2Decoder decoder;
    EXPECT_FALSE(decoder.Decode(Jbig2Stream({Page(20, 8), {1, 0, {}, dictionary}, {2, 6, {1}, text}})));
}

// ---- patterns and halftones

// A pattern dictionary (arithmetic, template 0) of patterns of equal size.
std::vector<std::uint8_t> PatternDictionary(const std::vector<Jbig2Rows>& patterns) {
    const auto width = static_cast<std::uint8_t>(patterns[0][0].size());
    std::vector<std::uint8_t> out = {0x00, width, static_cast<std::uint8_t>(patterns[0].size())};
    PutU32(out, static_cast<std::uint32_t>(patterns.size() - 1));
    Jbig2Rows collective(patterns[0].size());
    for (const Jbig2Rows& pattern : patterns) {
        for (std::size_t y = 0; y < collective.size(); ++y) collective[y] += pattern[y];
    }
    const std::int8_t at[8] = {static_cast<std::int8_t>(-width), 0, -3, -1, 2, -2, -2, -2};
    Jbig2MQEncoder encoder;
    std::vector<std::uint8_t> contexts(65536, 0);
    EncodeGeneric(encoder, contexts, collective, at);
    Append(out, encoder.Finish());
    return out;
}

// A halftone region whose grid cells step by the pattern width; gray values row by row.
std::vector<std::uint8_t> HalftoneRegion(std::uint32_t width, std::uint32_t height, std::int32_t gridX,
                                         std::uint32_t patternWidth, std::int32_t bitsPerValue,
                                         const std::vector<std::vector<std::uint32_t>>& grays) {
    std::vector<std::uint8_t> out = RegionInformation(width, height, 0, 0, 0);
    out.push_back(0x00);  // arithmetic, template 0, no skip, OR, white
    PutU32(out, static_cast<std::uint32_t>(grays[0].size()));
    PutU32(out, static_cast<std::uint32_t>(grays.size()));
    PutU32(out, static_cast<std::uint32_t>(gridX));
    PutU32(out, 0);
    PutU16(out, patternWidth * 256);
    PutU16(out, 0);
    Jbig2MQEncoder encoder;
    std::vector<std::uint8_t> contexts(65536, 0);
    for (std::int32_t plane = bitsPerValue - 1; plane >= 0; --plane) {
        // Gray coding: each plane holds a bit of the value XOR the next higher bit.
        Jbig2Rows rows;
        for (const auto& grayRow : grays) {
            std::string row;
            for (std::uint32_t value : grayRow) row += (((value >> plane) ^ (value >> (plane + 1))) & 1) ? '#' : '.';
            rows.push_back(row);
        }
        EncodeGeneric(encoder, contexts, rows);
    }
    Append(out, encoder.Finish());
    return out;
}

TEST(JBIG2Halftone, CellsDrawTheirGrayValuesPatternClippedAndWithoutPatternUndrawn) {
    const std::vector<Jbig2Rows> patterns = {{"...", "...", "..."}, {"#..", "...", "..#"}, {"###", "#.#", "###"}};
    // Three patterns: two bits per value, so value 3 has no pattern. The grid starts at x = -1.
    const std::vector<std::vector<std::uint32_t>> grays = {{2, 1, 3, 2}, {1, 2, 0, 3}};
    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(11, 6), {1, 16, {}, PatternDictionary(patterns)},
                                            {2, 22, {1}, HalftoneRegion(11, 6, -256, 3, 2, grays)}})));
    Jbig2Rows expected = Blank(11, 6);
    for (std::size_t m = 0; m < grays.size(); ++m) {
        for (std::size_t n = 0; n < grays[m].size(); ++n) {
            if (grays[m][n] < patterns.size()) Draw(expected, patterns[grays[m][n]], static_cast<int>(n) * 3 - 1, static_cast<int>(m) * 3);
        }
    }
    EXPECT_EQ(PageRows(decoder), expected);
}

TEST(JBIG2Halftone, OnePatternNeedsNoPlanes) {
    const std::vector<Jbig2Rows> patterns = {{"#.", ".#"}};
    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(Jbig2Stream({Page(6, 4), {1, 16, {}, PatternDictionary(patterns)},
                                            {2, 22, {1}, HalftoneRegion(6, 4, 0, 2, 0, {{0, 0, 0}, {0, 0, 0}})}})));
    EXPECT_EQ(PageRows(decoder), (Jbig2Rows{"#.#.#.", ".#.#.#", "#.#.#.", ".#.#.#"}));
}

}  // namespace
}  // namespace parch
