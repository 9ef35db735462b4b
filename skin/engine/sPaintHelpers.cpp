#include "skin/engine/sPaintHelpers.h"

#include "framework/ExtCtrls.h"
#include "framework/GraphicControls.h"
#include "framework/WinControls.h"
#include "framework/graphics/Canvas.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "skin/engine/sPixelBlend.h"

namespace parch {

namespace {

// A solid brush selected into the DC for the scope's life; DC state and brush restored after.
class SelectedSolidBrush {
public:
    SelectedSolidBrush(HDC dc, TColor color)
        : dc_(dc), saved_(SaveDC(dc)), brush_(CreateSolidBrush(ColorToRGB(color))) {
        SelectObject(dc_, brush_);
    }
    ~SelectedSolidBrush() {
        RestoreDC(dc_, saved_);
        DeleteObject(brush_);
    }
    SelectedSolidBrush(const SelectedSolidBrush&) = delete;
    SelectedSolidBrush& operator=(const SelectedSolidBrush&) = delete;
    HBRUSH Brush() const { return brush_; }

private:
    HDC dc_;
    int saved_;
    HBRUSH brush_;
};

struct FrameStrips {
    RECT top, left, bottom, right;
};

FrameStrips StripsOf(RECT r, int leftWidth, int topWidth, int rightWidth, int bottomWidth) {
    return FrameStrips{
        RECT{r.left, r.top, r.right, r.top + topWidth},
        RECT{r.left, r.top + topWidth, r.left + leftWidth, r.bottom},
        RECT{r.left + leftWidth, r.bottom - bottomWidth, r.right, r.bottom},
        RECT{r.right - rightWidth, r.top + topWidth, r.right, r.bottom - bottomWidth},
    };
}

}  // namespace

void FillRectWithColor(HDC dc, RECT r, TColor color) {
    SelectedSolidBrush brush(dc, color);
    FillRect(dc, &r, brush.Brush());
}

void FillFrameWithColor(HDC dc, RECT r, int leftWidth, int topWidth, int rightWidth, int bottomWidth, TColor color) {
    SelectedSolidBrush brush(dc, color);
    FrameStrips strips = StripsOf(r, leftWidth, topWidth, rightWidth, bottomWidth);
    for (const RECT& strip : {strips.top, strips.left, strips.bottom, strips.right}) FillRect(dc, &strip, brush.Brush());
}

void FillFrame32(TBitmap& bitmap, RECT r, int leftWidth, int topWidth, int rightWidth, int bottomWidth, TColor color) {
    FrameStrips strips = StripsOf(r, leftWidth, topWidth, rightWidth, bottomWidth);
    for (const RECT& strip : {strips.top, strips.left, strips.bottom, strips.right}) FillBitmapRect32(bitmap, strip, color);
}

void CopyFrameStrips(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int w) {
    BitBlt(dst, x, y, w, height, src, srcX, srcY, SRCCOPY);
    BitBlt(dst, x + w, y, width - w, w, src, srcX + w, srcY, SRCCOPY);
    BitBlt(dst, x + width - w, y + w, w, height - w, src, srcX + width - w, srcY + w, SRCCOPY);
    BitBlt(dst, x + w, y + height - w, width - 2 * w, w, src, srcX + w, srcY + height - w, SRCCOPY);
}

void ExcludeGraphicChildren(HDC dc, TWinControl& parent, int x, int y) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl* child = parent.Controls(i);
        if (!child->Visible() || dynamic_cast<TGraphicControl*>(child) == nullptr ||
            dynamic_cast<TSplitter*>(child) != nullptr)
            continue;
        ExcludeClipRect(dc, x + child->Left(), y + child->Top(), x + child->Left() + child->Width(),
                        y + child->Top() + child->Height());
    }
}

void DrawSmallArrow(TCanvas& canvas, TColor color, RECT r, int kind) {
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    if (kind == 4) {
        int x0 = r.left + (width - 3) / 2;
        int y0 = r.top + (height - 6) / 2;
        for (int i = 0; i <= 3; ++i)
            for (int y = y0 + i; y <= y0 + 6 - i; ++y) canvas.SetPixels(x0 + i, y, color);
    } else if (kind == 8) {
        int x0 = r.left + (width - 6) / 2 - 1;
        int y0 = r.top + (height - 3) / 2 - 1;
        for (int i = 0; i <= 3; ++i)
            for (int x = x0 + i; x <= x0 + 7 - i; ++x) canvas.SetPixels(x, y0 + i, color);
    }
}

}  // namespace parch
