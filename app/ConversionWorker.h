#pragma once
// The worker of an extraction run: every checked document of the list, its text pass and its
// image pass, with progress, status pictures and Stop. Every value of the window is read, and
// every change made, on the GUI thread.

#include "framework/Thread.h"

#include <string>

namespace parch {

class ScratchFolder;
class TMainForm;

class TConversionProcess : public TThread {
public:
    explicit TConversionProcess(TMainForm& form) : form_(form) {}

protected:
    void Execute() override;

private:
    void RunDocuments();
    void RunDocument(int index, int& passesDone, const ScratchFolder& scratch);
    // Runs on the GUI thread and waits.
    template <class F>
    void OnGui(F&& call) {
        Synchronize(std::forward<F>(call));
    }

    TMainForm& form_;
    std::string errorText_;
};

}  // namespace parch
