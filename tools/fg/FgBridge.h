#pragma once
// The simulator's side of the VisualInterface block with FlightGear as the simulator: FlightGear's
// own position messages keep the own-ship position and simulationState current, the feeder's
// publications go to FlightGear as multiplayer aircraft, and the traffic-alert logic raises the
// aural-alert requests, all written into the block through its SimulatorSide. Driven by its owner
// with datagrams and ticks and a clock in seconds, so that it runs the same against a test's block
// and fake sockets.

#include "aviation/Airports.h"
#include "aviation/TcasSystem.h"
#include "platform/UdpSocket.h"
#include "shared_memory/SimulatorSide.h"
#include "shared_memory/VisualInterfaceShm.h"
#include "tools/fg/MultiplayerCodec.h"
#include "tools/fg/OwnShipHeights.h"
#include "tools/fg/PropertyClient.h"
#include "tools/fg/TrafficForwarder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

inline constexpr double kDefaultSilenceSeconds = 15.0;
// FlightGear counts as silent (and the link as lost) after this long without a message.
inline constexpr double kLinkLostSeconds = 2.0;
// While FlightGear has never been heard, the user is reminded how to start it this often.
inline constexpr double kWaitingReminderSeconds = 30.0;

// The calendar, in seconds since 1970 to the fraction: how old a live record is.
class CalendarClock {
public:
    virtual double UnixSeconds() const = 0;

protected:
    ~CalendarClock() = default;
};

struct FgSettings {
    char model[kMpModelSize] = "Aircraft/ufo/Models/ufo.xml";
    double endAfterSilence = kDefaultSilenceSeconds;
    bool keepRunning = false; // silence leaves simulationState alone
    bool tcas = true;         // false: soundRequest stays at silence
    // The own-ship's callsign; empty: that of the first FlightGear heard.
    char ownCallsign[kMpCallsignSize] = "";
    // Chooses each aircraft's model; none: every aircraft is drawn with `model`.
    const ModelMatcher* matcher = nullptr;
    // Takes geometric heights to FlightGear's frame; none: they are sent as recorded.
    const GeoidGrid* geoid = nullptr;
    // FlightGear's airports, and their ground networks: aircraft on the ground stand on them,
    // and traffic lands, rolls, taxis and parks there; the ground under the own-ship, for the
    // traffic alerts, where FlightGear does not say it, is the nearest one's elevation. None:
    // every aircraft is dead-reckoned at its recorded height, the own-ship's ground not known.
    AirportWorld airports;
    // FlightGear's property server, polled at every tick: the own-ship's altimeter and height
    // above the ground for the traffic alerts, and the height of FlightGear's own ground under
    // aircraft on the ground. None: they stand at their airport's field elevation.
    PropertyClient* propertyServer = nullptr;
    // Live traffic: each record is moved on from its own time, its age read on this clock.
    // None: a recording played back, moved on from the moment of its publication.
    const CalendarClock* calendar = nullptr;
};

enum class FgLink { Waiting, Receiving, Silent };

struct FgStatus {
    FgLink link = FgLink::Waiting;
    double messageRate = 0;     // position messages a second, over the last few seconds
    std::int64_t messages = 0;  // position messages taken
    std::int64_t malformed = 0; // datagrams refused
    std::int64_t others = 0;    // well-formed messages of other kinds, skipped
    std::int64_t foreign = 0;   // position messages of other senders or callsigns, ignored
    double lastMessage = -1;    // when the last position message came
    bool ownKnown = false;
    char ownCallsign[kMpCallsignSize] = {};
    GeodeticPosition own{};
    double ownHeading = 0;
    double ownNorthSpeed = 0;    // m/s
    double ownEastSpeed = 0;     // m/s
    double ownVerticalSpeed = 0; // m/s, climbing positive
    std::int32_t publications = 0;
    double lastPublication = -1;
    int forwarded = 0;
    int skipped = 0;
    int onGround = 0;             // aircraft forwarded that stand on the ground
    bool matching = false;        // models are chosen per aircraft
    int byRule[kMatchRules] = {}; // aircraft forwarded by the rule that chose their model
    // What the simulator's side last wrote into the block.
    std::int32_t soundRequest = kSilenceRequest;
    bool ending = false; // the ending state
};

class FgBridge {
public:
    FgBridge(VisualInterfaceBlock& block, const FgSettings& settings, double now);

    // One datagram from `from`, received at `now`; `tooLong` when it did not fit the buffer.
    // The own-ship is the first sender of a position message (with the callsign of the
    // settings, when they name one): its address and callsign are kept, and the position
    // messages of other senders ignored. Once it has gone silent, a sender with its callsign
    // from another address takes its place (FlightGear started again).
    void Receive(const std::uint8_t* datagram, std::size_t size, bool tooLong, double now,
                 const UdpEndpoint& from = {});
    // One tick: the block's fields, the traffic sent to `sink`, the alert request.
    void Tick(double now, DatagramSink& sink);
    // The user ends the bridge: the ending state (unless keepRunning), so that the feeder ends
    // itself after the bridge has gone.
    void EndNow(double now);
    // What FlightGear's property server says of the own-ship, read at `now` (metres; none of
    // what it did not give): its altimeter's pressure altitude and its height above the terrain.
    void TakeOwnReadings(std::optional<double> pressureAltitude, std::optional<double> aboveGround,
                         double now);
    // The block was removed and a fresh one made: the bridge goes on with it, the own-ship, the
    // simulation state and the alert request written into it at once; the old block's traffic
    // is no longer sent.
    void MoveTo(VisualInterfaceBlock& fresh, double now);
    // The ending state has stood long enough for the feeder to see it and end itself.
    bool Finished(double now) const;

    FgStatus Status() const;
    const TrafficForwarder& Traffic() const { return *traffic; }
    // What happened since the last call, one line each.
    std::vector<std::string> TakeEvents();

private:
    bool FromOwnShip(const MpPosition& message, const UdpEndpoint& from);
    void ReportForeign(const char* callsign, const UdpEndpoint& from, const char* wanted);
    void TakePosition(const MpPosition& message, double now);
    void WatchLink(double now);
    void ForwardPublication(double now);
    void AssessTraffic(double now);
    void ReadPropertyServer(double now);
    TcasOwnShip OwnShip(double now) const;
    void Event(const char* text);

    const FgSettings& settings;
    SimulatorSide simulator;
    std::unique_ptr<PublicationSnapshot> snapshot;
    std::unique_ptr<TrafficForwarder> traffic;
    MpDecoder decoder;
    TcasSystem tcas;
    FgOwnReadings readings;
    // The property server's readings of the own-ship, and when the latest were taken.
    int pressureWatch = -1;
    int aboveGroundWatch = -1;
    double ownReadAt = -1;
    UdpEndpoint ownSender{};
    bool foreignReported = false;
    // FlightGear's clock as its last message gave it, and when that came: the traffic is stamped
    // in FlightGear's own time, which it compares with its clock to place what it draws.
    double peerTime = 0;
    double peerTimeAt = 0;
    FgStatus status;
    double start;
    double rateWindowStart;
    std::int64_t rateWindowMessages = 0;
    double nextReminder;
    double lastMalformedReport = -1e9;
    std::vector<std::string> events;
};
