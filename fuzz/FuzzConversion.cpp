#include "fuzz/FuzzConversion.h"

#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzTempFile.h"
#include "tools/trafficlog/convert/RecordingConverter.h"
#include "tools/trafficlog/datafile/TrafficFileChecker.h"

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

} // namespace

void ConvertAndCheck(const std::string& bytes) {
    FuzzTempFile input("fuzz_recording");
    FuzzTempFile output("fuzz_converted");
    if (!input.Write(bytes)) {
        return;
    }
    ConvertOptions options;
    options.inputs = {input.Path()};
    options.output = output.Path();
    RecordingConverter converter;
    QuietSink sink;
    if (!converter.Convert(options, sink)) {
        return;
    }
    const ConvertCounts& counts = converter.Counts();
    FUZZ_CHECK(counts.written >= 0 && counts.badRows >= 0 && counts.badRows <= counts.rows);
    TrafficFileChecker checker;
    NoFinding noFinding;
    FUZZ_CHECK(checker.Check(output.Path(), noFinding));
}
