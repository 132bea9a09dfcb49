#include "tools/sim/SimRunner.h"

#include "platform/NamedMapping.h"
#include "shared_memory/VisualShm.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/sim/ScopeGrid.h"
#include "tools/sim/ScopeSvg.h"
#include "tools/sim/ScopeText.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {
constexpr auto kTick = std::chrono::milliseconds(100);
// The scope is redrawn this often between publications, for the moving own-ship.
constexpr int kRedrawTicks = 5;

// One line on a stream, for a log that keeps one line per event.
void Say(std::FILE* stream, const std::string& line) {
    std::fprintf(stream, "corvane-sim: %s\n", MaskControls(line, LineBreaks::Join).c_str());
    std::fflush(stream);
}

// Standard output, whose first failed write ends the run: a log piped into a reader that has
// gone (head -1) must not leave the simulation running with nobody watching.
class Output {
public:
    explicit Output(std::FILE* out) : out(out) {}

    void Line(const std::string& line) {
        if (!Failed() && (std::fprintf(out, "%s\n", line.c_str()) < 0 || std::fflush(out) != 0)) {
            error = errno != 0 ? errno : EIO;
        }
    }
    void Refused() { error = errno != 0 ? errno : EIO; }
    bool Failed() const { return error != 0; }
    int Error() const { return error; }

private:
    std::FILE* out;
    int error = 0;
};

class Session {
public:
    Session(const SimOptions& options, ProcessTerminal& terminal, CVisShm& client, Output& output,
            std::FILE* err)
        : options(options), terminal(terminal), client(client),
          simulator(*static_cast<VisualInterfaceBlock*>(client.GetBlock()),
                    options.settings.endAfterSeconds),
          output(output), err(err), scopeMode(terminal.IsTerminal() && !options.logLines) {}

    // False when a peer shrank the block under the run: it is then no longer touched.
    bool Run();

private:
    void Tick(int tick, double seconds);
    // The own-ship on its route and the scripted alert request, into the block.
    void Step(double seconds);
    void Show(bool published);
    void LogEvents(double seconds);
    // Leaves the ending state in the block, so that the feeder ends itself too.
    void Stop(double seconds);

    const SimOptions& options;
    ProcessTerminal& terminal;
    CVisShm& client;
    SimulatorSide simulator;
    Output& output;
    std::FILE* err;
    bool scopeMode;
    ScopeState state;
    std::unique_ptr<PublicationSnapshot> publication;
    ScopeSvgFile svg;
    std::int32_t loggedSound = -1;
    bool loggedEnding = false;
    bool quit = false;
};

bool Session::Run() {
    const auto start = std::chrono::steady_clock::now();
    bool intact = true;
    for (int tick = 0;; ++tick) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        intact = client.IsBlockIntact();
        if (!intact) {
            break;
        }
        Tick(tick, seconds);
        if (quit || simulator.Finished(seconds)) {
            break;
        }
        std::this_thread::sleep_until(start + kTick * (tick + 1));
    }
    if (scopeMode) {
        terminal.EndDrawing();
    }
    return intact;
}

void Session::Stop(double seconds) {
    simulator.EndNow(seconds);
    Step(seconds);
    quit = true;
}

void Session::Step(double seconds) {
    state.own = options.settings.route.At(seconds);
    simulator.Step(seconds, state.own.latitude, state.own.longitude,
                   options.settings.sounds.RequestAt(seconds));
}

void Session::Tick(int tick, double seconds) {
    if (terminal.QuitRequested()) {
        Stop(seconds);
    }
    Step(seconds);
    state.seconds = seconds;
    state.ownAltitudeFt = options.settings.ownAltitudeFt;
    state.soundRequest = simulator.SoundRequest();
    state.simulationState = simulator.SimulationState();
    const bool published = simulator.NewPublication();
    if (published) {
        if (!publication) {
            publication = std::make_unique<PublicationSnapshot>();
        }
        simulator.TakeSnapshot(*publication);
        state.publication = publication.get();
        state.publishedAt = seconds;
    }
    if (!scopeMode) {
        LogEvents(seconds);
    }
    if (published || (scopeMode && tick % kRedrawTicks == 0)) {
        Show(published);
    }
    if (output.Failed() && !quit) {
        Stop(seconds);
    }
}

void Session::Show(bool published) {
    if (scopeMode) {
        const TerminalSize size = terminal.Size();
        if (!terminal.Draw(RenderScope(state, size.columns, size.rows))) {
            output.Refused();
        }
    } else if (published) {
        output.Line(PublicationLogLine(state));
    }
    if (published && options.svgPath != nullptr && !svg.Write(options.svgPath, state)) {
        Say(err, svg.FullErrorText());
    }
}

void Session::LogEvents(double seconds) {
    char line[128];
    if (simulator.SoundRequest() != loggedSound) {
        loggedSound = simulator.SoundRequest();
        FormatBounded(line, sizeof line, "%7.1f s sound request %d (%s)", seconds, loggedSound,
                      AlertName(loggedSound));
        output.Line(line);
    }
    if (simulator.Ending(seconds) && !loggedEnding) {
        loggedEnding = true;
        FormatBounded(line, sizeof line, "%7.1f s simulation ending (state 0x00FFFFFF)", seconds);
        output.Line(line);
    }
}

// The picture before any publication, so that a path that cannot be written is known at once.
bool FirstPicture(const SimOptions& options, std::FILE* err) {
    if (options.svgPath == nullptr) {
        return true;
    }
    ScopeState state;
    state.own = options.settings.route.At(0);
    state.ownAltitudeFt = options.settings.ownAltitudeFt;
    ScopeSvgFile svg;
    if (svg.Write(options.svgPath, state)) {
        return true;
    }
    Say(err,
        "--svg " + std::string(options.svgPath) + " cannot be written: " + svg.FullErrorText());
    return false;
}
} // namespace

int RunStandIn(const SimOptions& options, ProcessTerminal& terminal, std::FILE* out,
               std::FILE* err) {
    if (!FirstPicture(options, err)) {
        return kSimExitUsage;
    }
    CVisShm client(options.name);
    if (!client.IsValid()) {
        Say(err, client.FullErrorText());
        return kSimExitCannotRun;
    }
    auto* block = static_cast<VisualInterfaceBlock*>(client.GetBlock());
    Output output(out);
    output.Line("corvane-sim: attached to block \"" + MaskControls(options.name) +
                "\" (clients attached: " +
                std::to_string(std::atomic_ref<std::int32_t>(block->attachCount).load()) + ")");
    if (!output.Failed() && !Session(options, terminal, client, output, err).Run()) {
        // The block's memory may be gone with its pages: it is left as it is.
        client.Abandon();
        Say(err, client.FullErrorText());
        return kSimExitCannotRun;
    }
    client.Detach();
    output.Line("corvane-sim: detached from \"" + MaskControls(options.name) + "\"");
    if (output.Failed()) {
        Say(err, std::string("output failed (") + std::strerror(output.Error()) +
                     "): the simulation is ended and the block detached");
        return kSimExitCannotRun;
    }
    return kSimExitNormal;
}

int RemoveStaleBlock(const char* name, bool force, std::FILE* out, std::FILE* err) {
    char reason[256];
    NamedMapping mapping;
    if (!mapping.Open(name) || !mapping.Map()) {
        NamedMapping::ErrorText(mapping.LastError(), reason, sizeof reason);
        std::fprintf(err, "corvane-sim: no block \"%s\" to remove: %s\n", name,
                     MaskControls(reason, LineBreaks::Join).c_str());
        return kSimExitCannotRun;
    }
    // A block too short to hold a count is no block any client can use.
    std::int32_t attached = 0;
    if (mapping.MappedSize() >= sizeof(VisualInterfaceBlock)) {
        auto* block = static_cast<VisualInterfaceBlock*>(mapping.Address());
        attached = std::atomic_ref<std::int32_t>(block->attachCount).load();
    }
    // A peer need not count itself, and a killed client leaves its count: whether the block is
    // in use is the system's to tell.
    const NamedMapping::Holders holders = mapping.OtherHolders();
    mapping.UnmapAndClose();
    // A Windows block that can be opened is held, and goes with its last holder: there is
    // nothing to remove, and nothing to force. Say so rather than claim a removal.
    if (!NamedMapping::NamesOutliveHolders()) {
        std::fprintf(err,
                     "corvane-sim: cannot remove \"%s\": it stays while a program holds it and "
                     "goes with the last one, so none is left behind (--force changes nothing). "
                     "It is held now, attach count %d (a simulator need not count itself): close "
                     "every program that uses it.\n",
                     name, attached);
        return kSimExitCannotRun;
    }
    if (holders == NamedMapping::Holders::Others && !force) {
        std::fprintf(err,
                     "corvane-sim: refused: another program holds \"%s\". Stop every program "
                     "that uses it first (or, if none does, use --remove --force).\n",
                     name);
        return kSimExitCannotRun;
    }
    if (const int error = NamedMapping::Unlink(name); error != 0) {
        NamedMapping::ErrorText(error, reason, sizeof reason);
        std::fprintf(err, "corvane-sim: cannot remove \"%s\": %s\n", name,
                     MaskControls(reason, LineBreaks::Join).c_str());
        return kSimExitCannotRun;
    }
    std::fprintf(out, "corvane-sim: removed block \"%s\"\n", name);
    return kSimExitNormal;
}
