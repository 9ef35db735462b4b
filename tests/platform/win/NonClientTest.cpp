#include <gtest/gtest.h>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Regions.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

class NonClient : public test::RecorderTest {
protected:
    // A sizable, captioned window with both bars at (100, 100), 400 x 300: frame 4, caption
    // 23, bars 17, so the client area is (4, 27)-(379, 279) in window coordinates.
    HWND MakeFramed(DWORD extra = 0, DWORD exStyle = 0) {
        return rec.Create("w", WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL | extra, nullptr, {100, 100, 500, 400},
                          exStyle);
    }

    static COLORREF ScreenPixel(int x, int y) {
        HDC screen = GetDC(nullptr);
        COLORREF c = GetPixel(screen, x, y);
        ReleaseDC(nullptr, screen);
        return c;
    }
};

LRESULT HitAt(HWND hwnd, int x, int y) {
    return SendMessage(hwnd, WM_NCHITTEST, 0, MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
}

TEST_F(NonClient, HitTestCodesOfTheStandardFrame) {
    HWND w = MakeFramed();
    struct Case {
        int x, y;
        LRESULT code;
    };
    const Case cases[] = {
        {99, 200, HTNOWHERE},      {100, 200, HTLEFT},       {499, 200, HTRIGHT},        {300, 100, HTTOP},
        {300, 399, HTBOTTOM},      {100, 100, HTTOPLEFT},    {102, 110, HTTOPLEFT},      {499, 100, HTTOPRIGHT},
        {100, 399, HTBOTTOMLEFT},  {499, 399, HTBOTTOMRIGHT}, {300, 115, HTCAPTION},     {110, 115, HTSYSMENU},
        {470, 115, HTCLOSE},       {440, 115, HTMAXBUTTON},  {400, 115, HTMINBUTTON},    {459, 115, HTCAPTION},
        {300, 250, HTCLIENT},      {485, 250, HTVSCROLL},    {300, 385, HTHSCROLL},      {485, 385, HTBOTTOMRIGHT},
    };
    for (const Case& c : cases) EXPECT_EQ(HitAt(w, c.x, c.y), c.code) << c.x << "," << c.y;

    // Maximized, the frame no longer sizes; a fixed frame is a plain border.
    HWND dialog = rec.Create("d", WS_POPUP | WS_CAPTION | WS_SYSMENU, nullptr, {0, 0, 200, 100});
    EXPECT_EQ(HitAt(dialog, 0, 50), HTBORDER);
    EXPECT_EQ(HitAt(dialog, 150, 10), HTCAPTION);  // no minimize or maximize box: no buttons there
    HWND edged = rec.Create("e", WS_POPUP | WS_VSCROLL, nullptr, {0, 200, 100, 300}, WS_EX_CLIENTEDGE);
    EXPECT_EQ(HitAt(edged, 1, 250), HTBORDER);
    EXPECT_EQ(HitAt(edged, 90, 250), HTVSCROLL);
    HWND left = rec.Create("l", WS_POPUP | WS_VSCROLL, nullptr, {300, 0, 400, 100}, WS_EX_LEFTSCROLLBAR);
    EXPECT_EQ(HitAt(left, 305, 50), HTVSCROLL);
    EXPECT_EQ(HitAt(left, 395, 50), HTCLIENT);
}

TEST_F(NonClient, TheCornerBetweenTheBarsSizesOnlyAtTheWindowsOwnCorner) {
    HWND child = rec.Create("c", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_THICKFRAME,
                            MakeFramed(WS_VISIBLE), {0, 0, 200, 100});
    RECT r;
    GetWindowRect(child, &r);
    EXPECT_EQ(HitAt(child, r.right - 10, r.bottom - 10), HTBOTTOMRIGHT);
    SetWindowLongPtr(child, GWL_STYLE, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_BORDER);
    SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    EXPECT_EQ(HitAt(child, r.right - 10, r.bottom - 10), HTGROWBOX);
}

TEST_F(NonClient, ClientAreaFollowsTheStylesAndFrameChanges) {
    HWND w = MakeFramed(0, WS_EX_CLIENTEDGE);
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client, (RECT{0, 0, 400 - 8 - 4 - 17, 300 - 4 - 23 - 4 - 4 - 17}));

    // The bars and the edge go away once the frame is recalculated.
    SetWindowLongPtr(w, GWL_STYLE, WS_OVERLAPPEDWINDOW);
    SetWindowLongPtr(w, GWL_EXSTYLE, WS_EX_STATICEDGE);
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 400 - 8 - 4 - 17);  // not yet
    rec.Clear();
    SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    EXPECT_EQ(rec.Take(), (Lines{"w WM_WINDOWPOSCHANGING", "w WM_NCCALCSIZE 1", "w WM_WINDOWPOSCHANGED", "w WM_MOVE",
                                 "w WM_SIZE 0"}));
    GetClientRect(w, &client);
    EXPECT_EQ(client, (RECT{0, 0, 400 - 8 - 2, 300 - 8 - 23 - 2}));

    // A window too small for a bar keeps the room for its client area.
    HWND tiny = rec.Create("t", WS_POPUP | WS_VSCROLL | WS_HSCROLL, nullptr, {0, 0, 10, 10});
    GetClientRect(tiny, &client);
    EXPECT_EQ(client, (RECT{0, 0, 10, 10}));
}

TEST_F(NonClient, CustomHitTestCodesReachTheMouseMessagesUnchanged) {
    HWND w = rec.Create("w", WS_POPUP | WS_VISIBLE, nullptr, {100, 100, 300, 300});
    rec.SetHandler([](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m != WM_NCHITTEST) return std::nullopt;
        return GET_X_LPARAM(lp) < 200 ? 1000 : HTHELP;
    });
    display.Click(150, 150);
    display.Click(250, 150);
    rec.Clear();
    display.PumpMessages();
    EXPECT_EQ(rec.Take(), (Lines{"w WM_NCMOUSEMOVE ht1000 150,150", "w WM_NCLBUTTONDOWN ht1000 150,150",
                                 "w WM_NCLBUTTONUP ht1000 150,150", "w WM_NCMOUSEMOVE ht21 250,150",
                                 "w WM_NCLBUTTONDOWN ht21 250,150", "w WM_NCLBUTTONUP ht21 250,150"}));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (RECT{100, 100, 300, 300}));  // the defaults did nothing with them
}

TEST_F(NonClient, DefaultFramePixelsOnTheScreen) {
    HWND w = MakeFramed(WS_VISIBLE);
    SetScrollRange(w, SB_VERT, 0, 99, 0);
    SCROLLINFO page;
    page.fMask = SIF_PAGE;
    page.nPage = 25;
    SetScrollInfo(w, SB_VERT, &page, 0);
    display.PumpMessages();
    ASSERT_EQ(GetActiveWindow(), w);
    struct Case {
        int x, y;
        int color;
    };
    // Window coordinates; the window's top-left corner is at (100, 100).
    const Case cases[] = {
        {0, 150, COLOR_3DLIGHT},            // raised outer edge, left
        {1, 150, COLOR_3DHILIGHT},          // raised inner edge, left
        {2, 150, COLOR_ACTIVEBORDER},       // sizing border
        {3, 150, COLOR_ACTIVEBORDER},
        {399, 150, COLOR_3DDKSHADOW},       // raised outer edge, right
        {398, 150, COLOR_3DSHADOW},         // raised inner edge, right
        {200, 5, COLOR_ACTIVECAPTION},      // caption, away from the text
        {200, 25, COLOR_ACTIVECAPTION},
        {387, 70, COLOR_3DFACE},            // vertical thumb: 54 long (a quarter of the track) below the arrow
        {387, 100, COLOR_SCROLLBAR},        // track below it
        {30, 287, COLOR_3DFACE},            // horizontal thumb, as long as the bar is thick
        {200, 287, COLOR_SCROLLBAR},
        {380, 280, COLOR_3DFACE},           // the box between the bars
        {363, 8, COLOR_3DFACE},             // close button face, beside its cross
        {360, 15, COLOR_3DLIGHT},           // and its raised edge
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScreenPixel(100 + c.x, 100 + c.y), GetSysColor(c.color)) << c.x << "," << c.y;
    auto titleInk = [&] {
        int ink = 0;
        for (int y = 104; y < 127; ++y)
            for (int x = 127; x < 160; ++x) ink += ScreenPixel(x, y) == GetSysColor(COLOR_CAPTIONTEXT);
        return ink;
    };
    EXPECT_GT(titleInk(), 0);  // the title "w" right of the system menu box
    SetWindowText(w, "");
    EXPECT_EQ(titleInk(), 0);
    SetWindowText(w, "w");

    // Deactivated, the frame takes the inactive colours.
    HWND other = rec.Create("o", WS_POPUP | WS_VISIBLE, nullptr, {700, 700, 800, 800});
    display.PumpMessages();
    ASSERT_EQ(GetActiveWindow(), other);
    EXPECT_EQ(ScreenPixel(102, 250), GetSysColor(COLOR_INACTIVEBORDER));
    EXPECT_EQ(ScreenPixel(300, 105), GetSysColor(COLOR_INACTIVECAPTION));
}

TEST_F(NonClient, NonClientPaintCoversTheWholeFrameOrJustARegion) {
    HWND w = MakeFramed(WS_VISIBLE);
    display.PumpMessages();
    HDC dc = GetWindowDC(w);
    RECT band{0, 0, 400, 30};
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &band, black);
    DeleteObject(black);
    ReleaseDC(w, dc);
    ASSERT_EQ(ScreenPixel(350, 110), RGB(0, 0, 0));

    HRGN leftHalf = CreateRectRgn(100, 100, 300, 130);  // screen coordinates
    SendMessage(w, WM_NCPAINT, reinterpret_cast<WPARAM>(leftHalf), 0);
    DeleteObject(leftHalf);
    EXPECT_EQ(ScreenPixel(250, 110), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(ScreenPixel(350, 110), RGB(0, 0, 0));

    SendMessage(w, WM_NCPAINT, 1, 0);
    EXPECT_EQ(ScreenPixel(350, 110), GetSysColor(COLOR_ACTIVECAPTION));
}

TEST_F(NonClient, TheFramePrintsIntoAForeignContext) {
    HWND w = rec.Create("w", WS_POPUP | WS_BORDER | WS_VISIBLE, nullptr, {0, 0, 60, 40});
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(80, 60, 1, 32, nullptr);
    SelectObject(dc, bitmap);
    SetViewportOrgEx(dc, 10, 10, nullptr);
    SendMessage(w, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(GetPixel(dc, 10, 30), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(GetPixel(dc, 69, 49), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(GetPixel(dc, 9, 30), RGB(0, 0, 0));   // nothing outside the window
    EXPECT_EQ(GetPixel(dc, 40, 30), RGB(0, 0, 0));  // nor in the client area without PRF_CLIENT
    DeleteDC(dc);
    DeleteObject(bitmap);
}

}  // namespace
}  // namespace parch
