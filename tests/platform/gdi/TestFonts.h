#pragma once
// Pins fontconfig to the tests' own configuration. Include in every test file that draws or
// measures text; the variable is set before any test runs, so before fontconfig starts.

#include <cstdlib>

namespace parch::testing {

inline const bool kTestFontsPinned = [] {
    setenv("FONTCONFIG_FILE", PARCH_SOURCE_DIR "/tests/platform/gdi/fonts.conf", 1);
    return true;
}();

}  // namespace parch::testing
