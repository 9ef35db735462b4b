#pragma once
// Drawing that the button and static classes share: a caption placed in a rectangle (with the
// engraved look of a disabled control), and a control's image. Internal to platform/win.

#include <string>

#include "platform/win/WinUser.h"

namespace parch::win {

enum class LabelPlace { Top, Middle, Bottom };

struct Label {
    std::string text;       // UTF-8; '&' marks a mnemonic unless format has DT_NOPREFIX
    UINT format = 0;        // DrawText flags: alignment, DT_SINGLELINE or DT_WORDBREAK, ellipses
    LabelPlace place = LabelPlace::Middle;
    COLORREF color = 0;
    bool enabled = true;
};

// Draws the label inside area and answers the rectangle its text took (empty without text).
RECT DrawLabel(HDC dc, const RECT& area, const Label& label);

// The size of a bitmap or icon (or cursor) image; (0, 0) when it is none of them.
SIZE ControlImageSize(void* image, UINT type);
// Where an image of `size` lands in area by the DrawText alignment flags and place.
RECT PlaceImage(const RECT& area, SIZE size, UINT horizontal, LabelPlace place);
// Draws the image into target, stretched when the sizes differ.
void DrawControlImage(HDC dc, const RECT& target, void* image, UINT type);

}  // namespace parch::win
