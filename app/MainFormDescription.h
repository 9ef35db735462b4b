#pragma once
// The main window as a form description: components, properties and handler names.

#include "framework/FormDescription.h"

namespace parch {

TComponentDescription MainFormDescription();
// The classes the description names beyond the framework's built-in ones.
void RegisterMainFormClasses();

}  // namespace parch
