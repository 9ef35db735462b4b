#pragma once
// Parchdesk's program block: one instance per user, the application and its main window, the
// message loop. The display is the caller's (SDL2 on screen, the headless one in tests).

#include "app/DesktopPrompts.h"

#include <functional>
#include <string>

namespace parch {

class TMainForm;

struct ParchdeskOptions {
    std::string LockPath;       // the single-instance lock file
    std::string ProgramFolder;  // empty: the folder of the running program
    DesktopPrompts* Prompts = nullptr;
    // Runs the message loop while the main window lives; returns when the application ends.
    std::function<void(TMainForm& form)> RunLoop;
};

constexpr const char* kAlreadyRunning = "An instance of Parchwise is already running!";

// Answers the program's exit code.
int RunParchdesk(const ParchdeskOptions& options);

}  // namespace parch
