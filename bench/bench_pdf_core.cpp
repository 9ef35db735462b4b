// PDF core, against what a user would call instead, in the same run: Flate decoding against
// zlib's inflate of the same data, and the parsing of a large object stream against libqpdf
// resolving the same objects. The counters "vs_<peer>" are our time divided by the peer's.
#include <benchmark/benchmark.h>
#include <qpdf/QPDF.hh>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "PeerComparison.h"

#include "pdf/core/ScrivletFilters.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"

namespace {

using parch::bench::CompareWithPeers;

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

// What a caller of zlib does with a PDF stream, whose decoded size nobody tells in advance:
// inflate into a string that grows until the data ends.
std::string ZlibInflate(const std::string& packed) {
    std::string out(std::max<std::size_t>(packed.size() * 4, 1 << 16), '\0');
    z_stream z{};
    inflateInit(&z);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    int status = Z_OK;
    while (status == Z_OK) {
        if (z.total_out == out.size()) out.resize(out.size() * 2);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + z.total_out);
        z.avail_out = static_cast<uInt>(out.size() - z.total_out);
        status = inflate(&z, Z_NO_FLUSH);
    }
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

void BM_FlateDecode(benchmark::State& state) {
    const std::string text = ContentText(static_cast<std::size_t>(state.range(0)));
    const std::string packed = parch::FlateCompressStr(text);
    if (ZlibInflate(packed) != text || parch::FlateDecompressStr(packed) != text) {
        state.SkipWithError("the two sides do not decode the same text");
        return;
    }
    CompareWithPeers(
        state, [&] { benchmark::DoNotOptimize(parch::FlateDecompressStr(packed).data()); },
        {{"zlib", [&] { benchmark::DoNotOptimize(ZlibInflate(packed).data()); }}});
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FlateDecode)->Arg(64 << 10)->Arg(8 << 20)->UseManualTime()->Unit(benchmark::kMillisecond);

// A file whose objects 1 to count live in one object stream, found through a cross-reference
// stream, with a catalog and an empty page tree beside it.
std::string FileWithObjectStream(int count, const std::string& packed, std::size_t first) {
    const int stream = count + 1, catalog = count + 2, pages = count + 3, xref = count + 4;
    std::string file = "%PDF-1.5\n";
    std::vector<std::size_t> offsets;
    auto object = [&](int number, const std::string& text) {
        offsets.push_back(file.size());
        file += std::to_string(number) + " 0 obj\n" + text + "\nendobj\n";
    };
    object(stream, "<< /Type /ObjStm /N " + std::to_string(count) + " /First " + std::to_string(first) +
                       " /Filter /FlateDecode /Length " + std::to_string(packed.size()) + " >>\nstream\n" + packed +
                       "\nendstream");
    object(catalog, "<< /Type /Catalog /Pages " + std::to_string(pages) + " 0 R >>");
    object(pages, "<< /Type /Pages /Kids [] /Count 0 >>");
    offsets.push_back(file.size());
    // Entries of 1 + 4 + 2 bytes: type, offset or object stream, generation or index.
    std::string entries;
    auto entry = [&](int type, std::uint32_t field, std::uint16_t index) {
        entries += static_cast<char>(type);
        for (int shift = 24; shift >= 0; shift -= 8) entries += static_cast<char>((field >> shift) & 0xFF);
        entries += static_cast<char>(index >> 8);
        entries += static_cast<char>(index & 0xFF);
    };
    entry(0, 0, 0xFFFF);
    for (int i = 0; i < count; ++i) entry(2, static_cast<std::uint32_t>(stream), static_cast<std::uint16_t>(i));
    for (const std::size_t offset : offsets) entry(1, static_cast<std::uint32_t>(offset), 0);
    const std::size_t xrefOffset = offsets.back();
    file += std::to_string(xref) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(xref + 1) +
            " /W [1 4 2] /Root " + std::to_string(catalog) + " 0 R /Length " + std::to_string(entries.size()) +
            " >>\nstream\n" + entries + "\nendstream\nendobj\nstartxref\n" + std::to_string(xrefOffset) + "\n%%EOF\n";
    return file;
}

// Decoding the stream, reading its header and parsing every object, as the document does;
// against libqpdf resolving every object of the same stream in the same file. Reading the
// file's cross references is no part of it on either side: qpdf reads them untimed.
void BM_ObjectStreamParse(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::size_t first = 0;
    const std::string body = ObjectStreamBody(count, first);
    // The stream as the document would have read it from the file: compressing it is no part
    // of reading it, so it is made once outside the timed work.
    parch::TPDFStructure source;
    const parch::TPDFStream* stream = source.NewStream(body, true);
    const std::string file = FileWithObjectStream(count, stream->Data, first);
    std::unique_ptr<QPDF> qpdf;
    auto openWithQpdf = [&] {
        qpdf = std::make_unique<QPDF>();
        qpdf->setSuppressWarnings(true);
        qpdf->processMemoryFile("objects", file.data(), file.size());
    };
    // qpdf must find the objects where the stream has them, not repair its way around the file.
    openWithQpdf();
    if (!qpdf->getObjectByID(1, 0).isDictionary() || !qpdf->getObjectByID(2, 0).isArray() || qpdf->anyWarnings()) {
        state.SkipWithError("libqpdf does not read the object stream");
        return;
    }
    CompareWithPeers(
        state,
        [&] {
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
        },
        {{"libqpdf",
          [&] {
              for (int number = 1; number <= count; ++number)
                  benchmark::DoNotOptimize(qpdf->getObjectByID(number, 0).getTypeCode());
          },
          openWithQpdf}});
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_ObjectStreamParse)->Arg(20000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
