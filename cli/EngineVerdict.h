#pragma once
// How both programs judge an engine run: the exit status decides. What a successful engine
// printed is only a warning and never withholds its output; a failed run (non-zero exit, a
// signal, no start) shows what the engine printed and how it ended.

#include "platform/os/Process.h"

#include <string>
#include <vector>

namespace parch {

struct EngineVerdict {
    bool Succeeded = false;
    // Success: the lines the engine printed (warnings). Failure: the lines it printed, then
    // one line telling how it ended or why it could not start.
    std::vector<std::string> Lines;
};

EngineVerdict JudgeEngineRun(const std::string& program, const ProcessResult& run);

// Started, and ended by itself with exit code 0.
bool EndedWell(const ProcessResult& run);

// "\"<program>\" ended with exit code 3", "... was stopped by signal 9", or why it did not start.
std::string EndingText(const std::string& program, const ProcessResult& run);

// The non-blank lines of an engine's output, without their line ends.
std::vector<std::string> OutputLines(const std::string& output);

}  // namespace parch
