#include "pdf/render/ScrivletPageOutput.h"

#include <string>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Metafile.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletRenderer.h"

namespace parch {

namespace {

// JPEG, PNG, GIF and TIFF need the page encoders and EPS the EPS writer; none of them is part
// of this build.
bool PageOutputKindMissing(int kind) { return kind == 1 || (kind >= 4 && kind <= 7); }

std::uint8_t RendererKindOf(int outputKind) {
    switch (outputKind) {
        case kOutputWMF: return kRenderWMF;
        case kOutputEMF: return kRenderEMF;
        case kOutputEMFPlus: return kRenderEMFPlus;
        case kOutputHTML: return kRenderHTML;
        default: return kRenderBitmap;
    }
}

}  // namespace

bool PaintPageToStream(TPDFPageTree& pageTree, std::int32_t pageNumber, int outputKind, std::int32_t pageBox,
                       std::string& message, TStream& stream, const TGDIPlusSettings& settings,
                       std::uint8_t jpegQuality, double resolution) {
    (void)jpegQuality;  // read by the JPEG encoder only
    if (PageOutputKindMissing(outputKind)) {
        message = "Output kind " + std::to_string(outputKind) + " is not available in this build";
        return false;
    }
    TPDFFontCollection fonts;
    fonts.RasterizeGlyphs = true;
    TPDFRenderer renderer(&fonts);
    renderer.GDIPlusSettings = settings;
    renderer.Resolution = resolution;
    renderer.PageBox = pageBox;
    renderer.Kind = RendererKindOf(outputKind);
    if (outputKind == kOutputHTML) renderer.SetHTMLStream(&stream);
    if (outputKind == kOutputEMFPlus) renderer.SetMetafileStream(&stream);
    renderer.Page = pageTree.GetPageDict(pageNumber);

    const bool rendered = renderer.PreparePage();
    message = renderer.ErrorText;
    if (!rendered) return false;
    if (outputKind == kOutputBMP) renderer.Bitmap->SaveToStream(stream);
    if (outputKind == kOutputWMF || outputKind == kOutputEMF) renderer.Metafile->SaveToStream(stream);
    return true;
}

}  // namespace parch
