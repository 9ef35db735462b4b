// Skin packs: the header walk, the bounded counts and sizes, and inflating each member to its
// stated size.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/SysUtils.h"
#include "skin/engine/acSkinPack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    try {
        auto pack = parch::UnpackBytes(std::string(reinterpret_cast<const char*>(bytes), size));
        pack->FindMember("Master.bmp");
    } catch (const parch::Exception&) {
    }
    return 0;
}
