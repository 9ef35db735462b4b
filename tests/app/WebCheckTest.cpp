// The web check against the committed stand-in server: the video item, the upgrade question
// and its version text, the request as sent, and the silent failures (a stalled server, an
// error status, a reply too long) with the program still closing at once.

#include "app/VersionReply.h"
#include "framework/Menus.h"
#include "tests/app/DesktopFixture.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace parch {
namespace {

using test::DesktopFixture;

// The python3 server of tests/app, started with a reply table and killed when this goes.
class WebCheckServer {
public:
    WebCheckServer(const std::string& log, const std::string& videoReply, const std::string& versionReply) {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            const std::string video = "requests/getytvideoid.php=" + videoReply;
            const std::string version = "requests/checkversionid.php=" + versionReply;
            ::execl("/usr/bin/python3", "python3", PARCH_SOURCE_DIR "/tests/app/web_check_server.py", log.c_str(), video.c_str(),
                    version.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
        ::close(out[0]);
        port_ = std::atoi(line.c_str());
    }
    ~WebCheckServer() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    bool Running() const { return port_ > 0; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

struct WebCase {
    const char* Name;
    const char* Installed;
    const char* VideoReply;
    const char* VersionReply;
    bool VideoShown;
    const char* OfferedVersion;  // nullptr: no question
};

class WebCheckTest : public DesktopFixture, public ::testing::WithParamInterface<WebCase> {};

TEST_P(WebCheckTest, AnswersShowTheItemAndTheQuestionAsTheRepliesSay) {
    const WebCase& c = GetParam();
    WriteHive(c.Installed, "http://www.parchwise.test/");
    const std::string requests = docs.Path() + "requests.log";
    const WebCheckServer server(requests, c.VideoReply, c.VersionReply);
    ASSERT_TRUE(server.Running());
    ::setenv("PARCH_WEB_BASE", server.Base().c_str(), 1);
    const std::string opened = InstallOpenerLog();
    prompts.Answers = {mrYes};
    bool videoShown = false;
    RunDesktop([&](TMainForm& form) {
        ASSERT_TRUE(PumpUntil([&form] { return form.Shared().WebCheck.Finished(); }));
        videoShown = form.Videotutorial1->Visible();
    });
    EXPECT_EQ(videoShown, c.VideoShown);
    if (!c.OfferedVersion) {
        EXPECT_TRUE(prompts.Messages.empty()) << prompts.Messages.front().Text;
        return;
    }
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, std::string("Newer Parchwise available!\r\nVersion number: ") + c.OfferedVersion +
                                            "\r\n\r\nWould you like to upgrade now?\r\n");
    EXPECT_EQ(prompts.Messages[0].Type, mtConfirmation);
    EXPECT_EQ(OpenedTargets(opened, 1), (std::vector<std::string>{"http://www.parchwise.test/"}));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, WebCheckTest,
    ::testing::Values(WebCase{"FalseTwice", "1.1", "false", "false", false, nullptr},
                      WebCase{"VideoOnly", "1.1", "dQw4w9WgXcQ", "false", true, nullptr},
                      WebCase{"NewerVersion", "1.1", "false", "1.2", false, "1.20"},
                      WebCase{"NoLeadingZero", "0.4", "false", "0.5", false, ".50"},
                      WebCase{"SameVersionLonger", "1.1", "false", "1.10", false, nullptr},
                      WebCase{"SameVersion", "1.1", "false", "1.1", false, nullptr},
                      WebCase{"OlderVersion", "1.1", "false", "0.9", false, nullptr},
                      WebCase{"NotANumber", "1.1", "false", "soon", false, nullptr},
                      WebCase{"ErrorStatus", "1.1", "!500", "!500", false, nullptr},
                      WebCase{"HugeReply", "1.1", "!big", "!big", false, nullptr}),
    [](const ::testing::TestParamInfo<WebCase>& info) { return std::string(info.param.Name); });

TEST_F(DesktopFixture, WebCheckSendsTheProductFieldAsAFormWithItsUserAgent) {
    const std::string requests = docs.Path() + "requests.log";
    const WebCheckServer server(requests, "false", "false");
    ASSERT_TRUE(server.Running());
    ::setenv("PARCH_WEB_BASE", server.Base().c_str(), 1);
    RunDesktop([&](TMainForm& form) { ASSERT_TRUE(PumpUntil([&form] { return form.Shared().WebCheck.Finished(); })); });
    const std::string form = "application/x-www-form-urlencoded";
    const std::string agent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
    EXPECT_EQ(ReadFileBytes(requests, 4096).value_or(""),
              "requests/getytvideoid.php\t" + agent + "\t" + form + "\tproduct_id=12\n" +
              "requests/checkversionid.php\t" + agent + "\t" + form + "\tproduct_id=12\n");
}

TEST_F(DesktopFixture, StalledServerNeitherShowsAnythingNorHoldsTheProgram) {
    const std::string requests = docs.Path() + "requests.log";
    const WebCheckServer server(requests, "!stall", "!stall");
    ASSERT_TRUE(server.Running());
    ::setenv("PARCH_WEB_BASE", server.Base().c_str(), 1);
    std::chrono::steady_clock::time_point closing;
    RunDesktop([&](TMainForm& form) {
        // The request reached the server, which now says nothing.
        ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(requests); }));
        EXPECT_FALSE(form.Shared().WebCheck.Finished());
        closing = std::chrono::steady_clock::now();
    });
    // Far below the request's own 30 s limit: ending the program aborted it.
    EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(10));
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST(VersionReplyTest, NewerVersionsAreFormattedWithTwoDecimalsAndNoLeadingZero) {
    const std::tuple<const char*, const char*, std::optional<std::string>> cases[] = {
        {"1.1", "1.2", "1.20"},    {"0.4", "0.5", ".50"},      {"1.1", "1.10", std::nullopt}, {"1.1", "1", std::nullopt},
        {"2", "10", "10.00"},      {"1.1", "1.125", "1.13"},   {"1.1", "", std::nullopt},     {"1.1", "-", std::nullopt},
        {"9.8.7", "10", std::nullopt}, {"1.1", "1,5", std::nullopt}, {"1", "1.2\r\n", "1.20"}};
    for (const auto& [installed, reply, expected] : cases)
        EXPECT_EQ(NewerVersionText(installed, reply), expected) << installed << " vs " << reply;
}

}  // namespace
}  // namespace parch
