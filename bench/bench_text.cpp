// The text converters and the Shift-JIS path against the C library's iconv, which a user would
// call instead, on the same generated text.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>

#include "pdf/core/ScrivletCMap.h"
#include "pdf/core/ScrivletUnicode.h"

namespace {

// About 1 MB of UTF-8: ASCII, accented Latin, CJK and characters beyond the BMP.
const std::string& MixedUtf8() {
    static const std::string text = [] {
        std::string s;
        while (s.size() < (1 << 20))
            s += "Text and t\xC3\xA9xte, \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80. ";
        return s;
    }();
    return text;
}

// About 256 KB of Shift-JIS: half-width Latin, kana and kanji.
const std::string& ShiftJisText() {
    static const std::string text = [] {
        std::string s;
        while (s.size() < (1 << 18)) s += "abc \x82\xA0\x82\xA2\x83\x41\x88\x9F\x90\x6C ";
        return s;
    }();
    return text;
}

std::string Iconv(iconv_t cd, const std::string& input) {
    std::string output(input.size() * 4, '\0');
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &in, &inLeft, &out, &outLeft);
    output.resize(output.size() - outLeft);
    return output;
}

void RunIconv(benchmark::State& state, const char* to, const char* from, const std::string& input) {
    iconv_t cd = iconv_open(to, from);
    for (auto _ : state) benchmark::DoNotOptimize(Iconv(cd, input));
    iconv_close(cd);
    state.SetBytesProcessed(state.iterations() * input.size());
}

const std::string& MixedUtf16() {
    static const std::string bytes = [] {
        const std::u16string wide = parch::Utf8ToWide(MixedUtf8());
        return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    }();
    return bytes;
}

void BM_Utf8ToUtf16_Ours(benchmark::State& state) {
    std::u16string wide;
    for (auto _ : state) {
        parch::Utf8ToUtf16(MixedUtf8(), wide, false, 3, 1, 1);
        benchmark::DoNotOptimize(wide.data());
    }
    state.SetBytesProcessed(state.iterations() * MixedUtf8().size());
}
BENCHMARK(BM_Utf8ToUtf16_Ours);

void BM_Utf8ToUtf16_Iconv(benchmark::State& state) {
    RunIconv(state, "UTF-16LE", "UTF-8", MixedUtf8());
}
BENCHMARK(BM_Utf8ToUtf16_Iconv);

void BM_Utf16ToUtf8_Ours(benchmark::State& state) {
    const std::u16string wide = parch::Utf8ToWide(MixedUtf8());  // the text of MixedUtf16()
    std::string bytes;
    for (auto _ : state) {
        parch::Utf16ToUtf8(wide, bytes, 1, 3, 1, 0);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * wide.size() * 2);
}
BENCHMARK(BM_Utf16ToUtf8_Ours);

void BM_Utf16ToUtf8_Iconv(benchmark::State& state) {
    RunIconv(state, "UTF-8", "UTF-16LE", MixedUtf16());
}
BENCHMARK(BM_Utf16ToUtf8_Iconv);

void BM_ShiftJisToUnicode_Ours(benchmark::State& state) {
    parch::TScrivletCodeList codes;
    for (auto _ : state) {
        parch::SplitCharCodes("90ms-RKSJ-H", "Adobe-Japan1-6", ShiftJisText(), codes);
        std::u16string text;
        for (std::uint32_t code : codes)
            text += parch::MapCIDToUnicode("90ms-RKSJ-H", "Adobe-Japan1-6", code);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * ShiftJisText().size());
}
BENCHMARK(BM_ShiftJisToUnicode_Ours);

void BM_ShiftJisToUnicode_Iconv(benchmark::State& state) {
    RunIconv(state, "UTF-16LE", "CP932", ShiftJisText());
}
BENCHMARK(BM_ShiftJisToUnicode_Iconv);

}  // namespace

BENCHMARK_MAIN();
