#include "framework/graphics/Picture.h"

#include <map>
#include <mutex>

#include "base/SysUtils.h"
#include "platform/gdi/Blits.h"

namespace parch {

// --- TIcon ---

TIcon::TIcon() : image_(std::make_unique<TBitmap>(0, 0, pf32bit)) {
    image_->OnChange = [this] { Changed(); };
}

TIcon::~TIcon() = default;

void TIcon::SetSize(int width, int height) { image_->SetSize(width, height); }

void TIcon::Draw(TCanvas& canvas, const RECT& rect) {
    if (Empty()) return;
    // AlphaBlend takes premultiplied pixels; the icon keeps straight alpha.
    TBitmap premultiplied(Width(), Height(), pf32bit);
    for (int y = 0; y < Height(); ++y) {
        const BYTE* from = image_->ScanLine(y);
        BYTE* to = premultiplied.ScanLine(y);
        for (int x = 0; x < Width() * 4; x += 4) {
            const int alpha = from[x + 3];
            for (int c = 0; c < 3; ++c) to[x + c] = static_cast<BYTE>((from[x + c] * alpha + 127) / 255);
            to[x + 3] = static_cast<BYTE>(alpha);
        }
    }
    BLENDFUNCTION blend;
    blend.AlphaFormat = AC_SRC_ALPHA;
    AlphaBlend(canvas.Handle(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               premultiplied.Canvas().Handle(), 0, 0, Width(), Height(), blend);
}

void TIcon::LoadFromStream(TStream&) { throw EInvalidGraphic("Icon files are not supported"); }

void TIcon::SaveToStream(TStream&) { throw EInvalidGraphic("Icon files are not supported"); }

void TIcon::Assign(TGraphic* source) {
    if (source == this) return;
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
