#include "tools/sim/SimRunner.h"

#include "config_control/ConfigControl.h"
#include "platform/NamedMapping.h"
#include "shared_memory/VisualShm.h"
#include "tools/sim/ScopeSvg.h"
#include "tools/sim/ScopeText.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace {
const char kRevision[] = "%Z% CorvaneSim QX5001:17 SimRunner.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Corvane Sim", {kSimRunnerHeaderRevision, kRevision});
}

constexpr auto kTick = std::chrono::milliseconds(100);
// The scope is redrawn this often between publications, for the moving own-ship.
constexpr int kRedrawTicks = 5;

class Session {
public:
    Session(const SimOptions& options, SimTerminal& terminal, VisualInterfaceBlock& block,
            std::FILE* out, std::FILE* err)
        : options(options), terminal(terminal), peer(block, options.settings), out(out), err(err),
          scopeMode(terminal.IsTerminal() && !options.logLines) {}

    void Run();

private:
    void Tick(int tick, double seconds);
    void Show(bool published);
    void LogEvents(double seconds);

    const SimOptions& options;
    SimTerminal& terminal;
    SimPeer peer;
    std::FILE* out;
    std::FILE* err;
    bool scopeMode;
    ScopeState state;
    std::unique_ptr<PublicationSnapshot> publication;
    ScopeSvgFile svg;
    std::int32_t loggedSound = -1;
    bool loggedEnding = false;
    bool quit = false;
};

void Session::Run() {
    const auto start = std::chrono::steady_clock::now();
    for (int tick = 0;; ++tick) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        Tick(tick, seconds);
        if (quit || peer.Finished(seconds)) {
            break;
        }
        std::this_thread::sleep_until(start + kTick * (tick + 1));
    }
}

void Session::Tick(int tick, double seconds) {
    if (terminal.QuitRequested()) {
        // The ending state stays in the block, so the feeder still ends itself.
        peer.EndNow(seconds);
        quit = true;
    }
    peer.Step(seconds);
    state.seconds = seconds;
    state.own = peer.Own();
    state.ownAltitudeFt = options.settings.ownAltitudeFt;
    state.soundRequest = peer.SoundRequest();
    state.simulationState = peer.SimulationState();
    const bool published = peer.NewPublication();
    if (published) {
        if (!publication) {
            publication = std::make_unique<PublicationSnapshot>();
        }
        peer.TakeSnapshot(*publication);
        state.publication = publication.get();
    }
    if (!scopeMode) {
        LogEvents(seconds);
    }
    if (published || (scopeMode && tick % kRedrawTicks == 0)) {
        Show(published);
    }
}

void Session::Show(bool published) {
    if (scopeMode) {
        std::vector<std::string> lines = RenderScope(state);
        lines.push_back(peer.Ending(state.seconds) ? "simulation ending" : "q: quit");
        terminal.Draw(lines);
    } else if (published) {
        std::fprintf(out, "%s\n", PublicationLogLine(state).c_str());
        std::fflush(out);
    }
    if (published && options.svgPath != nullptr && !svg.Write(options.svgPath, state)) {
        std::fprintf(err, "corvane-sim: %s\n", svg.GetErrorText());
    }
}

void Session::LogEvents(double seconds) {
    if (peer.SoundRequest() != loggedSound) {
        loggedSound = peer.SoundRequest();
        std::fprintf(out, "%7.1f s sound request %d\n", seconds, loggedSound);
    }
    if (peer.Ending(seconds) && !loggedEnding) {
        loggedEnding = true;
        std::fprintf(out, "%7.1f s simulation ending (state 0x00FFFFFF)\n", seconds);
    }
    std::fflush(out);
}
} // namespace

int RunStandIn(const SimOptions& options, SimTerminal& terminal, std::FILE* out, std::FILE* err) {
    RegisterModule();
    CVisShm client(options.name);
    if (!client.IsValid()) {
        std::fprintf(err, "corvane-sim: %s\n", client.GetErrorText());
        return 1;
    }
    auto* block = static_cast<VisualInterfaceBlock*>(client.GetBlock());
    std::fprintf(out, "corvane-sim: attached to block \"%s\" (clients attached: %d)\n",
                 options.name, std::atomic_ref<std::int32_t>(block->attachCount).load());
    std::fflush(out);
    Session session(options, terminal, *block, out, err);
    session.Run();
    client.Detach();
    std::fprintf(out, "corvane-sim: detached from \"%s\"\n", options.name);
    return 0;
}

int RemoveStaleBlock(const char* name, bool force, std::FILE* out, std::FILE* err) {
    RegisterModule();
    char reason[256];
    NamedMapping mapping;
    if (!mapping.Open(name) || !mapping.Map()) {
        NamedMapping::ErrorText(mapping.LastError(), reason, sizeof reason);
        std::fprintf(err, "corvane-sim: no block \"%s\" to remove: %s\n", name, reason);
        return 1;
    }
    std::int32_t attached = 0;
    if (mapping.MappedSize() >= sizeof(VisualInterfaceBlock)) {
        auto* block = static_cast<VisualInterfaceBlock*>(mapping.Address());
        attached = std::atomic_ref<std::int32_t>(block->attachCount).load();
    }
    mapping.UnmapAndClose();
    if (attached > 0 && !force) {
        std::fprintf(err,
                     "corvane-sim: refused: %d client(s) attached to \"%s\". Stop them first "
                     "(or, if they are gone without detaching, use --remove --force).\n",
                     attached, name);
        return 1;
    }
    if (const int error = NamedMapping::Unlink(name); error != 0) {
        NamedMapping::ErrorText(error, reason, sizeof reason);
        std::fprintf(err, "corvane-sim: cannot remove \"%s\": %s\n", name, reason);
        return 1;
    }
    // A Windows mapping has no name to remove: it goes with its last user, and while one holds
    // it the block stays. Say so rather than report a removal that did not happen.
    if (mapping.Open(name)) {
        mapping.UnmapAndClose();
        std::fprintf(err,
                     "corvane-sim: cannot remove \"%s\": it stays while a program holds it and "
                     "goes with the last one\n",
                     name);
        return 1;
    }
    std::fprintf(out, "corvane-sim: removed block \"%s\"\n", name);
    return 0;
}
