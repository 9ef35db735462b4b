// Parses arbitrary bytes as a user-dirs.dirs file.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/os/UserDirs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    parch::ParseUserDirs(text, "/home/fuzz");
    return 0;
}
