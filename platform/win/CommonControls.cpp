#include "platform/win/CommonControls.h"

#include "platform/win/ControlSupport.h"
#include "platform/win/Messages.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

LRESULT SendNotify(HWND control, UINT code, NMHDR* header) {
    header->hwndFrom = control;
    header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    header->code = code;
    HWND parent = GetParent(control);
    if (!parent) return 0;
    return SendMessage(parent, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

LRESULT SendCustomDraw(HWND control, NMCUSTOMDRAW& draw, DWORD stage) {
    draw.dwDrawStage = stage;
    return SendNotify(control, NM_CUSTOMDRAW, &draw.hdr);
}

}  // namespace parch::win
