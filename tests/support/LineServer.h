#pragma once
// A TCP server of a test's own on the loopback address that answers each line a client sends as
// the test says: with text, with nothing, late, or by closing the connection. It takes clients
// one after another, so that a client that connects again meets it too; what came is kept.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LineServer {
public:
    struct Reply {
        std::string text;   // sent as it is (line ends included)
        bool close = false; // then the connection is closed
    };
    // Called on the server's thread with each line (without its "\r\n"); it may wait before it
    // returns, which answers late.
    using Handler = std::function<Reply(const std::string& line)>;

    explicit LineServer(Handler handler); // listens on 127.0.0.1, a free port, and serves
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    std::uint16_t Port() const { return port; }
    int Accepted() const { return accepted; }
    std::vector<std::string> Lines() const;
    // Sends `text` to the client connected now, unasked.
    void Push(const std::string& text);

private:
    void Run();
    void Serve(std::intptr_t client);

    Handler handler;
    std::intptr_t listener = -1;
    std::uint16_t port = 0;
    std::atomic<int> accepted{0};
    std::atomic<bool> stopping{false};
    mutable std::mutex mutex;
    std::vector<std::string> lines;
    std::vector<std::string> pushed;
    std::thread thread;
};
