#include "skin/engine/acAlphaImageList.h"

#include <algorithm>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Picture.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/GdiObject.h"
#include "skin/engine/acPNG.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sPixelBlend.h"

namespace parch {

namespace {

constexpr std::uint32_t kAlphaListKey = 0xFF00FF;  // magenta: the transparent colour of old images
constexpr int kMitchellFilter = 6;

std::uint32_t* ListPixelRow(TBitmap& bitmap, int y) { return reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y)); }

bool ListHasAnyAlpha(TBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint32_t* row = ListPixelRow(bitmap, y);
        for (int x = 0; x < bitmap.Width(); ++x)
            if (row[x] >> 24) return true;
    }
    return false;
}

// Opaque everywhere but on the key colour, which becomes fully transparent.
void OpaqueExceptKey(TBitmap& bitmap, std::uint32_t key) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint32_t* row = ListPixelRow(bitmap, y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            std::uint32_t colour = row[x] & 0xFFFFFFu;
            row[x] = colour == key ? colour : colour | 0xFF000000u;
        }
    }
}

// The icon's colour pixels as a 32-bit bitmap; false for a stale icon.
bool BitmapFromIcon(HICON icon, TBitmap& bitmap) {
    IconImage image;
    if (!icon || !GetIconImage(icon, image) || image.Monochrome()) return false;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
        std::copy_n(image.color.begin() + static_cast<std::ptrdiff_t>(y) * image.width, image.width, ListPixelRow(bitmap, y));
    return true;
}

// Sets the one-bit mask white where `transparent` says so.
template <class IsTransparent>
void MarkMask(TBitmap& mask, IsTransparent transparent) {
    for (int y = 0; y < mask.Height(); ++y) {
        BYTE* row = mask.ScanLine(y);
        for (int x = 0; x < mask.Width(); ++x)
            if (transparent(x, y)) row[x >> 3] = static_cast<BYTE>(row[x >> 3] | (0x80 >> (x & 7)));
    }
}

HICON ListIconOf(TBitmap& colour, HBITMAP mask) {
    ICONINFO info;
    info.fIcon = 1;
    info.hbmColor = colour.Handle();
    info.hbmMask = mask;
    return CreateIconIndirect(&info);
}

// A 32-bit copy of a picture that has no alpha: magenta transparent, the rest opaque.
void MakeKeyedOpaque32(TBitmap& image) {
    image.SetPixelFormat(pf32bit);
    OpaqueExceptKey(image, kAlphaListKey);
}

class ListUpdatingScope {
public:
    explicit ListUpdatingScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~ListUpdatingScope() { flag_ = old_; }
    ListUpdatingScope(const ListUpdatingScope&) = delete;
    ListUpdatingScope& operator=(const ListUpdatingScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

}  // namespace

// --- Items -----------------------------------------------------------------------------------

TsImgListItem::TsImgListItem(TCollection* collection) : TCollectionItem(collection) {}
TsImgListItem::~TsImgListItem() = default;

void TsImgListItem::Assign(const TPersistent* source) {
    auto* item = dynamic_cast<const TsImgListItem*>(source);
    if (!item) return TCollectionItem::Assign(source);
    ImageFormat = item->ImageFormat;
    PixelFormat = item->PixelFormat;
    auto& from = const_cast<TMemoryStream&>(item->data_);
    data_.Clear();
    if (from.GetSize() > 0) data_.Write(from.Memory(), from.GetSize());
    data_.Seek(0, TSeekOrigin::soBeginning);
    cache_.reset();
}

TsImgListItems::TsImgListItems(TsAlphaImageList* owner) : TCollection(ItemClass<TsImgListItem>(), owner) {}

// --- The list --------------------------------------------------------------------------------

TsAlphaImageList::TsAlphaImageList(TComponent* owner) : TsAlphaImageList(owner, 16, 16) {}

TsAlphaImageList::TsAlphaImageList(TComponent* owner, int width, int height)
    : TImageList(owner, width, height), items_(std::make_unique<TsImgListItems>(this)) {
    SetColorDepth(cd32Bit);
    GenerateIfNeeded();
}

TsAlphaImageList::~TsAlphaImageList() { items_.reset(); }

void TsAlphaImageList::Loaded() {
    TImageList::Loaded();
    GenerateIfNeeded();
}

void TsAlphaImageList::GenerateIfNeeded() {
    if (ComponentState() & csLoading) return;
    CreateSystemList();
    if (!generated_) GenerateStdList();
}

void TsAlphaImageList::CreateSystemList() { Handle(); }

void TsAlphaImageList::FreeSystemList() {
    if (!HandleAllocated()) return;
    HIMAGELIST list = ReleaseHandle();
    if (!ShareImages()) ImageList_Destroy(list);
    Change();
}

int TsAlphaImageList::ImageCount() { return HandleAllocated() ? ImageList_GetImageCount(Handle()) : 0; }

TColor TsAlphaImageList::BkColor() {
    return storedBkColor_ != clNone ? storedBkColor_ : TImageList::BkColor();
}

void TsAlphaImageList::SetBkColor(TColor color) {
    storedBkColor_ = color;
    TImageList::SetBkColor(color);
}

void TsAlphaImageList::EndItemsUpdate(bool doChange) {
    updating_ = false;
    if (doChange) Change();
}

void TsAlphaImageList::GenerateStdList() {
    if (!HandleAllocated()) return;
    ListUpdatingScope updating(updating_);
    HIMAGELIST list = Handle();
    ImageList_Remove(list, -1);
    COLORREF background = ColorToRGB(TImageList::BkColor());
    for (int i = 0; i < items_->Count(); ++i) {
        TsImgListItem& item = *items_->Items(i);
        item.data_.Seek(0, TSeekOrigin::soBeginning);
        if (item.ImageFormat == ifPNG) {
            TPNGGraphic png;
            png.LoadFromStream(item.data_);
            item.decodedWidth_ = png.Width();
            item.decodedHeight_ = png.Height();
            HICON icon = PngToIconOnColor(png, static_cast<TColor>(background));
            ImageList_ReplaceIcon(list, -1, icon);
            DestroyIcon(icon);
        } else {
            TIcon icon;
            icon.LoadFromStream(item.data_);
            item.decodedWidth_ = icon.Width();
            item.decodedHeight_ = icon.Height();
            ImageList_ReplaceIcon(list, -1, icon.Handle());
        }
    }
    if (items_->Count() > 0) generated_ = true;
}

void TsAlphaImageList::Change() {
    if (updating_ || !HandleAllocated() || (ComponentState() & csLoading) || !generated_) return;
    int images = ImageCount(), items = items_->Count();
    if (images > items) {
        TImageList::Change();
        RepairAddedImages();
    } else if (items > images) {
        GenerateStdList();
        TImageList::Change();
    }
}

// Images added through the framework's operations carry no alpha yet: magenta is transparent,
// everything else opaque. Images that already have alpha stay as they are.
void TsAlphaImageList::RepairAddedImages() {
    ListUpdatingScope updating(updating_);
    HIMAGELIST list = Handle();
    for (int i = 0; i < ImageList_GetImageCount(list); ++i) {
        HICON icon = ImageList_GetIcon(list, i, ILD_NORMAL);
        TBitmap colour;
        ICONINFO info;
        if (BitmapFromIcon(icon, colour) && !ListHasAnyAlpha(colour) && GetIconInfo(icon, &info)) {
            OpaqueExceptKey(colour, kAlphaListKey);
            HICON repaired = ListIconOf(colour, info.hbmMask);
            ImageList_ReplaceIcon(list, i, repaired);
            DestroyIcon(repaired);
            DeleteObject(info.hbmMask);
            DeleteObject(info.hbmColor);
        }
        if (icon) DestroyIcon(icon);
    }
}

std::unique_ptr<TBitmap> TsAlphaImageList::DecodeItem(TsImgListItem& item, int width, int height) {
    auto png = std::make_unique<TPNGGraphic>();
    item.data_.Seek(0, TSeekOrigin::soBeginning);
    png->LoadFromStream(item.data_);
    if (item.decodedWidth_ == Width() && item.decodedHeight_ == Height()) {
        if (png->PixelFormat() != pf32bit) {
            png->SetPixelFormat(pf32bit);
            RepairAlphaFromCorner(*png);
        }
        return png;
    }
    auto scaled = std::make_unique<TBitmap>(width, height, png->PixelFormat() == pf32bit ? pf32bit : pf24bit);
    ResampleBitmap(*png, *scaled, width, height, kMitchellFilter);
    return scaled;
}

std::unique_ptr<TBitmap> TsAlphaImageList::CreateBitmap32(int index, int width, int height) {
    if (!HandleAllocated() || index < 0 || index >= ImageCount()) return nullptr;
    if (index < items_->Count()) {
        TsImgListItem& item = *items_->Items(index);
        if (item.ImageFormat == ifPNG && item.data_.GetSize() > 0) {
            if (item.cache_ && item.cache_->Width() == width && item.cache_->Height() == height) {
                auto copy = std::make_unique<TBitmap>();
                copy->Assign(item.cache_.get());
                return copy;
            }
            item.cache_.reset();
            std::unique_ptr<TBitmap> result = DecodeItem(item, width, height);
            item.cache_ = std::make_unique<TBitmap>();
            item.cache_->Assign(result.get());
            item.cache_->SetPixelFormat(pf32bit);
            return result;
        }
    }
    HICON icon = ImageList_GetIcon(Handle(), index, ILD_NORMAL);
    auto result = std::make_unique<TBitmap>();
    bool read = BitmapFromIcon(icon, *result);
    if (icon) DestroyIcon(icon);
    return read ? std::move(result) : nullptr;
}

void TsAlphaImageList::DoDraw(int index, TCanvas& canvas, int x, int y, UINT, bool) {
    if (!HandleAllocated() || index < 0) return;
    HIMAGELIST list = Handle();
    if (index >= items_->Count() || items_->Items(index)->ImageFormat == ifICO) {
        ImageList_SetBkColor(list, CLR_NONE);
        HICON icon = ImageList_GetIcon(list, index, ILD_TRANSPARENT);
        if (!icon) return;
        DrawIconEx(canvas.Handle(), x, y, icon, Width(), Height(), 0, nullptr, DI_NORMAL);
        DestroyIcon(icon);
        return;
    }
    std::unique_ptr<TBitmap> image = CreateBitmap32(index, Width(), Height());
    if (!image) return;
    TBitmap work(Width(), Height(), pf32bit);
    RECT whole{0, 0, Width(), Height()};
    RECT under{x, y, x + Width(), y + Height()};
    work.Canvas().CopyRect(whole, canvas, under);
    TsBackgroundSource behind;
    behind.Bmp = &work;
    behind.Valid = true;
    DrawAlphaImage(whole, RECT{0, 0, image->Width(), image->Height()}, work, *image, behind, true, clNone, 0, false);
    canvas.CopyRect(under, work.Canvas(), whole);
}

void TsAlphaImageList::Assign(const TPersistent* source) {
    if (!source) return FreeSystemList();
    auto* other = dynamic_cast<const TsAlphaImageList*>(source);
    if (!other) return TImageList::Assign(source);
    CopyFrom(const_cast<TsAlphaImageList&>(*other));
}

void TsAlphaImageList::CopyFrom(TsAlphaImageList& source) {
    if (&source == this) return;
    ListUpdatingScope updating(updating_);
    Clear();
    SetMasked(source.Masked());
    SetImageType(source.ImageType());
    SetDrawingStyle(source.DrawingStyle());
    SetShareImages(source.ShareImages());
    int width = source.Width(), height = source.Height();
    if (source.HandleAllocated()) ImageList_GetIconSize(source.Handle(), &width, &height);
    SetWidth(width);
    SetHeight(height);
    CreateSystemList();
    if (source.HandleAllocated()) {
        COLORREF background = ImageList_GetBkColor(source.Handle());
        SetBkColor(background == CLR_NONE ? clNone : background == CLR_DEFAULT ? clDefault : static_cast<TColor>(background));
        ImageList_SetBkColor(source.Handle(), CLR_NONE);
    }
    SetBlendColor(source.BlendColor());
    items_->Clear();
    for (int i = 0; i < source.items_->Count(); ++i) items_->Add()->Assign(source.items_->Items(i));
    GenerateStdList();
}

// --- Free routines ---------------------------------------------------------------------------

void DrawImageListGlyph(TCustomImageList& list, TBitmap& bitmap, int x, int y, int imageIndex, int frameIndex,
                        int frameCount, bool reflected, int blendPercent, TColor tintColor, SIZE& frameSize) {
    frameCount = std::max(frameCount, 1);
    frameIndex = std::clamp(frameIndex, 0, frameCount - 1);
    int frameWidth = list.Width() / frameCount, height = list.Height();
    frameSize = SIZE{frameWidth, height};
    if (bitmap.Width() == 0 || !list.HandleAllocated() || frameWidth <= 0) return;
    RECT frame{frameIndex * frameWidth, 0, (frameIndex + 1) * frameWidth, height};
    RECT target{x, y, x + frameWidth, y + height};

    if (auto* alphaList = dynamic_cast<TsAlphaImageList*>(&list)) {
        std::unique_ptr<TBitmap> image = alphaList->CreateBitmap32(imageIndex, list.Width(), height);
        if (!image) return;
        DrawAlphaImage(target, frame, bitmap, *image, EmptyBackdrop, false, tintColor, blendPercent, reflected);
        return;
    }
    // Other lists draw through the framework onto a copy of what lies under the frame.
    TBitmap work(list.Width(), height, pf32bit);
    work.Canvas().CopyRect(frame, bitmap.Canvas(), target);
    list.Draw(work.Canvas(), 0, 0, imageIndex, true);
    bitmap.Canvas().CopyRect(target, work.Canvas(), frame);
}

void DrawImageListGlyphToDC(TCustomImageList& list, HDC dc, int x, int y, int imageIndex, int frameIndex,
                            int frameCount, bool reflected, int blendPercent, TColor tintColor, SIZE& frameSize) {
    int width = list.Width(), height = list.Height() + (reflected ? list.Height() / 2 : 0);
    if (width <= 0 || height <= 0) {
        frameSize = SIZE{0, list.Height()};
        return;
    }
    TBitmap work(width, height, pf32bit);
    BitBlt(work.Canvas().Handle(), 0, 0, width, height, dc, x, y, SRCCOPY);
    DrawImageListGlyph(list, work, 0, 0, imageIndex, frameIndex, frameCount, reflected, blendPercent, tintColor,
                       frameSize);
    BitBlt(dc, x, y, width, height, work.Canvas().Handle(), 0, 0, SRCCOPY);
}

bool ImageListItemToBitmap(TsAlphaImageList& list, int index, TBitmap* bitmap) {
    if (!bitmap || !list.HandleAllocated() || index < 0 || index >= list.ImageCount()) return false;
    if (index < list.items_->Count()) {
        TsImgListItem& item = *list.items_->Items(index);
        if (item.ImageFormat == ifPNG && item.data_.GetSize() > 0) {
            int width = bitmap->Width(), height = bitmap->Height();
            if (item.cache_ && item.cache_->Width() == width && item.cache_->Height() == height) {
                bitmap->Assign(item.cache_.get());
            } else {
                item.cache_.reset();
                bool ownSize = item.decodedWidth_ == list.Width() && item.decodedHeight_ == list.Height();
                if (!ownSize && (width <= 0 || height <= 0)) width = list.Width(), height = list.Height();
                std::unique_ptr<TBitmap> decoded = list.DecodeItem(item, width, height);
                bitmap->Assign(decoded.get());
            }
            if (bitmap->PixelFormat() != pf32bit) {
                bitmap->SetPixelFormat(pf32bit);
                RepairAlphaFromCorner(*bitmap);
            }
            item.cache_ = std::make_unique<TBitmap>();
            item.cache_->Assign(bitmap);
            return true;
        }
    }
    HICON icon = ImageList_GetIcon(list.Handle(), index, ILD_NORMAL);
    bool read = BitmapFromIcon(icon, *bitmap);
    if (icon) DestroyIcon(icon);
    return read;
}

void RepairAlphaFromCorner(TBitmap& bitmap) {
    if (bitmap.PixelFormat() != pf32bit || bitmap.Height() < 2 || bitmap.Width() < 1 || ListHasAnyAlpha(bitmap)) return;
    OpaqueExceptKey(bitmap, ListPixelRow(bitmap, bitmap.Height() - 1)[0] & 0xFFFFFFu);
}

HICON PngToIconOnColor(TPNGGraphic& graphic, TColor color) {
    int width = graphic.Width(), height = graphic.Height();
    if (width <= 0 || height <= 0) return nullptr;
    TBitmap image;
    image.Assign(&graphic);
    if (image.PixelFormat() != pf32bit) MakeKeyedOpaque32(image);
    TBitmap colour(width, height, pf32bit);
    if (height >= 2) {
        colour.Assign(&image);
        TBitmap mask(width, height, pf1bit);
        MarkMask(mask, [&](int x, int y) { return (ListPixelRow(image, y)[x] >> 24) == 0; });
        return ListIconOf(colour, mask.Handle());
    }
    // A single row is drawn over the colour and shown whole.
    colour.Canvas().Brush().SetColor(color);
    colour.Canvas().FillRect(RECT{0, 0, width, height});
    graphic.Draw(colour.Canvas(), RECT{0, 0, width, height});
    TBitmap mask(width, height, pf1bit);
    return ListIconOf(colour, mask.Handle());
}

HICON PngToIcon(TPNGGraphic& graphic, bool forceMask) {
    int width = graphic.Width(), height = graphic.Height();
    if (width <= 0 || height <= 0) return nullptr;
    TBitmap image;
    image.Assign(&graphic);
    if (!forceMask && image.PixelFormat() == pf32bit) {
        TBitmap mask(width, height, pf1bit);
        return ListIconOf(image, mask.Handle());
    }
    image.SetPixelFormat(pf32bit);
    std::uint32_t corner = ListPixelRow(image, 0)[0];
    TBitmap mask(width, height, pf1bit);
    MarkMask(mask, [&](int x, int y) { return ListPixelRow(image, y)[x] == corner; });
    return ListIconOf(image, mask.Handle());
}

}  // namespace parch
