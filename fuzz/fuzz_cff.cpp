// Loads arbitrary bytes as a CFF font, bare or wrapped as the 'CFF ' table of an OpenType font,
// and translates and draws a few of its glyphs by name and by glyph index.

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Streams.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletType1Decoder.h"

namespace {

using namespace parch;

class NullCanvas : public TPDFGenericCanvas {
public:
    void NewPath() override {}
    void MoveTo(double, double) override {}
    void LineTo(double, double) override {}
    void CurveTo(double, double, double, double, double, double) override {}
    void QuadCurveTo(double, double, double, double) override {}
    void ClosePath() override {}
    void Stroke() override {}
    void Fill() override {}
    void FillAndStroke() override {}
    void DrawImage(const TPDFStreamableGraphic&, double, double, double, double, double, double) override {}
};

void PutBig(std::string& bytes, std::uint32_t value, int width) {
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 255);
}

// An OpenType header with one table directory entry, 'CFF ', pointing at the font bytes.
std::string WrapInOpenType(const std::string& cff) {
    std::string font = "OTTO";
    PutBig(font, 1, 2);
    font += std::string(6, '\0');  // search range, entry selector, range shift
    font += "CFF ";
    PutBig(font, 0, 4);
    PutBig(font, 28, 4);
    PutBig(font, static_cast<std::uint32_t>(cff.size()), 4);
    return font + cff;
}

void DrawGlyph(TPDFType1Decoder& decoder, const std::string& name) {
    NullCanvas canvas;
    decoder.RenderGlyph(canvas, TPDFMatrix{}, 0, 0, name);
    decoder.LoadGlyphCommands(name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string cff(reinterpret_cast<const char*>(data) + 1, size - 1);
    TStringStream stream((data[0] & 1) != 0 ? WrapInOpenType(cff) : cff);
    TPDFType1Decoder decoder;
    decoder.LoadCFF(stream);
    const int count = decoder.GlyphNames().GetCount();
    for (int i = 0; i < count && i < 8; ++i) DrawGlyph(decoder, decoder.GlyphNames().Get(i));
    for (int gid : {0, 1, 2, count - 1}) DrawGlyph(decoder, "GID:" + std::to_string(gid < 0 ? 0 : gid));
    DrawGlyph(decoder, decoder.GetBuiltInEncoding()[65]);
    return 0;
}
