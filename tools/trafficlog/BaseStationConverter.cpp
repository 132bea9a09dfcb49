#include "tools/trafficlog/BaseStationConverter.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"

#include <cmath>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:66 BaseStationConverter.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kBaseStationConverterHeaderRevision, kRevision});
}

constexpr int kReasonSize = 200;
constexpr std::int64_t kProgressRows = 8192;

// The first entry time (a multiple of the entry step) at or after `time`.
std::int64_t EntryAtOrAfter(double time) {
    const auto step = static_cast<double>(BaseStationInput::kEntrySeconds);
    return static_cast<std::int64_t>(std::ceil(time / step) * step);
}
} // namespace

BaseStationInput::BaseStationInput(ConversionContext& context) : context(context) {
    RegisterModule();
}

InputEnd BaseStationInput::Run(PhysicalLineReader& reader, const char* name) {
    bool first = true;
    do {
        if (reader.Length() == 0) {
            continue;
        }
        if (const InputEnd end = Message(reader, name, first); end != InputEnd::Done) {
            return end;
        }
    } while (reader.Next());
    context.Progress();
    return reader.ReadFailed() ? InputEnd::ReadFailed : InputEnd::Done;
}

InputEnd BaseStationInput::Message(PhysicalLineReader& reader, const char* name, bool& first) {
    ConvertCounts& counts = context.counts;
    if (++counts.rows % kProgressRows == 0) {
        context.Progress();
    }
    char reason[kReasonSize];
    if (!reader.HeadIsWhole()) {
        FormatBounded(reason, kReasonSize, "line of %lld characters is too long",
                      static_cast<long long>(reader.Length()));
        context.Bad(name, reader.LineNumber(), reason);
        return InputEnd::Done;
    }
    double time = 0;
    const double latestBefore = tracker.LatestPosition();
    switch (tracker.Take(reader.Head(), true, 0, time, reason, kReasonSize)) {
    case MessageKind::Bad:
        context.Bad(name, reader.LineNumber(), reason);
        return InputEnd::Done;
    case MessageKind::Ignored:
        ++counts.ignored;
        return InputEnd::Done;
    case MessageKind::Used:
        break;
    }
    // An input that starts an entry step or more before the inputs before it ended goes back.
    if (first && context.haveTime && time < static_cast<double>(context.lastTime - kEntrySeconds)) {
        FormatBounded(reason, kReasonSize,
                      "%s starts at time %.0f, before %lld where the inputs before it end: left "
                      "out, not merged",
                      name, time, static_cast<long long>(context.lastTime));
        context.sink.Notice(reason);
        return InputEnd::WentBack;
    }
    first = false;
    if (!Advance(time, latestBefore)) {
        return InputEnd::WriteFailed;
    }
    if (time > latest) {
        latest = time;
        context.haveTime = true;
        context.lastTime = static_cast<std::int64_t>(time);
    }
    return InputEnd::Done;
}

bool BaseStationInput::Advance(double time, double latestPosition) {
    if (!started) {
        started = true;
        nextEntry = EntryAtOrAfter(time);
        return true;
    }
    while (static_cast<double>(nextEntry) < time) {
        const bool quiet =
            latestPosition + context.options.staleSeconds < static_cast<double>(nextEntry);
        if (quiet && time - static_cast<double>(nextEntry) > kQuietSeconds) {
            nextEntry = EntryAtOrAfter(time);
            break;
        }
        if (context.Covers(nextEntry)) {
            if (!context.assembler.Start(nextEntry)) {
                return false;
            }
            tracker.OfferEntry(nextEntry, context.options.staleSeconds, context.assembler);
            ++context.counts.entries;
        }
        tracker.Forget(static_cast<double>(nextEntry));
        nextEntry += kEntrySeconds;
    }
    return true;
}

bool BaseStationInput::Finish() {
    return !started ||
           Advance(latest + static_cast<double>(kEntrySeconds), tracker.LatestPosition());
}
