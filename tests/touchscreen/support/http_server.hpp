// A small HTTP/1.1 server on 127.0.0.1 (a free port) that answers each request with what a
// handler returns: the weather tests' stand-in for the forecast service.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ts::test {

struct HttpReply {
    int status = 200;
    std::string body;
    bool hang = false;       // accept, read the request, never answer
    bool no_length = false;  // no Content-Length: the body ends when the connection closes
};

class HttpServer {
public:
    // handler gets the request target ("/v1/forecast?latitude=...") on the server's thread.
    explicit HttpServer(std::function<HttpReply(const std::string& target)> handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    std::string url(const std::string& path = "/v1/forecast") const;
    std::vector<std::string> targets() const;  // every request target so far, in order
    void stop();                               // closes every connection, hung ones too

private:
    void serve();
    void answer(int fd);

    std::function<HttpReply(const std::string&)> handler_;
    int listen_fd_ = -1, wake_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex lock_;
    std::vector<std::string> targets_;
    std::vector<int> hung_;  // server thread only
    std::thread thread_;
};

// A loopback port with nothing listening on it (bound, then closed).
int closed_port();

// The text of a file under tests/touchscreen/weather/data.
std::string weather_fixture(const std::string& name);

}  // namespace ts::test
