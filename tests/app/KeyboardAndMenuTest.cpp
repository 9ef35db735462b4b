// The main window's short-cuts, obeyed or refused by the busy state, once per key press; the
// menu's web, mail, viewer and exit commands at the opener; saving the list under the name as
// chosen; and the About box driven by real clicks.

#include "app/UnitAboutDialog.h"
#include "framework/Application.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "platform/win/Input.h"
#include "tests/app/DesktopFixture.h"

namespace parch {
namespace {

using test::DesktopFixture;

class KeyboardAndMenuTest : public DesktopFixture {
protected:
    void SetUp() override {
        DesktopFixture::SetUp();
        ASSERT_TRUE(MakePreviewDocs());
    }
    std::string Doc(const char* name) const { return docs.Path() + name; }
    void CtrlKey(UINT key) {
        display.KeyDown(VK_CONTROL);
        display.PressKey(key);
        display.KeyUp(VK_CONTROL);
        Pump();
    }
    // While the About box is up, clicks the centre of the named control in it.
    void ClickInAboutBoxSoon(TMainForm& form, const std::string& name) {
        auto* timer = new TTimer(&form);
        timer->SetInterval(50);
        timer->SetOnTimer([this, &form, name, timer](TObject*) {
            if (!form.AboutBox || !form.AboutBox->Visible()) return;
            timer->SetEnabled(false);
            auto* control = dynamic_cast<TControl*>(form.AboutBox->FindComponent(name));
            aboutCaptions = {form.AboutBox->Caption(), form.AboutBox->sLabelSoftwareName->Caption(),
                             form.AboutBox->sLabel2->Caption(), form.AboutBox->sLabelDescription->Caption()};
            SaveScreen("about-box");
            const POINT centre = control->ClientToScreen({control->Width() / 2, control->Height() / 2});
            display.Click(centre.x, centre.y);
        });
    }
    std::vector<std::string> aboutCaptions;
};

TEST_F(KeyboardAndMenuTest, ShortCutsActOncePerPressAndOnlyWhenAllowed) {
    RunDesktop([&](TMainForm& form) {
        ASSERT_TRUE(AddDocuments(form, {Doc("three-pages.pdf")}));
        ASSERT_TRUE(SelectAndRender(form, 0));
        form.sListViewPDF->SetFocus();
        Pump();
        // Held Right: the repeats do nothing.
        display.KeyDown(VK_RIGHT);
        display.KeyDown(VK_RIGHT);
        display.KeyDown(VK_RIGHT);
        display.KeyUp(VK_RIGHT);
        Pump();
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPage, 2);
        display.PressKey(VK_LEFT);
        Pump();
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPage, 1);

        // Ctrl+A and Ctrl+F open their dialogs; Ctrl+O only while the list is empty.
        prompts.FilesToChoose.clear();
        CtrlKey('A');
        EXPECT_EQ(prompts.FileDialogs, 2);
        CtrlKey('F');
        EXPECT_EQ(prompts.FolderDialogs, 1);
        CtrlKey('O');
        EXPECT_EQ(prompts.FileDialogs, 2);
        CtrlKey('S');
        EXPECT_EQ(prompts.SaveDialogs, 1);

        // Busy: nothing but Ctrl+B; no page turns.
        form.Shared().IsReading = true;
        CtrlKey('A');
        CtrlKey('F');
        CtrlKey('S');
        CtrlKey('W');
        display.PressKey(VK_RIGHT);
        Pump();
        EXPECT_EQ(prompts.FileDialogs, 2);
        EXPECT_EQ(prompts.FolderDialogs, 1);
        EXPECT_EQ(prompts.SaveDialogs, 1);
        EXPECT_FALSE(Application->Terminated());
        EXPECT_FALSE(form.Shared().IsRendering);
        EXPECT_EQ(form.Shared().PreviewPage, 1);
        form.Shared().IsReading = false;

        // Ctrl released before the key: a plain key.
        display.KeyDown(VK_CONTROL);
        display.KeyUp(VK_CONTROL);
        display.PressKey('A');
        Pump();
        EXPECT_EQ(prompts.FileDialogs, 2);

        CtrlKey('W');
        EXPECT_TRUE(Application->Terminated());
    });
}

TEST_F(KeyboardAndMenuTest, WebMailAndViewerCommandsReachTheOpener) {
    const std::string log = InstallOpenerLog();
    RunDesktop([&](TMainForm& form) {
        AddDocuments(form, {Doc("small-page.pdf")});
        form.Defaultviewer1Click(&form);  // nothing selected: an empty target, refused
        ASSERT_TRUE(SelectAndRender(form, 0));
        EXPECT_TRUE(form.Defaultviewer1->Enabled());
        form.OpenWebsite(&form);
        form.Videotutorial1Click(&form);
        prompts.Answers = {mrCancel, mrOk};
        form.Feedback1Click(&form);
        form.Feedback1Click(&form);
        EXPECT_EQ(prompts.Messages.back().Text,
                  "Feedback\r\n\r\n  Please click on OK button to send any\r\n  comments or questions you may have!\r\n");
        CtrlKey('V');
        std::vector<std::string> opened = OpenedTargets(log, 4);
        std::sort(opened.begin(), opened.end());  // the opener runs detached
        EXPECT_EQ(opened, (std::vector<std::string>{Doc("small-page.pdf"), "http://www.parchwise.test/",
                                                    "http://www.parchwise.test/?playvideo", "mailto:feedback@www.parchwise.test"}));
    });
}

TEST_F(KeyboardAndMenuTest, SaveFileListUsesTheNameAsChosen) {
    RunDesktop([&](TMainForm& form) {
        ASSERT_TRUE(AddDocuments(form, {Doc("small-page.pdf")}));
        docs.Write("a.lst", "keep\r\n");
        prompts.FilesToChoose = {docs.Path() + "a.lst "};
        form.Savelist1Click(&form);
        EXPECT_EQ(ReadFileBytes(docs.Path() + "a.lst", 4096).value_or(""), "keep\r\n");
        EXPECT_EQ(ReadFileBytes(docs.Path() + "a.lst ", 4096).value_or(""), Doc("small-page.pdf") + "\r\n");
    });
}

TEST_F(KeyboardAndMenuTest, AboutBoxShowsTheProductAndItsDescriptionOpensTheWebsite) {
    const std::string log = InstallOpenerLog();
    RunDesktop([&](TMainForm& form) {
        ClickInAboutBoxSoon(form, "sBitBtnOK");
        CtrlKey('B');
        EXPECT_EQ(form.AboutBox, nullptr);
        EXPECT_EQ(aboutCaptions, (std::vector<std::string>{"About Parchwise", "Parchwise 9.8.7", "http://www.parchwise.test/",
                                                           "Professional PDF image and text content\r\nextraction tool."}));
        ClickInAboutBoxSoon(form, "sLabelDescription");
        form.sBitBtnAboutClick(&form);
        EXPECT_EQ(OpenedTargets(log, 1), (std::vector<std::string>{"http://www.parchwise.test/"}));
    });
}

}  // namespace
}  // namespace parch
