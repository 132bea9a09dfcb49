#include "tools/fg/PropertyClient.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"

#include <cstring>

namespace {
// The marker of a Nasal block's answer: "CT<id> " and the heights. FlightGear writes the
// block's status ("1") before the answer without a line end, and a failed block leaves the
// answer of an earlier one: the id tells them apart.
constexpr char kMarker[] = "CT";
// What one Poll takes at most, so that a flood never holds the caller up.
constexpr int kMostReceivesPerPoll = 16;
constexpr int kMostSkippedLines = 8;

bool IsPath(const char* path) {
    if (path == nullptr || path[0] != '/') {
        return false;
    }
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == ' ' || static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) {
            return false;
        }
    }
    return true;
}

double NumberOf(const std::string& text) {
    double value = 0;
    return ReadNumberList(text.c_str(), 1, &value) == NumberList::Read
               ? value
               : std::numeric_limits<double>::quiet_NaN();
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find(' ', at);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        if (stop > at) {
            words.push_back(text.substr(at, stop - at));
        }
        at = stop + 1;
    }
    return words;
}

// The id after the marker in `line`, and where the heights begin; -1 without a marker.
std::int64_t MarkedId(const std::string& line, std::size_t& rest) {
    for (std::size_t at = line.find(kMarker); at != std::string::npos;
         at = line.find(kMarker, at + 1)) {
        std::size_t digits = at + std::strlen(kMarker);
        std::int64_t id = 0;
        const std::size_t first = digits;
        while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9' &&
               digits - first < 15) {
            id = id * 10 + (line[digits] - '0');
            ++digits;
        }
        if (digits > first && (digits == line.size() || line[digits] == ' ')) {
            rest = digits;
            return id;
        }
    }
    return -1;
}
} // namespace

PropertyClient::PropertyClient(const char* hostName, std::uint16_t port,
                               const PropertyClientLimits& limits)
    : limits(limits), port(port) {
    CopyBounded(host, hostName, sizeof host);
    FormatHostPort(where, sizeof where, host, port);
}

int PropertyClient::Watch(const char* path, double intervalSeconds) {
    if (!IsPath(path) || !(intervalSeconds > 0)) {
        return -1;
    }
    watches.push_back({path, intervalSeconds, -1e300, {}});
    return static_cast<int>(watches.size()) - 1;
}

std::int64_t PropertyClient::AskTerrain(double latitude, double longitude) {
    if (!client.IsConnected() || !offersTerrain || waiting.size() >= limits.waitingPoints ||
        !(latitude >= -90 && latitude <= 90 && longitude >= -180 && longitude <= 180)) {
        return 0;
    }
    waiting.push_back({nextTicket, latitude, longitude});
    return nextTicket++;
}

std::vector<TerrainAnswer> PropertyClient::TakeTerrain() {
    std::vector<TerrainAnswer> taken;
    taken.swap(answers);
    return taken;
}

std::vector<std::string> PropertyClient::TakeEvents() {
    std::vector<std::string> taken;
    taken.swap(events);
    return taken;
}

void PropertyClient::Event(const std::string& text) {
    events.push_back("FlightGear's property server at " + std::string(where) + " " + text);
}

void PropertyClient::Poll(double now) {
    if (!client.IsConnected()) {
        if (connecting) {
            AwaitConnection(now);
        } else if (now >= nextAttempt) {
            Connect(now);
        }
        if (!client.IsConnected()) {
            return;
        }
    }
    if (!TakeIncoming(now) || !SendPending()) {
        return;
    }
    if (exchange.kind != ExchangeKind::None && now - exchange.sentAt > limits.answerSeconds) {
        char why[96];
        FormatBounded(why, sizeof why, "stopped answering (nothing for %.0f s)",
                      limits.answerSeconds);
        Leave(now, why);
        return;
    }
    if (exchange.kind == ExchangeKind::None && now >= nextExchange) {
        StartExchange(now);
        SendPending();
    }
}

void PropertyClient::Connect(double now) {
    connecting = true;
    connectStart = now;
    if (client.BeginConnect(host, port) == TcpProgress::Failed) {
        connecting = false;
        Drop(now, limits.retrySeconds);
        return;
    }
    AwaitConnection(now);
}

void PropertyClient::AwaitConnection(double now) {
    const TcpProgress progress = client.ContinueConnect(0);
    if (progress == TcpProgress::Pending && now - connectStart <= limits.connectSeconds) {
        return;
    }
    connecting = false;
    if (progress != TcpProgress::Connected) {
        if (progress == TcpProgress::Pending) {
            client.Close();
        }
        Drop(now, limits.retrySeconds);
        return;
    }
    // Values only, no prompts: every answer is one line.
    outgoing = "data\r\n";
    incoming.clear();
    nextExchange = now;
    // A new connection may be to a FlightGear started again: everything is read afresh.
    for (Watched& watched : watches) {
        watched.due = now;
    }
    if (link != PropertyLink::Left) {
        link = PropertyLink::Ready;
        Event(everConnected ? "is back" : "found: aircraft on the ground stand on its ground");
    }
    everConnected = true;
    absenceSaid = true;
}

// The connection is gone or never came: what waited is answered, and the next attempt waits.
void PropertyClient::Drop(double now, double retryAfter) {
    const bool wasReady = client.IsConnected() && link == PropertyLink::Ready;
    client.Close();
    nextAttempt = now + retryAfter;
    Unanswer(exchange.points);
    exchange = Exchange{};
    Unanswer({waiting.begin(), waiting.end()});
    waiting.clear();
    outgoing.clear();
    incoming.clear();
    if (wasReady) {
        link = PropertyLink::Connecting;
        Event("closed the connection: trying again every few seconds");
    } else if (!absenceSaid && link != PropertyLink::Left) {
        absenceSaid = true;
        const std::string reason = MaskControls(client.FullErrorText(), LineBreaks::Join);
        Event("not there (" + reason +
              "): trying again every few seconds; until then aircraft on the ground stand at "
              "their field's elevation");
    }
}

void PropertyClient::Leave(double now, const std::string& why) {
    if (answeredSinceLeft) {
        char again[96];
        FormatBounded(again, sizeof again, "; trying again in %.0f s", limits.leftRetrySeconds);
        Event(why + ": left; aircraft on the ground stand at their field's elevation" + again);
    }
    answeredSinceLeft = false;
    link = PropertyLink::Left;
    client.Close();
    Drop(now, limits.leftRetrySeconds);
}

// The due properties in one exchange, else waiting ground heights, taking turns.
void PropertyClient::StartExchange(double now) {
    Exchange next;
    next.id = nextId++;
    next.sentAt = now;
    const bool terrainWaits = !waiting.empty() && offersTerrain;
    if (!(terrainWaits && lastWasReads)) {
        for (int i = 0; i < static_cast<int>(watches.size()); ++i) {
            if (now >= watches[i].due) {
                watches[i].due = now + watches[i].interval;
                next.watches.push_back(i);
                outgoing += "get " + watches[i].path + "\r\n";
            }
        }
    }
    if (!next.watches.empty()) {
        next.kind = ExchangeKind::Reads;
    } else if (terrainWaits) {
        next.kind = ExchangeKind::Terrain;
        std::string points;
        while (!waiting.empty() &&
               static_cast<int>(next.points.size()) < limits.pointsPerExchange) {
            const Point& point = waiting.front();
            char text[64];
            FormatBounded(text, sizeof text, "%s[%.7f,%.7f]", points.empty() ? "" : ",",
                          point.latitude, point.longitude);
            points += text;
            next.points.push_back(point);
            waiting.pop_front();
        }
        char marker[32];
        FormatBounded(marker, sizeof marker, "%s%lld", kMarker, static_cast<long long>(next.id));
        outgoing += std::string("nasal\r\nvar r = '") + marker + "'; foreach (var p; [" + points +
                    "]) { var g = geodinfo(p[0], p[1]); r = r ~ ' ' ~ (g == nil ? 'nil' : "
                    "sprintf('%.3f', g[0])); } setprop('" +
                    kTerrainProperty + "', r);\r\n##EOF##\r\nget " + kTerrainProperty + "\r\n";
    } else {
        return;
    }
    lastWasReads = next.kind == ExchangeKind::Reads;
    exchange = std::move(next);
    nextExchange = now + 1.0 / limits.exchangesPerSecond;
}

bool PropertyClient::SendPending() {
    while (!outgoing.empty()) {
        std::size_t sent = 0;
        if (!client.SendSome(outgoing.data(), outgoing.size(), sent)) {
            return true; // the receiving side sees the connection end
        }
        if (sent == 0) {
            return true; // the server reads slowly: the rest goes at the next Poll
        }
        outgoing.erase(0, sent);
    }
    return true;
}

// False when the connection went or the server was left.
bool PropertyClient::TakeIncoming(double now) {
    char buffer[4096];
    for (int receives = 0; receives < kMostReceivesPerPoll; ++receives) {
        std::size_t size = 0;
        const TcpReceipt receipt = client.Receive(buffer, sizeof buffer, 0, size);
        if (receipt == TcpReceipt::Nothing) {
            break;
        }
        if (receipt != TcpReceipt::Data) {
            Drop(now, limits.retrySeconds);
            return false;
        }
        incoming.append(buffer, size);
        for (std::size_t end = incoming.find('\n'); end != std::string::npos;
             end = incoming.find('\n')) {
            std::string line = incoming.substr(0, end);
            incoming.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (!TakeLine(line, now)) {
                return false;
            }
        }
        if (incoming.size() > limits.longestLine) {
            Leave(now, "sent a line longer than any answer");
            return false;
        }
    }
    return true;
}

bool PropertyClient::TakeLine(const std::string& line, double now) {
    if (line.size() > limits.longestLine) {
        Leave(now, "sent a line longer than any answer");
        return false;
    }
    if (exchange.kind == ExchangeKind::None) {
        Leave(now, "sent a line nothing asked for (\"" + MaskControls(line.substr(0, 40)) + "\")");
        return false;
    }
    if (!answeredSinceLeft || link != PropertyLink::Ready) {
        if (link == PropertyLink::Left) {
            Event("answers again");
        }
        link = PropertyLink::Ready;
        answeredSinceLeft = true;
    }
    if (exchange.kind == ExchangeKind::Reads) {
        TakeReading(line, now);
        return true;
    }
    if (!TakeTerrainLine(line)) {
        Leave(now, "answered a Nasal block with too many lines");
        return false;
    }
    return true;
}

void PropertyClient::TakeReading(const std::string& line, double now) {
    PropertyReading& reading = watches[exchange.watches.front()].reading;
    reading.read = true;
    reading.text = line;
    reading.number = NumberOf(line);
    reading.at = now;
    exchange.watches.erase(exchange.watches.begin());
    if (exchange.watches.empty()) {
        exchange = Exchange{};
    }
}

// The answer is the line with a marker, or an empty one (no such property: the block never
// ran); lines before it are the block's complaints. False when there are too many of those.
bool PropertyClient::TakeTerrainLine(const std::string& line) {
    std::size_t rest = 0;
    const std::int64_t id = MarkedId(line, rest);
    if (id < 0 && !line.empty()) {
        if (++exchange.skippedLines > kMostSkippedLines) {
            return false;
        }
        FailTerrain(MaskControls(line.substr(0, 120)));
        return true;
    }
    if (id == exchange.id) {
        AnswerTerrain(Words(line.substr(rest)));
    } else {
        FailTerrain("");
        Unanswer(exchange.points);
    }
    exchange = Exchange{};
    return true;
}

void PropertyClient::AnswerTerrain(const std::vector<std::string>& values) {
    const bool whole = values.size() == exchange.points.size();
    for (std::size_t i = 0; i < exchange.points.size(); ++i) {
        TerrainAnswer answer{exchange.points[i].ticket, TerrainResult::Unanswered, 0};
        if (whole && values[i] == "nil") {
            answer.result = TerrainResult::NoScenery;
        } else if (whole) {
            answer.elevation = NumberOf(values[i]);
            answer.result = answer.elevation == answer.elevation ? TerrainResult::Height
                                                                 : TerrainResult::Unanswered;
        }
        answers.push_back(answer);
    }
    terrainEverAnswered = terrainEverAnswered || whole;
    terrainFailures = whole ? 0 : terrainFailures + 1;
}

// A block that failed: said with FlightGear's complaint the first time. One that never ran
// three times over, on a server that never ran one, is a server without Nasal from sockets.
void PropertyClient::FailTerrain(const std::string& complaint) {
    static constexpr int kFailuresMeaningNoNasal = 3;
    if (!complaint.empty()) {
        if (!complaintSaid) {
            complaintSaid = true;
            Event("failed a Nasal block: " + complaint);
        }
        return;
    }
    ++terrainFailures;
    if (!terrainEverAnswered && terrainFailures >= kFailuresMeaningNoNasal && offersTerrain) {
        offersTerrain = false;
        Unanswer({waiting.begin(), waiting.end()});
        waiting.clear();
        Event("runs no Nasal from its clients (start FlightGear with "
              "--allow-nasal-from-sockets): aircraft on the ground stand at their field's "
              "elevation");
    }
}

void PropertyClient::Unanswer(const std::vector<Point>& points) {
    for (const Point& point : points) {
        answers.push_back({point.ticket, TerrainResult::Unanswered, 0});
    }
}
