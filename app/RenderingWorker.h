#pragma once
// The short-lived worker that shows one page of the previewed document. Opening, counting and
// drawing all run inside its one synchronous call, so the shared PDF object and the library's
// lazily built tables are only ever used on the GUI thread.

#include "framework/Thread.h"

#include <string>

namespace parch {

class TMainForm;

class TRenderingPageProcess : public TThread {
public:
    // An empty path shows another page of the document already loaded.
    TRenderingPageProcess(TMainForm& form, std::string path, std::string password);

protected:
    void Execute() override;

private:
    TMainForm& form_;
    const std::string path_;
    const std::string password_;
};

}  // namespace parch
