#include "http_server.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ts::test {
namespace {

const char* reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Status";
    }
}

int loopback_socket(sockaddr_in& addr) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("bind to 127.0.0.1 failed");
    }
    return fd;
}

void send_all(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return;  // the client gave up, as it should past its limits
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

HttpServer::HttpServer(std::function<HttpReply(const std::string&)> handler) : handler_(std::move(handler)) {
    sockaddr_in addr{};
    listen_fd_ = loopback_socket(addr);
    port_ = ntohs(addr.sin_port);
    if (::listen(listen_fd_, 8) != 0 || ::pipe2(wake_, O_CLOEXEC) != 0) throw std::runtime_error("listen failed");
    thread_ = std::thread([this] { serve(); });
}

HttpServer::~HttpServer() { stop(); }

std::string HttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> HttpServer::targets() const {
    std::lock_guard guard(lock_);
    return targets_;
}

void HttpServer::stop() {
    if (!thread_.joinable()) return;
    const char byte = 1;
    (void)!::write(wake_[1], &byte, 1);
    thread_.join();
    for (int fd : {listen_fd_, wake_[0], wake_[1]}) ::close(fd);
}

void HttpServer::serve() {
    for (;;) {
        pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) break;
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) answer(fd);
    }
    for (int fd : hung_) ::close(fd);
    hung_.clear();
}

void HttpServer::answer(int fd) {
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0) break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, static_cast<std::size_t>(n));
    }
    std::string target;
    std::istringstream line(request.substr(0, request.find("\r\n")));
    std::string method;
    line >> method >> target;
    {
        std::lock_guard guard(lock_);
        targets_.push_back(target);
    }
    const HttpReply reply = handler_(target);
    if (reply.hang) {
        hung_.push_back(fd);
        return;
    }
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) +
                       "\r\nContent-Type: application/json\r\nConnection: close\r\n";
    if (!reply.no_length) head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    send_all(fd, head + "\r\n" + reply.body);
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

int closed_port() {
    sockaddr_in addr{};
    const int fd = loopback_socket(addr);
    ::close(fd);
    return ntohs(addr.sin_port);
}

std::string weather_fixture(const std::string& name) {
    const std::string path = std::string(TS_WEATHER_DATA) + "/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open fixture " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace ts::test
