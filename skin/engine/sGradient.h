#pragma once
// Multi-stop gradients of skin sections: the text form "c1;c2;percent;mode;x;..." and its
// parsed stops.

#include <string_view>

#include "skin/engine/sConst.h"

namespace parch {

// Fills Data from the text: the non-empty ";"-separated fields, five per stop, an incomplete
// last group dropped. A field that is no number raises EConvertError; Data then keeps the
// stops read so far.
void ParseGradientData(std::string_view text, TsGradArray& data);

}  // namespace parch

#include "framework/graphics/Bitmap.h"

namespace parch {

// Paints the stops into Rect of a pf32bit bitmap: mode 0 bands downwards, 1 rightwards (alpha
// 255), 2 four triangles from the centre (through GradientFill; nothing without it). The
// rectangle is clipped to the bitmap; other formats, empty rectangles and stops paint nothing.
void PaintMultiGradient(TBitmap& bitmap, RECT rect, const TsGradArray& data, int offset);

// The same gradient (modes 0 and 1) mixed pixel by pixel with a texture tiled from TextureRect
// of Texture (the whole texture when empty); Blend 0..255 is the texture's weight. A tile
// without width or height paints nothing.
void PaintMultiGradientTextured(TBitmap& bitmap, RECT rect, const TsGradArray& data, int blend, RECT textureRect,
                                TBitmap& texture);

}  // namespace parch
