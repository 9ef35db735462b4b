#pragma once
// The window system's entries in the by-name function table.

namespace parch {

// Adds "user32" (layered windows, GetScrollBarInfo) and "msimg32" (GradientFill, AlphaBlend,
// TransparentBlt). Run when the window system starts; running it again changes nothing.
void RegisterWindowSystemProcedures();

}  // namespace parch
