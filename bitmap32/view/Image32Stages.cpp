// The image control's composition: the paint stages, PaintInto, and how changes of the shown
// bitmap reach the screen in each repaint mode.

#include <algorithm>
#include <climits>
#include <cmath>

#include "bitmap32/Bitmap32Resamplers.h"
#include "bitmap32/view/Image32.h"
#include "platform/gdi/Drawing.h"

namespace parch {

namespace {

// The bitmap pixels a change reaches once the resampler has spread it: the kernel's width in
// view pixels, which is more bitmap pixels when the view is reduced.
int ResamplerReach(const TCustomBitmap32& bitmap, float viewScale) {
    const TCustomResampler* resampler = bitmap.Resampler();
    const double width = resampler ? resampler->KernelWidth() : 0.0;
    const double spread = viewScale > 0 ? std::max(1.0, 1.0 / viewScale) : 1.0;
    return static_cast<int>(std::min(std::ceil(width * spread), static_cast<double>(INT_MAX / 4))) + 1;
}

// Beyond this many tiles a change in the bitmap repaints the whole view.
constexpr long long kMostTileRepeats = 256;

RECT GrownRect(const RECT& r, int by) {
    auto grow = [](long long v, long long d) {
        return static_cast<int>(std::clamp(v + d, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
    };
    return RECT{grow(r.left, -by), grow(r.top, -by), grow(r.right, by), grow(r.bottom, by)};
}

}  // namespace

void TCustomImage32::SetUpDefaultStages() {
    auto add = [this](bool atDesignTime, bool atRunTime, std::uint32_t kind, std::uint32_t parameter) {
        TPaintStage& stage = paintStages_->Add();
        stage.AtDesignTime = atDesignTime;
        stage.AtRunTime = atRunTime;
        stage.Stage = kind;
        stage.Parameter = parameter;
    };
    add(true, true, PST_CLEAR_BACKGND, 0);
    add(true, false, PST_CONTROL_FRAME, 0);
    add(true, true, PST_DRAW_BITMAP, 0);
    add(true, false, PST_BITMAP_FRAME, 0);
    add(true, true, PST_DRAW_LAYERS, LOB_VISIBLE);
}

TCustomImage32::TStageHandler TCustomImage32::HandlerOf(std::uint32_t kind) {
    switch (kind) {
    case PST_CUSTOM: return &TCustomImage32::StageCustom;
    case PST_CLEAR_BUFFER: return &TCustomImage32::StageClearBuffer;
    case PST_CLEAR_BACKGND: return &TCustomImage32::StageClearBackground;
    case PST_DRAW_BITMAP: return &TCustomImage32::StageDrawBitmap;
    case PST_DRAW_LAYERS: return &TCustomImage32::StageDrawLayers;
    case PST_CONTROL_FRAME: return &TCustomImage32::StageControlFrame;
    case PST_BITMAP_FRAME: return &TCustomImage32::StageBitmapFrame;
    default: return nullptr;
    }
}

void TCustomImage32::SelectStages() {
    const bool designing = (ComponentState() & csDesigning) != 0;
    selectedStages_.clear();
    selectedStages_.reserve(static_cast<std::size_t>(paintStages_->Count()));
    for (int i = 0; i < paintStages_->Count(); ++i) {
        const TPaintStage& stage = (*paintStages_)[i];
        if (!(designing ? stage.AtDesignTime : stage.AtRunTime)) continue;
        if (TStageHandler handler = HandlerOf(stage.Stage)) selectedStages_.push_back({handler, i});
    }
}

void TCustomImage32::RunSelectedStages(TBitmap32* dest) {
    for (const TSelectedStage& stage : selectedStages_) (this->*stage.Handler)(dest, stage.Index);
}

void TCustomImage32::RenderBuffer() {
    TCustomRepaintOptimizer& optimizer = RepaintOptimizer();
    if (optimizer.Enabled()) optimizer.BeginBufferPaint();
    UpdateView();
    SelectStages();
    TBitmap32& buffer = Buffer();
    TRectList& invalid = InvalidAreas();
    buffer.BeginUpdate();
    try {
        if (invalid.Count() == 0) {
            buffer.SetClipArea(ComputeViewport());
            RunSelectedStages(&buffer);
        } else {
            for (int i = 0; i < invalid.Count(); ++i) {
                buffer.SetClipArea(*invalid.Item(i));
                RunSelectedStages(&buffer);
            }
            buffer.SetClipArea(ComputeViewport());
        }
    } catch (...) {
        buffer.EndUpdate();
        throw;
    }
    buffer.EndUpdate();
    if (optimizer.Enabled()) optimizer.EndBufferPaint();
    SetBufferValid(true);
}

bool TCustomImage32::HasInvalidAreas() {
    CollectInvalidAreas();
    return InvalidAreas().Count() > 0;
}

void TCustomImage32::RenderOverlay() {
    for (int i = 0; i < layers_->Count(); ++i) {
        TCustomLayer* layer = layers_->Items(i);
        if (layer->LayerFlags() & LOB_GDI_OVERLAY) layer->PaintOverlay(&Canvas());
    }
    TCustomPaintBox32::RenderOverlay();
}

void TCustomImage32::PaintInto(TBitmap32* dest, const RECT& destRect) {
    if (!dest) return;
    const TRepaintMode savedMode = RepaintMode();
    SetRepaintMode(rmFull);
    PlaceBitmapIn(destRect);
    printingMode_ = true;
    try {
        for (int i = 0; i < paintStages_->Count(); ++i) {
            const TPaintStage& stage = (*paintStages_)[i];
            if (!stage.AtRunTime) continue;
            if (TStageHandler handler = HandlerOf(stage.Stage)) (this->*handler)(dest, i);
        }
    } catch (...) {
        printingMode_ = false;
        viewRectCurrent_ = false;
        SetRepaintMode(savedMode);
        throw;
    }
    printingMode_ = false;
    viewRectCurrent_ = false;
    SetRepaintMode(savedMode);
}

// ---------------------------------------------------------------------------------------------
// Stages

void TCustomImage32::StageCustom(TBitmap32* dest, int stageNum) {
    if (OnPaintStage) OnPaintStage(this, dest, stageNum);
}

void TCustomImage32::StageClearBuffer(TBitmap32* dest, int) { dest->Clear(ToColor32(Color())); }

void TCustomImage32::StageClearBackground(TBitmap32* dest, int) {
    const TColor32 color = ToColor32(Color());
    // Pending rectangles belong to the control's own buffer, not to a bitmap painted into.
    TRectList& invalid = InvalidAreas();
    if (!printingMode_ && invalid.Count() > 0) {
        for (int i = 0; i < invalid.Count(); ++i) {
            const RECT& r = *invalid.Item(i);
            dest->FillRectClipped(r.left, r.top, r.right, r.bottom, color);
        }
        return;
    }
    if (bitmap_->Empty() || bitmap_->DrawMode() != dmOpaque) {
        dest->Clear(color);
        return;
    }
    const RECT r = viewRect_;
    const int width = printingMode_ ? dest->Width() : Width();
    const int height = printingMode_ ? dest->Height() : Height();
    if (r.left > 0 || r.right < width || r.top > 0 || (r.bottom < height && bitmapAlign_ != baTile)) {
        dest->FillRectClipped(0, 0, width, r.top, color);
        dest->FillRectClipped(0, r.bottom, width, height, color);
        dest->FillRectClipped(0, r.top, r.left, r.bottom, color);
        dest->FillRectClipped(r.right, r.top, width, r.bottom, color);
    }
}

void TCustomImage32::StageDrawBitmap(TBitmap32* dest, int) {
    if (bitmap_->Empty() || IsRectEmpty(viewRect_)) return;
    bitmap_->Lock();
    try {
        if (bitmapAlign_ != baTile) {
            bitmap_->DrawOnto(dest, viewRect_);
        } else {
            const RECT tile = viewRect_;
            for (int j = 0; j <= dest->Height() / tile.bottom; ++j)
                for (int i = 0; i <= dest->Width() / tile.right; ++i) {
                    RECT placed = tile;
                    OffsetRect(placed, i * tile.right, j * tile.bottom);
                    bitmap_->DrawOnto(dest, placed);
                }
        }
    } catch (...) {
        bitmap_->Unlock();
        throw;
    }
    bitmap_->Unlock();
}

void TCustomImage32::StageDrawLayers(TBitmap32* dest, int stageNum) {
    const std::uint32_t mask = (*paintStages_)[stageNum].Parameter;
    for (int i = 0; i < layers_->Count(); ++i) {
        TCustomLayer* layer = layers_->Items(i);
        if (layer->LayerFlags() & mask) layer->PaintSurface(dest);
    }
}

void TCustomImage32::StageControlFrame(TBitmap32* dest, int) {
    const RECT frame{0, 0, Width(), Height()};
    if (HDC dc = dest->Handle()) DrawFocusRect(dc, &frame);
}

void TCustomImage32::StageBitmapFrame(TBitmap32* dest, int) {
    if (TCanvas* canvas = dest->Canvas()) canvas->DrawFocusRect(viewRect_);
}

// ---------------------------------------------------------------------------------------------
// Repaint modes

void TCustomImage32::SetRepaintMode(TRepaintMode mode) {
    TCustomPaintBox32::SetRepaintMode(mode);
    switch (mode) {
    case rmDirect:
        bitmap_->OnAreaChanged = [this](TObject* sender, const RECT& area, std::uint32_t info) {
            OnBitmapDirectAreaChange(sender, area, info);
        };
        bitmap_->OnChange = nullptr;
        break;
    case rmOptimizer:
        bitmap_->OnAreaChanged = [this](TObject* sender, const RECT& area, std::uint32_t info) {
            OnBitmapAreaChange(sender, area, info);
        };
        bitmap_->OnChange = nullptr;
        break;
    default:
        bitmap_->OnAreaChanged = nullptr;
        bitmap_->OnChange = [this](TObject* sender) { OnBitmapContentChange(sender); };
    }
}

void TCustomImage32::OnBitmapContentChange(TObject*) {
    RepaintOptimizer().ResetState();
    BitmapChanged(bitmap_->BoundsRect());
}

std::vector<RECT> TCustomImage32::ReachOfBitmapArea(const RECT& area) {
    UpdateView();
    std::vector<RECT> reach;
    if (IsRectEmpty(viewRect_)) return reach;  // nothing of the bitmap is shown
    const RECT grown = GrownRect(area, ResamplerReach(*bitmap_, std::min(viewScaleX_, viewScaleY_)));
    const POINT topLeft = ImageToControl(POINT{grown.left, grown.top});
    const POINT bottomRight = ImageToControl(POINT{grown.right, grown.bottom});
    const RECT mapped{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    if (bitmapAlign_ != baTile) {
        reach.push_back(mapped);
        return reach;
    }
    const RECT tile = viewRect_;
    const long long columns = Buffer().Width() / tile.right + 1, rows = Buffer().Height() / tile.bottom + 1;
    if (columns * rows > kMostTileRepeats) {
        // Small tiles: one rectangle over everything beats a list that each repaint walks once
        // per rectangle.
        reach.push_back(ComputeViewport());
        return reach;
    }
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            RECT placed = mapped;
            OffsetRect(placed, i * tile.right, j * tile.bottom);
            reach.push_back(placed);
        }
    return reach;
}

void TCustomImage32::OnBitmapAreaChange(TObject* sender, const RECT& area, std::uint32_t) {
    if (sender == bitmap_.get())
        for (const RECT& r : ReachOfBitmapArea(area)) RepaintOptimizer().NoteAreaUpdate(this, r, AreaKindRect);
    BitmapChanged(area);
}

void TCustomImage32::OnBitmapDirectAreaChange(TObject* sender, const RECT& area, std::uint32_t) {
    if (sender == bitmap_.get())
        for (const RECT& r : ReachOfBitmapArea(area)) InvalidAreas().Add(r);
    if (updateCount_ != 0) return;
    if (!(ControlState() & csCustomPaint)) Repaint();
    if (OnChange) OnChange(this);
}

}  // namespace parch
