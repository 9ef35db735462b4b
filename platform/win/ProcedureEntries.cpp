#include "platform/win/ProcedureEntries.h"

#include "platform/gdi/Blits.h"
#include "platform/gdi/Drawing.h"
#include "platform/os/ProcedureTable.h"
#include "platform/win/Layered.h"
#include "platform/win/ScrollBarInfo.h"

namespace parch {

void RegisterWindowSystemProcedures() {
    RegisterProcedureOf("user32", "SetLayeredWindowAttributes", &SetLayeredWindowAttributes);
    RegisterProcedureOf("user32", "UpdateLayeredWindow", &UpdateLayeredWindow);
    RegisterProcedureOf("user32", "GetLayeredWindowAttributes", &GetLayeredWindowAttributes);
    RegisterProcedureOf("user32", "GetScrollBarInfo", &GetScrollBarInfo);
    RegisterProcedureOf("msimg32", "GradientFill", &GradientFill);
    RegisterProcedureOf("msimg32", "AlphaBlend", &AlphaBlend);
    RegisterProcedureOf("msimg32", "TransparentBlt", &TransparentBlt);
}

}  // namespace parch
