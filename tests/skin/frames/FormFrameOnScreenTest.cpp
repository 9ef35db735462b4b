// A skinned form with cut corners, its title icon, an added title, a user title button with a
// glyph and the close button faded in: on the headless screen and through SDL on a private X
// screen, where every pixel of the form and of the fading window must show as headless.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/display/PngFile.h"
#include "platform/win/Compositor.h"
#include "skin/engine/sSkinManager.h"
#include "skin/frames/sSkinProvider.h"
#include "tests/platform/display/OnScreenCheck.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch::test {
namespace {

// Where each window shows, and the headless screen there; pixels covered by a later window are
// left to that window.
std::string CompareFramedFormOnScreen(const std::vector<HWND>& bottomToTop) {
    using namespace onscreen;
    if (!Xvfb::Installed()) return "Xvfb is not installed";
    Xvfb server;
    if (!server.Running()) return "Xvfb did not start";
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HBITMAP composed = CaptureScreen();
    const std::vector<long> screen = PicturePixels(composed, width, height);
    DeleteObject(composed);
    std::vector<RECT> places;
    for (HWND hwnd : bottomToTop) {
        RECT place{};
        GetWindowRect(hwnd, &place);
        places.push_back(place);
    }
    return RunInChild([&]() -> std::string {
        setenv("DISPLAY", server.Name().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        auto display = SdlDisplay::Open();
        if (!display) return "no display";
        size_t differing = 0;
        std::string first;
        Screenshot shot;
        WaitUntil(
            [&] {
                MSG msg;
                while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
                display->Pump();
                shot = server.Take();
                differing = 0;
                first.clear();
                for (const RECT& r : places)
                    for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, height); ++y)
                        for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, width); ++x) {
                            if (shot.At(x, y) == screen[static_cast<size_t>(y) * width + x]) continue;
                            if (differing++ == 0) first = std::to_string(x) + "," + std::to_string(y);
                        }
                return differing == 0;
            },
            kGenerousBound / 2);
        if (const char* folder = std::getenv("PARCH_SAVE_PICTURES")) {
            std::vector<std::uint32_t> bits(shot.pixels.size());
            for (size_t i = 0; i < bits.size(); ++i) bits[i] = 0xFF000000u | static_cast<std::uint32_t>(shot.pixels[i]);
            HBITMAP saved = CreateBitmap(shot.width, shot.height, 1, 32, bits.data());
            SavePng(saved, std::string(folder) + "/skinned_form_frame-screen.png");
            DeleteObject(saved);
        }
        return differing == 0 ? "" : std::to_string(differing) + " pixels differ, first at " + first;
    });
}

TEST(FormFrameOnScreenTest, CutCornersTitleAndFadingButtonLookTheSameOnScreen) {
    HeadlessDisplay display{800, 600, 0};
    display.Clock().SetAutoAdvance(false);
    TApplication app;
    TsSkinManager manager;
    LoadInternalSkin(manager);
    auto* form = new TForm(&app);
    form->SetBorderStyle(bsSizeable);
    form->SetBounds(60, 50, 420, 260);
    form->SetCaption("Parchwise");
    form->Show();
    display.PumpMessages();
    auto* provider = new TsSkinProvider(form);
    // Round the frame's corners with the key colour, as a skin with cut corners would.
    const TsMaskData& mask = manager.Tables().Masks[static_cast<size_t>(provider->SkinData().BordersMaskIndex)];
    TBitmap& master = *manager.Tables().MasterBitmap;
    int right = mask.SourceRect.left + MaskFrameWidth(mask) - 1;
    int bottom = mask.SourceRect.top + MaskStateHeight(mask) - 1;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4 - y; ++x) {
            PixelAt(master, mask.SourceRect.left + x, mask.SourceRect.top + y) = 0xFFFF00FFu;
            PixelAt(master, right - x, mask.SourceRect.top + y) = 0xFFFF00FFu;
            PixelAt(master, mask.SourceRect.left + x, bottom - y) = 0xFFFF00FFu;
            PixelAt(master, right - x, bottom - y) = 0xFFFF00FFu;
        }
    provider->AddedTitle().SetText("- two documents");
    TsTitleButton& user = provider->TitleButtons().Add();
    auto glyph = FilledBitmap(10, 10, 0xFF2F6FB0u);
    user.SetGlyph(glyph.get());
    form->SetBounds(60, 50, 420, 262);
    display.PumpMessages();

    provider->LayOutTitleButtons();
    RECT close = provider->CaptionButton(HTCLOSE).Rect;
    display.MoveMouse(60 + (close.left + close.right) / 2, 50 + (close.top + close.bottom) / 2);
    display.PumpMessages();
    for (int i = 0; i < 12; ++i) {
        display.AdvanceTime(TacSBAnimation::kInterval);
        display.PumpMessages();
    }
    const TacSBAnimation* fade = provider->CaptionButton(HTCLOSE).Animation.get();
    ASSERT_NE(fade, nullptr);
    ASSERT_NE(fade->GlowForm(), nullptr);

    HBITMAP headless = CaptureScreen();
    EXPECT_TRUE(SavePng(headless, "build/skinned_form_frame-headless.png"));
    DeleteObject(headless);
    EXPECT_EQ(CompareFramedFormOnScreen({form->Handle(), fade->GlowForm()->Handle()}), "");
    delete form;
}

}  // namespace
}  // namespace parch::test
