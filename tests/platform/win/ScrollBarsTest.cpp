#include <gtest/gtest.h>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "tests/platform/win/ScreenPixel.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

SCROLLINFO InfoOf(HWND hwnd, int bar) {
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    GetScrollInfo(hwnd, bar, &info);
    return info;
}

std::string Request(UINT message, WPARAM wp) {
    static const char* const kCodes[] = {"LINEUP", "LINEDOWN", "PAGEUP", "PAGEDOWN", "THUMBPOSITION",
                                         "THUMBTRACK", "TOP", "BOTTOM", "ENDSCROLL"};
    std::string text = (message == WM_VSCROLL ? "V " : "H ") + std::string(kCodes[LOWORD(wp) % 9]);
    if (LOWORD(wp) == SB_THUMBTRACK || LOWORD(wp) == SB_THUMBPOSITION) text += " " + std::to_string(HIWORD(wp));
    return text;
}

class ScrollBars : public test::RecorderTest {
protected:
    // A frameless window at (100, 100), 200 x 200, with a vertical bar: x 283-299; its up
    // arrow is y 100-116, its down arrow y 283-299. Range 0..100, page 10.
    HWND MakeWindow() {
        HWND w = rec.Create("w", WS_POPUP | WS_VISIBLE | WS_VSCROLL, nullptr, {100, 100, 300, 300});
        SCROLLINFO info;
        info.fMask = SIF_RANGE | SIF_PAGE;
        info.nMax = 100;
        info.nPage = 10;
        SetScrollInfo(w, SB_VERT, &info, 1);
        display.PumpMessages();
        return w;
    }

    // Records the scroll requests with the time since start; react may answer them.
    void RecordRequests(std::function<void(HWND, WPARAM)> react = {}) {
        start_ = GetTickCount();
        rec.SetHandler([this, react](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m != WM_VSCROLL && m != WM_HSCROLL) return std::nullopt;
            requests.push_back(Request(m, wp) + " @" + std::to_string(GetTickCount() - start_) +
                               (lp ? " ctl" : ""));
            if (react) react(h, wp);
            return 0;
        });
    }

    Lines requests;

private:
    DWORD start_ = 0;
};

TEST_F(ScrollBars, ValuesAreKeptInsideTheRange) {
    HWND w = rec.Create("w", WS_POPUP | WS_VSCROLL, nullptr, {0, 0, 100, 100});
    SCROLLINFO info = InfoOf(w, SB_VERT);
    EXPECT_EQ((std::vector<int>{info.nMin, info.nMax, static_cast<int>(info.nPage), info.nPos}),
              (std::vector<int>{0, 100, 0, 0}));
    EXPECT_FALSE(GetScrollInfo(w, SB_HORZ, &info));  // no horizontal bar was ever asked for

    info.fMask = SIF_ALL;
    info.nMin = 10;
    info.nMax = 50;
    info.nPage = 100;  // more than the range: cut to it
    info.nPos = 70;
    EXPECT_EQ(SetScrollInfo(w, SB_VERT, &info, 0), 10);
    info = InfoOf(w, SB_VERT);
    EXPECT_EQ(info.nPage, 41u);

    info.fMask = SIF_PAGE;
    info.nPage = 11;
    SetScrollInfo(w, SB_VERT, &info, 0);
    EXPECT_EQ(SetScrollPos(w, SB_VERT, 45, 0), 10);  // answers the old position
    EXPECT_EQ(GetScrollPos(w, SB_VERT), 40);           // the last page starts at 50 - 11 + 1
    SetScrollRange(w, SB_VERT, 0, 20, 0);
    EXPECT_EQ(GetScrollPos(w, SB_VERT), 10);
    int low = -1, high = -1;
    EXPECT_TRUE(GetScrollRange(w, SB_VERT, &low, &high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 20);
    EXPECT_FALSE(SetScrollRange(w, SB_VERT, INT32_MIN, INT32_MAX, 0));
}

TEST_F(ScrollBars, ABarComesAndGoesWithTheNeedForIt) {
    HWND w = rec.Create("w", WS_POPUP | WS_VISIBLE, nullptr, {0, 0, 100, 100});
    RECT client;
    SetScrollRange(w, SB_VERT, 0, 50, 0);
    EXPECT_TRUE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 100 - GetSystemMetrics(SM_CXVSCROLL));

    SCROLLINFO info;
    info.fMask = SIF_PAGE;
    info.nPage = 60;  // everything fits on one page
    SetScrollInfo(w, SB_VERT, &info, 0);
    EXPECT_FALSE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 100);

    // Asked to, the bar stays but cannot be used.
    info.fMask = SIF_RANGE | SIF_DISABLENOSCROLL;
    info.nMax = 50;
    SetScrollInfo(w, SB_VERT, &info, 0);
    EXPECT_TRUE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
    info.fMask = SIF_PAGE | SIF_DISABLENOSCROLL;
    info.nPage = 60;
    SetScrollInfo(w, SB_VERT, &info, 0);
    EXPECT_TRUE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
    EXPECT_FALSE(EnableScrollBar(w, SB_VERT, ESB_DISABLE_BOTH));  // already so
    RecordRequests();
    display.Click(90, 95);
    display.PumpMessages();
    EXPECT_EQ(requests, Lines{});

    EXPECT_TRUE(ShowScrollBar(w, SB_BOTH, 0));
    EXPECT_FALSE(GetWindowLongPtr(w, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL));
}

TEST_F(ScrollBars, HeldArrowRepeatsOnTheClock) {
    HWND w = MakeWindow();
    int lines = 0;
    std::vector<COLORREF> arrowCorner;  // the down arrow's top-left pixel on the screen
    RecordRequests([&](HWND h, WPARAM wp) {
        arrowCorner.push_back(ScreenPixel(283, 283));
        if (LOWORD(wp) != SB_LINEDOWN) return;
        SetScrollPos(h, SB_VERT, GetScrollPos(h, SB_VERT) + 1, 1);
        if (++lines == 4) display.MouseUp();
    });
    display.MoveMouse(290, 290);
    display.MouseDown();
    display.PumpMessages();
    EXPECT_EQ(requests, (Lines{"V LINEDOWN @0", "V LINEDOWN @300", "V LINEDOWN @355", "V LINEDOWN @410",
                               "V ENDSCROLL @410"}));
    EXPECT_EQ(GetScrollPos(w, SB_VERT), 4);
    EXPECT_EQ(GetCapture(), nullptr);
    // Sunken while held (the window's own redraws keep it so), raised again once let go.
    COLORREF sunken = GetSysColor(COLOR_3DSHADOW);
    COLORREF raised = GetSysColor(COLOR_3DLIGHT);
    EXPECT_EQ(arrowCorner, (std::vector<COLORREF>{sunken, sunken, sunken, sunken, raised}));
}

TEST_F(ScrollBars, HeldPageAreaStopsWhenTheThumbReachesTheCursor) {
    HWND w = MakeWindow();
    RecordRequests([](HWND h, WPARAM wp) {
        if (LOWORD(wp) == SB_PAGEDOWN) SetScrollPos(h, SB_VERT, GetScrollPos(h, SB_VERT) + 10, 1);
    });
    // The user lets go after two seconds.
    SetTimer(w, 7, 2000, [](HWND h, UINT, UINT_PTR id, DWORD) {
        KillTimer(h, id);
        win::InjectMouseButton(win::MouseButton::Left, false);
    });
    display.MoveMouse(290, 200);
    display.MouseDown();
    display.PumpMessages();
    // The track is 166 long with a 16-pixel thumb: at position 50 the thumb covers y 200.
    EXPECT_EQ(requests, (Lines{"V PAGEDOWN @0", "V PAGEDOWN @300", "V PAGEDOWN @355", "V PAGEDOWN @410",
                               "V PAGEDOWN @465", "V ENDSCROLL @2000"}));
    EXPECT_EQ(GetScrollPos(w, SB_VERT), 50);
}

TEST_F(ScrollBars, DraggingTheThumbTracksAndReportsTheFinalPosition) {
    HWND w = MakeWindow();
    int seenTrackPos = -1;
    int trackPosAtEnd = -1;
    RecordRequests([&](HWND h, WPARAM wp) {
        SCROLLINFO info;
        info.fMask = SIF_TRACKPOS | SIF_POS;
        GetScrollInfo(h, SB_VERT, &info);
        if (LOWORD(wp) == SB_THUMBTRACK) {
            seenTrackPos = info.nTrackPos;
            EXPECT_EQ(info.nPos, 0);  // the window moves the position itself, if it wants
        }
        // A control that scrolls on the final position reads it from the bar as well.
        if (LOWORD(wp) == SB_THUMBPOSITION) trackPosAtEnd = info.nTrackPos;
    });
    // The thumb lies at y 117-132; grabbed 3 pixels into it and moved 75 down.
    display.MoveMouse(290, 120);
    display.MouseDown();
    display.MoveMouse(290, 195);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(requests, (Lines{"V THUMBTRACK 45 @0", "V THUMBPOSITION 45 @0", "V ENDSCROLL @0"}));
    EXPECT_EQ(seenTrackPos, 45);
    EXPECT_EQ(trackPosAtEnd, 45);
    EXPECT_EQ(InfoOf(w, SB_VERT).nTrackPos, 0);  // tracking over: the track position is the position again
}

TEST_F(ScrollBars, ScrollBarControlTellsItsParent) {
    HWND parent = rec.Create("p", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 500, 400});
    HWND bar = CreateWindowEx(0, "scrollbar", "", WS_CHILD | WS_VISIBLE | SBS_HORZ, 10, 10, 200, 17, parent, nullptr,
                              nullptr, nullptr);
    ASSERT_NE(bar, nullptr);
    SendMessage(bar, SBM_SETRANGE, 0, 20);
    SendMessage(bar, SBM_SETPOS, 5, 1);
    EXPECT_EQ(SendMessage(bar, SBM_GETPOS, 0, 0), 5);
    display.PumpMessages();

    RecordRequests();
    POINT arrow{5, 8};  // the left arrow, in the bar's client area
    ClientToScreen(bar, &arrow);
    display.Click(arrow.x, arrow.y);
    display.PumpMessages();
    EXPECT_EQ(requests, (Lines{"H LINEUP @0 ctl", "H ENDSCROLL @0 ctl"}));
}

TEST_F(ScrollBars, SizeGripSizesTheTopLevelWindow) {
    HWND parent = rec.Create("p", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 500, 400});
    RECT client;
    GetClientRect(parent, &client);
    HWND grip = CreateWindowEx(0, "ScrollBar", "", WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP, client.right - 17,
                               client.bottom - 17, 17, 17, parent, nullptr, nullptr, nullptr);
    display.PumpMessages();
    rec.SetHandler([this](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_ENTERSIZEMOVE) {
            display.MoveMouse(600, 500);
            display.MouseUp();
        }
        return std::nullopt;
    });
    POINT p{8, 8};
    ClientToScreen(grip, &p);
    display.MoveMouse(p.x, p.y);
    display.MouseDown();
    display.PumpMessages();
    RECT r;
    GetWindowRect(parent, &r);
    EXPECT_EQ(r, (RECT{100, 100, 500 + 600 - p.x, 400 + 500 - p.y}));
}

TEST_F(ScrollBars, PaintedParts) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(17, 200, 1, 32, nullptr);
    SelectObject(dc, bitmap);
    win::ScrollState state;
    state.info.nMax = 100;
    state.info.nPage = 10;
    state.info.nPos = 45;
    state.pressed = win::ScrollPart::PageUp;
    win::PaintScrollBar(dc, {0, 0, 17, 200}, true, state);
    // Track 166 long, thumb 16 at 17 + 45 * 150 / 90 = 92.
    EXPECT_EQ(GetPixel(dc, 8, 0), GetSysColor(COLOR_3DLIGHT));     // arrow button edge
    EXPECT_EQ(GetPixel(dc, 8, 50), GetSysColor(COLOR_3DDKSHADOW)); // the page area held down
    EXPECT_EQ(GetPixel(dc, 8, 100), GetSysColor(COLOR_3DFACE));    // thumb
    EXPECT_EQ(GetPixel(dc, 8, 150), GetSysColor(COLOR_SCROLLBAR)); // track below it
    DeleteDC(dc);
    DeleteObject(bitmap);
}

}  // namespace
}  // namespace parch
