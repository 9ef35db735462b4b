#pragma once
// TPDFImageDecoder turns one image of a page (an image XObject or an inline image) into
// something drawable: it reads the image dictionary, sums up the colour space, undoes the filter
// chain, hands the data to the sample decoder or to a codec, obtains the image's mask, and
// paints the result with a matrix onto an image surface. Decoded images without a mask are kept
// as PNG bytes only, which keeps the renderer's image cache small.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/ScrivletGDIPlusSettings.h"
#include "pdf/graphics/ScrivletColor.h"
#include "pdf/graphics/ScrivletMatrix.h"

namespace parch {

class TBitmap;
class TMemoryStream;
class TPDFDictionary;
class TPDFImageSurface;
class TPDFIndRef;
class TPDFObject;
class TPDFStream;
class TPDFStructure;
class TScrivletStringList;
struct TPDFInlineImage;

// Hooks called with a stream and the reference it was reached through, around the decoder's
// reading of that stream's data.
using TPDFImageStreamEvent = std::function<void(TPDFStream*, TPDFIndRef*)>;

// What MaskKind holds.
inline constexpr std::uint8_t kMaskNone = 0;
inline constexpr std::uint8_t kMaskStencil = 1;    // /ImageMask true: painted in the fill colour
inline constexpr std::uint8_t kMaskImage = 2;      // /Mask stream, or a colour key turned into one
inline constexpr std::uint8_t kMaskSoft = 3;       // /SMask stream
inline constexpr std::uint8_t kMaskColorKey = 4;   // /Mask array of ranges

// What EncodedKind holds.
inline constexpr std::uint8_t kEncodedNone = 0;
inline constexpr std::uint8_t kEncodedJPEG = 1;
inline constexpr std::uint8_t kEncodedTIFF = 3;
inline constexpr std::uint8_t kEncodedPNG = 4;

class TPDFImageDecoder {
public:
    TPDFImageDecoder();
    ~TPDFImageDecoder();
    TPDFImageDecoder(const TPDFImageDecoder&) = delete;
    TPDFImageDecoder& operator=(const TPDFImageDecoder&) = delete;

    // The caller's manager from now on (the caller keeps owning it); an own one is freed.
    void SetColorManager(TPDFSimpleColorManager* manager);

    // Loads an image XObject. Codec and filter failures beyond the tolerated ones propagate.
    void LoadFromObject(TPDFObject* object);
    // Loads a parsed inline image; structure is the content stream's (for parameters and
    // references). Never raises for bad image data.
    void LoadInlineImage(const TPDFInlineImage& image, TPDFStructure* structure);

    // Draws the image on the unit square of image space mapped through matrix; stencils take
    // fillColor (red in the low byte). Nothing when nothing was decoded; never raises.
    void PaintToCanvas(TPDFImageSurface& canvas, const TPDFMatrix& matrix, TColor fillColor);

    // Bytes the decoder holds for the image: the encoded stream when there is one, else the
    // sample data, at least the decoded bitmaps' pixel memory (the renderer's cache counts it).
    std::int64_t GetDataSize() const;
    // The encoded stream's bytes; without one, the result bitmap as a BMP file.
    std::string GetImageData();

    // A reference resolved through OnResolveObject when set, else its structure's look-up;
    // other objects as they are.
    TPDFObject* ResolveObject(TPDFObject* object) const;

    // --- Steps shared with the codec paths ------------------------------------------------
    // Sample data without a codec: every depth and colour space, Decode, Indexed, colour keys.
    void DecodeSamples();
    // JPEG data (/DCTDecode).
    void DecodeDCT();
    // CCITT fax data with the filter's parameters (key=value lines).
    void DecodeCCITT(const TScrivletStringList& parameters);
    // JPEG 2000 data (/JPXDecode).
    void DecodeJPX();
    // JBIG2 data, with the /JBIG2Globals stream reached through globals (nil: none).
    void DecodeJBIG2(TPDFIndRef* globals);

    // In-place colour conversions of a decoded bitmap (made 24-bit); each does nothing when the
    // decoder has no such space (or no profile).
    void ConvertLab(TBitmap& bitmap);
    void ConvertSeparation(TBitmap& bitmap);
    void ConvertDeviceN(TBitmap& bitmap);
    void ApplyICCProfile(TBitmap& bitmap);

    // The result bitmap written as a PNG EncodedStream (a two-entry palette PNG for a one-bit
    // bitmap); the bitmap is freed and EncodedKind becomes PNG.
    void EncodeBitmapAsPNG();
    // Operation "SetTrans" (the black entry transparent, the other one the colour), "Swap"
    // (exchange the two entries) or "Reset" (restore the entries before the last patch) on a
    // two-entry palette PNG; any other PNG is left alone.
    void PatchPNGPalette(TMemoryStream& stream, std::string_view operation, TColor color);

    // The Decode array as numbers, two per component; empty when absent or malformed.
    std::vector<double> DecodeValues() const;
    // Whether the first component's Decode range runs downwards (as [1 0] does).
    bool DecodeInverts() const;

    // --- State ---------------------------------------------------------------------------
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    // "DeviceGray", "DeviceRGB", "DeviceCMYK", "Indexed", "Lab", "Separation", "DeviceN", or
    // another name as found; empty when none could be derived.
    std::string ColorSpace;
    std::unique_ptr<TBitmap> Bitmap;
    std::string Filter;  // PDF text: a name or an array
    std::int32_t BitsPerComponent = 0;
    std::string BaseColorSpace;  // Indexed: the base family
    std::string Lookup;          // Indexed: the table bytes
    std::int32_t HiVal = -1;     // Indexed: the highest index, -1 when not a number
    std::string Data;            // encoded bytes; after the filters, the samples
    std::string DecodeParms;     // PDF text, always an array
    std::string Decode;          // PDF text of /Decode, empty when absent
    TGDIPlusSettings GDIPlusSettings;
    bool Drawable = false;
    std::unique_ptr<TBitmap> MaskBitmap;
    std::string MaskDecode;
    std::vector<double> ColorKeyRanges;
    TPDFResolveEvent OnResolveObject;
    TPDFImageStreamEvent OnBeforeStream;
    TPDFImageStreamEvent OnAfterStream;
    bool OwnsColorManager = true;
    TPDFSimpleColorManager* ColorManager = nullptr;
    std::uint8_t MaskKind = kMaskNone;
    bool IsMaskDecoder = false;
    bool KeepEncoded = false;
    // Keeps the decoded bitmap of an unmasked sample image instead of turning it into a PNG
    // stream: for page writers that read the pixels themselves (EPS).
    bool KeepBitmap = false;
    std::uint8_t EncodedKind = kEncodedNone;
    double DisplayedWidth = 0;   // set by the renderer for its own use
    double DisplayedHeight = 0;
    std::unique_ptr<TMemoryStream> EncodedStream;
    std::string ICCProfile;  // applied once
    std::unique_ptr<TPDFLabColorSpace> LabSpace;
    std::unique_ptr<TPDFSeparationColorSpace> SeparationSpace;
    std::unique_ptr<TPDFDeviceNColorSpace> DeviceNSpace;
    std::array<std::array<std::uint8_t, 3>, 2> SavedPalette{};
    TColor FillColor = 0;       // set by the renderer; stencils take PaintToCanvas's colour
    std::int32_t EndPosition = 0;  // kept for Type 3 glyph code; the decoder leaves it alone

private:
    void ReadImageDictionary();
    std::string ReadColorSpace(TPDFObject* object, int depth = 0);
    void ReadMasks(TPDFDictionary& dictionary);
    std::unique_ptr<TPDFImageDecoder> DecodeNestedMask(TPDFStream& stream, TPDFIndRef* reference, bool withHooks);
    void DecodeFilters();
    std::string StreamData(TPDFStream& stream, TPDFIndRef* reference);
    void MakeEncodedStream();
    bool ColorKeyLimits(std::uint32_t& low, std::uint32_t& high);

    TPDFObject* image_ = nullptr;          // not owned
    TPDFStructure* structure_ = nullptr;   // not owned
    std::unique_ptr<TPDFSimpleColorManager> ownColorManager_;
};

// --- Filter parameters as key=value lines ------------------------------------------------------
// One line per entry of the dictionary: the key, "=", the value as PDF text (references
// resolved through resolver when given).
void ImageParametersFromDictionary(const TPDFDictionary* dictionary, const TPDFResolveEvent& resolver,
                                   TScrivletStringList& parameters);
// The integer value of key, or fallback when it is missing or not an integer.
std::int32_t ImageParameterInteger(const TScrivletStringList& parameters, std::string_view key,
                                   std::int32_t fallback);
// True only for the value "true".
bool ImageParameterFlag(const TScrivletStringList& parameters, std::string_view key);

}  // namespace parch
