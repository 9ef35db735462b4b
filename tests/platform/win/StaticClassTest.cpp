// No peer program exists for the standard controls here: the message sequences and answers
// pinned below are taken from Windows' public documentation of the static control (styles,
// STM_* messages, STN_* notifications, hit-testing), recorded with the message recorder.

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/Regions.h"
#include "platform/win/WinApi.h"
#include "tests/platform/win/ControlTestSupport.h"

namespace parch {
namespace {

using test::Lines;
using test::MemoryPicture;

class StaticControl : public test::ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        codeNames = {{STN_CLICKED, "STN_CLICKED"}, {STN_DBLCLK, "STN_DBLCLK"}, {STN_ENABLE, "STN_ENABLE"},
                     {STN_DISABLE, "STN_DISABLE"}};
        logged = {{WM_LBUTTONDOWN, "WM_LBUTTONDOWN"}, {WM_LBUTTONUP, "WM_LBUTTONUP"},
                  {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"}, {WM_ENABLE, "WM_ENABLE"}};
    }
};

// Every button and static style side by side, saved as a picture for a person to look at; each
// control must have drawn something other than the face colour.
TEST_F(StaticControl, GalleryOfEveryStyleDrawsEachControl) {
    struct Item {
        const char* cls;
        const char* text;
        DWORD style;
        RECT r;
    };
    const Item items[] = {
        {"Button", "&Push", BS_PUSHBUTTON, {10, 10, 90, 35}},
        {"Button", "Default", BS_DEFPUSHBUTTON, {100, 10, 180, 35}},
        {"Button", "Flat", BS_PUSHBUTTON | BS_FLAT, {190, 10, 270, 35}},
        {"Button", "Disabled", BS_PUSHBUTTON | WS_DISABLED, {280, 10, 360, 35}},
        {"Button", "&Check box", BS_AUTOCHECKBOX, {10, 45, 120, 65}},
        {"Button", "Left text", BS_AUTOCHECKBOX | BS_LEFTTEXT, {130, 45, 240, 65}},
        {"Button", "Three-state", BS_AUTO3STATE, {250, 45, 370, 65}},
        {"Button", "Radio one", BS_AUTORADIOBUTTON | WS_GROUP, {10, 70, 120, 90}},
        {"Button", "Radio two", BS_AUTORADIOBUTTON, {130, 70, 240, 90}},
        {"Button", "Push-like", BS_AUTOCHECKBOX | BS_PUSHLIKE, {250, 70, 370, 95}},
        {"Button", "Group", BS_GROUPBOX, {10, 100, 190, 170}},
        {"Button", "A longer caption that wraps onto two lines", BS_AUTOCHECKBOX | BS_MULTILINE, {20, 120, 180, 160}},
        {"Static", "Left text that wraps at the edge of the static", SS_LEFT, {200, 100, 300, 140}},
        {"Static", "Centred", SS_CENTER | SS_SUNKEN, {310, 100, 390, 120}},
        {"Static", "Right", SS_RIGHT, {310, 125, 390, 145}},
        {"Static", "", SS_ETCHEDFRAME, {10, 180, 90, 230}},
        {"Static", "", SS_ETCHEDHORZ, {100, 180, 190, 182}},
        {"Static", "", SS_BLACKRECT, {100, 190, 120, 210}},
        {"Static", "", SS_GRAYFRAME, {130, 190, 150, 210}},
        {"Static", "", SS_WHITERECT, {160, 190, 180, 210}},
        {"Static", "C:/a/long/path/to/some/file.pdf", SS_LEFT | SS_PATHELLIPSIS, {200, 180, 330, 200}},
        {"Static", "Disabled static", SS_LEFT | WS_DISABLED, {200, 210, 330, 230}},
    };
    std::vector<HWND> made;
    int id = 100;
    for (const Item& item : items) made.push_back(Make(item.cls, item.text, item.style, item.r, id++));
    SendMessage(made[5], BM_SETCHECK, BST_CHECKED, 0);
    SendMessage(made[6], BM_SETCHECK, BST_INDETERMINATE, 0);
    SendMessage(made[7], BM_SETCHECK, BST_CHECKED, 0);
    SendMessage(made[9], BM_SETCHECK, BST_CHECKED, 0);
    SetFocus(made[4]);
    Pump();
    EXPECT_TRUE(SaveWindowPng(parent, ::testing::TempDir() + "controls-gallery.png"));
    for (std::size_t i = 0; i < made.size(); ++i) {
        RECT client;
        GetClientRect(made[i], &client);
        const int area = client.right * client.bottom;
        EXPECT_LT(test::CountPixels(made[i], client, GetSysColor(COLOR_3DFACE)), area) << items[i].text << " " << i;
    }
}


TEST_F(StaticControl, TransparentToTheMouseUnlessNotify) {
    HWND plain = Make("Static", "plain", SS_LEFT, {10, 10, 110, 30}, 1);
    HWND notify = Make("Static", "notify", SS_LEFT | SS_NOTIFY, {10, 40, 110, 60}, 2);
    EXPECT_EQ(SendMessage(plain, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
    EXPECT_EQ(SendMessage(notify, WM_NCHITTEST, 0, 0), HTCLIENT);
    EXPECT_EQ(WindowFromPoint(ScreenPointOf(plain, 5, 5)), parent);
    EXPECT_EQ(WindowFromPoint(ScreenPointOf(notify, 5, 5)), notify);
    Pump();
    const POINT p = ScreenPointOf(plain, 5, 5);
    display.Click(p.x, p.y);
    EXPECT_EQ(Pump(), Lines{});  // the click went to the parent
}

TEST_F(StaticControl, NotifyStyleReportsClicksDoubleClicksAndEnabling) {
    struct Case {
        DWORD style;
        Lines expected;
    };
    const Case cases[] = {
        {SS_LEFT, {}},
        {SS_LEFT | SS_NOTIFY,
         {"Static5 WM_LBUTTONDOWN", "parent STN_CLICKED 5", "Static5 WM_LBUTTONUP", "Static5 WM_LBUTTONDBLCLK",
          "parent STN_DBLCLK 5", "Static5 WM_LBUTTONUP", "Static5 WM_ENABLE", "parent STN_DISABLE 5",
          "Static5 WM_ENABLE", "parent STN_ENABLE 5"}},
    };
    for (const Case& c : cases) {
        HWND s = Make("Static", "text", c.style, {10, 10, 110, 30}, 5);
        Pump();
        const POINT p = ScreenPointOf(s, 5, 5);
        display.DoubleClick(p.x, p.y);
        Lines lines = Pump();
        EnableWindow(s, 0);
        EnableWindow(s, 1);
        for (const std::string& line : Pump()) lines.push_back(line);
        if (!(c.style & SS_NOTIFY)) {
            // Without SS_NOTIFY the mouse never reaches it; enabling tells nobody.
            std::erase_if(lines, [](const std::string& line) { return line == "Static5 WM_ENABLE"; });
        }
        EXPECT_EQ(lines, c.expected) << "style " << c.style;
        DestroyWindow(s);
        display.AdvanceTime(1000);
    }
}

TEST_F(StaticControl, TextIsDrawnInTheFontItWasGiven) {
    auto inkHeight = [&](HFONT font) {
        HWND s = Make("Static", "Hg", SS_LEFT, {10, 10, 110, 70}, 1);
        SendMessage(s, WM_SETFONT, reinterpret_cast<WPARAM>(font), 1);
        EXPECT_EQ(SendMessage(s, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
        Pump();
        const test::ScreenShot shot;
        int top = 100;
        int bottom = -1;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 100; ++x)
                if (shot.ClientPixel(s, x, y) != GetSysColor(COLOR_3DFACE)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        DestroyWindow(s);
        Pump();
        return bottom - top;
    };
    HFONT big = CreateFont(-40, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    const int withDefault = inkHeight(nullptr);  // the default GUI font
    EXPECT_GT(withDefault, 5);
    EXPECT_GT(inkHeight(big), 2 * withDefault);
    DeleteObject(big);
}

TEST_F(StaticControl, NewTextIsPainted) {
    HWND s = Make("Static", "", SS_LEFT, {10, 10, 110, 30}, 1);
    Pump();
    RECT client;
    GetClientRect(s, &client);
    const int area = client.right * client.bottom;
    EXPECT_EQ(test::CountPixels(s, client, GetSysColor(COLOR_3DFACE)), area);
    SetWindowText(s, "Some text");
    Pump();
    EXPECT_LT(test::CountPixels(s, client, GetSysColor(COLOR_3DFACE)), area - 20);
    SetWindowText(s, "");
    Pump();
    EXPECT_EQ(test::CountPixels(s, client, GetSysColor(COLOR_3DFACE)), area);
}

// Where the ink of a one-line text falls: its leftmost and rightmost columns.
std::pair<int, int> InkColumns(HWND h, int width, int height) {
    const test::ScreenShot shot;
    int left = width;
    int right = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (shot.ClientPixel(h, x, y) != GetSysColor(COLOR_3DFACE)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

TEST_F(StaticControl, TextAlignmentFollowsTheStyle) {
    struct Case {
        DWORD style;
        int minLeft;
        int maxLeft;
    };
    const Case cases[] = {{SS_LEFT, 0, 1}, {SS_SIMPLE, 0, 1}, {SS_LEFTNOWORDWRAP, 0, 1}, {SS_CENTER, 60, 90},
                          {SS_RIGHT, 130, 180}};
    for (const Case& c : cases) {
        HWND s = Make("Static", "Label", c.style, {10, 10, 210, 30}, 1);
        Pump();
        const auto [left, right] = InkColumns(s, 200, 20);
        EXPECT_GE(left, c.minLeft) << "style " << c.style;
        EXPECT_LE(left, c.maxLeft) << "style " << c.style;
        if (c.style == SS_RIGHT) {
            EXPECT_GE(right, 195);
        }
        DestroyWindow(s);
    }
}

TEST_F(StaticControl, PrefixesEllipsesAndWrapping) {
    auto inkWidth = [&](const char* text, DWORD style) {
        HWND s = Make("Static", text, style, {10, 10, 210, 50}, 1);
        Pump();
        const auto [left, right] = InkColumns(s, 200, 40);
        DestroyWindow(s);
        return right - left;
    };
    // "&&" is one '&' with prefixes; SS_NOPREFIX shows both.
    EXPECT_GT(inkWidth("a&&b", SS_LEFT | SS_NOPREFIX), inkWidth("a&&b", SS_LEFT));
    auto inkRows = [&](const char* text, DWORD style) {
        HWND s = Make("Static", text, style, {10, 10, 70, 70}, 1);
        Pump();
        const test::ScreenShot shot;
        int rows = 0;
        for (int y = 0; y < 60; ++y) {
            bool ink = false;
            for (int x = 0; x < 60; ++x) ink |= shot.ClientPixel(s, x, y) != GetSysColor(COLOR_3DFACE);
            rows += ink;
        }
        DestroyWindow(s);
        return rows;
    };
    const char* longText = "several words that cannot fit on one line";
    const int wrapped = inkRows(longText, SS_LEFT);
    EXPECT_GT(wrapped, 2 * inkRows(longText, SS_LEFT | SS_ENDELLIPSIS));
    EXPECT_GT(wrapped, 2 * inkRows(longText, SS_LEFTNOWORDWRAP));
}

TEST_F(StaticControl, RectanglesFramesAndEtchedLines) {
    struct Case {
        DWORD style;
        POINT at;
        int color;  // system colour expected there
    };
    const Case cases[] = {
        {SS_BLACKRECT, {10, 10}, COLOR_WINDOWFRAME}, {SS_GRAYRECT, {10, 10}, COLOR_BACKGROUND},
        {SS_WHITERECT, {10, 10}, COLOR_WINDOW},      {SS_BLACKFRAME, {0, 10}, COLOR_WINDOWFRAME},
        {SS_BLACKFRAME, {10, 10}, COLOR_3DFACE},     {SS_WHITEFRAME, {19, 19}, COLOR_WINDOW},
        {SS_ETCHEDHORZ, {10, 0}, COLOR_3DSHADOW},    {SS_ETCHEDHORZ, {10, 1}, COLOR_3DHILIGHT},
        {SS_ETCHEDVERT, {0, 10}, COLOR_3DSHADOW},    {SS_ETCHEDVERT, {1, 10}, COLOR_3DHILIGHT},
    };
    for (const Case& c : cases) {
        HWND s = Make("Static", "", c.style, {10, 10, 30, 30}, 1);
        Pump();
        EXPECT_EQ(test::ScreenShot().ClientPixel(s, c.at.x, c.at.y), GetSysColor(c.color)) << "style " << c.style;
        DestroyWindow(s);
        Pump();
    }
}

// The etched frame is DrawEdge's: every pixel equals an EDGE_ETCHED rectangle drawn in memory
// over the face colour.
TEST_F(StaticControl, EtchedFrameIsTheEtchedEdge) {
    HWND s = Make("Static", "", SS_ETCHEDFRAME, {10, 10, 90, 50}, 1);
    Pump();
    MemoryPicture expected(80, 40, GetSysColor(COLOR_3DFACE));
    RECT r{0, 0, 80, 40};
    DrawEdge(expected.Dc(), &r, EDGE_ETCHED, BF_RECT);
    EXPECT_EQ(test::CompareClientWithPicture(s, expected), "");
}

TEST_F(StaticControl, PrintClientGivesThePaintedPixels) {
    const DWORD styles[] = {SS_LEFT, SS_CENTER | SS_CENTERIMAGE, SS_RIGHT | WS_DISABLED, SS_BLACKRECT, SS_WHITERECT};
    for (DWORD style : styles) {
        HWND s = Make("Static", "Print &me", style, {10, 10, 110, 40}, 1);
        Pump();
        MemoryPicture printed(100, 30);
        SendMessage(s, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.Dc()), PRF_CLIENT);
        EXPECT_EQ(test::CompareClientWithPicture(s, printed), "") << "style " << style;
        DestroyWindow(s);
    }
}

TEST_F(StaticControl, SunkenIsTheStaticEdge) {
    HWND s = Make("Static", "x", SS_LEFT | SS_SUNKEN, {10, 10, 110, 40}, 1);
    EXPECT_TRUE(GetWindowLongPtr(s, GWL_EXSTYLE) & WS_EX_STATICEDGE);
    RECT client;
    GetClientRect(s, &client);
    EXPECT_EQ(client.right, 98);
}

TEST_F(StaticControl, OwnerDrawGetsItsDrawItemRecord) {
    HWND s = Make("Static", "", SS_OWNERDRAW, {10, 10, 110, 40}, 4);
    Pump();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].CtlType, ODT_STATIC);
    EXPECT_EQ(drawn[0].CtlID, 4u);
    EXPECT_EQ(drawn[0].itemAction, ODA_DRAWENTIRE);
    EXPECT_EQ(drawn[0].itemState, 0u);
    EXPECT_EQ(drawn[0].hwndItem, s);
    EXPECT_NE(drawn[0].hDC, nullptr);
    EXPECT_EQ(drawn[0].rcItem.right, 100);
    EXPECT_EQ(drawn[0].rcItem.bottom, 30);
    drawn.clear();
    EnableWindow(s, 0);
    Pump();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].itemState, ODS_DISABLED);
}

// A bitmap of 10 x 6: red with a green top-left pixel.
HBITMAP MakeTestBitmap() {
    HBITMAP bitmap = CreateBitmap(10, 6, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 10, 6};
    HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
    FillRect(dc, &all, red);
    DeleteObject(red);
    SetPixel(dc, 0, 0, RGB(0, 200, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

TEST_F(StaticControl, ImagesAreTakenOnlyByTheirKindOfStatic) {
    HBITMAP bitmap = MakeTestBitmap();
    HICON icon = test::MakeSolidIcon(8, 8, RGB(0, 0, 200));
    HWND text = Make("Static", "", SS_LEFT, {0, 0, 50, 50}, 1);
    HWND image = Make("Static", "", SS_BITMAP, {0, 0, 50, 50}, 2);
    HWND iconic = Make("Static", "", SS_ICON | SS_REALSIZEIMAGE, {0, 0, 50, 50}, 3);
    EXPECT_EQ(SendMessage(text, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)), 0);
    EXPECT_EQ(SendMessage(text, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    EXPECT_EQ(SendMessage(image, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(SendMessage(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)), 0);
    EXPECT_EQ(SendMessage(image, STM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(bitmap));
    EXPECT_EQ(SendMessage(image, STM_SETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(bitmap));
    EXPECT_EQ(SendMessage(iconic, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0), 0);
    EXPECT_EQ(SendMessage(iconic, STM_GETICON, 0, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(SendMessage(iconic, STM_GETIMAGE, IMAGE_ICON, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(SendMessage(iconic, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    EXPECT_EQ(SendMessage(iconic, STM_SETIMAGE, IMAGE_ICON, 0), reinterpret_cast<LRESULT>(icon));
    DeleteObject(bitmap);
    DestroyIcon(icon);
}

// An icon static takes the icon's size unless told to keep its own, and shows the icon there.
TEST_F(StaticControl, IconStaticsShowTheirIcon) {
    HICON icon = test::MakeSolidIcon(8, 8, RGB(0, 0, 200));
    HWND fitted = Make("Static", "", SS_ICON, {10, 10, 60, 60}, 1);
    HWND centred = Make("Static", "", SS_ICON | SS_CENTERIMAGE, {100, 10, 140, 50}, 2);
    for (HWND h : {fitted, centred}) SendMessage(h, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    Pump();
    RECT r;
    GetClientRect(fitted, &r);
    EXPECT_EQ(r.right, 8);
    EXPECT_EQ(r.bottom, 8);
    EXPECT_EQ(test::CountPixels(fitted, r, RGB(0, 0, 200)), 64);
    GetClientRect(centred, &r);
    EXPECT_EQ(r.right, 40);
    EXPECT_EQ(test::CountPixels(centred, r, RGB(0, 0, 200)), 64);
    const test::ScreenShot shot;
    EXPECT_EQ(shot.ClientPixel(centred, 16, 16), RGB(0, 0, 200));  // (40 - 8) / 2
    EXPECT_NE(shot.ClientPixel(centred, 15, 15), RGB(0, 0, 200));
    for (HWND h : {fitted, centred}) SendMessage(h, STM_SETICON, 0, 0);
    DestroyIcon(icon);
}

TEST_F(StaticControl, BitmapPlacementBySizeStyles) {
    HBITMAP bitmap = MakeTestBitmap();
    const COLORREF red = RGB(200, 0, 0);
    const COLORREF green = RGB(0, 200, 0);
    // Plain: the static takes the bitmap's size and shows it at its top-left.
    HWND plain = Make("Static", "", SS_BITMAP, {10, 10, 60, 60}, 1);
    SendMessage(plain, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    RECT r;
    GetClientRect(plain, &r);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(r.bottom, 6);
    // Centred: keeps its size; the rest takes the colour of the bitmap's top-left pixel.
    HWND centred = Make("Static", "", SS_BITMAP | SS_CENTERIMAGE, {10, 80, 60, 130}, 2);
    SendMessage(centred, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    // Stretched to the control.
    HWND stretched = Make("Static", "", SS_BITMAP | SS_REALSIZECONTROL, {100, 10, 140, 30}, 3);
    SendMessage(stretched, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    Pump();
    const test::ScreenShot shot;
    EXPECT_EQ(shot.ClientPixel(plain, 0, 0), green);
    EXPECT_EQ(shot.ClientPixel(plain, 9, 5), red);
    GetClientRect(centred, &r);
    EXPECT_EQ(r.right, 50);
    EXPECT_EQ(shot.ClientPixel(centred, 20, 22), green);  // (50 - 10) / 2, (50 - 6) / 2
    EXPECT_EQ(shot.ClientPixel(centred, 21, 23), red);
    EXPECT_EQ(shot.ClientPixel(centred, 2, 2), green);
    EXPECT_EQ(shot.ClientPixel(centred, 45, 45), green);
    GetClientRect(stretched, &r);
    EXPECT_EQ(r.right, 40);
    EXPECT_EQ(shot.ClientPixel(stretched, 39, 19), red);
    EXPECT_EQ(shot.ClientPixel(stretched, 1, 1), green);
    for (HWND h : {plain, centred, stretched}) SendMessage(h, STM_SETIMAGE, IMAGE_BITMAP, 0);
    DeleteObject(bitmap);
}

}  // namespace
}  // namespace parch
