#include "tests/support/LineServer.h"

#include "tests/support/TestSockets.h"

LineServer::LineServer(Handler handler) : handler(std::move(handler)) {
    listener = static_cast<std::intptr_t>(ListenOnLoopback(port));
    thread = std::thread([this] { Run(); });
}

LineServer::~LineServer() {
    stopping = true;
    thread.join();
    CloseTestSocket(static_cast<TestSocket>(listener));
}

std::vector<std::string> LineServer::Lines() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return lines;
}

void LineServer::Push(const std::string& text) {
    const std::lock_guard<std::mutex> lock(mutex);
    pushed.push_back(text);
}

void LineServer::Run() {
    const auto s = static_cast<TestSocket>(listener);
    while (!stopping) {
        if (TestSocketReadable(s, 20)) {
            const TestSocket client = accept(s, nullptr, nullptr);
            ++accepted;
            Serve(static_cast<std::intptr_t>(client));
            CloseTestSocket(client);
        }
    }
}

// Until the client goes, the handler closes, or the server ends.
void LineServer::Serve(std::intptr_t handle) {
    const auto client = static_cast<TestSocket>(handle);
    std::string pending;
    while (!stopping) {
        std::vector<std::string> unasked;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            unasked.swap(pushed);
        }
        for (const std::string& text : unasked) {
            SendTestBytes(client, text);
        }
        if (!TestSocketReadable(client, 20)) {
            continue;
        }
        char buffer[512];
        const int got = static_cast<int>(recv(client, buffer, sizeof buffer, 0));
        if (got <= 0) {
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end = pending.find('\n'); end != std::string::npos;
             end = pending.find('\n')) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            {
                const std::lock_guard<std::mutex> lock(mutex);
                lines.push_back(line);
            }
            const Reply reply = handler(line);
            SendTestBytes(client, reply.text);
            if (reply.close) {
                return;
            }
        }
    }
}
