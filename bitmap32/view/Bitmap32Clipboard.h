#pragma once
// A 32-bit bitmap's exchange with the clipboard. The bitmap library sits below the window
// system, so this half of its exchange lives with the image view: the bitmap goes through a
// framework bitmap, as it does for every other graphic, and the clipboard holds it as a 32-bit
// device-independent bitmap.

namespace parch {

class TCustomBitmap32;

// Assigns the clipboard's picture to the bitmap; false, leaving the bitmap as it was, when the
// clipboard holds none.
bool AssignBitmap32FromClipboard(TCustomBitmap32& bitmap);
// Puts the bitmap on the clipboard in place of the picture there; the text stays.
void CopyBitmap32ToClipboard(const TCustomBitmap32& bitmap);

}  // namespace parch
