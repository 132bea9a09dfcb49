// Reads BaseStation logs (a receiver's messages as its decoder wrote them) into the entries of
// a conversion: one entry per 10 s of the messages' generated time, holding every aircraft whose
// latest position from the messages up to the entry's time is within the stale limit. Quiet
// stretches of over a minute with no aircraft are passed over rather than filled with empty
// entries. The state of the aircraft carries over from one input to the next, as one log
// continues another.
//
// The log's clock is the latest time of its messages. A message dated more than a clock step
// behind it is a bad row; one dated more than a clock step ahead moves the clock only when the
// message after it follows it (the receiver was off for a while), else it is a bad row (a
// stray date) and the messages after it go on from the old clock.
#pragma once

#include "tools/trafficlog/convert/ConversionContext.h"
#include "tools/trafficlog/input/PhysicalLineReader.h"
#include "tools/trafficlog/sources/BaseStationTracker.h"

#include <cstdint>

class BaseStationInput {
public:
    static constexpr std::int64_t kEntrySeconds = 10;
    static constexpr double kQuietSeconds = 60;
    static constexpr double kClockStepSeconds = 300;

    explicit BaseStationInput(ConversionContext& context);

    // Reads the input from the reader's current line on. `name` is the input as the user named
    // it.
    InputEnd Run(PhysicalLineReader& reader, const char* name);
    // Writes the entries still due after the last message. False when the writing fails.
    bool Finish();

private:
    using Message = BaseStationTracker::Message;

    InputEnd TakeLine(PhysicalLineReader& reader, const char* name, bool& first);
    // A used message that keeps to the log's clock; false when the writing fails.
    bool Place(const Message& message);
    // Whether a message is placed, held until the next one says, or bad; false when writing
    // fails.
    bool Judge(const Message& message, std::int64_t line, const char* name);
    void ReportStep(const Message& message, std::int64_t line, const char* name);
    // Writes the entries due before `time`; with no position since `latestPosition` a quiet
    // stretch is passed over.
    bool Advance(double time, double latestPosition);

    ConversionContext& context;
    BaseStationTracker tracker;
    bool started = false;
    std::int64_t nextEntry = 0;
    double latest = 0;
    // A message dated more than a clock step ahead, until the next message says whether the
    // clock moved.
    bool holding = false;
    Message held;
    std::int64_t heldLine = 0;
    const char* heldName = "";
};
