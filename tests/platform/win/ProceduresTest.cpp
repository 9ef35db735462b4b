#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

class Procedures : public test::RecorderTest {};

TEST_F(Procedures, ClassNamesAtomsAndStyles) {
    WNDCLASSEX wc;
    wc.lpfnWndProc = &DefWindowProc;
    // The dialog class is the system's own.
    wc.lpszClassName = "#32770";
    EXPECT_EQ(RegisterClassEx(&wc), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    wc.lpszClassName = "#32771";
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.cbWndExtra = 3 * sizeof(LONG_PTR);
    EXPECT_EQ(RegisterClassEx(&wc), 0x8003);
    wc.lpszClassName = "#32768";
    EXPECT_EQ(RegisterClassEx(&wc), 0x8000);
    wc.lpszClassName = "TPUtilWindow";
    ATOM atom = RegisterClassEx(&wc);
    EXPECT_GE(atom, 0xC000);
    EXPECT_EQ(RegisterClassEx(&wc), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

    // By atom or by name in any case, the same class.
    HWND dialog = CreateWindowEx(0, MAKEINTATOM(0x8003), "d", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    HWND util = CreateWindowEx(0, "tputilwindow", "u", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    char name[64];
    GetClassName(dialog, name, sizeof name);
    EXPECT_STREQ(name, "#32771");
    GetClassName(util, name, 4);
    EXPECT_STREQ(name, "TPU");
    EXPECT_EQ(GetClassLongPtr(util, GCW_ATOM), atom);
    EXPECT_EQ(GetClassLongPtr(dialog, GCL_STYLE), CS_DBLCLKS | CS_SAVEBITS);
    EXPECT_EQ(FindWindow("#32771", nullptr), dialog);
    EXPECT_EQ(FindWindow(nullptr, "U"), util);

    // Extra bytes are there, zeroed and bounded.
    EXPECT_EQ(GetWindowLongPtr(dialog, 2 * sizeof(LONG_PTR)), 0);
    SetWindowLongPtr(dialog, sizeof(LONG_PTR), 77);
    EXPECT_EQ(GetWindowLongPtr(dialog, sizeof(LONG_PTR)), 77);
    EXPECT_EQ(SetWindowLongPtr(dialog, 3 * sizeof(LONG_PTR), 1), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);

    EXPECT_FALSE(UnregisterClass("#32771", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(dialog);
    DestroyWindow(util);
    EXPECT_TRUE(UnregisterClass("#32771", nullptr));
    EXPECT_TRUE(UnregisterClass("#32768", nullptr));
    EXPECT_TRUE(UnregisterClass("TPUtilWindow", nullptr));
}

TEST_F(Procedures, StyleChangesAreAnnouncedAndMayBeAmended) {
    HWND top = rec.Create("top", WS_POPUP);
    rec.SetHandler([](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_STYLECHANGING && wp == static_cast<WPARAM>(GWL_STYLE))
            reinterpret_cast<STYLESTRUCT*>(lp)->styleNew &= ~WS_BORDER;  // this window refuses a border
        return std::nullopt;
    });
    rec.Clear();
    LONG_PTR old = SetWindowLongPtr(top, GWL_STYLE, WS_POPUP | WS_BORDER | WS_CLIPCHILDREN);
    EXPECT_EQ(old, static_cast<LONG_PTR>(WS_POPUP));
    EXPECT_EQ(GetWindowLongPtr(top, GWL_STYLE), static_cast<LONG_PTR>(WS_POPUP | WS_CLIPCHILDREN));
    EXPECT_EQ(rec.Take(), (Lines{"top WM_STYLECHANGING", "top WM_STYLECHANGED"}));
    SetWindowLongPtr(top, GWL_STYLE, WS_POPUP | WS_CLIPCHILDREN);  // unchanged: silent
    EXPECT_TRUE(rec.Take().empty());
    // The topmost state is not a style to set: only SetWindowPos changes it.
    SetWindowLongPtr(top, GWL_EXSTYLE, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindowLongPtr(top, GWL_EXSTYLE), static_cast<LONG_PTR>(WS_EX_TOOLWINDOW));
}

TEST_F(Procedures, ParentOwnerIdAndUserData) {
    HWND owner = rec.Create("owner", WS_POPUP);
    HWND other = rec.Create("other", WS_POPUP);
    HWND popup = rec.Create("popup", WS_POPUP, owner);
    HWND child = rec.Create("child", WS_CHILD, owner, {0, 0, 5, 5});
    EXPECT_EQ(GetWindowLongPtr(popup, GWL_HWNDPARENT), reinterpret_cast<LONG_PTR>(owner));
    EXPECT_EQ(SetWindowLongPtr(popup, GWL_HWNDPARENT, reinterpret_cast<LONG_PTR>(other)),
              reinterpret_cast<LONG_PTR>(owner));
    EXPECT_EQ(GetWindow(popup, GW_OWNER), other);
    // For a child, the same index changes the parent.
    SetWindowLongPtr(child, GWL_HWNDPARENT, reinterpret_cast<LONG_PTR>(other));
    EXPECT_EQ(GetParent(child), other);
    SetWindowLongPtr(child, GWL_ID, 42);
    SetWindowLongPtr(child, GWL_USERDATA, -5);
    EXPECT_EQ(GetWindowLongPtr(child, GWL_ID), 42);
    EXPECT_EQ(GetWindowLongPtr(child, GWL_USERDATA), -5);
}

TEST_F(Procedures, PropertiesTextFontAndIcons) {
    HWND top = rec.Create("top", WS_POPUP);
    int value = 1;
    EXPECT_TRUE(SetProp(top, "ACSBSC", &value));
    EXPECT_EQ(GetProp(top, "acsbsc"), &value);
    EXPECT_EQ(RemoveProp(top, "ACSBSC"), &value);
    EXPECT_EQ(GetProp(top, "ACSBSC"), nullptr);

    SetWindowText(top, "Gr\xC3\xBC\xC3\x9F" "e");  // "Grüße": 7 bytes
    EXPECT_EQ(GetWindowTextLength(top), 7);
    char buffer[4];
    // Three bytes fit, but that would cut the "ü" in half: two are copied.
    EXPECT_EQ(GetWindowText(top, buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "Gr");

    auto font = reinterpret_cast<WPARAM>(&value);
    SendMessage(top, WM_SETFONT, font, 0);
    EXPECT_EQ(SendMessage(top, WM_GETFONT, 0, 0), static_cast<LRESULT>(font));
    auto big = reinterpret_cast<LPARAM>(&buffer[0]);
    EXPECT_EQ(SendMessage(top, WM_SETICON, ICON_BIG, big), 0);
    EXPECT_EQ(SendMessage(top, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(SendMessage(top, WM_GETICON, ICON_SMALL2, 0), big);  // falls back to the big one
}

// Three subclassers in the plain GWL_WNDPROC manner, each remembering its predecessor.
struct Subclasser {
    std::string name;
    WNDPROC previous = nullptr;
    WNDPROC instance = nullptr;
    std::vector<std::string>* trail = nullptr;

    void Attach(HWND hwnd) {
        instance = MakeWindowProcInstance([this](HWND h, UINT m, WPARAM wp, LPARAM lp) {
            if (m == WM_USER) trail->push_back(name);
            return CallWindowProc(previous, h, m, wp, lp);
        });
        previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(instance)));
    }
    // As an adapter detaches: only when it still stands in front; otherwise it stays in the
    // chain, passing everything on.
    bool Detach(HWND hwnd) {
        if (GetWindowLongPtr(hwnd, GWL_WNDPROC) != reinterpret_cast<LONG_PTR>(instance)) return false;
        SetWindowLongPtr(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        FreeWindowProcInstance(instance);
        return true;
    }
};

TEST_F(Procedures, ProcedureChainsKeepWorkingWhateverDetachesFirst) {
    HWND top = rec.Create("top", WS_POPUP);
    std::vector<std::string> trail;
    Subclasser a{"a"}, b{"b"}, c{"c"};
    for (Subclasser* s : {&a, &b, &c}) {
        s->trail = &trail;
        s->Attach(top);
    }
    rec.Clear();
    SendMessage(top, WM_USER, 0, 0);
    EXPECT_EQ(trail, (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(rec.Take(), (Lines{"top WM_USER"}));
    EXPECT_FALSE(b.Detach(top));  // c stands in front of b
    EXPECT_TRUE(c.Detach(top));
    trail.clear();
    SendMessage(top, WM_USER, 0, 0);
    EXPECT_EQ(trail, (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(rec.Take(), (Lines{"top WM_USER"}));
    DestroyWindow(top);
}

TEST_F(Procedures, FreedInstanceAnswersAsTheDefault) {
    HWND top = rec.Create("top", WS_POPUP);
    WNDPROC instance = MakeWindowProcInstance([](HWND, UINT, WPARAM, LPARAM) { return LRESULT{99}; });
    EXPECT_TRUE(IsWindowProcInstance(instance));
    EXPECT_EQ(CallWindowProc(instance, top, WM_USER, 0, 0), 99);
    FreeWindowProcInstance(instance);
    EXPECT_FALSE(IsWindowProcInstance(instance));
    SetWindowText(top, "abc");
    EXPECT_EQ(CallWindowProc(instance, top, WM_GETTEXTLENGTH, 0, 0), 3);
}

struct ChainLog {
    std::vector<UINT_PTR> seen;
};

LRESULT Member(HWND hwnd, UINT m, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) {
    if (m == WM_USER) {
        reinterpret_cast<ChainLog*>(ref)->seen.push_back(id);
        // The member with id 2 removes itself while it runs; the chain goes on below it.
        if (id == 2 && wp == 1) RemoveWindowSubclass(hwnd, &Member, id);
    }
    return DefSubclassProc(hwnd, m, wp, lp);
}

TEST_F(Procedures, SubclassChainsSurviveRemovalInAnyOrder) {
    std::array<UINT_PTR, 3> ids{1, 2, 3};
    do {
        HWND top = rec.Create("top", WS_POPUP);
        auto original = GetWindowLongPtr(top, GWL_WNDPROC);
        ChainLog log;
        for (UINT_PTR id : {1, 2, 3}) ASSERT_TRUE(SetWindowSubclass(top, &Member, id, reinterpret_cast<DWORD_PTR>(&log)));
        std::vector<UINT_PTR> expected{3, 2, 1};
        for (UINT_PTR id : ids) {
            rec.Clear();
            log.seen.clear();
            SendMessage(top, WM_USER, 0, 0);
            EXPECT_EQ(log.seen, expected);
            EXPECT_EQ(rec.Take(), (Lines{"top WM_USER"}));  // the window's own procedure, once
            EXPECT_TRUE(RemoveWindowSubclass(top, &Member, id));
            std::erase(expected, id);
        }
        EXPECT_EQ(GetWindowLongPtr(top, GWL_WNDPROC), original);
        DestroyWindow(top);
    } while (std::next_permutation(ids.begin(), ids.end()));
}

TEST_F(Procedures, SubclassRemovingItselfWhileRunning) {
    HWND top = rec.Create("top", WS_POPUP);
    ChainLog log;
    for (UINT_PTR id : {1, 2, 3}) SetWindowSubclass(top, &Member, id, reinterpret_cast<DWORD_PTR>(&log));
    SendMessage(top, WM_USER, 1, 0);
    EXPECT_EQ(log.seen, (std::vector<UINT_PTR>{3, 2, 1}));
    log.seen.clear();
    SendMessage(top, WM_USER, 0, 0);
    EXPECT_EQ(log.seen, (std::vector<UINT_PTR>{3, 1}));
    DWORD_PTR ref = 0;
    EXPECT_FALSE(GetWindowSubclass(top, &Member, 2, &ref));
    EXPECT_TRUE(GetWindowSubclass(top, &Member, 3, &ref));
    EXPECT_EQ(ref, reinterpret_cast<DWORD_PTR>(&log));
}

TEST_F(Procedures, ChainAfterAPlainSubclasserStaysInPlace) {
    HWND top = rec.Create("top", WS_POPUP);
    ChainLog log;
    SetWindowSubclass(top, &Member, 1, reinterpret_cast<DWORD_PTR>(&log));
    std::vector<std::string> trail;
    Subclasser plain{"plain"};
    plain.trail = &trail;
    plain.Attach(top);
    // The chain's last member goes while the plain subclasser stands in front: nothing breaks.
    EXPECT_TRUE(RemoveWindowSubclass(top, &Member, 1));
    rec.Clear();
    SendMessage(top, WM_USER, 0, 0);
    EXPECT_EQ(trail, (std::vector<std::string>{"plain"}));
    EXPECT_TRUE(log.seen.empty());
    EXPECT_EQ(rec.Take(), (Lines{"top WM_USER"}));
    EXPECT_TRUE(plain.Detach(top));
}

}  // namespace
}  // namespace parch
