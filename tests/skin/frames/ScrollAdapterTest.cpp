#include <gtest/gtest.h>

#include <algorithm>

#include "tests/platform/display/OnScreenCheck.h"
#include "tests/skin/frames/ScrollAdapterFixtures.h"

namespace parch {
namespace {

using test::PartOfColour;
using test::ScreenShot;
using test::ScrollAdapterTest;

SCROLLINFO SbInfo(int nMin, int nMax, UINT nPage, int nPos) {
    SCROLLINFO info;
    info.nMin = nMin;
    info.nMax = nMax;
    info.nPage = nPage;
    info.nPos = nPos;
    return info;
}

int SbCountLines(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// ---------------------------------------------------------------------------------------------
// Geometry on its own

TEST(ScrollGeometry, DragPositionReachesBothEndsOfEveryRange) {
    struct Case {
        int nMin, nMax;
        UINT nPage;
        int length, arrow;
        int last;  // the position at the end of the track
    };
    const Case cases[] = {
        {0, 100, 10, 200, 16, 91},     {-50, 49, 0, 200, 16, 49},  {10, 20, 3, 120, 16, 18},
        {0, 1000000, 1000, 300, 16, 999001}, {0, 99, 100, 200, 16, 0},  // page covers the range: no thumb
        {5, 2, 1, 200, 16, 5},         // empty range
    };
    for (const Case& c : cases) {
        SCROLLINFO info = SbInfo(c.nMin, c.nMax, c.nPage, c.nMin);
        const TacBarGeometry g = GetBarGeometry(info, c.length, c.arrow, 10, true);
        SCOPED_TRACE(std::to_string(c.nMin) + ".." + std::to_string(c.nMax) + " page " + std::to_string(c.nPage));
        EXPECT_EQ(ThumbDragPosition(info, g, 0), c.nMin);
        EXPECT_EQ(ThumbDragPosition(info, g, g.FreeTrack()), c.last);
        EXPECT_EQ(ThumbDragPosition(info, g, g.FreeTrack() + 500), c.last);  // beyond the end
        if (!g.HasThumb()) continue;
        // The first and the last position laid out and dragged back are the same positions.
        for (int pos : {c.nMin, c.last}) {
            info.nPos = pos;
            const TacBarGeometry at = GetBarGeometry(info, c.length, c.arrow, 10, true);
            EXPECT_EQ(ThumbDragPosition(info, at, at.thumbStart - at.firstArrow), pos);
        }
    }
}

TEST(ScrollGeometry, ShortBarsAreTwoHalfArrowsAndNothingElse) {
    const SCROLLINFO info = SbInfo(0, 100, 10, 50);
    for (int length : {1, 20, 31, 32}) {
        const TacBarGeometry g = GetBarGeometry(info, length, 16, 10, true);
        EXPECT_FALSE(g.HasThumb()) << length;
        for (int offset = 0; offset < length; ++offset)
            EXPECT_EQ(ScrollPartAt(g, offset), offset < length / 2 ? kPartFirstArrow : kPartSecondArrow) << length;
    }
}

// ---------------------------------------------------------------------------------------------
// The part hit is the part painted, pixel by pixel, on the headless screen

struct SbBarCase {
    const char* name;
    int height;
    SCROLLINFO vertical;
    bool disabled;  // the vertical bar: its page covers the range
};

class PaintedParts : public ScrollAdapterTest, public ::testing::WithParamInterface<SbBarCase> {
protected:
    // The part a click at a screen point starts, told by the first request it makes.
    int ClickedPart(POINT p) {
        ClearRequests();
        display.AdvanceTime(1000);  // no double clicks
        display.MoveMouse(p.x, p.y);
        display.MouseDown();
        display.PumpMessages();
        display.MouseUp();
        display.PumpMessages();
        if (requests.empty()) return kPartNone;
        const int code = std::stoi(requests.front().substr(2));
        return code == SB_THUMBPOSITION ? kPartThumb : code;
    }
};

TEST_P(PaintedParts, EveryPixelHitsThePartPaintedThere) {
    const SbBarCase& c = GetParam();
    HWND w = MakeWindow(c.vertical, 200, c.height);
    RecordRequests();
    display.MoveMouse(0, 0);
    display.PumpMessages();
    adapter->PaintScrollBars(nullptr);
    for (int kind : {SB_VERT, SB_HORZ}) {
        const RECT bar = kind == SB_VERT ? adapter->GetVertBarRect() : adapter->GetHorzBarRect();
        ASSERT_LT(bar.left, bar.right);
        ASSERT_LT(bar.top, bar.bottom);
        std::vector<COLORREF> painted;
        {
            const ScreenShot shot;
            const int length = kind == SB_VERT ? bar.bottom - bar.top : bar.right - bar.left;
            for (int i = 0; i < length; ++i)
                painted.push_back(kind == SB_VERT ? shot.Pixel((bar.left + bar.right) / 2, bar.top + i)
                                                  : shot.Pixel(bar.left + i, (bar.top + bar.bottom) / 2));
        }
        const bool hasThumb = std::count(painted.begin(), painted.end(), RGB(0, 200, 200)) > 0;
        // A disabled bar is drawn in none of the part colours, and nothing on it can be hit.
        const bool disabledLook = std::all_of(painted.begin(), painted.end(),
                                              [](COLORREF colour) { return PartOfColour(colour, true) == -2; });
        EXPECT_EQ(disabledLook, kind == SB_VERT && c.disabled) << (kind == SB_VERT ? "vertical" : "horizontal");
        std::string mismatches;
        for (size_t i = 0; i < painted.size(); ++i) {
            const int expected = disabledLook ? kPartNone : PartOfColour(painted[i], hasThumb);
            const POINT p = kind == SB_VERT ? POINT{(bar.left + bar.right) / 2, bar.top + static_cast<int>(i)}
                                            : POINT{bar.left + static_cast<int>(i), (bar.top + bar.bottom) / 2};
            const int hit = ClickedPart(p);
            if (expected != hit)
                mismatches += " [" + std::to_string(i) + ": painted " + std::to_string(expected) + ", hit " +
                              std::to_string(hit) + "]";
        }
        EXPECT_EQ(mismatches, "") << (kind == SB_VERT ? "vertical" : "horizontal");
    }
    EXPECT_EQ(GetAdapterOfWnd(w), adapter.get());
}

const SbBarCase kSbBarCases[] = {
    {"Middle", 200, SbInfo(0, 100, 10, 30), false},
    {"NonZeroMinimumNoPage", 200, SbInfo(-40, 60, 0, 10), false},
    {"PageBeyondRange", 200, SbInfo(0, 10, 50, 0), true},
    {"HugeRange", 200, SbInfo(0, 1000000, 1, 500000), false},
    {"AtTheEnd", 150, SbInfo(0, 100, 30, 71), false},
    {"ShortBar", 45, SbInfo(0, 100, 10, 0), false},
};
INSTANTIATE_TEST_SUITE_P(Ranges, PaintedParts, ::testing::ValuesIn(kSbBarCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Operating the bars

TEST_F(ScrollAdapterTest, ThumbDragsToBothEndsSendFirstAndLastPosition) {
    struct Case {
        SCROLLINFO info;
        bool ownPositions;  // the window keeps its own 32-bit positions (answers command 51)
        int last;
    };
    const Case cases[] = {
        {SbInfo(0, 100, 10, 40), false, 91},
        {SbInfo(-50, 49, 0, 0), false, 49},
        {SbInfo(0, 1000000, 1000, 0), true, 999001},
    };
    for (const Case& c : cases) {
        HWND w = MakeWindow(c.info);
        RecordRequests(c.ownPositions);
        const RECT bar = adapter->GetVertBarRect();
        const TacBarGeometry g = adapter->Geometry(SB_VERT);
        ASSERT_TRUE(g.HasThumb());
        const int x = (bar.left + bar.right) / 2;
        display.MoveMouse(x, bar.top + g.thumbStart + g.thumbLength / 2);
        display.MouseDown();
        display.PumpMessages();
        display.MoveMouse(x, bar.bottom + 60);
        display.PumpMessages();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.back(), "V 5 " + std::to_string(c.last) + " @0");
        display.MoveMouse(x, bar.top - 60);
        display.PumpMessages();
        EXPECT_EQ(requests.back(), "V 5 " + std::to_string(c.info.nMin) + " @0");
        ClearRequests();
        display.MouseUp();
        display.PumpMessages();
        EXPECT_EQ(requests, (std::vector<std::string>{"V 4 " + std::to_string(c.info.nMin) + " @0", "V 8 @0"}));
        EXPECT_EQ(GetCapture(), nullptr);
        adapter.reset();
        DestroyWindow(w);
    }
}

TEST_F(ScrollAdapterTest, HeldArrowRepeatsOnTheClockAndPausesOffIt) {
    MakeWindow(SbInfo(0, 100, 10, 30));
    RecordRequests();
    const RECT bar = adapter->GetVertBarRect();
    const int x = (bar.left + bar.right) / 2;
    display.MoveMouse(x, bar.bottom - 3);
    display.MouseDown();
    display.PumpMessages();
    for (int step : {300, 55, 55}) {
        display.AdvanceTime(step);
        display.PumpMessages();
    }
    display.MoveMouse(x, bar.top + 60);  // off the arrow: shown unpressed, nothing sent
    display.PumpMessages();
    for (int i = 0; i < 3; ++i) {
        display.AdvanceTime(55);
        display.PumpMessages();
    }
    display.MoveMouse(x, bar.bottom - 3);
    display.PumpMessages();
    display.AdvanceTime(55);
    display.PumpMessages();
    display.MouseUp();
    display.PumpMessages();
    display.AdvanceTime(500);
    display.PumpMessages();
    EXPECT_EQ(requests, (std::vector<std::string>{"V 1 @0", "V 1 @300", "V 1 @355", "V 1 @410", "V 1 @630",
                                                  "V 8 @630"}));
    EXPECT_EQ(ScrollTracking().clickedPart, kPartNone);
}

TEST_F(ScrollAdapterTest, LosingTheMouseEndsTheRepeat) {
    enum class Loss { OtherCapture, CancelMode, WindowDestroyed };
    for (Loss loss : {Loss::OtherCapture, Loss::CancelMode, Loss::WindowDestroyed}) {
        HWND w = MakeWindow(SbInfo(0, 100, 10, 30));
        HWND other = rec.Create("other", WS_POPUP | WS_VISIBLE, nullptr, {400, 400, 450, 450});
        RecordRequests();
        const RECT bar = adapter->GetVertBarRect();
        display.MoveMouse((bar.left + bar.right) / 2, bar.bottom - 3);
        display.MouseDown();
        display.PumpMessages();
        ASSERT_EQ(GetCapture(), w);
        if (loss == Loss::OtherCapture) SetCapture(other);
        if (loss == Loss::CancelMode) SendMessage(w, WM_CANCELMODE, 0, 0);
        if (loss == Loss::WindowDestroyed) DestroyWindow(w);
        for (int i = 0; i < 20; ++i) {
            display.AdvanceTime(55);
            display.PumpMessages();
        }
        EXPECT_EQ(requests, (std::vector<std::string>{"V 1 @0"})) << static_cast<int>(loss);
        EXPECT_EQ(ScrollTracking().clickedPart, kPartNone);
        EXPECT_EQ(ScrollTracking().trackedWindow, nullptr);
        if (loss != Loss::WindowDestroyed) {
            // Mouse moves reach the window again.
            ReleaseCapture();
            rec.Clear();
            SendMessage(w, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            EXPECT_EQ(SbCountLines(rec.Take(), "w WM_MOUSEMOVE 5,5"), 1);
        }
        display.MouseUp();
        display.PumpMessages();
        adapter.reset();
        DestroyWindow(w);
        DestroyWindow(other);
    }
}

// ---------------------------------------------------------------------------------------------
// Joining and leaving the window

LRESULT SbCountingSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (msg == WM_USER + 7) ++*reinterpret_cast<int*>(ref);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

TEST_F(ScrollAdapterTest, AdapterLeavesTheChainInAnyOrder) {
    enum Order { AdapterFirst, OtherFirst, WindowFirst };
    for (bool otherInFront : {false, true})
        for (Order order : {AdapterFirst, OtherFirst, WindowFirst}) {
            SCOPED_TRACE(std::string(otherInFront ? "other in front, " : "adapter in front, ") +
                         std::to_string(order));
            int otherSaw = 0;
            HWND w = rec.Create("w", WS_POPUP | WS_VISIBLE | WS_VSCROLL, nullptr, {100, 100, 300, 300});
            auto installOther = [&] {
                SetWindowSubclass(w, &SbCountingSubclass, 1, reinterpret_cast<DWORD_PTR>(&otherSaw));
            };
            if (!otherInFront) installOther();
            adapter = std::make_unique<TacScrollWnd>(w, &manager, "", true);
            if (otherInFront) installOther();
            display.PumpMessages();
            EXPECT_EQ(SendMessage(w, SkinCommandMessage, MAKEWPARAM(0, kCmdIsSkinned), 0), 1);
            rec.Clear();
            if (order == AdapterFirst) adapter.reset();
            if (order == OtherFirst) RemoveWindowSubclass(w, &SbCountingSubclass, 1);
            if (order == WindowFirst) DestroyWindow(w);
            if (order != WindowFirst) {
                SendMessage(w, WM_USER + 7, 0, 0);
                EXPECT_EQ(otherSaw, order == AdapterFirst ? 1 : 0);  // the other member keeps working
                DestroyWindow(w);
            }
            adapter.reset();
            const std::vector<std::string> lines = rec.Take();
            EXPECT_EQ(SbCountLines(lines, "w WM_DESTROY"), 1);
            EXPECT_EQ(SbCountLines(lines, "w WM_NCDESTROY"), 1);
            EXPECT_FALSE(IsWindow(w));
        }
}

TEST_F(ScrollAdapterTest, DetachedWindowIsPlainAgain) {
    HWND w = MakeWindow(SbInfo(0, 100, 10, 30));
    RECT client{};
    GetClientRect(w, &client);
    const RECT skinnedClient = client;
    adapter.reset();
    display.PumpMessages();
    EXPECT_EQ(GetAdapterOfWnd(w), nullptr);
    EXPECT_EQ(SendMessage(w, SkinCommandMessage, MAKEWPARAM(0, kCmdIsSkinned), 0), 0);
    GetClientRect(w, &client);
    EXPECT_EQ(client, skinnedClient);  // the system's bars take the same room back
    // The system operates its own bars again.
    RecordRequests();
    display.Click(291, 275);  // the down arrow
    display.PumpMessages();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), "V 1 @0");
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// Each state of the bar shows on the screen in the part's hot colour, and goes when it ends.
// The window is written to build/scroll_states_<n>.png for a look.
TEST_F(ScrollAdapterTest, StatesShowInTheirPartsAndEnd) {
    HWND w = MakeWindow(SbInfo(0, 100, 10, 30));
    RecordRequests();
    const RECT bar = adapter->GetVertBarRect();
    const int x = (bar.left + bar.right) / 2;
    const TacBarGeometry g = adapter->Geometry(SB_VERT);
    const int thumbMiddle = bar.top + g.thumbStart + g.thumbLength / 2;
    auto pixel = [](int px, int py) { return test::ScreenShot().Pixel(px, py); };
    auto snapshot = [w](int n) { SaveWindowPng(w, "build/scroll_states_" + std::to_string(n) + ".png"); };

    // Hover over the down arrow, then away: the hover check on the clock puts it back.
    display.MoveMouse(x, bar.bottom - 3);
    display.PumpMessages();
    EXPECT_EQ(pixel(x, bar.bottom - 3), RGB(80, 255, 80));
    EXPECT_EQ(pixel(x, bar.top + 3), RGB(200, 0, 0));
    snapshot(1);
    display.MoveMouse(20, 20);
    display.AdvanceTime(20);
    display.PumpMessages();
    EXPECT_EQ(pixel(x, bar.bottom - 3), RGB(0, 200, 0));

    // The page area below the thumb, held.
    display.MoveMouse(x, bar.bottom - 30);
    display.MouseDown();
    display.PumpMessages();
    EXPECT_EQ(pixel(x, bar.bottom - 30), RGB(255, 255, 80));
    snapshot(2);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(pixel(x, bar.bottom - 30), RGB(200, 200, 0));

    // The thumb, dragged 40 pixels down: drawn pressed where the mouse put it.
    display.AdvanceTime(1000);
    display.MoveMouse(x, thumbMiddle);
    display.MouseDown();
    display.PumpMessages();
    display.MoveMouse(x, thumbMiddle + 40);
    display.PumpMessages();
    EXPECT_EQ(pixel(x, thumbMiddle + 40), RGB(80, 255, 255));
    EXPECT_EQ(pixel(x, thumbMiddle), RGB(0, 0, 200));  // the track before it
    snapshot(3);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(pixel(x, thumbMiddle + 40), RGB(0, 200, 200));
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// Shown through SDL on a private X screen, a window with skinned bars (an arrow hot)
// looks as the headless screen drew it.
TEST_F(ScrollAdapterTest, SkinnedBarsLookTheSameOnARealScreen) {
    if (!onscreen::Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
    HWND w = MakeWindow(SbInfo(-20, 300, 40, 100));
    const RECT bar = adapter->GetVertBarRect();
    display.MoveMouse((bar.left + bar.right) / 2, bar.bottom - 3);  // the down arrow hot
    display.PumpMessages();
    HBITMAP picture = CaptureWindow(w);
    ASSERT_TRUE(picture);
    EXPECT_EQ(onscreen::CompareWithScreen(w, picture, "skinned-scroll-bars"), "");
    DeleteObject(picture);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// A glyph 4 wide and 6 high, white, in two state frames.
void SbAddWhiteGlyph(TsSkinManager& manager, const char* section) {
    TsMaskData& glyph = manager.Tables().Masks.emplace_back();
    glyph.Picture = std::make_unique<TBitmap>(8, 6, pf32bit);
    for (int y = 0; y < 6; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(glyph.Picture->ScanLine(y));
        std::fill(row, row + 8, 0xFFFFFFFFu);
    }
    glyph.OwnerManager = &manager;
    glyph.SectionName = section;
    glyph.KeyName = "GLYPHMASK";
    glyph.SourceRect = RECT{0, 0, 8, 6};
    glyph.FrameCount = 2;
}

TEST_F(ScrollAdapterTest, ArrowGlyphsAreCentredInTheOuterBand) {
    SbAddWhiteGlyph(manager, "SCROLLBTNTOP");
    SbAddWhiteGlyph(manager, "SCROLLBTNLEFT");
    MakeWindow(SbInfo(0, 100, 10, 30));
    display.MoveMouse(0, 0);
    display.PumpMessages();
    adapter->PaintScrollBars(nullptr);
    const test::ScreenShot shot;
    const int band = ScrollBarArrowWidth();

    const RECT v = adapter->GetVertBarRect();
    const int vx = v.left + (v.right - v.left - 4) / 2, vy = v.top + (band - 6) / 2;
    EXPECT_EQ(shot.Pixel(vx, vy), RGB(255, 255, 255));
    EXPECT_EQ(shot.Pixel(vx + 3, vy + 5), RGB(255, 255, 255));
    EXPECT_EQ(shot.Pixel(vx, vy - 1), RGB(200, 0, 0));  // the arrow around it
    EXPECT_EQ(shot.Pixel(vx + 4, vy), RGB(200, 0, 0));

    const RECT h = adapter->GetHorzBarRect();  // along x: the glyph lies 4 wide, 6 high
    const int hx = h.left + (band - 4) / 2, hy = h.top + (h.bottom - h.top - 6) / 2;
    EXPECT_EQ(shot.Pixel(hx, hy), RGB(255, 255, 255));
    EXPECT_EQ(shot.Pixel(hx + 3, hy + 5), RGB(255, 255, 255));
    EXPECT_EQ(shot.Pixel(hx - 1, hy), RGB(200, 0, 0));
    EXPECT_EQ(shot.Pixel(hx, hy + 6), RGB(200, 0, 0));
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

TEST_F(ScrollAdapterTest, LeftScrollBarStyleMovesTheBarAtTheNextFrameCalculation) {
    HWND w = MakeWindow(SbInfo(0, 100, 10, 30));
    RECT window{};
    GetWindowRect(w, &window);
    EXPECT_EQ(adapter->GetVertBarRect().right, window.right);
    SetWindowLongPtr(w, GWL_EXSTYLE, GetWindowLongPtr(w, GWL_EXSTYLE) | WS_EX_LEFTSCROLLBAR);
    SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    display.PumpMessages();
    const RECT bar = adapter->GetVertBarRect();
    EXPECT_EQ(bar.left, window.left);
    RECT client{};
    GetClientRect(w, &client);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    EXPECT_EQ(origin.x, bar.right);  // the client area starts after the bar

    // Painted and operated on the left.
    RecordRequests();
    display.MoveMouse(0, 0);
    display.PumpMessages();
    EXPECT_EQ(test::ScreenShot().Pixel((bar.left + bar.right) / 2, bar.bottom - 3), RGB(0, 200, 0));
    display.MoveMouse((bar.left + bar.right) / 2, bar.bottom - 3);
    display.MouseDown();
    display.PumpMessages();
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(requests, (std::vector<std::string>{"V 1 @0", "V 8 @0"}));
}

// The hover belongs to one bar of one window at a time: hovering another window's bar shows
// the first one plain again.
TEST_F(ScrollAdapterTest, HoverMovesBetweenWindows) {
    HWND first = MakeWindow(SbInfo(0, 100, 10, 30));
    auto firstAdapter = std::move(adapter);
    const RECT firstBar = firstAdapter->GetVertBarRect();
    HWND second = rec.Create("second", WS_POPUP | WS_VISIBLE | WS_VSCROLL, nullptr, {400, 100, 600, 300});
    SCROLLINFO info = SbInfo(0, 100, 10, 0);
    info.fMask = SIF_ALL;
    SetScrollInfo(second, SB_VERT, &info, 1);
    adapter = std::make_unique<TacScrollWnd>(second, &manager, "", true);
    display.PumpMessages();
    const RECT secondBar = adapter->GetVertBarRect();

    const POINT firstArrow{(firstBar.left + firstBar.right) / 2, firstBar.bottom - 3};
    display.MoveMouse(firstArrow.x, firstArrow.y);
    display.PumpMessages();
    EXPECT_EQ(test::ScreenShot().Pixel(firstArrow.x, firstArrow.y), RGB(80, 255, 80));
    display.MoveMouse((secondBar.left + secondBar.right) / 2, secondBar.top + 3);
    display.PumpMessages();
    const test::ScreenShot shot;
    EXPECT_EQ(shot.Pixel(firstArrow.x, firstArrow.y), RGB(0, 200, 0));
    EXPECT_EQ(shot.Pixel((secondBar.left + secondBar.right) / 2, secondBar.top + 3), RGB(255, 80, 80));
    EXPECT_EQ(ScrollTracking().trackedWindow, second);
    firstAdapter.reset();
    DestroyWindow(first);
}

}  // namespace
}  // namespace parch
