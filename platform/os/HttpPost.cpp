#include "platform/os/HttpPost.h"

#include <curl/curl.h>

#include "platform/os/SharedLibrary.h"

#include <memory>

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

// libcurl, loaded when the first request is made: every program links this layer, and only the
// desktop program's version check posts anything. Every member is nullptr when it cannot be loaded.
struct CurlFunctions {
    decltype(&curl_global_init) GlobalInit = nullptr;
    decltype(&curl_easy_init) EasyInit = nullptr;
    decltype(&curl_easy_cleanup) EasyCleanup = nullptr;
    decltype(&curl_easy_setopt) EasySetopt = nullptr;
    decltype(&curl_easy_perform) EasyPerform = nullptr;
    decltype(&curl_easy_getinfo) EasyGetinfo = nullptr;
    decltype(&curl_easy_strerror) EasyStrerror = nullptr;
    decltype(&curl_slist_append) SlistAppend = nullptr;
    decltype(&curl_slist_free_all) SlistFreeAll = nullptr;

    bool Complete() const {
        return GlobalInit && EasyInit && EasyCleanup && EasySetopt && EasyPerform && EasyGetinfo &&
               EasyStrerror && SlistAppend && SlistFreeAll;
    }
};

CurlFunctions LoadCurl() {
    CurlFunctions f;
    void* library = OpenSharedLibrary("libcurl.so.4");
    if (!library) return f;
#define PARCH_CURL(member, name) f.member = SharedLibraryFunction<decltype(name)>(library, #name)
    PARCH_CURL(GlobalInit, curl_global_init);
    PARCH_CURL(EasyInit, curl_easy_init);
    PARCH_CURL(EasyCleanup, curl_easy_cleanup);
    PARCH_CURL(EasySetopt, curl_easy_setopt);
    PARCH_CURL(EasyPerform, curl_easy_perform);
    PARCH_CURL(EasyGetinfo, curl_easy_getinfo);
    PARCH_CURL(EasyStrerror, curl_easy_strerror);
    PARCH_CURL(SlistAppend, curl_slist_append);
    PARCH_CURL(SlistFreeAll, curl_slist_free_all);
#undef PARCH_CURL
    if (!f.Complete()) return CurlFunctions{};
    f.GlobalInit(CURL_GLOBAL_DEFAULT);
    return f;
}

// Loaded and initialised once, before any thread can use it.
const CurlFunctions& Curl() {
    static const CurlFunctions functions = LoadCurl();
    return functions;
}

struct CurlCleanup {
    void operator()(CURL* curl) const { Curl().EasyCleanup(curl); }
};
struct HeaderListCleanup {
    void operator()(curl_slist* list) const { Curl().SlistFreeAll(list); }
};

}  // namespace

HttpReply HttpPost(const HttpPostRequest& request) {
    HttpReply reply;
    const CurlFunctions& api = Curl();
    if (!api.Complete()) {
        reply.Error = "the HTTP client library (libcurl.so.4) could not be loaded";
        return reply;
    }
    const std::unique_ptr<CURL, CurlCleanup> curl(api.EasyInit());
    if (!curl) {
        reply.Error = "the HTTP client could not be created";
        return reply;
    }
    Transfer transfer{request, {}, false};
    const std::unique_ptr<curl_slist, HeaderListCleanup> headers(
        api.SlistAppend(nullptr, ("Content-Type: " + request.ContentType).c_str()));
    CURL* c = curl.get();
    api.EasySetopt(c, CURLOPT_URL, request.Url.c_str());
    api.EasySetopt(c, CURLOPT_PROTOCOLS_STR, "http");
    api.EasySetopt(c, CURLOPT_NOSIGNAL, 1L);
    api.EasySetopt(c, CURLOPT_POST, 1L);
    api.EasySetopt(c, CURLOPT_POSTFIELDS, request.Body.c_str());
    api.EasySetopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(request.Body.size()));
    api.EasySetopt(c, CURLOPT_HTTPHEADER, headers.get());
    api.EasySetopt(c, CURLOPT_USERAGENT, request.UserAgent.c_str());
    api.EasySetopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(request.ConnectTimeout.count()));
    api.EasySetopt(c, CURLOPT_TIMEOUT, static_cast<long>(request.TotalTimeout.count()));
    api.EasySetopt(c, CURLOPT_WRITEFUNCTION, CollectReply);
    api.EasySetopt(c, CURLOPT_WRITEDATA, &transfer);
    api.EasySetopt(c, CURLOPT_XFERINFOFUNCTION, CheckAbort);
    api.EasySetopt(c, CURLOPT_XFERINFODATA, &transfer);
    api.EasySetopt(c, CURLOPT_NOPROGRESS, 0L);
    const CURLcode code = api.EasyPerform(c);
    api.EasyGetinfo(c, CURLINFO_RESPONSE_CODE, &reply.Status);
    if (transfer.TooLong) {
        reply.Error = "the reply is longer than " + std::to_string(request.MaxReplyBytes) + " bytes";
    } else if (code != CURLE_OK) {
        reply.Error = api.EasyStrerror(code);
    } else if (reply.Status < 200 || reply.Status > 299) {
        reply.Error = "the server answered with status " + std::to_string(reply.Status);
    } else {
        reply.Succeeded = true;
        reply.Body = std::move(transfer.Body);
    }
    return reply;
}

}  // namespace parch
