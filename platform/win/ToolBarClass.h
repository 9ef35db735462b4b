#pragma once
// The "ToolbarWindow32" window class: a row (or rows) of buttons with pictures from image lists
// (normal, hot and disabled lists) and texts, separators, check buttons, check groups and
// drop-down buttons. A click inside a button that is let go inside it sends NM_CLICK and then
// WM_COMMAND(idCommand) to the parent; a drop-down's arrow sends TBN_DROPDOWN, answered with a
// TBDDRET_ code. Flat bars track the hot button under the mouse. Painting goes through custom
// draw (NMTBCUSTOMDRAW) for the bar and each button. TBSTYLE_WRAPABLE bars wrap onto new rows
// when narrow; TBSTATE_WRAP ends a row after its button. Placement follows the CCS_ styles
// (StatusBarClass.h), at the top by default.

#include "platform/win/CommonControls.h"
#include "platform/win/ImageLists.h"
#include "platform/win/StatusBarClass.h"

namespace parch {

constexpr const char* TOOLBARCLASSNAME = "ToolbarWindow32";

// Button states.
constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_PRESSED = 0x02;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTATE_HIDDEN = 0x08;
constexpr BYTE TBSTATE_INDETERMINATE = 0x10;
constexpr BYTE TBSTATE_WRAP = 0x20;
constexpr BYTE TBSTATE_ELLIPSES = 0x40;
constexpr BYTE TBSTATE_MARKED = 0x80;

// Button styles.
constexpr BYTE BTNS_BUTTON = 0x00;
constexpr BYTE BTNS_SEP = 0x01;
constexpr BYTE BTNS_CHECK = 0x02;
constexpr BYTE BTNS_GROUP = 0x04;
constexpr BYTE BTNS_CHECKGROUP = BTNS_GROUP | BTNS_CHECK;
constexpr BYTE BTNS_DROPDOWN = 0x08;
constexpr BYTE BTNS_AUTOSIZE = 0x10;
constexpr BYTE BTNS_NOPREFIX = 0x20;
constexpr BYTE BTNS_SHOWTEXT = 0x40;
constexpr BYTE BTNS_WHOLEDROPDOWN = 0x80;
constexpr BYTE TBSTYLE_BUTTON = BTNS_BUTTON;
constexpr BYTE TBSTYLE_SEP = BTNS_SEP;
constexpr BYTE TBSTYLE_CHECK = BTNS_CHECK;
constexpr BYTE TBSTYLE_GROUP = BTNS_GROUP;
constexpr BYTE TBSTYLE_CHECKGROUP = BTNS_CHECKGROUP;
constexpr BYTE TBSTYLE_DROPDOWN = BTNS_DROPDOWN;
constexpr BYTE TBSTYLE_AUTOSIZE = BTNS_AUTOSIZE;

// Bar styles.
constexpr DWORD TBSTYLE_TOOLTIPS = 0x0100;
constexpr DWORD TBSTYLE_WRAPABLE = 0x0200;
constexpr DWORD TBSTYLE_ALTDRAG = 0x0400;
constexpr DWORD TBSTYLE_FLAT = 0x0800;
constexpr DWORD TBSTYLE_LIST = 0x1000;
constexpr DWORD TBSTYLE_CUSTOMERASE = 0x2000;
constexpr DWORD TBSTYLE_REGISTERDROP = 0x4000;
constexpr DWORD TBSTYLE_TRANSPARENT = 0x8000;

// Extended styles (TB_SETEXTENDEDSTYLE).
constexpr DWORD TBSTYLE_EX_DRAWDDARROWS = 0x0001;
constexpr DWORD TBSTYLE_EX_MIXEDBUTTONS = 0x0008;
constexpr DWORD TBSTYLE_EX_HIDECLIPPEDBUTTONS = 0x0010;

// Images: none, or asked for.

// Messages.
constexpr UINT TB_ENABLEBUTTON = 0x0401;
constexpr UINT TB_CHECKBUTTON = 0x0402;
constexpr UINT TB_PRESSBUTTON = 0x0403;
constexpr UINT TB_HIDEBUTTON = 0x0404;
constexpr UINT TB_INDETERMINATE = 0x0405;
constexpr UINT TB_MARKBUTTON = 0x0406;
constexpr UINT TB_ISBUTTONENABLED = 0x0409;
constexpr UINT TB_ISBUTTONCHECKED = 0x040A;
constexpr UINT TB_ISBUTTONPRESSED = 0x040B;
constexpr UINT TB_ISBUTTONHIDDEN = 0x040C;
constexpr UINT TB_ISBUTTONINDETERMINATE = 0x040D;
constexpr UINT TB_ISBUTTONHIGHLIGHTED = 0x040E;
constexpr UINT TB_SETSTATE = 0x0411;
constexpr UINT TB_GETSTATE = 0x0412;
constexpr UINT TB_ADDBUTTONSA = 0x0414;
constexpr UINT TB_INSERTBUTTONA = 0x0415;
constexpr UINT TB_DELETEBUTTON = 0x0416;
constexpr UINT TB_GETBUTTON = 0x0417;
constexpr UINT TB_BUTTONCOUNT = 0x0418;
constexpr UINT TB_COMMANDTOINDEX = 0x0419;
constexpr UINT TB_GETITEMRECT = 0x041D;
constexpr UINT TB_BUTTONSTRUCTSIZE = 0x041E;
constexpr UINT TB_SETBUTTONSIZE = 0x041F;
constexpr UINT TB_SETBITMAPSIZE = 0x0420;
constexpr UINT TB_AUTOSIZE = 0x0421;
constexpr UINT TB_GETROWS = 0x0428;
constexpr UINT TB_GETBUTTONTEXTA = 0x042D;
constexpr UINT TB_SETINDENT = 0x042F;
constexpr UINT TB_SETIMAGELIST = 0x0430;
constexpr UINT TB_GETIMAGELIST = 0x0431;
constexpr UINT TB_GETRECT = 0x0433;
constexpr UINT TB_SETHOTIMAGELIST = 0x0434;
constexpr UINT TB_GETHOTIMAGELIST = 0x0435;
constexpr UINT TB_SETDISABLEDIMAGELIST = 0x0436;
constexpr UINT TB_GETDISABLEDIMAGELIST = 0x0437;
constexpr UINT TB_SETSTYLE = 0x0438;
constexpr UINT TB_GETSTYLE = 0x0439;
constexpr UINT TB_GETBUTTONSIZE = 0x043A;
constexpr UINT TB_SETMAXTEXTROWS = 0x043C;
constexpr UINT TB_GETTEXTROWS = 0x043D;
constexpr UINT TB_GETBUTTONINFOW = 0x043F;
constexpr UINT TB_SETBUTTONINFOW = 0x0440;
constexpr UINT TB_GETBUTTONINFOA = 0x0441;
constexpr UINT TB_SETBUTTONINFOA = 0x0442;
constexpr UINT TB_INSERTBUTTONW = 0x0443;
constexpr UINT TB_ADDBUTTONSW = 0x0444;
constexpr UINT TB_HITTEST = 0x0445;
constexpr UINT TB_GETHOTITEM = 0x0447;
constexpr UINT TB_SETHOTITEM = 0x0448;
constexpr UINT TB_GETBUTTONTEXTW = 0x044B;
constexpr UINT TB_SETEXTENDEDSTYLE = 0x0454;
constexpr UINT TB_GETEXTENDEDSTYLE = 0x0455;
constexpr UINT TB_ADDBUTTONS = TB_ADDBUTTONSA;
constexpr UINT TB_INSERTBUTTON = TB_INSERTBUTTONA;
constexpr UINT TB_GETBUTTONTEXT = TB_GETBUTTONTEXTA;
constexpr UINT TB_GETBUTTONINFO = TB_GETBUTTONINFOA;
constexpr UINT TB_SETBUTTONINFO = TB_SETBUTTONINFOA;

// TBBUTTONINFO's mask.
constexpr DWORD TBIF_IMAGE = 0x00000001;
constexpr DWORD TBIF_TEXT = 0x00000002;
constexpr DWORD TBIF_STATE = 0x00000004;
constexpr DWORD TBIF_STYLE = 0x00000008;
constexpr DWORD TBIF_LPARAM = 0x00000010;
constexpr DWORD TBIF_COMMAND = 0x00000020;
constexpr DWORD TBIF_SIZE = 0x00000040;
constexpr DWORD TBIF_BYINDEX = 0x80000000;

// Notifications.
constexpr UINT TBN_FIRST = static_cast<UINT>(-700);
constexpr UINT TBN_DROPDOWN = TBN_FIRST - 10;

// Answers to TBN_DROPDOWN.
constexpr LRESULT TBDDRET_DEFAULT = 0;
constexpr LRESULT TBDDRET_NODEFAULT = 1;
constexpr LRESULT TBDDRET_TREATPRESSED = 2;

// Custom-draw answers of the tool bar.
constexpr LRESULT TBCDRF_NOEDGES = 0x00010000;
constexpr LRESULT TBCDRF_HILITEHOTTRACK = 0x00020000;
constexpr LRESULT TBCDRF_NOOFFSET = 0x00040000;
constexpr LRESULT TBCDRF_NOMARK = 0x00080000;
constexpr LRESULT TBCDRF_NOETCHEDEFFECT = 0x00100000;
constexpr LRESULT TBCDRF_BLENDICON = 0x00200000;
constexpr LRESULT TBCDRF_NOBACKGROUND = 0x00400000;

// iString is a text pointer (A or W by the message) or, below 0x10000, no text.
struct TBBUTTON {
    int iBitmap = 0;
    int idCommand = 0;
    BYTE fsState = 0;
    BYTE fsStyle = 0;
    BYTE bReserved[6] = {};
    DWORD_PTR dwData = 0;
    INT_PTR iString = -1;
};

template <typename Char>
struct TBBUTTONINFOT {
    UINT cbSize = sizeof(TBBUTTONINFOT);
    DWORD dwMask = 0;
    int idCommand = 0;
    int iImage = 0;
    BYTE fsState = 0;
    BYTE fsStyle = 0;
    WORD cx = 0;
    DWORD_PTR lParam = 0;
    Char* pszText = nullptr;
    int cchText = 0;
};
using TBBUTTONINFOA = TBBUTTONINFOT<char>;
using TBBUTTONINFOW = TBBUTTONINFOT<char16_t>;
using TBBUTTONINFO = TBBUTTONINFOA;

struct NMTOOLBAR {
    NMHDR hdr;
    int iItem = 0;
    TBBUTTON tbButton;
    int cchText = 0;
    char* pszText = nullptr;
    RECT rcButton;
};

struct NMTBCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    HBRUSH hbrMonoDither = nullptr;
    HBRUSH hbrLines = nullptr;
    HPEN hpenLines = nullptr;
    COLORREF clrText = 0;
    COLORREF clrMark = 0;
    COLORREF clrTextHighlight = 0;
    COLORREF clrBtnFace = 0;
    COLORREF clrBtnHighlight = 0;
    COLORREF clrHighlightHotTrack = 0;
    RECT rcText;
    int nStringBkMode = 0;
    int nHLStringBkMode = 0;
    int iListGap = 0;
};

}  // namespace parch

namespace parch::win {

void RegisterToolBarClass();

}  // namespace parch::win
