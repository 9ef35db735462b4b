#include "pdf/images/ScrivletImageDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletFilters.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletImageSurface.h"
#include "pdf/images/ScrivletBitmapAccess.h"
#include "pdf/images/ScrivletBitmapSurface.h"
#include "pdf/images/ScrivletImageLimits.h"
#include "pdf/images/ScrivletPNG.h"

namespace parch {

namespace {

// References to references are followed this far.
constexpr int kMaxReferenceChain = 8;

const TPDFName* AsName(const TPDFObject* object) {
    return object && object->Kind == kPDFKindName ? static_cast<const TPDFName*>(object) : nullptr;
}

TPDFIndRef* AsReference(TPDFObject* object) {
    return object && object->Kind == kPDFKindIndRef ? static_cast<TPDFIndRef*>(object) : nullptr;
}

std::int32_t ClampedInteger(const TPDFNumeric* number, std::int32_t fallback) {
    if (!number) return fallback;
    const std::int64_t value = number->GetInteger();
    return value < INT32_MIN || value > INT32_MAX ? fallback : static_cast<std::int32_t>(value);
}

// The Decode text of a stencil read as an inverted grey image: its pairs reversed.
std::string ReversedDecode(const std::vector<double>& values) {
    const double low = values.size() >= 2 ? values[0] : 0;
    const double high = values.size() >= 2 ? values[1] : 1;
    char text[64];
    std::snprintf(text, sizeof text, "[ %.6g %.6g ]", high, low);
    return text;
}

}  // namespace

// --- Parameters --------------------------------------------------------------------------------

void ImageParametersFromDictionary(const TPDFDictionary* dictionary, const TPDFResolveEvent& resolver,
                                   TScrivletStringList& parameters) {
    parameters.Clear();
    if (!dictionary) return;
    for (int i = 0; i < dictionary->GetCount(); ++i) {
        const TPDFPair entry = dictionary->GetEntry(i);
        if (!entry.Key || !entry.Value) continue;
        TPDFObject* value = entry.Value;
        if (TPDFIndRef* reference = AsReference(value)) {
            TPDFObject* target = resolver ? resolver(reference) : reference->Resolve();
            if (target) value = target;
        }
        parameters.Add(entry.Key->NameBytes + "=" + value->ToText());
    }
}

std::int32_t ImageParameterInteger(const TScrivletStringList& parameters, std::string_view key, std::int32_t fallback) {
    if (parameters.IndexOfName(key) < 0) return fallback;
    const std::string text = TrimA(parameters.GetValue(key));
    if (text.empty() || text.size() > 11) return fallback;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || value < INT32_MIN || value > INT32_MAX) return fallback;
    return static_cast<std::int32_t>(value);
}

bool ImageParameterFlag(const TScrivletStringList& parameters, std::string_view key) {
    return TrimA(parameters.GetValue(key)) == "true";
}

// --- Life cycle --------------------------------------------------------------------------------

TPDFImageDecoder::TPDFImageDecoder()
    : Bitmap(std::make_unique<TBitmap>()), ownColorManager_(std::make_unique<TPDFSimpleColorManager>()) {
    ColorManager = ownColorManager_.get();
    GDIPlusSettings.AntiAlias = GDIPlusSettings.UseGDIPlus = GDIPlusSettings.Reserved =
        GDIPlusSettings.KeepImageQuality = 1;
}

TPDFImageDecoder::~TPDFImageDecoder() = default;

void TPDFImageDecoder::SetColorManager(TPDFSimpleColorManager* manager) {
    if (!manager) return;
    ownColorManager_.reset();
    ColorManager = manager;
    OwnsColorManager = false;
}

TPDFObject* TPDFImageDecoder::ResolveObject(TPDFObject* object) const {
    for (int step = 0; step < kMaxReferenceChain; ++step) {
        TPDFIndRef* reference = AsReference(object);
        if (!reference) return object;
        object = OnResolveObject ? OnResolveObject(reference) : reference->Resolve();
    }
    return AsReference(object) ? nullptr : object;
}

void TPDFImageDecoder::LoadFromObject(TPDFObject* object) {
    image_ = object;
    structure_ = object ? object->Structure : nullptr;
    ReadImageDictionary();
}

// --- The image dictionary ---------------------------------------------------------------------

void TPDFImageDecoder::ReadImageDictionary() {
    TPDFStream* stream = AsStream(image_);
    if (!stream || !stream->StreamDict) return;
    TPDFDictionary& dictionary = *stream->StreamDict;
    auto value = [&](std::string_view key) { return ResolveObject(dictionary.GetValue(key)); };

    Width = std::max(0, ClampedInteger(AsNumber(value("Width")), 0));
    Height = std::max(0, ClampedInteger(AsNumber(value("Height")), 0));
    if (TPDFObject* decode = value("Decode"); AsArray(decode)) Decode = decode->ToText();
    if (TPDFObject* parms = value("DecodeParms"); AsDictionary(parms))
        DecodeParms = "[ " + parms->ToText() + " ]";
    else if (AsArray(parms))
        DecodeParms = parms->ToText();
    ColorSpace = ReadColorSpace(value("ColorSpace"));
    BitsPerComponent = ClampedInteger(AsNumber(value("BitsPerComponent")), 0);

    // /ImageMask counts only as a direct boolean; an image mask may leave out its one bit.
    TPDFObject* imageMask = dictionary.GetValue("ImageMask");
    const bool stencil = imageMask && imageMask->Kind == kPDFKindBoolean &&
                         static_cast<TPDFBoolean*>(imageMask)->GetValue() && BitsPerComponent <= 1;
    if (stencil) {
        BitsPerComponent = 1;
        if (IsMaskDecoder) {
            // Read as an inverted grey image, so that the painted samples come out white.
            ColorSpace = "DeviceGray";
            Decode = ReversedDecode(DecodeValues());
        } else {
            MaskKind = kMaskStencil;
        }
    }
    if (TPDFObject* filter = value("Filter")) Filter = filter->ToText();
    Data = stream->Data;
    if (!IsMaskDecoder && MaskKind == kMaskNone) ReadMasks(dictionary);
    DecodeFilters();
}

std::string TPDFImageDecoder::StreamData(TPDFStream& stream, TPDFIndRef* reference) {
    if (reference && OnBeforeStream) OnBeforeStream(&stream, reference);
    std::string data = GetDecodedData(stream);
    if (reference && OnAfterStream) OnAfterStream(&stream, reference);
    return data;
}

std::string TPDFImageDecoder::ReadColorSpace(TPDFObject* object, int depth) {
    if (const TPDFName* name = AsName(object)) return name->NameBytes;
    TPDFArray* array = AsArray(object);
    const TPDFName* family = array ? AsName(ResolveObject(array->GetItem(0))) : nullptr;
    if (!family) return {};
    const std::string& kind = family->NameBytes;
    if (kind == "DeviceGray" || kind == "DeviceRGB" || kind == "DeviceCMYK") return kind;
    if (kind == "CalRGB") return "DeviceRGB";
    if (kind == "CalGray") return "DeviceGray";
    if (kind == "Indexed") {
        // An Indexed base may not be Indexed itself (nor reach back to its own array).
        if (depth > 0) return {};
        BaseColorSpace = ReadColorSpace(ResolveObject(array->GetItem(1)), depth + 1);
        const TPDFNumeric* high = AsNumber(ResolveObject(array->GetItem(2)));
        HiVal = high ? std::clamp<std::int64_t>(high->GetInteger(), -1, 255) : -1;
        TPDFObject* lookupItem = array->GetItem(3);
        TPDFObject* lookup = ResolveObject(lookupItem);
        if (lookup && lookup->Kind == kPDFKindString)
            Lookup = static_cast<TPDFString*>(lookup)->GetValue();
        else if (TPDFStream* lookupStream = AsStream(lookup))
            Lookup = StreamData(*lookupStream, AsReference(lookupItem));
        return "Indexed";
    }
    if (kind == "ICCBased" && array->GetCount() >= 2) {
        std::string result;
        if (TPDFStream* profile = AsStream(ResolveObject(array->GetItem(1)))) {
            ICCProfile = GetDecodedData(*profile);
            if (const TPDFName* alternate = AsName(ResolveObject(profile->StreamDict->GetValue("Alternate"))))
                result = alternate->NameBytes;
            if (result.empty()) {
                const TPDFNumeric* n = AsNumber(ResolveObject(profile->StreamDict->GetValue("N")));
                const std::int64_t components = n ? n->GetInteger() : 0;
                result = components == 1 ? "DeviceGray" : components == 3 ? "DeviceRGB" : components == 4 ? "DeviceCMYK" : "";
            }
        }
        return result;
    }
    const TPDFResolveEvent resolver = [this](TPDFIndRef* reference) { return ResolveObject(reference); };
    if (kind == "DeviceN") {
        DeviceNSpace = std::make_unique<TPDFDeviceNColorSpace>(ColorManager);
        DeviceNSpace->OnResolve = resolver;
        DeviceNSpace->LoadFromArray(array);
        return kind;
    }
    if (kind == "Lab") {
        LabSpace = std::make_unique<TPDFLabColorSpace>();
        LabSpace->OnResolve = resolver;
        LabSpace->LoadFromArray(array);
        return kind;
    }
    if (kind == "Separation") {
        SeparationSpace = std::make_unique<TPDFSeparationColorSpace>(ColorManager);
        SeparationSpace->OnResolve = resolver;
        SeparationSpace->LoadFromArray(array);
        return kind;
    }
    return {};
}

// --- Masks -------------------------------------------------------------------------------------

std::unique_ptr<TPDFImageDecoder> TPDFImageDecoder::DecodeNestedMask(TPDFStream& stream, TPDFIndRef* reference,
                                                                     bool withHooks) {
    auto nested = std::make_unique<TPDFImageDecoder>();
    nested->IsMaskDecoder = true;
    nested->SetColorManager(ColorManager);
    if (withHooks) {
        nested->OnResolveObject = OnResolveObject;
        nested->OnBeforeStream = OnBeforeStream;
        nested->OnAfterStream = OnAfterStream;
        if (reference && OnBeforeStream) OnBeforeStream(&stream, reference);
    }
    try {
        nested->LoadFromObject(&stream);
    } catch (...) {
        // A mask that cannot be decoded leaves the image unmasked.
        nested.reset();
    }
    if (withHooks && reference && OnAfterStream) OnAfterStream(&stream, reference);
    if (!nested || !nested->Bitmap || nested->Bitmap->Empty()) return nullptr;
    return nested;
}

void TPDFImageDecoder::ReadMasks(TPDFDictionary& dictionary) {
    TPDFObject* softEntry = dictionary.GetValue("SMask");
    if (TPDFStream* soft = AsStream(ResolveObject(softEntry))) {
        if (auto nested = DecodeNestedMask(*soft, AsReference(softEntry), true)) {
            MaskBitmap = std::move(nested->Bitmap);
            MaskDecode = nested->Decode;
            MaskKind = kMaskSoft;
            return;
        }
    }
    TPDFObject* mask = ResolveObject(dictionary.GetValue("Mask"));
    if (TPDFStream* explicitMask = AsStream(mask)) {
        if (auto nested = DecodeNestedMask(*explicitMask, nullptr, false)) {
            MaskBitmap = std::move(nested->Bitmap);
            MaskDecode = nested->Decode;
            MaskKind = kMaskImage;
        }
    } else if (TPDFArray* ranges = AsArray(mask)) {
        ColorKeyRanges.clear();
        for (int i = 0; i < ranges->GetCount(); ++i) {
            const TPDFNumeric* number = AsNumber(ResolveObject(ranges->GetItem(i)));
            ColorKeyRanges.push_back(number && std::isfinite(number->GetValue()) ? number->GetValue() : 0);
        }
        MaskKind = kMaskColorKey;
    }
}

// --- Filters -----------------------------------------------------------------------------------

void TPDFImageDecoder::DecodeFilters() {
    enum class Codec { None, DCT, CCITT, JBIG2, JPX } codec = Codec::None;
    TPDFStructure scratch;
    if (structure_) scratch.OnIndirectLookup = structure_->OnIndirectLookup;
    std::string filterText = Filter;
    if (filterText.find('[') == std::string::npos) filterText = "[ " + TrimA(filterText) + " ]";
    TPDFArray* filters = AsArray(ParseObject(scratch, filterText));
    TPDFArray* parms = AsArray(ParseObject(scratch, DecodeParms));

    const TPDFResolveEvent resolver = [this](TPDFIndRef* reference) { return ResolveObject(reference); };
    TScrivletStringList codecParameters;
    TPDFIndRef* globals = nullptr;
    for (int i = 0; filters && i < filters->GetCount(); ++i) {
        const TPDFName* name = AsName(filters->GetItem(i));
        if (!name) continue;
        TPDFObject* parmItem = parms ? parms->GetItem(i) : nullptr;
        TPDFDictionary* parmDictionary = AsDictionary(ResolveObject(parmItem));
        TScrivletStringList parameters;
        ImageParametersFromDictionary(parmDictionary, resolver, parameters);
        const std::string& filter = name->NameBytes;
        auto predictor = [&](std::int32_t fallback) {
            TPDFPredictorParms p;
            p.Predictor = ImageParameterInteger(parameters, "Predictor", fallback);
            p.Colors = ImageParameterInteger(parameters, "Colors", 1);
            p.BitsPerComponent = ImageParameterInteger(parameters, "BitsPerComponent", 8);
            p.Columns = ImageParameterInteger(parameters, "Columns", 1);
            return p;
        };
        if (filter == "LZWDecode" || filter == "LZW") {
            TPDFLZWDecompressor lzw;
            lzw.EarlyChange = ImageParameterInteger(parameters, "EarlyChange", 1) == 1;
            const TPDFLZWParms p = predictor(0);
            Data = p.Predictor < 1 ? lzw.Decompress(Data) : lzw.DecompressWithParms(Data, p);
        } else if (filter == "RunLengthDecode" || filter == "RL") {
            Data = RunLengthDecodeStr(Data);
        } else if (filter == "FlateDecode" || filter == "Fl") {
            Data = parameters.GetCount() == 0 ? FlateDecompressStr(Data) : FlateDecodePredicted(Data, predictor(1));
        } else if (filter == "ASCIIHexDecode" || filter == "AHx") {
            const std::size_t end = Data.find('>');
            Data = HexStringToBytes("<" + Data.substr(0, end) + ">");
        } else if (filter == "ASCII85Decode" || filter == "A85") {
            if (Data.find("~>") == std::string::npos) Data += "~>";
            Data = ASCII85DecodeStr(Data);
        } else if (filter == "DCTDecode" || filter == "DCT" || filter == "JPEGDecode") {
            codec = Codec::DCT;
            codecParameters.Clear();
            codecParameters.AddStrings(parameters);
        } else if (filter == "CCITTFaxDecode" || filter == "CCF") {
            codec = Codec::CCITT;
            codecParameters.Clear();
            codecParameters.AddStrings(parameters);
        } else if (filter == "JBIG2Decode") {
            codec = Codec::JBIG2;
            globals = parmDictionary ? AsReference(parmDictionary->GetValue("JBIG2Globals")) : nullptr;
        } else if (filter == "JPXDecode") {
            codec = Codec::JPX;
            codecParameters.Clear();
            codecParameters.AddStrings(parameters);
        }
    }
    switch (codec) {
    case Codec::None: DecodeSamples(); break;
    case Codec::DCT: DecodeDCT(); break;
    case Codec::CCITT: DecodeCCITT(codecParameters); break;
    case Codec::JPX: DecodeJPX(); break;
    case Codec::JBIG2: DecodeJBIG2(globals); break;
    }
}

// --- Decode arrays -----------------------------------------------------------------------------

std::vector<double> TPDFImageDecoder::DecodeValues() const {
    std::vector<double> values;
    std::string_view text = Decode;
    const std::size_t open = text.find('[');
    const std::size_t close = text.rfind(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
    std::string inner(text.substr(open + 1, close - open - 1));
    const char* p = inner.c_str();
    while (*p) {
        while (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t') ++p;
        if (!*p) break;
        char* end = nullptr;
        const double value = std::strtod(p, &end);
        if (end == p || !std::isfinite(value)) return {};
        values.push_back(value);
        p = end;
    }
    return values.size() % 2 == 0 ? values : std::vector<double>{};
}

bool TPDFImageDecoder::DecodeInverts() const {
    const std::vector<double> values = DecodeValues();
    return values.size() >= 2 && values[0] > values[1];
}

// --- Results -----------------------------------------------------------------------------------

std::int64_t TPDFImageDecoder::GetDataSize() const {
    auto pixelBytes = [](const std::unique_ptr<TBitmap>& bitmap) -> std::int64_t {
        if (!bitmap || bitmap->Empty()) return 0;
        const TPixelFormat format = bitmap->PixelFormat();
        const int bits = format == pf1bit ? 1 : format == pf4bit ? 4 : format == pf8bit ? 8 : format == pf32bit ? 32 : 24;
        return (static_cast<std::int64_t>(bitmap->Width()) * bits + 31) / 32 * 4 * bitmap->Height();
    };
    const std::int64_t held = EncodedStream ? EncodedStream->GetSize() : static_cast<std::int64_t>(Data.size());
    return held + pixelBytes(Bitmap) + pixelBytes(MaskBitmap);
}

std::string TPDFImageDecoder::GetImageData() {
    if (EncodedStream) return EncodedStream->Bytes();
    if (!Bitmap || Bitmap->Empty()) return {};
    TMemoryStream stream;
    Bitmap->SaveToStream(stream);
    return stream.Bytes();
}

void TPDFImageDecoder::EncodeBitmapAsPNG() {
    if (!Bitmap || Bitmap->Empty()) return;
    auto stream = std::make_unique<TMemoryStream>();
    TPNGWriter(*Bitmap).SaveToStream(*stream);
    EncodedStream = std::move(stream);
    Bitmap.reset();
    EncodedKind = kEncodedPNG;
}

void TPDFImageDecoder::MakeEncodedStream() {
    auto stream = std::make_unique<TMemoryStream>();
    if (MaskBitmap && !MaskBitmap->Empty() && (MaskKind == kMaskImage || MaskKind == kMaskSoft)) {
        const int width = std::max(Bitmap->Width(), MaskBitmap->Width());
        const int height = std::max(Bitmap->Height(), MaskBitmap->Height());
        if (Bitmap->Width() != width || Bitmap->Height() != height) Bitmap = ScaledBitmap(*Bitmap, width, height);
        if (MaskBitmap->Width() != width || MaskBitmap->Height() != height)
            MaskBitmap = ScaledBitmap(*MaskBitmap, width, height);
        TPNGWriter writer(*Bitmap);
        writer.SetAlphaMask(MaskBitmap.get(), !MaskDecode.empty() && MaskDecode.rfind("[ 1 0", 0) == 0);
        writer.SaveToStream(*stream);
    } else {
        Bitmap->SaveToStream(*stream);
    }
    EncodedStream = std::move(stream);
}

// --- Painting ----------------------------------------------------------------------------------

bool TPDFImageDecoder::ColorKeyLimits(std::uint32_t& low, std::uint32_t& high) {
    low = high = 0;
    const std::int64_t maximum = BitsPerComponent >= 1 && BitsPerComponent <= 16 ? (std::int64_t{1} << BitsPerComponent) - 1 : 255;
    auto toByte = [&](double sample) {
        const double clamped = std::clamp(sample, 0.0, static_cast<double>(maximum));
        return static_cast<std::uint32_t>(std::lround(clamped * 255.0 / static_cast<double>(maximum)));
    };
    const std::vector<double>& r = ColorKeyRanges;
    if (ColorSpace == "DeviceGray" && r.size() == 2) {
        const std::uint32_t g0 = toByte(std::min(r[0], r[1])), g1 = toByte(std::max(r[0], r[1]));
        low = (g0 << 16) | (g0 << 8) | g0;
        high = (g1 << 16) | (g1 << 8) | g1;
        return true;
    }
    if (ColorSpace == "DeviceRGB" && r.size() == 6) {
        for (int k = 0; k < 3; ++k) {
            low |= toByte(std::min(r[2 * k], r[2 * k + 1])) << (16 - 8 * k);
            high |= toByte(std::max(r[2 * k], r[2 * k + 1])) << (16 - 8 * k);
        }
        return true;
    }
    if (ColorSpace == "DeviceCMYK" && r.size() == 8) {
        const std::vector<double> decode = DecodeValues();
        auto cmykAt = [&](int end) {
            double v[4];
            for (int k = 0; k < 4; ++k) {
                double t = toByte(r[2 * k + end]) / 255.0;
                if (decode.size() == 8) t = decode[2 * k] + t * (decode[2 * k + 1] - decode[2 * k]);
                v[k] = std::clamp(t, 0.0, 1.0);
            }
            TPDFRGBValue rgb;
            ColorManager->CMYKToRGB(TPDFCMYKValue{v[0], v[1], v[2], v[3]}, rgb);
            return rgb;
        };
        const TPDFRGBValue a = cmykAt(0), b = cmykAt(1);
        const double lows[3] = {std::min(a.R, b.R), std::min(a.G, b.G), std::min(a.B, b.B)};
        const double highs[3] = {std::max(a.R, b.R), std::max(a.G, b.G), std::max(a.B, b.B)};
        for (int k = 0; k < 3; ++k) {
            low |= static_cast<std::uint32_t>(std::lround(std::clamp(lows[k], 0.0, 1.0) * 255)) << (16 - 8 * k);
            high |= static_cast<std::uint32_t>(std::lround(std::clamp(highs[k], 0.0, 1.0) * 255)) << (16 - 8 * k);
        }
        return true;
    }
    return false;
}

void TPDFImageDecoder::PaintToCanvas(TPDFImageSurface& canvas, const TPDFMatrix& matrix, TColor fillColor) {
    if (!Drawable || !canvas.CanDrawImages()) return;
    try {
        const TPDFPoint upperLeft = MatrixTransformPoint(matrix, {0, 1});
        const TPDFPoint upperRight = MatrixTransformPoint(matrix, {1, 1});
        const TPDFPoint lowerLeft = MatrixTransformPoint(matrix, {0, 0});
        if (!EncodedStream) {
            if (!Bitmap || Bitmap->Empty()) return;
            MakeEncodedStream();
        }
        EncodedStream->Seek(0, TSeekOrigin::soBeginning);
        std::uint32_t low = 0, high = 0;
        if (MaskKind == kMaskColorKey && ColorKeyLimits(low, high)) {
            canvas.DrawImageStreamColorKey(*EncodedStream, Width, upperLeft.X, upperLeft.Y, upperRight.X, upperRight.Y,
                                           lowerLeft.X, lowerLeft.Y, Height, low, high);
        } else if (MaskKind == kMaskStencil) {
            PatchPNGPalette(*EncodedStream, "SetTrans", fillColor);
            EncodedStream->Seek(0, TSeekOrigin::soBeginning);
            canvas.DrawImageStreamPoints(*EncodedStream, upperLeft.X, upperLeft.Y, upperRight.X, upperRight.Y,
                                         lowerLeft.X, lowerLeft.Y);
            PatchPNGPalette(*EncodedStream, "Reset", fillColor);
        } else {
            canvas.DrawImageStreamPoints(*EncodedStream, upperLeft.X, upperLeft.Y, upperRight.X, upperRight.Y,
                                         lowerLeft.X, lowerLeft.Y);
        }
    } catch (...) {
        // A failed image leaves the page as it was.
    }
}

// --- Palette patches ---------------------------------------------------------------------------

void TPDFImageDecoder::PatchPNGPalette(TMemoryStream& stream, std::string_view operation, TColor color) {
    stream.Seek(0, TSeekOrigin::soBeginning);
    TPNGReader reader;
    reader.ChunksOnly = true;
    reader.LoadFromStream(stream);
    if (reader.PalettePosition <= 0 || reader.PaletteCount != 2 || reader.Palette.size() != 6) return;
    std::string bytes = stream.Bytes();
    const auto at = static_cast<std::size_t>(reader.PalettePosition);
    std::array<std::array<std::uint8_t, 3>, 2> entries{};
    for (int e = 0; e < 2; ++e)
        for (int k = 0; k < 3; ++k) entries[e][k] = static_cast<std::uint8_t>(bytes[at + 3 * e + k]);

    std::string transparency;
    if (operation == "Reset") {
        entries = SavedPalette;
    } else if (operation == "Swap") {
        std::swap(entries[0], entries[1]);
        SavedPalette = entries;
    } else if (operation == "SetTrans") {
        SavedPalette = entries;
        const std::array<std::uint8_t, 3> fill = {static_cast<std::uint8_t>(color & 0xFF),
                                                  static_cast<std::uint8_t>((color >> 8) & 0xFF),
                                                  static_cast<std::uint8_t>((color >> 16) & 0xFF)};
        const bool firstIsBlack = entries[0] == std::array<std::uint8_t, 3>{0, 0, 0};
        if (!firstIsBlack) {
            entries[0] = fill;
            transparency = std::string("\xFF\x00", 2);
        } else {
            entries[1] = fill;
            transparency = std::string("\x00\xFF", 2);
        }
    } else {
        return;
    }
    for (int e = 0; e < 2; ++e)
        for (int k = 0; k < 3; ++k) bytes[at + 3 * e + k] = static_cast<char>(entries[e][k]);
    // The palette's CRC follows its six bytes and covers the type and the data.
    const std::uint32_t crc = PNGChunkCRC(reinterpret_cast<const std::uint8_t*>(bytes.data() + at - 4), 10);
    for (int i = 0; i < 4; ++i) bytes[at + 6 + i] = static_cast<char>(crc >> (24 - 8 * i));

    if (!transparency.empty()) {
        std::string chunk("\x00\x00\x00\x02tRNS", 8);
        chunk += transparency;
        const std::uint32_t chunkCRC = PNGChunkCRC(reinterpret_cast<const std::uint8_t*>(chunk.data() + 4), 6);
        for (int i = 0; i < 4; ++i) chunk.push_back(static_cast<char>(chunkCRC >> (24 - 8 * i)));
        if (reader.TransparencyPosition > 0) {
            const auto t = static_cast<std::size_t>(reader.TransparencyPosition);
            const std::size_t length = 12 + static_cast<std::size_t>(reader.Transparency.size());
            bytes.replace(t, length, chunk);
        } else if (reader.ImageDataPosition > 0) {
            bytes.insert(static_cast<std::size_t>(reader.ImageDataPosition), chunk);
        }
    }
    stream.Clear();
    stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.Seek(0, TSeekOrigin::soBeginning);
}

}  // namespace parch
