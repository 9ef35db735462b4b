#include "pdf/core/ScrivletFilters.h"

#include <gtest/gtest.h>

#include <fstream>
#include <zlib.h>

#include "base/Streams.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"
#include "tests/pdf/core/ToolOracle.h"

namespace parch {
namespace {

using oracle::RandomBytes;

const std::string kFixtures = "tests/pdf/core/fixtures/filters/";

// A stream with the given raw data and dictionary text, in `structure`.
TPDFStream* MakeStream(TPDFStructure& structure, const std::string& raw, const std::string& dictionary) {
    TPDFStream* stream = structure.NewStream(raw, false);
    TPDFObject* parsed = ParseObject(structure, dictionary);
    EXPECT_EQ(parsed->Kind, kPDFKindDictionary) << dictionary;
    if (parsed->Kind == kPDFKindDictionary) stream->SetDictionary(static_cast<TPDFDictionary*>(parsed));
    return stream;
}

std::string Decoded(const std::string& raw, const std::string& dictionary) {
    TPDFStructure structure;
    return GetDecodedData(*MakeStream(structure, raw, dictionary));
}

std::string Zlib(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size());
    out.resize(size);
    return out;
}

// Codes packed at a fixed width, most or least significant bit first.
std::string PackCodes(std::initializer_list<unsigned> codes, int width, bool mostSignificantFirst) {
    std::string out;
    std::uint64_t bits = 0;
    int count = 0;
    for (unsigned code : codes) {
        if (mostSignificantFirst) {
            bits = (bits << width) | code;
            count += width;
            while (count >= 8) out += static_cast<char>((bits >> (count -= 8)) & 0xFF);
        } else {
            bits |= std::uint64_t{code} << count;
            count += width;
            for (; count >= 8; count -= 8, bits >>= 8) out += static_cast<char>(bits & 0xFF);
        }
    }
    if (count > 0) out += static_cast<char>(mostSignificantFirst ? (bits << (8 - count)) & 0xFF : bits & 0xFF);
    return out;
}

// Streams encoded by zlib, Pillow, libtiff and small encoders, each checked against qpdf when
// it was made (tools/make_filter_fixtures.py): every filter, predictor and component size.
TEST(GetDecodedData, DecodesTheGeneratedFixturesLikeQpdf) {
    std::ifstream manifest(kFixtures + "cases.txt");
    ASSERT_TRUE(manifest) << "run from the repository root";
    std::string line;
    int cases = 0;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::string name = line.substr(0, line.find(' '));
        const std::string dictionary = line.substr(name.size() + 1);
        const std::string raw = oracle::ReadWholeFile(kFixtures + name + ".raw");
        const std::string expected = oracle::ReadWholeFile(kFixtures + name + ".decoded");
        const std::string decoded = Decoded(raw, dictionary);
        EXPECT_EQ(decoded.size(), expected.size()) << name;
        EXPECT_TRUE(decoded == expected) << name;
        ++cases;
    }
    EXPECT_GT(cases, 30);
}

TEST(GetDecodedData, FollowsTheFilterAndParameterLists) {
    const std::string data = "stream data";
    EXPECT_EQ(Decoded(data, "<< /Length 11 >>"), data);
    EXPECT_EQ(Decoded(data, "<< /Filter /DCTDecode >>"), data);
    EXPECT_EQ(Decoded(data, "<< /Filter [ 1 /Crypt ] >>"), data);
    EXPECT_EQ(Decoded("48 65>6c", "<< /Filter /ASCIIHexDecode >>"), "He\x6c");
    // Abbreviated names decode too, rather than handing encoded bytes on as if decoded.
    EXPECT_EQ(Decoded("4142", "<< /Filter /AHx >>"), "AB");
    EXPECT_EQ(Decoded("\xfex\x80", "<< /Filter /RL >>"), "xxx");

    // /DP stands in for a missing /DecodeParms; its second item belongs to the second filter.
    const std::string rows = std::string("\x02\x01\x01\x01\x01\x02\x01\x01\x01\x01", 10);
    const std::string encoded = ASCII85EncodeStr(Zlib(rows));
    const std::string expected = "\x01\x01\x01\x01\x02\x02\x02\x02";
    EXPECT_EQ(Decoded(encoded, "<< /Filter [ /ASCII85Decode /FlateDecode ] /DP [ null << /Predictor 12 /Columns 4 >> ] >>"),
              expected);
    EXPECT_EQ(Decoded(encoded, "<< /Filter [ /ASCII85Decode /FlateDecode ] /DecodeParms [ null << /Predictor 12 /Columns 4 >> ] "
                               "/DP [ null << /Predictor 1 >> ] >>"),
              expected);
    EXPECT_EQ(Decoded(Zlib(rows), "<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 4 >> >>"), expected);
}

TEST(GetDecodedData, ResolvesReferencesToFiltersAndParameters) {
    TPDFStructure structure;
    TPDFObject* filter = structure.NewName("FlateDecode");
    TPDFObject* columns = structure.NewNumeric(4);
    structure.OnIndirectLookup = [&](TPDFIndRef*, std::int32_t number, std::int32_t) -> TPDFObject* {
        return number == 5 ? filter : number == 6 ? columns : nullptr;
    };
    const std::string rows = std::string("\x02\x01\x01\x01\x01\x02\x01\x01\x01\x01", 10);
    TPDFStream* stream = MakeStream(structure, Zlib(rows), "<< /Filter 5 0 R /DecodeParms << /Predictor 12 /Columns 6 0 R >> >>");
    EXPECT_EQ(GetDecodedData(*stream), "\x01\x01\x01\x01\x02\x02\x02\x02");
}

TEST(Flate, AgreesWithPythonZlibOnCutAndCompressedData) {
    const std::string text = RandomBytes(3000, 21) + std::string(5000, 'x') + RandomBytes(3000, 22);
    const std::string packed = FlateCompressStr(text);
    ASSERT_FALSE(packed.empty());
    EXPECT_EQ(FlateDecompressStr(packed), text);

    const std::string file = oracle::WriteScratchFile("flate.bin", packed);
    EXPECT_EQ(oracle::RunTool("python3 -c \"import sys,zlib; sys.stdout.buffer.write(zlib.decompress(open(sys.argv[1],'rb').read()))\" " + file),
              text);
    // A cut stream gives what python's streaming inflate gives for the same bytes.
    const std::string cut = oracle::WriteScratchFile("cut.bin", packed.substr(0, packed.size() / 2));
    const std::string partial = oracle::RunTool(
        "python3 -c \"import sys,zlib; sys.stdout.buffer.write(zlib.decompressobj().decompress(open(sys.argv[1],'rb').read()))\" " + cut);
    EXPECT_FALSE(partial.empty());
    EXPECT_EQ(FlateDecompressStr(packed.substr(0, packed.size() / 2)), partial);
}

TEST(Flate, DamagedInputGivesWhatCouldBeDecodedAndNeverHangs) {
    EXPECT_EQ(FlateDecompressStr(""), "");
    EXPECT_EQ(FlateCompressStr(""), "");
    EXPECT_EQ(FlateDecompressStr(RandomBytes(500, 23)), "");

    // A flushed first part, then a block of the invalid type 3: the first part survives.
    const std::string text = RandomBytes(20000, 24);
    z_stream z{};
    deflateInit(&z, Z_DEFAULT_COMPRESSION);
    std::string damaged(30000, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(damaged.data());
    z.avail_out = static_cast<uInt>(damaged.size());
    deflate(&z, Z_SYNC_FLUSH);
    damaged.resize(damaged.size() - z.avail_out);
    deflateEnd(&z);
    damaged += "\x07garbage";
    EXPECT_TRUE(FlateDecompressStr(damaged) == text);

    // A stream that asks for a preset dictionary ends the decoding.
    z = z_stream{};
    deflateInit(&z, Z_DEFAULT_COMPRESSION);
    deflateSetDictionary(&z, reinterpret_cast<const Bytef*>("dictionary"), 10);
    std::string out(256, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>("dictionary words"));
    z.avail_in = 16;
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = 256;
    deflate(&z, Z_FINISH);
    out.resize(256 - z.avail_out);
    deflateEnd(&z);
    EXPECT_EQ(FlateDecompressStr(out), "");
}

// A small stream must not expand without bound: beyond the limit the data counts as damaged.
TEST(DecodedSizeLimit, IsAnErrorForEveryExpandingFilter) {
    const std::string zeros(100000, '\0');
    EXPECT_EQ(FlateDecompressStr(FlateCompressStr(zeros), zeros.size()), zeros);
    EXPECT_THROW(FlateDecompressStr(FlateCompressStr(zeros), zeros.size() - 1), EPDFDamagedData);
    EXPECT_THROW(FlateDecodePredicted(FlateCompressStr(zeros), TPDFFlateParms{12, 1, 8, 99}, 1000), EPDFDamagedData);

    std::string runs;
    for (int i = 0; i < 1000; ++i) runs += "\x81x";
    EXPECT_EQ(RunLengthDecodeStr(runs, 128000).size(), 128000u);
    EXPECT_THROW(RunLengthDecodeStr(runs, 127999), EPDFDamagedData);

    EXPECT_EQ(ASCII85DecodeStr(std::string(1000, 'z') + "~>", 4000).size(), 4000u);
    EXPECT_THROW(ASCII85DecodeStr(std::string(1000, 'z') + "~>", 3999), EPDFDamagedData);

    TPDFLZWDecompressor lzw;
    lzw.Limit = 5;
    EXPECT_THROW(lzw.Decompress(PackCodes({256, 65, 66, 258, 258, 257}, 9, true)), EPDFDamagedData);
}

TEST(DecodedSizeLimit, StopsAFlateBombInTheFilterChain) {
    z_stream z{};
    deflateInit(&z, Z_BEST_COMPRESSION);
    const std::string chunk(1 << 20, '\0');
    std::string bomb(1 << 20, '\0');
    std::size_t produced = 0;
    for (std::size_t fed = 0; fed <= kMaxDecodedSize; fed += chunk.size()) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));
        z.avail_in = static_cast<uInt>(chunk.size());
        const bool last = fed + chunk.size() > kMaxDecodedSize;
        do {
            z.next_out = reinterpret_cast<Bytef*>(bomb.data() + produced);
            z.avail_out = static_cast<uInt>(bomb.size() - produced);
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            produced = bomb.size() - z.avail_out;
        } while (z.avail_in > 0 || (last && z.avail_out == 0));
    }
    deflateEnd(&z);
    bomb.resize(produced);
    ASSERT_LT(bomb.size(), 1u << 20);
    TPDFStructure structure;
    TPDFStream* stream = MakeStream(structure, bomb, "<< /Filter /FlateDecode >>");
    EXPECT_THROW(GetDecodedData(*stream), EPDFDamagedData);
}

// The size a caller expects only sizes the output: too small, exact, too large or absurd, the
// bytes are the same, and a bomb still breaks the limit.
TEST(Flate, ExpectedSizeChangesNothingButTheFirstBuffer) {
    const std::string plain = RandomBytes(3000, 7) + std::string(70000, 'x');
    const std::string packed = Zlib(plain);
    for (const std::size_t expected : {std::size_t{0}, std::size_t{1}, plain.size() - 1, plain.size(), plain.size() + 1,
                                       std::size_t{1} << 40}) {
        SCOPED_TRACE(expected);
        EXPECT_EQ(FlateDecompressStr(packed, kMaxDecodedSize, expected), plain);
        EXPECT_EQ(FlateDecompressStr(packed, plain.size(), expected), plain);
        EXPECT_THROW(FlateDecompressStr(packed, plain.size() - 1, expected), EPDFDamagedData);
    }
    TPDFStructure structure;
    TPDFStream* stream = MakeStream(structure, Zlib("abcdefgh"),
                                    "<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 3 >> >>");
    // Through the chain with a predictor, undone over the inflated bytes themselves.
    EXPECT_EQ(GetDecodedData(*stream, 8), GetDecodedData(*stream));
    EXPECT_EQ(GetDecodedData(*stream, 8).size(), 6u);
}

struct PredictorCase {
    const char* name;
    TPDFPredictorParms parms;
    std::string input;
    std::string expected;
};

TEST(Predictors, UndoPngAndTiffRowsByComponentSize) {
    using S = std::string;
    const PredictorCase cases[] = {
        {"png up", {12, 1, 8, 4}, S("\x02\x01\x01\x01\x01\x02\x01\x01\x01\x01", 10), "\x01\x01\x01\x01\x02\x02\x02\x02"},
        {"png partial row dropped", {12, 1, 8, 2}, S("\x00\x05\x06\x01\x07", 5), "\x05\x06"},
        {"png unknown type keeps the row", {12, 1, 8, 2}, S("\x09\x05\x06", 3), "\x05\x06"},
        {"png sub, 3 colours", {10, 3, 8, 2}, S("\x01\x01\x02\x03\x01\x01\x01", 7), "\x01\x02\x03\x02\x03\x04"},
        {"png paeth first row", {12, 1, 8, 3}, S("\x04\x05\x01\x01", 4), "\x05\x06\x07"},
        {"tiff 8 bit between pixels", {2, 3, 8, 2}, S("\x0a\x14\x1e\x01\x02\x03", 6), "\x0a\x14\x1e\x0b\x16\x21"},
        {"tiff 16 bit carries", {2, 1, 16, 2}, S("\x00\xff\x00\x01", 4), S("\x00\xff\x01\x00", 4)},
        {"tiff 4 bit wraps", {2, 1, 4, 3}, S("\xf1\x20", 2), S("\xf0\x20", 2)},
        {"tiff 1 bit", {2, 1, 1, 8}, S("\xc0", 1), S("\x80", 1)},
        {"tiff 2 bit two colours", {2, 2, 2, 2}, S("\x1b", 1), S("\x18", 1)},
        {"tiff partial row dropped", {2, 1, 8, 2}, S("\x01\x01\x05", 3), S("\x01\x02", 2)},
        {"predictor 1 leaves data", {1, 1, 8, 1}, "abc", "abc"},
        {"predictor 5 keeps whole rows", {5, 1, 8, 2}, "abc", "ab"},
        {"no columns leaves data", {12, 1, 8, 0}, "abc", "abc"},
        {"bad component size leaves data", {2, 1, 32, 2}, "abcd", "abcd"},
        {"row beyond any data", {12, 0x7fffffff, 16, 0x7fffffff}, "abc", "abc"},
    };
    for (const auto& c : cases) EXPECT_EQ(UndoPredictor(c.input, c.parms), c.expected) << c.name;
}

TEST(ASCII85, DecodesWithTheEndMarkerOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"87cURD]j7BEbo7~>", "Hello world"},
        {"87cUR\r\nD]j7B Ebo7~>", "Hello world"},
        {"87cURDZ~>", "Hello"},
        {"87cURD]j7BEbo7", ""},
        {"z~>", std::string(4, '\0')},
        {"s8W*~>", "\xff\xff\xff"},
        {"s8W-~>", std::string(3, '\0')},
        {"uuuuu~>", std::string(4, '\0')},
        {"!~>", ""},
        {"~>", ""},
    };
    for (const auto& [text, bytes] : cases) EXPECT_EQ(ASCII85DecodeStr(text), bytes) << text;
}

TEST(ASCII85, EncodesLikePythonInLinesOf71To75Characters) {
    EXPECT_EQ(ASCII85EncodeStr(std::string(4, '\0')), "z~>");
    EXPECT_EQ(ASCII85EncodeStr(std::string(1, '\0')), "!!~>");
    EXPECT_EQ(ASCII85EncodeStr(""), "~>");

    const std::string data = RandomBytes(997, 31) + std::string(8, '\0') + RandomBytes(3, 32);
    const std::string encoded = ASCII85EncodeStr(data);
    std::string joined;
    for (std::size_t start = 0; start < encoded.size();) {
        const std::size_t end = encoded.find("\r\n", start);
        const std::string line = encoded.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end != std::string::npos) {
            EXPECT_GE(line.size(), 71u);
            EXPECT_LE(line.size(), 75u);
        }
        joined += line;
        start = end == std::string::npos ? encoded.size() : end + 2;
    }
    const std::string file = oracle::WriteScratchFile("a85.bin", data);
    EXPECT_EQ(joined, oracle::RunTool("python3 -c \"import sys,base64; sys.stdout.buffer.write(base64.a85encode(open(sys.argv[1],'rb').read()))\" " + file) + "~>");
    EXPECT_EQ(ASCII85DecodeStr(encoded), data);

    TStringStream source(data);
    source.Seek(0, TSeekOrigin::soEnd);
    TStringStream destination;
    ASCII85EncodeStream(source, destination);
    EXPECT_EQ(destination.DataString(), encoded);
}

TEST(RunLength, CopiesRepeatsAndStops) {
    EXPECT_EQ(RunLengthDecodeStr(std::string("\x02" "abc" "\xfe" "x" "\x80" "ignored", 14)), "abcxxx");
    EXPECT_EQ(RunLengthDecodeStr("\x05" "ab"), "ab");
    EXPECT_EQ(RunLengthDecodeStr("\xff"), "");
}

TEST(LZW, DecodesCodesInBothBitOrders) {
    TPDFLZWDecompressor msb;
    EXPECT_EQ(msb.Decompress(PackCodes({256, 65, 66, 258, 257}, 9, true)), "ABAB");
    TPDFLZWDecompressor lsb;
    lsb.BitOrder = 0;
    EXPECT_EQ(lsb.Decompress(PackCodes({256, 65, 66, 258, 257}, 9, false)), "ABAB");
    // The code after a clear code makes no entry of its own that could be read.
    EXPECT_EQ(msb.Decompress(PackCodes({65, 256, 66, 67, 258, 257}, 9, true)), "ABCBC");
    // A code not yet in the table repeats the previous string plus its first byte.
    EXPECT_EQ(msb.Decompress(PackCodes({65, 258, 259, 257}, 9, true)), "AAAAAA");
}

// Leftover bits after the last code used to be read as one more code through the zero padding.
TEST(LZW, EndsWithoutTheEndCodeWhenTheDataRunsOut) {
    TPDFLZWDecompressor lzw;
    EXPECT_EQ(lzw.Decompress(PackCodes({256, 65, 66}, 9, true)), "AB");
    EXPECT_EQ(lzw.Decompress(""), "");
}

}  // namespace
}  // namespace parch
