#pragma once
// Starting outside programs directly (no shell) with their output captured.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

struct ProcessResult {
    bool Started = false;
    std::string Output;      // standard output and standard error, in the order written
    std::string StartError;  // why the program could not be started
    int ExitCode = -1;       // when it ended normally
    int Signal = 0;          // when a signal ended it
    bool Truncated = false;  // output beyond the capture limit was drained and dropped
};

// Splits a command line into words at blanks; double quotes group words and are removed.
std::vector<std::string> SplitCommandWords(std::string_view commandLine);

// The path of an executable: a name with "/" is taken relative to the working folder; a bare
// name is looked for in the working folder first, then along PATH.
std::optional<std::string> FindProgram(std::string_view name, std::string_view workingFolder);

// Runs arguments[0] with the given arguments in the working folder and waits for its end.
// Standard input is /dev/null; standard output and standard error share one pipe that is
// drained while the child runs. No other descriptor reaches the child.
ProcessResult RunProcessCaptured(const std::vector<std::string>& arguments,
                                 const std::string& workingFolder);

}  // namespace parch
