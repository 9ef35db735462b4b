#include "cli/ExecuteCMD.h"

#include "cli/EngineVerdict.h"

namespace parch {

ProcessResult RunCommandCaptured(const std::vector<std::string>& arguments,
                                 const std::string& workingFolder,
                                 const std::vector<int>& keptDescriptors,
                                 ProcessCancel* cancel) {
    return RunProcessCaptured(arguments, workingFolder, keptDescriptors, cancel);
}

void RunCommandCaptured(const std::string& commandLine, const std::string& workingFolder,
                        std::string& output) {
    const std::vector<std::string> arguments = SplitCommandWords(commandLine);
    const ProcessResult result = RunCommandCaptured(arguments, workingFolder);
    output = result.Output;
    const std::string program = arguments.empty() ? std::string() : arguments.front();
    if (!result.Started || (output.find_first_not_of(" \r\n") == std::string::npos && !EndedWell(result)))
        output = EndingText(program, result) + "\r\n";
}

}  // namespace parch
