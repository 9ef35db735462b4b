#pragma once
// What the tests of the bars and the extended combo share: the control-test parent, which also
// writes down WM_NOTIFY (code, item), WM_HSCROLL / WM_VSCROLL (code, position) and the custom-draw
// stages it is asked about, answering them with what the test sets.

#include <functional>
#include <optional>
#include <string>

#include "platform/win/WinApi.h"
#include "tests/platform/win/ControlTestSupport.h"

namespace parch::test {

class BarsTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        rec.SetHandler([this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (h != parent) return std::nullopt;
            switch (m) {
                case WM_ERASEBKGND: {
                    RECT r;
                    GetClientRect(h, &r);
                    FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_3DFACE));
                    return 1;
                }
                case WM_COMMAND:
                    commandFrom = reinterpret_cast<HWND>(lp);
                    log.push_back("command " + std::to_string(LOWORD(wp)) + " code " + std::to_string(HIWORD(wp)));
                    return 0;
                case WM_ENTERSIZEMOVE:
                    if (duringSizeMove) duringSizeMove();
                    return std::nullopt;
                case WM_DRAWITEM: drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)); return 1;
                case WM_HSCROLL:
                case WM_VSCROLL:
                    log.push_back(std::string(m == WM_HSCROLL ? "hscroll " : "vscroll ") + std::to_string(LOWORD(wp)) +
                                  " " + std::to_string(HIWORD(wp)));
                    return 0;
                case WM_NOTIFY: {
                    const auto* header = reinterpret_cast<const NMHDR*>(lp);
                    if (notify) {
                        if (auto answer = notify(header)) return answer;
                    }
                    if (header->code == NM_CUSTOMDRAW) {
                        const auto* draw = reinterpret_cast<const NMCUSTOMDRAW*>(lp);
                        if (recordDraw) stages.push_back(Stage(*draw));
                        return customDraw ? customDraw(*draw) : CDRF_DODEFAULT;
                    }
                    notes.push_back(static_cast<int>(header->code));
                    return 0;
                }
                default: return std::nullopt;
            }
        });
    }

    static std::string Stage(const NMCUSTOMDRAW& draw) {
        std::string name;
        switch (draw.dwDrawStage) {
            case CDDS_PREPAINT: name = "prepaint"; break;
            case CDDS_POSTPAINT: name = "postpaint"; break;
            case CDDS_ITEMPREPAINT: name = "itemprepaint"; break;
            case CDDS_ITEMPOSTPAINT: name = "itempostpaint"; break;
            default: name = std::to_string(draw.dwDrawStage); break;
        }
        if (draw.dwDrawStage & CDDS_ITEM) name += " " + std::to_string(draw.dwItemSpec);
        return name;
    }

    void ClickAt(HWND h, int x, int y) {
        const POINT p = ScreenPointOf(h, x, y);
        display.Click(p.x, p.y);
        display.PumpMessages();
        display.AdvanceTime(1000);  // the next click is never a double click
    }

    // Runs once a move or size loop has begun (the user's moves inside it).
    std::function<void()> duringSizeMove;
    HWND commandFrom = nullptr;  // LParam of the last WM_COMMAND
    std::vector<int> notes;  // WM_NOTIFY codes other than custom draw
    Lines stages;
    bool recordDraw = false;
    std::function<LRESULT(const NMCUSTOMDRAW&)> customDraw;
    // A chance to answer (or look at) a notification first.
    std::function<std::optional<LRESULT>(const NMHDR*)> notify;
};

}  // namespace parch::test
