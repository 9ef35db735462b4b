#pragma once
// Ends the engines of one run from another thread: each engine run is handed the marker
// descriptor, and Cancel() ends the process group of every process that holds it (SIGTERM,
// then SIGKILL to those still there after a grace period). Engines started after Cancel()
// are ended at once by the caller's own check of Cancelled().

#include <atomic>
#include <chrono>

namespace parch {

class EngineCancel {
public:
    EngineCancel();  // raises Exception when the marker cannot be made
    ~EngineCancel();
    EngineCancel(const EngineCancel&) = delete;
    EngineCancel& operator=(const EngineCancel&) = delete;

    // For the kept descriptors of each engine run.
    int MarkerDescriptor() const { return marker_[1]; }
    // Safe from any thread; returns once the engines are gone or were sent SIGKILL.
    void Cancel(std::chrono::milliseconds grace = std::chrono::milliseconds(1000));
    bool Cancelled() const { return cancelled_; }

private:
    int marker_[2] = {-1, -1};
    std::atomic<bool> cancelled_{false};
};

}  // namespace parch
