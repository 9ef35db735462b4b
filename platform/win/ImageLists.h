#pragma once
// Image lists: numbered pictures of one size, each kept as straight-alpha BGRA pixels with an
// optional AND mask. 32-bit pictures that carry alpha are alpha-blended when drawn; masked
// lists let the destination show through where the mask is set. Handles are checked against
// the table of live lists, so a stale handle fails cleanly.

#include "platform/win/Icons.h"

namespace parch {

struct HIMAGELIST__;
using HIMAGELIST = HIMAGELIST__*;

// Creation flags. The colour depth is remembered; pictures are kept at full colour whatever it
// says.
constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR = 0x0000;
constexpr UINT ILC_COLORDDB = 0x00FE;
constexpr UINT ILC_COLOR4 = 0x0004;
constexpr UINT ILC_COLOR8 = 0x0008;
constexpr UINT ILC_COLOR16 = 0x0010;
constexpr UINT ILC_COLOR24 = 0x0018;
constexpr UINT ILC_COLOR32 = 0x0020;

// Drawing styles.
constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;
constexpr UINT ILD_BLEND25 = 0x0002;
constexpr UINT ILD_FOCUS = ILD_BLEND25;
constexpr UINT ILD_BLEND50 = 0x0004;
constexpr UINT ILD_SELECTED = ILD_BLEND50;
constexpr UINT ILD_BLEND = ILD_BLEND50;
constexpr UINT ILD_MASK = 0x0010;
constexpr UINT ILD_IMAGE = 0x0020;
constexpr UINT ILD_OVERLAYMASK = 0x0F00;
constexpr UINT INDEXTOOVERLAYMASK(UINT overlay) { return overlay << 8; }

// ImageList_Copy.
constexpr UINT ILCF_MOVE = 0x0000;
constexpr UINT ILCF_SWAP = 0x0001;

constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

struct IMAGEINFO {
    HBITMAP hbmImage = nullptr;  // the list's own bitmaps: not to be deleted by the caller
    HBITMAP hbmMask = nullptr;
    int Unused1 = 0;
    int Unused2 = 0;
    RECT rcImage;
};

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
// Refused (0) for a list marked as a process-wide system list.
BOOL ImageList_Destroy(HIMAGELIST list);
// A bitmap wider than the list's images holds several side by side (width / cx of them).
// Returns the index of the first new image, -1 on failure.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// The mask is made from the pixels of colour `maskColor`, which become black in the image.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor);
// Index -1 appends. The icon is scaled to the list's size when it differs.
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
int ImageList_AddIcon(HIMAGELIST list, HICON icon);
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// Index -1 removes every image.
BOOL ImageList_Remove(HIMAGELIST list, int index);
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);
int ImageList_GetImageCount(HIMAGELIST list);
// New images are black and, in a masked list, transparent.
BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Removes every image.
BOOL ImageList_SetIconSize(HIMAGELIST list, int cx, int cy);
COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color);
COLORREF ImageList_GetBkColor(HIMAGELIST list);
// `overlay` 1..15 names image `index` for the INDEXTOOVERLAYMASK drawing style.
BOOL ImageList_SetOverlayImage(HIMAGELIST list, int index, int overlay);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// dx, dy 0: the whole image; otherwise the top-left part of that size. `background`
// CLR_DEFAULT is the list's colour, CLR_NONE none; `foreground` (the blend colour)
// CLR_DEFAULT is the highlight colour.
BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy,
                      COLORREF background, COLORREF foreground, UINT style);
// ILCF_MOVE copies the source image over the destination's; ILCF_SWAP exchanges them.
BOOL ImageList_Copy(HIMAGELIST destination, int destinationIndex, HIMAGELIST source,
                    int sourceIndex, UINT flags);
BOOL ImageList_GetImageInfo(HIMAGELIST list, int index, IMAGEINFO* info);
BOOL ImageList_GetImageRect(HIMAGELIST list, int index, RECT* rect);

// Marks (or unmarks) a process-wide system list, which ImageList_Destroy then refuses: a
// control that received it without sharing it must not destroy it for everyone.
BOOL ImageList_SetSystemList(HIMAGELIST list, bool system);

// True for a live image list.
bool IsImageListHandle(HIMAGELIST list);

}  // namespace parch
