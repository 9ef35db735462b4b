// The framework's open and save dialogs over the system's: owned by the active form, the
// choices read back (several files in the dialog's order, the type shown last), and what the
// desktop program asks of them: PDF files with multi-select, list files "*.lst" to open and save.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "framework/CommonDialogs.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

class CommonDialogsTest : public FormFixture {
protected:
    static constexpr UINT kStep = WM_APP + 11;
    std::string folder;
    TForm* form = nullptr;

    void SetUp() override {
        char pattern[] = "/tmp/commondlg-XXXXXX";
        folder = mkdtemp(pattern);
        for (const char* name : {"a.pdf", "b.pdf", "old.lst"}) std::ofstream(folder + "/" + name) << "x";
        form = MakeForm(300, 200);
        Show(form);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    // step runs in the dialog once it is up (posted before Execute, handled by the dialog's loop).
    void OnDialogShown(std::function<void(HWND)> step) {
        form->WindowProc = [step, old = form->WindowProc](TMessage& m) {
            if (m.Msg == kStep) {
                step(GetActiveWindow());
                return;
            }
            old(m);
        };
        PostMessage(form->Handle(), kStep, 0, 0);
    }

    // Types into the dialog's file-name box and presses Enter, handled as its loop would.
    void TypeAndEnter(HWND dialog, const std::string& text) {
        SetFocus(GetDlgItem(dialog, edt1));
        display.TypeText(text);
        display.PressKey(VK_RETURN);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!IsDialogMessage(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
    }
};

TEST_F(CommonDialogsTest, OpenDialogGivesSeveralPdfFilesInTheDialogsOrder) {
    TOpenDialog dialog(form);
    dialog.SetFilter("Portable Document Format (*.pdf)|*.pdf|All files|*.*");
    dialog.SetInitialDir(folder);
    dialog.SetOptions(dialog.Options() | ofAllowMultiSelect | ofPathMustExist | ofFileMustExist);
    HWND owner = nullptr;
    bool formDisabled = false;
    int modalLevel = 0;
    std::string caption;
    OnDialogShown([&](HWND shown) {
        owner = GetWindow(shown, GW_OWNER);
        formDisabled = !IsWindowEnabled(form->Handle());
        modalLevel = app.ModalLevel();
        caption = win::WindowText(shown);
        TypeAndEnter(shown, "\"b.pdf\" \"a.pdf\"");
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(owner, form->Handle());
    EXPECT_TRUE(formDisabled);
    EXPECT_EQ(modalLevel, 1);
    EXPECT_EQ(app.ModalLevel(), 0);
    EXPECT_EQ(caption, "Open");
    ASSERT_EQ(dialog.Files().Count(), 2);
    EXPECT_EQ(dialog.Files().Strings(0), folder + "/b.pdf");
    EXPECT_EQ(dialog.Files().Strings(1), folder + "/a.pdf");
    EXPECT_EQ(dialog.FileName(), folder + "/b.pdf");
    EXPECT_EQ(dialog.FilterIndex(), 1);

    // One file comes back as one path, the same way.
    OnDialogShown([&](HWND shown) { TypeAndEnter(shown, "a.pdf"); });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Files().Count(), 1);
    EXPECT_EQ(dialog.FileName(), folder + "/a.pdf");
}

TEST_F(CommonDialogsTest, ListFilesAreSavedWithTheirExtensionAndCancelKeepsTheName) {
    TSaveDialog dialog(form);
    dialog.SetTitle("Save PDF file list");
    dialog.SetFilter("List Text File (*.lst)|*.lst");
    dialog.SetDefaultExt("lst");
    dialog.SetInitialDir(folder);
    std::string caption;
    std::vector<std::string> listed;
    OnDialogShown([&](HWND shown) {
        caption = win::WindowText(shown);
        TypeAndEnter(shown, "documents");
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(caption, "Save PDF file list");
    EXPECT_EQ(dialog.FileName(), folder + "/documents.lst");
    EXPECT_FALSE(dialog.Options() & ofExtensionDifferent);

    OnDialogShown([&](HWND) { display.PressKey(VK_ESCAPE); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), folder + "/documents.lst");

    // The open dialog for list files starts from the name it was given and shows only lists.
    TOpenDialog open(form);
    open.SetFilter("List Text File (*.lst)|*.lst");
    open.SetFileName(folder + "/old.lst");
    OnDialogShown([&](HWND shown) {
        HWND list = GetDlgItem(shown, lst1);
        char text[64] = {};
        LVITEM item;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        const auto count = static_cast<int>(SendMessage(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            SendMessage(list, LVM_GETITEMTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            listed.emplace_back(text);
        }
        display.PressKey(VK_RETURN);
    });
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(listed, std::vector<std::string>{"old.lst"});
    EXPECT_EQ(open.FileName(), folder + "/old.lst");
}

}  // namespace
}  // namespace parch
