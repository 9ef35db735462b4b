// Hostile message storms against a window whose bars a scroll adapter skins, on the headless
// display: scroll data of any kind, styles changed on the fly, clicks, drags and held arrows on
// the clock, capture taken away, the adapter detached and attached again, the skin emptied and
// refilled, and the window destroyed in the middle of a drag. Nothing may crash, and once the
// window is gone no bar interaction may be left running.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "FuzzInput.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/WinApi.h"
#include "skin/engine/sSkinManager.h"
#include "skin/frames/acSBUtils.h"

namespace parch::fuzzscroll {

constexpr std::size_t kMaxSteps = 250;
constexpr const char* kClass = "FuzzScrolled";

HeadlessDisplay& FuzzDisplay() {
    static HeadlessDisplay display;
    return display;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// The window keeps its position as the requests ask, or, answering command 51, by itself.
struct Target {
    static bool& OwnPositions() {
        static bool own = false;
        return own;
    }
    static LRESULT Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
        if (m == SkinCommandMessage && HIWORD(static_cast<DWORD>(wp)) == kCmdBeforeScroll) return OwnPositions() ? 1 : 0;
        if (m == WM_VSCROLL || m == WM_HSCROLL) {
            const int bar = m == WM_VSCROLL ? SB_VERT : SB_HORZ;
            const int step = LOWORD(wp) == SB_LINEUP ? -1 : LOWORD(wp) == SB_LINEDOWN ? 1 : 0;
            if (step) SetScrollPos(h, bar, GetScrollPos(h, bar) + step, 1);
            if (LOWORD(wp) == SB_THUMBPOSITION) SetScrollPos(h, bar, OwnPositions() ? static_cast<int>(lp) : HIWORD(wp), 1);
            return 0;
        }
        return DefWindowProc(h, m, wp, lp);
    }
};

void FillSkin(TsSkinManager& manager) {
    static const char* const kSections[] = {"SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBAR1V", "SCROLLBAR2V",
                                            "SCROLLSLIDERV", "SCROLLBTNLEFT", "SCROLLBTNRIGHT", "SCROLLBAR1H",
                                            "SCROLLBAR2H", "SCROLLSLIDERH"};
    std::uint32_t colour = 0x203040;
    for (const char* name : kSections) {
        TsGeneralData& section = manager.Tables().Sections.emplace_back();
        section.SectionName = name;
        section.StateCount = 2;
        section.Color = colour;
        section.HotColor = colour ^ 0x808080;
        colour += 0x151515;
    }
}

class Session {
public:
    explicit Session(fuzzing::FuzzInput& in) : in_(in) {
        FillSkin(manager_);
        other_ = CreateWindowEx(0, kClass, "other", WS_POPUP | WS_VISIBLE, 500, 500, 40, 40, nullptr, nullptr,
                                nullptr, nullptr);
        MakeWindow();
    }
    ~Session() {
        adapter_.reset();
        if (IsWindow(window_)) DestroyWindow(window_);
        DestroyWindow(other_);
        display_.MouseUp();
        display_.PumpMessages();
        if (ScrollTracking().clickedPart != kPartNone || ScrollTracking().thumbTracking)
            Fail("a bar interaction outlived its window");
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Run() {
        for (std::size_t step = 0; step < kMaxSteps && !in_.Empty(); ++step) Step();
    }

private:
    void MakeWindow() {
        DWORD style = WS_POPUP | WS_VISIBLE;
        if (in_.Bit()) style |= WS_VSCROLL;
        if (in_.Bit()) style |= WS_HSCROLL;
        if (in_.Bit()) style |= WS_BORDER;
        const DWORD exStyle = in_.Bit() ? WS_EX_LEFTSCROLLBAR : 0;
        window_ = CreateWindowEx(exStyle, kClass, "w", style, 100, 100, 20 + in_.Byte(), 20 + in_.Byte(), nullptr,
                                 nullptr, nullptr, nullptr);
        Attach();
    }
    void Attach() {
        if (IsWindow(window_)) adapter_ = std::make_unique<TacScrollWnd>(window_, &manager_, "", in_.Bit());
    }
    POINT NearTheWindow() {
        return POINT{90 + in_.Byte() % 300, 90 + in_.Byte() % 300};
    }

    void Step() {
        switch (in_.Byte() % 13) {
            case 0: {
                SCROLLINFO info;
                info.fMask = in_.Byte() & (SIF_ALL | SIF_DISABLENOSCROLL);
                info.nMin = static_cast<int>(in_.Number());
                info.nMax = static_cast<int>(in_.Number());
                info.nPage = static_cast<UINT>(in_.Number());
                info.nPos = static_cast<int>(in_.Number());
                SetScrollInfo(window_, in_.Bit() ? SB_VERT : SB_HORZ, &info, in_.Bit());
                break;
            }
            case 1: {
                const POINT p = NearTheWindow();
                display_.MoveMouse(p.x, p.y);
                break;
            }
            case 2:
                display_.MouseDown();
                break;
            case 3:
                display_.MouseUp();
                break;
            case 4:
                display_.AdvanceTime(in_.Byte() * 3);
                break;
            case 5:
                adapter_.reset();
                break;
            case 6:
                if (!adapter_ || adapter_->Destroyed()) {
                    adapter_.reset();
                    Attach();
                }
                break;
            case 7:
                // Destroyed whatever it is doing; the adapter is freed afterwards, as its creator would.
                DestroyWindow(window_);
                adapter_.reset();
                MakeWindow();
                break;
            case 8: {
                const LONG_PTR style = GetWindowLongPtr(window_, GWL_STYLE) ^ ((in_.Byte() & 3) << 20);
                SetWindowLongPtr(window_, GWL_STYLE, style);
                if (in_.Bit())
                    SetWindowLongPtr(window_, GWL_EXSTYLE, GetWindowLongPtr(window_, GWL_EXSTYLE) ^ WS_EX_LEFTSCROLLBAR);
                SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                             SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
                break;
            }
            case 9:
                if (in_.Bit())
                    manager_.Tables().Sections.clear();
                else if (manager_.Tables().Sections.empty())
                    FillSkin(manager_);
                if (adapter_) adapter_->PaintScrollBars(nullptr);
                break;
            case 10:
                if (in_.Bit())
                    SetCapture(other_);
                else
                    SendMessage(window_, WM_CANCELMODE, 0, 0);
                break;
            case 11:
                SetWindowPos(window_, nullptr, 0, 0, static_cast<int>(in_.Number() % 2000),
                             static_cast<int>(in_.Number() % 2000), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                break;
            case 12:
                Target::OwnPositions() = in_.Bit();
                SendMessage(window_, in_.Bit() ? WM_NCPAINT : WM_TIMER, in_.Byte() % 4 == 0 ? kRepeatTimerId : 1, 0);
                break;
        }
        display_.PumpMessages();
    }

    fuzzing::FuzzInput& in_;
    HeadlessDisplay& display_ = FuzzDisplay();
    TsSkinManager manager_;
    HWND other_ = nullptr;
    HWND window_ = nullptr;
    std::unique_ptr<TacScrollWnd> adapter_;
};

}  // namespace parch::fuzzscroll

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace parch;
    fuzzscroll::FuzzDisplay();
    WNDCLASSEX wc;
    wc.lpfnWndProc = &fuzzscroll::Target::Proc;
    wc.lpszClassName = fuzzscroll::kClass;
    RegisterClassEx(&wc);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return -1;
    parch::fuzzing::FuzzInput in(data, size);
    parch::fuzzscroll::Session session(in);
    session.Run();
    return 0;
}
