#pragma once
// The framework's image lists: a component over a platform image list (Handle), with its
// drawing style, image type, background and blend colours, and change links through which
// controls that show its images learn of every change.

#include <vector>

#include "base/Classes.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "framework/graphics/Picture.h"
#include "platform/win/ImageLists.h"

namespace parch {

class TCustomImageList;

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };
enum TColorDepth { cdDeviceDependent, cd4Bit, cd8Bit, cd16Bit, cd24Bit, cd32Bit };

// A control's link to an image list: OnChange runs whenever the list changes. The list and the
// link know each other; destroying either ends the link.
class TChangeLink {
public:
    TChangeLink() = default;
    ~TChangeLink();
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    TCustomImageList* Sender() const { return sender_; }
    void SetSender(TCustomImageList* list) { sender_ = list; }
    void Change();

    TNotifyEvent OnChange;

private:
    TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* owner);
    // A list of its own size (the default is 16 x 16).
    TCustomImageList(TComponent* owner, int width, int height);
    ~TCustomImageList() override;

    // The platform list, made when first asked for. Setting another handle frees the old one
    // (unless ShareImages) and takes that list's size.
    HIMAGELIST Handle();
    void SetHandle(HIMAGELIST handle);
    bool HandleAllocated() const { return handle_ != nullptr; }
    // Gives the platform list to the caller (it is not freed by the component any more).
    HIMAGELIST ReleaseHandle();

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A new size removes every image.
    void SetWidth(int width);
    void SetHeight(int height);
    int Count();
    TColor BkColor();
    void SetBkColor(TColor color);
    TColor BlendColor() const { return blendColor_; }
    void SetBlendColor(TColor color) { blendColor_ = color; }
    TDrawingStyle DrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TDrawingStyle style);
    TImageType ImageType() const { return imageType_; }
    void SetImageType(TImageType type);
    // Takes effect when the platform list is next made.
    bool Masked() const { return masked_; }
    void SetMasked(bool masked);
    TColorDepth ColorDepth() const { return colorDepth_; }
    void SetColorDepth(TColorDepth depth);
    int AllocBy() const { return allocBy_; }
    void SetAllocBy(int count) { allocBy_ = count > 0 ? count : 1; }
    // A shared list is not freed with the component.
    bool ShareImages() const { return shareImages_; }
    void SetShareImages(bool share) { shareImages_ = share; }

    // The index of the first image added, -1 on failure. A wide bitmap holds several images.
    int Add(TBitmap* image, TBitmap* mask);
    int AddMasked(TBitmap* image, TColor maskColor);
    int AddIcon(TIcon* icon);
    void Replace(int index, TBitmap* image, TBitmap* mask);
    void ReplaceIcon(int index, TIcon* icon);
    void Delete(int index);
    void Clear();
    // Draws with the list's drawing style and image type; a disabled image is drawn blended
    // half with the window colour.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
    // The image as a 32-bit bitmap (alpha kept) or an icon; false for a bad index.
    bool GetBitmap(int index, TBitmap* image);
    bool GetIcon(int index, TIcon* icon);

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    TNotifyEvent OnChange;

protected:
    // Runs OnChange and every link's OnChange, unless updates are held.
    virtual void Change();
    virtual void DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled);
    UINT DrawingFlags() const;

private:
    void CreateList();
    void FreeList();

    HIMAGELIST handle_ = nullptr;
    int width_ = 16;
    int height_ = 16;
    TColor bkColor_ = clNone;
    TColor blendColor_ = clNone;
    TDrawingStyle drawingStyle_ = dsNormal;
    TImageType imageType_ = itImage;
    bool masked_ = true;
    TColorDepth colorDepth_ = cdDeviceDependent;
    int allocBy_ = 4;
    bool shareImages_ = false;
    int updateCount_ = 0;
    bool changedWhileHeld_ = false;
    std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
public:
    using TCustomImageList::TCustomImageList;
};

}  // namespace parch
