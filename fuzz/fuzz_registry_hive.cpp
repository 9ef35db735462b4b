// Parses arbitrary bytes as a REGEDIT4 hive and reads the values the programs ask for.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/os/RegistryHive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parch;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RegistryHive hive = RegistryHive::Parse(text);
    constexpr std::string_view kKey = "HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise";
    hive.HasKey(kKey);
    hive.ReadString(kKey, "Version");
    hive.ReadString(kKey, "Website");
    hive.ReadString(kKey, "");
    return 0;
}
