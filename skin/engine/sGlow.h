#pragma once
// Glows around hot controls: a borderless, click-through layered window behind and around the
// control, drawn from a skin mask. Every shown glow is kept in one list and named by a handle.
// Handles are never reused: once a glow is removed (alone or with all others), its handle names
// nothing, so a control holding a stale handle cannot remove another control's glow.

#include <memory>
#include <string>

#include "framework/Forms.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class TsSkinManager;

// Shows a glow around the control rectangle R (screen) of which V (control coordinates) is
// visible, drawn from the section's mask "<maskProperty>0" with its margin. Returns the glow's
// handle, or -1 when there are no layered windows, the section has no such mask, or the glow
// would have no area. alpha is not used: glows are drawn fully opaque.
int ShowGlowEffect(RECT r, RECT v, const std::string& sectionName, TsSkinManager* manager, HWND ownerWindow,
                   int alpha, int margin, const std::string& maskProperty);
// Removes the glow; an unknown or stale handle does nothing.
void RemoveGlowEffect(int handle);
// Removes every glow. restoreWindowProcedures gives each glow window its own procedure back first.
void FreeAllGlowEffects(bool restoreWindowProcedures);
// The glow window of a handle (nullptr when it names none), for those that inspect it.
TForm* GlowWindow(int handle);
// How many glows are shown.
int GlowEffectCount();

}  // namespace parch
