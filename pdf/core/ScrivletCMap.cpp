#include "pdf/core/ScrivletCMap.h"

#include <algorithm>
#include <cstring>

#include "base/Streams.h"
#include "pdf/core/ScrivletResource.h"

namespace parch {
namespace {

// Reads little-endian integers from the compiled form; every read checks what is left.
class CompiledMapReader {
public:
    explicit CompiledMapReader(std::string_view data) : data_(data) {}

    bool ReadUInt(std::size_t size, std::uint32_t& value) {
        if (data_.size() - position_ < size) return false;
        value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(data_[position_ + i]))
                     << (8 * i);
        position_ += size;
        return true;
    }

    bool ReadBytes(std::size_t size, std::vector<std::uint8_t>& out) {
        if (data_.size() - position_ < size) return false;
        const auto* first = reinterpret_cast<const std::uint8_t*>(data_.data() + position_);
        out.assign(first, first + size);
        position_ += size;
        return true;
    }

private:
    std::string_view data_;
    std::size_t position_ = 0;
};

bool ReadSection(CompiledMapReader& reader, TScrivletCMapSection& section) {
    std::uint32_t count = 0;
    if (!reader.ReadUInt(4, section.CodeLength) || !reader.ReadUInt(4, section.ValueWidth) ||
        !reader.ReadUInt(4, count))
        return false;
    if (section.CodeLength > TScrivletCMap::kMaxCodeLength ||
        section.ValueWidth > TScrivletCMap::kMaxValueWidth ||
        count > TScrivletCMap::kMaxSectionEntries)
        return true;  // the section stays empty
    const std::size_t deltaSize = section.CodeLength == 1 ? 1 : section.CodeLength == 2 ? 2 : 4;
    section.Codes.resize(count);
    std::uint64_t code = 0;
    for (std::uint32_t& entry : section.Codes) {
        std::uint32_t delta = 0;
        if (!reader.ReadUInt(deltaSize, delta)) return false;
        code += delta;
        if (code > UINT32_MAX) return false;  // codes stay ascending, so look-ups can bisect
        entry = static_cast<std::uint32_t>(code);
    }
    return reader.ReadBytes(std::size_t{count} * section.ValueWidth, section.Values);
}

// A value as text: width 1 is one character, wider values big-endian UTF-16 units, an odd last
// byte a character of its own.
void AppendValueText(std::span<const std::uint8_t> value, std::u16string& text) {
    std::size_t i = 0;
    for (; i + 1 < value.size(); i += 2)
        text.push_back(static_cast<char16_t>((value[i] << 8) | value[i + 1]));
    if (i < value.size()) text.push_back(value[i]);
}

std::uint16_t ValueWord(std::span<const std::uint8_t> value) {
    if (value.size() == 1) return value[0];
    if (value.size() == 2) return static_cast<std::uint16_t>((value[0] << 8) | value[1]);
    return 0;
}

// Codes of 16 bits or fewer answered from flat tables instead of a bisection per section. The
// tables are built once from a built-in map that never changes afterwards, keeping the first
// section and the first entry that hold a code, as the map's own look-ups do; other codes go
// to the map.
constexpr std::size_t kDenseCodes = 0x10000;

class ShiftJisIndex {
public:
    explicit ShiftJisIndex(std::unique_ptr<TScrivletCMap> map)
        : map_(std::move(map)), flags_(kDenseCodes, 0), words_(kDenseCodes, 0) {
        for (const auto& section : map_->Sections) {
            const std::uint8_t lengthFlag = section->CodeLength == 1   ? kOneByte
                                            : section->CodeLength == 2 ? kTwoBytes
                                                                       : 0;
            for (std::size_t i = 0; i < section->Codes.size(); ++i) {
                const std::uint32_t code = section->Codes[i];
                if (code >= kDenseCodes) break;  // ascending: the rest are beyond too
                std::uint8_t& flags = flags_[code];
                flags |= lengthFlag;
                if (flags & kWordTaken) continue;
                flags |= kWordTaken;
                words_[code] = ValueWord(section->ValueAt(i));
            }
        }
    }

    bool HasCode(std::uint32_t codeLength, std::uint32_t code) const {
        if (code >= kDenseCodes || (codeLength != 1 && codeLength != 2))
            return map_->HasCode(codeLength, code);
        return (flags_[code] & (codeLength == 1 ? kOneByte : kTwoBytes)) != 0;
    }

    // The value from whichever section holds the code first.
    std::uint16_t LookupWord(std::uint32_t code) const {
        return code < kDenseCodes ? words_[code] : map_->LookupWord(0, code);
    }

private:
    static constexpr std::uint8_t kOneByte = 1;
    static constexpr std::uint8_t kTwoBytes = 2;
    static constexpr std::uint8_t kWordTaken = 4;

    std::unique_ptr<TScrivletCMap> map_;
    std::vector<std::uint8_t> flags_;
    std::vector<std::uint16_t> words_;
};

// The texts of two-byte codes, laid end to end.
class TextIndex {
public:
    explicit TextIndex(std::unique_ptr<TScrivletCMap> map)
        : map_(std::move(map)), slots_(kDenseCodes) {
        std::vector<bool> taken(kDenseCodes, false);
        for (const auto& section : map_->Sections) {
            if (section->CodeLength != 2) continue;
            for (std::size_t i = 0; i < section->Codes.size(); ++i) {
                const std::uint32_t code = section->Codes[i];
                if (code >= kDenseCodes) break;
                if (taken[code]) continue;
                taken[code] = true;
                const std::size_t offset = texts_.size();
                AppendValueText(section->ValueAt(i), texts_);
                slots_[code] = {static_cast<std::uint32_t>(offset),
                                static_cast<std::uint32_t>(texts_.size() - offset)};
            }
        }
    }

    std::u16string LookupText(std::uint32_t code) const {
        if (code >= kDenseCodes) return map_->LookupText(2, code);
        const Slot& slot = slots_[code];
        return texts_.substr(slot.Offset, slot.Length);
    }

private:
    struct Slot {
        std::uint32_t Offset = 0;
        std::uint32_t Length = 0;
    };

    std::unique_ptr<TScrivletCMap> map_;
    std::u16string texts_;
    std::vector<Slot> slots_;
};

// Built once on first use; function-local statics make that safe from any thread.
const TextIndex& AdobeJapan1Texts() {
    static const TextIndex index(LoadBuiltInCMap(kCMapAdobeJapan1ToUnicode));
    return index;
}

const ShiftJisIndex& ShiftJisMapIndex(int resourceNumber) {
    if (resourceNumber == kCMap90mspRKSJH) {
        static const ShiftJisIndex index(LoadBuiltInCMap(kCMap90mspRKSJH));
        return index;
    }
    static const ShiftJisIndex index(LoadBuiltInCMap(kCMap90msRKSJH));
    return index;
}

// CMaps whose codes are every two bytes, high byte first.
bool IsTwoByteCMap(std::string_view name) {
    return name == "Identity-H" || name == "Identity-V" || name == "UniJIS-UCS2-H";
}

// The Shift-JIS map for a CMap name, or none.
const ShiftJisIndex* ShiftJisMap(std::string_view name) {
    if (name == "90msp-RKSJ-H") return &ShiftJisMapIndex(kCMap90mspRKSJH);
    if (name == "90ms-RKSJ-H") return &ShiftJisMapIndex(kCMap90msRKSJH);
    return nullptr;
}

// One-byte codes are tried first, then two-byte ones; after a pair that is in neither, the
// walk goes on pair by pair until a pair matches.
void SplitShiftJis(const ShiftJisIndex& map, std::string_view bytes, TScrivletCodeList& codes) {
    codes.clear();
    codes.reserve(bytes.size());
    std::uint32_t length = 1;
    std::size_t position = 0;
    while (position < bytes.size()) {
        std::uint32_t code = static_cast<std::uint8_t>(bytes[position]);
        if (length == 2 && position + 1 < bytes.size())
            code = (code << 8) | static_cast<std::uint8_t>(bytes[position + 1]);
        if (map.HasCode(length, code)) {
            codes.push_back(code);
            position += length;
            length = 1;
        } else if (length == 1) {
            length = 2;
        } else {
            position += 2;
        }
    }
}

}  // namespace

std::int64_t TScrivletCMapSection::IndexOf(std::uint32_t code) const {
    auto it = std::lower_bound(Codes.begin(), Codes.end(), code);
    return it == Codes.end() || *it != code ? -1 : it - Codes.begin();
}

std::span<const std::uint8_t> TScrivletCMapSection::ValueAt(std::size_t index) const {
    return std::span<const std::uint8_t>(Values).subspan(index * ValueWidth, ValueWidth);
}

void TScrivletCMap::Clear() {
    Sections.clear();
    CodeSpaceRanges.clear();
}

void TScrivletCMap::AddMapping(std::uint32_t codeLength, std::uint32_t code,
                               const TSVLByteArray& value) {
    const auto width = static_cast<std::uint32_t>(value.size());
    auto it = std::find_if(Sections.begin(), Sections.end(), [&](const auto& section) {
        return section->CodeLength == codeLength && section->ValueWidth == width;
    });
    if (it == Sections.end()) {
        auto section = std::make_unique<TScrivletCMapSection>();
        section->CodeLength = codeLength;
        section->ValueWidth = width;
        Sections.push_back(std::move(section));
        it = std::prev(Sections.end());
    }
    TScrivletCMapSection& section = **it;
    const auto at = std::upper_bound(section.Codes.begin(), section.Codes.end(), code);
    const std::size_t index = static_cast<std::size_t>(at - section.Codes.begin());
    section.Codes.insert(at, code);
    section.Values.insert(section.Values.begin() + static_cast<std::ptrdiff_t>(index * width),
                          value.begin(), value.end());
}

void TScrivletCMap::AddCodeSpaceRange(std::int32_t low, std::int32_t high,
                                      std::int32_t byteCount) {
    CodeSpaceRanges.push_back({low, high, byteCount});
}

void TScrivletCMap::LoadFromStream(TStream& stream) {
    std::string data;
    char buffer[65536];
    for (std::int64_t got; (got = stream.Read(buffer, sizeof buffer)) > 0;)
        data.append(buffer, static_cast<std::size_t>(got));
    LoadFromBytes(data);
}

void TScrivletCMap::LoadFromBytes(std::string_view data) {
    Clear();
    CompiledMapReader reader(data);
    std::uint32_t sectionCount = 0;
    if (!reader.ReadUInt(4, sectionCount)) return;
    // Every header takes 12 bytes, so a huge count ends at the end of the data.
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        auto section = std::make_unique<TScrivletCMapSection>();
        if (!ReadSection(reader, *section)) {
            Clear();  // cut short: undecodable
            return;
        }
        Sections.push_back(std::move(section));
    }
}

const TScrivletCMapSection* TScrivletCMap::Find(bool anyLength, std::uint32_t codeLength,
                                                std::uint32_t code, std::size_t& index) const {
    for (const auto& section : Sections) {
        if (!anyLength && section->CodeLength != codeLength) continue;
        const std::int64_t found = section->IndexOf(code);
        if (found >= 0) {
            index = static_cast<std::size_t>(found);
            return section.get();
        }
    }
    return nullptr;
}

bool TScrivletCMap::HasCode(std::uint32_t codeLength, std::uint32_t code) const {
    std::size_t index = 0;
    return Find(false, codeLength, code, index) != nullptr;
}

std::u16string TScrivletCMap::LookupText(std::uint32_t codeLength, std::uint32_t code) const {
    std::size_t index = 0;
    const TScrivletCMapSection* section = Find(false, codeLength, code, index);
    if (section == nullptr) return {};
    std::u16string text;
    AppendValueText(section->ValueAt(index), text);
    return text;
}

std::uint16_t TScrivletCMap::LookupWord(std::uint32_t codeLength, std::uint32_t code) const {
    std::size_t index = 0;
    const TScrivletCMapSection* section = Find(codeLength == 0, codeLength, code, index);
    if (section == nullptr) return 0;
    return ValueWord(section->ValueAt(index));
}

std::unique_ptr<TScrivletCMap> LoadBuiltInCMap(int resourceNumber) {
    auto map = std::make_unique<TScrivletCMap>();
    map->LoadFromBytes(ReadBuiltInResource(resourceNumber));
    return map;
}

std::u16string MapCIDToUnicode(std::string_view cmapName, std::string_view ordering,
                               std::uint32_t code) {
    // A UCS-2 CMap's codes are Unicode already; read as CIDs they would name other characters.
    if (cmapName == "UniJIS-UCS2-H") {
        const bool known =
            ordering.starts_with("Adobe-Japan1-") || ordering.starts_with("Adobe-Identity-");
        if (!known || code > 0xFFFF) return {};
        return std::u16string(1, static_cast<char16_t>(code));
    }
    std::uint32_t cid = 0;
    if (IsTwoByteCMap(cmapName))
        cid = code;
    else if (const ShiftJisIndex* map = ShiftJisMap(cmapName))
        cid = map->LookupWord(code);
    else
        return {};

    if (ordering.starts_with("Adobe-Japan1-"))
        return AdobeJapan1Texts().LookupText(cid);
    if (ordering.starts_with("Adobe-Identity-") && code <= 0xFFFF)
        return std::u16string(1, static_cast<char16_t>(code));
    return {};
}

bool SplitCharCodes(std::string_view cmapName, std::string_view ordering, std::string_view bytes,
                    TScrivletCodeList& codes) {
    if (IsTwoByteCMap(cmapName)) {
        codes.clear();
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            codes.push_back((static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i])) << 8) |
                            static_cast<std::uint8_t>(bytes[i + 1]));
        return true;
    }
    if (const ShiftJisIndex* map = ShiftJisMap(cmapName)) {
        SplitShiftJis(*map, bytes, codes);
        return true;
    }
    return false;
}

}  // namespace parch
