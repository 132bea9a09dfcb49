#pragma once
// FlightGear's property server (fgfs --telnet=PORT), asked without ever holding up the caller:
// properties read again and again at their own intervals, and the height of FlightGear's ground
// at points (Nasal's geodinfo, which needs fgfs --allow-nasal-from-sockets).
//
//     PropertyClient server("127.0.0.1", 5501);
//     const int altitude = server.Watch("/instrumentation/altimeter/pressure-alt-ft", 1.0);
//     ...
//     server.Poll(now);                               // every tick, before the readings are used
//     const PropertyReading& reading = server.Reading(altitude);
//     if (reading.IsNumber() && now - reading.at < 3) { ... reading.number ... }
//     const std::int64_t ticket = server.AskTerrain(latitude, longitude); // 0: ask again later
//     for (const TerrainAnswer& answer : server.TakeTerrain()) { ... }
//
// Poll does all the talking and never waits: it connects (again every few seconds while
// FlightGear is not there, as it starts long after the bridge), sends what is due, and takes
// what has come. The server is asked one exchange at a time and at most a few a second: the due
// properties together in one, or up to eight points of ground in one Nasal block; an answer is
// used when it comes. A server that leaves an exchange unanswered too long, or answers with what
// no property server says, is left and tried again half a minute later. What happens to the
// link (found, lost, no Nasal) is said once in TakeEvents. A host name is looked up at each
// attempt to connect: a numeric address or the machine's own name costs nothing.

#include "platform/TcpClient.h"
#include "tools/fg/TerrainSource.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <vector>

inline constexpr char kTerrainProperty[] = "/corvane/terrain";

struct PropertyClientLimits {
    double exchangesPerSecond = 4;
    double connectSeconds = 3;       // a connection not made in this long has failed
    double answerSeconds = 10;       // an exchange unanswered this long: the server is left
    double retrySeconds = 5;         // after a connection that failed or was closed
    double leftRetrySeconds = 30;    // after a server was left
    int pointsPerExchange = 8;       // ground heights asked in one Nasal block
    std::size_t waitingPoints = 256; // questions waiting to be asked at most
    std::size_t longestLine = 4096;  // a longer line is no property server's
};

struct PropertyReading {
    bool read = false; // an answer came
    std::string text;  // as the server wrote it; empty for a property it does not have
    double number = std::numeric_limits<double>::quiet_NaN(); // the text as a number
    double at = -1; // when the answer came, on the caller's clock
    bool IsNumber() const { return number == number; }
};

enum class PropertyLink {
    Connecting, // not connected yet, or connecting again
    Ready,      // connected and answering
    Left,       // it stopped answering or spoke nonsense: left for a while
};

class PropertyClient final : public TerrainSource {
public:
    PropertyClient(const char* host, std::uint16_t port, const PropertyClientLimits& limits = {});

    // Reads `path` (a property path, no spaces or line ends) every `intervalSeconds` from the
    // next Poll on; the number of its reading. Paths that are no paths are refused: -1.
    int Watch(const char* path, double intervalSeconds);
    // The latest answer for a watch.
    const PropertyReading& Reading(int watch) const { return watches[watch].reading; }

    // Ground heights: a ticket (0 while not connected, once the server is known to run no Nasal,
    // or with too many questions waiting). Questions still waiting when the link goes are
    // answered Unanswered.
    std::int64_t AskTerrain(double latitude, double longitude) override;
    std::vector<TerrainAnswer> TakeTerrain() override;

    void Poll(double now);

    PropertyLink Link() const { return link; }
    // False once the server has failed every Nasal block it was sent (FlightGear without
    // --allow-nasal-from-sockets): nothing more is asked of it.
    bool OffersTerrain() const { return offersTerrain; }
    // "HOST:PORT"
    const char* Where() const { return where; }
    std::vector<std::string> TakeEvents();

private:
    struct Watched {
        std::string path;
        double interval;
        double due;
        PropertyReading reading;
    };
    struct Point {
        std::int64_t ticket;
        double latitude;
        double longitude;
    };
    enum class ExchangeKind { None, Reads, Terrain };
    struct Exchange {
        ExchangeKind kind = ExchangeKind::None;
        std::int64_t id = 0;
        double sentAt = 0;
        std::vector<int> watches; // Reads: the properties asked, one answer line each
        std::vector<Point> points;
        int skippedLines = 0; // Terrain: lines before the answer (Nasal's complaints)
    };

    void Connect(double now);
    void AwaitConnection(double now);
    void Drop(double now, double retryAfter);
    void Leave(double now, const std::string& why);
    void StartExchange(double now);
    bool SendPending();
    bool TakeIncoming(double now);
    bool TakeLine(const std::string& line, double now);
    void TakeReading(const std::string& line, double now);
    bool TakeTerrainLine(const std::string& line);
    void AnswerTerrain(const std::vector<std::string>& values);
    void FailTerrain(const std::string& complaint);
    void Unanswer(const std::vector<Point>& points);
    void Event(const std::string& text);

    PropertyClientLimits limits;
    char host[256] = {};
    std::uint16_t port;
    char where[kHostPortTextSize] = {};
    TcpClient client;
    PropertyLink link = PropertyLink::Connecting;
    bool connecting = false;
    double connectStart = 0;
    double nextAttempt = 0;
    double nextExchange = 0;
    bool everConnected = false;
    bool absenceSaid = false;
    bool answeredSinceLeft = true;
    bool offersTerrain = true;
    bool terrainEverAnswered = false;
    bool complaintSaid = false;
    int terrainFailures = 0;
    bool lastWasReads = false;
    std::int64_t nextTicket = 1;
    std::int64_t nextId = 1;
    std::vector<Watched> watches;
    std::deque<Point> waiting;
    Exchange exchange;
    std::string outgoing;
    std::string incoming;
    std::vector<TerrainAnswer> answers;
    std::vector<std::string> events;
};
