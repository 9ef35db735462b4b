#pragma once
// Parchdesk in process on the headless display: a program folder of its own (the built engine
// packages and a test hive), scripted answers to every dialog, and waits on conditions.

#include "app/MainWindow.h"
#include "app/ParchdeskMain.h"
#include "framework/Application.h"
#include "framework/ListView.h"
#include "framework/StdCtrls.h"
#include "framework/Buttons.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/display/PngFile.h"
#include "platform/win/Compositor.h"
#include "platform/os/Files.h"
#include "tests/platform/os/ScratchDir.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <fstream>
#include <optional>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace parch::test {

struct ShownMessage {
    std::string Text;
    TMsgDlgType Type;
};

// Answers every dialog from the script and records what was shown.
class ScriptedPrompts : public DesktopPrompts {
public:
    std::vector<ShownMessage> Messages;
    std::deque<TModalResult> Answers;  // for dialogs with more than an OK button
    std::deque<std::optional<std::string>> Passwords;  // nothing: Cancel
    std::vector<std::string> PasswordPrompts;
    std::vector<std::string> FilesToChoose;
    std::string FolderToChoose;
    std::function<void()> DuringMessage;  // runs inside the next message, once

    TModalResult Message(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) override {
        Messages.push_back({text, type});
        if (DuringMessage) std::exchange(DuringMessage, nullptr)();
        if (buttons == TMsgDlgButtons{mbOK} || Answers.empty()) return mrOk;
        const TModalResult answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    bool AskPassword(const std::string&, const std::string& prompt, std::string& value) override {
        PasswordPrompts.push_back(prompt);
        if (Passwords.empty() || !Passwords.front()) {
            if (!Passwords.empty()) Passwords.pop_front();
            return false;
        }
        value = *Passwords.front();
        Passwords.pop_front();
        return true;
    }
    std::vector<std::string> ChooseFiles(const std::string&, const std::string&, bool) override {
        ++FileDialogs;
        return FilesToChoose;
    }
    std::string ChooseFolder(const std::string&) override {
        ++FolderDialogs;
        return FolderToChoose;
    }
    std::string ChooseSaveFile(const std::string&, const std::string&) override {
        ++SaveDialogs;
        return FilesToChoose.empty() ? "" : FilesToChoose.front();
    }
    // The input query: the caption and prompt asked, answered from TextAnswers (nothing: Cancel).
    bool AskText(const std::string& caption, const std::string& prompt, std::string& value) override {
        TextQueries.push_back({caption, prompt, value});
        if (TextAnswers.empty()) return false;
        std::optional<std::string> answer = TextAnswers.front();
        TextAnswers.pop_front();
        if (!answer) return false;
        value = *answer;
        return true;
    }
    int FileDialogs = 0;
    int FolderDialogs = 0;
    int SaveDialogs = 0;
    std::vector<std::array<std::string, 3>> TextQueries;  // caption, prompt, initial answer
    std::deque<std::optional<std::string>> TextAnswers;
};

inline constexpr std::chrono::seconds kGenerousBound{120};

class DesktopFixture : public ::testing::Test {
protected:
    HeadlessDisplay display;
    ScratchDir program;
    ScratchDir docs;
    ScriptedPrompts prompts;

    void SetUp() override {
        namespace fs = std::filesystem;
        for (const char* name : {"textract.dat", "iextract.dat", "pdfi.dat"})
            fs::copy_file(std::string(PARCH_PROGRAM_DIR) + name, program.Path() + name);
        WriteHive("9.8.7", "http://www.parchwise.test/");
        ::setenv("PARCH_REGISTRY_HIVE", (program.Path() + "Parchwise.reg").c_str(), 1);
        // The web check never leaves the machine: a closed local port refuses at once.
        ::setenv("PARCH_WEB_BASE", "http://127.0.0.1:9/", 1);
    }
    void TearDown() override {
        ::unsetenv("PARCH_REGISTRY_HIVE");
        ::unsetenv("PARCH_SHELL_OPEN");
        ::unsetenv("PARCH_WEB_BASE");
    }

    // three-pages.pdf, small-page.pdf and damaged-page.pdf in the documents folder.
    bool MakePreviewDocs() const {
        const std::string command =
            "/usr/bin/python3 '" PARCH_SOURCE_DIR "/tests/app/make_preview_docs.py' '" + docs.Path() + "'";
        return std::system(command.c_str()) == 0;
    }

    // An opener that appends each target it is handed to a log, one line each; answers the
    // log's path.
    std::string InstallOpenerLog() const {
        const std::string log = docs.Path() + "opened.log";
        docs.Write("log-opener.sh", "#!/bin/sh\necho \"$@\" >> '" + log + "'\n");
        std::filesystem::permissions(docs.Path() + "log-opener.sh", std::filesystem::perms::owner_all);
        ::setenv("PARCH_SHELL_OPEN", (docs.Path() + "log-opener.sh").c_str(), 1);
        return log;
    }
    // The lines of the opener's log once it holds at least `count` of them.
    std::vector<std::string> OpenedTargets(const std::string& log, std::size_t count) {
        std::vector<std::string> lines;
        PumpUntil([&] {
            lines.clear();
            std::ifstream in(log);
            for (std::string line; std::getline(in, line);) lines.push_back(line);
            return lines.size() >= count;
        });
        return lines;
    }

    // Empty values are left out of the hive.
    void WriteHive(const std::string& version, const std::string& website) const {
        std::string hive = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\r\n";
        if (!version.empty()) hive += "\"Version\"=\"" + version + "\"\r\n";
        if (!website.empty()) hive += "\"Website\"=\"" + website + "\"\r\n";
        program.Write("Parchwise.reg", hive);
    }

    // Runs Parchdesk with script running inside its message loop; the window closes after it.
    int RunDesktop(const std::function<void(TMainForm&)>& script, std::string lockPath = {}) {
        ParchdeskOptions options;
        options.LockPath = lockPath.empty() ? program.Path() + "Parchwise.lock" : lockPath;
        options.ProgramFolder = program.Path();
        options.Prompts = &prompts;
        options.RunLoop = [this, &script](TMainForm& form) {
            form.Show();
            Pump();
            script(form);
            form.Close();
            Pump();
        };
        return RunParchdesk(options);
    }

    void Pump() {
        Application->ProcessMessages();
        display.PumpMessages();
    }

    // Serves the GUI thread until done() holds; false when it did not within the bound.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto giveUp = std::chrono::steady_clock::now() + kGenerousBound;
        while (!done()) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            Pump();
            std::this_thread::yield();
        }
        return true;
    }

    // Until the reading or run that the last command started has ended.
    bool WaitIdle(TMainForm& form) {
        return PumpUntil([&form] {
            DesktopShared& s = form.Shared();
            return !s.IsReading && !s.IsExtracting && (!s.Reading || s.Reading.Finished()) &&
                   (!s.Conversion || s.Conversion.Finished());
        });
    }

    // Until no page render is running.
    bool WaitRendered(TMainForm& form) {
        return PumpUntil([&form] {
            const DesktopShared& s = form.Shared();
            return !s.IsRendering && (!s.Rendering || s.Rendering.Finished());
        });
    }

    // Adds the documents through the open dialog and waits until they are read.
    bool AddDocuments(TMainForm& form, std::vector<std::string> paths) {
        prompts.FilesToChoose = std::move(paths);
        form.sBitBtnAddPDFClick(&form);
        return WaitIdle(form);
    }

    // Selects the item as a click would and waits for its page.
    bool SelectAndRender(TMainForm& form, int index) {
        form.sListViewPDF->SetSelected(form.sListViewPDF->Items()[index]);
        return WaitRendered(form);
    }

    // The headless screen as a PNG, when PARCH_SAVE_PICTURES names a folder.
    void SaveScreen(const std::string& name) {
        Pump();
        const char* folder = std::getenv("PARCH_SAVE_PICTURES");
        if (!folder) return;
        HBITMAP screen = CaptureScreen();
        EXPECT_TRUE(SavePng(screen, std::string(folder) + "/" + name + ".png"));
        DeleteObject(screen);
    }

    static std::vector<std::string> Captions(TMainForm& form) {
        std::vector<std::string> captions;
        for (int i = 0; i < form.sListViewPDF->Items().Count(); ++i) captions.push_back(form.sListViewPDF->Items()[i]->Caption());
        return captions;
    }
    static std::vector<std::string> Row(TMainForm& form, int index) {
        TListItem* item = form.sListViewPDF->Items()[index];
        std::vector<std::string> row{item->Caption()};
        for (int i = 0; i < item->SubItems().Count(); ++i) row.push_back(item->SubItems().Strings(i));
        row.push_back("picture " + std::to_string(item->ImageIndex()));
        row.push_back(item->Checked() ? "checked" : "unchecked");
        return row;
    }
};

}  // namespace parch::test
