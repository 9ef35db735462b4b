#include "framework/graphics/Canvas.h"

#include "base/Exceptions.h"
#include "framework/graphics/Graphic.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/PensBrushes.h"

namespace parch {

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
    font_->OnChange = [this] { state_ &= ~kFontValid; };
    pen_->OnChange = [this] { state_ &= ~kPenValid; };
    brush_->OnChange = [this] { state_ &= ~kBrushValid; };
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

HDC TCanvas::Handle() {
    Changing();
    RequiredState(kHandleValid | kFontValid | kPenValid | kBrushValid);
    return handle_;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc == handle_) return;
    if (handle_) {
        DeselectHandles();
        handle_ = nullptr;
        state_ &= ~kHandleValid;
    }
    if (dc) {
        handle_ = dc;
        state_ |= kHandleValid;
    }
}

void TCanvas::DeselectHandles() {
    if (!handle_ || !(state_ & (kFontValid | kPenValid | kBrushValid))) return;
    SelectObject(handle_, GetStockObject(BLACK_PEN));
    SelectObject(handle_, GetStockObject(HOLLOW_BRUSH));
    SelectObject(handle_, GetStockObject(SYSTEM_FONT));
    state_ &= ~(kFontValid | kPenValid | kBrushValid);
}

void TCanvas::RequiredState(unsigned required) {
    const unsigned missing = required & ~state_;
    if (!missing) return;
    if ((missing & kHandleValid) && !handle_) {
        CreateHandle();
        if (!handle_) throw EInvalidOperation("Canvas does not allow drawing");
    }
    if (missing & kFontValid) {
        SelectObject(handle_, font_->Handle());
        SetTextColor(handle_, ColorToRGB(font_->Color()));
    }
    if (missing & kPenValid) {
        SelectObject(handle_, pen_->Handle());
        static constexpr int kRop2[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN,
                                        R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN,
                                        R2_MERGEPEN, R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN,
                                        R2_NOTXORPEN};
        SetROP2(handle_, kRop2[pen_->Mode()]);
    }
    if (missing & kBrushValid) {
        SelectObject(handle_, brush_->Handle());
        SetBkColor(handle_, ColorToRGB(brush_->Color()));
        SetBkMode(handle_, brush_->Style() == bsSolid ? OPAQUE : TRANSPARENT);
    }
    state_ |= required;
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging();
}

void TCanvas::Changed() {
    if (OnChange) OnChange();
}

POINT TCanvas::PenPos() {
    RequiredState(kHandleValid);
    POINT position{};
    GetCurrentPositionEx(handle_, &position);
    return position;
}

void TCanvas::MoveTo(int x, int y) {
    RequiredState(kHandleValid);
    MoveToEx(handle_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    Changing();
    RequiredState(kHandleValid | kPenValid | kBrushValid);
    ::parch::LineTo(handle_, x, y);
    Changed();
}

void TCanvas::FillRect(const RECT& rect) {
    Changing();
    RequiredState(kHandleValid | kBrushValid);
    ::parch::FillRect(handle_, &rect, brush_->Handle());
    Changed();
}

void TCanvas::FrameRect(const RECT& rect) {
    Changing();
    RequiredState(kHandleValid | kBrushValid);
    ::parch::FrameRect(handle_, &rect, brush_->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const RECT& rect) {
    Changing();
    RequiredState(kHandleValid | kBrushValid);
    ::parch::DrawFocusRect(handle_, &rect);
    Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    Changing();
    RequiredState(kHandleValid | kPenValid | kBrushValid);
    ::parch::Rectangle(handle_, left, top, right, bottom);
    Changed();
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
    Changing();
    RequiredState(kHandleValid | kPenValid | kBrushValid);
    ::parch::RoundRect(handle_, left, top, right, bottom, cornerWidth, cornerHeight);
    Changed();
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    Changing();
    RequiredState(kHandleValid | kPenValid | kBrushValid);
    ::parch::Ellipse(handle_, left, top, right, bottom);
    Changed();
}

void TCanvas::Polygon(std::span<const POINT> points) {
    Changing();
    RequiredState(kHandleValid | kPenValid | kBrushValid);
    ::parch::Polygon(handle_, points.data(), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::Polyline(std::span<const POINT> points) {
    Changing();
    RequiredState(kHandleValid | kPenValid | kBrushValid);
    ::parch::Polyline(handle_, points.data(), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    Changing();
    RequiredState(kHandleValid | kFontValid | kBrushValid);
    ExtTextOut(handle_, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
    MoveToEx(handle_, x + TextWidth(text), y, nullptr);
    Changed();
}

void TCanvas::TextRect(const RECT& rect, int x, int y, const std::string& text) {
    Changing();
    RequiredState(kHandleValid | kFontValid | kBrushValid);
    const UINT options = ETO_CLIPPED | (brush_->Style() != bsClear ? ETO_OPAQUE : 0);
    ExtTextOut(handle_, x, y, options, &rect, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

SIZE TCanvas::TextExtent(const std::string& text) {
    RequiredState(kHandleValid | kFontValid);
    SIZE size{};
    GetTextExtentPoint32(handle_, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    StretchDraw(RECT{x, y, x + graphic->Width(), y + graphic->Height()}, graphic);
}

void TCanvas::StretchDraw(const RECT& rect, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    Changing();
    RequiredState(kHandleValid);
    graphic->Draw(*this, rect);
    Changed();
}

void TCanvas::CopyRect(const RECT& destRect, TCanvas& source, const RECT& sourceRect) {
    Changing();
    RequiredState(kHandleValid | kBrushValid);
    HDC sourceDC = source.Handle();
    StretchBlt(handle_, destRect.left, destRect.top, destRect.right - destRect.left, destRect.bottom - destRect.top,
               sourceDC, sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left,
               sourceRect.bottom - sourceRect.top, CopyMode);
    Changed();
}

TColor TCanvas::Pixels(int x, int y) {
    RequiredState(kHandleValid);
    const COLORREF color = GetPixel(handle_, x, y);
    return color == CLR_INVALID ? clNone : static_cast<TColor>(color);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
    Changing();
    RequiredState(kHandleValid | kPenValid);
    SetPixel(handle_, x, y, ColorToRGB(color));
    Changed();
}

RECT TCanvas::ClipRect() {
    RequiredState(kHandleValid);
    RECT box{};
    GetClipBox(handle_, &box);
    return box;
}

void TCanvas::Lock() {
    lock_.lock();
    ++lockCount_;
}

void TCanvas::Unlock() {
    --lockCount_;
    lock_.unlock();
}

bool TCanvas::TryLock() {
    if (!lock_.try_lock()) return false;
    ++lockCount_;
    return true;
}

void TCanvas::Refresh() { DeselectHandles(); }

}  // namespace parch
