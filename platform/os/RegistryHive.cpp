#include "platform/os/RegistryHive.h"

#include "platform/os/Files.h"

#include <cstdlib>

namespace parch {

namespace {

constexpr std::size_t kMaxHiveSize = 16 * 1024 * 1024;

std::string AsciiLower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return result;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Reads a quoted text with \\ and \" escapes from the start of text; nothing when it is not
// closed. On success text is left after the closing quote.
std::optional<std::string> TakeQuoted(std::string_view& text) {
    if (text.empty() || text.front() != '"') return std::nullopt;
    std::string result;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            result += text[++i];
        } else if (text[i] == '"') {
            text.remove_prefix(i + 1);
            return result;
        } else {
            result += text[i];
        }
    }
    return std::nullopt;
}

}  // namespace

std::string RegistryHive::DefaultPath() {
    if (const char* path = std::getenv("PARCH_REGISTRY_HIVE"); path && *path) return path;
    return ProgramFolder() + "Parchwise.reg";
}

RegistryHive RegistryHive::Load(const std::string& path) {
    const std::optional<std::string> text = ReadFileBytes(path, kMaxHiveSize);
    return text ? Parse(*text) : RegistryHive();
}

RegistryHive RegistryHive::Parse(std::string_view text) {
    RegistryHive hive;
    bool headerSeen = false;
    ValueMap* current = nullptr;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = TrimBlanks(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';') continue;
        if (!headerSeen) {
            if (line != "REGEDIT4") return RegistryHive();
            headerSeen = true;
            continue;
        }
        if (line.front() == '[') {
            current = nullptr;
            if (line.back() == ']' && line.size() > 2 && line[1] != '-')
                current = &hive.keys_[NormalizeKey(line.substr(1, line.size() - 2))];
            continue;
        }
        if (current == nullptr) continue;
        std::optional<std::string> name;
        if (line.front() == '@') {
            name = "";
            line.remove_prefix(1);
        } else {
            name = TakeQuoted(line);
        }
        line = TrimBlanks(line);
        if (!name || line.empty() || line.front() != '=') continue;
        line = TrimBlanks(line.substr(1));
        Value value;
        if (std::optional<std::string> quoted = TakeQuoted(line)) {
            value.IsString = true;
            value.Text = std::move(*quoted);
        }
        (*current)[AsciiLower(*name)] = std::move(value);
    }
    return hive;
}

std::string RegistryHive::NormalizeKey(std::string_view keyPath) {
    while (!keyPath.empty() && keyPath.front() == '\\') keyPath.remove_prefix(1);
    while (!keyPath.empty() && keyPath.back() == '\\') keyPath.remove_suffix(1);
    return AsciiLower(keyPath);
}

bool RegistryHive::HasKey(std::string_view keyPath) const {
    return keys_.count(NormalizeKey(keyPath)) != 0;
}

std::optional<std::string> RegistryHive::ReadString(std::string_view keyPath,
                                                    std::string_view name) const {
    const auto key = keys_.find(NormalizeKey(keyPath));
    if (key == keys_.end()) return std::nullopt;
    const auto value = key->second.find(AsciiLower(name));
    if (value == key->second.end() || !value->second.IsString) return std::nullopt;
    return value->second.Text;
}

}  // namespace parch
