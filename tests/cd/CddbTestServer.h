// A CDDB title server over HTTP on the loopback interface, run by a test:
// each request's target (path and query) goes to the handler, whose text is
// the reply body. Every request line is recorded.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CCddbTestServer {
public:
    // Takes the request target ("/~cddb/cddb.cgi?cmd=..." or, through a proxy, "http://host:port/...")
    // and the decoded cmd value; returns the CDDB reply.
    using Handler = std::function<std::string(const std::string& target, const std::string& cmd)>;

    explicit CCddbTestServer(Handler handler);
    ~CCddbTestServer();
    int Port() const { return m_port; }
    // Closes the socket: later connections are refused.
    void Stop();
    std::vector<std::string> Requests();

private:
    void Serve();

    Handler m_handler;
    int m_socket = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};
