#pragma once
// Measures shared by the framework's own dialogs (message dialogs, input queries): the message
// font, dialog units of a font, and text extents as the dialogs' labels draw them.

#include <string>

#include "framework/graphics/Graphics.h"
#include "platform/gdi/DrawText.h"

namespace parch::dialog_layout {

// How a dialog's label lays out a message: wrapped at blanks, tabs expanded, '&' shown as is.
constexpr UINT kMessageTextFlags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

// Dialog units of a font: a quarter of its average character width across, an eighth of its
// height down.
class TDialogMetrics {
public:
    explicit TDialogMetrics(TFont& font);
    int Across(int units) const { return (units * base_.cx + 2) / 4; }
    int Down(int units) const { return (units * base_.cy + 4) / 8; }

private:
    SIZE base_;
};

// Gives font the system's message font.
void UseMessageFont(TFont& font);
// The width at which a dialog's message wraps: five eighths of the work area, at most a
// comfortable line.
int WrapWidth();
// The size text takes in font, laid out with flags in lines of at most maxWidth pixels (a word
// longer than that widens the result).
SIZE TextExtent(TFont& font, const std::string& text, int maxWidth, UINT flags);
// The text's size cut down so that the dialog, whose other parts and frame take `around`,
// stays on the work area: a message of any length never makes a window larger than the screen.
SIZE FitOnWorkArea(SIZE text, SIZE around);
// The client width a dialog needs to show its caption whole beside the frame's close button.
int CaptionClientWidth(const std::string& caption);

}  // namespace parch::dialog_layout
