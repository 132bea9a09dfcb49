#include "tests/support/LoopbackServer.h"

#include "tests/support/TestSockets.h"

#include <chrono>

LoopbackServer::LoopbackServer() {
    listener = static_cast<std::intptr_t>(ListenOnLoopback(port));
}

LoopbackServer::~LoopbackServer() {
    stopping = true;
    if (thread.joinable()) {
        thread.join();
    }
    CloseTestSocket(static_cast<TestSocket>(listener));
}

void LoopbackServer::Serve(std::vector<std::string> replies, bool holdLast) {
    thread = std::thread([this, replies, holdLast] { Run(replies, holdLast); });
}

void LoopbackServer::Run(std::vector<std::string> replies, bool holdLast) {
    const auto s = static_cast<TestSocket>(listener);
    for (std::size_t i = 0; i < replies.size() && !stopping; ++i) {
        while (!stopping && !TestSocketReadable(s, 50)) {
        }
        if (stopping) {
            return;
        }
        const TestSocket client = accept(s, nullptr, nullptr);
        ++accepted;
        SendTestBytes(client, replies[i]);
        while (holdLast && i + 1 == replies.size() && !stopping) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        CloseTestSocket(client);
    }
}
