#pragma once
// A program folder for tests whose engines are small shell scripts, so that parsing and the
// engine plumbing are tested without the real engines.

#include "tests/platform/os/ScratchDir.h"

#include <sys/stat.h>

#include <string>

namespace parch::test {

class FakeProgramFolder : public ScratchDir {
public:
    // An executable script that runs the given shell body.
    std::string AddScript(const std::string& name, const std::string& body) const {
        const std::string path = Write(name, "#!/bin/sh\n" + body + "\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }
    // A page-information engine printing the given page count.
    void AddPageInfo(int pages) const {
        AddScript("pdfi.bin", "echo \"Title: x\"; echo \"Pages:          " + std::to_string(pages) + "\"");
    }
};

}  // namespace parch::test
