#pragma once
// The page renderer: draws one page of a loaded document onto a bitmap, an EPS writer, the text
// funnel, the page image list, an HTML5 canvas script or a cairo surface. PreparePage chooses
// the page box, sizes the output, builds the device matrix and runs the page's content (and its
// annotations) through the content interpreter.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "pdf/core/ScrivletGDIPlusSettings.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/images/ScrivletEPS.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class TBitmap;
class TCanvas;
class TMetafile;
class TPDFDeviceNColorSpace;
class TPDFDictionary;
class TPDFFontCollection;
class TPDFImageDecoder;
class TPDFIndRef;
class TPDFLabColorSpace;
class TPDFObject;
class TPDFPicasso;
class TPDFSeparationColorSpace;
class TPDFSimpleColorManager;
class TPDFStream;
class TPDFStructure;
class TPDFTextFunnel;
class TStream;
struct TPDFImageList;

// Renderer kinds.
inline constexpr std::uint8_t kRenderBitmap = 0;
inline constexpr std::uint8_t kRenderWMF = 1;
inline constexpr std::uint8_t kRenderEMF = 2;
inline constexpr std::uint8_t kRenderEPS = 3;
inline constexpr std::uint8_t kRenderPrinter = 4;
inline constexpr std::uint8_t kRenderTextFunnel = 5;
inline constexpr std::uint8_t kRenderImageList = 6;
inline constexpr std::uint8_t kRenderEMFPlus = 7;
inline constexpr std::uint8_t kRenderTargetDC = 8;
inline constexpr std::uint8_t kRenderHTML = 9;
inline constexpr std::uint8_t kRenderCairo = 10;

// Bounds that keep hostile pages from exhausting memory or the stack.
inline constexpr std::int64_t kMaxRenderSide = 65535;
inline constexpr std::int64_t kMaxRenderPixels = 200'000'000;
inline constexpr int kMaxNestedRuns = 32;
inline constexpr int kMaxStateDepth = 1000;
inline constexpr std::size_t kMaxOperands = 10000;
inline constexpr int kMaxInheritanceDepth = 64;

struct TPDFGraphicsState {
    double CurrentX = 110;  // device space
    double CurrentY = 700;
    TColor FillColor = 0;
    std::string FillPSColor;
    double FillCMYK[4] = {0, 0, 0, 0};
    TColor StrokeColor = 0;
    std::string StrokePSColor;
    std::string FillSpace = "DeviceGray";
    std::string StrokeSpace = "DeviceGray";
    double LineWidth = 1;  // user space
    std::int32_t LineCap = 0;
    std::int32_t LineJoin = 0;
    double MiterLimit = 10;
    TPDFMatrix StateCTM;
    TPDFMatrix TextMatrix;
    TPDFMatrix TextLineMatrix;
    double HorizontalScaling = 100;  // percent
    double FontSize = 12;
    std::string FontName;  // "/F1", or a reference text "12 0 R" from an ExtGState
    double Leading = 0;
    double CharSpacing = 0;
    double WordSpacing = 0;
    double Rise = 0;
    std::int32_t RenderMode = 0;
    double StrokeAlpha = 1;
    double FillAlpha = 1;
    std::int32_t CanvasState = 0;
    double DashPhase = 0;
    std::vector<double> DashArray;
};

// An Indexed colour space: colour values of a base device space looked up by index.
struct TPDFIndexedColorSpace {
    std::string BaseSpace;  // "DeviceGray", "DeviceRGB" or "DeviceCMYK"
    std::int32_t HighValue = 0;
    std::string Lookup;
};

// A decoded image XObject kept for the page, by the reference it was reached through.
struct TPDFImageCollection {
    std::uint64_t Key = 0;  // generation number << 32 | object number
    TPDFIndRef* Reference = nullptr;
    std::unique_ptr<TPDFImageDecoder> Decoder;
};

// When the cached decoders hold more than this many bytes, the whole cache is emptied.
inline constexpr std::uint64_t kImageCacheLimit = 100'000'000;

using TPDFLookupEvent = std::function<TPDFObject*(TPDFIndRef*)>;
using TPDFDecodeEvent = std::function<void(TPDFStream*, TPDFIndRef*)>;

class TPDFRenderer {
public:
    explicit TPDFRenderer(TPDFFontCollection* fontCollection);
    ~TPDFRenderer();
    TPDFRenderer(const TPDFRenderer&) = delete;
    TPDFRenderer& operator=(const TPDFRenderer&) = delete;

    void SetHTMLStream(TStream* stream) { HTMLStream = stream; }
    void SetMetafileStream(TStream* stream) { MetafileStream = stream; }

    // Renders Page into the output of Kind. False when the output could not be made at all
    // (no page, a size beyond the bounds): ErrorText says why and nothing was drawn.
    bool PreparePage();

    // The value of name in the dictionary or its /Parent chain, references resolved.
    TPDFObject* FindInheritedKey(TPDFDictionary* dictionary, std::string_view name);
    bool GetPageBox(std::string_view name, double& x1, double& y1, double& x2, double& y2);
    // References resolved (through OnLookup when set), also references to references.
    TPDFObject* ResolveReference(TPDFObject* object);
    TPDFPoint TransformPoint(TPDFPoint point) const { return MatrixTransformPoint(CTM, point); }

    // Interprets a page dictionary, a form or appearance stream (given with the reference it was
    // reached through) or, with glyphText, a Type 3 glyph procedure of the font dictionary.
    // Nested runs beyond kMaxNestedRuns, or of an object already running, draw nothing.
    void RunContent(TPDFObject* object, TPDFIndRef* reference, const std::string* glyphText,
                    const std::string& glyphName = {});

    // Sums the cached decoders' sizes (their decoded pixels included) into ImageCacheSize and
    // empties the cache when the sum is over kImageCacheLimit.
    void TrimImageCache();

    // Where path operations go: the EPS writer in kind 3, else the canvas.
    bool UsesEPS() const { return Kind == kRenderEPS && EPSExport != nullptr; }

    std::unique_ptr<TBitmap> Bitmap;
    // The output of kinds 1 (Enhanced off) and 2 (on).
    std::unique_ptr<TMetafile> Metafile;
    // Kind 3's writer, owned; the page lands in it between BeginDocument and EndDocument.
    std::unique_ptr<TPDFEPSExport> EPSExport;
    double Resolution = 0;
    TPDFDictionary* Page = nullptr;
    std::uint8_t Kind = kRenderBitmap;
    TPDFStructure* Structure = nullptr;
    TPDFFontCollection* FontCollection;
    std::vector<std::unique_ptr<TPDFSeparationColorSpace>> SeparationSpaces;
    std::vector<std::unique_ptr<TPDFLabColorSpace>> LabSpaces;
    std::vector<std::unique_ptr<TPDFDeviceNColorSpace>> DeviceNSpaces;
    std::vector<std::unique_ptr<TPDFIndexedColorSpace>> IndexedSpaces;
    // The space text made for each colour-space array, so every form naming it shares one object.
    std::unordered_map<const TPDFObject*, std::string> ColorSpaceKeys;
    TPDFLookupEvent OnLookup;
    TPDFDecodeEvent OnBeforeDecode;
    TPDFDecodeEvent OnAfterDecode;
    TGDIPlusSettings GDIPlusSettings;
    std::unique_ptr<TPDFTextFunnel> TextFunnel;
    std::unique_ptr<TPDFSimpleColorManager> ColorManager;
    TPDFImageList* ImageList = nullptr;  // kind 6, not owned
    std::vector<TPDFImageCollection> ImageCache;
    std::uint64_t ImageCacheSize = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    TPDFMatrix CTM;
    TPDFMatrix DeviceMatrix;
    std::unique_ptr<TPDFPicasso> Canvas;
    TPDFDictionary* SavedResources = nullptr;
    // The page's first failure; later runs never clear it.
    std::string ErrorText;
    TStream* HTMLStream = nullptr;
    // Kind 7's recording goes here, complete once PreparePage returns.
    TStream* MetafileStream = nullptr;
    HDC CairoDC = nullptr;
    std::u16string CairoLibrary;
    bool CairoFillWhite = false;
    TPDFGraphicsState InheritedState;
    bool InheritState = false;
    std::int32_t PageBox = 2;
    // Called with the final graphics state of every finished run (inspection).
    std::function<void(const TPDFGraphicsState&)> OnRunFinished;

private:
    struct PageGeometry;
    bool MeasurePage(PageGeometry& geometry);
    bool SizeOutput(const PageGeometry& geometry);
    void RenderDeviceKind(const PageGeometry& geometry, TCanvas* target);
    void RenderWithoutDevice(const PageGeometry& geometry);
    void BeginEPSPage(const PageGeometry& geometry);
    void AttachCanvas(TCanvas* target);
    void RunPage();

    // Content streams and glyph procedures in progress, outermost first.
    std::vector<std::pair<const TPDFObject*, std::string>> runChain_;
};

}  // namespace parch
