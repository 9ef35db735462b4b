#pragma once
// What the list-view and header tests share: a parent on the headless screen that writes down
// the WM_NOTIFY notifications it gets as readable lines and answers them as a test asks.

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/platform/win/ControlTestSupport.h"

namespace parch::test {

inline std::string Hex(UINT value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

inline std::string NotifyName(UINT code) {
    static const std::map<UINT, const char*> kNames{
        {LVN_ITEMCHANGING, "ITEMCHANGING"}, {LVN_ITEMCHANGED, "ITEMCHANGED"}, {LVN_INSERTITEM, "INSERTITEM"},
        {LVN_DELETEITEM, "DELETEITEM"}, {LVN_DELETEALLITEMS, "DELETEALLITEMS"}, {LVN_BEGINLABELEDIT, "BEGINLABELEDIT"},
        {LVN_ENDLABELEDIT, "ENDLABELEDIT"}, {LVN_COLUMNCLICK, "COLUMNCLICK"}, {LVN_ITEMACTIVATE, "ITEMACTIVATE"},
        {LVN_GETDISPINFO, "GETDISPINFO"}, {LVN_KEYDOWN, "KEYDOWN"}, {NM_CLICK, "NM_CLICK"}, {NM_DBLCLK, "NM_DBLCLK"},
        {NM_RCLICK, "NM_RCLICK"}, {NM_RETURN, "NM_RETURN"}, {NM_SETFOCUS, "NM_SETFOCUS"}, {NM_KILLFOCUS, "NM_KILLFOCUS"},
        {NM_CUSTOMDRAW, "NM_CUSTOMDRAW"}, {HDN_ITEMCHANGING, "HDN_ITEMCHANGING"}, {HDN_ITEMCHANGED, "HDN_ITEMCHANGED"},
        {HDN_ITEMCLICK, "HDN_ITEMCLICK"}, {HDN_ITEMDBLCLICK, "HDN_ITEMDBLCLICK"}, {HDN_DIVIDERDBLCLICK, "HDN_DIVIDERDBLCLICK"},
        {HDN_BEGINTRACK, "HDN_BEGINTRACK"}, {HDN_ENDTRACK, "HDN_ENDTRACK"}, {HDN_TRACK, "HDN_TRACK"},
        {HDN_BEGINDRAG, "HDN_BEGINDRAG"}, {HDN_ENDDRAG, "HDN_ENDDRAG"}};
    auto it = kNames.find(code);
    return it == kNames.end() ? "code" + std::to_string(static_cast<int>(code)) : it->second;
}

// Parent at (100, 100), 400 x 300. Notifications are written down by `describe` (the code's
// name by default) unless `quiet` holds their code; `answers` give the answer for a code.
class ListViewNotifyTest : public RecorderTest {
protected:
    void SetUp() override {
        parent = rec.Create("parent", WS_POPUP | WS_VISIBLE, nullptr, {100, 100, 500, 400});
        rec.SetHandler([this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (h != parent) return std::nullopt;
            if (m == WM_ERASEBKGND) {
                RECT r;
                GetClientRect(h, &r);
                FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_3DFACE));
                return 1;
            }
            if (m == WM_DRAWITEM) {
                drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
                return 1;
            }
            if (m != WM_NOTIFY) return std::nullopt;
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (ignoredSenders.count(hdr->hwndFrom)) return LRESULT{0};
            if (!quiet.count(hdr->code)) log.push_back(describe ? describe(hdr) : NotifyName(hdr->code));
            auto it = answers.find(hdr->code);
            return it == answers.end() ? LRESULT{0} : it->second(hdr);
        });
        SetForegroundWindow(parent);
        display.PumpMessages();
        rec.Clear();
    }

    Lines Pump() {
        display.PumpMessages();
        return std::exchange(log, {});
    }

    POINT ScreenPointOf(HWND h, POINT p) {
        ClientToScreen(h, &p);
        return p;
    }

    HWND parent = nullptr;
    Lines log;
    std::vector<DRAWITEMSTRUCT> drawn;
    std::set<UINT> quiet;
    std::set<HWND> ignoredSenders;  // notifications from these are answered 0, unrecorded
    std::map<UINT, std::function<LRESULT(NMHDR*)>> answers;
    std::function<std::string(NMHDR*)> describe;
};

}  // namespace parch::test
