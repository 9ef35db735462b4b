#include "pdf/render/ScrivletRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/SysUtils.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "framework/graphics/Metafile.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletColor.h"
#include "pdf/graphics/ScrivletEPSOperations.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/render/ScrivletContentRun.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletPicasso.h"
#include "pdf/render/ScrivletTextFunnel.h"

namespace parch {

namespace {

constexpr int kRendererMaxReferenceChain = 16;
const char* const kRendererBoxNames[] = {"MediaBox", "CropBox", "BleedBox", "TrimBox", "ArtBox"};

// The pixel-size rule: rounded, and one more when rounding lost part of a pixel. -1 beyond
// the largest side a render may have.
std::int64_t RendererPixels(double points, double resolution) {
    const double exact = points * resolution / 72;
    if (!(exact <= static_cast<double>(kMaxRenderSide))) return -1;
    auto pixels = static_cast<std::int64_t>(std::nearbyint(exact));
    if (static_cast<double>(pixels) * 72 < points * resolution) ++pixels;
    return pixels <= kMaxRenderSide ? pixels : -1;
}

std::int32_t RendererCorner(double value) {
    return static_cast<std::int32_t>(std::clamp(std::nearbyint(value), -2e9, 2e9)) + 1;
}

}  // namespace

struct TPDFRenderer::PageGeometry {
    double X1 = 0, Y1 = 0, X2 = 612, Y2 = 792;
    double W = 612, H = 792;
    int Rotation = 0;
    std::int64_t PixelWidth = 10, PixelHeight = 10;
};

TPDFRenderer::TPDFRenderer(TPDFFontCollection* fontCollection)
    : Bitmap(std::make_unique<TBitmap>()),
      Metafile(std::make_unique<TMetafile>()),
      EPSExport(std::make_unique<TPDFEPSExport>()),
      FontCollection(fontCollection),
      TextFunnel(std::make_unique<TPDFTextFunnel>()),
      ColorManager(std::make_unique<TPDFSimpleColorManager>()) {
    Bitmap->SetPixelFormat(pf24bit);
    GDIPlusSettings.LibraryName = u"gdiplus.dll";
    GDIPlusSettings.AntiAlias = 1;
}

TPDFRenderer::~TPDFRenderer() = default;

void TPDFRenderer::TrimImageCache() {
    ImageCacheSize = 0;
    for (const TPDFImageCollection& entry : ImageCache)
        ImageCacheSize += static_cast<std::uint64_t>(std::max<std::int64_t>(0, entry.Decoder->GetDataSize()));
    if (ImageCacheSize <= kImageCacheLimit) return;
    ImageCache.clear();
    ImageCacheSize = 0;
}

TPDFObject* TPDFRenderer::ResolveReference(TPDFObject* object) {
    for (int step = 0; object && object->Kind == kPDFKindIndRef && step < kRendererMaxReferenceChain; ++step) {
        auto* reference = static_cast<TPDFIndRef*>(object);
        object = OnLookup ? OnLookup(reference) : reference->Resolve();
    }
    return object && object->Kind == kPDFKindIndRef ? nullptr : object;
}

// /Parent chains end at a loop or at a depth no real page tree has.
TPDFObject* TPDFRenderer::FindInheritedKey(TPDFDictionary* dictionary, std::string_view name) {
    std::unordered_set<const TPDFDictionary*> visited;
    for (int depth = 0; dictionary && depth < kMaxInheritanceDepth; ++depth) {
        if (!visited.insert(dictionary).second) return nullptr;
        if (TPDFObject* value = dictionary->GetValue(name)) return ResolveReference(value);
        dictionary = AsDictionary(ResolveReference(dictionary->GetValue("Parent")));
    }
    return nullptr;
}

bool TPDFRenderer::GetPageBox(std::string_view name, double& x1, double& y1, double& x2, double& y2) {
    TPDFObject* box = FindInheritedKey(Page, name);
    if (!box && name == "CropBox") box = FindInheritedKey(Page, "MediaBox");
    if (!box && name != "MediaBox" && name != "CropBox") {
        box = FindInheritedKey(Page, "CropBox");
        if (!box) box = FindInheritedKey(Page, "MediaBox");
    }
    TPDFArray* array = AsArray(box);
    if (!array || array->GetCount() != 4) return false;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        const TPDFNumeric* number = AsNumber(ResolveReference(array->GetItem(i)));
        if (!number || !std::isfinite(number->GetValue())) return false;
        values[i] = number->GetValue();
    }
    x1 = std::min(values[0], values[2]);
    x2 = std::max(values[0], values[2]);
    y1 = std::min(values[1], values[3]);
    y2 = std::max(values[1], values[3]);
    return true;
}

void TPDFRenderer::RunContent(TPDFObject* object, TPDFIndRef* reference, const std::string* glyphText,
                              const std::string& glyphName) {
    const std::pair<const TPDFObject*, std::string> key{object, glyphText ? glyphName : std::string()};
    // A content that draws itself, directly or through others, is drawn once.
    if (!object || static_cast<int>(runChain_.size()) >= kMaxNestedRuns ||
        std::find(runChain_.begin(), runChain_.end(), key) != runChain_.end()) {
        InheritState = false;
        return;
    }
    runChain_.push_back(key);
    struct ChainGuard {
        std::vector<std::pair<const TPDFObject*, std::string>>& Chain;
        ~ChainGuard() { Chain.pop_back(); }
    } guard{runChain_};
    TPDFContentRun run(*this, object, reference, glyphText);
    run.Execute();
}

// The box to draw: the selected box cut to the MediaBox (the MediaBox alone when they do not
// meet), its rotation, and the pixel size for the kinds that have one.
bool TPDFRenderer::MeasurePage(PageGeometry& g) {
    const int selector = std::clamp<std::int32_t>(PageBox, 1, 5);
    GetPageBox(kRendererBoxNames[selector - 1], g.X1, g.Y1, g.X2, g.Y2);
    double mx1 = 0, my1 = 0, mx2 = 612, my2 = 792;
    GetPageBox("MediaBox", mx1, my1, mx2, my2);
    const double x1 = std::max(g.X1, mx1), y1 = std::max(g.Y1, my1);
    const double x2 = std::min(g.X2, mx2), y2 = std::min(g.Y2, my2);
    if (x2 > x1 && y2 > y1) {
        g.X1 = x1, g.Y1 = y1, g.X2 = x2, g.Y2 = y2;
    } else {
        g.X1 = mx1, g.Y1 = my1, g.X2 = mx2, g.Y2 = my2;
    }
    g.W = g.X2 - g.X1;
    g.H = g.Y2 - g.Y1;
    if (g.W == 0) g.W = 1;
    if (g.H == 0) g.H = 1;

    const TPDFNumeric* rotate = AsNumber(FindInheritedKey(Page, "Rotate"));
    const std::int64_t degrees = rotate ? rotate->GetInteger() : 0;
    g.Rotation = static_cast<int>(((degrees / 90) % 4) * 90);
    if (g.Rotation < 0) g.Rotation += 360;
    if (g.Rotation == 90 || g.Rotation == 270) std::swap(g.W, g.H);

    const bool sized = Kind != kRenderEPS && Kind != kRenderTextFunnel && Kind != kRenderImageList;
    if (!sized) return true;
    g.PixelWidth = RendererPixels(g.W, Resolution);
    g.PixelHeight = RendererPixels(g.H, Resolution);
    // Metafiles take the rounded size, without the extra pixel.
    if ((Kind == kRenderWMF || Kind == kRenderEMF) && g.PixelWidth >= 0 && g.PixelHeight >= 0) {
        g.PixelWidth = static_cast<std::int64_t>(std::nearbyint(g.W * Resolution / 72));
        g.PixelHeight = static_cast<std::int64_t>(std::nearbyint(g.H * Resolution / 72));
    }
    if (g.PixelWidth < 0 || g.PixelHeight < 0 || g.PixelWidth * g.PixelHeight > kMaxRenderPixels) {
        ErrorText = "The page is too large to render at this resolution";
        return false;
    }
    return true;
}

bool TPDFRenderer::PreparePage() {
    ErrorText.clear();
    InheritState = false;
    if (FontCollection) FontCollection->KeepSymbolicDifferences = Kind == kRenderTextFunnel;
    if (Resolution == 0) Resolution = 1;
    if (!std::isfinite(Resolution) || Resolution < 0) {
        ErrorText = "The resolution is not valid";
        return false;
    }
    if (!Page) {
        ErrorText = "The page does not exist";
        return false;
    }
    if (Kind == kRenderTextFunnel) {
        TextFunnel->Reset();
        Resolution = 72;
    }
    PageGeometry geometry;
    if (!MeasurePage(geometry)) return false;
    CTM = TPDFMatrix::Identity();
    if (Kind == kRenderEPS || Kind == kRenderTextFunnel || Kind == kRenderImageList) {
        RenderWithoutDevice(geometry);
        return true;
    }
    Width = static_cast<std::int32_t>(geometry.PixelWidth);
    Height = static_cast<std::int32_t>(geometry.PixelHeight);
    if (Kind == kRenderBitmap) {
        try {
            Bitmap->SetSize(Width, Height);
        } catch (const Exception& error) {
            ErrorText = error.Message();
            return false;
        }
        TCanvas& canvas = Bitmap->Canvas();
        canvas.Brush().SetColor(clWhite);
        canvas.FillRect(RECT{0, 0, Width, Height});
    }
    if (Kind == kRenderWMF || Kind == kRenderEMF) {
        Metafile->Clear();
        Metafile->SetEnhanced(Kind == kRenderEMF);
        Metafile->SetSize(Width, Height);
        // The recording completes when its canvas is freed, after the page's canvas.
        TMetafileCanvas recording(*Metafile, Bitmap->Canvas().Handle());
        recording.Brush().SetColor(clWhite);
        recording.FillRect(RECT{0, 0, Width, Height});
        RenderDeviceKind(geometry, &recording);
        return true;
    }
    // Printers and a caller's device context do not exist here; those kinds draw nothing.
    if (Kind == kRenderBitmap || Kind == kRenderHTML || Kind == kRenderCairo || Kind == kRenderEMFPlus)
        RenderDeviceKind(geometry, Kind == kRenderBitmap ? &Bitmap->Canvas() : nullptr);
    return true;
}

void TPDFRenderer::RenderDeviceKind(const PageGeometry& g, TCanvas* target) {
    const double scale = Resolution / 72;
    MatrixMultiply(CTM, TPDFMatrix{scale, 0, 0, -scale, 0, static_cast<double>(Height)}, CTM);
    switch (g.Rotation) {
        case 90: MatrixMultiply(CTM, TPDFMatrix{0, -1, 1, 0, 0, g.H}, CTM); break;
        case 180: MatrixMultiply(CTM, TPDFMatrix{-1, 0, 0, -1, g.W, g.H}, CTM); break;
        case 270: MatrixMultiply(CTM, TPDFMatrix{0, 1, -1, 0, g.W, 0}, CTM); break;
        default: break;
    }
    MatrixMultiply(CTM, TPDFMatrix{1, 0, 0, 1, -g.X1, -g.Y1}, CTM);

    Canvas = std::make_unique<TPDFPicasso>();
    struct CanvasGuard {
        std::unique_ptr<TPDFPicasso>& Owned;
        ~CanvasGuard() { Owned.reset(); }
    } guard{Canvas};
    AttachCanvas(target);
    if (Kind == kRenderHTML && !HTMLStream) return;
    // The EMF+ recording draws only through the anti-aliased service.
    if (Kind == kRenderEMFPlus && Canvas->BackEnd() != TPicassoBackEnd::GDIPlus) return;
    DeviceMatrix = CTM;
    RunPage();
    if (Kind == kRenderHTML) Canvas->EndHTML(Width, Height);
}

void TPDFRenderer::AttachCanvas(TCanvas* target) {
    switch (Kind) {
        case kRenderEMFPlus:
            if (!MetafileStream || !GDIPlusSettings.UseGDIPlus) break;
            Canvas->AttachMetafileStream(Width, Height, MetafileStream);
            Canvas->AttachCanvasGDIPlus(nullptr, GDIPlusSettings);
            break;
        case kRenderHTML:
            if (HTMLStream) Canvas->BeginHTML(HTMLStream);
            break;
        case kRenderCairo: Canvas->AttachCairo(CairoDC, CairoLibrary, CairoFillWhite); break;
        default:
            if (GDIPlusSettings.UseGDIPlus)
                Canvas->AttachCanvasGDIPlus(target, GDIPlusSettings);
            else
                Canvas->AttachCanvas(target);
            break;
    }
}

// EPS, the text funnel and the image list work in user space: no rotation, no device.
void TPDFRenderer::RenderWithoutDevice(const PageGeometry& g) {
    Width = RendererCorner(g.X2);
    Height = RendererCorner(g.Y2);
    Canvas = std::make_unique<TPDFPicasso>();
    struct CanvasGuard {
        std::unique_ptr<TPDFPicasso>& Owned;
        ~CanvasGuard() { Owned.reset(); }
    } guard{Canvas};
    DeviceMatrix = CTM;
    if (UsesEPS()) BeginEPSPage(g);
    RunPage();
    if (UsesEPS()) EPSExport->EndDocument();
}

// The page box is the EPS file's bounding box, and the page's content is cut to it as a bitmap
// page's is: marks outside would fall beyond the box that a placing program reserves.
void TPDFRenderer::BeginEPSPage(const PageGeometry& g) {
    EPSExport->BeginDocument(g.X1, g.Y1, g.X2, g.Y2);
    EPSExport->NewPath();
    EPSExport->MoveTo(g.X1, g.Y1);
    EPSExport->LineTo(g.X2, g.Y1);
    EPSExport->LineTo(g.X2, g.Y2);
    EPSExport->LineTo(g.X1, g.Y2);
    EPSExport->ClosePath();
    EPSExport->Clip(false);
    EPSExport->NewPath();
}

// Failures while the page's content is being set up (a damaged content stream) end the page
// like failures inside it.
void TPDFRenderer::RunPage() {
    try {
        RunContent(Page, nullptr, nullptr);
    } catch (const Exception& error) {
        if (ErrorText.empty()) ErrorText = "Rendering exception: " + error.Message();
    }
}

}  // namespace parch
