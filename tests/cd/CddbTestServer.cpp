#include "CddbTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string Decode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string CmdOf(const std::string& target) {
    const auto at = target.find("cmd=");
    if (at == std::string::npos) return {};
    const auto end = target.find('&', at);
    return Decode(target.substr(at + 4, end == std::string::npos ? std::string::npos : end - at - 4));
}

}  // namespace

CCddbTestServer::CCddbTestServer(Handler handler) : m_handler(std::move(handler)) {
    m_socket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(m_socket, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    listen(m_socket, 8);
    m_thread = std::thread(&CCddbTestServer::Serve, this);
}

CCddbTestServer::~CCddbTestServer() {
    Stop();
}

void CCddbTestServer::Stop() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
    if (m_socket >= 0) close(m_socket);
    m_socket = -1;
}

std::vector<std::string> CCddbTestServer::Requests() {
    std::lock_guard lock(m_lock);
    return m_requests;
}

void CCddbTestServer::Serve() {
    while (!m_stop.load()) {
        pollfd p{m_socket, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        const int client = accept(m_socket, nullptr, nullptr);
        if (client < 0) continue;
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, static_cast<size_t>(n));
        }
        const std::string line = request.substr(0, request.find("\r\n"));
        {
            std::lock_guard lock(m_lock);
            m_requests.push_back(line);
        }
        const auto a = line.find(' ');
        const auto b = line.rfind(' ');
        const std::string target = a != std::string::npos && b > a ? line.substr(a + 1, b - a - 1) : std::string();
        const std::string reply =
            "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + m_handler(target, CmdOf(target));
        send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
        close(client);
    }
}
