#pragma once
// Parchcli's main block: registry values, banner, usage, engines, page count, the text or
// image runs and the clean-up. Every line goes to out, followed by CR LF.

#include "cli/ParamWrapper.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

enum ParchcliExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,  // initialization error, no page count, engine, save or folder failure
    kExitUsage = 2,
};

// A banner line centred for 48 columns.
std::string CenterText(std::string_view text);

class ParchcliMain {
public:
    explicit ParchcliMain(std::ostream& out) : out_(out) {}

    // Runs one extraction for the program's arguments (without the program name).
    int Run(const std::vector<std::string>& arguments);

    void PrintBanner();
    void PrintUsage();

private:
    int RunGuarded(const std::vector<std::string>& arguments);
    bool RunWholeDocument(const RunParameters& params, const EngineCommandLine& tail,
                          const std::string& scratchFolder);
    bool RunPerPage(const RunParameters& params, const EngineCommandLine& tail,
                    const std::string& scratchFolder);
    bool RunAndConvert(const RunParameters& params, const EngineCommandLine& command,
                       const std::string& scratchFolder, std::int32_t page);
    std::string RunEngine(const EngineCommandLine& command, bool textMode);
    void PrintInitializationError();
    void PrintLine(std::string_view text);

    std::ostream& out_;
    std::string programFolder_;
    std::string version_;
    std::string website_;
    bool bannerPending_ = true;
};

}  // namespace parch
