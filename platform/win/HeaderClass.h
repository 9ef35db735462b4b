#pragma once
// The "SysHeader32" window class: a row of column titles above a report view. Items keep a
// width, a UTF-8 title, an alignment and an image; their display order is kept apart from
// their indexes so they can be dragged into a new order (HDS_DRAGDROP). Dividers are dragged
// with the mouse to resize columns, told to the parent with HDN_ notifications.

#include <string_view>

#include "platform/win/CommonControls.h"
#include "platform/win/ImageLists.h"

namespace parch {

// Styles.
constexpr DWORD HDS_HORZ = 0x0000;
constexpr DWORD HDS_BUTTONS = 0x0002;
constexpr DWORD HDS_HOTTRACK = 0x0004;
constexpr DWORD HDS_HIDDEN = 0x0008;
constexpr DWORD HDS_DRAGDROP = 0x0040;
constexpr DWORD HDS_FULLDRAG = 0x0080;

// Messages.
constexpr UINT HDM_FIRST = 0x1200;
constexpr UINT HDM_GETITEMCOUNT = HDM_FIRST + 0;
constexpr UINT HDM_INSERTITEMA = HDM_FIRST + 1;
constexpr UINT HDM_DELETEITEM = HDM_FIRST + 2;
constexpr UINT HDM_GETITEMA = HDM_FIRST + 3;
constexpr UINT HDM_SETITEMA = HDM_FIRST + 4;
constexpr UINT HDM_LAYOUT = HDM_FIRST + 5;
constexpr UINT HDM_HITTEST = HDM_FIRST + 6;
constexpr UINT HDM_GETITEMRECT = HDM_FIRST + 7;
constexpr UINT HDM_SETIMAGELIST = HDM_FIRST + 8;
constexpr UINT HDM_GETIMAGELIST = HDM_FIRST + 9;
constexpr UINT HDM_INSERTITEMW = HDM_FIRST + 10;
constexpr UINT HDM_GETITEMW = HDM_FIRST + 11;
constexpr UINT HDM_SETITEMW = HDM_FIRST + 12;
constexpr UINT HDM_ORDERTOINDEX = HDM_FIRST + 15;
constexpr UINT HDM_GETORDERARRAY = HDM_FIRST + 17;
constexpr UINT HDM_SETORDERARRAY = HDM_FIRST + 18;
constexpr UINT HDM_INSERTITEM = HDM_INSERTITEMA;
constexpr UINT HDM_GETITEM = HDM_GETITEMA;
constexpr UINT HDM_SETITEM = HDM_SETITEMA;

// Notifications (texts in them are UTF-8).
constexpr UINT HDN_FIRST = 0U - 300U;
constexpr UINT HDN_ITEMCHANGING = HDN_FIRST - 0;
constexpr UINT HDN_ITEMCHANGED = HDN_FIRST - 1;
constexpr UINT HDN_ITEMCLICK = HDN_FIRST - 2;
constexpr UINT HDN_ITEMDBLCLICK = HDN_FIRST - 3;
constexpr UINT HDN_DIVIDERDBLCLICK = HDN_FIRST - 5;
constexpr UINT HDN_BEGINTRACK = HDN_FIRST - 6;
constexpr UINT HDN_ENDTRACK = HDN_FIRST - 7;
constexpr UINT HDN_TRACK = HDN_FIRST - 8;
constexpr UINT HDN_BEGINDRAG = HDN_FIRST - 10;
constexpr UINT HDN_ENDDRAG = HDN_FIRST - 11;

// Which fields of an item a call reads or writes.
constexpr UINT HDI_WIDTH = 0x0001;
constexpr UINT HDI_HEIGHT = HDI_WIDTH;
constexpr UINT HDI_TEXT = 0x0002;
constexpr UINT HDI_FORMAT = 0x0004;
constexpr UINT HDI_LPARAM = 0x0008;
constexpr UINT HDI_BITMAP = 0x0010;
constexpr UINT HDI_IMAGE = 0x0020;
constexpr UINT HDI_ORDER = 0x0080;

// Item formats.
constexpr int HDF_LEFT = 0x0000;
constexpr int HDF_RIGHT = 0x0001;
constexpr int HDF_CENTER = 0x0002;
constexpr int HDF_JUSTIFYMASK = 0x0003;
constexpr int HDF_SORTDOWN = 0x0200;
constexpr int HDF_SORTUP = 0x0400;
constexpr int HDF_IMAGE = 0x0800;
constexpr int HDF_BITMAP_ON_RIGHT = 0x1000;
constexpr int HDF_BITMAP = 0x2000;
constexpr int HDF_STRING = 0x4000;
constexpr int HDF_OWNERDRAW = 0x8000;

// Hit-test answers.
constexpr UINT HHT_NOWHERE = 0x0001;
constexpr UINT HHT_ONHEADER = 0x0002;
constexpr UINT HHT_ONDIVIDER = 0x0004;
constexpr UINT HHT_ONDIVOPEN = 0x0008;
constexpr UINT HHT_ABOVE = 0x0100;
constexpr UINT HHT_BELOW = 0x0200;
constexpr UINT HHT_TORIGHT = 0x0400;
constexpr UINT HHT_TOLEFT = 0x0800;

// WM_DRAWITEM's control type for an HDF_OWNERDRAW item.
constexpr UINT ODT_HEADER = 100;

template <typename Char>
struct HDITEMT {
    UINT mask = 0;
    int cxy = 0;
    Char* pszText = nullptr;
    HBITMAP hbm = nullptr;
    int cchTextMax = 0;  // characters (bytes for UTF-8) of pszText's buffer
    int fmt = 0;
    LPARAM lParam = 0;
    int iImage = 0;
    int iOrder = 0;
};
using HDITEMA = HDITEMT<char>;
using HDITEMW = HDITEMT<char16_t>;
using HDITEM = HDITEMA;

struct HDLAYOUT {
    RECT* prc = nullptr;        // in: the parent's area; out: what is left below the header
    WINDOWPOS* pwpos = nullptr;  // out: where the header goes
};

struct HDHITTESTINFO {
    POINT pt;
    UINT flags = 0;
    int iItem = -1;
};

struct NMHEADER {
    NMHDR hdr;
    int iItem = -1;
    int iButton = 0;  // 0 left, 1 right, 2 middle
    HDITEMA* pitem = nullptr;
};

}  // namespace parch

namespace parch::win {

void RegisterHeaderClass();

// Copies UTF-8 text into a caller's buffer of `size` bytes, zero-terminated, cut where no
// character is split. The bytes copied (without the zero); 0 for no buffer.
int CopyTextToBuffer(std::string_view text, char* buffer, int size);
// The same for a UTF-16 buffer of `size` units: a surrogate pair is never split.
int CopyTextToBuffer(std::string_view text, char16_t* buffer, int size);

}  // namespace parch::win
