#pragma once
// The web check, once per launch on its own thread: does the maker's server have a video
// tutorial, and does it offer a newer version. Every failure is silent; the program never
// waits for the answers, and ending the program aborts a request still running.

#include "framework/Thread.h"

#include <optional>
#include <string>

namespace parch {

class TMainForm;

class TCheckForNewVersionProcess : public TThread {
public:
    explicit TCheckForNewVersionProcess(TMainForm& form);

protected:
    void Execute() override;

private:
    // The server's reply to a question, or nothing when the request failed.
    std::optional<std::string> Ask(const std::string& base, const std::string& path) const;
    void ShowVideoTutorial();
    void AskUpgrade();

    TMainForm& form_;
    std::string upgradeMessage_;
};

// "http://" + the web domain + "/", or PARCH_WEB_BASE when set.
std::string WebCheckBase(const std::string& webDomain);

}  // namespace parch
