#pragma once
// One run's use of the engines in the program folder. Runs of both programs share the engine
// files: each run holds a shared lock on the folder's lock file for as long as it may start
// an engine, and the engines are deleted only by a run that can take that lock exclusively
// without waiting, i.e. when no other run is using them.

#include "platform/os/FileLock.h"

#include <future>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

class EngineSession {
public:
    // Waits while another run is deleting the engines. Raises Exception when the lock file
    // cannot be used.
    explicit EngineSession(std::string programFolder);
    ~EngineSession();  // Finish(), when not done yet
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    // Produces each "<engine>.bin" that is missing from its package "<engine>.dat"; the
    // packages run side by side.
    void Prepare(std::initializer_list<std::string_view> engines);

    // Starts producing the engine, when it is missing, and returns at once: the run goes on
    // with what needs no such engine. AwaitPrepared() waits until it is there.
    void PrepareMeanwhile(std::string_view engine);
    void AwaitPrepared();

    // Ends this run's use, once the engines being produced are there; deletes the engines when
    // no other run holds the lock.
    void Finish();

    static constexpr std::string_view kLockFileName = "engines.lock";

private:
    std::string EnginePath(std::string_view engine) const;
    // A package run started for a missing engine; none when the engine is there.
    std::optional<std::future<void>> Produce(std::string_view engine);

    std::string programFolder_;
    FileLock lock_;
    std::vector<std::future<void>> producing_;
    bool finished_ = false;
};

}  // namespace parch
