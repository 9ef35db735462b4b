#include "cli/EngineSession.h"

#include "cli/ExecuteCMD.h"
#include "cli/ParamWrapper.h"
#include "base/SysUtils.h"
#include "platform/os/Files.h"

#include <future>
#include <vector>

namespace parch {

namespace {

constexpr std::string_view kEngines[] = {"pdfi", "textract", "iextract"};

}  // namespace

EngineSession::EngineSession(std::string programFolder)
    : programFolder_(std::move(programFolder)), lock_(programFolder_ + std::string(kLockFileName)) {
    if (!lock_.LockShared())
        throw Exception("Couldn't lock \"" + programFolder_ + std::string(kLockFileName) + "\"!");
}

EngineSession::~EngineSession() { Finish(); }

void EngineSession::Prepare(std::initializer_list<std::string_view> engines) {
    std::vector<std::string_view> missing;
    for (const std::string_view engine : engines)
        if (!FileExists(programFolder_ + std::string(engine) + ".bin")) missing.push_back(engine);
    // The package's own messages do not matter: a missing engine fails visibly when it is run.
    const auto produce = [this](std::string_view engine) {
        RunCommandCaptured(PackageCommandLine(engine).Arguments(), programFolder_);
    };
    // Side by side: a run waits for one package start instead of one after the other.
    std::vector<std::future<void>> others;
    for (std::size_t i = 1; i < missing.size(); ++i) others.push_back(std::async(std::launch::async, produce, missing[i]));
    if (!missing.empty()) produce(missing.front());
    for (std::future<void>& other : others) other.get();
}

void EngineSession::Finish() {
    if (finished_) return;
    finished_ = true;
    if (lock_.TryLockExclusive()) {
        for (const std::string_view engine : kEngines)
            DeleteFile(programFolder_ + std::string(engine) + ".bin");
    }
    lock_.Unlock();
}

}  // namespace parch
