// The dialog keyboard as Windows' public documentation of IsDialogMessage and WM_GETDLGCODE
// describes it (no peer implementation runs here): Tab and Shift+Tab over WS_TABSTOP controls,
// arrows within a WS_GROUP group with radio buttons clicked as they get the focus, Enter and
// Escape as WM_COMMAND, mnemonics, the keys a control keeps through WM_GETDLGCODE, and the
// GetDlgItem family. Keys are injected as a user types them; the test controls log what they get.

#include <gtest/gtest.h>

#include "tests/platform/win/DialogTestControls.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;
using test::DialogLog;

class DialogNavigation : public test::DialogTest {
protected:
    HWND dlg = nullptr;

    // A modeless dialog's loop: every message goes through IsDialogMessage first.
    void Pump() {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessage(dlg, &msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        }
    }
    void Press(UINT key, UINT modifier = 0) {
        if (modifier) display.KeyDown(modifier);
        display.PressKey(key);
        if (modifier) display.KeyUp(modifier);
        Pump();
    }
    int FocusId() { return GetDlgCtrlID(GetFocus()); }
    // Commands are only logged: the dialog stays.
    void TestDialogProcNoEnd() {
        test::TestDialogProc::Current() = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<INT_PTR> {
            if (m == WM_COMMAND) return 1;
            return std::nullopt;
        };
    }
    // The commands the dialog got since the last look.
    Lines Commands() {
        Lines out;
        for (const std::string& line : DialogLog::Take())
            if (line.rfind("dlg WM_COMMAND", 0) == 0) out.push_back(line.substr(4));
        return out;
    }
};

DialogTemplateBuilder Form() {
    DialogTemplateBuilder b(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, {10, 10, 250, 150}, "Form");
    b.Font(8, "MS Shell Dlg");
    b.AddItem("TestLabel", WS_VISIBLE, {5, 5, 40, 15}, 13, "&Name:");
    b.AddItem("TestEdit", WS_VISIBLE | WS_TABSTOP | WS_GROUP, {50, 5, 150, 15}, 10, "");
    b.AddItem("TestButton", WS_TABSTOP, {5, 20, 40, 30}, 11, "hidden");
    b.AddItem("TestButton", WS_VISIBLE | WS_TABSTOP | WS_DISABLED, {5, 35, 40, 45}, 12, "disabled");
    b.AddItem("TestButton", WS_VISIBLE | WS_TABSTOP | WS_GROUP | test::kAutoRadio, {5, 50, 40, 60}, 20, "one");
    b.AddItem("TestButton", WS_VISIBLE | test::kAutoRadio, {5, 60, 40, 70}, 21, "two");
    b.AddItem("TestButton", WS_VISIBLE | test::kAutoRadio, {5, 70, 40, 80}, 22, "three");
    b.AddItem("TestButton", WS_VISIBLE | WS_TABSTOP | WS_GROUP | test::kPush, {5, 90, 40, 100}, 40, "&Apply");
    b.AddItem("TestButton", WS_VISIBLE | WS_TABSTOP | test::kDefPush, {50, 120, 90, 134}, IDOK, "OK");
    b.AddItem("TestButton", WS_VISIBLE | WS_TABSTOP | test::kPush, {100, 120, 140, 134}, IDCANCEL, "Cancel");
    return b;
}

TEST_F(DialogNavigation, TabWalksTheTabStopsSkippingHiddenAndDisabledOnes) {
    dlg = Create(Form());
    ASSERT_EQ(FocusId(), 10);
    std::vector<int> forward, backward;
    for (int i = 0; i < 5; ++i) {
        Press(VK_TAB);
        forward.push_back(FocusId());
    }
    for (int i = 0; i < 5; ++i) {
        Press(VK_TAB, VK_SHIFT);
        backward.push_back(FocusId());
    }
    EXPECT_EQ(forward, (std::vector<int>{20, 40, IDOK, IDCANCEL, 10}));
    EXPECT_EQ(backward, (std::vector<int>{IDCANCEL, IDOK, 40, 20, 10}));
    EXPECT_EQ(GetNextDlgTabItem(dlg, nullptr, 0), GetDlgItem(dlg, 10));
    EXPECT_EQ(GetNextDlgTabItem(dlg, nullptr, 1), GetDlgItem(dlg, IDCANCEL));
}

TEST_F(DialogNavigation, TabFocusSelectsAnEditsTextAndMovesTheDefaultLook) {
    dlg = Create(Form());
    SendMessage(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, IDCANCEL)), 1);
    DialogLog::Take();
    Press(VK_TAB);
    EXPECT_EQ(DialogLog::Take(),
              (Lines{"10 EM_SETSEL", "2 WM_KILLFOCUS", "10 WM_SETFOCUS", "2 BM_SETSTYLE 0", "1 BM_SETSTYLE 1"}));
    Press(VK_TAB);  // to the first radio button: not a push button, the default look stays
    Press(VK_TAB);  // to "Apply": it takes the default look
    EXPECT_EQ(GetWindowLongPtr(GetDlgItem(dlg, 40), GWL_STYLE) & 0xF, static_cast<LONG_PTR>(test::kDefPush));
    EXPECT_EQ(GetWindowLongPtr(GetDlgItem(dlg, IDOK), GWL_STYLE) & 0xF, static_cast<LONG_PTR>(test::kPush));
}

TEST_F(DialogNavigation, ArrowsMoveWithinTheGroupAndClickRadioButtons) {
    dlg = Create(Form());
    SetFocus(GetDlgItem(dlg, 20));
    struct Step {
        UINT key;
        int focus;
        int checked;
    };
    for (const Step& s : {Step{VK_DOWN, 21, 21}, Step{VK_RIGHT, 22, 22}, Step{VK_DOWN, 20, 20}, Step{VK_UP, 22, 22},
                          Step{VK_LEFT, 21, 21}}) {
        Press(s.key);
        EXPECT_EQ(FocusId(), s.focus) << "key " << s.key;
        for (int id : {20, 21, 22}) EXPECT_EQ(IsDlgButtonChecked(dlg, id), id == s.checked ? 1u : 0u) << id;
    }
    // The edit keeps the arrows.
    SetFocus(GetDlgItem(dlg, 10));
    DialogLog::Take();
    Press(VK_DOWN);
    EXPECT_EQ(FocusId(), 10);
    EXPECT_EQ(DialogLog::Take(), (Lines{"10 WM_KEYDOWN " + std::to_string(VK_DOWN)}));
}

TEST_F(DialogNavigation, EnterAndEscapeBecomeCommands) {
    dlg = Create(Form());
    TestDialogProcNoEnd();
    struct Case {
        int focus;
        UINT key;
        std::string command;
    };
    for (const Case& c : {Case{10, VK_RETURN, "WM_COMMAND 1 0"}, Case{IDCANCEL, VK_RETURN, "WM_COMMAND 2 0"},
                          Case{40, VK_RETURN, "WM_COMMAND 40 0"}, Case{20, VK_RETURN, "WM_COMMAND 1 0"},
                          Case{10, VK_ESCAPE, "WM_COMMAND 2 0"}}) {
        SetFocus(GetDlgItem(dlg, c.focus));
        DialogLog::Take();
        Press(c.key);
        EXPECT_EQ(Commands(), (Lines{c.command})) << "focus " << c.focus << " key " << c.key;
    }
    // A disabled default button is not pressed.
    EnableWindow(GetDlgItem(dlg, IDOK), 0);
    SetFocus(GetDlgItem(dlg, 10));
    DialogLog::Take();
    Press(VK_RETURN);
    EXPECT_TRUE(Commands().empty());
}

TEST_F(DialogNavigation, ControlsKeepTheKeysTheyAskFor) {
    dlg = Create(Form());
    TestDialogProcNoEnd();
    HWND edit = GetDlgItem(dlg, 10);
    SetFocus(edit);
    SetProp(edit, "wants", reinterpret_cast<void*>(DLGC_WANTTAB));
    DialogLog::Take();
    Press(VK_TAB);
    EXPECT_EQ(GetFocus(), edit);
    SetProp(edit, "wants", reinterpret_cast<void*>(DLGC_WANTALLKEYS));
    Press(VK_RETURN);
    Press(VK_ESCAPE);
    EXPECT_EQ(GetFocus(), edit);
    Lines log = DialogLog::Take();
    EXPECT_EQ(std::count(log.begin(), log.end(), "10 WM_KEYDOWN " + std::to_string(VK_TAB)), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "10 WM_KEYDOWN " + std::to_string(VK_RETURN)), 1);
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.find("COMMAND") != l.npos; }),
              0);
}

TEST_F(DialogNavigation, MnemonicsReachLabelsFollowersAndClickButtons) {
    dlg = Create(Form());
    TestDialogProcNoEnd();
    SetFocus(GetDlgItem(dlg, IDCANCEL));
    Press('N', VK_MENU);  // Alt+N: the label "&Name:" passes the focus to the edit after it
    EXPECT_EQ(FocusId(), 10);
    DialogLog::Take();
    Press('A');  // the edit wants characters: a plain letter is typed
    EXPECT_EQ(FocusId(), 10);
    EXPECT_EQ(DialogLog::Take(), (Lines{"10 WM_KEYDOWN 65", "10 WM_CHAR a"}));
    Press('A', VK_MENU);
    EXPECT_EQ(FocusId(), 40);
    EXPECT_EQ(Commands(), (Lines{"WM_COMMAND 40 0"}));
    SetFocus(GetDlgItem(dlg, IDCANCEL));  // a button wants no characters: the plain letter is a mnemonic
    DialogLog::Take();
    Press('A');
    EXPECT_EQ(Commands(), (Lines{"WM_COMMAND 40 0"}));
}

TEST_F(DialogNavigation, DialogItemCalls) {
    dlg = Create(Form());
    HWND edit = GetDlgItem(dlg, 10);
    ASSERT_TRUE(edit);
    EXPECT_EQ(GetDlgItem(dlg, 999), nullptr);
    struct IntCase {
        const char* text;
        BOOL isSigned;
        BOOL translated;
        UINT value;
    };
    for (const IntCase& c : {IntCase{"42", 0, 1, 42}, IntCase{"  -12 ", 1, 1, static_cast<UINT>(-12)},
                             IntCase{"+5", 1, 1, 5}, IntCase{"-5", 0, 0, 0}, IntCase{"4294967295", 0, 1, 4294967295u},
                             IntCase{"4294967296", 0, 0, 0}, IntCase{"2147483648", 1, 0, 0},
                             IntCase{"-2147483648", 1, 1, 0x80000000u}, IntCase{"12a", 0, 0, 0}, IntCase{"", 0, 0, 0},
                             IntCase{"-", 1, 0, 0}}) {
        SetDlgItemText(dlg, 10, c.text);
        BOOL translated = 7;
        EXPECT_EQ(GetDlgItemInt(dlg, 10, &translated, c.isSigned), c.value) << c.text;
        EXPECT_EQ(translated, c.translated) << c.text;
    }
    SetDlgItemInt(dlg, 10, static_cast<UINT>(-7), 1);
    char text[16];
    EXPECT_EQ(GetDlgItemText(dlg, 10, text, sizeof text), 2u);
    EXPECT_STREQ(text, "-7");
    SetDlgItemInt(dlg, 10, static_cast<UINT>(-7), 0);
    GetDlgItemText(dlg, 10, text, sizeof text);
    EXPECT_STREQ(text, "4294967289");
    EXPECT_EQ(GetDlgItemText(dlg, 999, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");

    CheckRadioButton(dlg, 20, 22, 21);
    EXPECT_EQ((std::vector<UINT>{IsDlgButtonChecked(dlg, 20), IsDlgButtonChecked(dlg, 21), IsDlgButtonChecked(dlg, 22)}),
              (std::vector<UINT>{0, 1, 0}));
    CheckDlgButton(dlg, 20, 1);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 20), 1u);
    EXPECT_EQ(SendDlgItemMessage(dlg, 20, test::kBmGetCheck, 0, 0), 1);
    EXPECT_EQ(SendDlgItemMessage(dlg, 999, test::kBmGetCheck, 0, 0), 0);
    // Groups: the radio buttons form one, wrapping within it.
    EXPECT_EQ(GetNextDlgGroupItem(dlg, GetDlgItem(dlg, 22), 0), GetDlgItem(dlg, 20));
    EXPECT_EQ(GetNextDlgGroupItem(dlg, GetDlgItem(dlg, 20), 1), GetDlgItem(dlg, 22));
}

}  // namespace
}  // namespace parch
