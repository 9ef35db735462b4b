#include "platform/os/HttpPost.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace parch {

namespace {

struct Transfer {
    const HttpPostRequest& Request;
    std::string Body;
    bool TooLong = false;
};

std::size_t CollectReply(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer.Body.size() + bytes > transfer.Request.MaxReplyBytes) {
        transfer.TooLong = true;
        return 0;  // ends the transfer with a write error
    }
    transfer.Body.append(data, bytes);
    return bytes;
}

int CheckAbort(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& transfer = *static_cast<Transfer*>(user);
    return transfer.Request.ShouldAbort && transfer.Request.ShouldAbort() ? 1 : 0;
}

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlCleanup {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct HeaderListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

HttpReply HttpPost(const HttpPostRequest& request) {
    InitialiseCurlOnce();
    HttpReply reply;
    const std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
    if (!curl) {
        reply.Error = "the HTTP client could not be created";
        return reply;
    }
    Transfer transfer{request, {}, false};
    const std::unique_ptr<curl_slist, HeaderListCleanup> headers(
        curl_slist_append(nullptr, ("Content-Type: " + request.ContentType).c_str()));
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, request.Url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.Body.c_str());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(request.Body.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_USERAGENT, request.UserAgent.c_str());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(request.ConnectTimeout.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(request.TotalTimeout.count()));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, CollectReply);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, CheckAbort);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    const CURLcode code = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.Status);
    if (transfer.TooLong) {
        reply.Error = "the reply is longer than " + std::to_string(request.MaxReplyBytes) + " bytes";
    } else if (code != CURLE_OK) {
        reply.Error = curl_easy_strerror(code);
    } else if (reply.Status < 200 || reply.Status > 299) {
        reply.Error = "the server answered with status " + std::to_string(reply.Status);
    } else {
        reply.Succeeded = true;
        reply.Body = std::move(transfer.Body);
    }
    return reply;
}

}  // namespace parch
