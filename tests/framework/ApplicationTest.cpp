#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "BoundedWait.h"
#include "framework/Application.h"
#include "base/Exceptions.h"
#include "framework/Screen.h"
#include "framework/Thread.h"
#include "framework/Timer.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/WinApi.h"

namespace parch {
namespace {

// Every test runs on the headless screen and its virtual clock, with an application of its own.
class Headless : public ::testing::Test {
protected:
    HeadlessDisplay display;
    TApplication app;
};

int CountUtilWindows() {
    int count = 0;
    for (HWND w = FindWindowEx(HWND_MESSAGE, nullptr, "TPUtilWindow", nullptr); w;
         w = FindWindowEx(HWND_MESSAGE, w, "TPUtilWindow", nullptr))
        ++count;
    return count;
}

// A timer whose ticks call tick; it ends the application's loop when tick answers false.
TTimer* MakeTimer(TComponent* owner, unsigned interval, std::function<bool()> tick) {
    auto* timer = new TTimer(owner);
    timer->SetInterval(interval);
    timer->SetOnTimer([tick = std::move(tick)](TObject*) {
        if (!tick()) Application->Terminate();
    });
    return timer;
}

using Timers = Headless;

TEST_F(Timers, TickOnVirtualTimeThroughAHiddenUtilityWindow) {
    int windowsBefore = CountUtilWindows();
    std::vector<std::uint64_t> ticks;
    std::uint64_t start = GetTickCount64();
    TTimer* timer = MakeTimer(&app, 100, [&] {
        ticks.push_back(GetTickCount64() - start);
        return ticks.size() < 3;
    });
    EXPECT_EQ(CountUtilWindows(), windowsBefore + 1);
    app.Run();
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{100, 200, 300}));
    delete timer;
    EXPECT_EQ(CountUtilWindows(), windowsBefore);
}

TEST_F(Timers, RunOnlyWhenEnabledWithAnIntervalAndAHandler) {
    std::vector<std::string> fired;
    std::uint64_t start = GetTickCount64();
    auto at = [&](const char* name) { return name + std::string("@") + std::to_string(GetTickCount64() - start); };
    TTimer* disabled = MakeTimer(&app, 50, [&] { return fired.push_back(at("disabled")), true; });
    disabled->SetEnabled(false);
    TTimer* noInterval = MakeTimer(&app, 50, [&] { return fired.push_back(at("no interval")), true; });
    noInterval->SetInterval(0);
    auto* noHandler = new TTimer(&app);
    noHandler->SetInterval(50);
    // Enabling starts the period anew from that moment.
    TTimer* enabler = nullptr;
    enabler = MakeTimer(&app, 120, [&] {
        disabled->SetEnabled(true);
        enabler->SetEnabled(false);
        return true;
    });
    MakeTimer(&app, 230, [] { return false; });
    app.Run();
    EXPECT_EQ(fired, (std::vector<std::string>{"disabled@170", "disabled@220"}));
    EXPECT_EQ(GetTickCount64() - start, 230u);
}

TEST_F(Timers, AnExceptionInAHandlerGoesToTheApplicationAndTheLoopGoesOn) {
    std::vector<std::string> reported;
    app.OnException = [&](TObject* sender, const std::exception& e) {
        reported.push_back(sender->ClassName() + ": " + e.what());
    };
    int ticks = 0;
    MakeTimer(&app, 10, [&]() -> bool {
        ++ticks;
        if (ticks == 1) throw EAbort();  // silent
        if (ticks == 2) throw EConvertError("'q' is not a valid integer value");
        return ticks < 3;
    });
    app.Run();
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(reported, (std::vector<std::string>{"TTimer: 'q' is not a valid integer value"}));
}

using ApplicationWindow = Headless;

TEST_F(ApplicationWindow, IsAHiddenWindowOfItsOwnClassCarryingTheTitle) {
    app.SetTitle("Parchwise");
    HWND wnd = app.Handle();
    char name[32];
    GetClassName(wnd, name, sizeof name);
    EXPECT_STREQ(name, "TApplication");
    EXPECT_FALSE(IsWindowVisible(wnd));
    char text[32];
    GetWindowText(wnd, text, sizeof text);
    EXPECT_STREQ(text, "Parchwise");
    EXPECT_EQ(Application, &app);
    ASSERT_NE(Screen, nullptr);
}

TEST_F(ApplicationWindow, HooksSeeItsMessagesFirst) {
    HWND wnd = app.Handle();
    int first = app.HookMainWindow([](TMessage& m) {
        if (m.Msg != WM_USER + 1) return false;
        m.Result = 5;
        return true;
    });
    std::vector<UINT> seen;
    int second = app.HookMainWindow([&](TMessage& m) {
        seen.push_back(m.Msg);
        return false;
    });
    EXPECT_EQ(SendMessage(wnd, WM_USER + 1, 0, 0), 5);
    EXPECT_EQ(SendMessage(wnd, WM_USER + 2, 0, 0), 0);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 2}));
    app.UnhookMainWindow(first);
    EXPECT_EQ(SendMessage(wnd, WM_USER + 1, 0, 0), 0);
    app.UnhookMainWindow(second);
    // Closing it without a main form ends the loop.
    PostMessage(wnd, WM_CLOSE, 0, 0);
    app.Run();
    EXPECT_TRUE(app.Terminated());
}

TEST_F(ApplicationWindow, MinimizeRestoreAndBringToFront) {
    std::vector<std::string> events;
    app.OnMinimize = [&](TObject*) { events.push_back("minimize"); };
    app.OnRestore = [&](TObject*) { events.push_back("restore"); };
    app.Minimize();
    EXPECT_TRUE(IsIconic(app.Handle()));
    app.Minimize();  // already: nothing
    app.Restore();
    EXPECT_FALSE(IsIconic(app.Handle()));
    EXPECT_EQ(events, (std::vector<std::string>{"minimize", "restore"}));

    WNDCLASSEX plain;
    plain.lpfnWndProc = DefWindowProc;
    plain.lpszClassName = "PlainTestWindow";
    RegisterClassEx(&plain);
    HWND owned = CreateWindowEx(0, "PlainTestWindow", "owned", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100, app.Handle(),
                                nullptr, nullptr, nullptr);
    HWND stranger = CreateWindowEx(0, "PlainTestWindow", "stranger", WS_POPUP | WS_VISIBLE, 50, 50, 100, 100, nullptr,
                                   nullptr, nullptr, nullptr);
    SetForegroundWindow(stranger);
    ASSERT_EQ(GetForegroundWindow(), stranger);
    app.BringToFront();
    EXPECT_EQ(GetForegroundWindow(), owned);
    DestroyWindow(stranger);
    DestroyWindow(owned);
}

TEST_F(ApplicationWindow, ExceptionsWithoutAHandlerAreShownWithTheTitle) {
    app.SetTitle("Parchwise");
    ::testing::internal::CaptureStderr();
    try {
        throw EConvertError("Bad number");
    } catch (...) {
        app.HandleException(&app);
    }
    try {
        throw EAbort();
    } catch (...) {
        app.HandleException(&app);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Parchwise: Bad number.\n");
}

using ApplicationLoop = Headless;

TEST_F(ApplicationLoop, AWorkerEndsTheLoopAfterItsSynchronizedCall) {
    app.Initialize();
    bool servedInRun = false;
    bool running = false;
    TThread* worker = nullptr;
    struct TEnder : TThread {
        std::function<void()> body;
        void Execute() override { body(); }
    } ender;
    ender.body = [&] {
        TThread::Synchronize([&] { servedInRun = running; });
        Application->Terminate();
    };
    worker = &ender;
    worker->Start();
    running = true;
    app.Run();
    running = false;
    EXPECT_TRUE(servedInRun);
    worker->WaitFor();
}

TEST_F(ApplicationLoop, TerminatedBeforeRunEndsAtOnceAndLeavesNoQuitBehind) {
    auto* early = new TApplication;
    early->Terminate();
    early->Run();
    EXPECT_TRUE(early->Terminated());
    delete early;
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(ApplicationLoop, ProcessMessagesHandlesWhatWaitsAndReturns) {
    HWND wnd = app.Handle();
    std::vector<WPARAM> handled;
    app.HookMainWindow([&](TMessage& m) {
        if (m.Msg == WM_USER) handled.push_back(m.WParam);
        return m.Msg == WM_USER;
    });
    for (WPARAM i = 1; i <= 3; ++i) PostMessage(wnd, WM_USER, i, 0);
    app.ProcessMessages();
    EXPECT_EQ(handled, (std::vector<WPARAM>{1, 2, 3}));
    EXPECT_FALSE(app.Terminated());
}

TEST_F(ApplicationLoop, ModalLevelAndHintEvents) {
    std::vector<std::string> events;
    app.OnModalBegin = [&](TObject*) { events.push_back("begin"); };
    app.OnModalEnd = [&](TObject*) { events.push_back("end"); };
    app.OnHint = [&](TObject*) { events.push_back("hint " + app.Hint()); };
    app.ModalStarted();
    app.ModalStarted();
    app.ModalFinished();
    app.SetHint("Add PDF");
    app.SetHint("Add PDF");
    app.ModalFinished();
    app.ModalFinished();  // one too many: ignored
    EXPECT_EQ(app.ModalLevel(), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "hint Add PDF", "end"}));
}

TEST(ApplicationShutdown, WorkersAreReleasedBeforeTheComponentsGo) {
    HeadlessDisplay display;
    struct TProbe : TComponent {
        TProbe(TComponent* owner, std::atomic<bool>* gone) : TComponent(owner), gone(gone) {}
        ~TProbe() override { *gone = true; }
        std::atomic<bool>* gone;
    };
    std::atomic<bool> probeGone{false};
    std::atomic<bool> aboutToSynchronize{false};
    std::atomic<int> releasedWithProbeAlive{-1};
    struct TBlocked : TThread {
        std::function<void()> body;
        void Execute() override { body(); }
    };
    auto* app = new TApplication;
    new TProbe(app, &probeGone);
    auto* worker = new TBlocked;
    worker->SetFreeOnTerminate(true);
    worker->body = [&] {
        aboutToSynchronize = true;
        try {
            TThread::Synchronize([] {});
        } catch (const EThreadShutdown&) {
            releasedWithProbeAlive = probeGone ? 0 : 1;
        }
    };
    worker->Start();
    ASSERT_TRUE(test::SpinUntil(aboutToSynchronize));
    delete app;
    EXPECT_EQ(releasedWithProbeAlive, 1);
    EXPECT_TRUE(probeGone);
}

using Screens = Headless;

TEST_F(Screens, MetricsAndWorkArea) {
    EXPECT_EQ(Screen->PixelsPerInch(), 96);
    EXPECT_EQ(Screen->Width(), 1920);
    EXPECT_EQ(Screen->Height(), 1080);
    EXPECT_EQ(Screen->WorkAreaHeight(), 1040);
    display.SetWorkArea({0, 30, 1800, 1080});
    EXPECT_EQ(Screen->WorkAreaTop(), 30);
    EXPECT_EQ(Screen->WorkAreaWidth(), 1800);
    EXPECT_EQ(Screen->WorkAreaHeight(), 1050);
}

TEST_F(Screens, CursorsTableAndTheProgramsCursor) {
    struct Case {
        TCursor cursor;
        const char* system;
    } cases[] = {{crDefault, IDC_ARROW}, {crArrow, IDC_ARROW},  {crHourGlass, IDC_WAIT},
                 {crHandPoint, IDC_HAND}, {crSizeWE, IDC_SIZEWE}, {crHSplit, IDC_SIZEWE},
                 {crNo, IDC_NO},          {1234, IDC_ARROW}};
    for (const Case& c : cases) EXPECT_EQ(Screen->Cursors(c.cursor), LoadCursor(nullptr, c.system)) << c.cursor;
    EXPECT_EQ(Screen->Cursors(crNone), nullptr);

    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    Screen->SetCursors(1, LoadCursor(nullptr, IDC_CROSS));
    Screen->SetCursor(1);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_CROSS));
    Screen->SetCursor(crDefault);  // nothing under the mouse: the default cursor
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
    Screen->SetCursors(crDefault, nullptr);
    EXPECT_NE(Screen->Cursors(crDefault), nullptr);
}

TEST_F(Screens, FontsAreTheInstalledFamiliesSortedWithTheSystemFontsOfMenusAndHints) {
    TStrings& fonts = Screen->Fonts();
    ASSERT_GT(fonts.Count(), 0);
    for (int i = 1; i < fonts.Count(); ++i) EXPECT_LE(LowerCase(fonts.Strings(i - 1)), LowerCase(fonts.Strings(i)));
    NONCLIENTMETRICS metrics;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    EXPECT_EQ(Screen->MenuFont().Name(), std::string(metrics.lfMenuFont.lfFaceName));
    EXPECT_EQ(Screen->MenuFont().Height(), metrics.lfMenuFont.lfHeight);
    EXPECT_EQ(Screen->HintFont().Name(), std::string(metrics.lfStatusFont.lfFaceName));
    EXPECT_EQ(Screen->HintFont().Color(), clInfoText);
}

TEST_F(Screens, FormsRegisterThemselvesAndTheActiveOneIsForgottenWhenItGoes) {
    // The forms layer registers its forms; the screen only keeps the pointers.
    int a = 0, b = 0;
    auto* formA = reinterpret_cast<TCustomForm*>(&a);
    auto* formB = reinterpret_cast<TCustomForm*>(&b);
    int changes = 0;
    Screen->OnActiveFormChange = [&](TObject*) { ++changes; };
    Screen->AddForm(formA);
    Screen->AddForm(formB);
    Screen->AddForm(formA);
    EXPECT_EQ(Screen->FormCount(), 2);
    Screen->SetActiveForm(formB);
    Screen->RemoveForm(formB);
    EXPECT_EQ(Screen->ActiveForm(), nullptr);
    EXPECT_EQ(Screen->FormCount(), 1);
    EXPECT_EQ(Screen->Forms(0), formA);
    EXPECT_EQ(changes, 2);
    Screen->RemoveForm(formA);
}

}  // namespace
}  // namespace parch
