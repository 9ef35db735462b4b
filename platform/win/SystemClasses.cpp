#include "platform/win/SystemClasses.h"

#include "platform/win/ButtonClass.h"
#include "platform/win/ComboBoxClass.h"
#include "platform/win/ComboBoxExClass.h"
#include "platform/win/Dialogs.h"
#include "platform/win/EditClass.h"
#include "platform/win/HeaderClass.h"
#include "platform/win/ListBoxClass.h"
#include "platform/win/Mdi.h"
#include "platform/win/ListViewClass.h"
#include "platform/win/ScrollBarClass.h"
#include "platform/win/StaticClass.h"
#include "platform/win/TabControlClass.h"
#include "platform/win/TreeViewClass.h"
#include "platform/win/UpDownClass.h"
#include "platform/win/StatusBarClass.h"
#include "platform/win/ToolBarClass.h"
#include "platform/win/TrackBarClass.h"
#include "platform/win/WinState.h"

namespace parch::win {

void EnsureSystemClasses() {
    static bool registered = false;  // guarded by the window system's lock
    Lock lock(S().mutex);
    if (registered) return;
    registered = true;
    RegisterScrollBarClass();
    RegisterButtonClass();
    RegisterStaticClass();
    RegisterDialogClass();
    RegisterEditClass();
    RegisterListBoxClasses();
    RegisterComboBoxClass();
    RegisterMdiClientClass();
    RegisterUpDownClass();
    RegisterTabControlClass();
    RegisterTreeViewClass();
    RegisterStatusBarClass();
    RegisterTrackBarClass();
    RegisterToolBarClass();
    RegisterComboBoxExClass();
    RegisterHeaderClass();
    RegisterListViewClass();
}

}  // namespace parch::win
