#include "cli/EngineVerdict.h"

namespace parch {

bool EndedWell(const ProcessResult& run) { return run.Started && run.Signal == 0 && run.ExitCode == 0; }

std::string EndingText(const std::string& program, const ProcessResult& run) {
    if (!run.Started) return "Couldn't run the command: " + run.StartError;
    if (run.Signal != 0) return "\"" + program + "\" was stopped by signal " + std::to_string(run.Signal);
    return "\"" + program + "\" ended with exit code " + std::to_string(run.ExitCode);
}

std::vector<std::string> OutputLines(const std::string& output) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

EngineVerdict JudgeEngineRun(const std::string& program, const ProcessResult& run) {
    EngineVerdict verdict;
    verdict.Succeeded = EndedWell(run);
    verdict.Lines = OutputLines(run.Output);
    if (!verdict.Succeeded) verdict.Lines.push_back(EndingText(program, run));
    return verdict;
}

}  // namespace parch
