#pragma once
// Starts every outside program the extraction uses (engines and their packages) and hands
// back what it printed. No shell is involved: the first word is the program, found in the
// working folder first, then along PATH.

#include <string>
#include <vector>

namespace parch {

// The command line is split into words; double quotes group words. Kept for callers that
// hold a command as text.
void RunCommandCaptured(const std::string& commandLine, const std::string& workingFolder,
                        std::string& output);

// Runs the program arguments[0] with the given arguments. output receives standard output
// and standard error as written; a program that cannot be started, or that dies silently,
// leaves a message there, so callers that judge by the output see a failure.
void RunCommandCaptured(const std::vector<std::string>& arguments,
                        const std::string& workingFolder, std::string& output);

}  // namespace parch
