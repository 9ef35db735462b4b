// Bilevel image data: CCITT fax (/CCITTFaxDecode) through TSVLCCITTDecoder, with libtiff as a
// second opinion on Group 4 data it cannot read, and JBIG2 (/JBIG2Decode) through
// TSVLJBIG2Decoder. Both give a two-colour palette bitmap (1 for black runs).

#include <tiffio.h>

#include <algorithm>
#include <cstring>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/images/ScrivletBitmapAccess.h"
#include "pdf/images/ScrivletCCITT.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletImageLimits.h"
#include "pdf/images/ScrivletJBIG2.h"
#include "pdf/images/ScrivletTIFF.h"

namespace parch {

namespace {

// --- libtiff on memory ------------------------------------------------------------------------

struct TIFFMemory {
    const std::string& bytes;
    toff_t position = 0;
};

tmsize_t ReadTIFFMemory(thandle_t handle, void* buffer, tmsize_t count) {
    auto* memory = static_cast<TIFFMemory*>(handle);
    if (count <= 0 || memory->position >= memory->bytes.size()) return 0;
    const auto n = static_cast<tmsize_t>(std::min<toff_t>(static_cast<toff_t>(count), memory->bytes.size() - memory->position));
    std::memcpy(buffer, memory->bytes.data() + memory->position, static_cast<std::size_t>(n));
    memory->position += static_cast<toff_t>(n);
    return n;
}
tmsize_t WriteTIFFMemory(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekTIFFMemory(thandle_t handle, toff_t offset, int whence) {
    auto* memory = static_cast<TIFFMemory*>(handle);
    const toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? memory->position : memory->bytes.size();
    memory->position = base + offset;
    return memory->position;
}
int CloseTIFFMemory(thandle_t) { return 0; }
toff_t SizeTIFFMemory(thandle_t handle) { return static_cast<TIFFMemory*>(handle)->bytes.size(); }
int MapNothing(thandle_t, void**, toff_t*) { return 0; }
void UnmapNothing(thandle_t, void*, toff_t) {}
int QuietTIFFMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// libtiff's decoding of a one-strip bilevel TIFF into rows like ours; false unless it decodes
// every row.
bool DecodeTIFFRows(const std::string& tiff, std::int32_t rows, std::int64_t rowBytes, TCCITTByteArray& output) {
    TIFFMemory memory{tiff};
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
    if (!options) return false;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), QuietTIFFMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), QuietTIFFMessage, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMaxImageBytes));
    std::unique_ptr<TIFF, void (*)(TIFF*)> file(
        TIFFClientOpenExt("fax", "rm", &memory, ReadTIFFMemory, WriteTIFFMemory, SeekTIFFMemory, CloseTIFFMemory,
                          SizeTIFFMemory, MapNothing, UnmapNothing, options.get()),
        TIFFClose);
    if (!file || TIFFScanlineSize64(file.get()) != static_cast<std::uint64_t>(rowBytes)) return false;
    TCCITTByteArray decoded(output.size(), 0);
    for (std::int32_t y = 0; y < rows; ++y) {
        if (TIFFReadScanline(file.get(), decoded.data() + y * rowBytes, static_cast<std::uint32_t>(y), 0) != 1)
            return false;
    }
    output = std::move(decoded);
    return true;
}

// --- Palettes ---------------------------------------------------------------------------------

RGBQUAD Quad(BYTE red, BYTE green, BYTE blue) { return RGBQUAD{blue, green, red, 0}; }

// Entry 0 for white runs (the PDF sample 1 unless swapped), entry 1 for black runs.
std::vector<RGBQUAD> BilevelPalette(const TPDFImageDecoder& decoder) {
    std::vector<RGBQUAD> colors = {Quad(255, 255, 255), Quad(0, 0, 0)};
    if (decoder.MaskKind == kMaskStencil || decoder.ColorSpace != "Indexed" || decoder.HiVal < 1) return colors;
    const std::string& lookup = decoder.Lookup;
    // A lookup table too short for an entry leaves that entry's missing bytes at 0.
    const auto byte = [&lookup](std::size_t index) -> BYTE {
        return index < lookup.size() ? static_cast<BYTE>(lookup[index]) : 0;
    };
    const std::string& base = decoder.BaseColorSpace;
    for (int entry = 0; entry < 2; ++entry) {
        const std::size_t index = entry == 0 ? 1 : 0;  // white runs are sample 1
        if (base == "DeviceRGB") {
            colors[entry] = Quad(byte(index * 3), byte(index * 3 + 1), byte(index * 3 + 2));
        } else if (base == "DeviceGray") {
            colors[entry] = Quad(byte(index), byte(index), byte(index));
        } else if (base == "DeviceCMYK" && decoder.ColorManager) {
            TPDFRGBValue rgb;
            decoder.ColorManager->CMYKToRGB(TPDFCMYKValue{byte(index * 4) / 255.0, byte(index * 4 + 1) / 255.0,
                                                          byte(index * 4 + 2) / 255.0, byte(index * 4 + 3) / 255.0},
                                            rgb);
            const TColor packed = PackColor(rgb.R, rgb.G, rgb.B);
            colors[entry] = Quad(static_cast<BYTE>(packed & 0xFF), static_cast<BYTE>((packed >> 8) & 0xFF),
                                 static_cast<BYTE>((packed >> 16) & 0xFF));
        }
    }
    return colors;
}

// A one-bit bitmap of the first `width` pixels of each packed row (`columns` pixels long).
std::unique_ptr<TBitmap> BilevelBitmap(const TCCITTByteArray& rows, std::int32_t columns, std::int32_t width,
                                       std::int32_t height, std::vector<RGBQUAD> palette, bool swap) {
    auto bitmap = std::make_unique<TBitmap>(width, height, pf1bit);
    if (swap) std::swap(palette[0], palette[1]);
    SetBitmapColorTable(*bitmap, palette);
    const std::size_t rowBytes = (static_cast<std::size_t>(columns) + 7) / 8;
    const std::size_t copied = (static_cast<std::size_t>(width) + 7) / 8;
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(bitmap->ScanLine(y), rows.data() + static_cast<std::size_t>(y) * rowBytes, copied);
    return bitmap;
}

}  // namespace

void TPDFImageDecoder::DecodeCCITT(const TScrivletStringList& parameters) {
    Drawable = true;
    const std::int32_t k = ImageParameterInteger(parameters, "K", 0);
    const bool byteAlign = ImageParameterFlag(parameters, "EncodedByteAlign");
    const bool blackIs1 = ImageParameterFlag(parameters, "BlackIs1");
    const bool endOfLine = ImageParameterFlag(parameters, "EndOfLine");
    const std::int32_t columns = ImageParameterInteger(parameters, "Columns", 1728);
    const bool swap = IsMaskDecoder ? blackIs1 : blackIs1 != DecodeInverts();
    if (!ImageSizeFits(columns, Height)) {
        Drawable = false;  // a size the data cannot have: undrawn
        return;
    }

    TSVLCCITTDecoder decoder(columns, false, byteAlign, 1, Height);
    decoder.SetEndOfLine(endOfLine);
    TCCITTByteArray rows(static_cast<std::size_t>(decoder.RowBytes() * Height), 0);
    const TCCITTByteArray input(Data.begin(), Data.end());
    if (k < 0) {
        if (decoder.DecodeG4(rows, input)) {
            Data.clear();
        } else if (!byteAlign) {
            // libtiff's reading counts only when it gets every row; otherwise the rows we
            // decoded before the fault stand.
            TPDFTIFFMaker maker;
            maker.Kind = kTIFFGroup4;
            maker.Rows = Height;
            maker.Columns = columns;
            maker.Strip = Data;
            maker.HorizontalResolution = maker.VerticalResolution = 0;
            TMemoryStream tiff;
            maker.SaveToStream(tiff);
            if (KeepEncoded) {
                EncodedStream = std::make_unique<TMemoryStream>();
                EncodedStream->WriteString(tiff.Bytes());
                EncodedKind = kEncodedTIFF;
                Data.clear();
                return;
            }
            DecodeTIFFRows(tiff.Bytes(), Height, decoder.RowBytes(), rows);
        }
    } else if (k == 0) {
        decoder.DecodeG3OneD(rows, input);
    } else {
        decoder.DecodeG3TwoD(rows, input);
    }

    // The bitmap is cut to the image's width when the rows are wider.
    const std::int32_t width = Width >= 1 && Width < columns ? Width : columns;
    Bitmap = BilevelBitmap(rows, columns, width, Height, BilevelPalette(*this), swap);
    if (MaskKind == kMaskStencil && !IsMaskDecoder && !KeepEncoded) {
        EncodeBitmapAsPNG();
        if (EncodedStream) PatchPNGPalette(*EncodedStream, "Swap", 0);
    }
}

void TPDFImageDecoder::DecodeJBIG2(TPDFIndRef* globals) {
    Drawable = false;
    std::string globalData;
    if (globals) {
        if (auto* stream = dynamic_cast<TPDFStream*>(ResolveObject(globals))) globalData = GetDecodedData(*stream);
    }
    TSVLJBIG2Decoder jbig2;
    const TJBIG2ByteArray data(Data.begin(), Data.end());
    const bool decoded = globalData.empty() ? jbig2.Decode(data)
                                            : jbig2.Decode(data, TJBIG2ByteArray(globalData.begin(), globalData.end()));
    if (!decoded || !ImageSizeFits(jbig2.Width(), jbig2.Height())) return;
    Drawable = true;

    const bool inverts = DecodeInverts();
    const std::int32_t width = jbig2.Width(), height = jbig2.Height();
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
    TCCITTByteArray rows(rowBytes * static_cast<std::size_t>(height), 0);
    TJBIG2ByteArray row;
    for (std::int32_t y = 0; y < height; ++y) {
        jbig2.GetRow(y, row);
        std::uint8_t* packed = rows.data() + static_cast<std::size_t>(y) * rowBytes;
        for (std::int32_t x = 0; x < width && x < static_cast<std::int32_t>(row.size()); ++x) {
            // A mask decoder reads the stencil inverted by its Decode array.
            const bool black = (row[static_cast<std::size_t>(x)] != 0) != (IsMaskDecoder && inverts);
            if (black) packed[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    }
    // JBIG2 pixels of 1 are PDF samples 1: the Decode array alone decides the colours.
    std::vector<RGBQUAD> palette = BilevelPalette(*this);
    Bitmap = BilevelBitmap(rows, width, width, height, std::move(palette), inverts);
    if (MaskKind == kMaskStencil && !IsMaskDecoder) {
        EncodeBitmapAsPNG();
        if (EncodedStream) PatchPNGPalette(*EncodedStream, "Swap", 0);
    }
}

}  // namespace parch
