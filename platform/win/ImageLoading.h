#pragma once
// LoadImage and CopyImage: bitmaps, icons and cursors from files (.bmp, .ico, .cur, .png) and
// from a module's resources, at the size asked for.

#include "platform/win/Icons.h"
#include "platform/win/Resources.h"

namespace parch {


constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_MONOCHROME = 0x0001;
constexpr UINT LR_COPYRETURNORG = 0x0004;
constexpr UINT LR_COPYDELETEORG = 0x0008;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_LOADTRANSPARENT = 0x0020;
constexpr UINT LR_DEFAULTSIZE = 0x0040;
constexpr UINT LR_VGACOLOR = 0x0080;
constexpr UINT LR_LOADMAP3DCOLORS = 0x1000;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;
constexpr UINT LR_COPYFROMRESOURCE = 0x4000;
constexpr UINT LR_SHARED = 0x8000;

// Largest file LoadImage reads.
constexpr std::int64_t kMaxImageFileBytes = std::int64_t{64} << 20;

// An HBITMAP or HICON (as a void*, as Windows returns HANDLE), or null when the source is
// missing or damaged. cx, cy 0: the picture's own size (the system size with
// LR_DEFAULTSIZE for icons and cursors). Icons take the entry that fits best and are scaled
// to the size when no entry has it. Bitmaps are DIB sections with LR_CREATEDIBSECTION and
// 32-bit device bitmaps otherwise. LR_SHARED returns one handle per source, which
// DestroyIcon leaves alive.
void* LoadImage(HINSTANCE module, const char* name, UINT type, int cx, int cy, UINT flags);
// A new picture of the size asked for (0: the same). LR_COPYFROMRESOURCE reloads an icon
// from the entry of its file or resource that fits the size best; LR_COPYDELETEORG
// destroys the original.
void* CopyImage(void* image, UINT type, int cx, int cy, UINT flags);

// Decoding without a module, for callers holding the bytes (the fuzz target, the framework).
HICON IconFromBytes(const BYTE* data, std::size_t size, int cx, int cy, bool wantCursor);
HBITMAP BitmapFromBytes(const BYTE* data, std::size_t size, bool dibSection);

}  // namespace parch
