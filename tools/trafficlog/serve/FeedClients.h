// The clients of a served feed, each sent every line as a receiver's port does. Nothing waits
// for a client: what the system will not take at once waits in the client's own queue, and a
// client whose queue is full (it reads more slowly than the feed runs) loses whole lines, which
// are counted, so that the others and the pace of the feed never suffer. A client that has gone
// is let go. Beyond kMostClients a new client is closed at once: each may hold a full queue.
#pragma once

#include "platform/TcpServer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct FeedClientReport {
    const char* name;          // "ADDRESS:PORT"
    std::int64_t lines = 0;    // lines the feed had for it since it came
    std::int64_t dropped = 0;  // lines it lost, reading too slowly
    const char* why = nullptr; // why it went, or null while it stays
};

class FeedClientEvents {
public:
    virtual void Joined(const FeedClientReport& client) = 0;
    virtual void Left(const FeedClientReport& client) = 0;
    // A client closed at once, as `most` were served already.
    virtual void Refused(const char* name, int most) = 0;

protected:
    ~FeedClientEvents() = default;
};

class FeedClients {
public:
    // About ten seconds of a busy receiver's messages.
    static constexpr std::size_t kQueueLimit = 1 << 20;
    static constexpr int kMostClients = 64;

    explicit FeedClients(TcpServer& server, std::size_t queueLimit = kQueueLimit,
                         int mostClients = kMostClients)
        : server(server), queueLimit(queueLimit), mostClients(mostClients) {}

    // Waits at most `timeoutMilliseconds` for clients, takes those that came and hands on what
    // waits for each. False when the listening socket broke (the server's error text says why).
    bool Serve(int timeoutMilliseconds, FeedClientEvents& events);
    // One line for every client.
    void Send(const char* line, std::size_t size, FeedClientEvents& events);
    // Some client has bytes waiting: the feed should come back soon to hand them on.
    bool Waiting() const;
    int Count() const { return static_cast<int>(clients.size()); }
    std::int64_t Dropped() const { return dropped; }

private:
    struct Client {
        TcpServerClient socket;
        std::string queue;
        std::size_t taken = 0; // of the queue, already with the system
        std::int64_t lines = 0;
        std::int64_t dropped = 0;
    };

    // False when the client has gone.
    bool HandOn(Client& client);
    void LetGo(std::size_t index, FeedClientEvents& events);

    TcpServer& server;
    std::size_t queueLimit;
    int mostClients;
    std::vector<std::unique_ptr<Client>> clients;
    std::int64_t dropped = 0;
};
