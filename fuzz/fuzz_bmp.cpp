// BMP reading: any input gives a bitmap or an error, never a crash or an oversized allocation.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/gdi/BmpFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    auto bitmap = parch::DecodeBmp(data, size, error);
    // What was read must write back and read again the same way (small pictures only, so the
    // fuzzer keeps its pace).
    if (bitmap && bitmap->ByteSize() <= (1 << 20)) {
        const auto file = parch::EncodeBmp(*bitmap);
        auto again = parch::DecodeBmp(file.data(), file.size(), error);
        if (!again || again->ByteSize() != bitmap->ByteSize()) __builtin_trap();
    }
    return 0;
}
