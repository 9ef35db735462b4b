#include "bitmap32/view/PaintBox32.h"

#include <algorithm>

#include "bitmap32/Bitmap32Backends.h"
#include "framework/ControlInternals.h"
#include "framework/Messages.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace {

// The buffer grows by the margin beyond the need and shrinks only when more than the margin
// would be spare; it never drops below one pixel.
int FittedBufferExtent(int current, int needed, int margin) {
    int extent = current;
    if (current < needed)
        extent = needed + margin;
    else if (needed < current - margin)
        extent = needed;
    return std::max(extent, 1);
}

}  // namespace

TCustomPaintBox32::TCustomPaintBox32(TComponent* owner)
    : TCustomControl(owner),
      buffer_(std::make_unique<TBitmap32>()),
      invalidAreas_(std::make_unique<TRectList>()) {
    repaintOptimizer_ = std::make_unique<TMicroTilesRepaintOptimizer>(buffer_.get(), invalidAreas_.get());
    SetHeight(192);
    SetWidth(192);
}

TCustomPaintBox32::~TCustomPaintBox32() {
    // The buffer's hooks point back here; silence them before the parts go.
    buffer_->OnAreaChanged = nullptr;
    repaintOptimizer_.reset();
}

RECT TCustomPaintBox32::ComputeViewport() const { return RECT{0, 0, Width(), Height()}; }

void TCustomPaintBox32::Invalidate() {
    bufferCurrent_ = false;
    TCustomControl::Invalidate();
}

void TCustomPaintBox32::InvalidateWhole() {
    if (repaintOptimizer_->Enabled()) repaintOptimizer_->ResetState();
    wholeRepaintPending_ = true;
    Invalidate();
}

void TCustomPaintBox32::Loaded() {
    bufferCurrent_ = false;
    TCustomControl::Loaded();
}

void TCustomPaintBox32::Resize() {
    FitBuffer();
    bufferCurrent_ = false;
    TCustomControl::Resize();
}

void TCustomPaintBox32::SetBounds(int left, int top, int width, int height) {
    TCustomControl::SetBounds(left, top, width, height);
    if (ComponentState() & csDesigning) FitBuffer();
    bufferCurrent_ = false;
}

void TCustomPaintBox32::FitBuffer() {
    const RECT viewport = ComputeViewport();
    const int needW = std::max(0, static_cast<int>(viewport.right - viewport.left));
    const int needH = std::max(0, static_cast<int>(viewport.bottom - viewport.top));
    const int newW = FittedBufferExtent(buffer_->Width(), needW, bufferMargin_);
    const int newH = FittedBufferExtent(buffer_->Height(), needH, bufferMargin_);
    if (newW == buffer_->Width() && newH == buffer_->Height()) return;
    const int oldW = buffer_->Width(), oldH = buffer_->Height();
    buffer_->Lock();
    try {
        buffer_->SetSize(newW, newH);
    } catch (...) {
        buffer_->Unlock();
        throw;
    }
    buffer_->Unlock();
    BufferSizeChanged(oldW, oldH);
    InvalidateWhole();
}

void TCustomPaintBox32::BufferSizeChanged(int, int) {
    if (repaintOptimizer_->Enabled()) repaintOptimizer_->NoteBufferResize(buffer_->Width(), buffer_->Height());
}

void TCustomPaintBox32::SetRepaintMode(TRepaintMode mode) {
    if (repaintOptimizer_) {
        if (mode == rmOptimizer && !FeedsOptimizerItself()) {
            TCustomRepaintOptimizer* optimizer = repaintOptimizer_.get();
            buffer_->OnAreaChanged = [optimizer](TObject* sender, const RECT& area, std::uint32_t info) {
                optimizer->NoteAreaUpdate(sender, area, info);
            };
        } else if (mode == rmDirect) {
            buffer_->OnAreaChanged = [this](TObject* sender, const RECT& area, std::uint32_t info) {
                OnDirectAreaUpdate(sender, area, info);
            };
        } else {
            buffer_->OnAreaChanged = nullptr;
        }
        repaintOptimizer_->SetEnabled(mode == rmOptimizer);
    }
    repaintMode_ = mode;
    Invalidate();
}

void TCustomPaintBox32::OnDirectAreaUpdate(TObject*, const RECT& area, std::uint32_t) {
    invalidAreas_->Add(area);
    if (!(ControlState() & csCustomPaint)) Repaint();
}

bool TCustomPaintBox32::UsesCustomRepaint() {
    return repaintOptimizer_->Enabled() && !wholeRepaintPending_ && repaintOptimizer_->HasPendingUpdates();
}

bool TCustomPaintBox32::HasInvalidAreas() { return true; }

void TCustomPaintBox32::CollectInvalidAreas() {
    if (repaintOptimizer_->Enabled() && !wholeRepaintPending_) repaintOptimizer_->ComputeInvalidRects();
}

void TCustomPaintBox32::RenderBuffer() {
    if (wholeRepaintPending_) {
        wholeRepaintPending_ = false;
        invalidAreas_->Clear();
    } else {
        CollectInvalidAreas();
    }
    bufferCurrent_ = true;
}

void TCustomPaintBox32::RenderOverlay() {
    if (OnGDIOverlay) OnGDIOverlay(this);
}

void TCustomPaintBox32::Paint() {
    if (!Parent()) return;
    const bool optimizing = repaintOptimizer_->Enabled();
    if (optimizing) repaintOptimizer_->BeginScreenPaint();
    auto* paintSupport = buffer_->BackendAs<IPaintSupport>();
    if (!bufferCurrent_) {
        if (paintSupport) paintSupport->SurfaceRequired();
        RenderBuffer();
        if (paintSupport) paintSupport->EnsureSurface();
    }
    buffer_->Lock();
    try {
        if (paintSupport) paintSupport->PaintSurface(*buffer_, invalidAreas_.get(), Canvas(), ComputeViewport());
    } catch (...) {
        buffer_->Unlock();
        throw;
    }
    buffer_->Unlock();
    RenderOverlay();
    if (optimizing) repaintOptimizer_->EndScreenPaint();
    invalidAreas_->Clear();
    wholeRepaintPending_ = false;
}

void TCustomPaintBox32::PaintNow() {
    if (!HandleAllocated()) return;
    HWND window = Handle();
    HDC dc = GetDC(window);
    if (!dc) return;
    try {
        PaintOnCanvas(Canvas(), dc, Font(), [this] { Paint(); });
    } catch (...) {
        ReleaseDC(window, dc);
        throw;
    }
    ReleaseDC(window, dc);
}

void TCustomPaintBox32::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if ((options_ & pboAutoFocus) && CanFocus()) SetFocus();
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomPaintBox32::MouseEnter() {
    mouseInControl_ = true;
    if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomPaintBox32::MouseLeave() {
    mouseInControl_ = false;
    if (OnMouseLeave) OnMouseLeave(this);
}

void TCustomPaintBox32::HandlePaintMessage(TMessage& message) {
    if (UsesCustomRepaint()) {
        if (HasInvalidAreas())
            PaintNow();
        else if (HandleAllocated())
            InvalidateRect(Handle(), nullptr, 0);
    }
    TCustomControl::Dispatch(message);
}

void TCustomPaintBox32::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case WM_ERASEBKGND:
        // The buffer covers the whole client area; erasing would only flicker.
        message.Result = 1;
        return;
    case WM_GETDLGCODE:
        TCustomControl::Dispatch(message);
        if (options_ & pboWantArrowKeys)
            message.Result |= DLGC_WANTARROWS;
        else
            message.Result &= ~DLGC_WANTARROWS;
        return;
    case WM_PAINT:
        HandlePaintMessage(message);
        return;
    case CM_MOUSEENTER:
        // The framework's own handling of the message is firing OnMouseEnter, which MouseEnter
        // does after noting the mouse, so the event fires once.
        MouseEnter();
        return;
    case CM_MOUSELEAVE:
        MouseLeave();
        return;
    case CM_INVALIDATE:
        if (UsesCustomRepaint() && HandleAllocated()) {
            PostMessage(Handle(), WM_PAINT, 0, 0);
            return;
        }
        TCustomControl::Dispatch(message);
        return;
    default:
        TCustomControl::Dispatch(message);
    }
}

void TCustomPaintBox32::AssignTo(TPersistent* dest) const {
    auto* other = dynamic_cast<TCustomPaintBox32*>(dest);
    if (!other) return TCustomControl::AssignTo(dest);
    other->buffer_->Assign(buffer_.get());
    other->bufferMargin_ = bufferMargin_;
    other->SetRepaintMode(repaintMode_);  // invalidates, so the buffer state is copied after it
    other->bufferCurrent_ = bufferCurrent_;
    other->wholeRepaintPending_ = wholeRepaintPending_;
    other->options_ = options_;
    other->OnGDIOverlay = OnGDIOverlay;
    other->OnMouseEnter = OnMouseEnter;
    other->OnMouseLeave = OnMouseLeave;
}

}  // namespace parch
