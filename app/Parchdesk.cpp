// Parchdesk on screen: the program block over the SDL2 display.

#include "app/InstanceLock.h"
#include "app/MainWindow.h"
#include "app/ParchdeskMain.h"
#include "framework/Application.h"
#include "platform/display/SdlDisplay.h"

#include <chrono>
#include <cstdio>
#include <thread>

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
        while (!Application->Terminated()) {
            Application->ProcessMessages();
            if (!display->Pump()) form.Close();
            // Short, so that a worker's call onto this thread waits little.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    };
    return RunParchdesk(options);
}
