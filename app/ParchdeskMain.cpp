#include "app/ParchdeskMain.h"

#include "app/InstanceLock.h"
#include "app/MainWindow.h"
#include "bitmap32/view/ThemeLibrary.h"
#include "framework/Application.h"

#include <cstdio>

namespace parch {

int RunParchdesk(const ParchdeskOptions& options) {
    DesktopPrompts standardPrompts;
    DesktopPrompts& prompts = options.Prompts ? *options.Prompts : standardPrompts;
    // The application comes first: the message that another instance runs is a modal form.
    TApplication application;
    application.Initialize();
    application.SetTitle("Parchwise");
    const InstanceLock lock(options.LockPath);
    if (lock.State() == InstanceLockState::HeldElsewhere) {
        prompts.Message(kAlreadyRunning, mtWarning, {mbOK});
        return 0;
    }
    if (lock.State() == InstanceLockState::Unavailable)
        std::fprintf(stderr, "Parchdesk: the lock file \"%s\" cannot be used; starting without it\n", options.LockPath.c_str());

    // The preview's image control looks up its theme through this for the program's lifetime.
    const TThemeSupport themeSupport;
    PendingDesktopSetup = {options.ProgramFolder, &prompts};
    TMainForm* form = nullptr;
    application.CreateForm(form);
    PendingDesktopSetup = {};
    if (!application.Terminated()) options.RunLoop(*form);
    return 0;
}

}  // namespace parch
