#include "skin/engine/sPaintHelpers.h"

#include <algorithm>

#include "framework/ExtCtrls.h"
#include "framework/GraphicControls.h"
#include "framework/WinControls.h"
#include "framework/graphics/Canvas.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/win/Painting.h"
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

void DrawDottedFrame(TCanvas& canvas, RECT r, TColor color2, TColor color) {
    int right = r.right - 1;
    int bottom = r.bottom - 1;
    for (int i = 0; i <= (r.right - r.left) / 3; ++i) {
        int x = r.left + 3 * i;
        for (int y : {r.top, bottom}) {
            canvas.SetPixels(x, y, color);
            canvas.SetPixels(x - 1, y, color2);
        }
    }
    for (int i = 0; i <= (r.bottom - r.top) / 3; ++i) {
        int y = r.top + 3 * i;
        for (int x : {r.left, right}) {
            canvas.SetPixels(x, y, color);
            canvas.SetPixels(x, y - 1, color2);
        }
    }
}

void CopyByteChannel(TBitmap& bitmap32, TBitmap& bitmap8, int channel, bool toBitmap8) {
    if (channel < 0 || channel > 3 || bitmap32.PixelFormat() != pf32bit || bitmap8.PixelFormat() != pf8bit) return;
    int width = std::min(bitmap32.Width(), bitmap8.Width());
    int height = std::min(bitmap32.Height(), bitmap8.Height());
    for (int y = 0; y < height; ++y) {
        BYTE* wide = bitmap32.ScanLine(y);
        BYTE* narrow = bitmap8.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            if (toBitmap8)
                narrow[x] = wide[x * 4 + channel];
            else
                wide[x * 4 + channel] = narrow[x];
        }
    }
}

namespace {

// The screen DC with the font selected, for measuring.
class ScreenFontDC {
public:
    explicit ScreenFontDC(HFONT font) : dc_(GetDC(nullptr)), old_(SelectObject(dc_, font)) {}
    ~ScreenFontDC() {
        SelectObject(dc_, old_);
        ReleaseDC(nullptr, dc_);
    }
    ScreenFontDC(const ScreenFontDC&) = delete;
    ScreenFontDC& operator=(const ScreenFontDC&) = delete;
    HDC Handle() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

int GetFontLineHeight(HFONT font) {
    ScreenFontDC dc(font);
    TEXTMETRIC metrics{};
    GetTextMetrics(dc.Handle(), &metrics);
    return metrics.tmHeight + 6;
}

SIZE GetFontTextSize(HFONT font, const std::string& text) {
    ScreenFontDC dc(font);
    SIZE size{0, 0};
    if (!GetTextExtentPoint32(dc.Handle(), text.c_str(), static_cast<int>(text.size()), &size)) return SIZE{0, 0};
    return size;
}

}  // namespace parch
