#include "app/PageButtonPictures.h"

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"

#include <array>

namespace parch {

namespace {

constexpr int kSide = 14;
constexpr TColor kArrowColour = static_cast<TColor>(0x00404040);
constexpr TColor kHoverArrowColour = static_cast<TColor>(0x00A05010);
constexpr TColor kHoverFrame = static_cast<TColor>(0x00D08040);
constexpr TColor kHoverFill = static_cast<TColor>(0x00FCEEDD);

// A triangle pointing left or right, its flat side at x = base and its tip at x = tip.
void DrawArrowHead(TCanvas& canvas, int base, int tip) {
    const std::array<POINT, 3> points{{{base, 3}, {tip, 7}, {base, 11}}};
    canvas.Polygon(points);
}

void DrawBar(TCanvas& canvas, int x) { canvas.FillRect({x, 3, x + 2, 12}); }

}  // namespace

std::unique_ptr<TBitmap> DrawPageButtonPicture(PageButton button, bool hover) {
    auto picture = std::make_unique<TBitmap>();
    picture->SetSize(kSide, kSide);
    TCanvas& canvas = picture->Canvas();
    canvas.Brush().SetColor(hover ? kHoverFill : clBtnFace);
    canvas.Pen().SetColor(hover ? kHoverFrame : clBtnFace);
    canvas.Rectangle(0, 0, kSide, kSide);
    const TColor ink = hover ? kHoverArrowColour : kArrowColour;
    canvas.Brush().SetColor(ink);
    canvas.Pen().SetColor(ink);
    switch (button) {
        case PageButton::First:
            DrawBar(canvas, 3);
            DrawArrowHead(canvas, 10, 6);
            break;
        case PageButton::Previous:
            DrawArrowHead(canvas, 9, 5);
            break;
        case PageButton::Next:
            DrawArrowHead(canvas, 5, 9);
            break;
        case PageButton::Last:
            DrawArrowHead(canvas, 4, 8);
            DrawBar(canvas, 9);
            break;
    }
    return picture;
}

}  // namespace parch
