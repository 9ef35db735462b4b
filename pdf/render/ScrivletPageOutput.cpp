#include "pdf/render/ScrivletPageOutput.h"

#include <string>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletRenderer.h"

namespace parch {

namespace {

// JPEG, PNG, GIF and TIFF need the page encoders; WMF, EMF and EMF+ a metafile recorder;
// EPS the EPS writer. None of them is part of this build.
bool PageOutputKindMissing(int kind) { return kind >= 1 && kind <= 8; }

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
    renderer.Kind = outputKind == kOutputHTML ? kRenderHTML : kRenderBitmap;
    if (outputKind == kOutputHTML) renderer.SetHTMLStream(&stream);
    renderer.Page = pageTree.GetPageDict(pageNumber);

    const bool rendered = renderer.PreparePage();
    message = renderer.ErrorText;
    if (!rendered) return false;
    if (outputKind == kOutputBMP) renderer.Bitmap->SaveToStream(stream);
    return true;
}

}  // namespace parch
