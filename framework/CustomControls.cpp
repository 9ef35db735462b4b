#include "framework/CustomControls.h"

#include "framework/ControlInternals.h"

namespace parch {

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC dc) {
    PaintOnCanvas(*canvas_, dc, Font(), [this] { Paint(); });
}

}  // namespace parch
