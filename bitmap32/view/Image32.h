#pragma once
// The image control: a double-buffered paint box that shows one 32-bit bitmap placed by a scale
// mode and an alignment, composes its buffer through a list of paint stages (clear, draw the
// bitmap, paint the layers, frames, the application's own), routes the mouse to its layers and
// reports changes. TImage32 publishes it for form descriptions.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bitmap32/Bitmap32Layers.h"
#include "bitmap32/view/PaintBox32.h"

namespace parch {

enum TBitmapAlign { baTopLeft, baCenter, baTile, baCustom };
enum TScaleMode { smNormal, smStretch, smScale, smResize, smOptimal, smOptimalScaled };

// Kinds of paint stage.
constexpr std::uint32_t PST_CUSTOM = 1;
constexpr std::uint32_t PST_CLEAR_BUFFER = 2;
constexpr std::uint32_t PST_CLEAR_BACKGND = 3;
constexpr std::uint32_t PST_DRAW_BITMAP = 4;
constexpr std::uint32_t PST_DRAW_LAYERS = 5;
constexpr std::uint32_t PST_CONTROL_FRAME = 6;
constexpr std::uint32_t PST_BITMAP_FRAME = 7;

struct TPaintStage {
    bool AtDesignTime = false;
    bool AtRunTime = true;
    std::uint32_t Stage = 0;
    std::uint32_t Parameter = 0;
};

// The stage list an image control runs, in order; applications may change it.
class TPaintStages {
public:
    // Appends a run-time stage of kind 0 for the caller to fill.
    TPaintStage& Add();
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    TPaintStage& operator[](int index) { return items_.at(static_cast<std::size_t>(index)); }
    const TPaintStage& operator[](int index) const { return items_.at(static_cast<std::size_t>(index)); }

private:
    std::vector<TPaintStage> items_;
};

class TCustomImage32;
using TImgMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y, TCustomLayer* layer)>;
using TImgMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y, TCustomLayer* layer)>;
using TPaintStageEvent = std::function<void(TObject* sender, TBitmap32* dest, int stageNum)>;

class TCustomImage32 : public TCustomPaintBox32, public ILayerHost {
public:
    explicit TCustomImage32(TComponent* owner);
    ~TCustomImage32() override;

    TBitmap32& Bitmap() { return *bitmap_; }
    // Assigns source to the control's own bitmap; nullptr empties it.
    void SetBitmap(const TCustomBitmap32* source);
    TBitmapAlign BitmapAlign() const { return bitmapAlign_; }
    void SetBitmapAlign(TBitmapAlign align);
    TScaleMode ScaleMode() const { return scaleMode_; }
    virtual void SetScaleMode(TScaleMode mode);
    float Scale() const { return scaleX_; }
    // Values below 0.001 become the nearest single above it; non-finite values are ignored.
    void SetScale(float value);
    float ScaleX() const { return scaleX_; }
    float ScaleY() const { return scaleY_; }
    float CustomOffsetX() const { return customOffsetX_; }
    float CustomOffsetY() const { return customOffsetY_; }
    void SetCustomOffset(float x, float y);
    TLayerCollection& Layers() { return *layers_; }
    TPaintStages& PaintStages() { return *paintStages_; }

    void SetRepaintMode(TRepaintMode mode) override;

    virtual void BeginUpdate() { ++updateCount_; }
    virtual void EndUpdate() { --updateCount_; }
    virtual void Changed();
    void Invalidate() override;
    void InvalidateView();

    // The displayed size of the bitmap and its place in the control.
    virtual SIZE ComputeViewSize();
    virtual RECT ComputeViewRect();
    // Rebuilds the cached view rectangle and transform when they are stale.
    virtual void UpdateView();
    RECT ViewRect() {
        UpdateView();
        return viewRect_;
    }
    float ViewShiftX() const { return viewShiftX_; }
    float ViewShiftY() const { return viewShiftY_; }
    float ViewScaleX() const { return viewScaleX_; }
    float ViewScaleY() const { return viewScaleY_; }
    POINT ImageToControl(POINT point);

    // Composes the stages once into dest, the bitmap scaled into destRect.
    virtual void PaintInto(TBitmap32* dest, const RECT& destRect);
    // Sizes the bitmap to the viewport.
    void PrepareBitmap(bool doClear = false, TColor32 clearColor = 0xFF000000u);

    // ILayerHost
    void SetScreenCursor(TLayerCursor cursor) override;
    TLayerCursor ControlCursor() const override { return Cursor(); }

    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TNotifyEvent OnBitmapResize;
    TNotifyEvent OnChange;
    TNotifyEvent OnInitStages;
    TNotifyEvent OnScaleChange;
    TPaintStageEvent OnPaintStage;
    // The image control's mouse events carry the layer that took the event; they stand in for
    // the framework's.
    TImgMouseEvent OnMouseDown;
    TImgMouseMoveEvent OnMouseMove;
    TImgMouseEvent OnMouseUp;

protected:
    virtual void BitmapSizeChanged();
    virtual void BitmapChanged(const RECT& area);
    virtual void RunStageSetup();
    virtual void ScaleWasChanged();
    virtual void SetUpDefaultStages();
    virtual void ImageMouseDown(TMouseButton button, TShiftState shift, int x, int y, TCustomLayer* layer);
    virtual void ImageMouseMove(TShiftState shift, int x, int y, TCustomLayer* layer);
    virtual void ImageMouseUp(TMouseButton button, TShiftState shift, int x, int y, TCustomLayer* layer);
    virtual void AreaUpdated(const RECT& area);

    virtual void StageBitmapFrame(TBitmap32* dest, int stageNum);
    virtual void StageClearBuffer(TBitmap32* dest, int stageNum);
    virtual void StageClearBackground(TBitmap32* dest, int stageNum);
    virtual void StageControlFrame(TBitmap32* dest, int stageNum);
    virtual void StageCustom(TBitmap32* dest, int stageNum);
    virtual void StageDrawBitmap(TBitmap32* dest, int stageNum);
    virtual void StageDrawLayers(TBitmap32* dest, int stageNum);

    bool HasInvalidAreas() override;
    void RenderBuffer() override;
    void RenderOverlay() override;
    void MouseLeave() override;
    bool FeedsOptimizerItself() const override { return true; }

    void Loaded() override;
    void Resize() override;
    bool CanAutoSize(int& width, int& height) override;
    void DblClick() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

    void SetViewTransform(float shiftX, float shiftY, float scaleX, float scaleY);
    // Shows the bitmap in rect (the cached view) with the transform that maps it there.
    void PlaceBitmapIn(const RECT& rect);

private:
    using TStageHandler = void (TCustomImage32::*)(TBitmap32* dest, int stageNum);
    struct TSelectedStage {
        TStageHandler Handler;
        int Index;
    };
    static TStageHandler HandlerOf(std::uint32_t kind);
    void SelectStages();
    void RunSelectedStages(TBitmap32* dest);
    // The bitmap's size scaled for AutoSize; false when the result is not positive.
    bool AutoSizeExtent(int& width, int& height) const;
    // The control-space rectangles a changed bitmap area reaches, one per tile when tiled.
    std::vector<RECT> ReachOfBitmapArea(const RECT& area);
    void OnBitmapSizeChange(TObject* sender);
    void OnBitmapContentChange(TObject* sender);
    void OnBitmapAreaChange(TObject* sender, const RECT& area, std::uint32_t info);
    void OnBitmapDirectAreaChange(TObject* sender, const RECT& area, std::uint32_t info);

    std::unique_ptr<TBitmap32> bitmap_;
    TBitmapAlign bitmapAlign_ = baTopLeft;
    std::unique_ptr<TLayerCollection> layers_;
    float customOffsetX_ = 0;
    float customOffsetY_ = 0;
    std::unique_ptr<TPaintStages> paintStages_;
    std::vector<TSelectedStage> selectedStages_;
    float scaleX_ = 1;
    float scaleY_ = 1;
    TScaleMode scaleMode_ = smNormal;
    int updateCount_ = 0;

    RECT viewRect_{};
    float viewShiftX_ = 0;
    float viewShiftY_ = 0;
    float viewScaleX_ = 1;
    float viewScaleY_ = 1;
    float viewInvScaleX_ = 1;
    float viewInvScaleY_ = 1;
    bool viewRectCurrent_ = false;
    bool printingMode_ = false;
};

// The image control as descriptions give it: only its published properties and events are
// accepted.
class TImage32 : public TCustomImage32 {
public:
    using TCustomImage32::TCustomImage32;
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;
};

// Makes TImage32 known to form descriptions.
void RegisterImageViewClasses();

}  // namespace parch
