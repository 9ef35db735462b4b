#pragma once
// The window classes every program has without registering them, such as "scrollbar".
// Internal to platform/win.

namespace parch::win {

// Registers them on first use (lock held; safe to call from inside class lookups).
void EnsureSystemClasses();

}  // namespace parch::win
