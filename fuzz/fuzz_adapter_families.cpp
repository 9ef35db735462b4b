// Hostile message storms against standard controls skinned by the adapter families, on the
// headless display: paints and prints, states and checks, ranges and tick counts of any size,
// list drops, header clicks, thumb requests with any position, styles changed on the fly, the
// skin switched off and on, adapters detached and attached again in any order, and windows
// destroyed under their adapters. Nothing may crash, and once a session's windows and adapters
// are gone every GDI object they made is gone too.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "FuzzInput.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObject.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/ComboBoxClass.h"
#include "platform/win/EditClass.h"
#include "platform/win/HeaderClass.h"
#include "platform/win/ListViewClass.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/StaticClass.h"
#include "platform/win/ToolBarClass.h"
#include "platform/win/TrackBarClass.h"
#include "platform/win/TreeViewClass.h"
#include "platform/win/UpDownClass.h"
#include "platform/win/WinApi.h"
#include "skin/engine/sSkinManager.h"
#include "skin/frames/acButtonAdapters.h"
#include "skin/frames/acComboAdapters.h"
#include "skin/frames/acEditAdapters.h"
#include "skin/frames/acListViewAdapter.h"
#include "skin/frames/acSpinAdapters.h"
#include "skin/frames/acStaticAdapters.h"

// fontconfig keeps a little of its configuration parse unreachable for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace parch::fuzzfamilies {

constexpr std::size_t kMaxSteps = 200;

HeadlessDisplay& FuzzDisplay() {
    static HeadlessDisplay display;
    return display;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

using Maker = std::function<std::unique_ptr<TacMainWnd>(HWND, TsSkinManager*)>;

struct Kind {
    const char* cls;
    DWORD style;
    Maker make;
};

const std::vector<Kind>& Kinds() {
    static const std::vector<Kind> kinds = {
        {"Edit", WS_VSCROLL | WS_HSCROLL | ES_MULTILINE,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacEditWnd>(h, m, "", true); }},
        {"ListBox", WS_VSCROLL,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacEditWnd>(h, m, "EDIT", true); }},
        {"SysTreeView32", WS_VSCROLL,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacTreeViewWnd>(h, m, "", true); }},
        {"SysListView32", LVS_REPORT | WS_VSCROLL | WS_HSCROLL,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacListViewWnd>(h, m, "", true); }},
        {"ComboBox", CBS_DROPDOWNLIST | WS_VSCROLL,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacComboBoxWnd>(h, m, "", true); }},
        {"ComboBox", CBS_SIMPLE,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacComboBoxWnd>(h, m, "", true); }},
        {"Button", BS_DEFPUSHBUTTON, [](HWND h, TsSkinManager* m) { return std::make_unique<TacBtnWnd>(h, m, ""); }},
        {"Button", BS_AUTO3STATE, [](HWND h, TsSkinManager* m) { return std::make_unique<TacCheckBoxWnd>(h, m, ""); }},
        {"Button", BS_OWNERDRAW, [](HWND h, TsSkinManager* m) { return std::make_unique<TacCheckBoxWnd>(h, m, ""); }},
        {"Button", BS_GROUPBOX, [](HWND h, TsSkinManager* m) { return std::make_unique<TacGroupBoxWnd>(h, m, ""); }},
        {"Static", SS_LEFT, [](HWND h, TsSkinManager* m) { return std::make_unique<TacStaticWnd>(h, m, ""); }},
        {"Static", SS_LEFT, [](HWND h, TsSkinManager* m) { return std::make_unique<TacLinkWnd>(h, m, ""); }},
        {TOOLBARCLASSNAME, 0, [](HWND h, TsSkinManager* m) { return std::make_unique<TacToolBarWnd>(h, m, ""); }},
        {"ScrollBar", SBS_SIZEGRIP, [](HWND h, TsSkinManager* m) { return std::make_unique<TacSizerWnd>(h, m, ""); }},
        {"Static", 0, [](HWND h, TsSkinManager* m) { return std::make_unique<TacTransPanelWnd>(h, m, ""); }},
        {"msctls_updown32", 0, [](HWND h, TsSkinManager* m) { return std::make_unique<TacSpinWnd>(h, m, ""); }},
        {"msctls_trackbar32", TBS_AUTOTICKS,
         [](HWND h, TsSkinManager* m) { return std::make_unique<TacTrackWnd>(h, m, ""); }},
    };
    return kinds;
}

void FillSkin(TsSkinManager& manager) {
    static const char* const kSections[] = {
        "SCROLLBTNTOP",   "SCROLLBTNBOTTOM", "SCROLLBAR1V", "SCROLLBAR2V",   "SCROLLSLIDERV", "SCROLLBTNLEFT",
        "SCROLLBTNRIGHT", "SCROLLBAR1H",     "SCROLLBAR2H", "SCROLLSLIDERH", "EDIT",          "BUTTON",
        "CHECKBOX",       "GROUPBOX",        "COMBOBOX",    "COMBOBTN",      "TOOLBUTTON",    "TRACKBAR"};
    std::uint32_t colour = 0x203040;
    for (const char* name : kSections) {
        TsGeneralData& section = manager.Tables().Sections.emplace_back();
        section.SectionName = name;
        section.StateCount = 2;
        section.Color = colour;
        section.HotColor = colour ^ 0x808080;
        section.FontColor = colour ^ 0xFFFFFF;
        colour += 0x0B0B0B;
    }
    manager.SkinData().SkinActive = true;
}

struct Control {
    HWND window = nullptr;
    std::size_t kind = 0;
    std::unique_ptr<TacMainWnd> adapter;
};

class Session {
public:
    explicit Session(fuzzing::FuzzInput& in) : in_(in) {
        FillSkin(manager_);
        parent_ = CreateWindowEx(0, "Static", "", WS_POPUP | WS_VISIBLE, 50, 50, 500, 400, nullptr, nullptr, nullptr,
                                 nullptr);
        for (int i = 0; i < 3; ++i) MakeControl();
    }
    ~Session() {
        // Adapters and windows go in an order the input chose.
        const bool adaptersFirst = in_.Bit();
        if (adaptersFirst)
            for (Control& c : controls_) c.adapter.reset();
        DestroyWindow(parent_);
        controls_.clear();
        display_.MouseUp();
        display_.PumpMessages();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Run() {
        for (std::size_t step = 0; step < kMaxSteps && !in_.Empty(); ++step) Step();
    }

private:
    void MakeControl() {
        if (controls_.size() >= 6) return;
        Control c;
        c.kind = in_.Byte() % Kinds().size();
        const Kind& kind = Kinds()[c.kind];
        const int x = in_.Byte() % 400, y = in_.Byte() % 300;
        const int w = 1 + in_.Byte(), h = 1 + in_.Byte() % 160;
        c.window = CreateWindowEx(in_.Bit() ? WS_EX_CLIENTEDGE : 0, kind.cls, "Text <A>link</A> words",
                                  WS_CHILD | WS_VISIBLE | kind.style, x, y, w, h, parent_, nullptr, nullptr, nullptr);
        if (!c.window) return;
        Fill(c);
        c.adapter = kind.make(c.window, &manager_);
        controls_.push_back(std::move(c));
    }

    void Fill(Control& c) {
        const int count = in_.Byte() % 40;
        std::string text = "item";
        for (int i = 0; i < count; ++i) {
            SendMessage(c.window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
            SendMessage(c.window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        if (std::string(Kinds()[c.kind].cls) == "SysListView32") {
            LVCOLUMNA column;
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.cx = in_.Byte();
            column.pszText = text.data();
            SendMessage(c.window, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&column));
            for (int i = 0; i < count; ++i) {
                LVITEMA item;
                item.mask = LVIF_TEXT;
                item.iItem = i;
                item.pszText = text.data();
                SendMessage(c.window, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
            }
        }
        if (std::string(Kinds()[c.kind].cls) == TOOLBARCLASSNAME) {
            TBBUTTON buttons[3];
            const char* captions[3] = {"One", "Two words here", ""};
            for (int i = 0; i < 3; ++i) {
                buttons[i].idCommand = i + 1;
                buttons[i].fsState = static_cast<BYTE>(in_.Byte());
                buttons[i].fsStyle = static_cast<BYTE>(in_.Byte() & 0x81);
                buttons[i].iBitmap = in_.Byte() % 3;
                buttons[i].iString = reinterpret_cast<INT_PTR>(captions[i]);
            }
            SendMessage(c.window, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
            SendMessage(c.window, TB_ADDBUTTONS, 3, reinterpret_cast<LPARAM>(buttons));
        }
    }

    Control* Pick() {
        if (controls_.empty()) return nullptr;
        return &controls_[in_.Byte() % controls_.size()];
    }

    void Step() {
        Control* c = Pick();
        const std::uint8_t op = in_.Byte() % 16;
        if (!c && op != 12 && op != 13) {  // every other step works on a control
            MakeControl();
            return;
        }
        switch (op) {
            case 0:
                RedrawWindow(c->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
                break;
            case 1: {
                HDC dc = CreateCompatibleDC(nullptr);
                HBITMAP bitmap = CreateBitmap(64, 64, 1, 32, nullptr);
                HGDIOBJ old = SelectObject(dc, bitmap);
                SendMessage(c->window, in_.Bit() ? WM_PRINT : WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                            static_cast<LPARAM>(in_.Byte()));
                SelectObject(dc, old);
                DeleteObject(bitmap);
                DeleteDC(dc);
                break;
            }
            case 2:
                SendMessage(c->window, BM_SETSTATE, in_.Bit(), 0);
                SendMessage(c->window, BM_SETCHECK, in_.Byte() % 3, 0);
                break;
            case 3:
                // Ranges and tick frequencies of any size.
                SendMessage(c->window, TBM_SETRANGEMAX, 1, static_cast<LPARAM>(in_.Number()));
                SendMessage(c->window, TBM_SETTICFREQ, static_cast<WPARAM>(in_.Number()), 0);
                break;
            case 4: SendMessage(c->window, CB_SHOWDROPDOWN, in_.Bit(), 0); break;
            case 5: {
                const UINT message = in_.Bit() ? WM_VSCROLL : WM_HSCROLL;
                SendMessage(c->window, message, MAKEWPARAM(in_.Byte() % 9, in_.Byte()),
                            static_cast<LPARAM>(in_.Number()));
                break;
            }
            case 6: {
                const LONG_PTR style =
                    GetWindowLongPtr(c->window, GWL_STYLE) ^ (static_cast<LONG_PTR>(in_.Byte()) << (in_.Byte() % 24));
                SetWindowLongPtr(c->window, GWL_STYLE, style | WS_CHILD);
                SetWindowPos(c->window, nullptr, 0, 0, 0, 0,
                             SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
                break;
            }
            case 7: c->adapter.reset(); break;
            case 8:
                if (!c->adapter || c->adapter->Destroyed()) {
                    c->adapter.reset();
                    if (IsWindow(c->window)) c->adapter = Kinds()[c->kind].make(c->window, &manager_);
                }
                break;
            case 9:
                DestroyWindow(c->window);
                if (in_.Bit()) {
                    c->adapter.reset();
                    controls_.erase(controls_.begin() + (c - controls_.data()));
                }
                break;
            case 10: {
                const POINT p{50 + in_.Byte() * 2, 50 + in_.Byte() * 2};
                display_.MoveMouse(p.x, p.y);
                if (in_.Bit()) display_.MouseDown();
                if (in_.Bit()) display_.MouseUp();
                break;
            }
            case 11: {
                HWND header = reinterpret_cast<HWND>(SendMessage(c->window, LVM_GETHEADER, 0, 0));
                if (header && IsWindow(header)) {
                    const LPARAM at = MAKELPARAM(in_.Byte(), in_.Byte() % 30);
                    SendMessage(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
                    SendMessage(header, WM_NCHITTEST, 0, at);
                    SendMessage(header, WM_LBUTTONUP, 0, at);
                    ReleaseCapture();
                }
                break;
            }
            case 12:
                manager_.SkinData().SkinActive = in_.Bit();
                if (in_.Bit()) {
                    manager_.Tables().Sections.clear();
                    manager_.SkinData().SkinActive = false;
                } else if (manager_.Tables().Sections.empty()) {
                    FillSkin(manager_);
                }
                break;
            case 13: MakeControl(); break;
            case 14:
                SetWindowPos(c->window, nullptr, 0, 0, static_cast<int>(in_.Number() % 600),
                             static_cast<int>(in_.Number() % 600), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                break;
            case 15: {
                // Commands that carry a manager get this one or none; the rest carry nothing.
                const int command = in_.Byte() % 64;
                const bool carriesManager = command >= 1 && command <= 3;
                SendMessage(c->window, SkinCommandMessage, MAKEWPARAM(0, command),
                            carriesManager && in_.Bit() ? reinterpret_cast<LPARAM>(&manager_) : 0);
                break;
            }
        }
        display_.AdvanceTime(in_.Byte());
        display_.PumpMessages();
    }

    fuzzing::FuzzInput& in_;
    HeadlessDisplay& display_ = FuzzDisplay();
    TsSkinManager manager_;
    HWND parent_ = nullptr;
    std::vector<Control> controls_;
};

}  // namespace parch::fuzzfamilies

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    parch::fuzzfamilies::FuzzDisplay();
    // One quiet session first: what the window system makes once and keeps (its shared
    // pictures) is not counted against the sessions that follow.
    const std::uint8_t warmUp[] = {0};
    parch::fuzzing::FuzzInput in(warmUp, 0);
    parch::fuzzfamilies::Session(in).Run();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return -1;
    parch::fuzzing::FuzzInput in(data, size);
    const parch::GdiObjectCounts before = parch::LiveGdiObjectCounts();
    {
        parch::fuzzfamilies::Session session(in);
        session.Run();
    }
    const parch::GdiObjectCounts after = parch::LiveGdiObjectCounts();
    if (after != before) {
        for (std::size_t kind = 0; kind < after.size(); ++kind)
            std::fprintf(stderr, "kind %zu: %zu before, %zu after\n", kind, before[kind], after[kind]);
        parch::fuzzfamilies::Fail("GDI objects outlived the session");
    }
    return 0;
}
