#include "tests/pdf/images/ImageTestSupport.h"

#include <cstring>

#include "pdf/core/Scrivlet0813.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/images/ScrivletBitmapSurface.h"

namespace parch::imagetest {

namespace {

TPDFObject* Resolved(TPDFObject* object) {
    for (int i = 0; i < 8 && object && object->Kind == kPDFKindIndRef; ++i)
        object = static_cast<TPDFIndRef*>(object)->Resolve();
    return object;
}

TPDFStream* FindImage(TPDFDictionary* page, const std::string& name) {
    TPDFDictionary* resources = AsDictionary(Resolved(page->GetValue("Resources")));
    TPDFDictionary* xobjects = resources ? AsDictionary(Resolved(resources->GetValue("XObject"))) : nullptr;
    if (!xobjects) return nullptr;
    for (int i = 0; i < xobjects->GetCount(); ++i) {
        const TPDFPair entry = xobjects->GetEntry(i);
        if (!name.empty() && entry.Key->NameBytes != name) continue;
        TPDFStream* stream = AsStream(Resolved(entry.Value));
        if (!stream || !stream->StreamDict) continue;
        TPDFObject* subtype = Resolved(stream->StreamDict->GetValue("Subtype"));
        if (subtype && subtype->ToText() == "/Image") return stream;
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<TBitmap> PaintOnWhite(TPDFImageDecoder& decoder, TColor fill) {
    const int width = std::max(1, decoder.Width), height = std::max(1, decoder.Height);
    auto picture = std::make_unique<TBitmap>(width, height, pf24bit);
    for (int y = 0; y < height; ++y) std::memset(picture->ScanLine(y), 255, static_cast<std::size_t>(width) * 3);
    TPDFBitmapSurface surface(*picture);
    decoder.PaintToCanvas(surface, TPDFMatrix{double(width), 0, 0, -double(height), 0, double(height)}, fill);
    return picture;
}

PaintedImage PaintPageImage(const std::string& path, const std::string& name, TColor fill) {
    PaintedImage result;
    TScrivlet0813 api;
    if (api.OpenPdfFile(path, u"") != 1) {
        result.Error = "cannot open " + path;
        return result;
    }
    TPDFDocument* document = api.SelectedDocument();
    TPDFDictionary* page = document && document->PageTree() ? document->PageTree()->GetPageDict(1) : nullptr;
    TPDFStream* image = page ? FindImage(page, name) : nullptr;
    if (!image) {
        result.Error = "no image on page 1 of " + path;
        return result;
    }
    result.Decoder = std::make_unique<TPDFImageDecoder>();
    try {
        result.Decoder->LoadFromObject(image);
    } catch (const std::exception& error) {
        result.Error = error.what();
    }
    result.Picture = PaintOnWhite(*result.Decoder, fill);
    return result;
}

std::uint32_t PixelRGB(const TBitmap& bitmap, int x, int y) {
    const BYTE* p = const_cast<TBitmap&>(bitmap).ScanLine(y) + 3 * x;
    return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

}  // namespace parch::imagetest
