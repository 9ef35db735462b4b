#pragma once
// A skin whose scroll-bar parts are each one flat colour of their own, and a headless window
// with both standard bars that writes down the scroll requests it gets.
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/sSkinManager.h"
#include "platform/display/PngFile.h"
#include "skin/frames/acSBUtils.h"
#include "tests/platform/win/ControlTestSupport.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch::test {

struct BarSectionColour {
    const char* section;
    COLORREF normal;
    COLORREF hot;  // hot and pressed
};

inline const std::vector<BarSectionColour>& BarSectionColours() {
    static const std::vector<BarSectionColour> colours = {
        {"SCROLLBTNTOP", RGB(200, 0, 0), RGB(255, 80, 80)},
        {"SCROLLBTNBOTTOM", RGB(0, 200, 0), RGB(80, 255, 80)},
        {"SCROLLBAR1V", RGB(0, 0, 200), RGB(80, 80, 255)},
        {"SCROLLBAR2V", RGB(200, 200, 0), RGB(255, 255, 80)},
        {"SCROLLSLIDERV", RGB(0, 200, 200), RGB(80, 255, 255)},
        {"SCROLLBTNLEFT", RGB(200, 0, 0), RGB(255, 80, 80)},
        {"SCROLLBTNRIGHT", RGB(0, 200, 0), RGB(80, 255, 80)},
        {"SCROLLBAR1H", RGB(0, 0, 200), RGB(80, 80, 255)},
        {"SCROLLBAR2H", RGB(200, 200, 0), RGB(255, 255, 80)},
        {"SCROLLSLIDERH", RGB(0, 200, 200), RGB(80, 255, 255)},
    };
    return colours;
}

// The part a normal-state colour stands for (same numbering on both bars); -2 for a colour
// that is none of them.
inline int PartOfColour(COLORREF colour, bool hasThumb) {
    if (colour == RGB(200, 0, 0)) return kPartFirstArrow;
    if (colour == RGB(0, 200, 0)) return kPartSecondArrow;
    if (colour == RGB(0, 0, 200)) return hasThumb ? kPartPageBefore : kPartNone;
    if (colour == RGB(200, 200, 0)) return hasThumb ? kPartPageAfter : kPartNone;
    if (colour == RGB(0, 200, 200)) return kPartThumb;
    return -2;
}

inline void FillFlatScrollSkin(TsSkinManager& manager) {
    for (const BarSectionColour& c : BarSectionColours()) {
        TsGeneralData& section = manager.Tables().Sections.emplace_back();
        section.SectionName = c.section;
        section.StateCount = 2;
        section.Color = c.normal;
        section.HotColor = c.hot;
    }
}

class ScrollAdapterTest : public RecorderTest {
protected:
    void SetUp() override { FillFlatScrollSkin(manager); }
    void TearDown() override {
        adapter.reset();
        RecorderTest::TearDown();
    }

    // A frameless window at (100, 100) with both bars and the given vertical scroll data.
    HWND MakeWindow(const SCROLLINFO& vertical, int width = 200, int height = 200) {
        HWND w = rec.Create("w", WS_POPUP | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, nullptr,
                            {100, 100, 100 + width, 100 + height});
        SCROLLINFO info = vertical;
        info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        SetScrollInfo(w, SB_VERT, &info, 1);
        SCROLLINFO horizontal;
        horizontal.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        horizontal.nMax = 99;
        horizontal.nPage = 20;
        SetScrollInfo(w, SB_HORZ, &horizontal, 1);
        adapter = std::make_unique<TacScrollWnd>(w, &manager, "", true);
        display.PumpMessages();
        return w;
    }

    // Writes down the scroll requests; the window answers command 51 with ownPositions.
    void RecordRequests(bool ownPositions = false) {
        ClearRequests();
        rec.SetHandler([this, ownPositions](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m == SkinCommandMessage && HIWORD(static_cast<DWORD>(wp)) == kCmdBeforeScroll)
                return ownPositions ? 1 : 0;
            if (m != WM_VSCROLL && m != WM_HSCROLL) return std::nullopt;
            std::string line = std::string(m == WM_VSCROLL ? "V " : "H ") + std::to_string(LOWORD(wp));
            const int code = LOWORD(wp);
            if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION)
                line += " " + std::to_string(ownPositions ? static_cast<int>(lp) : static_cast<short>(HIWORD(wp)));
            line += " @" + std::to_string(GetTickCount() - start_);
            requests.push_back(line);
            return 0;
        });
    }

    void ClearRequests() {
        requests.clear();
        start_ = GetTickCount();
    }

    TsSkinManager manager;
    std::unique_ptr<TacScrollWnd> adapter;
    std::vector<std::string> requests;

private:
    DWORD start_ = 0;
};

}  // namespace parch::test
