#include "platform/win/Dialogs.h"

#include <algorithm>
#include <utility>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/DialogNavigation.h"
#include "platform/win/Focus.h"
#include "platform/win/Messages.h"
#include "platform/win/NonClient.h"
#include "platform/win/Painting.h"
#include "platform/win/Resources.h"
#include "platform/win/SystemIcons.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSideTable.h"
#include "platform/win/WindowTree.h"
#include "platform/win/Input.h"
#include "platform/win/MessageBox.h"

namespace parch::win {

namespace dialogs {

// What the dialog manager keeps for each dialog beside its window bytes.
struct DialogState {
    HFONT font = nullptr;
    bool ownsFont = false;
    HWND focusSave = nullptr;
    int defaultId = IDOK;
    bool ended = false;
    INT_PTR result = 0;
    HWND disabledOwner = nullptr;  // the owner a modal loop disabled, until it is enabled again
};

WindowSideTable<DialogState>& States() {
    static WindowSideTable<DialogState> table;  // guarded by the window system's lock
    return table;
}

template <typename F>
auto WithState(HWND dialog, F&& f) -> decltype(f(std::declval<DialogState*>())) {
    Lock lock(S().mutex);
    return f(States().Find(dialog));
}

constexpr int kMaxFontPoints = 144;

int MulDivRound(int value, int numerator, int denominator) {
    long long product = static_cast<long long>(value) * numerator;
    return static_cast<int>((product >= 0 ? product + denominator / 2 : product - denominator / 2) / denominator);
}

HFONT CreateTemplateFont(const DialogFont& font) {
    LOGFONT lf{};
    if (font.pointSize == 0x7FFF) {
        // The template asks for the message font.
        NONCLIENTMETRICS metrics;
        SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        lf = metrics.lfMessageFont;
    } else {
        // A template's size is taken up to a limit: glyphs of an absurd size would cost memory
        // without end.
        lf.lfHeight = -MulDivRound(std::min<int>(font.pointSize, kMaxFontPoints), 96, 72);
        lf.lfWeight = font.weight ? font.weight : 400;
        lf.lfItalic = font.italic;
        lf.lfCharSet = font.charSet;
        std::size_t n = std::min(font.face.size(), sizeof(lf.lfFaceName) - 1);
        std::copy_n(font.face.data(), n, lf.lfFaceName);
        lf.lfFaceName[n] = 0;
    }
    return CreateFontIndirect(&lf);
}

// Dialog units of the template to pixels with the base units.
RECT MapUnits(SIZE base, int x, int y, int cx, int cy) {
    int left = MulDivRound(x, base.cx, 4);
    int top = MulDivRound(y, base.cy, 8);
    return {left, top, left + MulDivRound(cx, base.cx, 4), top + MulDivRound(cy, base.cy, 8)};
}

// Where a top-level dialog goes: centred on the work area (DS_CENTER), else at its template
// position from the owner's client origin; kept inside the work area either way.
POINT TopLevelPosition(const DialogTemplate& t, DWORD style, HWND owner, SIZE base, SIZE windowSize) {
    RECT work = WorkArea();
    POINT at;
    if (style & DS_CENTER) {
        at = {work.left + (work.right - work.left - windowSize.cx) / 2,
              work.top + (work.bottom - work.top - windowSize.cy) / 2};
    } else {
        RECT r = MapUnits(base, t.x, t.y, 0, 0);
        at = {r.left, r.top};
        if (owner && !(style & DS_ABSALIGN)) ClientToScreen(owner, &at);
    }
    at.x = std::max(work.left, std::min(at.x, work.right - windowSize.cx));
    at.y = std::max(work.top, std::min(at.y, work.bottom - windowSize.cy));
    return at;
}

struct Creation {
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;
    RECT rect;
};

Creation PlanWindow(const DialogTemplate& t, HWND parent, SIZE base) {
    Creation c;
    c.style = t.style & ~WS_VISIBLE;
    c.exStyle = t.exStyle;
    if (t.style & DS_CONTROL) {
        c.style &= ~(WS_CAPTION | WS_SYSMENU);
        c.exStyle |= WS_EX_CONTROLPARENT;
    }
    if (t.style & DS_MODALFRAME) c.exStyle |= WS_EX_DLGMODALFRAME;
    if (t.style & DS_CONTEXTHELP) c.exStyle |= WS_EX_CONTEXTHELP;
    const bool child = (c.style & WS_CHILD) != 0;
    // A top-level dialog is owned by its parent's top-level window.
    c.parent = child || !parent ? parent : GetAncestor(parent, GA_ROOT);
    RECT client = MapUnits(base, 0, 0, t.cx, t.cy);
    AdjustWindowRectEx(&client, c.style, t.menu.Present(), c.exStyle);
    SIZE size{client.right - client.left, client.bottom - client.top};
    POINT at;
    if (child) {
        RECT r = MapUnits(base, t.x, t.y, 0, 0);
        at = {r.left, r.top};
    } else {
        at = TopLevelPosition(t, t.style, c.parent, base, size);
    }
    c.rect = {at.x, at.y, at.x + size.cx, at.y + size.cy};
    return c;
}

// Creates the controls; false when one cannot be made and the template does not allow that.
bool CreateControls(HWND dialog, const DialogTemplate& t, HINSTANCE instance, HFONT font, SIZE base) {
    for (const DialogItemTemplate& item : t.items) {
        RECT r = MapUnits(base, item.x, item.y, item.cx, item.cy);
        const char* title = item.title.ordinal ? "" : item.title.name.c_str();
        HWND control = CreateWindowEx(item.exStyle | WS_EX_NOPARENTNOTIFY, item.className.c_str(), title,
                                      (item.style & ~WS_POPUP) | WS_CHILD, r.left, r.top, r.right - r.left,
                                      r.bottom - r.top, dialog, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)),
                                      instance,
                                      item.creationData.empty() ? nullptr
                                                                : const_cast<BYTE*>(item.creationData.data()));
        if (!control) {
            if (t.style & DS_NOFAILCREATE) continue;
            return false;
        }
        if (font) SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        if (SendMessage(control, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) {
            Lock lock(S().mutex);
            if (DialogState* s = States().Find(dialog)) s->defaultId = static_cast<int>(item.id);
        }
    }
    return true;
}

// The focus the dialog should get back: the control that had it, else the first tab stop.
HWND FocusToRestore(HWND dialog) {
    HWND saved = WithState(dialog, [](DialogState* s) { return s ? s->focusSave : nullptr; });
    if (saved && IsChild(dialog, saved) && IsWindowVisible(saved) && IsWindowEnabled(saved)) return saved;
    // Not yet shown: the control that was chosen before the dialog showed.
    if (saved && IsChild(dialog, saved) && !IsWindowVisible(dialog)) return saved;
    return GetNextDlgTabItem(dialog, nullptr, 0);
}

void SaveFocus(HWND dialog) {
    HWND focus = GetFocus();
    if (!focus || !IsChild(dialog, focus)) return;
    Lock lock(S().mutex);
    if (DialogState* s = States().Find(dialog)) s->focusSave = focus;
}

void RestoreFocus(HWND dialog) {
    if (WithState(dialog, [](DialogState* s) { return !s || s->ended; })) return;
    if (HWND control = FocusToRestore(dialog)) SetDialogFocus(dialog, control);
}

LRESULT EraseBackground(HWND dialog, HDC dc) {
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessage(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dialog)));
    if (!brush) brush = GetSysColorBrush(COLOR_3DFACE);
    RECT r;
    GetClientRect(dialog, &r);
    FillRect(dc, &r, brush);
    return 1;
}

void Close(HWND dialog) {
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    if (cancel && !IsWindowEnabled(cancel)) {
        MessageBeep(0);
        return;
    }
    PostMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
}

LRESULT SetDefaultId(HWND dialog, int id) {
    bool ended = WithState(dialog, [&](DialogState* s) {
        if (!s || s->ended) return true;
        s->defaultId = id;
        return false;
    });
    if (!ended) UpdateDefaultButton(dialog, GetFocus());
    return 1;
}

LRESULT GetDefaultId(HWND dialog) {
    int id = WithState(dialog, [](DialogState* s) { return s && !s->ended ? s->defaultId : 0; });
    return id ? static_cast<LRESULT>(MAKELONG(static_cast<WORD>(id), DC_HASDEFID)) : 0;
}

void NextControl(HWND dialog, WPARAM wParam, LPARAM lParam) {
    HWND target;
    if (LOWORD(static_cast<std::uintptr_t>(lParam))) target = reinterpret_cast<HWND>(wParam);
    else target = GetNextDlgTabItem(dialog, GetFocus(), wParam != 0);
    if (target && IsChild(dialog, target)) SetDialogFocus(dialog, target);
}

void Forget(HWND dialog) {
    HFONT font = nullptr;
    {
        Lock lock(S().mutex);
        if (DialogState* s = States().Find(dialog)) {
            if (s->ownsFont) font = s->font;
            States().Erase(dialog);
        }
    }
    if (font) DeleteObject(font);
}

LRESULT DefaultDialogAnswer(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: return EraseBackground(dialog, reinterpret_cast<HDC>(wParam));
        case WM_SHOWWINDOW:
            if (!wParam) SaveFocus(dialog);
            return DefWindowProc(dialog, message, wParam, lParam);
        case WM_ACTIVATE:
            if (HIWORD(wParam)) return 0;  // minimized: nothing takes the focus
            if (LOWORD(wParam) == WA_INACTIVE) SaveFocus(dialog);
            else RestoreFocus(dialog);
            return 0;
        case WM_SETFOCUS: RestoreFocus(dialog); return 0;
        case WM_CLOSE: Close(dialog); return 0;
        case WM_NCDESTROY: Forget(dialog); return DefWindowProc(dialog, message, wParam, lParam);
        case DM_SETDEFID: return SetDefaultId(dialog, static_cast<int>(wParam));
        case DM_GETDEFID: return GetDefaultId(dialog);
        case WM_NEXTDLGCTL: NextControl(dialog, wParam, lParam); return 0;
        case WM_INITDIALOG: return 0;
        default: return DefWindowProc(dialog, message, wParam, lParam);
    }
}

// Messages whose answer is the dialog procedure's return value itself, not DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_INITDIALOG:
        case 0x0039:  // WM_COMPAREITEM
        case 0x002E:  // WM_VKEYTOITEM
        case 0x002F:  // WM_CHARTOITEM
        case 0x0037:  // WM_QUERYDRAGICON
            return true;
        default: return false;
    }
}

void Show(HWND dialog, DWORD style) {
    ShowWindow(dialog, (style & WS_CHILD) ? SW_SHOW : SW_SHOWNORMAL);
    if (style & DS_SETFOREGROUND) SetForegroundWindow(dialog);
    UpdateWindow(dialog);
}

HWND CreateFromTemplate(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, std::size_t size, HWND parent,
                        DLGPROC proc, LPARAM initParam, bool showVisible) {
    std::optional<DialogTemplate> t = ReadDialogTemplate(dialogTemplate, size);
    if (!t) return nullptr;
    HFONT font = t->font ? CreateTemplateFont(*t->font) : nullptr;
    SIZE base = font ? FontBaseUnits(font) : SIZE{LOWORD(GetDialogBaseUnits()), HIWORD(GetDialogBaseUnits())};
    Creation plan = PlanWindow(*t, parent, base);
    const char* className = t->windowClass.ordinal
                                ? MAKEINTATOM(*t->windowClass.ordinal)
                                : (t->windowClass.name.empty() ? WC_DIALOG : t->windowClass.name.c_str());
    HWND dialog = CreateWindowEx(plan.exStyle, className, t->title.c_str(), plan.style, plan.rect.left,
                                 plan.rect.top, plan.rect.right - plan.rect.left, plan.rect.bottom - plan.rect.top,
                                 plan.parent, nullptr, instance, reinterpret_cast<void*>(initParam));
    if (!dialog) {
        if (font) DeleteObject(font);
        return nullptr;
    }
    {
        Lock lock(S().mutex);
        DialogState& s = States().Get(dialog);
        s = DialogState{};
        s.font = font;
        s.ownsFont = font != nullptr;
    }
    SetWindowLongPtr(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    if (font) SendMessage(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    if (!IsWindow(dialog)) return nullptr;
    if (!CreateControls(dialog, *t, instance, font, base)) {
        DestroyWindow(dialog);
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    HWND first = GetNextDlgTabItem(dialog, nullptr, 0);
    LRESULT wantsFocus = SendMessage(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
    if (!IsWindow(dialog)) return nullptr;
    if (wantsFocus) {
        // The procedure may have changed the controls; the first tab stop of now gets it.
        if (HWND target = GetNextDlgTabItem(dialog, nullptr, 0)) SetDialogFocus(dialog, target);
    }
    if (showVisible && (t->style & WS_VISIBLE) && !IsWindowVisible(dialog)) Show(dialog, plan.style);
    return dialog;
}

}  // namespace dialogs

using namespace dialogs;

LRESULT DialogClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefDlgProc(hwnd, message, wParam, lParam);
}

void RegisterDialogClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = &DialogClassProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = WC_DIALOG;
    RegisterClassEx(&wc);
}

void RememberDialogFocus(HWND dialog, HWND control) {
    Lock lock(S().mutex);
    if (DialogState* s = States().Find(dialog)) s->focusSave = control;
}

bool IsDialogWindow(HWND hwnd) {
    Lock lock(S().mutex);
    return FindLive(hwnd) && States().Find(hwnd) != nullptr;
}

SIZE FontBaseUnits(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    // The average width of the Latin letters, as Windows measures a dialog font.
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    SIZE extent{};
    GetTextExtentPoint32(dc, kLetters, 52, &extent);
    SelectObject(dc, old);
    DeleteDC(dc);
    int width = (extent.cx / 26 + 1) / 2;
    return {std::max(1, width), std::max(1, static_cast<int>(tm.tmHeight))};
}

INT_PTR RunModalDialog(HWND dialog, HWND owner, const ModalFilter& filter) {
    if (!IsDialogWindow(dialog)) {
        SetLastError(ERROR_WINDOW_NOT_DIALOG);
        return -1;
    }
    if (owner && IsWindowEnabled(owner)) {
        EnableWindow(owner, 0);
        WithState(dialog, [&](DialogState* s) {
            if (s) s->disabledOwner = owner;
            return 0;
        });
    }
    if (!WithState(dialog, [](DialogState* s) { return s && s->ended; }) && !IsWindowVisible(dialog))
        Show(dialog, static_cast<DWORD>(GetWindowLongPtr(dialog, GWL_STYLE)));
    MSG msg;
    while (IsWindow(dialog) && !WithState(dialog, [](DialogState* s) { return !s || s->ended; })) {
        if (!GetMessage(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (filter && filter(msg)) continue;
        if (!IsDialogMessage(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    INT_PTR result = -1;
    HWND stillDisabled = nullptr;
    WithState(dialog, [&](DialogState* s) {
        if (s && s->ended) result = s->result;
        if (s) stillDisabled = std::exchange(s->disabledOwner, nullptr);
        return 0;
    });
    // Ended some other way than EndDialog (WM_QUIT, destroyed): the owner is still disabled.
    if (stillDisabled) EnableWindow(stillDisabled, 1);
    if (IsWindow(dialog)) DestroyWindow(dialog);
    return result;
}

}  // namespace parch::win

namespace parch {

using namespace win;

HWND CreateDialogIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, std::size_t size,
                               HWND parent, DLGPROC proc, LPARAM initParam) {
    return CreateFromTemplate(instance, dialogTemplate, size, parent, proc, initParam, true);
}

INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, std::size_t size,
                               HWND parent, DLGPROC proc, LPARAM initParam) {
    HWND owner = parent ? GetAncestor(parent, GA_ROOT) : nullptr;
    HWND dialog = CreateFromTemplate(instance, dialogTemplate, size, owner, proc, initParam, false);
    if (!dialog) return -1;
    return RunModalDialog(dialog, owner);
}

namespace {

std::string_view DialogResource(HINSTANCE instance, const char* name) {
    std::string_view bytes = ResourceBytes(instance, name, RT_DIALOG);
    if (bytes.empty()) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return bytes;
}

}  // namespace

HWND CreateDialogParam(HINSTANCE instance, const char* name, HWND parent, DLGPROC proc, LPARAM initParam) {
    std::string_view bytes = DialogResource(instance, name);
    if (bytes.empty()) return nullptr;
    return CreateDialogIndirectParam(instance, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), bytes.size(),
                                     parent, proc, initParam);
}

INT_PTR DialogBoxParam(HINSTANCE instance, const char* name, HWND parent, DLGPROC proc, LPARAM initParam) {
    std::string_view bytes = DialogResource(instance, name);
    if (bytes.empty()) return -1;
    return DialogBoxIndirectParam(instance, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), bytes.size(),
                                  parent, proc, initParam);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    HWND owner = nullptr;
    bool known = WithState(dialog, [&](DialogState* s) {
        if (!s) return false;
        s->ended = true;
        s->result = result;
        owner = std::exchange(s->disabledOwner, nullptr);
        return true;
    });
    if (!known) {
        SetLastError(ERROR_WINDOW_NOT_DIALOG);
        return 0;
    }
    // The owner is enabled before the dialog hides, so that the activation can go back to it.
    const bool wasActive = GetActiveWindow() == dialog;
    if (owner) EnableWindow(owner, 1);
    HWND activateNext = owner ? owner : GetWindow(dialog, GW_OWNER);
    if (wasActive && activateNext && IsWindowEnabled(activateNext) && IsWindowVisible(activateNext))
        SetActiveWindow(activateNext);
    SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    PostMessage(dialog, WM_NULL, 0, 0);  // wakes the modal loop
    return 1;
}

LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtr(dialog, DWLP_DLGPROC));
    if (proc) {
        SetWindowLongPtr(dialog, DWLP_MSGRESULT, 0);
        INT_PTR handled = proc(dialog, message, wParam, lParam);
        if (!IsWindow(dialog)) return handled;
        if (handled) return AnswersDirectly(message) ? handled : GetWindowLongPtr(dialog, DWLP_MSGRESULT);
    }
    return DefaultDialogAnswer(dialog, message, wParam, lParam);
}

LONG GetDialogBaseUnits() {
    HFONT font = reinterpret_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    SIZE base = FontBaseUnits(font);
    return static_cast<LONG>(MAKELONG(static_cast<WORD>(base.cx), static_cast<WORD>(base.cy)));
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
    if (!rect || !IsDialogWindow(dialog)) {
        SetLastError(ERROR_WINDOW_NOT_DIALOG);
        return 0;
    }
    HFONT font = WithState(dialog, [](DialogState* s) { return s ? s->font : nullptr; });
    SIZE base = font ? FontBaseUnits(font) : SIZE{LOWORD(GetDialogBaseUnits()), HIWORD(GetDialogBaseUnits())};
    *rect = {MulDivRound(rect->left, base.cx, 4), MulDivRound(rect->top, base.cy, 8),
             MulDivRound(rect->right, base.cx, 4), MulDivRound(rect->bottom, base.cy, 8)};
    return 1;
}

}  // namespace parch
