// Runs arbitrary bytes as a page's content stream with fixed resources: a form XObject whose
// content also comes from the input (after the first "%%FORM"), a Type 3 font whose glyph draws
// the form, a substituted Type 1 font, an ExtGState, Separation and Indexed colour spaces and an
// optional-content group. The page renders at a small resolution as a bitmap, into the text
// funnel or as an HTML page.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "base/Streams.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletRenderer.h"

namespace {

std::string FuzzStream(const std::string& entries, std::string_view data) {
    return "<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + std::string(data) +
           "\nendstream";
}

std::string FuzzPdf(std::string_view page, std::string_view form) {
    const std::string resources =
        "<< /XObject << /Fm0 5 0 R /Im0 10 0 R >> /Font << /T3 6 0 R /F1 9 0 R >> "
        "/ExtGState << /GS0 << /LW 2 /CA 0.5 /ca 0.7 /Font [9 0 R 12] >> >> "
        "/ColorSpace << /CS0 [/Separation /Spot /DeviceCMYK 8 0 R] /CS1 [/Indexed /DeviceRGB 1 <FF000000FF00>] "
        "/CS2 [/Lab << /WhitePoint [0.95 1 1.09] >>] >> "
        "/Properties << /OC0 << /Type /OCG /Usage << /View << /ViewState /OFF >> >> >> >> >>";
    std::map<int, std::string> objects;
    objects[1] = "<< /Type /Catalog /Pages 2 0 R >>";
    objects[2] = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
    objects[3] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources " + resources +
                 " /Contents 4 0 R /Annots [11 0 R] >>";
    objects[4] = FuzzStream("", page);
    objects[5] = FuzzStream("/Type /XObject /Subtype /Form /BBox [0 0 100 100] /Matrix [1 0 0 1 10 10] /Resources " +
                                resources,
                            form);
    objects[6] = "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
                 "/CharProcs << /a 7 0 R >> /Encoding << /Differences [97 /a] >> /FirstChar 97 /LastChar 97 "
                 "/Widths [1000] /Resources " + resources + " >>";
    objects[7] = FuzzStream("", "1000 0 0 0 1000 1000 d1 0 0 1000 1000 re f /Fm0 Do");
    objects[8] = "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 1 1 0] /N 1 >>";
    objects[9] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
    objects[10] = FuzzStream("/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray",
                             "\x80");
    objects[11] = "<< /Type /Annot /Subtype /Square /Rect [0 0 50 50] /AP << /N 5 0 R >> >>";
    std::string file = "%PDF-1.4\n";
    std::map<int, std::size_t> offsets;
    for (const auto& [number, text] : objects) {
        offsets[number] = file.size();
        file += std::to_string(number) + " 0 obj\n" + text + "\nendobj\n";
    }
    const std::size_t xref = file.size();
    file += "xref\n0 12\n0000000000 65535 f \n";
    for (const auto& [number, offset] : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        file += line;
    }
    return file + "trailer\n<< /Size 12 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parch;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find("%%FORM");
    const std::string_view page = input.substr(0, split);
    const std::string_view form = split == std::string_view::npos ? input : input.substr(split + 6);

    TPDFDocument document;
    TStringStream file(FuzzPdf(page, form));
    if (document.ReadDocument(file, u"") != 0 || !document.PageTree()) __builtin_trap();
    TPDFFontCollection fonts;
    fonts.RasterizeGlyphs = true;
    TPDFRenderer renderer(&fonts);
    const std::uint8_t kinds[] = {kRenderBitmap, kRenderTextFunnel, kRenderHTML};
    renderer.Kind = kinds[size % 3];
    renderer.Resolution = 10;
    renderer.GDIPlusSettings.UseGDIPlus = 1;
    TMemoryStream html;
    renderer.SetHTMLStream(&html);
    renderer.Page = document.PageTree()->GetPageDict(1);
    if (!renderer.PreparePage()) __builtin_trap();
    return 0;
}
