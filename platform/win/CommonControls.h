#pragma once
// What the common controls (list and tree views, header, tabs, bars...) share: WM_NOTIFY
// records and codes, and the custom-draw conversation (NM_CUSTOMDRAW in CDDS_ stages, answered
// with CDRF_ flags).

#include "platform/win/WinUser.h"

namespace parch {

// Notification codes every common control may send.
constexpr UINT NM_FIRST = 0;
constexpr UINT NM_OUTOFMEMORY = NM_FIRST - 1;
constexpr UINT NM_CLICK = NM_FIRST - 2;
constexpr UINT NM_DBLCLK = NM_FIRST - 3;
constexpr UINT NM_RETURN = NM_FIRST - 4;
constexpr UINT NM_RCLICK = NM_FIRST - 5;
constexpr UINT NM_RDBLCLK = NM_FIRST - 6;
constexpr UINT NM_SETFOCUS = NM_FIRST - 7;
constexpr UINT NM_KILLFOCUS = NM_FIRST - 8;
constexpr UINT NM_CUSTOMDRAW = NM_FIRST - 12;
constexpr UINT NM_HOVER = NM_FIRST - 13;
constexpr UINT NM_RELEASEDCAPTURE = NM_FIRST - 16;

// Custom-draw stages.
constexpr DWORD CDDS_PREPAINT = 0x00000001;
constexpr DWORD CDDS_POSTPAINT = 0x00000002;
constexpr DWORD CDDS_PREERASE = 0x00000003;
constexpr DWORD CDDS_POSTERASE = 0x00000004;
constexpr DWORD CDDS_ITEM = 0x00010000;
constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
constexpr DWORD CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT;
constexpr DWORD CDDS_SUBITEM = 0x00020000;

// Custom-draw answers.
constexpr LRESULT CDRF_DODEFAULT = 0x00000000;
constexpr LRESULT CDRF_NEWFONT = 0x00000002;
constexpr LRESULT CDRF_SKIPDEFAULT = 0x00000004;
constexpr LRESULT CDRF_DOERASE = 0x00000008;
constexpr LRESULT CDRF_SKIPPOSTPAINT = 0x00000100;
constexpr LRESULT CDRF_NOTIFYPOSTPAINT = 0x00000010;
constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x00000020;
constexpr LRESULT CDRF_NOTIFYSUBITEMDRAW = 0x00000020;
constexpr LRESULT CDRF_NOTIFYPOSTERASE = 0x00000040;

// Item states in custom draw.
constexpr UINT CDIS_SELECTED = 0x0001;
constexpr UINT CDIS_GRAYED = 0x0002;
constexpr UINT CDIS_DISABLED = 0x0004;
constexpr UINT CDIS_CHECKED = 0x0008;
constexpr UINT CDIS_FOCUS = 0x0010;
constexpr UINT CDIS_DEFAULT = 0x0020;
constexpr UINT CDIS_HOT = 0x0040;
constexpr UINT CDIS_MARKED = 0x0080;
constexpr UINT CDIS_INDETERMINATE = 0x0100;

// Items whose image or text the control asks its parent for when it needs them.
constexpr int I_IMAGECALLBACK = -1;
constexpr int I_IMAGENONE = -2;
inline char* const LPSTR_TEXTCALLBACKA = reinterpret_cast<char*>(static_cast<INT_PTR>(-1));
inline char16_t* const LPSTR_TEXTCALLBACKW = reinterpret_cast<char16_t*>(static_cast<INT_PTR>(-1));
inline char* const LPSTR_TEXTCALLBACK = LPSTR_TEXTCALLBACKA;

struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage = 0;
    HDC hdc = nullptr;
    RECT rc;
    UINT_PTR dwItemSpec = 0;
    UINT uItemState = 0;
    LPARAM lItemlParam = 0;
};

// Mouse notifications of list-like controls (NM_CLICK and friends with the item hit).
struct NMMOUSE {
    NMHDR hdr;
    UINT_PTR dwItemSpec = 0;
    UINT_PTR dwItemData = 0;
    POINT pt;
    LPARAM dwHitInfo = 0;
};

}  // namespace parch

namespace parch::win {

// Fills the header (the control's handle and ID, the code) and sends WM_NOTIFY to the control's
// parent; the parent's answer, 0 without a parent.
LRESULT SendNotify(HWND control, UINT code, NMHDR* header);

// One custom-draw stage sent to the parent; CDRF_DODEFAULT without a parent.
LRESULT SendCustomDraw(HWND control, NMCUSTOMDRAW& draw, DWORD stage);

}  // namespace parch::win
