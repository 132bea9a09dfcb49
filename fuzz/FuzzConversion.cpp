#include "fuzz/FuzzConversion.h"

#include "fuzz/FuzzCheck.h"
#include "tools/trafficlog/convert/RecordingConverter.h"
#include "tools/trafficlog/datafile/TrafficFileChecker.h"
#include "tools/trafficlog/input/ByteSource.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

class QuietSink : public ConvertSink {
public:
    void BadRow(const char*, std::int64_t, const char*) override {}
    void EntryFull(const char*, std::int64_t, std::int64_t) override {}
    void Notice(const char*) override {}
    void Progress(std::int64_t, std::int64_t) override {}
};

class NoFinding : public CheckFindingSink {
public:
    void Report(std::int64_t line, CheckFault fault, const char* text) override {
        // An input none of whose rows are kept makes a recording of no entries.
        if (fault == CheckFault::NoEntries) {
            return;
        }
        std::fprintf(stderr, "line %lld: %s: %s\n", static_cast<long long>(line),
                     CheckFaultName(fault), text);
        FUZZ_CHECK(!"a data file that convert wrote has a finding");
    }
};

// The data file's lines: its header, the begin tag, each entry's tag and end tag around its
// aircraft lines, and the end tag.
void CheckLineCount(const std::string& dataFile, const ConvertCounts& counts) {
    const auto lines = std::count(dataFile.begin(), dataFile.end(), '\n');
    FUZZ_CHECK(!dataFile.empty() && dataFile.back() == '\n');
    FUZZ_CHECK(lines == 3 + 2 * counts.entries + counts.written);
}

} // namespace

// The recording's bytes are read from memory and the data file is written there, on the one
// thread: the conversion itself, not the file system or the read-ahead thread, is what is fuzzed.
void ConvertAndCheck(const std::string& bytes) {
    MemoryByteSource recording(bytes.data(), bytes.size());
    ConvertOptions options;
    options.inputs = {"fuzz_recording"};
    options.threads = 1;
    RecordingConverter converter;
    QuietSink sink;
    std::string dataFile;
    if (!converter.Convert(options, recording, dataFile, sink)) {
        FUZZ_CHECK(!converter.FullErrorText().empty());
        return;
    }
    const ConvertCounts& counts = converter.Counts();
    FUZZ_CHECK(counts.written >= 0 && counts.badRows >= 0 && counts.badRows <= counts.rows);
    CheckLineCount(dataFile, counts);
    MemoryByteSource written(dataFile.data(), dataFile.size());
    TrafficFileChecker checker;
    NoFinding noFinding;
    FUZZ_CHECK(checker.Check(written, noFinding));
    FUZZ_CHECK(checker.EntriesSeen() == counts.entries);
}
