#include "tools/fg/FgRunner.h"

#include "platform/Clock.h"
#include "platform/SocketAddress.h"
#include "platform/UdpSocket.h"
#include "shared_memory/VisualShm.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/fg/FgModelSources.h"
#include "tools/fg/FgStatusText.h"
#include "tools/fg/FgWorld.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <thread>

namespace {
constexpr auto kTick = std::chrono::milliseconds(100);
// The view is redrawn this often; the log gets a status line this often.
constexpr int kRedrawTicks = 5;
constexpr int kStatusLineTicks = 100;
constexpr std::size_t kViewEvents = 8;

class UdpSink : public DatagramSink {
public:
    UdpSink(UdpSocket& socket, const UdpEndpoint& destination)
        : socket(socket), destination(destination) {}
    bool Send(const std::uint8_t* data, std::size_t size) override {
        return socket.SendTo(destination, data, size);
    }

private:
    UdpSocket& socket;
    UdpEndpoint destination;
};

class SystemCalendar : public CalendarClock {
public:
    double UnixSeconds() const override {
        return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    }
};

std::string Stamp() {
    char stamp[kUtcTimestampSize];
    return FormatUtcTimestamp(stamp, sizeof stamp, SystemClock().NowSeconds());
}

// The watch over the loading at start: the user's stop request through the terminal, and a
// line when a FIFO or a pipe keeps the bridge waiting.
class StartWatch : public ReadWatch {
public:
    StartWatch(ProcessTerminal& terminal, std::FILE* out) : terminal(terminal), out(out) {}
    bool StopRequested() override { return terminal.QuitRequested(); }
    void Waiting(const std::string& path) override {
        std::fprintf(out,
                     "%s corvane-fg: waiting for %s, a FIFO or a pipe whose writer has given "
                     "nothing yet (q, Ctrl-C or a termination signal ends the wait)\n",
                     Stamp().c_str(), MaskControls(path, LineBreaks::Join).c_str());
        std::fflush(out);
    }

private:
    ProcessTerminal& terminal;
    std::FILE* out;
};

class Session {
public:
    Session(const FgOptions& options, ProcessTerminal& terminal, std::unique_ptr<CVisShm>& client,
            UdpSocket& listener, UdpSocket& sender, const UdpEndpoint& flightGear, std::FILE* out)
        : options(options), terminal(terminal), client(client), listener(listener),
          sink(sender, flightGear), sender(sender), out(out),
          viewMode(terminal.IsTerminal() && !options.logLines), start(Clock::now()),
          bridge(*static_cast<VisualInterfaceBlock*>(client->GetBlock()), options.settings, 0) {}

    // 0 after a normal end, 1 when the block broke or the log could not be written.
    int Run();

private:
    using Clock = std::chrono::steady_clock;

    double Seconds() const { return std::chrono::duration<double>(Clock::now() - start).count(); }
    void ReceiveUntil(Clock::time_point deadline);
    bool KeepTheBlock(double now);
    // The events and, when due (or `last`), the view or the status line.
    bool Show(std::int64_t tick, double now, bool last = false);
    bool Log(const std::string& text);

    const FgOptions& options;
    ProcessTerminal& terminal;
    std::unique_ptr<CVisShm>& client;
    UdpSocket& listener;
    UdpSink sink;
    UdpSocket& sender;
    std::FILE* out;
    bool viewMode;
    Clock::time_point start;
    FgBridge bridge;
    std::deque<std::string> recent;
    bool sendFailureShown = false;
    bool receiveFailureShown = false;
    std::uint8_t datagram[kMpMaxDatagram];
};

// Takes FlightGear's datagrams until the next tick is due; a flood of them never holds the
// tick up, and a socket that fails leaves the tick its time instead of spinning.
void Session::ReceiveUntil(Clock::time_point deadline) {
    while (Clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        std::size_t size = 0;
        UdpEndpoint from;
        const UdpReceipt receipt =
            listener.Receive(datagram, sizeof datagram,
                             left.count() > 0 ? static_cast<int>(left.count()) : 0, size, &from);
        if (receipt == UdpReceipt::Datagram || receipt == UdpReceipt::TooLong) {
            bridge.Receive(datagram, size, receipt == UdpReceipt::TooLong, Seconds(), from);
        } else if (receipt == UdpReceipt::Failed) {
            if (!receiveFailureShown) {
                receiveFailureShown = true;
                Log("cannot receive from FlightGear: " +
                    MaskControls(listener.FullErrorText(), LineBreaks::Join));
            }
            std::this_thread::sleep_until(deadline);
        }
    }
}

bool Session::Log(const std::string& text) {
    const std::string stamp = Stamp();
    const std::string line = stamp + " " + text;
    if (viewMode) {
        // The time of day alone ("2026-06-01T08:00:00Z": "08:00:00"): the view is narrow.
        recent.push_back((stamp.size() >= 19 ? stamp.substr(11, 8) : stamp) + " " + text);
        if (recent.size() > kViewEvents) {
            recent.pop_front();
        }
        return true;
    }
    return std::fprintf(out, "%s\n", line.c_str()) >= 0 && std::fflush(out) == 0;
}

bool Session::Show(std::int64_t tick, double now, bool last) {
    for (const std::string& event : bridge.TakeEvents()) {
        if (!Log(event)) {
            return false;
        }
    }
    if (!sendFailureShown && sender.FullErrorText().size() > 0) {
        sendFailureShown = true;
        if (!Log("cannot send to FlightGear: " +
                 MaskControls(sender.FullErrorText(), LineBreaks::Join))) {
            return false;
        }
    }
    // The last picture stays on the screen: it must hold why the bridge ended.
    if (viewMode && (last || tick % kRedrawTicks == 0)) {
        const TerminalSize size = terminal.Size();
        terminal.Draw(StatusView(bridge.Status(), options, {recent.begin(), recent.end()}, now,
                                 size.columns, size.rows));
        if (last) {
            terminal.EndDrawing();
        }
    } else if (!viewMode && tick % kStatusLineTicks == kStatusLineTicks - 1) {
        return Log(StatusLine(bridge.Status(), now));
    }
    return true;
}

// A block whose name a peer removed is one that no feeder started from now on will meet: the
// bridge says so, and ends, or with --keep-running goes on with a fresh block under the name.
bool Session::KeepTheBlock(double now) {
    if (!client->IsBlockIntact()) {
        client->Abandon();
        Log(MaskControls(client->FullErrorText(), LineBreaks::Join));
        return false;
    }
    if (!client->IsBlockNameRemoved()) {
        return true;
    }
    client->Detach();
    if (!options.settings.keepRunning) {
        Log("Shared block removed by its peer: a feeder started now would not meet this "
            "bridge; ending (start corvane-fg again, or run it with --keep-running)");
        return false;
    }
    client = std::make_unique<CVisShm>(options.name);
    if (!client->IsValid()) {
        Log("Shared block removed by its peer, and no fresh one: " +
            MaskControls(client->FullErrorText(), LineBreaks::Join));
        return false;
    }
    auto* fresh = static_cast<VisualInterfaceBlock*>(client->GetBlock());
    bridge.MoveTo(*fresh, now);
    Log("Shared block removed by its peer: going on with a fresh block \"" +
        std::string(options.name) + "\" (clients attached: " +
        std::to_string(std::atomic_ref<std::int32_t>(fresh->attachCount).load()) +
        "; --keep-running)");
    return true;
}

int Session::Run() {
    for (std::int64_t tick = 0;; ++tick) {
        // Ticks missed (a busy machine, a stopped process) are not made up for: a burst of them
        // would only send FlightGear stale traffic.
        tick = std::max<std::int64_t>(tick, (Clock::now() - start) / kTick);
        ReceiveUntil(start + kTick * (tick + 1));
        const double now = Seconds();
        if (!KeepTheBlock(now)) {
            Show(tick, now, true);
            return 1;
        }
        if (terminal.QuitRequested()) {
            bridge.EndNow(now);
            Show(tick, now, true);
            return 0;
        }
        bridge.Tick(now, sink);
        const bool finished = bridge.Finished(now);
        if (!Show(tick, now, finished)) {
            return 1;
        }
        if (finished) {
            return 0;
        }
    }
}

// Traffic sent where the bridge listens would come back as position messages, and the bridge
// would take its own aircraft for FlightGear's.
bool SendsToItself(const UdpEndpoint& local, const UdpEndpoint& flightGear) {
    constexpr std::uint32_t kLoopbackNet = 0x7F000000;
    const bool loopback = (flightGear.address & 0xFF000000u) == kLoopbackNet;
    return flightGear.port == local.port &&
           (flightGear.address == local.address || (local.address == 0 && loopback));
}

// How aircraft on the ground will be placed, once there are airports to place them on.
std::string GroundNote(const FgOptions& options) {
    char where[kHostPortTextSize];
    FormatHostPort(where, sizeof where, options.telnetHost, options.telnetPort);
    if (options.settings.propertyServer != nullptr) {
        return std::string("aircraft on the ground stand on FlightGear's own ground, asked of its "
                           "property server at ") +
               where + " (fgfs --telnet=" + std::to_string(options.telnetPort) +
               " --allow-nasal-from-sockets); at their field's elevation until it answers";
    }
    return "aircraft on the ground stand at their airport's field elevation (for FlightGear's "
           "own ground: --fg-telnet PORT, and fgfs --telnet=PORT --allow-nasal-from-sockets)";
}

// 0 when both sockets are ready, else the exit code.
int OpenSockets(const FgOptions& options, UdpSocket& listener, UdpSocket& sender,
                UdpEndpoint& flightGear, std::FILE* err) {
    UdpEndpoint local;
    if (!listener.Resolve(options.listenHost, options.listenPort, local) ||
        !sender.Resolve(options.sendHost, options.sendPort, flightGear)) {
        const std::string reason =
            MaskControls(listener.FullErrorText() + sender.FullErrorText(), LineBreaks::Join);
        std::fprintf(err, "corvane-fg: cannot resolve the address: %s\n", reason.c_str());
        return 1;
    }
    if (SendsToItself(local, flightGear)) {
        std::fprintf(err,
                     "corvane-fg: --send %s:%u is where the bridge listens (--listen %s:%u): "
                     "the traffic sent would come back as FlightGear's own aircraft\n"
                     "Try 'corvane-fg --help'.\n",
                     options.sendHost, static_cast<unsigned>(options.sendPort), options.listenHost,
                     static_cast<unsigned>(options.listenPort));
        return kFgUsageExitCode;
    }
    if (!listener.Bind(local)) {
        std::fprintf(err,
                     "corvane-fg: cannot listen for FlightGear on %s:%u: %s\n"
                     "Another program holds the port (another corvane-fg, or a FlightGear told "
                     "to take its multiplayer input there). Choose another one with --listen, "
                     "and give FlightGear the same with --multiplay=out.\n",
                     options.listenHost, static_cast<unsigned>(options.listenPort),
                     MaskControls(listener.FullErrorText(), LineBreaks::Join).c_str());
        return 1;
    }
    return 0;
}
} // namespace

int RunBridge(const FgOptions& given, ProcessTerminal& terminal, std::FILE* out, std::FILE* err) {
    FgModelSources sources;
    FgWorld world;
    std::vector<std::string> notes;
    std::string error;
    StartWatch watch(terminal, out);
    if (!LoadModelSources(given, sources, notes, error, watch) ||
        !LoadWorld(given, world, notes, error, watch)) {
        std::fprintf(err, "corvane-fg: %s\n", MaskControls(error, LineBreaks::Join).c_str());
        // A stop asked for while the bridge was loading is an end the user wanted.
        return watch.StopRequested() ? 0 : 1;
    }
    FgOptions options = given;
    options.settings.matcher = sources.matcher.get();
    options.settings.geoid = world.geoid.IsLoaded() ? &world.geoid : nullptr;
    if (world.airportsLoaded) {
        options.settings.airports = {&world.airports.index, &world.networks};
    }
    std::unique_ptr<PropertyClient> propertyServer;
    if (options.telnetPort != 0) {
        propertyServer = std::make_unique<PropertyClient>(options.telnetHost, options.telnetPort);
        options.settings.propertyServer = propertyServer.get();
    }
    if (options.settings.airports.airports != nullptr) {
        notes.push_back(GroundNote(options));
    }
    for (const std::string& note : notes) {
        std::fprintf(out, "%s corvane-fg: %s\n", Stamp().c_str(),
                     MaskControls(note, LineBreaks::Join).c_str());
    }
    const SystemCalendar calendar;
    if (options.live) {
        options.settings.calendar = &calendar;
    }
    UdpSocket listener;
    UdpSocket sender;
    UdpEndpoint flightGear;
    if (const int failed = OpenSockets(options, listener, sender, flightGear, err); failed != 0) {
        return failed;
    }
    auto client = std::make_unique<CVisShm>(options.name);
    if (!client->IsValid()) {
        std::fprintf(err, "corvane-fg: %s\n",
                     MaskControls(client->FullErrorText(), LineBreaks::Join).c_str());
        return 1;
    }
    auto* block = static_cast<VisualInterfaceBlock*>(client->GetBlock());
    std::fprintf(out,
                 "%s corvane-fg: attached to block \"%s\" (clients attached: %d); waiting for "
                 "FlightGear on %s:%u, traffic goes to %s:%u\n",
                 Stamp().c_str(), options.name,
                 std::atomic_ref<std::int32_t>(block->attachCount).load(), options.listenHost,
                 static_cast<unsigned>(options.listenPort), options.sendHost,
                 static_cast<unsigned>(options.sendPort));
    std::fflush(out);
    Session session(options, terminal, client, listener, sender, flightGear, out);
    const int status = session.Run();
    client->Detach();
    std::fprintf(out, "%s corvane-fg: detached from \"%s\"\n", Stamp().c_str(), options.name);
    std::fflush(out);
    return status;
}
