#pragma once
// TCustomControl: a windowed control that paints its face through a canvas.

#include <memory>

#include "framework/WinControls.h"
#include "framework/graphics/Canvas.h"

namespace parch {

class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas& Canvas() { return *canvas_; }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;

private:
    std::unique_ptr<TCanvas> canvas_;
};

}  // namespace parch
