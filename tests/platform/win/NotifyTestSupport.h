#pragma once
// What the tests of the common controls share: a parent on the headless screen that writes
// down the WM_NOTIFY codes it gets (named by the test, with what the test reads from the
// record) and may answer them.

#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/display/PngFile.h"
#include "tests/platform/win/ControlTestSupport.h"

namespace parch::test {

class NotifyTest : public RecorderTest {
protected:
    using Describe = std::function<std::string(const NMHDR&)>;
    using Answer = std::function<std::optional<LRESULT>(NMHDR&)>;

    void SetUp() override {
        parent = rec.Create("parent", WS_POPUP | WS_VISIBLE, nullptr, {100, 100, 600, 500});
        rec.SetHandler([this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (h != parent) return std::nullopt;
            if (m == WM_ERASEBKGND) {
                RECT r;
                GetClientRect(h, &r);
                FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_3DFACE));
                return 1;
            }
            if (m == WM_NOTIFY) {
                auto& header = *reinterpret_cast<NMHDR*>(lp);
                if (!ignored.count(header.code)) {
                    auto name = codeNames.find(header.code);
                    std::string line = name != codeNames.end() ? name->second : std::to_string(static_cast<int>(header.code));
                    if (describe) line += describe(header);
                    log.push_back(line);
                }
                if (answer)
                    if (auto a = answer(header)) return a;
                return 0;
            }
            if (m == WM_VSCROLL || m == WM_HSCROLL) {
                log.push_back(std::string(m == WM_VSCROLL ? "WM_VSCROLL " : "WM_HSCROLL ") + std::to_string(LOWORD(wp)) +
                              " " + std::to_string(static_cast<short>(HIWORD(wp))));
                return 0;
            }
            if (m == WM_DRAWITEM) {
                drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
                return 1;
            }
            return std::nullopt;
        });
        SetForegroundWindow(parent);
        display.PumpMessages();
        rec.Clear();
    }

    HWND Make(const char* cls, DWORD style, RECT r, int id = 1) {
        return CreateWindowEx(0, cls, "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                              parent, reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
    }

    std::vector<std::string> Pump() {
        display.PumpMessages();
        return std::exchange(log, {});
    }
    std::vector<std::string> Take() { return std::exchange(log, {}); }

    POINT ScreenPointOf(HWND h, int x, int y) {
        POINT p{x, y};
        ClientToScreen(h, &p);
        return p;
    }

    // Saves the screen when PARCH_SAVE_PICTURES names a folder.
    static void SaveScreen(const std::string& name) {
        const char* folder = std::getenv("PARCH_SAVE_PICTURES");
        if (!folder) return;
        HBITMAP screen = CaptureScreen();
        EXPECT_TRUE(SavePng(screen, std::string(folder) + "/" + name));
        DeleteObject(screen);
    }

    HWND parent = nullptr;
    std::vector<std::string> log;
    std::vector<DRAWITEMSTRUCT> drawn;
    std::map<UINT, std::string> codeNames;
    std::set<UINT> ignored;
    Describe describe;
    Answer answer;
};

}  // namespace parch::test
