#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "base/Exceptions.h"
#include "framework/FormDescription.h"
#include "framework/Forms.h"
#include "framework/GraphicControls.h"
#include "framework/HintWindow.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/display/PngFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/win/Compositor.h"
#include "platform/win/WinApi.h"
#include "tests/platform/display/OnScreenCheck.h"

namespace parch {
namespace {

// A plain windowed panel in its colour, able to take the focus.
class TTestPanel : public TCustomControl {
public:
    explicit TTestPanel(TComponent* owner) : TCustomControl(owner) {
        SetControlStyle(ControlStyle() | csAcceptsControls);
        SetTabStop(true);
    }
    std::vector<WORD> keys;

protected:
    void Paint() override {
        Canvas().Brush().SetColor(Color());
        Canvas().FillRect(ClientRect());
    }
    void KeyDown(WORD& key, TShiftState shift) override {
        keys.push_back(key);
        TCustomControl::KeyDown(key, shift);
    }
};

// A windowless disc drawn in its colour.
class TTestDisc : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;

protected:
    void Paint() override {
        Canvas().Brush().SetColor(Color());
        Canvas().Pen().SetColor(Color());
        Canvas().Ellipse(ClientRect());
    }
};

class FormsTest : public ::testing::Test {
protected:
    FormsTest() {
        RegisterComponentClass<TTestPanel>("TTestPanel");
        RegisterComponentClass<TTestDisc>("TTestDisc");
    }
    std::vector<std::string> log;  // outlives the forms, whose OnDestroy may write to it
    HeadlessDisplay display;
    TApplication app;

    TNotifyEvent Logger(const std::string& text) {
        return [this, text](TObject*) { log.push_back(text); };
    }
    void Pump() { app.ProcessMessages(); }
};

// A watcher that learns when a component goes away.
class TWatcher : public TComponent {
public:
    TWatcher() : TComponent(nullptr) {}
    bool gone = false;

protected:
    void Notification(TComponent*, TOperation operation) override {
        if (operation == TOperation::opRemove) gone = true;
    }
};

TEST_F(FormsTest, DescriptionBuildsComponentsInOrderThenLoadsThemAndFiresOnCreate) {
    std::vector<std::string> order;
    THandlerTable handlers{
        {"FormCreate", TNotifyEvent([&](TObject* sender) {
             auto* form = static_cast<TForm*>(sender);
             // Every component is there and loaded when OnCreate runs.
             auto* panel = static_cast<TTestPanel*>(form->FindComponent("Panel1"));
             order.push_back("create " + std::to_string(panel->Width()) + " " + panel->Parent()->Name());
         })},
        {"Tick", TNotifyEvent([&](TObject*) {})},
        {"PanelResize", TNotifyEvent([&](TObject*) { order.push_back("resize"); })},
    };
    TComponentDescription description{
        "TForm", "Form1",
        {{"Caption", "Demo"}, {"ClientWidth", "300"}, {"ClientHeight", "200"}, {"Color", "clWhite"}},
        {{"OnCreate", "FormCreate"}},
        {
            {"TTestPanel", "Holder", {{"Width", "200"}, {"Align", "alTop"}, {"Height", "50"}}, {}, {
                {"TTestPanel", "Panel1", {{"Left", "10"}, {"Width", "40"}, {"Anchors", "[akLeft, akTop, akRight]"}},
                 {{"OnResize", "PanelResize"}}, {}},
            }},
            {"TTimer", "Timer1", {{"Interval", "250"}, {"Enabled", "False"}}, {{"OnTimer", "Tick"}}, {}},
        }};
    auto* form = new TForm(&app);
    form->ReadDescription(description, handlers);
    EXPECT_EQ(form->Name(), "Form1");
    EXPECT_EQ(form->Caption(), "Demo");
    EXPECT_EQ(form->ClientWidth(), 300);
    auto* holder = static_cast<TTestPanel*>(form->FindComponent("Holder"));
    auto* timer = static_cast<TTimer*>(form->FindComponent("Timer1"));
    ASSERT_TRUE(holder && timer);
    EXPECT_EQ(holder->Width(), 300);
    EXPECT_EQ(timer->Interval(), 250u);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(form->ComponentState() & csLoading, 0u);
    // Panel1 was read 40 wide in a holder 200 wide; the holder's alignment to the form's 300
    // waited for the end of reading and then widened Panel1 by its right anchor.
    EXPECT_EQ(order, (std::vector<std::string>{"resize", "create 140 Holder"}));
}

TEST_F(FormsTest, DescriptionErrorsNameWhatIsWrong) {
    struct Case {
        TComponentDescription child;
        const char* message;
    };
    const Case cases[] = {
        {{"TNoSuchClass", "A", {}, {}, {}}, "Class TNoSuchClass not found"},
        {{"TTestPanel", "B", {{"Colour", "clRed"}}, {}, {}}, "Property Colour does not exist"},
        {{"TTestPanel", "C", {{"Width", "wide"}}, {}, {}}, "Invalid value \"wide\" for property Width"},
        {{"TTestPanel", "D", {}, {{"OnClick", "Missing"}}, {}}, "Handler Missing for OnClick does not exist"},
        {{"TTestPanel", "E", {}, {{"OnKeyDown", "Plain"}}, {}}, "The handler for OnKeyDown has the wrong type"},
        {{"TTestPanel", "1F", {}, {}, {}}, ""},
    };
    THandlerTable handlers{{"Plain", TNotifyEvent([](TObject*) {})}};
    for (const Case& c : cases) {
        auto* form = new TForm(&app);
        TComponentDescription description{"TForm", "", {}, {}, {c.child}};
        try {
            form->ReadDescription(description, handlers);
            ADD_FAILURE() << "no error for " << c.child.Name;
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        // Nothing half-read stays loading.
        for (int i = 0; i < form->ComponentCount(); ++i)
            EXPECT_EQ(form->Components(i)->ComponentState() & csLoading, 0u);
        delete form;
    }
}

TEST_F(FormsTest, LifeCycleFromCreateToDestroy) {
    TForm* form = nullptr;
    app.CreateForm(form);  // the main form
    auto* second = new TForm(&app);
    EXPECT_EQ(app.MainForm(), form);
    EXPECT_EQ(Screen->FormCount(), 2);
    for (auto [f, name] : {std::pair{form, "main"}, std::pair{second, "second"}}) {
        std::string n = name;
        f->OnShow = Logger(n + " show");
        f->OnHide = Logger(n + " hide");
        f->OnActivate = Logger(n + " activate");
        f->OnDeactivate = Logger(n + " deactivate");
        f->OnResize = Logger(n + " resize");
        f->OnDestroy = Logger(n + " destroy");
    }
    form->SetBounds(10, 10, 300, 200);
    form->Show();
    Pump();
    EXPECT_EQ(Screen->ActiveForm(), form);
    second->Show();
    Pump();
    EXPECT_EQ(Screen->ActiveForm(), second);
    EXPECT_EQ(log, (std::vector<std::string>{"main resize", "main show", "main activate", "second show",
                                             "main deactivate", "second activate"}));

    // Close asks OnCloseQuery, then OnClose chooses: refuse, hide, free.
    log.clear();
    bool allow = false;
    second->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
    TCloseAction choice = caNone;
    second->OnClose = [&](TObject*, TCloseAction& action) {
        log.push_back("close");
        action = choice;
    };
    second->Close();
    EXPECT_TRUE(second->Visible());
    allow = true;
    second->Close();
    EXPECT_TRUE(second->Visible());
    choice = caHide;
    second->Close();
    EXPECT_FALSE(second->Visible());
    EXPECT_EQ(log, (std::vector<std::string>{"close", "close", "second hide", "second deactivate", "main activate"}));

    // Release frees the form once its messages are handled, not before.
    TWatcher watcher;
    second->FreeNotification(&watcher);
    choice = caFree;
    second->Show();
    Pump();
    log.clear();
    second->Close();
    EXPECT_FALSE(watcher.gone);
    Pump();
    EXPECT_TRUE(watcher.gone);
    EXPECT_EQ(Screen->FormCount(), 1);
    EXPECT_NE(std::find(log.begin(), log.end(), "second destroy"), log.end());

    // Closing the main form ends the application.
    form->Close();
    EXPECT_TRUE(app.Terminated());
}

TEST_F(FormsTest, RunShowsTheMainFormAndClosingItEndsTheLoop) {
    TForm* main = nullptr;
    app.CreateForm(main);
    main->OnShow = [&](TObject*) {
        log.push_back("show");
        PostMessage(main->Handle(), WM_CLOSE, 0, 0);
    };
    main->OnClose = [&](TObject*, TCloseAction&) { log.push_back("close"); };
    app.Run();
    EXPECT_TRUE(app.Terminated());
    EXPECT_EQ(log, (std::vector<std::string>{"show", "close"}));
}

// A form that sets its own OnCreate while it is being built, as a form class does.
class TSelfCreatingForm : public TForm {
public:
    explicit TSelfCreatingForm(TComponent* owner) : TForm(owner) {
        OnCreate = [this](TObject*) { ++created; };
    }
    int created = 0;
};

TEST_F(FormsTest, CreateFormFiresOnCreateOnceBeforeTheFormBecomesTheMainForm) {
    TSelfCreatingForm* form = nullptr;
    app.CreateForm(form);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->created, 1);
    form->AfterConstruction();
    EXPECT_EQ(form->created, 1);
}

TEST_F(FormsTest, ShowModalAnswersTheModalResultAndDisablesTheOtherWindows) {
    TForm* main = nullptr;
    app.CreateForm(main);
    main->Show();
    Pump();
    auto* dialog = new TForm(&app);
    dialog->SetPosition(poMainFormCenter);
    dialog->SetBounds(0, 0, 200, 100);
    bool mainEnabledDuring = true;
    auto* timer = new TTimer(dialog);
    timer->SetInterval(100);
    timer->SetOnTimer([&](TObject*) {
        mainEnabledDuring = IsWindowEnabled(main->Handle());
        dialog->SetModalResult(mrRetry);
    });
    int modalBegins = 0;
    app.OnModalBegin = [&](TObject*) { ++modalBegins; };
    EXPECT_EQ(dialog->ShowModal(), mrRetry);
    EXPECT_FALSE(mainEnabledDuring);
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(modalBegins, 1);
    EXPECT_EQ(app.ModalLevel(), 0);
    // Centred over the main form.
    EXPECT_EQ(dialog->Left() + dialog->Width() / 2, main->Left() + main->Width() / 2);
    EXPECT_EQ(dialog->Top() + dialog->Height() / 2, main->Top() + main->Height() / 2);

    // OnCloseQuery can keep a modal form up; a visible form cannot go modal.
    timer->SetEnabled(false);
    int asked = 0;
    dialog->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++asked > 1; };
    dialog->OnActivate = [&](TObject*) { dialog->SetModalResult(mrOk); };
    auto* retry = new TTimer(dialog);
    retry->SetInterval(50);
    retry->SetOnTimer([&](TObject*) { dialog->SetModalResult(mrAbort); });
    EXPECT_EQ(dialog->ShowModal(), mrAbort);
    EXPECT_EQ(asked, 2);
    dialog->Show();
    EXPECT_THROW(dialog->ShowModal(), EInvalidOperation);
}

TEST_F(FormsTest, DefaultAndCancelButtonsAnswerEnterAndEscape) {
    TForm* main = nullptr;
    app.CreateForm(main);
    auto* dialog = new TForm(&app);
    dialog->SetBounds(50, 50, 300, 200);
    auto* edit = new TTestPanel(dialog);
    edit->SetParent(dialog);
    edit->SetBounds(10, 10, 100, 20);
    auto* ok = new TButton(dialog);
    ok->SetParent(dialog);
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    auto* cancel = new TButton(dialog);
    cancel->SetParent(dialog);
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    for (UINT key : {VK_RETURN, VK_ESCAPE}) {
        dialog->OnActivate = [&, key](TObject*) { display.PressKey(key); };
        TModalResult result = dialog->ShowModal();
        EXPECT_EQ(result, key == VK_RETURN ? mrOk : mrCancel);
        EXPECT_TRUE(edit->keys.empty());  // dialog keys do not reach the focused control
    }
}

TEST_F(FormsTest, KeyPreviewAndShortCutsSeeKeysBeforeTheFocusedControl) {
    TForm* form = nullptr;
    app.CreateForm(form);
    auto* panel = new TTestPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 50, 50);
    form->Show();
    Pump();
    ASSERT_TRUE(panel->Focused());

    std::vector<WORD> previewed;
    form->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        previewed.push_back(key);
        if (key == 'A') key = 0;  // swallowed
    };
    std::vector<TShortCut> shortCuts;
    form->OnShortCut = [&](TMessage& message, bool& handled) {
        TShortCut sc = ShortCut(static_cast<WORD>(message.WParam), KeyboardShiftState());
        if (sc == (scCtrl | 'S')) {
            shortCuts.push_back(sc);
            handled = true;
        }
    };
    display.PressKey('A');
    display.PressKey('B');
    Pump();
    EXPECT_TRUE(previewed.empty());  // without KeyPreview the form sees nothing
    EXPECT_EQ(panel->keys, (std::vector<WORD>{'A', 'B'}));

    form->SetKeyPreview(true);
    panel->keys.clear();
    display.PressKey('A');
    display.PressKey('B');
    display.KeyDown(VK_CONTROL);
    display.PressKey('S');
    display.KeyUp(VK_CONTROL);
    Pump();
    EXPECT_EQ(previewed, (std::vector<WORD>{'A', 'B', VK_CONTROL}));
    EXPECT_EQ(panel->keys, (std::vector<WORD>{'B', VK_CONTROL}));
    EXPECT_EQ(shortCuts, (std::vector<TShortCut>{scCtrl | 'S'}));

    // Characters too: the form may change them before the control sees them.
    std::u16string typed;
    form->OnKeyPress = [&](TObject*, char16_t& key) {
        if (key == u'x') key = u'y';
    };
    panel->OnKeyPress = [&](TObject*, char16_t& key) { typed += key; };
    display.TypeText("xz");
    Pump();
    EXPECT_EQ(typed, u"yz");
}

TEST_F(FormsTest, StyleStateAndBlendReachTheWindow) {
    auto* form = new TForm(&app);
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons(biSystemMenu);
    form->SetFormStyle(fsStayOnTop);
    form->SetAlphaBlend(true);
    form->SetAlphaBlendValue(128);
    form->SetPosition(poScreenCenter);
    form->SetBounds(0, 0, 400, 300);
    form->Show();
    Pump();
    HWND wnd = form->Handle();
    auto style = static_cast<DWORD>(GetWindowLongPtr(wnd, GWL_STYLE));
    auto exStyle = static_cast<DWORD>(GetWindowLongPtr(wnd, GWL_EXSTYLE));
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(wnd, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 128);
    EXPECT_EQ(form->Left(), (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);

    form->SetWindowState(wsMaximized);
    EXPECT_TRUE(IsZoomed(wnd));
    form->SetWindowState(wsMinimized);
    EXPECT_TRUE(IsIconic(wnd));
    form->SetWindowState(wsNormal);
    EXPECT_FALSE(IsIconic(wnd) || IsZoomed(wnd));
    EXPECT_EQ(form->Width(), 400);
}

TEST_F(FormsTest, HintShowsAfterThePauseAndHidesAfterTheHidePause) {
    auto* form = new TForm(&app);
    form->SetBounds(100, 100, 300, 200);
    auto* disc = new TTestDisc(form);
    disc->SetParent(form);
    disc->SetBounds(20, 20, 50, 50);
    disc->SetHint("Disc|The long text of the disc");
    disc->SetShowHint(true);
    auto* plain = new TTestDisc(form);
    plain->SetParent(form);
    plain->SetBounds(150, 20, 50, 50);
    form->Show();
    Pump();
    std::vector<std::string> hints;
    app.OnHint = [&](TObject*) { hints.push_back(app.Hint()); };

    POINT over = disc->ClientToScreen({10, 10});
    display.MoveMouse(over.x, over.y);
    Pump();
    EXPECT_EQ(hints, (std::vector<std::string>{"The long text of the disc"}));
    auto hintWindow = [] { return FindWindow("THintWindow", nullptr); };
    display.AdvanceTime(app.HintPause - 10);
    Pump();
    EXPECT_TRUE(!hintWindow() || !IsWindowVisible(hintWindow()));
    display.AdvanceTime(20);
    Pump();
    ASSERT_TRUE(hintWindow());
    EXPECT_TRUE(IsWindowVisible(hintWindow()));
    char text[32] = {};
    GetWindowText(hintWindow(), text, sizeof text);
    EXPECT_STREQ(text, "Disc");
    RECT r;
    GetWindowRect(hintWindow(), &r);
    EXPECT_GT(r.top, over.y);  // below the cursor

    display.AdvanceTime(app.HintHidePause + 10);
    Pump();
    EXPECT_FALSE(IsWindowVisible(hintWindow()));

    // A control without a hint clears the application's hint; a click cancels a due one.
    POINT away = plain->ClientToScreen({5, 5});
    display.MoveMouse(away.x, away.y);
    Pump();
    EXPECT_EQ(hints.back(), "");
    display.MoveMouse(over.x, over.y);
    Pump();
    display.MouseDown();
    display.MouseUp();
    display.AdvanceTime(app.HintPause + 10);
    Pump();
    EXPECT_FALSE(IsWindowVisible(hintWindow()));

    // OnShowHint may change the text; moving on from a shown hint shows the next one after the
    // short pause.
    std::vector<TControl*> shownFor;
    app.OnShowHint = [&](std::string& hint, bool&, THintInfo& info) {
        shownFor.push_back(info.HintControl);
        hint = "Changed";
    };
    display.MoveMouse(away.x, away.y);
    Pump();
    display.MoveMouse(over.x, over.y);
    Pump();
    display.AdvanceTime(app.HintPause + 10);
    Pump();
    GetWindowText(hintWindow(), text, sizeof text);
    EXPECT_STREQ(text, "Changed");
    plain->SetHint("Plain");
    plain->SetShowHint(true);
    display.MoveMouse(away.x, away.y);
    Pump();
    display.AdvanceTime(app.HintShortPause + 10);
    Pump();
    EXPECT_TRUE(IsWindowVisible(hintWindow()));
    EXPECT_EQ(shownFor, (std::vector<TControl*>{disc, plain}));
}

TEST_F(FormsTest, MinimizingTheApplicationHidesItsFormsAndRestoringBringsThemBack) {
    TForm* main = nullptr;
    app.CreateForm(main);
    auto* hidden = new TForm(&app);
    main->Show();
    Pump();
    app.Minimize();
    EXPECT_FALSE(IsWindowVisible(main->Handle()));
    app.Restore();
    EXPECT_TRUE(IsWindowVisible(main->Handle()));
    EXPECT_FALSE(hidden->HandleAllocated() && IsWindowVisible(hidden->Handle()));
}

TEST_F(FormsTest, TheCursorIsTheScreensOrTheOneOfTheControlUnderTheMouse) {
    auto* form = new TForm(&app);
    form->SetBounds(100, 100, 300, 200);
    auto* disc = new TTestDisc(form);
    disc->SetParent(form);
    disc->SetBounds(20, 20, 50, 50);
    disc->SetCursor(crHandPoint);
    form->SetCursor(crCross);
    form->Show();
    Pump();
    auto moveTo = [&](TControl* control, int x, int y) {
        POINT p = control->ClientToScreen({x, y});
        display.MoveMouse(p.x, p.y);
        Pump();
        return GetCursor();
    };
    EXPECT_EQ(moveTo(disc, 5, 5), Screen->Cursors(crHandPoint));
    EXPECT_EQ(moveTo(form, 200, 150), Screen->Cursors(crCross));
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(moveTo(disc, 6, 6), Screen->Cursors(crHourGlass));
    Screen->SetCursor(crDefault);
}

TEST_F(FormsTest, DemonstrationFormFromADescriptionOnTheHeadlessScreen) {
    TComponentDescription description{
        "TForm", "DemoForm",
        {{"Caption", "Demonstration"}, {"Left", "40"}, {"Top", "30"}, {"ClientWidth", "240"}, {"ClientHeight", "160"},
         {"Color", "clWhite"}, {"BorderStyle", "bsSingle"}},
        {},
        {
            {"TTestPanel", "Band", {{"Align", "alTop"}, {"Height", "40"}, {"Color", "clRed"}}, {}, {}},
            {"TTestPanel", "Side", {{"Align", "alLeft"}, {"Width", "60"}, {"Color", "clNavy"}}, {}, {}},
            {"TTestDisc", "Disc", {{"Left", "120"}, {"Top", "70"}, {"Width", "60"}, {"Height", "60"},
                                   {"Color", "clLime"}}, {}, {}},
            {"TButton", "OkButton", {{"Left", "150"}, {"Top", "130"}, {"Caption", "OK"}, {"Default", "True"},
                                     {"ModalResult", "1"}}, {}, {}},
        }};
    auto* form = new TForm(&app);
    form->ReadDescription(description, {});
    form->Show();
    Pump();

    // The window's picture as the screen shows it, saved as PNG and read pixel by pixel.
    HBITMAP picture = CaptureWindow(form->Handle());
    ASSERT_TRUE(picture);
    std::string path = (std::filesystem::temp_directory_path() / "parch-demo-form.png").string();
    EXPECT_TRUE(SavePng(picture, path));
    EXPECT_GT(std::filesystem::file_size(path), 100u);
    std::filesystem::remove(path);

    RECT window;
    GetWindowRect(form->Handle(), &window);
    POINT clientOrigin = form->ClientToScreen({0, 0});
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, picture);
    auto at = [&](int x, int y) {
        return GetPixel(dc, clientOrigin.x - window.left + x, clientOrigin.y - window.top + y);
    };
    EXPECT_EQ(at(5, 5), RGB(255, 0, 0));  // the band
    EXPECT_EQ(at(120, 39), RGB(255, 0, 0));
    EXPECT_EQ(at(30, 100), RGB(0, 0, 128));      // the side panel
    EXPECT_EQ(at(150, 100), RGB(0, 255, 0));     // the middle of the disc
    EXPECT_EQ(at(121, 71), RGB(255, 255, 255));  // outside its circle: the form
    EXPECT_EQ(at(230, 60), RGB(255, 255, 255));
    EXPECT_EQ(at(150, 130), GetSysColor(COLOR_WINDOWFRAME));  // the default button's frame
    SelectObject(dc, old);
    DeleteDC(dc);

    // Shown through the SDL display on a real X screen, it looks as the headless screen drew it.
    if (onscreen::Xvfb::Installed()) {
        EXPECT_EQ(onscreen::CompareWithScreen(form->Handle(), picture, "demo-form"), "");
    }
    DeleteObject(picture);
}

}  // namespace
}  // namespace parch
