// Parchcli: extracts the text or the images of one PDF document per call.

#include "cli/Parchcli/ParchcliMain.h"

#include <cstdio>

namespace {

// Through C's standard output rather than the C++ streams, whose set-up (every locale facet)
// would be most of the program's own start. Flushed at once: progress must show while an
// engine runs.
void PrintLine(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputs("\r\n", stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    parch::ParchcliMain program(PrintLine);
    return program.Run(arguments);
}
