#include "platform/win/FileDrop.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/win/Messages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace {

struct Drop {
    std::vector<std::string> files;
    POINT client;
    bool inClient = false;
};

struct Drops {
    std::mutex mutex;
    std::unordered_map<HDROP, std::unique_ptr<Drop>> live;
};

Drops& AllDrops() {
    static auto* drops = new Drops;
    return *drops;
}

}  // namespace

bool DropFiles(POINT screen, std::vector<std::string> files) {
    HWND target = WindowFromPoint(screen);
    while (target && !(GetWindowLongPtr(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) target = GetAncestor(target, GA_PARENT);
    if (!target || target == GetDesktopWindow()) return false;
    auto drop = std::make_unique<Drop>();
    drop->files = std::move(files);
    drop->client = screen;
    ScreenToClient(target, &drop->client);
    RECT client;
    GetClientRect(target, &client);
    drop->inClient = drop->client.x >= 0 && drop->client.y >= 0 && drop->client.x < client.right &&
                     drop->client.y < client.bottom;
    auto handle = reinterpret_cast<HDROP>(drop.get());
    {
        std::lock_guard guard(AllDrops().mutex);
        AllDrops().live.emplace(handle, std::move(drop));
    }
    if (PostMessage(target, WM_DROPFILES, reinterpret_cast<WPARAM>(handle), 0)) return true;
    DragFinish(handle);
    return false;
}

}  // namespace parch::win

namespace parch {

using namespace win;

void DragAcceptFiles(HWND hwnd, BOOL accept) {
    LONG_PTR ex = GetWindowLongPtr(hwnd, GWL_EXSTYLE);
    SetWindowLongPtr(hwnd, GWL_EXSTYLE, accept ? (ex | WS_EX_ACCEPTFILES) : (ex & ~static_cast<LONG_PTR>(WS_EX_ACCEPTFILES)));
}

UINT DragQueryFile(HDROP drop, UINT index, char* buffer, UINT size) {
    std::lock_guard guard(AllDrops().mutex);
    auto it = AllDrops().live.find(drop);
    if (it == AllDrops().live.end()) return 0;
    const auto& files = it->second->files;
    if (index == 0xFFFFFFFF) return static_cast<UINT>(files.size());
    if (index >= files.size()) return 0;
    const std::string& name = files[index];
    if (!buffer) return static_cast<UINT>(name.size());
    if (size == 0) return 0;
    const std::size_t n = std::min<std::size_t>(name.size(), size - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = 0;
    return static_cast<UINT>(n);
}

BOOL DragQueryPoint(HDROP drop, POINT* point) {
    std::lock_guard guard(AllDrops().mutex);
    auto it = AllDrops().live.find(drop);
    if (it == AllDrops().live.end() || !point) return 0;
    *point = it->second->client;
    return it->second->inClient ? 1 : 0;
}

void DragFinish(HDROP drop) {
    std::lock_guard guard(AllDrops().mutex);
    AllDrops().live.erase(drop);
}

}  // namespace parch
