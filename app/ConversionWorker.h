#pragma once
// The worker of an extraction run: every checked document of the list, its text pass and its
// image pass, with progress, status pictures and Stop. Every value of the window is read, and
// every change made, on the GUI thread.

#include "framework/Thread.h"

#include <memory>
#include <string>

namespace parch {

class ProcessCancel;
class EngineSession;
class ScratchFolder;
class TMainForm;

class TConversionProcess : public TThread {
public:
    TConversionProcess(TMainForm& form, std::shared_ptr<ProcessCancel> cancel)
        : form_(form), cancel_(std::move(cancel)) {}

protected:
    void Execute() override;

private:
    void RunDocuments();
    void RunDocument(int index, int& passesDone, const ScratchFolder& scratch, EngineSession& engines);
    // Runs on the GUI thread and waits.
    template <class F>
    void OnGui(F&& call) {
        Synchronize(std::forward<F>(call));
    }

    TMainForm& form_;
    const std::shared_ptr<ProcessCancel> cancel_;
    std::string errorText_;
};

}  // namespace parch
