#pragma once
// Parchcli's main block: registry values, banner, usage, engines, page count, the text or
// image runs and the clean-up. Every line goes to the line printer, which ends it with CR LF.

#include "cli/EngineVerdict.h"
#include "cli/ImageConversion.h"
#include "cli/ParamWrapper.h"
#include "cli/ScratchFolder.h"

#include <string>
#include <string_view>
#include <vector>

namespace parch {

enum ParchcliExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,  // initialization error, no page count, engine, save or folder failure
    kExitUsage = 2,
    kExitInterrupted = 128,  // plus the signal that ended the run (SIGINT 130, SIGTERM 143)
};

// A banner line centred for 48 columns.
std::string CenterText(std::string_view text);

class ParchcliMain {
public:
    explicit ParchcliMain(LinePrinter printLine) : printLine_(std::move(printLine)) {}

    // Runs one extraction for the program's arguments (without the program name). SIGINT and
    // SIGTERM end the running engine and the run, which cleans up and answers 128 + signal.
    int Run(const std::vector<std::string>& arguments);

    void PrintBanner();
    void PrintUsage();

private:
    int RunGuarded(const std::vector<std::string>& arguments);
    bool RunWholeDocument(const RunParameters& params, const EngineCommandLine& tail,
                          const ScratchFolder* scratch);
    bool RunPerPage(const RunParameters& params, const EngineCommandLine& tail,
                    const ScratchFolder* scratch);
    bool RunAndConvert(const RunParameters& params, const EngineCommandLine& command,
                       const ScratchFolder* scratch, std::int32_t page);
    EngineVerdict RunEngine(const EngineCommandLine& command, bool textMode,
                            const std::vector<int>& keptDescriptors);
    void PrintInitializationError();
    void PrintLine(std::string_view text);

    LinePrinter printLine_;
    std::string programFolder_;
    std::string version_;
    std::string website_;
    bool bannerPending_ = true;
};

}  // namespace parch
