#include "tools/trafficlog/serve/FeedClients.h"

#include "tools/trafficlog/console/TrafficLogConsole.h"

namespace {
FeedClientReport ReportOf(const char* name, std::int64_t lines, std::int64_t dropped,
                          const char* why) {
    FeedClientReport report;
    report.name = name;
    report.lines = lines;
    report.dropped = dropped;
    report.why = why;
    return report;
}
} // namespace

bool FeedClients::Serve(int timeoutMilliseconds, FeedClientEvents& events) {
    for (int wait = timeoutMilliseconds;; wait = 0) {
        auto client = std::make_unique<Client>();
        const TcpAccept accepted = server.Accept(wait, client->socket);
        if (accepted == TcpAccept::Failed) {
            return false;
        }
        if (accepted == TcpAccept::Nothing) {
            break;
        }
        if (Count() >= mostClients) {
            events.Refused(client->socket.Name(), mostClients);
            continue;
        }
        events.Joined(ReportOf(client->socket.Name(), 0, 0, nullptr));
        clients.push_back(std::move(client));
    }
    for (std::size_t i = clients.size(); i-- > 0;) {
        if (!HandOn(*clients[i])) {
            LetGo(i, events);
        }
    }
    return true;
}

void FeedClients::Send(const char* line, std::size_t size, FeedClientEvents& events) {
    for (std::size_t i = clients.size(); i-- > 0;) {
        Client& client = *clients[i];
        ++client.lines;
        if (client.queue.size() - client.taken + size > queueLimit) {
            ++client.dropped;
            ++dropped;
            continue;
        }
        client.queue.append(line, size);
        if (!HandOn(client)) {
            LetGo(i, events);
        }
    }
}

bool FeedClients::Waiting() const {
    for (const auto& client : clients) {
        if (client->taken < client->queue.size()) {
            return true;
        }
    }
    return false;
}

bool FeedClients::HandOn(Client& client) {
    while (client.taken < client.queue.size()) {
        std::size_t sent = 0;
        if (!client.socket.SendSome(client.queue.data() + client.taken,
                                    client.queue.size() - client.taken, sent)) {
            return false;
        }
        if (sent == 0) {
            break;
        }
        client.taken += sent;
    }
    // The queue is emptied once all of it is out, or cut once most of it is, not per send.
    if (client.taken == client.queue.size()) {
        client.queue.clear();
        client.taken = 0;
    } else if (client.taken > queueLimit / 2) {
        client.queue.erase(0, client.taken);
        client.taken = 0;
    }
    return true;
}

void FeedClients::LetGo(std::size_t index, FeedClientEvents& events) {
    Client& client = *clients[index];
    const std::string why = SystemReason(client.socket.FullErrorText());
    events.Left(ReportOf(client.socket.Name(), client.lines, client.dropped, why.c_str()));
    clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index));
}
