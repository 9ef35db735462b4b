#pragma once
// Icons and cursors: objects of their own, each holding a picture as straight-alpha BGRA pixels
// (or none, for a monochrome icon) and an AND mask. An HICON is checked against the table of
// live icons before any use, so a stale or foreign handle fails cleanly.
//
// Drawing follows Windows: a colour icon with alpha is alpha-blended (its mask ignored); any
// other icon ANDs its mask onto the destination, then XORs its colour (the lower half of the
// mask for a monochrome icon).

#include <cstdint>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace parch {

// The window system's icon handle (declared alike there).
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;

// The size DI_DEFAULTSIZE draws at: the system icon and cursor size.
constexpr int kSystemIconSize = 32;

struct ICONINFO {
    BOOL fIcon = 1;
    DWORD xHotspot = 0;
    DWORD yHotspot = 0;
    HBITMAP hbmMask = nullptr;   // AND mask; twice the height for a monochrome icon
    HBITMAP hbmColor = nullptr;  // null for a monochrome icon
};

// DrawIconEx flags.
constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
constexpr UINT DI_COMPAT = 0x0004;
constexpr UINT DI_DEFAULTSIZE = 0x0008;
constexpr UINT DI_NOMIRROR = 0x0010;

// An icon's picture as plain pixels, for code that makes icons from decoded files and image
// lists. Rows run top-down.
struct IconImage {
    int width = 0;
    int height = 0;
    // B | G << 8 | R << 16 | A << 24, straight alpha; empty for a monochrome icon.
    std::vector<std::uint32_t> color;
    // Monochrome icons only: the XOR bit of each pixel.
    std::vector<std::uint8_t> xorBits;
    // One byte per pixel: 1 where the AND mask is set (the destination shows through).
    std::vector<std::uint8_t> mask;
    bool hasAlpha = false;  // colour pixels carry alpha (some alpha byte is not 0)

    bool Monochrome() const { return color.empty(); }
};

// Largest icon side accepted; icon files and resources stay far below it.
constexpr int kMaxIconSide = 4096;

HICON CreateIconIndirect(const ICONINFO* info);
// Copies of the icon's bitmaps: a 32-bit DIB section colour bitmap (alpha kept) and a 1-bit
// mask; the caller deletes both.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
HICON CopyIcon(HICON icon);
// A shared icon (the system cursors) stays alive; DestroyIcon on it answers 1.
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);
// cx, cy 0: the icon's own size, or the system icon size with DI_DEFAULTSIZE. With a brush the
// icon is drawn over that brush off-screen and copied in one piece. `step` selects the frame of
// an animated cursor; our cursors have one frame, so any other step fails.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH brush,
                UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);

// True for a live icon or cursor.
bool IsIconHandle(HICON icon);

// Icons from and to plain pixels (checked: sizes 1..kMaxIconSide, vectors of the right
// lengths). `hasAlpha` is worked out from the pixels.
HICON CreateIconFromImage(IconImage image, bool isIcon, POINT hotspot);
bool GetIconImage(HICON icon, IconImage& image);
// The icon's own size; false for a stale handle.
bool GetIconSize(HICON icon, SIZE& size);
// An icon that DestroyIcon leaves alive (system icons and cursors).
HICON CreateSharedIcon(IconImage image, bool isIcon, POINT hotspot);

}  // namespace parch
