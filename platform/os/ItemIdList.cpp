#include "platform/os/ItemIdList.h"

#include <cstdlib>
#include <cstring>

namespace parch {

namespace itemidlist {

WORD CountAt(const void* at) {
    WORD cb;
    std::memcpy(&cb, at, sizeof cb);  // items need not be aligned
    return cb;
}

IMalloc& Allocator() {
    static IMalloc allocator;
    return allocator;
}

}  // namespace itemidlist

void* IMalloc::Alloc(std::size_t size) {
    return std::calloc(1, size ? size : 1);
}

void IMalloc::Free(void* block) {
    std::free(block);
}

HRESULT SHGetMalloc(IMalloc** allocator) {
    if (!allocator) return E_INVALIDARG;
    *allocator = &itemidlist::Allocator();
    return S_OK;
}

UINT ILGetSize(LPCITEMIDLIST list) {
    if (!list) return 0;
    auto* at = reinterpret_cast<const BYTE*>(list);
    UINT size = 0;
    while (WORD cb = itemidlist::CountAt(at + size)) size += cb;
    return size + 2;
}

UINT ILGetCount(LPCITEMIDLIST list) {
    UINT count = 0;
    for (auto* at = list; at && !ILIsEmpty(at); at = ILGetNext(at)) ++count;
    return count;
}

bool ILIsEmpty(LPCITEMIDLIST list) {
    return !list || itemidlist::CountAt(list) == 0;
}

LPITEMIDLIST ILGetNext(LPCITEMIDLIST list) {
    if (ILIsEmpty(list)) return nullptr;
    auto* at = reinterpret_cast<const BYTE*>(list) + itemidlist::CountAt(list);
    return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(at));
}

LPITEMIDLIST ILFindLastID(LPCITEMIDLIST list) {
    if (!list) return nullptr;
    auto* last = list;
    for (auto* at = list; !ILIsEmpty(at); at = ILGetNext(at)) last = at;
    return const_cast<LPITEMIDLIST>(last);
}

bool ILRemoveLastID(LPITEMIDLIST list) {
    if (ILIsEmpty(list)) return false;
    LPITEMIDLIST last = ILFindLastID(list);
    std::memset(last, 0, 2);
    return true;
}

LPITEMIDLIST ILClone(LPCITEMIDLIST list) {
    if (!list) return nullptr;
    UINT size = ILGetSize(list);
    auto* copy = static_cast<LPITEMIDLIST>(itemidlist::Allocator().Alloc(size));
    if (copy) std::memcpy(copy, list, size);
    return copy;
}

LPITEMIDLIST ILCloneFirst(LPCITEMIDLIST list) {
    if (!list) return nullptr;
    UINT first = itemidlist::CountAt(list);
    auto* copy = static_cast<LPITEMIDLIST>(itemidlist::Allocator().Alloc(first + 2u));
    if (copy) std::memcpy(copy, list, first);
    return copy;
}

LPITEMIDLIST ILCombine(LPCITEMIDLIST first, LPCITEMIDLIST second) {
    if (!first) return ILClone(second);
    if (!second) return ILClone(first);
    UINT head = ILGetSize(first) - 2;
    UINT tail = ILGetSize(second);
    if (head + tail > 0xFFFFFFu) return nullptr;
    auto* joined = static_cast<BYTE*>(itemidlist::Allocator().Alloc(head + tail));
    if (!joined) return nullptr;
    std::memcpy(joined, first, head);
    std::memcpy(joined + head, second, tail);
    return reinterpret_cast<LPITEMIDLIST>(joined);
}

bool ILIsEqual(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    if (!a || !b) return a == b;
    UINT size = ILGetSize(a);
    return size == ILGetSize(b) && std::memcmp(a, b, size) == 0;
}

void ILFree(LPITEMIDLIST list) {
    itemidlist::Allocator().Free(list);
}

LPITEMIDLIST ILFromItemBytes(std::string_view bytes) {
    if (bytes.size() > 0xFFFF - 2) return nullptr;
    auto cb = static_cast<WORD>(bytes.size() + 2);
    auto* list = static_cast<BYTE*>(itemidlist::Allocator().Alloc(cb + 2u));
    if (!list) return nullptr;
    std::memcpy(list, &cb, 2);
    if (!bytes.empty()) std::memcpy(list + 2, bytes.data(), bytes.size());
    return reinterpret_cast<LPITEMIDLIST>(list);
}

std::string_view ILFirstItemBytes(LPCITEMIDLIST list) {
    if (ILIsEmpty(list)) return {};
    WORD cb = itemidlist::CountAt(list);
    if (cb < 2) return {};
    return {reinterpret_cast<const char*>(list) + 2, static_cast<std::size_t>(cb - 2)};
}

}  // namespace parch
