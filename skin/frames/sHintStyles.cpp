// The four shaped hint styles. With the skin in use every one looks like the skinned hint.

#include <algorithm>
#include <array>
#include <cmath>

#include "framework/ExtCtrls.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/Rects.h"
#include "skin/engine/acWindowHelpers.h"
#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sVclUtils.h"
#include "skin/frames/sHintManager.h"
#include "skin/frames/sHintPixels.h"

namespace parch {

namespace {

constexpr int kSimplyHintCursorDrop = 16;

// Percent of shadow transparency once the hint's own transparency is added.
int CombinedHintShadowTransparency(const TsHintKind& kind) {
    int p = std::max(0, kind.Transparency);
    int base = kind.ShadowTransparency;
    return static_cast<int>(std::lround(base + p * (100 - base) / 100.0));
}

std::unique_ptr<TBitmap> WhiteHintBitmap(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>(std::max(width, 1), std::max(height, 1), pf32bit);
    FillBitmapRect32(*bitmap, {0, 0, bitmap->Width(), bitmap->Height()}, clWhite);
    return bitmap;
}

void UseHintGreyBrush(TCanvas& canvas, int grey) {
    int g = ClampToByte(grey);
    canvas.Pen().SetStyle(psClear);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(static_cast<TColor>(RGB(g, g, g)));
}

}  // namespace

// ---- TsSimplyHintWindow

void TsSimplyHintWindow::GetMousePosition(POINT& p) {
    TsCustomHintWindow::GetMousePosition(p);
    if (!SkinUsed()) p.y += kSimplyHintCursorDrop;
}

void TsSimplyHintWindow::PaintShadow(TBitmap* bitmap) {
    TsHintManager* manager = UnskinnedManager();
    if (!manager || !bitmap || !manager->HintKind().ShadowEnabled()) return;
    const TsHintKind& kind = manager->HintKind();
    int s = ShadowSize();
    PaintSoftShadow(*bitmap, {s, s, HintWidth(), HintHeight()}, CombinedHintShadowTransparency(kind), clBlack,
                    kind.ShadowBlur, 0);
}

std::unique_ptr<TBitmap> TsSimplyHintWindow::MakeMask() {
    if (!UnskinnedManager()) return TsCustomHintWindow::MakeMask();
    auto mask = WhiteHintBitmap(HintWidth(), HintHeight());
    RECT body;
    GetBody(body);
    FillBitmapRect32(*mask, body, clBlack);
    return mask;
}

std::unique_ptr<TBitmap> TsSimplyHintWindow::MakeBody() {
    if (!UnskinnedManager()) return TsCustomHintWindow::MakeBody();
    auto body = std::make_unique<TBitmap>(std::max(HintWidth(), 1), std::max(HintHeight(), 1), pf32bit);
    RECT r{0, 0, HintWidth() - ShadowSize(), HintHeight() - ShadowSize()};
    PaintBackground(*body, r);
    PaintText(*body);
    PaintBorder(*body);
    return body;
}

void TsSimplyHintWindow::PaintBorder(TBitmap& bitmap) {
    TsHintManager* manager = UnskinnedManager();
    if (!manager || manager->HintKind().BevelWidth <= 0) return;
    const TsHintKind& kind = manager->HintKind();
    RECT r;
    GetBody(r);
    Frame3D(bitmap.Canvas(), r, kind.ColorBorderTop, kind.ColorBorderBottom, kind.BevelWidth);
}

// ---- the tail styles

RECT TsTailHintWindow::CalcHintRect(int maxWidth, const std::string& hint) {
    RECT r = TsCustomHintWindow::CalcHintRect(maxWidth, hint);
    TsHintManager* manager = UnskinnedManager();
    if (!manager) return r;
    r.bottom += manager->HintKind().ExOffset;
    int w = r.right;
    int h = r.bottom;
    // An empty box holds no text: nothing to grow.
    if (GrowsToEllipse() && w > 0 && h > 0) {
        double d = std::sqrt(static_cast<double>(w) * w + static_cast<double>(h) * h) - w;
        extraWidth_ = static_cast<int>(std::lround(w * d / h));
        extraHeight_ = static_cast<int>(std::lround(d * h / w));
        r.right += extraWidth_;
        r.bottom += extraHeight_;
    }
    return r;
}

void TsTailHintWindow::GetBody(RECT& rect) {
    TsHintManager* manager = UnskinnedManager();
    if (!manager) {
        TsCustomHintWindow::GetBody(rect);
        return;
    }
    int exOffset = manager->HintKind().ExOffset;
    rect.left = 0;
    rect.right = HintWidth() - ShadowSize();
    if (Corner() == 1 || Corner() == 3) {
        rect.top = 0;
        rect.bottom = HintHeight() - ShadowSize() - exOffset;
    } else {
        rect.top = exOffset;
        rect.bottom = HintHeight() - ShadowSize();
    }
}

void TsTailHintWindow::DrawTailShape(TCanvas& canvas, const RECT& body, int inset, int tailHalfWidth, int baseShift) {
    RECT r{body.left + inset, body.top + inset, body.right - inset + 1, body.bottom - inset + 1};
    DrawOutlineShape(canvas, r);
    int width = RectWidth(body, false);
    int height = RectHeight(body, false);
    int cx = body.left + width / 2 + baseShift;
    int baseY = Corner() == 1 || Corner() == 3 ? body.bottom - height / 2 : body.top + height / 2;
    std::array<POINT, 3> tail{TailPoint(), POINT{cx - tailHalfWidth, baseY}, POINT{cx + tailHalfWidth, baseY}};
    canvas.Polygon(tail);
}

std::unique_ptr<TBitmap> TsTailHintWindow::MakeMask() {
    TsHintManager* manager = UnskinnedManager();
    if (!manager) return TsCustomHintWindow::MakeMask();
    auto mask = WhiteHintBitmap(HintWidth(), HintHeight());
    int a = LayeredWindowsAvailable() ? 0 : std::max(0, manager->HintKind().Transparency) * 255 / 100;
    UseHintGreyBrush(mask->Canvas(), std::clamp(2 * a - 255, 0, 255));
    RECT body;
    GetBody(body);
    DrawTailShape(mask->Canvas(), body, 0, std::max(0, RectWidth(body, false) / 8), 0);
    return mask;
}

std::unique_ptr<TBitmap> TsTailHintWindow::MakeBody() {
    if (!UnskinnedManager()) return TsCustomHintWindow::MakeBody();
    auto body = std::make_unique<TBitmap>(std::max(HintWidth(), 1), std::max(HintHeight(), 1), pf32bit);
    PaintBackground(*body, {0, 0, HintWidth(), HintHeight()});
    PaintText(*body);
    PaintBorder(*body);
    return body;
}

void TsTailHintWindow::PaintBorder(TBitmap& bitmap) {
    TsHintManager* manager = UnskinnedManager();
    if (!manager || manager->HintKind().BevelWidth <= 0) return;
    const TsHintKind& kind = manager->HintKind();
    std::unique_ptr<TBitmap> mask = MakeMask();
    PaintHintOutline(bitmap, *mask, ColorToRGB(kind.ColorBorderTop), ColorToRGB(kind.ColorBorderBottom));
}

void TsTailHintWindow::PaintShadow(TBitmap* bitmap) {
    TsHintManager* manager = UnskinnedManager();
    if (!manager || !bitmap || !manager->HintKind().ShadowEnabled()) return;
    const TsHintKind& kind = manager->HintKind();
    auto shadowMask = WhiteHintBitmap(bitmap->Width(), bitmap->Height());
    RECT r;
    GetBody(r);
    OffsetRect(&r, kind.ShadowOffset, kind.ShadowOffset);
    int blur = std::max(0, kind.ShadowBlur);
    int a = CombinedHintShadowTransparency(kind) * 255 / 100;
    double step = (255.0 - a) / (blur + 1);
    int width = RectWidth(r, false);
    int height = RectHeight(r, false);
    bool tailBelow = Corner() == 1 || Corner() == 3;
    double k = tailBelow ? static_cast<double>(HintHeight() - (r.bottom - height / 2)) / (HintHeight() - r.bottom + 1)
                         : static_cast<double>(height / 2 + r.top) / (r.top + 1);
    for (int e = 0; e <= blur; ++e) {
        UseHintGreyBrush(shadowMask->Canvas(), static_cast<int>(std::lround((blur - e) * step)) + a);
        int halfWidth = std::max(0, width / 8 - static_cast<int>(std::lround(e * k * 2)));
        DrawTailShape(shadowMask->Canvas(), r, e, halfWidth, blur);
    }
    DarkenThroughHintMask(*bitmap, *shadowMask);
}

// ---- TsComicsHintWindow

void TsComicsHintWindow::DrawOutlineShape(TCanvas& canvas, const RECT& r) {
    TsHintManager* manager = TsHintManager::Current();
    int radius = manager ? manager->HintKind().Radius : 0;
    canvas.RoundRect(r.left, r.top, r.right, r.bottom, radius, radius);
}

// ---- TsEllipseHintWindow

void TsEllipseHintWindow::GetBody(RECT& rect) {
    TsTailHintWindow::GetBody(rect);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.bottom = std::min<LONG>(rect.bottom, HintHeight());
}

void TsEllipseHintWindow::DrawOutlineShape(TCanvas& canvas, const RECT& r) { canvas.Ellipse(r); }

bool TsEllipseHintWindow::GrowsToEllipse() const { return !frame_; }

// ---- TsBalloonHintWindow

TsBalloonHintWindow::TsBalloonHintWindow(TComponent* owner) : TsTailHintWindow(owner) {}

void TsBalloonHintWindow::DrawOutlineShape(TCanvas& canvas, const RECT& r) { canvas.Ellipse(r); }

std::unique_ptr<TBitmap> TsBalloonHintWindow::MakeMask() {
    if (!UnskinnedManager()) return TsCustomHintWindow::MakeMask();
    return BalloonShape(false);
}

void TsBalloonHintWindow::PaintShadow(TBitmap* bitmap) {
    TsHintManager* manager = UnskinnedManager();
    if (!manager || !bitmap || !manager->HintKind().ShadowEnabled()) return;
    int s = manager->HintKind().ShadowOffset;
    std::unique_ptr<TBitmap> shape = BalloonShape(true);
    auto moved = WhiteHintBitmap(bitmap->Width(), bitmap->Height());
    BitBlt(moved->Canvas().Handle(), s, s, HintWidth() - s, HintHeight() - s, shape->Canvas().Handle(), 0, 0, SRCCOPY);
    DarkenThroughHintMask(*bitmap, *moved);
}

std::unique_ptr<TBitmap> TsBalloonHintWindow::BalloonShape(bool shadow) {
    const TsHintKind& kind = TsHintManager::Current()->HintKind();
    auto shape = WhiteHintBitmap(HintWidth(), HintHeight());
    TCanvas& canvas = shape->Canvas();
    RECT r;
    GetBody(r);
    const int w = RectWidth(r, false);
    const int h = RectHeight(r, false);
    const int cx = w / 2 + r.left;
    const int n = smallEllipses_;
    const int d = sizeDivisor_;
    const int s = kind.ShadowOffset;
    int a = 0;
    int levels = 0;
    if (shadow) {
        a = CombinedHintShadowTransparency(kind) * 256 / 100;
        levels = std::max(0, kind.ShadowBlur);
    } else if (!LayeredWindowsAvailable()) {
        a = std::max(0, kind.Transparency) * 256 / 100;
    }
    double step = (255.0 - a) / (levels + 1);
    const int q0 = w / d;
    const int r0 = h / d;
    int dx = 0, dy = 0, x0 = 0, y0 = 0;
    switch (Corner()) {
    case 0:
        dx = (w / 2 - q0) / (n + 1);
        dy = (h / 6 + r.top - r0) / (n + 1);
        x0 = cx - q0;
        y0 = h / 6 + r.top - r0;
        break;
    case 1:
        dx = (w / 2 - q0) / (n - 1);
        dy = (r.bottom - HintHeight()) / (n - 1);
        x0 = cx - dx / 2;
        y0 = r.bottom + dy + dy / 2;
        break;
    case 2:
        dx = (q0 - (s + w) / 2) / n * 2;
        dy = (h / 6 + r.top - r0) / (n + 1);
        x0 = cx + dx;
        y0 = h / 6 + r.top - r0;
        break;
    default:
        dx = (q0 / 2 - (s + HintWidth() - cx)) / (n - 1);
        dy = (r0 - s - r.bottom - h / 6) / (n - 1);
        x0 = cx + dx / 2;
        y0 = r.bottom + dy + dy / 2;
        break;
    }
    for (int f = 0; f <= levels; ++f) {
        UseHintGreyBrush(canvas, static_cast<int>(std::lround((levels - f) * step)) + a);
        canvas.Ellipse(r.left + f, r.top + f, r.right - f + 1, r.bottom - f + 1);
        int x = x0;
        int y = y0;
        for (int i = 1; i <= n; ++i) {
            int q = w / (i * d);
            int rr = h / (i * d);
            x -= dx;
            y -= dy;
            if (2 * f < rr && 2 * f < q) canvas.Ellipse(x + f, y + f, x + q - f + 1, y + rr - f + 1);
        }
    }
    return shape;
}

}  // namespace parch
