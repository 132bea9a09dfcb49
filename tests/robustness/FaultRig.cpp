#include "tests/robustness/FaultRig.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsZero(const void* bytes, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    return std::all_of(p, p + size, [](unsigned char b) { return b == 0; });
}

} // namespace

FaultRig::FaultRig(const std::string& fileContent, const char* dataPath, const char* mappingName)
    : file(fileContent) {
    clock.now = startSeconds;
    dialog = std::make_unique<CTrafficFeedDlg>(
        host, clock, alerts, dataPath != nullptr ? dataPath : file.c_str(),
        mappingName != nullptr ? mappingName : mapping.c_str());
    host.modalDialog = dialog.get();
}

FaultRig::~FaultRig() {
    dialog->OnDestroy();
}

bool FaultRig::Start() {
    dialog->OnInitDialog();
    return dialog->IsRunActive();
}

void FaultRig::Tick() {
    elapsedMs += kFramePeriodMs;
    clock.now = startSeconds + elapsedMs / 1000;
    dialog->OnTimer(kFrameTimerId);
}

bool FaultRig::TickToNextRequest() {
    const std::int64_t due = dialog->GetNextRequestTime();
    for (int tick = 0; tick < 1000; ++tick) {
        Tick();
        if (dialog->GetFrameCount() >= kStartupFrames && dialog->GetNextRequestTime() != due) {
            return true;
        }
    }
    return false;
}

std::filesystem::path FaultRig::MappingObject() const {
    return std::filesystem::path("/dev/shm") / mapping.c_str();
}

std::string CheckFeederFields(const VisualInterfaceBlock& block) {
    const std::int32_t count = block.aircraftCount;
    if (count < 0 || count > kPublishLimit) {
        return "aircraftCount " + std::to_string(count);
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const char* callsign = block.aircraft[i].callsign;
        if (std::memchr(callsign, '\0', sizeof block.aircraft[i].callsign) == nullptr) {
            return "record " + std::to_string(i) + " without a terminated callsign";
        }
    }
    if (!IsZero(block.aircraft + count, (kMaxBlockAircraft - count) * sizeof(AircraftRecord))) {
        return "records after the count are not zero";
    }
    if (block.trafficStatus != 0 && block.trafficStatus != 99) {
        return "trafficStatus " + std::to_string(block.trafficStatus);
    }
    for (int slot = 0; slot < kDiagnosticSlots; ++slot) {
        if (std::memchr(block.diagnosticText[slot], '\0', kDiagnosticTextSize) == nullptr) {
            return "diagnostic slot " + std::to_string(slot) + " not terminated";
        }
    }
    return "";
}

std::string PublishedCallsigns(const VisualInterfaceBlock& block) {
    std::string list;
    for (std::int32_t i = 0; i < block.aircraftCount && i < kPublishLimit; ++i) {
        list += block.aircraft[i].callsign;
        list += ' ';
    }
    return list;
}

std::string SampleFile(const std::string& prefix, int entries, int filler) {
    std::vector<std::vector<std::string>> content(static_cast<std::size_t>(entries));
    for (int n = 0; n < entries; ++n) {
        for (int k = 0; k < n % 3 + 1; ++k) {
            content[n].push_back(TrafficLine(prefix + std::to_string(n) + "A" + std::to_string(k),
                                             50.4 + 0.01 * k, 0.02));
        }
        for (int k = 0; k < filler; ++k) {
            content[n].push_back(TrafficLine("FAR" + std::to_string(k), -33.9, 151.2));
        }
    }
    return TrafficFile(content);
}

std::string SampleList(const std::string& prefix, int entry) {
    std::string list;
    for (int k = 0; k < entry % 3 + 1; ++k) {
        list += prefix + std::to_string(entry) + "A" + std::to_string(k) + " ";
    }
    return list;
}
