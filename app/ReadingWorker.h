#pragma once
// The worker that checks and opens each new document before it joins the list: its size, its
// page count and, for a protected document, the password loop.

#include "framework/Thread.h"

#include <string>
#include <vector>

namespace parch {

class TMainForm;

class TReadingPDFsProcess : public TThread {
public:
    TReadingPDFsProcess(TMainForm& form, std::vector<std::string> paths);

protected:
    void Execute() override;

private:
    void ReadDocument(int index, const std::string& path);
    // Opens the document with the password on the GUI thread; answers the error code and sets
    // pageCount_.
    int LoadDocument(const std::string& path, const std::string& password);

    TMainForm& form_;
    const std::vector<std::string> paths_;
    int pageCount_ = 0;
};

}  // namespace parch
