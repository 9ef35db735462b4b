#include "bitmap32/view/Image32.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>

#include "base/Streams.h"
#include "base/SysUtils.h"
#include "framework/FormDescription.h"
#include "framework/PropertyText.h"
#include "framework/Screen.h"

namespace parch {

namespace {

// View coordinates stay within half the integer range, so a width or height taken from two
// of them never overflows.
constexpr long double kViewLimit = INT_MAX / 2;

int LimitedToView(long double value) {
    if (std::isnan(value)) return 0;
    return static_cast<int>(std::clamp(value, -kViewLimit, kViewLimit));
}

// Rounding to nearest with ties to even, limited to the view range.
int RoundedToView(long double value) { return LimitedToView(std::nearbyint(value)); }

TLayerMouseButton LayerButtonOf(TMouseButton button) {
    switch (button) {
    case mbRight: return TLayerMouseButton::mbRight;
    case mbMiddle: return TLayerMouseButton::mbMiddle;
    default: return TLayerMouseButton::mbLeft;
    }
}

TShiftState ButtonBitOf(TMouseButton button) {
    switch (button) {
    case mbRight: return ssRight;
    case mbMiddle: return ssMiddle;
    default: return ssLeft;
    }
}

// The nearest single above 0.001: the smallest scale the control keeps.
const float kMinimumScale = std::bit_cast<float>(0x3A83126Fu);

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Binary property data written as hexadecimal text, white space between digit pairs allowed.
std::string BytesOfHexText(const std::string& property, const std::string& text) {
    std::string bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
        const int digit = HexDigitValue(c);
        if (digit < 0) PropertyValueError(property, text.substr(0, 32));
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) PropertyValueError(property, text.substr(0, 32));
    return bytes;
}

TBitmapAlign BitmapAlignOf(const std::string& name, const std::string& text) {
    return PropertyEnum<TBitmapAlign>(
        name, text, {{"baTopLeft", baTopLeft}, {"baCenter", baCenter}, {"baTile", baTile}, {"baCustom", baCustom}});
}

TScaleMode ScaleModeOf(const std::string& name, const std::string& text) {
    return PropertyEnum<TScaleMode>(name, text,
                                    {{"smNormal", smNormal},
                                     {"smStretch", smStretch},
                                     {"smScale", smScale},
                                     {"smResize", smResize},
                                     {"smOptimal", smOptimal},
                                     {"smOptimalScaled", smOptimalScaled}});
}

TRepaintMode RepaintModeOf(const std::string& name, const std::string& text) {
    return PropertyEnum<TRepaintMode>(name, text,
                                      {{"rmFull", rmFull}, {"rmDirect", rmDirect}, {"rmOptimizer", rmOptimizer}});
}

float ScaleOf(const std::string& name, const std::string& text) {
    try {
        return static_cast<float>(FloatPropertyValue(name, text));
    } catch (const EPropertyAccessError&) {
        PropertyValueError(name, text);
    }
}

}  // namespace

TPaintStage& TPaintStages::Add() {
    items_.emplace_back();
    return items_.back();
}

TCustomImage32::TCustomImage32(TComponent* owner)
    : TCustomPaintBox32(owner),
      bitmap_(std::make_unique<TBitmap32>()),
      layers_(std::make_unique<TLayerCollection>(this)),
      paintStages_(std::make_unique<TPaintStages>()) {
    SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csOpaque | csDoubleClicks | csReplicatable);
    SetParentColor(true);
    bitmap_->OnResize = [this](TObject* sender) { OnBitmapSizeChange(sender); };
    layers_->OnChange = [this](TObject*) { Changed(); };
    layers_->OnGDIUpdate = [this](TObject*) { PaintNow(); };
    layers_->OnGetViewportScale = [this](TObject*, float& x, float& y) {
        UpdateView();
        x = viewScaleX_;
        y = viewScaleY_;
    };
    layers_->OnGetViewportShift = [this](TObject*, float& x, float& y) {
        UpdateView();
        x = viewShiftX_;
        y = viewShiftY_;
    };
    RepaintOptimizer().AttachLayerCollection(layers_.get());
    SetRepaintMode(rmFull);
    SetViewTransform(0, 0, 1, 1);
    SetUpDefaultStages();
}

TCustomImage32::~TCustomImage32() {
    BeginUpdate();
    paintStages_.reset();
    RepaintOptimizer().DetachLayerCollection(layers_.get());
    layers_.reset();
    bitmap_->OnResize = nullptr;
    bitmap_->OnChange = nullptr;
    bitmap_->OnAreaChanged = nullptr;
    bitmap_.reset();
}

void TCustomImage32::SetBitmap(const TCustomBitmap32* source) {
    InvalidateView();
    bitmap_->Assign(source);
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign align) {
    InvalidateView();
    bitmapAlign_ = align;
    Changed();
}

void TCustomImage32::SetScaleMode(TScaleMode mode) {
    if (mode == scaleMode_) return;
    InvalidateView();
    scaleMode_ = mode;
    Changed();
}

void TCustomImage32::SetScale(float value) {
    if (!std::isfinite(value)) return;
    if (static_cast<long double>(value) < 0.001L) value = kMinimumScale;
    if (value == scaleX_) return;
    InvalidateView();
    scaleX_ = scaleY_ = value;
    viewScaleX_ = viewScaleY_ = value;
    viewInvScaleX_ = viewInvScaleY_ = 1 / value;
    ScaleWasChanged();
    Changed();
}

void TCustomImage32::SetCustomOffset(float x, float y) {
    InvalidateView();
    customOffsetX_ = x;
    customOffsetY_ = y;
    Changed();
}

void TCustomImage32::ScaleWasChanged() {
    if (OnScaleChange) OnScaleChange(this);
}

void TCustomImage32::Changed() {
    if (updateCount_ != 0) return;
    Invalidate();
    if (OnChange) OnChange(this);
}

void TCustomImage32::BitmapChanged(const RECT&) { Changed(); }

void TCustomImage32::AreaUpdated(const RECT& area) {
    if (RepaintOptimizer().Enabled()) RepaintOptimizer().NoteAreaUpdate(this, area, AreaKindRect);
}

void TCustomImage32::Invalidate() {
    SetBufferValid(false);
    viewRectCurrent_ = false;
    TCustomPaintBox32::Invalidate();
}

void TCustomImage32::InvalidateView() {
    if (RepaintOptimizer().Enabled()) RepaintOptimizer().ResetState();
    viewRectCurrent_ = false;
}

void TCustomImage32::Loaded() {
    TCustomPaintBox32::Loaded();
    RunStageSetup();
}

void TCustomImage32::RunStageSetup() {
    if (OnInitStages) OnInitStages(this);
}

void TCustomImage32::Resize() {
    InvalidateView();
    TCustomPaintBox32::Resize();
}

// ---------------------------------------------------------------------------------------------
// Geometry

SIZE TCustomImage32::ComputeViewSize() {
    if (bitmap_->Empty() || Width() == 0 || Height() == 0) return SIZE{0, 0};
    const RECT viewport = ComputeViewport();
    const long long viewW = viewport.right - viewport.left;
    const long long viewH = viewport.bottom - viewport.top;
    const long double bitmapW = bitmap_->Width();
    const long double bitmapH = bitmap_->Height();

    TScaleMode mode = scaleMode_;
    if (mode == smOptimal) {
        mode = (viewW < bitmap_->Width() || viewH < bitmap_->Height()) ? smResize : smNormal;
    } else if (mode == smOptimalScaled) {
        const long double scaledW = std::nearbyint(bitmapW * scaleX_);
        const long double scaledH = std::nearbyint(bitmapH * scaleY_);
        mode = (viewW < scaledW || viewH < scaledH) ? smResize : smScale;
    }

    long long cx = 0, cy = 0;
    switch (mode) {
    case smNormal:
        cx = bitmap_->Width();
        cy = bitmap_->Height();
        break;
    case smStretch:
        cx = viewW;
        cy = viewH;
        break;
    case smScale:
        cx = RoundedToView(bitmapW * scaleX_);
        cy = RoundedToView(bitmapH * scaleY_);
        break;
    default: {  // smResize
        const float sx = static_cast<float>(viewW) / static_cast<float>(bitmapW);
        const float sy = static_cast<float>(viewH) / static_cast<float>(bitmapH);
        if (sx >= sy) {
            cx = RoundedToView(bitmapW * sy);
            cy = viewH;
        } else {
            cx = viewW;
            cy = RoundedToView(bitmapH * sx);
        }
    }
    }
    return SIZE{static_cast<LONG>(std::max(cx, 0LL)), static_cast<LONG>(std::max(cy, 0LL))};
}

RECT TCustomImage32::ComputeViewRect() {
    if (bitmap_->Empty()) return RECT{0, 0, 0, 0};
    const SIZE size = ComputeViewSize();
    long long dx = 0, dy = 0;
    if (bitmapAlign_ == baCenter) {
        dx = (static_cast<long long>(Width()) - size.cx) / 2;
        dy = (static_cast<long long>(Height()) - size.cy) / 2;
    } else if (bitmapAlign_ == baCustom) {
        dx = RoundedToView(customOffsetX_);
        dy = RoundedToView(customOffsetY_);
    }
    return RECT{LimitedToView(dx), LimitedToView(dy), LimitedToView(static_cast<long double>(dx) + size.cx),
                LimitedToView(static_cast<long double>(dy) + size.cy)};
}

void TCustomImage32::SetViewTransform(float shiftX, float shiftY, float scaleX, float scaleY) {
    viewShiftX_ = shiftX;
    viewShiftY_ = shiftY;
    viewScaleX_ = scaleX;
    viewScaleY_ = scaleY;
    viewInvScaleX_ = 1 / scaleX;
    viewInvScaleY_ = 1 / scaleY;
}

void TCustomImage32::PlaceBitmapIn(const RECT& rect) {
    viewRect_ = rect;
    // An empty bitmap, or a view that shows nothing of it, keeps the identity transform.
    if (bitmap_->Empty() || IsRectEmpty(rect)) {
        SetViewTransform(0, 0, 1, 1);
    } else {
        SetViewTransform(static_cast<float>(rect.left), static_cast<float>(rect.top),
                         static_cast<float>(rect.right - rect.left) / static_cast<float>(bitmap_->Width()),
                         static_cast<float>(rect.bottom - rect.top) / static_cast<float>(bitmap_->Height()));
    }
    viewRectCurrent_ = true;
}

void TCustomImage32::UpdateView() {
    if (!viewRectCurrent_) PlaceBitmapIn(ComputeViewRect());
}

POINT TCustomImage32::ImageToControl(POINT point) {
    UpdateView();
    return POINT{LimitedToView(std::trunc(static_cast<long double>(point.x) * viewScaleX_ + viewShiftX_)),
                 LimitedToView(std::trunc(static_cast<long double>(point.y) * viewScaleY_ + viewShiftY_))};
}

bool TCustomImage32::AutoSizeExtent(int& width, int& height) const {
    long double w = bitmap_->Width(), h = bitmap_->Height();
    if (scaleMode_ == smScale) {
        w = std::nearbyint(w * scaleX_);
        h = std::nearbyint(h * scaleX_);
    }
    width = LimitedToView(w);
    height = LimitedToView(h);
    return width > 0 && height > 0;
}

void TCustomImage32::BitmapSizeChanged() {
    int w = 0, h = 0;
    if (AutoSize() && AutoSizeExtent(w, h)) SetBounds(Left(), Top(), w, h);
    if (updateCount_ == 0 && OnBitmapResize) OnBitmapResize(this);
    InvalidateView();
    InvalidateWhole();
}

bool TCustomImage32::CanAutoSize(int& width, int& height) {
    InvalidateView();
    int w = 0, h = 0;
    const bool positive = AutoSizeExtent(w, h);
    if ((ComponentState() & csDesigning) && !positive) return true;
    if (Align() == alNone || Align() == alLeft || Align() == alRight) width = w;
    if (Align() == alNone || Align() == alTop || Align() == alBottom) height = h;
    return true;
}

void TCustomImage32::OnBitmapSizeChange(TObject*) { BitmapSizeChanged(); }

void TCustomImage32::PrepareBitmap(bool doClear, TColor32 clearColor) {
    const RECT viewport = ComputeViewport();
    bitmap_->BeginUpdate();
    bitmap_->SetSize(viewport.right - viewport.left, viewport.bottom - viewport.top);
    if (doClear) bitmap_->Clear(clearColor);
    bitmap_->EndUpdate();
    InvalidateView();
    Changed();
}

// ---------------------------------------------------------------------------------------------
// Mouse

void TCustomImage32::SetScreenCursor(TLayerCursor cursor) {
    if (Screen) Screen->SetCursor(cursor);
}

void TCustomImage32::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomPaintBox32::MouseDown(button, shift, x, y);
    if (TabStop() && CanFocus()) SetFocus();
    TCustomLayer* layer =
        layers_->LayerMouseEvents ? layers_->MouseDown(LayerButtonOf(button), shift, x, y) : nullptr;
    if (button == mbLeft || layers_->MouseTarget()) SetMouseCapture(true);
    ImageMouseDown(button, shift, x, y, layer);
}

void TCustomImage32::MouseMove(TShiftState shift, int x, int y) {
    TCustomPaintBox32::MouseMove(shift, x, y);
    TCustomLayer* layer = layers_->LayerMouseEvents ? layers_->MouseMove(shift, x, y) : nullptr;
    ImageMouseMove(shift, x, y, layer);
}

void TCustomImage32::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomLayer* layer = layers_->LayerMouseEvents ? layers_->MouseUp(LayerButtonOf(button), shift, x, y) : nullptr;
    // Any press may have taken the mouse; it is given back once no button is held.
    const bool buttonsHeld = (shift & ~ButtonBitOf(button) & (ssLeft | ssRight | ssMiddle)) != 0;
    if (!buttonsHeld || (button == mbLeft && !layers_->MouseTarget())) SetMouseCapture(false);
    ImageMouseUp(button, shift, x, y, layer);
}

void TCustomImage32::ImageMouseDown(TMouseButton button, TShiftState shift, int x, int y, TCustomLayer* layer) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y, layer);
}

void TCustomImage32::ImageMouseMove(TShiftState shift, int x, int y, TCustomLayer* layer) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y, layer);
}

void TCustomImage32::ImageMouseUp(TMouseButton button, TShiftState shift, int x, int y, TCustomLayer* layer) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y, layer);
}

void TCustomImage32::DblClick() {
    layers_->SetMouseTarget(nullptr);
    MouseUp(mbLeft, 0, 0, 0);
    TCustomPaintBox32::DblClick();
}

void TCustomImage32::MouseLeave() {
    if (layers_->LayerMouseEvents && !layers_->MouseTarget()) SetScreenCursor(crDefault);
    TCustomPaintBox32::MouseLeave();
}

// ---------------------------------------------------------------------------------------------
// Form descriptions

void TCustomImage32::SetPropertyText(const std::string& name, const std::string& value) {
    static constexpr std::string_view kBitmapPrefix = "Bitmap.";
    if (name.size() > kBitmapPrefix.size() && SameText(name.substr(0, kBitmapPrefix.size()), kBitmapPrefix)) {
        const std::string path = name.substr(kBitmapPrefix.size());
        if (SameText(path, "Data")) {
            TMemoryStream data;
            const std::string bytes = BytesOfHexText(name, value);
            data.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
            data.Seek(0, TSeekOrigin::soBeginning);
            InvalidateView();
            return bitmap_->ReadPixelData(data);
        }
        try {
            return parch::SetPropertyText(*bitmap_, path, value);
        } catch (const EPropertyAccessError& error) {
            throw EPropertyError(error.Message());
        }
    }
    if (SameText(name, "BitmapAlign")) return SetBitmapAlign(BitmapAlignOf(name, value));
    if (SameText(name, "ScaleMode")) return SetScaleMode(ScaleModeOf(name, value));
    if (SameText(name, "RepaintMode")) return SetRepaintMode(RepaintModeOf(name, value));
    if (SameText(name, "Scale")) return SetScale(ScaleOf(name, value));
    TCustomPaintBox32::SetPropertyText(name, value);
}

void TCustomImage32::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnBitmapResize")) return AssignEvent(OnBitmapResize, name, handler);
    if (SameText(name, "OnChange")) return AssignEvent(OnChange, name, handler);
    if (SameText(name, "OnInitStages")) return AssignEvent(OnInitStages, name, handler);
    if (SameText(name, "OnPaintStage")) return AssignEvent(OnPaintStage, name, handler);
    if (SameText(name, "OnGDIOverlay")) return AssignEvent(OnGDIOverlay, name, handler);
    if (SameText(name, "OnMouseDown")) return AssignEvent(OnMouseDown, name, handler);
    if (SameText(name, "OnMouseMove")) return AssignEvent(OnMouseMove, name, handler);
    if (SameText(name, "OnMouseUp")) return AssignEvent(OnMouseUp, name, handler);
    TCustomPaintBox32::SetEvent(name, handler);
}

namespace {

// Besides these, the nested properties of Bitmap and Constraints.
constexpr std::string_view kPublishedProperties[] = {
    "Left", "Top", "Width", "Height", "Tag", "Align", "Anchors", "AutoSize", "BitmapAlign", "Color", "Cursor",
    "DragCursor", "DragMode", "ParentColor", "ParentShowHint", "PopupMenu", "RepaintMode", "Scale", "ScaleMode",
    "ShowHint", "TabOrder", "TabStop", "Visible"};

constexpr std::string_view kPublishedEvents[] = {
    "OnBitmapResize", "OnCanResize", "OnClick", "OnChange", "OnDblClick", "OnGDIOverlay", "OnDragDrop", "OnDragOver",
    "OnEndDrag", "OnInitStages", "OnKeyDown", "OnKeyPress", "OnKeyUp", "OnMouseDown", "OnMouseMove", "OnMouseUp",
    "OnMouseWheel", "OnMouseWheelDown", "OnMouseWheelUp", "OnMouseEnter", "OnMouseLeave", "OnPaintStage", "OnResize",
    "OnStartDrag"};

bool NamedIn(std::string_view name, const auto& names) {
    for (std::string_view published : names)
        if (SameText(std::string(published), std::string(name))) return true;
    return false;
}

bool NestedIn(std::string_view name, std::string_view owner) {
    return name.size() > owner.size() + 1 && name[owner.size()] == '.' &&
           SameText(std::string(name.substr(0, owner.size())), std::string(owner));
}

}  // namespace

void TImage32::SetPropertyText(const std::string& name, const std::string& value) {
    if (!NamedIn(name, kPublishedProperties) && !NestedIn(name, "Bitmap") && !NestedIn(name, "Constraints"))
        throw EPropertyError("Property " + name + " does not exist in TImage32");
    TCustomImage32::SetPropertyText(name, value);
}

void TImage32::SetEvent(const std::string& name, const std::any& handler) {
    if (!NamedIn(name, kPublishedEvents)) throw EPropertyError("Event " + name + " does not exist in TImage32");
    TCustomImage32::SetEvent(name, handler);
}

void RegisterImageViewClasses() { RegisterComponentClass<TImage32>("TImage32"); }

}  // namespace parch
