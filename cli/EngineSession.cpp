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

void EngineSession::Prepare(std::string_view engine) {
    if (FileExists(programFolder_ + std::string(engine) + ".bin")) return;
    // The package's own messages do not matter: a missing engine fails visibly when it is run.
    RunCommandCaptured(PackageCommandLine(engine).Arguments(), programFolder_);
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
