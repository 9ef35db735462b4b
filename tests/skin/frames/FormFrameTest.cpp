// A skinned form's shape and title on the headless screen: the window region cut from the key-
// coloured corners of the skin, the title icon and added title, and the fading title buttons on
// the virtual clock.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/display/PngFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Regions.h"
#include "platform/win/Compositor.h"
#include "platform/win/Focus.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WinApi.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sSkinManager.h"
#include "skin/frames/sSkinProvider.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch::test {
namespace {

// Screen pixels of a rectangle, read from one composed capture.
std::vector<COLORREF> FrameTestScreenPixels(const RECT& rect) {
    HBITMAP screen = CaptureScreen();
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, screen);
    std::vector<COLORREF> pixels;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(screen);
    return pixels;
}

long FrameTestDistance(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    long sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        for (int shift : {0, 8, 16}) sum += std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
    return sum;
}

class FormFrameTest : public ::testing::Test {
protected:
    void SetUp() override { LoadInternalSkin(manager); }

    TForm* MakeForm(TFormBorderStyle style = bsSizeable) {
        auto* form = new TForm(&app);
        form->SetBorderStyle(style);
        form->SetBounds(100, 100, 320, 200);
        form->SetCaption("Parchwise");
        return form;
    }
    void Show(TForm* form) {
        form->Show();
        display.PumpMessages();
    }
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            display.AdvanceTime(TacSBAnimation::kInterval);
            display.PumpMessages();
        }
    }
    RECT OnScreen(TForm* form, const RECT& frameRect) {
        RECT window{};
        GetWindowRect(form->Handle(), &window);
        return RECT{window.left + frameRect.left, window.top + frameRect.top, window.left + frameRect.right,
                    window.top + frameRect.bottom};
    }
    POINT Centre(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }
    LRESULT HitAt(TForm* form, POINT screen) {
        return SendMessage(form->Handle(), WM_NCHITTEST, 0, (screen.x & 0xFFFF) | ((screen.y & 0xFFFF) << 16));
    }

    HeadlessDisplay display{800, 600, 0};
    TApplication app;
    TsSkinManager manager;
};

// ---- Window region

// Cuts a three-pixel staircase of key colour into every corner of the form's borders mask.
void CutFormMaskCorners(TsSkinManager& manager, int maskIndex) {
    const TsMaskData& mask = manager.Tables().Masks[static_cast<size_t>(maskIndex)];
    TBitmap& master = *manager.Tables().MasterBitmap;
    int left = mask.SourceRect.left;
    int top = mask.SourceRect.top;
    int right = left + MaskFrameWidth(mask) - 1;
    int bottom = top + MaskStateHeight(mask) - 1;
    const POINT stairs[] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {0, 2}};
    for (POINT s : stairs) {
        PixelAt(master, left + s.x, top + s.y) = 0xFFFF00FFu;
        PixelAt(master, right - s.x, top + s.y) = 0xFFFF00FFu;
        PixelAt(master, left + s.x, bottom - s.y) = 0xFFFF00FFu;
        PixelAt(master, right - s.x, bottom - s.y) = 0xFFFF00FFu;
    }
}

// Which of the given window points the form's region holds; every point when it has none.
std::vector<bool> RegionHolds(HWND window, const std::vector<POINT>& points) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    bool hasRegion = GetWindowRgn(window, region) != ERROR;
    std::vector<bool> held;
    for (POINT p : points) held.push_back(!hasRegion || PtInRegion(region, p.x, p.y));
    DeleteObject(region);
    return held;
}

TEST_F(FormFrameTest, RegionCutsTheKeyColouredCorners) {
    TForm* form = MakeForm();
    Show(form);
    auto* provider = new TsSkinProvider(form);
    CutFormMaskCorners(manager, provider->SkinData().BordersMaskIndex);
    form->SetBounds(100, 100, 330, 210);  // a new size rebuilds the shape
    display.PumpMessages();

    int w = form->Width(), h = form->Height();
    struct { POINT At; bool Held; } cases[] = {
        {{0, 0}, false},     {{2, 0}, false},     {{3, 0}, true},      {{1, 1}, false},     {{2, 1}, true},
        {{0, 2}, false},     {{0, 3}, true},      {{w - 1, 0}, false}, {{w - 3, 0}, false}, {{w - 4, 0}, true},
        {{w - 1, 2}, false}, {{0, h - 1}, false}, {{1, h - 2}, false}, {{2, h - 2}, true},  {{w - 1, h - 1}, false},
        {{w - 2, h - 2}, false}, {{w - 3, h - 2}, true}, {{w / 2, 0}, true}, {{w / 2, h / 2}, true}};
    std::vector<POINT> points;
    for (const auto& c : cases) points.push_back(c.At);
    std::vector<bool> held = RegionHolds(form->Handle(), points);
    for (size_t i = 0; i < points.size(); ++i)
            EXPECT_EQ(held[i], cases[i].Held) << points[i].x << "," << points[i].y;
    EXPECT_EQ(provider->CornerRects().size(), 12u);  // three runs in each corner

    // The shape goes with the skin and comes back with it.
    manager.SetActive(false);
    display.PumpMessages();
    EXPECT_TRUE(RegionHolds(form->Handle(), {POINT{0, 0}})[0]);
    manager.SetActive(true);  // reads the skin anew: the corners are cut again
    CutFormMaskCorners(manager, provider->SkinData().BordersMaskIndex);
    display.PumpMessages();
    form->Perform(WM_NCPAINT, 1, 0);
    EXPECT_FALSE(RegionHolds(form->Handle(), {POINT{0, 0}})[0]);
    delete provider;
    EXPECT_TRUE(RegionHolds(form->Handle(), {POINT{0, 0}})[0]);
    delete form;
}

TEST_F(FormFrameTest, RegionByFormState) {
    struct Case {
        const char* Name;
        TFormBorderStyle Style;
        bool Maximized;
        int MaxWidth;
        bool CornerCut;     // (0, 0) cut by the skin's corner
        bool InsetByFrame;  // a maximized form shows only what lies inside its frame
    } cases[] = {
        {"normal", bsSizeable, false, 0, true, false},
        {"maximized", bsSizeable, true, 0, false, true},
        {"maximized with a width limit", bsSizeable, true, 2000, true, false},
        {"no border", bsNone, false, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TForm* form = MakeForm(c.Style);
        TSizeConstraints limits;
        limits.MaxWidth = c.MaxWidth;
        form->SetConstraints(limits);
        Show(form);
        auto* provider = new TsSkinProvider(form);
        CutFormMaskCorners(manager, provider->SkinData().BordersMaskIndex);
        if (c.Maximized) form->SetWindowState(wsMaximized);
        form->SetBounds(form->Left(), form->Top(), form->Width() + 1, form->Height());
        display.PumpMessages();
        form->Perform(WM_NCPAINT, 1, 0);
        int frame = GetFrameWidth(form->Handle());
        std::vector<bool> held = RegionHolds(form->Handle(), {POINT{0, 0}, POINT{frame - 1, frame}, POINT{frame, frame}});
        EXPECT_EQ(held[0], !c.CornerCut && !c.InsetByFrame);
        EXPECT_EQ(held[1], !c.InsetByFrame);
        EXPECT_TRUE(held[2]);
        delete form;
    }
}

// A window that keeps a region of its own says so, and keeps it until its frame was painted.
TEST_F(FormFrameTest, WindowWithItsOwnRegionKeepsIt) {
    TForm* form = MakeForm();
    auto keeper = form->WindowProcChain().Join([](TMessage& message, const TWndMethod& inherited) {
        if (message.Msg == kOwnRegionQuery && message.WParam == kOwnRegionAnswer) {
            message.Result = static_cast<LRESULT>(kOwnRegionAnswer);
            return;
        }
        inherited(message);
    });
    Show(form);
    SetWindowRgn(form->Handle(), CreateRectRgn(10, 10, 60, 60), 0);
    auto* provider = new TsSkinProvider(form);
    provider->UpdateRgn(false);
    std::vector<bool> held = RegionHolds(form->Handle(), {POINT{0, 0}, POINT{20, 20}});
    EXPECT_FALSE(held[0]);
    EXPECT_TRUE(held[1]);
    keeper.Leave();
    delete form;
}

// ---- Title icon and added title

TEST_F(FormFrameTest, TitleIconShowsAndAnswersAsSystemMenu) {
    struct { const char* Name; TFormBorderStyle Style; TBorderIcons Icons; bool ShowAppIcon; bool Shown; } cases[] = {
        {"sizeable", bsSizeable, biSystemMenu | biMinimize | biMaximize, true, true},
        {"single", bsSingle, biSystemMenu, true, true},
        {"dialog", bsDialog, biSystemMenu, true, false},
        {"tool window", bsToolWindow, biSystemMenu, true, false},
        {"no system menu", bsSizeable, 0, true, false},
        {"icon switched off", bsSizeable, biSystemMenu, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TForm* form = MakeForm(c.Style);
        form->SetBorderIcons(c.Icons);
        Show(form);
        auto* provider = new TsSkinProvider(form);
        provider->SetShowAppIcon(c.ShowAppIcon);
        EXPECT_EQ(provider->ShowsIcon(), c.Shown);
        // Where the icon sits (or would sit) in the title.
        RECT icon{8, 6, 24, 22};
        if (c.Shown) {
            icon = provider->IconRect();
            EXPECT_EQ(icon.right - icon.left, 16);
            EXPECT_GT(icon.top, 0);
        }
        POINT onIcon = Centre(OnScreen(form, icon));
        EXPECT_EQ(HitAt(form, onIcon), c.Shown ? HTSYSMENU : HTCAPTION);
        // A double click on the icon closes the form.
        display.DoubleClick(onIcon.x, onIcon.y);
        display.PumpMessages();
        EXPECT_EQ(form->Visible(), !c.Shown);
        delete form;
    }
}

TEST_F(FormFrameTest, TitleIconGlyphs) {
    TForm* form = MakeForm();
    Show(form);
    auto* provider = new TsSkinProvider(form);
    provider->SetShowAppIcon(false);
    provider->PaintAll();
    auto bare = NewPf32Bitmap(1, 1);
    bare->Assign(provider->SkinData().CacheBitmap.get());
    provider->SetShowAppIcon(true);
    RECT icon = provider->IconRect();
    POINT middle = Centre(icon);

    // A 32-bit glyph keeps its own colours.
    auto red = FilledBitmap(16, 16, 0xFFE02020u);
    provider->TitleIcon().SetGlyph(red.get());
    provider->PaintAll();
    TBitmap& image = *provider->SkinData().CacheBitmap;
    std::uint32_t shown = PixelAt(image, middle.x, middle.y);
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_NEAR(ChannelOf(shown, channel), ChannelOf(0xFFE02020u, channel), 1) << channel;

    // Another glyph is stretched to the icon; its magenta pixels show the title.
    TBitmap keyed(8, 8, pf24bit);
    keyed.Canvas().Brush().SetColor(static_cast<TColor>(0xFF00FF));
    keyed.Canvas().FillRect(RECT{0, 0, 8, 4});
    keyed.Canvas().Brush().SetColor(static_cast<TColor>(0xFF0000));
    keyed.Canvas().FillRect(RECT{0, 4, 8, 8});
    provider->TitleIcon().SetGlyph(&keyed);
    provider->PaintAll();
    EXPECT_EQ(PixelAt(image, icon.left + 2, icon.top + 2), PixelAt(*bare, icon.left + 2, icon.top + 2));
    EXPECT_EQ(PixelAt(image, icon.left + 2, icon.bottom - 2), 0xFF0000FFu);

    // Without a glyph the system icon is drawn, opaque where it changed the title.
    provider->TitleIcon().SetGlyph(nullptr);
    provider->PaintAll();
    int changed = 0;
    for (int y = icon.top; y < icon.bottom; ++y)
        for (int x = icon.left; x < icon.right; ++x)
            if (PixelAt(image, x, y) != PixelAt(*bare, x, y)) {
                ++changed;
                EXPECT_EQ(PixelAt(image, x, y) >> 24, 0xFFu);
            }
    EXPECT_GT(changed, 16);
    delete form;
}

TEST_F(FormFrameTest, AddedTitleFollowsTheCaption) {
    TForm* form = MakeForm();
    Show(form);
    auto* provider = new TsSkinProvider(form);
    auto titleBand = [&] {
        provider->PaintAll();
        TBitmap& image = *provider->SkinData().CacheBitmap;
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < provider->TopAreaHeight(); ++y)
            for (int x = 0; x < image.Width() / 2; ++x) pixels.push_back(PixelAt(image, x, y));
        return pixels;
    };
    auto reddish = [](const std::vector<std::uint32_t>& pixels) {
        int count = 0;
        for (std::uint32_t p : pixels)
            if (ChannelOf(p, 2) > 150 && ChannelOf(p, 1) < 90) ++count;
        return count;
    };
    std::vector<std::uint32_t> plain = titleBand();
    provider->AddedTitle().SetText("extra");
    std::vector<std::uint32_t> added = titleBand();
    EXPECT_NE(added, plain);
    EXPECT_EQ(reddish(added), 0);  // clNone: the title's own text colour

    TFont red;
    red.SetColor(clRed);
    provider->AddedTitle().SetFont(red);
    EXPECT_GT(reddish(titleBand()), 0);

    // Without the main caption the added title takes its place.
    provider->AddedTitle().SetFont(TFont{});
    provider->AddedTitle().Font().SetColor(clNone);
    provider->AddedTitle().SetShowMainCaption(false);
    std::vector<std::uint32_t> alone = titleBand();
    EXPECT_NE(alone, added);
    provider->AddedTitle().SetText("");
    std::vector<std::uint32_t> empty = titleBand();
    EXPECT_NE(empty, plain);  // no caption drawn at all
    delete form;
}

// ---- Title-button hover animation

class TitleButtonFadeTest : public FormFrameTest {
protected:
    void SetUp() override {
        FormFrameTest::SetUp();
        display.Clock().SetAutoAdvance(false);
        form = MakeForm();
        Show(form);
        leaves = form->WindowProcChain().Join([this](TMessage& message, const TWndMethod& inherited) {
            if (message.Msg == WM_MOUSELEAVE) ++mouseLeaves;
            inherited(message);
        });
        provider = new TsSkinProvider(form);
        display.PumpMessages();
        provider->LayOutTitleButtons();
        closeOnScreen = OnScreen(form, provider->CaptionButton(HTCLOSE).Rect);
        normal = FrameTestScreenPixels(closeOnScreen);
    }
    void TearDown() override {
        leaves.Leave();
        delete form;
    }
    const TacSBAnimation* CloseAnimation() { return provider->CaptionButton(HTCLOSE).Animation.get(); }

    TForm* form = nullptr;
    TsSkinProvider* provider = nullptr;
    TWindowProcChain::Link leaves;
    int mouseLeaves = 0;
    RECT closeOnScreen{};
    std::vector<COLORREF> normal;
};

TEST_F(TitleButtonFadeTest, HoverFadesInAndOutOnTheClock) {
    POINT close = Centre(closeOnScreen);
    display.MoveMouse(close.x, close.y);
    display.PumpMessages();
    ASSERT_NE(CloseAnimation(), nullptr);
    HWND fade = CloseAnimation()->GlowForm()->Handle();
    LONG_PTR exStyle = GetWindowLongPtr(fade, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TRANSPARENT);
    EXPECT_TRUE(exStyle & WS_EX_NOACTIVATE);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    RECT fadeRect{};
    GetWindowRect(fade, &fadeRect);
    EXPECT_NEAR((fadeRect.left + fadeRect.right) / 2.0, (closeOnScreen.left + closeOnScreen.right) / 2.0, 1.0);
    EXPECT_NEAR((fadeRect.top + fadeRect.bottom) / 2.0, (closeOnScreen.top + closeOnScreen.bottom) / 2.0, 1.0);

    std::vector<long> fadeIn{FrameTestDistance(FrameTestScreenPixels(closeOnScreen), normal)};
    for (int i = 0; i < 10; ++i) {
        Tick();
        fadeIn.push_back(FrameTestDistance(FrameTestScreenPixels(closeOnScreen), normal));
    }
    SavePng(CaptureScreen(), "build/title_button_faded_in.png");
    for (size_t i = 1; i < fadeIn.size(); ++i) EXPECT_GE(fadeIn[i], fadeIn[i - 1]) << i;
    EXPECT_GT(fadeIn.back(), 2 * fadeIn.front());
    EXPECT_EQ(CloseAnimation()->FadeSteps, -1);
    // The fading window takes neither the mouse nor the focus.
    EXPECT_EQ(WindowFromPoint(close), form->Handle());
    EXPECT_EQ(GetActiveWindow(), form->Handle());

    display.MoveMouse(closeOnScreen.left - 120, closeOnScreen.top + 80);  // into the client area
    display.PumpMessages();
    std::vector<long> fadeOut{FrameTestDistance(FrameTestScreenPixels(closeOnScreen), normal)};
    for (int i = 0; i < 12; ++i) {
        Tick();
        fadeOut.push_back(FrameTestDistance(FrameTestScreenPixels(closeOnScreen), normal));
    }
    for (size_t i = 1; i < fadeOut.size(); ++i) EXPECT_LE(fadeOut[i], fadeOut[i - 1]) << i;
    EXPECT_EQ(CloseAnimation()->State, -1);
    EXPECT_EQ(CloseAnimation()->GlowForm(), nullptr);
    EXPECT_EQ(FrameTestScreenPixels(closeOnScreen), normal);
}

TEST_F(TitleButtonFadeTest, PressShowsThePressedPictureAtOnce) {
    POINT close = Centre(closeOnScreen);
    display.MoveMouse(close.x, close.y);
    display.PumpMessages();
    Tick(2);
    display.MouseDown();
    display.PumpMessages();
    ASSERT_NE(CloseAnimation(), nullptr);
    EXPECT_EQ(CloseAnimation()->State, 2);
    EXPECT_EQ(CloseAnimation()->Step, CloseAnimation()->FadeSteps);
    // Fully opaque at once: the screen shows the pressed picture itself.
    TBitmap* picture = CloseAnimation()->StateBitmap();
    ASSERT_NE(picture, nullptr);
    std::uint32_t middle = PixelAt(*picture, picture->Width() / 2, picture->Height() / 2);
    COLORREF expected = ((middle >> 16) & 0xFF) | (middle & 0xFF00) | ((middle & 0xFF) << 16);
    RECT one{close.x, close.y, close.x + 1, close.y + 1};
    EXPECT_EQ(FrameTestScreenPixels(one)[0] & 0xFFFFFF, expected);
    display.MoveMouse(closeOnScreen.left - 120, closeOnScreen.top + 80);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(provider->PressedCode(), 0);
}

TEST_F(TitleButtonFadeTest, LeavingAfterTheFadeInSendsOneMouseLeave) {
    POINT close = Centre(closeOnScreen);
    display.MoveMouse(close.x, close.y);
    display.PumpMessages();
    Tick(11);
    ASSERT_EQ(CloseAnimation()->FadeSteps, -1);
    // Off the form altogether: the form hears of it only from the animation.
    display.MoveMouse(closeOnScreen.right + 100, closeOnScreen.top - 60);
    display.PumpMessages();
    Tick(20);
    EXPECT_EQ(mouseLeaves, 1);
    EXPECT_EQ(CloseAnimation()->State, -1);
    EXPECT_EQ(FrameTestScreenPixels(closeOnScreen), normal);
}

TEST_F(TitleButtonFadeTest, WithoutGlowingTheFrameShowsTheState) {
    manager.Effects.AllowGlowing = false;
    POINT close = Centre(closeOnScreen);
    display.MoveMouse(close.x, close.y);
    display.PumpMessages();
    EXPECT_EQ(CloseAnimation(), nullptr);
    EXPECT_NE(FrameTestScreenPixels(closeOnScreen), normal);
}

TEST_F(TitleButtonFadeTest, NewGlyphDropsTheHoverPictures) {
    TsTitleButton& user = provider->TitleButtons().Add();
    provider->RedrawFrameNow();
    provider->LayOutTitleButtons();
    POINT centre = Centre(OnScreen(form, user.Button.Rect));
    display.MoveMouse(centre.x, centre.y);
    display.PumpMessages();
    ASSERT_NE(user.Button.Animation, nullptr);
    auto glyph = FilledBitmap(8, 8, 0xFF2060C0u);
    user.SetGlyph(glyph.get());
    EXPECT_EQ(user.Button.Animation, nullptr);
}

// The form may go while its buttons fade: nothing ticks on afterwards.
TEST_F(TitleButtonFadeTest, FormGoesWhileFading) {
    POINT close = Centre(closeOnScreen);
    display.MoveMouse(close.x, close.y);
    display.PumpMessages();
    Tick(3);
    leaves.Leave();
    delete form;
    form = nullptr;
    Tick(15);
    EXPECT_TRUE(win::WindowsOnScreen().empty());  // the fading window went with the form
}

}  // namespace
}  // namespace parch::test
