#include "http.hpp"

#include <curl/curl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>

namespace ts::weather {
namespace {

struct EasyDeleter {
    void operator()(CURL* c) const noexcept { curl_easy_cleanup(c); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct Transfer {
    std::string body;
    std::size_t cap = 0;
    bool over_cap = false;
    const std::atomic<bool>* cancel = nullptr;
};

std::size_t on_data(char* data, std::size_t size, std::size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t bytes = size * n;
    if (t->body.size() + bytes > t->cap) {
        t->over_cap = true;
        return 0;  // anything but bytes aborts the transfer
    }
    t->body.append(data, bytes);
    return bytes;
}

int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    return t->cancel != nullptr && t->cancel->load() ? 1 : 0;
}

// The dashboard starts a child process: its sockets must not leak into it.
curl_socket_t open_socket(void*, curlsocktype, curl_sockaddr* a) {
    return socket(a->family, a->socktype | SOCK_CLOEXEC, a->protocol);
}

ErrorKind kind_of(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return ErrorKind::Dns;
        case CURLE_COULDNT_CONNECT: return ErrorKind::Connect;
        case CURLE_OPERATION_TIMEDOUT: return ErrorKind::Timeout;
        case CURLE_FILESIZE_EXCEEDED: return ErrorKind::TooLarge;
        default: return ErrorKind::Transfer;
    }
}

}  // namespace

const char* redirect_protocols(std::string_view url) {
    constexpr std::string_view secure = "https://";
    const bool is_secure = url.size() >= secure.size() &&
                           std::equal(secure.begin(), secure.end(), url.begin(),
                                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    return is_secure ? "https" : "http,https";
}

FetchResult http_get(const std::string& url, const Limits& limits, const std::atomic<bool>* cancel) {
    // Thread-safe in the libcurl we build against, but once is all it needs.
    static std::once_flag init;
    std::call_once(init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    FetchResult result;
    Easy easy(curl_easy_init());
    if (!easy) {
        result.error = ErrorKind::Transfer;
        result.detail = "curl_easy_init failed";
        return result;
    }
    Transfer t;
    t.cap = limits.max_body;
    t.cancel = cancel;
    char message[CURL_ERROR_SIZE] = "";
    CURL* c = easy.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, redirect_protocols(url));
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // no SIGALRM for DNS time-outs in a threaded program
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, limits.connect_ms);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, limits.total_ms);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_body));
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "touchscreen-dashboard");
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, on_data);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, open_socket);

    const CURLcode code = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
    if (t.over_cap) {
        result.error = ErrorKind::TooLarge;
        result.detail = "more than " + std::to_string(limits.max_body) + " bytes";
    } else if (code != CURLE_OK) {
        result.error = kind_of(code);
        result.detail = message[0] != '\0' ? message : curl_easy_strerror(code);
    } else if (result.status >= 400) {
        result.error = ErrorKind::HttpStatus;
        result.detail = "HTTP status " + std::to_string(result.status);
    } else {
        result.body = std::move(t.body);
    }
    return result;
}

}  // namespace ts::weather
