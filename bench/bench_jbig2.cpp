// JBIG2 decoding against libjbig2dec in the same process, on three A4 pages at 300 dpi
// (2,480 x 3,508): a generic region (template 0, typical prediction), a symbol dictionary with
// a text region, and a pattern dictionary with a halftone region. The inputs are encoded here,
// with the MQ coder of T.88 Annex E, once per run. "vs_jbig2dec" is our time over jbig2dec's.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerComparison.h"

#include "pdf/images/ScrivletJBIG2.h"
#include "pdf/images/ScrivletJBIG2Arith.h"

// Last: the peer's header defines names that clash with the standard library's headers.
#include <jbig2.h>

namespace {

using parch::bench::CompareWithPeers;
using Bytes = std::vector<std::uint8_t>;

constexpr int kPageWidth = 2480;
constexpr int kPageHeight = 3508;

// ---- input encoding

// One byte per pixel, with a white margin so context pixels never need bounds checks.
class Picture {
public:
    Picture(int width, int height)
        : width_(width), height_(height), pixels_(static_cast<std::size_t>(width + 2 * kMargin) * (height + 2 * kMargin), 0) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::uint8_t Get(int x, int y) const { return pixels_[Index(x, y)]; }
    void Set(int x, int y, std::uint8_t value) { pixels_[Index(x, y)] = value; }
    void Fill(int x, int y, int w, int h) {
        for (int j = y; j < y + h && j < height_; ++j) {
            for (int i = x; i < x + w && i < width_; ++i) Set(i, j, 1);
        }
    }

private:
    static constexpr int kMargin = 8;
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y + kMargin) * static_cast<std::size_t>(width_ + 2 * kMargin) +
               static_cast<std::size_t>(x + kMargin);
    }
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

class MQEncoder {
public:
    MQEncoder() { bytes_.push_back(0); }
    void Encode(std::vector<std::uint8_t>& contexts, std::uint32_t context, int bit) {
        std::uint8_t& cx = contexts[context];
        const auto& entry = parch::kJBIG2QeTable[cx >> 1];
        const int mps = cx & 1;
        const std::uint32_t qe = entry.Qe >> 16;
        a_ -= qe;
        if (bit == mps) {
            if (a_ & 0x8000) {
                c_ += qe;
                return;
            }
            if (a_ < qe) {
                a_ = qe;
            } else {
                c_ += qe;
            }
            cx = static_cast<std::uint8_t>((entry.Nmps << 1) | mps);
        } else {
            if (a_ < qe) {
                c_ += qe;
            } else {
                a_ = qe;
            }
            cx = static_cast<std::uint8_t>((entry.Nlps << 1) | (entry.Switch ? 1 - mps : mps));
        }
        do {
            a_ <<= 1;
            c_ <<= 1;
            if (--ct_ == 0) ByteOut();
        } while ((a_ & 0x8000) == 0);
    }
    void EncodeInt(std::vector<std::uint8_t>& contexts, std::int64_t value) {
        const std::uint64_t magnitude = value < 0 ? static_cast<std::uint64_t>(-value) : static_cast<std::uint64_t>(value);
        prev_ = 1;
        IntBit(contexts, value < 0);
        static constexpr struct { int Ones; int Bits; std::uint64_t Offset; } kClasses[] = {
            {0, 2, 0}, {1, 4, 4}, {2, 6, 20}, {3, 8, 84}, {4, 12, 340}, {5, 32, 4436}};
        for (int k = 0; k < 6; ++k) {
            if (k < 5 && magnitude >= kClasses[k + 1].Offset) continue;
            for (int i = 0; i < kClasses[k].Ones; ++i) IntBit(contexts, 1);
            if (k < 5) IntBit(contexts, 0);
            for (int i = kClasses[k].Bits - 1; i >= 0; --i) IntBit(contexts, static_cast<int>(((magnitude - kClasses[k].Offset) >> i) & 1));
            return;
        }
    }
    void EncodeOutOfBand(std::vector<std::uint8_t>& contexts) {
        prev_ = 1;
        for (int bit : {1, 0, 0, 0}) IntBit(contexts, bit);
    }
    void EncodeIAID(std::vector<std::uint8_t>& contexts, int codeLength, std::uint32_t id) {
        std::uint32_t prev = 1;
        for (int i = codeLength - 1; i >= 0; --i) {
            const int bit = static_cast<int>((id >> i) & 1);
            Encode(contexts, prev, bit);
            prev = (prev << 1) | static_cast<std::uint32_t>(bit);
        }
    }
    Bytes Finish() {
        const std::uint32_t temp = c_ + a_;
        c_ |= 0xFFFF;
        if (c_ >= temp) c_ -= 0x8000;
        c_ <<= ct_;
        ByteOut();
        c_ <<= ct_;
        ByteOut();
        Bytes out(bytes_.begin() + 1, bytes_.end());
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
    Bytes bytes_;
    std::uint32_t a_ = 0x8000;
    std::uint32_t c_ = 0;
    int ct_ = 12;
    std::uint32_t prev_ = 1;
};

void PutU32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}
void PutU16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void PutSegment(Bytes& out, std::uint32_t number, std::uint8_t type, const std::vector<std::uint8_t>& referred,
                const Bytes& data) {
    PutU32(out, number);
    out.push_back(type);
    out.push_back(static_cast<std::uint8_t>(referred.size() << 5));
    out.insert(out.end(), referred.begin(), referred.end());
    out.push_back(1);
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

Bytes PageInformation(int width, int height) {
    Bytes out;
    PutU32(out, static_cast<std::uint32_t>(width));
    PutU32(out, static_cast<std::uint32_t>(height));
    PutU32(out, 300 * 39);
    PutU32(out, 300 * 39);
    out.push_back(0);
    PutU16(out, 0);
    return out;
}

Bytes RegionInformation(int width, int height) {
    Bytes out;
    PutU32(out, static_cast<std::uint32_t>(width));
    PutU32(out, static_cast<std::uint32_t>(height));
    PutU32(out, 0);
    PutU32(out, 0);
    out.push_back(0);
    return out;
}

constexpr std::int8_t kNominalAt[8] = {3, -1, -3, -1, 2, -2, -2, -2};

// Template 0 generic coding with the AT pixels given, typical prediction when asked.
void EncodeGeneric(MQEncoder& encoder, std::vector<std::uint8_t>& contexts, const Picture& picture,
                   const std::int8_t (&at)[8], bool tpgdon) {
    bool ltp = false;
    for (int y = 0; y < picture.Height(); ++y) {
        if (tpgdon) {
            bool typical = true;
            for (int x = 0; x < picture.Width() && typical; ++x) typical = picture.Get(x, y) == (y > 0 ? picture.Get(x, y - 1) : 0);
            encoder.Encode(contexts, 0x3953, typical != ltp);
            ltp = typical;
            if (typical) continue;
        }
        for (int x = 0; x < picture.Width(); ++x) {
            std::uint32_t context = 0;
            for (int dx = -1; dx <= 1; ++dx) context = (context << 1) | picture.Get(x + dx, y - 2);
            for (int dx = -2; dx <= 2; ++dx) context = (context << 1) | picture.Get(x + dx, y - 1);
            for (int dx = -4; dx <= -1; ++dx) context = (context << 1) | picture.Get(x + dx, y);
            for (int k = 0; k < 4; ++k) {
                const int ax = x + at[2 * k];
                const int ay = y + at[2 * k + 1];
                const bool inside = ax >= 0 && ax < picture.Width() && ay >= 0;
                context = (context << 1) | (inside ? picture.Get(ax, ay) : 0u);
            }
            encoder.Encode(contexts, context, picture.Get(x, y));
        }
    }
}

// Blobs that look like letters: a few strokes in a box.
Picture Glyph(std::mt19937& random, int width, int height) {
    Picture glyph(width, height);
    const int strokes = 2 + static_cast<int>(random() % 3);
    for (int s = 0; s < strokes; ++s) {
        if (random() % 2) {
            glyph.Fill(static_cast<int>(random() % static_cast<unsigned>(width - 2)), 0, 3, height);
        } else {
            glyph.Fill(0, static_cast<int>(random() % static_cast<unsigned>(height - 2)), width, 3);
        }
    }
    return glyph;
}

// A page of text-like lines: 60 lines of words between white margins.
Picture TextPage() {
    std::mt19937 random(2480);
    Picture page(kPageWidth, kPageHeight);
    for (int line = 0; line < 60; ++line) {
        const int top = 200 + line * 52;
        int x = 200;
        while (x < kPageWidth - 260) {
            const int letters = 2 + static_cast<int>(random() % 7);
            for (int i = 0; i < letters; ++i) {
                const int width = 14 + static_cast<int>(random() % 10);
                const Picture glyph = Glyph(random, width, 30);
                for (int j = 0; j < glyph.Height(); ++j) {
                    for (int k = 0; k < glyph.Width(); ++k) {
                        if (glyph.Get(k, j)) page.Set(x + k, top + j, 1);
                    }
                }
                x += width + 3;
            }
            x += 18;
        }
    }
    return page;
}

Bytes GenericPageData() {
    const Picture page = TextPage();
    Bytes region = RegionInformation(kPageWidth, kPageHeight);
    region.push_back(0x08);  // arithmetic, template 0, TPGDON
    for (std::int8_t offset : kNominalAt) region.push_back(static_cast<std::uint8_t>(offset));
    MQEncoder encoder;
    std::vector<std::uint8_t> contexts(65536, 0);
    EncodeGeneric(encoder, contexts, page, kNominalAt, true);
    const Bytes coded = encoder.Finish();
    region.insert(region.end(), coded.begin(), coded.end());
    Bytes out;
    PutSegment(out, 0, 48, {}, PageInformation(kPageWidth, kPageHeight));
    PutSegment(out, 1, 38, {}, region);
    PutSegment(out, 2, 49, {}, {});
    return out;
}

// A dictionary of 96 glyphs in one height class and a text region setting 60 lines of words.
Bytes SymbolTextPageData() {
    std::mt19937 random(3508);
    constexpr int kSymbols = 96;
    constexpr int kHeight = 30;
    std::vector<Picture> glyphs;
    std::vector<int> widths;
    for (int i = 0; i < kSymbols; ++i) {
        widths.push_back(12 + i % 14);
        glyphs.push_back(Glyph(random, widths.back(), kHeight));
    }
    std::vector<std::uint8_t> iadh(512), iadw(512), iaex(512), iadt(512), iafs(512), iads(512), iaid(1 << 8);
    std::vector<std::uint8_t> generic(65536);

    Bytes dictionary = {0x00, 0x00};
    for (std::int8_t offset : kNominalAt) dictionary.push_back(static_cast<std::uint8_t>(offset));
    PutU32(dictionary, kSymbols);
    PutU32(dictionary, kSymbols);
    MQEncoder dictionaryEncoder;
    dictionaryEncoder.EncodeInt(iadh, kHeight);
    int width = 0;
    for (int i = 0; i < kSymbols; ++i) {
        dictionaryEncoder.EncodeInt(iadw, widths[static_cast<std::size_t>(i)] - width);
        width = widths[static_cast<std::size_t>(i)];
        EncodeGeneric(dictionaryEncoder, generic, glyphs[static_cast<std::size_t>(i)], kNominalAt, false);
    }
    dictionaryEncoder.EncodeOutOfBand(iadw);
    dictionaryEncoder.EncodeInt(iaex, 0);
    dictionaryEncoder.EncodeInt(iaex, kSymbols);
    const Bytes dictionaryCoded = dictionaryEncoder.Finish();
    dictionary.insert(dictionary.end(), dictionaryCoded.begin(), dictionaryCoded.end());

    MQEncoder textEncoder;
    std::uint32_t instances = 0;
    textEncoder.EncodeInt(iadt, 0);
    std::int64_t stripT = 0;
    std::int64_t firstS = 0;
    for (int line = 0; line < 60; ++line) {
        const std::int64_t top = 200 + line * 52;
        textEncoder.EncodeInt(iadt, top - stripT);
        stripT = top;
        textEncoder.EncodeInt(iafs, 200 - firstS);
        firstS = 200;
        std::int64_t x = 200;
        bool first = true;
        while (x < kPageWidth - 260) {
            const std::uint32_t id = random() % kSymbols;
            if (!first) textEncoder.EncodeInt(iads, (random() % 6 == 0) ? 19 : 4);
            first = false;
            textEncoder.EncodeIAID(iaid, 7, id);
            ++instances;
            x += widths[id] + 3;
        }
        textEncoder.EncodeOutOfBand(iads);
    }
    Bytes text = RegionInformation(kPageWidth, kPageHeight);
    PutU16(text, 0x0010);  // arithmetic, corner top left, OR
    PutU32(text, instances);
    const Bytes textCoded = textEncoder.Finish();
    text.insert(text.end(), textCoded.begin(), textCoded.end());

    Bytes out;
    PutSegment(out, 0, 0, {}, dictionary);
    PutSegment(out, 1, 48, {}, PageInformation(kPageWidth, kPageHeight));
    PutSegment(out, 2, 6, {0}, text);
    PutSegment(out, 3, 49, {}, {});
    return out;
}

// Sixteen 8 x 8 patterns of rising darkness, drawn over a 310 x 439 grid of a shaded picture.
Bytes HalftonePageData() {
    constexpr int kCell = 8;
    constexpr int kPatterns = 16;
    static constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Picture collective(kCell * kPatterns, kCell);
    for (int p = 0; p < kPatterns; ++p) {
        for (int y = 0; y < kCell; ++y) {
            for (int x = 0; x < kCell; ++x) collective.Set(p * kCell + x, y, kBayer[y % 4][x % 4] < p);
        }
    }
    Bytes patterns = {0x00, kCell, kCell};
    PutU32(patterns, kPatterns - 1);
    const std::int8_t patternAt[8] = {-kCell, 0, -3, -1, 2, -2, -2, -2};
    MQEncoder patternEncoder;
    std::vector<std::uint8_t> contexts(65536);
    EncodeGeneric(patternEncoder, contexts, collective, patternAt, false);
    const Bytes patternCoded = patternEncoder.Finish();
    patterns.insert(patterns.end(), patternCoded.begin(), patternCoded.end());

    const int gridWidth = kPageWidth / kCell;
    const int gridHeight = (kPageHeight + kCell - 1) / kCell;
    std::vector<int> gray(static_cast<std::size_t>(gridWidth * gridHeight));
    for (int m = 0; m < gridHeight; ++m) {
        for (int n = 0; n < gridWidth; ++n) {
            const double dx = n - gridWidth / 2.0;
            const double dy = m - gridHeight / 3.0;
            const int shade = static_cast<int>((dx * dx + dy * dy) / 900.0 + n / 40.0) % kPatterns;
            gray[static_cast<std::size_t>(m * gridWidth + n)] = shade;
        }
    }
    Bytes halftone = RegionInformation(kPageWidth, kPageHeight);
    halftone.push_back(0x00);  // arithmetic, template 0, no skip, OR
    PutU32(halftone, static_cast<std::uint32_t>(gridWidth));
    PutU32(halftone, static_cast<std::uint32_t>(gridHeight));
    PutU32(halftone, 0);
    PutU32(halftone, 0);
    PutU16(halftone, kCell * 256);
    PutU16(halftone, 0);
    MQEncoder planeEncoder;
    std::vector<std::uint8_t> planeContexts(65536);
    for (int plane = 3; plane >= 0; --plane) {
        Picture bits(gridWidth, gridHeight);
        for (int m = 0; m < gridHeight; ++m) {
            for (int n = 0; n < gridWidth; ++n) {
                const int value = gray[static_cast<std::size_t>(m * gridWidth + n)];
                bits.Set(n, m, static_cast<std::uint8_t>(((value >> plane) ^ (value >> (plane + 1))) & 1));
            }
        }
        EncodeGeneric(planeEncoder, planeContexts, bits, kNominalAt, false);
    }
    const Bytes planeCoded = planeEncoder.Finish();
    halftone.insert(halftone.end(), planeCoded.begin(), planeCoded.end());

    Bytes out;
    PutSegment(out, 0, 16, {}, patterns);
    PutSegment(out, 1, 48, {}, PageInformation(kPageWidth, kPageHeight));
    PutSegment(out, 2, 22, {0}, halftone);
    PutSegment(out, 3, 49, {}, {});
    return out;
}

// ---- the two sides

std::size_t DecodeOurs(const Bytes& data) {
    parch::TSVLJBIG2Decoder decoder;
    if (!decoder.Decode(data)) throw std::runtime_error("our decoder failed on the input");
    return static_cast<std::size_t>(decoder.Width()) * static_cast<std::size_t>(decoder.Height());
}

std::size_t DecodeJbig2dec(const Bytes& data) {
    Jbig2Ctx* context = jbig2_ctx_new(nullptr, JBIG2_OPTIONS_EMBEDDED, nullptr, nullptr, nullptr);
    jbig2_data_in(context, data.data(), data.size());
    jbig2_complete_page(context);
    Jbig2Image* image = jbig2_page_out(context);
    if (image == nullptr) {
        jbig2_ctx_free(context);
        throw std::runtime_error("jbig2dec failed on the input");
    }
    const std::size_t pixels = static_cast<std::size_t>(image->width) * image->height;
    jbig2_release_page(context, image);
    jbig2_ctx_free(context);
    return pixels;
}

void RunComparison(benchmark::State& state, const Bytes& data) {
    if (DecodeOurs(data) != DecodeJbig2dec(data)) {
        state.SkipWithError("the two decoders disagree on the page size");
        return;
    }
    CompareWithPeers(state, [&] { benchmark::DoNotOptimize(DecodeOurs(data)); },
                     {{"jbig2dec", [&] { benchmark::DoNotOptimize(DecodeJbig2dec(data)); }}});
    state.counters["input_kB"] = static_cast<double>(data.size()) / 1024.0;
}

void BM_JBIG2GenericPage(benchmark::State& state) {
    static const Bytes data = GenericPageData();
    RunComparison(state, data);
}

void BM_JBIG2SymbolTextPage(benchmark::State& state) {
    static const Bytes data = SymbolTextPageData();
    RunComparison(state, data);
}

void BM_JBIG2HalftonePage(benchmark::State& state) {
    static const Bytes data = HalftonePageData();
    RunComparison(state, data);
}

}  // namespace

BENCHMARK(BM_JBIG2GenericPage)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JBIG2SymbolTextPage)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JBIG2HalftonePage)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
