// Message boxes on the real Button and Static classes, against Windows' public documentation
// of MessageBox and MessageBoxIndirect (no peer implementation runs here): each MB_ type's
// buttons, identifiers, texts and order, the default button, what Escape answers, help, the
// modality flags, the creation hook seeing the dialog atom 0x8002, and the stock icons. A box
// is driven from inside its modal loop: a message posted before the call runs the test's
// script once the box is on screen, and keys injected there are read by the box's loop.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/display/PngFile.h"
#include "platform/os/FileTypes.h"
#include "tests/platform/win/ControlTestSupport.h"
#include "tests/platform/win/DialogTestControls.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

struct BoxLook {
    HWND box = nullptr;
    Lines texts;
    std::vector<int> ids;
    int defaultId = 0;  // the button with BS_DEFPUSHBUTTON
    int focusId = 0;
    HICON icon = nullptr;
    DWORD textStyle = 0;
};

BoxLook Look(HWND box) {
    BoxLook look;
    look.box = box;
    look.focusId = GetDlgCtrlID(GetFocus());
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16];
        GetClassName(c, cls, sizeof cls);
        auto style = static_cast<DWORD>(GetWindowLongPtr(c, GWL_STYLE));
        if (std::string(cls) == "Button") {
            look.texts.push_back(win::WindowText(c));
            look.ids.push_back(GetDlgCtrlID(c));
            if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) look.defaultId = GetDlgCtrlID(c);
        } else if ((style & SS_TYPEMASK) == SS_ICON) {
            look.icon = reinterpret_cast<HICON>(SendMessage(c, STM_GETICON, 0, 0));
        } else {
            look.textStyle = style;
        }
    }
    return look;
}

class MessageBoxes : public test::RecorderTest {
protected:
    static constexpr UINT kScript = WM_APP + 7;
    HWND helper = nullptr;
    std::function<void(HWND)> script;
    Lines helpSeen;

    void SetUp() override {
        helper = rec.Create("helper", WS_POPUP);
        rec.SetHandler([this](HWND h, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
            if (h == helper && m == kScript) {
                HWND box = GetActiveWindow();
                if (script) script(box);
                return 0;
            }
            if (m == WM_HELP) {
                auto* info = reinterpret_cast<HELPINFO*>(lp);
                helpSeen.push_back("WM_HELP " + std::to_string(info->dwContextId));
                return 1;
            }
            return std::nullopt;
        });
    }
    void TearDown() override {
        rec.SetHandler(nullptr);
        RecorderTest::TearDown();
    }

    int Show(HWND owner, const char* text, const char* caption, UINT type, std::function<void(HWND)> run) {
        MSGBOXPARAMS p;
        p.hwndOwner = owner;
        p.lpszText = text;
        p.lpszCaption = caption;
        p.dwStyle = type;
        return ShowIndirect(p, std::move(run));
    }
    int ShowIndirect(const MSGBOXPARAMS& params, std::function<void(HWND)> run) {
        script = std::move(run);
        PostMessage(helper, kScript, 0, 0);
        return MessageBoxIndirect(&params);
    }
    // What the box's loop does with a key, without waiting for the loop.
    static void Key(HWND box, UINT key) {
        MSG msg{};
        msg.hwnd = GetFocus();
        msg.message = WM_KEYDOWN;
        msg.wParam = key;
        IsDialogMessage(box, &msg);
    }
};

TEST_F(MessageBoxes, EachTypeHasWindowsButtonsDefaultAndAnswers) {
    struct Case {
        UINT type;
        Lines texts;
        std::vector<int> ids;
        int escapeAnswer;  // 0: Escape does nothing
    };
    const std::vector<Case> cases{
        {MB_OK, {"OK"}, {IDOK}, IDOK},
        {MB_OKCANCEL, {"OK", "Cancel"}, {IDOK, IDCANCEL}, IDCANCEL},
        {MB_ABORTRETRYIGNORE, {"&Abort", "&Retry", "&Ignore"}, {IDABORT, IDRETRY, IDIGNORE}, 0},
        {MB_YESNOCANCEL, {"&Yes", "&No", "Cancel"}, {IDYES, IDNO, IDCANCEL}, IDCANCEL},
        {MB_YESNO, {"&Yes", "&No"}, {IDYES, IDNO}, 0},
        {MB_RETRYCANCEL, {"&Retry", "Cancel"}, {IDRETRY, IDCANCEL}, IDCANCEL},
        {MB_CANCELTRYCONTINUE, {"Cancel", "&Try Again", "&Continue"}, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}, IDCANCEL},
    };
    for (const Case& c : cases) {
        for (UINT def = 0; def < c.ids.size(); ++def) {
            BoxLook look;
            int result = Show(nullptr, "Text", "Caption", c.type | (def << 8), [&](HWND box) {
                look = Look(box);
                // Escape first: where there is no way to cancel, Enter then presses the default.
                display.PressKey(VK_ESCAPE);
                display.PressKey(VK_RETURN);
            });
            EXPECT_EQ(look.texts, c.texts) << c.type;
            EXPECT_EQ(look.ids, c.ids) << c.type;
            EXPECT_EQ(look.defaultId, c.ids[def]) << c.type << " default " << def;
            EXPECT_EQ(look.focusId, c.ids[def]) << c.type << " default " << def;
            EXPECT_EQ(result, c.escapeAnswer ? c.escapeAnswer : c.ids[def]) << c.type << " default " << def;
        }
    }
}

TEST_F(MessageBoxes, HelpButtonTellsTheOwnerOrTheCallback) {
    HWND owner = rec.Create("owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    BoxLook look;
    int result = Show(owner, "Text", "Caption", MB_OKCANCEL | MB_HELP, [&](HWND box) {
        look = Look(box);
        SendDlgItemMessage(box, IDHELP, BM_CLICK, 0, 0);

        EXPECT_TRUE(IsWindowVisible(box));  // help leaves the box open
        display.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(look.texts, (Lines{"OK", "Cancel", "Help"}));
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(helpSeen, (Lines{"WM_HELP 0"}));

    static DWORD_PTR callbackContext = 0;
    MSGBOXPARAMS p;
    p.hwndOwner = owner;
    p.lpszText = "Text";
    p.dwStyle = MB_OK | MB_HELP;
    p.dwContextHelpId = 4711;
    p.lpfnMsgBoxCallback = [](HELPINFO* info) { callbackContext = info->dwContextId; };
    helpSeen.clear();
    result = ShowIndirect(p, [&](HWND box) {
        SendDlgItemMessage(box, IDHELP, BM_CLICK, 0, 0);
        display.PressKey(VK_ESCAPE);  // Enter would press the focused Help button again
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(callbackContext, 4711u);
    EXPECT_TRUE(helpSeen.empty());
}

LRESULT RecordDialogAtom(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) {
        const char* cls = reinterpret_cast<CBT_CREATEWND*>(lp)->lpcs->lpszClass;
        if (cls == WC_DIALOG) test::DialogLog::Add("dialog created");
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(MessageBoxes, TheBoxIsAModalDialogOfTheOwner) {
    test::DialogLog::Take();
    HWND owner = rec.Create("owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND other = rec.Create("other", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetActiveWindow(owner);
    HHOOK hook = SetWindowsHookEx(WH_CBT, &RecordDialogAtom, nullptr, GetCurrentThreadId());
    bool checked = false;
    int result = Show(owner, "Text", "Caption", MB_YESNO | MB_ICONQUESTION, [&](HWND box) {
        EXPECT_EQ(GetWindow(box, GW_OWNER), owner);
        EXPECT_FALSE(IsWindowEnabled(owner));
        EXPECT_TRUE(IsWindowEnabled(other));
        EXPECT_TRUE(GetWindowLongPtr(box, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
        EXPECT_FALSE(GetWindowLongPtr(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
        char title[32];
        GetWindowText(box, title, sizeof title);
        EXPECT_STREQ(title, "Caption");
        checked = true;
        // A click on "No".
        RECT r = test::WindowRect(GetDlgItem(box, IDNO));
        display.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    });
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(checked);
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(test::DialogLog::Take(), (Lines{"dialog created"}));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(MessageBoxes, ModalityAndPlacementFlags) {
    HWND first = rec.Create("first", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND second = rec.Create("second", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Show(nullptr, "Task modal", nullptr, MB_OK | MB_TASKMODAL | MB_TOPMOST | MB_RIGHT, [&](HWND box) {
        EXPECT_FALSE(IsWindowEnabled(first));
        EXPECT_FALSE(IsWindowEnabled(second));
        EXPECT_TRUE(GetWindowLongPtr(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(Look(box).textStyle & SS_TYPEMASK, SS_RIGHT);
        char title[32];
        GetWindowText(box, title, sizeof title);
        EXPECT_STREQ(title, "Error");  // a null caption
        // Centred on the work area.
        RECT r = test::WindowRect(box);
        RECT work = display.WorkArea();
        EXPECT_LE(std::abs((r.left + r.right) - (work.left + work.right)), 1);
        display.PressKey(VK_RETURN);
    });
    EXPECT_TRUE(IsWindowEnabled(first));
    EXPECT_TRUE(IsWindowEnabled(second));
    Show(nullptr, "System modal", "S", MB_OK | MB_SYSTEMMODAL, [&](HWND box) {
        EXPECT_TRUE(GetWindowLongPtr(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
        display.PressKey(VK_RETURN);
    });
    MSGBOXPARAMS bad;
    bad.dwStyle = 9;  // no such button set
    EXPECT_EQ(MessageBoxIndirect(&bad), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MessageBoxIndirect(nullptr), 0);
}

TEST_F(MessageBoxes, CtrlCCopiesTheBox) {
    SetClipboardText("");
    int result = Show(nullptr, "Line one", "Title", MB_OKCANCEL, [&](HWND) {
        display.KeyDown(VK_CONTROL);
        display.PressKey('C');
        display.KeyUp(VK_CONTROL);
        display.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(GetClipboardText(),
              "---------------------------\r\nTitle\r\n---------------------------\r\nLine one\r\n"
              "---------------------------\r\nOK   Cancel   \r\n---------------------------\r\n");
}

TEST_F(MessageBoxes, LongTextWrapsToASensibleWidth) {
    std::string text;
    for (int i = 0; i < 60; ++i) text += "word ";
    RECT box{};
    RECT textRect{};
    Show(nullptr, text.c_str(), "Long", MB_OK | MB_ICONINFORMATION, [&](HWND b) {
        box = test::WindowRect(b);
        textRect = test::WindowRect(GetDlgItem(b, 0xFFFF));
        display.PressKey(VK_RETURN);
    });
    EXPECT_LE(box.right - box.left, 600);
    EXPECT_GT(textRect.bottom - textRect.top, 40);  // several lines
    // The text stands right of the icon.
    EXPECT_GE(textRect.left - box.left, 12 + 32);
}

TEST_F(MessageBoxes, StockIconsAreDrawnAndShared) {
    HICON error = LoadIcon(nullptr, IDI_ERROR);
    ASSERT_TRUE(error);
    EXPECT_EQ(LoadIcon(nullptr, IDI_HAND), error);
    EXPECT_EQ(LoadIcon(nullptr, reinterpret_cast<const char*>(1)), nullptr);
    {
        // The drawn look, which stands in where the icon theme has no dialog icons.
        HICON drawn = win::CreateSystemIcon(IDI_ERROR, 32);
        test::MemoryPicture picture(32, 32, RGB(255, 255, 255));
        ASSERT_TRUE(DrawIconEx(picture.Dc(), 0, 0, drawn, 0, 0, 0, nullptr, DI_NORMAL));
        const COLORREF body = picture.Pixel(6, 24);
        EXPECT_TRUE(GetRValue(body) > 150 && GetGValue(body) < 100) << std::hex << body;
        EXPECT_EQ(picture.Pixel(0, 0), RGB(255, 255, 255));  // the corner stays transparent
        DestroyIcon(drawn);
    }
    struct Case {
        UINT type;
        const char* idi;
        const char* themeName;
    };
    for (const Case& c : {Case{MB_ICONERROR, IDI_ERROR, "dialog-error"}, Case{MB_ICONQUESTION, IDI_QUESTION, "dialog-question"},
                          Case{MB_ICONWARNING, IDI_WARNING, "dialog-warning"},
                          Case{MB_ICONINFORMATION, IDI_INFORMATION, "dialog-information"}}) {
        // The stock icon is the theme's picture where the theme has one.
        HICON stock = LoadIcon(nullptr, c.idi);
        IconImage shown;
        ASSERT_TRUE(GetIconImage(stock, shown));
        if (HICON themed = win::CreateThemedSystemIcon(FileTypes::System().Icons(), c.idi, 32)) {
            IconImage expected;
            ASSERT_TRUE(GetIconImage(themed, expected));
            EXPECT_EQ(shown.color, expected.color) << c.themeName;
            DestroyIcon(themed);
        }
        // The box shows it: an opaque pixel of the icon appears on the screen.
        std::size_t opaque = shown.color.size() / 2;
        while (opaque < shown.color.size() && (shown.color[opaque] >> 24) != 0xFF) ++opaque;
        ASSERT_LT(opaque, shown.color.size());
        const int ox = static_cast<int>(opaque % static_cast<std::size_t>(shown.width));
        const int oy = static_cast<int>(opaque / static_cast<std::size_t>(shown.width));
        const std::uint32_t bgra = shown.color[opaque];
        BoxLook look;
        COLORREF body = 0;
        Show(nullptr, "Something happened.", "Icon", MB_OK | c.type, [&](HWND box) {
            look = Look(box);
            UpdateWindow(box);
            test::ScreenShot shot;
            RECT icon = test::WindowRect(GetDlgItem(box, 20));
            body = shot.Pixel(icon.left + ox, icon.top + oy);
            display.PressKey(VK_RETURN);
        });
        EXPECT_EQ(look.icon, stock) << c.type;
        EXPECT_EQ(body, RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF)) << c.type << " " << std::hex << body;
    }
    BoxLook plain;
    Show(nullptr, "No icon", "Plain", MB_OK, [&](HWND box) {
        plain = Look(box);
        display.PressKey(VK_RETURN);
    });
    EXPECT_EQ(plain.icon, nullptr);
}

TEST_F(MessageBoxes, PicturesOfBoxesAndATemplateDialog) {
    // Saved for a look at the classic layout; the checks keep the pictures from being blank.
    struct Case {
        UINT type;
        const char* name;
        const char* text;
    };
    for (const Case& c : {Case{MB_OK | MB_ICONERROR, "msgbox-error", "The file could not be opened."},
                          Case{MB_YESNOCANCEL | MB_ICONQUESTION, "msgbox-question", "Save the list before closing?"},
                          Case{MB_OKCANCEL | MB_ICONWARNING, "msgbox-warning",
                               "Newer Parchwise available!\r\nVersion number: 2.10\r\n\r\nWould you like to upgrade now?"},
                          Case{MB_OK | MB_ICONINFORMATION | MB_HELP, "msgbox-information", "All documents were extracted."}}) {
        Show(nullptr, c.text, "Parchwise", c.type, [&](HWND box) {
            UpdateWindow(box);
            EXPECT_TRUE(SaveWindowPng(box, ::testing::TempDir() + c.name + ".png")) << c.name;
            RECT client;
            GetClientRect(box, &client);
            EXPECT_LT(test::CountPixels(box, client, GetSysColor(COLOR_3DFACE)), client.right * client.bottom);
            display.PressKey(VK_RETURN);
        });
    }
    DialogTemplateBuilder b(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_CENTER, 0,
                            {0, 0, 200, 96}, "Page range");
    b.Font(8, "MS Shell Dlg");
    b.AddItem(kDialogClassButton, WS_VISIBLE | BS_GROUPBOX, {7, 4, 193, 60}, 100, "Pages");
    b.AddItem(kDialogClassButton, WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, {14, 16, 90, 26}, 101, "&All");
    b.AddItem(kDialogClassButton, WS_VISIBLE | BS_AUTORADIOBUTTON, {14, 30, 90, 40}, 102, "&From page:");
    b.AddItem(kDialogClassStatic, WS_VISIBLE | SS_LEFT, {96, 31, 186, 41}, 103, "1 to 12");
    b.AddItem(kDialogClassButton, WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, {14, 44, 150, 54}, 104,
              "&Separate pages");
    b.AddItem(kDialogClassButton, WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, {89, 72, 139, 86}, IDOK, "OK");
    b.AddItem(kDialogClassButton, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, {143, 72, 193, 86}, IDCANCEL, "Cancel");
    std::vector<BYTE> bytes = b.Build();
    HWND dlg = CreateDialogIndirectParam(nullptr, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), bytes.size(),
                                         nullptr, nullptr, 0);
    ASSERT_TRUE(dlg);
    CheckRadioButton(dlg, 101, 102, 101);
    CheckDlgButton(dlg, 104, BST_CHECKED);
    display.PumpMessages();
    EXPECT_TRUE(SaveWindowPng(dlg, ::testing::TempDir() + "dialog-template.png"));
    EXPECT_EQ(IsDlgButtonChecked(dlg, 101), 1u);
}

}  // namespace
}  // namespace parch
