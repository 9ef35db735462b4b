// A Type 1 FontFile program from untrusted bytes: the first twelve bytes give Length1, Length2
// and Length3 (big-endian), the rest is the stream's data. The program is loaded as the font
// collection loads it and its first glyphs, a few by number and a seac-prone name are drawn.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletType1Decoder.h"

namespace {

class FuzzType1Canvas : public parch::TPDFGenericCanvas {
public:
    void NewPath() override {}
    void MoveTo(double, double) override { ++Calls; }
    void LineTo(double, double) override { ++Calls; }
    void CurveTo(double, double, double, double, double, double) override { ++Calls; }
    void QuadCurveTo(double, double, double, double) override { ++Calls; }
    void ClosePath() override { ++Calls; }
    void Stroke() override {}
    void Fill() override {}
    void FillAndStroke() override {}
    void DrawImage(const parch::TPDFStreamableGraphic&, double, double, double, double, double, double) override {}

    std::size_t Calls = 0;
};

std::uint32_t FuzzType1Length(const std::uint8_t* data, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = at; i < at + 4; ++i) value = (value << 8) | data[i];
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 12) return 0;
    parch::TPDFStructure structure;
    parch::TPDFStream* stream =
        structure.NewStream(std::string_view(reinterpret_cast<const char*>(data) + 12, size - 12), false);
    const char* keys[] = {"Length1", "Length2", "Length3"};
    for (std::size_t i = 0; i < 3; ++i)
        stream->StreamDict->SetValue(keys[i], structure.NewNumeric(FuzzType1Length(data, i * 4)));

    parch::TPDFType1Decoder decoder;
    decoder.SplitFontFile(stream);
    decoder.ParseClearText();
    decoder.ParsePrivatePart();
    decoder.GetBuiltInEncoding();

    FuzzType1Canvas canvas;
    const parch::TPDFMatrix matrix{0.01, 0, 0, 0.01, 0, 0};
    const int names = decoder.GlyphNames().GetCount();
    for (int i = 0; i < names && i < 8; ++i) {
        const std::string name = decoder.GlyphNames().Get(i);
        decoder.RenderGlyph(canvas, matrix, 0, 0, name);
        decoder.RenderGlyph(canvas, matrix, 10, 0, name);  // from the cache
    }
    for (const char* name : {"GID:0", "GID:3", "eacute", "Aring"}) decoder.RenderGlyph(canvas, matrix, 0, 0, name);
    if (decoder.CommandList().GetCount() > (1 << 22)) std::abort();
    return 0;
}
