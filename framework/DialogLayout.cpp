#include "framework/DialogLayout.h"

#include <algorithm>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Fonts.h"
#include "platform/win/Dialogs.h"
#include "platform/win/WinApi.h"

namespace parch::dialog_layout {

namespace {

constexpr int kWidestMessageLine = 480;
// Room in the title bar beside the caption's text, for the close button and the edges.
constexpr int kCaptionReserve = 60;

}  // namespace

TDialogMetrics::TDialogMetrics(TFont& font) : base_(win::FontBaseUnits(font.Handle())) {}

void UseMessageFont(TFont& font) {
    NONCLIENTMETRICS metrics;
    if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font.SetHandle(CreateFontIndirect(&metrics.lfMessageFont));
}

int WrapWidth() {
    RECT work{};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    return std::min(static_cast<int>(work.right - work.left) * 5 / 8, kWidestMessageLine);
}

SIZE TextExtent(TFont& font, const std::string& text, int maxWidth, UINT flags) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.Handle());
    RECT r{0, 0, maxWidth, 0};
    DrawText(dc, text.c_str(), -1, &r, flags | DT_CALCRECT);
    SelectObject(dc, old);
    DeleteDC(dc);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE FitOnWorkArea(SIZE text, SIZE around) {
    RECT work{};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    const int width = std::max(0, static_cast<int>(work.right - work.left - around.cx));
    const int height = std::max(0, static_cast<int>(work.bottom - work.top - around.cy));
    return {std::min(static_cast<int>(text.cx), width), std::min(static_cast<int>(text.cy), height)};
}

int CaptionClientWidth(const std::string& caption) {
    NONCLIENTMETRICS metrics;
    if (!SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return 0;
    TFont font;
    font.SetHandle(CreateFontIndirect(&metrics.lfCaptionFont));
    return TextExtent(font, caption, 0, DT_SINGLELINE | DT_NOPREFIX).cx + kCaptionReserve;
}

}  // namespace parch::dialog_layout
