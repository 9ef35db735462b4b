#include "pdf/core/ScrivletTextString.h"

#include <algorithm>

namespace parch {
namespace {

std::array<char16_t, 256> MakePDFDocEncodingTable() {
    std::array<char16_t, 256> table{};
    for (int code = 0; code < 256; ++code) table[code] = static_cast<char16_t>(code);
    // Codes 24 to 31 are accents, 128 to 160 typographic characters; the rest equals Latin-1.
    constexpr char16_t kAccents[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9,
                                      0x02DD, 0x02DB, 0x02DA, 0x02DC};
    constexpr char16_t kHigh[33] = {
        0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039, 0x203A, 0x2212,
        0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141,
        0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0xFFFD, 0x20AC};
    std::copy(std::begin(kAccents), std::end(kAccents), table.begin() + 24);
    std::copy(std::begin(kHigh), std::end(kHigh), table.begin() + 128);
    table[127] = 0xFFFD;
    table[173] = 0xFFFD;
    return table;
}

}  // namespace

const std::array<char16_t, 256>& PDFDocEncodingTable() {
    static const std::array<char16_t, 256> table = MakePDFDocEncodingTable();
    return table;
}

int PDFDocIndexOf(char16_t c) {
    const auto& table = PDFDocEncodingTable();
    if (table[c & 0xFF] == c) return c & 0xFF;
    auto it = std::find(table.begin(), table.end(), c);
    return it == table.end() ? -1 : static_cast<int>(it - table.begin());
}

std::string WideToPDFTextString(std::u16string_view text, bool forceUnicode) {
    const std::u16string stripped = StripWideLengthMarker(text);
    if (stripped.empty()) return {};
    if (!forceUnicode) {
        std::string bytes;
        for (char16_t c : stripped) {
            const int code = PDFDocIndexOf(c);
            if (code < 0) break;
            bytes.push_back(static_cast<char>(code));
        }
        if (bytes.size() == stripped.size()) return bytes;
    }
    std::u16string units;
    Utf16Recode(stripped, units, 1, 3, 0, 1);
    std::string bytes = "\xFE\xFF";
    for (char16_t unit : units) {
        bytes.push_back(static_cast<char>(unit >> 8));
        bytes.push_back(static_cast<char>(unit & 0xFF));
    }
    return bytes;
}

}  // namespace parch
