// Reads BaseStation logs (a receiver's messages as its decoder wrote them) into the entries of
// a conversion: one entry per 10 s of the messages' generated time, holding every aircraft heard
// with a position within the stale limit before it. Quiet stretches of over a minute with no
// aircraft are passed over rather than filled with empty entries. The state of the aircraft
// carries over from one input to the next, as one log continues another.
#pragma once

#include "tools/trafficlog/BaseStationTracker.h"
#include "tools/trafficlog/ConversionContext.h"
#include "tools/trafficlog/PhysicalLineReader.h"

#include <cstdint>

inline constexpr char kBaseStationConverterHeaderRevision[] =
    "%Z% TrafficLog QX5002:65 BaseStationConverter.h $Revision: 1.1 $";

class BaseStationInput {
public:
    static constexpr std::int64_t kEntrySeconds = 10;
    static constexpr double kQuietSeconds = 60;

    explicit BaseStationInput(ConversionContext& context);

    // Reads the input from the reader's current line on. `name` is the input as the user named
    // it.
    InputEnd Run(PhysicalLineReader& reader, const char* name);
    // Writes the entries still due after the last message. False when the writing fails.
    bool Finish();

private:
    InputEnd Message(PhysicalLineReader& reader, const char* name, bool& first);
    // Writes the entries due before `time`; with no position since `latestPosition` a quiet
    // stretch is passed over.
    bool Advance(double time, double latestPosition);

    ConversionContext& context;
    BaseStationTracker tracker;
    bool started = false;
    std::int64_t nextEntry = 0;
    double latest = 0;
};
