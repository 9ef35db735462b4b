#include <gtest/gtest.h>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Regions.h"
#include "platform/win/Compositor.h"
#include "platform/win/Painting.h"
#include "platform/win/ScreenOverlay.h"
#include "platform/win/WindowPos.h"
#include "tests/platform/win/MessageRecorder.h"
#include "tests/platform/win/ScreenPixel.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

std::string Corners(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// A bordered popup "top" (client 198 x 148 at (1, 1)) with a child "kid" at (20, 20)-(60, 50)
// of its client area. Painting messages are watched; WM_PAINT paints through BeginPaint and
// records the rectangle it was given and whether erasing was left to it.
class Painting : public test::RecorderTest {
protected:
    void SetUp() override {
        top = rec.Create("top", WS_POPUP | WS_BORDER | WS_VISIBLE, nullptr, {10, 20, 210, 170});
        kid = rec.Create("kid", WS_CHILD | WS_VISIBLE, top, {20, 20, 60, 50});
        rec.SetHandler([this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m == WM_PAINT) {
                PAINTSTRUCT ps;
                BeginPaint(h, &ps);
                painted.push_back(Corners(ps.rcPaint) + (ps.fErase ? " erase" : ""));
                EndPaint(h, &ps);
                return 0;
            }
            LRESULT answer;
            if (win::DefaultPaintMessage(h, m, wp, lp, &answer)) return answer;
            return std::nullopt;
        });
        display.PumpMessages();
        for (UINT m : {WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}) rec.Watch(m);
        rec.Clear();
        painted.clear();
    }
    Lines Pumped() {
        display.PumpMessages();
        return rec.Take();
    }
    // The painting messages only.
    Lines PumpedPaint() {
        Lines paint;
        for (const std::string& line : Pumped())
            if (line.find("PAINT") != std::string::npos || line.find("ERASE") != std::string::npos) paint.push_back(line);
        return paint;
    }
    HWND top = nullptr;
    HWND kid = nullptr;
    Lines painted;
};

TEST_F(Painting, InvalidatedAreasArePaintedOnceWithEraseAsAsked) {
    RECT a{100, 100, 120, 110};
    RECT b{0, 0, 10, 10};
    InvalidateRect(top, &a, 0);
    InvalidateRect(top, &b, 1);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(top, &update, 0));
    EXPECT_EQ(update, (RECT{0, 0, 120, 110}));
    EXPECT_EQ(Pumped(), (Lines{"top WM_PAINT", "top WM_ERASEBKGND"}));
    EXPECT_EQ(painted, (Lines{"0,0,120,110 erase"}));  // the class has no brush to erase with
    EXPECT_FALSE(GetUpdateRect(top, &update, 0));
    EXPECT_EQ(Pumped(), Lines{});

    // Validation takes its part away; what is left is still painted.
    InvalidateRect(top, nullptr, 0);
    RECT left{0, 0, 100, 148};
    ValidateRect(top, &left);
    ASSERT_TRUE(GetUpdateRect(top, &update, 0));
    EXPECT_EQ(update, (RECT{100, 0, 198, 148}));
    ValidateRect(top, nullptr);
    EXPECT_EQ(Pumped(), (Lines{"kid WM_PAINT"}));  // the child keeps its own part
}

TEST_F(Painting, ChildrenShareTheParentsInvalidationUnlessItClipsThem) {
    RECT overKid{25, 25, 30, 30};
    InvalidateRect(top, &overKid, 0);
    EXPECT_EQ(Pumped(), (Lines{"top WM_PAINT", "kid WM_PAINT"}));
    EXPECT_EQ(painted, (Lines{"25,25,30,30", "5,5,10,10"}));

    SetWindowLongPtr(top, GWL_STYLE, static_cast<LONG>(GetWindowLongPtr(top, GWL_STYLE)) | WS_CLIPCHILDREN);
    rec.Clear();
    InvalidateRect(top, &overKid, 0);
    EXPECT_EQ(Pumped(), (Lines{"top WM_PAINT"}));
}

TEST_F(Painting, RedrawWindowFlags) {
    struct Case {
        const char* name;
        UINT flags;
        Lines now;     // sent by RedrawWindow itself
        Lines queued;  // when the queue is read afterwards
    };
    const UINT inv = RDW_INVALIDATE;
    const Case cases[] = {
        {"invalidate", inv, {}, {"top WM_PAINT", "kid WM_PAINT"}},
        {"erase", inv | RDW_ERASE, {}, {"top WM_PAINT", "top WM_ERASEBKGND", "kid WM_PAINT", "kid WM_ERASEBKGND"}},
        {"no children", inv | RDW_NOCHILDREN, {}, {"top WM_PAINT"}},
        {"update now", inv | RDW_UPDATENOW | RDW_NOCHILDREN, {"top WM_PAINT"}, {}},
        {"update all now", inv | RDW_UPDATENOW | RDW_ALLCHILDREN, {"top WM_PAINT", "kid WM_PAINT"}, {}},
        {"erase now", inv | RDW_ERASE | RDW_ERASENOW | RDW_NOCHILDREN, {"top WM_ERASEBKGND"}, {"top WM_PAINT"}},
        {"frame", inv | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW | RDW_NOCHILDREN,
         {"top WM_PAINT", "top WM_NCPAINT", "top WM_ERASEBKGND"}, {}},
        {"frame erased now", inv | RDW_FRAME | RDW_ERASENOW | RDW_NOCHILDREN, {"top WM_NCPAINT"}, {"top WM_PAINT"}},
        {"internal paint", RDW_INTERNALPAINT, {}, {"top WM_PAINT"}},
        {"invalidate and no erase", inv | RDW_ERASE | RDW_NOERASE | RDW_NOCHILDREN, {}, {"top WM_PAINT"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RedrawWindow(top, nullptr, nullptr, c.flags);
        EXPECT_EQ(rec.Take(), c.now);
        EXPECT_EQ(Pumped(), c.queued);
    }
    // Validation undoes invalidation and internal paint requests alike.
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ALLCHILDREN);
    RedrawWindow(top, nullptr, nullptr, RDW_VALIDATE | RDW_NOINTERNALPAINT | RDW_ALLCHILDREN);
    EXPECT_EQ(Pumped(), Lines{});
}

TEST_F(Painting, InternalPaintGivesAnEmptyRectangle) {
    RedrawWindow(top, nullptr, nullptr, RDW_INTERNALPAINT);
    Pumped();
    EXPECT_EQ(painted, (Lines{"0,0,0,0"}));
}

TEST_F(Painting, FrameAndEraseRefusalReachBeginPaint) {
    rec.SetHandler([this](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_ERASEBKGND) return 0;  // leaves erasing to WM_PAINT
        if (m != WM_PAINT) return std::nullopt;
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        painted.push_back(Corners(ps.rcPaint) + (ps.fErase ? " erase" : ""));
        EndPaint(h, &ps);
        return 0;
    });
    RECT r{1, 2, 3, 4};
    RedrawWindow(top, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
    Pumped();
    EXPECT_EQ(painted, (Lines{"1,2,3,4 erase"}));
}

TEST_F(Painting, UnansweredPaintDoesNotComeBack) {
    rec.SetHandler([](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_PAINT) return 0;  // neither BeginPaint nor validation
        return std::nullopt;
    });
    InvalidateRect(top, nullptr, 1);
    EXPECT_EQ(Pumped(), (Lines{"top WM_PAINT", "kid WM_PAINT"}));
    EXPECT_EQ(Pumped(), Lines{});
}

TEST_F(Painting, PlacementChangesRepaintWhatTheyUncover) {
    // A top-level window keeps its picture when it moves; growing paints the new part and
    // the frame.
    SetWindowPos(top, nullptr, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(PumpedPaint(), Lines{});
    SetWindowPos(top, nullptr, 0, 0, 250, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(PumpedPaint(), (Lines{"top WM_PAINT", "top WM_NCPAINT", "top WM_ERASEBKGND"}));
    EXPECT_EQ(painted, (Lines{"199,0,248,148 erase"}));

    // A child that moves is painted at its new place and the parent where it was.
    painted.clear();
    SetWindowPos(kid, nullptr, 100, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(PumpedPaint(), (Lines{"top WM_PAINT", "top WM_ERASEBKGND", "kid WM_PAINT", "kid WM_ERASEBKGND"}));
    EXPECT_EQ(painted, (Lines{"20,20,60,50 erase", "0,0,40,30 erase"}));

    // Hiding a child repaints the parent below it.
    painted.clear();
    ShowWindow(kid, SW_HIDE);
    EXPECT_EQ(PumpedPaint(), (Lines{"top WM_PAINT", "top WM_ERASEBKGND"}));
    EXPECT_EQ(painted, (Lines{"100,20,140,50 erase"}));
}

TEST_F(Painting, SetRedrawFreezesAndThawsAWindow) {
    SendMessage(top, WM_SETREDRAW, 0, 0);
    EXPECT_FALSE(IsWindowVisible(top));
    InvalidateRect(top, nullptr, 1);
    EXPECT_EQ(PumpedPaint(), Lines{});
    SendMessage(top, WM_SETREDRAW, 1, 0);
    EXPECT_TRUE(IsWindowVisible(top));
    EXPECT_EQ(PumpedPaint(), Lines{});  // thawing alone paints nothing; the owner asks for it
    rec.Clear();
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_EQ(rec.Take(), (Lines{"top WM_PAINT", "kid WM_PAINT"}));

    // Thawing never shows a window that was hidden before or while frozen.
    ShowWindow(kid, SW_HIDE);
    SendMessage(kid, WM_SETREDRAW, 0, 0);
    SendMessage(kid, WM_SETREDRAW, 1, 0);
    EXPECT_FALSE(IsWindowVisible(kid));
    SendMessage(top, WM_SETREDRAW, 0, 0);
    EXPECT_FALSE(ShowWindow(top, SW_HIDE) == 0);  // it was shown, frozen or not
    EXPECT_TRUE(win::WindowsOnScreen().empty());
    SendMessage(top, WM_SETREDRAW, 1, 0);
    EXPECT_FALSE(IsWindowVisible(top));
}

TEST_F(Painting, GetUpdateRgnAndScrollWindowExReportClientAreas) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    RECT r{5, 5, 15, 15};
    InvalidateRect(top, &r, 0);
    EXPECT_EQ(GetUpdateRgn(top, region, 0), SIMPLEREGION);
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(box, r);
    ValidateRect(top, nullptr);

    // Scrolling up by 10 uncovers the bottom band and moves a pending update along.
    RECT pending{0, 50, 10, 60};
    InvalidateRect(top, &pending, 0);
    RECT uncovered;
    EXPECT_EQ(ScrollWindowEx(top, 0, -10, nullptr, nullptr, region, &uncovered, 0), SIMPLEREGION);
    EXPECT_EQ(uncovered, (RECT{0, 138, 198, 148}));
    RECT update;
    GetUpdateRect(top, &update, 0);
    EXPECT_EQ(update, (RECT{0, 40, 10, 50}));
    DeleteObject(region);
}

TEST_F(Painting, WindowDCsAreKnownUntilReleased) {
    HDC dc = GetDC(top);
    HDC whole = GetWindowDC(kid);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(WindowFromDC(dc), top);
    EXPECT_EQ(WindowFromDC(whole), kid);
    EXPECT_EQ(WindowFromDC(screen), GetDesktopWindow());
    EXPECT_EQ(ReleaseDC(kid, dc), 0);  // not its context
    EXPECT_EQ(ReleaseDC(top, dc), 1);
    EXPECT_EQ(ReleaseDC(top, dc), 0);
    EXPECT_EQ(WindowFromDC(dc), nullptr);
    ReleaseDC(kid, whole);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x1234)), nullptr);
}


// A grandchild reaching past its bordered parent and past the top window's client area, whose
// every way of drawing covers all it can (its own non-client area through GetWindowDC, its
// client through BeginPaint and through GetDC): nothing shows outside the client areas of its
// ancestors, so the borders of both and the rest of the top window stay as they were, on the
// screen and in the window printed with its children.
TEST_F(Painting, ChildrenAreClippedToEveryAncestorsClientArea) {
    // framed: (20, 60)-(80, 100) of top's client area, at (31, 81)-(91, 121) on the screen.
    HWND framed = rec.Create("framed", WS_CHILD | WS_VISIBLE | WS_BORDER, top, {20, 60, 80, 100});
    HWND inner = rec.Create("inner", WS_CHILD | WS_VISIBLE | WS_BORDER, framed, {10, 10, 200, 200});
    const auto paintRed = [](HDC dc, HWND h, bool whole) {
        RECT r{};
        if (whole) GetWindowRect(h, &r), r = {0, 0, r.right - r.left, r.bottom - r.top};
        else GetClientRect(h, &r);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(dc, &r, red);
        DeleteObject(red);
    };
    rec.SetHandler([&](HWND h, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (h != inner) return std::nullopt;
        if (m == WM_PRINTCLIENT) {
            paintRed(reinterpret_cast<HDC>(wp), h, false);
            return 0;
        }
        if (m == WM_NCPAINT) {
            HDC dc = GetWindowDC(h);
            paintRed(dc, h, true);
            ReleaseDC(h, dc);
            return 0;
        }
        if (m == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            paintRed(dc, h, false);
            EndPaint(h, &ps);
            HDC again = GetDC(h);
            paintRed(again, h, false);
            ReleaseDC(h, again);
            return 0;
        }
        return std::nullopt;
    });
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    display.PumpMessages();
    EXPECT_EQ(ScreenPixel(32 + 15, 82 + 15), RGB(255, 0, 0));  // inside framed
    for (int i = 0; i < 60; i += 3) {
        EXPECT_NE(ScreenPixel(32 + i, 120), RGB(255, 0, 0)) << "framed's bottom border at x " << 32 + i;
        EXPECT_NE(ScreenPixel(32 + i, 125), RGB(255, 0, 0)) << "below framed at x " << 32 + i;
        EXPECT_NE(ScreenPixel(90, 82 + i % 38), RGB(255, 0, 0)) << "framed's right border at y " << 82 + i % 38;
    }
    for (int x = 10; x < 210; x += 7) {
        EXPECT_NE(ScreenPixel(x, 169), RGB(255, 0, 0)) << "top's bottom border at x " << x;
        EXPECT_NE(ScreenPixel(x, 175), RGB(255, 0, 0)) << "below the window at x " << x;
    }

    // The same holds for the window printed with its children into a picture.
    HDC picture = CreateCompatibleDC(nullptr);
    HBITMAP bits = CreateBitmap(200, 150, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(picture, bits);
    SendMessage(top, WM_PRINT, reinterpret_cast<WPARAM>(picture), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    EXPECT_EQ(GetPixel(picture, 22 + 15, 62 + 15), RGB(255, 0, 0));  // inside framed
    for (int i = 0; i < 60; i += 3) {
        EXPECT_NE(GetPixel(picture, 22 + i, 100), RGB(255, 0, 0)) << "printed: framed's bottom border at x " << 22 + i;
        EXPECT_NE(GetPixel(picture, 80, 62 + i % 38), RGB(255, 0, 0)) << "printed: framed's right border at y " << 62 + i % 38;
    }
    for (int x = 0; x < 200; x += 7) EXPECT_NE(GetPixel(picture, x, 149), RGB(255, 0, 0)) << "printed: top's border at x " << x;
    SelectObject(picture, old);
    DeleteObject(bits);
    DeleteDC(picture);
    rec.SetHandler({});  // it refers to this test's locals; the windows outlive them
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// Draws the rectangle's outline on the screen context inverted, as an outline drag does.
void InvertOutline(HDC screen, const RECT& r) {
    int oldRop = SetROP2(screen, R2_NOT);
    HGDIOBJ oldBrush = SelectObject(screen, GetStockObject(NULL_BRUSH));
    Rectangle(screen, r.left, r.top, r.right, r.bottom);
    SelectObject(screen, oldBrush);
    SetROP2(screen, oldRop);
}

COLORREF Inverted(COLORREF c) { return c ^ 0x00FFFFFFu; }

TEST_F(Painting, ScreenDrawingStaysAboveTheWindowsUntilDrawnAway) {
    const RECT outline{5, 5, 120, 90};  // its top-left corner over the desktop, its sides over "top"
    COLORREF desktopBefore = ScreenPixel(5, 5);
    COLORREF windowBefore = ScreenPixel(50, 5 + 85 - 1);  // bottom side, over the window's client area

    // The context is held across messages, as a drag holds it; the screen is composed meanwhile.
    HDC screen = GetDC(nullptr);
    InvertOutline(screen, outline);
    EXPECT_EQ(ScreenPixel(5, 5), Inverted(desktopBefore));
    EXPECT_EQ(ScreenPixel(50, 89), Inverted(windowBefore));
    EXPECT_EQ(ScreenPixel(50, 50), windowBefore);  // inside the outline nothing changed

    // A window moving away beneath keeps the outline above what it uncovers.
    SetWindowPos(top, nullptr, 30, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    display.PumpMessages();
    EXPECT_EQ(ScreenPixel(15, 89), Inverted(desktopBefore));

    // Drawn again, it is gone; releasing the context brings nothing back.
    InvertOutline(screen, outline);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(ScreenPixel(5, 5), desktopBefore);
    EXPECT_EQ(ScreenPixel(15, 89), desktopBefore);
    EXPECT_EQ(ScreenPixel(50, 89), windowBefore);
    EXPECT_FALSE(win::ScreenOverlayShown());
}

TEST_F(Painting, AnOutlineDrawnThroughOneContextIsErasedThroughAnother) {
    const RECT outline{40, 40, 100, 100};
    COLORREF before = ScreenPixel(40, 60);
    HDC first = GetDC(nullptr);
    InvertOutline(first, outline);
    ReleaseDC(nullptr, first);
    EXPECT_TRUE(win::ScreenOverlayShown());
    EXPECT_EQ(ScreenPixel(40, 60), Inverted(before));

    HDC second = GetDC(GetDesktopWindow());
    InvertOutline(second, outline);
    ReleaseDC(GetDesktopWindow(), second);
    EXPECT_FALSE(win::ScreenOverlayShown());
    EXPECT_EQ(ScreenPixel(40, 60), before);
}

}  // namespace
}  // namespace parch
