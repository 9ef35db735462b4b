#include "skin/engine/sPaintHelpers.h"

#include <algorithm>

#include "framework/ExtCtrls.h"
#include "framework/GraphicControls.h"
#include "framework/WinControls.h"
#include "framework/graphics/Canvas.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/win/Painting.h"
#include "framework/graphics/JPEGImage.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/Resources.h"
#include "platform/win/SystemBitmaps.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"

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

void TileBitmapOnCanvas(TCanvas& canvas, RECT r, TGraphic* picture) {
    if (picture == nullptr || picture->Empty()) return;
    const int w = picture->Width(), h = picture->Height();
    HDC dc = canvas.Handle();
    if (auto* bitmap = dynamic_cast<TBitmap*>(picture)) {
        HDC source = bitmap->Canvas().Handle();
        for (int y = r.top; y < r.bottom; y += h)
            for (int x = r.left; x < r.right; x += w)
                BitBlt(dc, x, y, std::min(w, r.right - x), std::min(h, r.bottom - y), source, 0, 0, SRCCOPY);
        return;
    }
    if (dynamic_cast<TJPEGImage*>(picture) == nullptr) return;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    for (int j = 0; j <= (r.bottom - r.top) / h; ++j)
        for (int i = 0; i <= (r.right - r.left) / w; ++i) canvas.Draw(r.left + i * w, r.top + j * h, picture);
    RestoreDC(dc, saved);
}

void DrawNestedOutlines(HDC dc, RECT& r, TColor color1, TColor color2, int& count) {
    HPEN lightPen = CreatePen(PS_SOLID, 1, ColorToRGB(color1));
    HPEN darkPen = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(color2));
    HGDIOBJ oldPen = SelectObject(dc, lightPen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
    for (; count > 0; --count) {
        // Polylines leave out their last point: left and top take the top-right corner, right
        // and bottom the bottom-right one.
        const POINT lightEdges[3] = {{r.left, r.bottom - 1}, {r.left, r.top}, {r.right, r.top}};
        const POINT darkEdges[3] = {{r.right - 1, r.top + 1}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1}};
        SelectObject(dc, lightPen);
        Polyline(dc, lightEdges, 3);
        SelectObject(dc, darkPen);
        Polyline(dc, darkEdges, 3);
        r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(lightPen);
    DeleteObject(darkPen);
}

namespace {

constexpr int kSmallCheckedGlyph = 6;
constexpr int kSmallUncheckedGlyph = 7;
constexpr int kSmallGrayedGlyph = 8;

// One cell of the system's check-box grid (four columns, three rows).
SIZE SystemCheckBoxSize() {
    static const SIZE size = [] {
        SIZE cell{kCheckGlyphSize, kCheckGlyphSize};
        if (HBITMAP grid = LoadBitmap(nullptr, MAKEINTRESOURCE(OBM_CHECKBOXES))) {
            BITMAP info{};
            if (GetObject(grid, sizeof(info), &info) != 0) cell = SIZE{info.bmWidth / 4, info.bmHeight / 3};
            DeleteObject(grid);
        }
        return cell;
    }();
    return size;
}

const TsMaskData* SkinSmallCheckGlyph(const TsSkinManager* manager, int glyph) {
    if (manager == nullptr || !manager->Tables().SkinData.SkinActive) return nullptr;
    const int index = manager->ConstData().CheckGlyph[static_cast<size_t>(glyph)];
    return IsValidMaskIndex(manager->Tables(), index) ? &manager->Tables().Masks[static_cast<size_t>(index)] : nullptr;
}

// Copies what lies behind from the backdrop bitmap; pixels outside it are left as they are.
void CopyBackdropRect(TBitmap& bitmap, RECT to, TBitmap& backdrop, POINT from) {
    if (bitmap.PixelFormat() != pf32bit || backdrop.PixelFormat() != pf32bit) return;
    for (int y = std::max(0, to.top); y < std::min(to.bottom, bitmap.Height()); ++y) {
        const int sy = from.y + (y - to.top);
        if (sy < 0 || sy >= backdrop.Height()) continue;
        auto* target = reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y));
        const auto* source = reinterpret_cast<const std::uint32_t*>(backdrop.ScanLine(sy));
        for (int x = std::max(0, to.left); x < std::min(to.right, bitmap.Width()); ++x) {
            const int sx = from.x + (x - to.left);
            if (sx >= 0 && sx < backdrop.Width()) target[x] = source[sx];
        }
    }
}

}  // namespace

int SmallCheckBoxWidth(const TsSkinManager* manager) {
    if (const TsMaskData* glyph = SkinSmallCheckGlyph(manager, kSmallCheckedGlyph)) return MaskFrameWidth(*glyph) + 2;
    return SystemCheckBoxSize().cx;
}

int SmallCheckBoxHeight(const TsSkinManager* manager) {
    if (const TsMaskData* glyph = SkinSmallCheckGlyph(manager, kSmallCheckedGlyph)) return MaskStateHeight(*glyph);
    return SystemCheckBoxSize().cy;
}

void DrawSmallCheckBox(RECT r, int state, bool enabled, TBitmap& bitmap, const TsBackgroundSource& backdrop,
                       const TsSkinManager* manager) {
    const int glyphs[3] = {kSmallUncheckedGlyph, kSmallCheckedGlyph, kSmallGrayedGlyph};
    const int boxWidth = SmallCheckBoxWidth(manager);
    const int boxHeight = SmallCheckBoxHeight(manager);
    const TsMaskData* glyph = state >= 0 && state <= 2 ? SkinSmallCheckGlyph(manager, glyphs[state]) : nullptr;
    if (glyph != nullptr) {
        const POINT at{r.left + ((r.right - r.left) - boxWidth) / 2, ((r.bottom - r.top) - boxHeight) / 2};
        DrawMaskGlyph(bitmap, at, 0, enabled ? 1 : 2, *glyph, backdrop);
        return;
    }
    const RECT area{0, 0, boxWidth + 2, (r.bottom - r.top)};
    if (backdrop.Valid && backdrop.Bmp != nullptr)
        CopyBackdropRect(bitmap, area, *backdrop.Bmp, POINT{backdrop.X + r.left + 1, backdrop.Y + r.top + 1});
    else
        FillBitmapRect32(bitmap, area, backdrop.Color);
    UINT look = DFCS_BUTTONCHECK;
    if (state == 1) look |= DFCS_CHECKED;
    if (state == 2) look |= DFCS_CHECKED | DFCS_BUTTON3STATE;
    if (!enabled) look |= DFCS_INACTIVE;
    RECT box{((r.right - r.left) - boxWidth) / 2, ((r.bottom - r.top) - boxHeight) / 2, 0, 0};
    box.right = box.left + boxWidth;
    box.bottom = box.top + boxHeight;
    DrawFrameControl(bitmap.Canvas().Handle(), &box, DFC_BUTTON, look);
}

void CalcButtonLayout(RECT client, SIZE glyphSize, SIZE textSize, int layout, int alignment, int margin, int spacing,
                      POINT& glyphPos, RECT& textBounds, unsigned biDiFlags) {
    constexpr unsigned kRightToLeft = 2;
    if ((biDiFlags & kRightToLeft) != 0 && (layout == 0 || layout == 1)) layout = 1 - layout;
    const int w = client.right - client.left, h = client.bottom - client.top;
    const int gx = glyphSize.cx, gy = glyphSize.cy, tx = textSize.cx, ty = textSize.cy;
    const bool vertical = layout == 2 || layout == 3;

    glyphPos = POINT{0, 0};
    textBounds = RECT{0, 0, tx, ty};
    POINT text{0, 0};
    if (vertical) {
        glyphPos.x = (w - gx + 1) / 2;
        text.x = (w + 1 - tx) / 2;
    } else {
        glyphPos.y = (h - gy + 1) / 2;
        text.y = (h + 1 - ty) / 2;
    }

    if (tx == 0 || gx == 0) spacing = 0;
    const int room = vertical ? h : w;
    const int glyphAlong = vertical ? gy : gx;
    const int textAlong = vertical ? ty : tx;
    const int total = glyphAlong + textAlong;
    if (margin == -1 && spacing < 0) {
        margin = spacing = (room - total) / 3;
    } else if (margin == -1) {
        margin = alignment == 2 ? (room - (total + spacing) + 1) / 2 : 2;
    } else if (spacing < 0) {
        spacing = ((room - margin - glyphAlong) - textAlong) / 2;
    }

    switch (layout) {
        case 0:
            if (alignment == 0) {
                glyphPos.x = margin;
                text.x = margin + gx + spacing;
                textBounds.right = std::min(tx, client.right - margin - text.x);
            } else if (alignment == 1) {
                text.x = w - margin - tx;
                glyphPos.x = text.x - spacing - gx;
            } else if (alignment == 2) {
                glyphPos.x = std::max((w - tx - spacing - gx) / 2, margin);
                text.x = glyphPos.x + gx + spacing;
            }
            break;
        case 1:
            if (alignment == 0) {
                glyphPos.x = margin + tx + spacing;
                text.x = margin;
            } else if (alignment == 1) {
                glyphPos.x = w - margin - gx;
                text.x = glyphPos.x - spacing - tx;
            } else if (alignment == 2) {
                text.x = (w - tx - spacing - gx) / 2;
                glyphPos.x = text.x + tx + spacing;
            }
            break;
        case 2:
            glyphPos.y = (h - gy - spacing - ty) / 2;
            text.y = glyphPos.y + gy + spacing;
            break;
        case 3:
            glyphPos.y = (h - gy) - ((h - gy) - spacing - ty) / 2;
            text.y = glyphPos.y - spacing - ty;
            break;
        default:
            break;
    }
    glyphPos.x += client.left;
    glyphPos.y += client.top;
    const int dx = text.x + client.left, dy = text.y + client.top;
    textBounds = RECT{textBounds.left + dx, textBounds.top + dy, textBounds.right + dx, textBounds.bottom + dy};
}

}  // namespace parch
