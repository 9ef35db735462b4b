#pragma once
// One small HTTP POST over libcurl with finite time-outs, a cap on the reply and a way to
// abort it from the caller's side.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace parch {

struct HttpPostRequest {
    std::string Url;  // only http:// is accepted
    std::string Body;
    std::string ContentType = "application/x-www-form-urlencoded";
    std::string UserAgent;
    std::chrono::seconds ConnectTimeout{10};
    std::chrono::seconds TotalTimeout{30};
    // A longer reply is a failure; it is not read further.
    std::size_t MaxReplyBytes = 64 * 1024;
    // Asked while the transfer runs; true ends it as a failure.
    std::function<bool()> ShouldAbort;
};

struct HttpReply {
    bool Succeeded = false;  // transfer complete, status 2xx, body within the cap
    long Status = 0;
    std::string Body;
    std::string Error;  // why it failed
};

HttpReply HttpPost(const HttpPostRequest& request);

}  // namespace parch
