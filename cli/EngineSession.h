#pragma once
// One run's use of the engines in the program folder. Runs of both programs share the engine
// files: each run holds a shared lock on the folder's lock file for as long as it may start
// an engine, and the engines are deleted only by a run that can take that lock exclusively
// without waiting, i.e. when no other run is using them.

#include "platform/os/FileLock.h"

#include <initializer_list>
#include <string>
#include <string_view>

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

    // Ends this run's use; deletes the engines when no other run holds the lock.
    void Finish();

    static constexpr std::string_view kLockFileName = "engines.lock";

private:
    std::string programFolder_;
    FileLock lock_;
    bool finished_ = false;
};

}  // namespace parch
