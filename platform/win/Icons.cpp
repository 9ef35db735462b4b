#include "platform/win/Icons.h"

#include <map>
#include <mutex>

namespace parch {
namespace systemcursors {

// A plain arrow: what DrawIcon shows of a system cursor. The screen back ends show their own
// pointer shapes.
HCURSOR MakeArrowCursor() {
    constexpr int kSide = 32;
    IconImage image;
    image.width = image.height = kSide;
    image.mask.assign(kSide * kSide, 1);
    image.xorBits.assign(kSide * kSide, 0);
    for (int y = 0; y < 17; ++y) {
        const int right = y < 12 ? y : 11 - (y - 12);
        for (int x = 0; x <= right; ++x) {
            const bool edge = x == 0 || x == right || y == 16;
            image.mask[y * kSide + x] = 0;
            image.xorBits[y * kSide + x] = edge ? 0 : 1;
        }
    }
    return CreateSharedIcon(std::move(image), false, POINT{0, 0});
}

class Cache {
public:
    static Cache& Instance() {
        static Cache cache;
        return cache;
    }
    HCURSOR Get(UINT id) {
        std::lock_guard lock(mutex_);
        HCURSOR& slot = cursors_[id];
        if (!slot) slot = MakeArrowCursor();
        return slot;
    }

private:
    std::mutex mutex_;
    std::map<UINT, HCURSOR> cursors_;
};

}  // namespace systemcursors

HCURSOR SharedSystemCursor(UINT id) {
    if (id < 32512 || id > 32651) return nullptr;
    return systemcursors::Cache::Instance().Get(id);
}

}  // namespace parch
