#include "framework/IniFiles.h"

#include <charconv>

#include "base/SysUtils.h"

namespace parch {

namespace {

std::vector<std::string_view> SplitIniLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::optional<int> ParseIniInteger(std::string_view text) {
    int base = 10;
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    } else if (text.size() > 1 && text[0] == '$') {
        text.remove_prefix(1);
        base = 16;
    }
    if (text.empty()) return std::nullopt;
    std::uint32_t magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    // Hexadecimal values cover the whole 32 bits (colours); decimal ones must fit an int.
    if (base == 10 && magnitude > (negative ? 0x80000000u : 0x7FFFFFFFu)) return std::nullopt;
    std::uint32_t bits = negative ? 0u - magnitude : magnitude;
    return static_cast<int>(bits);
}

}  // namespace

void TMemIniFile::SetText(std::string_view text) {
    sections_.clear();
    Section* current = nullptr;
    for (std::string_view rawLine : SplitIniLines(text)) {
        std::string line = Trim(rawLine);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            std::string name = Trim(std::string_view(line).substr(1, line.size() - 2));
            current = const_cast<Section*>(FindSection(name));
            if (current == nullptr) current = &sections_.emplace_back(Section{name, {}});
            continue;
        }
        size_t equals = line.find('=');
        if (current == nullptr || equals == std::string::npos) continue;
        std::string key = TrimRight(std::string_view(line).substr(0, equals));
        if (key.empty()) continue;
        std::string value = TrimLeft(std::string_view(line).substr(equals + 1));
        bool repeated = false;
        for (const Entry& entry : current->entries) repeated = repeated || entry.key == key;
        if (!repeated) current->entries.push_back({std::move(key), std::move(value)});
    }
}

const TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) const {
    for (const Section& section : sections_)
        if (section.name == name) return &section;
    return nullptr;
}

const TMemIniFile::Entry* TMemIniFile::FindEntry(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) return nullptr;
    for (const Entry& entry : found->entries)
        if (entry.key == key) return &entry;
    return nullptr;
}

bool TMemIniFile::ValueExists(std::string_view section, std::string_view key) const {
    return FindEntry(section, key) != nullptr;
}

std::vector<std::string> TMemIniFile::ReadSections() const {
    std::vector<std::string> names;
    for (const Section& section : sections_) names.push_back(section.name);
    return names;
}

std::vector<std::string> TMemIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    if (const Section* found = FindSection(section))
        for (const Entry& entry : found->entries) keys.push_back(entry.key);
    return keys;
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    const Entry* entry = FindEntry(section, key);
    return entry ? entry->value : std::string(fallback);
}

int TMemIniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    const Entry* entry = FindEntry(section, key);
    if (entry == nullptr) return fallback;
    return ParseIniInteger(entry->value).value_or(fallback);
}

}  // namespace parch
