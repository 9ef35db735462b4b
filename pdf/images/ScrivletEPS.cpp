#include "pdf/images/ScrivletEPS.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "base/NumberText.h"
#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletFilters.h"
#include "pdf/images/ScrivletDither.h"
#include "pdf/images/ScrivletImageLimits.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/PngFile.h"

#include <zlib.h>

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

// A number at four decimals followed by a blank, as FloatToPDFStr(4, value) writes it. Path
// coordinates make up most of a page, so the usual case is done in integers: the value in ten
// thousandths, unless it lies so near a half that rounding it to 15 digits first (as the
// general routine does) could tip it, or is too large for that reasoning.
std::string EpsNumber(double value) {
    const double scaled = std::fabs(value) * 10000;
    const double whole = std::floor(scaled);
    if (!(scaled < 1e13) || std::fabs(scaled - whole - 0.5) < 0.01) return FloatToPDFStr(4, value) + " ";
    const auto units = static_cast<std::uint64_t>(whole) + (scaled - whole > 0.5 ? 1 : 0);
    if (units == 0) return "0 ";
    char text[32];
    char* end = text + sizeof text;
    char* put = end;
    *--put = ' ';
    std::uint64_t fraction = units % 10000;
    if (fraction != 0) {
        int places = 4;
        while (fraction % 10 == 0) fraction /= 10, --places;
        for (; places > 0; --places, fraction /= 10) *--put = static_cast<char>('0' + fraction % 10);
        *--put = '.';
    }
    std::uint64_t integer = units / 10000;
    do {
        *--put = static_cast<char>('0' + integer % 10);
        integer /= 10;
    } while (integer != 0);
    if (value < 0) *--put = '-';
    return std::string(put, end);
}
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
        result.Rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        char* out = result.Rgb.data();
        for (int y = 0; y < height; ++y, out += static_cast<std::ptrdiff_t>(width) * 3) {
            if (depth >= 24)
                CopyDirectRow(bits->Row(y), width, depth / 8, out);
            else
                CopyPaletteRow(bits->Row(y), width, depth, bits->ColorTable(), out);
        }
        result.Width = width;
        result.Height = height;
        return result;
    }

    // Blue, green, red (and a fourth byte) per pixel to red, green, blue.
    static void CopyDirectRow(const BYTE* row, int width, int bytesPerPixel, char* out) {
        for (int x = 0; x < width; ++x, row += bytesPerPixel, out += 3) {
            out[0] = static_cast<char>(row[2]);
            out[1] = static_cast<char>(row[1]);
            out[2] = static_cast<char>(row[0]);
        }
    }

    // Indices of 1, 4 or 8 bits through the colour table; an index past its end is black.
    static void CopyPaletteRow(const BYTE* row, int width, int depth, const std::vector<RGBQUAD>& table, char* out) {
        const int perByte = 8 / depth;
        const unsigned mask = (1u << depth) - 1u;
        for (int x = 0; x < width; ++x, out += 3) {
            const int shift = 8 - depth * (x % perByte + 1);
            const unsigned index = (row[x / perByte] >> shift) & mask;
            const RGBQUAD colour = index < table.size() ? table[index] : RGBQUAD{0, 0, 0, 0};
            out[0] = static_cast<char>(colour.rgbRed);
            out[1] = static_cast<char>(colour.rgbGreen);
            out[2] = static_cast<char>(colour.rgbBlue);
        }
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

// Line by line into the stream: a page of images is megabytes of text, which is not worth
// joining into one more string first.
void TPDFEPSExport::SaveToStream(TStream& stream) const {
    for (int i = 0; i < lines_.GetCount(); ++i) {
        const std::string& line = lines_.Get(i);
        stream.WriteBuffer(line.data(), static_cast<std::int64_t>(line.size()));
        stream.WriteBuffer("\r\n", 2);
    }
}

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

void TPDFEPSExport::WriteDataStream(std::string encoded, const std::string& streamName) {
    WriteLine("currentfile /ASCII85Decode filter /FlateDecode filter");
    WriteLine("/ReusableStreamDecode filter");
    WriteLine(std::move(encoded));
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

}  // namespace

// Image data is written once and read once by the printer, so the writing must be quick: the
// fastest level with runs only (repeated bytes, as in flat areas) compresses photographs as well
// as the fastest full search does in a third of the time. One compressor serves every image of
// the page, so its tables are set up once.
class TPDFEPSExport::Compressor {
public:
    Compressor() { ready_ = deflateInit2(&stream_, Z_BEST_SPEED, Z_DEFLATED, 15, 8, Z_RLE) == Z_OK; }
    ~Compressor() {
        if (ready_) deflateEnd(&stream_);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    // The compressed bytes go to `out`; false when compression fails.
    bool Compress(std::string_view data, std::string& out) {
        if (!ready_ || deflateReset(&stream_) != Z_OK) return false;
        out.resize(deflateBound(&stream_, static_cast<uLong>(data.size())));
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        stream_.avail_in = static_cast<uInt>(data.size());
        stream_.next_out = reinterpret_cast<Bytef*>(out.data());
        stream_.avail_out = static_cast<uInt>(out.size());
        const int result = deflate(&stream_, Z_FINISH);
        out.resize(stream_.total_out);
        return result == Z_STREAM_END;
    }

private:
    z_stream stream_{};
    bool ready_ = false;
};

namespace {

// ASCII85 with "z" for four zero bytes, a line break (CR LF) once a line passes 70 characters
// and "~>" at the end, written straight into a buffer sized for the worst case.
std::string EpsAscii85(std::string_view data) {
    const std::size_t groups = (data.size() + 3) / 4;
    // A broken line holds at least 15 groups of at most five characters.
    std::string out(groups * 5 + (groups / 15 + 1) * 2 + 2, '\0');
    char* put = out.data();
    const char* lineStart = put;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    for (std::size_t at = 0; at < data.size(); at += 4) {
        const std::size_t count = std::min<std::size_t>(4, data.size() - at);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | (i < count ? bytes[at + i] : 0u);
        if (count == 4 && value == 0) {
            *put++ = 'z';
        } else {
            char digits[5];
            for (int i = 4; i >= 0; --i, value /= 85) digits[i] = static_cast<char>('!' + value % 85);
            std::memcpy(put, digits, count + 1);
            put += count + 1;
        }
        if (put - lineStart > 70) {
            *put++ = '\r';
            *put++ = '\n';
            lineStart = put;
        }
    }
    *put++ = '~';
    *put++ = '>';
    out.resize(static_cast<std::size_t>(put - out.data()));
    return out;
}

}  // namespace

TPDFEPSExport::TPDFEPSExport() = default;
TPDFEPSExport::~TPDFEPSExport() = default;

std::string TPDFEPSExport::Encode(std::string_view data) {
    if (!compressor_) compressor_ = std::make_unique<Compressor>();
    if (data.empty() || !compressor_->Compress(data, compressed_) || compressed_.empty()) return {};
    return EpsAscii85(compressed_);
}

bool TPDFEPSExport::DefineImage(const TPDFEPSImage& image, const std::string& name, ImageKind& kind) {
    const bool haveBitmap = image.Bitmap != nullptr && !image.Bitmap->Empty();
    const Pixels pixels = haveBitmap ? Pixels::FromBitmap(*image.Bitmap) : Pixels::FromEncoded(image.Encoded);
    if (pixels.Empty()) return false;

    if (image.Stencil) {
        std::string data = Encode(pixels.LightBits());
        if (data.empty()) return false;
        kind = ImageKind::Stencil;
        WriteDataStream(std::move(data), "datastreamfor" + name);
        WriteImageDictionary("StencilDictionaryfor" + name, "datastreamfor" + name, pixels.Width, pixels.Height, 1,
                             "[ 1 0 ]");
        return true;
    }

    std::string maskData;
    int maskWidth = 0, maskHeight = 0;
    if (image.Mask != nullptr && !image.Mask->Empty()) {
        const Pixels mask = Pixels::FromBitmap(*image.Mask);
        if (!mask.Empty()) {
            maskData = Encode(EpsDitheredMaskBits(mask.Rgb, mask.Width, mask.Height, maskWidth, maskHeight));
            if (maskData.empty()) return false;
        }
    }
    std::string imageData = Encode(pixels.Rgb);
    if (imageData.empty()) return false;

    kind = maskData.empty() ? ImageKind::Plain : ImageKind::Masked;
    if (kind == ImageKind::Masked) WriteDataStream(std::move(maskData), "maskstreamfor" + name);
    WriteDataStream(std::move(imageData), "datastreamfor" + name);
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
