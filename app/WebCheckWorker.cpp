#include "app/WebCheckWorker.h"

#include "app/MainWindow.h"
#include "app/VersionReply.h"
#include "framework/Menus.h"
#include "platform/os/HttpPost.h"
#include "platform/os/ShellExecute.h"

#include <cstdlib>

namespace parch {

namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
constexpr const char* kProductField = "product_id=12";
constexpr const char* kNo = "false";

}  // namespace

std::string WebCheckBase(const std::string& webDomain) {
    if (const char* base = std::getenv("PARCH_WEB_BASE"); base && *base) return base;
    return "http://" + webDomain + "/";
}

TCheckForNewVersionProcess::TCheckForNewVersionProcess(TMainForm& form) : form_(form) {}

std::optional<std::string> TCheckForNewVersionProcess::Ask(const std::string& base, const std::string& path) const {
    HttpPostRequest request;
    request.Url = base + path;
    request.Body = kProductField;
    request.UserAgent = kUserAgent;
    request.ShouldAbort = [this] { return Terminated(); };
    HttpReply reply = HttpPost(request);
    if (!reply.Succeeded) return std::nullopt;
    return std::move(reply.Body);
}

void TCheckForNewVersionProcess::Execute() {
    // The window's texts are written once before this worker starts.
    const std::string base = WebCheckBase(form_.Shared().WebDomain);
    const std::string installed = form_.Shared().VersionText;
    try {
        const std::optional<std::string> video = Ask(base, "requests/getytvideoid.php");
        if (video && *video != kNo && !Terminated()) Synchronize([this] { ShowVideoTutorial(); });
        if (Terminated()) return;
        const std::optional<std::string> version = Ask(base, "requests/checkversionid.php");
        if (!version || *version == kNo || Terminated()) return;
        const std::optional<std::string> newer = NewerVersionText(installed, *version);
        if (!newer) return;
        upgradeMessage_ = "Newer Parchwise available!\r\nVersion number: " + *newer + "\r\n\r\nWould you like to upgrade now?";
        Synchronize([this] { AskUpgrade(); });
    } catch (const std::exception&) {
        // Failures of the web check are never shown, the end of the program included.
    }
}

void TCheckForNewVersionProcess::ShowVideoTutorial() { form_.Videotutorial1->SetVisible(true); }

void TCheckForNewVersionProcess::AskUpgrade() {
    if (form_.Prompts().Message(upgradeMessage_ + "\r\n", mtConfirmation, {mbYes, mbNo}) == mrYes)
        ShellExecute("open", form_.Shared().WebsiteAddress);
}

}  // namespace parch
