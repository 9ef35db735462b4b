#include "framework/graphics/Picture.h"

#include <map>
#include <mutex>

#include "base/SysUtils.h"
#include "framework/graphics/JPEGImage.h"
#include "platform/gdi/IconFile.h"
#include "platform/gdi/PngFile.h"
#include "base/Streams.h"

namespace parch {

// Largest icon or PNG file a TIcon reads.
constexpr std::int64_t kMaxIconFileBytes = std::int64_t{64} << 20;

// --- TIcon ---

TIcon::TIcon() : image_(std::make_unique<TBitmap>(0, 0, pf32bit)) {
    image_->OnChange = [this] { PixelsChanged(); };
}

TIcon::~TIcon() {
    DropHandle();
}

void TIcon::DropHandle() {
    if (handle_) DestroyIcon(handle_);
    handle_ = nullptr;
}

// The pixels changed: the icon object and the file read no longer show them.
void TIcon::PixelsChanged() {
    if (loading_) return;
    DropHandle();
    data_.clear();
    Changed();
}

void TIcon::SetSize(int width, int height) { image_->SetSize(width, height); }

HICON TIcon::Handle() {
    if (handle_ || Empty()) return handle_;
    IconImage picture;
    picture.width = Width();
    picture.height = Height();
    for (int y = 0; y < Height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image_->ScanLine(y));
        for (int x = 0; x < Width(); ++x) {
            picture.color.push_back(row[x]);
            picture.mask.push_back((row[x] >> 24) == 0 ? 1 : 0);
        }
    }
    handle_ = CreateIconFromImage(std::move(picture), true, POINT{0, 0});
    return handle_;
}

void TIcon::SetHandle(HICON icon) {
    IconImage picture;
    const bool alive = GetIconImage(icon, picture);
    loading_ = true;
    image_->SetSize(alive ? picture.width : 0, alive ? picture.height : 0);
    for (int y = 0; alive && y < picture.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image_->ScanLine(y));
        for (int x = 0; x < picture.width; ++x) {
            const std::size_t k = static_cast<std::size_t>(y) * picture.width + x;
            const std::uint32_t c = picture.Monochrome() ? (picture.xorBits[k] ? 0xFFFFFFu : 0u) : picture.color[k];
            row[x] = picture.hasAlpha ? c : (c & 0xFFFFFF) | (picture.mask[k] ? 0u : 0xFF000000u);
        }
    }
    loading_ = false;
    DropHandle();
    data_.clear();
    handle_ = alive ? icon : nullptr;
    Changed();
}

HICON TIcon::ReleaseHandle() {
    HICON icon = Handle();
    handle_ = nullptr;
    return icon;
}

void TIcon::Draw(TCanvas& canvas, const RECT& rect) {
    if (Empty() || !Handle()) return;
    DrawIconEx(canvas.Handle(), rect.left, rect.top, handle_, rect.right - rect.left, rect.bottom - rect.top, 0, nullptr,
               DI_NORMAL);
}

void TIcon::LoadFromStream(TStream& stream) {
    const std::int64_t remaining = stream.GetSize() - stream.GetPosition();
    if (remaining <= 0 || remaining > kMaxIconFileBytes) throw EInvalidGraphic("Invalid icon data");
    std::string data(static_cast<std::size_t>(remaining), '\0');
    stream.ReadBuffer(data.data(), remaining);
    const auto* bytes = reinterpret_cast<const BYTE*>(data.data());
    IconImage picture;
    std::string error;
    bool decoded;
    if (IsPngData(bytes, data.size())) {
        decoded = DecodeIconPicture(bytes, data.size(), picture, error);
    } else {
        POINT hotspot;
        bool cursor = false;
        decoded = DecodeIconFile(bytes, data.size(), kSystemIconSize, kSystemIconSize, picture, hotspot, cursor, error);
    }
    if (!decoded) throw EInvalidGraphic("Invalid icon data: " + error);
    HICON icon = CreateIconFromImage(std::move(picture), true, POINT{0, 0});
    if (!icon) throw EInvalidGraphic("Invalid icon data");
    SetHandle(icon);
    data_ = std::move(data);
}

void TIcon::SaveToStream(TStream& stream) {
    if (!data_.empty()) return stream.WriteString(data_);
    if (Empty() || !Handle()) throw EInvalidGraphic("An empty icon cannot be saved");
    IconImage picture;
    GetIconImage(handle_, picture);
    std::vector<BYTE> file = EncodeIconFile({picture});
    if (file.empty()) throw EInvalidGraphic("Icons larger than 256 x 256 cannot be saved");
    stream.WriteBuffer(file.data(), static_cast<std::int64_t>(file.size()));
}

void TIcon::Assign(TGraphic* source) {
    if (source == this) return;
    loading_ = true;
    if (auto* icon = dynamic_cast<TIcon*>(source)) {
        image_->Assign(icon->image_.get());
    } else if (source) {
        image_->Assign(source);
        // Drawn pictures are opaque.
        for (int y = 0; y < image_->Height(); ++y) {
            BYTE* row = image_->ScanLine(y);
            for (int x = 0; x < image_->Width(); ++x) row[x * 4 + 3] = 255;
        }
    } else {
        image_->SetSize(0, 0);
    }
    image_->SetPixelFormat(pf32bit);
    loading_ = false;
    DropHandle();
    auto* icon = dynamic_cast<TIcon*>(source);
    data_ = icon ? icon->data_ : std::string();
    Changed();
}

// --- TPicture ---

namespace {

struct FileFormat {
    std::string description;
    TPicture::GraphicFactory factory;
};

struct FormatRegistry {
    std::mutex lock;
    std::map<std::string, FileFormat> formats;
};

FormatRegistry& Registry() {
    static FormatRegistry* registry = [] {
        auto* created = new FormatRegistry;
        created->formats["bmp"] = {"Bitmaps", [] { return std::make_unique<TBitmap>(); }};
        created->formats["ico"] = {"Icons", [] { return std::make_unique<TIcon>(); }};
        created->formats["png"] = {"Portable network graphics", [] { return std::make_unique<TIcon>(); }};
        created->formats["jpg"] = {"JPEG image file", [] { return std::make_unique<TJPEGImage>(); }};
        created->formats["jpeg"] = {"JPEG image file", [] { return std::make_unique<TJPEGImage>(); }};
        return created;
    }();
    return *registry;
}

std::string ExtensionOf(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    const std::size_t slash = fileName.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return LowerCase(fileName.substr(dot + 1));
}

}  // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  GraphicFactory factory) {
    FormatRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    registry.formats[LowerCase(extension)] = {description, std::move(factory)};
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange) OnChange();
}

void TPicture::Hold(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_) graphic_->OnChange = [this] { Changed(); };
    Changed();
}

void TPicture::SetGraphic(TGraphic* graphic) {
    if (graphic == graphic_.get()) return;
    if (!graphic) return Hold(nullptr);
    std::unique_ptr<TGraphic> copy = graphic->NewEmpty();
    copy->Assign(graphic);
    Hold(std::move(copy));
}

TBitmap& TPicture::Bitmap() {
    if (!dynamic_cast<TBitmap*>(graphic_.get())) Hold(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*graphic_);
}

TIcon& TPicture::Icon() {
    if (!dynamic_cast<TIcon*>(graphic_.get())) Hold(std::make_unique<TIcon>());
    return static_cast<TIcon&>(*graphic_);
}

void TPicture::LoadFromFile(const std::string& fileName) {
    const std::string extension = ExtensionOf(fileName);
    GraphicFactory factory;
    {
        FormatRegistry& registry = Registry();
        std::lock_guard guard(registry.lock);
        if (auto found = registry.formats.find(extension); found != registry.formats.end())
            factory = found->second.factory;
    }
    if (!factory) throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
    std::unique_ptr<TGraphic> graphic = factory();
    graphic->LoadFromFile(fileName);
    Hold(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) {
    if (graphic_) graphic_->SaveToFile(fileName);
}

}  // namespace parch
