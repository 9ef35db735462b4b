// File-name masks of "*", "?" and plain letters, matched against names, must agree with the C
// library's fnmatch ignoring case. The first byte splits the input into a mask and a name;
// every other byte picks a character from small alphabets, so that matches happen often.

#include <fnmatch.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "skin/controls/acShellCtrls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 256) return 0;
    static constexpr char kMaskAlphabet[] = {'*', '?', 'a', 'b', 'A', 'B', '.', 'x'};
    static constexpr char kNameAlphabet[] = {'a', 'b', 'A', 'B', '.', 'x'};
    const std::size_t split = 1 + data[0] % size;
    std::string mask, name;
    for (std::size_t i = 1; i < size; ++i) {
        if (i < split) mask += kMaskAlphabet[data[i] % sizeof kMaskAlphabet];
        else name += kNameAlphabet[data[i] % sizeof kNameAlphabet];
    }
    // A mask without "*" never matches the empty name (the library matches "" with "").
    if (name.empty() && mask.find('*') == std::string::npos) return 0;
    const bool ours = parch::MaskMatches(name, mask);
    const bool library = fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
    if (ours != library) std::abort();
    return 0;
}
