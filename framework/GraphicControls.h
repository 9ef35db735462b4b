#pragma once
// TGraphicControl: a windowless control painted by its parent, through a canvas of its own.

#include <memory>

#include "framework/Controls.h"
#include "framework/graphics/Canvas.h"

namespace parch {

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas& Canvas() { return *canvas_; }

protected:
    virtual void Paint() {}
    void Dispatch(TMessage& message) override;

private:
    std::unique_ptr<TCanvas> canvas_;
};

}  // namespace parch
