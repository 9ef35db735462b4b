#include "cli/ExecuteCMD.h"

#include "base/SysUtils.h"
#include "platform/os/Process.h"

namespace parch {

void RunCommandCaptured(const std::string& commandLine, const std::string& workingFolder,
                        std::string& output) {
    RunCommandCaptured(SplitCommandWords(commandLine), workingFolder, output);
}

void RunCommandCaptured(const std::vector<std::string>& arguments,
                        const std::string& workingFolder, std::string& output) {
    const ProcessResult result = RunProcessCaptured(arguments, workingFolder);
    if (!result.Started) {
        output = "Couldn't run the command: " + result.StartError + "\r\n";
        return;
    }
    output = result.Output;
    if (!Trim(output).empty()) return;
    const std::string program = arguments.front();
    if (result.Signal != 0)
        output = "\"" + program + "\" was stopped by signal " + IntToStr(result.Signal) + "\r\n";
    else if (result.ExitCode != 0)
        output = "\"" + program + "\" ended with exit code " + IntToStr(result.ExitCode) + "\r\n";
}

}  // namespace parch
