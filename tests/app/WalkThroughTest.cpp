// A user's session from start to end, in process on the headless display with the real workers
// and engines of a program folder: a list file, the open and folder dialogs, a drop, a masked
// password typed into the real prompt, paging and a page that cannot be drawn, page ranges, a
// run with its confirmation refused, short-cuts refused during the run, the list commands, the
// About box. The run's output equals Parchcli's for the same documents and options.

#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/Screen.h"
#include "framework/Timer.h"
#include "platform/os/Process.h"
#include "platform/win/FileDrop.h"
#include "platform/win/Input.h"
#include "platform/win/ListViewClass.h"
#include "platform/win/Messages.h"
#include "app/UnitAboutDialog.h"
#include "tests/app/DesktopFixture.h"

#include <map>

namespace parch {
namespace {

namespace fs = std::filesystem;
using test::DesktopFixture;

// The dialogs are scripted except the masked password prompt, which is the real one.
class RealPasswordPrompts : public test::ScriptedPrompts {
public:
    bool AskPassword(const std::string& caption, const std::string& prompt, std::string& value) override {
        PasswordPrompts.push_back(prompt);
        return DesktopPrompts::AskPassword(caption, prompt, value);
    }
};

std::map<std::string, std::string> OutputTree(const std::string& folder) {
    std::map<std::string, std::string> tree;
    if (!fs::exists(folder)) return tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            tree[fs::relative(entry.path(), folder).string()] = ReadFileBytes(entry.path().string(), 1 << 26).value_or("?");
    return tree;
}

class WalkThroughTest : public DesktopFixture {
protected:
    void SetUp() override {
        DesktopFixture::SetUp();
        fs::copy_file(std::string(PARCH_PROGRAM_DIR) + "Parchcli", program.Path() + "Parchcli");
        ASSERT_TRUE(MakePreviewDocs());
        fs::create_directories(docs.Path() + "folder");
        fs::create_directories(docs.Path() + "dropped");
        fs::copy_file(std::string(PARCH_SOURCE_DIR) + "/samples/sample.pdf", docs.Path() + "sample.pdf");
        fs::rename(docs.Path() + "locked.pdf", docs.Path() + "folder/locked.pdf");
        fs::copy_file(docs.Path() + "small-page.pdf", docs.Path() + "folder/small-copy.pdf");
        fs::copy_file(docs.Path() + "small-page.pdf", docs.Path() + "dropped/dropped-copy.pdf");
        docs.Write("start.lst", D("three-pages.pdf") + "\r\n" + D("sample.pdf") + "\r\n");
    }
    std::string D(const std::string& name) const { return docs.Path() + name; }
    void CtrlKey(UINT key) {
        display.KeyDown(VK_CONTROL);
        display.PressKey(key);
        display.KeyUp(VK_CONTROL);
        Pump();
    }
    // Types the password into the prompt once it is up, noting whether its edit masks with "*".
    void TypePasswordWhenAsked(TMainForm& form, const std::string& password) {
        auto* timer = new TTimer(&form);
        timer->SetInterval(50);
        timer->SetOnTimer([this, &form, password, timer](TObject*) {
            TCustomForm* prompt = Screen->ActiveForm();
            if (!prompt || prompt == &form) return;
            timer->SetEnabled(false);
            for (int i = 0; i < prompt->ComponentCount(); ++i)
                if (auto* edit = dynamic_cast<TEdit*>(prompt->Components(i))) maskCharacter = edit->PasswordChar();
            display.TypeText(password);
            display.PressKey(VK_RETURN);
        });
    }
    RealPasswordPrompts realPrompts;
    char32_t maskCharacter = 0;
};

TEST_F(WalkThroughTest, AUsersSessionFromListToOutput) {
    ParchdeskOptions options;
    options.LockPath = program.Path() + "Parchwise.lock";
    options.ProgramFolder = program.Path();
    options.Prompts = &realPrompts;
    test::ScriptedPrompts& p = realPrompts;
    const std::string opened = InstallOpenerLog();
    const std::string out = D("out");
    options.RunLoop = [&](TMainForm& form) {
        form.Show();
        Pump();
        // A list file while the list is empty, then the open dialog, the folder dialog and a drop.
        p.FilesToChoose = {D("start.lst")};
        CtrlKey('O');
        ASSERT_TRUE(WaitIdle(form));
        p.FilesToChoose = {D("small-page.pdf"), D("damaged-page.pdf"), D("three-pages.pdf")};
        CtrlKey('A');
        ASSERT_TRUE(WaitIdle(form));
        p.FolderToChoose = docs.Path() + "folder";
        TypePasswordWhenAsked(form, "user");
        CtrlKey('F');
        ASSERT_TRUE(WaitIdle(form));
        EXPECT_EQ(maskCharacter, U'*');
        const POINT list = form.sListViewPDF->ClientToScreen({100, 100});
        ASSERT_TRUE(win::DropFiles(list, {D("dropped"), D("sample.pdf")}));
        Pump();
        ASSERT_TRUE(WaitIdle(form));
        EXPECT_EQ(Captions(form),
                  (std::vector<std::string>{D("three-pages.pdf"), D("sample.pdf"), D("small-page.pdf"), D("damaged-page.pdf"),
                                            D("three-pages.pdf"), D("folder/locked.pdf"), D("folder/small-copy.pdf"),
                                            D("dropped/dropped-copy.pdf"), D("sample.pdf")}));
        EXPECT_EQ(Row(form, 5)[4], "user");
        EXPECT_EQ(Row(form, 5)[5], "picture 1");

        // Preview: paging through the first document, the locked one, the damaged page.
        ASSERT_TRUE(SelectAndRender(form, 0));
        EXPECT_EQ(form.sDecimalSpinEditPDFPager->MaxValue(), 3);
        form.sListViewPDF->SetFocus();
        display.PressKey(VK_RIGHT);
        Pump();
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPage, 2);
        form.ImagePDFLastPageClick(&form);
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPage, 3);
        ASSERT_TRUE(SelectAndRender(form, 5));
        EXPECT_TRUE(form.tImage32Preview->Visible());
        EXPECT_EQ(form.tImage32Preview->Bitmap().Width(), 267);
        ASSERT_TRUE(SelectAndRender(form, 3));
        ASSERT_FALSE(p.Messages.empty());
        EXPECT_EQ(p.Messages.back().Text, "The page is too large to render at this resolution\r\n");
        EXPECT_EQ(form.sPanelContent->Caption(), "Rendering error!");
        SaveScreen("walkthrough-rendering-error");

        // The list commands: duplicates go, the damaged and the locked documents are removed.
        form.Removeduplications1Click(&form);
        EXPECT_EQ(p.Messages.back().Text, "Duplications removed!");
        EXPECT_EQ(form.ItemCount(), 7);
        form.sButtonDeselectAllClick(&form);
        form.sListViewPDF->Items()[3]->SetChecked(true);  // damaged-page
        form.sListViewPDF->Items()[4]->SetChecked(true);  // locked
        p.Answers = {mrYes};
        form.sBitBtnRemoveClick(&form);
        EXPECT_EQ(Captions(form), (std::vector<std::string>{D("three-pages.pdf"), D("sample.pdf"), D("small-page.pdf"),
                                                            D("folder/small-copy.pdf"), D("dropped/dropped-copy.pdf")}));
        EXPECT_FALSE(form.tImage32Preview->Visible());
        form.sButtonSelectAllClick(&form);

        // Page ranges: all to "1", then the first document's by a click in its column.
        p.TextAnswers = {std::string("1"), std::string(" 2-3 ")};
        form.Settoall1Click(&form);
        int left = 0;
        for (int c = 0; c < 3; ++c) left += form.sListViewPDF->Columns().Items(c)->Width();
        RECT row{};
        row.left = LVIR_BOUNDS;
        SendMessage(form.sListViewPDF->Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
        const POINT cell = form.sListViewPDF->ClientToScreen({left + 10, (row.top + row.bottom) / 2});
        display.Click(cell.x, cell.y);
        Pump();
        EXPECT_EQ(Row(form, 0)[3], "2-3");
        EXPECT_EQ(Row(form, 1)[3], "1");

        // The output folder, the run (its Stop declined), short-cuts refused while it runs.
        p.FolderToChoose = out;
        fs::create_directories(out);
        form.sFilenameEditOutputClick(&form);
        EXPECT_EQ(form.sFilenameEditOutput->Text(), out);
        form.sCheckBoxImagesEnabled->SetChecked(false);
        ASSERT_TRUE(form.sSpeedButtonOpenFolder->Down());
        form.sBitBtnStartClick(&form);
        p.Answers = {mrNo};
        form.sBitBtnStartClick(&form);
        const int filesBefore = p.FileDialogs;
        CtrlKey('A');
        CtrlKey('W');
        EXPECT_EQ(p.FileDialogs, filesBefore);
        EXPECT_FALSE(Application->Terminated());
        ASSERT_TRUE(WaitIdle(form));
        for (int i = 0; i < form.ItemCount(); ++i) EXPECT_EQ(Row(form, i)[5], "picture 4") << i;
        SaveScreen("walkthrough-after-run");

        // Saving the list, the About box's description opens the web site, then Clear.
        p.FilesToChoose = {D("saved.lst")};
        CtrlKey('S');
        form.Clearall1Click(&form);
        auto* aboutTimer = new TTimer(&form);
        aboutTimer->SetInterval(50);
        aboutTimer->SetOnTimer([&](TObject*) {
            if (!form.AboutBox || !form.AboutBox->Visible()) return;
            aboutTimer->SetEnabled(false);
            TControl* description = dynamic_cast<TControl*>(form.AboutBox->FindComponent("sLabelDescription"));
            const POINT centre = description->ClientToScreen({description->Width() / 2, description->Height() / 2});
            display.Click(centre.x, centre.y);
        });
        CtrlKey('B');
        p.Answers = {mrYes};
        form.sBitBtnClearClick(&form);
        EXPECT_EQ(form.ItemCount(), 0);
        EXPECT_TRUE(form.Openlist1->Enabled());
    };
    ASSERT_EQ(RunParchdesk(options), 0);

    std::vector<std::string> targets = OpenedTargets(opened, 2);
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets, (std::vector<std::string>{out, "http://www.parchwise.test/"}));
    EXPECT_EQ(ReadFileBytes(D("saved.lst"), 4096).value_or(""),
              D("three-pages.pdf") + "\r\n" + D("sample.pdf") + "\r\n" + D("small-page.pdf") + "\r\n" +
                  D("folder/small-copy.pdf") + "\r\n" + D("dropped/dropped-copy.pdf") + "\r\n");

    // Parchcli, one call per document with the same options and ranges, writes the same files.
    const std::string cli = D("cli");
    const std::pair<std::string, std::string> documents[] = {{"three-pages.pdf", "2-3"},
                                                             {"sample.pdf", "1"},
                                                             {"small-page.pdf", "1"},
                                                             {"folder/small-copy.pdf", "1"},
                                                             {"dropped/dropped-copy.pdf", "1"}};
    for (const auto& [document, range] : documents) {
        const ProcessResult r =
            RunProcessCaptured({program.Path() + "Parchcli", "-inp", D(document), "-etx", "-out", cli, "-rng", range}, docs.Path());
        ASSERT_EQ(r.ExitCode, 0) << r.Output;
    }
    const auto expected = OutputTree(cli);
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_TRUE(OutputTree(out) == expected);
}

}  // namespace
}  // namespace parch
