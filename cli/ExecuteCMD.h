#pragma once
// Starts every outside program the extraction uses (engines and their packages) and hands
// back what it printed and how it ended. No shell is involved: the first word is the program,
// found in the working folder first, then along PATH.

#include "platform/os/Process.h"

#include <string>
#include <vector>

namespace parch {

// Runs the program arguments[0] with the given arguments. The result holds standard output
// and standard error as written, the exit code or signal, or why it could not be started.
// keptDescriptors reach the program (a lock it is to hold while it runs); a given cancel can
// end it from another thread.
ProcessResult RunCommandCaptured(const std::vector<std::string>& arguments,
                                 const std::string& workingFolder,
                                 const std::vector<int>& keptDescriptors = {},
                                 ProcessCancel* cancel = nullptr);

// The command line is split into words; double quotes group words. For callers that hold a
// command as text and judge by the text alone: a program that cannot be started, or that
// fails silently, leaves a message in output, so such callers see a failure.
void RunCommandCaptured(const std::string& commandLine, const std::string& workingFolder,
                        std::string& output);

}  // namespace parch
