// Parchdesk on screen: the program block over the SDL2 display.

#include "app/InstanceLock.h"
#include "app/MainWindow.h"
#include "app/ParchdeskMain.h"
#include "framework/Application.h"
#include "platform/display/SdlDisplay.h"

#include <cstdio>

int main() {
    using namespace parch;
    std::unique_ptr<SdlDisplay> display = SdlDisplay::Open();
    if (!display) {
        std::fprintf(stderr, "Parchdesk: no display could be opened\n");
        return 1;
    }
    ParchdeskOptions options;
    options.LockPath = InstanceLock::DefaultPath();
    options.RunLoop = [&display](TMainForm& form) {
        form.Show();
        // Waiting for messages serves the display too (see SdlDisplay::Pump).
        while (!Application->Terminated()) {
            Application->HandleMessage();
            if (display->TakeQuitRequest()) form.Close();
        }
    };
    return RunParchdesk(options);
}
