#include "skin/engine/sBackdrop.h"

#include "framework/WinControls.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/win/Messages.h"
#include "platform/win/WinMessages.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace backdrop_detail {

constexpr WPARAM CommandWord(unsigned command) { return static_cast<WPARAM>(command) << 16; }

// The asker's rectangle drawn by the window itself into the request's DC, shifted so that it
// lines up with the asker.
template <typename Send>
void PaintIntoRequest(TsBackgroundRequest& request, Send send) {
    int saved = SaveDC(request.DC);
    OffsetViewportOrgEx(request.DC, -request.X, -request.Y, nullptr);
    RECT r{request.R.left + request.X, request.R.top + request.Y, request.R.right + request.X,
           request.R.bottom + request.Y};
    IntersectClipRect(request.DC, r.left, r.top, r.right, r.bottom);
    send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(request.DC));
    send(WM_PAINT, reinterpret_cast<WPARAM>(request.DC));
    RestoreDC(request.DC, saved);
}

void FillRequestWithColour(TsBackgroundRequest& request) {
    if (!request.PaintIt || !request.Bmp || !request.DC) return;
    HBRUSH brush = CreateSolidBrush(request.Color);
    FillRect(request.DC, &request.R, brush);
    DeleteObject(brush);
}

}  // namespace backdrop_detail

using namespace backdrop_detail;

bool GetControlBackdrop(TsBackgroundRequest& request, TControl& control, bool askToPaint) {
    bool callerWantsPaint = request.PaintIt != 0;
    request.Kind = 0;
    request.PaintIt = askToPaint ? 1 : 0;
    auto* windowed = dynamic_cast<TWinControl*>(&control);
    auto send = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (windowed && windowed->HandleAllocated()) return SendMessage(windowed->Handle(), message, wParam, lParam);
        return control.Perform(message, wParam, lParam);
    };
    send(SkinCommandMessage, CommandWord(kSkinCommandGetBackground), reinterpret_cast<LPARAM>(&request));
    if (request.Kind != 0) return true;
    if (callerWantsPaint && request.DC) {
        PaintIntoRequest(request, [&](UINT message, WPARAM wParam) { control.Perform(message, wParam, 0); });
        return false;
    }
    request.Kind = 1;
    auto answer = static_cast<std::uint32_t>(send(SkinCommandMessage, CommandWord(kSkinCommandBackgroundColor), 0));
    request.Color = answer != 0 ? answer : ColorToRGB(control.Color());
    FillRequestWithColour(request);
    return false;
}

bool GetWndBackdrop(TsBackgroundRequest& request, HWND wnd, bool askToPaint) {
    bool callerWantsPaint = request.PaintIt != 0;
    request.Kind = 0;
    request.PaintIt = askToPaint ? 1 : 0;
    SendMessage(wnd, SkinCommandMessage, CommandWord(kSkinCommandGetBackground), reinterpret_cast<LPARAM>(&request));
    if (request.Kind != 0) return true;
    if (callerWantsPaint && request.DC) {
        PaintIntoRequest(request, [&](UINT message, WPARAM wParam) { SendMessage(wnd, message, wParam, 0); });
        return false;
    }
    request.Kind = 1;
    TsSkinManager* manager = TsSkinManager::DefaultManager();
    request.Color = ColorToRGB(manager ? manager->GetGlobalColor() : clBtnFace);
    FillRequestWithColour(request);
    return false;
}

TsBackgroundSource BackdropFromQuery(const TsBackgroundRequest& request) {
    if (request.Kind == 2) return InitBackgroundSource(request.Bmp, request.X, request.Y);
    TsBackgroundSource source;
    source.X = request.X;
    source.Y = request.Y;
    source.Color = ColorToRGB(static_cast<TColor>(request.Color));
    return source;
}

void CollectColorRuns(std::vector<RECT>& rects, TBitmap& bitmap, TColor color) {
    TacFast32 fast;
    if (!fast.Attach(bitmap)) return;
    for (int y = 0; y < fast.Height; ++y) {
        int x = 0;
        while (x < fast.Width) {
            if (fast.GetPixel(x, y) != color) {
                ++x;
                continue;
            }
            int start = x;
            while (x < fast.Width && fast.GetPixel(x, y) == color) ++x;
            rects.push_back(RECT{start, y, x, y + 1});
        }
    }
}

HRGN RegionFromBitmap(TBitmap& bitmap, std::uint32_t color) {
    HRGN region = CreateRectRgn(0, 0, bitmap.Width(), bitmap.Height());
    std::vector<RECT> runs;
    CollectColorRuns(runs, bitmap, static_cast<TColor>(color));
    for (const RECT& run : runs) {
        HRGN hole = CreateRectRgn(run.left, run.top, run.right, run.bottom);
        CombineRgn(region, region, hole, RGN_DIFF);
        DeleteObject(hole);
    }
    return region;
}

}  // namespace parch
