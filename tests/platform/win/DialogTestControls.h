#pragma once
// Small stand-ins for the standard controls, as the dialog manager sees them: what they answer
// to WM_GETDLGCODE and the button and edit messages it sends. Each writes the messages a test
// watches into a log as "<id> <message>" lines; the dialog procedure writes "dlg <message>".

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/display/HeadlessDisplay.h"
#include "platform/win/WinApi.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch::test {

constexpr UINT kBmGetCheck = 0x00F0;
constexpr UINT kBmSetCheck = 0x00F1;
constexpr UINT kBmSetStyle = 0x00F4;
constexpr UINT kBmClick = 0x00F5;
constexpr UINT kEmSetSel = 0x00B1;
constexpr DWORD kPush = 0x0;
constexpr DWORD kDefPush = 0x1;
constexpr DWORD kCheckBox = 0x3;
constexpr DWORD kAutoRadio = 0x9;

class DialogLog {
public:
    static std::vector<std::string>& Lines() {
        static std::vector<std::string> lines;
        return lines;
    }
    static std::vector<std::string> Take() { return std::exchange(Lines(), {}); }
    static void Add(const std::string& line) { Lines().push_back(line); }
};

inline std::string DialogMessageName(UINT m, WPARAM wp) {
    switch (m) {
        case WM_SETFONT: return "WM_SETFONT";
        case WM_CREATE: return "WM_CREATE";
        case WM_INITDIALOG: return "WM_INITDIALOG";
        case WM_SETFOCUS: return "WM_SETFOCUS";
        case WM_KILLFOCUS: return "WM_KILLFOCUS";
        case WM_COMMAND: return "WM_COMMAND " + std::to_string(LOWORD(wp)) + " " + std::to_string(HIWORD(wp));
        case kBmSetStyle: return "BM_SETSTYLE " + std::to_string(wp);
        case kBmClick: return "BM_CLICK";
        case kBmSetCheck: return "BM_SETCHECK " + std::to_string(wp);
        case kEmSetSel: return "EM_SETSEL";
        case WM_CHAR: return "WM_CHAR " + std::string(1, static_cast<char>(wp));
        case WM_KEYDOWN: return "WM_KEYDOWN " + std::to_string(wp);
        default: return {};
    }
}

// "TestButton" (push, default push, check box, auto radio by the style's type), "TestEdit"
// (wants characters and arrows, selects all on tab focus), "TestLabel" (a static).
class TestControls {
public:
    TestControls() {
        for (const char* name : {"TestButton", "TestEdit", "TestLabel"}) {
            WNDCLASSEX wc;
            wc.lpfnWndProc = &Proc;
            wc.lpszClassName = name;
            RegisterClassEx(&wc);
        }
    }

private:
    static std::string ClassOf(HWND hwnd) {
        char name[32] = {};
        GetClassName(hwnd, name, sizeof name);
        return name;
    }
    static DWORD Type(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)) & 0xF; }

    static LRESULT ButtonCode(HWND hwnd) {
        switch (Type(hwnd)) {
            case kPush: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
            case kDefPush: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
            case kAutoRadio: return DLGC_BUTTON | DLGC_RADIOBUTTON;
            default: return DLGC_BUTTON;
        }
    }

    static void Click(HWND hwnd) {
        if (Type(hwnd) == kAutoRadio) {
            HWND parent = GetParent(hwnd);
            for (HWND h = hwnd;;) {
                h = GetNextDlgGroupItem(parent, h, 0);
                if (!h || h == hwnd) break;
                if (ClassOf(h) == "TestButton" && Type(h) == kAutoRadio) SendMessage(h, kBmSetCheck, 0, 0);
            }
            SendMessage(hwnd, kBmSetCheck, 1, 0);
        } else if (Type(hwnd) == kCheckBox) {
            SendMessage(hwnd, kBmSetCheck, SendMessage(hwnd, kBmGetCheck, 0, 0) ? 0 : 1, 0);
        }
        win::NotifyParent(hwnd, 0);
    }

    static LRESULT Proc(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
        std::string text = DialogMessageName(m, wp);
        if (!text.empty() && m != WM_COMMAND) DialogLog::Add(std::to_string(GetDlgCtrlID(hwnd)) + " " + text);
        const std::string cls = ClassOf(hwnd);
        switch (m) {
            case WM_GETDLGCODE:
                if (cls == "TestButton") return ButtonCode(hwnd);
                // A test may ask for more keys with the property "wants".
                if (cls == "TestEdit")
                    return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS |
                           reinterpret_cast<LRESULT>(GetProp(hwnd, "wants"));
                return DLGC_STATIC;
            case kBmSetStyle: {
                auto style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
                SetWindowLongPtr(hwnd, GWL_STYLE, static_cast<LONG_PTR>((style & ~0xFu) | (wp & 0xF)));
                return 0;
            }
            case kBmClick: Click(hwnd); return 0;
            case kBmSetCheck: SetProp(hwnd, "check", reinterpret_cast<void*>(wp)); return 0;
            case kBmGetCheck: return reinterpret_cast<LRESULT>(GetProp(hwnd, "check"));
            default: return DefWindowProc(hwnd, m, wp, lp);
        }
    }
};

// The dialog procedure of the tests: logs, ends the dialog on IDOK and IDCANCEL, and hands
// every message to the test's handler first.
class TestDialogProc {
public:
    using Handler = std::function<std::optional<INT_PTR>(HWND, UINT, WPARAM, LPARAM)>;
    static Handler& Current() {
        static Handler handler;
        return handler;
    }
    static INT_PTR Proc(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
        std::string text = DialogMessageName(m, wp);
        if (!text.empty()) DialogLog::Add("dlg " + text);
        if (Current())
            if (auto answer = Current()(hwnd, m, wp, lp)) return *answer;
        if (m == WM_INITDIALOG) return 1;
        if (m == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
            EndDialog(hwnd, LOWORD(wp));
            return 1;
        }
        return 0;
    }
};

// A test with the headless display, a recorder, the test controls and a clean log.
class DialogTest : public RecorderTest {
protected:
    TestControls controls;
    void SetUp() override {
        DialogLog::Take();
        TestDialogProc::Current() = nullptr;
    }
    void TearDown() override {
        TestDialogProc::Current() = nullptr;
        RecorderTest::TearDown();
    }
    HWND Create(const DialogTemplateBuilder& b, HWND parent = nullptr, LPARAM param = 0) {
        bytes_ = b.Build();
        return CreateDialogIndirectParam(nullptr, reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()), bytes_.size(),
                                         parent, &TestDialogProc::Proc, param);
    }
    INT_PTR Run(const DialogTemplateBuilder& b, HWND parent = nullptr) {
        bytes_ = b.Build();
        return DialogBoxIndirectParam(nullptr, reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()), bytes_.size(),
                                      parent, &TestDialogProc::Proc, 0);
    }

private:
    std::vector<BYTE> bytes_;
};

}  // namespace parch::test
