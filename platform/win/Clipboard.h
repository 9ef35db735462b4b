#pragma once
// The text clipboard, UTF-8. It lives in memory until a display back end connects it to the
// system's clipboard.

#include <functional>
#include <string>

namespace parch {

std::string GetClipboardText();
void SetClipboardText(const std::string& text);

}  // namespace parch

namespace parch::win {

struct ClipboardBackend {
    std::function<std::string()> get;
    std::function<void(const std::string&)> set;
};
// An empty backend goes back to the in-memory clipboard.
void SetClipboardBackend(ClipboardBackend backend);

}  // namespace parch::win
