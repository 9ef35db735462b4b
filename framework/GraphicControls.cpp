#include "framework/GraphicControls.h"

#include "framework/ControlInternals.h"

namespace parch {

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& message) {
    if (message.Msg != WM_PAINT) return TControl::Dispatch(message);
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    if (dc) PaintOnCanvas(*canvas_, dc, Font(), [this] { Paint(); });
}

}  // namespace parch
