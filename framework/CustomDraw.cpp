#include "framework/CustomDraw.h"

#include "platform/gdi/DeviceContext.h"

namespace parch {

bool RunCustomDrawEvent(TCanvas& canvas, HDC dc, const TFont& font, TColor color, TCustomDrawLook& look,
                        const std::function<bool()>& event) {
    const int saved = SaveDC(dc);
    canvas.SetHandle(dc);
    canvas.SetFont(font);
    canvas.Brush().SetColor(color);
    bool defaultDraw = true;
    try {
        defaultDraw = event();
    } catch (...) {
        canvas.SetHandle(nullptr);
        RestoreDC(dc, saved);
        throw;
    }
    look.textColor = canvas.Font().Color();
    look.backColor = canvas.Brush().Color();
    look.font = canvas.Font().Handle();
    canvas.SetHandle(nullptr);
    RestoreDC(dc, saved);
    return defaultDraw;
}

}  // namespace parch
