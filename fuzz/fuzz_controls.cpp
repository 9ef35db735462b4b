// Hostile message sequences to the standard controls ("Edit" single and multi-line, "ListBox"
// plain and owner-draw variable, "ComboBox" of each style) on the headless display. After
// every message the controls must still hold valid UTF-8, a selection inside their text, an
// item count that agrees with the items added and removed, and a current item in range.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/WinApi.h"

namespace parch::fuzzcontrols {
namespace {

constexpr std::size_t kMaxMessages = 300;
constexpr std::size_t kMaxTextBytes = 600;
constexpr int kMaxItems = 150;

[[noreturn]] void Fail(const char* what, const std::string& detail = "") {
    std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

class Input : public fuzzing::FuzzInput {
public:
    using FuzzInput::FuzzInput;
    // Bytes with an explicit length: invalid UTF-8 and NULs come as they are.
    std::string Bytes() {
        std::size_t length = std::min<std::size_t>(Byte() | (Byte() % 4) << 8, kMaxTextBytes);
        std::string text;
        while (length-- > 0 && !Empty()) text.push_back(static_cast<char>(Byte()));
        return text;
    }
};

WPARAM AsW(std::int64_t n) { return static_cast<WPARAM>(n); }
LPARAM AsL(std::int64_t n) { return static_cast<LPARAM>(n); }

// The parent answers owner-draw measuring with whatever height the input asks for.
struct ParentAnswers {
    static int& ItemHeight() {
        static int height = 16;
        return height;
    }
    static LRESULT Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_MEASUREITEM) {
            reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = static_cast<UINT>(ItemHeight());
            return 1;
        }
        if (m == WM_DRAWITEM) return 1;
        return DefWindowProc(h, m, wp, lp);
    }
};

std::string WindowText(HWND h) {
    const LRESULT length = SendMessage(h, WM_GETTEXTLENGTH, 0, 0);
    if (length < 0) Fail("negative text length");
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessage(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    if (copied < 0 || copied > length) Fail("WM_GETTEXT copied more than its length");
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::string CheckedText(HWND h) {
    std::string text = WindowText(h);
    if (ValidUtf8(text) != text) Fail("stored text is not valid UTF-8");
    return text;
}

void CheckText(HWND edit) {
    const std::string text = CheckedText(edit);
    DWORD start = 0, end = 0;
    SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::size_t count = CodePointCount(text);
    if (start > end || end > count)
        Fail("selection outside the text", std::to_string(start) + ".." + std::to_string(end) + " of " + std::to_string(count));
}

// A list (a list box or a combo box's) with the item count the messages sent to it imply.
struct ListModel {
    HWND window = nullptr;
    bool combo = false;
    int count = 0;

    UINT Msg(UINT listMessage, UINT comboMessage) const { return combo ? comboMessage : listMessage; }

    void Check() const {
        const LRESULT actual = SendMessage(window, Msg(LB_GETCOUNT, CB_GETCOUNT), 0, 0);
        if (actual != count) Fail("item count", std::to_string(actual) + " expected " + std::to_string(count));
        const LRESULT current = SendMessage(window, Msg(LB_GETCURSEL, CB_GETCURSEL), 0, 0);
        if (current != LB_ERR && (current < 0 || current >= count)) Fail("current item out of range", std::to_string(current));
    }
};

class Session {
public:
    explicit Session(Input& in) : in_(in) {
        WNDCLASSEX wc;
        wc.lpfnWndProc = &ParentAnswers::Proc;
        wc.lpszClassName = "FuzzParent";
        RegisterClassEx(&wc);
        ParentAnswers::ItemHeight() = 16;
        parent_ = CreateWindowEx(0, "FuzzParent", "", WS_POPUP | WS_VISIBLE | WS_BORDER, 50, 50, 500, 400, nullptr,
                                 nullptr, nullptr, nullptr);
        const DWORD comboStyle = (in_.Byte() % 3) + 1 | ((in_.Byte() & 1) ? CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS : 0);
        const DWORD listStyle = (in_.Byte() & 1) ? LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS : LBS_NOTIFY;
        edits_[0] = Child("Edit", ES_AUTOHSCROLL, {10, 10, 200, 34}, 1);
        edits_[1] = Child("Edit", ES_MULTILINE | WS_VSCROLL | ES_AUTOVSCROLL, {10, 40, 200, 160}, 2);
        list_.window = Child("ListBox", listStyle | WS_VSCROLL | ((in_.Byte() & 1) ? LBS_SORT : 0), {220, 10, 400, 160}, 3);
        combo_.window = Child("ComboBox", comboStyle | WS_VSCROLL, {10, 200, 200, 350}, 4);
        combo_.combo = true;
        display_.PumpMessages();
    }
    ~Session() {
        DestroyWindow(parent_);
        display_.PumpMessages();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Run() {
        for (std::size_t n = 0; n < kMaxMessages && !in_.Empty(); ++n) {
            Step();
            CheckAll();
        }
    }

private:
    HWND Child(const char* cls, DWORD style, RECT r, int id) {
        return CreateWindowEx(0, cls, "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                              parent_, reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
    }

    void CheckAll() {
        for (HWND edit : edits_) CheckText(edit);
        list_.Check();
        combo_.Check();
        CheckedText(combo_.window);
        COMBOBOXINFO info;
        GetComboBoxInfo(combo_.window, &info);
        if (info.hwndItem && info.hwndItem != combo_.window) CheckText(info.hwndItem);
    }

    void Step() {
        const std::uint8_t what = in_.Byte();
        switch (what % 4) {
            case 0: return EditStep(edits_[in_.Byte() & 1]);
            case 1: return ListStep(list_);
            case 2: return ListStep(combo_);
            default: return InputStep();
        }
    }

    void EditStep(HWND edit) {
        switch (in_.Byte() % 16) {
            case 0: SendMessage(edit, EM_SETSEL, AsW(in_.Number()), AsL(in_.Number())); break;
            case 1: SendText(edit, EM_REPLACESEL, AsW(in_.Byte() & 1)); break;
            case 2: SendText(edit, WM_SETTEXT, 0); break;
            case 3: SendMessage(edit, WM_CHAR, AsW(in_.Word32() % 0x110010), 0); break;
            case 4: SendMessage(edit, WM_KEYDOWN, in_.Byte(), 0); break;
            case 5: SendMessage(edit, (WM_CUT + in_.Byte() % 5), 0, 0); break;  // cut, copy, paste, clear, undo
            case 6: SendMessage(edit, EM_UNDO, 0, 0); break;
            case 7: SendMessage(edit, EM_LIMITTEXT, AsW(in_.Number()), 0); break;
            case 8: SendMessage(edit, WM_VSCROLL, MAKEWPARAM(in_.Byte() % 9, static_cast<WORD>(in_.Number())), 0); break;
            case 9: SendMessage(edit, WM_HSCROLL, MAKEWPARAM(in_.Byte() % 9, static_cast<WORD>(in_.Number())), 0); break;
            case 10: SendMessage(edit, EM_LINESCROLL, AsW(in_.Number()), AsL(in_.Number())); break;
            case 11: Mouse(edit); break;
            case 12: {
                const UINT m = in_.Byte() & 1 ? EM_LINEINDEX : (in_.Byte() & 1 ? EM_LINELENGTH : EM_LINEFROMCHAR);
                SendMessage(edit, m, AsW(in_.Number()), 0);
                break;
            }
            case 13: {
                char buffer[64] = {};
                const WORD size = static_cast<WORD>(in_.Byte() % sizeof buffer);
                std::memcpy(buffer, &size, sizeof size);
                SendMessage(edit, EM_GETLINE, AsW(in_.Number()), reinterpret_cast<LPARAM>(buffer));
                break;
            }
            case 14: SendMessage(edit, EM_POSFROMCHAR, AsW(in_.Number()), 0);
                SendMessage(edit, EM_CHARFROMPOS, 0, AsL(in_.Number())); break;
            default: SendMessage(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, AsL(in_.Number())); break;
        }
    }

    // A pointer message with a NUL-terminated copy of hostile bytes (NULs inside cut it short).
    LRESULT SendText(HWND h, UINT m, WPARAM wp) {
        const std::string text = in_.Bytes();
        return SendMessage(h, m, wp, reinterpret_cast<LPARAM>(text.c_str()));
    }

    void ListStep(ListModel& list) {
        const bool room = list.count < kMaxItems;
        switch (in_.Byte() % 14) {
            case 0:
                if (room && SendText(list.window, list.Msg(LB_ADDSTRING, CB_ADDSTRING), 0) >= 0) ++list.count;
                break;
            case 1:
                if (room && SendText(list.window, list.Msg(LB_INSERTSTRING, CB_INSERTSTRING), AsW(in_.Number())) >= 0)
                    ++list.count;
                break;
            case 2: {
                const LRESULT left = SendMessage(list.window, list.Msg(LB_DELETESTRING, CB_DELETESTRING), AsW(in_.Number()), 0);
                if (left != LB_ERR) {
                    if (left != list.count - 1) Fail("delete answered a wrong count", std::to_string(left));
                    --list.count;
                }
                break;
            }
            case 3: SendMessage(list.window, list.Msg(LB_SETCURSEL, CB_SETCURSEL), AsW(in_.Number()), 0); break;
            case 4: SendText(list.window, list.Msg(LB_FINDSTRING, CB_FINDSTRING), AsW(in_.Number())); break;
            case 5: SendText(list.window, list.Msg(LB_FINDSTRINGEXACT, CB_FINDSTRINGEXACT), AsW(in_.Number())); break;
            case 6: SendText(list.window, list.Msg(LB_SELECTSTRING, CB_SELECTSTRING), AsW(in_.Number())); break;
            case 7:
                SendMessage(list.window, list.Msg(LB_SETITEMHEIGHT, CB_SETITEMHEIGHT), AsW(in_.Number()), AsL(in_.Number()));
                ParentAnswers::ItemHeight() = static_cast<int>(in_.Number());
                break;
            case 8: SendMessage(list.window, list.Msg(LB_SETTOPINDEX, CB_SETTOPINDEX), AsW(in_.Number()), 0); break;
            case 9: {
                const LRESULT length = SendMessage(list.window, list.Msg(LB_GETTEXTLEN, CB_GETLBTEXTLEN), AsW(in_.Number()), 0);
                if (length > static_cast<LRESULT>(kMaxTextBytes)) Fail("item longer than anything added");
                break;
            }
            case 10:
                if (list.combo) SendMessage(list.window, CB_SHOWDROPDOWN, in_.Byte() & 1, 0);
                else SendMessage(list.window, WM_VSCROLL, MAKEWPARAM(in_.Byte() % 9, static_cast<WORD>(in_.Number())), 0);
                break;
            case 11:
                if (in_.Byte() % 8 == 0) {
                    SendMessage(list.window, list.Msg(LB_RESETCONTENT, CB_RESETCONTENT), 0, 0);
                    list.count = 0;
                }
                break;
            case 12:
                SendMessage(list.window, WM_KEYDOWN, in_.Byte(), 0);
                SendMessage(list.window, WM_CHAR, AsW(in_.Word32() % 0x110010), 0);
                break;
            default: Mouse(list.window); break;
        }
    }

    // Mouse messages straight to a window, at hostile points.
    void Mouse(HWND h) {
        static constexpr UINT kMessages[] = {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEWHEEL};
        const UINT m = kMessages[in_.Byte() % std::size(kMessages)];
        const WPARAM wp = m == WM_MOUSEWHEEL ? MAKEWPARAM(0, static_cast<WORD>(in_.Number())) : AsW(in_.Byte() & 0x1F);
        SendMessage(h, m, wp, AsL(in_.Word32()));
    }

    POINT ScreenPoint() { return {static_cast<int>(in_.Number() % 4000), static_cast<int>(in_.Number() % 4000)}; }

    // Injected input on the screen, then the queue pumped, as a user would give it. A press is
    // always released before the queue is read: a press held on a scroll bar starts a loop
    // that runs until the release, which this single thread could never give.
    void InputStep() {
        switch (in_.Byte() % 5) {
            case 0: {
                const POINT p = ScreenPoint();
                display_.MoveMouse(p.x, p.y);
                break;
            }
            case 1: {
                const auto button = static_cast<HeadlessDisplay::Button>(in_.Byte() % 3);
                display_.MouseDown(button);
                for (int moves = in_.Byte() % 4; moves > 0; --moves) {
                    const POINT p = ScreenPoint();
                    display_.MoveMouse(p.x, p.y);
                }
                display_.MouseUp(button);
                break;
            }
            case 2: {
                const POINT p = ScreenPoint();
                display_.DoubleClick(p.x, p.y);
                break;
            }
            case 3: display_.PressKey(in_.Byte()); break;
            default: SetFocus(in_.Byte() & 1 ? edits_[in_.Byte() & 1] : (in_.Byte() & 1 ? list_.window : combo_.window)); break;
        }
        display_.AdvanceTime(in_.Byte());
        display_.PumpMessages();
    }

    HeadlessDisplay& display_ = Display();
    static HeadlessDisplay& Display() {
        static HeadlessDisplay display;
        return display;
    }

    Input& in_;
    HWND parent_ = nullptr;
    HWND edits_[2] = {};
    ListModel list_;
    ListModel combo_;
};

}  // namespace
}  // namespace parch::fuzzcontrols

// The first session loads the fonts and the display once, before any input is judged for leaks;
// the fonts are those the tests pin, so runs do not depend on the machine's font setup.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("FONTCONFIG_FILE", PARCH_SOURCE_DIR "/tests/platform/gdi/fonts.conf", 1);
    static const std::uint8_t kWarmUp[] = {0, 1, 1, 0, 0, 0, 2, 3, 0, 'a', 'b', 'c', 1, 0, 2, 0, 'x', 'y', 3, 0, 0};
    parch::fuzzcontrols::Input in(kWarmUp, sizeof kWarmUp);
    parch::fuzzcontrols::Session session(in);
    session.Run();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 8192) return -1;
    parch::fuzzcontrols::Input in(data, size);
    parch::fuzzcontrols::Session session(in);
    session.Run();
    return 0;
}
