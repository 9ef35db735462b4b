#include "cli/ImageConversion.h"

#include "cli/FreeImageBitmap.h"
#include "cli/Jpeg2000Writer.h"
#include "base/SysUtils.h"
#include "platform/os/Files.h"
#include "platform/os/Process.h"

#include <algorithm>
#include <future>
#include <memory>

namespace parch {

namespace {

constexpr int kJpegQuality = 80;
constexpr int kJpeg2000Rate = 26;

using Bitmap = FreeImageBitmap;

class FreeImageLibrary {
public:
    FreeImageLibrary() { FreeImage().Initialise(FALSE); }
    ~FreeImageLibrary() { FreeImage().DeInitialise(); }
    FreeImageLibrary(const FreeImageLibrary&) = delete;
    FreeImageLibrary& operator=(const FreeImageLibrary&) = delete;
};

bool CanSave(FIBITMAP* dib, FREE_IMAGE_FORMAT format) {
    const FREE_IMAGE_TYPE type = FreeImage().GetImageType(dib);
    if (!FreeImage().FIFSupportsExportType(format, type)) return false;
    return type != FIT_BITMAP || FreeImage().FIFSupportsExportBPP(format, static_cast<int>(FreeImage().GetBPP(dib)));
}

bool IsGrey(FIBITMAP* dib) {
    const FREE_IMAGE_COLOR_TYPE colors = FreeImage().GetColorType(dib);
    return colors == FIC_MINISBLACK || colors == FIC_MINISWHITE;
}

// JPEG and JPEG 2000 take neither 1-bit nor 16-bit-per-sample images: such an image is first
// brought to 8-bit grey or 24-bit colour. Nothing when no conversion is needed or possible.
Bitmap ConvertForSaving(FIBITMAP* dib, FREE_IMAGE_FORMAT format) {
    if (CanSave(dib, format)) return nullptr;
    Bitmap standard;
    FIBITMAP* source = dib;
    const FREE_IMAGE_TYPE type = FreeImage().GetImageType(dib);
    if (type == FIT_RGB16 || type == FIT_RGBA16) return Bitmap(FreeImage().ConvertTo24Bits(dib));
    if (type != FIT_BITMAP) {
        standard.reset(FreeImage().ConvertToStandardType(dib, TRUE));
        if (!standard) return nullptr;
        if (CanSave(standard.get(), format)) return standard;
        source = standard.get();
    }
    Bitmap converted(IsGrey(source) ? FreeImage().ConvertToGreyscale(source) : FreeImage().ConvertTo24Bits(source));
    if (converted && !CanSave(converted.get(), format)) converted.reset(FreeImage().ConvertTo24Bits(converted.get()));
    return converted;
}

// The image engine writes what the document declares; a scratch file whose header asks for
// more pixels than any real page image has is not loaded.
constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t{1} << 30;

struct MemoryDeleter {
    void operator()(FIMEMORY* memory) const { FreeImage().CloseMemory(memory); }
};
using Memory = std::unique_ptr<FIMEMORY, MemoryDeleter>;

bool HeaderWithinLimits(FREE_IMAGE_FORMAT fileType, FIMEMORY* memory) {
    FreeImage().SeekMemory(memory, 0, SEEK_SET);
    const Bitmap header(FreeImage().LoadFromMemory(fileType, memory, FIF_LOAD_NOPIXELS));
    if (!header) return false;
    // Both sides fit 32 bits, so their product fits 64.
    const std::uint64_t pixels = std::uint64_t{FreeImage().GetWidth(header.get())} * FreeImage().GetHeight(header.get());
    const std::uint64_t bitsPerPixel = std::max(1u, FreeImage().GetBPP(header.get()));
    return pixels <= kMaxDecodedBytes * 8 / bitsPerPixel;
}

bool Save(FREE_IMAGE_FORMAT format, FIBITMAP* image, const std::string& path, int flags) {
    if (FreeImage().Save(format, image, path.c_str(), flags)) return true;
    if (format == FIF_JP2 && SaveJpeg2000(image, path, flags)) return true;
    DeleteFile(path);  // no half-written file under the user's name
    return false;
}

// The file is read from disk once; type, header and pixels all come from that copy.
Bitmap LoadScratchImage(const std::string& path) {
    std::optional<std::string> bytes = ReadFileBytes(path, kMaxDecodedBytes);
    if (!bytes || bytes->empty()) return nullptr;
    const Memory memory(FreeImage().OpenMemory(reinterpret_cast<BYTE*>(bytes->data()), static_cast<DWORD>(bytes->size())));
    if (!memory) return nullptr;
    const FREE_IMAGE_FORMAT fileType = FreeImage().GetFileTypeFromMemory(memory.get(), 0);
    if (fileType == FIF_UNKNOWN || !HeaderWithinLimits(fileType, memory.get())) return nullptr;
    FreeImage().SeekMemory(memory.get(), 0, SEEK_SET);
    return Bitmap(FreeImage().LoadFromMemory(fileType, memory.get(), 0));
}

// The next scratch image is read and decoded while the current one is converted and saved.
std::future<Bitmap> LoadInBackground(const std::string& path) {
    return std::async(std::launch::async, [path] { return LoadScratchImage(path); });
}

}  // namespace

ImageSaveFormat ChooseSaveFormat(std::string_view imageFormat, std::string_view scratchName) {
    if (imageFormat == "bmp") return {FIF_BMP, 0, "bmp"};
    if (imageFormat == "jpg") return {FIF_JPEG, kJpegQuality, "jpg"};
    if (imageFormat == "jp2") return {FIF_JP2, kJpeg2000Rate, "jp2"};
    if (imageFormat == "png") return {FIF_PNG, 0, "png"};
    if (!imageFormat.empty()) return {FIF_TIFF, 0, std::string(imageFormat)};  // tif, tiff
    if (EndsText(".ppm", scratchName)) return {FIF_JPEG, kJpegQuality, "jpg"};
    return {FIF_BMP, 0, "bmp"};
}

bool PassesSizeFilter(std::string_view filter, unsigned width, unsigned height) {
    if (filter.size() <= 3) return true;
    const std::string kind(filter.substr(0, 3));
    if (kind != "st " && kind != "lt ") return true;
    const std::optional<std::int32_t> limit = TryStrToInt(Trim(filter.substr(3)));
    if (!limit) return true;
    const std::int64_t n = *limit, w = width, h = height;
    return kind == "st " ? (w < n && h < n) : (w > n && h > n);
}

std::optional<unsigned> DotsPerMeter(std::string_view dpi) {
    const std::optional<std::int32_t> d = TryStrToInt(dpi);
    if (!d || *d <= 0 || *d > 100000) return std::nullopt;
    return static_cast<unsigned>(RoundHalfEven(*d * 1000.0 / 25.4));
}

bool ConvertExtractedImages(const RunParameters& params, const std::string& scratchFolder,
                            std::int32_t page, const LinePrinter& printLine) {
    const FreeImageLibrary library;
    const std::optional<unsigned> dotsPerMeter = DotsPerMeter(params.Dpi);
    bool allSaved = true;
    int k = 0;
    const std::vector<std::string> names = ListFiles(scratchFolder, "tmp-*.*");
    std::future<Bitmap> next;
    if (!names.empty()) next = LoadInBackground(scratchFolder + names.front());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        const std::string path = scratchFolder + name;
        Bitmap image = next.get();
        // An interrupted run leaves the rest to the scratch folder's removal.
        if (TerminationSignals::Received() != 0) return false;
        if (i + 1 < names.size()) next = LoadInBackground(scratchFolder + names[i + 1]);
        if (!image) {
            printLine("Couldn't read the extracted image \"" + name + "\"!");
            allSaved = false;
        } else if (PassesSizeFilter(params.SizeFilter, FreeImage().GetWidth(image.get()),
                                    FreeImage().GetHeight(image.get()))) {
            const ImageSaveFormat save = ChooseSaveFormat(params.ImageFormat, name);
            const auto format = static_cast<FREE_IMAGE_FORMAT>(save.Format);
            if (Bitmap converted = ConvertForSaving(image.get(), format)) image = std::move(converted);
            if (dotsPerMeter) {
                FreeImage().SetDotsPerMeterX(image.get(), *dotsPerMeter);
                FreeImage().SetDotsPerMeterY(image.get(), *dotsPerMeter);
            }
            const std::string target = ImageOutputName(params, page, ++k, save.Extension);
            if (!Save(format, image.get(), target, save.Flags)) {
                printLine("Couldn't save the image \"" + target + "\"!");
                allSaved = false;
            }
        }
        image.reset();
        DeleteFile(path);
    }
    return allSaved;
}

}  // namespace parch
