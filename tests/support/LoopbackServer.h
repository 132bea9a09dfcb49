#pragma once
// A TCP server of a test's own on the loopback address: it accepts clients one after another
// and sends each its text, then closes the connection (the last one it may hold open until the
// server goes), so that a client can be tested against a feed that drops.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    LoopbackServer(); // listens on 127.0.0.1, a free port
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t Port() const { return port; }
    // Serves the replies in a thread of its own, one client each.
    void Serve(std::vector<std::string> replies, bool holdLast);
    int Accepted() const { return accepted; }

private:
    void Run(std::vector<std::string> replies, bool holdLast);

    std::intptr_t listener = -1;
    std::uint16_t port = 0;
    std::atomic<int> accepted{0};
    std::atomic<bool> stopping{false};
    std::thread thread;
};
