#pragma once
// A program folder for tests whose engines are small shell scripts, so that parsing and the
// engine plumbing are tested without the real engines.

#include "tests/platform/os/ScratchDir.h"

#include <sys/stat.h>

#include <string>

namespace parch::test {

// Bodies of fake engines, for a program folder of the tests or a copy of the real one.
struct FakeEngine {
    // Prints what a damaged but readable document gives, and succeeds.
    static constexpr const char* kWarns = "echo 'Syntax Warning: odd'; echo 'Syntax Error: damaged' >&2; exit 0";
    static constexpr const char* kFailsSilently = "exit 3";
    static constexpr const char* kComplains = "echo 'Syntax Error: damaged'; exit 1";
    static constexpr const char* kCrashes = "kill -SEGV $$";
    // Records its process id in the given file, then waits for ever (a hung engine). exec keeps
    // the process id, so the file names the process that hangs.
    static std::string Hangs(const std::string& pidFile) {
        return "echo $$ > '" + pidFile + "'.tmp; mv '" + pidFile + "'.tmp '" + pidFile + "'; exec sleep 600";
    }
};

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
    // warns.bin, quiet.bin, fails.bin, complains.bin and crash.bin.
    void AddFakeEngines() const {
        AddScript("warns.bin", FakeEngine::kWarns);
        AddScript("quiet.bin", "exit 0");
        AddScript("fails.bin", FakeEngine::kFailsSilently);
        AddScript("complains.bin", FakeEngine::kComplains);
        AddScript("crash.bin", FakeEngine::kCrashes);
    }
};

}  // namespace parch::test
