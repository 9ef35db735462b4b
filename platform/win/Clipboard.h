#pragma once
// The clipboard: text (UTF-8) and a picture, held side by side as a clipboard holds several
// formats, so putting one on it keeps the other. The text lives in memory until a display back
// end connects it to the system's clipboard; the picture stays in this process.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace parch {

std::string GetClipboardText();
void SetClipboardText(const std::string& text);

// A 32-bit device-independent bitmap as bitmaps exchange it on the clipboard: the header
// followed by the pixel rows as bytes.
struct ClipboardPicture {
    BITMAPINFOHEADER header{};
    std::vector<std::uint8_t> pixels;
};

bool HasClipboardPicture();
// The picture on the clipboard, or nothing.
std::optional<ClipboardPicture> GetClipboardPicture();
// Puts the picture on the clipboard, in place of the one there. False, leaving the clipboard
// as it was, unless the header is a 40-byte one of an uncompressed 32-bit picture whose rows
// are exactly the bytes given.
bool SetClipboardPicture(ClipboardPicture picture);

}  // namespace parch

namespace parch::win {

struct ClipboardBackend {
    std::function<std::string()> get;
    std::function<void(const std::string&)> set;
};
// An empty backend goes back to the in-memory clipboard. Back ends carry text only.
void SetClipboardBackend(ClipboardBackend backend);

}  // namespace parch::win
