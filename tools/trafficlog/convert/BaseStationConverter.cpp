#include "tools/trafficlog/convert/BaseStationConverter.h"

#include "text_functions/TextFunctions.h"

#include <cmath>

namespace {
constexpr int kReasonSize = 200;
constexpr std::int64_t kProgressRows = 8192;

// The first entry time (a multiple of the entry step) at or after `time`.
std::int64_t EntryAtOrAfter(double time) {
    const auto step = static_cast<double>(BaseStationInput::kEntrySeconds);
    return static_cast<std::int64_t>(std::ceil(time / step) * step);
}
} // namespace

BaseStationInput::BaseStationInput(ConversionContext& context)
    : context(context),
      tracker(context.options.keepGround ? SurfacePositions::Kept : SurfacePositions::Ignored) {}

InputEnd BaseStationInput::Run(PhysicalLineReader& reader, const char* name) {
    bool first = true;
    do {
        if (reader.Length() == 0) {
            continue;
        }
        if (const InputEnd end = TakeLine(reader, name, first); end != InputEnd::Done) {
            return end;
        }
    } while (reader.Next());
    context.Progress();
    return reader.ReadFailed() ? InputEnd::ReadFailed : InputEnd::Done;
}

InputEnd BaseStationInput::TakeLine(PhysicalLineReader& reader, const char* name, bool& first) {
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
    Message message;
    switch (tracker.Read(reader.Head(), true, 0, message, reason, kReasonSize)) {
    case MessageKind::Bad:
        context.Bad(name, reader.LineNumber(), reason);
        return InputEnd::Done;
    case MessageKind::Ignored:
        ++counts.ignored;
        return InputEnd::Done;
    case MessageKind::Used:
        break;
    }
    const double time = message.time;
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
    return Judge(message, reader.LineNumber(), name) ? InputEnd::Done : InputEnd::WriteFailed;
}

bool BaseStationInput::Judge(const Message& message, std::int64_t line, const char* name) {
    if (!started) {
        return Place(message);
    }
    if (message.time < latest - kClockStepSeconds) {
        ReportStep(message, line, name);
        return true;
    }
    if (holding) {
        holding = false;
        if (std::fabs(message.time - held.time) > kClockStepSeconds) {
            ReportStep(held, heldLine, heldName);
        } else if (!Place(held)) {
            return false;
        }
    }
    if (message.time > latest + kClockStepSeconds) {
        holding = true;
        held = message;
        heldLine = line;
        heldName = name;
        return true;
    }
    return Place(message);
}

void BaseStationInput::ReportStep(const Message& message, std::int64_t line, const char* name) {
    char reason[kReasonSize];
    FormatBounded(reason, kReasonSize,
                  "time %.0f is %.0f s %s the log's clock (%.0f)%s: a step of the receiver's "
                  "clock, left out",
                  message.time, std::fabs(message.time - latest),
                  message.time < latest ? "behind" : "ahead of", latest,
                  message.time < latest ? "" : " and the messages after it do not follow it");
    context.Bad(name, line, reason);
}

// Entries are written up to the message's time before it is taken in, so that each holds the
// aircraft as the messages up to its time left them.
bool BaseStationInput::Place(const Message& message) {
    const double time = message.time;
    if (!Advance(time, tracker.LatestPosition())) {
        return false;
    }
    tracker.Apply(message);
    if (time > latest) {
        latest = time;
        context.haveTime = true;
        context.lastTime = static_cast<std::int64_t>(time);
    }
    return true;
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

// A message ahead of the clock that nothing follows does not move it.
bool BaseStationInput::Finish() {
    if (holding) {
        holding = false;
        ReportStep(held, heldLine, heldName);
    }
    return !started ||
           Advance(latest + static_cast<double>(kEntrySeconds), tracker.LatestPosition());
}
