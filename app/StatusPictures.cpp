#include "app/StatusPictures.h"

#include "framework/ImgList.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"

#include <array>

namespace parch {

namespace {

constexpr int kWidth = 22;
constexpr int kHeight = 12;
constexpr TColor kBackground = clFuchsia;  // the transparent colour

void DrawHourglass(TCanvas& canvas) {
    canvas.Brush().SetColor(static_cast<TColor>(0x0030A0E0));  // amber
    canvas.Pen().SetColor(static_cast<TColor>(0x00205070));
    const std::array<POINT, 3> top{{{2, 1}, {10, 1}, {6, 6}}};
    const std::array<POINT, 3> bottom{{{6, 6}, {10, 11}, {2, 11}}};
    canvas.Polygon(top);
    canvas.Polygon(bottom);
}

void DrawGear(TCanvas& canvas) {
    canvas.Pen().SetColor(static_cast<TColor>(0x00505050));
    canvas.Brush().SetColor(static_cast<TColor>(0x00909090));
    canvas.Ellipse(1, 1, 12, 12);
    canvas.Brush().SetColor(clWhite);
    canvas.Ellipse(4, 4, 9, 9);
}

void DrawTick(TCanvas& canvas) {
    canvas.Pen().SetColor(static_cast<TColor>(0x0000A000));
    canvas.Pen().SetWidth(2);
    canvas.MoveTo(1, 6);
    canvas.LineTo(4, 10);
    canvas.LineTo(11, 2);
    canvas.Pen().SetWidth(1);
}

void DrawCross(TCanvas& canvas) {
    canvas.Pen().SetColor(static_cast<TColor>(0x000000D0));
    canvas.Pen().SetWidth(2);
    canvas.MoveTo(2, 2);
    canvas.LineTo(10, 10);
    canvas.MoveTo(10, 2);
    canvas.LineTo(2, 10);
    canvas.Pen().SetWidth(1);
}

// A small key to the right of the symbol.
void DrawKey(TCanvas& canvas) {
    canvas.Pen().SetColor(static_cast<TColor>(0x00006080));
    canvas.Brush().SetColor(static_cast<TColor>(0x0000C0F0));
    canvas.Ellipse(13, 3, 18, 8);
    canvas.MoveTo(18, 5);
    canvas.LineTo(21, 5);
    canvas.MoveTo(20, 5);
    canvas.LineTo(20, 8);
}

}  // namespace

TImageList* CreateStatusPictures(TComponent* owner) {
    auto* list = new TImageList(owner, kWidth, kHeight);
    using Draw = void (*)(TCanvas&);
    for (const Draw symbol : {DrawHourglass, DrawGear, DrawTick, DrawCross}) {
        for (const bool key : {false, true}) {
            TBitmap picture;
            picture.SetSize(kWidth, kHeight);
            picture.Canvas().Brush().SetColor(kBackground);
            picture.Canvas().FillRect({0, 0, kWidth, kHeight});
            symbol(picture.Canvas());
            if (key) DrawKey(picture.Canvas());
            list->AddMasked(&picture, kBackground);
        }
    }
    return list;
}

}  // namespace parch
