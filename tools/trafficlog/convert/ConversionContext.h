// What the readers of each kind of input (OpenSky state vectors, BaseStation messages) share
// while one conversion runs: the options, the entries being assembled, where findings go, the
// counts, and the time reached so far across inputs.
#pragma once

#include "tools/trafficlog/convert/ConvertOptions.h"
#include "tools/trafficlog/datafile/EntryAssembler.h"
#include "tools/trafficlog/datafile/TrafficFileWriter.h"
#include "tools/trafficlog/input/InputStream.h"

#include <cstdint>

struct ConvertCounts {
    std::int64_t rows = 0;          // rows or messages read (blank lines not counted)
    std::int64_t written = 0;       // aircraft lines written
    std::int64_t noPosition = 0;    // dropped: no latitude or longitude
    std::int64_t stale = 0;         // dropped: last contact or position update too old
    std::int64_t onGround = 0;      // dropped: on the ground (without --keep-ground)
    std::int64_t outsideWindow = 0; // dropped: before --from or after --to
    std::int64_t outsideRegion = 0; // dropped: outside --around / --box
    std::int64_t badRows = 0;       // reported to the sink with their line numbers
    std::int64_t leftOut = 0;       // dropped from full entries for nearer aircraft
    std::int64_t ignored = 0;       // BaseStation messages of the kinds not used
    std::int32_t entries = 0;
    std::int32_t inputsLeftOut = 0; // inputs that went back in time, not merged
};

class ConvertSink {
public:
    virtual void BadRow(const char* input, std::int64_t line, const char* reason) = 0;
    // A snapshot with more aircraft than an entry may hold; reported once per entry.
    virtual void EntryFull(const char* input, std::int64_t line, std::int64_t time) = 0;
    // What the user should know that is no bad row (an input left out, an odd time step).
    virtual void Notice(const char* text) = 0;
    virtual void Progress(std::int64_t bytesRead, std::int64_t fileSize) = 0;

protected:
    ~ConvertSink() = default;
};

// How reading one input ended.
enum class InputEnd {
    Done,
    WentBack,    // its first time lies before what the inputs before it reached: left out
    Unsorted,    // a row goes back in time within the input: the conversion is refused
    ReadFailed,  // the reader's report says why
    WriteFailed, // the writer's report says why
};

struct ConversionContext {
    const ConvertOptions& options;
    TrafficFileWriter& writer;
    EntryAssembler& assembler;
    ConvertSink& sink;
    ConvertCounts& counts;
    bool haveTime = false;
    std::int64_t lastTime = 0;
    const InputStream* stream = nullptr; // the input being read

    // Tells the sink how far through the input's file the conversion is.
    void Progress() const;

    // True when --from / --to let the time in.
    bool Covers(std::int64_t time) const;
    // Covers, counting the rows it keeps out.
    bool InWindow(std::int64_t time);
    // Reports a row whose field `field` (named `name`) keeps FormatAircraftLine from writing
    // it; the field's text is shown through the masking rule.
    void BadField(const char* input, std::int64_t line, AircraftLineResult result, const char* name,
                  const char* field);
    void Bad(const char* input, std::int64_t line, const char* reason);
};
