#pragma once
// A windowed control that paints through a 32-bit back buffer: the picture is composed in the
// buffer and the window is updated by copying the buffer, or only its invalid rectangles, onto
// the control's canvas. Three repaint modes decide how changes reach the screen: a full
// recomposition, the rectangles drawn into the buffer, or the rectangles the micro-tile
// optimiser derives from what changed.

#include <cstdint>
#include <memory>

#include "bitmap32/Bitmap32.h"
#include "bitmap32/Bitmap32Containers.h"
#include "bitmap32/MicroTiles.h"
#include "framework/CustomControls.h"

namespace parch {

enum TRepaintMode { rmFull, rmDirect, rmOptimizer };

using TPaintBoxOptions = unsigned;
constexpr TPaintBoxOptions pboWantArrowKeys = 0x01;
constexpr TPaintBoxOptions pboAutoFocus = 0x02;

class TCustomPaintBox32 : public TCustomControl {
public:
    explicit TCustomPaintBox32(TComponent* owner);
    ~TCustomPaintBox32() override;

    TBitmap32& Buffer() { return *buffer_; }
    const TBitmap32& Buffer() const { return *buffer_; }
    // Pixels the buffer keeps beyond the control's size, so small resizes keep it.
    int BufferMargin() const { return bufferMargin_; }
    void SetBufferMargin(int margin) { bufferMargin_ = margin < 0 ? 0 : margin; }
    // False while the next paint must compose the buffer first.
    bool BufferValid() const { return bufferCurrent_; }
    bool WholeRepaintPending() const { return wholeRepaintPending_; }

    TRepaintMode RepaintMode() const { return repaintMode_; }
    virtual void SetRepaintMode(TRepaintMode mode);
    TRectList& InvalidAreas() { return *invalidAreas_; }
    TCustomRepaintOptimizer& RepaintOptimizer() { return *repaintOptimizer_; }

    TPaintBoxOptions Options() const { return options_; }
    void SetOptions(TPaintBoxOptions options) { options_ = options; }
    bool MouseInControl() const { return mouseInControl_; }

    // The client rectangle the buffer stands for.
    virtual RECT ComputeViewport() const;
    void Invalidate() override;
    // Forgets what the optimiser gathered: the next composition redraws everything.
    void InvalidateWhole();
    void SetBounds(int left, int top, int width, int height) override;
    // Copies the buffer and the paint settings onto another paint box (each keeps its own
    // invalid rectangles).
    void AssignTo(TPersistent* dest) const override;

    TNotifyEvent OnGDIOverlay;

protected:
    virtual bool UsesCustomRepaint();
    virtual bool HasInvalidAreas();
    virtual void CollectInvalidAreas();
    virtual void RenderBuffer();
    virtual void RenderOverlay();
    virtual void BufferSizeChanged(int oldWidth, int oldHeight);
    virtual void MouseEnter();
    virtual void MouseLeave();
    // Whether the control hooks its own bitmap into the optimiser in rmOptimizer, so the buffer
    // reports nothing itself.
    virtual bool FeedsOptimizerItself() const { return false; }

    void Paint() override;
    void Resize() override;
    void Loaded() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Dispatch(TMessage& message) override;

    // An area drawn into the buffer in rmDirect: kept for the next paint, shown at once.
    void OnDirectAreaUpdate(TObject* sender, const RECT& area, std::uint32_t info);
    void SetBufferValid(bool valid) { bufferCurrent_ = valid; }
    // Paints now, outside WM_PAINT, on a device context of the window.
    void PaintNow();

private:
    void FitBuffer();
    void HandlePaintMessage(TMessage& message);

    std::unique_ptr<TBitmap32> buffer_;
    int bufferMargin_ = 40;
    bool bufferCurrent_ = false;
    TRepaintMode repaintMode_ = rmFull;
    std::unique_ptr<TRectList> invalidAreas_;
    bool wholeRepaintPending_ = true;
    std::unique_ptr<TCustomRepaintOptimizer> repaintOptimizer_;
    TPaintBoxOptions options_ = 0;
    bool mouseInControl_ = false;
};

}  // namespace parch
