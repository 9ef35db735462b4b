#include "platform/win/WindowProcs.h"

#include <sys/mman.h>

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/win/DefWindowProc.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowLong.h"

namespace parch {

namespace {

// Instance values are addresses inside a reserved, inaccessible range: never code, never data.
class InstanceTable {
public:
    static constexpr std::size_t kRange = std::size_t{1} << 24;

    InstanceTable() {
        void* area = ::mmap(nullptr, kRange, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        base_ = area == MAP_FAILED ? 0 : reinterpret_cast<std::uintptr_t>(area);
    }

    WNDPROC Add(WindowProcFunction function) {
        std::lock_guard guard(mutex_);
        if (!base_) return nullptr;
        // Slots are handed out in turn and reused only after the whole range went round.
        for (std::size_t tries = 0; tries < kRange; ++tries) {
            std::uintptr_t value = base_ + 16 + next_;
            next_ = (next_ + 16) % (kRange - 16);
            if (live_.count(value)) continue;
            live_.emplace(value, std::make_shared<WindowProcFunction>(std::move(function)));
            return reinterpret_cast<WNDPROC>(value);
        }
        return nullptr;
    }

    void Remove(WNDPROC proc) {
        std::lock_guard guard(mutex_);
        live_.erase(reinterpret_cast<std::uintptr_t>(proc));
    }

    bool InRange(WNDPROC proc) const {
        auto value = reinterpret_cast<std::uintptr_t>(proc);
        return base_ && value >= base_ && value < base_ + kRange;
    }

    std::shared_ptr<WindowProcFunction> Lookup(WNDPROC proc) {
        std::lock_guard guard(mutex_);
        auto it = live_.find(reinterpret_cast<std::uintptr_t>(proc));
        return it == live_.end() ? nullptr : it->second;
    }

private:
    std::mutex mutex_;
    std::uintptr_t base_ = 0;
    std::size_t next_ = 0;
    std::unordered_map<std::uintptr_t, std::shared_ptr<WindowProcFunction>> live_;
};

InstanceTable& Instances() {
    static InstanceTable* table = new InstanceTable;
    return *table;
}

}  // namespace

LRESULT CallWindowProc(WNDPROC prev, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!prev) return 0;
    if (Instances().InRange(prev)) {
        auto function = Instances().Lookup(prev);
        if (!function) return DefWindowProc(hwnd, message, wParam, lParam);
        return (*function)(hwnd, message, wParam, lParam);
    }
    return prev(hwnd, message, wParam, lParam);
}

WNDPROC MakeWindowProcInstance(WindowProcFunction function) {
    return Instances().Add(std::move(function));
}

void FreeWindowProcInstance(WNDPROC instance) {
    Instances().Remove(instance);
}

bool IsWindowProcInstance(WNDPROC proc) {
    return Instances().InRange(proc) && Instances().Lookup(proc) != nullptr;
}

}  // namespace parch

namespace parch::win {

LRESULT CallProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!proc) return DefWindowProc(hwnd, message, wParam, lParam);
    return CallWindowProc(proc, hwnd, message, wParam, lParam);
}

struct SubclassEntry {
    SUBCLASSPROC proc = nullptr;
    UINT_PTR id = 0;
    DWORD_PTR refData = 0;
    std::uint64_t order = 0;  // install order; the chain runs from the newest down
};

struct SubclassChain {
    WNDPROC original = nullptr;  // the window procedure before the chain
    WNDPROC master = nullptr;    // the procedure instance standing in GWL_WNDPROC
    std::vector<SubclassEntry> entries;
    std::uint64_t nextOrder = 1;
};

namespace {

// Where each running member stands, so that DefSubclassProc knows who is next.
struct ChainFrame {
    HWND hwnd;
    std::uint64_t order;
    WNDPROC original;
};
thread_local std::vector<ChainFrame> tFrames;

// The next member below order that is still installed (lock taken here).
bool NextEntry(HWND hwnd, std::uint64_t below, SubclassEntry& entry, WNDPROC& original) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w || !w->subclasses) return false;
    original = w->subclasses->original;
    const SubclassEntry* best = nullptr;
    for (const auto& e : w->subclasses->entries)
        if (e.order < below && (!best || e.order > best->order)) best = &e;
    if (!best) return false;
    entry = *best;
    return true;
}

LRESULT RunFrom(HWND hwnd, std::uint64_t below, WNDPROC original, UINT message, WPARAM wParam,
                LPARAM lParam) {
    SubclassEntry entry;
    WNDPROC current = original;
    if (!NextEntry(hwnd, below, entry, current)) return CallWindowProc(original, hwnd, message, wParam, lParam);
    tFrames.push_back({hwnd, entry.order, current});
    struct Pop {
        ~Pop() { tFrames.pop_back(); }
    } pop;
    return entry.proc(hwnd, message, wParam, lParam, entry.id, entry.refData);
}

}  // namespace

void DropSubclasses(HWND hwnd) {
    std::shared_ptr<SubclassChain> chain;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return;
        chain = std::move(w->subclasses);
    }
    if (chain && chain->master) FreeWindowProcInstance(chain->master);
}

}  // namespace parch::win

namespace parch {

using namespace win;

BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR refData) {
    if (!proc) return 0;
    WNDPROC masterToInstall = nullptr;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w || !IsOwnThread(w)) return 0;
        if (!w->subclasses) w->subclasses = std::make_shared<SubclassChain>();
        SubclassChain& chain = *w->subclasses;
        for (auto& e : chain.entries)
            if (e.proc == proc && e.id == id) {
                e.refData = refData;
                return 1;
            }
        chain.entries.push_back({proc, id, refData, chain.nextOrder++});
        if (!chain.master) {
            chain.master = MakeWindowProcInstance([](HWND h, UINT m, WPARAM wp, LPARAM lp) {
                WNDPROC original = nullptr;
                {
                    Lock inner(S().mutex);
                    Window* win = FindLive(h);
                    if (win && win->subclasses) original = win->subclasses->original;
                }
                return RunFrom(h, UINT64_MAX, original, m, wp, lp);
            });
            masterToInstall = chain.master;
        }
    }
    if (masterToInstall) {
        LONG_PTR previous = SetWindowLongPtr(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(masterToInstall));
        Lock lock(S().mutex);
        if (Window* w = FindLive(hwnd); w && w->subclasses)
            w->subclasses->original = reinterpret_cast<WNDPROC>(previous);
    }
    return 1;
}

BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* refData) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w || !w->subclasses) return 0;
    for (const auto& e : w->subclasses->entries)
        if (e.proc == proc && e.id == id) {
            if (refData) *refData = e.refData;
            return 1;
        }
    return 0;
}

BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
    WNDPROC restore = nullptr;
    WNDPROC master = nullptr;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w || !w->subclasses) return 0;
        SubclassChain& chain = *w->subclasses;
        auto it = std::find_if(chain.entries.begin(), chain.entries.end(),
                               [&](const SubclassEntry& e) { return e.proc == proc && e.id == id; });
        if (it == chain.entries.end()) return 0;
        chain.entries.erase(it);
        // The last member gone: the window gets its procedure back, unless someone else has
        // subclassed it meanwhile; then the empty chain keeps passing messages through.
        if (chain.entries.empty() && w->proc == chain.master) {
            restore = chain.original;
            master = chain.master;
            w->subclasses.reset();
        }
    }
    if (master) {
        SetWindowLongPtr(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(restore));
        FreeWindowProcInstance(master);
    }
    return 1;
}

LRESULT DefSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    for (auto it = tFrames.rbegin(); it != tFrames.rend(); ++it)
        if (it->hwnd == hwnd) return RunFrom(hwnd, it->order, it->original, message, wParam, lParam);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace parch
