#pragma once
// A flat skin for the adapter families (every section one colour of its own, hot a second one)
// and a parent window on the headless screen that answers background questions with a colour,
// holding standard controls whose own procedures are watched behind their adapters.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/GdiObject.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/ComboBoxClass.h"
#include "platform/win/EditClass.h"
#include "platform/win/StaticClass.h"
#include "platform/win/ToolBarClass.h"
#include "platform/win/TrackBarClass.h"
#include "platform/win/TreeViewClass.h"
#include "platform/win/UpDownClass.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/frames/acAdapterPaint.h"
#include "skin/frames/acButtonAdapters.h"
#include "skin/frames/acComboAdapters.h"
#include "skin/frames/acEditAdapters.h"
#include "skin/frames/acSpinAdapters.h"
#include "skin/frames/acStaticAdapters.h"
#include "tests/platform/win/ControlTestSupport.h"
#include "tests/skin/frames/ScrollAdapterFixtures.h"

namespace parch::test {

constexpr COLORREF kFamilyBackdrop = RGB(10, 20, 30);

struct FamilySectionColour {
    const char* section;
    COLORREF normal;
    COLORREF hot;
    COLORREF font;
};

inline const std::vector<FamilySectionColour>& FamilySectionColours() {
    static const std::vector<FamilySectionColour> colours = {
        {"EDIT", RGB(230, 240, 250), RGB(200, 220, 255), RGB(0, 0, 90)},
        {"BUTTON", RGB(120, 160, 200), RGB(160, 200, 240), RGB(255, 255, 255)},
        {"CHECKBOX", RGB(60, 90, 60), RGB(80, 120, 80), RGB(250, 250, 200)},
        {"GROUPBOX", RGB(90, 60, 90), RGB(90, 60, 90), RGB(255, 220, 255)},
        {"COMBOBOX", RGB(240, 230, 210), RGB(250, 240, 220), RGB(60, 30, 0)},
        {"COMBOBTN", RGB(180, 120, 60), RGB(220, 160, 90), RGB(0, 0, 0)},
        {"TOOLBUTTON", RGB(70, 70, 110), RGB(110, 110, 170), RGB(255, 255, 0)},
        {"TRACKBAR", RGB(200, 230, 200), RGB(210, 240, 210), RGB(0, 0, 0)},
    };
    return colours;
}

inline void FillFamilySkin(TsSkinManager& manager) {
    FillFlatScrollSkin(manager);
    for (const FamilySectionColour& c : FamilySectionColours()) {
        TsGeneralData& section = manager.Tables().Sections.emplace_back();
        section.SectionName = c.section;
        section.StateCount = 2;
        section.Color = c.normal;
        section.HotColor = c.hot;
        section.FontColor = c.font;
        section.HotFontColor = c.font;
        section.TCLeft = section.TCTop = section.TCRight = section.TCBottom = 0xFFFFFFFF;
        section.HotTCLeft = section.HotTCTop = section.HotTCRight = section.HotTCBottom = 0xFFFFFFFF;
    }
    manager.SkinData().SkinActive = true;
    manager.SkinData().BorderColor = RGB(1, 2, 3);
}

inline COLORREF FamilyColour(const char* section, bool hot = false) {
    for (const FamilySectionColour& c : FamilySectionColours())
        if (std::string(c.section) == section) return hot ? c.hot : c.normal;
    return CLR_INVALID;
}

// What reaches a control's own procedure behind whatever subclassed it later.
struct OwnProcedureLog {
    std::map<UINT, int> counts;
    int Count(UINT message) const {
        auto it = counts.find(message);
        return it == counts.end() ? 0 : it->second;
    }
};

inline LRESULT CountOwnMessages(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    ++reinterpret_cast<OwnProcedureLog*>(ref)->counts[m];
    return DefSubclassProc(h, m, wp, lp);
}

class FamilyTest : public RecorderTest {
protected:
    void SetUp() override {
        FillFamilySkin(manager);
        parent = rec.Create("parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, nullptr, {40, 40, 600, 440});
        rec.SetHandler([this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (h != parent) return std::nullopt;
            if (m == SkinCommandMessage && HIWORD(static_cast<DWORD>(wp)) == scGetBackground && lp) {
                auto* request = reinterpret_cast<TsBackgroundRequest*>(lp);
                request->Kind = 1;
                request->Color = kFamilyBackdrop;
                return 1;
            }
            if (m == WM_ERASEBKGND) {
                RECT r;
                GetClientRect(h, &r);
                HBRUSH brush = CreateSolidBrush(kFamilyBackdrop);
                FillRect(reinterpret_cast<HDC>(wp), &r, brush);
                DeleteObject(brush);
                return 1;
            }
            return std::nullopt;
        });
        display.PumpMessages();
    }

    // A control of the class in the parent, its own procedure watched by `own`.
    HWND Make(const char* cls, const char* text, DWORD style, RECT r, DWORD exStyle = 0) {
        HWND h = CreateWindowEx(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, nullptr, nullptr, nullptr);
        SetWindowSubclass(h, &CountOwnMessages, 77, reinterpret_cast<DWORD_PTR>(&own[h]));
        return h;
    }

    // The screen pixel at (x, y) of the window's own rectangle.
    static COLORREF WindowPixel(HWND h, int x, int y) {
        const RECT r = WindowRect(h);
        return ScreenShot().Pixel(r.left + x, r.top + y);
    }

    TsSkinManager manager;
    HWND parent = nullptr;
    std::map<HWND, OwnProcedureLog> own;
};

}  // namespace parch::test
