#include "platform/win/UpDownClass.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "platform/gdi/Drawing.h"
#include "platform/gdi/Rects.h"
#include "platform/win/Clock.h"
#include "platform/win/CommonControls.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SystemValues.h"
#include "platform/win/Timers.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowProcs.h"
#include "platform/win/WindowTree.h"
#include "platform/win/Focus.h"

namespace parch::win {

namespace updown {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstDelay = 400;
constexpr UINT kRepeatDelay = 100;
constexpr std::size_t kMaxAccels = 64;

enum class Arrow { None, Up, Down };

struct UpDown {
    HWND hwnd = nullptr;
    DWORD style = 0;
    int lower = 100;  // the documented default range runs from 100 down to 0
    int upper = 0;
    int pos = 0;
    int base = 10;
    HWND buddy = nullptr;
    std::vector<UDACCEL> accels{{0, 1}, {2, 5}, {5, 20}};
    Arrow pressed = Arrow::None;
    std::uint64_t pressedAt = 0;
    int busy = 0;  // messages being handled; the parent may destroy the control meanwhile
    bool destroyed = false;
};

UpDown* Find(HWND hwnd) { return reinterpret_cast<UpDown*>(GetWindowLongPtr(hwnd, 0)); }

bool Horizontal(const UpDown& ud) { return (ud.style & UDS_HORZ) != 0; }

std::string FormatNumber(const UpDown& ud, int value) {
    if (ud.base == 16) {
        char buffer[16];
        auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<unsigned>(value), 16).ptr;
        std::string hex(buffer, end);
        for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return "0x" + hex;
    }
    std::string digits = std::to_string(value < 0 ? -static_cast<long long>(value) : value);
    if (!(ud.style & UDS_NOTHOUSANDS))
        for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<std::size_t>(i), ",");
    return value < 0 ? "-" + digits : digits;
}

// The number in the buddy's text; thousands separators and surrounding blanks are allowed.
bool ParseNumber(const UpDown& ud, std::string text, int& value) {
    std::erase(text, ',');
    std::erase(text, ' ');
    int numberBase = ud.base == 16 ? 16 : 10;
    std::string_view view = text;
    bool negative = !view.empty() && view.front() == '-';
    if (negative) view.remove_prefix(1);
    if (numberBase == 16 && (view.starts_with("0x") || view.starts_with("0X"))) view.remove_prefix(2);
    if (view.empty()) return false;
    long long parsed = 0;
    auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), parsed, numberBase);
    if (error != std::errc() || end != view.data() + view.size()) return false;
    if (negative) parsed = -parsed;
    if (parsed < INT32_MIN || parsed > INT32_MAX) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool HasBuddyInt(const UpDown& ud) { return (ud.style & UDS_SETBUDDYINT) && ud.buddy && IsWindow(ud.buddy); }

void WriteBuddy(const UpDown& ud) {
    if (HasBuddyInt(ud)) SetWindowText(ud.buddy, FormatNumber(ud, ud.pos).c_str());
}

// Takes the position from the buddy's text; false when the text is no number in range.
bool ReadBuddy(UpDown& ud) {
    if (!HasBuddyInt(ud)) return true;
    int value = 0;
    if (!ParseNumber(ud, WindowText(ud.buddy), value)) return false;
    if (value < std::min(ud.lower, ud.upper) || value > std::max(ud.lower, ud.upper)) return false;
    ud.pos = value;
    return true;
}

int Clamp(const UpDown& ud, int value) { return std::clamp(value, std::min(ud.lower, ud.upper), std::max(ud.lower, ud.upper)); }

int CurrentStep(const UpDown& ud) {
    std::uint64_t seconds = (GetTickCount64() - ud.pressedAt) / 1000;
    int step = 1;
    for (const UDACCEL& a : ud.accels)
        if (seconds >= a.nSec) step = static_cast<int>(a.nInc);
    return step;
}

void Redraw(UpDown& ud) { InvalidateRect(ud.hwnd, nullptr, 1); }

void TellParent(const UpDown& ud, WORD code) {
    HWND parent = GetParent(ud.hwnd);
    if (!parent) return;
    UINT message = Horizontal(ud) ? WM_HSCROLL : WM_VSCROLL;
    SendMessage(parent, message, MAKEWPARAM(code, static_cast<WORD>(ud.pos)), reinterpret_cast<LPARAM>(ud.hwnd));
}

// One step of the up (towards the upper end) or down arrow: asked, applied, told.
void Step(UpDown& ud, Arrow arrow) {
    ReadBuddy(ud);
    int step = CurrentStep(ud);
    if (arrow == Arrow::Down) step = -step;
    if (ud.upper < ud.lower) step = -step;
    NMUPDOWN nm;
    nm.iPos = ud.pos;
    nm.iDelta = step;
    if (SendNotify(ud.hwnd, UDN_DELTAPOS, &nm.hdr)) return;
    if (ud.destroyed) return;
    long long target = static_cast<long long>(ud.pos) + nm.iDelta;
    int low = std::min(ud.lower, ud.upper), high = std::max(ud.lower, ud.upper);
    int next = ud.pos;
    if (target > high) next = (ud.style & UDS_WRAP) ? low : high;
    else if (target < low) next = (ud.style & UDS_WRAP) ? high : low;
    else next = static_cast<int>(target);
    if (next == ud.pos) return;
    ud.pos = next;
    WriteBuddy(ud);
    TellParent(ud, SB_THUMBPOSITION);
}

RECT Half(const UpDown& ud, Arrow arrow) {
    RECT r;
    GetClientRect(ud.hwnd, &r);
    if (Horizontal(ud)) {
        int middle = (r.right + 1) / 2;
        // Left is "down" (decreasing), right is "up".
        if (arrow == Arrow::Down) r.right = middle;
        else r.left = r.right / 2;
    } else {
        int middle = (r.bottom + 1) / 2;
        if (arrow == Arrow::Up) r.bottom = middle;
        else r.top = r.bottom / 2;
    }
    return r;
}

Arrow ArrowAt(const UpDown& ud, POINT p) {
    RECT client;
    GetClientRect(ud.hwnd, &client);
    if (!PtInRect(&client, p)) return Arrow::None;
    if (Horizontal(ud)) return p.x < client.right / 2 ? Arrow::Down : Arrow::Up;
    return p.y < client.bottom / 2 ? Arrow::Up : Arrow::Down;
}

void Press(UpDown& ud, POINT p) {
    Arrow arrow = ArrowAt(ud, p);
    if (arrow == Arrow::None) return;
    SetCapture(ud.hwnd);
    ud.pressed = arrow;
    ud.pressedAt = GetTickCount64();
    Redraw(ud);
    SetTimer(ud.hwnd, kRepeatTimer, kFirstDelay, nullptr);
    Step(ud, arrow);
}

void Release(UpDown& ud) {
    if (ud.pressed == Arrow::None) return;
    ud.pressed = Arrow::None;
    KillTimer(ud.hwnd, kRepeatTimer);
    if (GetCapture() == ud.hwnd) ReleaseCapture();
    Redraw(ud);
    TellParent(ud, SB_ENDSCROLL);
}

void Repeat(UpDown& ud) {
    if (ud.pressed == Arrow::None) return;
    SetTimer(ud.hwnd, kRepeatTimer, kRepeatDelay, nullptr);
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(ud.hwnd, &cursor);
    // Held outside its arrow, the press waits without stepping.
    if (ArrowAt(ud, cursor) == ud.pressed) Step(ud, ud.pressed);
}

void Paint(UpDown& ud, HDC dc) {
    bool enabled = IsWindowEnabled(ud.hwnd);
    for (Arrow arrow : {Arrow::Up, Arrow::Down}) {
        RECT r = Half(ud, arrow);
        UINT kind = Horizontal(ud) ? (arrow == Arrow::Up ? DFCS_SCROLLRIGHT : DFCS_SCROLLLEFT)
                                   : (arrow == Arrow::Up ? DFCS_SCROLLUP : DFCS_SCROLLDOWN);
        if (ud.pressed == arrow) kind |= DFCS_PUSHED;
        if (!enabled) kind |= DFCS_INACTIVE;
        DrawFrameControl(dc, &r, DFC_SCROLL, kind);
    }
}

LRESULT KeySubclass(HWND hwnd, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref);

bool ArrowKey(const UpDown& ud, WPARAM key) {
    if (!(ud.style & UDS_ARROWKEYS)) return false;
    return key == VK_UP || key == VK_DOWN || (Horizontal(ud) && (key == VK_LEFT || key == VK_RIGHT));
}

void Key(UpDown& ud, WPARAM key, bool down) {
    if (!down) {
        TellParent(ud, SB_ENDSCROLL);
        return;
    }
    ud.pressedAt = GetTickCount64();
    Step(ud, key == VK_UP || key == VK_RIGHT ? Arrow::Up : Arrow::Down);
}

// Keeps the arrows at the buddy's side, taking their room from it.
void Attach(UpDown& ud) {
    if (!(ud.style & (UDS_ALIGNLEFT | UDS_ALIGNRIGHT)) || !ud.buddy || !IsWindow(ud.buddy)) return;
    RECT b, own;
    GetWindowRect(ud.buddy, &b);
    GetWindowRect(ud.hwnd, &own);
    HWND parent = GetParent(ud.buddy);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&b), 2);
    int width = own.right - own.left > 0 ? own.right - own.left : GetSystemMetrics(SM_CXVSCROLL);
    int buddyWidth = std::max(0, static_cast<int>(b.right - b.left) - width);
    int height = b.bottom - b.top;
    if (ud.style & UDS_ALIGNLEFT) {
        SetWindowPos(ud.buddy, nullptr, b.left + width, b.top, buddyWidth, height, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(ud.hwnd, nullptr, b.left, b.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(ud.buddy, nullptr, b.left, b.top, buddyWidth, height, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(ud.hwnd, nullptr, b.left + buddyWidth, b.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HWND SetBuddy(UpDown& ud, HWND buddy) {
    HWND previous = ud.buddy;
    if (previous && IsWindow(previous)) RemoveWindowSubclass(previous, &KeySubclass, reinterpret_cast<UINT_PTR>(ud.hwnd));
    ud.buddy = buddy && IsWindow(buddy) ? buddy : nullptr;
    if (ud.buddy) {
        if (ud.style & UDS_ARROWKEYS)
            SetWindowSubclass(ud.buddy, &KeySubclass, reinterpret_cast<UINT_PTR>(ud.hwnd), reinterpret_cast<DWORD_PTR>(ud.hwnd));
        Attach(ud);
        WriteBuddy(ud);
    }
    return previous;
}

// The buddy's arrow keys step the control.
LRESULT KeySubclass(HWND hwnd, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    UpDown* ud = Find(reinterpret_cast<HWND>(ref));
    if (ud && (m == WM_KEYDOWN || m == WM_KEYUP) && ArrowKey(*ud, wp)) {
        Key(*ud, wp, m == WM_KEYDOWN);
        return 0;
    }
    if (ud && m == WM_GETDLGCODE) return DefSubclassProc(hwnd, m, wp, lp) | DLGC_WANTARROWS;
    return DefSubclassProc(hwnd, m, wp, lp);
}

LRESULT SetPos(UpDown& ud, int value) {
    int previous = ud.pos;
    ud.pos = Clamp(ud, value);
    WriteBuddy(ud);
    return previous;
}

LRESULT Messages(UpDown& ud, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case UDM_SETRANGE:
            ud.upper = static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp)));
            ud.lower = static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lp)));
            return 0;
        case UDM_GETRANGE: return MAKELONG(static_cast<WORD>(ud.upper), static_cast<WORD>(ud.lower));
        case UDM_SETRANGE32:
            ud.lower = static_cast<int>(static_cast<INT_PTR>(wp));
            ud.upper = static_cast<int>(lp);
            return 0;
        case UDM_GETRANGE32:
            if (wp) *reinterpret_cast<int*>(wp) = ud.lower;
            if (lp) *reinterpret_cast<int*>(lp) = ud.upper;
            return 0;
        case UDM_SETPOS: return SetPos(ud, static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp))));
        case UDM_GETPOS: {
            bool ok = ReadBuddy(ud);
            return MAKELONG(static_cast<WORD>(ud.pos), ok ? 0 : 1);
        }
        case UDM_SETPOS32: return SetPos(ud, static_cast<int>(lp));
        case UDM_GETPOS32: {
            bool ok = ReadBuddy(ud);
            if (lp) *reinterpret_cast<BOOL*>(lp) = ok ? 0 : 1;
            return ud.pos;
        }
        case UDM_SETBUDDY: return reinterpret_cast<LRESULT>(SetBuddy(ud, reinterpret_cast<HWND>(wp)));
        case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(ud.buddy);
        case UDM_SETACCEL: {
            if (!lp || wp == 0 || wp > kMaxAccels) return 0;
            const auto* table = reinterpret_cast<const UDACCEL*>(lp);
            ud.accels.assign(table, table + wp);
            return 1;
        }
        case UDM_GETACCEL: {
            auto* count = reinterpret_cast<WPARAM*>(wp);
            if (!count) return static_cast<LRESULT>(ud.accels.size());
            std::size_t n = std::min<std::size_t>(*count, ud.accels.size());
            if (lp) std::copy_n(ud.accels.begin(), n, reinterpret_cast<UDACCEL*>(lp));
            *count = n;
            return static_cast<LRESULT>(ud.accels.size());
        }
        case UDM_SETBASE: {
            if (wp != 10 && wp != 16) return 0;
            int previous = ud.base;
            ud.base = static_cast<int>(wp);
            WriteBuddy(ud);
            return previous;
        }
        case UDM_GETBASE: return ud.base;
        default: return DefWindowProc(ud.hwnd, m, wp, lp);
    }
}

LRESULT Dispatch(UpDown& ud, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_CREATE:
            if (ud.style & UDS_AUTOBUDDY) SetBuddy(ud, GetWindow(ud.hwnd, GW_HWNDPREV));
            return 0;
        case WM_PAINT:
            // Into the given context (a subclass painting through its own), or between
            // BeginPaint and EndPaint.
            PaintControl(ud.hwnd, reinterpret_cast<HDC>(wp), [&ud](HDC dc) { Paint(ud, dc); });
            return 0;
        case WM_PRINTCLIENT: Paint(ud, reinterpret_cast<HDC>(wp)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_ENABLE: Redraw(ud); return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: Press(ud, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}); return 0;
        case WM_LBUTTONUP: Release(ud); return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != ud.hwnd) Release(ud);
            return 0;
        case WM_TIMER:
            if (wp == kRepeatTimer) Repeat(ud);
            return 0;
        case WM_GETDLGCODE: return (ud.style & UDS_ARROWKEYS) ? DLGC_WANTARROWS : 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (ArrowKey(ud, wp)) Key(ud, wp, m == WM_KEYDOWN);
            return 0;
        case WM_STYLECHANGED:
            if (wp == static_cast<WPARAM>(GWL_STYLE)) ud.style = reinterpret_cast<const STYLESTRUCT*>(lp)->styleNew;
            Redraw(ud);
            return 0;
        default: return Messages(ud, m, wp, lp);
    }
}

LRESULT Procedure(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        auto* ud = new UpDown;
        ud->hwnd = hwnd;
        ud->style = static_cast<DWORD>(reinterpret_cast<const CREATESTRUCT*>(lp)->style);
        SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(ud));
        return DefWindowProc(hwnd, m, wp, lp);
    }
    UpDown* ud = Find(hwnd);
    if (!ud) return DefWindowProc(hwnd, m, wp, lp);
    if (m == WM_NCDESTROY) {
        if (ud->buddy && IsWindow(ud->buddy))
            RemoveWindowSubclass(ud->buddy, &KeySubclass, reinterpret_cast<UINT_PTR>(hwnd));
        SetWindowLongPtr(hwnd, 0, 0);
        if (ud->busy) ud->destroyed = true;
        else delete ud;
        return DefWindowProc(hwnd, m, wp, lp);
    }
    ++ud->busy;
    LRESULT result = Dispatch(*ud, m, wp, lp);
    if (--ud->busy == 0 && ud->destroyed) delete ud;
    return result;
}

}  // namespace updown

void RegisterUpDownClass() {
    WNDCLASSEX wc;
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
    wc.lpfnWndProc = &updown::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "msctls_updown32";
    RegisterClassEx(&wc);
}

}  // namespace parch::win
