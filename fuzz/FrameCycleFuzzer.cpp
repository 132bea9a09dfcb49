// The shared block as the feeder sees it while the simulator side writes anything into it: any
// version tag, simulation state, own-ship position (NaN and infinities included), attach count
// and sound request, changed between frames. The dialog runs on a mapping of its own with fake
// host, clock and sound service, frame after frame as the timer drives it, with the clock going
// forward, standing or going back. Every publication must leave a count the visual system can
// use with well-formed records, every sound request must reach the alert service, and the run
// must end cleanly.
#include "app/AlertService.h"
#include "app/CorvaneDlg.h"
#include "fuzz/FiniteRecord.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTempFile.h"
#include "platform/Clock.h"
#include "platform/DialogHost.h"
#include "platform/NamedMapping.h"
#include "shared_memory/VisualShm.h"
#include "tests/support/UniqueName.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::int64_t kStartTime = 1'700'000'000;

// Aircraft around the seed position, at the poles and on both sides of the 180-degree meridian,
// with odd fields, so that own-ship positions anywhere find some.
constexpr char kDataFile[] = "Fuzz recording\n"
                             "####_BEGIN_####\n"
                             "####_ENTRY_0_#\n"
                             "NEAR|4CA2B5|1700000000|50.45|0.01|1000|1050|90|250|0\n"
                             "POLE|\"0x4ca2b6\"|1|90|0|1|2|3|4|5\n"
                             "SOUTH|4CA2B7|2|-90|-180|1|2|3|4|5\n"
                             "EAST|4CA2B8|3|0|180|nan|inf|-inf|1e308|-1e308\n"
                             "LONGCALLSIGN|ZZ|x|0|-179.9\n"
                             "####_ENTRY_END_####\n"
                             "####_ENTRY_1_#\n"
                             "ORIGIN|0|0|0|0\n"
                             "####_ENTRY_END_####\n"
                             "####_END_####\n";

class SilentHost : public DialogHost {
public:
    int RunModal(HostedDialog&, int) override { return 0; }
    void EndDialog(int) override { ended = true; }
    void RunAboutBox() override {}
    void ShowMessageBox(const char*, const char*) override { ++messageBoxes; }
    bool StartTimer(std::uintptr_t, std::uint32_t) override { return true; }
    void StopTimer(std::uintptr_t) override {}
    int LoadStringResource(int, char* buffer, int size) override {
        return size > 0 ? (buffer[0] = '\0', 0) : 0;
    }
    IconHandle LoadIconResource(int) override { return 1; }
    bool HasSystemMenu() override { return true; }
    void AppendSystemMenuItem(std::uint32_t, const char*) override {}
    void DefaultSysCommand(std::uint32_t, std::int64_t) override {}
    void SetIcon(IconHandle, bool) override {}
    void SetWindowTitle(const char*) override {}
    void ShowMinimised() override {}
    bool IsMinimised() override { return true; }
    void HideControl(int) override {}
    void DisableControl(int) override {}
    void SetControlText(int, const char* text) override { FUZZ_CHECK(text != nullptr); }
    HostSize ClientSize() override { return {32, 32}; }
    HostSize SystemIconSize() override { return {32, 32}; }
    void PaintIcon(IconHandle, int, int) override {}
    void DefaultPaint() override {}

    bool ended = false;
    int messageBoxes = 0;
};

// The calendar goes where the input steps it; the monotonic clock only ever goes forward.
class SteppedClock : public Clock {
public:
    std::int64_t NowSeconds() override { return now; }
    std::int64_t MonotonicSeconds() override { return monotonic; }
    void SleepMilliseconds(std::int32_t) override {}

    void Step(int seconds) {
        now += seconds;
        monotonic += seconds > 0 ? seconds : 0;
    }

    std::int64_t now = kStartTime;
    std::int64_t monotonic = 0;
};

class RecordingAlerts : public AlertService {
public:
    void SetUpSounds() override {}
    void ServiceSoundRequest(std::int32_t soundRequest, std::string&) override {
        lastRequest = soundRequest;
        ++serviced;
    }
    void StopAllSounds() override {}

    std::int32_t lastRequest = 0;
    int serviced = 0;
};

// Writes the bytes over the block at `offset`, as the simulator side might.
void Overwrite(VisualInterfaceBlock* block, std::size_t offset, const std::string& bytes) {
    const std::size_t count = std::min(bytes.size(), sizeof(VisualInterfaceBlock) - offset);
    std::memcpy(reinterpret_cast<char*>(block) + offset, bytes.data(), count);
}

void CheckPublication(const VisualInterfaceBlock& block) {
    FUZZ_CHECK(block.aircraftCount >= 0 && block.aircraftCount <= kPublishLimit);
    FUZZ_CHECK(block.trafficStatus == 0);
    for (std::int32_t i = 0; i < block.aircraftCount; ++i) {
        const AircraftRecord& record = block.aircraft[i];
        FUZZ_CHECK(std::memchr(record.callsign, '\0', 9) != nullptr && record.onGround == 0);
        FUZZ_CHECK(HoldsOnlyFiniteNumbers(record));
    }
}

// A second client joins exactly when the tag the simulator side left is this build's: the
// feeder's own client holds the block, so a blank tag is a creator still at work, whatever the
// count says, and is refused once it does not come. A client that refused the block keeps its view
// until the process ends, so a long fuzzing run makes only a few; one that joined is made the last
// client, so that it releases its view.
void CheckJoin(const char* mappingName, VisualInterfaceBlock& block) {
    constexpr int kMaxRefusedClients = 64;
    static int refusedClients = 0;
    const void* end = std::memchr(block.versionTag, '\0', kVersionTagSize);
    const std::string_view tag(block.versionTag,
                               end == nullptr ? kVersionTagSize
                                              : static_cast<const char*>(end) - block.versionTag);
    const bool matches = tag == CVisShm::VersionTag();
    if (!matches) {
        if (refusedClients == kMaxRefusedClients) {
            return;
        }
        ++refusedClients;
    }
    const std::int32_t attachCount = block.attachCount;
    {
        CVisShm second(mappingName);
        FUZZ_CHECK(second.IsValid() == matches);
        block.attachCount = 1;
    }
    block.attachCount = attachCount;
}

// 12 bytes of input: the frame (2 bytes), the offset in the block (2 bytes), the value (8 bytes).
struct Patch {
    std::uint16_t frame;
    std::uint16_t offset;
    std::string value;
};

Patch TakePatch(FuzzInput& input, int frames) {
    Patch patch;
    patch.frame = static_cast<std::uint16_t>(input.TakeRaw<std::uint16_t>() % frames);
    patch.offset = static_cast<std::uint16_t>(input.TakeRaw<std::uint16_t>() %
                                              (sizeof(VisualInterfaceBlock) - 8));
    const auto value = input.TakeRaw<std::uint64_t>();
    patch.value.assign(reinterpret_cast<const char*>(&value), sizeof value);
    return patch;
}

// The patches in frame order (input order within a frame).
std::vector<Patch> TakePatches(FuzzInput& input, int frames) {
    std::vector<Patch> patches;
    while (!input.Empty()) {
        patches.push_back(TakePatch(input, frames));
    }
    std::stable_sort(patches.begin(), patches.end(),
                     [](const Patch& a, const Patch& b) { return a.frame < b.frame; });
    return patches;
}

} // namespace

// Input: the number of frames, the clock step per frame, a length byte and that many bytes written
// over the start of the block after the run has started, then patches written before a frame.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzTempFile file("corvane_fuzz_frames");
    static const bool written = file.Write(kDataFile);
    // A mapping of its own per input: on Windows a mapping lives on while any client holds it,
    // and a client that refused the block (a wrong tag) keeps holding it.
    const std::string mappingName = UniqueName("CorvaneFuzz");
    FUZZ_CHECK(written);

    FuzzInput input(data, size);
    const int frames = kStartupFrames + input.TakeByte();
    const int clockStep = static_cast<std::int8_t>(input.TakeByte()) / 16; // -8 to 7 seconds
    const std::uint8_t prefixSize = input.TakeByte();
    std::string prefix;
    for (int i = 0; i < prefixSize && !input.Empty(); ++i) {
        prefix += static_cast<char>(input.TakeByte());
    }

    SilentHost host;
    SteppedClock clock;
    RecordingAlerts alerts;
    {
        CTrafficFeedDlg dialog(host, clock, alerts, file.Path(), mappingName.c_str());
        dialog.OnInitDialog();
        FUZZ_CHECK(dialog.IsRunActive() && host.messageBoxes == 0);
        // The simulator side holds the block through the run and past its end, as a simulator
        // that outlives the feeder does: the feeder's release then leaves the name to it rather
        // than search the system for other holders of the block.
        NamedMapping simulator;
        FUZZ_CHECK(simulator.Open(mappingName.c_str()));
        VisualInterfaceBlock* block = dialog.GetVisualBlock();
        Overwrite(block, 0, prefix);
        CheckJoin(mappingName.c_str(), *block);

        const std::vector<Patch> patches = TakePatches(input, frames);
        auto next = patches.begin();
        for (int frame = 0; frame < frames && !host.ended; ++frame) {
            for (; next != patches.end() && next->frame == frame; ++next) {
                Overwrite(block, next->offset, next->value);
            }
            const std::int32_t published = block->publishCounter;
            const int serviced = alerts.serviced;
            clock.Step(clockStep);
            dialog.OnTimer(kFrameTimerId);
            if (dialog.GetVisualBlock() == nullptr) {
                break; // the run stopped using the block
            }
            if (block->publishCounter != published) {
                CheckPublication(*block);
            }
            if (alerts.serviced != serviced) {
                FUZZ_CHECK(alerts.lastRequest == block->soundRequest);
            }
        }
        // The simulator side has gone: the feeder's client is the last and releases its view.
        if (dialog.GetVisualBlock() != nullptr) {
            block->attachCount = 1;
        }
        dialog.OnDestroy();
        FUZZ_CHECK(dialog.GetVisualBlock() == nullptr);
        simulator.UnmapAndClose();
    }
    NamedMapping::Unlink(mappingName.c_str());
    return 0;
}
