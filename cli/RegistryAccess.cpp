#include "cli/RegistryAccess.h"

#include "platform/os/RegistryHive.h"

namespace parch {

namespace {

std::string ReadProductValue(const std::string& productName, const std::string& valueName) {
    const RegistryHive hive = RegistryHive::Load(RegistryHive::DefaultPath());
    return hive.ReadString("HKEY_LOCAL_MACHINE\\Software\\Tolvane\\" + productName, valueName)
        .value_or("");
}

}  // namespace

std::string ReadVersionValue(const std::string& productName) {
    return ReadProductValue(productName, "Version");
}

std::string ReadWebsiteValue(const std::string& productName) {
    return ReadProductValue(productName, "Website");
}

}  // namespace parch
