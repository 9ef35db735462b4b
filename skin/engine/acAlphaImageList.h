#pragma once
// TsAlphaImageList: an image list that keeps every image as the bytes of its PNG or ICO file
// (Items) and builds the platform list (32-bit with alpha) from them. Skinned controls draw its
// images alpha-blended through DrawImageListGlyph; drawing through the framework's image list
// operations blends them too.

#include <memory>

#include "base/Collections.h"
#include "base/Streams.h"
#include "framework/ImgList.h"
#include "framework/graphics/Bitmap.h"
#include "platform/gdi/IconObjects.h"

namespace parch {

class TsAlphaImageList;
class TPNGGraphic;

enum TsImageFormat { ifPNG = 0, ifICO = 1 };

bool ImageListItemToBitmap(TsAlphaImageList& list, int index, TBitmap* bitmap);

class TsImgListItem : public TCollectionItem {
public:
    explicit TsImgListItem(TCollection* collection);
    ~TsImgListItem() override;

    TsImageFormat ImageFormat = ifPNG;
    // Kept and copied; decoding does not look at it.
    TPixelFormat PixelFormat = pf32bit;
    // The whole PNG or ICO file.
    TMemoryStream& ImgData() { return data_; }
    // The image's size as decoded when the platform list was last built.
    int DecodedWidth() const { return decodedWidth_; }
    int DecodedHeight() const { return decodedHeight_; }

    void Assign(const TPersistent* source) override;

private:
    friend class TsAlphaImageList;
    friend bool ImageListItemToBitmap(TsAlphaImageList& list, int index, TBitmap* bitmap);

    TMemoryStream data_;
    int decodedWidth_ = 0;
    int decodedHeight_ = 0;
    // A 32-bit copy of the image at the size last asked for.
    std::unique_ptr<TBitmap> cache_;
};

class TsImgListItems : public TCollection {
public:
    explicit TsImgListItems(TsAlphaImageList* owner);
    TsImgListItem* Items(int index) const { return static_cast<TsImgListItem*>(TCollection::Items(index)); }
    TsImgListItem* Add() { return static_cast<TsImgListItem*>(TCollection::Add()); }
};

class TsAlphaImageList : public TImageList {
public:
    explicit TsAlphaImageList(TComponent* owner);
    TsAlphaImageList(TComponent* owner, int width, int height);
    ~TsAlphaImageList() override;

    TsImgListItems& Items() { return *items_; }
    void SetItems(const TsImgListItems& items) { items_->Assign(&items); }

    // The stored colour, or the platform list's while the stored one is clNone.
    TColor BkColor();
    void SetBkColor(TColor color);

    // Rebuilds the platform list from Items (nothing without a platform list).
    void GenerateStdList();
    void BeginItemsUpdate() { updating_ = true; }
    void EndItemsUpdate(bool doChange);
    // Image `index` as a new 32-bit bitmap of width x height (the caller owns it); nullptr
    // without a platform list or for an index outside the images.
    std::unique_ptr<TBitmap> CreateBitmap32(int index, int width, int height);
    // Releases the platform list (unless shared).
    void FreeSystemList();

    void Assign(const TPersistent* source) override;
    void Loaded() override;

protected:
    void Change() override;
    void DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled) override;

private:
    friend bool ImageListItemToBitmap(TsAlphaImageList& list, int index, TBitmap* bitmap);

    void CreateSystemList();
    void GenerateIfNeeded();
    void CopyFrom(TsAlphaImageList& source);
    void RepairAddedImages();
    // The decoded picture of a PNG item, at the list's size or scaled to width x height.
    std::unique_ptr<TBitmap> DecodeItem(TsImgListItem& item, int width, int height);
    int ImageCount();

    std::unique_ptr<TsImgListItems> items_;
    bool generated_ = false;
    bool updating_ = false;
    TColor storedBkColor_ = clNone;
};

// The image's frame (FrameCount frames side by side; at least 1, the index clamped into them)
// alpha-blended onto the 32-bit Bitmap at (x, y); frameSize receives the frame's size.
void DrawImageListGlyph(TCustomImageList& list, TBitmap& bitmap, int x, int y, int imageIndex, int frameIndex,
                        int frameCount, bool reflected, int blendPercent, TColor tintColor, SIZE& frameSize);
// The same onto a device context, through a work bitmap filled from it.
void DrawImageListGlyphToDC(TCustomImageList& list, HDC dc, int x, int y, int imageIndex, int frameIndex,
                            int frameCount, bool reflected, int blendPercent, TColor tintColor, SIZE& frameSize);
// Image `index` into Bitmap as 32 bits with alpha; false without a platform list, without a
// bitmap or for an index outside the images.
bool ImageListItemToBitmap(TsAlphaImageList& list, int index, TBitmap* bitmap);

// A 32-bit bitmap without any alpha gets alpha from its bottom-left pixel: that colour stays
// transparent, every other pixel becomes opaque. Bitmaps under 2 rows are left as they are.
void RepairAlphaFromCorner(TBitmap& bitmap);

// Icons made from a decoded PNG (the caller destroys them). On a colour: straight alpha and a
// mask of the fully transparent pixels (a one-row image is drawn over the colour instead).
HICON PngToIconOnColor(TPNGGraphic& graphic, TColor color);
// With the image itself as the colour; ForceMask (or an image without alpha) masks the pixels
// equal to the top-left one.
HICON PngToIcon(TPNGGraphic& graphic, bool forceMask);

}  // namespace parch
