#include "pdf/images/ScrivletJBIG2Huffman.h"

#include <algorithm>
#include <iterator>

namespace parch {
namespace {

constexpr std::int64_t kJbig2CodeSpaceEnd = std::int64_t{1} << 32;
constexpr THuffmanRow kEndOfTable = {0, 0, kHuffmanEndOfTable, 0};

// T.88 Tables B.1 to B.15, rows in ascending prefix length with their codes.
const THuffmanRow kTableB1[] = {{0, 1, 4, 0x0}, {16, 2, 8, 0x2}, {272, 3, 16, 0x6}, {65808, 3, 32, 0x7}, kEndOfTable};
const THuffmanRow kTableB2[] = {{0, 1, 0, 0x0}, {1, 2, 0, 0x2}, {2, 3, 0, 0x6}, {3, 4, 3, 0xE}, {11, 5, 6, 0x1E}, {75, 6, 32, 0x3E}, {0, 6, -2, 0x3F}, kEndOfTable};
const THuffmanRow kTableB3[] = {{0, 1, 0, 0x0}, {1, 2, 0, 0x2}, {2, 3, 0, 0x6}, {3, 4, 3, 0xE}, {11, 5, 6, 0x1E}, {0, 6, -2, 0x3E}, {75, 7, 32, 0x7E}, {-256, 8, 8, 0xFE}, {-257, 8, -3, 0xFF}, kEndOfTable};
const THuffmanRow kTableB4[] = {{1, 1, 0, 0x0}, {2, 2, 0, 0x2}, {3, 3, 0, 0x6}, {4, 4, 3, 0xE}, {12, 5, 6, 0x1E}, {76, 5, 32, 0x1F}, kEndOfTable};
const THuffmanRow kTableB5[] = {{0, 1, 0, 0x0}, {1, 2, 0, 0x2}, {2, 3, 0, 0x6}, {3, 4, 3, 0xE}, {11, 5, 6, 0x1E}, {75, 6, 32, 0x3E}, {-256, 7, 8, 0x7E}, {-257, 7, -3, 0x7F}, kEndOfTable};
const THuffmanRow kTableB6[] = {{0, 2, 7, 0x0}, {128, 3, 7, 0x2}, {256, 3, 8, 0x3}, {-1024, 4, 9, 0x8}, {-512, 4, 8, 0x9}, {-256, 4, 7, 0xA}, {-32, 4, 5, 0xB}, {512, 4, 9, 0xC}, {1024, 4, 10, 0xD}, {-2048, 5, 10, 0x1C}, {-128, 5, 6, 0x1D}, {-64, 5, 5, 0x1E}, {-2049, 6, -3, 0x3E}, {2048, 6, 32, 0x3F}, kEndOfTable};
const THuffmanRow kTableB7[] = {{-512, 3, 8, 0x0}, {256, 3, 8, 0x1}, {512, 3, 9, 0x2}, {1024, 3, 10, 0x3}, {-1024, 4, 9, 0x8}, {-256, 4, 7, 0x9}, {-32, 4, 5, 0xA}, {0, 4, 5, 0xB}, {128, 4, 7, 0xC}, {-128, 5, 6, 0x1A}, {-64, 5, 5, 0x1B}, {32, 5, 5, 0x1C}, {64, 5, 6, 0x1D}, {-1025, 5, -3, 0x1E}, {2048, 5, 32, 0x1F}, kEndOfTable};
const THuffmanRow kTableB8[] = {{0, 2, 1, 0x0}, {0, 2, -2, 0x1}, {4, 3, 4, 0x4}, {-1, 4, 0, 0xA}, {22, 4, 4, 0xB}, {38, 4, 5, 0xC}, {2, 5, 0, 0x1A}, {70, 5, 6, 0x1B}, {134, 5, 7, 0x1C}, {3, 6, 0, 0x3A}, {20, 6, 1, 0x3B}, {262, 6, 7, 0x3C}, {646, 6, 10, 0x3D}, {-2, 7, 0, 0x7C}, {390, 7, 8, 0x7D}, {-15, 8, 3, 0xFC}, {-5, 8, 1, 0xFD}, {-7, 9, 1, 0x1FC}, {-3, 9, 0, 0x1FD}, {-16, 9, -3, 0x1FE}, {1670, 9, 32, 0x1FF}, kEndOfTable};
const THuffmanRow kTableB9[] = {{0, 2, -2, 0x0}, {-1, 3, 1, 0x2}, {1, 3, 1, 0x3}, {7, 3, 5, 0x4}, {-3, 4, 1, 0xA}, {43, 4, 5, 0xB}, {75, 4, 6, 0xC}, {3, 5, 1, 0x1A}, {139, 5, 7, 0x1B}, {267, 5, 8, 0x1C}, {5, 6, 1, 0x3A}, {39, 6, 2, 0x3B}, {523, 6, 8, 0x3C}, {1291, 6, 11, 0x3D}, {-5, 7, 1, 0x7C}, {779, 7, 9, 0x7D}, {-31, 8, 4, 0xFC}, {-11, 8, 2, 0xFD}, {-15, 9, 2, 0x1FC}, {-7, 9, 1, 0x1FD}, {-32, 9, -3, 0x1FE}, {3339, 9, 32, 0x1FF}, kEndOfTable};
const THuffmanRow kTableB10[] = {{-2, 2, 2, 0x0}, {6, 2, 6, 0x1}, {0, 2, -2, 0x2}, {-3, 5, 0, 0x18}, {2, 5, 0, 0x19}, {70, 5, 5, 0x1A}, {3, 6, 0, 0x36}, {102, 6, 5, 0x37}, {134, 6, 6, 0x38}, {198, 6, 7, 0x39}, {326, 6, 8, 0x3A}, {582, 6, 9, 0x3B}, {1094, 6, 10, 0x3C}, {-21, 7, 4, 0x7A}, {-4, 7, 0, 0x7B}, {4, 7, 0, 0x7C}, {2118, 7, 11, 0x7D}, {-5, 8, 0, 0xFC}, {5, 8, 0, 0xFD}, {-22, 8, -3, 0xFE}, {4166, 8, 32, 0xFF}, kEndOfTable};
const THuffmanRow kTableB11[] = {{1, 1, 0, 0x0}, {2, 2, 1, 0x2}, {4, 4, 0, 0xC}, {5, 4, 1, 0xD}, {7, 5, 1, 0x1C}, {9, 5, 2, 0x1D}, {13, 6, 2, 0x3C}, {17, 7, 2, 0x7A}, {21, 7, 3, 0x7B}, {29, 7, 4, 0x7C}, {45, 7, 5, 0x7D}, {77, 7, 6, 0x7E}, {141, 7, 32, 0x7F}, kEndOfTable};
const THuffmanRow kTableB12[] = {{1, 1, 0, 0x0}, {2, 2, 0, 0x2}, {3, 3, 1, 0x6}, {5, 5, 0, 0x1C}, {6, 5, 1, 0x1D}, {8, 6, 1, 0x3C}, {10, 7, 0, 0x7A}, {11, 7, 1, 0x7B}, {13, 7, 2, 0x7C}, {17, 7, 3, 0x7D}, {25, 7, 4, 0x7E}, {41, 8, 5, 0xFE}, {73, 8, 32, 0xFF}, kEndOfTable};
const THuffmanRow kTableB13[] = {{1, 1, 0, 0x0}, {2, 3, 0, 0x4}, {7, 3, 3, 0x5}, {3, 4, 0, 0xC}, {5, 4, 1, 0xD}, {4, 5, 0, 0x1C}, {15, 6, 1, 0x3A}, {17, 6, 2, 0x3B}, {21, 6, 3, 0x3C}, {29, 6, 4, 0x3D}, {45, 6, 5, 0x3E}, {77, 7, 6, 0x7E}, {141, 7, 32, 0x7F}, kEndOfTable};
const THuffmanRow kTableB14[] = {{0, 1, 0, 0x0}, {-2, 3, 0, 0x4}, {-1, 3, 0, 0x5}, {1, 3, 0, 0x6}, {2, 3, 0, 0x7}, kEndOfTable};
const THuffmanRow kTableB15[] = {{0, 1, 0, 0x0}, {-1, 3, 0, 0x4}, {1, 3, 0, 0x5}, {-2, 4, 0, 0xC}, {2, 4, 0, 0xD}, {-4, 5, 1, 0x1C}, {3, 5, 1, 0x1D}, {-8, 6, 2, 0x3C}, {5, 6, 2, 0x3D}, {-24, 7, 4, 0x7C}, {9, 7, 4, 0x7D}, {-25, 7, -3, 0x7E}, {25, 7, 32, 0x7F}, kEndOfTable};

template <std::size_t N>
THuffmanTableArray Jbig2TableOf(const THuffmanRow (&rows)[N]) {
    return THuffmanTableArray(std::begin(rows), std::end(rows));
}

}  // namespace

bool THuffmanDecoder::Decode(const THuffmanTableArray& table, std::int64_t& value) {
    std::int64_t bits = 0;
    std::int32_t bitsRead = 0;
    for (const THuffmanRow& row : table) {
        if (row.RangeLength == kHuffmanEndOfTable) break;
        while (bitsRead < row.PrefixLength) {
            bits = (bits << 1) | reader_.ReadBit();
            ++bitsRead;
        }
        if (bits != row.Code) continue;
        if (row.RangeLength == kHuffmanOutOfBand) break;
        if (row.RangeLength == kHuffmanLowerRange) {
            value = std::int64_t{row.RangeLow} - reader_.ReadBits(32);
        } else if (row.RangeLength == 0) {
            value = row.RangeLow;
        } else {
            value = std::int64_t{row.RangeLow} + reader_.ReadBits(row.RangeLength);
        }
        return true;
    }
    value = -1;
    return false;
}

THuffmanTableArray THuffmanDecoder::StandardTable(int number) {
    switch (number) {
        case 1: return Jbig2TableOf(kTableB1);
        case 2: return Jbig2TableOf(kTableB2);
        case 3: return Jbig2TableOf(kTableB3);
        case 4: return Jbig2TableOf(kTableB4);
        case 5: return Jbig2TableOf(kTableB5);
        case 6: return Jbig2TableOf(kTableB6);
        case 7: return Jbig2TableOf(kTableB7);
        case 8: return Jbig2TableOf(kTableB8);
        case 9: return Jbig2TableOf(kTableB9);
        case 10: return Jbig2TableOf(kTableB10);
        case 11: return Jbig2TableOf(kTableB11);
        case 12: return Jbig2TableOf(kTableB12);
        case 13: return Jbig2TableOf(kTableB13);
        case 14: return Jbig2TableOf(kTableB14);
        case 15: return Jbig2TableOf(kTableB15);
        default: throw EJBIG2Damage("no standard Huffman table " + std::to_string(number));
    }
}

THuffmanTableArray THuffmanDecoder::AssignPrefixCodes(const std::vector<THuffmanRow>& rows) {
    THuffmanTableArray table;
    for (const THuffmanRow& row : rows) {
        if (row.PrefixLength > 0 && row.RangeLength != kHuffmanEndOfTable) table.push_back(row);
    }
    std::stable_sort(table.begin(), table.end(),
                     [](const THuffmanRow& a, const THuffmanRow& b) { return a.PrefixLength < b.PrefixLength; });
    std::int64_t code = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        // Damaged lengths can overfill the code space: such codes saturate and never match.
        if (i > 0 && code < kJbig2CodeSpaceEnd) {
            code = (code + 1) << (table[i].PrefixLength - table[i - 1].PrefixLength);
        }
        table[i].Code = code < (std::int64_t{1} << table[i].PrefixLength) ? static_cast<std::int32_t>(code) : -1;
    }
    table.push_back(kEndOfTable);
    return table;
}

}  // namespace parch
