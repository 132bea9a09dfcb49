#include "tools/trafficlog/serve/ServeCommand.h"

#include "platform/ProcessControl.h"
#include "platform/TcpServer.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/serve/BaseStationReplay.h"
#include "tools/trafficlog/serve/FeedClients.h"
#include "tools/trafficlog/serve/ServeOptions.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>

namespace {
// A stop is seen within this long; a client with bytes waiting is served again this soon.
constexpr double kLongestWaitSeconds = 0.2;
constexpr double kWaitingClientSeconds = 0.02;
// Bad lines listed one by one; the rest are only counted.
constexpr std::int64_t kListedBadLines = 10;

double ReplaySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double CalendarSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

class ServePrinter : public FeedClientEvents {
public:
    explicit ServePrinter(const TrafficLogConsole& console) : console(console) {}

    void Joined(const FeedClientReport& client) override {
        ++clients;
        ++served;
        PrintNote(console, "client " + std::string(client.name) + " connected (" +
                               CountOf(clients, "client", "clients") + ")");
    }
    void Left(const FeedClientReport& client) override {
        --clients;
        std::string text = "client " + std::string(client.name) + " gone after " +
                           CountOf(client.lines, "line", "lines");
        if (client.dropped > 0) {
            text += " (" + std::to_string(client.dropped) + " dropped: it read too slowly)";
        }
        if (client.why != nullptr && client.why[0] != '\0') {
            text += ": " + std::string(client.why);
        }
        PrintNote(console, text);
    }
    void Refused(const char* name, int most) override {
        PrintNote(console, "client " + std::string(name) + " refused: " +
                               CountOf(most, "client is", "clients are") + " the most served");
    }
    int Served() const { return served; }

private:
    const TrafficLogConsole& console;
    int clients = 0;
    int served = 0;
};

class Session {
public:
    Session(const TrafficLogConsole& console, const ServeOptions& options, TcpServer& server)
        : console(console), options(options), server(server), clients(server), printer(console),
          replay(options.speed, ReplaySeconds(), CalendarSeconds()) {}

    // The exit code.
    int Run();

private:
    // The next message at hand, from the next pass where --loop asks for it; nothing at the
    // end, on a stop, or when the log fails or holds no message (`code` then says so).
    bool Take(std::optional<int>& code);
    int LogFailed();
    void ListBadLine();
    int Summary(int code);

    const TrafficLogConsole& console;
    const ServeOptions& options;
    TcpServer& server;
    FeedClients clients;
    ServePrinter printer;
    BaseStationReplay replay;
    std::int64_t passStart = 0; // messages before this pass
};

int Session::Run() {
    if (!replay.Open(options.log)) {
        const int code = LogFailed();
        return StopRequested() ? Summary(code) : code;
    }
    bool pending = false;
    while (!StopRequested()) {
        std::optional<int> code;
        if (!pending && !(pending = Take(code))) {
            return Summary(code.value_or(kExitSuccess));
        }
        const double wait =
            std::clamp(replay.DueAt() - ReplaySeconds(), 0.0,
                       clients.Waiting() ? kWaitingClientSeconds : kLongestWaitSeconds);
        if (!clients.Serve(static_cast<int>(std::lround(wait * 1000)), printer)) {
            return Summary(PrintFailure(console, "the listening socket failed: " +
                                                     SystemReason(server.FullErrorText())));
        }
        if (ReplaySeconds() >= replay.DueAt()) {
            clients.Send(replay.Line(), static_cast<std::size_t>(replay.LineLength()), printer);
            pending = false;
        }
    }
    return Summary(kExitSuccess);
}

// A stop is heeded between lines too: a log of bad lines may be long, or never end.
bool Session::Take(std::optional<int>& code) {
    while (!StopRequested()) {
        const ReplayStep step = replay.Next();
        if (step == ReplayStep::Message) {
            return true;
        }
        if (step == ReplayStep::BadLine) {
            ListBadLine();
            continue;
        }
        if (replay.ReadFailed()) {
            code = LogFailed();
            return false;
        }
        if (replay.Messages() == passStart) {
            PrintNote(console, MaskControls(options.log) +
                                   ": no BaseStation message with a date and time in it");
            code = kExitFindings;
            return false;
        }
        if (!options.loop) {
            return false;
        }
        passStart = replay.Messages();
        if (!replay.Open(options.log)) {
            code = LogFailed();
            return false;
        }
    }
    return false;
}

// A log read from a pipe is still being read when a stop ends the wait for more of it: that is
// the stop, not a failure.
int Session::LogFailed() {
    return StopRequested() ? kExitSuccess : PrintFailure(console, replay.FullErrorText());
}

void Session::ListBadLine() {
    // Each pass of a loop finds the same lines: the first pass lists them.
    if (passStart > 0 || replay.BadLines() > kListedBadLines) {
        return;
    }
    PrintNote(console, MaskControls(options.log) + ":" + std::to_string(replay.BadLineNumber()) +
                           ": " + replay.BadLineReason() + ": skipped");
}

int Session::Summary(int code) {
    const std::string text =
        MaskControls(options.log) + ": " + CountOf(replay.Messages(), "message", "messages") +
        " served to " + CountOf(printer.Served(), "client", "clients") + "; " +
        CountOf(replay.BadLines(), "bad line", "bad lines") + " skipped, " +
        CountOf(clients.Dropped(), "line", "lines") + " dropped for slow clients, " +
        CountOf(replay.JumpsPassedOver(), "jump", "jumps") + " of the log's clock passed over";
    std::fprintf(console.out, "%s\n", text.c_str());
    std::fflush(console.out);
    return code;
}
} // namespace

int RunServe(CommandArguments& args, const TrafficLogConsole& console) {
    ServeOptions options;
    const bool read = ReadServeOptions(args, options);
    if (const std::optional<int> code = Settled(console, args, read, "serve")) {
        return *code;
    }
    CatchStopSignals();
    TcpServer server;
    if (!server.Listen(options.port)) {
        return PrintFailure(console, "cannot serve on port " + std::to_string(options.port) + ": " +
                                         SystemReason(server.FullErrorText()) +
                                         " (a receiver or another serve may hold it: choose "
                                         "another port)");
    }
    char speed[32];
    FormatBounded(speed, sizeof speed, "%g", options.speed);
    PrintNote(console, "serving " + MaskControls(options.log) + " on port " +
                           std::to_string(server.Port()) + " at " + speed + " times its pace" +
                           (options.loop ? ", again and again" : "") + "; Ctrl-C ends");
    Session session(console, options, server);
    return session.Run();
}
