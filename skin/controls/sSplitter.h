#pragma once
// TsSplitter: the splitter bar drawn in the skin's "SPLITTER" section, with a grip or a glyph in
// its middle and a pressed look while it is dragged with live resizing.

#include <memory>

#include "framework/ExtCtrls.h"
#include "skin/controls/sPanel.h"

namespace parch {

class TsSplitter : public TsSkinnedControl<TSplitter> {
public:
    explicit TsSplitter(TComponent* owner);
    ~TsSplitter() override;

    TBitmap& Glyph() { return *glyph_; }
    // Stores a copy and repaints.
    void SetGlyph(const TBitmap& glyph);
    bool ShowGrip() const { return showGrip_; }
    void SetShowGrip(bool value);
    bool Sizing() const { return sizing_; }
    // 2 while dragged with live resizing, 1 hot or focused, else 0.
    int PaintState() const;

protected:
    void WndProc(TMessage& message) override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void DrawGlyphOrGrip(TBitmap& target, int state);
    void EndDrag();

    std::unique_ptr<TBitmap> glyph_;
    bool showGrip_ = false;
    bool sizing_ = false;
};

}  // namespace parch
