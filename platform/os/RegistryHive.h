#pragma once
// Read-only registry hive kept as a REGEDIT4 text file. Key paths and value names compare
// without regard to ASCII case, as in the registry they stand for.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace parch {

class RegistryHive {
public:
    // The hive file named by PARCH_REGISTRY_HIVE when set, else "Parchwise.reg" in the
    // program folder.
    static std::string DefaultPath();

    // A missing, unreadable or malformed file gives an empty hive.
    static RegistryHive Load(const std::string& path);
    static RegistryHive Parse(std::string_view text);

    bool HasKey(std::string_view keyPath) const;

    // The string value of a key ("" names the default value); nothing when the key or the
    // value is missing or the value is not a string.
    std::optional<std::string> ReadString(std::string_view keyPath, std::string_view name) const;

private:
    struct Value {
        bool IsString = false;
        std::string Text;
    };
    using ValueMap = std::map<std::string, Value>;

    static std::string NormalizeKey(std::string_view keyPath);

    std::map<std::string, ValueMap> keys_;
};

}  // namespace parch
