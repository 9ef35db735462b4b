#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/CustomControls.h"
#include "framework/Forms.h"
#include "framework/GraphicControls.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/WinApi.h"

namespace parch {
namespace {

// A windowed box that paints itself in its colour and can take the focus.
class TBox : public TCustomControl {
public:
    explicit TBox(TComponent* owner) : TCustomControl(owner) { SetControlStyle(ControlStyle() | csAcceptsControls); }
    std::vector<std::string> log;

protected:
    void Paint() override {
        Canvas().Brush().SetColor(Color());
        Canvas().FillRect(ClientRect());
    }
    void DoEnter() override {
        log.push_back("enter");
        TCustomControl::DoEnter();
    }
    void DoExit() override {
        log.push_back("exit");
        TCustomControl::DoExit();
    }
};

// A windowless control that records what reaches it.
class TSpot : public TGraphicControl {
public:
    explicit TSpot(TComponent* owner) : TGraphicControl(owner) {
        OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int x, int y) {
            log.push_back("down " + std::to_string(x) + "," + std::to_string(y));
        };
        OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int x, int y) {
            log.push_back("up " + std::to_string(x) + "," + std::to_string(y));
        };
        OnMouseMove = [this](TObject*, TShiftState, int x, int y) {
            log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
        };
        OnClick = [this](TObject*) { log.push_back("click"); };
        OnMouseEnter = [this](TObject*) { log.push_back("enter"); };
        OnMouseLeave = [this](TObject*) { log.push_back("leave"); };
    }
    std::vector<std::string> log;
};

class ControlsTest : public ::testing::Test {
protected:
    HeadlessDisplay display;
    TApplication app;

    TForm* MakeForm(int clientWidth, int clientHeight) {
        auto* form = new TForm(&app);
        form->SetBounds(100, 100, 10, 10);
        form->SetClientSize(clientWidth, clientHeight);
        return form;
    }
    template <class T>
    T* Child(TWinControl* parent, int left, int top, int width, int height) {
        auto* c = new T(parent->ParentForm() ? static_cast<TComponent*>(parent->ParentForm()) : parent);
        c->SetParent(parent);
        c->SetBounds(left, top, width, height);
        return c;
    }
    void ShowAndPaint(TForm* form) {
        form->Show();
        display.PumpMessages();
    }
    POINT ScreenPoint(TControl* control, int x, int y) { return control->ClientToScreen({x, y}); }
};

RECT Bounds(const TControl* c) {
    return c->BoundsRect();
}

TEST_F(ControlsTest, AlignedChildrenShareTheClientAreaInOrderTopBottomLeftRightClient) {
    TForm* form = MakeForm(400, 300);
    ASSERT_EQ(form->ClientWidth(), 400);
    ASSERT_EQ(form->ClientHeight(), 300);
    auto* client = Child<TBox>(form, 0, 0, 10, 10);
    auto* right = Child<TBox>(form, 0, 0, 60, 10);
    auto* left = Child<TSpot>(form, 0, 0, 50, 10);  // windowless ones align alike
    auto* bottom = Child<TBox>(form, 0, 0, 10, 20);
    auto* top = Child<TBox>(form, 0, 0, 10, 30);
    client->SetAlign(alClient);
    right->SetAlign(alRight);
    left->SetAlign(alLeft);
    bottom->SetAlign(alBottom);
    top->SetAlign(alTop);

    EXPECT_EQ(Bounds(top), (RECT{0, 0, 400, 30}));
    EXPECT_EQ(Bounds(bottom), (RECT{0, 280, 400, 300}));
    EXPECT_EQ(Bounds(left), (RECT{0, 30, 50, 280}));
    EXPECT_EQ(Bounds(right), (RECT{340, 30, 400, 280}));
    EXPECT_EQ(Bounds(client), (RECT{50, 30, 340, 280}));

    // The layout follows the form, with and without a window.
    form->SetClientSize(500, 200);
    EXPECT_EQ(Bounds(client), (RECT{50, 30, 440, 180}));
    ShowAndPaint(form);
    form->SetClientSize(300, 250);
    EXPECT_EQ(Bounds(right), (RECT{240, 30, 300, 230}));
    EXPECT_EQ(Bounds(client), (RECT{50, 30, 240, 230}));
    RECT wr;
    GetWindowRect(client->Handle(), &wr);
    EXPECT_EQ(wr.right - wr.left, 190);

    // A hidden aligned control gives its room to the others.
    top->Hide();
    EXPECT_EQ(Bounds(left), (RECT{0, 0, 50, 230}));
}

TEST_F(ControlsTest, TopControlsAlignedTogetherStackInTheOrderOfTheirPlaces) {
    TForm* form = MakeForm(200, 200);
    auto* lower = Child<TBox>(form, 0, 50, 10, 20);
    auto* upper = Child<TBox>(form, 0, 10, 10, 30);
    form->DisableAlign();
    lower->SetAlign(alTop);
    upper->SetAlign(alTop);
    EXPECT_EQ(lower->Top(), 50);  // nothing moves while alignment waits
    form->EnableAlign();
    EXPECT_EQ(Bounds(upper), (RECT{0, 0, 200, 30}));
    EXPECT_EQ(Bounds(lower), (RECT{0, 30, 200, 50}));
}

TEST_F(ControlsTest, AnchorsKeepTheirDistancesWhenTheParentResizes) {
    struct Case {
        TAnchors anchors;
        RECT after;
    };
    // Client 400 x 300 grows to 500 x 350; the child starts at (10, 20) with 100 x 50.
    const Case cases[] = {
        {akLeft | akTop, {10, 20, 110, 70}},
        {akLeft | akTop | akRight, {10, 20, 210, 70}},
        {akRight | akBottom, {110, 70, 210, 120}},
        {akLeft | akTop | akRight | akBottom, {10, 20, 210, 120}},
        {akTop | akBottom, {10, 20, 110, 120}},
    };
    for (const Case& c : cases) {
        TForm* form = MakeForm(400, 300);
        auto* child = Child<TBox>(form, 10, 20, 100, 50);
        child->SetAnchors(c.anchors);
        form->SetClientSize(500, 350);
        EXPECT_EQ(Bounds(child), c.after) << "anchors " << c.anchors;
        delete form;
    }
}

TEST_F(ControlsTest, ConstraintsBoundTheSizeFromCodeAlignmentAndTheWindowSystem) {
    TForm* form = MakeForm(400, 300);
    auto* box = Child<TBox>(form, 0, 0, 80, 80);
    box->Constraints().MinWidth = 50;
    box->Constraints().MaxWidth = 100;
    box->Constraints().MaxHeight = 60;
    box->SetWidth(10);
    EXPECT_EQ(box->Width(), 50);
    box->SetWidth(500);
    EXPECT_EQ(box->Width(), 100);
    box->SetAlign(alClient);
    EXPECT_EQ(Bounds(box), (RECT{0, 0, 100, 60}));

    form->Constraints().MinWidth = 200;
    form->Constraints().MinHeight = 150;
    ShowAndPaint(form);
    form->SetBounds(100, 100, 120, 90);
    EXPECT_EQ(form->Width(), 200);
    // A size given to the window directly (as the sizing loop does) is held too.
    MoveWindow(form->Handle(), 100, 100, 50, 50, 1);
    EXPECT_EQ(form->Width(), 200);
    EXPECT_EQ(form->Height(), 150);
}

TEST_F(ControlsTest, AutoSizeFitsTheChildrenAndFollowsThem) {
    TForm* form = MakeForm(400, 300);
    auto* holder = Child<TBox>(form, 5, 5, 10, 10);
    auto* a = Child<TSpot>(holder, 10, 10, 50, 20);
    Child<TBox>(holder, 30, 40, 20, 20);
    holder->SetAutoSize(true);
    EXPECT_EQ(holder->Width(), 60);
    EXPECT_EQ(holder->Height(), 60);
    a->SetWidth(100);
    EXPECT_EQ(holder->Width(), 110);
    a->Hide();
    EXPECT_EQ(holder->Width(), 50);
}

TEST_F(ControlsTest, TabMovesTheFocusInTabOrderSkippingWhatCannotTakeIt) {
    TForm* form = MakeForm(300, 200);
    auto* first = Child<TBox>(form, 0, 0, 50, 20);
    auto* second = Child<TBox>(form, 0, 30, 50, 20);
    auto* third = Child<TBox>(form, 0, 60, 50, 20);
    auto* disabled = Child<TBox>(form, 0, 90, 50, 20);
    for (TBox* b : {first, second, third, disabled}) b->SetTabStop(true);
    disabled->SetEnabled(false);
    third->SetTabOrder(0);  // third, first, second, disabled
    EXPECT_EQ(first->TabOrder(), 1);
    form->Show();
    display.PumpMessages();
    ASSERT_TRUE(form->Active());
    EXPECT_TRUE(third->Focused());
    EXPECT_EQ(form->ActiveControl(), third);

    auto tab = [&](bool back) {
        if (back) display.KeyDown(VK_SHIFT);
        display.PressKey(VK_TAB);
        if (back) display.KeyUp(VK_SHIFT);
        app.ProcessMessages();
    };
    tab(false);
    EXPECT_TRUE(first->Focused());
    tab(false);
    EXPECT_TRUE(second->Focused());
    tab(false);  // wraps, past the disabled one
    EXPECT_TRUE(third->Focused());
    tab(true);
    EXPECT_TRUE(second->Focused());
    EXPECT_EQ(form->ActiveControl(), second);
    EXPECT_EQ(third->log, (std::vector<std::string>{"enter", "exit", "enter", "exit"}));

    // A control that wants Tab itself keeps it.
    second->WindowProc = [old = second->WindowProc](TMessage& m) {
        old(m);
        if (m.Msg == WM_GETDLGCODE) m.Result = DLGC_WANTTAB;
    };
    tab(false);
    EXPECT_TRUE(second->Focused());

    second->Hide();  // the focus never stays on a hidden control
    EXPECT_THROW(second->SetFocus(), EInvalidOperation);
}

TEST_F(ControlsTest, WindowlessControlsGetMouseHoverAndCaptureThroughTheirParent) {
    TForm* form = MakeForm(300, 200);
    auto* spot = Child<TSpot>(form, 50, 40, 60, 30);
    auto* other = Child<TSpot>(form, 150, 40, 60, 30);
    ShowAndPaint(form);

    POINT inside = ScreenPoint(form, 60, 50);
    display.MoveMouse(inside.x, inside.y);
    display.PumpMessages();
    EXPECT_EQ(spot->log, (std::vector<std::string>{"enter", "move 10,10"}));
    EXPECT_EQ(form->MouseControl(), spot);

    spot->log.clear();
    POINT toOther = ScreenPoint(form, 160, 45);
    display.MoveMouse(toOther.x, toOther.y);
    display.PumpMessages();
    EXPECT_EQ(spot->log, (std::vector<std::string>{"leave"}));
    EXPECT_EQ(other->log, (std::vector<std::string>{"enter", "move 10,5"}));

    // Pressed on the control, the mouse stays with it outside its bounds and the window.
    spot->log.clear();
    display.MoveMouse(inside.x, inside.y);
    display.MouseDown();
    display.PumpMessages();
    EXPECT_EQ(form->CaptureControl(), spot);
    POINT far = ScreenPoint(form, 400, 300);
    display.MoveMouse(far.x, far.y);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(spot->log,
              (std::vector<std::string>{"enter", "move 10,10", "down 10,10", "move 350,260", "up 350,260", "leave"}));
    EXPECT_EQ(form->CaptureControl(), nullptr);

    // A press and release inside is a click (not the second half of a double click).
    display.AdvanceTime(1000);
    spot->log.clear();
    display.Click(inside.x, inside.y);
    display.PumpMessages();
    EXPECT_EQ(spot->log, (std::vector<std::string>{"enter", "move 10,10", "down 10,10", "click", "up 10,10"}));

    // Leaving the window altogether ends the hover.
    spot->log.clear();
    display.MoveMouse(1, 1);
    display.PumpMessages();
    EXPECT_EQ(spot->log, (std::vector<std::string>{"leave"}));
    EXPECT_NE(form->MouseControl(), spot);
}

TEST_F(ControlsTest, AMouseMessageAWindowlessChildTookIsMarkedHandledAndNotTheParentsOwn) {
    TForm* form = MakeForm(300, 200);
    auto* spot = Child<TSpot>(form, 50, 40, 60, 30);
    std::vector<std::string> formSaw;
    form->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        formSaw.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    };
    form->WindowProc = [&formSaw, old = form->WindowProc](TMessage& m) {
        old(m);
        if (m.Msg == WM_LBUTTONDOWN) formSaw.push_back(m.Handled ? "handled" : "own");
    };
    ShowAndPaint(form);

    POINT onSpot = ScreenPoint(form, 60, 50);
    display.Click(onSpot.x, onSpot.y);
    display.PumpMessages();
    EXPECT_EQ(formSaw, (std::vector<std::string>{"handled"}));
    EXPECT_EQ(spot->log, (std::vector<std::string>{"enter", "move 10,10", "down 10,10", "click", "up 10,10"}));

    formSaw.clear();
    display.AdvanceTime(1000);
    POINT beside = ScreenPoint(form, 200, 150);
    display.Click(beside.x, beside.y);
    display.PumpMessages();
    EXPECT_EQ(formSaw, (std::vector<std::string>{"down 200,150", "own"}));
}

TEST_F(ControlsTest, NotificationsKeepTheirNumbers) {
    const std::pair<UINT, UINT> numbers[] = {
        {CM_BASE, 0xB000},           {CM_ACTIVATE, 0xB000},       {CM_DIALOGKEY, 0xB005},
        {CM_DIALOGCHAR, 0xB006},     {CM_VISIBLECHANGED, 0xB00B}, {CM_ENABLEDCHANGED, 0xB00C},
        {CM_COLORCHANGED, 0xB00D},   {CM_FONTCHANGED, 0xB00E},    {CM_TEXTCHANGED, 0xB012},
        {CM_MOUSEENTER, 0xB013},     {CM_MOUSELEAVE, 0xB014},     {CM_SHOWINGCHANGED, 0xB019},
        {CM_ENTER, 0xB01A},          {CM_EXIT, 0xB01B},           {CM_RELEASE, 0xB021},
        {CM_HINTSHOW, 0xB030},       {CM_INVALIDATE, 0xB034},     {CM_MOUSEWHEEL, 0xB043},
        {CN_BASE, 0xBC00},           {CN_COMMAND, 0xBD11},        {CN_NOTIFY, 0xBC4E},
        {CN_DRAWITEM, 0xBC2B},       {CN_MEASUREITEM, 0xBC2C},    {CN_KEYDOWN, 0xBD00},
        {CN_CTLCOLORSTATIC, 0xBD38},
    };
    for (auto [value, expected] : numbers) EXPECT_EQ(value, expected);
}

TEST_F(ControlsTest, PropertyChangesSendTheirNotificationsThroughTheReplaceableWindowProc) {
    TForm* form = MakeForm(300, 200);
    auto* box = Child<TBox>(form, 0, 0, 50, 50);
    std::vector<UINT> seen;
    box->WindowProc = [&seen, old = box->WindowProc](TMessage& m) {
        if (m.Msg >= CM_BASE && m.Msg < CN_BASE) seen.push_back(m.Msg);
        old(m);
    };
    box->SetEnabled(false);
    box->SetVisible(false);
    box->SetText("x");
    box->Font().SetColor(clRed);
    box->SetColor(clBlue);
    box->SetCursor(crHandPoint);
    EXPECT_EQ(seen, (std::vector<UINT>{CM_ENABLEDCHANGED, CM_VISIBLECHANGED, CM_TEXTCHANGED, CM_FONTCHANGED,
                                       CM_COLORCHANGED, CM_CURSORCHANGED}));
    EXPECT_FALSE(box->ParentFont());

    // Parent colour and font flow down to children that follow their parent.
    auto* inner = Child<TSpot>(box, 0, 0, 5, 5);
    inner->SetParentColor(true);
    box->SetColor(clGreen);
    EXPECT_EQ(inner->Color(), clGreen);
    box->Font().SetSize(14);
    EXPECT_EQ(inner->Font().Size(), 14);
    EXPECT_TRUE(inner->ParentFont());
}

TEST_F(ControlsTest, ChildNotificationsAreReflectedToTheChildAsCnMessages) {
    TForm* form = MakeForm(300, 200);
    auto* box = Child<TBox>(form, 0, 0, 50, 50);
    ShowAndPaint(form);
    std::vector<UINT> reflected;
    box->WindowProc = [&reflected, old = box->WindowProc](TMessage& m) {
        if (m.Msg >= CN_BASE && m.Msg < CN_BASE + 0x400) {
            reflected.push_back(m.Msg);
            m.Result = 7;
            return;
        }
        old(m);
    };
    HWND child = box->Handle();
    NMHDR header{child, 1, 0};
    DRAWITEMSTRUCT draw;
    draw.hwndItem = child;
    SetWindowLongPtr(child, GWL_ID, 42);
    MEASUREITEMSTRUCT measure;
    measure.CtlID = 42;
    HWND parent = form->Handle();
    EXPECT_EQ(SendMessage(parent, WM_COMMAND, 0, reinterpret_cast<LPARAM>(child)), 7);
    EXPECT_EQ(SendMessage(parent, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&header)), 7);
    EXPECT_EQ(SendMessage(parent, WM_DRAWITEM, 42, reinterpret_cast<LPARAM>(&draw)), 7);
    EXPECT_EQ(SendMessage(parent, WM_MEASUREITEM, 42, reinterpret_cast<LPARAM>(&measure)), 7);
    EXPECT_EQ(SendMessage(parent, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(child)), 7);
    EXPECT_EQ(reflected, (std::vector<UINT>{CN_COMMAND, CN_NOTIFY, CN_DRAWITEM, CN_MEASUREITEM, CN_CTLCOLORSTATIC}));
}

TEST_F(ControlsTest, RecreatingTheWindowKeepsChildrenTextAndPlace) {
    TForm* form = MakeForm(300, 200);
    auto* box = Child<TBox>(form, 10, 10, 50, 50);
    box->SetText("label");
    ShowAndPaint(form);
    HWND before = box->Handle();
    form->SetBorderStyle(bsDialog);
    EXPECT_FALSE(IsWindow(before));
    ASSERT_TRUE(box->HandleAllocated());
    EXPECT_EQ(GetParent(box->Handle()), form->Handle());
    char text[16] = {};
    GetWindowText(box->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "label");
    EXPECT_EQ(Bounds(box), (RECT{10, 10, 60, 60}));
    EXPECT_TRUE(IsWindowVisible(box->Handle()));
    char className[32] = {};
    GetClassName(box->Handle(), className, sizeof className);
    EXPECT_STREQ(className, "TBox");
}

TEST_F(ControlsTest, WindowedChildrenTakeTheHoverFromTheirParent) {
    TForm* form = MakeForm(300, 200);
    auto* box = Child<TBox>(form, 100, 50, 80, 60);
    std::vector<std::string> log;
    form->OnMouseEnter = [&](TObject*) { log.push_back("form enter"); };
    form->OnMouseLeave = [&](TObject*) { log.push_back("form leave"); };
    box->OnMouseEnter = [&](TObject*) { log.push_back("box enter"); };
    box->OnMouseLeave = [&](TObject*) { log.push_back("box leave"); };
    ShowAndPaint(form);
    for (POINT p : {POINT{10, 10}, POINT{120, 70}, POINT{130, 75}, POINT{20, 20}}) {
        POINT s = ScreenPoint(form, p.x, p.y);
        display.MoveMouse(s.x, s.y);
        display.PumpMessages();
    }
    EXPECT_EQ(log, (std::vector<std::string>{"form enter", "form leave", "box enter", "box leave", "form enter"}));
}

TEST_F(ControlsTest, PaintToDrawsTheControlAndItsChildrenIntoAnotherContext) {
    TForm* form = MakeForm(200, 100);
    form->SetColor(clWhite);
    auto* box = Child<TBox>(form, 10, 10, 30, 20);
    box->SetColor(clRed);
    auto* inner = Child<TBox>(box, 5, 5, 10, 5);
    inner->SetColor(clBlue);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 60);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    box->PaintTo(dc, 50, 20);
    EXPECT_EQ(GetPixel(dc, 51, 21), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 79, 39), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 56, 26), RGB(0, 0, 255));
    EXPECT_NE(GetPixel(dc, 81, 21), RGB(255, 0, 0));  // nothing outside the box
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// A control on an existing window class: the class's procedure is its default handling.
class TScrollBarControl : public TWinControl {
public:
    using TWinControl::TWinControl;

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        CreateSubClass(params, "scrollbar");
    }
};

TEST_F(ControlsTest, ASubclassedSystemClassKeepsItsOwnBehaviour) {
    TForm* form = MakeForm(200, 100);
    auto* bar = Child<TScrollBarControl>(form, 0, 0, 150, 16);
    HWND wnd = bar->Handle();
    char className[32] = {};
    GetClassName(wnd, className, sizeof className);
    EXPECT_STREQ(className, "TScrollBarControl");
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_POS;
    info.nMin = 0;
    info.nMax = 50;
    info.nPos = 20;
    SetScrollInfo(wnd, SB_CTL, &info, 0);
    EXPECT_EQ(GetScrollPos(wnd, SB_CTL), 20);
}

TEST_F(ControlsTest, AControlLeavingTheFormTakesTheFocusAndHoverWithIt) {
    TForm* form = MakeForm(300, 200);
    auto* holder = Child<TBox>(form, 0, 0, 200, 100);
    auto* field = Child<TBox>(holder, 10, 10, 50, 20);
    auto* spot = Child<TSpot>(holder, 100, 10, 50, 20);
    field->SetTabStop(true);
    ShowAndPaint(form);
    ASSERT_EQ(form->ActiveControl(), field);
    POINT over = ScreenPoint(holder, 110, 15);
    display.MoveMouse(over.x, over.y);
    display.PumpMessages();
    ASSERT_EQ(holder->MouseControl(), spot);
    delete holder;
    EXPECT_EQ(form->ActiveControl(), nullptr);
    EXPECT_EQ(form->MouseControl(), nullptr);
    EXPECT_EQ(form->ControlCount(), 0);

    // A hovered windowless child of the form itself: the form forgets it, and the mouse
    // leaving later tells nobody.
    auto* direct = Child<TSpot>(form, 100, 10, 50, 20);
    display.MoveMouse(over.x + 1, over.y);
    display.PumpMessages();
    ASSERT_EQ(form->MouseControl(), direct);
    delete direct;
    EXPECT_EQ(form->MouseControl(), nullptr);
    display.MoveMouse(1, 1);
    display.PumpMessages();
    EXPECT_EQ(form->MouseControl(), nullptr);
}

TEST_F(ControlsTest, AnExceptionInAHandlerGoesToTheApplicationNotThroughTheWindowSystem) {
    TForm* form = MakeForm(300, 200);
    auto* box = Child<TBox>(form, 0, 0, 100, 100);
    box->OnClick = [](TObject*) { throw Exception("handler failed"); };
    std::string reported;
    app.OnException = [&](TObject*, const std::exception& e) { reported = e.what(); };
    ShowAndPaint(form);
    POINT p = ScreenPoint(box, 10, 10);
    display.Click(p.x, p.y);
    display.PumpMessages();
    EXPECT_EQ(reported, "handler failed");
}

}  // namespace
}  // namespace parch
