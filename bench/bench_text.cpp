// The text converters and the Shift-JIS path against the C library's iconv, which a user would
// call instead, on the same generated text, the two sides interleaved in one run. The counter
// "vs_iconv" is our time divided by iconv's.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "PeerComparison.h"

#include "pdf/core/ScrivletCMap.h"
#include "pdf/core/ScrivletUnicode.h"

namespace {

using parch::bench::CompareWithPeers;

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

// iconv with its output buffer made once, as a caller converting many texts would keep it:
// four bytes of room for every input byte.
class IconvConverter {
public:
    IconvConverter(const char* to, const char* from, std::size_t inputSize)
        : cd_(iconv_open(to, from)), output_(inputSize * 4, '\0') {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(std::string("iconv cannot convert ") + from);
    }
    ~IconvConverter() { iconv_close(cd_); }
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // The number of bytes written.
    std::size_t Convert(const std::string& input) {
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char* out = output_.data();
        size_t outLeft = output_.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        iconv(cd_, &in, &inLeft, &out, &outLeft);
        benchmark::DoNotOptimize(output_.data());
        return output_.size() - outLeft;
    }

private:
    iconv_t cd_;
    std::string output_;
};

void AgainstIconv(benchmark::State& state, const std::function<void()>& ours, const char* to, const char* from,
                  const std::string& input) {
    std::unique_ptr<IconvConverter> made;
    try {
        made = std::make_unique<IconvConverter>(to, from, input.size());
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    IconvConverter& iconv = *made;
    CompareWithPeers(state, ours, {{"iconv", [&] { benchmark::DoNotOptimize(iconv.Convert(input)); }}});
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

const std::string& MixedUtf16() {
    static const std::string bytes = [] {
        const std::u16string wide = parch::Utf8ToWide(MixedUtf8());
        return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    }();
    return bytes;
}

void BM_Utf8ToUtf16(benchmark::State& state) {
    std::u16string wide;
    AgainstIconv(
        state,
        [&] {
            parch::Utf8ToUtf16(MixedUtf8(), wide, false, 3, 1, 1);
            benchmark::DoNotOptimize(wide.data());
        },
        "UTF-16LE", "UTF-8", MixedUtf8());
}
BENCHMARK(BM_Utf8ToUtf16)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Utf16ToUtf8(benchmark::State& state) {
    const std::u16string wide = parch::Utf8ToWide(MixedUtf8());  // the text of MixedUtf16()
    std::string bytes;
    AgainstIconv(
        state,
        [&] {
            parch::Utf16ToUtf8(wide, bytes, 1, 3, 1, 0);
            benchmark::DoNotOptimize(bytes.data());
        },
        "UTF-8", "UTF-16LE", MixedUtf16());
}
BENCHMARK(BM_Utf16ToUtf8)->UseManualTime()->Unit(benchmark::kMillisecond);

// Both sides keep their output between iterations.
void BM_ShiftJisToUnicode(benchmark::State& state) {
    parch::TScrivletCodeList codes;
    std::u16string text;
    AgainstIconv(
        state,
        [&] {
            parch::SplitCharCodes("90ms-RKSJ-H", "Adobe-Japan1-6", ShiftJisText(), codes);
            text.clear();
            for (std::uint32_t code : codes) text += parch::MapCIDToUnicode("90ms-RKSJ-H", "Adobe-Japan1-6", code);
            benchmark::DoNotOptimize(text.data());
        },
        "UTF-16LE", "CP932", ShiftJisText());
}
BENCHMARK(BM_ShiftJisToUnicode)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
