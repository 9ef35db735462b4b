#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Actions.h"
#include "framework/CustomControls.h"
#include "framework/GraphicControls.h"
#include "framework/HintWindow.h"
#include "framework/StdCtrls.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

// A windowed box in its colour that counts the changes it is told of.
class TNoticingBox : public TCustomControl {
public:
    explicit TNoticingBox(TComponent* owner) : TCustomControl(owner) { SetControlStyle(ControlStyle() | csAcceptsControls); }
    int ctl3DChanges = 0;
    int biDiChanges = 0;

protected:
    void Paint() override {
        Canvas().Brush().SetColor(Color());
        Canvas().FillRect(ClientRect());
    }
    void Dispatch(TMessage& message) override {
        if (message.Msg == CM_CTL3DCHANGED) ++ctl3DChanges;
        if (message.Msg == CM_BIDIMODECHANGED) ++biDiChanges;
        TCustomControl::Dispatch(message);
    }
};

class TSpotControl : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;

protected:
    void Paint() override {
        Canvas().Brush().SetColor(clBlue);
        Canvas().FillRect(ClientRect());
    }
};

using ControlExtrasTest = FormFixture;

TEST_F(ControlExtrasTest, Ctl3DAndBiDiModeFollowTheParentUntilSetOwn) {
    TForm* form = MakeForm(300, 200);
    auto* outer = Child<TNoticingBox>(form, 0, 0, 100, 100);
    auto* inner = Child<TNoticingBox>(outer, 0, 0, 50, 50);
    auto* own = Child<TNoticingBox>(outer, 50, 0, 50, 50);
    auto* label = Child<TLabel>(outer, 0, 60, 40, 20);
    own->SetCtl3D(true);
    own->SetBiDiMode(bdLeftToRight);
    EXPECT_FALSE(own->ParentCtl3D());
    EXPECT_FALSE(own->ParentBiDiMode());

    form->SetCtl3D(false);
    form->SetBiDiMode(bdRightToLeft);
    EXPECT_FALSE(outer->Ctl3D());
    EXPECT_FALSE(inner->Ctl3D());
    EXPECT_TRUE(own->Ctl3D());
    EXPECT_EQ(inner->BiDiMode(), bdRightToLeft);
    EXPECT_EQ(label->BiDiMode(), bdRightToLeft);
    EXPECT_EQ(own->BiDiMode(), bdLeftToRight);
    EXPECT_EQ(inner->ctl3DChanges, 1);
    EXPECT_EQ(inner->biDiChanges, 1);
    EXPECT_EQ(own->ctl3DChanges, 0);

    // A child put on a parent takes the parent's settings; asking to follow again does too.
    auto* late = Child<TNoticingBox>(form, 0, 120, 20, 20);
    EXPECT_FALSE(late->Ctl3D());
    EXPECT_EQ(late->BiDiMode(), bdRightToLeft);
    own->SetParentBiDiMode(true);
    EXPECT_EQ(own->BiDiMode(), bdRightToLeft);
}

TEST_F(ControlExtrasTest, RightToLeftTurnsTheTextFlags) {
    struct Case {
        TBiDiMode mode;
        UINT flags;
        UINT expected;
    };
    const Case cases[] = {
        {bdLeftToRight, DT_LEFT, DT_LEFT},
        {bdLeftToRight, DT_RIGHT, DT_RIGHT},
        {bdRightToLeft, DT_LEFT, DT_RIGHT | DT_RTLREADING},
        {bdRightToLeft, DT_RIGHT, DT_LEFT | DT_RTLREADING},
        {bdRightToLeft, DT_CENTER, DT_CENTER | DT_RTLREADING},
        {bdRightToLeftNoAlign, DT_LEFT, DT_LEFT | DT_RTLREADING},
        {bdRightToLeftReadingOnly, DT_RIGHT | DT_SINGLELINE, DT_RIGHT | DT_SINGLELINE | DT_RTLREADING},
    };
    TForm* form = MakeForm(100, 100);
    auto* label = Child<TLabel>(form, 0, 0, 10, 10);
    for (const Case& c : cases) {
        label->SetBiDiMode(c.mode);
        EXPECT_EQ(label->DrawTextBiDiModeFlags(c.flags), c.expected) << static_cast<int>(c.mode) << " " << c.flags;
    }
}

TEST_F(ControlExtrasTest, ContextPopupGoesToTheControlUnderTheMouseThenUp) {
    TForm* form = MakeForm(300, 200);
    auto* box = Child<TNoticingBox>(form, 20, 20, 150, 100);
    auto* spot = Child<TSpotControl>(box, 10, 10, 30, 30);
    std::vector<std::string> log;
    bool spotHandles = false;
    spot->OnContextPopup = [&](TObject*, POINT p, bool& handled) {
        log.push_back("spot " + std::to_string(p.x) + "," + std::to_string(p.y));
        handled = spotHandles;
    };
    box->OnContextPopup = [&](TObject*, POINT p, bool&) {
        log.push_back("box " + std::to_string(p.x) + "," + std::to_string(p.y));
    };
    form->OnContextPopup = [&](TObject*, POINT p, bool& handled) {
        log.push_back("form " + std::to_string(p.x) + "," + std::to_string(p.y));
        handled = true;
    };
    Show(form);
    auto request = [&](POINT screen) {
        SendMessage(box->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box->Handle()),
                    MAKELONG(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
    };
    request(At(spot, 5, 6));
    EXPECT_EQ(log, (std::vector<std::string>{"spot 5,6", "box 15,16", "form 35,36"}));
    log.clear();
    spotHandles = true;
    request(At(spot, 5, 6));
    EXPECT_EQ(log, (std::vector<std::string>{"spot 5,6"}));
    log.clear();
    request({-1, -1});  // from the keyboard: no position
    EXPECT_EQ(log, (std::vector<std::string>{"box -1,-1", "form -1,-1"}));
}

TEST_F(ControlExtrasTest, ActionsUpdateExecuteAndLetGo) {
    TForm* form = MakeForm(200, 100);
    auto* label = Child<TLabel>(form, 0, 0, 10, 10);
    auto* action = new TAction(nullptr);
    int executed = 0;
    action->OnExecute = [&](TObject*) { ++executed; };
    action->OnUpdate = [&](TObject* sender) { static_cast<TAction*>(sender)->SetHint("updated"); };
    action->SetCaption("Open");
    action->SetVisible(false);
    label->SetAction(action);
    EXPECT_EQ(label->Caption(), "Open");
    EXPECT_FALSE(label->Visible());
    // The application updates the actions of the shown forms' controls when it is idle.
    Show(form);
    app.OnIdle = [](TObject*, bool& done) { done = false; };  // no waiting for more
    app.ProcessMessages();
    app.HandleMessage();
    EXPECT_EQ(label->Hint(), "updated");
    label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(1, 1));
    label->Perform(WM_LBUTTONUP, 0, MAKELONG(1, 1));
    EXPECT_EQ(executed, 1);
    // A disabled action does not run.
    action->SetEnabled(false);
    EXPECT_FALSE(label->Enabled());
    EXPECT_FALSE(action->Execute());
    EXPECT_EQ(executed, 1);
    // The action goes first: the control forgets it.
    delete action;
    EXPECT_EQ(label->Action(), nullptr);
    // The control goes first: the action forgets it.
    auto* second = new TAction(nullptr);
    label->SetAction(second);
    delete label;
    second->SetCaption("still here");
    delete second;
}

// A hint window class of the program's own.
class TOwnHintWindow : public THintWindow {
public:
    using THintWindow::THintWindow;
};

TEST_F(ControlExtrasTest, TheHintControllerMakesTheApplicationsHintWindowClass) {
    TForm* form = MakeForm(300, 200);
    auto* spot = Child<TSpotControl>(form, 20, 20, 50, 50);
    spot->SetHint("Here");
    spot->SetShowHint(true);
    app.SetHintWindowClass(HintWindowClassOf<TOwnHintWindow>("TOwnHintWindow"));
    Show(form);
    POINT over = At(spot, 10, 10);
    display.MoveMouse(over.x, over.y);
    app.ProcessMessages();  // the application's loop watches for hints
    display.AdvanceTime(app.HintPause + 10);
    app.ProcessMessages();
    HWND hint = FindWindow("TOwnHintWindow", nullptr);
    ASSERT_TRUE(hint);
    EXPECT_TRUE(IsWindowVisible(hint));
    EXPECT_TRUE(dynamic_cast<TOwnHintWindow*>(TWinControl::FindControl(hint)));
}

TEST_F(ControlExtrasTest, DoubleBufferedPaintsTheSamePicture) {
    TForm* form = MakeForm(300, 200);
    form->SetColor(clWhite);
    auto* box = Child<TNoticingBox>(form, 20, 20, 150, 100);
    box->SetColor(clRed);
    Child<TSpotControl>(box, 10, 10, 30, 30);
    box->SetDoubleBuffered(true);
    Show(form);
    WindowPixels pixels(form);
    EXPECT_EQ(pixels.At(box, 100, 50), RGB(255, 0, 0));
    EXPECT_EQ(pixels.At(box, 20, 20), RGB(0, 0, 255));
    EXPECT_EQ(pixels.At(box, 149, 99), RGB(255, 0, 0));
    EXPECT_EQ(pixels.At(form, 5, 5), RGB(255, 255, 255));
}

}  // namespace
}  // namespace parch
