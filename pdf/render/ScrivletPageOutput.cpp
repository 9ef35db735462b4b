#include "pdf/render/ScrivletPageOutput.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Metafile.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/images/ScrivletEPS.h"
#include "pdf/images/ScrivletGIF.h"
#include "pdf/images/ScrivletJPEG.h"
#include "pdf/images/ScrivletPNG.h"
#include "pdf/images/ScrivletTIFF.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletRenderer.h"

namespace parch {

namespace {

// What the encoders need beside the finished render.
struct PageEncoding {
    const TGDIPlusSettings& Settings;
    std::uint8_t JpegQuality;
    double Resolution;
};

// Encodes the finished render into the stream. False, with the reason in message, when nothing
// was written.
using PageWriter = bool (*)(TPDFRenderer& renderer, TStream& stream, const PageEncoding& encoding,
                            std::string& message);

bool WritePageBMP(TPDFRenderer& renderer, TStream& stream, const PageEncoding&, std::string&) {
    renderer.Bitmap->SaveToStream(stream);
    return true;
}

bool WritePageJPEG(TPDFRenderer& renderer, TStream& stream, const PageEncoding& encoding, std::string&) {
    TPDFJPEGImage jpeg;
    jpeg.AssignBitmap(*renderer.Bitmap);
    jpeg.SetCompressionQuality(encoding.JpegQuality);
    jpeg.SaveToStream(stream);
    return true;
}

bool WritePageEPS(TPDFRenderer& renderer, TStream& stream, const PageEncoding&, std::string&) {
    renderer.EPSExport->SaveToStream(stream);
    return true;
}

bool WritePagePNG(TPDFRenderer& renderer, TStream& stream, const PageEncoding& encoding, std::string&) {
    TPNGWriter png(*renderer.Bitmap);
    // The pHYs chunk holds whole dots per inch; resolutions are bounded far below int32 by the
    // render size limit, the clamp only keeps the conversion defined.
    png.SetResolution(static_cast<std::int32_t>(std::clamp(std::nearbyint(encoding.Resolution), 0.0, 2e9)));
    png.SaveToStream(stream);
    return true;
}

bool WritePageGIF(TPDFRenderer& renderer, TStream& stream, const PageEncoding&, std::string& message) {
    try {
        SaveBitmapAsGIF(*renderer.Bitmap, stream);
    } catch (const EPDFGIFError& error) {
        message = error.Message();
        return false;
    }
    return true;
}

bool WritePageTIFF(TPDFRenderer& renderer, TStream& stream, const PageEncoding& encoding, std::string& message) {
    if (SaveBitmapAsTIFF(*renderer.Bitmap, stream, encoding.Settings, encoding.Resolution)) return true;
    message = "The page could not be written as TIFF";
    return false;
}

// A recorded WMF or EMF page, kept by the renderer until now.
bool WritePageMetafile(TPDFRenderer& renderer, TStream& stream, const PageEncoding&, std::string&) {
    renderer.Metafile->SaveToStream(stream);
    return true;
}

// The HTML page and the EMF+ page are written by the renderer while it draws.
bool WrittenWhileDrawing(TPDFRenderer&, TStream&, const PageEncoding&, std::string&) { return true; }

// Null for a kind that names no output.
PageWriter WriterOf(int outputKind) {
    switch (outputKind) {
        case kOutputBMP: return WritePageBMP;
        case kOutputJPEG: return WritePageJPEG;
        case kOutputEPS: return WritePageEPS;
        case kOutputPNG: return WritePagePNG;
        case kOutputGIF: return WritePageGIF;
        case kOutputTIFF: return WritePageTIFF;
        case kOutputWMF:
        case kOutputEMF: return WritePageMetafile;
        case kOutputEMFPlus:
        case kOutputHTML: return WrittenWhileDrawing;
        default: return nullptr;
    }
}

std::uint8_t RendererKindOf(int outputKind) {
    switch (outputKind) {
        case kOutputEPS: return kRenderEPS;
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
    const PageWriter write = WriterOf(outputKind);
    if (!write) {
        message = "Output kind " + std::to_string(outputKind) + " does not exist";
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
    return write(renderer, stream, PageEncoding{settings, jpegQuality, resolution}, message);
}

}  // namespace parch
