// PDF core: Flate decoding and the parsing of a large object stream, each measured against
// plain zlib inflate of the same data in the same run. The counter "vs_zlib" is our time
// divided by zlib's.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <random>
#include <string>

#include "pdf/core/ScrivletFilters.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"

namespace {

using Clock = std::chrono::steady_clock;

// Page-content-like text: operators and numbers with some repetition.
std::string ContentText(std::size_t size) {
    std::mt19937 random(42);
    std::string text;
    while (text.size() < size) {
        text += std::to_string(random() % 612) + " " + std::to_string(random() % 792) + " m ";
        text += std::to_string(random() % 1000) + "." + std::to_string(random() % 100) + " 0 Td (word" +
                std::to_string(random() % 50) + ") Tj\n";
    }
    text.resize(size);
    return text;
}

// An object stream of `count` objects: the header of number/offset pairs, then the objects.
std::string ObjectStreamBody(int count, std::size_t& first) {
    std::mt19937 random(7);
    std::string header, objects;
    for (int i = 0; i < count; ++i) {
        header += std::to_string(i + 1) + " " + std::to_string(objects.size()) + " ";
        switch (i % 3) {
            case 0:
                objects += "<< /Type /Annot /Subtype /Link /Rect [ " + std::to_string(random() % 600) + " 10.5 " +
                           std::to_string(random() % 600) + " 40 ] /Border [ 0 0 0 ] /Dest [ " +
                           std::to_string(random() % 900) + " 0 R /XYZ 0 792 null ] >>\n";
                break;
            case 1:
                objects += "[ " + std::to_string(random() % 1000) + " 0 R " + std::to_string(random() % 1000) +
                           " 0 R /Name (a literal string) <48656c6c6f> true ]\n";
                break;
            default:
                objects += "<< /Font << /F1 12 0 R /F2 13 0 R >> /ProcSet [ /PDF /Text ] /Count " +
                           std::to_string(random() % 100) + " >>\n";
                break;
        }
    }
    first = header.size();
    return header + objects;
}

double ZlibInflateSeconds(const std::string& packed, std::size_t size) {
    std::string out(size, '\0');
    const auto start = Clock::now();
    uLongf length = size;
    uncompress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(packed.data()),
               packed.size());
    benchmark::DoNotOptimize(out.data());
    return std::chrono::duration<double>(Clock::now() - start).count();
}

template <typename Ours>
void RunAgainstZlib(benchmark::State& state, const std::string& packed, std::size_t size, Ours ours) {
    double oursTotal = 0, zlibTotal = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        ours();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        oursTotal += seconds;
        zlibTotal += ZlibInflateSeconds(packed, size);
    }
    state.counters["zlib_ms"] = 1000 * zlibTotal / static_cast<double>(state.iterations());
    state.counters["vs_zlib"] = oursTotal / zlibTotal;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_FlateDecode(benchmark::State& state) {
    const std::string text = ContentText(static_cast<std::size_t>(state.range(0)));
    const std::string packed = parch::FlateCompressStr(text);
    RunAgainstZlib(state, packed, text.size(), [&] {
        std::string decoded = parch::FlateDecompressStr(packed);
        benchmark::DoNotOptimize(decoded.data());
    });
}
BENCHMARK(BM_FlateDecode)->Arg(64 << 10)->Arg(8 << 20)->UseManualTime()->Unit(benchmark::kMillisecond);

// Decoding the stream, reading its header and parsing every object, as the document does.
void BM_ObjectStreamParse(benchmark::State& state) {
    std::size_t first = 0;
    const std::string body = ObjectStreamBody(static_cast<int>(state.range(0)), first);
    const std::string packed = parch::FlateCompressStr(body);
    // The stream as the document would have read it from the file: compressing it is no part
    // of reading it, so it is made once outside the timed work.
    parch::TPDFStructure source;
    const parch::TPDFStream* stream = source.NewStream(body, true);
    RunAgainstZlib(state, packed, body.size(), [&] {
        parch::TPDFStructure structure;
        const std::string decoded = parch::GetDecodedData(*stream);
        const std::string_view view(decoded);
        auto* header = static_cast<parch::TPDFArray*>(parch::ParseObject(structure, "[ " + decoded.substr(0, first) + " ]"));
        // Each object's text runs to the next object's offset, as the document cuts it.
        for (int i = 1; i < header->GetCount(); i += 2) {
            const auto start = first + static_cast<std::size_t>(static_cast<parch::TPDFNumeric*>(header->GetItem(i))->GetValue());
            const auto* next = static_cast<parch::TPDFNumeric*>(header->GetItem(i + 2));
            const std::size_t end = next ? first + static_cast<std::size_t>(next->GetValue()) : view.size();
            std::int64_t consumed = 0;
            benchmark::DoNotOptimize(parch::ParseObjectAt(structure, view.substr(start, end - start), consumed));
        }
    });
}
BENCHMARK(BM_ObjectStreamParse)->Arg(20000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
