// The demonstration window of menus and dialogs: a form with a menu bar and an open popup menu
// (a submenu, a checked item, radio items and owner-drawn items), a message dialog and an input
// query over it. Each is captured on the headless screen (saved as PNG where PARCH_SAVE_PICTURES
// names a folder) and then shown through SDL on a private X screen, where it must look as the
// headless screen drew it. The menu loop and the dialogs' modal loops are driven from inside:
// a message posted before the loop starts runs the next step once the loop shows its window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/MessageDialogs.h"
#include "framework/StdCtrls.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/display/PngFile.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Rects.h"
#include "platform/win/WinApi.h"
#include "tests/platform/display/OnScreenCheck.h"

namespace parch {
namespace {

// Saves a picture for a look when PARCH_SAVE_PICTURES names a folder.
void KeepDemoPicture(HBITMAP picture, const std::string& name) {
    const char* folder = std::getenv("PARCH_SAVE_PICTURES");
    if (!folder) return;
    EXPECT_TRUE(SavePng(picture, (std::filesystem::path(folder) / (name + ".png")).string()));
}

// The visible popup-menu windows, top of the z-order first.
std::vector<HWND> OpenPopupMenuWindows() {
    std::vector<HWND> popups;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            char name[16] = {};
            GetClassName(hwnd, name, sizeof name);
            if (IsWindowVisible(hwnd) && std::string(name) == "#32768")
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return 1;
        },
        reinterpret_cast<LPARAM>(&popups));
    return popups;
}

// Shows the screen's windows through SDL on a private X screen and compares the places of the
// given windows with the headless screen's picture. Empty when every pixel there matches.
std::string CompareWindowPlacesOnScreen(const std::vector<HWND>& windows, HBITMAP headlessScreen,
                                        const std::string& name) {
    using namespace onscreen;
    if (!Xvfb::Installed()) return "Xvfb is not installed";
    Xvfb server;
    if (!server.Running()) return "Xvfb did not start";
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const std::vector<long> expected = PicturePixels(headlessScreen, width, height);
    // Where the windows are, as far as the screen shows them.
    std::vector<RECT> places;
    for (HWND window : windows) {
        RECT r, onScreen;
        const RECT screen{0, 0, width, height};
        GetWindowRect(window, &r);
        if (IntersectRect(&onScreen, &r, &screen)) places.push_back(onScreen);
    }
    return RunInChild([&]() -> std::string {
        setenv("DISPLAY", server.Name().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        auto display = SdlDisplay::Open();
        if (!display) return "no display";
        std::size_t differing = 0;
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
                    for (int y = r.top; y < r.bottom; ++y)
                        for (int x = r.left; x < r.right; ++x) {
                            long seen = shot.At(x, y);
                            long wanted = expected[static_cast<std::size_t>(y) * width + x];
                            if (seen == wanted) continue;
                            if (differing++ == 0)
                                first = "first at " + std::to_string(x) + "," + std::to_string(y) + ": screen " +
                                        std::to_string(seen) + ", headless " + std::to_string(wanted);
                        }
                return differing == 0;
            },
            kGenerousBound / 2);
        if (const char* folder = std::getenv("PARCH_SAVE_PICTURES")) {
            std::vector<std::uint32_t> bits(shot.pixels.size());
            for (std::size_t i = 0; i < bits.size(); ++i)
                bits[i] = 0xFF000000u | static_cast<std::uint32_t>(shot.pixels[i]);
            HBITMAP saved = CreateBitmap(shot.width, shot.height, 1, 32, bits.data());
            SavePng(saved, std::string(folder) + "/" + name + "-screen.png");
            DeleteObject(saved);
        }
        if (differing == 0) return "";
        return std::to_string(differing) + " pixels differ, " + first;
    });
}

// A shown window, captured headless, kept as a picture and checked on the X screen.
void CheckWindowLooksTheSameOnScreen(HWND window, const std::string& name) {
    HBITMAP picture = CaptureWindow(window);
    KeepDemoPicture(picture, name);
    if (onscreen::Xvfb::Installed()) {
        EXPECT_EQ(onscreen::CompareWithScreen(window, picture, name), "");
    }
    DeleteObject(picture);
}

class DialogsDemo : public ::testing::Test {
protected:
    // The size of the private X screen, so that what is centred here is centred there.
    HeadlessDisplay display{800, 600};
    TApplication app;
    TForm* form = nullptr;
    TPopupMenu* popup = nullptr;
    TMenuItem* zoom = nullptr;

    static constexpr UINT kDemoStep = WM_APP + 41;

    void SetUp() override {
        app.SetTitle("Parchwise");
        app.CreateForm(form);
        form->SetCaption("Parchwise - menus and dialogs");
        form->SetBounds(40, 30, 520, 380);
        BuildMenuBar();
        BuildContent();
        BuildPopup();
        form->Show();
        app.ProcessMessages();
        stepHook_ = app.HookMainWindow([this](TMessage& m) {
            if (m.Msg != kDemoStep) return false;
            RunStep();
            return true;
        });
    }
    void TearDown() override { app.UnhookMainWindow(stepHook_); }

    // Runs step once the loop that open() starts has its window up.
    template <class Open>
    auto WithStep(std::function<void()> step, Open open) {
        step_ = std::move(step);
        PostMessage(app.Handle(), kDemoStep, 0, 0);
        return open();
    }
    void AgainNextRound(std::function<void()> step) {
        step_ = std::move(step);
        PostMessage(app.Handle(), kDemoStep, 0, 0);
    }

    TMenuItem* Item(TMenuItem* parent, const std::string& caption, TShortCut shortCut = 0) {
        auto* item = new TMenuItem(form);
        item->SetCaption(caption);
        item->SetShortCut(shortCut);
        parent->Add(item);
        return item;
    }

private:
    void RunStep() {
        std::function<void()> step = std::move(step_);
        step_ = nullptr;
        if (step) step();
    }

    void BuildMenuBar() {
        auto* menu = new TMainMenu(form);
        TMenuItem* file = Item(menu->Items(), "&File");
        Item(file, "&Add PDF...", ShortCut('A', ssCtrl));
        Item(file, "Add &Folder...", ShortCut('F', ssCtrl));
        Item(file, "-");
        Item(file, "E&xit");
        Item(menu->Items(), "&Edit");
        Item(menu->Items(), "&View");
        Item(menu->Items(), "&Help");
        form->SetMenu(menu);
    }

    void BuildContent() {
        auto* label = new TLabel(form);
        label->SetParent(form);
        label->SetBounds(12, 10, 300, 17);
        label->SetCaption("Documents of the next run:");
        auto* list = new TListBox(form);
        list->SetParent(form);
        list->SetBounds(12, 30, 488, 270);
        for (const char* name : {"/home/user/Documents/report.pdf", "/home/user/Documents/invoice 2026.pdf",
                                 "/home/user/Downloads/manual.pdf"})
            list->Items().Add(name);
        list->SetItemIndex(0);
    }

    void BuildPopup() {
        popup = new TPopupMenu(form);
        Item(popup->Items(), "&Open document", ShortCut('O', ssCtrl));
        Item(popup->Items(), "&Remove", ShortCut(VK_DELETE, 0));
        Item(popup->Items(), "-");
        Item(popup->Items(), "Show &grid lines")->SetChecked(true);
        zoom = Item(popup->Items(), "&Zoom");
        for (const char* caption : {"Fit &page", "Fit &width", "&Actual size"}) {
            TMenuItem* mode = Item(zoom, caption);
            mode->SetRadioItem(true);
            mode->SetGroupIndex(1);
        }
        zoom->Items(0)->SetChecked(true);
        Item(popup->Items(), "-");
        struct Swatch {
            const char* caption;
            TColor color;
        };
        for (const Swatch& swatch : {Swatch{"&Red status", clRed}, Swatch{"G&reen status", clGreen}}) {
            TMenuItem* item = Item(popup->Items(), swatch.caption);
            item->OnMeasureItem = [](TObject*, TCanvas&, int& width, int& height) {
                width = std::max(width, 150);
                height = std::max(height, 24);
            };
            item->OnAdvancedDrawItem = [color = swatch.color](TObject* sender, TCanvas& canvas, RECT rect,
                                                              TOwnerDrawState state) {
                canvas.Brush().SetColor((state & odSelected) ? clHighlight : clMenu);
                canvas.FillRect(rect);
                canvas.Brush().SetColor(color);
                canvas.FillRect({rect.left + 4, rect.top + 4, rect.left + 20, rect.bottom - 4});
                canvas.Brush().SetStyle(bsClear);
                canvas.Font().SetColor((state & odSelected) ? clHighlightText : clMenuText);
                RECT text{rect.left + 28, rect.top, rect.right, rect.bottom};
                DrawText(canvas.Handle(), static_cast<TMenuItem*>(sender)->Caption().c_str(), -1, &text,
                         DT_SINGLELINE | DT_VCENTER);
            };
        }
    }

    int stepHook_ = 0;
    std::function<void()> step_;
};

TEST_F(DialogsDemo, AFormWithAMenuBarAndAnOpenPopupWithASubmenu) {
    bool captured = false;
    COLORREF swatchSeen = 0;
    std::vector<HWND> popups;
    // Each submenu that opens tells the form; the step after the second one takes the picture.
    int opened = 0;
    form->WindowProc = [&, old = form->WindowProc](TMessage& m) {
        old(m);
        if (m.Msg != WM_INITMENUPOPUP) return;
        ++opened;
        if (opened == 1) {
            // The popup is up: down to "Zoom" and into its submenu.
            AgainNextRound([&] {
                for (int i = 0; i < 4; ++i) display.PressKey(VK_DOWN);
                display.PressKey(VK_RIGHT);
            });
            return;
        }
        AgainNextRound([&] {
            popups = OpenPopupMenuWindows();
            for (HWND p : popups) UpdateWindow(p);
            ASSERT_EQ(popups.size(), 2u);
            HBITMAP screen = CaptureScreen();
            KeepDemoPicture(screen, "dialogs-demo-menus");
            RECT swatchItem{};
            GetMenuItemRect(form->Handle(), popup->Handle(), 6, &swatchItem);  // "Red status"
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, screen);
            swatchSeen = GetPixel(dc, swatchItem.left + 10, (swatchItem.top + swatchItem.bottom) / 2);
            SelectObject(dc, old);
            DeleteDC(dc);
            std::vector<HWND> shown = popups;
            shown.push_back(form->Handle());
            if (onscreen::Xvfb::Installed()) {
                EXPECT_EQ(CompareWindowPlacesOnScreen(shown, screen, "dialogs-demo-menus"), "");
            }
            DeleteObject(screen);
            captured = true;
            EndMenu();
        });
    };
    POINT at = form->ClientToScreen({120, 80});
    popup->Popup(at.x, at.y);
    app.ProcessMessages();
    EXPECT_TRUE(captured);
    EXPECT_EQ(swatchSeen, RGB(255, 0, 0));
}

TEST_F(DialogsDemo, AMessageDialogOverTheForm) {
    TModalResult result = WithStep(
        [&] {
            TCustomForm* dialog = Screen->ActiveForm();
            ASSERT_NE(dialog, nullptr);
            app.ProcessMessages();  // the buttons paint themselves
            CheckWindowLooksTheSameOnScreen(dialog->Handle(), "dialogs-demo-message");
            display.PressKey(VK_ESCAPE);
        },
        [] {
            return MessageDlg("The document list holds files that were not extracted yet.\n\n"
                              "Do you want to save the list before you leave?",
                              mtConfirmation, {mbYes, mbNo, mbCancel}, 0);
        });
    EXPECT_EQ(result, mrCancel);
}

TEST_F(DialogsDemo, AnInputQueryOverTheForm) {
    std::string password;
    bool confirmed = WithStep(
        [&] {
            TCustomForm* dialog = Screen->ActiveForm();
            ASSERT_NE(dialog, nullptr);
            display.TypeText("secret");
            app.ProcessMessages();
            CheckWindowLooksTheSameOnScreen(dialog->Handle(), "dialogs-demo-input-query");
            display.PressKey(VK_RETURN);
        },
        [&] {
            return InputQuery("Password needed",
                              "/home/user/Documents/invoice 2026.pdf\r\n\r\n"
                              "This PDF is password protected! Please enter the password:\r\n",
                              password);
        });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(password, "secret");
}

}  // namespace
}  // namespace parch
