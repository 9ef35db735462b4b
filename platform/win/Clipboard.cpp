#include "platform/win/Clipboard.h"

#include <mutex>

namespace parch::win {

namespace {

struct ClipboardState {
    std::mutex mutex;
    std::string text;
    ClipboardBackend backend;
};

ClipboardState& Clip() {
    static auto* state = new ClipboardState;
    return *state;
}

}  // namespace

void SetClipboardBackend(ClipboardBackend backend) {
    std::lock_guard guard(Clip().mutex);
    Clip().backend = std::move(backend);
}

}  // namespace parch::win

namespace parch {

std::string GetClipboardText() {
    auto& clip = win::Clip();
    std::lock_guard guard(clip.mutex);
    return clip.backend.get ? clip.backend.get() : clip.text;
}

void SetClipboardText(const std::string& text) {
    auto& clip = win::Clip();
    std::lock_guard guard(clip.mutex);
    if (clip.backend.set) clip.backend.set(text);
    else clip.text = text;
}

}  // namespace parch
