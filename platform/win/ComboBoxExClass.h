#pragma once
// The "ComboBoxEx32" window class: a "ComboBox" child (owner-drawn, ID of the extended combo)
// whose items it keeps and draws itself: a picture (another when selected, an overlay), an
// indent and a text; for CBS_DROPDOWN an "Edit" of its own over the field. Items may leave their
// text or pictures to the parent (LPSTR_TEXTCALLBACK, I_IMAGECALLBACK: CBEN_GETDISPINFO). CB_
// messages reach the inner combo; its WM_COMMAND notifications reach the parent with the
// extended combo's ID and handle. Insertions, deletions and editing are told with CBEN_.

#include "platform/win/CommonControls.h"
#include "platform/win/ComboBoxClass.h"
#include "platform/win/ToolBarClass.h"

namespace parch {

constexpr const char* WC_COMBOBOXEX = "ComboBoxEx32";

constexpr UINT CBEM_INSERTITEMA = 0x0401;
constexpr UINT CBEM_SETIMAGELIST = 0x0402;
constexpr UINT CBEM_GETIMAGELIST = 0x0403;
constexpr UINT CBEM_GETITEMA = 0x0404;
constexpr UINT CBEM_SETITEMA = 0x0405;
constexpr UINT CBEM_DELETEITEM = CB_DELETESTRING;
constexpr UINT CBEM_GETCOMBOCONTROL = 0x0406;
constexpr UINT CBEM_GETEDITCONTROL = 0x0407;
constexpr UINT CBEM_SETEXSTYLE = 0x0408;
constexpr UINT CBEM_GETEXSTYLE = 0x0409;
constexpr UINT CBEM_GETEXTENDEDSTYLE = 0x0409;
constexpr UINT CBEM_HASEDITCHANGED = 0x040A;
constexpr UINT CBEM_INSERTITEMW = 0x040B;
constexpr UINT CBEM_SETITEMW = 0x040C;
constexpr UINT CBEM_GETITEMW = 0x040D;
constexpr UINT CBEM_SETEXTENDEDSTYLE = 0x040E;
constexpr UINT CBEM_INSERTITEM = CBEM_INSERTITEMA;
constexpr UINT CBEM_GETITEM = CBEM_GETITEMA;
constexpr UINT CBEM_SETITEM = CBEM_SETITEMA;

// Item fields.
constexpr UINT CBEIF_TEXT = 0x00000001;
constexpr UINT CBEIF_IMAGE = 0x00000002;
constexpr UINT CBEIF_SELECTEDIMAGE = 0x00000004;
constexpr UINT CBEIF_OVERLAY = 0x00000008;
constexpr UINT CBEIF_INDENT = 0x00000010;
constexpr UINT CBEIF_LPARAM = 0x00000020;
constexpr UINT CBEIF_DI_SETITEM = 0x10000000;

// Extended styles.
constexpr DWORD CBES_EX_NOEDITIMAGE = 0x00000001;
constexpr DWORD CBES_EX_NOEDITIMAGEINDENT = 0x00000002;
constexpr DWORD CBES_EX_PATHWORDBREAKPROC = 0x00000004;
constexpr DWORD CBES_EX_NOSIZELIMIT = 0x00000008;
constexpr DWORD CBES_EX_CASESENSITIVE = 0x00000010;
constexpr DWORD CBES_EX_TEXTENDELLIPSIS = 0x00000020;

// Notifications.
constexpr UINT CBEN_FIRST = static_cast<UINT>(-800);
constexpr UINT CBEN_GETDISPINFOA = CBEN_FIRST - 0;
constexpr UINT CBEN_INSERTITEM = CBEN_FIRST - 1;
constexpr UINT CBEN_DELETEITEM = CBEN_FIRST - 2;
constexpr UINT CBEN_BEGINEDIT = CBEN_FIRST - 4;
constexpr UINT CBEN_ENDEDITA = CBEN_FIRST - 5;
constexpr UINT CBEN_ENDEDITW = CBEN_FIRST - 6;
constexpr UINT CBEN_GETDISPINFOW = CBEN_FIRST - 7;
constexpr UINT CBEN_GETDISPINFO = CBEN_GETDISPINFOA;
constexpr UINT CBEN_ENDEDIT = CBEN_ENDEDITA;

// Why editing ended (NMCBEENDEDIT::iWhy).
constexpr int CBENF_KILLFOCUS = 1;
constexpr int CBENF_RETURN = 2;
constexpr int CBENF_ESCAPE = 3;
constexpr int CBENF_DROPDOWN = 4;

constexpr int CBEMAXSTRLEN = 260;

// The text that the parent gives on CBEN_GETDISPINFO.

template <typename Char>
struct COMBOBOXEXITEMT {
    UINT mask = 0;
    INT_PTR iItem = 0;
    Char* pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    int iSelectedImage = 0;
    int iOverlay = 0;  // one-based overlay number, 0 none
    int iIndent = 0;   // in steps of 10 pixels
    LPARAM lParam = 0;
};
using COMBOBOXEXITEMA = COMBOBOXEXITEMT<char>;
using COMBOBOXEXITEMW = COMBOBOXEXITEMT<char16_t>;
using COMBOBOXEXITEM = COMBOBOXEXITEMA;

// CBEN_INSERTITEM, CBEN_DELETEITEM and CBEN_GETDISPINFOA carry the A form.
struct NMCOMBOBOXEX {
    NMHDR hdr;
    COMBOBOXEXITEMA ceItem;
};
struct NMCOMBOBOXEXW {
    NMHDR hdr;
    COMBOBOXEXITEMW ceItem;
};

template <typename Char>
struct NMCBEENDEDITT {
    NMHDR hdr;
    BOOL fChanged = 0;
    int iNewSelection = -1;
    Char szText[CBEMAXSTRLEN] = {};
    int iWhy = 0;
};
using NMCBEENDEDITA = NMCBEENDEDITT<char>;
using NMCBEENDEDITW = NMCBEENDEDITT<char16_t>;

}  // namespace parch

namespace parch::win {

void RegisterComboBoxExClass();

}  // namespace parch::win
