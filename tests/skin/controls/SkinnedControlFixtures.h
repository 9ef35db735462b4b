#pragma once
// What the skinned-control tests share: a control's pixels as the headless screen shows them,
// and comparisons of 32-bit pictures.

#include <cstdint>
#include <memory>

#include "framework/Forms.h"
#include "skin/engine/sBitmapUtils.h"
#include "tests/framework/FormFixture.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch::test {

// The control's area of its form's window picture, opaque.
inline std::unique_ptr<TBitmap> ScreenImage(TForm& form, const TControl& control) {
    WindowPixels pixels(&form);
    auto image = NewPf32Bitmap(control.Width(), control.Height());
    for (int y = 0; y < control.Height(); ++y)
        for (int x = 0; x < control.Width(); ++x) {
            COLORREF c = pixels.At(&control, x, y);
            PixelAt(*image, x, y) = 0xFF000000u | (std::uint32_t{GetRValue(c)} << 16) |
                                    (std::uint32_t{GetGValue(c)} << 8) | GetBValue(c);
        }
    return image;
}

// Pixels whose colour (alpha left out) differs between two pictures of one size; -1 when the
// sizes differ.
inline int DifferingPixels(TBitmap& a, TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
    int count = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) count += (PixelAt(a, x, y) & 0xFFFFFF) != (PixelAt(b, x, y) & 0xFFFFFF);
    return count;
}

}  // namespace parch::test
