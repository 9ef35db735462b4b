// The dialog manager against Windows' public documentation of dialog boxes (there is no peer
// implementation to run here): the creation order (WM_SETFONT to the dialog, each control
// created and given the font, then WM_INITDIALOG), the class atom 0x8002 as the creation hook
// sees it, dialog units, DefDlgProc's answers, the modal loop with its owner, and owned popups
// hidden while their owner is minimized. Sequences are recorded with MessageRecorder and the
// test controls' log.

#include <gtest/gtest.h>

#include "platform/gdi/PensBrushes.h"
#include "tests/platform/win/DialogTestControls.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;
using test::DialogLog;
using test::TestDialogProc;

DialogTemplateBuilder TwoButtons(DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME) {
    DialogTemplateBuilder b(style, 0, {20, 10, 220, 110}, "Two");
    b.Font(8, "MS Shell Dlg");
    b.AddItem("TestEdit", WS_VISIBLE | WS_TABSTOP | WS_GROUP, {7, 7, 150, 21}, 10, "text");
    b.AddItem("TestButton", WS_VISIBLE | WS_TABSTOP | WS_GROUP | test::kDefPush, {7, 70, 57, 84}, IDOK, "OK");
    b.AddItem("TestButton", WS_VISIBLE | WS_TABSTOP | test::kPush, {60, 70, 110, 84}, IDCANCEL, "Cancel");
    return b;
}

class Dialogs : public test::DialogTest {};

LRESULT RecordCreation(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) {
        const char* cls = reinterpret_cast<CBT_CREATEWND*>(lp)->lpcs->lpszClass;
        DialogLog::Add(IS_INTRESOURCE(cls) ? "create atom " + std::to_string(reinterpret_cast<std::uintptr_t>(cls))
                                           : std::string("create ") + cls);
    }
    (void)wp;
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(Dialogs, CreationFollowsWindowsOrderAndTheHookSeesTheDialogAtom) {
    HHOOK hook = SetWindowsHookEx(WH_CBT, &RecordCreation, nullptr, GetCurrentThreadId());
    HWND firstTab = nullptr;
    TestDialogProc::Current() = [&](HWND, UINT m, WPARAM wp, LPARAM) -> std::optional<INT_PTR> {
        if (m == WM_INITDIALOG) firstTab = reinterpret_cast<HWND>(wp);
        return std::nullopt;
    };
    HWND dlg = Create(TwoButtons());
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(dlg);
    Lines log = DialogLog::Take();
    // The dialog is made first and hidden; its visible style shows it after WM_INITDIALOG,
    // and the activation gives the first tab stop the focus.
    EXPECT_EQ(Lines(log.begin(), log.begin() + 12),
              (Lines{"create atom 32770", "dlg WM_SETFONT", "create TestEdit", "10 WM_CREATE", "10 WM_SETFONT",
                     "create TestButton", "1 WM_CREATE", "1 WM_SETFONT", "create TestButton", "2 WM_CREATE",
                     "2 WM_SETFONT", "dlg WM_INITDIALOG"}));
    EXPECT_EQ(firstTab, GetDlgItem(dlg, 10));
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 10));
    EXPECT_EQ(GetActiveWindow(), dlg);
    char cls[16];
    GetClassName(dlg, cls, sizeof cls);
    EXPECT_STREQ(cls, "#32770");
    EXPECT_EQ(GetClassLongPtr(dlg, GCW_ATOM), 0x8002u);
    EXPECT_TRUE(GetWindowLongPtr(dlg, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    EXPECT_EQ(GetWindowLongPtr(dlg, DWLP_DLGPROC), reinterpret_cast<LONG_PTR>(&TestDialogProc::Proc));
}

TEST_F(Dialogs, InitDialogAnsweringFalseKeepsTheFocusWhereTheProcedurePutIt) {
    TestDialogProc::Current() = [&](HWND dlg, UINT m, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (m != WM_INITDIALOG) return std::nullopt;
        SetFocus(GetDlgItem(dlg, IDCANCEL));
        return 0;
    };
    HWND dlg = Create(TwoButtons());
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDCANCEL));
}

TEST_F(Dialogs, DialogUnitsFollowTheFont) {
    HWND dlg = Create(TwoButtons());
    ASSERT_TRUE(dlg);
    HFONT font = reinterpret_cast<HFONT>(SendMessage(dlg, WM_GETFONT, 0, 0));
    ASSERT_TRUE(font);
    SIZE base = win::FontBaseUnits(font);
    EXPECT_GT(base.cx, 3);
    EXPECT_GT(base.cy, 8);
    RECT r{4, 8, 40, 16};
    ASSERT_TRUE(MapDialogRect(dlg, &r));
    EXPECT_EQ(r.left, base.cx);
    EXPECT_EQ(r.top, base.cy);
    EXPECT_EQ(r.right, base.cx * 10);
    EXPECT_EQ(r.bottom, base.cy * 2);
    RECT client;
    GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, (200 * base.cx + 2) / 4);
    EXPECT_EQ(client.bottom, (100 * base.cy + 4) / 8);
    RECT button = test::WindowRect(GetDlgItem(dlg, IDOK));
    POINT origin{0, 0};
    ClientToScreen(dlg, &origin);
    EXPECT_EQ(button.left - origin.x, (7 * base.cx + 2) / 4);
    // The controls got the dialog's font; without one the system font's units apply.
    EXPECT_EQ(SendMessage(GetDlgItem(dlg, IDOK), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
    LONG units = GetDialogBaseUnits();
    EXPECT_GT(LOWORD(static_cast<DWORD>(units)), 0);
    EXPECT_GT(HIWORD(static_cast<DWORD>(units)), 0);
}

TEST_F(Dialogs, CentredDialogsSitInTheMiddleOfTheWorkArea) {
    HWND dlg = Create(TwoButtons(WS_POPUP | WS_CAPTION | DS_CENTER));
    RECT r = test::WindowRect(dlg);
    RECT work = display.WorkArea();
    EXPECT_LE(std::abs((r.left + r.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) - (work.top + work.bottom)), 1);
    EXPECT_FALSE(IsWindowVisible(dlg));
}

TEST_F(Dialogs, ChildDialogsAreControlParents) {
    HWND top = rec.Create("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    DialogTemplateBuilder b(WS_CHILD | WS_VISIBLE | WS_CAPTION | DS_CONTROL, 0, {10, 10, 60, 40}, "");
    b.AddItem("TestButton", WS_VISIBLE | WS_TABSTOP, {0, 0, 20, 10}, 5, "x");
    HWND page = Create(b, top);
    ASSERT_TRUE(page);
    EXPECT_EQ(GetParent(page), top);
    auto style = static_cast<DWORD>(GetWindowLongPtr(page, GWL_STYLE));
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_TRUE(GetWindowLongPtr(page, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
}

TEST_F(Dialogs, DefDlgProcAnswersThroughMsgResultOrDirectly) {
    const UINT kAsk = WM_USER + 50;
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    TestDialogProc::Current() = [&](HWND dlg, UINT m, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (m == kAsk) {
            SetWindowLongPtr(dlg, DWLP_MSGRESULT, 42);
            return 1;
        }
        if (m == WM_CTLCOLORDLG) return reinterpret_cast<INT_PTR>(brush);
        return std::nullopt;
    };
    HWND dlg = Create(TwoButtons());
    EXPECT_EQ(SendMessage(dlg, kAsk, 0, 0), 42);
    EXPECT_EQ(SendMessage(dlg, WM_CTLCOLORDLG, 0, reinterpret_cast<LPARAM>(dlg)), reinterpret_cast<LRESULT>(brush));
    SetWindowLongPtr(dlg, DWLP_USER, 77);
    EXPECT_EQ(GetWindowLongPtr(dlg, DWLP_USER), 77);
    // The template's default push button is the default identifier.
    EXPECT_EQ(SendMessage(dlg, DM_GETDEFID, 0, 0), static_cast<LRESULT>(MAKELONG(IDOK, DC_HASDEFID)));
    DeleteObject(brush);
}

TEST_F(Dialogs, SettingTheDefaultIdRestylesTheButtons) {
    HWND dlg = Create(TwoButtons());
    ASSERT_EQ(GetFocus(), GetDlgItem(dlg, 10));  // an edit: the default button shows the emphasis
    DialogLog::Take();
    SendMessage(dlg, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_EQ(DialogLog::Take(), (Lines{"1 BM_SETSTYLE 0", "2 BM_SETSTYLE 1"}));
    EXPECT_EQ(SendMessage(dlg, DM_GETDEFID, 0, 0), static_cast<LRESULT>(MAKELONG(IDCANCEL, DC_HASDEFID)));
    // Focus on a push button moves the emphasis to it, and back when the focus leaves buttons.
    SendMessage(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, IDOK)), 1);
    EXPECT_EQ(DialogLog::Take(), (Lines{"10 WM_KILLFOCUS", "1 WM_SETFOCUS", "2 BM_SETSTYLE 0", "1 BM_SETSTYLE 1"}));
    SendMessage(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, 10)), 1);
    EXPECT_EQ(DialogLog::Take(),
              (Lines{"10 EM_SETSEL", "1 WM_KILLFOCUS", "10 WM_SETFOCUS", "1 BM_SETSTYLE 0", "2 BM_SETSTYLE 1"}));
}

TEST_F(Dialogs, CloseBecomesCancelAndFocusComesBackOnActivation) {
    HWND dlg = Create(TwoButtons());
    SetFocus(GetDlgItem(dlg, IDCANCEL));
    HWND other = rec.Create("other", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    EXPECT_EQ(GetActiveWindow(), other);
    SetActiveWindow(dlg);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDCANCEL));
    DialogLog::Take();
    SendMessage(dlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(DialogLog::Take().empty());  // posted, as Windows does
    display.PumpMessages();
    Lines log = DialogLog::Take();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "dlg WM_COMMAND 2 0");
    EXPECT_FALSE(IsWindowVisible(dlg));  // ended by the test procedure
}

TEST_F(Dialogs, MalformedTemplateFailsWithoutMakingAWindow) {
    std::vector<BYTE> bytes = TwoButtons().Build();
    bytes.resize(bytes.size() - 7);
    rec.Clear();
    SetLastError(0);
    EXPECT_FALSE(CreateDialogIndirectParam(nullptr, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), bytes.size(),
                                           nullptr, &TestDialogProc::Proc, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    EXPECT_TRUE(rec.Take().empty());
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), bytes.size(),
                                     nullptr, &TestDialogProc::Proc, 0),
              -1);
}

TEST_F(Dialogs, NamedTemplatesComeFromTheModulesResources) {
    std::vector<BYTE> bytes = TwoButtons(WS_POPUP | WS_CAPTION).Build();
    RegisterResource(nullptr, RT_DIALOG, "TWOBUTTONS", std::string(bytes.begin(), bytes.end()));
    HWND dlg = CreateDialogParam(nullptr, "twobuttons", nullptr, &TestDialogProc::Proc, 0);
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(GetDlgItem(dlg, IDCANCEL));
    SetLastError(0);
    EXPECT_FALSE(CreateDialogParam(nullptr, "MISSING", nullptr, &TestDialogProc::Proc, 0));
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(DialogBoxParam(nullptr, "MISSING", nullptr, &TestDialogProc::Proc, 0), -1);
    const UINT kScript = WM_APP + 3;
    TestDialogProc::Current() = [&](HWND d, UINT m, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (m == WM_INITDIALOG) PostMessage(d, kScript, 0, 0);
        if (m == kScript) display.PressKey(VK_RETURN);
        return std::nullopt;
    };
    EXPECT_EQ(DialogBoxParam(nullptr, MAKEINTRESOURCE(0), nullptr, &TestDialogProc::Proc, 0), -1);
    EXPECT_EQ(DialogBoxParam(nullptr, "TwoButtons", nullptr, &TestDialogProc::Proc, 0), IDOK);
}

TEST_F(Dialogs, AControlThatCannotBeMadeFailsTheDialogUnlessAllowed) {
    DialogTemplateBuilder b(WS_POPUP, 0, {0, 0, 50, 50}, "");
    b.AddItem("NoSuchClass", WS_VISIBLE, {0, 0, 10, 10}, 3, "");
    b.AddItem("TestButton", WS_VISIBLE, {0, 0, 10, 10}, 4, "");
    EXPECT_FALSE(Create(b));
    DialogTemplateBuilder tolerant(WS_POPUP | DS_NOFAILCREATE, 0, {0, 0, 50, 50}, "");
    tolerant.AddItem("NoSuchClass", WS_VISIBLE, {0, 0, 10, 10}, 3, "");
    tolerant.AddItem("TestButton", WS_VISIBLE, {0, 0, 10, 10}, 4, "");
    HWND dlg = Create(tolerant);
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(GetDlgItem(dlg, 4));
}

TEST_F(Dialogs, ModalLoopDisablesTheOwnerAndGivesItBackBeforeTheActivation) {
    HWND owner = rec.Create("owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_EQ(GetActiveWindow(), owner);
    const UINT kScript = WM_APP + 1;
    bool ownerDisabledInside = false;
    HWND dialog = nullptr;
    TestDialogProc::Current() = [&](HWND dlg, UINT m, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (m == WM_INITDIALOG) {
            dialog = dlg;
            PostMessage(dlg, kScript, 0, 0);
        }
        if (m == kScript) {
            ownerDisabledInside = !IsWindowEnabled(owner) && GetActiveWindow() == dlg &&
                                  GetFocus() == GetDlgItem(dlg, 10) && GetWindow(dlg, GW_OWNER) == owner;
            rec.Clear();
            display.PressKey(VK_RETURN);
        }
        return std::nullopt;
    };
    INT_PTR result = Run(TwoButtons(WS_POPUP | WS_CAPTION), owner);
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(ownerDisabledInside);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_FALSE(IsWindow(dialog));
    Lines lines = rec.Take();
    auto at = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) - lines.begin(); };
    ASSERT_LT(at("owner WM_ENABLE 1"), static_cast<std::ptrdiff_t>(lines.size()));
    EXPECT_LT(at("owner WM_ENABLE 1"), at("owner WM_ACTIVATE 1"));
}

TEST_F(Dialogs, ModalDialogWithoutOwnerEndsOnEscape) {
    const UINT kScript = WM_APP + 2;
    TestDialogProc::Current() = [&](HWND dlg, UINT m, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (m == WM_INITDIALOG) PostMessage(dlg, kScript, 0, 0);
        if (m == kScript) display.PressKey(VK_ESCAPE);
        return std::nullopt;
    };
    EXPECT_EQ(Run(TwoButtons(WS_POPUP | WS_CAPTION)), IDCANCEL);
}

TEST_F(Dialogs, QuitEndsTheModalLoopAndStaysQueued) {
    HWND owner = rec.Create("owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    TestDialogProc::Current() = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (m == WM_INITDIALOG) PostQuitMessage(3);
        return std::nullopt;
    };
    EXPECT_EQ(Run(TwoButtons(WS_POPUP | WS_CAPTION), owner), -1);
    EXPECT_TRUE(IsWindowEnabled(owner));
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(Dialogs, OwnedPopupsHideWithAMinimizedOwnerAndComeBack) {
    HWND owner = rec.Create("owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND shown = rec.Create("shown", WS_POPUP | WS_CAPTION | WS_VISIBLE, owner);
    HWND hidden = rec.Create("hidden", WS_POPUP | WS_CAPTION, owner);
    Lines reasons;
    rec.SetHandler([&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_SHOWWINDOW && h != owner)
            reasons.push_back((h == shown ? "shown " : "hidden ") + std::to_string(wp) + " " + std::to_string(lp));
        return std::nullopt;
    });
    ShowWindow(owner, SW_MINIMIZE);
    EXPECT_FALSE(IsWindowVisible(shown));
    ShowWindow(owner, SW_RESTORE);
    EXPECT_TRUE(IsWindowVisible(shown));
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_EQ(reasons, (Lines{"shown 0 " + std::to_string(SW_PARENTCLOSING),
                              "shown 1 " + std::to_string(SW_PARENTOPENING)}));
    // A second round goes the same way.
    ShowWindow(owner, SW_MINIMIZE);
    ShowWindow(owner, SW_SHOWNORMAL);
    EXPECT_TRUE(IsWindowVisible(shown));
    rec.SetHandler(nullptr);
}

}  // namespace
}  // namespace parch
