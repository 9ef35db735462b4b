// No peer program exists for the standard controls here: the message sequences and answers
// pinned below are taken from Windows' public documentation of the static control (styles,
// STM_* messages, STN_* notifications, hit-testing), recorded with the message recorder.

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
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

}  // namespace
}  // namespace parch
