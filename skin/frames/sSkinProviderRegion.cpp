// The window region of a skinned form: its rectangle less the key-coloured corners of the
// skin's borders masks, so rounded frames show what lies behind the window.

#include <algorithm>
#include <cstdint>

#include "platform/gdi/Regions.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/frames/sSkinProvider.h"

namespace parch {

namespace {

// Appends the key runs of the image rows [top, top + rows) within columns [from, to) of the
// image, placed at x = placeX + (column - from), y = placeY + row.
void CollectKeyRunsInBlock(TAOR& rects, TBitmap& image, int top, int rows, int from, int to, int placeX, int placeY) {
    for (int row = 0; row < rows; ++row) {
        const auto* pixels = reinterpret_cast<const std::uint32_t*>(image.ScanLine(top + row));
        int x = from;
        while (x < to) {
            // The master picture is loaded opaque: the key is matched on its colour alone.
            if (!IsSkinKeyPixel(pixels[x])) {
                ++x;
                continue;
            }
            int start = x;
            while (x < to && IsSkinKeyPixel(pixels[x])) ++x;
            rects.push_back(RECT{placeX + start - from, placeY + row, placeX + x - from, placeY + row + 1});
        }
    }
}

// The window's size as the window system has it (the form's bounds follow only after WM_SIZE).
SIZE RegionWindowSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

void CollectCornerHoles(TAOR& rects, int width, const TsMaskData& mask, int y, bool bottom) {
    if (!mask.OwnerManager) return;
    TBitmap* image = MaskImage(mask);
    if (!image || image->PixelFormat() != pf32bit) return;
    int frameWidth = MaskFrameWidth(mask);
    int stateHeight = MaskStateHeight(mask);
    int rows = bottom ? mask.BottomWidth : mask.TopWidth;
    int top = mask.SourceRect.top + (bottom ? stateHeight - mask.BottomWidth : 0);
    int left = mask.SourceRect.left;
    if (rows <= 0 || frameWidth <= 0 || top < 0 || top + rows > image->Height()) return;
    if (left < 0 || left + frameWidth > image->Width()) return;
    int leftWidth = std::min<int>(mask.LeftWidth, frameWidth);
    int rightWidth = std::min<int>(mask.RightWidth, frameWidth);
    CollectKeyRunsInBlock(rects, *image, top, rows, left, left + leftWidth, 0, y);
    CollectKeyRunsInBlock(rects, *image, top, rows, left + frameWidth - rightWidth, left + frameWidth,
                          width - rightWidth, y);
}

int TsSkinProvider::FrameImageWidth() const {
    if (!form_->HandleAllocated()) return form_->Width();
    return RegionWindowSize(form_->Handle()).cx;
}

void TsSkinProvider::UpdateCornerRects() {
    cornerRects_.clear();
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (!manager) return;
    const TsSkinTables& tables = manager->Tables();
    int width = FrameImageWidth();
    if (IsValidMaskIndex(tables, skinData_->BordersMaskIndex)) {
        const TsMaskData& borders = tables.Masks[static_cast<size_t>(skinData_->BordersMaskIndex)];
        CollectCornerHoles(cornerRects_, width, borders, 0, false);
        int height = form_->HandleAllocated() ? RegionWindowSize(form_->Handle()).cy : form_->Height();
        CollectCornerHoles(cornerRects_, width, borders, height - borders.BottomWidth, true);
    }
    int titleIndex = GetSectionIndex(manager, "FORMTITLE");
    if (IsValidSectionIndex(tables, titleIndex)) {
        int titleMask = manager->GetMaskIndex(titleIndex, "FORMTITLE", "BORDERSMASK");
        if (IsValidMaskIndex(tables, titleMask))
            CollectCornerHoles(cornerRects_, width, tables.Masks[static_cast<size_t>(titleMask)], 0, false);
    }
}

HRGN TsSkinProvider::CreateFormRgn(int x, int y) const {
    int height = form_->HandleAllocated() ? RegionWindowSize(form_->Handle()).cy : form_->Height();
    HRGN region = CreateRectRgn(x, y, x + FrameImageWidth(), y + height);
    for (const RECT& corner : cornerRects_) {
        HRGN hole = CreateRectRgn(corner.left + x, corner.top + y, corner.right + x, corner.bottom + y);
        CombineRgn(region, region, hole, RGN_DIFF);
        DeleteObject(hole);
    }
    return region;
}

void TsSkinProvider::UpdateRgn(bool redraw) {
    if (!drawNonClientArea_ || !form_->HandleAllocated()) return;
    HWND window = form_->Handle();
    DWORD style = static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE));
    bool minimized = form_->WindowState() == wsMinimized;
    if (!HasBorder() && !minimized && !(style & WS_THICKFRAME)) return;
    // Some windows keep a region of their own; they are asked until the frame was painted once.
    if (!firstPainted_ && SendMessage(window, kOwnRegionQuery, kOwnRegionAnswer, 0) == static_cast<LRESULT>(kOwnRegionAnswer))
        return;
    if (GetParent(window) && form_->DragKind() == dkDock) {
        SetWindowRgn(window, nullptr, 0);
        return;
    }
    settingRegion_ = true;
    HRGN region;
    const TSizeConstraints& constraints = form_->Constraints();
    bool constrained = constraints.MaxWidth != 0 || constraints.MaxHeight != 0;
    if (form_->WindowState() != wsMaximized || constrained || form_->FormStyle() == fsMDIChild) {
        region = CreateFormRgn(0, 0);
    } else {
        // A maximized form shows only what lies inside its own frame.
        int frame = GetFrameWidth(window);
        SIZE size = RegionWindowSize(window);
        region = CreateRectRgn(frame, frame, size.cx - frame, size.cy - frame);
    }
    regionChanged_ = false;
    SetWindowRgn(window, region, redraw ? 1 : 0);
    ownsRegion_ = true;
    settingRegion_ = false;
}

void TsSkinProvider::RefreshRegion() {
    if (!form_->HandleAllocated()) return;
    HWND window = form_->Handle();
    bool minimized = form_->WindowState() == wsMinimized;
    if (minimized && (GetWindowLongPtr(window, GWL_EXSTYLE) & WS_EX_APPWINDOW)) return;
    DWORD style = static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE));
    if (HasBorder() || (style & WS_THICKFRAME) || minimized) {
        UpdateCornerRects();
        UpdateRgn(false);
    } else {
        regionChanged_ = false;
        SetWindowRgn(window, nullptr, 0);
    }
}

void TsSkinProvider::DropRegion() {
    cornerRects_.clear();
    regionChanged_ = true;
    firstPainted_ = false;
    if (ownsRegion_ && form_->HandleAllocated()) SetWindowRgn(form_->Handle(), nullptr, 1);
    ownsRegion_ = false;
}

}  // namespace parch
