#include "tools/fg/FgBridge.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/fg/FgStatusText.h"
#include "tools/fg/TcasRequest.h"
#include "traffic/FlightLimits.h"
#include "traffic/Units.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {
constexpr int kEventSize = 256;
// The message rate is counted over windows of this length.
constexpr double kRateWindowSeconds = 2.0;
// A stream of bad datagrams is reported once in this many seconds, with the count.
constexpr double kMalformedReportSeconds = 10.0;
// The own-ship's altimeter and height above the ground are read from the property server this
// often: well within the time its readings are trusted (kOwnReadingsLifetime).
constexpr double kOwnReadingSeconds = 1.0;

std::optional<double> MetresOf(const PropertyReading& feet) {
    return feet.IsNumber() ? std::optional<double>(feet.number * units::kMetresPerFoot)
                           : std::nullopt;
}
} // namespace

FgBridge::FgBridge(VisualInterfaceBlock& block, const FgSettings& settings, double now)
    : settings(settings), simulator(block), snapshot(std::make_unique<PublicationSnapshot>()),
      traffic(std::make_unique<TrafficForwarder>(settings.model, settings.matcher, settings.geoid,
                                                 settings.airports)),
      start(now), rateWindowStart(now), nextReminder(now + kWaitingReminderSeconds) {
    status.matching = settings.matcher != nullptr;
    // Not running until FlightGear has said something.
    simulator.Await();
    if (settings.propertyServer != nullptr) {
        pressureWatch = settings.propertyServer->Watch("/instrumentation/altimeter/pressure-alt-ft",
                                                       kOwnReadingSeconds);
        aboveGroundWatch =
            settings.propertyServer->Watch("/position/altitude-agl-ft", kOwnReadingSeconds);
    }
}

void FgBridge::MoveTo(VisualInterfaceBlock& fresh, double now) {
    simulator.MoveTo(fresh);
    // The old block's traffic would otherwise fly on by dead reckoning until a feeder publishes.
    traffic->Publish({}, now);
    status.forwarded = 0;
    std::fill(std::begin(status.byRule), std::end(status.byRule), 0);
    if (status.link == FgLink::Receiving && !simulator.Ending(now)) {
        simulator.MoveOwnShip(now, status.own.latitude, status.own.longitude);
    }
}

FgStatus FgBridge::Status() const {
    FgStatus shown = status;
    shown.soundRequest = simulator.SoundRequest();
    shown.ending = simulator.SimulationState() == kSimulationEnding;
    return shown;
}

std::vector<std::string> FgBridge::TakeEvents() {
    std::vector<std::string> taken;
    taken.swap(events);
    return taken;
}

void FgBridge::Event(const char* text) {
    events.emplace_back(text);
}

void FgBridge::Receive(const std::uint8_t* datagram, std::size_t size, bool tooLong, double now,
                       const UdpEndpoint& from) {
    MpPosition message{};
    MpDecodeResult result = MpDecodeResult::Malformed;
    if (tooLong) {
        char detail[64];
        FormatBounded(detail, sizeof detail, "more than %zu bytes", size);
        decoder.ReportDetail("MpDecoder::Decode", "Datagram longer than any multiplayer message",
                             detail);
    } else {
        result = decoder.Decode(datagram, size, message);
    }
    if (result == MpDecodeResult::Position) {
        if (FromOwnShip(message, from)) {
            TakePosition(message, now);
        }
        return;
    }
    if (result == MpDecodeResult::Other) {
        ++status.others;
        return;
    }
    ++status.malformed;
    if (now - lastMalformedReport >= kMalformedReportSeconds) {
        lastMalformedReport = now;
        const std::string reason = MaskControls(decoder.FullErrorText(), LineBreaks::Join);
        char line[kEventSize];
        FormatBounded(line, kEventSize, "malformed message skipped (%lld so far): %s",
                      static_cast<long long>(status.malformed), reason.c_str());
        Event(line);
    }
}

// A second FlightGear, another program or the bridge's own traffic sent back to it must not
// become the own-ship: the alerts would be raised against the wrong aircraft.
bool FgBridge::FromOwnShip(const MpPosition& message, const UdpEndpoint& from) {
    char callsign[kMpCallsignSize];
    MaskControlsBounded(callsign, message.callsign, kMpCallsignSize);
    const char* wanted = settings.ownCallsign[0] != '\0' ? settings.ownCallsign
                         : status.ownKnown               ? status.ownCallsign
                                                         : callsign;
    const bool named = std::strcmp(callsign, wanted) == 0;
    const bool sameSender = from.address == ownSender.address && from.port == ownSender.port;
    if (named && (sameSender || !status.ownKnown || status.link == FgLink::Silent)) {
        ownSender = from;
        return true;
    }
    ++status.foreign;
    if (!foreignReported) {
        foreignReported = true;
        ReportForeign(callsign, from, wanted);
    }
    return false;
}

// Said once: the count goes on in the status.
void FgBridge::ReportForeign(const char* callsign, const UdpEndpoint& from, const char* wanted) {
    char sender[32];
    char own[32] = "";
    if (status.ownKnown) {
        char address[24];
        FormatBounded(own, sizeof own, " from %s",
                      FormatEndpoint(address, sizeof address, ownSender));
    }
    char line[kEventSize];
    FormatBounded(line, kEventSize,
                  "ignoring position messages of %s from %s: the own-ship is %s%s (%s)", callsign,
                  FormatEndpoint(sender, sizeof sender, from), wanted, own,
                  settings.ownCallsign[0] != '\0' ? "--own-callsign" : "the first heard");
    Event(line);
}

void FgBridge::TakePosition(const MpPosition& message, double now) {
    const bool first = !status.ownKnown;
    const bool resumed = status.link == FgLink::Silent;
    status.ownKnown = true;
    MaskControlsBounded(status.ownCallsign, message.callsign, kMpCallsignSize);
    status.own = ToGeodetic(message.position);
    status.ownHeading = AnglesOf(status.own, message.attitude).heading;
    const Vector3 velocity = BodyToLocal(status.own, message.attitude, message.linearVelocity);
    status.ownNorthSpeed = velocity.x;
    status.ownEastSpeed = velocity.y;
    status.ownVerticalSpeed = -velocity.z;
    status.lastMessage = now;
    peerTime = message.time;
    peerTimeAt = now;
    ++status.messages;
    ++rateWindowMessages;
    if (simulator.Ending(now)) {
        return; // the feeder is ending: the block keeps the ending state
    }
    simulator.MoveOwnShip(now, status.own.latitude, status.own.longitude);
    status.link = FgLink::Receiving;
    char line[kEventSize];
    if (first || resumed) {
        FormatBounded(line, kEventSize, "%s %s at %.4f %.4f, %.0f ft: simulation running",
                      first ? "FlightGear found:" : "FlightGear back:", status.ownCallsign,
                      status.own.latitude, status.own.longitude,
                      status.own.height / units::kMetresPerFoot);
        Event(line);
    }
}

void FgBridge::WatchLink(double now) {
    if (now - rateWindowStart >= kRateWindowSeconds) {
        status.messageRate = static_cast<double>(rateWindowMessages) / (now - rateWindowStart);
        rateWindowStart = now;
        rateWindowMessages = 0;
    }
    const double quiet = now - status.lastMessage;
    char line[kEventSize];
    switch (status.link) {
    case FgLink::Waiting:
        if (now >= nextReminder) {
            nextReminder = now + 2 * kWaitingReminderSeconds;
            FormatBounded(line, kEventSize, "nothing from FlightGear for %.0f s", now - start);
            Event(line);
        }
        return;
    case FgLink::Receiving:
        if (quiet >= std::min(kLinkLostSeconds, settings.endAfterSilence)) {
            status.link = FgLink::Silent;
            status.messageRate = 0;
            FormatBounded(line, kEventSize, "FlightGear silent: %s",
                          settings.keepRunning ? "the simulation stays running (--keep-running)"
                                               : "the simulation ends if it stays so");
            Event(line);
        }
        return;
    case FgLink::Silent:
        if (!simulator.Ending(now) && !settings.keepRunning && quiet >= settings.endAfterSilence) {
            simulator.EndNow(now);
            FormatBounded(line, kEventSize,
                          "FlightGear silent for %.0f s: simulation ending (state 0x00FFFFFF)",
                          quiet);
            Event(line);
        }
        return;
    }
}

void FgBridge::ForwardPublication(double now) {
    if (!simulator.NewPublication()) {
        return;
    }
    simulator.TakeSnapshot(*snapshot);
    RecordTimes times;
    if (settings.calendar != nullptr) {
        times = {true, settings.calendar->UnixSeconds()};
    }
    traffic->Publish({snapshot->aircraft, static_cast<std::size_t>(snapshot->recordCount)}, now,
                     times);
    status.publications = snapshot->publishCounter;
    status.lastPublication = now;
    status.forwarded = traffic->Count();
    status.skipped = traffic->Skipped();
    status.onGround = traffic->OnGround();
    for (int rule = 0; rule < kMatchRules; ++rule) {
        status.byRule[rule] = traffic->CountByRule(static_cast<MatchRule>(rule));
    }
    std::string names;
    for (int i = 0; i < traffic->Count() && names.size() < kEventSize / 2; ++i) {
        names += ' ';
        names += traffic->CallsignAt(i);
    }
    std::int32_t recorded = 0;
    for (int i = 0; i < snapshot->recordCount; ++i) {
        recorded = std::max(recorded, snapshot->aircraft[i].positionTime);
    }
    // What is said of some of the aircraft forwarded, in one bracket: " (2 held at their fix, 1
    // on the ground)".
    char held[128] = "";
    const int counts[] = {traffic->Held(), status.onGround, traffic->LandingWithoutRecords()};
    const char* const what[] = {"held at their fix", "on the ground", "landing without records"};
    for (std::size_t i = 0; i < std::size(counts); ++i) {
        if (counts[i] > 0) {
            const std::size_t used = std::strlen(held);
            FormatBounded(held + used, sizeof held - used, "%s%d %s", used == 0 ? " (" : ", ",
                          counts[i], what[i]);
        }
    }
    if (held[0] != '\0') {
        const std::size_t used = std::strlen(held);
        FormatBounded(held + used, sizeof held - used, ")");
    }
    char stamp[kUtcTimestampSize];
    char age[32] = "";
    if (times.live && snapshot->recordCount > 0) {
        FormatBounded(age, sizeof age, ", %.1f s old", times.calendar - recorded);
    }
    char line[kEventSize];
    FormatBounded(line, kEventSize,
                  "publication %d (recorded %s%s): %d aircraft forwarded%s, %d skipped:%s",
                  snapshot->publishCounter, FormatUtcTimestamp(stamp, sizeof stamp, recorded), age,
                  status.forwarded, held, status.skipped, names.c_str());
    Event(line);
}

void FgBridge::TakeOwnReadings(std::optional<double> pressureAltitude,
                               std::optional<double> aboveGround, double now) {
    readings = {pressureAltitude, aboveGround, status.own.height, now};
}

// The own-ship as the traffic-alert logic compares it: its height is its pressure altitude.
TcasOwnShip FgBridge::OwnShip(double now) const {
    const OwnShipHeights heights = HeightsOf(status.own, readings, settings.airports.airports, now);
    GeodeticPosition position = status.own;
    position.height = heights.pressureAltitude;
    return {{position, status.ownNorthSpeed, status.ownEastSpeed, status.ownVerticalSpeed},
            heights.aboveGround};
}

void FgBridge::AssessTraffic(double now) {
    // An own-ship that moves as no aircraft flies (a spacecraft, a broken message) has no
    // encounter a traffic alert could resolve.
    const bool ownFlyable = flight_limits::IsFlyableGroundSpeed(
                                std::hypot(status.ownNorthSpeed, status.ownEastSpeed)) &&
                            flight_limits::IsFlyableVerticalRate(status.ownVerticalSpeed);
    if (settings.tcas && status.link == FgLink::Receiving && !simulator.Ending(now) && ownFlyable) {
        TcasIntruder intruders[kMaxBlockAircraft];
        const int n = traffic->Intruders(now, intruders, kMaxBlockAircraft);
        tcas.Step(OwnShip(now), {intruders, static_cast<std::size_t>(n)}, now);
    } else {
        tcas.Reset();
    }
    const std::int32_t request = RequestOf(tcas.Voice());
    if (request == simulator.SoundRequest()) {
        return;
    }
    simulator.Request(request);
    char line[kEventSize];
    FormatBounded(line, kEventSize, "alert request %d: %s", request, RequestName(request));
    Event(line);
}

// FlightGear's property server: the own-ship's altimeter and height above the ground, and the
// ground under the aircraft that may stand on it.
void FgBridge::ReadPropertyServer(double now) {
    PropertyClient* server = settings.propertyServer;
    if (server == nullptr) {
        return;
    }
    server->Poll(now);
    for (const std::string& event : server->TakeEvents()) {
        Event(MaskControls(event, LineBreaks::Join).c_str());
    }
    const PropertyReading& pressure = server->Reading(pressureWatch);
    const PropertyReading& aboveGround = server->Reading(aboveGroundWatch);
    const double readAt = std::max(pressure.at, aboveGround.at);
    if (readAt > ownReadAt) {
        ownReadAt = readAt;
        TakeOwnReadings(MetresOf(pressure), MetresOf(aboveGround), now);
    }
    traffic->KeepGround(now, *server);
    status.onGround = traffic->OnGround();
}

void FgBridge::Tick(double now, DatagramSink& sink) {
    WatchLink(now);
    ForwardPublication(now);
    ReadPropertyServer(now);
    if (status.link == FgLink::Receiving) {
        traffic->SendAll(now, peerTime + (now - peerTimeAt), sink);
    }
    AssessTraffic(now);
}

void FgBridge::EndNow(double now) {
    if (settings.keepRunning || simulator.Ending(now)) {
        return;
    }
    simulator.EndNow(now);
    Event("ended by the user: simulation ending (state 0x00FFFFFF)");
}

bool FgBridge::Finished(double now) const {
    return simulator.Finished(now);
}
