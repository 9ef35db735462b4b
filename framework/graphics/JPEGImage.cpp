#include "framework/graphics/JPEGImage.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "base/Streams.h"
#include "platform/gdi/Bitmaps.h"

namespace parch {

namespace {

// Working memory libjpeg may take for one image (progressive data keeps every coefficient).
constexpr long kMaxJPEGMemory = 1L << 30;
// Progressive data with more scans than this is refused: each scan walks the whole image.
constexpr int kMaxJPEGScans = 1000;

// Fatal errors jump back to the function that armed `jump`; no C++ exception ever passes
// through libjpeg's frames. Warnings and trace messages are dropped.
struct ErrorManager {
    jpeg_error_mgr library{};
    std::jmp_buf jump{};
    int code = 0;
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    manager->code = manager->library.msg_code;
    std::longjmp(manager->jump, 1);
}
void IgnoreMessage(j_common_ptr, int) {}
void IgnoreOutput(j_common_ptr) {}

void InstallErrorManager(ErrorManager& manager) {
    jpeg_std_error(&manager.library);
    manager.library.error_exit = JumpOnError;
    manager.library.emit_message = IgnoreMessage;
    manager.library.output_message = IgnoreOutput;
}

[[noreturn]] void RaiseJPEG(int code) { throw EJPEG(code, "JPEG error #" + std::to_string(code)); }

void LimitScans(j_common_ptr info) {
    if (!info->is_decompressor) return;
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxJPEGScans) {
        info->err->msg_code = JERR_BAD_SCAN_SCRIPT;
        info->err->error_exit(info);
    }
}

class Decompressor {
public:
    explicit Decompressor(const std::string& bytes) {
        InstallErrorManager(errors_);
        info_.err = &errors_.library;
        progress_.progress_monitor = LimitScans;
        if (setjmp(errors_.jump)) RaiseJPEG(errors_.code);
        jpeg_create_decompress(&info_);
        info_.mem->max_memory_to_use = kMaxJPEGMemory;
        info_.progress = &progress_;
        jpeg_mem_src(&info_, reinterpret_cast<const unsigned char*>(bytes.data()),
                     static_cast<unsigned long>(bytes.size()));
    }
    ~Decompressor() { jpeg_destroy_decompress(&info_); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct& Info() { return info_; }

    // Each step arms the jump itself: the frame that called setjmp must still be live when
    // libjpeg fails, and must hold nothing that needs destroying.
    void ReadHeader() {
        if (setjmp(errors_.jump)) RaiseJPEG(errors_.code);
        jpeg_read_header(&info_, TRUE);
        const std::int64_t pixels = std::int64_t{info_.image_width} * info_.image_height;
        if (pixels <= 0 || pixels > kMaxJPEGPixels) RaiseJPEG(JERR_IMAGE_TOO_BIG);
    }
    void CalcOutputDimensions() {
        if (setjmp(errors_.jump)) RaiseJPEG(errors_.code);
        jpeg_calc_output_dimensions(&info_);
    }
    void Start() {
        if (setjmp(errors_.jump)) RaiseJPEG(errors_.code);
        jpeg_start_decompress(&info_);
    }
    void ReadRows(JSAMPROW* rows, JDIMENSION count) {
        if (setjmp(errors_.jump)) RaiseJPEG(errors_.code);
        while (info_.output_scanline < count) {
            const JDIMENSION done = info_.output_scanline;
            if (jpeg_read_scanlines(&info_, rows + done, count - done) == 0) break;
        }
        jpeg_finish_decompress(&info_);
    }

private:
    ErrorManager errors_;
    jpeg_progress_mgr progress_{};
    jpeg_decompress_struct info_{};
};

class Compressor {
public:
    Compressor() {
        InstallErrorManager(errors_);
        info_.err = &errors_.library;
        if (setjmp(errors_.jump)) RaiseJPEG(errors_.code);
        jpeg_create_compress(&info_);
    }
    ~Compressor() {
        jpeg_destroy_compress(&info_);
        std::free(output_);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    // Baseline JPEG of the 24-bit blue-green-red rows, grey when asked.
    std::string Compress(JSAMPROW* rows, JDIMENSION width, JDIMENSION height, int quality, bool grey) {
        if (setjmp(errors_.jump)) RaiseJPEG(errors_.code);
        jpeg_mem_dest(&info_, &output_, &outputSize_);
        info_.image_width = width;
        info_.image_height = height;
        info_.input_components = 3;
        info_.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&info_);
        jpeg_set_quality(&info_, quality, TRUE);
        if (grey) jpeg_set_colorspace(&info_, JCS_GRAYSCALE);
        jpeg_start_compress(&info_, TRUE);
        while (info_.next_scanline < height) {
            jpeg_write_scanlines(&info_, rows + info_.next_scanline, height - info_.next_scanline);
        }
        jpeg_finish_compress(&info_);
        return std::string(reinterpret_cast<const char*>(output_), outputSize_);
    }

private:
    ErrorManager errors_;
    jpeg_compress_struct info_{};
    unsigned char* output_ = nullptr;
    unsigned long outputSize_ = 0;
};

std::vector<JSAMPROW> RowPointers(TBitmap& bitmap) {
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(bitmap.Height()));
    for (int y = 0; y < bitmap.Height(); ++y) rows[static_cast<std::size_t>(y)] = bitmap.ScanLine(y);
    return rows;
}

void SetColorTable(TBitmap& bitmap, std::vector<RGBQUAD> colors) {
    if (GdiBitmap* pixels = ResolveHandle(bitmap.Handle())) pixels->ColorTable() = std::move(colors);
}

std::vector<RGBQUAD> GreyRamp() {
    std::vector<RGBQUAD> colors(256);
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<BYTE>(i);
        colors[static_cast<std::size_t>(i)] = RGBQUAD{level, level, level, 0};
    }
    return colors;
}

// The palette libjpeg's quantiser chose (its colour map holds red, green, blue rows).
std::vector<RGBQUAD> QuantisedPalette(const jpeg_decompress_struct& info) {
    std::vector<RGBQUAD> colors(static_cast<std::size_t>(info.actual_number_of_colors));
    for (int i = 0; i < info.actual_number_of_colors; ++i) {
        RGBQUAD& entry = colors[static_cast<std::size_t>(i)];
        if (info.out_color_components == 1) {
            entry.rgbRed = entry.rgbGreen = entry.rgbBlue = info.colormap[0][i];
        } else {
            entry.rgbRed = info.colormap[0][i];
            entry.rgbGreen = info.colormap[1][i];
            entry.rgbBlue = info.colormap[2][i];
        }
    }
    return colors;
}

BYTE ToByte(double value) {
    return static_cast<BYTE>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

}  // namespace

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()) {}
TJPEGImage::~TJPEGImage() = default;

bool TJPEGImage::Empty() const {
    if (!data_->bytes.empty()) return false;
    return !bitmap_ || bitmap_->Empty();
}

int TJPEGImage::Width() const {
    if (bitmap_) return bitmap_->Width();
    return scale_ == jsFullSize ? data_->width : scaledWidth_;
}

int TJPEGImage::Height() const {
    if (bitmap_) return bitmap_->Height();
    return scale_ == jsFullSize ? data_->height : scaledHeight_;
}

void TJPEGImage::SetGrayscale(bool grayscale) {
    if (grayscale == grayscale_) return;
    grayscale_ = grayscale;
    DropBitmap();
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat format) {
    if (format == pixelFormat_) return;
    pixelFormat_ = format;
    DropBitmap();
}

void TJPEGImage::SetScale(TJPEGScale scale) {
    if (scale == scale_) return;
    scale_ = scale;
    if (!data_->bytes.empty()) ReadHeader();
    DropBitmap();
}

void TJPEGImage::DropBitmap() {
    if (!data_->bytes.empty()) bitmap_.reset();
}

void TJPEGImage::Draw(TCanvas& canvas, const RECT& rect) {
    if (Empty()) return;
    Bitmap().Draw(canvas, rect);
}

void TJPEGImage::LoadFromStream(TStream& stream) {
    auto data = std::make_shared<TJPEGData>();
    data->bytes = stream.ReadToEnd();
    data_ = std::move(data);
    bitmap_.reset();
    if (!data_->bytes.empty()) ReadHeader();
    Changed();
}

void TJPEGImage::ReadHeader() {
    Decompressor decompressor(data_->bytes);
    decompressor.ReadHeader();
    jpeg_decompress_struct& info = decompressor.Info();
    data_->width = static_cast<int>(info.image_width);
    data_->height = static_cast<int>(info.image_height);
    data_->components = info.num_components;
    data_->grayscale = info.jpeg_color_space == JCS_GRAYSCALE;
    data_->progressive = jpeg_has_multiple_scans(&info);
    info.scale_num = 1;
    info.scale_denom = 1u << scale_;
    decompressor.CalcOutputDimensions();
    scaledWidth_ = static_cast<int>(info.output_width);
    scaledHeight_ = static_cast<int>(info.output_height);
}

void TJPEGImage::SaveToStream(TStream& stream) {
    if (data_->bytes.empty()) Compress();
    stream.WriteString(data_->bytes);
}

void TJPEGImage::Assign(TGraphic* source) {
    if (source == this) return;
    if (!source) {
        data_ = std::make_shared<TJPEGData>();
        bitmap_.reset();
    } else if (auto* jpeg = dynamic_cast<TJPEGImage*>(source)) {
        data_ = jpeg->data_;
        scaledWidth_ = jpeg->scaledWidth_;
        scaledHeight_ = jpeg->scaledHeight_;
        bitmap_.reset();
        if (jpeg->bitmap_) {
            bitmap_ = std::make_unique<TBitmap>();
            bitmap_->Assign(jpeg->bitmap_.get());
        }
    } else if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        AssignBitmap(*bitmap);
        return;
    } else {
        throw EConvertError("Cannot assign this picture to a JPEG image");
    }
    Changed();
}

void TJPEGImage::AssignBitmap(const TBitmap& bitmap) {
    data_ = std::make_shared<TJPEGData>();
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->Assign(const_cast<TBitmap*>(&bitmap));
    Changed();
}

TBitmap& TJPEGImage::Bitmap() {
    if (!bitmap_) {
        if (data_->bytes.empty()) bitmap_ = std::make_unique<TBitmap>();
        else Decode();
    }
    return *bitmap_;
}

std::unique_ptr<TBitmap> TJPEGImage::ReleaseBitmap() {
    TBitmap& decoded = Bitmap();
    if (data_->bytes.empty()) {
        // Without bytes the picture cannot be decoded again: the caller gets a copy.
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(&decoded);
        return copy;
    }
    return std::move(bitmap_);
}

void TJPEGImage::Decode() {
    Decompressor decompressor(data_->bytes);
    decompressor.ReadHeader();
    jpeg_decompress_struct& info = decompressor.Info();
    info.scale_num = 1;
    info.scale_denom = 1u << scale_;
    info.do_block_smoothing = smoothing_ ? TRUE : FALSE;
    if (performance_ == jpBestSpeed) {
        info.dct_method = JDCT_IFAST;
        info.dither_mode = JDITHER_ORDERED;
        info.two_pass_quantize = FALSE;
    }
    const bool fourComponents = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE || (grayscale_ && !fourComponents);
    const bool quantised = pixelFormat_ == jf8Bit && !grey && !fourComponents;
    TPixelFormat format = pf24bit;
    if (grey) {
        // Grey output keeps all 256 levels: no quantising, a plain ramp.
        info.out_color_space = JCS_GRAYSCALE;
        format = pf8bit;
    } else if (fourComponents) {
        info.out_color_space = JCS_CMYK;
        format = pf32bit;
    } else if (quantised) {
        info.out_color_space = JCS_RGB;
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = 236;
        format = pf8bit;
    } else {
        info.out_color_space = JCS_EXT_BGR;
    }
    decompressor.Start();

    auto bitmap = std::make_unique<TBitmap>(static_cast<int>(info.output_width),
                                            static_cast<int>(info.output_height), format);
    std::vector<JSAMPROW> rows = RowPointers(*bitmap);
    decompressor.ReadRows(rows.data(), info.output_height);
    if (grey) SetColorTable(*bitmap, GreyRamp());
    else if (quantised) SetColorTable(*bitmap, QuantisedPalette(info));
    if (fourComponents) ConvertCMYK(*bitmap);
    bitmap_ = std::move(bitmap);
}

void TJPEGImage::ConvertCMYK(TBitmap& bitmap) {
    TBitmap converted(bitmap.Width(), bitmap.Height(), pf24bit);
    for (int y = 0; y < bitmap.Height(); ++y) {
        const BYTE* from = bitmap.ScanLine(y);
        BYTE* to = converted.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, from += 4, to += 3) {
            // Adobe's CMYK data is stored inverted: a byte of 255 means no ink.
            const double c = from[0] / 255.0, m = from[1] / 255.0, yellow = from[2] / 255.0, k = from[3] / 255.0;
            to[0] = ToByte(std::min(1.0, yellow * k));
            to[1] = ToByte(std::min(1.0, m * k));
            to[2] = ToByte(std::min(1.0, c * k));
        }
    }
    bitmap.Assign(&converted);
}

void TJPEGImage::Compress() {
    auto data = std::make_shared<TJPEGData>();
    if (bitmap_ && !bitmap_->Empty()) {
        TBitmap copy;
        copy.Assign(bitmap_.get());
        copy.SetPixelFormat(pf24bit);
        std::vector<JSAMPROW> rows = RowPointers(copy);
        Compressor compressor;
        data->bytes = compressor.Compress(rows.data(), static_cast<JDIMENSION>(copy.Width()),
                                          static_cast<JDIMENSION>(copy.Height()),
                                          std::clamp(compressionQuality_, 1, 100), grayscale_);
        data->width = copy.Width();
        data->height = copy.Height();
        data->components = grayscale_ ? 1 : 3;
        data->grayscale = grayscale_;
    }
    data_ = std::move(data);
}

}  // namespace parch
