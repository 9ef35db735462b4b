#include "framework/ImgList.h"

#include <algorithm>

#include "platform/gdi/SystemColors.h"

namespace parch {
namespace imglist {

COLORREF ListColor(TColor color) {
    if (color == clNone) return CLR_NONE;
    if (color == clDefault) return CLR_DEFAULT;
    return ColorToRGB(color);
}

TColor FrameworkColor(COLORREF color) {
    if (color == CLR_NONE) return clNone;
    if (color == CLR_DEFAULT) return clDefault;
    return static_cast<TColor>(color);
}

UINT DepthFlags(TColorDepth depth) {
    switch (depth) {
        case cd4Bit: return ILC_COLOR4;
        case cd8Bit: return ILC_COLOR8;
        case cd16Bit: return ILC_COLOR16;
        case cd24Bit: return ILC_COLOR24;
        case cd32Bit: return ILC_COLOR32;
        case cdDeviceDependent: break;
    }
    return ILC_COLORDDB;
}

}  // namespace imglist

// --- TChangeLink ---

TChangeLink::~TChangeLink() {
    if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (OnChange) OnChange(sender_);
}

// --- TCustomImageList ---

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(std::max(width, 1)), height_(std::max(height, 1)) {}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : links_) link->SetSender(nullptr);
    links_.clear();
    FreeList();
}

void TCustomImageList::CreateList() {
    if (handle_) return;
    handle_ = ImageList_Create(width_, height_, imglist::DepthFlags(colorDepth_) | (masked_ ? ILC_MASK : 0), allocBy_,
                               allocBy_);
    if (handle_) ImageList_SetBkColor(handle_, imglist::ListColor(bkColor_));
}

void TCustomImageList::FreeList() {
    if (handle_ && !shareImages_) ImageList_Destroy(handle_);
    handle_ = nullptr;
}

HIMAGELIST TCustomImageList::Handle() {
    CreateList();
    return handle_;
}

void TCustomImageList::SetHandle(HIMAGELIST handle) {
    if (handle == handle_) return;
    FreeList();
    int cx = 0, cy = 0;
    if (handle && ImageList_GetIconSize(handle, &cx, &cy)) {
        handle_ = handle;
        width_ = cx;
        height_ = cy;
        bkColor_ = imglist::FrameworkColor(ImageList_GetBkColor(handle));
    }
    Change();
}

HIMAGELIST TCustomImageList::ReleaseHandle() {
    HIMAGELIST handle = handle_;
    handle_ = nullptr;
    return handle;
}

void TCustomImageList::SetWidth(int width) {
    if (width < 1 || width == width_) return;
    width_ = width;
    if (handle_) ImageList_SetIconSize(handle_, width_, height_);
    Change();
}

void TCustomImageList::SetHeight(int height) {
    if (height < 1 || height == height_) return;
    height_ = height;
    if (handle_) ImageList_SetIconSize(handle_, width_, height_);
    Change();
}

int TCustomImageList::Count() {
    return handle_ ? ImageList_GetImageCount(handle_) : 0;
}

TColor TCustomImageList::BkColor() {
    return handle_ ? imglist::FrameworkColor(ImageList_GetBkColor(handle_)) : bkColor_;
}

void TCustomImageList::SetBkColor(TColor color) {
    bkColor_ = color;
    if (handle_) ImageList_SetBkColor(handle_, imglist::ListColor(color));
    Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle style) {
    if (style == drawingStyle_) return;
    drawingStyle_ = style;
    Change();
}

void TCustomImageList::SetImageType(TImageType type) {
    if (type == imageType_) return;
    imageType_ = type;
    Change();
}

void TCustomImageList::SetMasked(bool masked) {
    if (masked == masked_) return;
    masked_ = masked;
    // The list is made again with the new flag; its images go with the old one.
    FreeList();
    Change();
}

void TCustomImageList::SetColorDepth(TColorDepth depth) {
    if (depth == colorDepth_) return;
    colorDepth_ = depth;
    FreeList();
    Change();
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
    if (!image || !image->Handle()) return -1;
    const int index = ImageList_Add(Handle(), image->Handle(), mask ? mask->Handle() : nullptr);
    if (index >= 0) Change();
    return index;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
    if (!image || !image->Handle()) return -1;
    const int index = ImageList_AddMasked(Handle(), image->Handle(), ColorToRGB(maskColor));
    if (index >= 0) Change();
    return index;
}

int TCustomImageList::AddIcon(TIcon* icon) {
    if (!icon || !icon->Handle()) return -1;
    const int index = ImageList_ReplaceIcon(Handle(), -1, icon->Handle());
    if (index >= 0) Change();
    return index;
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
    if (!image || !image->Handle()) return;
    if (ImageList_Replace(Handle(), index, image->Handle(), mask ? mask->Handle() : nullptr)) Change();
}

void TCustomImageList::ReplaceIcon(int index, TIcon* icon) {
    if (!icon || !icon->Handle()) return;
    if (ImageList_ReplaceIcon(Handle(), index, icon->Handle()) >= 0) Change();
}

void TCustomImageList::Delete(int index) {
    if (index >= 0 && ImageList_Remove(Handle(), index)) Change();
}

void TCustomImageList::Clear() {
    if (ImageList_Remove(Handle(), -1)) Change();
}

UINT TCustomImageList::DrawingFlags() const {
    UINT style = ILD_NORMAL;
    switch (drawingStyle_) {
        case dsFocus: style = ILD_FOCUS; break;
        case dsSelected: style = ILD_SELECTED; break;
        case dsTransparent: style = ILD_TRANSPARENT; break;
        case dsNormal: break;
    }
    if (imageType_ == itMask) style |= ILD_MASK;
    return style;
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
    if (!handle_ || index < 0) return;
    DoDraw(index, canvas, x, y, DrawingFlags(), enabled);
}

void TCustomImageList::DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled) {
    COLORREF blend = imglist::ListColor(blendColor_);
    if (!enabled) {
        style = (style & ~(ILD_BLEND25 | ILD_BLEND50)) | ILD_BLEND50;
        blend = GetSysColor(COLOR_WINDOW);
    }
    ImageList_DrawEx(handle_, index, canvas.Handle(), x, y, 0, 0, imglist::ListColor(BkColor()), blend, style);
}

bool TCustomImageList::GetBitmap(int index, TBitmap* image) {
    if (!image || !handle_) return false;
    HICON icon = ImageList_GetIcon(handle_, index, ILD_NORMAL);
    if (!icon) return false;
    IconImage picture;
    GetIconImage(icon, picture);
    DestroyIcon(icon);
    image->SetPixelFormat(pf32bit);
    image->SetSize(picture.width, picture.height);
    for (int row = 0; row < picture.height; ++row) {
        auto* line = reinterpret_cast<std::uint32_t*>(image->ScanLine(row));
        for (int col = 0; col < picture.width; ++col) {
            const std::size_t k = static_cast<std::size_t>(row) * picture.width + col;
            const std::uint32_t c = picture.color[k];
            line[col] = picture.hasAlpha ? c : (c & 0xFFFFFF) | (picture.mask[k] ? 0u : 0xFF000000u);
        }
    }
    return true;
}

bool TCustomImageList::GetIcon(int index, TIcon* icon) {
    if (!icon || !handle_) return false;
    HICON handle = ImageList_GetIcon(handle_, index, ILD_NORMAL);
    if (!handle) return false;
    icon->SetHandle(handle);
    return true;
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
    if (!link || std::find(links_.begin(), links_.end(), link) != links_.end()) return;
    if (link->Sender() && link->Sender() != this) link->Sender()->UnRegisterChanges(link);
    link->SetSender(this);
    links_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
    auto it = std::find(links_.begin(), links_.end(), link);
    if (it == links_.end()) return;
    links_.erase(it);
    link->SetSender(nullptr);
}

void TCustomImageList::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && changedWhileHeld_) {
        changedWhileHeld_ = false;
        Change();
    }
}

void TCustomImageList::Change() {
    if (updateCount_ > 0) {
        changedWhileHeld_ = true;
        return;
    }
    // A handler may unregister its link: walk a copy.
    const std::vector<TChangeLink*> links = links_;
    for (TChangeLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->Change();
    if (OnChange) OnChange(this);
}

}  // namespace parch
