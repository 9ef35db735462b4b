#include "pdf/images/ScrivletEPS.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "base/NumberText.h"
#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletFilters.h"
#include "pdf/images/ScrivletDither.h"
#include "pdf/images/ScrivletImageLimits.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/PngFile.h"

namespace parch {

namespace {

const char* const kEpsProlog[] = {
    "/c { curveto } def", "/cm { concat } def", "/cp { currentpoint } def", "/f { fill } def",
    "/f* { eofill } def", "/h { closepath } def", "/j { setlinejoin } def", "/J { setlinecap } def",
    "/l { lineto } def", "/m { moveto } def", "/M { setmiterlimit } def", "/n { newpath } def",
    "/q { gsave } def", "/Q { grestore } def", "/s { stroke } def", "/w { setlinewidth } def",
    "/W { clip } def", "/W* { eoclip } def",
    // Custom colours as CMYK scaled by the tint, for interpreters without them.
    "/findcmykcustomcolor where { pop } { /findcmykcustomcolor { 5 array astore } def } ifelse",
    ("/setcustomcolor where { pop } { /setcustomcolor { exch aload pop pop 4 { 4 index mul 4 1 roll } repeat "
     "setcmykcolor pop } def } ifelse"),
};

std::string EpsNumber(double value) { return FloatToPDFStr(4, value) + " "; }
std::string EpsInteger(std::int64_t value) { return std::to_string(value) + " "; }

// Characters PostScript reads as part of a name and that no escape below produces alone.
bool EpsNameCharacter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
}

// Every other byte becomes "_" and two upper-case hexadecimal digits, which keeps distinct
// names distinct.
std::string EpsSafeName(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string safe;
    for (const unsigned char c : name) {
        if (EpsNameCharacter(c)) {
            safe += static_cast<char>(c);
        } else {
            safe += '_';
            safe += kHex[c >> 4];
            safe += kHex[c & 15];
        }
    }
    return safe;
}

bool EpsLight(int red, int green, int blue) { return 77 * red + 150 * green + 29 * blue > TMonochromeLookup::kThreshold; }

}  // namespace

// An image's colours as red, green, blue bytes, rows top to bottom without padding.
struct TPDFEPSExport::Pixels {
    int Width = 0;
    int Height = 0;
    std::string Rgb;

    bool Empty() const { return Width <= 0 || Height <= 0; }

    static Pixels FromBitmap(TBitmap& bitmap) {
        Pixels result;
        const GdiBitmap* bits = ResolveHandle(bitmap.Handle());
        if (bits == nullptr || !ImageSizeFits(bits->Width(), bits->Height())) return result;
        const int width = bits->Width();
        const int height = bits->Height();
        const int depth = bits->BitsPerPixel();
        if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) return result;
        const std::vector<RGBQUAD>& table = bits->ColorTable();
        result.Rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        for (int y = 0; y < height; ++y) {
            const BYTE* row = bits->Row(y);
            for (int x = 0; x < width; ++x) {
                RGBQUAD colour{0, 0, 0, 0};
                if (depth <= 8) {
                    const int perByte = 8 / depth;
                    const int shift = 8 - depth * (x % perByte + 1);
                    const unsigned index = (row[x / perByte] >> shift) & ((1u << depth) - 1u);
                    if (index < table.size()) colour = table[index];
                } else {
                    const BYTE* pixel = row + static_cast<std::ptrdiff_t>(x) * (depth / 8);
                    colour = RGBQUAD{pixel[0], pixel[1], pixel[2], 0};
                }
                result.Rgb += static_cast<char>(colour.rgbRed);
                result.Rgb += static_cast<char>(colour.rgbGreen);
                result.Rgb += static_cast<char>(colour.rgbBlue);
            }
        }
        result.Width = width;
        result.Height = height;
        return result;
    }

    // A PNG or BMP file; anything else gives no pixels.
    static Pixels FromEncoded(std::string_view encoded) {
        if (encoded.empty()) return {};
        const auto* data = reinterpret_cast<const BYTE*>(encoded.data());
        if (IsPngData(data, encoded.size())) {
            DecodedPixels decoded;
            std::string error;
            if (!DecodePng(data, encoded.size(), decoded, error) || !ImageSizeFits(decoded.width, decoded.height)) return {};
            Pixels result;
            result.Rgb.reserve(decoded.pixels.size() * 3);
            for (const std::uint32_t pixel : decoded.pixels) {
                result.Rgb += static_cast<char>((pixel >> 16) & 0xFF);
                result.Rgb += static_cast<char>((pixel >> 8) & 0xFF);
                result.Rgb += static_cast<char>(pixel & 0xFF);
            }
            result.Width = decoded.width;
            result.Height = decoded.height;
            return result;
        }
        if (encoded.size() >= 2 && encoded.substr(0, 2) == "BM") {
            try {
                TStringStream stream{std::string(encoded)};
                TBitmap bitmap;
                bitmap.LoadFromStream(stream);
                return FromBitmap(bitmap);
            } catch (const Exception&) {
                return {};
            }
        }
        return {};
    }

    // One bit per pixel, rows padded to whole bytes: 1 where the pixel is light.
    std::string LightBits() const {
        const std::size_t rowBytes = (static_cast<std::size_t>(Width) + 7) / 8;
        std::string bitsOut(rowBytes * static_cast<std::size_t>(Height), '\0');
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)) * 3;
                const auto r = static_cast<unsigned char>(Rgb[at]), g = static_cast<unsigned char>(Rgb[at + 1]),
                           b = static_cast<unsigned char>(Rgb[at + 2]);
                if (EpsLight(r, g, b))
                    bitsOut[static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
            }
        return bitsOut;
    }
};

// ---- Lines ----

void TPDFEPSExport::WriteLine(std::string line) {
    if (!line.empty() && line.back() == ' ') line.pop_back();
    lines_.Add(line);
}

void TPDFEPSExport::WriteOperator(std::initializer_list<double> numbers, std::string_view op) {
    std::string line;
    for (const double value : numbers) line += EpsNumber(value);
    line += op;
    WriteLine(std::move(line));
}

void TPDFEPSExport::SaveToStream(TStream& stream) const { lines_.SaveToStream(stream); }

// ---- Document ----

void TPDFEPSExport::BeginDocument(double x1, double y1, double x2, double y2) {
    lines_.Clear();
    imageNames_.clear();
    customColors_.clear();
    colorStack_.clear();
    lastColor_.clear();
    anonymousImages_ = 0;
    WriteLine("%!PS-Adobe-3.0 EPSF-3.0");
    WriteLine("%%BoundingBox: " + EpsInteger(static_cast<std::int64_t>(std::floor(x1))) +
              EpsInteger(static_cast<std::int64_t>(std::floor(y1))) + EpsInteger(static_cast<std::int64_t>(std::ceil(x2))) +
              EpsInteger(static_cast<std::int64_t>(std::ceil(y2))));
    WriteLine("%%HiResBoundingBox: " + EpsNumber(x1) + EpsNumber(y1) + EpsNumber(x2) + EpsNumber(y2));
    WriteLine("%%Creator: (Scrivlet Library DVer)");
    WriteLine("%%DocumentProcessColors: (Cyan) (Magenta) (Yellow) (Black)");
    WriteLine("%%EndComments");
    WriteLine("%%ScrivletLibrary-Start");
    for (const char* line : kEpsProlog) WriteLine(line);
    WriteLine("%%ScrivletLibrary-End");
}

void TPDFEPSExport::EndDocument() {
    const int endComments = lines_.IndexOf("%%EndComments");
    if (endComments >= 0) {
        int at = endComments;
        const auto upTo = [](const std::string& text, std::size_t from) {
            const std::size_t close = text.find(')', from);
            return close == std::string::npos ? std::string() : text.substr(from, close + 1 - from);
        };
        for (std::size_t i = 0; i < customColors_.size(); ++i) {
            const std::size_t open = customColors_[i].find('(');
            const std::string name = open == std::string::npos ? std::string() : upTo(customColors_[i], open);
            lines_.Insert(at++, (i == 0 ? "%%DocumentCustomColors: " : "%%+ ") + name);
        }
        for (std::size_t i = 0; i < customColors_.size(); ++i)
            lines_.Insert(at++, (i == 0 ? "%%CMYKCustomColor: " : "%%+ ") + upTo(customColors_[i], 0));
    }
    WriteLine("%%EOF");
}

// ---- Paths ----

void TPDFEPSExport::NewPath() { WriteLine("n"); }

void TPDFEPSExport::MoveTo(double x, double y) {
    WriteOperator({x, y}, "m");
    currentX_ = x;
    currentY_ = y;
}

void TPDFEPSExport::LineTo(double x, double y) {
    WriteOperator({x, y}, "l");
    currentX_ = x;
    currentY_ = y;
}

void TPDFEPSExport::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    WriteOperator({x1, y1, x2, y2, x3, y3}, "c");
    currentX_ = x3;
    currentY_ = y3;
}

void TPDFEPSExport::QuadCurveTo(double x1, double y1, double x2, double y2) {
    const double c1x = currentX_ + (x1 - currentX_) * 2 / 3;
    const double c1y = currentY_ + (y1 - currentY_) * 2 / 3;
    const double c2x = x1 + (x2 - x1) / 3;
    const double c2y = y1 + (y2 - y1) / 3;
    CurveTo(c1x, c1y, c2x, c2y, x2, y2);
}

void TPDFEPSExport::CurveToV(double x2, double y2, double x3, double y3) {
    WriteLine("cp " + EpsNumber(x2) + EpsNumber(y2) + EpsNumber(x3) + EpsNumber(y3) + "c");
    currentX_ = x3;
    currentY_ = y3;
}

void TPDFEPSExport::CurveToY(double x1, double y1, double x3, double y3) {
    WriteOperator({x1, y1, x3, y3, x3, y3}, "c");
    currentX_ = x3;
    currentY_ = y3;
}

void TPDFEPSExport::ClosePath() { WriteLine("h"); }
void TPDFEPSExport::Stroke() { WriteLine("s"); }
void TPDFEPSExport::Fill() { WriteLine("f"); }
void TPDFEPSExport::Fill(bool evenOdd) { WriteLine(evenOdd ? "f*" : "f"); }
void TPDFEPSExport::Clip(bool evenOdd) { WriteLine(evenOdd ? "W*" : "W"); }

void TPDFEPSExport::FillAndStroke() {
    WriteLine("q");
    WriteLine("f");
    WriteLine("Q");
    WriteLine("s");
}

// ---- State ----

void TPDFEPSExport::SaveState() {
    WriteLine("q");
    colorStack_.push_back(lastColor_);
}

void TPDFEPSExport::RestoreState() {
    WriteLine("Q");
    if (colorStack_.empty()) return;
    lastColor_ = colorStack_.back();
    colorStack_.pop_back();
}

void TPDFEPSExport::ConcatMatrix(double a, double b, double c, double d, double e, double f) {
    WriteLine("[ " + EpsNumber(a) + EpsNumber(b) + EpsNumber(c) + EpsNumber(d) + EpsNumber(e) + EpsNumber(f) + "] cm");
}

void TPDFEPSExport::SetLineWidth(double width) { WriteOperator({width}, "w"); }
void TPDFEPSExport::SetLineCap(int cap) { WriteLine(EpsInteger(cap) + "J"); }
void TPDFEPSExport::SetLineJoin(int join) { WriteLine(EpsInteger(join) + "j"); }
void TPDFEPSExport::SetMiterLimit(double limit) { WriteOperator({limit}, "M"); }

void TPDFEPSExport::SetColor(const std::string& postScript) {
    if (postScript.find("findcmykcustomcolor") != std::string::npos &&
        std::find(customColors_.begin(), customColors_.end(), postScript) == customColors_.end())
        customColors_.push_back(postScript);
    if (postScript == lastColor_) return;
    WriteLine(postScript);
    lastColor_ = postScript;
}

// ---- Images ----

std::string TPDFEPSExport::ImageNameFor(const std::string& name) {
    // "_I" never results from the escapes of EpsSafeName, so these cannot meet a given name.
    if (name.empty()) return "_Image" + std::to_string(++anonymousImages_);
    return EpsSafeName(name);
}

void TPDFEPSExport::WriteDataStream(const std::string& encoded, const std::string& streamName) {
    WriteLine("currentfile /ASCII85Decode filter /FlateDecode filter");
    WriteLine("/ReusableStreamDecode filter");
    WriteLine(encoded);
    WriteLine("/" + streamName + " exch def");
}

void TPDFEPSExport::WriteImageDictionary(const std::string& dictionaryName, const std::string& streamName, int width,
                                         int height, int bitsPerComponent, std::string_view decode) {
    WriteLine("/" + dictionaryName + " 8 dict def");
    WriteLine(dictionaryName + " begin");
    WriteLine("/ImageType 1 def");
    WriteLine("/Width " + std::to_string(width) + " def");
    WriteLine("/Height " + std::to_string(height) + " def");
    WriteLine("/BitsPerComponent " + std::to_string(bitsPerComponent) + " def");
    WriteLine("/DataSource " + streamName + " def");
    WriteLine("/MultipleDataSources false def");
    WriteLine("/ImageMatrix [ " + EpsInteger(width) + "0 0 " + EpsInteger(-static_cast<std::int64_t>(height)) + "0 " +
              EpsInteger(height) + "] def");
    WriteLine("/Decode " + std::string(decode) + " def");
    WriteLine("end");
}

namespace {

// The mask at twice its size, dithered to black and white and packed to one bit per pixel
// (1 for opaque, as the dithered white converts). Empty when the doubled mask is too large.
std::string EpsDitheredMaskBits(const std::string& rgb, int width, int height, int& maskWidth, int& maskHeight) {
    maskWidth = 2 * width;
    maskHeight = 2 * height;
    if (!ImageSizeFits(maskWidth, maskHeight)) return {};
    TBitmap doubled(maskWidth, maskHeight, pf24bit);
    for (int y = 0; y < maskHeight; ++y) {
        BYTE* out = doubled.ScanLine(y);
        const char* in = rgb.data() + static_cast<std::size_t>(y / 2) * static_cast<std::size_t>(width) * 3;
        for (int x = 0; x < maskWidth; ++x, out += 3) {
            const char* pixel = in + static_cast<std::size_t>(x / 2) * 3;
            out[0] = static_cast<BYTE>(pixel[2]);
            out[1] = static_cast<BYTE>(pixel[1]);
            out[2] = static_cast<BYTE>(pixel[0]);
        }
    }
    TBitmap dithered;
    DitherToMonochrome(doubled, dithered);
    dithered.SetPixelFormat(pf1bit);
    const std::size_t rowBytes = (static_cast<std::size_t>(maskWidth) + 7) / 8;
    std::string bits;
    bits.reserve(rowBytes * static_cast<std::size_t>(maskHeight));
    for (int y = 0; y < maskHeight; ++y) bits.append(reinterpret_cast<const char*>(dithered.ScanLine(y)), rowBytes);
    return bits;
}

std::string EpsEncode(std::string_view data) {
    const std::string compressed = FlateCompressStr(data);
    return compressed.empty() ? std::string() : ASCII85EncodeStr(compressed);
}

}  // namespace

bool TPDFEPSExport::DefineImage(const TPDFEPSImage& image, const std::string& name, ImageKind& kind) {
    const bool haveBitmap = image.Bitmap != nullptr && !image.Bitmap->Empty();
    const Pixels pixels = haveBitmap ? Pixels::FromBitmap(*image.Bitmap) : Pixels::FromEncoded(image.Encoded);
    if (pixels.Empty()) return false;

    if (image.Stencil) {
        const std::string data = EpsEncode(pixels.LightBits());
        if (data.empty()) return false;
        kind = ImageKind::Stencil;
        WriteDataStream(data, "datastreamfor" + name);
        WriteImageDictionary("StencilDictionaryfor" + name, "datastreamfor" + name, pixels.Width, pixels.Height, 1,
                             "[ 1 0 ]");
        return true;
    }

    std::string maskData;
    int maskWidth = 0, maskHeight = 0;
    if (image.Mask != nullptr && !image.Mask->Empty()) {
        const Pixels mask = Pixels::FromBitmap(*image.Mask);
        if (!mask.Empty()) {
            maskData = EpsEncode(EpsDitheredMaskBits(mask.Rgb, mask.Width, mask.Height, maskWidth, maskHeight));
            if (maskData.empty()) return false;
        }
    }
    const std::string imageData = EpsEncode(pixels.Rgb);
    if (imageData.empty()) return false;

    kind = maskData.empty() ? ImageKind::Plain : ImageKind::Masked;
    if (kind == ImageKind::Masked) WriteDataStream(maskData, "maskstreamfor" + name);
    WriteDataStream(imageData, "datastreamfor" + name);
    WriteImageDictionary("ImageDataDictionaryfor" + name, "datastreamfor" + name, pixels.Width, pixels.Height, 8,
                         "[ 0 1 0 1 0 1 ]");
    if (kind == ImageKind::Masked) {
        WriteImageDictionary("ImageMaskDictionaryfor" + name, "maskstreamfor" + name, maskWidth, maskHeight, 1, "[ 1 0 ]");
        WriteLine("/MaskedImageDictionaryfor" + name + " 7 dict def");
        WriteLine("MaskedImageDictionaryfor" + name + " begin");
        WriteLine("/ImageType 3 def");
        WriteLine("/InterleaveType 3 def");
        WriteLine("/MaskDict ImageMaskDictionaryfor" + name + " def");
        WriteLine("/DataDict ImageDataDictionaryfor" + name + " def");
        WriteLine("end");
    }
    return true;
}

// Colour images are drawn in their own saved state: the colour space they need replaces the
// current colour, which the page's next fill may still count on, and a later drawing of the
// same image may come while another colour space is current.
void TPDFEPSExport::DrawDefinedImage(const std::string& name, ImageKind kind) {
    switch (kind) {
    case ImageKind::Masked:
        WriteLine("q");
        WriteLine("/DeviceRGB setcolorspace");
        WriteLine("maskstreamfor" + name + " resetfile");
        WriteLine("datastreamfor" + name + " resetfile");
        WriteLine("MaskedImageDictionaryfor" + name + " image");
        WriteLine("Q");
        break;
    case ImageKind::Plain:
        WriteLine("q");
        WriteLine("/DeviceRGB setcolorspace");
        WriteLine("datastreamfor" + name + " resetfile");
        WriteLine("ImageDataDictionaryfor" + name + " image");
        WriteLine("Q");
        break;
    case ImageKind::Stencil:
        WriteLine("datastreamfor" + name + " resetfile");
        WriteLine("StencilDictionaryfor" + name + " imagemask");
        break;
    }
}

void TPDFEPSExport::PaintImage(const TPDFEPSImage& image, const std::string& name) {
    const std::string safeName = ImageNameFor(name);
    auto defined = imageNames_.find(safeName);
    if (defined == imageNames_.end()) {
        ImageKind kind = ImageKind::Plain;
        if (!DefineImage(image, safeName, kind)) return;
        defined = imageNames_.emplace(safeName, kind).first;
    }
    DrawDefinedImage(safeName, defined->second);
}

}  // namespace parch
