#include "cli/EngineSession.h"

#include "cli/ExecuteCMD.h"
#include "cli/ParamWrapper.h"
#include "base/SysUtils.h"
#include "platform/os/Files.h"

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
    if (engines.size() == 0) return;
    // Side by side: a run waits for one package start instead of one after the other.
    std::vector<std::future<void>> others;
    for (auto engine = std::next(engines.begin()); engine != engines.end(); ++engine)
        if (auto package = Produce(*engine)) others.push_back(std::move(*package));
    const std::string_view first = *engines.begin();
    if (!FileExists(EnginePath(first))) RunCommandCaptured(PackageCommandLine(first).Arguments(), programFolder_);
    for (std::future<void>& package : others) package.get();
}

void EngineSession::PrepareMeanwhile(std::string_view engine) {
    if (auto package = Produce(engine)) producing_.push_back(std::move(*package));
}

std::string EngineSession::EnginePath(std::string_view engine) const {
    return programFolder_ + std::string(engine) + ".bin";
}

std::optional<std::future<void>> EngineSession::Produce(std::string_view engine) {
    if (FileExists(EnginePath(engine))) return std::nullopt;
    // The package's own messages do not matter: a missing engine fails visibly when it is run.
    return std::async(std::launch::async, [this, command = PackageCommandLine(engine)] {
        RunCommandCaptured(command.Arguments(), programFolder_);
    });
}

void EngineSession::AwaitPrepared() {
    std::vector<std::future<void>> producing = std::move(producing_);
    producing_.clear();
    for (std::future<void>& package : producing) package.get();
}

void EngineSession::Finish() {
    if (finished_) return;
    finished_ = true;
    // A package still running would put its engine back after the deletion.
    for (std::future<void>& package : producing_) package.wait();
    producing_.clear();
    if (lock_.TryLockExclusive()) {
        for (const std::string_view engine : kEngines)
            DeleteFile(EnginePath(engine));
    }
    lock_.Unlock();
}

}  // namespace parch
