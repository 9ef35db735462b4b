// The "Edit" class. No other implementation runs here to compare with, so the expected
// behaviour is pinned as tables of message sequences and answers taken from Windows' public
// documentation of the edit control (EM_ messages, EN_ notifications and their order, the
// keyboard and mouse interface), recorded at the parent with MessageRecorder.

#include <limits>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/display/PngFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/Utf8Text.h"
#include "tests/platform/win/ScreenPixel.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

std::string NotificationName(WORD code) {
    switch (code) {
        case EN_SETFOCUS: return "EN_SETFOCUS";
        case EN_KILLFOCUS: return "EN_KILLFOCUS";
        case EN_CHANGE: return "EN_CHANGE";
        case EN_UPDATE: return "EN_UPDATE";
        case EN_MAXTEXT: return "EN_MAXTEXT";
        case EN_HSCROLL: return "EN_HSCROLL";
        case EN_VSCROLL: return "EN_VSCROLL";
        default: return "0x" + std::to_string(code);
    }
}

class EditClass : public test::RecorderTest {
public:
    static constexpr int kId = 7;

    void SetUp() override {
        parent = rec.Create("parent", WS_POPUP | WS_VISIBLE, nullptr, {100, 100, 700, 500});
        rec.SetHandler([this](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m == WM_COMMAND && reinterpret_cast<HWND>(lp) == edit && LOWORD(wp) == kId)
                notes.push_back(NotificationName(HIWORD(wp)));
            if (watchColours && (m == WM_CTLCOLOREDIT || m == WM_CTLCOLORSTATIC))
                notes.push_back(m == WM_CTLCOLOREDIT ? "WM_CTLCOLOREDIT" : "WM_CTLCOLORSTATIC");
            return std::nullopt;
        });
        display.PumpMessages();
    }

    // An edit at client (10, 10) of the parent, screen (110, 110).
    HWND Make(DWORD style, const char* text = "", SIZE size = {200, 24}, DWORD exStyle = WS_EX_CLIENTEDGE,
              const char* cls = "Edit") {
        if (edit) DestroyWindow(edit);
        edit = CreateWindowEx(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 10, size.cx, size.cy, parent,
                              reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kId)), nullptr, nullptr);
        display.PumpMessages();
        notes.clear();
        return edit;
    }
    HWND MakeFocused(DWORD style, const char* text = "", SIZE size = {200, 24}) {
        Make(style, text, size);
        SetFocus(edit);
        display.PumpMessages();
        notes.clear();
        return edit;
    }

    LRESULT Send(UINT m, WPARAM wp = 0, LPARAM lp = 0) { return SendMessage(edit, m, wp, lp); }
    LRESULT SendText(UINT m, WPARAM wp, const char* text) { return Send(m, wp, reinterpret_cast<LPARAM>(text)); }
    std::string Text() {
        char buffer[4096] = {};
        GetWindowText(edit, buffer, sizeof buffer);
        return buffer;
    }
    std::pair<DWORD, DWORD> Selection() {
        DWORD from = 0;
        DWORD to = 0;
        Send(EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        return {from, to};
    }
    void Chord(std::initializer_list<UINT> modifiers, UINT key) {
        for (UINT m : modifiers) display.KeyDown(m);
        display.PressKey(key);
        for (UINT m : modifiers) display.KeyUp(m);
        display.PumpMessages();
    }
    void Type(const char* utf8) {
        display.TypeText(utf8);
        display.PumpMessages();
    }
    RECT Client() {
        RECT r{};
        GetClientRect(edit, &r);
        POINT origin{0, 0};
        ClientToScreen(edit, &origin);
        OffsetRect(&r, origin.x, origin.y);
        return r;
    }
    // Screen point of a character position's top-left corner.
    POINT ScreenPosOf(std::size_t position) {
        LRESULT answer = Send(EM_POSFROMCHAR, position);
        POINT p{static_cast<short>(LOWORD(static_cast<DWORD>(answer))), static_cast<short>(HIWORD(static_cast<DWORD>(answer)))};
        ClientToScreen(edit, &p);
        return p;
    }
    SCROLLINFO Bar(int bar) {
        SCROLLINFO info;
        info.fMask = SIF_ALL;
        GetScrollInfo(edit, bar, &info);
        return info;
    }

    HWND parent = nullptr;
    HWND edit = nullptr;
    Lines notes;
    bool watchColours = false;
};

TEST_F(EditClass, IsThereUnderAnyCaseOfItsName) {
    for (const char* name : {"Edit", "EDIT", "edit"}) {
        ASSERT_TRUE(Make(0, "x", {100, 24}, 0, name)) << name;
        EXPECT_EQ(Send(EM_GETLIMITTEXT), 32767) << name;
        char cls[32] = {};
        GetClassName(edit, cls, sizeof cls);
        EXPECT_STREQ(cls, "Edit");
    }
}

TEST_F(EditClass, EachTypedCharacterNotifiesUpdateThenChange) {
    MakeFocused(ES_AUTOHSCROLL);
    Type("h\xC3\xA9");
    EXPECT_EQ(notes, (Lines{"EN_UPDATE", "EN_CHANGE", "EN_UPDATE", "EN_CHANGE"}));
    EXPECT_EQ(Text(), "h\xC3\xA9");
    EXPECT_EQ(Send(WM_GETTEXTLENGTH), 3);  // bytes, so that a buffer of that size holds it
    char16_t wide[8] = {};
    EXPECT_EQ(GetWindowTextW(edit, wide, 8), 2);
    EXPECT_EQ(std::u16string(wide), u"h\u00E9");
    EXPECT_EQ(Send(EM_GETMODIFY), 1);
}

TEST_F(EditClass, SetTextNotifiesChangeOnSingleLineEditsOnly) {
    struct Case {
        DWORD style;
        Lines expected;
    };
    const Case cases[] = {{ES_AUTOHSCROLL, {"EN_UPDATE", "EN_CHANGE"}}, {ES_MULTILINE, {}}};
    for (const Case& c : cases) {
        Make(c.style);
        Send(EM_SETMODIFY, 1);
        SetWindowText(edit, "new text");
        EXPECT_EQ(notes, c.expected) << c.style;
        EXPECT_EQ(Text(), "new text");
        EXPECT_EQ(Send(EM_GETMODIFY), 0);
        EXPECT_EQ(Send(EM_CANUNDO), 0);
    }
}

TEST_F(EditClass, FocusNotificationsAndDialogCodes) {
    Make(0);
    SetFocus(edit);
    SetFocus(parent);
    display.PumpMessages();
    EXPECT_EQ(notes, (Lines{"EN_SETFOCUS", "EN_KILLFOCUS"}));

    EXPECT_EQ(Send(WM_GETDLGCODE), DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
    Make(ES_MULTILINE);
    EXPECT_EQ(Send(WM_GETDLGCODE), DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | DLGC_WANTALLKEYS);
}

TEST_F(EditClass, KeyboardMovesAndExtendsTheSelection) {
    struct Step {
        std::initializer_list<UINT> modifiers;
        UINT key;
        DWORD from, to;
    };
    // "alpha beta\r\ngamma delta", caret starting at 0.
    const Step steps[] = {
        {{}, VK_END, 10, 10},
        {{VK_SHIFT}, VK_HOME, 0, 10},
        {{}, VK_RIGHT, 10, 10},                   // a selection collapses to its end
        {{}, VK_RIGHT, 12, 12},                   // over "\r\n" in one step
        {{VK_CONTROL}, VK_RIGHT, 18, 18},         // to the next word
        {{VK_CONTROL, VK_SHIFT}, VK_LEFT, 12, 18},
        {{VK_SHIFT}, VK_UP, 0, 18},               // the caret goes up, the anchor stays
        {{VK_CONTROL}, VK_END, 23, 23},
        {{VK_CONTROL}, VK_HOME, 0, 0},
        {{}, VK_DOWN, 12, 12},
    };
    MakeFocused(ES_MULTILINE, "alpha beta\r\ngamma delta", {300, 80});
    for (const Step& s : steps) {
        Chord(s.modifiers, s.key);
        EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{s.from, s.to})) << "key " << s.key;
    }
    Chord({VK_CONTROL}, 'A');
    EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{0, 23}));
    EXPECT_TRUE(notes.empty());  // moving is no change
}

TEST_F(EditClass, ClipboardByKeysAndMessages) {
    MakeFocused(ES_AUTOHSCROLL, "one two");
    SetClipboardText("");
    Send(EM_SETSEL, 0, 3);
    Chord({VK_CONTROL}, 'C');
    EXPECT_EQ(GetClipboardText(), "one");
    Chord({VK_CONTROL}, 'X');
    EXPECT_EQ(Text(), " two");
    Chord({VK_CONTROL}, VK_END);
    Chord({VK_CONTROL}, 'V');
    EXPECT_EQ(Text(), " twoone");
    Send(EM_SETSEL, 0, 1);
    Chord({VK_SHIFT}, VK_DELETE);  // cut
    EXPECT_EQ(Text(), "twoone");
    EXPECT_EQ(GetClipboardText(), " ");
    Chord({VK_SHIFT}, VK_INSERT);  // paste
    EXPECT_EQ(Text(), " twoone");
    Send(EM_SETSEL, 1, 4);
    Chord({VK_CONTROL}, VK_INSERT);  // copy
    EXPECT_EQ(GetClipboardText(), "two");
    Send(WM_CLEAR);
    EXPECT_EQ(Text(), " one");
    Send(EM_SETSEL, 0, -1);
    Send(WM_CUT);
    EXPECT_EQ(Text(), "");
    Send(WM_PASTE);
    Send(WM_PASTE);
    EXPECT_EQ(Text(), " one one");
    Send(EM_SETSEL, 1, 4);
    SetClipboardText("");
    Send(WM_COPY);
    EXPECT_EQ(GetClipboardText(), "one");
}

TEST_F(EditClass, PasswordMasksEachCodePointAndKeepsTheTextOffTheClipboard) {
    Make(ES_PASSWORD | ES_AUTOHSCROLL, "a\xE2\x82\xAC\xF0\x9F\x98\x80W!");  // a € 😀 W !
    EXPECT_EQ(Send(EM_GETPASSWORDCHAR), '*');
    std::vector<LONG> xs;
    for (std::size_t i = 0; i < 5; ++i) xs.push_back(ScreenPosOf(i).x);
    for (std::size_t i = 1; i < xs.size(); ++i) EXPECT_EQ(xs[i] - xs[i - 1], xs[1] - xs[0]) << i;

    SetClipboardText("before");
    Send(EM_SETSEL, 0, -1);
    Send(WM_COPY);
    Send(WM_CUT);
    EXPECT_EQ(GetClipboardText(), "before");
    EXPECT_EQ(Text(), "a\xE2\x82\xAC\xF0\x9F\x98\x80W!");

    Send(EM_SETPASSWORDCHAR, 0);
    EXPECT_EQ(Send(EM_GETPASSWORDCHAR), 0);
    EXPECT_NE(ScreenPosOf(4).x - ScreenPosOf(3).x, ScreenPosOf(1).x - ScreenPosOf(0).x);  // "W" is wider than "a"
    Send(WM_COPY);
    EXPECT_EQ(GetClipboardText(), Text());
}

// Whatever path a line break takes, it never gets into a single-line edit.
TEST_F(EditClass, SingleLineRefusesLineBreaksFromEveryPath) {
    struct Path {
        const char* name;
        std::function<void(EditClass&)> act;
        const char* expected;
    };
    const Path paths[] = {
        {"Enter", [](EditClass& t) { t.Chord({}, VK_RETURN); }, "ab"},
        {"Ctrl+Enter", [](EditClass& t) { t.Chord({VK_CONTROL}, VK_RETURN); }, "ab"},
        {"WM_CHAR CR", [](EditClass& t) { t.Send(WM_CHAR, '\r'); }, "ab"},
        {"WM_CHAR LF", [](EditClass& t) { t.Send(WM_CHAR, '\n'); }, "ab"},
        {"paste", [](EditClass& t) { SetClipboardText("one\r\ntwo"); t.Chord({VK_CONTROL}, 'V'); }, "abone"},
        {"paste LF", [](EditClass& t) { SetClipboardText("x\ny"); t.Send(WM_PASTE); }, "abx"},
        {"replace", [](EditClass& t) { t.SendText(EM_REPLACESEL, 1, "p\rq"); }, "abp"},
    };
    for (const Path& p : paths) {
        MakeFocused(ES_AUTOHSCROLL, "ab");
        Send(EM_SETSEL, 2, 2);
        p.act(*this);
        EXPECT_EQ(Text(), p.expected) << p.name;
        EXPECT_EQ(Send(EM_GETLINECOUNT), 1) << p.name;
    }
    // A multi-line edit takes Enter as "\r\n".
    MakeFocused(ES_MULTILINE, "ab", {200, 80});
    Send(EM_SETSEL, 1, 1);
    Chord({}, VK_RETURN);
    EXPECT_EQ(Text(), "a\r\nb");
    EXPECT_EQ(Send(EM_GETLINECOUNT), 2);
}

TEST_F(EditClass, TheLimitStopsTypingAndPastingWithMaxText) {
    MakeFocused(ES_AUTOHSCROLL);
    Send(EM_LIMITTEXT, 3);
    EXPECT_EQ(Send(EM_GETLIMITTEXT), 3);
    Type("ab");
    notes.clear();
    SetClipboardText("\xE2\x82\xAC\xE2\x82\xAC");
    Send(WM_PASTE);
    EXPECT_EQ(Text(), "ab\xE2\x82\xAC");
    EXPECT_EQ(notes, (Lines{"EN_UPDATE", "EN_CHANGE", "EN_MAXTEXT"}));
    notes.clear();
    Type("z");
    EXPECT_EQ(Text(), "ab\xE2\x82\xAC");
    EXPECT_EQ(notes, (Lines{"EN_MAXTEXT"}));
    Send(EM_SETLIMITTEXT, 0);
    EXPECT_GT(Send(EM_GETLIMITTEXT), 32767);
}

TEST_F(EditClass, StylesFilterWhatIsTyped) {
    struct Case {
        DWORD style;
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        {ES_NUMBER, "1a2-3", "123"},
        {ES_UPPERCASE, "abc \xC3\xA9", "ABC \xC3\x89"},
        {ES_LOWERCASE, "ABC", "abc"},
        {ES_READONLY, "abc", ""},
    };
    for (const Case& c : cases) {
        MakeFocused(ES_AUTOHSCROLL | c.style);
        Type(c.typed);
        EXPECT_EQ(Text(), c.expected) << c.style;
    }
    Send(EM_SETREADONLY, 0);
    Type("x");
    EXPECT_EQ(Text(), "x");
    Send(EM_SETREADONLY, 1);
    EXPECT_TRUE(GetWindowLongPtr(edit, GWL_STYLE) & ES_READONLY);
}

TEST_F(EditClass, UndoIsOneLevelAndRedoesWhenRepeated) {
    MakeFocused(ES_AUTOHSCROLL, "base");
    Send(EM_SETSEL, 4, 4);
    Type("123");
    EXPECT_EQ(Send(EM_CANUNDO), 1);
    notes.clear();
    Chord({VK_CONTROL}, 'Z');
    EXPECT_EQ(Text(), "base");
    EXPECT_EQ(notes, (Lines{"EN_UPDATE", "EN_CHANGE"}));
    EXPECT_EQ(Send(EM_UNDO), 1);
    EXPECT_EQ(Text(), "base123");
    Send(WM_UNDO);
    EXPECT_EQ(Text(), "base");
    Send(EM_EMPTYUNDOBUFFER);
    EXPECT_EQ(Send(EM_CANUNDO), 0);

    SendText(EM_REPLACESEL, 1, "!");
    EXPECT_EQ(Send(EM_CANUNDO), 1);
    SendText(EM_REPLACESEL, 0, "?");
    EXPECT_EQ(Send(EM_CANUNDO), 0);
}

TEST_F(EditClass, SetSelFollowsTheMinusOneConventions) {
    struct Case {
        WPARAM start;
        LPARAM end;
        DWORD from, to;
        LRESULT packed;
    };
    const Case cases[] = {
        {0, -1, 0, 11, MAKELONG(0, 11)},
        {2, 5, 2, 5, MAKELONG(2, 5)},
        {5, 2, 2, 5, MAKELONG(2, 5)},  // the caret at 2, the selection the same
        {static_cast<WPARAM>(-1), 0, 2, 2, MAKELONG(2, 2)},  // deselects, caret stays
        {3, 99, 3, 11, MAKELONG(3, 11)},
    };
    Make(ES_AUTOHSCROLL, "hello world");
    for (const Case& c : cases) {
        Send(EM_SETSEL, c.start, c.end);
        EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{c.from, c.to})) << c.start << "," << c.end;
        EXPECT_EQ(Send(EM_GETSEL), c.packed);
    }
}

TEST_F(EditClass, LineMessagesOfAMultiLineEdit) {
    Make(ES_MULTILINE | ES_AUTOHSCROLL, "first\r\nsecond line\r\n\xC3\xA9t\xC3\xA9", {300, 100});
    EXPECT_EQ(Send(EM_GETLINECOUNT), 3);
    struct Case {
        UINT message;
        WPARAM wParam;
        LRESULT answer;
    };
    const Case cases[] = {
        {EM_LINEINDEX, 0, 0},     {EM_LINEINDEX, 1, 7},    {EM_LINEINDEX, 2, 20},  {EM_LINEINDEX, 3, -1},
        {EM_LINELENGTH, 9, 11},   {EM_LINELENGTH, 21, 3},  {EM_LINEFROMCHAR, 6, 0}, {EM_LINEFROMCHAR, 7, 1},
        {EM_LINEFROMCHAR, 22, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(Send(c.message, c.wParam), c.answer) << c.message << " " << c.wParam;
    Send(EM_SETSEL, 9, 9);
    EXPECT_EQ(Send(EM_LINEINDEX, static_cast<WPARAM>(-1)), 7);
    EXPECT_EQ(Send(EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), 1);

    // The buffer's first word gives its size; the copy stops at a character and is not terminated.
    char buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    buffer[0] = 4;
    buffer[1] = 0;
    EXPECT_EQ(Send(EM_GETLINE, 2, reinterpret_cast<LPARAM>(buffer)), 3);
    EXPECT_EQ(std::string(buffer, 4), "\xC3\xA9t#");
    buffer[0] = 40;
    buffer[1] = 0;
    EXPECT_EQ(Send(EM_GETLINE, 1, reinterpret_cast<LPARAM>(buffer)), 11);
    EXPECT_EQ(std::string(buffer, 11), "second line");
}

TEST_F(EditClass, GetTextStopsAtACharacterBoundary) {
    Make(ES_AUTOHSCROLL, "a\xE2\x82\xAC" "b");
    char buffer[8] = {};
    EXPECT_EQ(Send(WM_GETTEXT, 3, reinterpret_cast<LPARAM>(buffer)), 1);
    EXPECT_STREQ(buffer, "a");
    EXPECT_EQ(Send(WM_GETTEXT, 5, reinterpret_cast<LPARAM>(buffer)), 4);
    EXPECT_STREQ(buffer, "a\xE2\x82\xAC");
}

TEST_F(EditClass, MouseClicksDragsAndDoubleClicks) {
    Make(ES_AUTOHSCROLL, "hello brave world", {300, 24});
    POINT at6 = ScreenPosOf(6);
    POINT at11 = ScreenPosOf(11);
    display.Click(at6.x + 1, at6.y + 5);
    display.PumpMessages();
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{6, 6}));
    display.KeyDown(VK_SHIFT);
    display.Click(at11.x + 1, at11.y + 5);
    display.KeyUp(VK_SHIFT);
    display.PumpMessages();
    EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{6, 11}));

    POINT at1 = ScreenPosOf(1);
    POINT at5 = ScreenPosOf(5);
    display.Drag({at1.x + 1, at1.y + 5}, {at5.x + 1, at5.y + 5});
    display.PumpMessages();
    EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{1, 5}));
    EXPECT_EQ(GetCapture(), nullptr);

    POINT at14 = ScreenPosOf(14);
    display.AdvanceTime(1000);
    display.DoubleClick(at14.x, at14.y + 5);
    display.PumpMessages();
    EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{12, 17}));
}

TEST_F(EditClass, ADragBelowTheTextScrollsOnTheClock) {
    std::string text;
    for (int i = 0; i < 50; ++i) text += "line " + std::to_string(i) + "\r\n";
    Make(ES_MULTILINE | WS_VSCROLL, text.c_str(), {200, 100});
    RECT client = Client();
    display.MoveMouse(client.left, client.top + 5);
    display.MouseDown();
    display.PumpMessages();
    display.MoveMouse(client.left + 5, client.bottom + 20);
    display.PumpMessages();
    const LRESULT before = Send(EM_GETFIRSTVISIBLELINE);
    for (int i = 0; i < 10; ++i) {
        display.AdvanceTime(100);
        display.PumpMessages();
    }
    EXPECT_GE(Send(EM_GETFIRSTVISIBLELINE), before + 5);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(Selection().first, 0u);
    EXPECT_GT(Selection().second, 30u);
}

TEST_F(EditClass, ItsOwnScrollBarsTellTheTruthAfterTyping) {
    MakeFocused(ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, "", {200, 100});
    for (int i = 0; i < 30; ++i) Type("line\r");
    const LRESULT lines = Send(EM_GETLINECOUNT);
    EXPECT_EQ(lines, 31);
    SCROLLINFO info = Bar(SB_VERT);
    EXPECT_EQ(info.nMin, 0);
    EXPECT_EQ(info.nMax, lines - 1);
    EXPECT_GT(info.nPage, 2u);
    // The caret's line is in view, at the bottom, and the bar says where the view is.
    EXPECT_EQ(info.nPos, static_cast<int>(lines - info.nPage));
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), info.nPos);

    notes.clear();
    Send(WM_VSCROLL, SB_TOP);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 0);
    EXPECT_EQ(Bar(SB_VERT).nPos, 0);
    Send(WM_VSCROLL, SB_LINEDOWN);
    Send(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 1 + static_cast<int>(info.nPage));
    EXPECT_EQ(notes, (Lines{"EN_VSCROLL", "EN_VSCROLL", "EN_VSCROLL"}));
    EXPECT_EQ(Send(EM_LINESCROLL, 0, -1), 1);
    EXPECT_EQ(Send(EM_SCROLL, SB_LINEDOWN), MAKELONG(1, 1));
}

// Positions past 65,535 come from the bar's 32-bit values, never from the 16 bits of WParam.
TEST_F(EditClass, ThumbPositionsBeyondSixteenBitsComeFromTheBar) {
    std::string text;
    text.reserve(70000 * 3);
    for (int i = 0; i < 70000; ++i) text += "x\r\n";
    Make(ES_MULTILINE | WS_VSCROLL, text.c_str(), {200, 100});
    ASSERT_EQ(Send(EM_GETLINECOUNT), 70001);
    // As a skin drives the bar: position set first, then the request.
    SCROLLINFO info;
    info.fMask = SIF_POS;
    info.nPos = 68000;
    SetScrollInfo(edit, SB_VERT, &info, 0);
    Send(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(68000 & 0xFFFF)));
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 68000);
    info.nPos = 69990;
    SetScrollInfo(edit, SB_VERT, &info, 0);
    Send(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(69990 & 0xFFFF)));
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), Bar(SB_VERT).nPos);
    EXPECT_GT(Send(EM_GETFIRSTVISIBLELINE), 69000);
}

// Counts far beyond the text scroll to its edges, however large (no sum may overflow).
TEST_F(EditClass, HugeLineScrollCountsGoToTheEdges) {
    std::string text(300, 'w');
    for (int i = 0; i < 40; ++i) text += "\r\nline";
    Make(ES_MULTILINE | ES_AUTOHSCROLL | WS_VSCROLL, text.c_str(), {200, 100});
    const LRESULT lastTop = Send(EM_GETLINECOUNT) - Bar(SB_VERT).nPage;
    for (LPARAM lines : {LPARAM{0x7FFFFFFF}, LPARAM{0x40000000}, std::numeric_limits<LPARAM>::max()}) {
        Send(EM_LINESCROLL, 0, 3 - Send(EM_GETFIRSTVISIBLELINE));
        Send(EM_LINESCROLL, 0, lines);
        EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), lastTop) << lines;
        Send(EM_LINESCROLL, 0, lines == std::numeric_limits<LPARAM>::max() ? std::numeric_limits<LPARAM>::min() : -lines);
        EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 0) << -lines;
    }
    RECT client{};
    GetClientRect(edit, &client);
    for (WPARAM columns : {WPARAM{0x7FFFFFFF}, WPARAM{0x40000000}, WPARAM{0x20000001}, WPARAM{0x12345678}}) {
        Send(EM_LINESCROLL, 2, 0);  // off the left edge first
        Send(EM_LINESCROLL, columns, 0);
        const LRESULT end = Send(EM_POSFROMCHAR, 299);
        EXPECT_LT(static_cast<short>(LOWORD(static_cast<DWORD>(end))), client.right) << columns;  // the line's end shows
        Send(EM_LINESCROLL, static_cast<WPARAM>(-static_cast<std::intptr_t>(columns)), 0);
        EXPECT_GE(static_cast<short>(LOWORD(static_cast<DWORD>(Send(EM_POSFROMCHAR, 0)))), 0) << columns;  // and its start again
    }
}

TEST_F(EditClass, TheWheelScrollsByWholeStepsKeepingTheRemainder) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "row\r\n";
    Make(ES_MULTILINE | WS_VSCROLL, text.c_str(), {200, 100});
    Send(WM_VSCROLL, SB_BOTTOM);
    const LRESULT bottom = Send(EM_GETFIRSTVISIBLELINE);
    struct Turn {
        short delta;
        LRESULT moved;  // lines up since the bottom
    };
    const Turn turns[] = {{40, 0}, {40, 0}, {40, 3}, {100, 3}, {20, 6}, {-60, 6}, {-60, 3}};
    for (const Turn& t : turns) {
        Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(t.delta)));
        EXPECT_EQ(bottom - Send(EM_GETFIRSTVISIBLELINE), t.moved) << t.delta;
    }
}

TEST_F(EditClass, FormattingRectAndMargins) {
    Make(ES_AUTOHSCROLL, "x", {200, 24});
    RECT before{};
    Send(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&before));
    RECT asked{20, 2, 100, 20};
    Send(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&asked));  // single-line: ignored
    RECT after{};
    Send(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&after));
    EXPECT_TRUE(EqualRect(&before, &after));
    Send(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(5, 7));
    EXPECT_EQ(Send(EM_GETMARGINS), MAKELONG(5, 7));
    Send(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&after));
    EXPECT_EQ(after.left, 5);
    EXPECT_EQ(after.right, before.right + before.left - 7);

    Make(ES_MULTILINE, "x", {200, 80});
    Send(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&asked));
    Send(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&after));
    EXPECT_TRUE(EqualRect(&asked, &after));
    EXPECT_EQ(ScreenPosOf(0).x - Client().left, 20);
}

TEST_F(EditClass, PositionsAndCharactersAtPoints) {
    Make(ES_MULTILINE | ES_AUTOHSCROLL, "ab\r\ncd", {200, 80});
    const LRESULT first = Send(EM_POSFROMCHAR, 0);
    const LRESULT second = Send(EM_POSFROMCHAR, 4);
    EXPECT_EQ(LOWORD(static_cast<DWORD>(first)), LOWORD(static_cast<DWORD>(second)));
    EXPECT_GT(HIWORD(static_cast<DWORD>(second)), HIWORD(static_cast<DWORD>(first)));
    EXPECT_EQ(Send(EM_POSFROMCHAR, 6), -1);  // past the last character
    const LRESULT at = Send(EM_CHARFROMPOS, 0, MAKELPARAM(LOWORD(static_cast<DWORD>(second)) + 1,
                                                        HIWORD(static_cast<DWORD>(second)) + 2));
    EXPECT_EQ(at, MAKELONG(4, 1));
}

TEST_F(EditClass, WordWrapUnlessAutoHScroll) {
    const char* text = "the quick brown fox jumps over the lazy dog again and again";
    Make(ES_MULTILINE, text, {120, 200});
    const LRESULT wrapped = Send(EM_GETLINECOUNT);
    EXPECT_GT(wrapped, 3);
    // Soft breaks: the lines cover the text without gaps and without line break characters.
    EXPECT_EQ(Send(EM_LINEINDEX, 1), Send(EM_LINELENGTH, 0));
    Make(ES_MULTILINE | ES_AUTOHSCROLL, text, {120, 200});
    EXPECT_EQ(Send(EM_GETLINECOUNT), 1);
}

TEST_F(EditClass, AsksTheParentForColoursAsWindowsDoes) {
    struct Case {
        DWORD style;
        bool disabled;
        const char* expected;
    };
    const Case cases[] = {{0, false, "WM_CTLCOLOREDIT"}, {ES_READONLY, false, "WM_CTLCOLORSTATIC"},
                          {0, true, "WM_CTLCOLORSTATIC"}};
    for (const Case& c : cases) {
        Make(c.style | (c.disabled ? WS_DISABLED : 0), "text");
        watchColours = true;
        notes.clear();
        InvalidateRect(edit, nullptr, 1);
        UpdateWindow(edit);
        watchColours = false;
        EXPECT_EQ(notes, (Lines{c.expected})) << c.style << c.disabled;
    }
}

TEST_F(EditClass, SelectionColoursWhileFocusedOrWithNoHideSel) {
    struct Case {
        DWORD style;
        bool focused;
        bool highlighted;
    };
    const Case cases[] = {{0, true, true}, {0, false, false}, {ES_NOHIDESEL, false, true}};
    for (const Case& c : cases) {
        Make(c.style | ES_AUTOHSCROLL, "MMMM MMMM");
        if (c.focused) SetFocus(edit);
        Send(EM_SETSEL, 0, 4);
        display.PumpMessages();
        POINT p = ScreenPosOf(1);
        const COLORREF inside = ScreenPixel(p.x, p.y + 1);  // above the glyphs, in the cell
        EXPECT_EQ(inside == GetSysColor(COLOR_HIGHLIGHT), c.highlighted) << c.style << c.focused;
        POINT q = ScreenPosOf(6);
        EXPECT_EQ(ScreenPixel(q.x, q.y + 1), GetSysColor(COLOR_WINDOW));
        SetFocus(parent);
    }
}

TEST_F(EditClass, DisabledTextIsGray) {
    Make(WS_DISABLED | ES_AUTOHSCROLL, "MMMMMMMM", {200, 30});
    display.PumpMessages();
    RECT r = Client();
    bool gray = false;
    for (int y = r.top; y < r.bottom && !gray; ++y)
        for (int x = r.left; x < r.left + 60 && !gray; ++x) gray = ScreenPixel(x, y) == GetSysColor(COLOR_GRAYTEXT);
    EXPECT_TRUE(gray);
}

TEST_F(EditClass, PrintGivesThePaintedPixels) {
    Make(ES_MULTILINE, "printed\r\ntext", {120, 60});
    Send(EM_SETSEL, 0, 4);
    SetFocus(edit);
    display.PumpMessages();
    HideCaret(edit);
    RECT window = test::WindowRect(edit);
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    Send(WM_PRINT, reinterpret_cast<WPARAM>(memory), PRF_NONCLIENT | PRF_CLIENT);
    int differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) differing += GetPixel(memory, x, y) != GetPixel(screen, window.left + x, window.top + y);
    EXPECT_EQ(differing, 0);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

TEST_F(EditClass, WithoutAutoScrollingOnlyWhatFitsGoesIn) {
    MakeFocused(0, "", {60, 24});  // single-line without ES_AUTOHSCROLL
    Type("MMMMMMMMMMMMMMMMMMMM");
    const std::size_t kept = Text().size();
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, 20u);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back(), "EN_MAXTEXT");
    EXPECT_LE(ScreenPosOf(kept - 1).x, Client().right);

    MakeFocused(ES_MULTILINE, "", {100, 40});  // room for two lines, no ES_AUTOVSCROLL
    for (int i = 0; i < 5; ++i) Type("x\r");
    ASSERT_GE(Send(EM_GETLINECOUNT), 2);
    const int lineHeight = HIWORD(static_cast<DWORD>(Send(EM_POSFROMCHAR, Send(EM_LINEINDEX, 1))));
    ASSERT_GT(lineHeight, 0);
    EXPECT_EQ(Send(EM_GETLINECOUNT), (Client().bottom - Client().top) / lineHeight);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 0);
}

TEST_F(EditClass, AParentMayDestroyTheEditFromANotification) {
    MakeFocused(ES_AUTOHSCROLL);
    rec.SetHandler([this](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_COMMAND && reinterpret_cast<HWND>(lp) == edit && HIWORD(wp) == EN_UPDATE) DestroyWindow(edit);
        return std::nullopt;
    });
    Send(EM_LIMITTEXT, 1);
    SetClipboardText("too long");
    Send(WM_PASTE);  // EN_UPDATE destroys it; EN_MAXTEXT would follow
    EXPECT_FALSE(IsWindow(edit));
    edit = nullptr;
}

TEST_F(EditClass, TabStops) {
    Make(ES_MULTILINE, "a\tb", {300, 40});
    const int a = ScreenPosOf(0).x;
    const int every8 = ScreenPosOf(2).x - a;
    int stops[] = {16};
    EXPECT_EQ(Send(EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(stops)), 1);
    const int every4 = ScreenPosOf(2).x - a;
    EXPECT_EQ(every8, 2 * every4);
    EXPECT_EQ(Send(EM_SETTABSTOPS, 0, 0), 1);
    EXPECT_EQ(ScreenPosOf(2).x - a, every8);
}

TEST_F(EditClass, TheCaretBlinksAtTheInsertionPointWhileFocused) {
    MakeFocused(ES_AUTOHSCROLL, "x  y", {200, 24});
    Send(EM_SETSEL, 2, 2);
    display.PumpMessages();
    POINT p = ScreenPosOf(2);
    auto caretShown = [&] { return ScreenPixel(p.x, p.y + 2) != GetSysColor(COLOR_WINDOW); };
    // Between the glyphs the background shows unless the caret is there.
    ASSERT_EQ(ScreenPixel(p.x, p.y + 2) == GetSysColor(COLOR_WINDOW), false);
    display.Clock().SetAutoAdvance(false);
    std::vector<bool> seen;
    for (int i = 0; i < 4; ++i) {
        display.AdvanceTime(GetCaretBlinkTime());
        display.PumpMessages();
        seen.push_back(caretShown());
    }
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false, true}));
    SetFocus(parent);
    display.PumpMessages();
    EXPECT_FALSE(caretShown());
}

// The second row of text exists only where the text wraps.
TEST_F(EditClass, SingleAndMultiLineLayOutDifferently) {
    const char* text = "wrapping words wrapping words wrapping words";
    Make(ES_MULTILINE, text, {150, 60});
    ASSERT_GT(Send(EM_GETLINECOUNT), 1);
    const int lineHeight = HIWORD(static_cast<DWORD>(Send(EM_POSFROMCHAR, Send(EM_LINEINDEX, 1))));
    auto inkInSecondRow = [&] {
        RECT r = Client();
        HDC screen = GetDC(nullptr);
        int ink = 0;
        for (int y = r.top + lineHeight; y < r.top + 2 * lineHeight; ++y)
            for (int x = r.left; x < r.right; ++x) ink += GetPixel(screen, x, y) != GetSysColor(COLOR_WINDOW);
        ReleaseDC(nullptr, screen);
        return ink;
    };
    EXPECT_GT(inkInSecondRow(), 20);
    Make(ES_AUTOHSCROLL, text, {150, 60});
    EXPECT_EQ(inkInSecondRow(), 0);
}

TEST_F(EditClass, PictureOfTheThreeKinds) {
    HWND single = Make(ES_AUTOHSCROLL, "Single line \xE2\x82\xAC", {220, 24});
    edit = nullptr;  // kept
    HWND password = CreateWindowEx(WS_EX_CLIENTEDGE, "Edit", "secret\xF0\x9F\x98\x80", WS_CHILD | WS_VISIBLE | ES_PASSWORD,
                                   10, 44, 220, 24, parent, nullptr, nullptr, nullptr);
    HWND memo = CreateWindowEx(WS_EX_CLIENTEDGE, "Edit", "A multi-line edit wraps its words at the right edge.\r\nSecond paragraph.",
                               WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL | ES_NOHIDESEL, 10, 78, 220, 90,
                               parent, nullptr, nullptr, nullptr);
    SendMessage(memo, EM_SETSEL, 2, 20);
    SetFocus(single);
    display.PumpMessages();
    ASSERT_TRUE(single && password && memo);
    const std::string path = (std::filesystem::temp_directory_path() / "parch-edit-classes.png").string();
    ASSERT_TRUE(SaveWindowPng(parent, path));
    EXPECT_GT(std::filesystem::file_size(path), 100u);
}

}  // namespace
}  // namespace parch
