#pragma once
// TMemIniFile: an INI text held in memory. Sections keep the order of the text and keys the
// order within their section. Names compare exactly (case-sensitive), as skin descriptions need;
// a repeated section adds its keys to the first one, and the first of repeated keys wins.

#include <string>
#include <string_view>
#include <vector>

namespace parch {

class TMemIniFile {
public:
    TMemIniFile() = default;
    explicit TMemIniFile(std::string_view text) { SetText(text); }

    // Replaces the whole content by the INI text (CR LF, LF or CR line breaks).
    void SetText(std::string_view text);
    void Clear() { sections_.clear(); }

    bool SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::vector<std::string> ReadSections() const;
    // The keys of the section in text order; empty for a missing section.
    std::vector<std::string> ReadSection(std::string_view section) const;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // Decimal, or hexadecimal after "0x" or "$"; anything else gives the fallback.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const Section* FindSection(std::string_view name) const;
    const Entry* FindEntry(std::string_view section, std::string_view key) const;

    std::vector<Section> sections_;
};

}  // namespace parch
