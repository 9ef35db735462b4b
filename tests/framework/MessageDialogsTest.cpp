// The framework's message dialogs and input queries, driven from inside their modal loops: a
// message posted to the application window before the dialog opens runs the test's script
// once the dialog is the active form; keys and clicks made there are read by the dialog's loop.
// Button sets, captions and results follow the framework's documented MessageDlg; no peer
// implementation runs here.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/MessageDialogs.h"
#include "framework/StdCtrls.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/win/Hooks.h"
#include "platform/win/MessageBox.h"
#include "platform/win/SystemIcons.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

// What a dialog's loop answers when the script could not end it.
constexpr TModalResult kDialogStayedUp = -1;

class MessageDialogsTest : public FormFixture {
protected:
    static constexpr UINT kDialogScript = WM_APP + 31;

    void SetUp() override {
        hookId_ = app.HookMainWindow([this](TMessage& m) {
            if (m.Msg == WM_HELP) {
                helpContexts.push_back(static_cast<int>(reinterpret_cast<HELPINFO*>(m.LParam)->dwContextId));
                return true;
            }
            if (m.Msg != kDialogScript) return false;
            RunScript();
            return true;
        });
    }
    void TearDown() override { app.UnhookMainWindow(hookId_); }

    // Runs open(), which shows a modal dialog; once the dialog is up, script(dialog) runs and
    // what it typed or clicked is handled. A dialog the script left open is failed and ended.
    template <class Open>
    auto WhileShown(std::function<void(TCustomForm&)> script, Open open) {
        script_ = std::move(script);
        PostMessage(app.Handle(), kDialogScript, 0, 0);
        return open();
    }

public:
    // Keeps the dialog up: the input was handled and did not end it.
    static bool StillUp(TCustomForm& dialog) { return dialog.ModalResult() == mrNone && dialog.Visible(); }

    // The dialog's buttons from left to right.
    static std::vector<TButton*> ButtonsOf(TCustomForm& dialog) {
        std::vector<TButton*> buttons;
        for (int i = 0; i < dialog.ControlCount(); ++i)
            if (auto* button = dynamic_cast<TButton*>(dialog.Controls(i))) buttons.push_back(button);
        std::sort(buttons.begin(), buttons.end(), [](TButton* a, TButton* b) { return a->Left() < b->Left(); });
        return buttons;
    }

    void ClickOn(TControl* control) {
        POINT at = control->ClientToScreen({control->Width() / 2, control->Height() / 2});
        display.Click(at.x, at.y);
        app.ProcessMessages();
    }
    void Press(UINT key) {
        display.PressKey(key);
        app.ProcessMessages();
    }
    void Type(const std::string& text) {
        display.TypeText(text);
        app.ProcessMessages();
    }
    void CloseCommand(TCustomForm& dialog) {
        SendMessage(dialog.Handle(), WM_CLOSE, 0, 0);
        app.ProcessMessages();
    }

protected:
    std::vector<int> helpContexts;

private:
    void RunScript() {
        auto* dialog = Screen->ActiveForm();
        if (!dialog || !dialog->Modal()) {
            ADD_FAILURE() << "no modal dialog is active";
            return;
        }
        app.ProcessMessages();
        std::function<void(TCustomForm&)> script = std::move(script_);
        script_ = nullptr;
        script(*dialog);
        if (dialog->ModalResult() != mrNone) return;
        ADD_FAILURE() << "the script left the dialog up";
        dialog->SetModalResult(kDialogStayedUp);
    }

    int hookId_ = 0;
    std::function<void(TCustomForm&)> script_;
};

struct ButtonSetCase {
    const char* name;
    TMsgDlgButtons buttons;
    std::vector<std::string> captions;  // left to right
    std::vector<TModalResult> results;  // of a click on each; mrNone: the button keeps the dialog up
    TModalResult enter;
    TModalResult escape;  // mrNone: Escape keeps the dialog up
};

const std::vector<ButtonSetCase>& ButtonSetCases() {
    static const std::vector<ButtonSetCase> cases{
        {"none gets OK", {}, {"OK"}, {mrOk}, mrOk, mrOk},
        {"OK", {mbOK}, {"OK"}, {mrOk}, mrOk, mrOk},
        {"OK Cancel", {mbCancel, mbOK}, {"OK", "Cancel"}, {mrOk, mrCancel}, mrOk, mrCancel},
        {"Yes No", {mbNo, mbYes}, {"&Yes", "&No"}, {mrYes, mrNo}, mrYes, mrNo},
        {"Yes No Cancel", {mbYes, mbNo, mbCancel}, {"&Yes", "&No", "Cancel"}, {mrYes, mrNo, mrCancel}, mrYes, mrCancel},
        {"Abort Retry Ignore",
         {mbIgnore, mbRetry, mbAbort},
         {"&Abort", "&Retry", "&Ignore"},
         {mrAbort, mrRetry, mrIgnore},
         mrRetry,
         mrNone},
        {"to all", {mbNoToAll, mbAll}, {"&All", "N&o to All"}, {mrAll, mrNoToAll}, mrAll, mrNone},
        {"every button",
         {mbHelp, mbYesToAll, mbNoToAll, mbAll, mbIgnore, mbRetry, mbAbort, mbCancel, mbOK, mbNo, mbYes},
         {"&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&All", "N&o to All", "Yes to &All", "&Help"},
         {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone},
         mrOk,
         mrCancel},
        {"Help alone gets OK", {mbHelp}, {"OK", "&Help"}, {mrOk, mrNone}, mrOk, mrOk},
    };
    return cases;
}

TEST_F(MessageDialogsTest, ButtonSetsShowTheirButtonsInOrderAndEachAnswersItsResult) {
    for (const ButtonSetCase& c : ButtonSetCases()) {
        SCOPED_TRACE(c.name);
        auto show = [&] { return MessageDlg("Question?", mtConfirmation, c.buttons, 77); };

        // Enter presses the default button, which has the focus.
        TModalResult result = WhileShown(
            [&](TCustomForm& dialog) {
                std::vector<TButton*> buttons = ButtonsOf(dialog);
                std::vector<std::string> captions;
                for (TButton* b : buttons) captions.push_back(b->Caption());
                EXPECT_EQ(captions, c.captions);
                for (std::size_t i = 1; i < buttons.size(); ++i) {
                    EXPECT_EQ(buttons[i]->Top(), buttons[0]->Top());
                    EXPECT_GT(buttons[i]->Left(), buttons[i - 1]->Left() + buttons[i - 1]->Width());
                }
                ASSERT_FALSE(buttons.empty());
                EXPECT_LE(buttons.back()->Left() + buttons.back()->Width(), dialog.ClientWidth());
                auto focused = std::find_if(buttons.begin(), buttons.end(), [](TButton* b) { return b->Focused(); });
                ASSERT_NE(focused, buttons.end());
                EXPECT_TRUE((*focused)->Default());
                EXPECT_EQ((*focused)->ModalResult(), c.enter);
                Press(VK_RETURN);
            },
            show);
        EXPECT_EQ(result, c.enter);

        result = WhileShown(
            [&](TCustomForm& dialog) {
                Press(VK_ESCAPE);
                if (c.escape != mrNone) return;
                EXPECT_TRUE(StillUp(dialog));
                // The close command has no answer either.
                CloseCommand(dialog);
                EXPECT_TRUE(StillUp(dialog));
                Press(VK_RETURN);
            },
            show);
        EXPECT_EQ(result, c.escape != mrNone ? c.escape : c.enter);

        for (std::size_t i = 0; i < c.results.size(); ++i) {
            SCOPED_TRACE(c.captions[i]);
            helpContexts.clear();
            result = WhileShown(
                [&](TCustomForm& dialog) {
                    std::vector<TButton*> buttons = ButtonsOf(dialog);
                    ASSERT_EQ(buttons.size(), c.results.size());
                    ClickOn(buttons[i]);
                    if (c.results[i] != mrNone) return;
                    // Help asks the application and leaves the dialog up.
                    EXPECT_TRUE(StillUp(dialog));
                    EXPECT_EQ(helpContexts, std::vector<int>{77});
                    ClickOn(buttons.front());
                },
                show);
            EXPECT_EQ(result, c.results[i] != mrNone ? c.results[i] : c.results.front());
        }
    }
}

TEST_F(MessageDialogsTest, ClosingAnswersWhatTheCancelButtonAnswers) {
    struct Case {
        TMsgDlgButtons buttons;
        TModalResult closed;
    };
    for (const Case& c : {Case{{mbYes, mbNo}, mrNo}, Case{{mbOK, mbCancel}, mrCancel}, Case{{mbOK}, mrOk}}) {
        TModalResult result = WhileShown(
            [&](TCustomForm& dialog) {
                SendMessage(dialog.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
                app.ProcessMessages();
            },
            [&] { return MessageDlg("Close me", mtWarning, c.buttons, 0); });
        EXPECT_EQ(result, c.closed);
    }
}

TEST_F(MessageDialogsTest, CaptionAndIconFollowTheKind) {
    app.SetTitle("Parchwise test");
    struct Case {
        TMsgDlgType type;
        const char* caption;
        const char* icon;  // nullptr: no icon
    };
    const Case cases[] = {
        {mtWarning, "Warning", IDI_WARNING},       {mtError, "Error", IDI_ERROR},
        {mtInformation, "Information", IDI_INFORMATION}, {mtConfirmation, "Confirm", IDI_QUESTION},
        {mtCustom, "Parchwise test", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        std::unique_ptr<TForm> dialog = CreateMessageDialog("Something happened.", c.type, {mbOK});
        dialog->Show();
        display.PumpMessages();
        char title[64] = {};
        GetWindowText(dialog->Handle(), title, sizeof title);
        EXPECT_STREQ(title, c.caption);
        auto* image = dynamic_cast<TImage*>(dialog->FindComponent("Image"));
        auto* message = dynamic_cast<TLabel*>(dialog->FindComponent("Message"));
        ASSERT_NE(message, nullptr);
        if (!c.icon) {
            EXPECT_EQ(image, nullptr);
            EXPECT_LT(message->Left(), 20);  // the text takes the icon's place
            continue;
        }
        ASSERT_NE(image, nullptr);
        EXPECT_GT(message->Left(), image->Left() + image->Width());
        // The image shows the stock icon of the kind, as the window system draws it.
        const int size = image->Width();
        TBitmap expected(size, size);
        expected.Canvas().Brush().SetColor(dialog->Color());
        expected.Canvas().FillRect({0, 0, size, size});
        DrawIconEx(expected.Canvas().Handle(), 0, 0, LoadIcon(nullptr, c.icon), size, size, 0, nullptr, DI_NORMAL);
        WindowPixels pixels(dialog.get());
        int differing = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (pixels.At(image, x, y) != static_cast<COLORREF>(expected.Canvas().Pixels(x, y))) ++differing;
        EXPECT_EQ(differing, 0);
    }
}

// The skinning hook tells the message dialog from the program's forms by its class name, read
// when the window is created.
std::vector<std::string> createdTopLevelClasses;

LRESULT RecordTopLevelClasses(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCT* cs = reinterpret_cast<CBT_CREATEWND*>(lParam)->lpcs;
        char name[64] = {};
        GetClassName(reinterpret_cast<HWND>(wParam), name, sizeof name);
        // The framework's utility windows are no forms; the hook passes them by as well.
        if (!(cs->style & WS_CHILD) && std::string(name) != "TPUtilWindow") createdTopLevelClasses.push_back(name);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MessageDialogsTest, TheCreationHookSeesTheMessageFormByItsClassName) {
    app.Handle();
    createdTopLevelClasses.clear();
    HHOOK hook = SetWindowsHookEx(WH_CBT, &RecordTopLevelClasses, nullptr, GetCurrentThreadId());
    WhileShown(
        [&](TCustomForm& dialog) {
            // The hook finds the form of a window among the screen's forms.
            HWND active = GetActiveWindow();
            bool found = false;
            for (int i = 0; i < Screen->FormCount(); ++i)
                found |= Screen->Forms(i) == &dialog && dialog.Handle() == active;
            EXPECT_TRUE(found);
            EXPECT_EQ(dialog.ClassName(), "TMessageForm");
            Press(VK_RETURN);
        },
        [] { return MessageDlg("Hooked", mtInformation, {mbOK}, 0); });
    std::string value;
    WhileShown([&](TCustomForm&) { Press(VK_RETURN); }, [&] { return InputQuery("Query", "Value:", value); });
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(createdTopLevelClasses, (std::vector<std::string>{"TMessageForm", "TForm"}));
}

TEST_F(MessageDialogsTest, LongTextWrapsAndTheDialogGrowsAroundIt) {
    std::string longText;
    for (int i = 0; i < 40; ++i) longText += "The quick brown fox jumps. ";
    const std::string longWord = "/home/user/" + std::string(150, 'x') + ".pdf";
    struct Look {
        RECT message;
        int buttonsTop;
        SIZE client;
    };
    auto lookOf = [&](const std::string& text) {
        std::unique_ptr<TForm> dialog = CreateMessageDialog(text, mtError, {mbOK});
        auto* message = static_cast<TLabel*>(dialog->FindComponent("Message"));
        Look look{message->BoundsRect(), ButtonsOf(*dialog).front()->Top(),
                  {dialog->ClientWidth(), dialog->ClientHeight()}};
        // The label's own drawing needs no more room than it has: nothing is cut off.
        RECT needed{0, 0, message->Width(), 0};
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, message->Font().Handle());
        DrawText(dc, text.c_str(), -1, &needed, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_CALCRECT);
        SelectObject(dc, old);
        DeleteDC(dc);
        EXPECT_LE(needed.right, message->Width());
        EXPECT_LE(needed.bottom, message->Height());
        return look;
    };
    Look shortOne = lookOf("Short.");
    Look longOne = lookOf(longText);
    Look wordOne = lookOf(longWord);
    Look linesOne = lookOf("One\nTwo\nThree\nFour");

    const int lineHeight = shortOne.message.bottom - shortOne.message.top;
    EXPECT_GT(longOne.message.bottom - longOne.message.top, 5 * lineHeight);
    EXPECT_LE(longOne.message.right - longOne.message.left, 480);
    EXPECT_GT(longOne.client.cy - shortOne.client.cy, 4 * lineHeight);
    EXPECT_EQ(linesOne.message.bottom - linesOne.message.top, 4 * lineHeight);
    // A word wider than a line widens the dialog instead of being cut.
    EXPECT_GT(wordOne.message.right - wordOne.message.left, 480);
    for (const Look& look : {shortOne, longOne, wordOne, linesOne}) {
        EXPECT_LT(look.message.bottom, look.buttonsTop);
        EXPECT_LE(look.message.right, look.client.cx);
        EXPECT_GE(look.message.left, 0);
    }
}

TEST_F(MessageDialogsTest, AnEndlessTextNeverMakesADialogLargerThanTheWorkArea) {
    RECT work{};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    std::string manyLines;
    for (int i = 0; i < 20000; ++i) manyLines += "line " + std::to_string(i) + "\n";
    const std::string endlessWord(30000, 'x');
    for (const std::string* text : std::vector<const std::string*>{&manyLines, &endlessWord}) {
        std::unique_ptr<TForm> dialog = CreateMessageDialog(*text, mtError, {mbOK, mbCancel});
        EXPECT_LE(dialog->Width(), work.right - work.left);
        EXPECT_LE(dialog->Height(), work.bottom - work.top);
        // The buttons stay inside, below the text.
        auto* message = static_cast<TLabel*>(dialog->FindComponent("Message"));
        for (TButton* button : ButtonsOf(*dialog)) {
            EXPECT_GT(button->Top(), message->Top() + message->Height());
            EXPECT_LE(button->Top() + button->Height(), dialog->ClientHeight());
        }
        std::string value;
        WhileShown(
            [&](TCustomForm& query) {
                EXPECT_LE(query.Width(), work.right - work.left);
                EXPECT_LE(query.Height(), work.bottom - work.top);
                Press(VK_ESCAPE);
            },
            [&] { return InputQuery("Endless", *text, value); });
    }
}

TEST_F(MessageDialogsTest, AnAmpersandInTheMessageIsShownAsWritten) {
    std::unique_ptr<TForm> dialog = CreateMessageDialog("Tom & Jerry", mtCustom, {mbOK});
    dialog->Show();
    display.PumpMessages();
    auto* message = static_cast<TLabel*>(dialog->FindComponent("Message"));
    TBitmap expected(message->Width(), message->Height());
    TCanvas& canvas = expected.Canvas();
    canvas.Brush().SetColor(dialog->Color());
    canvas.FillRect({0, 0, message->Width(), message->Height()});
    canvas.SetFont(message->Font());
    canvas.Brush().SetStyle(bsClear);
    RECT r{0, 0, message->Width(), message->Height()};
    DrawText(canvas.Handle(), "Tom & Jerry", -1, &r, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    WindowPixels pixels(dialog.get());
    int differing = 0;
    for (int y = 0; y < message->Height(); ++y)
        for (int x = 0; x < message->Width(); ++x)
            if (pixels.At(message, x, y) != static_cast<COLORREF>(canvas.Pixels(x, y))) ++differing;
    EXPECT_EQ(differing, 0);
}

TEST_F(MessageDialogsTest, MessageDlgPosPlacesTheDialogAndCentresAlongAMissingCoordinate) {
    struct Case {
        int x, y;
    };
    for (const Case& c : {Case{30, 40}, Case{-1, -1}, Case{30, -1}, Case{-1, 40}}) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        RECT place{};
        WhileShown(
            [&](TCustomForm& dialog) {
                GetWindowRect(dialog.Handle(), &place);
                Press(VK_RETURN);
            },
            [&] { return MessageDlgPos("Placed", mtInformation, {mbOK}, 0, c.x, c.y); });
        const int width = place.right - place.left, height = place.bottom - place.top;
        const int centredLeft = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        const int centredTop = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        EXPECT_NEAR(place.left, c.x >= 0 ? c.x : centredLeft, 1);
        EXPECT_NEAR(place.top, c.y >= 0 ? c.y : centredTop, 1);
    }
}

TEST_F(MessageDialogsTest, InputQueryAnswersTheTypedTextOnOkAndKeepsTheValueOtherwise) {
    struct Case {
        const char* name;
        std::function<void(MessageDialogsTest&, TCustomForm&)> answer;
        bool confirmed;
        std::string value;
    };
    const Case cases[] = {
        {"typed, Enter", [](MessageDialogsTest& t, TCustomForm&) {
             t.Type("new text");
             t.Press(VK_RETURN);
         }, true,
         "new text"},
        {"typed, OK clicked",
         [](MessageDialogsTest& t, TCustomForm& d) {
             t.Type("clicked");
             t.ClickOn(t.ButtonsOf(d).front());
         },
         true, "clicked"},
        {"kept, Enter", [](MessageDialogsTest& t, TCustomForm&) { t.Press(VK_RETURN); }, true, "old value"},
        {"typed, Escape", [](MessageDialogsTest& t, TCustomForm&) {
             t.Type("lost");
             t.Press(VK_ESCAPE);
         }, false,
         "old value"},
        {"typed, Cancel clicked",
         [](MessageDialogsTest& t, TCustomForm& d) {
             t.Type("lost");
             t.ClickOn(t.ButtonsOf(d).back());
         },
         false, "old value"},
        {"typed, closed",
         [](MessageDialogsTest& t, TCustomForm& d) {
             t.Type("lost");
             t.CloseCommand(d);
         },
         false, "old value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string value = "old value";
        bool confirmed = WhileShown(
            [&](TCustomForm& dialog) {
                char title[32] = {};
                GetWindowText(dialog.Handle(), title, sizeof title);
                EXPECT_STREQ(title, "Rename");
                std::vector<TButton*> buttons = ButtonsOf(dialog);
                ASSERT_EQ(buttons.size(), 2u);
                EXPECT_EQ(buttons[0]->Caption(), "OK");
                EXPECT_EQ(buttons[1]->Caption(), "Cancel");
                // The edit has the focus with the old value selected: typing replaces it.
                auto* edit = dynamic_cast<TEdit*>(dialog.ActiveControl());
                ASSERT_NE(edit, nullptr);
                EXPECT_TRUE(edit->Focused());
                EXPECT_EQ(edit->SelText(), "old value");
                c.answer(*this, dialog);
            },
            [&] { return InputQuery("Rename", "New name:", value); });
        EXPECT_EQ(confirmed, c.confirmed);
        EXPECT_EQ(value, c.value);
    }
    std::string boxed = WhileShown([&](TCustomForm&) { Press(VK_ESCAPE); },
                                   [] { return InputBox("Box", "Value:", "default"); });
    EXPECT_EQ(boxed, "default");
}

TEST_F(MessageDialogsTest, AMultiLinePromptStandsAboveTheEdit) {
    // The desktop program's password prompt: a path, a blank line, a sentence, a line end.
    const std::string prompt = "/home/user/Documents/a rather long folder name/report & summary.pdf\r\n\r\n"
                               "This PDF is password protected! Please enter the password:\r\n";
    std::string value;
    WhileShown(
        [&](TCustomForm& dialog) {
            TLabel* label = nullptr;
            TEdit* edit = nullptr;
            for (int i = 0; i < dialog.ControlCount(); ++i) {
                if (auto* l = dynamic_cast<TLabel*>(dialog.Controls(i))) label = l;
                if (auto* e = dynamic_cast<TEdit*>(dialog.Controls(i))) edit = e;
            }
            ASSERT_TRUE(label && edit);
            EXPECT_EQ(label->Caption(), prompt);
            const int lineHeight = -label->Font().Height();
            EXPECT_GE(label->Height(), 3 * lineHeight);
            EXPECT_GT(edit->Top(), label->Top() + label->Height());
            EXPECT_LE(label->Left() + label->Width(), dialog.ClientWidth());
            EXPECT_LE(edit->Left() + edit->Width(), dialog.ClientWidth());
            for (TButton* b : ButtonsOf(dialog)) {
                EXPECT_GT(b->Top(), edit->Top() + edit->Height());
                EXPECT_LE(b->Top() + b->Height(), dialog.ClientHeight());
            }
            Press(VK_ESCAPE);
        },
        [&] { return InputQuery("Password needed", prompt, value); });
}

// The desktop program masks the query's edit from the screen's active-form change: every
// single-line edit of the form that just became active gets the password character.
void MaskSingleLineEditsOfActiveForm(char32_t passwordChar) {
    TCustomForm* form = Screen->ActiveForm();
    if (!form) return;
    for (int i = 0; i < form->ControlCount(); ++i)
        if (auto* edit = dynamic_cast<TCustomEdit*>(form->Controls(i)); edit && !dynamic_cast<TCustomMemo*>(edit))
            edit->SetPasswordChar(passwordChar);
}

TEST_F(MessageDialogsTest, TheActiveFormChangeMasksTheQuerysEdit) {
    TForm* main = MakeForm(300, 200);
    auto* mainEdit = Child<TEdit>(main, 10, 10, 100, 21);
    Show(main);
    std::vector<std::string> activated;
    TNotifyEvent remembered = Screen->OnActiveFormChange;
    Screen->OnActiveFormChange = [&](TObject*) {
        if (Screen->ActiveForm()) activated.push_back(Screen->ActiveForm()->Caption());
        MaskSingleLineEditsOfActiveForm(U'*');
    };
    std::string password;
    bool confirmed = WhileShown(
        [&](TCustomForm& dialog) {
            auto* edit = dynamic_cast<TEdit*>(dialog.ActiveControl());
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(edit->PasswordChar(), U'*');
            EXPECT_EQ(SendMessage(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
            Type(" s3cret ");
            EXPECT_EQ(edit->DisplayText(), "********");
            Press(VK_RETURN);
        },
        [&] { return InputQuery("Password needed", "Password:", password); });
    Screen->OnActiveFormChange = remembered;
    MaskSingleLineEditsOfActiveForm(0);

    EXPECT_TRUE(confirmed);
    EXPECT_EQ(password, " s3cret ");  // as typed, blanks kept
    ASSERT_GE(activated.size(), 1u);
    EXPECT_EQ(activated.front(), "Password needed");
    EXPECT_EQ(Screen->ActiveForm(), main);
    EXPECT_EQ(mainEdit->PasswordChar(), 0u);
}

}  // namespace
}  // namespace parch
