// What the converter tests share: a sink that keeps what a conversion reports, a check sink
// that fails the test at any finding (every data file written must be clean), and the
// conversion of one input made of given bytes.
#pragma once

#include "tools/trafficlog/convert/RecordingConverter.h"
#include "tools/trafficlog/datafile/TrafficFileChecker.h"

#include <cstdint>
#include <string>
#include <vector>

class ConvertFindings : public ConvertSink {
public:
    // Kept as "NAME:LINE: REASON", NAME the input's file name without its folder.
    void BadRow(const char* input, std::int64_t line, const char* reason) override;
    void EntryFull(const char*, std::int64_t line, std::int64_t) override {
        fullLines.push_back(line);
    }
    void Notice(const char* text) override { notices.push_back(text); }
    void Progress(std::int64_t bytes, std::int64_t size) override {
        lastBytes = bytes;
        fileSize = size;
    }

    std::vector<std::string> bad;
    std::vector<std::int64_t> badLines;
    std::vector<std::string> reasons;
    std::vector<std::int64_t> fullLines;
    std::vector<std::string> notices;
    std::int64_t lastBytes = -1;
    std::int64_t fileSize = -1;
};

class CleanFile : public CheckFindingSink {
public:
    void Report(std::int64_t line, CheckFault fault, const char* text) override;
};

struct Conversion {
    bool ok = false;
    std::string data;
    ConvertCounts counts;
    ConvertFindings findings;
    std::string error;
};

// Converts one input holding `bytes`, in a temporary file whose name ends in `suffix`, with
// `options` (their input and output are set here). A data file written must pass check. The
// conversion runs on one thread and again on two, and from memory into memory, which must all
// give the same bytes and reports.
Conversion ConvertBytes(const std::string& bytes, const char* suffix, ConvertOptions options = {});

// Fails the test where a conversion on two threads (`two`) differs from one on one thread.
void ExpectSameConversion(const Conversion& one, const Conversion& two);
