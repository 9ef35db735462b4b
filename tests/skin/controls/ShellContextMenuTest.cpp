#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ShellPins.h"
#include "framework/CustomControls.h"
#include "skin/controls/acShellCtrls.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

// A control that takes part in menu commands: it handles the verbs it is told to and logs what
// the menu asks of it. Once the menu is up it runs the test's user actions.
class VerbControl : public TCustomControl, public IacShellVerbHandler {
public:
    using TCustomControl::TCustomControl;

    void HandleVerb(const std::string& verb, bool& handled) override {
        log.push_back("handle " + verb);
        handled = verb == handledVerb;
    }
    void VerbCompleted(const std::string& verb, bool succeeded) override {
        log.push_back("done " + verb + (succeeded ? " ok" : " failed"));
    }

    std::vector<std::string> log;
    std::string handledVerb;
    std::function<void()> whenMenuIsUp;
    bool trackedWhileUp = false;

protected:
    void WndProc(TMessage& message) override {
        if (message.Msg == WM_INITMENUPOPUP && whenMenuIsUp) {
            trackedWhileUp = TrackedShellContextMenu() != nullptr;
            PostMessage(Handle(), WM_APP, 0, 0);
        }
        if (message.Msg == WM_APP && whenMenuIsUp) {
            auto user = std::move(whenMenuIsUp);
            whenMenuIsUp = nullptr;
            user();
            return;
        }
        TCustomControl::WndProc(message);
    }
};

class ShellContextMenu : public FormFixture {
protected:
    void SetUp() override {
        test::PinShellEnvironment();
        folderPath_ = scratch_.Path() + "items";
        fs::create_directories(folderPath_);
        TacRoot root = folderPath_;
        folder_ = ChangeRootFolder(nullptr, "rfDesktop", root, [](const std::string& m) { ADD_FAILURE() << m; });
        form_ = MakeForm(300, 200);
        control_ = Child<VerbControl>(form_, 10, 10, 200, 150);
        Show(form_);
    }

    std::unique_ptr<TacShellFolder> Item(const std::string& name) {
        std::ofstream(folderPath_ + "/" + name) << "content";
        LPITEMIDLIST id = nullptr;
        ULONG eaten = 0;
        if (FAILED(folder_->ShellFolder()->ParseDisplayName(name, &eaten, &id, nullptr))) return nullptr;
        TIdList owned(id);
        return std::make_unique<TacShellFolder>(folder_.get(), nullptr, id);
    }

    test::ScratchDir scratch_;
    std::string folderPath_;
    std::unique_ptr<TacShellFolder> folder_;
    TForm* form_ = nullptr;
    VerbControl* control_ = nullptr;
};

TEST_F(ShellContextMenu, ChosenVerbsGoToTheControlFirstThenToTheShell) {
    struct Case {
        const char* name;
        std::vector<UINT> keys;
        std::string handledVerb;
        std::vector<std::string> log;
        bool fileStays;
    } cases[] = {
        {"open taken by the control", {VK_DOWN, VK_RETURN}, "open", {"handle open", "done open ok"}, true},
        {"trash left to the shell", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, "open", {"handle delete", "done delete ok"}, false},
        {"escape chooses nothing", {VK_ESCAPE}, "open", {}, true},
    };
    for (const auto& c : cases) {
        const std::string name = std::string(c.name).substr(0, 4) + ".txt";
        auto item = Item(name);
        ASSERT_TRUE(item) << c.name;
        control_->log.clear();
        control_->handledVerb = c.handledVerb;
        control_->trackedWhileUp = false;
        control_->whenMenuIsUp = [&] {
            for (UINT key : c.keys) display.PressKey(key);
        };
        ShowShellContextMenu(control_, item.get(), 20, 20);
        EXPECT_EQ(control_->log, c.log) << c.name;
        EXPECT_TRUE(control_->trackedWhileUp) << c.name;
        EXPECT_EQ(TrackedShellContextMenu(), nullptr) << c.name;
        EXPECT_EQ(fs::exists(folderPath_ + "/" + name), c.fileStays) << c.name;
        display.PumpMessages();
    }
    ShowShellContextMenu(control_, nullptr, 20, 20);  // nothing to show, nothing happens
    EXPECT_TRUE(control_->log.empty());
}

}  // namespace
}  // namespace parch
