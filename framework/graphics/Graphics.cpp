#include "framework/graphics/Graphics.h"

#include <cmath>
#include <cstring>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/PensBrushes.h"

namespace parch {

namespace {

// Rounds a * b / c to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

}  // namespace

COLORREF ColorToRGB(TColor color) {
    if (color < 0) return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color);
}

void TGraphicsObject::Changed() {
    if (OnChange) OnChange();
}

std::unique_lock<std::recursive_mutex> TGraphicsObject::LockOwner() {
    return ownerLock_ ? std::unique_lock(*ownerLock_) : std::unique_lock<std::recursive_mutex>();
}

// --- TFont ---

TFont::TFont() = default;

TFont::~TFont() { ReleaseHandle(); }

void TFont::ReleaseHandle() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

void TFont::FontChanged() {
    ReleaseHandle();
    Changed();
}

void TFont::SetName(const std::string& name) {
    auto lock = LockOwner();
    if (name.empty() || name == name_) return;
    name_ = name;
    FontChanged();
}

int TFont::Size() const { return -MulDiv(height_, 72, pixelsPerInch_); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, pixelsPerInch_, 72)); }

void TFont::SetHeight(int height) {
    auto lock = LockOwner();
    if (height == height_) return;
    height_ = height;
    FontChanged();
}

void TFont::SetColor(TColor color) {
    auto lock = LockOwner();
    if (color == color_) return;
    color_ = color;
    Changed();  // the colour is not part of the handle
}

void TFont::SetStyle(TFontStyles style) {
    auto lock = LockOwner();
    if (style == style_) return;
    style_ = style;
    FontChanged();
}

void TFont::SetCharset(BYTE charset) {
    auto lock = LockOwner();
    if (charset == charset_) return;
    charset_ = charset;
    FontChanged();
}

void TFont::SetPitch(TFontPitch pitch) {
    auto lock = LockOwner();
    if (pitch == pitch_) return;
    pitch_ = pitch;
    FontChanged();
}

void TFont::SetOrientation(int orientation) {
    auto lock = LockOwner();
    if (orientation == orientation_) return;
    orientation_ = orientation;
    FontChanged();
}

void TFont::SetQuality(TFontQuality quality) {
    auto lock = LockOwner();
    if (quality == quality_) return;
    quality_ = quality;
    FontChanged();
}

void TFont::SetPixelsPerInch(int pixelsPerInch) {
    if (pixelsPerInch > 0) pixelsPerInch_ = pixelsPerInch;
}

HFONT TFont::Handle() {
    auto lock = LockOwner();
    if (handle_) return handle_;
    static constexpr BYTE kQualities[] = {DEFAULT_QUALITY, 1, 2, NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY,
                                          CLEARTYPE_QUALITY, 6};
    static constexpr BYTE kPitches[] = {DEFAULT_PITCH, VARIABLE_PITCH, FIXED_PITCH};
    LOGFONT logical;
    logical.lfHeight = height_;
    logical.lfEscapement = orientation_;
    logical.lfOrientation = orientation_;
    logical.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    logical.lfItalic = (style_ & fsItalic) ? 1 : 0;
    logical.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    logical.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    logical.lfCharSet = charset_;
    logical.lfQuality = kQualities[quality_];
    logical.lfPitchAndFamily = kPitches[pitch_];
    std::strncpy(logical.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
    handle_ = CreateFontIndirect(&logical);
    return handle_;
}

void TFont::SetHandle(HFONT handle) {
    auto lock = LockOwner();
    LOGFONT logical;
    if (!handle || GetObject(handle, sizeof logical, &logical) != static_cast<int>(sizeof logical)) return;
    ReleaseHandle();
    handle_ = handle;
    name_ = logical.lfFaceName;
    height_ = logical.lfHeight;
    orientation_ = logical.lfEscapement;
    style_ = (logical.lfWeight >= FW_SEMIBOLD ? fsBold : 0) | (logical.lfItalic ? fsItalic : 0) |
             (logical.lfUnderline ? fsUnderline : 0) | (logical.lfStrikeOut ? fsStrikeOut : 0);
    charset_ = logical.lfCharSet;
    const BYTE pitch = logical.lfPitchAndFamily & 0x03;
    pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    Changed();
}

void TFont::Assign(const TFont& source) {
    if (&source == this) return;
    auto lock = LockOwner();
    name_ = source.name_;
    height_ = source.height_;
    color_ = source.color_;
    style_ = source.style_;
    charset_ = source.charset_;
    pitch_ = source.pitch_;
    orientation_ = source.orientation_;
    quality_ = source.quality_;
    pixelsPerInch_ = source.pixelsPerInch_;
    FontChanged();
}

// --- TPen ---

TPen::~TPen() { ReleaseHandle(); }

void TPen::ReleaseHandle() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

void TPen::PenChanged() {
    ReleaseHandle();
    Changed();
}

void TPen::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    PenChanged();
}

void TPen::SetWidth(int width) {
    if (width < 0 || width == width_) return;
    width_ = width;
    PenChanged();
}

void TPen::SetStyle(TPenStyle style) {
    if (style == style_) return;
    style_ = style;
    PenChanged();
}

void TPen::SetMode(TPenMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    Changed();  // applied by the canvas, not part of the handle
}

HPEN TPen::Handle() {
    if (!handle_) {
        static constexpr int kStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        handle_ = CreatePen(kStyles[style_], width_, ColorToRGB(color_));
    }
    return handle_;
}

void TPen::Assign(const TPen& source) {
    if (&source == this) return;
    color_ = source.color_;
    width_ = source.width_;
    style_ = source.style_;
    mode_ = source.mode_;
    PenChanged();
}

// --- TBrush ---

TBrush::~TBrush() { ReleaseHandle(); }

void TBrush::ReleaseHandle() {
    if (handle_ && ownsHandle_) DeleteObject(handle_);
    handle_ = nullptr;
    ownsHandle_ = false;
}

void TBrush::BrushChanged() {
    ReleaseHandle();
    Changed();
}

void TBrush::SetColor(TColor color) {
    if (color == color_ && style_ != bsClear) return;
    color_ = color;
    if (style_ == bsClear) style_ = bsSolid;
    BrushChanged();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == style_) return;
    style_ = style;
    BrushChanged();
}

void TBrush::SetBitmap(TBitmap* bitmap) {
    if (bitmap == bitmap_) return;
    bitmap_ = bitmap;
    BrushChanged();
}

HBRUSH TBrush::Handle() {
    if (handle_) return handle_;
    ownsHandle_ = true;
    if (bitmap_ && !bitmap_->Empty()) {
        handle_ = CreatePatternBrush(bitmap_->Handle());
    } else if (style_ == bsSolid) {
        handle_ = CreateSolidBrush(ColorToRGB(color_));
    } else if (style_ == bsClear) {
        handle_ = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        ownsHandle_ = false;
    } else {
        // bsHorizontal.. bsDiagCross follow the hatch indexes in order.
        handle_ = CreateHatchBrush(static_cast<int>(style_) - bsHorizontal + HS_HORIZONTAL, ColorToRGB(color_));
    }
    return handle_;
}

void TBrush::Assign(const TBrush& source) {
    if (&source == this) return;
    color_ = source.color_;
    style_ = source.style_;
    bitmap_ = source.bitmap_;
    BrushChanged();
}

}  // namespace parch
