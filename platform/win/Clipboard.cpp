#include "platform/win/Clipboard.h"

#include <mutex>

namespace parch::win {

namespace {

struct ClipboardState {
    std::mutex mutex;
    std::string text;
    std::optional<ClipboardPicture> picture;
    ClipboardBackend backend;
};

ClipboardState& Clip() {
    static auto* state = new ClipboardState;
    return *state;
}

bool IsWhole32BitPicture(const ClipboardPicture& picture) {
    const BITMAPINFOHEADER& h = picture.header;
    if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biBitCount != 32 || h.biCompression != BI_RGB)
        return false;
    if (h.biWidth <= 0 || h.biHeight == 0) return false;
    const std::int64_t height = h.biHeight < 0 ? -std::int64_t{h.biHeight} : std::int64_t{h.biHeight};
    // Compared in pixels: width * height stays below 2^62, four times that need not.
    const std::size_t bytes = picture.pixels.size();
    return bytes % 4 == 0 && std::int64_t{h.biWidth} * height == static_cast<std::int64_t>(bytes / 4);
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

bool HasClipboardPicture() {
    auto& clip = win::Clip();
    std::lock_guard guard(clip.mutex);
    return clip.picture.has_value();
}

std::optional<ClipboardPicture> GetClipboardPicture() {
    auto& clip = win::Clip();
    std::lock_guard guard(clip.mutex);
    return clip.picture;
}

bool SetClipboardPicture(ClipboardPicture picture) {
    if (!win::IsWhole32BitPicture(picture)) return false;
    auto& clip = win::Clip();
    std::lock_guard guard(clip.mutex);
    clip.picture = std::move(picture);
    return true;
}

}  // namespace parch
