#pragma once
// Item-ID lists in the shell's layout: items that each begin with their own 16-bit byte count
// (the count included), ended by a zero count. The empty list names the desktop. Lists are
// allocated with the shell allocator and freed with ILFree.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/os/OsTypes.h"

namespace parch {

using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using UINT = std::uint32_t;
using ULONG = std::uint32_t;

struct SHITEMID {
    WORD cb;
    BYTE abID[1];
};

struct ITEMIDLIST {
    SHITEMID mkid;
};

using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

// The shell's task allocator; memory comes zero-filled.
class IMalloc {
public:
    void* Alloc(std::size_t size);
    void Free(void* block);
};
HRESULT SHGetMalloc(IMalloc** allocator);

UINT ILGetSize(LPCITEMIDLIST list);  // bytes including the terminator; 0 for nullptr
UINT ILGetCount(LPCITEMIDLIST list);
bool ILIsEmpty(LPCITEMIDLIST list);  // true also for nullptr
LPITEMIDLIST ILGetNext(LPCITEMIDLIST list);  // nullptr at the end
LPITEMIDLIST ILFindLastID(LPCITEMIDLIST list);
bool ILRemoveLastID(LPITEMIDLIST list);
LPITEMIDLIST ILClone(LPCITEMIDLIST list);
LPITEMIDLIST ILCloneFirst(LPCITEMIDLIST list);
LPITEMIDLIST ILCombine(LPCITEMIDLIST first, LPCITEMIDLIST second);
bool ILIsEqual(LPCITEMIDLIST a, LPCITEMIDLIST b);  // byte for byte
void ILFree(LPITEMIDLIST list);

// A new one-item list whose item holds the given bytes.
LPITEMIDLIST ILFromItemBytes(std::string_view bytes);
// The bytes of the first item, without its count.
std::string_view ILFirstItemBytes(LPCITEMIDLIST list);

}  // namespace parch
