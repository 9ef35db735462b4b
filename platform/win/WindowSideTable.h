#pragma once
// Per-window data kept beside the window records by the parts of the window system that own
// it (scroll bars, the frame's look). Entries of windows that are gone are dropped as the
// table grows. Lock held for every call.

#include <unordered_map>

#include "platform/win/WinState.h"

namespace parch::win {

template <typename T>
class WindowSideTable {
public:
    T* Find(HWND hwnd) {
        auto it = entries_.find(hwnd);
        return it == entries_.end() ? nullptr : &it->second;
    }

    // The entry of a live window, made from init when missing.
    T& Get(HWND hwnd, const T& init = T{}) {
        if (T* found = Find(hwnd)) return *found;
        if (entries_.size() >= pruneAt_) {
            std::erase_if(entries_, [](const auto& entry) { return FindLive(entry.first) == nullptr; });
            pruneAt_ = 2 * entries_.size() + 16;
        }
        return entries_.emplace(hwnd, init).first->second;
    }

    void Erase(HWND hwnd) { entries_.erase(hwnd); }

private:
    std::unordered_map<HWND, T> entries_;
    std::size_t pruneAt_ = 16;
};

}  // namespace parch::win
