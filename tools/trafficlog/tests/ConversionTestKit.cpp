#include "tools/trafficlog/tests/ConversionTestKit.h"

#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

void ConvertFindings::BadRow(const char* input, std::int64_t line, const char* reason) {
    const std::string path = input;
    bad.push_back(path.substr(path.find_last_of("/\\") + 1) + ":" + std::to_string(line) + ": " +
                  reason);
    badLines.push_back(line);
    reasons.push_back(reason);
}

void CleanFile::Report(std::int64_t line, CheckFault fault, const char* text) {
    ADD_FAILURE() << "check, line " << line << ": " << CheckFaultName(fault) << ": " << text;
}

namespace {
Conversion ConvertFile(const TempFile& input, ConvertOptions options, int threads) {
    TempFile output(".dat");
    options.inputs = {input.Path()};
    options.output = output.Path();
    options.threads = threads;
    RecordingConverter converter;
    Conversion result;
    result.ok = converter.Convert(options, result.findings);
    result.data = output.Read();
    result.counts = converter.Counts();
    result.error = converter.FullErrorText();
    if (result.ok) {
        TrafficFileChecker checker;
        CleanFile clean;
        EXPECT_TRUE(checker.Check(output.Path(), clean));
    }
    return result;
}
// The conversion of the same bytes from memory into memory, the input named as the file.
Conversion ConvertInMemory(const TempFile& input, const std::string& bytes,
                           ConvertOptions options) {
    MemoryByteSource recording(bytes.data(), bytes.size());
    options.inputs = {input.Path()};
    options.output = nullptr;
    options.threads = 1;
    RecordingConverter converter;
    Conversion result;
    result.ok = converter.Convert(options, recording, result.data, result.findings);
    result.counts = converter.Counts();
    result.error = converter.FullErrorText();
    if (result.ok) {
        MemoryByteSource written(result.data.data(), result.data.size());
        TrafficFileChecker checker;
        CleanFile clean;
        EXPECT_TRUE(checker.Check(written, clean));
    } else {
        result.data.clear(); // a failed conversion leaves no file
    }
    return result;
}
} // namespace

void ExpectSameConversion(const Conversion& one, const Conversion& two) {
    EXPECT_EQ(one.ok, two.ok);
    EXPECT_EQ(one.data, two.data);
    EXPECT_EQ(one.error, two.error);
    EXPECT_EQ(one.findings.bad, two.findings.bad);
    EXPECT_EQ(one.findings.notices, two.findings.notices);
    EXPECT_EQ(one.findings.fullLines, two.findings.fullLines);
    EXPECT_EQ(one.counts.rows, two.counts.rows);
    EXPECT_EQ(one.counts.written, two.counts.written);
    EXPECT_EQ(one.counts.badRows, two.counts.badRows);
    EXPECT_EQ(one.counts.entries, two.counts.entries);
    if (one.ok) {
        EXPECT_EQ(one.findings.lastBytes, two.findings.lastBytes);
    }
}

Conversion ConvertBytes(const std::string& bytes, const char* suffix, ConvertOptions options) {
    TempFile input(suffix);
    input.Write(bytes);
    const Conversion one = ConvertFile(input, options, 1);
    Conversion two = ConvertFile(input, options, 2);
    ExpectSameConversion(one, two);
    // Bytes in memory are no file: only the progress through the file differs.
    Conversion memory = ConvertInMemory(input, bytes, options);
    memory.findings.lastBytes = one.findings.lastBytes;
    ExpectSameConversion(one, memory);
    return two;
}
