// The form skin provider on the headless screen with the internal skin: construction rules,
// the window procedure chain in every leaving order, the system menu style following the skin,
// the hit-test map of the title buttons and the clicks that give system commands.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/display/PngFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/Compositor.h"
#include "platform/win/Focus.h"
#include "platform/win/Messages.h"
#include "platform/win/WinApi.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinnedForms.h"
#include "skin/frames/sSkinProvider.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch::test {
namespace {

COLORREF AsColorRef(std::uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}

constexpr WPARAM kProviderQuery = static_cast<WPARAM>(scGetProvider) << 16;

class SkinProviderTest : public ::testing::Test {
protected:
    void SetUp() override { LoadInternalSkin(manager); }

    TForm* MakeForm(TFormBorderStyle style = bsSizeable) {
        auto* form = new TForm(&app);
        form->SetBorderStyle(style);
        form->SetBounds(100, 100, 320, 200);
        return form;
    }
    void Show(TForm* form) {
        form->Show();
        display.PumpMessages();
    }
    // A member of the form's chain joined before the provider: it sees what the provider hands
    // on, records the system commands and keeps them from the form.
    TWindowProcChain::Link RecordSysCommands(TForm* form) {
        return form->WindowProcChain().Join([this](TMessage& message, const TWndMethod& inherited) {
            if (message.Msg == WM_SYSCOMMAND) {
                commands.push_back(static_cast<UINT>(message.WParam & 0xFFF0));
                return;
            }
            inherited(message);
        });
    }
    POINT ScreenCentre(TForm* form, const RECT& frameRect) {
        RECT window{};
        GetWindowRect(form->Handle(), &window);
        return POINT{window.left + (frameRect.left + frameRect.right) / 2,
                     window.top + (frameRect.top + frameRect.bottom) / 2};
    }
    LRESULT HitAt(TForm* form, POINT screen) {
        return SendMessage(form->Handle(), WM_NCHITTEST, 0, (screen.x & 0xFFFF) | ((screen.y & 0xFFFF) << 16));
    }
    void Click(POINT down, POINT up) {
        display.MoveMouse(down.x, down.y);
        display.PumpMessages();
        display.MouseDown();
        display.PumpMessages();
        display.MoveMouse(up.x, up.y);
        display.PumpMessages();
        display.MouseUp();
        display.PumpMessages();
    }

    HeadlessDisplay display{800, 600, 0};
    TApplication app;
    TsSkinManager manager;
    std::vector<UINT> commands;
};

TEST_F(SkinProviderTest, OwnerMustBeAForm) {
    TComponent notAForm(nullptr);
    try {
        TsSkinProvider provider(&notAForm);
        FAIL() << "a provider was made for a component that is no form";
    } catch (const EAbort& error) {
        EXPECT_STREQ(error.what(), "TsSkinProvider component may be used with forms only!");
    }
    EXPECT_EQ(notAForm.ComponentCount(), 0);
}

TEST_F(SkinProviderTest, SecondProviderIsPassiveAndReplacesAHookProvider) {
    TForm* form = MakeForm();
    auto* first = new TsSkinProvider(form);
    auto* second = new TsSkinProvider(form);
    EXPECT_FALSE(first->Passive());
    EXPECT_TRUE(second->Passive());
    EXPECT_EQ(form->Perform(SkinCommandMessage, kProviderQuery, 0), reinterpret_cast<LRESULT>(first));
    delete second;
    EXPECT_EQ(form->Perform(SkinCommandMessage, kProviderQuery, 0), reinterpret_cast<LRESULT>(first));
    delete first;
    EXPECT_EQ(form->Perform(SkinCommandMessage, kProviderQuery, 0), 0);

    TsSkinProvider::CreateRunTime(form);
    auto* placed = new TsSkinProvider(form);
    EXPECT_FALSE(placed->Passive());
    EXPECT_EQ(form->ComponentCount(), 1);
    EXPECT_EQ(form->Perform(SkinCommandMessage, kProviderQuery, 0), reinterpret_cast<LRESULT>(placed));
    delete form;
}

// Provider and a foreign member leave in every order; whoever is left keeps working and a
// member that left is never called (ASan sees a call into a freed provider).
TEST_F(SkinProviderTest, ChainMembersLeaveInAnyOrder) {
    for (int order = 0; order < 3; ++order) {
        SCOPED_TRACE(order);
        TForm* form = MakeForm();
        Show(form);
        int foreignCalls = 0;
        auto foreign = form->WindowProcChain().Join([&](TMessage& message, const TWndMethod& inherited) {
            ++foreignCalls;
            inherited(message);
        });
        auto* provider = new TsSkinProvider(form);
        if (order == 0) {
            delete provider;
            EXPECT_EQ(form->Perform(SkinCommandMessage, kProviderQuery, 0), 0);
            foreign.Leave();
        } else if (order == 1) {
            foreign.Leave();
            EXPECT_EQ(form->Perform(SkinCommandMessage, kProviderQuery, 0), reinterpret_cast<LRESULT>(provider));
            delete provider;
        } else {
            delete form;  // the form frees its provider; the foreign link outlives the chain
            foreign.Leave();
            continue;
        }
        int callsBefore = foreignCalls;
        SendMessage(form->Handle(), WM_NCHITTEST, 0, 0);
        EXPECT_EQ(foreignCalls, callsBefore);
        EXPECT_EQ(form->Perform(SkinCommandMessage, kProviderQuery, 0), 0);
        EXPECT_EQ(std::count(SkinnedForms.begin(), SkinnedForms.end(), form), 0);
        delete form;
    }
}

TEST_F(SkinProviderTest, SystemMenuStyleFollowsTheSkin) {
    TForm* form = MakeForm();
    Show(form);
    auto* provider = new TsSkinProvider(form);
    auto style = [&] { return static_cast<DWORD>(GetWindowLongPtr(form->Handle(), GWL_STYLE)); };
    EXPECT_EQ(style() & WS_SYSMENU, 0u);
    EXPECT_TRUE(provider->SystemMenuRemoved());

    manager.SetActive(false);
    EXPECT_NE(style() & WS_SYSMENU, 0u);
    EXPECT_FALSE(provider->SystemMenuRemoved());
    // Without a skin the form gets Windows' own answers, and the provider still answers for
    // itself.
    EXPECT_EQ(form->Perform(SkinCommandMessage, kProviderQuery, 0), reinterpret_cast<LRESULT>(provider));

    manager.SetActive(true);
    EXPECT_EQ(style() & WS_SYSMENU, 0u);
    delete provider;
    EXPECT_NE(style() & WS_SYSMENU, 0u);
    delete form;
}

struct HitCase {
    const char* Name;
    TFormBorderStyle Style;
    TBorderIcons Icons;
    std::vector<int> Shown;   // caption buttons that answer their code
    std::vector<int> Hidden;  // caption buttons that answer nothing of their own
};

class SkinProviderHitTest : public SkinProviderTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(SkinProviderHitTest, ButtonsAnswerTheirCodes) {
    const HitCase& c = GetParam();
    TForm* form = MakeForm(c.Style);
    form->SetBorderIcons(c.Icons);
    Show(form);
    auto* provider = new TsSkinProvider(form);
    provider->LayOutTitleButtons();
    for (int code : c.Shown) {
        const RECT& rect = provider->CaptionButton(code).Rect;
        ASSERT_LT(rect.left, rect.right) << code;
        EXPECT_EQ(HitAt(form, ScreenCentre(form, rect)), code);
    }
    for (int code : c.Hidden) {
        const RECT& rect = provider->CaptionButton(code).Rect;
        if (rect.left < rect.right) {
            LRESULT answer = HitAt(form, ScreenCentre(form, rect));
            EXPECT_TRUE(answer == HTCAPTION || answer == HTCLIENT) << code << " answered " << answer;
        }
    }
    delete form;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SkinProviderHitTest,
    ::testing::Values(HitCase{"Sizeable", bsSizeable, biSystemMenu | biMinimize | biMaximize,
                              {HTCLOSE, HTMAXBUTTON, HTMINBUTTON}, {}},
                      HitCase{"NoMaximize", bsSizeable, biSystemMenu | biMinimize, {HTCLOSE, HTMINBUTTON}, {HTMAXBUTTON}},
                      HitCase{"CloseOnly", bsSingle, biSystemMenu, {HTCLOSE}, {HTMAXBUTTON, HTMINBUTTON}},
                      HitCase{"Dialog", bsDialog, biSystemMenu | biMinimize | biMaximize, {HTCLOSE},
                              {HTMAXBUTTON, HTMINBUTTON}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SkinProviderTest, SizingBordersAndCaption) {
    TForm* form = MakeForm();
    Show(form);
    new TsSkinProvider(form);
    RECT window{};
    GetWindowRect(form->Handle(), &window);
    struct { POINT At; LRESULT Code; } cases[] = {
        {{window.left + 1, window.top + 1}, HTTOPLEFT},
        {{window.right - 2, window.bottom - 2}, HTBOTTOMRIGHT},
        {{window.left + 1, window.top + 100}, HTLEFT},
        {{window.left + 150, window.bottom - 2}, HTBOTTOM},
        {{window.left + 60, window.top + 12}, HTCAPTION},
        {{window.left + 150, window.top + 120}, HTCLIENT},
    };
    for (const auto& c : cases) EXPECT_EQ(HitAt(form, c.At), c.Code) << c.At.x << "," << c.At.y;
    delete form;
}

// A click gives its command only when pressed and released over the same button.
TEST_F(SkinProviderTest, TitleButtonClicksGiveOneCommandOrNone) {
    TForm* form = MakeForm();
    Show(form);
    auto recorder = RecordSysCommands(form);
    auto* provider = new TsSkinProvider(form);
    provider->LayOutTitleButtons();
    POINT close = ScreenCentre(form, provider->CaptionButton(HTCLOSE).Rect);
    POINT maximize = ScreenCentre(form, provider->CaptionButton(HTMAXBUTTON).Rect);
    POINT minimize = ScreenCentre(form, provider->CaptionButton(HTMINBUTTON).Rect);
    RECT window{};
    GetWindowRect(form->Handle(), &window);
    POINT client{window.left + 150, window.top + 120};

    struct { const char* Name; POINT Down, Up; std::vector<UINT> Expected; } cases[] = {
        {"close", close, close, {SC_CLOSE}},
        {"maximize", maximize, maximize, {SC_MAXIMIZE}},
        {"minimize", minimize, minimize, {SC_MINIMIZE}},
        {"close slid to maximize", close, maximize, {}},
        {"close released in the client area", close, client, {}},
        {"maximize released outside the form", maximize, POINT{5, 590}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        commands.clear();
        Click(c.Down, c.Up);
        EXPECT_EQ(commands, c.Expected);
        EXPECT_EQ(provider->PressedCode(), 0);
        EXPECT_EQ(GetCapture(), nullptr);
    }
    delete form;
}

// Hovering a button paints it hot in the window; leaving it paints it normal again.
TEST_F(SkinProviderTest, HoverPaintsTheButtonHot) {
    // Without glowing the frame itself shows the state (no fading window over the button).
    manager.Effects.AllowGlowing = false;
    TForm* form = MakeForm();
    Show(form);
    auto* provider = new TsSkinProvider(form);
    provider->LayOutTitleButtons();
    RECT closeRect = provider->CaptionButton(HTCLOSE).Rect;
    POINT close = ScreenCentre(form, closeRect);
    auto buttonPixels = [&] {
        HBITMAP shown = CaptureWindow(form->Handle());
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, shown);
        std::vector<COLORREF> pixels;
        for (int y = closeRect.top; y < closeRect.bottom; ++y)
            for (int x = closeRect.left; x < closeRect.right; ++x) pixels.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(shown);
        return pixels;
    };
    std::vector<COLORREF> normal = buttonPixels();

    display.MoveMouse(close.x, close.y);
    display.PumpMessages();
    EXPECT_EQ(provider->HotCode(), HTCLOSE);
    EXPECT_EQ(provider->CaptionButton(HTCLOSE).State, 1);
    EXPECT_NE(buttonPixels(), normal);

    display.MoveMouse(close.x - 150, close.y + 80);
    display.PumpMessages();
    EXPECT_EQ(provider->CaptionButton(HTCLOSE).State, 0);
    EXPECT_EQ(buttonPixels(), normal);
    delete form;
}

TEST_F(SkinProviderTest, CaptionDoubleClickMaximizesWhenAllowed) {
    struct { const char* Name; TBorderIcons Icons; std::vector<UINT> Expected; } cases[] = {
        {"maximizable", biSystemMenu | biMinimize | biMaximize, {SC_MAXIMIZE}},
        {"no maximize", biSystemMenu | biMinimize, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TForm* form = MakeForm();
        form->SetBorderIcons(c.Icons);
        Show(form);
        auto recorder = RecordSysCommands(form);
        new TsSkinProvider(form);
        commands.clear();
        RECT window{};
        GetWindowRect(form->Handle(), &window);
        display.DoubleClick(window.left + 60, window.top + 12);
        display.PumpMessages();
        // The first press on the caption starts Windows' own move.
        std::erase(commands, SC_MOVE);
        EXPECT_EQ(commands, c.Expected);
        delete form;
    }
}

TEST_F(SkinProviderTest, LostCaptureCancelsThePress) {
    TForm* form = MakeForm();
    Show(form);
    auto recorder = RecordSysCommands(form);
    auto* provider = new TsSkinProvider(form);
    provider->LayOutTitleButtons();
    POINT close = ScreenCentre(form, provider->CaptionButton(HTCLOSE).Rect);
    display.MoveMouse(close.x, close.y);
    display.MouseDown();
    display.PumpMessages();
    ASSERT_EQ(provider->PressedCode(), HTCLOSE);
    ASSERT_EQ(GetCapture(), form->Handle());

    ReleaseCapture();
    display.PumpMessages();
    EXPECT_EQ(provider->PressedCode(), 0);
    EXPECT_EQ(provider->CaptionButton(HTCLOSE).State, 0);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_TRUE(commands.empty());
    delete form;
}

// The provider goes (with its form, or alone) while a button is held: the capture goes with it
// and the release reaches nothing freed.
TEST_F(SkinProviderTest, GoingWhileAButtonIsHeld) {
    for (bool formFirst : {true, false}) {
        SCOPED_TRACE(formFirst ? "form freed" : "provider freed");
        TForm* form = MakeForm();
        Show(form);
        auto recorder = RecordSysCommands(form);
        auto* provider = new TsSkinProvider(form);
        provider->LayOutTitleButtons();
        POINT close = ScreenCentre(form, provider->CaptionButton(HTCLOSE).Rect);
        display.MoveMouse(close.x, close.y);
        display.MouseDown();
        display.PumpMessages();
        ASSERT_EQ(GetCapture(), form->Handle());
        if (formFirst) {
            delete form;
            form = nullptr;
        } else {
            delete provider;
        }
        EXPECT_EQ(GetCapture(), nullptr);
        display.MouseUp();
        display.PumpMessages();
        EXPECT_TRUE(commands.empty());
        delete form;
    }
}

TEST_F(SkinProviderTest, UserTitleButtons) {
    TForm* form = MakeForm();
    auto* provider = new TsSkinProvider(form);
    TsTitleButton& hidden = provider->TitleButtons().Add();
    TsTitleButton& disabled = provider->TitleButtons().Add();
    TsTitleButton& working = provider->TitleButtons().Add();
    EXPECT_EQ(working.Name(), "TsTitleButton");
    hidden.SetVisible(false);
    disabled.Enabled = false;
    std::vector<std::string> events;
    working.OnMouseDown = [&](TsTitleButton&, int, int) { events.push_back("down"); };
    working.OnMouseUp = [&](TsTitleButton&, int, int) { events.push_back("up"); };
    Show(form);
    auto recorder = RecordSysCommands(form);
    provider->LayOutTitleButtons();

    // The hidden button takes no room: the disabled one lies next to the caption buttons.
    const RECT& minimize = provider->CaptionButton(HTMINBUTTON).Rect;
    EXPECT_LT(disabled.Button.Rect.right, minimize.left);
    EXPECT_LT(working.Button.Rect.right, disabled.Button.Rect.left);
    EXPECT_EQ(HitAt(form, ScreenCentre(form, disabled.Button.Rect)), HTCAPTION);
    POINT at = ScreenCentre(form, working.Button.Rect);
    EXPECT_EQ(HitAt(form, at), kUserTitleButtonHitBase + 2);

    Click(at, at);
    EXPECT_EQ(events, (std::vector<std::string>{"down", "up"}));
    EXPECT_TRUE(commands.empty());
    delete form;
}

// The window shows the frame image around its client area, and the image differs from the
// frame Windows draws without the skin.
TEST_F(SkinProviderTest, WindowShowsTheFrameImage) {
    TForm* form = MakeForm();
    form->SetCaption("Parchwise");
    Show(form);
    auto* provider = new TsSkinProvider(form);
    provider->TitleButtons().Add();
    provider->RedrawFrameNow();
    display.PumpMessages();

    HBITMAP shown = CaptureWindow(form->Handle());
    SavePng(shown, "build/skinned_form-headless.png");
    HDC shownDc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldShown = SelectObject(shownDc, shown);
    TBitmap& image = *provider->SkinData().CacheBitmap;
    ASSERT_EQ(image.Width(), form->Width());
    int top = provider->TopAreaHeight();
    ASSERT_GT(top, 0);
    int mismatches = 0;
    for (int y = 0; y < top; ++y)
        for (int x = 0; x < image.Width(); ++x)
            if ((GetPixel(shownDc, x, y) & 0xFFFFFF) != AsColorRef(PixelAt(image, x, y))) ++mismatches;
    EXPECT_EQ(mismatches, 0);

    int width = image.Width();
    delete provider;
    form->Perform(WM_NCPAINT, 1, 0);
    HBITMAP plain = CaptureWindow(form->Handle());
    HDC plainDc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldPlain = SelectObject(plainDc, plain);
    int changed = 0;
    for (int x = 0; x < width; ++x)
        if (GetPixel(shownDc, x, top / 2) != GetPixel(plainDc, x, top / 2)) ++changed;
    EXPECT_GT(changed, width / 2);
    SelectObject(plainDc, oldPlain);
    DeleteDC(plainDc);
    DeleteObject(plain);
    SelectObject(shownDc, oldShown);
    DeleteDC(shownDc);
    DeleteObject(shown);
    delete form;
}

}  // namespace
}  // namespace parch::test
