#pragma once
// Extra controls: TPanel (a container with raised or lowered edges and a caption), TBevel
// (edges and lines), TImage (a picture) and TSplitter (a bar that resizes its neighbour).

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "framework/CustomControls.h"
#include "framework/GraphicControls.h"
#include "framework/graphics/Picture.h"

namespace parch {

// Draws width rings of a 3-D frame inside rect (top and left in topColor, bottom and right in
// bottomColor) and leaves rect as the area inside them.
void Frame3D(TCanvas& canvas, RECT& rect, TColor topColor, TColor bottomColor, int width);

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);

    // The panel's own edges, drawn in its client area (outer, then BorderWidth, then inner).
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    // A window border around it all (bsSingle).
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // Shows what lies behind instead of filling with Color.
    bool ParentBackground() const { return (ControlStyle() & csParentBackground) != 0; }
    void SetParentBackground(bool value);
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void AdjustClientRect(RECT& rect) override;
    void Paint() override;
    void Dispatch(TMessage& message) override;
    // The width taken by the edges and the margin on each side.
    int EdgeWidth() const;

private:
    void EdgesChanged();

    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
};

enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
using enum TBevelShape;
enum class TBevelStyle { bsLowered, bsRaised };
using enum TBevelStyle;

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);
    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle value);
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    TPicture& Picture() { return *picture_; }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    // Scales down (or, with Stretch, up) keeping the picture's aspect.
    bool Proportional() const { return proportional_; }
    void SetProportional(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    // Where the picture goes in the client area.
    RECT DestRect() const;
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void Paint() override;
    bool CanAutoSize(int& width, int& height) override;

private:
    void PictureChanged();
    void Changed(bool& field, bool value);

    std::unique_ptr<TPicture> picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
};

enum class TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
using enum TResizeStyle;

using TCanResizeEvent = std::function<void(TObject* sender, int& newSize, bool& accept)>;

// Sits beside an aligned control (same Align) and resizes it as it is dragged.
class TSplitter : public TGraphicControl {
public:
    explicit TSplitter(TComponent* owner);

    // A drag that would make the neighbour smaller than MinSize stops there; with AutoSnap
    // it snaps to 0 instead.
    int MinSize() const { return minSize_; }
    void SetMinSize(int value) { minSize_ = std::max(value, 1); }
    bool AutoSnap() const { return autoSnap_; }
    void SetAutoSnap(bool value) { autoSnap_ = value; }
    bool Beveled() const { return beveled_; }
    void SetBeveled(bool value);
    // rsUpdate resizes while dragging; rsLine and rsPattern show a line and resize on release.
    TResizeStyle ResizeStyle() const { return resizeStyle_; }
    void SetResizeStyle(TResizeStyle value) { resizeStyle_ = value; }
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TCanResizeEvent OnCanResize;
    TNotifyEvent OnMoved;
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    virtual bool CanResize(int& newSize);
    virtual void Moved();
    // The cursor follows the bar's direction.
    void RequestAlign() override;
    // The neighbour being resized (nullptr outside a drag).
    TControl* ResizeControl() const { return control_; }

private:
    TControl* FindNeighbour() const;
    bool Horizontal() const { return Align() == alLeft || Align() == alRight; }
    void CalcSplitSize(int x, int y, int& newSize, int& split) const;
    bool DoCanResize(int& newSize);
    void UpdateControlSize();
    void DrawLine();
    void StopSizing();

    int minSize_ = 30;
    bool autoSnap_ = true;
    bool beveled_ = false;
    TResizeStyle resizeStyle_ = rsPattern;
    TControl* control_ = nullptr;
    POINT downPos_{};
    int maxSize_ = 0;
    int oldSize_ = 0;
    int newSize_ = 0;
    int split_ = 0;
    bool lineVisible_ = false;
};

}  // namespace parch
