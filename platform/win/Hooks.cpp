#include "platform/win/Hooks.h"

#include <algorithm>

#include "platform/win/WinState.h"

namespace parch::win {

namespace {

// The chain being run on this thread, so that CallNextHookEx knows what comes next.
struct HookFrame {
    std::vector<std::shared_ptr<Hook>> chain;
    std::size_t index;
};
thread_local std::vector<HookFrame*> tHookFrames;

LRESULT RunFrom(HookFrame& frame, std::size_t start, int code, WPARAM wParam, LPARAM lParam) {
    for (std::size_t i = start; i < frame.chain.size(); ++i) {
        bool removed;
        {
            Lock lock(S().mutex);
            removed = frame.chain[i]->removed;
        }
        if (removed) continue;
        frame.index = i;
        return frame.chain[i]->proc(code, wParam, lParam);
    }
    return 0;
}

}  // namespace

LRESULT CallHooks(int type, int code, WPARAM wParam, LPARAM lParam) {
    HookFrame frame{{}, 0};
    {
        Lock lock(S().mutex);
        DWORD thread = CurrentThreadId();
        for (auto& h : S().hooks)
            if (h->type == type && !h->removed && (h->threadId == 0 || h->threadId == thread))
                frame.chain.push_back(h);
    }
    if (frame.chain.empty()) return 0;
    tHookFrames.push_back(&frame);
    struct Pop {
        ~Pop() { tHookFrames.pop_back(); }
    } pop;
    return RunFrom(frame, 0, code, wParam, lParam);
}

}  // namespace parch::win

namespace parch {

using namespace win;

HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
    if (idHook != WH_CBT || !proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Lock lock(S().mutex);
    auto hook = std::make_shared<Hook>();
    hook->handle = reinterpret_cast<HHOOK>(S().nextHook);
    S().nextHook += 4;
    hook->type = idHook;
    hook->proc = proc;
    hook->threadId = threadId;
    S().hooks.insert(S().hooks.begin(), hook);
    return hook->handle;
}

BOOL UnhookWindowsHookEx(HHOOK handle) {
    Lock lock(S().mutex);
    auto& hooks = S().hooks;
    auto it = std::find_if(hooks.begin(), hooks.end(), [&](auto& h) { return h->handle == handle; });
    if (it == hooks.end()) {
        SetLastError(ERROR_INVALID_HOOK_HANDLE);
        return 0;
    }
    (*it)->removed = true;  // a chain running now skips it from here on
    hooks.erase(it);
    return 1;
}

LRESULT CallNextHookEx(HHOOK, int code, WPARAM wParam, LPARAM lParam) {
    if (tHookFrames.empty()) return 0;
    HookFrame& frame = *tHookFrames.back();
    std::size_t mine = frame.index;
    LRESULT result = RunFrom(frame, mine + 1, code, wParam, lParam);
    frame.index = mine;
    return result;
}

}  // namespace parch
